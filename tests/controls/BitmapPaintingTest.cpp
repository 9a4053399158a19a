#include "controls/FcGraphics.h"

#include "ControlsTestSupport.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

using namespace controls;
using fctest::Channel;
using fctest::Surface;
using win::COLORREF;

namespace {

// The colours of n pixels counted from the far end of a run: each channel starts at the start colour times
// 65536 and grows by (end - start) * 65536 / n, truncated; a band starts at a pixel, takes its colour and
// goes on while the colour stays or while it is narrower than s.
std::vector<COLORREF> ExpectedRun(COLORREF start, COLORREF end, int n, int s) {
    std::vector<COLORREF> raw(static_cast<size_t>(n)), out(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        COLORREF c = 0;
        for (int i = 0; i < 3; ++i) {
            long long inc = (static_cast<long long>(Channel(end, i) - Channel(start, i)) * 65536) / n;
            c |= COLORREF(((static_cast<long long>(Channel(start, i)) * 65536 + k * inc) >> 16) & 0xFF) << (8 * i);
        }
        raw[size_t(k)] = c;
    }
    int first = 0;
    for (int k = 0; k < n; ++k) {
        if (raw[size_t(k)] != raw[size_t(first)] && k - first >= s)
            first = k;
        out[size_t(k)] = raw[size_t(first)];
    }
    return out;
}

constexpr COLORREF Black = 0x000000, White = 0xFFFFFF;

class BitmapPaintingTest : public ::testing::Test {
protected:
    void SetUp() override { FStart = fctest::GdiCounts(); }
    void TearDown() override { EXPECT_EQ(fctest::GdiCounts(), FStart); }
    headless::HeadlessScreen FScreen;
    std::array<int, int(win::GdiKind::gkCount)> FStart{};
};

TEST_F(BitmapPaintingTest, EqualColoursFillFlat) {
    for (uint8_t direction = 0; direction <= gdRectangularBand; ++direction) {
        Surface s(30, 24);
        FillGradient(s.Canvas(), {3, 2, 23, 17}, direction, 0x3C78B4, 0x3C78B4, 1);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 30; ++x) {
                bool inside = x >= 3 && x < 23 && y >= 2 && y < 17;
                ASSERT_EQ(s.Pixel(x, y), inside ? COLORREF(0x3C78B4) : Surface::Sentinel)
                    << int(direction) << " at " << x << "," << y;
            }
    }
}

