// Request headers as the caller adds them, and the answer's header lines as QueryHeaders reads them.
#include <algorithm>

#include "platform/Strings.h"
#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {
namespace {

// The status line as curl reads it: the version, one blank, the code after any further blanks,
// then the text. The code is curl's own, so the query and the transfer cannot disagree.
std::string StatusPart(const Request& r, DWORD level) {
    if (level == QUERY_STATUS_CODE) return std::to_string(r.status);
    if (r.headerLines.empty()) return std::string();
    const std::string_view l = r.headerLines[0];
    const size_t blank = l.find(' ');
    if (level == QUERY_VERSION) return std::string(l.substr(0, blank));
    const size_t code = l.find_first_not_of(" \t\v\f", blank);
    const size_t text = code == std::string_view::npos ? code : l.find_first_not_of("0123456789", code);
    return text == std::string_view::npos ? std::string() : Trim(l.substr(text));
}

const char* FieldOfLevel(DWORD level) {
    switch (level) {
        case QUERY_CONTENT_TYPE: return "content-type";
        case QUERY_CONTENT_LENGTH: return "content-length";
        case QUERY_DATE: return "date";
        case QUERY_LOCATION: return "location";
        case QUERY_SERVER: return "server";
        case QUERY_SET_COOKIE: return "set-cookie";
        default: return nullptr;
    }
}

}  // namespace

bool HasHeader(const Request& r, std::string_view name) {
    return std::any_of(r.headers.begin(), r.headers.end(), [&](const auto& h) { return SameText(h.first, name); });
}

bool AddHeaders(Request& r, const std::string& text, DWORD modifiers) {
    bool ok = true;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = std::string_view(text).substr(pos, end - pos);
        pos = end + 1;
        if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
            continue;
        const size_t colon = line.find(':');
        const std::string name = colon == std::string::npos ? std::string() : Trim(line.substr(0, colon));
        if (name.empty()) {
            ok = false;
            continue;
        }
        std::string value = Trim(line.substr(colon + 1));
        auto same = [&](const auto& h) { return SameText(h.first, name); };
        const bool exists = HasHeader(r, name);
        if (modifiers & ADDREQ_FLAG_REPLACE) {
            if (!exists && !(modifiers & ADDREQ_FLAG_ADD)) continue;
            r.headers.erase(std::remove_if(r.headers.begin(), r.headers.end(), same), r.headers.end());
            if (!value.empty()) r.headers.emplace_back(name, std::move(value));
        } else if (modifiers & ADDREQ_FLAG_ADD_IF_NEW) {
            if (!exists) r.headers.emplace_back(name, std::move(value));
        } else if ((modifiers & ADDREQ_FLAG_COALESCE) && exists) {
            auto it = std::find_if(r.headers.begin(), r.headers.end(), same);
            it->second += ", " + value;
        } else {
            r.headers.emplace_back(name, std::move(value));
        }
    }
    if (!ok) return Fail(ERROR_INVALID_PARAMETER);
    return true;
}

bool HeaderText(const Request& r, DWORD level, const std::string& name, DWORD* index, std::string& text) {
    text.clear();
    switch (level) {
        case QUERY_RAW_HEADERS_CRLF:
            for (size_t i = 0; i < r.headerLines.size(); ++i) text.append(r.headerLines[i]).append("\r\n");
            text += "\r\n";
            return true;
        case QUERY_RAW_HEADERS:
            for (size_t i = 0; i < r.headerLines.size(); ++i) text.append(r.headerLines[i]).push_back('\0');
            return true;
        case QUERY_VERSION:
        case QUERY_STATUS_CODE:
        case QUERY_STATUS_TEXT: text = StatusPart(r, level); return true;
        default: break;
    }
    std::string field;
    if (level == QUERY_CUSTOM) field = Trim(name);
    else if (const char* f = FieldOfLevel(level)) field = f;
    else return Fail(ERROR_WINHTTP_INVALID_OPTION);
    const DWORD wanted = index ? *index : 0;
    DWORD seen = 0;
    for (size_t i = 1; i < r.headerLines.size(); ++i) {
        const std::string_view l = r.headerLines[i];
        const size_t colon = l.find(':');
        if (colon == std::string_view::npos || !SameText(Trim(l.substr(0, colon)), field)) continue;
        if (seen++ == wanted) {
            text = Trim(l.substr(colon + 1));
            if (index) *index = wanted + 1;
            return true;
        }
    }
    return Fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
}

}  // namespace winhttp::curl
