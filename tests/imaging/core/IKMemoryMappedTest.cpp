#include "imaging/core/ikutils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace imaging;

TEST(IKMemoryMapped, FilesViewsAndCopies) {
    namespace fs = std::filesystem;
    const fs::path name = fs::temp_directory_path() / ("ikmapped-" + std::to_string(::getpid()) + ".bin");
    std::ofstream(name) << "old content that the new file replaces";
    const uint64_t size = 3 * TIKMemoryMapped::IKViewGranularity + 100;
    {
        TIKMemoryMapped a;
        EXPECT_FALSE(a.IsOpen());
        ASSERT_TRUE(a.CreateFile(name.string(), size));
        EXPECT_TRUE(a.IsOpen());
        EXPECT_EQ(fs::file_size(name), size);
        // Views start at multiples of the granularity and stay inside the file.
        EXPECT_EQ(a.MapView(100, 10), nullptr);
        EXPECT_EQ(a.MapView(0, size_t(size) + 1), nullptr);
        uint8_t* first = a.MapView(0, size_t(size));
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first[0], 0); // the old content is gone
        for (uint64_t i = 0; i < size; ++i)
            first[i] = uint8_t(i * 7);
        uint8_t* last = a.MapView(3 * TIKMemoryMapped::IKViewGranularity, 100);
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(last[99], uint8_t((size - 1) * 7));
        EXPECT_EQ(a.ViewCount(), 2);
        a.UnmapView(last);
        a.UnmapView(first);
        EXPECT_EQ(a.ViewCount(), 0);

        TIKMemoryMapped b;
        ASSERT_TRUE(b.CreateFile("", size));
        EXPECT_TRUE(fs::exists(b.GetFileName()));
        EXPECT_FALSE(a.CopyTo(&b, 1, 10)); // not at a view boundary
        EXPECT_FALSE(a.CopyTo(&b, 0, size + 1));
        ASSERT_TRUE(
            a.CopyTo(&b, TIKMemoryMapped::IKViewGranularity, size - TIKMemoryMapped::IKViewGranularity));
        uint8_t* copy = b.MapView(0, size_t(size));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy[TIKMemoryMapped::IKViewGranularity - 1], 0); // before the copied range
        EXPECT_EQ(copy[TIKMemoryMapped::IKViewGranularity], uint8_t(TIKMemoryMapped::IKViewGranularity * 7));
        EXPECT_EQ(copy[size - 1], uint8_t((size - 1) * 7));
        b.UnmapView(copy);
        ASSERT_TRUE(b.SetSize(100));
        EXPECT_EQ(b.GetSize(), 100u);
        EXPECT_EQ(fs::file_size(b.GetFileName()), 100u);
        const std::string bName = b.GetFileName();
        b.Close();
        EXPECT_FALSE(b.IsOpen());
        EXPECT_FALSE(fs::exists(bName));
    }
    // Closing, also through the destructor, deletes the file.
    EXPECT_FALSE(fs::exists(name));
    TIKMemoryMapped c;
    EXPECT_FALSE(c.CreateFile("/proc/no-such-folder/file", 10));
    EXPECT_FALSE(c.IsOpen());
}