TEST_F(BitmapPaintingTest, LinearGradientsFollowTheFixedPointRule) {
    struct Case {
        const char* Name;
        uint8_t Direction;
        int W, H;
        uint8_t Steps;
    };
    const Case cases[] = {
        {"vertical", gdVertical, 13, 40, 1},          {"vertical, tall", gdVertical, 5, 300, 1},
        {"horizontal", gdHorizontal, 40, 11, 1},      {"vertical split", gdVerticalFromMiddle, 9, 41, 1},
        {"horizontal split", gdHorizontalFromMiddle, 30, 7, 1},
        {"vertical, bands of 8", gdVertical, 10, 100, 8},
        {"horizontal, bands of 2", gdHorizontal, 300, 3, 255},
        {"vertical, bands of 29", gdVertical, 3, 255, 9},
        {"vertical, even split", gdVerticalFromMiddle, 4, 40, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Surface s(c.W + 4, c.H + 3);
        const COLORREF c1 = Black, c2 = White;
        FillGradient(s.Canvas(), {4, 3, 4 + c.W, 3 + c.H}, c.Direction, c1, c2, c.Steps);
        const bool vertical = c.Direction == gdVertical || c.Direction == gdVerticalFromMiddle;
        const int length = vertical ? c.H : c.W;
        const int band = GradientBandSize(c.Steps);
        // Expected colour at each position along the gradient.
        std::vector<COLORREF> along(static_cast<size_t>(length));
        if (c.Direction == gdVertical || c.Direction == gdHorizontal) {
            std::vector<COLORREF> run = ExpectedRun(c2, c1, length, band);
            for (int p = 0; p < length; ++p)
                along[size_t(p)] = run[size_t(length - 1 - p)];
            EXPECT_EQ(along[size_t(length - 1)], c2); // Color2 exactly at the far end
        } else {
            const int split = length / 2;
            std::vector<COLORREF> first = ExpectedRun(c2, c1, split + 1, band);
            for (int p = 0; p <= split; ++p)
                along[size_t(p)] = first[size_t(split - p)];
            std::vector<COLORREF> second = ExpectedRun(c1, c2, length - 1 - split, band);
            for (int p = split + 1; p < length; ++p)
                along[size_t(p)] = second[size_t(length - 1 - p)];
            EXPECT_EQ(along[size_t(split)], c2);
            EXPECT_EQ(along[size_t(length - 1)], c1);
        }
        // Short of Color1 at the start by one increment, or by a band's increments where bands merge.
        const int pixels = c.Direction == gdVertical || c.Direction == gdHorizontal ? length : length / 2 + 1;
        EXPECT_LE(Channel(along[0], 0), band * (255 / pixels + 1));
        if (length <= 255 && band == 1)
            EXPECT_NE(along[0], c1);
        int wrong = 0;
        for (int y = 0; y < c.H; ++y)
            for (int x = 0; x < c.W; ++x) {
                COLORREF want = along[size_t(vertical ? y : x)];
                if (s.Pixel(4 + x, 3 + y) != want && ++wrong <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << s.Pixel(4 + x, 3 + y)
                                  << ", expected " << want;
            }
        EXPECT_EQ(s.Pixel(3, 3), Surface::Sentinel);
        EXPECT_EQ(s.Pixel(4, 2), Surface::Sentinel);
        // Bands: every run of one colour but the last toward Color1 is at least the band size.
        int runLength = 1;
        for (int p = length - 2; p >= 0; --p) {
            if (along[size_t(p)] == along[size_t(p + 1)]) {
                ++runLength;
                continue;
            }
            if (c.Direction == gdVertical || c.Direction == gdHorizontal)
                EXPECT_GE(runLength, band) << "band ending at " << p + 1;
            runLength = 1;
        }
    }
}

// Grey level of a black-to-white picture.
int Grey(const Surface& s, int x, int y) { return Channel(s.Pixel(x, y), 0); }

TEST_F(BitmapPaintingTest, DiagonalGradientsRunFromCornerToCorner) {
    for (uint8_t direction : {gdDiagonalFromTopLeft, gdDiagonalFromTopRight}) {
        for (auto [w, h, steps] : {std::tuple{40, 30, 1}, {17, 50, 8}, {1, 9, 1}, {64, 2, 200}}) {
            SCOPED_TRACE(testing::Message() << int(direction) << " " << w << "x" << h << " steps " << steps);
            Surface s(w, h);
            FillGradient(s.Canvas(), {0, 0, w, h}, direction, Black, White, uint8_t(steps));
            const bool fromRight = direction == gdDiagonalFromTopRight;
            const int startX = fromRight ? w - 1 : 0, farX = fromRight ? 0 : w - 1;
            const int d = int(std::sqrt(double(w) * w + double(h) * h)) + 1;
            EXPECT_EQ(s.Pixel(farX, h - 1), White);
            EXPECT_LE(Grey(s, startX, 0), GradientBandSize(uint8_t(steps)) * (255 / d + 1));
            if (steps == 1)
                EXPECT_NE(s.Pixel(startX, 0), Black);
            // Lighter toward the far corner along both axes, the same along every anti-diagonal line.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int fx = fromRight ? w - 1 - x : x;
                    ASSERT_EQ(s.Pixel(x, y) & 0xFF, (s.Pixel(x, y) >> 8) & 0xFF); // grey
                    if (fx + 1 < w)
                        ASSERT_LE(Grey(s, x, y), Grey(s, fromRight ? x - 1 : x + 1, y)) << x << "," << y;
                    if (y + 1 < h)
                        ASSERT_LE(Grey(s, x, y), Grey(s, x, y + 1)) << x << "," << y;
                }
        }
    }
}

TEST_F(BitmapPaintingTest, RectangularGradientsRunFromTheCentreOutward) {
    for (uint8_t direction : {gdRectangularWideBand, gdRectangularHighBand, gdRectangular, gdRectangularBand}) {
        for (auto [w, h] : {std::pair{40, 30}, {41, 31}, {9, 60}, {1, 1}, {2, 5}}) {
            SCOPED_TRACE(testing::Message() << int(direction) << " " << w << "x" << h);
            Surface s(w, h);
            FillGradient(s.Canvas(), {0, 0, w, h}, direction, Black, White, 1);
            const int hw = (w - 1) / 2 + 1, hh = (h - 1) / 2 + 1;
            EXPECT_EQ(s.Pixel(hw - 1, hh - 1), White); // the centre
            // The corner: one step short of black, the steps counted outward from the centre band.
            const int bandW = direction == gdRectangularWideBand || direction == gdRectangularBand ? w / 4 : 0;
            const int bandH = direction == gdRectangularHighBand || direction == gdRectangularBand ? h / 4 : 0;
            const int steps = std::max({hw - 1 - bandW, hh - 1 - bandH, 0}) + 1;
            if (steps > 1) {
                EXPECT_LE(Grey(s, 0, 0), 255 / steps + 1);
                EXPECT_NE(s.Pixel(0, 0), Black);
            }
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    // Mirrored into all four quarters.
                    ASSERT_EQ(s.Pixel(x, y), s.Pixel(w - 1 - x, y)) << x << "," << y;
                    ASSERT_EQ(s.Pixel(x, y), s.Pixel(x, h - 1 - y)) << x << "," << y;
                    // Lighter toward the centre.
                    if (x + 1 < hw)
                        ASSERT_LE(Grey(s, x, y), Grey(s, x + 1, y)) << x << "," << y;
                    if (y + 1 < hh)
                        ASSERT_LE(Grey(s, x, y), Grey(s, x, y + 1)) << x << "," << y;
                }
            // The centre band: white across a quarter of the width on the middle row (wide band), a quarter
            // of the height in the middle column (high band).
            const int whiteAcross = [&] {
                int n = 0;
                for (int x = 0; x < w; ++x)
                    n += s.Pixel(x, hh - 1) == White;
                return n;
            }();
            const int whiteDown = [&] {
                int n = 0;
                for (int y = 0; y < h; ++y)
                    n += s.Pixel(hw - 1, y) == White;
                return n;
            }();
            if (direction == gdRectangularWideBand || direction == gdRectangularBand)
                EXPECT_GE(whiteAcross, w / 4);
            if (direction == gdRectangularHighBand || direction == gdRectangularBand)
                EXPECT_GE(whiteDown, h / 4);
            if (direction == gdRectangular && w > 8 && h > 8) {
                EXPECT_LE(whiteAcross, 2);
                EXPECT_LE(whiteDown, 2);
            }
        }
    }
}

