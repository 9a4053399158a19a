// The painters' drawing: items (glyphs, captions, check marks, progress bars), bars (separators, end marks,
// grips, caption buttons) and menus (sizes, separators), pixels checked against values computed here.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarDraw.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Metrics.h"

#include <cstring>
#include <set>

using namespace bars;
using namespace barstest;

namespace {

constexpr win::COLORREF Paper = Rgb(1, 2, 3);

win::HFONT MakeFont(int height, const char* face = "Arial") {
    win::LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfQuality = win::NONANTIALIASED_QUALITY; // whole pixels: each is ink or paper
    std::strncpy(lf.lfFaceName, face, sizeof(lf.lfFaceName) - 1);
    return win::CreateFontIndirect(&lf);
}

class PainterDrawTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Font = MakeFont(-11);
        Window.Font = Font;
        Window.Brush = win::GetSysColorBrush(win::COLOR_BTNFACE);
        Window.FaceBrush = win::GetSysColorBrush(win::COLOR_BTNFACE);
        Window.SelectionBrush = win::GetSysColorBrush(win::COLOR_HIGHLIGHT);
        Window.SecondaryBrush = win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT);
    }
    void TearDown() override {
        win::DeleteObject(Font);
        BarsFixture::TearDown();
    }
    win::HFONT Font = nullptr;
    TxbPaintWindow Window;
};

// The pixels a reference drawing of the text (DrawText, black on white) sets.
std::set<std::pair<int, int>> TextPixels(win::HFONT font, const win::TRect& rect, std::string text, win::UINT flags) {
    Surface s(rect.Right + 4, rect.Bottom + 4, 0xFFFFFF);
    win::HGDIOBJ old = win::SelectObject(s.Dc(), font);
    win::SetBkMode(s.Dc(), win::TRANSPARENT);
    win::SetTextColor(s.Dc(), 0);
    win::TRect r = rect;
    win::DrawText(s.Dc(), text, &r, flags);
    win::SelectObject(s.Dc(), old);
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x)
            if (s.Pixel(x, y) != 0xFFFFFF)
                pixels.insert({x, y});
    return pixels;
}

std::set<std::pair<int, int>> PixelsOf(Surface& s, win::COLORREF colour) {
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x)
            if (s.Pixel(x, y) == colour)
                pixels.insert({x, y});
    return pixels;
}

TEST_F(PainterDrawTest, CaptionAcceleratorsWithTheShippedFont) {
    const win::TRect rect{2, 2, 80, 20};
    const win::UINT flags = win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOCLIP;
    TxbItemPaintState s;
    auto draw = [&](const std::string& caption) {
        Surface out(84, 24, 0xFFFFFF);
        EnhancedPainter()->PaintItemCaption(Window, out.Dc(), s, false, 0, false, rect, caption);
        return PixelsOf(out, Sys(win::COLOR_BTNTEXT));
    };
    // "&File": the plain word plus one underline under the F, as wide as the F.
    auto file = draw("&File");
    auto plain = TextPixels(Font, rect, "File", flags | win::DT_NOPREFIX);
    std::set<std::pair<int, int>> extra;
    for (auto p : file)
        if (!plain.count(p))
            extra.insert(p);
    for (auto p : plain)
        EXPECT_TRUE(file.count(p)) << p.first << "," << p.second;
    ASSERT_FALSE(extra.empty());
    Surface m(10, 10);
    win::HGDIOBJ old = win::SelectObject(m.Dc(), Font);
    win::SIZE f{};
    win::GetTextExtentPoint32(m.Dc(), "F", 1, &f);
    win::SelectObject(m.Dc(), old);
    int row = extra.begin()->second, minX = 1000, maxX = -1;
    for (auto p : extra) {
        EXPECT_EQ(p.second, row);
        minX = std::min(minX, p.first);
        maxX = std::max(maxX, p.first);
    }
    EXPECT_EQ(minX, rect.Left);
    EXPECT_LE(maxX, rect.Left + f.cx - 1);
    EXPECT_GE(maxX, rect.Left + f.cx - 2);
    // "A&&B": one ampersand, no underline.
    EXPECT_EQ(draw("A&&B"), TextPixels(Font, rect, "A&B", flags | win::DT_NOPREFIX));
}

