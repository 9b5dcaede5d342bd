// Whole import runs against the stand-in site, driven tick by tick with the manual timer.
#include <QDir>
#include <cstdlib>
#include <cstring>

#include "AgentTestSupport.h"
#include "platform/CpLiteral.h"
#include "site/SitePages.h"
#include "support/memsite/MemorySite.h"

namespace {

// Thirteen contacts in the common folder (two list pages and the end page), two favourites.
void StandardFolders(site::SiteState& s) {
    s.folders[0].clear();
    s.folders[1].clear();
    const std::string names[] = {u8"Анна"_cp, u8"Мария"_cp,  u8"Елена"_cp, u8"Ольга"_cp, u8"Татьяна"_cp,
                                 u8"Наталья"_cp, u8"Ирина"_cp, u8"Вера"_cp, u8"Юлия"_cp, u8"Ксения"_cp,
                                 u8"Дарья"_cp, u8"Алёна"_cp, u8"Софья"_cp};
    for (int i = 0; i < 13; ++i) {
        site::Contact c = MakeContact("w" + std::to_string(i), names[i],
                                      std::to_string(20 + i), u8"Москва"_cp);
        c.photos = i % 4;
        c.intimPhotos = i == 3 ? 2 : 0;
        c.vip = i == 1;
        c.voice = i == 2 || i == 4;
        if (i == 4) c.voiceIcon = "icop_voice.gif";
        c.online = i % 2 == 0;
        c.hasPhoto = i != 5;
        if (i == 6) c.ageForm = site::AgeForm::BareComma;
        if (i == 7) c.area.clear();  // the area comes from the next cell
        if (i == 8) c.age.clear();
        if (i == 9) c.photoLinkFirst = true;
        s.folders[0].push_back(c);
    }
    s.folders[1].push_back(MakeContact("f1", u8"Любовь"_cp, "33", u8"Самара"_cp));
    site::Contact f2 = MakeContact("f2", u8"Надежда"_cp, "35", u8" Тверь"_cp);
    f2.vip = true;
    f2.photos = 7;
    s.folders[1].push_back(f2);
}

using ImportTest = AgentTest;

TEST_F(ImportTest, WholeRunRequestsProgressAndCompletion) {
    StandardFolders(state);
    StartSite();
    std::vector<std::string> events;
    rig.worker->OnProgress = [&](TObject* st) {
        auto* s = dynamic_cast<TImportStateObject*>(st);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(st, &rig.worker->State());
        events.push_back("P" + std::to_string(s->Current) + "/" + std::to_string(s->Total));
    };
    rig.worker->OnComplete = [&](TObject*) {
        events.push_back("C");
        EXPECT_FALSE(rig.timer->Enabled());
    };
    ASSERT_TRUE(LogIn());
    server->ClearLog();
    rig.worker->StartImport();
    EXPECT_TRUE(rig.timer->Enabled());
    EXPECT_EQ(rig.timer->Interval(), 200);
    int ticks = rig.RunToEnd();
    for (const auto& m : rig.messages) events.push_back("B:" + m);

    // 11 + 4 + 2 steps for the common folder, 3 + 2 for the favourites, and the finishing tick.
    EXPECT_EQ(ticks, 23);
    EXPECT_EQ(rig.worker->TickCount, 22);
    std::vector<std::string> expected(17, "P0/2");
    expected.insert(expected.end(), 5, "P1/2");
    expected.push_back("P2/2");
    expected.push_back("P0/2");
    expected.push_back("C");
    expected.push_back(std::string("B:") + u8"Импорт контактов завершен."_cp);
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(rig.worker->RunFailed);

    std::vector<std::string> lists;
    for (const auto& r : server->Log())
        if (r.route == "list" || r.route == "messages") lists.push_back(r.target);
    EXPECT_EQ(lists, (std::vector<std::string>{
                         "/messages.phtml?rand=4711", "/messages.phtml?rand=4711", "/messages.phtml?fid=1",
                         "/messages.phtml?fid=1&offset=10", "/messages.phtml?fid=1&offset=20",
                         "/messages.phtml?fid=2&offset=0", "/messages.phtml?fid=2&offset=10"}));
    // Every profile of a named contact row, fetched by a fresh client while FullImport is off.
    auto profiles = server->Requests("profile");
    EXPECT_EQ(profiles.size(), 15u);
    for (const auto& p : profiles) {
        EXPECT_FALSE(p.HasHeader("Cookie")) << p.target;
        EXPECT_EQ(p.Header("Accept"), "text/html, */*");
        EXPECT_EQ(p.session, "");
    }
    for (const auto& r : server->Requests("list")) {
        EXPECT_EQ(r.session, "S1");
        EXPECT_EQ(r.Header("Accept"), kLoginAccept);
    }
    // Every request of the run went out while the worker's timer was off.
    for (bool on : rig.timer->Probes()) EXPECT_FALSE(on);

    std::string h = "http://" + server->Host() + "/";
    auto common = Rows(0);
    ASSERT_EQ(common.size(), 13u);
    EXPECT_EQ(common[0], u8"Анна|w0|"_cp + h + u8"w0/|Москва|20|0|0|0|0||0"_cp);
    EXPECT_EQ(common[1], u8"Мария|w1|"_cp + h + u8"w1/|Москва|21|1|1|0|0||0"_cp);
    EXPECT_EQ(common[2], u8"Елена|w2|"_cp + h + u8"w2/|Москва|22|0|2|1|0||0"_cp);
    EXPECT_EQ(common[3], u8"Ольга|w3|"_cp + h + u8"w3/|Москва|23|0|3|0|0||0"_cp);  // guests see no intim photos
    EXPECT_EQ(common[4], u8"Татьяна|w4|"_cp + h + u8"w4/|Москва|24|0|0|1|0||0"_cp);
    EXPECT_EQ(common[6], u8"Ирина|w6|"_cp + h + u8"w6/|Москва|26|0|2|0|0||0"_cp);
    EXPECT_EQ(common[7], u8"Вера|w7|"_cp + h + "w7/|07.12.2026|27|0|3|0|0||0");  // area from the next cell
    EXPECT_EQ(common[8], u8"Юлия|w8|"_cp + h + "w8/||0|0|0|0|0||0");
    EXPECT_EQ(common[9], u8"Ксения|w9|"_cp + h + u8"w9/|Москва|29|0|1|0|0||0"_cp);
    auto fav = Rows(1);
    ASSERT_EQ(fav.size(), 2u);
    EXPECT_EQ(fav[1], u8"Надежда|f2|"_cp + h + u8"f2/|Тверь|35|1|7|0|0||0"_cp);
}

// The stand-in site's pages served by the in-memory site through the worker's WinHTTP seam: the
// session, the fresh profile clients and the logout all go there, with no socket or thread.
TEST_F(ImportTest, WholeRunThroughTheWinHttpSeam) {
    StandardFolders(state);
    std::vector<std::string> asked;
    const site::Encoding enc = site::Encoding::Cp1251;
    MemorySite memory([&](const std::string& verb, const std::string& host, const std::string& path,
                          const std::string&) {
        asked.push_back(verb + " " + host + path);
        auto page = [](const std::string& markup) { return site::ReplaceAll(markup, "{host}", "h"); };
        auto number = [&](const char* key) {
            size_t p = path.find(key);
            return p == std::string::npos ? 0 : std::atoi(path.c_str() + p + std::strlen(key));
        };
        if (path == "/") return page(site::pages::Home(state, enc));
        if (path.rfind("/tips/index.phtml", 0) == 0) return page(site::pages::LoginPage(state, enc, true, false, false));
        if (path == "/tips/login.phtml") return page(site::pages::AccountPage(state, enc));
        if (path.rfind("/messages.phtml?rand=", 0) == 0) return page(site::pages::MessagesPage(state, enc));
        if (path.rfind("/messages.phtml?fid=", 0) == 0)
            return page(site::pages::FolderPage(state, enc, number("fid="), number("offset=")));
        if (path == "/logout.phtml") return page(site::pages::Goodbye(state, enc));
        for (const auto& folder : state.folders)
            for (const auto& c : folder)
                if (path.rfind("/" + c.login + "/", 0) == 0) return page(site::pages::Profile(state, enc, c, false));
        return std::string();
    });
    rig.Make(&memory);
    dm->Settings->AgentServer = "h";
    rig.worker->Host = "h";
    ASSERT_TRUE(LogIn());
    rig.worker->StartImport();
    EXPECT_EQ(rig.RunToEnd(), 23);
    rig.worker->Logout();

    EXPECT_EQ(rig.messages, (std::vector<std::string>{kImportCompleted}));
    auto common = Rows(0);
    ASSERT_EQ(common.size(), 13u);
    const std::string maria = u8"Мария|w1|http://h/w1/|Москва|21|1|1|0|0||0"_cp;
    EXPECT_EQ(common[1], maria);
    EXPECT_EQ(Rows(1).size(), 2u);
    ASSERT_EQ(asked.size(), 3u + 2u + 5u + 15u + 1u);  // login, messages twice, lists, profiles, logout
    EXPECT_EQ(asked.front(), "GET h/");
    EXPECT_EQ(asked[2], "POST h/tips/login.phtml");
    EXPECT_EQ(asked.back(), "GET h/logout.phtml");
    EXPECT_EQ(memory.OpenHandles(), 0);
}

TEST_F(ImportTest, AreaOfARowWithoutOneComesFromTheNextCell) {
    StandardFolders(state);
    StartSite();
    ASSERT_GT(Import(), 0);
    // Вера shows an age and no area: the area search runs on past the name cell.
    auto common = Rows(0);
    ASSERT_GT(common.size(), 7u);
    EXPECT_EQ(common[7].substr(0, common[7].find('|')), u8"Вера"_cp);
    EXPECT_NE(common[7].find("|07.12.2026|27|"), std::string::npos) << common[7];
}

TEST_F(ImportTest, Cp1251AndUtf8SitesGiveByteIdenticalTables) {
    std::vector<std::string> files[2];
    QTemporaryDir out;
    for (int round = 0; round < 2; ++round) {
        state = site::SiteState();
        StandardFolders(state);
        state.encoding = round == 0 ? site::Encoding::Cp1251 : site::Encoding::Utf8;
        StartSite();
        ASSERT_GT(Import(), 0);
        for (int f = 0; f < 2; ++f) {
            std::string path = out.path().toStdString() + "/r" + std::to_string(round) + "_" + std::to_string(f) + ".xml";
            rig.worker->Folders().GetFolderTable(f)->SaveToFile(path);
            files[round].push_back(ReadFile(path));
        }
        EXPECT_EQ(Rows(0).size(), 13u);
        rig.worker.reset();
        server->Stop();
        rig.timer = nullptr;
    }
    // Both sites listen on different ports: compare with the port taken out.
    for (int f = 0; f < 2; ++f) {
        ASSERT_FALSE(files[0][f].empty());
        EXPECT_NE(files[0][f].find("Friends"), std::string::npos);
    }
    auto strip = [](std::string text) {
        for (size_t p = text.find("127.0.0.1:"); p != std::string::npos; p = text.find("127.0.0.1:", p + 1)) {
            size_t e = text.find('/', p);
            text.replace(p, e - p, "HOST");
        }
        return text;
    };
    EXPECT_EQ(strip(files[0][0]), strip(files[1][0]));
    EXPECT_EQ(strip(files[0][1]), strip(files[1][1]));
}

TEST_F(ImportTest, SecondRunInTheSameLifeAddsNothing) {
    StandardFolders(state);
    StartSite();
    ASSERT_EQ(Import(), 23);
    rig.worker->Logout();
    auto first0 = Rows(0), first1 = Rows(1);
    server->ClearLog();
    // Known contacts are not put into Temp again: every page takes two steps.
    EXPECT_EQ(Import(), 2 + 2 + 2 + 2 + 2 + 1);
    EXPECT_EQ(Rows(0), first0);
    EXPECT_EQ(Rows(1), first1);
    EXPECT_EQ(server->Requests("profile").size(), 15u);  // every contact row still costs its profile
    EXPECT_EQ(rig.messages.back(), u8"Импорт контактов завершен."_cp);
}

TEST_F(ImportTest, SessionProfilesWhileFullImportIsOn) {
    StandardFolders(state);
    StartSite();
    rig.worker->FullImport = true;
    ASSERT_EQ(Import(), 23);
    auto profiles = server->Requests("profile");
    ASSERT_EQ(profiles.size(), 15u);
    for (const auto& p : profiles) {
        EXPECT_EQ(p.session, "S1");
        EXPECT_EQ(p.Header("Accept"), kLoginAccept);
    }
    EXPECT_EQ(Rows(0)[3], u8"Ольга|w3|http://"_cp + server->Host() + u8"/w3/|Москва|23|0|5|0|0||0"_cp);  // 3 + 2 intim
}

// --- A lost session is a failed run, not the end of a folder ---------------------------------

TEST_F(ImportTest, ExpiredSessionAnsweringTheLoginPageFailsTheRun) {
    StandardFolders(state);
    state.sessionExpiresAfter = 3;  // the two messages pages and the first list page
    StartSite();
    ASSERT_GT(Import(), 0);
    // The second list page is the login page: its text holds an end text, but its form tells it
    // from a folder's end. What was read is still merged.
    EXPECT_EQ(Rows(0).size(), 10u);
    EXPECT_EQ(Rows(1).size(), 0u);
    EXPECT_TRUE(rig.worker->RunFailed);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0], kConnectionError);
}

