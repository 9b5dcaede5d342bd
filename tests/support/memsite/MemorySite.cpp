#include "MemorySite.h"

#include <algorithm>
#include <cstring>

using namespace winhttp;

namespace {
enum Kind { kSession = 1, kConnect, kRequest };
}

struct MemorySite::Handle {
    int kind = 0;
    std::string host;  // connect and request
    std::string verb, path, body;
    std::string page;  // the answer, after ReceiveResponse
    size_t read = 0;
    bool answered = false;
    DWORD receiveTimeout = 0;
};

MemorySite::~MemorySite() = default;

MemorySite::Handle* MemorySite::Get(HINTERNET h, int kind) {
    auto* handle = static_cast<Handle*>(h);
    return handle && handle->kind == kind ? handle : nullptr;
}

HINTERNET MemorySite::Open(const std::string&, DWORD, const std::string&, const std::string&, DWORD) {
    ++openHandles_;
    auto* h = new Handle;
    h->kind = kSession;
    return h;
}

StatusCallback MemorySite::SetStatusCallback(HINTERNET, StatusCallback, DWORD, DWORD_PTR) { return nullptr; }

HINTERNET MemorySite::Connect(HINTERNET session, const std::string& serverName, DWORD, DWORD) {
    if (!Get(session, kSession)) return Fail(ERROR_INVALID_HANDLE), nullptr;
    ++openHandles_;
    auto* h = new Handle;
    h->kind = kConnect;
    h->host = serverName;
    return h;
}

HINTERNET MemorySite::OpenRequest(HINTERNET connect, const std::string& verb, const std::string& objectName,
                                  const std::string&, const std::string&, const std::vector<std::string>&, DWORD) {
    Handle* c = Get(connect, kConnect);
    if (!c) return Fail(ERROR_INVALID_HANDLE), nullptr;
    ++openHandles_;
    auto* h = new Handle;
    h->kind = kRequest;
    h->host = c->host;
    h->verb = verb;
    h->path = objectName;
    return h;
}

bool MemorySite::AddRequestHeaders(HINTERNET request, const std::string&, DWORD, DWORD) {
    return Get(request, kRequest) ? true : Fail(ERROR_INVALID_HANDLE);
}

bool MemorySite::SetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD length) {
    Handle* r = Get(handle, kRequest);
    if (r && option == OPTION_RECEIVE_TIMEOUT && length == sizeof(DWORD))
        std::memcpy(&r->receiveTimeout, buffer, sizeof(DWORD));
    return true;
}

bool MemorySite::SendRequest(HINTERNET request, const std::string&, DWORD, const void* optional,
                             DWORD optionalLength, DWORD, DWORD_PTR) {
    Handle* r = Get(request, kRequest);
    if (!r) return Fail(ERROR_INVALID_HANDLE);
    if (optional && optionalLength) r->body.assign(static_cast<const char*>(optional), optionalLength);
    return true;
}

bool MemorySite::WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) {
    Handle* r = Get(request, kRequest);
    if (!r) return Fail(ERROR_INVALID_HANDLE);
    r->body.append(static_cast<const char*>(buffer), toWrite);
    if (written) *written = toWrite;
    return true;
}

bool MemorySite::ReceiveResponse(HINTERNET request, void*) {
    Handle* r = Get(request, kRequest);
    if (!r) return Fail(ERROR_INVALID_HANDLE);
    ++requests_;
    ReceiveTimeouts.push_back(r->receiveTimeout);
    const int delay = DelayOf ? DelayOf(r->path) : 0;
    if (r->receiveTimeout > 0 && delay > static_cast<int>(r->receiveTimeout))
        return Fail(ERROR_WINHTTP_TIMEOUT);
    r->page = page_ ? page_(r->verb, r->host, r->path, r->body) : std::string();
    r->answered = true;
    return true;
}

bool MemorySite::QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string&, void* buffer,
                              DWORD* bufferLength, DWORD*) {
    Handle* r = Get(request, kRequest);
    if (!r || !r->answered) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    const DWORD level = infoLevel & 0xFFFF;
    if (infoLevel & QUERY_FLAG_NUMBER) {
        DWORD value = 0;
        if (level == QUERY_STATUS_CODE)
            value = 200;
        else if (level == QUERY_CONTENT_LENGTH)
            value = static_cast<DWORD>(r->page.size());
        else
            return Fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
        if (!bufferLength || *bufferLength < sizeof value) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(buffer, &value, sizeof value);
        *bufferLength = sizeof value;
        return true;
    }
    std::string text;
    if (level == QUERY_STATUS_TEXT)
        text = "OK";
    else if (level == QUERY_STATUS_CODE)
        text = "200";
    else if (level == QUERY_VERSION)
        text = "HTTP/1.0";
    else if (level == QUERY_CONTENT_TYPE)
        text = "text/html";
    else if (level == QUERY_CONTENT_LENGTH)
        text = std::to_string(r->page.size());
    else if (level == QUERY_RAW_HEADERS_CRLF)
        text = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(r->page.size()) +
               "\r\n\r\n";
    else
        return Fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
    if (!bufferLength) return Fail(ERROR_INVALID_PARAMETER);
    if (*bufferLength < text.size() + 1) {
        *bufferLength = static_cast<DWORD>(text.size() + 1);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *bufferLength = static_cast<DWORD>(text.size());
    return true;
}

bool MemorySite::QueryDataAvailable(HINTERNET request, DWORD* available) {
    Handle* r = Get(request, kRequest);
    if (!r || !r->answered) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    // In pieces of at most 64 KB, as a network would hand them over.
    *available = static_cast<DWORD>(std::min<size_t>(r->page.size() - r->read, 65536));
    return true;
}

bool MemorySite::ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) {
    Handle* r = Get(request, kRequest);
    if (!r || !r->answered) return Fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    const size_t n = std::min<size_t>(toRead, r->page.size() - r->read);
    std::memcpy(buffer, r->page.data() + r->read, n);
    r->read += n;
    *read = static_cast<DWORD>(n);
    return true;
}

bool MemorySite::CloseHandle(HINTERNET handle) {
    auto* h = static_cast<Handle*>(handle);
    if (!h) return Fail(ERROR_INVALID_HANDLE);
    --openHandles_;
    delete h;
    return true;
}
