#include "imaging/core/IKQuantizer.h"
#include "imaging/core/IKMedianCut.h"
#include "imaging/core/IKNeuQuant.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

using namespace imaging;
using namespace iktest;

namespace {

// A colour map pre-filled with a marker, so that untouched entries show.
std::vector<TIKColorTriple> MarkedMap(size_t n) {
    return std::vector<TIKColorTriple>(n, Rgb(1, 2, 3));
}

// An image of exactly n distinct colours, colour k first met at pixel k (row by row), then repeated.
std::unique_ptr<TIKBitmap> DistinctColors(int32_t n, int32_t w = 32, int32_t h = 32) {
    return Make24(w, h, [=](int32_t x, int32_t y) {
        const int32_t k = (y * w + x) % n;
        return Rgb(uint8_t(k * 37), uint8_t(k * 11 + 5), uint8_t(k));
    });
}

double MeanSquaredError(TIKBitmap& b, const TIKQuantizer& q, const std::vector<TIKColorTriple>& map) {
    double sum = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            const TIKColorTriple c = Pixel24(b, x, y), m = map[size_t(q.RGBIndex(c))];
            sum += std::pow(c.R - m.R, 2) + std::pow(c.G - m.G, 2) + std::pow(c.B - m.B, 2);
        }
    return sum / (3.0 * b.Width() * b.Height());
}

} // namespace

TEST(IKQuantizer, EngineChoice) {
    struct Case {
        const char* name;
        int32_t colors; // distinct colours of the image; 0 for a two-level gray image
        int32_t nCol;
        bool gray, exact;
        int32_t engine;
    } cases[] = {
        {"gray, 256 colours: ramp", 0, 256, true, false, 0},
        {"gray, 16 colours: exact", 0, 16, false, true, 0},
        {"exactly NCol colours", 128, 128, false, true, 0},
        {"NCol + 1 colours from 128: NeuQuant", 129, 128, false, false, TIKQuantizer::qeNeuQuant},
        {"NCol + 1 colours below 128: median cut", 128, 127, false, false, TIKQuantizer::qeMedianCut},
        {"many colours, 2: median cut", 50, 2, false, false, TIKQuantizer::qeMedianCut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image =
            c.colors == 0
                ? Make24(16, 16, [](int32_t x, int32_t) { return x < 8 ? Rgb(9, 9, 9) : Rgb(200, 200, 200); })
                : DistinctColors(c.colors);
        auto map = MarkedMap(256);
        for (int32_t method : {0, 1, 7}) {
            TIKQuantizer q(image.get(), map, c.nCol, -1, method);
            EXPECT_EQ(q.GetGrayRamp(), c.gray);
            EXPECT_EQ(q.GetExact(), c.exact);
            if (!c.gray && !c.exact) {
                EXPECT_EQ(q.GetEngine(), c.engine);
            }
        }
    }
}

TEST(IKQuantizer, GrayRampEvenForTwoLevels) {
    auto image = Make24(4, 4, [](int32_t x, int32_t) { return x < 2 ? Rgb(0, 0, 0) : Rgb(77, 77, 77); });
    auto map = MarkedMap(256);
    TIKQuantizer q(image.get(), map, 256);
    for (int32_t i = 0; i < 256; ++i)
        ASSERT_EQ(map[size_t(i)], Rgb(uint8_t(i), uint8_t(i), uint8_t(i)));
    EXPECT_EQ(q.RGBIndex(Rgb(77, 77, 77)), 77);
    EXPECT_TRUE(IKIsGrayBitmap(image.get()));
    auto empty = std::make_unique<TIKBitmap>();
    empty->Allocate(0, 0, ikbf24Bit);
    empty->Allocate(3, 0, ikbf24Bit);
    EXPECT_TRUE(IKIsGrayBitmap(empty.get()) || empty->PixelFormat() != ikbf24Bit);
    auto gray8 = Make8(2, 2, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(5); });
    EXPECT_FALSE(IKIsGrayBitmap(gray8.get()));
}

