// Saving GIFs: bitmaps of up to 256 colours through TGIFImage, and the loader's save of 8-bit and
// 24-bit pictures, every file read back by giflib.
#include <gtest/gtest.h>

#include "GifTestSupport.h"
#include "GiflibOracle.h"
#include "imaging/BaseStream.h"
#include "imaging/gif/GIFLoader.h"
#include "imaging/LinearBitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

uint32_t Rgb(TColor c) {
    return static_cast<uint32_t>(GetRValue(c)) << 16 | static_cast<uint32_t>(GetGValue(c)) << 8 | GetBValue(c);
}

// What giflib reads, and the colour (0xRRGGBB) of a frame's pixel; ok false when it refuses.
struct GiflibImage : GiflibFile {
    bool ok = false;
    uint32_t Colour(size_t f, int x, int y) const {
        const GiflibFrame& fr = frames.at(f);
        const GifColorType& c = fr.colours.at(fr.pixels.at(static_cast<size_t>(y) * fr.width + x));
        return static_cast<uint32_t>(c.Red) << 16 | static_cast<uint32_t>(c.Green) << 8 | c.Blue;
    }
};

GiflibImage ReadBack(const std::string& bytes) {
    GiflibImage g;
    g.ok = GiflibRead(bytes, g);
    return g;
}

std::string Save(TGIFImage& gif) {
    TStringStream s;
    gif.SaveToStream(s);
    return s.DataString();
}

TEST(GIFSave, BitmapsOfUpTo256ColoursReadBackByGiflibInTheirColours) {
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf24bit}) {
        SCOPED_TRACE(static_cast<int>(format));
        TBitmap b;
        b.SetPixelFormat(format);
        const int colours = format == pf1bit ? 2 : format == pf4bit ? 16 : 256;
        if (format != pf24bit) {
            std::vector<PALETTEENTRY> e(static_cast<size_t>(colours));
            for (int i = 0; i < colours; ++i)
                e[static_cast<size_t>(i)] = {static_cast<uint8_t>(i * 7 + 3), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 13), 0};
            b.SetPalette(CreatePalette(e.data(), colours));
        }
        b.SetSize(23, 17);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) {
                const int i = (x * 5 + y * 11) % colours;
                b.SetPixel(x, y, format == pf24bit ? RGB(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), 77)
                                                   : b.ColorTable()[static_cast<size_t>(i)].peRed |
                                                         b.ColorTable()[static_cast<size_t>(i)].peGreen << 8 |
                                                         b.ColorTable()[static_cast<size_t>(i)].peBlue << 16);
            }
        TGIFImage gif;
        gif.ColorReduction = 0;  // 24 bits of at most 256 colours convert as they are
        gif.Assign(&b);
        const GiflibImage lib = ReadBack(Save(gif));
        ASSERT_TRUE(lib.ok);
        ASSERT_EQ(lib.frames.size(), 1u);
        EXPECT_EQ(lib.width, 23);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) ASSERT_EQ(lib.Colour(0, x, y), Rgb(b.GetPixel(x, y))) << x << "," << y;
    }
}

TEST(GIFSave, AddAndWriteData) {
    TGIFImage gif;
    TBitmap a, b;
    for (TBitmap* bm : {&a, &b}) {
        bm->SetPixelFormat(pf1bit);
        bm->SetSize(3, 2);
    }
    b.SetPixel(1, 1, clBlack);
    EXPECT_EQ(gif.Add(&a), 0);
    EXPECT_EQ(gif.Add(&b), 1);
    auto own = std::make_unique<TGIFSubImage>(&gif);
    own->Assign(&a);
    EXPECT_EQ(gif.Add(own.release()), 2);
    EXPECT_EQ(gif.Images().Count(), 3);
    TGIFColorMap* notGraphic = &gif.Header().ColorMap();
    EXPECT_THROW(gif.Add(notGraphic), GIFException);

    TStringStream plain;
    gif.WriteData(plain);
    EXPECT_EQ(plain.DataString(), Save(gif));
    EXPECT_EQ(ReadBack(plain.DataString()).frames.size(), 3u);
    // With the flag, what a frame repeats of its predecessor is merged and cropped away first.
    TGIFImage::OptimizeOnWrite = true;
    TStringStream optimised;
    gif.WriteData(optimised);
    TGIFImage::OptimizeOnWrite = false;
    const GiflibImage lib = ReadBack(optimised.DataString());
    ASSERT_TRUE(lib.ok);
    ASSERT_EQ(lib.frames.size(), 3u);
    EXPECT_EQ(lib.frames[2].width * lib.frames[2].height, 1);  // only the pixel that differs
    EXPECT_EQ(lib.frames[2].left, 1);
    EXPECT_EQ(lib.frames[2].top, 1);
}

// The codec defaults that a 24-bit save changes for every later image, put back afterwards.
struct DefaultsGuard {
    uint8_t reduction = TGIFImage::DefaultColorReduction, dither = TGIFImage::DefaultDitherMode;
    int bits = TGIFImage::DefaultReductionBits;
    ~DefaultsGuard() {
        TGIFImage::DefaultColorReduction = reduction;
        TGIFImage::DefaultDitherMode = dither;
        TGIFImage::DefaultReductionBits = bits;
    }
};

