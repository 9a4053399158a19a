#include "controls/FcFrames.h"

#include "ControlsTestSupport.h"
#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "controls/FcUxTheme.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Streams.h"
#include "platform/win/theme/RecordingThemeEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace controls;
using fctest::Surface;
using win::COLORREF;

namespace {

COLORREF Resolve(TColor c) { return COLORREF(vcl::ColorToRGB(c)); }

// The expected picture, drawn cell by cell from the Part's description of each frame.
class Model {
public:
    Model(int w, int h) : FW(w), FH(h), FPx(size_t(w * h), Surface::Sentinel) {}
    void Set(int x, int y, TColor c) {
        if (x >= 0 && y >= 0 && x < FW && y < FH)
            FPx[size_t(y * FW + x)] = Resolve(c);
    }
    // Lines as move-to/line-to draws them: the end point is left out.
    void HLine(int x1, int x2, int y, TColor c) {
        for (int x = x1; x < x2; ++x)
            Set(x, y, c);
    }
    void VLine(int x, int y1, int y2, TColor c) {
        for (int y = y1; y < y2; ++y)
            Set(x, y, c);
    }
    COLORREF At(int x, int y) const { return FPx[size_t(y * FW + x)]; }

    // One ring of side lines: upper-left colour on the left and top, lower-right on the right and bottom.
    TRect Sides(TRect b, TColor ul, TColor lr, TSides s) {
        if (ul != vcl::clNone) {
            if (s.Contains(sdLeft))
                VLine(b.Left, b.Top, b.Bottom, ul);
            if (s.Contains(sdTop))
                HLine(b.Left, b.Right, b.Top, ul);
        }
        if (lr != vcl::clNone) {
            if (s.Contains(sdRight))
                VLine(b.Right - 1, b.Top, b.Bottom, lr);
            if (s.Contains(sdBottom))
                HLine(b.Left, b.Right, b.Bottom - 1, lr);
        }
        return Shrink(b, s, 1);
    }
    static TRect Shrink(TRect b, TSides s, int by) {
        if (s.Contains(sdLeft))
            b.Left += by;
        if (s.Contains(sdTop))
            b.Top += by;
        if (s.Contains(sdRight))
            b.Right -= by;
        if (s.Contains(sdBottom))
            b.Bottom -= by;
        return b;
    }
    // Groove and bump: the corner pixels in the Part's order, then the two offset frames.
    TRect Etched(TRect b, TColor ul, TColor lr, TSides s) {
        bool l = s.Contains(sdLeft), t = s.Contains(sdTop), r = s.Contains(sdRight), bt = s.Contains(sdBottom);
        if (r)
            Set(b.Right - 1, b.Top, lr);
        if (t && !r)
            Set(b.Right - 1, b.Top, ul);
        if (bt)
            Set(b.Left, b.Bottom - 1, lr);
        if (l && !bt)
            Set(b.Left, b.Bottom - 1, ul);
        if (t && !l)
            Set(b.Left, b.Top + 1, lr);
        if (!t && l)
            Set(b.Left + 1, b.Top, lr);
        if (bt && !r)
            Set(b.Right - 1, b.Bottom - 2, ul);
        if (!bt && r)
            Set(b.Right - 2, b.Bottom - 1, ul);
        Sides({b.Left + 1, b.Top + 1, b.Right, b.Bottom}, lr, lr, s);
        Sides({b.Left, b.Top, b.Right - 1, b.Bottom - 1}, ul, ul, s);
        return Shrink(b, s, 2);
    }

private:
    int FW, FH;
    std::vector<COLORREF> FPx;
};

void ExpectPicture(const Surface& s, const Model& m, const std::string& what) {
    int wrong = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.Pixel(x, y) != m.At(x, y) && ++wrong <= 3)
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << s.Pixel(x, y)
                              << ", expected " << m.At(x, y);
}

// A frame style as the Part's tables give it: etched with two colours, or rings of side lines.
struct StyleDrawing {
    bool Etched = false;
    std::vector<std::pair<TColor, TColor>> Rings; // etched: one pair (UL, LR)
};

