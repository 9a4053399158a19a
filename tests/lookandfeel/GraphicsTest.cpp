#include "LookAndFeelTestSupport.h"

#include "lookandfeel/lkGraphics.h"
#include "lookandfeel/xbOffice11.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/DrawText.h"

#include <set>

using namespace lookandfeel;
using lftest::Rgb;

namespace {

constexpr TColor Paper = Rgb(1, 2, 3);
TColor ToRgb(TColor c) { return vcl::ColorToRGB(c); }

struct Sheet {
    Sheet(int w, int h) : Width(w), Height(h) {
        Bitmap.SetPixelFormat(vcl::pf32bit);
        Bitmap.SetSize(w, h);
        Bitmap.GetCanvas()->GetBrush()->SetColor(Paper);
        Bitmap.GetCanvas()->FillRect({0, 0, w, h});
    }
    TColor Pixel(int x, int y) { return TColor(win::GetPixel(Bitmap.GetCanvas()->GetHandle(), x, y)); }
    // The rectangle around every pixel of the colour, or that the test accepts (empty when none).
    win::TRect Bounds(TColor color) {
        return Bounds([color](TColor c) { return c == color; });
    }
    win::TRect Bounds(const std::function<bool(TColor)>& accept) {
        win::TRect r{Width, Height, 0, 0};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (accept(Pixel(x, y)))
                    r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
        return r;
    }
    int Count(TColor color) {
        int n = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                n += Pixel(x, y) == color;
        return n;
    }
    int Width, Height;
    vcl::TBitmap Bitmap;
};

class GraphicsTest : public lftest::LookAndFeelFixture {};

TEST_F(GraphicsTest, BorderBandsStayInsideTheirRect) {
    Sheet s(10, 10);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    canvas.FillBorderBands({2, 2, 6, 6}, Rgb(200, 0, 0), lkbAll, 10);
    EXPECT_EQ(s.Bounds(Rgb(200, 0, 0)), (win::TRect{2, 2, 6, 6}));
    EXPECT_EQ(s.Count(Rgb(200, 0, 0)), 16);
    // One side, and clDefault keeping the brush colour.
    canvas.SetBrushColor(Rgb(0, 90, 0));
    canvas.FillBorderBands({0, 7, 10, 10}, vcl::clDefault, lkbBottom, 1);
    EXPECT_EQ(s.Bounds(Rgb(0, 90, 0)), (win::TRect{0, 9, 10, 10}));
    // An empty rect draws nothing.
    canvas.FillBorderBands({5, 5, 5, 9}, Rgb(0, 0, 77), lkbAll, 2);
    EXPECT_EQ(s.Count(Rgb(0, 0, 77)), 0);
}

TEST_F(GraphicsTest, BordersPaintTheFarCornersInTheBottomRightColour) {
    Sheet s(12, 12);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    const TColor tl = Rgb(250, 0, 0), br = Rgb(0, 0, 250);
    canvas.DrawBorders({1, 1, 11, 11}, tl, 2, lkbAll, br);
    EXPECT_EQ(s.Pixel(1, 1), tl);
    EXPECT_EQ(s.Pixel(2, 2), tl);
    EXPECT_EQ(s.Pixel(10, 1), br); // top-right
    EXPECT_EQ(s.Pixel(1, 10), br); // bottom-left
    EXPECT_EQ(s.Pixel(10, 10), br);
    EXPECT_EQ(s.Pixel(5, 1), tl);
    EXPECT_EQ(s.Pixel(9, 5), br);
    EXPECT_EQ(s.Pixel(5, 5), Paper);
    EXPECT_EQ(s.Pixel(0, 0), Paper);
    EXPECT_EQ(s.Pixel(11, 11), Paper);
}

TEST_F(GraphicsTest, TheFourEdgePairs) {
    struct Case {
        bool Sunken, Outer;
        TColor TopLeft, BottomRight;
    };
    const Case cases[] = {{false, true, vcl::cl3DLight, vcl::cl3DDkShadow},
                          {false, false, vcl::clBtnHighlight, vcl::clBtnShadow},
                          {true, true, vcl::clBtnShadow, vcl::clBtnHighlight},
                          {true, false, vcl::cl3DDkShadow, vcl::cl3DLight}};
    // Distinct colours, so that each pair shows.
    const int elements[] = {win::COLOR_3DLIGHT, win::COLOR_3DDKSHADOW, win::COLOR_BTNHIGHLIGHT, win::COLOR_BTNSHADOW};
    const win::COLORREF values[] = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    win::SetSysColors(4, elements, values);
    for (const Case& c : cases) {
        Sheet s(6, 6);
        TlkCanvas canvas(s.Bitmap.GetCanvas());
        canvas.DrawEdgeBand({0, 0, 6, 6}, c.Sunken, lkbAll, c.Outer);
        EXPECT_EQ(s.Pixel(0, 0), ToRgb(c.TopLeft));
        EXPECT_EQ(s.Pixel(0, 3), ToRgb(c.TopLeft));
        EXPECT_EQ(s.Pixel(5, 0), ToRgb(c.BottomRight));
        EXPECT_EQ(s.Pixel(5, 5), ToRgb(c.BottomRight));
        EXPECT_EQ(s.Pixel(1, 1), Paper);
    }
}

TEST_F(GraphicsTest, TilesStayAnchoredAcrossCallsAndAtNegativeCoordinates) {
    vcl::TBitmap tile;
    tile.SetPixelFormat(vcl::pf32bit);
    tile.SetSize(3, 2);
    auto tileColor = [](int x, int y) { return Rgb(10 + x, 20 + y, 30); };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            tile.GetCanvas()->SetPixel(x, y, tileColor(x, y));
    auto mod = [](int a, int b) { return ((a % b) + b) % b; };

    Sheet s(16, 10);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    canvas.FillRectOrTile({1, 1, 5, 9}, &tile);
    canvas.FillRectOrTile({5, 1, 14, 9}, &tile);
    for (int y = 1; y < 9; ++y)
        for (int x = 1; x < 14; ++x)
            ASSERT_EQ(s.Pixel(x, y), tileColor(mod(x, 3), mod(y, 2))) << x << "," << y;
    EXPECT_EQ(s.Pixel(0, 0), Paper);
    EXPECT_EQ(s.Pixel(14, 1), Paper);

    // The origin moved: logical coordinates left of and above it keep the tiling.
    Sheet n(16, 10);
    TlkCanvas moved(n.Bitmap.GetCanvas());
    win::SetViewportOrgEx(moved.GetHandle(), 8, 5, nullptr);
    moved.FillRectOrTile({-7, -5, 7, 4}, &tile);
    win::SetViewportOrgEx(moved.GetHandle(), 0, 0, nullptr);
    for (int y = 0; y < 9; ++y)
        for (int x = 1; x < 15; ++x)
            ASSERT_EQ(n.Pixel(x, y), tileColor(mod(x - 8, 3), mod(y - 5, 2))) << x << "," << y;
    EXPECT_EQ(n.Pixel(0, 0), Paper);

    // Without a bitmap: the brush.
    canvas.SetBrushColor(Rgb(9, 9, 9));
    canvas.FillRectOrTile({0, 0, 2, 2}, nullptr);
    EXPECT_EQ(s.Pixel(1, 1), Rgb(9, 9, 9));
}

TEST_F(GraphicsTest, ConvertTextFlags) {
    struct Case {
        TlkTextFlags Flags;
        win::UINT Format;
    };
    const Case cases[] = {
        {0, win::DT_NOPREFIX},
        {lktfAlignLeft | lktfAlignTop, win::DT_NOPREFIX},
        {lktfAlignRight, win::DT_NOPREFIX | win::DT_RIGHT},
        {lktfAlignHCenter | lktfAlignVCenter | lktfSingleLine,
         win::DT_NOPREFIX | win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE},
        {lktfAlignBottom | lktfDontClip | lktfExpandTabs,
         win::DT_NOPREFIX | win::DT_BOTTOM | win::DT_NOCLIP | win::DT_EXPANDTABS},
        {lktfShowPrefix, 0},
        {lktfWordBreak, win::DT_NOPREFIX | win::DT_WORDBREAK | win::DT_EDITCONTROL},
        {lktfShowEndEllipsis | lktfCalcRect | lktfShowPathEllipsis,
         win::DT_NOPREFIX | win::DT_END_ELLIPSIS | win::DT_CALCRECT | win::DT_PATH_ELLIPSIS},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertTextFlags(c.Flags), c.Format) << c.Flags;
}

TEST_F(GraphicsTest, SingleLineTextIsClippedToItsRect) {
    Sheet s(80, 30);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    canvas.GetFont()->SetColor(Rgb(0, 0, 0));
    canvas.GetBrush()->SetStyle(vcl::bsClear);
    canvas.DrawTextInRect("WWWWWWWWWWWW", {5, 5, 25, 25}, lktfSingleLine, true);
    win::TRect ink = s.Bounds(Rgb(0, 0, 0));
    ASSERT_LT(ink.Left, ink.Right);
    EXPECT_GE(ink.Left, 5);
    EXPECT_LE(ink.Right, 25);
    EXPECT_EQ(ink.Right, 25); // the text runs on to the edge and is cut there
    EXPECT_GE(ink.Top, 5);
    EXPECT_LE(ink.Bottom, 25);
}

TEST_F(GraphicsTest, ThePrefixIsUnderlinedOnTheDrawTextPath) {
    Sheet plain(60, 30), prefixed(60, 30);
    for (auto [surface, text, flags] : {std::tuple{&plain, "A", lktfSingleLine},
                                        std::tuple{&prefixed, "&A", TlkTextFlags(lktfSingleLine | lktfShowPrefix)}}) {
        TlkCanvas canvas(surface->Bitmap.GetCanvas());
        canvas.GetFont()->SetColor(Rgb(0, 0, 0));
        canvas.GetBrush()->SetStyle(vcl::bsClear);
        canvas.DrawTextInRect(text, {2, 2, 58, 28}, flags, true);
    }
    win::TRect a = plain.Bounds(0), underlined = prefixed.Bounds(0);
    // Same glyph at the same place, plus a line under it.
    EXPECT_LE(underlined.Left, a.Left);
    EXPECT_EQ(underlined.Top, a.Top);
    EXPECT_GT(underlined.Bottom, a.Bottom);
    EXPECT_GT(prefixed.Count(0), plain.Count(0));
    int lineLength = 0;
    for (int x = 0; x < 60; ++x)
        lineLength += prefixed.Pixel(x, underlined.Bottom - 1) == 0;
    EXPECT_GE(lineLength, a.Right - a.Left - 2);
}

TEST_F(GraphicsTest, DisabledTextStaysInsideAtRightAndBottom) {
    const int elements[] = {win::COLOR_BTNHIGHLIGHT, win::COLOR_BTNSHADOW};
    const win::COLORREF values[] = {win::COLORREF(Rgb(255, 0, 0)), win::COLORREF(Rgb(0, 0, 255))};
    win::SetSysColors(2, elements, values);
    for (TlkTextFlags flags : {TlkTextFlags(lktfSingleLine | lktfAlignRight | lktfAlignBottom),
                               TlkTextFlags(lktfSingleLine | lktfAlignRight | lktfAlignBottom | lktfShowPrefix)}) {
        SCOPED_TRACE(flags);
        Sheet s(60, 30);
        TlkCanvas canvas(s.Bitmap.GetCanvas());
        canvas.GetFont()->SetColor(Rgb(0, 200, 0));
        const win::TSize extent = canvas.TextExtent("Hg");
        const win::TRect rect{10, 4, 10 + extent.cx + 3, 4 + extent.cy + 2};
        canvas.DrawTextInRect("Hg", rect, flags, false);
        // Text is smoothed: a pixel counts by its leading channel.
        win::TRect light = s.Bounds([](TColor c) { return (c & 0xFF) > 120 && (c >> 16) < 60; });
        win::TRect dark = s.Bounds([](TColor c) { return (c >> 16) > 120 && (c & 0xFF) < 60; });
        ASSERT_LT(light.Left, light.Right);
        ASSERT_LT(dark.Left, dark.Right);
        EXPECT_EQ(light.Right, dark.Right + 1);
        EXPECT_EQ(light.Bottom, dark.Bottom + 1);
        EXPECT_LE(light.Right, rect.Right);
        EXPECT_LE(light.Bottom, rect.Bottom);
        EXPECT_GE(dark.Left, rect.Left);
        EXPECT_EQ(s.Bounds([](TColor c) { return ((c >> 8) & 0xFF) > 60; }).Right, 0); // no font colour ...
        EXPECT_EQ(canvas.GetFont()->GetColor(), Rgb(0, 200, 0)); // ... and is kept
        EXPECT_EQ(canvas.GetBrush()->GetStyle(), vcl::bsSolid);
    }
}

TEST_F(GraphicsTest, InvertRectInvertsOnlyTheRect) {
    Sheet s(6, 6);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    canvas.InvertRect({1, 1, 4, 3});
    EXPECT_EQ(s.Pixel(1, 1), Paper ^ 0xFFFFFF);
    EXPECT_EQ(s.Pixel(3, 2), Paper ^ 0xFFFFFF);
    EXPECT_EQ(s.Pixel(4, 2), Paper);
    EXPECT_EQ(s.Pixel(1, 3), Paper);
    EXPECT_EQ(s.Bitmap.GetCanvas()->GetCopyMode(), vcl::cmSrcCopy);
}

TEST_F(GraphicsTest, CalcTextRectAlignsTheMeasuredRect) {
    Sheet s(100, 60);
    TlkCanvas canvas(s.Bitmap.GetCanvas());
    const win::TSize extent = canvas.TextExtent("Text");
    EXPECT_EQ(canvas.TextExtent("").cx, 0);
    win::TRect r{10, 10, 90, 50};
    canvas.CalcTextRect("Text", r, lktfSingleLine | lktfAlignRight | lktfAlignBottom);
    EXPECT_EQ(r, (win::TRect{90 - extent.cx, 50 - extent.cy, 90, 50}));
    r = {10, 10, 90, 50};
    canvas.CalcTextRect("Text", r, lktfSingleLine | lktfAlignHCenter | lktfAlignVCenter);
    EXPECT_EQ(r.Left, 10 + (80 - extent.cx) / 2);
    EXPECT_EQ(r.Top, 10 + (40 - extent.cy) / 2);
}

TEST_F(GraphicsTest, RotateBitmapMovesEachPixelWhereTheTableSays) {
    // 3 by 2 of unique pixels; (x, y) -> expected place, per angle and flip.
    auto color = [](int x, int y) { return Rgb(40 * x + 1, 60 * y + 2, 7); };
    struct Case {
        int Angle;
        bool Flip;
        int W, H;
        std::function<std::pair<int, int>(int, int)> Place;
    };
    const Case cases[] = {
        {0, false, 3, 2, [](int x, int y) { return std::pair{x, y}; }},
        {0, true, 3, 2, [](int x, int y) { return std::pair{x, 1 - y}; }},
        {1, false, 2, 3, [](int x, int y) { return std::pair{y, 2 - x}; }},
        {1, true, 2, 3, [](int x, int y) { return std::pair{y, x}; }},
        {2, false, 2, 3, [](int x, int y) { return std::pair{1 - y, x}; }},
        {2, true, 2, 3, [](int x, int y) { return std::pair{1 - y, 2 - x}; }},
        {3, false, 3, 2, [](int x, int y) { return std::pair{2 - x, 1 - y}; }},
        {3, true, 3, 2, [](int x, int y) { return std::pair{2 - x, y}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Angle) + (c.Flip ? " flip" : ""));
        vcl::TBitmap b;
        b.SetPixelFormat(vcl::pf24bit);
        b.SetSize(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                b.GetCanvas()->SetPixel(x, y, color(x, y));
        TlkCanvas::RotateBitmap(&b, c.Angle, c.Flip);
        ASSERT_EQ(b.GetWidth(), c.W);
        ASSERT_EQ(b.GetHeight(), c.H);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                auto [tx, ty] = c.Place(x, y);
                EXPECT_EQ(b.GetCanvas()->GetPixel(tx, ty), color(x, y)) << x << "," << y;
            }
    }
}

TEST_F(GraphicsTest, UltraFlatFaceColoursBlendTheSystemColours) {
    EXPECT_EQ(HotFaceSystemColor(), NearestScreenColor(GetBlendedSystemColor(-2, 30, 72)));
    EXPECT_EQ(PressedFaceSystemColor(), NearestScreenColor(GetBlendedSystemColor(14, 44, 40)));
    EXPECT_NE(HotFaceSystemColor(), PressedFaceSystemColor());
}

} // namespace
