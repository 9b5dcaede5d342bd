#include "imaging/ColorReduction.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/SysServices.h"

// ---- Octree ----

TOctreeNode::TOctreeNode(int level, int colorBits, int& leafCount, TOctreeNode** reducibleNodes) {
    IsLeaf = level == colorBits;
    if (IsLeaf) {
        ++leafCount;
    } else {
        Next = reducibleNodes[level];
        reducibleNodes[level] = this;
    }
}

TOctreeNode::~TOctreeNode() {
    for (int i = 7; i >= 0; --i) delete Child[i];
}

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : MaxColors(maxColors), ColorBits(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() { delete Tree; }

void TColorQuantizer::AddColor(TOctreeNode*& node, uint8_t red, uint8_t green, uint8_t blue, int level) {
    // Iterative walk down: at most ColorBits + 1 levels.
    TOctreeNode** slot = &node;
    for (;;) {
        if (!*slot) *slot = new TOctreeNode(level, ColorBits, LeafCount, ReducibleNodes);
        TOctreeNode* n = *slot;
        if (n->IsLeaf) {
            ++n->PixelCount;
            n->RedSum += red;
            n->GreenSum += green;
            n->BlueSum += blue;
            return;
        }
        const int shift = 7 - level;
        const int mask = 0x80 >> level;
        const int index = (((red & mask) >> shift) << 2) | (((green & mask) >> shift) << 1) | ((blue & mask) >> shift);
        slot = &n->Child[index];
        ++level;
    }
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    AddColor(Tree, red, green, blue, 0);
    while (LeafCount > MaxColors && ReduceTree()) {
    }
}

bool TColorQuantizer::ReduceTree() {
    int level = ColorBits - 1;
    while (level > 0 && !ReducibleNodes[level]) --level;
    TOctreeNode* node = ReducibleNodes[level];
    if (!node) return false;  // nothing left to merge
    ReducibleNodes[level] = node->Next;
    node->Next = nullptr;
    int children = 0;
    for (TOctreeNode*& c : node->Child) {
        if (!c) continue;
        node->PixelCount += c->PixelCount;
        node->RedSum += c->RedSum;
        node->GreenSum += c->GreenSum;
        node->BlueSum += c->BlueSum;
        delete c;
        c = nullptr;
        ++children;
    }
    node->IsLeaf = true;
    LeafCount = LeafCount - children + 1;
    return true;
}

bool TColorQuantizer::ProcessImage(TDIBReader& reader) {
    const int width = reader.Bitmap->Width(), height = reader.Bitmap->Height();
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = reader.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 3) AddColor(p[2], p[1], p[0]);
    }
    return true;
}

namespace {

void CollectLeaves(const TOctreeNode* node, uint8_t* table, int& count) {
    if (!node) return;
    if (node->IsLeaf) {
        if (count >= 256) return;
        uint8_t* e = table + count * 4;
        if (node->PixelCount > 0) {
            e[0] = static_cast<uint8_t>(node->BlueSum / node->PixelCount);
            e[1] = static_cast<uint8_t>(node->GreenSum / node->PixelCount);
            e[2] = static_cast<uint8_t>(node->RedSum / node->PixelCount);
        } else {
            e[0] = e[1] = e[2] = 0;
        }
        e[3] = 0;
        ++count;
        return;
    }
    for (const TOctreeNode* c : node->Child) CollectLeaves(c, table, count);
}

}  // namespace

void TColorQuantizer::GetColorTable(uint8_t* table) const {
    int count = 0;
    CollectLeaves(Tree, table, count);
}

// ---- Palettes ----

namespace {

HPALETTE GreyPalette(std::initializer_list<int> levels) {
    std::vector<PALETTEENTRY> e;
    for (int v : levels) {
        const auto g = static_cast<uint8_t>(v);
        e.push_back(PALETTEENTRY{g, g, g, PC_NOCOLLAPSE});
    }
    return CreatePalette(e.data(), static_cast<int>(e.size()));
}

// Deletes the palette handle on every way out.
struct PaletteHolder {
    HPALETTE handle = nullptr;
    ~PaletteHolder() {
        if (handle) DeletePalette(handle);
    }
};

}  // namespace

HPALETTE MakeGrayPalette() {
    PALETTEENTRY e[256];
    for (int i = 0; i < 256; ++i) {
        const auto g = static_cast<uint8_t>(i);
        e[i] = PALETTEENTRY{g, g, g, PC_NOCOLLAPSE};
    }
    return CreatePalette(e, 256);
}

HPALETTE MakeBlackWhitePalette() { return GreyPalette({0, 255}); }

HPALETTE MakeFourGrayPalette() { return GreyPalette({0, 128, 192, 255}); }

HPALETTE MakeHalftonePalette() { return GDICheck(CreateHalftonePalette()); }

