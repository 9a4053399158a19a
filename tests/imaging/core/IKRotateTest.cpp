#include "imaging/core/IKRotate.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

using namespace imaging;
using namespace iktest;

namespace {

TIKColorTriple RotateColorAt(int32_t x, int32_t y) {
    return Rgb(uint8_t(x * 50 + 1), uint8_t(y * 70 + 2), uint8_t(x * 3 + y * 11));
}

// The expected source pixel of each destination pixel after a quarter or half turn of a w x h image.
using SourceOf = std::function<std::pair<int32_t, int32_t>(int32_t x, int32_t y, int32_t w, int32_t h)>;

void ExpectTurn(double angle, bool swapsSize, const SourceOf& sourceOf) {
    const int32_t w = 5, h = 3;
    auto b = Make24(w, h, RotateColorAt);
    IKRotateBitmap(b.get(), true, nullptr, angle, Rgb(1, 2, 3), {});
    ASSERT_EQ(b->Width(), swapsSize ? h : w) << angle;
    ASSERT_EQ(b->Height(), swapsSize ? w : h) << angle;
    for (int32_t y = 0; y < b->Height(); ++y)
        for (int32_t x = 0; x < b->Width(); ++x) {
            const auto [sx, sy] = sourceOf(x, y, w, h);
            ASSERT_EQ(Pixel24(*b, x, y), RotateColorAt(sx, sy)) << angle << " at " << x << "," << y;
        }
}

} // namespace

TEST(IKRotate, QuarterAndHalfTurnsAreExact) {
    // Counter-clockwise: dest(y, W-1-x) = source(x, y).
    const SourceOf ccw = [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - y, x}; };
    const SourceOf cw = [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{y, h - 1 - x}; };
    const SourceOf half = [](int32_t x, int32_t y, int32_t w, int32_t h) {
        return std::pair{w - 1 - x, h - 1 - y};
    };
    const SourceOf none = [](int32_t x, int32_t y, int32_t, int32_t) { return std::pair{x, y}; };
    ExpectTurn(90, true, ccw);
    ExpectTurn(450, true, ccw);
    ExpectTurn(-270, true, ccw);
    ExpectTurn(-90, true, cw);
    ExpectTurn(270, true, cw);
    ExpectTurn(180, false, half);
    ExpectTurn(-180, false, half);
    ExpectTurn(360, false, none);
    ExpectTurn(0, false, none);
}

TEST(IKRotate, ShearSizesAndBackground) {
    // 30 degrees on 100 x 50: a = tan 15, b = sin 30.
    for (bool antiAlias : {false, true}) {
        auto b = Make24(100, 50, [](int32_t, int32_t) { return Rgb(10, 200, 30); });
        IKRotateBitmap(b.get(), antiAlias, nullptr, 30, Rgb(255, 0, 255), {});
        EXPECT_EQ(b->Width(), 112);
        EXPECT_EQ(b->Height(), 94);
        EXPECT_EQ(Pixel24(*b, 0, 0), Rgb(255, 0, 255));
        EXPECT_EQ(Pixel24(*b, 56, 47), Rgb(10, 200, 30)); // the centre keeps the picture's colour
        if (!antiAlias) {
            std::set<uint32_t> colors;
            for (int32_t y = 0; y < b->Height(); ++y)
                for (int32_t x = 0; x < b->Width(); ++x)
                    colors.insert(IKPackTriple(Pixel24(*b, x, y)));
            EXPECT_EQ(colors,
                      (std::set<uint32_t>{IKPackTriple(Rgb(10, 200, 30)), IKPackTriple(Rgb(255, 0, 255))}));
        }
    }
    // Anti-aliasing keeps a uniform area uniform (odd levels included) and only blends at the border.
    auto odd = Make24(40, 40, [](int32_t, int32_t) { return Rgb(101, 33, 255); });
    IKRotateBitmap(odd.get(), true, nullptr, -20, Rgb(0, 0, 0), {});
    const int32_t cx = odd->Width() / 2, cy = odd->Height() / 2;
    for (int32_t y = cy - 10; y <= cy + 10; ++y)
        for (int32_t x = cx - 10; x <= cx + 10; ++x)
            ASSERT_EQ(Pixel24(*odd, x, y), Rgb(101, 33, 255)) << x << "," << y;
}

