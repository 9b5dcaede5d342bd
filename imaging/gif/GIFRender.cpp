// Frames into framework bitmaps: the plain and the dithered render with the transparency mask, the
// frame's drawing, and the first-frame bitmap of the image.
#include <algorithm>
#include <cstring>

#include "imaging/ColorLookup.h"
#include "imaging/Ditherers.h"
#include "imaging/gif/GIFImage.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/SysServices.h"

bool GIFPaletteDisplay = false;

namespace {

constexpr char kRendering[] = "Rendering...";

// Runs f with the flag set, clearing it on every way out.
template <typename F>
auto Guarded(bool& flag, F&& f) {
    flag = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset{flag};
    return f();
}

}  // namespace

bool TransparentStretchBlt(TCanvas& dst, const TRect& dstRect, const TBitmap& src, const TRect& srcRect,
                           const TBitmap& mask) {
    dst.StretchBlt(dstRect, src, srcRect, clNone, &mask);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Frame

HPALETTE TGIFSubImage::GetPalette() {
    if (bitmap_ && bitmap_->Palette()) return bitmap_->Palette();
    if (palette_) return palette_;
    if (image_ && image_->DoDither()) return palette_ = CreateWebPalette();
    if (colorMap_->Count() == 0) return image_ ? image_->GetPalette() : nullptr;
    return palette_ = colorMap_->ExportPalette();
}

bool TGIFSubImage::HasMask() {
    if (needMask_ && Transparent) {
        FreeBitmap();
        Bitmap();
    }
    return static_cast<bool>(mask_);
}

void TGIFSubImage::FreeMask() {
    mask_.reset();
    needMask_ = true;
}

TBitmap* TGIFSubImage::Bitmap() {
    if (bitmap_) return bitmap_.get();
    if (Empty()) return nullptr;
    TGIFImage* image = image_;
    bool failed = true;
    try {
        if (image) image->Progress(this, psStarting, 0, false, TRect{}, kRendering);
        if (image && image->DoDither()) RenderDitheredBitmap();
        else RenderBitmap();
        failed = false;
    } catch (const EAbort&) {
        // A progress handler cancelled: the bitmap stays as far as it got.
    } catch (...) {
        if (image) {
            try {
                image->Progress(this, psEnding, 0, image->PaletteModified(), TRect{}, kRendering);
            } catch (const EAbort&) {
            }
        }
        throw;
    }
    if (image) {
        try {
            image->Progress(this, psEnding, failed ? 0 : 100, image->PaletteModified(), TRect{}, kRendering);
            if (image->PaletteModified()) image->Changed(this);
        } catch (const EAbort&) {
        }
    }
    return bitmap_.get();
}

namespace {

// The mask's rows at the bitmap's own row length; a set bit marks a transparent pixel.
struct MaskRows {
    MaskRows(bool build, int width, int height)
        : line(TBitmap::BytesPerScanline(width, 1)), rows(build ? static_cast<size_t>(line * height) : 0) {}
    void Set(int x, int y) {
        rows[static_cast<size_t>(line * y + x / 8)] |= static_cast<uint8_t>(0x80 >> (x & 7));
        used = true;
    }
    int64_t line;
    std::vector<uint8_t> rows;
    bool used = false;
};

}  // namespace

void TGIFSubImage::RenderBitmap() {
    // (Very large frames need no 1-bit detour here: the rows are built in memory of our own.)
    auto bmp = std::make_unique<TBitmap>();
    const HPALETTE palette = GetPalette();
    const bool buildMask = needMask_ && Transparent && GraphicControlExtension && !mask_;
    needMask_ = false;
    const uint8_t index = GraphicControlExtension ? GraphicControlExtension->TransparentColorIndex() : 0;
    MaskRows mask(buildMask, width_, height_);
    {
        TDIBWriter writer(*bmp, pf8bit, width_, height_, palette);
        for (int y = 0; y < height_; ++y) {
            if (y % 32 == 0 && image_)
                image_->Progress(this, psRunning, static_cast<uint8_t>(MulDiv(y, 100, height_)), false, TRect{},
                                 kRendering);
            const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
            std::memcpy(writer.ScanLine(y), src, width_);
            if (buildMask)
                for (int x = 0; x < width_; ++x)
                    if (src[x] == index) mask.Set(x, y);
        }
    }
    if (mask.used) {
        auto m = std::make_unique<TBitmap>();
        m->TakeImage(pf1bit, width_, height_, std::move(mask.rows), nullptr);
        mask_ = std::move(m);
    }
    bitmap_ = std::move(bmp);
}

void TGIFSubImage::RenderDitheredBitmap() {
    auto bmp = std::make_unique<TBitmap>();
    const HPALETTE palette = GetPalette();
    TNetscapeColorLookup lookup(palette);
    TFloydSteinbergDitherer ditherer(width_, &lookup);
    // Indexes beyond the map (and every index of a GIF without colours) read black.
    TGIFColorMap& map = ActiveColorMap();
    const int count = map.Count();
    auto colour = [&](uint8_t i) { return i < count ? map.Data()[i] : TGIFColor{}; };

    const bool buildMask = needMask_ && Transparent && GraphicControlExtension && !mask_;
    needMask_ = false;
    const uint8_t index = GraphicControlExtension ? GraphicControlExtension->TransparentColorIndex() : 0;
    MaskRows mask(buildMask, width_, height_);
    const TGIFColor t = colour(index);
    const uint8_t fill =
        static_cast<uint8_t>((MulDiv(36, t.Red, 51) + MulDiv(6, t.Green, 51) + t.Blue / 51 + 1) % 256);
    {
        TDIBWriter writer(*bmp, pf8bit, width_, height_, palette);
        for (int y = 0; y < height_; ++y) {
            if (y % 32 == 0 && image_)
                image_->Progress(this, psRunning, static_cast<uint8_t>(MulDiv(y, 100, height_)), false, TRect{},
                                 kRendering);
            const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
            uint8_t* line = writer.ScanLine(y);
            if (buildMask) std::memset(line, fill, width_);
            while (ditherer.Column >= 0 && ditherer.Column < width_) {
                const int x = ditherer.Column;
                if (buildMask && src[x] == index) {
                    mask.Set(x, y);
                    ditherer.NextColumn();
                    continue;
                }
                const TGIFColor c = colour(src[x]);
                uint8_t r, g, b;
                line[x] = ditherer.Dither(c.Red, c.Green, c.Blue, r, g, b);
            }
            ditherer.NextLine();
        }
    }
    if (mask.used) {
        auto m = std::make_unique<TBitmap>();
        m->TakeImage(pf1bit, width_, height_, std::move(mask.rows), nullptr);
        mask_ = std::move(m);
    }
    bitmap_ = std::move(bmp);
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool doTransparent, bool doTile) {
    const bool masked = doTransparent && Transparent && HasMask();
    TBitmap* bmp = Bitmap();
    if (!bmp) return;
    const TRect source{0, 0, bmp->Width(), bmp->Height()};
    auto paint = [&](const TRect& target) {
        if (masked) TransparentStretchBlt(canvas, target, *bmp, source, *mask_);
        else canvas.StretchDraw(target, bmp);
    };
    const int iw = image_ ? image_->Width() : 0;
    const int ih = image_ ? image_->Height() : 0;
    if (doTile) {
        const int x0 = rect.Left + left_, y0 = rect.Top + top_;
        if (iw <= 0 || ih <= 0) {
            // A step that never advances: once is all there is.
            paint(TRect{x0, y0, x0 + width_, y0 + height_});
            return;
        }
        for (int64_t x = x0; x < rect.Right; x += iw)
            for (int64_t y = y0; y < rect.Bottom; y += ih)
                paint(TRect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + width_),
                            static_cast<int>(y + height_)});
        return;
    }
    if (iw <= 0 || ih <= 0) return;  // nothing to scale from
    const int rw = rect.Right - rect.Left, rh = rect.Bottom - rect.Top;
    paint(TRect{rect.Left + MulDiv(left_, rw, iw), rect.Top + MulDiv(top_, rh, ih),
                rect.Left + MulDiv(left_ + width_, rw, iw), rect.Top + MulDiv(top_ + height_, rh, ih)});
}

