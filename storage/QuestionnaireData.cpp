// The questionnaire dictionary of the site's profile form and the placeholder rows of the area
// tables. Generated once from the site's tables; every value is kept byte for byte, blanks and
// odd spellings included, since the site's forms use exactly these texts. UTF-8 here, turned
// into cp1251 when the tables are filled.
#include "storage/QuestionnaireData.h"

namespace {
const TQuestionnaireRow kTargetGroup[] = {
    {u8"Friendship", u8"Дружба и общение", u8"Дружба и общение"},
    {u8"Email", u8"Переписка", u8"Переписка"},
    {u8"Love", u8"Любовь, отношения", u8"Любовь, отношения"},
    {u8"RegSex", u8"Регулярный секс вдвоем", u8"Регулярный секс вдвоем"},
    {u8"SomeSex", u8"Секс на один-два раза", u8"Секс на один-два раза"},
    {u8"Group", u8"Групповой секс", u8"Групповой секс"},
    {u8"Virt", u8"Виртуальный секс", u8"Виртуальный секс"},
    {u8"Intim", u8"Предлагает интим за деньги", u8"Предлагаю интим за деньги"},
    {u8"IntimBuy", u8"Ищет интим за деньги", u8"Ищу интим за деньги"},
    {u8"Family", u8"Брак, создание семьи", u8"Брак, создание семьи"},
    {u8"Child", u8"Рождение, воспитание ребенка", u8"Рождение, воспитание ребенка"},
    {u8"Fiktive", u8"Брак для вида", u8"Брак «для вида»"},
    {u8"Rent", u8"Совместная аренда жилья", u8"Совместная аренда жилья"},
    {u8"Sport", u8"Занятия спортом", u8"Занятия спортом"},
};
const TQuestionnaireRow kSponsorGroup[] = {
    {u8"LookFor", u8"Хочет найти спонсора", u8"Хочу найти спонсора"},
    {u8"Iam", u8"Готов(а) стать спонсором", u8"стать спонсором"},
    {u8"No", u8"Не нуждается в спонсоре и не хочет им быть", u8"Не нуждаюсь в спонсоре и не хочу им быть"},
};
const TQuestionnaireRow kMusicGroup[] = {
    {u8"RussianMusic", u8"Русскую поп-музыку", u8"Русская поп-музыка"},
    {u8"ForeignMusic", u8"Иностранную поп-музыку", u8"Иностранная поп-музыка"},
    {u8"BardMusic", u8"Бардов, авторскую песню", u8"Барды, авторская песня"},
    {u8"RussianRockMusic", u8"Русский рок", u8"Русский рок"},
    {u8"BluesMusic", u8"Блюз, джаз", u8"Блюз, джаз"},
    {u8"EtnicMusic", u8"Этническую, нью-эйдж", u8"Этническая, нью-эйдж"},
    {u8"RapMusic", u8"Рэп", u8"Рэп"},
    {u8"ClassicMusic", u8"Классическую", u8"Классическа"},
    {u8"DanceMusic", u8"Танцевальную музыку", u8"Танцевальная музыка"},
    {u8"RockMusic", u8"Рок, металл", u8"Рок, металл"},
    {u8"ElectronicMusic", u8"Электронную", u8"Электронная"},
};
const TQuestionnaireRow kLeisureGroup[] = {
    {u8"Run", u8"Бегом", u8"Бег"},
    {u8"Walk", u8"Прогулками", u8"Прогулки"},
    {u8"Fitness", u8"Фитнесом", u8"Фитнес"},
    {u8"Swim", u8"Плаванием", u8"Плавание"},
    {u8"ByCicle", u8"Велосипедом", u8"Велосипед"},
    {u8"SkateBoard", u8"Скейтбордом", u8"Скейтборд"},
    {u8"Roller", u8"Роликами", u8"Ролики"},
    {u8"Ski", u8"Лыжами, сноубордом", u8"Лыжи, сноуборд"},
    {u8"Daiving", u8"Подводным плаванием", u8"Подводное плавание"},
    {u8"Serfing", u8"Серфингом", u8"Серфинг"},
    {u8"Fighting", u8"Восточными единоборствами", u8"Восточные единоборства"},
    {u8"Ioga", u8"Медитацией, йогой", u8"Медитация, йога"},
};
const TQuestionnaireRow kMarriageMaleGroup[] = {
    {u8"TogetherMarriage", u8"Да, живут вместе", u8"Да, женат, живем вместе"},
    {u8"ApartMarriage", u8"Да, живут порознь", u8"Да, женат, живем порознь"},
    {u8"FictiveMarriage", u8"Да, «для вида»", u8"Да, женат, «для вида»"},
    {u8"NoMarriage", u8"Нет", u8"Нет, не женат"},
};
const TQuestionnaireRow kMarriageFemaleGroup[] = {
    {u8"TogetherMarriage", u8"Да, живут вместе", u8"Да, замужем, живем вместе"},
    {u8"ApartMarriage", u8"Да, живут порознь", u8"Да, замужем, живем порознь"},
    {u8"FictiveMarriage", u8"Да, «для вида»", u8"Да, замужем, «для вида»"},
    {u8"NoMarriage", u8"Нет", u8"Нет, не замужем"},
};
const TQuestionnaireRow kChildrenGroup[] = {
    {u8"NoChildren", u8"Нет", u8"Нет"},
    {u8"WantChildren", u8"Нет, но хотел(а) бы", u8"Нет, но хотелось бы"},
    {u8"TogetherChildren", u8"Есть, живут вместе", u8"Есть, живем вместе"},
    {u8"ApartChildren", u8"Есть, живут порознь", u8"Есть, живем порознь"},
};
const TQuestionnaireRow kHairGroup[] = {
    {u8"LightHair", u8"Светлыми", u8"Светлые"},
    {u8"DarkHair", u8"Темными", u8"Темные"},
    {u8"RedHair", u8"Рыжими", u8"Рыжие"},
    {u8"MelirovanieHair", u8"Мелированными", u8"Мелированные"},
    {u8"RichHair", u8"Яркими", u8"Яркие"},
    {u8"GreyHair", u8"Седыми", u8"Седые"},
    {u8"CleanHair", u8"Головой бритой наголо", u8"Голова бритая наголо"},
};
const TQuestionnaireRow kZodiacGroup[] = {
    {u8"oven", u8"Овен", u8"Овен"},
    {u8"telez", u8"Телец", u8"Телец"},
    {u8"bliznezi", u8"Близнецы", u8"Близнецы"},
    {u8"rak", u8"Рак", u8"Рак"},
    {u8"lev", u8"Лев", u8"Лев"},
    {u8"deva", u8"Дева", u8"Дева"},
    {u8"vesi", u8"Весы", u8"Весы"},
    {u8"skorpion", u8"Скорпион", u8"Скорпион"},
    {u8"strelez", u8"Стрелец", u8"Стрелец"},
    {u8"kozerog", u8"Козерог", u8"Козерог"},
    {u8"vodoley", u8"Водолей", u8"Водолей"},
    {u8"ribi", u8"Рыбы", u8"Рыбы"},
};
const TQuestionnaireRow kFigureGroup[] = {
    {u8"ThinFigure", u8"Худощавым", u8"Худощавое"},
    {u8"NormalFigure", u8"Обычным", u8"Обычное"},
    {u8"SportsFigure", u8"Спортивным", u8"Спортивное"},
    {u8"AthleticFigure", u8"Мускулистым", u8"Мускулистое"},
    {u8"ThickFigure", u8"Плотным", u8"Плотное"},
    {u8"StoutFigure", u8"Полным", u8"Полное"},
};
const TQuestionnaireRow kSmokingGroup[] = {
    {u8"NoSmoking", u8"Не курит", u8"Не курю"},
    {u8"YesSmoking", u8"Курит", u8"Курю"},
    {u8"SometimesSmoking", u8"Курит редко", u8"Редко"},
    {u8"GiveUpSmoking", u8"Бросает", u8"Бросаю"},
};
const TQuestionnaireRow kNarcoticGroup[] = {
    {u8"NoNarcotic", u8"Никогда не принимал(а)", u8"Никогда не принимал"},
    {u8"NeverNarcotic", u8"Категорически не приемлет", u8"Категорически не приемлю"},
    {u8"SometimesNarcotic", u8"Покуривает «травку»", u8"Покуриваю «травку»"},
    {u8"LightNarcotic", u8"Принимает легкие", u8"Принимаю легкие"},
    {u8"YesNarcotic", u8"Принимает тяжелые", u8"Принимаю тяжелые"},
    {u8"GiveUpNarcotic", u8"Бросает", u8"Бросаю"},
    {u8"RecoverNarcotic", u8"Выздоравливает по NA", u8"Выздоравливаю по NA"},
    {u8"ThrowNarcotic", u8"Бросил(а)", u8"Бросил"},
};
const TQuestionnaireRow kAlcoholGroup[] = {
    {u8"NoAlcohol", u8"Не пьет вообще", u8"Не пью вообще"},
    {u8"SometimesAlcohol", u8"Пьет в компаниях изредка", u8"Пью в компаниях изредка"},
    {u8"YesAlcohol", u8"Любит выпить", u8"Люблю выпить"},
};
const TQuestionnaireRow kIncomeGroup[] = {
    {u8"NonStable", u8"Непостоянные заработки", u8"Непостоянные заработки"},
    {u8"Stable", u8"Постоянный небольшой доход", u8"Постоянный небольшой доход"},
    {u8"Average", u8"Стабильный средний доход", u8"Стабильный средний доход"},
    {u8"Huge", u8"Хорошо зарабатывает", u8"Хорошо зарабатываю / обеспечен"},
};
const TQuestionnaireRow kAttractionGroup[] = {
    {u8"Underclothes", u8"Нижнее белье", u8"Нижнее белье"},
    {u8"Smell", u8"Запахи", u8"Запахи"},
    {u8"Dark", u8"Темный цвет кожи", u8"Темный цвет кожи"},
    {u8"TatuPirsing", u8"Татуировки или пирсинг", u8"Татуировки или пирсинг"},
    {u8"Jeans", u8"Джинсы", u8"Джинсы"},
    {u8"Uniform", u8"Униформа", u8"Униформа"},
    {u8"Clothes", u8"Одежда", u8"Одежда"},
    {u8"Socks", u8"Чулки", u8"Чулки"},
    {u8"Foots", u8"Обувь", u8"Обувь"},
    {u8"Skin", u8"Кожа", u8"Кожа"},
    {u8"Latex", u8"Резина, латекс", u8"Резина, латекс"},
    {u8"Metall", u8"Металл", u8"Металл"},
    {u8"Hairiness", u8"Волосатость", u8"Волосатость"},
    {u8"Women", u8"Переодевание в женскую одежду", u8"Переодевание в женскую одежду"},
};
const TQuestionnaireRow kAIDSGroup[] = {
    {u8"YesAIDS", u8"Положительным (+)", u8"Положительный (инфицирован)"},
};
const TQuestionnaireRow kLimbGroup[] = {
    {u8"10Limb", u8"до 10 см", u8"до 10 см"},
    {u8"10-15Limb", u8"10-15 см", u8"10-15 см"},
    {u8"16-20Limb", u8"16-20 см", u8"16-20 см"},
    {u8"20Limb", u8"больше 20 см", u8"больше 20 см"},
};
const TQuestionnaireRow kBustGroup[] = {
    {u8"SmallBust", u8"Маленькой", u8"Маленькая"},
    {u8"MiddleBust", u8"Средней", u8"Средняя"},
    {u8"BigBust", u8"Большой", u8"Большая"},
};
const TQuestionnaireRow kOrientationGroup[] = {
    {u8"Getero", u8"Гетеро", u8"Гетеро"},
    {u8"Bi", u8"Би ", u8" Би "},
    {u8"Gay", u8"Гей", u8"Гей"},
    {u8"Lesbi", u8"Лесби", u8"Лесби"},
};
}  // namespace

