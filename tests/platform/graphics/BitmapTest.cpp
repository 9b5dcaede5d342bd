// The framework bitmap stand-in: layout, sizes, formats, palettes, copies and files.
#include <gtest/gtest.h>

#include <climits>

#include "platform/graphics/Graphics.h"
#include "support/ErrorOf.h"

namespace {

HPALETTE GreyPalette(int count) {
    std::vector<PALETTEENTRY> e(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t v = static_cast<uint8_t>(count == 1 ? 0 : i * 255 / (count - 1));
        e[static_cast<size_t>(i)] = {v, v, v, 0};
    }
    return CreatePalette(e.data(), count);
}

TBitmap* Make(TPixelFormat f, int w, int h) {
    auto* b = new TBitmap;
    b->SetPixelFormat(f);
    b->SetSize(w, h);
    return b;
}

}  // namespace

TEST(Bitmap, StartsEmptyInTheDeviceFormat) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.Palette(), nullptr);
    EXPECT_EQ(b.ClassName(), "TBitmap");
    EXPECT_EQ(b.TransparentColor(), clDefault);
}

TEST(Bitmap, RowsAreTopDownAndAlignedToFourBytes) {
    EXPECT_EQ(TBitmap::BytesPerScanline(3, 24), 12);
    EXPECT_EQ(TBitmap::BytesPerScanline(5, 8), 8);
    EXPECT_EQ(TBitmap::BytesPerScanline(9, 1), 4);
    EXPECT_EQ(TBitmap::BytesPerScanline(33, 1), 8);
    EXPECT_EQ(TBitmap::BytesPerScanline(3, 4), 4);
    std::unique_ptr<TBitmap> b(Make(pf24bit, 3, 2));
    EXPECT_EQ(b->BytesPerLine(), 12);
    EXPECT_EQ(b->ScanLine(1) - b->ScanLine(0), 12);
    b->SetPixel(2, 1, RGB(1, 2, 3));
    EXPECT_EQ(b->ScanLine(1)[6], 3);  // blue, green, red
    EXPECT_EQ(b->ScanLine(1)[8], 1);
    EXPECT_EQ(ErrorOf([&] { b->ScanLine(2); }), "Scan line index out of range");
    EXPECT_EQ(ErrorOf([&] { b->ScanLine(-1); }), "Scan line index out of range");
    EXPECT_THROW(b->ScanLine(2), EInvalidGraphicOperation);
}

