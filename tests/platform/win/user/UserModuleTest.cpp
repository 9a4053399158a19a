#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/UserModule.h"

#include <gtest/gtest.h>

#include <vector>

using namespace win;

namespace {

// Two monitors side by side, the second one with a task bar on its left.
class UserModuleScreen final : public IScreenBackend {
public:
    std::vector<MonitorDesc> Monitors() override {
        return {{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}, {{1024, 0, 2304, 1024}, {1064, 0, 2304, 1024}, false}};
    }
    void WaitForEvents(DWORD, const std::string& waiter) override { throw StallError(waiter); }
    void Wake() override {}
};

using MonitorFromPointProc = HMONITOR (*)(TPoint, DWORD);
using GetMonitorInfoProc = BOOL (*)(HMONITOR, MONITORINFO*);

} // namespace

TEST(UserModule, MonitorFunctionsByNameAgreeWithTheWindowSystem) {
    UserModuleScreen screen;
    IScreenBackend* previous = InstalledScreenBackend();
    SetScreenBackend(&screen);
    HMODULE user = LoadLibraryA("USER32");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(LoadLibrary("user32.dll"), user);
    auto fromPoint = reinterpret_cast<MonitorFromPointProc>(GetProcAddress(user, "MonitorFromPoint"));
    auto info = reinterpret_cast<GetMonitorInfoProc>(GetProcAddress(user, "GetMonitorInfoA"));
    ASSERT_NE(fromPoint, nullptr);
    ASSERT_NE(info, nullptr);
    const TPoint points[] = {{10, 10}, {1500, 500}, {5000, 300}, {-40, -40}};
    for (TPoint p : points) {
        HMONITOR byName = fromPoint(p, MONITOR_DEFAULTTONEAREST);
        EXPECT_EQ(byName, MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST));
        MONITORINFO a, b;
        ASSERT_TRUE(info(byName, &a));
        ASSERT_TRUE(GetMonitorInfo(byName, &b));
        EXPECT_EQ(a.rcMonitor, b.rcMonitor);
        EXPECT_EQ(a.rcWork, b.rcWork);
        EXPECT_EQ(a.dwFlags, b.dwFlags);
    }
    MONITORINFO second;
    ASSERT_TRUE(info(fromPoint({1500, 500}, MONITOR_DEFAULTTONEAREST), &second));
    EXPECT_EQ(second.rcWork, (TRect{1064, 0, 2304, 1024}));
    // Only the 40-byte record is filled.
    MONITORINFO wrongSize;
    wrongSize.cbSize = 72;
    EXPECT_FALSE(info(fromPoint({10, 10}, MONITOR_DEFAULTTONEAREST), &wrongSize));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(info(fromPoint({10, 10}, MONITOR_DEFAULTTONEAREST), nullptr));
    // A system without the monitor functions.
    SetExportAbsent("USER32", "GetMonitorInfoA", true);
    EXPECT_EQ(GetProcAddress(user, "GetMonitorInfoA"), nullptr);
    EXPECT_NE(GetProcAddress(user, "MonitorFromPoint"), nullptr);
    ResetModuleSwitches();
    EXPECT_EQ(GetProcAddress(user, "UpdateLayeredWindowIndirect"), nullptr);
    FreeLibrary(user);
    FreeLibrary(user);
    EXPECT_EQ(ModuleLoadCount("USER32"), 0);
    SetScreenBackend(previous);
}

TEST(UserModule, TheCommonControlsAreAModuleOfVersionSix) {
    RegisterUserModule();
    HMODULE comctl = LoadLibraryA("COMCTL32");
    ASSERT_NE(comctl, nullptr);
    FreeLibrary(comctl);
    DWORD size = GetFileVersionInfoSize("comctl32.dll", nullptr);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfo("comctl32.dll", 0, size, block.data()));
    void* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValue(block.data(), "\\", &fixed, &length));
    EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(fixed)->dwFileVersionMS, 0x00060000u);
}
