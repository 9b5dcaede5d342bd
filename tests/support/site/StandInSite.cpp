#include "StandInSite.h"

#include "AsciiText.h"
#include "SitePages.h"

#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include "platform/CpLiteral.h"

namespace site {

namespace {

std::string Iconv(std::string_view in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    int err = errno;
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("iconv ") + from + " -> " + to + ": " + std::strerror(err));
    out.resize(out.size() - dstLeft);
    return out;
}

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string FormDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
            out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> ParseForm(std::string_view body) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (body.empty()) return fields;
    size_t start = 0;
    while (true) {
        size_t amp = body.find('&', start);
        std::string_view piece = body.substr(start, amp == std::string_view::npos ? amp : amp - start);
        size_t eq = piece.find('=');
        if (eq == std::string_view::npos)
            fields.emplace_back(FormDecode(piece), "");
        else
            fields.emplace_back(FormDecode(piece.substr(0, eq)), FormDecode(piece.substr(eq + 1)));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return fields;
}

// The value of name=... in a query, as written ("" when absent).
std::string QueryParam(std::string_view query, std::string_view name) {
    size_t start = 0;
    while (start <= query.size()) {
        size_t amp = query.find('&', start);
        std::string_view piece = query.substr(start, amp == std::string_view::npos ? amp : amp - start);
        if (piece.size() > name.size() && piece.substr(0, name.size()) == name && piece[name.size()] == '=')
            return std::string(piece.substr(name.size() + 1));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return "";
}

bool HasParam(std::string_view query, std::string_view name) {
    std::string key = std::string(name) + "=";
    return query.substr(0, key.size()) == key || query.find("&" + key) != std::string_view::npos;
}

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 303: return "See Other";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

bool SendAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t w = ::send(fd, data, n, MSG_NOSIGNAL);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) { return Iconv(utf8, "CP1251", "UTF-8"); }
std::string Cp1251ToUtf8(std::string_view cp1251) { return Iconv(cp1251, "UTF-8", "CP1251"); }

std::string LoggedRequest::Header(std::string_view name) const {
    for (const auto& [k, v] : headers)
        if (testsupport::SameAsciiText(k, name)) return v;
    return "";
}

bool LoggedRequest::HasHeader(std::string_view name) const {
    for (const auto& h : headers)
        if (testsupport::SameAsciiText(h.first, name)) return true;
    return false;
}

std::string LoggedRequest::Field(std::string_view name) const {
    for (const auto& [k, v] : fields)
        if (k == name) return v;
    return "";
}

std::string LoggedRequest::Path() const { return target.substr(0, target.find('?')); }

struct StandInSite::Response {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::string> cookies;
    std::string location;
    FaultKind fault = FaultKind::Status;
    bool faulted = false;
    int delayMs = 0;
};

struct StandInSite::Connection {
    std::thread thread;
    std::atomic<bool> done{false};
    int fd = -1;  // guarded by connMu_
};

StandInSite::StandInSite(SiteState state) : state_(std::move(state)) {}

StandInSite::~StandInSite() { Stop(); }

void StandInSite::Start(int port) {
    Stop();
    stopping_ = false;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listenFd_ = fd;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

void StandInSite::Stop() {
    if (listenFd_ < 0) return;
    {
        std::lock_guard<std::mutex> lock(stopMu_);
        stopping_ = true;
    }
    stopCv_.notify_all();
    ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    ::close(listenFd_);
    listenFd_ = -1;
    std::vector<std::unique_ptr<Connection>> conns;
    {
        std::lock_guard<std::mutex> lock(connMu_);
        for (auto& c : connections_)
            if (c->fd >= 0) ::shutdown(c->fd, SHUT_RDWR);
        conns.swap(connections_);
    }
    for (auto& c : conns)
        if (c->thread.joinable()) c->thread.join();
}

bool StandInSite::WaitStop(int ms) {
    std::unique_lock<std::mutex> lock(stopMu_);
    return stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void StandInSite::AcceptLoop() {
    while (!stopping_) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_) break;
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;
        }
        std::lock_guard<std::mutex> lock(connMu_);
        // Reap finished connections so that a long run does not pile up threads.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        auto conn = std::make_unique<Connection>();
        conn->fd = fd;
        Connection* raw = conn.get();
        connections_.push_back(std::move(conn));
        raw->thread = std::thread([this, raw, fd] {
            Serve(fd);
            std::lock_guard<std::mutex> l(connMu_);
            ::close(fd);
            raw->fd = -1;
            raw->done = true;
        });
    }
}

