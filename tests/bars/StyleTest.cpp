// The manager's look: the painter family its style chooses, the metrics it caches, the Flat brushes, the
// bar font and the redraw lock.
#include "BarsTestSupport.h"

#include "lookandfeel/lkLookAndFeels.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"

#include <algorithm>
#include <cmath>

using namespace bars;
using namespace barstest;

namespace {

class StyleTest : public BarsFixture {};

TEST_F(StyleTest, ThePainterFollowsStyleLookAndFeelAndTheme) {
    RestartWith(MakeEngine(false));
    TxbBarManager* manager = MakeManager();
    // No style set: Enhanced.
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlEnhancedPainter");
    struct Case {
        TxbBarManagerStyle Style;
        lookandfeel::TlkLookAndFeelKind Kind;
        bool Native;
        const char* Painter;
    };
    const Case cases[] = {
        {bmsStandard, lookandfeel::lfFlat, false, "TxbBarItemControlStandardPainter"},
        {bmsEnhanced, lookandfeel::lfFlat, false, "TxbBarItemControlEnhancedPainter"},
        {bmsFlat, lookandfeel::lfFlat, false, "TxbBarItemControlFlatPainter"},
        {bmsOffice11, lookandfeel::lfFlat, false, "TxbBarItemControlOffice11Painter"},
        {bmsXP, lookandfeel::lfFlat, false, "TxbBarItemControlEnhancedPainter"}, // no theme
        {bmsUseLookAndFeel, lookandfeel::lfFlat, false, "TxbBarItemControlEnhancedPainter"},
        {bmsUseLookAndFeel, lookandfeel::lfStandard, false, "TxbBarItemControlStandardPainter"},
        {bmsUseLookAndFeel, lookandfeel::lfUltraFlat, false, "TxbBarItemControlFlatPainter"},
        {bmsUseLookAndFeel, lookandfeel::lfOffice11, false, "TxbBarItemControlOffice11Painter"},
        {bmsUseLookAndFeel, lookandfeel::lfUltraFlat, true, "TxbBarItemControlFlatPainter"}, // no theme
    };
    for (const Case& c : cases) {
        manager->GetLookAndFeel()->SetKind(c.Kind);
        manager->GetLookAndFeel()->SetNativeStyle(c.Native);
        manager->SetStyle(c.Style);
        EXPECT_STREQ(manager->GetPainter()->ClassName(), c.Painter) << c.Style << " " << c.Kind << " " << c.Native;
    }
    // Visual styles switched on: the theme notification re-applies the style and XP takes over.
    manager->SetStyle(bmsXP);
    win::SetThemeEngine(MakeEngine(true));
    EXPECT_TRUE(manager->GetThemeActive());
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlXPPainter");
    manager->SetStyle(bmsUseLookAndFeel);
    EXPECT_EQ(manager->GetEffectiveStyle(), bmsXP); // NativeStyle on
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlXPPainter");
    manager->GetLookAndFeel()->SetNativeStyle(false);
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlFlatPainter");
    win::SetThemeEngine(MakeEngine(false));
    manager->SetStyle(bmsXP);
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlEnhancedPainter");
}

TEST_F(StyleTest, EachStyleCachesItsGripIndentAndArrowMetrics) {
    TxbBarManager* manager = MakeManager();
    struct Case {
        TxbBarManagerStyle Style;
        int32_t GripSize, SeparatorIndent, Arrow;
    };
    const Case cases[] = {{bmsStandard, 2 + 2 * 3 + 1, 2, 11},
                          {bmsEnhanced, 1 + 3 + 2, 12, 11},
                          {bmsFlat, 1 + 3 + 2, 8, 10},
                          {bmsOffice11, 3 + 3 + 2, 8, 10}};
    for (const Case& c : cases) {
        manager->SetStyle(c.Style);
        EXPECT_EQ(manager->GetGripSize(), c.GripSize) << c.Style;
        EXPECT_EQ(manager->GetMenuSeparatorIndent(), c.SeparatorIndent) << c.Style;
        EXPECT_EQ(manager->GetArrowWidth(), c.Arrow) << c.Style;
    }
    EXPECT_EQ(XPPainter()->GetButtonArrowWidth(manager), 14);
    manager->SetStyle(bmsEnhanced);
    manager->SetLargeIcons(true);
    EXPECT_EQ(manager->GetArrowWidth(), 23); // 22 raised to the next odd number
    EXPECT_EQ(manager->GetImageSize(), 32);
    manager->SetButtonArrowWidth(12);
    manager->SetLargeIcons(false);
    EXPECT_EQ(manager->GetArrowWidth(), 13);
}

TEST_F(StyleTest, LargeImagesSetTheButtonSize) {
    TxbBarManager* manager = MakeManager();
    EXPECT_EQ(manager->GetButtonWidth(), 16 + 7);
    EXPECT_EQ(manager->GetButtonHeight(), 16 + 6);
    vcl::TCustomImageList large(Form, 24, 24);
    manager->SetLargeImages(&large);
    manager->SetUseLargeImagesForLargeIcons(true);
    manager->SetLargeIcons(true);
    EXPECT_EQ(manager->GetImageSize(), 24);
    EXPECT_EQ(manager->GetButtonWidth(), 31);
    EXPECT_EQ(manager->GetButtonHeight(), 30);
    manager->SetLargeImages(nullptr);
    EXPECT_EQ(manager->GetImageSize(), 32);
}

TEST_F(StyleTest, TheFlatBrushesHoldTheDerivedColours) {
    const win::INT elements[] = {win::COLOR_BTNSHADOW, win::COLOR_BTNFACE, win::COLOR_HIGHLIGHT, win::COLOR_WINDOW};
    const win::COLORREF values[] = {win::RGB(128, 100, 51), win::RGB(212, 208, 200), win::RGB(10, 36, 106),
                                    win::RGB(255, 255, 255)};
    win::SetSysColors(4, elements, values);
    TxbBarManager* manager = MakeManager();
    auto brushColour = [](win::HBRUSH brush) {
        win::LOGBRUSH lb{};
        win::GetObject(brush, sizeof(lb), &lb);
        return int32_t(lb.lbColor);
    };
    // Border: 8/10 of each shadow channel, rounded; face: c + (255 - c) * 16 / 100, rounded.
    EXPECT_EQ(brushColour(manager->GetFlatBorderBrush()), int32_t(win::RGB(102, 80, 41)));
    EXPECT_EQ(brushColour(manager->GetFlatFaceBrush()), int32_t(win::RGB(219, 216, 209)));
    // The blends: percentages of face, highlight and window per channel.
    auto blend = [](int f, int h, int w) {
        const int face[3] = {212, 208, 200}, hi[3] = {10, 36, 106}, wi[3] = {255, 255, 255};
        int c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = std::clamp(int(std::lround(face[i] * f / 100.0) + std::lround(hi[i] * h / 100.0) +
                                  std::lround(wi[i] * w / 100.0)),
                              0, 255);
        return int32_t(win::RGB(uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])));
    };
    EXPECT_EQ(brushColour(manager->GetFlatCheckedBrush()), blend(11, 9, 73));
    EXPECT_EQ(brushColour(manager->GetFlatPressedBrush()), blend(14, 44, 40));
    EXPECT_EQ(brushColour(manager->GetFlatSelectedBrush()), blend(-2, 30, 72));
    EXPECT_EQ(manager->GetFlatSelectedColor(), blend(-2, 30, 72));
}

