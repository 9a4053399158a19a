#include "imaging/core/ikutils.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using namespace imaging;
using win::TPoint;

namespace {

int32_t CountSet(const TIKMask& m) {
    int32_t n = 0;
    for (int32_t y = 0; y < m.GetHeight(); ++y)
        for (int32_t x = 0; x < m.GetWidth(); ++x)
            n += m.IsPointInside(x, y);
    return n;
}

// The columns set in row y, as a string of '#' and '.'.
std::string RowText(const TIKMask& m, int32_t y) {
    std::string s;
    for (int32_t x = 0; x < m.GetWidth(); ++x)
        s += m.IsPointInside(x, y) ? '#' : '.';
    return s;
}

void ExpectBox(const TIKMask& m, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    EXPECT_EQ(m.X1(), x1);
    EXPECT_EQ(m.Y1(), y1);
    EXPECT_EQ(m.X2(), x2);
    EXPECT_EQ(m.Y2(), y2);
}

} // namespace

TEST(IKMask, AllocateGivesAnEmptyPlane) {
    TIKMask m;
    m.Allocate(10, 10, 8);
    EXPECT_EQ(m.GetRowLength(), 12);
    EXPECT_TRUE(m.IsEmpty());
    EXPECT_FALSE(m.GetFull());
    EXPECT_EQ(CountSet(m), 0);
    m.Allocate(33, 2, 1);
    EXPECT_EQ(m.GetRowLength(), 8);
    EXPECT_EQ(m.GetPixel(-1, 0), 0);
    EXPECT_EQ(m.GetPixel(33, 0), 0);
    m.FreeBits();
    EXPECT_EQ(m.GetWidth(), 0);
}

TEST(IKMask, PixelsBoxAndFull) {
    TIKMask m;
    m.Allocate(10, 10, 8);
    m.Fill(255);
    EXPECT_TRUE(m.GetFull());
    m.SetPixel(3, 4, 254);
    EXPECT_FALSE(m.GetFull());
    m.SetPixel(3, 4, 255);
    EXPECT_FALSE(m.GetFull());
    m.Fill(255);
    EXPECT_EQ(m.FillSpan(255, 0, 0, 9), 10);
    EXPECT_TRUE(m.GetFull());
    EXPECT_EQ(m.FillSpan(7, 0, 0, 9), 10);
    EXPECT_FALSE(m.GetFull());

    TIKMask b;
    b.Allocate(10, 10, 1);
    b.SetPixel(3, 4, 0);
    EXPECT_TRUE(b.IsEmpty());
    b.SetPixel(3, 4, 1);
    ExpectBox(b, 3, 4, 3, 4);
    EXPECT_EQ(b.GetPixel(3, 4), 16); // the bit's weight
    b.SetPixel(7, 1, 5);
    ExpectBox(b, 3, 1, 7, 4);
    b.SetPixel(20, 20, 1); // outside: ignored
    ExpectBox(b, 3, 1, 7, 4);
    b.SetPixel(3, 4, 0); // zeros never shrink the box
    ExpectBox(b, 3, 1, 7, 4);
    b.Empty();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(CountSet(b), 0);
    // Spans clip to the mask; a row outside writes nothing.
    EXPECT_EQ(b.FillSpan(1, -5, 2, 3), 4);
    EXPECT_EQ(b.FillSpan(1, 8, 2, 20), 2);
    EXPECT_EQ(b.FillSpan(1, 5, 2, 4), 0);
    EXPECT_EQ(b.FillSpan(1, 0, 10, 9), 0);
    EXPECT_EQ(RowText(b, 2), "####....##");
    EXPECT_EQ(b.FillSpan(0, 0, 2, 1), 2); // a zero value clears
    EXPECT_EQ(RowText(b, 2), "..##....##");
}

TEST(IKMask, TriangleFill) {
    TIKMask m;
    m.Allocate(20, 20, 1);
    const TPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    m.FillPolygon(1, triangle, 3);
    for (int32_t y = 0; y < 10; ++y)
        EXPECT_EQ(RowText(m, y), std::string(size_t(10 - y), '#') + std::string(size_t(10 + y), '.')) << y;
    EXPECT_EQ(CountSet(m), 55);
    ExpectBox(m, 0, 0, 9, 9);
}

