#include "imaging/io/BmpFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOComponent.h"
#include "imaging/io/IOParams.h"

#include "IOTestUtil.h"
#include "platform/vcl/ImageBudget.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace imaging;

namespace {

struct TBmpRead {
    TIKBitmap Bitmap;
    TIOParamsVals Params;
    std::atomic<bool> Aborting{false};
    TIKProgressContext Progress{Aborting};

    void Read(const std::vector<uint8_t>& bytes, TIKReadMode mode = ikrmImage) {
        auto s = iotest::StreamOf(bytes);
        DecodeBmpToBitmap(s.get(), &Bitmap, 0, Params, Progress, mode);
    }
    TIKColorTriple Pixel(int32_t x, int32_t y) {
        if (Bitmap.PixelFormat() == ikbf1Bit)
            return IKTestBit(Bitmap.ScanLine(y), x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
        const uint8_t* p = Bitmap.ScanLine(y) + x * 3;
        return {p[0], p[1], p[2]};
    }
    int32_t MaxDifference(const iotest::TPnm& ref) {
        EXPECT_EQ(Bitmap.Width(), ref.Width);
        EXPECT_EQ(Bitmap.Height(), ref.Height);
        int32_t worst = 0;
        for (int32_t y = 0; y < std::min(ref.Height, Bitmap.Height()); ++y)
            for (int32_t x = 0; x < std::min(ref.Width, Bitmap.Width()); ++x) {
                const TIKColorTriple got = Pixel(x, y);
                const uint8_t* want = ref.At(x, y);
                worst = std::max(
                    {worst, std::abs(got.R - want[0]), std::abs(got.G - want[1]), std::abs(got.B - want[2])});
            }
        return worst;
    }
};

// A 40-byte-header BMP built by hand: header fields, palette and pixel bytes as given.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, int32_t bits, uint32_t compression,
                             const std::vector<TIKColorTriple>& palette, const std::vector<uint8_t>& pixels,
                             const std::vector<uint32_t>& masks = {}) {
    std::vector<uint8_t> b(54, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    b[26] = 1;
    b[28] = uint8_t(bits);
    put32(30, compression);
    put32(46, uint32_t(palette.size()));
    for (uint32_t m : masks)
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(m >> (8 * i)));
    for (const TIKColorTriple& c : palette)
        b.insert(b.end(), {c.B, c.G, c.R, 0});
    put32(10, uint32_t(b.size()));
    b.insert(b.end(), pixels.begin(), pixels.end());
    put32(2, uint32_t(b.size()));
    return b;
}

} // namespace

// bmptopnm scales five- and six-bit fields rounding down, at most 1 below their repeated bits.
TEST(BmpFilter, DecodesLikeBmptopnm) {
    struct Case {
        const char* Name;
        TIKBitmapFormat Format;
        int32_t Bits, Samples, Version, Tolerance;
    };
    for (Case c : {Case{"24", ikbf24Bit, 8, 3, 1, 0}, Case{"4", ikbf24Bit, 4, 1, 1, 0},
                   Case{"8", ikbf24Bit, 8, 1, 1, 0}, Case{"1", ikbf1Bit, 1, 1, 1, 0},
                   Case{"1-core", ikbf1Bit, 1, 1, 2, 0}, Case{"565", ikbf24Bit, 5, 3, 0, 1},
                   Case{"32-bitfields", ikbf24Bit, 8, 3, 0, 0}}) {
        SCOPED_TRACE(c.Name);
        TBmpRead r;
        r.Read(iotest::ReadFixture(std::string("bmp-") + c.Name + ".bmp"));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(r.Params.BitsPerSample, c.Bits);
        EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples);
        EXPECT_EQ(r.Params.BmpVersion, c.Version);
        EXPECT_LE(
            r.MaxDifference(iotest::ParsePnm(iotest::ReadFixture(std::string("bmp-") + c.Name + ".ppm"))),
            c.Tolerance);
    }
}

