#include "UserTestSupport.h"

#include "platform/win/user/Backend.h"
#include "platform/win/user/Menus.h"
#include "platform/win/user/Metrics.h"

#include <cstring>
#include <set>

using namespace usertest;

namespace {

std::vector<std::string> Lines(std::initializer_list<const char*> items) { return {items.begin(), items.end()}; }

} // namespace

TEST_F(UserTest, CreationShowingAndDestructionHappenInOrder) {
    HWND top = Make("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {10, 10, 310, 210});
    ASSERT_TRUE(IsWindow(top));
    EXPECT_EQ(LogLines({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_NCACTIVATE,
                        WM_ACTIVATE, WM_SETFOCUS}),
              Lines({"top:WM_NCCREATE", "top:WM_CREATE", "top:WM_SIZE", "top:WM_MOVE", "top:WM_SHOWWINDOW",
                     "top:WM_ACTIVATEAPP", "top:WM_NCACTIVATE", "top:WM_ACTIVATE", "top:WM_SETFOCUS"}));
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);

    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {5, 5, 50, 50}, top);
    HWND grandchild = Make("grandchild", WS_CHILD | WS_VISIBLE, {1, 1, 10, 10}, child);
    SetFocus(grandchild);
    Log().clear();
    DestroyWindow(top);
    // WM_DESTROY runs from the parent down, WM_NCDESTROY from the children up; the focus goes first.
    EXPECT_EQ(LogLines({WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}),
              Lines({"grandchild:WM_KILLFOCUS", "top:WM_DESTROY", "child:WM_DESTROY", "grandchild:WM_DESTROY",
                     "grandchild:WM_NCDESTROY", "child:WM_NCDESTROY", "top:WM_NCDESTROY"}));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(UserTest, CreateFailsCleanlyWhenTheWindowRefuses) {
    PendingName() = "refuser";
    HWND refused = nullptr;
    Handlers()[nullptr] = nullptr;
    // A WM_CREATE answer of -1 destroys the window and CreateWindowEx returns no handle.
    static HWND created;
    created = nullptr;
    WNDCLASSEX wc;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_CREATE) {
            created = h;
            return -1;
        }
        return DefWindowProc(h, m, w, l);
    };
    wc.lpszClassName = "LoomwickTestRefuser";
    RegisterClassEx(wc);
    refused = CreateWindowEx(0, "LoomwickTestRefuser", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(created, nullptr);
    EXPECT_FALSE(IsWindow(created));
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(UserTest, ActivationAndFocusMoveBetweenWindows) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND aChild = Make("aChild", WS_CHILD | WS_VISIBLE, {10, 10, 50, 50}, a);
    HWND b = Make("b", WS_POPUP | WS_VISIBLE, {200, 0, 300, 100});
    EXPECT_EQ(GetActiveWindow(), b);
    Log().clear();
    // Focusing a child of an inactive window activates that window first.
    SetFocus(aChild);
    EXPECT_EQ(LogLines({WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}),
              Lines({"b:WM_NCACTIVATE", "b:WM_ACTIVATE", "b:WM_KILLFOCUS", "a:WM_NCACTIVATE", "a:WM_ACTIVATE",
                     "a:WM_SETFOCUS", "a:WM_KILLFOCUS", "aChild:WM_SETFOCUS"}));
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), aChild);
    // Disabling the focused window's parent takes the focus away; a disabled window cannot take it.
    EnableWindow(aChild, FALSE);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(SetFocus(aChild), nullptr);
    EXPECT_EQ(GetFocus(), a);
    // Hiding the active window hands the activation on.
    ShowWindow(a, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_FALSE(IsWindowVisible(aChild));
}

