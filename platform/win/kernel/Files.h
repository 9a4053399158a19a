// Files, folders and temporary names. Paths use "/" and are UTF-8. Failing calls return 0/FALSE and set the
// last error (Errors.h) from errno.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>

namespace win {

// The temporary folder: $TMPDIR when set and not empty, else "/tmp"; always with a trailing "/".
std::string GetTempPath();
// The classic form: copies the folder into buffer (size characters including the terminating zero) and
// returns its length; when it does not fit, returns the size needed (with the zero) and leaves buffer as is.
DWORD GetTempPath(DWORD size, char* buffer);

// Makes "<path>/<first three characters of prefix><4 hex digits>.tmp".
// unique == 0: finds a number whose file does not exist yet and creates that file (empty, owner read and
// write only), so the name is reserved once the call returns; the result is that number, 0 on failure.
// unique != 0: only makes the name from the low 16 bits of unique, creates nothing, and returns unique.
UINT GetTempFileName(const std::string& path, const std::string& prefix, UINT unique, std::string& name);
// The classic form writing into a buffer of MAX_PATH characters; fails with ERROR_FILENAME_EXCED_RANGE
// (creating nothing) when the name would not fit.
UINT GetTempFileName(const char* path, const char* prefix, UINT unique, char* buffer);

BOOL DeleteFile(const std::string& path);
BOOL CreateDirectory(const std::string& path, void* securityAttributes = nullptr);
BOOL RemoveDirectory(const std::string& path);
// Creates the folder and every missing parent; TRUE when it exists afterwards.
BOOL CreateDirectoryPath(const std::string& path);

// The size of the file at path; FALSE when it does not exist or is not a regular file.
BOOL GetFileSizeByName(const std::string& path, uint64_t& size);

// The full path of the running program (through /proc/self/exe); module is ignored.
std::string GetModuleFileName(HMODULE module = nullptr);
// The classic form: returns the length copied; when buffer is too small the name is cut, zero-terminated,
// the result is size and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileName(HMODULE module, char* buffer, DWORD size);

} // namespace win
