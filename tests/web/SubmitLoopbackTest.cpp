// The client against a recording server on 127.0.0.1, through the libcurl back end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "platform/Strings.h"
#include "support/http/RawHttpServer.h"
#include "support/http/RefusingPort.h"
#include "support/http/TestHttpServer.h"
#include "web/clSubmit.h"
#include "platform/CpLiteral.h"

using testsupport::RawHttpServer;
using testsupport::RecordedRequest;
using testsupport::TestHttpServer;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::set<std::string> HeaderNames(const RecordedRequest& r) {
    std::set<std::string> names;
    for (const auto& h : r.headers) names.insert(LowerCase(h.first));
    return names;
}

class SubmitLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        server.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("hello page", "text/html");
        });
        server.Any("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.body, "text/plain");
        });
        server.Get("/login", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "sid=abc123; Path=/");
            res.set_content("logged in", "text/html");
        });
        server.Get("/cookie", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        server.Post("/form", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Set-Cookie", "step=2; Path=/");
            res.set_header("Location", "/after");
        });
        server.Get("/after", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("after:" + req.get_header_value("Cookie"), "text/plain");
        });
        server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/loop");
        });
        server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            res.set_content("slow answer", "text/plain");
        });
        server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            std::string body(1000000, 'x');
            for (size_t i = 0; i < body.size(); i += 997) body[i] = static_cast<char>('a' + i % 26);
            res.set_content(body, "application/octet-stream");
        });
        ASSERT_TRUE(server.Start());
    }

    std::string Url(const std::string& path) const { return server.Url(path); }

    TestHttpServer server;
};

TEST_F(SubmitLoopback, GetGoesOutAsHttp10WithExactlyTheLayersHeaders) {
    TSubmit s;
    s.SetURL(Url("/page?x=1&y=2"));
    EXPECT_EQ(s.GetString(), "hello page");
    auto r = server.LastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/page?x=1&y=2");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(HeaderNames(r), (std::set<std::string>{"accept", "user-agent", "host", "connection"}));
    EXPECT_EQ(r.HeaderValues("Accept"), std::vector<std::string>{"text/html, */*"});
    EXPECT_EQ(r.HeaderValues("User-Agent"),
              std::vector<std::string>{"Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)"});
    EXPECT_EQ(r.Header("Host"), server.HostPort());
    EXPECT_EQ(r.Header("Connection"), "Keep-Alive");
}

TEST_F(SubmitLoopback, AClearedHeaderSendsNoAcceptAndTheSessionsAgent) {
    TSubmit s;
    s.RequestHeader().SetRawHeaderText("");
    s.SetURL(Url("/page"));
    EXPECT_EQ(s.GetString(), "hello page");
    auto r = server.LastRequest();
    EXPECT_EQ(HeaderNames(r), (std::set<std::string>{"user-agent", "host", "connection"}));
    EXPECT_EQ(r.HeaderValues("User-Agent"),
              std::vector<std::string>{"Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)"});

    // The referrer of the request and the header text's Referer make one line.
    s.RequestHeader().SetReferer("http://site/from");
    s.RequestHeader().SetAccept("image/gif");
    EXPECT_EQ(s.GetString(), "hello page");
    r = server.LastRequest();
    EXPECT_EQ(r.HeaderValues("Referer"), std::vector<std::string>{"http://site/from"});
    EXPECT_EQ(r.HeaderValues("Accept"), std::vector<std::string>{"image/gif"});
}

TEST_F(SubmitLoopback, PostCarriesItsBodyLengthAndTypeAndNothingElse) {
    TSubmit s;
    s.SetURL(Url("/echo"));
    TStringList params;
    params.Add(u8"login=Анна"_cp);
    params.Add("pass=a b&c");
    TStringStream out;
    s.PostURLEncoded(params, &out, true);
    EXPECT_EQ(out.DataString(), "login=%C0%ED%ED%E0&pass=a+b%26c");
    auto r = server.LastRequest();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.body, "login=%C0%ED%ED%E0&pass=a+b%26c");
    EXPECT_EQ(r.HeaderValues("Content-Length"), std::vector<std::string>{"31"});
    EXPECT_EQ(r.HeaderValues("Content-Type"), std::vector<std::string>{"application/x-www-form-urlencoded"});
    EXPECT_EQ(HeaderNames(r), (std::set<std::string>{"accept", "user-agent", "host", "connection", "content-length",
                                                     "content-type"}));
}

