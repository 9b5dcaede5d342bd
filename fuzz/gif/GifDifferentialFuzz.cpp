#include "fuzz/gif/GifFuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::Differential(data, size);
    return 0;
}
