// The new-message check against the stand-in site, driven by a manual timer.
#include <QLoggingCategory>
#include <stdexcept>

#include "AgentTestSupport.h"
#include "agent/CheckMessagesClass.h"
#include "platform/CpLiteral.h"

namespace {

struct Progress {
    int current, total;
    bool busy;
    bool operator==(const Progress&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Progress& p) {
    return os << "(" << p.current << "/" << p.total << (p.busy ? " busy" : "") << ")";
}

// A checker whose list reading fails: an unexpected error inside a step.
class FailingChecker : public TCheckMessagesClass {
public:
    using TCheckMessagesClass::TCheckMessagesClass;
    void ParseListPage(const std::string&) override { throw std::runtime_error("unexpected"); }
};

site::Contact MarkedRow(const std::string& login, const std::string& mark) {
    site::Contact c = MakeContact(login, u8"Имя "_cp + login, "30", u8"Москва"_cp);
    c.mark = mark;
    return c;
}

// The common folder: which mark texts count, and the contact test after the mark.
// The favourites: single-table rows have one "/tbody" each, so a later row's mark reaches back;
// a nested row (two "/tbody") keeps to itself; a profile that names another address.
void FillMarkRows(site::SiteState& s) {
    auto& f = s.folders[0];
    f.push_back(MarkedRow("anna", " | "));
    f.push_back(MarkedRow("bella", "|"));
    f.push_back(MarkedRow("clara", u8"Вам сюрприз!"_cp));
    f.push_back(MarkedRow("dina", u8"Пользователь приготовил вам сюрприз!"_cp));
    f.push_back(MarkedRow("eva", u8"Подмигнул(а) вам"_cp));
    f.push_back(MarkedRow("faina", u8"1 новое сообщение"_cp));
    f.push_back(MarkedRow("gala", u8"3 новых сообщения"_cp));
    f.push_back(MarkedRow("hanna", ""));
    site::Contact inna = MarkedRow("inna", u8"1 новое сообщение"_cp);
    inna.href = "http://{host}/search.phtml?oid=77";  // marked, but not a contact
    f.push_back(inna);

    auto& g = s.folders[1];
    site::Contact kira = MarkedRow("kira", "");
    kira.singleTable = true;
    site::Contact lena = MarkedRow("lena", u8"2 новых сообщения"_cp);
    lena.singleTable = true;
    site::Contact nina = MarkedRow("nina", "");
    site::Contact mila = MarkedRow("mila", " | ");
    mila.selfLink = "http://{host}/mila_real/";
    g.push_back(kira);
    g.push_back(lena);
    g.push_back(nina);
    g.push_back(mila);
}

class CheckMessagesTest : public AgentTest {
protected:
    void TearDown() override {
        checker.reset();
        AgentTest::TearDown();
    }

    // Starts the site with `state` and makes a checker with test seams.
    template <class Checker = TCheckMessagesClass>
    void Begin() {
        server = std::make_unique<site::StandInSite>(state);
        server->SetRequestHook([this](const site::LoggedRequest&) {
            if (timer) timer->Probe();
        });
        server->Start();
        dm->Settings->AgentServer = server->Host();
        checker = std::make_unique<Checker>(RecordingSeams(timer, pauses, messages));
        checker->Host = server->Host();
        checker->OnProgress = [this](TObject* s) {
            auto* st = dynamic_cast<TCheckMessagesStateObject*>(s);
            ASSERT_NE(st, nullptr);
            progress.push_back({st->Current, st->Total, checker->Busy});
        };
        checker->OnComplete = [this](TObject* s) {
            EXPECT_EQ(s, &checker->State());
            ++completions;
            busyInComplete = checker->Busy;
        };
    }
    bool LogIn() { return checker->Login(state.login, state.password); }
    int Ticks() { return FireToEnd(*timer); }
    // Login, StartCheck and ticks until the timer stays off; answers the ticks, -1 on a failed login.
    int Check() {
        if (!LogIn()) return -1;
        checker->StartCheck();
        return Ticks();
    }
    // The logins of the checker's table of folder f, in order.
    std::vector<std::string> Logins(int f) {
        std::vector<std::string> out;
        TFriend& t = *checker->Folders().GetFolderTable(f);
        for (int i = 1; i <= t.RecordCount(); ++i) {
            t.SetRecNo(i);
            out.push_back(t.GetFieldText("Login"));
        }
        return out;
    }
    std::vector<std::string> ProfileTargets() const {
        std::vector<std::string> out;
        for (const auto& r : server->Requests("profile")) out.push_back(r.target);
        return out;
    }
    std::string Link(const std::string& path) const { return "http://" + server->Host() + path; }