StyleDrawing SystemStyle(TFrameStyleEx style) {
    using namespace vcl;
    switch (style) {
    case fsNone:
        return {};
    case fsFlat:
        return {false, {{cl3DDkShadow, cl3DDkShadow}}};
    case fsGroove:
        return {true, {{clBtnShadow, clBtnHighlight}}};
    case fsLowered:
        return {false, {{clBtnShadow, clBtnHighlight}, {cl3DDkShadow, cl3DLight}}};
    case fsButtonDown:
        return {false, {{clBtnText, clBtnText}, {clBtnShadow, clBtnShadow}}};
    case fsRaised:
        return {false, {{cl3DLight, cl3DDkShadow}, {clBtnHighlight, clBtnShadow}}};
    case fsButtonUp:
        return {false, {{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}};
    case fsStatus:
        return {false, {{clBtnShadow, clBtnHighlight}}};
    case fsPopup:
        return {false, {{clBtnHighlight, clBtnShadow}}};
    case fsFlatBold:
        return {false, {{clBtnShadow, clBtnShadow}, {clBtnShadow, clBtnShadow}}};
    default: // fsBump, and what lies above fsFlatBold
        return {true, {{clBtnHighlight, clBtnShadow}}};
    }
}

StyleDrawing ShadedStyle(TFrameStyleEx style, TColor face) {
    auto d = [face](int n) { return DarkerColor(face, uint8_t(n)); };
    auto li = [face](int n) { return LighterColor(face, uint8_t(n)); };
    switch (style) {
    case fsNone:
        return {};
    case fsFlat:
        return {false, {{d(50), d(50)}}};
    case fsGroove:
        return {true, {{d(50), li(100)}}};
    case fsLowered:
        return {false, {{d(50), li(100)}, {d(100), li(50)}}};
    case fsButtonDown:
        return {false, {{d(100), d(100)}, {d(50), d(50)}}};
    case fsRaised:
        return {false, {{li(50), d(100)}, {li(100), d(50)}}};
    case fsButtonUp:
        return {false, {{li(100), d(100)}, {li(40), d(50)}}};
    case fsStatus:
        return {false, {{d(50), li(100)}}};
    case fsPopup:
        return {false, {{li(100), d(50)}}};
    case fsFlatBold:
        return {false, {{d(50), d(50)}, {d(50), d(50)}}};
    default:
        return {true, {{li(100), d(50)}}};
    }
}

TRect DrawModel(Model& m, TRect b, const StyleDrawing& d, TSides s) {
    if (d.Etched)
        return m.Etched(b, d.Rings[0].first, d.Rings[0].second, s);
    for (const auto& [ul, lr] : d.Rings)
        b = m.Sides(b, ul, lr, s);
    return b;
}

constexpr TColor EditorFace = 15791348; // the editor's button and panel colour

class FramesTest : public ::testing::Test {
protected:
    void SetUp() override { FStart = fctest::GdiCounts(); }
    void TearDown() override {
        FreeThemeServices();
        ReleaseThemeLibraryCompletely();
        win::SetThemeEngine(nullptr);
        EXPECT_EQ(fctest::GdiCounts(), FStart);
    }
    headless::HeadlessScreen FScreen;
    std::array<int, int(win::GdiKind::gkCount)> FStart{};
};

TEST_F(FramesTest, EveryStyleOnEverySideInSystemColoursAndInShades) {
    const std::pair<const char*, TSides> sideSets[] = {{"all", AllSides},       {"left", {sdLeft}},
                                                       {"top", {sdTop}},        {"right", {sdRight}},
                                                       {"bottom", {sdBottom}}};
    const TRect bounds{0, 0, 10, 10};
    for (int style = fsNone; style <= fsFlatRounded; ++style) {
        for (const auto& [sideName, sides] : sideSets) {
            for (bool shaded : {false, true}) {
                std::string what = FrameStyleName(TFrameStyleEx(style)) + " " + sideName + (shaded ? " shaded" : "");
                Surface s(10, 10);
                Model m(10, 10);
                TRect got = shaded ? PaintColorStyleBorderSides(s.Canvas(), bounds, EditorFace, TFrameStyleEx(style),
                                                                sides)
                                   : PaintStyleBorderSides(s.Canvas(), bounds, TFrameStyleEx(style), sides);
                StyleDrawing d =
                    shaded ? ShadedStyle(TFrameStyleEx(style), EditorFace) : SystemStyle(TFrameStyleEx(style));
                TRect expected = DrawModel(m, bounds, d, sides);
                EXPECT_EQ(got, expected) << what;
                ExpectPicture(s, m, what);
                if (sides == AllSides && !shaded) {
                    Surface all(10, 10);
                    EXPECT_EQ(PaintStyleBorder(all.Canvas(), bounds, TFrameStyleEx(style)), expected) << what;
                    ExpectPicture(all, m, what + " (all-sides routine)");
                }
            }
        }
    }
}

TEST_F(FramesTest, TheGrooveAndItsCorners) {
    Surface s(10, 10);
    EXPECT_EQ(PaintStyleBorderSides(s.Canvas(), {0, 0, 10, 10}, fsGroove, AllSides), (TRect{2, 2, 8, 8}));
    EXPECT_EQ(s.Pixel(0, 0), Resolve(vcl::clBtnShadow));
    EXPECT_EQ(s.Pixel(9, 9), Resolve(vcl::clBtnHighlight));
    EXPECT_EQ(s.Pixel(9, 0), Resolve(vcl::clBtnHighlight));
    EXPECT_EQ(s.Pixel(0, 9), Resolve(vcl::clBtnHighlight));
    EXPECT_EQ(s.Pixel(1, 1), Resolve(vcl::clBtnHighlight));
    EXPECT_EQ(s.Pixel(8, 8), Resolve(vcl::clBtnShadow));
    EXPECT_EQ(s.Pixel(2, 2), Surface::Sentinel);
}

TEST_F(FramesTest, StatusOnTheBottomOnlyIsOneHighlightLine) {
    Surface s(10, 10);
    EXPECT_EQ(PaintStyleBorderSides(s.Canvas(), {0, 0, 10, 10}, fsStatus, {sdBottom}), (TRect{0, 0, 10, 9}));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(s.Pixel(x, y), y == 9 ? Resolve(vcl::clBtnHighlight) : Surface::Sentinel) << x << "," << y;
}

TEST_F(FramesTest, SidesAndBevels) {
    Surface s(12, 12);
    // No sides: nothing drawn, nothing shrunk; clNone: nothing drawn, still shrunk.
    EXPECT_EQ(PaintSides(s.Canvas(), {1, 1, 11, 11}, vcl::clRed, vcl::clBlue, {}), (TRect{1, 1, 11, 11}));
    EXPECT_EQ(PaintSides(s.Canvas(), {1, 1, 11, 11}, vcl::clNone, vcl::clNone, AllSides), (TRect{2, 2, 10, 10}));
    EXPECT_EQ(PaintBevel(s.Canvas(), {1, 1, 11, 11}, vcl::clNone, vcl::clNone, 3, {sdLeft, sdBottom}),
              (TRect{4, 1, 11, 8}));
    Model untouched(12, 12);
    ExpectPicture(s, untouched, "clNone");

    // One colour left out: the other pair is drawn.
    Model m(12, 12);
    EXPECT_EQ(PaintSides(s.Canvas(), {1, 1, 11, 11}, vcl::clNone, vcl::clBlue, AllSides), (TRect{2, 2, 10, 10}));
    m.Sides({1, 1, 11, 11}, vcl::clNone, vcl::clBlue, AllSides);
    EXPECT_EQ(PaintBevel(s.Canvas(), {2, 2, 10, 10}, vcl::clRed, vcl::clLime, 2, AllSides), (TRect{4, 4, 8, 8}));
    m.Sides(m.Sides({2, 2, 10, 10}, vcl::clRed, vcl::clLime, AllSides), vcl::clRed, vcl::clLime, AllSides);
    ExpectPicture(s, m, "bevel");
}

TEST_F(FramesTest, ButtonBorders) {
    struct Case {
        bool Shaded, Lowered;
        std::pair<TColor, TColor> Outer, Inner;
    };
    using namespace vcl;
    const Case cases[] = {
        {false, false, {clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}},
        {false, true, {clBtnText, clBtnText}, {clBtnShadow, clBtnShadow}},
        {true, false, {LighterColor(EditorFace, 100), DarkerColor(EditorFace, 100)},
         {LighterColor(EditorFace, 40), DarkerColor(EditorFace, 50)}},
        {true, true, {DarkerColor(EditorFace, 100), DarkerColor(EditorFace, 100)},
         {DarkerColor(EditorFace, 50), DarkerColor(EditorFace, 50)}},
    };
    for (const Case& c : cases) {
        Surface s(8, 6);
        Model m(8, 6);
        TRect got = c.Shaded ? PaintColorButtonBorder(s.Canvas(), {0, 0, 8, 6}, EditorFace, c.Lowered)
                             : PaintButtonBorder(s.Canvas(), {0, 0, 8, 6}, c.Lowered);
        TRect expected = m.Sides(m.Sides({0, 0, 8, 6}, c.Outer.first, c.Outer.second, AllSides), c.Inner.first,
                                 c.Inner.second, AllSides);
        EXPECT_EQ(got, expected);
        ExpectPicture(s, m, std::string(c.Shaded ? "shaded " : "") + (c.Lowered ? "down" : "up"));
    }
}

TEST_F(FramesTest, RoundedFlatBorder) {
    Surface s(8, 7);
    EXPECT_EQ(PaintRoundedFlatBorder(s.Canvas(), {0, 0, 8, 7}, vcl::clRed, AllSides), (TRect{2, 2, 6, 5}));
    Model m(8, 7);
    m.VLine(0, 2, 5, vcl::clRed);
    m.HLine(2, 6, 0, vcl::clRed);
    m.VLine(7, 2, 5, vcl::clRed);
    m.HLine(2, 6, 6, vcl::clRed);
    for (auto [x, y] : {std::pair{1, 1}, {6, 1}, {6, 5}, {1, 5}})
        m.Set(x, y, vcl::clRed);
    ExpectPicture(s, m, "rounded");

    Surface t(8, 7);
    EXPECT_EQ(PaintRoundedFlatBorder(t.Canvas(), {0, 0, 8, 7}, vcl::clRed, {sdLeft, sdTop}), (TRect{2, 2, 8, 7}));
    Model n(8, 7);
    n.VLine(0, 2, 7, vcl::clRed);
    n.HLine(2, 8, 0, vcl::clRed);
    n.Set(1, 1, vcl::clRed);
    ExpectPicture(t, n, "rounded, left and top");
}

TEST_F(FramesTest, TheFocusBorder) {
    Surface s(6, 4);
    EXPECT_EQ(PaintFocusBorder(s.Canvas(), {0, 0, 6, 4}), (TRect{1, 1, 5, 3}));
    Model m(6, 4);
    for (auto [x, y] : {std::pair{0, 1}, {0, 3}, {5, 1}, {5, 3}, {1, 0}, {3, 0}, {5, 0}, {1, 3}, {3, 3}})
        m.Set(x, y, vcl::clBlack);
    ExpectPicture(s, m, "focus border");
    EXPECT_EQ(CentredRect({0, 0, 17, 17}, 6, 4), (TRect{5, 6, 11, 10}));
    EXPECT_EQ(CentredRect({0, 0, 3, 3}, 6, 6), (TRect{-1, -1, 5, 5})); // -3 / 2 is -1: toward zero
}

TEST_F(FramesTest, ControlFramesFollowTheirColour) {
    struct Case {
        TFrameStyleEx Style;
        TColor Color;
        bool SkipClear;
    };
    const Case cases[] = {
        {fsLowered, EditorFace, false}, // in shades of the control's colour
        {fsLowered, vcl::clWindow, false},
        {fsRaised, vcl::clInfoBk, true},
        {fsFlat, EditorFace, false},
        {fsFlatBold, vcl::clWindow, false},
    };
    const TColor frameColor = vcl::clRed;
    const TSides sides{sdLeft, sdTop, sdBottom};
    for (const Case& c : cases) {
        std::string what = FrameStyleName(c.Style);
        Surface s(12, 9);
        Model m(12, 9);
        PaintControlFrame(s.Canvas(), 12, 9, c.Style, c.Color, frameColor, sides, c.SkipClear);
        TRect b{0, 0, 12, 9};
        if (!c.SkipClear)
            m.Sides(m.Sides(b, c.Color, c.Color, AllSides), c.Color, c.Color, AllSides);
        if (c.Style == fsFlat)
            m.Sides(b, frameColor, frameColor, sides);
        else if (c.Style == fsFlatBold)
            m.Sides(m.Sides(b, frameColor, frameColor, sides), frameColor, frameColor, sides);
        else
            DrawModel(m, b, c.Color == vcl::clWindow ? SystemStyle(c.Style) : ShadedStyle(c.Style, c.Color), sides);
        ExpectPicture(s, m, what);
    }
}

TEST_F(FramesTest, InnerOuterBordersOfTheEditorsPanels) {
    const TColor flat = vcl::clBtnShadow, border = vcl::clBtnFace;
    for (auto [w, h] : {std::pair{20, 12}, {7, 5}}) {
        Surface s(w, h);
        TRect inner = PaintInnerOuterBorders(s.Canvas(), {0, 0, w, h}, fsFlat, fsNone, 1, AllSides, 1, border,
                                             vcl::clBtnHighlight, vcl::clBtnShadow, flat, 0, EditorFace,
                                             vcl::clBtnFace, false, false);
        EXPECT_EQ(inner, (TRect{2, 2, w - 2, h - 2}));
        Model m(w, h);
        m.Sides(m.Sides({0, 0, w, h}, flat, flat, AllSides), border, border, AllSides);
        ExpectPicture(s, m, "panel");
    }

    // Shaded flat colour, a bevel of two, and the cut-corner inner frame on all sides whatever the sides.
    Surface s(14, 10);
    const TColor f = ShadeColor(vcl::clBtnFace, -40);
    TRect inner = PaintInnerOuterBorders(s.Canvas(), {0, 0, 14, 10}, fsPopup, fsFlat, 0, {sdLeft, sdTop}, 2,
                                         border, vcl::clRed, vcl::clBlue, vcl::clBtnFace, -40, EditorFace,
                                         vcl::clBtnFace, false, true);
    Model m(14, 10);
    TRect r = m.Sides(m.Sides({0, 0, 14, 10}, vcl::clRed, vcl::clBlue, {sdLeft, sdTop}), vcl::clRed, vcl::clBlue,
                      {sdLeft, sdTop});
    m.VLine(r.Left, r.Top + 1, r.Bottom - 1, f);
    m.HLine(r.Left + 1, r.Right - 1, r.Top, f);
    m.VLine(r.Right - 1, r.Top + 1, r.Bottom - 1, f);
    m.HLine(r.Left + 1, r.Right - 1, r.Bottom - 1, f);
    EXPECT_EQ(inner, (TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}));
    ExpectPicture(s, m, "popup outer, cut-corner inner");

    // Rounded outer frame, opaque, with a border inside.
    Surface t(10, 8);
    inner = PaintInnerOuterBorders(t.Canvas(), {0, 0, 10, 8}, fsFlatRounded, fsNone, 1, AllSides, 1, vcl::clLime,
                                   vcl::clBtnHighlight, vcl::clBtnShadow, vcl::clRed, 0, vcl::clYellow, vcl::clBlue,
                                   false, false);
    Model n(10, 8);
    TRect in = n.Sides({0, 0, 10, 8}, vcl::clBlue, vcl::clBlue, AllSides);
    n.Sides(in, vcl::clLime, vcl::clLime, AllSides);
    n.VLine(0, 2, 6, vcl::clRed);
    n.HLine(2, 8, 0, vcl::clRed);
    n.VLine(9, 2, 6, vcl::clRed);
    n.HLine(2, 8, 7, vcl::clRed);
    for (auto [x, y] : {std::pair{1, 1}, {8, 1}, {8, 6}, {1, 6}})
        n.Set(x, y, vcl::clRed);
    TRect rounded{2, 2, 8, 6};
    EXPECT_EQ(inner, (TRect{3, 3, 7, 5})); // the border of one inside the rounded frame
    n.Sides(rounded, vcl::clLime, vcl::clLime, AllSides);
    ExpectPicture(t, n, "rounded outer");
}

