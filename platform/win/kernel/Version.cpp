#include "platform/win/kernel/Version.h"

#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Modules.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

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

// The version block: wLength, wValueLength and wType, the key in UTF-16 with its terminator, padding to a
// 4-byte boundary, then the fixed file information.
namespace {

constexpr char16_t VersionBlockKey[] = u"VS_VERSION_INFO";
constexpr size_t VersionHeaderSize = 3 * sizeof(WORD);
constexpr size_t VersionKeyEnd = VersionHeaderSize + sizeof VersionBlockKey;
constexpr size_t VersionFixedOffset = (VersionKeyEnd + 3) / 4 * 4;
constexpr size_t VersionBlockSize = VersionFixedOffset + sizeof(VS_FIXEDFILEINFO);
static_assert(VersionFixedOffset == 40 && VersionBlockSize == 92);

struct VersionResource {
    DWORD MS = 0;
    DWORD LS = 0;
    bool HasVersion = false; // a module only switched off or on again has none
    bool Absent = false;
};

struct VersionResources {
    std::mutex Lock;
    std::map<std::string, VersionResource> Modules;
};

std::map<std::string, VersionResource> VersionDefaults() {
    return {{ModuleKey("comctl32.dll"), VersionResource{0x00060000, 0x0A280000, true}}}; // 6.0.2600.0
}

VersionResources& VersionResourceTable() {
    static VersionResources table{{}, VersionDefaults()};
    return table;
}

// The module's fixed file information, or nothing with the error the version calls report.
std::optional<VS_FIXEDFILEINFO> VersionOf(const char* fileName) {
    if (!fileName || !*fileName || std::strpbrk(fileName, "/\\") || !ModuleRegistered(fileName)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    VersionResources& table = VersionResourceTable();
    std::lock_guard lock(table.Lock);
    auto it = table.Modules.find(ModuleKey(fileName));
    if (it == table.Modules.end() || !it->second.HasVersion || it->second.Absent) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return std::nullopt;
    }
    VS_FIXEDFILEINFO info;
    info.dwFileVersionMS = info.dwProductVersionMS = it->second.MS;
    info.dwFileVersionLS = info.dwProductVersionLS = it->second.LS;
    return info;
}

void VersionPutWord(std::byte* at, WORD value) { std::memcpy(at, &value, sizeof value); }

WORD VersionGetWord(const std::byte* at) {
    WORD value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

DWORD GetFileVersionInfoSize(const char* fileName, DWORD* handle) {
    if (handle)
        *handle = 0;
    return VersionOf(fileName) ? DWORD(VersionBlockSize) : 0;
}

BOOL GetFileVersionInfo(const char* fileName, DWORD, DWORD size, void* data) {
    std::optional<VS_FIXEDFILEINFO> info = VersionOf(fileName);
    if (!info)
        return FALSE;
    if (!data || size < VersionBlockSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::byte block[VersionBlockSize] = {};
    VersionPutWord(block, WORD(VersionBlockSize));
    VersionPutWord(block + 2, WORD(sizeof(VS_FIXEDFILEINFO)));
    VersionPutWord(block + 4, 0); // binary data
    std::memcpy(block + VersionHeaderSize, VersionBlockKey, sizeof VersionBlockKey);
    std::memcpy(block + VersionFixedOffset, &*info, sizeof *info);
    std::memcpy(data, block, sizeof block);
    return TRUE;
}

BOOL VerQueryValue(const void* block, const char* subBlock, void** buffer, UINT* length) {
    if (!block || !subBlock || !buffer || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* bytes = static_cast<const std::byte*>(block);
    DWORD signature;
    std::memcpy(&signature, bytes + VersionFixedOffset, sizeof signature);
    if (VersionGetWord(bytes) < VersionBlockSize || VersionGetWord(bytes + 2) != sizeof(VS_FIXEDFILEINFO) ||
        std::memcmp(bytes + VersionHeaderSize, VersionBlockKey, sizeof VersionBlockKey) != 0 ||
        signature != VS_FFI_SIGNATURE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The root block is "\\"; an empty name means it too.
    if (std::strcmp(subBlock, "\\") != 0 && *subBlock) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    *buffer = const_cast<std::byte*>(bytes + VersionFixedOffset);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

void SetModuleFileVersion(const std::string& module, DWORD versionMS, DWORD versionLS) {
    VersionResources& table = VersionResourceTable();
    std::lock_guard lock(table.Lock);
    VersionResource& resource = table.Modules[ModuleKey(module)];
    resource.MS = versionMS;
    resource.LS = versionLS;
    resource.HasVersion = true;
}

void SetModuleVersionAbsent(const std::string& module, bool absent) {
    VersionResources& table = VersionResourceTable();
    std::lock_guard lock(table.Lock);
    table.Modules[ModuleKey(module)].Absent = absent;
}

void ResetModuleVersions() {
    VersionResources& table = VersionResourceTable();
    std::lock_guard lock(table.Lock);
    table.Modules = VersionDefaults();
}

} // namespace win
