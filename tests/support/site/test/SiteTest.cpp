// The stand-in site seen from a plain client: raw sockets (to see the exact answer) and
// cpp-httplib's client. Narrow literals here are cp1251 (the compiler's table), the site's pages
// are converted by iconv: comparing the two checks both.
#include "site/StandInSite.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include "platform/CpLiteral.h"

using site::StandInSite;

namespace {

struct Answer {
    std::string statusLine;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool closedEarly = false;  // the connection ended before any status line
    std::string Header(const std::string& n) const {
        for (auto& [k, v] : headers)
            if (k == n) return v;
        return "";
    }
    std::vector<std::string> All(const std::string& n) const {
        std::vector<std::string> out;
        for (auto& [k, v] : headers)
            if (k == n) out.push_back(v);
        return out;
    }
};

// One HTTP/1.0 exchange over a fresh socket, read until the server closes.
Answer Exchange(int port, const std::string& method, const std::string& target,
                const std::string& cookie = "", const std::string& body = "") {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    std::string req = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) +
                      "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)\r\n";
    if (!cookie.empty()) req += "Cookie: " + cookie + "\r\n";
    if (method == "POST")
        req += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n";
    req += "\r\n" + body;
    ::send(fd, req.data(), req.size(), MSG_NOSIGNAL);
    std::string in;
    char buf[4096];
    ssize_t r;
    while ((r = ::recv(fd, buf, sizeof buf, 0)) > 0) in.append(buf, static_cast<size_t>(r));
    ::close(fd);
    Answer ans;
    size_t he = in.find("\r\n\r\n");
    if (he == std::string::npos) {
        ans.closedEarly = true;
        return ans;
    }
    std::string head = in.substr(0, he);
    ans.body = in.substr(he + 4);
    size_t e = head.find("\r\n");
    ans.statusLine = head.substr(0, e);
    size_t pos = e == std::string::npos ? head.size() : e + 2;
    while (pos < head.size()) {
        size_t n = head.find("\r\n", pos);
        if (n == std::string::npos) n = head.size();
        std::string line = head.substr(pos, n - pos);
        size_t c = line.find(": ");
        ans.headers.emplace_back(line.substr(0, c), line.substr(c + 2));
        pos = n + 2;
    }
    return ans;
}

std::string Cookie(const Answer& a, const std::string& name) {
    for (const auto& c : a.All("Set-Cookie"))
        if (c.rfind(name + "=", 0) == 0) return c.substr(0, c.find(';'));
    return "";
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

site::Contact Person(const std::string& login, const std::string& name) {
    site::Contact c;
    c.login = login;
    c.name = name;
    c.age = "25";
    c.area = u8"Москва"_cp;
    return c;
}

std::string LoginBody(const std::string& login, const std::string& password) {
    return "oid=0&photo_oid=0&login_action=login&tcurl=&login=" + login + "&password=" + password + "&level=";
}

class SiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        state = site::SiteState();
        state.password = u8"пароль"_cp;  // posted as cp1251 %EF%E0%F0%EE%EB%FC
        for (int i = 0; i < 23; ++i)
            state.folders[0].push_back(Person("c" + std::to_string(i), u8"Анна "_cp + std::to_string(i)));
        state.folders[1].push_back(Person("fav", u8"Мария"_cp));
    }
    void StartSite() {
        server = std::make_unique<StandInSite>(state);
        server->Start();
    }
    std::string LogIn() {
        Answer a = Exchange(server->Port(), "POST", "/tips/login.phtml", "",
                            LoginBody("velmora", "%EF%E0%F0%EE%EB%FC"));
        return Cookie(a, "sid");
    }
    site::SiteState state;
    std::unique_ptr<StandInSite> server;
};

