#include "controls/FcCommon.h"
#include "controls/FcControlButton.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/theme/RecordingThemeEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::MouseAction;

namespace {

COLORREF CbRgb(TColor c) { return COLORREF(vcl::ColorToRGB(c)); }

// Calls the mouse handlers directly, as the parent window would.
class TProbeControlButton : public TFcControlButton {
public:
    using TFcControlButton::TFcControlButton;
    using TFcControlButton::MouseDown;
    using TFcControlButton::MouseUp;
};

class ControlButtonTest : public fctest::FormTest {
protected:
    ControlButtonTest() : FormTest(100, 100, 200, 120) {}
    TProbeControlButton* AddButton(TFcControlButtonStyle style, int x = 10, int y = 10) {
        auto* b = new TProbeControlButton(FForm);
        b->SetParent(FForm);
        b->SetLeft(x);
        b->SetTop(y);
        b->SetStyle(style);
        return b;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Wait(uint64_t ms) {
        FClock.Advance(ms);
        Pump();
    }
    void Mouse(MouseAction action, vcl::TControl* c, win::TPoint p) {
        FScreen.InjectMouse(action, c->ClientToScreen(p));
        Pump();
    }
    // The button's pixel at (x, y) of its client area, as the screen shows it.
    COLORREF Pixel(vcl::TControl* b, int x, int y) {
        b->Repaint();
        const win::TPoint at = b->ClientToScreen({x, y});
        win::TRect w;
        win::GetWindowRect(FForm->GetHandle(), &w);
        return FScreen.WindowPixel(FForm->GetHandle(), at.X - w.Left, at.Y - w.Top);
    }
};

TEST_F(ControlButtonTest, HeldWithRepeatClicksItClicksAt400MsAndEvery100MsAfter) {
    TProbeControlButton* b = AddButton(cbsUp);
    b->SetRepeatClicks(true);
    EXPECT_EQ(b->GetWidth(), 17);
    EXPECT_EQ(b->GetHeight(), 21);
    int clicks = 0;
    b->OnClick = [&](vcl::TObject*) { ++clicks; };
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, b, {8, 10});
    EXPECT_TRUE(b->GetDown());
    EXPECT_TRUE(b->GetTracking());
    Wait(399);
    EXPECT_EQ(clicks, 0);
    Wait(1);
    EXPECT_EQ(clicks, 1);
    for (int i = 0; i < 9; ++i)
        Wait(100);
    EXPECT_EQ(clicks, 10); // by 1300 ms
    Mouse(MouseAction::LeftUp, b, {8, 10});
    EXPECT_EQ(clicks, 11); // released inside: once more
    EXPECT_FALSE(b->GetDown());
    EXPECT_FALSE(b->GetRepeatTimer()->GetEnabled());
    Wait(1000);
    EXPECT_EQ(clicks, 11);

    // Released outside: the repeats it made stay, no click for the release.
    Mouse(MouseAction::LeftDown, b, {8, 10});
    Wait(400);
    Wait(100);
    EXPECT_EQ(clicks, 13);
    Mouse(MouseAction::Move, b, {60, 10});
    Mouse(MouseAction::LeftUp, b, {60, 10});
    EXPECT_EQ(clicks, 13);
    Wait(500);
    EXPECT_EQ(clicks, 13);

    // Without RepeatClicks one click, on release.
    b->SetRepeatClicks(false);
    Mouse(MouseAction::LeftDown, b, {8, 10});
    Wait(1000);
    Mouse(MouseAction::LeftUp, b, {8, 10});
    EXPECT_EQ(clicks, 14);
}

TEST_F(ControlButtonTest, AnExceptionFromOnClickStopsTheRepeat) {
    TProbeControlButton* b = AddButton(cbsDown);
    b->SetRepeatClicks(true);
    int clicks = 0, reported = 0;
    b->OnClick = [&](vcl::TObject*) {
        ++clicks;
        throw vcl::Exception("refused");
    };
    vcl::Application->OnException = [&](vcl::TObject*, const std::exception&) { ++reported; };
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, b, {8, 10});
    Wait(400);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(reported, 1);
    EXPECT_FALSE(b->GetRepeatTimer()->GetEnabled());
    Wait(1000);
    EXPECT_EQ(clicks, 1);
    vcl::Application->OnException = nullptr;
}

