#include "controls/FcCommon.h"
#include "controls/FcLabel.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::TPoint;
using win::TRect;

namespace {

using fctest::Rgb;

// A label whose font answers as the test says (every face of the layer is an outline font).
class BitmapFontLabel : public TFcLabel {
public:
    using TFcLabel::TFcLabel;
    bool TrueType = false;

protected:
    bool FontIsTrueType() override { return TrueType; }
};

class LabelTest : public fctest::FormTest {
protected:
    LabelTest() : FormTest(50, 50, 400, 300) {}
    template <class L = TFcLabel> L* AddLabel(const char* caption, TRect bounds = {10, 10, 70, 50}) {
        auto* l = new L(FForm);
        l->SetParent(FForm);
        l->SetAutoSize(false);
        l->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        l->SetCaption(caption);
        return l;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    // The label's pixels as the form shows them.
    std::vector<COLORREF> Pixels(TFcLabel* l) {
        FForm->Repaint();
        Pump();
        std::vector<COLORREF> px;
        const TPoint origin = l->ClientToScreen({0, 0});
        for (int y = 0; y < l->GetHeight(); ++y)
            for (int x = 0; x < l->GetWidth(); ++x)
                px.push_back(FScreen.ScreenPixel(origin.X + x, origin.Y + y));
        return px;
    }
    static std::vector<COLORREF> Pixels(const fctest::Surface& s) {
        std::vector<COLORREF> px;
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x)
                px.push_back(s.Pixel(x, y));
        return px;
    }
    void TearDown() override {
        win::SetShellLaunchSpy(nullptr);
        FormTest::TearDown();
    }
};

TEST_F(LabelTest, AnglesLandInOneTurn) {
    TFcLabel* l = AddLabel("Turn");
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},     {90, 90},   {359, 359}, {360, 0},   {450, 90},
                                                 {725, 5},   {-90, 270}, {-1, 359},  {-450, 270}, {-720, 0},
                                                 {-360, 0}, {1080, 0}};
    for (auto [in, out] : cases) {
        l->SetAngle(in);
        EXPECT_EQ(l->GetAngle(), out) << in;
    }
    l->SetAngle(0);
    l->SetRotation(roNone);
    l->SetAngle(30);
    EXPECT_EQ(l->GetRotation(), roFlat) << "an angle rotates flat";
    l->SetRotation(roNone);
    EXPECT_EQ(l->GetAngle(), 0);
    l->SetRotation(roCurve);
    l->SetAngle(40);
    l->SetCenterPoint(cpLowerLeft);
    l->SetRotation(roFlat);
    EXPECT_EQ(l->GetAngle(), 0);
    EXPECT_EQ(l->GetCenterPoint(), cpCenter);
}

TEST_F(LabelTest, AnAngleGivesAFontThatIsNoOutlineFontVerdana) {
    auto* l = AddLabel<BitmapFontLabel>("Turn");
    l->GetFont()->SetName("Fixedsys");
    l->TrueType = true;
    l->SetAngle(30);
    EXPECT_EQ(l->GetFont()->GetName(), "Fixedsys");
    l->SetAngle(0);
    l->TrueType = false;
    l->SetAngle(30);
    EXPECT_EQ(l->GetFont()->GetName(), "Verdana");
    // A font that is not an outline font set on an angled label takes the angle back.
    l->GetFont()->SetName("Fixedsys");
    EXPECT_EQ(l->GetAngle(), 0);
}

