// The JPEG loader and the JPEG image class against libjpeg's own tools: decoding equals djpeg,
// encoding equals cjpeg, byte for byte, and CMYK comes within 2 levels of ImageMagick (fixtures by
// tests/data/jpeg/make_fixtures.sh); grey conversion; the codec's errors and the size checks
// before it allocates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "PpmLoader.h"
#include "imaging/BitmapLoader.h"
#include "imaging/Grayscale.h"
#include "imaging/JPEGLoader.h"
#include "imaging/LinearBitmap.h"
#include "platform/jpeg/JPEGImage.h"
#include "support/ErrorOf.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

const std::string kData = std::string(VA_TEST_DATA_DIR) + "/jpeg/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Pnm {
    int width = 0, height = 0, channels = 0;
    std::string pixels;  // red, green, blue (or grey) bytes
};

// Binary PGM (P5) and PPM (P6) with maxval 255, as djpeg writes them.
Pnm ReadPnm(const std::string& path) {
    const std::string data = ReadFile(path);
    std::istringstream s(data);
    std::string magic;
    int max = 0;
    Pnm p;
    s >> magic >> p.width >> p.height >> max;
    s.get();
    p.channels = magic == "P5" ? 1 : 3;
    p.pixels = data.substr(static_cast<size_t>(s.tellg()));
    EXPECT_EQ(p.pixels.size(), static_cast<size_t>(p.width) * p.height * p.channels) << path;
    return p;
}

// Decodes through the registry, as the downloader does.
void Load(const std::string& bytes, TLinearBitmap& image, int minWidth = INT_MAX, int minHeight = INT_MAX) {
    TStringStream in(bytes);
    JPEGLoader().MinWidth = minWidth;
    JPEGLoader().MinHeight = minHeight;
    try {
        image.LoadFromStream(in, "JPEG");
    } catch (...) {
        JPEGLoader().MinWidth = JPEGLoader().MinHeight = INT_MAX;
        throw;
    }
    JPEGLoader().MinWidth = JPEGLoader().MinHeight = INT_MAX;
}

// The bitmap's pixels as djpeg writes them.
std::string AsPnmPixels(const TLinearBitmap& image) {
    std::string out;
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < image.Width(); ++x) {
            if (image.PixelFormat() == pf8bit) {
                out.push_back(static_cast<char>(row[x]));
            } else {
                out.push_back(static_cast<char>(row[x * 3 + 2]));
                out.push_back(static_cast<char>(row[x * 3 + 1]));
                out.push_back(static_cast<char>(row[x * 3]));
            }
        }
    }
    return out;
}

void ExpectSameAsDjpeg(const TLinearBitmap& image, const std::string& pnm) {
    const Pnm want = ReadPnm(kData + "dec/" + pnm);
    ASSERT_TRUE(image.Present());
    ASSERT_EQ(image.Width(), want.width);
    ASSERT_EQ(image.Height(), want.height);
    if (want.channels == 1) {
        ASSERT_EQ(image.PixelFormat(), pf8bit);
        EXPECT_EQ(std::memcmp(image.Palette(), GrayPalette, 768), 0);
    } else {
        ASSERT_EQ(image.PixelFormat(), pf24bit);
    }
    EXPECT_TRUE(AsPnmPixels(image) == want.pixels) << pnm;
}

void FromPpm(const std::string& name, TLinearBitmap& image) {
    testing_ppm::DecodePpm(ReadFile(kData + "src/" + name), image);
}

std::string Save(TLinearBitmap& image, int quality, int maxFileSize = 0) {
    TJPEGLoader loader;
    loader.Quality = quality;
    loader.MaxFileSize = maxFileSize;
    TMemoryStream out;
    TNorvFilterStream filter(out);
    loader.SaveToStream(filter, "JPEG", image);
    return std::string(reinterpret_cast<const char*>(out.Memory()), out.Bytes().size());
}

}  // namespace

