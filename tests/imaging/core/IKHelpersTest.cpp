#include "imaging/core/ikutils.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/MappedFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>

using namespace imaging;

TEST(IKHelpers, RowLengthsAndPixelFormats) {
    struct {
        int64_t width, bits, expected;
    } cases[] = {{1, 1, 4},  {32, 1, 4}, {33, 1, 8}, {3, 24, 12},
                 {1, 24, 4}, {5, 8, 8},  {3, 16, 8}, {0, 24, 0}};
    for (auto c : cases)
        EXPECT_EQ(IKRowLength(c.width, c.bits), c.expected) << c.width << "x" << c.bits;
    // Large widths do not overflow.
    EXPECT_EQ(IKRowLength(int64_t(1) << 31, 24), int64_t(3) << 31);
    const int32_t bits[] = {0, 1, 4, 8, 15, 16, 24, 32, 0};
    for (int32_t f = 0; f < 9; ++f)
        EXPECT_EQ(IKPixelFormatBits(f), bits[f]);
    EXPECT_EQ(IKTBitmapRowLength(3, 6), 12);
}

TEST(IKHelpers, BitArithmetic) {
    struct {
        uint32_t mask;
        int32_t width;
    } fields[] = {{0xF800, 5},      {0x07E0, 6},     {0x001F, 5}, {0, 0},
                  {0xFFFFFFFF, 32}, {0x80000000, 1}, {0xF0F0, 4}};
    for (auto f : fields)
        EXPECT_EQ(IKBitFieldWidth(f.mask), f.width) << std::hex << f.mask;
    struct {
        uint32_t n;
        int32_t log;
    } logs[] = {{0, -1},  {1, 0},   {2, 1},           {3, 2},          {255, 8},
                {256, 8}, {257, 9}, {0x80000000, 31}, {0xFFFFFFFF, 32}};
    for (auto l : logs)
        EXPECT_EQ(IKCeilLog2(l.n), l.log) << l.n;
    EXPECT_EQ(IKBitsToColorCount(8, 3), 16777216);
    EXPECT_EQ(IKBitsToColorCount(1, 1), 2);
    EXPECT_EQ(IKBitsToColorCount(8, 0), 1);
    EXPECT_EQ(IKBitsToColorCount(16, 4), INT64_MAX); // saturates
    uint8_t b = 0x01;
    IKReverseByteBits(b);
    EXPECT_EQ(b, 0x80);
    b = 0xCA; // 11001010
    IKReverseByteBits(b);
    EXPECT_EQ(b, 0x53); // 01010011
    uint32_t v = 0x00000001;
    IKReverseBits32(v);
    EXPECT_EQ(v, 0x80000000u);
    v = 0x12345678;
    IKReverseBits32(v);
    EXPECT_EQ(v, 0x1E6A2C48u);
    EXPECT_EQ(IKSwapWordBytes(0x1234), 0x3412);
    EXPECT_EQ(IKSwapDWordBytes(0x12345678u), 0x78563412u);
    EXPECT_EQ(IKBitMask[0], 128);
    EXPECT_EQ(IKBitMask[7], 1);
}

TEST(IKHelpers, Power) {
    EXPECT_EQ(IKPower(5, 0), 1);
    EXPECT_EQ(IKPower(0, 3), 0);
    EXPECT_EQ(IKPower(2, 10), 1024);
    EXPECT_DOUBLE_EQ(IKPower(2, -2), 0.25);
    EXPECT_NEAR(IKPower(2, 0.5), std::sqrt(2.0), 1e-12);
}

namespace {

// A stream that takes at most a given number of bytes per write.
class ShortStream : public vcl::TMemoryStream {
public:
    explicit ShortStream(int32_t limit) : FLimit(limit) {}
    int32_t Write(const void* buffer, int32_t count) override {
        return TMemoryStream::Write(buffer, std::min(count, FLimit));
    }

private:
    int32_t FLimit;
};

} // namespace

TEST(IKHelpers, WriteStreamCheckedSetsAbortingOnShortWrites) {
    const char data[8] = "abcdefg";
    ShortStream stream(4);
    bool aborting = false;
    IKWriteStreamChecked(&stream, aborting, data, 4);
    EXPECT_FALSE(aborting);
    IKWriteStreamChecked(&stream, aborting, data, 8);
    EXPECT_TRUE(aborting);
    // Never set back.
    IKWriteStreamChecked(&stream, aborting, data, 2);
    EXPECT_TRUE(aborting);
}