TEST_F(ImportTest, ExpiredSessionRedirectingHomeFailsWithinAFewRequests) {
    StandardFolders(state);
    state.sessionExpiresAfter = 3;
    state.expiredGoesHome = true;
    StartSite();
    ASSERT_TRUE(LogIn());
    rig.worker->StartImport();
    // A home page has no rows and no end text: the folder ends there instead of walking on.
    const int ticks = rig.RunToEnd(200);
    EXPECT_LT(ticks, 30);
    EXPECT_FALSE(rig.timer->Enabled());
    EXPECT_LE(server->Requests("list").size(), 3u);
    EXPECT_EQ(Rows(0).size(), 10u);
    EXPECT_TRUE(rig.worker->RunFailed);
    ASSERT_FALSE(rig.messages.empty());
    EXPECT_EQ(rig.messages.back(), kConnectionError);
}

TEST_F(ImportTest, FoldersOfWholePagesEndAtThePagePastTheEnd) {
    for (int size : {10, 20}) {
        SCOPED_TRACE(size);
        state = site::SiteState();
        rig.messages.clear();
        for (int i = 0; i < size; ++i)
            state.folders[0].push_back(MakeContact("z" + std::to_string(i), "Zoe" + std::to_string(i), "30"));
        StartSite();
        ASSERT_GT(Import(), 0);
        EXPECT_EQ(Rows(0).size(), static_cast<size_t>(size));
        // size / 10 pages of rows, the page past the end, and the empty favourites' end page.
        EXPECT_EQ(server->Requests("list").size(), static_cast<size_t>(size / 10 + 2));
        EXPECT_FALSE(rig.worker->RunFailed);
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_EQ(rig.messages[0], kImportCompleted);
        rig.worker.reset();
        server->Stop();
        rig.timer = nullptr;
    }
}

