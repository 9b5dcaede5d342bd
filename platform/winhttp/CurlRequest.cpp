// The request state machine: the easy handle built from what was set, the loop that drives the
// session's transfers, and the request body and answer buffers between the caller and curl.
#include <algorithm>
#include <cstring>

#include "platform/Strings.h"
#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {
namespace {

// Bytes a URL may not carry as they stand are sent escaped, as WinHTTP escapes an object name.
void AppendEscapedPath(std::string& out, const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    if (path.empty() || path[0] != '/') out += '/';
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

}  // namespace

void CollectFinished(Session& s) {
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

bool Request::Start() {
    Session& s = session();
    bool fresh = true;
    CURL* e = s.TakeEasy(PlainGet(), fresh);
    if (!e) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    easy = e;
    answer.swap(s.spareAnswer);
    answer.clear();
    s.TrackSpare();
    TrackAnswer();
    if (Replayable() && total) {
        replay.reserve(static_cast<size_t>(total));
        TrackUpload();
    }

    const bool secure = (flags & FLAG_SECURE) != 0;
    const unsigned port = conn->port ? conn->port : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    std::string url;
    url.reserve(24 + conn->host.size() + path.size());
    url += secure ? "https://" : "http://";
    url += conn->host;
    url += ':';
    url += std::to_string(port);
    AppendEscapedPath(url, path);
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, this);
    if (fresh) {
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(kAnswerSlack));  // fewer rounds for large answers
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        curl_easy_setopt(e, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnWrite);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &OnRead);
        curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &OnSeek);
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &OnPrereq);
    }
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_READDATA, this);
    curl_easy_setopt(e, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, version == "HTTP/1.1" ? CURL_HTTP_VERSION_1_1 : CURL_HTTP_VERSION_1_0);
    if (!(disabled & DISABLE_COOKIES)) {
        // The session's cookie store; an empty file name only switches the engine on. A reused
        // handle has both already (one that went without cookies is not reused).
        if (fresh) {
            curl_easy_setopt(e, CURLOPT_SHARE, s.share);
            curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
        }
    } else {
        curl_easy_setopt(e, CURLOPT_SHARE, nullptr);
        curl_easy_setopt(e, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
    }
    // 301, 302 and 303 turn a POST into a GET, as WinHTTP does.
    const bool follow = !(disabled & DISABLE_REDIRECTS);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, follow ? kMaxRedirects : -1L);
    const bool keepAlive = !(disabled & DISABLE_KEEP_ALIVE);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, keepAlive ? 0L : 1L);
    const DWORD ct = timeouts.connect;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, (ct == 0 || ct == 0xFFFFFFFF) ? 0L : static_cast<long>(ct));

    // HTTPGET puts a reused handle back to a plain GET with a body read, whatever it did before.
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
    const bool hasBody = total > 0 || verb == "POST" || verb == "PUT";
    if (verb == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (hasBody) {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(total));
        if (verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else if (verb != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }

    // The request carries exactly the headers given; curl's own defaults are taken out and
    // Content-Length, Host and Connection come from this layer only. Requests that send the same
    // lines share one list.
    std::string key;
    key.reserve(256);
    for (const auto& [name, value] : headers) {
        if (SameText(name, "content-length") || SameText(name, "host") || SameText(name, "connection")) continue;
        key.append(name).append(": ").append(value).push_back('\n');
    }
    if (!HasHeader(*this, "user-agent") && !s.agent.empty()) key.append("User-Agent: ").append(s.agent).push_back('\n');
    if (!HasHeader(*this, "accept")) key.append("Accept:\n");
    if (!HasHeader(*this, "expect")) key.append("Expect:\n");
    if (!HasHeader(*this, "content-type")) key.append("Content-Type:\n");
    if (keepAlive) key.append("Connection: Keep-Alive\n");
    if (!s.headerList || key != s.headerKey) {
        curl_slist* list = nullptr;
        for (size_t at = 0; at < key.size();) {
            const size_t end = key.find('\n', at);
            key[end] = '\0';
            list = curl_slist_append(list, key.c_str() + at);
            key[end] = '\n';
            at = end + 1;
        }
        s.headerList = HeaderList(list, curl_slist_free_all);
        s.headerKey = std::move(key);
    }
    headerList = s.headerList;
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList.get());

    if (curl_multi_add_handle(s.multi, e) != CURLM_OK) {
        Release();
        return Fail(ERROR_WINHTTP_INTERNAL_ERROR);
    }
    inMulti = true;
    return true;
}

void Request::Abort() {
    if (inMulti) {
        curl_multi_remove_handle(session().multi, easy);
        inMulti = false;
    }
    if (!done) {
        done = true;
        result = CURLE_OPERATION_TIMEDOUT;
    }
}

void Request::Release() {
    if (easy) {
        Session& s = session();
        if (inMulti) curl_multi_remove_handle(s.multi, easy);
        inMulti = false;
        // A handle that went without the session's cookies is not reused.
        s.ReturnEasy(easy, !(disabled & DISABLE_COOKIES), PlainGet() && done && result == CURLE_OK);
        easy = nullptr;
        // The answer buffer serves the next request: it never outgrows what one pause holds.
        answer.clear();
        answerPos = 0;
        if (answer.capacity() <= kSpareAnswer && answer.capacity() > s.spareAnswer.capacity()) {
            s.spareAnswer.swap(answer);
            // Out of the request's count before into the spare's, so it never counts twice.
            TrackAnswer();
            s.TrackSpare();
        }
        std::string().swap(answer);
        std::string().swap(replay);
        TrackAnswer();
        TrackUpload();
    }
    headerList.reset();
}

DWORD Request::Error() const { return MapCurlError(result, *this); }

void Request::ApplyPause() {
    if (!easy) return;
    curl_easy_pause(easy, (receivePaused ? CURLPAUSE_RECV : 0) | (sendPaused ? CURLPAUSE_SEND : 0));
}

bool Request::Give(const char* data, size_t size) {
    const uint64_t end = given + size;
    if (bodyDropped) {
        given = end;
        return true;
    }
    if (Replayable()) {
        replay.append(data, size);
        TrackUpload();
    } else {
        piece = data;
        pieceStart = given;
        pieceSize = size;
    }
    given = end;
    if (sendPaused) {
        sendPaused = false;
        ApplyPause();
    }
    // Until curl took every byte given, also after a rewind within what is still here.
    const bool inTime = DriveInTime(timeouts.send, [&] { return sent >= end || bodyDropped; });
    piece = nullptr;
    pieceSize = 0;
    return inTime;
}

void Request::TakeAnswer(size_t n) {
    answerPos += n;
    if (answerPos == answer.size()) {
        answer.clear();
        answerPos = 0;
    }
    if (receivePaused && AnswerHeld() < kAnswerHold) {
        receivePaused = false;
        ApplyPause();
    }
}

bool Request::WaitForAnswer() {
    if (AnswerHeld() > 0) return true;
    if (!done) {
        if (!DriveInTime(timeouts.receive, [&] { return AnswerHeld() > 0; })) return false;
        if (AnswerHeld() > 0) return true;
    }
    if (result != CURLE_OK) return Fail(Error());
    return true;  // the answer is complete
}

}  // namespace winhttp::curl
