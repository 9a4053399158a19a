#include "imaging/core/ikutils.h"

#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace imaging;

namespace {

// Every byte of row y, column byte i holds a value derived from both, so any misplaced row shows.
uint8_t BitmapPattern(int32_t y, int32_t i) {
    return uint8_t(y * 31 + i * 7 + 1);
}

void FillPattern(TIKBitmap& b) {
    for (int32_t y = 0; y < b.Height(); ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t i = 0; i < b.RowLength(); ++i)
            row[i] = BitmapPattern(y, i);
    }
}

// Compares the pixel bytes of each row (not the padding).
bool HasPattern(TIKBitmap& b) {
    const int32_t bytes = int32_t((int64_t(b.Width()) * b.BitsPerPixel() + 7) / 8);
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* row = b.ScanLine(y);
        for (int32_t i = 0; i < bytes; ++i)
            if (row[i] != BitmapPattern(y, i))
                return false;
    }
    return true;
}

std::vector<uint8_t> Row(TIKBitmap& b, int32_t y) {
    const uint8_t* r = b.ScanLine(y);
    return std::vector<uint8_t>(r, r + b.RowLength());
}

} // namespace

TEST(IKBitmap, StartsEmptyAndAllocates) {
    TIKBitmap b;
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.PixelFormat(), ikbfNone);
    EXPECT_EQ(b.GetStorage(), ikbsMappedFile);
    EXPECT_EQ(b.GetBilevelMethod(), 1);
    EXPECT_FALSE(b.HasAlphaChannel());
    // A tiny image ends in memory although the initial preference is a mapped file.
    b.Allocate(1, 1, ikbf24Bit);
    EXPECT_EQ(b.GetStorage(), ikbsMemory);
    struct {
        TIKBitmapFormat format;
        int32_t width, bits, rowLength, palette;
    } cases[] = {{ikbf1Bit, 33, 1, 8, 0},
                 {ikbf8Bit, 5, 8, 8, 256},
                 {ikbf8BitGray, 4, 8, 4, 0},
                 {ikbf16BitGray, 3, 16, 8, 0},
                 {ikbf24Bit, 3, 24, 12, 0}};
    for (auto c : cases) {
        b.Allocate(c.width, 2, c.format);
        EXPECT_EQ(b.BitsPerPixel(), c.bits);
        EXPECT_EQ(b.RowLength(), c.rowLength);
        EXPECT_EQ(b.PaletteCount(), c.palette);
        // New pixels are zero, never leftovers.
        EXPECT_EQ(Row(b, 1), std::vector<uint8_t>(size_t(c.rowLength), 0));
    }
    // Rows lie bottom-up in memory storage, each at its own address.
    b.Allocate(4, 3, ikbf8BitGray);
    EXPECT_EQ(b.ScanLine(0) - b.ScanLine(1), 4);
}

