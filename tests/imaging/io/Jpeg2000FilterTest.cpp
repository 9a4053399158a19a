#include "imaging/io/Jpeg2000Filter.h"

#include "Formats2TestUtil.h"
#include "IOTestUtil.h"
#include "imaging/io/IOComponent.h"
#include "platform/vcl/ImageBudget.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace imaging;
using namespace formats2test;

namespace {

void DecodeJ2k(TRun& run, const Bytes& data, TIKReadMode mode = ikrmImage) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    DecodeJpeg2000ToBitmap(&stream, &run.Bitmap, run.Params, run.Progress, mode);
}

Bytes Encode(TRun& run, TIKJpeg2000Form form) {
    vcl::TMemoryStream out;
    EncodeBitmapToJpeg2000(&out, &run.Bitmap, run.Params, form, run.Progress);
    EXPECT_EQ(out.GetPosition(), out.GetSize());
    return StreamBytes(out);
}

Bytes Fixture(const std::string& name) {
    vcl::TMemoryStream stream;
    stream.LoadFromFile(std::string(LOOMWICK_TEST_DATA) + "/imaging/io2/" + name);
    return StreamBytes(stream);
}

void FillRandom(TIKBitmap& bitmap, int32_t width, int32_t height, uint32_t seed) {
    bitmap.Allocate(width, height, ikbf24Bit);
    std::mt19937 random(seed);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < width * 3; ++i)
            bitmap.ScanLine(y)[i] = uint8_t(random());
}

void ExpectSamePixels(TIKBitmap& a, TIKBitmap& b, const std::string& name) {
    ASSERT_EQ(a.Width(), b.Width()) << name;
    ASSERT_EQ(a.Height(), b.Height()) << name;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            ASSERT_EQ(Rgb(a, x, y), Rgb(b, x, y)) << name << " at " << x << "," << y;
}

} // namespace

TEST(Jpeg2000Filter, SignatureTests) {
    Bytes jp2 = {0, 0, 0, 12, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A, 0};
    Bytes j2k = {0xFF, 0x4F, 0xFF, 0x51, 0};
    for (Bytes* data : {&jp2, &j2k}) {
        vcl::TReadOnlyMemoryStream stream(data->data(), int64_t(data->size()));
        EXPECT_EQ(IsJp2Stream(&stream), data == &jp2);
        EXPECT_EQ(stream.GetPosition(), 0);
        EXPECT_EQ(IsJ2kStream(&stream), data == &j2k);
        EXPECT_EQ(stream.GetPosition(), 0);
        // Bytes before the position do not count.
        stream.SetPosition(1);
        EXPECT_FALSE(IsJp2Stream(&stream));
        EXPECT_FALSE(IsJ2kStream(&stream));
        EXPECT_EQ(stream.GetPosition(), 1);
    }
}

TEST(Jpeg2000Filter, LosslessRoundTripsInBothForms) {
    for (TIKJpeg2000Form format : {ikj2fJp2, ikj2fCodeStream}) {
        TRun run;
        FillRandom(run.Bitmap, 37, 23, 5);
        run.Params.Jpeg2000ColorSpace = ikj2Rgb;
        const Bytes file = Encode(run, format);
        ASSERT_FALSE(run.Failed());
        vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        EXPECT_EQ(IsJp2Stream(&stream), format == ikj2fJp2);
        EXPECT_EQ(IsJ2kStream(&stream), format == ikj2fCodeStream);
        TRun back;
        DecodeJ2k(back, file);
        ASSERT_FALSE(back.Failed());
        EXPECT_EQ(back.Params.BitsPerSample, 8);
        EXPECT_EQ(back.Params.SamplesPerPixel, 3);
        EXPECT_EQ(back.Reports.back(), 100);
        ExpectSamePixels(run.Bitmap, back.Bitmap, "format " + std::to_string(format));
    }
}

