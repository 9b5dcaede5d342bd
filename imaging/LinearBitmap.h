#pragma once
// The packed-row bitmap the imaging code hands around: rows end to end with no padding, top row
// first, so a loader or a conversion can walk the picture as one byte array; a 256-colour palette
// (blue, green, red triples) for 8-bit pictures; conversions between its four pixel formats; and the
// copy to and from the framework's bitmap, graphic and picture.
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/BaseStream.h"
#include "platform/Object.h"
#include "platform/graphics/Graphics.h"

VA_DECLARE_EXCEPTION(ELinearBitmap, Exception)

// Copy protocol of the imaging classes: each side tries the classes it knows, then hands over.
class TAssignObject : public TObject {
public:
    std::string ClassName() const override { return "TAssignObject"; }
    virtual void Assign(TObject* source);
    virtual void AssignTo(TObject* dest);
};

// 256 triples, entry i = (i, i, i); filled by imaging::initialise().
extern uint8_t GrayPalette[768];

class TLinearBitmap : public TAssignObject {
public:
    TLinearBitmap() = default;
    ~TLinearBitmap() override = default;
    std::string ClassName() const override { return "TLinearBitmap"; }

    // The fields, read-only from outside: only New, the conversions, TakeOver and Clear change
    // them, so the sizes always describe the store.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // pf8bit, pf16bit (16-bit grey samples), pf24bit or pf32bit while present; pfCustom when empty.
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    // Rows are always packed: a row is Width x PixelSize bytes, the store Height rows.
    int BytesPerLine() const { return width_ * pixelSize_; }
    int PixelSize() const { return pixelSize_; }
    int Size() const { return BytesPerLine() * height_; }
    bool Present() const { return present_; }
    // The pixel store, Size + 1 bytes (a spare byte behind the last row); null when empty.
    uint8_t* Map() { return map_.get(); }
    const uint8_t* Map() const { return map_.get(); }
    // 768 bytes (blue, green, red triples) for pf8bit, null otherwise.
    uint8_t* Palette() { return palette_.get(); }
    const uint8_t* Palette() const { return palette_.get(); }

    // Allocates for the size and format; the same size and format keeps the pixels. An 8-bit
    // bitmap keeps its palette's contents. Raises "Unsupported pixel format", then "Invalid bitmap
    // size" (also for a picture over MaxSize bytes); nothing changes when it raises.
    void New(int width, int height, TPixelFormat format);
    virtual void Clear();
    // Row y; "Scan line index out of range" outside 0..Height-1.
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;
    bool IsGrayScale() const;
    // Converts the pixels in place; raises "Unsupported pixel format" for other targets.
    void SetPixelFormat(TPixelFormat format);
    // Takes every field and both buffers of other, which is left without pixels (its other fields
    // keep their values).
    void TakeOver(TLinearBitmap& other);
    // Nothing to pack: the rows are never padded.
    virtual void PackRows() {}

    // Decodes the stream through the loader registered for the format name.
    void LoadFromStream(TStream& stream, const std::string& formatName);
    void LoadFromStream(TSeekableStream& stream, const std::string& formatName);

    void Assign(TObject* source) override;
    void AssignTo(TObject* dest) override;
    // Copies the pixels into a bitmap of the same size; 8-bit into 24-bit and 16-bit into 8-bit are
    // converted, other format pairs raise "Unsupported pixel format".
    void CopyToBitmap(TBitmap& dest);

    // Largest pixel store in bytes (2^28 unless changed): untrusted dimensions stop here.
    static int64_t MaxSize();
    static void SetMaxSize(int64_t bytes);

private:
    using Store = std::unique_ptr<uint8_t[]>;
    void CopyFromBitmap(TBitmap& source);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfCustom;
    int pixelSize_ = 0;
    bool present_ = false;
    Store map_;
    Store palette_;
};

// Blue-green-red triples to palette entries (red, green, blue, PC_RESERVED).
void ColorsToPaletteEntries(const uint8_t* colors, PALETTEENTRY* entries, int count);
// A new palette of count entries from blue-green-red triples; the caller owns it.
HPALETTE MakePalette(const uint8_t* colors, int count);
// Fills 256 blue-green-red triples from the palette's first count entries, the rest black; with no
// palette, the grey palette.
void LoadPalette(HPALETTE palette, int count, uint8_t* colors);
