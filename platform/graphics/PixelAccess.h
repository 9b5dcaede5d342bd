#pragma once
// Reading and writing single pixels of any bitmap format; shared by the bitmap and the canvas.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Palette.h"
#include "platform/graphics/Types.h"

namespace graphics_detail {

struct Rgb {
    uint8_t r, g, b;
};

inline int ReadIndex(const uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        default: return row[x];
    }
}

inline void WriteIndex(uint8_t* row, int x, int bits, int index) {
    switch (bits) {
        case 1: {
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            if (index & 1) row[x >> 3] |= bit; else row[x >> 3] &= static_cast<uint8_t>(~bit);
            break;
        }
        case 4:
            if (x & 1) row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
            else row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
            break;
        default: row[x] = static_cast<uint8_t>(index); break;
    }
}

// table: the colour table of a palette format (2^bits entries).
inline Rgb ReadRgb(const uint8_t* row, int x, int bits, const std::vector<PALETTEENTRY>& table) {
    if (bits <= 8) {
        const PALETTEENTRY& e = table[static_cast<size_t>(ReadIndex(row, x, bits))];
        return Rgb{e.peRed, e.peGreen, e.peBlue};
    }
    const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
    return Rgb{p[2], p[1], p[0]};
}

inline void WriteRgb(uint8_t* row, int x, int bits, Rgb c) {
    uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    if (bits == 32) p[3] = 0;
}

// Nearest colour-table entry by squared distance, lowest index on ties, cached per colour.
class NearestIndex {
public:
    NearestIndex(const std::vector<PALETTEENTRY>& table, int usable)
        : table_(table), usable_(std::max(1, std::min<int>(usable, static_cast<int>(table.size())))) {}

    int operator()(Rgb c) {
        const uint32_t key = static_cast<uint32_t>(c.r) | (c.g << 8) | (c.b << 16);
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        int best = 0, bestDist = 0x7FFFFFFF;
        for (int i = 0; i < usable_; ++i) {
            const PALETTEENTRY& e = table_[static_cast<size_t>(i)];
            const int dr = e.peRed - c.r, dg = e.peGreen - c.g, db = e.peBlue - c.b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = i;
            }
        }
        cache_.emplace(key, best);
        return best;
    }

private:
    std::vector<PALETTEENTRY> table_;
    int usable_;
    std::unordered_map<uint32_t, int> cache_;
};

inline Rgb ColorToRgb(TColor c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }
inline TColor RgbToColor(Rgb c) { return RGB(c.r, c.g, c.b); }

}  // namespace graphics_detail
