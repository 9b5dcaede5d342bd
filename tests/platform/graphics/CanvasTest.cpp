// Canvas drawing over bitmaps and the picture container with its class registry.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/graphics/Graphics.h"

namespace {

std::unique_ptr<TBitmap> Make(TPixelFormat f, int w, int h, TColor fill = clWhite) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(f);
    b->SetSize(w, h);
    b->Canvas().Brush.Color = fill;
    b->Canvas().FillRect(Rect(0, 0, w, h));
    return b;
}

// A graphic of another class, drawing a solid colour.
class TSolid : public TGraphic {
public:
    std::string ClassName() const override { return "TSolid"; }
    int Width() const override { return w; }
    int Height() const override { return h; }
    void SetWidth(int v) override { w = v; }
    void SetHeight(int v) override { h = v; }
    bool Empty() const override { return w == 0 || h == 0; }
    void Draw(TCanvas& canvas, const TRect& rect) override {
        canvas.Brush.Color = color;
        canvas.FillRect(rect);
    }
    void LoadFromStream(TStream& s) override { s.ReadBuffer(&color, sizeof color); }
    void SaveToStream(TStream& s) override { s.WriteBuffer(&color, sizeof color); }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TSolid>(); }
    void Assign(TPersistent* source) override {
        if (auto* s = dynamic_cast<TSolid*>(source)) {
            w = s->w, h = s->h, color = s->color;
            return;
        }
        TGraphic::Assign(source);
    }
    int w = 2, h = 2;
    TColor color = RGB(1, 2, 3);
};

}  // namespace

TEST(Canvas, FillRectIsClippedToTheBitmap) {
    auto b = Make(pf24bit, 4, 3);
    b->Canvas().Brush.Color = RGB(9, 8, 7);
    b->Canvas().FillRect(Rect(2, 1, 10, 10));
    EXPECT_EQ(b->GetPixel(1, 1), clWhite);
    EXPECT_EQ(b->GetPixel(2, 1), RGB(9, 8, 7));
    EXPECT_EQ(b->GetPixel(3, 2), RGB(9, 8, 7));
    EXPECT_EQ(b->Canvas().ClipRect(), Rect(0, 0, 4, 3));
    b->Canvas().Brush.Style = bsClear;
    b->Canvas().FillRect(Rect(0, 0, 4, 3));
    EXPECT_EQ(b->GetPixel(0, 0), clWhite);
}

TEST(Canvas, StretchDrawIsNearestNeighbour) {
    auto src = Make(pf24bit, 2, 1);
    src->SetPixel(0, 0, RGB(255, 0, 0));
    src->SetPixel(1, 0, RGB(0, 0, 255));
    auto dst = Make(pf24bit, 4, 2);
    dst->Canvas().StretchDraw(Rect(0, 0, 4, 2), src.get());
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(dst->GetPixel(0, y), RGB(255, 0, 0));
        EXPECT_EQ(dst->GetPixel(1, y), RGB(255, 0, 0));
        EXPECT_EQ(dst->GetPixel(2, y), RGB(0, 0, 255));
        EXPECT_EQ(dst->GetPixel(3, y), RGB(0, 0, 255));
    }
    // Shrinking picks every other pixel.
    auto wide = Make(pf24bit, 4, 1);
    for (int x = 0; x < 4; ++x) wide->SetPixel(x, 0, RGB(static_cast<uint8_t>(x * 10), 0, 0));
    auto small = Make(pf24bit, 2, 1);
    small->Canvas().StretchDraw(Rect(0, 0, 2, 1), wide.get());
    EXPECT_EQ(small->GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(small->GetPixel(1, 0), RGB(20, 0, 0));
}

TEST(Canvas, DrawAtAnOffsetAndPartlyOutside) {
    auto src = Make(pf24bit, 3, 3, RGB(1, 1, 1));
    auto dst = Make(pf24bit, 4, 4);
    dst->Canvas().Draw(2, -1, src.get());
    EXPECT_EQ(dst->GetPixel(1, 0), clWhite);
    EXPECT_EQ(dst->GetPixel(2, 0), RGB(1, 1, 1));
    EXPECT_EQ(dst->GetPixel(3, 1), RGB(1, 1, 1));
    EXPECT_EQ(dst->GetPixel(3, 2), clWhite);
    dst->Canvas().Draw(0, 0, nullptr);
}

