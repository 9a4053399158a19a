#include "controls/FcCommon.h"
#include "controls/FcRadioCheck.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Keys.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::MouseAction;
using win::TRect;

namespace {

using fctest::Rgb;

// The marker grids of the check box and radio bitmaps, one letter per pixel.
const std::vector<std::string> CheckUnchecked = {
    "GGGGGGGGGGGGG", "GFFFFFFFFFFFG", "GFFFFFFFFFFRG", "GFFWWWWWWWRRG", "GFFWWWWWWWRRG",
    "GFFWWWWWWWRRG", "GFFWWWWWWWRRG", "GFFWWWWWWWRRG", "GFFWWWWWWWRRG", "GFFWWWWWWWRRG",
    "GFFRRRRRRRRRG", "GFRRRRRRRRRRG", "GGGGGGGGGGGGG"};
const std::vector<std::string> CheckChecked = {
    "GGGGGGGGGGGGG", "GFFFFFFFFFFFG", "GFFFFFFFFFFRG", "GFFWWWWWWBRRG", "GFFWWWWWBBRRG",
    "GFFBWWWBBBRRG", "GFFBBWBBBWRRG", "GFFBBBBBWWRRG", "GFFWBBBWWWRRG", "GFFWWBWWWWRRG",
    "GFFRRRRRRRRRG", "GFRRRRRRRRRRG", "GGGGGGGGGGGGG"};
const std::vector<std::string> RadioUnchecked = {
    "oooocgKgcoooo", "oocKGLFLGKcoo", "ocgLFFFFFLgco", "oKLFFYWYFFMKo", "cGFFWWWWWRRPc",
    "gLFYWWWWWYRMg", "KFFWWWWWWWRRK", "gLFYWWWWWYRMg", "cGFFWWWWWRRPc", "oKLFRYWYRRMKo",
    "ocgMRRRRRMgco", "oocKPMRMPKcoo", "oooocgKgcoooo"};
const std::vector<std::string> RadioChecked = {
    "oooocgKgcoooo", "oocKGLFLGKcoo", "ocgLFFFFFLgco", "oKLFFYWYFFMKo", "cGFFWBNBWRRPc",
    "gLFYBNNNBYRMg", "KFFWNNNNNWRRK", "gLFYBNNNBYRMg", "cGFFWBNBWRRPc", "oKLFRYWYRRMKo",
    "ocgMRRRRRMgco", "oocKPMRMPKcoo", "oooocgKgcoooo"};

using fctest::EditorHighlight;
using fctest::EditorHotTrack;

class RadioCheckTest : public fctest::FormTest {
protected:
    RadioCheckTest() : FormTest(100, 100, 320, 240) {}
    template <class T> T* Add(vcl::TWinControl* parent, const std::string& caption, int x, int y) {
        auto* c = new T(FForm);
        c->SetParent(parent);
        c->SetBounds(x, y, 120, 17);
        c->SetCaption(caption);
        return c;
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
    COLORREF Pixel(vcl::TWinControl* c, int x, int y) { return FScreen.WindowPixel(c->GetHandle(), x, y); }
};

TEST_F(RadioCheckTest, SetCheckedClicksOnceOnAChangeAndNeverWithout) {
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    auto* radio = Add<TFcRadioButton>(FForm, "Radio", 10, 40);
    int boxClicks = 0, radioClicks = 0;
    box->OnClick = [&](vcl::TObject*) { ++boxClicks; };
    radio->OnClick = [&](vcl::TObject*) { ++radioClicks; };
    FForm->Show();
    Pump();
    box->SetChecked(false);
    radio->SetChecked(false);
    EXPECT_EQ(boxClicks + radioClicks, 0);
    box->SetChecked(true);
    box->SetChecked(true);
    radio->SetChecked(true);
    radio->SetChecked(true);
    EXPECT_EQ(boxClicks, 1);
    EXPECT_EQ(radioClicks, 1);
    EXPECT_EQ(box->GetState(), vcl::cbChecked);
    box->SetState(vcl::cbGrayed);
    EXPECT_EQ(boxClicks, 2);
    EXPECT_FALSE(box->GetChecked());
    box->SetChecked(false);
    EXPECT_EQ(boxClicks, 3);
    // A click on a checked radio button leaves it checked and clicks nothing.
    Mouse(MouseAction::LeftDown, radio, {5, 5});
    Mouse(MouseAction::LeftUp, radio, {5, 5});
    EXPECT_TRUE(radio->GetChecked());
    EXPECT_EQ(radioClicks, 1);
}

TEST_F(RadioCheckTest, CheckBoxCyclesAndSpaceEscapeCallsTheToggleOff) {
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    FForm->Show();
    box->SetFocus();
    Pump();
    auto press = [&] {
        Key(win::VK_SPACE, true);
        EXPECT_TRUE(box->GetPressedLook());
        Key(win::VK_SPACE, false);
        EXPECT_FALSE(box->GetPressedLook());
    };
    press();
    EXPECT_EQ(box->GetState(), vcl::cbChecked);
    press();
    EXPECT_EQ(box->GetState(), vcl::cbUnchecked);
    box->SetAllowGrayed(true);
    const vcl::TCheckBoxState cycle[] = {vcl::cbGrayed, vcl::cbChecked, vcl::cbUnchecked, vcl::cbGrayed};
    for (vcl::TCheckBoxState s : cycle) {
        press();
        EXPECT_EQ(box->GetState(), s);
    }
    // Space, Esc, Space up: unchanged.
    Key(win::VK_SPACE, true);
    Key(win::VK_ESCAPE, true);
    Key(win::VK_ESCAPE, false);
    EXPECT_FALSE(box->GetPressedLook());
    Key(win::VK_SPACE, false);
    EXPECT_EQ(box->GetState(), vcl::cbGrayed);
    // The mouse cycles too.
    Mouse(MouseAction::LeftDown, box, {5, 5});
    Mouse(MouseAction::LeftUp, box, {5, 5});
    EXPECT_EQ(box->GetState(), vcl::cbChecked);
}

TEST_F(RadioCheckTest, ARadioUnchecksItsSiblingsAndTheFocusChecksIt) {
    auto* a = Add<TFcRadioButton>(FForm, "&Alpha", 10, 10);
    auto* b = Add<TFcRadioButton>(FForm, "&Beta", 10, 30);
    auto* panel = new vcl::TPanel(FForm);
    panel->SetParent(FForm);
    panel->SetBounds(150, 10, 150, 100);
    auto* c = Add<TFcRadioButton>(panel, "Gamma", 5, 5);
    auto* d = Add<TFcRadioButton>(panel, "Delta", 5, 30);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 150, 80, 20);
    FForm->Show();
    Pump();
    EXPECT_FALSE(a->GetTabStop()); // a radio button is made without a tab stop
    c->SetChecked(true);
    a->SetChecked(true);
    EXPECT_TRUE(c->GetChecked()); // another parent's buttons stay
    EXPECT_TRUE(a->GetTabStop());
    b->SetChecked(true);
    EXPECT_FALSE(a->GetChecked());
    EXPECT_FALSE(a->GetTabStop());
    EXPECT_TRUE(b->GetTabStop());
    d->SetChecked(true);
    EXPECT_FALSE(c->GetChecked());
    EXPECT_TRUE(b->GetChecked());

