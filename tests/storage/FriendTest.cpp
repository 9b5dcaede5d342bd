// The contact table: lookups by address and login, append/copy/update, and the merges.
#include <gtest/gtest.h>

#include <random>

#include "platform/ProgramDir.h"
#include "storage/clFriend.h"
#include "storage/clUrlList.h"
#include "tests/storage/StorageTestUtil.h"
#include "platform/CpLiteral.h"

namespace {

const char* const kFields[] = {"Name", "Login", "URL", "Area", "Age", "VipUser",
                               "PhotoCount", "WithVoice", "Intim", "AgeRange", "NewMessage"};

std::vector<std::string> Record(TFriend& t, int recNo) {
    t.SetRecNo(recNo);
    std::vector<std::string> out;
    for (const char* f : kFields) out.push_back(t.GetFieldText(f));
    return out;
}

std::vector<std::string> Column(TFriend& t, const char* field) {
    std::vector<std::string> out;
    for (int i = 1; i <= t.RecordCount(); ++i) {
        t.SetRecNo(i);
        out.push_back(t.GetFieldText(field));
    }
    return out;
}

void Add(TFriend& t, const std::string& url, const std::string& name = "n") {
    t.AddFriend(name, ExtractLogin(url), url, "", 20, 0, 1, 0, 0, "");
}

// The merge as a record-by-record scan with FindByUrl/FindByLogin, to hold the indexed merge to.
void ScanMerge(TFriend& source, TFriend& target, int mode) {
    for (int i = 0; i < source.RecordCount(); ++i) {
        source.SetRecNo(i + 1);
        const std::string url = source.GetFieldText("URL");
        TXMLNode found = mode == 1 ? target.FindByUrl(url) : mode == 2 ? target.FindByLogin(url) : TXMLNode();
        if (!found) target.CopyRecord(source);
    }
}

}  // namespace

TEST(Friend, FieldsAndNames) {
    TFriend t;
    TXMLNode r = t.AddFriend(u8"Анна"_cp, "anna", "http://www.velmora.ru/anna/", u8"Москва"_cp, 0, 1, 3, 1, 0, "18-25");
    EXPECT_EQ(r.NodeName(), "Friend");
    EXPECT_EQ(t.RecordNodes()->Root().NodeName(), "Friends");
    ASSERT_EQ(r.ChildNodes().Count(), 11);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(r.ChildNodes()[i].NodeName(), kFields[i]);
    EXPECT_EQ(t.FieldDefs().Count(), 11);
    EXPECT_EQ(t.FieldDefs()[4].DataType, ftInteger);
    EXPECT_EQ(t.FieldDefs()[2].Size, 2048);
    EXPECT_TRUE(t.FieldDefs()[10].Required);
}

TEST(Friend, ElevenFieldsWithCyrillicSurviveSaveAndLoad) {
    TempDir dir;
    SetProgramDirectory(dir.Dir());
    TFriend t;
    t.FileName = "Friends.xml";
    t.AddFriend(u8"Ёлка Иванова"_cp, "elka", "http://www.velmora.ru/elka/", u8"Нижний Новгород"_cp, 0, 1, 12, 1, 0, u8"от 20 до 30"_cp);
    t.AddFriend("", "", "http://www.velmora.ru/x/", "", -1, -1, -1, -1, -1, "");
    t.Save();
    TFriend back;
    back.FileName = "Friends.xml";
    back.Load();
    ASSERT_EQ(back.RecordCount(), 2);
    EXPECT_EQ(Record(back, 1), (std::vector<std::string>{u8"Ёлка Иванова"_cp, "elka", "http://www.velmora.ru/elka/",
                                                         u8"Нижний Новгород"_cp, "0", "1", "12", "1", "0", u8"от 20 до 30"_cp,
                                                         "0"}));
    EXPECT_EQ(Record(back, 2), (std::vector<std::string>{"", "", "http://www.velmora.ru/x/", "", "-1", "-1", "-1",
                                                         "-1", "-1", "", "0"}));
    TFriend unnamed;
    unnamed.AddFriend("a", "a", "u", "", 0, 0, 0, 0, 0, "");
    unnamed.Save();
    EXPECT_EQ(ListDir(dir.Dir()), std::vector<std::string>{"Friends.xml"});
    SetProgramDirectory("");
}

TEST(Friend, FindByUrlFoldsLatinNotCyrillic) {
    TFriend t;
    Add(t, u8"http://www.velmora.ru/Анна/"_cp);
    Add(t, "http://WWW.Velmora.ru/Bob/");
    TXMLNode n = t.FindByUrl("http://www.velmora.ru/bob/");
    ASSERT_TRUE(n);
    EXPECT_EQ(n.NodeName(), "URL");
    EXPECT_EQ(n, t.RecordNodes()->Nodes(1).FindChild("URL"));
    EXPECT_TRUE(t.FindByUrl(u8"HTTP://www.velmora.ru/Анна/"_cp));
    EXPECT_FALSE(t.FindByUrl(u8"http://www.velmora.ru/анна/"_cp));
    EXPECT_FALSE(TFriend().FindByUrl("x"));
}

