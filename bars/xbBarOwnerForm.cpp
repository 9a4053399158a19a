// The manager follows the life of its owner form without subclassing it: the call-window-procedure hook
// hands it every message the form receives. From them it shows bars made visible before the form had a
// window, saves the layout when the form is destroyed, shows and hides floating toolbars with the form's
// activation, takes the system's colours, fonts and work areas again when they change, answers F1 help over
// bar items, and keeps floating bars in step with minimize, maximize, restore and close.
#include "bars/xbBarManager.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "lookandfeel/lkControls.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserTypes.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <vector>

namespace bars {

namespace {

// The windows of the manager's floating bars.
std::vector<TxbBarControl*> FloatingWindows(TxbBarManager* manager) {
    std::vector<TxbBarControl*> windows;
    TxbBars* bars = manager->GetBars();
    for (int32_t i = 0; bars && i < bars->GetCount(); ++i) {
        TxbBar* bar = bars->GetItem(i);
        TxbBarControl* window = bar->GetControl();
        if (window && bar->GetVisible() && bar->GetDockingStyle() == dsNone && window->HandleAllocated())
            windows.push_back(window);
    }
    return windows;
}

void ShowNoActivate(TxbBarControl* window) {
    win::SetWindowPos(window->GetHandle(), nullptr, 0, 0, 0, 0,
                      win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE | win::SWP_NOZORDER | win::SWP_NOMOVE |
                          win::SWP_NOSIZE);
}

void HideNoActivate(TxbBarControl* window) {
    win::SetWindowPos(window->GetHandle(), nullptr, 0, 0, 0, 0,
                      win::SWP_HIDEWINDOW | win::SWP_NOACTIVATE | win::SWP_NOZORDER | win::SWP_NOMOVE |
                          win::SWP_NOSIZE);
}

// Closes the chain of active bar windows from its head.
void CloseActiveChain() {
    for (TCustomxbBarControl* head = GetActiveBarControl(); head; head = GetActiveBarControl()) {
        head->DeactivateAll();
        if (GetActiveBarControl() == head)
            break;
    }
}

bool BelongsToManager(TCustomxbBarControl* window, TxbBarManager* manager) {
    for (TCustomxbBarControl* w = window; w && IsBarControlAlive(w); w = w->GetParentBarControl())
        if (w->GetBarManager() == manager)
            return true;
    return false;
}

} // namespace

void TxbBarManager::AddPendingBar(TxbBar* bar) {
    if (bar && std::find(FPendingBars.begin(), FPendingBars.end(), bar) == FPendingBars.end())
        FPendingBars.push_back(bar);
}

void TxbBarManager::HandleOwnerFormMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    vcl::TCustomForm* form = FOwnerForm;
    if (!form)
        return;
    const bool formDestroying = form->GetComponentState().Contains(vcl::csDestroying) || IsDestroying();
    if (formDestroying) {
        // Only the real destruction of the form saves the layout (a window re-made for new styles does not).
        if (message == win::WM_DESTROY && !FDesigning) {
            if (FStoreInRegistry)
                SaveToRegistry(FRegistryPath);
            if (FStoreInIniFile)
                SaveToIniFile(FIniFileName);
        }
        return;
    }
    switch (message) {
    case win::WM_CREATE: {
        if (FPendingBars.empty())
            return;
        FShowingPendingBars = true;
        std::vector<TxbBar*> pending;
        pending.swap(FPendingBars);
        try {
            for (TxbDockControl* dock : FDockControls)
                dock->HandleNeeded();
            for (auto it = pending.rbegin(); it != pending.rend(); ++it)
                if (GetBars() && (*it)->GetCollection() == GetBars())
                    (*it)->SetVisible(true);
        } catch (...) {
            FShowingPendingBars = false;
            throw;
        }
        FShowingPendingBars = false;
        return;
    }
    case win::WM_ACTIVATE: {
        const bool active = win::LOWORD(wParam) != win::WA_INACTIVE;
        const auto other = reinterpret_cast<win::HWND>(lParam);
        if (!active) {
            auto* window = dynamic_cast<TCustomxbBarControl*>(vcl::TWinControl::FindControl(other));
            if (window && IsBarControlAlive(window) && window->GetBarManager() == this)
                return;
        }
        FFormActive = active;
        HandleActivation(active, false, other);
        return;
    }
    case win::WM_SYSCOLORCHANGE: {
        RefreshGDIObjects();
        for (TxbBarControl* window : FloatingWindows(this))
            win::RedrawWindow(window->GetHandle(), nullptr, nullptr,
                              win::RDW_INVALIDATE | win::RDW_FRAME | win::RDW_ALLCHILDREN);
        return;
    }
    case win::WM_SETTINGCHANGE:
        if (wParam == win::SPI_SETNONCLIENTMETRICS)
            TakeSystemFont();
        else if (wParam == win::SPI_SETWORKAREA)
            KeepFloatingBarsInWorkArea();
        return;
    case win::WM_ACTIVATEAPP:
        if (wParam == 0) {
            FFormActive = false;
            HandleActivation(false, false, nullptr);
            if (TxbBarItemControl* current = FCurrentItemControl) {
                TCustomxbBarControl* window = current->GetWindow();
                if (window && IsBarControlAlive(window) && window->HandleAllocated())
                    win::SendMessage(window->GetHandle(), win::WM_MOUSELEAVE, 0, 0);
                FCurrentItemControl = nullptr;
            }
        }
        return;
    case win::WM_WINDOWPOSCHANGING: {
        const auto* pos = reinterpret_cast<const win::WINDOWPOS*>(lParam);
        if (pos && (pos->flags & win::SWP_HIDEWINDOW)) {
            FFormActive = false;
            HandleActivation(false, true, nullptr);
        }
        return;
    }
    case win::WM_HELP: {
        const auto* info = reinterpret_cast<const win::HELPINFO*>(lParam);
        if (FDesigning || !info || info->iContextType != win::HELPINFO_WINDOW)
            return;
        TxbBarItemControl* control = nullptr;
        int32_t helpContext = 0;
        if (TCustomxbBarControl* active = GetActiveBarControl()) {
            // An entry without help context takes that of the item that opened its menu, and so on out.
            TCustomxbBarControl* window = active;
            control = active->GetSelectedControl();
            while (!(control && control->GetItem() && control->GetItem()->GetHelpContext() != 0)) {
                auto* menu = dynamic_cast<TxbBarSubMenuControl*>(window);
                TxbBarItemControl* opener = menu ? menu->GetOwnerControl() : nullptr;
                if (!opener) {
                    control = nullptr;
                    break;
                }
                control = opener;
                TCustomxbBarControl* next = opener->GetWindow();
                if (!next || !IsBarControlAlive(next))
                    break;
                window = next;
            }
            if (!control || !control->GetItem() || control->GetItem()->GetHelpContext() == 0) {
                control = nullptr;
                CloseActiveChain();
                helpContext = 0;
            }
        } else if (auto* window = dynamic_cast<TCustomxbBarControl*>(
                       vcl::TWinControl::FindControl(reinterpret_cast<win::HWND>(info->hItemHandle)))) {
            if (window->HandleAllocated()) {
                win::TPoint p = info->MousePos;
                win::ScreenToClient(window->GetHandle(), &p);
                control = window->GetItemControlAtPos(p);
            }
        }
        win::TPoint position{};
        bool hasPosition = false;
        if (control && control->GetItem() && control->GetWindow() && IsBarControlAlive(control->GetWindow())) {
            const win::TRect r = control->GetWindow()->GetItemScreenRect(control);
            position = win::TPoint{(r.Left + r.Right) / 2, r.Bottom};
            hasPosition = true;
            helpContext = control->GetItem()->GetHelpContext();
            CloseActiveChain();
        }
        if (helpContext == 0 || !vcl::Application)
            return;
        if (form->GetBorderIcons().Contains(vcl::biHelp)) {
            if (hasPosition)
                vcl::Application->HelpCommand(vcl::HELP_SETPOPUP_POS,
                                              intptr_t(win::MAKELPARAM(position.X, position.Y)));
            vcl::Application->HelpCommand(vcl::HELP_CONTEXTPOPUP, helpContext);
        } else {
            vcl::Application->HelpContext(helpContext);
        }
        return;
    }
    case win::WM_DISPLAYCHANGE: KeepFloatingBarsInWorkArea(); return;
    case win::WM_SYSCOMMAND: {
        const win::WPARAM command = wParam & 0xFFF0;
        if (command == win::SC_CLOSE && FDesigning) {
            if (TCustomxbBarControl* active = GetActiveBarControl(); active && BelongsToManager(active, this))
                CloseActiveChain();
        }
        if (command == win::SC_MINIMIZE || command == win::SC_CLOSE) {
            for (TxbBarControl* window : FloatingWindows(this))
                HideNoActivate(window);
        } else if (command == win::SC_MAXIMIZE || command == win::SC_RESTORE) {
            for (TxbBarControl* window : FloatingWindows(this)) {
                ShowNoActivate(window);
                win::UpdateWindow(window->GetHandle());
            }
        }
        return;
    }
    default: return;
    }
}