TEST_F(SiteTest, HomePageIsHttp10Cp1251WithVisitCookieAndLoginLink) {
    StartSite();
    Answer a = Exchange(server->Port(), "GET", "/");
    EXPECT_EQ(a.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(a.Header("Content-Type"), "text/html; charset=windows-1251");
    EXPECT_EQ(a.Header("Content-Length"), std::to_string(a.body.size()));
    EXPECT_EQ(Cookie(a, "visit"), "visit=V1");
    EXPECT_TRUE(Has(a.body, "charset=windows-1251"));
    EXPECT_TRUE(Has(a.body, "<a href=\"http://" + server->Host() + u8"/tips/index.phtml?tip=login&sold=f3a9\">Вход</a>"_cp));
    EXPECT_TRUE(Has(a.body, u8"Главная"_cp));  // the compiler's cp1251 equals iconv's
    EXPECT_FALSE(Has(a.body, "{host}"));
    for (size_t i = 0; i < a.body.size(); ++i) {  // tight markup: lines end right after a tag
        if (a.body[i] == '\n') {
            ASSERT_EQ(a.body[i - 1], '>') << i;
        }
    }
}

TEST_F(SiteTest, HomePageVariants) {
    state.loginLink = site::LoginLink::WithoutSold;
    StartSite();
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/").body, "index.phtml?tip=login\">"));
    server->Update([](site::SiteState& s) { s.loginLink = site::LoginLink::None; });
    EXPECT_FALSE(Has(Exchange(server->Port(), "GET", "/").body, "tip=login"));
}

TEST_F(SiteTest, EncodingVariants) {
    state.encoding = site::Encoding::Utf8;
    StartSite();
    Answer a = Exchange(server->Port(), "GET", "/");
    EXPECT_EQ(a.Header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_TRUE(Has(a.body, "content=\"text/html; charset=utf-8\""));
    EXPECT_TRUE(Has(a.body, site::Utf8(u8"Главная")));

    server->Update([](site::SiteState& s) { s.encoding = site::Encoding::Utf8SecondMeta; });
    a = Exchange(server->Port(), "GET", "/");
    size_t first = a.body.find("charset=windows-1251"), second = a.body.find("charset=utf-8");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_TRUE(Has(a.body, site::Utf8(u8"Главная")));

    server->Update([](site::SiteState& s) { s.encoding = site::Encoding::Utf8Html5Meta; });
    a = Exchange(server->Port(), "GET", "/");
    EXPECT_TRUE(Has(a.body, "<meta charset=\"utf-8\">"));
    EXPECT_FALSE(Has(a.body, "content=\"text/html"));

    server->Update([](site::SiteState& s) {
        s.encoding = site::Encoding::Cp1251;
        s.homeEncoding = site::Encoding::Utf8HeaderOnly;
    });
    a = Exchange(server->Port(), "GET", "/");
    EXPECT_FALSE(Has(a.body, "<meta"));
    EXPECT_TRUE(Has(a.body, site::Utf8(u8"Главная")));
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/tips/index.phtml?tip=login").body, u8"Вход"_cp));
}

TEST_F(SiteTest, LoginPagesAndPost) {
    StartSite();
    int port = server->Port();
    Answer cut = Exchange(port, "GET", "/tips/index.phtml?tip=login");
    EXPECT_TRUE(Has(cut.body, "<form name=\"poisk\" method=\"post\""));
    EXPECT_TRUE(Has(cut.body, "<form method=\"post\" action=\"login.phtml\">"));
    EXPECT_FALSE(Has(cut.body, "name=\"s\""));
    Answer full = Exchange(port, "GET", "/tips/index.phtml?tip=login&sold=f3a9");
    EXPECT_TRUE(Has(full.body, "<input type=\"hidden\" name=\"s\" value=\"7c21\">"));

    Answer refused = Exchange(port, "POST", "/tips/login.phtml", "", LoginBody("velmora", "wrong"));
    EXPECT_TRUE(Cookie(refused, "sid").empty());
    EXPECT_TRUE(Has(refused.body, "action=\"login.phtml\""));
    EXPECT_FALSE(Has(refused.body, "logout.phtml"));

    Answer ok = Exchange(port, "POST", "/tips/login.phtml", "", LoginBody("velmora", "%EF%E0%F0%EE%EB%FC"));
    EXPECT_EQ(Cookie(ok, "sid"), "sid=S1");
    EXPECT_TRUE(Has(ok.body, "href=\"http://" + server->Host() + "/messages.phtml?rand=4711\""));
    EXPECT_TRUE(Has(ok.body, "href=\"http://" + server->Host() + "/logout.phtml\""));

    auto posts = server->Requests("login-post");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].Field("password"), u8"пароль"_cp);
    EXPECT_EQ(posts[1].fields.size(), 7u);
    EXPECT_EQ(posts[1].fields[3].first, "tcurl");
    EXPECT_EQ(posts[1].version, "HTTP/1.0");
    EXPECT_EQ(posts[1].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(posts[1].session, "");  // the session starts with the answer
}

