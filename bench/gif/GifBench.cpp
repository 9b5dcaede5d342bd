// GIF decoding to indices from memory: our TGIFImage against giflib's DGifOpen with a memory
// reader plus DGifSlurp, on the inputs of make_inputs.sh (run it first).
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <string>

#include "GifBenchInputs.h"
#include "imaging/gif/GIFImage.h"

namespace {

void Ours(benchmark::State& state, const char* name) {
    const std::string bytes = Input(name);
    if (bytes.empty()) {
        state.SkipWithError("no input: run bench/gif/make_inputs.sh");
        return;
    }
    for (auto _ : state) {
        TStringStream s(bytes);
        TGIFImage image;
        image.LoadFromStream(s);
        benchmark::DoNotOptimize(image.Images().SubImages(0)->Data());
    }
}

void Giflib(benchmark::State& state, const char* name) {
    const std::string bytes = Input(name);
    if (bytes.empty()) {
        state.SkipWithError("no input: run bench/gif/make_inputs.sh");
        return;
    }
    for (auto _ : state) {
        Reader r{&bytes, 0};
        int error = 0;
        GifFileType* g = DGifOpen(&r, ReadMemory, &error);
        if (!g || DGifSlurp(g) != GIF_OK) {
            state.SkipWithError("giflib failed");
            break;
        }
        benchmark::DoNotOptimize(g->SavedImages[0].RasterBits);
        DGifCloseFile(g, &error);
    }
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
