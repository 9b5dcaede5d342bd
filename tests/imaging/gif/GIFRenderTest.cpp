// Frames into bitmaps and onto canvases, and the photo road: GIF bytes through the loader registry
// into a packed-row bitmap, checked against giflib's reading of the golden corpus.
#include <gtest/gtest.h>

#include <filesystem>

#include "GifTestSupport.h"
#include "GiflibOracle.h"
#include "imaging/gif/GIFLoader.h"
#include "imaging/LinearBitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

const std::string kCorpus = std::string(VA_TEST_DATA_DIR) + "/gif/corpus/";

// The palette-display flag for one test.
struct PaletteDisplay {
    explicit PaletteDisplay(bool on) : saved(GIFPaletteDisplay) { GIFPaletteDisplay = on; }
    ~PaletteDisplay() { GIFPaletteDisplay = saved; }
    bool saved;
};

TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, int width, int height) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = frame.get();
    image.Images().Add(std::move(frame));
    f->SetBoundsR(left, top, width, height);
    return f;
}

void MakeTransparent(TGIFSubImage* f, int index) {
    auto g = std::make_unique<TGIFGraphicControlExtension>(f);
    g->SetTransparent(true);
    g->SetTransparentColorIndex(index);
    f->Extensions().Add(std::move(g));
}

std::string Save(TGIFImage& image) {
    TStringStream s;
    image.SaveToStream(s);
    return s.DataString();
}

// Blue, green, red of the packed bitmap's pixel.
TGIFColor PixelOf(const TLinearBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * b.PixelSize();
    if (b.PixelFormat() == pf8bit) p = b.Palette() + p[0] * 3;
    return TGIFColor{p[2], p[1], p[0]};
}

bool Same(const TGIFColor& a, const GifColorType& b) {
    return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

}  // namespace

TEST(GIFPhotoRoad, EveryCorpusFileGivesFrameZeroAsGiflibReadsIt) {
    const uint64_t threads = TThread::StartCount();  // the road never starts a painter
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        if (entry.path().extension() != ".gif") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const std::string bytes = ReadFile(entry.path().string());
        GiflibFile oracle;
        ASSERT_TRUE(GiflibRead(bytes, oracle));
        ASSERT_FALSE(oracle.frames.empty());
        int width = oracle.width, height = oracle.height;
        for (const GiflibFrame& f : oracle.frames) {
            width = std::max(width, f.left + f.width);
            height = std::max(height, f.top + f.height);
        }
        TLinearBitmap picture;
        TStringStream s(bytes);
        const GiflibFrame& f0 = oracle.frames[0];
        if (f0.colours.empty()) {
            // No colours anywhere: the picture stays empty.
            EXPECT_THROW(picture.LoadFromStream(s, "GIF"), GIFException);
            EXPECT_FALSE(picture.Present());
            continue;
        }
        picture.LoadFromStream(s, "GIF");
        ASSERT_EQ(picture.Width(), width);
        ASSERT_EQ(picture.Height(), height);
        if (f0.width == width && f0.height == height) {
            // A frame covering the screen comes through as itself: its indexes and the file's colours.
            ASSERT_EQ(picture.PixelFormat(), pf8bit);
            for (size_t i = 0; i < f0.colours.size(); ++i) {
                const uint8_t* e = picture.Palette() + i * 3;
                EXPECT_TRUE(e[2] == f0.colours[i].Red && e[1] == f0.colours[i].Green && e[0] == f0.colours[i].Blue);
            }
            for (int y = 0; y < f0.height; ++y)
                ASSERT_EQ(0, std::memcmp(picture.ScanLine(y), &f0.pixels[static_cast<size_t>(y) * f0.width], f0.width));
        } else {
            EXPECT_EQ(picture.PixelFormat(), pf24bit);
        }
        int mismatches = 0;
        for (int y = 0; y < f0.height; ++y)
            for (int x = 0; x < f0.width; ++x) {
                const uint8_t index = f0.pixels[static_cast<size_t>(y) * f0.width + x];
                if (index >= f0.colours.size()) continue;
                if (!Same(PixelOf(picture, f0.left + x, f0.top + y), f0.colours[index])) ++mismatches;
            }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_GE(files, 20);
    EXPECT_EQ(TThread::StartCount(), threads);
}