TEST_F(ImportTest, RowsThatAddNothingStillKeepTheWalkGoing) {
    StandardFolders(state);
    for (int i = 0; i < 10; ++i) state.folders[0][i].name = " ";  // a first page of nameless rows
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(Rows(0).size(), 3u);
    EXPECT_EQ(Rows(1).size(), 2u);
    EXPECT_FALSE(rig.worker->RunFailed);
    EXPECT_EQ(rig.messages.back(), kImportCompleted);
}

TEST_F(ImportTest, PageWithoutContactRowsEndsTheFolder) {
    StandardFolders(state);
    // The favourites' first page: a count but no contact row, as a folder of search links shows.
    const std::string countOnly = u8"<table><tr><td>Найдено: 0</td></tr></table><a href=\"#\">x</a>"
                                  u8"<a href=\"http://x/search.phtml?oid=1\">s</a>"_cp;
    state.rawPages["/messages.phtml?fid=2&offset=0"] = site::RawPage(countOnly, true);
    state.rawPages["/messages.phtml?fid=2&offset=10"] = site::RawPage("<p>never asked for</p>");
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(server->Requests("raw").size(), 1u);
    EXPECT_EQ(Rows(1).size(), 0u);
    EXPECT_FALSE(rig.worker->RunFailed);  // a text with "Найдено" says the folder was read
    EXPECT_EQ(rig.messages.back(), kImportCompleted);
}

