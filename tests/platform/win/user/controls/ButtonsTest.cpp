#include "ControlsTestSupport.h"

using namespace controlstest;

TEST_F(ControlsTest, CheckBoxTogglesBySpaceAndClickAndTellsTheParent) {
    HWND check = Control(WC_BUTTON, BS_AUTOCHECKBOX | WS_TABSTOP, {10, 10, 150, 30}, "&Loop");
    SetFocus(check);
    Press(VK_SPACE);
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(check, 5, 10);
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Codes(WM_COMMAND), (std::vector<UINT>{BN_CLICKED, BN_CLICKED}));
    // A press that leaves the button before the release is no click.
    TPoint in = At(check, 5, 10), out = At(check, 5, 100);
    QueueMouseInput(MouseAction::Move, in);
    QueueMouseInput(MouseAction::LeftDown, in);
    QueueMouseInput(MouseAction::Move, out);
    QueueMouseInput(MouseAction::LeftUp, out);
    Pump();
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Codes(WM_COMMAND).size(), 2u);
    SendMessage(check, BM_SETCHECK, BST_INDETERMINATE, 0); // only three-state boxes are grey
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(ControlsTest, AutomaticRadioButtonsUncheckTheRestOfTheirGroup) {
    HWND a = Control(WC_BUTTON, BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 150, 30}, "A", 1);
    HWND b = Control(WC_BUTTON, BS_AUTORADIOBUTTON, {10, 40, 150, 60}, "B", 2);
    HWND c = Control(WC_BUTTON, BS_AUTORADIOBUTTON, {10, 70, 150, 90}, "C", 3);
    HWND other = Control(WC_BUTTON, BS_AUTORADIOBUTTON | WS_GROUP, {10, 100, 150, 120}, "Other", 4);
    SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(other, BM_SETCHECK, BST_CHECKED, 0);
    Click(c, 5, 10);
    EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(other, BM_GETCHECK, 0, 0), BST_CHECKED);
    // The checked radio button is the one Tab lands on.
    EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLong(a, GWL_STYLE) & WS_TABSTOP);
    EXPECT_EQ(SendMessage(c, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON, DLGC_RADIOBUTTON);
}

TEST_F(ControlsTest, OwnerDrawButtonAndGroupBox) {
    HWND owner = Control(WC_BUTTON, BS_OWNERDRAW, {10, 10, 100, 40}, "x", 5);
    Notes.clear();
    UpdateWindow(owner);
    ASSERT_FALSE(Notes.empty());
    EXPECT_EQ(Notes.back().Message, UINT(WM_DRAWITEM));
    EXPECT_EQ(Notes.back().From, owner);
    HWND group = Control(WC_BUTTON, BS_GROUPBOX, {10, 50, 200, 150}, "Frame Properties");
    // Clicks fall through a group box to the window beneath it.
    EXPECT_EQ(WindowFromPoint(At(group, 50, 50)), Parent);
}

TEST_F(ControlsTest, PushButtonDrawsPressedWhileHeld) {
    HWND button = Control(WC_BUTTON, BS_PUSHBUTTON, {10, 10, 100, 40}, "OK");
    UpdateWindow(button);
    TPoint p = At(button, 40, 15);
    QueueMouseInput(MouseAction::Move, p);
    QueueMouseInput(MouseAction::LeftDown, p);
    Pump();
    EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    QueueMouseInput(MouseAction::LeftUp, p);
    Pump();
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_EQ(Codes(WM_COMMAND), (std::vector<UINT>{BN_CLICKED}));
}

// Every control class asks for its context menu on a right-button release (at the screen point) and on
// the Apps key or Shift+F10 (at (-1, -1)); the request climbs to the parent, naming the control.
TEST_F(ControlsTest, ControlsAskForTheirContextMenuByMouseAndKeys) {
    struct Request {
        HWND From;
        int X, Y;
    };
    std::vector<Request> requests;
    auto previous = Handlers()[Parent];
    Handlers()[Parent] = [&, previous](HWND h, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        if (msg == WM_CONTEXTMENU) {
            requests.push_back({reinterpret_cast<HWND>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return true;
        }
        return previous(h, msg, wParam, lParam, result);
    };
    for (const char* cls : {WC_EDIT, WC_LISTBOX, WC_BUTTON, WC_LISTVIEW, TRACKBAR_CLASS}) {
        SCOPED_TRACE(cls);
        HWND control = Control(cls, WS_TABSTOP, {10, 10, 150, 100});
        requests.clear();
        TPoint p = At(control, 20, 30);
        QueueMouseInput(MouseAction::Move, p);
        QueueMouseInput(MouseAction::RightDown, p);
        QueueMouseInput(MouseAction::RightUp, p);
        Pump();
        SetFocus(control);
        Press(VK_APPS);
        Chord(VK_SHIFT, VK_F10);
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[0].From, control);
        EXPECT_EQ(TPoint(requests[0].X, requests[0].Y), p);
        for (size_t i : {1u, 2u}) {
            EXPECT_EQ(requests[i].From, control);
            EXPECT_EQ(TPoint(requests[i].X, requests[i].Y), TPoint(-1, -1));
        }
        DestroyWindow(control);
    }
}