TEST(IKHelpers, CreateDirectoryPath) {
    namespace fs = std::filesystem;
    EXPECT_THROW(IKCreateDirectoryPath(""), vcl::Exception);
    try {
        IKCreateDirectoryPath("");
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot Create Directory");
    }
    IKCreateDirectoryPath("/"); // the root: nothing happens
    fs::path base = fs::temp_directory_path() / ("ikdir-" + std::to_string(::getpid()));
    fs::path deep = base / "a" / "b" / "c";
    IKCreateDirectoryPath(deep.string() + "/");
    EXPECT_TRUE(IKDirectoryExists(deep.string()));
    EXPECT_FALSE(IKDirectoryExists((deep / "missing").string()));
    // A name without any folder part is made in the current folder.
    fs::path cwd = fs::current_path();
    fs::current_path(base);
    IKCreateDirectoryPath("plain");
    EXPECT_TRUE(IKDirectoryExists((base / "plain").string()));
    fs::current_path(cwd);
    fs::remove_all(base);
}

TEST(IKHelpers, StrToFloatAnySeparatorUnderTwoLocales) {
    struct {
        const char* text;
        char separator;
        double expected;
    } cases[] = {
        {"2.5", '.', 2.5},      {"2,5", '.', 2.5},    {"2,5", ',', 2.5}, {"2.5", ',', 2.5},
        {"-1.25e2", '.', -125}, {" 7 ", '.', 7},      {"abc", '.', -1},  {"", ',', -1},
        {"1.2.3", '.', -1},     {"1,000.5", '.', -1}, {"3,5", ',', 3.5}, {"-0,25", '.', -0.25},
        {"12", ',', 12},
    };
    const char saved = vcl::DecimalSeparator;
    for (auto c : cases) {
        vcl::DecimalSeparator = c.separator;
        EXPECT_DOUBLE_EQ(IKStrToFloatAnySeparator(c.text, -1), c.expected)
            << "'" << c.text << "' with '" << c.separator << "'";
    }
    vcl::DecimalSeparator = saved;
}

TEST(IKHelpers, CIELabIsTheStandardConversion) {
    // White and black.
    EXPECT_EQ(IKRGBToCIELab(0xFFFFFF), (TIKCIELab{255, 0, 0}));
    EXPECT_EQ(IKRGBToCIELab(0x000000), (TIKCIELab{0, 0, 0}));
    EXPECT_EQ(IKCIELabToRGB(TIKCIELab{255, 0, 0}), (TIKColorTriple{255, 255, 255}));
    EXPECT_EQ(IKCIELabToRGB(uint32_t(0)), (TIKColorTriple{0, 0, 0}));
    // Reference values of sRGB primaries (L*, a*, b*), encoded as 8-bit CIELab.
    struct {
        uint32_t rgb;
        double l, a, b;
    } refs[] = {{0xFF0000, 53.24, 80.09, 67.20},
                {0x00FF00, 87.73, -86.18, 83.18},
                {0x0000FF, 32.30, 79.19, -107.86},
                {0x808080, 53.59, 0, 0}};
    for (auto r : refs) {
        TIKCIELab lab = IKRGBToCIELab(r.rgb);
        EXPECT_NEAR(lab.L, r.l * 255 / 100, 1) << std::hex << r.rgb;
        EXPECT_NEAR(lab.a, std::clamp(r.a, -128.0, 127.0), 1) << std::hex << r.rgb;
        EXPECT_NEAR(lab.b, std::clamp(r.b, -128.0, 127.0), 1) << std::hex << r.rgb;
    }
    // The packed form puts L in the low byte.
    TIKCIELab red = IKRGBToCIELab(0xFF0000);
    EXPECT_EQ(IKCIELabToRGB(uint32_t(red.L) | uint32_t(uint8_t(red.a)) << 8 | uint32_t(uint8_t(red.b)) << 16),
              IKCIELabToRGB(red));
    // The inverse is exact up to the 8-bit quantisation: decoding and encoding again gives the same L*a*b*
    // within one step, and colours come back close on average (dark channels, where sRGB is steep, move
    // most).
    std::mt19937 rng(7);
    int64_t total = 0, count = 0;
    for (int i = 0; i < 5000; ++i) {
        uint32_t rgb = rng() & 0xFFFFFF;
        TIKCIELab lab = IKRGBToCIELab(rgb);
        if (std::abs(lab.a) >= 127 || lab.a == -128 || std::abs(lab.b) >= 127 || lab.b == -128)
            continue;
        TIKColorTriple back = IKCIELabToRGB(lab);
        TIKCIELab again = IKRGBToCIELab(uint32_t(back.R) << 16 | uint32_t(back.G) << 8 | back.B);
        EXPECT_NEAR(again.L, lab.L, 1) << std::hex << rgb;
        EXPECT_NEAR(again.a, lab.a, 1) << std::hex << rgb;
        EXPECT_NEAR(again.b, lab.b, 1) << std::hex << rgb;
        total += std::abs(int(back.R) - int((rgb >> 16) & 0xFF)) +
                 std::abs(int(back.G) - int((rgb >> 8) & 0xFF)) + std::abs(int(back.B) - int(rgb & 0xFF));
        count += 3;
    }
    EXPECT_LT(double(total) / double(count), 2.0);
    // Grays come back exactly gray.
    for (int g = 0; g < 256; g += 17) {
        TIKColorTriple back = IKCIELabToRGB(IKRGBToCIELab(uint32_t(g) * 0x010101));
        EXPECT_EQ(back.R, back.G);
        EXPECT_EQ(back.G, back.B);
        EXPECT_NEAR(back.R, g, 2);
    }
}