TEST(BmpFilter, TwoColourTablesKeepTheirColours) {
    // One row of 8 pixels: bits 1010 0000.
    const std::vector<uint8_t> bits = {0xA0, 0, 0, 0};
    struct Case {
        TIKColorTriple C0, C1;
        TIKBitmapFormat Format;
    };
    const TIKColorTriple black{}, white{255, 255, 255}, red{0, 0, 255}, blue{255, 0, 0};
    for (Case c : {Case{black, white, ikbf1Bit}, Case{white, black, ikbf1Bit}, Case{red, blue, ikbf24Bit}}) {
        TBmpRead r;
        r.Read(MakeBmp(8, 1, 1, 0, {c.C0, c.C1}, bits));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(r.Pixel(0, 0), c.C1);
        EXPECT_EQ(r.Pixel(1, 0), c.C0);
        ASSERT_EQ(r.Params.ColorMapCount(), 2);
        EXPECT_EQ(r.Params.ColorMap[0], c.C0);
    }
}

TEST(BmpFilter, BitFieldsTopDownAndResolution) {
    // 16 bits 5-6-5: fields widen by repeating their bits, so full fields read as 255.
    std::vector<uint8_t> px = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
    TBmpRead r;
    auto bytes = MakeBmp(3, 1, 16, 3, {}, px, {0xF800, 0x07E0, 0x001F});
    bytes[38] = 0xC4; // 3780 pixels a metre: 96 dpi
    bytes[39] = 0x0E;
    r.Read(bytes);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Pixel(0, 0), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(r.Pixel(1, 0), (TIKColorTriple{0, 255, 0}));
    EXPECT_EQ(r.Pixel(2, 0), (TIKColorTriple{255, 0, 0}));
    EXPECT_EQ(r.Params.DpiX, 96);
    EXPECT_EQ(r.Params.DpiY, IKDefaultDpiY);

    // A negative height stores the top row first.
    TBmpRead t;
    t.Read(MakeBmp(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_FALSE(t.Aborting);
    EXPECT_EQ(t.Bitmap.Height(), 2);
    EXPECT_EQ(t.Pixel(0, 0), (TIKColorTriple{1, 2, 3}));
}

TEST(BmpFilter, BitFieldsWidenByRepeatingTheirBits) {
    struct Case {
        const char* Name;
        int32_t Bits;
        uint32_t Compression;
        std::vector<uint32_t> Masks;
        uint32_t Pixel;
        TIKColorTriple Want; // blue, green, red
    };
    const std::vector<uint32_t> none, m565 = {0xF800, 0x07E0, 0x001F}, m332 = {0xE0, 0x1C, 0x03},
                                      m101010 = {0x3FF00000, 0xFFC00, 0x3FF};
    for (const Case& c : {
             Case{"555 white", 16, 0, none, 0x7FFF, {255, 255, 255}},
             Case{"555 middle", 16, 0, none, 16u << 10 | 1u << 5 | 15u, {123, 8, 132}},
             Case{"565 fields", 16, 3, m565, 1u << 11 | 33u << 5 | 30u, {247, 134, 8}},
             Case{"3-3-2 in 16 bits", 16, 3, m332, 5u << 5 | 2u << 2 | 1u, {85, 73, 182}},
             Case{"10-bit fields narrow", 32, 3, m101010, 1023u << 20 | 512u << 10 | 3u, {0, 128, 255}},
         }) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> px(4, 0);
        for (int i = 0; i < c.Bits / 8; ++i)
            px[size_t(i)] = uint8_t(c.Pixel >> (8 * i));
        TBmpRead r;
        r.Read(MakeBmp(1, 1, c.Bits, c.Compression, {}, px, c.Masks));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Pixel(0, 0), c.Want);
    }
}

TEST(BmpFilter, RunLengthDataDecodesWithinTheImage) {
    const std::vector<TIKColorTriple> pal = {{0, 0, 0}, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    // Bottom row: 3 x index 1, literal 2 3 1 (padded); end of row; top row: delta 1,0 then 2 x index 2; end.
    const std::vector<uint8_t> rle8 = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1};
    TBmpRead r;
    r.Read(MakeBmp(6, 2, 8, 1, pal, rle8));
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Pixel(0, 1), pal[1]);
    EXPECT_EQ(r.Pixel(4, 1), pal[3]);
    EXPECT_EQ(r.Pixel(5, 1), pal[1]);
    EXPECT_EQ(r.Pixel(0, 0), pal[0]);
    EXPECT_EQ(r.Pixel(1, 0), pal[2]);
    EXPECT_EQ(r.Params.BmpCompression, ikbcRle);
    // RLE4: 5 pixels alternating nibbles of 0x12.
    TBmpRead f;
    f.Read(MakeBmp(5, 1, 4, 2, pal, {5, 0x12, 0, 1}));
    ASSERT_FALSE(f.Aborting);
    EXPECT_EQ(f.Pixel(0, 0), pal[1]);
    EXPECT_EQ(f.Pixel(1, 0), pal[2]);
    EXPECT_EQ(f.Pixel(4, 0), pal[1]);
}

