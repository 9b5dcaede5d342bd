// The DOM stand-in: cp1251 at the interface, parse options, atomic load and save.
#include <gtest/gtest.h>

#include "platform/Codec.h"
#include "platform/CpLiteral.h"
#include "platform/xml/XMLDoc.h"

namespace {

TXMLDocument Parse(const std::string& utf8) {
    TXMLDocument d;
    d.LoadFromBytes(utf8, "test");
    return d;
}

}  // namespace

TEST(XMLDoc, TextIsCp1251AndSetTextReplacesAllChildren) {
    TXMLDocument d;
    d.LoadFromBytes(Cp1251ToUtf8(u8"<Корень><a>x<b>Привет</b>y<![CDATA[<z>]]></a></Корень>"_cp), "test");
    TXMLNode root = d.DocumentElement();
    EXPECT_EQ(root.NodeName(), u8"Корень"_cp);
    TXMLNode a = root.FindChild("a");
    EXPECT_EQ(a.Text(), u8"xПриветy<z>"_cp);
    a.SetText(u8"Ёж & <ёж>"_cp);
    EXPECT_EQ(a.ChildNodes().Count(), 0);
    EXPECT_EQ(a.Text(), u8"Ёж & <ёж>"_cp);
    EXPECT_EQ(d.SaveToString(), Cp1251ToUtf8(u8"<Корень><a>Ёж &amp; &lt;ёж&gt;</a></Корень>"_cp));
    a.SetText("");
    EXPECT_EQ(d.SaveToString(), Cp1251ToUtf8(u8"<Корень><a/></Корень>"_cp));
}

TEST(XMLDoc, ControlCharactersBecomeBlanks) {
    TXMLDocument d;
    TXMLNode v = d.CreateDocumentElement("r").AddChild("v");
    v.SetText(std::string("a\x00\x01\x08\x0B\x0C\x1F\t\n\rb", 11));
    EXPECT_EQ(v.Text(), std::string("a      \t\n\rb"));
    // cp1251 0x98 is U+0098, which XML allows; it round-trips.
    v.SetText("\x98");
    TXMLDocument back = Parse(d.SaveToString());
    EXPECT_EQ(back.DocumentElement().FindChild("v").Text(), "\x98");
}

TEST(XMLDoc, ListsCountElementsOnly) {
    TXMLDocument d = Parse("<r>\n  <a/>\n  text<!-- c --><?pi x?>\n  <b>1</b>\n  <a>2</a>\n</r>");
    TXMLNodeList list = d.DocumentElement().ChildNodes();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[1].NodeName(), "b");
    EXPECT_EQ(list.FindNode("a"), list[0]);
    EXPECT_FALSE(list.FindNode("A"));
    EXPECT_THROW(list.Nodes(3), EListError);
    EXPECT_THROW(list.Nodes(-1), EListError);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FindNode("a").Text(), "2");
    list.Add("c");
    EXPECT_EQ(list[2].NodeName(), "c");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(XMLDoc, WhitespaceOnlyValueKept) {
    TXMLDocument d = Parse("<r>\r\n <v>  </v>\r\n <w>\t</w>\r\n</r>");
    EXPECT_EQ(d.DocumentElement().FindChild("v").Text(), "  ");
    EXPECT_EQ(d.DocumentElement().FindChild("w").Text(), "\t");
}

TEST(XMLDoc, RootIsFirstElementAfterDeclarationAndComments) {
    TXMLDocument d = Parse("<?xml version=\"1.0\"?>\n<!-- c -->\n<?pi?>\n<!DOCTYPE r>\n<r><a/></r>\n<!-- end -->");
    EXPECT_EQ(d.DocumentElement().NodeName(), "r");
    EXPECT_EQ(d.SaveToString(), "<r><a/></r>");
}

