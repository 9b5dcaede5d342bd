// Cropping a frame's transparent borders and merging a frame with what the previous one shows.
#include <gtest/gtest.h>

#include "GifTestSupport.h"

namespace {

// A frame at (left, top) with the given rows of indexes ('0'..'9'), added to the image.
TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, const std::vector<std::string>& rows,
                       int transparent = -1, int disposal = 0) {
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = owned.get();
    image.Images().Add(std::move(owned));
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    f->SetBoundsR(left, top, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f->Scanline(y)[x] = static_cast<uint8_t>(rows[y][x] - '0');
    if (transparent >= 0 || disposal) {
        f->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(f));
        f->GraphicControlExtension->SetDisposal(static_cast<uint8_t>(disposal));
        if (transparent >= 0) {
            f->GraphicControlExtension->SetTransparentColorIndex(transparent);
            f->GraphicControlExtension->SetTransparent(true);
        }
    }
    return f;
}

std::vector<std::string> Rows(TGIFSubImage* f) {
    std::vector<std::string> out;
    for (int y = 0; y < f->Height(); ++y) {
        std::string r;
        for (int x = 0; x < f->Width(); ++x) r += static_cast<char>('0' + f->Scanline(y)[x]);
        out.push_back(r);
    }
    return out;
}

void GlobalMap(TGIFImage& image, int n) {
    for (int i = 0; i < n; ++i) image.Header().ColorMap().Add(RGB(i * 20, i, 255 - i));
}

TEST(GIFCrop, CutsTransparentBordersAndMovesTheFrame) {
    TRecordedGif g;
    GlobalMap(g.image, 4);
    TGIFSubImage* f = AddFrame(g.image, 3, 5, {"0000", "0010", "0200", "0000"}, 0);
    f->Crop();
    EXPECT_EQ(f->Left(), 4);
    EXPECT_EQ(f->Top(), 6);
    EXPECT_EQ(Rows(f), (std::vector<std::string>{"01", "20"}));
    // Not transparent: nothing changes.
    TGIFSubImage* opaque = AddFrame(g.image, 0, 0, {"000", "010"});
    opaque->Crop();
    EXPECT_EQ(opaque->Width(), 3);
    // Wholly transparent: cleared with its extensions.
    TGIFSubImage* clear = AddFrame(g.image, 1, 1, {"33", "33"}, 3);
    clear->Crop();
    EXPECT_TRUE(clear->Empty());
    EXPECT_EQ(clear->Extensions().Count(), 0);
    EXPECT_EQ(clear->GraphicControlExtension, nullptr);
}

TEST(GIFMerge, PixelsEqualToThePreviousFrameBecomeTransparent) {
    TRecordedGif g;
    GlobalMap(g.image, 4);
    TGIFSubImage* a = AddFrame(g.image, 0, 0, {"0123", "0123"});
    TGIFSubImage* b = AddFrame(g.image, 1, 0, {"1111", "2222"}, 3);  // transparent 3
    b->Merge(a);
    // Overlap x 1..3, where a shows 1, 2, 3 in both rows.
    EXPECT_EQ(Rows(b), (std::vector<std::string>{"3111", "2322"}));
    EXPECT_TRUE(b->Transparent);
}

TEST(GIFMerge, ComparesColoursAcrossMapsAndSkipsWhatCannotMerge) {
    TRecordedGif g;
    GlobalMap(g.image, 2);
    TGIFSubImage* a = AddFrame(g.image, 0, 0, {"01"});
    TGIFSubImage* b = AddFrame(g.image, 0, 0, {"00"});
    b->ColorMap().Add(g.image.Header().ColorMap().Colors(0));  // local 0 = global 0
    b->ColorMap().Add(RGB(1, 2, 3));
    b->Merge(a);
    // Local 0 has the colour of a's global 0 at x 0 but not of global 1 at x 1; black is
    // added as index 2 for the transparent colour.
    EXPECT_EQ(Rows(b), (std::vector<std::string>{"20"}));
    EXPECT_EQ(b->ColorMap().Count(), 3);
    EXPECT_EQ(b->ColorMap().Colors(2), clBlack);
    ASSERT_NE(b->GraphicControlExtension, nullptr);
    EXPECT_EQ(b->GraphicControlExtension->TransparentColorIndex(), 2);

    // A previous frame that disposes to background or previous merges nothing.
    TRecordedGif g2;
    GlobalMap(g2.image, 2);
    TGIFSubImage* p = AddFrame(g2.image, 0, 0, {"01"}, -1, 2);
    TGIFSubImage* q = AddFrame(g2.image, 0, 0, {"01"});
    q->Merge(p);
    EXPECT_EQ(Rows(q), (std::vector<std::string>{"01"}));
    EXPECT_FALSE(q->Transparent);
}

TEST(GIFMerge, BorrowsAnotherFramesTransparentIndexOnlyWhenNoOpaquePixelUsesIt) {
    TRecordedGif g;
    GlobalMap(g.image, 4);
    AddFrame(g.image, 5, 5, {"3"}, 3);  // a transparent frame elsewhere, index 3
    TGIFSubImage* a = AddFrame(g.image, 0, 0, {"012"});
    TGIFSubImage* b = AddFrame(g.image, 0, 0, {"013"});  // 3 stays opaque
    b->Merge(a);
    // Borrowing 3 would hide the opaque pixel: black is added (index 4) instead.
    EXPECT_EQ(Rows(b), (std::vector<std::string>{"443"}));
    EXPECT_EQ(b->GraphicControlExtension->TransparentColorIndex(), 4);

    TRecordedGif g2;
    GlobalMap(g2.image, 4);
    AddFrame(g2.image, 5, 5, {"3"}, 3);
    TGIFSubImage* c = AddFrame(g2.image, 0, 0, {"012"});
    TGIFSubImage* d = AddFrame(g2.image, 0, 0, {"011"});
    d->Merge(c);
    EXPECT_EQ(Rows(d), (std::vector<std::string>{"331"}));
    EXPECT_EQ(d->GraphicControlExtension->TransparentColorIndex(), 3);
    EXPECT_EQ(g2.image.Header().ColorMap().Count(), 4);  // nothing added
}

TEST(GIFMerge, AFullMapWithoutTransparencyCannotMerge) {
    TRecordedGif g;
    GlobalMap(g.image, 256);
    TGIFSubImage* a = AddFrame(g.image, 0, 0, {"01"});
    TGIFSubImage* b = AddFrame(g.image, 0, 0, {"01"});
    b->Merge(a);
    EXPECT_EQ(Rows(b), (std::vector<std::string>{"01"}));
    EXPECT_FALSE(b->Transparent);
}

}  // namespace
