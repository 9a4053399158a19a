// The toolbar window and its frame: non-client sizes, hit tests, the close button, sizing and snapping back
// of a floating bar, the end mark's hint and timer, double-click docking, the rotated font, the position
// kept in the bar, and a toolbar layout drawn with the tests' painter family.
#include "ToolbarTestSupport.h"

#include "platform/vcl/FormResources.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/UserTypes.h"

namespace barstest {
void RegisterTestForms();
}

using namespace bars;
using namespace barstest;

class TToolbarTestForm : public vcl::TForm {
public:
    explicit TToolbarTestForm(vcl::TComponent* owner) : vcl::TForm(owner) {
        InitInheritedComponent(typeid(TToolbarTestForm));
    }
    TxbBarManager* xbBarManager1 = nullptr;
};

namespace {

// A manager of the tests' painter family that records the hints asked for.
class THintManager : public TTestPainterManager {
public:
    using TTestPainterManager::TTestPainterManager;
    void UpdateHint(bool show, const std::string& text) override {
        Hints.push_back(show ? "show " + text : "hide");
    }
    std::vector<std::string> Hints;
};

win::TRect WindowRect(vcl::TWinControl* control) {
    win::TRect r{};
    win::GetWindowRect(control->GetHandle(), &r);
    return r;
}

win::TPoint ClientToScreen(vcl::TWinControl* control, win::TPoint p) {
    win::ClientToScreen(control->GetHandle(), &p);
    return p;
}

class ToolbarWindowTest : public ToolbarFixture {
protected:
    void SetUp() override {
        ToolbarFixture::SetUp();
        delete Manager;
        Hints = new THintManager(Form);
        Manager = Hints;
        FScreen.SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 768}, true}});
        Form->Show();
    }
    // A shown bar of three buttons in style, its window's handle made.
    TxbBarControl* ShowBar(TxbBarDockingStyle style, int32_t left = 200, int32_t top = 200) {
        Bar = MakeBar(Buttons(3), style);
        Bar->SetFloatLeft(left);
        Bar->SetFloatTop(top);
        Bar->SetFloatClientWidth(100);
        Bar->SetVisible(true);
        TxbBarControl* window = Bar->GetControl();
        EXPECT_NE(window, nullptr);
        window->HandleNeeded();
        DrainMessages();
        return window;
    }
    win::LRESULT HitTest(TxbBarControl* window, win::TPoint screen) {
        return win::SendMessage(window->GetHandle(), win::WM_NCHITTEST, 0, win::MAKELPARAM(screen.X, screen.Y));
    }

    THintManager* Hints = nullptr;
    TxbBar* Bar = nullptr;
};

TEST_F(ToolbarWindowTest, TheFrameTakesTheBarsNonClientSizePerFamily) {
    for (TxbBarManagerStyle style : {bmsStandard, bmsEnhanced, bmsFlat, bmsXP}) {
        for (TxbBarDockingStyle docking : {dsTop, dsLeft, dsNone}) {
            SCOPED_TRACE(testing::Message() << "style " << style << " docking " << docking);
            Manager->SetStyle(style);
            TxbBarControl* window = ShowBar(docking);
            ASSERT_TRUE(window->HandleAllocated());
            const win::TRect r = WindowRect(window);
            EXPECT_EQ((r.Right - r.Left) - window->GetClientWidth(), Bar->GetNonClientWidth(docking));
            EXPECT_EQ((r.Bottom - r.Top) - window->GetClientHeight(), Bar->GetNonClientHeight(docking));
            Bar->SetVisible(false);
        }
    }
}