    // A press gives the focus without checking; the release clicks and checks.
    int aClicks = 0;
    a->OnClick = [&](vcl::TObject*) { ++aClicks; };
    Mouse(MouseAction::LeftDown, a, {5, 5});
    EXPECT_TRUE(a->Focused());
    EXPECT_FALSE(a->GetChecked());
    Mouse(MouseAction::LeftUp, a, {5, 5});
    EXPECT_TRUE(a->GetChecked());
    EXPECT_FALSE(b->GetChecked());
    EXPECT_EQ(aClicks, 1);

    // The keyboard's focus checks: the accelerator of Beta, then Tab from the edit to the checked Beta.
    edit->SetFocus();
    Pump();
    Key(win::VK_MENU, true);
    Key('B', true);
    Key('B', false);
    Key(win::VK_MENU, false);
    EXPECT_TRUE(b->Focused());
    EXPECT_TRUE(b->GetChecked());
    EXPECT_FALSE(a->GetChecked());
    a->SetTabStop(true); // now Tab reaches Alpha from the edit
    edit->SetFocus();
    Pump();
    Key(win::VK_TAB, true);
    Key(win::VK_TAB, false);
    EXPECT_TRUE(a->Focused());
    EXPECT_TRUE(a->GetChecked());
    EXPECT_FALSE(b->GetChecked());

