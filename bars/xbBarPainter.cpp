#include "bars/xbBarPainter.h"

#include "bars/xbBarManager.h"
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
