#include "platform/vcl/Forms.h"

#include "platform/vcl/ActnList.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <vector>

namespace vcl {

namespace {

// Gives a dialog key to every control under parent until one takes it.
void FormsBroadcastDialogKey(TWinControl* parent, TMessage& m) {
    for (int32_t i = 0; i < parent->GetControlCount() && m.Result == 0; ++i) {
        TControl* c = parent->GetControl(i);
        if (!c->GetVisible() || !c->GetEnabled())
            continue;
        c->DeliverMessage(m);
        if (auto* w = dynamic_cast<TWinControl*>(c); w && m.Result == 0)
            FormsBroadcastDialogKey(w, m);
    }
}

// Moves the focus from current to the next (or previous) control of the same parent in tab order that can
// take it: a tab stop, or a radio button (only the checked one of a group is a tab stop). Containers without
// a tab stop, and what they hold, are passed by. Says whether current was a control to walk from.
bool FormsSelectSibling(TWinControl* current, bool goForward) {
    TWinControl* parent = current ? current->GetParent() : nullptr;
    if (!parent)
        return false;
    // Each sibling is looked at once at most, however the walk ends.
    TWinControl* w = current;
    for (int32_t left = parent->GetControlCount(); left > 0; --left) {
        w = parent->FindNextControl(w, goForward, false, true);
        if (!w || w == current)
            break;
        if (w->GetTabStop() || (w->Perform(win::WM_GETDLGCODE, 0, 0) & win::DLGC_RADIOBUTTON)) {
            w->SetFocus();
            break;
        }
    }
    return true;
}

// Delivers m to every control under parent, nested ones included; the controls of the moment, since a
// control may go while it answers.
void FormsBroadcastAll(TWinControl* parent, TMessage& m) {
    std::vector<TControl*> controls;
    for (int32_t i = 0; i < parent->GetControlCount(); ++i)
        controls.push_back(parent->GetControl(i));
    auto present = [parent](TControl* c) {
        for (int32_t i = 0; i < parent->GetControlCount(); ++i)
            if (parent->GetControl(i) == c)
                return true;
        return false;
    };
    for (TControl* c : controls) {
        if (!present(c))
            continue;
        c->DeliverMessage(m);
        if (!present(c))
            continue;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            FormsBroadcastAll(w, m);
    }
}

} // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    FVisible = false;
    FColor = clBtnFace;
    FParentFont = false;
    FWidth = 320;
    FHeight = 240;
    FIcon = std::make_unique<TIcon>();
    FIcon->OnChange = [this](TObject*) { UpdateIcon(); };
    if (Screen)
        Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    TWinControl::CancelFreeAfterHandlers(this);
    if (Screen)
        Screen->RemoveForm(this);
    if (Application)
        Application->FormDestroyed(this);
}

void TCustomForm::DoCreate() {
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::BeforeDestruction() {
    if (!FDestroyed) {
        FDestroyed = true;
        if (OnDestroy)
            OnDestroy(this);
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FActiveControl)
        FActiveControl = nullptr;
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    if (FParent)
        return;
    p.Style = win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS;
    p.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone:
        p.Style |= win::WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        p.Style |= win::WS_CAPTION | win::WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        p.Style |= win::WS_CAPTION | win::WS_THICKFRAME;
        break;
    case bsDialog:
        p.Style |= win::WS_POPUP | win::WS_CAPTION;
        p.ExStyle |= win::WS_EX_DLGMODALFRAME | win::WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
        p.ExStyle |= win::WS_EX_TOOLWINDOW;
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
        p.Style |= win::WS_SYSMENU;
        if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
            if (FBorderIcons.Contains(biMinimize))
                p.Style |= win::WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize))
                p.Style |= win::WS_MAXIMIZEBOX;
        }
        if (FBorderIcons.Contains(biHelp))
            p.ExStyle |= win::WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop)
        p.ExStyle |= win::WS_EX_TOPMOST;
    if (!FEnabled)
        p.Style |= win::WS_DISABLED;
    // A visible form whose window is made again (a new border style) stays on screen.
    if (FVisible)
        p.Style |= win::WS_VISIBLE;
    // A form that leaves its place to the system is placed by the window system when its window is first
    // made: an owned one is centred on its owner.
    if (!FShownOnce && (FPosition == poDefault || FPosition == poDefaultPosOnly))
        p.X = p.Y = win::CW_USEDEFAULT;
    // Forms other than the main form belong to it, so they stay above it.
    p.WndParent = FParentWindow;
    if (!p.WndParent && Application && Application->GetMainForm() && Application->GetMainForm() != this &&
        Application->GetMainForm()->HandleAllocated())
        p.WndParent = Application->GetMainForm()->GetHandle();
}

