#pragma once
// giflib as the oracle of the GIF tests: a whole file read from memory by DGifSlurp.
#include <gif_lib.h>

#include <cstring>
#include <string>
#include <vector>

struct GiflibFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<uint8_t> pixels;
    std::vector<GifColorType> colours;  // the frame's active table
    // The frame's graphic control block as giflib reads it (size 4 only); -1: none or refused.
    int disposal = -1, delay = -1, transparent = -1;
};

struct GiflibFile {
    int width = 0, height = 0;
    int colourBits = 0;  // the screen descriptor's size code + 1, 0 without a global table
    std::vector<GifColorType> global;
    std::vector<GiflibFrame> frames;
};

// False when giflib refuses the data.
inline bool GiflibRead(const std::string& bytes, GiflibFile& out) {
    struct Reader {
        const std::string* data;
        size_t at;
    } reader{&bytes, 0};
    auto read = [](GifFileType* g, GifByteType* buf, int n) -> int {
        auto* r = static_cast<Reader*>(g->UserData);
        const size_t take = std::min<size_t>(static_cast<size_t>(n), r->data->size() - r->at);
        std::memcpy(buf, r->data->data() + r->at, take);
        r->at += take;
        return static_cast<int>(take);
    };
    int error = 0;
    GifFileType* g = DGifOpen(&reader, read, &error);
    if (!g) return false;
    const bool ok = DGifSlurp(g) == GIF_OK;
    if (ok) {
        out = GiflibFile{};
        out.width = g->SWidth;
        out.height = g->SHeight;
        if (g->SColorMap) {
            out.colourBits = g->SColorMap->BitsPerPixel;
            out.global.assign(g->SColorMap->Colors, g->SColorMap->Colors + g->SColorMap->ColorCount);
        }
        for (int i = 0; i < g->ImageCount; ++i) {
            const SavedImage& s = g->SavedImages[i];
            GiflibFrame f;
            f.left = s.ImageDesc.Left;
            f.top = s.ImageDesc.Top;
            f.width = s.ImageDesc.Width;
            f.height = s.ImageDesc.Height;
            f.interlaced = s.ImageDesc.Interlace;
            f.pixels.assign(s.RasterBits, s.RasterBits + static_cast<size_t>(f.width) * f.height);
            const ColorMapObject* m = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : g->SColorMap;
            if (m) f.colours.assign(m->Colors, m->Colors + m->ColorCount);
            GraphicsControlBlock gcb;
            if (DGifSavedExtensionToGCB(g, i, &gcb) == GIF_OK) {
                f.disposal = gcb.DisposalMode;
                f.delay = gcb.DelayTime;
                f.transparent = gcb.TransparentColor;
            }
            out.frames.push_back(std::move(f));
        }
    }
    DGifCloseFile(g, &error);
    return ok;
}
