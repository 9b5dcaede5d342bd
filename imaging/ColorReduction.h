#pragma once
// Colour reduction: a true-colour bitmap to an 8-bit palette bitmap, by a fixed palette, an octree
// quantizer's palette of the picture itself or a palette of the caller's, through a colour lookup
// and a ditherer.
#include <cstdint>
#include <memory>

#include "imaging/Ditherers.h"
#include "imaging/gif/GIFSupport.h"
#include "platform/graphics/Bitmap.h"

enum TReductionMethod : uint8_t {
    rdNone,            // only copied and set to 24 bits
    rdSystem,          // the 20-colour default palette
    rdHalftone,        // the halftone palette
    rdGray4,           // greys 0, 128, 192, 255
    rdBlackWhite,      // black and white
    rdGray256,         // 256 greys
    rdWeb,             // the 216-colour web palette
    rdQuantize,        // octree palette of 2^ReductionBits colours
    rdQuantizeSystem,  // octree palette of 236 colours between the 20 system colours
    rdCustom           // a copy of the caller's palette
};

enum TDitherMethod : uint8_t {
    dtNearest,
    dtFloydSteinberg,
    dtStucki,
    dtSierra,
    dtJaJuNi,
    dtSteveArche,
    dtBurkes
};

class TOctreeNode : public TObject {
public:
    // A node at level; a leaf at colorBits (counted into leafCount), any other node is pushed onto
    // the front of reducibleNodes[level].
    TOctreeNode(int level, int colorBits, int& leafCount, TOctreeNode** reducibleNodes);
    ~TOctreeNode() override;
    std::string ClassName() const override { return "TOctreeNode"; }

    bool IsLeaf = false;
    int PixelCount = 0;
    // 64 bits: one leaf may collect far more than 2^31 / 255 pixels of one bright colour.
    int64_t RedSum = 0;
    int64_t GreenSum = 0;
    int64_t BlueSum = 0;
    TOctreeNode* Next = nullptr;        // next node of its level's reducible list
    TOctreeNode* Child[8] = {};         // owned
};

class TColorQuantizer : public TObject {
public:
    TColorQuantizer(int maxColors, int colorBits);
    ~TColorQuantizer() override;
    std::string ClassName() const override { return "TColorQuantizer"; }

    // Adds every pixel of the reader's rows (24 bits), keeping at most MaxColors leaves.
    bool ProcessImage(TDIBReader& reader);
    // Adds one colour; the tree is reduced until it holds at most MaxColors leaves.
    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    // Up to 256 entries of blue, green, red, 0, one per leaf, depth first.
    void GetColorTable(uint8_t* table) const;

    TOctreeNode* Tree = nullptr;  // owned
    int LeafCount = 0;
    TOctreeNode* ReducibleNodes[8] = {};
    int MaxColors;
    int ColorBits;

private:
    void AddColor(TOctreeNode*& node, uint8_t red, uint8_t green, uint8_t blue, int level);
    bool ReduceTree();  // false when nothing is left to merge
};

// New palette handles, owned by the caller.
HPALETTE MakeGrayPalette();
HPALETTE MakeBlackWhitePalette();
HPALETTE MakeFourGrayPalette();
HPALETTE MakeHalftonePalette();

// The octree palette of the reader's picture: colors entries (256 with the system colours kept at
// 0-9 and 246-255 and the picture's colours from 10); places the quantizer does not fill are black.
HPALETTE CreateOptimizedPalette(TDIBReader& reader, int colors, int colorBits, bool keepSystemColors);
// The same over a bitmap, which is switched to 24 bits.
HPALETTE CreateOptimizedPaletteForBitmap(TBitmap& bitmap, int colors, int colorBits, bool keepSystemColors);

// A new 8-bit bitmap of the picture (rdNone: a 24-bit copy); the caller's bitmap is switched to 24
// bits. A method above rdCustom, a dither above dtBurkes or a palette of no colours gives an empty
// bitmap. reductionBits (0-8) sizes the rdQuantize palette; customPalette is read for rdCustom only.
std::unique_ptr<TBitmap> ReduceColors(TBitmap& bitmap, TReductionMethod method, TDitherMethod dither,
                                      int reductionBits, HPALETTE customPalette);