TEST(JpegLoader, NamesAndFilters) {
    TJPEGLoader& l = JPEGLoader();
    for (const char* n : {"JPG", "JPEG", "JPE"}) EXPECT_TRUE(l.CanLoad(n)) << n;
    EXPECT_TRUE(l.CanSave("JPG"));
    EXPECT_TRUE(l.CanSave("JPEG"));
    EXPECT_FALSE(l.CanSave("JPE"));
    EXPECT_FALSE(l.CanLoad("jpg"));  // names arrive upper-cased from the registry
    EXPECT_FALSE(l.CanLoad("JP"));
    EXPECT_EQ(l.GetLoadFilter(), "Joint Picture Expert Group (*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe");
    EXPECT_EQ(l.GetSaveFilter(), "Joint Picture Expert Group (*.jpg)|*.jpg");
    EXPECT_EQ(&BitmapLoaders().FindLoader("jpeg"), &l);
    EXPECT_EQ(&BitmapLoaders().FindLoader("Jpg"), &l);
    EXPECT_EQ(l.Quality, 0);
    EXPECT_EQ(l.MaxFileSize, 0);
}

TEST(JpegDecode, EqualsDjpegForEveryKindOfFile) {
    for (const char* name :
         {"cjpeg_420", "cjpeg_422", "cjpeg_444", "cjpeg_progressive", "cjpeg_arithmetic", "cjpeg_restart",
          "cjpeg_grey", "cjpeg_1x1", "cjpeg_17x9", "im_420", "im_progressive", "im_17x9", "pil_420",
          "pil_optimized_progressive", "pil_grey", "truncated"}) {
        SCOPED_TRACE(name);
        TLinearBitmap image;
        Load(ReadFile(kData + name + ".jpg"), image);
        ExpectSameAsDjpeg(image, std::string(name) + ".pnm");
        EXPECT_EQ(JPEGLoader().FullScaleWidth, image.Width());
    }
}

TEST(JpegDecode, MinimumSizeHalvesWhileBothHalvesStayAboveIt) {
    TLinearBitmap image;
    Load(ReadFile(kData + "cjpeg_800x600.jpg"), image, 100, 100);
    EXPECT_EQ(image.Width(), 200);
    EXPECT_EQ(image.Height(), 150);
    EXPECT_EQ(JPEGLoader().FullScaleWidth, 800);
    EXPECT_EQ(JPEGLoader().FullScaleHeight, 600);
    ExpectSameAsDjpeg(image, "cjpeg_800x600_quarter.pnm");
    // Stops at one eighth however small the minimum.
    Load(ReadFile(kData + "cjpeg_800x600.jpg"), image, 1, 1);
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(image.Height(), 75);
    Load(ReadFile(kData + "cjpeg_800x600.jpg"), image, 400, 301);
    EXPECT_EQ(image.Width(), 800);
}

namespace {

// A 16 x 8 CMYK file by libjpeg: red ink (magenta and yellow) on the left, no ink on the right;
// stored as Adobe's files are (inverted, under its marker) or plainly without the marker.
std::string RedAndWhiteCmyk(bool adobe) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPLE row[16 * 4];
    for (int x = 0; x < 16; ++x) {
        const JSAMPLE ink[4] = {0, x < 8 ? JSAMPLE{255} : JSAMPLE{0}, x < 8 ? JSAMPLE{255} : JSAMPLE{0}, 0};
        for (int i = 0; i < 4; ++i) row[x * 4 + i] = adobe ? static_cast<JSAMPLE>(255 - ink[i]) : ink[i];
    }
    JSAMPROW rows[1] = {row};
    while (cinfo.next_scanline < cinfo.image_height) jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

}  // namespace

