// Request header fields, cookies, the response-header reader, the date reader, the field splitter
// and form escaping.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "web/clHttpDate.h"
#include "web/clHttpFields.h"
#include "web/clHttpHeader.h"
#include "platform/CpLiteral.h"

namespace {

TEST(RequestHeader, FreshHeaderHasOnlyAcceptAndFiresOnChangeOnlyOnRealChanges) {
    THTTPRequestHeader h;
    EXPECT_EQ(h.GetRawHeaderText(), "Accept: text/html, */*\r\n");
    std::vector<int> events;
    h.OnChange = [&](THTTPRequestHeader* sender, int index) {
        EXPECT_EQ(sender, &h);
        events.push_back(index);
    };
    h.SetAccept("text/html, */*");
    EXPECT_TRUE(events.empty());
    h.SetAccept("image/gif");
    h.SetUserAgent("UA");
    h.SetHeaderValueByPropertyIndex(38, "ignored");
    h.SetHeaderValueByPropertyIndex(-1, "ignored");
    EXPECT_EQ(events, (std::vector<int>{0, 35}));
    EXPECT_EQ(h.GetHeaderValueByPropertyIndex(35), "UA");
    EXPECT_EQ(h.GetHeaderValueByPropertyIndex(38), "");
}

TEST(RequestHeader, RawTextTrimsSkipsBlanksAndKeepsIndexOrder) {
    THTTPRequestHeader h;
    h.SetAccept("   ");
    h.SetWarning("  last  ");
    h.SetHost("\t h \r");
    h.SetReferer("http://r/");
    h.CustomHeaders().Add("X-A: 1");
    h.CustomHeaders().Add("X-B:");
    h.CustomHeaders().Add("no colon");
    h.CustomHeaders().Add(" : value");
    h.CustomHeaders().Add("X-C:  two words  ");
    EXPECT_EQ(h.GetRawHeaderText(), "Host: h\r\nReferer: http://r/\r\nWarning: last\r\nX-A: 1\r\nX-C: two words\r\n");
}

TEST(RequestHeader, NamesAreTheStandardOnes) {
    EXPECT_STREQ(RequestHeaderName(0), "Accept");
    EXPECT_STREQ(RequestHeaderName(10), "Content-Length");
    EXPECT_STREQ(RequestHeaderName(14), "Content-Type");
    EXPECT_STREQ(RequestHeaderName(30), "Referer");
    EXPECT_STREQ(RequestHeaderName(35), "User-Agent");
    EXPECT_STREQ(RequestHeaderName(37), "Warning");
}

TEST(RequestHeader, SetRawHeaderTextReadsFieldsCookiesAndCustomLines) {
    THTTPRequestHeader h;
    h.SetUserAgent("old");
    h.CustomHeaders().Add("X-Old: 1");
    int events = 0, lastIndex = 0;
    h.OnChange = [&](THTTPRequestHeader*, int i) {
        ++events;
        lastIndex = i;
    };
    h.SetRawHeaderText("accept: first\r\nAccept: second\nX-Own:  v \r\r\n  \r\nset-cookie: a=1; path=/p\r\n"
                       "Set-Cookie:   \r\nContent-Type :  text/plain  ");
    EXPECT_EQ(events, 1);
    EXPECT_EQ(lastIndex, -1);
    EXPECT_EQ(h.Accept(), "first");
    EXPECT_EQ(h.ContentType(), "text/plain");
    EXPECT_EQ(h.UserAgent(), "");
    ASSERT_EQ(h.Cookies().Count(), 1);
    EXPECT_EQ(h.Cookies().Items(0).Name, "a");
    EXPECT_EQ(h.Cookies().Items(0).Path, "/p");
    EXPECT_EQ(h.CustomHeaders().Text(), "Accept: second\r\nX-Own:  v \r\n");
    EXPECT_EQ(h.GetRawHeaderText(),
              "Accept: first\r\nContent-Type: text/plain\r\nAccept: second\r\nX-Own: v\r\nSet-Cookie: a=1; path=/p\r\n");

    h.SetRawHeaderText("");
    EXPECT_EQ(h.GetRawHeaderText(), "");
    EXPECT_EQ(h.Cookies().Count(), 0);
    EXPECT_EQ(h.CustomHeaders().Count(), 0);
}

TEST(RequestHeader, ALineWithoutAColonNamesNoField) {
    THTTPRequestHeader h;
    h.SetRawHeaderText("Warning\r\nWarning: w\r\nSet-Cookie\r\n");
    EXPECT_EQ(h.Warning(), "w");
    EXPECT_EQ(h.Cookies().Count(), 0);
    EXPECT_EQ(h.CustomHeaders().Items(), (std::vector<std::string>{"Warning", "Set-Cookie"}));

    THTTPResponseHeader r;
    r.SetRawHeaderText("HTTP/1.1 200 OK\r\nServer\r\nServer: s\r\n");
    EXPECT_EQ(r.Server(), "s");
    EXPECT_EQ(r.StatusCode(), "200");
    EXPECT_EQ(r.CustomHeaders().Items(), std::vector<std::string>{"Server"});
}

TEST(RequestHeader, AssignCopiesEverythingAndFiresMinusOne) {
    THTTPRequestHeader a, b;
    a.SetReferer("r");
    a.CustomHeaders().Add("X: y");
    a.Cookies().Add().Name = "c";
    std::vector<int> events;
    b.OnChange = [&](THTTPRequestHeader*, int i) { events.push_back(i); };
    b.Assign(a);
    EXPECT_EQ(events, std::vector<int>{-1});
    EXPECT_EQ(b.GetRawHeaderText(), a.GetRawHeaderText());
    a.CustomHeaders().Add("Z: 1");
    EXPECT_EQ(b.CustomHeaders().Count(), 1);  // a copy, not shared
}

TEST(Cookie, TextOfACookie) {
    struct Case {
        THTTPRequestCookie c;
        const char* text;
    };
    auto make = [](std::string n, std::string v, std::string d, std::string p, double e, bool s) {
        THTTPRequestCookie c;
        c.Name = n, c.Value = v, c.Domain = d, c.Path = p, c.Expires = e, c.Secure = s;
        return c;
    };
    TDateTime nov94 = 0;
    ASSERT_TRUE(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT", nov94));
    const Case cases[] = {
        {make("sid", "abc", "", "", -1.0, false), "sid=abc"},
        {make("a b", u8"x&y=Ж"_cp, "", "", -1.0, false), "a+b=x%26y%3D%C6"},
        {make("n", "v", "site.ru", "/", -1.0, true), "n=v; domain=site.ru; path=/; secure"},
        {make("n", "", "", "/p", nov94, false), "n=; path=/p; expires=Sun, 06-Nov-1994 08:49:37 GMT"},
        {make("n", "v", "", "", 0.0, false), "n=v; expires=Sat, 30-Dec-1899 00:00:00 GMT"},
        {make("n", "v", "", "", -1.0, true), "n=v; secure"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.c.GetCookieText(), c.text);
}

TEST(Cookie, ReadingACookie) {
    THTTPRequestCookie c;
    c.Domain = "stale";
    c.Secure = true;
    c.SetCookieText(" sid = a=b ; Path=\"/x/\"; EXPIRES=Sunday, 06-Nov-94 08:49:37 GMT; domain=d.ru; SeCuRe ");
    EXPECT_EQ(c.Name, "sid ");
    EXPECT_EQ(c.Value, " a=b");
    EXPECT_EQ(c.Path, "/x/");
    EXPECT_EQ(c.Domain, "d.ru");
    EXPECT_TRUE(c.Secure);
    TDateTime expected = 0;
    ASSERT_TRUE(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT", expected));
    EXPECT_DOUBLE_EQ(c.Expires, expected);

    c.SetCookieText("only");
    EXPECT_EQ(c.Name, "only");
    EXPECT_EQ(c.Value, "");
    EXPECT_EQ(c.Path, "/");  // missing path reads as "/"
    EXPECT_EQ(c.Domain, "");
    EXPECT_FALSE(c.Secure);
    EXPECT_EQ(c.Expires, -1.0);

    c.SetCookieText("n=v; path=; expires=never");
    EXPECT_EQ(c.Path, "/");
    EXPECT_EQ(c.Expires, -1.0);
}

TEST(HttpDate, TableOfTexts) {
    struct Case {
        const char* text;
        bool ok;
        int y, m, d, h, n, s;
    };
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37},
        {"Sunday, 06-Nov-94 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37},
        {"Thu, 01-JAN-1970 00:00:00 gmt", true, 1970, 1, 1, 0, 0, 0},
        {"Mon,   29 feb 2016   23:59:59", true, 2016, 2, 29, 23, 59, 59},  // runs of blanks become one
        {"x, 29 Feb 2016 23:59", true, 2016, 2, 29, 23, 59, 0},
        {"Tue, 29 Feb 2015 10:00:00 GMT", false, 0, 0, 0, 0, 0, 0},   // no such day
        {"Sun 06 Nov 1994 08:49:37 GMT", false, 0, 0, 0, 0, 0, 0},    // no ", "
        {"Sun, 06 Foo 1994 08:49:37 GMT", false, 0, 0, 0, 0, 0, 0},   // unknown month
        {"Sun, 06 Nov 1994 GMT", false, 0, 0, 0, 0, 0, 0},            // three parts
        {"Sun, 06 Nov 1994 08:49:37 extra", false, 0, 0, 0, 0, 0, 0}, // five parts
        {"Sun, 06 Nov 1994 25:00:00 GMT", false, 0, 0, 0, 0, 0, 0},
        {"Sun, 06 Nov 1994 08:61:00 GMT", false, 0, 0, 0, 0, 0, 0},
        {"Sun, aa Nov 1994 08:49:37 GMT", false, 0, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        TDateTime v = 0;
        bool ok = ParseHttpDate(c.text, v, 2026);
        ASSERT_EQ(ok, c.ok) << c.text;
        if (!ok) continue;
        int y, m, d, h, n, s, dow;
        DecodeDateTime(v, y, m, d, h, n, s, dow);
        EXPECT_EQ((std::vector<int>{y, m, d, h, n, s}), (std::vector<int>{c.y, c.m, c.d, c.h, c.n, c.s})) << c.text;
    }
}

TEST(HttpDate, TwoDigitYearsFallWithinTheWindow) {
    struct Case {
        const char* year;
        int now, expected;
    };
    const Case cases[] = {{"94", 2026, 1994}, {"76", 2026, 1976}, {"75", 2026, 2075}, {"26", 2026, 2026},
                          {"00", 2026, 2000}, {"94", 2050, 2094}, {"1994", 2050, 1994}, {"7", 2026, 2007}};
    for (const auto& c : cases) {
        TDateTime v = 0;
        std::string text = std::string("Sun, 01 Jan ") + c.year + " 00:00:00 GMT";
        ASSERT_TRUE(ParseHttpDate(text, v, c.now)) << text;
        int y, m, d, h, n, s, dow;
        DecodeDateTime(v, y, m, d, h, n, s, dow);
        EXPECT_EQ(y, c.expected) << text << " in " << c.now;
    }
}

TEST(HttpDate, TheDayNumbersAreTheFrameworks) {
    TDateTime v = 0;
    ASSERT_TRUE(ParseHttpDate("Sat, 30 Dec 1899 12:00:00 GMT", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    ASSERT_TRUE(ParseHttpDate("Sun, 01 Jan 1900 06:00:00 GMT", v));
    EXPECT_DOUBLE_EQ(v, 2.25);
    ASSERT_TRUE(ParseHttpDate("Fri, 29 Dec 1899 06:00:00 GMT", v));
    EXPECT_DOUBLE_EQ(v, -1.25);
    int y, m, d, h, n, s, dow;
    DecodeDateTime(-1.25, y, m, d, h, n, s, dow);
    EXPECT_EQ((std::vector<int>{y, m, d, h, dow}), (std::vector<int>{1899, 12, 29, 6, 6}));
    DecodeDateTime(45000.0, y, m, d, h, n, s, dow);  // 2023-03-15, a Wednesday
    EXPECT_EQ((std::vector<int>{y, m, d, dow}), (std::vector<int>{2023, 3, 15, 4}));
    // Values beyond the calendar take its nearest end instead of overflowing.
    DecodeDateTime(1e300, y, m, d, h, n, s, dow);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{9999, 12, 31}));
    DecodeDateTime(std::nan(""), y, m, d, h, n, s, dow);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{1, 1, 1}));
    THTTPRequestCookie c;
    c.Name = "n";
    c.Expires = 1e300;
    EXPECT_EQ(c.GetCookieText(), "n=; expires=Fri, 31-Dec-9999 23:59:59 GMT");
}

TEST(HttpFields, SplitterTable) {
    struct Case {
        const char* content;
        bool decode;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a=1; b=2;c=3", false, {"a=1", "b=2", "c=3"}},
        {"  a=1 ;  ; ;b", false, {"a=1 ", "b"}},
        {"q=\"x;y\"; r='p;\"q'", false, {"q=x;y", "r=p;\"q"}},
        {"n=a%20b+c; m=%D0%E0", true, {"n=a b c", u8"m=Ра"_cp}},
        {"n=a%2", true, {"n=a%2"}},
        {"open=\"never closed; still", false, {"open=never closed; still"}},
        {"", false, {}},
        {";;;", false, {}},
        {"\"\"; ''", false, {}},
    };
    for (const auto& c : cases) {
        TStringList out;
        ExtractHTTPFields(";", " ", c.content, out, c.decode);
        EXPECT_EQ(out.Items(), c.fields) << c.content;
    }
}

TEST(ResponseHeader, ReaderTakesFieldsCookiesStatusAndCustomLines) {
    THTTPResponseHeader r;
    const std::string raw =
        "HTTP/1.1 302 Moved  Temporarily \r\nLocation: /next\r\nset-cookie: a=1\r\nContent-Length: 0\r\n"
        "Cookie: x=1; y=\"a b\"; z=%C0\r\nX-Extra: e\r\nserver: test\r\n\r\n";
    r.SetRawHeaderText(raw);
    EXPECT_EQ(r.RawHeaderText(), raw);
    EXPECT_EQ(r.ProtocolVersion(), "HTTP/1.1");
    EXPECT_EQ(r.StatusCode(), "302");
    EXPECT_EQ(r.ReasonString(), "Moved  Temporarily");
    EXPECT_EQ(r.Location(), "/next");
    EXPECT_EQ(r.ContentLength(), "0");
    EXPECT_EQ(r.Server(), "test");
    EXPECT_EQ(r.ContentType(), "");
    EXPECT_EQ(r.Cookies().Items(), (std::vector<std::string>{"x=1", "y=a b", u8"z=А"_cp}));
    EXPECT_EQ(r.CustomHeaders().Items(), (std::vector<std::string>{"set-cookie: a=1", "X-Extra: e"}));

    r.SetRawHeaderText("Content-Type: text/html\r\n");
    EXPECT_EQ(r.ContentType(), "text/html");
    EXPECT_EQ(r.ProtocolVersion(), "");
    EXPECT_EQ(r.StatusCode(), "");
    EXPECT_EQ(r.ReasonString(), "");
    EXPECT_EQ(r.Location(), "");
    EXPECT_EQ(r.Cookies().Count(), 0);
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

TEST(FormEscaping, MatchesPythonsQuotePlusOverCp1251Bytes) {
    std::ifstream in(std::string(VA_TEST_DATA_DIR) + "/web/quote_plus.txt");
    ASSERT_TRUE(in.good());
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        std::string input = FromHex(line.substr(0, tab));
        std::string expected = line.substr(tab + 1);
        EXPECT_EQ(URLEncodeValue(input), expected) << line.substr(0, tab);
        EXPECT_EQ(URLDecodeValue(expected), input) << line.substr(0, tab);
        ++checked;
    }
    EXPECT_GT(checked, 256);
    EXPECT_EQ(URLEncodeValue(u8"А"_cp), "%C0");
}

}  // namespace