TEST(IKBitmap, SameSizeAndFormatKeepTheBlock) {
    // Allocating the size and format a bitmap in memory already has keeps its block, zeroed as a new one
    // (pixels, palette), without its alpha channel; another size or format, or a wrapped bitmap, gets new
    // storage. AllocateUncleared keeps the old pixels for a decoder that writes every row.
    struct Case {
        const char* Name;
        TIKBitmapFormat First;
        int32_t Width, Height;
        TIKBitmapFormat Format;
        bool Kept;
    };
    const Case cases[] = {
        {"same", ikbf24Bit, 13, 7, ikbf24Bit, true},
        {"same, 1-bit", ikbf1Bit, 13, 7, ikbf1Bit, true},
        {"wider", ikbf24Bit, 14, 7, ikbf24Bit, false},
        {"taller", ikbf24Bit, 13, 8, ikbf24Bit, false},
        {"8-bit", ikbf24Bit, 13, 7, ikbf8Bit, false},
        {"empty", ikbf24Bit, 0, 7, ikbf24Bit, false},
    };
    for (const Case& c : cases) {
        TIKBitmap b;
        b.SetStorageKind(ikbsMemory);
        b.Allocate(13, 7, c.First);
        FillPattern(b);
        b.GetAlphaChannel()->Fill(9);
        const uint8_t* before = b.ScanLine(0);
        b.Allocate(c.Width, c.Height, c.Format);
        EXPECT_FALSE(b.HasAlphaChannel()) << c.Name;
        EXPECT_EQ(b.Width(), c.Width) << c.Name;
        if (c.Width == 0) {
            EXPECT_EQ(b.RowLength(), 0) << c.Name;
            continue;
        }
        if (c.Kept) {
            EXPECT_EQ(b.ScanLine(0), before) << c.Name;
        }
        for (int32_t y = 0; y < b.Height(); ++y)
            for (int32_t i = 0; i < b.RowLength(); ++i)
                ASSERT_EQ(b.ScanLine(y)[i], 0) << c.Name << " " << y << " " << i;
        if (c.Format == ikbf8Bit) {
            EXPECT_EQ(b.PaletteEntry(5), TIKColorTriple{}) << c.Name;
        }
    }
    // The palette of a kept 8-bit block is zeroed too.
    TIKBitmap indexed;
    indexed.SetStorageKind(ikbsMemory);
    indexed.Allocate(5, 5, ikbf8Bit);
    indexed.Palette()[3] = TIKColorTriple{1, 2, 3};
    indexed.Allocate(5, 5, ikbf8Bit);
    EXPECT_EQ(indexed.PaletteEntry(3), TIKColorTriple{});
    EXPECT_EQ(indexed.PaletteCount(), 256);
    // Uncleared: the old pixels stay until the caller clears or writes them.
    TIKBitmap kept;
    kept.SetStorageKind(ikbsMemory);
    kept.Allocate(13, 7, ikbf24Bit);
    FillPattern(kept);
    kept.AllocateUncleared(13, 7, ikbf24Bit);
    EXPECT_EQ(kept.ScanLine(2)[5], BitmapPattern(2, 5));
    kept.ClearRows(1, 3);
    EXPECT_EQ(kept.ScanLine(0)[5], BitmapPattern(0, 5));
    EXPECT_EQ(kept.ScanLine(1)[kept.RowLength() - 1], 0);
    EXPECT_EQ(kept.ScanLine(2)[0], 0);
    EXPECT_EQ(kept.ScanLine(3)[5], BitmapPattern(3, 5));
    {
        TIKRowClearer clearer(&kept);
        clearer.Reach(4); // rows 0 to 4 cleared, then the clearer's end clears 5 and 6
    }
    for (int32_t y = 0; y < 7; ++y)
        EXPECT_EQ(kept.ScanLine(y)[7], 0) << y;
}

TEST(IKBitmap, NoStorageForEmptySizes) {
    TIKBitmap b;
    b.Allocate(0, 10, ikbf24Bit);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 10);
    EXPECT_EQ(b.PixelFormat(), ikbf24Bit);
    EXPECT_EQ(b.RowLength(), 0);
    b.Fill(0xFFFFFF); // nothing to fill
    b.SetWidth(8);
    EXPECT_EQ(b.Width(), 8);
    EXPECT_EQ(b.Height(), 10);
    EXPECT_EQ(b.RowLength(), 24);
    EXPECT_EQ(b.ScanLine(9)[0], 0);
    b.Allocate(-5, 3, ikbf8Bit);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.PaletteCount(), 0);
}

TEST(IKBitmap, RefusesRowsBeyondTheLimit) {
    TIKBitmap b;
    EXPECT_THROW(b.Allocate(INT32_MAX, 1, ikbf24Bit), vcl::EOutOfMemory);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.RowLength(), 0);
}

TEST(IKBitmap, StorageFollowsTheThreshold) {
    // 10 x 10 at 8 bits: 12-byte rows, 120 bytes.
    struct {
        TIKBitmapStorage start;
        uint32_t threshold;
        TIKBitmapStorage expected;
    } cases[] = {{ikbsMemory, 120, ikbsMemory},         {ikbsMappedFile, 120, ikbsMappedFile},
                 {ikbsMemory, 119, ikbsMappedFile},     {ikbsMappedFile, 121, ikbsMemory},
                 {ikbsMappedFile, 119, ikbsMappedFile}, {ikbsMemory, 121, ikbsMemory}};
    for (auto c : cases) {
        TIKBitmap b;
        b.SetMemoryThreshold(0);
        b.Allocate(1, 1, ikbf8Bit); // mapped: nothing is below a threshold of 0
        ASSERT_EQ(b.GetStorage(), ikbsMappedFile);
        if (c.start == ikbsMemory) {
            b.SetMemoryThreshold(1000);
            b.Allocate(1, 1, ikbf8Bit);
            ASSERT_EQ(b.GetStorage(), ikbsMemory);
        }
        b.SetMemoryThreshold(c.threshold);
        b.Allocate(10, 10, ikbf8BitGray);
        EXPECT_EQ(b.GetStorage(), c.expected) << int(c.start) << " " << c.threshold;
        FillPattern(b);
        EXPECT_TRUE(HasPattern(b));
    }
}

