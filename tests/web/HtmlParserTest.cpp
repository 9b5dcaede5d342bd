#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/Exceptions.h"
#include "web/HTMLPars.h"
#include "platform/CpLiteral.h"

namespace {

// Parses page afresh, as the tag search does.
void Parse(THTMLParser& p, std::string_view page) {
    p.Lines.SetText(page);
    p.ClearElements();
    p.Execute();
}

const THTMLTag& TagAt(const THTMLParser& p, int i) {
    const THTMLTag* t = AsTag(p.HTMLElements[i]);
    EXPECT_NE(t, nullptr) << "element " << i << " is not a tag";
    static const THTMLTag none;
    return t ? *t : none;
}

const THTMLText& TextAt(const THTMLParser& p, int i) {
    const THTMLText* t = AsText(p.HTMLElements[i]);
    EXPECT_NE(t, nullptr) << "element " << i << " is not a text";
    static const THTMLText none;
    return t ? *t : none;
}

std::string Decode(std::string_view raw) {
    THTMLText t;
    t.SetText(raw);
    return t.Text;
}

}  // namespace

TEST(HtmlParser, StrayCloseAngleMakesAnEmptyTagBeforeItsTextRun) {
    THTMLParser p;
    Parse(p, "a > b");
    ASSERT_EQ(p.HTMLElements.Count(), 2);
    EXPECT_EQ(TagAt(p, 0).Name, "");
    EXPECT_EQ(TagAt(p, 0).Raw, "");
    EXPECT_TRUE(TagAt(p, 0).Params.empty());
    EXPECT_EQ(TextAt(p, 1).Raw, "a  b\n");
    EXPECT_EQ(TextAt(p, 1).Text, "a  b ");  // the line end reads as a blank
}

TEST(HtmlParser, SecondOpenAngleInsideATagIsDropped) {
    THTMLParser p;
    Parse(p, "<a <b>");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TagAt(p, 0).Name, "A");
    EXPECT_EQ(TagAt(p, 0).Raw, "a b");
    ASSERT_EQ(TagAt(p, 0).Params.size(), 1u);
    EXPECT_EQ(TagAt(p, 0).Params[0].Key, "B");
}

TEST(HtmlParser, TagOverTwoLinesIsJoinedWithNothing) {
    THTMLParser p;
    Parse(p, "<a\nhref=\"x\">");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TagAt(p, 0).Name, "AHREF=\"X\"");
    EXPECT_TRUE(TagAt(p, 0).Params.empty());
}

TEST(HtmlParser, PageEndingInsideATag) {
    THTMLParser p;
    Parse(p, "<td");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TagAt(p, 0).Name, "TD");

    Parse(p, "x<");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TextAt(p, 0).Raw, "x");  // closed by the "<": no line end reached

    Parse(p, "<");
    EXPECT_EQ(p.HTMLElements.Count(), 0);
    Parse(p, "");
    EXPECT_EQ(p.HTMLElements.Count(), 0);
}

TEST(HtmlParser, CloseAngleInsideACommentEndsTheTag) {
    THTMLParser p;
    Parse(p, "<!-- a > b -->");
    ASSERT_EQ(p.HTMLElements.Count(), 3);
    EXPECT_EQ(TagAt(p, 0).Name, "!--");
    ASSERT_EQ(TagAt(p, 0).Params.size(), 1u);
    EXPECT_EQ(TagAt(p, 0).Params[0].Key, "A");
    EXPECT_EQ(TagAt(p, 1).Name, "");
    EXPECT_EQ(TextAt(p, 2).Text, " b -- ");
}

TEST(HtmlParser, OneQuoteFlagServesBothQuoteCharacters) {
    THTMLParser p;
    Parse(p, "<input type=text value=\"it's here\">");
    const THTMLTag& t = TagAt(p, 0);
    EXPECT_EQ(t.Name, "INPUT");
    ASSERT_EQ(t.Params.size(), 3u);
    EXPECT_EQ(t.Params[0].Raw, "type=text");
    EXPECT_EQ(t.Params[1].Raw, "value=\"it's");
    EXPECT_EQ(t.Params[2].Raw, "here\"");
    EXPECT_EQ(t.Params[0].Key, "TYPE");
    EXPECT_EQ(t.Params[1].Key, "VALUE");
    EXPECT_EQ(t.Params[2].Key, "HERE\"");
    EXPECT_EQ(t.Params[0].Value, "text");
    EXPECT_EQ(t.Params[1].Value, "\"it's");
    EXPECT_EQ(t.Params[2].Value, "");
}

