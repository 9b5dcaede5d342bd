#include "fuzz/gif/GifFuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::Decoder(data, size);
    return 0;
}