    // Down as a dialog key clicks a radio button that can take the focus, unless Shift, Ctrl or Alt is held.
    aClicks = 0;
    EXPECT_EQ(a->Perform(vcl::CM_DIALOGKEY, win::VK_DOWN, 0), 1);
    EXPECT_EQ(aClicks, 1);
    EXPECT_EQ(a->Perform(vcl::CM_DIALOGKEY, win::VK_UP, 0), 0);
    Key(win::VK_SHIFT, true);
    EXPECT_EQ(a->Perform(vcl::CM_DIALOGKEY, win::VK_DOWN, 0), 0);
    Key(win::VK_SHIFT, false);
    a->SetEnabled(false);
    EXPECT_EQ(a->Perform(vcl::CM_DIALOGKEY, win::VK_DOWN, 0), 0);
    EXPECT_EQ(aClicks, 1);
}

// The arrows walk a dialog's themed radio buttons and check the one they reach; an edit keeps them.
TEST_F(RadioCheckTest, ArrowsMoveTheFocusAndTheCheckAlongTheRadioButtons) {
    auto* a = Add<TFcRadioButton>(FForm, "Alpha", 10, 10);
    auto* b = Add<TFcRadioButton>(FForm, "Beta", 10, 35);
    auto* c = Add<TFcRadioButton>(FForm, "Gamma", 10, 60);
    auto* box = Add<TFcCheckBox>(FForm, "Loop", 10, 85);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 150, 80, 20);
    edit->SetText("frame");
    a->SetChecked(true);
    FForm->Show();
    a->SetFocus();
    Pump();
    struct Step {
        int key;
        vcl::TWinControl* focused;
        TFcRadioButton* checked;
    };
    const Step steps[] = {{win::VK_DOWN, b, b},     {win::VK_UP, a, a},  {win::VK_RIGHT, b, b},
                          {win::VK_RIGHT, c, c},    {win::VK_DOWN, box, c}, {win::VK_UP, c, c},
                          {win::VK_LEFT, b, b}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        Key(steps[i].key, true);
        Key(steps[i].key, false);
        EXPECT_TRUE(steps[i].focused->Focused());
        for (TFcRadioButton* r : {a, b, c})
            EXPECT_EQ(r->GetChecked(), r == steps[i].checked);
    }
    EXPECT_FALSE(box->GetChecked());

    edit->SetFocus();
    edit->SetSelStart(2);
    edit->SetSelLength(0);
    Pump();
    Key(win::VK_LEFT, true);
    Key(win::VK_LEFT, false);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetSelStart(), 1);
}

TEST_F(RadioCheckTest, TheCheckBoxsAcceleratorFocusesAndToggles) {
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 150, 80, 20);
    auto* box = Add<TFcCheckBox>(FForm, "&Loop", 10, 10);
    FForm->Show();
    edit->SetFocus();
    Pump();
    Key(win::VK_MENU, true);
    Key('L', true);
    Key('L', false);
    Key(win::VK_MENU, false);
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->GetState(), vcl::cbChecked);
}

TEST_F(RadioCheckTest, TheCheckedActionLink) {
    auto* action = new vcl::TAction(FForm);
    action->SetChecked(true);
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    box->SetAction(action);
    EXPECT_TRUE(box->GetChecked()); // copied when linked
    EXPECT_FALSE(box->IsCheckedStored());
    action->SetChecked(false);
    EXPECT_FALSE(box->GetChecked());
    // A client whose Checked differs from the action's is no longer linked in it.
    box->SetChecked(true);
    EXPECT_TRUE(box->IsCheckedStored());
    action->SetChecked(true); // the link was not linked: the box keeps its own
    EXPECT_TRUE(box->GetChecked());
    action->SetChecked(false); // linked again (both True): follows
    EXPECT_FALSE(box->GetChecked());
    // A radio button takes the link too; the link refuses other clients.
    auto* radio = Add<TFcRadioButton>(FForm, "Radio", 10, 40);
    radio->SetAction(action);
    action->SetChecked(true);
    EXPECT_TRUE(radio->GetChecked());
    vcl::TEdit other(FForm);
    EXPECT_THROW(TFcCheckedActionLink link(&other), vcl::Exception);
}