TEST_F(BitmapPaintingTest, ReplicateAndMirrorBlits) {
    // An 8-column strip of distinct colours, 3 rows, copied to 20 x 10: 8 columns at x 8, 4 at x 16, and
    // the rows doubled downward first.
    Surface s(22, 12);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x)
            win::SetPixel(s.Dc(), x, y, win::RGB(x * 30, y * 70, 5));
    ReplicateBlit(s.Dc(), 0, 0, 20, 10, 8, 3, win::SRCCOPY);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 22; ++x) {
            COLORREF want = x < 20 && y < 10 ? win::RGB((x % 8) * 30, (y % 3) * 70, 5) : Surface::Sentinel;
            ASSERT_EQ(s.Pixel(x, y), want) << x << "," << y;
        }
    ReplicateBlit(s.Dc(), 0, 0, 20, 10, 0, 3, win::SRCCOPY); // nothing filled: nothing to double

    for (auto [w, h] : {std::pair{7, 5}, {8, 6}, {1, 4}, {6, 1}}) {
        Surface m(w, h);
        const int hw = (w - 1) / 2 + 1, hh = (h - 1) / 2 + 1;
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < hw; ++x)
                win::SetPixel(m.Dc(), x, y, win::RGB(x * 20, y * 20, 9));
        MirrorQuarterBlit(m.Dc(), 0, 0, w, h, win::SRCCOPY);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int qx = std::min(x, w - 1 - x), qy = std::min(y, h - 1 - y);
                ASSERT_EQ(m.Pixel(x, y), win::RGB(qx * 20, qy * 20, 9)) << w << "x" << h << " at " << x << "," << y;
            }
    }
}