TEST(GIFPhotoRoad, OffsetFrameWidensTheScreenAndLeavesTheRestWhite) {
    TGIFImage image;
    image.Header().ColorMap().Add(RGB(200, 10, 20));
    image.Header().ColorMap().Add(RGB(5, 6, 7));
    TGIFSubImage* f = AddFrame(image, 0, 0, 20, 20);
    for (int i = 0; i < 400; ++i) f->Data()[i] = static_cast<uint8_t>((i / 20 + i % 20) & 1);
    f->SetBounds(1, 10);
    f->SetBounds(2, 5);
    image.Header().ScreenWidth = 20;
    image.Header().ScreenHeight = 20;
    const std::string bytes = Save(image);

    TLinearBitmap picture;
    TStringStream s(bytes);
    picture.LoadFromStream(s, "GIF");
    ASSERT_EQ(picture.Width(), 30);
    ASSERT_EQ(picture.Height(), 25);
    ASSERT_EQ(picture.PixelFormat(), pf24bit);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 30; ++x) {
            const TGIFColor c = PixelOf(picture, x, y);
            TColor want = clWhite;
            if (x >= 10 && y >= 5) want = ((x - 10 + y - 5) & 1) ? RGB(5, 6, 7) : RGB(200, 10, 20);
            ASSERT_EQ(TGIFColorMap::ToColor(c), want) << x << "," << y;
        }
}

namespace {

// Two frames, no colour table anywhere, the second transparent.
std::string Colourless() {
    TGIFImage image;
    AddFrame(image, 0, 0, 2, 2);
    TGIFSubImage* second = AddFrame(image, 0, 0, 2, 2);
    MakeTransparent(second, 0);
    return Save(image);
}

}  // namespace

TEST(GIFPhotoRoad, ImageWithoutColourTablesFailsAndLeavesNothingBehind) {
    const std::string bytes = Colourless();
    {
        TLinearBitmap picture;
        picture.New(3, 3, pf24bit);
        TStringStream s(bytes);
        try {
            picture.LoadFromStream(s, "GIF");
            FAIL() << "loaded";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "No global or local color table defined");
        }
        EXPECT_FALSE(picture.Present());
    }
    {
        // Straight to the loader: the bitmap and the transparent colour stay as they were.
        const LoadOverAPicture load(bytes);
        EXPECT_NE(load.error, "");
        EXPECT_TRUE(load.untouched);
    }
    {
        // No half-built bitmap is kept to pass for the picture.
        TRecordedGif gif;
        ASSERT_EQ(gif.Load(bytes), "");
        EXPECT_THROW(gif.image.Bitmap(), GIFException);
        EXPECT_FALSE(gif.image.HasBitmap());
        EXPECT_THROW(gif.image.Bitmap(), GIFException);
    }
}

TEST(GIFPhotoRoad, FrameWithoutImageGivesNoTransparentColour) {
    // A 1 x 1 screen with two colours, then a transparent control block that a stray zero ends as
    // frame 0 without an image, then a 1 x 1 frame 1.
    const std::string bytes = Hex("474946383961 0100 0100 80 00 00 000000 ffffff 21F904010000000000"
                                  "2C 0000 0000 0100 0100 00 02 02 4C01 00 3B");
    TRecordedGif gif;
    ASSERT_EQ(gif.Load(bytes), "");
    ASSERT_EQ(gif.image.Images().Count(), 2);
    ASSERT_TRUE(gif.image.Images().SubImages(0)->Empty());
    ASSERT_TRUE(gif.image.IsTransparent());
    ASSERT_EQ(gif.Pixels(1), std::vector<uint8_t>{1});

    TLinearBitmap picture;
    GIFLoader().TransparentColor = 7;
    TStringStream s(bytes);
    TNorvFilterStream in(s);
    GIFLoader().LoadFromStream(in, "GIF", picture);
    EXPECT_EQ(GIFLoader().TransparentColor, -1);
    ASSERT_EQ(picture.Width(), 1);
    ASSERT_EQ(picture.Height(), 1);
}

TEST(GIFPhotoRoad, LoaderNamesAndRegistration) {
    EXPECT_TRUE(GIFLoader().CanLoad("GIF"));
    EXPECT_TRUE(GIFLoader().CanSave("GIF"));
    EXPECT_FALSE(GIFLoader().CanLoad("JPG"));
    EXPECT_EQ(GIFLoader().GetLoadFilter(), "Graphics Interchange Format (*.gif)|*.gif");
    EXPECT_EQ(GIFLoader().GetSaveFilter(), GIFLoader().GetLoadFilter());
    EXPECT_EQ(&BitmapLoaders().FindLoader("GIF"), &GIFLoader());
    EXPECT_EQ(BitmapLoaders().Items(0), &GIFLoader());
    EXPECT_EQ(TGIFImage::DefaultColorReduction, 7);
    EXPECT_EQ(TGIFImage::DefaultDitherMode, 6);
    EXPECT_TRUE(TPicture::FindFileFormat("gif"));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat("GIF Image"));
    EXPECT_FALSE(GIFPaletteDisplay);
}

