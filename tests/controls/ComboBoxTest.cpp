#include "controls/FcComboBox.h"
#include "controls/FcCommon.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::MouseAction;

namespace {

using fctest::Rgb;

class ComboBoxTest : public fctest::FormTest {
protected:
    ComboBoxTest() : FormTest(50, 50, 400, 300) {}

    // The editor's disposal list.
    TFcComboBox* AddCombo(vcl::TComboBoxStyle style = vcl::csDropDown) {
        auto* cb = new TFcComboBox(FForm);
        cb->SetParent(FForm);
        cb->SetBounds(10, 10, 145, 21);
        cb->SetStyle(style);
        for (const char* item : {"None", "Don't Remove", "Background", "Previous"})
            cb->GetItems()->Add(item);
        cb->OnClick = [this](vcl::TObject*) { ++FClicks; };
        cb->OnChange = [this](vcl::TObject*) { ++FChanges; };
        cb->OnMatch = [this](vcl::TObject*) { ++FMatches; };
        return cb;
    }
    // A second control to leave the combo box for.
    vcl::TWinControl* AddOther() {
        auto* other = new TFcComboBox(FForm);
        other->SetParent(FForm);
        other->SetBounds(10, 100, 100, 21);
        return other;
    }
    void Show(TFcComboBox* focus) {
        FForm->Show();
        Pump();
        focus->SetFocus();
        Pump();
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Type(const std::string& text) {
        FScreen.InjectText(text);
        Pump();
    }
    void Press(int vk) {
        FScreen.InjectKeyPress(vk);
        Pump();
    }
    void TypeCodePoint(uint32_t cp) {
        win::QueueKeyInput(win::VK_OEM_1, true, cp);
        win::QueueKeyInput(win::VK_OEM_1, false, cp);
        Pump();
    }
    static std::string Text(TFcComboBox* cb) { return win::GetWindowTextString(cb->GetHandle()); }
    static std::pair<int, int> Sel(TFcComboBox* cb) { return {cb->GetSelStart(), cb->GetSelLength()}; }

    int FClicks = 0;
    int FChanges = 0;
    int FMatches = 0;
};

TEST_F(ComboBoxTest, ALetterCompletesTheFirstItemWithTheTailSelected) {
    struct Case {
        bool keepCase;
        const char* text;
    };
    for (Case c : {Case{false, "Background"}, Case{true, "background"}}) {
        TFcComboBox* cb = AddCombo();
        cb->SetKeepSearchCase(c.keepCase);
        Show(cb);
        FMatches = 0;
        Type("b");
        EXPECT_EQ(Text(cb), c.text);
        EXPECT_EQ(Sel(cb), (std::pair<int, int>{1, 9}));
        EXPECT_EQ(FMatches, 1);
        EXPECT_EQ(cb->GetSearchText(), "b");
        EXPECT_TRUE(FScreen.Beeps().empty());
        delete cb;
    }
}

TEST_F(ComboBoxTest, BackspaceShortensTheTypedPrefixAndCompletesAgain) {
    TFcComboBox* cb = AddCombo();
    Show(cb);
    Type("ba");
    EXPECT_EQ(Text(cb), "Background");
    EXPECT_EQ(Sel(cb), (std::pair<int, int>{2, 8}));
    Press(win::VK_BACK);
    EXPECT_EQ(Text(cb), "Background");
    EXPECT_EQ(Sel(cb), (std::pair<int, int>{1, 9}));
    EXPECT_EQ(cb->GetSearchText(), "b");
    Press(win::VK_BACK);
    EXPECT_EQ(Text(cb), "");
    EXPECT_EQ(cb->GetItemIndex(), -1);
}

TEST_F(ComboBoxTest, WithoutAllowEditAKeyThatMatchesNothingBeepsOnce) {
    TFcComboBox* cb = AddCombo();
    cb->SetAllowEdit(false);
    Show(cb);
    Type("x");
    EXPECT_EQ(FScreen.Beeps().size(), 1u);
    EXPECT_EQ(Text(cb), "");
    EXPECT_EQ(cb->GetSearchText(), "");
    Type("p");
    EXPECT_EQ(Text(cb), "Previous");
    EXPECT_EQ(Sel(cb), (std::pair<int, int>{1, 7}));
    EXPECT_EQ(FScreen.Beeps().size(), 1u);
}

TEST_F(ComboBoxTest, WithAllowEditAKeyThatMatchesNothingGoesInAsTyped) {
    TFcComboBox* cb = AddCombo();
    Show(cb);
    Type("bx"); // the x takes the place of the completed tail
    EXPECT_EQ(Text(cb), "Bx");
    EXPECT_EQ(cb->GetSearchText(), "Bx");
    EXPECT_EQ(Sel(cb), (std::pair<int, int>{2, 0}));
    EXPECT_TRUE(FScreen.Beeps().empty());
}

TEST_F(ComboBoxTest, AListOnlyBoxSearchesWhatIsTypedWithinASecondAndAHalf) {
    TFcComboBox* cb = AddCombo(vcl::csDropDownList);
    Show(cb);
    Type("p");
    FClock.Advance(1000);
    Pump();
    Type("r");
    EXPECT_EQ(cb->GetItemIndex(), 3);
    EXPECT_EQ(cb->GetSearchText(), "pr");
    EXPECT_TRUE(FScreen.Beeps().empty());
    FClock.Advance(ComboSearchResetMs + 100);
    Pump();
    EXPECT_EQ(cb->GetSearchText(), "");
    Type("n"); // a new search; as one search "prn" would match nothing
    EXPECT_EQ(cb->GetItemIndex(), 0);
    EXPECT_TRUE(FScreen.Beeps().empty());
    Type("q");
    EXPECT_EQ(FScreen.Beeps().size(), 1u);
    EXPECT_EQ(cb->GetSearchText(), "n");
}

TEST_F(ComboBoxTest, LeavingWithTextThatIsNoItemFiresOnNotInListOnce) {
    TFcComboBox* cb = AddCombo();
    vcl::TWinControl* other = AddOther();
    int notInList = 0;
    cb->OnNotInList = [&](vcl::TObject*) { ++notInList; };
    Show(cb);
    Type("xyz");
    EXPECT_EQ(Text(cb), "xyz");
    other->SetFocus();
    Pump();
    EXPECT_EQ(notInList, 1);
    cb->SetFocus();
    Pump();
    Type("n");
    other->SetFocus();
    Pump();
    EXPECT_EQ(notInList, 1); // "None" is an item
}

TEST_F(ComboBoxTest, ReadOnlyDropsKeysButCtrlCAndPaintsTheButtonInColor) {
    TFcComboBox* cb = AddCombo();
    cb->SetColor(vcl::clInfoBk);
    cb->SetFocusColor(vcl::clInfoBk);
    cb->SetItemIndex(2);
    cb->SetReadOnly(true);
    Show(cb);
    cb->SetSelStart(0);
    cb->SetSelLength(10);
    Type("p");
    Press(win::VK_BACK);
    EXPECT_EQ(Text(cb), "Background");
    EXPECT_EQ(cb->GetItemIndex(), 2);
    vcl::Clipboard()->SetAsText("");
    FScreen.InjectKey(win::VK_CONTROL, true);
    FScreen.InjectKeyPress('C');
    FScreen.InjectKey(win::VK_CONTROL, false);
    Pump();
    EXPECT_EQ(vcl::Clipboard()->GetAsText(), "Background");
    cb->Repaint();
    const int w = win::GetSystemMetrics(win::SM_CXVSCROLL);
    const int right = cb->GetWidth() - 2;
    for (int x : {right - w, right - w / 2, right - 1})
        for (int y : {3, cb->GetHeight() / 2, cb->GetHeight() - 3})
            EXPECT_EQ(FScreen.WindowPixel(cb->GetHandle(), x, y), Rgb(vcl::clInfoBk)) << x << "," << y;
}

TEST_F(ComboBoxTest, TheWheelMovesWithinTheItemsAndFiresOnlyForAMove) {
    struct Case {
        int from;
        int delta; // in notches, negative down
        int to;
        int events;
    };
    const Case cases[] = {{-1, -1, 0, 1}, {0, -1, 1, 1}, {3, -1, 3, 0}, {0, 1, 0, 0},
                          {2, 1, 1, 1},   {-1, 1, 0, 1}};
    for (const Case& c : cases) {
        TFcComboBox* cb = AddCombo(vcl::csDropDownList);
        Show(cb);
        cb->SetItemIndex(c.from);
        FClicks = FChanges = 0;
        const win::TPoint at = cb->ClientToScreen({20, 10});
        FScreen.InjectMouse(MouseAction::Move, at);
        FScreen.InjectMouse(MouseAction::Wheel, at, c.delta * win::WHEEL_DELTA);
        Pump();
        SCOPED_TRACE(std::to_string(c.from) + " by " + std::to_string(c.delta));
        EXPECT_EQ(cb->GetItemIndex(), c.to);
        EXPECT_EQ(FClicks, c.events);
        EXPECT_EQ(FChanges, c.events);
        delete cb;
    }
    TFcComboBox* empty = AddCombo(vcl::csDropDownList);
    empty->GetItems()->Clear();
    Show(empty);
    FClicks = FChanges = 0;
    const win::TPoint at = empty->ClientToScreen({20, 10});
    FScreen.InjectMouse(MouseAction::Move, at);
    FScreen.InjectMouse(MouseAction::Wheel, at, -win::WHEEL_DELTA);
    Pump();
    EXPECT_EQ(empty->GetItemIndex(), -1);
    EXPECT_EQ(FClicks + FChanges, 0);
}

TEST_F(ComboBoxTest, ItemIndexByCodeFiresNothing) {
    TFcComboBox* cb = AddCombo();
    Show(cb);
    cb->SetItemIndex(1);
    cb->SetItemIndex(3);
    EXPECT_EQ(Text(cb), "Previous");
    EXPECT_EQ(FClicks + FChanges + FMatches, 0);
}

TEST_F(ComboBoxTest, TheFrameIsFlatAndTurnsHotWhileFocused) {
    TFcComboBox* cb = AddCombo();
    vcl::TWinControl* other = AddOther();
    cb->SetFrameVisible(true);
    Show(cb);
    other->SetFocus();
    Pump();
    cb->Repaint();
    const int w = cb->GetWidth(), h = cb->GetHeight();
    const COLORREF shadow = Rgb(vcl::clBtnShadow), white = Rgb(vcl::clWindow), red = Rgb(vcl::clRed);
    auto px = [&](int x, int y) { return FScreen.WindowPixel(cb->GetHandle(), x, y); };
    EXPECT_EQ(px(0, 0), shadow);
    EXPECT_EQ(px(w - 1, h - 1), shadow);
    EXPECT_EQ(px(w / 2, 0), shadow);
    EXPECT_EQ(px(1, 1), white); // the 3-D border is wiped in Color
    EXPECT_EQ(px(w / 2, h - 2), white);
    cb->SetFrameHotTrack(true);
    cb->SetFrameHotColor(vcl::clRed);
    cb->SetFrameHotStyle(fsFlatBold);
    cb->SetFocus();
    Pump();
    cb->Repaint();
    EXPECT_EQ(px(0, 0), red);
    EXPECT_EQ(px(1, 1), red);
    EXPECT_EQ(px(w - 2, h - 2), red);
    EXPECT_NE(px(2, h / 2), red);
    other->SetFocus();
    Pump();
    cb->Repaint();
    EXPECT_EQ(px(0, 0), shadow);
}

TEST_F(ComboBoxTest, AnOwnerDrawnSelectedItemGetsTheDottedFocusBorder) {
    TFcComboBox* cb = AddCombo(vcl::csOwnerDrawFixed);
    Show(cb);
    cb->SetItemIndex(1);
    cb->Repaint();
    // The selection field of the focused box is drawn selected at (3, 3).
    auto px = [&](int x, int y) { return FScreen.WindowPixel(cb->GetHandle(), x, y); };
    EXPECT_EQ(px(3, 4), 0u);
    EXPECT_EQ(px(4, 3), 0u);
    EXPECT_EQ(px(3, 6), 0u);
    EXPECT_EQ(px(3, 3), Rgb(vcl::clHighlight));
    EXPECT_EQ(px(3, 5), Rgb(vcl::clHighlight));
}

TEST_F(ComboBoxTest, CharactersAreCodePointsAndBackspaceTakesWholeOnes) {
    TFcComboBox* cb = AddCombo();
    cb->GetItems()->Add("\xE2\x82\xAC" "uro");
    Show(cb);
    TypeCodePoint(0x20AC);
    EXPECT_EQ(Text(cb), "\xE2\x82\xAC" "uro");
    EXPECT_EQ(Sel(cb), (std::pair<int, int>{3, 3}));
    EXPECT_EQ(cb->GetSearchText(), "\xE2\x82\xAC");
    Press(win::VK_BACK);
    EXPECT_EQ(cb->GetSearchText(), "");
    EXPECT_EQ(Text(cb), "");
    // A character beyond Latin-1 that no item begins with goes in whole.
    TypeCodePoint(0x4E2D);
    EXPECT_EQ(Text(cb), "\xE4\xB8\xAD");

    TFcComboBox* list = AddCombo(vcl::csDropDownList);
    list->GetItems()->Add("\xE2\x82\xAC" "uro");
    list->SetFocus();
    Pump();
    TypeCodePoint(0x20AC);
    EXPECT_EQ(list->GetItemIndex(), 4);
    Press(win::VK_BACK);
    EXPECT_EQ(list->GetSearchText(), "");
}

TEST_F(ComboBoxTest, AReCreatedWindowKeepsItemsIndexAndDropDownWidth) {
    TFcComboBox* cb = AddCombo(vcl::csDropDownList);
    Show(cb);
    cb->SetItemIndex(2);
    cb->SetDropDownWidth(220);
    const win::HWND before = cb->GetHandle();
    cb->SetFrameVisible(true); // the 3-D look goes: a new window
    Pump();
    EXPECT_NE(cb->GetHandle(), before);
    EXPECT_EQ(cb->GetCount(), 4);
    EXPECT_EQ(cb->GetItemIndex(), 2);
    EXPECT_EQ(cb->GetDropDownWidth(), 220);
    EXPECT_EQ(int(win::SendMessage(cb->GetHandle(), win::CB_GETDROPPEDWIDTH, 0, 0)), 220);
}

TEST_F(ComboBoxTest, TheSearchTimerGoesWithTheBox) {
    TFcComboBox* cb = AddCombo(vcl::csDropDownList);
    Show(cb);
    Type("b");
    ASSERT_TRUE(cb->GetSearchTimer()->GetEnabled());
    delete cb;
    FClock.Advance(ComboSearchResetMs * 2);
    Pump();
}

} // namespace
