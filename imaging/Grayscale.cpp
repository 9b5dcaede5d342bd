#include "imaging/Grayscale.h"

#include <cstring>

void CopyToGrayscale(TLinearBitmap& source, TLinearBitmap& dest) {
    if (&source == &dest) {
        ConvertToGrayscale(dest);
        return;
    }
    if (source.PixelFormat() != pf24bit || !source.Present()) {
        source.AssignTo(&dest);
        ConvertToGrayscale(dest);
        return;
    }
    dest.New(source.Width(), source.Height(), pf8bit);
    std::memcpy(dest.Palette(), GrayPalette, 768);
    const int64_t pixels = static_cast<int64_t>(source.Width()) * source.Height();
    const uint8_t* s = source.Map();
    uint8_t* d = dest.Map();
    for (int64_t i = 0; i < pixels; ++i, s += 3) d[i] = GrayOf(s[2], s[1], s[0]);
}

void ConvertToGrayscale(TLinearBitmap& bitmap) {
    if (!bitmap.Present()) return;
    if (bitmap.PixelFormat() == pf32bit) bitmap.SetPixelFormat(pf24bit);
    switch (bitmap.PixelFormat()) {
        case pf24bit: {
            TLinearBitmap grey;
            CopyToGrayscale(bitmap, grey);
            bitmap.TakeOver(grey);
            break;
        }
        case pf8bit: {
            uint8_t table[256];
            const uint8_t* p = bitmap.Palette();
            for (int i = 0; i < 256; ++i) table[i] = GrayOf(p[i * 3 + 2], p[i * 3 + 1], p[i * 3]);
            uint8_t* map = bitmap.Map();
            for (int64_t i = 0; i < bitmap.Size(); ++i) map[i] = table[map[i]];
            std::memcpy(bitmap.Palette(), GrayPalette, 768);
            break;
        }
        default: break;  // 16-bit samples are grey already
    }
}

const TColorTransform RGBToYCbCr = {{0.299, 0.587, 0.114, 0},
                                    {-0.16875, -0.33126, 0.5, 127.5},
                                    {0.5, -0.41869, -0.08131, 127.5},
                                    {0, 0, 0, 1}};
const TColorTransform RGBToYIQ = {{0.299, 0.587, 0.114, 0},
                                  {0.596, -0.275, -0.321, 127.5},
                                  {0.212, -0.523, 0.311, 127.5},
                                  {0, 0, 0, 1}};
TColorTransform YCbCrToRGB;
TColorTransform YIQToRGB;

void InvertColorTransform(const TColorTransform& m, TColorTransform& inverse) {
    // Cofactor c[i][j] of the 3 x 3 part; the inverse is the transposed cofactors over the
    // determinant.
    double c[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int r0 = (i + 1) % 3, r1 = (i + 2) % 3, c0 = (j + 1) % 3, c1 = (j + 2) % 3;
            c[i][j] = m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
        }
    }
    const double det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) inverse[i][j] = c[j][i] / det;
    for (int i = 0; i < 3; ++i)
        inverse[i][3] = -(inverse[i][0] * m[0][3] + inverse[i][1] * m[1][3] + inverse[i][2] * m[2][3]);
    inverse[3][0] = inverse[3][1] = inverse[3][2] = 0;
    inverse[3][3] = 1;
}

namespace imaging_detail {

void InitialiseColorTransforms() {
    InvertColorTransform(RGBToYCbCr, YCbCrToRGB);
    InvertColorTransform(RGBToYIQ, YIQToRGB);
}

}  // namespace imaging_detail
