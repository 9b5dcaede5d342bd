#include "platform/Codec.h"

#include "platform/CpLiteral.h"

#include <array>
#include <memory>

namespace {

using cp1251::kHigh;

// Reverse table over the Basic Multilingual Plane; 0 means "not in the code page" (U+0000 is
// handled before the lookup).
const std::array<unsigned char, 0x10000>& ReverseTable() {
    static const std::unique_ptr<std::array<unsigned char, 0x10000>> table = [] {
        auto t = std::make_unique<std::array<unsigned char, 0x10000>>();
        t->fill(0);
        for (unsigned b = 1; b < 0x80; ++b) (*t)[b] = static_cast<unsigned char>(b);
        for (unsigned b = 0x80; b < 0x100; ++b) (*t)[kHigh[b - 0x80]] = static_cast<unsigned char>(b);
        return t;
    }();
    return *table;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char16_t Cp1251CodePoint(unsigned char b) {
    return b < 0x80 ? static_cast<char16_t>(b) : kHigh[b - 0x80];
}

char Cp1251FromCodePoint(char32_t cp) {
    if (cp == 0) return '\0';
    if (cp > 0xFFFF) return '?';
    unsigned char b = ReverseTable()[cp];
    return b == 0 ? '?' : static_cast<char>(b);
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char b : text) AppendUtf8(out, Cp1251CodePoint(b));
    return out;
}

std::u16string Cp1251ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char b : text) out.push_back(Cp1251CodePoint(b));
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    // A strict decoder: each maximal ill-formed subsequence becomes one '?' (the WHATWG rule), and
    // nothing is read past the end of the input.
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp;
        const bool ok = DecodeUtf8(utf8, i, cp);
        out.push_back(!ok ? '?' : cp < 0x80 ? static_cast<char>(cp) : Cp1251FromCodePoint(cp));
    }
    return out;
}

std::string Utf16ToCp1251(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            // A pair counts as one character the code page lacks.
            if (i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) ++i;
            out.push_back('?');
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            out.push_back('?');
        } else {
            out.push_back(Cp1251FromCodePoint(u));
        }
    }
    return out;
}