TEST(IKHelpers, Geometry) {
    EXPECT_TRUE(IKPointInRect(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(IKPointInRect(5, 9, 0, 0, 5, 9));
    EXPECT_FALSE(IKPointInRect(6, 9, 0, 0, 5, 9));
    EXPECT_EQ(IKRectsIntersect(0, 0, 10, 10, 10, 10, 20, 20), 1);
    EXPECT_EQ(IKRectsIntersect(10, 10, 0, 0, 11, 0, 20, 20), 0); // corners in any order
    EXPECT_EQ(IKRectsIntersect(0, 0, 10, 10, 0, 11, 20, 20), 0);
    // Visibility of a cell (x1, y1)-(x2, y2) in a client area (0, 0)-(100, 100).
    struct {
        int32_t x1, y1, x2, y2, expected;
    } cells[] = {{10, 10, 20, 20, 2},  {90, 10, 110, 20, 1},    {90, 90, 110, 110, 1},
                 {-10, 50, 10, 60, 1}, {200, 200, 210, 210, 0}, {-10, -10, 110, 110, 0}};
    for (auto c : cells)
        EXPECT_EQ(IKRectVisibility(0, 0, 100, 100, c.x1, c.y1, c.x2, c.y2), c.expected)
            << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
    EXPECT_DOUBLE_EQ(IKDistanceToLine(0, 5, -10, 0, 10, 0), 5);
    EXPECT_DOUBLE_EQ(IKDistanceToSegment(3, 4, 0, 0, 0, 0), 5);             // A = B
    EXPECT_DOUBLE_EQ(IKDistanceToSegment(13, 4, 0, 0, 10, 0), 5);           // beyond B
    EXPECT_DOUBLE_EQ(IKDistanceToSegment(-3, -4, 0, 0, 10, 0), 5);          // before A
    EXPECT_DOUBLE_EQ(IKDistanceToSegment(5, 7, 0, 0, 10, 0), 7);            // beside the segment
    EXPECT_DOUBLE_EQ(IKDistanceToSegment(100000, 0, 0, 0, 10, 0), 1000000); // far away
}

TEST(IKHelpers, SnapPoint) {
    struct {
        int32_t x, y, ex, ey;
    } cases[] = {{100, 10, 100, 0},     {10, 100, 0, 100},     {100, 90, 100, 100},   {-100, -90, -90, -90},
                 {-90, -100, -90, -90}, {-100, 90, -100, 100}, {100, -90, 100, -100}, {90, -100, 100, -100},
                 {0, 20, 0, 20},        {50, 50, 50, 50}};
    for (auto c : cases) {
        int32_t x = c.x, y = c.y;
        IKSnapPoint(0, 0, x, y);
        EXPECT_EQ(x, c.ex) << c.x << "," << c.y;
        EXPECT_EQ(y, c.ey) << c.x << "," << c.y;
    }
}

TEST(IKHelpers, PlatformQueries) {
    EXPECT_TRUE(IKIsWindowsXP());
    EXPECT_GT(IKAvailablePhysicalMemory(), 0u);
    // The pixel store's threshold is half the available memory: 32 MiB when unknown, at most 4 GiB - 1.
    struct {
        int64_t available;
        uint32_t threshold;
    } cases[] = {{1000, 500}, {1001, 500}, {0, 32u << 20}, {int64_t(64) << 30, UINT32_MAX}};
    for (auto c : cases) {
        win::SetAvailablePhysicalMemoryOverride(c.available);
        EXPECT_EQ(IKAvailablePhysicalMemory(), uint64_t(c.available));
        EXPECT_EQ(TIKBitmap::DefaultMemoryThreshold(), c.threshold) << c.available;
        TIKBitmap b;
        EXPECT_EQ(b.GetMemoryThreshold(), c.threshold);
    }
    win::SetAvailablePhysicalMemoryOverride(-1);
}