TEST_F(ImportTest, AMergeStepSkipsARowTheFolderTableHoldsButCountsIt) {
    StartSite();
    TContactsImportClass& w = *rig.worker;
    std::string h = "http://" + server->Host() + "/";
    // A page's rows in Temp, one of which reached the folder table since the page was read.
    w.Temp().AddFriend("A", "a", h + "a/?oid=1", "", 20, 0, 0, 0, 0, "");
    w.Temp().AddFriend("B", "b", h + "b/?oid=2", "", 21, 0, 0, 0, 0, "");
    w.Folders().GetFolderTable(0)->AddFriend("A", "a", h + "a/", "", 20, 0, 0, 0, 0, "");
    w.NeedLoadPage = false;
    rig.timer->SetEnabled(true);
    ASSERT_TRUE(rig.timer->Fire());
    EXPECT_EQ(w.RowIndex, 1);
    EXPECT_EQ(Rows(0).size(), 1u);
    EXPECT_FALSE(w.NeedLoadPage);
    ASSERT_TRUE(rig.timer->Fire());
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"A|a|" + h + "a/||20|0|0|0|0||0", "B|b|" + h + "b/?oid=2||21|0|0|0|0||0"}));
    // Every row handled: the next step loads the next page.
    EXPECT_EQ(w.PageIndex, 1);
    EXPECT_EQ(w.RowIndex, 0);
    EXPECT_EQ(w.Temp().RecordCount(), 0);
    EXPECT_TRUE(w.NeedLoadPage);
    EXPECT_TRUE(server->Log().empty());
}