    ManualTimer* timer = nullptr;
    std::unique_ptr<TCheckMessagesClass> checker;
    std::vector<int> pauses;
    std::vector<std::string> messages;
    std::vector<Progress> progress;
    int completions = 0;
    bool busyInComplete = false;
};

TEST_F(CheckMessagesTest, KeepsMarkedContactRowsOnly) {
    FillMarkRows(state);
    Begin();
    ASSERT_GT(Check(), 0);

    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna", "dina", "eva", "faina", "gala"}));
    EXPECT_EQ(Logins(1), (std::vector<std::string>{"kira", "lena", "mila_real"}));
    auto common = Rows(*checker->Folders().GetFolderTable(0));
    auto favourites = Rows(*checker->Folders().GetFolderTable(1));
    ASSERT_EQ(common.size(), 5u);
    ASSERT_EQ(favourites.size(), 3u);
    EXPECT_EQ(common[0], "anna|anna|" + Link("/anna/") + "||0|0|0|0|0||0");
    // The name is the list link's login, the address the profile's own.
    EXPECT_EQ(favourites[2], "mila|mila_real|" + Link("/mila_real/") + "||0|0|0|0|0||0");

    // Profiles of marked contact rows only, each through a fresh client without the session.
    EXPECT_EQ(ProfileTargets(), (std::vector<std::string>{"/anna/?oid=1000", "/dina/?oid=1003", "/eva/?oid=1004",
                                                          "/faina/?oid=1005", "/gala/?oid=1006", "/kira/?oid=1000",
                                                          "/lena/?oid=1001", "/mila/?oid=1003"}));
    for (const auto& r : server->Requests("profile")) {
        EXPECT_FALSE(r.HasHeader("Cookie")) << r.target;
        EXPECT_TRUE(r.session.empty());
        EXPECT_EQ(r.Header("Accept"), "text/html, */*");
    }
    // List pages go through the session with the long Accept.
    for (const auto& r : server->Requests("list")) {
        EXPECT_FALSE(r.session.empty()) << r.target;
        EXPECT_EQ(r.Header("Accept"), kLoginAccept);
    }
    EXPECT_TRUE(messages.empty());  // no completion box
    // Every request, profiles included, went out inside a step with the timer off.
    const std::vector<bool> probes = timer->Probes();
    EXPECT_EQ(probes.size(), server->Log().size());
    for (bool on : probes) EXPECT_FALSE(on);
}

TEST_F(CheckMessagesTest, Utf8SiteGivesTheSameContacts) {
    FillMarkRows(state);
    state.encoding = site::Encoding::Utf8;
    Begin();
    ASSERT_GT(Check(), 0);
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna", "dina", "eva", "faina", "gala"}));
    EXPECT_EQ(Logins(1), (std::vector<std::string>{"kira", "lena", "mila_real"}));
}

TEST_F(CheckMessagesTest, ProgressCountsStepsOfFiveThousandAndBusyEndsAfterOnComplete) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    state.folders[0].push_back(MarkedRow("bella", " | "));
    state.folders[1].push_back(MarkedRow("clara", " | "));
    Begin();
    EXPECT_FALSE(checker->Busy);
    ASSERT_TRUE(LogIn());
    checker->StartCheck();
    EXPECT_TRUE(checker->Busy);
    EXPECT_TRUE(timer->Enabled());
    int ticks = Ticks();
    // Folder 0: load, two merges, the end page, one empty merge; folder 1: load, one merge, the end
    // page, one empty merge; then the finishing tick.
    EXPECT_EQ(ticks, 10);
    std::vector<Progress> expected{{0, 5000, true}};
    for (int i = 1; i <= 9; ++i) expected.push_back({i, 5000, true});
    expected.push_back({0, 5000, true});  // Finish, still busy
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(busyInComplete);
    EXPECT_FALSE(checker->Busy);
    EXPECT_EQ(checker->CheckState().Current, 0);
    EXPECT_EQ(checker->CheckState().Total, 5000);
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna", "bella"}));
    EXPECT_EQ(Logins(1), (std::vector<std::string>{"clara"}));

