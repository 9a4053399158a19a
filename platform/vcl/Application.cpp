#include "platform/vcl/Application.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Thread.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace vcl {

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);
TMouse* Mouse = new TMouse();

namespace {

constexpr const char* AppWindowClass = "TApplication";

win::LRESULT CALLBACK_AppWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

// ---- TApplication --------------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
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
    FMainForm = nullptr;
    FTerminated = false;
    FModalLevel = 0;
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
    if (value == FCursor)
        return;
    FCursor = value;
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
        if (RectContains(b, point))
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

} // namespace vcl
