#include "platform/vcl/Application.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Thread.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/FontsEngine.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <set>
#include <climits>
#include <unistd.h>

namespace vcl {

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);
TMouse* Mouse = new TMouse();

namespace {

constexpr const char* AppWindowClass = "TApplication";

constexpr uintptr_t AppHintShowTimer = 1;
constexpr uintptr_t AppHintHideTimer = 2;
constexpr int32_t AppHintMaxWidth = 300;

win::LRESULT CALLBACK_AppWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_SETTINGCHANGE && wParam == win::SPI_SETNONCLIENTMETRICS && Screen)
        Screen->UpdateHintFont();
    if (msg == win::WM_TIMER && Application) {
        try {
            Application->HintTimer(wParam);
        } catch (const win::StallError&) {
            throw;
        } catch (const std::exception& e) {
            Application->HandleException(Application, e);
        }
        return 0;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

// ---- TApplication --------------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner), FIcon(std::make_unique<TIcon>()) {
    FIcon->OnChange = [this](TObject*) {
        if (FHandle && win::IsWindow(FHandle))
            win::SendMessage(FHandle, win::WM_SETICON, win::ICON_BIG,
                             reinterpret_cast<win::LPARAM>(FIcon->GetEmpty() ? nullptr : FIcon->GetHandle()));
        // Forms without an icon of their own show this one.
        if (Screen)
            for (int32_t i = 0; i < Screen->GetFormCount(); ++i)
                if (Screen->GetForm(i)->GetIcon()->GetEmpty())
                    Screen->GetForm(i)->UpdateIcon();
    };
}

void TApplication::SetIcon(TIcon* value) {
    FIcon->Assign(value);
}

TApplication::~TApplication() {
    FHintWindow = nullptr; // owned: freed with the other components
    if (FHandle && win::IsWindow(FHandle))
        win::DestroyWindow(FHandle);
}

void TApplication::InstallWake() {
    if (FWakeInstalled)
        return;
    FWakeInstalled = true;
    // A worker's Synchronize ends the main thread's wait; the loop then runs the queued calls.
    SetWakeMainThread([] { win::ScreenBackend().Wake(); });
}

void TApplication::Initialize() {
    FWakeInstalled = false; // installed again: another part of the program may have replaced it
    InstallWake();
}

std::string TApplication::GetExeName() const {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

win::HWND TApplication::GetHandle() {
    if (FHandle && win::IsWindow(FHandle))
        return FHandle;
    static bool registered = false;
    if (!registered) {
        win::WNDCLASSEX wc;
        wc.lpfnWndProc = CALLBACK_AppWndProc;
        wc.lpszClassName = AppWindowClass;
        win::RegisterClassEx(wc);
        registered = true;
    }
    FHandle = win::CreateWindowEx(win::WS_EX_TOOLWINDOW, AppWindowClass, FTitle.c_str(), win::WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, nullptr, nullptr);
    if (FHandle && !FIcon->GetEmpty())
        win::SendMessage(FHandle, win::WM_SETICON, win::ICON_BIG,
                         reinterpret_cast<win::LPARAM>(FIcon->GetHandle()));
    return FHandle;
}

bool TApplication::GetActive() const {
    win::HWND active = win::GetActiveWindow();
    return active && TWinControl::FindControl(active) != nullptr;
}

void TApplication::AddCreatedForm(TCustomForm* form) {
    if (!FMainForm)
        FMainForm = form;
    form->DoCreate();
}

void TApplication::FormDestroyed(TCustomForm* form) {
    if (FMainForm == form)
        FMainForm = nullptr;
}

void TApplication::ResetForTesting() {
    CancelHint();
    if (FHintControl)
        FHintControl->RemoveFreeNotification(this);
    FHintControl = nullptr;
    FMainForm = nullptr;
    FTerminated = false;
    FModalLevel = 0;
    FHelpRequests.clear();
    FIcon->Assign(nullptr);
    {
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
        }
    }
}

void TApplication::Run() {
    Initialize();
    if (FMainForm)
        FMainForm->Show();
    win::WaitScope scope("The application's message loop");
    while (!FTerminated) {
        HandleMessage();
        // The main form went away without Close (freed by code): nothing is left to run.
        if (!FMainForm)
            break;
    }
}

