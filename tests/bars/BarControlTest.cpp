// Bar windows drawn by the tests' painter family: the manager answers it, and each of its drawing operations
// fills its rectangle with its own colour and records the call.
#include "BarWindowFixture.h"
#include "BarsTestSupport.h"
#include "TestPainter.h"

#include "bars/xbBarSubItem.h"
#include "bars/xbBarSubMenu.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"

#include <set>

using namespace bars;
using namespace barstest;

namespace {

class TestPainterTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        TTestPainter::Calls().clear();
    }
};

TEST_F(TestPainterTest, TheManagerOfTheTestsAnswersTheTestFamilyWhateverItsStyle) {
    auto* manager = new TTestPainterManager(Form);
    EXPECT_EQ(manager->GetPainter(), TTestPainter::Instance());
    manager->SetStyle(bmsFlat);
    EXPECT_EQ(manager->GetPainter(), TTestPainter::Instance());
    // The metrics are the Enhanced family's.
    EXPECT_EQ(manager->GetGripSize(), EnhancedPainter()->GetGripSize());
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TTestPainter");
}

TEST_F(TestPainterTest, EachDrawingSlotFillsItsRectangleWithItsOwnColourAndRecordsTheCall) {
    std::set<int32_t> colours;
    for (int i = 0; i < tsSlotCount; ++i)
        colours.insert(TestPainterColor(TTestSlot(i)));
    EXPECT_EQ(colours.size(), size_t(tsSlotCount));

    win::HDC screen = win::GetDC(nullptr);
    win::HDC dc = win::CreateCompatibleDC(screen);
    win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, 40, 40);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(bitmap));
    const TTestPainter* p = TTestPainter::Instance();
    const TxbItemDrawStates states{idsEnabled, idsSelected, idsDown};
    struct Case {
        TTestSlot Slot;
        std::function<void(const win::TRect&)> Draw;
    };
    auto* item = reinterpret_cast<TxbBarItemControl*>(0x10);
    auto* window = reinterpret_cast<TxbBarControl*>(0x20);
    const Case cases[] = {
        {tsItemGlyph, [&](const win::TRect& r) { p->DrawItemGlyph(item, dc, r, states, ptToolbar); }},
        {tsMenuButton, [&](const win::TRect& r) { p->DrawMenuButton(item, dc, states, r); }},
        {tsItemCaption, [&](const win::TRect& r) { p->DrawItemCaption(item, dc, states, 1, r, "&Go", true, false, false); }},
        {tsDropDownButtonPart, [&](const win::TRect& r) { p->DrawDropDownButtonPart(item, dc, states, r); }},
        {tsToolbarSeparator, [&](const win::TRect& r) { p->DrawToolbarSeparator(window, dc, true, nullptr, r); }},
        {tsDockedFrame, [&](const win::TRect& r) { p->DrawDockedFrame(window, dc, r); }},
        {tsFloatingCaption, [&](const win::TRect& r) { p->DrawFloatingCaption(window, dc, nullptr, r); }},
        {tsMarkBackground, [&](const win::TRect& r) { p->DrawMark(window, dc, nullptr, r); }},
        {tsSizeGrip, [&](const win::TRect& r) { p->DrawSizeGrip(window, dc, nullptr, r); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Slot));
        TTestPainter::Calls().clear();
        win::TRect all{0, 0, 40, 40};
        win::FillRect(dc, &all, win::GetSysColorBrush(win::COLOR_WINDOW));
        const win::TRect r{5, 6, 15, 20};
        c.Draw(r);
        ASSERT_FALSE(TTestPainter::Calls().empty());
        const TTestPaintCall& call = TTestPainter::Calls().front();
        EXPECT_EQ(call.Slot, c.Slot);
        EXPECT_EQ(call.Rect, r);
        const auto colour = win::COLORREF(TestPainterColor(c.Slot));
        // The rectangle's corner pixels in the slot's colour, the pixels just outside untouched.
        EXPECT_EQ(win::GetPixel(dc, 5, 6), colour);
        EXPECT_EQ(win::GetPixel(dc, 14, 19), colour);
        EXPECT_NE(win::GetPixel(dc, 15, 19), colour);
        EXPECT_NE(win::GetPixel(dc, 14, 20), colour);
        if (c.Slot <= tsDropDownButtonPart) {
            EXPECT_EQ(call.States, states);
            EXPECT_EQ(call.Object, item);
        } else {
            EXPECT_EQ(call.Object, window);
        }
        // The end mark draws its background, then its chevrons.
        EXPECT_EQ(TTestPainter::CallsOf(tsMarkChevrons).size(), c.Slot == tsMarkBackground ? 1u : 0u);
    }
    // A lowered frame fills and shrinks its rectangle by the family's width.
    win::TRect lowered{0, 0, 10, 10};
    p->DrawLoweredFrame(item, dc, lowered);
    EXPECT_EQ(lowered, (win::TRect{1, 1, 9, 9}));
    win::SelectObject(dc, old);
    win::DeleteObject(win::ToGdiObj(bitmap));
    win::DeleteDC(dc);
    win::ReleaseDC(nullptr, screen);
}

} // namespace