TEST(JpegDecode, CmykAndYcckFilesLookAsTheirInksSay) {
    struct Case {
        std::string what, data;
        Pnm want;
    };
    std::vector<Case> cases;
    // ImageMagick writes YCCK (Adobe transform 2), Pillow plain CMYK (transform 0); ImageMagick's
    // sRGB rendering of each is the oracle.
    for (auto [name, transform] : {std::pair{"im_cmyk", 2}, std::pair{"pil_cmyk", 0}}) {
        std::string data = ReadFile(kData + name + ".jpg");
        const size_t adobe = data.find(std::string("\xFF\xEE\x00\x0E" "Adobe", 9));
        ASSERT_NE(adobe, std::string::npos) << name;
        ASSERT_EQ(data[adobe + 15], transform) << name;
        cases.push_back({name, std::move(data), ReadPnm(kData + "dec/" + name + "_srgb.pnm")});
    }
    // libjpeg's red and white, its inks inverted under Adobe's marker and plain without it.
    Pnm redAndWhite{16, 8, 3, {}};
    for (int i = 0; i < 16 * 8; ++i) redAndWhite.pixels += i % 16 < 8 ? std::string("\xFF\0\0", 3) : std::string(3, '\xFF');
    for (bool adobe : {true, false})
        cases.push_back({adobe ? "Adobe's marker" : "no marker", RedAndWhiteCmyk(adobe), redAndWhite});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLinearBitmap image;
        Load(c.data, image);
        ASSERT_EQ(image.PixelFormat(), pf24bit);
        ASSERT_EQ(image.Width(), c.want.width);
        ASSERT_EQ(image.Height(), c.want.height);
        const std::string got = AsPnmPixels(image);
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::abs(static_cast<uint8_t>(got[i]) - static_cast<uint8_t>(c.want.pixels[i])));
        EXPECT_LE(worst, 2);
    }
}

TEST(JpegDecode, CodecErrorsCarryTheirMessageNumbers) {
    TLinearBitmap image;
    EXPECT_EQ(ErrorOf([&] { Load("GIF89a\x01\x00\x01\x00\x80\x00\x00", image); }), "JPEG error #53");
    EXPECT_EQ(ErrorOf([&] { Load("", image); }), "JPEG error #42");
    try {
        Load("", image);
    } catch (const EInvalidGraphic&) {  // the class of the framework's JPEG errors
    }
    EXPECT_FALSE(image.Present());
}

TEST(JpegDecode, AFailureAfterTheRowsWereGivenLeavesNoPicture) {
    // The first scan of a progressive file made invalid (a DC scan reaching AC coefficients): the
    // header reads, the rows are taken, then the codec stops.
    std::string data = ReadFile(kData + "cjpeg_progressive.jpg");
    const size_t sos = data.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    const size_t components = static_cast<uint8_t>(data[sos + 4]);
    data[sos + 5 + 2 * components + 1] = 5;  // Se
    TLinearBitmap image;
    EXPECT_EQ(ErrorOf([&] { Load(data, image); }).rfind("JPEG error #", 0), 0u);
    EXPECT_FALSE(image.Present());
    EXPECT_EQ(image.Map(), nullptr);
}

TEST(JpegDecode, HugeFrameHeadersAreRefusedBeforeTheCodecAllocates) {
    std::string data = ReadFile(kData + "cjpeg_progressive.jpg");
    const size_t sof = data.find("\xFF\xC2");
    ASSERT_NE(sof, std::string::npos);
    // Frame header: length (2), precision (1), height (2), width (2).
    data[sof + 5] = data[sof + 7] = static_cast<char>(0xFF);
    data[sof + 6] = data[sof + 8] = static_cast<char>(0xDC);  // 65500
    TLinearBitmap image;
    EXPECT_EQ(ErrorOf([&] { Load(data, image); }), "Invalid bitmap size");
    // At one eighth the output would fit; the coefficients of the whole image still do not.
    EXPECT_EQ(ErrorOf([&] { Load(data, image, 4000, 4000); }), "Invalid bitmap size");
    EXPECT_EQ(JPEGLoader().FullScaleWidth, 65500);
}

