// Turning framework graphics into GIF frames: bitmaps pixel for pixel (colour-reduced above 8 bits
// per pixel), icons through their mask, metafiles by what they leave unpainted, anything else by
// way of a bitmap.
#include <array>

#include "imaging/ColorReduction.h"
#include "imaging/gif/GIFImage.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/SysServices.h"

namespace {

constexpr const char* kConverting = "Converting...";

bool MaskBit(const TBitmap& mask, int x, int y) {
    return (mask.ScanLine(y)[x >> 3] >> (7 - (x & 7)) & 1) != 0;
}

}  // namespace

bool TGIFSubImage::AssignGraphic(TPersistent* source) {
    if (auto* bmp = dynamic_cast<TBitmap*>(source)) {
        AssignBitmap(*bmp);
        return true;
    }
    if (auto* pic = dynamic_cast<TPicture*>(source)) {
        Assign(pic->Graphic());
        return true;
    }
    auto* graphic = dynamic_cast<TGraphic*>(source);
    if (!graphic) return false;
    Clear();
    if (graphic->Empty()) return true;
    const bool drawFirst = dynamic_cast<TIcon*>(graphic) || dynamic_cast<TMetafile*>(graphic);
    TBitmap tmp;
    auto draw = [&] {
        tmp.SetPixelFormat(pf24bit);
        tmp.SetSize(graphic->Width(), graphic->Height());
        tmp.Canvas().Draw(0, 0, graphic);
    };
    auto assign = [&] { tmp.Assign(graphic); };
    // One way first, the other as the fall-back; a second failure goes on.
    try {
        drawFirst ? draw() : assign();
    } catch (...) {
        tmp.Clear();
        drawFirst ? assign() : draw();
    }
    AssignBitmap(tmp);
    if (Empty()) return true;
    const int w = width_, h = height_;
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
    if (auto* icon = dynamic_cast<TIcon*>(graphic)) {
        const TBitmap& m = icon->Mask();
        if (m.Width() < w || m.Height() < h) return true;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) mask[static_cast<size_t>(y) * w + x] = MaskBit(m, x, y);
        TransparencyFromMask(mask);
    } else if (dynamic_cast<TMetafile*>(graphic)) {
        // Where the fills left the background showing, white and black backgrounds differ.
        TBitmap white, black;
        for (auto [b, c] : {std::pair{&white, clWhite}, std::pair{&black, clBlack}}) {
            b->SetPixelFormat(pf24bit);
            b->SetSize(w, h);
            b->Canvas().Brush.Color = c;
            b->Canvas().FillRect(Rect(0, 0, w, h));
            b->Canvas().Draw(0, 0, graphic);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                mask[static_cast<size_t>(y) * w + x] = white.GetPixel(x, y) != black.GetPixel(x, y);
        TransparencyFromMask(mask);
    }
    return true;
}

void TGIFSubImage::AssignBitmap(TBitmap& source) {
    Clear();
    if (source.Empty()) return;
    SetBounds(3, source.Width());
    SetBounds(4, source.Height());
    const TPixelFormat format = source.PixelFormat();
    if (format == pfDevice || TBitmap::BitsPerPixel(format) > 8) {
        const auto method = static_cast<TReductionMethod>(image_ ? image_->ColorReduction
                                                                 : TGIFImage::DefaultColorReduction);
        const auto dither = static_cast<TDitherMethod>(image_ ? image_->DitherMode : TGIFImage::DefaultDitherMode);
        const int bits = image_ ? image_->ReductionBits : TGIFImage::DefaultReductionBits;
        bitmap_ = ReduceColors(source, method, dither, bits, nullptr);
        if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    } else {
        NewBitmap();
        bitmap_->Assign(&source);
    }
    NewImage();
    TBitmap& bmp = *bitmap_;
    TGIFImage* image = image_;
    if (image) image->Progress(this, psStarting, 0, false, TRect{}, kConverting);
    bool failed = true;
    struct EndReport {
        TGIFImage* image;
        TGIFSubImage* self;
        bool& failed;
        ~EndReport() {
            if (!image) return;
            try {
                image->Progress(self, psEnding, failed ? 0 : 100, image->PaletteModified(), TRect{}, kConverting);
            } catch (...) {
            }
        }
    } end{image, this, failed};

    const int w = width_, h = height_;
    if (bmp.Width() < w || bmp.Height() < h) Error("Invalid bitmap size");
    const int bits = TBitmap::BitsPerPixel(bmp.PixelFormat());
    if (bits == 8) colorMap_->ImportDIB(bmp);
    else if (bits == 4 || bits == 1) colorMap_->ImportPalette(bmp.Palette());
    // The last 8 distinct colours met, searched backwards from the slot last used.
    struct Slot {
        bool used = false;
        uint8_t b = 0, g = 0, r = 0;
        int index = 0;
    };
    std::array<Slot, 8> cache{};
    int last = 0;
    for (int y = 0; y < h; ++y) {
        if (y % 32 == 0 && image)
            image->Progress(this, psRunning, static_cast<uint8_t>(MulDiv(y, 100, h)), false, TRect{}, kConverting);
        uint8_t* dst = data_.data() + static_cast<size_t>(y) * w;
        const uint8_t* src = bmp.ScanLine(y);
        switch (bits) {
            case 8: std::copy_n(src, w, dst); break;
            case 4:
                for (int x = 0; x < w; ++x) dst[x] = static_cast<uint8_t>(x & 1 ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
                break;
            case 1:
                for (int x = 0; x < w; ++x) dst[x] = static_cast<uint8_t>(src[x >> 3] >> (7 - (x & 7)) & 1);
                break;
            default: {
                const int step = bits / 8;
                for (int x = 0; x < w; ++x) {
                    const uint8_t* p = src + static_cast<ptrdiff_t>(x) * step;
                    int found = -1;
                    for (int k = 0, s = last; k < 8; ++k, s = (s + 7) % 8) {
                        if (!cache[s].used) break;
                        if (cache[s].b == p[0] && cache[s].g == p[1] && cache[s].r == p[2]) {
                            found = s;
                            break;
                        }
                    }
                    if (found >= 0) {
                        last = found;
                    } else {
                        // Stored red, green, blue straight away: nothing to swap afterwards.
                        const int index = colorMap_->AddUnique(RGB(p[2], p[1], p[0]));
                        last = (last + 1) % 8;
                        cache[last] = Slot{true, p[0], p[1], p[2], index};
                    }
                    dst[x] = static_cast<uint8_t>(cache[last].index);
                }
            }
        }
    }
    if (source.Transparent()) {
        const TColor t = source.TransparentColor() & 0xFFFFFF;
        std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                mask[static_cast<size_t>(y) * w + x] = (source.GetPixel(x, y) & 0xFFFFFF) == t;
        TransparencyFromMask(mask);
    }
    failed = false;
}

void TGIFSubImage::TransparencyFromMask(const std::vector<uint8_t>& mask) {
    colorMap_->Optimize();
    if (colorMap_->Count() == 0 || colorMap_->Count() == 256) return;
    const int index = colorMap_->Add(clBlack);
    bool any = false;
    for (size_t p = 0; p < data_.size() && p < mask.size(); ++p)
        if (mask[p]) {
            data_[p] = static_cast<uint8_t>(index);
            any = true;
        }
    if (!any) {
        colorMap_->Delete(index);
        return;
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
    TGIFGraphicControlExtension* g = gce.get();
    extensions_->Add(std::move(gce));
    g->SetTransparentColorIndex(index);
    g->SetTransparent(true);
    FreeBitmap();
    FreeMask();
}
