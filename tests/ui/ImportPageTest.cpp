#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <sys/stat.h>

#include "agent/ContactsImportClass.h"
#include "platform/CpLiteral.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/StdCtrls.h"
#include "site/StandInSite.h"
#include "storage/DataModuleUnit.h"
#include "support/gui/GuiTest.h"
#include "UiEnv.h"
#include "ui/ContactsImportUnit.h"
#include "ui/GradientButtonControl.h"


namespace {

class ImportPageTest : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TdmFriend>(); }
    void TearDown() override {
        page.reset();
        if (server) server->Stop();
        dm.reset();
    }

    // The data module's folders as the contacts page adds them.
    void AddFolders() {
        dm->Folders->AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
        dm->Folders->AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
        dm->Folders->AddFolder("2", "Friends", u8"Найденные пользователи"_cp);
    }
    void Servers(const std::vector<std::string>& names) {
        std::string xml = "<Servers>";
        for (const auto& n : names) xml += "<Server><URL>" + n + "</URL></Server>";
        UiTestEnv::Write(env.CurrentFile("AgentServers.xml"), xml + "</Servers>");
    }
    void MakePage() {
        page = std::make_unique<TfrmImport>();
        page->resize(308, 480);
        page->SetMainFormMinWidth(308);
        page->OnImportStart = [this](TObject*) { events.push_back("start"); };
        page->OnImportEnd = [this](TObject*) { events.push_back("end"); };
        page->OnSettingsSaved = [this](TObject*) { events.push_back("saved"); };
        page->show();
    }
    std::vector<int> Ticked() const {
        std::vector<int> out;
        for (int i = 0; i < page->cblServer->Count(); ++i)
            if (page->cblServer->Checked(i)) out.push_back(i);
        return out;
    }
    std::vector<std::string> Items() const {
        std::vector<std::string> out;
        for (int i = 0; i < page->cblServer->Count(); ++i) out.push_back(page->cblServer->Items(i));
        return out;
    }
    // Ticks item i as a user does: a click on its tick.
    void ClickTick(int i) {
        QListWidget* list = page->cblServer;
        const QRect r = list->visualItemRect(list->item(i));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 8, r.center().y()));
    }
    void StartSite(site::SiteState state = site::DefaultState()) {
        server = std::make_unique<site::StandInSite>(std::move(state));
        server->Start();
    }
    // Saves the account through the page: server, login and password typed, then saved.
    void SaveAccount(const std::string& login, const std::string& password) {
        page->edServer->SetText(server->Host());
        page->sbAddServerClick();
        page->edLogin->SetText(login);
        page->edPassword->SetText(password);
        page->btnSaveSettingsClick();
    }
    bool WaitEnd(int ms = 60000) {
        return QTest::qWaitFor([this] { return !page->ImportRunning(); }, ms);
    }
    bool SaveEnabled() const { return page->btnSaveSettings->Enabled(); }
    bool ImportEnabled() const { return page->btnImport->Enabled(); }

    UiTestEnv env;
    std::unique_ptr<TdmFriend> dm;
    std::unique_ptr<TfrmImport> page;
    std::unique_ptr<site::StandInSite> server;
    std::vector<std::string> events;
};

TEST_F(ImportPageTest, TickRulesAtStartUp) {
    Servers({"solo"});
    dm->Settings->AgentServer = "elsewhere";
    MakePage();
    EXPECT_EQ(std::vector<int>{0}, Ticked());
    EXPECT_EQ(u8"Сервер (всего 1 серверов)"_cp, page->gbServer->Caption());
    EXPECT_FALSE(SaveEnabled());
    EXPECT_TRUE(ImportEnabled());

    Servers({"b", "c", "a"});
    MakePage();
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Items());
    EXPECT_TRUE(Ticked().empty());
    page->edLogin->SetText("x");  // a change, then a save: the server stays as it was
    page->btnSaveSettingsClick();
    EXPECT_EQ("elsewhere", dm->Settings->AgentServer);

    dm->Settings->AgentServer = "  ";
    MakePage();
    EXPECT_EQ(std::vector<int>{0}, Ticked());
    dm->Settings->AgentServer = "c";
    MakePage();
    EXPECT_EQ(std::vector<int>{2}, Ticked());

    Servers({});
    MakePage();
    EXPECT_EQ(u8"Сервер"_cp, page->gbServer->Caption());
}