// ---------------------------------------------------------------------------------------------
// Render

TEST(GIFRender, MaskBitsExactlyAtTheTransparentIndex) {
    for (int width : {9, 17}) {
        SCOPED_TRACE(width);
        TGIFImage image;
        TGIFSubImage* f = AddFrame(image, 0, 0, width, 5);
        for (int i = 0; i < 4; ++i) f->ColorMap().Add(RGB(i * 10, 0, 0));
        for (int i = 0; i < width * 5; ++i) f->Data()[i] = static_cast<uint8_t>((i * 7 + i / 3) % 4);
        MakeTransparent(f, 3);
        ASSERT_TRUE(f->HasMask());
        TBitmap* mask = f->Mask();
        ASSERT_EQ(mask->PixelFormat(), pf1bit);
        ASSERT_EQ(mask->Width(), width);
        EXPECT_EQ(mask->BytesPerLine(), 4);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < width; ++x) {
                const bool bit = (mask->ScanLine(y)[x / 8] >> (7 - x % 8)) & 1;
                ASSERT_EQ(bit, f->Pixels(x, y) == 3) << x << "," << y;
            }
        // Plain render: the indexes themselves.
        TBitmap* bmp = f->Bitmap();
        ASSERT_EQ(bmp->PixelFormat(), pf8bit);
        for (int y = 0; y < 5; ++y) ASSERT_EQ(0, std::memcmp(bmp->ScanLine(y), f->Scanline(y), width));
    }
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 4, 4);
    for (int i = 0; i < 4; ++i) f->ColorMap().Add(RGB(i, i, i));
    MakeTransparent(f, 3);
    EXPECT_FALSE(f->HasMask());
    EXPECT_NE(f->Bitmap(), nullptr);
}

TEST(GIFRender, DitheredWebColoursGiveTheirWebIndexes) {
    PaletteDisplay on(true);
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 12, 7);
    std::vector<int> web;
    for (int i = 0; i < 40; ++i) {
        const int r = i % 6, g = (i / 6) % 6, b = (i * 5) % 6;
        f->ColorMap().Add(RGB(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)));
        web.push_back(r * 36 + g * 6 + b);
    }
    for (int i = 0; i < 84; ++i) f->Data()[i] = static_cast<uint8_t>((i * 13) % 40);
    MakeTransparent(f, 5);
    const TGIFColor t = f->ColorMap().Data()[5];
    const int fill = (MulDiv(36, t.Red, 51) + MulDiv(6, t.Green, 51) + t.Blue / 51 + 1) % 256;
    EXPECT_EQ(GetPaletteEntryCount(image.GetPalette()), 216);
    TBitmap* bmp = f->Bitmap();
    ASSERT_NE(bmp, nullptr);
    ASSERT_NE(f->Mask(), nullptr);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x) {
            const uint8_t p = f->Pixels(x, y);
            ASSERT_EQ(bmp->ScanLine(y)[x], p == 5 ? fill : web[p]) << x << "," << y;
        }
}

TEST(GIFRender, DitheredWithoutColourTablesIsBlack) {
    PaletteDisplay on(true);
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 33, 9);
    for (int i = 0; i < 33 * 9; ++i) f->Data()[i] = static_cast<uint8_t>(i * 31);
    MakeTransparent(f, 200);
    TBitmap* bmp = f->Bitmap();
    ASSERT_NE(bmp, nullptr);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 33; ++x)
            if (f->Pixels(x, y) != 200) {
                ASSERT_EQ(bmp->ScanLine(y)[x], 0);
            }
}

TEST(GIFRender, ProgressAndCancel) {
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 3, 70);
    f->ColorMap().Add(clWhite);
    f->ColorMap().Add(clBlack);
    std::vector<std::pair<TProgressStage, int>> seen;
    image.OnProgress = [&](TObject*, TProgressStage stage, uint8_t percent, bool, const TRect&, const std::string& msg) {
        if (msg == "Rendering...") seen.emplace_back(stage, percent);
    };
    ASSERT_NE(f->Bitmap(), nullptr);
    const std::vector<std::pair<TProgressStage, int>> want = {
        {psStarting, 0}, {psRunning, 0}, {psRunning, 46}, {psRunning, 91}, {psEnding, 100}};
    EXPECT_EQ(seen, want);

    f->FreeBitmap();
    image.OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
        if (stage == psRunning) throw EAbort("cancelled");
    };
    EXPECT_NO_THROW(f->Bitmap());
    EXPECT_FALSE(f->HasBitmap());
}