TEST(IKMask, EdgesRoundToTheNearestPixel) {
    // An edge from (0, 0) to (3, 2): x = 0, then 1.5 on row 1, which is not rounded up.
    TIKMask m;
    m.Allocate(8, 4, 8);
    const TPoint shape[] = {{0, 0}, {3, 2}, {6, 2}, {6, 0}};
    m.FillPolygon(9, shape, 4);
    EXPECT_EQ(RowText(m, 0), "######..");
    EXPECT_EQ(RowText(m, 1), ".#####..");
    EXPECT_EQ(RowText(m, 2), "........");
    EXPECT_EQ(m.GetPixel(1, 1), 9);
}

TEST(IKMask, SeveralPolygonsAndEmptyRuns) {
    const TPoint squares[] = {{0, 0},   {4, 0},   {4, 4},   {0, 4},   {TIKMask::IKPolygonSeparator, 0},
                              {10, 10}, {14, 10}, {14, 14}, {10, 14}, {TIKMask::IKPolygonSeparator, 0}};
    TIKMask m;
    m.Allocate(20, 20, 1);
    m.FillPolygons(1, squares, 9);
    EXPECT_EQ(CountSet(m), 32);
    ExpectBox(m, 0, 0, 13, 13);
    // A trailing separator gives an empty run, which writes nothing and keeps the box.
    TIKMask n;
    n.Allocate(20, 20, 1);
    n.FillPolygons(1, squares, 10);
    EXPECT_EQ(CountSet(n), 32);
    ExpectBox(n, 0, 0, 13, 13);
    n.FillPolygons(1, squares, 0);
    ExpectBox(n, 0, 0, 13, 13);
}

