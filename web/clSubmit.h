#pragma once
// The HTTP client of the system and the split form of an address.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Streams.h"
#include "platform/Strings.h"
#include "platform/winhttp/WinHttp.h"
#include "web/clHttpHeader.h"

struct TUrl {
    std::string URL;    // the address exactly as given
    std::string Host;   // between the scheme prefix and the first "/"
    std::string Path;   // from the first "/" to the end, query included; "/" when none
    std::string Query;  // after the first "?"
};

// Only "http://" (any letter case) is known as a scheme prefix.
TUrl SplitURL(const std::string& url);

// Escapes the value of each "name=value" line in place (the text after the first "="); lines
// without "=" stay as they are.
void EncodeParamValues(TStringList& params);

// One client talks to one host over a WinHTTP session kept from Connect to Disconnect (its
// cookies live as long). Failures of the service never raise: they show as an empty answer.
class TSubmit {
public:
    using TStatusChangeEvent =
        std::function<void(TSubmit* sender, uint32_t status, void* info, uint32_t infoLength)>;

    static constexpr const char* kUserAgent = "Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)";

    // Options bits.
    static constexpr uint16_t optBypassProxyCache = 1 << 1;
    static constexpr uint16_t optEscapeDisable = 1 << 2;
    static constexpr uint16_t optEscapeDisableQuery = 1 << 3;
    static constexpr uint16_t optEscapePercent = 1 << 4;
    static constexpr uint16_t optNullCodePage = 1 << 5;
    static constexpr uint16_t optRefresh = 1 << 6;
    static constexpr uint16_t optSecure = 1 << 7;
    static constexpr uint16_t optKeepAlive = 1 << 8;
    static constexpr uint16_t optDisableCookies = 1 << 9;
    static constexpr uint16_t optDisableRedirects = 1 << 10;

    // api: the WinHTTP service; null takes the libcurl back end.
    explicit TSubmit(winhttp::IWinHttp* api = nullptr);
    virtual ~TSubmit();
    TSubmit(const TSubmit&) = delete;
    TSubmit& operator=(const TSubmit&) = delete;

    const std::string& GetURL() const { return url_.URL; }
    // Changes the address only; a connected client keeps its connection to the old host.
    void SetURL(const std::string& url) { url_ = SplitURL(url); }
    const std::string& GetHost() const { return url_.Host; }
    const TUrl& Url() const { return url_; }

    bool Connect();
    void Disconnect();
    bool Connected() const { return connected_; }
    winhttp::HINTERNET SessionHandle() const { return session_; }
    winhttp::HINTERNET ConnectHandle() const { return connection_; }

    void Get(TStream* contentStream, THTTPResponseHeader* responseHeader = nullptr);
    std::string GetString();
    void Post(TStream* data, TStream* contentStream, THTTPResponseHeader* responseHeader = nullptr);
    void PostURLEncoded(TStringList& params, TStream* contentStream, bool encode,
                        THTTPResponseHeader* responseHeader = nullptr);
    virtual void Execute(TStream* data, TStream* contentStream, THTTPResponseHeader* responseHeader);

    THTTPRequestHeader& RequestHeader() { return *requestHeader_; }
    uint8_t RequestMethod = 0;  // 0 GET, 1 POST
    TStatusChangeEvent OnStatusChange;
    uint32_t Scheme = winhttp::INTERNET_SCHEME_HTTP;
    uint16_t Options = optKeepAlive;
    uint32_t UploadBufferSize = 32768;
    uint32_t ConnectTimeout = 0;  // ms; 0 keeps the service's default
    uint32_t SendTimeout = 0;
    uint32_t ReceiveTimeout = 0;

protected:
    // Opens and sends one request and waits for its answer's headers; null on failure.
    virtual winhttp::HINTERNET SendRequest(TStream* data);
    virtual void ReadResponse(winhttp::HINTERNET request, TStream* contentStream,
                              THTTPResponseHeader* responseHeader);
    // True when the call did not fail (or left no error code); otherwise reports the error text.
    bool CheckError(bool failed);
    // The error sink: every message is dropped.
    virtual void ReportError(const std::string& message);

private:
    static void StatusCallback(winhttp::HINTERNET handle, winhttp::DWORD_PTR context, winhttp::DWORD status,
                               void* info, winhttp::DWORD infoLength);
    uint32_t OpenRequestFlags() const;
    // Reads a text header of the answer, growing the buffer while the service asks for more.
    bool QueryText(winhttp::HINTERNET request, winhttp::DWORD infoLevel, std::string& text);

    winhttp::IWinHttp& api_;
    bool connected_ = false;
    winhttp::HINTERNET session_ = nullptr;
    winhttp::HINTERNET connection_ = nullptr;
    TUrl url_;
    std::unique_ptr<THTTPRequestHeader> requestHeader_;
    bool received_ = false;  // the last request's answer headers arrived
    static constexpr winhttp::DWORD kKeptReadBuffer = 2u << 20;
    std::unique_ptr<char[]> readBuffer_;
    winhttp::DWORD readCapacity_ = 0;
};