TEST_F(BitmapPaintingTest, TransparentBitmapsLeaveKeyedPixelsAlone) {
    const COLORREF key = 0xFF00FF, green = 0x00A000;
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetPixelFormat(vcl::pf24bit);
    bitmap->SetSize(8, 6);
    auto glyph = [](int x, int y) -> COLORREF {
        if ((x + y) % 3 == 0)
            return 0xFF00FF; // the key
        return win::RGB(x * 30, y * 40, 200);
    };
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            bitmap->GetCanvas()->SetPixel(x, y, vcl::TColor(glyph(x, y)));
    {
        Surface s(12, 10, green);
        PaintTransparentBitmap(s.Canvas(), bitmap.get(), {30, 30, 38, 36}, {0, 0, 8, 6}, vcl::TColor(key));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) {
                COLORREF want = x < 8 && y < 6 && glyph(x, y) != key ? glyph(x, y) : green;
                ASSERT_EQ(s.Pixel(x, y), want) << x << "," << y;
            }
    }
    {
        // A part of the bitmap, stretched to twice its size.
        Surface s(12, 10, green);
        PaintTransparentBitmap(s.Canvas(), bitmap.get(), {0, 0, 8, 6}, {2, 1, 6, 4}, vcl::TColor(key));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                COLORREF src = glyph(2 + x / 2, 1 + y / 2);
                ASSERT_EQ(s.Pixel(x, y), src != key ? src : green) << x << "," << y;
            }
        EXPECT_EQ(s.Pixel(9, 7), green);
    }
}

// A parent that paints a checkerboard of one-pixel cells; its child sits at (5, 7).
class TCheckerParent : public vcl::TCustomControl {
public:
    explicit TCheckerParent(vcl::TComponent* owner) : vcl::TCustomControl(owner) {}
    static COLORREF Cell(int x, int y) { return (x + y) % 2 ? 0x2040C0 : 0xE0D0B0; }

protected:
    void Paint() override {
        for (int y = 0; y < GetClientHeight(); ++y)
            for (int x = 0; x < GetClientWidth(); ++x)
                GetCanvas()->SetPixel(x, y, vcl::TColor(Cell(x, y)));
    }
};