TEST(HtmlParser, ParameterValuesLoseOnePairOfOuterQuotes) {
    THTMLParser p;
    Parse(p, "<a href='x'><a href=\"x\"><a href=\"><option selected>"
             "<a title=\"'y'\" alt='' b=\"\" c=' d=a=b e==>");
    ASSERT_EQ(p.HTMLElements.Count(), 5);
    EXPECT_EQ(TagAt(p, 0).Params[0].Value, "x");
    EXPECT_EQ(TagAt(p, 1).Params[0].Value, "x");
    EXPECT_EQ(TagAt(p, 2).Raw, "a href=\"");
    EXPECT_EQ(TagAt(p, 2).Params[0].Value, "\"");  // a lone quote is kept
    EXPECT_EQ(TagAt(p, 3).Params[0].Key, "SELECTED");
    EXPECT_EQ(TagAt(p, 3).Params[0].Value, "");
    const THTMLTag& t = TagAt(p, 4);
    ASSERT_EQ(t.Params.size(), 4u);
    EXPECT_EQ(t.Params[0].Value, "'y'");  // only one pair comes off
    EXPECT_EQ(t.Params[1].Value, "");
    EXPECT_EQ(t.Params[2].Value, "");
    // The lone ' opens a quote that swallows the blanks after it.
    EXPECT_EQ(t.Params[3].Raw, "c=' d=a=b e==");
    EXPECT_EQ(t.Params[3].Value, "' d=a=b e==");
}

TEST(HtmlParser, NamesAndKeysFoldOnlyLatinLetters) {
    THTMLParser p;
    Parse(p, u8"<Привет\tx a-b=Значение  Имя=Б>"_cp);
    const THTMLTag& t = TagAt(p, 0);
    EXPECT_EQ(t.Name, u8"Привет\tX"_cp);  // tab is no separator; Cyrillic is left as it is
    ASSERT_EQ(t.Params.size(), 2u);  // the empty piece between two blanks is dropped
    EXPECT_EQ(t.Params[0].Key, "A-B");
    EXPECT_EQ(t.Params[0].Value, u8"Значение"_cp);
    EXPECT_EQ(t.Params[1].Key, u8"Имя"_cp);
}

TEST(HtmlParser, LineEndsInTextRuns) {
    THTMLParser p;
    Parse(p, "Hello\nworld");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TextAt(p, 0).Raw, "Hello\nworld\n");
    EXPECT_EQ(TextAt(p, 0).Text, "Hello world ");

    // A line break right after a tag adds nothing; blanks between tags on one line are a text.
    Parse(p, "<tr>\n<td> </td>\n</tr>\n<b>x\n</b>");
    ASSERT_EQ(p.HTMLElements.Count(), 8);
    EXPECT_EQ(TagAt(p, 0).Name, "TR");
    EXPECT_EQ(TagAt(p, 1).Name, "TD");
    EXPECT_EQ(TextAt(p, 2).Raw, " ");
    EXPECT_EQ(TagAt(p, 3).Name, "/TD");
    EXPECT_EQ(TagAt(p, 4).Name, "/TR");
    EXPECT_EQ(TextAt(p, 6).Raw, "x\n");

    // An empty line inside a text run is one more line end; a tab between tags is a text too.
    Parse(p, "a\n\nb<i>\t<br>\n\n<p>");
    ASSERT_EQ(p.HTMLElements.Count(), 5);
    EXPECT_EQ(TextAt(p, 0).Raw, "a\n\nb");
    EXPECT_EQ(TextAt(p, 0).Text, "a  b");
    EXPECT_EQ(TextAt(p, 2).Raw, "\t");
    EXPECT_EQ(TextAt(p, 2).Text, "\t");
    EXPECT_EQ(TagAt(p, 4).Name, "P");

    // CR, LF and CR LF all end a line.
    Parse(p, "a\r\nb\rc\nd\n");
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TextAt(p, 0).Raw, "a\nb\nc\nd\n");
}

TEST(HtmlParser, LeadingBlankRunIsShortened) {
    EXPECT_EQ(Decode("   x"), " x");
    EXPECT_EQ(Decode("x   y"), "x   y");
    EXPECT_EQ(Decode("\n\n x"), " x");
    EXPECT_EQ(Decode(" "), " ");
    EXPECT_EQ(Decode("&#32;&#32;x"), "  x");  // entities are decoded after the shortening
}

