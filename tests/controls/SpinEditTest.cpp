#include "controls/FcCommon.h"
#include "controls/FcSpinEdit.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace controls;
using win::MouseAction;

namespace {

class SpinEditTest : public fctest::FormTest {
protected:
    SpinEditTest() : FormTest(100, 100, 300, 200) {}
    TFcSpinEdit* AddSpin(int x = 10, int y = 10) {
        auto* s = new TFcSpinEdit(FForm);
        s->SetParent(FForm);
        s->SetLeft(x);
        s->SetTop(y);
        s->SetHeight(21);
        return s;
    }
    vcl::TEdit* AddPlainEdit() {
        auto* e = new vcl::TEdit(FForm);
        e->SetParent(FForm);
        e->SetBounds(10, 100, 80, 21);
        return e;
    }

public:
    void Pump() { vcl::Application->ProcessMessages(); }
    void Press(int vk) {
        FScreen.InjectKeyPress(vk);
        Pump();
    }
    void Type(const std::string& text) {
        FScreen.InjectText(text);
        Pump();
    }
    size_t Beeps() const { return FScreen.Beeps().size(); }
};

// The spin edit's behaviour in the cases that matter most, each from a fresh edit on a shown form.
struct SpinCase {
    std::string Name;
    std::function<void(TFcSpinEdit*, vcl::TEdit*, SpinEditTest*)> Act;
    std::string Text;
};

TEST_F(SpinEditTest, TheValueRulesInATable) {
    auto focus = [](vcl::TWinControl* c, SpinEditTest* t) {
        c->SetFocus();
        t->Pump();
    };
    const std::vector<SpinCase> cases = {
        {"exit clamps to Min",
         [&](TFcSpinEdit* s, vcl::TEdit* other, SpinEditTest* t) {
             s->SetMax(10000);
             s->SetMin(1);
             focus(s, t);
             s->SetText("0");
             focus(other, t);
         },
         "1"},
        {"two decimals",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetIntegersOnly(false);
             s->SetDecimals(2);
             s->SetValue(1.5);
         },
         "1.50"},
        {"Min = Max without CheckRange does not clamp",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetMin(5);
             s->SetMax(5);
             s->SetValue(7);
         },
         "7"},
        {"Min = Max with CheckRange clamps",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetMin(5);
             s->SetMax(5);
             s->SetValue(7);
             s->SetCheckRange(true);
         },
         "5"},
        {"Min above Max raises Max and clamps",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetValue(50);
             s->SetMin(200);
             EXPECT_EQ(s->GetMax(), 200);
         },
         "200"},
        {"without AllowKeyEdit typing beeps, keys and the wheel step",
         [&](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest* t) {
             auto* c = t;
             focus(s, t);
             const size_t before = c->Beeps();
             c->Type("7");
             c->Press(win::VK_BACK);
             EXPECT_EQ(c->Beeps(), before + 2);
             c->Press(win::VK_UP);      // 1
             c->Press(win::VK_PRIOR);   // 11
             c->Press(win::VK_PRIOR);   // 21
             c->Press(win::VK_NEXT);    // 11
             c->Press(win::VK_DOWN);    // 10
         },
         "10"},
        {"Enter beeps",
         [&](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest* t) {
             auto* c = t;
             s->SetAllowKeyEdit(true);
             focus(s, t);
             const size_t before = c->Beeps();
             c->Press(win::VK_RETURN);
             EXPECT_EQ(c->Beeps(), before + 1);
             EXPECT_TRUE(s->Focused());
         },
         "0"},
        {"Enter with TabOnEnter moves the focus",
         [&](TFcSpinEdit* s, vcl::TEdit* other, SpinEditTest* t) {
             auto* c = t;
             s->SetAllowKeyEdit(true);
             s->SetTabOnEnter(true);
             focus(s, t);
             const size_t before = c->Beeps();
             c->Press(win::VK_RETURN);
             EXPECT_EQ(c->Beeps(), before);
             EXPECT_TRUE(other->Focused());
         },
         "0"},
        {"a minus in the middle is refused",
         [&](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest* t) {
             auto* c = t;
             s->SetAllowKeyEdit(true);
             s->SetValue(12);
             focus(s, t);
             s->SetSelStart(1);
             c->Type("-");
         },
         "12"},
        {"a minus over the whole text is taken",
         [&](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest* t) {
             auto* c = t;
             s->SetAllowKeyEdit(true);
             s->SetValue(12);
             focus(s, t);
             s->SelectAll();
             c->Type("-");
         },
         "-"},
        {"IntegersOnly rounds 2.5 to 2",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetIntegersOnly(false);
             s->SetDecimals(1);
             s->SetValue(2.5);
             s->SetIntegersOnly(true);
         },
         "2"},
        {"IntegersOnly rounds 3.5 to 4",
         [](TFcSpinEdit* s, vcl::TEdit*, SpinEditTest*) {
             s->SetIntegersOnly(false);
             s->SetDecimals(1);
             s->SetValue(3.5);
             s->SetIntegersOnly(true);
         },
         "4"},
    };
    FForm->Show();
    Pump();
    for (const SpinCase& c : cases) {
        TFcSpinEdit* s = AddSpin();
        vcl::TEdit* other = AddPlainEdit();
        c.Act(s, other, this);
        EXPECT_EQ(s->GetText(), c.Text) << c.Name;
        delete s;
        delete other;
    }
}

