#include "imaging/io/PngFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOParams.h"

#include "IOTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <zlib.h>

using namespace imaging;

namespace {

struct TPngRead {
    TIKBitmap Bitmap;
    TIOParamsVals Params;
    std::unique_ptr<TIKMask> Mask;
    std::atomic<bool> Aborting{false};
    TIKProgressContext Progress{Aborting};
    std::vector<int32_t> Percents;

    // A parameters-only read leaves the mask alone, as the I/O component asks it.
    void Read(const std::vector<uint8_t>& bytes, TIKReadMode mode = ikrmImage) {
        Progress.OnProgress = [this](vcl::TObject*, int32_t p) { Percents.push_back(p); };
        auto s = iotest::StreamOf(bytes);
        DecodePngToBitmap(s.get(), &Bitmap, Params, Progress, mode, Mask,
                          mode == ikrmParamsOnly ? ikamIgnore : ikamKeep);
    }
    TIKColorTriple Pixel(int32_t x, int32_t y) {
        if (Bitmap.PixelFormat() == ikbf1Bit)
            return IKTestBit(Bitmap.ScanLine(y), x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
        const uint8_t* p = Bitmap.ScanLine(y) + x * 3;
        return {p[0], p[1], p[2]};
    }
};

// Colour and alpha against a reference PAM of pngtopam -alphapam.
void ExpectSameAsReference(TPngRead& r, const iotest::TPnm& ref) {
    ASSERT_EQ(r.Bitmap.Width(), ref.Width);
    ASSERT_EQ(r.Bitmap.Height(), ref.Height);
    const bool gray = ref.Channels <= 2;
    int32_t mismatches = 0;
    for (int32_t y = 0; y < ref.Height; ++y)
        for (int32_t x = 0; x < ref.Width; ++x) {
            const uint8_t* want = ref.At(x, y);
            TIKColorTriple got = r.Pixel(x, y);
            TIKColorTriple exp =
                gray ? TIKColorTriple{want[0], want[0], want[0]} : TIKColorTriple{want[2], want[1], want[0]};
            const int32_t alpha = ref.Channels == 2 || ref.Channels == 4 ? want[ref.Channels - 1] : 255;
            if (!(got == exp) || (r.Mask && r.Mask->GetPixel(x, y) != alpha))
                ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);
}

} // namespace

TEST(PngFilter, DecodesLikePngtopam) {
    struct Case {
        const char* Name;
        TIKBitmapFormat Format;
        int32_t Bits, Samples, MapCount, Interlaced;
        bool Full;
    };
    for (Case c :
         {Case{"rgba", ikbf24Bit, 8, 4, 0, 0, false}, Case{"rgba-interlaced", ikbf24Bit, 8, 4, 0, 1, false},
          Case{"gray1", ikbf1Bit, 1, 1, 0, 0, true}, Case{"redblue1", ikbf24Bit, 1, 1, 2, 0, true},
          Case{"palette4", ikbf24Bit, 4, 1, 16, 0, true},
          Case{"gray16-bkgd", ikbf24Bit, 16, 1, 0, 0, true}}) {
        SCOPED_TRACE(c.Name);
        TPngRead r;
        r.Read(iotest::ReadFixture(std::string("png-") + c.Name + ".png"));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(r.Params.BitsPerSample, c.Bits);
        EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples);
        EXPECT_EQ(r.Params.ColorMapCount(), c.MapCount);
        EXPECT_EQ(r.Params.PngInterlaced, c.Interlaced);
        ASSERT_TRUE(r.Mask);
        EXPECT_EQ(r.Mask->GetFull(), c.Full);
        ExpectSameAsReference(r,
                              iotest::ParsePnm(iotest::ReadFixture(std::string("png-") + c.Name + ".pam")));
        EXPECT_EQ(r.Percents.back(), 100);
        EXPECT_EQ(r.Params.DpiX, IKDefaultDpiX); // no pHYs
    }
}

