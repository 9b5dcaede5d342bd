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

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

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
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            cp = c & 0x0F;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            cp = c & 0x07;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        ++i;
        bool ok = true;
        for (int k = 0; k < need; ++k) {
            if (i >= n) {
                ok = false;
                break;
            }
            unsigned char t = static_cast<unsigned char>(utf8[i]);
            if (t < lo || t > hi) {
                ok = false;
                break;
            }
            lo = 0x80;
            hi = 0xBF;
            cp = (cp << 6) | (t & 0x3F);
            ++i;
        }
        out.push_back(ok ? Cp1251FromCodePoint(cp) : '?');
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