// --- Mends: a run that cannot read the site ends and says so -------------------------------

TEST_F(ImportTest, EmptyListPageEndsTheFolderAndTheBoxSaysConnectionError) {
    StandardFolders(state);
    state.faults = {{"fid=1&offset=10", 1, 1, site::FaultKind::EmptyBody, 0, "", 0}};
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(Rows(0).size(), 10u);  // what was read is merged
    EXPECT_EQ(Rows(1).size(), 2u);
    EXPECT_TRUE(server->Requests("list").size() == 4u);
    EXPECT_TRUE(rig.worker->RunFailed);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0], kConnectionError);
}

TEST_F(ImportTest, StatusErrorOnAListPageCountsAsUnreadable) {
    StandardFolders(state);
    state.faults = {{"fid=2", 1, 0, site::FaultKind::Status, 500, "", 0}};
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(Rows(0).size(), 13u);
    EXPECT_EQ(Rows(1).size(), 0u);
    EXPECT_EQ(server->Requests("list").size(), 4u);  // one try for the favourites, not 5000
    EXPECT_EQ(rig.messages.back(), kConnectionError);
}

TEST_F(ImportTest, SiteDroppingEveryRequestMidRunEndsWithinAFewRequests) {
    StandardFolders(state);
    state.faults = {{"", 12, 0, site::FaultKind::Drop, 0, "", 0}};  // from the sixth profile on
    StartSite();
    int ticks = Import();
    ASSERT_GT(ticks, 0);
    EXPECT_LT(ticks, 30);
    EXPECT_LE(server->Log().size(), 22u);
    EXPECT_EQ(rig.messages.back(), kConnectionError);
    // The rows of the first page are all added, those with a lost profile by their list address.
    auto common = Rows(0);
    ASSERT_EQ(common.size(), 10u);
    EXPECT_NE(common[9].find("/w9/?oid=1009|"), std::string::npos) << common[9];
    EXPECT_FALSE(rig.timer->Enabled());
}

