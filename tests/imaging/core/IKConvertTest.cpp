#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKColorReduce.h"
#include "platform/vcl/Bitmap.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

using namespace imaging;
using namespace iktest;

namespace {

const TIKBitmapFormat ConvertFormats[] = {ikbf1Bit, ikbf8Bit, ikbf8BitGray, ikbf16BitGray, ikbf24Bit};

// Pixels 0 and 1 are black and white in every format; pixel 2 is a mid value where the format has one:
// colour (200, 100, 50), gray 117, 16-bit gray 30067.
std::unique_ptr<TIKBitmap> ConvertSample(TIKBitmapFormat f) {
    switch (f) {
    case ikbf1Bit:
        return Make1(3, 2, [](int32_t x, int32_t) { return x == 1; });
    case ikbf8Bit: {
        auto b = Make8(3, 2, ikbf8Bit, [](int32_t x, int32_t) { return uint8_t(x + 5); });
        b->Palette()[5] = Rgb(0, 0, 0);
        b->Palette()[6] = Rgb(255, 255, 255);
        b->Palette()[7] = Rgb(200, 100, 50);
        return b;
    }
    case ikbf8BitGray:
        return Make8(3, 2, ikbf8BitGray, [](int32_t x, int32_t) {
            return uint8_t(x == 0 ? 0 : x == 1 ? 255 : 117);
        });
    case ikbf16BitGray:
        return Make16(3, 2, [](int32_t x, int32_t) { return uint16_t(x == 0 ? 0 : x == 1 ? 65535 : 30067); });
    default:
        return Make24(3, 2, [](int32_t x, int32_t) {
            return x == 0 ? Rgb(0, 0, 0) : x == 1 ? Rgb(255, 255, 255) : Rgb(200, 100, 50);
        });
    }
}

uint16_t Level16(TIKBitmap& b, int32_t x, int32_t y) {
    return uint16_t(b.ScanLine(y)[2 * x] | b.ScanLine(y)[2 * x + 1] << 8);
}

} // namespace

TEST(IKConvert, EveryPairKeepsBlackAndWhite) {
    for (uint8_t method : {0, 1})
        for (TIKBitmapFormat from : ConvertFormats)
            for (TIKBitmapFormat to : ConvertFormats) {
                if (from == to)
                    continue;
                SCOPED_TRACE(testing::Message()
                             << int(from) << " -> " << int(to) << " method " << int(method));
                auto b = ConvertSample(from);
                b->SetBilevelMethod(method);
                b->SetPixelFormat(to);
                ASSERT_EQ(b->PixelFormat(), to);
                ASSERT_EQ(b->Width(), 3);
                ASSERT_EQ(b->Height(), 2);
                for (int32_t y = 0; y < 2; ++y) {
                    EXPECT_EQ(b->PixelColor(0, y), Rgb(0, 0, 0));
                    EXPECT_EQ(b->PixelColor(1, y), Rgb(255, 255, 255));
                }
                if (from != ikbf1Bit && to != ikbf1Bit) {
                    // The mid value: its colour where both formats hold colour, else its gray.
                    const bool colour =
                        (from == ikbf8Bit || from == ikbf24Bit) && (to == ikbf8Bit || to == ikbf24Bit);
                    EXPECT_EQ(b->PixelColor(2, 0), colour ? Rgb(200, 100, 50) : Rgb(117, 117, 117));
                }
            }
}

TEST(IKConvert, LevelsBetweenGrayDepths) {
    struct Case {
        TIKBitmapFormat from, to;
        uint16_t expected0, expected1, expected2;
    } cases[] = {
        {ikbf24Bit, ikbf16BitGray, 0, 65280, 30067},        {ikbf8Bit, ikbf16BitGray, 0, 65280, 30067},
        {ikbf8BitGray, ikbf16BitGray, 0, 65280, 117 * 256}, {ikbf1Bit, ikbf16BitGray, 0, 65535, 0},
        {ikbf16BitGray, ikbf8BitGray, 0, 255, 117},         {ikbf24Bit, ikbf8BitGray, 0, 255, 117},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.from) << " -> " << int(c.to));
        auto b = ConvertSample(c.from);
        b->ConvertTo(c.to);
        auto level = [&](int32_t x) { return c.to == ikbf16BitGray ? Level16(*b, x, 1) : b->ScanLine(1)[x]; };
        EXPECT_EQ(level(0), c.expected0);
        EXPECT_EQ(level(1), c.expected1);
        EXPECT_EQ(level(2), c.expected2);
    }
    auto g = Make8(1, 1, ikbf8BitGray, [](int32_t, int32_t) { return uint8_t(128); });
    g->ConvertTo(ikbf16BitGray);
    EXPECT_EQ(Level16(*g, 0, 0), 32768);
}

