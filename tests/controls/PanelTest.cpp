#include "controls/FcCommon.h"
#include "controls/FcPanel.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Keys.h"

#include <gtest/gtest.h>

using namespace controls;
using win::COLORREF;
using win::TRect;

namespace {

using fctest::Rgb;

class PanelTest : public fctest::FormTest {
protected:
    PanelTest() : FormTest(100, 100, 400, 300) {}
    template <class T> T* Add(vcl::TWinControl* parent, int x, int y, int w, int h) {
        auto* c = new T(FForm);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    COLORREF Pixel(vcl::TWinControl* c, int x, int y) {
        c->Repaint();
        return FScreen.WindowPixel(c->GetHandle(), x, y);
    }
};

TEST_F(PanelTest, FrameInsetsPerStyle) {
    auto* p = Add<TFcPanel>(FForm, 10, 10, 100, 60);
    p->SetBevelWidth(3);
    struct Case {
        TFrameStyleEx style;
        int width;
    };
    for (Case c : {Case{fsNone, 0}, Case{fsFlat, 1}, Case{fsGroove, 2}, Case{fsBump, 2}, Case{fsLowered, 2},
                   Case{fsButtonDown, 2}, Case{fsRaised, 2}, Case{fsButtonUp, 2}, Case{fsStatus, 3},
                   Case{fsPopup, 3}, Case{fsFlatBold, 2}, Case{fsFlatRounded, 2}}) {
        p->SetBorderOuter(c.style);
        p->SetBorderInner(fsFlat);
        p->SetBorderSides(AllSides);
        TRect r{0, 0, 100, 60};
        p->AdjustBorderRect(r, false);
        EXPECT_EQ(r, (TRect{c.width + 1, c.width + 1, 99 - c.width, 59 - c.width})) << int(c.style);
        p->SetBorderWidth(4);
        p->SetBorderSides({sdLeft, sdBottom});
        r = {0, 0, 100, 60};
        p->AdjustBorderRect(r, true);
        EXPECT_EQ(r, (TRect{4 + c.width + 1, 4, 96, 56 - c.width - 1})) << int(c.style);
        p->SetBorderWidth(0);
    }
}

TEST_F(PanelTest, TheEditorsPreviewPanelAlignsAChildTwoPixelsIn) {
    auto* p = Add<TFcPanel>(FForm, 10, 10, 200, 150);
    p->SetBorderOuter(fsFlat);
    p->SetBorderHighlight(vcl::clWhite);
    p->SetBorderShadow(13290186);
    p->SetBorderWidth(1);
    p->SetColor(vcl::clWindow);
    p->SetFlatColorAdjustment(0);
    auto* child = Add<vcl::TPanel>(p, 0, 0, 10, 10);
    child->SetAlign(vcl::alClient);
    EXPECT_EQ(child->GetBoundsRect(), (TRect{2, 2, 198, 148}));
    FForm->Show();
    Pump();
    // The flat frame in the flat colour itself (adjustment 0), the border width in the panel's colour.
    EXPECT_EQ(Pixel(p, 0, 50), Rgb(vcl::clBtnShadow));
    EXPECT_EQ(Pixel(p, 199, 149), Rgb(vcl::clBtnShadow));
    EXPECT_EQ(Pixel(p, 1, 50), Rgb(vcl::clBtnFace)); // BorderColor
    EXPECT_EQ(Pixel(p, 2, 50), Rgb(vcl::clWindow));
}

TEST_F(PanelTest, GridsByPixels) {
    auto* p = Add<TFcPanel>(FForm, 10, 10, 50, 40);
    p->SetBorderOuter(fsNone);
    p->SetColor(TColor(0xFFFFFF));
    p->SetGridColor(TColor(0x0000FF));
    p->SetShowGrid(true);
    p->SetGridXSize(10);
    p->SetGridYSize(8);
    FForm->Show();
    Pump();
    const COLORREF grid = 0x0000FF, back = 0xFFFFFF;
    // Dots at (i * 10 - 1, j * 8 - 1).
    p->SetGridStyle(gsDots);
    EXPECT_EQ(Pixel(p, 9, 7), grid);
    EXPECT_EQ(Pixel(p, 49, 39), grid);
    EXPECT_EQ(Pixel(p, 9, 8), back);
    EXPECT_EQ(Pixel(p, 10, 7), back);
    // Solid lines: columns 9, 19 ... full height, rows 7, 15 ... full width.
    p->SetGridStyle(gsSolidLines);
    EXPECT_EQ(Pixel(p, 9, 0), grid);
    EXPECT_EQ(Pixel(p, 9, 3), grid);
    EXPECT_EQ(Pixel(p, 0, 15), grid);
    EXPECT_EQ(Pixel(p, 4, 3), back);
    // Dotted lines: every second pixel, the first one after the line's start.
    p->SetGridStyle(gsDottedLines);
    EXPECT_EQ(Pixel(p, 9, 0), back);
    EXPECT_EQ(Pixel(p, 9, 1), grid);
    EXPECT_EQ(Pixel(p, 9, 2), back);
    EXPECT_EQ(Pixel(p, 1, 7), grid);
    EXPECT_EQ(Pixel(p, 2, 7), back);
    // A size of 0 draws none of its lines and no dots.
    p->SetGridXSize(0);
    EXPECT_EQ(Pixel(p, 9, 1), back);
    EXPECT_EQ(Pixel(p, 1, 7), grid); // the rows stay
    p->SetGridStyle(gsDots);
    EXPECT_EQ(Pixel(p, 9, 7), back);
    p->SetGridXSize(10);
    p->SetGridYSize(0);
    EXPECT_EQ(Pixel(p, 9, 7), back);
    p->SetGridStyle(gsSolidLines);
    EXPECT_EQ(Pixel(p, 0, 15), back);
    EXPECT_EQ(Pixel(p, 9, 3), grid);
}

TEST_F(PanelTest, DisablingRemembersWhichChildrenWereEnabled) {
    auto* p = Add<TFcPanel>(FForm, 10, 10, 200, 150);
    auto* a = Add<vcl::TEdit>(p, 5, 5, 50, 20);
    auto* b = Add<vcl::TEdit>(p, 5, 40, 50, 20);
    a->SetEnabled(false);
    p->SetEnabled(false);
    EXPECT_FALSE(b->GetEnabled());
    p->SetEnabled(true);
    EXPECT_FALSE(a->GetEnabled());
    EXPECT_TRUE(b->GetEnabled());

    // A remembered child that leaves or is freed is forgotten: what takes its place is enabled again.
    p->SetEnabled(false);
    EXPECT_EQ(p->RememberedChildCount(), 2u);
    a->SetParent(FForm);
    EXPECT_EQ(p->RememberedChildCount(), 1u);
    b->Free();
    EXPECT_EQ(p->RememberedChildCount(), 0u);
    auto* c = Add<vcl::TEdit>(p, 5, 70, 50, 20);
    c->SetEnabled(false); // as the panel's disabling would have left it
    p->SetEnabled(true);
    EXPECT_TRUE(c->GetEnabled());
}

TEST_F(PanelTest, BottomAndRightPanelsGrowAwayFromTheirEdge) {
    auto* bottom = Add<TFcPanel>(FForm, 0, 0, 10, 40);
    bottom->SetAlign(vcl::alBottom);
    const TRect before = bottom->GetBoundsRect();
    bottom->SetHeight(60);
    EXPECT_EQ(bottom->GetBoundsRect(), (TRect{before.Left, before.Bottom - 60, before.Right, before.Bottom}));
    auto* right = Add<TFcPanel>(FForm, 0, 0, 30, 10);
    right->SetAlign(vcl::alRight);
    const TRect r0 = right->GetBoundsRect();
    right->SetWidth(50);
    EXPECT_EQ(right->GetBoundsRect().Right, r0.Right);
    EXPECT_EQ(right->GetWidth(), 50);
}

TEST_F(PanelTest, ATransparentPanelShowsItsParentsPattern) {
    auto* parent = Add<TFcPanel>(FForm, 10, 10, 200, 150);
    parent->SetBorderOuter(fsNone);
    parent->SetColor(TColor(0xFFFFFF));
    parent->SetGridColor(TColor(0x0000FF));
    parent->SetGridXSize(4);
    parent->SetGridYSize(4);
    parent->SetShowGrid(true);
    auto* p = Add<TFcPanel>(parent, 20, 20, 60, 40);
    p->SetBorderOuter(fsNone);
    p->SetColor(TColor(0x00FF00));
    p->SetCaption("Caption");
    FForm->Show();
    Pump();
    // The parent's dots at (4i - 1, 4j - 1) fall on the panel at (4i - 21, 4j - 21): (3, 3), (7, 7) ...
    EXPECT_EQ(Pixel(p, 3, 3), 0x00FF00u);
    p->SetTransparent(true);
    EXPECT_EQ(Pixel(p, 3, 3), 0x0000FFu);
    EXPECT_EQ(Pixel(p, 4, 3), 0xFFFFFFu);
    EXPECT_EQ(Pixel(p, 59, 39), 0x0000FFu);
}

TEST_F(PanelTest, TheFrameControllersSettings) {
    auto* controller = new TFcFrameController(FForm);
    auto* p = Add<TFcPanel>(FForm, 10, 10, 100, 60);
    p->SetFrameController(controller);
    EXPECT_EQ(p->GetBorderOuter(), fsRaised); // the controller's frame is not visible yet
    controller->SetColor(TColor(0x80C0E0));
    controller->SetFrameColor(TColor(0x102030));
    controller->SetFrameStyle(fsFlatBold);
    controller->SetFrameSides({sdTop, sdBottom});
    controller->SetFrameVisible(true);
    EXPECT_EQ(p->GetBorderOuter(), fsFlatBold);
    EXPECT_EQ(p->GetBorderSides(), (TSides{sdTop, sdBottom}));
    EXPECT_EQ(p->GetFlatColor(), TColor(0x102030));
    EXPECT_EQ(p->GetFlatColorAdjustment(), 0);
    EXPECT_EQ(p->GetColor(), TColor(0x80C0E0));
    EXPECT_EQ(p->GetBorderHighlight(), LighterColor(TColor(0x80C0E0), 100));
    EXPECT_EQ(p->GetBorderShadow(), DarkerColor(TColor(0x80C0E0), 50));
    // A group box takes them only in its custom style.
    auto* g = Add<TFcGroupBox>(FForm, 10, 100, 100, 60);
    g->SetFrameController(controller);
    EXPECT_EQ(g->GetBorderOuter(), fsNone);
    g->SetGroupStyle(gsCustom);
    controller->SetFrameColor(TColor(0x203040));
    EXPECT_EQ(g->GetBorderOuter(), fsFlatBold);
    EXPECT_EQ(g->GetFlatColor(), TColor(0x203040));
    controller->Free();
    EXPECT_EQ(p->GetFrameController(), nullptr);
    EXPECT_EQ(g->GetFrameController(), nullptr);
}

TEST_F(PanelTest, GroupBoxClientRectangles) {
    auto* g = Add<TFcGroupBox>(FForm, 10, 10, 200, 105);
    g->SetCaption("Frame Properties");
    EXPECT_EQ(g->GetGroupStyle(), gsFlat);
    EXPECT_EQ(g->GetHeight(), 105);
    g->GetCanvas()->SetFont(g->GetFont());
    const int h = g->GetCanvas()->TextHeight("Yy");
    struct Case {
        TFcGroupBoxStyle style;
        int borderWidth;
        TRect expected;
    };
    const int a = h / 2 - 1;
    const Case cases[] = {
        {gsFlat, 0, {1, h + 1, 199, 104}},
        {gsTopLine, 0, {1, h + 1, 199, 104}},
        {gsStandard, 0, {2, h + 2, 198, 103}},
        {gsCustom, 0, {2, h + 2, 198, 103}},
        // A border wider than half the caption: only A = H div 2 - 1 further down.
        {gsFlat, a + 1, {a + 1 + 1, a + 1 + a + 1, 200 - a - 2, 105 - a - 2}},
        {gsFlat, 2, {3, 2 + (a < 2 ? a : h - 2) + 1, 197, 102}},
    };
    for (const Case& c : cases) {
        g->SetGroupStyle(c.style);
        g->SetBorderWidth(c.borderWidth);
        TRect r = g->GetClientRect();
        g->AdjustClientRect(r);
        EXPECT_EQ(r, c.expected) << int(c.style) << " border " << c.borderWidth;
    }
}

TEST_F(PanelTest, GroupBoxFramesCaptionsAndStyles) {
    auto* g = Add<TFcGroupBox>(FForm, 10, 10, 200, 105);
    g->SetColor(TColor(0xFFFFFF));
    g->SetFlatColor(TColor(0x0000C0));
    g->SetFlatColorAdjustment(0);
    FForm->Show();
    Pump();
    g->GetCanvas()->SetFont(g->GetFont());
    const int h = g->GetCanvas()->TextHeight("Pp");
    const int top = h / 2 - 1;
    const COLORREF flat = 0x0000C0, back = 0xFFFFFF;
    // gsFlat, no caption: the top edge runs whole from Left + 2 to Right - 2; corners cut with one pixel in.
    for (int x = 2; x < 198; x += 7)
        EXPECT_EQ(Pixel(g, x, top), flat) << x;
    EXPECT_EQ(Pixel(g, 1, top), back);
    EXPECT_EQ(Pixel(g, 1, top + 1), flat);
    EXPECT_EQ(Pixel(g, 198, top + 1), flat);
    EXPECT_EQ(Pixel(g, 198, 103), flat);
    EXPECT_EQ(Pixel(g, 1, 103), flat);
    EXPECT_EQ(Pixel(g, 0, top + 2), flat);
    EXPECT_EQ(Pixel(g, 0, top + 1), back);
    EXPECT_EQ(Pixel(g, 199, 50), flat);
    EXPECT_EQ(Pixel(g, 50, 104), flat);
    EXPECT_EQ(Pixel(g, 0, 103), back);

    // A caption cuts the frame 8 pixels from the left, or from the right when right-to-left.
    g->SetCaption("Animation Properties");
    TRect q = g->CaptionRect();
    EXPECT_EQ(q.Left, 8);
    EXPECT_EQ(Pixel(g, 7, top), flat);
    EXPECT_EQ(Pixel(g, q.Right + 1, top), flat);
    int cut = 0;
    for (int x = q.Left; x < q.Right; ++x)
        cut += Pixel(g, x, top) != flat;
    EXPECT_GT(cut, (q.Right - q.Left) / 2);
    g->SetBiDiMode(vcl::bdRightToLeft);
    q = g->CaptionRect();
    EXPECT_EQ(q.Right, 200 - 8);
    g->SetGroupStyle(gsStandard);
    EXPECT_EQ(g->CaptionRect().Right, 200 - 8);
    g->SetGroupStyle(gsTopLine);
    EXPECT_EQ(g->CaptionRect().Right, 200);
    EXPECT_FALSE(g->GetThemeAware());
    g->SetThemeAware(true);
    EXPECT_TRUE(g->GetThemeAware());
    g->SetBiDiMode(vcl::bdLeftToRight);
    EXPECT_EQ(g->CaptionRect().Left, 0);

    // gsTopLine with a flat style: one line from Left + 2 to Right - 2 at the top, nothing below.
    g->SetThemeAware(false);
    g->SetCaption("");
    g->SetBorderOuter(fsFlat);
    EXPECT_EQ(Pixel(g, 2, top), flat);
    EXPECT_EQ(Pixel(g, 197, top), flat);
    EXPECT_EQ(Pixel(g, 198, top), back);
    EXPECT_EQ(Pixel(g, 50, top + 1), back);
    EXPECT_EQ(Pixel(g, 0, 50), back);
    g->SetBorderOuter(fsFlatBold);
    EXPECT_EQ(Pixel(g, 50, top + 1), flat);
    // fsFlatRounded draws as fsFlat.
    g->SetBorderOuter(fsFlatRounded);
    EXPECT_EQ(Pixel(g, 50, top), flat);
    EXPECT_EQ(Pixel(g, 50, top + 1), back);
    g->SetGroupStyle(gsStandard);
    EXPECT_EQ(Pixel(g, 0, 50), flat); // as fsFlat: a one-pixel bevel all round
    EXPECT_EQ(Pixel(g, 1, 50), back);
}

TEST_F(PanelTest, TheGroupBoxsAcceleratorFocusesItsFirstChild) {
    auto* edit = Add<vcl::TEdit>(FForm, 220, 10, 60, 20);
    auto* g = Add<TFcGroupBox>(FForm, 10, 10, 200, 105);
    g->SetCaption("&Frame");
    auto* second = Add<vcl::TEdit>(g, 10, 60, 60, 20);
    auto* first = Add<vcl::TEdit>(g, 10, 30, 60, 20);
    first->SetTabOrder(0);
    (void)second;
    FForm->Show();
    edit->SetFocus();
    Pump();
    FScreen.InjectKey(win::VK_MENU, true);
    FScreen.InjectKey('F', true);
    FScreen.InjectKey('F', false);
    FScreen.InjectKey(win::VK_MENU, false);
    Pump();
    EXPECT_TRUE(first->Focused());
}

TEST_F(PanelTest, ThemedGroupBoxPartAndTheCaptionOutOfTheClip) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("button");
    engine->SetFillColor("button", 0x00FF00);
    win::SetThemeEngine(engine);
    auto* g = Add<TFcGroupBox>(FForm, 10, 10, 200, 105);
    g->SetCaption("Frame Properties");
    FForm->Show();
    Pump();
    g->GetCanvas()->SetFont(g->GetFont());
    const int h = g->GetCanvas()->TextHeight("Pp");
    engine->ClearCalls();
    g->Repaint();
    auto calls = engine->CallsOf("DrawThemeBackground");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().Part, 4); // group box
    EXPECT_EQ(calls.back().State, 1);
    EXPECT_EQ(calls.back().Rect, (TRect{0, h / 2 - 1, 200, 105}));
    auto texts = engine->CallsOf("DrawThemeText");
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().Text, "Frame Properties");
    const TRect q = g->CaptionRect();
    EXPECT_EQ(texts.back().Rect, q);
    // The part's fill stops at the caption.
    EXPECT_EQ(FScreen.WindowPixel(g->GetHandle(), 4, q.Top + h / 2), 0x00FF00u);
    EXPECT_NE(FScreen.WindowPixel(g->GetHandle(), q.Right - 1, h / 2), 0x00FF00u);
    EXPECT_EQ(FScreen.WindowPixel(g->GetHandle(), q.Right + 2, h / 2), 0x00FF00u);
    g->SetEnabled(false);
    engine->ClearCalls();
    g->Repaint();
    calls = engine->CallsOf("DrawThemeBackground");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().State, 2);
    // gsTopLine is never themed.
    g->SetGroupStyle(gsTopLine);
    engine->ClearCalls();
    g->Repaint();
    EXPECT_TRUE(engine->CallsOf("DrawThemeBackground").empty());
}

