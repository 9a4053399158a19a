#include "imaging/core/IKResample.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace imaging;
using namespace iktest;

namespace {

const TResampleFilter ResampleAllFilters[] = {rfTriangle,   rfHermite,  rfBell,    rfBSpline,
                                              rfLanczos3,   rfMitchell, rfNearest, rfLinear,
                                              rfFastLinear, rfBilinear, rfBicubic};

// One row of red values of a 24-bit image.
std::vector<int32_t> Reds(TIKBitmap& b, int32_t y) {
    std::vector<int32_t> r;
    for (int32_t x = 0; x < b.Width(); ++x)
        r.push_back(Pixel24(b, x, y).R);
    return r;
}

std::unique_ptr<TIKBitmap> RedRamp(const std::vector<uint8_t>& reds, int32_t h) {
    return Make24(int32_t(reds.size()), h, [&](int32_t x, int32_t) { return Rgb(reds[size_t(x)], 0, 0); });
}

} // namespace

TEST(IKResample, KernelTable) {
    struct Case {
        TResampleFilter filter;
        double x, value, support;
    } cases[] = {
        {rfTriangle, 0.25, 0.75, 1.0},  {rfHermite, 0.5, 0.5, 1.0},   {rfBell, 0, 0.75, 1.5},
        {rfBell, 1.0, 0.125, 1.5},      {rfBSpline, 0, 2.0 / 3, 2.0}, {rfBSpline, 1.5, 1.0 / 48, 2.0},
        {rfLanczos3, 0, 1, 3.0},        {rfLanczos3, 1, 0, 3.0},      {rfMitchell, 0, 16.0 / 18, 2.0},
        {rfMitchell, 1, 1.0 / 18, 2.0}, {rfNearest, 0.5, 1, 1.0},     {rfNearest, -0.5, 0, 1.0},
        {rfLinear, -0.5, 0.5, 1.0},     {rfLinear, 1.0, 0, 1.0},
    };
    for (const Case& c : cases) {
        const TIKResampleFilterEntry& e = IKResampleFilters[c.filter];
        ASSERT_NE(e.Kernel, nullptr);
        EXPECT_NEAR(e.Kernel(c.x), c.value, 1e-12) << int(c.filter) << " at " << c.x;
        EXPECT_EQ(e.Support, c.support);
    }
    for (TResampleFilter f : {rfNone, rfFastLinear, rfBilinear, rfBicubic})
        EXPECT_EQ(IKResampleFilters[f].Kernel, nullptr);
}

TEST(IKResample, EveryFilterKeepsAUniformImage) {
    const TIKColorTriple c = Rgb(37, 150, 220);
    for (TResampleFilter f : ResampleAllFilters)
        for (auto [w, h] : {std::pair{7, 5}, std::pair{31, 2}, std::pair{3, 13}, std::pair{25, 20}}) {
            auto src = Make24(11, 9, [&](int32_t, int32_t) { return c; });
            auto dst = Blank24(w, h);
            IKResampleBitmap(src.get(), dst.get(), f, nullptr, {});
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(Pixel24(*dst, x, y), c)
                        << int(f) << " " << w << "x" << h << " at " << x << "," << y;
        }
}

TEST(IKResample, TriangleEnlargesTwoByTwoHalfAndHalf) {
    auto src = Make24(2, 2, [](int32_t x, int32_t y) { return Rgb(uint8_t(x * 200), uint8_t(y * 100), 0); });
    auto dst = Blank24(3, 3);
    IKResampleBitmap(src.get(), dst.get(), rfTriangle, nullptr, {});
    EXPECT_EQ(Reds(*dst, 0), (std::vector<int32_t>{0, 100, 200}));
    EXPECT_EQ(Pixel24(*dst, 1, 1), Rgb(100, 50, 0));
    EXPECT_EQ(Pixel24(*dst, 2, 2), Rgb(200, 100, 0));
}