TEST_F(PainterDrawTest, DisabledMenuCaptionIsEmbossed) {
    const win::TRect rect{2, 2, 80, 20};
    TxbItemPaintState s;
    s.Enabled = false;
    Surface out(84, 24, Paper);
    StandardPainter()->PaintItemCaption(Window, out.Dc(), s, false, 0, false, rect, "Save");
    auto text = TextPixels(Font, rect, "Save", win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOCLIP);
    ASSERT_FALSE(text.empty());
    for (auto [x, y] : text) {
        EXPECT_EQ(out.Pixel(x, y), Sys(win::COLOR_BTNSHADOW)) << x << "," << y;
        if (!text.count({x + 1, y + 1})) {
            EXPECT_EQ(out.Pixel(x + 1, y + 1), Sys(win::COLOR_BTNHIGHLIGHT)) << x + 1 << "," << y + 1;
        }
    }
    // Selected or enabled: one colour, no relief.
    TxbItemPaintState hot;
    hot.Enabled = false;
    hot.Selected = true;
    Surface grey(84, 24, Paper);
    StandardPainter()->PaintItemCaption(Window, grey.Dc(), hot, false, 0, false, rect, "Save");
    EXPECT_EQ(PixelsOf(grey, Sys(win::COLOR_GRAYTEXT)), text);
}

TEST_F(PainterDrawTest, CheckMarkOfACheckedMenuItemWithoutGlyph) {
    // Thickness 1 in a 9 x 7 box below 16 points, 2 in an 18 x 14 box from 16 points; the box is centred in the
    // glyph column less its 1-pixel frame. Each stroke k runs (x + t, y + 2t + k) -> (x + 3t, y + 4t + k) ->
    // (x + 8t, y - t + k): one silver, 2t black, one white; white end caps.
    struct Case {
        bool Small;
        int T, BoxW, BoxH;
        bool BlackFace;
    } cases[] = {{true, 1, 9, 7, false}, {false, 2, 18, 14, false}, {true, 1, 9, 7, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.T);
        if (c.BlackFace) {
            win::INT element = win::COLOR_BTNFACE;
            win::COLORREF black = 0;
            win::SetSysColors(1, &element, &black);
        }
        TxbPaintWindow w = Window;
        w.IsMenu = true;
        w.SmallFont = c.Small;
        w.MenuRowHeight = 40;
        TxbItemPaintState s;
        s.Down = true;
        Surface out(40, 40, Paper);
        StandardPainter()->PaintItemGlyph(w, out.Dc(), {0, 0, 40, 40}, s, TxbGlyphSource{});
        // The column (0, 0, 40, 40) has room for a frame: the box is centred in (1, 1, 39, 39).
        int x = (1 + 39 - c.BoxW) / 2, y = (1 + 39 - c.BoxH) / 2, t = c.T;
        win::COLORREF body = c.BlackFace ? 0xFFFFFF : 0, light = c.BlackFace ? 0 : 0xFFFFFF;
        EXPECT_EQ(out.Pixel(x + t, y + 2 * t), Rgb(192, 192, 192));
        EXPECT_EQ(out.Pixel(x + 3 * t, y + 4 * t), Rgb(192, 192, 192));
        for (int k = 1; k <= 2 * t; ++k) {
            EXPECT_EQ(out.Pixel(x + t, y + 2 * t + k), body) << k;
            EXPECT_EQ(out.Pixel(x + 3 * t, y + 4 * t + k), body) << k;
        }
        EXPECT_EQ(out.Pixel(x + 3 * t, y + 4 * t + 2 * t + 1), light);
        EXPECT_EQ(out.Pixel(x + t - 1, y + 2 * t + 1), light);
        EXPECT_EQ(out.Pixel(x + 8 * t, y - t + 2), light);
        // Around it the checked button's secondary brush.
        EXPECT_EQ(out.Pixel(x - 2, y + c.BoxH + 3), Sys(win::COLOR_BTNHIGHLIGHT));
        win::ResetSysColors();
    }
}