TEST(IKQuantizer, ExactPaletteInFirstAppearanceOrderLeavesTheRest) {
    // Colours appear in the order red, green, blue, with repeats; rows count from the top.
    const TIKColorTriple seq[] = {Rgb(255, 0, 0), Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(255, 0, 0),
                                  Rgb(0, 0, 255)};
    auto image = Make24(5, 2, [&](int32_t x, int32_t y) { return y == 0 ? seq[x] : Rgb(0, 0, 255); });
    auto map = MarkedMap(16);
    TIKQuantizer q(image.get(), map, 16);
    ASSERT_TRUE(q.GetExact());
    EXPECT_EQ(q.GetExactCount(), 3);
    EXPECT_EQ(map[0], Rgb(255, 0, 0));
    EXPECT_EQ(map[1], Rgb(0, 255, 0));
    EXPECT_EQ(map[2], Rgb(0, 0, 255));
    for (size_t i = 3; i < map.size(); ++i)
        EXPECT_EQ(map[i], Rgb(1, 2, 3));
    EXPECT_EQ(q.RGBIndex(Rgb(0, 255, 0)), 1);
    EXPECT_EQ(q.RGBIndex(IKPackTriple(Rgb(0, 0, 255)) | 0xFF000000u), 2); // the top byte is ignored
    EXPECT_EQ(q.RGBIndex(Rgb(1, 1, 1)), -1);

    // Exactly NCol distinct colours, in order of first appearance.
    auto full = DistinctColors(64);
    auto map64 = MarkedMap(64);
    TIKQuantizer q64(full.get(), map64, 64);
    ASSERT_TRUE(q64.GetExact());
    for (int32_t k = 0; k < 64; ++k)
        EXPECT_EQ(map64[size_t(k)], Pixel24(*full, k % 32, k / 32));
}

TEST(IKQuantizer, ColorMapSmallerThanNColIsNeverOverrun) {
    auto image = Make24(40, 40, PhotoLike);
    std::vector<TIKColorTriple> small(10);
    TIKQuantizer q(image.get(), small, 256);
    EXPECT_EQ(q.GetNCol(), 10);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const int32_t i = q.RGBIndex(Pixel24(*image, x, y));
            ASSERT_GE(i, 0);
            ASSERT_LT(i, 10);
        }
}

TEST(NeuQuant, SamplingFactor) {
    const std::pair<int64_t, int32_t> bySize[] = {{1, 1},     {1999, 1},         {2000, 2},
                                                  {76000, 8}, {1920 * 1080, 30}, {INT64_C(1) << 40, 30}};
    for (auto [pixels, factor] : bySize)
        EXPECT_EQ(NeuQuantSampleFactor(pixels), factor) << pixels;
    const std::pair<int32_t, int32_t> byQuality[] = {{100, 1}, {50, 15}, {0, 30}, {150, 1}, {-7, 30}};
    for (auto [quality, factor] : byQuality)
        EXPECT_EQ(NeuQuantQualityFactor(quality, 123456), factor) << quality;
    EXPECT_EQ(NeuQuantQualityFactor(-1, 1999), 1);
}

TEST(NeuQuant, InitialRadiusFollowsTheNetSize) {
    auto image = Make24(50, 50, PhotoLike);
    std::vector<TIKColorTriple> map(256);
    EXPECT_EQ(NeuQuantNet(image.get(), map, 256, 1).GetInitRadius(), 32 * 64);
    EXPECT_EQ(NeuQuantNet(image.get(), map, 128, 1).GetInitRadius(), 16 * 64);
}

TEST(NeuQuant, SmallImageSamplesStayInside) {
    // 400 pixels, a stride of 499: every sample position wraps into the image (run under the sanitizers).
    auto image = Make24(20, 20, PhotoLike);
    std::vector<TIKColorTriple> map(256);
    NeuQuantNet net(image.get(), map, 256, 1);
    EXPECT_EQ(net.GetStep(), 499);
    EXPECT_EQ(net.GetSamplesRead(), 400);
    // A single-pixel image learns its one colour.
    auto one = Make24(1, 1, [](int32_t, int32_t) { return Rgb(200, 100, 50); });
    std::vector<TIKColorTriple> map1(128);
    NeuQuantNet single(one.get(), map1, 128, 1);
    const TIKColorTriple learned = map1[size_t(single.Search(Rgb(200, 100, 50)))];
    EXPECT_NEAR(learned.R, 200, 2);
    EXPECT_NEAR(learned.G, 100, 2);
    EXPECT_NEAR(learned.B, 50, 2);
}