TEST(IKResample, SourcesTooSmallForAFilterAreReplicated) {
    // 1 x 1: every filter fills the whole destination with the pixel.
    auto one = Make24(1, 1, [](int32_t, int32_t) { return Rgb(9, 99, 199); });
    for (TResampleFilter f : ResampleAllFilters) {
        auto dst = Blank24(5, 3);
        dst->Fill(0x00FF00);
        IKResampleBitmap(one.get(), dst.get(), f, nullptr, {});
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                ASSERT_EQ(Pixel24(*dst, x, y), Rgb(9, 99, 199)) << int(f);
    }
    // 1 x N: the width scales by DstW / SrcW, the height is filtered.
    auto column = Make24(1, 4, [](int32_t, int32_t y) { return Rgb(uint8_t(y * 60), 0, 0); });
    auto dst = Blank24(3, 4);
    IKResampleBitmap(column.get(), dst.get(), rfTriangle, nullptr, {});
    for (int32_t y = 0; y < 4; ++y)
        EXPECT_EQ(Reds(*dst, y), (std::vector<int32_t>(3, y * 60)));
    // An empty source leaves black, not whatever the destination held.
    TIKBitmap empty;
    empty.Allocate(0, 3, ikbf24Bit);
    auto black = Blank24(2, 2);
    black->Fill(0xFFFFFF);
    IKResampleBitmap(&empty, black.get(), rfLanczos3, nullptr, {});
    EXPECT_EQ(Pixel24(*black, 1, 1), Rgb(0, 0, 0));
}

TEST(IKResample, FastLinear) {
    auto src = RedRamp({0, 30, 60, 90, 120, 150}, 2);
    auto same = Blank24(6, 2);
    IKResampleFastLinear(src.get(), same.get(), nullptr, {});
    EXPECT_EQ(Reds(*same, 1), (std::vector<int32_t>{0, 30, 60, 90, 120, 150}));
    // Halving: columns 2i, 2i+1 and 2i+2; the last column only its first source column.
    auto half = Blank24(3, 2);
    IKResampleFastLinear(src.get(), half.get(), nullptr, {});
    EXPECT_EQ(Reds(*half, 0), (std::vector<int32_t>{30, 90, 120}));
    // Only the height changes: the horizontal pass still averages each column with the next.
    auto taller = Blank24(6, 4);
    IKResampleFastLinear(src.get(), taller.get(), nullptr, {});
    EXPECT_EQ(Reds(*taller, 0), (std::vector<int32_t>{15, 45, 75, 105, 135, 150}));
    // Doubling interpolates with 17-bit fractions.
    auto two = RedRamp({0, 100}, 1);
    auto wide = Blank24(4, 1);
    IKResampleFastLinear(two.get(), wide.get(), nullptr, {});
    EXPECT_EQ(Reds(*wide, 0), (std::vector<int32_t>{0, 50, 100, 100}));
}

TEST(IKResample, BilinearAndBicubic) {
    // Shrinking both ways is a pure area average.
    auto src = Make24(4, 4, [](int32_t x, int32_t y) { return Rgb(uint8_t(x * 40 + y * 10), 0, 0); });
    for (TResampleFilter f : {rfBilinear, rfBicubic}) {
        auto dst = Blank24(2, 2);
        IKResampleBitmap(src.get(), dst.get(), f, nullptr, {});
        EXPECT_EQ(Reds(*dst, 0), (std::vector<int32_t>{25, 105})) << int(f);
        EXPECT_EQ(Reds(*dst, 1), (std::vector<int32_t>{45, 125})) << int(f);
    }
    // Enlarging samples each destination pixel at its centre, pixel values sitting at pixel centres: the
    // picture keeps its place.
    auto two = RedRamp({0, 100}, 1);
    auto wide = Blank24(4, 1);
    IKResampleInterpolated(two.get(), wide.get(), false, nullptr, {});
    EXPECT_EQ(Reds(*wide, 0), (std::vector<int32_t>{0, 25, 75, 100}));
    auto ramp = RedRamp({0, 40, 80, 120, 160}, 1);
    auto cubic = Blank24(10, 1);
    IKResampleInterpolated(ramp.get(), cubic.get(), true, nullptr, {});
    // The cubic with a = -1 sharpens: a straight ramp comes out with small alternating steps around it.
    EXPECT_EQ(Reds(*cubic, 0), (std::vector<int32_t>{0, 8, 24, 53, 66, 93, 106, 135, 151, 165}));
}

