#pragma once
// The JPEG loader: decodes through the framework's JPEG image class, halving the picture while it
// stays at least MinWidth x MinHeight, and encodes with a quality search against MaxFileSize.
#include <climits>

#include "imaging/BitmapLoader.h"

class TJPEGLoader : public TBitmapLoader {
public:
    // "JPG", "JPEG" and "JPE" load; "JPG" and "JPEG" save.
    bool CanLoad(const std::string& ext) override;
    bool CanSave(const std::string& ext) override;
    std::string GetLoadFilter() override;
    std::string GetSaveFilter() override;
    // A greyscale file gives an 8-bit bitmap with the grey palette, any other a 24-bit one.
    void LoadFromStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) override;
    // 24- and 8-bit sources as their colours; a 32-bit source without its fourth byte; a 16-bit grey
    // source as greyscale of its high bytes. With MaxFileSize, the highest quality up to Quality
    // (90 when unset) whose file fits, or quality 1 when none does.
    void SaveToStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) override;

    int Quality = 0;       // 0: the image class's default, 90
    int MaxFileSize = 0;   // below 1: no limit
    int MinWidth = INT_MAX;
    int MinHeight = INT_MAX;
    int FullScaleWidth = 0;   // of the last decoded file
    int FullScaleHeight = 0;
};

// The one instance, registered by imaging::initialise().
TJPEGLoader& JPEGLoader();
