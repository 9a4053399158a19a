#include "imaging/core/IKColorReduce.h"
#include "imaging/core/IKQuantizer.h"
#include "platform/vcl/Bitmap.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace imaging;
using namespace iktest;

namespace {

int32_t CountSet(TIKBitmap& b) {
    int32_t n = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x)
            n += Bit(b, x, y);
    return n;
}

std::unique_ptr<TIKBitmap> Uniform24(int32_t w, int32_t h, uint8_t level) {
    return Make24(w, h, [=](int32_t, int32_t) { return Rgb(level, level, level); });
}

} // namespace

TEST(IKColorReduce, OrderedDitherKeepsWhiteAndBlackAndHalvesMidGray) {
    const struct {
        uint8_t level;
        int32_t set; // of 64 pixels
    } cases[] = {{255, 64}, {0, 0}, {2, 0}, {3, 1}, {128, 32}, {254, 63}};
    for (const auto& c : cases) {
        auto image = Uniform24(8, 8, c.level);
        IKDitherToBilevel(image.get(), nullptr);
        ASSERT_EQ(image->PixelFormat(), ikbf1Bit);
        EXPECT_EQ(CountSet(*image), c.set) << int(c.level);
        if (c.level == 128) {
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 8; ++x)
                    EXPECT_EQ(Bit(*image, x, y), IKBayerMatrix[x][y] < 32);
        }
    }
    // Other formats are left alone.
    auto gray = Make8(4, 4, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(200); });
    IKDitherToBilevel(gray.get(), nullptr);
    EXPECT_EQ(gray->PixelFormat(), ikbf8BitGray);
}

TEST(IKColorReduce, ThresholdModesAndFormats) {
    // A 16-bit ramp: the average mode compares high bytes with the mean of the high bytes.
    auto ramp16 = Make16(16, 1, [](int32_t x, int32_t) { return uint16_t(x * 4096 + 255); });
    TIKBitmap out;
    out.Allocate(16, 1, ikbf1Bit);
    IKThresholdBitmap(ramp16.get(), &out, IKThresholdAverage, nullptr);
    // High bytes 0, 16, ..., 240; their mean is 120: levels from 128 up are set.
    for (int32_t x = 0; x < 16; ++x)
        EXPECT_EQ(Bit(out, x, 0), x * 16 >= 120) << x;
    EXPECT_EQ(IKResolveThreshold(ramp16.get(), IKThresholdAverage), 120);

    // An explicit threshold on a paletted image reads the gray of the palette colours.
    auto pal = Make8(3, 1, ikbf8Bit, [](int32_t x, int32_t) { return uint8_t(x); });
    pal->Palette()[0] = Rgb(255, 0, 0); // gray 53
    pal->Palette()[1] = Rgb(0, 255, 0); // gray 181
    pal->Palette()[2] = Rgb(100, 100, 100);
    TIKBitmap out3;
    out3.Allocate(3, 1, ikbf1Bit);
    IKThresholdBitmap(pal.get(), &out3, 100, nullptr);
    EXPECT_FALSE(Bit(out3, 0, 0));
    EXPECT_TRUE(Bit(out3, 1, 0));
    EXPECT_TRUE(Bit(out3, 2, 0)); // at the threshold counts as white

    // Maximum entropy splits a two-level image between its levels.
    auto twoLevels =
        Make8(10, 10, ikbf8BitGray, [](int32_t x, int32_t y) { return uint8_t((x + y) % 3 ? 40 : 200); });
    const int32_t t = IKResolveThreshold(twoLevels.get(), IKThresholdMaxEntropy);
    EXPECT_GT(t, 40);
    EXPECT_LE(t, 200);
    auto flat = Make8(4, 4, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(90); });
    EXPECT_EQ(IKResolveThreshold(flat.get(), IKThresholdMaxEntropy), 90);

    // A one-bit source is copied; the in-place form turns a 24-bit image into one bit.
    auto bits = Make1(9, 2, [](int32_t x, int32_t y) { return (x + y) % 2 == 0; });
    TIKBitmap copy;
    copy.Allocate(9, 2, ikbf1Bit);
    IKThresholdBitmap(bits.get(), &copy, 128, nullptr);
    EXPECT_EQ(CountSet(copy), CountSet(*bits));
    auto colour = Make24(
        4, 1, [](int32_t x, int32_t) { return Rgb(uint8_t(x * 80), uint8_t(x * 80), uint8_t(x * 80)); });
    IKThresholdInPlace(colour.get(), 100, nullptr);
    ASSERT_EQ(colour->PixelFormat(), ikbf1Bit);
    EXPECT_EQ(CountSet(*colour), 2); // 160 and 240
}

