// The GIF codec's support routines: checked reads, text as data sub-blocks, the arithmetic, and
// the DIB writer that builds a frame's rows and hands them to a framework bitmap.
#include <gtest/gtest.h>

#include <string>

#include "imaging/gif/GIFSupport.h"
#include "support/ErrorOf.h"

namespace {

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

HPALETTE ThreeColours() {
    PALETTEENTRY e[3] = {{10, 20, 30, PC_NOCOLLAPSE}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    return CreatePalette(e, 3);
}

}  // namespace

TEST(GIFSupport, ReadCheckRaisesAfterConsumingWhatWasThere) {
    TStringStream s(std::string(9, 'x'));
    char buf[10];
    EXPECT_EQ(ErrorOf([&] { ReadCheck(s, buf, 10); }), "Premature end of data");
    EXPECT_EQ(s.Position(), 9);
    EXPECT_THROW(ReadCheck(s, buf, 1), EInvalidGraphic);  // GIFException is a graphic error
    TStringStream t("ab");
    EXPECT_EQ(ReadByte(t), 'a');
    EXPECT_EQ(ReadByte(t), 'b');
    EXPECT_EQ(ReadByte(t), 0);  // none left
}

TEST(GIFSupport, ReadStringsMakesOneLinePerSubBlock) {
    TStringList lines;
    lines.Add("stale");
    TStringStream s(Bytes({3, 'a', 'b', 'c', 2, 'd', 'e', 0, 'Z'}));
    ReadStrings(s, lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], "abc");
    EXPECT_EQ(lines[1], "de");
    EXPECT_EQ(s.Position(), 8);  // stops after the terminator

    TStringStream cut(Bytes({3, 'a', 'b'}));
    EXPECT_EQ(ErrorOf([&] { ReadStrings(cut, lines); }), "Premature end of data");

    TStringStream zero(Bytes({4, 'a', 0, 'b', 'c', 1, 'q'}));  // no terminator: ends quietly
    ReadStrings(zero, lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], "a");  // cut at the zero byte
    EXPECT_EQ(lines[1], "q");
}

TEST(GIFSupport, WriteStringsCutsLinesInto255ByteBlocks) {
    struct Case {
        std::vector<size_t> lines;
        std::vector<int> blocks;  // sizes of the data sub-blocks written
    };
    const Case cases[] = {{{}, {}}, {{300}, {255, 45}}, {{510}, {255, 255}}, {{0, 1, 255}, {1, 255}}};
    for (const Case& c : cases) {
        TStringList in;
        for (size_t i = 0; i < c.lines.size(); ++i) in.Add(std::string(c.lines[i], static_cast<char>('A' + i)));
        TStringStream out;
        WriteStrings(out, in);
        const std::string& d = out.DataString();
        size_t at = 0;
        std::vector<int> blocks;
        while (at < d.size() && d[at] != 0) {
            blocks.push_back(static_cast<uint8_t>(d[at]));
            at += 1 + static_cast<uint8_t>(d[at]);
        }
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_EQ(at + 1, d.size()) << "one 0 byte ends the text";
        // Read back, every block is a line: the long lines come back cut.
        out.SetPosition(0);
        TStringList back;
        ReadStrings(out, back);
        EXPECT_EQ(back.Count(), static_cast<int>(c.blocks.size()));
    }
}

TEST(GIFSupport, Arithmetic) {
    EXPECT_EQ(BytesPerScanline(3, 24, 32), 12);
    EXPECT_EQ(BytesPerScanline(5, 8, 32), 8);
    EXPECT_EQ(BytesPerScanline(9, 1, 32), 4);
    EXPECT_EQ(BytesPerScanline(65535, 24, 32), 196608);
    const std::pair<int, int> res[] = {{0, 0},   {1, 1},   {2, 1},   {3, 2},  {4, 2},   {5, 3},
                                       {256, 8}, {257, 9}, {-1, 1}, {-300, 1}, {4096, 12}};
    for (auto [colors, bits] : res) EXPECT_EQ(ColorResolution(colors), bits) << colors;
}

