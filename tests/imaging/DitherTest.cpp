// Colour lookups and ditherers: the lookups' arithmetic, the walk protocol, and an impulse probe
// that measures each kernel's weights through the colours its lookup is asked for.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "imaging/ColorLookup.h"
#include "imaging/Ditherers.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb Look(TColorLookup& l, int r, int g, int b, int* index = nullptr) {
    uint8_t R = 1, G = 2, B = 3;
    const int i = l.Lookup(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), R, G, B);
    if (index) *index = i;
    return Rgb{R, G, B};
}

HPALETTE PaletteOf(const std::vector<Rgb>& colors) {
    std::vector<PALETTEENTRY> e;
    for (const Rgb& c : colors)
        e.push_back({static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b), 0});
    return CreatePalette(e.data(), static_cast<int>(e.size()));
}

using Factory = std::function<std::unique_ptr<TDitherEngine>(int, TColorLookup*)>;

template <class T>
Factory Make() {
    return [](int w, TColorLookup* l) { return std::make_unique<T>(w, l); };
}

const std::vector<std::pair<const char*, Factory>>& AllDitherers() {
    static const std::vector<std::pair<const char*, Factory>> all = {
        {"plain", Make<TDitherEngine>()},           {"FloydSteinberg", Make<TFloydSteinbergDitherer>()},
        {"Stucki", Make<TStuckiDitherer>()},        {"Sierra", Make<TSierraDitherer>()},
        {"JaJuNi", Make<TJaJuNiDitherer>()},        {"SteveArche", Make<TSteveArcheDitherer>()},
        {"Burkes", Make<TBurkesDitherer>()}};
    return all;
}

// Records the colour asked for at each pixel; answers it unchanged except at one pixel, where it
// answers black, so that the error there is exactly the colour asked.
class TProbeLookup : public TColorLookup {
public:
    TProbeLookup() : TColorLookup(nullptr) { Colors = 256; }
    uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override {
        Asked[At] = Rgb{red, green, blue};
        if (At == Impulse) {
            r = g = b = 0;
        } else {
            r = red, g = green, b = blue;
        }
        return 7;
    }
    std::pair<int, int> At{-1, -1}, Impulse{-1, -1};  // (row, column)
    std::map<std::pair<int, int>, Rgb> Asked;
};

// Walks a picture of one colour by the protocol; skip(row, column) says which pixels to skip.
void Walk(TDitherEngine& d, TProbeLookup& probe, int height, Rgb color,
          const std::function<bool(int, int)>& skip = nullptr) {
    for (int y = 0; y < height; ++y) {
        while (d.Column >= 0 && d.Column < d.Width) {
            if (skip && skip(y, d.Column)) {
                d.NextColumn();
                continue;
            }
            probe.At = {y, d.Column};
            uint8_t r, g, b;
            d.Dither(static_cast<uint8_t>(color.r), static_cast<uint8_t>(color.g), static_cast<uint8_t>(color.b),
                     r, g, b);
        }
        d.NextLine();
    }
}

struct Kernel {
    const char* name;
    Factory make;
    int divisor;
    std::map<std::pair<int, int>, int> weights;  // (rows down, pixels along the direction) -> weight
};

