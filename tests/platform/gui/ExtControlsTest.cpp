#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/CpLiteral.h"
#include "platform/gui/ActnMan.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/OwnInput.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StdCtrls.h"
#include "support/gui/GuiTest.h"

namespace {

QPoint ItemCheckPoint(TCheckListBox& list, int row) {
    const QRect r = list.visualItemRect(list.item(row));
    return QPoint(r.left() + 8, r.center().y());  // the tick indicator at the item's left
}

}  // namespace

TEST(CheckListBoxTest, TheUsersTickMakesItsItemCurrentAndProgramTicksFireNothing) {
    TCheckListBox list;
    list.resize(200, 120);
    list.SetItems({"a", "b", u8"сервер"_cp});
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    int fired = 0;
    int currentAtEvent = -2;
    list.OnClickCheck = [&](TObject* sender) {
        EXPECT_EQ(&list, sender);
        ++fired;
        currentAtEvent = list.ItemIndex();
    };
    list.SetChecked(0, true);
    list.Add("d");
    EXPECT_EQ(0, fired);
    EXPECT_EQ(4, list.Count());
    EXPECT_EQ(u8"сервер"_cp, list.Items(2));
    EXPECT_TRUE(list.Checked(0));
    EXPECT_FALSE(list.Checked(5));

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, ItemCheckPoint(list, 2));
    EXPECT_EQ(1, fired);
    EXPECT_EQ(2, currentAtEvent);
    EXPECT_TRUE(list.Checked(2));
    EXPECT_TRUE(list.Checked(0));  // the box itself does not untick others
    list.Clear();
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(1, fired);
}

TEST(ExtControlsTest, GroupBoxSpeedButtonProgressBarAndStatusBar) {
    TGroupBox box;
    box.SetCaption(u8"Сервер (всего 3 серверов)"_cp);
    EXPECT_EQ(QString::fromUtf16(u"Сервер (всего 3 серверов)"), box.title());

    TSpeedButton button;
    QImage glyph(20, 20, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    glyph.setPixel(5, 5, qRgb(0, 0, 0));
    button.SetGlyph(QPixmap::fromImage(glyph));
    int clicks = 0;
    button.OnClick = [&](TObject* s) {
        EXPECT_EQ(&button, s);
        ++clicks;
    };
    button.Click();
    button.setEnabled(false);
    button.Click();
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(QSize(20, 20), button.iconSize());
    // The see-through colour is gone from what the icon shows; the drawn pixel stays.
    const QImage shown = button.icon().pixmap(20, 20).toImage();
    EXPECT_EQ(0, qAlpha(shown.pixel(0, 19)));
    EXPECT_EQ(255, qAlpha(shown.pixel(5, 5)));

    TProgressBar bar;
    EXPECT_EQ(0, bar.Position());
    bar.SetMax(2);
    bar.SetPosition(1);
    EXPECT_EQ(1, bar.Position());
    bar.SetPosition(7);
    EXPECT_EQ(2, bar.Position());

    QWidget window;
    auto* status = new TStatusBar(&window);
    status->SetPanelText(0, u8"Выполняется импорт контактов"_cp);
    status->showMessage(QStringLiteral("menu tip"));
    EXPECT_EQ(u8"Выполняется импорт контактов"_cp, status->PanelText(0));
    window.show();
    EXPECT_TRUE(status->Panel(0)->isVisible());  // a temporary message hides no permanent panel
    EXPECT_EQ("", status->PanelText(3));
}

TEST(ExtControlsTest, TheValidatorKeepsOnlyCharactersOfCodePage1251) {
    TEdit edit;
    edit.setValidator(new TCp1251Validator(&edit));
    edit.show();
    edit.setFocus();
    TypeText(&edit, QString::fromUtf16(u"пар✓о\U0001F600ль"));
    EXPECT_EQ(QString::fromUtf16(u"пароль"), edit.text());
    EXPECT_EQ(6, edit.cursorPosition());
    QApplication::clipboard()->setText(QString::fromUtf16(u"€✓\U0001F600ё"));
    edit.paste();
    EXPECT_EQ(QString::fromUtf16(u"пароль€ё"), edit.text());
    EXPECT_EQ(u8"пароль€ё"_cp, edit.Text());
    edit.setText(QString::fromUtf16(u"a✓b"));
    EXPECT_EQ(QStringLiteral("ab"), edit.text());
    // Every character of the code page stays, the unassigned byte 0x98 included.
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const QString q = ToQString(one);
        ASSERT_EQ(1, q.size());
        EXPECT_TRUE(TCp1251Validator::Holds(q[0])) << b;
    }
}

