// The GIF decoder and frame loop on crafted byte vectors: each pins one rule of the LZW arithmetic,
// the block structure or a recovery.
#include <gtest/gtest.h>

#include "GifTestSupport.h"
#include "GiflibOracle.h"
#include "support/ErrorOf.h"

namespace {

using Codes = std::vector<std::pair<int, int>>;  // (code, width in bits)

// LZW codes packed least significant bit first into data sub-blocks, ended by a zero-length block.
std::string Data(int codeSize, const Codes& codes, bool terminator = true) {
    std::string bytes;
    uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= static_cast<uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) bytes += static_cast<char>(acc & 0xFF);
    std::string out(1, static_cast<char>(codeSize));
    for (size_t at = 0; at < bytes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - at);
        out += static_cast<char>(n);
        out += bytes.substr(at, n);
    }
    if (terminator) out += '\0';
    return out;
}

std::string Word(int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// A screen of w x h with a 2-entry black and white global table.
std::string Screen(int w, int h) { return "GIF89a" + Word(w) + Word(h) + Hex("80 00 00 000000 ffffff"); }

std::string Descriptor(int left, int top, int w, int h, int packed = 0) {
    return "," + Word(left) + Word(top) + Word(w) + Word(h) + static_cast<char>(packed);
}

// A w x 1 frame (code size 2) of the given pixels, each a literal code.
std::string Frame(const std::vector<int>& pixels, int left = 0) {
    Codes c = {{4, 3}};
    int nextFree = 6, width = 3;
    for (size_t i = 0; i < pixels.size(); ++i) {
        c.push_back({pixels[i], width});
        if (i > 0 && nextFree < 4096 && ++nextFree >= (1 << width) && width < 12) ++width;
    }
    c.push_back({5, width});
    return Descriptor(left, 0, static_cast<int>(pixels.size()), 1) + Data(2, c);
}

}  // namespace

TEST(GIFDecode, ChainsThatLoopRaiseInsteadOfOverrunningTheStack) {
    TRecordedGif g;
    EXPECT_EQ(g.Load(Hex("47 49 46 38 39 61 0a 00 0a 00 80 00 00 00 00 00 ff ff ff 2c 00 00 00 00 0a 00 0a 00"
                         "00 02 03 bc 73 05 00 3b")),
              "Circular decoder table entry");
    EXPECT_EQ(g.image.Images().Count(), 0);  // the frame whose load failed is gone
}

TEST(GIFDecode, AnEarlyEndCodeLeavesTheStreamAfterTheFrame) {
    TRecordedGif g;
    ASSERT_EQ(g.Load(Hex("47 49 46 38 39 61 14 00 01 00 80 00 00 00 00 00 ff ff ff 2c 00 00 00 00 14 00 01 00"
                         "00 02 03 4c 12 05 00 21 f9 04 00 0a 00 00 00 2c 00 00 00 00 01 00 01 00 00 02 02 4c"
                         "01 00 3b")),
              "");
    ASSERT_EQ(g.image.Images().Count(), 2);
    std::vector<uint8_t> first(20, 0);
    first[0] = first[1] = first[2] = first[3] = 1;
    EXPECT_EQ(g.Pixels(0), first);
    EXPECT_EQ(g.Pixels(1), std::vector<uint8_t>{1});
    EXPECT_TRUE(g.warnings.empty());
}