TEST_F(ControlButtonTest, ADisabledButtonIgnoresTheLeftButton) {
    TProbeControlButton* b = AddButton(cbsUp);
    b->SetRepeatClicks(true);
    int clicks = 0;
    b->OnClick = [&](vcl::TObject*) { ++clicks; };
    b->SetEnabled(false);
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, b, {8, 10});
    EXPECT_FALSE(b->GetDown());
    EXPECT_FALSE(b->GetTracking());
    Wait(1000);
    Mouse(MouseAction::LeftUp, b, {8, 10});
    EXPECT_EQ(clicks, 0);
}

TEST_F(ControlButtonTest, AFlatButtonShowsNoBorderUntilHovered) {
    TProbeControlButton* b = AddButton(cbsNone);
    b->SetFlat(true);
    b->SetColor(vcl::clWhite);
    FForm->Show();
    Pump();
    Mouse(MouseAction::Move, FForm, {100, 50});
    for (auto [x, y] : {std::pair{0, 0}, {16, 20}, {8, 10}})
        EXPECT_EQ(Pixel(b, x, y), CbRgb(vcl::clWhite)) << x << "," << y;
    Mouse(MouseAction::Move, b, {8, 10});
    EXPECT_TRUE(b->GetMouseOver());
    EXPECT_EQ(Pixel(b, 0, 0), CbRgb(vcl::clBtnHighlight)); // fsPopup
    EXPECT_EQ(Pixel(b, 16, 20), CbRgb(vcl::clBtnShadow));
    EXPECT_EQ(Pixel(b, 8, 10), CbRgb(vcl::clWhite));
    Mouse(MouseAction::LeftDown, b, {8, 10});
    EXPECT_EQ(Pixel(b, 0, 0), CbRgb(vcl::clBtnShadow)); // fsStatus while down
    EXPECT_EQ(Pixel(b, 16, 20), CbRgb(vcl::clBtnHighlight));
    Mouse(MouseAction::LeftUp, b, {8, 10});
    EXPECT_TRUE(b->GetMouseOver()); // still over it after the release
    Mouse(MouseAction::Move, FForm, {100, 50});
    EXPECT_FALSE(b->GetMouseOver());
    EXPECT_EQ(Pixel(b, 0, 0), CbRgb(vcl::clWhite));
}

// Whether a pixel's centre lies inside the polygon (ray casting), and its distance to the nearest edge.
bool CbInside(const std::vector<win::TPoint>& poly, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const double xi = poly[i].X, yi = poly[i].Y, xj = poly[j].X, yj = poly[j].Y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            in = !in;
    }
    return in;
}

double CbEdgeDistance(const std::vector<win::TPoint>& poly, double x, double y) {
    double best = 1e9;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const double ax = poly[j].X, ay = poly[j].Y, bx = poly[i].X, by = poly[i].Y;
        const double dx = bx - ax, dy = by - ay;
        double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
        t = std::max(0.0, std::min(1.0, t));
        best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
    }
    return best;
}

struct ArrowCase {
    TFcControlButtonStyle Style;
    bool Down;
    bool Enabled;
    std::vector<win::TPoint> Points; // the triangle the frame model's formulas give for a 17 x 21 button
};