std::string StandInSite::Host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string StandInSite::LinkHost() const {
    std::lock_guard<std::mutex> lock(mu_);
    return state_.linkHost.empty() ? Host() : state_.linkHost;
}

std::string StandInSite::Url(std::string_view path) const { return "http://" + LinkHost() + std::string(path); }

void StandInSite::Update(const std::function<void(SiteState&)>& change) {
    std::lock_guard<std::mutex> lock(mu_);
    change(state_);
    faultHits_.assign(state_.faults.size(), 0);
}

SiteState StandInSite::Snapshot() const {
    std::lock_guard<std::mutex> lock(mu_);
    return state_;
}

std::vector<LoggedRequest> StandInSite::Log() const {
    std::lock_guard<std::mutex> lock(mu_);
    return log_;
}

std::vector<LoggedRequest> StandInSite::Requests(std::string_view route) const {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<LoggedRequest> out;
    for (const auto& r : log_)
        if (r.route == route) out.push_back(r);
    return out;
}

void StandInSite::ClearLog() {
    std::lock_guard<std::mutex> lock(mu_);
    log_.clear();
}

int StandInSite::LiveSessions() const {
    std::lock_guard<std::mutex> lock(mu_);
    return static_cast<int>(std::count_if(sessions_.begin(), sessions_.end(),
                                          [](const Session& s) { return s.alive; }));
}

std::string StandInSite::Finish(std::string page, Encoding enc) const {
    std::string host = state_.linkHost.empty() ? Host() : state_.linkHost;
    page = ReplaceAll(std::move(page), "{host}", host);
    if (enc == Encoding::Cp1251) return page;
    return Cp1251ToUtf8(page);
}

void StandInSite::Serve(int fd) {
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string in;
    char buf[8192];
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0) return;
        in.append(buf, static_cast<size_t>(r));
        headEnd = in.find("\r\n\r\n");
        if (in.size() > (1u << 20)) return;
    }
    LoggedRequest req;
    std::string head = in.substr(0, headEnd);
    std::string rest = in.substr(headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    {
        size_t a = requestLine.find(' ');
        size_t b = requestLine.rfind(' ');
        if (a == std::string::npos || b == a) return;
        req.method = requestLine.substr(0, a);
        req.target = requestLine.substr(a + 1, b - a - 1);
        req.version = requestLine.substr(b + 1);
    }
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t e = head.find("\r\n", pos);
        if (e == std::string::npos) e = head.size();
        std::string line = head.substr(pos, e - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos)
            req.headers.emplace_back(line.substr(0, colon), TrimBlanks(line.substr(colon + 1)));
        pos = e + 2;
    }
    size_t length = 0;
    std::string cl = req.Header("Content-Length");
    if (!cl.empty()) length = static_cast<size_t>(std::strtoull(cl.c_str(), nullptr, 10));
    if (length > (16u << 20)) return;
    while (rest.size() < length) {
        ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0) return;
        rest.append(buf, static_cast<size_t>(r));
    }
    req.body = rest.substr(0, length);
    std::string ctype = req.Header("Content-Type");
    if (ctype.find("application/x-www-form-urlencoded") != std::string::npos) req.fields = ParseForm(req.body);

    Response resp;
    {
        std::lock_guard<std::mutex> lock(mu_);
        req.index = static_cast<int>(log_.size()) + 1;
        try {
            resp = Route(req, req.Header("Cookie"));
        } catch (const std::exception& e) {
            resp.status = 500;
            resp.contentType = "text/plain";
            resp.body = std::string("stand-in site error: ") + e.what();
            req.fault = "error";
        }
        log_.push_back(req);
    }
    if (hook_) hook_(req);
    if (resp.faulted && resp.fault == FaultKind::Drop) return;
    if (resp.faulted && resp.fault == FaultKind::Delay && WaitStop(resp.delayMs)) return;

    std::string out = "HTTP/1.0 " + std::to_string(resp.status) + " " + Reason(resp.status) + "\r\n";
    out += "Content-Type: " + resp.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(resp.body.size()) + "\r\n";
    for (const auto& c : resp.cookies) out += "Set-Cookie: " + c + "\r\n";
    if (!resp.location.empty()) out += "Location: " + resp.location + "\r\n";
    out += "\r\n";
    if (resp.faulted && resp.fault == FaultKind::Truncate) {
        out += resp.body.substr(0, resp.body.size() / 2);
        SendAll(fd, out.data(), out.size());
        return;
    }
    out += resp.body;
    SendAll(fd, out.data(), out.size());
    ::shutdown(fd, SHUT_WR);
}