void TGIFSubImage::AssignTo(TPersistent* dest) {
    if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
        bmp->Assign(Bitmap());
        return;
    }
    TGIFItem::AssignTo(dest);
}

// ---------------------------------------------------------------------------------------------
// Image

bool TGIFImage::DoDither() const {
    if (!(DrawOptions & GIFDrawOption(doDither))) return false;
    return !(DrawOptions & GIFDrawOption(doAutoDither)) || GIFPaletteDisplay;
}

HPALETTE TGIFImage::GetPalette() {
    if (inGetPalette_) Error("No global or local color table defined");
    return Guarded(inGetPalette_, [&]() -> HPALETTE {
        if (bitmap_ && bitmap_->Palette()) return bitmap_->Palette();
        if (globalPalette_) return globalPalette_;
        if (DoDither()) return globalPalette_ = CreateWebPalette();
        if (header_->ColorMap().Count() > 0) return globalPalette_ = header_->ColorMap().ExportPalette();
        if (images_->Count() > 0) return images_->SubImages(0)->GetPalette();
        return nullptr;
    });
}

TBitmap* TGIFImage::Bitmap() {
    if (images_->Count() == 0) return nullptr;
    if (bitmap_) return bitmap_.get();
    // Cached only once built: a failed build leaves nothing behind to pass for the picture.
    auto bmp = std::make_unique<TBitmap>();
    TGIFSubImage* frame = images_->SubImages(0);
    if (frame->Width() == Width() && frame->Height() == Height()) {
        bmp->Assign(frame->Bitmap());
    } else {
        bmp->SetPixelFormat(pf24bit);
        const HPALETTE palette = GetPalette();
        if (palette) bmp->SetPalette(CopyPalette(palette));
        bmp->SetHeight(Height());
        bmp->SetWidth(Width());
        frame->Draw(bmp->Canvas(), bmp->Canvas().ClipRect(), false, false);
    }
    bmp->OnChange = [this](TObject*) { Changed(this); };
    bitmap_ = std::move(bmp);
    return bitmap_.get();
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (drawing_ || Empty()) return;
    Guarded(drawing_, [&] {
        if (images_->Count() > 1 && (DrawOptions & GIFDrawOption(doAnimate))) {
            DrawAnimated(canvas, rect);
            return;
        }
        const int index = StillFrame >= 0 && StillFrame < images_->Count() ? StillFrame : 0;
        images_->SubImages(index)->Draw(canvas, rect, (DrawOptions & GIFDrawOption(doTransparent)) != 0,
                                        (DrawOptions & GIFDrawOption(doTile)) != 0);
    });
}

void TGIFImage::AssignTo(TPersistent* dest) {
    if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
        bmp->Assign(Bitmap());
        return;
    }
    TGraphic::AssignTo(dest);
}