TEST(IKBitmap, MappedFileExistsExactlyWhileTheImageDoes) {
    namespace fs = std::filesystem;
    std::string name;
    {
        TIKBitmap b;
        b.SetMemoryThreshold(1000);
        b.Allocate(100, 100, ikbf24Bit);
        ASSERT_EQ(b.GetStorage(), ikbsMappedFile);
        name = b.GetMapping()->GetFileName();
        EXPECT_TRUE(fs::exists(name));
        EXPECT_EQ(fs::path(name).filename().string().rfind("ima", 0), 0u);
        EXPECT_EQ(fs::file_size(name), 300u * 100u);
        b.FreeImage();
        EXPECT_FALSE(fs::exists(name));
        b.Allocate(100, 100, ikbf24Bit);
        std::string second = b.GetMapping()->GetFileName();
        EXPECT_TRUE(fs::exists(second));
        // A smaller image returns to memory and deletes the file.
        b.Allocate(10, 10, ikbf24Bit);
        EXPECT_EQ(b.GetStorage(), ikbsMemory);
        EXPECT_FALSE(fs::exists(second));
        b.Allocate(100, 100, ikbf24Bit);
        name = b.GetMapping()->GetFileName();
    }
    EXPECT_FALSE(fs::exists(name));
}

TEST(IKBitmap, TemporaryFilesGoToTheConfiguredFolder) {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("iktemp-" + std::to_string(::getpid())) / "nested";
    DefaultTempFolder = folder.string();
    {
        TIKBitmap b;
        b.SetMemoryThreshold(0);
        b.Allocate(8, 8, ikbf8BitGray);
        ASSERT_EQ(b.GetStorage(), ikbsMappedFile);
        EXPECT_EQ(fs::path(b.GetMapping()->GetFileName()).parent_path(), folder);
    }
    // A folder that cannot be made falls back to memory.
    DefaultTempFolder = "/proc/no-such-folder";
    {
        TIKBitmap b;
        b.SetMemoryThreshold(0);
        b.Allocate(8, 8, ikbf8BitGray);
        EXPECT_EQ(b.GetStorage(), ikbsMemory);
    }
    DefaultTempFolder.clear();
    fs::remove_all(folder.parent_path());
}

TEST(IKBitmap, MappedRowsCrossViewBoundaries) {
    // Rows of 24,012 bytes: many rows start in one 64 KiB view unit and end in the next.
    TIKBitmap b;
    b.SetMemoryThreshold(1 << 16);
    b.Allocate(8003, 300, ikbf24Bit);
    ASSERT_EQ(b.GetStorage(), ikbsMappedFile);
    FillPattern(b);
    EXPECT_TRUE(HasPattern(b));
    // Random order, and back to memory with the content.
    for (int32_t y : {299, 0, 150, 2, 298})
        EXPECT_EQ(b.ScanLine(y)[5], BitmapPattern(y, 5));
    EXPECT_LE(b.GetMapping()->ViewCount(), 1);
    b.SetMemoryThreshold(UINT32_MAX);
    b.SetStorageKind(ikbsMemory);
    EXPECT_EQ(b.GetStorage(), ikbsMemory);
    EXPECT_TRUE(HasPattern(b));
}

