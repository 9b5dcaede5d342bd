// The golden corpus (tests/data/gif/corpus, made by make_corpus.sh from ImageMagick, Pillow,
// gifsicle and giflib): every file must decode as giflib's DGifSlurp reads it, and every prefix of
// several of them must load or fail as the block structure says, never crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "GifTestSupport.h"

namespace {

const std::string kCorpus = std::string(VA_TEST_DATA_DIR) + "/gif/corpus/";

std::string ToHex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string Fnv(const std::vector<uint8_t>& v) {
    uint64_t h = 1469598103934665603ULL;
    for (uint8_t b : v) h = (h ^ b) * 1099511628211ULL;
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string MapHex(const TGIFColorMap& m) {
    return std::to_string(m.Count()) + (m.Count() ? " " + ToHex(&m.Data()->Red, static_cast<size_t>(m.Count()) * 3) : "");
}

// The facts of the .expected format, as our decoder reads the file.
std::string Describe(TGIFImage& image, int rawWidth, int rawHeight) {
    std::ostringstream out;
    TGIFHeader& h = image.Header();
    out << "screen " << rawWidth << " " << rawHeight << " " << int{h.BackgroundColorIndex} << "\n";
    out << "global " << MapHex(h.ColorMap()) << "\n";
    std::vector<TGIFSubImage*> frames;
    for (int i = 0; i < image.Images().Count(); ++i)
        if (!image.Images().SubImages(i)->Empty()) frames.push_back(image.Images().SubImages(i));
    out << "frames " << frames.size() << "\n";
    for (size_t i = 0; i < frames.size(); ++i) {
        TGIFSubImage* f = frames[i];
        out << "frame " << i << " " << f->Left() << " " << f->Top() << " " << f->Width() << " " << f->Height() << " "
            << (f->Interlaced() ? 1 : 0) << "\n";
        out << "local " << MapHex(f->ColorMap()) << "\n";
        for (int e = 0; e < f->Extensions().Count(); ++e) {
            TGIFExtension* x = f->Extensions().Extensions(e);
            if (auto* g = dynamic_cast<TGIFGraphicControlExtension*>(x)) {
                out << "gce " << int{g->Disposal()} << " " << g->Delay() << " "
                    << (g->Transparent() ? int{g->TransparentColorIndex()} : -1) << "\n";
            } else if (auto* a = dynamic_cast<TGIFApplicationExtension*>(x)) {
                out << "app " << std::string(a->Identifier.begin(), a->Identifier.end()) << "\n";
                if (auto* l = dynamic_cast<TGIFAppExtNSLoop*>(x)) out << "loop " << l->Loops << "\n";
            } else if (auto* c = dynamic_cast<TGIFCommentExtension*>(x)) {
                std::string all;
                for (const std::string& line : c->Text) all += line;
                out << "comment " << ToHex(reinterpret_cast<const uint8_t*>(all.data()), all.size()) << "\n";
            }
        }
        std::vector<uint8_t> px(f->Data(), f->Data() + f->DataSize());
        if (px.size() <= 1024) out << "pixels " << ToHex(px.data(), px.size()) << "\n";
        else out << "hash " << Fnv(px) << "\n";
    }
    return out.str();
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(kCorpus))
        if (e.path().extension() == ".gif") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Offsets of the block structure up to frame 0's image data: where each part ends, and the
// sub-block boundaries of frame 0's data.
struct TLayout {
    size_t headerEnd = 0;      // after the global table
    size_t descriptor = 0;     // frame 0's separator
    size_t dataStart = 0;      // frame 0's code size byte
    size_t dataEnd = 0;        // after frame 0's zero-length block
    std::vector<size_t> subBlocks;
};

TLayout Layout(const std::string& f) {
    TLayout l;
    auto at = [&](size_t i) { return static_cast<uint8_t>(f[i]); };
    l.headerEnd = 13 + ((at(10) & 0x80) ? 3u * (2u << (at(10) & 7)) : 0u);
    size_t p = l.headerEnd;
    while (at(p) == 0x21) {
        p += 2;
        while (at(p) != 0) p += at(p) + 1u;
        ++p;
    }
    l.descriptor = p;
    l.dataStart = p + 10 + ((at(p + 9) & 0x80) ? 3u * (2u << (at(p + 9) & 7)) : 0u);
    p = l.dataStart + 1;
    while (at(p) != 0) {
        l.subBlocks.push_back(p);
        p += at(p) + 1u;
    }
    l.dataEnd = p + 1;
    return l;
}

}  // namespace

TEST(GIFCorpus, EveryFileDecodesAsGiflibReadsIt) {
    const auto names = CorpusFiles();
    ASSERT_GE(names.size(), 20u);
    for (const std::string& name : names) {
        const std::string bytes = ReadFile(kCorpus + name + ".gif");
        const std::string expected = ReadFile(kCorpus + name + ".expected");
        TRecordedGif g;
        ASSERT_EQ(g.Load(bytes), "") << name;
        const int rawW = static_cast<uint8_t>(bytes[6]) | static_cast<uint8_t>(bytes[7]) << 8;
        const int rawH = static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8;
        EXPECT_EQ(Describe(g.image, rawW, rawH), expected) << name;
        EXPECT_TRUE(g.warnings.empty()) << name << ": " << g.warnings.front();
        // The screen holds every frame after the load.
        for (int i = 0; i < g.image.Images().Count(); ++i) {
            TGIFSubImage* f = g.image.Images().SubImages(i);
            EXPECT_LE(f->Left() + f->Width(), g.image.Width()) << name;
            EXPECT_LE(f->Top() + f->Height(), g.image.Height()) << name;
        }
    }
}

TEST(GIFCorpus, AFrameWiderThanTheScreenGrowsIt) {
    TRecordedGif g;
    ASSERT_EQ(g.Load(ReadFile(kCorpus + "anim.gif")), "");
    EXPECT_EQ(g.image.Width(), 10);
    EXPECT_EQ(g.image.Height(), 7);
    EXPECT_TRUE(g.warnings.empty());
}

class GIFTruncation : public ::testing::TestWithParam<const char*> {};

TEST_P(GIFTruncation, EveryPrefixLoadsOrFailsByWhereItIsCut) {
    {
        const char* name = GetParam();
        const std::string file = ReadFile(kCorpus + std::string(name) + ".gif");
        TRecordedGif full;
        ASSERT_EQ(full.Load(file), "") << name;
        const std::vector<uint8_t> whole = full.Pixels(0);
        TGIFSubImage* f0 = full.image.Images().SubImages(0);
        const uint8_t fill = f0->Transparent ? f0->GraphicControlExtension->TransparentColorIndex() : 0;
        const bool interlaced = f0->Interlaced();
        const TLayout l = Layout(file);

        std::vector<size_t> cuts;
        if (file.size() <= 4096) {
            for (size_t n = 0; n < file.size(); ++n) cuts.push_back(n);
        } else {
            for (size_t n = 0; n < 2048; ++n) cuts.push_back(n);
            for (size_t i = 0; i < 400; ++i) cuts.push_back(2048 + (file.size() - 2048) * i / 400);
            for (size_t b : l.subBlocks)
                for (size_t d = b - 2; d <= b + 2; ++d) cuts.push_back(d);
        }
        for (size_t n : cuts) {
            TRecordedGif g;
            const std::string err = g.Load(file.substr(0, n));
            const std::string where = std::string(name) + " cut at " + std::to_string(n);
            if (n < l.headerEnd || (n > l.descriptor && n < l.dataStart)) {
                EXPECT_EQ(err, "Premature end of data") << where;
                continue;
            }
            if (n <= l.descriptor) {
                // Between blocks (or inside an extension before frame 0): no image yet.
                if (err.empty()) {
                    EXPECT_TRUE(g.image.Images().Count() == 0 || g.image.Images().SubImages(0)->Empty()) << where;
                }
                continue;
            }
            if (n < l.dataEnd) {
                ASSERT_EQ(err, "") << where;
                const std::vector<uint8_t> got = g.Pixels(0);
                ASSERT_EQ(got.size(), whole.size()) << where;
                if (interlaced) continue;
                // Equal up to the last string decoded, the fill value after it.
                size_t same = 0;
                while (same < got.size() && got[same] == whole[same]) ++same;
                size_t lastSet = got.size();
                while (lastSet > 0 && got[lastSet - 1] == fill) --lastSet;
                if (same < got.size()) {
                    EXPECT_LE(lastSet, same + 4097) << where;
                }
                continue;
            }
            // Past frame 0: it is whole.
            if (err.empty() || g.image.Images().Count() > 0) {
                EXPECT_EQ(g.Pixels(0), whole) << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, GIFTruncation,
                         ::testing::Values("two", "interlaced9", "anim", "transparent", "comment", "optimized",
                                           "local", "rose", "photo", "noclear"));
