// The WinHTTP stand-in over libcurl. A session is a curl share (its cookies) and a multi handle (its
// connections); a request is one easy handle driven on the calling thread, push-model as WinHTTP:
// send request, write data, receive response, then query and read what has arrived.
#include "platform/winhttp/WinHttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace winhttp {
namespace {

using Clock = std::chrono::steady_clock;

// WinHTTP's defaults when nobody sets a timeout.
constexpr DWORD kDefaultConnectTimeout = 60000;
constexpr DWORD kDefaultSendTimeout = 30000;
constexpr DWORD kDefaultReceiveTimeout = 30000;
constexpr long kMaxRedirects = 10;

thread_local DWORD t_lastError = ERROR_SUCCESS;

bool Fail(DWORD code) {
    t_lastError = code;
    return false;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

std::string TrimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

struct Handle {
    enum Kind { kSession, kConnect, kRequest };
    explicit Handle(Kind k) : kind(k) {}
    virtual ~Handle() = default;
    Kind kind;
};

struct Timeouts {
    DWORD connect = kDefaultConnectTimeout;
    DWORD send = kDefaultSendTimeout;
    DWORD receive = kDefaultReceiveTimeout;
};

struct Request;

struct Session : Handle {
    Session() : Handle(kSession) {
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        multi = curl_multi_init();
    }
    ~Session() override {
        for (CURL* e : idle) curl_easy_cleanup(e);
        curl_multi_cleanup(multi);
        curl_share_cleanup(share);
    }
    std::string agent;
    CURLSH* share = nullptr;
    CURLM* multi = nullptr;
    StatusCallback callback = nullptr;
    DWORD callbackFlags = 0;
    Timeouts timeouts;
    std::vector<CURL*> idle;  // easy handles of finished requests, reset for the next ones
    std::string spareBody;    // the answer buffer of a finished request, kept for its capacity
};

struct Connection : Handle {
    Connection() : Handle(kConnect) {}
    std::shared_ptr<Session> session;
    std::string serverName;
    std::string host;  // validated name, brackets kept for IPv6
    unsigned port = 0;
    bool validName = false;
};

struct Request : Handle {
    Request() : Handle(kRequest) {}
    ~Request() override { Release(); }

    void Release() {
        if (easy) {
            Session& s = *conn->session;
            if (inMulti) curl_multi_remove_handle(s.multi, easy);
            // curl_easy_reset would leave the cookie file list behind; clearing it keeps the
            // share's cookies.
            curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
            curl_easy_reset(easy);
            if (body.capacity() > s.spareBody.capacity()) {
                body.clear();
                s.spareBody.swap(body);
            }
            // A handle that went without the session's cookies is not reused.
            if (s.idle.size() < 4 && !(disabled & DISABLE_COOKIES)) s.idle.push_back(easy);
            else curl_easy_cleanup(easy);
            easy = nullptr;
            inMulti = false;
        }
        if (headerList) {
            curl_slist_free_all(headerList);
            headerList = nullptr;
        }
    }

    std::shared_ptr<Connection> conn;
    std::string verb, path, version;
    DWORD flags = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    Timeouts timeouts;
    DWORD disabled = 0;
    DWORD_PTR context = 0;

    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool inMulti = false;
    bool connected = false;  // the connection stands and the request goes out
    bool followStopped = false;  // curl meant to follow an answer WinHTTP keeps as the final one
    bool done = false;
    CURLcode result = CURLE_OK;

    // Upload: everything given so far is kept, so curl can rewind for a redirect or a retry.
    std::string upload;
    size_t uploadPos = 0;
    uint64_t total = 0;
    bool readPaused = false;

    // Answer.
    std::vector<std::string> headerLines;  // of the current answer, without CR LF
    bool headersComplete = false;
    long status = 0;
    std::string body;
    size_t bodyPos = 0;
    uint64_t bodyTotal = 0;
    bool capped = false;
    Clock::time_point lastActivity;
};

// Handles are the addresses of their objects; the table keeps them alive and tells stale ones.
class HandleTable {
public:
    HINTERNET Add(std::shared_ptr<Handle> h) {
        std::lock_guard<std::mutex> lock(mutex_);
        HINTERNET key = h.get();
        map_[key] = std::move(h);
        return key;
    }
    std::shared_ptr<Handle> Find(HINTERNET key) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = map_.find(key);
        return it == map_.end() ? nullptr : it->second;
    }
    std::shared_ptr<Handle> Remove(HINTERNET key) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = map_.find(key);
        if (it == map_.end()) return nullptr;
        auto h = std::move(it->second);
        map_.erase(it);
        return h;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HINTERNET, std::shared_ptr<Handle>> map_;
};

DWORD MapCurlError(const Request& r) {
    switch (r.result) {
        case CURLE_OK: return ERROR_SUCCESS;
        case CURLE_COULDNT_RESOLVE_HOST: return ERROR_WINHTTP_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_WINHTTP_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT: return ERROR_WINHTTP_TIMEOUT;
        case CURLE_TOO_MANY_REDIRECTS:
        case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_WINHTTP_REDIRECT_FAILED;
        case CURLE_URL_MALFORMAT: return ERROR_WINHTTP_INVALID_URL;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING: return ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE: return ERROR_WINHTTP_SECURE_FAILURE;
        case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
        case CURLE_WRITE_ERROR:
            return r.capped ? ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW : ERROR_WINHTTP_INTERNAL_ERROR;
        case CURLE_ABORTED_BY_CALLBACK: return ERROR_WINHTTP_OPERATION_CANCELLED;
        default: return ERROR_WINHTTP_CONNECTION_ERROR;
    }
}

// Bytes a URL may not carry as they stand are sent escaped, as WinHTTP escapes an object name.
std::string EscapePath(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
            c == '`' || c == '{' || c == '|' || c == '}') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
    return out;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

class CurlWinHttp final : public IWinHttp {
public:
    CurlWinHttp() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    HINTERNET Open(const std::string& agent, DWORD, const std::string&, const std::string&,
                   DWORD) override {
        // Every session goes direct: no proxy is ever taken from settings or the environment.
        auto s = std::make_shared<Session>();
        if (!s->share || !s->multi) {
            Fail(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        s->agent = agent;
        t_lastError = ERROR_SUCCESS;
        return handles_.Add(std::move(s));
    }

    StatusCallback SetStatusCallback(HINTERNET handle, StatusCallback callback, DWORD flags,
                                     DWORD_PTR) override {
        auto s = Get<Session>(handle, Handle::kSession);
        if (!s) return nullptr;
        StatusCallback old = s->callback;
        s->callback = callback;
        s->callbackFlags = flags;
        t_lastError = ERROR_SUCCESS;
        return old;
    }

    HINTERNET Connect(HINTERNET session, const std::string& serverName, DWORD port,
                      DWORD) override {
        auto s = Get<Session>(session, Handle::kSession);
        if (!s) return nullptr;
        auto c = std::make_shared<Connection>();
        c->session = s;
        c->serverName = serverName;
        unsigned namePort = 0;
        // A bad name is kept and fails at send request as an unresolvable one, before any lookup.
        c->validName = ParseServerName(serverName, c->host, namePort);
        c->port = namePort ? namePort : port;
        t_lastError = ERROR_SUCCESS;
        return handles_.Add(std::move(c));
    }

    HINTERNET OpenRequest(HINTERNET connect, const std::string& verb, const std::string& objectName,
                          const std::string& version, const std::string& referrer,
                          const std::vector<std::string>& acceptTypes, DWORD flags) override {
        auto c = Get<Connection>(connect, Handle::kConnect);
        if (!c) return nullptr;
        auto r = std::make_shared<Request>();
        r->conn = c;
        r->verb = verb.empty() ? "GET" : verb;
        r->path = objectName.empty() ? "/" : objectName;
        r->version = version;
        r->flags = flags;
        r->timeouts = c->session->timeouts;
        std::string accept;
        for (const auto& a : acceptTypes) {
            if (a.empty()) continue;
            if (!accept.empty()) accept += ", ";
            accept += a;
        }
        if (!accept.empty()) r->headers.emplace_back("Accept", accept);
        if (!referrer.empty()) r->headers.emplace_back("Referer", referrer);
        t_lastError = ERROR_SUCCESS;
        return handles_.Add(std::move(r));
    }

    bool AddRequestHeaders(HINTERNET request, const std::string& headers, DWORD length,
                           DWORD modifiers) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        return AddHeaders(*r, headers.substr(0, std::min<size_t>(length, headers.size())),
                          modifiers);
    }

    bool SetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD length) override {
        auto h = handles_.Find(handle);
        if (!h || h->kind == Handle::kConnect) return Fail(ERROR_INVALID_HANDLE);
        if (!buffer || length != sizeof(DWORD)) return Fail(ERROR_INVALID_PARAMETER);
        DWORD value;
        std::memcpy(&value, buffer, sizeof value);
        Timeouts* t = h->kind == Handle::kSession ? &static_cast<Session&>(*h).timeouts
                                                  : &static_cast<Request&>(*h).timeouts;
        switch (option) {
            case OPTION_CONNECT_TIMEOUT: t->connect = value; break;
            case OPTION_SEND_TIMEOUT: t->send = value; break;
            case OPTION_RECEIVE_TIMEOUT: t->receive = value; break;
            case OPTION_DISABLE_FEATURE: {
                if (h->kind != Handle::kRequest) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
                auto& r = static_cast<Request&>(*h);
                if (r.easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
                r.disabled |= value;
                break;
            }
            default: return Fail(ERROR_WINHTTP_INVALID_OPTION);
        }
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool SendRequest(HINTERNET request, const std::string& headers, DWORD headersLength,
                     const void* optional, DWORD optionalLength, DWORD totalLength,
                     DWORD_PTR context) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!headers.empty() &&
            !AddHeaders(*r, headers.substr(0, std::min<size_t>(headersLength, headers.size())),
                        ADDREQ_FLAG_ADD))
            return false;
        if (optionalLength && !optional) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->conn->validName) return Fail(ERROR_WINHTTP_NAME_NOT_RESOLVED);
        r->context = context;
        r->total = std::max<uint64_t>(totalLength, optionalLength);
        if (optionalLength) r->upload.assign(static_cast<const char*>(optional), optionalLength);
        if (!Start(*r)) return false;

