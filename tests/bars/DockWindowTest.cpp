// The dock's window: its background under docked bars, the sunken border, activation, clicks, the action pass
// and the placed dock.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarPainter.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/UserTypes.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/TypInfo.h"

#include <string>

using namespace bars;
using namespace barstest;

namespace {

class DockWindowTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Form->SetBounds(0, 0, 400, 300);
        Manager = MakeManager();
    }
    TxbBar* DockedBar() {
        ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 20; });
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsTop);
        bar->SetVisible(true);
        return bar;
    }
    // A placed dock on the form, bound to the manager.
    TxbBarDockControl* PlacedDock() {
        auto* dock = new TxbBarDockControl(Form);
        dock->SetParent(Form);
        dock->SetBarManager(Manager);
        return dock;
    }
    // A visible bar docked in a placed dock.
    TxbBar* DockedIn(TxbDockControl* dock) {
        ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 20; });
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockControl(dock);
        bar->SetVisible(true);
        return bar;
    }
    static win::TRect ClientAfterNcCalcSize(TxbDockControl* dock) {
        win::NCCALCSIZE_PARAMS params{};
        params.rgrc[0] = {10, 10, 110, 60};
        win::SendMessage(dock->GetHandle(), win::WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&params));
        return params.rgrc[0];
    }
    // A 7 by 5 tile of distinct colours as the dock's picture; the colour the tiling shows at a client point.
    static win::COLORREF TileColour(int x, int y) { return Rgb(x % 7 * 20, y % 5 * 30, 77); }
    static void SetTile(TxbDockControl* dock) {
        vcl::TBitmap* tile = dock->GetBackgroundBitmap();
        tile->SetPixelFormat(vcl::pf24bit);
        tile->SetSize(7, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                tile->GetCanvas()->SetPixel(x, y, TileColour(x, y));
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(DockWindowTest, DockBitmapContinuesUnderADockedToolbar) {
    TxbBar* bar = DockedBar();
    TxbBarControl* window = bar->GetControl();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_EQ(window->GetDockControl(), dock);
    SetTile(dock);
    EXPECT_TRUE(dock->HasBackground());
    const int w = 30, h = 12;
    Surface out(w, h);
    EnhancedPainter()->DrawDockedBarBackground(window, out.Dc(), 0, nullptr, {0, 0, w, h}, {0, 0, w, h});
    const int left = window->GetLeft(), top = window->GetTop();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(out.Pixel(x, y), TileColour(x + left, y + top)) << x << "," << y;
}

TEST_F(DockWindowTest, ADockBitmapContinuesAcrossADockedToolbarsEdgeFrameAndItems) {
    // The toolbar sits in the second row, away from the tile's origin in both directions.
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    SetTile(dock);
    for (TxbBarManagerStyle style : {bmsStandard, bmsEnhanced}) {
        SCOPED_TRACE(style);
        Manager->SetStyle(style);
        TxbBar* first = Manager->GetBars()->Add();
        first->SetDockingStyle(dsTop);
        first->SetVisible(true);
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsTop);
        bar->SetBorderStyle(bbsSingle);
        bar->SetRow(1);
        bar->SetOneOnRow(true);
        bar->SetDockedLeft(37);
        // A button without caption or glyph: its face is the bar's background.
        bar->GetItemLinks()->Add()->SetItem(new TxbBarButton(Form));
        bar->SetVisible(true);
        Form->Show();
        DrainMessages();
        TxbBarControl* window = bar->GetControl();
        ASSERT_EQ(window->GetDockControl(), dock);
        ASSERT_GT(window->GetLeft() % 7, 0);
        ASSERT_GT(window->GetTop() % 5, 0);
        win::UpdateWindow(Form->GetHandle());

        win::TPoint dockOrigin{0, 0}, clientOrigin{0, 0};
        win::ClientToScreen(dock->GetHandle(), &dockOrigin);
        win::ClientToScreen(window->GetHandle(), &clientOrigin);
        win::TRect outer{};
        win::GetWindowRect(window->GetHandle(), &outer);
        // The pixel at a screen point against the tile's colour there, counted from the dock's client origin.
        int wrong = 0;
        std::string firstWrong;
        auto check = [&](int x, int y) {
            if ((FScreen.ScreenPixel(x, y) & 0xFFFFFF) != TileColour(x - dockOrigin.X, y - dockOrigin.Y) && !wrong++)
                firstWrong = std::to_string(x - outer.Left) + "," + std::to_string(y - outer.Top);
        };
        // The dock's own pixels beside the window, along its full height.
        for (int y = outer.Top; y < outer.Bottom; ++y)
            for (int x : {outer.Left - 2, outer.Left - 1, outer.Right, outer.Right + 1})
                check(x, y);
        // The frame's background strip: the rows just inside the one-pixel frame, over the client's width.
        const win::TRect frame = window->GetPainter()->GetDockedFrameWidths(window);
        ASSERT_EQ(frame, (win::TRect{1, 1, 1, 1}));
        for (int x = clientOrigin.X; x < clientOrigin.X + window->GetClientWidth(); ++x)
            for (int y : {outer.Top + 1, outer.Bottom - 2})
                check(x, y);
        // The client area with the button, except the end mark.
        const win::TRect mark = window->HasMark() ? window->GetMarkRect() : win::TRect{};
        for (int y = 0; y < window->GetClientHeight(); ++y)
            for (int x = 0; x < window->GetClientWidth(); ++x)
                if (!(x >= mark.Left && x < mark.Right && y >= mark.Top && y < mark.Bottom))
                    check(clientOrigin.X + x, clientOrigin.Y + y);
        EXPECT_EQ(wrong, 0) << "first at " << firstWrong << " from the window's corner";
        Form->Hide();
        Manager->GetBars()->Clear();
    }
}

TEST_F(DockWindowTest, TheIdleActionPassUpdatesTheActionsOfTheVisibleBarsItems) {
    // One action per bar, each linked to an item of its bar only; no action list updates them on its own.
    int shownUpdates = 0, hiddenUpdates = 0, placedUpdates = 0;
    auto linked = [this](TxbBar* bar, int& updates) {
        auto* action = new vcl::TAction(Form);
        action->OnUpdate = [action, &updates](vcl::TObject*) {
            ++updates;
            action->SetEnabled(false);
            action->SetCaption("Updated");
        };
        auto* item = new TxbBarItem(Form);
        item->SetAction(action);
        bar->GetItemLinks()->Add()->SetItem(item);
        return item;
    };
    auto idle = [] {
        vcl::Application->OnIdle = [](vcl::TObject*, bool& done) { done = false; };
        DrainMessages();
        vcl::Application->HandleMessage();
        vcl::Application->OnIdle = nullptr;
    };
    TxbBar* shown = DockedBar();
    TxbBar* hidden = DockedBar();
    hidden->SetVisible(false);
    TxbBarItem* shownItem = linked(shown, shownUpdates);
    TxbBarItem* hiddenItem = linked(hidden, hiddenUpdates);
    Form->Show();
    DrainMessages();
    ASSERT_EQ(shownUpdates + hiddenUpdates, 0);

    // The application's idle pass (no message waiting) reaches the shown form, its edge docks (the form's
    // children, not its components) and the items of the manager's visible bars.
    idle();
    EXPECT_GT(shownUpdates, 0);
    EXPECT_EQ(hiddenUpdates, 0);
    EXPECT_FALSE(shownItem->GetEnabled());
    EXPECT_EQ(shownItem->GetCaption(), "Updated");
    EXPECT_TRUE(hiddenItem->GetEnabled());

    // A placed dock on the form is reached the same way.
    shown->SetVisible(false);
    TxbBarItem* placedItem = linked(DockedIn(PlacedDock()), placedUpdates);
    shownUpdates = 0;
    idle();
    EXPECT_GT(placedUpdates, 0);
    EXPECT_FALSE(placedItem->GetEnabled());
    EXPECT_EQ(shownUpdates + hiddenUpdates, 0);
}

TEST_F(DockWindowTest, ARightClickOnAnEmptyDockAreaAsksForTheToolbarsPopup) {
    DockedBar();
    Form->Show();
    DrainMessages();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_GT(dock->GetHeight(), 0);
    const win::TPoint empty = dock->ClientToScreen({dock->GetClientWidth() - 20, dock->GetClientHeight() / 2});
    ASSERT_EQ(win::WindowFromPoint(empty), dock->GetHandle());
    // Clicks apart in time, so that none makes a double click.
    auto rightClick = [&] {
        FClock.Advance(1000);
        FScreen.InjectMouse(headless::MouseAction::RightDown, empty);
        FScreen.InjectMouse(headless::MouseAction::RightUp, empty);
        DrainMessages();
    };
    auto visibleWindows = [] {
        std::vector<win::HWND> windows;
        win::EnumWindows(
            [](win::HWND hwnd, win::LPARAM list) {
                if (win::IsWindowVisible(hwnd))
                    reinterpret_cast<std::vector<win::HWND>*>(list)->push_back(hwnd);
                return win::TRUE;
            },
            reinterpret_cast<win::LPARAM>(&windows));
        return windows;
    };
    // With no popup routine installed the click does nothing.
    const std::vector<win::HWND> before = visibleWindows();
    rightClick();
    EXPECT_EQ(visibleWindows(), before);
    EXPECT_FALSE(Manager->IsCustomizing());

    struct Call {
        vcl::TControl* Control;
        TxbBarManager* Manager;
        win::TPoint At;
    };
    std::vector<Call> calls;
    EXPECT_FALSE(SetShowToolbarsPopupProc([&calls](vcl::TControl* control, TxbBarManager* manager, const win::TPoint& at) {
        calls.push_back({control, manager, at});
    }));
    rightClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Control, dock);
    EXPECT_EQ(calls[0].Manager, Manager);
    EXPECT_EQ(calls[0].At, empty);
    // Not while the manager customizes.
    Manager->SetCustomizing(true);
    rightClick();
    Manager->SetCustomizing(false);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(SetShowToolbarsPopupProc(nullptr));
}

