#include "imaging/gif/GIFLoader.h"

#include "imaging/gif/GIFImage.h"
#include "imaging/LinearBitmap.h"
#include "platform/graphics/Canvas.h"

#include <algorithm>

TGIFLoader& GIFLoader() {
    static TGIFLoader loader;
    return loader;
}

bool TGIFLoader::CanLoad(const std::string& ext) { return ext == "GIF"; }

bool TGIFLoader::CanSave(const std::string& ext) { return ext == "GIF"; }

std::string TGIFLoader::GetLoadFilter() { return "Graphics Interchange Format (*.gif)|*.gif"; }

void TGIFLoader::LoadFromStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) {
    TSeekableNorvStream in(stream);
    TGIFImage gif;
    gif.LoadFromStream(in);
    // Extensions cut off or followed only by the trailer make frames without pixels; drawn, they
    // would pass for a blank picture of the screen's size. Like giflib, take such a file for no
    // picture at all, before the bitmap or the colour is touched.
    bool pixels = false;
    for (int i = 0; i < gif.Images().Count() && !pixels; ++i) pixels = !gif.Images().SubImages(i)->Empty();
    if (!pixels) Error("Image is empty");
    int transparent = -1;
    if (gif.IsTransparent()) {
        // A frame 0 without an image has no bitmap to take a colour from.
        TBitmap* frame = gif.Images().SubImages(0)->Bitmap();
        if (frame) transparent = static_cast<int>(frame->TransparentColor());
    }
    // The first-frame bitmap itself, not a copy through the image: a failure to build it reaches
    // the caller instead of turning into a drawing of nothing.
    TBitmap* first = gif.Bitmap();
    if (first) image.Assign(first);
    else image.Clear();
    TransparentColor = transparent;
}

void TGIFLoader::SaveToStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) {
    if (image.PixelFormat() == pf24bit) {
        TGIFImage::DefaultReductionBits = 8;
        TGIFImage::DefaultColorReduction = 7;  // quantize
        TGIFImage::DefaultDitherMode = 1;      // Floyd-Steinberg
    }
    TBitmap bmp;
    image.AssignTo(&bmp);
    if (image.Present() && image.PixelFormat() == pf8bit && image.Palette()) {
        const uint8_t* pal = image.Palette();  // blue, green, red
        auto black = [&](int i) { return pal[i * 3] == 0 && pal[i * 3 + 1] == 0 && pal[i * 3 + 2] == 0; };
        int count = 2;
        for (int i = 255; i >= 1; --i)
            if (!black(i)) {
                count = i + 1;
                break;
            }
        if (count <= 16) {
            // Pixels above the count use black entries: they stay black only when black is
            // among the entries kept; otherwise the count covers them.
            int highest = 0;
            for (int y = 0; y < image.Height(); ++y) {
                const uint8_t* row = image.ScanLine(y);
                for (int x = 0; x < image.Width(); ++x) highest = std::max<int>(highest, row[x]);
            }
            const int kept = count == 2 ? 2 : 16;
            bool blackKept = false;
            for (int i = 0; i < kept; ++i) blackKept = blackKept || black(i);
            if (highest >= count && !blackKept) count = highest + 1;
        }
        if (count <= 16) {
            const int n = count == 2 ? 2 : 16;
            std::vector<PALETTEENTRY> entries(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                entries[static_cast<size_t>(i)] = PALETTEENTRY{pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0};
            TBitmap small;
            small.SetPixelFormat(n == 2 ? pf1bit : pf4bit);
            small.SetPalette(CreatePalette(entries.data(), n));
            small.SetSize(bmp.Width(), bmp.Height());
            small.Canvas().Draw(0, 0, &bmp);
            bmp.Assign(&small);
        }
    }
    TSeekableNorvStream out(stream);
    TGIFImage gif;
    gif.Assign(&bmp);
    gif.SaveToStream(out);
}