const TQuestionnaireTable QuestionnaireTables[QuestionnaireTableCount] = {
    {"TargetGroup", kTargetGroup, 14},
    {"SponsorGroup", kSponsorGroup, 3},
    {"MusicGroup", kMusicGroup, 11},
    {"LeisureGroup", kLeisureGroup, 12},
    {"MarriageMaleGroup", kMarriageMaleGroup, 4},
    {"MarriageFemaleGroup", kMarriageFemaleGroup, 4},
    {"ChildrenGroup", kChildrenGroup, 4},
    {"HairGroup", kHairGroup, 7},
    {"ZodiacGroup", kZodiacGroup, 12},
    {"FigureGroup", kFigureGroup, 6},
    {"SmokingGroup", kSmokingGroup, 4},
    {"NarcoticGroup", kNarcoticGroup, 8},
    {"AlcoholGroup", kAlcoholGroup, 3},
    {"IncomeGroup", kIncomeGroup, 4},
    {"AttractionGroup", kAttractionGroup, 14},
    {"AIDSGroup", kAIDSGroup, 1},
    {"LimbGroup", kLimbGroup, 4},
    {"BustGroup", kBustGroup, 3},
    {"OrientationGroup", kOrientationGroup, 4},
};
namespace {
const TAreaRow kCountries[] = {
    {u8"0", u8"Выберите страну..."},
    {u8"3159", u8"Россия"},
};
const TAreaRow kRegions[] = {
    {u8"0_0", u8"Выберите регион..."},
};
const TAreaRow kCities[] = {
    {u8"0_0_0", u8"Выберите город..."},
};
const TAreaRow kStations[] = {
    {u8"0_0_0_0", u8"Выберите станцию..."},
};
}  // namespace

const TAreaTable AreaTables[AreaTableCount] = {
    {"Countries", "Country", kCountries, 2},
    {"Regions", "Region", kRegions, 1},
    {"Cities", "City", kCities, 1},
    {"Stations", "Station", kStations, 1},
};
