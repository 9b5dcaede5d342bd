// The clipboard's in-memory back end and bitmap exchange, the icon and metafile graphics, the
// canvas validity token and the replaceable clock.
#include <gtest/gtest.h>

#include "platform/graphics/Graphics.h"

namespace {

std::unique_ptr<TBitmap> Filled(int w, int h, TColor fill) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas().Brush.Color = fill;
    b->Canvas().FillRect(Rect(0, 0, w, h));
    return b;
}

struct MemoryClipboard : ::testing::Test {
    void SetUp() override { SetClipboardBackend(std::make_unique<TMemoryClipboard>()); }
    void TearDown() override { SetClipboardBackend(nullptr); }
};

TEST_F(MemoryClipboard, BitmapRoundTripKeepsPixelsAndIsACopy) {
    auto b = Filled(3, 2, RGB(10, 20, 30));
    b->SetPixel(2, 1, RGB(200, 0, 5));
    b->SaveToClipboard();
    b->SetPixel(0, 0, clBlack);  // later changes do not reach the clipboard
    TBitmap back;
    back.LoadFromClipboard();
    ASSERT_EQ(back.Width(), 3);
    ASSERT_EQ(back.Height(), 2);
    EXPECT_EQ(back.GetPixel(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(back.GetPixel(2, 1), RGB(200, 0, 5));
}

TEST_F(MemoryClipboard, RegisteredFormatsHoldBytesBesideTheBitmap) {
    const unsigned gif = RegisterClipboardFormat("GIF Image");
    EXPECT_EQ(GetClipboardData(gif), nullptr);
    ASSERT_TRUE(SetClipboardData(gif, MakeClipboardBytes({'G', 'I', 'F'})));
    Filled(1, 1, clWhite)->SaveToClipboard();  // empties first
    EXPECT_EQ(GetClipboardData(gif), nullptr);
    ASSERT_TRUE(SetClipboardData(gif, MakeClipboardBytes({'G', 'I', 'F'})));
    ASSERT_NE(GetClipboardData(CF_BITMAP), nullptr);
    EXPECT_EQ(GetClipboardData(gif)->Bytes, (std::vector<uint8_t>{'G', 'I', 'F'}));
    EXPECT_FALSE(SetClipboardData(gif, nullptr));
}

TEST_F(MemoryClipboard, UnsupportedFormatsRaise) {
    TBitmap b;
    EXPECT_THROW(b.LoadFromClipboard(), EInvalidGraphic);  // nothing there
    const unsigned other = RegisterClipboardFormat("Other");
    SetClipboardData(other, MakeClipboardBytes({1}));
    try {
        b.LoadFromClipboardFormat(other, nullptr, nullptr);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unsupported clipboard format");
    }
    // Bytes under the bitmap format are no bitmap either.
    EXPECT_THROW(b.LoadFromClipboardFormat(CF_BITMAP, MakeClipboardBytes({1}), nullptr),
                 EInvalidGraphic);
    TMetafile m;
    unsigned f = 0;
    HCLIPDATA d;
    HPALETTE p = nullptr;
    EXPECT_THROW(m.SaveToClipboardFormat(f, d, p), EInvalidGraphic);
}

TEST_F(MemoryClipboard, SaveGivesTheBitmapsPaletteAsACopy) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(2, 2);
    unsigned f = 0;
    HCLIPDATA d;
    HPALETTE p = nullptr;
    b.SaveToClipboardFormat(f, d, p);
    EXPECT_EQ(f, CF_BITMAP);
    ASSERT_TRUE(d && d->Bitmap);
    EXPECT_EQ(d->Bitmap->PixelFormat(), pf8bit);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p, b.Palette());
    EXPECT_EQ(GetPaletteEntryCount(p), 256);
    DeletePalette(p);
}

TEST(Icon, DrawsThroughItsMask) {
    auto image = Filled(4, 4, RGB(255, 0, 0));
    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(4, 4);
    mask.Canvas().Brush.Color = clBlack;
    mask.Canvas().FillRect(Rect(0, 0, 4, 4));
    mask.SetPixel(0, 0, clWhite);  // transparent corner
    mask.SetPixel(3, 2, clWhite);
    TIcon icon;
    icon.SetImage(*image, mask);
    EXPECT_EQ(icon.Width(), 4);
    EXPECT_FALSE(icon.Empty());
    auto dest = Filled(8, 8, RGB(0, 0, 255));
    dest->Canvas().StretchDraw(Rect(0, 0, 8, 8), &icon);  // doubled
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool hole = (x / 2 == 0 && y / 2 == 0) || (x / 2 == 3 && y / 2 == 2);
            EXPECT_EQ(dest->GetPixel(x, y), hole ? RGB(0, 0, 255) : RGB(255, 0, 0)) << x << "," << y;
        }
    TBitmap wrong;
    wrong.SetSize(2, 2);
    EXPECT_THROW(icon.SetImage(*image, wrong), EInvalidGraphic);
    TIcon copy;
    copy.Assign(&icon);
    EXPECT_EQ(copy.Mask().GetPixel(3, 2), clWhite);
}

TEST(Metafile, ReplaysFillsScaledAndLeavesTheRest) {
    TMetafile m;
    EXPECT_TRUE(m.Empty());
    m.SetWidth(10);
    m.SetHeight(10);
    EXPECT_FALSE(m.Empty());
    m.FillRect(Rect(0, 0, 5, 10), RGB(0, 255, 0));
    m.FillRect(Rect(8, 8, 20, 20), RGB(1, 2, 3));  // clipped to the metafile
    auto dest = Filled(20, 20, clWhite);
    dest->Canvas().Brush.Color = RGB(9, 9, 9);
    dest->Canvas().StretchDraw(Rect(0, 0, 20, 20), &m);
    EXPECT_EQ(dest->Canvas().Brush.Color, RGB(9, 9, 9));  // the canvas's brush is kept
    EXPECT_EQ(dest->GetPixel(9, 19), RGB(0, 255, 0));
    EXPECT_EQ(dest->GetPixel(10, 0), clWhite);
    EXPECT_EQ(dest->GetPixel(16, 16), RGB(1, 2, 3));
    EXPECT_EQ(dest->GetPixel(19, 19), RGB(1, 2, 3));
    EXPECT_EQ(dest->GetPixel(15, 15), clWhite);
    EXPECT_THROW(m.SaveToStream(*std::make_unique<TMemoryStream>()), EInvalidGraphicOperation);
}

TEST(CanvasToken, ReadsAsNoDeviceContextOnceTheCanvasIsGone) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(1, 1);
    const TCanvasToken token = b->Canvas().Handle();
    EXPECT_EQ(GetObjectType(token), OBJ_DC);
    b.reset();
    EXPECT_EQ(GetObjectType(token), 0);
    EXPECT_EQ(GetObjectType(TCanvasToken()), 0);
}

TEST(TimeSource, ReplacesTheClockBehindTimeGetTime) {
    uint32_t now = 4000000000u;
    SetTimeSource([&] { return now; });
    EXPECT_EQ(timeGetTime(), 4000000000u);
    now += 500;
    EXPECT_EQ(timeGetTime(), 4000000500u);
    SetTimeSource({});
    const uint32_t a = timeGetTime();
    EXPECT_EQ(timeGetTime() - a < 1000u, true);
}

}  // namespace
