#pragma once
// Entry functions of the GIF optimize and conversion fuzz targets, shared with the test that
// replays the inputs kept under tests/data/gif/regress/{optimize,convert}/.
#include <string>
#include <vector>

#include "fuzz/gif/GifFuzzEntries.h"
#include "imaging/gif/GIFPainter.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/SysServices.h"

namespace giffuzz {

// Every frame as a painter without a thread shows it over a canvas of one colour, on a fake clock,
// each with its delay uncapped,
// with consecutive equal pictures joined and their delays added.
struct GifTimeline {
    std::vector<std::vector<TColor>> frames;
    std::vector<int> delays;
};

inline GifTimeline ComposeTimeline(TGIFImage& gif) {
    static uint32_t now = 0;
    SetTimeSource([] { return now; });
    SetSleepHook([](uint32_t ms) { now += ms; });
    GifTimeline t;
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(gif.Width(), gif.Height());
    target.Canvas().Brush.Color = RGB(0x33, 0x66, 0x99);
    target.Canvas().FillRect(Rect(0, 0, gif.Width(), gif.Height()));
    gif.OnAfterPaint = [&](TObject* s) {
        TGIFSubImage* f = gif.Images().SubImages(static_cast<TGIFPainter*>(s)->ActiveImage);
        const int delay =
            TGIFPainter::FrameDelay(f->GraphicControlExtension ? f->GraphicControlExtension->Delay() : 0, true);
        std::vector<TColor> px;
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x) px.push_back(target.GetPixel(x, y));
        if (!t.frames.empty() && t.frames.back() == px) {
            t.delays.back() += delay;
        } else {
            t.frames.push_back(std::move(px));
            t.delays.push_back(delay);
        }
    };
    TGIFPainter* painter = nullptr;
    try {
        gif.Paint(painter, target.Canvas(), Rect(0, 0, gif.Width(), gif.Height()),
                  GIFDrawOption(doAnimate) | GIFDrawOption(doTransparent) | GIFDrawOption(doClearOnLoop));
    } catch (...) {
        gif.OnAfterPaint = nullptr;
        SetTimeSource({});
        SetSleepHook({});
        throw;
    }
    gif.OnAfterPaint = nullptr;
    SetTimeSource({});
    SetSleepHook({});
    return t;
}