TEST_F(StyleTest, NestedRedrawLocksRestoreWhatTheyFound) {
    TxbBarManager* manager = MakeManager();
    {
        TxbBarRedrawLock outer(manager);
        EXPECT_TRUE(manager->GetRedrawLocked());
        {
            TxbBarRedrawLock inner(manager);
            EXPECT_TRUE(manager->GetRedrawLocked());
        }
        EXPECT_TRUE(manager->GetRedrawLocked()); // the inner end does not release the outer lock
    }
    EXPECT_FALSE(manager->GetRedrawLocked());
}

TEST_F(StyleTest, AChangedFontTurnsUseSystemFontOff) {
    TxbBarManager* manager = MakeManager();
    EXPECT_TRUE(manager->GetUseSystemFont());
    win::NONCLIENTMETRICS metrics;
    win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    EXPECT_EQ(manager->GetFont()->GetName(), metrics.lfMenuFont.lfFaceName);
    EXPECT_NE(manager->GetFontHandle(), nullptr);
    manager->GetFont()->SetName("Arial");
    EXPECT_FALSE(manager->GetUseSystemFont());
    manager->SetUseSystemFont(true);
    EXPECT_TRUE(manager->GetUseSystemFont());
    EXPECT_EQ(manager->GetFont()->GetName(), metrics.lfMenuFont.lfFaceName);
}

