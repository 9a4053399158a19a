#include "ControlsTestSupport.h"

#include "platform/win/gdi/Text.h"

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

namespace {

int EditTestTextWidth(HWND hwnd, const std::string& text) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return int(size.cx);
}

std::string EditTestLine(HWND edit, int line) {
    char buffer[64] = {};
    WORD size = sizeof(buffer) - 1;
    std::copy(reinterpret_cast<char*>(&size), reinterpret_cast<char*>(&size) + sizeof(WORD), buffer);
    auto n = SendMessage(edit, EM_GETLINE, WPARAM(line), reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, size_t(n));
}

} // namespace

// Without horizontal scrolling a multi-line edit breaks its lines after the last space that fits; the
// line messages, the caret keys and the selection count the lines as shown, the text stays as given.
TEST_F(ControlsTest, MultiLineEditWrapsWordsAndCountsTheLinesItShows) {
    HWND edit = Control(WC_EDIT, ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, {10, 10, 200, 150});
    // Room for "word word" and a little, never for a third word: margins of one pixel on each side.
    int room = EditTestTextWidth(edit, "word word") + 4;
    TRect client;
    GetClientRect(edit, &client);
    SetWindowPos(edit, nullptr, 0, 0, room + 2 + (200 - 10 - client.Width()), 140, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowText(edit, "word word word word word\r\nend");
    EXPECT_EQ(Text(edit), "word word word word word\r\nend");
    ASSERT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 4);
    struct LineCase {
        int Line, Index;
        const char* Shown;
    };
    for (LineCase c : {LineCase{0, 0, "word word"}, {1, 10, "word word"}, {2, 20, "word"}, {3, 25, "end"}}) {
        EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, WPARAM(c.Line), 0), c.Index) << c.Line;
        EXPECT_EQ(EditTestLine(edit, c.Line), c.Shown) << c.Line;
        EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, WPARAM(c.Index), 0), c.Line) << c.Line;
    }
    EXPECT_EQ(SendMessage(edit, EM_LINELENGTH, 12, 0), 9);
    // The first character of a soft line stands at the left of the next row.
    auto pos = SendMessage(edit, EM_POSFROMCHAR, 10, 0);
    auto first = SendMessage(edit, EM_POSFROMCHAR, 0, 0);
    EXPECT_EQ(LOWORD(pos), LOWORD(first));
    EXPECT_GT(HIWORD(pos), HIWORD(first));

    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 2, 2);
    Press(VK_DOWN);
    EXPECT_EQ(Sel(edit), std::make_pair(12, 12));
    Press(VK_HOME);
    EXPECT_EQ(Sel(edit), std::make_pair(10, 10));
    Press(VK_END);
    EXPECT_EQ(Sel(edit), std::make_pair(19, 19));
    QueueKeyInput(VK_SHIFT, true);
    QueueKeyInput(VK_DOWN, true);
    QueueKeyInput(VK_DOWN, false);
    QueueKeyInput(VK_SHIFT, false);
    Pump();
    EXPECT_EQ(Sel(edit), std::make_pair(19, 24));
    // Typing re-wraps: the second word of the first line no longer fits and moves down.
    SendMessage(edit, EM_SETSEL, 0, 0);
    Type("xx ");
    EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 8);
    // A wider window takes the whole hard line again.
    SetWindowPos(edit, nullptr, 0, 0, 400, 140, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 2);
}

// A word wider than the whole line is broken between characters; horizontal scrolling turns wrapping off.
TEST_F(ControlsTest, MultiLineEditBreaksLongWordsAndScrollingEditsDoNotWrap) {
    const std::string word = "abcdefghijklmnopqrstuvwxyz";
    HWND wrapping = Control(WC_EDIT, ES_MULTILINE, {10, 10, 50, 150}, word.c_str());
    int count = int(SendMessage(wrapping, EM_GETLINECOUNT, 0, 0));
    ASSERT_GT(count, 1);
    std::string joined;
    for (int line = 0; line < count; ++line) {
        std::string shown = EditTestLine(wrapping, line);
        EXPECT_FALSE(shown.empty()) << line;
        joined += shown;
    }
    EXPECT_EQ(joined, word);
    for (DWORD style : {DWORD(ES_AUTOHSCROLL), DWORD(WS_HSCROLL)}) {
        HWND scrolling = Control(WC_EDIT, ES_MULTILINE | style, {10, 10, 50, 150}, "word word word word");
        EXPECT_EQ(SendMessage(scrolling, EM_GETLINECOUNT, 0, 0), 1) << style;
    }
}

// Each line of a centred or right-aligned multi-line edit stands on its own in the format rectangle; a
// click lands on the character shown under the pointer.
TEST_F(ControlsTest, MultiLineEditAlignsEveryLine) {
    for (DWORD align : {DWORD(ES_RIGHT), DWORD(ES_CENTER)}) {
        HWND edit = Control(WC_EDIT, ES_MULTILINE | align, {10, 10, 210, 110}, "a\r\nlonger line");
        TRect fr;
        SendMessage(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
        auto x = [&](int pos) {
            return int(int16_t(LOWORD(SendMessage(edit, EM_POSFROMCHAR, WPARAM(pos), 0))));
        };
        int shortEnd = x(1), longEnd = x(14);
        if (align == ES_RIGHT) {
            EXPECT_EQ(shortEnd, longEnd) << "right edges meet";
            EXPECT_GT(x(0), fr.Left + fr.Width() / 2);
        } else {
            EXPECT_NEAR(x(0) + shortEnd, x(3) + longEnd, 2) << "centres meet";
        }
        TPoint mid{x(3) + 1, int(HIWORD(SendMessage(edit, EM_POSFROMCHAR, 3, 0))) + 2};
        EXPECT_EQ(LOWORD(SendMessage(edit, EM_CHARFROMPOS, 0, MAKELPARAM(mid.X, mid.Y))), 3);
        DestroyWindow(edit);
    }
}
