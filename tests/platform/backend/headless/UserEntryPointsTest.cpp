#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace win;
using headless::HeadlessScreen;

namespace {

using TrackMouseEventProc = BOOL (*)(TRACKMOUSEEVENT*);
using AnimateWindowProc = BOOL (*)(HWND, DWORD, DWORD);
using SetLayeredWindowAttributesProc = BOOL (*)(HWND, COLORREF, BYTE, DWORD);
using UpdateLayeredWindowProc = BOOL (*)(HWND, HDC, const TPoint*, const TSize*, HDC, const TPoint*, COLORREF,
                                         const BLENDFUNCTION*, DWORD);

class UserEntryPointsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "LoomwickTestEntryPoints";
            RegisterClassEx(wc);
            registered = true;
        }
        ResetInputState();
        FScreen.SetStallGraceMs(0);
        User = LoadLibraryA("USER32");
        ASSERT_NE(User, nullptr);
    }
    void TearDown() override {
        for (HWND w : FWindows)
            if (IsWindow(w))
                DestroyWindow(w);
        FreeLibrary(User);
        ResetModuleSwitches();
    }
    HWND Make(TRect r, DWORD exStyle = 0) {
        HWND w = CreateWindowEx(exStyle, "LoomwickTestEntryPoints", "", WS_POPUP | WS_VISIBLE, r.Left, r.Top,
                                r.Width(), r.Height(), nullptr, nullptr, nullptr, nullptr);
        FWindows.push_back(w);
        return w;
    }
    template <class F>
    F Proc(const char* name) {
        return reinterpret_cast<F>(GetProcAddress(User, name));
    }

    HeadlessScreen FScreen;
    HMODULE User = nullptr;
    std::vector<HWND> FWindows;
};

// A 32-bit image of one premultiplied colour, selected into a memory DC.
struct AlphaImage {
    explicit AlphaImage(uint32_t pixel) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = 40;
        bi.bmiHeader.biHeight = -30;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        Image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        std::fill_n(static_cast<uint32_t*>(bits), 40 * 30, pixel);
        Dc = CreateCompatibleDC(nullptr);
        Old = SelectObject(Dc, Image);
    }
    ~AlphaImage() {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Image);
    }
    HBITMAP Image = nullptr;
    HDC Dc = nullptr;
    HGDIOBJ Old = nullptr;
};

} // namespace

TEST_F(UserEntryPointsTest, TheOptionalEntryPointsByNameDoWhatTheDirectCallsDo) {
    auto track = Proc<TrackMouseEventProc>("TrackMouseEvent");
    auto animate = Proc<AnimateWindowProc>("AnimateWindow");
    auto attributes = Proc<SetLayeredWindowAttributesProc>("SetLayeredWindowAttributes");
    auto update = Proc<UpdateLayeredWindowProc>("UpdateLayeredWindow");
    ASSERT_TRUE(track && animate && attributes && update);

    // One window is driven directly, its twin through the table; both must end alike.
    HWND direct = Make({0, 0, 40, 30}, WS_EX_LAYERED);
    HWND byName = Make({100, 0, 140, 30}, WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(direct, 0, 100, LWA_ALPHA));
    ASSERT_TRUE(attributes(byName, 0, 100, LWA_ALPHA));
    WindowSurface a, b;
    ASSERT_TRUE(GetWindowSurface(direct, &a));
    ASSERT_TRUE(GetWindowSurface(byName, &b));
    EXPECT_EQ(a.Alpha, 100);
    EXPECT_EQ(b.Alpha, a.Alpha);

    AlphaImage image(0x80800000); // alpha 128, red 128
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    TSize size{40, 30};
    TPoint origin{0, 0};
    ASSERT_TRUE(UpdateLayeredWindow(direct, nullptr, nullptr, &size, image.Dc, &origin, 0, &blend, ULW_ALPHA));
    ASSERT_TRUE(update(byName, nullptr, nullptr, &size, image.Dc, &origin, 0, &blend, ULW_ALPHA));
    ASSERT_TRUE(GetWindowSurface(direct, &a));
    ASSERT_TRUE(GetWindowSurface(byName, &b));
    EXPECT_TRUE(a.PerPixelAlpha);
    EXPECT_EQ(b.PerPixelAlpha, a.PerPixelAlpha);
    EXPECT_EQ(FScreen.WindowPixel(byName, 5, 5), FScreen.WindowPixel(direct, 5, 5));
    EXPECT_EQ(FScreen.ScreenPixel(105, 5), FScreen.ScreenPixel(5, 5));

    EXPECT_TRUE(AnimateWindow(direct, 150, AW_HIDE | AW_BLEND));
    EXPECT_TRUE(animate(byName, 150, AW_HIDE | AW_BLEND));
    EXPECT_FALSE(IsWindowVisible(direct));
    EXPECT_FALSE(IsWindowVisible(byName));

    HWND tracked = Make({0, 100, 40, 130});
    QueueMouseInput(MouseAction::Move, {10, 110});
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&m);
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = tracked;
    ASSERT_TRUE(track(&tme));
    TRACKMOUSEEVENT query;
    query.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_EQ(query.hwndTrack, tracked);
    EXPECT_TRUE(query.dwFlags & TME_LEAVE);
}

TEST_F(UserEntryPointsTest, LayeredEntryPointsAreMissingWithoutComposition) {
    FScreen.SetComposited(false);
    for (const char* name : {"UpdateLayeredWindow", "SetLayeredWindowAttributes"}) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(User, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << name;
    }
    EXPECT_NE(GetProcAddress(User, "TrackMouseEvent"), nullptr);
    EXPECT_NE(GetProcAddress(User, "AnimateWindow"), nullptr);
    FScreen.SetComposited(true);
    EXPECT_NE(GetProcAddress(User, "UpdateLayeredWindow"), nullptr);
    EXPECT_NE(GetProcAddress(User, "SetLayeredWindowAttributes"), nullptr);
}
