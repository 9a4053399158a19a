#include "imaging/core/IKScaleMask.h"
#include "imaging/core/IKMask.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace imaging;
using namespace iktest;

namespace {

std::vector<int32_t> GrayColumn(TIKBitmap& b, int32_t x) {
    std::vector<int32_t> v;
    for (int32_t y = 0; y < b.Height(); ++y) {
        const TIKColorTriple c = Pixel24(b, x, y);
        EXPECT_TRUE(c.R == c.G && c.G == c.B);
        v.push_back(c.R);
    }
    return v;
}

std::vector<int32_t> GrayRow(TIKBitmap& b, int32_t y) {
    std::vector<int32_t> v;
    for (int32_t x = 0; x < b.Width(); ++x)
        v.push_back(Pixel24(b, x, y).R);
    return v;
}

} // namespace

TEST(IKScaleMask, BoxHalvingReadsOverlappingRows) {
    // Halving 8 rows: destination rows read rows 0..1, 1..3, 3..5 and 5..7.
    const struct {
        int32_t setRow;
        std::vector<int32_t> expected;
    } cases[] = {
        {0, {127, 0, 0, 0}}, {1, {127, 85, 0, 0}},       {3, {0, 85, 85, 0}},
        {7, {0, 0, 0, 85}},  {-1, {255, 255, 255, 255}},
    };
    for (const auto& c : cases) {
        auto src = Make1(1, 8, [&](int32_t, int32_t y) { return c.setRow < 0 || y == c.setRow; });
        auto dst = Blank24(1, 4);
        IKScaleBilevelBox(src.get(), 0, 0, dst.get(), 7, 0);
        EXPECT_EQ(GrayColumn(*dst, 0), c.expected) << c.setRow;
    }
    auto black = Make1(8, 8, [](int32_t, int32_t) { return false; });
    auto dst = Blank24(3, 3);
    dst->Fill(0xFFFFFF);
    IKScaleBilevelBox(black.get(), 0, 0, dst.get(), 7, 7);
    EXPECT_EQ(GrayRow(*dst, 1), (std::vector<int32_t>{0, 0, 0}));
}

TEST(IKScaleMask, BufferBoxMatchesTheBitmapForm) {
    auto src = Make1(13, 9, [](int32_t x, int32_t y) { return (x * x + y) % 5 < 2; });
    // The same rows stored bottom-up.
    const int32_t rowLength = src->RowLength();
    std::vector<uint8_t> data(size_t(rowLength) * 9);
    for (int32_t y = 0; y < 9; ++y)
        std::memcpy(data.data() + size_t(8 - y) * size_t(rowLength), src->ScanLine(y), size_t(rowLength));
    const int32_t x1 = 2, y1 = 1, x2 = 12, y2 = 7, dw = 4, dh = 3;
    auto dst = Blank24(dw, dh);
    IKScaleBilevelBox(src.get(), x1, y1, dst.get(), y2, x2);
    const std::vector<uint8_t> buffer = IKScaleBilevelBufferBox(data, 13, 9, dh, dw, y2, x2, y1, x1);
    const size_t outRow = size_t(IKRowLength(dw, 24));
    ASSERT_EQ(buffer.size(), outRow * dh);
    for (int32_t i = 0; i < dh; ++i)
        for (int32_t x = 0; x < dw; ++x)
            EXPECT_EQ(buffer[size_t(dh - 1 - i) * outRow + 3 * size_t(x)], Pixel24(*dst, x, i).R)
                << x << "," << i;
    EXPECT_TRUE(IKScaleBilevelBufferBox(data, 13, 9, 3, 0, y2, x2, y1, x1).empty());
    EXPECT_TRUE(IKScaleBilevelBufferBox(std::span<const uint8_t>(data).first(10), 13, 9, 3, 4, y2, x2, y1, x1)
                    .empty());
    // A region reaching past the source reads only inside it.
    auto wide = Blank24(4, 4);
    IKScaleBilevelBox(src.get(), 10, 6, wide.get(), 30, 40);
}

TEST(IKScaleMask, BilevelLinearAndFilteredToGray) {
    // Equal sizes give the 24-bit gray image, as every other size does.
    auto bits = Make1(5, 2, [](int32_t x, int32_t y) { return (x + y) % 2 == 0; });
    auto same = Blank24(5, 2);
    IKScaleBilevelLinear(bits.get(), same.get(), nullptr, {});
    EXPECT_EQ(same->PixelFormat(), ikbf24Bit);
    EXPECT_EQ(GrayRow(*same, 0), (std::vector<int32_t>{255, 0, 255, 0, 255}));
    EXPECT_EQ(GrayRow(*same, 1), (std::vector<int32_t>{0, 255, 0, 255, 0}));
    // Enlarging interpolates with 17-bit fractions.
    auto edge = Make1(2, 1, [](int32_t x, int32_t) { return x == 1; });
    auto wide = Blank24(4, 1);
    IKScaleBilevelLinear(edge.get(), wide.get(), nullptr, {});
    EXPECT_EQ(GrayRow(*wide, 0), (std::vector<int32_t>{0, 127, 255, 255}));
    // Shrinking both ways goes to the box average: pixel (1, 1) reads the 3 x 3 block from (1, 1), five bits
    // set.
    auto checker = Make1(8, 8, [](int32_t x, int32_t y) { return (x + y) % 2 == 0; });
    auto small = Blank24(4, 4);
    IKResampleBilevelToGray(checker.get(), small.get(), rfBilinear);
    EXPECT_EQ(Pixel24(*small, 1, 1).R, 5 * 255 / 9);
    // Kernel filters use 0 and 255 for the bits.
    auto corner = Make1(2, 2, [](int32_t x, int32_t) { return x == 1; });
    auto three = Blank24(3, 3);
    IKResampleBilevelToGray(corner.get(), three.get(), rfTriangle);
    EXPECT_EQ(GrayRow(*three, 1), (std::vector<int32_t>{0, 127, 255}));
}

TEST(IKScaleMask, MasksAndAlpha) {
    TIKMask source, dest;
    source.Allocate(4, 4, 8);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            source.ScanLine(y)[x] = uint8_t(x * 60);
    dest.Allocate(4, 4, 8);
    IKResampleMaskLinear(&source, &dest, nullptr, {});
    EXPECT_EQ(dest.ScanLine(2)[3], 180);
    dest.Allocate(2, 4, 8);
    IKResampleMask(&source, &dest, rfFastLinear);
    EXPECT_EQ(dest.ScanLine(0)[0], 60); // columns 0..2
    // A fully opaque alpha plane stays opaque with every filter.
    for (TResampleFilter f : {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest,
                              rfLinear, rfFastLinear, rfBilinear, rfBicubic}) {
        auto alpha = Make8(9, 7, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(255); });
        auto out = Make8(20, 3, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(0); });
        IKResampleAlpha(alpha.get(), out.get(), f);
        ASSERT_EQ(out->Width(), 20);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 20; ++x)
                ASSERT_EQ(out->ScanLine(y)[x], 255) << int(f);
    }
    // A 1 x 1 mask fills the destination.
    TIKMask one, big;
    one.Allocate(1, 1, 8);
    one.ScanLine(0)[0] = 77;
    big.Allocate(3, 2, 8);
    IKResampleMask(&one, &big, rfMitchell);
    EXPECT_EQ(big.ScanLine(1)[2], 77);
}
