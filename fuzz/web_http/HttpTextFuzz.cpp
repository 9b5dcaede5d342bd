// Feeds arbitrary bytes to every reader of header text; none may read out of bounds or loop.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/winhttp/WinHttp.h"
#include "web/clHttpDate.h"
#include "web/clHttpFields.h"
#include "web/clHttpHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    THTTPResponseHeader response;
    response.SetRawHeaderText(text);

    THTTPRequestHeader request;
    request.SetRawHeaderText(text);
    const std::string raw = request.GetRawHeaderText();
    THTTPRequestHeader again;
    again.SetRawHeaderText(raw);

    THTTPRequestCookie cookie;
    cookie.SetCookieText(text);
    cookie.GetCookieText();

    TDateTime when = 0;
    if (ParseHttpDate(text, when, 2026)) {
        int y, m, d, h, n, s, dow;
        DecodeDateTime(when, y, m, d, h, n, s, dow);
    }

    TStringList fields;
    ExtractHTTPFields(";,", " \t", text, fields, true);
    const std::string decoded = URLDecodeValue(text);
    if (URLDecodeValue(URLEncodeValue(text)) != text) __builtin_trap();

    std::string host;
    unsigned port = 0;
    winhttp::ParseServerName(text, host, port);
    return 0;
}
