// Site login, logout and folder addresses against the stand-in site.
#include "AgentTestSupport.h"
#include "site/SitePages.h"
#include "platform/CpLiteral.h"

namespace {

const std::string kUserAgent = "Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)";

std::vector<std::string> Routes(const std::vector<site::LoggedRequest>& log) {
    std::vector<std::string> out;
    for (const auto& r : log) out.push_back(r.route);
    return out;
}

using LoginTest = AgentTest;

TEST_F(LoginTest, NormalPathTwoPausesSevenFieldsExactBody) {
    state.password = u8"пароль 1&2"_cp;
    StartSite();
    ASSERT_TRUE(LogIn());
    EXPECT_EQ(rig.pauses, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(rig.worker->MessagesURL, "http://" + server->Host() + "/messages.phtml?rand=4711");
    EXPECT_EQ(rig.worker->LogoutURL, "http://" + server->Host() + "/logout.phtml");
    EXPECT_TRUE(rig.worker->Submit().Connected());

    auto log = server->Log();
    ASSERT_EQ(Routes(log), (std::vector<std::string>{"home", "login-page", "login-post"}));
    // The very first request carries the client's default Accept; the login sets the long one.
    EXPECT_EQ(log[0].Header("Accept"), "text/html, */*");
    EXPECT_EQ(log[0].Header("User-Agent"), kUserAgent);
    EXPECT_FALSE(log[0].HasHeader("Cookie"));
    EXPECT_EQ(log[0].version, "HTTP/1.0");
    EXPECT_EQ(log[1].target, "/tips/index.phtml?tip=login");  // cut before "&sold="
    EXPECT_EQ(log[1].Header("Accept"), kLoginAccept);
    EXPECT_EQ(log[1].Header("Cookie"), "visit=V1");
    EXPECT_EQ(log[2].method, "POST");
    EXPECT_EQ(log[2].target, "/tips/login.phtml");
    EXPECT_EQ(log[2].body,
              "oid=0&photo_oid=0&login_action=login&tcurl=&login=velmora&password=%EF%E0%F0%EE%EB%FC+1%262&level=");
    ASSERT_EQ(log[2].fields.size(), 7u);
    EXPECT_EQ(log[2].Field("password"), u8"пароль 1&2"_cp);
    EXPECT_EQ(log[2].Header("Accept"), kLoginAccept);
    EXPECT_EQ(log[2].Header("Cookie"), "visit=V1");

    // The session lasts: the messages page goes out with the session cookie and the long Accept.
    std::string url;
    rig.worker->GetFolderURL(0, url);
    auto msgs = server->Requests("messages");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].session, "S1");
    EXPECT_EQ(msgs[0].Header("Accept"), kLoginAccept);

    rig.worker->Logout();
    EXPECT_EQ(server->Log().back().route, "logout");
    EXPECT_EQ(server->LiveSessions(), 0);
    EXPECT_FALSE(rig.worker->Submit().Connected());
    EXPECT_FALSE(rig.worker->LogoutURL.empty());  // Logout clears neither address
    EXPECT_FALSE(rig.worker->MessagesURL.empty());
}

TEST_F(LoginTest, RetryWithTheFullLinkAndItsHiddenS) {
    state.cutLinkHasForm = false;
    StartSite();
    ASSERT_TRUE(LogIn());
    EXPECT_EQ(rig.pauses, (std::vector<int>{1000, 1000, 1000}));
    auto log = server->Log();
    ASSERT_EQ(Routes(log), (std::vector<std::string>{"home", "login-page", "login-page", "login-post"}));
    EXPECT_EQ(log[1].target, "/tips/index.phtml?tip=login");
    EXPECT_EQ(log[2].target, "/tips/index.phtml?tip=login&sold=f3a9");
    EXPECT_FALSE(log[2].HasHeader("Cookie"));  // the reconnect dropped the visit cookie
    EXPECT_EQ(log[2].Header("Accept"), kLoginAccept);
    ASSERT_EQ(log[3].fields.size(), 8u);
    EXPECT_EQ(log[3].fields[7], (std::pair<std::string, std::string>{"s", "7c21"}));
    EXPECT_EQ(log[3].fields[6].first, "level");
}

TEST_F(LoginTest, LinkWithoutSoldIsRequestedTwiceWhenItHasNoForm) {
    state.cutLinkHasForm = false;
    state.loginLink = site::LoginLink::WithoutSold;
    StartSite();
    EXPECT_FALSE(LogIn());
    auto log = server->Log();
    ASSERT_EQ(Routes(log), (std::vector<std::string>{"home", "login-page", "login-page"}));
    EXPECT_EQ(log[1].target, log[2].target);
    EXPECT_FALSE(log[2].HasHeader("Cookie"));
    EXPECT_EQ(rig.pauses.size(), 2u);  // no post, no third pause
    EXPECT_FALSE(rig.worker->Submit().Connected());
}

