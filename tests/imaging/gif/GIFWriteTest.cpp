// The GIF writer and its two encoders, read back by giflib and by our own decoder.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "GifTestSupport.h"
#include "GiflibOracle.h"

namespace {

TGIFSubImage* AddFrame(TGIFImage& image, int width, int height) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = frame.get();
    image.Images().Add(std::move(frame));
    f->SetBoundsR(0, 0, width, height);
    return f;
}

std::string Save(TGIFImage& image) {
    TStringStream s;
    image.SaveToStream(s);
    return s.DataString();
}

TColor Colour(int i) { return RGB(static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 13)); }

struct Case {
    int bits, width, height;
    bool interlaced;
};

// Random pixels below the colour count; interlaced frames take the global map (a local map would
// make the writer drop the interlace flag).
void RoundTrip(const Case& c, int compression, std::mt19937& rng) {
    SCOPED_TRACE(testing::Message() << "bits " << c.bits << " " << c.width << "x" << c.height << " interlaced "
                                    << c.interlaced << " compression " << compression);
    TGIFImage image;
    image.Compression = static_cast<uint8_t>(compression);
    TGIFSubImage* f = AddFrame(image, c.width, c.height);
    const int count = c.bits == 1 ? 2 : (1 << (c.bits - 1)) + 1 + static_cast<int>(rng() % (1u << (c.bits - 1)));
    TGIFColorMap& map = c.interlaced ? static_cast<TGIFColorMap&>(image.Header().ColorMap()) : f->ColorMap();
    for (int i = 0; i < count; ++i) map.Add(Colour(i));
    if (c.interlaced) f->PackedFields |= 0x40;
    // Runs and noise, so that both long strings and fresh ones occur.
    const int64_t n = f->DataSize();
    for (int64_t i = 0; i < n; ++i) {
        const bool run = (i / 37) % 3 == 0;
        f->Data()[i] = static_cast<uint8_t>(run ? (i / 37) % count : rng() % static_cast<unsigned>(count));
    }
    const std::vector<uint8_t> pixels(f->Data(), f->Data() + n);
    const std::string bytes = Save(image);

    GiflibFile oracle;
    ASSERT_TRUE(GiflibRead(bytes, oracle));
    ASSERT_EQ(oracle.frames.size(), 1u);
    EXPECT_EQ(oracle.frames[0].interlaced, c.interlaced);
    ASSERT_EQ(oracle.frames[0].pixels, pixels);
    ASSERT_GE(oracle.frames[0].colours.size(), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const GifColorType& g = oracle.frames[0].colours[static_cast<size_t>(i)];
        ASSERT_EQ(RGB(g.Red, g.Green, g.Blue), Colour(i));
    }

    TRecordedGif ours;
    ASSERT_EQ(ours.Load(bytes), "");
    EXPECT_TRUE(ours.warnings.empty());
    ASSERT_EQ(ours.Pixels(0), pixels);
}

}  // namespace

TEST(GIFWrite, RandomFramesReadBackByGiflibAndByUs) {
    std::mt19937 rng(17);
    std::vector<Case> cases;
    for (int bits = 1; bits <= 8; ++bits) {
        for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {1, 97}, {97, 1}, {300, 3}, {64, 64}})
            cases.push_back({bits, w, h, false});
        for (int h = 1; h <= 17; ++h) cases.push_back({bits, 5 + bits, h, true});
    }
    cases.push_back({8, 640, 480, false});
    cases.push_back({2, 400, 300, false});
    for (int compression : {0, 1})
        for (const Case& c : cases) RoundTrip(c, compression, rng);
}

TEST(GIFWrite, LongRunsThroughTheRunLengthEncoder) {
    // Runs longer than any table between two clear codes.
    for (int bits : {1, 4, 8}) {
        TGIFImage image;
        image.Compression = 1;
        TGIFSubImage* f = AddFrame(image, 1000, 40);
        for (int i = 0; i < (1 << bits); ++i) f->ColorMap().Add(Colour(i));
        for (int64_t i = 0; i < f->DataSize(); ++i) f->Data()[i] = static_cast<uint8_t>((i / 9000) % (1 << bits));
        const std::vector<uint8_t> pixels(f->Data(), f->Data() + f->DataSize());
        GiflibFile oracle;
        ASSERT_TRUE(GiflibRead(Save(image), oracle));
        EXPECT_EQ(oracle.frames[0].pixels, pixels) << bits;
    }
}