void TxbBarManager::HandleActivation(bool active, bool hiding, win::HWND otherWindow) {
    if (FInActivation)
        return;
    FInActivation = true;
    struct Guard {
        bool& Flag;
        ~Guard() { Flag = false; }
    } guard{FInActivation};
    vcl::TCustomForm* form = FOwnerForm;
    if (!FHideFloatingBarsWhenInactive && !hiding)
        for (TxbBarControl* window : FloatingWindows(this))
            win::RedrawWindow(window->GetHandle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE);
    if (active) {
        if (form && form->HandleAllocated() && win::IsIconic(form->GetHandle()))
            return;
        for (TxbBarControl* window : FloatingWindows(this))
            ShowNoActivate(window);
        return;
    }
    if (otherWindow && form && form->HandleAllocated() && win::IsChild(form->GetHandle(), otherWindow))
        return;
    if (TCustomxbBarControl* head = GetActiveBarControl(); head && BelongsToManager(head, this))
        CloseActiveChain();
    if (!FHideFloatingBarsWhenInactive && !hiding)
        return;
    // Floating bars stay while the focus moves to windows of the program that are not other forms
    // (floating bars, menus, a dialog's controls).
    if (otherWindow && win::IsWindow(otherWindow) &&
        !(vcl::Application && otherWindow == vcl::Application->GetHandle()) &&
        !dynamic_cast<vcl::TCustomForm*>(vcl::TWinControl::FindControl(otherWindow)))
        return;
    for (TxbBarControl* window : FloatingWindows(this))
        HideNoActivate(window);
    if (form && form->HandleAllocated())
        win::SendMessage(form->GetHandle(), win::WM_NCACTIVATE, 0, 0);
}

