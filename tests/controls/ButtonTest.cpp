#include "controls/FcCommon.h"
#include "controls/FcButton.h"

#include "ControlsTestSupport.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <utility>

using namespace controls;
using win::COLORREF;
using win::MouseAction;

namespace {

// Inside the anonymous namespace, so that it overloads the channels-to-colour Rgb of another test file
// compiled in the same unit.
using fctest::Rgb;

using fctest::EditorHighlight;
using fctest::EditorHotTrack;

constexpr TColor EditorColor = 15791348;

class ButtonTest : public fctest::FormTest {
protected:
    ButtonTest() : FormTest(100, 100, 300, 200) {}
    TFcButton* AddButton(const std::string& caption, int x, int y) {
        auto* b = new TFcButton(FForm);
        b->SetParent(FForm);
        b->SetBounds(x, y, 75, 25);
        b->SetCaption(caption);
        return b;
    }
    // The button as the editor's dialogs stream it.
    TFcButton* AddEditorButton(const std::string& caption, int x, int y) {
        TFcButton* b = AddButton(caption, x, y);
        b->SetHotTrack(true);
        b->SetColor(EditorColor);
        b->SetHighlightColor(EditorHighlight);
        b->SetHotTrackColor(EditorHotTrack);
        return b;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Mouse(MouseAction action, vcl::TControl* c, win::TPoint p) {
        FScreen.InjectMouse(action, c->ClientToScreen(p));
        Pump();
    }
    void Key(int vk, bool down) {
        FScreen.InjectKey(vk, down);
        Pump();
    }
    COLORREF Pixel(TFcButton* b, int x, int y) {
        b->Repaint();
        return FScreen.WindowPixel(b->GetHandle(), x, y);
    }

};

TEST_F(ButtonTest, APressClicksOnlyWhenReleasedOverTheButton) {
    TFcButton* b = AddButton("OK", 10, 10);
    int clicks = 0;
    b->OnClick = [&](vcl::TObject*) { ++clicks; };
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, b, {10, 10});
    EXPECT_TRUE(b->GetTracking());
    EXPECT_TRUE(b->GetPressedLook());
    EXPECT_TRUE(b->Focused());
    Mouse(MouseAction::Move, b, {100, 10});
    EXPECT_FALSE(b->GetPressedLook());
    Mouse(MouseAction::LeftUp, b, {100, 10});
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(b->GetTracking());

    Mouse(MouseAction::LeftDown, b, {10, 10});
    Mouse(MouseAction::Move, b, {100, 10});
    Mouse(MouseAction::Move, b, {74, 24});
    EXPECT_TRUE(b->GetPressedLook());
    Mouse(MouseAction::LeftUp, b, {74, 24});
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->GetPressedLook());

    b->SetEnabled(false);
    Mouse(MouseAction::LeftDown, b, {10, 10});
    Mouse(MouseAction::LeftUp, b, {10, 10});
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->GetTracking());
}

TEST_F(ButtonTest, SpaceClicksAndAnArmedSpaceDoesNotOutliveItsButton) {
    TFcButton* a = AddButton("A", 10, 10);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 50, 80, 20);
    TFcButton* b = AddButton("B", 100, 10);
    int aClicks = 0, bClicks = 0;
    a->OnClick = [&](vcl::TObject*) { ++aClicks; };
    b->OnClick = [&](vcl::TObject*) { ++bClicks; };
    FForm->Show();
    a->SetFocus();
    Pump();
    Key(win::VK_SPACE, true);
    EXPECT_TRUE(a->GetPressedLook());
    EXPECT_TRUE(a->GetSpaceArmed());
    Key(win::VK_SPACE, false);
    EXPECT_EQ(aClicks, 1);
    EXPECT_FALSE(a->GetSpaceArmed()); // cleared once it clicked

    // Space goes down on the edit, Tab moves to the next button, Space comes up there: nothing clicks.
    edit->SetFocus();
    Pump();
    Key(win::VK_SPACE, true);
    Key(win::VK_TAB, true);
    Key(win::VK_TAB, false);
    ASSERT_TRUE(b->Focused());
    Key(win::VK_SPACE, false);
    EXPECT_EQ(bClicks, 0);
    EXPECT_EQ(aClicks, 1);

    // Space down on a button, the focus moves away: the button is no longer armed.
    a->SetFocus();
    Pump();
    Key(win::VK_SPACE, true);
    b->SetFocus();
    Pump();
    EXPECT_FALSE(a->GetSpaceArmed());
    EXPECT_FALSE(a->GetPressedLook());
    a->SetFocus();
    Pump();
    Key(win::VK_SPACE, false);
    EXPECT_EQ(aClicks, 1);

    // Esc while armed calls the press off.
    Key(win::VK_SPACE, true);
    Key(win::VK_ESCAPE, true);
    Key(win::VK_ESCAPE, false);
    EXPECT_FALSE(a->GetPressedLook());
    Key(win::VK_SPACE, false);
    EXPECT_EQ(aClicks, 1);
}