TEST_F(UserTest, ZOrderKeepsTopmostWindowsAndOwnedWindowsAbove) {
    HWND owner = Make("owner", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND owned = Make("owned", WS_POPUP | WS_VISIBLE, {10, 10, 50, 50}, owner);
    HWND topmost = Make("topmost", WS_POPUP | WS_VISIBLE, {0, 0, 10, 10}, nullptr, WS_EX_TOPMOST);
    HWND other = Make("other", WS_POPUP | WS_VISIBLE, {0, 0, 10, 10});
    EXPECT_EQ(GetTopWindow(nullptr), topmost);
    EXPECT_EQ(GetWindow(topmost, GW_HWNDNEXT), other);
    BringWindowToTop(owner);
    EXPECT_EQ(GetWindow(topmost, GW_HWNDNEXT), owned);
    EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), owner);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    EXPECT_EQ(GetParent(owned), owner); // a popup's parent is its owner
    SetWindowPos(topmost, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(GetWindowLong(topmost, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Destroying the owner takes the owned window with it.
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(owned));
}

TEST_F(UserTest, GeometryAndNonClientArea) {
    HWND top = Make("top", WS_POPUP | WS_BORDER | WS_THICKFRAME | WS_VISIBLE, {100, 50, 300, 250});
    TRect wr, cr;
    GetWindowRect(top, &wr);
    GetClientRect(top, &cr);
    EXPECT_EQ(wr, (TRect{100, 50, 300, 250}));
    EXPECT_EQ(cr, (TRect{0, 0, 192, 192})); // a 4-pixel sizing frame on each side
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {10, 20, 60, 70}, top, WS_EX_CLIENTEDGE);
    TPoint p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p, (TPoint{100 + 4 + 10 + 2, 50 + 4 + 20 + 2}));
    MapWindowPoints(child, top, &p, 1);
    EXPECT_EQ(p, (TPoint{100 + 4 + 10 + 2 + 12, 50 + 4 + 20 + 2 + 22}));

    // Hit testing through the frame: corners, edges and the client.
    struct Case {
        TPoint Screen;
        LRESULT Hit;
    } cases[] = {{{101, 51}, HTTOPLEFT},   {{298, 248}, HTBOTTOMRIGHT}, {{200, 51}, HTTOP},
                 {{101, 150}, HTLEFT},     {{200, 150}, HTCLIENT},      {{99, 150}, HTNOWHERE}};
    for (const Case& c : cases)
        EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(c.Screen.X, c.Screen.Y)), c.Hit)
            << c.Screen.X << "," << c.Screen.Y;

    SetWindowPos(top, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(top, &cr);
    EXPECT_EQ(cr, (TRect{0, 0, 392, 292}));
    EXPECT_EQ(LogLines({WM_SIZE}).back(), "top:WM_SIZE");
}

TEST_F(UserTest, ParentsAndRelations) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND b = Make("b", WS_POPUP | WS_VISIBLE, {200, 200, 300, 300});
    HWND c = Make("c", WS_CHILD | WS_VISIBLE, {10, 10, 20, 20}, a);
    EXPECT_TRUE(IsChild(a, c));
    TRect before;
    GetWindowRect(c, &before);
    SetParent(c, b);
    EXPECT_TRUE(IsChild(b, c));
    EXPECT_FALSE(IsChild(a, c));
    TRect after;
    GetWindowRect(c, &after);
    EXPECT_EQ(before, after); // it keeps its place on the screen
    EXPECT_EQ(SetParent(b, c), nullptr); // no cycles
    SetParent(c, nullptr);
    EXPECT_EQ(GetAncestor(c, GA_ROOT), c);
    EXPECT_EQ(GetClassNameString(c), LogClass);
    SetWindowText(c, "hello");
    EXPECT_EQ(GetWindowTextString(c), "hello");
    SetProp(c, "Slot", reinterpret_cast<HANDLE>(c));
    EXPECT_EQ(GetProp(c, "slot"), reinterpret_cast<HANDLE>(c));
    EXPECT_EQ(RemoveProp(c, "SLOT"), reinterpret_cast<HANDLE>(c));
    EXPECT_EQ(GetProp(c, "Slot"), nullptr);
}

TEST_F(UserTest, NonClientMetricsGiveTheClassicFonts) {
    NONCLIENTMETRICS ncm;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
    EXPECT_STREQ(ncm.lfMenuFont.lfFaceName, "Tahoma");
    EXPECT_EQ(ncm.lfMenuFont.lfHeight, -11);
    EXPECT_EQ(ncm.lfCaptionFont.lfWeight, 700);
    EXPECT_EQ(ncm.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
    ncm.cbSize = 100; // a record of another size is refused
    EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 100, &ncm, 0));
    UINT lines = 0;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(lines, 3u);
    SetSystemParameterOverride(SPI_GETMENUANIMATION, 0);
    BOOL animate = TRUE;
    SystemParametersInfo(SPI_GETMENUANIMATION, 0, &animate, 0);
    EXPECT_FALSE(animate);
    SetSystemMetricOverride(SM_CXVSCROLL, 20);
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);
    ResetSystemMetricOverrides();
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
}

