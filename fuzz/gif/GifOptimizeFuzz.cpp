#include "fuzz/gif/GifAnimFuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::OptimizeKeepsTheLook(data, size);
    return 0;
}
