// The painter families: one immutable instance each, and each family's metrics and yes/no answers.
#include "BarsTestSupport.h"

#include "platform/win/user/Metrics.h"
#include "platform/win/user/controls/CommCtrl.h"

using namespace bars;
using namespace barstest;

namespace {

const TxbBarItemControlPainter* Family(int i) {
    const TxbBarItemControlPainter* families[] = {StandardPainter(), EnhancedPainter(), FlatPainter(),
                                                  Office11Painter(), XPPainter()};
    return families[i];
}

TEST(PainterFamiliesTest, EachFamilyIsOneInstanceOfItsClass) {
    const char* names[] = {"TxbBarItemControlStandardPainter", "TxbBarItemControlEnhancedPainter",
                           "TxbBarItemControlFlatPainter", "TxbBarItemControlOffice11Painter",
                           "TxbBarItemControlXPPainter"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(Family(i)->ClassName(), names[i]);
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(Family(i) == Family(j), i == j);
    }
    // The class tree: Enhanced is a Standard, Office11 a Flat; XP stands on the base alone.
    EXPECT_NE(dynamic_cast<const TxbBarItemControlStandardPainter*>(EnhancedPainter()), nullptr);
    EXPECT_NE(dynamic_cast<const TxbBarItemControlFlatPainter*>(Office11Painter()), nullptr);
    EXPECT_EQ(dynamic_cast<const TxbBarItemControlStandardPainter*>(XPPainter()), nullptr);
    EXPECT_EQ(dynamic_cast<const TxbBarItemControlFlatPainter*>(XPPainter()), nullptr);
}

TEST(PainterFamiliesTest, MetricsOfEachFamily) {
    // Columns: Standard, Enhanced, Flat, Office11, XP.
    struct Row {
        const char* Name;
        int32_t (*Get)(const TxbBarItemControlPainter*);
        int32_t Expected[5];
    };
    const Row rows[] = {
        {"GripIndent", [](auto* p) { return p->GetGripIndent(); }, {2, 1, 1, 3, 0}},
        {"GripSize", [](auto* p) { return p->GetGripSize(); }, {9, 6, 6, 8, 5}},
        {"GripBarWidth", [](auto* p) { return p->GetGripBarWidth(); }, {3, 3, 3, 3, 3}},
        {"FixedBarGripSize", [](auto* p) { return p->GetFixedBarGripSize(); }, {0, 0, 0, 2, 0}},
        {"MenuSeparatorIndent", [](auto* p) { return p->GetMenuSeparatorIndent(); }, {2, 12, 8, 8, 0}},
        {"PressedGlyphOffset", [](auto* p) { return p->GetPressedGlyphOffset(); }, {1, 1, 0, 0, 1}},
        {"DownGlyphOffset", [](auto* p) { return p->GetDownGlyphOffset(false); }, {1, 1, 0, 0, 1}},
        {"DownGlyphOffsetPressed", [](auto* p) { return p->GetDownGlyphOffset(true); }, {1, 1, 0, 0, 0}},
        {"LoweredFrameWidth", [](auto* p) { return p->GetLoweredFrameWidth(); }, {1, 1, 1, 1, 0}},
        {"MenuRowIndent", [](auto* p) { return p->GetMenuRowIndent(); }, {6, 6, 7, 7, 6}},
        {"ToolbarSeparatorSize", [](auto* p) { return p->GetToolbarSeparatorSize(); }, {6, 6, 5, 5, 6}},
        {"SeparatorLineOffset", [](auto* p) { return p->GetSeparatorLineOffset(); }, {2, 2, 2, 2, 2}},
        {"DockedFrameWidth", [](auto* p) { return p->GetDockedFrameWidth(); }, {1, 1, 1, 1, 0}},
        {"FloatingSideBorder", [](auto* p) { return p->GetFloatingSideBorder(); }, {4, 4, 0, 0, 0}},
        {"FloatingTopBorder", [](auto* p) { return p->GetFloatingTopBorder(); }, {2, 2, 0, 0, 0}},
        {"FloatingBottomBorder", [](auto* p) { return p->GetFloatingBottomBorder(); }, {1, 1, 0, 0, 0}},
        {"StatusBarTopBorder", [](auto* p) { return p->GetStatusBarTopBorder(); }, {2, 2, 2, 2, 2}},
        {"ButtonHeightIndent", [](auto* p) { return p->GetButtonHeightIndent(); }, {6, 6, 6, 6, 6}},
        {"ButtonWidthIndent", [](auto* p) { return p->GetButtonWidthIndent(); }, {7, 7, 7, 7, 7}},
        {"ComboButtonIndent", [](auto* p) { return p->GetComboButtonIndent(); }, {1, 1, 1, 1, 0}},
        {"DropDownListBorder", [](auto* p) { return p->GetDropDownListBorder(); }, {2, 2, 2, 2, 2}},
        {"MenuFrameWidth", [](auto* p) { return p->GetMenuFrameWidth(); }, {2, 2, 2, 2, 1}},
        {"MenuSeparatorHeight", [](auto* p) { return p->GetMenuSeparatorHeight(); }, {10, 10, 5, 5, 10}},
        {"MenuBorderIndent", [](auto* p) { return p->GetMenuBorderIndent(); }, {3, 3, 2, 2, 1}},
        {"MenuScrollArrowHeight", [](auto* p) { return p->GetMenuScrollArrowHeight(); }, {2, 2, 1, 1, 1}},
        {"EditCaptionWidth(40)", [](auto* p) { return p->CalcEditCaptionWidth(40); }, {46, 46, 51, 51, 51}},
        {"ProgressChunkSize", [](auto* p) { return p->GetProgressChunkSize(); }, {12, 12, 12, 12, 12}},
        {"FlatExtraIndent", [](auto* p) { return p->GetFlatExtraIndent(); }, {0, 0, 9, 9, 0}},
        {"MenuGlyphWidth(20)",
         [](auto* p) {
             int32_t w = 20;
             p->AdjustMenuGlyphWidth(w);
             return w;
         },
         {20, 20, 22, 22, 21}},
        {"MenuButtonWidth(20)",
         [](auto* p) {
             int32_t w = 20;
             p->AdjustMenuButtonWidth(w);
             return w;
         },
         {20, 20, 29, 29, 20}},
        {"MenuCaptionHeight(20)",
         [](auto* p) {
             int32_t h = 20;
             p->AdjustMenuCaptionHeight(h);
             return h;
         },
         {20, 20, 22, 22, 22}},
        {"DetachBarShrink.x", [](auto* p) { return p->GetDetachBarShrink().X; }, {3, 3, 2, 2, 2}},
        {"DetachBarShrink.y", [](auto* p) { return p->GetDetachBarShrink().Y; }, {3, 3, 2, 4, 2}},
    };
    for (const Row& row : rows)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(row.Get(Family(i)), row.Expected[i]) << row.Name << " of " << Family(i)->ClassName();
}

TEST(PainterFamiliesTest, YesNoAnswersOfEachFamily) {
    struct Row {
        const char* Name;
        bool (*Get)(const TxbBarItemControlPainter*);
        bool Expected[5];
    };
    const Row rows[] = {
        {"KeepsWindowBackgroundPressed", [](auto* p) { return p->KeepsWindowBackgroundPressed(); },
         {true, true, false, false, false}},
        {"HandlesRarelyUsedBackground", [](auto* p) { return p->HandlesRarelyUsedBackground(); },
         {false, false, false, true, false}},
        {"HasSplitDropDownHotTrack", [](auto* p) { return p->HasSplitDropDownHotTrack(); },
         {false, false, true, true, false}},
        {"HighlightsDropDownPart", [](auto* p) { return p->HighlightsDropDownPart(); },
         {true, true, true, false, true}},
        {"HasThemedBackground", [](auto* p) { return p->HasThemedBackground(); }, {false, false, false, true, true}},
        {"UsesFlatSelection", [](auto* p) { return p->UsesFlatSelection(); }, {false, false, true, true, false}},
        {"HotTracksMark", [](auto* p) { return p->HotTracksMark(); }, {false, false, true, true, true}},
        {"SupportsQuickCustomizing", [](auto* p) { return p->SupportsQuickCustomizing(); },
         {false, true, true, true, true}},
        {"HasThemedCaption", [](auto* p) { return p->HasThemedCaption(); }, {false, false, false, false, true}},
        {"UsesSystemCloseHitTest", [](auto* p) { return p->UsesSystemCloseHitTest(); },
         {true, true, false, false, false}},
        {"UsesSystemCaptionMetrics", [](auto* p) { return p->UsesSystemCaptionMetrics(); },
         {true, true, false, false, false}},
        {"AlignsQuickMenuLeft", [](auto* p) { return p->AlignsQuickMenuLeft(); }, {false, false, true, true, true}},
        {"HotTracksDropDownPart", [](auto* p) { return p->HotTracksDropDownPart(); },
         {false, false, true, true, false}},
        {"SeparatorsTakeSpace", [](auto* p) { return p->SeparatorsTakeSpace(); }, {true, true, false, false, false}},
        {"IsFlatLike", [](auto* p) { return p->IsFlatLike(); }, {false, false, true, true, true}},
    };
    for (const Row& row : rows)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(row.Get(Family(i)), row.Expected[i]) << row.Name << " of " << Family(i)->ClassName();
}

TEST(PainterFamiliesTest, SystemMetricsAndEditStyles) {
    for (int i = 0; i < 5; ++i) {
        const int32_t frame = i == 3 ? 3 : win::GetSystemMetrics(win::SM_CXFRAME);
        EXPECT_EQ(Family(i)->GetFloatingBorderWidth(), frame) << i;
        EXPECT_EQ(Family(i)->GetFloatingBorderHeight(), i == 3 ? 3 : win::GetSystemMetrics(win::SM_CYFRAME)) << i;
        EXPECT_EQ(Family(i)->GetFloatingCaptionHeight(), Family(i)->GetSmallCaptionHeight() + 1);
        const win::DWORD style = i >= 2 ? (win::ES_AUTOHSCROLL | win::ES_MULTILINE) : win::ES_AUTOHSCROLL;
        EXPECT_EQ(Family(i)->GetEditStyle(), style) << i;
    }
}

} // namespace
