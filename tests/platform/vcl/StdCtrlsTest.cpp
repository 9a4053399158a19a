#include "platform/vcl/StdCtrls.h"

#include "VclControlsSupport.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/kernel/MulDiv.h"

#include <iterator>
#include <set>

using namespace vcl;
using vcltest::Place;
using vcltest::VclControlsTest;

TEST_F(VclControlsTest, EditReportsTypingAndKeepsItsSelectionAndTextAcrossRecreation) {
    TForm* form = MakeForm();
    auto* edit = Place<TEdit>(form, {10, 10, 150, 31});
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetFocus();
    Type("frame");
    EXPECT_EQ(edit->GetText(), "frame");
    EXPECT_EQ(changes, 5);
    edit->SetSelStart(1);
    edit->SetSelLength(3);
    EXPECT_EQ(edit->GetSelText(), "ram");
    edit->CutToClipboard();
    EXPECT_EQ(Clipboard()->GetAsText(), "ram");
    EXPECT_EQ(edit->GetText(), "fe");
    edit->SetSelStart(2);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->GetText(), "feram");
    edit->SetMaxLength(3);
    edit->SetReadOnly(true);
    edit->RecreateWnd();
    EXPECT_EQ(edit->GetText(), "feram");
    Type("x");
    EXPECT_EQ(edit->GetText(), "feram");
    EXPECT_EQ(win::SendMessage(edit->GetHandle(), win::EM_GETLIMITTEXT, 0, 0), 3);
    // Text set by code is reported too.
    changes = 0;
    edit->SetText("set");
    EXPECT_EQ(changes, 1);
}

// Typed characters are code points: those beyond ASCII reach the edit whole, past the key events.
TEST_F(VclControlsTest, EditsTakeCharactersBeyondAsciiWhole) {
    TForm* form = MakeForm();
    auto* edit = Place<TEdit>(form, {10, 10, 150, 31});
    auto* combo = Place<TComboBox>(form, {10, 40, 150, 61});
    std::string pressed;
    auto onPress = [&](TObject*, char& key) { pressed += key; };
    edit->OnKeyPress = onPress;
    combo->OnKeyPress = onPress;
    for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(combo)}) {
        c->SetFocus();
        Pump();
        for (uint32_t cp : {uint32_t('a'), uint32_t(0xE9), uint32_t(0x20AC)}) {
            win::QueueKeyInput(win::VK_OEM_1, true, cp);
            win::QueueKeyInput(win::VK_OEM_1, false, cp);
            Pump();
        }
    }
    EXPECT_EQ(edit->GetText(), "a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(combo->GetText(), "a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(pressed, "aa");
}

TEST_F(VclControlsTest, TabOrderSpaceEnterAndAltMnemonicsWorkAsInADialog) {
    TForm* form = MakeForm();
    auto* label = Place<TLabel>(form, {10, 10, 60, 25}, "&Delay:");
    auto* edit = Place<TEdit>(form, {70, 10, 150, 31});
    auto* check = Place<TCheckBox>(form, {10, 40, 150, 57}, "Loop &Forever");
    auto* ok = Place<TButton>(form, {10, 70, 85, 95}, "OK");
    label->SetFocusControl(edit);
    ok->SetDefault(true);
    int checkClicks = 0, okClicks = 0;
    check->OnClick = [&](TObject*) { ++checkClicks; };
    ok->OnClick = [&](TObject*) { ++okClicks; };
    edit->SetFocus();
    Pump();
    Key(win::VK_TAB);
    EXPECT_TRUE(check->Focused());
    Key(win::VK_SPACE);
    EXPECT_TRUE(check->GetChecked());
    EXPECT_EQ(checkClicks, 1);
    Chord(win::VK_SHIFT, win::VK_TAB);
    EXPECT_TRUE(edit->Focused());
    Key(win::VK_RETURN); // the default button answers Enter in an edit
    EXPECT_EQ(okClicks, 1);
    Chord(win::VK_MENU, 'F');
    EXPECT_FALSE(check->GetChecked());
    EXPECT_EQ(checkClicks, 2);
    Chord(win::VK_MENU, 'D');
    EXPECT_TRUE(edit->Focused());
}