TEST_F(SiteTest, LoginVariants) {
    state.cutLinkHasForm = false;
    state.refusedShowsLogout = true;
    state.loginRedirects = true;
    StartSite();
    int port = server->Port();
    EXPECT_FALSE(Has(Exchange(port, "GET", "/tips/index.phtml?tip=login").body, "<form method=\"post\""));
    // Without the hidden s the post is refused; the refusal links the logout page.
    Answer refused = Exchange(port, "POST", "/tips/login.phtml", "", LoginBody("velmora", "%EF%E0%F0%EE%EB%FC"));
    EXPECT_TRUE(Has(refused.body, "logout.phtml"));
    Answer ok = Exchange(port, "POST", "/tips/login.phtml", "",
                         LoginBody("velmora", "%EF%E0%F0%EE%EB%FC") + "&s=7c21");
    EXPECT_EQ(ok.statusLine, "HTTP/1.0 302 Found");
    EXPECT_EQ(ok.Header("Location"), "http://" + server->Host() + "/welcome.phtml");
    std::string sid = Cookie(ok, "sid");
    ASSERT_FALSE(sid.empty());
    EXPECT_TRUE(Has(Exchange(port, "GET", "/welcome.phtml", sid).body, "messages.phtml?rand="));
    EXPECT_FALSE(Has(Exchange(port, "GET", "/welcome.phtml").body, "messages.phtml?rand="));
}

TEST_F(SiteTest, FolderPagesNeedASessionAndPageByTen) {
    StartSite();
    int port = server->Port();
    std::string sid = LogIn();
    Answer none = Exchange(port, "GET", "/messages.phtml?fid=1");
    EXPECT_TRUE(Has(none.body, u8"Ваши логин и пароль едины для любого из проектов"_cp));

    Answer msgs = Exchange(port, "GET", "/messages.phtml?rand=4711", sid);
    EXPECT_EQ(Count(msgs.body, "messages.phtml?fid="), 3);

    Answer p0 = Exchange(port, "GET", "/messages.phtml?fid=1", sid + "; visit=V9");
    EXPECT_EQ(Count(p0.body, "<table class=\"m\">"), 10);
    EXPECT_TRUE(Has(p0.body, u8"Найдено: 23"_cp));
    EXPECT_TRUE(Has(p0.body, "<a href=\"#\""));
    EXPECT_TRUE(Has(p0.body, "<a href=\"http://" + server->Host() + u8"/c0/?oid=1000\">Анна 0</a>, 25<br>Москва</td>"_cp));
    Answer p2 = Exchange(port, "GET", "/messages.phtml?fid=1&offset=20", sid);
    EXPECT_EQ(Count(p2.body, "<table class=\"m\">"), 3);
    EXPECT_TRUE(Has(p2.body, "/c22/?oid=1022"));
    Answer end = Exchange(port, "GET", "/messages.phtml?fid=1&offset=30", sid);
    EXPECT_TRUE(Has(end.body, u8"<td class=\"h\">Здесь будет храниться ваша переписка</td>"_cp));
    EXPECT_FALSE(Has(end.body, "href=\"#\""));
    Answer fav = Exchange(port, "GET", "/messages.phtml?fid=2", sid);
    EXPECT_TRUE(Has(fav.body, u8"Найдено: 1<br>В этой папке вы можете хранить контакты"_cp));
    Answer favEnd = Exchange(port, "GET", "/messages.phtml?fid=2&offset=10", sid);
    EXPECT_TRUE(Has(favEnd.body, u8"<td class=\"h\">В этой папке вы можете хранить контакты"_cp));

    auto lists = server->Requests("list");
    ASSERT_EQ(lists.size(), 6u);
    EXPECT_EQ(lists[0].session, "");
    EXPECT_EQ(lists[1].session, "S1");
    EXPECT_EQ(lists[1].Header("Cookie"), "sid=S1; visit=V9");
}

TEST_F(SiteTest, RowMarkupVariants) {
    state.folders[0].clear();
    site::Contact bare = Person("b", u8"Бэла"_cp);
    bare.ageForm = site::AgeForm::BareComma;
    site::Contact noAge = Person("n", u8"Нина"_cp);
    noAge.age.clear();
    site::Contact photo = Person("p", u8"Поля"_cp);
    photo.photoLinkFirst = true;
    photo.singleTable = true;
    photo.mark = " | ";
    state.folders[0] = {bare, noAge, photo};
    StartSite();
    Answer a = Exchange(server->Port(), "GET", "/messages.phtml?fid=1", LogIn());
    EXPECT_TRUE(Has(a.body, u8">Бэла</a> , <b>25</b><br>Москва</td>"_cp));
    EXPECT_TRUE(Has(a.body, u8">Нина</a></td>"_cp));
    EXPECT_TRUE(Has(a.body, "<td><a href=\"http://" + server->Host() + "/p/?oid=1002\"><img "));
    EXPECT_TRUE(Has(a.body, "<td class=\"k\"> | </td>"));
    EXPECT_EQ(Count(a.body, "<tbody>"), 3 + 2 + 2 + 1 + 1);  // menu, header, marker, rows, tail
}

