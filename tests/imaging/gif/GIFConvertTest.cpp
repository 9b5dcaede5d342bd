// Frames made from framework graphics: bitmaps of every palette depth and 24 bits, icons through
// their mask, metafiles by what they leave unpainted.
#include <gtest/gtest.h>

#include "GifTestSupport.h"
#include "imaging/ColorReduction.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "support/ErrorOf.h"

namespace {

// Records the image's "Converting..." reports.
std::vector<std::pair<TProgressStage, int>>& Converting(TGIFImage& image) {
    static std::vector<std::pair<TProgressStage, int>> seen;
    seen.clear();
    image.OnProgress = [](TObject*, TProgressStage stage, uint8_t percent, bool, const TRect&,
                          const std::string& msg) {
        if (msg == "Converting...") seen.emplace_back(stage, percent);
    };
    return seen;
}

TGIFSubImage* NewFrame(TGIFImage& image) {
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = owned.get();
    image.Images().Add(std::move(owned));
    return f;
}

TEST(GIFConvert, OneBitBitmapKeepsItsTwoEntriesAndPixels) {
    TRecordedGif g;
    TBitmap b;
    b.SetPixelFormat(pf1bit);
    b.SetSize(10, 2);
    PALETTEENTRY e[2] = {{10, 20, 30, 0}, {200, 100, 50, 0}};
    b.SetPalette(CreatePalette(e, 2));
    b.ScanLine(0)[0] = 0xA5;  // 1010 0101
    b.ScanLine(0)[1] = 0x40;  // pixel 9
    b.ScanLine(1)[0] = 0x00;
    auto& progress = Converting(g.image);
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&b);
    ASSERT_EQ(f->ColorMap().Count(), 2);
    EXPECT_EQ(f->ColorMap().Colors(0), RGB(10, 20, 30));
    EXPECT_EQ(f->ColorMap().Colors(1), RGB(200, 100, 50));
    const std::vector<uint8_t> row0(f->Scanline(0), f->Scanline(0) + 10);
    EXPECT_EQ(row0, (std::vector<uint8_t>{1, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(f->Pixels(3, 1), 0);
    EXPECT_FALSE(f->Transparent);
    // Progress reported as converting, from start to end.
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0].first, psStarting);
    EXPECT_EQ(progress[1], (std::pair<TProgressStage, int>{psRunning, 0}));
    EXPECT_EQ(progress[2], (std::pair<TProgressStage, int>{psEnding, 100}));
}

TEST(GIFConvert, FourBitByteGivesHighNibbleFirst) {
    TRecordedGif g;
    TBitmap b;
    b.SetPixelFormat(pf4bit);
    b.SetSize(2, 1);
    b.ScanLine(0)[0] = 0x3A;
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&b);
    EXPECT_EQ(f->Pixels(0, 0), 3);
    EXPECT_EQ(f->Pixels(1, 0), 10);
    EXPECT_EQ(f->ColorMap().Count(), 16);
}

std::unique_ptr<TBitmap> DistinctColours(int n) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(n, 1);
    for (int i = 0; i < n; ++i) b->SetPixel(i, 0, RGB(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)));
    return b;
}

TEST(GIFConvert, TwentyFourBitsKeepColoursInOrderUpTo256) {
    TRecordedGif g;
    g.image.ColorReduction = rdNone;  // 24 bits stay 24 bits
    auto b = DistinctColours(256);
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(b.get());
    ASSERT_EQ(f->ColorMap().Count(), 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(f->Pixels(i, 0), i);
        EXPECT_EQ(f->ColorMap().Colors(i), b->GetPixel(i, 0));
    }
    // A 257th colour overflows; the colours converted so far are red, green, blue all the same.
    auto c = DistinctColours(257);
    auto& progress = Converting(g.image);
    TGIFSubImage* f2 = NewFrame(g.image);
    EXPECT_EQ(ErrorOf([&] { f2->Assign(c.get()); }), "Color table overflow");
    ASSERT_EQ(f2->ColorMap().Count(), 256);
    EXPECT_EQ(f2->ColorMap().Colors(7), RGB(7, 248, 3));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), (std::pair<TProgressStage, int>{psEnding, 0}));
}

TEST(GIFConvert, RepeatedColoursHitTheCacheAndTheMap) {
    TRecordedGif g;
    g.image.ColorReduction = rdNone;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(20, 1);
    const TColor cols[] = {RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0)};
    for (int x = 0; x < 20; ++x) b.SetPixel(x, 0, cols[(x * 7) % 3]);
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&b);
    ASSERT_EQ(f->ColorMap().Count(), 3);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(f->ColorMap().Colors(f->Pixels(x, 0)), b.GetPixel(x, 0));
}

