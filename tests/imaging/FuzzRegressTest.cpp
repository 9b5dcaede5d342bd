// Replays the inputs the JPEG and colour-reduction fuzz targets found (tests/data/*/regress/) and
// their seeds through the targets' own entry functions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/imaging/JpegFuzzEntry.h"
#include "fuzz/imaging/ReduceFuzzEntry.h"

namespace {

namespace fs = std::filesystem;

// Runs every file of the folders (missing folders count as empty); answers how many ran.
template <class F>
int Replay(std::initializer_list<std::string> folders, F&& run) {
    int count = 0;
    for (const std::string& folder : folders) {
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            SCOPED_TRACE(entry.path().string());
            run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++count;
        }
    }
    return count;
}

const std::string kData = VA_TEST_DATA_DIR;
const std::string kFuzz = std::string(VA_TEST_DATA_DIR) + "/../../fuzz/imaging/";

}  // namespace

TEST(FuzzRegress, JpegInputsRunClean) {
    // The target's caps, as it runs.
    const int64_t savedBitmap = TBitmap::MaxImageBytes(), savedLinear = TLinearBitmap::MaxSize();
    TBitmap::SetMaxImageBytes(fuzz_jpeg::kMaxImageBytes);
    TLinearBitmap::SetMaxSize(fuzz_jpeg::kMaxImageBytes);
    const int n = Replay({kData + "/jpeg/regress", kFuzz + "corpus_jpeg"}, fuzz_jpeg::RunOne);
    TBitmap::SetMaxImageBytes(savedBitmap);
    TLinearBitmap::SetMaxSize(savedLinear);
    EXPECT_GT(n, 20);
}

TEST(FuzzRegress, ReduceInputsRunClean) {
    EXPECT_GT(Replay({kData + "/colour/regress", kFuzz + "corpus_reduce"}, fuzz_reduce::RunOne), 80);
}