TEST(BmpFilter, RowEncoders) {
    uint8_t out[128];
    struct Case {
        std::vector<uint8_t> Row;
        bool FourBit;
        std::vector<uint8_t> Code;
    };
    for (const Case& c :
         {Case{{5, 5, 5, 5, 7}, false, {4, 5, 1, 7, 0, 0}}, Case{{1, 2, 3}, false, {0, 3, 1, 2, 3, 0, 0, 0}},
          Case{{1, 2}, false, {1, 1, 1, 2, 0, 0}}, Case{{3, 3, 3, 4}, true, {3, 0x33, 1, 0x40, 0, 0}},
          Case{{1, 2}, true, {2, 0x12, 0, 0}}, Case{{1, 2, 3}, true, {0, 3, 0x12, 0x30, 0, 0}}}) {
        const int32_t n = c.FourBit ? EncodeBmpRle4Row(c.Row.data(), int32_t(c.Row.size()), out)
                                    : EncodeBmpRle8Row(c.Row.data(), int32_t(c.Row.size()), out);
        std::vector<uint8_t> got(out, out + n);
        if (c.Code.size() == got.size() && c.Code.size() == 8)
            got[5] = 0; // the pad byte carries no meaning
        EXPECT_EQ(got, c.Code);
    }
    // Long rows go in pieces of at most 255 pixels.
    std::vector<uint8_t> row(600);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = uint8_t(i % 2 ? 9 : i % 5);
    std::vector<uint8_t> big(row.size() * 10);
    const int32_t n = EncodeBmpRle8Row(row.data(), 600, big.data());
    TBmpRead r;
    std::vector<uint8_t> data(big.begin(), big.begin() + n);
    data.insert(data.end(), {0, 1});
    std::vector<TIKColorTriple> pal(256);
    for (int i = 0; i < 256; ++i)
        pal[size_t(i)] = {uint8_t(i), 0, 0};
    r.Read(MakeBmp(600, 1, 8, 1, pal, data));
    ASSERT_FALSE(r.Aborting);
    for (int32_t x = 0; x < 600; ++x)
        ASSERT_EQ(r.Pixel(x, 0).B, row[size_t(x)]) << x;
}

TEST(BmpFilter, WritesEachDepthAndReadsItBack) {
    TIKBitmap bmp;
    bmp.Allocate(13, 5, ikbf24Bit);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 13; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = uint8_t(x % 4 * 80);
            p[1] = uint8_t(y % 4 * 60);
            p[2] = 17;
        }
    struct Case {
        int32_t Bits, Samples;
        uint8_t Version, Compression;
        int32_t FileBits, MapCount;
    };
    for (Case c : {Case{8, 3, 1, 0, 24, 0}, Case{8, 1, 1, 0, 8, 256}, Case{8, 1, 1, 1, 8, 256},
                   Case{4, 3, 1, 1, 4, 16}, Case{4, 1, 2, 1, 4, 16}, Case{8, 3, 3, 0, 24, 0}}) {
        SCOPED_TRACE(c.Bits * 100 + c.Version * 10 + c.Compression);
        TIOParamsVals w;
        w.BitsPerSample = c.Bits;
        w.SamplesPerPixel = c.Samples;
        w.BmpVersion = c.Version;
        w.BmpCompression = c.Compression;
        w.DpiX = w.DpiY = 96;
        vcl::TMemoryStream s;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToBmp(&s, &bmp, w, progress);
        ASSERT_FALSE(aborting);
        TBmpRead r;
        r.Read(iotest::BytesOf(s));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.BmpVersion, c.Version);
        EXPECT_EQ(r.Params.BmpCompression, c.Version == 2 ? 0 : c.Compression);
        EXPECT_EQ(r.Params.ColorMapCount(), c.MapCount);
        EXPECT_EQ(r.Params.BitsPerSample, c.FileBits == 24 ? 8 : c.FileBits);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 13; ++x)
                ASSERT_EQ(r.Pixel(x, y), (TIKColorTriple{uint8_t(x % 4 * 80), uint8_t(y % 4 * 60), 17}));
        auto bytes = iotest::BytesOf(s);
        EXPECT_EQ(bytes[2] | bytes[3] << 8, int(bytes.size()));
        if (c.Compression && c.Version != 2) { // ends with the end-of-bitmap command
            EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 1}));
        }
    }
}

