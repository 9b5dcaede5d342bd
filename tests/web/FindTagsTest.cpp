#include <gtest/gtest.h>

#include "web/clFindTegProperty.h"
#include "platform/CpLiteral.h"

namespace {

std::vector<std::string> Names(const TTagList& tags) {
    std::vector<std::string> r;
    for (const THTMLTag* t : tags) r.push_back(t->Name);
    return r;
}

// The first tag of a one-tag page, through a fresh search.
bool Accepts(bool (*filter)(const THTMLTag*), const std::string& page) {
    TFindTags ft;
    ft.SetText(page);
    TTagList tags;
    ft.FindTags(tags, "*");
    EXPECT_EQ(tags.size(), 1u) << page;
    return !tags.empty() && filter(tags[0]);
}

}  // namespace

TEST(FindTags, NamesFoldLatinCaseAndStarTakesEveryTag) {
    TFindTags ft;
    ft.SetText("<a href=1>x</a><A HREF=2>y</A> > <p>");
    TTagList tags;
    ft.FindTags(tags, "A");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(ft.GetParamValue(tags[0], "href"), "1");
    EXPECT_EQ(ft.GetParamValue(tags[1], "HREF"), "2");
    const std::vector<std::string> upper = Names(tags);  // the tags themselves go with the next search
    ft.FindTags(tags, "a");
    EXPECT_EQ(Names(tags), upper);
    ft.FindTags(tags, "/a");
    EXPECT_EQ(Names(tags), (std::vector<std::string>{"/A", "/A"}));
    ft.FindTags(tags, "*");
    EXPECT_EQ(Names(tags), (std::vector<std::string>{"A", "/A", "A", "/A", "", "P"}));
    ft.FindTags(tags, "");
    EXPECT_EQ(Names(tags), (std::vector<std::string>{""}));  // only the stray ">"
    ft.FindTags(tags, "td");
    EXPECT_TRUE(tags.empty());
}

TEST(FindTags, EverySearchParsesAfreshAndReturnsTheListsOwnElements) {
    TFindTags ft;
    ft.SetText("<b>1</b><b>2</b>");
    TTagList first, second;
    ft.FindTags(first, "b");
    ft.FindTags(second, "b");
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(Names(second), (std::vector<std::string>{"B", "B"}));
    EXPECT_EQ(ft.GetHTMLElements().Count(), 6);  // not appended to: cleared first
    for (THTMLTag* t : second) EXPECT_EQ(ft.GetHTMLElements()[t->Position], t);
    // Walking forward from a found tag reaches its text.
    EXPECT_EQ(AsText(ft.GetHTMLElements()[second[1]->Position + 1])->Text, "2");

    // SetText alone parses nothing: the elements stay until the next search.
    ft.SetText("<i>");
    EXPECT_EQ(ft.GetHTMLElements().Count(), 6);
    ft.FindTags(second, "i");
    EXPECT_EQ(second.size(), 1u);
    EXPECT_EQ(ft.GetHTMLElements().Count(), 1);

    // Without Reparse a search reads the elements it has.
    ft.SetText("<b><b>");
    ft.Reparse = false;
    ft.FindTags(second, "b");
    EXPECT_TRUE(second.empty());
    ft.Reparse = true;
    ft.FindTags(second, "b");
    EXPECT_EQ(second.size(), 2u);
}

TEST(FindTags, GetTextEndsEveryLineWithCrLf) {
    TFindTags ft;
    ft.SetText("a\nb\r\nc\rd");
    EXPECT_EQ(ft.GetText(), "a\r\nb\r\nc\r\nd\r\n");
    ft.SetText("");
    EXPECT_EQ(ft.GetText(), "");
}

TEST(FindTags, CallerFiltersAndNoFilter) {
    TFindTags ft;
    ft.SetText(u8"<img src=a.gif alt=\"Нет фотографии\"><img src=b.jpg><img alt=x>"_cp);
    TTagList tags;
    ft.FindTags(tags, "img", [&ft](const THTMLTag* t) { return !ft.GetParamValue(t, "src").empty(); });
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(ft.GetParamValue(tags[0], "alt"), u8"Нет фотографии"_cp);
    ft.FindTags(tags, "img", TTagFilter());
    EXPECT_EQ(tags.size(), 3u);
}

