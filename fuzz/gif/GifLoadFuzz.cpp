#include "fuzz/gif/GifFuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::Load(data, size);
    return 0;
}
