#pragma once
// Small shared pieces of the GIF codec: its exception, the checked reads every block is parsed
// with, text as GIF data sub-blocks, colour-count and row-length arithmetic, and the DIB access
// classes through which the codec reads a framework bitmap's rows and builds one in its own memory.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Object.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "platform/graphics/Bitmap.h"

// Every error of the GIF codec's own.
VA_DECLARE_EXCEPTION(GIFException, EInvalidGraphic)

// Raises GIFException with the message.
[[noreturn]] void Error(const std::string& message);

// One byte, 0 when the stream has none left.
uint8_t ReadByte(TStream& stream);
void WriteByte(TStream& stream, uint8_t value);
// Exactly size bytes; fewer raise "Premature end of data" (what was there is consumed).
void ReadCheck(TStream& stream, void* buffer, int64_t size);

// Data sub-blocks to lines: each block one line, cut at its first zero byte. The end of the
// stream before a length byte ends the list quietly; a short block raises "Premature end of data".
void ReadStrings(TStream& stream, TStringList& strings);
// Lines to data sub-blocks of at most 255 bytes each (an empty line writes nothing), then a 0.
void WriteStrings(TStream& stream, const TStringList& strings);

// Bits needed for colors colours: 0 for 0, 1 for 1 and 2 (and negative counts), else the smallest
// n with 2^n >= colors.
int ColorResolution(int colors);
// Row length in bytes with rows aligned to alignment bits (a power of two).
int64_t BytesPerScanline(int64_t pixelsPerScanline, int64_t bitsPerPixel, int64_t alignment);

TPixelFormat GetPixelFormat(const TBitmap& bitmap);
void SetPixelFormat(TBitmap& bitmap, TPixelFormat pixelFormat);

class TDIB : public TObject {
public:
    TDIB(TBitmap& bitmap, TPixelFormat pixelFormat) : Bitmap(&bitmap), PixelFormat(pixelFormat) {}
    std::string ClassName() const override { return "TDIB"; }

    virtual uint8_t* ScanLine(int row) = 0;

    TBitmap* const Bitmap;  // not owned
    const TPixelFormat PixelFormat;
};

// Reads a framework bitmap's rows at a pixel format of the caller's choice.
class TDIBReader : public TDIB {
public:
    // Converts the bitmap to pixelFormat in place.
    TDIBReader(TBitmap& bitmap, TPixelFormat pixelFormat);
    std::string ClassName() const override { return "TDIBReader"; }
    uint8_t* ScanLine(int row) override;
};

// Builds an 8- or 24-bit image in memory of its own, rows top-down, and hands it to the bitmap in
// one piece when it goes. A writer whose rows were never asked for leaves the bitmap as it was.
class TDIBWriter : public TDIB {
public:
    // "Unsupported PixelFormat" for other than pf8bit and pf24bit; "Invalid image dimensions" for a
    // width or height of 0 or below. palette is not owned; it gives the 8-bit colour table.
    TDIBWriter(TBitmap& bitmap, TPixelFormat pixelFormat, int width, int height, HPALETTE palette);
    // Hands the image over; never raises.
    ~TDIBWriter() override;
    std::string ClassName() const override { return "TDIBWriter"; }

    // Row 0 is the top row. The first call allocates the pixels: over the bitmap size cap raises
    // EOutOfMemory "Failed to allocate memory for GIF DIB". A row outside 0..Height-1 raises
    // EInvalidGraphicOperation "Scan line index out of range".
    uint8_t* ScanLine(int row) override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int64_t BitsSize() const { return static_cast<int64_t>(bits_.size()); }

private:
    void MakeDIB();

    int width_;
    int height_;
    HPALETTE palette_;
    int64_t bytesPerLine_ = 0;
    std::vector<uint8_t> bits_;
    bool made_ = false;
};
