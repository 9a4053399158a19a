#include "GdiTestUtil.h"

#include <gtest/gtest.h>

using namespace win;
using namespace gditest;

namespace {

std::vector<RECT> RegionsRects(HRGN rgn) {
    DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<uint8_t> buf(size);
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    EXPECT_EQ(GetRegionData(rgn, size, data), size);
    const auto* r = reinterpret_cast<const RECT*>(data->Buffer);
    return std::vector<RECT>(r, r + data->rdh.nCount);
}

} // namespace

TEST(GdiRegions, CombinationsGiveBandedRectangles) {
    // Two overlapping squares: A = (0,0)-(4,4), B = (2,2)-(6,6).
    struct Case {
        int mode, result;
        std::vector<RECT> rects;
    } cases[] = {
        {RGN_AND, SIMPLEREGION, {{2, 2, 4, 4}}},
        {RGN_OR, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}},
        {RGN_XOR, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 2, 4}, {4, 2, 6, 4}, {2, 4, 6, 6}}},
        {RGN_DIFF, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 2, 4}}},
        {RGN_COPY, SIMPLEREGION, {{0, 0, 4, 4}}},
    };
    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6);
    for (auto& c : cases) {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(CombineRgn(r, a, b, c.mode), c.result) << c.mode;
        EXPECT_EQ(RegionsRects(r), c.rects) << c.mode;
        DeleteObject(r);
    }
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    HRGN far = CreateRectRgn(10, 10, 12, 12);
    EXPECT_EQ(CombineRgn(r, a, far, RGN_AND), NULLREGION);
    EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_OR), ERROR);
    // Touching rectangles merge; equality compares shapes.
    HRGN left = CreateRectRgn(0, 0, 2, 4), right = CreateRectRgn(2, 0, 4, 4);
    EXPECT_EQ(CombineRgn(r, left, right, RGN_OR), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(r, a));
    EXPECT_EQ(OffsetRgn(r, 1, 1), SIMPLEREGION);
    EXPECT_FALSE(EqualRgn(r, a));
    EXPECT_TRUE(PtInRegion(r, 1, 1));
    EXPECT_FALSE(PtInRegion(r, 5, 5)); // right and bottom edges are outside
    RECT probe{4, 4, 9, 9}, box{};
    EXPECT_TRUE(RectInRegion(r, &probe));
    EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{1, 1, 5, 5}));
    for (HRGN h : {a, b, r, far, left, right})
        DeleteObject(h);
}

TEST(GdiRegions, ShapesAndRegionData) {
    POINT line[] = {{0, 0}, {5, 5}, {10, 10}};
    HRGN empty = CreatePolygonRgn(line, 3, ALTERNATE); // degenerate: empty, not a failure
    ASSERT_NE(empty, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    HRGN two = CreatePolygonRgn(line, 2, ALTERNATE);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(GetRgnBox(two, &box), NULLREGION);

    POINT tri[] = {{0, 0}, {8, 0}, {0, 8}};
    HRGN t = CreatePolygonRgn(tri, 3, ALTERNATE);
    EXPECT_TRUE(PtInRegion(t, 0, 0));
    EXPECT_TRUE(PtInRegion(t, 6, 0));
    EXPECT_FALSE(PtInRegion(t, 7, 1));
    EXPECT_FALSE(PtInRegion(t, 8, 0));

    HRGN e = CreateEllipticRgn(0, 0, 10, 6);
    EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 10, 6}));
    EXPECT_FALSE(PtInRegion(e, 0, 0));
    EXPECT_TRUE(PtInRegion(e, 5, 3));

    // Round trip through RGNDATA; a byte count too small for the rectangles is refused.
    DWORD size = GetRegionData(e, 0, nullptr);
    std::vector<uint8_t> buf(size);
    GetRegionData(e, size, reinterpret_cast<RGNDATA*>(buf.data()));
    HRGN copy = ExtCreateRegion(nullptr, size, reinterpret_cast<RGNDATA*>(buf.data()));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(EqualRgn(copy, e));
    EXPECT_EQ(ExtCreateRegion(nullptr, size - 1, reinterpret_cast<RGNDATA*>(buf.data())), nullptr);
    reinterpret_cast<RGNDATA*>(buf.data())->rdh.nCount = 0x7FFFFFFF;
    EXPECT_EQ(ExtCreateRegion(nullptr, size, reinterpret_cast<RGNDATA*>(buf.data())), nullptr);
    for (HRGN h : {empty, two, t, e, copy})
        DeleteObject(h);
}