TEST_F(SiteTest, ProfilesFullAndGuestViews) {
    site::Contact& c = state.folders[0][0];
    c.vip = true;
    c.voice = true;
    c.voiceIcon = "icop_voice.gif";
    c.online = true;
    c.photos = 5;
    c.intimPhotos = 2;
    StartSite();
    int port = server->Port();
    Answer guest = Exchange(port, "GET", "/c0/?oid=1000");
    EXPECT_TRUE(Has(guest.body, u8"alt=\"Нажмите, чтобы увеличить\""_cp));
    EXPECT_TRUE(Has(guest.body, "ico_vip.gif"));
    EXPECT_TRUE(Has(guest.body, "icop_voice.gif"));
    EXPECT_TRUE(Has(guest.body, u8"<span class=\"on\">Сейчас на сайте!</span>"_cp));
    EXPECT_TRUE(Has(guest.body, u8">5 фото</td>"_cp));
    EXPECT_FALSE(Has(guest.body, u8"интим"_cp));
    std::string self = "http://" + server->Host() + "/c0/";
    EXPECT_TRUE(Has(guest.body, "<a href=\"" + self + "\">" + self + "</a>"));
    Answer full = Exchange(port, "GET", "/c0/?oid=1000", LogIn());
    EXPECT_TRUE(Has(full.body, u8">5 фото, 2 интим-фото</td>"_cp));
    Answer other = Exchange(port, "GET", "/c1/");
    EXPECT_TRUE(Has(other.body, u8"Нет фотографии"_cp) || Has(other.body, u8"Нажмите"_cp));
    EXPECT_TRUE(Has(other.body, "<span class=\"off\">"));
    EXPECT_EQ(Exchange(port, "GET", "/nobody/").statusLine, "HTTP/1.0 404 Not Found");
}

TEST_F(SiteTest, ConfirmationCodes) {
    site::Contact& c = state.folders[0][0];
    c.asksCode = true;
    c.captchaS = "abc";
    c.captchaNextS = "def";
    state.codes["abc"] = u8"ключ"_cp;
    state.codeFormExtra = "<input type=\"text\" name=\"Check\" value=\"own\">\n";
    std::ifstream in(std::string(VA_TEST_DATA_DIR) + "/agent/regcode.jpg", std::ios::binary);
    state.codePicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ASSERT_GT(state.codePicture.size(), 100u);
    StartSite();
    int port = server->Port();
    std::string sid = LogIn();
    EXPECT_FALSE(Has(Exchange(port, "GET", "/c0/?oid=1000").body, "reg_code"));  // guests see the profile
    Answer page = Exchange(port, "GET", "/c0/?oid=1000", sid);
    EXPECT_TRUE(Has(page.body, "<img src=\"http://" + server->Host() + "/tips/reg.phtml?image=1&s=abc\""));
    EXPECT_TRUE(Has(page.body, "<a href=\"http://" + server->Host() + "/tips/reg_code.phtml?image=1\">"));
    EXPECT_TRUE(Has(page.body, u8"<input type=\"submit\" value=\"Передать\">"_cp));
    EXPECT_TRUE(Has(page.body, "name=\"Check\" value=\"own\""));

    Answer wrong = Exchange(port, "POST", "/tips/reg_code.phtml", sid, "oid=1000&back=c0&s=abc&check=0000");
    EXPECT_TRUE(Has(wrong.body, "reg.phtml?image=2&s=def"));
    Answer right = Exchange(port, "POST", "/tips/reg_code.phtml", sid, "oid=1000&back=c0&s=abc&check=%EA%EB%FE%F7");
    EXPECT_FALSE(Has(right.body, "reg_code"));
    EXPECT_TRUE(Has(right.body, "/c0/</a>"));
    Answer noSession = Exchange(port, "POST", "/tips/reg_code.phtml", "", "back=c0&s=abc&check=%EA%EB%FE%F7");
    EXPECT_TRUE(Has(noSession.body, u8"Ваши логин и пароль"_cp));

    Answer pic = Exchange(port, "GET", "/tips/reg.phtml?image=1&s=abc");
    EXPECT_EQ(pic.Header("Content-Type"), "image/jpeg");
    EXPECT_EQ(pic.body, state.codePicture);
}