std::vector<Kernel> Kernels() {
    return {
        {"FloydSteinberg", Make<TFloydSteinbergDitherer>(), 16, {{{0, 1}, 7}, {{1, -1}, 3}, {{1, 0}, 5}, {{1, 1}, 1}}},
        {"Stucki", Make<TStuckiDitherer>(), 42,
         {{{0, 1}, 8}, {{0, 2}, 4}, {{1, -2}, 2}, {{1, -1}, 4}, {{1, 0}, 8}, {{1, 1}, 4}, {{1, 2}, 2},
          {{2, -2}, 1}, {{2, -1}, 2}, {{2, 0}, 4}, {{2, 1}, 2}, {{2, 2}, 1}}},
        {"Sierra", Make<TSierraDitherer>(), 32,
         {{{0, 1}, 5}, {{0, 2}, 3}, {{1, -2}, 2}, {{1, -1}, 4}, {{1, 0}, 5}, {{1, 1}, 4}, {{1, 2}, 2},
          {{2, -1}, 2}, {{2, 0}, 3}, {{2, 1}, 2}}},
        {"JaJuNi", Make<TJaJuNiDitherer>(), 48,
         {{{0, 1}, 7}, {{0, 2}, 5}, {{1, -2}, 3}, {{1, -1}, 5}, {{1, 0}, 7}, {{1, 1}, 5}, {{1, 2}, 3},
          {{2, -2}, 1}, {{2, -1}, 3}, {{2, 0}, 5}, {{2, 1}, 3}, {{2, 2}, 1}}},
        {"SteveArche", Make<TSteveArcheDitherer>(), 200,
         {{{0, 2}, 32}, {{1, -3}, 12}, {{1, -1}, 26}, {{1, 1}, 30}, {{1, 3}, 16}, {{2, -2}, 12}, {{2, 0}, 26},
          {{2, 2}, 12}, {{3, -3}, 5}, {{3, -1}, 12}, {{3, 1}, 12}, {{3, 3}, 5}}},
        {"Burkes", Make<TBurkesDitherer>(), 32,
         {{{0, 1}, 8}, {{0, 2}, 4}, {{1, -2}, 2}, {{1, -1}, 4}, {{1, 0}, 8}, {{1, 1}, 4}, {{1, 2}, 2}}},
    };
}

// The kernel's weight `down` rows below the impulse and `along` pixels further in its direction;
// 0 where the kernel does not reach.
int WeightAt(const Kernel& k, int down, int along) {
    const auto it = k.weights.find({down, along});
    return it == k.weights.end() ? 0 : it->second;
}

// The colour a pixel is asked for when it receives weight w of the error e: the term divided as
// the ditherers divide (rounding half up, truncating toward zero).
int Expect(int base, int w, int e, int d) { return base + (w * e + d / 2) / d; }

}  // namespace

TEST(ColorLookup, ArithmeticLookupsGiveTheListedIndexesAndColours) {
    TNetscapeColorLookup web;
    int i = -1;
    EXPECT_EQ(Look(web, 47, 48, 255, &i), (Rgb{0, 51, 255}));
    EXPECT_EQ(i, 11);
    EXPECT_EQ(Look(web, 252, 252, 252, &i), (Rgb{255, 255, 255}));
    EXPECT_EQ(i, 215);
    // (v + 3) div 51, not the nearest level: 26 is nearer to 51 and still goes to 0.
    EXPECT_EQ(Look(web, 26, 48, 0, &i), (Rgb{0, 51, 0}));
    EXPECT_EQ(i, 6);
    EXPECT_EQ(web.Colors, 216);

    TGrayScaleLookup grey;
    EXPECT_EQ(Look(grey, 255, 255, 255, &i), (Rgb{255, 255, 255}));
    EXPECT_EQ(i, 255);
    EXPECT_EQ(Look(grey, 255, 0, 0, &i), (Rgb{76, 76, 76}));
    EXPECT_EQ(i, 76);

    TMonochromeLookup mono;
    EXPECT_EQ(Look(mono, 127, 127, 127, &i), (Rgb{0, 0, 0}));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(Look(mono, 128, 128, 128, &i), (Rgb{255, 255, 255}));
    EXPECT_EQ(i, 1);
    EXPECT_EQ(mono.Colors, 2);
}

TEST(ColorLookup, WebPaletteRunsBlueFastest) {
    HPALETTE p = CreateWebPalette();
    PALETTEENTRY e[216];
    ASSERT_EQ(GetPaletteEntries(p, 0, 216, e), 216);
    EXPECT_EQ(GetPaletteEntryCount(p), 216);
    TNetscapeColorLookup web;
    for (int k = 0; k < 216; ++k) {
        EXPECT_EQ(e[k].peRed, k / 36 * 51);
        EXPECT_EQ(e[k].peGreen, k / 6 % 6 * 51);
        EXPECT_EQ(e[k].peBlue, k % 6 * 51);
        EXPECT_EQ(e[k].peFlags, 0);
        int i = -1;
        Look(web, e[k].peRed, e[k].peGreen, e[k].peBlue, &i);
        ASSERT_EQ(i, k);  // the lookup and the palette agree
    }
    HPALETTE q = CreateWebPalette();
    EXPECT_NE(p, q);  // a new handle on every call
    DeletePalette(p);
    DeletePalette(q);
}