        Notify(*r, CALLBACK_STATUS_SENDING_REQUEST, nullptr, 0);
        // Until the connection stands (bounded by the connect timeout) and what was given has gone
        // to curl; a failure to resolve or connect shows here.
        Drive(*r, 0, [&] { return r->connected; });
        if (r->done && r->result != CURLE_OK && !r->connected) return Fail(MapCurlError(*r));
        bool inTime = Drive(*r, r->timeouts.send, [&] { return r->uploadPos == r->upload.size(); });
        if (!inTime) {
            Abort(*r);
            return Fail(ERROR_WINHTTP_TIMEOUT);
        }
        Notify(*r, CALLBACK_STATUS_REQUEST_SENT, nullptr, 0);
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (written) *written = 0;
        if (!r->easy || r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (toWrite && !buffer) return Fail(ERROR_INVALID_PARAMETER);
        if (r->done) return Fail(r->result == CURLE_OK ? ERROR_WINHTTP_INCORRECT_HANDLE_STATE
                                                       : MapCurlError(*r));
        if (r->upload.size() + toWrite > r->total) return Fail(ERROR_INVALID_PARAMETER);
        r->upload.append(static_cast<const char*>(buffer), toWrite);
        Resume(*r);
        bool inTime = Drive(*r, r->timeouts.send, [&] { return r->uploadPos == r->upload.size(); });
        if (!inTime) {
            Abort(*r);
            return Fail(ERROR_WINHTTP_TIMEOUT);
        }
        if (r->done && r->result != CURLE_OK) return Fail(MapCurlError(*r));
        if (written) *written = toWrite;
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool ReceiveResponse(HINTERNET request, void*) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (!r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (r->upload.size() < r->total && !r->done) {
            Abort(*r);
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        }
        Notify(*r, CALLBACK_STATUS_RECEIVING_RESPONSE, nullptr, 0);
        bool inTime = Drive(*r, r->timeouts.receive, [&] { return r->headersComplete; });
        if (!inTime) {
            Abort(*r);
            return Fail(ERROR_WINHTTP_TIMEOUT);
        }
        if (!r->headersComplete) return Fail(MapCurlError(*r));
        DWORD n = 0;
        Notify(*r, CALLBACK_STATUS_RESPONSE_RECEIVED, &n, sizeof n);
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string& name, void* buffer,
                      DWORD* bufferLength, DWORD* index) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (!bufferLength) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        const DWORD level = infoLevel & 0xFFFF;
        std::string text;
        bool found = true;
        switch (level) {
            case QUERY_RAW_HEADERS_CRLF:
                for (const auto& l : r->headerLines) text += l + "\r\n";
                text += "\r\n";
                break;
            case QUERY_RAW_HEADERS:
                for (const auto& l : r->headerLines) text.append(l).push_back('\0');
                break;
            case QUERY_VERSION: text = StatusWord(*r, 0); break;
            case QUERY_STATUS_CODE: text = StatusWord(*r, 1); break;
            case QUERY_STATUS_TEXT: text = StatusWord(*r, 2); break;
            default: {
                std::string field;
                switch (level) {
                    case QUERY_CONTENT_TYPE: field = "content-type"; break;
                    case QUERY_CONTENT_LENGTH: field = "content-length"; break;
                    case QUERY_DATE: field = "date"; break;
                    case QUERY_LOCATION: field = "location"; break;
                    case QUERY_SERVER: field = "server"; break;
                    case QUERY_SET_COOKIE: field = "set-cookie"; break;
                    case QUERY_CUSTOM: field = Lower(TrimBlanks(name)); break;
                    default: return Fail(ERROR_WINHTTP_INVALID_OPTION);
                }
                DWORD wanted = index ? *index : 0, seen = 0;
                found = false;
                for (size_t i = 1; i < r->headerLines.size() && !found; ++i) {
                    const std::string& l = r->headerLines[i];
                    size_t colon = l.find(':');
                    if (colon == std::string::npos || Lower(TrimBlanks(l.substr(0, colon))) != field)
                        continue;
                    if (seen++ == wanted) {
                        text = TrimBlanks(l.substr(colon + 1));
                        found = true;
                        if (index) *index = wanted + 1;
                    }
                }
            }
        }
        if (!found) return Fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
        if (infoLevel & QUERY_FLAG_NUMBER) {
            if (*bufferLength < sizeof(DWORD) || !buffer) {
                *bufferLength = sizeof(DWORD);
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            }
            DWORD v = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
            std::memcpy(buffer, &v, sizeof v);
            *bufferLength = sizeof(DWORD);
        } else {
            if (!buffer || *bufferLength < text.size() + 1) {
                *bufferLength = static_cast<DWORD>(text.size() + 1);
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            }
            std::memcpy(buffer, text.data(), text.size());
            static_cast<char*>(buffer)[text.size()] = '\0';
            *bufferLength = static_cast<DWORD>(text.size());
        }
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool QueryDataAvailable(HINTERNET request, DWORD* available) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (available) *available = 0;
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!WaitForBody(*r)) return false;
        if (available)
            *available = static_cast<DWORD>(std::min<size_t>(r->body.size() - r->bodyPos, 1u << 30));
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) override {
        auto r = Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (read) *read = 0;
        if (toRead && !buffer) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!WaitForBody(*r)) return false;
        size_t n = std::min<size_t>(toRead, r->body.size() - r->bodyPos);
        if (n) std::memcpy(buffer, r->body.data() + r->bodyPos, n);
        r->bodyPos += n;
        if (r->bodyPos == r->body.size()) {
            r->body.clear();
            r->bodyPos = 0;
        }
        if (read) *read = static_cast<DWORD>(n);
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    bool CloseHandle(HINTERNET handle) override {
        auto h = handles_.Remove(handle);
        if (!h) return Fail(ERROR_INVALID_HANDLE);
        if (h->kind == Handle::kRequest) {
            auto& r = static_cast<Request&>(*h);
            Notify(r, CALLBACK_STATUS_HANDLE_CLOSING, &handle, sizeof handle);
            r.Release();
        }
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    DWORD GetLastError() override { return t_lastError; }

    std::string ErrorText(DWORD code) override {
        // Texts end with CR LF as the system's message texts do.
        const char* t = nullptr;
        switch (code) {
            case ERROR_SUCCESS: t = "The operation completed successfully."; break;
            case ERROR_INVALID_HANDLE: t = "The handle is invalid."; break;
            case ERROR_NOT_ENOUGH_MEMORY: t = "Not enough memory to complete the operation."; break;
            case ERROR_INVALID_PARAMETER: t = "The parameter is incorrect."; break;
            case ERROR_INSUFFICIENT_BUFFER: t = "The data area passed is too small."; break;
            case ERROR_WINHTTP_TIMEOUT: t = "The operation timed out"; break;
            case ERROR_WINHTTP_INTERNAL_ERROR: t = "An internal error occurred in the HTTP service"; break;
            case ERROR_WINHTTP_INVALID_URL: t = "The URL is invalid"; break;
            case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: t = "The URL does not use a recognized protocol"; break;
            case ERROR_WINHTTP_NAME_NOT_RESOLVED: t = "The server name or address could not be resolved"; break;
            case ERROR_WINHTTP_INVALID_OPTION: t = "An invalid option value was specified"; break;
            case ERROR_WINHTTP_OPERATION_CANCELLED: t = "The operation has been canceled"; break;
            case ERROR_WINHTTP_INCORRECT_HANDLE_TYPE: t = "The handle is the wrong type for the requested operation"; break;
            case ERROR_WINHTTP_INCORRECT_HANDLE_STATE: t = "The handle is in the wrong state for the requested operation"; break;
            case ERROR_WINHTTP_CANNOT_CONNECT: t = "A connection with the server could not be established"; break;
            case ERROR_WINHTTP_CONNECTION_ERROR: t = "The connection with the server was terminated abnormally"; break;
            case ERROR_WINHTTP_HEADER_NOT_FOUND: t = "The requested header was not found"; break;
            case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: t = "The server returned an invalid or unrecognized response"; break;
            case ERROR_WINHTTP_REDIRECT_FAILED: t = "The HTTP redirect request failed"; break;
            case ERROR_WINHTTP_SECURE_FAILURE: t = "A security error occurred"; break;
            case ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW: t = "The response is larger than the limit"; break;
            default: return std::string();
        }
        return std::string(t) + "\r\n";
    }

private:
    template <class T>
    std::shared_ptr<T> Get(HINTERNET handle, Handle::Kind kind) {
        auto h = handles_.Find(handle);
        if (!h) {
            Fail(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (h->kind != kind) {
            Fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
            return nullptr;
        }
        return std::static_pointer_cast<T>(h);
    }

    static bool AddHeaders(Request& r, const std::string& text, DWORD modifiers) {
        bool ok = true;
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            if (TrimBlanks(line).empty()) continue;
            size_t colon = line.find(':');
            std::string name = colon == std::string::npos ? std::string() : TrimBlanks(line.substr(0, colon));
            if (name.empty()) {
                ok = false;
                continue;
            }
            std::string value = TrimBlanks(line.substr(colon + 1));
            std::string key = Lower(name);
            auto same = [&](const auto& h) { return Lower(h.first) == key; };
            bool exists = std::any_of(r.headers.begin(), r.headers.end(), same);
            if (modifiers & ADDREQ_FLAG_REPLACE) {
                if (!exists && !(modifiers & ADDREQ_FLAG_ADD)) continue;
                r.headers.erase(std::remove_if(r.headers.begin(), r.headers.end(), same), r.headers.end());
                if (!value.empty()) r.headers.emplace_back(name, value);
            } else if (modifiers & ADDREQ_FLAG_ADD_IF_NEW) {
                if (!exists) r.headers.emplace_back(name, value);
            } else if ((modifiers & ADDREQ_FLAG_COALESCE) && exists) {
                for (auto& h : r.headers)
                    if (Lower(h.first) == key) {
                        h.second += ", " + value;
                        break;
                    }
            } else {
                r.headers.emplace_back(name, value);
            }
        }
        if (!ok) return Fail(ERROR_INVALID_PARAMETER);
        t_lastError = ERROR_SUCCESS;
        return true;
    }

    static bool HasHeader(const Request& r, const std::string& key) {
        return std::any_of(r.headers.begin(), r.headers.end(),
                           [&](const auto& h) { return Lower(h.first) == key; });
    }

    bool Start(Request& r) {
        Session& s = *r.conn->session;
        CURL* e = nullptr;
        if (!s.idle.empty()) {
            e = s.idle.back();
            s.idle.pop_back();
        } else {
            e = curl_easy_init();
        }
        if (!e) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        r.easy = e;
        r.body.swap(s.spareBody);
        r.body.clear();
        const bool secure = (r.flags & FLAG_SECURE) != 0;
        unsigned port = r.conn->port ? r.conn->port
                                     : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
        std::string url = std::string(secure ? "https://" : "http://") + r.conn->host + ":" +
                          std::to_string(port) + EscapePath(r.path);
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_PRIVATE, &r);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 256L * 1024);  // fewer rounds for large answers
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        curl_easy_setopt(e, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                         r.version == "HTTP/1.1" ? CURL_HTTP_VERSION_1_1 : CURL_HTTP_VERSION_1_0);
        if (!(r.disabled & DISABLE_COOKIES)) {
            // The session's cookie store; an empty file name only switches the engine on.
            curl_easy_setopt(e, CURLOPT_SHARE, s.share);
            curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
        } else {
            curl_easy_setopt(e, CURLOPT_SHARE, nullptr);  // a reused handle keeps its share otherwise
        }
        if (!(r.disabled & DISABLE_REDIRECTS)) {
            // 301, 302 and 303 turn a POST into a GET, as WinHTTP does.
            curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
        }
        const bool keepAlive = !(r.disabled & DISABLE_KEEP_ALIVE);
        if (!keepAlive) curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        DWORD ct = r.timeouts.connect;
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, (ct == 0 || ct == 0xFFFFFFFF) ? 0L : static_cast<long>(ct));