StandInSite::Response StandInSite::Route(LoggedRequest& req, const std::string& cookieHeader) {
    const SiteState& s = state_;
    Response resp;

    // The session the request carries, counted against its life.
    Session* session = nullptr;
    {
        size_t start = 0;
        while (start < cookieHeader.size()) {
            size_t semi = cookieHeader.find(';', start);
            std::string piece = TrimBlanks(cookieHeader.substr(start, semi == std::string::npos ? semi : semi - start));
            if (piece.rfind("sid=", 0) == 0) {
                std::string id = piece.substr(4);
                for (auto& ses : sessions_)
                    if (ses.id == id && ses.alive) session = &ses;
            }
            if (semi == std::string::npos) break;
            start = semi + 1;
        }
        if (session) {
            session->requests += 1;
            if (s.sessionExpiresAfter > 0 && session->requests > s.sessionExpiresAfter) {
                session->alive = false;
                session = nullptr;
            }
        }
        if (session) req.session = session->id;
    }

    std::string path = req.Path();
    size_t q = req.target.find('?');
    std::string query = q == std::string::npos ? "" : req.target.substr(q + 1);
    bool post = req.method == "POST";

    // Route names, decided before any fault so that the log tells what was asked for.
    std::string seg;
    if (path.size() > 1) {
        size_t slash = path.find('/', 1);
        if (slash != std::string::npos) seg = path.substr(1, slash - 1);
    }
    const Contact* contact = nullptr;
    int place = 0;
    auto findContact = [&](const std::string& login) {
        for (const auto& folder : s.folders)
            for (size_t i = 0; i < folder.size(); ++i)
                if (!login.empty() && folder[i].login == login) {
                    contact = &folder[i];
                    place = static_cast<int>(i);
                    return;
                }
    };
    if (path == "/" || path.empty()) {
        req.route = "home";
    } else if (path == "/tips/index.phtml" && query.find("tip=login") != std::string::npos) {
        req.route = "login-page";
    } else if (path == "/tips/login.phtml") {
        req.route = post ? "login-post" : "login-page";
    } else if (path == "/welcome.phtml") {
        req.route = "welcome";
    } else if (path == "/messages.phtml") {
        req.route = HasParam(query, "fid") ? "list" : "messages";
    } else if (path == "/logout.phtml") {
        req.route = "logout";
    } else if (path == "/tips/reg_code.phtml" && post) {
        req.route = "code-post";
    } else if (path == "/tips/reg.phtml") {
        req.route = "picture";
    } else if (path == "/img/nophoto.gif") {
        req.route = "nophoto";
    } else if (path.rfind("/photos/", 0) == 0) {
        for (const auto& folder : s.folders)
            for (const auto& c : folder)
                if (!contact && c.hasPhoto && PhotoPath(c) == path) contact = &c;
        req.route = "photo";
    } else {
        findContact(seg);
        req.route = contact ? "profile" : "unknown";
    }

    if (s.rawPages.count(req.target)) req.route = "raw";

    // Faults on chosen requests.
    if (faultHits_.size() != s.faults.size()) faultHits_.assign(s.faults.size(), 0);
    for (size_t i = 0; i < s.faults.size(); ++i) {
        const Fault& f = s.faults[i];
        if (!f.targetContains.empty() && req.target.find(f.targetContains) == std::string::npos) continue;
        int hit = ++faultHits_[i];
        if (resp.faulted) continue;
        if (hit < f.first || (f.count > 0 && hit >= f.first + f.count)) continue;
        resp.faulted = true;
        resp.fault = f.kind;
        resp.delayMs = f.delayMs;
        switch (f.kind) {
            case FaultKind::Status: req.fault = "status " + std::to_string(f.status); break;
            case FaultKind::EmptyBody: req.fault = "empty"; break;
            case FaultKind::Delay: req.fault = "delay " + std::to_string(f.delayMs); break;
            case FaultKind::Drop: req.fault = "drop"; break;
            case FaultKind::Truncate: req.fault = "truncate"; break;
        }
        if (f.kind == FaultKind::Status) {
            resp.status = f.status;
            resp.contentType = "text/html; charset=windows-1251";
            resp.body = pages::ErrorPage(f.status);
            if (!f.location.empty()) resp.location = ReplaceAll(f.location, "{host}", s.linkHost.empty() ? Host() : s.linkHost);
            return resp;
        }
        if (f.kind == FaultKind::EmptyBody || f.kind == FaultKind::Drop) {
            resp.contentType = "text/html; charset=windows-1251";
            return resp;
        }
    }

    Encoding enc = s.encoding;
    auto html = [&](std::string page, Encoding e) {
        resp.contentType = e == Encoding::Cp1251 ? "text/html; charset=windows-1251" : "text/html; charset=utf-8";
        resp.body = Finish(std::move(page), e);
    };

    if (req.route == "raw") {
        const RawPage& raw = s.rawPages.at(req.target);
        resp.status = raw.status;
        if (raw.verbatim) {
            resp.contentType = raw.contentType;
            resp.body = raw.body;
        } else if (raw.utf8Body) {
            resp.contentType = "text/html; charset=utf-8";
            resp.body = Finish(raw.body, Encoding::Cp1251);  // only "{host}" replaced
        } else {
            html(raw.body, raw.encoding.value_or(enc));
        }
        return resp;
    }

    auto loginPage = [&] {
        if (s.expiredGoesHome) {
            resp.status = 302;
            resp.location = Finish("http://{host}/", Encoding::Utf8);
            html(pages::ErrorPage(302), enc);
            return;
        }
        html(pages::LoginPage(s, enc, true, false, false), enc);
    };

    if (req.route == "home") {
        Encoding he = s.homeEncoding.value_or(enc);
        html(pages::Home(s, he), he);
        resp.cookies.push_back("visit=V" + std::to_string(++visitSerial_) + "; path=/");
    } else if (req.route == "login-page") {
        bool full = HasParam(query, "sold");
        if (path == "/tips/login.phtml") full = false;
        html(pages::LoginPage(s, enc, full || s.cutLinkHasForm, full, false), enc);
    } else if (req.route == "login-post") {
        std::string login = req.Field("login"), password = req.Field("password");
        bool ok = login == s.login && password == s.password &&
                  (s.cutLinkHasForm || req.Field("s") == s.hiddenS);
        if (!ok) {
            html(pages::LoginPage(s, enc, true, false, s.refusedShowsLogout), enc);
        } else {
            if (s.oneSessionPerAccount)
                for (auto& ses : sessions_)
                    if (ses.account == s.login) ses.alive = false;
            Session ses;
            ses.id = "S" + std::to_string(++sessionSerial_);
            ses.account = s.login;
            sessions_.push_back(ses);
            resp.cookies.push_back("sid=" + ses.id + "; path=/");
            if (s.loginRedirects) {
                resp.status = 302;
                resp.location = Finish("http://{host}/welcome.phtml", Encoding::Utf8);
                html(pages::ErrorPage(302), enc);
            } else {
                html(pages::AccountPage(s, enc), enc);
            }
        }
    } else if (req.route == "welcome") {
        if (session) html(pages::AccountPage(s, enc), enc); else loginPage();
    } else if (req.route == "messages") {
        if (session) html(pages::MessagesPage(s, enc), enc); else loginPage();
    } else if (req.route == "list") {
        if (!session) {
            loginPage();
        } else {
            int fid = std::atoi(QueryParam(query, "fid").c_str());
            int offset = std::atoi(QueryParam(query, "offset").c_str());
            html(pages::FolderPage(s, enc, fid, offset), enc);
        }
    } else if (req.route == "logout") {
        for (auto& ses : sessions_) ses.alive = false;
        html(pages::Goodbye(s, enc), enc);
    } else if (req.route == "code-post") {
        if (!session) {
            loginPage();
        } else {
            findContact(req.Field("back"));
            if (!contact) {
                resp.status = 404;
                html(pages::NotFound(enc), enc);
            } else {
                std::string shown = req.Field("s");
                auto it = s.codes.find(shown);
                bool right = it != s.codes.end() && req.Field("check") == it->second;
                if (right && s.codesOnce) {
                    right = std::find(usedCodes_.begin(), usedCodes_.end(), shown) == usedCodes_.end();
                    usedCodes_.push_back(shown);
                }
                if (right) {
                    html(pages::Profile(s, enc, *contact, true), enc);
                } else {
                    std::string next = contact->captchaNextS.empty() ? contact->captchaS : contact->captchaNextS;
                    html(pages::CodePage(s, enc, *contact, place, next, ++imageSerial_), enc);
                }
            }
        }
    } else if (req.route == "picture") {
        if (s.codePicture.empty()) {
            resp.status = 404;
            html(pages::NotFound(enc), enc);
        } else {
            resp.contentType = "image/jpeg";
            resp.body = s.codePicture;
        }
    } else if (req.route == "photo" || req.route == "nophoto") {
        const std::string* bytes = req.route == "nophoto" ? &s.noPhotoPicture : contact ? &contact->photoBytes : nullptr;
        if (!bytes || bytes->empty()) {
            resp.status = 404;
            html(pages::NotFound(enc), enc);
        } else {
            const bool gif = req.route == "nophoto" || contact->photoType == PhotoType::Gif;
            resp.contentType = gif ? "image/gif" : "image/jpeg";
            resp.body = *bytes;
        }
    } else if (req.route == "profile") {
        if (session && contact->asksCode)
            html(pages::CodePage(s, enc, *contact, place, contact->captchaS, ++imageSerial_), enc);
        else
            html(pages::Profile(s, enc, *contact, session != nullptr), enc);
    } else {
        resp.status = 404;
        html(pages::NotFound(enc), enc);
    }

    return resp;
}