TEST_F(ControlButtonTest, ArrowsAreTheTrianglesOfTheFrameModel) {
    // Up: inside the raised border (2, 2, 15, 19), centre (8, 10); up and down move it 2 down, left and
    // right 2 left. Down (pressed): a one-pixel bevel, inside (1, 1, 16, 20), centre (8, 10), then (+1, +1).
    const std::vector<ArrowCase> cases = {
        {cbsUp, false, true, {{8, 7}, {12, 12}, {4, 12}}},
        {cbsDown, false, true, {{8, 13}, {5, 9}, {12, 9}}},
        {cbsLeft, false, true, {{6, 10}, {10, 6}, {10, 14}}},
        {cbsRight, false, true, {{10, 10}, {6, 14}, {6, 6}}},
        {cbsUp, true, true, {{9, 8}, {13, 13}, {5, 13}}},
        {cbsDown, false, false, {{8, 13}, {5, 9}, {12, 9}}},
    };
    FForm->Show();
    Pump();
    for (const ArrowCase& c : cases) {
        TProbeControlButton* b = AddButton(c.Style);
        b->SetEnabled(c.Enabled);
        if (c.Down)
            Mouse(MouseAction::LeftDown, b, {3, 3});
        const std::string what = std::to_string(int(c.Style)) + (c.Down ? " down" : "") + (c.Enabled ? "" : " disabled");
        if (c.Down) {
            EXPECT_EQ(Pixel(b, 0, 0), CbRgb(vcl::clBtnShadow)) << what;
            EXPECT_EQ(Pixel(b, 16, 20), CbRgb(vcl::clBtnShadow)) << what;
        } else {
            EXPECT_EQ(Pixel(b, 0, 0), CbRgb(vcl::clBtnHighlight)) << what;
            EXPECT_EQ(Pixel(b, 1, 1), CbRgb(vcl::cl3DLight)) << what;
            EXPECT_EQ(Pixel(b, 16, 20), CbRgb(vcl::cl3DDkShadow)) << what;
            EXPECT_EQ(Pixel(b, 15, 19), CbRgb(vcl::clBtnShadow)) << what;
        }
        const COLORREF arrow = CbRgb(c.Enabled ? vcl::clBlack : vcl::clBtnShadow);
        int inside = 0;
        for (int y = 3; y < 18; ++y)
            for (int x = 3; x < 14; ++x) {
                // A polygon without a pen takes the pixels whose top-left corner it covers; a corner on an edge
                // is the fill rule's own case, tested with the GDI.
                const double px = x, py = y;
                if (CbEdgeDistance(c.Points, px, py) < 1e-9)
                    continue;
                const bool in = CbInside(c.Points, px, py);
                inside += in;
                EXPECT_EQ(Pixel(b, x, y), in ? arrow : CbRgb(vcl::clBtnFace)) << what << " at " << x << "," << y;
            }
        EXPECT_GT(inside, 4) << what;
        if (c.Down)
            Mouse(MouseAction::LeftUp, b, {3, 3});
        delete b;
    }
}

TEST_F(ControlButtonTest, AGlyphLeavesOutTheColourOfItsBottomLeftPixel) {
    TProbeControlButton* b = AddButton(cbsNone);
    vcl::TBitmap glyph;
    glyph.SetSize(16, 8); // two cells: enabled red, disabled blue
    vcl::TCanvas* g = glyph.GetCanvas();
    g->GetBrush()->SetColor(vcl::clRed);
    g->FillRect({0, 0, 8, 8});
    g->GetBrush()->SetColor(vcl::clBlue);
    g->FillRect({8, 0, 16, 8});
    for (int y = 0; y < 8; ++y) {
        g->SetPixel(3, y, vcl::clLime);
        g->SetPixel(11, y, vcl::clLime);
    }
    g->SetPixel(0, 7, vcl::clLime);
    b->SetGlyph(&glyph);
    EXPECT_EQ(b->GetNumGlyphs(), 2);
    FForm->Show();
    Pump();
    // Inside the raised border (2, 2, 15, 19), shrunk by 1, the 8 x 8 cell is centred at (4, 6).
    EXPECT_EQ(Pixel(b, 5, 7), CbRgb(vcl::clRed));
    EXPECT_EQ(Pixel(b, 7, 8), CbRgb(vcl::clBtnFace)); // lime: transparent
    EXPECT_EQ(Pixel(b, 4, 13), CbRgb(vcl::clBtnFace));
    EXPECT_EQ(Pixel(b, 11, 13), CbRgb(vcl::clRed));
    EXPECT_EQ(Pixel(b, 12, 13), CbRgb(vcl::clBtnFace)); // outside the cell
    b->SetEnabled(false);
    EXPECT_EQ(Pixel(b, 5, 7), CbRgb(vcl::clBlue));
    EXPECT_EQ(Pixel(b, 7, 8), CbRgb(vcl::clBtnFace));

    // Pressed, the glyph moves one pixel right and down.
    b->SetEnabled(true);
    Mouse(MouseAction::LeftDown, b, {2, 2});
    EXPECT_EQ(Pixel(b, 4, 6), CbRgb(vcl::clBtnFace));
    EXPECT_EQ(Pixel(b, 5, 7), CbRgb(vcl::clRed));
    EXPECT_EQ(Pixel(b, 8, 8), CbRgb(vcl::clBtnFace));
    Mouse(MouseAction::LeftUp, b, {2, 2});

    // A glyph of five cells counts as one.
    vcl::TBitmap strip;
    strip.SetSize(40, 8);
    b->SetGlyph(&strip);
    EXPECT_EQ(b->GetNumGlyphs(), 1);
}