TEST_F(DockWindowTest, ADoubleClickOnADockCustomizesOnlyWhenTheManagerAllows) {
    DockedBar();
    Form->Show();
    DrainMessages();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    const win::TPoint empty = dock->ClientToScreen({dock->GetClientWidth() - 20, dock->GetClientHeight() / 2});
    auto doubleClick = [&] {
        FClock.Advance(1000);
        FScreen.InjectClick(empty);
        FScreen.InjectClick(empty);
        DrainMessages();
    };
    Manager->SetCanCustomize(false);
    doubleClick();
    EXPECT_FALSE(Manager->IsCustomizing());
    Manager->SetCanCustomize(true);
    doubleClick();
    EXPECT_TRUE(Manager->IsCustomizing());
    Manager->SetCustomizing(false);
}

TEST_F(DockWindowTest, SunkenBorderAndNoActivation) {
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    win::HWND handle = dock->GetHandle();
    win::NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = {10, 10, 110, 60};
    Manager->SetSunkenBorder(false);
    win::SendMessage(handle, win::WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&params));
    EXPECT_EQ(params.rgrc[0], (win::TRect{10, 10, 110, 60}));
    Manager->SetSunkenBorder(true);
    params.rgrc[0] = {10, 10, 110, 60};
    win::SendMessage(handle, win::WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&params));
    EXPECT_EQ(params.rgrc[0], (win::TRect{11, 11, 109, 59}));
    EXPECT_EQ(win::SendMessage(handle, win::WM_MOUSEACTIVATE, win::WPARAM(Form->GetHandle()), 0), win::MA_NOACTIVATE);
    auto style = win::DWORD(win::GetWindowLong(handle, win::GWL_STYLE));
    EXPECT_EQ(style & (win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN),
              win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN);
}

