// The sorted key index over the server list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "storage/clUrlList.h"
#include "platform/CpLiteral.h"

namespace {

std::vector<std::string> Fill(TXMLTableIndex& index) {
    TStringList s;
    s.Add("stale");
    index.FillStrings(s);
    return s.Items();
}

// Unsigned byte order, independent of CompareStr.
bool ByteLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

}  // namespace

TEST(XMLTableIndex, OrdersByBytesUpperCaseFirst) {
    TServer servers;
    servers.AddUrl("b");
    servers.AddUrl("a");
    servers.AddUrl("B");
    TXMLTableIndex index;
    index.Build("URL", &servers);
    EXPECT_EQ(Fill(index), (std::vector<std::string>{"B", "a", "b"}));
    EXPECT_EQ(index.Items(0).RecordIndex, 2);
    EXPECT_FALSE(index.FindNode("A"));  // case matters
    EXPECT_EQ(index.FindNode("B"), servers.RecordNodes()->Nodes(2));
}

TEST(XMLTableIndex, EmptyAndSingleEntry) {
    TServer servers;
    TXMLTableIndex index;
    index.Build("URL", &servers);
    EXPECT_EQ(index.Count(), 0);
    EXPECT_FALSE(index.FindNode("x"));
    EXPECT_TRUE(Fill(index).empty());
    servers.AddUrl("only");
    index.Build("URL", &servers);
    EXPECT_EQ(index.FindNode("only"), servers.RecordNodes()->Nodes(0));
    EXPECT_FALSE(index.FindNode("onl"));
    EXPECT_FALSE(index.FindNode("only1"));
}

TEST(XMLTableIndex, AddKeyGoesAfterEqualKeysAndDeleteKeepsRecordsInStep) {
    TServer servers;
    for (const char* s : {"m", "c", "x"}) servers.AddUrl(s);
    TXMLTableIndex index;
    index.Build("URL", &servers);
    index.AddKey("c");
    ASSERT_EQ(index.Count(), 4);
    EXPECT_EQ(index.Items(0).RecordIndex, 1);
    EXPECT_EQ(index.Items(1).RecordIndex, 3);  // the new record, after the old "c"
    EXPECT_EQ(servers.RecordCount(), 4);
    servers.SetRecNo(4);
    EXPECT_EQ(servers.GetFieldText("URL"), "c");
    index.AddKey("a");
    index.AddKey("z");
    EXPECT_EQ(Fill(index), (std::vector<std::string>{"a", "c", "c", "m", "x", "z"}));

    // Delete the entry whose record is first in the file ("m").
    index.DeleteItem(3);
    EXPECT_EQ(servers.RecordCount(), 5);
    EXPECT_EQ(servers.RecNo(), 0);
    EXPECT_EQ(Fill(index), (std::vector<std::string>{"a", "c", "c", "x", "z"}));
    for (int i = 0; i < index.Count(); ++i) {
        servers.SetRecNo(index.Items(i).RecordIndex + 1);
        EXPECT_EQ(servers.GetFieldText("URL"), index.Items(i).Key);
    }
    EXPECT_THROW(index.DeleteItem(5), EListError);
    EXPECT_THROW(index.DeleteItem(-1), EListError);
    EXPECT_EQ(index.Count(), 5);
    EXPECT_EQ(servers.RecordCount(), 5);
}

TEST(XMLTableIndex, RandomKeysAreSortedAndAllFound) {
    std::mt19937 rng(20240611);
    const std::string alphabet = std::string("aAbBzZ09.-") + u8"абвАБВяЯёЁ"_cp;
    for (int round = 0; round < 40; ++round) {
        TServer servers;
        const int n = static_cast<int>(rng() % 60);
        std::vector<std::string> keys;
        for (int i = 0; i < n; ++i) {
            std::string k;
            const int len = static_cast<int>(rng() % 4);  // short keys: duplicates and prefixes occur
            for (int j = 0; j < len; ++j) k += alphabet[rng() % alphabet.size()];
            keys.push_back(k);
            servers.AddUrl(k);
        }
        TXMLTableIndex index;
        index.Build("URL", &servers);
        // Half of the later keys go in through the index.
        for (int i = 0; i < n / 2; ++i) {
            std::string k(1, alphabet[rng() % alphabet.size()]);
            keys.push_back(k);
            index.AddKey(k);
        }
        std::vector<std::string> oracle = keys;
        std::sort(oracle.begin(), oracle.end(), ByteLess);
        ASSERT_EQ(Fill(index), oracle);
        for (const std::string& k : keys) {
            TXMLNode node = index.FindNode(k);
            ASSERT_TRUE(node) << "key " << k;
            EXPECT_EQ(node.FindChild("URL").Text(), k);
        }
        EXPECT_FALSE(index.FindNode("not-a-key"));
    }
}

TEST(XMLTableIndex, CyrillicAfterLatin) {
    TServer servers;
    for (const char* s : {u8"яндекс"_cp.c_str(), "Zeta", u8"ёлка"_cp.c_str(), "alpha", u8"Альфа"_cp.c_str()}) servers.AddUrl(s);
    TXMLTableIndex index;
    index.Build("URL", &servers);
    EXPECT_EQ(Fill(index), (std::vector<std::string>{"Zeta", "alpha", u8"ёлка"_cp, u8"Альфа"_cp, u8"яндекс"_cp}));
}

TEST(XMLTableIndex, EqualKeysKeepTheExchangeSortOrderAndTheLastTestWins) {
    // The exchange sort is not stable: "b","b","a" leaves the two b entries as records 1, 0.
    TServer servers;
    for (const char* s : {"b", "b", "a"}) servers.AddUrl(s);
    TXMLTableIndex index;
    index.Build("URL", &servers);
    EXPECT_EQ(index.Items(0).RecordIndex, 2);
    EXPECT_EQ(index.Items(1).RecordIndex, 1);
    EXPECT_EQ(index.Items(2).RecordIndex, 0);
    // Found at Mid (record 1) in the loop, then overruled by the entry at Hi (record 0).
    EXPECT_EQ(index.FindNode("b"), servers.RecordNodes()->Nodes(0));

    TServer same;
    for (int i = 0; i < 3; ++i) same.AddUrl("a");
    index.Build("URL", &same);
    EXPECT_EQ(index.FindNode("a"), same.RecordNodes()->Nodes(2));
}
