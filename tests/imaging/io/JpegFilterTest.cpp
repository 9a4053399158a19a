#include "imaging/io/JpegFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"

#include "IOTestUtil.h"
#include "tests/support/JpegFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#undef TRUE
#undef FALSE

using namespace imaging;

namespace {

struct TJpegRead {
    TIKBitmap Bitmap;
    TIOParamsVals Params;
    std::atomic<bool> Aborting{false};
    TIKProgressContext Progress{Aborting};

    void Read(const std::vector<uint8_t>& bytes, TIKReadMode mode = ikrmImage) {
        auto s = iotest::StreamOf(bytes);
        DecodeJpegToBitmap(s.get(), nullptr, &Bitmap, Params, Progress, mode, ikjoConverted);
    }
};

// The largest channel difference between the bitmap and a reference image (gray references compare with
// every channel).
int32_t MaxDifference(TIKBitmap& bitmap, const iotest::TPnm& ref) {
    EXPECT_EQ(bitmap.Width(), ref.Width);
    EXPECT_EQ(bitmap.Height(), ref.Height);
    int32_t worst = 0;
    for (int32_t y = 0; y < ref.Height && y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < ref.Width && x < bitmap.Width(); ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const int32_t want = ref.At(x, y)[ref.Channels == 1 ? 0 : c];
                const int32_t got = row[x * 3 + (2 - c)];
                worst = std::max(worst, std::abs(want - got));
            }
    }
    return worst;
}

} // namespace

TEST(JpegFilter, DecodesLikeDjpeg) {
    struct Case {
        const char* Name;
        int32_t ColorSpace, Samples, Progressive;
    };
    for (Case c :
         {Case{"ycc", 2, 3, 0}, Case{"gray", 1, 1, 0}, Case{"rgb", 0, 3, 0}, Case{"progressive", 2, 3, 1}}) {
        SCOPED_TRACE(c.Name);
        TJpegRead r;
        r.Read(iotest::ReadFixture(std::string("jpeg-") + c.Name + ".jpg"));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.JpegColorSpace, c.ColorSpace);
        EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples);
        EXPECT_EQ(r.Params.JpegProgressive, c.Progressive);
        EXPECT_EQ(r.Params.BitsPerSample, 8);
        EXPECT_EQ(r.Bitmap.PixelFormat(), ikbf24Bit);
        EXPECT_EQ(MaxDifference(r.Bitmap, iotest::ParsePnm(
                                              iotest::ReadFixture(std::string("jpeg-") + c.Name + ".ppm"))),
                  0);
        EXPECT_EQ(r.Params.JpegWarningCount, 0);
    }
}

TEST(JpegFilter, AdobeCmykGivesItsColours) {
    TJpegRead r;
    r.Read(iotest::ReadFixture("jpeg-cmyk.jpg"));
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Params.JpegColorSpace, ikjcYcck); // ImageMagick stores it as YCCK
    EXPECT_EQ(r.Params.SamplesPerPixel, 4);
    // The CMYK file was made from the same picture as the YCbCr one.
    EXPECT_LE(MaxDifference(r.Bitmap, iotest::ParsePnm(iotest::ReadFixture("jpeg-ycc.ppm"))), 24);
}

TEST(JpegFilter, SignatureWithinTheFirstHundredBytes) {
    auto jpeg = iotest::ReadFixture("jpeg-gray.jpg");
    for (int32_t offset : {0, 99, 100}) {
        std::vector<uint8_t> bytes(size_t(offset), 0x20);
        bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
        auto s = iotest::StreamOf(bytes);
        s->SetPosition(0);
        EXPECT_EQ(LocateJpegSignature(s.get()), offset < 100 ? offset : -1);
        EXPECT_EQ(s->GetPosition(), 0);
        TJpegRead r;
        r.Read(bytes);
        EXPECT_EQ(r.Aborting.load(), offset == 100) << offset;
    }
}

TEST(JpegFilter, AutomaticScaleKeepsAtLeastTheRequestedSize) {
    TIKBitmap big;
    big.Allocate(1000, 800, ikbf24Bit);
    vcl::TMemoryStream s;
    TIOParamsVals w;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EncodeBitmapToJpeg(&s, &big, w, progress);
    ASSERT_FALSE(aborting);
    struct Case {
        int32_t W, H, Denominator, OutW, OutH;
    };
    for (Case c :
         {Case{300, 300, 2, 500, 400}, Case{100, 100, 8, 125, 100}, Case{2000, 2000, 1, 1000, 800}}) {
        TJpegRead r;
        r.Params.JpegScale = ikjsAuto;
        r.Params.Width = c.W;
        r.Params.Height = c.H;
        r.Read(iotest::BytesOf(s), ikrmParamsOnly);
        EXPECT_EQ(r.Params.JpegScaleUsed, c.Denominator);
        EXPECT_EQ(r.Params.Width, c.OutW);
        EXPECT_EQ(r.Params.Height, c.OutH);
        EXPECT_EQ(r.Params.JpegOriginalWidth, 1000);
        EXPECT_EQ(r.Bitmap.Width(), 0); // parameters only
    }
}

