#include "imaging/core/ikutils.h"

#include "platform/vcl/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imaging;

namespace {

// A white 24-bit picture to draw on.
std::unique_ptr<vcl::TBitmap> DrawingWhite(int32_t w, int32_t h) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        std::memset(b->ScanLine(y), 255, size_t(w) * 3);
    return b;
}

int32_t Gray(vcl::TBitmap& b, int32_t x, int32_t y) {
    return static_cast<uint8_t*>(b.ScanLine(y))[3 * x];
}

} // namespace

TEST(IKDrawing, DropShadowsFadeOutward) {
    auto b = DrawingWhite(40, 40);
    vcl::TCanvas* canvas = b->GetCanvas();
    canvas->GetPen()->SetColor(0x123456);
    // A six-pixel strip right of an image whose right edge is at x = 9.
    IKDrawShadowRight(canvas, 10, 0, 15, 30, 2);
    const int32_t levels[] = {93, 110, 130, 154, 182, 215};
    for (int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(Gray(*b, 10 + k, 6), levels[k]) << k;
        EXPECT_EQ(Gray(*b, 10 + k, 5), 255) << k;               // starts six pixels down
        EXPECT_EQ(Gray(*b, 10 + k, 30 - 6 + k + 2), levels[k]); // last pixel of the slant
        EXPECT_EQ(Gray(*b, 10 + k, 30 - 6 + k + 3), 255);       // end excluded
    }
    EXPECT_EQ(canvas->GetPen()->GetColor(), 0x123456); // the pen is given back
    auto c = DrawingWhite(40, 40);
    IKDrawShadowBottom(c->GetCanvas(), 0, 10, 30, 15, 2);
    EXPECT_EQ(Gray(*c, 6, 10), 93);
    EXPECT_EQ(Gray(*c, 6, 15), 215);
    EXPECT_EQ(Gray(*c, 5, 10), 255);
    auto d = DrawingWhite(20, 20);
    IKDrawShadowRight(d->GetCanvas(), 10, 0, 15, 19, 1); // other modes draw nothing
    EXPECT_EQ(Gray(*d, 10, 8), 255);
}

TEST(IKDrawing, ThreeDFrame) {
    auto b = DrawingWhite(10, 10);
    IKDraw3DFrame(b->GetCanvas(), 1, 1, 6, 6, 0x808080, 0x000000);
    EXPECT_EQ(Gray(*b, 1, 5), 128);
    EXPECT_EQ(Gray(*b, 1, 6), 0); // both passes start at the bottom-left corner, the second wins
    EXPECT_EQ(Gray(*b, 1, 1), 128);
    EXPECT_EQ(Gray(*b, 5, 1), 128);
    EXPECT_EQ(Gray(*b, 6, 6), 0); // bottom edge up to the corner
    EXPECT_EQ(Gray(*b, 6, 2), 0); // right edge, its end at the top excluded
    EXPECT_EQ(Gray(*b, 6, 1), 255);
    EXPECT_EQ(Gray(*b, 3, 3), 255);
}

TEST(IKDrawing, MaskShownInvertedOutlinedAndDimmed) {
    TIKMask m;
    m.Allocate(8, 8, 1);
    const win::TPoint square[] = {{2, 2}, {5, 2}, {5, 5}, {2, 5}};
    m.FillPolygon(1, square, 4);
    auto b = DrawingWhite(8, 8);
    m.DrawInverted(b->GetCanvas(), 0, 0, 8, 8, 0, 0, 8, 8);
    EXPECT_EQ(Gray(*b, 2, 2), 0);
    EXPECT_EQ(Gray(*b, 4, 4), 0);
    EXPECT_EQ(Gray(*b, 5, 5), 255);
    EXPECT_EQ(Gray(*b, 1, 2), 255);
    // Only the lower half of the mask, stretched over the whole picture.
    auto half = DrawingWhite(8, 8);
    m.DrawInverted(half->GetCanvas(), 0, 0, 8, 8, 0, 4, 8, 4);
    EXPECT_EQ(Gray(*half, 2, 0), 0);
    EXPECT_EQ(Gray(*half, 2, 1), 0);
    EXPECT_EQ(Gray(*half, 2, 2), 255);

    auto o = DrawingWhite(8, 8);
    m.DrawOutline(o->GetCanvas(), 0, 0, 8, 8, 0, 0, 8, 8, 0, 0x000000, 0x000000);
    EXPECT_EQ(Gray(*o, 2, 2), 0);
    EXPECT_EQ(Gray(*o, 4, 2), 0);
    EXPECT_EQ(Gray(*o, 3, 3), 255); // inside the ring
    EXPECT_EQ(Gray(*o, 1, 1), 255);

    auto dim = std::make_unique<vcl::TBitmap>();
    dim->SetPixelFormat(vcl::pf24bit);
    dim->SetSize(8, 8);
    for (int32_t y = 0; y < 8; ++y)
        std::memset(dim->ScanLine(y), 0, 24);
    m.DimOutside(dim.get(), 0, 0, 8, 8, 0, 0, 8, 8);
    EXPECT_EQ(Gray(*dim, 0, 0), 255);
    EXPECT_EQ(Gray(*dim, 1, 0), 0);
    EXPECT_EQ(Gray(*dim, 2, 2), 0); // selected
    EXPECT_EQ(Gray(*dim, 6, 6), 255);
}

TEST(IKDrawing, CopyVclBitmapKeepsColours) {
    vcl::TBitmap source;
    source.SetPixelFormat(vcl::pf8bit);
    source.SetSize(3, 2);
    static_cast<uint8_t*>(source.ScanLine(1))[2] = 17;
    auto copy = IKCreateVclBitmapCopy(&source);
    EXPECT_EQ(copy->GetPixelFormat(), vcl::pf8bit);
    EXPECT_EQ(copy->GetWidth(), 3);
    EXPECT_EQ(static_cast<uint8_t*>(copy->ScanLine(1))[2], 17);
    EXPECT_EQ(copy->GetDibFormat().Colors, source.GetDibFormat().Colors);
    vcl::TBitmap empty, target;
    target.SetSize(5, 5);
    IKCopyVclBitmap(&empty, &target);
    EXPECT_EQ(target.GetWidth(), 1);
}
