#include "bars/xbBarHooks.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBars.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Scope.h"
#include "platform/win/kernel/Sync.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserTypes.h"

#include <exception>

namespace bars {

namespace {

win::HHOOK GKeyboardHook = nullptr;
win::HHOOK GMouseHook = nullptr;
win::HHOOK GCallWndProcHook = nullptr;
bool GAltPressedAlone = false;
bool GPendingKeyUp = false;
uint16_t GPendingKey = 0;
bool GInMouseHook = false;
bool GInCallWndProcHook = false;
bool GInCaptionButtonLoop = false;
bool GInEditKeyForward = false;

constexpr win::LPARAM KeyReleasedBit = win::LPARAM(0x80000000u);

bool KeyDown(int vk) { return win::GetKeyState(vk) < 0; }

// A hook never lets an exception through to the window system: the application reports it.
template <class F> bool Guarded(F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        if (vcl::Application)
            vcl::Application->HandleException(nullptr, e);
    } catch (...) {
    }
    return false;
}

vcl::TCustomForm* FormOfWindow(win::HWND hwnd) {
    return dynamic_cast<vcl::TCustomForm*>(vcl::TWinControl::FindControl(hwnd));
}

// The control that owns a window: the class-library control of the window or of its nearest parent.
vcl::TWinControl* ControlOfWindow(win::HWND hwnd) {
    for (win::HWND h = hwnd; h; h = win::GetParent(h))
        if (vcl::TWinControl* control = vcl::TWinControl::FindControl(h))
            return control;
    return nullptr;
}

bool IsDesigning(const vcl::TComponent* component) {
    return component && component->GetComponentState().Contains(vcl::csDesigning);
}

// The manager of the form holding control.
TxbBarManager* ManagerOfControl(vcl::TWinControl* control) {
    vcl::TCustomForm* form = control ? vcl::GetParentForm(control) : nullptr;
    return form ? GetBarManagerByForm(form) : nullptr;
}

// The managers keys go to: the own manager (the active form's, or its parent form's) and the key manager
// (the own one, or the main form's for a form without one that lets it).
void FindManagers(TxbBarManager*& own, TxbBarManager*& keyManager) {
    own = keyManager = nullptr;
    vcl::TCustomForm* form = FormOfWindow(win::GetActiveWindow());
    if (!form || !form->HandleAllocated() || !win::IsWindowEnabled(form->GetHandle()) || IsDesigning(form))
        return;
    own = GetBarManagerByForm(form);
    if (!own && !form->IsModal())
        if (auto* parentForm = dynamic_cast<vcl::TCustomForm*>(form->GetParent()))
            own = GetBarManagerByForm(parentForm);
    keyManager = own;
    if (!own && (form->GetFormStyle() == vcl::fsNormal || form->GetFormStyle() == vcl::fsStayOnTop)) {
        vcl::TCustomForm* mainForm = vcl::Application ? vcl::Application->GetMainForm() : nullptr;
        TxbBarManager* mainManager = mainForm ? GetBarManagerByForm(mainForm) : nullptr;
        if (mainManager && mainManager->GetAllowCallFromAnotherForm() && mainForm->HandleAllocated() &&
            win::IsWindowEnabled(mainForm->GetHandle()))
            keyManager = mainManager;
    }
    if (!own)
        own = keyManager;
}

// The bar's window when it is shown.
TxbBarControl* ShownWindow(TxbBar* bar) {
    TxbBarControl* window = bar ? bar->GetControl() : nullptr;
    if (!window || !window->HandleAllocated() || !win::IsWindowVisible(window->GetHandle()))
        return nullptr;
    return window;
}

// The main menu bar's links, then every other shown bar's, try the shortcut.
bool ExecuteManagerShortCut(TxbBarManager* manager, vcl::TShortCut shortCut) {
    if (!manager)
        return false;
    TxbBar* mainBar = manager->GetMainMenuBar();
    if (mainBar && mainBar->GetItemLinks()->ExecuteShortCut(shortCut))
        return true;
    TxbBars* bars = manager->GetBars();
    for (int32_t i = 0; bars && i < bars->GetCount(); ++i) {
        TxbBar* bar = bars->GetItem(i);
        if (bar == mainBar || !bar->GetVisible() || !ShownWindow(bar))
            continue;
        if (bar->GetItemLinks()->ExecuteShortCut(shortCut))
            return true;
    }
    return false;
}

// The first link of the main menu bar, then of the other shown bars, whose accelerator is key.
TxbBarItemLink* FindManagerAccelLink(TxbBarManager* manager, uint16_t key, vcl::TShiftState shift) {
    if (!manager)
        return nullptr;
    TxbBar* mainBar = manager->GetMainMenuBar();
    if (mainBar && mainBar->GetControl())
        if (TxbBarItemLink* link = mainBar->GetItemLinks()->FindAccelLink(key, shift, nullptr))
            return link;
    TxbBars* bars = manager->GetBars();
    for (int32_t i = 0; bars && i < bars->GetCount(); ++i) {
        TxbBar* bar = bars->GetItem(i);
        if (bar == mainBar || !bar->GetVisible() || !ShownWindow(bar))
            continue;
        if (TxbBarItemLink* link = bar->GetItemLinks()->FindAccelLink(key, shift, nullptr))
            return link;
    }
    return nullptr;
}

vcl::TWinControl* FocusedControl() { return ControlOfWindow(win::GetFocus()); }

// A key pressed while nothing holds the mouse: shortcuts first, then Alt-mnemonics of the bars.
bool HandleMenuKey(uint16_t key, TxbBarManager* own, TxbBarManager* keyManager) {
    const vcl::TShiftState shift = GetKeyShiftState();
    vcl::TShortCut shortCut = vcl::TShortCut(key & 0xFF);
    if (shift.Contains(vcl::ssShift))
        shortCut += 0x2000;
    if (shift.Contains(vcl::ssCtrl))
        shortCut += 0x4000;
    if (shift.Contains(vcl::ssAlt))
        shortCut += 0x8000;

    vcl::TWinControl* focused = FocusedControl();
    if (TxbBarManager* focusedManager = ManagerOfControl(focused))
        if (focusedManager->GetPopupMenuLinks()->ExecuteShortCut(focused, shortCut))
            return true;
    if (ExecuteManagerShortCut(keyManager, shortCut))
        return true;
    if (own != keyManager && ExecuteManagerShortCut(own, shortCut))
        return true;

    if (!shift.Contains(vcl::ssAlt))
        return false;
    vcl::TShiftState accelShift = shift;
    accelShift.Exclude(vcl::ssAlt);
    TxbBarItemLink* link = FindManagerAccelLink(own, key, accelShift);
    if (!link && keyManager != own)
        link = FindManagerAccelLink(keyManager, key, accelShift);
    if (!link || !link->GetItem() || !link->GetItem()->GetEnabled())
        return false;
    TxbBarItemControl* control = link->GetControl();
    auto* window = control ? dynamic_cast<TxbBarControl*>(control->GetWindow()) : nullptr;
    if (!window)
        return false;
    TxbBarItemLink* next = link->GetLinks()->FindAccelLink(key, accelShift, link);
    const bool unique = !next || next == link;
    lookandfeel::TlkObjectLinkScope alive(control);
    if (!unique || !control->ClosesMenusOnClick()) {
        window->EnterKeyboardMode(control);
        if (!alive.Alive() || !IsBarControlAlive(window))
            return true;
    }
    if (unique) {
        if (dynamic_cast<TxbBarSubItemControl*>(control))
            window->SetKeyboardOpened(true);
        control->Activate(false);
    }
    return true;
}

bool HandleKey(uint16_t key, win::LPARAM lParam) {
    const bool released = (lParam & KeyReleasedBit) != 0;
    if (GPendingKeyUp && released && key == GPendingKey) {
        GPendingKeyUp = false;
        return true;
    }
    TCustomxbBarControl* active = GetActiveBarControl();
    if (active && !(active->GetBarManager() && active->GetBarManager()->IsDetaching())) {
        if (!active->IsCustomizing()) {
            if (active->HandleAllocated()) {
                if (!released) {
                    GPendingKeyUp = true;
                    GPendingKey = key;
                }
                win::SendMessage(active->GetHandle(), released ? win::WM_KEYUP : win::WM_KEYDOWN, key, lParam);
                // Only a key that closed every bar window has its release swallowed.
                if (!released && (GetActiveBarControl() || !KeyDown(key)))
                    GPendingKeyUp = false;
                // The help key still asks for help where it was headed: the owner form answers it with the
                // entry selected in the open menu.
                if (key == win::VK_F1 && !released && !(lParam & win::KF_REPEAT_BIT))
                    if (win::HWND target = win::GetFocus())
                        win::PostMessage(target, win::WM_KEYF1, 0, 0);
            }
            return true;
        }
        if (key == win::VK_ESCAPE && active->HandleAllocated() && win::GetCapture() == active->GetHandle()) {
            win::ReleaseCapture();
            return true;
        }
    }
    if (win::GetCapture())
        return false;

    const vcl::TShiftState shift = GetKeyShiftState();
    const bool shiftAlone = shift.Contains(vcl::ssShift) && !shift.Contains(vcl::ssCtrl) && !shift.Contains(vcl::ssAlt);
    if ((key == win::VK_APPS && released) || (key == win::VK_F10 && !released && shiftAlone)) {
        const win::HWND focus = win::GetFocus();
        vcl::TWinControl* control = ControlOfWindow(focus);
        if (TxbBarManager* manager = ManagerOfControl(control))
            if (manager->GetPopupMenuLinks()->PopupForControl(control, focus, win::TPoint{-1, -1}))
                return true;
    }

    TxbBarManager *own = nullptr, *keyManager = nullptr;
    FindManagers(own, keyManager);
    if (!keyManager || keyManager->IsCustomizing() || keyManager->GetKeyboardModeBar())
        return false;
    if (!released) {
        if (key == win::VK_MENU) {
            GAltPressedAlone = true;
            return false;
        }
        GAltPressedAlone = false;
        return HandleMenuKey(key, own, keyManager);
    }
    TxbBar* mainBar = keyManager->GetMainMenuBar();
    TxbBarControl* mainWindow = mainBar ? mainBar->GetControl() : nullptr;
    if (mainWindow && mainWindow->HandleAllocated()) {
        const bool altAlone = key == win::VK_MENU && GAltPressedAlone && !IsAnyKeyDown();
        const bool f10 = key == win::VK_F10 && keyManager->GetUseF10ForMenu() && !KeyDown(win::VK_SHIFT) &&
                         !KeyDown(win::VK_CONTROL) && !KeyDown(win::VK_MENU);
        if (altAlone || f10) {
            GAltPressedAlone = false;
            mainWindow->EnterKeyboardMode(nullptr);
            return true;
        }
    }
    GAltPressedAlone = false;
    return false;
}

// The item control the mouse is over: the selection of the bar window under the mouse, or of the active
// window while it holds the mouse.
TxbBarItemControl* ItemControlUnderMouse(win::HWND mouseWindow, const win::TPoint& point) {
    if (auto* window = dynamic_cast<TCustomxbBarControl*>(vcl::TWinControl::FindControl(mouseWindow)))
        if (IsBarControlAlive(window))
            return window->GetSelectedControl();
    TCustomxbBarControl* active = GetActiveBarControl();
    if (win::GetCapture() && active && active->HandleAllocated() &&
        win::WindowFromPoint(point) == active->GetHandle())
        return active->GetSelectedControl();
    return nullptr;
}

// The mouse window is one of the active chain's windows (or a direct child of one).
bool InsideActiveChain(win::HWND mouseWindow) {
    for (TCustomxbBarControl* w = GetActiveBarControl(); w && IsBarControlAlive(w); w = w->GetParentBarControl()) {
        if (!w->HandleAllocated())
            continue;
        if (mouseWindow == w->GetHandle() || win::GetParent(mouseWindow) == w->GetHandle())
            return true;
    }
    return false;
}

bool IsButtonPress(win::WPARAM message) {
    switch (message) {
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK:
    case win::WM_NCLBUTTONDOWN:
    case win::WM_NCRBUTTONDOWN:
    case win::WM_NCMBUTTONDOWN:
    case win::WM_NCLBUTTONDBLCLK:
    case win::WM_NCRBUTTONDBLCLK:
    case win::WM_NCMBUTTONDBLCLK: return true;
    default: return false;
    }
}

bool HandleMouse(int code, win::WPARAM message, win::MOUSEHOOKSTRUCT* info) {
    bool swallow = false;
    if (!GInMouseHook && code >= 0 && GetActiveBarControl()) {
        const bool upOfOtherButton = message == win::WM_RBUTTONUP || message == win::WM_NCRBUTTONUP ||
                                     message == win::WM_MBUTTONUP || message == win::WM_NCMBUTTONUP;
        const bool qualifies =
            !upOfOtherButton || ItemControlUnderMouse(info->hwnd, info->pt) || InsideActiveChain(info->hwnd);
        if (qualifies) {
            TCustomxbBarControl* active = GetActiveBarControl();
            if (!(active->GetBarManager() && active->GetBarManager()->IsDetaching())) {
                GInMouseHook = true;
                try {
                    while (TCustomxbBarControl* head = GetActiveBarControl()) {
                        const bool leftUp = message == win::WM_LBUTTONUP || message == win::WM_NCLBUTTONUP;
                        const bool closingUp = leftUp && !ItemControlUnderMouse(info->hwnd, info->pt) &&
                                               !head->IsCustomizing() &&
                                               (head->IsToolbar() || head->GetParentBarControl());
                        if (!(IsButtonPress(message) || closingUp) || InsideActiveChain(info->hwnd))
                            break;
                        head->DeactivateAll();
                        if (GetActiveBarControl() == head)
                            break;
                    }
                } catch (...) {
                    GInMouseHook = false;
                    throw;
                }
                GInMouseHook = false;
            }
            if (!win::IsWindowVisible(info->hwnd))
                swallow = true;
        } else {
            swallow = true;
        }
    }
    if (swallow)
        return true;
    if (code >= 0 && (message == win::WM_RBUTTONUP || message == win::WM_NCRBUTTONUP)) {
        vcl::TWinControl* control = ControlOfWindow(info->hwnd);
        if (control && control->GetEnabled())
            if (TxbBarManager* manager = ManagerOfControl(control))
                if (manager->GetPopupMenuLinks()->PopupForControl(control, info->hwnd, info->pt))
                    return true;
    }
    return false;
}

// The manager handles a message of its owner form, with the hook's re-entry guard set meanwhile.
void HandOwnerFormMessage(TxbBarManager* manager, const win::CWPSTRUCT* cwp) {
    GInCallWndProcHook = true;
    vcl::ScopeExit done([]() noexcept { GInCallWndProcHook = false; });
    manager->HandleOwnerFormMessage(cwp->message, cwp->wParam, cwp->lParam);
}

void HandleCallWndProc(win::CWPSTRUCT* cwp) {
    vcl::TCustomForm* form = nullptr;
    if (cwp->message == win::WM_HELP) {
        TCustomxbBarControl* active = GetActiveBarControl();
        TxbBarManager* manager = active ? active->GetBarManager() : nullptr;
        if (manager && manager->GetOwnerForm()) {
            vcl::TCustomForm* target = nullptr;
            if (vcl::TWinControl* control = ControlOfWindow(cwp->hwnd))
                target = vcl::GetParentForm(control);
            if (target != manager->GetOwnerForm()) {
                if (!GInCallWndProcHook)
                    HandOwnerFormMessage(manager, cwp);
                return;
            }
        }
    }
    if (GInCallWndProcHook)
        return;
    form = FormOfWindow(cwp->hwnd);
    TxbBarManager* manager = form ? GetBarManagerByForm(form) : nullptr;
    if (!manager && cwp->message == win::WM_ACTIVATE) {
        vcl::TWinControl* control = vcl::TWinControl::FindControl(cwp->hwnd);
        const bool barWindow = dynamic_cast<TCustomxbBarControl*>(control) != nullptr;
        auto* parentForm = FormOfWindow(win::GetParent(cwp->hwnd));
        if (!barWindow && parentForm && parentForm->GetVisible())
            manager = GetBarManagerByForm(parentForm);
    }
    if (manager)
        HandOwnerFormMessage(manager, cwp);
}

} // namespace

