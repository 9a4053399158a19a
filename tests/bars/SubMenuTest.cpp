// Sub items and their menus: the 400 ms hover delay on the manual clock, an OnPopup that rebuilds the bar
// while its menu opens, placement at the screen's edges, scrolling by the arrow rows, the menu keys along the
// menu bar and down a cascade, personalized menus and the tear-off strip.
#include "MenusTestSupport.h"

#include "bars/xbBarHints.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Metrics.h"

#include <cstdlib>
#include <string>

using namespace bars;
using namespace barstest;

namespace {

class SubMenuTest : public MenusFixture {
protected:
    void TearDown() override {
        FreeBarHintWindow();
        MenusFixture::TearDown();
    }
    win::TPoint CentreOf(TCustomxbBarControl* window, TxbBarItemControl* control) {
        const win::TRect r = window->GetItemScreenRect(control);
        return win::TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    static win::TPoint CentreOnScreen(TCustomxbBarControl* window, const win::TRect& r) {
        return window->ClientToScreen(win::TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    }
    void CloseAll() {
        while (GetActiveBarControl())
            GetActiveBarControl()->DeactivateAll();
    }
    // A personalized "&File": Enhanced style, recent entries first, only "&Open" used.
    void MakePersonalizedMenuBar() {
        MakeMenuBar();
        Manager->SetStyle(bmsEnhanced);
        for (TCustomxbBarSubItem* sub : {static_cast<TCustomxbBarSubItem*>(File), static_cast<TCustomxbBarSubItem*>(Edit)})
            sub->GetItemLinks()->SetUseRecentItems(true);
        File->GetItemLinks()->GetItem(0)->SetUseCount(30);
        File->GetItemLinks()->GetItem(0)->MoveToRecentFront(false);
        Edit->GetItemLinks()->GetItem(0)->SetUseCount(30);
        AddButton(Edit->GetItemLinks(), "&Redo");
        Edit->GetItemLinks()->GetItem(0)->MoveToRecentFront(false);
    }
};

TEST_F(SubMenuTest, HoveringACascadingEntryOpensItsMenuAfter400Ms) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* file = MenuOf(File);
    ASSERT_NE(file, nullptr);
    TxbBarItemControl* recent = File->GetItemLinks()->GetItem(2)->GetControl();
    ASSERT_NE(recent, nullptr);
    MoveTo(CentreOf(file, recent));
    EXPECT_EQ(file->GetSelectedControl(), recent);
    Advance(399);
    EXPECT_EQ(MenuOf(Recent), nullptr);
    Advance(1);
    ASSERT_NE(MenuOf(Recent), nullptr);
    EXPECT_EQ(MenuOf(Recent)->GetParentBarControl(), file);
    // Beside the entry, to its right.
    win::TRect r{};
    win::GetWindowRect(MenuOf(Recent)->GetHandle(), &r);
    EXPECT_EQ(r.Left, file->GetItemScreenRect(recent).Right);
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

// A sub item is its caption wide (accelerator marks left out) with the room its place needs: on the menu bar
// twice the arrow size (half the font's height) and no drop-down arrow, on another toolbar half a text row more
// for that arrow, both a text row high without a picture; in a menu two row heights and 3 more, a row high.
TEST_F(SubMenuTest, ASubItemMeasuresItsCaptionAndTheRoomOfItsPlace) {
    MakeMenuBar();
    TxbBar* tools = Manager->GetBars()->Add();
    tools->SetDockingStyle(dsTop);
    AddSub(tools->GetItemLinks(), "&More");
    tools->SetVisible(true);
    DrainMessages();
    auto captionWidth = [](TCustomxbBarControl* window, const char* text) {
        win::HDC dc = win::GetDC(nullptr);
        win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(window->GetFont()));
        win::SIZE size{};
        win::GetTextExtentPoint32(dc, text, int(std::string(text).size()), &size);
        win::SelectObject(dc, old);
        win::ReleaseDC(nullptr, dc);
        return int32_t(size.cx);
    };
    auto arrowSize = [](TCustomxbBarControl* window) {
        win::LOGFONT font{};
        win::GetObject(window->GetFont(), sizeof(font), &font);
        return std::abs(font.lfHeight) / 2;
    };
    TxbBarControl* bar = MainWindow();
    EXPECT_EQ(MainControl(0)->GetWidth(), captionWidth(bar, "File") + 2 * arrowSize(bar));
    EXPECT_EQ(MainControl(0)->GetHeight(), bar->GetTextRowHeight());
    TxbBarControl* toolbar = tools->GetControl();
    ASSERT_NE(toolbar, nullptr);
    TxbBarItemControl* more = tools->GetItemLinks()->GetItem(0)->GetControl();
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->GetWidth(),
              captionWidth(toolbar, "More") + 2 * arrowSize(toolbar) + toolbar->GetTextRowHeight() / 2);
    EXPECT_EQ(more->GetHeight(), toolbar->GetTextRowHeight());

    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* menu = MenuOf(File);
    ASSERT_NE(menu, nullptr);
    TxbBarItemControl* recent = File->GetItemLinks()->GetItem(2)->GetControl();
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->GetWidth(), captionWidth(menu, "Recent") + 2 * menu->GetMenuRowHeight() + 3);
    EXPECT_EQ(recent->GetHeight(), menu->GetMenuRowHeight());
}