bool TApplication::ProcessMessage() {
    win::MSG m;
    if (!win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
        return false;
    if (m.message == win::WM_QUIT) {
        FTerminated = true;
        return true;
    }
    win::TranslateMessage(&m);
    win::DispatchMessage(&m);
    return true;
}

void TApplication::ProcessMessages() {
    InstallWake();
    CheckSynchronize();
    while (ProcessMessage()) {
    }
}

void TApplication::HandleMessage() {
    InstallWake();
    if (!ProcessMessage())
        Idle();
}

void TApplication::Idle() {
    bool done = true;
    try {
        if (OnIdle)
            OnIdle(this, done);
        // The action-update pass: actions of the shown forms and of their controls refresh their state.
        if (Screen)
            for (int32_t i = 0; i < Screen->GetFormCount(); ++i)
                if (TCustomForm* form = Screen->GetForm(i); form->Showing())
                    form->UpdateActions();
        // A synchronised call may have changed what the caller's loop waits for: let it look first.
        if (CheckSynchronize())
            done = false;
    } catch (const win::StallError&) {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        HandleException(this, e);
    }
    if (done && !FTerminated)
        win::WaitMessage();
}

void TApplication::Terminate() {
    if (!FTerminated)
        win::PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender, const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e))
        return;
    if (OnException) {
        OnException(sender, e);
        return;
    }
    ShowException(e);
}

void TApplication::ShowException(const std::exception& e) {
    std::string text = e.what();
    if (!text.empty() && text.back() > '.')
        text += '.';
    MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int32_t TApplication::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    return vcl::MessageBox(text, caption, flags);
}

void TApplication::SetHint(const std::string& value) {
    if (value == FHint)
        return;
    FHint = value;
    if (OnHint)
        OnHint(this);
}

void TApplication::SetHintColor(TColor value) {
    if (value == FHintColor)
        return;
    FHintColor = value;
    if (FHintWindow)
        FHintWindow->SetColor(value);
}

bool TApplication::HelpContext(THelpContext context) {
    return HelpCommand(HELP_CONTEXT, context);
}

bool TApplication::HelpCommand(uint16_t command, intptr_t data) {
    bool callHelp = true;
    bool result = false;
    if (OnHelp)
        result = OnHelp(command, data, callHelp);
    if (!callHelp)
        return result;
    FHelpRequests.push_back({command, data});
    return false;
}

void TApplication::SetShowHint(bool value) {
    if (!SetIfChanged(FShowHint, value))
        return;
    if (!value)
        CancelHint();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == FHintControl) {
        FHintControl = nullptr;
        CancelHint();
    }
    if (component == FHintWindow)
        FHintWindow = nullptr;
}

void TApplication::CancelHint() {
    if (FHandle) {
        win::KillTimer(FHandle, AppHintShowTimer);
        win::KillTimer(FHandle, AppHintHideTimer);
    }
    if (FHintShown && FHintWindow)
        FHintWindow->ReleaseHandle();
    bool wasShown = FHintShown;
    FHintShown = false;
    if (wasShown)
        SetHint("");
}

void TApplication::HintMouseMove(TControl* control) {
    if (control == FHintControl)
        return;
    CancelHint();
    if (FHintControl)
        FHintControl->RemoveFreeNotification(this);
    FHintControl = control;
    if (!control)
        return;
    control->FreeNotification(this);
    if (FShowHint && control->GetShowHint() && !control->GetHint().empty())
        win::SetTimer(GetHandle(), AppHintShowTimer, FHintPause, nullptr);
}

void TApplication::HintMouseLeft(TControl* control) {
    if (!FHintControl)
        return;
    // Leaving a window leaves its graphic children too.
    for (TControl* c = FHintControl; c; c = c->GetParent())
        if (c == control) {
            CancelHint();
            FHintControl->RemoveFreeNotification(this);
            FHintControl = nullptr;
            return;
        }
}

void TApplication::HintTimer(uintptr_t id) {
    win::KillTimer(GetHandle(), id);
    if (id == AppHintHideTimer) {
        CancelHint();
        return;
    }
    if (id != AppHintShowTimer || !FHintControl || !FShowHint)
        return;
    FHintText = FHintControl->GetHint();
    if (FHintText.empty())
        return;
    if (!FHintWindow) {
        FHintWindow = new THintWindow(this);
        FHintWindow->FreeNotification(this);
    }
    TPoint at;
    win::GetCursorPos(&at);
    TRect r = FHintWindow->CalcHintRect(AppHintMaxWidth, FHintText);
    // Below the cursor, kept on the monitor's work area.
    TRect work = Screen ? Screen->MonitorFromPoint(at).WorkareaRect : TRect{0, 0, 1 << 20, 1 << 20};
    int32_t left = std::clamp(at.X, work.Left, std::max(work.Left, work.Right - r.Width()));
    int32_t top = at.Y + 20;
    if (top + r.Height() > work.Bottom)
        top = std::max(work.Top, at.Y - r.Height() - 4);
    FHintWindow->ActivateHint({left, top, left + r.Width(), top + r.Height()}, FHintText);
    FHintShown = true;
    SetHint(FHintText);
    win::SetTimer(GetHandle(), AppHintHideTimer, FHintHidePause, nullptr);
}