TEST(FindTags, GetParamValue) {
    TFindTags ft;
    ft.SetText("<a href=\"x.phtml\" HREF=second title=' t '><br>");
    TTagList tags;
    ft.FindTags(tags, "*");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(ft.GetParamValue(nullptr, "href"), "");
    EXPECT_EQ(ft.GetParamValue(tags[0], "  \t"), "");
    EXPECT_EQ(ft.GetParamValue(tags[0], ""), "");
    EXPECT_EQ(ft.GetParamValue(tags[0], "src"), "");
    EXPECT_EQ(ft.GetParamValue(tags[0], "href"), "x.phtml");  // the first one wins
    EXPECT_EQ(ft.GetParamValue(tags[0], "HREF"), "x.phtml");
    EXPECT_EQ(ft.GetParamValue(tags[0], " href"), "");  // compared as given, not trimmed
    EXPECT_EQ(ft.GetParamValue(tags[0], "title"), " t ");
    EXPECT_EQ(ft.GetParamValue(tags[1], "href"), "");
}

TEST(FindTagsFilters, LoginForm) {
    auto f = &TFindTags::IsLoginForm;
    EXPECT_TRUE(Accepts(f, "<form method=POST action=\"/login.phtml\">"));
    EXPECT_TRUE(Accepts(f, "<FORM ACTION=x METHOD='Post'>"));
    EXPECT_FALSE(Accepts(f, "<form method=POST action=\"/search.phtml\">"));
    EXPECT_FALSE(Accepts(f, "<form method=POST action=\"/login.phtml\" name=\"poisk\">"));
    EXPECT_FALSE(Accepts(f, "<form action=\"/login.phtml\">"));
    EXPECT_FALSE(Accepts(f, "<form method=get action=\"/login.phtml\">"));
    EXPECT_FALSE(Accepts(f, "<form method=post>"));
    EXPECT_FALSE(Accepts(f, "<div method=post action=x>"));
    for (const char* word : {"subscribe", "Search", "see", "FIND", "voting"})
        EXPECT_FALSE(Accepts(f, std::string("<form method=post action=/a") + word + "b>")) << word;
    // A finding is never undone by a later parameter.
    EXPECT_TRUE(Accepts(f, "<form action=/find.phtml action=/login.phtml method=post>"));
    EXPECT_TRUE(Accepts(f, "<form method=post method=get action=/x>"));
    EXPECT_FALSE(Accepts(f, "<form name=poisk name=login method=post action=/x>"));
    EXPECT_TRUE(Accepts(f, "<form method=post action=/x name=search>"));  // only "poisk" bars it
}

TEST(FindTagsFilters, ActionlessPostForm) {
    auto f = &TFindTags::IsActionlessPostForm;
    EXPECT_TRUE(Accepts(f, "<form method=\"post\">"));
    EXPECT_FALSE(Accepts(f, "<form method=\"post\" action=\"\">"));
    EXPECT_FALSE(Accepts(f, "<form method=\"post\" action>"));
    EXPECT_FALSE(Accepts(f, "<form method=get>"));
    EXPECT_FALSE(Accepts(f, "<form method=post name=Search>"));
    EXPECT_FALSE(Accepts(f, "<form method=post name=poisk>"));
    EXPECT_TRUE(Accepts(f, "<form method=post name=login>"));
}

TEST(FindTagsFilters, CharsetMeta) {
    auto f = &TFindTags::IsCharsetMeta;
    EXPECT_TRUE(Accepts(f, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"));
    EXPECT_TRUE(Accepts(f, "<META CONTENT='text/html; CHARSET=UTF-8'>"));
    EXPECT_FALSE(Accepts(f, "<meta charset=utf-8>"));
    EXPECT_FALSE(Accepts(f, "<meta content=\"text/html\">"));
    EXPECT_FALSE(Accepts(f, "<link content=\"charset=x\">"));
    TFindTags ft;
    ft.SetText("<html><meta name=x><meta content=\"text/html; charset=utf-8\"></html>");
    TTagList tags;
    ft.FindTags(tags, "meta", &TFindTags::IsCharsetMeta);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(ft.GetParamValue(tags[0], "content"), "text/html; charset=utf-8");
}
