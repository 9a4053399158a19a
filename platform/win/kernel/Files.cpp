#include "platform/win/kernel/Files.h"

#include "platform/win/kernel/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace {

std::string FilesWithSlash(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

std::string FilesTempName(const std::string& path, const std::string& prefix, UINT unique) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", unsigned(unique & 0xFFFF));
    return FilesWithSlash(path) + prefix.substr(0, 3) + digits + ".tmp";
}

// Copies text with its terminating zero into buffer when it fits.
bool FilesCopyOut(const std::string& text, char* buffer, DWORD size) {
    if (!buffer || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

std::string GetTempPath() {
    const char* tmp = std::getenv("TMPDIR");
    return FilesWithSlash(tmp && *tmp ? std::string(tmp) : std::string("/tmp"));
}

DWORD GetTempPath(DWORD size, char* buffer) {
    std::string path = GetTempPath();
    if (!FilesCopyOut(path, buffer, size))
        return DWORD(path.size() + 1);
    return DWORD(path.size());
}

UINT GetTempFileName(const std::string& path, const std::string& prefix, UINT unique, std::string& name) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (prefix.find('/') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (unique != 0) {
        name = FilesTempName(path, prefix, unique);
        return unique;
    }
    // Start at a random number and walk on, as mkstemp does: O_EXCL makes the claim atomic.
    static thread_local std::minstd_rand random(std::random_device{}());
    const UINT start = UINT(random() % 0xFFFF) + 1;
    for (UINT i = 0; i < 0xFFFF; ++i) {
        const UINT number = (start - 1 + i) % 0xFFFF + 1;
        std::string candidate = FilesTempName(path, prefix, number);
        int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            name = std::move(candidate);
            return number;
        }
        if (errno != EEXIST) {
            SetLastErrorFromErrno(errno);
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

UINT GetTempFileName(const char* path, const char* prefix, UINT unique, char* buffer) {
    if (!path || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string prefixText = prefix ? prefix : "";
    // Check the length before creating anything: the name's length does not depend on the number.
    if (FilesTempName(path, prefixText, 1).size() + 1 > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    std::string name;
    UINT result = GetTempFileName(std::string(path), prefixText, unique, name);
    if (result != 0)
        FilesCopyOut(name, buffer, MAX_PATH);
    return result;
}

BOOL DeleteFile(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectory(const std::string& path, void* securityAttributes) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        SetLastError(errno == EEXIST   ? ERROR_ALREADY_EXISTS
                     : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                       : ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectory(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryPath(const std::string& path) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat info;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        std::string part = path.substr(0, pos);
        if (::stat(part.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                SetLastError(ERROR_DIRECTORY);
                return FALSE;
            }
            continue;
        }
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL GetFileSizeByName(const std::string& path, uint64_t& size) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (!S_ISREG(info.st_mode)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    size = uint64_t(info.st_size);
    return TRUE;
}

std::string GetModuleFileName(HMODULE module) {
    std::string name(256, '\0');
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", name.data(), name.size());
        if (length < 0) {
            SetLastErrorFromErrno(errno);
            return {};
        }
        if (size_t(length) < name.size()) {
            name.resize(size_t(length));
            return name;
        }
        name.resize(name.size() * 2);
    }
}

DWORD GetModuleFileName(HMODULE module, char* buffer, DWORD size) {
    std::string name = GetModuleFileName(module);
    if (name.empty() || !buffer || size == 0) {
        if (!name.empty())
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() + 1 > size) {
        std::memcpy(buffer, name.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return DWORD(name.size());
}

} // namespace win
