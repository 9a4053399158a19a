// The manager's look: its effective style and painter family, the metrics it caches from the painter, the
// Flat brushes, the bar font, the redraw lock and the refreshes after image-list changes.
#include "bars/xbBarItem.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"
#include "bars/xbBarUtils.h"
#include "lookandfeel/lkLookAndFeels.h"
#include "lookandfeel/xbOffice11.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Metrics.h"

namespace bars {

TxbBarManagerStyle TxbBarManager::GetEffectiveStyle() const {
    if (FStyle != bmsUseLookAndFeel)
        return FStyle;
    if (FLookAndFeel->GetNativeStyle() && FThemeActive)
        return bmsXP;
    switch (FLookAndFeel->GetKind()) {
    case lookandfeel::lfFlat: return bmsEnhanced;
    case lookandfeel::lfStandard: return bmsStandard;
    case lookandfeel::lfUltraFlat: return bmsFlat;
    case lookandfeel::lfOffice11: return bmsOffice11;
    }
    return bmsStandard;
}

TxbBarItemControlPainterClass TxbBarManager::GetPainterClass() {
    // The look-and-feel object does not exist yet while the constructor takes its first painter: the
    // stored style decides then.
    const TxbBarManagerStyle style = FLookAndFeel ? GetEffectiveStyle() : FStyle;
    switch (style) {
    case bmsFlat: return FlatPainter();
    case bmsXP: return FThemeActive ? XPPainter() : EnhancedPainter();
    case bmsEnhanced: return EnhancedPainter();
    case bmsOffice11: return Office11Painter();
    default: return StandardPainter();
    }
}

void TxbBarManager::ReapplyStyle() {
    const bool was = FStyleChanging;
    FStyleChanging = true;
    FThemeActive = lookandfeel::AreThemesAvailable(lookandfeel::XPBarStyleElements);
    FPainterClass = GetPainterClass();
    FGripIndent = FPainterClass->GetGripIndent();
    FGripSize = FPainterClass->GetGripSize();
    FMenuSeparatorIndent = FPainterClass->GetMenuSeparatorIndent();
    UpdateSizeMetrics();
    ReleaseThemeBrush();
    CreateThemeBrush();
    // Every open toolbar window takes the new look.
    if (FBars && !IsDestroying())
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            if (TxbBarControl* window = FBars->GetItem(i)->GetControl())
                window->RefreshLook();
    FStyleChanging = was;
}

void TxbBarManager::UpdateSizeMetrics() {
    if (!FPainterClass)
        return;
    FImageSize = 16;
    if (FLargeIcons)
        FImageSize = UsesLargeImages() ? FLargeImages->GetWidth() : 32;
    FButtonWidth = FImageSize + FPainterClass->GetButtonWidthIndent();
    FButtonHeight = FImageSize + FPainterClass->GetButtonHeightIndent();
    FArrowWidth = FPainterClass->GetButtonArrowWidth(this);
}

// ---- Brushes ------------------------------------------------------------------------------------------------

namespace {

vcl::TColor MapChannels(vcl::TColor systemColor, int32_t (*map)(int32_t)) {
    const win::COLORREF c = win::COLORREF(vcl::ColorToRGB(systemColor));
    return vcl::TColor(win::RGB(uint8_t(map(win::GetRValue(c))), uint8_t(map(win::GetGValue(c))),
                                uint8_t(map(win::GetBValue(c)))));
}

win::HBRUSH SolidBrush(vcl::TColor color) { return win::CreateSolidBrush(win::COLORREF(color)); }

void FreeBrush(win::HBRUSH& brush) {
    if (brush)
        win::DeleteObject(brush);
    brush = nullptr;
}

} // namespace

vcl::TColor TxbBarManager::FlatBorderColor() {
    return GetRealColor(MapChannels(vcl::clBtnShadow, [](int32_t c) { return win::MulDiv(c, 8, 10); }));
}

vcl::TColor TxbBarManager::FlatFaceColor() {
    return GetRealColor(MapChannels(vcl::clBtnFace, [](int32_t c) { return c + win::MulDiv(255 - c, 16, 100); }));
}

vcl::TColor TxbBarManager::FlatCheckedColor() { return GetRealColor(lookandfeel::GetBlendedSystemColor(11, 9, 73)); }

vcl::TColor TxbBarManager::FlatPressedColor() { return GetRealColor(lookandfeel::GetBlendedSystemColor(14, 44, 40)); }

vcl::TColor TxbBarManager::FlatSelectedColor() {
    return GetRealColor(lookandfeel::GetBlendedSystemColor(-2, 30, 72));
}

void TxbBarManager::CreateBrushes() {
    FFlatBorderBrush = SolidBrush(FlatBorderColor());
    FFlatFaceBrush = SolidBrush(FlatFaceColor());
    FFlatCheckedBrush = SolidBrush(FlatCheckedColor());
    FFlatPressedBrush = SolidBrush(FlatPressedColor());
    FFlatSelectedColor = FlatSelectedColor();
    FFlatSelectedBrush = SolidBrush(FFlatSelectedColor);
}

void TxbBarManager::ReleaseBrushes() {
    FreeBrush(FFlatBorderBrush);
    FreeBrush(FFlatFaceBrush);
    FreeBrush(FFlatCheckedBrush);
    FreeBrush(FFlatPressedBrush);
    FreeBrush(FFlatSelectedBrush);
}

void TxbBarManager::CreateThemeBrush() {
    // The brush holds the themed toolbar's fill colour, which the bar drawing routines read from the theme;
    // it is made here once they exist. Until then it stays null.
}

void TxbBarManager::ReleaseThemeBrush() { FreeBrush(FThemedBarBrush); }

void TxbBarManager::RefreshGDIObjects() {
    ReleaseBrushes();
    CreateBrushes();
    ReleaseThemeBrush();
    CreateThemeBrush();
    lookandfeel::UpdateOffice11Colors();
}

// ---- Fonts --------------------------------------------------------------------------------------------------

void TxbBarManager::FontChanged(vcl::TObject*) {
    if (!FTakingSystemFont)
        FUseSystemFont = false;
    if (FScaled) {
        win::NONCLIENTMETRICS metrics;
        if (win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            auto callback = std::move(FFont->OnChange);
            FFont->OnChange = nullptr;
            FFont->SetHeight(metrics.lfMenuFont.lfHeight);
            FFont->OnChange = std::move(callback);
        }
    }
    CreateBarFontHandle(FFont.get(), FFontHandle, FScaled);
    // Bars and popup menus without a font of their own follow.
    if (FBars)
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            FBars->GetItem(i)->ManagerFontChanged();
    for (TxbBarPopupMenu* popup : std::vector<TxbBarPopupMenu*>(FPopupMenus))
        popup->ManagerFontChanged();
}

void TxbBarManager::TakeSystemFont() {
    win::NONCLIENTMETRICS metrics;
    if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return;
    if (FUseSystemFont) {
        const bool was = FTakingSystemFont;
        FTakingSystemFont = true;
        FFont->SetHandle(win::CreateFontIndirectA(&metrics.lfMenuFont));
        FTakingSystemFont = was;
    } else if (FScaled) {
        FFont->SetHeight(metrics.lfMenuFont.lfHeight);
    }
}

// ---- Redraw lock and image-list refreshes -------------------------------------------------------------------

void TxbBarManager::SetRedrawLocked(bool value) {
    if (value == FRedrawLocked)
        return;
    FRedrawLocked = value;
    for (TxbDockControl* dock : std::vector<TxbDockControl*>(FDockControls))
        if (dock->GetVisible() && dock->HandleAllocated())
            win::SendMessage(dock->GetHandle(), win::WM_SETREDRAW, value ? 0 : 1, 0);
    if (FBars)
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            FBars->GetItem(i)->SetRedrawLocked(value);
    if (value || IsDestroying())
        return;
    // Released: the docks lay themselves out again and repaint their frames.
    for (TxbDockControl* dock : std::vector<TxbDockControl*>(FDockControls))
        if (dock->GetVisible()) {
            dock->UpdateLayout();
            if (dock->HandleAllocated()) {
                win::RedrawWindow(dock->GetHandle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_FRAME);
            }
        }
}

void TxbBarManager::RefreshItemsUnderLock(const std::function<void(TxbBarItem*)>& refresh) {
    if (IsLoading() || IsDestroying())
        return;
    const bool was = FRedrawLocked;
    SetRedrawLocked(true);
    try {
        for (TxbBarItem* item : std::vector<TxbBarItem*>(FItems))
            refresh(item);
    } catch (...) {
        SetRedrawLocked(was);
        throw;
    }
    SetRedrawLocked(was);
}

void TxbBarManager::ImageListChanged(vcl::TChangeLink* link) {
    if (link == FImagesLink.get() || link == FDisabledImagesLink.get()) {
        RefreshItemsUnderLock([](TxbBarItem* item) {
            if (item->GetImageIndex() >= 0)
                item->GlyphChanged();
        });
    } else if (link == FLargeImagesLink.get() || link == FDisabledLargeImagesLink.get()) {
        RefreshItemsUnderLock([](TxbBarItem* item) {
            if (item->UsesLargeImages())
                item->GlyphChanged();
        });
    } else if (link == FHotImagesLink.get()) {
        RefreshItemsUnderLock([](TxbBarItem* item) {
            if (item->UsesHotImages())
                item->GlyphChanged();
        });
    }
}

} // namespace bars