TEST(BmpFilter, OneBitWritesTwoColoursDarkerFirst) {
    TIKBitmap bmp;
    bmp.Allocate(4, 2, ikbf24Bit);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = x % 2 ? 255 : 0; // blue or red
            p[2] = x % 2 ? 0 : 255;
        }
    TIOParamsVals w;
    w.BitsPerSample = 1;
    vcl::TMemoryStream s;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EncodeBitmapToBmp(&s, &bmp, w, progress);
    ASSERT_EQ(w.ColorMapCount(), 2);
    EXPECT_EQ(w.ColorMap[0], (TIKColorTriple{255, 0, 0})); // blue is darker
    TBmpRead r;
    r.Read(iotest::BytesOf(s));
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Pixel(0, 0), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(r.Pixel(1, 1), (TIKColorTriple{255, 0, 0}));
}

TEST(BmpFilter, HostileFilesSetAborting) {
    const std::vector<TIKColorTriple> two = {{0, 0, 0}, {9, 9, 9}};
    struct Case {
        const char* Name;
        std::vector<uint8_t> Bytes;
    };
    auto truncated = iotest::ReadFixture("bmp-24.bmp");
    truncated.resize(truncated.size() - 100);
    auto hugeHeader = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
    hugeHeader[14] = 0xFF;
    hugeHeader[17] = 0x7F;
    for (const Case& c : {Case{"not BM", {'X', 'M', 0, 0}},
                          Case{"index beyond the table", MakeBmp(2, 1, 8, 0, two, {1, 7, 0, 0})},
                          Case{"zero width", MakeBmp(0, 1, 24, 0, {}, {})},
                          Case{"huge", MakeBmp(100000, 100000, 24, 0, {}, {})},
                          Case{"bad depth", MakeBmp(1, 1, 7, 0, {}, {0, 0, 0, 0})},
                          Case{"no masks", MakeBmp(1, 1, 16, 3, {}, {0, 0, 0, 0}, {0, 0, 0})},
                          Case{"RLE with a bad index", MakeBmp(4, 1, 8, 1, two, {4, 9, 0, 1})},
                          Case{"truncated rows", truncated}, Case{"header size", hugeHeader}}) {
        TBmpRead r;
        r.Read(c.Bytes);
        EXPECT_TRUE(r.Aborting) << c.Name;
    }
    std::srand(9);
    auto good = iotest::ReadFixture("bmp-8.bmp");
    for (int n = 0; n < 100; ++n) {
        auto bad = good;
        for (int k = 0; k < 4; ++k)
            bad[size_t(std::rand()) % 60] = uint8_t(std::rand());
        TBmpRead r;
        r.Read(bad);
    }
}

// Files that describe far more than their data can fill are refused before the picture is allocated.
TEST(BmpFilter, HostileFixturesStayWithinTheirData) {
    struct Case {
        const char* File;
        bool Aborts;
        int64_t PeakLimit;
    };
    for (const Case& c : {Case{"bmp-rle8-16384sq-1080B.bmp", true, 64 * 1024}}) {
        SCOPED_TRACE(c.File);
        const std::vector<uint8_t> bytes = iotest::ReadHostile(c.File);
        ASSERT_FALSE(bytes.empty());
        TBmpRead r;
        testsupport::TAllocationCounter counter;
        r.Read(bytes);
        EXPECT_EQ(bool(r.Aborting), c.Aborts);
        if (testsupport::TAllocationCounter::Available()) {
            EXPECT_LE(counter.PeakBytes(), c.PeakLimit);
        }
    }
}

