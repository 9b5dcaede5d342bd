// The record table: file format, loading files made by other tools, saving, cursor and records.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Codec.h"
#include "storage/clFriend.h"
#include "storage/clXMLDataTable.h"
#include "support/FileSizeLimit.h"
#include "tests/storage/StorageTestUtil.h"
#include "platform/CpLiteral.h"

namespace {

class TTwoFieldTable : public TXMLTable {
protected:
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        FieldDefs().Add("A", ftString, 50, true);
        FieldDefs().Add("B", ftInteger, 0, true);
    }
};

// Reads the fields of every record through the data-set walk the system uses.
std::vector<std::string> Walk(TXMLTable& t, const std::string& field) {
    std::vector<std::string> out;
    t.Open();
    t.First();
    for (int i = 0; i < t.RecordCount(); ++i) {
        out.push_back(t.GetFieldText(field));
        t.Next();
    }
    return out;
}

}  // namespace

TEST(XMLTable, NewTableSavesOneRecordWithEmptyFieldsInOrder) {
    TempDir dir;
    TTwoFieldTable t;
    t.AppendRecordNode();
    t.SaveToFile(dir.Path("t.xml"));
    EXPECT_EQ(ReadFile(dir.Path("t.xml")), "<XMLTable><Record><A/><B/></Record></XMLTable>");
}

TEST(XMLTable, MissingFileLoadsEmptyAndSavesTheBareRoot) {
    TempDir dir;
    TFriend t;
    EXPECT_EQ(t.RecordNodes(), nullptr);
    t.SaveToFile(dir.Path("none.xml"));  // no document yet: nothing written
    EXPECT_TRUE(ListDir(dir.Dir()).empty());
    t.LoadFromFile(dir.Path("missing.xml"));
    ASSERT_NE(t.RecordNodes(), nullptr);
    EXPECT_EQ(t.RecordCount(), 0);
    t.SaveToFile(dir.Path("out.xml"));
    EXPECT_EQ(ReadFile(dir.Path("out.xml")), "<Friends/>");
}

TEST(XMLTable, MissingFileKeepsTheContentAlreadyHeld) {
    TempDir dir;
    TTwoFieldTable t;
    t.AppendRecordNode();
    t.LoadFromFile(dir.Path("missing.xml"));
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(XMLTable, OnPositionFiresAfterEachAppend) {
    TTwoFieldTable t;
    std::vector<int> seen;
    t.OnPosition = [&](TXMLTable* sender, int n) {
        EXPECT_EQ(sender, &t);
        seen.push_back(n);
    };
    t.AppendRecordNode();
    t.AppendRecordNode();
    EXPECT_EQ(seen, (std::vector<int>{2, 2}));
}

// Files written by other tools: every one holds the same two contacts.
class ForeignFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(ForeignFiles, LoadTheirRecords) {
    TFriend t;
    t.LoadFromFile(FixturePath(GetParam()));
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Walk(t, "Name"), (std::vector<std::string>{u8"Анна"_cp, "Joe & <Co>"}));
    EXPECT_EQ(Walk(t, "Area"), (std::vector<std::string>{u8"Москва"_cp, u8"Санкт-Петербург"_cp}));
    EXPECT_EQ(Walk(t, "Age"), (std::vector<std::string>{"25", ""}));
    // A value of blanks only survives; the indentation between elements does not count.
    EXPECT_EQ(Walk(t, "AgeRange"), (std::vector<std::string>{"   ", "   "}));
    EXPECT_EQ(t.RecordNodes()->Nodes(0).ChildNodes().Count(), 6);
    EXPECT_TRUE(t.FindByUrl("http://www.velmora.ru/joe/"));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ForeignFiles,
                         ::testing::Values("indented_crlf.xml", "utf8_bom.xml", "declaration.xml",
                                           "comment_first.xml", "windows1251.xml", "utf16_bom.xml",
                                           "utf16be_bom.xml"));

