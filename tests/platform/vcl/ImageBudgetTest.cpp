#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"

#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace vcl;

namespace {

std::vector<uint8_t> HostileFile(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/hostile/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An 8-bit BMP of width x height, uncompressed, every pixel index 1 of a two-entry table.
std::vector<uint8_t> PlainBmp(int32_t width, int32_t height) {
    const int64_t rowBytes = (int64_t(width) * 8 + 31) / 32 * 4;
    std::vector<uint8_t> f(54 + 8, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    f[0] = 'B';
    f[1] = 'M';
    put32(10, uint32_t(f.size()));
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    f[26] = 1;
    f[28] = 8;
    put32(46, 2);
    put32(58, 0xFFFFFF);
    f.resize(f.size() + size_t(rowBytes * height), 1);
    put32(2, uint32_t(f.size()));
    return f;
}

} // namespace

TEST(ImageBudget, ScopesChangeAndRestoreTheBudget) {
    EXPECT_EQ(GetImageReadBudget(), DefaultImageReadBudget);
    {
        TImageReadBudgetScope scope(1000);
        EXPECT_TRUE(ImageReadFits(1000));
        EXPECT_FALSE(ImageReadFits(1001));
        {
            TImageReadBudgetScope inner(-5);
            EXPECT_EQ(GetImageReadBudget(), 0);
            EXPECT_FALSE(ImageReadFits(1));
        }
        EXPECT_EQ(GetImageReadBudget(), 1000);
    }
    EXPECT_EQ(GetImageReadBudget(), DefaultImageReadBudget);
    EXPECT_FALSE(ImageReadFits(-1));
}

TEST(ImageBudget, SizesFromFilesSaturateInsteadOfOverflowing) {
    EXPECT_EQ(ImageReadBytes(16384, 16384, 3), int64_t(805306368));
    EXPECT_EQ(ImageReadBytes(INT64_MAX / 2, 3), INT64_MAX);
    EXPECT_EQ(ImageReadBytes(int64_t(1) << 32, int64_t(1) << 32, 4), INT64_MAX);
    EXPECT_EQ(ImageReadBytes(-1, 10), INT64_MAX);
    EXPECT_FALSE(ImageReadFits(ImageReadBytes(int64_t(1) << 40, int64_t(1) << 40)));
}

TEST(ImageBudget, BmpRunLengthRule) {
    struct Case {
        int64_t Width, Height, Bytes;
        bool Fits;
    };
    const Case cases[] = {
        {256, 256, 0, true},          // small pictures whatever the data
        {257, 256, 0, false},         // above 64K pixels the data counts
        {16384, 16384, 2, false},     // an end-of-bitmap code alone
        {16384, 16384, 262144, true}, // 1024 pixels a byte
        {16384, 16384, 262143, false},
        {1000, 1000, 1000, true}, // a run codes 255 pixels in two bytes: well inside
        {0, 10, 100, false},
        {INT32_MAX, INT32_MAX, INT32_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height) + " from " +
                     std::to_string(c.Bytes));
        EXPECT_EQ(BmpRleDataCanFill(c.Width, c.Height, c.Bytes), c.Fits);
    }
}

// The class library's readers refuse a picture above the budget before they allocate it, and read it
// once the caller raises the budget.
TEST(ImageBudget, BmpReaderHonoursTheBudget) {
    const std::vector<uint8_t> file = PlainBmp(1000, 1000); // 1,000,000 bytes of pixels
    auto read = [&] {
        TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        return ReadBmp(&stream);
    };
    {
        TImageReadBudgetScope scope(999999);
        EXPECT_THROW(read(), EInvalidGraphic);
        TBitmap bitmap;
        TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        EXPECT_THROW(bitmap.LoadFromStream(&stream), EInvalidGraphic);
    }
    TImageReadBudgetScope scope(1000000);
    EXPECT_EQ(read().Format.Width, 1000);
}

// Files that describe far more than their data can fill: each is refused, or read, without the reader
// taking more than the limit of the case.
TEST(ImageBudget, HostileBmpFiles) {
    struct Case {
        const char* File;
        bool Reads;
        int64_t PeakLimit;
    };
    const Case cases[] = {
        {"bmp-rle8-16384sq-1080B.bmp", false, 64 * 1024},
        {"bmp-32bit-alpha-mask.bmp", true, 64 * 1024},
    };
    using TLoad = std::function<void(TStream*)>;
    const std::pair<const char*, TLoad> readers[] = {
        {"ReadBmp", [](TStream* s) { ReadBmp(s); }},
        {"TBitmap", [](TStream* s) { TBitmap().LoadFromStream(s); }},
    };
    for (const Case& c : cases)
        for (const auto& [name, load] : readers) {
            SCOPED_TRACE(std::string(c.File) + " through " + name);
            const std::vector<uint8_t> bytes = HostileFile(c.File);
            TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
            testsupport::TAllocationCounter counter;
            bool read = true;
            try {
                load(&stream);
            } catch (const EInvalidGraphic&) {
                read = false;
            }
            EXPECT_EQ(read, c.Reads);
            if (testsupport::TAllocationCounter::Available()) {
                EXPECT_LE(counter.PeakBytes(), c.PeakLimit);
            }
        }
}

TEST(ImageBudget, ThirtyTwoBitBitFieldsKeepTheirAlpha) {
    const std::vector<uint8_t> bytes = HostileFile("bmp-32bit-alpha-mask.bmp");
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TDibImage image = ReadBmp(&stream);
    ASSERT_TRUE(image.Format.HasAlpha);
    uint8_t alpha = 0;
    EXPECT_EQ(DibPixelColor(image.Format, image.TopRow(0), 0, &alpha), 0xFF0000u);
    EXPECT_EQ(alpha, 127);
}