TEST_F(SpinEditTest, TheUsersDecimalSeparatorFormatsAndParses) {
    const char saved = vcl::DecimalSeparator;
    vcl::DecimalSeparator = ',';
    TFcSpinEdit* s = AddSpin();
    s->SetIntegersOnly(false);
    s->SetDecimals(2);
    s->SetValue(1.5);
    EXPECT_EQ(s->GetText(), "1,50");
    EXPECT_EQ(s->GetValue(), 1.5);
    s->SetValue(0.125); // halves away from zero
    EXPECT_EQ(s->GetText(), "0,13");
    vcl::DecimalSeparator = saved;
}

TEST_F(SpinEditTest, IntValueRoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    TFcSpinEdit* s = AddSpin();
    s->SetMin(-1e13);
    s->SetMax(1e13);
    s->SetIntegersOnly(false);
    s->SetDecimals(1);
    for (auto [value, expected] : {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-2147483648.0, INT32_MIN}}) {
        s->SetValue(value);
        EXPECT_EQ(s->GetIntValue(), expected) << value;
    }
    s->SetValue(1e12);
    EXPECT_THROW(s->GetIntValue(), vcl::ERangeError);
    s->SetValue(2147483648.0);
    EXPECT_THROW(s->GetIntValue(), vcl::ERangeError);
    s->SetIntValue(-7);
    EXPECT_EQ(s->GetText(), "-7.0");
}

TEST_F(SpinEditTest, TextThatIsNoFiniteNumberReadsAsMinAndIsRewrittenOnExit) {
    TFcSpinEdit* s = AddSpin();
    vcl::TEdit* other = AddPlainEdit();
    s->SetMin(3);
    FForm->Show();
    for (const char* text : {"1e999", "-1e999", "abc", "1.5.5"}) {
        s->SetFocus();
        Pump();
        s->SetText(text);
        EXPECT_EQ(s->GetValue(), 3) << text;
        other->SetFocus();
        Pump();
        EXPECT_EQ(s->GetText(), "3") << text;
    }
    // Values that are not finite never reach the formatting, with or without a range.
    s->SetMin(0);
    s->SetMax(0);
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        s->SetValue(v);
        EXPECT_EQ(s->GetText(), "0") << v;
    }
    // An empty text: BlankValue when allowed (and left empty on exit), else Min written into it.
    s->SetMin(4);
    s->SetMax(10);
    s->SetAllowBlank(true);
    s->SetBlankValue(9);
    s->SetText("");
    EXPECT_EQ(s->GetValue(), 9);
    EXPECT_EQ(s->GetText(), "");
    s->SetAllowBlank(false);
    EXPECT_EQ(s->GetValue(), 4);
    EXPECT_EQ(s->GetText(), "4");
}