TEST(GdiRegions, ClippingLimitsDrawing) {
    Canvas cv(6, 4);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    RECT all{0, 0, 6, 4};
    EXPECT_EQ(IntersectClipRect(cv.Dc, 1, 0, 5, 4), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(cv.Dc, 2, 1, 4, 3), COMPLEXREGION);
    FillRect(cv.Dc, &all, black);
    EXPECT_EQ(Grid(cv.Dc, 6, 4), ".####.\n.#..#.\n.#..#.\n.####.\n");
    RECT box{};
    EXPECT_EQ(GetClipBox(cv.Dc, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{1, 0, 5, 4}));
    EXPECT_FALSE(PtVisible(cv.Dc, 2, 1));
    RECT hole{2, 1, 4, 3};
    EXPECT_FALSE(RectVisible(cv.Dc, &hole));

    // Save the clip as a region, select none, restore it: the idiom of the painters.
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(cv.Dc, saved), 1);
    SelectClipRgn(cv.Dc, nullptr);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(cv.Dc, probe), 0);
    SelectClipRgn(cv.Dc, saved);
    EXPECT_FALSE(PtVisible(cv.Dc, 2, 1));
    EXPECT_TRUE(PtVisible(cv.Dc, 1, 1));

    // Clip regions are in device units: the viewport origin does not move them.
    SelectClipRgn(cv.Dc, nullptr);
    HRGN one = CreateRectRgn(0, 0, 1, 1);
    SelectClipRgn(cv.Dc, one);
    SetViewportOrgEx(cv.Dc, 2, 0, nullptr);
    EXPECT_TRUE(PtVisible(cv.Dc, -2, 0));
    SetViewportOrgEx(cv.Dc, 0, 0, nullptr);

    // ExtSelectClipRgn with RGN_OR widens the clip; SaveDC/RestoreDC bring a clip back.
    HRGN other = CreateRectRgn(5, 3, 6, 4);
    EXPECT_EQ(ExtSelectClipRgn(cv.Dc, other, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtVisible(cv.Dc, 5, 3));
    SaveDC(cv.Dc);
    SelectClipRgn(cv.Dc, nullptr);
    RestoreDC(cv.Dc, -1);
    EXPECT_FALSE(PtVisible(cv.Dc, 3, 3));
    for (HRGN h : {saved, probe, one, other})
        DeleteObject(h);
    DeleteObject(black);
}

TEST(GdiRegions, MetaClipBoundsUserClipAndSurfaceOrigin) {
    DibDC back(10, 10, 32);
    back.Fill(RGB(255, 255, 255));
    // A child window at (4, 4) of the back buffer, 4 x 4, of which only its top half is visible.
    HDC dc = CreateTargetDC(back.Bmp, 4, 4);
    HRGN vis = CreateRectRgn(0, 0, 4, 2);
    SetMetaClipRgn(dc, vis);
    HRGN wide = CreateRectRgn(-10, -10, 100, 100);
    SelectClipRgn(dc, wide); // cannot reach beyond the visible region
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    RECT all{-5, -5, 50, 50};
    FillRect(dc, &all, black);
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 4, 2}));
    EXPECT_EQ(GetPixel(back.Dc, 4, 4), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(back.Dc, 7, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(back.Dc, 7, 6), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(back.Dc, 3, 4), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    HRGN got = CreateRectRgn(0, 0, 0, 0);
    GetClipRgn(dc, got);
    EXPECT_TRUE(EqualRgn(got, wide));
    DeleteDC(dc);
    for (HRGN h : {vis, wide, got})
        DeleteObject(h);
    DeleteObject(black);
}

TEST(GdiRegions, SelectingARegionClipsToACopy) {
    Canvas cv(4, 1);
    HRGN r = CreateRectRgn(1, 0, 2, 1);
    EXPECT_EQ(SelectObject(cv.Dc, r), ToGdiObj(r));
    DeleteObject(r); // the DC keeps its own copy
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 4, 1};
    FillRect(cv.Dc, &all, red);
    EXPECT_EQ(Grid(cv.Dc, 4, 1, RGB(255, 0, 0)), ".#..\n");
    DeleteObject(red);
}

