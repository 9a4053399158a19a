// Memory-mapped files for pixel stores larger than memory, and the machine's memory status.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

// View offsets are multiples of this, as on the platform whose programs this layer serves.
constexpr uint64_t AllocationGranularity = 65536;

// A file opened read/write (created new or truncated) together with its views. Views are read/write and
// shared with the file. The file is deleted when closed, since it only ever holds scratch data.
// Failing calls return false/nullptr and set the last error.
class TMappedFile {
public:
    TMappedFile() = default;
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    // Creates path (replacing any file of that name, but never through a symbolic link), owner read/write
    // only, and sets its length, which is read back. On failure nothing is left behind.
    bool Create(const std::string& path, uint64_t length);
    // Changes the length. Refused (ERROR_USER_MAPPED_FILE) while views are mapped: a view past the new end
    // would fault on its next access.
    bool SetLength(uint64_t length);
    uint64_t GetLength() const { return FLength; }

    // Maps count bytes at offset, a multiple of AllocationGranularity (else ERROR_MAPPED_ALIGNMENT).
    // count 0 maps up to the end of the file. A range past the end is refused (ERROR_ACCESS_DENIED).
    void* MapView(uint64_t offset, size_t count);
    // False (ERROR_INVALID_PARAMETER) for an address that is not a view of this file.
    bool UnmapView(void* view);
    size_t GetViewCount() const { return FViews.size(); }

    // Unmaps every view (last first), closes the file and deletes it.
    void Close();
    bool IsOpen() const { return FFile >= 0; }
    const std::string& GetFileName() const { return FFileName; }

private:
    struct View {
        void* Address; // what the caller received
        void* Base;    // page-aligned start of the mapping
        size_t Length; // of the mapping from Base
    };
    int FFile = -1;
    uint64_t FLength = 0;
    std::string FFileName;
    std::vector<View> FViews;
};

// The machine's memory, with every field clamped to 32 bits (0xFFFFFFFF when larger).
struct TMemoryStatus {
    DWORD dwLength = sizeof(TMemoryStatus);
    DWORD dwMemoryLoad = 0; // percent in use
    DWORD dwTotalPhys = 0;
    DWORD dwAvailPhys = 0;
    DWORD dwTotalPageFile = 0;
    DWORD dwAvailPageFile = 0;
    DWORD dwTotalVirtual = 0;
    DWORD dwAvailVirtual = 0;
};
using MEMORYSTATUS = TMemoryStatus;

struct TMemoryStatusEx {
    DWORD dwLength = sizeof(TMemoryStatusEx);
    DWORD dwMemoryLoad = 0;
    uint64_t ullTotalPhys = 0;
    uint64_t ullAvailPhys = 0;
    uint64_t ullTotalPageFile = 0;
    uint64_t ullAvailPageFile = 0;
    uint64_t ullTotalVirtual = 0;
    uint64_t ullAvailVirtual = 0;
};
using MEMORYSTATUSEX = TMemoryStatusEx;

void GlobalMemoryStatus(TMemoryStatus* status);
BOOL GlobalMemoryStatusEx(TMemoryStatusEx* status);

// Tests pretend to have this much available physical memory; a negative value restores the real figure.
void SetAvailablePhysicalMemoryOverride(int64_t bytes);

} // namespace win