TEST_F(SpinEditTest, IsValidCharInATable) {
    TFcSpinEdit* s = AddSpin();
    s->SetIntegersOnly(false);
    s->SetDecimals(2);
    s->SetMin(-100);
    FForm->Show();
    Pump();
    struct Case {
        std::string Text;
        int SelStart, SelLength;
        bool KeyEdit;
        char Key;
        bool Valid;
    };
    const std::vector<Case> cases = {
        {"12", 2, 0, true, '5', true},      {"12", 2, 0, true, 'a', false},
        {"12", 2, 0, true, '.', true},      {"1.2", 3, 0, true, '.', false}, // one separator
        {"1.2", 0, 2, true, '.', true},     {"1.2", 2, 1, true, '.', false}, // a selection that holds it
        {"12", 0, 0, true, '-', true},      {"12", 1, 0, true, '-', false},  // signs at the start
        {"-12", 0, 0, true, '+', false},    {"-12", 0, 3, true, '+', true},  // or over the whole text
        {"12", 2, 0, true, '\b', true},     {"12", 2, 0, false, '\b', false},
        {"12", 2, 0, false, '5', false},    {"12", 2, 0, true, '\r', false},
        {"12", 2, 0, false, '\r', false},   {"12", 2, 0, false, '\x03', true}, // Ctrl+C
        {"12", 2, 0, true, char(0xE9), false},
    };
    for (const Case& c : cases) {
        s->SetAllowKeyEdit(c.KeyEdit);
        s->SetText(c.Text);
        s->SetSelStart(c.SelStart);
        s->SetSelLength(c.SelLength);
        EXPECT_EQ(s->IsValidChar(c.Key), c.Valid)
            << "'" << c.Text << "' sel " << c.SelStart << "+" << c.SelLength << " key " << int(c.Key);
    }
    s->SetIntegersOnly(true);
    s->SetAllowKeyEdit(true);
    s->SetText("12");
    EXPECT_FALSE(s->IsValidChar('.'));
}

TEST_F(SpinEditTest, KeysAndTheWheelStep) {
    TFcSpinEdit* s = AddSpin();
    s->SetMax(1000);
    s->SetIncrement(2);
    s->SetPageSize(25);
    std::vector<int> buttons;
    s->OnButtonClick = [&](vcl::TObject*, int32_t button) { buttons.push_back(button); };
    FForm->Show();
    s->SetFocus();
    Pump();
    const size_t before = Beeps();
    Press(win::VK_DELETE);
    EXPECT_EQ(Beeps(), before + 1);
    EXPECT_EQ(s->GetText(), "0");
    Press(win::VK_PRIOR);
    EXPECT_EQ(s->GetText(), "25");
    Press(win::VK_UP);
    EXPECT_EQ(s->GetText(), "27");
    Press(win::VK_DOWN);
    Press(win::VK_DOWN);
    EXPECT_EQ(s->GetText(), "23");
    Press(win::VK_NEXT);
    EXPECT_EQ(s->GetText(), "0"); // clamped at Min
    EXPECT_EQ(buttons, (std::vector<int>{0, 0, 1, 1, 1}));

    const win::TPoint at = s->ClientToScreen({5, 5});
    FScreen.InjectMouse(MouseAction::Wheel, at, 120);
    Pump();
    EXPECT_EQ(s->GetText(), "2");
    FScreen.InjectMouse(MouseAction::Wheel, at, 240); // two notches
    Pump();
    EXPECT_EQ(s->GetText(), "6");
    FScreen.InjectKey(win::VK_CONTROL, true);
    FScreen.InjectMouse(MouseAction::Wheel, at, 120);
    FScreen.InjectKey(win::VK_CONTROL, false);
    Pump();
    EXPECT_EQ(s->GetText(), "31");
    FScreen.InjectMouse(MouseAction::Wheel, at, -120);
    Pump();
    EXPECT_EQ(s->GetText(), "29");

    // With AllowKeyEdit Delete edits.
    s->SetAllowKeyEdit(true);
    s->SetSelStart(0);
    const size_t quiet = Beeps();
    Press(win::VK_DELETE);
    EXPECT_EQ(Beeps(), quiet);
    EXPECT_EQ(s->GetText(), "9");
}