TEST(JpegDecode, EveryPrefixRaisesOrGivesTheFullPicture) {
    for (const char* name : {"cjpeg_17x9", "im_cmyk"}) {
        SCOPED_TRACE(name);
        const std::string data = ReadFile(kData + name + ".jpg");
        ASSERT_LE(data.size(), 4096u);
        for (size_t n = 0; n <= data.size(); ++n) {
            TLinearBitmap image;
            const std::string error = ErrorOf([&] { Load(data.substr(0, n), image); });
            if (error == "(no error)") {
                ASSERT_EQ(image.Width(), 17) << n;
                ASSERT_EQ(image.Height(), 9) << n;
            } else {
                ASSERT_EQ(error.rfind("JPEG error #", 0), 0u) << n << ": " << error;
            }
        }
    }
}

TEST(JpegEncode, EqualsCjpegBaselineAtEachQuality) {
    TLinearBitmap plasma;
    FromPpm("plasma.ppm", plasma);
    for (int q : {1, 50, 90, 100}) {
        SCOPED_TRACE(q);
        EXPECT_TRUE(Save(plasma, q) == ReadFile(kData + "enc/plasma_q" + std::to_string(q) + ".jpg"));
    }
    TLinearBitmap odd;
    FromPpm("odd.ppm", odd);
    EXPECT_TRUE(Save(odd, 0) == ReadFile(kData + "enc/odd_q90.jpg"));  // 90 unless set
}

TEST(JpegEncode, GreyPicturesEncodeAsGreyscale) {
    // A 24-bit grey picture, its 8-bit grey copy and a 16-bit grey one all give cjpeg -grayscale.
    const std::string want = ReadFile(kData + "enc/grey_q90.jpg");
    TLinearBitmap grey;
    FromPpm("grey.ppm", grey);
    ASSERT_TRUE(grey.IsGrayScale());
    EXPECT_TRUE(Save(grey, 90) == want);
    TLinearBitmap eight;
    CopyToGrayscale(grey, eight);
    ASSERT_EQ(eight.PixelFormat(), pf8bit);
    EXPECT_TRUE(Save(eight, 90) == want);
    TLinearBitmap sixteen;
    sixteen.New(grey.Width(), grey.Height(), pf16bit);
    for (int i = 0; i < grey.Width() * grey.Height(); ++i) {
        sixteen.Map()[i * 2] = 0x5A;
        sixteen.Map()[i * 2 + 1] = eight.Map()[i];
    }
    EXPECT_TRUE(Save(sixteen, 90) == want);
    // The image class encodes a colour bitmap as grey when asked.
    TLinearBitmap plasma;
    FromPpm("plasma.ppm", plasma);
    TBitmap bmp;
    plasma.AssignTo(&bmp);
    TJPEGImage jpeg;
    jpeg.SetGrayscale(true);
    jpeg.Assign(&bmp);
    TMemoryStream out;
    jpeg.SaveToStream(out);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(out.Memory()), out.Bytes().size()) ==
                ReadFile(kData + "enc/plasma_grey_q90.jpg"));
}

TEST(JpegEncode, ThirtyTwoBitSourcesDropTheFourthByte) {
    TLinearBitmap plasma;
    FromPpm("plasma.ppm", plasma);
    TLinearBitmap wide;
    wide.Assign(&plasma);
    wide.SetPixelFormat(pf32bit);
    for (int i = 0; i < wide.Width() * wide.Height(); ++i) wide.Map()[i * 4 + 3] = static_cast<uint8_t>(i);
    EXPECT_TRUE(Save(wide, 50) == ReadFile(kData + "enc/plasma_q50.jpg"));
}