TEST_F(PainterDrawTest, ToolbarGlyphIsCentredAndMovesWhenPressedAndChecked) {
    vcl::TBitmap glyph;
    glyph.SetPixelFormat(vcl::pf24bit);
    glyph.SetSize(16, 16);
    const win::COLORREF ink = Rgb(0, 128, 0), key = Rgb(255, 0, 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            glyph.GetCanvas()->SetPixel(x, y, (x == 0 && y == 15) ? key : ink);
    TxbGlyphSource source;
    source.Bitmap = &glyph;
    // A 23 x 22 button: the glyph at ((23 - 16) / 2, (22 - 16) / 2) = (3, 3).
    struct Case {
        const TxbBarItemControlPainter* Painter;
        bool Pressed, Down;
        int Move;
    } cases[] = {{StandardPainter(), false, false, 0}, {StandardPainter(), true, false, 1},
                 {StandardPainter(), false, true, 1},  {StandardPainter(), true, true, 2},
                 {EnhancedPainter(), true, true, 2},   {XPPainter(), true, true, 1}};
    for (const Case& c : cases) {
        TxbItemPaintState s;
        s.Pressed = c.Pressed;
        s.Down = c.Down;
        s.Selected = c.Pressed;
        Surface out(40, 30, Paper);
        c.Painter->PaintItemGlyph(Window, out.Dc(), {0, 0, 23, 22}, s, source);
        win::TRect inkBounds = out.Bounds(ink);
        EXPECT_EQ(inkBounds.Left, 3 + c.Move) << c.Painter->ClassName() << c.Pressed << c.Down;
        EXPECT_EQ(inkBounds.Top, 3 + c.Move);
        EXPECT_EQ(inkBounds.Right - inkBounds.Left, 16);
    }
}

TEST_F(PainterDrawTest, DisabledGlyphFadedWithTheManagersFlag) {
    vcl::TBitmap glyph;
    glyph.SetPixelFormat(vcl::pf24bit);
    glyph.SetSize(8, 8);
    const win::COLORREF ink = Rgb(200, 40, 40), key = Rgb(255, 0, 255);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            glyph.GetCanvas()->SetPixel(x, y, (x == 0 && y == 7) ? key : ink);
    TxbGlyphSource source;
    source.Bitmap = &glyph;
    TxbItemPaintState s;
    s.Enabled = false;
    // The fade colour: 70 % button shadow and 30 % white.
    win::COLORREF shadow = Sys(win::COLOR_BTNSHADOW);
    auto mix = [](int c) { return (c * 70 + 255 * 30) / 100; };
    win::COLORREF fade = Rgb(mix(RedOf(shadow)), mix(GreenOf(shadow)), mix(BlueOf(shadow)));
    int l = (77 * BlueOf(ink) + 151 * GreenOf(ink) + 28 * RedOf(ink)) >> 8;
    int u = (192 * (l - 255) + 65280) >> 8;
    auto f = [u](int t) { return (192 * t + 64 * u) >> 8; };
    win::COLORREF faded = Rgb(f(RedOf(fade)), f(GreenOf(fade)), f(BlueOf(fade)));
    for (bool flag : {true, false}) {
        TxbPaintWindow w = Window;
        w.MakeDisabledImagesFaded = flag;
        Surface out(23, 22, Paper);
        EnhancedPainter()->PaintItemGlyph(w, out.Dc(), {0, 0, 23, 22}, s, source);
        // The 8 x 8 glyph at (7, 7).
        EXPECT_EQ(out.Pixel(10, 10), flag ? faded : Sys(win::COLOR_BTNSHADOW));
    }
}

TEST_F(PainterDrawTest, ProgressPositionIsClampedToItsRange) {
    struct Case {
        int Min, Max, Pos, End;
    } cases[] = {{0, 100, 50, 50}, {0, 100, 150, 100}, {0, 100, -20, 0}, {10, 10, 10, 0},
                 {20, 10, 15, 0},  {-50, 50, 0, 50},  {0, 3, 1, 33}};
    for (const Case& c : cases)
        EXPECT_EQ(TxbBarItemControlPainter::CalcProgressEnd(0, 100, c.Min, c.Max, c.Pos), c.End)
            << c.Min << " " << c.Max << " " << c.Pos;
    // Beyond the maximum the bar fills exactly its rect; with no range it stays empty.
    const win::COLORREF bar = Rgb(0, 0, 200);
    for (auto [max, filled] : {std::pair{100, true}, std::pair{0, false}}) {
        Surface out(60, 10, Paper);
        StandardPainter()->DrawProgressBar(Window, out.Dc(), 0, max, 500, true, false, vcl::TColor(bar),
                                           {10, 2, 50, 8});
        EXPECT_EQ(out.Bounds(bar), (filled ? win::TRect{10, 2, 50, 8} : win::TRect{}));
        EXPECT_EQ(out.Pixel(50, 4), Paper);
    }
}

TEST_F(PainterDrawTest, MenuSizes) {
    TxbPaintMenu menu;
    menu.SideBarWidth = 20;
    menu.QqTextHeight = 13; // half 6, made odd: 7; the detach bar 10
    const TxbBarItemControlPainter* p = EnhancedPainter();
    EXPECT_EQ(p->CalcMenuSize(menu, {120, 60}, 19), (win::TSize{146, 64}));
    EXPECT_EQ(p->CalcMenuSize(menu, {0, 0}, 19), (win::TSize{100, 23}));
    menu.Detachable = true;
    EXPECT_EQ(p->GetDetachBarHeight(menu), 10);
    EXPECT_EQ(p->CalcMenuSize(menu, {120, 60}, 19), (win::TSize{146, 74}));
    menu.QqTextHeight = 15; // half 7 stays
    EXPECT_EQ(p->GetDetachBarHeight(menu), 10);
    menu.Detachable = false;
    menu.ShowsExpandButton = true;
    EXPECT_EQ(p->CalcMenuSize(menu, {120, 60}, 19), (win::TSize{146, 83}));
    TxbMenuMetrics m = p->CalcMenuMetrics(19, 13);
    EXPECT_EQ(m.ArrowWidth, 4 * 3 + 1);
    EXPECT_EQ(m.GlyphStretchReference, 19);
    // Expand row 14: arrow (14 - 6) / 2 = 4, even, stays; row 16: arrow 5, odd: 2 x 5 + 4.
    EXPECT_EQ(m.ExpandRowHeight, 14);
    EXPECT_EQ(p->CalcMenuMetrics(19, 15).ExpandRowHeight, 14);
}

TEST_F(PainterDrawTest, EtchedSeparators) {
    // A toolbar separator area 6 wide: the etched line 2 pixels in (shadow, then highlight), the end strips
    // in the background.
    Surface out(20, 30, Paper);
    StandardPainter()->PaintToolbarSeparator(Window, out.Dc(), false, Window.Brush, {4, 0, 10, 30});
    EXPECT_EQ(out.Pixel(6, 10), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(out.Pixel(7, 10), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out.Pixel(6, 1), Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(out.Pixel(6, 28), Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(out.Pixel(5, 10), Paper);
    // Across (between rows): a horizontal line 2 pixels down.
    Surface across(30, 20, Paper);
    StandardPainter()->PaintToolbarSeparator(Window, across.Dc(), true, Window.Brush, {0, 4, 30, 10});
    EXPECT_EQ(across.Pixel(10, 6), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(across.Pixel(10, 7), Sys(win::COLOR_BTNHIGHLIGHT));
    // A menu separator: the 10-pixel strip above the item, its line 4 pixels down, indented by the family's
    // menu separator indent (Standard 2, Enhanced 12).
    for (auto [painter, indent] : {std::pair{StandardPainter(), 2}, std::pair{EnhancedPainter(), 12}}) {
        TxbPaintMenu menu;
        menu.Window = Window;
        Surface m(60, 40, Paper);
        win::TRect separator;
        painter->DrawMenuSeparator(menu, m.Dc(), false, 0, {5, 20, 55, 38}, separator);
        EXPECT_EQ(separator, (win::TRect{5, 10, 55, 20}));
        EXPECT_EQ(m.Pixel(5 + indent, 14), Sys(win::COLOR_BTNSHADOW));
        EXPECT_EQ(m.Pixel(5 + indent, 15), Sys(win::COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(m.Pixel(5 + indent - 1, 14), Sys(win::COLOR_BTNFACE));
        EXPECT_EQ(m.Pixel(54 - indent, 14), Sys(win::COLOR_BTNSHADOW));
        EXPECT_EQ(m.Pixel(55 - indent, 14), Sys(win::COLOR_BTNFACE));
        EXPECT_EQ(m.Pixel(30, 11), Sys(win::COLOR_BTNFACE));
    }
}

TEST_F(PainterDrawTest, EndMarks) {
    TxbPaintBar bar;
    bar.Window = Window;
    bar.ClientWidth = 200;
    bar.ClientHeight = 26;
    bar.DockingStyle = 2; // top
    win::COLORREF text = Sys(win::COLOR_BTNTEXT);
    // Enhanced, top-docked: the 11-pixel strip at the right, framed in the brush, the triangle 5 x 3 at
    // (left + 3, bottom - 7); chevrons only when truncated.
    win::TRect mark = EnhancedPainter()->CalcBarMarkRect(bar);
    EXPECT_EQ(mark, (win::TRect{189, 0, 200, 26}));
    win::HBRUSH frame = win::CreateSolidBrush(Rgb(9, 99, 9));
    for (bool truncated : {false, true}) {
        bar.Truncated = truncated;
        Surface out(200, 26, Paper);
        EnhancedPainter()->PaintMark(bar, out.Dc(), frame, mark);
        EXPECT_EQ(out.Pixel(189, 0), Rgb(9, 99, 9));
        EXPECT_EQ(out.Pixel(199, 25), Rgb(9, 99, 9));
        win::TRect inside{190, 1, 199, 25};
        auto textIn = [&](int top, int bottom) {
            win::TRect found{1000, 1000, -1, -1};
            for (int y = top; y < bottom; ++y)
                for (int x = inside.Left; x < inside.Right; ++x)
                    if (out.Pixel(x, y) == text) {
                        found.Left = std::min(found.Left, x);
                        found.Top = std::min(found.Top, y);
                        found.Right = std::max(found.Right, x + 1);
                        found.Bottom = std::max(found.Bottom, y + 1);
                    }
            return found;
        };
        EXPECT_EQ(textIn(15, 25), (win::TRect{192, 19, 197, 22}));
        EXPECT_EQ(out.Pixel(194, 21), text);
        EXPECT_EQ(out.Pixel(192, 21), Rgb(9, 99, 9)); // the background inside, painted with the brush
        bool chevrons = textIn(0, 15).Right > 0;
        EXPECT_EQ(chevrons, truncated);
    }
    win::DeleteObject(frame);
    // Hot and pressed: raised and sunken edges.
    bar.MarkState = 1;
    Surface hot(200, 26, Paper);
    EnhancedPainter()->PaintMark(bar, hot.Dc(), Window.Brush, mark);
    EXPECT_EQ(hot.Pixel(189, 5), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(hot.Pixel(199, 5), Sys(win::COLOR_BTNSHADOW));
    // Standard on a vertical bar: the 9 x 11 box at the bottom right; Enhanced: the strip across the bottom.
    bar.DockingStyle = 1;
    bar.ClientWidth = 26;
    bar.ClientHeight = 200;
    EXPECT_EQ(StandardPainter()->CalcBarMarkRect(bar), (win::TRect{17, 189, 26, 200}));
    EXPECT_EQ(EnhancedPainter()->CalcBarMarkRect(bar), (win::TRect{0, 189, 26, 200}));
    bar.DockingStyle = 4;
    bar.ClientWidth = 200;
    bar.ClientHeight = 26;
    EXPECT_EQ(StandardPainter()->CalcBarMarkRect(bar), (win::TRect{189, 0, 200, 9}));
}

TEST_F(PainterDrawTest, DockedGrips) {
    // Standard: a double grip (indent 2, two bars of 3: 9 pixels with the indent); Enhanced one bar (indent 1),
    // shorter by a pixel at both ends. Each bar: raised edge, face inside, a highlight pixel at bottom-left.
    TxbPaintBar bar;
    bar.Window = Window;
    bar.DockingStyle = 2;
    struct Case {
        const TxbBarItemControlPainter* Painter;
        std::vector<int> Lefts;
        int Top, Bottom;
    } cases[] = {{StandardPainter(), {4, 7}, 2, 24}, {EnhancedPainter(), {3}, 3, 23}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Painter->ClassName());
        Surface out(100, 26, Paper);
        c.Painter->PaintDockedFrame(bar, out.Dc(), {0, 0, 100, 26});
        // The grips are left out of the clip region for what the frame paints next.
        EXPECT_EQ(out.Pixel(c.Lefts[0], 10), win::CLR_INVALID);
        win::SelectClipRgn(out.Dc(), nullptr);
        for (int left : c.Lefts) {
            EXPECT_EQ(out.Pixel(left, c.Top), Sys(win::COLOR_BTNHIGHLIGHT));
            EXPECT_EQ(out.Pixel(left + 2, c.Top + 5), Sys(win::COLOR_BTNSHADOW));
            EXPECT_EQ(out.Pixel(left + 1, c.Top + 5), Sys(win::COLOR_BTNFACE));
            EXPECT_EQ(out.Pixel(left + 1, c.Bottom - 1), Sys(win::COLOR_BTNSHADOW));
            EXPECT_EQ(out.Pixel(left, c.Bottom - 1), Sys(win::COLOR_BTNHIGHLIGHT));
            EXPECT_EQ(out.Pixel(left, c.Bottom), Paper);
        }
        EXPECT_EQ(out.Pixel(c.Lefts.back() + 3, 10), Paper);
        EXPECT_EQ(out.Pixel(0, 10), Sys(win::COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(out.Pixel(99, 10), Sys(win::COLOR_BTNSHADOW));
    }
    EXPECT_EQ(StandardPainter()->GetGripSize(), 9);
    EXPECT_EQ(EnhancedPainter()->GetGripSize(), 6);
}

TEST_F(PainterDrawTest, MenuBarCloseButtonFlatKeepsOneRaisedEdge) {
    // The system's close glyph with and without its 3D frame: flat leaves the inner ring to the glyph's
    // flat look and puts a one-pixel raised edge around it.
    Surface flat(16, 14, Paper), framed(16, 14, Paper), reference(16, 14, Paper);
    StandardPainter()->PaintMenuBarCaptionButton(flat.Dc(), 2, {0, 0, 16, 14}, false, false, false, true);
    StandardPainter()->PaintMenuBarCaptionButton(framed.Dc(), 2, {0, 0, 16, 14}, false, false, false, false);
    win::TRect r{0, 0, 16, 14};
    win::DrawFrameControl(reference.Dc(), &r, win::DFC_CAPTION, win::DFCS_CAPTIONCLOSE);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(framed.Pixel(x, y), reference.Pixel(x, y));
    EXPECT_EQ(flat.Pixel(0, 5), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(flat.Pixel(15, 5), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(flat.Pixel(5, 13), Sys(win::COLOR_BTNSHADOW));
    // Inside the edge nothing of the 3D frame: the second ring is the face.
    EXPECT_EQ(flat.Pixel(14, 5), Sys(win::COLOR_BTNFACE));
    EXPECT_NE(framed.Pixel(14, 5), Sys(win::COLOR_BTNFACE));
    // Hot and pressed: sunken.
    Surface pressed(16, 14, Paper);
    StandardPainter()->PaintMenuBarCaptionButton(pressed.Dc(), 2, {0, 0, 16, 14}, true, true, false, true);
    EXPECT_EQ(pressed.Pixel(0, 5), Sys(win::COLOR_BTNSHADOW));
}

TEST_F(PainterDrawTest, FloatingCaptionFont) {
    // A system small caption font of 8 pixels.
    win::LOGFONT small{};
    small.lfHeight = -8;
    std::strcpy(small.lfFaceName, "Tahoma");
    win::HFONT barFont = MakeFont(-12, "Verdana");
    win::LOGFONT own = TxbBarItemControlPainter::AdjustFloatingCaptionFont(small, false, barFont);
    EXPECT_EQ(own.lfHeight, -11);
    EXPECT_STREQ(own.lfFaceName, "Verdana");
    win::LOGFONT system = TxbBarItemControlPainter::AdjustFloatingCaptionFont(small, true, barFont);
    EXPECT_EQ(system.lfHeight, -8);
    EXPECT_STREQ(system.lfFaceName, "Tahoma");
    // Larger system fonts stay; the system's own comes from the non-client metrics.
    small.lfHeight = -14;
    EXPECT_EQ(TxbBarItemControlPainter::AdjustFloatingCaptionFont(small, false, barFont).lfHeight, -14);
    win::NONCLIENTMETRICS metrics;
    ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    EXPECT_STREQ(TxbBarItemControlPainter::GetFloatingCaptionFont(true, barFont).lfFaceName,
                 metrics.lfSmCaptionFont.lfFaceName);
    // Drawn, the text is 11 pixels high: the font's cell height.
    win::HFONT made = win::CreateFontIndirect(&own);
    Surface s(10, 10);
    win::HGDIOBJ old = win::SelectObject(s.Dc(), made);
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(s.Dc(), &tm);
    win::SelectObject(s.Dc(), old);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
    win::DeleteObject(made);
    win::DeleteObject(barFont);
}

} // namespace

namespace {

// The windows' requests reach the families with what the windows know: their docking, size and end mark.
TEST_F(PainterDrawTest, ToolbarWindowsRequestsReachTheFamilies) {
    Form->SetBounds(0, 0, 640, 480);
    TxbBarManager* manager = MakeManager();
    ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 26; });
    TxbBar* bar = manager->GetBars()->Add();
    bar->SetDockingStyle(dsTop);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    win::TRect client = window->GetClientRect();
    const int w = client.Right, h = client.Bottom;
    ASSERT_GT(w, 11);
    EXPECT_EQ(EnhancedPainter()->CalcMarkRect(window), (win::TRect{w - 11, 0, w, h}));
    EXPECT_EQ(StandardPainter()->CalcMarkRect(window), (win::TRect{w - 11, 0, w, 9}));
    // The docked frame through the window: Enhanced's single grip from the indent.
    Surface out(100, 26, Paper);
    EnhancedPainter()->DrawDockedFrame(window, out.Dc(), {0, 0, 100, 26});
    win::SelectClipRgn(out.Dc(), nullptr);
    EXPECT_EQ(out.Pixel(3, 3), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out.Pixel(3, 22), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out.Pixel(5, 10), Sys(win::COLOR_BTNSHADOW));
    // The mark with the window's state: truncated windows get chevrons.
    window->SetTruncated(true);
    Surface mark(100, 26, Paper);
    EnhancedPainter()->DrawMark(window, mark.Dc(), win::GetSysColorBrush(win::COLOR_BTNFACE), {89, 0, 100, 26});
    EXPECT_EQ(mark.Pixel(92, 19), Sys(win::COLOR_BTNTEXT));
    bool chevron = false;
    for (int y = 0; y < 12; ++y)
        for (int x = 90; x < 99; ++x)
            chevron = chevron || mark.Pixel(x, y) == Sys(win::COLOR_BTNTEXT);
    EXPECT_TRUE(chevron);
}

} // namespace
