// The packed-row bitmap: allocation rules, conversions, copies to and from framework bitmaps.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "imaging/LinearBitmap.h"
#include "support/ErrorOf.h"

namespace {

// Restores the size cap after a test lowers it.
struct MaxSizeGuard {
    int64_t saved = TLinearBitmap::MaxSize();
    ~MaxSizeGuard() { TLinearBitmap::SetMaxSize(saved); }
};

std::vector<uint8_t> Pixels(const TLinearBitmap& b) { return std::vector<uint8_t>(b.Map(), b.Map() + b.Size()); }

}  // namespace

TEST(LinearBitmapNew, ChecksFormatBeforeSizeAndChangesNothingWhenItRaises) {
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { b.New(0, 10, pf24bit); }), "Invalid bitmap size");
    EXPECT_EQ(ErrorOf([&] { b.New(0, 0, pf1bit); }), "Unsupported pixel format");
    EXPECT_FALSE(b.Present());
    EXPECT_EQ(b.PixelFormat(), pfCustom);

    b.New(2, 2, pf24bit);
    std::memset(b.Map(), 0x5A, 12);
    EXPECT_THROW(b.New(-1, 5, pf8bit), ELinearBitmap);
    EXPECT_THROW(b.New(5, 5, pfDevice), ELinearBitmap);
    EXPECT_TRUE(b.Present());
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(Pixels(b), std::vector<uint8_t>(12, 0x5A));
}

TEST(LinearBitmapNew, LayoutAndFields) {
    TLinearBitmap b;
    b.New(5, 3, pf16bit);
    EXPECT_TRUE(b.Present());
    EXPECT_EQ(b.PixelSize(), 2);
    EXPECT_EQ(b.BytesPerLine(), 10);
    EXPECT_EQ(b.Size(), 30);
    EXPECT_EQ(b.Palette(), nullptr);
    EXPECT_EQ(b.ScanLine(2), b.Map() + 20);
    EXPECT_EQ(ErrorOf([&] { b.ScanLine(3); }), "Scan line index out of range");
    b.Clear();
    EXPECT_FALSE(b.Present());
    EXPECT_EQ(b.Map(), nullptr);
    EXPECT_EQ(b.PixelFormat(), pfCustom);
    EXPECT_EQ(b.Width(), 0);
}

TEST(LinearBitmapNew, SameSizeKeepsPixelsAndAnotherSizeKeepsThePalette) {
    TLinearBitmap b;
    b.New(4, 4, pf8bit);
    std::memset(b.Map(), 7, 16);
    for (int i = 0; i < 768; ++i) b.Palette()[i] = static_cast<uint8_t>(i % 251);
    uint8_t* map = b.Map();
    b.New(4, 4, pf8bit);
    EXPECT_EQ(b.Map(), map);
    EXPECT_EQ(Pixels(b), std::vector<uint8_t>(16, 7));

    b.New(9, 2, pf8bit);
    for (int i = 0; i < 768; ++i) ASSERT_EQ(b.Palette()[i], i % 251);
    b.New(9, 2, pf24bit);
    EXPECT_EQ(b.Palette(), nullptr);
}

TEST(LinearBitmapNew, HugeDimensionsRaiseInsteadOfOverflowing) {
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { b.New(INT_MAX, INT_MAX, pf32bit); }), "Invalid bitmap size");
    EXPECT_EQ(ErrorOf([&] { b.New(65536, 65536, pf8bit); }), "Invalid bitmap size");
    EXPECT_EQ(ErrorOf([&] { b.New(1 << 30, 1, pf32bit); }), "Invalid bitmap size");
    EXPECT_FALSE(b.Present());
    b.New(1 << 14, 1 << 14, pf8bit);  // exactly 2^28 bytes is allowed
    EXPECT_EQ(b.Size(), 1 << 28);

    // A raised cap still keeps Size within its int field.
    MaxSizeGuard guard;
    TLinearBitmap::SetMaxSize(int64_t{1} << 40);
    EXPECT_EQ(ErrorOf([&] { b.New(1 << 16, 1 << 15, pf8bit); }), "Invalid bitmap size");
    EXPECT_EQ(b.Size(), 1 << 28);
}

