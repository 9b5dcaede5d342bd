// Feeds arbitrary bytes to the bitmap reader (TBitmap::LoadFromStream). A picture it accepts is
// read pixel by pixel, saved and read back, converted, drawn, and handed to the packed-row bitmap,
// which copies it, converts it through its formats and copies it back into bitmaps of its own size
// and of other sizes. The last input byte picks the conversions (it is part of the file as well).
// An input that does not start with "B" gives sizes straight from its bytes instead: a width and a
// height (32 bits each, little-endian) and a format byte for a packed-row bitmap and a framework
// bitmap, whose pixels are the rest of the input.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>

#include "imaging/Imaging.h"
#include "imaging/LinearBitmap.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const TPixelFormat kFormats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom};

void Touch(const TBitmap& bmp) {
    const int w = bmp.Width(), h = bmp.Height();
    if (w <= 0 || h <= 0) return;
    (void)bmp.GetPixel(0, 0);
    (void)bmp.GetPixel(w - 1, h - 1);
    (void)bmp.GetPixel(w / 2, h / 2);
    (void)bmp.TransparentColor();
    (void)bmp.ColorTable();
}

void Linear(TBitmap& bmp, uint8_t pick) {
    TLinearBitmap lb;
    lb.Assign(&bmp);
    if (!lb.Present()) return;
    Check(lb.Width() == bmp.Width() && lb.Height() == bmp.Height(), "the copy keeps the size");
    Check(lb.Size() == static_cast<int64_t>(lb.BytesPerLine()) * lb.Height(), "rows end to end");
    (void)lb.IsGrayScale();
    (void)lb.ScanLine(lb.Height() - 1);

    TLinearBitmap twin;
    twin.Assign(&lb);
    try {
        twin.SetPixelFormat(kFormats[(pick >> 4) % 9]);
    } catch (const Exception&) {
    }
    twin.PackRows();

    TBitmap back;
    lb.AssignTo(&back);
    Touch(back);

    // Into bitmaps of other sizes: the copy never runs past either picture.
    TBitmap other;
    other.SetPixelFormat(lb.PixelFormat() == pf16bit ? pf8bit : lb.PixelFormat());
    other.SetSize(1 + pick % 7, 1 + (pick >> 3) % 5);
    try {
        lb.CopyToBitmap(other);
    } catch (const Exception&) {
    }
    for (TPixelFormat f : {pf8bit, pf24bit, pf32bit}) {
        TLinearBitmap c;
        c.Assign(&lb);
        c.SetPixelFormat(f);
        TBitmap b;
        c.AssignTo(&b);
        Touch(b);
    }
}

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void Sized(const uint8_t* data, size_t size) {
    if (size < 10) return;
    const int32_t w = Le32(data + 1), h = Le32(data + 5);
    const TPixelFormat format = kFormats[data[9] % 9];
    const uint8_t pick = data[size - 1];
    data += 10, size -= 10;

    TLinearBitmap lb;
    try {
        lb.New(w, h, format);
    } catch (const Exception&) {
    }
    if (lb.Present()) {
        Check(lb.Width() == w && lb.Height() == h, "the size asked for");
        Check(static_cast<int64_t>(lb.Size()) == static_cast<int64_t>(lb.BytesPerLine()) * h, "rows end to end");
        for (size_t i = 0; i < size && i < static_cast<size_t>(lb.Size()); ++i) lb.Map()[i] = data[i];
        (void)lb.ScanLine(h - 1);
        (void)lb.IsGrayScale();
        try {
            TBitmap copy;
            lb.AssignTo(&copy);
            Linear(copy, pick);
        } catch (const Exception&) {
        }
        try {
            lb.SetPixelFormat(kFormats[pick % 9]);
            lb.New(w, h, lb.PixelFormat());  // the same size and format keeps the pixels
        } catch (const Exception&) {
        }
    }

    // A bitmap of no width still walks its rows when sized: a huge height would only be slow.
    if (w == 0 || h == 0) return;
    TBitmap bmp;
    try {
        bmp.SetPixelFormat(format);
        bmp.SetSize(w, h);
    } catch (const Exception&) {
        return;
    }
    Touch(bmp);
    if (bmp.Empty()) return;
    for (int y = 0; y < bmp.Height() && size > 0; ++y) {
        const size_t n = std::min(size, static_cast<size_t>(bmp.BytesPerLine()));
        std::memcpy(bmp.ScanLine(y), data, n);
        data += n, size -= n;
    }
    try {
        Linear(bmp, pick);
        TMemoryStream saved;
        bmp.SaveToStream(saved);
        saved.SetPosition(0);
        TBitmap again;
        again.LoadFromStream(saved);
        Check(again.Width() == bmp.Width() && again.Height() == bmp.Height(), "reload keeps the size");
    } catch (const Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imaging::initialise();
    // Small caps keep each input fast; the checks against them are what huge sizes exercise.
    TBitmap::SetMaxImageBytes(int64_t{1} << 18);
    TLinearBitmap::SetMaxSize(int64_t{1} << 18);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] != 'B') {
        Sized(data, size);
        return 0;
    }
    const uint8_t pick = size ? data[size - 1] : 0;
    TMemoryStream in;
    in.WriteBuffer(data, static_cast<int64_t>(size));
    in.SetPosition(0);

    TBitmap bmp;
    try {
        bmp.LoadFromStream(in);
    } catch (const Exception&) {
        return 0;  // refused: the expected outcome for most inputs
    }
    Touch(bmp);

    // Saved and read back: the same size and format.
    TMemoryStream saved;
    bmp.SaveToStream(saved);
    saved.SetPosition(0);
    TBitmap again;
    again.LoadFromStream(saved);
    Check(again.Width() == bmp.Width() && again.Height() == bmp.Height(), "reload keeps the size");

    try {
        Linear(bmp, pick);
    } catch (const Exception&) {
    }

    try {
        TBitmap converted;
        converted.Assign(&bmp);
        converted.SetPixelFormat(kFormats[pick % 9]);
        Touch(converted);
        TBitmap canvas;
        canvas.SetPixelFormat(pf24bit);
        canvas.SetSize(8, 8);
        canvas.Canvas().StretchDraw(TRect{0, 0, 8, 8}, &converted);
        canvas.Canvas().Draw(-1, -1, &converted);
    } catch (const Exception&) {
    }
    return 0;
}
