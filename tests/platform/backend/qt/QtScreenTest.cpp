// The Qt screen on Qt's offscreen platform: desktop windows follow the window system's top-level windows,
// and desktop events become the window system's input. The real X display is checked by
// tests/external/qt_smoke.sh.
#include "platform/backend/qt/QtScreen.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

using namespace win;

namespace {

constexpr const char* QtTestClass = "QtScreenTestWindow";

class QtScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static char name[] = "test_backend_qt";
        char* argv[] = {name, nullptr};
        FScreen = std::make_unique<qtbackend::QtScreen>(1, argv);
        ResetInputState();
        static bool registered = [] {
            WNDCLASSEX wc;
            wc.lpfnWndProc = DefWindowProc;
            wc.hInstance = GetModuleHandle(nullptr);
            wc.lpszClassName = QtTestClass;
            return RegisterClassEx(wc) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    void TearDown() override {
        for (HWND w : FMade)
            if (IsWindow(w))
                DestroyWindow(w);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        FScreen.reset();
        ResetInputState();
    }

    HWND Make(const char* title, DWORD style, DWORD exStyle, TRect r) {
        HWND w = CreateWindowEx(exStyle, QtTestClass, title, style, r.Left, r.Top, r.Width(), r.Height(),
                                nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
        FMade.push_back(w);
        return w;
    }
    static QWindow* Desktop(const char* title) {
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (w->title() == QString::fromUtf8(title))
                return w;
        return nullptr;
    }

    std::unique_ptr<qtbackend::QtScreen> FScreen;
    std::vector<HWND> FMade;
};

TEST_F(QtScreenTest, DesktopWindowsFollowTopLevelWindows) {
    HWND popup = Make("popup", WS_POPUP | WS_VISIBLE, 0, {30, 40, 130, 90});
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    HWND layered = Make("layered", WS_POPUP | WS_CAPTION | WS_VISIBLE, WS_EX_LAYERED, {0, 0, 50, 50});
    Make("hidden", WS_POPUP, 0, {0, 0, 50, 50});

    QWindow* p = Desktop("popup");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->geometry(), QRect(30, 40, 100, 50));
    EXPECT_TRUE(p->flags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(p->flags() & Qt::X11BypassWindowManagerHint); // placed where the window system says

    QWindow* f = Desktop("form");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->flags() & Qt::FramelessWindowHint); // the window system draws the frame itself
    EXPECT_FALSE(f->flags() & Qt::X11BypassWindowManagerHint);

    QWindow* l = Desktop("layered");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->requestedFormat().alphaBufferSize(), 8);
    SetLayeredWindowAttributes(layered, 0, 51, LWA_ALPHA);
    InvalidateRect(layered, nullptr, TRUE);
    UpdateWindow(layered);
    EXPECT_NEAR(l->opacity(), 0.2, 0.01);

    EXPECT_EQ(Desktop("hidden"), nullptr); // made when first shown

    MoveWindow(popup, 60, 70, 80, 30, TRUE);
    EXPECT_EQ(p->geometry(), QRect(60, 70, 80, 30));
    ShowWindow(form, SW_HIDE);
    EXPECT_EQ(Desktop("form"), nullptr); // made again when shown
    ShowWindow(form, SW_SHOWNA);
    ASSERT_NE(Desktop("form"), nullptr);
    EXPECT_EQ(Desktop("form")->geometry(), QRect(200, 100, 300, 200));
    DestroyWindow(popup);
    EXPECT_EQ(Desktop("popup"), nullptr);

    // A new text is the desktop window's title at once, with nothing else done to the window.
    QWindow* before = Desktop("form");
    SetWindowText(form, "form - renamed");
    EXPECT_EQ(Desktop("form"), nullptr);
    EXPECT_EQ(Desktop("form - renamed"), before);
}

