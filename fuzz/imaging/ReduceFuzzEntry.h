#pragma once
// Colour reduction for fuzzing: LLVMFuzzerTestOneInput of fuzz_imaging_reduce, and the test that
// replays the inputs kept under tests/data/colour/regress/. Byte 0 picks the method (up to 10, one
// past the last), byte 1 the dither (up to 7), byte 2 the reduction bits (0-8), byte 3 the width
// less one (1-256), byte 4 the custom palette's size (0: none) whose entries follow; the rest are
// the pixels (blue, green, red; at most 24 rows, missing bytes black).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/ColorReduction.h"

namespace fuzz_reduce {

inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

inline void RunOne(const uint8_t* data, size_t size) {
    if (size < 5) return;
    const auto method = static_cast<TReductionMethod>(data[0] % 11);
    const auto dither = static_cast<TDitherMethod>(data[1] % 8);
    const int bits = data[2] % 9;
    const int width = data[3] + 1;
    const int entries = data[4];
    data += 5, size -= 5;

    std::vector<PALETTEENTRY> custom;
    for (int i = 0; i < entries && size >= 3; ++i, data += 3, size -= 3)
        custom.push_back(PALETTEENTRY{data[0], data[1], data[2], 0});
    HPALETTE palette = custom.empty() ? nullptr : CreatePalette(custom.data(), static_cast<int>(custom.size()));

    const int height = static_cast<int>(std::clamp<size_t>(size / (static_cast<size_t>(width) * 3), 1, 24));
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            const size_t at = static_cast<size_t>(y) * width * 3 + x;
            row[x] = at < size ? data[at] : 0;
        }
    }
    TBitmap original;
    original.Assign(&picture);

    std::unique_ptr<TBitmap> result = ReduceColors(picture, method, dither, bits, palette);
    if (palette) DeletePalette(palette);
    Check(result != nullptr, "a result");
    Check(picture.PixelFormat() == pf24bit, "the source is 24 bits");
    // rdNone copies whatever the dither.
    const bool known = method == rdNone ||
                       (method <= rdCustom && dither <= dtBurkes && !(method == rdCustom && custom.empty()));
    if (!known) {
        Check(result->Empty(), "an unknown method, dither or empty palette gives nothing");
        return;
    }
    Check(result->Width() == width && result->Height() == height, "the size is kept");
    if (method == rdNone) {
        Check(result->PixelFormat() == pf24bit, "a 24-bit copy");
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Check(result->GetPixel(x, y) == original.GetPixel(x, y), "the same pixels");
        return;
    }
    Check(result->PixelFormat() == pf8bit, "8 bits");
    int colours = 256;
    switch (method) {
        case rdSystem: colours = 20; break;
        case rdGray4: colours = 4; break;
        case rdBlackWhite: colours = 2; break;
        case rdWeb: colours = 216; break;
        case rdQuantize: colours = 1 << bits; break;
        case rdCustom: colours = static_cast<int>(custom.size()); break;
        default: break;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = result->ScanLine(y);
        for (int x = 0; x < width; ++x) Check(row[x] < colours, "every index names a palette colour");
    }
}

}  // namespace fuzz_reduce
