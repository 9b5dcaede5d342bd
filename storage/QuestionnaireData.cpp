// The questionnaire dictionary of the site's profile form and the placeholder rows of the area
// tables. Generated once from the site's tables; every value is kept byte for byte, blanks and
// odd spellings included, since the site's forms use exactly these texts.
#include "storage/QuestionnaireData.h"
#include "platform/CpLiteral.h"

namespace {
const TQuestionnaireRow kTargetGroup[] = {
    {"Friendship", u8"Дружба и общение"_cp, u8"Дружба и общение"_cp},
    {"Email", u8"Переписка"_cp, u8"Переписка"_cp},
    {"Love", u8"Любовь, отношения"_cp, u8"Любовь, отношения"_cp},
    {"RegSex", u8"Регулярный секс вдвоем"_cp, u8"Регулярный секс вдвоем"_cp},
    {"SomeSex", u8"Секс на один-два раза"_cp, u8"Секс на один-два раза"_cp},
    {"Group", u8"Групповой секс"_cp, u8"Групповой секс"_cp},
    {"Virt", u8"Виртуальный секс"_cp, u8"Виртуальный секс"_cp},
    {"Intim", u8"Предлагает интим за деньги"_cp, u8"Предлагаю интим за деньги"_cp},
    {"IntimBuy", u8"Ищет интим за деньги"_cp, u8"Ищу интим за деньги"_cp},
    {"Family", u8"Брак, создание семьи"_cp, u8"Брак, создание семьи"_cp},
    {"Child", u8"Рождение, воспитание ребенка"_cp, u8"Рождение, воспитание ребенка"_cp},
    {"Fiktive", u8"Брак для вида"_cp, u8"Брак «для вида»"_cp},
    {"Rent", u8"Совместная аренда жилья"_cp, u8"Совместная аренда жилья"_cp},
    {"Sport", u8"Занятия спортом"_cp, u8"Занятия спортом"_cp},
};
const TQuestionnaireRow kSponsorGroup[] = {
    {"LookFor", u8"Хочет найти спонсора"_cp, u8"Хочу найти спонсора"_cp},
    {"Iam", u8"Готов(а) стать спонсором"_cp, u8"стать спонсором"_cp},
    {"No", u8"Не нуждается в спонсоре и не хочет им быть"_cp, u8"Не нуждаюсь в спонсоре и не хочу им быть"_cp},
};
const TQuestionnaireRow kMusicGroup[] = {
    {"RussianMusic", u8"Русскую поп-музыку"_cp, u8"Русская поп-музыка"_cp},
    {"ForeignMusic", u8"Иностранную поп-музыку"_cp, u8"Иностранная поп-музыка"_cp},
    {"BardMusic", u8"Бардов, авторскую песню"_cp, u8"Барды, авторская песня"_cp},
    {"RussianRockMusic", u8"Русский рок"_cp, u8"Русский рок"_cp},
    {"BluesMusic", u8"Блюз, джаз"_cp, u8"Блюз, джаз"_cp},
    {"EtnicMusic", u8"Этническую, нью-эйдж"_cp, u8"Этническая, нью-эйдж"_cp},
    {"RapMusic", u8"Рэп"_cp, u8"Рэп"_cp},
    {"ClassicMusic", u8"Классическую"_cp, u8"Классическа"_cp},
    {"DanceMusic", u8"Танцевальную музыку"_cp, u8"Танцевальная музыка"_cp},
    {"RockMusic", u8"Рок, металл"_cp, u8"Рок, металл"_cp},
    {"ElectronicMusic", u8"Электронную"_cp, u8"Электронная"_cp},
};
const TQuestionnaireRow kLeisureGroup[] = {
    {"Run", u8"Бегом"_cp, u8"Бег"_cp},
    {"Walk", u8"Прогулками"_cp, u8"Прогулки"_cp},
    {"Fitness", u8"Фитнесом"_cp, u8"Фитнес"_cp},
    {"Swim", u8"Плаванием"_cp, u8"Плавание"_cp},
    {"ByCicle", u8"Велосипедом"_cp, u8"Велосипед"_cp},
    {"SkateBoard", u8"Скейтбордом"_cp, u8"Скейтборд"_cp},
    {"Roller", u8"Роликами"_cp, u8"Ролики"_cp},
    {"Ski", u8"Лыжами, сноубордом"_cp, u8"Лыжи, сноуборд"_cp},
    {"Daiving", u8"Подводным плаванием"_cp, u8"Подводное плавание"_cp},
    {"Serfing", u8"Серфингом"_cp, u8"Серфинг"_cp},
    {"Fighting", u8"Восточными единоборствами"_cp, u8"Восточные единоборства"_cp},
    {"Ioga", u8"Медитацией, йогой"_cp, u8"Медитация, йога"_cp},
};
const TQuestionnaireRow kMarriageMaleGroup[] = {
    {"TogetherMarriage", u8"Да, живут вместе"_cp, u8"Да, женат, живем вместе"_cp},
    {"ApartMarriage", u8"Да, живут порознь"_cp, u8"Да, женат, живем порознь"_cp},
    {"FictiveMarriage", u8"Да, «для вида»"_cp, u8"Да, женат, «для вида»"_cp},
    {"NoMarriage", u8"Нет"_cp, u8"Нет, не женат"_cp},
};
const TQuestionnaireRow kMarriageFemaleGroup[] = {
    {"TogetherMarriage", u8"Да, живут вместе"_cp, u8"Да, замужем, живем вместе"_cp},
    {"ApartMarriage", u8"Да, живут порознь"_cp, u8"Да, замужем, живем порознь"_cp},
    {"FictiveMarriage", u8"Да, «для вида»"_cp, u8"Да, замужем, «для вида»"_cp},
    {"NoMarriage", u8"Нет"_cp, u8"Нет, не замужем"_cp},
};
const TQuestionnaireRow kChildrenGroup[] = {
    {"NoChildren", u8"Нет"_cp, u8"Нет"_cp},
    {"WantChildren", u8"Нет, но хотел(а) бы"_cp, u8"Нет, но хотелось бы"_cp},
    {"TogetherChildren", u8"Есть, живут вместе"_cp, u8"Есть, живем вместе"_cp},
    {"ApartChildren", u8"Есть, живут порознь"_cp, u8"Есть, живем порознь"_cp},
};
const TQuestionnaireRow kHairGroup[] = {
    {"LightHair", u8"Светлыми"_cp, u8"Светлые"_cp},
    {"DarkHair", u8"Темными"_cp, u8"Темные"_cp},
    {"RedHair", u8"Рыжими"_cp, u8"Рыжие"_cp},
    {"MelirovanieHair", u8"Мелированными"_cp, u8"Мелированные"_cp},
    {"RichHair", u8"Яркими"_cp, u8"Яркие"_cp},
    {"GreyHair", u8"Седыми"_cp, u8"Седые"_cp},
    {"CleanHair", u8"Головой бритой наголо"_cp, u8"Голова бритая наголо"_cp},
};
const TQuestionnaireRow kZodiacGroup[] = {
    {"oven", u8"Овен"_cp, u8"Овен"_cp},
    {"telez", u8"Телец"_cp, u8"Телец"_cp},
    {"bliznezi", u8"Близнецы"_cp, u8"Близнецы"_cp},
    {"rak", u8"Рак"_cp, u8"Рак"_cp},
    {"lev", u8"Лев"_cp, u8"Лев"_cp},
    {"deva", u8"Дева"_cp, u8"Дева"_cp},
    {"vesi", u8"Весы"_cp, u8"Весы"_cp},
    {"skorpion", u8"Скорпион"_cp, u8"Скорпион"_cp},
    {"strelez", u8"Стрелец"_cp, u8"Стрелец"_cp},
    {"kozerog", u8"Козерог"_cp, u8"Козерог"_cp},
    {"vodoley", u8"Водолей"_cp, u8"Водолей"_cp},
    {"ribi", u8"Рыбы"_cp, u8"Рыбы"_cp},
};
const TQuestionnaireRow kFigureGroup[] = {
    {"ThinFigure", u8"Худощавым"_cp, u8"Худощавое"_cp},
    {"NormalFigure", u8"Обычным"_cp, u8"Обычное"_cp},
    {"SportsFigure", u8"Спортивным"_cp, u8"Спортивное"_cp},
    {"AthleticFigure", u8"Мускулистым"_cp, u8"Мускулистое"_cp},
    {"ThickFigure", u8"Плотным"_cp, u8"Плотное"_cp},
    {"StoutFigure", u8"Полным"_cp, u8"Полное"_cp},
};
const TQuestionnaireRow kSmokingGroup[] = {
    {"NoSmoking", u8"Не курит"_cp, u8"Не курю"_cp},
    {"YesSmoking", u8"Курит"_cp, u8"Курю"_cp},
    {"SometimesSmoking", u8"Курит редко"_cp, u8"Редко"_cp},
    {"GiveUpSmoking", u8"Бросает"_cp, u8"Бросаю"_cp},
};
const TQuestionnaireRow kNarcoticGroup[] = {
    {"NoNarcotic", u8"Никогда не принимал(а)"_cp, u8"Никогда не принимал"_cp},
    {"NeverNarcotic", u8"Категорически не приемлет"_cp, u8"Категорически не приемлю"_cp},
    {"SometimesNarcotic", u8"Покуривает «травку»"_cp, u8"Покуриваю «травку»"_cp},
    {"LightNarcotic", u8"Принимает легкие"_cp, u8"Принимаю легкие"_cp},
    {"YesNarcotic", u8"Принимает тяжелые"_cp, u8"Принимаю тяжелые"_cp},
    {"GiveUpNarcotic", u8"Бросает"_cp, u8"Бросаю"_cp},
    {"RecoverNarcotic", u8"Выздоравливает по NA"_cp, u8"Выздоравливаю по NA"_cp},
    {"ThrowNarcotic", u8"Бросил(а)"_cp, u8"Бросил"_cp},
};
const TQuestionnaireRow kAlcoholGroup[] = {
    {"NoAlcohol", u8"Не пьет вообще"_cp, u8"Не пью вообще"_cp},
    {"SometimesAlcohol", u8"Пьет в компаниях изредка"_cp, u8"Пью в компаниях изредка"_cp},
    {"YesAlcohol", u8"Любит выпить"_cp, u8"Люблю выпить"_cp},
};
const TQuestionnaireRow kIncomeGroup[] = {
    {"NonStable", u8"Непостоянные заработки"_cp, u8"Непостоянные заработки"_cp},
    {"Stable", u8"Постоянный небольшой доход"_cp, u8"Постоянный небольшой доход"_cp},
    {"Average", u8"Стабильный средний доход"_cp, u8"Стабильный средний доход"_cp},
    {"Huge", u8"Хорошо зарабатывает"_cp, u8"Хорошо зарабатываю / обеспечен"_cp},
};
const TQuestionnaireRow kAttractionGroup[] = {
    {"Underclothes", u8"Нижнее белье"_cp, u8"Нижнее белье"_cp},
    {"Smell", u8"Запахи"_cp, u8"Запахи"_cp},
    {"Dark", u8"Темный цвет кожи"_cp, u8"Темный цвет кожи"_cp},
    {"TatuPirsing", u8"Татуировки или пирсинг"_cp, u8"Татуировки или пирсинг"_cp},
    {"Jeans", u8"Джинсы"_cp, u8"Джинсы"_cp},
    {"Uniform", u8"Униформа"_cp, u8"Униформа"_cp},
    {"Clothes", u8"Одежда"_cp, u8"Одежда"_cp},
    {"Socks", u8"Чулки"_cp, u8"Чулки"_cp},
    {"Foots", u8"Обувь"_cp, u8"Обувь"_cp},
    {"Skin", u8"Кожа"_cp, u8"Кожа"_cp},
    {"Latex", u8"Резина, латекс"_cp, u8"Резина, латекс"_cp},
    {"Metall", u8"Металл"_cp, u8"Металл"_cp},
    {"Hairiness", u8"Волосатость"_cp, u8"Волосатость"_cp},
    {"Women", u8"Переодевание в женскую одежду"_cp, u8"Переодевание в женскую одежду"_cp},
};
const TQuestionnaireRow kAIDSGroup[] = {
    {"YesAIDS", u8"Положительным (+)"_cp, u8"Положительный (инфицирован)"_cp},
};
const TQuestionnaireRow kLimbGroup[] = {
    {"10Limb", u8"до 10 см"_cp, u8"до 10 см"_cp},
    {"10-15Limb", u8"10-15 см"_cp, u8"10-15 см"_cp},
    {"16-20Limb", u8"16-20 см"_cp, u8"16-20 см"_cp},
    {"20Limb", u8"больше 20 см"_cp, u8"больше 20 см"_cp},
};
const TQuestionnaireRow kBustGroup[] = {
    {"SmallBust", u8"Маленькой"_cp, u8"Маленькая"_cp},
    {"MiddleBust", u8"Средней"_cp, u8"Средняя"_cp},
    {"BigBust", u8"Большой"_cp, u8"Большая"_cp},
};
const TQuestionnaireRow kOrientationGroup[] = {
    {"Getero", u8"Гетеро"_cp, u8"Гетеро"_cp},
    {"Bi", u8"Би "_cp, u8" Би "_cp},
    {"Gay", u8"Гей"_cp, u8"Гей"_cp},
    {"Lesbi", u8"Лесби"_cp, u8"Лесби"_cp},
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
    {"0", u8"Выберите страну..."_cp},
    {"3159", u8"Россия"_cp},
};
const TAreaRow kRegions[] = {
    {"0_0", u8"Выберите регион..."_cp},
};
const TAreaRow kCities[] = {
    {"0_0_0", u8"Выберите город..."_cp},
};
const TAreaRow kStations[] = {
    {"0_0_0_0", u8"Выберите станцию..."_cp},
};
}  // namespace

const TAreaTable AreaTables[AreaTableCount] = {
    {"Countries", "Country", kCountries, 2},
    {"Regions", "Region", kRegions, 1},
    {"Cities", "City", kCities, 1},
    {"Stations", "Station", kStations, 1},
};
