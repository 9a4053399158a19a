// The versions the class library reads from the layer: the operating system's.
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

} // namespace