TEST(GdiRegions, RoundAndMultiPolygonRegionsAndPaintRgn) {
    HRGN rr = CreateRoundRectRgn(0, 0, 10, 10, 4, 4);
    EXPECT_FALSE(PtInRegion(rr, 0, 0)); // corners cut
    EXPECT_TRUE(PtInRegion(rr, 5, 0));
    EXPECT_TRUE(PtInRegion(rr, 0, 5));
    EXPECT_FALSE(PtInRegion(rr, 10, 5));
    // Two squares, one inside the other: the inner one is a hole for ALTERNATE, filled for WINDING
    // when both run the same way.
    POINT pts[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
    INT counts[] = {4, 4};
    HRGN alt = CreatePolyPolygonRgn(pts, counts, 2, ALTERNATE);
    HRGN win = CreatePolyPolygonRgn(pts, counts, 2, WINDING);
    EXPECT_FALSE(PtInRegion(alt, 4, 4));
    EXPECT_TRUE(PtInRegion(win, 4, 4));
    EXPECT_TRUE(PtInRegion(alt, 1, 1));
    EXPECT_TRUE(SetRectRgn(alt, 1, 0, 3, 1));
    RECT box{};
    EXPECT_EQ(GetRgnBox(alt, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{1, 0, 3, 1}));
    Canvas cv(4, 1);
    SetROP2(cv.Dc, R2_NOT); // PaintRgn follows the binary operation
    EXPECT_TRUE(PaintRgn(cv.Dc, alt));
    EXPECT_EQ(Grid(cv.Dc, 4, 1), ".##.\n");
    for (HRGN h : {rr, alt, win})
        DeleteObject(h);
}

TEST(GdiRegions, VisibleAreaFollowsEveryChange) {
    // The DC caches its visible area; each change of bitmap, clip, saved state or meta clip shows at once.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP small = CreateCompatibleBitmap(nullptr, 2, 2), large = CreateCompatibleBitmap(nullptr, 8, 8);
    HGDIOBJ old = SelectObject(dc, small);
    EXPECT_FALSE(PtVisible(dc, 5, 5));
    SelectObject(dc, large);
    EXPECT_TRUE(PtVisible(dc, 5, 5));
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, 5, 5, 6, 6);
    EXPECT_FALSE(PtVisible(dc, 5, 5));
    RestoreDC(dc, saved);
    EXPECT_TRUE(PtVisible(dc, 5, 5));
    OffsetClipRgn(dc, 1, 1);
    IntersectClipRect(dc, 0, 0, 4, 4);
    EXPECT_FALSE(PtVisible(dc, 5, 5));
    OffsetClipRgn(dc, 2, 2);
    EXPECT_TRUE(PtVisible(dc, 5, 5));
    HRGN meta = CreateRectRgn(0, 0, 1, 1);
    SetMetaClipRgn(dc, meta);
    EXPECT_FALSE(PtVisible(dc, 5, 5));
    SetMetaClipRgn(dc, nullptr);
    EXPECT_TRUE(PtVisible(dc, 5, 5));
    SelectObject(dc, old);
    DeleteDC(dc);
    for (HGDIOBJ o : {ToGdiObj(small), ToGdiObj(large), ToGdiObj(meta)})
        DeleteObject(o);
}

TEST(GdiRegions, FrameAndInvertRegion) {
    Canvas cv(6, 6);
    HRGN r = CreateRectRgn(1, 1, 5, 5);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FrameRgn(cv.Dc, r, black, 1, 1);
    EXPECT_EQ(Grid(cv.Dc, 6, 6), "......\n.####.\n.#..#.\n.#..#.\n.####.\n......\n");
    InvertRgn(cv.Dc, r);
    EXPECT_EQ(Grid(cv.Dc, 6, 6), "......\n......\n..##..\n..##..\n......\n......\n");
    DeleteObject(r);
    DeleteObject(black);
}
