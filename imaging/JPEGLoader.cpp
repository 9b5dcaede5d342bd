#include "imaging/JPEGLoader.h"

#include <cstring>

#include "imaging/LinearBitmap.h"
#include "platform/jpeg/JPEGImage.h"

namespace {

const char* const kDescription = "Joint Picture Expert Group";

// The source as 24-bit blue, green, red rows.
void ToBitmap(TLinearBitmap& image, TBitmap& bmp) {
    if (!image.Present()) return;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(image.Width(), image.Height());
    const int w = image.Width();
    const uint8_t* palette = image.Palette();
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.ScanLine(y);
        uint8_t* d = bmp.ScanLine(y);
        switch (image.PixelFormat()) {
            case pf8bit:
                for (int x = 0; x < w; ++x) {
                    const uint8_t* e = palette + s[x] * 3;
                    d[x * 3] = e[0], d[x * 3 + 1] = e[1], d[x * 3 + 2] = e[2];
                }
                break;
            case pf16bit:
                for (int x = 0; x < w; ++x) d[x * 3] = d[x * 3 + 1] = d[x * 3 + 2] = s[x * 2 + 1];
                break;
            case pf32bit:
                for (int x = 0; x < w; ++x) d[x * 3] = s[x * 4], d[x * 3 + 1] = s[x * 4 + 1], d[x * 3 + 2] = s[x * 4 + 2];
                break;
            default: std::memcpy(d, s, static_cast<size_t>(w) * 3); break;
        }
    }
}

// Packed rows of the bitmap itself; a grey picture gets the grey palette.
uint8_t* PackedRows(void* context, int width, int height, TPixelFormat format, int64_t* stride) {
    auto* image = static_cast<TLinearBitmap*>(context);
    image->New(width, height, format);
    if (format == pf8bit) std::memcpy(image->Palette(), GrayPalette, 768);
    *stride = image->BytesPerLine();
    return image->Map();
}

}  // namespace

TJPEGLoader& JPEGLoader() {
    static TJPEGLoader loader;
    return loader;
}

bool TJPEGLoader::CanLoad(const std::string& ext) { return ext == "JPG" || ext == "JPEG" || ext == "JPE"; }

bool TJPEGLoader::CanSave(const std::string& ext) { return ext == "JPG" || ext == "JPEG"; }

std::string TJPEGLoader::GetLoadFilter() {
    return std::string(kDescription) + " (*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe";
}

std::string TJPEGLoader::GetSaveFilter() { return std::string(kDescription) + " (*.jpg)|*.jpg"; }

void TJPEGLoader::LoadFromStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) {
    TSeekableNorvStream in(stream);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(in);
    jpeg.SetPerformance(jpBestQuality);
    jpeg.SetScale(jsFullSize);
    FullScaleWidth = jpeg.Width();
    FullScaleHeight = jpeg.Height();
    while (jpeg.Scale() < jsEighth && jpeg.Width() / 2 >= MinWidth && jpeg.Height() / 2 >= MinHeight)
        jpeg.SetScale(static_cast<TJPEGScale>(jpeg.Scale() + 1));
    jpeg.SetPixelFormat(jf24Bit);
    // The bitmap takes the image in: decoded straight into its packed rows, which gives the bytes
    // of a copy through a framework bitmap without the second picture.
    try {
        jpeg.DecodeInto(PackedRows, &image);
    } catch (...) {
        image.Clear();  // rows the codec never finished are not handed on
        throw;
    }
    if (!image.Present()) throw ELinearBitmap("Error in bitmap data");
    // Nothing is left to convert: a grey file arrives as 8-bit grey with the grey palette, any
    // other as 24 bits.
}

void TJPEGLoader::SaveToStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) {
    TBitmap bmp;
    ToBitmap(image, bmp);
    TJPEGImage jpeg;
    jpeg.SetScale(jsFullSize);
    jpeg.SetPixelFormat(jf24Bit);
    if (image.IsGrayScale()) jpeg.SetGrayscale(true);
    // Taken in once: each attempt of the quality search compresses the same copy.
    jpeg.Assign(&bmp);
    TSeekableNorvStream out(stream);

    if (MaxFileSize < 1) {
        if (Quality >= 1) jpeg.SetCompressionQuality(Quality);
        jpeg.SaveToStream(out);
        return;
    }
    if (Quality < 1) Quality = jpeg.CompressionQuality();
    int q = Quality, low = 1, high = q + 1;
    TMemoryStream attempt;
    int64_t size = 0;
    for (;;) {
        attempt.SetPosition(0);
        jpeg.SetCompressionQuality(q);
        jpeg.SaveToStream(attempt);
        size = attempt.Position();
        if (size > MaxFileSize) {
            high = q;
            if (q <= 1) break;
        } else if (size == MaxFileSize) {
            break;
        } else {
            low = q;
            if (q >= 100 || high == low + 1) break;
        }
        q = (low + high) / 2;
    }
    out.WriteBuffer(attempt.Memory(), size);
}
