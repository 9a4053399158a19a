#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKResample.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/WinTypes.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imaging;
using namespace iktest;

namespace {

// A pf24bit back buffer filled with one colour.
std::unique_ptr<vcl::TBitmap> BackBuffer(int32_t w, int32_t h, TIKColorTriple fill) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(static_cast<uint8_t*>(b->ScanLine(y)) + 3 * x, &fill, 3);
    return b;
}

TIKColorTriple At(vcl::TBitmap& b, int32_t x, int32_t y) {
    const uint8_t* p = static_cast<const uint8_t*>(b.ScanLine(y)) + 3 * x;
    return TIKColorTriple{p[0], p[1], p[2]};
}

void Render(TIKBitmap& image, vcl::TBitmap& dest, TResampleFilter filter, int32_t transparency, bool reuse,
            bool useAlpha, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const win::TRect* clip = nullptr) {
    image.RenderToTBitmap(&dest, nullptr, filter, transparency, reuse, useAlpha, 0, 0, image.Width(),
                          image.Height(), dx, dy, dw, dh, clip, nullptr, nullptr);
}

} // namespace

TEST(IKRender, ZoomedOpaqueRowsAreReused) {
    auto image = Make24(3, 3, [](int32_t x, int32_t y) { return Rgb(uint8_t(x * 80), uint8_t(y * 80), 9); });
    auto dest = BackBuffer(8, 8, Rgb(1, 1, 1));
    Render(*image, *dest, rfNone, 255, true, false, 1, 1, 6, 6);
    for (int32_t y = 1; y < 7; ++y)
        for (int32_t x = 1; x < 7; ++x)
            ASSERT_EQ(At(*dest, x, y), Pixel24(*image, (x - 1) / 2, (y - 1) / 2)) << x << "," << y;
    for (int32_t y = 2; y < 7; y += 2)
        EXPECT_EQ(std::memcmp(dest->ScanLine(y), dest->ScanLine(y - 1), 24), 0);
    EXPECT_EQ(At(*dest, 0, 0), Rgb(1, 1, 1));
    EXPECT_EQ(At(*dest, 7, 7), Rgb(1, 1, 1));
}

TEST(IKRender, TransparencyAndAlpha) {
    auto image = Make24(4, 2, [](int32_t, int32_t) { return Rgb(200, 200, 200); });
    auto dest = BackBuffer(4, 2, Rgb(100, 100, 100));
    Render(*image, *dest, rfNone, 128, false, false, 0, 0, 4, 2);
    EXPECT_EQ(At(*dest, 2, 1), Rgb(150, 150, 150));

    // Per-pixel alpha: transparent pixels leave the buffer, opaque ones replace it.
    TIKBitmap* alpha = image->GetAlphaChannel();
    alpha->ScanLine(0)[0] = 0;
    alpha->ScanLine(0)[1] = 128;
    alpha->SetFull(false);
    auto dest2 = BackBuffer(4, 2, Rgb(100, 100, 100));
    Render(*image, *dest2, rfNone, 255, false, true, 0, 0, 4, 2);
    EXPECT_EQ(At(*dest2, 0, 0), Rgb(100, 100, 100));
    EXPECT_EQ(At(*dest2, 1, 0), Rgb(150, 150, 150));
    EXPECT_EQ(At(*dest2, 2, 0), Rgb(200, 200, 200));
    // The lower of transparency and alpha counts.
    auto dest3 = BackBuffer(4, 2, Rgb(100, 100, 100));
    Render(*image, *dest3, rfNone, 64, false, true, 0, 0, 4, 2);
    EXPECT_EQ(At(*dest3, 2, 0), Rgb(125, 125, 125));
    // A channel marked Full is not read: drawn opaque.
    alpha->SetFull(true);
    auto dest4 = BackBuffer(4, 2, Rgb(100, 100, 100));
    Render(*image, *dest4, rfNone, 255, false, true, 0, 0, 4, 2);
    EXPECT_EQ(At(*dest4, 0, 0), Rgb(200, 200, 200));
    // Without UseAlpha the channel is ignored.
    alpha->SetFull(false);
    auto dest5 = BackBuffer(4, 2, Rgb(100, 100, 100));
    Render(*image, *dest5, rfNone, 255, false, false, 0, 0, 4, 2);
    EXPECT_EQ(At(*dest5, 0, 0), Rgb(200, 200, 200));
}