// ---- The bar window base: keys, mouse, customizing, geometry and messages -----------------------------------

namespace barstest {
// A quick-customization sub item as the customizing windows make one (only its class name matters here).
class TxbBarQuickSubItem : public bars::TxbBarSubItem {
public:
    using bars::TxbBarSubItem::TxbBarSubItem;
};
} // namespace barstest

namespace {

// The mouse messages a child window of the tests received, with their points.
std::vector<std::string>& ChildMessages() {
    static std::vector<std::string> messages;
    return messages;
}

win::LRESULT CALLBACK_RecordingChild(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_LBUTTONDOWN || msg == win::WM_LBUTTONUP || msg == win::WM_LBUTTONDBLCLK)
        ChildMessages().push_back(std::string(msg == win::WM_LBUTTONDOWN ? "down " : msg == win::WM_LBUTTONUP ? "up " : "dbl ") +
                                  std::to_string(win::GET_X_LPARAM(lParam)) + "," + std::to_string(win::GET_Y_LPARAM(lParam)));
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

// An item kind whose control has a child window (as an edit item's), recording its activation. Its edit part
// is the right half of its rectangle, where the child window sits.
class TWindowItem : public TxbBarItem {
public:
    using TxbBarItem::TxbBarItem;
};
class TWindowItemControl : public TxbBarItemControl {
public:
    explicit TWindowItemControl(TxbBarItemLink* link) : TxbBarItemControl(link) { SetHasWindow(true); }
    ~TWindowItemControl() override {
        if (FChild)
            win::DestroyWindow(FChild);
    }
    void Activate(bool byKey) override { ++Activations; }
    int32_t GetWidth() override { return 60; }
    int32_t GetHeight() override { return 22; }
    win::HWND GetChildWindow() override {
        if (!FChild && GetWindow() && GetWindow()->HandleAllocated()) {
            static const bool registered = [] {
                win::WNDCLASSEX wc;
                wc.lpfnWndProc = CALLBACK_RecordingChild;
                wc.lpszClassName = "TestRecordingChild";
                return win::RegisterClassEx(wc) != 0;
            }();
            (void)registered;
            const win::TRect r = GetEditRect();
            FChild = win::CreateWindowEx(0, "TestRecordingChild", "", win::WS_CHILD, r.Left, r.Top, r.Right - r.Left,
                                         r.Bottom - r.Top, GetWindow()->GetHandle(), nullptr, nullptr, nullptr);
        }
        return FChild;
    }
    win::TRect GetEditRect() override {
        const win::TRect r = GetLink() ? GetLink()->ItemRect : win::TRect{};
        return {(r.Left + r.Right) / 2, r.Top, r.Right, r.Bottom};
    }
    bool IsEditing() override { return Editing; }
    int Activations = 0;
    bool Editing = false;

private:
    win::HWND FChild = nullptr;
};

class BarControlTest : public BarWindowFixture {
protected:
    void SetUp() override {
        BarWindowFixture::SetUp();
        RegisterItemClass<TWindowItem, TWindowItemControl>("TWindowItem", false);
    }
    void TearDown() override {
        UnregisterItemClass(typeid(TWindowItem));
        BarWindowFixture::TearDown();
    }
    // A bar of a button "A" and item, its window made again with the item's control.
    TxbBar* MakeBarWith(TxbBarItem* item) {
        TxbBar* bar = MakeBar({"A"});
        bar->GetItemLinks()->Add()->SetItem(item);
        bar->GetControl()->DestroyHandle();
        bar->GetControl()->HandleNeeded();
        Layout(bar);
        return bar;
    }
    // Holds a key down for the scope.
    struct HeldKey {
        HeldKey(headless::HeadlessScreen& screen, int vk) : Screen(screen), Vk(vk) {
            Screen.InjectKey(Vk, true);
            DrainMessages();
        }
        ~HeldKey() {
            Screen.InjectKey(Vk, false);
            DrainMessages();
        }
        headless::HeadlessScreen& Screen;
        int Vk;
    };
};

TEST_F(BarControlTest, CtrlTabMovesKeyboardModeToTheNextBarWithASelectableLink) {
    TxbBar* a = MakeBar({"A1", "A2"});
    TxbBar* empty = MakeBar({});
    TxbBar* c = MakeBar({"C1"});
    ASSERT_NE(empty->GetControl(), nullptr);
    a->GetControl()->EnterKeyboardMode(Control(a, 1));
    {
        HeldKey ctrl(FScreen, win::VK_CONTROL);
        Key(a->GetControl(), win::VK_TAB);
        EXPECT_EQ(GetActiveBarControl(), c->GetControl());
        EXPECT_EQ(c->GetControl()->GetSelectedControl(), Control(c, 0));
        EXPECT_FALSE(a->GetControl()->GetActive());
        EXPECT_EQ(a->GetControl()->GetSelectedControl(), nullptr);
        // Forward again wraps past the empty bar to the first.
        Key(c->GetControl(), win::VK_TAB);
        EXPECT_EQ(GetActiveBarControl(), a->GetControl());
        HeldKey shift(FScreen, win::VK_SHIFT);
        Key(a->GetControl(), win::VK_TAB);
        EXPECT_EQ(GetActiveBarControl(), c->GetControl());
    }
    EXPECT_EQ(Manager->GetKeyboardModeBar(), c->GetControl());
    Key(c->GetControl(), win::VK_ESCAPE);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(Manager->GetKeyboardModeBar(), nullptr);
}

TEST_F(BarControlTest, TabEntersAnEditItemAtOnce) {
    TxbBar* bar = MakeBarWith(new TWindowItem(Form));
    auto* edit = dynamic_cast<TWindowItemControl*>(Control(bar, 1));
    ASSERT_NE(edit, nullptr);
    bar->GetControl()->EnterKeyboardMode(Control(bar, 0));
    Key(bar->GetControl(), win::VK_RIGHT);
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), edit);
    EXPECT_EQ(edit->Activations, 0);
    Key(bar->GetControl(), win::VK_HOME);
    Key(bar->GetControl(), win::VK_TAB);
    EXPECT_EQ(edit->Activations, 1);
    bar->GetControl()->DeactivateAll();
}

