#include "imaging/Imaging.h"

#include "imaging/BitmapLoader.h"
#include "imaging/gif/GIFImage.h"
#include "imaging/gif/GIFLoader.h"
#include "imaging/Grayscale.h"
#include "imaging/JPEGLoader.h"
#include "imaging/LinearBitmap.h"
#include "platform/graphics/SysServices.h"

namespace imaging {

void initialise() {
    static bool done = false;
    if (done) return;
    for (int i = 0; i < 256; ++i)
        GrayPalette[i * 3] = GrayPalette[i * 3 + 1] = GrayPalette[i * 3 + 2] = static_cast<uint8_t>(i);
    imaging_detail::CreateBitmapLoaders();
    // The GIF codec: the picture's "GIF" file and clipboard formats, and the display's depth.
    TPicture::RegisterFileFormat("GIF", "GIF Image", GraphicClassOf<TGIFImage>());
    RegisterClipboardFormat("GIF Image");
    TPicture::RegisterClipboardFormat("GIF Image", GraphicClassOf<TGIFImage>());
    GIFPaletteDisplay = GetScreenBitsPerPixel() < 9;
    // The GIF loader comes before the JPEG one; every GIF image starts with its defaults.
    RegisterLoader(&GIFLoader());
    TGIFImage::DefaultDitherMode = 6;
    TGIFImage::DefaultColorReduction = 7;
    imaging_detail::InitialiseColorTransforms();
    RegisterLoader(&JPEGLoader());
    done = true;
}

void finalise() {
    TPicture::UnregisterGraphicClass("TGIFImage");
    FreeExtensionRegistries();
}

}  // namespace imaging
