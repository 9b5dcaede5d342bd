// The client's calls to the WinHTTP service, seen through a recording fake.
#include <gtest/gtest.h>

#include "ProbeSubmit.h"
#include "RecordingWinHttp.h"
#include "platform/Exceptions.h"
#include "web/clSubmit.h"
#include "platform/CpLiteral.h"

namespace {

// A stream that claims a size but yields no bytes.
class EmptyReadStream : public TStream {
public:
    explicit EmptyReadStream(int64_t size) : size_(size) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        pos_ = origin == soBeginning ? offset : origin == soEnd ? size_ + offset : pos_ + offset;
        return pos_;
    }

private:
    int64_t size_, pos_ = 0;
};

const std::string kHeaderText =
    "Accept: text/html, */*\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)\r\n";

TEST(SubmitFake, GetThenSecondGetReuseTheSessionAndDestroyDisconnects) {
    RecordingWinHttp api;
    {
        ProbeSubmit s(&api);
        s.SetURL("http://www.example.com/a/b.phtml?x=1");
        EXPECT_EQ(s.GetString(), "<html></html>");
        EXPECT_EQ(api.Log(),
                  "Open(Mozilla/5.0 (compatible; MSIE 6.0; Windows 98),1,'','',0)\n"
                  "SetStatusCallback(session,0xFFFFFFFF)\n"
                  "Connect(session,www.example.com,80)\n"
                  "OpenRequest(connect,GET,/a/b.phtml?x=1,HTTP/1.0,'',[text/html, */*],0x0)\n"
                  "AddRequestHeaders(request,84,0xA0000000)\n"
                  "SendRequest(request,'',0,0,0)\n"
                  "ReceiveResponse(request)\n"
                  "QueryHeaders(request,0x20000013,4)\n"
                  "QueryDataAvailable(request)\nReadData(request,5)\n"
                  "QueryDataAvailable(request)\nReadData(request,5)\n"
                  "QueryDataAvailable(request)\nReadData(request,3)\n"
                  "QueryDataAvailable(request)\n"
                  "CloseHandle(request)\n");
        EXPECT_EQ(api.lastHeaders, kHeaderText);
        EXPECT_TRUE(s.Connected());
        api.Clear();

        s.SetURL("http://www.example.com/next");
        TMemoryStream out;
        s.Get(&out);
        EXPECT_EQ(out.Size(), 13);
        ASSERT_FALSE(api.calls.empty());
        EXPECT_EQ(api.calls[0], "OpenRequest(connect,GET,/next,HTTP/1.0,'',[text/html, */*],0x0)");
        EXPECT_EQ(api.Log().find("Open("), std::string::npos);
        EXPECT_EQ(api.Log().find("Connect("), std::string::npos);
        api.Clear();
    }
    // Freed while connected: the handles go, and nothing is sent.
    EXPECT_EQ(api.Log(), "CloseHandle(connect)\nCloseHandle(session)\n");
}

TEST(SubmitFake, OptionsGoInOrderAndAFailingOptionDoesNotStopTheRequest) {
    RecordingWinHttp api;
    api.failOption = true;
    ProbeSubmit s(&api);
    s.SetURL("host/x");
    s.ConnectTimeout = 1000;
    s.SendTimeout = 2000;
    s.ReceiveTimeout = 500;
    s.Options = TSubmit::optDisableCookies | TSubmit::optDisableRedirects | TSubmit::optRefresh | TSubmit::optSecure;
    EXPECT_EQ(s.GetString(), "<html></html>");
    std::vector<std::string> opts;
    for (const auto& c : api.calls)
        if (c.rfind("SetOption", 0) == 0) opts.push_back(c);
    EXPECT_EQ(opts, (std::vector<std::string>{"SetOption(request,3,1000)", "SetOption(request,5,2000)",
                                              "SetOption(request,6,500)", "SetOption(request,63,8)",
                                              "SetOption(request,63,1)", "SetOption(request,63,2)"}));
    EXPECT_EQ(api.calls[3], "OpenRequest(connect,GET,/x,HTTP/1.0,'',[text/html, */*],0x800100)");
    ASSERT_EQ(s.reported.size(), 6u);
    EXPECT_EQ(s.reported[0], "Error 12029 - URL:host/x");
}

