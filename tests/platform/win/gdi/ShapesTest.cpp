#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace win;
using namespace gditest;

TEST(GdiShapes, LinesExcludeTheirLastPixel) {
    struct Case {
        POINT a, b;
        const char* grid;
    } cases[] = {
        {{0, 0}, {4, 0}, "####.\n.....\n.....\n"}, {{4, 2}, {0, 2}, ".....\n.....\n.####\n"},
        {{0, 0}, {3, 3}, "#....\n.#...\n..#..\n"}, {{1, 0}, {1, 3}, ".#...\n.#...\n.#...\n"},
        {{0, 0}, {4, 2}, "##...\n..##.\n.....\n"}, {{2, 1}, {2, 1}, ".....\n.....\n.....\n"},
    };
    for (auto& c : cases) {
        Canvas cv(5, 3);
        MoveToEx(cv.Dc, c.a.X, c.a.Y, nullptr);
        LineTo(cv.Dc, c.b.X, c.b.Y);
        EXPECT_EQ(Grid(cv.Dc, 5, 3), c.grid) << c.a.X << "," << c.a.Y << " -> " << c.b.X << "," << c.b.Y;
        POINT pos{};
        GetCurrentPositionEx(cv.Dc, &pos);
        EXPECT_EQ(pos, c.b);
    }
}

TEST(GdiShapes, RectangleEdgesAndNullPen) {
    {
        Canvas cv(6, 5);
        SelectObject(cv.Dc, GetStockObject(NULL_BRUSH));
        Rectangle(cv.Dc, 1, 1, 5, 4);
        EXPECT_EQ(Grid(cv.Dc, 6, 5), "......\n.####.\n.#..#.\n.####.\n......\n");
    }
    {
        Canvas cv(6, 5);
        SelectObject(cv.Dc, GetStockObject(NULL_PEN));
        Rectangle(cv.Dc, 1, 1, 5, 4); // one pixel smaller without a pen
        EXPECT_EQ(Grid(cv.Dc, 6, 5), "......\n.###..\n.###..\n......\n......\n");
    }
    {
        Canvas cv(6, 5);
        RECT r{1, 1, 5, 4};
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(cv.Dc, &r, b);
        EXPECT_EQ(Grid(cv.Dc, 6, 5), "......\n.####.\n.#..#.\n.####.\n......\n");
        InvertRect(cv.Dc, &r);
        EXPECT_EQ(Grid(cv.Dc, 6, 5), "......\n......\n..##..\n......\n......\n");
        DeleteObject(b);
    }
}

TEST(GdiShapes, PolygonFillRules) {
    // A pentagram: the centre is inside for WINDING, outside for ALTERNATE.
    POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    for (int mode : {ALTERNATE, WINDING}) {
        Canvas cv(21, 21);
        SelectObject(cv.Dc, GetStockObject(NULL_PEN));
        SetPolyFillMode(cv.Dc, mode);
        Polygon(cv.Dc, star, 5);
        EXPECT_EQ(GetPixel(cv.Dc, 10, 10) == RGB(0, 0, 0), mode == WINDING);
        EXPECT_EQ(GetPixel(cv.Dc, 10, 3), RGB(0, 0, 0));
    }
    // A square polygon with no pen covers pixel centres: right and bottom edges out.
    Canvas cv(5, 5);
    SelectObject(cv.Dc, GetStockObject(NULL_PEN));
    POINT sq[] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
    Polygon(cv.Dc, sq, 4);
    EXPECT_EQ(Grid(cv.Dc, 5, 5), ".....\n.###.\n.###.\n.....\n.....\n");
}