TEST(Bitmap, SizeChangesKeepThePixelsAndFillWhite) {
    std::unique_ptr<TBitmap> b(Make(pf24bit, 2, 2));
    b->SetPixel(0, 0, RGB(10, 20, 30));
    b->SetPixel(1, 1, RGB(40, 50, 60));
    b->SetWidth(3);
    b->SetHeight(3);
    EXPECT_EQ(b->GetPixel(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(b->GetPixel(1, 1), RGB(40, 50, 60));
    EXPECT_EQ(b->GetPixel(2, 0), clWhite);
    EXPECT_EQ(b->GetPixel(0, 2), clWhite);
    b->SetSize(1, 1);
    EXPECT_EQ(b->GetPixel(0, 0), RGB(10, 20, 30));

    // From no width at all: nothing to keep, everything new is white.
    std::unique_ptr<TBitmap> z(Make(pf24bit, 0, 5));
    z->SetWidth(3);
    EXPECT_EQ(z->GetPixel(2, 4), clWhite);

    std::unique_ptr<TBitmap> m(Make(pf1bit, 9, 1));
    m->SetPixel(8, 0, clBlack);
    m->SetWidth(17);
    EXPECT_EQ(m->GetPixel(8, 0), clBlack);
    EXPECT_EQ(m->GetPixel(16, 0), clWhite);
}

TEST(Bitmap, HugeSizesRaiseAndChangeNothing) {
    std::unique_ptr<TBitmap> b(Make(pf32bit, 2, 2));
    EXPECT_EQ(ErrorOf([&] { b->SetSize(INT_MAX, INT_MAX); }), "Invalid bitmap size");
    EXPECT_EQ(ErrorOf([&] { b->SetWidth(1 << 28); }), "Invalid bitmap size");
    EXPECT_EQ(ErrorOf([&] { b->SetSize(-1, 4); }), "Invalid bitmap size");
    EXPECT_EQ(b->Width(), 2);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_THROW(b->TakeImage(pf8bit, 1 << 20, 1 << 20, {}, nullptr), EInvalidGraphic);
}

TEST(Bitmap, NoWidthWithAHugeHeightHoldsNoPixelsAndRefusesToGrowPastTheCap) {
    std::unique_ptr<TBitmap> b(Make(pf24bit, 2, 2));
    b->SetSize(0, INT_MAX);
    EXPECT_EQ(b->Width(), 0);
    EXPECT_EQ(b->Height(), INT_MAX);
    EXPECT_EQ(ErrorOf([&] { b->SetWidth(1); }), "Invalid bitmap size");
    EXPECT_EQ(b->Width(), 0);
    b->SetSize(1, 1);
    EXPECT_EQ(b->ScanLine(0)[0], 0xFF);  // the new area is white
}

TEST(Bitmap, FormatConversionsGoThroughThePalette) {
    std::unique_ptr<TBitmap> b(Make(pf24bit, 3, 1));
    b->SetPixel(0, 0, RGB(0, 0, 0));
    b->SetPixel(1, 0, RGB(120, 130, 140));
    b->SetPixel(2, 0, RGB(250, 250, 250));
    b->SetPalette(GreyPalette(3));  // 0, 127, 255
    b->SetPixelFormat(pf8bit);
    EXPECT_EQ(GetPaletteEntryCount(b->Palette()), 3);
    EXPECT_EQ(b->ScanLine(0)[0], 0);
    EXPECT_EQ(b->ScanLine(0)[1], 1);
    EXPECT_EQ(b->ScanLine(0)[2], 2);
    b->SetPixelFormat(pf32bit);
    EXPECT_EQ(b->GetPixel(1, 0), RGB(127, 127, 127));
    EXPECT_EQ(b->ScanLine(0)[7], 0);

    // Without a palette of its own a palette format takes its default one.
    std::unique_ptr<TBitmap> c(Make(pf24bit, 2, 1));
    c->SetPixel(0, 0, RGB(250, 5, 5));
    c->SetPixel(1, 0, RGB(0, 0, 120));
    c->SetPixelFormat(pf4bit);
    EXPECT_EQ(GetPaletteEntryCount(c->Palette()), 16);
    EXPECT_EQ(c->GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(c->GetPixel(1, 0), RGB(0, 0, 128));
    EXPECT_EQ(c->ScanLine(0)[0], 0x94);  // two pixels per byte, high nibble first
    c->SetPixelFormat(pf8bit);          // 16 entries fit: the indexes stay
    EXPECT_EQ(c->ScanLine(0)[0], 9);
    EXPECT_EQ(c->GetPixel(1, 0), RGB(0, 0, 128));
    c->SetPixelFormat(pf1bit);
    EXPECT_EQ(GetPaletteEntryCount(c->Palette()), 2);
    EXPECT_EQ(c->GetPixel(0, 0), clBlack);

    EXPECT_EQ(ErrorOf([&] { c->SetPixelFormat(pf15bit); }), "Invalid pixel format");
    EXPECT_EQ(ErrorOf([&] { c->SetPixelFormat(pfCustom); }), "Invalid pixel format");
    EXPECT_EQ(c->PixelFormat(), pf1bit);
}

TEST(Bitmap, DeviceFormatIsTwentyFourBits) {
    TBitmap b;
    b.SetSize(2, 1);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.BytesPerLine(), 8);
    b.SetPixel(1, 0, RGB(5, 6, 7));
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.GetPixel(1, 0), RGB(5, 6, 7));
    EXPECT_EQ(b.GetPixel(0, 0), clWhite);
}

TEST(Bitmap, PaletteOwnershipAndStableHandle) {
    std::unique_ptr<TBitmap> b(Make(pf8bit, 1, 1));
    HPALETTE first = b->Palette();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(b->Palette(), first);
    b->SetPixel(0, 0, clWhite);
    EXPECT_EQ(b->Palette(), first);
    HPALETTE mine = GreyPalette(256);
    b->SetPalette(mine);
    EXPECT_EQ(b->Palette(), mine);
    EXPECT_FALSE(IsPalette(first));  // the old one was the bitmap's to free
    b->SetPalette(nullptr);          // a palette format keeps a colour table
    EXPECT_NE(b->Palette(), nullptr);
    EXPECT_FALSE(IsPalette(mine));
    HPALETTE released = b->ReleasePalette();
    EXPECT_TRUE(IsPalette(released));
    EXPECT_NE(b->Palette(), released);
    DeletePalette(released);
    b.reset();
}

TEST(Bitmap, TakeImageHandsOverRowsAndPalette) {
    TBitmap b;
    std::vector<uint8_t> rows = {1, 2, 3, 0, 4, 5, 6, 0};  // two rows of 3 pixels, 4-byte aligned
    HPALETTE p = GreyPalette(256);
    b.TakeImage(pf8bit, 3, 2, rows, p);
    EXPECT_EQ(b.Palette(), p);
    EXPECT_EQ(b.ScanLine(1)[2], 6);
    EXPECT_EQ(b.GetPixel(2, 1), RGB(6, 6, 6));
    EXPECT_EQ(ErrorOf([&] { b.TakeImage(pf24bit, 3, 2, std::vector<uint8_t>(17), nullptr); }),
              "Invalid bitmap size");
    EXPECT_EQ(b.Palette(), p);  // unchanged after a refusal
    HPALETTE refused = GreyPalette(16);
    EXPECT_THROW(b.TakeImage(pf4bit, 3, 2, std::vector<uint8_t>(5), refused), EInvalidGraphic);
    EXPECT_FALSE(IsPalette(refused));  // freed, not leaked
    EXPECT_EQ(b.Palette(), p);
}

TEST(Bitmap, ARaisingChangeHandlerLeavesTheLoadedPaletteToTheBitmap) {
    std::unique_ptr<TBitmap> a(Make(pf8bit, 2, 2));
    TMemoryStream s;
    a->SaveToStream(s);
    s.SetPosition(0);
    TBitmap b;
    b.OnChange = [](TObject*) { throw Exception("handler failed"); };
    EXPECT_THROW(b.LoadFromStream(s), Exception);
    EXPECT_TRUE(IsPalette(b.Palette()));
    EXPECT_EQ(GetPaletteEntryCount(b.Palette()), 256);
}

TEST(Bitmap, TransparentColourAutoAndFixed) {
    std::unique_ptr<TBitmap> b(Make(pf24bit, 2, 2));
    b->SetPixel(0, 1, RGB(9, 9, 9));
    EXPECT_EQ(b->TransparentColor(), RGB(9, 9, 9));  // bottom-left pixel
    b->SetTransparentColor(RGB(1, 2, 3));
    EXPECT_EQ(b->TransparentMode(), tmFixed);
    EXPECT_EQ(b->TransparentColor(), RGB(1, 2, 3));
    b->SetTransparentMode(tmAuto);
    EXPECT_EQ(b->TransparentColor(), RGB(9, 9, 9));
}

TEST(Bitmap, ChangesFireOnChange) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &b);
        ++changes;
    };
    b.SetSize(2, 2);
    b.SetPixelFormat(pf8bit);
    b.Canvas().FillRect(Rect(0, 0, 1, 1));
    b.SetTransparent(true);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(b.Modified());
}