// A root that writes the components it owns, as a form does.
class TPanelRoot : public vcl::TComponent {
public:
    explicit TPanelRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent*) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

using fctest::ReadRoot;
using fctest::WriteRoot;

TEST_F(PanelTest, LayoutsAsTheEditorStreamsThem) {
    vcl::RegisterClass<TPanelRoot>("TPanelRoot");
    vcl::LinkPropertyTable(typeid(TPanelRoot), typeid(vcl::TComponent));
    // In the order the writer stores them, so that the text reads back and writes out unchanged.
    const std::string text = "object Root: TPanelRoot\n"
                             "  object FrameController1: TFcFrameController\n"
                             "    FrameVisible = True\n"
                             "  end\n"
                             "  object pnlPreview: TFcPanel\n"
                             "    Left = 8\n"
                             "    Top = 8\n"
                             "    Width = 300\n"
                             "    Height = 200\n"
                             "    Color = clWindow\n"
                             "    BorderWidth = 1\n"
                             "    BorderOuter = fsFlat\n"
                             "    FlatColorAdjustment = 0\n"
                             "    BorderHighlight = clWhite\n"
                             "    BorderShadow = 13290186\n"
                             "  end\n"
                             "  object grpFrame: TFcGroupBox\n"
                             "    Left = 8\n"
                             "    Top = 216\n"
                             "    Width = 193\n"
                             "    ParentColor = True\n"
                             "    Caption = 'Frame Properties'\n"
                             "  end\n"
                             "  object grpAnimation: TFcGroupBox\n"
                             "    Left = 200\n"
                             "    Top = 216\n"
                             "    Width = 193\n"
                             "    ParentColor = True\n"
                             "    Caption = 'Animation Properties'\n"
                             "    FrameController = FrameController1\n"
                             "  end\n"
                             "end\n";
    TPanelRoot root(nullptr);
    ReadRoot(&root, text);
    auto* preview = dynamic_cast<TFcPanel*>(root.FindComponent("pnlPreview"));
    auto* animation = dynamic_cast<TFcGroupBox*>(root.FindComponent("grpAnimation"));
    ASSERT_NE(preview, nullptr);
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(preview->GetBorderOuter(), fsFlat);
    EXPECT_EQ(preview->GetBorderShadow(), TColor(13290186));
    EXPECT_EQ(animation->GetFrameController(), root.FindComponent("FrameController1"));
    EXPECT_EQ(animation->GetHeight(), 105);
    EXPECT_EQ(WriteRoot(&root), text);

    // An old layout's FrameSides is read and dropped.
    TPanelRoot old(nullptr);
    ReadRoot(&old, "object Root: TPanelRoot\n"
                   "  object pnlOld: TFcPanel\n"
                   "    FrameSides = [sdLeft, sdTop]\n"
                   "  end\n"
                   "end\n");
    auto* legacy = dynamic_cast<TFcPanel*>(old.FindComponent("pnlOld"));
    ASSERT_NE(legacy, nullptr);
    EXPECT_EQ(legacy->GetBorderSides(), AllSides);
    EXPECT_EQ(WriteRoot(&old).find("FrameSides"), std::string::npos);
}

} // namespace
