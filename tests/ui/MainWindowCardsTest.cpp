// The main window with real cards: photos, selection, letter marks and the clear command, against
// the stand-in site.
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "agent/CheckMessagesClass.h"
#include "agent/OnLineFriendsUnit.h"
#include "platform/CpLiteral.h"
#include "platform/gui/ActnMan.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/TTimer.h"
#include "platform/graphics/Bitmap.h"
#include "site/StandInSite.h"
#include "storage/DataModuleUnit.h"
#include "support/gui/GuiTest.h"
#include "UiEnv.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonControl.h"
#include "ui/ChatPersonListControl.h"
#include "ui/MainAgentUnit.h"


namespace {

class MainWindowCardsTest : public ::testing::Test {
protected:
    void SetUp() override {
        site::SiteState state = site::DefaultState();
        for (auto& c : state.folders[0])
            if (c.login == "user5") c.photoBytes.clear();  // its photo answers 404
        server = std::make_unique<site::StandInSite>(state);
        server->Start();
        dm = std::make_unique<TdmFriend>();
        dm->Settings->AgentServer = server->Host();
        dm->Settings->login = "velmora";
        dm->Settings->SetPassword("secret");
        dm->Settings->OnLineScan = 1;
    }
    void TearDown() override {
        win.reset();
        server->Stop();
        dm.reset();
    }
    std::string Url(const std::string& login) const { return server->Url("/" + login + "/"); }
    std::string Rec(const std::string& login, const std::string& extra = "") const {
        return FriendXml(login, login, Url(login), extra);
    }
    void Files() {
        UiTestEnv::Write(env.ProgramFile("CommonFriends.xml"),
                         FriendsFile(Rec("user1") + Rec("user5") + Rec("user8") + Rec("user2")));
        UiTestEnv::Write(env.ProgramFile("FaforiteFriends.xml"), FriendsFile(Rec("fav1") + Rec("user8")));
        UiTestEnv::Write(env.ProgramFile("Friends.xml"), FriendsFile(Rec("user4")));
    }
    void Make() {
        win = std::make_unique<TfrmMain>();
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        ASSERT_NE(nullptr, win->ChatForm);
        win->OnLineFriends->Stop();
        win->OnLineFriends->Start();
    }
    TChatPerson* Card(int folder, const std::string& login) const {
        TChatPersonList* list = win->ChatForm->PersonList(folder);
        return list ? list->FindPersonByURL(Url(login)) : nullptr;
    }
    static void Click(TChatPerson* card) {
        const char* element = card->ChatPersonStyle() == cpFull ? "pnTop" : "imgShortInfo";
        QRect r = card->Element(element).rect;
        QTest::mouseClick(card, Qt::LeftButton, {}, r.center() + (card->ChatPersonStyle() == cpFull ? QPoint(18, 3) : QPoint()));
    }
    static bool ShowsNoPhoto(TChatPerson* card) { return card->Element("imgFullInfo").bitmap == "NOPHOTO"; }
    size_t Fetches(const std::string& route) const { return server->Requests(route).size(); }

    UiTestEnv env;
    std::unique_ptr<site::StandInSite> server;
    std::unique_ptr<TdmFriend> dm;
    std::unique_ptr<TfrmMain> win;
};

TEST_F(MainWindowCardsTest, ACardClickPausesFetchesItsPhotoOnceAndSelects) {
    Files();
    Make();
    TChatPerson* user1 = Card(0, "user1");
    ASSERT_NE(nullptr, user1);
    EXPECT_EQ(1, win->OnLineFriends->RunState());
    server->ClearLog();
    Click(user1);
    EXPECT_EQ(cpFull, user1->ChatPersonStyle());
    EXPECT_EQ(2, win->OnLineFriends->RunState());  // paused and resumed around the click
    EXPECT_TRUE(user1->PhotoLoaded);
    EXPECT_FALSE(ShowsNoPhoto(user1));
    EXPECT_EQ(120, user1->PersonPicture().Width());
    EXPECT_EQ(1u, Fetches("photo"));
    EXPECT_EQ(server->Requests("photo")[0].Path(), "/photos/user1.jpg");
    EXPECT_EQ(user1, win->SelectedPerson());
    EXPECT_TRUE(win->acDeleteRecord->Enabled());

    // The expanded card's full name reacts to nothing.
    win->OnLineFriends->Stop();
    win->OnLineFriends->Start();
    QTest::mouseClick(user1, Qt::LeftButton, {}, user1->Element("lbPersonName2").rect.center());
    EXPECT_EQ(cpFull, user1->ChatPersonStyle());
    EXPECT_EQ(1, win->OnLineFriends->RunState());

    Click(user1);  // closes it: nothing is fetched again, and the selection goes
    EXPECT_NE(cpFull, user1->ChatPersonStyle());
    EXPECT_EQ(1u, Fetches("photo"));
    EXPECT_EQ(1u, Fetches("profile"));
    EXPECT_EQ(nullptr, win->SelectedPerson());
    EXPECT_FALSE(win->acDeleteRecord->Enabled());

    // A photo that fails after another card's photo leaves "NOPHOTO".
    TChatPerson* user5 = Card(0, "user5");
    Click(user5);
    EXPECT_TRUE(user5->PhotoLoaded);
    EXPECT_TRUE(ShowsNoPhoto(user5));
    EXPECT_EQ(2u, Fetches("photo"));

    // A GIF photo is asked for as GIF and shown: the site's 120 x 160 picture (its pixels are
    // checked against giflib by the end-to-end test).
    TChatPerson* user2 = Card(0, "user2");
    Click(user2);
    EXPECT_EQ(server->Requests("photo").back().Path(), "/photos/user2.gif");
    EXPECT_FALSE(ShowsNoPhoto(user2));
    ASSERT_NE(nullptr, user2->PersonPicture().Bitmap());
    EXPECT_EQ(120, user2->PersonPicture().Bitmap()->Width());
    EXPECT_EQ(160, user2->PersonPicture().Bitmap()->Height());
    EXPECT_TRUE(win->acDeleteRecord->Enabled());

    win->ChatForm->fbFriendsClick(nullptr);
    TChatPerson* found = Card(2, "user4");
    Click(found);
    EXPECT_EQ(found, win->SelectedPerson());
    EXPECT_FALSE(win->acDeleteRecord->Enabled());  // folder 2 has no delete
}

TEST_F(MainWindowCardsTest, TheSelectionNeverOutlivesItsCard) {
    Files();
    Make();
    Click(Card(0, "user1"));
    ASSERT_NE(nullptr, win->SelectedPerson());
    win->ImportEnded();  // the lists are rebuilt
    EXPECT_EQ(nullptr, win->SelectedPerson());
    EXPECT_FALSE(win->acDeleteRecord->Enabled());

    Click(Card(0, "user5"));
    ASSERT_NE(nullptr, win->SelectedPerson());
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        win->acDeleteRecord->Execute();
        EXPECT_TRUE(yes.Done());
    }
    EXPECT_EQ(nullptr, win->SelectedPerson());
    EXPECT_FALSE(win->acDeleteRecord->Enabled());
    // A second delete from the menu asks nothing and deletes nothing more.
    EXPECT_FALSE(win->acDeleteRecord->Execute());
    TFriend common;
    common.LoadFromFile(env.ProgramFile("CommonFriends.xml"));
    EXPECT_EQ(3, common.RecordCount());

