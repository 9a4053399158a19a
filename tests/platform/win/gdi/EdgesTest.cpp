// DrawEdge and DrawFrameControl pixel layouts in the classic colours.
#include "platform/win/gdi/Edges.h"
#include "tests/platform/win/gdi/TextTestCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace win;
using texttest::DibCanvas;

namespace {

const COLORREF Green = RGB(0, 128, 0); // the untouched background
const COLORREF Face = GetSysColor(COLOR_BTNFACE), Light = GetSysColor(COLOR_3DLIGHT),
               Shadow = GetSysColor(COLOR_BTNSHADOW), Dark = GetSysColor(COLOR_3DDKSHADOW),
               Highlight = GetSysColor(COLOR_BTNHIGHLIGHT), Window = GetSysColor(COLOR_WINDOW),
               Text = GetSysColor(COLOR_WINDOWTEXT), Frame = GetSysColor(COLOR_WINDOWFRAME);
const COLORREF EdgeBlack = RGB(0, 0, 0), EdgeWhite = RGB(255, 255, 255);

COLORREF ColourOf(char c) {
    switch (c) {
    case 'L':
        return Light;
    case 'F':
        return Face;
    case 'S':
        return Shadow;
    case 'D':
        return Dark;
    case 'H':
        return Highlight;
    case 'W':
        return Window;
    case 'K':
        return Text;
    case 'B':
        return Frame;
    default:
        return Green;
    }
}

// Bounding box of the pixels of one colour inside an area.
TRect InkOf(const DibCanvas& c, COLORREF colour, const TRect& area) {
    TRect box{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (c.At(x, y) == colour) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box.IsEmpty() ? TRect{} : box;
}

// Compares the canvas with a map of colour letters ('.' = untouched); returns the differing map.
std::string Differences(const DibCanvas& c, const std::vector<std::string>& map) {
    std::string diff;
    for (size_t y = 0; y < map.size(); ++y) {
        std::string row;
        bool bad = false;
        for (size_t x = 0; x < map[y].size(); ++x) {
            const bool same = c.At(int(x), int(y)) == ColourOf(map[y][x]);
            row += same ? map[y][x] : '?';
            bad |= !same;
        }
        if (bad)
            diff += "row " + std::to_string(y) + ": " + row + "\n";
    }
    return diff;
}

TEST(EdgesDrawEdge, EachEdgeKindHasItsClassicLayout) {
    struct Case {
        const char* Name;
        UINT Edge;
        UINT Flags;
        std::vector<std::string> Map;
    } cases[] = {
        {"raised",
         EDGE_RAISED,
         BF_RECT,
         {".......", ".LLLLD.", ".LHHSD.", ".LH.SD.", ".LSSSD.", ".DDDDD.", "......."}},
        {"sunken",
         EDGE_SUNKEN,
         BF_RECT,
         {".......", ".SSSSH.", ".SDDLH.", ".SD.LH.", ".SLLLH.", ".HHHHH.", "......."}},
        {"etched",
         EDGE_ETCHED,
         BF_RECT,
         {".......", ".SSSSH.", ".SHHSH.", ".SH.SH.", ".SSSSH.", ".HHHHH.", "......."}},
        {"bump",
         EDGE_BUMP,
         BF_RECT,
         {".......", ".LLLLD.", ".LDDLD.", ".LD.LD.", ".LLLLD.", ".DDDDD.", "......."}},
        {"soft raised",
         EDGE_RAISED,
         BF_RECT | BF_SOFT,
         {".......", ".HHHHD.", ".HLLSD.", ".HL.SD.", ".HSSSD.", ".DDDDD.", "......."}},
        {"flat",
         EDGE_SUNKEN,
         BF_RECT | BF_FLAT,
         {".......", ".SSSSS.", ".SFFFS.", ".SF.FS.", ".SFFFS.", ".SSSSS.", "......."}},
        {"mono",
         EDGE_RAISED,
         BF_RECT | BF_MONO,
         {".......", ".BBBBB.", ".BWWWB.", ".BW.WB.", ".BWWWB.", ".BBBBB.", "......."}},
        {"middle",
         EDGE_RAISED,
         BF_RECT | BF_MIDDLE,
         {".......", ".LLLLD.", ".LHHSD.", ".LHFSD.", ".LSSSD.", ".DDDDD.", "......."}},
        {"top-left inner",
         BDR_RAISEDINNER,
         BF_TOPLEFT,
         {".......", ".HHHHH.", ".H.....", ".H.....", ".H.....", ".H.....", "......."}},
        {"bottom-right outer",
         BDR_SUNKENOUTER,
         BF_BOTTOMRIGHT,
         {".......", ".....H.", ".....H.", ".....H.", ".....H.", ".HHHHH.", "......."}},
        {"right and bottom raised",
         EDGE_RAISED,
         BF_RIGHT | BF_BOTTOM,
         {".......", "....SD.", "....SD.", "....SD.", ".SSSSD.", ".DDDDD.", "......."}},
    };
    for (const Case& k : cases) {
        DibCanvas c(7, 7, Green);
        RECT r{1, 1, 6, 6};
        EXPECT_TRUE(DrawEdge(c.Dc, &r, k.Edge, k.Flags));
        EXPECT_EQ(Differences(c, k.Map), "") << k.Name;
        EXPECT_EQ(r, (RECT{1, 1, 6, 6})) << "moved without BF_ADJUST: " << k.Name;
    }
}

TEST(EdgesDrawEdge, AdjustShrinksToTheInside) {
    DibCanvas c(10, 10, Green);
    struct Case {
        UINT Edge, Flags;
        RECT After;
    } cases[] = {
        {EDGE_SUNKEN, BF_RECT | BF_ADJUST, {3, 3, 5, 6}},
        {BDR_RAISEDOUTER, BF_LEFT | BF_BOTTOM | BF_ADJUST, {2, 1, 7, 7}},
        {EDGE_ETCHED, BF_TOP | BF_ADJUST, {1, 3, 7, 8}},
    };
    for (const Case& k : cases) {
        RECT r{1, 1, 7, 8};
        DrawEdge(c.Dc, &r, k.Edge, k.Flags);
        EXPECT_EQ(r, k.After) << k.Flags;
    }
}

TEST(EdgesDrawEdge, FollowsTheViewportOrigin) {
    DibCanvas c(12, 12, Green);
    SetViewportOrgEx(c.Dc, 5, 4, nullptr);
    RECT r{0, 0, 3, 3};
    DrawEdge(c.Dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    EXPECT_EQ(c.Ink(Green), (TRect{5, 4, 8, 7}));
    EXPECT_EQ(r, (RECT{1, 1, 2, 2}));
}

// ---- Frame controls -------------------------------------------------------------------------------------

TEST(EdgesFrameControl, CheckBoxStates) {
    struct Case {
        UINT State;
        COLORREF Interior; // at the interior's top-left pixel
        COLORREF Tick;
        int TickPixels;
    } cases[] = {
        {DFCS_BUTTONCHECK, Window, Text, 0},
        {DFCS_BUTTONCHECK | DFCS_CHECKED, Window, Text, 21},
        {DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE, Face, Shadow, 21},
        {DFCS_BUTTONCHECK | DFCS_PUSHED, Face, Text, 0},
        {DFCS_BUTTON3STATE | DFCS_CHECKED, Highlight, Shadow, 21},
    };
    for (const Case& k : cases) {
        DibCanvas c(15, 13, Green);
        RECT r{0, 0, 15, 13};
        ASSERT_TRUE(DrawFrameControl(c.Dc, &r, DFC_BUTTON, k.State));
        // A 13-pixel square centred in the rectangle with a sunken edge.
        EXPECT_EQ(c.At(0, 6), Green);
        EXPECT_EQ(c.At(14, 6), Green);
        EXPECT_EQ(c.At(1, 1), Shadow);
        EXPECT_EQ(c.At(13, 12), Highlight);
        EXPECT_EQ(c.At(2, 2), Dark);
        EXPECT_EQ(c.At(3, 1), Dark);
        EXPECT_EQ(c.At(3, 3), k.Interior) << k.State;
        // The tick: 21 pixels centred in the 9 x 9 interior.
        EXPECT_EQ(c.Count(k.Tick, TRect{3, 2, 12, 11}), k.TickPixels) << k.State;
        if (k.TickPixels) {
            EXPECT_EQ(InkOf(c, k.Tick, TRect{3, 2, 12, 11}), (TRect{4, 3, 11, 10})) << k.State;
        }
    }
}

TEST(EdgesFrameControl, RadioMaskAndImage) {
    // The mask: a black disc on white, symmetric both ways.
    DibCanvas mask(13, 13, EdgeBlack);
    RECT r{0, 0, 13, 13};
    DrawFrameControl(mask.Dc, &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
    EXPECT_EQ(mask.At(0, 0), EdgeWhite);
    EXPECT_EQ(mask.At(12, 12), EdgeWhite);
    EXPECT_EQ(mask.At(6, 6), EdgeBlack);
    EXPECT_EQ(mask.At(0, 6), EdgeBlack);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(mask.At(x, y), mask.At(12 - x, y));
            EXPECT_EQ(mask.At(x, y), mask.At(x, 12 - y));
        }

    struct Case {
        UINT State;
        COLORREF Centre, Left, Right, Corner;
    } cases[] = {
        {DFCS_BUTTONRADIO, Window, Shadow, Highlight, Face},
        {DFCS_BUTTONRADIO | DFCS_CHECKED, Text, Shadow, Highlight, Face},
        {DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE, Shadow, Shadow, Highlight, Face},
        {DFCS_BUTTONRADIO | DFCS_PUSHED, Face, Shadow, Highlight, Face},
        {DFCS_BUTTONRADIO | DFCS_TRANSPARENT, Window, Shadow, Highlight, Green},
        {DFCS_BUTTONRADIOIMAGE | DFCS_FLAT | DFCS_CHECKED, Text, Shadow, Shadow, Face},
    };
    for (const Case& k : cases) {
        DibCanvas c(12, 12, Green);
        RECT box{0, 0, 12, 12};
        DrawFrameControl(c.Dc, &box, DFC_BUTTON, k.State);
        EXPECT_EQ(c.At(5, 5), k.Centre) << k.State;
        EXPECT_EQ(c.At(0, 5), k.Left) << k.State;
        EXPECT_EQ(c.At(11, 6), k.Right) << k.State;
        EXPECT_EQ(c.At(0, 0), k.Corner) << k.State;
    }
}

TEST(EdgesFrameControl, CaptionButtons) {
    // Close: a raised soft button with a cross; pushed, the edge sinks and the glyph moves by one pixel.
    DibCanvas up(16, 14, Green), down(16, 14, Green), off(16, 14, Green);
    RECT r{0, 0, 16, 14};
    DrawFrameControl(up.Dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    DrawFrameControl(down.Dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED);
    DrawFrameControl(off.Dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_INACTIVE);
    EXPECT_EQ(up.At(0, 0), Highlight);
    EXPECT_EQ(up.At(15, 0), Dark);
    EXPECT_EQ(down.At(0, 0), Shadow);
    const TRect inner{2, 2, 14, 12};
    auto glyph = [&](const DibCanvas& c, COLORREF colour) { return InkOf(c, colour, inner); };
    const TRect cross = glyph(up, Text);
    EXPECT_GE(cross.Width(), 6);
    EXPECT_EQ(cross.Width(), cross.Height() + 1);
    const TRect pushed = glyph(down, Text);
    EXPECT_EQ(pushed, (TRect{cross.Left + 1, cross.Top + 1, cross.Right + 1, cross.Bottom + 1}));
    // The cross is symmetric about its centre column.
    for (int y = cross.Top; y < cross.Bottom; ++y)
        for (int x = cross.Left; x < cross.Right; ++x)
            EXPECT_EQ(up.At(x, y), up.At(cross.Left + cross.Right - 1 - x, y));
    // Inactive: embossed in highlight and shadow, no text colour.
    EXPECT_EQ(off.Count(Text, inner), 0);
    EXPECT_EQ(off.Count(Shadow, inner), up.Count(Text, inner));

    // Every caption glyph draws something inside the face, and the rect shrinks with DFCS_ADJUSTRECT.
    for (UINT kind : {DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONRESTORE, DFCS_CAPTIONHELP}) {
        DibCanvas c(16, 14, Green);
        RECT box{0, 0, 16, 14};
        DrawFrameControl(c.Dc, &box, DFC_CAPTION, kind | DFCS_ADJUSTRECT);
        EXPECT_GT(c.Count(Text, inner), 3) << kind;
        EXPECT_EQ(box, (RECT{2, 2, 14, 12}));
    }
}

TEST(EdgesFrameControl, ScrollArrowsPointTheirWay) {
    struct Case {
        UINT Kind;
        int W, H;        // of the arrow's ink
        int FirstRowInk; // pixels in the ink's first row
    } cases[] = {
        {DFCS_SCROLLUP, 7, 4, 1},   {DFCS_SCROLLDOWN, 7, 4, 7},  {DFCS_SCROLLCOMBOBOX, 7, 4, 7},
        {DFCS_SCROLLLEFT, 4, 7, 1}, {DFCS_SCROLLRIGHT, 4, 7, 1},
    };
    for (const Case& k : cases) {
        DibCanvas c(16, 16, Green);
        RECT r{0, 0, 16, 16};
        DrawFrameControl(c.Dc, &r, DFC_SCROLL, k.Kind);
        const TRect ink = InkOf(c, Text, TRect{2, 2, 14, 14});
        EXPECT_EQ(ink.Width(), k.W) << k.Kind;
        EXPECT_EQ(ink.Height(), k.H) << k.Kind;
        EXPECT_EQ(c.Count(Text, TRect{ink.Left, ink.Top, ink.Right, ink.Top + 1}), k.FirstRowInk) << k.Kind;
        EXPECT_EQ(c.Count(Text, TRect{2, 2, 14, 14}), 16) << k.Kind; // 1 + 3 + 5 + 7
    }
    // Inactive arrows are embossed; flat ones have a one-colour frame.
    DibCanvas off(16, 16, Green);
    RECT r{0, 0, 16, 16};
    DrawFrameControl(off.Dc, &r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE);
    EXPECT_EQ(off.Count(Text, TRect{2, 2, 14, 14}), 0);
    EXPECT_EQ(off.Count(Shadow, TRect{2, 2, 14, 14}), 16);
    DibCanvas flat(16, 16, Green);
    DrawFrameControl(flat.Dc, &r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_FLAT);
    EXPECT_EQ(flat.Count(Shadow, TRect{0, 0, 16, 1}), 16);
    EXPECT_EQ(flat.Count(Shadow, TRect{0, 15, 16, 16}), 16);
}

TEST(EdgesFrameControl, SizeGripRidges) {
    DibCanvas c(13, 13, Green);
    RECT r{0, 0, 13, 13};
    DrawFrameControl(c.Dc, &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    // Along the bottom row from the corner: face, shadow, shadow, highlight, face, ...
    const char* expect = "FHSSFHSSFHSSF"; // x = 0..12
    for (int x = 0; x < 13; ++x)
        EXPECT_EQ(c.At(x, 12), ColourOf(expect[x])) << x;
    EXPECT_EQ(c.At(0, 0), Face);
    // Transparent grips keep the background between the ridges.
    DibCanvas t(13, 13, Green);
    DrawFrameControl(t.Dc, &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP | DFCS_TRANSPARENT);
    EXPECT_EQ(t.At(12, 12), Green);
    EXPECT_EQ(t.At(11, 12), Shadow);
}

TEST(EdgesFrameControl, MenuGlyphsAreBlackOnWhite) {
    for (UINT kind : {DFCS_MENUCHECK, DFCS_MENUBULLET, DFCS_MENUARROW, DFCS_MENUARROWRIGHT}) {
        DibCanvas c(16, 16, Green);
        RECT r{0, 0, 16, 16};
        DrawFrameControl(c.Dc, &r, DFC_MENU, kind);
        const int black = c.Count(EdgeBlack, TRect{0, 0, 16, 16});
        EXPECT_GT(black, 3) << kind;
        EXPECT_EQ(black + c.Count(EdgeWhite, TRect{0, 0, 16, 16}), 256) << kind;
        if (kind == DFCS_MENUCHECK) {
            EXPECT_EQ(black, 21);
        }
    }
}

TEST(EdgesFrameControl, HugeRectanglesDrawOnlyWhatIsVisible) {
    const UINT kinds[][2] = {{DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
                             {DFC_BUTTON, DFCS_BUTTONRADIOMASK},
                             {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
                             {DFC_BUTTON, DFCS_BUTTON3STATE | DFCS_CHECKED},
                             {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED},
                             {DFC_CAPTION, DFCS_CAPTIONCLOSE},
                             {DFC_CAPTION, DFCS_CAPTIONRESTORE | DFCS_INACTIVE},
                             {DFC_SCROLL, DFCS_SCROLLDOWN},
                             {DFC_SCROLL, DFCS_SCROLLSIZEGRIP},
                             {DFC_MENU, DFCS_MENUBULLET},
                             {DFC_MENU, DFCS_MENUCHECK}};
    for (const auto& k : kinds) {
        DibCanvas c(16, 16, Green);
        RECT r{-2000000000, -2000000000, 2000000000, 2000000000};
        EXPECT_TRUE(DrawFrameControl(c.Dc, &r, k[0], k[1]));
        RECT e{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
        EXPECT_TRUE(DrawEdge(c.Dc, &e, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
    }
}

TEST(EdgesFrameControl, CheckBoxStripHasTwelveCells) {
    HBITMAP strip = CreateCheckBoxesBitmap();
    ASSERT_NE(strip, nullptr);
    BITMAP info{};
    ASSERT_GT(GetObject(strip, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 52);
    EXPECT_EQ(info.bmHeight, 39);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    EXPECT_EQ(GetPixel(dc, 13 + 6, 6), Text);      // checked box: the tick's middle
    EXPECT_EQ(GetPixel(dc, 6, 6), Window);         // clear box
    EXPECT_EQ(GetPixel(dc, 13 + 6, 13 + 6), Text); // checked radio: the dot
    EXPECT_EQ(GetPixel(dc, 0, 13), Face);          // radio corner
    EXPECT_EQ(GetPixel(dc, 26 + 6, 6), Face);      // pushed box
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(strip);
}

TEST(EdgesFrameControl, FollowsTheSystemColours) {
    const INT elements[2] = {COLOR_BTNFACE, COLOR_WINDOWTEXT};
    const COLORREF values[2] = {RGB(10, 20, 30), RGB(200, 0, 0)};
    SetSysColors(2, elements, values);
    DibCanvas c(13, 13, Green);
    RECT r{0, 0, 13, 13};
    DrawFrameControl(c.Dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_PUSHED);
    EXPECT_EQ(c.At(3, 3), RGB(10, 20, 30));
    EXPECT_EQ(c.Count(RGB(200, 0, 0), TRect{0, 0, 13, 13}), 21);
    ResetSysColors();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Face);
}

TEST(EdgesFrameControl, PushButtons) {
    struct Case {
        UINT State;
        COLORREF TopLeft, Inner, Middle;
    } cases[] = {
        {DFCS_BUTTONPUSH, Highlight, Light, Face},
        {DFCS_BUTTONPUSH | DFCS_PUSHED, Dark, Shadow, Face},
        {DFCS_BUTTONPUSH | DFCS_FLAT, Shadow, Face, Face},
        {DFCS_BUTTONPUSH | DFCS_CHECKED, Shadow, Dark, Highlight},
    };
    for (const Case& k : cases) {
        DibCanvas c(10, 8, Green);
        RECT r{0, 0, 10, 8};
        DrawFrameControl(c.Dc, &r, DFC_BUTTON, k.State | DFCS_ADJUSTRECT);
        EXPECT_EQ(c.At(0, 0), k.TopLeft) << k.State;
        EXPECT_EQ(c.At(1, 1), k.Inner) << k.State;
        EXPECT_EQ(c.At(2, 2), k.Middle) << k.State;
        EXPECT_EQ(r, (RECT{2, 2, 8, 6}));
    }
    EXPECT_FALSE(DrawFrameControl(nullptr, nullptr, DFC_BUTTON, 0));
    DibCanvas c(4, 4);
    RECT r{0, 0, 4, 4};
    EXPECT_FALSE(DrawFrameControl(c.Dc, &r, 99, 0));
}

} // namespace