TEST(XMLTable, ForeignFileIsRewrittenInTheSystemsFormat) {
    TempDir dir;
    TFriend t;
    t.LoadFromFile(FixturePath("windows1251.xml"));
    t.SaveToFile(dir.Path("out.xml"));
    const std::string bytes = ReadFile(dir.Path("out.xml"));
    EXPECT_EQ(bytes.rfind("<Friends><Friend><Name>" + Cp1251ToUtf8(u8"Анна"_cp) + "</Name>", 0), 0u) << bytes;
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find("<?xml"), std::string::npos);
}

TEST(XMLTable, TruncatedFileRaisesAndKeepsThePreviousContent) {
    TFriend t;
    t.LoadFromFile(FixturePath("utf8_bom.xml"));
    ASSERT_EQ(t.RecordCount(), 2);
    try {
        t.LoadFromFile(FixturePath("truncated.xml"));
        FAIL() << "no error";
    } catch (const EDOMParseError& e) {
        EXPECT_NE(e.Message().find("truncated.xml"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("offset"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(t.RecordCount(), 2);
    t.SetRecNo(1);
    EXPECT_EQ(t.GetFieldText("Name"), u8"Анна"_cp);

    TFriend fresh;  // a table with nothing before stays without a document
    EXPECT_THROW(fresh.LoadFromFile(FixturePath("truncated.xml")), EDOMParseError);
    EXPECT_EQ(fresh.RecordNodes(), nullptr);
    EXPECT_EQ(fresh.RecordCount(), 0);
}

TEST(XMLTable, EmptyFileIsNotAnEmptyTable) {
    TempDir dir;
    WriteFile(dir.Path("empty.xml"), "");
    TFriend t;
    EXPECT_THROW(t.LoadFromFile(dir.Path("empty.xml")), EDOMParseError);
}

TEST(XMLTable, SavedValuesPassXmllint) {
    TempDir dir;
    TFriend t;
    const std::string name = u8"  Ольга <&> \"ё\"\x01\x1F\tend  "_cp;
    t.AddFriend(name, "olga", "http://www.velmora.ru/olga/?a=1&b=2", u8"Тверь"_cp, 30, 1, 2, 0, 0, "20-30");
    t.AddFriend("Second", "second", "http://x/second/", "", 0, 0, 0, 0, 0, "");
    const std::string path = dir.Path("Friends.xml");
    t.SaveToFile(path);

    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.find("<?xml"), std::string::npos);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find('\r'), std::string::npos);

    std::string out;
    ASSERT_EQ(RunCommand(std::string(kXmllint) + " --noout '" + path + "' 2>&1", &out), 0) << out;
    ASSERT_TRUE(XPath(path, "count(/Friends/Friend)", out));
    EXPECT_EQ(out, "2");
    ASSERT_TRUE(XPath(path, "string(/Friends/Friend[1]/Name)", out));
    // The control characters arrive as blanks; TAB and the rest are unchanged.
    EXPECT_EQ(Utf8ToCp1251(out), u8"  Ольга <&> \"ё\"  \tend  "_cp);
    ASSERT_TRUE(XPath(path, "string(/Friends/Friend[1]/URL)", out));
    EXPECT_EQ(out, "http://www.velmora.ru/olga/?a=1&b=2");

    TFriend back;
    back.LoadFromFile(path);
    back.SetRecNo(1);
    EXPECT_EQ(back.GetFieldText("Name"), u8"  Ольга <&> \"ё\"  \tend  "_cp);
}

TEST(XMLTable, FailedSaveRaisesAndLeavesTheOldFile) {
    TempDir dir;
    TFriend t;
    t.AddFriend("A", "a", "http://x/a/", "", 1, 0, 0, 0, 0, "");

    // The target is a folder.
    std::filesystem::create_directory(dir.Path("Friends.xml"));
    EXPECT_THROW(t.SaveToFile(dir.Path("Friends.xml")), EStreamError);
    EXPECT_EQ(ListDir(dir.Dir()), std::vector<std::string>{"Friends.xml"});

    // The folder is missing.
    EXPECT_THROW(t.SaveToFile(dir.Path("nowhere/Friends.xml")), EStreamError);

    // The folder cannot be written: the old file stays byte-identical, no temp file is left.
    const std::string sub = dir.Path("ro");
    std::filesystem::create_directory(sub);
    WriteFile(sub + "/Old.xml", "<Friends><Friend/></Friends>");
    ::chmod(sub.c_str(), 0555);
    if (::access((sub + "/probe").c_str(), F_OK) != 0 && ::geteuid() != 0) {
        EXPECT_THROW(t.SaveToFile(sub + "/Old.xml"), EStreamError);
        EXPECT_EQ(ReadFile(sub + "/Old.xml"), "<Friends><Friend/></Friends>");
        EXPECT_EQ(ListDir(sub), std::vector<std::string>{"Old.xml"});
    }
    ::chmod(sub.c_str(), 0755);
}

TEST(XMLTable, SaveReplacesTheFileAndKeepsItsMode) {
    TempDir dir;
    const std::string path = dir.Path("Friends.xml");
    WriteFile(path, "old");
    ::chmod(path.c_str(), 0640);
    TFriend t;
    t.AddFriend("A", "a", "http://x/a/", "", 1, 0, 0, 0, 0, "");
    t.SaveToFile(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(path).rfind("<Friends><Friend><Name>A</Name>", 0), 0u);
    EXPECT_EQ(ListDir(dir.Dir()), std::vector<std::string>{"Friends.xml"});
}

TEST(XMLTable, DefaultElementNames) {
    TempDir dir;
    TTwoFieldTable t;
    EXPECT_EQ(t.AppendRecordNode().NodeName(), "Record");
    EXPECT_EQ(t.RecordNodes()->Root().NodeName(), "XMLTable");
}

TEST(XMLTable, RecNoRulesAndFieldText) {
    TTwoFieldTable t;
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.GetFieldText("A"), "");
    try {
        t.SetRecNo(0);  // no records list yet
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "SetRecNo: out of range");
    }
    for (int i = 0; i < 3; ++i) {
        TXMLNode r = t.AppendRecordNode();
        r.FindChild("A").SetText("a" + IntToStr(i));
        if (i == 1) r.FindChild("B").SetText("7");
    }
    t.SetRecNo(0);
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.GetFieldText("A"), "");
    t.SetRecNo(2);
    EXPECT_EQ(t.GetFieldText("A"), "a1");
    EXPECT_EQ(t.GetFieldText("B"), "7");
    EXPECT_EQ(t.GetFieldText("Missing"), "");
    t.SetRecNo(3);
    EXPECT_EQ(t.GetFieldText("B"), "");
    EXPECT_THROW(t.SetRecNo(4), Exception);
    EXPECT_THROW(t.SetRecNo(-1), Exception);
    EXPECT_EQ(t.RecNo(), 3);  // a refused move leaves the position

    t.DeleteRecord(0);
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.RecordCount(), 2);
    t.SetRecNo(1);
    EXPECT_EQ(t.GetFieldText("A"), "a1");
    EXPECT_THROW(t.DeleteRecord(2), EListError);
    EXPECT_EQ(t.RecordCount(), 2);
    t.ClearRecords();
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(XMLTable, CursorWalk) {
    TTwoFieldTable t;
    t.Open();
    EXPECT_TRUE(t.Active());
    t.First();
    EXPECT_TRUE(t.Eof() && t.Bof());  // no records yet
    t.Last();
    EXPECT_TRUE(t.Eof() && t.Bof());

    t.AppendRecordNode().FindChild("A").SetText("only");
    t.First();
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_FALSE(t.Eof());
    t.Last();
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.GetFieldText("A"), "only");

    t.AppendRecordNode().FindChild("A").SetText("two");
    t.AppendRecordNode().FindChild("A").SetText("three");
    t.First();
    std::vector<std::string> seen;
    while (!t.Eof()) {
        seen.push_back(t.GetFieldText("A"));
        t.Next();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"only", "two", "three"}));
    EXPECT_EQ(t.RecNo(), 3);
    seen.clear();
    t.Last();
    while (!t.Bof()) {
        seen.push_back(t.GetFieldText("A"));
        t.Prior();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"three", "two", "only"}));
    EXPECT_FALSE(t.CanModify());
    t.Close();
    EXPECT_FALSE(t.Active());
    EXPECT_THROW(t.First(), EDatabaseError);
    // The node operations work while closed.
    t.SetRecNo(2);
    EXPECT_EQ(t.GetFieldText("A"), "two");
}