TEST(IKBitmap, ContentSurvivesEveryKindOfCopy) {
    for (TIKBitmapFormat f : {ikbf1Bit, ikbf8Bit, ikbf8BitGray, ikbf16BitGray, ikbf24Bit}) {
        for (uint32_t threshold : {0u, UINT32_MAX}) {
            TIKBitmap a;
            a.SetMemoryThreshold(threshold);
            a.Allocate(37, 11, f);
            FillPattern(a);
            if (f == ikbf8Bit)
                a.Palette()[200] = {1, 2, 3};
            a.SetBilevelMethod(0);
            TIKBitmap mapped, memory;
            mapped.SetMemoryThreshold(0);
            memory.SetMemoryThreshold(UINT32_MAX);
            for (TIKBitmap* dest : {&mapped, &memory}) {
                dest->Assign(&a);
                EXPECT_EQ(dest->PixelFormat(), f);
                EXPECT_TRUE(HasPattern(*dest)) << int(f) << " " << threshold;
                EXPECT_EQ(dest->GetBilevelMethod(), 0);
                if (f == ikbf8Bit) {
                    EXPECT_EQ(dest->PaletteEntry(200), (TIKColorTriple{1, 2, 3}));
                }
            }
            EXPECT_EQ(mapped.GetStorage(), ikbsMappedFile);
            EXPECT_EQ(memory.GetStorage(), ikbsMemory);
            // Between two mapped images the file is copied as a whole.
            TIKBitmap mapped2;
            mapped2.SetMemoryThreshold(0);
            mapped2.Assign(&mapped);
            EXPECT_TRUE(HasPattern(mapped2));
            // Moving the content hands everything over.
            TIKBitmap moved;
            mapped2.MoveContentTo(&moved);
            EXPECT_TRUE(HasPattern(moved));
            EXPECT_EQ(mapped2.Width(), 0);
            EXPECT_EQ(mapped2.PixelFormat(), ikbfNone);
            EXPECT_EQ(mapped2.GetStorage(), ikbsMappedFile);
            EXPECT_FALSE(mapped2.GetMapping()->IsOpen());
            // Storage changes keep the pixels and the palette.
            a.SetMemoryThreshold(0);
            a.SetStorageKind(a.GetStorage() == ikbsMemory ? ikbsMappedFile : ikbsMemory);
            EXPECT_TRUE(HasPattern(a));
            if (f == ikbf8Bit) {
                EXPECT_EQ(a.PaletteEntry(200), (TIKColorTriple{1, 2, 3}));
            }
        }
    }
}

TEST(IKBitmap, AlphaChannelIsTheNewImagesAfterAssignAndAllocate) {
    TIKBitmap withAlpha, plain;
    withAlpha.Allocate(4, 4, ikbf24Bit);
    TIKBitmap* alpha = withAlpha.GetAlphaChannel();
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->PixelFormat(), ikbf8BitGray);
    EXPECT_TRUE(alpha->GetFull());
    EXPECT_EQ(alpha->ScanLine(3)[3], 255);
    EXPECT_EQ(alpha->GetAlphaChannel(), nullptr);
    EXPECT_TRUE(alpha->GetIsAlphaChannel());
    alpha->FillRect(0, 0, 0, 0, 7);
    plain.Allocate(2, 2, ikbf24Bit);

    for (uint32_t threshold : {0u, UINT32_MAX}) {
        TIKBitmap b;
        b.SetMemoryThreshold(threshold);
        b.Allocate(3, 3, ikbf24Bit);
        b.GetAlphaChannel()->Fill(9);
        b.Assign(&plain);
        EXPECT_FALSE(b.HasAlphaChannel()) << threshold;
        b.Assign(&withAlpha);
        ASSERT_TRUE(b.HasAlphaChannel());
        EXPECT_EQ(b.GetAlphaChannel()->ScanLine(0)[0], 7);
        EXPECT_EQ(b.GetAlphaChannel()->Width(), 4);
        b.Allocate(5, 5, ikbf24Bit);
        EXPECT_FALSE(b.HasAlphaChannel());
        b.GetAlphaChannel();
        b.CopyImage(&withAlpha);
        EXPECT_FALSE(b.HasAlphaChannel());
        EXPECT_FALSE(b.GetFull());
    }
}

TEST(IKBitmap, AlphaChannelFollowsResizesAndStorageChanges) {
    TIKBitmap b;
    b.Allocate(4, 2, ikbf24Bit);
    b.GetAlphaChannel()->FillRect(0, 0, 3, 1, 100);
    b.SetWidth(6);
    b.SetHeight(3);
    ASSERT_TRUE(b.HasAlphaChannel());
    EXPECT_EQ(b.GetAlphaChannel()->Width(), 6);
    EXPECT_EQ(b.GetAlphaChannel()->Height(), 3);
    EXPECT_EQ(b.GetAlphaChannel()->ScanLine(1)[3], 100);
    b.SetMemoryThreshold(0);
    b.SetStorageKind(ikbsMappedFile);
    ASSERT_TRUE(b.HasAlphaChannel());
    EXPECT_EQ(b.GetAlphaChannel()->ScanLine(1)[3], 100);
    b.RemoveAlphaChannel();
    EXPECT_FALSE(b.HasAlphaChannel());
}

