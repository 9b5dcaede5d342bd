// Sequential GETs of one page in one session on loopback: the client (TSubmit over the libcurl
// back end) beside a bare libcurl easy handle doing the same HTTP/1.0 keep-alive requests.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <stdexcept>

#include "support/http/TestHttpServer.h"
#include "web/clSubmit.h"

namespace {

constexpr int kRequests = 2000;

testsupport::TestHttpServer& Server() {
    static std::unique_ptr<testsupport::TestHttpServer> server = [] {
        auto s = std::make_unique<testsupport::TestHttpServer>();
        s->Get(R"(/page/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            static const std::string small(20 * 1024, 's'), large(1024 * 1024, 'L');
            res.set_content(std::stoi(req.matches[1]) > 100000 ? large : small, "text/html");
        });
        if (!s->Start()) throw std::runtime_error("the test server did not start");
        return s;
    }();
    return *server;
}

std::string PageUrl(int64_t size) { return Server().Url("/page/" + std::to_string(size)); }

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
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: text/html, */*");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)");
    headers = curl_slist_append(headers, "Connection: Keep-Alive");
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
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