TEST(Canvas, CopyRectBetweenCanvasesAndOntoItself) {
    auto a = Make(pf24bit, 4, 4);
    a->SetPixel(0, 0, RGB(5, 5, 5));
    auto b = Make(pf32bit, 4, 4);
    b->Canvas().CopyRect(Rect(2, 2, 4, 4), a->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(b->GetPixel(2, 2), RGB(5, 5, 5));
    EXPECT_EQ(b->GetPixel(3, 3), clWhite);
    a->Canvas().CopyRect(Rect(1, 0, 3, 2), a->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(a->GetPixel(1, 0), RGB(5, 5, 5));
    EXPECT_EQ(a->GetPixel(2, 0), clWhite);
}

TEST(Canvas, EightBitTargetsTakeTheNearestPaletteEntry) {
    PALETTEENTRY e[3] = {{0, 0, 0, 0}, {200, 0, 0, 0}, {0, 0, 200, 0}};
    auto dst = std::make_unique<TBitmap>();
    dst->SetPixelFormat(pf8bit);
    dst->SetPalette(CreatePalette(e, 3));
    dst->SetSize(3, 1);
    auto src = Make(pf24bit, 3, 1);
    src->SetPixel(0, 0, RGB(250, 10, 10));
    src->SetPixel(1, 0, RGB(10, 10, 150));
    src->SetPixel(2, 0, RGB(20, 20, 20));
    dst->Canvas().Draw(0, 0, src.get());
    EXPECT_EQ(dst->ScanLine(0)[0], 1);
    EXPECT_EQ(dst->ScanLine(0)[1], 2);
    EXPECT_EQ(dst->ScanLine(0)[2], 0);
}

TEST(Canvas, IndexesPassUnchangedBetweenEqualColourTables) {
    PALETTEENTRY e[3] = {{7, 7, 7, 0}, {7, 7, 7, 0}, {9, 9, 9, 0}};  // 0 and 1 look alike
    auto src = std::make_unique<TBitmap>();
    src->SetPixelFormat(pf8bit);
    src->SetPalette(CreatePalette(e, 3));
    src->SetSize(1, 1);
    src->ScanLine(0)[0] = 1;
    auto dst = std::make_unique<TBitmap>();
    dst->SetPixelFormat(pf8bit);
    dst->SetPalette(CopyPalette(src->Palette()));
    dst->SetSize(1, 1);
    dst->Canvas().Draw(0, 0, src.get());
    EXPECT_EQ(dst->ScanLine(0)[0], 1);
}

TEST(Canvas, TransparentColourAndMaskKeepTheDestination) {
    auto src = Make(pf24bit, 2, 1, RGB(0, 255, 0));
    src->SetPixel(1, 0, RGB(3, 3, 3));
    src->SetTransparent(true);
    src->SetTransparentColor(RGB(0, 255, 0));
    auto dst = Make(pf24bit, 2, 1);
    dst->Canvas().Draw(0, 0, src.get());
    EXPECT_EQ(dst->GetPixel(0, 0), clWhite);
    EXPECT_EQ(dst->GetPixel(1, 0), RGB(3, 3, 3));

    auto plain = Make(pf24bit, 2, 1, RGB(4, 4, 4));
    auto mask = Make(pf1bit, 2, 1, clBlack);
    mask->SetPixel(1, 0, clWhite);  // bit set: keep the destination
    auto dst2 = Make(pf24bit, 2, 1);
    dst2->Canvas().StretchBlt(Rect(0, 0, 2, 1), *plain, Rect(0, 0, 2, 1), clNone, mask.get());
    EXPECT_EQ(dst2->GetPixel(0, 0), RGB(4, 4, 4));
    EXPECT_EQ(dst2->GetPixel(1, 0), clWhite);
}

TEST(Picture, BitmapReplacesOtherGraphicsAndAssignCopies) {
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(pic.Graphic(), nullptr);
    EXPECT_EQ(pic.Width(), 0);
    TSolid solid;
    pic.Assign(&solid);
    ASSERT_NE(pic.Graphic(), nullptr);
    EXPECT_NE(pic.Graphic(), &solid);
    EXPECT_EQ(pic.Graphic()->ClassName(), "TSolid");
    TBitmap* b = pic.Bitmap();
    EXPECT_EQ(pic.Graphic(), b);
    EXPECT_TRUE(b->Empty());
    b->SetSize(3, 1);
    EXPECT_EQ(pic.Width(), 3);
    EXPECT_GE(changes, 3);

    TPicture other;
    other.Assign(&pic);
    EXPECT_EQ(other.Width(), 3);
    EXPECT_NE(other.Graphic(), pic.Graphic());
    TBitmap target;
    target.Assign(&other);  // a picture copies its graphic into a bitmap
    EXPECT_EQ(target.Width(), 3);
    other.Assign(nullptr);
    EXPECT_EQ(other.Graphic(), nullptr);
    try {
        other.AssignTo(nullptr);  // raises rather than calling through a null target
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign TPicture to nil");
    }
}

TEST(Picture, RegistryByExtensionAndClipboardName) {
    EXPECT_EQ(TPicture::FindFileFormat("bmp").Name, "TBitmap");
    EXPECT_FALSE(TPicture::FindFileFormat("sld"));
    TPicture::RegisterFileFormat("sld", "Solid colour", GraphicClassOf<TSolid>());
    TPicture::RegisterClipboardFormat("Solid Colour", GraphicClassOf<TSolid>());
    EXPECT_EQ(TPicture::FindFileFormat("SLD").Name, "TSolid");
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("solid colour"));
    EXPECT_NE(TPicture::GraphicFilter().find("Solid colour (*.sld)|*.sld"), std::string::npos);

    // A folder of this run's own: concurrent runs must not share one.
    std::string tmpl = (std::filesystem::temp_directory_path() / "va-picture-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const std::string dir = tmpl;
    {
        TSolid s;
        s.color = RGB(4, 5, 6);
        s.SaveToFile(dir + "/x.sld");
        TPicture pic;
        pic.LoadFromFile(dir + "/x.sld");
        ASSERT_NE(pic.Graphic(), nullptr);
        EXPECT_EQ(dynamic_cast<TSolid*>(pic.Graphic())->color, RGB(4, 5, 6));
        try {
            pic.LoadFromFile(dir + "/x.qqq");
            ADD_FAILURE();
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Unknown picture file extension (.qqq)");
        }
    }
    std::filesystem::remove_all(dir);

    TPicture::UnregisterGraphicClass("TSolid");
    EXPECT_FALSE(TPicture::FindFileFormat("sld"));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat("Solid Colour"));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("Bitmap"));
}

