#pragma once
// A test-only loader for binary PPM (P6, maxval 255) pictures, decoded into 24-bit bitmaps.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/BitmapLoader.h"
#include "imaging/LinearBitmap.h"

namespace testing_ppm {

inline std::string MakePpm(int width, int height, const std::vector<uint8_t>& rgb) {
    std::string s = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    s.append(reinterpret_cast<const char*>(rgb.data()), rgb.size());
    return s;
}

// Decodes PPM bytes; raises ELinearBitmap "Error in bitmap data" on anything else.
inline void DecodePpm(const std::string& data, TLinearBitmap& image) {
    size_t pos = 0;
    auto fail = [] { throw ELinearBitmap("Error in bitmap data"); };
    auto number = [&]() -> long {
        while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        long v = 0;
        size_t digits = 0;
        while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos])) && digits < 9) {
            v = v * 10 + (data[pos++] - '0');
            ++digits;
        }
        if (digits == 0) fail();
        return v;
    };
    if (data.compare(0, 2, "P6") != 0) fail();
    pos = 2;
    const long w = number(), h = number(), max = number();
    if (max != 255 || pos >= data.size()) fail();
    ++pos;  // the single blank after maxval
    if (w < 1 || h < 1 || static_cast<unsigned long long>(data.size() - pos) < 3ULL * w * h) fail();
    image.New(static_cast<int>(w), static_cast<int>(h), pf24bit);
    for (long i = 0; i < w * h; ++i) {
        image.Map()[i * 3] = static_cast<uint8_t>(data[pos + i * 3 + 2]);
        image.Map()[i * 3 + 1] = static_cast<uint8_t>(data[pos + i * 3 + 1]);
        image.Map()[i * 3 + 2] = static_cast<uint8_t>(data[pos + i * 3]);
    }
}

inline std::string EncodePpm(const TLinearBitmap& image) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < image.Width() * image.Height(); ++i) {
        rgb.push_back(image.Map()[i * 3 + 2]);
        rgb.push_back(image.Map()[i * 3 + 1]);
        rgb.push_back(image.Map()[i * 3]);
    }
    return MakePpm(image.Width(), image.Height(), rgb);
}

// Works on streams, as the real loaders do.
class TPpmStreamLoader : public TBitmapLoader {
public:
    std::string GetLoadFilter() override { return "Portable Pixmap (*.ppm)|*.ppm"; }
    void LoadFromStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) override {
        // As the real loaders do: read through the framework adapter (which ends exact I/O).
        TSeekableNorvStream in(stream);
        std::string data;
        char buf[4096];
        for (int64_t n; (n = in.Read(buf, sizeof buf)) > 0;) data.append(buf, static_cast<size_t>(n));
        DecodePpm(data, image);
    }
};

}  // namespace testing_ppm
