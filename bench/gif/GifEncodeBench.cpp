// GIF encoding from memory: our writer (TGIFImage::SaveToStream, LZW) against giflib's EGifSpew,
// on the inputs of make_inputs.sh (run it first), each decoded once beforehand. The "bytes"
// counter is the size written.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <string>

#include "GifBenchInputs.h"
#include "imaging/gif/GIFImage.h"

namespace {

int WriteMemory(GifFileType* gif, const GifByteType* in, int n) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(in), static_cast<size_t>(n));
    return n;
}

void Ours(benchmark::State& state, const char* name) {
    const std::string bytes = Input(name);
    if (bytes.empty()) {
        state.SkipWithError("no input: run bench/gif/make_inputs.sh");
        return;
    }
    TStringStream in(bytes);
    TGIFImage image;
    image.LoadFromStream(in);
    size_t size = 0;
    for (auto _ : state) {
        TStringStream out;
        image.SaveToStream(out);
        size = out.DataString().size();
        benchmark::DoNotOptimize(out.DataString().data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

void Giflib(benchmark::State& state, const char* name) {
    const std::string bytes = Input(name);
    if (bytes.empty()) {
        state.SkipWithError("no input: run bench/gif/make_inputs.sh");
        return;
    }
    Reader r{&bytes, 0};
    int error = 0;
    GifFileType* src = DGifOpen(&r, ReadMemory, &error);
    if (!src || DGifSlurp(src) != GIF_OK) {
        state.SkipWithError("giflib failed");
        return;
    }
    size_t size = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string out;
        GifFileType* g = EGifOpen(&out, WriteMemory, &error);
        g->SWidth = src->SWidth;
        g->SHeight = src->SHeight;
        g->SColorResolution = src->SColorResolution;
        g->SBackGroundColor = src->SBackGroundColor;
        g->SColorMap = src->SColorMap ? GifMakeMapObject(src->SColorMap->ColorCount, src->SColorMap->Colors) : nullptr;
        for (int i = 0; i < src->ImageCount; ++i) GifMakeSavedImage(g, &src->SavedImages[i]);
        state.ResumeTiming();
        if (EGifSpew(g) != GIF_OK) {
            state.SkipWithError("EGifSpew failed");
            break;
        }
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
    DGifCloseFile(src, &error);
}

}  // namespace

BENCHMARK_CAPTURE(Ours, photo_150x200, "photo.gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Giflib, photo_150x200, "photo.gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours, vga_640x480, "vga.gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Giflib, vga_640x480, "vga.gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours, large_2000x1500, "large.gif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Giflib, large_2000x1500, "large.gif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, anim_50_frames, "anim.gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Giflib, anim_50_frames, "anim.gif")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