TEST_F(SubMenuTest, AnOnPopupThatRebuildsTheBarStopsTheOpeningQuietly) {
    MakeMenuBar();
    File->OnPopup = [this](vcl::TObject*) { File->SetCaption("&Files"); };
    Chord(win::VK_MENU, 'F');
    EXPECT_EQ(File->GetCaption(), "&Files");
    EXPECT_EQ(Errors, std::vector<std::string>{});
    // The entry opens normally the next time.
    File->OnPopup = nullptr;
    while (GetActiveBarControl())
        GetActiveBarControl()->DeactivateAll();
    Chord(win::VK_MENU, 'F');
    EXPECT_NE(MenuOf(File), nullptr);
}

TEST_F(SubMenuTest, APopupAtTheScreensCornerStaysInsideTheWorkArea) {
    auto* popup = new TxbBarPopupMenu(Form);
    AddButton(popup->GetItemLinks(), "One");
    AddButton(popup->GetItemLinks(), "Two");
    ShowForm();
    win::TRect work{};
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &work, 0);
    win::TRect placed{};
    bool flipped = false;
    FScreen.Script([&] {
        TxbBarSubMenuControl* menu = popup->GetControl();
        ASSERT_NE(menu, nullptr);
        win::GetWindowRect(menu->GetHandle(), &placed);
        flipped = menu->GetFlippedVertically();
        menu->DeactivateAll();
    });
    popup->Popup(work.Right - 2, work.Bottom - 2);
    EXPECT_EQ(placed.Right, work.Right);
    // A menu opened at a point with room above opens upward from it.
    EXPECT_TRUE(flipped);
    EXPECT_EQ(placed.Bottom, work.Bottom - 2);
}

} // namespace

