// The on-site scan against the stand-in site, driven by a manual timer.
#include <stdexcept>

#include "AgentTestSupport.h"
#include "agent/OnLineFriendsUnit.h"
#include "platform/CpLiteral.h"
#include "support/memsite/MemorySite.h"

namespace {

struct Report {
    std::string url;
    int status;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Report& r) { return os << "(" << r.url << ", " << r.status << ")"; }

site::Fault MakeFault(const std::string& target, site::FaultKind kind, int delayMs = 0) {
    site::Fault f;
    f.targetContains = target;
    f.kind = kind;
    f.delayMs = delayMs;
    return f;
}

// Where the scan stands after a tick.
struct Spot {
    int folder, recNo, phase;
    bool operator==(const Spot&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Spot& s) {
    return os << "{" << s.folder << "," << s.recNo << "," << s.phase << "}";
}

class OnLineScanTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        dm->Folders->AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
        dm->Folders->AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
        dm->Folders->AddFolder("2", "Friends", u8"Найденные пользователи"_cp);
    }
    void TearDown() override {
        scanner.reset();
        AgentTest::TearDown();
    }

    // Starts the site with `state` and makes the scanner with a manual timer and a recording OnStatus.
    void Begin() {
        server = std::make_unique<site::StandInSite>(state);
        server->Start();
        auto t = std::make_unique<ManualTimer>();
        timer = t.get();
        scanner = std::make_unique<TOnLineFriends>(std::move(t));
        scanner->OnStatus = [this](const std::string& url, int status) { reports.push_back({url, status}); };
    }

    // A contact of the site (its profile at /<login>/) in folder `folder` of the stand-in.
    site::Contact& SiteContact(int folder, const std::string& login, bool online) {
        site::Contact c = MakeContact(login, u8"Имя "_cp + login);
        c.online = online;
        state.folders[folder].push_back(c);
        return state.folders[folder].back();
    }
    // A stored contact with the given address in the data module's folder.
    void Store(int folder, const std::string& login, const std::string& url) {
        dm->Folders->GetFolderTable(folder)->AddFriend(login, login, url, "", 0, 0, 0, 0, 0, "");
    }
    std::string Profile(const std::string& login) const { return "http://" + server->Host() + "/" + login + "/"; }
    // Stores the contact with its profile address (the site must run).
    void StoreProfile(int folder, const std::string& login) { Store(folder, login, Profile(login)); }

    Spot Where() const { return {scanner->FolderIndex(), scanner->RecNo(), scanner->Phase()}; }
    std::vector<std::string> Targets() const {
        std::vector<std::string> out;
        for (const auto& r : server->Log()) out.push_back(r.target);
        return out;
    }
    // One report for a single stored contact: the fetch tick and the evaluation tick.
    int StatusOf(const std::string& url) {
        Store(0, "one", url);
        scanner->Start();
        EXPECT_TRUE(timer->Fire());
        EXPECT_TRUE(timer->Fire());
        EXPECT_EQ(reports.size(), 1u);
        return reports.empty() ? -1 : reports.back().status;
    }

    ManualTimer* timer = nullptr;
    std::unique_ptr<TOnLineFriends> scanner;
    std::vector<Report> reports;
};

TEST_F(OnLineScanTest, CreatedStoppedWithASecondTimerOff) {
    Begin();
    EXPECT_EQ(scanner->RunState(), 0);
    EXPECT_EQ(timer->Interval(), 1000);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(Where(), (Spot{0, 0, 1}));
    EXPECT_FALSE(timer->Fire());

    // The program's own timer takes the same settings.
    TOnLineFriends framework;
    EXPECT_EQ(framework.Timer().Interval(), 1000);
    EXPECT_FALSE(framework.Timer().Enabled());
    framework.OnStatus = [](const std::string&, int) {};
    framework.Start();
    EXPECT_TRUE(framework.Timer().Enabled());
    framework.Stop();
    EXPECT_FALSE(framework.Timer().Enabled());
}