TEST(GIFWrite, CodeSizeVersionAndHeader) {
    TGIFImage image;
    EXPECT_EQ(image.GetVersion(), 0);
    try {
        Save(image);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message(), "Unsupported GIF version");
    }
    TGIFSubImage* f = AddFrame(image, 3, 1);
    f->ColorMap().Add(clBlack);
    f->ColorMap().Add(clWhite);
    // Two global colours, sixteen local ones: the descriptor declares the table that is written.
    for (int i = 0; i < 2; ++i) image.Header().ColorMap().Add(Colour(100 + i));
    TGIFSubImage* g = AddFrame(image, 2, 2);
    for (int i = 0; i < 16; ++i) g->ColorMap().Add(Colour(i));
    g->Data()[3] = 15;
    std::string bytes = Save(image);
    EXPECT_EQ(bytes.substr(0, 6), "GIF87a");
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]) & 7, 0);
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]) & 0x70, 3 << 4);
    // Frame 0: descriptor at 13 + 6, its 2-entry table, then the code size 2.
    EXPECT_EQ(static_cast<uint8_t>(bytes[19 + 10 + 6]), 2);
    GiflibFile oracle;
    ASSERT_TRUE(GiflibRead(bytes, oracle));
    EXPECT_EQ(oracle.colourBits, 1);
    ASSERT_EQ(oracle.global.size(), 2u);
    EXPECT_EQ(RGB(oracle.global[1].Red, oracle.global[1].Green, oracle.global[1].Blue), Colour(101));
    ASSERT_EQ(oracle.frames[1].colours.size(), 16u);
    EXPECT_EQ(oracle.frames[1].pixels[3], 15);
    EXPECT_EQ(RGB(oracle.frames[1].colours[15].Red, oracle.frames[1].colours[15].Green,
                  oracle.frames[1].colours[15].Blue),
              Colour(15));

    auto gce = std::make_unique<TGIFGraphicControlExtension>(g);
    g->Extensions().Add(std::move(gce));
    bytes = Save(image);
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
}

TEST(GIFWrite, InterlacedRowOrder) {
    for (int height : {3, 10}) {
        TGIFImage image;
        for (int i = 0; i < 16; ++i) image.Header().ColorMap().Add(Colour(i));
        TGIFSubImage* f = AddFrame(image, 4, height);
        f->PackedFields |= 0x40;
        for (int y = 0; y < height; ++y) std::memset(f->Scanline(y), y, 4);
        std::string bytes = Save(image);
        // Read as if not interlaced: the rows come in the order they were written.
        const size_t descriptor = 13 + 48;
        ASSERT_EQ(bytes[descriptor], 0x2C);
        bytes[descriptor + 9] = static_cast<char>(bytes[descriptor + 9] & ~0x40);
        TRecordedGif ours;
        ASSERT_EQ(ours.Load(bytes), "");
        std::vector<int> order;
        for (int y = 0; y < height; ++y) order.push_back(ours.image.Images().SubImages(0)->Pixels(0, y));
        const std::vector<int> want = height == 3 ? std::vector<int>{0, 2, 1} : std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
        EXPECT_EQ(order, want);
    }
    // A frame with a local map goes out in plain order.
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 2, 3);
    f->ColorMap().Add(clBlack);
    f->ColorMap().Add(clWhite);
    f->PackedFields = 0x40;
    f->Data()[4] = 1;
    TRecordedGif ours;
    ASSERT_EQ(ours.Load(Save(image)), "");
    EXPECT_FALSE(ours.image.Images().SubImages(0)->Interlaced());
    const std::vector<uint8_t> plain = {0, 0, 0, 0, 1, 0};
    EXPECT_EQ(ours.Pixels(0), plain);
}

