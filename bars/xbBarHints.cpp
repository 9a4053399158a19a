#include "bars/xbBarHints.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarUtils.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

namespace bars {

namespace {

struct HintState {
    TxbBarHintWindow* Window = nullptr;
    bool Requested = false;
    bool Shown = false;
    std::string ExplicitText;
    TxbBarManager* TimerManager = nullptr;
    uintptr_t ShowTimer = 0;
    uintptr_t HideDelayTimer = 0;
    bool JustHidden = false;
};

HintState& State() {
    static HintState state;
    return state;
}

bool ManagerGoing(TxbBarManager* manager) {
    return !manager || manager->GetComponentState().Contains(vcl::csDestroying);
}

void KillShowTimer() {
    HintState& s = State();
    if (s.ShowTimer) {
        win::KillTimer(nullptr, s.ShowTimer);
        s.ShowTimer = 0;
    }
}

void KillHideDelayTimer() {
    HintState& s = State();
    if (s.HideDelayTimer) {
        win::KillTimer(nullptr, s.HideDelayTimer);
        s.HideDelayTimer = 0;
    }
    s.JustHidden = false;
}

void ShowTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    KillShowTimer();
    if (!ManagerGoing(State().TimerManager))
        ShowBarHintNow(State().TimerManager);
}

void HideHintWindow();

void AutoHideTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    KillShowTimer();
    if (!ManagerGoing(State().TimerManager))
        UpdateBarHint(State().TimerManager, false, std::string());
    // The withdrawal is ignored once hints were turned off or customizing began; the hint goes all the same.
    HideHintWindow();
}

void HideDelayTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) { KillHideDelayTimer(); }

TxbBarHintWindow* NeedWindow() {
    HintState& s = State();
    if (!s.Window)
        s.Window = new TxbBarHintWindow(nullptr);
    return s.Window;
}

bool HintVisible() {
    TxbBarHintWindow* w = State().Window;
    return w && w->HandleAllocated() && win::IsWindowVisible(w->GetHandle());
}

void HideHintWindow() {
    TxbBarHintWindow* w = State().Window;
    if (w && w->HandleAllocated())
        win::ShowWindow(w->GetHandle(), win::SW_HIDE);
}

} // namespace

TxbBarHintWindow::TxbBarHintWindow(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
    SetColor(vcl::clInfoBk);
    GetCanvas()->GetBrush()->SetStyle(vcl::bsClear);
}

void TxbBarHintWindow::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    params.Style = win::WS_POPUP | win::WS_DISABLED;
    params.WindowClassStyle |= win::CS_SAVEBITS;
    params.ExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW;
}

void TxbBarHintWindow::WndProc(vcl::TMessage& message) {
    if (message.Msg == win::WM_NCHITTEST) {
        message.Result = win::HTTRANSPARENT;
        return;
    }
    vcl::TCustomControl::WndProc(message);
}

void TxbBarHintWindow::Paint() {
    win::HDC dc = GetCanvas()->GetHandle();
    win::TRect r = GetClientRect();
    win::DrawEdge(dc, &r, win::BDR_RAISEDOUTER, win::BF_RECT);
    win::InflateRect(&r, -1, -1);
    r.Left += 2;
    r.Top += 2;
    win::HGDIOBJ old = win::SelectObject(dc, GetFont()->GetHandle());
    int oldMode = win::SetBkMode(dc, win::TRANSPARENT);
    win::COLORREF oldColour = win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(GetFont()->GetColor())));
    std::string text = GetText();
    win::DrawText(dc, text, &r, win::DT_NOPREFIX | win::DT_NOCLIP | win::DT_WORDBREAK);
    win::SetTextColor(dc, oldColour);
    win::SetBkMode(dc, oldMode);
    win::SelectObject(dc, old);
}

void TxbBarHintWindow::ShowHintAt(win::TPoint point, const std::string& text, TxbBarManager* manager) {
    SetText(text);
    win::NONCLIENTMETRICS metrics;
    if (manager && manager->GetUseSystemFont()) {
        if (win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            win::HFONT status = win::CreateFontIndirect(&metrics.lfStatusFont);
            GetFont()->SetHandle(status);
        } else
            GetFont()->SetSize(8);
    } else if (manager)
        GetFont()->Assign(manager->GetFont());
    GetFont()->SetColor(vcl::Screen->GetHintFont()->GetColor());
    SetColor(vcl::Application->GetHintColor());

    win::TRect work = GetWorkAreaAtPoint(point);
    win::TRect measure{0, 0, work.Right - work.Left, 0};
    {
        win::HDC dc = win::GetDC(nullptr);
        win::HGDIOBJ old = win::SelectObject(dc, GetFont()->GetHandle());
        std::string copy = text;
        win::DrawText(dc, copy, &measure, win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_NOPREFIX);
        win::SelectObject(dc, old);
        win::ReleaseDC(nullptr, dc);
    }
    int w = measure.Right - measure.Left + 6, h = measure.Bottom - measure.Top + 6;
    int x = point.X, y = point.Y;
    if (x + w > work.Right)
        x = work.Right - w;
    if (y + h > work.Bottom)
        y = point.Y - h - 20;
    if (x < work.Left)
        x = work.Left;
    if (y < work.Top)
        y = work.Top;
    SetBounds(x, y, w, h);
    win::HWND handle = GetHandle();
    win::InvalidateRect(handle, nullptr, true);
    win::SetWindowPos(handle, win::HWND_TOPMOST, x, y, 0, 0, win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE | win::SWP_NOSIZE);
}

