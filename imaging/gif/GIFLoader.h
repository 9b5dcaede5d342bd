#pragma once
// The GIF loader: the first frame of a GIF, composed on its logical screen, as a packed-row bitmap.
#include "imaging/BitmapLoader.h"

class TGIFLoader : public TBitmapLoader {
public:
    // "GIF" loads and saves.
    bool CanLoad(const std::string& ext) override;
    bool CanSave(const std::string& ext) override;
    std::string GetLoadFilter() override;
    // The codec's errors pass on with the bitmap and TransparentColor as they were; so does
    // GIFException "Image is empty" for a file in which no frame holds pixels.
    void LoadFromStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) override;

    // As a one-frame GIF: 8-bit sources of at most 16 colours in use go down to 1 or 4 bits; a
    // 24-bit source sets the codec's defaults to 8 bits, quantizing and Floyd-Steinberg first
    // (for every image made after).
    void SaveToStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) override;

    // The colour of the first frame's transparency; -1 for a GIF without one.
    int TransparentColor = -1;
};

// The one instance, registered by imaging::initialise().
TGIFLoader& GIFLoader();
