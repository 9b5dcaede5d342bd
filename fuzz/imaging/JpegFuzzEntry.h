#pragma once
// The JPEG road for fuzzing: LLVMFuzzerTestOneInput of fuzz_imaging_jpeg, and the test that
// replays the inputs kept under tests/data/jpeg/regress/. The first four bytes give MinWidth and
// MinHeight (16 bits each, little-endian; 0 means no minimum), the rest is the file, decoded
// through the registry as the downloader does. A picture that loads is checked, turned grey and
// encoded again.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "imaging/Grayscale.h"
#include "imaging/JPEGLoader.h"
#include "imaging/LinearBitmap.h"
#include "platform/Streams.h"

namespace fuzz_jpeg {

// Small caps keep every input fast; the checks against them are what huge headers exercise.
constexpr int64_t kMaxImageBytes = int64_t{1} << 22;

inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

inline void RunOne(const uint8_t* data, size_t size) {
    if (size < 4) return;
    const int minWidth = data[0] | data[1] << 8, minHeight = data[2] | data[3] << 8;
    TJPEGLoader& loader = JPEGLoader();
    loader.MinWidth = minWidth ? minWidth : INT_MAX;
    loader.MinHeight = minHeight ? minHeight : INT_MAX;
    TStringStream in(std::string(reinterpret_cast<const char*>(data + 4), size - 4));
    TLinearBitmap image;
    try {
        image.LoadFromStream(in, "JPEG");
    } catch (const Exception&) {
        loader.MinWidth = loader.MinHeight = INT_MAX;
        return;  // refused: the expected outcome for most inputs
    }
    loader.MinWidth = loader.MinHeight = INT_MAX;
    Check(image.Present(), "a loaded picture has pixels");
    Check(image.PixelFormat() == pf24bit || image.PixelFormat() == pf8bit, "24 bits, or 8 bits of grey");
    Check(image.Width() <= loader.FullScaleWidth && image.Height() <= loader.FullScaleHeight,
          "never larger than the file");
    Check(static_cast<int64_t>(image.Size()) == static_cast<int64_t>(image.BytesPerLine()) * image.Height(),
          "rows end to end");
    // Encoded again (small pictures only: encoding is not what is fuzzed here).
    if (static_cast<int64_t>(image.Width()) * image.Height() <= 4096) {
        TMemoryStream out;
        TNorvFilterStream filter(out);
        loader.SaveToStream(filter, "JPEG", image);
        Check(out.Size() > 0, "an encoding has bytes");
    }
    ConvertToGrayscale(image);
    Check(image.PixelFormat() == pf8bit, "grey is 8 bits");
}

}  // namespace fuzz_jpeg