TEST(PngFilter, InterlacedProgressCountsSevenPasses) {
    TPngRead r;
    r.Read(iotest::ReadFixture("png-rgba-interlaced.png"));
    EXPECT_EQ(r.Percents.size(), 13u * 7);
    EXPECT_LT(r.Percents[13 * 6 - 1], 100);
}

TEST(PngFilter, ParamsOnlyTakesBackgroundAndLeavesMask) {
    TPngRead r;
    r.Params.PngBackground = {1, 2, 3};
    r.Read(iotest::ReadFixture("png-gray16-bkgd.png"), ikrmParamsOnly);
    EXPECT_FALSE(r.Aborting);
    EXPECT_FALSE(r.Mask);
    EXPECT_EQ(r.Bitmap.Width(), 0);
    EXPECT_EQ(r.Params.Width, 21);
    // pnmtopng -background '#123456' on a gray image stores the gray level of that colour.
    EXPECT_EQ(r.Params.PngBackground.R, r.Params.PngBackground.B);
    EXPECT_NE(r.Params.PngBackground, (TIKColorTriple{1, 2, 3}));

    TPngRead full; // a full read never changes the background
    full.Params.PngBackground = {1, 2, 3};
    full.Read(iotest::ReadFixture("png-gray16-bkgd.png"));
    EXPECT_EQ(full.Params.PngBackground, (TIKColorTriple{1, 2, 3}));
}

TEST(PngFilter, WritesWhatReadsBack) {
    TIKBitmap bmp;
    bmp.Allocate(19, 7, ikbf24Bit);
    TIKMask mask;
    mask.Allocate(19, 7, 8);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 19; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = uint8_t(x * 10);
            p[1] = uint8_t(y * 30);
            p[2] = uint8_t((x + y) % 4 * 60);
            mask.ScanLine(y)[x] = uint8_t(x * 13);
        }
    for (uint8_t interlaced : {0, 1}) {
        TIOParamsVals w;
        w.PngInterlaced = interlaced;
        w.DpiX = 96;
        w.DpiY = 300;
        w.PngBackground = TIKColorTriple{50, 100, 200};
        vcl::TMemoryStream s;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToPng(&s, &bmp, w, progress, &mask);
        ASSERT_FALSE(aborting);
        auto bytes = iotest::BytesOf(s);
        TPngRead r;
        r.Read(bytes);
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.SamplesPerPixel, 4);
        EXPECT_EQ(r.Params.PngInterlaced, interlaced);
        EXPECT_EQ(r.Params.DpiX, 96);
        EXPECT_EQ(r.Params.DpiY, 300);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 19; ++x) {
                ASSERT_EQ(r.Pixel(x, y),
                          (TIKColorTriple{uint8_t(x * 10), uint8_t(y * 30), uint8_t((x + y) % 4 * 60)}));
                ASSERT_EQ(r.Mask->GetPixel(x, y), x * 13);
            }
        TPngRead p;
        p.Read(bytes, ikrmParamsOnly);
        EXPECT_EQ(p.Params.PngBackground, (TIKColorTriple{50, 100, 200}));
        // pHYs of 96 and 300 dpi: 3780 and 11811 per metre.
        const uint8_t phys[] = {'p', 'H', 'Y', 's', 0, 0, 0x0E, 0xC4, 0, 0, 0x2E, 0x23, 1};
        EXPECT_NE(std::search(bytes.begin(), bytes.end(), phys, phys + 13), bytes.end());
    }
}

