#include "imaging/GIFLoader.h"

#include "imaging/GIFImage.h"
#include "imaging/LinearBitmap.h"

TGIFLoader& GIFLoader() {
    static TGIFLoader loader;
    return loader;
}

bool TGIFLoader::CanLoad(const std::string& ext) { return ext == "GIF"; }

bool TGIFLoader::CanSave(const std::string& ext) { return ext == "GIF"; }

std::string TGIFLoader::GetLoadFilter() { return "Graphics Interchange Format (*.gif)|*.gif"; }

void TGIFLoader::LoadFromStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) {
    TSeekableNorvStream in(stream);
    TGIFImage gif;
    gif.LoadFromStream(in);
    int transparent = -1;
    if (gif.IsTransparent()) {
        // A frame 0 without an image has no bitmap to take a colour from.
        TBitmap* frame = gif.Images().SubImages(0)->Bitmap();
        if (frame) transparent = static_cast<int>(frame->TransparentColor());
    }
    // The first-frame bitmap itself, not a copy through the image: a failure to build it reaches
    // the caller instead of turning into a drawing of nothing.
    TBitmap* first = gif.Bitmap();
    if (first) image.Assign(first);
    else image.Clear();
    TransparentColor = transparent;
}
