#include "platform/win/kernel/MappedFile.h"
#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace win;
namespace fs = std::filesystem;

namespace {

std::string MappedTempName() {
    std::string name;
    EXPECT_NE(GetTempFileName(fs::temp_directory_path().string(), "lwm", 0, name), 0u);
    return name;
}

} // namespace

TEST(MappedFile, WrittenThroughOneViewReadThroughAnother) {
    TMappedFile file;
    const std::string name = MappedTempName();
    // Past 4 GiB offsets need 64 bits; a sparse file keeps this cheap.
    const uint64_t length = (uint64_t(1) << 32) + 3 * AllocationGranularity;
    ASSERT_TRUE(file.Create(name, length));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), length);
    EXPECT_EQ(fs::file_size(name), length);

    const uint64_t high = uint64_t(1) << 32;
    auto* writer = static_cast<uint8_t*>(file.MapView(high, 2 * AllocationGranularity));
    ASSERT_NE(writer, nullptr);
    for (size_t i = 0; i < 2 * AllocationGranularity; ++i)
        writer[i] = uint8_t(i * 7);
    // A second view over the second half of the same range sees the bytes at once.
    auto* reader = static_cast<uint8_t*>(file.MapView(high + AllocationGranularity, AllocationGranularity));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(file.GetViewCount(), 2u);
    for (size_t i = 0; i < AllocationGranularity; i += 4099)
        EXPECT_EQ(reader[i], uint8_t((i + AllocationGranularity) * 7));
    EXPECT_TRUE(file.UnmapView(writer));
    EXPECT_TRUE(file.UnmapView(reader));

    // The data survives unmapping; count 0 maps to the end.
    auto* tail = static_cast<uint8_t*>(file.MapView(high, 0));
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail[1], 7);
    EXPECT_EQ(tail[3 * AllocationGranularity - 1], 0);

    file.Close(); // unmaps what is left and deletes the file
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetViewCount(), 0u);
    EXPECT_FALSE(fs::exists(name));
}

TEST(MappedFile, RefusedViewsAndLengths) {
    TMappedFile file;
    EXPECT_EQ(file.MapView(0, 16), nullptr); // not open
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    const std::string name = MappedTempName();
    ASSERT_TRUE(file.Create(name, 2 * AllocationGranularity));

    struct Case {
        uint64_t Offset;
        size_t Count;
        DWORD Error;
    } cases[] = {
        {100, 16, ERROR_MAPPED_ALIGNMENT},
        {AllocationGranularity, AllocationGranularity + 1, ERROR_ACCESS_DENIED},
        {2 * AllocationGranularity, 0, ERROR_ACCESS_DENIED},
        {4 * AllocationGranularity, 1, ERROR_ACCESS_DENIED},
        {0, SIZE_MAX, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(file.MapView(c.Offset, c.Count), nullptr) << c.Offset << " " << c.Count;
        EXPECT_EQ(GetLastError(), c.Error);
    }
    int local = 0;
    EXPECT_FALSE(file.UnmapView(&local));

    void* view = file.MapView(AllocationGranularity, 10);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(file.SetLength(AllocationGranularity)); // would cut the view off
    EXPECT_EQ(GetLastError(), ERROR_USER_MAPPED_FILE);
    file.UnmapView(view);
    ASSERT_TRUE(file.SetLength(5 * AllocationGranularity));
    EXPECT_EQ(file.GetLength(), 5 * AllocationGranularity);
    EXPECT_NE(file.MapView(4 * AllocationGranularity, AllocationGranularity), nullptr);
}

TEST(MappedFile, CreateFailureLeavesNothingBehind) {
    TMappedFile file;
    EXPECT_FALSE(file.Create((fs::temp_directory_path() / "no-such-folder-lw" / "x.tmp").string(), 10));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(file.IsOpen());
}

TEST(MappedFile, NeverWritesThroughASymbolicLink) {
    const std::string victim = MappedTempName();
    {
        std::FILE* f = std::fopen(victim.c_str(), "w");
        std::fputs("keep me", f);
        std::fclose(f);
    }
    const std::string link = victim + ".link";
    fs::create_symlink(victim, link);
    TMappedFile file;
    EXPECT_FALSE(file.Create(link, 1000));
    EXPECT_EQ(fs::file_size(victim), 7u);
    fs::remove(link);
    fs::remove(victim);
}

TEST(MappedFile, DestructorDeletesTheFile) {
    std::string name = MappedTempName();
    {
        TMappedFile file;
        ASSERT_TRUE(file.Create(name, 100));
        ASSERT_NE(file.MapView(0, 100), nullptr);
    }
    EXPECT_FALSE(fs::exists(name));
}

TEST(MemoryStatus, ClampedTo32BitsAndOverridable) {
    TMemoryStatusEx ex;
    ASSERT_TRUE(GlobalMemoryStatusEx(&ex));
    EXPECT_GT(ex.ullTotalPhys, 0u);
    EXPECT_LE(ex.ullAvailPhys, ex.ullTotalPhys);

    struct Case {
        int64_t Available;
        DWORD Expected;
    } cases[] = {
        {0, 0},
        {123456789, 123456789},
        {int64_t(0xFFFFFFFF), 0xFFFFFFFF},
        {int64_t(12) << 30, 0xFFFFFFFF}, // 12 GiB
    };
    for (const auto& c : cases) {
        SetAvailablePhysicalMemoryOverride(c.Available);
        TMemoryStatus status;
        GlobalMemoryStatus(&status);
        EXPECT_EQ(status.dwAvailPhys, c.Expected);
    }
    SetAvailablePhysicalMemoryOverride(-1);
    TMemoryStatus status;
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwAvailPhys, ex.ullAvailPhys > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(ex.ullAvailPhys));
}
