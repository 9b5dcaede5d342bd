#include "RecordingWinHttp.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/Exceptions.h"

using namespace winhttp;

namespace {
std::string Hex(DWORD v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}
}  // namespace

std::string RecordingWinHttp::Log() const {
    std::string s;
    for (const auto& c : calls) s += c + "\n";
    return s;
}

std::string RecordingWinHttp::Name(HINTERNET h) const {
    if (h == &session_) return "session";
    if (h == &connect_) return "connect";
    if (h == &request_) return "request";
    return h ? "?" : "null";
}

HINTERNET RecordingWinHttp::Open(const std::string& agent, DWORD accessType, const std::string& proxyName,
                                 const std::string& proxyBypass, DWORD flags) {
    calls.push_back("Open(" + agent + "," + std::to_string(accessType) + ",'" + proxyName + "','" + proxyBypass +
                    "'," + std::to_string(flags) + ")");
    if (failOpen) return Fail(), nullptr;
    return &session_;
}

StatusCallback RecordingWinHttp::SetStatusCallback(HINTERNET handle, StatusCallback cb, DWORD flags, DWORD_PTR) {
    calls.push_back("SetStatusCallback(" + Name(handle) + "," + Hex(flags) + ")");
    callback = cb;
    return nullptr;
}

HINTERNET RecordingWinHttp::Connect(HINTERNET session, const std::string& serverName, DWORD port, DWORD) {
    calls.push_back("Connect(" + Name(session) + "," + serverName + "," + std::to_string(port) + ")");
    if (throwInConnect) throw Exception("connect blew up");
    if (failConnect) return Fail(), nullptr;
    return &connect_;
}

HINTERNET RecordingWinHttp::OpenRequest(HINTERNET connect, const std::string& verb, const std::string& objectName,
                                        const std::string& version, const std::string& referrer,
                                        const std::vector<std::string>& acceptTypes, DWORD flags) {
    std::string accept;
    for (const auto& a : acceptTypes) accept += "[" + a + "]";
    calls.push_back("OpenRequest(" + Name(connect) + "," + verb + "," + objectName + "," + version + ",'" +
                    referrer + "'," + accept + "," + Hex(flags) + ")");
    if (failOpenRequest || connect != &connect_) return Fail(), nullptr;
    readPos_ = 0;
    return &request_;
}

bool RecordingWinHttp::AddRequestHeaders(HINTERNET request, const std::string& headers, DWORD length,
                                         DWORD modifiers) {
    calls.push_back("AddRequestHeaders(" + Name(request) + "," + std::to_string(length) + "," + Hex(modifiers) + ")");
    lastHeaders = headers;
    return true;
}

bool RecordingWinHttp::SetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD length) {
    DWORD v = 0;
    if (length == sizeof v) std::memcpy(&v, buffer, sizeof v);
    calls.push_back("SetOption(" + Name(handle) + "," + std::to_string(option) + "," + std::to_string(v) + ")");
    return failOption ? Fail() : true;
}

bool RecordingWinHttp::SendRequest(HINTERNET request, const std::string& headers, DWORD headersLength,
                                   const void* optional, DWORD optionalLength, DWORD totalLength,
                                   DWORD_PTR context) {
    calls.push_back("SendRequest(" + Name(request) + ",'" + headers + "'," + std::to_string(headersLength) + "," +
                    std::to_string(optionalLength) + "," + std::to_string(totalLength) + ")");
    if (optionalLength) uploads.emplace_back(static_cast<const char*>(optional), optionalLength);
    context_ = context;
    if (failSend) return Fail();
    if (callback) callback(request, context, CALLBACK_STATUS_REQUEST_SENT, nullptr, 0);
    return true;
}

bool RecordingWinHttp::WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) {
    calls.push_back("WriteData(" + Name(request) + "," + std::to_string(toWrite) + ")");
    uploads.emplace_back(static_cast<const char*>(buffer), toWrite);
    if (failWrite) return Fail();
    if (written) *written = toWrite;
    return true;
}

bool RecordingWinHttp::ReceiveResponse(HINTERNET request, void*) {
    calls.push_back("ReceiveResponse(" + Name(request) + ")");
    return failReceive ? Fail() : true;
}

bool RecordingWinHttp::QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string&, void* buffer,
                                    DWORD* bufferLength, DWORD*) {
    calls.push_back("QueryHeaders(" + Name(request) + "," + Hex(infoLevel) + "," + std::to_string(*bufferLength) + ")");
    if ((infoLevel & 0xFFFF) == QUERY_STATUS_CODE) {
        if (failStatus) return Fail();
        std::memcpy(buffer, &status, sizeof status);
        return true;
    }
    std::string text = (infoLevel & 0xFFFF) == QUERY_STATUS_TEXT ? statusText : rawHeaders;
    if (*bufferLength < text.size() + 1) {
        *bufferLength = static_cast<DWORD>(text.size() + 1);
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *bufferLength = static_cast<DWORD>(text.size());
    return true;
}

bool RecordingWinHttp::QueryDataAvailable(HINTERNET request, DWORD* available) {
    calls.push_back("QueryDataAvailable(" + Name(request) + ")");
    *available = static_cast<DWORD>(std::min(chunk, body.size() - readPos_));
    return true;
}

bool RecordingWinHttp::ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) {
    calls.push_back("ReadData(" + Name(request) + "," + std::to_string(toRead) + ")");
    if (throwInRead) throw std::runtime_error("read blew up");
    DWORD n = static_cast<DWORD>(std::min<size_t>(toRead, body.size() - readPos_));
    std::memcpy(buffer, body.data() + readPos_, n);
    readPos_ += n;
    *read = n;
    return true;
}

bool RecordingWinHttp::CloseHandle(HINTERNET handle) {
    calls.push_back("CloseHandle(" + Name(handle) + ")");
    return true;
}