// ---------------------------------------------------------------------------------------------
// Draw

TEST(GIFDraw, FrameScaledOntoTheRectangle) {
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 10, 5, 20, 20);
    f->ColorMap().Add(RGB(255, 0, 0));
    f->ColorMap().Add(RGB(0, 255, 0));
    image.Header().ScreenWidth = 40;
    image.Header().ScreenHeight = 30;
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(80, 60);
    target.Canvas().Brush.Color = RGB(0, 0, 255);
    target.Canvas().FillRect(TRect{0, 0, 80, 60});
    image.Draw(target.Canvas(), TRect{0, 0, 80, 60});
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool inside = x >= 20 && x < 60 && y >= 10 && y < 50;
            ASSERT_EQ(target.GetPixel(x, y), inside ? RGB(255, 0, 0) : RGB(0, 0, 255)) << x << "," << y;
        }
}

TEST(GIFDraw, TransparentDrawKeepsTheDestinationUnderTheMask) {
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 13, 6);
    for (int i = 0; i < 4; ++i) f->ColorMap().Add(RGB(static_cast<uint8_t>(60 * i), 100, 0));
    for (int i = 0; i < 78; ++i) f->Data()[i] = static_cast<uint8_t>((i * 5 + i / 4) % 4);
    MakeTransparent(f, 2);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(13, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 13; ++x) target.SetPixel(x, y, RGB(static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 30), 7));
    image.Draw(target.Canvas(), TRect{0, 0, 13, 6});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 13; ++x) {
            const uint8_t p = f->Pixels(x, y);
            const TColor want = p == 2 ? RGB(static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 30), 7)
                                       : RGB(static_cast<uint8_t>(60 * p), 100, 0);
            ASSERT_EQ(target.GetPixel(x, y), want) << x << "," << y;
        }
}

TEST(GIFDraw, TileWithoutAScreenDrawsOnce) {
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 0, 0, 2, 2);
    f->ColorMap().Add(RGB(1, 2, 3));
    image.Header().ScreenWidth = 0;
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(6, 2);
    f->Draw(target.Canvas(), TRect{0, 0, 6, 2}, false, true);
    EXPECT_EQ(target.GetPixel(1, 1), RGB(1, 2, 3));
    EXPECT_EQ(target.GetPixel(2, 1), clWhite);
    // Scaling from a screen of no width draws nothing.
    TBitmap other;
    other.SetPixelFormat(pf24bit);
    other.SetSize(2, 2);
    f->Draw(other.Canvas(), TRect{0, 0, 2, 2}, false, false);
    EXPECT_EQ(other.GetPixel(0, 0), clWhite);
}

// ---------------------------------------------------------------------------------------------
// Copy

TEST(GIFAssign, ImageCopyKeepsFramesAndTheOwnersHandlers) {
    TRecordedGif source;
    ASSERT_EQ(source.Load(ReadFile(kCorpus + "local.gif")), "");
    TGIFImage copy;
    int ownWarnings = 0;
    copy.OnWarning = [&](TObject*, int, const std::string&) { ++ownWarnings; };
    copy.Assign(&source.image);
    ASSERT_EQ(copy.Images().Count(), source.image.Images().Count());
    EXPECT_TRUE(static_cast<bool>(copy.OnWarning));
    copy.Warning(&copy, 1, "x");
    EXPECT_EQ(ownWarnings, 1);
    for (int i = 0; i < copy.Images().Count(); ++i) {
        TGIFSubImage* a = source.image.Images().SubImages(i);
        TGIFSubImage* b = copy.Images().SubImages(i);
        ASSERT_EQ(a->DataSize(), b->DataSize());
        EXPECT_EQ(0, std::memcmp(a->Data(), b->Data(), static_cast<size_t>(a->DataSize())));
        EXPECT_EQ(a->ColorMap().Count(), b->ColorMap().Count());
        EXPECT_EQ(a->Extensions().Count(), b->Extensions().Count());
        EXPECT_EQ(a->BoundsRect(), b->BoundsRect());
    }
    // The copy saves to the bytes the source saves to.
    EXPECT_EQ(Save(copy), Save(source.image));
    TBitmap bmp;
    bmp.Assign(&copy);
    EXPECT_EQ(bmp.Width(), copy.Width());
}
