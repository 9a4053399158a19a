#include "imaging/core/IKMemoryMapped.h"

#include "imaging/core/IKDefs.h"
#include "imaging/core/IKHelpers.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

TIKMemoryMapped::~TIKMemoryMapped() {
    Close();
}

namespace {

// Sets the file's length with its blocks allocated; falls back to a plain length change on file systems
// that cannot reserve space.
bool MappedReserve(int fd, uint64_t size) {
    if (size > uint64_t(INT64_MAX))
        return false;
    int rc = ::posix_fallocate(fd, 0, off_t(size));
    if (rc == EOPNOTSUPP || rc == EINVAL)
        rc = ::ftruncate(fd, off_t(size)) == 0 ? 0 : errno;
    if (rc != 0)
        return false;
    struct stat st;
    return ::fstat(fd, &st) == 0 && uint64_t(st.st_size) == size;
}

} // namespace

bool TIKMemoryMapped::CreateFile(const std::string& name, uint64_t size) {
    Close();
    std::string fileName = name;
    int fd = -1;
    if (fileName.empty()) {
        std::string folder = IKTempFolder();
        try {
            IKCreateDirectoryPath(folder);
        } catch (...) {
            return false;
        }
        std::string pattern = folder + (folder.back() == '/' ? "" : "/") + "imagekitXXXXXX";
        fd = ::mkstemp(pattern.data());
        fileName = pattern;
    } else {
        fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return false;
    if (!MappedReserve(fd, size)) {
        ::close(fd);
        ::unlink(fileName.c_str());
        return false;
    }
    FHandle = fd;
    FFileName = fileName;
    FSize = size;
    return true;
}

bool TIKMemoryMapped::SetSize(uint64_t size) {
    if (!IsOpen())
        return false;
    if (size < FSize ? ::ftruncate(FHandle, off_t(size)) != 0 : !MappedReserve(FHandle, size))
        return false;
    FSize = size;
    return true;
}

uint8_t* TIKMemoryMapped::MapView(uint64_t offset, size_t count) {
    if (!IsOpen() || count == 0 || offset % IKViewGranularity != 0 || offset > FSize ||
        count > FSize - offset)
        return nullptr;
    void* p = ::mmap(nullptr, count, PROT_READ | PROT_WRITE, MAP_SHARED, FHandle, off_t(offset));
    if (p == MAP_FAILED)
        return nullptr;
    FViews.push_back({p, count});
    return static_cast<uint8_t*>(p);
}

void TIKMemoryMapped::UnmapView(void* view) {
    auto it =
        std::find_if(FViews.begin(), FViews.end(), [view](const TView& v) { return v.Address == view; });
    if (it == FViews.end())
        return;
    ::munmap(it->Address, it->Length);
    FViews.erase(it);
}

void TIKMemoryMapped::Close() {
    while (!FViews.empty()) {
        ::munmap(FViews.back().Address, FViews.back().Length);
        FViews.pop_back();
    }
    if (FHandle >= 0) {
        ::close(FHandle);
        ::unlink(FFileName.c_str());
    }
    FHandle = -1;
    FFileName.clear();
    FSize = 0;
}

bool TIKMemoryMapped::CopyTo(TIKMemoryMapped* dest, uint64_t offset, uint64_t count) {
    if (!IsOpen() || !dest || !dest->IsOpen() || offset > FSize || count > FSize - offset ||
        offset > dest->FSize || count > dest->FSize - offset)
        return false;
    constexpr size_t chunk = 1 << 20;
    std::vector<uint8_t> buffer(size_t(std::min<uint64_t>(count, chunk)));
    while (count > 0) {
        size_t n = size_t(std::min<uint64_t>(count, chunk));
        for (size_t done = 0; done < n;) {
            ssize_t r = ::pread(FHandle, buffer.data() + done, n - done, off_t(offset + done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            done += size_t(r);
        }
        for (size_t done = 0; done < n;) {
            ssize_t w = ::pwrite(dest->FHandle, buffer.data() + done, n - done, off_t(offset + done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += size_t(w);
        }
        offset += n;
        count -= n;
    }
    return true;
}

} // namespace imaging