        const bool hasBody = r.total > 0 || r.verb == "POST" || r.verb == "PUT";
        if (r.verb == "HEAD") {
            curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
        } else if (hasBody) {
            curl_easy_setopt(e, CURLOPT_POST, 1L);
            curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.total));
            curl_easy_setopt(e, CURLOPT_READFUNCTION, &CurlWinHttp::OnRead);
            curl_easy_setopt(e, CURLOPT_READDATA, &r);
            curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &CurlWinHttp::OnSeek);
            curl_easy_setopt(e, CURLOPT_SEEKDATA, &r);
            if (r.verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
        } else if (r.verb != "GET") {
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
        }

        // The request carries exactly the headers given; curl's own defaults are taken out and
        // Content-Length, Host and Connection come from this layer only.
        curl_slist* list = nullptr;
        for (const auto& [name, value] : r.headers) {
            std::string key = Lower(name);
            if (key == "content-length" || key == "host" || key == "connection") continue;
            list = curl_slist_append(list, (name + ": " + value).c_str());
        }
        if (!HasHeader(r, "user-agent") && !s.agent.empty())
            list = curl_slist_append(list, ("User-Agent: " + s.agent).c_str());
        if (!HasHeader(r, "accept")) list = curl_slist_append(list, "Accept:");
        if (!HasHeader(r, "expect")) list = curl_slist_append(list, "Expect:");
        if (!HasHeader(r, "content-type")) list = curl_slist_append(list, "Content-Type:");
        if (keepAlive) list = curl_slist_append(list, "Connection: Keep-Alive");
        r.headerList = list;
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, list);

        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlWinHttp::OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlWinHttp::OnWrite);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &CurlWinHttp::OnPrereq);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, &r);

        if (curl_multi_add_handle(s.multi, e) != CURLM_OK) {
            r.Release();
            return Fail(ERROR_WINHTTP_INTERNAL_ERROR);
        }
        r.inMulti = true;
        return true;
    }

    // Runs the session's transfers until ready() holds or this request ends. Answers false when
    // timeoutMs passed with no progress of this request (0 or 0xFFFFFFFF: no limit).
    bool Drive(Request& r, DWORD timeoutMs, const std::function<bool()>& ready) {
        Session& s = *r.conn->session;
        const bool limited = timeoutMs != 0 && timeoutMs != 0xFFFFFFFF;
        r.lastActivity = Clock::now();
        while (true) {
            if (ready() || r.done) return true;
            int running = 0;
            curl_multi_perform(s.multi, &running);
            Collect(s);
            if (ready() || r.done) return true;
            int waitMs = 1000;
            if (limited) {
                auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - r.lastActivity).count();
                if (idle >= static_cast<long long>(timeoutMs)) return false;
                waitMs = static_cast<int>(std::min<long long>(waitMs, timeoutMs - idle));
            }
            curl_multi_poll(s.multi, nullptr, 0, waitMs, nullptr);
        }
    }

    static void Collect(Session& s) {
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(s.multi, &left)) {
            if (m->msg != CURLMSG_DONE) continue;
            Request* done = nullptr;
            curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&done));
            CURLcode rc = m->data.result;
            curl_multi_remove_handle(s.multi, m->easy_handle);
            if (done) {
                if (done->followStopped && rc == CURLE_ABORTED_BY_CALLBACK) rc = CURLE_OK;
                done->inMulti = false;
                done->done = true;
                done->result = rc;
            }
        }
    }

    // Stops a transfer that ran out of time; the session and its other connections stay.
    static void Abort(Request& r) {
        if (r.inMulti) {
            curl_multi_remove_handle(r.conn->session->multi, r.easy);
            r.inMulti = false;
        }
        if (!r.done) {
            r.done = true;
            r.result = CURLE_OPERATION_TIMEDOUT;
        }
    }

    static void Resume(Request& r) {
        if (r.readPaused && r.easy) {
            r.readPaused = false;
            curl_easy_pause(r.easy, CURLPAUSE_CONT);
        }
    }

    bool WaitForBody(Request& r) {
        if (r.bodyPos < r.body.size()) return true;
        if (!r.done) {
            bool inTime = Drive(r, r.timeouts.receive, [&] { return r.bodyPos < r.body.size(); });
            if (!inTime) {
                Abort(r);
                return Fail(ERROR_WINHTTP_TIMEOUT);
            }
            if (r.bodyPos < r.body.size()) return true;
        }
        if (r.result != CURLE_OK) return Fail(MapCurlError(r));
        return true;  // the answer is complete
    }

    static void Notify(Request& r, DWORD status, void* info, DWORD length) {
        Session& s = *r.conn->session;
        if (s.callback && (s.callbackFlags & status))
            s.callback(static_cast<Handle*>(&r), r.context, status, info, length);
    }

    static std::string StatusWord(const Request& r, int which) {
        if (r.headerLines.empty()) return std::string();
        const std::string& l = r.headerLines[0];
        size_t a = l.find(' ');
        if (which == 0) return l.substr(0, a);
        if (a == std::string::npos) return std::string();
        size_t b = l.find(' ', a + 1);
        if (which == 1) return l.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
        return b == std::string::npos ? std::string() : TrimBlanks(l.substr(b + 1));
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto& r = *static_cast<Request*>(user);
        const size_t n = size * count;
        r.lastActivity = Clock::now();
        if (r.headersComplete) return n;  // trailers
        std::string line(data, n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.compare(0, 5, "HTTP/") == 0) r.headerLines.clear();
        if (!line.empty()) {
            r.headerLines.push_back(line);
            return n;
        }
        // The end of one answer's headers: final unless curl goes on to another answer.
        long code = 0;
        curl_easy_getinfo(r.easy, CURLINFO_RESPONSE_CODE, &code);
        if (code >= 100 && code < 200) return n;
        if (!(r.disabled & DISABLE_REDIRECTS) &&
            (code == 301 || code == 302 || code == 303 || code == 307 || code == 308)) {
            for (size_t i = 1; i < r.headerLines.size(); ++i) {
                const std::string& l = r.headerLines[i];
                size_t colon = l.find(':');
                if (colon != std::string::npos && Lower(TrimBlanks(l.substr(0, colon))) == "location" &&
                    !TrimBlanks(l.substr(colon + 1)).empty()) {
                    Notify(r, CALLBACK_STATUS_REDIRECT, nullptr, 0);
                    return n;
                }
            }
        }
        r.status = code;
        r.headersComplete = true;
        return n;
    }

    static size_t OnWrite(char* data, size_t size, size_t count, void* user) {
        auto& r = *static_cast<Request*>(user);
        const size_t n = size * count;
        r.lastActivity = Clock::now();
        uint64_t room = MAX_RESPONSE_BODY - r.bodyTotal;
        if (n > room) {
            r.body.append(data, static_cast<size_t>(room));
            r.bodyTotal += room;
            r.capped = true;
            return 0;  // stops the transfer with a write error
        }
        r.body.append(data, n);
        r.bodyTotal += n;
        return n;
    }

    static size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
        auto& r = *static_cast<Request*>(user);
        size_t want = size * count;
        size_t have = r.upload.size() - r.uploadPos;
        if (have == 0) {
            if (r.upload.size() >= r.total) return 0;
            r.readPaused = true;  // the caller has not written the rest yet
            return CURL_READFUNC_PAUSE;
        }
        size_t n = std::min(want, have);
        std::memcpy(buffer, r.upload.data() + r.uploadPos, n);
        r.uploadPos += n;
        r.lastActivity = Clock::now();
        return n;
    }

    static int OnSeek(void* user, curl_off_t offset, int origin) {
        auto& r = *static_cast<Request*>(user);
        if (origin != SEEK_SET || offset < 0 || static_cast<uint64_t>(offset) > r.upload.size())
            return CURL_SEEKFUNC_CANTSEEK;
        r.uploadPos = static_cast<size_t>(offset);
        return CURL_SEEKFUNC_OK;
    }

    static int OnPrereq(void* user, char*, char*, int, int) {
        auto& r = *static_cast<Request*>(user);
        // curl follows the Location of any 3xx answer (300, 305, ...); WinHTTP only those that
        // OnHeader lets pass. The answer taken as final stays the answer and nothing more goes out.
        if (r.headersComplete) {
            r.followStopped = true;
            return CURL_PREREQFUNC_ABORT;
        }
        r.connected = true;
        return CURL_PREREQFUNC_OK;
    }

    HandleTable handles_;
};

}  // namespace

