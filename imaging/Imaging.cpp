#include "imaging/Imaging.h"

#include "imaging/BitmapLoader.h"
#include "imaging/Grayscale.h"
#include "imaging/JPEGLoader.h"
#include "imaging/LinearBitmap.h"

namespace imaging {

void initialise() {
    static bool done = false;
    if (done) return;
    for (int i = 0; i < 256; ++i)
        GrayPalette[i * 3] = GrayPalette[i * 3 + 1] = GrayPalette[i * 3 + 2] = static_cast<uint8_t>(i);
    imaging_detail::CreateBitmapLoaders();
    imaging_detail::InitialiseColorTransforms();
    RegisterLoader(&JPEGLoader());
    done = true;
}

}  // namespace imaging
