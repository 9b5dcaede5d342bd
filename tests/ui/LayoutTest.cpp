// Every text of the window, its pages and its dialogs, at the size each opens with and with the
// longest texts they show: drawn whole inside its control and every control around it, in the
// program's font; and the elements of a card clear of each other.
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <vector>

#include "agent/dialogs/RegCodeUnit.h"
#include "platform/CpLiteral.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/QtText.h"
#include "storage/DataModuleUnit.h"
#include "UiEnv.h"
#include "UiTestSupport.h"
#include "ui/AboutAgentUnit.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonControl.h"
#include "ui/ChatPersonListControl.h"
#include "ui/ChatTabPageControl.h"
#include "ui/ContactsImportUnit.h"
#include "ui/MainAgentUnit.h"
#include "ui/dlMessages.h"

namespace {

const QString kFamily = QStringLiteral("Liberation Sans");

struct DrawnText {
    QString text;
    QFont font;
    QRect rect;  // in the control's coordinates
};

// The text a control draws, the font it draws it with, and where it lands (as the style lays it
// out, wrapped lines and all).
std::optional<DrawnText> TextOf(QWidget* w) {
    QStyle* style = w->style();
    auto place = [&](const QString& text, const QFont& font, const QRect& room, int flags) {
        return DrawnText{text, font, style->itemTextRect(QFontMetrics(font), room, flags, w->isEnabled(), text)};
    };
    if (auto* bit = qobject_cast<TBitBtn*>(w)) {
        if (bit->text().isEmpty()) return std::nullopt;
        return DrawnText{bit->text(), bit->CaptionFont(), bit->CaptionRect()};
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty()) return std::nullopt;
        const int m = label->margin();
        const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
        return place(label->text(), label->font(), room,
                     static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0));
    }
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        if (box->text().isEmpty()) return std::nullopt;
        QStyleOptionButton opt;
        opt.initFrom(box);
        opt.text = box->text();
        return place(box->text(), box->font(), style->subElementRect(QStyle::SE_CheckBoxContents, &opt, box),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic);
    }
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        if (button->text().isEmpty()) return std::nullopt;
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        return place(button->text(), button->font(), style->subElementRect(QStyle::SE_PushButtonContents, &opt, button),
                     Qt::AlignCenter | Qt::TextShowMnemonic);
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (group->title().isEmpty()) return std::nullopt;
        QStyleOptionGroupBox opt;
        opt.initFrom(group);
        opt.text = group->title();
        opt.lineWidth = 1;
        opt.textAlignment = group->alignment();
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect room = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
        return place(group->title(), group->font(), room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic);
    }
    return std::nullopt;
}

std::string PathOf(QWidget* w, QWidget* top) {
    std::string path;
    for (QWidget* p = w; p; p = p->parentWidget()) {
        path = p->objectName().toStdString() + (path.empty() ? "" : "/") + path;
        if (p == top) break;
    }
    return path;
}

std::string Str(const QRect& r) {
    return "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height()) + ")";
}

class Walk {
public:
    // Every visible control of top that draws a text.
    void Texts(QWidget* top, const std::string& where) {
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(top)) continue;
            const std::optional<DrawnText> t = TextOf(w);
            if (!t) continue;
            const std::string name = where + ": " + PathOf(w, top) + " \"" + t->text.toStdString() + "\"";
            // A wrapped check box draws its caption in a label of its own.
            QWidget* named = w->objectName().isEmpty() && w->parentWidget() ? w->parentWidget() : w;
            seen.insert(named->objectName().toStdString());
            QRect clip(w->mapTo(top, QPoint()), w->size());
            for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
                clip &= QRect(p->mapTo(top, QPoint()), p->size());
                if (p == top) break;
            }
            const QRect drawn = t->rect.translated(w->mapTo(top, QPoint()));
            if (!clip.contains(drawn)) faults.push_back(name + " drawn at " + Str(drawn) + " outside " + Str(clip));
            Font(name, t->font);
        }
    }

    // A card's texts stay in their places and meet no other element of the panel shown.
    void Card(TChatPerson* card, const std::string& where) {
        const std::string name = where + ": card \"" + ToQString(card->FullName()).toStdString() + "\"";
        Font(name, card->font());
        std::vector<TCardElement> shown;
        for (const TCardElement& e : card->Elements())
            if (e.showing) shown.push_back(e);
        auto inCard = [](const TCardElement& e, QRect r) { return e.panel == "pnTop" ? r.translated(18, 3) : r; };
        auto area = [&](const TCardElement& e) { return inCard(e, e.text.empty() ? e.rect : e.drawn); };
        int texts = 0;
        for (const TCardElement& e : shown) {
            if (e.text.empty()) continue;
            ++texts;
            QRect room = inCard(e, e.rect) & card->rect();
            if (e.panel == "pnTop") room &= card->Element("pnTop").rect;
            if (!room.contains(area(e)))
                faults.push_back(name + " " + e.name + " drawn at " + Str(area(e)) + " outside " + Str(room));
            for (const TCardElement& other : shown)
                if (other.name != e.name && other.name != e.panel && area(e).intersects(area(other)))
                    faults.push_back(name + " " + e.name + " " + Str(area(e)) + " meets " + other.name + " " +
                                     Str(area(other)));
        }
        if (texts == 0) faults.push_back(name + " shows no text");
    }

    std::vector<std::string> faults;
    std::set<std::string> seen;

private:
    void Font(const std::string& name, const QFont& font) {
        const QString family = QFontInfo(font).family();
        if (family != kFamily) faults.push_back(name + " in " + family.toStdString());
    }
};

