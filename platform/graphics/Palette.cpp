#include "platform/graphics/Palette.h"

#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

struct TPaletteObject {
    std::vector<PALETTEENTRY> entries;
};

namespace {

// Live handles, so that a stale or foreign handle is refused instead of read.
struct Registry {
    std::mutex lock;
    std::unordered_set<HPALETTE> live;
};

Registry& Palettes() {
    static Registry r;
    return r;
}

TPaletteObject* StockObject() {
    static TPaletteObject* stock = [] {
        static const uint8_t colors[20][3] = {
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        auto* p = new TPaletteObject;
        for (const auto& c : colors) p->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
        std::lock_guard<std::mutex> g(Palettes().lock);
        Palettes().live.insert(p);
        return p;
    }();
    return stock;
}

// Runs f on the palette's entries while the registry is locked; false for an unknown handle.
template <typename F>
bool WithPalette(HPALETTE palette, F&& f) {
    StockObject();
    std::lock_guard<std::mutex> g(Palettes().lock);
    if (!palette || !Palettes().live.count(palette)) return false;
    f(palette->entries);
    return true;
}

}  // namespace

HPALETTE CreatePalette(const PALETTEENTRY* entries, int count) {
    if (!entries || count < 1 || count > 256) return nullptr;
    auto* p = new TPaletteObject;
    p->entries.assign(entries, entries + count);
    std::lock_guard<std::mutex> g(Palettes().lock);
    Palettes().live.insert(p);
    return p;
}

int GetPaletteEntries(HPALETTE palette, int start, int count, PALETTEENTRY* out) {
    int n = 0;
    WithPalette(palette, [&](std::vector<PALETTEENTRY>& e) {
        const int size = static_cast<int>(e.size());
        if (!out) {
            n = size;
            return;
        }
        if (start < 0 || count <= 0 || start >= size) return;
        n = std::min(count, size - start);
        std::memcpy(out, e.data() + start, static_cast<size_t>(n) * sizeof(PALETTEENTRY));
    });
    return n;
}

int GetPaletteEntryCount(HPALETTE palette) { return GetPaletteEntries(palette, 0, 0, nullptr); }

int SetPaletteEntries(HPALETTE palette, int start, int count, const PALETTEENTRY* entries) {
    int n = 0;
    if (palette == StockObject()) return 0;
    WithPalette(palette, [&](std::vector<PALETTEENTRY>& e) {
        const int size = static_cast<int>(e.size());
        if (!entries || start < 0 || count <= 0 || start >= size) return;
        n = std::min(count, size - start);
        std::memcpy(e.data() + start, entries, static_cast<size_t>(n) * sizeof(PALETTEENTRY));
    });
    return n;
}

HPALETTE CopyPalette(HPALETTE palette) {
    std::vector<PALETTEENTRY> copy;
    if (!WithPalette(palette, [&](std::vector<PALETTEENTRY>& e) { copy = e; })) return nullptr;
    return CreatePalette(copy.data(), static_cast<int>(copy.size()));
}

HPALETTE CreateHalftonePalette() {
    PALETTEENTRY e[256];
    PALETTEENTRY stock[20];
    GetPaletteEntries(StockObject(), 0, 20, stock);
    for (int i = 0; i < 10; ++i) {
        e[i] = stock[i];
        e[246 + i] = stock[10 + i];
    }
    for (int i = 0; i < 216; ++i)
        e[10 + i] = PALETTEENTRY{static_cast<uint8_t>(i / 36 * 51), static_cast<uint8_t>(i / 6 % 6 * 51),
                                 static_cast<uint8_t>(i % 6 * 51), 0};
    // k * 255 / 21 for k = 1..20 never lands on a multiple of 51, so no grey repeats the cube's.
    for (int k = 1; k <= 20; ++k) {
        const auto v = static_cast<uint8_t>((k * 255 + 10) / 21);
        e[225 + k] = PALETTEENTRY{v, v, v, 0};
    }
    return CreatePalette(e, 256);
}

bool DeletePalette(HPALETTE palette) {
    if (palette == StockObject()) return true;
    {
        std::lock_guard<std::mutex> g(Palettes().lock);
        if (!palette || !Palettes().live.erase(palette)) return false;
    }
    delete palette;
    return true;
}

bool IsPalette(HPALETTE palette) {
    return WithPalette(palette, [](std::vector<PALETTEENTRY>&) {});
}

HPALETTE GetStockPalette() { return StockObject(); }

int GetNearestPaletteIndex(HPALETTE palette, uint8_t red, uint8_t green, uint8_t blue) {
    int best = -1;
    WithPalette(palette, [&](std::vector<PALETTEENTRY>& e) {
        int bestDist = 0x7FFFFFFF;
        for (size_t i = 0; i < e.size(); ++i) {
            const int dr = e[i].peRed - red, dg = e[i].peGreen - green, db = e[i].peBlue - blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = static_cast<int>(i);
            }
        }
    });
    return best;
}