TEST_F(QtScreenTest, DesktopInputBecomesMessages) {
    HWND popup = Make("popup", WS_POPUP | WS_VISIBLE, 0, {30, 40, 130, 90});
    QWindow* p = Desktop("popup");
    ASSERT_NE(p, nullptr);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 12), QPointF(40, 52), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(p, &press);
    MSG msg;
    MSG down{};
    for (int i = 0; i < 100 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_LBUTTONDOWN)
            down = msg;
        DispatchMessage(&msg);
    }
    ASSERT_EQ(down.message, WM_LBUTTONDOWN);
    EXPECT_EQ(down.hwnd, popup);
    EXPECT_EQ(GET_X_LPARAM(down.lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(down.lParam), 12);

    QKeyEvent key(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(p, &key);
    EXPECT_TRUE(GetAsyncKeyState(VK_F5) & 0x8000);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(p, &up);
    EXPECT_FALSE(GetAsyncKeyState(VK_F5) & 0x8000);

    // Closing from the desktop asks the window (its close command), which stays until it agrees.
    QCloseEvent close;
    QCoreApplication::sendEvent(p, &close);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, popup);
    EXPECT_EQ(msg.wParam & 0xFFF0, WPARAM(SC_CLOSE));
    EXPECT_TRUE(IsWindow(popup));
    EXPECT_TRUE(p->isVisible());
}