TEST(IKRender, BilevelImages) {
    auto bits = Make1(10, 2, [](int32_t x, int32_t) { return x % 3 == 0; });
    auto dest = BackBuffer(10, 2, Rgb(100, 50, 25));
    Render(*bits, *dest, rfNone, 255, false, false, 0, 0, 10, 2);
    EXPECT_EQ(At(*dest, 0, 0), Rgb(255, 255, 255));
    EXPECT_EQ(At(*dest, 1, 1), Rgb(0, 0, 0));
    auto half = BackBuffer(10, 2, Rgb(100, 50, 25));
    Render(*bits, *half, rfNone, 128, false, false, 0, 0, 10, 2);
    EXPECT_EQ(At(*half, 3, 0), Rgb(177, 152, 140)); // toward white by half, rounded down
    EXPECT_EQ(At(*half, 4, 0), Rgb(50, 25, 12));    // toward black
    // Shrunk horizontally with a filter: gray levels by box averaging.
    auto stripes = Make1(8, 2, [](int32_t x, int32_t) { return x % 2 == 0; });
    auto small = BackBuffer(4, 1, Rgb(9, 9, 9));
    Render(*stripes, *small, rfTriangle, 255, false, false, 0, 0, 4, 1);
    const TIKColorTriple g = At(*small, 1, 0);
    EXPECT_EQ(g.R, g.G);
    EXPECT_GT(g.R, 60);
    EXPECT_LT(g.R, 200);
}

TEST(IKRender, ResamplingPathAndOtherFormats) {
    auto image = Make24(5, 4, PhotoLike);
    auto dest = BackBuffer(9, 7, Rgb(0, 0, 0));
    Render(*image, *dest, rfBilinear, 255, false, false, 0, 0, 9, 7);
    TIKBitmap expected;
    expected.Allocate(9, 7, ikbf24Bit);
    IKResampleBitmap(image.get(), &expected, rfBilinear, nullptr, {});
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x)
            ASSERT_EQ(At(*dest, x, y), Pixel24(expected, x, y));
    // 8-bit gray: nothing drawn without resampling; resampled, it is drawn in its grays.
    auto gray = Make8(4, 4, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(70); });
    auto plain = BackBuffer(4, 4, Rgb(5, 5, 5));
    Render(*gray, *plain, rfNone, 255, false, false, 0, 0, 8, 8);
    Render(*gray, *plain, rfTriangle, 255, false, false, 0, 0, 4, 4);
    EXPECT_EQ(At(*plain, 1, 1), Rgb(5, 5, 5));
    auto zoomed = BackBuffer(8, 8, Rgb(5, 5, 5));
    Render(*gray, *zoomed, rfTriangle, 255, false, false, 0, 0, 8, 8);
    EXPECT_EQ(At(*zoomed, 3, 3), Rgb(70, 70, 70));
}

TEST(IKRender, ClipSourceRectangleAndIndexTables) {
    auto image = Make24(6, 6, [](int32_t x, int32_t y) { return Rgb(uint8_t(x * 40), uint8_t(y * 40), 1); });
    // Clip.right left of DestX: nothing written.
    auto dest = BackBuffer(6, 6, Rgb(3, 3, 3));
    const win::TRect left{0, 0, 1, 5};
    Render(*image, *dest, rfNone, 255, false, false, 2, 0, 4, 6, &left);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x)
            ASSERT_EQ(At(*dest, x, y), Rgb(3, 3, 3));
    // A clip inside the destination; the source rectangle starts at (2, 1).
    const win::TRect inner{1, 1, 2, 2};
    image->RenderToTBitmap(dest.get(), nullptr, rfNone, 255, false, false, 2, 1, 3, 3, 0, 0, 3, 3, &inner,
                           nullptr, nullptr);
    EXPECT_EQ(At(*dest, 1, 1), Pixel24(*image, 3, 2));
    EXPECT_EQ(At(*dest, 2, 2), Pixel24(*image, 4, 3));
    EXPECT_EQ(At(*dest, 0, 0), Rgb(3, 3, 3));
    EXPECT_EQ(At(*dest, 3, 1), Rgb(3, 3, 3));
    // Index tables given by the caller choose the source of each row and column; outside the image nothing.
    const int32_t rows[2] = {5, 0}, cols[3] = {1, 99, 0};
    auto tables = BackBuffer(3, 2, Rgb(3, 3, 3));
    image->RenderToTBitmap(tables.get(), nullptr, rfNone, 255, false, false, 0, 0, 6, 6, 0, 0, 3, 2, nullptr,
                           rows, cols);
    EXPECT_EQ(At(*tables, 0, 0), Pixel24(*image, 1, 5));
    EXPECT_EQ(At(*tables, 1, 0), Rgb(3, 3, 3));
    EXPECT_EQ(At(*tables, 2, 1), Pixel24(*image, 0, 0));
    // A destination larger than the buffer is cut at its edges.
    auto edge = BackBuffer(4, 4, Rgb(3, 3, 3));
    Render(*image, *edge, rfNone, 255, false, false, 2, 2, 12, 12);
    EXPECT_EQ(At(*edge, 3, 3), Pixel24(*image, 0, 0));
}