TEST(Friend, FindByLoginComparesWholeLogins) {
    TFriend t;
    Add(t, "http://www.velmora.ru/joanna/");
    Add(t, "http://site.test/bob/");
    Add(t, "http://www.velmora.ru/Ann/photos/");
    // "ann" is not inside "joanna", "test" is not the host "site.test".
    TXMLNode n = t.FindByLogin("http://other.host/ANN/");
    ASSERT_TRUE(n);
    EXPECT_EQ(n.Text(), "http://www.velmora.ru/Ann/photos/");
    EXPECT_FALSE(t.FindByLogin("http://www.velmora.ru/test/"));
    EXPECT_FALSE(t.FindByLogin("http://www.velmora.ru/jo/"));
    EXPECT_EQ(t.FindByLogin("http://x/joanna/").Text(), "http://www.velmora.ru/joanna/");

    // Without a login the whole address is looked up, folding A-Z.
    Add(t, "http://www.velmora.ru/nologin");
    EXPECT_EQ(t.FindByLogin("http://www.velmora.ru/NoLogin").Text(), "http://www.velmora.ru/nologin");
    EXPECT_FALSE(t.FindByLogin("http://www.velmora.ru/other"));
}

TEST(Friend, LookupsUseEachRecordsOwnUrlElement) {
    TempDir dir;
    WriteFile(dir.Path("f.xml"),
              "<Friends><Friend><Name>no url</Name></Friend>"
              "<Friend><URL>http://h/zed/</URL><Name>moved</Name></Friend></Friends>");
    TFriend t;
    t.LoadFromFile(dir.Path("f.xml"));
    EXPECT_TRUE(t.FindByUrl("http://h/zed/"));
    EXPECT_TRUE(t.FindByLogin("http://x/zed/"));
    EXPECT_FALSE(t.FindByUrl(""));  // the record without URL does not match an empty address

    TFriend target;
    Add(target, "http://h/zed/");
    t.MergeByLogin(&target);
    // "moved" is present; the record without an address goes in once, with an empty URL.
    EXPECT_EQ(Column(target, "Name"), (std::vector<std::string>{"n", "no url"}));
    EXPECT_EQ(Column(target, "Age"), (std::vector<std::string>{"20", "-1"}));
}

TEST(Friend, CopyRecordCopiesByNameFromTheSourcePosition) {
    TFriend source;
    source.AddFriend("A", "a", "http://x/a/", "Area", 5, 1, 2, 1, 1, "r");
    source.AddFriend("B", "b", "http://x/b/", "", 6, 0, 0, 0, 0, "");
    source.RecordNodes()->Nodes(1).FindChild("NewMessage").SetText("1");
    TFriend t;
    source.SetRecNo(2);
    TXMLNode r = t.CopyRecord(source);
    EXPECT_EQ(r, t.RecordNodes()->Nodes(0));
    EXPECT_EQ(Record(t, 1), (std::vector<std::string>{"B", "b", "http://x/b/", "", "6", "0", "0", "0", "0", "", "1"}));
    source.SetRecNo(0);  // before the first record: every field empty
    t.CopyRecord(source);
    EXPECT_EQ(Record(t, 2), std::vector<std::string>(11, ""));
}

TEST(Friend, UpdateFriendRewritesOneRecord) {
    TFriend t;
    t.UpdateFriend(0, "x", "x", "x", "x", 1, 1, 1, 1, 1, "x");  // no records: nothing
    Add(t, "http://x/a/", "A");
    Add(t, "http://x/b/", "B");
    t.RecordNodes()->Nodes(1).FindChild("NewMessage").SetText("1");
    t.UpdateFriend(1, u8"Б"_cp, "b2", "http://x/b2/", "Area", 7, 1, 2, 0, 1, "30");
    t.UpdateFriend(2, "past", "", "", "", 0, 0, 0, 0, 0, "");
    t.UpdateFriend(-1, "before", "", "", "", 0, 0, 0, 0, 0, "");
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"A", u8"Б"_cp}));
    EXPECT_EQ(Record(t, 2), (std::vector<std::string>{u8"Б"_cp, "b2", "http://x/b2/", "Area", "7", "1", "2", "0", "1", "30", "0"}));
    t.DeleteFriend(0);
    EXPECT_EQ(Column(t, "Name"), std::vector<std::string>{u8"Б"_cp});
}