TEST(PngFilter, WritesPalettesAndOneBitImages) {
    TIKBitmap bmp;
    bmp.Allocate(16, 4, ikbf24Bit);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = uint8_t(x * 16);
            p[1] = 0;
            p[2] = uint8_t(y * 80);
        }
    // Sixteen colours at 4 bits: a palette of 17 entries, entry 0 the background.
    {
        TIOParamsVals w;
        w.SamplesPerPixel = 1;
        w.BitsPerSample = 4;
        w.PngBackground = {9, 8, 7};
        vcl::TMemoryStream s;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToPng(&s, &bmp, w, progress, nullptr);
        TPngRead r;
        r.Read(iotest::BytesOf(s));
        ASSERT_FALSE(r.Aborting);
        ASSERT_EQ(r.Params.ColorMapCount(), 17);
        EXPECT_EQ(r.Params.ColorMap[0], (TIKColorTriple{9, 8, 7}));
        EXPECT_EQ(r.Params.BitsPerSample, 8);
    }
    // Two colours red and blue at one bit keep their colours; black and white stay one bit.
    for (bool redBlue : {true, false}) {
        TIKBitmap two;
        two.Allocate(9, 3, ikbf24Bit);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 9; ++x) {
                uint8_t* p = two.ScanLine(y) + x * 3;
                const bool on = (x + y) % 2 != 0;
                if (redBlue) {
                    p[0] = on ? 255 : 0;
                    p[2] = on ? 0 : 255;
                } else {
                    p[0] = p[1] = p[2] = on ? 255 : 0;
                }
            }
        TIOParamsVals w;
        w.BitsPerSample = 1;
        vcl::TMemoryStream s;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToPng(&s, &two, w, progress, nullptr);
        TPngRead r;
        r.Read(iotest::BytesOf(s));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.BitsPerSample, 1);
        EXPECT_EQ(r.Bitmap.PixelFormat(), redBlue ? ikbf24Bit : ikbf1Bit);
        EXPECT_EQ(r.Pixel(1, 0), redBlue ? (TIKColorTriple{255, 0, 0}) : (TIKColorTriple{255, 255, 255}));
        EXPECT_EQ(r.Pixel(0, 0), redBlue ? (TIKColorTriple{0, 0, 255}) : (TIKColorTriple{}));
    }
}

TEST(PngFilter, DamagedFilesSetAborting) {
    auto png = iotest::ReadFixture("png-rgba.png");
    // Not a PNG, a truncated one, one with a broken IHDR CRC.
    auto badCrc = png;
    badCrc[29] ^= 0xFF;
    for (const auto& bytes :
         {std::vector<uint8_t>{1, 2, 3}, std::vector<uint8_t>(png.begin(), png.begin() + 100), badCrc}) {
        TPngRead r;
        EXPECT_NO_THROW(r.Read(bytes));
        EXPECT_TRUE(r.Aborting);
    }
    std::srand(11);
    for (int n = 0; n < 80; ++n) {
        auto bad = png;
        bad[8 + size_t(std::rand()) % (bad.size() - 8)] = uint8_t(std::rand());
        TPngRead r;
        r.Read(bad);
    }
    auto s = iotest::StreamOf(png);
    EXPECT_TRUE(IsPngStream(s.get()));
    EXPECT_EQ(s->GetPosition(), 0);
}

TEST(PngFilter, ShortWriteSetsAbortingWithoutRaising) {
    TIKBitmap bmp;
    bmp.Allocate(40, 40, ikbf24Bit);
    iotest::TShortStream s(60);
    TIOParamsVals w;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EXPECT_NO_THROW(EncodeBitmapToPng(&s, &bmp, w, progress, nullptr));
    EXPECT_TRUE(aborting);
}

TEST(PngFilter, HeaderFarLargerThanItsDataIsRefused) {
    auto png = iotest::ReadFixture("png-rgba.png");
    // IHDR: 20000 x 20000, with its CRC made good again.
    for (int k : {16, 20}) {
        png[size_t(k) + 2] = 20000 >> 8;
        png[size_t(k) + 3] = 20000 & 255;
    }
    const uint32_t crc = uint32_t(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        png[size_t(29 + i)] = uint8_t(crc >> (24 - 8 * i));
    TPngRead r;
    r.Read(png);
    EXPECT_TRUE(r.Aborting);
    EXPECT_EQ(r.Bitmap.Width(), 0);
}
