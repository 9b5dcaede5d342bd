#pragma once
// The libcurl back end's own types, shared by its parts: the handle kinds, the handle table, and
// the request state that the callbacks and the driving loop work on. Not for use outside this folder.
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/winhttp/WinHttp.h"

namespace winhttp::curl {

using Clock = std::chrono::steady_clock;

// WinHTTP's defaults when nobody sets a timeout.
constexpr DWORD kDefaultConnectTimeout = 60000;
constexpr DWORD kDefaultSendTimeout = 30000;
constexpr DWORD kDefaultReceiveTimeout = 30000;
constexpr long kMaxRedirects = 10;
// A request body up to this size is kept whole, so it can go again after a 307 or 308 or on a
// fresh connection when a kept-alive one was dropped; a larger one is streamed and never held.
constexpr uint64_t kUploadBuffer = 64 * 1024;
// The transfer pauses while this much of the answer waits to be read.
constexpr size_t kAnswerHold = 1024 * 1024;
// Room past kAnswerHold for the piece that crossed it (curl's receive buffer).
constexpr size_t kAnswerSlack = 256 * 1024;
// The answer buffer of a finished request is kept by the session for its next one; it never
// grows past what one pause holds, whatever the size of the answer.
constexpr size_t kSpareAnswer = kAnswerHold + 2 * kAnswerSlack;

// What a buffer holds on the heap: its capacity, or nothing while its text fits inside it.
inline size_t HeapBytes(const std::string& s) {
    static const size_t inside = std::string().capacity();
    return s.capacity() > inside ? s.capacity() : 0;
}

// The thread's last error; Fail sets it and answers false.
void SetLastError(DWORD code);
DWORD LastError();
inline bool Fail(DWORD code) {
    SetLastError(code);
    return false;
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

// The request header lines handed to curl, shared by the requests of a session that send the same.
using HeaderList = std::shared_ptr<curl_slist>;

// A session: a curl share (its cookies) and a multi handle (its connections).
struct Session : Handle {
    Session();
    ~Session() override;
    // An easy handle for a request, one of an earlier request of the session when there is one;
    // fresh tells whether it needs every option (else it has the session's cookies and the options
    // common to all requests).
    CURL* TakeEasy(bool plainGet, bool& fresh);
    // plainGet: the request was a GET without a body that ended well.
    void ReturnEasy(CURL* easy, bool reusable, bool plainGet);
    // Counts the heap bytes of one of its requests' body buffers in `held` (the upload or the
    // answer side), by their change since `tracked`, which then holds them.
    void Track(const std::string& buffer, size_t& tracked, bool upload);
    void TrackSpare() { Track(spareAnswer, trackedSpare, false); }

    std::string agent;
    CURLSH* share = nullptr;
    CURLM* multi = nullptr;
    StatusCallback callback = nullptr;
    DWORD callbackFlags = 0;
    Timeouts timeouts;
    struct Idle {
        CURL* easy;
        bool plainGet;
    };
    std::vector<Idle> idle;  // easy handles of finished requests that used the session's cookies
    std::string spareAnswer;  // a small answer buffer of a finished request, kept for its capacity
    HeldBytes held;
    size_t trackedSpare = 0;
    // The header lines of the last request and curl's list of them.
    std::string headerKey;
    HeaderList headerList;
};

struct Connection : Handle {
    Connection() : Handle(kConnect) {}
    std::shared_ptr<Session> session;
    std::string serverName;
    std::string host;  // validated name, brackets kept for IPv6
    unsigned port = 0;
    bool validName = false;
};

// The header lines of the current answer, without CR LF, in one buffer.
class HeaderLines {
public:
    void Clear() {
        text_.clear();
        ends_.clear();
    }
    void Add(const char* data, size_t length) {
        text_.append(data, length);
        ends_.push_back(text_.size());
    }
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](size_t i) const {
        const size_t begin = i ? ends_[i - 1] : 0;
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }

private:
    std::string text_;
    std::vector<size_t> ends_;
};

// Marks the session's finished transfers done with their results.
void CollectFinished(Session& s);

struct Request : Handle {
    Request() : Handle(kRequest) {}
    ~Request() override { Release(); }

    Session& session() const { return *conn->session; }

    // Builds the easy handle from what was set and adds it to the session's transfers.
    bool Start();
    // Runs the session's transfers until ready() holds or this request ends. Answers false when
    // timeoutMs passed with no progress of this request (0 or 0xFFFFFFFF: no limit).
    template <class Ready>
    bool Drive(DWORD timeoutMs, Ready ready);
    // Drive under a send or receive timeout: a transfer that ran out of time is stopped (Abort)
    // and the answer is false with ERROR_WINHTTP_TIMEOUT.
    template <class Ready>
    bool DriveInTime(DWORD timeoutMs, Ready ready) {
        if (Drive(timeoutMs, ready)) return true;
        Abort();
        return Fail(ERROR_WINHTTP_TIMEOUT);
    }
    // Stops a transfer that ran out of time; the session and its other connections stay.
    void Abort();
    // Waits until answer bytes are there or the answer ended; false (with the error) on failure.
    bool WaitForAnswer();
    // Hands the easy handle back to the session and lets go of every buffer.
    void Release();
    bool PlainGet() const { return verb == "GET" && total == 0 && !(disabled & DISABLE_COOKIES); }
    // The error code of how the transfer ended.
    DWORD Error() const;

