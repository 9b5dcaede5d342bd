// Palette handles and the small kernel services.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>

#include "platform/graphics/Palette.h"
#include "platform/graphics/SysServices.h"

TEST(Palette, CreateRefusesNoEntriesAndTooMany) {
    PALETTEENTRY e[257] = {};
    EXPECT_EQ(CreatePalette(e, 0), nullptr);
    EXPECT_EQ(CreatePalette(e, 257), nullptr);
    EXPECT_EQ(CreatePalette(nullptr, 3), nullptr);
    HPALETTE p = CreatePalette(e, 256);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetPaletteEntryCount(p), 256);
    EXPECT_TRUE(DeletePalette(p));
}

TEST(Palette, EntriesCopiesAndIdentity) {
    PALETTEENTRY e[3] = {{1, 2, 3, PC_NOCOLLAPSE}, {4, 5, 6, 0}, {7, 8, 9, PC_RESERVED}};
    HPALETTE p = CreatePalette(e, 3);
    PALETTEENTRY out[3] = {};
    EXPECT_EQ(GetPaletteEntries(p, 1, 10, out), 2);
    EXPECT_EQ(out[0].peRed, 4);
    EXPECT_EQ(out[1].peFlags, PC_RESERVED);
    EXPECT_EQ(GetPaletteEntries(p, 3, 1, out), 0);
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 3);

    HPALETTE q = CopyPalette(p);
    EXPECT_NE(q, p);
    EXPECT_EQ(GetPaletteEntries(q, 0, 3, out), 3);
    EXPECT_EQ(out[0].peFlags, PC_NOCOLLAPSE);
    EXPECT_EQ(out[2].peBlue, 9);

    const PALETTEENTRY red{255, 0, 0, 0};
    EXPECT_EQ(SetPaletteEntries(q, 2, 1, &red), 1);
    EXPECT_EQ(GetPaletteEntries(p, 2, 1, out), 1);
    EXPECT_EQ(out[0].peRed, 7);  // the copy is independent

    EXPECT_TRUE(DeletePalette(p));
    EXPECT_FALSE(IsPalette(p));
    EXPECT_FALSE(DeletePalette(p));
    EXPECT_EQ(GetPaletteEntryCount(p), 0);
    EXPECT_EQ(CopyPalette(p), nullptr);
    EXPECT_EQ(GetNearestPaletteIndex(p, 0, 0, 0), -1);
    EXPECT_TRUE(IsPalette(q));
    DeletePalette(q);
}

TEST(Palette, StockPaletteHasTwentyColoursAndSurvivesDelete) {
    HPALETTE s = GetStockPalette();
    EXPECT_EQ(GetPaletteEntryCount(s), 20);
    EXPECT_TRUE(DeletePalette(s));
    EXPECT_TRUE(IsPalette(s));
    EXPECT_EQ(GetStockPalette(), s);
    PALETTEENTRY e[20];
    ASSERT_EQ(GetPaletteEntries(s, 0, 20, e), 20);
    EXPECT_EQ(e[0].peRed + e[0].peGreen + e[0].peBlue, 0);
    EXPECT_EQ(e[19].peRed & e[19].peGreen & e[19].peBlue, 255);
    const PALETTEENTRY x{1, 1, 1, 0};
    EXPECT_EQ(SetPaletteEntries(s, 0, 1, &x), 0);
}

