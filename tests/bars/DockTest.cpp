// Dock rows with test windows: the row hit test, rows of whole-row bars, insertion, layout and the dock's
// own size.
#include "BarsTestSupport.h"

using namespace bars;
using namespace barstest;

namespace {

class DockTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Form->SetBounds(0, 0, 640, 480);
        Manager = MakeManager();
        Manager->SetStyle(bmsStandard);
    }
    // A visible docked bar whose window the setup shapes; docked at the client point of the dock.
    TxbBar* Dock(TxbBarDockingStyle style, win::TPoint at, std::function<void(TTestBarWindow*)> setup = nullptr,
                 std::function<void(TxbBar*)> before = nullptr) {
        ScopedTestWindows windows(setup);
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(style);
        if (before)
            before(bar);
        bar->SetVisible(true);
        TxbDockControl* dock = Manager->GetBars()->GetDockControl(style);
        TxbBarControl* window = bar->GetControl();
        // Moved as a user would: out of its row and in again at the point.
        dock->MoveBar(window, dock->ClientToScreen(at));
        return bar;
    }
    TxbDockControl* DockOf(TxbBarDockingStyle style) { return Manager->GetBars()->GetDockControl(style); }
    // The row a client point of the dock docks into.
    std::pair<int32_t, bool> RowAt(TxbDockControl* dock, win::TPoint client) {
        int32_t row = -5;
        bool newRow = false;
        dock->RowAtPoint(dock->ClientToScreen(client), row, newRow);
        return {row, newRow};
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(DockTest, RowZonesOnATopDock) {
    TxbDockControl* dock = DockOf(dsTop);
    EXPECT_EQ(RowAt(dock, {5, 5}), std::make_pair(0, true)); // no rows yet
    // Two rows of 26 pixels (22 + the 4-pixel frame): 0..25 and 26..51.
    Dock(dsTop, {0, 0});
    Dock(dsTop, {0, 40});
    ASSERT_EQ(dock->GetRowCount(), 2);
    EXPECT_EQ(dock->GetRowRect(1), (win::TRect{0, 26, dock->GetClientWidth(), 52}));
    struct Case {
        int32_t Y, Row;
        bool NewRow;
    };
    const Case cases[] = {
        {-23, 0, true}, {-10, 0, true}, {-9, 0, false}, {-1, 0, false}, // above the first row
        {0, 0, false},  {8, 0, false},                                  // the first 9 pixels of row 0
        {9, 1, true},   {13, 1, true},                                  // the band
        {14, 1, false}, {25, 1, false},                                 // the rest: the next row
        {26, 1, false}, {35, 2, true},  {40, 2, true},                  // row 1, its band, then a new last row
        {52, 2, true},  {80, 2, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowAt(dock, {10, c.Y}), std::make_pair(c.Row, c.NewRow)) << "y " << c.Y;
}

TEST_F(DockTest, RowZonesOnABottomDock) {
    TxbDockControl* dock = DockOf(dsBottom);
    Dock(dsBottom, {0, 0});
    Dock(dsBottom, {0, 40});
    ASSERT_EQ(dock->GetRowCount(), 2);
    ASSERT_EQ(dock->GetClientHeight(), 52);
    // On a far-side dock the band lies 14 to 9 pixels before a zone's end.
    struct Case {
        int32_t Y, Row;
        bool NewRow;
    };
    const Case cases[] = {
        {-23, 0, true}, {-10, 0, true}, {-9, 0, false}, {-1, 0, false}, // above the first row
        {0, 0, false},  {11, 0, false},                                 // row 0 up to its band
        {12, 1, true},  {16, 1, true},  {17, 1, false}, {30, 1, false}, // band, then row 1
        {38, 2, true},  {43, 2, true},  {52, 2, true},                  // band, then a new last row
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowAt(dock, {10, c.Y}), std::make_pair(c.Row, c.NewRow)) << "y " << c.Y;
}

TEST_F(DockTest, SnappingAndTheDockingZone) {
    TxbDockControl* dock = DockOf(dsTop);
    Dock(dsTop, {0, 0}); // one row, 0 .. 25
    auto snapped = [&](int32_t row, bool newRow) {
        win::TPoint p = dock->ClientToScreen({40, 100});
        dock->SnapPointToRow(row, newRow, p);
        return dock->ScreenToClient(p);
    };
    // Staying in row 0: the middle of the 9 pixels above it and its first 9.
    EXPECT_EQ(snapped(0, false), (win::TPoint{40, 0}));
    // A new first row: the middle of the band above row 0, -14 .. -10 (div truncates toward zero).
    EXPECT_EQ(snapped(0, true), (win::TPoint{40, -11}));
    // Row 1 (the row count, so never a new one): the end of row 0 after its band, 14 .. 25, shortened to the
    // 9 pixels of the zone after the rows, 26 .. 34: 17 .. 34.
    EXPECT_EQ(snapped(1, true), (win::TPoint{40, 26}));
    EXPECT_EQ(snapped(1, false), (win::TPoint{40, 26}));
    // The zone: the dock's bounds grown by 23 on every side of a horizontal dock, on the screen.
    const win::TRect bounds = dock->GetBoundsRect();
    const win::TPoint origin = Form->ClientToScreen({bounds.Left, bounds.Top});
    EXPECT_EQ(dock->GetDockingZone(), (win::TRect{origin.X - 23, origin.Y - 23, origin.X + bounds.Width() + 23,
                                                  origin.Y + bounds.Height() + 23}));
}

TEST_F(DockTest, AWholeRowBarNeverSharesARow) {
    TxbDockControl* dock = DockOf(dsTop);
    TxbBar* whole = Dock(dsTop, {0, 0}, nullptr, [](TxbBar* b) { b->SetWholeRow(true); });
    TxbBar* a = Dock(dsTop, {200, 2}); // into the whole bar's row: a new row instead
    EXPECT_EQ(dock->GetRowCount(), 2);
    TxbBar* b = Dock(dsTop, {300, 2}); // joins the other bar
    EXPECT_EQ(dock->GetRowCount(), 2);
    EXPECT_EQ(a->GetControl()->GetDockRowIndex(), b->GetControl()->GetDockRowIndex());
    // Docked into the row of the others, the whole-row bar makes a row of its own.
    dock->MoveBar(whole->GetControl(), dock->ClientToScreen({250, 2}));
    EXPECT_EQ(dock->GetRowCount(), 2);
    const int32_t row = whole->GetControl()->GetDockRowIndex();
    EXPECT_EQ(dock->GetRow(row)->GetColCount(), 1);
    EXPECT_EQ(whole->GetControl()->GetWidth(), dock->GetClientWidth());
}

TEST_F(DockTest, ColIndexAtFollowsTheDockedPositions) {
    TxbDockControl* dock = DockOf(dsTop);
    TxbBar* a = Dock(dsTop, {0, 0});
    TxbBar* b = Dock(dsTop, {300, 2});
    ASSERT_EQ(dock->GetRowCount(), 1);
    a->SetDockedLeft(0);
    b->SetDockedLeft(300);
    EXPECT_EQ(dock->ColIndexAt(0, dock->ClientToScreen({0, 5})), 0);
    EXPECT_EQ(dock->ColIndexAt(0, dock->ClientToScreen({150, 5})), 1);
    EXPECT_EQ(dock->ColIndexAt(0, dock->ClientToScreen({301, 5})), 2);
    EXPECT_EQ(dock->ColIndexAt(5, dock->ClientToScreen({0, 5})), 0); // no such row
}

TEST_F(DockTest, ARowThatFitsKeepsEveryWindowAtItsMaximum) {
    TxbDockControl* dock = DockOf(dsTop);
    const int32_t nc = 4 + 9; // frame and Standard grip
    TxbBar* a = Dock(dsTop, {0, 0}, [](TTestBarWindow* w) { w->MaxLength = 120; });
    TxbBar* b = Dock(dsTop, {300, 2}, [](TTestBarWindow* w) { w->MaxLength = 100; });
    EXPECT_EQ(a->GetControl()->GetBoundsRect(), (win::TRect{0, 0, 120 + nc, 26}));
    EXPECT_EQ(b->GetControl()->GetBoundsRect(), (win::TRect{300, 0, 300 + 100 + nc, 26}));
    EXPECT_FALSE(a->GetControl()->GetTruncated());
    EXPECT_EQ(dock->GetHeight(), 26);
}

TEST_F(DockTest, ARowThatDoesNotFitShrinksTheFirstWindow) {
    TxbDockControl* dock = DockOf(dsTop);
    const int32_t width = dock->GetClientWidth();
    const int32_t nc = 4 + 9;
    // The first window cannot show a mark; it shrinks (its minimum grows by the mark's 11 pixels).
    TxbBar* a = Dock(dsTop, {0, 0}, [](TTestBarWindow* w) {
        w->MaxLength = 500;
        w->Mark = false;
    });
    TxbBar* b = Dock(dsTop, {width - 300, 2}, [](TTestBarWindow* w) { w->MaxLength = 250; });
    auto* wa = static_cast<TTestBarWindow*>(a->GetControl());
    auto* wb = static_cast<TTestBarWindow*>(b->GetControl());
    // The second keeps its maximum at the free end; the first takes what is left and is truncated.
    EXPECT_EQ(wb->GetBoundsRect(), (win::TRect{width - 250 - nc, 0, width, 26}));
    EXPECT_EQ(wa->GetBoundsRect(), (win::TRect{0, 0, width - 250 - nc, 26}));
    EXPECT_TRUE(wa->GetTruncated());
    EXPECT_FALSE(wb->GetTruncated());
    // The truncated window was asked for its size less its frame and less the end mark.
    ASSERT_FALSE(wa->Asked.empty());
    EXPECT_EQ(wa->Asked.back(), width - 250 - nc - nc - 11);
}

TEST_F(DockTest, UseRestSpaceStretchesToTheNextWindow) {
    TxbDockControl* dock = DockOf(dsTop);
    TxbBar* a = Dock(dsTop, {0, 0}, nullptr, [](TxbBar* b) { b->SetUseRestSpace(true); });
    TxbBar* b = Dock(dsTop, {400, 2});
    EXPECT_EQ(a->GetControl()->GetLeft(), 0);
    EXPECT_EQ(a->GetControl()->GetWidth(), b->GetControl()->GetLeft());
    EXPECT_EQ(b->GetControl()->GetLeft(), 400);
    EXPECT_EQ(dock->GetRowCount(), 1);
}

TEST_F(DockTest, ARightDockGrowsLeftward) {
    Form->Show();
    DrainMessages();
    TxbDockControl* dock = DockOf(dsRight);
    const int32_t right = Form->GetClientWidth();
    Dock(dsRight, {0, 0});
    const int32_t one = dock->GetWidth();
    EXPECT_EQ(one, 26);
    EXPECT_EQ(dock->GetLeft() + dock->GetWidth(), right);
    // A second row: the dock gains a row's width to the left; its right edge stays.
    Dock(dsRight, {one + 15, 0});
    ASSERT_EQ(dock->GetRowCount(), 2);
    EXPECT_EQ(dock->GetWidth(), 2 * one);
    EXPECT_EQ(dock->GetLeft() + dock->GetWidth(), right);
}

TEST_F(DockTest, SettingsThatChangeButtonSizesLayTheBarsOutAgain) {
    TxbBar* bar = Dock(dsTop, {0, 0});
    bar->SetMultiLine(true); // a window that wraps is asked its size for the length it gets
    auto* window = static_cast<TTestBarWindow*>(bar->GetControl());
    const std::function<void()> changes[] = {
        [&] { Manager->SetLargeIcons(true); },
        [&] { Manager->SetButtonArrowWidth(15); },
        [&] { Manager->SetLargeButtonArrowWidth(20); },
        [&] { Manager->SetMakeDisabledImagesFaded(true); },
    };
    for (const auto& change : changes) {
        const size_t asked = window->Asked.size();
        change();
        EXPECT_GT(window->Asked.size(), asked);
    }
}

TEST_F(DockTest, BarsShownInListOrderKeepTheRowsTheyWereGiven) {
    // A main menu bar of its own row and a toolbar shown after it, as a form resource lists them; the
    // toolbar's rows are the ones the user set (and a layout stored them).
    struct Case {
        const char* name;
        int32_t toolbarRow;
        bool toolbarOneOnRow;
        int32_t wantMenuRow, wantToolbarRow;
    };
    const Case cases[] = {
        {"row 1", 1, false, 0, 1},
        {"row 1 alone", 1, true, 0, 1},
        {"row 5, the next row", 5, false, 0, 1},
        {"row 0, before the menu bar", 0, false, 1, 0},
        {"row 0 alone, before the menu bar", 0, true, 1, 0},
    };
    TxbDockControl* dock = DockOf(dsTop);
    ScopedTestWindows windows;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TxbBar* menu = Manager->GetBars()->Add();
        menu->SetIsMainMenu(true);
        menu->SetDockingStyle(dsTop);
        menu->SetWholeRow(true);
        menu->SetOneOnRow(true);
        TxbBar* toolbar = Manager->GetBars()->Add();
        toolbar->SetDockingStyle(dsTop);
        toolbar->SetRow(c.toolbarRow);
        toolbar->SetOneOnRow(c.toolbarOneOnRow);
        auto rowOf = [&](TxbBar* bar) {
            int32_t row = -1, col = -1;
            EXPECT_TRUE(dock->FindWindow(bar->GetControl(), row, col));
            return row;
        };
        // Shown twice: the second time from the rows the first showing stored.
        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE(pass);
            menu->SetVisible(true);
            toolbar->SetVisible(true);
            EXPECT_EQ(dock->GetRowCount(), 2);
            EXPECT_EQ(rowOf(menu), c.wantMenuRow);
            EXPECT_EQ(rowOf(toolbar), c.wantToolbarRow);
            EXPECT_EQ(menu->GetRow(), c.wantMenuRow);
            EXPECT_EQ(toolbar->GetRow(), c.wantToolbarRow);
            toolbar->SetVisible(false);
            menu->SetVisible(false);
        }
        delete toolbar;
        delete menu;
    }
}

TEST_F(DockTest, ARestoredRowFarBeyondTheRowsAppendsNoMoreThanTheBars) {
    TxbDockControl* dock = DockOf(dsTop);
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockingStyle(dsTop);
    bar->SetRow(2000000000);
    ScopedTestWindows windows;
    Manager->SetRestoringBars(true);
    bar->SetVisible(true);
    Manager->SetRestoringBars(false);
    // One bar: at most one empty row is appended, and the bar takes it.
    EXPECT_EQ(dock->GetRowCount(), 1);
    int32_t row = -1, col = -1;
    EXPECT_TRUE(dock->FindWindow(bar->GetControl(), row, col));
    EXPECT_EQ(row, 0);
    // A stored row within reach keeps its place: two more bars, rows 0 .. 2.
    TxbBar* later = Manager->GetBars()->Add();
    later->SetDockingStyle(dsTop);
    later->SetRow(2);
    Manager->SetRestoringBars(true);
    later->SetVisible(true);
    Manager->SetRestoringBars(false);
    ASSERT_TRUE(dock->FindWindow(later->GetControl(), row, col));
    EXPECT_EQ(row, 2);
    EXPECT_EQ(dock->GetRowCount(), 3);
}

} // namespace
