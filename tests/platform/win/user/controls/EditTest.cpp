#include "ControlsTestSupport.h"

#include <algorithm>

using namespace controlstest;

namespace {

std::string Text(HWND hwnd) {
    return GetWindowTextString(hwnd);
}

std::pair<int, int> Sel(HWND hwnd) {
    DWORD a = 0, b = 0;
    SendMessage(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {int(a), int(b)};
}

} // namespace

TEST_F(ControlsTest, EditTypesSelectsWithShiftAndSendsChangeForEveryEdit) {
    HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL | WS_BORDER, {10, 10, 200, 34});
    SetFocus(edit);
    Type("Hello");
    EXPECT_EQ(Text(edit), "Hello");
    EXPECT_EQ(Sel(edit), std::make_pair(5, 5));
    QueueKeyInput(VK_SHIFT, true);
    QueueKeyInput(VK_LEFT, true);
    QueueKeyInput(VK_LEFT, false);
    QueueKeyInput(VK_LEFT, true);
    QueueKeyInput(VK_LEFT, false);
    QueueKeyInput(VK_SHIFT, false);
    Pump();
    EXPECT_EQ(Sel(edit), std::make_pair(3, 5));
    Type("p!");
    EXPECT_EQ(Text(edit), "Help!");
    Press(VK_BACK);
    EXPECT_EQ(Text(edit), "Help");
    Notes.clear();
    SetWindowText(edit, "set by code");
    EXPECT_EQ(Codes(WM_COMMAND), (std::vector<UINT>{EN_UPDATE, EN_CHANGE}));
}

TEST_F(ControlsTest, EditCutCopyPasteAndUndoThroughTheClipboard) {
    HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL, {10, 10, 200, 34}, "one two");
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 0, 3);
    Chord(VK_CONTROL, 'X');
    EXPECT_EQ(FClipboard, "one");
    EXPECT_EQ(Text(edit), " two");
    Press(VK_END);
    Chord(VK_SHIFT, VK_INSERT);
    EXPECT_EQ(Text(edit), " twoone");
    Chord(VK_CONTROL, 'Z');
    EXPECT_EQ(Text(edit), " two");
    Chord(VK_CONTROL, 'A');
    Chord(VK_CONTROL, 'C');
    EXPECT_EQ(FClipboard, " two");
    SendMessage(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(edit), " two");
    // A password never reaches the clipboard.
    SendMessage(edit, EM_SETPASSWORDCHAR, '*', 0);
    FClipboard = "kept";
    SendMessage(edit, EM_SETSEL, 0, -1);
    SendMessage(edit, WM_COPY, 0, 0);
    EXPECT_EQ(FClipboard, "kept");
}

TEST_F(ControlsTest, EditReadOnlyAndLimitRefuseWhatDoesNotFit) {
    HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL, {10, 10, 200, 34}, "abc");
    SetFocus(edit);
    SendMessage(edit, EM_SETREADONLY, TRUE, 0);
    Type("x");
    Press(VK_DELETE);
    EXPECT_EQ(Text(edit), "abc");
    SendMessage(edit, EM_SETREADONLY, FALSE, 0);
    SendMessage(edit, EM_LIMITTEXT, 5, 0);
    Press(VK_END);
    Notes.clear();
    Type("defg");
    EXPECT_EQ(Text(edit), "abcde");
    auto codes = Codes(WM_COMMAND);
    EXPECT_NE(std::find(codes.begin(), codes.end(), UINT(EN_MAXTEXT)), codes.end());
    SendMessage(edit, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT, 0, 0), EDIT_DEFAULT_LIMIT);
}

TEST_F(ControlsTest, EditMouseSelectsByDraggingAndWordsByDoubleClick) {
    HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL, {10, 10, 300, 34}, "alpha beta gamma");
    Click(edit, 200, 5, true);
    EXPECT_EQ(GetFocus(), edit);
    auto [a, b] = Sel(edit);
    EXPECT_LT(a, b);
    std::string word = Text(edit).substr(size_t(a), size_t(b - a));
    EXPECT_TRUE(word == "alpha" || word == "beta" || word == "gamma") << word;
    TPoint from = At(edit, 1, 5), to = At(edit, 290, 5);
    QueueMouseInput(MouseAction::Move, from);
    QueueMouseInput(MouseAction::LeftDown, from);
    QueueMouseInput(MouseAction::Move, to);
    QueueMouseInput(MouseAction::LeftUp, to);
    Pump();
    EXPECT_EQ(Sel(edit), std::make_pair(0, 16));
}

TEST_F(ControlsTest, MultiLineEditKeepsLinesAndMovesBetweenThem) {
    HWND edit =
        Control(WC_EDIT, ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, {10, 10, 200, 120}, "first\r\nsecond");
    EXPECT_EQ(Text(edit), "first\r\nsecond");
    EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 6);
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 2, 2);
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, WPARAM(-1), 0), 1);
    Press(VK_END);
    Press(VK_RETURN);
    Type("third");
    EXPECT_EQ(Text(edit), "first\r\nsecond\r\nthird");
}

// Single-line edits stop at the first line break of what they are given.
TEST_F(ControlsTest, SingleLineEditDropsLineBreaks) {
    HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL, {10, 10, 200, 34});
    SetFocus(edit);
    FClipboard = "line one\r\nline two";
    SendMessage(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(edit), "line one");
}