TEST(XMLDoc, Encodings) {
    const std::string cp = u8"<r>Привет</r>"_cp;
    const std::string utf8 = Cp1251ToUtf8(cp);
    // Declared windows-1251, any case and quote.
    for (const char* decl : {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>",
                             "<?xml version='1.0' encoding = 'WINDOWS-1251' ?>"}) {
        TXMLDocument d;
        d.LoadFromBytes(std::string(decl) + cp, "t");
        EXPECT_EQ(d.DocumentElement().Text(), u8"Привет"_cp) << decl;
    }
    TXMLDocument bom;
    bom.LoadFromBytes("\xEF\xBB\xBF" + utf8, "t");
    EXPECT_EQ(bom.DocumentElement().Text(), u8"Привет"_cp);
    std::u16string u16 = Cp1251ToUtf16(cp);
    std::string le = "\xFF\xFE";
    for (char16_t c : u16) le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    TXMLDocument utf16;
    utf16.LoadFromBytes(le, "t");
    EXPECT_EQ(utf16.DocumentElement().Text(), u8"Привет"_cp);
    // Bytes that are not UTF-8 are refused at their offset; a letter without a cp1251 byte reads as '?'.
    TXMLDocument bad;
    EXPECT_THROW(bad.LoadFromBytes("<r>a\xC0\xAF" "b</r>", "t"), EDOMParseError);
    // The offset is that of the sequence's first byte, after the BOM when there is one; the
    // ASCII run before it is long enough to be skipped word by word.
    const std::string run = "<r>" + std::string(13, 'a');
    const std::pair<std::string, int> badAt[] = {
        {run + "\xD0\x9F\xC0\xAF</r>", 18},         // overlong, after a good letter
        {run + "\xED\xA0\x80</r>", 16},             // encoded surrogate
        {run + "\xF4\x90\x80\x80</r>", 16},         // above U+10FFFF
        {run + "\xE2\x82</r>", 16},                 // cut short before ASCII
        {run + "\x80</r>", 16},                     // stray continuation
        {"\xEF\xBB\xBF" + run + "\xF5</r>", 19},    // never a lead byte
        {"<r/>\xE2\x82", 4},                       // cut short at the end
    };
    for (const auto& [bytes, offset] : badAt) {
        try {
            bad.LoadFromBytes(bytes, "t");
            ADD_FAILURE() << "accepted: " << bytes;
        } catch (const EDOMParseError& e) {
            EXPECT_NE(e.Message().find("at offset " + std::to_string(offset)), std::string::npos) << e.Message();
        }
    }
    bad.LoadFromBytes("<r>a\xE4\xB8\xAD" "b</r>", "t");
    EXPECT_EQ(bad.DocumentElement().Text(), "a?b");
    // Declared 8-bit encodings other than windows-1251 go through iconv.
    TXMLDocument koi;
    koi.LoadFromBytes("<?xml version='1.0' encoding='koi8-r'?><r>\xF0\xD2\xC9\xD7\xC5\xD4</r>", "t");
    EXPECT_EQ(koi.DocumentElement().Text(), u8"Привет"_cp);
    EXPECT_EQ(koi.SaveToString(), "<r>" + utf8.substr(3, utf8.size() - 7) + "</r>");
    // Text that outgrows the first guess of the converted size; a byte the encoding lacks.
    koi.LoadFromBytes("<?xml version='1.0' encoding='koi8-r'?><r>" + std::string(3000, '\xF0') + "</r>", "t");
    EXPECT_EQ(koi.DocumentElement().Text(), std::string(3000, u8"П"_cp[0]));
    const std::string ascii = "<?xml version='1.0' encoding='us-ascii'?><r>";
    try {
        bad.LoadFromBytes(ascii + "a\xC3</r>", "t");
        ADD_FAILURE() << "accepted a byte that ASCII lacks";
    } catch (const EDOMParseError& e) {
        EXPECT_NE(e.Message().find("at offset " + std::to_string(ascii.size() + 1)), std::string::npos) << e.Message();
    }
}

TEST(XMLDoc, ParseErrorKeepsTheDocument) {
    TXMLDocument d = Parse("<r><a>1</a></r>");
    using namespace std::string_literals;
    // The last ones are byte-order marks with nothing, or half a character, behind them.
    for (const std::string& bad : {""s, "   "s, "<r><a>"s, "<r></x>"s, "<!-- only a comment -->"s, "<r>&bogus;</r>x<"s,
                                   "\xEF\xBB\xBF"s, "\xEF\xBB"s, "\xFF\xFE"s, "\xFE\xFF\0"s, "\xFF\xFE<\0r\0>"s,
                                   "<?xml version='1.0' encoding='windows-1251'?>"s, "<?xml encoding=\"windows-1251"s}) {
        try {
            d.LoadFromBytes(bad, "Name.xml");
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const EDOMParseError& e) {
            EXPECT_NE(e.Message().find("Name.xml"), std::string::npos);
            EXPECT_NE(e.Message().find("at offset"), std::string::npos);
        }
        EXPECT_EQ(d.DocumentElement().FindChild("a").Text(), "1");
    }
    EXPECT_THROW(d.LoadFromFile("/nonexistent/folder/file.xml"), EFOpenError);
}