TEST_F(ButtonTest, EnterEscapeAndAccelerators) {
    TFcButton* ok = AddButton("OK", 10, 10);
    ok->SetDefault(true);
    TFcButton* cancel = AddButton("Cancel", 100, 10);
    cancel->SetCancel(true);
    TFcButton* copy = AddButton("&Copy To Clipboard", 190, 10);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 50, 80, 20);
    int okClicks = 0, cancelClicks = 0, copyClicks = 0;
    ok->OnClick = [&](vcl::TObject*) { ++okClicks; };
    cancel->OnClick = [&](vcl::TObject*) { ++cancelClicks; };
    copy->OnClick = [&](vcl::TObject*) { ++copyClicks; };
    FForm->Show();
    edit->SetFocus();
    Pump();
    // The edit has the focus: the default button is the active one.
    EXPECT_TRUE(ok->GetActive());
    EXPECT_FALSE(cancel->GetActive());
    Key(win::VK_RETURN, true);
    Key(win::VK_RETURN, false);
    EXPECT_EQ(okClicks, 1);
    Key(win::VK_ESCAPE, true);
    Key(win::VK_ESCAPE, false);
    EXPECT_EQ(cancelClicks, 1);
    for (int modifier : {win::VK_SHIFT, win::VK_CONTROL, win::VK_MENU}) {
        Key(modifier, true);
        Key(win::VK_RETURN, true);
        Key(win::VK_RETURN, false);
        Key(win::VK_ESCAPE, true);
        Key(win::VK_ESCAPE, false);
        Key(modifier, false);
    }
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(cancelClicks, 1);

    // A focused button is the active one: Enter clicks it, not the default.
    cancel->SetFocus();
    Pump();
    EXPECT_TRUE(cancel->GetActive());
    EXPECT_FALSE(ok->GetActive());
    Key(win::VK_RETURN, true);
    Key(win::VK_RETURN, false);
    EXPECT_EQ(cancelClicks, 2);
    EXPECT_EQ(okClicks, 1);

    Key(win::VK_MENU, true);
    Key('C', true);
    Key('C', false);
    Key(win::VK_MENU, false);
    EXPECT_EQ(copyClicks, 1);
}

// On a dialog's push buttons the arrows move the focus in tab order, as Tab does, and click nothing; the
// edit keeps them for its caret. Enter then clicks the button the arrows reached, Space the focused one.
TEST_F(ButtonTest, ArrowsMoveTheFocusBetweenTheDialogsButtons) {
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 50, 80, 20);
    edit->SetText("frame");
    TFcButton* ok = AddEditorButton("OK", 10, 10);
    ok->SetDefault(true);
    TFcButton* cancel = AddEditorButton("Cancel", 100, 10);
    cancel->SetCancel(true);
    int okClicks = 0, cancelClicks = 0;
    ok->OnClick = [&](vcl::TObject*) { ++okClicks; };
    cancel->OnClick = [&](vcl::TObject*) { ++cancelClicks; };
    FForm->Show();
    struct Step {
        vcl::TWinControl* from;
        int key;
        vcl::TWinControl* focused;
    };
    const Step steps[] = {
        {ok, win::VK_DOWN, cancel}, {cancel, win::VK_UP, ok},    {ok, win::VK_RIGHT, cancel},
        {cancel, win::VK_LEFT, ok}, {cancel, win::VK_DOWN, edit}, {ok, win::VK_UP, edit},
        {edit, win::VK_DOWN, edit},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        steps[i].from->SetFocus();
        Pump();
        Key(steps[i].key, true);
        Key(steps[i].key, false);
        EXPECT_TRUE(steps[i].focused->Focused());
    }
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(cancelClicks, 0);
    EXPECT_EQ(edit->GetText(), "frame");

    ok->SetFocus();
    Pump();
    Key(win::VK_DOWN, true);
    Key(win::VK_DOWN, false);
    ASSERT_TRUE(cancel->Focused());
    EXPECT_TRUE(cancel->GetActive());
    EXPECT_FALSE(ok->GetActive());
    Key(win::VK_RETURN, true);
    Key(win::VK_RETURN, false);
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(okClicks, 0);
    Key(win::VK_UP, true);
    Key(win::VK_UP, false);
    ASSERT_TRUE(ok->Focused());
    Key(win::VK_SPACE, true);
    Key(win::VK_SPACE, false);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(cancelClicks, 1);
}