HPALETTE CreateOptimizedPalette(TDIBReader& reader, int colors, int colorBits, bool keepSystemColors) {
    colors = std::clamp(colors, 1, 256);
    PALETTEENTRY entries[256];
    for (PALETTEENTRY& e : entries) e = PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE};
    int count = colors, first = 0, quantized = colors;
    if (keepSystemColors) {
        PALETTEENTRY stock[20];
        GetPaletteEntries(GetStockPalette(), 0, 20, stock);
        for (int i = 0; i < 10; ++i) {
            entries[i] = stock[i];
            entries[246 + i] = stock[10 + i];
        }
        count = 256, first = 10, quantized = 236;
    }
    uint8_t table[256 * 4] = {};
    {
        TColorQuantizer quantizer(quantized, colorBits);
        quantizer.ProcessImage(reader);
        quantizer.GetColorTable(table);
        quantized = std::min(quantized, quantizer.LeafCount);
    }
    for (int i = 0; i < quantized; ++i)
        entries[first + i] = PALETTEENTRY{table[i * 4 + 2], table[i * 4 + 1], table[i * 4], 0};
    return CreatePalette(entries, count);
}

HPALETTE CreateOptimizedPaletteForBitmap(TBitmap& bitmap, int colors, int colorBits, bool keepSystemColors) {
    TDIBReader reader(bitmap, pf24bit);
    return CreateOptimizedPalette(reader, colors, colorBits, keepSystemColors);
}

// ---- ReduceColors ----

namespace {

std::unique_ptr<TColorLookup> LookupFor(TReductionMethod method, HPALETTE palette) {
    switch (method) {
        case rdBlackWhite: return std::make_unique<TMonochromeLookup>(palette);
        case rdGray256: return std::make_unique<TGrayScaleLookup>(palette);
        case rdWeb: return std::make_unique<TNetscapeColorLookup>(palette);
        case rdQuantize: return std::make_unique<TFastColorLookup>(palette);
        default: return std::make_unique<TSlowColorLookup>(palette);
    }
}

std::unique_ptr<TDitherEngine> DithererFor(TDitherMethod dither, int width, TColorLookup* lookup) {
    switch (dither) {
        case dtNearest: return std::make_unique<TDitherEngine>(width, lookup);
        case dtFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
        case dtStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
        case dtSierra: return std::make_unique<TSierraDitherer>(width, lookup);
        case dtJaJuNi: return std::make_unique<TJaJuNiDitherer>(width, lookup);
        case dtSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
        case dtBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
        default: return nullptr;
    }
}

}  // namespace

std::unique_ptr<TBitmap> ReduceColors(TBitmap& bitmap, TReductionMethod method, TDitherMethod dither,
                                      int reductionBits, HPALETTE customPalette) {
    auto result = std::make_unique<TBitmap>();
    if (method == rdNone) {
        result->Assign(&bitmap);
        result->SetPixelFormat(pf24bit);
        return result;
    }
    const int width = bitmap.Width(), height = bitmap.Height();
    if (static_cast<int64_t>(width) * height > 500000) result->SetPixelFormat(pf1bit);

    // Declared in the order of their release: the writer hands the image over before the
    // palette it copies from goes.
    PaletteHolder palette;
    TDIBReader reader(bitmap, pf24bit);
    switch (method) {
        case rdSystem: palette.handle = GetStockPalette(); break;
        case rdHalftone: palette.handle = MakeHalftonePalette(); break;
        case rdGray4: palette.handle = MakeFourGrayPalette(); break;
        case rdBlackWhite: palette.handle = MakeBlackWhitePalette(); break;
        case rdGray256: palette.handle = MakeGrayPalette(); break;
        case rdWeb: palette.handle = CreateWebPalette(); break;
        case rdQuantize:
            palette.handle = CreateOptimizedPalette(reader, 1 << std::clamp(reductionBits, 0, 8), 8, false);
            break;
        case rdQuantizeSystem: palette.handle = CreateOptimizedPaletteForBitmap(bitmap, 256, 8, true); break;
        case rdCustom: palette.handle = CopyPalette(customPalette); break;
        default: return result;
    }
    std::unique_ptr<TColorLookup> lookup = LookupFor(method, palette.handle);
    if (lookup->Colors == 0) return result;
    std::unique_ptr<TDitherEngine> ditherer = DithererFor(dither, width, lookup.get());
    if (!ditherer) return result;

    TDIBWriter writer(*result, pf8bit, width, height, palette.handle);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = reader.ScanLine(y);
        uint8_t* dst = writer.ScanLine(y);
        uint8_t r, g, b;
        for (int x = ditherer->Column; x >= 0 && x < width; x = ditherer->Column) {
            const uint8_t* p = src + static_cast<size_t>(x) * 3;
            dst[x] = ditherer->Dither(p[2], p[1], p[0], r, g, b);
        }
        ditherer->NextLine();
    }
    return result;
}