TEST_F(LabelTest, TextRectanglesAndBorderInsets) {
    struct Case {
        TFrameStyleEx outer, inner;
        int32_t borderWidth, bevel;
        TSides sides;
        TTextStyle style;
        TRotation rotation;
        int32_t angle;
        int32_t w, h;
    };
    const Case cases[] = {
        {fsNone, fsNone, 0, 1, AllSides, tsNormal, roNone, 0, 50, 20},
        {fsFlat, fsNone, 0, 1, AllSides, tsNormal, roNone, 0, 52, 22},
        {fsGroove, fsFlat, 3, 1, TSides{sdLeft, sdTop}, tsNormal, roNone, 0, 56, 26},
        {fsStatus, fsPopup, 0, 4, TSides{sdRight}, tsNormal, roNone, 0, 58, 20},
        {fsFlatBold, fsFlatRounded, 1, 1, AllSides, tsNormal, roNone, 0, 52, 22},
        {fsNone, fsNone, 0, 1, AllSides, tsShadow, roNone, 0, 52, 22},
        {fsNone, fsNone, 0, 1, AllSides, tsNormal, roFlat, 90, 20, 50},
        {fsNone, fsNone, 0, 1, AllSides, tsNormal, roFlat, 180, 50, 20},
        {fsNone, fsNone, 0, 1, AllSides, tsNormal, roFlat, 45, 49, 49},
        {fsNone, fsNone, 0, 1, AllSides, tsNormal, roFlat, 30, 53, 42},
        {fsNone, fsNone, 0, 1, AllSides, tsShadow, roFlat, 45, 51, 51},
        {fsNone, fsNone, 0, 1, AllSides, tsShadow, roFlat, 270, 21, 51},
    };
    for (const Case& c : cases) {
        TFcLabel* l = AddLabel("x");
        l->SetBorderOuter(c.outer);
        l->SetBorderInner(c.inner);
        l->SetBorderWidth(c.borderWidth);
        l->SetBevelWidth(c.bevel);
        l->SetBorderSides(c.sides);
        l->SetTextStyle(c.style);
        l->SetRotation(c.rotation);
        l->SetAngle(c.angle);
        TRect r{0, 0, 50, 20};
        l->GetTextRect(r);
        EXPECT_EQ(r.Width(), c.w) << int(c.outer) << " " << int(c.style) << " " << c.angle;
        EXPECT_EQ(r.Height(), c.h) << int(c.outer) << " " << int(c.style) << " " << c.angle;
        l->Free();
    }

    struct Inset {
        TFrameStyleEx outer, inner;
        TSides sides;
        bool includeWidth;
        TRect expected;
    };
    const Inset insets[] = {
        {fsFlat, fsButtonUp, TSides{sdLeft, sdBottom}, true, {5, 2, 98, 45}},
        {fsFlat, fsButtonUp, TSides{sdLeft, sdBottom}, false, {3, 0, 100, 47}},
        {fsStatus, fsNone, AllSides, false, {4, 4, 96, 46}},
        {fsFlatBold, fsNone, AllSides, true, {2, 2, 98, 48}},
    };
    for (const Inset& c : insets) {
        TFcLabel* l = AddLabel("x");
        l->SetBorderOuter(c.outer);
        l->SetBorderInner(c.inner);
        l->SetBorderSides(c.sides);
        l->SetBorderWidth(2);
        l->SetBevelWidth(4);
        TRect r{0, 0, 100, 50};
        l->AdjustBorderRect(r, c.includeWidth);
        EXPECT_EQ(r, c.expected) << int(c.outer);
        l->Free();
    }
}