TEST_F(ControlButtonTest, ThemedPartsFollowTheState) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    for (const char* cls : {"toolbar", "spin", "combobox"})
        engine->AddClass(cls);
    win::SetThemeEngine(engine);
    struct Case {
        TFcControlButtonStyle Style;
        std::string Class;
        int Part;
    };
    const std::vector<Case> cases = {{cbsNone, "toolbar", 2}, {cbsUp, "spin", 1}, {cbsDown, "spin", 2},
                                     {cbsLeft, "spin", 4},    {cbsRight, "spin", 3}, {cbsDropDown, "combobox", 1}};
    FForm->Show();
    Pump();
    for (const Case& c : cases) {
        TProbeControlButton* b = AddButton(c.Style);
        auto last = [&]() -> win::ThemeCall {
            engine->ClearCalls();
            b->Repaint();
            auto calls = engine->CallsOf("DrawThemeBackground");
            EXPECT_FALSE(calls.empty()) << c.Class;
            return calls.empty() ? win::ThemeCall{} : calls.back();
        };
        Mouse(MouseAction::Move, FForm, {100, 50});
        win::ThemeCall call = last();
        EXPECT_EQ(call.Class, c.Class);
        EXPECT_EQ(call.Part, c.Part) << c.Class;
        EXPECT_EQ(call.State, 1) << c.Class; // normal
        Mouse(MouseAction::Move, b, {8, 10});
        call = last();
        EXPECT_EQ(call.State, 2) << c.Class; // hot
        if (c.Style == cbsNone)
            EXPECT_EQ(call.Rect, (win::TRect{0, 0, 20, 25})); // grown: its outer edges fall outside
        else if (c.Style == cbsDropDown)
            EXPECT_EQ(call.Rect, (win::TRect{-1, -1, 18, 22}));
        else
            EXPECT_EQ(call.Rect, (win::TRect{0, 0, 17, 21}));
        Mouse(MouseAction::LeftDown, b, {8, 10});
        EXPECT_EQ(last().State, 3) << c.Class; // pressed
        Mouse(MouseAction::LeftUp, b, {8, 10});
        Mouse(MouseAction::Move, FForm, {100, 50});
        b->SetEnabled(false);
        EXPECT_EQ(last().State, 4) << c.Class; // disabled
        delete b;
    }
}

TEST_F(ControlButtonTest, TheRepeatEndsWithTheButtonAndAClickMayFreeItsForm) {
    TProbeControlButton* b = AddButton(cbsUp);
    b->SetRepeatClicks(true);
    int clicks = 0;
    b->OnClick = [&](vcl::TObject*) { ++clicks; };
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, b, {8, 10});
    Wait(400);
    EXPECT_EQ(clicks, 1);
    delete b; // while held
    Wait(1000);
    EXPECT_EQ(clicks, 1);
    FScreen.InjectMouse(MouseAction::LeftUp, FForm->ClientToScreen({18, 20}));
    Pump();

    // A flat button whose click frees its form: the hover check after the click is skipped.
    TProbeControlButton* c = AddButton(cbsNone);
    c->SetFlat(true);
    c->SetRepeatClicks(true);
    c->OnClick = [this](vcl::TObject*) { delete std::exchange(FForm, nullptr); };
    c->MouseDown(vcl::mbLeft, {}, 5, 5);
    c->MouseUp(vcl::mbLeft, {}, 5, 5);
    EXPECT_EQ(FForm, nullptr);
    Wait(1000);
}

} // namespace