TEST_F(BitmapPaintingTest, AParentsImageUnderItsChild) {
    auto* form = new vcl::TForm(nullptr);
    form->SetBounds(0, 0, 100, 80);
    auto* parent = new TCheckerParent(form);
    parent->SetParent(form);
    parent->SetBounds(3, 3, 40, 30);
    auto* child = new vcl::TCustomControl(form);
    child->SetParent(parent);
    child->SetBounds(5, 7, 10, 8);
    {
        Surface s(12, 10);
        PaintParentImage(child, s.Dc(), true);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(s.Pixel(x, y), TCheckerParent::Cell(x + 5, y + 7)) << x << "," << y;
        // The DC is as it was.
        win::POINT origin{1, 1};
        win::GetViewportOrgEx(s.Dc(), &origin);
        EXPECT_EQ(origin.X, 0);
        EXPECT_EQ(origin.Y, 0);
    }
    {
        // Only the parent's client area: a child hanging over its right edge gets nothing there.
        child->SetBounds(35, 2, 10, 8);
        Surface s(10, 8);
        PaintParentImageOnCanvas(child, s.Canvas(), false);
        EXPECT_EQ(s.Pixel(4, 0), TCheckerParent::Cell(39, 2));
        EXPECT_EQ(s.Pixel(5, 0), Surface::Sentinel);
    }
    {
        auto* orphan = new vcl::TCustomControl(form);
        Surface s(6, 6);
        PaintParentImage(orphan, s.Dc(), true);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(s.Pixel(x, y), Surface::Sentinel);
    }
    delete form;
}

TEST_F(BitmapPaintingTest, EmptyAreasGetNothingAndNoBitmap) {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetSize(4, 4);
    const auto start = fctest::GdiCounts();
    Surface s(10, 10);
    const auto withSurface = fctest::GdiCounts();
    const win::TRect empties[] = {{2, 2, 2, 8}, {2, 2, 8, 2}, {8, 8, 2, 2}, {0, 5, 9, -3}};
    for (const win::TRect& e : empties) {
        for (uint8_t direction = 0; direction <= gdRectangularBand; ++direction)
            FillGradient(s.Canvas(), e, direction, Black, White, 1);
        PaintTransparentBitmap(s.Canvas(), bitmap.get(), e, {0, 0, 4, 4}, vcl::clWhite);
        PaintTransparentBitmap(s.Canvas(), bitmap.get(), {0, 0, 4, 4}, e, vcl::clWhite);
        EXPECT_EQ(fctest::GdiCounts(), withSurface);
    }
    FillLinearGradient(s.Dc(), 0, -1, 0, Black, White, 1);
    FillLinearGradient(s.Dc(), -1, 0, -5, Black, White, 1);
    FillRectangularGradient(s.Dc(), 0, 6, 0, 0, Black, White, 1);
    FillRectangularGradient(s.Dc(), 6, -1, 0, 0, Black, White, 1);
    FillDiagonalGradient(s.Dc(), 0, 6, Black, White, 1);
    FillDiagonalGradient(s.Dc(), 6, 0, Black, White, 1);
    ReplicateBlit(s.Dc(), 0, 0, 10, 10, 0, 0, win::SRCCOPY);
    MirrorQuarterBlit(s.Dc(), 0, 0, 0, 0, win::SRCCOPY);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(s.Pixel(x, y), Surface::Sentinel) << x << "," << y;
    (void)start;
}

TEST_F(BitmapPaintingTest, WorkBitmapsAreFreedWhenDrawingFails) {
    vcl::TCanvas bare; // no device context: drawing on it raises
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetSize(4, 4);
    bitmap->GetCanvas()->GetHandle(); // the bitmap's own DC, which lives as long as the bitmap
    const auto before = fctest::GdiCounts();
    EXPECT_THROW(FillGradient(&bare, {0, 0, 20, 20}, gdVertical, Black, White, 1), vcl::Exception);
    EXPECT_THROW(PaintTransparentBitmap(&bare, bitmap.get(), {0, 0, 4, 4}, {0, 0, 4, 4}, vcl::clWhite),
                 vcl::Exception);
    EXPECT_EQ(fctest::GdiCounts(), before);
}

TEST_F(BitmapPaintingTest, BandSizes) {
    const std::pair<int, int> cases[] = {{0, 1}, {1, 1}, {8, 8}, {9, 29}, {16, 16}, {100, 3}, {255, 2}};
    for (auto [steps, size] : cases)
        EXPECT_EQ(GradientBandSize(uint8_t(steps)), size) << steps;
}

} // namespace