TEST(IKMask, FillThatWritesNothingKeepsTheSelection) {
    TIKMask m;
    m.Allocate(20, 20, 1);
    const TPoint square[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
    m.FillPolygon(1, square, 4);
    ExpectBox(m, 2, 2, 5, 5);
    const TPoint flat[] = {{0, 8}, {10, 8}, {15, 8}};
    m.FillPolygon(1, flat, 3);
    ExpectBox(m, 2, 2, 5, 5);
    EXPECT_EQ(CountSet(m), 16);
    const TPoint outside[] = {{30, 30}, {40, 30}, {40, 40}};
    m.FillPolygon(1, outside, 3);
    ExpectBox(m, 2, 2, 5, 5);
    // On an empty mask the box stays empty.
    TIKMask e;
    e.Allocate(20, 20, 1);
    e.FillPolygon(1, flat, 3);
    EXPECT_TRUE(e.IsEmpty());
}

TEST(IKMask, PolygonsBeyondTheMaskAreClipped) {
    // Rows below the mask are not folded into its last row.
    TIKMask m;
    m.Allocate(10, 4, 1);
    const TPoint triangle[] = {{0, 0}, {1, 0}, {9, 8}, {0, 8}};
    m.FillPolygon(1, triangle, 4);
    EXPECT_EQ(RowText(m, 0), "#.........");
    EXPECT_EQ(RowText(m, 3), "####......");
    ExpectBox(m, 0, 0, 8, 3);
    // Vertices far outside fill the whole mask at once.
    TIKMask big;
    big.Allocate(16, 16, 8);
    const TPoint huge[] = {{-1000000000, -1000000000},
                           {1000000000, -1000000000},
                           {1000000000, 1000000000},
                           {-1000000000, 1000000000}};
    big.FillPolygon(255, huge, 4);
    EXPECT_EQ(CountSet(big), 256);
    ExpectBox(big, 0, 0, 15, 15);
}

TEST(IKMask, SelfIntersectingOutlinesFillByTheEvenOddRule) {
    // Two triangles, left and right, whose diagonals cross at (4, 4). Below the crossing the diagonals
    // meet in the other order, so each row's crossings must be sorted.
    TIKMask m;
    m.Allocate(9, 9, 1);
    const TPoint bowTie[] = {{0, 0}, {8, 8}, {8, 0}, {0, 8}};
    m.FillPolygon(1, bowTie, 4);
    EXPECT_EQ(RowText(m, 0), ".........");
    EXPECT_EQ(RowText(m, 2), "##....##.");
    EXPECT_EQ(RowText(m, 4), "########.");
    EXPECT_EQ(RowText(m, 6), "##....##.");
    EXPECT_EQ(RowText(m, 8), ".........");
}

TEST(IKMask, Translate) {
    for (int32_t bits : {1, 8}) {
        TIKMask m;
        m.Allocate(10, 6, bits);
        const TPoint square[] = {{2, 1}, {5, 1}, {5, 4}, {2, 4}};
        m.FillPolygon(bits == 1 ? 1 : 200, square, 4);
        ExpectBox(m, 2, 1, 4, 3);
        int32_t dx = -5, dy = 1;
        m.Translate(dx, dy, false);
        EXPECT_EQ(dx, -2);
        EXPECT_EQ(dy, 1);
        ExpectBox(m, 0, 2, 2, 4);
        EXPECT_EQ(RowText(m, 1), "..........");
        EXPECT_EQ(RowText(m, 2), "###.......");
        EXPECT_EQ(RowText(m, 4), "###.......");
        EXPECT_EQ(CountSet(m), 9);
        // With clip, what moves out is cut off.
        dx = 8;
        dy = -3;
        m.Translate(dx, dy, true);
        EXPECT_EQ(dx, 8);
        ExpectBox(m, 8, 0, 9, 1);
        EXPECT_EQ(RowText(m, 0), "........##");
        EXPECT_EQ(RowText(m, 1), "........##");
        EXPECT_EQ(CountSet(m), 4);
        // Moving everything out empties the mask.
        dx = 20;
        dy = 0;
        m.Translate(dx, dy, true);
        EXPECT_EQ(CountSet(m), 0);
    }
}

TEST(IKMask, CopyWithMask) {
    TIKBitmap dest, source;
    dest.Allocate(4, 4, ikbf24Bit);
    dest.Fill(0x646464); // 100
    source.Allocate(4, 4, ikbf24Bit);
    source.Fill(0xC8C8C8); // 200
    TIKMask m;
    m.Allocate(4, 4, 8);
    m.CopyWithMask(&dest, &source, false, false); // empty mask: nothing
    EXPECT_EQ(dest.PixelColor(0, 0).R, 100);
    m.SetPixel(1, 1, 128);
    m.SetPixel(2, 1, 255);
    m.SetPixel(2, 2, 0);
    m.CopyWithMask(&dest, &source, false, false);
    EXPECT_EQ(dest.PixelColor(1, 1).R, 150);
    EXPECT_EQ(dest.PixelColor(2, 1).G, 199);
    EXPECT_EQ(dest.PixelColor(2, 2).B, 100);
    EXPECT_EQ(dest.PixelColor(0, 0).R, 100);
    // Darker sources pull down: floor of a negative step.
    source.Fill(0);
    m.CopyWithMask(&dest, &source, false, false);
    EXPECT_EQ(dest.PixelColor(1, 1).R, 75);

    // A one-bit mask over a box-sized source merges it back at the box.
    TIKMask sel;
    sel.Allocate(4, 4, 1);
    sel.SetPixel(2, 1, 1);
    sel.SetPixel(3, 2, 1);
    TIKBitmap patch;
    patch.Allocate(2, 2, ikbf24Bit);
    patch.Fill(0x0000FF);
    dest.Fill(0xFFFFFF);
    sel.CopyWithMask(&dest, &patch, false, true);
    EXPECT_EQ(dest.PixelColor(2, 1), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(dest.PixelColor(3, 2), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(dest.PixelColor(3, 1), (TIKColorTriple{255, 255, 255}));
    // One-bit images copy bits.
    TIKBitmap b1, s1;
    b1.Allocate(4, 4, ikbf1Bit);
    s1.Allocate(4, 4, ikbf1Bit);
    s1.Fill(1);
    sel.CopyWithMask(&b1, &s1, false, false);
    EXPECT_EQ(b1.PixelColor(2, 1).R, 255);
    EXPECT_EQ(b1.PixelColor(2, 2).R, 0);
    // Mixed formats: nothing.
    TIKBitmap gray;
    gray.Allocate(4, 4, ikbf8BitGray);
    sel.CopyWithMask(&gray, &source, false, false);
    EXPECT_EQ(gray.ScanLine(1)[2], 0);
}

TEST(IKMask, ExchangeWithBitmaps) {
    TIKMask m;
    m.Allocate(5, 3, 8);
    m.SetPixel(4, 2, 77);
    TIKBitmap alpha;
    alpha.AssignMask(&m);
    EXPECT_EQ(alpha.PixelFormat(), ikbf8BitGray);
    EXPECT_EQ(alpha.ScanLine(2)[4], 77);
    EXPECT_FALSE(alpha.GetFull());
    alpha.AssignMask(nullptr);
    EXPECT_TRUE(alpha.GetFull());
    EXPECT_EQ(alpha.ScanLine(2)[4], 255);

    TIKMask back;
    alpha.FillRect(1, 1, 1, 1, 3);
    alpha.CopyToMask(&back);
    EXPECT_EQ(back.GetBitsPerPixel(), 8);
    EXPECT_EQ(back.GetPixel(1, 1), 3);
    EXPECT_TRUE(back.IsEmpty()); // the box is not computed
    TIKBitmap colour;
    colour.Allocate(2, 2, ikbf24Bit);
    colour.CopyToMask(&back);
    EXPECT_EQ(back.GetWidth(), 5);

    TIKMask bits;
    bits.Allocate(9, 2, 1);
    bits.SetPixel(8, 1, 1);
    TIKBitmap one;
    one.AssignMask(&bits);
    EXPECT_EQ(one.PixelFormat(), ikbf1Bit);
    EXPECT_EQ(one.PixelColor(8, 1).R, 255);
}

TEST(IKMask, ScaleToBufferZoomsTheSelection) {
    TIKMask m;
    m.Allocate(4, 4, 1);
    m.SetPixel(1, 1, 1);
    m.SetPixel(2, 2, 1);
    // Shown twice as large: each mask pixel covers 2 x 2 buffer pixels.
    std::vector<uint8_t> buffer(4 * 8, 0xAA);
    m.ScaleToBuffer(buffer.data(), 8, 8, 0, 0, 4, 4);
    auto bit = [&](int r, int c) { return IKTestBit(buffer.data() + (7 - r) * 4, c) != 0; };
    std::set<std::pair<int, int>> set;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (bit(r, c))
                set.insert({r, c});
    std::set<std::pair<int, int>> expected = {{2, 2}, {2, 3}, {3, 2}, {3, 3}, {4, 4}, {4, 5}, {5, 4}, {5, 5}};
    EXPECT_EQ(set, expected);
}

TEST(IKMask, OutlineMarchesAroundTheSelection) {
    TIKMask m;
    m.Allocate(10, 10, 1);
    const TPoint square[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
    m.FillPolygon(1, square, 4);
    std::set<std::pair<int, int>> drawn;
    std::vector<int32_t> colours;
    m.TraceOutline(100, 50, 10, 10, 0, 0, 10, 10, 0, 0x0000FF, 0xFFFFFF,
                   [&](int32_t x, int32_t y, int32_t c) {
                       drawn.insert({x - 100, y - 50});
                       EXPECT_EQ(c, ((x + y) & 4) ? 0x0000FF : 0xFFFFFF);
                   });
    std::set<std::pair<int, int>> ring;
    for (int i = 2; i <= 5; ++i)
        for (int j = 2; j <= 5; ++j)
            if (i == 2 || i == 5 || j == 2 || j == 5)
                ring.insert({j, i});
    EXPECT_EQ(drawn, ring);
    // A selection touching the view's edges is bordered there too.
    TIKMask full;
    full.Allocate(4, 4, 1);
    const TPoint all[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    full.FillPolygon(1, all, 4);
    int count = 0;
    full.TraceOutline(0, 0, 4, 4, 0, 0, 4, 4, 0, 0, 0, [&](int32_t, int32_t, int32_t) { ++count; });
    EXPECT_EQ(count, 12);
}

TEST(IKMask, DimOutsideWhitensASparsePattern) {
    TIKMask m;
    m.Allocate(8, 8, 1);
    const TPoint square[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    m.FillPolygon(1, square, 4);
    std::vector<uint8_t> view(6 * 3 * 8, 0); // 6 x 8, placed at (-2, 0): parts of the view fall outside
    m.DimOutside([&](int32_t y) { return view.data() + y * 18; }, 6, 8, -2, 0, 8, 8, 0, 0, 8, 8);
    auto white = [&](int x, int y) { return view[size_t(y * 18 + x * 3)] == 255; };
    int count = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) {
            const int mx = x + 2;
            const bool expected = y % 2 == 0 && mx % 2 == 0 && !(mx < 4 && y < 4);
            EXPECT_EQ(white(x, y), expected) << x << "," << y;
            count += white(x, y);
        }
    EXPECT_EQ(count, 10);
}
