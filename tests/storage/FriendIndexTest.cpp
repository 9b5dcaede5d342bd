// The contact table's lookup index against the record walks it replaces, over random sequences
// of appends, copies, updates, deletes, clears, loads and direct changes of the URL elements.
#include <gtest/gtest.h>

#include <random>

#include "platform/CpLiteral.h"
#include "storage/clFriend.h"
#include "storage/clUrlList.h"
#include "tests/storage/StorageTestUtil.h"

namespace {

// The walks: every record from the top, each through its own URL element.
TXMLNode WalkByUrl(TFriend& t, const std::string& url) {
    TXMLRecordNodes* nodes = t.RecordNodes();
    if (!nodes) return TXMLNode();
    for (int i = 0; i < nodes->Count(); ++i) {
        TXMLNode field = nodes->Nodes(i).FindChild("URL");
        if (field && SameText(field.Text(), url)) return field;
    }
    return TXMLNode();
}

TXMLNode WalkByLogin(TFriend& t, const std::string& url) {
    const std::string login = ExtractLogin(url);
    if (login.empty()) return WalkByUrl(t, url);
    TXMLRecordNodes* nodes = t.RecordNodes();
    if (!nodes) return TXMLNode();
    for (int i = 0; i < nodes->Count(); ++i) {
        TXMLNode field = nodes->Nodes(i).FindChild("URL");
        if (field && ExtractLogin(field.Text()) == login) return field;
    }
    return TXMLNode();
}

// Addresses that meet in every way the lookups tell apart: duplicate logins on other hosts, Latin
// and Cyrillic case, no login (no closing "/"), an empty address, a login inside a longer one.
std::vector<std::string> Addresses() {
    std::vector<std::string> out;
    const std::string logins[] = {"anna", "Anna", "ANNA", "annamaria", "ivan_1987", u8"иван"_cp.str(),
                                  u8"Иван"_cp.str(), u8"ИВАН"_cp.str(), "x"};
    const std::string hosts[] = {"http://www.velmora.ru/", "http://WWW.Velmora.RU/", "http://m.velmora.ru/"};
    for (const std::string& h : hosts)
        for (const std::string& l : logins) {
            out.push_back(h + l + "/");
            out.push_back(h + l);  // no login
        }
    out.push_back("http://www.velmora.ru/anna/?from=list");
    out.push_back("");
    out.push_back("short");
    return out;
}

}  // namespace