TEST_F(RadioCheckTest, CustomStripsGiveTheirCellWidth) {
    auto* radio = Add<TFcRadioButton>(FForm, "Radio", 10, 10);
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 40);
    EXPECT_EQ(radio->GetGlyphWidth(), 13);
    vcl::TBitmap strip;
    strip.SetSize(54, 10);
    // Six cells of 9 pixels: 0x0000n0 per cell.
    for (int i = 0; i < 6; ++i) {
        strip.GetCanvas()->GetBrush()->SetColor(TColor(0x101010 * (i + 1)));
        strip.GetCanvas()->FillRect({i * 9, 0, (i + 1) * 9, 10});
    }
    radio->SetCustomGlyphs(&strip);
    EXPECT_TRUE(radio->GetUseCustomGlyphs());
    EXPECT_EQ(radio->GetGlyphWidth(), 9);
    EXPECT_EQ(radio->GetGlyphHeight(), 10);
    box->SetCustomGlyphs(&strip);
    EXPECT_EQ(box->GetGlyphWidth(), 6); // 54 div 9
    FForm->Show();
    Pump();
    auto cellShown = [&](TFcCustomGlyphButton* c) {
        c->Repaint();
        const TRect g = c->GlyphRect();
        return int(Pixel(c, g.Left + 2, g.Top + 2) & 0xFF) / 0x10 - 1;
    };
    EXPECT_EQ(cellShown(radio), 0);
    radio->SetChecked(true);
    EXPECT_EQ(cellShown(radio), 1);
    radio->SetEnabled(false);
    EXPECT_EQ(cellShown(radio), 5);
    vcl::TBitmap empty;
    radio->SetCustomGlyphs(&empty);
    EXPECT_FALSE(radio->GetUseCustomGlyphs());
    EXPECT_EQ(radio->GetGlyphWidth(), 13);
}

TEST_F(RadioCheckTest, AvoidMaskColorStepsOffTheMaskColours) {
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    struct Case {
        TColor in, transparent, mask, out;
    };
    const Case cases[] = {
        {0x00FF00, 0x008080, 0x00FF00, 0x00FF01}, // WinMaskColor
        {0x008080, 0x008080, 0x00FF00, 0x008081}, // TransparentColor
        {0x808080, 0x008080, 0x00FF00, 0x808081}, // grey
        {vcl::clBtnShadow, 0x008080, 0x00FF00, 0x808081}, // resolved first
        {0x123456, 0x008080, 0x00FF00, 0x123456}, // other colours stay
        {0xFFFFFF, 0x008080, 0xFFFFFF, 0xFFFFFE}, // white steps down, never into the flag byte
        {0xFFFFFF, 0xFFFFFF, 0x00FF00, 0xFFFFFE},
    };
    for (const Case& c : cases) {
        box->SetTransparentColor(c.transparent);
        box->SetWinMaskColor(c.mask);
        EXPECT_EQ(box->AvoidMaskColor(c.in), c.out) << std::hex << c.in;
    }
}

// The hot-track glyph rebuilt from the grids and colour maps, then what drawing does to it: olive (the
// transparent colour) becomes Color, lime (WinMaskColor) clWindow, pure green the 128-blend of FrameColor
// with the background.
class GlyphModel {
public:
    GlyphModel(const std::vector<std::string>& grid, std::map<char, TColor> map, TColor color, TColor frame)
        : FGrid(grid), FMap(std::move(map)), FColor(color), FFrame(frame) {}
    COLORREF At(int x, int y) const {
        const char ch = FGrid[size_t(y)][size_t(x)];
        TColor c;
        auto it = FMap.find(ch);
        if (it != FMap.end())
            c = TColor(Rgb(it->second));
        else if (ch == 'o')
            c = 0x008080;
        else
            c = 0; // unmapped markers do not occur in these grids
        if (Rgb(c) == 0x008080)
            c = FColor;
        if (Rgb(c) == 0x00FF00)
            c = vcl::clWindow;
        if (Rgb(c) == 0x008000)
            c = BlendColors(FFrame, FColor, 128);
        return Rgb(c);
    }

private:
    std::vector<std::string> FGrid;
    std::map<char, TColor> FMap;
    TColor FColor, FFrame;
};

