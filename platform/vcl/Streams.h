// The stream family: TStream, TMemoryStream, TFileStream, and the safe save of whole files.
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File open modes. Share modes are accepted and ignored: Linux has none.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    // Transfer up to count bytes; the result is the number moved, so short transfers can be seen.
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    virtual int64_t GetSize();
    virtual void SetSize(int64_t newSize);

    // Move exactly count bytes or raise EReadError / EWriteError.
    void ReadBuffer(void* buffer, int32_t count);
    void WriteBuffer(const void* buffer, int32_t count);
    // Copies count bytes from source's position (the whole source from its start when count is 0).
    int64_t CopyFrom(TStream* source, int64_t count);
};

class TCustomMemoryStream : public TStream {
public:
    int32_t Read(void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return FSize; }

    void* Memory() const { return FMemory; }
    void SaveToStream(TStream* stream);
    void SaveToFile(const std::string& fileName);

protected:
    void SetPointer(void* memory, int64_t size) {
        FMemory = memory;
        FSize = size;
    }
    int64_t FPosition = 0;

private:
    void* FMemory = nullptr;
    int64_t FSize = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    int32_t Write(const void* buffer, int32_t count) override;
    void SetSize(int64_t newSize) override;
    void Clear();
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const std::string& fileName);

private:
    void Reserve(int64_t capacity);
    // Zeroes the bytes below end that were never written, so that a stream grown by SetSize or by a write
    // past its end reads zeros there (and what it held before where it shrank and grew again).
    void ZeroUpTo(int64_t end);
    struct TFreeMemory {
        void operator()(uint8_t* p) const;
    };
    // Grown by realloc without clearing: a large stream's block grows in place instead of being copied and
    // cleared on each step.
    std::unique_ptr<uint8_t, TFreeMemory> FData;
    int64_t FCapacity = 0;
    int64_t FFilled = 0; // bytes written or zeroed so far
};

// A read-only stream over memory owned elsewhere.
class TReadOnlyMemoryStream : public TCustomMemoryStream {
public:
    TReadOnlyMemoryStream(const void* memory, int64_t size) { SetPointer(const_cast<void*>(memory), size); }
    int32_t Write(const void*, int32_t) override;
};

class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    const std::string& FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    std::string FFileName;
    int FHandle = -1;
};

// Writes a whole file safely: the writer fills a temporary file in the target's folder, which is flushed
// and renamed over the target only when the writer returned normally; the folder is flushed after the
// rename. When the writer throws (or the write fails) the temporary file is removed, the target is left
// as it was and the exception goes on. A symbolic link is followed and the file it names is replaced (the
// link stays). The new file keeps the old one's mode, owner and group where the system allows, never its
// set-user-id and set-group-id bits. A target that is no regular file (a FIFO, a device, a folder) or that
// the user may not write is refused with EFCreateError before anything is written.
void SaveFileSafely(const std::string& fileName, const std::function<void(TStream& stream)>& writer);

} // namespace vcl
