#include "platform/win/kernel/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace win {

namespace {

thread_local DWORD ErrorsLastError = ERROR_SUCCESS;

struct ErrorsErrnoPair {
    int Errno;
    DWORD Code;
};

// Listed in the direction errno -> code; the first entry of a code gives its text.
constexpr ErrorsErrnoPair ErrorsTable[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},      {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES}, {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},       {EPERM, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},       {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EROFS, ERROR_WRITE_PROTECT},        {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EBUSY, ERROR_SHARING_VIOLATION},    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {EEXIST, ERROR_FILE_EXISTS},         {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOSPC, ERROR_DISK_FULL},           {EFBIG, ERROR_DISK_FULL},
    {ERANGE, ERROR_INSUFFICIENT_BUFFER}, {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},    {EISDIR, ERROR_ACCESS_DENIED},
};

// Texts for the codes that have no errno of their own.
struct ErrorsText {
    DWORD Code;
    const char* Text;
};
constexpr ErrorsText ErrorsOwnTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully"},
    {ERROR_INVALID_FUNCTION, "Incorrect function"},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation"},
    {ERROR_HANDLE_EOF, "Reached the end of the file"},
    {ERROR_BUFFER_OVERFLOW, "The file name is too long"},
    {ERROR_INVALID_NAME, "The file name, directory name, or volume label syntax is incorrect"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists"},
    {ERROR_DIRECTORY, "The directory name is invalid"},
    {ERROR_MAPPED_ALIGNMENT,
     "The base address or the file offset specified does not have the proper alignment"},
    {ERROR_USER_MAPPED_FILE,
     "The requested operation cannot be performed on a file with a user-mapped section open"},
};

std::string ErrorsStrError(int err) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = strerror_r(err, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

} // namespace

DWORD GetLastError() {
    return ErrorsLastError;
}

void SetLastError(DWORD code) {
    ErrorsLastError = code;
}

DWORD ErrnoToError(int err) {
    if (err == 0)
        return ERROR_SUCCESS;
    for (const auto& pair : ErrorsTable)
        if (pair.Errno == err)
            return pair.Code;
    return ErrnoErrorBase + DWORD(err);
}

DWORD SetLastErrorFromErrno(int err) {
    DWORD code = ErrnoToError(err);
    ErrorsLastError = code;
    return code;
}

std::string SysErrorMessage(DWORD code) {
    for (const auto& own : ErrorsOwnTexts)
        if (own.Code == code)
            return own.Text;
    for (const auto& pair : ErrorsTable)
        if (pair.Code == code)
            return ErrorsStrError(pair.Errno);
    if (code > ErrnoErrorBase && code < ErrnoErrorBase + 4096)
        return ErrorsStrError(int(code - ErrnoErrorBase));
    return "Unknown error " + std::to_string(code);
}

DWORD FormatMessage(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                    DWORD size, void* arguments) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text = SysErrorMessage(messageId);
    if (text.rfind("Unknown error ", 0) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (text.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}

void OutputDebugString(const std::string& text) {
    std::string line = text;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace win