TEST(JpegEncode, QualitySearchEndsOnTheHighestQualityThatFits) {
    TLinearBitmap plasma;
    FromPpm("plasma.ppm", plasma);
    const std::string q1 = ReadFile(kData + "enc/plasma_q1.jpg");
    const std::string q50 = ReadFile(kData + "enc/plasma_q50.jpg");
    const std::string q90 = ReadFile(kData + "enc/plasma_q90.jpg");
    ASSERT_LT(q1.size(), q50.size());
    ASSERT_LT(q50.size(), q90.size());
    // Exactly quality 50's size: the search meets it on the way down from 90.
    EXPECT_TRUE(Save(plasma, 0, static_cast<int>(q50.size())) == q50);
    // Room for 90: it stays there (and never goes above the start).
    EXPECT_TRUE(Save(plasma, 0, static_cast<int>(q90.size()) + 5000) == q90);
    EXPECT_TRUE(Save(plasma, 50, static_cast<int>(q90.size())) == q50);
    // Not even quality 1 fits: its bytes are written anyway.
    EXPECT_TRUE(Save(plasma, 90, 10) == q1);
    // Whatever the limit, the result fits it unless it is quality 1.
    for (int limit : {700, 900, 1100, 1300, 1500}) {
        const std::string got = Save(plasma, 90, limit);
        EXPECT_LE(got.size(), static_cast<size_t>(limit)) << limit;
    }
}

TEST(JpegImage, ScalesGreyscaleAndCopies) {
    TJPEGImage jpeg;
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_EQ(jpeg.CompressionQuality(), 90);
    EXPECT_EQ(jpeg.ClassName(), "TJPEGImage");
    TStringStream in(ReadFile(kData + "cjpeg_17x9.jpg"));
    jpeg.LoadFromStream(in);
    EXPECT_FALSE(jpeg.Grayscale());
    const int sizes[4][2] = {{17, 9}, {9, 5}, {5, 3}, {3, 2}};  // rounded up, as libjpeg scales
    for (int s = 0; s < 4; ++s) {
        jpeg.SetScale(static_cast<TJPEGScale>(s));
        EXPECT_EQ(jpeg.Width(), sizes[s][0]);
        EXPECT_EQ(jpeg.Height(), sizes[s][1]);
        TBitmap bmp;
        bmp.Assign(&jpeg);
        EXPECT_EQ(bmp.Width(), sizes[s][0]);
        EXPECT_EQ(bmp.PixelFormat(), pf24bit);
    }
    TJPEGImage copy;
    copy.Assign(&jpeg);
    EXPECT_EQ(copy.Width(), 3);
    TMemoryStream saved;
    copy.SaveToStream(saved);  // loaded data is written as it came
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(saved.Memory()), saved.Bytes().size()) ==
                ReadFile(kData + "cjpeg_17x9.jpg"));
    TStringStream grey(ReadFile(kData + "cjpeg_grey.jpg"));
    jpeg.LoadFromStream(grey);
    EXPECT_TRUE(jpeg.Grayscale());
}

TEST(Grayscale, WeightsAndConversions) {
    EXPECT_EQ(GrayOf(255, 255, 255), 255);
    EXPECT_EQ(GrayOf(0, 0, 0), 0);
    EXPECT_EQ(GrayOf(255, 0, 0), 85);
    EXPECT_EQ(GrayOf(0, 255, 0), 128);
    EXPECT_EQ(GrayOf(0, 0, 255), 43);

    TLinearBitmap b;
    b.New(3, 1, pf32bit);
    const uint8_t px[12] = {0, 0, 255, 9, 255, 255, 255, 9, 0, 255, 0, 9};  // red, white, green
    std::memcpy(b.Map(), px, 12);
    ConvertToGrayscale(b);
    ASSERT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.Map()[0], 85);
    EXPECT_EQ(b.Map()[1], 255);
    EXPECT_EQ(b.Map()[2], 128);
    EXPECT_EQ(std::memcmp(b.Palette(), GrayPalette, 768), 0);

    // An 8-bit bitmap keeps its indexes mapped through its palette's greys.
    TLinearBitmap p;
    p.New(2, 1, pf8bit);
    std::memset(p.Palette(), 0, 768);
    p.Palette()[7 * 3 + 2] = 255;  // entry 7 red
    p.Map()[0] = 7;
    p.Map()[1] = 0;
    TLinearBitmap copy;
    CopyToGrayscale(p, copy);
    EXPECT_EQ(copy.Map()[0], 85);
    EXPECT_EQ(copy.Map()[1], 0);
    EXPECT_EQ(p.Map()[0], 7);  // the source is left alone

    // 16-bit grey stays as it is.
    TLinearBitmap s;
    s.New(1, 1, pf16bit);
    s.Map()[0] = 1, s.Map()[1] = 2;
    ConvertToGrayscale(s);
    EXPECT_EQ(s.PixelFormat(), pf16bit);
    EXPECT_EQ(s.Map()[1], 2);
}