// Without a pen a polygon takes the pixels whose top-left corner it covers, corners on its left and top edges
// included, on its right and bottom edges left out; polygon regions take the same pixels. Grids worked out by
// hand: on row y the edges cross at x0 < x1, and the pixels x0 <= x < x1 are in.
TEST(GdiShapes, PolygonsWithoutAPenTakeThePixelsWhoseCornerTheyCover) {
    struct Case {
        const char* name;
        std::vector<POINT> points;
        int w, h;
        const char* grid;
    } cases[] = {
        // The controls' drop-down arrow at (cx, cy) = (3, 4): rows 0..3 cross at [0.75y, 7 - y).
        {"drop-down arrow", {{3, 4}, {0, 0}, {7, 0}}, 8, 5,
         "#######.\n.#####..\n..###...\n...#....\n........\n"},
        // An up arrow at (4, 5): [4 - 0.8y, 4 + 0.8y), row 5 (the base) out.
        {"up arrow", {{4, 0}, {8, 5}, {0, 5}}, 9, 6,
         ".........\n....#....\n...###...\n..#####..\n.#######.\n.........\n"},
        // A left arrow at (0, 4): its tip row takes [0, 4), its right side (x = 4) is out.
        {"left arrow", {{0, 4}, {4, 0}, {4, 8}}, 5, 9,
         ".....\n...#.\n..##.\n.###.\n####.\n.###.\n..##.\n...#.\n.....\n"},
        {"corner triangle", {{0, 0}, {4, 0}, {0, 4}}, 5, 5, "####.\n###..\n##...\n#....\n.....\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas drawn(c.w, c.h);
        SelectObject(drawn.Dc, GetStockObject(NULL_PEN));
        Polygon(drawn.Dc, c.points.data(), int(c.points.size()));
        EXPECT_EQ(Grid(drawn.Dc, c.w, c.h), c.grid);

        Canvas filled(c.w, c.h);
        HRGN rgn = CreatePolygonRgn(c.points.data(), int(c.points.size()), ALTERNATE);
        FillRgn(filled.Dc, rgn, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        DeleteObject(rgn);
        EXPECT_EQ(Grid(filled.Dc, c.w, c.h), c.grid);
    }
    // With a pen of the brush's colour the outline adds the right and bottom edges: the triangle on its three
    // corners, whole.
    Canvas cv(5, 5);
    POINT corner[] = {{0, 0}, {4, 0}, {0, 4}};
    Polygon(cv.Dc, corner, 3);
    EXPECT_EQ(Grid(cv.Dc, 5, 5), "#####\n####.\n###..\n##...\n#....\n");
}

TEST(GdiShapes, XorPenDrawnTwiceErases) {
    Canvas cv(8, 8);
    SetROP2(cv.Dc, R2_NOT);
    POINT pts[] = {{0, 0}, {7, 0}, {7, 7}, {0, 5}};
    Polyline(cv.Dc, pts, 4);
    EXPECT_EQ(GetPixel(cv.Dc, 7, 0), RGB(0, 0, 0)); // the join is inverted once
    Polyline(cv.Dc, pts, 4);
    std::string white;
    for (int y = 0; y < 8; ++y)
        white += "########\n";
    EXPECT_EQ(Grid(cv.Dc, 8, 8, RGB(255, 255, 255)), white);
}

TEST(GdiShapes, DashedPenAndBackgroundMode) {
    Canvas cv(12, 1);
    HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(cv.Dc, dot);
    SetBkMode(cv.Dc, TRANSPARENT);
    MoveToEx(cv.Dc, 0, 0, nullptr);
    LineTo(cv.Dc, 12, 0);
    EXPECT_EQ(Grid(cv.Dc, 12, 1), "###...###...\n");
    SetBkMode(cv.Dc, OPAQUE);
    SetBkColor(cv.Dc, RGB(255, 0, 0));
    MoveToEx(cv.Dc, 0, 0, nullptr);
    LineTo(cv.Dc, 12, 0);
    EXPECT_EQ(Grid(cv.Dc, 12, 1, RGB(255, 0, 0)), "...###...###\n");
    SelectObject(cv.Dc, old);
    DeleteObject(dot);
}

TEST(GdiShapes, EllipseAndRoundRectAreSymmetricAndClosed) {
    Canvas cv(13, 13);
    SelectObject(cv.Dc, GetStockObject(NULL_BRUSH));
    RoundRect(cv.Dc, 0, 0, 13, 13, 12, 12);
    std::string g = Grid(cv.Dc, 13, 13);
    // Mirror symmetric in both axes, touching all four sides, and each row inside has both walls.
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
            char c = g[size_t(y * 14 + x)];
            EXPECT_EQ(c, g[size_t(y * 14 + 12 - x)]);
            EXPECT_EQ(c, g[size_t((12 - y) * 14 + x)]);
        }
    EXPECT_EQ(g.substr(0, 14).find('#') != std::string::npos, true);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 6), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 12, 6), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 6, 6), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(255, 255, 255));
    // Walking from the centre along any row hits the outline before leaving the box.
    for (int y = 1; y < 12; ++y) {
        bool left = false, right = false;
        for (int x = 6; x >= 0 && !left; --x)
            left = GetPixel(cv.Dc, x, y) == RGB(0, 0, 0);
        for (int x = 6; x < 13 && !right; ++x)
            right = GetPixel(cv.Dc, x, y) == RGB(0, 0, 0);
        EXPECT_TRUE(left && right) << y;
    }
    Canvas e(9, 5);
    SelectObject(e.Dc, GetStockObject(NULL_PEN));
    Ellipse(e.Dc, 0, 0, 9, 5);
    EXPECT_EQ(GetPixel(e.Dc, 8, 2), RGB(255, 255, 255)); // no pen: one pixel smaller
    EXPECT_EQ(GetPixel(e.Dc, 0, 2), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(e.Dc, 4, 4), RGB(255, 255, 255));
}