TEST(GIFDecode, SurplusCodesBeforeTheEndAreSkippedWithTheirSubBlocks) {
    // Three pixels of data for a 2 x 1 frame, then the end code, in two sub-blocks.
    std::string data = Data(2, {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {5, 3}});
    data.insert(data.size() - 1, Hex("02 aa bb"));
    TRecordedGif g;
    ASSERT_EQ(g.Load(Screen(2, 1) + Descriptor(0, 0, 2, 1) + data + Frame({1}) + ";"), "");
    ASSERT_EQ(g.image.Images().Count(), 2);
    EXPECT_EQ(g.Pixels(0), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(g.Pixels(1), std::vector<uint8_t>{1});
    EXPECT_TRUE(g.warnings.empty());
}

TEST(GIFDecode, AClearCodeBeforeTheEndCodeEndsTheData) {
    TRecordedGif g;
    // 1 x 1 frame: the forced clear, then the end code at once; then a frame of pixel 1.
    ASSERT_EQ(g.Load(Screen(1, 1) + Descriptor(0, 0, 1, 1) + Hex("02 01 05 00") + Frame({1}) + ";"), "");
    ASSERT_EQ(g.image.Images().Count(), 2);
    EXPECT_EQ(g.Pixels(0), std::vector<uint8_t>{0});  // the fill value, not the end code's 5
    EXPECT_EQ(g.Pixels(1), std::vector<uint8_t>{1});
    EXPECT_TRUE(g.warnings.empty());
}

TEST(GIFDecode, OnlyAnImageSeparatorStartsADescriptorAfterExtensions) {
    // A stray byte after an extension, followed by what would read as a 65535 x 65535 descriptor.
    TRecordedGif g;
    ASSERT_EQ(g.Load(Screen(1, 1) + Frame({1}) + Hex("21 f9 04 00 00 00 00 00") +
                     Hex("2a ff ff ff ff ff ff ff ff 00")),
              "");
    ASSERT_EQ(g.image.Images().Count(), 2);  // the frame, then the extension without an image
    EXPECT_EQ(g.Pixels(0), std::vector<uint8_t>{1});
    EXPECT_EQ(g.image.Images().SubImages(1)->Extensions().Count(), 1);
    EXPECT_TRUE(g.image.Images().SubImages(1)->Empty());
    EXPECT_EQ(g.warnings, (std::vector<std::string>{"Invalid extension introducer", "Unknown GIF block type",
                                                    "Invalid Image trailer"}));
    EXPECT_EQ(g.senders[1], "TGIFImageList");
    EXPECT_EQ(g.senders[2], "TGIFTrailer");
}

TEST(GIFDecode, HugeFramesRaiseBeforeAllocating) {
    TRecordedGif g;
    EXPECT_EQ(g.Load(Screen(1, 1) + Descriptor(0, 0, 65535, 65535) + Hex("02 02 4c 01 00 3b")),
              "Invalid image dimensions");
    // 30 bytes are enough to declare it.
    EXPECT_EQ(g.Load(Hex("474946383961 0100 0100 00 00 00 2c 0000 0000 ffff ffff 00 02 02 4c 01 00 3b")),
              "Invalid image dimensions");
    // A zero size takes the screen's, checked the same way.
    EXPECT_EQ(g.Load(Hex("474946383961 ffff ffff 00 00 00 2c 0000 0000 0000 0000 00 02 02 4c 01 00 3b")),
              "Invalid image dimensions");
    TGIFSubImage frame(nullptr);
    EXPECT_EQ(ErrorOf([&] { frame.SetBoundsR(0, 0, 65535, 65535); }), "Invalid image dimensions");
    EXPECT_EQ(frame.Width(), 0);
}

TEST(GIFDecode, OneByOneClearOneEndConsumesItsZeroLengthBlock) {
    TRecordedGif g;
    const std::string file = Screen(1, 1) + Hex("2c 00 00 00 00 01 00 01 00 00 02 02 4c 01 00 3b");
    TStringStream s(file);
    g.image.LoadFromStream(s);
    EXPECT_EQ(s.Position(), static_cast<int64_t>(file.size()));
    EXPECT_EQ(g.Pixels(0), std::vector<uint8_t>{1});
    EXPECT_TRUE(g.warnings.empty());
}

TEST(GIFDecode, CodeSizesOutsideTwoToEight) {
    struct Case {
        int codeSize;
        Codes codes;
        std::vector<uint8_t> pixels;
    };
    const Case cases[] = {
        // 0: clear 1, end 2; widths grow from 1 bit on "NextFree >= MaxCode".
        {0, {{0, 1}, {0, 1}, {3, 2}, {2, 3}}, {0, 0, 0, 0}},
        // 1: clear 2, end 3; an equality test would never widen past 2 bits.
        {1, {{1, 2}, {0, 2}, {4, 3}, {3, 3}}, {1, 0, 1, 0}},
        // 9 and 255 read as 8: clear 256, end 257, 9-bit codes.
        {9, {{65, 9}, {66, 9}, {258, 9}, {257, 9}}, {65, 66, 65, 66}},
        {255, {{65, 9}, {66, 9}, {258, 9}, {257, 9}}, {65, 66, 65, 66}},
    };
    for (const Case& c : cases) {
        TRecordedGif g;
        ASSERT_EQ(g.Load(Screen(4, 1) + Descriptor(0, 0, 4, 1) + Data(c.codeSize, c.codes) + ";"), "");
        EXPECT_EQ(g.Pixels(0), c.pixels) << c.codeSize;
        EXPECT_TRUE(g.warnings.empty()) << c.codeSize;
    }
}

TEST(GIFDecode, LZWStringRules) {
    struct Case {
        const char* what;
        Codes codes;
        std::vector<uint8_t> pixels;
    };
    const Case cases[] = {
        {"two clears in a row", {{4, 3}, {4, 3}, {1, 3}, {2, 3}, {5, 3}}, {1, 2, 0, 0, 0, 0}},
        // Code 6 while 6 is being defined: the last string and its own first pixel.
        {"code at NextFree", {{1, 3}, {6, 3}, {6, 3}, {5, 3}}, {1, 1, 1, 1, 1, 0}},
        // Code 7 beyond NextFree decodes as the code being defined.
        {"code beyond NextFree", {{2, 3}, {7, 3}, {5, 4}}, {2, 2, 2, 0, 0, 0}},
        // The first code after a clear is a pixel as it stands, even beyond the colour codes.
        {"first code beyond the colours", {{4, 3}, {7, 3}, {1, 3}, {5, 3}}, {7, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TRecordedGif g;
        ASSERT_EQ(g.Load(Screen(6, 1) + Descriptor(0, 0, 6, 1) + Data(2, c.codes) + ";"), "") << c.what;
        EXPECT_EQ(g.Pixels(0), c.pixels) << c.what;
    }
}

TEST(GIFDecode, InterlacedPassesSkipRowsBeyondShortFrames) {
    for (int h : {1, 2, 3, 5, 8, 9, 17}) {
        // Row r of the file order holds the literal r % 4 in every pixel of a 2-wide frame.
        std::vector<int> order;
        for (int r = 0; r < h; r += 8) order.push_back(r);
        for (int r = 4; r < h; r += 8) order.push_back(r);
        for (int r = 2; r < h; r += 4) order.push_back(r);
        for (int r = 1; r < h; r += 2) order.push_back(r);
        Codes c = {{4, 3}};
        int nextFree = 6, width = 3;
        std::vector<uint8_t> expected(static_cast<size_t>(2 * h));
        for (size_t i = 0; i < order.size(); ++i) {
            for (int x = 0; x < 2; ++x) {
                const int v = static_cast<int>(i % 4);
                c.push_back({v, width});
                if ((i > 0 || x > 0) && nextFree < 4096 && ++nextFree >= (1 << width) && width < 12) ++width;
                expected[static_cast<size_t>(order[i] * 2 + x)] = static_cast<uint8_t>(v);
            }
        }
        c.push_back({5, width});
        TRecordedGif g;
        ASSERT_EQ(g.Load(Screen(2, h) + Descriptor(0, 0, 2, h, 0x40) + Data(2, c) + ";"), "");
        EXPECT_EQ(g.Pixels(0), expected) << h;
        EXPECT_TRUE(g.warnings.empty()) << h;
    }
}

TEST(GIFDecode, DataThatStopEarlyKeepTheFillValue) {
    // 10 x 10, transparent index 3: the data give 40 pixels of 1, then the stream ends inside a
    // sub-block that promises more.
    Codes c = {{4, 3}};
    int nextFree = 6, width = 3;
    for (int i = 0; i < 40; ++i) {
        c.push_back({1, width});
        if (i > 0 && ++nextFree >= (1 << width) && width < 12) ++width;
    }
    std::string data = Data(2, c, false);
    data[1] = static_cast<char>(data[1] + 20);  // the sub-block promises 20 more bytes than there are
    TRecordedGif g;
    ASSERT_EQ(g.Load(Screen(10, 10) + Hex("21 f9 04 01 00 00 03 00") + Descriptor(0, 0, 10, 10) + data), "");
    std::vector<uint8_t> expected(100, 3);
    std::fill(expected.begin(), expected.begin() + 40, 1);
    EXPECT_EQ(g.Pixels(0), expected);
    EXPECT_EQ(g.warnings, std::vector<std::string>{"Premature end of data"});

    // The zero-length block before the frame is complete: the bit buffer runs dry.
    TRecordedGif z;
    ASSERT_EQ(z.Load(Screen(10, 10) + Descriptor(0, 0, 10, 10) + Data(2, c) + ";"), "");
    EXPECT_EQ(z.Pixels(0)[39], 1);
    EXPECT_EQ(z.Pixels(0)[99], 0);
    EXPECT_EQ(z.warnings, std::vector<std::string>{"Decoder bit buffer under-run"});

    // No code size byte at all: a frame of fill, silently.
    TRecordedGif n;
    ASSERT_EQ(n.Load(Screen(2, 2) + Hex("21 f9 04 01 00 00 07 00") + Descriptor(0, 0, 2, 2)), "");
    EXPECT_EQ(n.Pixels(0), std::vector<uint8_t>(4, 7));
    EXPECT_TRUE(n.warnings.empty());
}

TEST(GIFDecode, TheFillIndexComesFromTheFirstGraphicControlExtension) {
    TRecordedGif g;
    // The first extension is not transparent (index 9), the second is (index 4).
    ASSERT_EQ(g.Load(Screen(3, 1) + Hex("21 f9 04 00 00 00 09 00 21 f9 04 01 00 00 04 00") +
                     Descriptor(0, 0, 3, 1) + Data(2, {{4, 3}, {5, 3}}) + ";"),
              "");
    TGIFSubImage* f = g.image.Images().SubImages(0);
    EXPECT_TRUE(f->Transparent);
    EXPECT_EQ(f->GraphicControlExtension, f->Extensions().Extensions(0));
    EXPECT_EQ(g.Pixels(0), std::vector<uint8_t>(3, 9));
    EXPECT_TRUE(g.image.IsTransparent());
}

TEST(GIFDecode, ControlBlocksGoByTheirSizeByteAndTerminator) {
    struct Case {
        const char* what;
        std::string block;  // after 21 F9
        int disposal, delay, index;
        bool transparent;
        std::string giflibBlock;  // what giflib reads in its place; "": the block itself
    };
    const Case cases[] = {
        // giflib takes the byte after an empty block's terminator for one more sub-block's size,
        // so it is asked about the standard block of all fields 0 instead.
        {"size 0", "00", 0, 0, 0, false, "04 00 00 00 00 00"},
        {"size 3: no index byte", "03 05 0A 00 00", 1, 10, 0, false, ""},
        {"size 5", "05 05 0A 00 01 EE 00", 1, 10, 1, true, ""},
        {"size 6", "06 09 0B 01 01 EE FF 00", 2, 267, 1, true, ""},
        {"a further sub-block", "04 05 0A 00 01 02 AA BB 00", 1, 10, 1, true, ""},
    };
    const std::string frames = Frame({1, 0, 1}) + Frame({0, 1, 1}) + ";";
    // A failed assertion ends its row only.
    auto check = [&](const Case& c) {
        const std::string file = Screen(3, 1) + Hex("21 F9") + Hex(c.block) + frames;
        GiflibFile lib;
        const std::string oracle = c.giflibBlock.empty() ? c.block : c.giflibBlock;
        ASSERT_TRUE(GiflibRead(Screen(3, 1) + Hex("21 F9") + Hex(oracle) + frames, lib));
        TRecordedGif g;
        ASSERT_EQ(g.Load(file), "");
        EXPECT_TRUE(g.warnings.empty());
        ASSERT_EQ(g.image.Images().Count(), static_cast<int>(lib.frames.size()));
        for (size_t i = 0; i < lib.frames.size(); ++i) EXPECT_EQ(g.Pixels(static_cast<int>(i)), lib.frames[i].pixels);
        TGIFSubImage* f = g.image.Images().SubImages(0);
        ASSERT_NE(f->GraphicControlExtension, nullptr);
        EXPECT_EQ(f->GraphicControlExtension->Disposal(), c.disposal);
        EXPECT_EQ(f->GraphicControlExtension->Delay(), c.delay);
        EXPECT_EQ(f->GraphicControlExtension->TransparentColorIndex(), c.index);
        EXPECT_EQ(f->Transparent, c.transparent);
        EXPECT_EQ(g.image.IsTransparent(), c.transparent);

        // Saved, the block has the standard size, and giflib reads its fields too.
        TStringStream out;
        g.image.SaveToStream(out);
        GiflibFile back;
        ASSERT_TRUE(GiflibRead(out.DataString(), back));
        ASSERT_EQ(back.frames.size(), lib.frames.size());
        for (size_t i = 0; i < lib.frames.size(); ++i) EXPECT_EQ(back.frames[i].pixels, lib.frames[i].pixels);
        EXPECT_EQ(back.frames[0].disposal, c.disposal);
        EXPECT_EQ(back.frames[0].delay, c.delay);
        EXPECT_EQ(back.frames[0].transparent, c.transparent ? c.index : -1);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        check(c);
    }
    // A block that is all there is: the image loads with a warning when the block is cut off,
    // and a cut block names nothing transparent. giflib reads no picture from any of them, and
    // neither does the photo road: the loader raises and leaves the bitmap and the colour alone.
    struct Bare {
        const char* what;
        std::string block;  // after 21 F9, to the end of the file
        bool transparent;
        std::vector<std::string> warnings;
    };
    const std::vector<std::string> premature{"Premature end of data"};
    const Bare bare[] = {
        {"a size of 5 over 3 bytes", "05 05 0A 00", false, premature},
        {"cut inside a further sub-block", "04 05 0A 00 01 02 AA", false, premature},
        {"cut inside the fields", "04 05 0A", false, premature},
        {"a size of 255 over 5 bytes", "FF 05 0A 00 01 00", false, premature},
        {"the file ends after the block", "04 05 0A 00 01 00", true, {}},
        {"extensions only before the trailer", "04 05 0A 00 01 00 21 FE 02 68 69 00 3B", true, {}},
    };
    auto checkBare = [&](const Bare& c) {
        const std::string file = Screen(3, 1) + Hex("21 F9") + Hex(c.block);
        TRecordedGif g;
        ASSERT_EQ(g.Load(file), "");
        EXPECT_EQ(g.warnings, c.warnings);
        EXPECT_EQ(g.image.IsTransparent(), c.transparent);
        EXPECT_EQ(g.image.Images().SubImages(0)->Transparent, c.transparent);
        GiflibFile lib;
        EXPECT_FALSE(GiflibRead(file, lib));

        const LoadOverAPicture load(file);
        EXPECT_EQ(load.error, "Image is empty");
        EXPECT_TRUE(load.untouched);
    };
    for (const Bare& c : bare) {
        SCOPED_TRACE(c.what);
        checkBare(c);
    }
}

TEST(GIFDecode, BlockStructure) {
    const std::string two = Screen(1, 1) + Frame({1}) + Hex("00 00") + Frame({0}) ;
    struct Case {
        const char* what;
        std::string file;
        std::string error;
        int frames;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"zeros between blocks", two + ";", "", 2, {}},
        {"no trailer", two, "", 2, {}},
        {"stray 0x2A", two + "*", "", 2, {"Unknown GIF block type", "Invalid Image trailer"}},
        {"lower-case signature", "gif89a" + Screen(1, 1).substr(6) + Frame({1}) + ";", "", 1, {}},
        {"any version", "GIF99z" + Screen(1, 1).substr(6) + Frame({1}) + ";", "", 1, {}},
        {"4 bytes before", "JUNK" + Screen(1, 1) + Frame({1}) + ";", "", 1, {}},
        {"3 bytes before", "JNK" + Screen(1, 1) + Frame({1}) + ";", "Invalid GIF signature", 0, {}},
        {"5 bytes before", "JUNKY" + Screen(1, 1) + Frame({1}) + ";", "Invalid GIF signature", 0, {}},
        {"unknown extension label", Screen(1, 1) + Hex("21 02 00"), "Unknown extension type", 0, {}},
        {"cut in the global table", Screen(1, 1).substr(0, 15), "Premature end of data", 0, {}},
        {"cut in a descriptor", Screen(1, 1) + Frame({1}) + Descriptor(0, 0, 1, 1).substr(0, 6),
         "Premature end of data", 1, {}},
        {"zero width", Screen(3, 2) + Descriptor(0, 0, 0, 5) + Data(2, {{5, 3}}) + ";", "", 1,
         {"Image exceeds Logical Screen size"}},
    };
    for (const Case& c : cases) {
        TRecordedGif g;
        EXPECT_EQ(g.Load(c.file), c.error) << c.what;
        EXPECT_EQ(g.image.Images().Count(), c.frames) << c.what;
        EXPECT_EQ(g.warnings, c.warnings) << c.what;
    }
    TRecordedGif z;
    z.Load(Screen(3, 2) + Descriptor(0, 0, 0, 5) + Data(2, {{5, 3}}) + ";");
    EXPECT_EQ(z.image.Images().SubImages(0)->Width(), 3);
    EXPECT_EQ(z.image.Images().SubImages(0)->Height(), 2);
}

TEST(GIFDecode, GlobalTableSizesFromThePackedFields) {
    for (auto [packed, count] : {std::pair{0x80, 2}, {0x87, 256}, {0x00, 0}, {0x91, 4}}) {
        std::string file = "GIF87a" + Word(1) + Word(1) + static_cast<char>(packed) + Hex("00 00");
        for (int i = 0; i < count; ++i) file += std::string{static_cast<char>(i), 0, static_cast<char>(255 - i)};
        TRecordedGif g;
        ASSERT_EQ(g.Load(file + Frame({0}) + ";"), "") << packed;
        const TGIFColorMap& map = g.image.Header().ColorMap();
        EXPECT_EQ(map.Count(), count);
        if (count > 0) {
            EXPECT_EQ(map.Data()[count - 1].Red, count - 1);
            EXPECT_EQ(map.Data()[count - 1].Blue, 256 - count);
        }
    }
}

TEST(GIFDecode, TheScreenGrowsToHoldItsFramesWithoutWrapping) {
    TRecordedGif g;
    ASSERT_EQ(g.Load(Screen(20, 20) + Hex("2c 0a 00 05 00 14 00 14 00 00") + Data(2, {{5, 3}}) + ";"), "");
    EXPECT_EQ(g.image.Width(), 30);
    EXPECT_EQ(g.image.Height(), 25);
    EXPECT_TRUE(g.warnings.empty());

    TRecordedGif edge;
    ASSERT_EQ(edge.Load(Screen(1, 1) + Frame({1, 0}, 65535) + ";"), "");
    EXPECT_EQ(edge.image.Width(), 65535);  // 65535 + 2 stops at the field's top
    EXPECT_EQ(edge.image.Height(), 1);
}

TEST(GIFDecode, ProgressAndTheStreamOnFailure) {
    TRecordedGif g;
    ASSERT_EQ(g.Load(Screen(1, 1) + Frame({1}) + Frame({0}) + ";"), "");
    ASSERT_EQ(g.progress.size(), 4u);
    EXPECT_EQ(g.progress.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(g.progress[1].first, psRunning);
    EXPECT_EQ(g.progress.back(), std::make_pair(psEnding, 100));

    TRecordedGif bad;
    const std::string file = "xy" + Screen(1, 1) + Frame({1}) + Descriptor(0, 0, 1, 1).substr(0, 4);
    TStringStream s(file);
    s.SetPosition(2);
    EXPECT_THROW(bad.image.LoadFromStream(s), GIFException);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(bad.image.Images().Count(), 1);  // the frames read so far stay
    EXPECT_EQ(bad.progress.back(), std::make_pair(psEnding, 0));
}

TEST(GIFDecode, RenderOnLoadRendersEachFrameAsItIsReadAndAsksForRedraws) {
    struct Restore {
        bool saved = TGIFImage::RenderOnLoad;
        ~Restore() { TGIFImage::RenderOnLoad = saved; }
    } restore;
    EXPECT_FALSE(TGIFImage::RenderOnLoad);
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        TGIFImage::RenderOnLoad = on;
        TGIFImage image;
        std::vector<std::string> seen;
        image.OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool redraw, const TRect&, const std::string& msg) {
            if (stage == psRunning && msg == "Loading...") seen.push_back(redraw ? "frame read, redraw" : "frame read");
            if (stage == psStarting && msg == "Rendering...") seen.push_back("render");
        };
        TStringStream s(Screen(1, 1) + Frame({1}) + Frame({0}) + ";");
        image.LoadFromStream(s);
        const std::vector<std::string> want =
            on ? std::vector<std::string>{"render", "frame read, redraw", "render", "frame read, redraw"}
               : std::vector<std::string>{"frame read", "frame read"};
        EXPECT_EQ(seen, want);
        EXPECT_EQ(image.Images().SubImages(1)->HasBitmap(), on);
    }
}