TEST(IKBitmap, FillSetsFullForTheLargestValue) {
    struct {
        TIKBitmapFormat format;
        int32_t value;
        bool full;
        uint8_t firstByte;
    } cases[] = {{ikbf1Bit, 1, true, 255},          {ikbf1Bit, 0, false, 0},
                 {ikbf8BitGray, 255, true, 255},    {ikbf8BitGray, 254, false, 254},
                 {ikbf16BitGray, 65535, true, 255}, {ikbf16BitGray, 0x1234, false, 0x34},
                 {ikbf24Bit, 0xFFFFFF, true, 255},  {ikbf24Bit, 0x0000FF, false, 0}};
    for (auto c : cases) {
        TIKBitmap b;
        b.Allocate(9, 2, c.format);
        b.Fill(c.value);
        EXPECT_EQ(b.GetFull(), c.full) << int(c.format) << " " << c.value;
        EXPECT_EQ(b.ScanLine(1)[0], c.firstByte) << int(c.format) << " " << c.value;
    }
    // A 24-bit fill is a colour with red in the low byte, stored as B, G, R.
    TIKBitmap c;
    c.Allocate(2, 1, ikbf24Bit);
    c.Fill(0x00332211);
    EXPECT_EQ(c.PixelColor(1, 0), (TIKColorTriple{0x33, 0x22, 0x11}));
    c.Allocate(2, 1, ikbf24Bit);
    EXPECT_FALSE(c.GetFull());
}

TEST(IKBitmap, PixelColorOfEachFormat) {
    TIKBitmap b;
    b.Allocate(10, 1, ikbf1Bit);
    b.FillRect(9, 0, 9, 0, 1);
    EXPECT_EQ(b.PixelColor(9, 0), (TIKColorTriple{255, 255, 255}));
    EXPECT_EQ(b.PixelColor(8, 0), (TIKColorTriple{0, 0, 0}));
    b.Allocate(2, 1, ikbf8Bit);
    b.Palette()[5] = {10, 20, 30};
    b.FillRect(0, 0, 1, 0, 5);
    EXPECT_EQ(b.PixelColor(1, 0), (TIKColorTriple{10, 20, 30}));
    b.Allocate(2, 1, ikbf16BitGray);
    b.FillRect(0, 0, 1, 0, 0xAB12);
    EXPECT_EQ(b.PixelColor(1, 0), (TIKColorTriple{0xAB, 0xAB, 0xAB}));
    b.Allocate(2, 1, ikbf8BitGray);
    b.FillRect(0, 0, 1, 0, 77);
    EXPECT_EQ(b.PixelColor(0, 0), (TIKColorTriple{77, 77, 77}));
    EXPECT_EQ(b.PixelColor(5, 0), (TIKColorTriple{0, 0, 0})); // outside
}

TEST(IKBitmap, SetWidthKeepsTopLeftContentAndPalette) {
    for (uint32_t threshold : {0u, UINT32_MAX}) {
        TIKBitmap b;
        b.SetMemoryThreshold(threshold);
        b.Allocate(6, 4, ikbf8Bit);
        FillPattern(b);
        b.Palette()[1] = {9, 8, 7};
        b.SetWidth(3);
        b.SetHeight(5);
        EXPECT_EQ(b.Width(), 3);
        EXPECT_EQ(b.Height(), 5);
        EXPECT_EQ(b.RowLength(), 4);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 3; ++x)
                EXPECT_EQ(b.ScanLine(y)[x], BitmapPattern(y, x));
        EXPECT_EQ(b.ScanLine(4)[0], 0);
        EXPECT_EQ(b.PaletteEntry(1), (TIKColorTriple{9, 8, 7}));
    }
}