TEST_F(BarControlTest, AWindowItemGetsPressesBesideItsEditPartInItsEditWindow) {
    TxbBar* bar = MakeBarWith(new TWindowItem(Form));
    auto* edit = dynamic_cast<TWindowItemControl*>(Control(bar, 1));
    ASSERT_NE(edit, nullptr);
    ChildMessages().clear();
    const win::TRect r = bar->GetControl()->GetItemRect(edit);
    const win::TRect e = edit->GetEditRect();
    // The caption part: the press, the release and a double click reach the edit window at its own points.
    const win::TPoint beside{r.Left + 3, r.Top + 4};
    const std::string mapped = std::to_string(beside.X - e.Left) + "," + std::to_string(beside.Y - e.Top);
    Click(ScreenPoint(edit, 3, 4));
    EXPECT_EQ(ChildMessages(), (std::vector<std::string>{"down " + mapped, "up " + mapped}));
    ChildMessages().clear();
    // The edit part itself belongs to the edit window: nothing is passed on, and the cursor is the I-beam.
    Mouse(win::MouseAction::Move, ScreenPoint(edit, -4, 4));
    EXPECT_EQ(win::GetCursor(), win::LoadCursor(nullptr, win::IDC_IBEAM));
    Mouse(win::MouseAction::LeftDown, ScreenPoint(edit, -4, 4));
    EXPECT_TRUE(ChildMessages().empty());
    Mouse(win::MouseAction::LeftUp, ScreenPoint(edit, -4, 4));
    // While it is edited, hovering another item selects nothing.
    ChildMessages().clear();
    bar->GetControl()->EnterKeyboardMode(edit);
    edit->Editing = true;
    SetEditingItemControl(edit);
    win::SendMessage(bar->GetControl()->GetHandle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON,
                     win::MAKELPARAM(beside.X, beside.Y));
    EXPECT_EQ(ChildMessages(), (std::vector<std::string>{"down " + mapped}));
    bar->GetControl()->DeactivateAll();
    Mouse(win::MouseAction::Move, ScreenPoint(Control(bar, 0)));
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), nullptr);
    SetEditingItemControl(nullptr);
    Mouse(win::MouseAction::Move, ScreenPoint(Control(bar, 0), 3, 3));
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), Control(bar, 0));
}

