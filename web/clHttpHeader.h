#pragma once
// Header fields of the requests a client sends, the cookie record and collection, and the reader of
// raw response headers.
#include <functional>
#include <string>
#include <vector>

#include "platform/Strings.h"
#include "web/clHttpDate.h"

// The 38 request header fields: index, property, header name. The index is also the order of the
// raw header text.
#define VA_REQUEST_HEADER_FIELDS(X)                     \
    X(0, Accept, "Accept")                              \
    X(1, AcceptCharSet, "Accept-Charset")               \
    X(2, AcceptEncoding, "Accept-Encoding")             \
    X(3, AcceptLanguage, "Accept-Language")             \
    X(4, Allow, "Allow")                                \
    X(5, Authorization, "Authorization")                \
    X(6, CacheControl, "Cache-Control")                 \
    X(7, Connection, "Connection")                      \
    X(8, ContentEncoding, "Content-Encoding")           \
    X(9, ContentLanguage, "Content-Language")           \
    X(10, ContentLength, "Content-Length")              \
    X(11, ContentLocation, "Content-Location")          \
    X(12, ContentMD5, "Content-MD5")                    \
    X(13, ContentRange, "Content-Range")                \
    X(14, ContentType, "Content-Type")                  \
    X(15, Date, "Date")                                 \
    X(16, Expect, "Expect")                             \
    X(17, Expires, "Expires")                           \
    X(18, From, "From")                                 \
    X(19, Host, "Host")                                 \
    X(20, IfMatch, "If-Match")                          \
    X(21, IfModifiedSince, "If-Modified-Since")         \
    X(22, IfNoneMatch, "If-None-Match")                 \
    X(23, IfRange, "If-Range")                          \
    X(24, IfUnmodifiedSince, "If-Unmodified-Since")     \
    X(25, LastModified, "Last-Modified")                \
    X(26, MaxForwards, "Max-Forwards")                  \
    X(27, Pragma, "Pragma")                             \
    X(28, ProxyAuthorization, "Proxy-Authorization")    \
    X(29, Range, "Range")                               \
    X(30, Referer, "Referer")                           \
    X(31, TE, "TE")                                     \
    X(32, Trailer, "Trailer")                           \
    X(33, TransferEncoding, "Transfer-Encoding")        \
    X(34, Upgrade, "Upgrade")                           \
    X(35, UserAgent, "User-Agent")                      \
    X(36, Via, "Via")                                   \
    X(37, Warning, "Warning")

constexpr int kRequestHeaderFieldCount = 38;
// The header name of a field index 0-37.
const char* RequestHeaderName(int index);

class THTTPRequestCookie {
public:
    std::string Name, Value, Domain, Path;
    TDateTime Expires = -1.0;  // -1.0: none
    bool Secure = false;

    void Assign(const THTTPRequestCookie& source) { *this = source; }
    // name=value; domain=..; path=..; expires=Sun, 06-Nov-1994 08:49:37 GMT; secure
    std::string GetCookieText() const;
    void SetCookieText(const std::string& text);
};

class THTTPRequestCookieCollection {
public:
    THTTPRequestCookie& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    THTTPRequestCookie& Items(int i);
    const THTTPRequestCookie& Items(int i) const;
    void Clear() { items_.clear(); }
    void Assign(const THTTPRequestCookieCollection& source) { items_ = source.items_; }

private:
    std::vector<THTTPRequestCookie> items_;
};

class THTTPRequestHeader {
public:
    using THTTPPropertyChangeEvent = std::function<void(THTTPRequestHeader* sender, int propertyIndex)>;

    THTTPRequestHeader();

    const std::string& GetHeaderValueByPropertyIndex(int index) const;
    // Stores a differing value of field 0-37 and fires OnChange with its index; anything else
    // changes nothing.
    void SetHeaderValueByPropertyIndex(int index, const std::string& value);

#define VA_FIELD_ACCESSORS(i, prop, name)                                  \
    const std::string& prop() const { return fields_[i]; }                 \
    void Set##prop(const std::string& v) { SetHeaderValueByPropertyIndex(i, v); }
    VA_REQUEST_HEADER_FIELDS(VA_FIELD_ACCESSORS)
#undef VA_FIELD_ACCESSORS

