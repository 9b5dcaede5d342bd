#pragma once
// Mapping true colours onto a palette: the 216-colour web palette and the colour lookups that find
// the palette index for a colour (and give back that index's colour, so a ditherer can take the
// error).
#include <cstdint>
#include <vector>

#include "platform/Object.h"
#include "platform/graphics/Palette.h"

// A new 216-entry palette: entry r*36 + g*6 + b is (r*51, g*51, b*51), flags 0. The caller owns it.
HPALETTE CreateWebPalette();

class TColorLookup : public TObject {
public:
    explicit TColorLookup(HPALETTE) {}
    std::string ClassName() const override { return "TColorLookup"; }
    // The palette index for (red, green, blue); r, g, b receive that index's colour.
    virtual uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) = 0;

    // Colours the lookup can return.
    int Colors = 0;
};

// Nearest colour by the sum of channel differences, searched once per 5-5-5 bucket: the first
// colour asked decides the answer for its whole bucket.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(HPALETTE palette);
    std::string ClassName() const override { return "TFastColorLookup"; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;

private:
    static int Key(uint8_t red, uint8_t green, uint8_t blue) {
        return (red >> 3) | ((green & 0xF8) << 2) | ((blue & 0xF8) << 7);
    }
    static constexpr uint16_t kEmpty = 65535;
    std::vector<PALETTEENTRY> paletteEntries_;
    std::vector<uint16_t> inverseTable_;
};

// The palette's own nearest colour for every pixel.
class TSlowColorLookup : public TColorLookup {
public:
    explicit TSlowColorLookup(HPALETTE palette);
    std::string ClassName() const override { return "TSlowColorLookup"; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;

private:
    std::vector<PALETTEENTRY> paletteEntries_;
    HPALETTE palette_;  // not owned
};

// The web palette by arithmetic: each channel to (v + 3) div 51 (not the nearest level).
class TNetscapeColorLookup : public TColorLookup {
public:
    explicit TNetscapeColorLookup(HPALETTE palette = nullptr);
    std::string ClassName() const override { return "TNetscapeColorLookup"; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

// 256 greys: index (77 R + 150 G + 29 B) >> 8.
class TGrayScaleLookup : public TColorLookup {
public:
    explicit TGrayScaleLookup(HPALETTE palette = nullptr);
    std::string ClassName() const override { return "TGrayScaleLookup"; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

// Black (0) up to 77 R + 150 G + 29 B = 32512, white (1) above.
class TMonochromeLookup : public TColorLookup {
public:
    explicit TMonochromeLookup(HPALETTE palette = nullptr);
    std::string ClassName() const override { return "TMonochromeLookup"; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};
