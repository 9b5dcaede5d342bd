#include "web/clSubmit.h"

#include <limits>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Strings.h"
#include "web/clHttpFields.h"
#include "platform/CpLiteral.h"

using namespace winhttp;

TUrl SplitURL(const std::string& url) {
    TUrl r;
    r.URL = url;
    std::string work = url;
    if (work.size() >= 7 && SameText(std::string_view(work).substr(0, 7), "http://")) work.erase(0, 7);
    size_t slash = work.find('/');
    if (slash == std::string::npos) {
        r.Host = work;
        r.Path.assign(1, '/');
        return r;
    }
    r.Host = work.substr(0, slash);
    r.Path = work.substr(slash);
    size_t q = work.find('?');
    if (q != std::string::npos) r.Query = work.substr(q + 1);
    if (r.Path.empty()) r.Path.assign(1, '/');
    return r;
}

void EncodeParamValues(TStringList& params) {
    for (int i = 0; i < params.Count(); ++i) {
        std::string& line = params[i];
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        line = line.substr(0, eq + 1) + URLEncodeValue(std::string_view(line).substr(eq + 1));
    }
}

namespace {
// Puts a header field back to its former value when the call ends, also by an exception.
class FieldRestore {
public:
    FieldRestore(THTTPRequestHeader& header, int index, const std::string& value)
        : header_(header), index_(index), old_(header.GetHeaderValueByPropertyIndex(index)) {
        header_.SetHeaderValueByPropertyIndex(index_, value);
    }
    ~FieldRestore() { header_.SetHeaderValueByPropertyIndex(index_, old_); }
    FieldRestore(const FieldRestore&) = delete;
    FieldRestore& operator=(const FieldRestore&) = delete;

private:
    THTTPRequestHeader& header_;
    int index_;
    std::string old_;
};

constexpr int kContentLengthIndex = 10;
constexpr int kContentTypeIndex = 14;
}  // namespace

TSubmit::TSubmit(IWinHttp* api)
    : api_(api ? *api : DefaultWinHttp()), requestHeader_(std::make_unique<THTTPRequestHeader>()) {
    requestHeader_->SetUserAgent(kUserAgent);
}

TSubmit::~TSubmit() {
    // A client freed while connected lets its session go with it.
    if (connected_ || session_ || connection_) Disconnect();
}

bool TSubmit::Connect() {
    if (connected_) return true;
    try {
        session_ = api_.Open(kUserAgent, ACCESS_TYPE_NO_PROXY, std::string(), std::string(), 0);
        if (!session_) {
            CheckError(true);
        } else {
            api_.SetStatusCallback(session_, &TSubmit::StatusCallback, CALLBACK_FLAG_ALL_NOTIFICATIONS, 0);
            connection_ = api_.Connect(session_, url_.Host, INTERNET_DEFAULT_HTTP_PORT, 0);
            if (!connection_) CheckError(true);
        }
        // Also after a failure above: it shows at the next request, which then disconnects.
        connected_ = true;
        return true;
    } catch (...) {
        if (connection_) api_.CloseHandle(connection_);
        if (session_) api_.CloseHandle(session_);
        connection_ = nullptr;
        session_ = nullptr;
        connected_ = false;
        ReportError(u8"Ошибка соединения:"_cp + url_.Host);
        return false;
    }
}

void TSubmit::Disconnect() {
    connected_ = false;
    if (connection_) api_.CloseHandle(connection_);
    if (session_) api_.CloseHandle(session_);
    connection_ = nullptr;
    session_ = nullptr;
}

uint32_t TSubmit::OpenRequestFlags() const {
    uint32_t flags = 0;
    if (Options & optBypassProxyCache) flags |= FLAG_BYPASS_PROXY_CACHE;
    if (Options & optEscapeDisable) flags |= FLAG_ESCAPE_DISABLE;
    if (Options & optEscapeDisableQuery) flags |= FLAG_ESCAPE_DISABLE_QUERY;
    if (Options & optEscapePercent) flags |= FLAG_ESCAPE_PERCENT;
    if (Options & optNullCodePage) flags |= FLAG_NULL_CODEPAGE;
    if (Options & optRefresh) flags |= FLAG_REFRESH;
    if ((Options & optSecure) || Scheme == INTERNET_SCHEME_HTTPS) flags |= FLAG_SECURE;
    return flags;
}

