#pragma once
// Entry functions of the GIF photo-road and encoder fuzz targets, shared with the test that replays
// the inputs kept under tests/data/gif/regress/{photo,encode}/.
#include <string>
#include <vector>

#include "fuzz/gif/GifFuzzEntries.h"
#include "imaging/gif/GIFLoader.h"

namespace giffuzz {

// GIF bytes through the loader registry into a packed-row bitmap. The first byte's bit 0 switches
// the palette display on, so the dithered render runs too.
inline void PhotoRoad(const uint8_t* data, size_t size) {
    if (size < 1) return;
    LowerCaps();
    const bool saved = GIFPaletteDisplay;
    GIFPaletteDisplay = (data[0] & 1) != 0;
    TLinearBitmap picture;
    TStringStream s(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        picture.LoadFromStream(s, "GIF");
        if (picture.Present())
            Check(picture.PixelFormat() == pf8bit || picture.PixelFormat() == pf24bit, "8 or 24 bits");
    } catch (const Exception&) {
        Check(!picture.Present(), "a failed load leaves the picture empty");
    }
    GIFPaletteDisplay = saved;
}

// A frame made from the input, written by our writer and read back by giflib and by us: width,
// height (each 1 + byte mod 64), bits (1 + byte mod 8), a flags byte (bit 0 interlaced, bit 1 the
// run-length encoder); the rest gives the pixels, taken modulo the colour count.
inline void EncodeRoundTrip(const uint8_t* data, size_t size) {
    if (size < 5) return;
    const int w = 1 + data[0] % 64, h = 1 + data[1] % 64, bits = 1 + data[2] % 8;
    const bool interlaced = data[3] & 1;
    const int count = 1 << bits;
    TGIFImage image;
    image.Compression = (data[3] & 2) ? 1 : 0;
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = owned.get();
    image.Images().Add(std::move(owned));
    f->SetBoundsR(0, 0, w, h);
    // An interlaced frame takes the global map: a local one is written in plain order.
    TGIFColorMap& map = interlaced ? static_cast<TGIFColorMap&>(image.Header().ColorMap()) : f->ColorMap();
    for (int i = 0; i < count; ++i) map.Add(RGB(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), 7));
    if (interlaced) f->PackedFields |= 0x40;
    const size_t rest = size - 4;
    for (int i = 0; i < w * h; ++i) f->Data()[i] = static_cast<uint8_t>(data[4 + static_cast<size_t>(i) % rest] % count);
    const std::string pixels(reinterpret_cast<const char*>(f->Data()), static_cast<size_t>(w * h));
    TStringStream out;
    image.SaveToStream(out);
    const std::string bytes = out.DataString();

    MemoryReader reader{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* g = DGifOpen(&reader, ReadMemory, &error);
    Check(g != nullptr, "giflib opens our file");
    const bool ok = DGifSlurp(g) == GIF_OK && g->ImageCount == 1;
    std::string theirs;
    if (ok) theirs.assign(reinterpret_cast<const char*>(g->SavedImages[0].RasterBits), pixels.size());
    DGifCloseFile(g, &error);
    Check(ok, "giflib reads our file");
    Check(theirs == pixels, "giflib reads our pixels");

    TGIFImage back;
    TStringStream in(bytes);
    back.LoadFromStream(in);
    Check(back.Images().Count() == 1, "one frame back");
    TGIFSubImage* b = back.Images().SubImages(0);
    Check(std::string(reinterpret_cast<const char*>(b->Data()), static_cast<size_t>(b->DataSize())) == pixels,
          "our decoder reads our pixels");
}

}  // namespace giffuzz
