// Colour reduction and JPEG decoding on one 2000 x 1500 picture made by make_photo.sh (which also
// times ImageMagick on it): Floyd-Steinberg to the web palette, the octree's 256 colours with
// Floyd-Steinberg, and decoding its JPEG into a packed-row bitmap beside a bare libjpeg-turbo loop
// with the same settings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/ColorReduction.h"
#include "imaging/Imaging.h"
#include "imaging/JPEGLoader.h"
#include "imaging/LinearBitmap.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

std::string PhotoDir() {
    const char* dir = std::getenv("VA_BENCH_PHOTO_DIR");
    return dir && *dir ? dir : "/tmp/va-bench-photo";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s is missing: run bench/imaging/make_photo.sh first\n", path.c_str());
        std::exit(1);
    }
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The PPM picture as a 24-bit framework bitmap.
TBitmap& Photo() {
    static TBitmap* photo = [] {
        const std::string ppm = ReadFile(PhotoDir() + "/photo.ppm");
        std::istringstream s(ppm);
        std::string magic;
        int w = 0, h = 0, max = 0;
        s >> magic >> w >> h >> max;
        s.get();
        const size_t at = static_cast<size_t>(s.tellg());
        auto* b = new TBitmap;
        b->SetPixelFormat(pf24bit);
        b->SetSize(w, h);
        for (int y = 0; y < h; ++y) {
            uint8_t* row = b->ScanLine(y);
            const char* src = ppm.data() + at + static_cast<size_t>(y) * w * 3;
            for (int x = 0; x < w; ++x) {
                row[x * 3] = static_cast<uint8_t>(src[x * 3 + 2]);
                row[x * 3 + 1] = static_cast<uint8_t>(src[x * 3 + 1]);
                row[x * 3 + 2] = static_cast<uint8_t>(src[x * 3]);
            }
        }
        return b;
    }();
    return *photo;
}

const std::string& PhotoJpeg() {
    static const std::string data = ReadFile(PhotoDir() + "/photo.jpg");
    return data;
}

void BM_FloydSteinbergToWebPalette(benchmark::State& state) {
    TBitmap& photo = Photo();
    for (auto _ : state) {
        auto r = ReduceColors(photo, rdWeb, dtFloydSteinberg, 8, nullptr);
        benchmark::DoNotOptimize(r->ScanLine(0));
    }
}
BENCHMARK(BM_FloydSteinbergToWebPalette)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_Octree256WithFloydSteinberg(benchmark::State& state) {
    TBitmap& photo = Photo();
    for (auto _ : state) {
        auto r = ReduceColors(photo, rdQuantize, dtFloydSteinberg, 8, nullptr);
        benchmark::DoNotOptimize(r->ScanLine(0));
    }
}
BENCHMARK(BM_Octree256WithFloydSteinberg)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_JpegIntoLinearBitmap(benchmark::State& state) {
    const std::string& data = PhotoJpeg();
    for (auto _ : state) {
        TStringStream in(data);
        TLinearBitmap image;
        image.LoadFromStream(in, "JPEG");
        benchmark::DoNotOptimize(image.Map());
    }
}
BENCHMARK(BM_JpegIntoLinearBitmap)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// libjpeg-turbo alone: the same settings (slow integer transform, smooth upsampling, blue-green-red
// rows) into a new buffer of the picture's size, as each decoded picture needs one.
void BM_BareLibjpegTurbo(benchmark::State& state) {
    const std::string& data = PhotoJpeg();
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = TRUE;
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
}
BENCHMARK(BM_BareLibjpegTurbo)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    imaging::initialise();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