TEST_F(RadioCheckTest, HotTrackGlyphsFollowTheGridsAndColourMaps) {
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    auto* radio = Add<TFcRadioButton>(FForm, "Radio", 10, 40);
    auto* other = Add<TFcCheckBox>(FForm, "Other", 10, 100);
    const TColor frame = TColor(0x3060A0), disabled = TColor(0xE0E0E0);
    for (TFcCustomGlyphButton* c : {static_cast<TFcCustomGlyphButton*>(box), static_cast<TFcCustomGlyphButton*>(radio)}) {
        c->SetParentColor(false);
        c->SetColor(vcl::clWindow);
        c->SetHotTrack(true);
        c->SetHotTrackColorType(htctComplement);
        c->SetHighlightColor(EditorHighlight);
        c->SetHotTrackColor(EditorHotTrack);
        c->SetFrameColor(frame);
        c->SetDisabledColor(disabled);
    }
    box->SetChecked(true);
    radio->SetChecked(true);
    FForm->Show();
    other->SetFocus();
    Pump();

    // Track colours from the hot-track colour: hue turned by 120, saturation 220, luminance 180.
    int hue = HueOfColor(EditorHotTrack);
    hue = hue < 120 ? hue + 120 : hue - 120;
    const TColor light = HSL240ToColor(uint8_t(hue), 220, 180), dark = DarkerColor(light, 30);
    const TColor window = vcl::clWindow, face = DarkerColor(vcl::clWindow, 20);
    const TColor mark = box->AvoidMaskColor(EditorHighlight);

    auto compare = [&](TFcCustomGlyphButton* c, const GlyphModel& model, const char* what) {
        c->Repaint();
        const TRect g = c->GlyphRect();
        int wrong = 0;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x)
                if (Pixel(c, g.Left + x, g.Top + y) != model.At(x, y) && wrong++ < 3)
                    ADD_FAILURE() << what << " at " << x << "," << y << ": " << std::hex
                                  << Pixel(c, g.Left + x, g.Top + y) << " expected " << model.At(x, y);
        EXPECT_EQ(wrong, 0) << what;
    };
    auto radioNormal = [&](TColor w) {
        return std::map<char, TColor>{{'W', w},
                                      {'K', box->AvoidMaskColor(frame)},
                                      {'g', LighterColor(frame, 10)},
                                      {'G', BlendColors(frame, w, 128)},
                                      {'P', BlendColors(frame, w, 128)},
                                      {'M', BlendColors(frame, w, 80)},
                                      {'L', BlendColors(frame, w, 80)},
                                      {'R', w},
                                      {'F', w},
                                      {'Y', w},
                                      {'N', box->AvoidMaskColor(EditorHighlight)},
                                      {'B', BlendColors(EditorHighlight, w, 153)},
                                      {'c', TColor(0x008000)}};
    };

    // Normal.
    compare(box, GlyphModel(CheckChecked, {{'W', window}, {'G', frame}, {'R', window}, {'F', window}, {'B', mark}},
                            window, frame), "check normal");
    compare(radio, GlyphModel(RadioChecked, radioNormal(window), window, frame), "radio normal");

    // Mouse over.
    Mouse(MouseAction::Move, box, {5, 5});
    ASSERT_TRUE(box->GetMouseOver());
    compare(box, GlyphModel(CheckChecked, {{'W', window}, {'G', frame}, {'R', dark}, {'F', light}, {'B', mark}},
                            window, frame), "check over");
    Mouse(MouseAction::Move, radio, {5, 5});
    ASSERT_TRUE(radio->GetMouseOver());
    auto over = radioNormal(window);
    over['G'] = BlendColors(frame, dark, 128);
    over['P'] = BlendColors(frame, light, 128);
    over['M'] = BlendColors(frame, dark, 80);
    over['L'] = BlendColors(frame, light, 80);
    over['R'] = dark;
    over['F'] = light;
    over['Y'] = BlendColors(light, window, 128);
    compare(radio, GlyphModel(RadioChecked, over, window, frame), "radio over");

    // Pressed.
    Mouse(MouseAction::LeftDown, radio, {5, 5});
    ASSERT_TRUE(radio->GetPressedLook());
    compare(radio, GlyphModel(RadioChecked, radioNormal(face), window, frame), "radio pressed");
    Mouse(MouseAction::Move, radio, {300, 300});
    Mouse(MouseAction::LeftUp, radio, {300, 300});
    Mouse(MouseAction::LeftDown, box, {5, 5});
    compare(box, GlyphModel(CheckChecked, {{'W', face}, {'G', frame}, {'R', face}, {'F', face}, {'B', mark}},
                            window, frame), "check pressed");
    Mouse(MouseAction::Move, box, {300, 300});
    Mouse(MouseAction::LeftUp, box, {300, 300});

    // Disabled.
    box->SetEnabled(false);
    radio->SetEnabled(false);
    compare(box, GlyphModel(CheckChecked, {{'W', disabled}, {'G', frame}, {'R', disabled}, {'F', disabled},
                                           {'B', vcl::clBtnShadow}}, window, frame), "check disabled");
    auto off = radioNormal(window);
    off['W'] = off['R'] = off['F'] = off['Y'] = disabled;
    off['G'] = off['P'] = BlendColors(frame, disabled, 128);
    off['M'] = off['L'] = BlendColors(frame, disabled, 80);
    off['N'] = vcl::clBtnShadow;
    off['B'] = BlendColors(EditorHighlight, disabled, 128);
    compare(radio, GlyphModel(RadioChecked, off, window, frame), "radio disabled");
    box->SetEnabled(true);
    radio->SetEnabled(true);

    // A 256-colour screen: the low-colour map, and no track colours.
    {
        struct DepthScope {
            int Depth = win::GetScreenBitsPixel();
            DepthScope() { win::SetScreenBitsPixel(8); }
            ~DepthScope() { win::SetScreenBitsPixel(Depth); }
        } eightBits;
        ASSERT_FALSE(DisplayHasFullColor());
        // Colours of the screen's palette, which 8-bit glyphs keep exactly.
        const TColor frame = TColor(0x336699), high = TColor(0x993300);
        radio->SetFrameColor(frame);
        radio->SetHighlightColor(high);
        const TColor k = box->AvoidMaskColor(frame), n = box->AvoidMaskColor(high);
        std::map<char, TColor> low{{'W', window}, {'G', window}, {'P', window}, {'M', window}, {'L', window},
                                   {'R', window}, {'F', window},  {'Y', window}, {'K', k},      {'g', k},
                                   {'c', k},      {'N', n},       {'B', n}};
        compare(radio, GlyphModel(RadioChecked, low, window, frame),
                "radio low colour");
        Mouse(MouseAction::Move, radio, {5, 5});
        compare(radio, GlyphModel(RadioChecked, low, window, frame), "radio low colour over");
        radio->SetChecked(false);
        compare(radio, GlyphModel(RadioUnchecked, low, window, frame), "radio low colour unchecked");
    }

    // The mark colour equal to the mask colour and white: one step off (the mask would eat it otherwise).
    box->SetHighlightColor(TColor(0x00FF00));
    compare(box, GlyphModel(CheckChecked, {{'W', window}, {'G', frame}, {'R', window}, {'F', window},
                                           {'B', TColor(0x00FF01)}}, window, frame), "mark = mask colour");
    box->SetWinMaskColor(TColor(0xFFFFFF));
    box->SetHighlightColor(TColor(0xFFFFFF));
    // White marks stay white-ish (0xFFFFFE), not black as a flag byte would make them.
    const TRect g = box->GlyphRect();
    box->Repaint();
    EXPECT_EQ(Pixel(box, g.Left + 9, g.Top + 3), 0xFFFFFEu);
    box->SetState(vcl::cbUnchecked);
    compare(box, GlyphModel(CheckUnchecked, {{'W', window}, {'G', frame}, {'R', window}, {'F', window}}, window,
                            frame), "check unchecked");
}

