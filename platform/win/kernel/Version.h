// The version the layer reports to callers that branch on the operating system (the NT family, 5.1), and
// the version resources of the modules callers can load.
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

// Version resources. A module's resource is one block: its header, the key "VS_VERSION_INFO" in UTF-16 and the
// fixed file information, which VerQueryValue hands out for the root block "\\". Modules of the module table
// have one when a layer (or a test) gave them a version; "comctl32.dll" answers 6.0 from the start, the
// common controls of the window system being those of that release.
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
constexpr DWORD VOS_NT_WINDOWS32 = 0x00040004;
constexpr DWORD VFT_DLL = 2;
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature = VS_FFI_SIGNATURE;
    DWORD dwStrucVersion = VS_FFI_STRUCVERSION;
    DWORD dwFileVersionMS = 0; // major in the high word, minor in the low
    DWORD dwFileVersionLS = 0; // release in the high word, build in the low
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = VOS_NT_WINDOWS32;
    DWORD dwFileType = VFT_DLL;
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "the record has the platform's size");

// The size of the module's version block and 0 in *handle; 0 with ERROR_FILE_NOT_FOUND for a name the module
// table does not know (paths included) and ERROR_RESOURCE_TYPE_NOT_FOUND for a module without a resource.
DWORD GetFileVersionInfoSize(const char* fileName, DWORD* handle);
inline DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) {
    return GetFileVersionInfoSize(fileName, handle);
}
// Copies the block into data. FALSE for the same reasons as above, ERROR_INSUFFICIENT_BUFFER when size is
// below the block's: nothing is written then.
BOOL GetFileVersionInfo(const char* fileName, DWORD handle, DWORD size, void* data);
inline BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data) {
    return GetFileVersionInfo(fileName, handle, size, data);
}
// "\\" points *buffer at the block's VS_FIXEDFILEINFO and sets *length to its size. Another sub-block (the
// layer keeps no string tables) or a block GetFileVersionInfo did not fill gives FALSE and leaves both alone.
BOOL VerQueryValue(const void* block, const char* subBlock, void** buffer, UINT* length);
inline BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
    return VerQueryValue(block, subBlock, buffer, length);
}

// Gives the module a version resource with this file (and product) version; the module need not be
// registered yet, but only modules of the module table answer. Tests set another version, or take the
// resource away; ResetModuleVersions brings back the start: "comctl32.dll" at 6.0.2600.0 and nothing else.
void SetModuleFileVersion(const std::string& module, DWORD versionMS, DWORD versionLS);
void SetModuleVersionAbsent(const std::string& module, bool absent);
void ResetModuleVersions();

} // namespace win
