// The versions the class library reads from the layer: the operating system's and the common controls'.
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/Version.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

TEST(Versions, TheOperatingSystemAsGetVersionExReportsIt) {
    win::ResetOsVersion();
    EXPECT_EQ(Win32Platform(), 2);
    EXPECT_EQ(Win32Platform(), int32_t(win::VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(Win32MajorVersion(), 5);
    EXPECT_EQ(Win32MinorVersion(), 1);
    struct Case {
        win::DWORD platform, major, minor;
    };
    for (Case c : {Case{win::VER_PLATFORM_WIN32_WINDOWS, 4, 10}, Case{win::VER_PLATFORM_WIN32_NT, 5, 0},
                   Case{win::VER_PLATFORM_WIN32_NT, 6, 1}}) {
        win::OsVersion v;
        v.Platform = c.platform, v.Major = c.major, v.Minor = c.minor;
        win::SetOsVersion(v);
        EXPECT_EQ(Win32Platform(), int32_t(c.platform));
        EXPECT_EQ(Win32MajorVersion(), int32_t(c.major));
        EXPECT_EQ(Win32MinorVersion(), int32_t(c.minor));
    }
    win::ResetOsVersion();
    EXPECT_EQ(Win32MajorVersion(), 5);
}

TEST(Versions, TheCommonControlsFromTheirVersionResource) {
    // The window system, which a screen brings, provides the common controls.
    headless::HeadlessScreen screen;
    win::ResetModuleVersions();
    EXPECT_EQ(GetComCtlVersion(), 0x00060000);
    // Major in the high word, minor in the low; the release and build do not count.
    win::SetModuleFileVersion("comctl32.dll", 0x00050050, 0x0B5E0000);
    EXPECT_EQ(GetComCtlVersion(), 0x00050050);
    win::SetModuleVersionAbsent("comctl32.dll", true);
    EXPECT_EQ(GetComCtlVersion(), 0);
    win::ResetModuleVersions();
    EXPECT_EQ(GetComCtlVersion(), 0x00060000);
}

} // namespace
