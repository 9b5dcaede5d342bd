#include "platform/graphics/Icon.h"

#include "platform/graphics/Canvas.h"

void TIcon::SetSize(int width, int height) {
    image_.SetPixelFormat(pf24bit);
    image_.SetSize(width, height);
    mask_.SetPixelFormat(pf1bit);
    const int oldW = mask_.Width(), oldH = mask_.Height();
    mask_.SetSize(width, height);
    // New mask pixels are opaque.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x >= oldW || y >= oldH) mask_.SetPixel(x, y, clBlack);
    Changed(this);
}

void TIcon::SetImage(TBitmap& image, TBitmap& mask) {
    if (mask.Width() != image.Width() || mask.Height() != image.Height())
        throw EInvalidGraphic("Invalid icon mask size");
    image_.Assign(&image);
    image_.SetPixelFormat(pf24bit);
    image_.SetTransparent(false);
    mask_.Assign(&mask);
    mask_.SetPixelFormat(pf1bit);
    mask_.SetTransparent(false);
    Changed(this);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty()) return;
    canvas.StretchBlt(rect, image_, TRect{0, 0, Width(), Height()}, clNone, &mask_);
}

void TIcon::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TIcon*>(source)) {
        if (src != this) SetImage(src->image_, src->mask_);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::LoadFromStream(TStream&) { throw EInvalidGraphicOperation("Icon streams are not supported"); }
void TIcon::SaveToStream(TStream&) { throw EInvalidGraphicOperation("Icon streams are not supported"); }

void TMetafile::SetWidth(int value) {
    width_ = std::max(0, value);
    Changed(this);
}

void TMetafile::SetHeight(int value) {
    height_ = std::max(0, value);
    Changed(this);
}

void TMetafile::FillRect(const TRect& rect, TColor color) {
    fills_.push_back(Fill{rect, color});
    Changed(this);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty() || rect.IsEmpty()) return;
    const TBrush saved = canvas.Brush;
    auto sx = [&](int64_t x) {
        return static_cast<int>(rect.Left + x * int64_t{rect.Width()} / width_);
    };
    auto sy = [&](int64_t y) {
        return static_cast<int>(rect.Top + y * int64_t{rect.Height()} / height_);
    };
    for (const Fill& f : fills_) {
        const TRect r = IntersectRect(f.Rect, TRect{0, 0, width_, height_});
        if (r.IsEmpty()) continue;
        canvas.Brush.Color = f.Color;
        canvas.Brush.Style = bsSolid;
        canvas.FillRect(TRect{sx(r.Left), sy(r.Top), sx(r.Right), sy(r.Bottom)});
    }
    canvas.Brush = saved;
}

void TMetafile::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TMetafile*>(source)) {
        if (src != this) {
            width_ = src->width_;
            height_ = src->height_;
            fills_ = src->fills_;
            Changed(this);
        }
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::LoadFromStream(TStream&) {
    throw EInvalidGraphicOperation("Metafile streams are not supported");
}
void TMetafile::SaveToStream(TStream&) {
    throw EInvalidGraphicOperation("Metafile streams are not supported");
}