TEST(SubmitFake, SchemeTwoMakesTheRequestSecure) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/");
    s.Scheme = 2;
    s.GetString();
    EXPECT_EQ(api.calls[3], "OpenRequest(connect,GET,/,HTTP/1.0,'',[text/html, */*],0x800000)");
}

TEST(SubmitFake, BodyUpToTheBufferGoesInOneSendLargerOnesInPieces) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/post");
    std::string exact(32768, 'a');
    TStringStream d1(exact);
    s.Post(&d1, nullptr);
    EXPECT_NE(api.Log().find("SendRequest(request,'',0,32768,32768)\nReceiveResponse(request)\n"), std::string::npos);
    EXPECT_EQ(api.Log().find("WriteData"), std::string::npos);
    EXPECT_EQ(api.uploads, std::vector<std::string>{exact});
    EXPECT_NE(api.lastHeaders.find("Content-Length: 32768\r\n"), std::string::npos);
    api.Clear();

    std::string big(32769, 'b');
    big[0] = 'X';
    big[32768] = 'Z';
    TStringStream d2(big);
    d2.SetPosition(100);  // the body is taken from the start
    s.Post(&d2, nullptr);
    EXPECT_NE(api.Log().find("SendRequest(request,'',0,0,32769)\n"
                             "WriteData(request,32768)\nWriteData(request,1)\nReceiveResponse(request)\n"),
              std::string::npos);
    ASSERT_EQ(api.uploads.size(), 2u);
    EXPECT_EQ(api.uploads[0] + api.uploads[1], big);
    // ContentLength belongs to the call only.
    EXPECT_EQ(s.RequestHeader().ContentLength(), "");
}

TEST(SubmitFake, AStreamYieldingNothingRaisesClosesDisconnectsAndRestoresTheHeader) {
    RecordingWinHttp api;
    ProbeSubmit s(&api);
    s.SetURL("h/post");
    s.RequestHeader().SetContentLength("77");
    EmptyReadStream data(40000);
    try {
        s.Post(&data, nullptr);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid HTTP Request: Length is 0");
    }
    EXPECT_NE(api.Log().find("SendRequest(request,'',0,0,40000)\n"
                             "CloseHandle(request)\nCloseHandle(connect)\nCloseHandle(session)\n"),
              std::string::npos);
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(s.RequestHeader().ContentLength(), "77");
}

TEST(SubmitFake, StatusFromThreeHundredReadsTheStatusTextNotTheBody) {
    RecordingWinHttp api;
    api.status = 404;
    api.statusText = std::string(5000, 'N');  // longer than the first buffer
    ProbeSubmit s(&api);
    s.SetURL("http://h/missing");
    TMemoryStream out;
    s.Get(&out);
    EXPECT_EQ(out.Size(), 0);
    EXPECT_NE(api.Log().find("QueryHeaders(request,0x20000013,4)\n"
                             "QueryHeaders(request,0x14,4096)\nQueryHeaders(request,0x14,5001)\n"
                             "CloseHandle(request)\n"),
              std::string::npos);
    EXPECT_EQ(api.Log().find("QueryDataAvailable"), std::string::npos);
    ASSERT_EQ(s.reported.size(), 1u);
    EXPECT_EQ(s.reported[0], api.statusText + " - 'http://h/missing'");
    EXPECT_TRUE(s.Connected());
}

TEST(SubmitFake, AFailedStatusQueryStillReadsTheBody) {
    RecordingWinHttp api;
    api.failStatus = true;
    TSubmit s(&api);
    s.SetURL("h/");
    EXPECT_EQ(s.GetString(), "<html></html>");
}

TEST(SubmitFake, ResponseHeaderIsReadOnlyWhenAsked) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/");
    THTTPResponseHeader rh;
    s.Get(nullptr, &rh);
    EXPECT_NE(api.Log().find("QueryHeaders(request,0x16,4096)"), std::string::npos);
    EXPECT_EQ(rh.StatusCode(), "200");
    EXPECT_EQ(rh.ContentType(), "text/html");
    api.Clear();
    s.Get(nullptr);
    EXPECT_EQ(api.Log().find("0x16"), std::string::npos);
}