HINTERNET TSubmit::SendRequest(TStream* data) {
    if (!Connect()) return nullptr;
    HINTERNET request = nullptr;
    try {
        request = api_.OpenRequest(connection_, RequestMethod == 1 ? "POST" : "GET", url_.Path, "HTTP/1.0",
                                   requestHeader_->Referer(), {requestHeader_->Accept()}, OpenRequestFlags());
        if (!request) {
            CheckError(true);
            Disconnect();
            return nullptr;
        }
        auto setOption = [&](DWORD option, DWORD value) {
            CheckError(!api_.SetOption(request, option, &value, sizeof value));
        };
        if (ConnectTimeout > 0) setOption(OPTION_CONNECT_TIMEOUT, ConnectTimeout);
        if (SendTimeout > 0) setOption(OPTION_SEND_TIMEOUT, SendTimeout);
        if (ReceiveTimeout > 0) setOption(OPTION_RECEIVE_TIMEOUT, ReceiveTimeout);
        if (!(Options & optKeepAlive)) setOption(OPTION_DISABLE_FEATURE, DISABLE_KEEP_ALIVE);
        if (Options & optDisableCookies) setOption(OPTION_DISABLE_FEATURE, DISABLE_COOKIES);
        if (Options & optDisableRedirects) setOption(OPTION_DISABLE_FEATURE, DISABLE_REDIRECTS);

        const std::string raw = requestHeader_->GetRawHeaderText();
        api_.AddRequestHeaders(request, raw, static_cast<DWORD>(raw.size()),
                               ADDREQ_FLAG_ADD | ADDREQ_FLAG_REPLACE);

        int64_t size = 0;
        if (data) {
            data->SetPosition(0);
            size = data->Size();
        }
        // The service counts a body in 32 bits.
        if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<DWORD>::max())
            throw Exception("Invalid HTTP Request: Length is too large");
        const auto context = reinterpret_cast<DWORD_PTR>(this);
        const auto total = static_cast<DWORD>(size);
        auto sendFailed = [&] {
            CheckError(true);
            api_.CloseHandle(request);
            request = nullptr;
            Disconnect();
        };
        if (static_cast<uint64_t>(size) <= UploadBufferSize) {
            std::vector<char> buffer(static_cast<size_t>(size));
            if (size) data->ReadBuffer(buffer.data(), size);
            if (!api_.SendRequest(request, std::string(), 0, buffer.data(), total, total, context)) {
                sendFailed();
                return nullptr;
            }
        } else {
            if (!api_.SendRequest(request, std::string(), 0, nullptr, 0, total, context)) {
                sendFailed();
                return nullptr;
            }
            std::vector<char> buffer(UploadBufferSize);
            while (size - data->Position() > 0) {
                int64_t want = std::min<int64_t>(UploadBufferSize, size - data->Position());
                int64_t got = data->Read(buffer.data(), want);
                if (got <= 0) throw Exception("Invalid HTTP Request: Length is 0");
                DWORD written = 0;
                // After a failed write the body cannot arrive whole: the rest is not written, and
                // the one failure is reported.
                if (!api_.WriteData(request, buffer.data(), static_cast<DWORD>(got), &written)) {
                    CheckError(true);
                    break;
                }
            }
        }
        received_ = CheckError(!api_.ReceiveResponse(request, nullptr));
        return request;
    } catch (...) {
        if (request) api_.CloseHandle(request);
        Disconnect();
        throw;
    }
}

bool TSubmit::QueryText(HINTERNET request, DWORD infoLevel, std::string& text) {
    std::vector<char> buffer(4096);
    // Grows only while the service asks for more room, and only a few times.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (api_.QueryHeaders(request, infoLevel, std::string(), buffer.data(), &length, nullptr)) {
            text.assign(buffer.data(), std::min<size_t>(length, buffer.size()));
            return true;
        }
        if (api_.GetLastError() != ERROR_INSUFFICIENT_BUFFER || length <= buffer.size()) break;
        buffer.resize(length);
    }
    text.clear();
    return false;
}

