#include "imaging/core/ikutils.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace imaging;

TEST(IKPixelUtils, Numbers) {
    struct {
        long double x;
        int32_t ceil, floor;
    } cases[] = {{2.0L, 2, 2}, {2.1L, 3, 2}, {-2.1L, -2, -3}, {2.9L, 3, 2}, {-2.0L, -2, -2}, {0.0L, 0, 0}};
    for (auto c : cases) {
        EXPECT_EQ(IKCeil(c.x), c.ceil) << double(c.x);
        EXPECT_EQ(IKFloor(c.x), c.floor) << double(c.x);
    }
    EXPECT_EQ(IKClampToByte(-5), 0);
    EXPECT_EQ(IKClampToByte(300), 255);
    EXPECT_EQ(IKClampToByte(128), 128);
    EXPECT_EQ(IKClamp(5, 5, 10), 5);
    EXPECT_EQ(IKClamp(11, 5, 10), 10);
    EXPECT_EQ(IKClamp(7, 5, 10), 7);
    EXPECT_EQ(IKIntMax(3, -4), 3);
    EXPECT_EQ(IKIntMin(3, -4), -4);
    EXPECT_EQ(IKMinDouble(1.5, 0.5), 0.5);
    int32_t x1 = 5, y1 = 1, x2 = 2, y2 = 3;
    IKSortRectCorners(x1, y1, x2, y2);
    EXPECT_EQ(x1, 2);
    EXPECT_EQ(x2, 5);
    EXPECT_EQ(y1, 1);
    EXPECT_EQ(y2, 3);
}

TEST(IKPixelUtils, Colours) {
    EXPECT_EQ(IKMakeRGBTriple(1, 2, 3), (TIKColorTriple{3, 2, 1}));
    EXPECT_EQ(IKTripleGrayLevel(0xFFFFFFu), 255);
    EXPECT_EQ(IKTripleGrayLevel(0xFF0000u), 53); // red 255 x 21 / 100
    EXPECT_EQ(IKTripleGrayLevel(TIKColorTriple{0, 255, 0}), 181);
    EXPECT_EQ(IKTripleToColor(0x112233), 0x332211);
    EXPECT_EQ(IKColorToTriple(0x332211), (TIKColorTriple{0x33, 0x22, 0x11}));
    EXPECT_TRUE(IKSameTriple(0xFF123456, 0x123456));
    EXPECT_FALSE(IKSameTriple(0x123457, 0x123456));
    uint8_t pal[6] = {1, 2, 3, 4, 5, 6};
    IKSwapPaletteRedBlue(pal, 2);
    EXPECT_EQ(std::vector<uint8_t>(pal, pal + 6), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(IKPixelUtils, BitAccessAndRangeCopies) {
    uint8_t row[2] = {0, 0};
    IKPutBit(row, 0, true);
    IKPutBit(row, 9, true);
    EXPECT_EQ(row[0], 0x80);
    EXPECT_EQ(row[1], 0x40);
    EXPECT_NE(IKTestBit(row, 9), 0);
    IKPutBit(row, 0, false);
    EXPECT_EQ(row[0], 0);

    // DestBit 3 and BitCount 2 change only bits 3 and 4 of the first destination byte.
    uint8_t dest[2] = {0xFF, 0xFF};
    const uint8_t zero[2] = {0, 0};
    IKCopyBitRange(dest, zero, 3, 0, 2, 2);
    EXPECT_EQ(dest[0], 0xE7);
    EXPECT_EQ(dest[1], 0xFF);
    // Nothing for bad arguments.
    IKCopyBitRange(dest, zero, -1, 0, 5, 2);
    IKCopyBitRange(dest, zero, 0, 0, 0, 2);
    EXPECT_EQ(dest[0], 0xE7);

    // Against a bit-by-bit copy for random offsets; nothing beyond srcLength is read.
    std::mt19937 rng(3);
    for (int t = 0; t < 500; ++t) {
        std::vector<uint8_t> src(8), dst(8), expected;
        for (auto& b : src)
            b = uint8_t(rng());
        for (auto& b : dst)
            b = uint8_t(rng());
        int32_t srcBit = int32_t(rng() % 32), destBit = int32_t(rng() % 32), count = int32_t(rng() % 33);
        int32_t srcLength = int32_t(rng() % 9);
        expected = dst;
        for (int32_t i = 0; i < count; ++i) {
            int32_t s = srcBit + i;
            bool v = s / 8 < srcLength && IKTestBit(src.data(), s);
            IKPutBit(expected.data(), destBit + i, v);
        }
        std::vector<uint8_t> limited(src.begin(), src.begin() + srcLength);
        IKCopyBitRange(dst.data(), limited.data(), destBit, srcBit, count, srcLength);
        EXPECT_EQ(dst, expected) << srcBit << " " << destBit << " " << count << " " << srcLength;
    }
}

TEST(IKPixelUtils, FlipAndInvert) {
    for (uint32_t threshold : {0u, UINT32_MAX}) {
        // A 10-pixel one-bit row: pixel 0 goes to pixel 9, and the bits past the last pixel stay clear.
        TIKBitmap b;
        b.SetMemoryThreshold(threshold);
        b.Allocate(10, 2, ikbf1Bit);
        IKPutBit(b.ScanLine(0), 0, true);
        IKPutBit(b.ScanLine(0), 2, true);
        IKFlipBitmap(&b, 0);
        const uint8_t* r = b.ScanLine(0);
        EXPECT_EQ(r[0], 0x01); // pixel 7 (from pixel 2)
        EXPECT_NE(IKTestBit(r, 9), 0);
        EXPECT_NE(IKTestBit(r, 7), 0);
        EXPECT_EQ(IKTestBit(r, 8), 0);
        EXPECT_EQ(r[1] & 0x3F, 0);
        // Top-bottom.
        IKFlipBitmap(&b, 1);
        EXPECT_EQ(b.ScanLine(0)[1], 0);
        EXPECT_NE(IKTestBit(b.ScanLine(1), 9), 0);

        TIKBitmap c;
        c.SetMemoryThreshold(threshold);
        c.Allocate(3, 3, ikbf24Bit);
        c.FillRect(0, 0, 0, 0, 0x0000FF);
        c.FillRect(2, 2, 2, 2, 0x00FF00);
        IKFlipBitmap(&c, 0);
        EXPECT_EQ(c.PixelColor(2, 0), (TIKColorTriple{0, 0, 255}));
        EXPECT_EQ(c.PixelColor(0, 2), (TIKColorTriple{0, 255, 0}));
        IKFlipBitmap(&c, 1);
        EXPECT_EQ(c.PixelColor(2, 2), (TIKColorTriple{0, 0, 255}));
        EXPECT_EQ(c.PixelColor(0, 0), (TIKColorTriple{0, 255, 0}));
        // Other formats stay as they are.
        TIKBitmap g;
        g.Allocate(3, 1, ikbf8BitGray);
        g.ScanLine(0)[0] = 5;
        IKFlipBitmap(&g, 0);
        EXPECT_EQ(g.ScanLine(0)[0], 5);
        IKInvertBitmap(&g);
        EXPECT_EQ(g.ScanLine(0)[0], 250);
        EXPECT_EQ(g.ScanLine(0)[1], 255);
    }
}
