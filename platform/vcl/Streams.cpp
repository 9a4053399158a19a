#include "platform/vcl/Streams.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vcl {

namespace {

std::string SystemErrorText() { return std::strerror(errno); }

} // namespace

int64_t TStream::GetSize() {
    int64_t position = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->GetSize();
    }
    constexpr int32_t chunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, chunk)));
    int64_t remaining = count;
    while (remaining > 0) {
        int32_t n = static_cast<int32_t>(std::min<int64_t>(remaining, chunk));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        remaining -= n;
    }
    return count;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || FPosition < 0 || FPosition >= FSize)
        return 0;
    int64_t n = std::min<int64_t>(count, FSize - FPosition);
    std::memcpy(buffer, static_cast<uint8_t*>(FMemory) + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return static_cast<int32_t>(n);
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case soBeginning: FPosition = offset; break;
    case soCurrent: FPosition += offset; break;
    case soEnd: FPosition = FSize + offset; break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
    if (FSize > 0)
        stream->WriteBuffer(FMemory, static_cast<int32_t>(FSize));
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
    SaveFileSafely(fileName, [this](TStream& stream) { SaveToStream(&stream); });
}

void TMemoryStream::TFreeMemory::operator()(uint8_t* p) const {
    std::free(p);
}

void TMemoryStream::Reserve(int64_t capacity) {
    if (capacity > static_cast<int64_t>(std::numeric_limits<int32_t>::max()))
        throw EOutOfMemory("Out of memory while expanding memory stream");
    if (capacity <= FCapacity)
        return;
    const int64_t grown = std::max(capacity, FCapacity + FCapacity / 2);
    auto* data = static_cast<uint8_t*>(std::realloc(FData.get(), static_cast<size_t>(grown)));
    if (!data)
        throw EOutOfMemory("Out of memory while expanding memory stream");
    FData.release();
    FData.reset(data);
    FCapacity = grown;
}

void TMemoryStream::ZeroUpTo(int64_t end) {
    if (end <= FFilled)
        return;
    std::memset(FData.get() + FFilled, 0, static_cast<size_t>(end - FFilled));
    FFilled = end;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
    if (count <= 0 || FPosition < 0)
        return 0;
    int64_t end = FPosition + count;
    if (end > GetSize()) {
        Reserve(end);
        ZeroUpTo(FPosition); // a gap left by seeking past the end
        SetPointer(FData.get(), end);
    }
    std::memcpy(FData.get() + FPosition, buffer, static_cast<size_t>(count));
    FFilled = std::max(FFilled, end);
    FPosition = end;
    return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0)
        throw EStreamError("Invalid stream size");
    Reserve(newSize);
    ZeroUpTo(newSize);
    SetPointer(FData.get(), newSize);
    if (FPosition > newSize)
        FPosition = newSize;
}

void TMemoryStream::Clear() {
    FData.reset();
    FCapacity = 0;
    FFilled = 0;
    SetPointer(nullptr, 0);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    int64_t size = stream->GetSize();
    SetSize(size);
    if (size > 0)
        stream->ReadBuffer(Memory(), static_cast<int32_t>(size));
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

int32_t TReadOnlyMemoryStream::Write(const void*, int32_t) { throw EWriteError("Stream write error"); }

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : FFileName(fileName) {
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        FHandle = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    FHandle = ::open(fileName.c_str(), flags);
    if (FHandle >= 0) {
        struct stat st {};
        if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            errno = EISDIR;
        }
    }
    if (FHandle < 0)
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SystemErrorText());
}

TFileStream::~TFileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(FHandle, static_cast<uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        ssize_t n =
            ::write(FHandle, static_cast<const uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<int64_t>(result);
}

void TFileStream::SetSize(int64_t newSize) {
    int64_t position = GetPosition();
    if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0)
        throw EStreamError("Cannot set the size of \"" + FFileName + "\". " + SystemErrorText());
    if (position > newSize)
        Seek(newSize, soBeginning);
}

namespace {

// The file a save through fileName writes: symbolic links are followed, so that saving through a link
// replaces the file it names and the link stays a link. A link that names no file yet is followed too.
std::string SafeSaveTarget(const std::string& fileName) {
    std::string path = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> buffer(size_t(std::max<off_t>(st.st_size, 4095)) + 1);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0 || size_t(n) >= buffer.size())
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
        std::string link(buffer.data(), size_t(n));
        const auto slash = path.rfind('/');
        path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    errno = ELOOP;
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
}

// Gives the new file the mode, owner and group of the file it replaces, as far as the system lets us; a
// new file gets the usual mode. Set-user-id and set-group-id bits are never carried over: a saved
// document is no program.
void SafeSaveCopyAttributes(int fd, const struct stat* old) {
    if (!old) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        return;
    }
    // Changing the owner needs privileges and changing the group membership of it: either may fail, and
    // the file keeps the saver's then. The mode comes after, as a change of owner clears set-id bits.
    if (::fchown(fd, old->st_uid, old->st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old->st_gid);
    ::fchmod(fd, old->st_mode & 01777 & ~mode_t(S_ISUID | S_ISGID));
}

// Makes the rename itself durable: the folder's entry is on disk when the save returns.
void SafeSaveSyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems cannot sync a folder (EINVAL); the file itself is already on disk.
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream& stream)>& writer) {
    const std::string target = SafeSaveTarget(fileName);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        throw EFCreateError("Cannot create file \"" + fileName + "\". It is not a regular file.");
    // A file the user may not write stays as it is, although its folder would let us replace it.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string pattern = (slash == std::string::npos ? std::string() : folder) + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
    ::close(fd);
    const std::string tempName(name.data());
    {
        // The temporary file goes again unless it took the target's place.
        ScopeExit removed([&]() noexcept { ::unlink(tempName.c_str()); });
        {
            TFileStream stream(tempName, fmOpenReadWrite);
            writer(stream);
            SafeSaveCopyAttributes(stream.Handle(), exists ? &old : nullptr);
            if (::fsync(stream.Handle()) != 0)
                throw EWriteError("Cannot write file \"" + fileName + "\". " + SystemErrorText());
        }
        if (::rename(tempName.c_str(), target.c_str()) != 0)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemErrorText());
        removed.Dismiss();
    }
    SafeSaveSyncFolder(folder);
}

} // namespace vcl