namespace {

TEST_F(SubMenuTest, AScrollArrowMovesOneEntryEvery80Ms) {
    MakeMenuBar();
    for (int i = 0; i < 80; ++i)
        AddButton(File->GetItemLinks(), "Entry " + std::to_string(i));
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* menu = MenuOf(File);
    ASSERT_NE(menu, nullptr);
    win::TRect work{}, placed{};
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &work, 0);
    win::GetWindowRect(menu->GetHandle(), &placed);
    // Below its entry, as tall as the space below.
    EXPECT_EQ(placed.Bottom, work.Bottom);
    ASSERT_TRUE(menu->CanScrollDown());
    EXPECT_FALSE(menu->CanScrollUp());
    EXPECT_EQ(menu->GetTopIndex(), 0);
    const int32_t page = menu->GetPageLinkCount();
    MoveTo(CentreOnScreen(menu, menu->GetDownArrowRect()));
    EXPECT_EQ(menu->GetSelectedControl(), nullptr);
    Advance(79);
    EXPECT_EQ(menu->GetTopIndex(), 0);
    for (int32_t step = 1; step <= 3; ++step) {
        Advance(step == 1 ? 1 : 80);
        EXPECT_EQ(menu->GetTopIndex(), step);
    }
    // Scrolled to the middle: both arrows, the page as long as before.
    EXPECT_TRUE(menu->CanScrollUp());
    EXPECT_TRUE(menu->CanScrollDown());
    EXPECT_FALSE(menu->GetUpArrowRect().IsEmpty());
    EXPECT_FALSE(menu->GetDownArrowRect().IsEmpty());
    EXPECT_EQ(menu->GetPageLinkCount(), page);
    // Off the arrow the scrolling stops; the up arrow scrolls back.
    MoveTo(CentreOnScreen(menu, menu->GetItemLinks()->GetShownItem(menu->GetTopIndex() + 2)->ItemRect));
    Advance(400);
    EXPECT_EQ(menu->GetTopIndex(), 3);
    MoveTo(CentreOnScreen(menu, menu->GetUpArrowRect()));
    Advance(80);
    Advance(80);
    EXPECT_EQ(menu->GetTopIndex(), 1);
    Advance(80);
    EXPECT_EQ(menu->GetTopIndex(), 0);
    EXPECT_FALSE(menu->CanScrollUp());
    // The keyboard keeps the selection inside the page.
    Press(win::VK_END);
    ASSERT_NE(menu->GetSelectedControl(), nullptr);
    EXPECT_EQ(menu->GetSelectedControl()->GetCaption(), "Entry 79");
    EXPECT_FALSE(menu->CanScrollDown());
    EXPECT_TRUE(menu->CanScrollUp());
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(SubMenuTest, MenuKeysMoveAlongTheMenuBarAndCloseTheInnermostMenu) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    Press(win::VK_RIGHT);
    EXPECT_EQ(MenuOf(File), nullptr);
    ASSERT_NE(MenuOf(Edit), nullptr);
    EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(1));
    EXPECT_EQ(GetActiveBarControl(), MenuOf(Edit));
    Press(win::VK_LEFT);
    EXPECT_EQ(MenuOf(Edit), nullptr);
    ASSERT_NE(MenuOf(File), nullptr);
    // Left from the first menu wraps round to the last.
    Press(win::VK_LEFT);
    EXPECT_NE(MenuOf(Edit), nullptr);
    Press(win::VK_RIGHT);
    ASSERT_NE(MenuOf(File), nullptr);

    // Down the cascade: Right on "&Recent" opens it, Left and Esc close only it.
    for (int key : {win::VK_LEFT, win::VK_ESCAPE}) {
        SCOPED_TRACE(key);
        File->GetItemLinks()->GetItem(2)->GetControl()->GetWindow()->SelectItemControl(
            File->GetItemLinks()->GetItem(2)->GetControl());
        Press(win::VK_RIGHT);
        ASSERT_NE(MenuOf(Recent), nullptr);
        EXPECT_EQ(GetActiveBarControl(), MenuOf(Recent));
        Press(key);
        EXPECT_EQ(MenuOf(Recent), nullptr);
        ASSERT_NE(MenuOf(File), nullptr);
        EXPECT_EQ(GetActiveBarControl(), MenuOf(File));
    }
    // Esc in the first menu closes it and leaves the menu bar in keyboard mode on its entry.
    Press(win::VK_ESCAPE);
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_EQ(GetActiveBarControl(), MainWindow());
    EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(0));
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(SubMenuTest, APersonalizedMenuExpandsAfter4000Ms) {
    MakePersonalizedMenuBar();
    // Opened by key its first entry is selected: 4000 ms later the expand arrow turns hot instead.
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    ASSERT_TRUE(MenuOf(File)->HasMark());
    EXPECT_FALSE(MenuOf(File)->GetExpandArrowRect().IsEmpty());
    Advance(4000);
    EXPECT_EQ(File->GetItemLinks()->GetShownItemCount(), 1);
    EXPECT_EQ(MenuOf(File)->GetMarkState(), 1);
    CloseAll();

    // A popup opened at a point with nothing selected expands 4000 ms later, and so does the rest of its
    // chain: its cascade opens in full.
    auto* popup = new TxbBarPopupMenu(Form);
    popup->SetUseRecentItems(true);
    AddButton(popup->GetItemLinks(), "Often")->GetLink(0)->SetUseCount(30);
    popup->GetItemLinks()->GetItem(0)->MoveToRecentFront(false);
    AddButton(popup->GetItemLinks(), "Seldom");
    popup->GetItemLinks()->Add()->SetItem(File);
    popup->GetItemLinks()->GetItem(1)->SetMostRecentlyUsed(false);
    popup->GetItemLinks()->GetItem(2)->SetMostRecentlyUsed(false);
    FScreen.Script([&] {
        ASSERT_NE(popup->GetControl(), nullptr);
        EXPECT_TRUE(popup->GetControl()->HasMark());
        EXPECT_EQ(popup->GetItemLinks()->GetShownItemCount(), 1);
    });
    FScreen.ScriptAdvance(FClock, 3999);
    FScreen.Script([&] { EXPECT_EQ(popup->GetItemLinks()->GetShownItemCount(), 1); });
    FScreen.ScriptAdvance(FClock, 1);
    FScreen.Script([&] {
        TxbBarSubMenuControl* menu = popup->GetControl();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(popup->GetItemLinks()->GetShownItemCount(), 3);
        EXPECT_FALSE(menu->HasMark());
        EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
        menu->SelectItemControl(popup->GetItemLinks()->GetItem(2)->GetControl());
        win::SendMessage(menu->GetHandle(), win::WM_KEYDOWN, win::VK_RIGHT, 0);
        ASSERT_NE(MenuOf(File), nullptr);
        EXPECT_EQ(File->GetItemLinks()->GetShownItemCount(), File->GetItemLinks()->GetVisibleItemCount());
        menu->DeactivateAll();
    });
    popup->Popup(200, 150);
    EXPECT_EQ(popup->GetControl(), nullptr);
    // A new chain starts short again.
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    EXPECT_EQ(File->GetItemLinks()->GetShownItemCount(), 1);
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(SubMenuTest, CtrlDownAndTheExpandArrowExpandAPersonalizedMenu) {
    MakePersonalizedMenuBar();
    Manager->SetShowFullMenusAfterDelay(false);
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    Advance(5000);
    EXPECT_EQ(File->GetItemLinks()->GetShownItemCount(), 1);
    Chord(win::VK_CONTROL, win::VK_DOWN);
    EXPECT_EQ(File->GetItemLinks()->GetShownItemCount(), File->GetItemLinks()->GetVisibleItemCount());
    CloseAll();

    // Resting on the arrow shows the hint; a click on the hot arrow expands.
    Chord(win::VK_MENU, 'E');
    TxbBarSubMenuControl* menu = MenuOf(Edit);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->HasMark());
    const win::TPoint arrow = CentreOnScreen(menu, menu->GetExpandArrowRect());
    MoveTo(arrow);
    EXPECT_EQ(menu->GetMarkState(), 1);
    Advance(BarHintShowDelay);
    ASSERT_NE(BarHintWindow(), nullptr);
    EXPECT_TRUE(win::IsWindowVisible(BarHintWindow()->GetHandle()));
    EXPECT_EQ(BarHintWindow()->GetText(), "Expand (Ctrl-Down)");
    FScreen.InjectClick(arrow);
    DrainMessages();
    EXPECT_EQ(Edit->GetItemLinks()->GetShownItemCount(), 2);
    EXPECT_FALSE(win::IsWindowVisible(BarHintWindow()->GetHandle()));
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

class TearOffTest : public SubMenuTest {
protected:
    void SetUp() override {
        SubMenuTest::SetUp();
        MakeMenuBar();
        Floating = Manager->GetBars()->Add();
        Floating->SetCaption("File");
        AddButton(Floating->GetItemLinks(), "Tool");
        File->SetDetachable(true);
        File->SetDetachingBar(Floating->GetIndex());
        Chord(win::VK_MENU, 'F');
        TxbBarSubMenuControl* menu = MenuOf(File);
        ASSERT_NE(menu, nullptr);
        const win::TRect strip = menu->GetDetachRect();
        ASSERT_FALSE(strip.IsEmpty());
        Strip = CentreOnScreen(menu, strip);
        MoveTo(Strip);
        ASSERT_TRUE(menu->GetDetachHot());
    }
    TxbBar* Floating = nullptr;
    win::TPoint Strip{};
};

TEST_F(TearOffTest, DraggingTheStripFloatsTheBarAtTheCursor) {
    const win::TPoint far{Strip.X + 200, Strip.Y + 150};
    FScreen.Script([&] {
        // Inside the 15-pixel zone nothing happens yet.
        FScreen.InjectMouse(headless::MouseAction::Move, win::TPoint{Strip.X, Strip.Y + 14});
    });
    FScreen.Script([&] {
        EXPECT_NE(MenuOf(File), nullptr);
        EXPECT_FALSE(Floating->GetVisible());
        FScreen.InjectMouse(headless::MouseAction::Move, far);
    });
    FScreen.Script([&] {
        EXPECT_EQ(MenuOf(File), nullptr);
        EXPECT_TRUE(Floating->GetVisible());
        EXPECT_EQ(Floating->GetDockingStyle(), dsNone);
        EXPECT_EQ(Floating->GetFloatLeft(), far.X - 100);
        FScreen.InjectMouse(headless::MouseAction::LeftUp, far);
    });
    FScreen.InjectMouse(headless::MouseAction::LeftDown, Strip);
    DrainMessages();
    EXPECT_TRUE(Floating->GetVisible());
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_FALSE(Manager->IsDetaching());
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(TearOffTest, ComingBackIntoTheZoneReopensTheMenu) {
    const win::TPoint far{Strip.X + 200, Strip.Y + 150};
    FScreen.Script([&] { FScreen.InjectMouse(headless::MouseAction::Move, far); });
    FScreen.Script([&] {
        EXPECT_TRUE(Floating->GetVisible());
        FScreen.InjectMouse(headless::MouseAction::Move, win::TPoint{Strip.X + 10, Strip.Y + 5});
    });
    FScreen.InjectMouse(headless::MouseAction::LeftDown, Strip);
    DrainMessages();
    EXPECT_FALSE(Floating->GetVisible());
    EXPECT_NE(MenuOf(File), nullptr);
    EXPECT_FALSE(Manager->IsDetaching());
    FScreen.InjectMouse(headless::MouseAction::LeftUp, win::TPoint{Strip.X + 10, Strip.Y + 5});
    DrainMessages();
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

} // namespace

namespace {

TEST_F(SubMenuTest, MenusArePlacedInTheWorkAreaOfTheirMonitor) {
    // Two monitors side by side; the left one's work area leaves 40 pixels at the bottom.
    FScreen.SetMonitors({{{0, 0, 800, 600}, {0, 0, 800, 560}, true}, {{800, 0, 1600, 600}, {800, 0, 1600, 600}, false}});
    MakeMenuBar();
    // A menu of Recent's entries, placed at a point with an opening item of the given size.
    struct Placed {
        win::TRect Bounds;
        bool FlippedH, FlippedV;
    };
    auto place = [&](win::TPoint at, int32_t ownerWidth, int32_t ownerHeight) {
        auto* menu = new TxbBarSubMenuControl(Manager);
        menu->SetItemLinks(Recent->GetItemLinks());
        Recent->GetItemLinks()->SetMenuWindow(menu);
        menu->SetOwnerSize(ownerWidth, ownerHeight);
        menu->SetRequestedPosition(at.X, at.Y);
        menu->HandleNeeded();
        Placed placed{{}, menu->GetFlippedHorizontally(), menu->GetFlippedVertically()};
        win::GetWindowRect(menu->GetHandle(), &placed.Bounds);
        menu->FreeMenu();
        return placed;
    };
    const Placed free = place({100, 100}, 0, 0);
    const int32_t w = free.Bounds.Width(), h = free.Bounds.Height();
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    struct Case {
        const char* name;
        win::TPoint at;
        int32_t ownerWidth, ownerHeight;
        win::TPoint want;
        bool flippedH, flippedV;
    };
    const Case cases[] = {
        {"room enough", {100, 100}, 0, 0, {100, 100}, false, false},
        {"beside an item at the right edge: on its left side", {790, 100}, 150, 0, {790 - 150 - w, 100}, true, false},
        {"at a point at the right edge: pushed in", {790, 100}, 0, 0, {800 - w, 100}, false, false},
        {"on the second monitor: its own edge", {1590, 100}, 0, 0, {1600 - w, 100}, false, false},
        {"below an entry near the bottom: above it", {100, 550}, 0, 20, {100, 550 - 20 - h}, false, true},
        {"beside an item near the bottom: shifted up", {100, 550}, 150, 0, {100, 560 - h}, false, false},
        {"at a point near the bottom: upward from it", {100, 550}, 0, 0, {100, 550 - h}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Placed placed = place(c.at, c.ownerWidth, c.ownerHeight);
        EXPECT_EQ(placed.Bounds.Left, c.want.X);
        EXPECT_EQ(placed.Bounds.Top, c.want.Y);
        EXPECT_EQ(placed.Bounds.Width(), w);
        EXPECT_EQ(placed.Bounds.Height(), h);
        EXPECT_EQ(placed.FlippedH, c.flippedH);
        EXPECT_EQ(placed.FlippedV, c.flippedV);
    }
    // Below an entry with less room above than below: clamped to the space below, and it scrolls.
    for (int i = 0; i < 60; ++i)
        AddButton(Recent->GetItemLinks(), "Entry " + std::to_string(i));
    auto* menu = new TxbBarSubMenuControl(Manager);
    menu->SetItemLinks(Recent->GetItemLinks());
    Recent->GetItemLinks()->SetMenuWindow(menu);
    menu->SetOwnerSize(0, 20);
    menu->SetRequestedPosition(100, 200);
    menu->HandleNeeded();
    win::TRect r{};
    win::GetWindowRect(menu->GetHandle(), &r);
    EXPECT_EQ(r.Top, 200);
    EXPECT_EQ(r.Bottom, 560);
    EXPECT_TRUE(menu->CanScrollDown());
    menu->FreeMenu();
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

} // namespace

namespace {

TEST_F(SubMenuTest, LeavingAnOpenCascadesEntryClosesItsMenu400MsLater) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* file = MenuOf(File);
    ASSERT_NE(file, nullptr);
    MoveTo(CentreOf(file, File->GetItemLinks()->GetItem(2)->GetControl()));
    Advance(400);
    ASSERT_NE(MenuOf(Recent), nullptr);
    MoveTo(CentreOf(file, File->GetItemLinks()->GetItem(1)->GetControl()));
    Advance(399);
    EXPECT_NE(MenuOf(Recent), nullptr);
    Advance(1);
    EXPECT_EQ(MenuOf(Recent), nullptr);
    EXPECT_NE(MenuOf(File), nullptr);
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(SubMenuTest, ClicksOnTheMenuBarOpenMenusAndMovingAlongItOpensTheNextAtOnce) {
    MakeMenuBar();
    for (TxbBarManagerStyle style : {bmsStandard, bmsEnhanced}) {
        SCOPED_TRACE(style);
        Manager->SetStyle(style);
        LayOutMainBar();
        const win::TPoint file = CentreOf(MainWindow(), MainControl(0));
        const win::TPoint edit = CentreOf(MainWindow(), MainControl(1));
        MoveTo(file);
        FScreen.InjectClick(file);
        DrainMessages();
        ASSERT_NE(MenuOf(File), nullptr);
        MoveTo(edit);
        EXPECT_EQ(MenuOf(File), nullptr);
        ASSERT_NE(MenuOf(Edit), nullptr);
        // A second click on the open entry closes its menu in the Standard style and leaves menu mode; the
        // Enhanced style keeps the menu open and the bar in menu mode, so moving on still opens the next menu.
        FScreen.InjectClick(edit);
        DrainMessages();
        if (style == bmsStandard) {
            EXPECT_EQ(MenuOf(Edit), nullptr);
            EXPECT_EQ(GetActiveBarControl(), nullptr);
        } else {
            ASSERT_NE(MenuOf(Edit), nullptr);
            EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(1));
            MoveTo(file);
            EXPECT_EQ(MenuOf(Edit), nullptr);
            EXPECT_NE(MenuOf(File), nullptr);
        }
        CloseAll();
    }
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

} // namespace

namespace {

TEST_F(SubMenuTest, ARightClickInAMenuOfTheMenuBarRunsNothing) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* file = MenuOf(File);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->IsInMenuChain());
    const win::TPoint open = CentreOf(file, File->GetItemLinks()->GetItem(0)->GetControl());
    MoveTo(open);
    FScreen.InjectMouse(headless::MouseAction::RightDown, open);
    FScreen.InjectMouse(headless::MouseAction::RightUp, open);
    DrainMessages();
    EXPECT_TRUE(Clicks.empty());
    EXPECT_NE(MenuOf(File), nullptr);
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

} // namespace