TEST_F(StyleTest, AManagerReturnsItsGdiObjects) {
    std::vector<int> before;
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        before.push_back(win::GdiObjectCount(win::GdiKind(k)));
    TxbBarManager* manager = MakeManager();
    manager->GetFont()->SetName("Arial");
    manager->SetStyle(bmsFlat);
    delete manager;
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        EXPECT_EQ(win::GdiObjectCount(win::GdiKind(k)), before[size_t(k)]) << "kind " << k;
}

} // namespace

namespace {

// An item that counts the glyph refreshes it hears and whether the redraw lock was held then.
class TGlyphItem : public TxbBarItem {
public:
    using TxbBarItem::TxbBarItem;
    void GlyphChanged() override {
        ++Refreshes;
        LockedThen = GetBarManager()->GetRedrawLocked();
        TxbBarItem::GlyphChanged();
    }
    bool UsesLargeImages() const override { return Large; }
    bool UsesHotImages() const override { return Hot; }
    int Refreshes = 0;
    bool LockedThen = false;
    bool Large = false;
    bool Hot = false;
};

class ImageListRefreshTest : public BarsFixture {};

TEST_F(ImageListRefreshTest, EachListRefreshesTheItemsThatUseItUnderTheRedrawLock) {
    TxbBarManager* manager = MakeManager();
    auto* indexed = new TGlyphItem(Form);
    indexed->SetImageIndex(0);
    auto* plain = new TGlyphItem(Form);
    auto* large = new TGlyphItem(Form);
    large->Large = true;
    auto* hot = new TGlyphItem(Form);
    hot->Hot = true;
    auto counts = [&] {
        return std::vector<int>{indexed->Refreshes, plain->Refreshes, large->Refreshes, hot->Refreshes};
    };
    const std::vector<int> before = counts();
    vcl::TCustomImageList images(Form, 16, 16), largeImages(Form, 32, 32), hotImages(Form, 16, 16);
    manager->SetImages(&images);
    EXPECT_EQ(counts(), (std::vector<int>{before[0] + 1, before[1], before[2], before[3]}));
    EXPECT_TRUE(indexed->LockedThen);
    EXPECT_FALSE(manager->GetRedrawLocked());
    manager->SetLargeImages(&largeImages);
    manager->SetHotImages(&hotImages);
    EXPECT_EQ(counts(), (std::vector<int>{before[0] + 1, before[1], before[2] + 1, before[3] + 1}));
    // A change inside a list reaches the items through the change link.
    vcl::TBitmap strip;
    strip.SetSize(16, 16);
    images.Add(&strip, nullptr);
    EXPECT_EQ(indexed->Refreshes, before[0] + 2);
    // A list freed leaves the manager.
    manager->SetHotImages(nullptr);
    EXPECT_EQ(manager->GetHotImages(), nullptr);
    manager->SetImages(nullptr);
    manager->SetLargeImages(nullptr);
}

TEST_F(ImageListRefreshTest, AFreedImageListLeavesTheManager) {
    TxbBarManager* manager = MakeManager();
    auto* images = new vcl::TCustomImageList(Form, 16, 16);
    manager->SetImages(images);
    images->Free();
    EXPECT_EQ(manager->GetImages(), nullptr);
}

TEST_F(ImageListRefreshTest, BarBackgroundsAreKeptAndCopied) {
    TxbBarManager* manager = MakeManager();
    manager->SetStyle(bmsFlat);
    vcl::TBitmap tile;
    tile.SetSize(8, 8);
    manager->GetBackgrounds()->SetBar(&tile);
    EXPECT_FALSE(manager->GetBackgrounds()->GetBar()->GetEmpty());
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TxbBarItemControlFlatPainter");
    TxbBarBackgrounds copy(manager);
    copy.Assign(manager->GetBackgrounds());
    EXPECT_EQ(copy.GetBar()->GetWidth(), 8);
}

} // namespace
