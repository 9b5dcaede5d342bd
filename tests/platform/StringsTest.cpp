#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Exceptions.h"
#include "platform/Strings.h"
#include "platform/Streams.h"
#include "platform/CpLiteral.h"

TEST(Strings, CaseFoldingTouchesOnlyLatinLetters) {
    EXPECT_EQ(LowerCase(u8"AbC Привет ПРИВЕТ"_cp), u8"abc Привет ПРИВЕТ"_cp);
    EXPECT_EQ(UpperCase(u8"xyz ё"_cp), u8"XYZ ё"_cp);
    EXPECT_TRUE(SameText("LOGIN", "login"));
    EXPECT_FALSE(SameText(u8"Иван"_cp, u8"иван"_cp));
    EXPECT_LT(CompareStr("z", u8"я"_cp), 0);  // unsigned: Cyrillic sorts after Latin
}

TEST(Strings, TrimTreatsOnlyLowBytesAsBlanks) {
    EXPECT_EQ(Trim(" \t\r\n x \x01"), "x");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is not a blank
    EXPECT_EQ(Trim(u8" Я "_cp), u8"Я"_cp);
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(Strings, PosAndCopyAreOneBasedAndClip) {
    EXPECT_EQ(Pos("b", "abcb"), 2u);
    EXPECT_EQ(Pos("b", "abcb", 3), 4u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_EQ(Pos("x", "abc"), 0u);
    EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", 3, 100), "c");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    EXPECT_EQ(Copy("abc", 2, -1), "");
}

TEST(Strings, IntegerConversion) {
    EXPECT_EQ(StrToInt(" -12 "), -12);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt("1a"), EConvertError);
    EXPECT_EQ(StrToIntDef("x", -1), -1);
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    }
}

TEST(StringList, SplitsAtEveryLineBreakAndJoinsWithCrLf) {
    TStringList l;
    l.SetText("a\r\nb\rc\nd\n\ne");
    ASSERT_EQ(l.Count(), 6);
    EXPECT_EQ(l[0], "a");
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    l.SetText("x\r\n");
    EXPECT_EQ(l.Count(), 1);
    EXPECT_THROW(l[1], EListError);
}

TEST(StringList, NamesAndValuesWithAChosenSeparator) {
    TStringList l;
    l.SetNameValueSeparator(':');
    l.Add("Accept:text/html");
    l.Add("X-Y:a:b");
    l.Add("novalue");
    EXPECT_EQ(l.Names(1), "X-Y");
    EXPECT_EQ(l.ValueFromIndex(1), "a:b");
    EXPECT_EQ(l.Values("accept"), "text/html");
    EXPECT_EQ(l.Names(2), "");
    l.SetValue("Accept", "*/*");
    EXPECT_EQ(l[0], "Accept:*/*");
}

TEST(Streams, MemoryAndStringStreamsSeekReadAndRaise) {
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    EXPECT_EQ(m.Seek(-2, soEnd), 3);
    char buf[4] = {};
    EXPECT_EQ(m.Read(buf, 4), 2);
    EXPECT_EQ(std::string(buf, 2), "lo");
    m.SetPosition(4);
    EXPECT_THROW(m.ReadBuffer(buf, 2), EReadError);

    TStringStream s("abc");
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(s, 0), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), 3), "abc");
    s.SetPosition(3);
    s.WriteString("de");
    EXPECT_EQ(s.DataString(), "abcde");
}

TEST(Streams, SaveToFileReplacesTheWholeFileAndRaisesWithoutTouchingIt) {
    std::string dir = ::testing::TempDir() + "va_stream_save";
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    TMemoryStream m;
    m.WriteBuffer("first", 5);
    m.SaveToFile(dir + "/f.bin");
    TMemoryStream back;
    back.LoadFromFile(dir + "/f.bin");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Memory()), 5), "first");
    EXPECT_THROW(m.SaveToFile(dir + "/missing/f.bin"), EStreamError);
    EXPECT_THROW(m.SaveToFile(dir), EStreamError);  // a folder is never replaced
}