TEST(IKColorReduce, HistogramAndAverageByFormat) {
    std::array<int64_t, 256> hist{};
    auto bits = Make1(10, 1, [](int32_t x, int32_t) { return x < 3; });
    IKImageHistogram(bits.get(), hist);
    EXPECT_EQ(hist[255], 3);
    EXPECT_EQ(hist[0], 7);
    auto g16 = Make16(2, 1, [](int32_t x, int32_t) { return uint16_t(x ? 0xABCD : 0x0102); });
    IKImageHistogram(g16.get(), hist);
    EXPECT_EQ(hist[0xAB], 1);
    EXPECT_EQ(hist[0x01], 1);
    auto c24 = Make24(1, 1, [](int32_t, int32_t) { return Rgb(100, 200, 50); });
    IKImageHistogram(c24.get(), hist);
    EXPECT_EQ(hist[(100 * 21 + 200 * 71 + 50 * 8) / 100], 1);

    int32_t r, g, b;
    IKAverageColor(bits.get(), r, g, b);
    EXPECT_EQ(r, 76); // 3 x 255 / 10 per row
    auto pal = Make8(2, 2, ikbf8Bit, [](int32_t x, int32_t) { return uint8_t(x); });
    pal->Palette()[0] = Rgb(10, 20, 30);
    pal->Palette()[1] = Rgb(30, 40, 51);
    IKAverageColor(pal.get(), r, g, b);
    EXPECT_EQ(r, 20);
    EXPECT_EQ(g, 30);
    EXPECT_EQ(b, 40); // 81 / 2 per row, truncated
    TIKBitmap empty;
    empty.Allocate(0, 0, ikbf24Bit);
    IKAverageColor(&empty, r, g, b);
    EXPECT_EQ(r, 128);
    EXPECT_EQ(g, 128);
    EXPECT_EQ(b, 128);
}

TEST(IKColorReduce, ExtractTwoColorBitmap) {
    // White first, black second: black becomes colour 0 with clear bits.
    auto wb = Make24(9, 3, [](int32_t x, int32_t) { return x % 3 == 0 ? Rgb(0, 0, 0) : Rgb(255, 255, 255); });
    wb->ScanLine(0)[0] = wb->ScanLine(0)[1] = wb->ScanLine(0)[2] = 255; // the first pixel is white
    TIKColorTriple c0, c1;
    auto bilevel = IKExtractTwoColorBitmap(wb.get(), c0, c1);
    ASSERT_TRUE(bilevel);
    EXPECT_EQ(c0, Rgb(0, 0, 0));
    EXPECT_EQ(c1, Rgb(255, 255, 255));
    EXPECT_TRUE(Bit(*bilevel, 0, 0));
    EXPECT_FALSE(Bit(*bilevel, 3, 0));
    EXPECT_FALSE(Bit(*bilevel, 0, 1));
    EXPECT_TRUE(Bit(*bilevel, 1, 2));

    // Equal gray levels keep the order of appearance.
    auto same = Make24(2, 1, [](int32_t x, int32_t) { return x ? Rgb(0, 0, 255) : Rgb(0, 0, 254); });
    ASSERT_TRUE(IKExtractTwoColorBitmap(same.get(), c0, c1));
    EXPECT_EQ(c0, Rgb(0, 0, 254));

    auto three = Make24(3, 1, [](int32_t x, int32_t) { return Rgb(uint8_t(x), 0, 0); });
    EXPECT_FALSE(IKExtractTwoColorBitmap(three.get(), c0, c1));
    auto one = Make24(3, 3, [](int32_t, int32_t) { return Rgb(5, 5, 5); });
    EXPECT_FALSE(IKExtractTwoColorBitmap(one.get(), c0, c1));
    auto gray = Make8(2, 1, ikbf8BitGray, [](int32_t x, int32_t) { return uint8_t(x ? 10 : 250); });
    ASSERT_TRUE(IKExtractTwoColorBitmap(gray.get(), c0, c1));
    EXPECT_EQ(c0, Rgb(10, 10, 10));
}

