// Replays the inputs kept for the optimize and conversion fuzz targets
// (tests/data/gif/regress/{optimize,convert}/) through the same entry functions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/gif/GifAnimFuzzEntries.h"

namespace {

int Replay(const std::string& target, void (*entry)(const uint8_t*, size_t)) {
    const std::filesystem::path dir = std::filesystem::path(VA_TEST_DATA_DIR) / "gif" / "regress" / target;
    if (!std::filesystem::exists(dir)) return 0;
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(e.path().string());
        entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    return count;
}

}  // namespace

TEST(GIFAnimFuzzRegress, KeptInputsPassBothTargets) {
    const int64_t bitmap = TBitmap::MaxImageBytes();
    const int64_t linear = TLinearBitmap::MaxSize();
    int total = Replay("optimize", giffuzz::OptimizeKeepsTheLook);
    total += Replay("convert", giffuzz::ConvertRoundTrip);
    TBitmap::SetMaxImageBytes(bitmap);
    TLinearBitmap::SetMaxSize(linear);
    EXPECT_GE(total, 2);
}
