#include "controls/FcCommon.h"
#include "controls/FcTabs.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace controls;
using win::MouseAction;
using win::TPoint;
using win::TRect;

namespace {

// A tab control that records the moves tab dragging asks for.
class RecordingTabs : public TFcTabControl {
public:
    using TFcTabControl::TFcTabControl;
    std::vector<int32_t> Moves;

protected:
    void MoveActiveTab(int32_t index) override { Moves.push_back(index); }
};

class TabInputTest : public fctest::FormTest {
protected:
    TabInputTest() : FormTest(50, 50, 600, 400) {}
    RecordingTabs* AddTabs(std::initializer_list<const char*> captions) {
        auto* t = new RecordingTabs(FForm);
        t->SetParent(FForm);
        t->SetBounds(10, 10, 400, 150);
        for (const char* c : captions)
            t->GetTabNames()->Add(c);
        t->OnTabClick = [this](vcl::TObject*) { ++FTabClicks; };
        FForm->Show();
        Pump();
        t->InvalidateTabs();
        t->UpdateLayout();
        return t;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Mouse(MouseAction action, vcl::TControl* c, TPoint p) {
        FScreen.InjectMouse(action, c->ClientToScreen(p));
        Pump();
    }
    static TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2 + 2}; }
    static TPoint TabPoint(TFcCustomTabControl* t, int32_t i) { return Centre(t->TabRect(i)); }
    void Key(vcl::TWinControl* c, uint16_t vk) { c->Perform(win::WM_KEYDOWN, vk, 0); }

    int FTabClicks = 0;
};

TEST_F(TabInputTest, ClicksSelectFocusAndReportTheTab) {
    RecordingTabs* t = AddTabs({"One", "Two", "Three"});
    t->GetTabs()->Items(2)->Enabled = false;
    t->SetTabIndex(0);
    std::vector<int32_t> changing;
    t->OnChanging = [&](vcl::TObject*, int32_t i, bool&) { changing.push_back(i); };

    Mouse(MouseAction::LeftDown, t, TabPoint(t, 2));
    Mouse(MouseAction::LeftUp, t, TabPoint(t, 2));
    EXPECT_EQ(t->GetTabIndex(), 0) << "a disabled tab";
    EXPECT_EQ(FTabClicks, 0);
    EXPECT_TRUE(changing.empty());

    Mouse(MouseAction::LeftDown, t, TabPoint(t, 1));
    Mouse(MouseAction::LeftUp, t, TabPoint(t, 1));
    EXPECT_EQ(t->GetTabIndex(), 1);
    EXPECT_EQ(FTabClicks, 1);
    EXPECT_EQ(changing, std::vector<int32_t>{1});

    // The selected tab again: the control takes the focus and reports the click once more.
    FForm->SetActiveControl(nullptr);
    win::SetFocus(FForm->GetHandle());
    ASSERT_FALSE(t->Focused());
    Mouse(MouseAction::LeftDown, t, TabPoint(t, 1));
    Mouse(MouseAction::LeftUp, t, TabPoint(t, 1));
    EXPECT_TRUE(t->Focused());
    EXPECT_EQ(FTabClicks, 2);
    EXPECT_EQ(changing.size(), 1u);

    // A refusing OnChanging keeps the tab and reports no click.
    t->OnChanging = [](vcl::TObject*, int32_t, bool& allow) { allow = false; };
    Mouse(MouseAction::LeftDown, t, TabPoint(t, 0));
    Mouse(MouseAction::LeftUp, t, TabPoint(t, 0));
    EXPECT_EQ(t->GetTabIndex(), 1);
    EXPECT_EQ(FTabClicks, 2);
}