// The outer and inner frames draw these styles alike: the style alone, as either frame, gives one picture.
TEST_F(FramesTest, InnerOuterBordersStyleEitherFrame) {
    using vcl::clBlue, vcl::clBtnFace, vcl::clLime, vcl::clRed, vcl::clYellow;
    const TSides sides{sdLeft, sdTop, sdRight};
    const struct {
        TFrameStyleEx Style;
        StyleDrawing Drawing; // bevel width 2, flat colour clRed, highlight clLime, shadow clBlue
    } cases[] = {
        {fsFlat, {false, {{clRed, clRed}}}},
        {fsFlatBold, {false, {{clRed, clRed}, {clRed, clRed}}}},
        {fsPopup, {false, {{clLime, clBlue}, {clLime, clBlue}}}},
        {fsStatus, {false, {{clBlue, clLime}, {clBlue, clLime}}}},
        {fsLowered, SystemStyle(fsLowered)},
    };
    for (const auto& c : cases)
        for (bool outer : {true, false}) {
            const std::string what = FrameStyleName(c.Style) + (outer ? " outer" : " inner");
            Surface s(12, 9);
            const TRect inner = PaintInnerOuterBorders(s.Canvas(), {0, 0, 12, 9}, outer ? c.Style : fsNone,
                                                       outer ? fsNone : c.Style, 0, sides, 2, clYellow, clLime,
                                                       clBlue, clRed, 0, EditorFace, clBtnFace, false, false);
            Model m(12, 9);
            EXPECT_EQ(inner, DrawModel(m, {0, 0, 12, 9}, c.Drawing, sides)) << what;
            ExpectPicture(s, m, what);
        }
}

