#include "platform/graphics/Bitmap.h"

#include <atomic>
#include <cstring>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/PixelAccess.h"

using namespace graphics_detail;

namespace {

std::atomic<int64_t> maxImageBytes{int64_t{1} << 29};

bool IsPaletteFormat(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

void CheckFormat(TPixelFormat f) {
    if (f == pf15bit || f == pf16bit || f == pfCustom || f > pfCustom)
        throw EInvalidGraphic("Invalid pixel format");
}

int PaletteCount(HPALETTE p) { return p ? GetPaletteEntryCount(p) : 0; }

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    if (palette_) DeletePalette(palette_);
}

int TBitmap::BitsPerPixel(TPixelFormat format) {
    switch (format) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit:
        case pf16bit: return 16;
        case pf32bit: return 32;
        default: return 24;
    }
}

int64_t TBitmap::BytesPerScanline(int64_t width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) & ~int64_t{31}) / 8;
}

int64_t TBitmap::MaxImageBytes() { return maxImageBytes.load(); }
void TBitmap::SetMaxImageBytes(int64_t value) { maxImageBytes.store(value); }

int64_t TBitmap::CheckedImageBytes(int64_t width, int64_t height, int bits) {
    // Dimensions come from files: keep every product in 64 bits and under the cap.
    if (width < 0 || height < 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw EInvalidGraphic("Invalid bitmap size");
    const int64_t line = BytesPerScanline(width, bits);
    if (height != 0 && line > MaxImageBytes() / height) throw EInvalidGraphic("Invalid bitmap size");
    return line * height;
}

HPALETTE TBitmap::DefaultPalette(TPixelFormat format) {
    std::vector<PALETTEENTRY> e;
    if (format == pf1bit) {
        e = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (format == pf4bit) {
        static const uint8_t vga[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                           {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                           {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                           {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& c : vga) e.push_back({c[0], c[1], c[2], 0});
    } else if (format == pf8bit) {
        // The stock colours at both ends, a 6x6x6 colour cube between them, black in the gap.
        PALETTEENTRY stock[20];
        GetPaletteEntries(GetStockPalette(), 0, 20, stock);
        e.assign(256, PALETTEENTRY{});
        for (int i = 0; i < 10; ++i) e[static_cast<size_t>(i)] = stock[i];
        for (int i = 0; i < 216; ++i)
            e[static_cast<size_t>(10 + i)] = {static_cast<uint8_t>(i / 36 * 51),
                                              static_cast<uint8_t>(i / 6 % 6 * 51),
                                              static_cast<uint8_t>(i % 6 * 51), 0};
        for (int i = 0; i < 10; ++i) e[static_cast<size_t>(246 + i)] = stock[10 + i];
    } else {
        return nullptr;
    }
    return CreatePalette(e.data(), static_cast<int>(e.size()));
}

std::vector<PALETTEENTRY> TBitmap::ColorTable() const {
    const int bits = BitsPerPixel(pixelFormat_);
    if (bits > 8) return {};
    std::vector<PALETTEENTRY> table(size_t{1} << bits);
    if (palette_) GetPaletteEntries(palette_, 0, static_cast<int>(table.size()), table.data());
    return table;
}

void TBitmap::ReplacePalette(HPALETTE value) {
    if (value == palette_) return;
    if (palette_) DeletePalette(palette_);
    palette_ = value;
}

void TBitmap::SetPalette(HPALETTE value) {
    if (value == palette_) return;
    if (!value && IsPaletteFormat(pixelFormat_)) value = DefaultPalette(pixelFormat_);
    ReplacePalette(value);
    SetPaletteModified(true);
    Changed(this);
}

HPALETTE TBitmap::ReleasePalette() {
    HPALETTE p = palette_;
    palette_ = IsPaletteFormat(pixelFormat_) ? DefaultPalette(pixelFormat_) : nullptr;
    return p;
}

void TBitmap::Resize(int width, int height) {
    if (width == width_ && height == height_) return;
    const int bits = BitsPerPixel(pixelFormat_);
    const int64_t total = CheckedImageBytes(width, height, bits);
    const int64_t line = BytesPerScanline(width, bits);
    std::vector<uint8_t> bits2(static_cast<size_t>(total));

    // New area: white, or the table entry nearest to it.
    const int keepW = std::min(width, width_), keepH = std::min(height, height_);
    int whiteIndex = 0;
    if (bits <= 8) {
        NearestIndex nearest(ColorTable(), PaletteCount(palette_));
        whiteIndex = nearest(Rgb{255, 255, 255});
    }
    // Rows of no bytes have nothing to copy or fill: a bitmap with no width and a huge height
    // must not walk every row.
    const int rows = line > 0 ? height : 0;
    for (int y = 0; y < rows; ++y) {
        uint8_t* row = bits2.data() + line * y;
        int x0 = 0;
        // A bitmap with no width has no rows to keep (and may have no store at all).
        if (y < keepH && keepW > 0) {
            const uint8_t* old = bits_.data() + static_cast<size_t>(bytesPerLine_) * y;
            if (bits >= 8) {
                std::memcpy(row, old, static_cast<size_t>(keepW) * (bits / 8));
            } else {
                for (int x = 0; x < keepW; ++x) WriteIndex(row, x, bits, ReadIndex(old, x, bits));
            }
            x0 = keepW;
        }
        for (int x = x0; x < width; ++x) {
            if (bits <= 8) WriteIndex(row, x, bits, whiteIndex);
            else WriteRgb(row, x, bits, Rgb{255, 255, 255});
        }
    }
    bits_.swap(bits2);
    width_ = width;
    height_ = height;
    bytesPerLine_ = static_cast<int>(line);
}

void TBitmap::SetWidth(int value) {
    if (value == width_) return;
    Resize(value, height_);
    Changed(this);
}

void TBitmap::SetHeight(int value) {
    if (value == height_) return;
    Resize(width_, value);
    Changed(this);
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Resize(width, height);
    Changed(this);
}

void TBitmap::Clear() {
    bits_.clear();
    bits_.shrink_to_fit();
    width_ = height_ = 0;
    bytesPerLine_ = 0;
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pixelFormat_) return;
    CheckFormat(value);
    const int oldBits = BitsPerPixel(pixelFormat_), newBits = BitsPerPixel(value);

    // The palette a palette format ends with: the current one when it fits, else the default.
    HPALETTE newPalette = palette_;
    bool ownNew = false;
    if (newBits <= 8 && (!palette_ || PaletteCount(palette_) > (1 << newBits))) {
        newPalette = DefaultPalette(value);
        ownNew = true;
    }
    try {
        if (!Empty()) {
            const int64_t total = CheckedImageBytes(width_, height_, newBits);
            const int64_t line = BytesPerScanline(width_, newBits);
            std::vector<uint8_t> out(static_cast<size_t>(total));
            const std::vector<PALETTEENTRY> oldTable = ColorTable();
            std::vector<PALETTEENTRY> newTable;
            if (newBits <= 8) {
                newTable.resize(size_t{1} << newBits);
                GetPaletteEntries(newPalette, 0, static_cast<int>(newTable.size()), newTable.data());
            }
            NearestIndex nearest(newTable.empty() ? std::vector<PALETTEENTRY>{PALETTEENTRY{}} : newTable,
                                 PaletteCount(newPalette));
            // Index to index with the same palette keeps the indexes that still fit.
            const bool keepIndexes = oldBits <= 8 && newBits <= 8 && newPalette == palette_;
            for (int y = 0; y < height_; ++y) {
                const uint8_t* src = bits_.data() + static_cast<size_t>(bytesPerLine_) * y;
                uint8_t* dst = out.data() + line * y;
                for (int x = 0; x < width_; ++x) {
                    if (keepIndexes) {
                        const int i = ReadIndex(src, x, oldBits);
                        WriteIndex(dst, x, newBits, i < (1 << newBits) ? i : nearest(ReadRgb(src, x, oldBits, oldTable)));
                        continue;
                    }
                    const Rgb c = ReadRgb(src, x, oldBits, oldTable);
                    if (newBits <= 8) WriteIndex(dst, x, newBits, nearest(c));
                    else WriteRgb(dst, x, newBits, c);
                }
            }
            bits_.swap(out);
            bytesPerLine_ = static_cast<int>(line);
        }
    } catch (...) {
        if (ownNew) DeletePalette(newPalette);
        throw;
    }
    if (ownNew) ReplacePalette(newPalette);
    pixelFormat_ = value;
    Changed(this);
}

uint8_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    return bits_.data() + static_cast<size_t>(bytesPerLine_) * y;
}

const uint8_t* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    return bits_.data() + static_cast<size_t>(bytesPerLine_) * y;
}

TColor TBitmap::GetPixel(int x, int y) const {
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return -1;
    const std::vector<PALETTEENTRY> table = ColorTable();
    return RgbToColor(ReadRgb(ScanLine(y), x, BitsPerPixel(pixelFormat_), table));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return;
    const int bits = BitsPerPixel(pixelFormat_);
    if (bits <= 8) {
        NearestIndex nearest(ColorTable(), PaletteCount(palette_));
        WriteIndex(ScanLine(y), x, bits, nearest(ColorToRgb(color)));
    } else {
        WriteRgb(ScanLine(y), x, bits, ColorToRgb(color));
    }
    Changed(this);
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>(*this);
        canvas_->OnChange = [this](TObject*) { Changed(this); };
    }
    return *canvas_;
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == transparentMode_) return;
    if (value == tmAuto) transparentColor_ = clDefault;
    transparentMode_ = value;
    Changed(this);
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed) return transparentColor_;
    if (Empty()) return clDefault;
    return GetPixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == transparentColor_ && transparentMode_ == tmFixed) return;
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::TakeImage(TPixelFormat format, int width, int height, std::vector<uint8_t> rows,
                        HPALETTE palette) {
    const int bits = BitsPerPixel(format);
    try {
        CheckFormat(format);
        const int64_t total = CheckedImageBytes(width, height, bits);
        if (static_cast<int64_t>(rows.size()) != total) throw EInvalidGraphic("Invalid bitmap size");
    } catch (...) {
        if (palette && palette != palette_) DeletePalette(palette);
        throw;
    }
    if (!palette && bits <= 8) palette = DefaultPalette(format);
    bits_.swap(rows);
    width_ = width;
    height_ = height;
    bytesPerLine_ = static_cast<int>(BytesPerScanline(width, bits));
    pixelFormat_ = format;
    ReplacePalette(palette);
    Changed(this);
}

