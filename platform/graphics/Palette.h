#pragma once
// Palette handles: an owned list of 1 to 256 entries, compared by identity like the platform's.
#include <cstdint>

struct PALETTEENTRY {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
};

constexpr uint8_t PC_RESERVED = 0x01;
constexpr uint8_t PC_EXPLICIT = 0x02;
constexpr uint8_t PC_NOCOLLAPSE = 0x04;

struct TPaletteObject;
using HPALETTE = TPaletteObject*;

// Null for a count outside 1..256 or no entries.
HPALETTE CreatePalette(const PALETTEENTRY* entries, int count);
// Copies up to count entries from start into out and returns how many; with out null, returns the
// palette's entry count. 0 for an unknown handle.
int GetPaletteEntries(HPALETTE palette, int start, int count, PALETTEENTRY* out);
int GetPaletteEntryCount(HPALETTE palette);
// Overwrites entries from start on; returns how many were set.
int SetPaletteEntries(HPALETTE palette, int start, int count, const PALETTEENTRY* entries);
// A new palette with the same entries; null for an unknown handle.
HPALETTE CopyPalette(HPALETTE palette);
// Frees the palette; the stock palette survives. False for an unknown handle.
bool DeletePalette(HPALETTE palette);
bool IsPalette(HPALETTE palette);
// The platform's 20-colour default palette (the stock object); never freed.
HPALETTE GetStockPalette();
// The screen's halftone palette, new on every call (the caller owns it): 256 entries, the 20 stock
// colours at 0-9 and 246-255, the 6 x 6 x 6 colour cube (red slowest) at 10-225, and 20 greys
// between the cube's grey levels at 226-245.
HPALETTE CreateHalftonePalette();
// The entry closest to the colour by squared RGB distance, the lowest index on ties; -1 for an
// unknown handle.
int GetNearestPaletteIndex(HPALETTE palette, uint8_t red, uint8_t green, uint8_t blue);