TEST_F(UserTest, SetNonClientMetricsAreReadBackAndAnnouncedToTopLevelWindows) {
    HWND top = Make("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {0, 0, 300, 200});
    Make("child", WS_CHILD | WS_VISIBLE, {5, 5, 50, 50}, top);
    Make("popup", WS_POPUP | WS_VISIBLE, {400, 0, 500, 100});
    NONCLIENTMETRICS classic;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof classic, &classic, 0));
    NONCLIENTMETRICS set = classic;
    set.lfMenuFont.lfHeight = -16;
    std::strncpy(set.lfMenuFont.lfFaceName, "Verdana", LF_FACESIZE - 1);
    set.iScrollWidth = 21;
    set.iMenuHeight = 24;
    Log().clear();
    // Without SPIF_SENDCHANGE the change is silent.
    ASSERT_TRUE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof set, &set, SPIF_UPDATEINIFILE));
    EXPECT_TRUE(LogLines({WM_SETTINGCHANGE}).empty());
    NONCLIENTMETRICS read;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof read, &read, 0));
    EXPECT_STREQ(read.lfMenuFont.lfFaceName, "Verdana");
    EXPECT_EQ(read.lfMenuFont.lfHeight, -16);
    EXPECT_EQ(read.lfCaptionFont.lfWeight, 700);
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 21);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENUSIZE), 24);
    EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), classic.iScrollHeight);
    // With it every top-level window hears of it, children do not.
    ASSERT_TRUE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof set, &set, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE));
    std::set<std::string> told;
    for (const LogEntry& e : Log())
        if (e.Message == WM_SETTINGCHANGE) {
            told.insert(e.Window);
            EXPECT_EQ(e.WParam, WPARAM(SPI_SETNONCLIENTMETRICS));
        }
    EXPECT_EQ(told, (std::set<std::string>{"top", "popup"}));
    // A record of another size, or one with a size of nothing, is refused and changes nothing.
    NONCLIENTMETRICS bad = set;
    bad.cbSize = 100;
    EXPECT_FALSE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, 100, &bad, 0));
    bad = set;
    bad.iScrollWidth = 0;
    EXPECT_FALSE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof bad, &bad, 0));
    EXPECT_FALSE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof bad, nullptr, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 21);
    // Setting the classic record back restores the classic answers; so does the reset of the overrides.
    ASSERT_TRUE(SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof classic, &classic, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    SystemParametersInfo(SPI_SETNONCLIENTMETRICS, sizeof set, &set, 0);
    ResetSystemMetricOverrides();
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof read, &read, 0));
    EXPECT_STREQ(read.lfMenuFont.lfFaceName, "Tahoma");
    EXPECT_EQ(GetSystemMetrics(SM_CYMENUSIZE), 18);
}

TEST_F(UserTest, WindowRegionsShapeHitTesting) {
    HWND below = Make("below", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND round = Make("round", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, nullptr, WS_EX_TOPMOST);
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 100, 100), TRUE);
    EXPECT_EQ(WindowFromPoint({50, 50}), round);
    EXPECT_EQ(WindowFromPoint({2, 2}), below); // the corner lies outside the ellipse
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(round, copy), ERROR);
    EXPECT_TRUE(PtInRegion(copy, 50, 50));
    DeleteObject(copy);
}

