// Shared by the window system's tests: a class whose windows log the messages they receive, and a
// fixture that starts every test with no windows, no input and a manual clock.
#pragma once

#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace usertest {

using namespace win;

struct LogEntry {
    std::string Window;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

// Messages worth seeing in a log; the rest (hit tests, cursor queries, text) would drown it.
inline bool Interesting(UINT msg) {
    switch (msg) {
    case WM_NCHITTEST:
    case WM_SETCURSOR:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_GETICON:
    case WM_STYLECHANGING:
    case WM_STYLECHANGED: return false;
    default: return true;
    }
}

inline std::vector<LogEntry>& Log() {
    static std::vector<LogEntry> log;
    return log;
}

inline std::map<HWND, std::string>& Names() {
    static std::map<HWND, std::string> names;
    return names;
}

// Per-window overrides of the answer to a message (return true to answer with *result).
using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline std::map<HWND, Handler>& Handlers() {
    static std::map<HWND, Handler> handlers;
    return handlers;
}

inline std::string& PendingName() {
    static std::string name;
    return name;
}

inline LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Names().count(hwnd))
        Names()[hwnd] = PendingName(); // a window being created gets the name Make was given
    if (Interesting(msg)) {
        auto it = Names().find(hwnd);
        Log().push_back({it == Names().end() ? std::string("?") : it->second, msg, wParam, lParam});
    }
    auto h = Handlers().find(hwnd);
    LRESULT result = 0;
    if (h != Handlers().end() && h->second && h->second(hwnd, msg, wParam, lParam, &result))
        return result;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

inline std::string MessageName(UINT msg) {
    static const std::map<UINT, const char*> names = {
        {WM_CREATE, "WM_CREATE"},           {WM_DESTROY, "WM_DESTROY"},
        {WM_MOVE, "WM_MOVE"},               {WM_SIZE, "WM_SIZE"},
        {WM_ACTIVATE, "WM_ACTIVATE"},       {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"},     {WM_ENABLE, "WM_ENABLE"},
        {WM_SETTEXT, "WM_SETTEXT"},         {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"},             {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_SHOWWINDOW, "WM_SHOWWINDOW"},   {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
        {WM_CANCELMODE, "WM_CANCELMODE"},   {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
        {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
        {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
        {WM_NCCREATE, "WM_NCCREATE"},       {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_NCACTIVATE, "WM_NCACTIVATE"},   {WM_NCPAINT, "WM_NCPAINT"},
        {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"}, {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
        {WM_TIMER, "WM_TIMER"},             {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_KEYUP, "WM_KEYUP"},             {WM_CHAR, "WM_CHAR"},
        {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},   {WM_SYSKEYUP, "WM_SYSKEYUP"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"},     {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"},     {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"}, {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
        {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"}, {WM_MOUSELEAVE, "WM_MOUSELEAVE"},
        {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},   {WM_USER, "WM_USER"},
    };
    auto it = names.find(msg);
    return it == names.end() ? "0x" + std::to_string(msg) : it->second;
}

// The log as "window:MESSAGE" lines, optionally only for some messages.
inline std::vector<std::string> LogLines(const std::vector<UINT>& only = {}) {
    std::vector<std::string> lines;
    for (const auto& e : Log())
        if (only.empty() || std::find(only.begin(), only.end(), e.Message) != only.end())
            lines.push_back(e.Window + ":" + MessageName(e.Message));
    return lines;
}

constexpr const char* LogClass = "LoomwickTestLog";
constexpr const char* LogClassDbl = "LoomwickTestLogDbl";

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        FClock.SetAutoAdvance(true);
        static bool registered = false;
        if (!registered) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = LoggingProc;
            wc.lpszClassName = LogClass;
            RegisterClassEx(wc);
            wc.style = CS_DBLCLKS;
            wc.lpszClassName = LogClassDbl;
            RegisterClassEx(wc);
            registered = true;
        }
        ResetInputState();
        Log().clear();
    }

    void TearDown() override {
        std::vector<HWND> windows;
        EnumWindows([](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&windows));
        for (HWND w : windows)
            DestroyWindow(w);
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        Names().clear();
        Handlers().clear();
        ResetInputState();
        Log().clear();
    }

    HWND Make(const std::string& name, DWORD style, TRect r, HWND parent = nullptr, DWORD exStyle = 0,
              const char* cls = LogClass) {
        PendingName() = name;
        HWND w = CreateWindowEx(exStyle, cls, name.c_str(), style, r.Left, r.Top, r.Width(), r.Height(), parent,
                                nullptr, nullptr, nullptr);
        Names()[w] = name;
        return w;
    }

    // Runs the queue dry.
    void Pump() {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessage(&m);
        }
    }

    ManualClock FClock{100000};
    ScopedClock FClockScope{FClock};
};

} // namespace usertest