void RegisterManager(TxbBarManager* manager) {
    TxbBarManagerList* list = BarManagerList();
    if (!list)
        return;
    if (list->IndexOf(manager) < 0)
        list->Add(manager);
    const win::DWORD thread = win::GetCurrentThreadId();
    if (!GKeyboardHook)
        GKeyboardHook = win::SetWindowsHookEx(win::WH_KEYBOARD, BarKeyboardHookProc, nullptr, thread);
    if (!GMouseHook)
        GMouseHook = win::SetWindowsHookEx(win::WH_MOUSE, BarMouseHookProc, nullptr, thread);
    if (!GCallWndProcHook)
        GCallWndProcHook = win::SetWindowsHookEx(win::WH_CALLWNDPROC, BarCallWndProcHookProc, nullptr, thread);
}

void UnregisterManager(TxbBarManager* manager) {
    TxbBarManagerList* list = BarManagerList();
    if (list)
        list->Remove(manager);
    if (list && list->GetCount() > 0)
        return;
    if (GCallWndProcHook)
        win::UnhookWindowsHookEx(GCallWndProcHook);
    GCallWndProcHook = nullptr;
    if (GMouseHook)
        win::UnhookWindowsHookEx(GMouseHook);
    GMouseHook = nullptr;
    if (GKeyboardHook)
        win::UnhookWindowsHookEx(GKeyboardHook);
    GKeyboardHook = nullptr;
    GAltPressedAlone = false;
    GPendingKeyUp = false;
}