void TCustomForm::CreateWndDone() {
    TWinControl::CreateWndDone();
    if (!FParent && !FShownOnce && (FPosition == poDefault || FPosition == poDefaultPosOnly))
        WMWindowPosChanged(); // the place the window system chose
    UpdateIcon();
}

void TCustomForm::SetIcon(TIcon* value) {
    FIcon->Assign(value);
}

win::HICON TCustomForm::GetIconHandle() {
    if (!FIcon->GetEmpty())
        return FIcon->GetHandle();
    if (Application && Application->GetIcon() && !Application->GetIcon()->GetEmpty())
        return Application->GetIcon()->GetHandle();
    return nullptr;
}

void TCustomForm::UpdateIcon() {
    if (!FParent && HandleAllocated())
        win::SendMessage(FHandle, win::WM_SETICON, win::ICON_BIG,
                         reinterpret_cast<win::LPARAM>(GetIconHandle()));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (SetIfChanged(FBorderIcons, value))
        RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (!SetIfChanged(FFormStyle, value))
        return;
    if (HandleAllocated())
        win::SetWindowPos(FHandle, value == fsStayOnTop ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
}

TWindowState TCustomForm::GetWindowState() const {
    if (FHandle && FVisible) {
        if (win::IsIconic(FHandle))
            return wsMinimized;
        if (win::IsZoomed(FHandle))
            return wsMaximized;
        return wsNormal;
    }
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState value) {
    FWindowState = value;
    if (FHandle && FVisible)
        win::ShowWindow(FHandle, value == wsMinimized   ? win::SW_MINIMIZE
                                 : value == wsMaximized ? win::SW_MAXIMIZE
                                                        : win::SW_RESTORE);
}

void TCustomForm::PlaceOnFirstShow() {
    if (FShownOnce || FParent)
        return;
    FShownOnce = true;
    TRect area;
    TCustomForm* center = nullptr;
    switch (FPosition) {
    case poOwnerFormCenter:
        center = dynamic_cast<TCustomForm*>(GetOwner());
        [[fallthrough]];
    case poMainFormCenter:
        if (!center && Application)
            center = Application->GetMainForm();
        if (center == this || (center && !center->GetVisible()))
            center = nullptr;
        [[fallthrough]];
    case poScreenCenter:
    case poDesktopCenter: {
        if (center) {
            area = center->GetBoundsRect();
        } else {
            win::MONITORINFO mi;
            win::GetMonitorInfo(win::MonitorFromPoint({0, 0}, win::MONITOR_DEFAULTTOPRIMARY), &mi);
            area = mi.rcWork;
        }
        int32_t l = area.Left + (area.Width() - FWidth) / 2;
        int32_t t = area.Top + (area.Height() - FHeight) / 2;
        SetBounds(l, t, FWidth, FHeight);
        break;
    }
    default:
        break;
    }
}

void TCustomForm::SetVisible(bool value) {
    if (value == FVisible && (!FHandle || bool(win::IsWindowVisible(FHandle)) == value))
        return;
    if (FParent) {
        TWinControl::SetVisible(value);
        return;
    }
    if (value) {
        HandleNeeded();
        PlaceOnFirstShow();
        FVisible = true;
        DoShow();
        if (!FVisible)
            return; // OnShow hid the form again
        int cmd = FWindowState == wsMaximized   ? win::SW_SHOWMAXIMIZED
                  : FWindowState == wsMinimized ? win::SW_SHOWMINIMIZED
                                                : win::SW_SHOWNORMAL;
        win::ShowWindow(FHandle, cmd);
    } else {
        if (FHandle) {
            FWindowState = GetWindowState();
            FVisible = false;
            win::ShowWindow(FHandle, win::SW_HIDE);
        }
        FVisible = false;
        DoHide();
    }
    Perform(CM_VISIBLECHANGED, value);
}

void TCustomForm::Show() {
    SetVisible(true);
    if (FHandle && !FParent) {
        win::SetWindowPos(FHandle, win::HWND_TOP, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
        win::SetForegroundWindow(FHandle);
        win::SetActiveWindow(FHandle);
    }
}

void TCustomForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose)
        OnClose(this, action);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->GetMainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        SetVisible(false);
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone:
        FModalResult = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Release() {
    if (FReleased)
        return;
    FReleased = true;
    win::PostMessage(GetHandle(), CM_RELEASE, 0, 0);
}

TModalResult TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || FModal || FParent)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (!Application)
        throw EInvalidOperation("No application to run a modal loop");
    if (win::HWND capture = win::GetCapture()) {
        win::SendMessage(capture, win::WM_CANCELMODE, 0, 0);
        win::ReleaseCapture();
    }
    HandleNeeded();
    win::HWND activeBefore = win::GetActiveWindow();
    win::HWND focusBefore = win::GetFocus();

    // Every other window of the program is disabled while the form is up.
    struct Collect {
        win::HWND Self;
        std::vector<win::HWND> Disabled;
    } collect{FHandle, {}};
    win::EnumThreadWindows(
        win::GetCurrentThreadId(),
        [](win::HWND w, win::LPARAM p) -> win::BOOL {
            auto* c = reinterpret_cast<Collect*>(p);
            if (w != c->Self && win::IsWindowVisible(w) && win::IsWindowEnabled(w))
                c->Disabled.push_back(w);
            return win::TRUE;
        },
        reinterpret_cast<win::LPARAM>(&collect));
    for (win::HWND w : collect.Disabled)
        win::EnableWindow(w, win::FALSE);

    FModal = true;
    FModalResult = mrNone;
    Application->ModalStarted();
    auto restore = [&]() {
        for (win::HWND w : collect.Disabled)
            if (win::IsWindow(w))
                win::EnableWindow(w, win::TRUE);
        if (FHandle && win::IsWindowVisible(FHandle)) {
            FVisible = false;
            win::ShowWindow(FHandle, win::SW_HIDE);
            DoHide();
        }
        FVisible = false;
        FModal = false;
        if (activeBefore && win::IsWindow(activeBefore))
            win::SetActiveWindow(activeBefore);
        if (focusBefore && win::IsWindow(focusBefore))
            win::SetFocus(focusBefore);
        Application->ModalFinished();
    };
    return TryFinally(
        [&] {
            Show();
            win::WaitScope scope("The modal loop of form '" + GetName() + "' (" + FText + ")");
            do {
                Application->HandleMessage();
                if (Application->GetTerminated())
                    FModalResult = mrCancel;
                else if (FModalResult != mrNone)
                    CloseModal();
            } while (FModalResult == mrNone);
            return FModalResult;
        },
        restore);
}