TEST_F(ButtonTest, TheModalResultEndsShowModal) {
    TFcButton* ok = AddButton("OK", 10, 10);
    ok->SetDefault(true);
    ok->SetModalResult(vcl::mrOk);
    TFcButton* cancel = AddButton("Cancel", 100, 10);
    cancel->SetCancel(true);
    cancel->SetModalResult(vcl::mrCancel);
    FScreen.Script([&] { FScreen.InjectKeyPress(win::VK_RETURN); }); // OK has the focus
    EXPECT_EQ(FForm->ShowModal(), vcl::mrOk);
    FScreen.Script([&] { FScreen.InjectKeyPress(win::VK_ESCAPE); });
    EXPECT_EQ(FForm->ShowModal(), vcl::mrCancel);
    FScreen.Script([&] { FScreen.InjectClick(cancel->ClientToScreen({5, 5})); });
    EXPECT_EQ(FForm->ShowModal(), vcl::mrCancel);
}

TEST_F(ButtonTest, GroupedButtons) {
    TFcButton* a = AddButton("A", 10, 10);
    TFcButton* b = AddButton("B", 100, 10);
    TFcButton* plain = AddButton("C", 190, 10);
    plain->SetDown(true); // group 0 stays up
    EXPECT_FALSE(plain->GetDown());
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    b->SetDown(true); // the second down releases the first
    EXPECT_FALSE(a->GetDown());
    EXPECT_TRUE(b->GetDown());
    b->SetDown(false); // the last one down stays down
    EXPECT_TRUE(b->GetDown());
    a->SetAllowAllUp(true); // shared by the group
    EXPECT_TRUE(b->GetAllowAllUp());
    b->SetDown(false);
    EXPECT_FALSE(b->GetDown());

    // Pressing a grouped button toggles it.
    FForm->Show();
    Pump();
    Mouse(MouseAction::LeftDown, a, {5, 5});
    Mouse(MouseAction::LeftUp, a, {5, 5});
    EXPECT_TRUE(a->GetDown());
    Mouse(MouseAction::LeftDown, a, {5, 5});
    Mouse(MouseAction::LeftUp, a, {5, 5});
    EXPECT_FALSE(a->GetDown());
}

TEST_F(ButtonTest, HotTrackPaintsOverTheParent) {
    TFcButton* b = AddButton("OK", 10, 10);
    EXPECT_FALSE(b->GetTransparent());
    b->SetHotTrack(true);
    EXPECT_TRUE(b->GetTransparent());
    b->SetHotTrack(false);
    EXPECT_FALSE(b->GetTransparent());
}

TEST_F(ButtonTest, TheDownPattern) {
    TFcButton* b = AddButton("OK", 10, 10);
    for (TColor color : {EditorColor, TColor(vcl::clSilver)}) {
        b->SetColor(color);
        vcl::TBitmap pattern;
        b->BuildDownPattern(&pattern);
        ASSERT_EQ(pattern.GetWidth(), 8);
        ASSERT_EQ(pattern.GetHeight(), 8);
        const TColor dot = color == vcl::clSilver ? TColor(0x808080) : TColor(vcl::clSilver);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(pattern.GetCanvas()->GetPixel(x, y), (x % 2 == y % 2) ? dot : color) << x << "," << y;
    }
}

