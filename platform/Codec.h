#pragma once
// Code page 1251 <-> Unicode, by the WHATWG windows-1251 table (every byte round-trips; 0x98 is
// U+0098). Anything the code page lacks, and every malformed UTF-8 sequence, becomes '?'.
#include <string>
#include <string_view>

std::string Cp1251ToUtf8(std::string_view text);
std::u16string Cp1251ToUtf16(std::string_view text);
std::string Utf8ToCp1251(std::string_view utf8);
std::string Utf16ToCp1251(std::u16string_view utf16);

// One code point of cp1251 byte b.
char16_t Cp1251CodePoint(unsigned char b);
// The cp1251 byte of a code point, or '?' when the code page lacks it.
char Cp1251FromCodePoint(char32_t cp);
