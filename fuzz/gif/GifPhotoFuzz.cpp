#include "fuzz/gif/GifRenderFuzzEntries.h"
#include "imaging/Imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (imaging::initialise(), true);
    (void)ready;
    giffuzz::PhotoRoad(data, size);
    return 0;
}