TEST(XMLTable, PositionPastTheRecordsAfterALoadRaisesTheListError) {
    TempDir dir;
    WriteFile(dir.Path("one.xml"), "<XMLTable><Record><A>x</A></Record></XMLTable>");
    TTwoFieldTable t;
    for (int i = 0; i < 3; ++i) t.AppendRecordNode();
    t.SetRecNo(3);
    t.LoadFromFile(dir.Path("one.xml"));  // loading does not move the position
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_THROW(t.GetFieldText("A"), EListError);
    t.SetRecNo(1);
    EXPECT_EQ(t.GetFieldText("A"), "x");
}

TEST(XMLTable, RecordsWithExtraOrMissingElementsAreStillRecords) {
    TempDir dir;
    WriteFile(dir.Path("odd.xml"), "<Root>text<R><B>1</B><Z>9</Z></R><!-- c --><R/></Root><!-- after -->");
    TTwoFieldTable t;
    t.LoadFromFile(dir.Path("odd.xml"));
    ASSERT_EQ(t.RecordCount(), 2);
    t.SetRecNo(1);
    EXPECT_EQ(t.GetFieldText("A"), "");
    EXPECT_EQ(t.GetFieldText("B"), "1");
    // Appending follows the root that was loaded.
    t.AppendRecordNode();
    t.SaveToFile(dir.Path("odd2.xml"));
    EXPECT_EQ(ReadFile(dir.Path("odd2.xml")), "<Root>text<R><B>1</B><Z>9</Z></R><R/><Record><A/><B/></Record></Root>");
}