TEST_F(BarControlTest, AnOpenQuickCustomizingMenuClosesWhenTheSelectionLeavesItsEntry) {
    RegisterItemClass<barstest::TxbBarQuickSubItem, TxbBarSubItemControl>("TxbBarQuickSubItem", false);
    auto* quick = new barstest::TxbBarQuickSubItem(Form);
    quick->SetCaption("Q");
    quick->GetItemLinks()->Add()->SetItem(new TxbBarButton(Form));
    TxbBar* bar = MakeBarWith(quick);
    TCustomxbBarControl* window = bar->GetControl();
    TxbBarItemControl* opener = Control(bar, 1);
    window->EnterKeyboardMode(opener);
    bar->GetControl()->SetKeyboardOpened(true);
    opener->DropDown(true);
    TCustomxbBarControl* menu = opener->GetSubMenuWindow();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->IsQuickCustomizingMenu());
    EXPECT_FALSE(window->IsQuickCustomizingMenu());
    // The selection leaves the entry without closing it (as the quick-customization window lets it) and comes
    // back in time: the menu stays.
    window->SetSelectedItemControl(Control(bar, 0));
    FClock.Advance(399);
    DrainMessages();
    window->SetSelectedItemControl(opener);
    FClock.Advance(400);
    DrainMessages();
    EXPECT_EQ(opener->GetSubMenuWindow(), menu);
    // It leaves for good: the menu closes 400 ms later.
    window->SetSelectedItemControl(Control(bar, 0));
    FClock.Advance(399);
    DrainMessages();
    EXPECT_TRUE(IsBarControlAlive(menu));
    FClock.Advance(1);
    DrainMessages();
    EXPECT_FALSE(IsBarControlAlive(menu));
    EXPECT_EQ(opener->GetSubMenuWindow(), nullptr);
    window->DeactivateAll();
    UnregisterItemClass(typeid(barstest::TxbBarQuickSubItem));
}

TEST_F(BarControlTest, EscapeGivesTheFocusBackToTheControlThatHadIt) {
    auto* first = new vcl::TEdit(Form);
    first->SetParent(Form);
    first->SetBounds(10, 200, 80, 20);
    auto* second = new vcl::TEdit(Form);
    second->SetParent(Form);
    second->SetBounds(10, 230, 80, 20);
    TxbBar* bar = MakeBar({"A", "B"});
    first->SetFocus();
    DrainMessages();
    ASSERT_TRUE(first->Focused());
    bar->GetControl()->EnterKeyboardMode(nullptr);
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), Control(bar, 0));
    second->SetFocus();
    Key(bar->GetControl(), win::VK_ESCAPE);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_TRUE(first->Focused());
    // A bar window hands a focus it is given on to the form.
    win::SetFocus(bar->GetControl()->GetHandle());
    EXPECT_NE(win::GetFocus(), bar->GetControl()->GetHandle());
}

