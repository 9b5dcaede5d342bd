#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <random>

#include "agent/CheckMessagesClass.h"
#include "agent/OnLineFriendsUnit.h"
#include "platform/CpLiteral.h"
#include "platform/gui/ActnMan.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/TImage.h"
#include "platform/gui/TTimer.h"
#include "site/StandInSite.h"
#include "storage/DataModuleUnit.h"
#include "support/gui/GuiTest.h"
#include "UiEnv.h"
#include "ui/AboutAgentUnit.h"
#include "ui/ChatTabPageControl.h"
#include "ui/ContactsImportUnit.h"
#include "ui/MainAgentUnit.h"
#include "ui/NewMessageMarks.h"
#include "ui/ChatFormUnit.h"
#include "ui/FileReadErrors.h"
#include "ui/GradientButtonControl.h"


namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TdmFriend>(); }
    void TearDown() override {
        win.reset();
        if (server) server->Stop();
        dm.reset();
    }
    void Make() {
        win = std::make_unique<TfrmMain>();
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    }
    // Saved settings with the scan on, as a user's earlier save leaves them.
    void ScanOn() {
        dm->Settings->OnLineScan = 1;
        dm->Settings->AgentServer = "127.0.0.1:1";
    }
    int RunState() const { return win->OnLineFriends->RunState(); }
    void StartSite(site::SiteState state = site::DefaultState()) {
        server = std::make_unique<site::StandInSite>(std::move(state));
        server->Start();
        dm->Settings->AgentServer = server->Host();
        dm->Settings->login = "velmora";
        dm->Settings->SetPassword("secret");
    }

    UiTestEnv env;
    std::unique_ptr<TdmFriend> dm;
    std::unique_ptr<TfrmMain> win;
    std::unique_ptr<site::StandInSite> server;
};

TEST_F(MainWindowTest, AFirstRunHasNoScanAndNoTimer) {
    Make();
    EXPECT_EQ("Velmora Agent", win->Caption());
    EXPECT_EQ(QSize(308, 594), win->size());
    EXPECT_EQ(308, win->minimumWidth());
    EXPECT_EQ(0, RunState());
    EXPECT_FALSE(win->TimerCheckMessage->Enabled());
    EXPECT_EQ(90000, win->TimerCheckMessage->Interval());
    ASSERT_NE(nullptr, win->ImportForm);
    EXPECT_EQ(win->pnTabImport, win->ImportForm->parentWidget());
    EXPECT_FALSE(win->pnTabImport->isVisible());
    EXPECT_TRUE(win->pnTabPersonList->isVisible());
    EXPECT_EQ(tsSelected, win->tpFavorites->TabStyle());
    EXPECT_EQ(tsNone, win->tpImport->TabStyle());
    EXPECT_EQ(QRect(0, 2, 89, 22), win->tpFavorites->geometry());
    EXPECT_EQ(QRect(96, 2, 97, 22), win->tpImport->geometry());
    EXPECT_EQ(0, win->ActionMainMenuBar->y());
    EXPECT_EQ(24, win->ActionMainMenuBar->height());
    EXPECT_EQ(24, win->pnTabs->y());
    EXPECT_EQ(win->height(), win->StatusBar->geometry().bottom() + 1);
    EXPECT_EQ(2, win->pnBottomBorder->height());
    EXPECT_EQ(win->StatusBar->y(), win->pnBottomBorder->geometry().bottom() + 1);
}

TEST_F(MainWindowTest, AtItsLeastHeightTheStatusBarStaysBelowTheTabs) {
    Make();
    win->resize(308, 60);
    QApplication::processEvents();
    EXPECT_EQ(200, win->height());
    EXPECT_GT(win->StatusBar->y(), win->pnTabs->geometry().bottom());
}