TEST(NeuQuant, PaletteFitsAPhotoAndLookupFindsTheNearestEntry) {
    // A smooth 65536-colour gradient: ImageMagick's -colors 256 (no dither) leaves a mean squared error of
    // about 48 on it.
    auto image = Make24(
        256, 256, [](int32_t x, int32_t y) { return Rgb(uint8_t(x), uint8_t(y), uint8_t((x + y) / 2)); });
    auto map = MarkedMap(256);
    TIKQuantizer q(image.get(), map, 256);
    ASSERT_FALSE(q.GetExact());
    ASSERT_EQ(q.GetEngine(), TIKQuantizer::qeNeuQuant);
    EXPECT_LT(MeanSquaredError(*image, q, map), 45.0);
    auto bestMap = MarkedMap(256);
    TIKQuantizer best(image.get(), bestMap, 256, 100);
    EXPECT_LT(MeanSquaredError(*image, best, bestMap), 30.0);
    // The search result is a nearest entry by the sum of absolute differences.
    for (const TIKColorTriple c : {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(128, 30, 200), Rgb(17, 240, 99)}) {
        auto dist = [&](TIKColorTriple m) {
            return std::abs(m.R - c.R) + std::abs(m.G - c.G) + std::abs(m.B - c.B);
        };
        int32_t best = 1000;
        for (const TIKColorTriple& m : map)
            best = std::min(best, dist(m));
        EXPECT_EQ(dist(map[size_t(q.RGBIndex(c))]), best);
    }
}

TEST(NeuQuant, CachedAnswersAreTheSearchedOnes) {
    // Search answers from its colour cache and, on a miss, from the neurons that can be nearest within
    // a cube of colours; SearchNearest walks the network. Networks of 8, 16, 128 and 256 neurons, learnt
    // from a photo-like picture, a few colours and a gray ramp, answer a lattice of colours (every cube
    // corner and middle, twice, so the second pass reads the cache) the same both ways.
    struct Case {
        const char* Name;
        int32_t Neurons;
        std::unique_ptr<TIKBitmap> Image;
    };
    Case cases[] = {
        {"photo, 256", 256, Make24(64, 48, PhotoLike)},
        {"photo, 128", 128, Make24(64, 48, PhotoLike)},
        {"photo, 16", 16, Make24(64, 48, PhotoLike)},
        {"few colours, 8", 8, DistinctColors(5)},
        {"gray ramp, 256", 256,
         Make24(256, 4, [](int32_t x, int32_t) { return Rgb(uint8_t(x), uint8_t(x), uint8_t(x)); })},
    };
    std::vector<int32_t> levels;
    for (int32_t v = 0; v < 256; v += 8)
        for (int32_t d : {0, 4, 7})
            levels.push_back(v + d);
    for (const Case& c : cases) {
        std::vector<TIKColorTriple> map(size_t(c.Neurons));
        const NeuQuantNet net(c.Image.get(), map, c.Neurons, 1);
        std::vector<int32_t> searched;
        for (int32_t r : levels)
            for (int32_t g : levels)
                for (int32_t b : levels)
                    searched.push_back(net.SearchNearest(b, g, r));
        int32_t mismatches = 0;
        for (int pass = 0; pass < 2; ++pass) {
            size_t k = 0;
            for (int32_t r : levels)
                for (int32_t g : levels)
                    for (int32_t b : levels)
                        mismatches += net.Search(b, g, r) != searched[k++];
        }
        EXPECT_EQ(mismatches, 0) << c.Name;
        // Values outside the bytes take the searched road.
        EXPECT_EQ(net.Search(300, 10, -4), net.SearchNearest(300, 10, -4)) << c.Name;
    }
}

TEST(MedianCut, WhiteStaysWhiteAndBlackStaysBlack) {
    auto image = Make24(8, 8, [](int32_t x, int32_t) { return x < 4 ? Rgb(255, 255, 255) : Rgb(0, 0, 0); });
    auto map = MarkedMap(4);
    MedianCutQuantizer mc(image.get(), map, 4);
    ASSERT_EQ(mc.GetBoxCount(), 2);
    std::set<std::array<uint8_t, 3>> colors;
    for (int32_t i = 0; i < 2; ++i)
        colors.insert({map[size_t(i)].R, map[size_t(i)].G, map[size_t(i)].B});
    EXPECT_TRUE(colors.count({255, 255, 255}));
    EXPECT_TRUE(colors.count({0, 0, 0}));
    EXPECT_EQ(map[2], Rgb(1, 2, 3));
    EXPECT_EQ(MedianCutQuantizer::LevelToByte(31), 255);
    EXPECT_EQ(MedianCutQuantizer::LevelToByte(0), 0);
    EXPECT_EQ(MedianCutQuantizer::LevelToByte(16), 132);
}