TEST_F(VclControlsTest, RadioButtonsCheckOneAtATimeAndFollowTheArrows) {
    TForm* form = MakeForm();
    auto* group = Place<TGroupBox>(form, {10, 10, 200, 120}, "Animation Properties");
    auto* forever = Place<TRadioButton>(group, {10, 20, 150, 37}, "Loop &Forever");
    auto* play = Place<TRadioButton>(group, {10, 45, 150, 62}, "&Play");
    forever->SetChecked(true);
    EXPECT_TRUE(forever->GetTabStop());
    Click(play, 5, 8);
    EXPECT_TRUE(play->GetChecked());
    EXPECT_FALSE(forever->GetChecked());
    EXPECT_FALSE(forever->GetTabStop());
    Key(win::VK_UP);
    EXPECT_TRUE(forever->GetChecked());
    EXPECT_TRUE(forever->Focused());
    // Aligned controls in a group box start below its caption.
    auto* top = Place<TEdit>(group, {0, 0, 50, 21});
    top->SetAlign(alTop);
    EXPECT_GT(top->GetTop(), 5);
}

// Controls that answer the dialog code without the arrows hand them to the form, which walks the siblings in
// tab order; an edit keeps them for its caret.
TEST_F(VclControlsTest, ArrowsWalkTheDialogsButtonsAndLeaveEditsTheirCaret) {
    TForm* form = MakeForm();
    auto* r1 = Place<TRadioButton>(form, {10, 10, 150, 27}, "One");
    auto* r2 = Place<TRadioButton>(form, {10, 30, 150, 47}, "Two");
    auto* r3 = Place<TRadioButton>(form, {10, 50, 150, 67}, "Three");
    auto* edit = Place<TEdit>(form, {10, 80, 150, 101});
    auto* check = Place<TCheckBox>(form, {10, 110, 150, 127}, "Loop");
    auto* ok = Place<TButton>(form, {10, 140, 85, 165}, "OK");
    edit->SetText("frame");
    r1->SetChecked(true);
    struct Step {
        TWinControl* from;
        int key;
        TWinControl* focused;
        TRadioButton* checked;
    };
    const Step steps[] = {
        {r1, win::VK_DOWN, r2, r2},     {r2, win::VK_UP, r1, r1},     {r1, win::VK_RIGHT, r2, r2},
        {r3, win::VK_DOWN, r1, r1},     {check, win::VK_DOWN, ok, r1}, {check, win::VK_UP, edit, r1},
        {ok, win::VK_LEFT, check, r1},  {ok, win::VK_RIGHT, r1, r1},   {edit, win::VK_DOWN, edit, r1},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        s.from->SetFocus();
        Pump();
        Key(s.key);
        EXPECT_TRUE(s.focused->Focused());
        for (TRadioButton* r : {r1, r2, r3})
            EXPECT_EQ(r->GetChecked(), r == s.checked);
    }
    EXPECT_FALSE(check->GetChecked()); // walking past a check box leaves it as it was

    edit->SetFocus();
    edit->SetSelStart(2);
    edit->SetSelLength(0);
    Key(win::VK_RIGHT);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetSelStart(), 3);
    Key(win::VK_LEFT);
    Key(win::VK_LEFT);
    EXPECT_EQ(edit->GetSelStart(), 1);
}

