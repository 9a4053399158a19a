// The painters' drawing: items (glyphs, captions, check marks, progress bars), bars (separators, end marks,
// grips, caption buttons) and menus (sizes, separators), pixels checked against values computed here.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarDraw.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Menus.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"

#include <cstdlib>
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

TEST_F(PainterDrawTest, CheckedAndOpenPartsKeepTheWindowBackgroundInBothFamilies) {
    // Both families keep the window background under a pressed, checked or hot item: a checked glyphless
    // button shows it inside its 1-pixel frame and sunken edge, an open drop-down part inside its sunken edge;
    // only a rarely used item takes the item brush (the checked one's is the secondary brush).
    const win::COLORREF background = Rgb(10, 120, 230);
    TxbPaintWindow w = Window;
    w.PaintBackground = [background](win::HDC dc, const win::TRect& rect, win::HBRUSH) {
        win::HBRUSH b = win::CreateSolidBrush(background);
        win::FillRect(dc, &rect, b);
        win::DeleteObject(b);
    };
    const win::TRect part{20, 0, 31, 22};
    for (const TxbBarItemControlPainter* painter : {StandardPainter(), EnhancedPainter()})
        for (bool rarelyUsed : {false, true}) {
            SCOPED_TRACE(std::string(painter->ClassName()) + (rarelyUsed ? " rarely used" : ""));
            const win::COLORREF inside = rarelyUsed ? Sys(win::COLOR_BTNHIGHLIGHT) : background;
            TxbItemPaintState s;
            s.Down = true;
            s.RarelyUsed = rarelyUsed;
            Surface button(23, 22, Paper);
            painter->PaintItemGlyph(w, button.Dc(), {0, 0, 23, 22}, s, TxbGlyphSource{});
            EXPECT_EQ(button.Pixel(0, 11), Sys(win::COLOR_BTNSHADOW));
            EXPECT_EQ(button.Pixel(22, 11), Sys(win::COLOR_BTNHIGHLIGHT));
            for (auto [x, y] : {std::pair{2, 2}, std::pair{11, 11}, std::pair{20, 19}})
                EXPECT_EQ(button.Pixel(x, y), inside) << x << "," << y;
            Surface open(40, 22, Paper);
            painter->PaintDropDownButtonPart(w, open.Dc(), s, part);
            EXPECT_EQ(open.Pixel(part.Left, 10), Sys(win::COLOR_BTNSHADOW));
            for (auto [x, y] : {std::pair{part.Left + 1, 1}, std::pair{part.Right - 2, 20}})
                EXPECT_EQ(open.Pixel(x, y), inside) << x << "," << y;
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
    // A toolbar separator area 6 wide: the etched line 2 pixels in (shadow, then highlight); the rest of the
    // area, beside the line and at its ends, in the background, and nothing outside it.
    const win::COLORREF face = Sys(win::COLOR_BTNFACE);
    const win::COLORREF profile[6] = {face, face, Sys(win::COLOR_BTNSHADOW), Sys(win::COLOR_BTNHIGHLIGHT), face, face};
    for (const TxbBarItemControlPainter* painter : {StandardPainter(), EnhancedPainter()}) {
        Surface out(20, 30, Paper);
        painter->PaintToolbarSeparator(Window, out.Dc(), false, Window.Brush, {4, 0, 10, 30});
        // Across (between rows): a horizontal line 2 pixels down.
        Surface across(30, 20, Paper);
        painter->PaintToolbarSeparator(Window, across.Dc(), true, Window.Brush, {0, 4, 30, 10});
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(out.Pixel(4 + i, 10), profile[i]);
            EXPECT_EQ(out.Pixel(4 + i, 1), face);
            EXPECT_EQ(out.Pixel(4 + i, 28), face);
            EXPECT_EQ(across.Pixel(10, 4 + i), profile[i]);
            EXPECT_EQ(across.Pixel(1, 4 + i), face);
            EXPECT_EQ(across.Pixel(28, 4 + i), face);
        }
        EXPECT_EQ(out.Pixel(3, 10), Paper);
        EXPECT_EQ(out.Pixel(10, 10), Paper);
        EXPECT_EQ(across.Pixel(10, 3), Paper);
        EXPECT_EQ(across.Pixel(10, 10), Paper);
    }
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
        // Filled: 5, 3 and 1 pixels, each row centred under the one above.
        for (int y = 19; y < 22; ++y)
            for (int x = 191; x < 198; ++x)
                EXPECT_EQ(out.Pixel(x, y) == text, std::abs(x - 194) <= 21 - y) << x << "," << y;
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
    // The menu bar's close button is drawn inactive while the form's system menu has Close disabled.
    win::HMENU system = win::GetSystemMenu(Form->GetHandle(), win::FALSE);
    ASSERT_NE(system, nullptr);
    for (bool disabled : {false, true}) {
        win::EnableMenuItem(system, win::UINT(win::SC_CLOSE), win::MF_BYCOMMAND | (disabled ? win::MF_GRAYED : 0));
        Surface out(16, 14, Paper), ref(16, 14, Paper);
        StandardPainter()->DrawMenuBarCaptionButton(window, 2, {0, 0, 16, 14}, out.Dc(), false, false);
        win::TRect r{0, 0, 16, 14};
        win::DrawFrameControl(ref.Dc(), &r, win::DFC_CAPTION, win::DFCS_CAPTIONCLOSE | (disabled ? win::DFCS_INACTIVE : 0));
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(out.Pixel(x, y), ref.Pixel(x, y)) << disabled << " " << x << "," << y;
    }
}

} // namespace

