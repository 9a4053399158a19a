// The version the layer reports to callers that branch on the operating system: the NT family, 5.1.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>

namespace win {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "the record has the platform's size");
using OSVERSIONINFO = OSVERSIONINFOA;

// Fills the record when its size field is 148; otherwise FALSE with ERROR_INSUFFICIENT_BUFFER and the
// record untouched (beyond its size field).
BOOL GetVersionEx(OSVERSIONINFOA* info);
inline BOOL GetVersionExA(OSVERSIONINFOA* info) { return GetVersionEx(info); }
// Major version in the low byte, minor in the next; the NT family puts the build number in the high word,
// the Windows 9x family sets the high bit instead.
DWORD GetVersion();

// The answer both calls give. Tests set another system's.
struct OsVersion {
    DWORD Platform = VER_PLATFORM_WIN32_NT;
    DWORD Major = 5;
    DWORD Minor = 1;
    DWORD Build = 2600;
    std::string ServicePack; // at most 127 bytes are reported
};
void SetOsVersion(const OsVersion& version);
void ResetOsVersion();
OsVersion CurrentOsVersion();

} // namespace win