// An 8-bit source: the palette as (r, g, b), pixels by index.
std::unique_ptr<TLinearBitmap> Source8(const std::vector<std::array<uint8_t, 3>>& colours,
                                       const std::vector<std::vector<int>>& rows) {
    auto owned = std::make_unique<TLinearBitmap>();
    TLinearBitmap& b = *owned;
    b.New(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), pf8bit);
    std::fill(b.Palette(), b.Palette() + 768, 0);
    for (size_t i = 0; i < colours.size(); ++i) {
        b.Palette()[i * 3] = colours[i][2];
        b.Palette()[i * 3 + 1] = colours[i][1];
        b.Palette()[i * 3 + 2] = colours[i][0];
    }
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) b.ScanLine(static_cast<int>(y))[x] = static_cast<uint8_t>(rows[y][x]);
    return owned;
}

GiflibImage LoaderSave(TLinearBitmap& b) {
    TStringStream mem;
    TNorvFilterStream dst(mem);
    GIFLoader().SaveToStream(dst, "GIF", b);
    return ReadBack(mem.DataString());
}

// Bits of the saved frame's table: 2 entries for 1 bit, 16 for 4.
size_t TableSize(const GiflibImage& g) { return g.frames.at(0).colours.size(); }

TEST(GIFLoaderSave, EightBitSourcesGoDownToOneOrFourBits) {
    DefaultsGuard guard;
    const std::array<uint8_t, 3> red{200, 0, 0}, blue{0, 0, 220}, black{0, 0, 0}, green{0, 150, 0};
    {
        // Two colours in use, pixels below 2.
        auto b = Source8({red, blue}, {{0, 1, 1}, {1, 0, 0}});
        const GiflibImage g = LoaderSave(*b);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(TableSize(g), 2u);
        EXPECT_EQ(g.Colour(0, 0, 0), 0xC80000u);
        EXPECT_EQ(g.Colour(0, 1, 0), 0x0000DCu);
    }
    {
        // Black among the first 2: pixels of a higher black index take it.
        auto b = Source8({black, blue}, {{0, 1, 7}, {9, 0, 1}});
        const GiflibImage g = LoaderSave(*b);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(TableSize(g), 2u);
        EXPECT_EQ(g.Colour(0, 2, 0), 0u);
        EXPECT_EQ(g.Colour(0, 0, 1), 0u);
        EXPECT_EQ(g.Colour(0, 1, 0), 0x0000DCu);
    }
    {
        // Sixteen entries: pixels below 16, and a black one of index 40 with black at 3.
        std::vector<std::array<uint8_t, 3>> pal;
        for (int i = 0; i < 12; ++i) pal.push_back({static_cast<uint8_t>(i * 20 + 5), static_cast<uint8_t>(i), 9});
        pal[3] = black;
        auto b = Source8(pal, {{0, 5, 11, 40}, {3, 2, 1, 10}});
        const GiflibImage g = LoaderSave(*b);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(TableSize(g), 16u);
        EXPECT_EQ(g.Colour(0, 1, 0), 0x690509u);
        EXPECT_EQ(g.Colour(0, 2, 0), 0xE10B09u);
        EXPECT_EQ(g.Colour(0, 3, 0), 0u);
    }
    {
        // Entries from 2 up black, neither 0 nor 1: pixels of index 5 stay black (4 bits).
        auto b = Source8({red, green}, {{0, 5, 1}, {5, 5, 0}});
        const GiflibImage g = LoaderSave(*b);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(TableSize(g), 16u);
        EXPECT_EQ(g.Colour(0, 1, 0), 0u);
        EXPECT_EQ(g.Colour(0, 0, 1), 0u);
        EXPECT_EQ(g.Colour(0, 0, 0), 0xC80000u);
        EXPECT_EQ(g.Colour(0, 2, 0), 0x009600u);
    }
}

TEST(GIFLoaderSave, TwentyFourBitSourceSetsTheCodecDefaults) {
    DefaultsGuard guard;
    TGIFImage::DefaultColorReduction = 3;
    TGIFImage::DefaultDitherMode = 0;
    TGIFImage::DefaultReductionBits = 4;
    TLinearBitmap b;
    b.New(40, 30, pf24bit);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uint8_t* p = b.ScanLine(y) + x * 3;
            p[0] = static_cast<uint8_t>(x * 6);
            p[1] = static_cast<uint8_t>(y * 8);
            p[2] = static_cast<uint8_t>(x * y);
        }
    const GiflibImage g = LoaderSave(b);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.width, 40);
    EXPECT_EQ(TGIFImage::DefaultColorReduction, 7);
    EXPECT_EQ(TGIFImage::DefaultDitherMode, 1);
    EXPECT_EQ(TGIFImage::DefaultReductionBits, 8);
    EXPECT_GT(g.frames[0].colours.size(), 16u);
    // Dithered near its colours on average.
    int64_t error = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint8_t* p = b.ScanLine(y) + x * 3;
            const uint32_t c = g.Colour(0, x, y);
            error += std::abs(static_cast<int>(c >> 16) - p[2]) + std::abs(static_cast<int>((c >> 8) & 255) - p[1]) +
                     std::abs(static_cast<int>(c & 255) - p[0]);
        }
    EXPECT_LT(error / (40 * 30), 24);
}

}  // namespace