TEST(IKColorReduce, NearestPaletteIndex) {
    const TIKColorTriple pal[] = {Rgb(0, 0, 0), Rgb(10, 10, 10), Rgb(12, 8, 10), Rgb(255, 255, 255)};
    EXPECT_EQ(IKNearestPaletteIndex(pal, 4, Rgb(11, 9, 10)), 1); // 1 and 2 at distance 2: the first wins
    EXPECT_EQ(IKNearestPaletteIndex(pal, 4, Rgb(250, 250, 250)), 3);
    EXPECT_EQ(IKNearestPaletteIndex(pal, 0, Rgb(1, 1, 1)), 0);
    EXPECT_EQ(IKNearestPaletteIndex(nullptr, 4, Rgb(1, 1, 1)), 0);
}

TEST(IKColorReduce, ConvertRowDepth) {
    const std::vector<TIKColorTriple> pal = {Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 8, 9)};
    uint8_t out[64];
    struct Case {
        std::vector<uint8_t> source;
        uint16_t srcBits, destBits, width;
        int32_t result;
        std::vector<uint8_t> expected;
    } cases[] = {
        {{1, 0, 1}, 8, 1, 3, 1, {0xA0}},
        {{0xB4}, 1, 1, 5, 1, {0xB4}},
        {{0xA0}, 1, 4, 5, 3, {0x10, 0x10, 0x00}},
        {{0xA0}, 1, 8, 3, 3, {1, 0, 1}},
        {{0x40}, 1, 24, 2, 6, {3, 2, 1, 6, 5, 4}},
        {{0x12, 0x30}, 4, 8, 3, 3, {1, 2, 3}},
        {{0x21}, 4, 24, 2, 6, {9, 8, 7, 6, 5, 4}},
        {{2, 9}, 8, 24, 2, 6, {9, 8, 7, 0, 0, 0}}, // an index past the palette reads black
        {{1, 2, 3, 4, 5, 6, 7, 8}, 32, 24, 2, 6, {1, 2, 3, 5, 6, 7}},
        {{1, 2, 3}, 8, 16, 3, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.srcBits << " -> " << c.destBits);
        std::fill(std::begin(out), std::end(out), 0);
        EXPECT_EQ(IKConvertRowDepth(c.source.data(), out, c.srcBits, c.destBits, c.width, pal, nullptr),
                  c.result);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(out[i], c.expected[i]) << i;
    }
    // 24 to 8 and 4 bits through a quantizer.
    auto image = Make24(3, 1, [](int32_t x, int32_t) { return x == 1 ? Rgb(9, 9, 9) : Rgb(200, 0, 0); });
    std::vector<TIKColorTriple> map(16);
    TIKQuantizer q(image.get(), map, 16);
    std::fill(std::begin(out), std::end(out), 0);
    EXPECT_EQ(IKConvertRowDepth(image->ScanLine(0), out, 24, 8, 3, map, &q), 3);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 0);
    std::fill(std::begin(out), std::end(out), 0);
    EXPECT_EQ(IKConvertRowDepth(image->ScanLine(0), out, 24, 4, 3, map, &q), 2);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x00);
}