TEST_F(MainWindowTest, OnlyPressesOnTheWindowItselfPauseAndResumeTheScan) {
    ScanOn();
    Make();
    win->OnLineFriends->Stop();  // showing the window resized it, which paused and resumed
    win->OnLineFriends->Start();
    EXPECT_EQ(1, RunState());
    win->setFocus();
    QTest::keyPress(win.get(), Qt::Key_F5);
    EXPECT_EQ(3, RunState());
    QTest::keyRelease(win.get(), Qt::Key_F5);
    EXPECT_EQ(2, RunState());
    QTest::keyPress(win.get(), Qt::Key_F5);
    EXPECT_EQ(3, RunState());
    QTest::keyRelease(win.get(), Qt::Key_F5);
    EXPECT_EQ(2, RunState());

    QTest::mousePress(win.get(), Qt::LeftButton, {}, QPoint(250, 34));  // the bar beside the tabs
    EXPECT_EQ(2, RunState()) << "the tab bar panel is a control of the window";
    win->SelectTab(win->tpImport);
    TEdit* login = win->ImportForm->edLogin;
    login->setFocus();
    QTest::keyClick(login, Qt::Key_F5);  // the edit leaves it, Qt hands it on to the window
    QTest::keyClick(login, Qt::Key_A);
    QTest::mouseClick(win->ImportForm->lbLogin, Qt::LeftButton);
    EXPECT_EQ(2, RunState());
    EXPECT_EQ("a", login->Text());
}

TEST_F(MainWindowTest, TabsResizeAboutAndExitPauseAndResume) {
    ScanOn();
    Make();
    QTest::mouseClick(win->tpImport->lbTabName, Qt::LeftButton);
    EXPECT_EQ(tsSelected, win->tpImport->TabStyle());
    EXPECT_TRUE(win->pnTabImport->isVisible());
    EXPECT_TRUE(win->acFavorites->Enabled());
    EXPECT_EQ(2, RunState());
    win->OnLineFriends->Stop();
    win->OnLineFriends->Start();
    win->resize(400, 600);
    EXPECT_EQ(2, RunState());

    win->OnLineFriends->Stop();
    win->OnLineFriends->Start();
    int stateInBox = -1;
    ModalAnswerer about([&](QWidget* box) {
        stateInBox = RunState();
        auto* form = qobject_cast<TAboutBox*>(box);
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(u8"О программе"_cp, form->Caption());
        EXPECT_EQ(QSize(368, 159), form->size());
        EXPECT_EQ("Velmora Agent", form->ProductNameLabel->Caption());
        EXPECT_EQ(u8"Версия 1.0 Beta"_cp, form->VersionLabel->Caption());
        EXPECT_EQ(QRect(147, 124, 75, 25), form->OKButton->geometry());
        EXPECT_TRUE(form->OKButton->Default());
        EXPECT_TRUE(form->ProductNameLabel->font().bold());
        EXPECT_EQ(16, form->ProductNameLabel->font().pixelSize());
        EXPECT_EQ(QSize(32, 32), form->ProgramIcon->size());
        // The icon's key colour shows the panel through it.
        const QImage icon = form->ProgramIcon->grab().toImage();
        EXPECT_EQ(form->Panel1->palette().color(QPalette::Window).rgb(), icon.pixel(0, 31) | 0xFF000000u);
        PressButton(box, "OK");
    });
    win->acAbout->Execute();
    EXPECT_EQ(3, stateInBox);
    EXPECT_EQ(2, RunState());

    // "Нет", Escape and the close box keep the window open and the scan running.
    win->OnLineFriends->Stop();
    win->OnLineFriends->Start();
    std::vector<int> states;
    auto no = [&](QWidget* box) {
        states.push_back(RunState());
        PressButton(box, u8"Нет"_cp);
    };
    auto escape = [&](QWidget* box) {
        states.push_back(RunState());
        PressKey(box, Qt::Key_Escape);
    };
    ModalAnswerer question(std::vector<ModalAnswerer::Action>{no, escape, no});
    win->acExit->Execute();
    win->acExit->Execute();
    win->close();
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(3u, question.Seen().size());
    EXPECT_EQ(u8"Выйти из программы Velmora Agent?"_cp, question.First().text);
    EXPECT_EQ((std::vector<std::string>{u8"Да"_cp, u8"Нет"_cp}), question.First().buttons);
    EXPECT_EQ((std::vector<int>{3, 3, 2}), states);  // the close box asks without a pause
    EXPECT_EQ(2, RunState());
    ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
    win->acExit->Execute();
    EXPECT_FALSE(win->isVisible());
}