void TCustomForm::SetActiveControl(TWinControl* value) {
    if (value == FActiveControl)
        return;
    if (value && (value == this || !ContainsControl(value)))
        throw EInvalidOperation("Invalid control for the form's active control");
    FActiveControl = value;
    if (value) {
        value->FreeNotification(this);
        if (FActive && value->CanFocus())
            value->SetFocus();
    }
}

void TCustomForm::FocusControl(TWinControl* control) {
    SetActiveControl(control);
}

void TCustomForm::SendCancelMode(TControl* sender) {
    if (FActive && FActiveControl)
        FActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<win::LPARAM>(sender));
    if (win::HWND capture = win::GetCapture();
        capture && FHandle && (capture == FHandle || win::IsChild(FHandle, capture)))
        win::SendMessage(capture, win::WM_CANCELMODE, 0, 0);
}

void TCustomForm::Activate() {
    FActive = true;
    if (Screen)
        Screen->FormActivated(this);
    if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->HandleAllocated())
        win::SetFocus(FActiveControl->GetHandle());
    else if (!FActiveControl)
        if (TWinControl* first = FindNextControl(nullptr, true, true, false))
            if (first->HandleAllocated())
                win::SetFocus(first->GetHandle());
    Perform(CM_ACTIVATE);
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate() {
    FActive = false;
    Perform(CM_DEACTIVATE);
    if (OnDeactivate)
        OnDeactivate(this);
}

namespace {

// Offers an accelerator character to the visible, enabled controls of parent and their children, in order,
// until one takes it.
bool FormsDialogChar(TWinControl* parent, TMessage& m) {
    for (int32_t i = 0; i < parent->GetControlCount(); ++i) {
        TControl* c = parent->GetControl(i);
        if (!c->GetVisible() || !c->GetEnabled())
            continue;
        m.Result = 0;
        c->DeliverMessage(m);
        if (m.Result)
            return true;
        if (auto* w = dynamic_cast<TWinControl*>(c); w && FormsDialogChar(w, m))
            return true;
    }
    return false;
}

} // namespace