namespace {

void ExpectSameElements(const THTMLParser& a, const THTMLParser& b, const std::string& page) {
    ASSERT_EQ(a.HTMLElements.Count(), b.HTMLElements.Count()) << page;
    for (int i = 0; i < a.HTMLElements.Count(); ++i) {
        const THTMLElement* x = a.HTMLElements[i];
        const THTMLElement* y = b.HTMLElements[i];
        ASSERT_EQ(x->Kind(), y->Kind());
        EXPECT_EQ(x->Raw, y->Raw);
        EXPECT_EQ(x->Position, y->Position);
        if (const THTMLText* t = AsText(x)) {
            EXPECT_EQ(t->Text, AsText(y)->Text);
            continue;
        }
        const THTMLTag* t = AsTag(x);
        const THTMLTag* u = AsTag(y);
        EXPECT_EQ(t->Name, u->Name);
        ASSERT_EQ(t->Params.size(), u->Params.size()) << page;
        for (size_t k = 0; k < t->Params.size(); ++k) {
            EXPECT_EQ(t->Params[k].Raw, u->Params[k].Raw);
            EXPECT_EQ(t->Params[k].Key, u->Params[k].Key);
            EXPECT_EQ(t->Params[k].Value, u->Params[k].Value);
        }
    }
}

}  // namespace

TEST(HtmlParser, ReparseLeavesNothingOfTheEarlierPage) {
    THTMLParser p, fresh;
    Parse(p, "<a x=1 y=2 z=3>long text run here &amp; more<b q=1 r=2>tail text");
    Parse(p, "<i k=v>x<br>");
    Parse(fresh, "<i k=v>x<br>");
    ExpectSameElements(p, fresh, "");
    ASSERT_EQ(p.HTMLElements.Count(), 3);
    EXPECT_EQ(TagAt(p, 0).Params.size(), 1u);
    EXPECT_TRUE(TagAt(p, 2).Params.empty());
}

TEST(HtmlParser, PositionsAreIndicesAndExecuteAppends) {
    THTMLParser p;
    Parse(p, "<a>x<b>y");
    ASSERT_EQ(p.HTMLElements.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.HTMLElements[i]->Position, i);
    p.Execute();  // no ClearElements: the list grows and positions go on
    ASSERT_EQ(p.HTMLElements.Count(), 8);
    EXPECT_EQ(p.HTMLElements[7]->Position, 7);
    EXPECT_THROW(p.HTMLElements[8], EListError);
    p.ClearElements();
    EXPECT_EQ(p.HTMLElements.Count(), 0);
}

TEST(HtmlEntities, NumericForms) {
    EXPECT_EQ(Decode("&#65;"), "A");
    EXPECT_EQ(Decode("&#x41;"), "A");
    EXPECT_EQ(Decode("&#X41;&#$41;&#+65;&#065;"), "AAAA");
    EXPECT_EQ(Decode("&#0x4;"), " ");
    EXPECT_EQ(Decode("&#x4;"), " ");
    EXPECT_EQ(Decode("&#65 x"), "Ax");  // the ending blank is consumed
    EXPECT_EQ(Decode("&#160;&nbsp;"), "  ");
    EXPECT_EQ(Decode("&#0;&#9;&#31;&#127;&#159;&#161;"), std::string("   \x7f\x9f\xa1"));
    EXPECT_EQ(Decode("&#xff;"), "\xff");
    EXPECT_EQ(Decode("&#255;"), "\xff");
    // Left as they stand.
    EXPECT_EQ(Decode("&#;"), "&#;");
    EXPECT_EQ(Decode("&#1234;"), "&#1234;");
    EXPECT_EQ(Decode("&#0065;"), "&#0065;");
    EXPECT_EQ(Decode("&#x41a;"), "&#x41a;");
    EXPECT_EQ(Decode("&#x;&#-;&#0x;&#1a;&#a;"), "&#x;&#-;&#0x;&#1a;&#a;");
    EXPECT_EQ(Decode("&#65"), "&#65");  // never ended
}

TEST(HtmlEntities, OutOfRangeCodesStayAsTheyStand) {
    EXPECT_EQ(Decode("&#256;"), "&#256;");
    EXPECT_EQ(Decode("&#999;"), "&#999;");
    EXPECT_EQ(Decode("&#-1;"), "&#-1;");
    EXPECT_EQ(Decode("&#-x1;"), "&#-x1;");
    EXPECT_EQ(Decode("&#-0;"), std::string(" "));  // minus zero is zero
}