bool ParseServerName(const std::string& serverName, std::string& host, unsigned& port) {
    host.clear();
    port = 0;
    std::string rest;
    if (!serverName.empty() && serverName[0] == '[') {
        size_t close = serverName.find(']');
        if (close == std::string::npos || close == 1) return false;
        for (size_t i = 1; i < close; ++i) {
            char c = serverName[i];
            bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex && c != ':' && c != '.') return false;
        }
        host = serverName.substr(0, close + 1);
        rest = serverName.substr(close + 1);
    } else {
        size_t colon = serverName.find(':');
        host = serverName.substr(0, colon);
        rest = colon == std::string::npos ? std::string() : serverName.substr(colon);
        if (host.empty() || !std::all_of(host.begin(), host.end(), IsNameChar)) {
            host.clear();
            return false;
        }
    }
    if (!rest.empty()) {
        if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) {
            host.clear();
            return false;
        }
        unsigned v = 0;
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] < '0' || rest[i] > '9') {
                host.clear();
                return false;
            }
            v = v * 10 + static_cast<unsigned>(rest[i] - '0');
        }
        if (v == 0 || v > 65535) {
            host.clear();
            return false;
        }
        port = v;
    }
    return true;
}

IWinHttp& DefaultWinHttp() {
    static CurlWinHttp instance;
    return instance;
}

}  // namespace winhttp
