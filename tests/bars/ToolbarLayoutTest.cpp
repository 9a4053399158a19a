// Toolbar layout: the single row of a docked bar with its end mark, the wrapped rows of a floating bar with
// their preference for whole groups, aligned links, a stretched link in a rotated vertical bar, and the size
// questions of the dock layout.
#include "ToolbarTestSupport.h"

using namespace bars;
using namespace barstest;

namespace {

class ToolbarLayoutTest : public ToolbarFixture {
protected:
    // A bar without frame shown in its dock, its window given a client size of its own.
    TxbBarControl* Show(TxbBar* bar, int32_t width, int32_t height) {
        bar->SetBorderStyle(bbsNone);
        bar->SetVisible(true);
        TxbBarControl* window = bar->GetControl();
        EXPECT_NE(window, nullptr);
        window->SetBounds(0, 0, width, height);
        return window;
    }
};

TEST_F(ToolbarLayoutTest, ADockedRowTooShortShowsTheFirstLinksAndItsEndMark) {
    TxbBar* bar = MakeBar(Buttons(5));
    TxbBarControl* window = Show(bar, 100, 22);
    window->SetTruncated(true);
    window->ArrangeItemLinks();
    EXPECT_TRUE(window->HasMark());
    // 89 pixels are left beside the mark: three buttons of 23.
    EXPECT_EQ(Rects(bar), (std::vector<win::TRect>{{0, 0, 23, 22}, {23, 0, 46, 22}, {46, 0, 69, 22}, {}, {}}));
    EXPECT_TRUE(bar->GetItemLinks()->GetItem(2)->GetControl()->GetEndsRow());
    EXPECT_FALSE(bar->GetItemLinks()->GetItem(1)->GetControl()->GetEndsRow());
    // The Standard family's mark: a box 11 wide and 9 high in the top-right corner.
    EXPECT_EQ(window->GetMarkRect(), (win::TRect{89, 0, 100, 9}));

    // Without the truncation (and no quick customizing in this style) there is no mark and all five fit in
    // a row long enough.
    window->SetTruncated(false);
    window->SetBounds(0, 0, 115, 22);
    window->ArrangeItemLinks();
    EXPECT_FALSE(window->HasMark());
    EXPECT_EQ(bar->GetItemLinks()->GetItem(4)->ItemRect, (win::TRect{92, 0, 115, 22}));
}

TEST_F(ToolbarLayoutTest, AFloatingBarMovesAWholeGroupToTheNextRow) {
    std::vector<LinkSpec> links = Buttons(7);
    links[3].Group = true;
    TxbBar* bar = MakeBar(links, dsNone);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    // Five buttons' width: group B would split after its first button, so all of it goes down, below a
    // separator's gap of 6.
    EXPECT_EQ(window->CalcSizeByWidth(dsNone, 5 * 23), (win::TSize{92, 22 + 6 + 22}));
    EXPECT_EQ(Rects(bar), (std::vector<win::TRect>{{0, 0, 23, 22},
                                                   {23, 0, 46, 22},
                                                   {46, 0, 69, 22},
                                                   {0, 28, 23, 50},
                                                   {23, 28, 46, 50},
                                                   {46, 28, 69, 50},
                                                   {69, 28, 92, 50}}));
    EXPECT_TRUE(bar->GetItemLinks()->GetItem(3)->GetControl()->GetStartsRow());
    EXPECT_TRUE(bar->GetItemLinks()->GetItem(2)->GetControl()->GetEndsRow());
    // The separator lies across the window above the second row.
    EXPECT_EQ(bar->GetItemLinks()->GetItem(3)->GetControl()->GetSeparatorRect(), (win::TRect{0, 22, 92, 28}));
}

TEST_F(ToolbarLayoutTest, AGroupThatFitsStaysWhenTheNextGroupGoesDown) {
    // A (2) | B (1) | C (3) in four buttons' width: C's first button would overflow, so C starts the next
    // row; B, whole on the first row, stays there.
    std::vector<LinkSpec> links = Buttons(6);
    links[2].Group = true;
    links[3].Group = true;
    TxbBar* bar = MakeBar(links, dsNone);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->CalcSizeByWidth(dsNone, 4 * 23), (win::TSize{46 + 6 + 23, 22 + 6 + 22}));
    const std::vector<win::TRect> rects = Rects(bar);
    EXPECT_EQ(rects[2], (win::TRect{52, 0, 75, 22}));
    EXPECT_EQ(rects[3], (win::TRect{0, 28, 23, 50}));
    EXPECT_EQ(rects[5], (win::TRect{46, 28, 69, 50}));
    EXPECT_FALSE(bar->GetItemLinks()->GetItem(2)->GetControl()->GetStartsRow());
    EXPECT_TRUE(bar->GetItemLinks()->GetItem(3)->GetControl()->GetStartsRow());
}