TEST_F(ButtonTest, TheHotTrackLookInTheEditorsColours) {
    TFcButton* b = AddEditorButton("OK", 10, 10);
    auto* other = AddEditorButton("Next", 100, 10);
    FForm->Show();
    other->SetFocus();
    Pump();
    const TColor c = EditorColor;
    const TColor dark = DarkerColor(vcl::clBtnFace, 20), light = LighterColor(vcl::clBtnFace, 20);
    struct Expect {
        int X, Y;
        TColor Color;
    };
    auto check = [&](const char* what, std::initializer_list<Expect> pixels) {
        for (const Expect& e : pixels)
            EXPECT_EQ(Pixel(b, e.X, e.Y), Rgb(e.Color)) << what << " at " << e.X << "," << e.Y;
    };
    // At rest: the outer ring, the cut-corner frame, the shading rows and lines, the face.
    const std::initializer_list<Expect> ring = {{0, 10, dark},  {10, 0, dark},  {74, 10, light}, {10, 24, light},
                                                {1, 1, dark},   {73, 1, dark},  {1, 23, dark},   {73, 23, light},
                                                {1, 10, DarkerColor(c, 150)}, {10, 1, DarkerColor(c, 150)},
                                                {73, 10, DarkerColor(c, 150)}, {10, 23, DarkerColor(c, 150)}};
    check("ring", ring);
    check("at rest", {{10, 2, LighterColor(c, 20)},
                      {10, 3, LighterColor(c, 15)},
                      {10, 4, LighterColor(c, 10)},
                      {10, 20, DarkerColor(c, 10)},
                      {71, 10, DarkerColor(c, 10)},
                      {10, 21, DarkerColor(c, 20)},
                      {72, 10, DarkerColor(c, 20)},
                      {10, 22, DarkerColor(c, 30)},
                      {6, 10, c}});

    // Hovered: the hot colour's hue turned by 120.
    Mouse(MouseAction::Move, b, {6, 6});
    ASSERT_TRUE(b->GetMouseOver());
    int hue = HueOfColor(EditorHotTrack);
    hue = hue < 120 ? hue + 120 : hue - 120;
    const TColor hotUL = HSL240ToColor(uint8_t(hue), 220, 180), hotLR = DarkerColor(hotUL, 30);
    check("hovered", {{2, 10, hotUL},
                      {10, 2, hotUL},
                      {72, 10, hotLR},
                      {10, 22, hotLR},
                      {3, 10, DarkerColor(hotUL, 10)},
                      {71, 10, LighterColor(hotLR, 10)},
                      {6, 10, c}});
    check("hovered ring", ring);

    // Pressed.
    Mouse(MouseAction::LeftDown, b, {6, 6});
    check("pressed", {{6, 10, DarkerColor(c, 10)}, {2, 10, DarkerColor(c, 10)}});
    Mouse(MouseAction::Move, b, {200, 100});
    Mouse(MouseAction::LeftUp, b, {200, 100});
    Mouse(MouseAction::Move, b, {201, 100});

    // Focused, the default look: the highlight colour's hue.
    ASSERT_TRUE(b->Focused());
    ASSERT_FALSE(b->GetMouseOver());
    const TColor focusUL = HSL240ToColor(HueOfColor(EditorHighlight), 220, 220), focusLR = DarkerColor(focusUL, 30);
    check("focused", {{2, 10, focusUL}, {72, 10, focusLR}, {3, 9, DarkerColor(focusUL, 10)}, {6, 10, c}});
    // The dotted focus border 3 pixels in.
    check("focus border", {{3, 4, vcl::clBlack}, {3, 6, vcl::clBlack}, {4, 3, vcl::clBlack}});

    // Disabled: only the cut-corner frame, over the parent's face.
    b->SetEnabled(false);
    check("disabled", {{1, 10, DarkerColor(c, 80)}, {10, 1, DarkerColor(c, 80)}, {6, 10, c},
                       {1, 1, vcl::clBtnFace}, {0, 10, vcl::clBtnFace}});
}