TEST_F(SiteTest, SessionsExpireAndLogoutKillsThem) {
    state.sessionExpiresAfter = 2;
    StartSite();
    int port = server->Port();
    std::string sid = LogIn();
    EXPECT_EQ(server->LiveSessions(), 1);
    EXPECT_TRUE(Has(Exchange(port, "GET", "/messages.phtml?fid=1", sid).body, u8"Найдено"_cp));
    EXPECT_TRUE(Has(Exchange(port, "GET", "/messages.phtml?fid=1", sid).body, u8"Найдено"_cp));
    EXPECT_TRUE(Has(Exchange(port, "GET", "/messages.phtml?fid=1", sid).body, u8"Ваши логин и пароль"_cp));
    EXPECT_EQ(server->LiveSessions(), 0);

    server->Update([](site::SiteState& s) {
        s.sessionExpiresAfter = 0;
        s.oneSessionPerAccount = true;
    });
    std::string a = LogIn(), b = LogIn();
    EXPECT_NE(a, b);
    EXPECT_TRUE(Has(Exchange(port, "GET", "/messages.phtml?fid=1", a).body, u8"Ваши логин и пароль"_cp));
    EXPECT_TRUE(Has(Exchange(port, "GET", "/messages.phtml?fid=1", b).body, u8"Найдено"_cp));

    server->Update([](site::SiteState& s) { s.oneSessionPerAccount = false; });
    std::string c = LogIn();
    EXPECT_EQ(server->LiveSessions(), 2);
    Exchange(port, "GET", "/logout.phtml", c);
    EXPECT_EQ(server->LiveSessions(), 0);
    EXPECT_EQ(server->Log().back().route, "logout");
}

TEST_F(SiteTest, FaultsOnChosenRequests) {
    state.faults = {
        {"fid=1", 2, 1, site::FaultKind::Status, 404, "", 0},
        {"fid=2", 1, 2, site::FaultKind::EmptyBody, 0, "", 0},
        {"/c0/", 1, 1, site::FaultKind::Drop, 0, "", 0},
        {"/c1/", 1, 1, site::FaultKind::Truncate, 0, "", 0},
        {"/c2/", 1, 1, site::FaultKind::Status, 302, "http://{host}/c3/", 0},
    };
    StartSite();
    int port = server->Port();
    std::string sid = LogIn();
    EXPECT_EQ(Exchange(port, "GET", "/messages.phtml?fid=1", sid).statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(Exchange(port, "GET", "/messages.phtml?fid=1&offset=10", sid).statusLine, "HTTP/1.0 404 Not Found");
    EXPECT_EQ(Exchange(port, "GET", "/messages.phtml?fid=1&offset=20", sid).statusLine, "HTTP/1.0 200 OK");
    Answer empty = Exchange(port, "GET", "/messages.phtml?fid=2", sid);
    EXPECT_EQ(empty.Header("Content-Length"), "0");
    EXPECT_EQ(empty.body, "");
    EXPECT_EQ(Exchange(port, "GET", "/messages.phtml?fid=2", sid).body, "");
    EXPECT_NE(Exchange(port, "GET", "/messages.phtml?fid=2", sid).body, "");
    EXPECT_TRUE(Exchange(port, "GET", "/c0/").closedEarly);
    Answer cut = Exchange(port, "GET", "/c1/");
    EXPECT_EQ(cut.body.size(), std::stoul(cut.Header("Content-Length")) / 2);
    Answer moved = Exchange(port, "GET", "/c2/");
    EXPECT_EQ(moved.statusLine, "HTTP/1.0 302 Found");
    EXPECT_EQ(moved.Header("Location"), "http://" + server->Host() + "/c3/");

    auto log = server->Log();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[2].fault, "status 404");
    EXPECT_EQ(log[2].route, "list");
    EXPECT_EQ(log[4].fault, "empty");
    EXPECT_EQ(log[6].fault, "");
    EXPECT_EQ(log[7].fault, "drop");
    EXPECT_EQ(log[8].fault, "truncate");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(log[i].index, i + 1);
}