TEST(JpegFilter, WriteAndReadBackResolutionMarkersAndColours) {
    TIKBitmap bmp;
    bmp.Allocate(33, 17, ikbf24Bit);
    for (int32_t y = 0; y < 17; ++y) {
        uint8_t* row = bmp.ScanLine(y);
        for (int32_t x = 0; x < 33; ++x) {
            row[x * 3] = 40;                 // blue
            row[x * 3 + 1] = uint8_t(x * 7); // green
            row[x * 3 + 2] = 200;            // red
        }
    }
    struct Case {
        uint8_t ColorSpace;
        int32_t Tolerance;
    };
    for (Case c : {Case{2, 12}, Case{0, 12}, Case{3, 14}, Case{4, 14}, Case{1, 255}}) {
        SCOPED_TRACE(int(c.ColorSpace));
        TIOParamsVals w;
        w.JpegColorSpace = c.ColorSpace;
        w.JpegQuality = 95;
        w.DpiX = 300;
        w.DpiY = 150;
        w.JpegMarkers.AddMarker(0xFE, "hello", 5);
        w.JpegMarkers.AddMarker(0xE0, "JFXX\0", 5); // a second APP0 stays a marker of its own
        vcl::TMemoryStream s;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToJpeg(&s, &bmp, w, progress);
        ASSERT_FALSE(aborting);
        TJpegRead r;
        r.Read(iotest::BytesOf(s));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.JpegColorSpace, c.ColorSpace);
        if (c.ColorSpace == 2 || c.ColorSpace == 1) {
            EXPECT_EQ(r.Params.DpiX, 300);
            EXPECT_EQ(r.Params.DpiY, 150);
        }
        // The library's own JFIF or Adobe header is not listed: writing the list back does not double it.
        ASSERT_EQ(r.Params.JpegMarkers.Count(), 2);
        EXPECT_EQ(r.Params.JpegMarkers.MarkerType(0), 0xFE);
        EXPECT_EQ(r.Params.JpegMarkers.MarkerType(1), 0xE0);
        const uint8_t* px = r.Bitmap.ScanLine(8) + 3 * 10;
        if (c.ColorSpace == 1) {
            EXPECT_NEAR(px[0], px[2], 1);
        } else {
            EXPECT_NEAR(px[0], 40, c.Tolerance);
            EXPECT_NEAR(px[1], 70, c.Tolerance);
            EXPECT_NEAR(px[2], 200, c.Tolerance);
        }
    }
}

TEST(JpegFilter, CmykConversionsRoundTripUpToTruncation) {
    for (TIKColorTriple c :
         {TIKColorTriple{0, 0, 0}, TIKColorTriple{10, 200, 255}, TIKColorTriple{77, 77, 77}}) {
        uint8_t cmyk[4];
        JpegBgrToCmyk(c, cmyk);
        TIKColorTriple back = JpegCmykToBgr(cmyk);
        EXPECT_NEAR(back.R, c.R, 1);
        EXPECT_NEAR(back.G, c.G, 1);
        EXPECT_NEAR(back.B, c.B, 1);
    }
}

TEST(JpegFilter, DamagedAndTruncatedData) {
    auto jpeg = iotest::ReadFixture("jpeg-ycc.jpg");
    // Truncated in the image data: completed by the library with a warning.
    {
        TIKBitmap noise;
        noise.Allocate(64, 64, ikbf24Bit);
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64 * 3; ++x)
                noise.ScanLine(y)[x] = uint8_t(x * y * 31 + x);
        vcl::TMemoryStream s;
        TIOParamsVals w;
        w.JpegQuality = 100;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        EncodeBitmapToJpeg(&s, &noise, w, progress);
        auto whole = iotest::BytesOf(s);
        TJpegRead r;
        r.Read(std::vector<uint8_t>(whole.begin(), whole.begin() + ptrdiff_t(whole.size() * 3 / 4)));
        EXPECT_FALSE(r.Aborting);
        EXPECT_GT(r.Params.JpegWarningCount, 0);
        // The last warning, in the numbering of the library's release 6b: 117, "Corrupt JPEG data: premature
        // end of data segment".
        EXPECT_EQ(r.Params.JpegWarningCode, 117);
        EXPECT_EQ(r.Bitmap.Height(), 64);
    }
    // Empty, header only, and a broken frame header: Aborting, no exception.
    for (size_t cut : {size_t(0), size_t(3), size_t(30)}) {
        TJpegRead r;
        r.Read(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + ptrdiff_t(cut)));
        EXPECT_TRUE(r.Aborting) << cut;
    }
    std::srand(5);
    for (int n = 0; n < 60; ++n) {
        auto bad = jpeg;
        for (int k = 0; k < 8; ++k)
            bad[size_t(std::rand()) % bad.size()] = uint8_t(std::rand());
        TJpegRead r;
        r.Read(bad);
    }
}