TEST(LinearBitmapFormat, TwentyFourToThirtyTwoAddsAZeroByte) {
    TLinearBitmap b;
    b.New(3, 1, pf24bit);
    const uint8_t px[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::memcpy(b.Map(), px, 9);
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(b.Size(), 12);
    EXPECT_EQ(b.BytesPerLine(), 12);
    EXPECT_EQ(Pixels(b), (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));
    b.Map()[3] = 99;  // the fourth byte is dropped on the way back
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixels(b), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(LinearBitmapFormat, TrueColourToEightBitUsesThe332Cube) {
    TLinearBitmap b;
    b.New(3, 1, pf24bit);
    const uint8_t px[9] = {255, 255, 255, 0x40, 0x40, 0x40, 0xFF, 0x00, 0x80};  // blue, green, red
    std::memcpy(b.Map(), px, 9);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(b.Map()[0], 255);
    EXPECT_EQ(b.Map()[1], 0x49);
    EXPECT_EQ(b.Map()[2], 0x83);  // red 0x80 -> 100, green 0 -> 000, blue 0xFF -> 11
    EXPECT_EQ(b.Palette()[255 * 3], 255);
    EXPECT_EQ(b.Palette()[255 * 3 + 1], 255);
    EXPECT_EQ(b.Palette()[255 * 3 + 2], 255);
    const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(b.Palette()[i * 3], (i & 3) * 85);
        ASSERT_EQ(b.Palette()[i * 3 + 1], levels[(i >> 2) & 7]);
        ASSERT_EQ(b.Palette()[i * 3 + 2], levels[i >> 5]);
    }
}

TEST(LinearBitmapFormat, ThirtyTwoToEightBitInOneStep) {
    TLinearBitmap b;
    b.New(1, 1, pf32bit);
    const uint8_t px[4] = {0x40, 0x40, 0x40, 0xEE};
    std::memcpy(b.Map(), px, 4);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(b.Map()[0], 0x49);
    EXPECT_EQ(b.Size(), 1);
}

TEST(LinearBitmapFormat, SixteenBitGreyTakesTheHighByte) {
    TLinearBitmap b;
    b.New(2, 1, pf16bit);
    const uint8_t px[4] = {0x34, 0x12, 0xFF, 0xAB};  // little-endian samples 0x1234 and 0xABFF
    std::memcpy(b.Map(), px, 4);
    TLinearBitmap c;
    c.Assign(&b);
    c.SetPixelFormat(pf8bit);
    EXPECT_EQ(Pixels(c), (std::vector<uint8_t>{0x12, 0xAB}));
    EXPECT_EQ(std::memcmp(c.Palette(), GrayPalette, 768), 0);
    EXPECT_TRUE(c.IsGrayScale());

    c.Assign(&b);
    c.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixels(c), (std::vector<uint8_t>{0x12, 0x12, 0x12, 0xAB, 0xAB, 0xAB}));
    c.Assign(&b);
    c.SetPixelFormat(pf32bit);
    EXPECT_EQ(Pixels(c), (std::vector<uint8_t>{0x12, 0x12, 0x12, 0, 0xAB, 0xAB, 0xAB, 0}));
    EXPECT_THROW(b.SetPixelFormat(pf16bit == b.PixelFormat() ? pf1bit : pf16bit), ELinearBitmap);
}

TEST(LinearBitmapFormat, EightBitToTrueColourThroughThePalette) {
    TLinearBitmap b;
    b.New(2, 1, pf8bit);
    std::memset(b.Palette(), 0, 768);
    b.Palette()[5 * 3] = 10, b.Palette()[5 * 3 + 1] = 20, b.Palette()[5 * 3 + 2] = 30;
    b.Map()[0] = 5;
    b.Map()[1] = 0;
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixels(b), (std::vector<uint8_t>{10, 20, 30, 0, 0, 0}));
    EXPECT_EQ(b.Palette(), nullptr);
}

TEST(LinearBitmapFormat, UnsupportedTargetsAndEmptyBitmaps) {
    TLinearBitmap b;
    b.SetPixelFormat(pf1bit);  // empty: nothing happens
    EXPECT_FALSE(b.Present());
    b.New(2, 2, pf24bit);
    EXPECT_EQ(ErrorOf([&] { b.SetPixelFormat(pf1bit); }), "Unsupported pixel format");
    EXPECT_EQ(ErrorOf([&] { b.SetPixelFormat(pf16bit); }), "Unsupported pixel format");
    b.SetPixelFormat(pf24bit);  // same format: nothing
    EXPECT_EQ(b.PixelFormat(), pf24bit);
}

TEST(LinearBitmapFormat, AConversionOverTheCapRaisesAndKeepsThePicture) {
    MaxSizeGuard guard;
    TLinearBitmap b;
    b.New(10, 10, pf8bit);
    std::memset(b.Map(), 3, 100);
    TLinearBitmap::SetMaxSize(200);
    EXPECT_EQ(ErrorOf([&] { b.SetPixelFormat(pf32bit); }), "Invalid bitmap size");
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.Size(), 100);
    EXPECT_NE(b.Palette(), nullptr);
    EXPECT_EQ(Pixels(b), std::vector<uint8_t>(100, 3));
}