    Click(Card(0, "user8"));
    ASSERT_NE(nullptr, win->SelectedPerson());
    ModalAnswerer clear(ModalAnswerer::Press(u8"Да"_cp));
    win->acClearFavoritesExecute();
    EXPECT_EQ(nullptr, win->SelectedPerson());
    EXPECT_FALSE(win->acDeleteRecord->Enabled());
}

TEST_F(MainWindowCardsTest, ClearingAsksFirst) {
    Files();
    Make();
    const std::string common = UiTestEnv::Read(env.ProgramFile("CommonFriends.xml"));
    const std::string fav = UiTestEnv::Read(env.ProgramFile("FaforiteFriends.xml"));
    {
        ModalAnswerer no(ModalAnswerer::Press(u8"Нет"_cp));
        win->acClearFavorites->Execute();
        EXPECT_EQ(u8"Очистить \"Общая папка\" и \"Избранные пользователи\"?"_cp, no.First().text);
    }
    EXPECT_EQ(common, UiTestEnv::Read(env.ProgramFile("CommonFriends.xml")));
    EXPECT_EQ(fav, UiTestEnv::Read(env.ProgramFile("FaforiteFriends.xml")));
    ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
    win->acClearFavorites->Execute();
    EXPECT_EQ("<Friends/>", UiTestEnv::Read(env.ProgramFile("CommonFriends.xml")));
    EXPECT_EQ("<Friends/>", UiTestEnv::Read(env.ProgramFile("FaforiteFriends.xml")));
    EXPECT_NE(nullptr, Card(2, "user4"));
}

TEST_F(MainWindowCardsTest, LetterMarksFollowTheCheckerPerFolderAndSaveNothing) {
    // The site marks user8 in folder 0 and nothing in folder 1.
    server->Update([](site::SiteState& s) {
        for (auto& c : s.folders[1]) c.mark.clear();
    });
    UiTestEnv::Write(env.ProgramFile("CommonFriends.xml"),
                     FriendsFile(Rec("user1", "<NewMessage>1</NewMessage>") + Rec("user8")));
    UiTestEnv::Write(env.ProgramFile("FaforiteFriends.xml"), FriendsFile(Rec("user8") + Rec("fav1")));
    const std::string common = UiTestEnv::Read(env.ProgramFile("CommonFriends.xml"));
    const std::string fav = UiTestEnv::Read(env.ProgramFile("FaforiteFriends.xml"));
    Make();
    win->TimerCheckMessage->SetEnabled(false);
    std::vector<std::string> statuses;
    win->CheckMessageTimer();
    statuses.push_back(win->StatusText());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !win->CheckMessages->Busy; }, 60000));
    statuses.push_back(win->StatusText());
    EXPECT_EQ((std::vector<std::string>{u8"Проверяются поступления новых сообщений"_cp,
                                        u8"Завершилась проверка поступления новых сообщений"_cp}),
              statuses);
    EXPECT_EQ(2, win->OnLineFriends->RunState());
    EXPECT_TRUE(Card(0, "user8")->Letter());
    EXPECT_FALSE(Card(0, "user1")->Letter());
    EXPECT_FALSE(Card(1, "user8")->Letter());  // found in folder 0 only
    TFriend* stored0 = dm->Folders->GetFolderTable(0);
    EXPECT_EQ("0", stored0->RecordNodes()->Nodes(0).FindChild("NewMessage").Text());
    EXPECT_EQ("1", stored0->RecordNodes()->Nodes(1).FindChild("NewMessage").Text());  // added
    TFriend* stored1 = dm->Folders->GetFolderTable(1);
    EXPECT_FALSE(stored1->RecordNodes()->Nodes(0).FindChild("NewMessage"));  // no checker table: unchanged
    EXPECT_EQ(common, UiTestEnv::Read(env.ProgramFile("CommonFriends.xml")));
    EXPECT_EQ(fav, UiTestEnv::Read(env.ProgramFile("FaforiteFriends.xml")));
}

}  // namespace
