#pragma once
// A small HTTP server for tests: listens on 127.0.0.1 with an ephemeral port in a thread of its own,
// records every request as it arrives (before its handler runs), and answers through handlers the
// test installs. Answers that no handler takes are 404. The server always answers as HTTP/1.1;
// what the client sent is in the recorded request line.
#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace testsupport {

struct RecordedRequest {
    std::string method;
    std::string target;   // exactly as on the request line, query included
    std::string version;  // "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;  // as received
    std::string body;
    int remotePort = 0;  // the client's port: equal ports mean one kept-alive connection

    // Values of every header with this name (any letter case), in the order received.
    std::vector<std::string> HeaderValues(const std::string& name) const;
    size_t HeaderCount(const std::string& name) const { return HeaderValues(name).size(); }
    bool HasHeader(const std::string& name) const { return HeaderCount(name) > 0; }
    // The first value, or "" when absent.
    std::string Header(const std::string& name) const;
};

class TestHttpServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    TestHttpServer() = default;
    ~TestHttpServer() { Stop(); }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Handlers are kept across Stop and Start; pattern is a regular expression over the path.
    void Get(const std::string& pattern, Handler h) { Add("GET", pattern, std::move(h)); }
    void Post(const std::string& pattern, Handler h) { Add("POST", pattern, std::move(h)); }
    // A handler for both GET and POST.
    void Any(const std::string& pattern, Handler h);

    // Starts listening; port 0 takes an ephemeral one. Answers false when the port is taken.
    bool Start(int port = 0);
    // Stops listening, closes every connection and waits for the thread.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    int Port() const { return port_; }
    // "127.0.0.1:<port>", the host form the client connects with.
    std::string HostPort() const;
    // "http://127.0.0.1:<port>" followed by path.
    std::string Url(const std::string& path) const;

    std::vector<RecordedRequest> Requests() const;
    size_t RequestCount() const;
    RecordedRequest LastRequest() const;
    void ClearRequests();

private:
    void Add(const std::string& method, const std::string& pattern, Handler h);
    void Register(const std::string& method, const std::string& pattern, const Handler& h);
    // The body is read after routing starts: it joins the recorded request once known.
    void RecordBody(const httplib::Request& req, bool done);

    struct Route {
        std::string method, pattern;
        Handler handler;
    };
    std::vector<Route> routes_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::unordered_map<const httplib::Request*, size_t> pending_;
};

}  // namespace testsupport
