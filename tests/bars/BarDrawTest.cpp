// The shared drawing routines of the bars: glyph looks, arrows, gradients, tiles, clip regions, alpha blending
// and the themed parts, checked pixel by pixel against colours computed here.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarDraw.h"
#include "lookandfeel/xbThemeManager.h"
#include "platform/win/user/WindowStyles.h"

using namespace bars;
using namespace barstest;

namespace {

class BarDrawTest : public BarsFixture {};

constexpr win::COLORREF Glyph = Rgb(40, 120, 200);
constexpr win::COLORREF Key = Rgb(255, 0, 255);
constexpr win::COLORREF Back = Rgb(10, 20, 30);

// A 4 x 4 glyph of one colour whose bottom-left and top-right pixels are the transparent colour.
struct GlyphFixture {
    GlyphFixture() {
        Bitmap.SetPixelFormat(vcl::pf24bit);
        Bitmap.SetSize(4, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                Bitmap.GetCanvas()->SetPixel(x, y, Glyph);
        Bitmap.GetCanvas()->SetPixel(0, 3, Key);
        Bitmap.GetCanvas()->SetPixel(3, 0, Key);
    }
    ~GlyphFixture() { win::DeleteObject(Brush); }
    // Draws into a 20 x 20 surface, the glyph at (8, 8).
    void Draw(Surface& s, TxbGlyphDrawParams p) {
        p.BackgroundBrush = Brush;
        p.Area = {0, 0, 20, 20};
        p.GlyphRect = {8, 8, 12, 12};
        p.Bitmap = &Bitmap;
        DrawItemGlyph(s.Dc(), p);
    }
    vcl::TBitmap Bitmap;
    win::HBRUSH Brush = win::CreateSolidBrush(Back);
};

win::COLORREF Lighten(win::COLORREF c) {
    auto l = [](int v) { return v + RoundedMulDiv(255 - v, 3, 10); };
    return Rgb(l(RedOf(c)), l(GreenOf(c)), l(BlueOf(c)));
}

TEST_F(BarDrawTest, ColouredGlyphLooks) {
    win::COLORREF fadeTo = Rgb(100, 150, 250);
    // The fade: intensity from blue, green and red weighted 77, 151, 28; lightened; mixed 3 : 1 with the colour.
    int l = (77 * BlueOf(Glyph) + 151 * GreenOf(Glyph) + 28 * RedOf(Glyph)) >> 8;
    int u = (192 * (l - 255) + 65280) >> 8;
    auto mix = [u](int t) { return (192 * t + 64 * u) >> 8; };
    win::COLORREF faded = Rgb(mix(RedOf(fadeTo)), mix(GreenOf(fadeTo)), mix(BlueOf(fadeTo)));
    int avg = (RedOf(Glyph) + GreenOf(Glyph) + BlueOf(Glyph)) / 3;
    struct Case {
        const char* Name;
        bool Enabled, Flat, Selected, Down, Gray;
        vcl::TColor Fade;
        win::COLORREF Expected;
    } cases[] = {
        {"plain", true, false, false, false, false, vcl::clNone, Glyph},
        {"flat lightened", true, true, false, false, false, vcl::clNone, Lighten(Glyph)},
        {"flat hot not lightened", true, true, true, false, false, vcl::clNone, Glyph},
        {"flat down not lightened", true, true, false, true, false, vcl::clNone, Glyph},
        {"faded", false, false, false, false, false, vcl::TColor(fadeTo), faded},
        {"faded and flat", false, true, false, false, false, vcl::TColor(fadeTo), faded},
        {"grey", true, false, false, false, true, vcl::clNone, Rgb(avg, avg, avg)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Surface s(20, 20);
        GlyphFixture g;
        TxbGlyphDrawParams p;
        p.Enabled = c.Enabled;
        p.Flat = c.Flat;
        p.Selected = c.Selected;
        p.Down = c.Down;
        p.Gray = c.Gray;
        p.FadeColor = c.Fade;
        g.Draw(s, p);
        EXPECT_EQ(s.Pixel(9, 9), c.Expected);
        EXPECT_EQ(s.Pixel(11, 11), c.Expected);
        // The bottom-left pixel's colour is transparent wherever it occurs.
        EXPECT_EQ(s.Pixel(8, 11), Back);
        EXPECT_EQ(s.Pixel(11, 8), Back);
        EXPECT_EQ(s.Pixel(2, 2), Back);
    }
}

TEST_F(BarDrawTest, FlatHotGlyphCastsShadowTwoPixelsDownRight) {
    Surface s(20, 20);
    GlyphFixture g;
    TxbGlyphDrawParams p;
    p.Flat = p.Shadow = p.Selected = true;
    g.Draw(s, p);
    // The glyph moves up and left by one: (7, 7) to (11, 11); the shadow lies at (10, 10) to (14, 14).
    EXPECT_EQ(s.Pixel(7, 7), Glyph);
    EXPECT_EQ(s.Pixel(10, 10), Glyph);
    EXPECT_EQ(s.Pixel(12, 12), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(s.Pixel(13, 12), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(s.Pixel(13, 10), Back); // the glyph's transparent corner casts none
    EXPECT_EQ(s.Pixel(14, 14), Back);
    // Pressed: no shadow, no move.
    Surface t(20, 20);
    p.Pressed = true;
    g.Draw(t, p);
    EXPECT_EQ(t.Pixel(12, 12), Back);
    EXPECT_EQ(t.Pixel(11, 11), Glyph);
}

TEST_F(BarDrawTest, DisabledGlyphIsEngravedExceptInFlatLooks) {
    for (bool flat : {false, true}) {
        SCOPED_TRACE(flat);
        Surface s(20, 20);
        GlyphFixture g;
        TxbGlyphDrawParams p;
        p.Enabled = false;
        p.Flat = flat;
        g.Draw(s, p);
        EXPECT_EQ(s.Pixel(9, 9), Sys(win::COLOR_BTNSHADOW));
        EXPECT_EQ(s.Pixel(8, 11), Back);
        // The highlight copy one pixel right and down shows beyond the shadow.
        EXPECT_EQ(s.Pixel(12, 12), flat ? Back : Sys(win::COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(s.Pixel(12, 10), flat ? Back : Sys(win::COLOR_BTNHIGHLIGHT));
    }
}

TEST_F(BarDrawTest, BlackButtonFaceInvertsTheGlyph) {
    win::INT element = win::COLOR_BTNFACE;
    win::COLORREF black = 0;
    win::SetSysColors(1, &element, &black);
    Surface s(20, 20);
    GlyphFixture g;
    g.Draw(s, TxbGlyphDrawParams{});
    EXPECT_EQ(s.Pixel(9, 9), ~Glyph & 0xFFFFFF);
    EXPECT_EQ(s.Pixel(8, 11), Back);
    // Grey glyphs keep the ordinary copy.
    Surface t(20, 20);
    TxbGlyphDrawParams p;
    p.Gray = true;
    g.Draw(t, p);
    int avg = (RedOf(Glyph) + GreenOf(Glyph) + BlueOf(Glyph)) / 3;
    EXPECT_EQ(t.Pixel(9, 9), Rgb(avg, avg, avg));
}

TEST_F(BarDrawTest, GlyphFromImageListIsStretchedToTheGlyphRect) {
    vcl::TImageList images(nullptr, 4, 4);
    GlyphFixture g;
    images.AddMasked(&g.Bitmap, vcl::TColor(Key));
    Surface s(20, 20);
    TxbGlyphDrawParams p;
    p.BackgroundBrush = g.Brush;
    p.Area = {0, 0, 20, 20};
    p.GlyphRect = {4, 4, 12, 12};
    p.Images = &images;
    p.ImageIndex = 0;
    p.ImageListBkColor = Key;
    DrawItemGlyph(s.Dc(), p);
    EXPECT_EQ(s.Bounds(Glyph), (win::TRect{4, 4, 12, 12}));
    EXPECT_EQ(s.Pixel(5, 10), Back);
}

TEST_F(BarDrawTest, ArrowSizeFromItsRect) {
    struct Case {
        int W, H;
        bool Down;
        int Size;
    } cases[] = {{10, 20, true, 3}, {16, 20, true, 3}, {17, 20, true, 5}, {20, 20, true, 5},
                 {20, 9, false, 3}, {20, 15, false, 5}, {20, 16, false, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(CalcArrowSizeInRect({0, 0, c.W, c.H}, c.Down), c.Size) << c.W << "x" << c.H;
    // Size 3 down: 5 wide and 3 high, centred.
    Surface s(10, 12);
    DrawArrowInRect(s.Dc(), {0, 0, 10, 12}, true, false, false, true);
    EXPECT_EQ(s.Bounds(Sys(win::COLOR_BTNTEXT)), (win::TRect{2, 4, 7, 7}));
    EXPECT_EQ(s.Pixel(3, 6), Rgb(1, 2, 3));
    // Right: 3 wide and 5 high.
    Surface r(12, 12);
    DrawArrow(r.Dc(), {0, 0, 12, 12}, false, false, true, false, 3);
    EXPECT_EQ(r.Bounds(Sys(win::COLOR_BTNTEXT)), (win::TRect{4, 3, 7, 8}));
}

TEST_F(BarDrawTest, ArrowColours) {
    struct Case {
        bool Enabled, Selected, Flat;
        win::COLORREF Body;
        bool Highlight;
    } cases[] = {{true, false, false, Sys(win::COLOR_BTNTEXT), false},
                 {true, true, false, Sys(win::COLOR_HIGHLIGHTTEXT), false},
                 {false, false, false, Sys(win::COLOR_BTNSHADOW), true},
                 {false, false, true, Sys(win::COLOR_BTNSHADOW), false}};
    for (const Case& c : cases) {
        Surface s(20, 20);
        DrawArrow(s.Dc(), {0, 0, 20, 20}, true, c.Flat, c.Enabled, c.Selected, 4);
        // Down, size 4: 7 wide from (6, 8), 4 high; its tip at (9, 11).
        EXPECT_EQ(s.Pixel(9, 11), c.Body);
        EXPECT_EQ(s.Pixel(6, 8), c.Body);
        // Just outside the lower-right side.
        EXPECT_EQ(s.Pixel(13, 8) == Sys(win::COLOR_BTNHIGHLIGHT), c.Highlight);
        EXPECT_EQ(s.Pixel(9, 12) == Sys(win::COLOR_BTNHIGHLIGHT), c.Highlight);
        EXPECT_EQ(s.Pixel(5, 8), Rgb(1, 2, 3));
    }
}

TEST_F(BarDrawTest, GradientBands) {
    win::COLORREF start = Rgb(0, 200, 10), end = Rgb(255, 100, 74);
    for (int h : {10, 300}) {
        Surface s(3, h);
        FillVerticalGradient(s.Dc(), {0, 0, 3, h}, start, end);
        for (int y = 0; y < h; ++y) {
            int band = 0;
            for (int i = 0; i < 256; ++i)
                if (RoundedMulDiv(i, h, 256) <= y && y < RoundedMulDiv(i + 1, h, 256))
                    band = i;
            auto at = [band](int a, int b) { return a + RoundedMulDiv(band, b - a, 255); };
            win::COLORREF expected = Rgb(at(RedOf(start), RedOf(end)), at(GreenOf(start), GreenOf(end)),
                                         at(BlueOf(start), BlueOf(end)));
            ASSERT_EQ(s.Pixel(1, y), expected) << "height " << h << " row " << y;
        }
    }
}

TEST_F(BarDrawTest, TiledHalvesEqualTheWhole) {
    vcl::TBitmap tile;
    tile.SetPixelFormat(vcl::pf24bit);
    tile.SetSize(7, 5);
    auto colour = [](int x, int y) { return Rgb(x * 30, y * 40, 99); };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            tile.GetCanvas()->SetPixel(x, y, colour(x, y));
    Surface whole(40, 20), halves(40, 20);
    FillRectOrTileBitmap(whole.Dc(), {0, 0, 40, 20}, {3, 2, 43, 22}, &tile, 0, nullptr);
    TileBitmap(halves.Dc(), {0, 0, 17, 20}, {3, 2, 20, 22}, &tile);
    TileBitmap(halves.Dc(), {17, 0, 40, 20}, {20, 2, 43, 22}, &tile);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(whole.Pixel(x, y), colour((x + 3) % 7, (y + 2) % 5)) << x << "," << y;
            ASSERT_EQ(halves.Pixel(x, y), whole.Pixel(x, y)) << x << "," << y;
        }
    // Without a bitmap: the brush, else the colour.
    Surface plain(4, 4);
    FillRectOrTileBitmap(plain.Dc(), {0, 0, 2, 4}, {0, 0, 2, 4}, nullptr, vcl::TColor(Rgb(9, 9, 9)), nullptr);
    win::HBRUSH brush = win::CreateSolidBrush(Rgb(7, 7, 7));
    vcl::TBitmap empty;
    FillRectOrTileBitmap(plain.Dc(), {2, 0, 4, 4}, {0, 0, 2, 4}, &empty, vcl::TColor(Rgb(9, 9, 9)), brush);
    win::DeleteObject(brush);
    EXPECT_EQ(plain.Pixel(1, 1), Rgb(9, 9, 9));
    EXPECT_EQ(plain.Pixel(3, 1), Rgb(7, 7, 7));
}

TEST_F(BarDrawTest, RoutinesLeaveTheClipRegionAsTheyFoundIt) {
    vcl::TBitmap tile;
    tile.SetSize(3, 3);
    GlyphFixture g;
    std::pair<const char*, std::function<void(win::HDC)>> routines[] = {
        {"glyph", [&](win::HDC dc) {
             TxbGlyphDrawParams p;
             p.Area = {0, 0, 20, 20};
             p.GlyphRect = {2, 2, 6, 6};
             p.Bitmap = &g.Bitmap;
             DrawItemGlyph(dc, p);
         }},
        {"tile", [&](win::HDC dc) { TileBitmap(dc, {5, 5, 30, 30}, {0, 0, 25, 25}, &tile); }},
        {"gradient", [](win::HDC dc) { FillVerticalGradient(dc, {0, 0, 40, 40}, 0, 0xFFFFFF); }},
        {"size grip", [](win::HDC dc) { DrawTransparentSizeGrip(dc, {0, 0, 16, 16}); }},
        {"themed size grip", [](win::HDC dc) { DrawThemedSizeGrip(dc, {0, 0, 30, 30}, 3); }},
        {"close button", [](win::HDC dc) { DrawDropDownCloseButton(dc, {0, 0, 40, 20}, true, 3, false, true); }},
        {"arrow", [](win::HDC dc) { DrawArrowInRect(dc, {0, 0, 20, 20}, true, false, false, false); }},
    };
    for (auto& [name, routine] : routines) {
        SCOPED_TRACE(name);
        for (bool clipped : {false, true}) {
            Surface s(40, 40);
            win::HRGN clip = win::CreateRectRgn(3, 4, 25, 26);
            if (clipped)
                win::SelectClipRgn(s.Dc(), clip);
            routine(s.Dc());
            win::HRGN after = win::CreateRectRgn(0, 0, 0, 0);
            int has = win::GetClipRgn(s.Dc(), after);
            EXPECT_EQ(has, clipped ? 1 : 0);
            if (clipped) {
                EXPECT_TRUE(win::EqualRgn(after, clip));
            }
            win::SelectClipRgn(s.Dc(), nullptr);
            win::DeleteObject(after);
            win::DeleteObject(clip);
        }
    }
}

TEST_F(BarDrawTest, ClipRegionHelpers) {
    Surface s(20, 20);
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(s.Dc(), saved, had);
    EXPECT_FALSE(had);
    win::IntersectClipRect(s.Dc(), 0, 0, 5, 5);
    IncludeClipRect(s.Dc(), {10, 10, 12, 12});
    s.Fill(Rgb(50, 50, 50));
    RestoreDCClipRegion(s.Dc(), saved, had);
    EXPECT_EQ(s.Pixel(4, 4), Rgb(50, 50, 50));
    EXPECT_EQ(s.Pixel(11, 11), Rgb(50, 50, 50));
    EXPECT_EQ(s.Pixel(8, 8), Rgb(1, 2, 3));
    win::HRGN region = win::CreateRectRgn(0, 0, 10, 10);
    ExcludeRectFromRegion(region, {0, 0, 10, 5});
    win::TRect box;
    win::GetRgnBox(region, &box);
    EXPECT_EQ(box, (win::TRect{0, 5, 10, 10}));
    win::DeleteObject(region);
}

TEST_F(BarDrawTest, AlphaBlendMakesAndUnmakesLayeredWindows) {
    win::HWND window = Form->GetHandle();
    auto exStyle = [window] { return win::DWORD(win::GetWindowLong(window, win::GWL_EXSTYLE)); };
    win::DWORD before = exStyle();
    SetWindowAlphaBlend(window, 255);
    EXPECT_EQ(exStyle(), before);
    SetWindowAlphaBlend(window, 128);
    EXPECT_TRUE(exStyle() & win::WS_EX_LAYERED);
    SetWindowAlphaBlend(window, 255);
    EXPECT_EQ(exStyle(), before);
}

TEST_F(BarDrawTest, ThemedSizeGripInEachCorner) {
    auto engine = MakeEngine(true);
    engine->SetPartSize("ScrollBar", SBP_SIZEBOX, 1, win::TS_TRUE, {9, 9});
    engine->SetFillColor("ScrollBar", Rgb(200, 0, 0));
    RestartWith(engine);
    win::TRect boxes[] = {{0, 0, 9, 9}, {30, 0, 39, 9}, {0, 31, 9, 40}, {30, 31, 39, 40}};
    win::POINT inner[] = {{10, 10}, {28, 10}, {10, 29}, {28, 29}};
    for (int corner = 0; corner < 4; ++corner) {
        SCOPED_TRACE(corner);
        Surface s(40, 40);
        engine->ClearCalls();
        EXPECT_EQ(GetThemedSizeGripSize(s.Dc()), (win::TSize{11, 11}));
        DrawThemedSizeGrip(s.Dc(), {0, 0, 40, 40}, corner);
        EXPECT_EQ(s.Bounds(Rgb(200, 0, 0)), boxes[corner]);
        EXPECT_EQ(s.Pixel(inner[corner].X, inner[corner].Y), Sys(win::COLOR_BTNFACE));
        auto draws = engine->CallsOf("DrawThemeBackground");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].Part, SBP_SIZEBOX);
        EXPECT_EQ(draws[0].Rect, (win::TRect{0, 0, 9, 9}));
    }
}

TEST_F(BarDrawTest, ThemedColoursAndCloseButton) {
    auto engine = MakeEngine(true);
    engine->SetColor("Edit", EP_EDITTEXT, ETS_DISABLED, win::TMT_FILLCOLOR, Rgb(1, 1, 1));
    engine->SetColor("Edit", EP_EDITTEXT, ETS_NORMAL, win::TMT_TEXTCOLOR, Rgb(2, 2, 2));
    engine->SetColor("ToolBar", 0, 0, win::TMT_FILLCOLOR, Rgb(3, 3, 3));
    engine->SetPartSize("Window", WP_SMALLCLOSEBUTTON, 1, win::TS_TRUE, {13, 13});
    RestartWith(engine);
    win::HTHEME edit = lookandfeel::OpenElementTheme(lookandfeel::teEdit);
    EXPECT_EQ(GetEditThemeState(false, true), ETS_DISABLED);
    EXPECT_EQ(GetEditThemeState(true, true), ETS_READONLY);
    EXPECT_EQ(GetEditThemeState(true, false), ETS_NORMAL);
    EXPECT_EQ(GetThemedEditBkColor(edit, ETS_DISABLED), Rgb(1, 1, 1));
    EXPECT_EQ(GetThemedEditBkColor(edit, ETS_NORMAL), Sys(win::COLOR_WINDOW));
    EXPECT_EQ(GetThemedEditTextColor(edit, ETS_NORMAL), Rgb(2, 2, 2));
    EXPECT_EQ(GetThemedEditTextColor(edit, ETS_DISABLED), Sys(win::COLOR_GRAYTEXT));
    EXPECT_EQ(GetThemedEditTextColor(edit, ETS_READONLY), Sys(win::COLOR_WINDOWTEXT));
    EXPECT_EQ(GetThemedToolbarFillColor(), Rgb(3, 3, 3));
    // The close button: centred vertically, at the left for corners 1 and 3; states pressed 3, hot 2, normal 1.
    struct Case {
        int Corner;
        bool Hot, Pressed;
        win::TRect Rect;
        int State;
    } cases[] = {{0, false, false, {27, 8, 40, 21}, 1}, {1, true, false, {0, 8, 13, 21}, 2},
                 {3, true, true, {0, 8, 13, 21}, 3}};
    for (const Case& c : cases) {
        Surface s(40, 30);
        engine->ClearCalls();
        win::TRect r{0, 0, 40, 30};
        DrawThemedCloseButton(s.Dc(), r, c.Hot, c.Corner, c.Pressed);
        EXPECT_EQ(r, c.Rect);
        auto draws = engine->CallsOf("DrawThemeBackground");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].Part, WP_SMALLCLOSEBUTTON);
        EXPECT_EQ(draws[0].State, c.State);
        EXPECT_EQ(s.Pixel(c.Rect.Left, c.Rect.Top), Sys(win::COLOR_BTNFACE));
    }
}

TEST_F(BarDrawTest, ThemedColoursFallBackWithoutThemes) {
    EXPECT_EQ(GetThemedToolbarFillColor(), Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(GetThemedEditTextColor(nullptr, ETS_DISABLED), Sys(win::COLOR_GRAYTEXT));
    EXPECT_EQ(GetThemedEditBkColor(nullptr, ETS_DISABLED), Sys(win::COLOR_WINDOW));
}

} // namespace