TEST_F(ButtonTest, TheClassicLookAndCaptions) {
    TFcButton* ok = AddButton("OK", 10, 10);
    ok->SetDefault(true);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 50, 80, 20);
    FForm->Show();
    edit->SetFocus();
    Pump();
    ASSERT_TRUE(ok->GetActive());
    // The default ring in the window frame colour, then the standard button border.
    EXPECT_EQ(Pixel(ok, 0, 0), Rgb(vcl::clWindowFrame));
    EXPECT_EQ(Pixel(ok, 74, 24), Rgb(vcl::clWindowFrame));
    EXPECT_EQ(Pixel(ok, 1, 1), Rgb(vcl::clBtnHighlight));
    EXPECT_EQ(Pixel(ok, 73, 23), Rgb(vcl::cl3DDkShadow));
    EXPECT_EQ(Pixel(ok, 2, 2), Rgb(vcl::cl3DLight));
    EXPECT_EQ(Pixel(ok, 72, 22), Rgb(vcl::clBtnShadow));

    // A right-aligned caption sits TextShadowDepth pixels left of the margin.
    auto rightmostText = [&](TFcButton* b) {
        b->Repaint();
        int right = -1;
        for (int y = 5; y < 20; ++y)
            for (int x = 5; x < 70; ++x)
                if (FScreen.WindowPixel(b->GetHandle(), x, y) != Rgb(b->GetColor()))
                    right = std::max(right, x);
        return right;
    };
    TFcButton* deep = AddButton("W", 10, 80);
    TFcButton* flat = AddButton("W", 100, 80);
    for (TFcButton* b : {deep, flat})
        b->SetAlignment(vcl::taRightJustify);
    flat->SetTextShadowDepth(0);
    const int flatRight = rightmostText(flat), deepRight = rightmostText(deep);
    ASSERT_GT(flatRight, 40);
    EXPECT_EQ(deepRight, flatRight - 2);

    // Disabled: the caption embossed, a highlight copy one pixel down and right, the shadow on top. The
    // expected picture is drawn here with the platform's DrawText: the caption centred in the client rect
    // shrunk by 5, vertically by its measured height.
    deep->SetAlignment(vcl::taCenter);
    deep->SetCaption("Help");
    deep->SetEnabled(false);
    deep->Repaint();
    fctest::Surface ref(75, 25, Rgb(vcl::clBtnFace));
    win::HGDIOBJ oldFont = win::SelectObject(ref.Dc(), win::ToGdiObj(deep->GetFont()->GetHandle()));
    const uint32_t flags = win::DT_CENTER | win::DT_EXPANDTABS | win::DT_WORDBREAK;
    win::TRect r{5, 5, 70, 20}, measure = r;
    win::DrawText(ref.Dc(), "Help", -1, &measure, flags | win::DT_CALCRECT | win::DT_VCENTER);
    const int h = measure.Bottom - measure.Top;
    r.Top = (5 + 20 - h) / 2;
    r.Bottom = r.Top + h;
    win::SetBkMode(ref.Dc(), win::TRANSPARENT);
    win::TRect shifted{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
    win::SetTextColor(ref.Dc(), Rgb(vcl::clBtnHighlight));
    win::DrawText(ref.Dc(), "Help", -1, &shifted, flags);
    win::SetTextColor(ref.Dc(), Rgb(vcl::clBtnShadow));
    win::DrawText(ref.Dc(), "Help", -1, &r, flags);
    win::SelectObject(ref.Dc(), oldFont);
    // The same caption without its highlight copy, to see that the copy shows.
    fctest::Surface flatText(75, 25, Rgb(vcl::clBtnFace));
    oldFont = win::SelectObject(flatText.Dc(), win::ToGdiObj(deep->GetFont()->GetHandle()));
    win::SetBkMode(flatText.Dc(), win::TRANSPARENT);
    win::SetTextColor(flatText.Dc(), Rgb(vcl::clBtnShadow));
    win::DrawText(flatText.Dc(), "Help", -1, &r, flags);
    win::SelectObject(flatText.Dc(), oldFont);
    int text = 0, highlightShows = 0;
    for (int y = 5; y < 20; ++y)
        for (int x = 5; x < 70; ++x) {
            ASSERT_EQ(FScreen.WindowPixel(deep->GetHandle(), x, y), ref.Pixel(x, y)) << x << "," << y;
            text += ref.Pixel(x, y) != Rgb(vcl::clBtnFace);
            highlightShows += ref.Pixel(x, y) != flatText.Pixel(x, y);
        }
    EXPECT_GT(text, 20);
    EXPECT_GT(highlightShows, 5);
}

