// The tab control's input: clicks, hot tracking with the tabs' hints, keys and accelerators, and moving the
// active tab by dragging it onto another.
#include "controls/FcTabs.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

namespace controls {

namespace {

constexpr uintptr_t HotTimerId = 1;
constexpr win::UINT HotTimerMs = 60;

bool InRect(const TRect& r, int32_t x, int32_t y) {
    return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

} // namespace

// ---- The marker window ---------------------------------------------------------------------------------

TFcMoveMarkerWindow::TFcMoveMarkerWindow(vcl::TComponent* owner)
    : vcl::TCustomControl(owner), FBitmap(std::make_unique<vcl::TBitmap>()) {
    FVisible = false;
}

TFcMoveMarkerWindow::~TFcMoveMarkerWindow() = default;

void TFcMoveMarkerWindow::CreateParams(vcl::TCreateParams& p) {
    vcl::TCustomControl::CreateParams(p);
    p.Style = win::WS_POPUP;
    p.ExStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_NOACTIVATE;
    p.WndParent = nullptr;
}

void TFcMoveMarkerWindow::ShowAt(const TRect& screenRect, vcl::TBitmap* bitmap) {
    FBitmap->Assign(bitmap);
    FScreenRect = screenRect;
    HandleNeeded();
    FShown = true;
    win::SetWindowPos(GetHandle(), win::HWND_TOPMOST, screenRect.Left, screenRect.Top, screenRect.Width(),
                      screenRect.Height(), win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE);
    win::InvalidateRect(GetHandle(), nullptr, win::FALSE);
}

void TFcMoveMarkerWindow::Hide() {
    if (!FShown)
        return;
    FShown = false;
    if (HandleAllocated())
        win::ShowWindow(GetHandle(), win::SW_HIDE);
}

void TFcMoveMarkerWindow::Paint() { GetCanvas()->Draw(0, 0, FBitmap.get()); }

void TFcMoveMarkerWindow::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_NCHITTEST:
        m.Result = win::HTTRANSPARENT;
        return;
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    default:
        vcl::TCustomControl::Dispatch(m);
    }
}

// ---- Messages ------------------------------------------------------------------------------------------

bool TFcCustomTabControl::InputMessage(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_GETDLGCODE:
        m.Result = win::DLGC_WANTARROWS;
        return true;
    case win::WM_TIMER:
        if (m.WParam != HotTimerId)
            return false;
        HotTimerTick();
        return true;
    case win::WM_DESTROY:
        // The timer goes with the window.
        StopHotTimer();
        return false;
    case vcl::CM_DIALOGCHAR:
        if (DialogChar(uint16_t(m.WParam))) {
            m.Result = 1;
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- Mouse ---------------------------------------------------------------------------------------------

void TFcCustomTabControl::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseDown(button, shift, x, y);
    const bool designing = GetComponentState().Contains(vcl::csDesigning);
    if (button != vcl::mbLeft || (!GetEnabled() && !designing))
        return;
    const int32_t t = TabAtPos(x, y);
    if (t < 0 || !FTabs->Items(t)->Enabled)
        return;
    if (GetTabStop() && t == FTabIndex && !designing) {
        SetFocus();
        if (!Focused())
            return;
    }
    SetTabIndex(t);
    if (FTabIndex == t)
        DoTabClick();
}

void TFcCustomTabControl::MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) {
    if (!GetComponentState().Contains(vcl::csDesigning) && (FHotTrack || FTabHints)) {
        const int32_t t = TabAtPos(x, y);
        if (t < 0) {
            const bool wasHot = FHotTab >= 0;
            if (wasHot)
                ClearHotTab();
            if (InRect(TabArea(), x, y)) {
                if (FTabHints) {
                    if (wasHot || FTabHintShown || !GetHint().empty())
                        vcl::Application->CancelHint();
                    ShowTabHint("");
                }
            } else {
                RestoreOwnHint();
            }
        } else if (t != FHotTab) {
            FHotTab = t;
            if (FHotTrack && HandleAllocated()) {
                const TRect area = TabArea();
                win::RECT r{area.Left, area.Top, area.Right + 1, area.Bottom + 1};
                win::InvalidateRect(GetHandle(), &r, win::FALSE);
                FHotRepaintOnly = true;
            }
            if (FTabHints) {
                vcl::Application->CancelHint();
                const std::string& hint = FTabs->Items(t)->Hint;
                if (hint.empty())
                    RestoreOwnHint();
                else
                    ShowTabHint(hint);
            }
            if (FHotTimer == 0 && HandleAllocated())
                FHotTimer = win::SetTimer(GetHandle(), HotTimerId, HotTimerMs, nullptr);
        }
    }
    vcl::TCustomControl::MouseMove(shift, x, y);
    if (FAllowTabDragging && shift.Contains(vcl::ssLeft) && !Dragging() && TabAtPos(x, y) >= 0)
        BeginDrag(false);
}