TEST_F(ImportTest, MissingFolderLinkEndsThatFolderWithoutRequests) {
    StandardFolders(state);
    state.folderHrefs = {"http://{host}/messages.phtml?fid=1"};
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(rig.worker->FolderURLs()[1], "http://" + server->Host() + "/");
    for (const auto& r : server->Log()) EXPECT_EQ(r.target.find("fid=2"), std::string::npos);
    EXPECT_EQ(Rows(1).size(), 0u);
    EXPECT_EQ(Rows(0).size(), 13u);
    EXPECT_EQ(rig.messages.back(), kConnectionError);
}

TEST_F(ImportTest, EmptyFolderAddressesEndWithoutARequest) {
    StandardFolders(state);
    state.messagesHref = "http://{host}/Messages.phtml?rand=1";  // no "messages.phtml" as written
    state.rawPages["/Messages.phtml?rand=1"] = site::RawPage("<p>no folders</p>");
    StartSite();
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(rig.worker->FolderURLs()[0], "");
    EXPECT_TRUE(server->Requests("list").empty());
    EXPECT_EQ(rig.messages.back(), kConnectionError);
}

TEST_F(ImportTest, AnErrorInsideAStepEndsTheRunThroughItsFinish) {
    StandardFolders(state);
    state.folders[0][2].asksCode = true;
    StartSite();
    rig.worker->FullImport = true;
    rig.answer = [](const TCodeRequest&, TSubmit&) -> TCodeAnswer { throw std::runtime_error("dialog failed"); };
    bool completed = false;
    rig.worker->OnComplete = [&](TObject*) { completed = true; };
    int ticks = Import();
    EXPECT_EQ(ticks, 2);  // the failing load step, then the finishing tick
    EXPECT_TRUE(completed);
    EXPECT_FALSE(rig.timer->Enabled());
    EXPECT_EQ(rig.messages.back(), kConnectionError);
    // The worker is free again: a later run goes through.
    rig.answer = nullptr;
    state.folders[0][2].asksCode = false;
    server->Update([](site::SiteState& s) { s.folders[0][2].asksCode = false; });
    completed = false;
    EXPECT_EQ(Import(), 23);
    EXPECT_TRUE(completed);
    EXPECT_EQ(rig.messages.back(), u8"Импорт контактов завершен."_cp);
}

TEST_F(ImportTest, ProgressHandlerThatRaisesDoesNotStopTheRun) {
    StandardFolders(state);
    StartSite();
    int calls = 0;
    rig.worker->OnProgress = [&](TObject*) {
        if (++calls > 1) throw std::runtime_error("handler");
    };
    ASSERT_TRUE(LogIn());
    rig.worker->StartImport();
    EXPECT_EQ(rig.RunToEnd(), 23);
    EXPECT_EQ(Rows(0).size(), 13u);
}

}  // namespace