TEST(HtmlEntities, NamedForms) {
    EXPECT_EQ(Decode("&Eacute;"), "\xc9");  // byte 201, whatever it means in cp1251
    EXPECT_EQ(Decode("&eacute"), "&eacute");
    EXPECT_EQ(Decode("&amp;lt;"), "&lt;");  // decoded once only
    EXPECT_EQ(Decode("&amp;amp;"), "&amp;");
    EXPECT_EQ(Decode("&AMP;&Amp;&apos;&euro;"), "&AMP;&Amp;&apos;&euro;");
    EXPECT_EQ(Decode("&nbsp x"), "&nbsp x");  // a name ended by a blank never matches
    EXPECT_EQ(Decode("a&b&lt;c"), "a&b<c");   // a second "&" starts the entity afresh
    EXPECT_EQ(Decode("&;& ;&&gt;"), "&;& ;&>");
    EXPECT_EQ(Decode(u8"Цена&nbsp;100&nbsp;руб."_cp), u8"Цена 100 руб."_cp);
}

TEST(HtmlEntities, TableMatchesPythonHtmlEntities) {
    std::ifstream f(VA_TEST_DATA_DIR "/web/entities.tsv");
    ASSERT_TRUE(f.good());
    std::string line;
    int row = 0;
    while (std::getline(f, line)) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        const std::string name = line.substr(0, tab);
        const int code = std::stoi(line.substr(tab + 1));
        ASSERT_LT(row, HTMLEntityCount);
        EXPECT_EQ(HTMLEntities[row].Name, name) << "row " << row;
        EXPECT_EQ(HTMLEntities[row].Code, code) << name;
        const std::string expected(1, static_cast<char>(code == 160 ? 32 : code));
        EXPECT_EQ(Decode(name), expected) << name;
        EXPECT_EQ(Decode("x" + name + "y"), "x" + expected + "y") << name;
        ++row;
    }
    EXPECT_EQ(row, HTMLEntityCount);
}

TEST(HtmlEntities, OtherHtml5NamesStayAsTheyStand) {
    std::ifstream f(VA_TEST_DATA_DIR "/web/other_entities.txt");
    ASSERT_TRUE(f.good());
    std::string name;
    int n = 0;
    while (std::getline(f, name)) {
        EXPECT_EQ(Decode(name), name);
        ++n;
    }
    EXPECT_GT(n, 2000);
}

TEST(HtmlEntities, CharacterTable) {
    for (int c = 0; c < 256; ++c) {
        const int expected = c < 32 || c == 160 ? 32 : c;
        EXPECT_EQ(HTMLCharTable[c], expected) << c;
    }
}

namespace {

// The decoder as the algorithm reads, literally: S is changed in place and a named entity is
// first rewritten to its numeric form, which the scan then reads again. Slow but plain.
std::string ReferenceDecode(std::string s) {
    for (char& c : s)
        if (c == '\n') c = ' ';
    while (s.size() >= 2 && s[0] == ' ' && s[1] == ' ') s.erase(0, 1);
    bool open = false;
    size_t start = 0;
    std::string ent;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '&') {
            open = true;
            start = i;
            ent.clear();
        }
        if (open) ent += s[i];
        if (open && (s[i] == ';' || s[i] == ' ')) {
            open = false;
            if (ent.size() > 2 && ent[1] == '#') {
                const std::string code = ent.substr(2, ent.size() - 3);
                int v = 0;
                bool ok = !code.empty() && code.size() <= 3;
                if (ok) {
                    // sign, then "$", "x", "X", "0x", "0X" or nothing, then at least one digit
                    std::string c = code;
                    bool neg = false;
                    if (c[0] == '+' || c[0] == '-') {
                        neg = c[0] == '-';
                        c.erase(0, 1);
                    }
                    int base = 10;
                    if (!c.empty() && (c[0] == '$' || c[0] == 'x' || c[0] == 'X')) {
                        base = 16;
                        c.erase(0, 1);
                    } else if (c.size() >= 2 && c[0] == '0' && (c[1] == 'x' || c[1] == 'X')) {
                        base = 16;
                        c.erase(0, 2);
                    }
                    ok = !c.empty() && c.find_first_not_of(base == 16 ? "0123456789abcdefABCDEF" : "0123456789") ==
                                           std::string::npos;
                    if (ok) v = static_cast<int>(std::stol(c, nullptr, base)) * (neg ? -1 : 1);
                    ok = ok && v >= 0 && v <= 255;
                }
                if (ok) {
                    s.replace(start, ent.size(), 1, static_cast<char>(HTMLCharTable[v]));
                    i = start + 1;
                    continue;
                }
            } else {
                for (const THTMLEntity& row : HTMLEntities) {
                    if (ent == row.Name) {
                        s.replace(start, ent.size(), "&#" + std::to_string(row.Code) + ";");
                        i = start;
                        break;
                    }
                }
                if (i == start) continue;
            }
        }
        ++i;
    }
    return s;
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, size_t maxLen) {
    std::uniform_int_distribution<size_t> len(0, maxLen), pick(0, alphabet.size() - 1);
    std::string s(len(rng), ' ');
    for (char& c : s) c = alphabet[pick(rng)];
    return s;
}

}  // namespace