// ---- THintWindow ---------------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    FVisible = false;
    FColor = Application ? Application->GetHintColor() : clInfoBk;
    FParentFont = false;
    if (Screen)
        FFont->Assign(Screen->GetHintFont());
    else
        FFont->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.Style = win::WS_POPUP | win::WS_BORDER;
    p.ExStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_NOACTIVATE;
    p.WndParent = nullptr;
}

TRect THintWindow::CalcHintRect(int32_t maxWidth, const std::string& text) {
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, FFont->GetHandle());
    TRect r{0, 0, maxWidth, 0};
    win::DrawText(dc, text.c_str(), -1, &r, win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_NOPREFIX);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    // Room for the border and a little padding on each side.
    return {0, 0, r.Width() + 8, r.Height() + 4};
}

void THintWindow::ActivateHint(TRect rect, const std::string& text) {
    SetText(text);
    HandleNeeded();
    FVisible = true;
    win::SetWindowPos(FHandle, win::HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
                      win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE);
    win::InvalidateRect(FHandle, nullptr, win::TRUE);
}

void THintWindow::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case win::WM_NCHITTEST:
        m.Result = win::HTTRANSPARENT;
        return;
    case win::WM_MOUSEACTIVATE:
        m.Result = win::MA_NOACTIVATE;
        return;
    case win::WM_NCDESTROY:
        FVisible = false;
        TCustomControl::Dispatch(m);
        return;
    default:
        TCustomControl::Dispatch(m);
    }
}

void THintWindow::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    c->GetBrush()->SetStyle(bsClear);
    TRect r = GetClientRect();
    r = {r.Left + 3, r.Top + 1, r.Right - 3, r.Bottom - 1};
    win::DrawText(c->GetHandle(), FText.c_str(), -1, &r, win::DT_WORDBREAK | win::DT_NOPREFIX | win::DT_LEFT);
}

void TApplication::ModalStarted() {
    if (++FModalLevel == 1 && OnModalBegin)
        OnModalBegin(this);
}

void TApplication::ModalFinished() {
    if (FModalLevel > 0 && --FModalLevel == 0 && OnModalEnd)
        OnModalEnd(this);
}

// ---- TScreen -------------------------------------------------------------------------------------------

win::HCURSOR CursorHandle(TCursor cursor) {
    int id = win::IDC_ARROW;
    switch (cursor) {
    case crCross:
        id = win::IDC_CROSS;
        break;
    case crIBeam:
        id = win::IDC_IBEAM;
        break;
    case crSizeNESW:
        id = win::IDC_SIZENESW;
        break;
    case crSizeNS:
        id = win::IDC_SIZENS;
        break;
    case crSizeNWSE:
        id = win::IDC_SIZENWSE;
        break;
    case crSizeWE:
        id = win::IDC_SIZEWE;
        break;
    case crUpArrow:
        id = win::IDC_UPARROW;
        break;
    case crHourGlass:
        id = win::IDC_WAIT;
        break;
    case crNo:
        id = win::IDC_NO;
        break;
    case crAppStart:
        id = win::IDC_APPSTARTING;
        break;
    case crHelp:
        id = win::IDC_HELP;
        break;
    case crHandPoint:
        id = win::IDC_HAND;
        break;
    case crSizeAll:
        id = win::IDC_SIZEALL;
        break;
    case crNone:
        return nullptr;
    default:
        break;
    }
    if (cursor > 0 && Screen)
        return Screen->GetCursors(cursor);
    return win::LoadCursor(nullptr, id);
}

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

void TScreen::SetCursor(TCursor value) {
    if (!SetIfChanged(FCursor, value))
        return;
    // Show it at once where the mouse is; crDefault gives each window its own back on the next move.
    win::SetCursor(CursorHandle(value == crDefault ? crArrow : value));
}

