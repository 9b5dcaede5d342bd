#include "TestHttpServer.h"

#include "tests/support/AsciiText.h"

namespace testsupport {

std::vector<std::string> RecordedRequest::HeaderValues(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : headers)
        if (SameAsciiText(n, name)) out.push_back(v);
    return out;
}

std::string RecordedRequest::Header(const std::string& name) const {
    auto v = HeaderValues(name);
    return v.empty() ? std::string() : v.front();
}

void TestHttpServer::Add(const std::string& method, const std::string& pattern, Handler h) {
    routes_.push_back({method, pattern, std::move(h)});
    if (server_) Register(method, pattern, routes_.back().handler);
}

void TestHttpServer::Register(const std::string& method, const std::string& pattern, const Handler& h) {
    auto wrapped = [this, h](const httplib::Request& req, httplib::Response& res) {
        RecordBody(req, false);
        h(req, res);
    };
    if (method == "GET") server_->Get(pattern, wrapped);
    else server_->Post(pattern, wrapped);
}

void TestHttpServer::RecordBody(const httplib::Request& req, bool done) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pending_.find(&req);
    if (it == pending_.end()) return;
    requests_[it->second].body = req.body;
    if (done) pending_.erase(it);
}

void TestHttpServer::Any(const std::string& pattern, Handler h) {
    Add("GET", pattern, h);
    Add("POST", pattern, std::move(h));
}

bool TestHttpServer::Start(int port) {
    Stop();
    server_ = std::make_unique<httplib::Server>();
    server_->set_keep_alive_max_count(1000000);
    server_->set_tcp_nodelay(true);
    server_->set_payload_max_length(256u * 1024 * 1024);
    server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        RecordedRequest r;
        r.method = req.method;
        r.target = req.target;
        r.version = req.version;
        for (const auto& [n, v] : req.headers) {
            // cpp-httplib adds these itself; they are not from the wire.
            if (n == "REMOTE_ADDR" || n == "REMOTE_PORT" || n == "LOCAL_ADDR" || n == "LOCAL_PORT") continue;
            r.headers.emplace_back(n, v);
        }
        r.remotePort = req.remote_port;
        std::lock_guard<std::mutex> lock(mutex_);
        pending_[&req] = requests_.size();
        requests_.push_back(std::move(r));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_->set_logger([this](const httplib::Request& req, const httplib::Response&) { RecordBody(req, true); });
    for (const auto& r : routes_) Register(r.method, r.pattern, r.handler);
    port_ = port == 0 ? server_->bind_to_any_port("127.0.0.1")
                      : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0) {
        server_.reset();
        port_ = 0;
        return false;
    }
    thread_ = std::thread([s = server_.get()] { s->listen_after_bind(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return server_->is_running();
}

void TestHttpServer::Stop() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

std::string TestHttpServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TestHttpServer::Url(const std::string& path) const { return "http://" + HostPort() + path; }

std::vector<RecordedRequest> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t TestHttpServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

RecordedRequest TestHttpServer::LastRequest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? RecordedRequest() : requests_.back();
}

void TestHttpServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    pending_.clear();
}

}  // namespace testsupport