TEST(FriendIndex, AnswersAsTheWalksOverRandomChanges) {
    TempDir dir;
    const std::vector<std::string> pool = Addresses();
    std::mt19937 rng(20261207);
    auto pick = [&] { return pool[rng() % pool.size()]; };

    TFriend source;  // records to copy from
    for (int i = 0; i < 8; ++i) source.AddFriend("s", "", pick(), "", 1, 0, 0, 0, 0, "");
    const std::string saved = dir.Path("saved.xml");
    {
        TFriend other;
        for (int i = 0; i < 12; ++i) other.AddFriend("f", "", pick(), "", 1, 0, 0, 0, 0, "");
        other.SaveToFile(saved);
    }

    int checks = 0;
    for (int round = 0; round < 60; ++round) {
        TFriend t;
        for (int step = 0; step < 120; ++step) {
            const int count = t.RecordCount();
            switch (rng() % 12) {
                case 0:
                case 1:
                case 2:
                    t.AddFriend("n", "", pick(), "", 1, 0, 0, 0, 0, "");
                    break;
                case 3:
                    source.SetRecNo(1 + static_cast<int>(rng() % 8));
                    t.CopyRecord(source);
                    break;
                case 4:
                    if (count) t.DeleteFriend(static_cast<int>(rng() % count));
                    break;
                case 5:
                    if (count) t.UpdateFriend(static_cast<int>(rng() % count), "u", "", pick(), "", 2, 0, 0, 0, 0, "");
                    break;
                case 6:  // a field set directly, as the main window sets NewMessage
                    if (count) t.RecordNodes()->Nodes(static_cast<int>(rng() % count)).FindChild("NewMessage").SetText("1");
                    break;
                case 7:  // the address changed directly, or its element added back
                    if (count) {
                        TXMLNode record = t.RecordNodes()->Nodes(static_cast<int>(rng() % count));
                        TXMLNode url = record.FindChild("URL");
                        (url ? url : record.AddChild("URL")).SetText(pick());
                    }
                    break;
                case 8:  // a record without a URL element
                    if (count && rng() % 2) {
                        TXMLNode record = t.RecordNodes()->Nodes(static_cast<int>(rng() % count));
                        record.RemoveChild(record.FindChild("URL"));
                    } else {
                        TXMLNode record = t.AppendRecordNode();
                        record.RemoveChild(record.FindChild("URL"));
                    }
                    break;
                case 9:
                    if (rng() % 2) {
                        t.SaveToFile(dir.Path("t.xml"));
                        t.LoadFromFile(dir.Path("t.xml"));
                    } else {
                        t.LoadFromFile(saved);
                    }
                    break;
                case 10:
                    if (rng() % 4 == 0) t.ClearRecords();
                    break;
                default: {
                    TFriend imported;
                    for (int i = 0; i < 3; ++i) imported.AddFriend("m", "", pick(), "", 1, 0, 0, 0, 0, "");
                    imported.MergeByLogin(&t);
                    break;
                }
            }
            // Lookups after some changes only, so that changes also pile up between two lookups.
            if (rng() % 3) continue;
            for (int q = 0; q < 4; ++q) {
                const std::string url = pick();
                ASSERT_EQ(t.FindByLogin(url), WalkByLogin(t, url)) << "round " << round << " step " << step << " " << url;
                ASSERT_EQ(t.FindByUrl(url), WalkByUrl(t, url)) << "round " << round << " step " << step << " " << url;
                ++checks;
            }
        }
        for (const std::string& url : pool) {
            ASSERT_EQ(t.FindByLogin(url), WalkByLogin(t, url)) << url;
            ASSERT_EQ(t.FindByUrl(url), WalkByUrl(t, url)) << url;
        }
    }
    EXPECT_GT(checks, 5000);
}

TEST(FriendIndex, MergeSeesTheRecordsItAdds) {
    TFriend target, imported;
    target.AddFriend("a", "", "http://www.velmora.ru/anna/", "", 1, 0, 0, 0, 0, "");
    imported.AddFriend("b", "", "http://m.velmora.ru/ANNA/", "", 1, 0, 0, 0, 0, "");  // same login
    imported.AddFriend("c", "", "http://m.velmora.ru/petr/", "", 1, 0, 0, 0, 0, "");
    imported.AddFriend("d", "", "http://www.velmora.ru/Petr/", "", 1, 0, 0, 0, 0, "");  // added just before
    imported.AddFriend("e", "", "http://www.velmora.ru/nologin", "", 1, 0, 0, 0, 0, "");
    imported.AddFriend("f", "", "http://WWW.velmora.ru/NOLOGIN", "", 1, 0, 0, 0, 0, "");  // same address
    imported.MergeByLogin(&target);
    ASSERT_EQ(target.RecordCount(), 3);
    target.SetRecNo(2);
    EXPECT_EQ(target.GetFieldText("Name"), "c");
    target.SetRecNo(3);
    EXPECT_EQ(target.GetFieldText("Name"), "e");
    // A direct change of an address is seen at the next lookup.
    target.RecordNodes()->Nodes(1).FindChild("URL").SetText("http://www.velmora.ru/olga/");
    EXPECT_FALSE(target.FindByLogin("http://x.ru/petr/"));
    EXPECT_EQ(target.FindByLogin("http://x.ru/OLGA/"), target.RecordNodes()->Nodes(1).FindChild("URL"));
}