TEST(LinearBitmap, IsGrayScale) {
    TLinearBitmap b;
    EXPECT_FALSE(b.IsGrayScale());
    b.New(2, 1, pf24bit);
    std::memset(b.Map(), 9, 6);
    EXPECT_TRUE(b.IsGrayScale());
    b.Map()[4] = 10;
    EXPECT_FALSE(b.IsGrayScale());
    b.New(1, 1, pf8bit);
    std::memcpy(b.Palette(), GrayPalette, 768);
    EXPECT_TRUE(b.IsGrayScale());
    b.Palette()[767] = 0;
    EXPECT_FALSE(b.IsGrayScale());
    b.New(1, 1, pf32bit);
    std::memset(b.Map(), 0, 4);
    EXPECT_FALSE(b.IsGrayScale());
}

TEST(LinearBitmap, TakeOverAndPackRows) {
    TLinearBitmap a, b;
    a.New(3, 2, pf8bit);
    uint8_t* map = a.Map();
    b.New(1, 1, pf24bit);
    b.TakeOver(a);
    EXPECT_EQ(b.Map(), map);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_NE(b.Palette(), nullptr);
    EXPECT_FALSE(a.Present());
    EXPECT_EQ(a.Map(), nullptr);
    EXPECT_EQ(a.Palette(), nullptr);
    EXPECT_EQ(a.Width(), 3);  // the other fields keep their values

    // Rows are always packed now that only the bitmap sizes its store: PackRows keeps it as it is.
    TLinearBitmap p;
    p.New(3, 2, pf8bit);
    const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(p.Map(), px, 6);
    const uint8_t* store = p.Map();
    p.PackRows();
    EXPECT_EQ(p.Map(), store);
    EXPECT_EQ(p.BytesPerLine(), 3);
    EXPECT_EQ(Pixels(p), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(LinearBitmapAssign, FromAnotherLinearBitmapAndEmpty) {
    TLinearBitmap a, b;
    a.New(2, 2, pf8bit);
    for (int i = 0; i < 4; ++i) a.Map()[i] = static_cast<uint8_t>(i + 1);
    std::memcpy(a.Palette(), GrayPalette, 768);
    b.Assign(&a);
    EXPECT_EQ(Pixels(b), Pixels(a));
    EXPECT_EQ(std::memcmp(b.Palette(), a.Palette(), 768), 0);
    TLinearBitmap empty;
    b.Assign(&empty);
    EXPECT_FALSE(b.Present());
}

TEST(LinearBitmapAssign, UnknownClassesRaiseCannotAssign) {
    TLinearBitmap b;
    TObject plain;
    EXPECT_EQ(ErrorOf([&] { b.Assign(&plain); }), "Cannot assign TObject to TLinearBitmap");
    b.New(1, 1, pf24bit);
    EXPECT_EQ(ErrorOf([&] { b.AssignTo(&plain); }), "Cannot assign TLinearBitmap to TObject");
}

TEST(LinearBitmapAssign, ToABitmapFromEmptyLeavesItAlone) {
    TLinearBitmap empty;
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(3, 2);
    bmp.SetPixel(1, 1, RGB(1, 2, 3));
    empty.AssignTo(&bmp);
    EXPECT_EQ(bmp.Width(), 3);
    EXPECT_EQ(bmp.GetPixel(1, 1), RGB(1, 2, 3));
}

TEST(LinearBitmapAssign, RoundTripsThroughABitmapInEveryFormat) {
    for (TPixelFormat f : {pf8bit, pf24bit, pf32bit}) {
        for (int h : {1, 2, 5}) {
            TLinearBitmap a;
            a.New(7, h, f);
            for (int i = 0; i < a.Size(); ++i) a.Map()[i] = static_cast<uint8_t>(i * 13 + h);
            if (f == pf8bit)
                for (int i = 0; i < 768; ++i) a.Palette()[i] = static_cast<uint8_t>(255 - i / 3);
            TBitmap bmp;
            a.AssignTo(&bmp);
            ASSERT_EQ(bmp.PixelFormat(), f);
            ASSERT_EQ(bmp.Width(), 7);
            ASSERT_EQ(bmp.Height(), h);
            TLinearBitmap back;
            back.Assign(&bmp);
            EXPECT_EQ(back.PixelFormat(), f);
            EXPECT_EQ(Pixels(back), Pixels(a)) << "format " << int(f) << " height " << h;
            if (f == pf8bit) {
                EXPECT_EQ(std::memcmp(back.Palette(), a.Palette(), 768), 0);
            }
        }
    }
}

TEST(LinearBitmapAssign, SixteenBitGivesAnEightBitGreyBitmap) {
    TLinearBitmap a;
    a.New(2, 1, pf16bit);
    const uint8_t px[4] = {0x00, 0x80, 0xFF, 0x10};
    std::memcpy(a.Map(), px, 4);
    TBitmap bmp;
    a.AssignTo(&bmp);
    EXPECT_EQ(bmp.PixelFormat(), pf8bit);
    EXPECT_EQ(bmp.ScanLine(0)[0], 0x80);
    EXPECT_EQ(bmp.ScanLine(0)[1], 0x10);
    EXPECT_EQ(bmp.GetPixel(0, 0), RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(GetPaletteEntryCount(bmp.Palette()), 256);
}

TEST(LinearBitmapAssign, CopyToBitmapConvertsOnlyTwoPairs) {
    TLinearBitmap a;
    a.New(2, 1, pf8bit);
    std::memcpy(a.Palette(), GrayPalette, 768);
    a.Map()[0] = 10;
    a.Map()[1] = 200;
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(2, 1);
    a.CopyToBitmap(bmp);
    EXPECT_EQ(bmp.GetPixel(0, 0), RGB(10, 10, 10));
    EXPECT_EQ(bmp.GetPixel(1, 0), RGB(200, 200, 200));
    bmp.SetPixelFormat(pf32bit);
    EXPECT_EQ(ErrorOf([&] { a.CopyToBitmap(bmp); }), "Unsupported pixel format");

    // A bitmap of no width has rows without a store behind them: nothing is copied.
    TBitmap narrow;
    narrow.SetPixelFormat(pf8bit);
    narrow.SetSize(0, 2);
    a.CopyToBitmap(narrow);
    EXPECT_TRUE(narrow.Empty());
}

TEST(LinearBitmapAssign, FromABitmapOfWidthZeroClears) {
    TLinearBitmap a;
    a.New(2, 2, pf24bit);
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(0, 5);
    a.Assign(&bmp);
    EXPECT_FALSE(a.Present());
}

TEST(LinearBitmapAssign, OtherBitmapFormatsAndPicturesBecomeTrueColour) {
    TBitmap mono;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(3, 1);
    mono.SetPixel(0, 0, clBlack);
    mono.SetPixel(2, 0, clBlack);
    TLinearBitmap a;
    a.Assign(&mono);
    EXPECT_EQ(a.PixelFormat(), pf24bit);
    EXPECT_EQ(Pixels(a), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 0, 0, 0}));

    TPicture pic;
    pic.Bitmap()->SetPixelFormat(pf32bit);
    pic.Bitmap()->SetSize(1, 1);
    pic.Bitmap()->SetPixel(0, 0, RGB(9, 8, 7));
    a.Assign(&pic);  // through a temporary bitmap, and 32 bits become 24 on this road
    EXPECT_EQ(a.PixelFormat(), pf24bit);
    EXPECT_EQ(Pixels(a), (std::vector<uint8_t>{7, 8, 9}));

    TLinearBitmap b;
    b.Assign(pic.Bitmap());  // a 32-bit bitmap itself is copied directly
    EXPECT_EQ(b.PixelFormat(), pf32bit);
}

TEST(LinearBitmapAssign, ToAPictureFillsItsBitmap) {
    TLinearBitmap a;
    a.New(2, 1, pf24bit);
    const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(a.Map(), px, 6);
    TPicture pic;
    a.AssignTo(&pic);
    ASSERT_NE(pic.Bitmap(), nullptr);
    EXPECT_EQ(pic.Width(), 2);
    EXPECT_EQ(pic.Bitmap()->GetPixel(1, 0), RGB(6, 5, 4));
}

TEST(LinearBitmapPalette, LoadPaletteFillsTheRestBlackOrUsesGrey) {
    PALETTEENTRY e[16];
    for (int i = 0; i < 16; ++i) e[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 2), 0};
    HPALETTE p = CreatePalette(e, 16);
    uint8_t colors[768];
    std::memset(colors, 0xCC, sizeof colors);
    LoadPalette(p, 256, colors);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(colors[i * 3], i + 2);
        EXPECT_EQ(colors[i * 3 + 1], i + 1);
        EXPECT_EQ(colors[i * 3 + 2], i);
    }
    for (int i = 48; i < 768; ++i) ASSERT_EQ(colors[i], 0);
    DeletePalette(p);
    LoadPalette(nullptr, 256, colors);
    EXPECT_EQ(std::memcmp(colors, GrayPalette, 768), 0);

    HPALETTE made = MakePalette(colors, 256);
    PALETTEENTRY back[256];
    ASSERT_EQ(GetPaletteEntries(made, 0, 256, back), 256);
    EXPECT_EQ(back[77].peRed, 77);
    EXPECT_EQ(back[77].peFlags, PC_RESERVED);
    DeletePalette(made);
}
