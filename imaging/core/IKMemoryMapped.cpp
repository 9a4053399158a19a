#include "imaging/core/IKMemoryMapped.h"

#include "imaging/core/IKDefs.h"
#include "imaging/core/IKHelpers.h"
#include "platform/win/kernel/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace imaging {

TIKMemoryMapped::~TIKMemoryMapped() {
    Close();
}

namespace {

// Reserves the file's blocks on disk. A sparse file would turn a full disk into a fault at the first write
// of a pixel; reserved blocks make it a failure here. File systems that cannot reserve keep a sparse file.
bool MappedReserve(const std::string& name, uint64_t size) {
    if (size == 0)
        return true;
    int fd = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    int rc = ::posix_fallocate(fd, 0, off_t(size));
    ::close(fd);
    return rc == 0 || rc == EOPNOTSUPP || rc == EINVAL;
}

} // namespace

bool TIKMemoryMapped::CreateFile(const std::string& name, uint64_t size) {
    Close();
    if (size > uint64_t(INT64_MAX))
        return false;
    std::string fileName = name;
    if (fileName.empty()) {
        std::string folder = DefaultTempFolder.empty() ? win::GetTempPath() : DefaultTempFolder;
        try {
            IKCreateDirectoryPath(folder);
        } catch (...) {
            return false;
        }
        if (win::GetTempFileName(folder, "imagekit", 0, fileName) == 0)
            return false;
    }
    if (!FFile.Create(fileName, size)) {
        if (name.empty())
            win::DeleteFile(fileName);
        return false;
    }
    if (!MappedReserve(fileName, size)) {
        FFile.Close();
        return false;
    }
    return true;
}

bool TIKMemoryMapped::SetSize(uint64_t size) {
    if (!IsOpen() || !FFile.SetLength(size))
        return false;
    if (!MappedReserve(FFile.GetFileName(), size)) {
        FFile.SetLength(0);
        return false;
    }
    return true;
}

uint8_t* TIKMemoryMapped::MapView(uint64_t offset, size_t count) {
    if (!IsOpen() || count == 0)
        return nullptr;
    return static_cast<uint8_t*>(FFile.MapView(offset, count));
}

void TIKMemoryMapped::UnmapView(void* view) {
    FFile.UnmapView(view);
}

void TIKMemoryMapped::Close() {
    FFile.Close();
}

bool TIKMemoryMapped::CopyTo(TIKMemoryMapped* dest, uint64_t offset, uint64_t count) {
    if (!IsOpen() || !dest || !dest->IsOpen() || offset % IKViewGranularity != 0 || offset > GetSize() ||
        count > GetSize() - offset || offset > dest->GetSize() || count > dest->GetSize() - offset)
        return false;
    // Chunk by chunk through a buffer: one view of each file at a time.
    constexpr uint64_t chunk = 1 << 20;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    while (count > 0) {
        const size_t n = size_t(std::min(count, chunk));
        uint8_t* from = MapView(offset, n);
        if (!from)
            return false;
        std::memcpy(buffer.data(), from, n);
        UnmapView(from);
        uint8_t* to = dest->MapView(offset, n);
        if (!to)
            return false;
        std::memcpy(to, buffer.data(), n);
        dest->UnmapView(to);
        offset += n;
        count -= n;
    }
    return true;
}

} // namespace imaging
