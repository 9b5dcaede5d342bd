// libFuzzer target: the JPEG loader and libjpeg behind it (see JpegFuzzEntry.h).
#include "JpegFuzzEntry.h"

#include "imaging/Imaging.h"
#include "platform/graphics/Bitmap.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imaging::initialise();
    TBitmap::SetMaxImageBytes(fuzz_jpeg::kMaxImageBytes);
    TLinearBitmap::SetMaxSize(fuzz_jpeg::kMaxImageBytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_jpeg::RunOne(data, size);
    return 0;
}
