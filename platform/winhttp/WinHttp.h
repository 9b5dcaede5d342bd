#pragma once
// The WinHTTP service the web client talks to: one call per WinHTTP function it uses, with 8-bit
// text in place of UTF-16. The default back end runs over libcurl; tests may put a fake in its place.
#include <cstdint>
#include <string>
#include <vector>

namespace winhttp {

using HINTERNET = void*;
using DWORD = uint32_t;
using DWORD_PTR = uintptr_t;

// Called on the calling thread inside the layer's calls; context is the value given to SendRequest.
using StatusCallback = void (*)(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                                DWORD infoLength);

// Access types of Open.
constexpr DWORD ACCESS_TYPE_DEFAULT_PROXY = 0;
constexpr DWORD ACCESS_TYPE_NO_PROXY = 1;

constexpr DWORD INTERNET_DEFAULT_PORT = 0;
constexpr DWORD INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr DWORD INTERNET_DEFAULT_HTTPS_PORT = 443;
constexpr DWORD INTERNET_SCHEME_HTTP = 1;
constexpr DWORD INTERNET_SCHEME_HTTPS = 2;

// OpenRequest flags.
constexpr DWORD FLAG_ESCAPE_PERCENT = 0x4;
constexpr DWORD FLAG_NULL_CODEPAGE = 0x8;
constexpr DWORD FLAG_ESCAPE_DISABLE = 0x40;
constexpr DWORD FLAG_ESCAPE_DISABLE_QUERY = 0x80;
constexpr DWORD FLAG_BYPASS_PROXY_CACHE = 0x100;
constexpr DWORD FLAG_REFRESH = FLAG_BYPASS_PROXY_CACHE;
constexpr DWORD FLAG_SECURE = 0x800000;

// AddRequestHeaders modifiers.
constexpr DWORD ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD ADDREQ_FLAG_COALESCE = 0x40000000;
constexpr DWORD ADDREQ_FLAG_REPLACE = 0x80000000;

// SetOption.
constexpr DWORD OPTION_CONNECT_TIMEOUT = 3;
constexpr DWORD OPTION_SEND_TIMEOUT = 5;
constexpr DWORD OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD OPTION_DISABLE_FEATURE = 63;
constexpr DWORD DISABLE_COOKIES = 1;
constexpr DWORD DISABLE_REDIRECTS = 2;
constexpr DWORD DISABLE_KEEP_ALIVE = 8;

// QueryHeaders info levels.
constexpr DWORD QUERY_CONTENT_TYPE = 1;
constexpr DWORD QUERY_CONTENT_LENGTH = 5;
constexpr DWORD QUERY_DATE = 9;
constexpr DWORD QUERY_VERSION = 18;
constexpr DWORD QUERY_STATUS_CODE = 19;
constexpr DWORD QUERY_STATUS_TEXT = 20;
constexpr DWORD QUERY_RAW_HEADERS = 21;
constexpr DWORD QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD QUERY_LOCATION = 33;
constexpr DWORD QUERY_SERVER = 37;
constexpr DWORD QUERY_SET_COOKIE = 43;
constexpr DWORD QUERY_CUSTOM = 65535;
constexpr DWORD QUERY_FLAG_NUMBER = 0x20000000;

// Status notifications.
constexpr DWORD CALLBACK_STATUS_SENDING_REQUEST = 0x10;
constexpr DWORD CALLBACK_STATUS_REQUEST_SENT = 0x20;
constexpr DWORD CALLBACK_STATUS_RECEIVING_RESPONSE = 0x40;
constexpr DWORD CALLBACK_STATUS_RESPONSE_RECEIVED = 0x80;
constexpr DWORD CALLBACK_STATUS_HANDLE_CLOSING = 0x800;
constexpr DWORD CALLBACK_STATUS_REDIRECT = 0x4000;
constexpr DWORD CALLBACK_FLAG_ALL_NOTIFICATIONS = 0xFFFFFFFF;

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_WINHTTP_TIMEOUT = 12002;
constexpr DWORD ERROR_WINHTTP_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_WINHTTP_INVALID_URL = 12005;
constexpr DWORD ERROR_WINHTTP_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_WINHTTP_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_WINHTTP_INVALID_OPTION = 12009;
constexpr DWORD ERROR_WINHTTP_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_WINHTTP_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_WINHTTP_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_WINHTTP_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_WINHTTP_CONNECTION_ERROR = 12030;
constexpr DWORD ERROR_WINHTTP_RESEND_REQUEST = 12032;
constexpr DWORD ERROR_WINHTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_WINHTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_WINHTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_WINHTTP_SECURE_FAILURE = 12175;
constexpr DWORD ERROR_WINHTTP_HEADER_SIZE_OVERFLOW = 12182;
constexpr DWORD ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW = 12184;

class IWinHttp {
public:
    virtual ~IWinHttp() = default;