// A picture above the reading budget is refused before it is allocated; the caller can raise the budget.
TEST(BmpFilter, PicturesAboveTheBudgetAreRefused) {
    std::vector<uint8_t> pixels(size_t(100) * 100 * 3, 0x40);
    const std::vector<uint8_t> file = MakeBmp(100, 100, 24, 0, {}, pixels); // 30,000 bytes as 24-bit
    {
        vcl::TImageReadBudgetScope budget(29999);
        TBmpRead r;
        testsupport::TAllocationCounter counter;
        r.Read(file);
        EXPECT_TRUE(r.Aborting);
        EXPECT_EQ(r.Bitmap.Width(), 0);
        if (testsupport::TAllocationCounter::Available()) {
            EXPECT_LT(counter.PeakBytes(), int64_t(file.size()) + 8 * 1024); // the stream's copy of the file
        }
    }
    vcl::TImageReadBudgetScope budget(30000);
    TBmpRead r;
    r.Read(file);
    EXPECT_FALSE(r.Aborting);
    EXPECT_EQ(r.Pixel(99, 99), (TIKColorTriple{0x40, 0x40, 0x40}));
}

// Bit-field pixels with an alpha mask keep their alpha (as ImageMagick and the class library's reader do);
// a file whose alpha is 0 everywhere reads as opaque, and ignoreAlpha leaves the mask out.
TEST(BmpFilter, BitFieldAlphaIsKept) {
    {
        const std::vector<uint8_t> bytes = iotest::ReadHostile("bmp-32bit-alpha-mask.bmp");
        TBmpRead r;
        std::unique_ptr<TIKMask> mask;
        auto s = iotest::StreamOf(bytes);
        DecodeBmpToBitmap(s.get(), &r.Bitmap, 0, r.Params, r.Progress, ikrmImage, &mask, ikamKeep);
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.BitsPerSample, 8);
        EXPECT_EQ(r.Params.SamplesPerPixel, 3);
        ASSERT_TRUE(mask);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 2; ++x) {
                EXPECT_EQ(r.Pixel(x, y), (TIKColorTriple{0, 0, 255}));
                EXPECT_EQ(mask->GetPixel(x, y), 127);
            }
        EXPECT_FALSE(mask->GetFull());

        TBmpRead ignored;
        std::unique_ptr<TIKMask> none;
        auto again = iotest::StreamOf(bytes);
        DecodeBmpToBitmap(again.get(), &ignored.Bitmap, 0, ignored.Params, ignored.Progress, ikrmImage, &none,
                          ikamIgnore);
        EXPECT_FALSE(none);
        EXPECT_EQ(ignored.Pixel(1, 1), (TIKColorTriple{0, 0, 255}));
    }
    // A V5 header with masks red, green, blue and alpha, pixels 0x00 alpha: opaque.
    std::vector<uint8_t> file = iotest::ReadHostile("bmp-32bit-alpha-mask.bmp");
    ASSERT_EQ(file.size(), 154u);
    for (size_t i = 138; i < file.size(); i += 4)
        file[i + 3] = 0;
    TBmpRead r;
    std::unique_ptr<TIKMask> mask;
    auto s = iotest::StreamOf(file);
    DecodeBmpToBitmap(s.get(), &r.Bitmap, 0, r.Params, r.Progress, ikrmImage, &mask, ikamKeep);
    ASSERT_FALSE(r.Aborting);
    ASSERT_TRUE(mask);
    EXPECT_TRUE(mask->GetFull());
    EXPECT_EQ(mask->GetPixel(1, 1), 255);
}

// The I/O component hands a bit-field bitmap's alpha on to the image it loads into.
TEST(BmpFilter, BitFieldAlphaReachesTheComponentsImage) {
    const std::vector<uint8_t> bytes = iotest::ReadHostile("bmp-32bit-alpha-mask.bmp");
    auto s = iotest::StreamOf(bytes);
    TImageKitIO io;
    io.LoadFromStreamOfFormat(s.get(), ikfBmp);
    ASSERT_FALSE(io.GetAborting());
    TIKBitmap* image = io.GetIKBitmap();
    ASSERT_TRUE(image->HasAlphaChannel());
    EXPECT_EQ(image->GetAlphaChannel()->ScanLine(0)[0], 127);
    EXPECT_EQ(image->GetAlphaChannel()->ScanLine(1)[1], 127);
}