TEST_F(ImportPageTest, ATickLeavesTheClickedItemTheOnlyTickedOne) {
    Servers({"a", "b", "c"});
    dm->Settings->AgentServer = "a";
    MakePage();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    ClickTick(2);
    EXPECT_EQ(std::vector<int>{2}, Ticked());
    EXPECT_TRUE(SaveEnabled());
    EXPECT_FALSE(ImportEnabled());
    ClickTick(2);  // turning the ticked one off ticks it again
    EXPECT_EQ(std::vector<int>{2}, Ticked());
    ClickTick(1);
    EXPECT_EQ(std::vector<int>{1}, Ticked());
    page->btnSaveSettingsClick();
    EXPECT_EQ("b", dm->Settings->AgentServer);
}

TEST_F(ImportPageTest, DeletesAddsAndTheirNotices) {
    Servers({"a", "b", "c", "d"});
    dm->Settings->AgentServer = "c";
    MakePage();
    ModalAnswerer notices({ModalAnswerer::Press("OK"), ModalAnswerer::Press("OK"), ModalAnswerer::Press("OK")});
    page->sbDeleteServerClick();  // nothing selected
    page->cblServer->SetItemIndex(2);
    page->sbDeleteServerClick();  // the ticked one: item 0 is ticked after
    EXPECT_EQ((std::vector<std::string>{"a", "b", "d"}), Items());
    EXPECT_EQ(std::vector<int>{0}, Ticked());
    page->cblServer->SetChecked(0, false);
    page->cblServer->SetChecked(2, true);
    page->cblServer->SetItemIndex(0);
    page->sbDeleteServerClick();  // another one: the position the ticked one had is ticked again
    EXPECT_EQ((std::vector<std::string>{"b", "d"}), Items());
    EXPECT_EQ(std::vector<int>{0}, Ticked());  // position 2 is outside now: item 0
    page->edServer->SetText("   ");
    page->sbAddServerClick();
    page->edServer->SetText("b");
    page->sbAddServerClick();
    page->edServer->SetText("B");
    page->sbAddServerClick();
    EXPECT_EQ((std::vector<std::string>{"B", "b", "d"}), Items());
    EXPECT_EQ(std::vector<int>{0}, Ticked());
    EXPECT_EQ(u8"Сервер (всего 3 серверов)"_cp, page->gbServer->Caption());
    EXPECT_EQ("B", page->edServer->Text());
    // The add is stored at once, in the table's order.
    EXPECT_EQ("<Servers><Server><URL>b</URL></Server><Server><URL>d</URL></Server><Server><URL>B</URL></Server></Servers>",
              UiTestEnv::Read(env.CurrentFile("AgentServers.xml")));
    for (int i = 0; i < 3; ++i) {
        page->cblServer->SetItemIndex(0);
        page->sbDeleteServerClick();
    }
    EXPECT_EQ(u8"Сервер (всего 0 серверов)"_cp, page->gbServer->Caption());
    EXPECT_EQ("<Servers/>", UiTestEnv::Read(env.CurrentFile("AgentServers.xml")));
    ASSERT_EQ(3u, notices.Seen().size());
    EXPECT_EQ(u8"Необходимо сначала выбрать строку для удаления!"_cp, notices.Seen()[0].text);
    EXPECT_EQ(u8"Необходимо сначала ввести новое имя сервера!"_cp, notices.Seen()[1].text);
    EXPECT_EQ(u8"Такое имя уже есть в списке!"_cp, notices.Seen()[2].text);
    EXPECT_EQ("Velmora Agent", notices.Seen()[0].caption);

    // Deleting another server with three left re-ticks the ticked one's position.
    Servers({"a", "b", "c"});
    dm->Settings->AgentServer = "b";
    MakePage();
    page->cblServer->SetItemIndex(0);
    page->sbDeleteServerClick();
    EXPECT_EQ((std::vector<std::string>{"b", "c"}), Items());
    EXPECT_EQ(std::vector<int>{1}, Ticked());
}

