#pragma once
// The framework's icon and metafile, as far as the imaging code uses them. An icon is a picture
// with a 1-bit mask whose set bits are transparent; a metafile is a graphic of a given size that
// replays recorded solid rectangle fills. Neither has a file format here.
#include <vector>

#include "platform/graphics/Bitmap.h"

class TIcon : public TGraphic {
public:
    std::string ClassName() const override { return "TIcon"; }

    int Width() const override { return image_.Width(); }
    int Height() const override { return image_.Height(); }
    // Size changes resize picture and mask together; new pixels are opaque white.
    void SetWidth(int value) override { SetSize(value, Height()); }
    void SetHeight(int value) override { SetSize(Width(), value); }
    void SetSize(int width, int height);
    bool Empty() const override { return image_.Empty(); }

    // The picture (24 bits) and the mask (1 bit: 1 transparent, 0 opaque), both of the icon's size.
    const TBitmap& Image() const { return image_; }
    const TBitmap& Mask() const { return mask_; }
    // Takes copies; the mask is converted to 1 bit and must have the picture's size.
    void SetImage(TBitmap& image, TBitmap& mask);
    bool Transparent() const override { return true; }

    // The picture stretched onto rect; masked pixels keep the canvas.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void Assign(TPersistent* source) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TIcon>(); }

private:
    TBitmap image_;
    TBitmap mask_;
};

class TMetafile : public TGraphic {
public:
    std::string ClassName() const override { return "TMetafile"; }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override { return width_ <= 0 || height_ <= 0; }
    bool Transparent() const override { return true; }

    // Records a solid fill of rect (in the metafile's own coordinates) with color.
    void FillRect(const TRect& rect, TColor color);
    // Replays the fills scaled from the metafile's size onto rect; everything else is untouched.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void Assign(TPersistent* source) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMetafile>(); }

private:
    struct Fill {
        TRect Rect;
        TColor Color;
    };
    int width_ = 0;
    int height_ = 0;
    std::vector<Fill> fills_;
};
