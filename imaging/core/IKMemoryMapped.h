// A temporary file mapped into memory piece by piece: the storage of images too large for memory.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/win/kernel/MappedFile.h"

#include <cstdint>
#include <string>

namespace imaging {

class TIKMemoryMapped : public vcl::TObject {
public:
    // Views start at multiples of this granularity.
    static constexpr uint64_t IKViewGranularity = win::AllocationGranularity;

    TIKMemoryMapped() = default;
    ~TIKMemoryMapped() override;

    // Creates the file (a unique "imagekit" file in the temporary folder when name is empty) with size bytes
    // of zeros reserved on disk, so that a full disk shows here and not as a fault while pixels are written.
    // False on any failure, leaving nothing behind.
    bool CreateFile(const std::string& name, uint64_t size);
    // Changes the file's length; the caller has unmapped its views.
    bool SetSize(uint64_t size);
    // Maps count bytes from offset (a multiple of IKViewGranularity) for reading and writing; nullptr on
    // failure.
    uint8_t* MapView(uint64_t offset, size_t count);
    void UnmapView(void* view);
    bool IsOpen() const { return FFile.IsOpen(); }
    // Unmaps every view, closes and deletes the file.
    void Close();
    // Copies count bytes at offset from this file into the same range of dest, in chunks of 1 MiB.
    bool CopyTo(TIKMemoryMapped* dest, uint64_t offset, uint64_t count);

    const std::string& GetFileName() const { return FFile.GetFileName(); }
    uint64_t GetSize() const { return FFile.GetLength(); }
    int32_t ViewCount() const { return int32_t(FFile.GetViewCount()); }

private:
    win::TMappedFile FFile;
};

} // namespace imaging