TEST_F(DockWindowTest, PlacedDockSizeWithoutBars) {
    TxbBarDockControl* dock = PlacedDock();
    dock->SetHeight(30);
    dock->HandleNeeded();
    // At run time an empty placed dock takes no room.
    EXPECT_EQ(dock->GetRowsSize(), 0);
    EXPECT_EQ(dock->DesignMinimumSize(), 0);
    EXPECT_EQ(dock->GetHeight(), 0);
    // At design time a line of 3 pixels a designer can catch, unless zero size is allowed.
    dock->SetDesigning(true);
    dock->SetHeight(30);
    EXPECT_EQ(dock->GetRowsSize(), 3);
    EXPECT_EQ(dock->GetHeight(), 3);
    dock->SetAllowZeroSizeInDesignTime(true);
    EXPECT_EQ(dock->GetRowsSize(), 0);
    EXPECT_EQ(dock->GetHeight(), 0);
    dock->SetAllowZeroSizeInDesignTime(false);
    EXPECT_EQ(dock->GetHeight(), 3);
    // A left dock keeps the minimum in its width.
    dock->SetDockAlign(dalLeft);
    dock->SetWidth(40);
    EXPECT_EQ(dock->GetWidth(), 3);
    dock->SetDesigning(false);
}

TEST_F(DockWindowTest, PlacedDockColourFollowsTheManagerUntilItIsItsOwn) {
    Form->SetColor(vcl::TColor(0x123456));
    TxbBarDockControl* dock = PlacedDock();
    // AutoDockColor: the parent's colour.
    EXPECT_TRUE(dock->GetParentColor());
    EXPECT_EQ(dock->GetColor(), vcl::TColor(0x123456));
    EXPECT_FALSE(dock->GetUseOwnColor());
    // The manager's DockColor reaches the dock while it has no colour of its own.
    Manager->SetDockColor(vcl::TColor(0x00FF00));
    EXPECT_EQ(dock->GetColor(), vcl::TColor(0x00FF00));
    EXPECT_FALSE(dock->GetUseOwnColor());
    // A colour set on the dock is its own: the manager's next colour passes it by.
    dock->SetColor(vcl::TColor(0x0000FF));
    EXPECT_TRUE(dock->GetUseOwnColor());
    Manager->SetDockColor(vcl::TColor(0xFF0000));
    EXPECT_EQ(dock->GetColor(), vcl::TColor(0x0000FF));
    // Given up, the manager's rule applies again: its DockColor, or the parent's with AutoDockColor.
    dock->SetUseOwnColor(false);
    EXPECT_EQ(dock->GetColor(), vcl::TColor(0xFF0000));
    Manager->SetAutoDockColor(true);
    EXPECT_TRUE(dock->GetParentColor());
    EXPECT_EQ(dock->GetColor(), vcl::TColor(0x123456));
    // Following the parent by hand makes that the dock's own choice too.
    dock->SetParentColor(false);
    EXPECT_TRUE(dock->GetUseOwnColor());
    // The colour is written with the dock only while it is its own and not the parent's.
    const vcl::TPropInfo* color = vcl::GetPropInfo(dock, "Color");
    ASSERT_NE(color, nullptr);
    ASSERT_TRUE(color->IsStored);
    EXPECT_TRUE(color->IsStored(dock));
    dock->SetUseOwnColor(false);
    EXPECT_FALSE(color->IsStored(dock));
}