TEST_F(BarControlTest, ACustomizingPressStartsADragOnlyOutsideTheDragBox) {
    TxbBar* bar = MakeBar({"A", "B"});
    Manager->SetCustomizing(true);
    const win::TPoint at = ScreenPoint(Control(bar, 1), 5, 5);
    Mouse(win::MouseAction::Move, at);
    Mouse(win::MouseAction::LeftDown, at);
    EXPECT_TRUE(bar->GetControl()->GetDragPending());
    EXPECT_EQ(Manager->GetDragItemLink(), bar->GetItemLinks()->GetItem(1));
    EXPECT_EQ(Manager->GetSelectedItemControl(), Control(bar, 1));
    const int32_t half = win::GetSystemMetrics(win::SM_CXDRAG) / 2;
    Mouse(win::MouseAction::Move, {at.X + half, at.Y});
    EXPECT_TRUE(Manager->Drags.empty());
    Mouse(win::MouseAction::Move, {at.X + half + 1, at.Y});
    ASSERT_EQ(Manager->Drags.size(), 1u);
    EXPECT_EQ(Manager->Drags[0].first, bar->GetItemLinks()->GetItem(1)->GetItem());
    EXPECT_EQ(Manager->Drags[0].second, bar->GetItemLinks()->GetItem(1));
    EXPECT_FALSE(bar->GetControl()->GetDragPending());
    Mouse(win::MouseAction::LeftUp, {at.X + half + 1, at.Y});
    // A press released in place starts nothing and runs nothing.
    Mouse(win::MouseAction::LeftDown, at);
    Mouse(win::MouseAction::LeftUp, at);
    EXPECT_EQ(Manager->Drags.size(), 1u);
    EXPECT_TRUE(Log().empty());
    Manager->SetCustomizing(false);
}

TEST_F(BarControlTest, DropTargetsAndTheirSides) {
    TxbBar* bar = MakeBar({"A", "B"});
    TxbBarItemLink* second = bar->GetItemLinks()->GetItem(1);
    // B's group separator lies between A and B.
    second->ItemRect.Left += 6;
    second->ItemRect.Right += 6;
    const win::TRect r = second->ItemRect;
    const win::TRect a = bar->GetItemLinks()->GetItem(0)->ItemRect;
    Control(bar, 1)->SetSeparatorRect({r.Left - 6, r.Top, r.Left, r.Bottom});
    struct Case {
        win::TPoint At;
        int Control;
        bool InSeparator, Before;
    };
    const Case cases[] = {
        {{r.Left + 1, r.Top + 2}, 1, false, true},
        {{r.Right - 2, r.Top + 2}, 1, false, false},
        {{r.Left - 5, r.Top + 2}, 1, true, true},
        {{a.Left + 1, a.Top + 1}, 0, false, true},
        {{r.Right + 50, 1}, -1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.At.X);
        bool inSeparator = true, vertical = true, before = true;
        TxbBarItemControl* target = bar->GetControl()->GetDropTarget(c.At, inSeparator, vertical, before);
        EXPECT_EQ(target, c.Control < 0 ? nullptr : Control(bar, c.Control));
        if (!target)
            continue;
        EXPECT_EQ(inSeparator, c.InSeparator);
        EXPECT_FALSE(vertical);
        EXPECT_EQ(before, c.Before);
    }
}