// Arrows: the Part's points, filled as a polygon without outline by the platform on a reference surface.
void ExpectArrow(Surface& s, const std::vector<win::TPoint>& points, TColor color, const std::string& what) {
    Surface ref(s.Width(), s.Height());
    win::HBRUSH brush = win::CreateSolidBrush(Resolve(color));
    win::HGDIOBJ oldBrush = win::SelectObject(ref.Dc(), win::ToGdiObj(brush));
    win::HGDIOBJ oldPen = win::SelectObject(ref.Dc(), win::GetStockObject(win::NULL_PEN));
    win::Polygon(ref.Dc(), points.data(), int(points.size()));
    win::SelectObject(ref.Dc(), oldPen);
    win::SelectObject(ref.Dc(), oldBrush);
    win::DeleteObject(brush);
    int painted = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            EXPECT_EQ(s.Pixel(x, y), ref.Pixel(x, y)) << what << " at " << x << "," << y;
            painted += ref.Pixel(x, y) != Surface::Sentinel;
        }
    EXPECT_GT(painted, 4) << what;
}

TEST_F(FramesTest, TheDropDownTriangle) {
    Surface s(17, 17);
    s.Canvas()->GetBrush()->SetColor(vcl::clLime);
    PaintDropDownArrow(s.Canvas(), {0, 0, 17, 17}, false, false, true);
    ExpectArrow(s, {{8, 10}, {5, 6}, {12, 6}}, vcl::clBlack, "drop-down");
    EXPECT_EQ(s.Canvas()->GetBrush()->GetColor(), vcl::clLime);
    EXPECT_EQ(s.Canvas()->GetPen()->GetStyle(), vcl::psSolid);

    Surface pushed(17, 16); // even height: the centre moves up one
    PaintDropDownArrow(pushed.Canvas(), {0, 0, 17, 16}, false, true, false);
    ExpectArrow(pushed, {{9, 10}, {6, 6}, {13, 6}}, vcl::clBtnShadow, "pushed, disabled");

    // The visual style's look needs themes: without them the plain triangle stays.
    Surface plain(17, 17);
    PaintDropDownArrow(plain.Canvas(), {0, 0, 17, 17}, true, false, true);
    ExpectArrow(plain, {{8, 10}, {5, 6}, {12, 6}}, vcl::clBlack, "xp look without themes");
}

