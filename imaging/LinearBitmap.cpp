#include "imaging/LinearBitmap.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "imaging/BitmapLoader.h"

uint8_t GrayPalette[768];

namespace {

std::atomic<int64_t> maxSize{int64_t{1} << 28};

int PixelSizeOf(TPixelFormat f) {
    switch (f) {
        case pf8bit: return 1;
        case pf16bit: return 2;
        case pf24bit: return 3;
        case pf32bit: return 4;
        default: return 0;
    }
}

// Bytes of pixels for the size, checked in 64 bits against the cap; whatever the cap, Size and
// the spare byte behind it stay within the int fields.
int64_t CheckedSize(int64_t width, int64_t height, int pixelSize) {
    if (width < 1 || height < 1) throw ELinearBitmap("Invalid bitmap size");
    const int64_t line = width * pixelSize;
    const int64_t cap = std::min<int64_t>(TLinearBitmap::MaxSize(), INT32_MAX - 1);
    if (line > cap / height) throw ELinearBitmap("Invalid bitmap size");
    return line * height;
}

uint8_t* Allocate(int64_t bytes) {
    auto* p = new (std::nothrow) uint8_t[static_cast<size_t>(bytes)];
    if (!p) throw EOutOfMemory("Out of memory");
    return p;
}

// Guards the hand-over between two imaging classes that know neither each other.
thread_local bool handingOver = false;

// Runs hand unless a hand-over is already under way (each side would else hand back to the other
// for ever); true when hand ran.
template <class F>
bool HandOver(F&& hand) {
    if (handingOver) return false;
    handingOver = true;
    try {
        hand();
    } catch (...) {
        handingOver = false;
        throw;
    }
    handingOver = false;
    return true;
}

}  // namespace

// ---- TAssignObject ----

void TAssignObject::Assign(TObject* source) {
    auto* other = dynamic_cast<TAssignObject*>(source);
    if (other && HandOver([&] { other->AssignTo(this); })) return;
    throw Exception(AssignErrorText(source, this));
}

void TAssignObject::AssignTo(TObject* dest) {
    auto* other = dynamic_cast<TAssignObject*>(dest);
    if (other && HandOver([&] { other->Assign(this); })) return;
    throw Exception(AssignErrorText(this, dest));
}

// ---- Palette routines ----

void ColorsToPaletteEntries(const uint8_t* colors, PALETTEENTRY* entries, int count) {
    for (int i = 0; i < count; ++i)
        entries[i] = PALETTEENTRY{colors[i * 3 + 2], colors[i * 3 + 1], colors[i * 3], PC_RESERVED};
}

HPALETTE MakePalette(const uint8_t* colors, int count) {
    if (count < 1 || count > 256) return nullptr;
    PALETTEENTRY entries[256];
    ColorsToPaletteEntries(colors, entries, count);
    return CreatePalette(entries, count);
}

void LoadPalette(HPALETTE palette, int count, uint8_t* colors) {
    if (!palette) {
        std::memcpy(colors, GrayPalette, 768);
        return;
    }
    PALETTEENTRY entries[256];
    const int n = GetPaletteEntries(palette, 0, std::min(std::max(count, 0), 256), entries);
    for (int i = 0; i < 256; ++i) {
        if (i < n) {
            colors[i * 3] = entries[i].peBlue;
            colors[i * 3 + 1] = entries[i].peGreen;
            colors[i * 3 + 2] = entries[i].peRed;
        } else {
            colors[i * 3] = colors[i * 3 + 1] = colors[i * 3 + 2] = 0;
        }
    }
}

// ---- TLinearBitmap ----

int64_t TLinearBitmap::MaxSize() { return maxSize.load(); }
void TLinearBitmap::SetMaxSize(int64_t bytes) { maxSize.store(bytes); }

TLinearBitmap::~TLinearBitmap() {
    delete[] Map;
    delete[] Palette;
}

void TLinearBitmap::New(int width, int height, TPixelFormat format) {
    if (Present && width == Width && height == Height && format == PixelFormat) return;
    const int pixelSize = PixelSizeOf(format);
    if (pixelSize == 0) throw ELinearBitmap("Unsupported pixel format");
    const int64_t size = CheckedSize(width, height, pixelSize);

    // Everything new is allocated first, so that a failure leaves the bitmap as it was.
    uint8_t* map = Allocate(size + 1);
    uint8_t* palette = nullptr;
    if (format == pf8bit && !Palette) {
        try {
            palette = Allocate(768);
        } catch (...) {
            delete[] map;
            throw;
        }
        std::memset(palette, 0, 768);
    }
    delete[] Map;
    Map = map;
    if (format == pf8bit) {
        if (palette) Palette = palette;
    } else {
        delete[] Palette;
        Palette = nullptr;
    }
    Width = width;
    Height = height;
    PixelSize = pixelSize;
    BytesPerLine = width * pixelSize;
    PixelFormat = format;
    Size = static_cast<int>(size);
    Present = true;
}