TEST_F(BarControlTest, TheOwnerJointIsTheSharedEdgeLessAPixelAtEachEnd) {
    TxbBar* bar = MakeBar({"A"});
    TxbBarControl* w = bar->GetControl();
    const win::TRect bounds = w->GetBoundsRect();
    struct Case {
        win::TRect Owner;
        win::TRect Window, Screen;
    };
    const int32_t l = bounds.Left, t = bounds.Top, width = bounds.Right - bounds.Left,
                  height = bounds.Bottom - bounds.Top;
    const Case cases[] = {
        // An item above the window, narrower than it.
        {{l + 10, t - 20, l + 40, t}, {11, 0, 39, 1}, {l + 11, t - 1, l + 39, t}},
        // An item left of the window, taller than it.
        {{l - 30, t - 5, l, t + height + 5}, {0, 1, 1, height - 1}, {l - 1, t + 1, l, t + height - 1}},
        // Apart: none.
        {{l + width + 5, t, l + width + 30, t + 10}, {}, {}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Owner.Left);
        w->SetOwnerRect(c.Owner);
        EXPECT_EQ(w->GetOwnerJointRect(false), c.Window);
        EXPECT_EQ(w->GetOwnerJointRect(true), c.Screen);
    }
    w->SetOwnerControl(Form);
    EXPECT_EQ(w->GetOwnerControl(), nullptr);
    w->SetOwnerRect({l, t - 20, l + 40, t});
    EXPECT_EQ(w->GetOwnerControl(), Form);
}

TEST_F(BarControlTest, ChildColoursTheEditChangeAndTheRebuildMessage) {
    TxbBar* bar = MakeBar({"A"});
    win::HWND h = bar->GetControl()->GetHandle();
    win::HDC dc = win::GetDC(h);
    EXPECT_EQ(win::SendMessage(h, win::WM_CTLCOLOREDIT, win::WPARAM(dc), 0),
              win::LRESULT(win::GetSysColorBrush(win::COLOR_WINDOW)));
    EXPECT_EQ(win::GetTextColor(dc), win::GetSysColor(win::COLOR_WINDOWTEXT));
    EXPECT_EQ(win::GetBkColor(dc), win::GetSysColor(win::COLOR_WINDOW));
    win::ReleaseDC(h, dc);
}

TEST_F(BarControlTest, LeavingTheWindowDropsTheHoverSelection) {
    TxbBar* bar = MakeBar({"A", "B"});
    Mouse(win::MouseAction::Move, ScreenPoint(Control(bar, 1)));
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), Control(bar, 1));
    Mouse(win::MouseAction::Move, {600, 400});
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), nullptr);
}

TEST_F(BarControlTest, APopupMenuChainShowsItsSelectionsHintInTheApplication) {
    TxbBar* bar = MakeBar({"A", "B"});
    bar->GetItemLinks()->GetItem(0)->GetItem()->SetHint("Open|Opens a file");
    vcl::Application->SetHint("");
    bar->GetControl()->SelectItemControl(Control(bar, 0));
    EXPECT_EQ(vcl::Application->GetHint(), "");
    bar->GetControl()->SelectItemControl(nullptr);
    static_cast<TPressBarWindow*>(bar->GetControl())->PopupChain = true;
    bar->GetControl()->SelectItemControl(Control(bar, 0));
    EXPECT_EQ(bar->GetControl()->GetHint(), "Opens a file");
    EXPECT_EQ(vcl::Application->GetHint(), "Opens a file");
    bar->GetItemLinks()->GetItem(1)->GetItem()->SetHint("Save|Saves it");
    bar->GetControl()->SelectItemControl(Control(bar, 1));
    EXPECT_EQ(vcl::Application->GetHint(), "Saves it");
}

TEST_F(BarControlTest, MetricsAskThePainter) {
    TxbBar* bar = MakeBar({"A"});
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(Manager->GetFontHandle()));
    win::SIZE zero{};
    win::GetTextExtentPoint32(dc, "0", 1, &zero);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    EXPECT_EQ(bar->GetControl()->GetMenuRowHeight(), zero.cy + 6);
    EXPECT_EQ(bar->GetControl()->GetComboButtonWidth(), 2 * zero.cx - 1);
    // The background goes through the painter: docked here.
    TTestPainter::Calls().clear();
    win::HDC wdc = win::GetDC(bar->GetControl()->GetHandle());
    TCustomxbBarControl* window = bar->GetControl();
    window->DrawBackground(wdc, {0, 0, 5, 5}, true, 0, window->GetBackgroundBrush());
    win::ReleaseDC(bar->GetControl()->GetHandle(), wdc);
    EXPECT_EQ(TTestPainter::CallsOf(tsDockedBarBackground).size(), 1u);
}

} // namespace