TEST(GIFSupport, DIBWriterRefusesFormatsAndSizes) {
    TBitmap b;
    EXPECT_EQ(ErrorOf([&] { TDIBWriter w(b, pf4bit, 1, 1, nullptr); }), "Unsupported PixelFormat");
    EXPECT_EQ(ErrorOf([&] { TDIBWriter w(b, pf32bit, 1, 1, nullptr); }), "Unsupported PixelFormat");
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 5}, {5, -1}})
        EXPECT_EQ(ErrorOf([&] { TDIBWriter d(b, pf8bit, w, h, nullptr); }), "Invalid image dimensions");
    EXPECT_THROW(TDIBWriter(b, pf8bit, 0, 1, nullptr), GIFException);

    // 65535 x 65535 at 8 bits is over the cap: refused before allocating, in 64-bit arithmetic.
    TDIBWriter huge(b, pf8bit, 65535, 65535, nullptr);
    try {
        huge.ScanLine(0);
        ADD_FAILURE() << "no error";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), "Failed to allocate memory for GIF DIB");
    }
    TDIBWriter small(b, pf24bit, 2, 10, nullptr);
    EXPECT_THROW(small.ScanLine(10), EInvalidGraphicOperation);
    EXPECT_EQ(ErrorOf([&] { small.ScanLine(-1); }), "Scan line index out of range");
}

TEST(GIFSupport, DIBWriterWithoutRowsLeavesTheBitmapAlone) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    b.SetPixel(1, 1, RGB(1, 2, 3));
    HPALETTE p = ThreeColours();
    { TDIBWriter w(b, pf8bit, 10, 10, p); }
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(1, 1), RGB(1, 2, 3));
    EXPECT_TRUE(IsPalette(p));
    DeletePalette(p);
}

TEST(GIFSupport, DIBWriterHandsRowsTopDownWithItsOwnColourTable) {
    TBitmap b;
    HPALETTE p = ThreeColours();
    {
        TDIBWriter w(b, pf8bit, 5, 10, p);
        EXPECT_EQ(w.BitsSize(), 0);  // nothing before the first row
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 5; ++x) w.ScanLine(y)[x] = static_cast<uint8_t>(y * 10 + x);
        EXPECT_EQ(w.BitsSize(), 8 * 10);
    }
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 10);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.ScanLine(0)[0], 0);   // ScanLine(0) is the top row
    EXPECT_EQ(b.ScanLine(9)[4], 94);  // ScanLine(9) the bottom one
    EXPECT_EQ(b.ScanLine(3)[2], 32);
    // The bitmap got a 256-entry copy: the caller's three colours, then black.
    ASSERT_NE(b.Palette(), p);
    EXPECT_TRUE(IsPalette(p));
    EXPECT_EQ(GetPaletteEntryCount(b.Palette()), 256);
    const auto table = b.ColorTable();
    EXPECT_EQ(table[1].peRed, 40);
    EXPECT_EQ(table[2].peBlue, 90);
    EXPECT_EQ(table[3].peRed + table[3].peGreen + table[3].peBlue + table[255].peRed, 0);
    EXPECT_EQ(b.GetPixel(2, 0), RGB(70, 80, 90));
    DeletePalette(p);

    TBitmap c;
    {
        TDIBWriter w(c, pf24bit, 2, 2, nullptr);
        uint8_t* row = w.ScanLine(1);
        row[3] = 7;  // blue, green, red of pixel (1, 1)
        row[4] = 8;
        row[5] = 9;
    }
    EXPECT_EQ(c.PixelFormat(), pf24bit);
    EXPECT_EQ(c.GetPixel(1, 1), RGB(9, 8, 7));
    EXPECT_EQ(c.GetPixel(0, 0), RGB(0, 0, 0));
}

TEST(GIFSupport, DIBReaderConvertsTheCallersBitmap) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    b.SetPixel(1, 0, RGB(255, 0, 0));
    TDIBReader r(b, pf32bit);
    EXPECT_EQ(b.PixelFormat(), pf32bit);
    EXPECT_EQ(r.ScanLine(0)[6], 255);  // red of pixel 1 in blue, green, red, spare
    EXPECT_EQ(r.ScanLine(0), b.ScanLine(0));
}