TEST_F(UserTest, TheSystemMenuFollowsTheWindowsStateAndStyles) {
    HWND w = Make("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {0, 0, 300, 200});
    HMENU menu = GetSystemMenu(w, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 7);
    EXPECT_TRUE(GetMenuState(menu, UINT(SC_RESTORE), MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, UINT(SC_MINIMIZE), MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), UINT(SC_CLOSE));
    char text[64];
    MENUITEMINFOA info;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, 6, TRUE, &info));
    EXPECT_EQ(info.wID, UINT(SC_CLOSE));
    EXPECT_STREQ(text, "&Close\tAlt+F4");
    EXPECT_EQ(GetMenuState(menu, 5, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(menu, 99, MF_BYPOSITION), UINT(-1));
    ShowWindow(w, SW_MAXIMIZE);
    GetSystemMenu(w, TRUE);
    menu = GetSystemMenu(w, FALSE);
    EXPECT_FALSE(GetMenuState(menu, UINT(SC_RESTORE), MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, UINT(SC_MAXIMIZE), MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(UserTest, ADestroyedWindowsHandleNamesNoWindowEvenAfterNewWindowsTakeItsPlace) {
    HWND old = Make("old", WS_POPUP | WS_VISIBLE, {0, 0, 50, 50});
    ASSERT_TRUE(DestroyWindow(old));
    // Enough new windows to take every freed place the old one could have left.
    std::vector<HWND> fresh;
    for (int i = 0; i < 64; ++i) {
        fresh.push_back(Make("new" + std::to_string(i), WS_POPUP, {0, 0, 10, 10}));
        ASSERT_NE(fresh.back(), old);
        DestroyWindow(fresh.back());
    }
    HWND now = Make("now", WS_POPUP | WS_VISIBLE, {0, 0, 50, 50});
    ASSERT_TRUE(IsWindow(now));
    EXPECT_NE(now, old);
    for (HWND w : fresh)
        EXPECT_FALSE(IsWindow(w));
    Log().clear();
    // Every call through the old handle fails and reaches no window.
    TRect r;
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(GetParent(old), nullptr);
    EXPECT_FALSE(GetWindowRect(old, &r));
    EXPECT_FALSE(SetWindowText(old, "stale"));
    EXPECT_EQ(GetWindowTextString(old), "");
    EXPECT_EQ(SendMessage(old, WM_USER, 1, 2), 0);
    EXPECT_FALSE(PostMessage(old, WM_USER, 1, 2));
    EXPECT_FALSE(InvalidateRect(old, nullptr, TRUE));
    EXPECT_EQ(SetTimer(old, 1, 100, nullptr), 0u);
    EXPECT_FALSE(ShowWindow(old, SW_HIDE));
    EXPECT_FALSE(DestroyWindow(old));
    EXPECT_TRUE(IsWindowVisible(now));
    EXPECT_EQ(GetWindowTextString(now), "now");
    EXPECT_TRUE(LogLines({WM_USER, WM_SETTEXT, WM_SHOWWINDOW}).empty());
}

TEST_F(UserTest, AMessageForADestroyedWindowIsDroppedInsteadOfReachingItsSuccessor) {
    HWND old = Make("old", WS_POPUP, {0, 0, 10, 10});
    ASSERT_TRUE(PostMessage(old, WM_USER + 1, 0, 0));
    MSG kept;
    ASSERT_TRUE(PeekMessage(&kept, old, WM_USER + 1, WM_USER + 1, PM_REMOVE)); // a message held by its caller
    ASSERT_TRUE(PostMessage(old, WM_USER + 2, 0, 0));                          // and one still queued
    DestroyWindow(old);
    HWND now = Make("now", WS_POPUP, {0, 0, 10, 10});
    ASSERT_NE(now, old);
    Log().clear();
    EXPECT_EQ(DispatchMessage(&kept), 0);
    Pump();
    EXPECT_TRUE(LogLines({WM_USER + 1, WM_USER + 2}).empty());
    // The new window's own messages still arrive.
    PostMessage(now, WM_USER + 1, 0, 0);
    Pump();
    EXPECT_EQ(LogLines({WM_USER + 1}), Lines({"now:0x1025"}));
}

TEST_F(UserTest, WindowIconsAreKeptPerSizeAndTheScreenHearsOfATopLevelWindowsChange) {
    struct IconScreen final : IScreenBackend {
        std::vector<MonitorDesc> Monitors() override {
            return {{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}};
        }
        void WaitForEvents(DWORD, const std::string& waiter) override { throw StallError(waiter); }
        void Wake() override {}
        void IconChanged(HWND hwnd) override { Changed.push_back(hwnd); }
        std::vector<HWND> Changed;
    } screen;
    IScreenBackend* previous = InstalledScreenBackend();
    SetScreenBackend(&screen);
    HWND top = Make("top", WS_OVERLAPPEDWINDOW, {0, 0, 300, 200});
    HWND child = Make("child", WS_CHILD, {0, 0, 30, 20}, top);
    auto big = reinterpret_cast<HICON>(uintptr_t(0x1000)), small = reinterpret_cast<HICON>(uintptr_t(0x2000));
    auto get = [](HWND w, WPARAM which) {
        return reinterpret_cast<HICON>(SendMessage(w, WM_GETICON, which, 0));
    };
    auto set = [](HWND w, WPARAM which, HICON icon) {
        return reinterpret_cast<HICON>(SendMessage(w, WM_SETICON, which, reinterpret_cast<LPARAM>(icon)));
    };

    EXPECT_EQ(get(top, ICON_BIG), nullptr);
    EXPECT_EQ(set(top, ICON_BIG, big), nullptr);
    EXPECT_EQ(get(top, ICON_BIG), big);
    EXPECT_EQ(get(top, ICON_SMALL), nullptr);
    EXPECT_EQ(get(top, ICON_SMALL2), big); // the small one, or else the big one
    EXPECT_EQ(set(top, ICON_SMALL, small), nullptr);
    EXPECT_EQ(get(top, ICON_SMALL2), small);
    EXPECT_EQ(set(top, ICON_BIG, nullptr), big); // the previous icon comes back
    EXPECT_EQ(get(top, ICON_BIG), nullptr);
    set(top, ICON_BIG, nullptr); // unchanged: the screen hears nothing
    set(child, ICON_BIG, big);   // a child window shows no icon on the desktop
    EXPECT_EQ(get(child, ICON_BIG), big);
    EXPECT_EQ(screen.Changed, (std::vector<HWND>{top, top, top}));
    SetScreenBackend(previous);
}

TEST_F(UserTest, AnOwnedWindowLeftToTheSystemsPlacementIsCentredOnItsOwnerWithinTheWorkArea) {
    struct WorkAreaScreen final : IScreenBackend {
        std::vector<MonitorDesc> Monitors() override {
            return {{{0, 0, 1024, 768}, {0, 30, 1024, 738}, true}};
        }
        void WaitForEvents(DWORD, const std::string& waiter) override { throw StallError(waiter); }
        void Wake() override {}
    } screen;
    IScreenBackend* previous = InstalledScreenBackend();
    SetScreenBackend(&screen);
    auto made = [this](HWND owner, int x, int y) {
        HWND w = CreateWindowEx(0, LogClass, "dialog", WS_POPUP | WS_CAPTION, x, y, 200, 100, owner, nullptr,
                                nullptr, nullptr);
        TRect r;
        GetWindowRect(w, &r);
        DestroyWindow(w);
        return r;
    };
    HWND owner = Make("owner", WS_OVERLAPPEDWINDOW, {100, 100, 500, 400});
    HWND corner = Make("corner", WS_OVERLAPPEDWINDOW, {-50, 0, 150, 80});
    EXPECT_EQ(made(owner, CW_USEDEFAULT, 0), (TRect{200, 200, 400, 300})); // centred on the owner
    EXPECT_EQ(made(corner, CW_USEDEFAULT, 0), (TRect{0, 30, 200, 130}));   // within the work area
    EXPECT_EQ(made(owner, 10, 20), (TRect{10, 20, 210, 120}));             // it places itself
    EXPECT_EQ(made(nullptr, CW_USEDEFAULT, 0), (TRect{0, 0, 200, 100}));   // no owner
    SetScreenBackend(previous);
}

TEST_F(UserTest, RoomAWindowTakesFromItsClientAreaIsNowhereToTheDefaultHitTest) {
    // A child with a sunken edge whose own WM_NCCALCSIZE keeps 16 pixels on the right for a button.
    HWND parent = Make("parent", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200});
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {10, 10, 110, 40}, parent);
    Handlers()[child] = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        if (msg != WM_NCCALCSIZE || !lParam)
            return false;
        *result = DefWindowProc(hwnd, msg, wParam, lParam);
        reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0].Right -= 16;
        return true;
    };
    SetWindowLong(child, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    TRect cr;
    GetClientRect(child, &cr);
    EXPECT_EQ(cr, (TRect{0, 0, 100 - 4 - 16, 30 - 4}));
    struct Case {
        TPoint Screen;
        LRESULT Hit;
    } cases[] = {{{20, 20}, HTCLIENT}, {{100, 20}, HTNOWHERE}, {{92, 25}, HTNOWHERE},
                 {{10, 20}, HTBORDER}, {{108, 20}, HTBORDER}, {{100, 11}, HTBORDER}};
    for (const Case& c : cases)
        EXPECT_EQ(SendMessage(child, WM_NCHITTEST, 0, MAKELPARAM(c.Screen.X, c.Screen.Y)), c.Hit)
            << c.Screen.X << "," << c.Screen.Y;
    Handlers().erase(child);
}