TEST(Jpeg2000Filter, ColourSpacesAndDepths) {
    // YCbCr is written as the same RGB image.
    TRun rgb, ycc;
    FillRandom(rgb.Bitmap, 8, 8, 9);
    FillRandom(ycc.Bitmap, 8, 8, 9);
    ycc.Params.Jpeg2000ColorSpace = ikj2YCbCr;
    EXPECT_EQ(Encode(rgb, ikj2fJp2), Encode(ycc, ikj2fJp2));

    // Gray: the library's gray level of each pixel.
    TRun gray;
    gray.Bitmap.Allocate(2, 1, ikbf24Bit);
    const uint8_t pixels[6] = {30, 20, 10, 255, 255, 255};
    std::copy(pixels, pixels + 6, gray.Bitmap.ScanLine(0));
    gray.Params.Jpeg2000ColorSpace = ikj2Gray;
    TRun grayBack;
    DecodeJ2k(grayBack, Encode(gray, ikj2fCodeStream));
    ASSERT_FALSE(grayBack.Failed());
    EXPECT_EQ(grayBack.Params.SamplesPerPixel, 1);
    const uint32_t level = (10 * 21 + 20 * 71 + 30 * 8) / 100;
    EXPECT_EQ(Rgb(grayBack.Bitmap, 0, 0), level * 0x010101u);
    EXPECT_EQ(Rgb(grayBack.Bitmap, 1, 0), 0xFFFFFFu);

    // A one-bit image is written as one-bit gray, and says so in the record.
    TRun bits;
    bits.Bitmap.Allocate(10, 2, ikbf1Bit);
    bits.Bitmap.ScanLine(0)[0] = 0xA5;
    bits.Bitmap.ScanLine(1)[1] = 0x40;
    const Bytes file = Encode(bits, ikj2fCodeStream);
    EXPECT_EQ(bits.Params.BitsPerSample, 1);
    EXPECT_EQ(bits.Params.Jpeg2000ColorSpace, ikj2Gray);
    TRun bitsBack;
    DecodeJ2k(bitsBack, file);
    ASSERT_FALSE(bitsBack.Failed());
    EXPECT_EQ(bitsBack.Bitmap.PixelFormat(), ikbf1Bit);
    ExpectSamePixels(bits.Bitmap, bitsBack.Bitmap, "one bit");
}

TEST(Jpeg2000Filter, LossyRateMakesSmallerFiles) {
    TRun exact, lossy;
    for (TRun* run : {&exact, &lossy}) {
        run->Bitmap.Allocate(64, 64, ikbf24Bit);
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                uint8_t* p = run->Bitmap.ScanLine(y) + 3 * x;
                p[0] = uint8_t(x * 4);
                p[1] = uint8_t(y * 4);
                p[2] = uint8_t((x + y) * 2 + (x * y) % 7);
            }
    }
    lossy.Params.Jpeg2000Rate = 0.05;
    lossy.Params.Jpeg2000Progression = ikj2Rlcp;
    const Bytes exactFile = Encode(exact, ikj2fCodeStream);
    const Bytes lossyFile = Encode(lossy, ikj2fCodeStream);
    ASSERT_FALSE(lossy.Failed());
    EXPECT_LT(lossyFile.size(), exactFile.size() / 3);
    TRun back;
    DecodeJ2k(back, lossyFile);
    ASSERT_FALSE(back.Failed());
    int64_t error = 0;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t i = 0; i < 64 * 3; ++i)
            error += std::abs(int32_t(back.Bitmap.ScanLine(y)[i]) - int32_t(lossy.Bitmap.ScanLine(y)[i]));
    EXPECT_LT(double(error) / (64 * 64 * 3), 12.0);
}

TEST(Jpeg2000Filter, FilesOfOtherEncoders) {
    // 12-bit gray: v x 255 / 4095, truncated.
    TRun gray;
    DecodeJ2k(gray, Fixture("gray12.j2k"));
    ASSERT_FALSE(gray.Failed());
    EXPECT_EQ(gray.Params.BitsPerSample, 12);
    EXPECT_EQ(gray.Params.SamplesPerPixel, 1);
    const int32_t samples[12] = {0, 4095, 2048, 1, 100, 1000, 3000, 4094, 5, 6, 7, 8};
    for (int32_t i = 0; i < 12; ++i)
        EXPECT_EQ(Rgb(gray.Bitmap, i % 4, i / 4), uint32_t(samples[i] * 255 / 4095) * 0x010101u) << i;

    // Components subsampled 2:1 repeat their samples over the full-size image.
    TRun sub;
    DecodeJ2k(sub, Fixture("sub.j2k"));
    ASSERT_FALSE(sub.Failed());
    ASSERT_EQ(sub.Bitmap.Width(), 5);
    ASSERT_EQ(sub.Bitmap.Height(), 3);
    const uint32_t colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x0A141E, 0xC86432, 0x010203}};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(Rgb(sub.Bitmap, x, y), colours[y / 2][x / 2]) << x << "," << y;

    // A parameters-only read fills the record from the header alone.
    TRun header;
    DecodeJ2k(header, Fixture("sub.j2k"), ikrmParamsOnly);
    EXPECT_FALSE(header.Failed());
    EXPECT_EQ(header.Params.Width, 5);
    EXPECT_EQ(header.Bitmap.Width(), 0);
}