TEST(Friend, MergeByLoginAddsMissingContactsOnce) {
    TFriend stored, imported;
    stored.AddFriend("Old", "ann", "http://www.velmora.ru/ann/", u8"Москва"_cp, 30, 0, 0, 0, 0, "");
    stored.AddFriend("Jo", "joanna", "http://www.velmora.ru/joanna/", "", 22, 0, 0, 0, 0, "");
    imported.AddFriend("New name", "ann", "http://WWW.velmora.ru/ANN/", u8"Тула"_cp, 31, 1, 5, 1, 0, "");  // held
    imported.AddFriend("Jo2", "jo", "http://www.velmora.ru/jo/", "", 19, 0, 0, 0, 0, "");           // new
    imported.AddFriend("Jo2 again", "jo", "http://www.velmora.ru/jo/other/", "", 19, 0, 0, 0, 0, "");
    imported.AddFriend("T", "test", "http://site.test/test/", "", 40, 0, 0, 0, 0, "");
    imported.AddFriend("Nl", "", "http://www.velmora.ru/nologin", "", 40, 0, 0, 0, 0, "");
    imported.RecordNodes()->Nodes(1).FindChild("NewMessage").SetText("1");
    imported.RecordNodes()->Nodes(1).FindChild("Age").SetText("");
    imported.RecordNodes()->Nodes(3).FindChild("PhotoCount").SetText("12abc");
    imported.RecordNodes()->Nodes(3).FindChild("VipUser").SetText("$10");

    imported.SetRecNo(3);
    stored.SetRecNo(2);
    imported.MergeByLogin(&stored);
    EXPECT_EQ(imported.RecNo(), 3);  // neither position moves
    EXPECT_EQ(stored.RecNo(), 2);
    EXPECT_EQ(Column(stored, "Name"), (std::vector<std::string>{"Old", "Jo", "Jo2", "T", "Nl"}));
    EXPECT_EQ(Record(stored, 1), (std::vector<std::string>{"Old", "ann", "http://www.velmora.ru/ann/", u8"Москва"_cp, "30",
                                                           "0", "0", "0", "0", "", "0"}));
    EXPECT_EQ(Record(stored, 3), (std::vector<std::string>{"Jo2", "jo", "http://www.velmora.ru/jo/", "", "-1", "0",
                                                           "0", "0", "0", "", "0"}));
    EXPECT_EQ(Column(stored, "PhotoCount"), (std::vector<std::string>{"0", "0", "0", "-1", "0"}));
    EXPECT_EQ(Column(stored, "VipUser"), (std::vector<std::string>{"0", "0", "0", "-1", "0"}));

    // Merging again adds nothing: the contact without a login is found by its address.
    imported.MergeByLogin(&stored);
    EXPECT_EQ(stored.RecordCount(), 5);
}

TEST(Friend, MergeByUrlAndOtherModes) {
    TFriend a, b;
    a.MergeByUrl(&b);  // nothing to merge
    EXPECT_EQ(b.RecordNodes(), nullptr);
    Add(a, "http://x/one/");
    Add(a, "http://x/ONE/");
    Add(a, "http://x/one/more/");
    a.MergeByUrl(&b);
    EXPECT_EQ(Column(b, "URL"), (std::vector<std::string>{"http://x/one/", "http://x/one/more/"}));
    a.MergeInto(&b, 7);  // any other mode adds every record
    EXPECT_EQ(b.RecordCount(), 5);
    a.MergeInto(nullptr, 2);
}

TEST(Friend, IndexedMergeMatchesTheScan) {
    std::mt19937 rng(7);
    const char* hosts[] = {"http://www.velmora.ru/", "http://WWW.VELMORA.RU/", "http://site.test/", "https://a.b/"};
    const char* logins[] = {"ann", "Ann", "joanna", "test", "jo", "bob", u8"аня"_cp.c_str(), u8"Аня"_cp.c_str(), ""};
    auto randomUrl = [&] {
        std::string u = hosts[rng() % 4];
        u += logins[rng() % 9];
        if (rng() % 3) u += "/";
        if (rng() % 4 == 0) u += "photos/";
        return u;
    };
    for (int round = 0; round < 60; ++round) {
        for (int mode : {1, 2, 3}) {
            TFriend source, target, expected;
            for (int i = static_cast<int>(rng() % 12); i > 0; --i) Add(source, randomUrl(), "s" + IntToStr(i));
            for (int i = static_cast<int>(rng() % 12); i > 0; --i) {
                const std::string u = randomUrl();
                Add(target, u, "t" + IntToStr(i));
                Add(expected, u, "t" + IntToStr(i));
            }
            source.MergeInto(&target, mode);
            ScanMerge(source, expected, mode);
            ASSERT_EQ(Column(target, "URL"), Column(expected, "URL")) << "mode " << mode;
            ASSERT_EQ(Column(target, "Name"), Column(expected, "Name"));
        }
    }
}
