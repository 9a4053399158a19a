#include "gif/GifColorReduction.h"
#include "gif/GifDib.h"

#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace gif;

namespace {

struct Rgb8 {
    uint8_t R, G, B;
};

std::unique_ptr<vcl::TBitmap> Picture(int width, int height, const std::function<Rgb8(int, int)>& colour) {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    {
        TDIBWriter writer(bitmap.get(), vcl::pf24bit, width, height, nullptr);
        for (int y = 0; y < height; ++y) {
            uint8_t* row = writer.RowPointer(y);
            for (int x = 0; x < width; ++x) {
                Rgb8 c = colour(x, y);
                row[x * 3] = c.B;
                row[x * 3 + 1] = c.G;
                row[x * 3 + 2] = c.R;
            }
        }
    }
    return bitmap;
}

uint8_t IndexAt(vcl::TBitmap& bitmap, int x, int y) { return static_cast<uint8_t*>(bitmap.ScanLine(y))[x]; }

} // namespace

TEST(GifColorReduction, ArithmeticLookupsFollowTheirFormulas) {
    uint8_t r, g, b;
    TWebSafeColorLookup web;
    EXPECT_EQ(web.FindIndex(47, 48, 255, r, g, b), 11);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 51);
    EXPECT_EQ(b, 255);
    TMonochromeLookup mono;
    EXPECT_EQ(mono.FindIndex(128, 127, 127, r, g, b), 1); // just above the threshold 32512
    EXPECT_EQ(mono.FindIndex(127, 127, 127, r, g, b), 0); // exactly 32512
    TGrayScaleLookup gray;
    EXPECT_EQ(gray.FindIndex(255, 255, 255, r, g, b), 255);
    EXPECT_EQ(gray.FindIndex(255, 0, 0, r, g, b), 76);
    // The fast lookup: nearest by the sum of differences, the lowest index on a tie.
    win::HPALETTE palette = CreateSystemGray4Palette();
    TFastColorLookup fast(palette);
    EXPECT_EQ(fast.GetColorCount(), 4);
    EXPECT_EQ(fast.FindIndex(160, 160, 160, r, g, b), 1); // 32*3 from 128 and from 192: the first wins
    EXPECT_EQ(fast.FindIndex(250, 250, 250, r, g, b), 3);
    win::DeleteObject(palette);
    TFastColorLookup none(nullptr);
    EXPECT_EQ(none.GetColorCount(), 0);
}

TEST(GifColorReduction, EveryDithererKeepsAnExactColourAndCopesWithOnePixelRows) {
    for (int width : {1, 5})
        for (int dither = dtClosestColor; dither <= dtBurkes; ++dither) {
            auto source = Picture(width, 4, [](int, int) { return Rgb8{51, 102, 204}; });
            auto result = ReduceBitmapToPalette(source.get(), rdWebSafe216, TGifDitherMethod(dither), 8, nullptr);
            ASSERT_EQ(result->GetPixelFormat(), vcl::pf8bit);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(IndexAt(*result, x, y), 36 * 1 + 6 * 2 + 4) << "dither " << dither << " width " << width;
        }
}

TEST(GifColorReduction, ClosestColourIsThePerPixelLookupAndDitheringMixesEntries) {
    auto source = Picture(16, 16, [](int x, int y) { return Rgb8{uint8_t(x * 16), uint8_t(y * 16), 100}; });
    auto closest = ReduceBitmapToPalette(source.get(), rdWebSafe216, dtClosestColor, 8, nullptr);
    TWebSafeColorLookup web;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t r, g, b;
            ASSERT_EQ(IndexAt(*closest, x, y), web.FindIndex(uint8_t(x * 16), uint8_t(y * 16), 100, r, g, b));
        }
    // A flat grey between two entries comes out as a mix of both under Floyd-Steinberg, averaging near it.
    auto grey = Picture(32, 32, [](int, int) { return Rgb8{25, 25, 25}; });
    auto dithered = ReduceBitmapToPalette(grey.get(), rdBlackWhite, dtFloydSteinberg, 8, nullptr);
    int white = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            white += IndexAt(*dithered, x, y);
    EXPECT_NEAR(white / 1024.0 * 255, 25, 6);
}

TEST(GifColorReduction, MethodsPalettesAndEmptyResults) {
    auto source = Picture(3, 2, [](int x, int) { return Rgb8{uint8_t(x * 100), 0, 0}; });
    source->SetPixelFormat(vcl::pf32bit);
    auto copy = ReduceBitmapToPalette(source.get(), rdNone, dtClosestColor, 8, nullptr);
    EXPECT_EQ(copy->GetPixelFormat(), vcl::pf24bit);
    EXPECT_EQ(source->GetPixelFormat(), vcl::pf32bit); // rdNone leaves the source alone
    for (int m = rdSystem20; m <= rdOctreeWithSystem; ++m) {
        auto reduced = ReduceBitmapToPalette(source.get(), TGifReductionMethod(m), dtFloydSteinberg, 4, nullptr);
        EXPECT_EQ(reduced->GetPixelFormat(), vcl::pf8bit) << m;
        EXPECT_EQ(reduced->GetWidth(), 3) << m;
        EXPECT_EQ(source->GetPixelFormat(), vcl::pf24bit); // every other method converts the source
    }
    win::HPALETTE given = CreateBlackWhitePalette();
    auto withGiven = ReduceBitmapToPalette(source.get(), rdGivenPalette, dtClosestColor, 8, given);
    EXPECT_EQ(IndexAt(*withGiven, 2, 0), 0); // (200, 0, 0) is nearer black than white
    win::DeleteObject(given);
    EXPECT_TRUE(ReduceBitmapToPalette(source.get(), rdGivenPalette, dtClosestColor, 8, nullptr)->GetEmpty());
    EXPECT_TRUE(ReduceBitmapToPalette(source.get(), TGifReductionMethod(10), dtClosestColor, 8, nullptr)->GetEmpty());
    EXPECT_TRUE(ReduceBitmapToPalette(source.get(), rdWebSafe216, TGifDitherMethod(7), 8, nullptr)->GetEmpty());
}