TEST(HtmlEntities, OnePassDecoderAgreesWithTheLiteralAlgorithm) {
    std::mt19937 rng(20261207);
    const std::string alphabet = "&&&#;; \n\nxX$0+-1269afAFgnbsplmtuoq\xc9\xff";
    const std::string pieces[] = {"&nbsp;", "&amp;", "&#", "&#x", "&lt;", "&Eacute;", "&AMP;", "&#160;"};
    for (int n = 0; n < 20000; ++n) {
        std::string s = RandomText(rng, alphabet, 24);
        if (n % 2) s.insert(rng() % (s.size() + 1), pieces[rng() % std::size(pieces)]);
        ASSERT_EQ(Decode(s), ReferenceDecode(s)) << "input: " << s;
    }
}

TEST(HtmlParser, RawTextsRebuildTheInputOnRandomPages) {
    std::mt19937 rng(7);
    THTMLParser reused;  // parses every page in turn, as a search object does
    const std::string alphabet = u8"<<>> \"'=&;#\r\n\nab AБ\t\x00\u00A0я"_cp;
    for (int n = 0; n < 3000; ++n) {
        const std::string page = RandomText(rng, alphabet, 200);
        THTMLParser p;
        Parse(p, page);
        std::string joined;
        for (int i = 0; i < p.HTMLElements.Count(); ++i) {
            const THTMLElement* e = p.HTMLElements[i];
            ASSERT_EQ(e->Position, i);
            for (char c : e->Raw) {
                if (c != '\n') joined += c;
            }
            if (const THTMLText* t = AsText(e)) {
                ASSERT_FALSE(t->Raw.empty());
            }
        }
        std::string expected;
        for (char c : page)
            if (c != '<' && c != '>' && c != '\r' && c != '\n') expected += c;
        ASSERT_EQ(joined, expected) << "page: " << page;
        // A parser that has held other pages gives the same elements as a fresh one.
        Parse(reused, page);
        ExpectSameElements(p, reused, page);
    }
}