TEST(GdiShapes, PieCoversItsQuarter) {
    Canvas cv(20, 20);
    // Counter-clockwise from the right (0 degrees) to the top (90 degrees): the upper right quarter.
    Pie(cv.Dc, 0, 0, 20, 20, 20, 10, 10, 0);
    EXPECT_EQ(GetPixel(cv.Dc, 14, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(cv.Dc, 14, 14), RGB(255, 255, 255));
    SetArcDirection(cv.Dc, AD_CLOCKWISE);
    Pie(cv.Dc, 0, 0, 20, 20, 20, 10, 10, 0); // now three quarters
    EXPECT_EQ(GetPixel(cv.Dc, 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 14, 14), RGB(0, 0, 0));
}

TEST(GdiShapes, FocusRectIsDottedAndErasesItself) {
    Canvas cv(6, 4);
    RECT r{0, 0, 6, 4};
    DrawFocusRect(cv.Dc, &r);
    EXPECT_EQ(Grid(cv.Dc, 6, 4), "#.#.#.\n.....#\n#.....\n.#.#.#\n");
    DrawFocusRect(cv.Dc, &r);
    EXPECT_EQ(Grid(cv.Dc, 6, 4), "......\n......\n......\n......\n");
}

TEST(GdiShapes, HatchAndPatternBrushes) {
    Canvas cv(8, 8);
    HBRUSH h = CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
    SetBkColor(cv.Dc, RGB(255, 0, 0));
    SetBkMode(cv.Dc, TRANSPARENT);
    RECT r{0, 0, 8, 8};
    FillRect(cv.Dc, &r, h);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(255, 255, 255)); // gaps stay in transparent mode
    EXPECT_EQ(GetPixel(cv.Dc, 7, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 0, 7), RGB(0, 0, 0));
    SetBkMode(cv.Dc, OPAQUE);
    FillRect(cv.Dc, &r, h);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(255, 0, 0));
    DeleteObject(h);

    // The painters' checkerboard: a mono 8x8 pattern drawn in the text and background colours.
    uint8_t bits[16];
    for (int y = 0; y < 8; ++y) {
        bits[2 * y] = (y % 2) ? 0xAA : 0x55;
        bits[2 * y + 1] = 0;
    }
    HBITMAP pat = CreateBitmap(8, 8, 1, 1, bits);
    HBRUSH pb = CreatePatternBrush(pat);
    DeleteObject(pat); // the brush keeps its own copy
    SetTextColor(cv.Dc, RGB(0, 0, 255));
    SetBkColor(cv.Dc, RGB(0, 255, 0));
    FillRect(cv.Dc, &r, pb);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(0, 0, 255)); // bit 0 -> text colour
    EXPECT_EQ(GetPixel(cv.Dc, 1, 0), RGB(0, 255, 0)); // bit 1 -> background colour
    SetBrushOrgEx(cv.Dc, 1, 0, nullptr);
    FillRect(cv.Dc, &r, pb);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(0, 255, 0));
    DeleteObject(pb);
}

TEST(GdiShapes, FloodFillBorderAndSurface) {
    Canvas cv(7, 5);
    SelectObject(cv.Dc, GetStockObject(NULL_BRUSH));
    Rectangle(cv.Dc, 0, 0, 5, 5);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(cv.Dc, red);
    EXPECT_TRUE(ExtFloodFill(cv.Dc, 2, 2, RGB(0, 0, 0), FLOODFILLBORDER));
    EXPECT_EQ(Grid(cv.Dc, 7, 5, RGB(255, 0, 0)), ".......\n.###...\n.###...\n.###...\n.......\n");
    EXPECT_FALSE(ExtFloodFill(cv.Dc, 0, 0, RGB(0, 0, 0), FLOODFILLBORDER)); // starts on the border
    EXPECT_TRUE(ExtFloodFill(cv.Dc, 6, 0, RGB(255, 255, 255), FLOODFILLSURFACE));
    EXPECT_EQ(Grid(cv.Dc, 7, 5, RGB(255, 0, 0)), ".....##\n.###.##\n.###.##\n.###.##\n.....##\n");
    // Pixels with an alpha byte match by colour.
    auto* px = static_cast<uint32_t*>(cv.Bits);
    for (int i = 0; i < 7 * 5; ++i)
        px[i] = 0xFF000000 | 0x0000FF;
    EXPECT_TRUE(ExtFloodFill(cv.Dc, 0, 0, RGB(0, 0, 255), FLOODFILLSURFACE));
    EXPECT_EQ(GetPixel(cv.Dc, 6, 4), RGB(255, 0, 0));
    SelectObject(cv.Dc, GetStockObject(BLACK_BRUSH));
    DeleteObject(red);
}