TEST_F(SpinEditTest, AVetoOrAReadOnlyEditChangesNothing) {
    TFcSpinEdit* s = AddSpin();
    int clicks = 0;
    s->OnButtonClick = [&](vcl::TObject*, int32_t) { ++clicks; };
    s->OnChanging = [](vcl::TObject*, bool& allow) {
        EXPECT_TRUE(allow);
        allow = false;
    };
    s->IncValue(5);
    s->DownClick();
    EXPECT_EQ(s->GetText(), "0");
    EXPECT_EQ(clicks, 0);

    s->OnChanging = nullptr;
    s->SetReadOnly(true);
    const size_t before = Beeps();
    s->UpClick();
    s->DecValue(3);
    EXPECT_EQ(Beeps(), before + 2);
    EXPECT_EQ(s->GetText(), "0");
    EXPECT_EQ(clicks, 0);
    s->SetReadOnly(false);
    s->UpClick();
    EXPECT_EQ(s->GetText(), "1");
    EXPECT_EQ(clicks, 1);
}

TEST_F(SpinEditTest, OnChangeFiresOncePerSetValueThatChangesTheText) {
    TFcSpinEdit* s = AddSpin();
    FForm->Show();
    Pump();
    int changes = 0;
    s->OnChange = [&](vcl::TObject*) { ++changes; };
    s->SetValue(5);
    EXPECT_EQ(changes, 1);
    s->SetValue(5);
    s->SetValue(5.2); // the same text
    EXPECT_EQ(changes, 1);
    s->SetValue(500); // clamped to 100
    EXPECT_EQ(changes, 2);
    s->SetValue(100);
    EXPECT_EQ(changes, 2);
}

TEST_F(SpinEditTest, TheButtonPairSitsInsideTheRightEdge) {
    struct Case {
        std::string Name;
        bool Themed, FrameVisible, Ctl3D, RightToLeft;
        win::TRect Expected; // the pair's left, top, width, height for a 47 x 21 edit with W = 17
    };
    const std::vector<Case> cases = {
        {"3-D", false, false, true, false, {47 - 17 - 4, 0, 17, 21 - 3}},
        {"framed", false, true, false, false, {47 - 17 - 4, 0, 17, 21 - 3}},
        {"flat border", false, false, false, false, {47 - 17 - 1, 1, 17, 21 - 3}},
        {"themed", true, false, true, false, {47 - 17 - 3, -1, 17, 21 - 1}},
        {"right to left", false, false, true, true, {0, 0, 17, 21 - 3}},
    };
    for (const Case& c : cases) {
        if (c.Themed) {
            auto engine = std::make_shared<win::RecordingThemeEngine>();
            engine->AddClass("spin");
            win::SetThemeEngine(engine);
            FreeThemeServices();
        }
        TFcSpinEdit* s = AddSpin();
        s->SetCtl3D(c.Ctl3D);
        s->SetFrameVisible(c.FrameVisible);
        if (c.RightToLeft)
            s->SetBiDiMode(vcl::bdRightToLeft);
        s->SetBounds(10, 10, 47, 21);
        FForm->Show();
        Pump();
        TFcSpinButtons* b = s->GetSpinButtons();
        EXPECT_EQ((win::TRect{b->GetLeft(), b->GetTop(), b->GetWidth(), b->GetHeight()}), c.Expected) << c.Name;
        // The buttons split the pair: up W x (H div 2), down below it, one row short.
        const int32_t h = b->GetHeight();
        EXPECT_EQ(s->GetSpinButton(0)->GetBoundsRect(), (win::TRect{0, 0, 17, h / 2})) << c.Name;
        EXPECT_EQ(s->GetSpinButton(1)->GetBoundsRect(), (win::TRect{0, h / 2, 17, h - 1})) << c.Name;
        // The edit's margin on the buttons' side: W + 2.
        const win::LRESULT margins = win::SendMessage(s->GetHandle(), win::EM_GETMARGINS, 0, 0);
        EXPECT_EQ(win::LOWORD(margins), c.RightToLeft ? 19 : 0) << c.Name;
        EXPECT_EQ(win::HIWORD(margins), c.RightToLeft ? 0 : 19) << c.Name;
        delete s;
        win::SetThemeEngine(nullptr);
        FreeThemeServices();
    }
}