TEST(MedianCut, CellsBelowFiveBitsShareABoxAndAbsentColoursGiveZero) {
    // Four colours in two 5-bit cells: (8, 8, 8) and (13, 15, 9) share one cell.
    const TIKColorTriple colors[] = {Rgb(8, 8, 8), Rgb(13, 15, 9), Rgb(200, 16, 40), Rgb(207, 23, 47)};
    auto image = Make24(4, 4, [&](int32_t x, int32_t) { return colors[x]; });
    auto map = MarkedMap(8);
    MedianCutQuantizer mc(image.get(), map, 8);
    EXPECT_EQ(mc.GetBoxCount(), 2); // one box a non-empty cell; single cells are not split
    EXPECT_EQ(mc.Lookup(colors[0]), mc.Lookup(colors[1]));
    EXPECT_EQ(mc.Lookup(colors[2]), mc.Lookup(colors[3]));
    EXPECT_NE(mc.Lookup(colors[0]), mc.Lookup(colors[2]));
    EXPECT_EQ(mc.Lookup(Rgb(100, 200, 250)), 0);
    EXPECT_EQ(map[size_t(mc.Lookup(colors[2]))], Rgb(206, 16, 41)); // levels 25, 2, 5
}

TEST(MedianCut, TieRules) {
    // Red levels 0, 2, 29, 31: the first split gives two boxes of equal variance; the third colour comes
    // from box 0, the lower number.
    const uint8_t levels[] = {0, 2, 29, 31};
    auto image = Make24(4, 1, [&](int32_t x, int32_t) { return Rgb(uint8_t(levels[x] * 8), 0, 0); });
    auto map = MarkedMap(3);
    MedianCutQuantizer mc(image.get(), map, 3);
    ASSERT_EQ(mc.GetBoxCount(), 3);
    EXPECT_EQ(map[0], Rgb(0, 0, 0));
    EXPECT_EQ(map[1], Rgb(247, 0, 0)); // mean level 30
    EXPECT_EQ(map[2], Rgb(16, 0, 0));  // level 2

    // Splitting along red or along green leaves the same variance: red wins.
    const TIKColorTriple rg[] = {Rgb(0, 0, 0), Rgb(16, 16, 0), Rgb(0, 16, 0)};
    auto image2 = Make24(3, 1, [&](int32_t x, int32_t) { return rg[x]; });
    auto map2 = MarkedMap(2);
    MedianCutQuantizer mc2(image2.get(), map2, 2);
    ASSERT_EQ(mc2.GetBoxCount(), 2);
    EXPECT_EQ(map2[0], Rgb(0, 8, 0)); // (0, 0) and (0, 2) kept together
    EXPECT_EQ(map2[1], Rgb(16, 16, 0));
    // The same between green and blue: green wins.
    const TIKColorTriple gb[] = {Rgb(0, 0, 0), Rgb(0, 16, 16), Rgb(0, 0, 16)};
    auto image3 = Make24(3, 1, [&](int32_t x, int32_t) { return gb[x]; });
    MedianCutQuantizer mc3(image3.get(), map2, 2);
    EXPECT_EQ(map2[0], Rgb(0, 0, 8));
}

TEST(MedianCut, CountsPastSixteenBits) {
    // 300 x 300 = 90000 pixels, beyond a 16-bit count: the means and the total stay right.
    auto image = Make24(
        300, 300, [](int32_t x, int32_t y) { return (x + y) % 3 == 0 ? Rgb(248, 0, 0) : Rgb(0, 0, 248); });
    auto map = MarkedMap(2);
    MedianCutQuantizer mc(image.get(), map, 2);
    EXPECT_EQ(mc.GetTotalPixels(), 90000);
    ASSERT_EQ(mc.GetBoxCount(), 2);
    EXPECT_EQ(mc.GetBox(0).Count + mc.GetBox(1).Count, 90000);
    EXPECT_EQ(map[size_t(mc.Lookup(Rgb(248, 0, 0)))], Rgb(255, 0, 0));
    EXPECT_EQ(map[size_t(mc.Lookup(Rgb(0, 0, 248)))], Rgb(0, 0, 255));
}

TEST(MedianCut, KeepsAtMostNColColoursOnAPhoto) {
    auto image = Make24(64, 48, PhotoLike);
    for (int32_t n : {2, 16, 100, 127}) {
        auto map = MarkedMap(size_t(n));
        TIKQuantizer q(image.get(), map, n);
        std::set<int32_t> used;
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x)
                used.insert(q.RGBIndex(Pixel24(*image, x, y)));
        EXPECT_LE(int32_t(used.size()), n);
        EXPECT_GE(*used.begin(), 0);
        EXPECT_LT(*used.rbegin(), n);
    }
}
