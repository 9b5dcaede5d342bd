#pragma once
// A WinHTTP service that answers in memory: every request gets status 200 and the page that the
// caller's function gives for it, at once, with no socket and no thread. Handles are heap objects
// freed by CloseHandle, so a client that forgets one shows as a leak.
//
// Time is simulated: a page may be given a delay; a request whose receive timeout (set on it
// through SetOption) is shorter fails with ERROR_WINHTTP_TIMEOUT at once, as the real service
// would after waiting.
#include <functional>
#include <string>
#include <vector>

#include "platform/winhttp/WinHttp.h"

class MemorySite : public winhttp::IWinHttp {
public:
    using DWORD = winhttp::DWORD;
    using HINTERNET = winhttp::HINTERNET;
    // (verb, host, path with query, request body) -> the page.
    using PageFunc = std::function<std::string(const std::string& verb, const std::string& host,
                                               const std::string& path, const std::string& body)>;

    explicit MemorySite(PageFunc page) : page_(std::move(page)) {}
    ~MemorySite() override;

    int Requests() const { return requests_; }
    int OpenHandles() const { return openHandles_; }

    // The delay of the page at a path, in ms (unset: none).
    std::function<int(const std::string& path)> DelayOf;
    // The receive timeout of every request answered or timed out, in order (0: none set).
    std::vector<DWORD> ReceiveTimeouts;

    HINTERNET Open(const std::string& agent, DWORD accessType, const std::string& proxyName,
                   const std::string& proxyBypass, DWORD flags) override;
    winhttp::StatusCallback SetStatusCallback(HINTERNET handle, winhttp::StatusCallback callback,
                                              DWORD notificationFlags, winhttp::DWORD_PTR reserved) override;
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
    std::string ErrorText(DWORD code) override { return "memory site error " + std::to_string(code); }

private:
    struct Handle;
    Handle* Get(HINTERNET h, int kind);
    bool Fail(DWORD code) {
        lastError_ = code;
        return false;
    }

    PageFunc page_;
    DWORD lastError_ = 0;
    int requests_ = 0;
    int openHandles_ = 0;
};