template <class Form>
void Shown(Form* form) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    Settle();
}

}  // namespace

TEST(LayoutTest, EveryTextStaysWholeInsideItsControlAndItsCardPlace) {
    UiTestEnv env;
    auto dm = std::make_unique<TdmFriend>();
    std::string servers = "<Servers>";
    for (int i = 0; i < 1000; ++i) servers += "<Server><URL>srv" + std::to_string(i) + ".example</URL></Server>";
    UiTestEnv::Write(env.CurrentFile("AgentServers.xml"), servers + "</Servers>");
    const std::string longName = u8"Анастасия-Александра Константинопольская-Преображенская"_cp;
    const std::string area = u8"Санкт-Петербург и Ленинградская область"_cp;
    UiTestEnv::Write(env.ProgramFile("CommonFriends.xml"),
                     FriendsXml({{longName, "99", area, "http://127.0.0.1:1/long/", "1", "12", "1", "1", "1"},
                                 {u8"Маша"_cp, "25", u8"Москва"_cp, "http://127.0.0.1:1/masha/"}}));
    Walk walk;

    auto win = std::make_unique<TfrmMain>();
    Shown(win.get());
    EXPECT_EQ(QSize(308, 594), win->size());
    walk.Texts(win.get(), "contacts tab");
    TChatPersonList* list = win->ChatForm->PersonList(0);
    ASSERT_NE(nullptr, list);
    const std::string shortName = u8"Маша, 25, Москва"_cp;
    TChatPerson* open = nullptr;
    TChatPerson* other = nullptr;
    for (TChatPerson* card : list->pnPersonList->findChildren<TChatPerson*>())
        (card->FullName() == shortName ? other : open) = card;
    ASSERT_NE(nullptr, open);
    ASSERT_NE(nullptr, other);
    walk.Card(open, "collapsed");
    open->PhotoLoaded = true;  // no photo to fetch
    list->PersonClick(open);
    Settle();
    ASSERT_EQ(cpFull, open->ChatPersonStyle());
    walk.Card(open, "open");
    walk.Card(other, "collapsed beside an open card");
    // The long name is cut short in its places and shown whole as their hint.
    for (const char* e : {"lbPersonName", "lbPersonName1", "lbPersonName2"}) {
        EXPECT_NE(open->Element(e).text, open->Element(e).shown) << e;
        EXPECT_EQ(open->Element(e).text, open->Element(e).hint) << e;
    }

    for (const std::string& status :
         {u8"Выполняется импорт контактов"_cp.str(), u8"Завершился импорт контактов"_cp.str(),
          u8"Проверяются поступления новых сообщений"_cp.str(), u8"Ошибка соединения с сервером"_cp.str(),
          u8"Завершилась проверка поступления новых сообщений"_cp.str()}) {
        win->StatusBar->SetPanelText(0, status);
        Settle();
        walk.Texts(win->StatusBar, "status bar");
    }

    win->SelectTab(win->tpImport);
    Settle();
    EXPECT_EQ(u8"Сервер (всего 1000 серверов)"_cp, win->ImportForm->gbServer->Caption());
    walk.Texts(win.get(), "settings tab");

    TfrmRegCode code;
    Shown(&code);
    walk.Texts(&code, "code dialog");
    TAboutBox about;
    Shown(&about);
    walk.Texts(&about, "about box");

    struct Box {
        std::string text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
    };
    const Box boxes[] = {
        {u8"Выйти из программы Velmora Agent?"_cp, mtInformation, {mbYes, mbNo}},
        {u8"Очистить \"Общая папка\" и \"Избранные пользователи\"?"_cp, mtInformation, {mbYes, mbNo}},
        {u8"Удалить контакт \""_cp + longName + "\"?", mtInformation, {mbYes, mbNo}},
        {u8"Импорт контактов завершен."_cp, mtCustom, {mbOK}},
        {u8"Необходимо сначала ввести новое имя сервера!"_cp, mtCustom, {mbOK}},
        {u8"Такое имя уже есть в списке!"_cp, mtCustom, {mbOK}},
        {u8"Необходимо сначала выбрать строку для удаления!"_cp, mtCustom, {mbOK}},
        {u8"Кнопка заблокирована до завершения импорта!"_cp, mtCustom, {mbOK}},
    };
    for (const Box& b : boxes) {
        std::unique_ptr<TForm> box(dlgMessages->CreateDialog(b.text, b.type, b.buttons));
        Shown(box.get());
        walk.Texts(box.get(), "message box");
    }
    // The framework's plain box of a failed login, and its error box.
    const std::pair<std::string, TMsgDlgType> plainBoxes[] = {
        {u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp,
         mtCustom},
        {FileReadErrorText(env.ProgramFile("CommonFriends.xml"), "Cannot open file"), mtError},
    };
    for (const auto& [text, type] : plainBoxes) {
        std::unique_ptr<TForm> plain(CreateMessageDialog(text, type, {mbOK}));
        Shown(plain.get());
        walk.Texts(plain.get(), "plain box");
    }

    for (const std::string& f : walk.faults) ADD_FAILURE() << f;
    // The walk reached the texts it is about.
    for (const char* name : {"lbPassword", "lbTabName", "lbCaption", "Panel0", "gbServer", "cbRegCode",
                             "lbTitle", "lbCode", "btnOK", "cbNextCode", "ProductNameLabel", "Message", "Yes"})
        EXPECT_EQ(1u, walk.seen.count(name)) << name;
}