TEST(GIFConvert, TransparentBitmapGetsATransparentBlackEntryUnlessTheMapIsFull) {
    TRecordedGif g;
    g.image.ColorReduction = rdNone;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    b.Canvas().Brush.Color = RGB(0, 255, 0);
    b.Canvas().FillRect(Rect(0, 0, 3, 2));
    b.SetPixel(1, 0, RGB(255, 0, 0));
    b.SetTransparent(true);
    b.SetTransparentMode(tmFixed);
    b.SetTransparentColor(RGB(0, 255, 0));
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&b);
    ASSERT_TRUE(f->Transparent);
    const int t = f->GraphicControlExtension->TransparentColorIndex();
    EXPECT_EQ(f->ColorMap().Colors(t), clBlack);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(f->Pixels(x, y) == t, !(x == 1 && y == 0));

    auto full = DistinctColours(256);
    full->SetTransparent(true);
    full->SetTransparentMode(tmFixed);
    full->SetTransparentColor(full->GetPixel(0, 0));
    TGIFSubImage* f2 = NewFrame(g.image);
    f2->Assign(full.get());
    EXPECT_FALSE(f2->Transparent);
    EXPECT_EQ(f2->ColorMap().Count(), 256);
}

TEST(GIFConvert, IconIsTransparentExactlyUnderItsMask) {
    TRecordedGif g;
    g.image.ColorReduction = rdNone;
    TBitmap pic, mask;
    pic.SetPixelFormat(pf24bit);
    pic.SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) pic.SetPixel(x, y, RGB(static_cast<uint8_t>(x * 60), static_cast<uint8_t>(y * 80), 7));
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(4, 3);
    mask.Canvas().Brush.Color = clBlack;
    mask.Canvas().FillRect(Rect(0, 0, 4, 3));
    mask.SetPixel(0, 0, clWhite);
    mask.SetPixel(3, 2, clWhite);
    mask.SetPixel(2, 1, clWhite);
    TIcon icon;
    icon.SetImage(pic, mask);
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&icon);
    ASSERT_TRUE(f->Transparent);
    const int t = f->GraphicControlExtension->TransparentColorIndex();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool hole = mask.GetPixel(x, y) == clWhite;
            EXPECT_EQ(f->Pixels(x, y) == t, hole) << x << "," << y;
            if (!hole) {
                EXPECT_EQ(f->ColorMap().Colors(f->Pixels(x, y)), pic.GetPixel(x, y));
            }
        }
}

TEST(GIFConvert, MetafileIsTransparentWhereItPaintsNothing) {
    TRecordedGif g;
    g.image.ColorReduction = rdNone;
    TMetafile full;
    full.SetWidth(4);
    full.SetHeight(4);
    full.FillRect(Rect(0, 0, 4, 2), RGB(255, 0, 0));
    full.FillRect(Rect(0, 2, 4, 4), RGB(0, 0, 255));
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&full);
    EXPECT_FALSE(f->Transparent);
    EXPECT_EQ(f->ColorMap().Count(), 2);  // the optimised map, no black added

    TMetafile framed;
    framed.SetWidth(5);
    framed.SetHeight(4);
    framed.FillRect(Rect(1, 1, 4, 3), RGB(9, 9, 9));
    TGIFSubImage* f2 = NewFrame(g.image);
    f2->Assign(&framed);
    ASSERT_TRUE(f2->Transparent);
    const int t = f2->GraphicControlExtension->TransparentColorIndex();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
            EXPECT_EQ(f2->Pixels(x, y) == t, !inside) << x << "," << y;
        }
}

TEST(GIFConvert, PhotoIsReducedByTheImageDefaults) {
    TRecordedGif g;  // quantize to 2^8 colours with the defaults
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) b.SetPixel(x, y, RGB(static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 4), static_cast<uint8_t>((x + y) * 2)));
    TGIFSubImage* f = NewFrame(g.image);
    f->Assign(&b);
    EXPECT_EQ(f->Width(), 64);
    EXPECT_LE(f->ColorMap().Count(), 256);
    EXPECT_GT(f->ColorMap().Count(), 16);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    // Every pixel lands near its colour.
    int far = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const TColor a = f->ColorMap().Colors(f->Pixels(x, y)), c = b.GetPixel(x, y);
            if (std::abs(GetRValue(a) - GetRValue(c)) + std::abs(GetGValue(a) - GetGValue(c)) +
                    std::abs(GetBValue(a) - GetBValue(c)) > 96)
                ++far;
        }
    EXPECT_LT(far, 64 * 64 / 20);
}

}  // namespace
