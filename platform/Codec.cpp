#include "platform/Codec.h"

#include <array>
#include <memory>

namespace {

constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

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
