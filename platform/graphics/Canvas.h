#pragma once
// A drawing surface over a bitmap: fills, blits and graphic drawing, clipped to the bitmap. Colours
// written into a palette format take the nearest entry of the bitmap's colour table.
#include "platform/graphics/Bitmap.h"

// Handed out by a canvas to tell later whether it still exists, as a device context handle does.
class TCanvasToken {
public:
    TCanvasToken() = default;
    explicit TCanvasToken(std::weak_ptr<const int> alive) : alive_(std::move(alive)) {}
    bool Valid() const { return !alive_.expired(); }

private:
    std::weak_ptr<const int> alive_;
};

constexpr int OBJ_DC = 3;
// OBJ_DC while the canvas that gave the token exists, else 0.
inline int GetObjectType(const TCanvasToken& token) { return token.Valid() ? OBJ_DC : 0; }

enum TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

class TCanvas : public TPersistent {
public:
    explicit TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
    std::string ClassName() const override { return "TCanvas"; }

    TBitmap& Bitmap() { return bitmap_; }
    TCanvasToken Handle() const { return TCanvasToken(alive_); }
    TBrush Brush;

    // The whole bitmap.
    TRect ClipRect() const { return TRect{0, 0, bitmap_.Width(), bitmap_.Height()}; }

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    void FillRect(const TRect& rect);
    // The graphic at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic* graphic);
    // The graphic stretched onto rect.
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Copies (stretching by nearest neighbour) source rect of another canvas into dest rect.
    void CopyRect(const TRect& dest, TCanvas& canvas, const TRect& source);

    // The blit under all of them: nearest-neighbour stretch of src's source rect onto dest. Pixels
    // of transparentColor (unless clNone) keep the destination, as do those whose bit is set in a
    // 1-bit mask of src's size. Rectangles with no width or height draw nothing.
    void StretchBlt(const TRect& dest, const TBitmap& src, const TRect& source,
                    TColor transparentColor = clNone, const TBitmap* mask = nullptr);

    TNotifyEvent OnChange;

private:
    void Changed();
    TBitmap& bitmap_;
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};