TEST_F(LoginTest, WrongPasswordLogsOutThroughTheLinkThenDisconnects) {
    state.refusedShowsLogout = true;
    StartSite();
    EXPECT_FALSE(rig.worker->Login("velmora", "wrong"));
    auto log = server->Log();
    ASSERT_EQ(Routes(log), (std::vector<std::string>{"home", "login-page", "login-post", "logout"}));
    EXPECT_EQ(rig.worker->MessagesURL, "");
    EXPECT_EQ(rig.worker->LogoutURL, "http://" + server->Host() + "/logout.phtml");
    EXPECT_FALSE(rig.worker->Submit().Connected());

    // Without a logout link on the refusal nothing more is requested.
    server->Update([](site::SiteState& s) { s.refusedShowsLogout = false; });
    server->ClearLog();
    EXPECT_FALSE(rig.worker->Login("velmora", "wrong"));
    EXPECT_EQ(Routes(server->Log()), (std::vector<std::string>{"home", "login-page", "login-post"}));
    EXPECT_EQ(rig.worker->LogoutURL, "");
}

TEST_F(LoginTest, EmptyHomePageEndsAtOnceKeepingTheAddresses) {
    state.faults = {{"", 1, 1, site::FaultKind::EmptyBody, 0, "", 0}};
    StartSite();
    rig.worker->MessagesURL = "m";
    rig.worker->LogoutURL = "l";
    EXPECT_FALSE(LogIn());
    EXPECT_EQ(server->Log().size(), 1u);
    EXPECT_TRUE(rig.pauses.empty());
    EXPECT_EQ(rig.worker->MessagesURL, "m");
    EXPECT_EQ(rig.worker->LogoutURL, "l");
    EXPECT_FALSE(rig.worker->Submit().Connected());
}

TEST_F(LoginTest, NoLoginLinkAndEmptyHost) {
    state.loginLink = site::LoginLink::None;
    StartSite();
    rig.worker->MessagesURL = "m";
    EXPECT_FALSE(LogIn());
    EXPECT_EQ(Routes(server->Log()), (std::vector<std::string>{"home"}));
    EXPECT_TRUE(rig.pauses.empty());
    EXPECT_EQ(rig.worker->MessagesURL, "");

    server->ClearLog();
    rig.worker->Host = "";
    EXPECT_FALSE(LogIn());
    EXPECT_TRUE(server->Log().empty());
    EXPECT_TRUE(rig.pauses.empty());
}

// The home page's login link carries a Cyrillic parameter: the request shows whether the page
// was searched as converted text (cp1251 bytes) or as it came (UTF-8 bytes). The client escapes
// the bytes of the path, as WinHTTP does.
class HomeCharsetTest : public AgentTest {
protected:
    std::string LoginTarget(site::Encoding enc) {
        site::RawPage home;
        home.body = site::pages::Head("Home", enc) +
                    u8"<a href=\"http://{host}/tips/index.phtml?tip=login&lang=рус\">Вход</a>\n</body></html>\n"_cp;
        home.encoding = enc;
        state.rawPages["/"] = home;
        StartSite();
        LogIn();
        auto pages = server->Requests("login-page");
        return pages.empty() ? "" : pages[0].target;
    }
};

TEST_F(HomeCharsetTest, Utf8DeclaredInTheFirstCharsetMetaIsConverted) {
    EXPECT_EQ(LoginTarget(site::Encoding::Utf8), "/tips/index.phtml?tip=login&lang=%F0%F3%F1");
}

TEST_F(HomeCharsetTest, Utf8DeclaredOnlyInASecondMetaIsNot) {
    EXPECT_EQ(LoginTarget(site::Encoding::Utf8SecondMeta), "/tips/index.phtml?tip=login&lang=%D1%80%D1%83%D1%81");
}

TEST_F(HomeCharsetTest, Html5CharsetIsConvertedAndAHeaderAloneIsNotSeen) {
    EXPECT_EQ(LoginTarget(site::Encoding::Utf8Html5Meta), "/tips/index.phtml?tip=login&lang=%F0%F3%F1");
    server->Stop();
    rig.worker.reset();
    EXPECT_EQ(LoginTarget(site::Encoding::Utf8HeaderOnly), "/tips/index.phtml?tip=login&lang=%D1%80%D1%83%D1%81");
}

TEST_F(LoginTest, FolderAddressesRepeatedLinkAndLinkFromTheRoot) {
    state.folderHrefs = {"http://{host}/messages.phtml?fid=7", "http://{host}/messages.phtml?fid=7",
                         "/messages.phtml?fid=9", "http://{host}/messages.phtml?fid=3"};
    StartSite();
    ASSERT_TRUE(LogIn());
    std::string h = "http://" + server->Host() + "/";
    std::string url;
    rig.worker->GetFolderURL(0, url);
    EXPECT_EQ(url, h + "messages.phtml?fid=7");
    rig.worker->GetFolderURL(1, url);  // the repeat counts once; the root link is taken from "messages.phtml?fid="
    EXPECT_EQ(url, h + "messages.phtml?fid=9");
    rig.worker->GetFolderURL(2, url);
    EXPECT_EQ(url, h + "messages.phtml?fid=3");
    rig.worker->GetFolderURL(3, url);  // no such link: the messages address before "messages.phtml"
    EXPECT_EQ(url, h);
    EXPECT_EQ(server->Requests("messages").size(), 4u);  // the page is fetched anew each time

    rig.worker->MessagesURL.clear();
    rig.worker->GetFolderURL(0, url);
    EXPECT_EQ(url, "");
    EXPECT_EQ(server->Requests("messages").size(), 4u);
}