void TxbBarManager::KeepFloatingBarsInWorkArea() {
    vcl::TCustomForm* form = FOwnerForm;
    if (!form)
        return;
    win::TRect formRect{form->GetLeft(), form->GetTop(), form->GetLeft() + form->GetWidth(),
                        form->GetTop() + form->GetHeight()};
    if (form->HandleAllocated())
        win::GetWindowRect(form->GetHandle(), &formRect);
    win::TRect work{};
    lookandfeel::GetMonitorWorkArea(
        win::TPoint{(formRect.Left + formRect.Right) / 2, (formRect.Top + formRect.Bottom) / 2}, work);
    TxbBars* bars = GetBars();
    for (int32_t i = 0; bars && i < bars->GetCount(); ++i) {
        TxbBar* bar = bars->GetItem(i);
        if (bar->GetDockingStyle() != dsNone)
            continue;
        TxbBarControl* window = bar->GetControl();
        win::TRect r{};
        if (window && window->HandleAllocated()) {
            win::GetWindowRect(window->GetHandle(), &r);
        } else {
            r.Left = bar->GetFloatLeft();
            r.Top = bar->GetFloatTop();
            r.Right = r.Left + bar->GetFloatClientWidth() + bar->GetNonClientWidth(dsNone);
            r.Bottom = r.Top + bar->GetFloatClientHeight() + bar->GetNonClientHeight(dsNone);
        }
        // Bottom, top, right, left in this order: the top-left corner wins for a bar larger than the area.
        int32_t dx = 0, dy = 0;
        if (r.Bottom > work.Bottom)
            dy = work.Bottom - r.Bottom;
        if (r.Top + dy < work.Top)
            dy = work.Top - r.Top;
        if (r.Right > work.Right)
            dx = work.Right - r.Right;
        if (r.Left + dx < work.Left)
            dx = work.Left - r.Left;
        if (dx == 0 && dy == 0)
            continue;
        if (window && window->HandleAllocated()) {
            window->SetBounds(r.Left + dx, r.Top + dy, r.Width(), r.Height());
        } else {
            bar->SetFloatLeft(r.Left + dx);
            bar->SetFloatTop(r.Top + dy);
        }
    }
}

} // namespace bars