// The next-control search walks nested containers depth first; the "same parent" option keeps it among the
// container's own children, the "tab stop" option to the controls Tab may reach.
TEST_F(VclControlsTest, TheNextControlSearchKeepsToTheParentOnlyWhenAsked) {
    TForm* form = MakeForm();
    auto* top = Place<TEdit>(form, {10, 10, 150, 31});
    auto* outer = Place<TPanel>(form, {10, 40, 300, 200});
    auto* a = Place<TEdit>(outer, {10, 10, 150, 31});
    auto* inner = Place<TPanel>(outer, {10, 40, 200, 100});
    auto* b = Place<TButton>(inner, {10, 10, 85, 35}, "B");
    auto* c = Place<TButton>(outer, {10, 110, 85, 135}, "C");
    auto* ok = Place<TButton>(form, {10, 210, 85, 235}, "OK");
    struct Case {
        TWinControl* within;
        TWinControl* from;
        bool forward, tabStop, sameParent;
        TWinControl* next;
    };
    const Case cases[] = {
        {form, a, true, true, false, b},        {form, c, true, true, false, ok},
        {form, ok, true, true, false, top},     {form, top, false, true, false, ok},
        {form, nullptr, true, true, false, top}, {form, nullptr, false, true, false, ok},
        {form, a, true, false, false, inner},   {outer, c, true, true, true, a},
        {outer, a, true, true, true, c},        {outer, a, true, false, true, inner},
        {outer, a, false, true, true, c},       {form, top, true, true, true, ok},
        {form, b, true, true, true, ok},        {form, b, false, true, true, top},
        {inner, b, true, true, true, b},        {form, top, true, false, true, outer},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& k = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i);
        EXPECT_EQ(k.within->FindNextControl(k.from, k.forward, k.tabStop, k.sameParent), k.next);
    }
    // What a hidden or disabled container holds is passed by, as is a disabled control.
    inner->SetVisible(false);
    EXPECT_EQ(form->FindNextControl(a, true, true, false), c);
    inner->SetVisible(true);
    outer->SetEnabled(false);
    EXPECT_EQ(form->FindNextControl(top, true, true, false), ok);
    outer->SetEnabled(true);
    b->SetEnabled(false);
    EXPECT_EQ(inner->FindNextControl(nullptr, true, true, true), nullptr);
}

// Tab walks every container of the form; the arrows stay among the focused control's own siblings.
TEST_F(VclControlsTest, TabCrossesContainersAndTheArrowsStayInTheirGroup) {
    TForm* form = MakeForm();
    auto* name = Place<TEdit>(form, {10, 10, 150, 31});
    auto* group = Place<TGroupBox>(form, {10, 40, 300, 220}, "Options");
    auto* loop = Place<TCheckBox>(group, {10, 20, 150, 37}, "Loop");
    auto* dither = Place<TCheckBox>(group, {10, 45, 150, 62}, "Dither");
    auto* buttons = Place<TPanel>(group, {10, 70, 280, 110});
    auto* add = Place<TButton>(buttons, {5, 5, 80, 30}, "Add");
    auto* remove = Place<TButton>(buttons, {90, 5, 165, 30}, "Remove");
    auto* ok = Place<TButton>(form, {10, 230, 85, 255}, "OK");
    struct Step {
        TWinControl* from;
        int key;
        bool shift;
        TWinControl* focused;
    };
    const Step steps[] = {
        {dither, win::VK_TAB, false, add},  {remove, win::VK_TAB, false, ok},   {ok, win::VK_TAB, true, remove},
        {loop, win::VK_TAB, true, name},    {dither, win::VK_DOWN, false, loop}, {loop, win::VK_UP, false, dither},
        {remove, win::VK_RIGHT, false, add}, {add, win::VK_LEFT, false, remove}, {ok, win::VK_DOWN, false, name},
        {name, win::VK_TAB, false, loop},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        s.from->SetFocus();
        Pump();
        if (s.shift)
            Chord(win::VK_SHIFT, s.key);
        else
            Key(s.key);
        EXPECT_TRUE(s.focused->Focused());
    }
    EXPECT_FALSE(loop->GetChecked());
    EXPECT_FALSE(dither->GetChecked());
}

// A list box that tracks its widest item through its item messages, as a subclass would.
class TWatchingListBox : public TListBox {
public:
    explicit TWatchingListBox(TComponent* owner) : TListBox(owner) {}
    int Added = 0;
    void Dispatch(TMessage& m) override {
        TListBox::Dispatch(m);
        if (m.Msg == win::LB_ADDSTRING)
            ++Added;
    }
};