// The number of frames giflib reads from the bytes; -1 when it refuses them.
inline int GiflibFrames(const std::string& bytes) {
    MemoryReader reader{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* g = DGifOpen(&reader, ReadMemory, &error);
    if (!g) return -1;
    const int frames = DGifSlurp(g) == GIF_OK ? g->ImageCount : -1;
    DGifCloseFile(g, &error);
    return frames;
}

// Whether some frame has a pixel beyond the colour map it is drawn with.
inline bool PixelsBeyondMaps(TGIFImage& gif) {
    for (int i = 0; i < gif.Images().Count(); ++i) {
        TGIFSubImage* f = gif.Images().SubImages(i);
        const int count = f->ActiveColorMap().Count();
        for (int64_t k = 0; k < f->DataSize(); ++k)
            if (f->Data()[k] >= count) return true;
    }
    return false;
}

// The first byte picks the optimizations (bits 0-3: crop, merge, cleanup, colour maps); the rest
// is a GIF. Whatever it optimizes, every composed picture and the time they show stay; the result
// reads back through giflib and through us to the same pictures.
inline void OptimizeKeepsTheLook(const uint8_t* data, size_t size) {
    if (size < 2) return;
    LowerCaps();
    TGIFImage gif;
    TStringStream s(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        gif.LoadFromStream(s);
    } catch (const Exception&) {
        return;
    }
    // Small pictures only, and passes the painter does not cut short at an empty frame.
    if (gif.Empty() || int64_t{gif.Width()} * gif.Height() > 4096 || gif.Images().Count() > 24) return;
    for (int i = 0; i < gif.Images().Count(); ++i)
        if (gif.Images().SubImages(i)->Empty()) return;
    GifTimeline before;
    bool giflibJudges = false, rereadJudges = false;
    try {
        before = ComposeTimeline(gif);
        // Pixels beyond their colour table cannot be written at all.
        TStringStream scratch;
        gif.SaveToStream(scratch);
        // Extension blocks kept as read may be more than giflib takes; then giflib is no judge of
        // the optimized file either.
        giflibJudges = GiflibFrames(scratch.DataString()) == gif.Images().Count();
        // Likewise our own reading of what we wrote.
        TGIFImage reread;
        TStringStream again(scratch.DataString());
        reread.LoadFromStream(again);
        rereadJudges = reread.Images().Count() == gif.Images().Count() && ComposeTimeline(reread).frames == before.frames;
    } catch (const Exception&) {
        return;
    }
    // A frame drawn with the global map is written with codes for every entry of the largest map
    // in the file; once optimizing shrinks a local map, pixels beyond the global map may no longer
    // fit, and the writer refuses them.
    const bool beyond = PixelsBeyondMaps(gif);
    gif.Optimize(static_cast<TGIFOptimizeOptions>(data[0] & 15), 0, 0, 8);
    const GifTimeline after = ComposeTimeline(gif);
    Check(after.frames == before.frames, "optimizing keeps every composed picture");
    // One picture is all there is to see, however long: only a sequence has times to keep.
    Check(before.frames.size() < 2 || after.delays == before.delays, "optimizing keeps the time each picture shows");

    TStringStream out;
    try {
        gif.SaveToStream(out);
    } catch (const GIFException& e) {
        Check(beyond && e.Message() == "Color not in color table", "the optimized image saves");
        return;
    }
    const std::string bytes = out.DataString();
    if (giflibJudges) Check(GiflibFrames(bytes) == gif.Images().Count(), "giflib reads every frame of the optimized file");
    TGIFImage back;
    TStringStream in(bytes);
    back.LoadFromStream(in);
    Check(back.Images().Count() == gif.Images().Count(), "the same frames back");
    Check(!rereadJudges || ComposeTimeline(back).frames == before.frames, "the file read back shows the same pictures");
}

// The input as a 24-bit bitmap (width and height 1 + byte mod 48, then blue, green, red bytes
// repeated): through TGIFImage's Assign, with the colour reduction picked by the next byte, and
// saved; giflib reads it back, to the source's colours exactly when the conversion kept 24 bits.
inline void ConvertRoundTrip(const uint8_t* data, size_t size) {
    if (size < 4) return;
    LowerCaps();
    const int w = 1 + data[0] % 48, h = 1 + data[1] % 48;
    const uint8_t method = data[2] % 9;  // no custom palette here
    const uint8_t dither = data[3] % 6;
    const uint8_t* px = data + 4;
    const size_t n = size - 4;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < w * 3; ++x) row[x] = n ? px[(static_cast<size_t>(y) * w * 3 + x) % n] : 0;
    }
    TBitmap source;
    source.Assign(&b);
    TGIFImage gif;
    gif.ColorReduction = method;
    gif.DitherMode = dither;
    try {
        gif.Assign(&b);
    } catch (const GIFException& e) {
        Check(method == 0 && e.Message() == "Color table overflow", "only a 24-bit conversion overflows");
        return;
    }
    TStringStream out;
    gif.SaveToStream(out);
    const std::string bytes = out.DataString();
    MemoryReader reader{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* g = DGifOpen(&reader, ReadMemory, &error);
    Check(g != nullptr, "giflib opens the converted file");
    bool ok = DGifSlurp(g) == GIF_OK && g->ImageCount == 1 && g->SWidth == w && g->SHeight == h;
    if (ok && method == 0) {
        // Kept at 24 bits: every pixel in its own colour.
        const SavedImage& s = g->SavedImages[0];
        const ColorMapObject* m = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : g->SColorMap;
        ok = m != nullptr;
        for (int y = 0; ok && y < h; ++y)
            for (int x = 0; ok && x < w; ++x) {
                const int index = s.RasterBits[y * w + x];
                const uint8_t* p = source.ScanLine(y) + x * 3;
                ok = index < m->ColorCount && m->Colors[index].Red == p[2] && m->Colors[index].Green == p[1] &&
                     m->Colors[index].Blue == p[0];
            }
    }
    DGifCloseFile(g, &error);
    Check(ok, "giflib reads the converted file");
}

}  // namespace giffuzz