TEST(Jpeg2000Filter, FailuresAreReported) {
    // Neither signature, a damaged code stream, a cut-off file.
    Bytes good = Fixture("sub.j2k");
    Bytes damaged = good;
    for (size_t i = 20; i < damaged.size(); ++i)
        damaged[i] = uint8_t(i * 37);
    const Bytes cases[] = {ToBytes("not an image at all"), damaged, Bytes(good.begin(), good.begin() + 30)};
    for (const Bytes& data : cases) {
        TRun run;
        DecodeJ2k(run, data);
        EXPECT_TRUE(run.Failed());
    }
    // The writer refuses a colour space it does not know, a rate of 0 and a form other than 0 and 1.
    struct {
        int colorSpace;
        double rate;
        int format;
    } writes[] = {{3, 1.0, 0}, {1, 0.0, 0}, {1, 1.0, 2}};
    for (const auto& w : writes) {
        TRun run;
        FillRandom(run.Bitmap, 4, 4, 1);
        run.Params.Jpeg2000ColorSpace = uint8_t(w.colorSpace);
        run.Params.Jpeg2000Rate = w.rate;
        vcl::TMemoryStream out;
        EncodeBitmapToJpeg2000(&out, &run.Bitmap, run.Params, TIKJpeg2000Form(w.format), run.Progress);
        EXPECT_TRUE(run.Failed());
        EXPECT_EQ(out.GetSize(), 0);
    }
}

TEST(Jpeg2000Filter, DeclaredColourNeedsThreeComponents) {
    // A one-component JP2 file whose colour box is changed to say sRGB (16) or sYCC (18) instead of gray
    // (17) is refused, also by a parameters-only read; the unchanged file reads.
    TRun gray;
    FillRandom(gray.Bitmap, 6, 4, 3);
    gray.Params.Jpeg2000ColorSpace = ikj2Gray;
    const Bytes file = Encode(gray, ikj2fJp2);
    ASSERT_FALSE(gray.Failed());
    const std::string text(file.begin(), file.end());
    const size_t colr = text.find("colr");
    ASSERT_NE(colr, std::string::npos);
    ASSERT_EQ(file[colr + 4], 1); // an enumerated colour space follows
    ASSERT_EQ(file[colr + 10], 17);
    for (uint8_t declared : {17, 16, 18}) {
        Bytes patched = file;
        patched[colr + 10] = declared;
        for (TIKReadMode mode : {ikrmImage, ikrmParamsOnly}) {
            TRun run;
            DecodeJ2k(run, patched, mode);
            EXPECT_EQ(run.Failed(), declared != 17) << int(declared) << " " << int(mode);
        }
    }
}

namespace {

// The big-endian 32-bit fields of the image and tile size marker: Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz.
void SetJ2kSize(Bytes& stream, uint32_t width, uint32_t height, uint32_t tileWidth, uint32_t tileHeight) {
    const uint32_t values[] = {width, height, 0, 0, tileWidth, tileHeight};
    for (int i = 0; i < 6; ++i)
        for (int b = 0; b < 4; ++b)
            stream[size_t(8 + 4 * i + b)] = uint8_t(values[i] >> (24 - 8 * b));
}

} // namespace

// Code streams that declare pictures or tiles their data cannot fill are refused before OpenJPEG
// allocates for them, by parameters-only reads as well.
TEST(Jpeg2000Filter, HostileFixturesAreRefusedCheaply) {
    struct Case {
        const char* File;
        int64_t PeakLimit;
    };
    for (const Case& c :
         {Case{"j2k-16384sq-137B.j2k", 256 * 1024}, Case{"j2k-54615-tiles-216B.j2k", 256 * 1024}}) {
        for (TIKReadMode mode : {ikrmParamsOnly, ikrmImage}) {
            SCOPED_TRACE(std::string(c.File) + (mode == ikrmParamsOnly ? " parameters only" : " in full"));
            const Bytes data = iotest::ReadHostile(c.File);
            ASSERT_FALSE(data.empty());
            TRun run;
            testsupport::TAllocationCounter counter;
            DecodeJ2k(run, data, mode);
            EXPECT_TRUE(run.Failed());
            EXPECT_EQ(run.Bitmap.Width(), 0);
            if (testsupport::TAllocationCounter::Available()) {
                EXPECT_LE(counter.PeakBytes(), c.PeakLimit);
            }
        }
    }
    // The fuzzer's input for the I/O component: a mode byte (0: detection by content), then the stream.
    const Bytes fuzz = iotest::ReadHostile("fuzz-iocomponent-j2k-tiles.bin");
    ASSERT_GT(fuzz.size(), 1u);
    ASSERT_EQ(fuzz[0], 0);
    vcl::TReadOnlyMemoryStream stream(fuzz.data() + 1, int64_t(fuzz.size() - 1));
    TImageKitIO io;
    testsupport::TAllocationCounter counter;
    io.ReadParamsFromStream(&stream);
    EXPECT_TRUE(io.GetAborting());
    if (testsupport::TAllocationCounter::Available()) {
        EXPECT_LE(counter.PeakBytes(), 256 * 1024);
    }
}

