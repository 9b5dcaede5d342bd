#pragma once
// The framework bitmap over a pixel buffer of our own: top-down rows aligned to 4 bytes; 1, 4 and 8
// bits per pixel index a colour table (the bitmap's palette); 24 bits are blue, green, red; 32 bits
// blue, green, red and a spare byte. pfDevice is kept as 24 bits per pixel.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Graphic.h"

enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    std::string ClassName() const override { return "TBitmap"; }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Size changes keep the pixels that still fit and fill new ones with white.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    bool Empty() const override { return width_ == 0 || height_ == 0; }

    TPixelFormat PixelFormat() const { return pixelFormat_; }
    // Converts the pixels: down to a palette format by the nearest colour of the bitmap's palette
    // (or the format's default palette), up through the colour table. pf15bit, pf16bit and pfCustom
    // raise "Invalid pixel format".
    void SetPixelFormat(TPixelFormat value);

    // The owned palette: a palette format always has one (its colour table); other formats have one
    // only when it was set. The handle stays valid until the palette changes.
    HPALETTE Palette() const override { return palette_; }
    // Takes ownership; the indexes of a palette format stay as they are.
    void SetPalette(HPALETTE value) override;
    // Gives the palette up to the caller; a palette format gets its default palette back.
    HPALETTE ReleasePalette();

    // Row y, top row 0; "Scan line index out of range" outside 0..Height-1.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    int BytesPerLine() const { return bytesPerLine_; }

    TColor GetPixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    TCanvas& Canvas();

    bool Transparent() const override { return TGraphic::Transparent(); }
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);
    // tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set. clDefault when empty.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);

    void Assign(TPersistent* source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // Device-independent bitmap file data (1, 4, 8, 24 and 32 bits per pixel, uncompressed).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TBitmap>(); }
    // CF_BITMAP only; the bitmap data carries its own colour table, so the palette is not used.
    void LoadFromClipboardFormat(unsigned format, HCLIPDATA data, HPALETTE palette) override;
    // Gives CF_BITMAP, a copy of the bitmap and a copy of its palette (the caller owns it).
    void SaveToClipboardFormat(unsigned& format, HCLIPDATA& data, HPALETTE& palette) override;
    // The bitmap onto the clipboard, and back from it ("Unsupported clipboard format" when the
    // clipboard holds no bitmap).
    void SaveToClipboard();
    void LoadFromClipboard();

    // Hands a finished image over in one piece, as a codec builds it: rows top-down, each
    // BytesPerScanline(width, bits) long. The bitmap owns the palette afterwards (null: the
    // format's default palette for 1, 4 and 8 bits); when it refuses the image, it frees it.
    void TakeImage(TPixelFormat format, int width, int height, std::vector<uint8_t> rows,
                   HPALETTE palette);

    void Clear();

    static int BitsPerPixel(TPixelFormat format);
    // Row length in bytes, aligned to 4 bytes.
    static int64_t BytesPerScanline(int64_t width, int bitsPerPixel);
    // Bytes of pixels a bitmap may hold; larger sizes raise "Invalid bitmap size".
    static int64_t MaxImageBytes();
    static void SetMaxImageBytes(int64_t value);
    // A new palette with the default colour table of a palette format (2, 16 or 256 entries).
    static HPALETTE DefaultPalette(TPixelFormat format);

    // The colour table of a palette format: 2^bits entries, entries past the palette's end black.
    std::vector<PALETTEENTRY> ColorTable() const;

private:
    friend class TCanvas;
    void Resize(int width, int height);
    void ReplacePalette(HPALETTE value);
    static int64_t CheckedImageBytes(int64_t width, int64_t height, int bits);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    int bytesPerLine_ = 0;
    std::vector<uint8_t> bits_;
    HPALETTE palette_ = nullptr;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TCanvas> canvas_;
};