TEST(Grayscale, ColourTransformsInvert) {
    for (auto [m, inv] : {std::pair{&RGBToYCbCr, &YCbCrToRGB}, std::pair{&RGBToYIQ, &YIQToRGB}}) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += (*inv)[i][k] * (*m)[k][j];
                EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-9) << i << "," << j;
            }
        }
    }
    // YCbCr of white is (255, 127.5, 127.5) and back.
    const double white[4] = {255, 255, 255, 1};
    double ycc[4] = {};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) ycc[i] += RGBToYCbCr[i][k] * white[k];
    EXPECT_NEAR(ycc[0], 255, 1e-9);
    EXPECT_NEAR(ycc[1], 127.5, 0.01);
    EXPECT_NEAR(YCbCrToRGB[0][0] * ycc[0] + YCbCrToRGB[0][1] * ycc[1] + YCbCrToRGB[0][2] * ycc[2] + YCbCrToRGB[0][3],
                255, 1e-6);
}

namespace {

// A stream that gives or takes `limit` bytes and then raises, as a failing file or socket would.
class TFailingStream : public TStream {
public:
    TFailingStream(std::string data, int64_t limit) : data_(std::move(data)), limit_(limit) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (pos_ >= limit_) throw EReadError("Stream read error");
        const int64_t n = std::min<int64_t>({count, limit_ - pos_, static_cast<int64_t>(data_.size()) - pos_});
        std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(std::max<int64_t>(n, 0)));
        pos_ += std::max<int64_t>(n, 0);
        return std::max<int64_t>(n, 0);
    }
    int64_t Write(const void*, int64_t count) override {
        if (count > limit_ - pos_) throw EWriteError("Stream write error");
        pos_ += count;
        return count;
    }
    // No size to tell: the image class reads chunk by chunk.
    int64_t Seek(int64_t, TSeekOrigin) override { throw EStreamError("Seek not supported"); }

private:
    std::string data_;
    int64_t limit_;
    int64_t pos_ = 0;
};

}  // namespace

TEST(JpegImage, StreamErrorsPassThroughTheCodecUnchanged) {
    // Reading: the stream's own error.
    const std::string data = ReadFile(kData + "cjpeg_420.jpg");
    TJPEGImage jpeg;
    TFailingStream half(data, static_cast<int64_t>(data.size() / 2));
    EXPECT_EQ(ErrorOf([&] { jpeg.LoadFromStream(half); }), "Stream read error");
    // Writing: a target that fills up raises its own error out of the encoder, whose object is
    // destroyed on the way (the sanitizer's leak check would see it otherwise).
    TLinearBitmap plasma;
    FromPpm("plasma.ppm", plasma);
    TBitmap bmp;
    plasma.AssignTo(&bmp);
    jpeg.Assign(&bmp);
    TFailingStream full("", 100);
    EXPECT_EQ(ErrorOf([&] { jpeg.SaveToStream(full); }), "Stream write error");
    // A whole file through a stream that cannot tell its size is read chunk by chunk.
    TFailingStream whole(data, INT64_MAX);
    jpeg.LoadFromStream(whole);
    EXPECT_EQ(jpeg.Width(), 64);
    TBitmap decoded;
    decoded.Assign(&jpeg);
    EXPECT_EQ(decoded.Height(), 48);
}