TEST(IKBitmap, ResizeCanvasPlacesTheOldImage) {
    // 4 x 2 to 8 x 2 centred: the old pixels in columns 2-5, the fill around them.
    TIKBitmap b;
    b.Allocate(4, 2, ikbf8BitGray);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            b.ScanLine(y)[x] = uint8_t(10 * y + x + 1);
    b.GetAlphaChannel()->Fill(200);
    b.ResizeCanvas(8, 2, 99, 0, 1, 0);
    for (int32_t y = 0; y < 2; ++y) {
        std::vector<uint8_t> expected = {
            99, 99, uint8_t(10 * y + 1), uint8_t(10 * y + 2), uint8_t(10 * y + 3), uint8_t(10 * y + 4),
            99, 99};
        EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(y), b.ScanLine(y) + 8), expected);
        std::vector<uint8_t> alpha = {0, 0, 200, 200, 200, 200, 0, 0};
        const uint8_t* a = b.GetAlphaChannel()->ScanLine(y);
        EXPECT_EQ(std::vector<uint8_t>(a, a + 8), alpha);
    }
    // Shrinking to the right and bottom keeps the bottom-right corner; growing down-right pads the rest.
    TIKBitmap c;
    c.Allocate(4, 4, ikbf8BitGray);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            c.ScanLine(y)[x] = uint8_t(10 * y + x);
    c.ResizeCanvas(2, 2, 5, 0, 2, 2);
    EXPECT_EQ(c.ScanLine(0)[0], 22);
    EXPECT_EQ(c.ScanLine(1)[1], 33);
    c.ResizeCanvas(3, 3, 5, 0, 2, 2);
    EXPECT_EQ(c.ScanLine(0)[0], 5);
    EXPECT_EQ(c.ScanLine(1)[1], 22);
    EXPECT_EQ(c.ScanLine(2)[2], 33);
    EXPECT_EQ(c.ScanLine(2)[0], 5);
}

TEST(IKBitmap, CopyRegionClipsToBothImages) {
    struct {
        const char* name;
        int32_t srcX, srcY, w, h, destX, destY;
        int32_t changed; // pixels of the 6 x 4 destination that receive source pixels
    } cases[] = {{"inside", 1, 1, 2, 2, 3, 1, 4},
                 {"negative dest", 0, 0, 5, 2, -3, 0, 4},
                 {"past the right", 0, 0, 5, 4, 4, 0, 8},
                 {"negative source", -2, 0, 4, 1, 0, 0, 2},
                 {"no overlap right", 0, 0, 3, 3, 6, 0, 0},
                 {"no overlap left", 0, 0, 3, 3, -3, 0, 0},
                 {"source outside", 5, 0, 3, 3, 0, 0, 0},
                 {"empty", 0, 0, 0, 5, 0, 0, 0},
                 {"below", 0, 0, 2, 2, 0, 4, 0}};
    for (auto c : cases) {
        TIKBitmap src, dst;
        src.Allocate(5, 4, ikbf8BitGray);
        src.Fill(200);
        dst.Allocate(6, 4, ikbf8BitGray);
        dst.Fill(1);
        src.CopyRegionTo(&dst, c.srcX, c.srcY, c.w, c.h, c.destX, c.destY);
        int32_t changed = 0;
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 8; ++x) // padding included: nothing is written past a row
                changed += dst.ScanLine(y)[x] == 200;
        EXPECT_EQ(changed, c.changed) << c.name;
    }
    // DestX = -3 copies from SrcX + 3 into column 0.
    TIKBitmap src, dst;
    src.Allocate(6, 1, ikbf24Bit);
    for (int32_t x = 0; x < 6; ++x)
        src.ScanLine(0)[3 * x] = uint8_t(x + 1);
    dst.Allocate(6, 1, ikbf24Bit);
    src.CopyRegionTo(&dst, 0, 0, 5, 1, -3, 0);
    EXPECT_EQ(dst.ScanLine(0)[0], 4);
    EXPECT_EQ(dst.ScanLine(0)[3], 5);
    EXPECT_EQ(dst.ScanLine(0)[6], 0);
    // Bits land bit-exactly, the destination's other bits untouched.
    TIKBitmap bits, target;
    bits.Allocate(16, 1, ikbf1Bit);
    bits.ScanLine(0)[0] = 0xF0;
    bits.ScanLine(0)[1] = 0x0F;
    target.Allocate(16, 1, ikbf1Bit);
    target.Fill(0);
    target.ScanLine(0)[0] = 0x81;
    bits.CopyRegionTo(&target, 2, 0, 4, 1, 3, 0);
    EXPECT_EQ(target.ScanLine(0)[0], 0x81 | 0x18);
    EXPECT_EQ(target.ScanLine(0)[1], 0);
    // Formats must match.
    TIKBitmap gray;
    gray.Allocate(6, 1, ikbf8BitGray);
    src.CopyRegionTo(&gray, 0, 0, 6, 1, 0, 0);
    EXPECT_EQ(gray.ScanLine(0)[0], 0);
}