void TCustomForm::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case win::WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        // This message's own window-procedure call counts as one; any other means a handler (which may
        // belong to this form) is still running further up the stack. Nothing of the form runs after this.
        if (TWinControl::DispatchDepth() > 1)
            TWinControl::FreeAfterHandlers(this);
        else
            Free();
        return;
    case win::WM_ACTIVATE:
        DefaultHandler(m);
        if (FParent)
            return;
        if (win::LOWORD(m.WParam) != win::WA_INACTIVE)
            Activate();
        else if (FActive)
            Deactivate();
        return;
    case CM_FOCUSCHANGED: {
        auto* c = reinterpret_cast<TWinControl*>(m.LParam);
        if (c && c != this && ContainsControl(c)) {
            FActiveControl = c;
            c->FreeNotification(this);
        }
        // Every control of the form hears of it (buttons decide which one draws as the default).
        FormsBroadcastAll(this, m);
        return;
    }
    case CM_DIALOGCHAR:
        m.Result = FormsDialogChar(this, m) ? 1 : 0;
        return;
    case CM_DIALOGKEY: {
        auto key = uint16_t(m.WParam);
        if (key == win::VK_TAB && KeyboardShiftState().Contains(ssCtrl) == false) {
            SelectNext(FActiveControl, !KeyboardShiftState().Contains(ssShift), true);
            m.Result = 1;
            return;
        }
        if (key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN) {
            // The arrows walk the active control's siblings; nothing else hears them.
            m.Result = FormsSelectSibling(FActiveControl, key == win::VK_DOWN || key == win::VK_RIGHT) ? 1 : 0;
            return;
        }
        // Enter and Escape are taken by the default and cancel buttons.
        m.Result = 0;
        FormsBroadcastDialogKey(this, m);
        return;
    }
    default:
        TWinControl::Dispatch(m);
    }
}

bool TCustomForm::IsShortCut(uint16_t key, TShiftState shift) {
    TShortCut shortCut = ShortCut(key, shift);
    if (shortCut == scNone)
        return false;
    for (int32_t i = 0; i < GetComponentCount(); ++i)
        if (auto* list = dynamic_cast<TActionList*>(GetComponent(i)))
            if (list->IsShortCut(shortCut))
                return true;
    return false;
}

namespace {
// The visible controls inside a shown container, nested ones included, whoever owns them.
void FormsInitiateClientActions(TWinControl* container) {
    if (!container->Showing())
        return;
    for (int32_t i = 0; i < container->GetControlCount(); ++i) {
        TControl* control = container->GetControl(i);
        if (!control->GetVisible())
            continue;
        control->InitiateAction();
        if (auto* inner = dynamic_cast<TWinControl*>(control))
            FormsInitiateClientActions(inner);
    }
}
} // namespace

void TCustomForm::UpdateActions() {
    InitiateAction();
    for (int32_t i = 0; i < GetComponentCount(); ++i)
        if (auto* list = dynamic_cast<TActionList*>(GetComponent(i)))
            list->UpdateActions();
    FormsInitiateClientActions(this);
}

// ---- Forms from their layouts -------------------------------------------------------------------------

namespace {

std::string FormsClassNameOf(std::type_index type) {
    int status = 0;
    char* raw = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && raw) ? raw : type.name();
    std::free(raw);
    const size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

// References into other forms ("Form2.Button1") name a form the screen knows.
const bool FormsGlobalFinderInstalled = [] {
    SetFindGlobalComponent([](const std::string& name) -> TComponent* {
        if (!Screen)
            return nullptr;
        for (int32_t i = 0; i < Screen->GetFormCount(); ++i)
            if (SameText(Screen->GetForm(i)->GetName(), name))
                return Screen->GetForm(i);
        return nullptr;
    });
    return true;
}();

} // namespace

void TCustomForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (int32_t i = 0; i < GetComponentCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (!c->HasParent())
            proc(c);
    }
    TWinControl::GetChildren(proc, root);
}

void TCustomForm::InitInheritedComponent(std::type_index formClass) {
    std::vector<std::type_index> chain;
    for (std::type_index t = formClass; t != typeid(void) && chain.size() < 64; t = GetFormClassBase(t))
        chain.push_back(t);
    // A form class that declares no property table of its own shows its base form's properties, and the
    // first registered form class, when it shows none at all, those of the library's form it is built on.
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        LinkPropertyTable(chain[i], chain[i + 1]);
    if (GetPropList(chain.back()).empty() && chain.back() != typeid(TForm) &&
        chain.back() != typeid(TCustomForm))
        LinkPropertyTable(chain.back(), dynamic_cast<TForm*>(this) ? typeid(TForm) : typeid(TCustomForm));
    std::vector<TComponent*> loaded;
    bool found = false;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::string_view text = FindFormResource(FormsClassNameOf(*it));
        if (text.empty())
            continue;
        found = true;
        const std::string binary = ObjectTextToBinary(std::string(text));
        TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
        TReader reader(&stream);
        reader.SetLoadedList(&loaded);
        reader.ReadRootComponent(this);
    }
    if (!found)
        throw EResNotFound("Resource " + FormsClassNameOf(formClass) + " not found");
    for (TComponent* c : loaded)
        c->Loaded();
}

} // namespace vcl