    std::vector<std::string> lists;
    for (const auto& r : server->Requests("list")) lists.push_back(r.target);
    EXPECT_EQ(lists, (std::vector<std::string>{"/messages.phtml?fid=1", "/messages.phtml?fid=1&offset=10",
                                               "/messages.phtml?fid=2&offset=0",
                                               "/messages.phtml?fid=2&offset=10"}));
    checker->Logout();
    EXPECT_EQ(server->Log().back().route, "logout");
}

TEST_F(CheckMessagesTest, TablesGrowAcrossChecks) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    state.folders[0].push_back(MarkedRow("bella", ""));
    Begin();
    ASSERT_GT(Check(), 0);
    checker->Logout();
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna"}));

    // Anna's message was read, Bella wrote: the mark found once stays.
    server->Update([](site::SiteState& s) {
        s.folders[0][0].mark = "";
        s.folders[0][1].mark = u8"1 новое сообщение"_cp;
    });
    ASSERT_GT(Check(), 0);
    checker->Logout();
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna", "bella"}));

    // Both marked again: nobody is added twice.
    server->Update([](site::SiteState& s) { s.folders[0][0].mark = " | "; });
    ASSERT_GT(Check(), 0);
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna", "bella"}));
    EXPECT_EQ(completions, 3);
    EXPECT_FALSE(checker->Busy);
}

TEST_F(CheckMessagesTest, RefusedLoginOnlyDisconnects) {
    state.refusedShowsLogout = true;
    Begin();
    EXPECT_FALSE(checker->Login(state.login, "wrong"));
    EXPECT_FALSE(checker->LogoutURL.empty());  // the answer had the link
    EXPECT_NE(server->Log().back().route, "logout");
    EXPECT_TRUE(server->Requests("logout").empty());
    EXPECT_FALSE(checker->Submit().Connected());
    EXPECT_FALSE(checker->Busy);
    EXPECT_EQ(pauses, (std::vector<int>{1000, 1000}));
}

TEST_F(CheckMessagesTest, UnexpectedErrorInAStepEndsTheCheckThroughItsFinish) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    Begin<FailingChecker>();
    ASSERT_TRUE(LogIn());
    checker->StartCheck();
    EXPECT_EQ(Ticks(), 2);  // the failing load, then the finish
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(busyInComplete);
    EXPECT_FALSE(checker->Busy);
    EXPECT_EQ(server->Requests("list").size(), 1u);

    // The next check runs again.
    ASSERT_TRUE(LogIn());
    checker->StartCheck();
    EXPECT_TRUE(checker->Busy);
    EXPECT_EQ(Ticks(), 2);
    EXPECT_EQ(completions, 2);
    EXPECT_FALSE(checker->Busy);
}

// What a step swallows goes to the "velmora.agent" category at debug level, off by default.
std::vector<std::string>* g_traced = nullptr;
void TraceHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_traced && type == QtDebugMsg && context.category && std::string(context.category) == "velmora.agent")
        g_traced->push_back(message.toStdString());
}

