// Answers that end badly and bodies too large to hold, through the client and the libcurl back end,
// against a raw loopback server.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/http/FileReadStream.h"
#include "support/http/RawHttpServer.h"
#include "ProbeSubmit.h"

using testsupport::FileReadStream;
using testsupport::RawHttpServer;
using After = RawHttpServer::After;

namespace {

// A unique folder removed at the end.
struct TempDir {
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "va-web-XXXXXX").string();
        path = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// The answers of the raw server, by path.
RawHttpServer::Answer Script(const RawHttpServer::Request& r) {
    const std::string& t = r.target;
    if (t == "/fine") return {RawHttpServer::Ok("fine page", true), After::kKeepOpen};
    if (t == "/short-length")
        return {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part of it", After::kClose};
    if (t == "/short-chunked")
        return {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n", After::kClose};
    if (t == "/stall") return {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nbegun", After::kStall};
    if (t == "/until-close") return {"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nall of it", After::kClose};
    if (t == "/chunked")
        return {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
                After::kClose};
    if (t == "/large") return {RawHttpServer::Ok(Pattern(600 * 1024), true), After::kKeepOpen};
    if (t == "/sink") return {RawHttpServer::Ok(std::to_string(r.bodyLength), true), After::kKeepOpen};
    if (t == "/moved") return {"HTTP/1.1 307 Moved\r\nLocation: /sink\r\nContent-Length: 0\r\n\r\n", After::kClose};
    if (t == "/v09") return {"HTTP/0.9 200 OK\r\n\r\nbody", After::kClose};
    // Read by curl as 404 and 500.
    if (t == "/two-blanks-404") return {"HTTP/1.1  404 Not Found\r\nContent-Length: 10\r\n\r\nerror page", After::kClose};
    if (t == "/two-blanks-500")
        return {"HTTP/1.0  500 Internal Server Error\r\nContent-Length: 10\r\n\r\nerror page", After::kClose};
    // Lengths that cannot be right, and one length said twice.
    if (t == "/length-2-63")
        return {"HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\nonly part of it", After::kClose};
    if (t == "/two-lengths")
        return {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nContent-Length: 4\r\n\r\nbody", After::kClose};
    if (t == "/same-length-twice")
        return {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\nContent-Length: 4, 4\r\n\r\nbody", After::kClose};
    if (t == "/digits") return {"HTTP/1.1 12345678901 OK\r\nContent-Length: 4\r\n\r\nbody", After::kClose};
    if (t == "/long-header")
        return {"HTTP/1.1 200 OK\r\nX-Long: " + std::string(200 * 1024, 'h') + "\r\nContent-Length: 4\r\n\r\nbody",
                After::kClose};
    return {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", After::kClose};
}

class SubmitCut : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()); }
    RawHttpServer server{&Script};
};

TEST_F(SubmitCut, ABodyCutShortIsAFailureThatLeavesTheStreamAsItWas) {
    const struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"/short-length", "The connection with the server was terminated abnormally"},
        {"/short-chunked", "The connection with the server was terminated abnormally"},
        {"/stall", "The operation timed out"},
        {"/length-2-63", "The server returned an invalid or unrecognized response"},
        {"/two-lengths", "The server returned an invalid or unrecognized response"},
    };
    for (const auto& c : cases) {
        ProbeSubmit s;
        s.ReceiveTimeout = 300;
        s.SetURL(server.Url(c.path));
        EXPECT_EQ(s.GetString(), "") << c.path;
        ASSERT_EQ(s.reported.size(), 1u) << c.path;
        EXPECT_EQ(s.reported[0], std::string(c.message) + " - URL:" + server.Url(c.path));

        // A stream that held something keeps its size and position: a picture stays as it was.
        TMemoryStream picture;
        picture.WriteBuffer("GIF89a", 6);
        s.Get(&picture);
        EXPECT_EQ(picture.Size(), 6) << c.path;
        EXPECT_EQ(picture.Position(), 6) << c.path;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(picture.Memory()), 6), "GIF89a");
        EXPECT_EQ(s.reported.size(), 2u) << c.path;

        // The session goes on.
        EXPECT_TRUE(s.Connected()) << c.path;
        s.SetURL(server.Url("/fine"));
        EXPECT_EQ(s.GetString(), "fine page") << c.path;
        EXPECT_EQ(s.reported.size(), 2u) << c.path;
    }
}