TEST_F(VclControlsTest, ListBoxItemsGoThroughTheControlAndSurviveRecreation) {
    TForm* form = MakeForm();
    auto* list = Place<TWatchingListBox>(form, {10, 10, 150, 150});
    TObject tag;
    list->GetItems()->Add("first");
    list->GetItems()->AddObject("second", &tag);
    list->GetItems()->Add("third");
    EXPECT_EQ(list->Added, 3);
    EXPECT_EQ(list->GetItems()->GetObject(1), &tag);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->SetItemIndex(1);
    EXPECT_EQ(clicks, 0); // set by code
    TRect r = list->ItemRect(2);
    Click(list, 5, r.Top + 2);
    EXPECT_EQ(list->GetItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->ItemAtPos({5, r.Top + 2}, true), 2);
    EXPECT_EQ(list->ItemAtPos({5, 140}, true), -1);
    list->SetMultiSelect(true); // a new window
    EXPECT_EQ(list->GetItems()->GetCount(), 3);
    EXPECT_EQ(list->GetItems()->Get(1), "second");
    EXPECT_EQ(list->GetItems()->GetObject(1), &tag);
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    EXPECT_EQ(list->GetSelCount(), 2);
    EXPECT_THROW(list->GetItems()->Get(7), EStringListError);
}

// A tab in an item leads to the next stop TabWidth dialog units on (a quarter of the font's average
// character width each): "\tX" shows its X that far right of a plain "X".
TEST_F(VclControlsTest, ListBoxTabWidthSetsTheTabStops) {
    TForm* form = MakeForm();
    auto* list = Place<TListBox>(form, {10, 10, 200, 100});
    list->SetBorderStyle(bsNone);
    list->GetItems()->Add("X");
    list->GetItems()->Add("\tX");
    // The leftmost pixel of an item that is not the list's background.
    auto ink = [&](int32_t index) {
        const TRect r = list->ItemRect(index);
        int left = -1;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = 0; x < 190 && (left < 0 || x < left); ++x) {
                const TPoint p = list->ClientToScreen({x, y});
                if (FScreen.ScreenPixel(p.X, p.Y) != win::GetSysColor(win::COLOR_WINDOW))
                    left = x;
            }
        return left;
    };
    for (int32_t width : {16, 40}) {
        list->SetTabWidth(width);
        EXPECT_EQ(list->GetTabWidth(), width);
        EXPECT_EQ(list->GetItems()->GetCount(), 2);
        list->Repaint();
        // The stops are counted in the font the window draws with.
        win::HDC dc = win::GetDC(list->GetHandle());
        win::SelectObject(dc, win::HGDIOBJ(win::SendMessage(list->GetHandle(), win::WM_GETFONT, 0, 0)));
        win::TEXTMETRIC tm{};
        win::GetTextMetrics(dc, &tm);
        win::ReleaseDC(list->GetHandle(), dc);
        ASSERT_GE(ink(0), 0);
        EXPECT_EQ(ink(1) - ink(0), win::MulDiv(width, tm.tmAveCharWidth, 4)) << width;
    }
}

TEST_F(VclControlsTest, OwnerDrawnListBoxDrawsThroughOnDrawItemWithItsState) {
    TForm* form = MakeForm();
    auto* list = Place<TListBox>(form, {10, 10, 150, 150});
    list->SetStyle(lbOwnerDrawVariable);
    list->OnMeasureItem = [](TWinControl*, int32_t index, int32_t& height) { height = 10 + index * 5; };
    std::vector<std::pair<int, bool>> drawn;
    list->OnDrawItem = [&](TWinControl* c, int32_t index, const TRect& rect, TOwnerDrawState state) {
        drawn.push_back({index, state.Contains(odSelected)});
        static_cast<TListBox*>(c)->GetCanvas()->FillRect(rect);
    };
    list->GetItems()->Add("a");
    list->GetItems()->Add("b");
    EXPECT_EQ(list->ItemRect(1).Height(), 15);
    list->SetItemIndex(1);
    list->Repaint();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(1, true)), drawn.end());
}

