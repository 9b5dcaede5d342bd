#pragma once
// A loopback server that answers with raw bytes, for what no HTTP library sends: bodies cut short,
// stalls, malformed status lines, oversized headers, connections dropped after a request. It
// listens on 127.0.0.1 with an ephemeral port, serves every connection from one thread, reads
// request bodies (by Content-Length) without keeping them, and hands each request to a handler.
// It can refuse new connections for a while and keep its port meanwhile.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class RawHttpServer {
public:
    struct Request {
        std::string method, target, head;  // head: the request line and headers as received
        uint64_t bodyLength = 0;
        uint64_t bodyHash = 0;  // FNV-1a 64 of the body
        int connection = 0;     // numbered from 1 in the order accepted
        int onConnection = 0;   // 1 for the first request of its connection
    };
    enum class After {
        kKeepOpen,  // the connection takes the next request
        kClose,     // closed once the answer is written
        kStall,     // held open, silent, until the server stops
        kDrop,      // closed without writing anything
    };
    struct Answer {
        std::string bytes;
        After after = After::kClose;
    };
    using Handler = std::function<Answer(const Request&)>;

    explicit RawHttpServer(Handler handler) : handler_(std::move(handler)) {}
    ~RawHttpServer() { Stop(); }
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    bool Start();
    void Stop();
    // While refusing, every new connection is refused; open ones go on, and the port stays ours.
    void Refuse(bool refuse);
    // A request body that has brought this many bytes and is not yet whole has its connection
    // closed at once, unanswered and with the rest unread (0: bodies are read whole).
    void CutBodiesAt(uint64_t bytes) { cutBodiesAt_ = bytes; }
    // A request with a body is answered once its head arrived, before any of its body is read (as
    // nginx answers a "return 302"); its connection then takes no other request: unless the answer
    // drops or stalls it, its sending side is shut and what the client still sends is read and
    // let go until the client closes.
    void AnswerBeforeBodies(bool on) { answerBeforeBodies_ = on; }
    // Answers written so far.
    size_t Answered() const { return answered_; }

    int Port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + HostPort() + path; }
    std::vector<Request> Requests() const;

    static uint64_t Hash(const void* data, size_t size, uint64_t seed = 14695981039346656037ull);
    // "HTTP/1.1 200 OK" with Content-Length and Connection headers, then body.
    static std::string Ok(const std::string& body, bool keepAlive = false);

private:
    void Run();

    Handler handler_;
    int listen_ = -1, wake_[2] = {-1, -1};
    std::atomic<bool> refusing_{false};
    std::atomic<uint64_t> cutBodiesAt_{0};
    std::atomic<bool> answerBeforeBodies_{false};
    std::atomic<size_t> answered_{0};
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

}  // namespace testsupport
