#include "imaging/gif/GIFSupport.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/SysServices.h"

void Error(const std::string& message) { throw GIFException(message); }

uint8_t ReadByte(TStream& stream) {
    uint8_t b = 0;
    if (stream.Read(&b, 1) != 1) return 0;
    return b;
}

void WriteByte(TStream& stream, uint8_t value) { stream.WriteBuffer(&value, 1); }

void ReadCheck(TStream& stream, void* buffer, int64_t size) {
    if (size <= 0) return;
    if (stream.Read(buffer, size) != size) Error("Premature end of data");
}

void ReadStrings(TStream& stream, TStringList& strings) {
    strings.Clear();
    uint8_t size = 0;
    char block[256];
    while (stream.Read(&size, 1) == 1 && size > 0) {
        ReadCheck(stream, block, size);
        const void* zero = std::memchr(block, 0, size);
        const size_t len = zero ? static_cast<size_t>(static_cast<const char*>(zero) - block) : size;
        strings.Add(std::string(block, len));
    }
}

void WriteStrings(TStream& stream, const TStringList& strings) {
    for (const std::string& line : strings) {
        for (size_t at = 0; at < line.size(); at += 255) {
            const size_t piece = std::min<size_t>(255, line.size() - at);
            WriteByte(stream, static_cast<uint8_t>(piece));
            stream.WriteBuffer(line.data() + at, static_cast<int64_t>(piece));
        }
    }
    WriteByte(stream, 0);
}

int ColorResolution(int colors) {
    if (colors == 0) return 0;
    if (colors <= 2) return 1;
    int bits = 1;
    while (bits < 31 && (int64_t{1} << bits) < colors) ++bits;
    return bits;
}

int64_t BytesPerScanline(int64_t pixelsPerScanline, int64_t bitsPerPixel, int64_t alignment) {
    return ((pixelsPerScanline * bitsPerPixel + alignment - 1) & ~(alignment - 1)) >> 3;
}

TPixelFormat GetPixelFormat(const TBitmap& bitmap) { return bitmap.PixelFormat(); }
void SetPixelFormat(TBitmap& bitmap, TPixelFormat pixelFormat) { bitmap.SetPixelFormat(pixelFormat); }

TDIBReader::TDIBReader(TBitmap& bitmap, TPixelFormat pixelFormat) : TDIB(bitmap, pixelFormat) {
    SetPixelFormat(bitmap, pixelFormat);
}

uint8_t* TDIBReader::ScanLine(int row) { return Bitmap->ScanLine(row); }

TDIBWriter::TDIBWriter(TBitmap& bitmap, TPixelFormat pixelFormat, int width, int height,
                       HPALETTE palette)
    : TDIB(bitmap, pixelFormat), width_(width), height_(height), palette_(palette) {
    if (pixelFormat != pf8bit && pixelFormat != pf24bit) Error("Unsupported PixelFormat");
    // Negative sizes would give negative row lengths.
    if (width <= 0 || height <= 0) Error("Invalid image dimensions");
}

void TDIBWriter::MakeDIB() {
    const int bits = PixelFormat == pf8bit ? 8 : 24;
    bytesPerLine_ = ::BytesPerScanline(width_, bits, 32);
    // Both factors are below 2^31 and 2^34: the product fits 64 bits.
    const int64_t size = bytesPerLine_ * height_;
    if (size > TBitmap::MaxImageBytes()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    try {
        bits_.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
    made_ = true;
}

uint8_t* TDIBWriter::ScanLine(int row) {
    if (!made_) MakeDIB();
    if (row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush();
    return bits_.data() + bytesPerLine_ * row;
}

TDIBWriter::~TDIBWriter() {
    if (!made_) return;
    try {
        HPALETTE table = nullptr;
        if (PixelFormat == pf8bit) {
            // The bitmap owns what it is given: a colour table of its own, the palette's entries
            // and black after them, never the caller's palette.
            std::vector<PALETTEENTRY> entries(256);
            if (palette_) {
                const int count = std::min(256, GetPaletteEntryCount(palette_));
                GetPaletteEntries(palette_, 0, count, entries.data());
            }
            for (PALETTEENTRY& e : entries) e.peFlags = 0;
            table = CreatePalette(entries.data(), 256);
        }
        Bitmap->TakeImage(PixelFormat, width_, height_, std::move(bits_), table);
    } catch (...) {
        // A destructor must not raise; the sizes were checked when the rows were made.
    }
}