TEST_F(SpinEditTest, AHeightBelowTheFontsLineIsRaised) {
    TFcSpinEdit* s = AddSpin();
    const int32_t line = FontLineHeight(s->GetFont());
    s->SetHeight(5);
    EXPECT_EQ(s->GetHeight(), line);
    s->SetHeight(line + 10);
    EXPECT_EQ(s->GetHeight(), line + 10);
}

TEST_F(SpinEditTest, AFrameControllerTurningTheFrameOnKeepsTheTextAndItsSelection) {
    TFcSpinEdit* s = AddSpin();
    s->SetIntegersOnly(false);
    s->SetDecimals(2);
    s->SetValue(1.5);
    FForm->Show();
    s->SetFocus();
    Pump();
    s->SetSelStart(1);
    s->SetSelLength(2);
    auto* controller = new TFcFrameController(FForm);
    controller->SetFrameVisible(true);
    s->SetFrameController(controller);
    EXPECT_TRUE(s->GetFrameVisible());
    EXPECT_EQ(s->GetText(), "1.50");
    EXPECT_EQ(s->GetSelStart(), 1);
    EXPECT_EQ(s->GetSelLength(), 2);
    delete controller;
    EXPECT_EQ(s->GetFrameController(), nullptr);
}

TEST_F(SpinEditTest, TheButtonsStepAndRepeatWhileHeld) {
    TFcSpinEdit* s = AddSpin();
    vcl::TEdit* other = AddPlainEdit();
    s->SetIntegersOnly(false);
    s->SetDecimals(2);
    s->SetIncrement(0.01);
    s->SetValue(1.5);
    FForm->Show();
    other->SetFocus();
    Pump();
    TFcControlButton* up = s->GetSpinButton(0);
    const win::TPoint at = up->ClientToScreen({5, 3});
    FScreen.InjectMouse(MouseAction::LeftDown, at);
    Pump();
    EXPECT_TRUE(s->Focused()); // the press focuses the edit
    FScreen.InjectMouse(MouseAction::LeftUp, at);
    Pump();
    EXPECT_EQ(s->GetText(), "1.51");
    FScreen.InjectMouse(MouseAction::LeftDown, at);
    Pump();
    for (int i = 0; i < 10; ++i) {
        FClock.Advance(100);
        Pump();
    }
    FScreen.InjectMouse(MouseAction::LeftUp, at);
    Pump();
    EXPECT_EQ(s->GetText(), "1.59"); // 400 ms, then every 100 ms to 1000 ms: 7 repeats, and the release
    const win::TPoint down = s->GetSpinButton(1)->ClientToScreen({5, 3});
    FScreen.InjectMouse(MouseAction::LeftDown, down);
    FScreen.InjectMouse(MouseAction::LeftUp, down);
    Pump();
    EXPECT_EQ(s->GetText(), "1.58");
}

TEST_F(SpinEditTest, TheSpinEditReadsAndWritesItsLayout) {
    TFcSpinEdit* s = AddSpin();
    const vcl::TPropInfo* value = vcl::GetPropInfo(s, "Value");
    ASSERT_NE(value, nullptr);
    s->SetIntegersOnly(false);
    s->SetDecimals(2);
    value->SetFloat(s, 0.25);
    EXPECT_EQ(s->GetText(), "0.25");
    EXPECT_EQ(value->GetFloat(s), 0.25);
    EXPECT_TRUE(value->IsStored(s));
    s->SetValue(0);
    EXPECT_FALSE(value->IsStored(s));
}

} // namespace