TEST(IKBitmap, MoveRectWithinOneImage) {
    for (uint32_t threshold : {0u, UINT32_MAX}) {
        TIKBitmap b;
        b.SetMemoryThreshold(threshold);
        b.Allocate(4, 4, ikbf8BitGray);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x)
                b.ScanLine(y)[x] = uint8_t(10 * y + x);
        b.MoveRect(0, 0, 1, 1, 1, 1, 99); // overlapping move down-right
        EXPECT_EQ(b.ScanLine(0)[0], 99);
        EXPECT_EQ(b.ScanLine(0)[1], 99);
        EXPECT_EQ(b.ScanLine(1)[0], 99);
        EXPECT_EQ(b.ScanLine(1)[1], 0);
        EXPECT_EQ(b.ScanLine(1)[2], 1);
        EXPECT_EQ(b.ScanLine(2)[1], 10);
        EXPECT_EQ(b.ScanLine(2)[2], 11);
        EXPECT_EQ(b.ScanLine(3)[3], 33);
        // A rectangle reaching outside moves the part inside.
        b.MoveRect(2, 2, 9, 9, 0, 0, 7);
        EXPECT_EQ(b.ScanLine(0)[0], 11);
        EXPECT_EQ(b.ScanLine(1)[1], 33);
        EXPECT_EQ(b.ScanLine(3)[3], 7);
        // Fill rectangles outside the image change nothing.
        b.FillRect(10, 10, 20, 20, 1);
        b.FillRect(-5, -5, -1, -1, 1);
        EXPECT_EQ(b.ScanLine(0)[0], 11);
    }
}

TEST(IKBitmap, RowsOutsideTheImageAreRefused) {
    TIKBitmap b;
    EXPECT_THROW(b.ScanLine(0), vcl::ERangeError);
    b.Allocate(0, 10, ikbf24Bit); // no storage
    EXPECT_THROW(b.ScanLine(3), vcl::ERangeError);
    for (uint32_t threshold : {0u, UINT32_MAX}) {
        b.SetMemoryThreshold(threshold);
        b.Allocate(4, 4, ikbf8Bit);
        EXPECT_THROW(b.ScanLine(-1), vcl::ERangeError);
        EXPECT_THROW(b.ScanLine(4), vcl::ERangeError);
        EXPECT_NO_THROW(b.ScanLine(3));
        EXPECT_EQ(b.PaletteEntry(256), (TIKColorTriple{}));
        EXPECT_EQ(b.PaletteEntry(-1), (TIKColorTriple{}));
    }
    TIKMask m;
    m.Allocate(3, 3, 8);
    EXPECT_THROW(m.ScanLine(3), vcl::ERangeError);
    TIKWorkBitmap w(2, 2, 8);
    EXPECT_THROW(w.ScanLine(2), vcl::ERangeError);
    TIKDibbitmap d;
    EXPECT_THROW(d.ScanLine(0), vcl::ERangeError);
}

TEST(IKBitmap, AnImageTakesItsOwnAlphaChannel) {
    TIKBitmap b;
    b.Allocate(3, 2, ikbf24Bit);
    b.GetAlphaChannel()->FillRect(1, 1, 1, 1, 42);
    b.Assign(b.GetAlphaChannel());
    EXPECT_EQ(b.PixelFormat(), ikbf8BitGray);
    EXPECT_EQ(b.ScanLine(1)[1], 42);
    EXPECT_FALSE(b.HasAlphaChannel());
    TIKBitmap c;
    c.Allocate(2, 2, ikbf24Bit);
    c.MoveContentTo(c.GetAlphaChannel()); // refused
    EXPECT_EQ(c.Width(), 2);
}

namespace {

// The pixel value at (x, y) as an integer, whatever the format.
uint32_t BitmapPixelValue(TIKBitmap& b, int32_t x, int32_t y) {
    const uint8_t* row = b.ScanLine(y);
    switch (b.PixelFormat()) {
    case ikbf1Bit:
        return IKTestBit(row, x) ? 1 : 0;
    case ikbf24Bit:
        return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    default:
        return row[x];
    }
}

} // namespace

