#pragma once
// GIF data as giflib reads it (DGifSlurp over memory), for checking what our writer produced.
#include <gif_lib.h>

#include <cstring>
#include <string>
#include <vector>

struct GiflibFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> pixels;            // indexes, rows top-down (deinterlaced)
    std::vector<uint32_t> colours;          // the table in force as 0xRRGGBB
    int transparent = -1;
    int delay = 0, disposal = 0;
};

struct GiflibImage {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<GiflibFrame> frames;
    // The colour (0xRRGGBB) of frame f's pixel at (x, y) of the frame.
    uint32_t Colour(size_t f, int x, int y) const {
        const GiflibFrame& fr = frames[f];
        return fr.colours.at(fr.pixels.at(static_cast<size_t>(y) * fr.width + x));
    }
};

inline GiflibImage GiflibRead(const std::string& bytes) {
    struct Src {
        const std::string* data;
        size_t pos;
    } src{&bytes, 0};
    auto reader = [](GifFileType* gif, GifByteType* buf, int len) -> int {
        auto* s = static_cast<Src*>(gif->UserData);
        const size_t n = std::min<size_t>(static_cast<size_t>(len), s->data->size() - s->pos);
        std::memcpy(buf, s->data->data() + s->pos, n);
        s->pos += n;
        return static_cast<int>(n);
    };
    GiflibImage out;
    int error = 0;
    GifFileType* gif = DGifOpen(&src, reader, &error);
    if (!gif) return out;
    if (DGifSlurp(gif) == GIF_OK) {
        out.ok = true;
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& s = gif->SavedImages[i];
            GiflibFrame f;
            f.left = s.ImageDesc.Left;
            f.top = s.ImageDesc.Top;
            f.width = s.ImageDesc.Width;
            f.height = s.ImageDesc.Height;
            f.pixels.assign(s.RasterBits, s.RasterBits + static_cast<size_t>(f.width) * f.height);
            if (s.ImageDesc.Interlace) {
                std::vector<uint8_t> rows(f.pixels.size());
                int src_row = 0;
                for (int pass = 0; pass < 4; ++pass) {
                    static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
                    for (int y = start[pass]; y < f.height; y += step[pass], ++src_row)
                        std::memcpy(&rows[static_cast<size_t>(y) * f.width], &f.pixels[static_cast<size_t>(src_row) * f.width],
                                    static_cast<size_t>(f.width));
                }
                f.pixels.swap(rows);
            }
            const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap;
            if (map)
                for (int c = 0; c < map->ColorCount; ++c)
                    f.colours.push_back(static_cast<uint32_t>(map->Colors[c].Red) << 16 |
                                        static_cast<uint32_t>(map->Colors[c].Green) << 8 | map->Colors[c].Blue);
            GraphicsControlBlock gcb;
            if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
                f.transparent = gcb.TransparentColor;
                f.delay = gcb.DelayTime;
                f.disposal = gcb.DisposalMode;
            }
            out.frames.push_back(std::move(f));
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}
