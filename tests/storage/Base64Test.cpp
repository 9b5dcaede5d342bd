#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "StorageTestUtil.h"
#include "storage/Base64.h"

namespace {

TEST(Base64Test, Rfc4648TestVectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, coded] : vectors) {
        EXPECT_EQ(EncodeBase64(plain), coded);
        std::string back;
        ASSERT_TRUE(DecodeBase64(coded, back)) << coded;
        EXPECT_EQ(back, plain);
    }
}

TEST(Base64Test, EveryByteValueRoundTrips) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (size_t len = 0; len <= all.size(); len += 1) {
        std::string part = all.substr(256 - len);
        std::string back;
        ASSERT_TRUE(DecodeBase64(EncodeBase64(part), back));
        EXPECT_EQ(back, part);
    }
    // The "+" and "/" of the standard alphabet, not the URL-safe "-" and "_".
    EXPECT_EQ(EncodeBase64("\xfb\xff"), "+/8=");
}

TEST(Base64Test, InvalidTextIsRefused) {
    const char* bad[] = {"Zg=", "Zg", "Z===", "Zm9v\n", "Zm 9v", "Zm9v====", "Zg==Zg==", "Zm-_", "Zm9v!A==", "=Zm9"};
    for (const char* text : bad) {
        std::string out = "stale";
        EXPECT_FALSE(DecodeBase64(text, out)) << text;
        EXPECT_EQ(out, "") << text;
    }
}

// coreutils' base64 is the oracle: the same bytes encode to the same text and back.
TEST(Base64Test, AgreesWithCoreutils) {
    TempDir dir;
    std::string data;
    for (int i = 0; i < 1000; ++i) data += static_cast<char>((i * 131 + 7) % 256);
    data += "\xEF\xE0\xF0\xEE\xEB\xFC";  // "пароль" in cp1251
    WriteFile(dir.Path("in.bin"), data);
    std::string cmd = "base64 -w0 '" + dir.Path("in.bin") + "' > '" + dir.Path("out.txt") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir.Path("out.txt")), EncodeBase64(data));

    WriteFile(dir.Path("coded.txt"), EncodeBase64(data));
    cmd = "base64 -d '" + dir.Path("coded.txt") + "' > '" + dir.Path("back.bin") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadFile(dir.Path("back.bin")), data);
}

}  // namespace