TEST_F(SubmitCut, AnAnswerThatEndsAtTheCloseOrWithItsLastChunkIsComplete) {
    ProbeSubmit s;
    s.SetURL(server.Url("/until-close"));
    EXPECT_EQ(s.GetString(), "all of it");
    s.SetURL(server.Url("/chunked"));
    TStringStream out("before:");
    out.Seek(0, soEnd);
    s.Get(&out);
    EXPECT_EQ(out.DataString(), "before:hello world");
    s.SetURL(server.Url("/same-length-twice"));
    EXPECT_EQ(s.GetString(), "body");
    EXPECT_TRUE(s.reported.empty());
}

TEST_F(SubmitCut, AFortyMegabytePostFromAFileIsStreamedThroughTwoUploadBuffersAtMost) {
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string path = dir.path + "/body.bin";
    const std::string piece = Pattern(1 << 20);
    uint64_t hash = RawHttpServer::Hash(nullptr, 0);
    {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        for (int i = 0; i < 40; ++i) {
            ASSERT_EQ(::write(fd, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
            hash = RawHttpServer::Hash(piece.data(), piece.size(), hash);
        }
        ::close(fd);
    }
    ProbeSubmit s;
    s.SetURL(server.Url("/sink"));
    FileReadStream data(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    TStringStream out;
    s.Post(&data, &out);
    EXPECT_EQ(out.DataString(), std::to_string(40u << 20));
    EXPECT_TRUE(s.reported.empty());
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].bodyLength, 40u << 20);
    EXPECT_EQ(requests[0].bodyHash, hash);
    winhttp::HeldBytes held;
    ASSERT_TRUE(winhttp::SessionHeldBytes(s.SessionHandle(), held));
    EXPECT_LE(held.uploadPeak, 2u * s.UploadBufferSize);
    EXPECT_EQ(held.upload, 0u);
}

// The answer buffer that the session keeps for its next request is counted once as it moves
// there: the peak of what the layer held is that one buffer.
TEST_F(SubmitCut, AnAnswerBufferKeptForTheNextRequestIsCountedOnce) {
    ProbeSubmit s;
    s.SetURL(server.Url("/large"));
    EXPECT_TRUE(s.GetString() == Pattern(600 * 1024));
    winhttp::HeldBytes held;
    ASSERT_TRUE(winhttp::SessionHeldBytes(s.SessionHandle(), held));
    EXPECT_GE(held.answer, 600u * 1024);  // the buffer stays with the session
    EXPECT_EQ(held.answerPeak, held.answer);
    EXPECT_TRUE(s.reported.empty());
}

TEST_F(SubmitCut, FailuresReachTheSinkOnceWithTheTextOfWhatWentWrong) {
    const struct {
        const char* path;
        const char* message;
        bool status = false;  // an error status, reported with its text
    } cases[] = {
        {"/v09", "The server returned an invalid or unrecognized response"},
        {"/digits", "The server returned an invalid or unrecognized response"},
        {"/long-header", "The server's response headers are larger than the limit"},
        {"/two-blanks-404", "Not Found", true},
        {"/two-blanks-500", "Internal Server Error", true},
    };
    for (const auto& c : cases) {
        ProbeSubmit s;
        s.SetURL(server.Url(c.path));
        EXPECT_EQ(s.GetString(), "") << c.path;
        const std::string url = server.Url(c.path);
        EXPECT_EQ(s.reported, std::vector<std::string>{std::string(c.message) +
                                                       (c.status ? " - '" + url + "'" : " - URL:" + url)});
        EXPECT_TRUE(s.Connected()) << c.path;
    }

    // A streamed body cannot go again for a 307: the request fails, once; a small one goes again.
    ProbeSubmit s;
    s.SetURL(server.Url("/moved"));
    TStringStream big(Pattern(100000)), out;
    s.Post(&big, &out);
    EXPECT_EQ(out.DataString(), "");
    EXPECT_EQ(s.reported, std::vector<std::string>{"The request must be sent again - URL:" + server.Url("/moved")});
    TStringStream small(Pattern(20000));
    s.Post(&small, &out);
    EXPECT_EQ(out.DataString(), "20000");
    EXPECT_EQ(s.reported.size(), 1u);
}

// The libcurl layer with the outcome of every WriteData written down.
class WriteCountingWinHttp : public winhttp::IWinHttp {
public:
    using DWORD = winhttp::DWORD;
    using HINTERNET = winhttp::HINTERNET;
    std::vector<bool> writes;  // true for a write that succeeded

    HINTERNET Open(const std::string& a, DWORD t, const std::string& p, const std::string& b, DWORD f) override {
        return api.Open(a, t, p, b, f);
    }
    winhttp::StatusCallback SetStatusCallback(HINTERNET h, winhttp::StatusCallback c, DWORD f,
                                              winhttp::DWORD_PTR r) override {
        return api.SetStatusCallback(h, c, f, r);
    }
    HINTERNET Connect(HINTERNET s, const std::string& n, DWORD p, DWORD r) override { return api.Connect(s, n, p, r); }
    HINTERNET OpenRequest(HINTERNET c, const std::string& v, const std::string& o, const std::string& ver,
                          const std::string& ref, const std::vector<std::string>& acc, DWORD f) override {
        return api.OpenRequest(c, v, o, ver, ref, acc, f);
    }
    bool AddRequestHeaders(HINTERNET r, const std::string& h, DWORD l, DWORD m) override {
        return api.AddRequestHeaders(r, h, l, m);
    }
    bool SetOption(HINTERNET h, DWORD o, const void* b, DWORD l) override { return api.SetOption(h, o, b, l); }
    bool SendRequest(HINTERNET r, const std::string& h, DWORD hl, const void* o, DWORD ol, DWORD t,
                     winhttp::DWORD_PTR c) override {
        return api.SendRequest(r, h, hl, o, ol, t, c);
    }
    bool WriteData(HINTERNET r, const void* b, DWORD n, DWORD* w) override {
        writes.push_back(api.WriteData(r, b, n, w));
        return writes.back();
    }
    bool ReceiveResponse(HINTERNET r, void* x) override { return api.ReceiveResponse(r, x); }
    bool QueryHeaders(HINTERNET r, DWORD i, const std::string& n, void* b, DWORD* l, DWORD* x) override {
        return api.QueryHeaders(r, i, n, b, l, x);
    }
    bool QueryDataAvailable(HINTERNET r, DWORD* a) override { return api.QueryDataAvailable(r, a); }
    bool ReadData(HINTERNET r, void* b, DWORD n, DWORD* got) override { return api.ReadData(r, b, n, got); }
    bool CloseHandle(HINTERNET h) override { return api.CloseHandle(h); }
    DWORD GetLastError() override { return api.GetLastError(); }
    std::string ErrorText(DWORD code) override { return api.ErrorText(code); }

private:
    winhttp::IWinHttp& api = winhttp::DefaultWinHttp();
};

// A server that stops reading a large body and drops the connection: the body stops at the first
// failed write, whose failure reaches the sink once, and the session goes on.
TEST_F(SubmitCut, ABodyTheServerStopsReadingFailsOnce) {
    server.CutBodiesAt(1 << 20);
    WriteCountingWinHttp api;
    ProbeSubmit s(&api);
    s.SetURL(server.Url("/sink"));
    TStringStream data(Pattern(16 << 20)), out;
    s.Post(&data, &out);
    EXPECT_EQ(out.DataString(), "");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_GE(requests[0].bodyLength, 1u << 20);
    EXPECT_LT(requests[0].bodyLength, 16u << 20);
    // Every write but the last succeeded.
    ASSERT_FALSE(api.writes.empty());
    EXPECT_FALSE(api.writes.back());
    EXPECT_EQ(std::count(api.writes.begin(), api.writes.end(), false), 1);
    EXPECT_LT(api.writes.size(), (16u << 20) / s.UploadBufferSize);
    // The sink: the failed write, then the answer that cannot come, reported as before.
    const std::string message = "The connection with the server was terminated abnormally - URL:" + server.Url("/sink");
    EXPECT_EQ(s.reported, (std::vector<std::string>{message, message}));

    server.CutBodiesAt(0);
    EXPECT_TRUE(s.Connected());
    s.SetURL(server.Url("/fine"));
    EXPECT_EQ(s.GetString(), "fine page");
    EXPECT_EQ(s.reported.size(), 2u);
}

}  // namespace
