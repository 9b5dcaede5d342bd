// libFuzzer target: ReduceColors over every method, dither and reduction size (see
// ReduceFuzzEntry.h).
#include "ReduceFuzzEntry.h"

#include "imaging/Imaging.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imaging::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_reduce::RunOne(data, size);
    return 0;
}