TEST_F(OnLineScanTest, FoldersOfTwoNoneAndOneGiveTheTickSequence) {
    SiteContact(0, "anna", true);
    SiteContact(0, "bella", false);
    SiteContact(1, "clara", true);
    Begin();
    StoreProfile(0, "anna");
    StoreProfile(0, "bella");
    StoreProfile(2, "clara");

    scanner->Start();
    EXPECT_EQ(scanner->RunState(), 1);
    std::vector<Spot> spots;
    std::vector<size_t> requests;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(timer->Fire());
        EXPECT_TRUE(timer->Enabled());  // the timer stays on through the tick
        spots.push_back(Where());
        requests.push_back(server->Log().size());
    }
    EXPECT_EQ(spots, (std::vector<Spot>{{0, 1, 2},    // fetch anna
                                        {0, 1, 1},    // report anna
                                        {0, 2, 2},    // fetch bella
                                        {1, 0, 1},    // report bella, folder 0 done
                                        {2, 0, 1},    // folder 1 is empty: one tick
                                        {2, 1, 2},    // fetch clara
                                        {0, 0, 1},    // report clara, back to folder 0
                                        {0, 1, 2}}));  // fetch anna again
    EXPECT_EQ(requests, (std::vector<size_t>{1, 1, 2, 2, 2, 3, 3, 4}));
    EXPECT_EQ(reports, (std::vector<Report>{{Profile("anna"), 1}, {Profile("bella"), 0}, {Profile("clara"), 1}}));
    EXPECT_EQ(Targets(), (std::vector<std::string>{"/anna/", "/bella/", "/clara/", "/anna/"}));

    // A client that never logs in: no cookie, the default Accept, one connection per page.
    for (const auto& r : server->Log()) {
        EXPECT_FALSE(r.HasHeader("Cookie")) << r.target;
        EXPECT_EQ(r.Header("Accept"), "text/html, */*");
        EXPECT_EQ(r.method, "GET");
        EXPECT_TRUE(r.session.empty());
    }
    EXPECT_FALSE(scanner->Submit().Connected());
    EXPECT_EQ(scanner->Submit().ReceiveTimeout, 500u);
    // The fetch moved the shared table's current record.
    EXPECT_EQ(dm->Folders->GetFolderTable(0)->RecNo(), 1);
    EXPECT_EQ(dm->Folders->GetFolderTable(2)->RecNo(), 1);
}

TEST_F(OnLineScanTest, StatusesOnlineOfflineEmptyAndBlankBeforeTheText) {
    state.rawPages["/blank/"] = site::RawPage("<html><body><span class=\"on\"> </span> " + u8"Сейчас на сайте!"_cp +
                                     "</body></html>");
    state.rawPages["/spaced/"] = site::RawPage("<html><body><span> " + u8"Сейчас на сайте!"_cp + "</span></body></html>");
    state.rawPages["/last/"] = site::RawPage("<html><body>" + u8"Сейчас на сайте!"_cp + "<span>");
    state.rawPages["/other/"] = site::RawPage("<html><body><span>" + u8"Сейчас на сайте"_cp + "</span></body></html>");
    state.rawPages["/empty/"] = site::RawPage("");
    SiteContact(0, "on", true);
    SiteContact(0, "off", false);
    Begin();
    for (const char* login : {"on", "off", "blank", "spaced", "last", "other", "empty"}) StoreProfile(0, login);
    scanner->Start();
    for (int i = 0; i < 14; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{Profile("on"), 1},
                                            {Profile("off"), 0},
                                            {Profile("blank"), 0},   // a blank text stands between
                                            {Profile("spaced"), 0},  // the text must equal exactly
                                            {Profile("last"), 0},    // a span that ends the page
                                            {Profile("other"), 0},
                                            {Profile("empty"), 3}}));
}

TEST_F(OnLineScanTest, Utf8PageIsConvertedBeforeTheSearch) {
    state.encoding = site::Encoding::Utf8;
    SiteContact(0, "uma", true);
    Begin();
    EXPECT_EQ(StatusOf(Profile("uma")), 1);
    // The converted text replaces the fetched page.
    EXPECT_NE(scanner->PageText().find(u8"Сейчас на сайте!"_cp), std::string::npos);
}

TEST_F(OnLineScanTest, PageSlowerThanHalfASecondIsUnknown) {
    // On the in-memory site time is simulated: a page that takes eight seconds outlasts the
    // scanner's receive timeout, one that takes 400 ms does not. No clock is read.
    const std::string online = u8"<html><body><span>Сейчас на сайте!</span></body></html>"_cp;
    MemorySite site([&](const std::string&, const std::string&, const std::string&, const std::string&) {
        return online;
    });
    site.DelayOf = [](const std::string& path) { return path == "/slow/" ? 8000 : 400; };
    auto t = std::make_unique<ManualTimer>();
    timer = t.get();
    scanner = std::make_unique<TOnLineFriends>(std::move(t), &site);
    scanner->OnStatus = [this](const std::string& url, int status) { reports.push_back({url, status}); };
    Store(0, "slow", "http://h/slow/");
    Store(0, "quick", "http://h/quick/");
    scanner->Start();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{"http://h/slow/", 3}, {"http://h/quick/", 1}}));
    EXPECT_EQ(site.ReceiveTimeouts, (std::vector<winhttp::DWORD>{500, 500}));
    EXPECT_EQ(site.OpenHandles(), 0);  // a fresh connection per page, closed after it
}