TEST(GdiShapes, GradientFillRectangles) {
    DibDC d(5, 2, 32);
    TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0}, {5, 2, 0xFF00, 0x0000, 0xA000, 0}};
    GRADIENT_RECT r{0, 1};
    ASSERT_TRUE(GradientFill(d.Dc, v, 2, &r, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(d.Dc, 1, 1), RGB(51, 0, 32));
    EXPECT_EQ(GetPixel(d.Dc, 4, 0), RGB(204, 0, 128));
    ASSERT_TRUE(GradientFill(d.Dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(GetPixel(d.Dc, 4, 1), RGB(127, 0, 80));
    GRADIENT_RECT bad{0, 7};
    EXPECT_FALSE(GradientFill(d.Dc, v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
    // A triangle covers the pixel centres inside it.
    DibDC t(4, 4, 32);
    TRIVERTEX tv[3] = {{0, 0, 0xFF00, 0, 0, 0}, {4, 0, 0xFF00, 0, 0, 0}, {0, 4, 0xFF00, 0, 0, 0}};
    GRADIENT_TRIANGLE tri{0, 1, 2};
    ASSERT_TRUE(GradientFill(t.Dc, tv, 3, &tri, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_EQ(Grid(t.Dc, 4, 4, RGB(255, 0, 0)), "###.\n##..\n#...\n....\n");
}

TEST(GdiShapes, ExtremeCoordinatesAreClippedNotWalked) {
    // Figures far larger than the bitmap cost only their visible part and draw what is visible.
    Canvas cv(8, 8);
    const int big = 2000000000;
    MoveToEx(cv.Dc, -big, 3, nullptr);
    LineTo(cv.Dc, big, 3);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 3), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 7, 3), RGB(0, 0, 0));
    Ellipse(cv.Dc, -big, -big, big, big);
    EXPECT_EQ(GetPixel(cv.Dc, 4, 4), RGB(0, 0, 0));
    POINT tri[] = {{-big, -big}, {big, -big}, {0, big}};
    Polygon(cv.Dc, tri, 3);
    RoundRect(cv.Dc, -big, -big, big, big, big, big);
    Pie(cv.Dc, -big, -big, big, big, big, 0, 0, -big);
    HPEN wide = CreatePen(PS_SOLID, 1000000, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(cv.Dc, wide);
    MoveToEx(cv.Dc, -big, -big, nullptr);
    LineTo(cv.Dc, big, big);
    EXPECT_EQ(GetPixel(cv.Dc, 0, 7), RGB(255, 0, 0));
    SelectObject(cv.Dc, old);
    DeleteObject(wide);
    RECT r{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(cv.Dc, &r, b);
    EXPECT_EQ(GetPixel(cv.Dc, 7, 7), RGB(1, 2, 3));
    OffsetRect(&r, INT32_MAX, 5); // wraps like 32-bit arithmetic, no overflow trap
    SetViewportOrgEx(cv.Dc, INT32_MAX, INT32_MAX, nullptr);
    SetWindowOrgEx(cv.Dc, INT32_MIN, INT32_MIN, nullptr);
    FillRect(cv.Dc, &r, b);
    BitBlt(cv.Dc, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, cv.Dc, INT32_MIN, INT32_MAX, SRCCOPY);
    SetMapMode(cv.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(cv.Dc, 1, 1, nullptr);
    SetViewportExtEx(cv.Dc, INT32_MAX, INT32_MIN, nullptr);
    FillRect(cv.Dc, &r, b);
    LineTo(cv.Dc, 5, 5);
    DeleteObject(b);
}

TEST(GdiShapes, MaskLargerThanAreaOnAScalingDcStaysInsideTheMask) {
    // A 2x scaling destination asks for mask pixels beyond the 2 x 1 mask: they count as 0, never read.
    DibDC src(2, 1, 32), dst(4, 2, 32);
    src.Fill(RGB(255, 0, 0));
    dst.Fill(RGB(0, 0, 255));
    const uint8_t bits[2] = {0xC0, 0};
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, bits);
    SetMapMode(dst.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(dst.Dc, 1, 1, nullptr);
    SetViewportExtEx(dst.Dc, 2, 2, nullptr);
    EXPECT_TRUE(MaskBlt(dst.Dc, 0, 0, 2, 1, src.Dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
    SetMapMode(dst.Dc, MM_TEXT);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 1), RGB(255, 0, 0));
    DeleteObject(mask);
}

TEST(GdiShapes, AllSixteenBinaryPenOperations) {
    // Pen 0x0F0F0F over destination 0x333333 on 24-bit pixels (the channels behave alike).
    const uint32_t P = 0x0F, D = 0x33;
    const uint32_t expect[17] = {0,     0,        ~(P | D), ~P & D, ~P, P & ~D, ~D,    P ^ D, ~(P & D),
                                 P & D, ~(P ^ D), D,        ~P | D, P,  P | ~D, P | D, 0xFF};
    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
        DibDC d(2, 1, 24);
        d.Fill(RGB(D, D, D));
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(P, P, P));
        HGDIOBJ old = SelectObject(d.Dc, pen);
        SetROP2(d.Dc, rop);
        MoveToEx(d.Dc, 0, 0, nullptr);
        LineTo(d.Dc, 1, 0);
        uint8_t v = uint8_t(expect[rop] & 0xFF);
        EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(v, v, v)) << "R2 " << rop;
        EXPECT_EQ(GetPixel(d.Dc, 1, 0), RGB(D, D, D)); // the last pixel is not drawn
        SelectObject(d.Dc, old);
        DeleteObject(pen);
    }
}

TEST(GdiShapes, PolylineToAndBrushIndirect) {
    Canvas cv(5, 3);
    MoveToEx(cv.Dc, 0, 0, nullptr);
    POINT pts[] = {{3, 0}, {3, 2}};
    EXPECT_TRUE(PolylineTo(cv.Dc, pts, 2));
    EXPECT_EQ(Grid(cv.Dc, 5, 3), "####.\n...#.\n.....\n");
    POINT pos{};
    GetCurrentPositionEx(cv.Dc, &pos);
    EXPECT_EQ(pos, (POINT{3, 2}));
    LOGBRUSH lb{BS_HATCHED, RGB(0, 0, 0), HS_VERTICAL};
    HBRUSH b = CreateBrushIndirect(&lb);
    LOGBRUSH back{};
    EXPECT_EQ(GetObject(b, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(back.lbStyle, BS_HATCHED);
    EXPECT_EQ(back.lbHatch, ULONG_PTR(HS_VERTICAL));
    DeleteObject(b);
    LOGBRUSH bad{BS_HATCHED, 0, 99};
    EXPECT_EQ(CreateBrushIndirect(&bad), nullptr);
}

TEST(GdiShapes, RectangleHelpers) {
    RECT a{0, 0, 10, 10}, b{5, 5, 15, 15}, r{};
    EXPECT_TRUE(IntersectRect(&r, &a, &b));
    EXPECT_EQ(r, (RECT{5, 5, 10, 10}));
    RECT far{20, 20, 30, 30};
    EXPECT_FALSE(IntersectRect(&r, &a, &far));
    EXPECT_TRUE(IsRectEmpty(&r));
    EXPECT_TRUE(UnionRect(&r, &a, &b));
    EXPECT_EQ(r, (RECT{0, 0, 15, 15}));
    RECT strip{0, 0, 10, 4};
    EXPECT_TRUE(SubtractRect(&r, &a, &strip)); // a whole side cut off
    EXPECT_EQ(r, (RECT{0, 4, 10, 10}));
    EXPECT_TRUE(SubtractRect(&r, &a, &b)); // a corner cut: the rectangle stays
    EXPECT_EQ(r, a);
    r = a;
    InflateRect(&r, 2, -1);
    EXPECT_EQ(r, (RECT{-2, 1, 12, 9}));
    OffsetRect(&r, 2, -1);
    EXPECT_EQ(r, (RECT{0, 0, 14, 8}));
    EXPECT_TRUE(PtInRect(&a, POINT{9, 0}));
    EXPECT_FALSE(PtInRect(&a, POINT{10, 0}));
    EXPECT_TRUE(EqualRect(&a, &a));
}