TEST_F(DockWindowTest, PlacedDockSunkenBorderOfItsOwn) {
    TxbBarDockControl* dock = PlacedDock();
    const win::TRect plain{10, 10, 110, 60}, sunken{11, 11, 109, 59};
    EXPECT_EQ(ClientAfterNcCalcSize(dock), plain);
    // The manager's border reaches the dock while it has none of its own.
    Manager->SetSunkenBorder(true);
    EXPECT_TRUE(dock->GetSunkenBorder());
    EXPECT_EQ(ClientAfterNcCalcSize(dock), sunken);
    // Setting the effective value changes nothing; another value becomes the dock's own.
    dock->SetSunkenBorder(true);
    EXPECT_FALSE(dock->GetUseOwnSunkenBorder());
    dock->SetSunkenBorder(false);
    EXPECT_TRUE(dock->GetUseOwnSunkenBorder());
    EXPECT_EQ(ClientAfterNcCalcSize(dock), plain);
    Manager->SetSunkenBorder(false);
    Manager->SetSunkenBorder(true);
    EXPECT_FALSE(dock->GetSunkenBorder());
    // Given up, the manager's again; taken, the current effective value is kept as the own one.
    dock->SetUseOwnSunkenBorder(false);
    EXPECT_TRUE(dock->GetSunkenBorder());
    dock->SetUseOwnSunkenBorder(true);
    Manager->SetSunkenBorder(false);
    EXPECT_TRUE(dock->GetSunkenBorder());
    // A sunken dock with a row is 2 pixels thicker than the row.
    TxbBar* bar = DockedIn(dock);
    EXPECT_EQ(dock->GetDockSize(), bar->GetControl()->GetHeight() + 2);
}

