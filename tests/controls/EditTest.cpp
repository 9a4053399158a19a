#include "controls/FcCommon.h"
#include "controls/FcEdit.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::MouseAction;

namespace {

COLORREF EdRgb(TColor c) { return COLORREF(vcl::ColorToRGB(c)); }

// Opens the protected parts the tests drive, and logs the drop-down calls.
class TProbeEdit : public TFcCustomEdit {
public:
    using TFcCustomEdit::TFcCustomEdit;
    using TFcCustomEdit::SetDropButtonVisible;
    using TFcCustomEdit::ValidateError;
    std::vector<std::string> Calls;

protected:
    void DoDropDown() override {
        Calls.push_back("DoDropDown");
        TFcCustomEdit::DoDropDown();
    }
    void DoCloseUp() override {
        Calls.push_back("DoCloseUp");
        TFcCustomEdit::DoCloseUp();
    }
};

class EditTest : public fctest::FormTest {
protected:
    EditTest() : FormTest(100, 100, 300, 200) {}
    TProbeEdit* AddEdit(int x, int y) {
        auto* e = new TProbeEdit(FForm);
        e->SetParent(FForm);
        e->SetBounds(x, y, 121, 21);
        return e;
    }
    vcl::TEdit* AddPlainEdit(int x, int y) {
        auto* e = new vcl::TEdit(FForm);
        e->SetParent(FForm);
        e->SetBounds(x, y, 80, 21);
        return e;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Mouse(MouseAction action, win::TPoint screen) {
        FScreen.InjectMouse(action, screen);
        Pump();
    }
    void Key(int vk, bool down) {
        FScreen.InjectKey(vk, down);
        Pump();
    }
    // A pixel of the edit's window, frame included, read through its window DC.
    COLORREF FramePixel(vcl::TWinControl* c, int x, int y) {
        Pump();
        win::HDC dc = win::GetWindowDC(c->GetHandle());
        COLORREF p = win::GetPixel(dc, x, y);
        win::ReleaseDC(c->GetHandle(), dc);
        return p;
    }
    win::TPoint WindowPoint(vcl::TWinControl* c, int x, int y) {
        win::TRect w;
        win::GetWindowRect(c->GetHandle(), &w);
        return {w.Left + x, w.Top + y};
    }
};

TEST_F(EditTest, TheColourFollowsTheState) {
    TProbeEdit* e = AddEdit(10, 10);
    vcl::TEdit* other = AddPlainEdit(10, 50);
    FForm->Show();
    other->SetFocus();
    Pump();
    EXPECT_EQ(e->GetColor(), vcl::clWindow);

    // FocusColor equalled the normal colour: it follows Color.
    e->SetColor(vcl::clYellow);
    EXPECT_EQ(e->GetFocusColor(), vcl::clYellow);
    EXPECT_EQ(e->GetNormalColor(), vcl::clYellow);
    e->SetFocusColor(vcl::clAqua);
    e->SetDisabledColor(vcl::clSilver);
    e->SetEnabled(false);
    EXPECT_EQ(e->GetColor(), vcl::clSilver);
    e->SetEnabled(true);
    EXPECT_EQ(e->GetColor(), vcl::clYellow);

    e->SetFocus();
    Pump();
    EXPECT_TRUE(e->GetInControl());
    EXPECT_EQ(e->GetFocusColor(), vcl::clAqua);
    EXPECT_EQ(e->GetColor(), vcl::clAqua);
    EXPECT_EQ(e->GetNormalColor(), vcl::clYellow); // the edit's own change leaves the normal colour
    e->SetEnabled(false);
    EXPECT_EQ(e->GetColor(), vcl::clSilver);
    EXPECT_FALSE(e->GetInControl()); // disabling took the focus away
    e->SetEnabled(true);
    EXPECT_EQ(e->GetColor(), vcl::clYellow);
    e->SetFocus();
    Pump();
    EXPECT_EQ(e->GetColor(), vcl::clAqua);
    // A Color set while focused becomes the normal colour; FocusColor differs and stays shown.
    e->SetColor(vcl::clLime);
    EXPECT_EQ(e->GetNormalColor(), vcl::clLime);
    EXPECT_EQ(e->GetFocusColor(), vcl::clAqua);
    EXPECT_EQ(e->GetColor(), vcl::clAqua);
    other->SetFocus();
    Pump();
    EXPECT_EQ(e->GetColor(), vcl::clLime);
}

TEST_F(EditTest, TabOnEnterMovesTheFocusAndInsertsNothing) {
    TProbeEdit* e = AddEdit(10, 10);
    vcl::TEdit* next = AddPlainEdit(10, 50);
    e->SetTabOnEnter(true);
    e->SetText("abc");
    FForm->Show();
    e->SetFocus();
    Pump();
    e->SetSelStart(3);
    Key(win::VK_RETURN, true);
    Key(win::VK_RETURN, false);
    EXPECT_TRUE(next->Focused());
    EXPECT_EQ(e->GetText(), "abc");
}

TEST_F(EditTest, FrameVisibleTurnsCtl3DOnAndKeepsTheText) {
    TProbeEdit* e = AddEdit(10, 10);
    e->SetCtl3D(false);
    FForm->Show();
    Pump();
    e->SetText("keep me");
    e->SetSelStart(2);
    e->SetSelLength(3);
    const win::HWND before = e->GetHandle();
    e->SetFrameVisible(true);
    EXPECT_TRUE(e->GetCtl3D());
    EXPECT_NE(e->GetHandle(), before); // re-created
    EXPECT_EQ(e->GetText(), "keep me");
    EXPECT_EQ(win::GetWindowTextString(e->GetHandle()), "keep me");
    EXPECT_EQ(e->GetSelStart(), 2);
    EXPECT_EQ(e->GetSelLength(), 3);
}

TEST_F(EditTest, AHotTrackedFrameSwitchesStyleAndColourWithThePointer) {
    TProbeEdit* e = AddEdit(10, 10);
    vcl::TEdit* other = AddPlainEdit(10, 50);
    e->SetFrameColor(vcl::clRed);
    e->SetFrameHotStyle(fsFlatBold);
    e->SetFrameHotColor(vcl::clBlue);
    e->SetFrameHotTrack(true);
    EXPECT_TRUE(e->GetFrameVisible());
    FForm->Show();
    other->SetFocus();
    Mouse(MouseAction::Move, FForm->ClientToScreen({200, 120}));
    // fsFlat: one line in FrameColor over the two-line wipe in the edit's colour.
    EXPECT_EQ(FramePixel(e, 0, 0), EdRgb(vcl::clRed));
    EXPECT_EQ(FramePixel(e, 120, 20), EdRgb(vcl::clRed));
    EXPECT_EQ(FramePixel(e, 1, 1), EdRgb(vcl::clWindow));
    EXPECT_EQ(FramePixel(e, 60, 1), EdRgb(vcl::clWindow));
    Mouse(MouseAction::Move, WindowPoint(e, 60, 10));
    EXPECT_TRUE(e->GetMouseOver());
    // fsFlatBold: two lines in FrameHotColor.
    EXPECT_EQ(FramePixel(e, 0, 0), EdRgb(vcl::clBlue));
    EXPECT_EQ(FramePixel(e, 1, 1), EdRgb(vcl::clBlue));
    EXPECT_EQ(FramePixel(e, 119, 19), EdRgb(vcl::clBlue));
    Mouse(MouseAction::Move, FForm->ClientToScreen({200, 120}));
    EXPECT_FALSE(e->GetMouseOver());
    EXPECT_EQ(FramePixel(e, 0, 0), EdRgb(vcl::clRed));
    EXPECT_EQ(FramePixel(e, 1, 1), EdRgb(vcl::clWindow));
}

TEST_F(EditTest, TheDropButtonNarrowsTheClientAndAPressDropsDownThenClosesUp) {
    for (bool themed : {false, true}) {
        if (themed) {
            auto engine = std::make_shared<win::RecordingThemeEngine>();
            engine->AddClass("combobox");
            win::SetThemeEngine(engine);
            FreeThemeServices();
        }
        TProbeEdit* e = AddEdit(10, 10);
        vcl::TEdit* other = AddPlainEdit(10, 50);
        FForm->Show();
        other->SetFocus();
        Pump();
        const int32_t plain = e->GetClientWidth();
        EXPECT_EQ(plain, 121 - 4);
        e->SetDropButtonVisible(true);
        EXPECT_EQ(e->GetClientWidth(), plain - win::GetSystemMetrics(win::SM_CXVSCROLL) + (themed ? 1 : 0))
            << themed;
        Mouse(MouseAction::Move, WindowPoint(e, 121 - 5, 10));
        EXPECT_TRUE(e->GetMouseOverButton());
        Mouse(MouseAction::LeftDown, WindowPoint(e, 121 - 5, 10));
        EXPECT_EQ(e->Calls, (std::vector<std::string>{"DoDropDown", "DoCloseUp"})) << themed;
        EXPECT_TRUE(e->Focused());
        EXPECT_EQ(e->GetButtonState(), 0);
        EXPECT_FALSE(e->GetDroppedDown());
        Mouse(MouseAction::LeftUp, WindowPoint(e, 121 - 5, 10));
        EXPECT_EQ(win::GetCapture(), nullptr);
        e->Calls.clear();
        // Alt+Down opens it as well, and the key goes no further.
        int keys = 0;
        e->OnKeyDown = [&](vcl::TObject*, uint16_t&, vcl::TShiftState) { ++keys; };
        Key(win::VK_MENU, true);
        Key(win::VK_DOWN, true);
        Key(win::VK_DOWN, false);
        Key(win::VK_MENU, false);
        EXPECT_EQ(e->Calls, (std::vector<std::string>{"DoDropDown", "DoCloseUp"}));
        EXPECT_EQ(keys, 1); // Alt alone
        // A click in the text is no press of the button.
        e->Calls.clear();
        Mouse(MouseAction::LeftDown, WindowPoint(e, 20, 10));
        Mouse(MouseAction::LeftUp, WindowPoint(e, 20, 10));
        EXPECT_FALSE(e->GetMouseOverButton());
        EXPECT_TRUE(e->Calls.empty());
        delete e;
        delete other;
    }
}

TEST_F(EditTest, AltDownWithoutADropButtonReachesOnKeyDownUnchanged) {
    TProbeEdit* e = AddEdit(10, 10);
    std::vector<std::pair<uint16_t, bool>> keys;
    e->OnKeyDown = [&](vcl::TObject*, uint16_t& key, vcl::TShiftState shift) {
        keys.push_back({key, shift.Contains(vcl::ssAlt)});
    };
    FForm->Show();
    e->SetFocus();
    Pump();
    Key(win::VK_MENU, true);
    Key(win::VK_DOWN, true);
    Key(win::VK_DOWN, false);
    Key(win::VK_MENU, false);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1], (std::pair<uint16_t, bool>{win::VK_DOWN, true}));
    EXPECT_TRUE(e->Calls.empty());
}

TEST_F(EditTest, AValidationMessageBeepsOnceAndRaises) {
    TProbeEdit* e = AddEdit(10, 10);
    const size_t beeps = FScreen.Beeps().size();
    e->OnValidateError = [](vcl::TObject*, std::string& msg) {
        EXPECT_EQ(msg, "");
        msg = "Not a frame delay";
    };
    try {
        e->ValidateError();
        ADD_FAILURE() << "no exception";
    } catch (const vcl::EDBEditError& error) {
        EXPECT_STREQ(error.what(), "Not a frame delay");
    }
    EXPECT_EQ(FScreen.Beeps().size(), beeps + 1);
    // A handler that leaves the message empty: the masked edit's own error.
    e->OnValidateError = [](vcl::TObject*, std::string&) {};
    EXPECT_THROW(e->ValidateError(), vcl::EDBEditError);
    EXPECT_EQ(FScreen.Beeps().size(), beeps + 2);
}

} // namespace