namespace {

// The pixels of a colour inside a rect of a surface, as their bounds.
win::TRect BoundsIn(Surface& s, const win::TRect& area, win::COLORREF colour) {
    win::TRect r{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (s.Pixel(x, y) == colour) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Right > r.Left ? r : win::TRect{};
}

// A down arrow of the size centred in rect: 2 x size - 1 across, size deep.
win::TRect DownArrowBounds(const win::TRect& rect, int size) {
    int across = 2 * size - 1;
    int x = rect.Left + (rect.Right - rect.Left - across) / 2, y = rect.Top + (rect.Bottom - rect.Top - size) / 2;
    return {x, y, x + across, y + size};
}

TEST_F(PainterDrawTest, FloatingCaptionTextCloseButtonAndMark) {
    win::HFONT barFont = MakeFont(-12, "Verdana");
    TxbPaintBar bar;
    bar.Window = Window;
    bar.Window.Font = barFont;
    bar.Caption = "Tools";
    bar.UseSystemFont = false;
    bar.Active = true;
    const win::TRect caption{4, 4, 124, 22};
    const win::COLORREF line = Rgb(9, 99, 9);
    win::HBRUSH frame = win::CreateSolidBrush(line);
    // The system's small caption font in the bar's face, at least 11 pixels high, from the left + 2, vertically
    // centred, clipped to the caption less the close button.
    win::NONCLIENTMETRICS metrics;
    ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    win::LOGFONT expected = metrics.lfSmCaptionFont;
    ASSERT_LE(expected.lfHeight, -11);
    expected.lfHeight = -11;
    std::strcpy(expected.lfFaceName, "Verdana");
    win::HFONT captionFont = win::CreateFontIndirect(&expected);
    const int close = StandardPainter()->GetSmallCaptionHeight();
    for (bool mark : {false, true}) {
        SCOPED_TRACE(mark);
        bar.ShowsMark = mark;
        bar.ShowsCloseButton = !mark;
        Surface out(130, 30, Paper);
        EnhancedPainter()->PaintFloatingCaption(bar, out.Dc(), frame, caption);
        EXPECT_EQ(out.Pixel(10, 22), line);
        EXPECT_EQ(out.Pixel(120, 22), line);
        // Text and background.
        Surface ref(130, 30, Sys(win::COLOR_ACTIVECAPTION));
        win::HGDIOBJ old = win::SelectObject(ref.Dc(), captionFont);
        win::SIZE extent{};
        win::GetTextExtentPoint32(ref.Dc(), "Tools", 5, &extent);
        win::SetBkMode(ref.Dc(), win::TRANSPARENT);
        win::SetTextColor(ref.Dc(), Sys(win::COLOR_CAPTIONTEXT));
        const int left = mark ? caption.Left + 13 + 3 : caption.Left + 2;
        win::TextOut(ref.Dc(), left, caption.Top + (18 - extent.cy) / 2, "Tools", 5);
        win::SelectObject(ref.Dc(), old);
        const win::TRect text{caption.Left + (mark ? 13 : 0), caption.Top, caption.Right - (mark ? 0 : close),
                              caption.Bottom};
        for (int y = text.Top; y < text.Bottom; ++y)
            for (int x = text.Left; x < text.Right; ++x)
                ASSERT_EQ(out.Pixel(x, y), ref.Pixel(x, y)) << x << "," << y;
        if (mark) {
            // The mark button (normal: the caption colour) with its 7 x 4 arrow in the caption text colour.
            const int x = (caption.Left + caption.Left + 13 - 7) / 2, y = (caption.Top + caption.Bottom - 4) / 2;
            EXPECT_EQ(BoundsIn(out, {caption.Left, caption.Top, caption.Left + 13, caption.Bottom},
                               Sys(win::COLOR_CAPTIONTEXT)),
                      (win::TRect{x, y, x + 7, y + 4}));
        } else {
            // The close button: framed in the caption colour, the system's close glyph inside.
            EXPECT_EQ(out.Pixel(caption.Right - close, caption.Top + 5), Sys(win::COLOR_ACTIVECAPTION));
            Surface glyph(close, 18, Paper);
            win::TRect g{1, 1, close - 1, 17};
            win::DrawFrameControl(glyph.Dc(), &g, win::DFC_CAPTION, win::DFCS_CAPTIONCLOSE);
            for (int y = 1; y < 17; ++y)
                for (int x = 1; x < close - 1; ++x)
                    ASSERT_EQ(out.Pixel(caption.Right - close + x, caption.Top + y), glyph.Pixel(x, y));
        }
    }
    win::DeleteObject(captionFont);
    win::DeleteObject(frame);
    win::DeleteObject(barFont);
}

TEST_F(PainterDrawTest, StatusBarSizeGripAndBorder) {
    const win::COLORREF back = Rgb(40, 140, 90);
    win::HBRUSH brush = win::CreateSolidBrush(back);
    const int gw = win::GetSystemMetrics(win::SM_CXHSCROLL), gh = win::GetSystemMetrics(win::SM_CYHSCROLL);
    // A column taller than the grip: the background above it, the grip's lines over the background below.
    const win::TRect column{10, 0, 10 + gw, gh + 12};
    Surface out(40, 60, Paper);
    StandardPainter()->PaintSizeGrip(Window, out.Dc(), brush, column);
    Surface ref(gw, gh, Sys(win::COLOR_BTNFACE));
    win::TRect grip{0, 0, gw, gh};
    win::DrawFrameControl(ref.Dc(), &grip, win::DFC_SCROLL, win::DFCS_SCROLLSIZEGRIP);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(out.Pixel(12, y), back);
    int lines = 0;
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) {
            win::COLORREF want = ref.Pixel(x, y) == Sys(win::COLOR_BTNFACE) ? back : ref.Pixel(x, y);
            lines += want != back;
            ASSERT_EQ(out.Pixel(10 + x, 12 + y), want) << x << "," << y;
        }
    EXPECT_GT(lines, 4);
    Surface border(40, 10, Paper);
    StandardPainter()->DrawItemBackground(Window, border.Dc(), false, brush, {0, 0, 40, 2});
    EXPECT_EQ(border.Bounds(back), (win::TRect{0, 0, 40, 2}));
    win::DeleteObject(brush);
}

TEST_F(PainterDrawTest, SplitButtonArrowPart) {
    // The 11-pixel arrow part on a toolbar: the arrow from its rect (d = 3: size 3), an edge while hot (raised)
    // or open (sunken, the arrow one pixel right and down: the part is wider than 9).
    const win::TRect part{20, 0, 31, 22};
    const win::TRect arrow = DownArrowBounds(part, 3);
    struct Case {
        bool Hot, Open;
        win::COLORREF Left, Right;
        int Move;
    } cases[] = {{false, false, Sys(win::COLOR_BTNFACE), Sys(win::COLOR_BTNFACE), 0},
                 {true, false, Sys(win::COLOR_BTNHIGHLIGHT), Sys(win::COLOR_BTNSHADOW), 0},
                 {true, true, Sys(win::COLOR_BTNSHADOW), Sys(win::COLOR_BTNHIGHLIGHT), 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Hot * 2 + c.Open);
        TxbItemPaintState s;
        s.Selected = c.Hot;
        s.Down = c.Open;
        Surface out(40, 22, Paper);
        EnhancedPainter()->PaintDropDownButtonPart(Window, out.Dc(), s, part);
        EXPECT_EQ(out.Pixel(part.Left, 10), c.Left);
        EXPECT_EQ(out.Pixel(part.Right - 1, 10), c.Right);
        win::TRect moved = arrow;
        win::OffsetRect(&moved, c.Move, c.Move);
        EXPECT_EQ(BoundsIn(out, part, Sys(win::COLOR_BTNTEXT)), moved);
    }
    // In a menu, not hot: an etched divider at the part's left edge and a right arrow of the window's size.
    TxbPaintWindow menu = Window;
    menu.IsMenu = true;
    menu.ArrowSize = 4;
    Surface out(40, 22, Paper);
    StandardPainter()->PaintDropDownButtonPart(menu, out.Dc(), TxbItemPaintState{}, part);
    EXPECT_EQ(out.Pixel(part.Left - 1, 10), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(out.Pixel(part.Left, 10), Sys(win::COLOR_BTNHIGHLIGHT));
    const int x = part.Left + (11 - 4) / 2, y = (22 - 7) / 2;
    EXPECT_EQ(BoundsIn(out, {part.Left + 1, 0, part.Right, 22}, Sys(win::COLOR_BTNTEXT)), (win::TRect{x, y, x + 4, y + 7}));
}

TEST_F(PainterDrawTest, SubItemSizesAndArrows) {
    Surface m(10, 10);
    win::HGDIOBJ old = win::SelectObject(m.Dc(), Font);
    win::SIZE file{};
    win::GetTextExtentPoint32(m.Dc(), "File", 4, &file);
    win::SelectObject(m.Dc(), old);
    TxbPaintWindow bar = Window;
    bar.TextRowHeight = 19;
    bar.MenuRowHeight = 20;
    bar.ArrowSize = 5; // the font height 11 div 2
    TxbPaintWindow menu = bar;
    menu.IsMenu = true;
    const TxbBarItemControlPainter* p = EnhancedPainter();
    struct Case {
        const TxbPaintWindow* W;
        bool Glyph, Caption, MainMenu;
        int Width, Height;
    } cases[] = {
        {&menu, true, true, false, file.cx + 2 * 20 + 3, 20},
        // A menu-bar entry: its caption and two arrow sizes, as high as a text row.
        {&bar, false, true, true, file.cx + 2 * 5, 19},
        // Off the main menu: half a text row more for the drop-down arrow.
        {&bar, false, true, false, file.cx + 2 * 5 + 9, 19},
        {&bar, true, true, false, file.cx + 23 + 4 + 9, 22},
        {&bar, true, false, false, 23 + 9, 22},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(p->CalcSubItemWidthFor(*c.W, "&File", c.Glyph, c.Caption, c.MainMenu), c.Width);
        EXPECT_EQ(p->CalcSubItemHeightFor(*c.W, c.Glyph, c.Caption), c.Height);
    }
    TxbPaintWindow rotated = bar;
    rotated.Rotated = true;
    rotated.ButtonWidth = 40;
    EXPECT_EQ(p->CalcSubItemHeightFor(rotated, true, false), 40);
    bar.ButtonHeight = 12;
    EXPECT_EQ(p->CalcSubItemHeightFor(bar, true, true), 19);

    // A sub item on a toolbar: its drop-down arrow (size 4) starts at right - 11 div 2 - 19 div 2; on the main
    // menu there is none. In a menu, a right arrow at right + 5 - the row height.
    const win::TRect item{0, 0, 60, 19};
    TxbItemPaintState s;
    s.CaptionOnly = true;
    for (bool mainMenu : {false, true}) {
        Surface out(70, 22, Paper);
        p->PaintSubItem(bar, out.Dc(), s, item, "", TxbGlyphSource{}, mainMenu, false);
        const int left = 60 - 5 - 9;
        win::TRect arrow = DownArrowBounds({left, 0, left + 7, 19}, 4);
        EXPECT_EQ(BoundsIn(out, item, Sys(win::COLOR_BTNTEXT)), (mainMenu ? win::TRect{} : arrow));
    }
    Surface out(70, 22, Paper);
    p->PaintSubItem(menu, out.Dc(), s, {0, 0, 60, 20}, "", TxbGlyphSource{}, false, false);
    const int left = 60 + 5 - 20, top = (20 - 9) / 2;
    EXPECT_EQ(BoundsIn(out, {0, 0, 60, 20}, Sys(win::COLOR_BTNTEXT)), (win::TRect{left, top, left + 5, top + 9}));
}

TEST_F(PainterDrawTest, MenuScrolledToItsMiddleKeepsBothArrows) {
    TxbPaintMenu menu;
    menu.Window = Window;
    menu.Window.IsMenu = true;
    menu.Window.MenuRowHeight = 21;
    menu.ClientWidth = 120;
    menu.ClientHeight = 2 + 5 * 21 + 2;
    TxbMenuContent content;
    content.FirstRect = {2, 2, 118, 23};
    content.LastRect = {2, 86, 118, 107};
    content.HiddenAbove = content.HiddenBelow = true;
    const win::COLORREF face = Rgb(200, 190, 180);
    win::HBRUSH brush = win::CreateSolidBrush(face);
    menu.Window.Brush = brush;
    Surface out(120, 109, Paper);
    StandardPainter()->PaintMenuContent(menu, out.Dc(), content);
    // r = 21: c = 6, b = 5, x = 60; up: y = (21 - 6) div 2 + 6 - 1 = 12, tip at 7; down: y = 109 - 7 - 6 = 96,
    // tip at 101.
    const win::COLORREF text = Sys(win::COLOR_BTNTEXT);
    EXPECT_EQ(BoundsIn(out, content.FirstRect, text), (win::TRect{55, 7, 66, 13}));
    EXPECT_EQ(BoundsIn(out, content.LastRect, text), (win::TRect{55, 96, 66, 102}));
    EXPECT_EQ(out.Pixel(10, 10), face);
    EXPECT_EQ(out.Pixel(10, 100), face);
    EXPECT_EQ(out.Pixel(60, 30), Paper); // the rows between are the items' own
    win::DeleteObject(brush);
}

TEST_F(PainterDrawTest, MenuExpandRowAndBorder) {
    TxbPaintMenu menu;
    menu.Window = Window;
    menu.Window.MenuRowHeight = 20;
    menu.ClientWidth = 100;
    menu.ClientHeight = 66;
    menu.ShowsExpandButton = true;
    menu.ExpandHot = true;
    menu.ExpandRowHeight = 14;
    const win::COLORREF light = Rgb(220, 221, 222);
    menu.LightBrush = win::CreateSolidBrush(light);
    TxbMenuContent content;
    content.LastRect = {2, 2, 98, 22};
    Surface out(100, 66, Paper);
    StandardPainter()->PaintMenuContent(menu, out.Dc(), content);
    // Standard keeps 2 pixels round the expand row: (2, 50, 98, 64), a raised edge round the light face.
    EXPECT_EQ(out.Pixel(2, 55), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out.Pixel(97, 55), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(out.Pixel(5, 55), light);
    EXPECT_EQ(out.Pixel(50, 30), Sys(win::COLOR_BTNFACE)); // below the last row
    EXPECT_FALSE(BoundsIn(out, {3, 51, 97, 63}, Sys(win::COLOR_BTNTEXT)).Right == 0);
    win::DeleteObject(menu.LightBrush);

    // The border: the left column and the top row in the face, a raised outer edge right and bottom; a
    // detachable menu's detach bar in the inactive caption colour.
    menu.QqTextHeight = 13;
    for (bool detachable : {false, true}) {
        menu.Detachable = detachable;
        Surface b(60, 50, Paper);
        StandardPainter()->PaintMenuBorder(menu, b.Dc(), {0, 0, 60, 50}, {});
        EXPECT_EQ(b.Pixel(0, 20), Sys(win::COLOR_BTNFACE));
        EXPECT_EQ(b.Pixel(20, 0), Sys(win::COLOR_BTNFACE));
        EXPECT_EQ(b.Pixel(59, 20), Sys(win::COLOR_3DDKSHADOW));
        EXPECT_EQ(b.Pixel(20, 49), Sys(win::COLOR_3DDKSHADOW));
        // Detach bar: shrink 2, 10 - 1 pixels high, framed in the face, the bar inside.
        EXPECT_EQ(b.Pixel(1, 20), detachable ? Sys(win::COLOR_BTNHIGHLIGHT) : Paper);
        EXPECT_EQ(b.Pixel(20, 5), detachable ? Sys(win::COLOR_INACTIVECAPTION) : Paper);
        EXPECT_EQ(b.Pixel(20, 2), detachable ? Sys(win::COLOR_BTNFACE) : Paper);
    }
}

TEST_F(PainterDrawTest, RarelyUsedBand) {
    TxbPaintMenu menu;
    menu.Window = Window;
    menu.ClientHeight = 80;
    const win::COLORREF band = Rgb(150, 150, 160);
    menu.Window.Brush = win::CreateSolidBrush(band);
    TxbRarelyUsedRow row;
    row.Rect = {20, 30, 90, 50};
    row.Indent = 6;
    row.StartsRun = true;
    row.RarelyUsed = true;
    row.Last = true;
    Surface out(100, 80, Paper);
    StandardPainter()->PaintRarelyUsedItemFrame(menu, out.Dc(), row);
    EXPECT_EQ(out.Pixel(14, 29), Sys(win::COLOR_BTNSHADOW)); // the run's line above, from left - indent
    EXPECT_EQ(out.Pixel(90, 29), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(out.Pixel(14, 40), band);
    EXPECT_EQ(out.Pixel(91, 40), band);
    EXPECT_EQ(out.Pixel(50, 60), band); // down to the client bottom
    EXPECT_EQ(out.Pixel(18, 79), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out.Pixel(50, 40), Paper);
    // A frequently used row starting a run after a separator: the highlight line above the separator.
    row.RarelyUsed = false;
    row.SeparatorRect = {20, 20, 90, 30};
    Surface freq(100, 80, Paper);
    StandardPainter()->PaintRarelyUsedItemFrame(menu, freq.Dc(), row);
    EXPECT_EQ(freq.Bounds(Sys(win::COLOR_BTNHIGHLIGHT)), (win::TRect{14, 19, 91, 20}));
    EXPECT_EQ(freq.Pixel(50, 60), Paper);
    win::DeleteObject(menu.Window.Brush);
}

TEST_F(PainterDrawTest, ComboButtonEditFrameAndSmallButtons) {
    // The combo button 13 wide at the right: its arrow 13 div 2 = 6 made odd, 7 wide and 4 deep, centred.
    const win::TRect item{0, 0, 60, 20};
    const win::COLORREF ink = Rgb(10, 20, 30);
    struct Case {
        bool Hot, Dropped;
        win::COLORREF Left;
        int Move;
    } cases[] = {{false, false, Sys(win::COLOR_BTNHIGHLIGHT), 0},
                 {true, false, Sys(win::COLOR_BTNHIGHLIGHT), 0},
                 {true, true, Sys(win::COLOR_BTNSHADOW), 1}};
    for (const Case& c : cases) {
        TxbItemPaintState s;
        s.Selected = c.Hot;
        Surface out(60, 20, Paper);
        win::TRect button = StandardPainter()->PaintComboButton(Window, out.Dc(), s, c.Dropped, 13, vcl::TColor(ink),
                                                                Window.Brush, item);
        EXPECT_EQ(button, (win::TRect{47, 0, 60, 20}));
        EXPECT_EQ(out.Pixel(47, 10), c.Left);
        const int x = 47 + 3 + c.Move, y = (20 - 4) / 2 + c.Move;
        EXPECT_EQ(out.Bounds(ink), (win::TRect{x, y, x + 7, y + 4}));
    }
    // An active edit: a sunken ring, then the window brush; the rect shrinks by 2.
    TxbItemPaintState s;
    win::TRect r{0, 0, 40, 20};
    Surface edit(40, 20, Paper);
    StandardPainter()->PaintEditFrame(Window, edit.Dc(), s, true, r);
    EXPECT_EQ(r, (win::TRect{2, 2, 38, 18}));
    EXPECT_EQ(edit.Pixel(0, 10), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(edit.Pixel(39, 10), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(edit.Pixel(1, 10), Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(edit.Pixel(5, 10), Paper);
    // A text button: the raised border line by line.
    Surface text(30, 20, Paper);
    StandardPainter()->DrawTextButton(text.Dc(), false, "", {0, 0, 30, 20});
    EXPECT_EQ(text.Pixel(29, 10), Sys(win::COLOR_BTNTEXT));
    EXPECT_EQ(text.Pixel(10, 19), Sys(win::COLOR_BTNTEXT));
    EXPECT_EQ(text.Pixel(1, 10), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(text.Pixel(28, 10), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(text.Pixel(28, 1), Sys(win::COLOR_BTNFACE));
    // A disabled spin arrow: shadow over a highlight copy one pixel right and down.
    TxbItemPaintState off;
    off.Enabled = false;
    Surface spin(20, 20, Paper);
    StandardPainter()->DrawSpinArrow(Window, spin.Dc(), off, false, {0, 0, 20, 20}, 10, 7, 6);
    // The lower half (10 .. 20): the 7 x 4 triangle at (6, 10 + (10 - 4) div 2).
    EXPECT_EQ(spin.Bounds(Sys(win::COLOR_BTNSHADOW)).Left, 6);
    EXPECT_EQ(spin.Pixel(6, 13), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(spin.Pixel(13, 14), Sys(win::COLOR_BTNHIGHLIGHT));
    // A caption item: the bottom row in the window brush, the rest in the static (button shadow) brush.
    Surface cap(50, 20, Paper);
    StandardPainter()->DrawCaptionItem(Window, cap.Dc(), TxbItemPaintState{}, {0, 0, 50, 20}, "", true);
    EXPECT_EQ(cap.Pixel(20, 19), Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(cap.Pixel(20, 5), Sys(win::COLOR_BTNSHADOW));
}

TEST_F(PainterDrawTest, BorderEdgesMenuClientRectsAndDropDownCorners) {
    // Border styles: the left column's colour and how far the rect shrinks.
    struct Edge {
        int Style, Width;
        win::COLORREF Left;
        int Shrink;
    } edges[] = {{0, 1, Paper, 0},
                 {1, 1, Sys(win::COLOR_BTNSHADOW), 1},
                 {2, 1, Sys(win::COLOR_BTNHIGHLIGHT), 1},
                 {3, 2, Sys(win::COLOR_BTNSHADOW), 2},
                 {4, 1, Sys(win::COLOR_BTNHIGHLIGHT), 2}};
    for (const Edge& e : edges) {
        Surface out(20, 20, Paper);
        win::TRect r{0, 0, 20, 20};
        StandardPainter()->DrawBorderEdge(out.Dc(), e.Style, e.Width, r);
        EXPECT_EQ(out.Pixel(0, 10), e.Left) << e.Style;
        EXPECT_EQ(r, (win::TRect{e.Shrink, e.Shrink, 20 - e.Shrink, 20 - e.Shrink})) << e.Style;
    }
    EXPECT_EQ(StandardPainter()->GetMenuBackgroundBrush(), win::GetSysColorBrush(win::COLOR_BTNFACE));
    win::TRect quick{10, 4, 90, 24};
    StandardPainter()->CalcQuickItemRect(quick);
    EXPECT_EQ(quick, (win::TRect{10, 4, 30, 24}));

    // The links' rect: side bar + 2 to width - 2, 2 from the top and bottom (0 when detachable); for layout the
    // limit is the client height - 2, less a row with the expand button.
    TxbPaintMenu menu;
    menu.Window.MenuRowHeight = 20;
    menu.SideBarWidth = 10;
    menu.ClientWidth = 100;
    menu.ClientHeight = 80;
    menu.ShowsExpandButton = true;
    auto paint = StandardPainter()->CalcMenuClientRect(menu, false);
    EXPECT_EQ(paint.Rect, (win::TRect{12, 2, 98, 78}));
    EXPECT_EQ(paint.Limit, -1);
    EXPECT_EQ(StandardPainter()->CalcMenuClientRect(menu, true).Limit, 58);
    menu.Detachable = true;
    EXPECT_EQ(StandardPainter()->CalcMenuClientRect(menu, false).Rect.Top, 0);

    // A drop-down below and right of its control has its grip at the bottom right, the strip taken there; one
    // opened above the control at the top.
    const int strip = StandardPainter()->GetGripStripHeight();
    win::TRect nc{0, 0, 100, 120};
    EXPECT_EQ(StandardPainter()->CalcDropDownNCRect(nc, true, {0, 0, 100, 20}, {0, 20, 100, 140}), 3);
    EXPECT_EQ(nc, (win::TRect{1, 1, 99, 119 - strip}));
    nc = {0, 0, 100, 120};
    EXPECT_EQ(StandardPainter()->CalcDropDownNCRect(nc, true, {0, 200, 100, 220}, {0, 80, 100, 200}), 1);
    EXPECT_EQ(nc, (win::TRect{1, 1 + strip, 99, 119}));
    nc = {0, 0, 100, 120};
    EXPECT_EQ(StandardPainter()->CalcDropDownNCRect(nc, false, {}, {}), 0);
    EXPECT_EQ(nc, (win::TRect{1, 1, 99, 119}));
}

} // namespace
