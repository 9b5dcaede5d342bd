#pragma once
// A WinHTTP service that answers from a script and writes down every call, so tests see exactly
// what the client asks of the service.
#include <functional>
#include <string>
#include <vector>

#include "platform/winhttp/WinHttp.h"

class RecordingWinHttp : public winhttp::IWinHttp {
public:
    using DWORD = winhttp::DWORD;
    using HINTERNET = winhttp::HINTERNET;

    // The script.
    bool failOpen = false, failConnect = false, failOpenRequest = false, failSend = false,
         failReceive = false, failOption = false, failWrite = false, failStatus = false;
    bool throwInConnect = false, throwInRead = false;
    DWORD failCode = winhttp::ERROR_WINHTTP_CANNOT_CONNECT;
    DWORD status = 200;
    std::string statusText = "OK";
    std::string rawHeaders = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    std::string body = "<html></html>";
    size_t chunk = 5;  // bytes made available per QueryDataAvailable

    std::vector<std::string> calls;
    std::vector<std::string> uploads;  // the bytes of each SendRequest body and WriteData, in order
    std::string lastHeaders;
    winhttp::StatusCallback callback = nullptr;

    // The calls made since the last Clear, joined by "\n".
    std::string Log() const;
    void Clear() { calls.clear(); uploads.clear(); }

    HINTERNET Open(const std::string& agent, DWORD accessType, const std::string& proxyName,
                   const std::string& proxyBypass, DWORD flags) override;
    winhttp::StatusCallback SetStatusCallback(HINTERNET handle, winhttp::StatusCallback cb, DWORD flags,
                                              winhttp::DWORD_PTR reserved) override;
    HINTERNET Connect(HINTERNET session, const std::string& serverName, DWORD port, DWORD reserved) override;
    HINTERNET OpenRequest(HINTERNET connect, const std::string& verb, const std::string& objectName,
                          const std::string& version, const std::string& referrer,
                          const std::vector<std::string>& acceptTypes, DWORD flags) override;
    bool AddRequestHeaders(HINTERNET request, const std::string& headers, DWORD length, DWORD modifiers) override;
    bool SetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD length) override;
    bool SendRequest(HINTERNET request, const std::string& headers, DWORD headersLength, const void* optional,
                     DWORD optionalLength, DWORD totalLength, winhttp::DWORD_PTR context) override;
    bool WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) override;
    bool ReceiveResponse(HINTERNET request, void* reserved) override;
    bool QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string& name, void* buffer,
                      DWORD* bufferLength, DWORD* index) override;
    bool QueryDataAvailable(HINTERNET request, DWORD* available) override;
    bool ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) override;
    bool CloseHandle(HINTERNET handle) override;
    DWORD GetLastError() override { return lastError_; }
    std::string ErrorText(DWORD code) override { return "Error " + std::to_string(code) + "\r\n"; }

private:
    std::string Name(HINTERNET h) const;
    bool Fail() {
        lastError_ = failCode;
        return false;
    }
    DWORD lastError_ = 0;
    // Handles are addresses inside this object; the tags tell them apart in the log.
    char session_ = 0, connect_ = 0, request_ = 0;
    size_t readPos_ = 0;
    winhttp::DWORD_PTR context_ = 0;
};
