// Record files against outside readers and writers: carriage returns in values, files in other
// encodings, read-only files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Codec.h"
#include "platform/CpLiteral.h"
#include "storage/clFriend.h"
#include "tests/storage/StorageTestUtil.h"

namespace {

// The text of the first record's field as Python's own XML parser reads it, as UTF-8.
bool PythonField(const std::string& path, const std::string& field, std::string& out) {
    std::string hex;
    const std::string cmd = "/usr/bin/python3 -c \"import sys, xml.etree.ElementTree as E; "
                            "t = E.parse(sys.argv[1]).getroot().find('Friend/" +
                            field + "').text or ''; sys.stdout.write(t.encode('utf-8').hex())\" '" + path + "' 2>&1";
    if (RunCommand(cmd, &hex) != 0) {
        out = hex;
        return false;
    }
    out.clear();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return true;
}

std::string FieldOfRecord(TFriend& t, int recNo, const std::string& field) {
    t.SetRecNo(recNo);
    return t.GetFieldText(field);
}

}  // namespace

TEST(RecordFileFaults, CarriageReturnsInValuesReadBackUnchanged) {
    TempDir dir;
    TFriend t;
    const std::string name = "a\rb\r\nc\n\rd\r";
    const std::string area = u8"Москва\r\nКиевская"_cp.str();
    t.AddFriend(name, "crlf", "http://x/crlf/", area, 1, 0, 0, 0, 0, "\r");
    const std::string path = dir.Path("Friends.xml");
    t.SaveToFile(path);

    std::string out;
    ASSERT_EQ(RunCommand(std::string(kXmllint) + " --noout '" + path + "' 2>&1", &out), 0) << out;
    ASSERT_TRUE(XPath(path, "string(/Friends/Friend[1]/Name)", out));
    EXPECT_EQ(out, name);
    ASSERT_TRUE(XPath(path, "string(/Friends/Friend[1]/Area)", out));
    EXPECT_EQ(Utf8ToCp1251(out), area);
    ASSERT_TRUE(PythonField(path, "Name", out)) << out;
    EXPECT_EQ(out, name);
    ASSERT_TRUE(PythonField(path, "AgeRange", out)) << out;
    EXPECT_EQ(out, "\r");

    TFriend back;
    back.LoadFromFile(path);
    EXPECT_EQ(FieldOfRecord(back, 1, "Name"), name);
    EXPECT_EQ(FieldOfRecord(back, 1, "Area"), area);
    EXPECT_EQ(FieldOfRecord(back, 1, "AgeRange"), "\r");
    // Line breaks between elements of a foreign file are still no value.
    back.LoadFromFile(FixturePath("indented_crlf.xml"));
    back.SaveToFile(path);
    EXPECT_EQ(ReadFile(path).find("&#13;"), std::string::npos);
}

TEST(RecordFileFaults, DeclaredEncodingsAreHonouredAndSavedAsUtf8) {
    TempDir dir;
    TFriend koi;
    koi.LoadFromFile(FixturePath("koi8r_declared.xml"));
    ASSERT_EQ(koi.RecordCount(), 2);
    EXPECT_EQ(FieldOfRecord(koi, 1, "Name"), u8"Анна"_cp.str());
    EXPECT_EQ(FieldOfRecord(koi, 2, "Area"), u8"Санкт-Петербург"_cp.str());
    EXPECT_EQ(FieldOfRecord(koi, 2, "Name"), "Joe & <Co>");
    const std::string path = dir.Path("koi.xml");
    koi.SaveToFile(path);
    std::string out;
    ASSERT_EQ(RunCommand(std::string(kXmllint) + " --noout '" + path + "' 2>&1", &out), 0) << out;
    EXPECT_EQ(ReadFile(path).find("<?xml"), std::string::npos);
    ASSERT_TRUE(PythonField(path, "Name", out)) << out;
    EXPECT_EQ(out, Cp1251ToUtf8(u8"Анна"_cp));

    // Latin letters that code page 1251 lacks read as '?'; the guillemets it has stay. A value
    // that is not changed is saved as it was read.
    TFriend latin;
    latin.LoadFromFile(FixturePath("latin1_declared.xml"));
    ASSERT_EQ(latin.RecordCount(), 1);
    EXPECT_EQ(FieldOfRecord(latin, 1, "Name"), u8"J?rgen «Joe» M?ller"_cp.str());
    EXPECT_EQ(FieldOfRecord(latin, 1, "Area"), "Z?rich");
    latin.SaveToFile(path);
    ASSERT_TRUE(PythonField(path, "Name", out)) << out;
    EXPECT_EQ(out, "J\xC3\xBCrgen \xC2\xABJoe\xC2\xBB M\xC3\xBCller");
}