struct DirectionCase {
    uint8_t Direction;
    bool Xp;
    std::vector<win::TPoint> Points; // for the rect (0, 0, 17, 17): centre (8, 8)
};

std::vector<DirectionCase> DirectionCases() {
    // Plain: up and down move the centre down 2, left and right left 2. XP: up +4, down +2, left -1, right -3.
    return {
        {adUp, false, {{8, 5}, {12, 10}, {4, 10}}},
        {adDown, false, {{8, 11}, {5, 7}, {12, 7}}},
        {adLeft, false, {{6, 8}, {10, 4}, {10, 12}}},
        {adRight, false, {{10, 8}, {6, 12}, {6, 4}}},
        {adUp, true, {{8, 7}, {12, 12}, {9, 12}, {8, 10}, {7, 12}, {4, 12}}},
        {adDown, true, {{8, 10}, {5, 6}, {8, 6}, {8, 7}, {9, 6}, {12, 6}}},
        {adLeft, true, {{7, 8}, {11, 4}, {11, 7}, {10, 8}, {11, 9}, {11, 12}}},
        {adRight, true, {{9, 8}, {5, 12}, {5, 9}, {6, 8}, {5, 7}, {5, 4}}},
    };
}

TEST_F(FramesTest, DirectionArrowsPlainAndChevron) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    const TColor themed = 0x962D00; // RGB(0, 45, 150)
    engine->SetFillColor("combobox", COLORREF(themed));
    win::SetThemeEngine(engine);
    for (const DirectionCase& c : DirectionCases()) {
        std::string what = std::string(c.Xp ? "chevron " : "plain ") + char('0' + c.Direction);
        Surface s(17, 17);
        PaintDirectionArrow(s.Canvas(), {0, 0, 17, 17}, c.Xp, c.Direction, false, true);
        ExpectArrow(s, c.Points, c.Xp ? themed : vcl::clBlack, what);

        // Pushed moves the arrow by (1, 1), but only when enabled.
        std::vector<win::TPoint> moved = c.Points;
        for (auto& p : moved)
            p = {p.X + 1, p.Y + 1};
        Surface p(17, 17);
        PaintDirectionArrow(p.Canvas(), {0, 0, 17, 17}, c.Xp, c.Direction, true, true);
        ExpectArrow(p, moved, c.Xp ? themed : vcl::clBlack, what + " pushed");
        Surface d(17, 17);
        PaintDirectionArrow(d.Canvas(), {0, 0, 17, 17}, c.Xp, c.Direction, true, false);
        ExpectArrow(d, c.Points, vcl::clBtnShadow, what + " pushed, disabled");
    }

    Surface chevron(17, 17);
    PaintDropDownArrow(chevron.Canvas(), {0, 0, 17, 17}, true, false, true);
    ExpectArrow(chevron, {{8, 12}, {4, 7}, {5, 5}, {8, 9}, {11, 5}, {13, 7}}, themed, "drop-down chevron");
    auto calls = engine->CallsOf("DrawThemeBackground");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().Class, "combobox");
    EXPECT_EQ(calls.back().Part, 1);
    EXPECT_EQ(calls.back().State, 1);
    EXPECT_EQ(calls.back().Rect, (TRect{0, 0, 16, 20}));

    // A drop-down button close to the window colour would vanish: the dark shadow takes its place.
    engine->SetFillColor("combobox", win::RGB(250, 250, 250));
    EXPECT_EQ(XPArrowColor(), vcl::cl3DDkShadow);
    Surface dark(17, 17);
    PaintDirectionArrow(dark.Canvas(), {0, 0, 17, 17}, true, adDown, false, true);
    ExpectArrow(dark, DirectionCases()[5].Points, vcl::cl3DDkShadow, "chevron near the window colour");
}