TEST(IKResample, CubicInterpolate) {
    EXPECT_DOUBLE_EQ(IKCubicInterpolate(10, 20, 30, 40, 0), 20);
    EXPECT_DOUBLE_EQ(IKCubicInterpolate(10, 20, 30, 40, 1), 30);
    EXPECT_DOUBLE_EQ(IKCubicInterpolate(10, 20, 30, 40, 0.5), 25);
    EXPECT_DOUBLE_EQ(IKCubicInterpolate(0, 255, 255, 0, 0.5), 255); // 318.75 limited
    EXPECT_DOUBLE_EQ(IKCubicInterpolate(255, 0, 0, 255, 0.5), 0);
}

TEST(IKResample, NegativeLobesAreClampedNotWrapped) {
    auto edge = RedRamp({0, 0, 0, 255, 255, 255}, 3);
    for (TResampleFilter f : {rfLanczos3, rfMitchell, rfBicubic}) {
        auto dst = Blank24(17, 3);
        IKResampleBitmap(edge.get(), dst.get(), f, nullptr, {});
        const std::vector<int32_t> reds = Reds(*dst, 1);
        EXPECT_EQ(reds.front(), 0) << int(f);
        EXPECT_EQ(reds.back(), 255) << int(f);
        for (size_t i = 1; i < reds.size(); ++i)
            EXPECT_LE(reds[i - 1], reds[i] + 40)
                << int(f) << " at " << i; // rising, ringing but no wrap-around
    }
}

TEST(IKResample, OnlyTwentyFourBitSourcesAndProgress) {
    auto gray = Make8(4, 4, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(9); });
    auto dst = Blank24(2, 2);
    dst->Fill(0x0000FF);
    IKResampleBitmap(gray.get(), dst.get(), rfTriangle, nullptr, {});
    EXPECT_EQ(Pixel24(*dst, 0, 0), Rgb(255, 0, 0));
    auto src = Make24(30, 20, PhotoLike);
    for (TResampleFilter f : {rfTriangle, rfFastLinear, rfBilinear}) {
        std::vector<int32_t> reports;
        auto out = Blank24(45, 10);
        IKResampleBitmap(src.get(), out.get(), f, nullptr,
                         [&](vcl::TObject*, int32_t p) { reports.push_back(p); });
        ASSERT_FALSE(reports.empty());
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end())) << int(f);
        EXPECT_GE(reports.back(), 95) << int(f);
        EXPECT_LE(reports.back(), 100) << int(f);
    }
}

TEST(IKResample, StretchNearestEveryFormat) {
    // Width 3 to 2 takes source columns 0 and 1; height 2 to 3 rows 0, 0, 1.
    auto check = [](TIKBitmap& src, const std::function<int32_t(TIKBitmap&, int32_t, int32_t)>& value) {
        TIKBitmap dst;
        dst.Allocate(2, 3, src.PixelFormat());
        IKStretchNearest(&src, &dst);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 2; ++x)
                EXPECT_EQ(value(dst, x, y), value(src, x, y < 2 ? 0 : 1)) << int(src.PixelFormat());
    };
    auto bits = Make1(3, 2, [](int32_t x, int32_t y) { return (x + y) % 2 == 1; });
    check(*bits, [](TIKBitmap& b, int32_t x, int32_t y) { return int32_t(Bit(b, x, y)); });
    for (TIKBitmapFormat f : {ikbf8Bit, ikbf8BitGray}) {
        auto b = Make8(3, 2, f, [](int32_t x, int32_t y) { return uint8_t(x * 10 + y); });
        check(*b, [](TIKBitmap& b, int32_t x, int32_t y) { return int32_t(b.ScanLine(y)[x]); });
    }
    auto g16 = Make16(3, 2, [](int32_t x, int32_t y) { return uint16_t(x * 1000 + y); });
    check(*g16, [](TIKBitmap& b, int32_t x, int32_t y) {
        return b.ScanLine(y)[2 * x] | b.ScanLine(y)[2 * x + 1] << 8;
    });
    auto c24 = Make24(3, 2, [](int32_t x, int32_t y) { return Rgb(uint8_t(x), uint8_t(y), 7); });
    check(*c24, [](TIKBitmap& b, int32_t x, int32_t y) { return int32_t(IKPackTriple(Pixel24(b, x, y))); });
}