TEST(IKBitmap, RegionCopiesAgreeWithAPixelByPixelCopy) {
    std::mt19937 rng(11);
    auto any = [&](int32_t lo, int32_t hi) { return int32_t(rng() % uint32_t(hi - lo + 1)) + lo; };
    for (TIKBitmapFormat f : {ikbf1Bit, ikbf8BitGray, ikbf24Bit}) {
        for (int trial = 0; trial < 150; ++trial) {
            TIKBitmap src, dst;
            src.SetMemoryThreshold(trial % 2 ? 0 : UINT32_MAX);
            dst.SetMemoryThreshold(trial % 3 ? UINT32_MAX : 0);
            src.Allocate(any(1, 40), any(1, 12), f);
            dst.Allocate(any(1, 40), any(1, 12), f);
            for (TIKBitmap* b : {&src, &dst})
                for (int32_t y = 0; y < b->Height(); ++y)
                    for (int32_t i = 0; i < b->RowLength(); ++i)
                        b->ScanLine(y)[i] = uint8_t(rng());
            // The expected result: every source pixel inside both images lands at its offset place.
            std::vector<std::vector<uint32_t>> expected(size_t(dst.Height()));
            for (int32_t y = 0; y < dst.Height(); ++y)
                for (int32_t x = 0; x < dst.Width(); ++x)
                    expected[size_t(y)].push_back(BitmapPixelValue(dst, x, y));
            const int32_t sx = any(-10, 45), sy = any(-5, 15), w = any(-2, 45), h = any(-2, 15);
            const int32_t dx = any(-45, 45), dy = any(-15, 15);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t fx = sx + x, fy = sy + y, tx = dx + x, ty = dy + y;
                    if (fx >= 0 && fy >= 0 && fx < src.Width() && fy < src.Height() && tx >= 0 && ty >= 0 &&
                        tx < dst.Width() && ty < dst.Height())
                        expected[size_t(ty)][size_t(tx)] = BitmapPixelValue(src, fx, fy);
                }
            src.CopyRegionTo(&dst, sx, sy, w, h, dx, dy);
            bool same = true;
            for (int32_t y = 0; y < dst.Height(); ++y)
                for (int32_t x = 0; x < dst.Width(); ++x)
                    same = same && BitmapPixelValue(dst, x, y) == expected[size_t(y)][size_t(x)];
            EXPECT_TRUE(same) << int(f) << " trial " << trial << ": " << sx << "," << sy << " " << w << "x"
                              << h << " to " << dx << "," << dy;
        }
    }
}

TEST(IKBitmap, ResizeCanvasPlacesTheImageForEveryAlignment) {
    const int32_t w = 5, h = 4;
    for (int32_t nw : {2, 5, 9})
        for (int32_t nh : {1, 4, 7})
            for (uint8_t ha = 0; ha < 3; ++ha)
                for (uint8_t va = 0; va < 3; ++va) {
                    TIKBitmap b;
                    b.Allocate(w, h, ikbf8BitGray);
                    for (int32_t y = 0; y < h; ++y)
                        for (int32_t x = 0; x < w; ++x)
                            b.ScanLine(y)[x] = uint8_t(1 + x + 10 * y);
                    b.GetAlphaChannel()->Fill(77);
                    b.ResizeCanvas(nw, nh, 200, 5, ha, va);
                    ASSERT_EQ(b.Width(), nw);
                    ASSERT_EQ(b.Height(), nh);
                    // Where the old image's corner lands: left/top, centred (halves cut toward zero),
                    // right/bottom.
                    auto offset = [](int32_t oldSize, int32_t newSize, uint8_t align) {
                        return align == 0 ? 0 : align == 1 ? (newSize - oldSize) / 2 : newSize - oldSize;
                    };
                    const int32_t ox = offset(w, nw, ha), oy = offset(h, nh, va);
                    bool same = true;
                    for (int32_t y = 0; y < nh; ++y)
                        for (int32_t x = 0; x < nw; ++x) {
                            const int32_t fx = x - ox, fy = y - oy;
                            const bool inside = fx >= 0 && fy >= 0 && fx < w && fy < h;
                            same = same && b.ScanLine(y)[x] == (inside ? 1 + fx + 10 * fy : 200) &&
                                   b.GetAlphaChannel()->ScanLine(y)[x] == (inside ? 77 : 5);
                        }
                    EXPECT_TRUE(same) << nw << "x" << nh << " align " << int(ha) << "," << int(va);
                }
}
