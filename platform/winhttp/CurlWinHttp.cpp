// The WinHTTP stand-in over libcurl. A session is a curl share (its cookies) and a multi handle (its
// connections); a request is one easy handle driven on the calling thread, push-model as WinHTTP:
// send request, write data, receive response, then query and read what has arrived. This file holds
// the calls themselves; the request's workings, its callbacks, the header queries, the error texts
// and the server-name check have files of their own.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/winhttp/CurlTypes.h"

namespace winhttp {
namespace {

using namespace curl;

bool Succeed() {
    SetLastError(ERROR_SUCCESS);
    return true;
}

class CurlWinHttp final : public IWinHttp {
public:
    CurlWinHttp() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    HINTERNET Open(const std::string& agent, DWORD, const std::string&, const std::string&, DWORD) override {
        // Every session goes direct: no proxy is ever taken from settings or the environment.
        auto s = std::make_shared<Session>();
        if (!s->share || !s->multi) {
            Fail(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        s->agent = agent;
        Succeed();
        return handles_.Add(std::move(s));
    }

    StatusCallback SetStatusCallback(HINTERNET handle, StatusCallback callback, DWORD flags, DWORD_PTR) override {
        auto s = handles_.Get<Session>(handle, Handle::kSession);
        if (!s) return nullptr;
        StatusCallback old = s->callback;
        s->callback = callback;
        s->callbackFlags = flags;
        Succeed();
        return old;
    }

    HINTERNET Connect(HINTERNET session, const std::string& serverName, DWORD port, DWORD) override {
        auto s = handles_.Get<Session>(session, Handle::kSession);
        if (!s) return nullptr;
        auto c = std::make_shared<Connection>();
        c->session = s;
        c->serverName = serverName;
        unsigned namePort = 0;
        // A bad name is kept and fails at send request as an unresolvable one, before any lookup.
        c->validName = ParseServerName(serverName, c->host, namePort);
        c->port = namePort ? namePort : port;
        Succeed();
        return handles_.Add(std::move(c));
    }

    HINTERNET OpenRequest(HINTERNET connect, const std::string& verb, const std::string& objectName,
                          const std::string& version, const std::string& referrer,
                          const std::vector<std::string>& acceptTypes, DWORD flags) override {
        auto c = handles_.Get<Connection>(connect, Handle::kConnect);
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
        Succeed();
        return handles_.Add(std::move(r));
    }

    bool AddRequestHeaders(HINTERNET request, const std::string& headers, DWORD length, DWORD modifiers) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        return AddHeaders(*r, headers.substr(0, std::min<size_t>(length, headers.size())), modifiers) && Succeed();
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
        return Succeed();
    }

    bool SendRequest(HINTERNET request, const std::string& headers, DWORD headersLength, const void* optional,
                     DWORD optionalLength, DWORD totalLength, DWORD_PTR context) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!headers.empty() &&
            !AddHeaders(*r, headers.substr(0, std::min<size_t>(headersLength, headers.size())), ADDREQ_FLAG_ADD))
            return false;
        if (optionalLength && !optional) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->conn->validName) return Fail(ERROR_WINHTTP_NAME_NOT_RESOLVED);
        r->context = context;
        r->total = std::max<uint64_t>(totalLength, optionalLength);
        if (!r->Start()) return false;

        Notify(*r, CALLBACK_STATUS_SENDING_REQUEST, nullptr, 0);
        // Until the connection stands (bounded by the connect timeout); a failure to resolve or
        // connect shows here. Then what was given goes to curl.
        r->Drive(0, [&] { return r->connected; });
        if (r->done && r->result != CURLE_OK && !r->connected) return Fail(r->Error());
        if (optionalLength && !r->Give(static_cast<const char*>(optional), optionalLength)) return false;
        // Once the request went out, a failure of the transfer shows when the answer is read.
        Notify(*r, CALLBACK_STATUS_REQUEST_SENT, nullptr, 0);
        return Succeed();
    }

    bool WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (written) *written = 0;
        // Once a redirect dropped the body, the rest of it is taken and let go, also after the answer.
        const bool dropping = r->bodyDropped && r->result == CURLE_OK;
        if (!r->easy || (r->headersComplete && !dropping)) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (toWrite && !buffer) return Fail(ERROR_INVALID_PARAMETER);
        if (r->done && !dropping) return Fail(r->result == CURLE_OK ? ERROR_WINHTTP_INCORRECT_HANDLE_STATE : r->Error());
        if (r->given + toWrite > r->total) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->Give(static_cast<const char*>(buffer), toWrite)) return false;
        if (r->done && r->result != CURLE_OK) return Fail(r->Error());
        if (written) *written = toWrite;
        return Succeed();
    }

    bool ReceiveResponse(HINTERNET request, void*) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (!r->easy) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (r->given < r->total && !r->done) {
            r->Abort();
            return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        }
        Notify(*r, CALLBACK_STATUS_RECEIVING_RESPONSE, nullptr, 0);
        if (!r->DriveInTime(r->timeouts.receive, [&] { return r->headersComplete; })) return false;
        if (!r->headersComplete) return Fail(r->Error());
        DWORD n = 0;
        Notify(*r, CALLBACK_STATUS_RESPONSE_RECEIVED, &n, sizeof n);
        return Succeed();
    }

    bool QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string& name, void* buffer,
                      DWORD* bufferLength, DWORD* index) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (!bufferLength) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        std::string text;
        if (!HeaderText(*r, infoLevel & 0xFFFF, name, index, text)) return false;
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
        return Succeed();
    }

    bool QueryDataAvailable(HINTERNET request, DWORD* available) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (available) *available = 0;
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!r->WaitForAnswer()) return false;
        if (available) *available = static_cast<DWORD>(r->AnswerHeld());
        return Succeed();
    }

    bool ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) override {
        auto r = handles_.Get<Request>(request, Handle::kRequest);
        if (!r) return false;
        if (read) *read = 0;
        if (toRead && !buffer) return Fail(ERROR_INVALID_PARAMETER);
        if (!r->headersComplete) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
        if (!r->WaitForAnswer()) return false;
        const size_t n = std::min<size_t>(toRead, r->AnswerHeld());
        if (n) std::memcpy(buffer, r->answer.data() + r->answerPos, n);
        r->TakeAnswer(n);
        if (read) *read = static_cast<DWORD>(n);
        return Succeed();
    }

    bool CloseHandle(HINTERNET handle) override {
        auto h = handles_.Remove(handle);
        if (!h) return Fail(ERROR_INVALID_HANDLE);
        if (h->kind == Handle::kRequest) {
            auto& r = static_cast<Request&>(*h);
            Notify(r, CALLBACK_STATUS_HANDLE_CLOSING, &handle, sizeof handle);
            r.Release();
        }
        return Succeed();
    }

    DWORD GetLastError() override { return LastError(); }
    std::string ErrorText(DWORD code) override { return curl::ErrorText(code); }

    bool Held(HINTERNET session, HeldBytes& out) {
        auto s = handles_.Get<Session>(session, Handle::kSession);
        if (!s) return false;
        out = s->held;
        return Succeed();
    }

private:
    HandleTable handles_;
};

CurlWinHttp& Instance() {
    static CurlWinHttp instance;
    return instance;
}

}  // namespace

IWinHttp& DefaultWinHttp() { return Instance(); }

bool SessionHeldBytes(HINTERNET session, HeldBytes& out) { return Instance().Held(session, out); }

}  // namespace winhttp