TEST_F(DockWindowTest, PlacedDockAlignmentTurnsItsBars) {
    TxbBarDockControl* dock = PlacedDock();
    TxbBar* bar = DockedIn(dock);
    TxbBarControl* window = bar->GetControl();
    ASSERT_EQ(window->GetDockControl(), dock);
    EXPECT_EQ(window->GetDockingStyle(), dsTop);
    struct Case {
        TxbBarDockAlign Align;
        vcl::TAlign WindowAlign;
        TxbBarDockingStyle Style;
    };
    const Case cases[] = {{dalLeft, vcl::alLeft, dsLeft},
                          {dalBottom, vcl::alBottom, dsBottom},
                          {dalRight, vcl::alRight, dsRight},
                          {dalNone, vcl::alNone, dsTop},
                          {dalTop, vcl::alTop, dsTop}};
    for (const Case& c : cases) {
        dock->SetDockAlign(c.Align);
        EXPECT_EQ(dock->GetAlign(), c.WindowAlign) << c.Align;
        EXPECT_EQ(window->GetDockingStyle(), c.Style) << c.Align;
        EXPECT_EQ(dock->GetDockingStyle(), c.Style) << c.Align;
    }
    EXPECT_FALSE(Manager->GetDockUpdateLocked());
}

TEST_F(DockWindowTest, BarsParkedWhileAPlacedDocksWindowIsMadeAgainComeBack) {
    TxbBarDockControl* dock = PlacedDock();
    TxbBar* first = DockedIn(dock);
    TxbBar* second = DockedIn(dock);
    dock->HandleNeeded();
    ASSERT_TRUE(first->GetControl()->HandleAllocated());
    {
        ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 20; });
        dock->RecreateWnd();
    }
    ASSERT_TRUE(dock->HandleAllocated());
    for (TxbBar* bar : {first, second}) {
        EXPECT_TRUE(bar->GetVisible());
        ASSERT_NE(bar->GetControl(), nullptr);
        TxbBarControl* window = bar->GetControl();
        int32_t row = -1, col = -1;
        EXPECT_TRUE(dock->FindWindow(window, row, col));
        EXPECT_EQ(window->GetDockControl(), dock);
        EXPECT_EQ(window->GetParent(), dock);
        EXPECT_TRUE(window->HandleAllocated());
        EXPECT_TRUE(win::GetWindowLong(window->GetHandle(), win::GWL_STYLE) & win::WS_VISIBLE);
    }
    // Nothing is left waiting for the form's window.
    EXPECT_TRUE(Manager->TakePendingBars([](TxbBar*) { return true; }).empty());

    // A toolbar window that hides its bar while it goes with the dock's window parks the bar with the
    // manager; the dock's new window takes back its own, and leaves the others waiting.
    TxbBar* elsewhere = DockedBar();
    for (TxbBar* bar : {first, second, elsewhere}) {
        bar->SetVisible(false);
        Manager->AddPendingBar(bar);
    }
    ASSERT_EQ(first->GetDockedDockControl(), dock);
    {
        ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 20; });
        dock->RecreateWnd();
    }
    for (TxbBar* bar : {first, second}) {
        EXPECT_TRUE(bar->GetVisible());
        ASSERT_NE(bar->GetControl(), nullptr);
        EXPECT_EQ(bar->GetControl()->GetDockControl(), dock);
    }
    EXPECT_FALSE(elsewhere->GetVisible());
    EXPECT_EQ(Manager->TakePendingBars([](TxbBar*) { return true; }), std::vector<TxbBar*>{elsewhere});
}