TEST(Graphic, EqualsComparesSavedData) {
    TSolid a, b;
    EXPECT_TRUE(a.Equals(&b));
    b.color = 0;
    EXPECT_FALSE(a.Equals(&b));
    TBitmap bmp;
    EXPECT_FALSE(a.Equals(&bmp));
    EXPECT_TRUE(a.Equals(&a));
}

TEST(Graphic, ProgressReachesTheGraphicsAndThePicturesHandler) {
    TPicture pic;
    TSolid solid;
    pic.Assign(&solid);
    std::vector<std::string> seen;
    pic.OnProgress = [&](TObject* sender, TProgressStage stage, uint8_t pct, bool redraw, const TRect& r,
                         const std::string& msg) {
        EXPECT_EQ(sender, pic.Graphic());
        EXPECT_TRUE(r.IsEmpty());
        EXPECT_FALSE(redraw);
        seen.push_back(std::to_string(int(stage)) + ":" + std::to_string(pct) + ":" + msg);
    };
    pic.Graphic()->Progress(pic.Graphic(), psStarting, 0, false, TRect{}, "Loading...");
    pic.Graphic()->Progress(pic.Graphic(), psEnding, 100, false, TRect{}, "Loading...");
    EXPECT_EQ(seen, (std::vector<std::string>{"0:0:Loading...", "2:100:Loading..."}));
    TSolid alone;
    alone.Progress(&alone, psRunning, 50, false, TRect{}, "x");  // no handler: nothing happens
}

TEST(Canvas, ExtremeRectanglesDrawWithoutOverflow) {
    auto src = Make(pf24bit, 2, 2, RGB(7, 7, 7));
    auto dst = Make(pf24bit, 3, 3);
    dst->Canvas().StretchBlt(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), *src, Rect(0, 0, 2, 2));
    EXPECT_EQ(dst->GetPixel(0, 0), RGB(7, 7, 7));
    dst->Canvas().StretchBlt(Rect(0, 0, 3, 3), *src, Rect(-5, -5, 1, 1));  // partly outside the source
    // Both rectangles at the int range's ends: the scaling product passes 2^63.
    auto dst2 = Make(pf24bit, 3, 3);
    dst2->Canvas().StretchBlt(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), *src,
                              Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(dst2->GetPixel(1, 1), RGB(7, 7, 7));  // equal rectangles map pixel to pixel
    EXPECT_EQ(dst2->GetPixel(2, 2), clWhite);       // past the 2 x 2 source
    dst->Canvas().Draw(INT_MAX - 1, 0, src.get());
}
