#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <thread>

using namespace win;
using headless::HeadlessScreen;

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Green = RGB(0, 255, 0);

// Windows of this class fill their client area with a colour of their own when painted and log it.
std::map<HWND, COLORREF>& Colours() {
    static std::map<HWND, COLORREF> colours;
    return colours;
}
std::vector<HWND>& Painted() {
    static std::vector<HWND> painted;
    return painted;
}
std::map<HWND, std::function<void(HDC, const TRect&)>>& Painters() {
    static std::map<HWND, std::function<void(HDC, const TRect&)>> painters;
    return painters;
}

LRESULT FillProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Painted().push_back(hwnd);
        TRect client;
        GetClientRect(hwnd, &client);
        auto painter = Painters().find(hwnd);
        if (painter != Painters().end()) {
            painter->second(dc, client);
        } else {
            HBRUSH brush = CreateSolidBrush(Colours()[hwnd]);
            FillRect(dc, &client, brush);
            DeleteObject(brush);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_MOUSEACTIVATE && (GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return MA_NOACTIVATE;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class PaintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = FillProc;
            wc.lpszClassName = "LoomwickTestFill";
            RegisterClassEx(wc);
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "LoomwickTestErase";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1));
            RegisterClassEx(wc);
            registered = true;
        }
        ResetInputState();
        FScreen.SetStallGraceMs(0);
        Painted().clear();
    }
    void TearDown() override {
        for (HWND w : FWindows)
            if (IsWindow(w))
                DestroyWindow(w);
        Colours().clear();
        Painters().clear();
        ResetInputState();
    }
    HWND Make(COLORREF colour, DWORD style, TRect r, HWND parent = nullptr, DWORD ex = 0,
              const char* cls = "LoomwickTestFill") {
        HWND w = CreateWindowEx(ex, cls, "", style, r.Left, r.Top, r.Width(), r.Height(), parent, nullptr, nullptr,
                                nullptr);
        Colours()[w] = colour;
        FWindows.push_back(w);
        return w;
    }
    void Pump() {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessage(&m);
        }
    }
    ManualClock FClock{1000};
    ScopedClock FClockScope{FClock};
    HeadlessScreen FScreen;
    std::vector<HWND> FWindows;
};

} // namespace

TEST_F(PaintingTest, ParentsPaintBeforeChildrenAndClipChildrenKeepsThemWhole) {
    HWND parent = Make(Red, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, {100, 100, 300, 300});
    HWND child = Make(Blue, WS_CHILD | WS_VISIBLE, {50, 50, 100, 100}, parent);
    Pump();
    EXPECT_EQ(Painted(), (std::vector<HWND>{parent, child}));
    EXPECT_EQ(FScreen.WindowPixel(parent, 10, 10), Red);
    EXPECT_EQ(FScreen.WindowPixel(parent, 60, 60), Blue);
    EXPECT_EQ(FScreen.ScreenPixel(160, 160), Blue);
    EXPECT_EQ(FScreen.ScreenPixel(110, 110), Red);

    // Repainting only the parent leaves the child alone: it is clipped out of the parent's DC.
    Painted().clear();
    InvalidateRect(parent, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Painted(), (std::vector<HWND>{parent}));
    EXPECT_EQ(FScreen.WindowPixel(parent, 60, 60), Blue);
    // Without WS_CLIPCHILDREN invalidating the parent repaints the children too.
    HWND open = Make(Green, WS_POPUP | WS_VISIBLE, {400, 100, 500, 200});
    HWND inner = Make(Blue, WS_CHILD | WS_VISIBLE, {10, 10, 20, 20}, open);
    Pump();
    Painted().clear();
    InvalidateRect(open, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Painted(), (std::vector<HWND>{open, inner}));
    EXPECT_EQ(FScreen.WindowPixel(open, 15, 15), Blue);
}