TEST(XMLTable, FolderInPlaceOfTheFileLoadsAsMissing) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path("Friends.xml"));
    TFriend t;
    t.LoadFromFile(dir.Path("Friends.xml"));
    ASSERT_NE(t.RecordNodes(), nullptr);
    EXPECT_EQ(t.RecordCount(), 0);
    t.AddFriend("A", "a", "http://x/a/", "", 1, 0, 0, 0, 0, "");
    t.LoadFromFile(dir.Path("Friends.xml"));  // the content held stays
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_THROW(t.SaveToFile(dir.Path("Friends.xml")), EStreamError);
}

TEST(XMLTable, SaveThatCannotBeWrittenKeepsTheOldFileByteIdentical) {
    // A file-size limit fails the write whatever rights the test runs with.
    TempDir dir;
    const std::string path = dir.Path("Friends.xml");
    const std::string old = "<Friends><Friend><Name>old</Name></Friend></Friends>";
    WriteFile(path, old);
    TFriend t;
    for (int i = 0; i < 50; ++i) t.AddFriend("N", "n", "http://x/n/", "", i, 0, 0, 0, 0, "");
    {
        FileSizeLimit limit(old.size());
        ASSERT_TRUE(limit.InForce());
        EXPECT_THROW(t.SaveToFile(path), EStreamError);
    }
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(ListDir(dir.Dir()), std::vector<std::string>{"Friends.xml"});
}

TEST(XMLTable, ForeignControlCharactersAreSavedWellFormed) {
    TempDir dir;
    WriteFile(dir.Path("in.xml"), "<Friends><Friend><Name>a&#1;b\x02" "c</Name><URL>http://x/a&#31;/</URL></Friend></Friends>");
    TFriend t;
    t.LoadFromFile(dir.Path("in.xml"));
    t.SetRecNo(1);
    EXPECT_EQ(t.GetFieldText("Name"), "a b c");
    const std::string path = dir.Path("out.xml");
    t.SaveToFile(path);
    std::string out;
    ASSERT_EQ(RunCommand(std::string(kXmllint) + " --noout '" + path + "' 2>&1", &out), 0) << out;
    ASSERT_TRUE(XPath(path, "string(/Friends/Friend/URL)", out));
    EXPECT_EQ(out, "http://x/a /");
}