TEST_F(RadioCheckTest, ClassicImagesAndTheThemeCodes) {
    auto* box = Add<TFcCheckBox>(FForm, "Box", 10, 10);
    auto* radio = Add<TFcRadioButton>(FForm, "Radio", 10, 40);
    box->SetParentColor(false);
    radio->SetParentColor(false);
    FForm->Show();
    Pump();
    // Classic: the system's images, drawn here the same way into a bitmap of glyph size on the transparent
    // colour, which becomes the control's Color.
    auto classic = [&](TFcCustomGlyphButton* c, win::UINT state, const char* what) {
        vcl::TBitmap expected;
        expected.SetSize(13, 13);
        expected.GetCanvas()->GetBrush()->SetColor(c->GetColor());
        expected.GetCanvas()->FillRect({0, 0, 13, 13});
        TRect r{0, 0, 13, 13};
        win::DrawFrameControl(expected.GetCanvas()->GetHandle(), &r, win::DFC_BUTTON, state);
        c->Repaint();
        const TRect g = c->GlyphRect();
        int wrong = 0;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x)
                wrong += Pixel(c, g.Left + x, g.Top + y) != Rgb(expected.GetCanvas()->GetPixel(x, y));
        EXPECT_EQ(wrong, 0) << what;
    };
    classic(box, win::DFCS_BUTTONCHECK, "check");
    box->SetChecked(true);
    classic(box, win::DFCS_BUTTONCHECK | win::DFCS_CHECKED, "checked");
    box->SetState(vcl::cbGrayed);
    classic(box, win::DFCS_BUTTONCHECK | 0x408, "grayed");
    box->SetEnabled(false);
    classic(box, win::DFCS_BUTTONCHECK | 0x408 | win::DFCS_INACTIVE, "grayed inactive");
    radio->SetChecked(true);
    classic(radio, win::DFCS_BUTTONRADIO | win::DFCS_TRANSPARENT | win::DFCS_CHECKED, "radio checked");

    // Themed: the button class's radio and check codes per state.
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("button");
    win::SetThemeEngine(engine);
    box->SetEnabled(true);
    auto part = [&](TFcCustomGlyphButton* c) {
        engine->ClearCalls();
        c->Repaint();
        auto calls = engine->CallsOf("DrawThemeBackground");
        EXPECT_FALSE(calls.empty());
        return calls.empty() ? std::pair{-1, -1} : std::pair{calls.back().Part, calls.back().State};
    };
    // Radio part 2: unchecked 1-4, checked 5-8 (normal, hot, pressed, disabled); check box part 3 likewise,
    // mixed 9-12.
    EXPECT_EQ(part(radio), (std::pair{2, 5}));
    radio->SetChecked(false);
    EXPECT_EQ(part(radio), (std::pair{2, 1}));
    Mouse(MouseAction::Move, radio, {5, 5});
    EXPECT_EQ(part(radio), (std::pair{2, 2}));
    Mouse(MouseAction::LeftDown, radio, {5, 5});
    EXPECT_EQ(part(radio), (std::pair{2, 3}));
    Mouse(MouseAction::LeftUp, radio, {5, 5}); // checks it
    EXPECT_EQ(part(radio), (std::pair{2, 6}));
    radio->SetEnabled(false);
    EXPECT_EQ(part(radio), (std::pair{2, 8}));
    EXPECT_EQ(part(box), (std::pair{3, 9})); // grayed, normal
    Mouse(MouseAction::Move, box, {5, 5});
    EXPECT_EQ(part(box), (std::pair{3, 10}));
    box->SetState(vcl::cbUnchecked);
    EXPECT_EQ(part(box), (std::pair{3, 2}));
    Mouse(MouseAction::LeftDown, box, {5, 5});
    EXPECT_EQ(part(box), (std::pair{3, 3}));
    Mouse(MouseAction::LeftUp, box, {5, 5});
    EXPECT_EQ(part(box), (std::pair{3, 6})); // checked, hot
    box->SetEnabled(false);
    EXPECT_EQ(part(box), (std::pair{3, 8}));
}

