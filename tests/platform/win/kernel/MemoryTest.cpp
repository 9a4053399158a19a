#include "platform/win/kernel/Memory.h"
#include "platform/win/kernel/Errors.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace win;

TEST(GlobalMemory, BlocksKeepTheirExactSizeAndContent) {
    struct Case {
        UINT Flags;
        SIZE_T Size;
    } cases[] = {{GMEM_MOVEABLE, 7}, {GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, 4096}, {GPTR, 0}};
    for (const auto& c : cases) {
        HGLOBAL block = GlobalAlloc(c.Flags, c.Size);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(GlobalSize(block), c.Size);
        auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
        ASSERT_NE(bytes, nullptr);
        if (c.Flags & GMEM_ZEROINIT) {
            for (SIZE_T i = 0; i < c.Size; ++i)
                ASSERT_EQ(bytes[i], 0);
        }
        std::memset(bytes, 0xAB, c.Size);
        EXPECT_EQ(GlobalLock(block), bytes); // a second lock, same place
        EXPECT_TRUE(GlobalUnlock(block));    // still locked once
        EXPECT_FALSE(GlobalUnlock(block));
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        EXPECT_EQ(GlobalFree(block), nullptr);
    }
}

TEST(GlobalMemory, ReAllocKeepsTheContent) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(block), "GIF8", 4);
    GlobalUnlock(block);
    ASSERT_EQ(GlobalReAlloc(block, 8, GMEM_ZEROINIT), block);
    EXPECT_EQ(GlobalSize(block), 8u);
    auto* bytes = static_cast<char*>(GlobalLock(block));
    EXPECT_EQ(std::string(bytes, 4), "GIF8");
    EXPECT_EQ(std::string(bytes + 4, 4), std::string(4, '\0'));
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(GlobalMemory, BadHandles) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 1);
    GlobalFree(block);
    for (HGLOBAL bad : {HGLOBAL(nullptr), block}) {
        SetLastError(0);
        EXPECT_EQ(GlobalLock(bad), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_FALSE(GlobalUnlock(bad));
        EXPECT_EQ(GlobalFree(bad), bad);
        EXPECT_EQ(GlobalReAlloc(bad, 10, 0), nullptr);
    }
}
