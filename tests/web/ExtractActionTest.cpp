#include <gtest/gtest.h>

#include <QString>
#include <QUrl>

#include "web/ExtractActionUnit.h"
#include "web/clFindTegProperty.h"

namespace {

std::string Extract(const std::string& base, const std::string& page) {
    TFindTags ft;
    std::string url = "stale";
    ExtractAction(ft, base, page, url);
    return url;
}

// A page with one login form whose action is written as given (in double quotes).
std::string Resolve(const std::string& base, const std::string& action) {
    return Extract(base, "<html><body>\n<form name=login method=post action=\"" + action +
                             "\">\n<input name=l></form></body></html>");
}

// What a browser posts to; the addresses here are ASCII.
std::string Browser(const std::string& base, const std::string& action) {
    const QUrl r = QUrl(QString::fromLatin1(base)).resolved(QUrl(QString::fromLatin1(action)));
    return r.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace

TEST(ExtractAction, RelativeActionsTakeTheBaseFolder) {
    EXPECT_EQ(Resolve("http://host/a/b.phtml?x=1", "login.phtml"), "http://host/a/login.phtml");
    EXPECT_EQ(Resolve("http://host/index.phtml", "login.phtml"), "http://host/login.phtml");
    EXPECT_EQ(Resolve("http://host", "login.phtml"), "http://host/login.phtml");
    EXPECT_EQ(Resolve("http://host/a/b/", "login.phtml"), "http://host/a/b/login.phtml");
    // A "/" inside the base's query is no folder.
    EXPECT_EQ(Resolve("http://host/a/b.phtml?r=/c", "login.phtml"), "http://host/a/login.phtml");
    EXPECT_EQ(Resolve("http://host/b.phtml?r=/c/d", "login.phtml"), "http://host/login.phtml");
    EXPECT_EQ(Resolve("http://host:8080/a/b", "login.phtml?a=1&amp;b=2"),
              "http://host:8080/a/login.phtml?a=1&amp;b=2");  // as written, not decoded
}

TEST(ExtractAction, OtherActionForms) {
    EXPECT_EQ(Resolve("http://host/a/b.phtml", "sub/login.phtml"), "http://host/sub/login.phtml");
    EXPECT_EQ(Resolve("http://host", "sub/login.phtml"), "http://host/sub/login.phtml");
    EXPECT_EQ(Resolve("http://host/a/b.phtml", "http://other/x.phtml"), "http://other/x.phtml");
    EXPECT_EQ(Resolve("http://host/a/b.phtml", "HTTP://other/x.phtml"), "HTTP://other/x.phtml");
    EXPECT_EQ(Resolve("http://host/a/b.phtml?x=1", "/"), "http://host/a/b.phtml?x=1");
    EXPECT_EQ(Resolve("http://host/a/b.phtml?x=1", ""), "http://host/a/b.phtml?x=1");
    // Root-relative, as a browser posts it.
    EXPECT_EQ(Resolve("http://host/a/b.phtml?r=/c", "/login.phtml"), "http://host/login.phtml");
    EXPECT_EQ(Resolve("host/a/", "/x/login.phtml?a=/b"), "http://host/x/login.phtml?a=/b");
}

TEST(ExtractAction, WhichFormCounts) {
    const std::string base = "http://host/p.phtml?id=5";
    const std::string login = "<form method=post action=login.phtml>";
    const std::string own = "<form method=post>";
    EXPECT_EQ(Extract(base, login + "</form>"), "http://host/login.phtml");
    EXPECT_EQ(Extract(base, login + login), "");
    EXPECT_EQ(Extract(base, login + login + own), base);
    EXPECT_EQ(Extract(base, own + "<form method=get>"), base);
    EXPECT_EQ(Extract(base, own + own), "");
    EXPECT_EQ(Extract(base, "<form method=post action=/search.phtml>"), "");
    EXPECT_EQ(Extract(base, "<form method=post action=/search.phtml>" + own), base);
    EXPECT_EQ(Extract(base, "no forms at all"), "");
    EXPECT_EQ(Extract(base, ""), "");
}

TEST(ExtractAction, ReplacesTheCallersText) {
    TFindTags ft;
    ft.SetText("<form method=post action=x>");
    std::string url;
    ExtractAction(ft, "http://host/", "<p>\n<form method=post action=y>", url);
    EXPECT_EQ(url, "http://host/y");
    EXPECT_EQ(ft.GetText(), "<p>\r\n<form method=post action=y>\r\n");
    EXPECT_EQ(ft.GetHTMLElements().Count(), 2);
    EXPECT_TRUE(ft.Reparse);
}

TEST(ExtractAction, AgreesWithABrowserWhereBothRulesMeet) {
    const char* bases[] = {"http://host/a/b.phtml?x=1", "http://host/index.phtml", "http://host",
                           "http://host/a/b.phtml?r=/c", "http://host:8080/a/b/c.phtml", "http://host/a/"};
    const char* actions[] = {"login.phtml", "login.phtml?a=1&amp;b=2", "x.phtml?ret=%2Fa", "http://other/x.phtml",
                             "http://other:81/y/z?q=1", "/login.phtml", "/a/b/c.phtml?r=/d", ""};
    for (const char* b : bases)
        for (const char* a : actions) EXPECT_EQ(Resolve(b, a), Browser(b, a)) << b << " + " << a;
}

TEST(ExtractAction, DiffersFromABrowserOnPurpose) {
    struct Case {
        const char* base;
        const char* action;
        const char* ours;
        const char* browser;
    };
    const Case cases[] = {
        // "/" posts back to the page itself, query included.
        {"http://host/a/b.phtml?x=1", "/", "http://host/a/b.phtml?x=1", "http://host/"},
        // An action with a "/" past its first character is taken from the site root.
        {"http://host/a/b.phtml", "sub/login.phtml", "http://host/sub/login.phtml", "http://host/a/sub/login.phtml"},
        {"http://host/a/b.phtml", "../x.phtml", "http://host/../x.phtml", "http://host/x.phtml"},
        {"http://host/a/b.phtml", "x.phtml?r=/c", "http://host/x.phtml?r=/c", "http://host/a/x.phtml?r=/c"},
        // Only "http://" is known as a scheme.
        {"http://host/a/b.phtml", "https://other/x", "http://host/https://other/x", "https://other/x"},
        // A bare query is a file name in the base folder.
        {"http://host/a/b.phtml", "?page=2", "http://host/a/?page=2", "http://host/a/b.phtml?page=2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Resolve(c.base, c.action), c.ours) << c.base << " + " << c.action;
        EXPECT_EQ(Browser(c.base, c.action), c.browser) << c.base << " + " << c.action;
    }
}