namespace {

// The scan as the algorithm reads, character by character, with its own tag and parameter split.
struct TRefParam {
    std::string raw, key, value;
};
struct TRefElement {
    bool tag = false;
    std::string raw, name, text;
    std::vector<TRefParam> params;
};

std::string RefUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

TRefParam RefParam(const std::string& raw) {
    TRefParam p{raw, raw, ""};
    const size_t eq = raw.find('=');
    if (eq != std::string::npos) {
        p.key = raw.substr(0, eq);
        std::string v = raw.substr(eq + 1);
        if (v.size() > 1 && v.front() == '\'' && v.back() == '\'')
            v = v.substr(1, v.size() - 2);
        else if (v.size() > 1 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        p.value = v;
    }
    p.key = RefUpper(p.key);
    return p;
}

TRefElement RefTag(const std::string& raw) {
    TRefElement e;
    e.tag = true;
    e.raw = raw;
    const size_t sp = raw.find(' ');
    e.name = RefUpper(raw.substr(0, sp));
    if (sp == std::string::npos) return e;
    size_t i = sp;
    while (i < raw.size()) {
        std::string piece;
        bool quoted = false;
        for (; i < raw.size(); ++i) {
            if (raw[i] == ' ' && !quoted) {
                ++i;  // the blank that ends a piece is skipped
                break;
            }
            if (raw[i] == '"' || raw[i] == '\'') quoted = !quoted;
            piece += raw[i];
        }
        if (!piece.empty()) e.params.push_back(RefParam(piece));
    }
    return e;
}

std::vector<TRefElement> ReferenceParse(const std::vector<std::string>& lines) {
    std::vector<TRefElement> out;
    std::string text, tag;
    bool inTag = false;
    auto closeText = [&] {
        if (inTag || text.empty()) return;
        TRefElement e;
        e.raw = text;
        e.text = ReferenceDecode(text);
        out.push_back(e);
        text.clear();
    };
    auto closeTag = [&] {
        inTag = false;
        out.push_back(RefTag(tag));
        tag.clear();
    };
    for (const std::string& line : lines) {
        for (char c : line) {
            if (c == '<') {
                closeText();
                inTag = true;
            } else if (c == '>') {
                closeTag();
            } else {
                (inTag ? tag : text) += c;
            }
        }
        if (!inTag && !text.empty()) text += '\n';
    }
    if (inTag && !tag.empty()) closeTag();
    closeText();
    return out;
}

}  // namespace

TEST(HtmlParser, ElementsAgreeWithTheLiteralScanOnRandomPages) {
    std::mt19937 rng(2103);
    THTMLParser p;
    static const char kAlphabet[] = "<<>>   \"'==&;#\nab AZ\tx1\xa0\xc0";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    const std::string pieces[] = {"<a href='x y'>", "<input value=\"it's here\">", "&nbsp;", "&#65 ", "<!-- a > b -->",
                                  "<td\nwidth=1>", "\n\n", "<form method=post action=\"/x\">", "&amp;lt;"};
    for (int n = 0; n < 20000; ++n) {
        std::string page = RandomText(rng, alphabet, 80);
        if (n % 2) page.insert(rng() % (page.size() + 1), pieces[rng() % std::size(pieces)]);
        p.Lines.SetText(page);
        std::vector<std::string> lines(p.Lines.begin(), p.Lines.end());
        p.ClearElements();
        p.Execute();
        const std::vector<TRefElement> ref = ReferenceParse(lines);
        ASSERT_EQ(p.HTMLElements.Count(), static_cast<int>(ref.size())) << "page: " << page;
        for (int i = 0; i < p.HTMLElements.Count(); ++i) {
            const TRefElement& r = ref[static_cast<size_t>(i)];
            const THTMLElement* e = p.HTMLElements[i];
            ASSERT_EQ(e->IsTag(), r.tag) << "page: " << page << ", element " << i;
            ASSERT_EQ(e->Raw, r.raw) << "page: " << page << ", element " << i;
            if (const THTMLText* t = AsText(e)) {
                ASSERT_EQ(t->Text, r.text) << "page: " << page << ", element " << i;
                continue;
            }
            const THTMLTag* t = AsTag(e);
            ASSERT_EQ(t->Name, r.name) << "page: " << page;
            ASSERT_EQ(t->Params.size(), r.params.size()) << "page: " << page << ", element " << i;
            for (size_t k = 0; k < r.params.size(); ++k) {
                ASSERT_EQ(t->Params[k].Raw, r.params[k].raw) << "page: " << page;
                ASSERT_EQ(t->Params[k].Key, r.params[k].key) << "page: " << page;
                ASSERT_EQ(t->Params[k].Value, r.params[k].value) << "page: " << page;
            }
        }
    }
}

// Large degenerate inputs parse whole; their speed (linear, not quadratic) is measured in
// bench/web_html (DegenerateBench.cpp), not here.
TEST(HtmlParserComplexity, LargeDegenerateInputsParseWhole) {
    THTMLParser p;
    const std::string blanks(1 << 20, ' ');
    Parse(p, blanks);
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TextAt(p, 0).Text, " ");

    std::string nbsp;
    for (int i = 0; i < 200000; ++i) nbsp += "&nbsp;";
    Parse(p, nbsp);
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TextAt(p, 0).Text.size(), 200001u);

    std::string tag = "<input";
    for (int i = 0; i < 100000; ++i) tag += " p" + std::to_string(i) + "=\"v\"";
    tag += ">";
    Parse(p, tag);
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    ASSERT_EQ(TagAt(p, 0).Params.size(), 100000u);
    EXPECT_EQ(TagAt(p, 0).Params[99999].Key, "P99999");

    const std::string open = "<" + std::string(1 << 20, 'a');
    Parse(p, open);
    ASSERT_EQ(p.HTMLElements.Count(), 1);
    EXPECT_EQ(TagAt(p, 0).Name.size(), size_t(1) << 20);
}