    virtual HINTERNET Open(const std::string& agent, DWORD accessType, const std::string& proxyName,
                           const std::string& proxyBypass, DWORD flags) = 0;
    // Answers the callback that was set before.
    virtual StatusCallback SetStatusCallback(HINTERNET handle, StatusCallback callback,
                                             DWORD notificationFlags, DWORD_PTR reserved) = 0;
    // serverName may be "name:port"; that port then wins over the port argument.
    virtual HINTERNET Connect(HINTERNET session, const std::string& serverName, DWORD port,
                              DWORD reserved) = 0;
    virtual HINTERNET OpenRequest(HINTERNET connect, const std::string& verb,
                                  const std::string& objectName, const std::string& version,
                                  const std::string& referrer,
                                  const std::vector<std::string>& acceptTypes, DWORD flags) = 0;
    virtual bool AddRequestHeaders(HINTERNET request, const std::string& headers, DWORD length,
                                   DWORD modifiers) = 0;
    virtual bool SetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD length) = 0;
    virtual bool SendRequest(HINTERNET request, const std::string& headers, DWORD headersLength,
                             const void* optional, DWORD optionalLength, DWORD totalLength,
                             DWORD_PTR context) = 0;
    virtual bool WriteData(HINTERNET request, const void* buffer, DWORD toWrite, DWORD* written) = 0;
    virtual bool ReceiveResponse(HINTERNET request, void* reserved) = 0;
    // Text answers need length + 1 bytes; when the buffer is short the call fails with
    // ERROR_INSUFFICIENT_BUFFER and bufferLength holds the size needed.
    virtual bool QueryHeaders(HINTERNET request, DWORD infoLevel, const std::string& name,
                              void* buffer, DWORD* bufferLength, DWORD* index) = 0;
    virtual bool QueryDataAvailable(HINTERNET request, DWORD* available) = 0;
    virtual bool ReadData(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) = 0;
    virtual bool CloseHandle(HINTERNET handle) = 0;

    // The last error of this thread, and the text of an error code (empty when unknown).
    virtual DWORD GetLastError() = 0;
    virtual std::string ErrorText(DWORD code) = 0;
};

// The libcurl back end, one for the whole program.
IWinHttp& DefaultWinHttp();

// What the libcurl back end holds of bodies for one session, in bytes: request bodies kept for a
// replay and answer bytes waiting to be read (spare buffers included), now and at their peak since
// the session was opened. For tests and measurements.
struct HeldBytes {
    uint64_t upload = 0, uploadPeak = 0;
    uint64_t answer = 0, answerPeak = 0;
};
bool SessionHeldBytes(HINTERNET session, HeldBytes& out);

// Bodies larger than this stop the read with a read failure; what was read so far stays.
constexpr uint64_t MAX_RESPONSE_BODY = 32ull * 1024 * 1024;

// Checks a server name before anything is resolved: letters, digits, ".", "-", "_" or a bracketed
// IPv6 literal, optionally followed by ":port" (1-65535). Fills host and port (0 when absent).
bool ParseServerName(const std::string& serverName, std::string& host, unsigned& port);

}  // namespace winhttp
