// Replays the inputs that once broke a GIF fuzz target (tests/data/gif/regress/<target>/) through
// the same entry functions; an invariant broken again aborts the test. One replay serves the
// decoding, rendering and animation targets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/gif/GifAnimFuzzEntries.h"
#include "fuzz/gif/GifFuzzEntries.h"
#include "fuzz/gif/GifRenderFuzzEntries.h"

namespace {

struct CapsGuard {
    int64_t bitmap = TBitmap::MaxImageBytes();
    int64_t linear = TLinearBitmap::MaxSize();
    ~CapsGuard() {
        TBitmap::SetMaxImageBytes(bitmap);
        TLinearBitmap::SetMaxSize(linear);
    }
};

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

TEST(GIFFuzzRegress, KeptInputsPassEveryTarget) {
    CapsGuard guard;
    int total = 0;
    total += Replay("load", giffuzz::Load);
    total += Replay("decoder", giffuzz::Decoder);
    total += Replay("extensions", giffuzz::Extensions);
    total += Replay("differential", giffuzz::Differential);
    EXPECT_GE(total, 1);
}

TEST(GIFRenderFuzzRegress, KeptInputsPassBothTargets) {
    CapsGuard guard;
    int total = Replay("photo", giffuzz::PhotoRoad);
    total += Replay("encode", giffuzz::EncodeRoundTrip);
    EXPECT_GE(total, 2);
}

TEST(GIFAnimFuzzRegress, KeptInputsPassBothTargets) {
    CapsGuard guard;
    int total = Replay("optimize", giffuzz::OptimizeKeepsTheLook);
    total += Replay("convert", giffuzz::ConvertRoundTrip);
    EXPECT_GE(total, 2);
}
