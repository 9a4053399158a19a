// The per-thread last-error value, the system's error texts and the debug output channel.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>

namespace win {

// Error codes the layer reports. Failing calls translate errno into the nearest of these; an errno value
// without a counterpart is kept as ErrnoErrorBase + errno so that its text can still be found.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_MAPPED_ALIGNMENT = 1132;
constexpr DWORD ERROR_USER_MAPPED_FILE = 1224;
constexpr DWORD ErrnoErrorBase = 0x20000000;

DWORD GetLastError();
void SetLastError(DWORD code);

// Sets the last error from an errno value and returns the code it became.
DWORD SetLastErrorFromErrno(int err);
DWORD ErrnoToError(int err);

// The system's text for an error code ("No such file or directory"), without a trailing line break;
// "Unknown error N" for a code the layer does not know.
std::string SysErrorMessage(DWORD code);

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

// Writes the system's text for messageId into buffer (size characters including the terminating zero)
// and returns the number of characters written. Only FORMAT_MESSAGE_FROM_SYSTEM is supported; source
// and language are ignored. Returns 0 (last error set) for an unknown code, another source or a buffer too
// small for the text.
DWORD FormatMessage(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                    DWORD size, void* arguments = nullptr);

// Diagnostics for developers: goes to standard error, one line per call.
void OutputDebugString(const std::string& text);

} // namespace win