void TLinearBitmap::Clear() {
    delete[] Map;
    Map = nullptr;
    delete[] Palette;
    Palette = nullptr;
    Present = false;
    Width = Height = Size = PixelSize = 0;
    BytesPerLine = 0;
    PixelFormat = pfCustom;
}

uint8_t* TLinearBitmap::ScanLine(int row) {
    if (!Present || row < 0 || row >= Height) throw ELinearBitmap("Scan line index out of range");
    return Map + static_cast<size_t>(row) * BytesPerLine;
}

bool TLinearBitmap::IsGrayScale() const {
    if (!Present) return false;
    switch (PixelFormat) {
        case pf8bit:
            for (int i = 0; i < 256; ++i)
                if (Palette[i * 3] != i || Palette[i * 3 + 1] != i || Palette[i * 3 + 2] != i) return false;
            return true;
        case pf16bit: return true;
        case pf24bit:
            for (int64_t i = 0; i + 2 < static_cast<int64_t>(Size); i += 3)
                if (Map[i] != Map[i + 1] || Map[i] != Map[i + 2]) return false;
            return true;
        default: return false;
    }
}

void TLinearBitmap::SetPixelFormat(TPixelFormat format) {
    if (!Present || format == PixelFormat) return;
    if (format != pf8bit && format != pf24bit && format != pf32bit)
        throw ELinearBitmap("Unsupported pixel format");
    const int newPixelSize = PixelSizeOf(format);
    const int64_t size = CheckedSize(Width, Height, newPixelSize);
    const int64_t pixels = static_cast<int64_t>(Width) * Height;

    uint8_t* map = Allocate(size + 1);
    uint8_t* palette = nullptr;
    try {
        if (format == pf8bit) palette = Allocate(768);
    } catch (...) {
        delete[] map;
        throw;
    }
    map[size] = 0;

    // Reads pixel i of the old store as blue, green, red.
    auto bgr = [&](int64_t i, uint8_t& b, uint8_t& g, uint8_t& r) {
        const uint8_t* p = Map + i * PixelSize;
        switch (PixelFormat) {
            case pf8bit: {
                const uint8_t* e = Palette + p[0] * 3;
                b = e[0], g = e[1], r = e[2];
                break;
            }
            case pf16bit: b = g = r = p[1]; break;
            default: b = p[0], g = p[1], r = p[2]; break;
        }
    };

    if (format == pf8bit) {
        if (PixelFormat == pf16bit) {
            for (int64_t i = 0; i < pixels; ++i) map[i] = Map[i * 2 + 1];
            std::memcpy(palette, GrayPalette, 768);
        } else {
            // Red in bits 7-5, green in bits 4-2, blue in bits 1-0.
            for (int64_t i = 0; i < pixels; ++i) {
                uint8_t b, g, r;
                bgr(i, b, g, r);
                map[i] = static_cast<uint8_t>((r & 0xE0) | ((g >> 5) << 2) | (b >> 6));
            }
            for (int i = 0; i < 256; ++i) {
                palette[i * 3] = static_cast<uint8_t>((i & 3) * 85);
                palette[i * 3 + 1] = static_cast<uint8_t>(std::lround(((i >> 2) & 7) * 255.0 / 7));
                palette[i * 3 + 2] = static_cast<uint8_t>(std::lround((i >> 5) * 255.0 / 7));
            }
        }
    } else {
        for (int64_t i = 0; i < pixels; ++i) {
            uint8_t* q = map + i * newPixelSize;
            bgr(i, q[0], q[1], q[2]);
            if (newPixelSize == 4) q[3] = 0;
        }
    }

    delete[] Map;
    Map = map;
    delete[] Palette;
    Palette = palette;
    PixelSize = newPixelSize;
    BytesPerLine = Width * newPixelSize;
    Size = static_cast<int>(size);
    PixelFormat = format;
}

void TLinearBitmap::TakeOver(TLinearBitmap& other) {
    if (&other == this) return;
    Clear();
    Width = other.Width;
    Height = other.Height;
    PixelFormat = other.PixelFormat;
    BytesPerLine = other.BytesPerLine;
    PixelSize = other.PixelSize;
    Size = other.Size;
    Present = other.Present;
    Map = other.Map;
    Palette = other.Palette;
    other.Map = nullptr;
    other.Palette = nullptr;
    other.Present = false;
}

void TLinearBitmap::PackRows() {
    if (!Present || Width * PixelSize == BytesPerLine) return;
    const int64_t line = static_cast<int64_t>(Width) * PixelSize;
    const int64_t size = line * Height;
    uint8_t* map = Allocate(size + 1);
    map[size] = 0;
    for (int y = 0; y < Height; ++y)
        std::memcpy(map + line * y, Map + static_cast<int64_t>(BytesPerLine) * y, static_cast<size_t>(line));
    delete[] Map;
    Map = map;
    BytesPerLine = static_cast<int>(line);
    Size = static_cast<int>(size);
}

