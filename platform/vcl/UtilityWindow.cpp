// Hidden utility windows whose messages go to a function object (AllocateHWnd).
#include "platform/vcl/Application.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace vcl {

namespace {

constexpr const char* UtilityWindowClass = "TPUtilWindow";

// Handlers by window. A window's messages arrive on its own thread, but windows of several threads may be
// made and freed at once: the table has a lock, and a handler is called on a copy of its pointer, so that
// DeallocateHWnd inside it frees nothing still running.
struct UtilityWindowTable {
    std::mutex FLock;
    std::unordered_map<win::HWND, std::shared_ptr<TWndMethod>> FHandlers;

    std::shared_ptr<TWndMethod> Find(win::HWND hwnd) {
        std::lock_guard<std::mutex> guard(FLock);
        auto it = FHandlers.find(hwnd);
        return it == FHandlers.end() ? nullptr : it->second;
    }
    bool Remove(win::HWND hwnd) {
        std::lock_guard<std::mutex> guard(FLock);
        return FHandlers.erase(hwnd) != 0;
    }
};

UtilityWindowTable& UtilityWindows() {
    static UtilityWindowTable* table = new UtilityWindowTable; // outlives windows freed at exit
    return *table;
}

win::LRESULT CALLBACK_UtilityWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    std::shared_ptr<TWndMethod> handler = UtilityWindows().Find(hwnd);
    // Destroyed by other means than DeallocateHWnd: the entry goes with the window.
    if (msg == win::WM_NCDESTROY)
        UtilityWindows().Remove(hwnd);
    if (!handler || !*handler)
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        (*handler)(m);
    } catch (const win::StallError&) {
        throw;
    } catch (const std::exception& e) {
        if (!Application)
            throw;
        Application->HandleException(Application, e);
    }
    return m.Result;
}

} // namespace

win::HWND AllocateHWnd(TWndMethod handler) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        win::WNDCLASSEX wc;
        wc.lpfnWndProc = CALLBACK_UtilityWndProc;
        wc.lpszClassName = UtilityWindowClass;
        win::RegisterClassEx(wc);
    });
    win::HWND hwnd = win::CreateWindowEx(win::WS_EX_TOOLWINDOW, UtilityWindowClass, "", win::WS_POPUP, 0, 0, 0,
                                         0, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd)
        throw EOutOfResources("Error creating window");
    std::lock_guard<std::mutex> guard(UtilityWindows().FLock);
    UtilityWindows().FHandlers[hwnd] = std::make_shared<TWndMethod>(std::move(handler));
    return hwnd;
}

void DeallocateHWnd(win::HWND window) {
    // Only windows made here: a handle of another window is left alone.
    if (!window || !UtilityWindows().Remove(window))
        return;
    win::DestroyWindow(window);
}

} // namespace vcl