TEST_F(VclControlsTest, ComboBoxSelectionByKeysFiresChangeAndTheDropDownClosesOnAClickOutside) {
    TForm* form = MakeForm();
    auto* combo = Place<TComboBox>(form, {10, 10, 150, 31});
    combo->SetStyle(csDropDownList);
    for (const char* s : {"None", "Don't Remove", "Background", "Previous"})
        combo->GetItems()->Add(s);
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->SetItemIndex(0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(combo->GetText(), "None");
    combo->SetFocus();
    Key(win::VK_DOWN);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(changes, 1);
    combo->SetDroppedDown(true);
    EXPECT_TRUE(combo->GetDroppedDown());
    FScreen.InjectClick(form->ClientToScreen({300, 250}));
    Pump();
    EXPECT_FALSE(combo->GetDroppedDown());
    EXPECT_EQ(combo->GetItemIndex(), 1);
    combo->SetDroppedWidth(300);
    combo->RecreateWnd();
    EXPECT_EQ(combo->GetItems()->GetCount(), 4);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(combo->GetDroppedWidth(), 300);
}

TEST_F(VclControlsTest, MemoLinesAndTextAreOneAndTheSame) {
    TForm* form = MakeForm();
    auto* memo = Place<TMemo>(form, {10, 10, 200, 100});
    memo->SetScrollBars(ssBoth);
    memo->SetReadOnly(true);
    memo->GetLines()->Add("<img src=\"a.gif\">");
    memo->GetLines()->Add("second");
    EXPECT_EQ(memo->GetText(), "<img src=\"a.gif\">\r\nsecond");
    memo->SetText("x\r\ny\r\nz");
    EXPECT_EQ(memo->GetLines()->GetCount(), 3);
    EXPECT_EQ(memo->GetLines()->Get(2), "z");
    EXPECT_TRUE(win::GetWindowLong(memo->GetHandle(), win::GWL_STYLE) & win::WS_VSCROLL);
    memo->SelectAll();
    memo->CopyToClipboard();
    EXPECT_EQ(Clipboard()->GetAsText(), "x\r\ny\r\nz");
}

// A word-wrapped memo shows a long line on several rows; its text and Lines keep the line as written.
// A horizontal scroll bar or WordWrap off keeps each line on one row.
TEST_F(VclControlsTest, MemoWrapsLongLinesOnlyWithWordWrapAndNoHorizontalScrollBar) {
    TForm* form = MakeForm();
    auto* memo = Place<TMemo>(form, {10, 10, 130, 150});
    memo->SetScrollBars(ssVertical);
    const std::string tag = "<img src=\"anim.gif\" height=\"60\" width=\"120\" alt=\"Logo\" border=\"0\">";
    memo->SetText(tag);
    auto rows = [&] { return int(win::SendMessage(memo->GetHandle(), win::EM_GETLINECOUNT, 0, 0)); };
    EXPECT_GT(rows(), 2);
    EXPECT_EQ(memo->GetLines()->GetCount(), 1);
    EXPECT_EQ(memo->GetText(), tag);
    memo->SetScrollBars(ssBoth);
    EXPECT_EQ(rows(), 1);
    memo->SetScrollBars(ssVertical);
    memo->SetWordWrap(false);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(memo->GetText(), tag);
}

TEST_F(VclControlsTest, LabelSizesToItsTextAndDrawsItWithoutTheAmpersand) {
    TForm* form = MakeForm();
    auto* label = Place<TLabel>(form, {10, 10, 20, 20}, "Transparent &Color:");
    EXPECT_GT(label->GetWidth(), 60);
    EXPECT_GT(label->GetHeight(), 8);
    label->SetShowAccelChar(false);
    int widthWithAmpersand = label->GetWidth();
    EXPECT_GT(widthWithAmpersand, 0);
    label->SetAutoSize(false);
    label->SetWidth(5);
    label->SetCaption("longer text");
    EXPECT_EQ(label->GetWidth(), 5);
}

TEST_F(VclControlsTest, TabLeavesADropDownComboFromItsEditField) {
    TForm* form = MakeForm();
    auto* combo = Place<TComboBox>(form, {10, 10, 150, 31});
    auto* after = Place<TEdit>(form, {10, 40, 150, 61});
    combo->GetItems()->Add("alpha");
    combo->SetFocus();
    Pump();
    EXPECT_EQ(win::GetParent(win::GetFocus()), combo->GetHandle());
    Type("al");
    EXPECT_EQ(combo->GetText(), "al");
    Key(win::VK_TAB);
    EXPECT_TRUE(after->Focused());
}

// The edit field of a drop-down combo hands every key to the combo box's key events first: a handler
// sees navigation keys and characters, may change a character or eat a key, and Tab, Enter and Escape
// reach it once.
TEST_F(VclControlsTest, DropDownComboKeyEventsSeeEveryKeyOfItsEditField) {
    TForm* form = MakeForm();
    auto* combo = Place<TComboBox>(form, {10, 10, 150, 31});
    for (const char* s : {"None", "Background"})
        combo->GetItems()->Add(s);
    std::vector<uint16_t> downs, ups;
    std::string pressed;
    combo->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        downs.push_back(key);
        if (key == win::VK_DELETE)
            key = 0; // eaten: the text keeps its characters
    };
    combo->OnKeyUp = [&](TObject*, uint16_t& key, TShiftState) { ups.push_back(key); };
    combo->OnKeyPress = [&](TObject*, char& key) {
        pressed += key;
        if (key == 'x')
            key = 0;
        else if (key >= 'a' && key <= 'z')
            key = char(key - 'a' + 'A');
    };
    combo->SetFocus();
    Pump();
    Type("bxg");
    EXPECT_EQ(combo->GetText(), "BG");
    EXPECT_EQ(pressed, "bxg");
    Key(win::VK_HOME);
    Key(win::VK_DELETE);
    EXPECT_EQ(combo->GetText(), "BG");
    Key(win::VK_DOWN);
    EXPECT_EQ(combo->GetItemIndex(), 0);
    downs.clear();
    Key(win::VK_ESCAPE);
    Key(win::VK_END);
    EXPECT_EQ(downs, (std::vector<uint16_t>{win::VK_ESCAPE, win::VK_END}));
    EXPECT_EQ(std::count(ups.begin(), ups.end(), uint16_t(win::VK_DELETE)), 1);
}