// The straight text's passes, each drawn here from the rules: the colour and offset of every pass, the
// text moved down for the centre and bottom layouts.
TEST_F(LabelTest, StraightTextPassesPixelByPixel) {
    struct Pass {
        int dx, dy;
        TColor color;
    };
    struct Case {
        const char* what;
        TTextStyle style;
        bool light, enabled;
        vcl::TTextLayout layout;
        vcl::TAlignment alignment;
        std::vector<Pass> passes;
        int shadowShiftX, shadowShiftY;
    };
    const TColor shadow = vcl::clRed, highlight = vcl::clBlue, text = vcl::clBlack;
    const Case cases[] = {
        {"raised", tsRaised, false, true, vcl::tlCenter, vcl::taLeftJustify,
         {{1, 1, shadow}, {-1, -1, highlight}, {0, 0, text}}, 0, 0},
        {"light raised", tsRaised, true, true, vcl::tlBottom, vcl::taLeftJustify,
         {{-1, -1, highlight}, {0, 0, text}}, 0, 0},
        {"recessed", tsRecessed, false, true, vcl::tlBottom, vcl::taCenter,
         {{1, 1, highlight}, {-1, -1, shadow}, {0, 0, text}}, 0, 0},
        {"light recessed", tsRecessed, true, true, vcl::tlCenter, vcl::taLeftJustify,
         {{1, 1, highlight}, {0, 0, text}}, 0, 0},
        {"shadow", tsShadow, false, true, vcl::tlTop, vcl::taLeftJustify, {{3, 3, shadow}, {0, 0, text}}, 0, 0},
        {"shadow at the bottom right", tsShadow, false, true, vcl::tlBottom, vcl::taRightJustify,
         {{3, 3, shadow}, {0, 0, text}}, -3, -3},
        {"disabled", tsRaised, false, false, vcl::tlCenter, vcl::taLeftJustify,
         {{1, 1, vcl::clBtnHighlight}, {0, 0, vcl::clBtnShadow}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFcLabel* l = AddLabel("Ab", {10, 10, 70, 50});
        l->SetParentColor(false);
        l->SetColor(vcl::clWhite);
        l->GetFont()->SetColor(text);
        l->GetFont()->SetSize(12);
        l->SetShadowColor(shadow);
        l->SetHighlightColor(highlight);
        l->SetShadowDepth(3);
        l->SetTextStyle(c.style);
        l->SetLightTextStyle(c.light);
        l->SetLayout(c.layout);
        l->SetAlignment(c.alignment);
        l->SetEnabled(c.enabled);
        FForm->Show();

        fctest::Surface ref(60, 40, Rgb(vcl::clWhite));
        win::HDC dc = ref.Dc();
        win::HGDIOBJ old = win::SelectObject(dc, l->GetFont()->GetHandle());
        win::SetBkMode(dc, win::TRANSPARENT);
        const win::UINT align = c.alignment == vcl::taCenter         ? win::DT_CENTER
                                : c.alignment == vcl::taRightJustify ? win::DT_RIGHT
                                                                     : win::DT_LEFT;
        const win::UINT flags = align | win::DT_EXPANDTABS;
        win::SIZE size{0, 0};
        win::GetTextExtentPoint32(dc, "Ab", 2, &size);
        const int shift = c.layout == vcl::tlBottom ? 40 - size.cy : c.layout == vcl::tlCenter ? (40 - size.cy) / 2 : 0;
        for (const Pass& p : c.passes) {
            TRect r{p.dx + c.shadowShiftX, shift + p.dy + c.shadowShiftY, 60 + p.dx + c.shadowShiftX,
                    40 + shift + p.dy + c.shadowShiftY};
            win::SetTextColor(dc, Rgb(p.color));
            win::DrawText(dc, "Ab", 2, &r, flags);
        }
        win::SelectObject(dc, old);
        EXPECT_EQ(Pixels(l), Pixels(ref));
        l->Free();
    }
}

TEST_F(LabelTest, ACondensedCaptionEndsInAnEllipsisAndStopsSizing) {
    TFcLabel* l = AddLabel("A caption far too wide for the label", {10, 10, 90, 20});
    l->SetParentColor(false);
    l->SetColor(vcl::clWhite);
    l->GetFont()->SetColor(vcl::clBlack);
    l->SetAutoSize(true);
    ASSERT_GT(l->GetWidth(), 90) << "it sized itself to the caption";
    l->SetBounds(10, 10, 90, 20);
    l->SetCondenseCaption(ccAtEnd);
    EXPECT_FALSE(l->GetAutoSize());
    FForm->Show();

    // The longest start of the caption that fits with the three dots.
    fctest::Surface ref(90, 20, Rgb(vcl::clWhite));
    win::HDC dc = ref.Dc();
    win::HGDIOBJ old = win::SelectObject(dc, l->GetFont()->GetHandle());
    const std::string caption = l->GetCaption();
    auto width = [&](const std::string& s) {
        win::SIZE z{0, 0};
        win::GetTextExtentPoint32(dc, s.data(), int(s.size()), &z);
        return z.cx;
    };
    size_t n = caption.size();
    while (n > 0 && width(caption.substr(0, n) + "...") > 90)
        --n;
    const std::string shown = caption.substr(0, n) + "...";
    win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextColor(dc, Rgb(vcl::clBlack));
    win::TextOut(dc, 0, 0, shown.data(), int(shown.size()));
    win::SelectObject(dc, old);
    EXPECT_EQ(Pixels(l), Pixels(ref)) << shown;
}

TEST_F(LabelTest, ACurvedLabelNarrowerThanItsBordersDrawsOnlyTheBorders) {
    TFcLabel* l = AddLabel("Curve", {10, 10, 14, 30});
    l->SetParentColor(false);
    l->SetColor(vcl::clWhite);
    l->GetFont()->SetColor(vcl::clBlack);
    l->SetBorderOuter(fsFlat);
    l->SetFlatColor(vcl::clRed);
    l->SetFlatColorAdjustment(0);
    l->SetBorderWidth(2);
    l->SetBorderColor(vcl::clWhite);
    for (int32_t width : {4, 2, 40}) {
        l->SetBounds(10, 10, width, 30);
        l->SetRotation(roCurve);
        l->SetAngle(90);
        FForm->Show();
        const std::vector<COLORREF> px = Pixels(l);
        if (width == 40) {
            // Room enough for the ellipse: the text is drawn.
            EXPECT_NE(std::count_if(px.begin(), px.end(),
                                    [&](COLORREF c) { return c != Rgb(vcl::clWhite) && c != Rgb(vcl::clRed); }),
                      0);
            continue;
        }
        // The flat frame all round, then the colour inside.
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < width; ++x) {
                const bool edge = x == 0 || y == 0 || x == width - 1 || y == 29;
                EXPECT_EQ(px[size_t(y * width + x)], edge ? Rgb(vcl::clRed) : Rgb(vcl::clWhite))
                    << width << ": " << x << "," << y;
            }
    }
}

TEST_F(LabelTest, BlinkingLabelsAlternateTogether) {
    TFcLabel* a = AddLabel("A");
    TFcLabel* b = AddLabel("B", {10, 60, 70, 100});
    TFcLabel* still = AddLabel("C", {10, 110, 70, 150});
    for (TFcLabel* l : {a, b, still}) {
        l->GetFont()->SetColor(vcl::clBlack);
        l->SetBlinkColor(vcl::clRed);
    }
    a->SetBlinking(true);
    b->SetBlinking(true);
    EXPECT_EQ(a->Perform(BlinkQueryMsg, 0, 0), 1);
    EXPECT_EQ(still->Perform(BlinkQueryMsg, 0, 0), 0);
    FForm->Show();
    Pump();
    // The first period ends with the off state, the next with the on state.
    FClock.Advance(500);
    Pump();
    EXPECT_EQ(a->GetCurrentTextColor(), vcl::clBlack);
    FClock.Advance(500);
    Pump();
    EXPECT_EQ(a->GetCurrentTextColor(), vcl::clRed);
    EXPECT_EQ(b->GetCurrentTextColor(), vcl::clRed);
    EXPECT_EQ(still->GetCurrentTextColor(), vcl::clBlack);
    a->SetBlinking(false);
    EXPECT_EQ(a->GetCurrentTextColor(), vcl::clBlack) << "at once";
    FClock.Advance(500);
    Pump();
    EXPECT_EQ(b->GetCurrentTextColor(), vcl::clBlack);
    EXPECT_EQ(a->GetCurrentTextColor(), vcl::clBlack);
    // A label freed while the list ticks leaves the others blinking.
    b->Free();
    FClock.Advance(500);
    Pump();
    EXPECT_EQ(a->GetCurrentTextColor(), vcl::clBlack);
}

TEST_F(LabelTest, FlyByColourUnderTheMouse) {
    TFcLabel* l = AddLabel("Fly");
    l->GetFont()->SetColor(vcl::clBlack);
    l->SetFlyByEnabled(true);
    l->SetFlyByColor(vcl::clGreen);
    int enters = 0, leaves = 0;
    l->OnMouseEnter = [&](vcl::TObject*) { ++enters; };
    l->OnMouseLeave = [&](vcl::TObject*) { ++leaves; };
    l->Perform(vcl::CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(l->GetFont()->GetColor(), vcl::clGreen);
    EXPECT_EQ(l->GetCurrentTextColor(), vcl::clGreen);
    l->Perform(vcl::CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(l->GetFont()->GetColor(), vcl::clBlack);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    l->Perform(vcl::CM_MOUSEENTER, 0, 0);
    l->SetFlyByEnabled(false);
    EXPECT_EQ(l->GetFont()->GetColor(), vcl::clBlack);
}

TEST_F(LabelTest, TheFrameControllerGivesItsFrame) {
    TFcLabel* l = AddLabel("Framed");
    auto* fc = new TFcFrameController(FForm);
    fc->SetFrameVisible(true);
    fc->SetFrameStyle(fsButtonUp);
    fc->SetFrameSides(TSides{sdLeft, sdTop});
    fc->SetFrameColor(vcl::clRed);
    fc->SetColor(vcl::clYellow);
    l->SetFrameController(fc);
    EXPECT_EQ(l->GetBorderOuter(), fsButtonUp);
    EXPECT_EQ(l->GetBorderSides(), (TSides{sdLeft, sdTop}));
    EXPECT_EQ(l->GetFlatColor(), vcl::clRed);
    EXPECT_EQ(l->GetFlatColorAdjustment(), 0);
    EXPECT_EQ(l->GetColor(), vcl::clYellow);
    EXPECT_FALSE(l->GetParentColor());
    EXPECT_EQ(l->GetBorderHighlight(), LighterColor(vcl::clYellow, 100));
    EXPECT_EQ(l->GetBorderShadow(), DarkerColor(vcl::clYellow, 50));
    fc->Free();
    EXPECT_EQ(l->GetFrameController(), nullptr);
}

TEST_F(LabelTest, AUrlLabelOpensItsAddressAndTurnsVisited) {
    std::vector<std::vector<std::string>> launches;
    int status = 0;
    win::SetShellLaunchSpy([&](const std::vector<std::string>& argv) {
        launches.push_back(argv);
        return status;
    });
    auto* u = AddLabel<TFcURLLabel>("http://caption.example/");
    EXPECT_EQ(u->GetCursor(), 26000);
    EXPECT_EQ(vcl::Screen->GetCursors(26000), win::LoadCursor(nullptr, win::IDC_HAND));
    EXPECT_TRUE(u->GetFont()->GetStyle().Contains(vcl::fsUnderline));
    FForm->Show();
    Pump();
    auto click = [&] {
        FScreen.InjectClick(FForm->ClientToScreen({u->GetLeft() + 3, u->GetTop() + 3}));
        Pump();
    };

    u->SetURL("  http://x.example/?a=1&b=$(id)  ");
    click();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].back(), "http://x.example/?a=1&b=$(id)");
    EXPECT_TRUE(u->GetVisited());
    EXPECT_EQ(u->GetFont()->GetColor(), TColor(0x800080));

    u->SetVisited(false);
    EXPECT_EQ(u->GetFont()->GetColor(), vcl::clHighlight);
    u->SetURL("   ");
    click();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[1].back(), "http://caption.example/");

    // A failing open leaves it unvisited and opens nothing else, even for a page.
    u->SetVisited(false);
    status = 3;
    u->SetURL("http://x.example/page.htm");
    click();
    EXPECT_EQ(launches.size(), 3u);
    EXPECT_FALSE(u->GetVisited());

    u->SetURL("");
    u->SetCaption("");
    status = 0;
    click();
    EXPECT_EQ(launches.size(), 3u) << "nothing to open";
    EXPECT_FALSE(u->GetVisited());
}

} // namespace