TEST(JpegFilter, ErrorsRaiseWithTheLibraryMessageWhenWriting) {
    TIKBitmap huge;
    huge.Allocate(70000, 1, ikbf24Bit);
    vcl::TMemoryStream s;
    TIOParamsVals w;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    try {
        EncodeBitmapToJpeg(&s, &huge, w, progress);
        FAIL();
    } catch (const EIKJpegException& e) {
        EXPECT_EQ(e.Message(), "Maximum supported image dimension is ? pixels");
    }
    EXPECT_TRUE(aborting);
}

TEST(JpegFilter, ShortWriteSetsAbortingWithoutRaising) {
    TIKBitmap bmp;
    bmp.Allocate(64, 64, ikbf1Bit);
    iotest::TShortStream s(100);
    TIOParamsVals w;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EXPECT_NO_THROW(EncodeBitmapToJpeg(&s, &bmp, w, progress));
    EXPECT_TRUE(aborting);
}

TEST(JpegFilter, HeaderFarLargerThanItsDataIsRefused) {
    auto jpeg = iotest::ReadFixture("jpeg-gray.jpg");
    // The frame header (FF C0): height and width become 20000.
    for (size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 20000 >> 8;
            jpeg[i + 6] = jpeg[i + 8] = 20000 & 255;
            break;
        }
    TJpegRead r;
    r.Read(jpeg, ikrmParamsOnly);
    EXPECT_EQ(r.Params.Width, 20000); // the parameters are still reported
    TJpegRead full;
    full.Read(jpeg);
    EXPECT_TRUE(full.Aborting);
    EXPECT_EQ(full.Bitmap.Width(), 0);
}

namespace {

// An abbreviated pair, as JPEG-compressed TIFF pages store them: the tables alone, then the image alone.
void MakeAbbreviatedPair(std::vector<uint8_t>& tables, std::vector<uint8_t>& image) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    c.image_width = 16;
    c.image_height = 8;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    jpeg_write_tables(&c);
    tables.assign(buffer, buffer + size);
    std::free(buffer);
    buffer = nullptr;
    size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    jpeg_suppress_tables(&c, 1);
    jpeg_start_compress(&c, 0);
    std::vector<uint8_t> row(16 * 3);
    for (int x = 0; x < 16; ++x) {
        row[size_t(x) * 3] = 200; // red
        row[size_t(x) * 3 + 2] = uint8_t(x * 10);
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    image.assign(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&c);
}

} // namespace

TEST(JpegFilter, TablesFromASeparateStream) {
    std::vector<uint8_t> tables, image;
    MakeAbbreviatedPair(tables, image);
    TJpegRead r;
    auto s = iotest::StreamOf(image);
    auto t = iotest::StreamOf(tables);
    DecodeJpegToBitmap(s.get(), t.get(), &r.Bitmap, r.Params, r.Progress, ikrmImage, ikjoConverted);
    ASSERT_FALSE(r.Aborting);
    const uint8_t* px = r.Bitmap.ScanLine(4) + 3 * 8;
    EXPECT_NEAR(px[2], 200, 8);
    EXPECT_NEAR(px[0], 80, 8);
    // Without the tables the image cannot be read; broken tables raise.
    TJpegRead alone;
    alone.Read(image);
    EXPECT_TRUE(alone.Aborting);
    tables[1] = 0x00; // no start-of-image marker
    TJpegRead broken;
    auto t2 = iotest::StreamOf(tables);
    auto s2 = iotest::StreamOf(image);
    EXPECT_THROW(DecodeJpegToBitmap(s2.get(), t2.get(), &broken.Bitmap, broken.Params, broken.Progress,
                                    ikrmImage, ikjoConverted),
                 EIKJpegException);
}

// A progressive file may hold a scan in every ten bytes, each a pass over every block of the picture: beyond
// 500 scans the read stops with a message instead of running for minutes.
TEST(JpegFilter, FilesOfTooManyScansAreRefused) {
    TJpegRead most;
    most.Read(testsupport::JpegOfManyScans(8, 8, 499));
    ASSERT_FALSE(most.Aborting);
    EXPECT_EQ(most.Bitmap.Width(), 8);

    // 4 million pixels and 3,000 scans in 30 KB. Reading the parameters never starts on the scans.
    const std::vector<uint8_t> many = testsupport::JpegOfManyScans(2048, 2048, 3000);
    TJpegRead params;
    params.Read(many, ikrmParamsOnly);
    EXPECT_FALSE(params.Aborting);
    EXPECT_EQ(params.Params.Width, 2048);
    TJpegRead r;
    try {
        r.Read(many);
        FAIL() << "3001 scans were decoded";
    } catch (const EIKJpegException& e) {
        EXPECT_EQ(e.Message(), "The image has more than 500 scans");
    }
    EXPECT_TRUE(r.Aborting);
    // The next read of the same filter is not affected.
    TJpegRead again;
    again.Read(testsupport::JpegOfManyScans(16, 16, 10));
    EXPECT_FALSE(again.Aborting);
    EXPECT_EQ(again.Bitmap.Height(), 16);
}