win::HCURSOR TScreen::GetCursors(TCursor id) const {
    if (id > 0) {
        for (auto& [k, h] : FCursors)
            if (k == id)
                return h;
        return win::LoadCursor(nullptr, win::IDC_ARROW);
    }
    return CursorHandle(id);
}

void TScreen::SetCursors(TCursor id, win::HCURSOR handle) {
    for (auto& entry : FCursors)
        if (entry.first == id) {
            entry.second = handle;
            return;
        }
    FCursors.emplace_back(id, handle);
}

TWinControl* TScreen::GetActiveControl() const {
    return TWinControl::FindControl(win::GetFocus());
}

void TScreen::AddForm(TCustomForm* form) {
    FForms.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    if (FActiveForm == form)
        FActiveForm = nullptr;
}

void TScreen::FormActivated(TCustomForm* form) {
    FActiveForm = form;
    // The active form comes first in the list, as the screen orders its forms.
    auto it = std::find(FForms.begin(), FForms.end(), form);
    if (it != FForms.end())
        std::rotate(FForms.begin(), it, it + 1);
}

int32_t TScreen::GetWidth() const {
    return GetMonitor(0).Width();
}
int32_t TScreen::GetHeight() const {
    return GetMonitor(0).Height();
}
TRect TScreen::GetWorkAreaRect() const {
    return GetMonitor(0).WorkareaRect;
}

int32_t TScreen::GetMonitorCount() const {
    return int32_t(win::ScreenBackend().Monitors().size());
}

TMonitor TScreen::GetMonitor(int32_t index) const {
    auto monitors = win::ScreenBackend().Monitors();
    // Monitor 0 is the primary one.
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const win::MonitorDesc& d) { return d.Primary; });
    TMonitor m;
    if (index < 0 || size_t(index) >= monitors.size())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    m.MonitorNum = index;
    m.BoundsRect = monitors[size_t(index)].Bounds;
    m.WorkareaRect = monitors[size_t(index)].Work;
    m.Primary = index == 0;
    return m;
}

TMonitor TScreen::MonitorFromPoint(TPoint point, TMonitorDefaultTo fallback) const {
    int32_t count = GetMonitorCount();
    int32_t best = -1;
    int64_t bestDistance = INT64_MAX;
    for (int32_t i = 0; i < count; ++i) {
        TRect b = GetMonitor(i).BoundsRect;
        if (win::Contains(b, point))
            return GetMonitor(i);
        int64_t dx = point.X < b.Left ? b.Left - point.X : point.X >= b.Right ? point.X - b.Right + 1 : 0;
        int64_t dy = point.Y < b.Top ? b.Top - point.Y : point.Y >= b.Bottom ? point.Y - b.Bottom + 1 : 0;
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = i;
        }
    }
    if (fallback == mdNull || count == 0)
        throw EInvalidOperation("No monitor at that point");
    return GetMonitor(fallback == mdPrimary || best < 0 ? 0 : best);
}

// ---- TMouse --------------------------------------------------------------------------------------------

TPoint TMouse::GetCursorPos() const {
    TPoint p;
    win::GetCursorPos(&p);
    return p;
}

void TMouse::SetCursorPos(TPoint value) {
    win::SetCursorPos(value.X, value.Y);
}

int32_t TMouse::GetWheelScrollLines() const {
    win::UINT lines = 3;
    win::SystemParametersInfo(win::SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return int32_t(lines);
}

TFont* TScreen::GetHintFont() {
    if (!FHintFont) {
        FHintFont = std::make_unique<TFont>();
        UpdateHintFont();
    }
    return FHintFont.get();
}

void TScreen::UpdateHintFont() {
    if (!FHintFont)
        return;
    win::NONCLIENTMETRICS metrics;
    if (win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        FHintFont->SetHandle(win::CreateFontIndirect(&metrics.lfStatusFont));
    else
        FHintFont->SetSize(8);
    FHintFont->SetColor(clInfoText);
}

TStrings* TScreen::GetFonts() {
    if (FFonts)
        return FFonts.get();
    FFonts = std::make_unique<TStringList>();
    // Families as fontconfig knows them, each once.
    std::set<std::string> seen;
    std::vector<std::string> names;
    for (std::string& name : win::InstalledFontFamilies())
        if (seen.insert(LowerCase(name)).second)
            names.push_back(std::move(name));
    std::sort(names.begin(), names.end(),
              [&](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
    for (auto& n : names)
        FFonts->Add(n);
    return FFonts.get();
}

} // namespace vcl