bool BarHooksInstalled() { return GKeyboardHook && GMouseHook && GCallWndProcHook; }

win::LRESULT BarKeyboardHookProc(int code, win::WPARAM wParam, win::LPARAM lParam) {
    bool swallow = GInCaptionButtonLoop;
    if (!swallow && code >= 0 && wParam != win::VK_PROCESSKEY && BarManagerList())
        swallow = Guarded([&] { return HandleKey(uint16_t(wParam), lParam); });
    if (GInEditKeyForward)
        return 0;
    const win::LRESULT next = win::CallNextHookEx(GKeyboardHook, code, wParam, lParam);
    return swallow ? 1 : next;
}

win::LRESULT BarMouseHookProc(int code, win::WPARAM wParam, win::LPARAM lParam) {
    auto* info = reinterpret_cast<win::MOUSEHOOKSTRUCT*>(lParam);
    bool swallow = false;
    if (info && BarManagerList())
        swallow = Guarded([&] { return HandleMouse(code, wParam, info); });
    const win::LRESULT next = win::CallNextHookEx(GMouseHook, code, wParam, lParam);
    return swallow ? 1 : next;
}

win::LRESULT BarCallWndProcHookProc(int code, win::WPARAM wParam, win::LPARAM lParam) {
    auto* cwp = reinterpret_cast<win::CWPSTRUCT*>(lParam);
    if (code >= 0 && cwp && BarManagerList())
        Guarded([&] {
            HandleCallWndProc(cwp);
            return false;
        });
    return win::CallNextHookEx(GCallWndProcHook, code, wParam, lParam);
}

vcl::TShiftState GetKeyShiftState() {
    // The state as of the input being handled (the hooks see each key after the thread's key state took
    // it), so that keys typed ahead do not change the meaning of the ones before.
    vcl::TShiftState shift;
    if (KeyDown(win::VK_SHIFT))
        shift.Include(vcl::ssShift);
    if (KeyDown(win::VK_MENU))
        shift.Include(vcl::ssAlt);
    if (KeyDown(win::VK_CONTROL))
        shift.Include(vcl::ssCtrl);
    return shift;
}

bool IsAnyKeyDown() {
    win::BYTE state[256] = {};
    if (!win::GetKeyboardState(state))
        return false;
    for (win::BYTE b : state)
        if (b & 0x80)
            return true;
    return false;
}

void SetInCaptionButtonLoop(bool value) { GInCaptionButtonLoop = value; }
void SetInEditKeyForward(bool value) { GInEditKeyForward = value; }

} // namespace bars
