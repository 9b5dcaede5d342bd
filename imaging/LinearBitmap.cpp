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

// Contents undefined, as the pixels are always written before they are read.
std::unique_ptr<uint8_t[]> Allocate(int64_t bytes) {
    std::unique_ptr<uint8_t[]> p(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
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

void TLinearBitmap::New(int width, int height, TPixelFormat format) {
    if (present_ && width == width_ && height == height_ && format == pixelFormat_) return;
    const int pixelSize = PixelSizeOf(format);
    if (pixelSize == 0) throw ELinearBitmap("Unsupported pixel format");
    const int64_t size = CheckedSize(width, height, pixelSize);

    // Everything new is allocated first, so that a failure leaves the bitmap as it was.
    Store map = Allocate(size + 1);
    Store palette;
    if (format == pf8bit && !palette_) {
        palette = Allocate(768);
        std::memset(palette.get(), 0, 768);
    }
    map_ = std::move(map);
    if (format == pf8bit) {
        if (palette) palette_ = std::move(palette);
    } else {
        palette_.reset();
    }
    width_ = width;
    height_ = height;
    pixelSize_ = pixelSize;
    pixelFormat_ = format;
    present_ = true;
}

void TLinearBitmap::Clear() {
    map_.reset();
    palette_.reset();
    present_ = false;
    width_ = height_ = pixelSize_ = 0;
    pixelFormat_ = pfCustom;
}

uint8_t* TLinearBitmap::ScanLine(int row) {
    if (!present_ || row < 0 || row >= height_) throw ELinearBitmap("Scan line index out of range");
    return map_.get() + static_cast<size_t>(row) * BytesPerLine();
}

const uint8_t* TLinearBitmap::ScanLine(int row) const {
    return const_cast<TLinearBitmap*>(this)->ScanLine(row);
}

bool TLinearBitmap::IsGrayScale() const {
    if (!present_) return false;
    const uint8_t* map = map_.get();
    switch (pixelFormat_) {
        case pf8bit:
            for (int i = 0; i < 256; ++i)
                if (palette_[i * 3] != i || palette_[i * 3 + 1] != i || palette_[i * 3 + 2] != i) return false;
            return true;
        case pf16bit: return true;
        case pf24bit:
            for (int64_t i = 0; i + 2 < static_cast<int64_t>(Size()); i += 3)
                if (map[i] != map[i + 1] || map[i] != map[i + 2]) return false;
            return true;
        default: return false;
    }
}

void TLinearBitmap::SetPixelFormat(TPixelFormat format) {
    if (!present_ || format == pixelFormat_) return;
    if (format != pf8bit && format != pf24bit && format != pf32bit)
        throw ELinearBitmap("Unsupported pixel format");
    const int newPixelSize = PixelSizeOf(format);
    const int64_t size = CheckedSize(width_, height_, newPixelSize);
    const int64_t pixels = static_cast<int64_t>(width_) * height_;

    Store map = Allocate(size + 1);
    Store palette;
    if (format == pf8bit) palette = Allocate(768);
    map[size] = 0;

    const uint8_t* old = map_.get();
    // Reads pixel i of the old store as blue, green, red.
    auto bgr = [&](int64_t i, uint8_t& b, uint8_t& g, uint8_t& r) {
        const uint8_t* p = old + i * pixelSize_;
        switch (pixelFormat_) {
            case pf8bit: {
                const uint8_t* e = palette_.get() + p[0] * 3;
                b = e[0], g = e[1], r = e[2];
                break;
            }
            case pf16bit: b = g = r = p[1]; break;
            default: b = p[0], g = p[1], r = p[2]; break;
        }
    };

    if (format == pf8bit) {
        if (pixelFormat_ == pf16bit) {
            for (int64_t i = 0; i < pixels; ++i) map[i] = old[i * 2 + 1];
            std::memcpy(palette.get(), GrayPalette, 768);
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
            uint8_t* q = map.get() + i * newPixelSize;
            bgr(i, q[0], q[1], q[2]);
            if (newPixelSize == 4) q[3] = 0;
        }
    }

    map_ = std::move(map);
    palette_ = std::move(palette);
    pixelSize_ = newPixelSize;
    pixelFormat_ = format;
}

void TLinearBitmap::TakeOver(TLinearBitmap& other) {
    if (&other == this) return;
    Clear();
    width_ = other.width_;
    height_ = other.height_;
    pixelFormat_ = other.pixelFormat_;
    pixelSize_ = other.pixelSize_;
    present_ = other.present_;
    map_ = std::move(other.map_);
    palette_ = std::move(other.palette_);
    other.present_ = false;
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
    for (int y = 0; y < height_; ++y)
        std::memcpy(ScanLine(y), source.ScanLine(y), static_cast<size_t>(BytesPerLine()));
    if (pixelFormat_ == pf8bit) LoadPalette(source.Palette(), 256, palette_.get());
}

void TLinearBitmap::Assign(TObject* source) {
    if (source == this) return;
    if (auto* lb = dynamic_cast<TLinearBitmap*>(source)) {
        if (!lb->present_) {
            Clear();
            return;
        }
        New(lb->width_, lb->height_, lb->pixelFormat_);
        std::memcpy(map_.get(), lb->map_.get(), static_cast<size_t>(Size()));
        if (pixelFormat_ == pf8bit) std::memcpy(palette_.get(), lb->palette_.get(), 768);
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
        if (!present_) return;
        // Every pixel is overwritten: the old ones need no conversion on the way.
        bmp->Clear();
        bmp->SetPixelFormat(pixelFormat_ == pf16bit ? pf8bit : pixelFormat_);
        if (pixelFormat_ == pf8bit) bmp->SetPalette(MakePalette(palette_.get(), 256));
        else if (pixelFormat_ == pf16bit) bmp->SetPalette(MakePalette(GrayPalette, 256));
        bmp->SetWidth(width_);
        bmp->SetHeight(height_);
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
    if (!present_ || height_ < 1) return;
    const TPixelFormat df = dest.PixelFormat();
    const bool same = df == pixelFormat_;
    if (!same && !(pixelFormat_ == pf8bit && df == pf24bit) && !(pixelFormat_ == pf16bit && df == pf8bit))
        throw ELinearBitmap("Unsupported pixel format");
    // Row by row through the bitmap's own rows; never past either picture.
    const int rows = std::min(height_, dest.Height());
    const int width = std::min(width_, dest.Width());
    if (rows < 1 || width < 1) return;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src = ScanLine(y);
        uint8_t* dst = dest.ScanLine(y);
        if (same) {
            std::memcpy(dst, src, static_cast<size_t>(width) * pixelSize_);
        } else if (pixelFormat_ == pf8bit) {
            for (int x = 0; x < width; ++x) std::memcpy(dst + x * 3, palette_.get() + src[x] * 3, 3);
        } else {
            for (int x = 0; x < width; ++x) dst[x] = src[x * 2 + 1];
        }
    }
    dest.Changed(&dest);
}