TEST_F(OnLineScanTest, DroppedConnectionIsUnknown) {
    SiteContact(0, "drop", true);
    state.faults.push_back(MakeFault("/drop/", site::FaultKind::Drop));
    Begin();
    EXPECT_EQ(StatusOf(Profile("drop")), 3);
}

TEST_F(OnLineScanTest, ServerErrorPageIsUnknown) {
    SiteContact(0, "err", true);
    state.faults.push_back(MakeFault("/err/", site::FaultKind::Status));
    Begin();
    // A 500 answer carries no content to the caller: nothing could be read.
    EXPECT_EQ(StatusOf(Profile("err")), 3);
}

TEST_F(OnLineScanTest, AddressesThatCannotBeReadAreUnknownAndTheWalkGoesOn) {
    SiteContact(0, "anna", true);
    Begin();
    Store(0, "a", "http://");                // no host
    Store(0, "b", "garbage");                // no scheme
    Store(0, "c", "http://127.0.0.1:1/x/");  // nothing listens there
    StoreProfile(0, "anna");
    scanner->Start();
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{"http://", 3},
                                            {"garbage", 3},
                                            {"http://127.0.0.1:1/x/", 3},
                                            {Profile("anna"), 1}}));
    EXPECT_EQ(Targets(), (std::vector<std::string>{"/anna/"}));
    EXPECT_FALSE(scanner->Submit().Connected());
}

TEST_F(OnLineScanTest, PageCutBeforeTheSpanIsUnknownNotAbsent) {
    // The span stands in the second half of the body, so half a body ends before it: a body cut
    // short is a failed fetch, never a page without the span.
    std::string filler(4000, 'x');
    state.rawPages["/cut/"] = site::RawPage("<html><body><p>" + filler + "</p><span>" + u8"Сейчас на сайте!"_cp +
                                   "</span></body></html>");
    state.faults.push_back(MakeFault("/cut/", site::FaultKind::Truncate));
    Begin();
    EXPECT_EQ(StatusOf(Profile("cut")), 3);
    EXPECT_TRUE(scanner->PageText().empty());
}

TEST_F(OnLineScanTest, PageFetchedBeforeAPauseIsReportedAfterTheResume) {
    SiteContact(0, "anna", true);
    SiteContact(0, "bella", false);
    Begin();
    StoreProfile(0, "anna");
    StoreProfile(0, "bella");
    scanner->Start();
    ASSERT_TRUE(timer->Fire());  // fetch anna
    scanner->Pause();
    EXPECT_EQ(scanner->RunState(), 3);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_FALSE(timer->Fire());
    // Anna leaves meanwhile: the page fetched before the pause still counts.
    server->Update([](site::SiteState& s) { s.folders[0][0].online = false; });
    scanner->Resume();
    EXPECT_EQ(scanner->RunState(), 2);
    EXPECT_TRUE(timer->Enabled());
    ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{Profile("anna"), 1}}));
    EXPECT_EQ(server->Log().size(), 1u);
    ASSERT_TRUE(timer->Fire());  // then bella, where it left off
    EXPECT_EQ(Targets(), (std::vector<std::string>{"/anna/", "/bella/"}));

    // A later pause takes effect on a resumed scan; Stop keeps folder and phase.
    scanner->Pause();
    EXPECT_EQ(scanner->RunState(), 3);
    scanner->Stop();
    EXPECT_EQ(scanner->RunState(), 0);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(Where(), (Spot{0, 0, 2}));
    // Start begins again at folder 0, record 1.
    scanner->Start();
    EXPECT_EQ(Where(), (Spot{0, 0, 1}));
    ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(Targets().back(), "/anna/");
}

TEST_F(OnLineScanTest, StartAndPauseNeedOnStatusResumeTestsNothing) {
    SiteContact(0, "anna", true);
    Begin();
    StoreProfile(0, "anna");
    TOnLineStatusEvent handler = scanner->OnStatus;
    scanner->OnStatus = nullptr;
    scanner->Start();
    EXPECT_EQ(scanner->RunState(), 0);
    EXPECT_FALSE(timer->Enabled());

    scanner->OnStatus = handler;
    scanner->Start();
    scanner->OnStatus = nullptr;
    scanner->Pause();  // does nothing without a handler
    EXPECT_EQ(scanner->RunState(), 1);
    EXPECT_TRUE(timer->Enabled());
    ASSERT_TRUE(timer->Fire());  // and a tick without a handler does nothing
    EXPECT_EQ(Where(), (Spot{0, 0, 1}));
    EXPECT_TRUE(server->Log().empty());

    scanner->Stop();
    scanner->Resume();  // even a stopped scan
    EXPECT_EQ(scanner->RunState(), 2);
    EXPECT_TRUE(timer->Enabled());
}

