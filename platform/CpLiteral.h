#pragma once
// Literals of the system's text: u8"Найдено"_cp is the cp1251 bytes of the UTF-8 source text,
// computed at compile time, so every compiler gives the same bytes whatever its execution
// character set. A character that cp1251 lacks, or malformed UTF-8, stops the compilation.
// Initialise a std::string with "=", not with parentheses: clang 14 crashes on
// `std::string s(u8"..."_cp)` while it tries the initialiser as a constant.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace cp1251 {

// Unicode code points of the bytes 0x80..0xFF (WHATWG windows-1251; 0x98 is U+0098).
inline constexpr std::array<char16_t, 128> kHigh = {
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

namespace detail {

// Reached only during constant evaluation of a bad literal: not constexpr, so it stops the build.
inline void CharacterNotInCodePage1251OrBadUtf8() {}

template <std::size_t N>
struct Utf8Source {
    unsigned char text[N]{};
    consteval Utf8Source(const char8_t (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

// Decodes one UTF-8 sequence at text[i]; advances i.
template <std::size_t N>
constexpr char32_t Decode(const unsigned char (&text)[N], std::size_t& i) {
    const unsigned lead = text[i];
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) CharacterNotInCodePage1251OrBadUtf8();
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
        if (i >= N - 1 || (text[i] & 0xC0) != 0x80) CharacterNotInCodePage1251OrBadUtf8();
        cp = (cp << 6) | (text[i] & 0x3F);
    }
    return cp;
}

constexpr char ByteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (std::size_t b = 0; b < kHigh.size(); ++b)
        if (kHigh[b] == cp) return static_cast<char>(0x80 + b);
    CharacterNotInCodePage1251OrBadUtf8();
    return '?';
}

template <Utf8Source S>
consteval std::size_t EncodedLength() {
    constexpr std::size_t n = sizeof(S.text) / sizeof(S.text[0]);
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < n;) {
        ByteOf(Decode(S.text, i));
        ++count;
    }
    return count;
}

template <Utf8Source S>
consteval std::array<char, EncodedLength<S>() + 1> EncodeBytes() {
    constexpr std::size_t n = sizeof(S.text) / sizeof(S.text[0]);
    std::array<char, EncodedLength<S>() + 1> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i + 1 < n;) out[o++] = ByteOf(Decode(S.text, i));
    return out;
}

// The bytes live in a variable keyed by the bytes themselves (clang 14 crashes printing a
// pointer into storage keyed by the class-type source).
template <char... C>
struct Storage {
    static constexpr char bytes[] = {C..., '\0'};
};

template <Utf8Source S>
inline constexpr auto kEncoded = EncodeBytes<S>();

template <Utf8Source S, std::size_t... I>
constexpr const char* BytesOf(std::index_sequence<I...>) {
    return Storage<kEncoded<S>[I]...>::bytes;
}

}  // namespace detail

// A cp1251 literal: a view of static, zero-terminated bytes that also converts to std::string.
struct Text : std::string_view {
    constexpr Text(const char* p, std::size_t n) : std::string_view(p, n) {}
    operator std::string() const { return std::string(data(), size()); }
    std::string str() const { return std::string(data(), size()); }
    constexpr const char* c_str() const { return data(); }
};

inline std::string operator+(const std::string& a, Text b) { return std::string(a).append(b.data(), b.size()); }
inline std::string operator+(std::string&& a, Text b) { return std::move(a.append(b.data(), b.size())); }
inline std::string operator+(Text a, const std::string& b) { return std::string(a) + b; }
inline std::string operator+(Text a, Text b) { return std::string(a).append(b.data(), b.size()); }
inline std::string operator+(Text a, const char* b) { return std::string(a) + b; }
inline std::string operator+(const char* a, Text b) { return std::string(a).append(b.data(), b.size()); }
inline std::string operator+(Text a, char b) { return std::string(a) + b; }
inline std::string operator+(char a, Text b) { return std::string(1, a).append(b.data(), b.size()); }

namespace literals {
// constexpr, not consteval: the bytes are constants either way (kEncoded is a constexpr variable,
// so a bad character still stops the build), and clang 14 crashes generating code for a consteval
// result passed by value, as in Report(u8"..."_cp + host).
template <detail::Utf8Source S>
constexpr Text operator""_cp() {
    constexpr std::size_t n = detail::kEncoded<S>.size() - 1;
    return Text(detail::BytesOf<S>(std::make_index_sequence<n>()), n);
}
}  // namespace literals

}  // namespace cp1251

using namespace cp1251::literals;

// Every build checks a few bytes, so a compiler that mishandles the operator fails here.
static_assert(u8"Найдено"_cp == std::string_view("\xCD\xE0\xE9\xE4\xE5\xED\xEE"));
static_assert(u8"Ёё"_cp == std::string_view("\xA8\xB8"));
static_assert(u8"№"_cp == std::string_view("\xB9"));
static_assert(u8"«»"_cp == std::string_view("\xAB\xBB"));
static_assert(u8"a\0b"_cp.size() == 3);
