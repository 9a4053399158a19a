// The installed screen backend, the built-in screenless one, and the names of waiting loops.
#include "platform/win/user/Backend.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserModule.h"
#include "platform/win/user/WindowObject.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace win {

namespace {

// Without a screen there is one monitor and no input: a loop that waits for input fails at once unless
// another thread wakes it (a posted message) or time it waits for passes.
class ScreenlessBackend final : public IScreenBackend {
public:
    std::vector<MonitorDesc> Monitors() override { return {{{0, 0, 1024, 768}, {0, 0, 1024, 768}, true}}; }

    void WaitForEvents(DWORD timeoutMs, const std::string& waiter) override {
        std::unique_lock<std::mutex> lock(FLock);
        if (FWoken) {
            FWoken = false;
            return;
        }
        bool manual = dynamic_cast<ManualClock*>(&GetClock()) != nullptr;
        if (timeoutMs != INFINITE && !manual) {
            FCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FWoken; });
            FWoken = false;
            return;
        }
        // Nothing can come but a wake from another thread; give workers a moment, then give up.
        if (!FCv.wait_for(lock, std::chrono::milliseconds(1000), [this] { return FWoken; }))
            throw StallError(waiter + " waits for input, but there is no screen to give any");
        FWoken = false;
    }

    void Wake() override {
        std::lock_guard<std::mutex> guard(FLock);
        FWoken = true;
        FCv.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FCv;
    bool FWoken = false;
};

IScreenBackend*& Installed() {
    static IScreenBackend* backend = nullptr;
    return backend;
}

std::vector<std::string>& WaitNames() {
    thread_local std::vector<std::string> names;
    return names;
}

} // namespace

void SetScreenBackend(IScreenBackend* backend) {
    RegisterUserModule();
    Installed() = backend;
    SetScreenBitsPixel(ScreenBackend().ScreenDepth());
}

void ScreenDepthChanged() {
    const int before = GetScreenBitsPixel();
    SetScreenBitsPixel(ScreenBackend().ScreenDepth());
    const int depth = GetScreenBitsPixel();
    if (depth == before)
        return;
    BroadcastSystemMessage(WM_DISPLAYCHANGE, WPARAM(depth),
                           MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}
IScreenBackend* InstalledScreenBackend() { return Installed(); }

IScreenBackend& ScreenBackend() {
    static ScreenlessBackend* screenless = new ScreenlessBackend;
    IScreenBackend* b = Installed();
    return b ? *b : *screenless;
}

bool DesktopFramedStyle(DWORD style, DWORD exStyle) {
    return !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION && !(exStyle & WS_EX_TOOLWINDOW);
}

bool DesktopDrawsFrame(HWND hwnd) {
    user::Window* w = user::Validate(hwnd);
    if (!w || w->IsChild() || !DesktopFramedStyle(w->FStyle, w->FExStyle))
        return false;
    IScreenBackend* b = Installed();
    return b && b->DesktopFrames();
}

WaitScope::WaitScope(std::string name) { WaitNames().push_back(std::move(name)); }
WaitScope::~WaitScope() { WaitNames().pop_back(); }
std::string WaitScope::Current() { return WaitNames().empty() ? std::string("A message loop") : WaitNames().back(); }

namespace user {

void ScreenBackendNotify(Window* hwnd) { ScreenBackend().TopLevelChanged(hwnd->FHandle); }

} // namespace user

} // namespace win