TEST_F(FramesTest, NothingIsDrawnInAnEmptyRectangle) {
    const TRect empties[] = {{0, 0, 0, 10}, {0, 0, 10, 0}, {5, 5, 3, 9}, {2, 8, 9, 1}};
    for (const TRect& e : empties) {
        Surface s(12, 12);
        EXPECT_EQ(PaintSides(s.Canvas(), e, vcl::clRed, vcl::clRed, AllSides), e);
        EXPECT_EQ(PaintBevel(s.Canvas(), e, vcl::clRed, vcl::clRed, 3, AllSides), e);
        for (int style = fsNone; style <= fsFlatRounded; ++style) {
            EXPECT_EQ(PaintStyleBorderSides(s.Canvas(), e, TFrameStyleEx(style), AllSides), e);
            EXPECT_EQ(PaintColorStyleBorderSides(s.Canvas(), e, EditorFace, TFrameStyleEx(style), AllSides), e);
        }
        EXPECT_EQ(PaintButtonBorder(s.Canvas(), e, true), e);
        EXPECT_EQ(PaintColorButtonBorder(s.Canvas(), e, EditorFace, false), e);
        EXPECT_EQ(PaintRoundedFlatBorder(s.Canvas(), e, vcl::clRed, AllSides), e);
        EXPECT_EQ(PaintFocusBorder(s.Canvas(), e), e);
        EXPECT_EQ(PaintInnerOuterBorders(s.Canvas(), e, fsFlatRounded, fsFlatRounded, 2, AllSides, 1, vcl::clRed,
                                         vcl::clRed, vcl::clRed, vcl::clRed, 0, vcl::clRed, vcl::clRed, false, true),
                  e);
        PaintControlFrame(s.Canvas(), e.Right - e.Left, e.Bottom - e.Top, fsLowered, vcl::clRed, vcl::clRed,
                          AllSides, false);
        PaintDropDownArrow(s.Canvas(), e, false, false, true);
        PaintDirectionArrow(s.Canvas(), e, false, adUp, false, true);
        Model untouched(12, 12);
        ExpectPicture(s, untouched, "empty rectangle");
    }
}

