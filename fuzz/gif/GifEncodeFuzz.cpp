#include "fuzz/gif/GifRenderFuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::EncodeRoundTrip(data, size);
    return 0;
}