TEST(RecordFileFaults, BytesThatAreNotUtf8RaiseWithFileAndOffset) {
    TempDir dir;
    TFriend t;
    t.LoadFromFile(FixturePath("utf8_bom.xml"));
    ASSERT_EQ(t.RecordCount(), 2);
    const std::string fixture = FixturePath("cp1251_undeclared.xml");
    const std::string bytes = ReadFile(fixture);
    size_t first = 0;
    while (first < bytes.size() && static_cast<unsigned char>(bytes[first]) < 0x80) ++first;
    ASSERT_LT(first, bytes.size());
    try {
        t.LoadFromFile(fixture);
        FAIL() << "an undeclared cp1251 file was accepted";
    } catch (const EDOMParseError& e) {
        EXPECT_NE(e.Message().find("cp1251_undeclared.xml"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("at offset " + std::to_string(first)), std::string::npos) << e.Message();
    }
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(FieldOfRecord(t, 1, "Name"), u8"Анна"_cp.str());

    // Overlong forms, surrogates, a cut sequence, a stray continuation byte: each is refused at
    // its own offset, also behind a byte-order mark and in an encoding iconv does not know.
    const std::string head = "<Friends><Friend><Name>ok";
    for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82<", "\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        for (const std::string& prefix : {std::string(), std::string("\xEF\xBB\xBF"),
                                         std::string("<?xml version='1.0' encoding='x-no-such'?>")}) {
            const std::string file = dir.Path("bad.xml");
            WriteFile(file, prefix + head + bad + "</Name></Friend></Friends>");
            try {
                t.LoadFromFile(file);
                ADD_FAILURE() << "accepted";
            } catch (const EDOMParseError& e) {
                EXPECT_NE(e.Message().find("at offset " + std::to_string(prefix.size() + head.size())),
                          std::string::npos)
                    << e.Message();
            }
        }
    }
    EXPECT_EQ(t.RecordCount(), 2);
    // Valid UTF-8 of every length is still read; a letter without a cp1251 byte reads as '?'.
    WriteFile(dir.Path("good.xml"), "<Friends><Friend><Name>\x7F\xC2\xAB\xD0\xAF\xE2\x84\x96\xF0\x9F\x98\x80"
                                    "\xE4\xB8\xAD</Name></Friend></Friends>");
    t.LoadFromFile(dir.Path("good.xml"));
    EXPECT_EQ(FieldOfRecord(t, 1, "Name"), u8"\x7F«Я№??"_cp.str());
}

TEST(RecordFileFaults, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    TFriend t;
    t.AddFriend("A", "a", "http://x/a/", "", 1, 0, 0, 0, 0, "");
    const std::string path = dir.Path("Friends.xml");
    const std::string old = "<Friends/>";
    WriteFile(path, old);
    ::chmod(path.c_str(), 0444);
    std::filesystem::create_symlink(path, dir.Path("Link.xml"));
    for (const std::string& name : {path, dir.Path("Link.xml")}) {
        try {
            t.SaveToFile(name);
            ADD_FAILURE() << "a read-only file was replaced through " << name;
        } catch (const EFCreateError& e) {
            EXPECT_NE(e.Message().find("Permission denied"), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(name), std::string::npos) << e.Message();
        }
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(ListDir(dir.Dir()), (std::vector<std::string>{"Friends.xml", "Link.xml"}));
    }
    // A write bit for anyone makes it writable, as before.
    ::chmod(path.c_str(), 0644);
    t.SaveToFile(dir.Path("Link.xml"));
    EXPECT_NE(ReadFile(path), old);
}
