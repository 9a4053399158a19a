// Bars: names and captions, the main menu bar, placement rules, frame sizes, floating bars and the redraw lock.
#include "BarsTestSupport.h"

#include "platform/win/kernel/Sync.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserTypes.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"

using namespace bars;
using namespace barstest;

namespace {

class BarsTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(BarsTest, NamesComeFromCaptionsAndCaptionsStayUnique) {
    TxbBars* bars = Manager->GetBars();
    TxbBar* named = bars->Add();
    named->SetName("Toolbar");
    named->SetCaption("Standard");
    TxbBar* second = bars->Add();
    second->SetCaption("Toolbar");
    EXPECT_EQ(second->GetName(), "Toolbar1");
    second->SetCaption("Formatting");
    TxbBar* third = bars->Add();
    third->SetCaption("Toolbar");
    EXPECT_EQ(third->GetName(), "Toolbar2");
    // A caption another bar has is ignored.
    third->SetCaption("Standard");
    EXPECT_EQ(third->GetCaption(), "Toolbar");
    EXPECT_EQ(Manager->FindBarByCaption("Formatting"), second);
    EXPECT_EQ(Manager->FindBarByName("Toolbar2"), third);
    EXPECT_EQ(Manager->FindBarByName("toolbar2"), nullptr);
}

TEST_F(BarsTest, TheMainMenuBarMovesAndKeepsItsLines) {
    TxbBar* first = Manager->GetBars()->Add();
    TxbBar* second = Manager->GetBars()->Add();
    first->SetIsMainMenu(true);
    EXPECT_TRUE(first->GetWholeRow());
    EXPECT_TRUE(first->GetMultiLine());
    EXPECT_EQ(Manager->GetMainMenuBar(), first);
    // MultiLine cannot be switched off on the main menu bar.
    first->SetMultiLine(false);
    EXPECT_TRUE(first->GetMultiLine());
    EXPECT_FALSE(first->CanClose());
    second->SetIsMainMenu(true);
    EXPECT_EQ(Manager->GetMainMenuBar(), second);
    EXPECT_FALSE(first->GetIsMainMenu());
    EXPECT_FALSE(first->GetWholeRow());
    EXPECT_FALSE(first->GetMultiLine());
    EXPECT_TRUE(first->CanClose());
    delete second;
    EXPECT_EQ(Manager->GetMainMenuBar(), nullptr);
}

TEST_F(BarsTest, PlacementRules) {
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetRow(-3);
    EXPECT_EQ(bar->GetRow(), 0);
    bar->SetDockedLeft(-8);
    EXPECT_EQ(bar->GetDockedLeft(), 0);
    const TxbBarDockingStyles all{dsNone, dsLeft, dsTop, dsRight, dsBottom};
    bar->SetNotDocking(all);
    EXPECT_FALSE(bar->CanMove());
    bar->SetNotDocking(TxbBarDockingStyles{dsNone});
    EXPECT_TRUE(bar->CanMove());
    EXPECT_FALSE(Manager->CanDock(bar, dsNone, nullptr));
    EXPECT_TRUE(Manager->CanDock(bar, dsTop, nullptr));
    bar->SetNotDocking({});
    Manager->SetNotDocking(all);
    EXPECT_FALSE(bar->CanMove());
    EXPECT_FALSE(Manager->CanDock(bar, dsLeft, Manager->GetBars()->GetDockControl(dsLeft)));
    // A placed dock decides itself, and OnDocking has the last word.
    Manager->SetNotDocking({});
    auto* placed = new TxbBarDockControl(Form);
    placed->SetParent(Form);
    EXPECT_EQ(placed->GetBarManager(), Manager);
    placed->SetAllowDocking(false);
    EXPECT_FALSE(Manager->CanDock(bar, dsTop, placed));
    Manager->OnDocking = [](vcl::TObject*, TxbBarDockingStyle, TxbDockControl*, bool& can) { can = true; };
    EXPECT_TRUE(Manager->CanDock(bar, dsTop, placed));
    // A status bar: borderless, at the bottom, a whole row.
    bar->SetBorderStyle(bbsNone);
    bar->SetDockingStyle(dsBottom);
    bar->SetWholeRow(true);
    EXPECT_TRUE(bar->IsStatusBar());
    bar->SetWholeRow(false);
    EXPECT_FALSE(bar->IsStatusBar());
}

TEST_F(BarsTest, NonClientSizesFollowThePainter) {
    TxbBar* bar = Manager->GetBars()->Add();
    for (TxbBarManagerStyle style : {bmsStandard, bmsEnhanced}) {
        Manager->SetStyle(style);
        const TxbBarItemControlPainter* painter = style == bmsStandard ? StandardPainter() : EnhancedPainter();
        const int32_t frameX = win::GetSystemMetrics(win::SM_CXFRAME);
        const int32_t frameY = win::GetSystemMetrics(win::SM_CYFRAME);
        const int32_t caption = painter->GetSmallCaptionHeight() + 1;
        const int32_t side = style == bmsStandard ? 4 : 4; // both families share the Standard borders
        EXPECT_EQ(bar->GetNonClientWidth(dsNone), 2 * frameX + 2 * side) << style;
        EXPECT_EQ(bar->GetNonClientHeight(dsNone), 2 * frameY + caption + 2 + 1) << style;
        // Docked with a single border: 2 on each side plus the grip across the row's start.
        const int32_t grip = style == bmsStandard ? 2 + 2 * 3 + 1 : 1 + 3 + 2;
        bar->SetBorderStyle(bbsSingle);
        EXPECT_EQ(bar->GetNonClientWidth(dsTop), 4 + grip) << style;
        EXPECT_EQ(bar->GetNonClientHeight(dsTop), 4) << style;
        EXPECT_EQ(bar->GetNonClientWidth(dsLeft), 4) << style;
        EXPECT_EQ(bar->GetNonClientHeight(dsLeft), 4 + grip) << style;
        // A bar that cannot move has the painter's fixed grip (none here).
        bar->SetNotDocking({dsNone, dsLeft, dsTop, dsRight, dsBottom});
        EXPECT_EQ(bar->GetNonClientWidth(dsTop), 4) << style;
        bar->SetNotDocking({});
        // Borderless: nothing, but a status bar's top strip.
        bar->SetBorderStyle(bbsNone);
        EXPECT_EQ(bar->GetNonClientWidth(dsTop), 0);
        EXPECT_EQ(bar->GetNonClientHeight(dsTop), 0);
        bar->SetDockingStyle(dsBottom);
        bar->SetWholeRow(true);
        EXPECT_EQ(bar->GetNonClientHeight(dsBottom), 2);
        bar->SetWholeRow(false);
        bar->SetDockingStyle(dsNone);
    }
}

TEST_F(BarsTest, AFloatingBarShownWhileItsFormIsInactiveStaysHidden) {
    ScopedTestWindows windows;
    Form->Show();
    DrainMessages();
    auto* other = new vcl::TForm(nullptr);
    other->Show();
    DrainMessages();
    ASSERT_NE(win::GetActiveWindow(), Form->GetHandle());
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetFloatClientWidth(120);
    bar->SetVisible(true);
    ASSERT_NE(bar->GetControl(), nullptr);
    EXPECT_FALSE(bar->GetControl()->GetVisible());
    bar->SetVisible(false);
    EXPECT_EQ(bar->GetControl(), nullptr);
    // Without the option the bar shows.
    Manager->SetHideFloatingBarsWhenInactive(false);
    bar->SetVisible(true);
    EXPECT_TRUE(bar->GetControl()->GetVisible());
    bar->SetVisible(false);
    delete other;
}

TEST_F(BarsTest, ARemovedDockLeavesTheBarsThatUsedIt) {
    ScopedTestWindows windows;
    auto* placed = new TxbBarDockControl(Form);
    placed->SetParent(Form);
    placed->SetBounds(0, 100, 400, 30);
    const int32_t docks = Manager->GetDockControlCount();
    EXPECT_EQ(docks, 5); // the four edge docks and the placed one
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockControl(placed);
    bar->SetDockedDockControl(placed);
    bar->SetVisible(true);
    ASSERT_NE(bar->GetControl(), nullptr);
    EXPECT_EQ(bar->GetDockSite(), placed);
    EXPECT_EQ(placed->GetRowCount(), 1);
    placed->Free();
    EXPECT_EQ(Manager->GetDockControlCount(), docks - 1);
    EXPECT_EQ(bar->GetDockControl(), nullptr);
    EXPECT_EQ(bar->GetDockedDockControl(), nullptr);
    EXPECT_FALSE(bar->GetVisible());
    EXPECT_EQ(bar->GetControl(), nullptr);
    // The edge docks take the manager's colour.
    Manager->SetDockColor(vcl::clTeal);
    EXPECT_EQ(Manager->GetBars()->GetDockControl(dsTop)->GetColor(), vcl::clTeal);
    Manager->SetAutoDockColor(true);
    EXPECT_EQ(Manager->GetBars()->GetDockControl(dsTop)->GetColor(), Form->GetColor());
}

// Records WM_SETREDRAW sent to the edge docks.
std::vector<std::pair<win::HWND, win::WPARAM>>* GRedraws = nullptr;
win::LRESULT RecordRedraw(int code, win::WPARAM wParam, win::LPARAM lParam) {
    const auto* info = reinterpret_cast<const win::CWPSTRUCT*>(lParam);
    if (code >= 0 && GRedraws && info->message == win::WM_SETREDRAW)
        GRedraws->emplace_back(info->hwnd, info->wParam);
    return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(BarsTest, TheRedrawLockReachesTheVisibleEdgeDocks) {
    Form->Show();
    DrainMessages();
    TxbDockControl* top = Manager->GetBars()->GetDockControl(dsTop);
    TxbDockControl* left = Manager->GetBars()->GetDockControl(dsLeft);
    left->SetVisible(false);
    std::vector<std::pair<win::HWND, win::WPARAM>> redraws;
    GRedraws = &redraws;
    win::HHOOK hook = win::SetWindowsHookEx(win::WH_CALLWNDPROC, &RecordRedraw, nullptr, win::GetCurrentThreadId());
    {
        TxbBarRedrawLock outer(Manager);
        TxbBarRedrawLock inner(Manager);
    }
    win::UnhookWindowsHookEx(hook);
    GRedraws = nullptr;
    std::vector<win::WPARAM> toTop;
    for (auto [window, value] : redraws) {
        EXPECT_NE(window, left->GetHandle());
        if (window == top->GetHandle())
            toTop.push_back(value);
    }
    EXPECT_EQ(toTop, (std::vector<win::WPARAM>{0, 1}));
    EXPECT_EQ(redraws.size(), 6u); // three visible edge docks, locked and released once
}

} // namespace