// A drop-down combo is entered and left once, whether the focus comes by code, by Tab or by a click into
// its edit field, and the form's active control follows it.
TEST_F(VclControlsTest, DropDownComboIsEnteredAndLeftOnceThroughItsEditField) {
    TForm* form = MakeForm();
    auto* before = Place<TEdit>(form, {10, 10, 150, 31});
    auto* combo = Place<TComboBox>(form, {10, 40, 150, 61});
    auto* after = Place<TEdit>(form, {10, 70, 150, 91});
    std::string log;
    combo->OnEnter = [&](TObject*) { log += "enter "; };
    combo->OnExit = [&](TObject*) { log += "exit "; };
    before->SetFocus();
    Pump();
    Key(win::VK_TAB);
    EXPECT_EQ(log, "enter ");
    EXPECT_EQ(form->GetActiveControl(), combo);
    Key(win::VK_TAB);
    EXPECT_TRUE(after->Focused());
    EXPECT_EQ(log, "enter exit ");
    Click(combo, 10, 5);
    EXPECT_EQ(win::GetParent(win::GetFocus()), combo->GetHandle());
    EXPECT_EQ(form->GetActiveControl(), combo);
    combo->SetFocus();
    Pump();
    before->SetFocus();
    Pump();
    EXPECT_EQ(log, "enter exit enter exit ");
}

TEST_F(VclControlsTest, WindowSystemControlsPaintThemselves) {
    TForm* form = MakeForm();
    auto* button = Place<TButton>(form, {10, 10, 110, 40}, "WWW");
    auto* edit = Place<TEdit>(form, {10, 60, 210, 85});
    edit->SetText("WWWWWW");
    Pump();
    win::UpdateWindow(form->GetHandle());
    Pump();
    // A bare background fill would leave every pixel one colour; the class's own painting draws edges and
    // text.
    for (TWinControl* c : {static_cast<TWinControl*>(button), static_cast<TWinControl*>(edit)}) {
        std::set<win::COLORREF> colours;
        for (int y = 0; y < c->GetHeight(); ++y)
            for (int x = 0; x < c->GetWidth(); ++x)
                colours.insert(FScreen.WindowPixel(c->GetHandle(), x, y));
        EXPECT_GT(colours.size(), 1u) << c->ClassName();
    }
}

TEST_F(VclControlsTest, ParentHandsColourRequestsBackToTheControl) {
    TForm* form = MakeForm();
    auto* edit = Place<TEdit>(form, {10, 10, 210, 40});
    edit->SetColor(clYellow);
    Pump();
    win::UpdateWindow(form->GetHandle());
    Pump();
    EXPECT_EQ(FScreen.WindowPixel(edit->GetHandle(), edit->GetWidth() - 8, edit->GetHeight() / 2),
              win::COLORREF(ColorToRGB(clYellow)));
}