void TSubmit::ReadResponse(HINTERNET request, TStream* contentStream, THTTPResponseHeader* responseHeader) {
    if (responseHeader) {
        std::string raw;
        if (QueryText(request, QUERY_RAW_HEADERS_CRLF, raw)) responseHeader->SetRawHeaderText(raw);
    }
    DWORD status = 0, length = sizeof status;
    if (api_.QueryHeaders(request, QUERY_STATUS_CODE | QUERY_FLAG_NUMBER, std::string(), &status, &length,
                          nullptr) &&
        status >= 300) {
        std::string text;
        QueryText(request, QUERY_STATUS_TEXT, text);
        ReportError(text + " - '" + url_.URL + "'");
        return;
    }
    // A body that ends before it is whole is a failure: the stream goes back to what it held.
    const int64_t size = contentStream ? contentStream->Size() : 0;
    const int64_t position = contentStream ? contentStream->Position() : 0;
    // The read buffer serves the next request too, unless the service offered an unusually large piece.
    struct KeepBounded {
        std::unique_ptr<char[]>& buffer;
        DWORD& capacity;
        ~KeepBounded() {
            if (capacity > kKeptReadBuffer) {
                buffer.reset();
                capacity = 0;
            }
        }
    } keep{readBuffer_, readCapacity_};
    while (true) {
        DWORD available = 0;
        bool ok = api_.QueryDataAvailable(request, &available);
        if (ok && available == 0) return;
        if (ok) {
            if (available > readCapacity_) {
                readBuffer_.reset();
                readBuffer_.reset(new char[available]);
                readCapacity_ = available;
            }
            DWORD read = 0;
            ok = api_.ReadData(request, readBuffer_.get(), available, &read);
            if (ok && read == 0) return;
            if (ok && contentStream) contentStream->WriteBuffer(readBuffer_.get(), std::min<DWORD>(read, available));
        }
        if (!ok) {
            // A failed receive was reported already; reading after it fails for the same cause.
            if (received_) CheckError(true);
            if (contentStream) {
                try {
                    if (contentStream->Size() != size) contentStream->SetSize(size);
                } catch (const EStreamError&) {
                    // A stream that cannot be cut keeps the bytes; it still goes back to its position.
                }
                contentStream->SetPosition(position);
            }
            return;
        }
    }
}

void TSubmit::Execute(TStream* data, TStream* contentStream, THTTPResponseHeader* responseHeader) {
    if (url_.URL.empty()) throw Exception("Empty URL");
    HINTERNET request = SendRequest(data);
    if (!request) return;
    try {
        ReadResponse(request, contentStream, responseHeader);
    } catch (...) {
        api_.CloseHandle(request);
        Disconnect();
        throw;
    }
    api_.CloseHandle(request);
}

void TSubmit::Get(TStream* contentStream, THTTPResponseHeader* responseHeader) {
    RequestMethod = 0;
    Execute(nullptr, contentStream, responseHeader);
}

namespace {
// Collects written bytes by appending, so the text can be handed out without a copy.
class AppendingStream : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        if (count <= 0) return 0;
        data.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return static_cast<int64_t>(data.size()); }
    void SetSize(int64_t size) override { data.resize(static_cast<size_t>(size)); }
    std::string data;
};
}  // namespace

std::string TSubmit::GetString() {
    AppendingStream content;
    Get(&content);
    return std::move(content.data);
}

void TSubmit::Post(TStream* data, TStream* contentStream, THTTPResponseHeader* responseHeader) {
    RequestMethod = 1;
    FieldRestore length(*requestHeader_, kContentLengthIndex, data ? IntToStr(data->Size()) : "0");
    Execute(data, contentStream, responseHeader);
}

void TSubmit::PostURLEncoded(TStringList& params, TStream* contentStream, bool encode,
                             THTTPResponseHeader* responseHeader) {
    if (encode) EncodeParamValues(params);
    std::string body;
    for (int i = 0; i < params.Count(); ++i) {
        if (i) body += '&';
        body += params[i];
    }
    FieldRestore type(*requestHeader_, kContentTypeIndex, "application/x-www-form-urlencoded");
    TStringStream data(body);
    Post(&data, contentStream, responseHeader);
}

bool TSubmit::CheckError(bool failed) {
    if (!failed) return true;
    const DWORD code = api_.GetLastError();
    if (code == 0) return true;
    std::string text = api_.ErrorText(code);
    if (text.size() > 255) text.resize(255);  // the message buffer holds 256 bytes
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    ReportError(text + " - URL:" + url_.URL);
    return false;
}

void TSubmit::ReportError(const std::string&) {}

void TSubmit::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD infoLength) {
    auto* self = reinterpret_cast<TSubmit*>(context);
    if (self && self->OnStatusChange) self->OnStatusChange(self, status, info, infoLength);
}