TEST(IKConvert, PalettedTargets) {
    // 8-bit gray: rows unchanged under a gray ramp; 16-bit gray: the high byte; one bit: black and white.
    auto gray = ConvertSample(ikbf8BitGray);
    gray->ConvertTo(ikbf8Bit);
    EXPECT_EQ(gray->ScanLine(0)[2], 117);
    EXPECT_EQ(gray->PaletteEntry(200), Rgb(200, 200, 200));
    auto g16 = ConvertSample(ikbf16BitGray);
    g16->ConvertTo(ikbf8Bit);
    EXPECT_EQ(g16->ScanLine(0)[2], 30067 >> 8);
    auto bits = ConvertSample(ikbf1Bit);
    bits->ConvertTo(ikbf8Bit);
    EXPECT_EQ(bits->ScanLine(0)[1], 1);
    EXPECT_EQ(bits->PaletteEntry(0), Rgb(0, 0, 0));
    EXPECT_EQ(bits->PaletteEntry(1), Rgb(255, 255, 255));
    // 24-bit with more than 256 colours: quantized, every pixel close to its colour.
    auto photo = Make24(40, 30, PhotoLike);
    TIKBitmap original;
    original.CopyImage(photo.get());
    photo->ConvertTo(ikbf8Bit);
    double error = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const TIKColorTriple a = original.PixelColor(x, y), b = photo->PixelColor(x, y);
            error += std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B);
        }
    EXPECT_LT(error / (3 * 40 * 30), 12.0);
}

TEST(IKConvert, OrderedDitherKeepsWhiteWhite) {
    for (TIKBitmapFormat from : {ikbf8Bit, ikbf8BitGray, ikbf16BitGray, ikbf24Bit}) {
        SCOPED_TRACE(int(from));
        for (int32_t level : {0, 1}) {
            std::unique_ptr<TIKBitmap> b;
            if (from == ikbf16BitGray)
                b = Make16(8, 8, [=](int32_t, int32_t) { return uint16_t(level ? 65535 : 0); });
            else if (from == ikbf24Bit)
                b = Make24(8, 8, [=](int32_t, int32_t) { return level ? Rgb(255, 255, 255) : Rgb(0, 0, 0); });
            else
                b = Make8(8, 8, from, [=](int32_t, int32_t) { return uint8_t(level ? 255 : 0); });
            if (from == ikbf8Bit)
                b->Palette()[255] = Rgb(255, 255, 255);
            b->SetBilevelMethod(0);
            b->ConvertTo(ikbf1Bit);
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 8; ++x)
                    ASSERT_EQ(Bit(*b, x, y), level == 1) << x << "," << y;
        }
    }
    // Mid gray (16-bit 32896 = 128 x 257) is half set.
    auto mid = Make16(8, 8, [](int32_t, int32_t) { return uint16_t(128 * 257); });
    mid->SetBilevelMethod(0);
    mid->ConvertTo(ikbf1Bit);
    int32_t set = 0;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            set += Bit(*mid, x, y);
    EXPECT_EQ(set, 32);
}

TEST(IKConvert, SameFormatKeepsEverythingOtherFormatsDropAlpha) {
    auto b = ConvertSample(ikbf24Bit);
    b->GetAlphaChannel()->Fill(7);
    b->SetPixelFormat(ikbf24Bit);
    b->ConvertTo(ikbf24Bit);
    ASSERT_TRUE(b->HasAlphaChannel());
    EXPECT_EQ(b->GetAlphaChannel()->ScanLine(0)[0], 7);
    EXPECT_EQ(b->PixelColor(2, 0), Rgb(200, 100, 50));
    b->SetPixelFormat(ikbf8BitGray);
    EXPECT_FALSE(b->HasAlphaChannel());
    // An empty image takes the format without pixels.
    TIKBitmap empty;
    empty.ConvertTo(ikbf24Bit);
    EXPECT_EQ(empty.PixelFormat(), ikbf24Bit);
    EXPECT_EQ(empty.Width(), 0);
}

TEST(IKConvert, GuiStorageMatchesItsBitmap) {
    for (TIKBitmapFormat to : {ikbf1Bit, ikbf8Bit, ikbf8BitGray, ikbf16BitGray}) {
        SCOPED_TRACE(int(to));
        auto b = ConvertSample(ikbf24Bit);
        b->SetStorageKind(ikbsGuiBitmap);
        ASSERT_EQ(b->GetStorage(), ikbsGuiBitmap);
        b->ConvertTo(to);
        // GUI bitmaps hold 16-bit gray as 8 bits: the reported format follows the bitmap's layout.
        const TIKBitmapFormat expected = to == ikbf16BitGray ? ikbf8BitGray : to;
        EXPECT_EQ(b->PixelFormat(), expected);
        ASSERT_NE(b->GetTBitmap(), nullptr);
        EXPECT_EQ(b->GetTBitmap()->GetPixelFormat(), to == ikbf1Bit ? vcl::pf1bit : vcl::pf8bit);
        EXPECT_EQ(b->RowLength(), int32_t(IKRowLength(3, IKFormatBits(expected))));
        EXPECT_EQ(b->PixelColor(0, 1), Rgb(0, 0, 0));
        EXPECT_EQ(b->PixelColor(1, 1), Rgb(255, 255, 255));
        b->ConvertTo(ikbf24Bit);
        EXPECT_EQ(b->GetTBitmap()->GetPixelFormat(), vcl::pf24bit);
        EXPECT_EQ(b->PixelColor(1, 0), Rgb(255, 255, 255));
    }
    // An attached bitmap stays the caller's and is converted in place.
    vcl::TBitmap own;
    own.SetPixelFormat(vcl::pf24bit);
    own.SetSize(4, 4);
    TIKBitmap b;
    b.AttachTBitmap(&own, true);
    b.Fill(0xFFFFFF);
    b.ConvertTo(ikbf1Bit);
    EXPECT_EQ(b.GetTBitmap(), &own);
    EXPECT_EQ(own.GetPixelFormat(), vcl::pf1bit);
    EXPECT_TRUE(Bit(b, 3, 3));
}