TEST_F(MainWindowTest, SavesStartStopOrKeepTheScanAndSetTheTimer) {
    ScanOn();
    Make();
    TfrmImport* page = win->ImportForm;
    page->cbOnLineScan->SetChecked(false);
    page->btnSaveSettingsClick();
    EXPECT_EQ(0, RunState());
    EXPECT_FALSE(win->TimerCheckMessage->Enabled());
    page->cbOnLineScan->SetChecked(true);
    page->cbMessageScan->SetChecked(true);
    page->btnSaveSettingsClick();
    EXPECT_EQ(1, RunState());
    EXPECT_TRUE(win->TimerCheckMessage->Enabled());
    win->PauseOnlineScan();
    page->btnSaveSettingsClick();
    EXPECT_EQ(3, RunState());
}

TEST_F(MainWindowTest, ScheduledChecksPauseAndReportFailedLogins) {
    site::SiteState state = site::DefaultState();
    state.password = "other";
    ScanOn();
    StartSite(state);
    Make();
    win->CheckMessages->Busy = true;
    win->CheckMessageTimer();
    EXPECT_EQ(3, RunState());
    EXPECT_TRUE(server->Log().empty());
    win->CheckMessages->Busy = false;
    win->ResumeOnlineScan();
    win->CheckMessageTimer();
    EXPECT_EQ(u8"Ошибка соединения с сервером"_cp, win->StatusText());
    EXPECT_EQ(3, RunState());
    EXPECT_EQ(2u, server->Requests("login-post").size());
}

TEST_F(MainWindowTest, TheMenuAndItsHiddenActions) {
    Make();
    const auto menus = win->ActionMainMenuBar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(2, menus.size());
    auto items = [](QMenu* m) {
        std::vector<std::string> out;
        for (QAction* a : m->actions())
            if (a->isSeparator())
                out.push_back("-");
            else if (a->isVisible())
                out.push_back(FromQString(a->text()));
        return out;
    };
    EXPECT_EQ(u8"Файл"_cp, FromQString(menus[0]->title()));
    EXPECT_EQ((std::vector<std::string>{u8"Импортировать контакты"_cp, u8"Удалить контакт"_cp, u8"Очистить Контакты"_cp, "-",
                                        u8"Выход"_cp}),
              items(menus[0]));
    EXPECT_EQ(u8"Справка"_cp, FromQString(menus[1]->title()));
    EXPECT_EQ(std::vector<std::string>{u8"О программе"_cp}, items(menus[1]));
    for (const char* name : {"acFavorites", "acSettings", "acAdition"}) {
        TAction* a = win->ActionManager->Find(name);
        ASSERT_NE(nullptr, a) << name;
        EXPECT_FALSE(a->Visible());
    }
    EXPECT_FALSE(win->acDeleteRecord->Enabled());
    EXPECT_FALSE(win->acFavorites->Enabled());
    win->acImport->trigger();
    EXPECT_TRUE(win->pnTabImport->isVisible());
    EXPECT_FALSE(win->ImportForm->ImportRunning());
    EXPECT_TRUE(win->acFavorites->Enabled());
    win->acFavorites->Execute();
    EXPECT_TRUE(win->pnTabPersonList->isVisible());
    EXPECT_FALSE(win->acFavorites->Enabled());
}