TEST_F(ToolbarLayoutTest, ASplitGroupSendsTheNextGroupToANewRow) {
    // A (2) | B (6) | C (1) in a width of four buttons and a bit: B cannot fit any row and is split; C would
    // fit after B's remainder but starts a row of its own.
    std::vector<LinkSpec> links = Buttons(9);
    links[2].Group = true;
    links[8].Group = true;
    TxbBar* bar = MakeBar(links, dsNone);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->CalcSizeByWidth(dsNone, 100), (win::TSize{92, 22 + 6 + 22 + 22 + 6 + 22}));
    const std::vector<win::TRect> rects = Rects(bar);
    EXPECT_EQ(rects[1], (win::TRect{23, 0, 46, 22}));
    EXPECT_EQ(rects[2], (win::TRect{0, 28, 23, 50}));
    EXPECT_EQ(rects[5], (win::TRect{69, 28, 92, 50}));
    EXPECT_EQ(rects[6], (win::TRect{0, 50, 23, 72}));
    EXPECT_EQ(rects[7], (win::TRect{23, 50, 46, 72}));
    EXPECT_EQ(rects[8], (win::TRect{0, 78, 23, 100}));
}

TEST_F(ToolbarLayoutTest, OnlyTheLastLinkTakesItsAlignment) {
    struct Case {
        const char* Name;
        TxbBarItemAlign First, Second, Last;
        std::vector<win::TRect> Expected;
    };
    const std::vector<Case> cases = {
        {"right-aligned links before the last stay left", iaLeft, iaRight, iaRight,
         {{0, 0, 23, 22}, {23, 0, 46, 22}, {177, 0, 200, 22}}},
        {"a first link aligned right stays left", iaRight, iaLeft, iaLeft,
         {{0, 0, 23, 22}, {23, 0, 46, 22}, {46, 0, 69, 22}}},
        {"centred", iaLeft, iaLeft, iaCenter, {{0, 0, 23, 22}, {23, 0, 46, 22}, {111, 0, 134, 22}}},
        {"stretched", iaLeft, iaClient, iaClient, {{0, 0, 23, 22}, {23, 0, 46, 22}, {46, 0, 200, 22}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<LinkSpec> links = Buttons(3);
        links[0].Align = c.First;
        links[1].Align = c.Second;
        links[2].Align = c.Last;
        TxbBar* bar = MakeBar(links);
        bar->SetShowMark(false);
        TxbBarControl* window = Show(bar, 200, 22);
        window->ArrangeItemLinks();
        EXPECT_EQ(Rects(bar), c.Expected);
        EXPECT_FALSE(window->GetTruncated());
        bar->SetVisible(false);
    }
}

TEST_F(ToolbarLayoutTest, AStretchedLinkOfARotatedVerticalBarMeasuresItsClientWidthAlongTheBar) {
    for (bool rotate : {true, false}) {
        SCOPED_TRACE(rotate);
        std::vector<LinkSpec> links = Buttons(2);
        links[1].Align = iaClient;
        TxbBar* bar = MakeBar(links, dsLeft);
        bar->SetShowMark(false);
        bar->SetRotateWhenVertical(rotate);
        auto* item = static_cast<TSizedItem*>(bar->GetItemLinks()->GetItem(1)->GetItem());
        item->AlignW = 80;
        item->AlignH = 10;
        TxbBarControl* window = Show(bar, 23, 300);
        EXPECT_EQ(window->GetMaxHeight(dsLeft), 22 + (rotate ? 80 : 10));
        window->ArrangeItemLinks();
        // Stretched to the end of the column.
        EXPECT_EQ(bar->GetItemLinks()->GetItem(1)->ItemRect, (win::TRect{0, 22, 23, 300}));
        bar->SetVisible(false);
    }
}

TEST_F(ToolbarLayoutTest, MinimumAndMaximumSizesPerStyle) {
    struct Case {
        TxbBarDockingStyle Style;
        bool Mark;
        int32_t MinW, MaxW, MinH, MaxH;
    };
    // Links 30 x 22, | 20 x 24, 40 x 20: a row of 30 + 6 + 20 + 40 = 96, a column of 22 + 6 + 24 + 20 = 72.
    const std::vector<Case> cases = {
        {dsTop, false, 30, 96, 24, 24},       {dsLeft, false, 40, 40, 22, 72},
        {dsNone, false, 40, 96, 24, 72},      {dsTop, true, 30 + 11, 96 + 11, 24, 24},
        {dsBottom, true, 30 + 11, 96 + 11, 24, 24}, {dsRight, true, 40, 40, 22 + 11, 72 + 11},
        {dsNone, true, 40, 96, 24, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.Style << " mark " << c.Mark);
        Manager->SetStyle(c.Mark ? bmsEnhanced : bmsStandard);
        TxbBar* bar = MakeBar({{30, 22}, {20, 24, true}, {40, 20}}, c.Style);
        bar->SetUseRecentItems(false);
        bar->SetShowMark(c.Mark);
        bar->SetVisible(true);
        TxbBarControl* window = bar->GetControl();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->GetMinWidth(c.Style), c.MinW);
        EXPECT_EQ(window->GetMaxWidth(c.Style), c.MaxW);
        EXPECT_EQ(window->GetMinHeight(c.Style), c.MinH);
        EXPECT_EQ(window->GetMaxHeight(c.Style), c.MaxH);
        bar->SetVisible(false);
    }
}

TEST_F(ToolbarLayoutTest, ABarWithoutLinksHasTheDefaultButtonSizeAndNoFault) {
    for (TxbBarDockingStyle style : {dsNone, dsTop, dsLeft}) {
        SCOPED_TRACE(style);
        TxbBar* bar = MakeBar({}, style);
        bar->SetShowMark(false);
        bar->SetVisible(true);
        TxbBarControl* window = bar->GetControl();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->GetMinWidth(style), Manager->GetButtonWidth());
        EXPECT_EQ(window->GetMinHeight(style), Manager->GetButtonHeight());
        const win::TSize size = window->CalcSizeByWidth(style, -50);
        EXPECT_GE(size.cx, 0);
        EXPECT_GE(size.cy, 0);
        window->ArrangeItemLinks();
        bar->SetVisible(false);
    }
}

TEST_F(ToolbarLayoutTest, TheDockSizesADockedToolbarFromItsLinks) {
    // A framed bar docked at the top: the dock row is the bar's row plus its frame.
    TxbBar* bar = MakeBar(Buttons(4));
    bar->SetShowMark(false);
    bar->SetVisible(true);
    TxbBarControl* window = bar->GetControl();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetWidth(), 4 * 23 + bar->GetNonClientWidth(dsTop));
    EXPECT_EQ(window->GetHeight(), 22 + bar->GetNonClientHeight(dsTop));
    EXPECT_EQ(Manager->GetBars()->GetDockControl(dsTop)->GetHeight(), window->GetHeight());
}

} // namespace
