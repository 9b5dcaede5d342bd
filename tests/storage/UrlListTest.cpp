// The URL list, the server list and the contact login rule.
#include <gtest/gtest.h>

#include "platform/ProgramDir.h"
#include "storage/clUrlList.h"
#include "tests/storage/StorageTestUtil.h"
#include "platform/CpLiteral.h"

namespace {

std::vector<std::string> Urls(TUrlList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.RecordCount(); ++i) {
        list.SetRecNo(i + 1);
        out.push_back(list.GetFieldText("URL"));
    }
    return out;
}

}  // namespace

TEST(ExtractLogin, FirstPathSegmentClosedBySlash) {
    EXPECT_EQ(ExtractLogin("http://www.velmora.ru/AnnA/"), "anna");
    EXPECT_EQ(ExtractLogin("http://www.velmora.ru/anna/photos/1/"), "anna");
    EXPECT_EQ(ExtractLogin(u8"http://www.velmora.ru/Аня/"_cp), u8"Аня"_cp);  // Cyrillic keeps its case
    EXPECT_EQ(ExtractLogin("http://www.velmora.ru"), "");
    EXPECT_EQ(ExtractLogin("http://www.velmora.ru/"), "");
    EXPECT_EQ(ExtractLogin("http://www.velmora.ru/anna"), "");
    EXPECT_EQ(ExtractLogin("http://"), "");
    EXPECT_EQ(ExtractLogin("http:/"), "");
    EXPECT_EQ(ExtractLogin("ab"), "");
    EXPECT_EQ(ExtractLogin(""), "");
    // Seven characters are dropped whatever the scheme: the secure one leaves "/host/..."
    EXPECT_EQ(ExtractLogin("https://www.velmora.ru/anna/"), "www.velmora.ru");
}

TEST(UrlList, NamesAndDefaults) {
    TUrlList urls;
    EXPECT_EQ(urls.AddUrl("http://a/").NodeName(), "URL");
    EXPECT_EQ(urls.RecordNodes()->Root().NodeName(), "URLs");
    TServer servers;
    EXPECT_EQ(servers.AddUrl("x").NodeName(), "Server");
    EXPECT_EQ(servers.RecordNodes()->Root().NodeName(), "Servers");
}

TEST(UrlList, FindUrlFoldsLatinOnly) {
    TUrlList urls;
    urls.AddUrl(u8"http://Site.RU/Аня/"_cp);
    urls.AddUrl("http://other/");
    TXMLNode found = urls.FindUrl(u8"HTTP://site.ru/Аня/"_cp);
    ASSERT_TRUE(found);
    EXPECT_EQ(found.NodeName(), "URL");
    EXPECT_EQ(found.Text(), u8"http://Site.RU/Аня/"_cp);
    EXPECT_FALSE(urls.FindUrl(u8"http://site.ru/аня/"_cp));
    EXPECT_FALSE(TUrlList().FindUrl("x"));
}

TEST(UrlList, LookupFindsEachRecordsOwnUrlElement) {
    TempDir dir;
    // The first record has its URL element in another position than the second.
    WriteFile(dir.Path("u.xml"), "<URLs><URL><Note/><URL>http://a/</URL></URL><URL><URL>http://b/</URL></URL>"
                                 "<URL><Note>http://c/</Note></URL></URLs>");
    TUrlList urls;
    urls.LoadFromFile(dir.Path("u.xml"));
    EXPECT_TRUE(urls.FindUrl("http://a/"));
    EXPECT_TRUE(urls.FindUrl("http://b/"));
    EXPECT_FALSE(urls.FindUrl("http://c/"));  // a record without URL does not match

    TUrlList target;
    urls.MergeInto(&target);
    EXPECT_EQ(Urls(target), (std::vector<std::string>{"http://a/", "http://b/"}));
}

TEST(UrlList, SetAndDeleteUrl) {
    TUrlList urls;
    urls.SetUrl(0, "nothing");  // no records: nothing happens
    urls.AddUrl("a");
    urls.AddUrl("b");
    urls.SetUrl(1, "B");
    urls.SetUrl(2, "past");
    urls.SetUrl(-1, "before");
    EXPECT_EQ(Urls(urls), (std::vector<std::string>{"a", "B"}));
    urls.DeleteUrl(0);
    EXPECT_EQ(Urls(urls), (std::vector<std::string>{"B"}));
}

TEST(UrlList, MergeIntoAddsEachMissingAddressOnce) {
    TUrlList source, target;
    source.MergeInto(&target);
    EXPECT_EQ(target.RecordCount(), 0);
    for (const char* u : {"http://a/", "http://b/", "http://A/", "http://c/", "http://b/"}) source.AddUrl(u);
    target.AddUrl("http://C/");
    source.MergeInto(&target);
    EXPECT_EQ(Urls(target), (std::vector<std::string>{"http://C/", "http://a/", "http://b/"}));
    source.MergeInto(nullptr);
}

TEST(UrlList, SortByUrlIsByteOrder) {
    TUrlList urls;
    for (const char* u : {"b", u8"Привет"_cp.c_str(), "a", "B", "ab", "", "Z"}) urls.AddUrl(u);
    TXMLNode first = urls.RecordNodes()->Nodes(0);
    urls.SortByUrl();
    EXPECT_EQ(Urls(urls), (std::vector<std::string>{"", "B", "Z", "a", "ab", "b", u8"Привет"_cp}));
    EXPECT_EQ(urls.RecordNodes()->Nodes(0), first);  // the records stay, their texts move
}

TEST(UrlList, LoadAndSaveInTheProgramDirectory) {
    TempDir dir;
    SetProgramDirectory(dir.Dir());
    TServer servers;
    servers.Load();  // no file name: nothing, then the default
    EXPECT_EQ(Urls(servers), std::vector<std::string>{SiteDefaultServer});
    EXPECT_TRUE(ListDir(dir.Dir()).empty());

    TServer named;
    named.FileName = "AgentServers.xml";
    named.Load();  // missing file: empty list, then the default
    EXPECT_EQ(Urls(named), std::vector<std::string>{SiteDefaultServer});
    named.AddUrl(u8"сервер.рф"_cp);
    named.Save();
    EXPECT_EQ(ReadFile(dir.Path("AgentServers.xml")),
              std::string("<Servers><Server><URL>") + SiteDefaultServer +
                  "</URL></Server><Server><URL>\xD1\x81\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84"
                  "</URL></Server></Servers>");

    TUrlList plain;
    plain.FileName = "AgentServers.xml";
    plain.Load();
    EXPECT_EQ(Urls(plain), (std::vector<std::string>{SiteDefaultServer, u8"сервер.рф"_cp}));
    TUrlList unnamed;
    unnamed.Load();
    unnamed.Save();
    EXPECT_EQ(unnamed.RecordNodes(), nullptr);
    SetProgramDirectory("");
}