TEST_F(ToolbarWindowTest, HitTestsOfDockedAndFloatingBars) {
    TxbBarControl* docked = ShowBar(dsTop);
    const win::TRect d = WindowRect(docked);
    // The grip is move area; a button keeps its client answer.
    EXPECT_EQ(HitTest(docked, {d.Left + 3, d.Top + 5}), win::HTCLIENT);
    EXPECT_EQ(docked->GetHitTestCode(), ToolbarHitMove);
    const win::TRect first = docked->GetItemScreenRect(Bar->GetItemLinks()->GetItem(0)->GetControl());
    EXPECT_EQ(HitTest(docked, {first.Left + 2, first.Top + 2}), win::HTCLIENT);
    EXPECT_NE(docked->GetHitTestCode(), ToolbarHitMove);
    Bar->SetVisible(false);

    TxbBarControl* floating = ShowBar(dsNone);
    const win::TRect f = WindowRect(floating);
    // Corners become edges.
    EXPECT_EQ(HitTest(floating, {f.Left, f.Top}), win::HTTOP);
    EXPECT_EQ(HitTest(floating, {f.Left, f.Top + 8}), win::HTLEFT);
    EXPECT_EQ(HitTest(floating, {f.Right - 1, f.Bottom - 1}), win::HTBOTTOM);
    EXPECT_EQ(HitTest(floating, {f.Right - 1, f.Bottom - 8}), win::HTRIGHT);
    // The close button of the Standard family answers as the system's; a bar that cannot close is all move
    // area in its caption.
    const win::TRect close = floating->GetCloseButtonRect();
    const win::TPoint onClose = ClientToScreen(floating, {(close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2});
    EXPECT_EQ(HitTest(floating, onClose), win::HTCLOSE);
    Bar->SetAllowClose(false);
    EXPECT_EQ(HitTest(floating, onClose), win::HTCLIENT);
    EXPECT_EQ(floating->GetHitTestCode(), ToolbarHitMove);
}

TEST_F(ToolbarWindowTest, TheCloseButtonHidesTheBarOnlyWhenReleasedOverIt) {
    std::vector<TxbBar*> closed;
    Manager->OnBarClose = [&](vcl::TObject*, TxbBar* bar) { closed.push_back(bar); };
    for (bool over : {false, true}) {
        SCOPED_TRACE(over);
        TxbBarControl* window = ShowBar(dsNone);
        const win::TRect close = window->GetCloseButtonRect();
        const win::TPoint on = ClientToScreen(window, {(close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2});
        const win::TPoint release = over ? on : win::TPoint{on.X - 60, on.Y + 40};
        FScreen.ScriptMouse(win::MouseAction::Move, release);
        FScreen.ScriptMouse(win::MouseAction::LeftUp, release);
        win::SendMessage(window->GetHandle(), win::WM_NCLBUTTONDOWN, win::HTCLOSE, win::MAKELPARAM(on.X, on.Y));
        EXPECT_EQ(Bar->GetVisible(), !over);
        EXPECT_EQ(closed.size(), over ? 1u : 0u);
        if (!over) {
            EXPECT_EQ(window->GetCloseButtonState(), 0);
            Bar->SetVisible(false);
        }
    }
}

TEST_F(ToolbarWindowTest, AQuitTakenByTheCloseLoopIsPostedAgainWithItsCode) {
    TxbBarControl* window = ShowBar(dsNone);
    FScreen.Script([] { win::PostQuitMessage(7); });
    win::SendMessage(window->GetHandle(), win::WM_NCLBUTTONDOWN, win::HTCLOSE, 0);
    EXPECT_TRUE(Bar->GetVisible());
    win::MSG msg{};
    ASSERT_TRUE(win::PeekMessage(&msg, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(ToolbarWindowTest, SizingAFloatingBarKeepsItsCaptionReachable) {
    TxbBarControl* window = ShowBar(dsNone);
    const int32_t ncWidth = Bar->GetNonClientWidth(dsNone), ncHeight = Bar->GetNonClientHeight(dsNone);
    struct Case {
        win::WPARAM Edge;
        win::TRect Asked;
        win::TRect Expected;
    };
    const win::TRect current = WindowRect(window);
    const std::vector<Case> cases = {
        // The right edge dragged to two buttons: the rest wraps to a second row.
        {2, {100, 100, 100 + 46 + ncWidth, 100 + 10}, {100, 100, 100 + 46 + ncWidth, 100 + 22 + 22 + ncHeight}},
        // The top edge dragged up: the narrowest bar within the height, its top kept at -15 or below.
        {3, {100, -400, 300, 100}, {100, 100 - 66 - ncHeight, 100 + 23 + ncWidth, 100}},
        {3, {100, -400, 300, 20}, {100, -15, 100 + 23 + ncWidth, -15 + 66 + ncHeight}},
        // A corner keeps the window as it is.
        {8, {0, 0, 500, 500}, current},
        // A negative width gives the narrowest bar.
        {1, {300, 100, 250, 140}, {250 - 23 - ncWidth, 100, 250, 100 + 66 + ncHeight}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Edge);
        win::TRect r = c.Asked;
        win::SendMessage(window->GetHandle(), win::WM_SIZING, c.Edge, reinterpret_cast<win::LPARAM>(&r));
        EXPECT_EQ(r, c.Expected);
    }
    win::MINMAXINFO info{};
    win::SendMessage(window->GetHandle(), win::WM_GETMINMAXINFO, 0, reinterpret_cast<win::LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize, (win::TPoint{10, 10}));
    EXPECT_EQ(info.ptMaxTrackSize, (win::TPoint{30000, 30000}));
}

TEST_F(ToolbarWindowTest, AFloatingBarOffTheScreenComesBackBesideTheWorkArea) {
    TxbBarControl* window = ShowBar(dsNone);
    win::SetCursorPos(500, 400);
    struct Case {
        win::TPoint Asked;
        win::TPoint Expected;
    };
    // 200 x 50 in the work area (0, 0, 1024, 768): each axis comes back on its own, so a bar off a corner
    // returns to that corner.
    const std::vector<Case> cases = {
        {{-2000, -2000}, {0, 0}},    {{3000, 3000}, {824, 718}}, {{-2000, 300}, {0, 300}},
        {{300, 900}, {300, 718}},    {{2000, -100}, {824, 0}},   {{100, 100}, {100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Asked.X << "," << c.Asked.Y);
        win::SetWindowPos(window->GetHandle(), nullptr, c.Asked.X, c.Asked.Y, 200, 50,
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE);
        const win::TRect r = WindowRect(window);
        EXPECT_EQ((win::TPoint{r.Left, r.Top}), c.Expected);
    }
}

TEST_F(ToolbarWindowTest, TheHotEndMarkAsksForItsHintAndCoolsAtTheFirstTickOffIt) {
    Manager->SetStyle(bmsEnhanced);
    TxbBarControl* window = ShowBar(dsNone);
    ASSERT_TRUE(window->HasMark());
    const win::TRect mark = window->GetMarkRect();
    const win::TPoint on{(mark.Left + mark.Right) / 2, (mark.Top + mark.Bottom) / 2};
    win::SetCursorPos(ClientToScreen(window, on).X, ClientToScreen(window, on).Y);
    win::SendMessage(window->GetHandle(), win::WM_MOUSEMOVE, 0, win::MAKELPARAM(on.X, on.Y));
    EXPECT_EQ(window->GetMarkState(), 1);
    EXPECT_EQ(Hints->Hints, (std::vector<std::string>{"show More Buttons"}));
    // Still on the mark after a tick: hot.
    FClock.Advance(50);
    DrainMessages();
    EXPECT_EQ(window->GetMarkState(), 1);
    win::SetCursorPos(900, 700);
    FClock.Advance(49);
    DrainMessages();
    EXPECT_EQ(window->GetMarkState(), 1);
    FClock.Advance(1);
    DrainMessages();
    EXPECT_EQ(window->GetMarkState(), 0);
    EXPECT_EQ(Hints->Hints.back(), "hide");
}

TEST_F(ToolbarWindowTest, DoubleClicksOnGripAndCaptionFloatAndDock) {
    TxbBarControl* docked = ShowBar(dsTop);
    // A refusing CanDock changes nothing.
    bool allow = false;
    Manager->OnDocking = [&](vcl::TObject*, TxbBarDockingStyle, TxbDockControl*, bool& can) { can = allow; };
    const win::TRect d = WindowRect(docked);
    auto doubleClickMoveArea = [&](TxbBarControl* window, win::TPoint screen) {
        HitTest(window, screen);
        ASSERT_EQ(window->GetHitTestCode(), ToolbarHitMove);
        const win::TPoint client = window->ScreenToClient(screen);
        win::SendMessage(window->GetHandle(), win::WM_LBUTTONDBLCLK, 0, win::MAKELPARAM(client.X, client.Y));
    };
    doubleClickMoveArea(docked, {d.Left + 3, d.Top + 5});
    EXPECT_EQ(Bar->GetDockingStyle(), dsTop);
    EXPECT_EQ(Bar->GetControl(), docked);
    allow = true;
    doubleClickMoveArea(docked, {d.Left + 3, d.Top + 5});
    EXPECT_EQ(Bar->GetDockingStyle(), dsNone);
    ASSERT_NE(Bar->GetControl(), nullptr);
    EXPECT_TRUE(Bar->GetVisible());

    // A bar that never docked docks at the top on a new last row of its own.
    TxbBar* first = Bar;
    TxbBarControl* other = ShowBar(dsTop);
    ASSERT_NE(other, nullptr);
    TxbBarControl* floating = ShowBar(dsNone);
    const win::TRect caption = floating->GetCaptionRect();
    const win::TRect f = WindowRect(floating);
    doubleClickMoveArea(floating, {f.Left + caption.Left + 20, f.Top + caption.Top + 3});
    EXPECT_EQ(Bar->GetDockingStyle(), dsTop);
    EXPECT_TRUE(Bar->GetOneOnRow());
    TxbBarControl* now = Bar->GetControl();
    ASSERT_NE(now, nullptr);
    TxbDockControl* top = Manager->GetBars()->GetDockControl(dsTop);
    EXPECT_EQ(now->GetDockRowIndex(), top->GetRowCount() - 1);
    EXPECT_EQ(top->GetRow(now->GetDockRowIndex())->GetColCount(), 1);
    // The bar floated before stays floating.
    EXPECT_EQ(first->GetDockingStyle(), dsNone);
}

TEST_F(ToolbarWindowTest, ARotatedVerticalBarTurnsItsCanvasFont) {
    for (bool rotate : {true, false}) {
        SCOPED_TRACE(rotate);
        Bar = MakeBar(Buttons(2), dsLeft);
        Bar->SetRotateWhenVertical(rotate);
        Bar->SetVisible(true);
        TxbBarControl* window = Bar->GetControl();
        ASSERT_NE(window, nullptr);
        window->HandleNeeded();
        win::LOGFONT lf{};
        ASSERT_GT(win::GetObject(win::ToGdiObj(window->GetCanvas()->GetFont()->GetHandle()), sizeof lf, &lf), 0);
        EXPECT_EQ(lf.lfEscapement, rotate ? -900 : 0);
        EXPECT_EQ(lf.lfOrientation, rotate ? -900 : 0);
        Bar->SetVisible(false);
    }
}

TEST_F(ToolbarWindowTest, TheWindowKeepsItsPlaceInTheBar) {
    TxbBarControl* floating = ShowBar(dsNone, 200, 200);
    win::SetWindowPos(floating->GetHandle(), nullptr, 150, 120, 0, 0,
                      win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    EXPECT_EQ(Bar->GetFloatLeft(), 150);
    EXPECT_EQ(Bar->GetFloatTop(), 120);
    EXPECT_EQ(Bar->GetFloatClientWidth(), floating->GetClientWidth());
    EXPECT_EQ(Bar->GetFloatClientHeight(), floating->GetClientHeight());
    Bar->SetVisible(false);

    TxbBarControl* docked = ShowBar(dsLeft);
    EXPECT_EQ(Bar->GetDockedDockingStyle(), dsLeft);
    EXPECT_EQ(Bar->GetDockedDockControl(), nullptr);
    EXPECT_EQ(Bar->GetRow(), 0);
    EXPECT_TRUE(Bar->GetOneOnRow());
    EXPECT_EQ(Bar->GetDockedTop(), docked->GetTop());
    EXPECT_TRUE(Bar->GetHasDockedPosition());
}

TEST_F(ToolbarWindowTest, APressOnTheGripRecordsWhereTheCursorHoldsTheBar) {
    TxbBarControl* window = ShowBar(dsTop);
    const win::TRect r = WindowRect(window);
    const win::TPoint grip{r.Left + 3, r.Top + 10};
    win::SetCursorPos(grip.X, grip.Y);
    HitTest(window, grip);
    const win::TPoint client = window->ScreenToClient(grip);
    win::SendMessage(window->GetHandle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON,
                     win::MAKELPARAM(client.X, client.Y));
    EXPECT_EQ(window->GetDragPressOffset(), (win::TPoint{3, 10}));
    EXPECT_EQ(window->GetDragPressSize(), (win::TSize{r.Right - r.Left, r.Bottom - r.Top}));
    // Floating, the same share of the floating window's size.
    const win::TSize floating = window->CalcSizeForStyle(dsNone);
    EXPECT_EQ(window->GetDragCursorOffset(dsNone),
              (win::TPoint{win::MulDiv(floating.cx, 3, r.Right - r.Left), win::MulDiv(floating.cy, 10, r.Bottom - r.Top)}));
}

TEST_F(ToolbarWindowTest, KeyboardModeRunsTheSelectedCommandWithEnterAndGivesTheFocusBackOnEsc) {
    auto* edit = new vcl::TEdit(Form);
    edit->SetParent(Form);
    edit->SetFocus();
    const win::HWND focused = edit->GetHandle();
    ASSERT_EQ(win::GetFocus(), focused);
    TxbBarControl* window = ShowBar(dsTop);
    int clicks = 0;
    for (int32_t i = 0; i < 3; ++i)
        Bar->GetItemLinks()->GetItem(i)->GetItem()->OnClick = [&](vcl::TObject*) { ++clicks; };

    window->EnterKeyboardMode(nullptr);
    EXPECT_EQ(GetActiveBarControl(), window);
    EXPECT_EQ(window->GetSelectedControl(), Bar->GetItemLinks()->GetItem(0)->GetControl());
    win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, win::VK_ESCAPE, 0);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(window->GetSelectedControl(), nullptr);
    EXPECT_EQ(win::GetFocus(), focused);
    EXPECT_EQ(clicks, 0);

    window->EnterKeyboardMode(Bar->GetItemLinks()->GetItem(1)->GetControl());
    win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    // Without an active bar window keys do nothing.
    win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolbarWindowTest, APressTakesKeyboardModeAndTheReleaseRunsTheCommandOnce) {
    TxbBarControl* window = ShowBar(dsTop);
    int clicks = 0;
    for (int32_t i = 0; i < 3; ++i)
        Bar->GetItemLinks()->GetItem(i)->GetItem()->OnClick = [&](vcl::TObject*) { ++clicks; };
    auto control = [&](int32_t i) { return Bar->GetItemLinks()->GetItem(i)->GetControl(); };
    auto send = [&](win::UINT msg, win::TPoint client) {
        const win::TPoint screen = ClientToScreen(window, client);
        win::SetCursorPos(screen.X, screen.Y);
        HitTest(window, screen);
        win::SendMessage(window->GetHandle(), msg, msg == win::WM_LBUTTONUP ? 0 : win::MK_LBUTTON,
                         win::MAKELPARAM(client.X, client.Y));
    };
    auto centre = [&](int32_t i) {
        const win::TRect r = Bar->GetItemLinks()->GetItem(i)->ItemRect;
        return win::TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    };

    // Press and release on an item: the bar is active with the menu flag set while the button is down.
    send(win::WM_LBUTTONDOWN, centre(0));
    EXPECT_EQ(GetActiveBarControl(), window);
    EXPECT_EQ(window->GetSelectedControl(), control(0));
    EXPECT_TRUE(window->GetKeyboardOpened());
    send(win::WM_LBUTTONUP, centre(0));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_FALSE(window->GetKeyboardOpened());

    // Active with a menu open from the first item: a press on another item moves there and keeps the flag
    // for it; a second press on the same item (not a button) leaves menu mode, and its release runs nothing.
    window->EnterKeyboardMode(control(0));
    window->SetKeyboardOpened(true);
    send(win::WM_LBUTTONDOWN, centre(1));
    EXPECT_EQ(window->GetSelectedControl(), control(1));
    EXPECT_TRUE(window->GetKeyboardOpened());
    EXPECT_EQ(GetActiveBarControl(), window);
    send(win::WM_LBUTTONDOWN, centre(1));
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_FALSE(window->GetKeyboardOpened());
    send(win::WM_LBUTTONUP, centre(1));
    EXPECT_EQ(clicks, 1);

    // A press on no item of the active bar ends menu mode; one on a disabled item starts none.
    window->EnterKeyboardMode(control(0));
    send(win::WM_LBUTTONDOWN, {window->GetClientWidth() - 1, 1});
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    Bar->GetItemLinks()->GetItem(2)->GetItem()->SetEnabled(false);
    send(win::WM_LBUTTONDOWN, centre(2));
    send(win::WM_LBUTTONUP, centre(2));
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolbarWindowTest, AFloatingBarWhoseFormWindowIsMadeAgainComesBack) {
    TxbBarControl* floating = ShowBar(dsNone, 300, 250);
    TxbBar* floatingBar = Bar;
    TxbBarControl* docked = ShowBar(dsTop);
    TxbBar* dockedBar = Bar;
    ASSERT_TRUE(floating->HandleAllocated() && docked->HandleAllocated());
    // (Shown whether the new form window is active or not.)
    Manager->SetHideFloatingBarsWhenInactive(false);
    Form->RecreateWnd();
    DrainMessages();
    for (TxbBar* bar : {floatingBar, dockedBar}) {
        SCOPED_TRACE(bar->GetDockingStyle());
        EXPECT_TRUE(bar->GetVisible());
        ASSERT_NE(bar->GetControl(), nullptr);
        EXPECT_TRUE(bar->GetControl()->HandleAllocated());
        EXPECT_TRUE(win::IsWindowVisible(bar->GetControl()->GetHandle()));
    }
    EXPECT_EQ(WindowRect(floatingBar->GetControl()).Left, 300);
    // Making a new bar window frees the one left behind.
    floatingBar->SetVisible(false);
    floatingBar->SetVisible(true);
    EXPECT_TRUE(floatingBar->GetControl()->HandleAllocated());
}

TEST_F(ToolbarWindowTest, AFloatingBarHiddenWhileItsFormIsInactiveComesBackWhenTheRemadeFormIsActivated) {
    TxbBarControl* floating = ShowBar(dsNone, 300, 250);
    TxbBar* floatingBar = Bar;
    ASSERT_TRUE(floating->HandleAllocated());
    ASSERT_TRUE(Manager->GetHideFloatingBarsWhenInactive());
    Form->RecreateWnd();
    DrainMessages();
    // Whether the new window came up active or not, activating it shows the bar where it was.
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_INACTIVE, 0);
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_ACTIVE, 0);
    EXPECT_TRUE(floatingBar->GetVisible());
    ASSERT_NE(floatingBar->GetControl(), nullptr);
    ASSERT_TRUE(floatingBar->GetControl()->HandleAllocated());
    EXPECT_TRUE(win::IsWindowVisible(floatingBar->GetControl()->GetHandle()));
    EXPECT_EQ(WindowRect(floatingBar->GetControl()).Left, 300);
}

TEST_F(ToolbarWindowTest, ADraggedBarStoresItsPlaceOnlyWhenTheDragEnds) {
    TxbBarControl* window = ShowBar(dsNone, 200, 200);
    TxbBars* bars = Manager->GetBars();
    window->SetMoving(true);
    EXPECT_TRUE(window->GetMoving());
    EXPECT_EQ(bars->GetMovingBarControl(), window);
    win::SetWindowPos(window->GetHandle(), nullptr, 150, 120, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    EXPECT_EQ(Bar->GetFloatLeft(), 200);
    window->SetMoving(false);
    EXPECT_EQ(bars->GetMovingBarControl(), nullptr);
    EXPECT_EQ(Bar->GetFloatLeft(), 150);
    EXPECT_EQ(Bar->GetFloatTop(), 120);
}

TEST_F(ToolbarWindowTest, OnlyAFloatingBarTakesItsAlphaBlendValue) {
    for (TxbBarDockingStyle style : {dsNone, dsTop}) {
        SCOPED_TRACE(style);
        TxbBarControl* window = ShowBar(style);
        auto layered = [&] {
            return (win::DWORD(win::GetWindowLong(window->GetHandle(), win::GWL_EXSTYLE)) & win::WS_EX_LAYERED) != 0;
        };
        Bar->SetAlphaBlendValue(128);
        window->UpdateAlphaBlend();
        EXPECT_EQ(layered(), style == dsNone);
        Bar->SetAlphaBlendValue(255);
        window->UpdateAlphaBlend();
        EXPECT_FALSE(layered());
        Bar->SetVisible(false);
    }
}

TEST_F(ToolbarWindowTest, ANewStyleGivesOpenBarsTheFrameOfTheNewFamily) {
    Manager->SetStyle(bmsStandard);
    TxbBarControl* floating = ShowBar(dsNone);
    TxbBar* floatingBar = Bar;
    TxbBarControl* docked = ShowBar(dsTop);
    TxbBar* dockedBar = Bar;
    Manager->SetStyle(bmsFlat);
    DrainMessages();
    for (auto [bar, window] : {std::pair{floatingBar, floating}, std::pair{dockedBar, docked}}) {
        SCOPED_TRACE(bar->GetDockingStyle());
        ASSERT_EQ(bar->GetControl(), window);
        ASSERT_TRUE(window->HandleAllocated());
        EXPECT_TRUE(window->GetControlStyle().Contains(vcl::csOpaque));
        const win::TRect r = WindowRect(window);
        EXPECT_EQ((r.Right - r.Left) - window->GetClientWidth(), bar->GetNonClientWidth(bar->GetDockingStyle()));
        EXPECT_EQ((r.Bottom - r.Top) - window->GetClientHeight(), bar->GetNonClientHeight(bar->GetDockingStyle()));
    }
}

TEST_F(ToolbarWindowTest, AnEmptyCaptionAndASizeBelowTheMinimumPaintWithoutFault) {
    for (TxbBarDockingStyle style : {dsNone, dsTop, dsLeft}) {
        SCOPED_TRACE(style);
        TxbBarControl* window = ShowBar(style);
        Bar->SetCaption("");
        window->SetBounds(window->GetLeft(), window->GetTop(), 1, 1);
        win::RedrawWindow(window->GetHandle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
        EXPECT_GE(window->GetClientWidth(), 0);
        EXPECT_GE(window->GetClientHeight(), 0);
        window->ArrangeItemLinks();
        Bar->SetVisible(false);
    }
}

class ToolbarPaintTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        RegisterTestForms();
        RegisterItemClass<TSizedItem, TSizedControl>("TSizedItem", false);
        vcl::DefineClassProperties<TSizedItem, TxbBarItem>();
        vcl::DefineClassProperties<TTestPainterManager, TxbBarManager>();
        vcl::RegisterClass(
            "TTestPainterManager",
            [](vcl::TComponent* owner) -> vcl::TPersistent* { return owner ? new TTestPainterManager(owner) : nullptr; },
            typeid(TTestPainterManager));
        vcl::DefineFormClass<TToolbarTestForm, vcl::TForm>().Field("xbBarManager1", &TToolbarTestForm::xbBarManager1);
        SetBarControlFactory(MakeToolbarWindow);
        TTestPainter::Calls().clear();
    }
    void TearDown() override {
        SetBarControlFactory(nullptr);
        vcl::UnRegisterClass("TTestPainterManager");
        UnregisterItemClass(typeid(TSizedItem));
        BarsFixture::TearDown();
    }
};

TEST_F(ToolbarPaintTest, ADockedToolbarShowsItsGripButtonsAndEndMarkWhereTheLayoutPutsThem) {
    auto* form = new TToolbarTestForm(nullptr);
    ASSERT_NE(form->xbBarManager1, nullptr);
    form->Show();
    DrainMessages();
    TxbBar* bar = form->xbBarManager1->FindBarByName("Tools");
    ASSERT_NE(bar, nullptr);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->HandleAllocated());
    win::UpdateWindow(window->GetHandle());
    const win::TRect outer = WindowRect(window);
    const win::TPoint origin = ClientToScreen(window, {0, 0});
    auto corners = [&](const win::TRect& client, TTestSlot slot, const char* what) {
        SCOPED_TRACE(what);
        const int32_t color = TestPainterColor(slot);
        const win::TRect r{client.Left + origin.X, client.Top + origin.Y, client.Right + origin.X,
                           client.Bottom + origin.Y};
        EXPECT_EQ(int32_t(FScreen.ScreenPixel(r.Left, r.Top)), color);
        EXPECT_EQ(int32_t(FScreen.ScreenPixel(r.Right - 1, r.Top)), color);
        EXPECT_EQ(int32_t(FScreen.ScreenPixel(r.Left, r.Bottom - 1)), color);
        EXPECT_EQ(int32_t(FScreen.ScreenPixel(r.Right - 1, r.Bottom - 1)), color);
    };
    // Three buttons of 23 x 22 in a row, the third after a separator of 6.
    TxbBarItemLinks* links = bar->GetItemLinks();
    EXPECT_EQ(links->GetItem(0)->ItemRect, (win::TRect{0, 0, 23, 22}));
    EXPECT_EQ(links->GetItem(2)->ItemRect, (win::TRect{52, 0, 75, 22}));
    for (int32_t i = 0; i < 3; ++i)
        corners(links->GetItem(i)->ItemRect, tsItemGlyph, "button");
    corners(links->GetItem(2)->GetControl()->GetSeparatorRect(), tsToolbarSeparator, "separator");
    ASSERT_TRUE(window->HasMark());
    corners(window->GetMarkRect(), tsMarkBackground, "end mark");
    // The grip and the frame around the client area.
    corners({outer.Left - origin.X, outer.Top - origin.Y, 0, outer.Bottom - origin.Y}, tsDockedFrame, "grip");
    delete form;
}

} // namespace