TEST(IKColorReduce, ExpandBilevelToRGB) {
    vcl::TBitmap source, dest;
    source.SetPixelFormat(vcl::pf1bit);
    source.SetSize(11, 2);
    auto* row0 = static_cast<uint8_t*>(source.ScanLine(0));
    row0[0] = 0x81;
    row0[1] = 0xA0; // pixels 8 and 10 set
    static_cast<uint8_t*>(source.ScanLine(1))[0] = 0;
    static_cast<uint8_t*>(source.ScanLine(1))[1] = 0;
    IKExpandBilevelToRGB(&source, &dest, nullptr);
    ASSERT_EQ(dest.GetPixelFormat(), vcl::pf24bit);
    ASSERT_EQ(dest.GetWidth(), 11);
    const auto* d = static_cast<const uint8_t*>(dest.ScanLine(0));
    const bool white[11] = {true, false, false, false, false, false, false, true, true, false, true};
    for (int32_t x = 0; x < 11; ++x)
        for (int32_t c = 0; c < 3; ++c)
            EXPECT_EQ(d[3 * x + c], white[x] ? 255 : 0) << x;
    EXPECT_EQ(static_cast<const uint8_t*>(dest.ScanLine(1))[30], 0);
    EXPECT_EQ(IKBilevelExpandEntry(0x80)[0], 255);
    EXPECT_EQ(IKBilevelExpandEntry(0x80)[3], 0);
}

TEST(IKColorReduce, ConvertRectToGrayAndProgress) {
    auto image = Make24(6, 4, [](int32_t, int32_t) { return Rgb(200, 100, 0); });
    std::vector<int32_t> reports;
    IKConvertRectToGray(
        image.get(), 2, 1, 100, 3, [&](vcl::TObject*, int32_t p) { reports.push_back(p); }, nullptr);
    const uint8_t g = uint8_t((200 * 21 + 100 * 71) / 100);
    EXPECT_EQ(Pixel24(*image, 2, 1), Rgb(g, g, g));
    EXPECT_EQ(Pixel24(*image, 5, 2), Rgb(g, g, g));
    EXPECT_EQ(Pixel24(*image, 1, 1), Rgb(200, 100, 0)); // left of the rectangle
    EXPECT_EQ(Pixel24(*image, 2, 3), Rgb(200, 100, 0)); // y2 is excluded
    EXPECT_EQ(reports, (std::vector<int32_t>{40, 80}));
}

TEST(IKColorReduce, QuantizeInPlaceKeepsAtMostNColours) {
    for (int32_t n : {2, 16, 64, 200, 256}) {
        auto image = Make24(64, 40, PhotoLike);
        std::vector<TIKColorTriple> palette(static_cast<size_t>(n));
        int32_t last = 0;
        IKQuantizeInPlace(image.get(), n, palette, nullptr, [&](vcl::TObject*, int32_t p) { last = p; });
        EXPECT_EQ(image->PixelFormat(), ikbf24Bit);
        EXPECT_EQ(last, 98); // 40 rows: Trunc(4000 / 40.5)
        std::set<uint32_t> colors;
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 64; ++x)
                colors.insert(IKPackTriple(Pixel24(*image, x, y)));
        EXPECT_LE(int32_t(colors.size()), n);
        std::set<uint32_t> inPalette;
        for (const TIKColorTriple& c : palette)
            inPalette.insert(IKPackTriple(c));
        for (uint32_t c : colors)
            EXPECT_TRUE(inPalette.count(c));
    }
    // Without a palette of the caller's.
    auto image = Make24(8, 8, PhotoLike);
    IKQuantizeInPlace(image.get(), 4, {}, nullptr, {});
    std::set<uint32_t> colors;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            colors.insert(IKPackTriple(Pixel24(*image, x, y)));
    EXPECT_LE(colors.size(), 4u);
}