TxbBarHintWindow* BarHintWindow() { return State().Window; }

void FreeBarHintWindow() {
    KillShowTimer();
    KillHideDelayTimer();
    HintState& s = State();
    delete s.Window;
    s = HintState{};
}

std::string ComposeBarHintText(const std::string& hint, bool showShortCut, const std::string& shortCutText) {
    std::string text = hint.substr(0, hint.find('|'));
    if (showShortCut && !shortCutText.empty())
        text += " (" + shortCutText + ")";
    return text;
}

bool IsBarHintShown() { return State().Shown && HintVisible(); }

void HideBarHintWindow() { HideHintWindow(); }

// The item control the hint is for: the one hot or selected in any bar of the manager. Outside customizing
// the bar windows keep it as the manager's current control; while customizing (no hints then) as its
// selected one.
static TxbBarItemControl* HintItemControl(TxbBarManager* manager) {
    if (!manager)
        return nullptr;
    return manager->IsCustomizing() ? manager->GetSelectedItemControl() : manager->GetCurrentItemControl();
}

void UpdateBarHint(TxbBarManager* manager, bool show, const std::string& text) {
    HintState& s = State();
    if (!manager || manager->IsCustomizing() || !manager->GetShowHint() || (!show && !s.Requested))
        return;
    s.Requested = show;
    s.ExplicitText = text;
    s.Shown = false;
    TxbBarItemControl* selected = HintItemControl(manager);
    bool wantShow = show && (!text.empty() || (selected && selected->GetWindow() &&
                                               !selected->GetWindow()->GetActive()));
    KillShowTimer();
    if (wantShow) {
        if (HintVisible() || s.JustHidden)
            ShowBarHintNow(manager);
        else {
            s.TimerManager = manager;
            s.ShowTimer = win::SetTimer(nullptr, 0, BarHintShowDelay, ShowTimerProc);
        }
        return;
    }
    if (HintVisible())
        HideHintWindow();
    if (show) {
        KillHideDelayTimer();
        s.JustHidden = true;
        s.HideDelayTimer = win::SetTimer(nullptr, 0, BarHintReshowWindow, HideDelayTimerProc);
    }
}

void ShowBarHintNow(TxbBarManager* manager) {
    HintState& s = State();
    bool explicitText = !s.ExplicitText.empty();
    TxbBarItemControl* control = HintItemControl(manager);
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    if (!explicitText && !(window && window->HandleAllocated() && !window->GetActive()))
        return;
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    if (!explicitText && window->GetItemControlAtPos(window->ScreenToClient(cursor)) != control)
        return;
    win::TPoint point{cursor.X, cursor.Y + 20};
    std::string text = s.ExplicitText;
    if (!explicitText) {
        text = ComposeBarHintText(control->GetHint(), false, std::string());
        if (TxbBarItem* item = control->GetItem())
            if (auto* action = dynamic_cast<vcl::TCustomAction*>(item->GetAction()))
                if (!action->DoHint(text)) {
                    UpdateBarHint(manager, false, std::string());
                    return;
                }
    }
    if (text.empty() || !(explicitText || control->GetEnabled() || manager->GetShowHintForDisabledItems())) {
        UpdateBarHint(manager, false, std::string());
        return;
    }
    if (!explicitText)
        text = ComposeBarHintText(text, manager->GetShowShortCutInHint() || vcl::Application->GetHintShortCuts(),
                                  vcl::ShortCutToText(control->GetShortCut()));
    NeedWindow()->ShowHintAt(point, text, manager);
    s.Shown = true;
    s.TimerManager = manager;
    KillShowTimer();
    s.ShowTimer = win::SetTimer(nullptr, 0, BarHintHideDelay, AutoHideTimerProc);
}

void BarHintManagerDestroying(TxbBarManager* manager) {
    HintState& s = State();
    if (s.TimerManager == manager) {
        if (s.ShowTimer)
            HideHintWindow();
        KillShowTimer();
        KillHideDelayTimer();
        s.TimerManager = nullptr;
        s.Requested = false;
    }
    // The last manager takes the window with it.
    TxbBarManagerList* list = BarManagerList();
    if (!list || list->GetCount() == 0 || (list->GetCount() == 1 && list->IndexOf(manager) == 0))
        FreeBarHintWindow();
}

} // namespace bars