TEST(GIFWrite, SubBlocksOf255) {
    TStringStream s;
    {
        TGIFWriter w(s);
        std::string data(300, 'x');
        EXPECT_EQ(w.Write(data.data(), 300), 300);
        EXPECT_THROW(w.Read(data.data(), 1), Exception);
        EXPECT_THROW(w.Seek(0, soBeginning), Exception);
    }
    const std::string& out = s.DataString();
    ASSERT_EQ(out.size(), 302u);
    EXPECT_EQ(static_cast<uint8_t>(out[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(out[256]), 45);
}

TEST(GIFWrite, ColourOutsideTheTableFlushesThePartialBlock) {
    for (int compression : {0, 1}) {
        TGIFImage image;
        image.Compression = static_cast<uint8_t>(compression);
        TGIFSubImage* f = AddFrame(image, 50, 2);
        for (int i = 0; i < 4; ++i) f->ColorMap().Add(Colour(i));
        for (int i = 0; i < 100; ++i) f->Data()[i] = static_cast<uint8_t>(i % 3);
        f->Data()[60] = 4;
        TStringStream s;
        try {
            f->SaveToStream(s);
            FAIL();
        } catch (const GIFException& e) {
            EXPECT_EQ(e.Message(), "Color not in color table");
        }
        // Descriptor, 4 colours, code size, then one sub-block that ends the stream.
        const std::string& out = s.DataString();
        ASSERT_GT(out.size(), 10u + 12 + 2);
        EXPECT_EQ(out[22], 2);
        EXPECT_EQ(static_cast<size_t>(static_cast<uint8_t>(out[23])), out.size() - 24) << compression;
    }
}

TEST(GIFWrite, OptimizeOrdersByUseAndCutsUnused) {
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 9, 1);
    const TColor a = RGB(1, 0, 0), b = RGB(2, 0, 0), c = RGB(3, 0, 0), d = RGB(4, 0, 0);
    for (TColor x : {a, b, c, d}) f->ColorMap().Add(x);
    const uint8_t px[9] = {2, 0, 2, 3, 2, 0, 2, 0, 2};
    std::memcpy(f->Data(), px, 9);
    auto gce = std::make_unique<TGIFGraphicControlExtension>(f);
    gce->SetTransparent(true);
    gce->SetTransparentColorIndex(3);
    f->Extensions().Add(std::move(gce));
    std::vector<TColor> before;
    for (int i = 0; i < 9; ++i) before.push_back(f->ColorMap().Colors(f->Pixels(i, 0)));

    EXPECT_TRUE(f->ColorMap().Optimize());
    EXPECT_TRUE(f->ColorMap().Optimized());
    ASSERT_EQ(f->ColorMap().Count(), 3);
    EXPECT_EQ(f->ColorMap().Colors(0), c);
    EXPECT_EQ(f->ColorMap().Colors(1), a);
    EXPECT_EQ(f->ColorMap().Colors(2), d);
    EXPECT_EQ(f->GraphicControlExtension->TransparentColorIndex(), 2);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(f->ColorMap().Colors(f->Pixels(i, 0)), before[static_cast<size_t>(i)]);

    // One colour: nothing to do. The global map of an image without frames: untouched.
    TGIFImage empty;
    empty.Header().ColorMap().Add(a);
    empty.Header().ColorMap().Add(b);
    EXPECT_FALSE(empty.Header().ColorMap().Optimize());
    EXPECT_FALSE(empty.Header().ColorMap().Optimized());
}

TEST(GIFWrite, PaletteImportAndExport) {
    TGIFImage image;
    TGIFColorMap& map = image.Header().ColorMap();
    const uint8_t quads[8] = {30, 20, 10, 0, 3, 2, 1, 0};
    map.ImportRGBQuads(quads, 2);
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Colors(0), RGB(10, 20, 30));
    HPALETTE p = map.ExportPalette();
    PALETTEENTRY e[2];
    ASSERT_EQ(GetPaletteEntries(p, 0, 2, e), 2);
    EXPECT_EQ(e[1].peRed, 1);
    EXPECT_EQ(e[1].peFlags, PC_NOCOLLAPSE);
    map.ImportPalette(p);
    DeletePalette(p);
    EXPECT_EQ(map.Colors(1), RGB(1, 2, 3));
    TBitmap bmp;
    bmp.SetPixelFormat(pf1bit);
    map.ImportDIB(bmp);
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Colors(1), clWhite);
    EXPECT_EQ(TGIFImage().Header().ColorMap().ExportPalette(), nullptr);
}

TEST(GIFWrite, PixelsThatTrapADoublingProbeEncode) {
    // make_hash_cycle.py: pixels on which a hash probe that doubles the slot never ends.
    std::ifstream in(std::string(VA_TEST_DATA_DIR) + "/gif/hash_cycle.pixels", std::ios::binary);
    const std::vector<uint8_t> made((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(made.size(), 30000u);
    ASSERT_LE(made.size(), 182u * 177u);
    TGIFImage image;
    TGIFSubImage* f = AddFrame(image, 182, 177);
    for (int i = 0; i < 4; ++i) f->ColorMap().Add(Colour(i));
    std::copy(made.begin(), made.end(), f->Data());
    const std::vector<uint8_t> pixels(f->Data(), f->Data() + f->DataSize());
    const std::string bytes = Save(image);
    GiflibFile oracle;
    ASSERT_TRUE(GiflibRead(bytes, oracle));
    EXPECT_EQ(oracle.frames[0].pixels, pixels);
    TRecordedGif ours;
    ASSERT_EQ(ours.Load(bytes), "");
    EXPECT_EQ(ours.Pixels(0), pixels);
}