TEST_F(CheckMessagesTest, SwallowedErrorsAreTracedOnlyWhenTheCategoryIsOn) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    Begin<FailingChecker>();
    std::vector<std::string> traced;
    g_traced = &traced;
    QtMessageHandler previous = qInstallMessageHandler(&TraceHandler);
    auto run = [&] {
        ASSERT_TRUE(LogIn());
        checker->StartCheck();
        EXPECT_EQ(Ticks(), 2);
    };
    run();
    EXPECT_TRUE(traced.empty());
    QLoggingCategory::setFilterRules("velmora.agent.debug=true");
    run();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    g_traced = nullptr;
    EXPECT_EQ(traced, (std::vector<std::string>{"worker step: unexpected"}));
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(messages.empty());  // the user sees nothing more
}

TEST_F(CheckMessagesTest, ErrorWhileStartingStillFinishes) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    Begin();
    bool first = true;
    checker->OnProgress = [&](TObject*) {
        if (first) {
            first = false;
            throw std::runtime_error("progress bar gone");
        }
    };
    ASSERT_TRUE(LogIn());
    checker->StartCheck();
    EXPECT_TRUE(checker->Busy);
    EXPECT_EQ(Ticks(), 1);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(checker->Busy);
}

TEST_F(CheckMessagesTest, CompletionHandlerThatRaisesStillEndsBusy) {
    state.folders[0].push_back(MarkedRow("anna", " | "));
    Begin();
    checker->OnComplete = [this](TObject*) {
        ++completions;
        throw std::runtime_error("window gone");
    };
    ASSERT_GT(Check(), 0);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(checker->Busy);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"anna"}));
}

TEST_F(CheckMessagesTest, MarkOnTheSecondPageIsFound) {
    // A first page of unmarked rows counts as read: the walk goes on to the second page.
    for (int i = 0; i < 12; ++i) state.folders[0].push_back(MarkedRow("u" + std::to_string(i), i == 11 ? " | " : ""));
    Begin();
    ASSERT_GT(Check(), 0);
    EXPECT_EQ(Logins(0), (std::vector<std::string>{"u11"}));
    EXPECT_FALSE(checker->RunFailed);
    EXPECT_EQ(server->Requests("list").size(), 4u);
}

TEST_F(CheckMessagesTest, ExpiredSessionFailsTheCheckAndKeepsWhatWasFound) {
    for (int i = 0; i < 12; ++i) state.folders[0].push_back(MarkedRow("u" + std::to_string(i), i == 3 ? " | " : ""));
    state.sessionExpiresAfter = 3;
    for (bool home : {false, true}) {
        SCOPED_TRACE(home);
        state.expiredGoesHome = home;
        Begin();
        ASSERT_TRUE(LogIn());
        checker->StartCheck();
        EXPECT_LT(FireToEnd(*timer, 200), 30);
        EXPECT_FALSE(checker->Busy);
        EXPECT_TRUE(checker->RunFailed);
        EXPECT_EQ(Logins(0), (std::vector<std::string>{"u3"}));
        checker.reset();
        server->Stop();
    }
}

TEST_F(CheckMessagesTest, ProfileThatFailsKeepsTheListAddress) {
    site::Contact anna = MarkedRow("anna", " | ");
    anna.selfLink = "http://{host}/anna_real/";
    state.folders[0].push_back(anna);
    state.faults.push_back([] {
        site::Fault f;
        f.targetContains = "/anna/";
        f.kind = site::FaultKind::Drop;
        return f;
    }());
    Begin();
    ASSERT_GT(Check(), 0);
    EXPECT_EQ(Rows(*checker->Folders().GetFolderTable(0)),
              (std::vector<std::string>{"anna|anna|" + Link("/anna/?oid=1000") + "||0|0|0|0|0||0"}));
}

}  // namespace