    TStringList& CustomHeaders() { return customHeaders_; }
    const TStringList& CustomHeaders() const { return customHeaders_; }
    void SetCustomHeaders(const TStringList& list);
    THTTPRequestCookieCollection& Cookies() { return cookies_; }
    const THTTPRequestCookieCollection& Cookies() const { return cookies_; }
    void SetCookies(const THTTPRequestCookieCollection& cookies) { cookies_.Assign(cookies); }

    // Copies the fields, the custom headers and the cookies, then fires this header's OnChange with -1.
    void Assign(const THTTPRequestHeader& source);

    std::string GetRawHeaderText() const;
    void SetRawHeaderText(const std::string& text);

    THTTPPropertyChangeEvent OnChange;

private:
    void Changed(int index) {
        if (OnChange) OnChange(this, index);
    }
    std::string fields_[kRequestHeaderFieldCount];
    TStringList customHeaders_;
    THTTPRequestCookieCollection cookies_;
};

// The 28 response header fields.
#define VA_RESPONSE_HEADER_FIELDS(X)                \
    X(0, AcceptRanges, "Accept-Ranges")             \
    X(1, Age, "Age")                                \
    X(2, Allow, "Allow")                            \
    X(3, CacheControl, "Cache-Control")             \
    X(4, Connection, "Connection")                  \
    X(5, ContentEncoding, "Content-Encoding")       \
    X(6, ContentLanguage, "Content-Language")       \
    X(7, ContentLength, "Content-Length")           \
    X(8, ContentLocation, "Content-Location")       \
    X(9, ContentMD5, "Content-MD5")                 \
    X(10, ContentRange, "Content-Range")            \
    X(11, ContentType, "Content-Type")              \
    X(12, Date, "Date")                             \
    X(13, ETag, "ETag")                             \
    X(14, Expires, "Expires")                       \
    X(15, LastModified, "Last-Modified")            \
    X(16, Location, "Location")                     \
    X(17, Pragma, "Pragma")                         \
    X(18, ProxyAuthenticate, "Proxy-Authenticate")  \
    X(19, RetryAfter, "Retry-After")                \
    X(20, Server, "Server")                         \
    X(21, Trailer, "Trailer")                       \
    X(22, TransferEncoding, "Transfer-Encoding")    \
    X(23, Upgrade, "Upgrade")                       \
    X(24, Vary, "Vary")                             \
    X(25, Via, "Via")                               \
    X(26, Warning, "Warning")                       \
    X(27, WWWAuthenticate, "WWW-Authenticate")

constexpr int kResponseHeaderFieldCount = 28;
const char* ResponseHeaderName(int index);

class THTTPResponseHeader {
public:
#define VA_FIELD_GETTER(i, prop, name) \
    const std::string& prop() const { return fields_[i]; }
    VA_RESPONSE_HEADER_FIELDS(VA_FIELD_GETTER)
#undef VA_FIELD_GETTER
    const std::string& GetHeaderValueByPropertyIndex(int index) const;

    const TStringList& Cookies() const { return cookies_; }
    const TStringList& CustomHeaders() const { return customHeaders_; }
    const std::string& ProtocolVersion() const { return protocolVersion_; }
    const std::string& StatusCode() const { return statusCode_; }
    const std::string& ReasonString() const { return reasonString_; }
    const std::string& RawHeaderText() const { return rawHeaderText_; }

    void SetRawHeaderText(const std::string& text);

private:
    std::string fields_[kResponseHeaderFieldCount];
    TStringList cookies_;
    TStringList customHeaders_;
    std::string protocolVersion_, statusCode_, reasonString_, rawHeaderText_;
};
