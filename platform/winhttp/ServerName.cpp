// The server name given to Connect: checked before anything is resolved.
#include <algorithm>

#include "platform/winhttp/WinHttp.h"

namespace winhttp {
namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool IsAddressChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// ":port" with 1-65535; 0 when not so.
unsigned ParsePort(std::string_view rest) {
    if (rest.size() < 2 || rest.size() > 6 || rest[0] != ':') return 0;
    unsigned v = 0;
    for (char c : rest.substr(1)) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v <= 65535 ? v : 0;
}

}  // namespace

bool ParseServerName(const std::string& serverName, std::string& host, unsigned& port) {
    host.clear();
    port = 0;
    std::string_view name = serverName, h, rest;
    if (!name.empty() && name[0] == '[') {
        const size_t close = name.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        if (!std::all_of(name.begin() + 1, name.begin() + static_cast<std::ptrdiff_t>(close), IsAddressChar))
            return false;
        h = name.substr(0, close + 1);
        rest = name.substr(close + 1);
    } else {
        const size_t colon = name.find(':');
        h = name.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : name.substr(colon);
        if (h.empty() || !std::all_of(h.begin(), h.end(), IsNameChar)) return false;
    }
    if (!rest.empty()) {
        port = ParsePort(rest);
        if (port == 0) return false;
    }
    host.assign(h);
    return true;
}

}  // namespace winhttp