TEST(SubmitFake, FailuresOfOpenRequestAndSendDisconnect) {
    RecordingWinHttp api;
    ProbeSubmit s(&api);
    s.SetURL("http://h/p");
    api.failOpenRequest = true;
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(s.reported, std::vector<std::string>{"Error 12029 - URL:http://h/p"});
    EXPECT_NE(api.Log().find("OpenRequest(connect,GET,/p,HTTP/1.0,'',[text/html, */*],0x0)\n"
                             "CloseHandle(connect)\nCloseHandle(session)\n"),
              std::string::npos);

    api.failOpenRequest = false;
    api.failSend = true;
    api.Clear();
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(api.calls[0].rfind("Open(", 0), 0u);  // a new session
    EXPECT_NE(api.Log().find("SendRequest(request,'',0,0,0)\n"
                             "CloseHandle(request)\nCloseHandle(connect)\nCloseHandle(session)\n"),
              std::string::npos);
    EXPECT_EQ(api.Log().find("ReceiveResponse"), std::string::npos);
}

TEST(SubmitFake, AFailedReceiveIsReportedAndTheSessionStays) {
    RecordingWinHttp api;
    api.failReceive = true;
    api.failCode = winhttp::ERROR_WINHTTP_TIMEOUT;
    ProbeSubmit s(&api);
    s.SetURL("h/");
    EXPECT_EQ(s.GetString(), "<html></html>");  // the fake still has an answer to give
    EXPECT_TRUE(s.Connected());
    EXPECT_EQ(s.reported, std::vector<std::string>{"Error 12002 - URL:h/"});
}

TEST(SubmitFake, OpenFailureStillConnectsAndFailsAtTheRequest) {
    RecordingWinHttp api;
    api.failOpen = true;
    ProbeSubmit s(&api);
    s.SetURL("h/");
    EXPECT_TRUE(s.Connect());
    EXPECT_TRUE(s.Connected());
    EXPECT_EQ(api.Log(), "Open(Mozilla/5.0 (compatible; MSIE 6.0; Windows 98),1,'','',0)\n");
    EXPECT_EQ(s.GetString(), "");
    EXPECT_FALSE(s.Connected());
    EXPECT_NE(api.Log().find("OpenRequest(null,"), std::string::npos);
}

TEST(SubmitFake, AnExceptionInConnectClosesBothHandlesAndReportsTheHost) {
    RecordingWinHttp api;
    api.throwInConnect = true;
    ProbeSubmit s(&api);
    s.SetURL("http://site.example/");
    EXPECT_FALSE(s.Connect());
    EXPECT_FALSE(s.Connected());
    EXPECT_NE(api.Log().find("CloseHandle(session)"), std::string::npos);
    EXPECT_EQ(s.reported, std::vector<std::string>{u8"Ошибка соединения:site.example"_cp});
    // A request then goes no further than the failed connect.
    api.Clear();
    EXPECT_EQ(s.GetString(), "");
    EXPECT_EQ(api.Log().find("OpenRequest"), std::string::npos);
}

TEST(SubmitFake, AnExceptionWhileReadingDisconnectsAndRestoresTheContentType) {
    RecordingWinHttp api;
    api.throwInRead = true;
    TSubmit s(&api);
    s.SetURL("h/form");
    s.RequestHeader().SetContentType("text/plain");
    TStringList params;
    params.Add("a=1");
    EXPECT_THROW(s.PostURLEncoded(params, nullptr, true), std::runtime_error);
    EXPECT_FALSE(s.Connected());
    EXPECT_NE(api.Log().find("ReadData(request,5)\nCloseHandle(request)\nCloseHandle(connect)\nCloseHandle(session)\n"),
              std::string::npos);
    EXPECT_EQ(s.RequestHeader().ContentType(), "text/plain");
    EXPECT_EQ(s.RequestHeader().ContentLength(), "");
}