TEST_F(SubmitLoopback, ABodyOverTheUploadBufferArrivesIntact) {
    TSubmit s;
    s.SetURL(Url("/echo"));
    std::string body(32769, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 256);
    TStringStream data(body), out;
    s.Post(&data, &out);
    EXPECT_EQ(server.LastRequest().body, body);
    EXPECT_EQ(server.LastRequest().Header("Content-Length"), "32769");
    EXPECT_EQ(out.DataString(), body);
    EXPECT_FALSE(server.LastRequest().HasHeader("Content-Type"));
}

TEST_F(SubmitLoopback, TheSessionKeepsItsCookieUntilDisconnect) {
    TSubmit s;
    s.SetURL(Url("/login"));
    EXPECT_EQ(s.GetString(), "logged in");
    s.SetURL(Url("/cookie"));
    EXPECT_EQ(s.GetString(), "sid=abc123");
    // A 404 keeps the session and its cookie and reads no body.
    s.SetURL(Url("/missing"));
    TStringStream out;
    s.Get(&out);
    EXPECT_EQ(out.DataString(), "");
    EXPECT_TRUE(s.Connected());
    s.SetURL(Url("/cookie"));
    EXPECT_EQ(s.GetString(), "sid=abc123");

    s.Disconnect();
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(server.LastRequest().HasHeader("Cookie"));
}

TEST_F(SubmitLoopback, ACookieSetBy302ToAPostIsCarriedToTheFollowingGet) {
    TSubmit s;
    s.SetURL(Url("/login"));
    s.GetString();
    s.SetURL(Url("/form"));
    TStringList params;
    params.Add("a=1");
    TStringStream out;
    s.PostURLEncoded(params, &out, true);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[2].method, "GET");
    EXPECT_EQ(requests[2].target, "/after");
    EXPECT_EQ(requests[2].body, "");
    EXPECT_FALSE(requests[2].HasHeader("Content-Length"));
    std::string cookie = requests[2].Header("Cookie");
    EXPECT_NE(cookie.find("sid=abc123"), std::string::npos);
    EXPECT_NE(cookie.find("step=2"), std::string::npos);
    EXPECT_EQ(out.DataString(), "after:" + cookie);
}

// The request that cannot even connect ends the session: its cookies go with it. The server keeps
// its port throughout and only refuses connections for a while.
TEST(SubmitRefused, AFailedSendLosesTheCookies) {
    RawHttpServer server([](const RawHttpServer::Request& r) -> RawHttpServer::Answer {
        if (r.target == "/login")
            return {"HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc123; Path=/\r\nContent-Length: 9\r\n"
                    "Connection: close\r\n\r\nlogged in"};
        // The answer is the request's Cookie header; every connection closes, so each request
        // connects anew.
        const size_t at = r.head.find("\r\nCookie: ");
        const size_t from = at == std::string::npos ? at : at + 10;
        return {RawHttpServer::Ok(at == std::string::npos ? "" : r.head.substr(from, r.head.find("\r\n", from) - from))};
    });
    ASSERT_TRUE(server.Start());
    TSubmit s;
    s.SetURL(server.Url("/login"));
    EXPECT_EQ(s.GetString(), "logged in");
    s.SetURL(server.Url("/cookie"));
    EXPECT_EQ(s.GetString(), "sid=abc123");

    server.Refuse(true);
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(server.Requests().size(), 2u);

    server.Refuse(false);
    EXPECT_EQ(s.GetString(), "");  // the answer is the Cookie header, which is gone
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].target, "/cookie");
    EXPECT_EQ(requests[2].head.find("Cookie"), std::string::npos);
    EXPECT_TRUE(s.Connected());
}