void TLinearBitmap::LoadFromStream(TStream& stream, const std::string& formatName) {
    TNorvFilterStream filter(stream);
    LoadFromStream(filter, formatName);
}

void TLinearBitmap::LoadFromStream(TSeekableStream& stream, const std::string& formatName) {
    TBitmapLoader& loader = BitmapLoaders().FindLoader(formatName);
    Clear();
    loader.LoadFromStream(stream, formatName, *this);
}

void TLinearBitmap::CopyFromBitmap(TBitmap& source) {
    if (source.Width() == 0 || source.Height() == 0) {
        Clear();
        return;
    }
    New(source.Width(), source.Height(), source.PixelFormat());
    for (int y = 0; y < Height; ++y)
        std::memcpy(Map + static_cast<int64_t>(BytesPerLine) * y, source.ScanLine(y),
                    static_cast<size_t>(BytesPerLine));
    if (PixelFormat == pf8bit) LoadPalette(source.Palette(), 256, Palette);
}

void TLinearBitmap::Assign(TObject* source) {
    if (source == this) return;
    if (auto* lb = dynamic_cast<TLinearBitmap*>(source)) {
        if (!lb->Present) {
            Clear();
            return;
        }
        New(lb->Width, lb->Height, lb->PixelFormat);
        if (BytesPerLine == lb->BytesPerLine) {
            std::memcpy(Map, lb->Map, static_cast<size_t>(Size));
        } else {
            for (int y = 0; y < Height; ++y)
                std::memcpy(Map + static_cast<int64_t>(BytesPerLine) * y,
                            lb->Map + static_cast<int64_t>(lb->BytesPerLine) * y, static_cast<size_t>(BytesPerLine));
        }
        if (PixelFormat == pf8bit) std::memcpy(Palette, lb->Palette, 768);
        return;
    }
    if (auto* bmp = dynamic_cast<TBitmap*>(source);
        bmp && (bmp->PixelFormat() == pf8bit || bmp->PixelFormat() == pf24bit || bmp->PixelFormat() == pf32bit)) {
        CopyFromBitmap(*bmp);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        TBitmap tmp;
        try {
            tmp.Assign(graphic);
        } catch (const Exception&) {
            // A graphic that cannot copy itself into a bitmap may still draw itself onto one.
            tmp.SetPixelFormat(pf24bit);
            tmp.SetWidth(graphic->Width());
            tmp.SetHeight(graphic->Height());
            tmp.Canvas().Draw(0, 0, graphic);
        }
        const TPixelFormat f = tmp.PixelFormat();
        if (f != pf8bit && f != pf24bit && f != pf32bit) tmp.SetPixelFormat(pf24bit);
        CopyFromBitmap(tmp);
        return;
    }
    if (auto* persistent = dynamic_cast<TPersistent*>(source)) {
        TBitmap tmp;
        tmp.Assign(persistent);
        const TPixelFormat f = tmp.PixelFormat();
        if (f != pf8bit && f != pf24bit) tmp.SetPixelFormat(pf24bit);
        CopyFromBitmap(tmp);
        return;
    }
    TAssignObject::Assign(source);
}

void TLinearBitmap::AssignTo(TObject* dest) {
    if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
        if (!Present) return;
        // Every pixel is overwritten: the old ones need no conversion on the way.
        bmp->Clear();
        bmp->SetPixelFormat(PixelFormat == pf16bit ? pf8bit : PixelFormat);
        if (PixelFormat == pf8bit) bmp->SetPalette(MakePalette(Palette, 256));
        else if (PixelFormat == pf16bit) bmp->SetPalette(MakePalette(GrayPalette, 256));
        bmp->SetWidth(Width);
        bmp->SetHeight(Height);
        CopyToBitmap(*bmp);
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(dest)) {
        AssignTo(picture->Bitmap());
        return;
    }
    TAssignObject::AssignTo(dest);
}

void TLinearBitmap::CopyToBitmap(TBitmap& dest) {
    if (!Present || Height < 1) return;
    const TPixelFormat df = dest.PixelFormat();
    const bool same = df == PixelFormat;
    if (!same && !(PixelFormat == pf8bit && df == pf24bit) && !(PixelFormat == pf16bit && df == pf8bit))
        throw ELinearBitmap("Unsupported pixel format");
    // Row by row through the bitmap's own rows; never past either picture.
    const int rows = std::min(Height, dest.Height());
    const int width = std::min(Width, dest.Width());
    if (rows < 1 || width < 1) return;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src = Map + static_cast<int64_t>(BytesPerLine) * y;
        uint8_t* dst = dest.ScanLine(y);
        if (same) {
            std::memcpy(dst, src, static_cast<size_t>(width) * PixelSize);
        } else if (PixelFormat == pf8bit) {
            for (int x = 0; x < width; ++x) std::memcpy(dst + x * 3, Palette + src[x] * 3, 3);
        } else {
            for (int x = 0; x < width; ++x) dst[x] = src[x * 2 + 1];
        }
    }
    dest.Changed(&dest);
}
