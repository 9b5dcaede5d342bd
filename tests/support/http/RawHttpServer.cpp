#include "RawHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "tests/support/AsciiText.h"

namespace testsupport {
namespace {

struct Conn {
    int fd = -1;
    int number = 0, served = 0;
    std::string in;
    bool inBody = false, stalled = false, lingering = false;
    uint64_t remaining = 0;
    RawHttpServer::Request request;
};

void SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// The Content-Length of a request head, 0 when absent.
uint64_t ContentLength(const std::string& head) {
    size_t pos = 0;
    while ((pos = head.find("\r\n", pos)) != std::string::npos) {
        pos += 2;
        size_t colon = head.find(':', pos);
        size_t end = head.find("\r\n", pos);
        if (colon == std::string::npos || colon > end) continue;
        if (SameAsciiText(head.substr(pos, colon - pos), "Content-Length"))
            return std::strtoull(head.c_str() + colon + 1, nullptr, 10);
    }
    return 0;
}

}  // namespace

uint64_t RawHttpServer::Hash(const void* data, size_t size, uint64_t seed) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) seed = (seed ^ p[i]) * 1099511628211ull;
    return seed;
}

std::string RawHttpServer::Ok(const std::string& body, bool keepAlive) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           (keepAlive ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n") + body;
}

namespace {
// Wake-up bytes of the server thread.
constexpr char kWakeStop = 1, kWakeListen = 2;

int ReusableSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}
}  // namespace

bool RawHttpServer::Start() {
    Stop();
    // The listening socket is bound to its port by number, so that it keeps the port when it stops
    // listening (a socket bound to port 0 lets it go): a first socket finds a free port and holds
    // it until the second is bound there too.
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    const int finder = ReusableSocket();
    if (finder < 0) return false;
    const bool found = ::bind(finder, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                       ::getsockname(finder, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    listen_ = found ? ReusableSocket() : -1;
    const bool ok = listen_ >= 0 && ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                    ::listen(listen_, 16) == 0 && ::pipe2(wake_, O_CLOEXEC) == 0;
    ::close(finder);
    if (!ok) {
        Stop();
        return false;
    }
    port_ = ntohs(addr.sin_port);
    refusing_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void RawHttpServer::Stop() {
    if (thread_.joinable()) {
        (void)!::write(wake_[1], &kWakeStop, 1);
        thread_.join();
    }
    for (int* fd : {&listen_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void RawHttpServer::Refuse(bool refuse) {
    if (listen_ < 0 || refusing_ == refuse) return;
    if (refuse) {
        // Shut down, a listening socket stops listening (connections are refused from now on) and
        // stays bound. The server thread, woken by it, leaves the socket out of its poll.
        refusing_ = true;
        ::shutdown(listen_, SHUT_RD);
    } else {
        ::listen(listen_, 16);
        refusing_ = false;
        (void)!::write(wake_[1], &kWakeListen, 1);
    }
}

std::vector<RawHttpServer::Request> RawHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void RawHttpServer::Run() {
    std::vector<std::unique_ptr<Conn>> conns;
    int accepted = 0;
    std::vector<char> buffer(256 * 1024);
    // Answers the request in c.request; early: before its body, whose rest is then let go.
    auto respond = [&](Conn& c, bool early) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(c.request);
        }
        Answer a = handler_(c.request);
        if (a.after != After::kDrop) {
            SendAll(c.fd, a.bytes);
            ++answered_;
        }
        if (a.after == After::kStall) {
            c.stalled = true;
        } else if (early && a.after != After::kDrop) {
            ::shutdown(c.fd, SHUT_WR);
            c.lingering = true;
        } else if (a.after != After::kKeepOpen) {
            ::shutdown(c.fd, SHUT_WR);
            ::close(c.fd);
            c.fd = -1;
        }
    };
    while (true) {
        // A refusing server polls no listening socket: it stands as -1, which poll skips.
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {refusing_ ? -1 : listen_, POLLIN, 0}};
        for (const auto& c : conns) fds.push_back({c->fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) {
            char wake = kWakeStop;
            if (::read(wake_[0], &wake, 1) == 1 && wake == kWakeListen) continue;
            break;
        }
        if ((fds[1].revents & POLLIN) && !refusing_) {
            int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                auto c = std::make_unique<Conn>();
                c->fd = fd;
                c->number = ++accepted;
                conns.push_back(std::move(c));
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            Conn& c = *conns[i - 2];
            ssize_t n = ::recv(c.fd, buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                ::close(c.fd);
                c.fd = -1;
                continue;
            }
            if (c.stalled || c.lingering) continue;
            c.in.append(buffer.data(), static_cast<size_t>(n));
            // Every complete request in what arrived.
            while (c.fd >= 0 && !c.stalled) {
                if (!c.inBody) {
                    size_t end = c.in.find("\r\n\r\n");
                    if (end == std::string::npos) break;
                    c.request = Request();
                    c.request.head = c.in.substr(0, end + 4);
                    c.in.erase(0, end + 4);
                    size_t sp1 = c.request.head.find(' ');
                    size_t sp2 = c.request.head.find(' ', sp1 + 1);
                    c.request.method = c.request.head.substr(0, sp1);
                    c.request.target = c.request.head.substr(sp1 + 1, sp2 - sp1 - 1);
                    c.request.connection = c.number;
                    c.request.onConnection = ++c.served;
                    c.request.bodyHash = Hash(nullptr, 0);
                    c.remaining = ContentLength(c.request.head);
                    c.inBody = true;
                    if (c.remaining > 0 && answerBeforeBodies_) {
                        respond(c, true);
                        break;
                    }
                }
                size_t take = static_cast<size_t>(std::min<uint64_t>(c.remaining, c.in.size()));
                c.request.bodyHash = Hash(c.in.data(), take, c.request.bodyHash);
                c.request.bodyLength += take;
                c.remaining -= take;
                c.in.erase(0, take);
                const uint64_t cut = cutBodiesAt_;
                if (c.remaining > 0 && cut > 0 && c.request.bodyLength >= cut) {
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        requests_.push_back(c.request);
                    }
                    ::close(c.fd);  // with bytes unread: the peer is reset
                    c.fd = -1;
                    break;
                }
                if (c.remaining > 0) break;
                c.inBody = false;
                respond(c, false);
            }
        }
        std::erase_if(conns, [](const auto& c) { return c->fd < 0; });
    }
    for (auto& c : conns)
        if (c->fd >= 0) ::close(c->fd);
}

}  // namespace testsupport
