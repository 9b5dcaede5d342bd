#include "web/clHttpFields.h"

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string URLEncodeValue(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' ||
            c == '$' || c == '\'' || c == '(' || c == ')' || c == '*' || c == '-' || c == '.' || c == '@' ||
            c == '_') {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string URLDecodeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

void ExtractHTTPFields(std::string_view separators, std::string_view whiteSpace, std::string_view content,
                       TStringList& strings, bool decode) {
    auto isSep = [&](char c) { return separators.find(c) != std::string_view::npos; };
    auto isWhite = [&](char c) { return whiteSpace.find(c) != std::string_view::npos; };
    size_t i = 0;
    const size_t n = content.size();
    while (i < n) {
        while (i < n && isWhite(content[i])) ++i;
        if (i >= n) break;
        std::string field;
        char quote = 0;
        for (; i < n; ++i) {
            char c = content[i];
            if (quote) {
                if (c == quote) quote = 0;
                else field += c;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (isSep(c)) {
                break;
            } else {
                field += c;
            }
        }
        if (i < n) ++i;  // the separator
        if (!field.empty()) strings.Add(decode ? URLDecodeValue(field) : field);
    }
}
