// The libcurl callbacks of a request: answer headers and bytes in, body bytes out, rewinds, and the
// moment a request goes out.
#include <algorithm>
#include <cstring>

#include "platform/Strings.h"
#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {
namespace {

// A Location header with a value among the answer's lines.
bool HasLocation(const HeaderLines& lines) {
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view l = lines[i];
        size_t colon = l.find(':');
        if (colon != std::string_view::npos && SameText(Trim(l.substr(0, colon)), "location") &&
            !Trim(l.substr(colon + 1)).empty())
            return true;
    }
    return false;
}

// Whether the answer's Content-Length fields give one length that can be right. Each field is
// a list of decimal lengths; two that differ, one past what curl can count (it reads such a body
// to the close as if complete), or anything else leave the answer's end unknown. The same length
// repeated is one length. Chunked framing wins over any length, as curl reads it.
bool OneLength(const HeaderLines& lines) {
    constexpr uint64_t kMaxLength = 0x7FFFFFFFFFFFFFFFull;
    bool seen = false;
    uint64_t length = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view l = lines[i];
        const size_t colon = l.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string name = Trim(l.substr(0, colon));
        if (SameText(name, "transfer-encoding")) return true;
        if (!SameText(name, "content-length")) continue;
        std::string_view rest = l.substr(colon + 1);
        while (true) {
            const size_t comma = rest.find(',');
            const std::string item = Trim(rest.substr(0, comma));
            if (item.empty()) return false;
            uint64_t value = 0;
            for (char c : item) {
                if (c < '0' || c > '9' || value > (kMaxLength - (c - '0')) / 10) return false;
                value = value * 10 + static_cast<uint64_t>(c - '0');
            }
            if (seen && value != length) return false;
            seen = true;
            length = value;
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    return true;
}

}  // namespace

void Notify(Request& r, DWORD status, void* info, DWORD length) {
    Session& s = r.session();
    if (s.callback && (s.callbackFlags & status)) s.callback(static_cast<Handle*>(&r), r.context, status, info, length);
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t n = size * count;
    r.progressed = true;
    if (r.headersComplete) return n;  // trailers
    size_t len = n;
    while (len > 0 && (data[len - 1] == '\n' || data[len - 1] == '\r')) --len;
    if (len >= 5 && std::memcmp(data, "HTTP/", 5) == 0) r.headerLines.Clear();
    if (len > 0) {
        r.headerLines.Add(data, len);
        return n;
    }
    // The end of one answer's headers: final unless curl goes on to another answer.
    long code = 0;
    curl_easy_getinfo(r.easy, CURLINFO_RESPONSE_CODE, &code);
    if (code >= 100 && code < 200) return n;
    // Without a body to frame (HEAD, 204, 304) a length cannot mislead.
    if (r.verb != "HEAD" && code != 204 && code != 304 && !OneLength(r.headerLines)) {
        r.badLength = true;
        return 0;  // stops the transfer with a write error
    }
    if (!(r.disabled & DISABLE_REDIRECTS) &&
        (code == 301 || code == 302 || code == 303 || code == 307 || code == 308) && HasLocation(r.headerLines)) {
        r.redirectPending = true;
        Notify(r, CALLBACK_STATUS_REDIRECT, nullptr, 0);
        return n;
    }
    r.status = code;
    r.headersComplete = true;
    return n;
}

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t n = size * count;
    r.progressed = true;
    if (r.answer.size() + n > r.answer.capacity()) {
        if (r.answerPos > 0) {
            r.answer.erase(0, r.answerPos);
            r.answerPos = 0;
        }
        // Grows by doubling, but not far past the amount held before a pause.
        const size_t want = r.answer.size() + n;
        r.answer.reserve(std::max(want, std::min(r.answer.capacity() * 2, kAnswerHold + kAnswerSlack)));
    }
    const uint64_t room = MAX_RESPONSE_BODY - r.answerTotal;
    if (n > room) {
        r.answer.append(data, static_cast<size_t>(room));
        r.answerTotal += room;
        r.capped = true;
        r.TrackAnswer();
        return 0;  // stops the transfer with a write error
    }
    r.answer.append(data, n);
    r.answerTotal += n;
    r.TrackAnswer();
    // Enough waits to be read: the transfer rests until a read takes some. The bytes are taken
    // first: curl 7.88 drops what a paused write left with it when the transfer ends meanwhile.
    if (r.AnswerHeld() >= kAnswerHold && !r.receivePaused) {
        r.receivePaused = true;
        r.ApplyPause();
    }
    return n;
}

size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
    auto& r = *static_cast<Request*>(user);
    const size_t want = size * count;
    const char* from = nullptr;
    size_t have = 0;
    if (r.Replayable()) {
        from = r.replay.data() + r.sent;
        have = static_cast<size_t>(r.given - r.sent);
    } else if (r.piece && r.sent >= r.pieceStart && r.sent < r.pieceStart + r.pieceSize) {
        from = r.piece + (r.sent - r.pieceStart);
        have = static_cast<size_t>(r.pieceStart + r.pieceSize - r.sent);
    }
    if (have == 0) {
        if (r.sent >= r.total) return 0;
        r.sendPaused = true;  // the caller has not written the rest yet
        return CURL_READFUNC_PAUSE;
    }
    const size_t n = std::min(want, have);
    std::memcpy(buffer, from, n);
    r.sent += n;
    r.progressed = true;
    return n;
}

int OnSeek(void* user, curl_off_t offset, int origin) {
    auto& r = *static_cast<Request*>(user);
    if (origin != SEEK_SET || offset < 0) return CURL_SEEKFUNC_CANTSEEK;
    const auto to = static_cast<uint64_t>(offset);
    // Only to bytes still here: all of a kept body, or the caller's current piece of a streamed one.
    const bool here = r.Replayable() ? to <= r.given
                                     : to == r.sent || (r.piece && to >= r.pieceStart && to <= r.pieceStart + r.pieceSize);
    if (!here) return CURL_SEEKFUNC_CANTSEEK;
    r.sent = to;
    return CURL_SEEKFUNC_OK;
}

int OnPrereq(void* user, char*, char*, int, int) {
    auto& r = *static_cast<Request*>(user);
    // curl follows the Location of any 3xx answer (300, 305, ...); WinHTTP only those that
    // OnHeader lets pass. The answer taken as final stays the answer and nothing more goes out.
    if (r.headersComplete) {
        r.followStopped = true;
        return CURL_PREREQFUNC_ABORT;
    }
    // 301, 302 and 303 turn a POST into a GET, which never asks for the body: what the caller has
    // not handed over yet has nowhere to go, even when the server answered before reading any.
    if (r.redirectPending && r.total > 0) {
        char* method = nullptr;
        curl_easy_getinfo(r.easy, CURLINFO_EFFECTIVE_METHOD, &method);
        if (method && (std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0)) r.bodyDropped = true;
    }
    r.redirectPending = false;
    r.connected = true;
    return CURL_PREREQFUNC_OK;
}

}  // namespace winhttp::curl