TEST_F(MainWindowTest, ImportStartAndEndDriveTheTimerAndASaveMeanwhileKeepsItOff) {
    site::SiteState state = site::DefaultState();
    StartSite(state);
    UiTestEnv::Write(env.CurrentFile("AgentServers.xml"), "<Servers><Server><URL>" + server->Host() + "</URL></Server></Servers>");
    Make();
    TfrmImport* page = win->ImportForm;
    EXPECT_FALSE(win->TimerCheckMessage->Enabled());
    // A failed login ends the run at once: the status and the timer as after any import.
    dm->Settings->SetPassword("wrong");
    {
        ModalAnswerer box(ModalAnswerer::Press("OK"));
        page->btnImportClick();
        EXPECT_TRUE(box.Done());
    }
    EXPECT_EQ(u8"Завершился импорт контактов"_cp, win->StatusText());
    EXPECT_TRUE(win->TimerCheckMessage->Enabled());
    EXPECT_EQ(0, dm->Settings->MessageScan);

    dm->Settings->SetPassword("secret");
    ModalAnswerer done(ModalAnswerer::Press("OK"));
    page->btnImportClick();
    ASSERT_TRUE(page->ImportRunning());
    EXPECT_EQ(u8"Выполняется импорт контактов"_cp, win->StatusText());
    EXPECT_FALSE(win->TimerCheckMessage->Enabled());
    EXPECT_EQ(0, RunState());
    page->cbOnLineScan->SetChecked(true);
    page->cbMessageScan->SetChecked(true);
    page->edPassword->SetText("secret");
    page->btnSaveSettingsClick();
    EXPECT_FALSE(page->btnImport->Enabled());
    EXPECT_FALSE(win->TimerCheckMessage->Enabled());
    EXPECT_EQ(1, RunState());  // the saved option starts the stopped scan
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->ImportRunning(); }, 60000));
    EXPECT_TRUE(page->btnImport->Enabled());
    EXPECT_TRUE(win->TimerCheckMessage->Enabled());
    EXPECT_EQ(u8"Завершился импорт контактов"_cp, win->StatusText());
    EXPECT_TRUE(win->pnTabPersonList->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.Done(); }, 10000));
}

TEST_F(MainWindowTest, UnreadableFilesAndMissingPagesLetTheWindowStart) {
    ForgetFileReadErrors();
    UiTestEnv::Write(env.ProgramFile("Friends.xml"), "<Friends><Friend>");
    UiTestEnv::Write(env.CurrentFile("AgentServers.xml"), "<Servers><Server>");
    std::vector<std::string> errors;
    Application->OnException = [&](const std::string& m) { errors.push_back(m); };
    {
        ModalAnswerer box(ModalAnswerer::Press("OK"));
        Make();
        // "Friends.xml", read twice, is reported once; the server list through the error hook.
        ASSERT_EQ(1u, box.Seen().size());
        EXPECT_NE(std::string::npos, box.First().text.find("Friends.xml"));
        ASSERT_EQ(1u, errors.size());
        EXPECT_NE(std::string::npos, errors[0].find("AgentServers.xml"));
    }
    EXPECT_EQ(0, dm->Friends->RecordCount());
    TfrmImport* page = win->ImportForm;
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(page->ServersReadable());
    errors.clear();
    page->edServer->SetText("new");
    page->sbAddServerClick();
    Application->OnException = nullptr;
    ASSERT_EQ(1u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find("AgentServers.xml"));
    EXPECT_EQ(0, page->cblServer->Count());
    EXPECT_EQ("<Servers><Server>", UiTestEnv::Read(env.CurrentFile("AgentServers.xml")));
    // Mended on disk: the next press shows the file's list and changes nothing yet; then it adds.
    UiTestEnv::Write(env.CurrentFile("AgentServers.xml"), "<Servers><Server><URL>a</URL></Server></Servers>");
    page->sbAddServerClick();
    EXPECT_TRUE(page->ServersReadable());
    ASSERT_EQ(1, page->cblServer->Count());
    page->sbAddServerClick();
    EXPECT_EQ(2, page->cblServer->Count());
    EXPECT_EQ("new", page->cblServer->Items(1));
    win.reset();

    // Pages that cannot be created leave their tabs empty; the window starts, works and closes.
    TPageRegistry::Global().Unregister("TfrmChatForm");
    TPageRegistry::Global().Unregister("TfrmImport");
    ScanOn();
    Make();
    TPageRegistry::Global().RegisterClass<TfrmChatForm>("TfrmChatForm");
    TPageRegistry::Global().RegisterClass<TfrmImport>("TfrmImport");
    EXPECT_EQ(nullptr, win->ChatForm);
    EXPECT_EQ(nullptr, win->ImportForm);
    win->OnLineFriendsStatus("http://h/a/", 1);
    win->CheckMessagesComplete();
    win->SettingsSaved();
    win->ImportEnded();
    win->acImport->Execute();
    win->acDeleteRecord->Execute();
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        win->acClearFavorites->Execute();
    }
    ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
    win->acExit->Execute();
    EXPECT_FALSE(win->isVisible());
}