    // Upload. A body that fits kUploadBuffer is kept whole in `replay`; a larger one is read from
    // the caller's bytes of the current call (`piece`), which curl must take before the call ends.
    bool Replayable() const { return total <= kUploadBuffer; }
    // Takes the caller's bytes and waits until curl took them, or drops them once the request went on
    // without its body; false on a send timeout (DriveInTime).
    bool Give(const char* data, size_t size);
    // Answer bytes held: read from `answer` at `answerPos`.
    size_t AnswerHeld() const { return answer.size() - answerPos; }
    void TakeAnswer(size_t n);
    // Pause bits for curl_easy_pause from the two directions' states.
    void ApplyPause();
    void TrackUpload() { session().Track(replay, trackedUpload, true); }
    void TrackAnswer() { session().Track(answer, trackedAnswer, false); }

    std::shared_ptr<Connection> conn;
    std::string verb, path, version;
    DWORD flags = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    Timeouts timeouts;
    DWORD disabled = 0;
    DWORD_PTR context = 0;

    CURL* easy = nullptr;
    HeaderList headerList;
    bool inMulti = false;
    bool connected = false;        // the connection stands and the request goes out
    bool followStopped = false;    // curl meant to follow an answer WinHTTP keeps as the final one
    bool redirectPending = false;  // a redirect was taken and its request has not gone out yet
    bool bodyDropped = false;      // a redirect turned the request into one without a body
    bool done = false;
    CURLcode result = CURLE_OK;

    uint64_t total = 0;  // the body's announced size
    uint64_t given = 0;  // bytes the caller has handed over
    uint64_t sent = 0;   // the body offset curl reads next
    std::string replay;
    const char* piece = nullptr;
    uint64_t pieceStart = 0;
    size_t pieceSize = 0;
    bool sendPaused = false;

    HeaderLines headerLines;
    bool headersComplete = false;
    long status = 0;
    std::string answer;
    size_t answerPos = 0;
    uint64_t answerTotal = 0;
    bool capped = false;
    bool badLength = false;  // the answer's Content-Length cannot be right
    bool receivePaused = false;
    bool progressed = false;  // a callback moved bytes since the driving loop last looked
    Clock::time_point lastActivity;

    size_t trackedUpload = 0, trackedAnswer = 0;  // what Session::held counts of this request
};

template <class Ready>
bool Request::Drive(DWORD timeoutMs, Ready ready) {
    Session& s = session();
    const bool limited = timeoutMs != 0 && timeoutMs != 0xFFFFFFFF;
    if (ready() || done) return true;
    lastActivity = Clock::now();
    while (true) {
        int running = 0;
        progressed = false;
        curl_multi_perform(s.multi, &running);
        CollectFinished(s);
        if (ready() || done) return true;
        int waitMs = 1000;
        if (limited) {
            const auto now = Clock::now();
            if (progressed) lastActivity = now;
            auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity).count();
            if (idle >= static_cast<long long>(timeoutMs)) return false;
            waitMs = static_cast<int>(std::min<long long>(waitMs, timeoutMs - idle));
        }
        curl_multi_poll(s.multi, nullptr, 0, waitMs, nullptr);
    }
}

// The libcurl callbacks of a request.
size_t OnHeader(char* data, size_t size, size_t count, void* user);
size_t OnWrite(char* data, size_t size, size_t count, void* user);
size_t OnRead(char* buffer, size_t size, size_t count, void* user);
int OnSeek(void* user, curl_off_t offset, int origin);
int OnPrereq(void* user, char*, char*, int, int);
void Notify(Request& r, DWORD status, void* info, DWORD length);

// Request headers set through AddRequestHeaders or SendRequest's header text.
bool AddHeaders(Request& r, const std::string& text, DWORD modifiers);
bool HasHeader(const Request& r, std::string_view name);
// The text of one QueryHeaders info level; false (with the error set) when absent or unknown.
bool HeaderText(const Request& r, DWORD level, const std::string& name, DWORD* index, std::string& text);
// The error code of a curl result, given what the request had seen.
DWORD MapCurlError(CURLcode code, const Request& r);
std::string ErrorText(DWORD code);

// Handles are the addresses of their objects; the table keeps them alive and tells stale ones.
class HandleTable {
public:
    HINTERNET Add(std::shared_ptr<Handle> h);
    std::shared_ptr<Handle> Find(HINTERNET key);
    std::shared_ptr<Handle> Remove(HINTERNET key);
    // The handle of that kind, or null with the error set.
    template <class T>
    std::shared_ptr<T> Get(HINTERNET key, Handle::Kind kind) {
        auto h = Find(key);
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

private:
    std::mutex mutex_;
    std::unordered_map<HINTERNET, std::shared_ptr<Handle>> map_;
};

}  // namespace winhttp::curl