TEST(SubmitFake, EmptyURLRaisesAndSendsNothing) {
    RecordingWinHttp api;
    TSubmit s(&api);
    try {
        s.GetString();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Empty URL");
    }
    EXPECT_TRUE(api.calls.empty());
    EXPECT_FALSE(s.Connected());
}

TEST(SubmitFake, SetURLWhileConnectedKeepsTheOldHost) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("http://old.example/a");
    s.GetString();
    s.SetURL("http://new.example/b");
    EXPECT_EQ(s.GetHost(), "new.example");
    api.Clear();
    s.GetString();
    EXPECT_EQ(api.Log().find("Connect("), std::string::npos);
    EXPECT_EQ(api.calls[0], "OpenRequest(connect,GET,/b,HTTP/1.0,'',[text/html, */*],0x0)");
    s.Disconnect();
    api.Clear();
    s.GetString();
    EXPECT_EQ(api.calls[2], "Connect(session,new.example,80)");
}

TEST(SubmitFake, FormPostEscapesTheCallersListAndSetsTheHeaderForTheCall) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/form");
    s.RequestHeader().SetReferer("http://h/");
    TStringList params;
    params.Add("a=b c");
    params.Add("d=e&f");
    params.Add("g");
    s.PostURLEncoded(params, nullptr, true);
    ASSERT_EQ(api.uploads.size(), 1u);
    EXPECT_EQ(api.uploads[0], "a=b+c&d=e%26f&g");
    EXPECT_EQ(params.Text(), "a=b+c\r\nd=e%26f\r\ng\r\n");
    EXPECT_NE(api.Log().find("OpenRequest(connect,POST,/form,HTTP/1.0,'http://h/',[text/html, */*],0x0)"),
              std::string::npos);
    EXPECT_EQ(api.lastHeaders,
              "Accept: text/html, */*\r\nContent-Length: 15\r\nContent-Type: application/x-www-form-urlencoded\r\n"
              "Referer: http://h/\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)\r\n");
    EXPECT_EQ(s.RequestHeader().ContentType(), "");
    EXPECT_EQ(s.RequestMethod, 1);

    api.Clear();
    TStringList raw;
    raw.Add("x=1 2");
    raw.Add("");
    raw.Add(u8"Имя=Аня"_cp);
    s.PostURLEncoded(raw, nullptr, false);
    EXPECT_EQ(api.uploads[0], u8"x=1 2&&Имя=Аня"_cp);
    EXPECT_EQ(raw[0], "x=1 2");
}

TEST(SubmitFake, PostWithoutDataSendsLengthZero) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/");
    s.Post(nullptr, nullptr);
    EXPECT_NE(api.Log().find("SendRequest(request,'',0,0,0)"), std::string::npos);
    EXPECT_NE(api.lastHeaders.find("Content-Length: 0\r\n"), std::string::npos);
}

TEST(SubmitFake, StatusNotificationsWithTheClientAsContextReachOnStatusChange) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/");
    std::vector<uint32_t> seen;
    TSubmit* sender = nullptr;
    s.OnStatusChange = [&](TSubmit* who, uint32_t status, void*, uint32_t) {
        sender = who;
        seen.push_back(status);
    };
    s.GetString();
    EXPECT_EQ(sender, &s);
    EXPECT_EQ(seen, std::vector<uint32_t>{winhttp::CALLBACK_STATUS_REQUEST_SENT});
    // Without a context nothing is passed on.
    api.callback(nullptr, 0, winhttp::CALLBACK_STATUS_REQUEST_SENT, nullptr, 0);
    EXPECT_EQ(seen.size(), 1u);
}

TEST(SubmitFake, ClearedHeaderSendsAnEmptyHeaderText) {
    RecordingWinHttp api;
    TSubmit s(&api);
    s.SetURL("h/img.gif");
    s.RequestHeader().SetRawHeaderText("");
    s.GetString();
    EXPECT_EQ(api.lastHeaders, "");
    EXPECT_NE(api.Log().find("OpenRequest(connect,GET,/img.gif,HTTP/1.0,'',[],0x0)"), std::string::npos);
}

}  // namespace