TEST_F(SubmitLoopback, ARedirectLoopStopsAtTen) {
    TSubmit s;
    s.SetURL(Url("/loop"));
    EXPECT_EQ(s.GetString(), "");
    EXPECT_EQ(server.RequestCount(), 11u);  // the first request and ten redirects
    EXPECT_TRUE(s.Connected());
    s.SetURL(Url("/page"));
    EXPECT_EQ(s.GetString(), "hello page");
}

TEST_F(SubmitLoopback, AReceiveTimeoutFiresPerReceiveAndLeavesTheSessionUsable) {
    TSubmit s;
    s.SetURL(Url("/login"));
    s.GetString();
    s.ReceiveTimeout = 500;
    s.SetURL(Url("/slow"));
    auto start = Clock::now();
    EXPECT_EQ(s.GetString(), "");
    double took = Seconds(start);
    EXPECT_GE(took, 0.45);
    EXPECT_LT(took, 1.2);
    EXPECT_TRUE(s.Connected());
    s.SetURL(Url("/cookie"));
    EXPECT_EQ(s.GetString(), "sid=abc123");

    TSubmit patient;
    patient.SetURL(Url("/slow"));
    EXPECT_EQ(patient.GetString(), "slow answer");
}

TEST_F(SubmitLoopback, AMegabyteAnswerIsReadWhole) {
    TSubmit s;
    s.SetURL(Url("/big"));
    std::string body = s.GetString();
    ASSERT_EQ(body.size(), 1000000u);
    for (size_t i = 0; i < body.size(); i += 997) ASSERT_EQ(body[i], static_cast<char>('a' + i % 26));
}

TEST_F(SubmitLoopback, RequestsGoDirectWhatEverTheProxyVariablesSay) {
    const char* names[] = {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"};
    for (const char* n : names) setenv(n, "http://127.0.0.1:9", 1);
    TSubmit s;
    s.SetURL(Url("/page"));
    std::string got = s.GetString();
    for (const char* n : names) unsetenv(n);
    EXPECT_EQ(got, "hello page");
    EXPECT_EQ(server.LastRequest().target, "/page");
}

TEST_F(SubmitLoopback, KeepAliveReusesOneConnection) {
    TSubmit s;
    s.SetURL(Url("/page"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.GetString(), "hello page");
    auto r = server.Requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].remotePort, r[2].remotePort);

    TSubmit closing;
    closing.Options = 0;  // keep-alive off
    closing.SetURL(Url("/page"));
    server.ClearRequests();
    closing.GetString();
    closing.GetString();
    r = server.Requests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_NE(r[0].remotePort, r[1].remotePort);
    EXPECT_FALSE(r[0].HasHeader("Connection"));
}

TEST(SubmitNames, BadOrEmptyHostsFailAtOnceWithoutTraffic) {
    // A listening server that names libcurl would still reach: none of them may get there.
    TestHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string port = std::to_string(server.Port());
    for (const std::string& url : {std::string("http:///page"), "http://user@127.0.0.1:" + port + "/",
                                   "http://user:pw@127.0.0.1:" + port + "/", "http://127.0.0.1:" + port + "?x/",
                                   "http://127.0.0.1:" + port + " /", std::string("http://a b/"),
                                   std::string("http://host:99999/"), std::string("http://host:/")}) {
        TSubmit s;
        s.SetURL(url);
        auto start = Clock::now();
        EXPECT_EQ(s.GetString(), "") << url;
        EXPECT_LT(Seconds(start), 5.0) << url;  // no lookup, no wait
        EXPECT_FALSE(s.Connected()) << url;
    }
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST(SubmitNames, NothingListeningFailsAtSendAndDisconnects) {
    testsupport::RefusingPort refusing;
    TSubmit s;
    s.SetURL("http://" + refusing.HostPort() + "/");
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(s.Connected());
}

}  // namespace
