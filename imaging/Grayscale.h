#pragma once
// Grey conversion of packed-row bitmaps, and two constant colour transforms with their inverses.
#include <cstdint>

#include "imaging/LinearBitmap.h"

// (2 red + 3 green + blue + 3) div 6.
inline uint8_t GrayOf(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((2u * red + 3u * green + blue + 3u) / 6u);
}

// A 24-bit source gives an 8-bit grey copy with the grey palette; any other source is copied and
// then converted in place.
void CopyToGrayscale(TLinearBitmap& source, TLinearBitmap& dest);
// In place: 32 bits are first reduced to 24; 24 bits become 8-bit grey; an 8-bit bitmap keeps its
// indexes, mapped through the greys of its palette, and gets the grey palette. A 16-bit grey
// bitmap, already grey, stays as it is.
void ConvertToGrayscale(TLinearBitmap& bitmap);

// A 4 x 4 colour transform in homogeneous form: output i = row i . (red, green, blue, 1).
using TColorTransform = double[4][4];

// RGB to YCbCr and to YIQ, and their inverses (computed by imaging::initialise()).
extern const TColorTransform RGBToYCbCr;
extern const TColorTransform RGBToYIQ;
extern TColorTransform YCbCrToRGB;
extern TColorTransform YIQToRGB;

// The inverse of an affine transform: the 3 x 3 part inverted by its cofactors, the offset column
// moved through it, the last row 0, 0, 0, 1.
void InvertColorTransform(const TColorTransform& m, TColorTransform& inverse);

namespace imaging_detail {
void InitialiseColorTransforms();
}
