#pragma once
// Code page 1251 <-> Unicode, by the WHATWG windows-1251 table (every byte round-trips; 0x98 is
// U+0098). Anything the code page lacks, and every malformed UTF-8 sequence, becomes '?'.
#include <string>
#include <string_view>

std::string Cp1251ToUtf8(std::string_view text);
std::u16string Cp1251ToUtf16(std::string_view text);
std::string Utf8ToCp1251(std::string_view utf8);
std::string Utf16ToCp1251(std::u16string_view utf16);

// Decodes the UTF-8 sequence at utf8[i] (i < utf8.size()) into cp and moves i past it. An
// ill-formed sequence (overlong, a surrogate, above U+10FFFF, cut short) answers false, with i
// moved past its maximal ill-formed part: at least one byte, never beyond the end.
inline bool DecodeUtf8(std::string_view utf8, size_t& i, char32_t& cp) {
    const unsigned char c = static_cast<unsigned char>(utf8[i++]);
    cp = c;
    if (c < 0x80) return true;
    int need = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the next byte
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
        return false;
    }
    for (int k = 0; k < need; ++k, ++i) {
        if (i >= utf8.size()) return false;
        const unsigned char t = static_cast<unsigned char>(utf8[i]);
        if (t < lo || t > hi) return false;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (t & 0x3F);
    }
    return true;
}

// Appends the UTF-8 form of cp (at most U+10FFFF, no surrogate).
void AppendUtf8(std::string& out, char32_t cp);

// One code point of cp1251 byte b.
char16_t Cp1251CodePoint(unsigned char b);
// The cp1251 byte of a code point, or '?' when the code page lacks it.
char Cp1251FromCodePoint(char32_t cp);