void TFcCustomTabControl::ShowTabHint(const std::string& hint) {
    if (!FTabHintShown) {
        // What the control's own hint is now is what comes back when the tabs' hints go.
        FOwnHint = GetHint();
        FTabHintShown = true;
    }
    SetHint(hint);
}

void TFcCustomTabControl::RestoreOwnHint() {
    if (!FTabHintShown)
        return;
    FTabHintShown = false;
    SetHint(FOwnHint);
}

void TFcCustomTabControl::StopHotTimer() {
    if (FHotTimer == 0)
        return;
    if (HandleAllocated())
        win::KillTimer(GetHandle(), FHotTimer);
    FHotTimer = 0;
}

void TFcCustomTabControl::ClearHotTab() {
    StopHotTimer();
    FHotTab = -1;
    if (HandleAllocated()) {
        const TRect area = TabArea();
        win::RECT r{area.Left, area.Top, area.Right + 1, area.Bottom + 1};
        win::InvalidateRect(GetHandle(), &r, win::FALSE);
    }
    RestoreOwnHint();
}

void TFcCustomTabControl::HotTimerTick() {
    if (FHotTimer == 0)
        return;
    TPoint p{0, 0};
    win::GetCursorPos(&p);
    p = ScreenToClient(p);
    if (TabAtPos(p.X, p.Y) < 0)
        ClearHotTab();
}

void TFcCustomTabControl::SetHotTrack(bool value) {
    FHotTrack = value;
    if (!FHotTrack && !FTabHints)
        StopHotTimer();
}

void TFcCustomTabControl::SetTabHints(bool value) {
    FTabHints = value;
    if (!FHotTrack && !FTabHints)
        StopHotTimer();
}

// ---- Keys ----------------------------------------------------------------------------------------------

// The tab a navigation key selects, or -1. Each key looks at every tab at most once: Home and End walk
// from their end of the list towards the other and stop at the selected tab or past the last one; the
// arrows step from the selected tab with wrap-around (from the first or last tab when none is selected).
int32_t TFcCustomTabControl::KeyTarget(uint16_t key) {
    const int32_t count = FTabs->Count();
    const int32_t sel = FTabIndex >= 0 && FTabIndex < count ? FTabIndex : -1;
    if (key == win::VK_HOME || key == win::VK_END) {
        const int32_t step = key == win::VK_HOME ? 1 : -1;
        for (int32_t t = key == win::VK_HOME ? 0 : count - 1; t >= 0 && t < count; t += step) {
            if (t == sel)
                return -1;
            if (CanChange(t))
                return t;
        }
        return -1;
    }
    bool forward;
    switch (key) {
    case win::VK_RIGHT:
    case win::VK_DOWN:
        forward = true;
        break;
    case win::VK_LEFT:
    case win::VK_UP:
        forward = false;
        break;
    default:
        return -1;
    }
    if (FTabSequence == tsReverse)
        forward = !forward;
    const int32_t step = forward ? 1 : count - 1;
    int32_t t = sel >= 0 ? (sel + step) % count : (forward ? 0 : count - 1);
    for (int32_t n = sel >= 0 ? count - 1 : count; n > 0; --n, t = (t + step) % count)
        if (CanChange(t))
            return t;
    return -1;
}

void TFcCustomTabControl::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    vcl::TCustomControl::KeyDown(key, shift);
    if (FTabs->Count() == 0)
        return;
    const int32_t target = KeyTarget(key);
    if (target >= 0 && target != FTabIndex)
        SelectByKey(target);
}

void TFcCustomTabControl::SelectByKey(int32_t target) {
    // CanChange has answered already.
    FSkipCanChange = true;
    try {
        SetTabIndex(target);
    } catch (...) {
        FSkipCanChange = false;
        throw;
    }
    FSkipCanChange = false;
    DoTabClick();
}

bool TFcCustomTabControl::DialogChar(uint16_t ch) {
    if (!CanFocus())
        return false;
    for (int32_t i = 0; i < FTabs->Count(); ++i) {
        const TFcTabData* t = FTabs->Items(i);
        if (!t->Enabled || !t->Visible || !vcl::IsAccel(ch, t->Caption))
            continue;
        SetFocus();
        if (Focused()) {
            const int32_t old = FTabIndex;
            SetTabIndex(i);
            if (FTabIndex == i && old != i)
                DoTabClick();
        }
        return true;
    }
    return false;
}

// ---- Dragging a tab ------------------------------------------------------------------------------------

