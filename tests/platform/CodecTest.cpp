#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "platform/Codec.h"

namespace {

// glibc's iconv is the oracle: it was not written here.
std::string IconvCp1251ToUtf8(unsigned char b) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv>";
    char in[1] = {static_cast<char>(b)};
    char out[8] = {};
    char* ip = in;
    char* op = out;
    size_t il = 1, ol = sizeof out;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<invalid>";
    return std::string(out, sizeof out - ol);
}

}  // namespace

TEST(Codec, EveryByteMatchesIconvAndRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        std::string utf8 = Cp1251ToUtf8(one);
        if (b != 0x98) {
            EXPECT_EQ(utf8, IconvCp1251ToUtf8(static_cast<unsigned char>(b))) << "byte " << b;
        }
        EXPECT_EQ(Utf8ToCp1251(utf8), one) << "byte " << b;
        EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(one)), one) << "byte " << b;
    }
    EXPECT_EQ(Cp1251ToUtf16(std::string(1, '\x98')), std::u16string(1, u'\u0098'));
}

TEST(Codec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a\xE2\x82\xAC" "b"), "a\x88" "b");          // euro sign is in cp1251
    EXPECT_EQ(Utf8ToCp1251("\xE4\xB8\xAD"), "?");                        // CJK is not
    EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80x"), "?x");                  // astral plane
    EXPECT_EQ(Utf16ToCp1251(u"\U0001F600z"), "?z");
    EXPECT_EQ(Utf16ToCp1251(std::u16string(1, char16_t(0xD800)) + u"q"), "?q");  // lone surrogate
}

TEST(Codec, MalformedUtf8NeverReadsPastTheInput) {
    EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "??");        // overlong
    EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "???");   // encoded surrogate
    EXPECT_EQ(Utf8ToCp1251("ab\xD0"), "ab?");         // truncated at the end
    EXPECT_EQ(Utf8ToCp1251("\xE2\x82"), "?");         // truncated three-byte form
    EXPECT_EQ(Utf8ToCp1251("\xFF\xFE"), "??");
    EXPECT_EQ(Utf8ToCp1251("\x80x"), "?x");           // stray continuation
    EXPECT_EQ(Utf8ToCp1251(std::string("\0z", 2)), std::string("\0z", 2));
    // Every truncation of a valid text stays in bounds (ASan watches the reads).
    std::string valid = "\xD0\x9F\xD1\x80\xD0\xB8\xE2\x82\xAC\xF0\x9F\x98\x80";
    for (size_t n = 0; n <= valid.size(); ++n) {
        std::string cut = valid.substr(0, n);
        std::string out = Utf8ToCp1251(std::string_view(cut.data(), cut.size()));
        EXPECT_LE(out.size(), n);
    }
}
