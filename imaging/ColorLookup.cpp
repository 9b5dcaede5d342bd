#include "imaging/ColorLookup.h"

#include <algorithm>
#include <cstdlib>

HPALETTE CreateWebPalette() {
    PALETTEENTRY entries[216];
    for (int i = 0; i < 216; ++i)
        entries[i] = PALETTEENTRY{static_cast<uint8_t>(i / 36 * 51), static_cast<uint8_t>(i / 6 % 6 * 51),
                                  static_cast<uint8_t>(i % 6 * 51), 0};
    return CreatePalette(entries, 216);
}

// ---- TFastColorLookup ----

TFastColorLookup::TFastColorLookup(HPALETTE palette)
    : TColorLookup(palette), paletteEntries_(256), inverseTable_(32768, kEmpty) {
    Colors = GetPaletteEntries(palette, 0, 256, paletteEntries_.data());
    for (int i = 0; i < Colors; ++i) {
        const PALETTEENTRY& e = paletteEntries_[static_cast<size_t>(i)];
        uint16_t& slot = inverseTable_[static_cast<size_t>(Key(e.peRed, e.peGreen, e.peBlue))];
        if (slot == kEmpty) slot = static_cast<uint16_t>(i);
    }
}

uint8_t TFastColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                 uint8_t& b) {
    uint16_t& slot = inverseTable_[static_cast<size_t>(Key(red, green, blue))];
    if (slot == kEmpty) {
        // The lowest index wins a tie; a lookup of no colours answers entry 0 (black).
        int best = 196608, index = 0;
        for (int i = 0; i < Colors; ++i) {
            const PALETTEENTRY& e = paletteEntries_[static_cast<size_t>(i)];
            const int d = std::abs(e.peRed - red) + std::abs(e.peGreen - green) + std::abs(e.peBlue - blue);
            if (d < best) {
                best = d;
                index = i;
            }
        }
        slot = static_cast<uint16_t>(index);
    }
    const PALETTEENTRY& e = paletteEntries_[slot];
    r = e.peRed, g = e.peGreen, b = e.peBlue;
    return static_cast<uint8_t>(slot);
}

// ---- TSlowColorLookup ----

TSlowColorLookup::TSlowColorLookup(HPALETTE palette) : TColorLookup(palette), palette_(palette) {
    Colors = GetPaletteEntryCount(palette);
    if (Colors > 0) {
        paletteEntries_.resize(static_cast<size_t>(Colors));
        GetPaletteEntries(palette, 0, Colors, paletteEntries_.data());
    }
}

uint8_t TSlowColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                 uint8_t& b) {
    const int index = std::max(0, GetNearestPaletteIndex(palette_, red, green, blue));
    if (index < static_cast<int>(paletteEntries_.size())) {
        const PALETTEENTRY& e = paletteEntries_[static_cast<size_t>(index)];
        r = e.peRed, g = e.peGreen, b = e.peBlue;
    }
    return static_cast<uint8_t>(index);
}

// ---- Arithmetic lookups ----

TNetscapeColorLookup::TNetscapeColorLookup(HPALETTE palette) : TColorLookup(palette) { Colors = 216; }

uint8_t TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                     uint8_t& b) {
    const int ri = (red + 3) / 51, gi = (green + 3) / 51, bi = (blue + 3) / 51;
    r = static_cast<uint8_t>(ri * 51), g = static_cast<uint8_t>(gi * 51), b = static_cast<uint8_t>(bi * 51);
    return static_cast<uint8_t>(ri * 36 + gi * 6 + bi);
}

TGrayScaleLookup::TGrayScaleLookup(HPALETTE palette) : TColorLookup(palette) { Colors = 256; }

uint8_t TGrayScaleLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                 uint8_t& b) {
    const uint8_t grey = static_cast<uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
    r = g = b = grey;
    return grey;
}

TMonochromeLookup::TMonochromeLookup(HPALETTE palette) : TColorLookup(palette) { Colors = 2; }

uint8_t TMonochromeLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                  uint8_t& b) {
    if (77 * red + 150 * green + 29 * blue <= 32512) {
        r = g = b = 0;
        return 0;
    }
    r = g = b = 255;
    return 1;
}