TRect TFcCustomTabControl::MoveMarkerRect(int32_t i) {
    const TRect r = TabRect(i);
    const int32_t half = FFixedDimension / 2;
    // Before the selected tab in the sequence the marker sits at the tab's near end, otherwise at its far end.
    const bool nearEnd = i < FTabIndex;
    const bool standard = FTabSequence == tsStandard;
    const bool leftOrTopEnd = nearEnd == standard;
    int32_t along;
    if (leftOrTopEnd)
        along = (HorizontalStrip() ? r.Left : r.Top) - 8 + (FTabStyle == tsDoubleSlant ? half : 0);
    else
        along = (HorizontalStrip() ? r.Right : r.Bottom) - 7 +
                (FTabStyle == tsSingleSlant || FTabStyle == tsDoubleSlant ? -half : 1);
    switch (FTabOrientation) {
    case toTop:
        return {along, r.Top - 2, along + 15, r.Top + 6};
    case toBottom:
        return {along, r.Bottom - 6, along + 15, r.Bottom + 2};
    case toLeft:
        return {r.Left - 2, along, r.Left + 6, along + 15};
    default:
        return {r.Right - 6, along, r.Right + 2, along + 15};
    }
}

void TFcCustomTabControl::DrawMoveMarker(const TRect& r) {
    if (!FMarkerWindow) {
        FMarkerWindow = new TFcMoveMarkerWindow(this);
        FMarkerWindow->FreeNotification(this);
    }
    const TPoint tl = ClientToScreen({r.Left, r.Top});
    const TRect screen{tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()};
    // Drawn a second time at the same place, the marker goes, as an inverted copy would.
    if (FMarkerWindow->GetShown() && FMarkerWindow->GetScreenRect() == screen) {
        FMarkerWindow->Hide();
        return;
    }
    vcl::TBitmap bmp;
    bmp.SetWidth(r.Width());
    bmp.SetHeight(r.Height());
    vcl::TCanvas* c = bmp.GetCanvas();
    c->GetBrush()->SetColor(vcl::clBtnShadow);
    c->FillRect({0, 0, r.Width(), r.Height()});
    c->GetBrush()->SetColor(vcl::clBlack);
    c->GetPen()->SetColor(vcl::clBlack);
    // Two triangles 8 pixels wide pointing at the insertion edge from either side of it.
    const int32_t w = r.Width(), h = r.Height();
    if (HorizontalStrip()) {
        const int32_t x0 = (w - 8) / 2;
        for (int32_t row = 0; row < 4; ++row) {
            c->FillRect({x0 + row, row, x0 + 8 - row, row + 1});
            c->FillRect({x0 + row, h - 1 - row, x0 + 8 - row, h - row});
        }
    } else {
        const int32_t y0 = (h - 8) / 2;
        for (int32_t col = 0; col < 4; ++col) {
            c->FillRect({col, y0 + col, col + 1, y0 + 8 - col});
            c->FillRect({w - 1 - col, y0 + col, w - col, y0 + 8 - col});
        }
    }
    FMarkerWindow->ShowAt(screen, &bmp);
}

void TFcCustomTabControl::EraseMoveMarker() {
    if (FMarkerShown) {
        FMarkerShown = false;
        DrawMoveMarker(FMarkerRect);
    }
}

void TFcCustomTabControl::DragOver(vcl::TObject* source, int32_t x, int32_t y, vcl::TDragState state,
                                   bool& accept) {
    vcl::TCustomControl::DragOver(source, x, y, state, accept);
    // Only the control's own drag moves its tabs.
    if (!FAllowTabDragging || source != this)
        return;
    if (state == vcl::dsDragLeave) {
        EraseMoveMarker();
        FDragTarget = -1;
        return;
    }
    const int32_t t = TabAtPos(x, y);
    accept = t >= 0 && t != FTabIndex;
    if (t == FDragTarget)
        return;
    EraseMoveMarker();
    FDragTarget = t;
    if (accept) {
        FMarkerRect = MoveMarkerRect(t);
        DrawMoveMarker(FMarkerRect);
        FMarkerShown = true;
    }
}

void TFcCustomTabControl::DragDrop(vcl::TObject* source, int32_t x, int32_t y) {
    EraseMoveMarker();
    FDragTarget = -1;
    if (FAllowTabDragging && source == this) {
        const int32_t t = TabAtPos(x, y);
        if (t >= 0 && t != FTabIndex)
            MoveActiveTab(t);
    }
    vcl::TCustomControl::DragDrop(source, x, y);
}

void TFcCustomTabControl::DoEndDrag(vcl::TObject* target, int32_t x, int32_t y) {
    // A cancelled drag leaves no marker behind.
    EraseMoveMarker();
    FDragTarget = -1;
    vcl::TCustomControl::DoEndDrag(target, x, y);
}

} // namespace controls