TEST_F(RadioCheckTest, TheFocusBorderRunsRoundTheCaption) {
    auto* box = Add<TFcCheckBox>(FForm, "Loop", 10, 10);
    box->SetParentColor(false);
    box->SetColor(vcl::clWindow);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(10, 150, 80, 20);
    FForm->Show();
    box->SetFocus();
    Pump();
    box->Repaint();
    box->GetCanvas()->SetFont(box->GetFont());
    const int textWidth = box->GetCanvas()->TextWidth("Loop");
    // The caption starts after the glyph (13 + 4) inside the 1-pixel inset; the border is that rectangle
    // grown by 1, cut to the text width + 3: x from 17 to 17 + w + 3, y from 0 to the height.
    const int left = 17, right = 17 + textWidth + 3;
    int dots = 0;
    for (int x = left; x < right; ++x)
        dots += Pixel(box, x, 0) == 0;
    EXPECT_GE(dots, (right - left) / 2 - 1);
    EXPECT_EQ(Pixel(box, right + 2, 0), Rgb(vcl::clWindow));
    int leftDots = 0;
    for (int y = 0; y < 17; ++y)
        leftDots += Pixel(box, left, y) == 0;
    EXPECT_GE(leftDots, 7);
    // Without the focus: no border.
    edit->SetFocus();
    Pump();
    box->Repaint();
    EXPECT_EQ(Pixel(box, left, 0), Rgb(vcl::clWindow));
}

} // namespace