TEST_F(DockWindowTest, ANarrowerFormLaysTheRowsOutAgain) {
    ScopedTestWindows windows([](TTestBarWindow* w) {
        w->MinLength = 30;
        w->MaxLength = 300;
        w->Mark = false;
    });
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockingStyle(dsTop);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    Form->HandleNeeded();
    ASSERT_FALSE(window->GetTruncated());
    Form->SetWidth(200);
    EXPECT_LE(window->GetLeft() + window->GetWidth(), dock->GetClientWidth());
    EXPECT_TRUE(window->GetTruncated());
    Form->SetWidth(400);
    EXPECT_FALSE(window->GetTruncated());
}

TEST_F(DockWindowTest, BackgroundBitmapSetterAndCache) {
    TxbBar* bar = DockedBar();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    EXPECT_FALSE(dock->GetDoubleBuffered());
    vcl::TBitmap tile;
    tile.SetPixelFormat(vcl::pf24bit);
    tile.SetSize(4, 4);
    tile.GetCanvas()->GetBrush()->SetColor(vcl::TColor(0x204060));
    tile.GetCanvas()->FillRect({0, 0, 4, 4});
    dock->SetBackgroundBitmap(&tile);
    EXPECT_TRUE(dock->HasOwnBackground());
    EXPECT_TRUE(dock->GetDoubleBuffered());
    EXPECT_EQ(dock->GetBackgroundBitmap()->GetWidth(), 4);
    // The painter's copy of the dock goes when the dock is resized or a bar moves on a dock with a picture.
    auto fillCache = [dock] { dock->GetBackgroundCache()->SetSize(8, 8); };
    fillCache();
    dock->SetWidth(dock->GetWidth() - 10);
    EXPECT_TRUE(dock->GetBackgroundCache()->GetEmpty());
    fillCache();
    dock->MoveBar(bar->GetControl(), dock->ClientToScreen({30, 0}));
    EXPECT_TRUE(dock->GetBackgroundCache()->GetEmpty());
    fillCache();
    dock->Changed();
    EXPECT_TRUE(dock->GetBackgroundCache()->GetEmpty());
    // An empty picture takes the dock back to its plain background.
    vcl::TBitmap empty;
    dock->SetBackgroundBitmap(&empty);
    EXPECT_FALSE(dock->HasOwnBackground());
    EXPECT_FALSE(dock->GetDoubleBuffered());
}

TEST_F(DockWindowTest, NoDockingIntoAPlacedDockInsideTheBarsOwnWindow) {
    TxbBar* bar = DockedBar();
    TxbBarControl* window = bar->GetControl();
    auto* inside = new TxbBarDockControl(Form);
    inside->SetParent(window);
    inside->SetBarManager(Manager);
    auto* outside = new TxbBarDockControl(Form);
    outside->SetParent(Form);
    outside->SetBarManager(Manager);
    inside->HandleNeeded();
    outside->HandleNeeded();
    EXPECT_FALSE(inside->CanDockBar(bar));
    EXPECT_TRUE(outside->CanDockBar(bar));
    outside->SetAllowDocking(false);
    EXPECT_FALSE(outside->CanDockBar(bar));
    inside->SetParent(nullptr);
    delete inside;
}

} // namespace