TEST(ActionTest, ActionsDriveTheMenuAndHiddenOnesShowNoItem) {
    QWidget window;
    TActionList list(&window);
    TAction* files = list.Add("acFiles", u8"Файл"_cp);
    TAction* import = list.Add("acImport", u8"Импортировать контакты"_cp);
    TAction* del = list.Add("acDeleteRecord", u8"Удалить контакт"_cp);
    TAction* hidden = list.Add("acSettings", u8"Настройки"_cp);
    TAction* exit = list.Add("acExit", u8"Выход"_cp);
    hidden->SetVisible(false);
    auto* bar = new TActionMainMenuBar(&window);
    QMenu* menu = bar->AddCategory(files, {import, del, hidden, nullptr, exit});
    EXPECT_EQ(5, list.Count());
    EXPECT_EQ(del, list.Find("acDeleteRecord"));
    EXPECT_EQ(nullptr, list.Find("acNothing"));

    std::vector<QString> shown;
    for (QAction* a : menu->actions()) shown.push_back(a->isSeparator() ? QStringLiteral("-") : a->isVisible() ? a->text() : QString());
    ASSERT_EQ(5u, shown.size());
    EXPECT_EQ(QString::fromUtf16(u"Импортировать контакты"), shown[0]);
    EXPECT_EQ(QString(), shown[2]);
    EXPECT_EQ(QStringLiteral("-"), shown[3]);
    EXPECT_EQ(QString::fromUtf16(u"Файл"), menu->title());

    // A menu glyph's key colour, its bottom-left pixel's, is see-through; the drawing is not.
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) glyph.setPixel(x, y, qRgb(0, 128, 0));
    import->SetImage(QPixmap::fromImage(glyph));
    const QImage shownGlyph = import->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(QSize(16, 16), shownGlyph.size());
    EXPECT_EQ(0, qAlpha(shownGlyph.pixel(0, 0)));
    EXPECT_EQ(0, qAlpha(shownGlyph.pixel(15, 15)));
    EXPECT_EQ(qRgb(0, 128, 0), shownGlyph.pixel(7, 7));
    import->SetImage(QPixmap());
    EXPECT_TRUE(import->icon().isNull());

    int runs = 0;
    del->OnExecute = [&](TObject* s) {
        EXPECT_EQ(del, s);
        ++runs;
        throw Exception("kept inside");
    };
    std::string error;
    Application->OnException = [&](const std::string& m) { error = m; };
    del->trigger();
    EXPECT_TRUE(del->Execute());
    del->SetEnabled(false);
    del->trigger();
    EXPECT_FALSE(del->Execute());
    Application->OnException = nullptr;
    EXPECT_EQ(2, runs);
    EXPECT_EQ("kept inside", error);
    EXPECT_FALSE(import->Execute());  // no handler
    // A hidden action keeps its own enabled state (Qt would report it disabled) and executes.
    int hiddenRuns = 0;
    hidden->OnExecute = [&](TObject*) { ++hiddenRuns; };
    EXPECT_TRUE(hidden->Enabled());
    EXPECT_TRUE(hidden->Execute());
    hidden->SetEnabled(false);
    hidden->SetVisible(true);
    EXPECT_FALSE(hidden->Enabled());
    EXPECT_FALSE(hidden->isEnabled());
    EXPECT_EQ(1, hiddenRuns);
}

TEST(OwnInputTest, OnlyPressesThatReachTheWindowItselfFire) {
    QWidget window;
    window.resize(300, 200);
    auto* edit = new TEdit(&window);
    edit->setGeometry(10, 10, 100, 20);
    auto* label = new QLabel(QStringLiteral("name"), &window);
    label->setGeometry(10, 50, 100, 20);
    auto* inner = new QWidget(&window);
    inner->setGeometry(150, 100, 100, 80);
    TOwnInputEvents own(&window);
    std::vector<std::string> seen;
    own.OnKeyDown = [&](int key) { seen.push_back("kd" + std::to_string(key)); };
    own.OnKeyUp = [&](int key) { seen.push_back("ku" + std::to_string(key)); };
    own.OnMouseDown = [&](Qt::MouseButton, QPoint) { seen.push_back("md"); };
    own.OnMouseUp = [&](Qt::MouseButton, QPoint) { seen.push_back("mu"); };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F5);  // the edit ignores F5, so Qt hands it on to the window
    QTest::keyClick(edit, Qt::Key_A);
    QTest::mouseClick(label, Qt::LeftButton);  // a label ignores clicks: they reach the window too
    QTest::mouseClick(inner, Qt::LeftButton);
    EXPECT_TRUE(seen.empty());

    window.setFocus();
    QTest::keyClick(&window, Qt::Key_F5);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(280, 20));
    const std::vector<std::string> want = {"kd" + std::to_string(Qt::Key_F5), "ku" + std::to_string(Qt::Key_F5),
                                           "md", "mu"};
    EXPECT_EQ(want, seen);
}