// Tiles without a tile-part, or a code stream whose tiles carry no coded data at all, are errors rather
// than blank pictures of the declared size.
TEST(Jpeg2000Filter, TilesWithoutDataAreErrors) {
    const Bytes fixture = iotest::ReadHostile("j2k-16384sq-137B.j2k"); // one tile of empty packets
    Bytes blank = fixture;
    SetJ2kSize(blank, 64, 64, 64, 64);
    Bytes missingTiles = fixture;
    SetJ2kSize(missingTiles, 64, 64, 32, 32); // four tiles, one tile-part

    TRun source;
    FillRandom(source.Bitmap, 64, 64, 7);
    source.Params.Jpeg2000ColorSpace = ikj2Rgb;
    const Bytes coded = Encode(source, ikj2fCodeStream);
    ASSERT_FALSE(source.Failed());
    Bytes cut = coded; // the tile-part, said to be the last, holds nothing but its header
    const std::string text(cut.begin(), cut.end());
    const size_t sod = text.find("\xFF\x93");
    ASSERT_NE(sod, std::string::npos);
    const size_t sot = text.find("\xFF\x90");
    ASSERT_NE(sot, std::string::npos);
    std::fill(cut.begin() + long(sot) + 6, cut.begin() + long(sot) + 10, 0); // Psot 0: up to the end
    cut.resize(sod + 2);
    cut.insert(cut.end(), {0, 0, 0, 0, 0xFF, 0xD9});

    struct Case {
        const char* Name;
        const Bytes& Data;
        bool Fails;
    };
    for (const Case& c : {Case{"blank", blank, true}, Case{"missing tiles", missingTiles, true},
                          Case{"empty tile-part", cut, true}, Case{"coded", coded, false}})
        for (TIKReadMode mode : {ikrmParamsOnly, ikrmImage}) {
            TRun run;
            DecodeJ2k(run, c.Data, mode);
            EXPECT_EQ(run.Failed(), c.Fails)
                << c.Name << (mode == ikrmParamsOnly ? " parameters only" : " in full");
        }
}

// A picture whose decoding needs more than the reading budget is refused before OpenJPEG allocates (a
// parameters-only read still works); at the smallest budget that lets it decode, the memory the decoding
// takes stays inside the budget.
TEST(Jpeg2000Filter, DecodingStaysWithinTheBudget) {
    TRun source;
    FillRandom(source.Bitmap, 256, 256, 11);
    source.Params.Jpeg2000ColorSpace = ikj2Rgb;
    for (TIKJpeg2000Form format : {ikj2fJp2, ikj2fCodeStream}) {
        SCOPED_TRACE(format == ikj2fJp2 ? "JP2" : "code stream");
        const Bytes file = Encode(source, format);
        ASSERT_FALSE(source.Failed());
        // Three planes of 256 x 256 samples at 4 bytes are 768 KiB: the decoder's output alone.
        int64_t budget = 768 * 1024;
        for (;; budget += 64 * 1024) {
            ASSERT_LT(budget, 16 * 1024 * 1024);
            vcl::TImageReadBudgetScope scope(budget);
            TRun run;
            testsupport::TAllocationCounter counter;
            DecodeJ2k(run, file);
            if (!run.Failed()) {
                ExpectSamePixels(run.Bitmap, source.Bitmap, "decoded");
                if (testsupport::TAllocationCounter::Available()) {
                    EXPECT_LE(counter.PeakBytes(), budget);
                    std::printf(
                        "JPEG 2000 256 x 256 RGB (%s): decodes from a budget of %lld bytes, peak %lld\n",
                        format == ikj2fJp2 ? "JP2" : "J2K", static_cast<long long>(budget),
                        static_cast<long long>(counter.PeakBytes()));
                }
                break;
            }
            if (testsupport::TAllocationCounter::Available()) {
                // Refused once the header is read: the decoder's set-up and stream buffer, no planes.
                EXPECT_LE(counter.PeakBytes(), 256 * 1024);
            }
            TRun params;
            DecodeJ2k(params, file, ikrmParamsOnly);
            EXPECT_FALSE(params.Failed()); // the header alone fits
            EXPECT_EQ(params.Params.Width, 256);
        }
        EXPECT_GT(budget, 768 * 1024);
    }
}