TEST_F(PaintingTest, ThePaintClipIsTheUpdateRegion) {
    HWND w = Make(Red, WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    Pump();
    Colours()[w] = Green;
    TRect part{10, 10, 20, 20};
    InvalidateRect(w, &part, FALSE);
    Pump();
    EXPECT_EQ(FScreen.WindowPixel(w, 15, 15), Green);
    EXPECT_EQ(FScreen.WindowPixel(w, 25, 15), Red); // outside the update region nothing changed
    // Validated areas are not painted; UpdateWindow paints at once without the queue.
    InvalidateRect(w, nullptr, FALSE);
    ValidateRect(w, nullptr);
    Painted().clear();
    Pump();
    EXPECT_TRUE(Painted().empty());
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(Painted(), (std::vector<HWND>{w}));
}

TEST_F(PaintingTest, EraseUsesTheClassBackgroundAndFramesAreDrawn) {
    HWND w = Make(0, WS_POPUP | WS_BORDER | WS_VISIBLE, {0, 0, 50, 50}, nullptr, 0, "LoomwickTestErase");
    Pump();
    EXPECT_EQ(FScreen.WindowPixel(w, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(FScreen.WindowPixel(w, 25, 25), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(PaintingTest, InvalidationFromAWorkerIsPaintedOnTheWindowsThread) {
    HWND w = Make(Red, WS_POPUP | WS_VISIBLE, {0, 0, 40, 40});
    Pump();
    Painted().clear();
    DWORD paintThread = 0;
    Painters()[w] = [&](HDC dc, const TRect& r) {
        paintThread = GetCurrentThreadId();
        HBRUSH brush = CreateSolidBrush(Green);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    std::thread worker([w] { InvalidateRect(w, nullptr, FALSE); });
    worker.join();
    Pump();
    EXPECT_EQ(Painted(), (std::vector<HWND>{w}));
    EXPECT_EQ(paintThread, GetCurrentThreadId());
    EXPECT_EQ(FScreen.WindowPixel(w, 5, 5), Green);
}

TEST_F(PaintingTest, ALayeredPopupIsComposedWithItsAlpha) {
    Make(Red, WS_POPUP | WS_VISIBLE, {0, 0, 200, 200});
    HWND glass = Make(Blue, WS_POPUP | WS_VISIBLE, {50, 50, 150, 150}, nullptr, WS_EX_LAYERED | WS_EX_TOPMOST);
    SetLayeredWindowAttributes(glass, 0, 128, LWA_ALPHA);
    Pump();
    COLORREF mixed = FScreen.ScreenPixel(100, 100);
    EXPECT_NEAR(GetRValue(mixed), 127, 1);
    EXPECT_NEAR(GetBValue(mixed), 128, 1);
    EXPECT_EQ(FScreen.ScreenPixel(10, 10), Red);

    // Per-pixel alpha from UpdateLayeredWindow: a premultiplied half-transparent green.
    HWND shadow = Make(0, WS_POPUP, {0, 150, 100, 200}, nullptr, WS_EX_LAYERED | WS_EX_TOPMOST);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 100;
    bi.bmiHeader.biHeight = -50;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < 100 * 50; ++i)
        px[i] = 0x80008000; // alpha 128, green 128 (premultiplied from 255)
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, image);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    TSize size{100, 50};
    TPoint origin{0, 0};
    ASSERT_TRUE(UpdateLayeredWindow(shadow, nullptr, nullptr, &size, src, &origin, 0, &blend, ULW_ALPHA));
    ShowWindow(shadow, SW_SHOWNA);
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(image);
    COLORREF over = FScreen.ScreenPixel(10, 180); // over the red window
    EXPECT_NEAR(GetRValue(over), 127, 1);
    EXPECT_NEAR(GetGValue(over), 128, 1);
}

namespace {

// The popup of the demonstration: rows of 20 pixels, the hot one highlighted.
struct DemoMenu {
    HWND Popup = nullptr;
    int Hot = -1;
};
DemoMenu* Demo = nullptr;
HHOOK DemoHook = nullptr;
std::function<void()> DemoStepCheck;

void PaintDemo(HDC dc, const TRect& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    if (Demo && Demo->Hot >= 0) {
        TRect row{0, Demo->Hot * 20, client.Right, Demo->Hot * 20 + 20};
        FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
}

LRESULT DemoMouseHook(int code, WPARAM msg, LPARAM data) {
    auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(data);
    if (Demo && (msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN) && mh->hwnd != Demo->Popup) {
        PostMessage(Demo->Popup, WM_CLOSE, 0, 0);
        return 1;
    }
    return CallNextHookEx(DemoHook, code, msg, data);
}

} // namespace

TEST_F(PaintingTest, APopupOpensOnAClickTracksTheMouseAndClosesOnAClickOutside) {
    HWND owner = Make(Red, WS_POPUP | WS_VISIBLE, {0, 0, 400, 300});
    Pump();
    DemoMenu menu;
    std::vector<std::string> steps;
    // The owner opens the menu where it is clicked and runs its loop.
    Painters()[owner] = nullptr;
    Painters().erase(owner);
    auto openMenu = [&](TPoint at) {
        menu.Popup = Make(0, WS_POPUP, {at.X, at.Y, at.X + 100, at.Y + 100}, owner, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
        Painters()[menu.Popup] = PaintDemo;
        ShowWindow(menu.Popup, SW_SHOWNA);
        Demo = &menu;
        DemoHook = SetWindowsHookEx(WH_MOUSE, DemoMouseHook, nullptr, GetCurrentThreadId());
        WaitScope scope("The demonstration menu");
        MSG m;
        while (GetMessage(&m, nullptr, 0, 0)) {
            if (m.message == WM_CLOSE && m.hwnd == menu.Popup)
                break;
            if (m.message == WM_MOUSEMOVE && m.hwnd == menu.Popup) {
                int row = GET_Y_LPARAM(m.lParam) / 20;
                if (row != menu.Hot) {
                    menu.Hot = row;
                    InvalidateRect(menu.Popup, nullptr, FALSE);
                }
            }
            DispatchMessage(&m);
        }
        UnhookWindowsHookEx(DemoHook);
        Demo = nullptr;
        DestroyWindow(menu.Popup);
    };
    COLORREF menuColour = GetSysColor(COLOR_MENU), hotColour = GetSysColor(COLOR_HIGHLIGHT);
    // Step by step: each scripted step runs when the loop has drained the queue, so the screen is painted.
    FScreen.ScriptMouse(MouseAction::Move, {150, 105}); // row 0
    FScreen.Script([&] {
        steps.push_back("row 0");
        EXPECT_EQ(FScreen.ScreenPixel(140, 110), hotColour);
        EXPECT_EQ(FScreen.ScreenPixel(140, 150), menuColour);
        QueueMouseInput(MouseAction::Move, {150, 145}); // row 2
    });
    FScreen.Script([&] {
        steps.push_back("row 2");
        EXPECT_EQ(FScreen.ScreenPixel(140, 110), menuColour);
        EXPECT_EQ(FScreen.ScreenPixel(140, 150), hotColour);
        EXPECT_EQ(FScreen.ScreenPixel(300, 250), Red); // the owner around it is untouched
    });
    FScreen.ScriptClick({300, 250}); // outside: the hook closes the menu and eats the click
    FScreen.InjectClick({100, 100});
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_LBUTTONUP && m.hwnd == owner) {
            openMenu({100, 100});
            break;
        }
        DispatchMessage(&m);
    }
    Pump();
    EXPECT_EQ(steps, (std::vector<std::string>{"row 0", "row 2"}));
    EXPECT_FALSE(IsWindow(menu.Popup));
    EXPECT_EQ(FScreen.ScreenPixel(140, 150), Red); // the menu is gone from the screen
    EXPECT_EQ(GetActiveWindow(), owner);
}