TEST(XMLDoc, LoadedControlCharactersReadAndSaveAsBlanks) {
    // A lenient parse lets them in as references or raw bytes; no strict reader would accept them back.
    TXMLDocument d = Parse("<r a=\"p&#2;q\"><v>a&#1;b&#x1F;c&#9;d</v><c><![CDATA[x\x01y]]></c><w>e\x02" "f</w></r>");
    TXMLNode r = d.DocumentElement();
    EXPECT_EQ(r.FindChild("v").Text(), "a b c\td");
    EXPECT_EQ(r.FindChild("c").Text(), "x y");
    EXPECT_EQ(r.FindChild("w").Text(), "e f");
    EXPECT_EQ(d.SaveToString(), "<r a=\"p q\"><v>a b c\td</v><c><![CDATA[x y]]></c><w>e f</w></r>");

    // A raw byte alone, early, late or in the last few bytes of the text; and UTF-16 text.
    for (size_t pad : {0u, 63u, 64u, 200u}) {
        const std::string blanks(pad, ' ');
        TXMLDocument raw = Parse("<r>" + blanks + "<v>a\x1B" "b</v>" + blanks + "</r>");
        EXPECT_EQ(raw.DocumentElement().FindChild("v").Text(), "a b") << pad;
    }
    std::string le = "\xFF\xFE";
    for (char c : std::string("<r><v>a&#1;b\x02" "c</v></r>")) le += {c, '\0'};
    EXPECT_EQ(Parse(le).DocumentElement().FindChild("v").Text(), "a b c");

    // Text that turns blank beside other nodes goes, as the blanks between elements go at every
    // load, so that the saved file reads back the same; text that a comment split is one value.
    const std::pair<std::string, std::string> blanks[] = {
        {"<r>\n\x0B<a/>&#32;<b/>&#9;<!--c--><![CDATA[x]]>&#13;<c/></r>", "<r><a/><b/><![CDATA[x]]>&#13;<c/></r>"},
        {"<r>a<!--c-->\x0B<b/></r>", "<r>a <b/></r>"},
        {"<r>&#32;<!--c-->&#13;</r>", "<r> &#13;</r>"},
    };
    for (const auto& [in, saved] : blanks) {
        EXPECT_EQ(Parse(in).SaveToString(), saved) << in;
        EXPECT_EQ(Parse(saved).SaveToString(), saved) << in;
    }
}

TEST(XMLDoc, DeeplyNestedTextIsCollectedWithoutRecursion) {
    const int depth = 1000000;
    std::string xml = "<r>";
    for (int i = 0; i < depth; ++i) xml += "<a>";
    xml += "x";
    for (int i = 0; i < depth; ++i) xml += "</a>";
    xml += "y</r>";
    TXMLDocument d = Parse(xml);
    EXPECT_EQ(d.DocumentElement().Text(), "xy");
}

TEST(XMLDoc, ElementIterationRemovalAndTheChangeCount) {
    TXMLDocument d = Parse("<r>t<a/><!-- c --><b>x</b>u<c/></r>");
    TXMLDocument other = Parse("<r><a/></r>");
    TXMLNode r = d.DocumentElement();
    std::vector<std::string> names;
    for (TXMLNode c = r.FirstChild(); c; c = c.NextSibling()) names.push_back(c.NodeName());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(r.FindChild("b").FirstChild());
    EXPECT_FALSE(TXMLNode().FirstChild());

    // Reading moves nothing; every change does, and only in its own document.
    uint64_t seen = d.ChangeCount();
    const uint64_t otherSeen = other.ChangeCount();
    (void)r.Text();
    (void)r.ChildNodes().Count();
    EXPECT_EQ(d.ChangeCount(), seen);
    auto moved = [&] {
        const bool m = d.ChangeCount() != seen;
        seen = d.ChangeCount();
        return m;
    };
    r.FindChild("b").SetText("y");
    EXPECT_TRUE(moved());
    r.FindChild("b").AddChild("n");
    EXPECT_TRUE(moved());
    r.RemoveChild(other.DocumentElement().FirstChild());  // not a child: nothing happens
    EXPECT_FALSE(moved());
    EXPECT_EQ(other.DocumentElement().ChildNodes().Count(), 1);
    r.RemoveChild(r.FindChild("b"));
    EXPECT_TRUE(moved());
    EXPECT_EQ(d.SaveToString(), "<r>t<a/>u<c/></r>");
    r.ChildNodes().Delete(0);
    EXPECT_TRUE(moved());
    r.ChildNodes().Add("z");
    EXPECT_TRUE(moved());
    r.RemoveChildren();
    EXPECT_TRUE(moved());
    EXPECT_EQ(d.SaveToString(), "<r/>");
    d.LoadFromBytes("<r/>", "t");
    EXPECT_TRUE(moved());
    EXPECT_THROW(d.LoadFromBytes("<r>", "t"), EDOMParseError);
    EXPECT_FALSE(moved());
    d.CreateDocumentElement("s");
    EXPECT_TRUE(moved());
    EXPECT_EQ(other.ChangeCount(), otherSeen);
    // A fresh document never repeats a value seen before.
    TXMLDocument fresh;
    EXPECT_GT(fresh.ChangeCount(), d.ChangeCount());
    EXPECT_GT(fresh.ChangeCount(), other.ChangeCount());
}