TEST(Bitmap, AssignCopiesAndRefusesStrangers) {
    std::unique_ptr<TBitmap> a(Make(pf8bit, 2, 1));
    a->SetPalette(GreyPalette(256));
    a->ScanLine(0)[1] = 77;
    TBitmap b;
    b.Assign(a.get());
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_NE(b.Palette(), a->Palette());
    EXPECT_EQ(b.GetPixel(1, 0), RGB(77, 77, 77));
    a->ScanLine(0)[1] = 1;
    EXPECT_EQ(b.ScanLine(0)[1], 77);

    TCanvas& canvas = b.Canvas();
    EXPECT_EQ(ErrorOf([&] { b.Assign(&canvas); }), "Cannot assign TCanvas to TBitmap");
    EXPECT_THROW(b.Assign(&canvas), EConvertError);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, SavesAndLoadsBitmapFilesInEveryFormat) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        std::unique_ptr<TBitmap> a(Make(f, 5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) a->SetPixel(x, y, (x + y) % 2 ? clBlack : RGB(255, 0, 0));
        TMemoryStream s;
        a->SaveToStream(s);
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(s);
        EXPECT_EQ(b.PixelFormat(), f);
        ASSERT_EQ(b.Width(), 5);
        ASSERT_EQ(b.Height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, y), a->GetPixel(x, y)) << int(f);
    }
}

TEST(Bitmap, BadBitmapFilesRaiseAndNeverAllocateWhatIsNotThere) {
    std::unique_ptr<TBitmap> a(Make(pf24bit, 4, 4));
    TMemoryStream good;
    a->SaveToStream(good);
    const std::vector<uint8_t> bytes = good.Bytes();

    auto load = [](std::vector<uint8_t> data) {
        TMemoryStream s;
        s.Write(data.data(), static_cast<int64_t>(data.size()));
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(s);
    };
    for (size_t cut : {size_t{0}, size_t{10}, size_t{30}, bytes.size() - 1})
        EXPECT_EQ(ErrorOf([&] { load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)); }),
                  "Bitmap image is not valid");
    std::vector<uint8_t> huge = bytes;
    huge[18] = huge[19] = huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31 - 1
    EXPECT_THROW(load(huge), EInvalidGraphic);
    std::vector<uint8_t> big = bytes;
    big[18] = 0, big[19] = 0x40, big[20] = 0, big[21] = 0;  // 16384 x 4: more than the data holds
    EXPECT_EQ(ErrorOf([&] { load(big); }), "Bitmap image is not valid");
    std::vector<uint8_t> rle = bytes;
    rle[30] = 1;
    EXPECT_EQ(ErrorOf([&] { load(rle); }), "Bitmap image is not valid");
}
