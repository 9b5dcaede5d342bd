#include "platform/graphics/Canvas.h"

#include <optional>

#include "platform/graphics/PixelAccess.h"

using namespace graphics_detail;

namespace {

// offset * span / extent for 0 <= offset < extent and 0 < span, extent < 2^32: the product can
// pass the signed 64-bit range on extreme rectangles but never the unsigned one.
int64_t Scale(int64_t offset, int64_t span, int64_t extent) {
    return static_cast<int64_t>(static_cast<uint64_t>(offset) * static_cast<uint64_t>(span) /
                                static_cast<uint64_t>(extent));
}

}  // namespace

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TColor TCanvas::Pixel(int x, int y) const { return bitmap_.GetPixel(x, y); }

void TCanvas::SetPixel(int x, int y, TColor color) { bitmap_.SetPixel(x, y, color); }

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == bsClear) return;
    const TRect r = IntersectRect(rect, ClipRect());
    if (r.IsEmpty()) return;
    const int bits = TBitmap::BitsPerPixel(bitmap_.PixelFormat());
    const Rgb c = ColorToRgb(Brush.Color);
    int index = 0;
    if (bits <= 8) {
        NearestIndex nearest(bitmap_.ColorTable(), GetPaletteEntryCount(bitmap_.Palette()));
        index = nearest(c);
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* row = bitmap_.ScanLine(y);
        for (int x = r.Left; x < r.Right; ++x) {
            if (bits <= 8) WriteIndex(row, x, bits, index);
            else WriteRgb(row, x, bits, c);
        }
    }
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& canvas, const TRect& source) {
    StretchBlt(dest, canvas.bitmap_, source);
}

void TCanvas::StretchBlt(const TRect& dest, const TBitmap& srcIn, const TRect& source,
                         TColor transparentColor, const TBitmap* mask) {
    if (dest.IsEmpty() || source.IsEmpty() || srcIn.Empty()) return;
    // Drawing a bitmap onto itself reads from a copy.
    std::optional<TBitmap> copy;
    const TBitmap* srcp = &srcIn;
    if (&srcIn == &bitmap_) {
        copy.emplace();
        copy->Assign(const_cast<TBitmap*>(&srcIn));
        srcp = &*copy;
    }
    const TBitmap& src = *srcp;
    const TRect clip = IntersectRect(dest, ClipRect());
    if (clip.IsEmpty()) return;

    const int srcBits = TBitmap::BitsPerPixel(src.PixelFormat());
    const int dstBits = TBitmap::BitsPerPixel(bitmap_.PixelFormat());
    const std::vector<PALETTEENTRY> srcTable = src.ColorTable();
    std::optional<NearestIndex> nearest;
    if (dstBits <= 8) nearest.emplace(bitmap_.ColorTable(), GetPaletteEntryCount(bitmap_.Palette()));
    // Index to index between equal colour tables copies the indexes themselves.
    bool sameTable = srcBits <= 8 && dstBits <= 8;
    if (sameTable) {
        const std::vector<PALETTEENTRY> dstTable = bitmap_.ColorTable();
        const size_t n = std::min(srcTable.size(), dstTable.size());
        for (size_t i = 0; i < n && sameTable; ++i)
            sameTable = srcTable[i].peRed == dstTable[i].peRed &&
                        srcTable[i].peGreen == dstTable[i].peGreen &&
                        srcTable[i].peBlue == dstTable[i].peBlue;
        sameTable = sameTable && srcTable.size() <= dstTable.size();
    }
    const bool checkMask = mask && mask->PixelFormat() == pf1bit;
    const bool keyed = transparentColor != clNone && transparentColor != clDefault;
    const Rgb key = ColorToRgb(transparentColor);

    const int64_t dW = int64_t{dest.Right} - dest.Left, dH = int64_t{dest.Bottom} - dest.Top;
    const int64_t sW = int64_t{source.Right} - source.Left, sH = int64_t{source.Bottom} - source.Top;
    for (int y = clip.Top; y < clip.Bottom; ++y) {
        // The source pixel under the destination pixel's top-left corner.
        const int sy = static_cast<int>(source.Top + Scale(int64_t{y} - dest.Top, sH, dH));
        if (sy < 0 || sy >= src.Height()) continue;
        const uint8_t* srow = src.ScanLine(sy);
        const uint8_t* mrow = (checkMask && sy < mask->Height()) ? mask->ScanLine(sy) : nullptr;
        uint8_t* drow = bitmap_.ScanLine(y);
        for (int x = clip.Left; x < clip.Right; ++x) {
            const int sx = static_cast<int>(source.Left + Scale(int64_t{x} - dest.Left, sW, dW));
            if (sx < 0 || sx >= src.Width()) continue;
            if (mrow && sx < mask->Width() && ReadIndex(mrow, sx, 1)) continue;
            const Rgb c = ReadRgb(srow, sx, srcBits, srcTable);
            if (keyed && c.r == key.r && c.g == key.g && c.b == key.b) continue;
            if (sameTable) {
                WriteIndex(drow, x, dstBits, ReadIndex(srow, sx, srcBits));
                continue;
            }
            if (dstBits <= 8) WriteIndex(drow, x, dstBits, (*nearest)(c));
            else WriteRgb(drow, x, dstBits, c);
        }
    }
    Changed();
}
