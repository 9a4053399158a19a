#include "bars/xbBarPainter.h"

#include "bars/xbBarControl.h"
#include "bars/xbBarDraw.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarToolbar.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/controls/CommCtrl.h"

namespace bars {

int32_t TxbBarItemControlPainter::GetFloatingBorderWidth() const { return win::GetSystemMetrics(win::SM_CXFRAME); }

win::TSize TxbBarItemControlPainter::GetSizeGripSize(const TxbBarManager*) const {
    return {win::GetSystemMetrics(win::SM_CXHSCROLL), win::GetSystemMetrics(win::SM_CYHSCROLL)};
}

int32_t TxbBarItemControlPainter::GetFloatingBorderHeight() const {
    return win::GetSystemMetrics(win::SM_CYFRAME);
}

int32_t TxbBarItemControlPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    int32_t width = manager->GetButtonArrowWidth() * (manager->GetLargeIcons() ? 2 : 1);
    return width % 2 == 0 ? width + 1 : width;
}

int32_t TxbBarItemControlPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return manager->GetLargeButtonArrowWidth();
}

int32_t TxbBarItemControlPainter::GetSmallCaptionHeight() const {
    win::NONCLIENTMETRICS metrics;
    if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return win::GetSystemMetrics(win::SM_CYSMCAPTION) - 1;
    return metrics.iSmCaptionHeight;
}

win::DWORD TxbBarItemControlPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL; }

void TxbBarItemControlPainter::GetItemColors(TxbBarItemControl* control, TxbItemDrawStates, int32_t& textColor,
                                             win::HBRUSH& brush) const {
    textColor = int32_t(0x80000000u | win::COLOR_BTNTEXT);
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    brush = window && window->GetBkBrush() ? window->GetBkBrush() : GetBackgroundBrush(window);
}

int32_t TxbBarItemControlPainter::GetMenuCaptionOffset(TxbBarItemControl* control) const {
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    return window && window->IsMenu() ? window->GetMenuRowHeight() + 1 : 0;
}

int32_t TxbBarItemControlPainter::GetCaptionColor(TCustomxbBarControl*, bool active) const {
    return int32_t(0x80000000u | (active ? win::COLOR_ACTIVECAPTION : win::COLOR_INACTIVECAPTION));
}

int32_t TxbBarItemControlPainter::GetCaptionTextColor(TCustomxbBarControl*) const {
    return int32_t(0x80000000u | win::COLOR_CAPTIONTEXT);
}

int32_t TxbBarItemControlPainter::GetCaptionButtonColor(TCustomxbBarControl*, int32_t) const {
    return int32_t(0x80000000u | win::COLOR_CAPTIONTEXT);
}

win::HBRUSH TxbBarItemControlPainter::GetBarBrush(const TxbBarManager* manager) const {
    return manager ? manager->GetFlatFaceBrush() : nullptr;
}

win::HBRUSH TxbBarItemControlPainter::GetBackgroundBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_BTNFACE);
}

win::HBRUSH TxbBarItemControlPainter::GetBarBackgroundBrush(TxbBarControl* window) const {
    return GetBackgroundBrush(window);
}

win::HBRUSH TxbBarItemControlPainter::GetSecondaryBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_BTNSHADOW);
}

win::HBRUSH TxbBarItemControlPainter::GetFaceBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_BTNFACE);
}

win::HBRUSH TxbBarItemControlPainter::GetSelectionBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_HIGHLIGHT);
}

void TxbBarItemControlPainter::DrawDockBackground(TxbDockControl*, win::HDC dc, int32_t color, win::HBRUSH brush,
                                                  const win::TRect& rect, const win::TRect& offsetRect) const {
    FillRectOrTileBitmap(dc, rect, offsetRect, nullptr, color, brush);
}

void TxbBarItemControlPainter::DrawDockedBarBackground(TCustomxbBarControl*, win::HDC dc, int32_t,
                                                       win::HBRUSH brush, const win::TRect& rect,
                                                       const win::TRect&) const {
    win::FillRect(dc, &rect, brush);
}

void TxbBarItemControlPainter::DrawFloatingBarBackground(TCustomxbBarControl*, win::HDC dc, int32_t,
                                                         win::HBRUSH brush, const win::TRect& rect,
                                                         const win::TRect&) const {
    win::FillRect(dc, &rect, brush);
}

void TxbBarItemControlPainter::DrawFloatingBackground(TxbBarControl*, win::HDC dc, int32_t, win::HBRUSH brush,
                                                      const win::TRect& rect) const {
    win::FillRect(dc, &rect, brush);
}

win::TRect TxbBarItemControlPainter::GetDockedFrameWidths(TxbBarControl*) const {
    const int32_t w = GetDockedFrameWidth();
    return {w, w, w, w};
}

void TxbBarItemControlPainter::FillCaption(TCustomxbBarControl*, win::HDC dc, win::HBRUSH brush,
                                           const win::TRect& rect) const {
    win::FillRect(dc, &rect, brush);
}

int32_t TxbBarItemControlFlatPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetButtonArrowWidth(manager) - 1;
}

int32_t TxbBarItemControlFlatPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetLargeButtonArrowWidth(manager) - 1;
}

win::DWORD TxbBarItemControlFlatPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL | win::ES_MULTILINE; }

int32_t TxbBarItemControlXPPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetButtonArrowWidth(manager) + 3;
}

int32_t TxbBarItemControlXPPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetLargeButtonArrowWidth(manager) + 3;
}

win::DWORD TxbBarItemControlXPPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL | win::ES_MULTILINE; }

const TxbBarItemControlPainter* StandardPainter() {
    static const TxbBarItemControlStandardPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* EnhancedPainter() {
    static const TxbBarItemControlEnhancedPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* FlatPainter() {
    static const TxbBarItemControlFlatPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* Office11Painter() {
    static const TxbBarItemControlOffice11Painter painter;
    return &painter;
}

const TxbBarItemControlPainter* XPPainter() {
    static const TxbBarItemControlXPPainter painter;
    return &painter;
}

} // namespace bars