TEST_F(LoginTest, MessagesAddressInOtherLetterCase) {
    state.messagesHref = "http://{host}/MESSAGES.PHTML?rand=5";
    state.rawPages["/MESSAGES.PHTML?rand=5"] = site::RawPage{
        "<a href=\"Messages.phtml?FID=1\">a</a><a href=\"http://{host}/messages.phtml?fid=2\">b</a>"};
    StartSite();
    ASSERT_TRUE(LogIn());
    std::string url;
    rig.worker->GetFolderURL(0, url);  // no "messages.phtml" as written in the messages address
    EXPECT_EQ(url, "Messages.phtml?FID=1");
    rig.worker->GetFolderURL(1, url);
    EXPECT_EQ(url, "http://" + server->Host() + "/messages.phtml?fid=2");
}

TEST_F(LoginTest, LogoutWithoutALogoutLinkRequestsNothing) {
    state.rawPages["/tips/login.phtml"] = site::RawPage{"<a href=\"http://{host}/messages.phtml?rand=1\">m</a>"};
    StartSite();
    ASSERT_TRUE(LogIn());
    EXPECT_EQ(rig.worker->LogoutURL, "");
    size_t n = server->Log().size();
    rig.worker->Logout();
    EXPECT_EQ(server->Log().size(), n);
    EXPECT_FALSE(rig.worker->Submit().Connected());
}

TEST_F(LoginTest, AcceptedLoginAnsweredByARedirect) {
    state.loginRedirects = true;
    StartSite();
    ASSERT_TRUE(LogIn());
    auto log = server->Log();
    ASSERT_EQ(Routes(log), (std::vector<std::string>{"home", "login-page", "login-post", "welcome"}));
    EXPECT_EQ(log[3].session, "S1");
}

TEST(CharsetCheck, OnlyTheFirstCharsetMetaCounts) {
    TFindTags ft;
    std::string utf8 = site::Utf8(u8"<meta http-equiv=\"Content-Type\" content=\"text/html; Charset=UTF-8\"><p>Жук</p>");
    EXPECT_EQ(TSiteWorker::CharsetCheck(utf8, ft),
              u8"<meta http-equiv=\"Content-Type\" content=\"text/html; Charset=UTF-8\"><p>Жук</p>"_cp);
    EXPECT_EQ(ft.GetText(), u8"<meta http-equiv=\"Content-Type\" content=\"text/html; Charset=UTF-8\"><p>Жук</p>\r\n"_cp);
    std::string second = site::Utf8(u8"<meta content=\"text/html; charset=koi8-r\"><meta content=\"charset=utf-8\">Жук");
    EXPECT_EQ(TSiteWorker::CharsetCheck(second, ft), second);
    // A meta without "charset=" is no declaration: the second one is the first that counts.
    std::string none = site::Utf8(u8"<meta http-equiv=\"refresh\" content=\"utf-8\"><meta content=\"charset=utf-8\">Жук");
    EXPECT_EQ(TSiteWorker::CharsetCheck(none, ft), u8"<meta http-equiv=\"refresh\" content=\"utf-8\"><meta content=\"charset=utf-8\">Жук"_cp);
    // A character the code page lacks becomes "?".
    std::string outside = site::Utf8(u8"<meta content=\"charset=utf-8\">Zoë ★");
    EXPECT_EQ(TSiteWorker::CharsetCheck(outside, ft), "<meta content=\"charset=utf-8\">Zo? ?");
}

// The first meta that declares a charset either way decides; its value is read lower-cased.
TEST(CharsetCheck, CharsetParameterCountsLikeAContentDeclaration) {
    TFindTags ft;
    const std::string cp = u8"<p>Жук</p>"_cp;
    const std::string utf = site::Utf8(u8"<p>Жук</p>");
    struct Case {
        std::string head;
        bool converted;
    };
    const Case cases[] = {
        {"<meta charset=\"utf-8\">", true},
        {"<meta charset=UTF-8>", true},
        {"<meta charset=\"windows-1251\"><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", false},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"><meta charset=\"utf-8\">", false},
        {"<meta charset=\"utf-8\"><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">", true},
        {"<meta name=\"keywords\" content=\"utf-8\"><meta charset=\"Utf-8\">", true},
        {"<meta charset=\"\"><meta charset=\"utf-8\">", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        EXPECT_EQ(TSiteWorker::CharsetCheck(c.head + utf, ft), c.head + (c.converted ? cp : utf));
        EXPECT_EQ(ft.GetText(), c.head + (c.converted ? cp : utf) + "\r\n");
    }
}

}  // namespace
