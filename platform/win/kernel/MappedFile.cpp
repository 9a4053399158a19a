#include "platform/win/kernel/MappedFile.h"

#include "platform/win/kernel/Errors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace win {

namespace {

std::atomic<int64_t> MappedAvailOverride{-1};

uint64_t MappedPageSize() {
    static const uint64_t size = [] {
        long page = ::sysconf(_SC_PAGESIZE);
        return page > 0 ? uint64_t(page) : uint64_t(4096);
    }();
    return size;
}

DWORD MappedClamp(uint64_t value) {
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(value);
}

// "MemAvailable" of /proc/meminfo in bytes, the kernel's estimate of what can be had without swapping.
bool MappedMemAvailable(uint64_t& bytes) {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        if (line.rfind("MemAvailable:", 0) == 0) {
            std::istringstream fields(line.substr(13));
            uint64_t kib = 0;
            if (fields >> kib) {
                bytes = kib * 1024;
                return true;
            }
        }
    }
    return false;
}

} // namespace

TMappedFile::~TMappedFile() {
    Close();
}

bool TMappedFile::Create(const std::string& path, uint64_t length) {
    Close();
    // A symbolic link in a shared temporary folder could point at someone's file: never follow one.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    struct stat info;
    if (::ftruncate(fd, off_t(length)) != 0 || ::fstat(fd, &info) != 0 || uint64_t(info.st_size) != length) {
        DWORD error = ErrnoToError(errno ? errno : ENOSPC);
        ::close(fd);
        ::unlink(path.c_str());
        SetLastError(error);
        return false;
    }
    FFile = fd;
    FLength = length;
    FFileName = path;
    return true;
}

bool TMappedFile::SetLength(uint64_t length) {
    if (FFile < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!FViews.empty()) {
        SetLastError(ERROR_USER_MAPPED_FILE);
        return false;
    }
    struct stat info;
    if (::ftruncate(FFile, off_t(length)) != 0 || ::fstat(FFile, &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    FLength = uint64_t(info.st_size);
    if (FLength != length) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

void* TMappedFile::MapView(uint64_t offset, size_t count) {
    if (FFile < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (offset % AllocationGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset > FLength || (count == 0 && offset == FLength) || count > FLength - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (count == 0)
        count = size_t(FLength - offset);
    // 65536 is a multiple of the usual page sizes; map from the page below the offset all the same, so
    // that machines with larger pages work too.
    const uint64_t base = offset - offset % MappedPageSize();
    const size_t delta = size_t(offset - base);
    void* mapping = ::mmap(nullptr, count + delta, PROT_READ | PROT_WRITE, MAP_SHARED, FFile, off_t(base));
    if (mapping == MAP_FAILED) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    void* address = static_cast<char*>(mapping) + delta;
    FViews.push_back({address, mapping, count + delta});
    return address;
}

bool TMappedFile::UnmapView(void* view) {
    auto it = std::find_if(FViews.begin(), FViews.end(), [&](const View& v) { return v.Address == view; });
    if (it == FViews.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ::munmap(it->Base, it->Length);
    FViews.erase(it);
    return true;
}

void TMappedFile::Close() {
    while (!FViews.empty()) {
        ::munmap(FViews.back().Base, FViews.back().Length);
        FViews.pop_back();
    }
    if (FFile >= 0) {
        ::close(FFile);
        FFile = -1;
        ::unlink(FFileName.c_str());
    }
    FLength = 0;
    FFileName.clear();
}

BOOL GlobalMemoryStatusEx(TMemoryStatusEx* status) {
    if (!status) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    status->dwLength = sizeof(TMemoryStatusEx);
    status->ullTotalPhys = uint64_t(info.totalram) * unit;
    uint64_t available = 0;
    if (!MappedMemAvailable(available))
        available = (uint64_t(info.freeram) + uint64_t(info.bufferram)) * unit;
    const int64_t override = MappedAvailOverride.load();
    if (override >= 0)
        available = uint64_t(override);
    status->ullAvailPhys = available;
    status->ullTotalPageFile = status->ullTotalPhys + uint64_t(info.totalswap) * unit;
    status->ullAvailPageFile = available + uint64_t(info.freeswap) * unit;
    // A process's address space on a 64-bit machine: 128 TiB of user space.
    status->ullTotalVirtual = uint64_t(1) << 47;
    status->ullAvailVirtual = status->ullTotalVirtual;
    status->dwMemoryLoad = status->ullTotalPhys == 0 || available >= status->ullTotalPhys
                               ? 0
                               : DWORD(100 - available * 100 / status->ullTotalPhys);
    return TRUE;
}

void GlobalMemoryStatus(TMemoryStatus* status) {
    if (!status)
        return;
    TMemoryStatusEx ex;
    if (!GlobalMemoryStatusEx(&ex))
        ex = TMemoryStatusEx{};
    status->dwLength = sizeof(TMemoryStatus);
    status->dwMemoryLoad = ex.dwMemoryLoad;
    status->dwTotalPhys = MappedClamp(ex.ullTotalPhys);
    status->dwAvailPhys = MappedClamp(ex.ullAvailPhys);
    status->dwTotalPageFile = MappedClamp(ex.ullTotalPageFile);
    status->dwAvailPageFile = MappedClamp(ex.ullAvailPageFile);
    status->dwTotalVirtual = MappedClamp(ex.ullTotalVirtual);
    status->dwAvailVirtual = MappedClamp(ex.ullAvailVirtual);
}

void SetAvailablePhysicalMemoryOverride(int64_t bytes) {
    MappedAvailOverride = bytes < 0 ? -1 : bytes;
}

} // namespace win
