#include "platform/win/kernel/Version.h"

#include "platform/win/kernel/Errors.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace win {

namespace {

struct VersionState {
    std::mutex Lock;
    OsVersion Answer;
};

VersionState& VersionCurrent() {
    static VersionState state;
    return state;
}

} // namespace

void SetOsVersion(const OsVersion& version) {
    VersionState& s = VersionCurrent();
    std::lock_guard lock(s.Lock);
    s.Answer = version;
}

void ResetOsVersion() { SetOsVersion(OsVersion{}); }

OsVersion CurrentOsVersion() {
    VersionState& s = VersionCurrent();
    std::lock_guard lock(s.Lock);
    return s.Answer;
}

BOOL GetVersionEx(OSVERSIONINFOA* info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    OsVersion v = CurrentOsVersion();
    info->dwMajorVersion = v.Major;
    info->dwMinorVersion = v.Minor;
    info->dwBuildNumber = v.Build;
    info->dwPlatformId = v.Platform;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::memcpy(info->szCSDVersion, v.ServicePack.data(),
                std::min(v.ServicePack.size(), sizeof info->szCSDVersion - 1));
    return TRUE;
}

DWORD GetVersion() {
    OsVersion v = CurrentOsVersion();
    DWORD low = (v.Major & 0xFF) | ((v.Minor & 0xFF) << 8);
    if (v.Platform == VER_PLATFORM_WIN32_NT)
        return low | ((v.Build & 0x7FFF) << 16);
    return low | 0x80000000u;
}

} // namespace win