void TBitmap::Assign(TPersistent* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        Changed(this);
        return;
    }
    if (auto* src = dynamic_cast<TBitmap*>(source)) {
        HPALETTE p = src->palette_ ? CopyPalette(src->palette_) : nullptr;
        std::vector<uint8_t> copy = src->bits_;
        bits_.swap(copy);
        width_ = src->width_;
        height_ = src->height_;
        bytesPerLine_ = src->bytesPerLine_;
        pixelFormat_ = src->pixelFormat_;
        ReplacePalette(p);
        transparentMode_ = src->transparentMode_;
        transparentColor_ = src->transparentColor_;
        SetTransparent(src->Transparent());
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty()) return;
    canvas.StretchBlt(rect, *this, TRect{0, 0, width_, height_},
                      Transparent() ? TransparentColor() : clNone);
}

// ---- Device-independent bitmap files ----

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

void ReadExact(TStream& s, void* buf, int64_t n) {
    if (n > 0 && s.Read(buf, n) != n) InvalidBitmap();
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t fh[14];
    ReadExact(stream, fh, 14);
    if (fh[0] != 'B' || fh[1] != 'M') InvalidBitmap();
    const uint32_t offBits = Le32(fh + 10);

    uint8_t ih[124] = {};
    ReadExact(stream, ih, 4);
    const uint32_t headerSize = Le32(ih);
    if (headerSize < 40 || headerSize > 124) InvalidBitmap();
    ReadExact(stream, ih + 4, headerSize - 4);
    const int32_t w = static_cast<int32_t>(Le32(ih + 4));
    const int32_t h = static_cast<int32_t>(Le32(ih + 8));
    const uint16_t bitCount = Le16(ih + 14);
    const uint32_t compression = Le32(ih + 16);
    uint32_t clrUsed = Le32(ih + 32);

    TPixelFormat format;
    switch (bitCount) {
        case 1: format = pf1bit; break;
        case 4: format = pf4bit; break;
        case 8: format = pf8bit; break;
        case 24: format = pf24bit; break;
        case 32: format = pf32bit; break;
        default: InvalidBitmap();
    }
    // Uncompressed only; 32-bit data may name its masks, which must be the plain byte order.
    if (compression == 3 && bitCount == 32) {
        uint32_t masks[3];
        if (headerSize >= 52) {
            masks[0] = Le32(ih + 40), masks[1] = Le32(ih + 44), masks[2] = Le32(ih + 48);
        } else {
            uint8_t m[12];
            ReadExact(stream, m, 12);
            masks[0] = Le32(m), masks[1] = Le32(m + 4), masks[2] = Le32(m + 8);
        }
        if (masks[0] != 0x00FF0000u || masks[1] != 0x0000FF00u || masks[2] != 0x000000FFu)
            InvalidBitmap();
    } else if (compression != 0) {
        InvalidBitmap();
    }
    if (w <= 0 || h == 0 || h == INT32_MIN) InvalidBitmap();
    const bool topDown = h < 0;
    const int height = topDown ? -h : h;

    HPALETTE palette = nullptr;
    if (bitCount <= 8) {
        const uint32_t maxColors = 1u << bitCount;
        if (clrUsed == 0 || clrUsed > maxColors) clrUsed = maxColors;
        std::vector<uint8_t> quads(clrUsed * 4);
        ReadExact(stream, quads.data(), static_cast<int64_t>(quads.size()));
        std::vector<PALETTEENTRY> entries(clrUsed);
        for (uint32_t i = 0; i < clrUsed; ++i)
            entries[i] = {quads[i * 4 + 2], quads[i * 4 + 1], quads[i * 4], 0};
        palette = CreatePalette(entries.data(), static_cast<int>(clrUsed));
    }
    try {
        const int64_t total = CheckedImageBytes(w, height, bitCount);
        const int64_t line = BytesPerScanline(w, bitCount);
        // The pixels must be there before so much memory is taken for them.
        if (stream.Size() - (start + static_cast<int64_t>(offBits)) < total) InvalidBitmap();
        std::vector<uint8_t> rows(static_cast<size_t>(total));
        stream.SetPosition(start + offBits);
        for (int y = 0; y < height; ++y) {
            const int target = topDown ? y : height - 1 - y;
            ReadExact(stream, rows.data() + line * target, line);
        }
        if (bitCount == 32)
            for (size_t i = 3; i < rows.size(); i += 4) rows[i] = 0;
        // The palette is the bitmap's from here on, also when a change handler raises.
        HPALETTE taken = palette;
        palette = nullptr;
        TakeImage(format, w, height, std::move(rows), taken);
    } catch (...) {
        if (palette) DeletePalette(palette);
        throw;
    }
}