TEST(ColorLookup, FastLookupTiesToTheLowerIndexAndCachesPerBucket) {
    HPALETTE p = PaletteOf({{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {10, 10, 10}, {20, 20, 20},
                            {30, 30, 30}, {255, 0, 0}, {88, 0, 0}, {112, 0, 0}});
    TFastColorLookup fast(p);
    EXPECT_EQ(fast.Colors, 10);
    int i = -1;
    EXPECT_EQ(Look(fast, 255, 0, 0, &i), (Rgb{255, 0, 0}));
    EXPECT_EQ(i, 3);
    // (100, 0, 0) is 12 from both 8 and 9: the lower index wins.
    EXPECT_EQ(Look(fast, 100, 0, 0, &i), (Rgb{88, 0, 0}));
    EXPECT_EQ(i, 8);
    // (103, 0, 0) shares that 5-5-5 bucket: the first answer holds although 9 is nearer.
    EXPECT_EQ(Look(fast, 103, 0, 0, &i), (Rgb{88, 0, 0}));
    EXPECT_EQ(i, 8);
    // A palette entry's bucket is seeded with that entry: (22, 22, 22) shares the bucket of 20.
    EXPECT_EQ(Look(fast, 22, 22, 22, &i), (Rgb{20, 20, 20}));
    EXPECT_EQ(i, 5);
    DeletePalette(p);
}

TEST(ColorLookup, SlowLookupAsksThePalette) {
    HPALETTE p = PaletteOf({{0, 0, 0}, {255, 255, 255}, {200, 0, 0}});
    TSlowColorLookup slow(p);
    EXPECT_EQ(slow.Colors, 3);
    int i = -1;
    EXPECT_EQ(Look(slow, 180, 20, 20, &i), (Rgb{200, 0, 0}));
    EXPECT_EQ(i, 2);
    EXPECT_EQ(Look(slow, 250, 240, 250, &i), (Rgb{255, 255, 255}));
    EXPECT_EQ(i, 1);
    DeletePalette(p);
    TSlowColorLookup none(nullptr);
    EXPECT_EQ(none.Colors, 0);
}

TEST(Dither, NextLineAlternatesTheDirection) {
    TMonochromeLookup mono;
    for (const auto& [name, make] : AllDitherers()) {
        SCOPED_TRACE(name);
        auto d = make(5, &mono);
        EXPECT_EQ(d->Column, 0);
        EXPECT_EQ(d->Direction, 1);
        d->NextLine();
        EXPECT_EQ(d->Column, 4);
        EXPECT_EQ(d->Direction, -1);
        d->NextLine();
        EXPECT_EQ(d->Column, 0);
        EXPECT_EQ(d->Direction, 1);
        uint8_t r, g, b;
        d->Dither(1, 2, 3, r, g, b);
        EXPECT_EQ(d->Column, 1);
        d->NextColumn();
        EXPECT_EQ(d->Column, 2);
    }
}

TEST(Dither, FloydSteinbergOfMidGreyOverBlackAndWhiteAlternates) {
    TMonochromeLookup mono;
    TFloydSteinbergDitherer d(12, &mono);
    std::vector<int> got;
    while (d.Column >= 0 && d.Column < d.Width) {
        uint8_t r, g, b;
        got.push_back(d.Dither(128, 128, 128, r, g, b));
    }
    EXPECT_EQ(got, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

TEST(Dither, NarrowAndFlatPicturesStayInsideTheErrorRows) {
    // Under the sanitizers any read or write outside the error rows fails here.
    TMonochromeLookup mono;
    for (const auto& [name, make] : AllDitherers()) {
        SCOPED_TRACE(name);
        for (auto [w, h] : {std::pair{1, 7}, std::pair{9, 1}, std::pair{2, 3}}) {
            auto d = make(w, &mono);
            int count = 0;
            for (int y = 0; y < h; ++y) {
                while (d->Column >= 0 && d->Column < d->Width) {
                    uint8_t r, g, b;
                    d->Dither(static_cast<uint8_t>(100 + 13 * count), 128, 250, r, g, b);
                    ++count;
                }
                d->NextLine();
            }
            EXPECT_EQ(count, w * h);
        }
    }
}

TEST(Dither, ImpulseProbeMeasuresEachKernelInBothDirections) {
    const int W = 11, H = 6, base = 100;
    for (const Kernel& k : Kernels()) {
        // Row 0 runs left to right, row 1 right to left.
        for (int impulseRow : {0, 1}) {
            SCOPED_TRACE(std::string(k.name) + " impulse on row " + std::to_string(impulseRow));
            TProbeLookup probe;
            const int col = 5, dir = impulseRow == 0 ? 1 : -1;
            probe.Impulse = {impulseRow, col};
            auto d = k.make(W, &probe);
            Walk(*d, probe, H, Rgb{base, base, base});
            ASSERT_EQ(probe.Asked.size(), static_cast<size_t>(W * H));
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    const int v = Expect(base, WeightAt(k, y - impulseRow, dir * (x - col)), base, k.divisor);
                    ASSERT_EQ((probe.Asked[{y, x}]), (Rgb{v, v, v})) << "pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(Dither, ErrorsOfEachChannelStayInThatChannel) {
    TProbeLookup probe;
    probe.Impulse = {0, 2};
    TFloydSteinbergDitherer d(6, &probe);
    Walk(d, probe, 2, Rgb{16, 32, 160});
    EXPECT_EQ(probe.Asked[std::pair(0, 3)], (Rgb{16 + 7, 32 + 14, 160 + 70}));
    EXPECT_EQ(probe.Asked[std::pair(1, 2)], (Rgb{16 + 5, 32 + 10, 160 + 50}));
}

TEST(Dither, SkippedPixelsMoveTheErrorPositionsAndDropTheirOwnTerms) {
    const int W = 11, H = 4, base = 100, col = 5;
    for (const Kernel& k : Kernels()) {
        SCOPED_TRACE(k.name);
        // A skip before the impulse: the terms still land beside the impulse's own column.
        {
            TProbeLookup probe;
            probe.Impulse = {0, col};
            auto d = k.make(W, &probe);
            Walk(*d, probe, H, Rgb{base, base, base}, [](int y, int x) { return y == 0 && x == 2; });
            EXPECT_EQ(probe.Asked.count({0, 2}), 0u);
            for (const auto& [at, weight] : k.weights) {
                const int v = Expect(base, weight, base, k.divisor);
                EXPECT_EQ((probe.Asked[{at.first, col + at.second}]), (Rgb{v, v, v}))
                    << "offset " << at.first << "," << at.second;
            }
        }
        // A skip right after the impulse: the skipped pixel's pending term is dropped (the pixel
        // after it gets only its own term) and it adds nothing to the rows below.
        {
            TProbeLookup probe;
            probe.Impulse = {0, col};
            auto d = k.make(W, &probe);
            Walk(*d, probe, H, Rgb{base, base, base}, [](int y, int x) { return y == 0 && x == 6; });
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    if (y == 0 && x == 6) continue;
                    const int v = Expect(base, WeightAt(k, y, x - col), base, k.divisor);
                    ASSERT_EQ((probe.Asked[{y, x}]), (Rgb{v, v, v})) << "pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(Dither, PlainEngineOnlyLooksUp) {
    TProbeLookup probe;
    probe.Impulse = {0, 1};
    TDitherEngine d(4, &probe);
    Walk(d, probe, 3, Rgb{90, 90, 90});
    for (const auto& [at, c] : probe.Asked) EXPECT_EQ(c, (Rgb{90, 90, 90}));
    EXPECT_EQ(probe.Asked.size(), 12u);
}