// A component with the frame settings and the readers of older layouts.
class TFrameProbe : public vcl::TComponent {
public:
    explicit TFrameProbe(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void DefineProperties(vcl::TFiler* filer) override {
        vcl::TComponent::DefineProperties(filer);
        DefineLegacyFrameProperties(filer, {[this](bool v) { Settings.FrameHotTrack = v; },
                                            [this](TFrameStyle v) { Settings.FrameStyle = v; },
                                            [this](TFrameStyle v) { Settings.FrameHotStyle = v; }});
    }
    TFrameSettings Settings;
};

void ReadProbe(TFrameProbe* probe, const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(probe);
}

TEST_F(FramesTest, FrameSettingsTheirStorageAndOlderLayouts) {
    TFrameSettings d;
    EXPECT_FALSE(d.FrameVisible);
    EXPECT_EQ(d.FrameStyle, fsFlat);
    EXPECT_EQ(d.FrameColor, vcl::clBtnShadow);
    EXPECT_FALSE(d.FrameHotTrack);
    EXPECT_EQ(d.FrameHotStyle, fsFlatBold);
    EXPECT_EQ(d.FrameHotColor, vcl::clBtnShadow);
    EXPECT_EQ(d.FrameSides.ToBits(), 15u);
    EXPECT_EQ(d.FramingPreference, fpXPThemes);
    EXPECT_EQ(d.FocusColor, vcl::clWindow);
    EXPECT_EQ(d.DisabledColor, vcl::clBtnFace);
    EXPECT_FALSE(d.FlatButtons);
    EXPECT_EQ(d.FlatButtonColor, vcl::clBtnFace);
    EXPECT_EQ(TSides({sdTop, sdBottom}).ToBits(), 10u);

    EXPECT_TRUE(FrameColorStored(false, true));
    EXPECT_FALSE(FrameColorStored(false, false));
    EXPECT_FALSE(FrameColorStored(true, true));
    EXPECT_FALSE(FrameFocusColorStored(false, vcl::clWindow, vcl::clWhite)); // the same RGB
    EXPECT_TRUE(FrameFocusColorStored(false, vcl::clInfoBk, vcl::clWindow));
    EXPECT_FALSE(FrameFocusColorStored(true, vcl::clInfoBk, vcl::clWindow));
    EXPECT_TRUE(FrameSettingStored(false));
    EXPECT_FALSE(FrameSettingStored(true));

    EXPECT_EQ(FrameStyleFromName("fsRaised"), fsRaised);
    EXPECT_EQ(FrameStyleFromName("FSFLATBOLD"), fsFlatBold);
    EXPECT_EQ(FrameStyleFromName("fsFlatRounded"), std::nullopt); // not a TFrameStyle
    EXPECT_EQ(FrameStyleName(fsButtonDown), "fsButtonDown");

    TFrameProbe probe(nullptr);
    ReadProbe(&probe, "object FrameProbe: TFrameProbe\n"
                      "  FrameFlat = True\n"
                      "  FrameFocusStyle = fsRaised\n"
                      "  FrameFlatStyle = fsSomething\n"
                      "end\n");
    EXPECT_TRUE(probe.Settings.FrameHotTrack);
    EXPECT_EQ(probe.Settings.FrameStyle, fsStatus);
    EXPECT_EQ(probe.Settings.FrameHotStyle, fsRaised);

    // A name that is no frame style (fsFlatRounded included) leaves FrameHotStyle as it was.
    for (const char* bad : {"fsBogus", "fsFlatRounded", "clRed"}) {
        TFrameProbe other(nullptr);
        ReadProbe(&other, std::string("object FrameProbe: TFrameProbe\n  FrameFocusStyle = ") + bad +
                              "\n  FrameFlat = False\nend\n");
        EXPECT_EQ(other.Settings.FrameHotStyle, fsFlatBold) << bad;
        EXPECT_FALSE(other.Settings.FrameHotTrack);
        EXPECT_EQ(other.Settings.FrameStyle, fsFlat);
    }
}

} // namespace