TEST_F(OnLineScanTest, NoDataModuleNoWork) {
    SiteContact(0, "anna", true);
    Begin();
    StoreProfile(0, "anna");
    scanner->Start();
    TdmFriend* saved = dmFriend;
    dmFriend = nullptr;
    ASSERT_TRUE(timer->Fire());
    dmFriend = saved;
    EXPECT_EQ(Where(), (Spot{0, 0, 1}));
    EXPECT_TRUE(server->Log().empty());
}

TEST_F(OnLineScanTest, RecordsDeletedWhilePausedMoveTheScanToTheNextFolder) {
    for (const char* login : {"a1", "a2", "a3"}) SiteContact(0, login, true);
    SiteContact(1, "b1", false);
    Begin();
    for (const char* login : {"a1", "a2", "a3"}) StoreProfile(0, login);
    StoreProfile(1, "b1");
    TFriend* folder0 = dm->Folders->GetFolderTable(0);

    // Standing after record 2 of 3 when two cards go: the scan is past the new end.
    scanner->Start();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(Where(), (Spot{0, 2, 1}));
    scanner->Pause();
    folder0->DeleteFriend(2);
    folder0->DeleteFriend(1);
    scanner->Resume();
    ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(Where(), (Spot{1, 0, 1}));
    ASSERT_TRUE(timer->Fire());
    ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports.back(), (Report{Profile("b1"), 0}));
    EXPECT_EQ(Targets(), (std::vector<std::string>{"/a1/", "/a2/", "/b1/"}));

    // Between the fetch and the report: the fetched page is still reported, then the next folder.
    folder0->AddFriend("a2", "a2", Profile("a2"), "", 0, 0, 0, 0, 0, "");
    folder0->AddFriend("a3", "a3", Profile("a3"), "", 0, 0, 0, 0, 0, "");
    scanner->Stop();
    scanner->Start();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(Where(), (Spot{0, 3, 2}));  // a3 fetched
    scanner->Pause();
    folder0->DeleteFriend(2);
    folder0->DeleteFriend(1);
    scanner->Resume();
    reports.clear();
    ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{Profile("a3"), 1}}));
    EXPECT_EQ(Where(), (Spot{1, 0, 1}));

    // A folder emptied between the fetch and the report costs one tick and reports nothing.
    scanner->Stop();
    scanner->Start();
    ASSERT_TRUE(timer->Fire());
    scanner->Pause();
    folder0->DeleteFriend(0);
    scanner->Resume();
    reports.clear();
    ASSERT_TRUE(timer->Fire());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(Where(), (Spot{1, 0, 1}));
}

TEST_F(OnLineScanTest, RecordWithoutAddressIsUnknownWithoutARequest) {
    SiteContact(0, "anna", true);
    Begin();
    Store(0, "nobody", "");
    StoreProfile(0, "anna");
    scanner->Start();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{"", 3}, {Profile("anna"), 1}}));
    EXPECT_EQ(Targets(), (std::vector<std::string>{"/anna/"}));
}

TEST_F(OnLineScanTest, HandlerThatRaisesDoesNotStopTheWalk) {
    SiteContact(0, "anna", true);
    SiteContact(0, "bella", false);
    Begin();
    StoreProfile(0, "anna");
    StoreProfile(0, "bella");
    scanner->OnStatus = [this](const std::string& url, int status) {
        reports.push_back({url, status});
        throw std::runtime_error("card gone");
    };
    scanner->Start();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(reports, (std::vector<Report>{{Profile("anna"), 1}, {Profile("bella"), 0}}));
    EXPECT_EQ(Where(), (Spot{2, 0, 1}));  // folder 0 done, empty folder 1 passed
}

TEST_F(OnLineScanTest, FoldersNotAddedYetCountAsEmpty) {
    Begin();
    // A data module whose contacts page has not added the folders yet.
    dm.reset();
    dm = std::make_unique<TdmFriend>();
    scanner->Start();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(timer->Fire());
    EXPECT_EQ(Where(), (Spot{1, 0, 1}));
    EXPECT_TRUE(reports.empty());
}

}  // namespace