namespace {

// WM_ACTIVATEAPP as the program's windows hear it: 1 or 0 per message.
std::vector<int>& AppActivations() {
    static std::vector<int> seen;
    return seen;
}

LRESULT ActivationHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && cwp->message == WM_ACTIVATEAPP)
        AppActivations().push_back(cwp->wParam ? 1 : 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(QtScreenTest, TheProgramIsInactiveWhileTheDesktopsFocusIsElsewhere) {
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    HWND other = Make("other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {520, 100, 700, 300});
    auto settle = [this] {
        for (int i = 0; i < 5; ++i)
            FScreen->WaitForEvents(20, "test");
    };
    settle();
    struct Hook {
        HHOOK H = SetWindowsHookEx(WH_CALLWNDPROC, ActivationHook, nullptr, GetCurrentThreadId());
        ~Hook() { UnhookWindowsHookEx(H); }
    } hook;
    AppActivations().clear();

    // The focus moving between the program's own windows changes which is active, not the program's state.
    Desktop("form")->requestActivate();
    settle();
    EXPECT_EQ(GetActiveWindow(), form);
    Desktop("other")->requestActivate();
    settle();
    EXPECT_EQ(GetActiveWindow(), other);
    EXPECT_TRUE(AppActivations().empty());

    // The focus goes to a window that then goes away, as to another program's: the program has no focus
    // window left. The offscreen platform does not announce that change; a desktop does, and so does the test.
    {
        QWindow elsewhere;
        elsewhere.show();
        elsewhere.requestActivate();
        settle();
    }
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
    Q_EMIT qApp->focusWindowChanged(nullptr);
    settle();
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(AppActivations(), (std::vector<int>{0, 0})); // each top-level window of the program hears it

    // The window that gets the focus back is active again, and the program with it.
    AppActivations().clear();
    Desktop("form")->requestActivate();
    settle();
    EXPECT_EQ(GetActiveWindow(), form);
    EXPECT_EQ(AppActivations(), (std::vector<int>{1, 1}));
}

namespace {

// A main window whose WM_CLOSE ends the program when the document has no unsaved changes and is refused
// otherwise, as the editor's is.
bool& DocumentModified() {
    static bool modified = false;
    return modified;
}

LRESULT MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        if (DocumentModified())
            return 0;
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

TEST_F(QtScreenTest, TheDesktopsCloseRequestRunsTheWindowsOwnRules) {
    static bool registered = [] {
        WNDCLASSEX wc;
        wc.lpfnWndProc = MainWindowProc;
        wc.hInstance = GetModuleHandle(nullptr);
        wc.lpszClassName = "QtScreenTestMain";
        return RegisterClassEx(wc) != 0;
    }();
    ASSERT_TRUE(registered);
    auto makeMain = [this] {
        HWND w = CreateWindowEx(0, "QtScreenTestMain", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                200, nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
        FMade.push_back(w);
        return w;
    };
    // The program's loop, for as long as it has messages to handle; true when it ended (WM_QUIT).
    auto loop = [this] {
        for (int round = 0; round < 10; ++round) {
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT)
                    return true;
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
            FScreen->WaitForEvents(10, "test");
        }
        return false;
    };

    // A document with unsaved changes: the window refuses, and the program keeps running.
    DocumentModified() = true;
    HWND main = makeMain();
    // The request arrives while the program waits for input: the wait ends with the command queued.
    QCoreApplication::postEvent(Desktop("main"), new QCloseEvent);
    FScreen->WaitForEvents(INFINITE, "test");
    MSG command;
    ASSERT_TRUE(PeekMessage(&command, main, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    EXPECT_EQ(command.wParam & 0xFFF0, WPARAM(SC_CLOSE));
    EXPECT_FALSE(loop());
    EXPECT_TRUE(IsWindow(main));
    ASSERT_NE(Desktop("main"), nullptr);
    EXPECT_TRUE(Desktop("main")->isVisible());

    // Nothing to save: the window closes and the program's loop ends.
    DocumentModified() = false;
    QCloseEvent agreed;
    QCoreApplication::sendEvent(Desktop("main"), &agreed);
    EXPECT_TRUE(loop());
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(Desktop("main"), nullptr);
}

TEST_F(QtScreenTest, TheDesktopsMinimiseMaximiseAndRestoreBecomeCommands) {
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    auto desktopSets = [&](Qt::WindowStates state) {
        QWindow* w = Desktop("form");
        ASSERT_NE(w, nullptr);
        Qt::WindowStates before = w->windowStates();
        w->setWindowStates(state);
        QWindowStateChangeEvent changed(before);
        QCoreApplication::sendEvent(w, &changed);
        for (int i = 0; i < 3; ++i)
            FScreen->WaitForEvents(10, "test");
    };
    desktopSets(Qt::WindowMinimized);
    EXPECT_TRUE(IsIconic(form));
    desktopSets(Qt::WindowNoState);
    EXPECT_FALSE(IsIconic(form));
    EXPECT_FALSE(IsZoomed(form));
    desktopSets(Qt::WindowMaximized);
    EXPECT_TRUE(IsZoomed(form));
    desktopSets(Qt::WindowNoState);
    EXPECT_FALSE(IsZoomed(form));
    EXPECT_TRUE(IsWindowVisible(form));
}

TEST(QtDesktopFrames, WindowsWithACaptionAreFramedByTheDesktop) {
    struct Case {
        const char* What;
        DWORD Style, ExStyle;
        bool Framed;
    } cases[] = {
        {"main window", WS_OVERLAPPEDWINDOW, 0, true},
        {"fixed window", WS_CAPTION | WS_SYSMENU | WS_BORDER, 0, true},
        {"dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, true},
        {"topmost window", WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST, true},
        {"translucent window", WS_OVERLAPPEDWINDOW, WS_EX_LAYERED, true},
        {"floating toolbar", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, false},
        {"palette", WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW, false},
        {"menu", WS_POPUP | WS_BORDER, WS_EX_TOPMOST, false},
        {"drop-down list", WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW, false},
        {"hint", WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, false},
        {"drag image", WS_POPUP, WS_EX_LAYERED | WS_EX_TRANSPARENT, false},
        {"border only", WS_OVERLAPPED | WS_BORDER, 0, false},
        {"child with a caption", WS_CHILD | WS_CAPTION, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DesktopFramedStyle(c.Style, c.ExStyle), c.Framed) << c.What;
}

// The Qt screen with the desktop's frames (LOOMWICK_OWN_FRAMES=0: the offscreen platform has no window
// manager to find).
class QtDesktopFramesTest : public QtScreenTest {
protected:
    void SetUp() override {
        setenv("LOOMWICK_OWN_FRAMES", "0", 1);
        QtScreenTest::SetUp();
    }
    void TearDown() override {
        QtScreenTest::TearDown();
        unsetenv("LOOMWICK_OWN_FRAMES");
    }
};

TEST_F(QtDesktopFramesTest, FramedWindowsAreDecoratedAndSelfDrawnOnesStayFrameless) {
    ASSERT_TRUE(FScreen->DesktopFrames());
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    HWND fixed = Make("fixed", WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_VISIBLE, 0, {10, 10, 210, 110});
    HWND toolbar = Make("toolbar", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_TOOLWINDOW,
                        {520, 100, 620, 160});
    Make("menu", WS_POPUP | WS_BORDER | WS_VISIBLE, WS_EX_TOPMOST, {30, 40, 130, 90});

    // The desktop draws the frame: the window's rectangle is all client area, and the desktop's buttons are
    // those of the caption.
    QWindow* f = Desktop("form");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->flags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(f->flags() & Qt::X11BypassWindowManagerHint);
    EXPECT_TRUE(f->flags() & Qt::WindowTitleHint);
    EXPECT_TRUE(f->flags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(f->flags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(f->flags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f->geometry(), QRect(200, 100, 300, 200));
    TRect client;
    GetClientRect(form, &client);
    EXPECT_EQ(client, (TRect{0, 0, 300, 200}));
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = {200, 100, 500, 300};
    SendMessage(form, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&params));
    EXPECT_EQ(params.rgrc[0], (TRect{200, 100, 500, 300}));
    EXPECT_EQ(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(210, 105)), LRESULT(HTCLIENT));

    // Without a sizing frame the desktop keeps the size; without the boxes it shows no such buttons.
    QWindow* x = Desktop("fixed");
    ASSERT_NE(x, nullptr);
    EXPECT_FALSE(x->flags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(x->minimumSize(), QSize(200, 100));
    EXPECT_EQ(x->maximumSize(), QSize(200, 100));
    GetClientRect(fixed, &client);
    EXPECT_EQ(client, (TRect{0, 0, 200, 100}));

    // A floating toolbar and a menu draw their own frame and caption.
    for (const char* title : {"toolbar", "menu"}) {
        QWindow* w = Desktop(title);
        ASSERT_NE(w, nullptr) << title;
        EXPECT_TRUE(w->flags() & Qt::FramelessWindowHint) << title;
        EXPECT_TRUE(w->flags() & Qt::X11BypassWindowManagerHint) << title;
    }
    GetClientRect(toolbar, &client);
    EXPECT_LT(client.Height(), 60); // below its own small caption

    // The desktop's maximise: the window takes the rectangle the desktop gives it, and restoring from the
    // desktop brings back the one it had.
    f->setWindowStates(Qt::WindowMaximized);
    QWindowStateChangeEvent maximised(Qt::WindowNoState);
    QCoreApplication::sendEvent(f, &maximised);
    for (int i = 0; i < 5; ++i)
        FScreen->WaitForEvents(10, "test");
    ASSERT_TRUE(IsZoomed(form));
    TRect r;
    GetWindowRect(form, &r);
    EXPECT_EQ(QRect(r.Left, r.Top, r.Width(), r.Height()), f->geometry());
    f->setWindowStates(Qt::WindowNoState);
    QWindowStateChangeEvent restored(Qt::WindowMaximized);
    QCoreApplication::sendEvent(f, &restored);
    for (int i = 0; i < 5; ++i)
        FScreen->WaitForEvents(10, "test");
    EXPECT_FALSE(IsZoomed(form));
    GetWindowRect(form, &r);
    EXPECT_EQ(r, (TRect{200, 100, 500, 300}));
}

TEST_F(QtDesktopFramesTest, OwnedWindowsAreTransientAndAModalOneIsModal) {
    HWND owner = Make("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {100, 100, 600, 400});
    auto owned = [&](const char* title) {
        HWND w = CreateWindowEx(WS_EX_DLGMODALFRAME, QtTestClass, title, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                200, 150, 200, 100, owner, nullptr, GetModuleHandle(nullptr), nullptr);
        FMade.push_back(w);
        return w;
    };
    HWND palette = owned("owned");
    ShowWindow(palette, SW_SHOW);
    // A dialog shown while its owner is disabled is modal, as the modal loops of forms and message boxes do.
    HWND dialog = owned("modal");
    EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    EnableWindow(owner, TRUE);

    QWindow* o = Desktop("owner");
    for (const char* title : {"owned", "modal"}) {
        QWindow* w = Desktop(title);
        ASSERT_NE(w, nullptr) << title;
        EXPECT_EQ(w->transientParent(), o) << title;
        EXPECT_EQ(w->flags() & Qt::WindowType_Mask, Qt::Dialog) << title;
    }
    EXPECT_EQ(Desktop("owned")->modality(), Qt::NonModal);
    EXPECT_EQ(Desktop("modal")->modality(), Qt::WindowModal);
    EXPECT_EQ(o->transientParent(), nullptr);
}

TEST_F(QtScreenTest, OwnFramesWithoutAWindowManager) {
    // The offscreen platform has no window manager: the window system draws the frames.
    EXPECT_FALSE(FScreen->DesktopFrames());
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    TRect client;
    GetClientRect(form, &client);
    EXPECT_LT(client.Width(), 300);
    EXPECT_LT(client.Height(), 200 - 15); // below the caption
}

// An icon of 2 x 2 pixels: 32-bit colour pixels (0xAARRGGBB, top row first) and AND-mask rows (one byte
// each, the leftmost pixel in the high bit); a monochrome icon has no colour and a mask of four rows.
HICON MakeIcon(const std::vector<uint32_t>& color, std::vector<uint8_t> maskRows) {
    std::vector<uint8_t> mask; // rows padded to 16 bits
    for (uint8_t row : maskRows)
        mask.insert(mask.end(), {row, 0});
    HBITMAP c = color.empty() ? nullptr : CreateBitmap(2, 2, 1, 32, color.data());
    HBITMAP m = CreateBitmap(2, int(maskRows.size()), 1, 1, mask.data());
    ICONINFO info{TRUE, 0, 0, m, c};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(m);
    if (c)
        DeleteObject(c);
    return icon;
}

TEST(QtIcons, TheDesktopGetsTheIconsPixelsWithAlphaOrMask) {
    struct Case {
        const char* What;
        std::vector<uint32_t> Color;
        std::vector<uint8_t> Mask;
        std::vector<uint32_t> Expected;
    } cases[] = {
        {"alpha kept, mask unused", {0x80FF0000, 0xFF00FF00, 0x00000000, 0xFF0000FF}, {0x00, 0x00},
         {0x80FF0000, 0xFF00FF00, 0x00000000, 0xFF0000FF}},
        {"no alpha: the mask decides", {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF}, {0x80, 0x40},
         {0x00FF0000, 0xFF00FF00, 0xFF0000FF, 0x00FFFFFF}},
        {"monochrome: the mask over the image", {}, {0x80, 0x00, 0x40, 0xC0},
         {0x00000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        HICON icon = MakeIcon(c.Color, c.Mask);
        ASSERT_NE(icon, nullptr) << c.What;
        int w = 0, h = 0;
        EXPECT_EQ(qtbackend::QtIconPixels(icon, &w, &h), c.Expected) << c.What;
        EXPECT_EQ(w, 2) << c.What;
        EXPECT_EQ(h, 2) << c.What;
        DestroyIcon(icon);
    }
    int w = 1, h = 1;
    EXPECT_TRUE(qtbackend::QtIconPixels(nullptr, &w, &h).empty());
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(QtScreenTest, TheWindowsIconGoesToTheDesktop) {
    HICON big = MakeIcon({0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF}, {0, 0});
    HICON small = MakeIcon({0xFF123456, 0xFF123456, 0xFF123456, 0xFF123456}, {0, 0});
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {200, 100, 500, 300});
    QWindow* w = Desktop("form");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->icon().isNull());
    auto shown = [&] {
        return w->icon().pixmap(QSize(2, 2)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    SendMessage(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    ASSERT_FALSE(w->icon().isNull());
    EXPECT_EQ(shown().pixel(0, 0), 0xFF123456u);
    // The big icon comes first.
    SendMessage(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    QImage image = shown();
    EXPECT_EQ(image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0x80);
    // A window shown again keeps it; one without icons shows none.
    ShowWindow(form, SW_HIDE);
    ShowWindow(form, SW_SHOW);
    w = Desktop("form");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(shown().pixel(0, 0), 0xFFFF0000u);
    SendMessage(form, WM_SETICON, ICON_BIG, 0);
    SendMessage(form, WM_SETICON, ICON_SMALL, 0);
    EXPECT_TRUE(w->icon().isNull());
    DestroyIcon(big);
    DestroyIcon(small);
}

TEST(QtPlacement, AFramedWindowPlacedByTheProgramKeepsItsFrameWithinTheWorkArea) {
    const TRect work{0, 40, 1024, 768};
    const TRect frame{4, 22, 4, 4}; // left, top, right, bottom
    struct Case {
        const char* What;
        TRect Client, Placed;
    } cases[] = {
        {"inside: where it asks", {100, 120, 600, 520}, {100, 120, 600, 520}},
        {"frame just inside", {4, 62, 104, 162}, {4, 62, 104, 162}},
        {"caption above the work area", {100, 50, 300, 150}, {100, 62, 300, 162}},
        {"left of it", {-300, 200, 100, 300}, {4, 200, 404, 300}},
        {"past the right and bottom", {900, 700, 1100, 800}, {820, 664, 1020, 764}},
        {"wider and taller: its top-left corner in", {-10, 0, 1100, 900}, {4, 62, 1114, 962}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtbackend::QtFitToWorkArea(c.Client, frame, work), c.Placed) << c.What;
    EXPECT_EQ(qtbackend::QtFitToWorkArea({-5, -5, 95, 95}, {}, {0, 0, 800, 600}), (TRect{0, 0, 100, 100}));
}

TEST_F(QtDesktopFramesTest, AFramedWindowGoesWhereTheProgramAsksWithinTheWorkArea) {
    TRect work = FScreen->Monitors()[0].Work;
    HWND form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                     {work.Left + 50, work.Top + 60, work.Left + 350, work.Top + 260});
    Make("menu", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST,
         {work.Left - 30, work.Top - 20, work.Left + 70, work.Top + 80});
    auto rect = [](HWND w) {
        TRect r;
        GetWindowRect(w, &r);
        return r;
    };
    EXPECT_EQ(rect(form), (TRect{work.Left + 50, work.Top + 60, work.Left + 350, work.Top + 260}));
    EXPECT_EQ(Desktop("form")->geometry(), QRect(work.Left + 50, work.Top + 60, 300, 200));
    // Moved out of the work area by the program: the desktop window's frame stays in it, and the window
    // system hears where the window went.
    SetWindowPos(form, nullptr, work.Right - 100, work.Top - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (int i = 0; i < 5; ++i)
        FScreen->WaitForEvents(10, "test");
    QMargins m = Desktop("form")->frameMargins(); // the offscreen platform's frame
    QRect placed(work.Right - m.right() - 300, work.Top + m.top(), 300, 200);
    EXPECT_EQ(Desktop("form")->geometry(), placed);
    EXPECT_EQ(rect(form), (TRect{placed.x(), placed.y(), placed.x() + 300, placed.y() + 200}));
    // A menu places itself where it wants.
    EXPECT_EQ(Desktop("menu")->geometry(), QRect(work.Left - 30, work.Top - 20, 100, 100));
}

TEST(QtWindowStates, TheCommandBringsTheWindowIntoTheDesktopsState) {
    struct Case {
        unsigned State;
        bool Iconic, Zoomed;
        UINT Command;
    } cases[] = {
        {Qt::WindowNoState, false, false, 0},
        {Qt::WindowNoState, true, false, SC_RESTORE},
        {Qt::WindowNoState, false, true, SC_RESTORE},
        {Qt::WindowMinimized, false, false, SC_MINIMIZE},
        {Qt::WindowMinimized, true, false, 0},
        {Qt::WindowMinimized | Qt::WindowMaximized, false, true, SC_MINIMIZE},
        {Qt::WindowMaximized, false, false, SC_MAXIMIZE},
        {Qt::WindowMaximized, false, true, 0},
        {Qt::WindowMaximized, true, true, SC_MAXIMIZE},
        {Qt::WindowFullScreen, false, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtbackend::QtStateCommand(c.State, c.Iconic, c.Zoomed), c.Command)
            << c.State << " " << c.Iconic << c.Zoomed;
}

TEST_F(QtScreenTest, WaitEndsOnWakeFromAnotherThreadAndOnTimeout) {
    std::thread poster([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        FScreen->Wake();
    });
    FScreen->WaitForEvents(INFINITE, "test");
    poster.join();
    auto start = std::chrono::steady_clock::now();
    FScreen->WaitForEvents(20, "test");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
}

TEST_F(QtScreenTest, MonitorsComeFromTheDesktop) {
    auto monitors = FScreen->Monitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_TRUE(monitors[0].Primary);
    EXPECT_FALSE(monitors[0].Bounds.IsEmpty());
    EXPECT_GE(monitors[0].Work.Left, monitors[0].Bounds.Left);
    EXPECT_LE(monitors[0].Work.Right, monitors[0].Bounds.Right);
}

TEST(QtScreenStart, WithoutADisplayTheErrorNamesXvfbRun) {
    std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("DISPLAY");
    static char name[] = "test_backend_qt";
    char* argv[] = {name, nullptr};
    try {
        qtbackend::QtScreen screen(1, argv);
        ADD_FAILURE() << "a screen opened without a display";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("xvfb-run"), std::string::npos) << e.what();
    }
    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
}

TEST(QtKeys, QtKeysMapToVirtualKeys) {
    struct Case {
        int Key;
        unsigned Modifiers;
        int Vk;
    } cases[] = {
        {Qt::Key_A, 0, 'A'},
        {Qt::Key_Z, Qt::ShiftModifier, 'Z'},
        {Qt::Key_7, 0, '7'},
        {Qt::Key_7, Qt::KeypadModifier, VK_NUMPAD0 + 7},
        {Qt::Key_Ampersand, Qt::ShiftModifier, '7'},
        {Qt::Key_F1, 0, VK_F1},
        {Qt::Key_F12, 0, VK_F12},
        {Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN},
        {Qt::Key_Backtab, Qt::ShiftModifier, VK_TAB},
        {Qt::Key_PageDown, 0, VK_NEXT},
        {Qt::Key_Alt, 0, VK_MENU},
        {Qt::Key_Control, 0, VK_CONTROL},
        {Qt::Key_Question, Qt::ShiftModifier, VK_OEM_2},
        {Qt::Key_Minus, 0, VK_OEM_MINUS},
        {Qt::Key_Minus, Qt::KeypadModifier, VK_SUBTRACT},
        {Qt::Key_QuoteDbl, Qt::ShiftModifier, VK_OEM_7},
        {Qt::Key_unknown, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtbackend::QtKeyToVirtualKey(c.Key, c.Modifiers), c.Vk) << std::hex << c.Key;
}

} // namespace