TEST_F(ImportPageTest, SavedValuesReadBackAndAnUnwritableRegistryKeepsSaveOn) {
    Servers({"a", "b"});
    MakePage();
    page->edLogin->SetText("velmora");
    EXPECT_TRUE(SaveEnabled());
    EXPECT_FALSE(ImportEnabled());
    page->edPassword->SetText(u8"пароль"_cp);
    page->cbOnLineScan->SetChecked(true);
    page->cbRegCode->SetChecked(true);
    page->btnSaveSettingsClick();
    EXPECT_FALSE(SaveEnabled());
    EXPECT_TRUE(ImportEnabled());
    EXPECT_TRUE(page->btnMsg->Enabled());
    EXPECT_EQ(std::vector<std::string>{"saved"}, events);
    TBraskSettings fresh;
    fresh.LoadFromRegistry();
    EXPECT_EQ("a", fresh.AgentServer);  // none ticked and none before: item 0
    EXPECT_EQ("velmora", fresh.login);
    EXPECT_EQ(u8"пароль"_cp, fresh.GetPassword());
    EXPECT_EQ(1, fresh.OnLineScan);
    EXPECT_EQ(0, fresh.MessageScan);
    EXPECT_EQ(1, fresh.RegCode);

    // The store's folder is a plain file now: nothing can be written.
    QTemporaryDir broken;
    UiTestEnv::Write(broken.path().toStdString() + "/file", "x");
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, broken.path() + "/file/sub");
    std::string error;
    Application->OnException = [&](const std::string& m) { error = m; };
    page->cbMessageScan->SetChecked(true);
    QTest::mouseClick(page->btnSaveSettings->imgBg, Qt::LeftButton);
    Application->OnException = nullptr;
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, env.ConfigDir());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(SaveEnabled());
    EXPECT_FALSE(ImportEnabled());
    EXPECT_EQ(std::vector<std::string>{"saved"}, events);
}

TEST_F(ImportPageTest, ButtonsFollowTheWidthAndTheLockedButtonSaysSo) {
    MakePage();
    page->resize(408, 480);
    EXPECT_EQ(55, page->btnSaveSettings->x());
    EXPECT_EQ(191, page->btnImport->x());
    page->resize(309, 480);
    EXPECT_EQ(5, page->btnSaveSettings->x());
    EXPECT_EQ(141, page->btnImport->x());
    EXPECT_EQ(page->height() - 16, page->ProgressBar->y());
    EXPECT_EQ(page->ProgressBar->y(), page->pnButtons->geometry().bottom() + 1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));

    QTest::mouseMove(page->btnImport, QPoint(10, 10));  // enabled: nothing
    page->edLogin->SetText("changed");
    ModalAnswerer locked(ModalAnswerer::Press("OK"));
    QTest::mouseMove(page->btnImport, QPoint(20, 12));
    ASSERT_TRUE(QTest::qWaitFor([&] { return locked.Done(); }, 5000));
    EXPECT_EQ(u8"Кнопка заблокирована до завершения импорта!"_cp, locked.First().text);
}

TEST_F(ImportPageTest, TheEditsTakeOnlyCodePage1251AndThePasswordLogsInAsTyped) {
    site::SiteState state = site::DefaultState();
    state.password = u8"пароль€"_cp;
    StartSite(state);
    AddFolders();
    MakePage();
    page->edServer->SetText(server->Host());
    page->sbAddServerClick();
    page->edLogin->SetText("velmora");
    page->edPassword->setFocus();
    TypeText(page->edPassword, QString::fromUtf16(u"пароль€✓"));
    EXPECT_EQ(QString::fromUtf16(u"пароль€"), page->edPassword->text());
    EXPECT_EQ(QStringLiteral("*******"), page->edPassword->displayText());
    page->btnSaveSettingsClick();
    TBraskSettings fresh;
    fresh.LoadFromRegistry();
    EXPECT_EQ(u8"пароль€"_cp, fresh.GetPassword());
    // The login of an import goes through with exactly that password; the merge is checked below.
    TContactsImportClass* worker = page->ContactsImport.get();
    worker->Host = fresh.AgentServer;
    EXPECT_TRUE(worker->Login(fresh.login, fresh.GetPassword()));
    worker->Logout();
}

TEST_F(ImportPageTest, AFailedLoginShowsThePlainBoxAndEndsTheRun) {
    site::SiteState state = site::DefaultState();
    state.password = "other";
    StartSite(state);
    AddFolders();
    MakePage();
    SaveAccount("velmora", "secret");
    // Ticked, not saved: the import is a full one all the same. The change locks the button, so
    // the handler is called as the button would call it.
    page->cbRegCode->SetChecked(true);
    EXPECT_EQ(0, dm->Settings->RegCode);
    events.clear();
    ModalAnswerer box(ModalAnswerer::Press("OK"));
    page->btnImportClick();
    EXPECT_TRUE(page->ContactsImport->FullImport);
    EXPECT_EQ((std::vector<std::string>{"start", "end"}), events);
    // The page sends line feed and carriage return; the box shows them as one line break.
    EXPECT_EQ(u8"Ошибка соединения с сервером.\nПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp,
              box.First().text);
    EXPECT_EQ(u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp,
              std::string(TfrmImport::LoginFailedText));
    EXPECT_EQ((std::vector<std::string>{"OK"}), box.First().buttons);
    EXPECT_TRUE(ImportEnabled());
    EXPECT_FALSE(page->ImportRunning());
}