TEST_F(TabInputTest, NavigationKeys) {
    struct Case {
        const char* what;
        TFcTabSequence sequence;
        int32_t start;
        std::set<int32_t> disabled;
        uint16_t key;
        int32_t expected;
    };
    const Case cases[] = {
        {"Right steps forward", tsStandard, 1, {}, win::VK_RIGHT, 2},
        {"Down steps forward", tsStandard, 1, {}, win::VK_DOWN, 2},
        {"Left steps back", tsStandard, 1, {}, win::VK_LEFT, 0},
        {"Right wraps round", tsStandard, 3, {}, win::VK_RIGHT, 0},
        {"Up wraps round", tsStandard, 0, {}, win::VK_UP, 3},
        {"Right skips disabled tabs", tsStandard, 0, {1, 2}, win::VK_RIGHT, 3},
        {"reverse: Left steps forward", tsReverse, 1, {}, win::VK_LEFT, 2},
        {"reverse: Right steps back", tsReverse, 1, {}, win::VK_RIGHT, 0},
        {"Home over a disabled first tab", tsStandard, 3, {0}, win::VK_HOME, 1},
        {"End over a disabled last tab", tsStandard, 0, {3}, win::VK_END, 2},
        {"Home stops at the selected tab", tsStandard, 1, {0}, win::VK_HOME, 1},
        {"End runs off the list", tsStandard, 0, {1, 2, 3}, win::VK_END, 0},
        {"no selection: Right from the first", tsStandard, -1, {}, win::VK_RIGHT, 0},
        {"no selection: Left from the last", tsStandard, -1, {}, win::VK_LEFT, 3},
        {"no selection, reverse: Left from the first", tsReverse, -1, {}, win::VK_LEFT, 0},
        {"no selection, disabled first", tsStandard, -1, {0}, win::VK_DOWN, 1},
        {"every tab disabled", tsStandard, -1, {0, 1, 2, 3}, win::VK_RIGHT, -1},
        {"every tab disabled, Left", tsStandard, -1, {0, 1, 2, 3}, win::VK_LEFT, -1},
        {"every tab disabled, Home", tsStandard, -1, {0, 1, 2, 3}, win::VK_HOME, -1},
        {"every other tab disabled", tsStandard, 2, {0, 1, 3}, win::VK_RIGHT, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingTabs* t = AddTabs({"A", "B", "C", "D"});
        t->SetTabSequence(c.sequence);
        t->SetTabIndex(c.start);
        for (int32_t i : c.disabled)
            t->GetTabs()->Items(i)->Enabled = false;
        int asked = 0;
        t->OnChanging = [&](vcl::TObject*, int32_t, bool&) { ++asked; };
        FTabClicks = 0;
        Key(t, c.key);
        EXPECT_EQ(t->GetTabIndex(), c.expected);
        EXPECT_EQ(FTabClicks, c.expected != c.start ? 1 : 0);
        EXPECT_LE(asked, 1) << "OnChanging asked once for the tab chosen";
        t->Free();
    }
}

TEST_F(TabInputTest, HotTrackingFollowsTheMouseAndTheTimerClearsIt) {
    RecordingTabs* t = AddTabs({"One", "Two", "Three"});
    t->SetTabIndex(0);
    EXPECT_EQ(t->GetHotTab(), -1);
    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    EXPECT_EQ(t->GetHotTab(), 1);
    EXPECT_NE(t->GetHotTimer(), 0u);
    Mouse(MouseAction::Move, t, TabPoint(t, 2));
    EXPECT_EQ(t->GetHotTab(), 2);

    // The pointer leaves for the form, where the control hears no more moves: the timer clears the tab.
    FScreen.InjectMouse(MouseAction::Move, FForm->ClientToScreen({500, 300}));
    Pump();
    EXPECT_EQ(t->GetHotTab(), 2);
    FClock.Advance(59);
    Pump();
    EXPECT_EQ(t->GetHotTab(), 2);
    FClock.Advance(1);
    Pump();
    EXPECT_EQ(t->GetHotTab(), -1);
    EXPECT_EQ(t->GetHotTimer(), 0u);

    // Onto the card: cleared at once.
    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    ASSERT_EQ(t->GetHotTab(), 1);
    Mouse(MouseAction::Move, t, {200, 120});
    EXPECT_EQ(t->GetHotTab(), -1);

    // Neither hot tracking nor hints: the timer stops.
    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    ASSERT_NE(t->GetHotTimer(), 0u);
    t->SetHotTrack(false);
    EXPECT_EQ(t->GetHotTimer(), 0u);
}

TEST_F(TabInputTest, TabHintsOverTabsNoneOverTheBareStripTheOwnOnTheCard) {
    RecordingTabs* t = AddTabs({"One", "Two", "Three"});
    t->SetTabHints(true);
    t->SetHint("own");
    t->GetTabs()->Items(0)->Hint = "first";
    t->GetTabs()->Items(1)->Hint = "second";
    const TRect area = t->TabArea();
    const TPoint bare{area.Right - 10, (area.Top + area.Bottom) / 2};
    ASSERT_EQ(t->TabAtPos(bare.X, bare.Y), -1);

    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    EXPECT_EQ(t->GetHint(), "second");
    Mouse(MouseAction::Move, t, TabPoint(t, 0));
    EXPECT_EQ(t->GetHint(), "first");
    Mouse(MouseAction::Move, t, TabPoint(t, 2));
    EXPECT_EQ(t->GetHint(), "own") << "a tab without a hint";
    Mouse(MouseAction::Move, t, bare);
    EXPECT_EQ(t->GetHint(), "");
    Mouse(MouseAction::Move, t, {200, 120});
    EXPECT_EQ(t->GetHint(), "own");
}

TEST_F(TabInputTest, AcceleratorsSelectEnabledTabs) {
    RecordingTabs* t = AddTabs({"&Alpha", "&Beta", "&Gamma"});
    t->SetTabIndex(0);
    t->GetTabs()->Items(2)->Enabled = false;
    EXPECT_EQ(t->Perform(vcl::CM_DIALOGCHAR, 'b', 0), 1);
    EXPECT_EQ(t->GetTabIndex(), 1);
    EXPECT_TRUE(t->Focused());
    EXPECT_EQ(FTabClicks, 1);
    EXPECT_EQ(t->Perform(vcl::CM_DIALOGCHAR, 'b', 0), 1) << "the selected tab's accelerator is still taken";
    EXPECT_EQ(FTabClicks, 1);
    EXPECT_EQ(t->Perform(vcl::CM_DIALOGCHAR, 'g', 0), 0) << "a disabled tab";
    EXPECT_EQ(t->Perform(vcl::CM_DIALOGCHAR, 'x', 0), 0);
    EXPECT_EQ(t->GetTabIndex(), 1);
    // Through the form, as typed with Alt.
    FScreen.InjectKey(win::VK_MENU, true);
    FScreen.InjectKeyPress('A');
    FScreen.InjectKey(win::VK_MENU, false);
    Pump();
    EXPECT_EQ(t->GetTabIndex(), 0);
}

TEST_F(TabInputTest, DraggingTheActiveTabOntoAnotherMovesItThere) {
    RecordingTabs* t = AddTabs({"One", "Two", "Three"});
    t->SetAllowTabDragging(true);
    t->SetTabIndex(0);
    t->UpdateLayout();
    const TRect r2 = t->TabRect(2);
    const int32_t half = t->GetFixedDimension() / 2;

    Mouse(MouseAction::LeftDown, t, TabPoint(t, 0));
    Mouse(MouseAction::Move, t, {TabPoint(t, 0).X + 2, TabPoint(t, 0).Y});
    EXPECT_FALSE(t->Dragging() && t->GetMarkerShown()) << "within the threshold";
    Mouse(MouseAction::Move, t, TabPoint(t, 2));
    Mouse(MouseAction::Move, t, {TabPoint(t, 2).X + 1, TabPoint(t, 2).Y});
    ASSERT_TRUE(t->Dragging());
    EXPECT_EQ(t->GetDragTarget(), 2);
    ASSERT_TRUE(t->GetMarkerShown());
    // Top tabs after the selected one: 7 left to 8 right of the tab's right end, moved left by half the row
    // thickness for the single slant; 2 above to 6 below the outer edge.
    const TRect expected{r2.Right - 7 - half, r2.Top - 2, r2.Right + 8 - half, r2.Top + 6};
    EXPECT_EQ(t->GetMarkerRect(), expected);
    TFcMoveMarkerWindow* marker = t->GetMarkerWindow();
    ASSERT_NE(marker, nullptr);
    ASSERT_TRUE(marker->GetShown());
    const TPoint tl = t->ClientToScreen({expected.Left, expected.Top});
    EXPECT_EQ(marker->GetScreenRect(), (TRect{tl.X, tl.Y, tl.X + 15, tl.Y + 8}));
    EXPECT_TRUE(win::IsWindowVisible(marker->GetHandle()));
    // The marker: button shadow with two black triangles 8 pixels wide pointing at the edge between them.
    const win::COLORREF shadow = win::COLORREF(vcl::ColorToRGB(vcl::clBtnShadow));
    const win::COLORREF pixels[][3] = {
        // x, y, colour
        {0, 0, shadow}, {14, 7, shadow}, {3, 0, 0}, {10, 0, 0}, {2, 0, shadow}, {11, 0, shadow},
        {6, 3, 0},      {7, 3, 0},       {5, 3, shadow}, {3, 7, 0}, {10, 7, 0}, {7, 4, 0},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(FScreen.WindowPixel(marker->GetHandle(), int(p[0]), int(p[1])), p[2])
            << p[0] << "," << p[1];

    Mouse(MouseAction::LeftUp, t, {TabPoint(t, 2).X + 1, TabPoint(t, 2).Y});
    EXPECT_EQ(t->Moves, std::vector<int32_t>{2});
    EXPECT_FALSE(t->GetMarkerShown());
    EXPECT_FALSE(marker->GetShown());
    EXPECT_FALSE(win::IsWindowVisible(marker->GetHandle()));
    EXPECT_EQ(t->GetDragTarget(), -1);

    // A tab before the selected one: the marker at its left end.
    t->SetTabIndex(2);
    t->UpdateLayout();
    const TRect r0 = t->TabRect(0);
    EXPECT_EQ(t->MoveMarkerRect(0), (TRect{r0.Left - 8, r0.Top - 2, r0.Left + 7, r0.Top + 6}));

    // Dropped back on the selected tab: nothing moves and no marker stays.
    Mouse(MouseAction::LeftDown, t, TabPoint(t, 2));
    Mouse(MouseAction::Move, t, {TabPoint(t, 2).X + 2, TabPoint(t, 2).Y});
    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    Mouse(MouseAction::Move, t, {TabPoint(t, 1).X + 1, TabPoint(t, 1).Y});
    EXPECT_TRUE(t->GetMarkerShown());
    Mouse(MouseAction::Move, t, TabPoint(t, 2));
    EXPECT_FALSE(t->GetMarkerShown());
    Mouse(MouseAction::LeftUp, t, TabPoint(t, 2));
    EXPECT_EQ(t->Moves.size(), 1u);
    EXPECT_FALSE(marker->GetShown());
}

TEST_F(TabInputTest, TheHotTimerStopsWithTheControl) {
    RecordingTabs* t = AddTabs({"One", "Two"});
    Mouse(MouseAction::Move, t, TabPoint(t, 1));
    ASSERT_NE(t->GetHotTimer(), 0u);
    t->Free();
    FClock.Advance(200);
    Pump();
    SUCCEED();
}

} // namespace
