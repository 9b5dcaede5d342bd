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

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
        out += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
}

// How XML reads a character reference to value: itself when XML has it; a blank for a control
// character; U+FFFD for anything else.
std::string ReadAs(uint64_t value) {
    const bool xmlChar = value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
                         (value >= 0xE000 && value <= 0xFFFD) || (value >= 0x10000 && value <= 0x10FFFF);
    std::string out;
    AppendUtf8(out, xmlChar ? static_cast<char32_t>(value) : value < 0x20 ? U' ' : U'\uFFFD');
    return out;
}

std::string Hex(uint64_t v, bool upper) {
    char buf[20];
    std::snprintf(buf, sizeof buf, upper ? "%llX" : "%llx", static_cast<unsigned long long>(v));
    return buf;
}

struct Written {
    std::string raw;    // as it stands in the file
    std::string value;  // how it reads in text or in an attribute, as UTF-8
    std::string cdata;  // how it reads inside CDATA
};

// References and raw characters at the edges of the ranges XML allows, in every form a reference
// takes, with references longer than 32 and 64 bits; and the named and malformed references,
// which keep reading as they did.
std::vector<Written> EdgeCharacters() {
    std::vector<Written> out;
    // A reference stays literal text in CDATA.
    auto reference = [&out](const std::string& ref, const std::string& reads) { out.push_back({ref, reads, ref}); };
    for (uint64_t v : {0x0ULL, 0x1ULL, 0x8ULL, 0x9ULL, 0xAULL, 0xDULL, 0x1FULL, 0x20ULL, 0x7FULL, 0xD7FFULL, 0xD800ULL,
                       0xDBFFULL, 0xDC00ULL, 0xDFFFULL, 0xE000ULL, 0xFFFDULL, 0xFFFEULL, 0xFFFFULL, 0x10000ULL,
                       0x10FFFFULL, 0x110000ULL, 0x7FFFFFFFULL, 0xFFFFFFFFULL, 0x100000000ULL, 0x100000041ULL,
                       0x1000000000000041ULL}) {
        reference("&#x" + Hex(v, false) + ";", ReadAs(v));
        reference("&#x" + Hex(v, true) + ";", ReadAs(v));
        reference("&#" + std::to_string(v) + ";", ReadAs(v));
        reference("&#x0000000000000000000" + Hex(v, false) + ";", ReadAs(v));
        // Past 64 bits: the value with a digit in front of it.
        reference("&#x1" + std::string(16 - Hex(v, false).size(), '0') + Hex(v, false) + ";", ReadAs(0x110000));
        reference("&#1" + std::string(20, '0') + std::to_string(v) + ";", ReadAs(0x110000));
        // A raw character reads as its reference does, in CDATA too; raw white space is left out, as
        // XML rewrites it in attributes.
        if (v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF) && v != 0x9 && v != 0xA && v != 0xD) {
            std::string raw;
            AppendUtf8(raw, static_cast<char32_t>(v));
            out.push_back({raw, ReadAs(v), ReadAs(v)});
        }
    }
    for (const auto& [ref, reads] : std::initializer_list<std::pair<const char*, const char*>>{
             {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#;", "&#;"},
             {"&#x;", "&#x;"}, {"&#X41;", "&#X41;"}, {"&#4a;", "&#4a;"}, {"&#1&#65;", "&#1A"}, {"&bogus;", "&bogus;"},
             {"&#x41", "&#x41"}})
        reference(ref, reads);
    return out;
}

// Canonical XML's escapes, as xmllint --c14n writes them.
std::string C14nText(const std::string& s, bool attribute) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>' && !attribute) out += "&gt;";
        else if (c == '"' && attribute) out += "&quot;";
        else if (c == '\t' && attribute) out += "&#x9;";
        else if (c == '\n' && attribute) out += "&#xA;";
        else if (c == '\r') out += "&#xD;";
        else out += c;
    }
    return out;
}

}  // namespace

TEST(RecordFileFaults, ReferencesToNoXmlCharacterSaveAsReplacementCharacters) {
    TempDir dir;
    const std::string in = dir.Path("in.xml");
    const std::string saved = dir.Path("saved.xml");
    TFriend t;
    // The two readings the fault showed: the rest of the value is kept, and no reference wraps.
    WriteFile(in, "<Friends><Friend><Name>u&#0;1</Name><Area>&#x100000041;</Area></Friend></Friends>");
    t.LoadFromFile(in);
    EXPECT_EQ(FieldOfRecord(t, 1, "Name"), "u 1");
    EXPECT_EQ(FieldOfRecord(t, 1, "Area"), "?");

    // One record per case: in an attribute, in a field's text and in CDATA, between other text.
    const std::vector<Written> cases = EdgeCharacters();
    auto record = [](const Written& w) {
        return "<Friend a=\"u" + w.raw + "1\"><Name>u" + w.raw + "1</Name><Area><![CDATA[u" + w.raw + "1]]></Area></Friend>";
    };
    std::string file = "<Friends>";
    std::string expected = "<Friends>";
    for (const Written& w : cases) {
        file += record(w);
        expected += "<Friend a=\"" + C14nText("u" + w.value + "1", true) + "\"><Name>" +
                    C14nText("u" + w.value + "1", false) + "</Name><Area>" + C14nText("u" + w.cdata + "1", false) +
                    "</Area></Friend>";
    }
    file += "</Friends>";
    expected += "</Friends>";
    WriteFile(in, file);
    t.LoadFromFile(in);
    ASSERT_EQ(t.RecordCount(), static_cast<int>(cases.size()));
    t.SaveToFile(saved);
    // An outside reader accepts the saved file and reads what each case must read.
    std::string canonical;
    ASSERT_EQ(RunCommand(std::string(kXmllint) + " --c14n '" + saved + "' 2>&1", &canonical), 0) << canonical;
    EXPECT_EQ(canonical, expected);
    // The saved file loads again into the same records and saves to the same bytes.
    TFriend back;
    back.LoadFromFile(saved);
    ASSERT_EQ(back.RecordCount(), t.RecordCount());
    for (int i = 1; i <= t.RecordCount(); ++i) {
        const Written& w = cases[i - 1];
        EXPECT_EQ(FieldOfRecord(t, i, "Name"), Utf8ToCp1251("u" + w.value + "1")) << w.raw;
        EXPECT_EQ(FieldOfRecord(t, i, "Area"), Utf8ToCp1251("u" + w.cdata + "1")) << w.raw;
        for (const char* field : {"Name", "Area"})
            EXPECT_EQ(FieldOfRecord(back, i, field), FieldOfRecord(t, i, field)) << w.raw;
    }
    EXPECT_EQ(back.Document()->SaveToString(), ReadFile(saved));

    // Alone in its file, each case reads and saves as it does among all the others: the parser
    // decodes the references of a file that holds no numeric one and no character XML has not.
    const std::string all = ReadFile(saved);
    size_t from = all.find("<Friend ");
    for (int i = 1; i <= t.RecordCount(); ++i) {
        const Written& w = cases[i - 1];
        const size_t to = all.find("</Friend>", from) + 9;
        WriteFile(in, "<Friends>" + record(w) + "</Friends>");
        TFriend alone;
        alone.LoadFromFile(in);
        ASSERT_EQ(alone.RecordCount(), 1) << w.raw;
        for (const char* field : {"Name", "Area"})
            EXPECT_EQ(FieldOfRecord(alone, 1, field), FieldOfRecord(t, i, field)) << w.raw;
        EXPECT_EQ(alone.Document()->SaveToString(), "<Friends>" + all.substr(from, to - from) + "</Friends>") << w.raw;
        from = to;
    }
}