TEST(Palette, HalftonePaletteHoldsStockColoursCubeAndGreys) {
    HPALETTE p = CreateHalftonePalette();
    HPALETTE q = CreateHalftonePalette();
    EXPECT_NE(p, q);
    PALETTEENTRY e[256], stock[20];
    ASSERT_EQ(GetPaletteEntries(p, 0, 256, e), 256);
    GetPaletteEntries(GetStockPalette(), 0, 20, stock);
    auto same = [](const PALETTEENTRY& a, const PALETTEENTRY& b) {
        return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
    };
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(same(e[i], stock[i])) << i;
        EXPECT_TRUE(same(e[246 + i], stock[10 + i])) << i;
    }
    // Every colour of the cube once, at 10-225; 20 greys at 226-245, each new to the palette.
    std::set<int> cube;
    for (int i = 10; i < 226; ++i) {
        ASSERT_EQ(e[i].peRed % 51 + e[i].peGreen % 51 + e[i].peBlue % 51, 0) << i;
        cube.insert(e[i].peRed << 16 | e[i].peGreen << 8 | e[i].peBlue);
    }
    EXPECT_EQ(cube.size(), 216u);
    std::set<int> greys;
    for (int i = 226; i < 246; ++i) {
        EXPECT_TRUE(e[i].peRed == e[i].peGreen && e[i].peGreen == e[i].peBlue) << i;
        EXPECT_NE(e[i].peRed % 51, 0) << i;
        greys.insert(e[i].peRed);
    }
    EXPECT_EQ(greys.size(), 20u);
    DeletePalette(p);
    DeletePalette(q);
}

TEST(Palette, NearestIndexBySquaredDistanceLowestOnTies) {
    PALETTEENTRY e[5] = {{0, 0, 0, 0}, {100, 0, 0, 0}, {10, 10, 10, 0}, {100, 0, 0, 0}, {0, 0, 30, 0}};
    HPALETTE p = CreatePalette(e, 5);
    EXPECT_EQ(GetNearestPaletteIndex(p, 100, 0, 0), 1);  // entries 1 and 3 tie
    EXPECT_EQ(GetNearestPaletteIndex(p, 6, 6, 6), 2);    // 108 against 3 * 16 = 48
    EXPECT_EQ(GetNearestPaletteIndex(p, 5, 5, 5), 0);    // 75 against 75: the lower index
    DeletePalette(p);
    // Squared distance, not the sum of differences: (16, 16, 0) is 512 from black, (30, 0, 0) 900.
    PALETTEENTRY f[2] = {{30, 0, 0, 0}, {16, 16, 0, 0}};
    p = CreatePalette(f, 2);
    EXPECT_EQ(GetNearestPaletteIndex(p, 0, 0, 0), 1);
    DeletePalette(p);
}

TEST(MulDiv, RoundsHalfAwayFromZeroWithAWideIntermediate) {
    EXPECT_EQ(MulDiv(3, 5, 2), 8);
    EXPECT_EQ(MulDiv(-3, 5, 2), -8);
    EXPECT_EQ(MulDiv(3, -5, 2), -8);
    EXPECT_EQ(MulDiv(3, 5, -2), -8);
    EXPECT_EQ(MulDiv(-3, -5, -2), -8);
    EXPECT_EQ(MulDiv(-3, -5, 2), 8);
    EXPECT_EQ(MulDiv(10, 10, 3), 33);
    EXPECT_EQ(MulDiv(20, 100, 3), 667);
    EXPECT_EQ(MulDiv(36, 255, 51), 180);
    EXPECT_EQ(MulDiv(1000000, 1000000, 1000000), 1000000);  // 10^12 in between
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 1, 1), INT_MAX);
}

TEST(SysServices, TempPathClockAndClipboardNames) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", "/var/tmp/x", 1);
    EXPECT_EQ(GetTempPath(), "/var/tmp/x/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetTempPath(), "/tmp/");
    if (old) setenv("TMPDIR", saved.c_str(), 1);
    else unsetenv("TMPDIR");

    const uint32_t a = GetTickCount();
    const uint32_t b = timeGetTime();
    EXPECT_LE(static_cast<uint32_t>(b - a), 1000u);

    const unsigned gif = RegisterClipboardFormat("GIF Image");
    EXPECT_GE(gif, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("gif image"), gif);
    EXPECT_NE(RegisterClipboardFormat("Another"), gif);
    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
}