void TBitmap::SaveToStream(TStream& stream) {
    if (Empty()) return;
    const int bits = BitsPerPixel(pixelFormat_);
    const std::vector<PALETTEENTRY> table = ColorTable();
    const uint32_t infoSize = 40 + static_cast<uint32_t>(table.size()) * 4;
    const uint32_t imageSize = static_cast<uint32_t>(bits_.size());
    std::vector<uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    Put32(head, 14 + infoSize + imageSize);
    Put32(head, 0);
    Put32(head, 14 + infoSize);
    Put32(head, 40);
    Put32(head, static_cast<uint32_t>(width_));
    Put32(head, static_cast<uint32_t>(height_));
    Put16(head, 1);
    Put16(head, static_cast<uint16_t>(bits));
    Put32(head, 0);
    Put32(head, imageSize);
    Put32(head, 2835);
    Put32(head, 2835);
    Put32(head, static_cast<uint32_t>(table.size()));
    Put32(head, 0);
    for (const PALETTEENTRY& e : table) {
        head.push_back(e.peBlue);
        head.push_back(e.peGreen);
        head.push_back(e.peRed);
        head.push_back(0);
    }
    stream.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
    for (int y = height_ - 1; y >= 0; --y) stream.WriteBuffer(ScanLine(y), bytesPerLine_);
}

void TBitmap::LoadFromClipboardFormat(unsigned format, HCLIPDATA data, HPALETTE) {
    if (format == CF_BITMAP && !data) data = GetClipboardData(format);
    if (format != CF_BITMAP || !data || !data->Bitmap)
        throw EInvalidGraphic("Unsupported clipboard format");
    Assign(const_cast<TBitmap*>(data->Bitmap.get()));
}

void TBitmap::SaveToClipboardFormat(unsigned& format, HCLIPDATA& data, HPALETTE& palette) {
    auto copy = std::make_shared<TBitmap>();
    copy->Assign(this);
    auto d = std::make_shared<TClipboardData>();
    d->Bitmap = std::move(copy);
    format = CF_BITMAP;
    data = std::move(d);
    palette = palette_ ? CopyPalette(palette_) : nullptr;
}

void TBitmap::SaveToClipboard() {
    unsigned format = 0;
    HCLIPDATA data;
    HPALETTE palette = nullptr;
    SaveToClipboardFormat(format, data, palette);
    if (palette) DeletePalette(palette);
    EmptyClipboard();
    if (!SetClipboardData(format, data)) throw EInvalidGraphic("Unsupported clipboard format");
}

void TBitmap::LoadFromClipboard() { LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr); }