TEST(IKRotate, TurnsTheRightWayAndReportsProgress) {
    // A dot right of the centre goes up for a positive (counter-clockwise) angle.
    auto b = Make24(41, 41, [](int32_t x, int32_t y) {
        return x >= 34 && x <= 36 && y >= 19 && y <= 21 ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
    });
    std::vector<int32_t> reports;
    IKRotateBitmap(b.get(), false, nullptr, 30, Rgb(0, 0, 0),
                   [&](vcl::TObject*, int32_t p) { reports.push_back(p); });
    int32_t sumX = 0, sumY = 0, n = 0;
    for (int32_t y = 0; y < b->Height(); ++y)
        for (int32_t x = 0; x < b->Width(); ++x)
            if (Pixel24(*b, x, y).R == 255) {
                sumX += x;
                sumY += y;
                ++n;
            }
    ASSERT_GT(n, 0);
    const double dx = double(sumX) / n - (b->Width() - 1) / 2.0,
                 dy = double(sumY) / n - (b->Height() - 1) / 2.0;
    EXPECT_NEAR(dx, 15 * std::sqrt(3.0) / 2, 1.5);
    EXPECT_NEAR(dy, -15 * 0.5, 1.5);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LE(reports.back(), 100);
}

TEST(IKRotate, Bilevel) {
    auto pattern = [](int32_t x, int32_t y) { return (x * 3 + y * 5) % 7 < 3; };
    const int32_t w = 11, h = 6;
    struct Case {
        double angle;
        bool swaps;
        SourceOf sourceOf;
    } cases[] = {
        {90, true,
         [](int32_t x, int32_t y, int32_t w, int32_t) {
             return std::pair{w - 1 - y, x};
         }},
        {-90, true,
         [](int32_t x, int32_t y, int32_t, int32_t h) {
             return std::pair{y, h - 1 - x};
         }},
        {270, true,
         [](int32_t x, int32_t y, int32_t, int32_t h) {
             return std::pair{y, h - 1 - x};
         }},
        {180, false,
         [](int32_t x, int32_t y, int32_t w, int32_t h) {
             return std::pair{w - 1 - x, h - 1 - y};
         }},
    };
    for (const Case& c : cases) {
        auto b = Make1(w, h, pattern);
        IKRotateBitmap(b.get(), false, nullptr, c.angle, Rgb(0, 0, 0), {});
        ASSERT_EQ(b->PixelFormat(), ikbf1Bit);
        ASSERT_EQ(b->Width(), c.swaps ? h : w);
        for (int32_t y = 0; y < b->Height(); ++y)
            for (int32_t x = 0; x < b->Width(); ++x) {
                const auto [sx, sy] = c.sourceOf(x, y, w, h);
                ASSERT_EQ(Bit(*b, x, y), pattern(sx, sy)) << c.angle << " at " << x << "," << y;
            }
    }
    // 45 degrees: the corners lie outside the picture and take the background bit.
    for (bool white : {true, false}) {
        auto b = Make1(20, 20, [=](int32_t, int32_t) { return !white; });
        IKRotateBitmap(b.get(), false, nullptr, 45, white ? Rgb(255, 255, 255) : Rgb(0, 0, 0), {});
        EXPECT_EQ(b->Width(), 28);
        EXPECT_EQ(Bit(*b, 0, 0), white);
        EXPECT_EQ(Bit(*b, 27, 27), white);
        EXPECT_EQ(Bit(*b, 14, 14), !white);
    }
    // A background with a zero byte counts as black.
    auto b = Make1(20, 20, [](int32_t, int32_t) { return false; });
    IKRotateBitmap(b.get(), false, nullptr, 45, Rgb(255, 0, 255), {});
    EXPECT_FALSE(Bit(*b, 0, 0));
    // Other formats are left as they are.
    auto gray = Make8(3, 2, ikbf8BitGray, [](int32_t x, int32_t) { return uint8_t(x); });
    IKRotateBitmap(gray.get(), false, nullptr, 90, Rgb(0, 0, 0), {});
    EXPECT_EQ(gray->Width(), 3);
}