TEST_F(ButtonTest, ThePartsTheVisualStyleDraws) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("button");
    win::SetThemeEngine(engine);
    TFcButton* b = AddEditorButton("OK", 10, 10); // the theme look wins over hot tracking
    TFcButton* other = AddButton("Other", 100, 10);
    FForm->Show();
    other->SetFocus();
    Pump();
    auto state = [&] {
        engine->ClearCalls();
        b->Repaint();
        auto calls = engine->CallsOf("DrawThemeBackground");
        EXPECT_FALSE(calls.empty());
        if (calls.empty())
            return -1;
        EXPECT_EQ(calls.back().Part, 1);
        EXPECT_EQ(calls.back().Rect, (win::TRect{0, 0, 75, 25}));
        return calls.back().State;
    };
    EXPECT_EQ(state(), 1); // normal
    Mouse(MouseAction::Move, b, {6, 6});
    EXPECT_EQ(state(), 2); // hot
    Mouse(MouseAction::LeftDown, b, {6, 6});
    EXPECT_EQ(state(), 3); // pressed
    Mouse(MouseAction::Move, b, {200, 100});
    Mouse(MouseAction::LeftUp, b, {200, 100});
    Mouse(MouseAction::Move, b, {201, 100});
    EXPECT_EQ(state(), 5); // focused: defaulted
    b->SetGroupIndex(1);
    EXPECT_EQ(state(), 1); // grouped: normal
    b->SetEnabled(false);
    EXPECT_EQ(state(), 4); // disabled
}

// A root that writes the components it owns, as a form does.
class TButtonRoot : public vcl::TComponent {
public:
    explicit TButtonRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent*) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

TEST_F(ButtonTest, LayoutsAsTheEditorStreamsThem) {
    vcl::RegisterClass<TButtonRoot>("TButtonRoot");
    vcl::LinkPropertyTable(typeid(TButtonRoot), typeid(vcl::TComponent));
    const std::string text = "object Root: TButtonRoot\n"
                             "  object btnOK: TFcButton\n"
                             "    Left = 8\n"
                             "    Top = 200\n"
                             "    Width = 81\n"
                             "    Color = 15791348\n"
                             "    Caption = 'OK'\n"
                             "    Default = True\n"
                             "    HighlightColor = 16026986\n"
                             "    HotTrack = True\n"
                             "    HotTrackColor = 3983359\n"
                             "    ModalResult = 1\n"
                             "  end\n"
                             "  object FrameController1: TFcFrameController\n"
                             "    FrameVisible = True\n"
                             "  end\n"
                             "end\n";
    auto read = [](vcl::TComponent* root, const std::string& t) {
        const std::string binary = vcl::ObjectTextToBinary(t);
        vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
        vcl::TReader reader(&stream);
        reader.ReadRootComponent(root);
    };
    TButtonRoot root(nullptr);
    read(&root, text);
    auto* ok = dynamic_cast<TFcButton*>(root.FindComponent("btnOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->GetHotTrack());
    EXPECT_TRUE(ok->GetTransparent());
    EXPECT_EQ(ok->GetModalResult(), vcl::mrOk);
    vcl::TMemoryStream out;
    vcl::TWriter writer(&out);
    writer.WriteRootComponent(&root);
    EXPECT_EQ(vcl::ObjectBinaryToText(std::string(static_cast<const char*>(out.Memory()), size_t(out.GetSize()))),
              text);

    TButtonRoot old(nullptr);
    read(&old, "object Root: TButtonRoot\n"
               "  object btnOld: TFcButton\n"
               "    FrameFlat = True\n"
               "  end\n"
               "end\n");
    auto* legacy = dynamic_cast<TFcButton*>(old.FindComponent("btnOld"));
    ASSERT_NE(legacy, nullptr);
    EXPECT_TRUE(legacy->GetHotTrack());
}

TEST_F(ButtonTest, AHandlerMayFreeTheButtonsForm) {
    TFcButton* b = AddButton("Close", 10, 10);
    b->OnClick = [this](vcl::TObject*) {
        vcl::TForm* form = std::exchange(FForm, nullptr);
        delete form; // frees this handler too: nothing after it touches the closure
    };
    FForm->Show();
    b->SetFocus();
    Pump();
    Key(win::VK_SPACE, true);
    Key(win::VK_SPACE, false);
    EXPECT_EQ(FForm, nullptr);
}

} // namespace
