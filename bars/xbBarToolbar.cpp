#include "bars/xbBarToolbar.h"

#include "bars/xbBarItemLinks.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

namespace bars {

// ---- TxbBarControl -------------------------------------------------------------------------------------------

namespace {
TxbBarControlFactory& Factory() {
    static TxbBarControlFactory factory;
    return factory;
}
} // namespace

const TxbBarControlFactory& GetBarControlFactory() { return Factory(); }

void SetBarControlFactory(TxbBarControlFactory factory) { Factory() = std::move(factory); }

TxbBarControl::TxbBarControl(TxbBar* bar) : TCustomxbBarControl(bar ? bar->GetBarManager() : nullptr), FBar(bar) {
    // Shown by the bar once it is placed.
    if (bar)
        SetItemLinks(bar->GetItemLinks());
}

TxbBarControl::~TxbBarControl() {
    DeactivateAll();
    // Out of the dock's rows, and the collection forgets its window.
    if (FDockControl) {
        TxbDockControl* dock = FDockControl;
        FDockControl = nullptr;
        dock->UndockBar(this, false);
    }
    if (FBar && FBar->GetItemLinks())
        FBar->GetItemLinks()->BarControlGone(this);
}

int32_t TxbBarControl::GetSeparatorSize() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetToolbarSeparatorSize() : 6;
}

bool TxbBarControl::AllowsMultipleRows() {
    return FBar && FBar->GetMultiLine() && FDockingStyle != dsNone;
}

void TxbBarControl::FrameChanged() {
    if (HandleAllocated())
        win::SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                              win::SWP_FRAMECHANGED);
}

void TxbBarControl::SetDockingStyle(TxbBarDockingStyle value) {
    if (value != FDockingStyle)
        FTruncated = false;
    FDockingStyle = value;
}

int32_t TxbBarControl::GetDockRowIndex() const {
    int32_t row = 0, col = 0;
    return FDockControl && FDockControl->FindWindow(this, row, col) ? row : 0;
}

int32_t TxbBarControl::GetDockColIndex() const {
    int32_t row = 0, col = 0;
    return FDockControl && FDockControl->FindWindow(this, row, col) ? col : 0;
}

void TxbBarControl::StorePosition() {
    TxbBarManager* manager = FBar ? FBar->GetBarManager() : nullptr;
    if (!FBar || !FBar->GetVisible() || FMoving || !manager || manager->IsDestroying())
        return;
    if (FDockingStyle == dsNone) {
        FBar->SetFloatLeft(GetLeft());
        FBar->SetFloatTop(GetTop());
        FBar->SetFloatClientWidth(GetClientWidth());
        FBar->SetFloatClientHeight(GetClientHeight());
        return;
    }
    if (manager->IsLoading())
        return;
    FBar->SetDockedDockingStyle(FDockingStyle);
    FBar->SetDockedDockControl(FDockControl && !FDockControl->IsManagerDock() ? FDockControl : nullptr);
    int32_t row = 0, col = 0;
    if (FDockControl && FDockControl->FindWindow(this, row, col)) {
        FBar->SetRow(row);
        FBar->SetOneOnRow(FDockControl->GetRow(row)->GetColCount() == 1);
    }
    FBar->SetDockedLeft(GetLeft());
    FBar->SetDockedTop(GetTop());
}

} // namespace bars
