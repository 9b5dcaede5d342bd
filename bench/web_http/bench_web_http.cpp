// Sequential GETs of one page in one session: the client (TSubmit over the libcurl back end) beside
// a bare libcurl easy handle doing the same HTTP/1.0 keep-alive requests with the same header lines.
// The peer is the server named by VA_BENCH_HTTP_URL (run-nginx.sh starts nginx and sets it, with
// files "page20480" and "page1048576"), or else the recording test server in this process.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "support/http/TestHttpServer.h"
#include "web/clSubmit.h"

namespace {

constexpr int kRequests = 2000;

std::string BaseUrl() {
    if (const char* url = std::getenv("VA_BENCH_HTTP_URL"); url && *url) return url;
    static std::unique_ptr<testsupport::TestHttpServer> server = [] {
        auto s = std::make_unique<testsupport::TestHttpServer>();
        s->Get(R"(/page(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 's'), "text/html");
        });
        if (!s->Start()) throw std::runtime_error("the test server did not start");
        return s;
    }();
    return server->Url("/");
}

std::string PageUrl(int64_t size) { return BaseUrl() + "page" + std::to_string(size); }

void BM_TSubmit(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    TSubmit client;
    client.SetURL(PageUrl(state.range(0)));
    for (auto _ : state) {
        std::string body = client.GetString();
        if (body.size() != size) state.SkipWithError("short answer");
        benchmark::DoNotOptimize(body);
    }
    client.Disconnect();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void BM_CurlEasy(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    CURL* easy = curl_easy_init();
    const std::string url = PageUrl(state.range(0));
    // The client's request: HTTP/1.0, its Accept and User-Agent, Keep-Alive, no other line.
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: text/html, */*");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)");
    headers = curl_slist_append(headers, "Connection: Keep-Alive");
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    // The transfer settings the client's layer uses, so the difference is the client's own cost.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(easy) != CURLE_OK || body.size() != size) state.SkipWithError("request failed");
        benchmark::DoNotOptimize(body);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

}  // namespace

BENCHMARK(BM_TSubmit)->Arg(20 * 1024)->Arg(1024 * 1024)->Iterations(kRequests)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CurlEasy)->Arg(20 * 1024)->Arg(1024 * 1024)->Iterations(kRequests)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