TEST_F(SiteTest, ASlowAnswerDoesNotDelayTheNext) {
    // The slow answer waits far longer than any test runs: the fast one must come back while it
    // still waits, and stopping the site releases it without an answer.
    state.faults = {{"/c0/", 1, 1, site::FaultKind::Delay, 0, "", 600000}};
    StartSite();
    int port = server->Port();
    auto slow = std::async(std::launch::async, [port] { return Exchange(port, "GET", "/c0/"); });
    while (server->Log().empty()) std::this_thread::yield();  // the slow request has arrived
    Answer fast = Exchange(port, "GET", "/c1/");
    EXPECT_EQ(fast.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    server->Stop();
    Answer late = slow.get();
    EXPECT_EQ(late.statusLine, "");
    EXPECT_EQ(server->Log()[0].fault, "delay 600000");
}

TEST_F(SiteTest, RawPagesAndAPlainHttpClient) {
    state.rawPages["/x.html"] = site::RawPage{u8"<p>{host} Привет</p>"_cp, false};
    state.rawPages["/bytes"] = site::RawPage{std::string("\x01\xff", 2), true, "application/octet-stream"};
    StartSite();
    httplib::Client cli("127.0.0.1", server->Port());
    cli.set_read_timeout(5, 0);
    auto r = cli.Get("/x.html", {{"Cookie", "visit=V1"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "<p>" + server->Host() + u8" Привет</p>"_cp);
    auto b = cli.Get("/bytes");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->body, std::string("\x01\xff", 2));
    auto log = server->Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].route, "raw");
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].Header("cookie"), "visit=V1");
}

TEST_F(SiteTest, DefaultStateServes) {
    state = site::DefaultState();
    StartSite();
    Answer a = Exchange(server->Port(), "GET", "/messages.phtml?fid=1", LogIn());
    EXPECT_TRUE(a.body.empty() || Has(a.body, u8"Ваши логин"_cp));  // the default password is "secret"
    Answer ok = Exchange(server->Port(), "POST", "/tips/login.phtml", "", LoginBody("velmora", "secret"));
    Answer list = Exchange(server->Port(), "GET", "/messages.phtml?fid=1", Cookie(ok, "sid"));
    EXPECT_EQ(Count(list.body, "<table class=\"m\">"), 10);
}

TEST_F(SiteTest, DefaultStatePhotosFollowTheirTypeAndTheNoPhotoPictureIsServed) {
    state = site::DefaultState();
    StartSite();
    int jpeg = 0, gif = 0, none = 0;
    for (const auto& folder : state.folders) {
        for (const auto& c : folder) {
            Answer profile = Exchange(server->Port(), "GET", "/" + c.login + "/");
            if (!c.hasPhoto) {
                ++none;
                EXPECT_TRUE(Has(profile.body, "/img/nophoto.gif\" alt=\"")) << c.login;
                continue;
            }
            const std::string path = site::PhotoPath(c);
            EXPECT_TRUE(Has(profile.body, "<img src=\"http://" + server->Host() + path + "\"")) << c.login;
            Answer photo = Exchange(server->Port(), "GET", path);
            EXPECT_EQ(photo.body, c.photoBytes) << c.login;
            if (c.photoType == site::PhotoType::Gif) {
                ++gif;
                EXPECT_EQ(photo.Header("Content-Type"), "image/gif");
                EXPECT_EQ(photo.body.substr(0, 6), "GIF89a");
            } else {
                ++jpeg;
                EXPECT_EQ(photo.Header("Content-Type"), "image/jpeg");
                EXPECT_EQ(photo.body.substr(0, 3), "\xFF\xD8\xFF");
            }
        }
    }
    EXPECT_EQ(jpeg, 12);
    EXPECT_EQ(gif, 2);
    EXPECT_EQ(none, 1);
    // The address follows the type: a GIF contact has no .jpg, and a contact without a photo none.
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/photos/user2.jpg").statusLine, "404"));
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/photos/user3.jpg").statusLine, "404"));
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/photos/user1.gif").statusLine, "404"));
    Answer nophoto = Exchange(server->Port(), "GET", "/img/nophoto.gif");
    EXPECT_EQ(nophoto.Header("Content-Type"), "image/gif");
    EXPECT_EQ(nophoto.body, site::SiteFixture("nophoto.gif"));
}

TEST_F(SiteTest, PhotosWithoutBytesAnswer404) {
    StartSite();  // the tests' own state carries no photo bytes
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/photos/c1.jpg").statusLine, "404"));
    EXPECT_TRUE(Has(Exchange(server->Port(), "GET", "/img/nophoto.gif").statusLine, "404"));
}

}  // namespace