TEST_F(ImportPageTest, TheImportEndMergesKeepsStoredContactsAndAFolderNotStoredHasTheLastWord) {
    // A folder file turns unreadable or read-only while the import runs: the error names file and
    // reason, no completion box follows it, and the other folder is stored.
    struct Row {
        const char* name;
        std::function<void()> spoil;
        std::string file, reason;
        std::string other;  // the folder file stored all the same, with this many contacts
        int otherCount;
    };
    const std::string bad = "<Friends><Friend>broken";
    const Row rows[] = {
        {"unreadable", [&] { UiTestEnv::Write(env.ProgramFile("FaforiteFriends.xml"), bad); }, "FaforiteFriends.xml", "",
         "CommonFriends.xml", 12},
        {"read-only", [&] { ::chmod(env.ProgramFile("CommonFriends.xml").c_str(), 0444); }, "CommonFriends.xml",
         "Permission denied", "FaforiteFriends.xml", 3},
    };
    StartSite();
    AddFolders();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Folder 0 holds user1 under another name already; the import must not change it.
        const std::string user1 = FriendXml("Stored", "user1", "http://" + server->Host() + "/user1/", "<NewMessage>0</NewMessage>");
        const std::string common = FriendsFile(user1);
        ::chmod(env.ProgramFile("CommonFriends.xml").c_str(), 0644);
        UiTestEnv::Write(env.ProgramFile("CommonFriends.xml"), common);
        UiTestEnv::Write(env.ProgramFile("FaforiteFriends.xml"), "<Friends/>");
        Servers({});
        MakePage();
        SaveAccount("velmora", "secret");
        std::vector<std::pair<int, int>> progress;
        QObject::connect(page->ProgressBar, &QProgressBar::valueChanged, [&](int v) { progress.push_back({v, page->ProgressBar->Max()}); });
        ModalAnswerer done(ModalAnswerer::Press("OK"));
        events.clear();
        page->btnImportClick();
        ASSERT_TRUE(page->ImportRunning());
        row.spoil();
        std::vector<std::string> errors;
        Application->OnException = [&](const std::string& m) { errors.push_back(m); };
        ASSERT_TRUE(WaitEnd());
        Application->OnException = nullptr;
        // A box would come in the tick that ends the run, before the run counts as ended.
        EXPECT_TRUE(done.Seen().empty());
        ASSERT_EQ(1u, errors.size());
        EXPECT_NE(std::string::npos, errors[0].find(row.file)) << errors[0];
        EXPECT_NE(std::string::npos, errors[0].find(row.reason)) << errors[0];
        EXPECT_EQ((std::vector<std::string>{"start", "end"}), events);
        EXPECT_TRUE(ImportEnabled());
        EXPECT_TRUE(page->btnMsg->Enabled());
        EXPECT_EQ(row.file == "CommonFriends.xml" ? common : bad, UiTestEnv::Read(env.ProgramFile(row.file)));
        TFriend stored;
        stored.LoadFromFile(env.ProgramFile(row.other));
        ASSERT_EQ(row.otherCount, stored.RecordCount());
        if (row.other == "CommonFriends.xml") {
            stored.SetRecNo(1);
            EXPECT_EQ("Stored", stored.GetFieldText("Name"));
            stored.SetRecNo(2);
            EXPECT_EQ("user2", stored.GetFieldText("Login"));
        }
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(2, progress.front().second);
        EXPECT_EQ(0, progress.back().first);
    }
}

TEST_F(ImportPageTest, ASaveDuringAnImportKeepsItLocked) {
    StartSite();
    AddFolders();
    MakePage();
    SaveAccount("velmora", "secret");
    ModalAnswerer done(ModalAnswerer::Press("OK"));
    page->btnImportClick();
    ASSERT_TRUE(page->ImportRunning());
    page->cbOnLineScan->SetChecked(true);
    EXPECT_TRUE(SaveEnabled());
    page->btnSaveSettingsClick();
    EXPECT_FALSE(ImportEnabled());
    EXPECT_FALSE(page->btnMsg->Enabled());
    EXPECT_FALSE(SaveEnabled());
    EXPECT_EQ("saved", events.back());
    ASSERT_TRUE(WaitEnd());
    EXPECT_TRUE(ImportEnabled());
    EXPECT_TRUE(page->btnMsg->Enabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.Done(); }, 10000));
}

}  // namespace