SiteState DefaultState() {
    SiteState s;
    auto& common = s.folders[0];
    auto& fav = s.folders[1];
    const std::string names[] = {u8"Анна"_cp,  u8"Мария"_cp, u8"Елена"_cp,    u8"Ольга"_cp,
                                 u8"Татьяна"_cp, u8"Наталья"_cp, u8"Ирина"_cp, u8"Светлана"_cp,
                                 u8"Юлия"_cp,  u8"Ксения"_cp, u8"Дарья"_cp,    u8"Алёна"_cp};
    const std::string areas[] = {u8"Москва"_cp, u8"Санкт-Петербург"_cp, u8"Казань"_cp, u8"Новосибирск"_cp};
    for (int i = 0; i < 12; ++i) {
        Contact c;
        c.login = "user" + std::to_string(i + 1);
        c.name = names[i];
        c.age = std::to_string(20 + i);
        c.area = areas[i % 4];
        c.photos = i % 5;
        c.intimPhotos = i % 3 == 0 ? 2 : 0;
        c.vip = i % 4 == 1;
        c.voice = i % 3 == 2;
        c.online = i % 2 == 0;
        if (i == 5) c.ageForm = AgeForm::BareComma;
        if (i == 7) c.mark = u8"новое сообщение"_cp;
        if (i == 9) {
            c.asksCode = true;
            c.captchaS = "a1b2";
        }
        common.push_back(c);
    }
    for (int i = 0; i < 3; ++i) {
        Contact c;
        c.login = "fav" + std::to_string(i + 1);
        c.name = u8"Избранная "_cp + std::to_string(i + 1);
        c.age = std::to_string(30 + i);
        c.area = u8"Самара"_cp;
        c.photos = 3;
        c.mark = i == 0 ? u8"Подмигнул(а) вам"_cp.c_str() : "";
        fav.push_back(c);
    }
    s.codes["a1b2"] = "4711";
    const std::string jpegs[] = {SiteFixture("photo1.jpg"), SiteFixture("photo2.jpg"), SiteFixture("photo3.jpg")};
    const std::string gifs[] = {SiteFixture("photo1.gif"), SiteFixture("photo2.gif")};
    int n = 0;
    for (auto& folder : s.folders)
        for (Contact& c : folder) {
            if (c.login == "user2" || c.login == "fav2") {
                c.photoType = PhotoType::Gif;
                c.photoBytes = gifs[c.login == "fav2"];
            } else if (c.login == "user3") {
                c.hasPhoto = false;
            } else {
                c.photoBytes = jpegs[n++ % 3];
            }
        }
    s.noPhotoPicture = SiteFixture("nophoto.gif");
    return s;
}

std::string PhotoPath(const Contact& c) {
    return "/photos/" + c.login + (c.photoType == PhotoType::Gif ? ".gif" : ".jpg");
}

std::string SiteFixture(const std::string& name) {
    const std::string path = std::string(VA_SITE_DATA_DIR) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace site
