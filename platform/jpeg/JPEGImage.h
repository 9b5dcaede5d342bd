#pragma once
// The framework's JPEG graphic over libjpeg (version-62 API): keeps the compressed data it was
// loaded from and decodes it at a scale of 1/1, 1/2, 1/4 or 1/8 into a bitmap (24 bits blue, green,
// red, a CMYK or YCCK file converted to them; a greyscale file as 8 bits with the grey palette);
// takes a bitmap in and compresses it at a quality of 1 to 100. A fatal codec error raises EJPEG
// "JPEG error #n" with the codec's message number; warnings are silent.
#include <cstdint>
#include <memory>

#include "platform/Streams.h"
#include "platform/graphics/Bitmap.h"

VA_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic)

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
// Best quality: the slow integer transform with smooth upsampling; best speed: the fast one.
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jf24Bit };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    std::string ClassName() const override { return "TJPEGImage"; }

    // The size at the current scale (of the bitmap taken in, when there is one).
    int Width() const override;
    int Height() const override;
    // The size comes from the data: setting it does nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override;

    TJPEGScale Scale() const { return scale_; }
    void SetScale(TJPEGScale value);
    TJPEGPerformance Performance() const { return performance_; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGPixelFormat PixelFormat() const { return jf24Bit; }
    void SetPixelFormat(TJPEGPixelFormat) {}
    // A loaded file reports whether it is greyscale; set, it decodes and encodes grey.
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool value);
    // 1 to 100; 90 unless set.
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int value);

    // Keeps the data from the stream's position to its end and reads its header; the codec's
    // errors raise EJPEG, a picture too large to decode EInvalidGraphic "Invalid bitmap size".
    void LoadFromStream(TStream& stream) override;
    // Compresses the bitmap taken in, or writes the loaded data unchanged.
    void SaveToStream(TStream& stream) override;

    // Takes a bitmap in (a copy) or another JPEG image's data.
    void Assign(TPersistent* source) override;
    // Decodes into a bitmap.
    void AssignTo(TPersistent* dest) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJPEGImage>(); }

    // The decoded picture at the current settings (decoded once, until they change).
    const TBitmap& Bitmap();

    // Gives the rows to decode into: row y at the result + y * stride, for a picture of the size
    // and format given (pf24bit blue, green, red; pf8bit grey). It may raise.
    using TRowsFunc = uint8_t* (*)(void* context, int width, int height, TPixelFormat format, int64_t* stride);
    // Decodes at the current settings straight into rows of the caller's, without a bitmap between.
    void DecodeInto(TRowsFunc rows, void* context);

private:
    struct Header {
        bool valid = false;
        int width[4] = {};   // output size per scale
        int height[4] = {};
        bool grayscale = false;
    };
    void Decode(TBitmap& dest);
    void RunDecodeInto(TRowsFunc rows, void* context);
    void Compress(TStream& stream);
    void ClearData();

    TMemoryStream data_;
    Header header_;
    std::unique_ptr<TBitmap> source_;   // a bitmap taken in, to be compressed
    std::unique_ptr<TBitmap> decoded_;  // the data decoded at the current settings
    TJPEGScale scale_ = jsFullSize;
    TJPEGPerformance performance_ = jpBestQuality;
    bool grayscale_ = false;
    int quality_ = 90;
};