TEST(PhotoFormatTest, OnlyAnAddressEndingInItsFirstGifIsFetchedAsGif) {
    EXPECT_EQ("GIF", PhotoFormat("http://h/a.gif"));
    EXPECT_EQ("GIF", PhotoFormat("http://h/A.GIF"));
    EXPECT_EQ("JPEG", PhotoFormat("http://h/a.gif.jpg"));
    EXPECT_EQ("JPEG", PhotoFormat("http://h/x.gif?1"));
    EXPECT_EQ("JPEG", PhotoFormat("http://h/a.gif/b.gif"));  // the first ".gif" does not end it
    EXPECT_EQ("JPEG", PhotoFormat("http://h/photo.jpg"));
    EXPECT_EQ("JPEG", PhotoFormat(""));
}

TEST(NewMessageMarksTest, LoginsMatchAndAnEmptyLoginMatchesOnlyItsOwnAddress) {
    TFriend stored, found;
    auto add = [](TFriend& t, const std::string& url, bool withFlag) {
        TXMLNode r = t.AddFriend("n", "", url, "", 0, 0, 0, 0, 0, "");
        (void)r;
        if (!withFlag) {
            TXMLNode rec = t.RecordNodes()->Nodes(t.RecordNodes()->Count() - 1);
            rec.RemoveChild(rec.FindChild("NewMessage"));
        }
    };
    add(stored, "http://h/anna/", false);        // found under another address of the same login
    add(stored, "http://h/boris/", true);        // not found
    add(stored, "http://h/nologin", false);      // no login: found by its address, case folded
    add(stored, "http://h/other-nologin", true);  // no login, not found: the empty login does not match
    add(found, "http://H/anna/?oid=3", true);
    add(found, "http://h/NOLOGIN", true);
    std::vector<std::pair<std::string, bool>> marks;
    MarkNewMessages(stored, found, [&](const std::string& u, bool m) { marks.push_back({u, m}); });
    const std::vector<std::pair<std::string, bool>> want = {
        {"http://h/anna/", true}, {"http://h/boris/", false}, {"http://h/nologin", true}, {"http://h/other-nologin", false}};
    EXPECT_EQ(want, marks);
    for (int i = 0; i < 4; ++i) {
        TXMLNode flag = stored.RecordNodes()->Nodes(i).FindChild("NewMessage");
        ASSERT_TRUE(flag) << i;
        EXPECT_EQ(want[static_cast<size_t>(i)].second ? "1" : "0", flag.Text()) << i;
    }
}

TEST(NewMessageMarksTest, TheSameAnswersAsTheContactTablesLookUp) {
    std::mt19937 rng(7);
    const char* hosts[] = {"http://h/", "http://H/", "https://h/", "x"};
    const char* logins[] = {"anna", "Anna", "boris", "", "anna/x", "nologin"};
    auto url = [&] {
        std::string u = std::string(hosts[rng() % 4]) + logins[rng() % 6];
        if (rng() % 3) u += "/";
        if (rng() % 4 == 0) u += "?oid=1";
        return u;
    };
    for (int round = 0; round < 50; ++round) {
        TFriend stored, found;
        for (int i = 0; i < 8; ++i) stored.AddFriend("n", "", url(), "", 0, 0, 0, 0, 0, "");
        for (int i = 0; i < 5; ++i) found.AddFriend("n", "", url(), "", 0, 0, 0, 0, 0, "");
        std::vector<bool> got;
        MarkNewMessages(stored, found, [&](const std::string&, bool m) { got.push_back(m); });
        for (int i = 0; i < 8; ++i) {
            const std::string u = stored.RecordNodes()->Nodes(i).FindChild("URL").Text();
            EXPECT_EQ(static_cast<bool>(found.FindByLogin(u)), got[static_cast<size_t>(i)]) << u;
        }
    }
}

}  // namespace
