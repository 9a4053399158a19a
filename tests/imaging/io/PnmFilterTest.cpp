#include "imaging/io/PnmFilter.h"

#include "Formats2TestUtil.h"

#include <gtest/gtest.h>

using namespace imaging;
using namespace formats2test;

namespace {

void DecodePnm(TRun& run, const Bytes& data, TIKReadMode mode = ikrmImage) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    DecodePnmToBitmap(&stream, &run.Bitmap, run.Params, run.Progress, mode);
}

Bytes Binary(const std::string& header, std::initializer_list<int> samples) {
    Bytes b = ToBytes(header);
    Append(b, samples);
    return b;
}

} // namespace

TEST(PnmFilter, TokensAndComments) {
    const Bytes data = ToBytes("  P6\n#   a comment  \r12x");
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    EXPECT_EQ(ReadPnmToken(&stream), "P6");
    EXPECT_EQ(stream.GetPosition(), 5); // the line feed that ended the token is consumed
    EXPECT_EQ(ReadPnmToken(&stream), "#a comment");
    EXPECT_EQ(ReadPnmToken(&stream), "12x");
    EXPECT_EQ(ReadPnmToken(&stream), "");
}

TEST(PnmFilter, ContentTest) {
    struct {
        const char* text;
        bool pnm;
    } cases[] = {{"P5 3 2 255 ", true},
                 {"# c\nP1\n# c\n4 4\n", true},
                 {"P7 3 2 255", false},
                 {"p5 3 2 255", false},
                 {"P5 width 2 255", false},
                 {"P5 0 2 255", false},
                 {"P3 3", false},
                 {"", false},
                 {"# only\n# comments\n", false}};
    for (const auto& c : cases) {
        const Bytes data = ToBytes(c.text);
        vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
        stream.SetPosition(0);
        EXPECT_EQ(IsPnmStream(&stream), c.pnm) << c.text;
        EXPECT_EQ(stream.GetPosition(), 0) << c.text;
    }
}

TEST(PnmFilter, AsciiBitmapWithCommentsReadsWhiteBlackWhite) {
    TRun run;
    DecodePnm(run, ToBytes("P1\n# made by hand\n3 1\n0 1\n# inside the data\n0\n"));
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(run.Bitmap.PixelFormat(), ikbf1Bit);
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(run.Bitmap, 1, 0), 0u);
    EXPECT_EQ(Rgb(run.Bitmap, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(run.Params.PnmComments, std::vector<std::string>{"made by hand"});
    EXPECT_EQ(run.Params.BitsPerSample, 1);
    EXPECT_EQ(run.Params.SamplesPerPixel, 1);
    EXPECT_EQ(run.Params.DpiX, IKDefaultDpiX);
}

TEST(PnmFilter, SamplesScaleByMaxval) {
    struct {
        const char* name;
        Bytes data;
        uint32_t expected[3];
    } cases[] = {
        {"P5 maxval 100", Binary("P5 3 1 100\n", {0, 100, 50}), {0, 0xFFFFFF, 0x7F7F7F}},
        {"P5 above maxval clamps", Binary("P5 3 1 100\n", {101, 255, 1}), {0xFFFFFF, 0xFFFFFF, 0x020202}},
        {"P6 maxval 15", Binary("P6 1 1 15\n", {15, 0, 5}), {0xFF0055, 0, 0}},
        {"P2 maxval 1023", ToBytes("P2 2 1 1023 1023 511"), {0xFFFFFF, 0x7F7F7F, 0}},
        {"P3", ToBytes("P3 1 1 255 10 20 30"), {0x0A141E, 0, 0}},
        {"P5 two-byte samples", Binary("P5 2 1 65535\n", {0xFF, 0xFF, 0x80, 0x00}), {0xFFFFFF, 0x7F7F7F, 0}},
        {"P6 two-byte samples", Binary("P6 1 1 1000\n", {0x03, 0xE8, 0, 0, 0x01, 0xF4}), {0xFF007F, 0, 0}},
        {"P5 two-byte above maxval clamps",
         Binary("P5 3 1 1000\n", {0x07, 0xD0, 0xFF, 0xFF, 0x03, 0xE7}),
         {0xFFFFFF, 0xFFFFFF, 0xFEFEFE}},
        {"P5 full range", Binary("P5 3 1 255\n", {0, 128, 255}), {0, 0x808080, 0xFFFFFF}},
    };
    for (auto& c : cases) {
        TRun run;
        DecodePnm(run, c.data);
        ASSERT_FALSE(run.Failed()) << c.name;
        EXPECT_EQ(run.Bitmap.PixelFormat(), ikbf24Bit) << c.name;
        for (int32_t x = 0; x < run.Bitmap.Width(); ++x)
            EXPECT_EQ(Rgb(run.Bitmap, x, 0), c.expected[x]) << c.name << " pixel " << x;
    }
}

TEST(PnmFilter, FullRangeColourRowsRoundTrip) {
    // An odd-sized image of varied pixels written as P6 reads back unchanged, row by row.
    const int32_t w = 7, h = 3;
    std::vector<uint32_t> pixels;
    for (int32_t i = 0; i < w * h; ++i)
        pixels.push_back(uint32_t(i) * 0x0B0D11u ^ 0xA05000u);
    TRun run;
    Fill24(run.Bitmap, w, h, pixels);
    run.Params.BitsPerSample = 8;
    run.Params.SamplesPerPixel = 3;
    vcl::TMemoryStream out;
    EncodeBitmapToPnm(&out, &run.Bitmap, run.Params, run.Progress);
    const Bytes file = StreamBytes(out);
    const Bytes header = ToBytes("P6 7 3 255\n");
    ASSERT_EQ(file.size(), header.size() + size_t(w * h * 3));
    // The file holds red, green, blue.
    EXPECT_EQ(file[header.size()], uint8_t(pixels[0] >> 16));
    EXPECT_EQ(file[header.size() + 2], uint8_t(pixels[0]));
    TRun back;
    DecodePnm(back, file);
    ASSERT_FALSE(back.Failed());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            EXPECT_EQ(Rgb(back.Bitmap, x, y), pixels[size_t(y * w + x)]) << x << "," << y;
}

TEST(PnmFilter, BadHeadersAndShortDataFail) {
    const char* cases[] = {
        "P5 width 2 255\n",           // a word where the width stands
        "P5 0 2 255\n",               // empty image
        "P5 2 2 0\n\0\0\0\0",         // maxval 0
        "P5 2 2 70000\n",             // maxval beyond two-byte samples
        "P9 2 2 255\n",               // unknown magic
        "# only a comment\n",         // no magic
        "",                           // nothing
        "P5 2 2 255\n\1\2\3",         // one sample short
        "P2 2 2 255 1 2 3",           // one ASCII sample short
        "P1 3 1 0 1",                 // one ASCII bit short
        "P6 60000 60000 255\n\1\2\3", // a huge header over a few bytes
    };
    for (const char* text : cases) {
        TRun run;
        DecodePnm(run, ToBytes(text));
        EXPECT_TRUE(run.Failed()) << text;
    }
}

TEST(PnmFilter, ParamsOnlyReadsTheHeader) {
    TRun run;
    DecodePnm(run, ToBytes("P6 640 480 255\n"), ikrmParamsOnly);
    EXPECT_FALSE(run.Failed());
    EXPECT_EQ(run.Params.Width, 640);
    EXPECT_EQ(run.Params.Height, 480);
    EXPECT_EQ(run.Params.SamplesPerPixel, 3);
    EXPECT_EQ(run.Bitmap.Width(), 0);
}

TEST(PnmFilter, ProgressPerRow) {
    TRun run;
    DecodePnm(run, Binary("P5 1 4 255\n", {1, 2, 3, 4}));
    EXPECT_EQ(run.Reports, (std::vector<int32_t>{25, 50, 75, 100}));
}

TEST(PnmFilter, WritesBinaryForms) {
    // A one-bit image becomes P4 with black stored as 1; comments go between magic and size.
    TRun run;
    run.Bitmap.Allocate(3, 1, ikbf1Bit);
    run.Bitmap.ScanLine(0)[0] = 0xA0; // white, black, white
    run.Params.PnmComments = {"first", "second"};
    vcl::TMemoryStream out;
    EncodeBitmapToPnm(&out, &run.Bitmap, run.Params, run.Progress);
    Bytes expected = ToBytes("P4 \n# first\n\n# second\n3 1\n");
    expected.push_back(0x5F);
    EXPECT_EQ(StreamBytes(out), expected);

    // Reading it back gives the image and the comments.
    TRun back;
    DecodePnm(back, StreamBytes(out));
    ASSERT_FALSE(back.Failed());
    EXPECT_EQ(back.Params.PnmComments, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(Rgb(back.Bitmap, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(back.Bitmap, 1, 0), 0u);

    // 24-bit pixels: P5 gray with 8 x 1 samples, P6 with 8 x 3 (also for gray content).
    TRun color;
    color.Bitmap.Allocate(2, 1, ikbf24Bit);
    uint8_t* row = color.Bitmap.ScanLine(0);
    const uint8_t pixels[6] = {30, 20, 10, 255, 255, 255}; // B, G, R
    std::copy(pixels, pixels + 6, row);
    color.Params.BitsPerSample = 8;
    color.Params.SamplesPerPixel = 1;
    vcl::TMemoryStream gray;
    EncodeBitmapToPnm(&gray, &color.Bitmap, color.Params, color.Progress);
    Bytes grayExpected = ToBytes("P5 2 1 255\n");
    Append(grayExpected, {(10 * 21 + 20 * 71 + 30 * 8) / 100, 255});
    EXPECT_EQ(StreamBytes(gray), grayExpected);
    color.Params.SamplesPerPixel = 3;
    vcl::TMemoryStream rgb;
    EncodeBitmapToPnm(&rgb, &color.Bitmap, color.Params, color.Progress);
    Bytes rgbExpected = ToBytes("P6 2 1 255\n");
    Append(rgbExpected, {10, 20, 30, 255, 255, 255});
    EXPECT_EQ(StreamBytes(rgb), rgbExpected);

    // A colour image asked for as a bitmap is thresholded into P4.
    color.Params.BitsPerSample = 1;
    color.Params.SamplesPerPixel = 1;
    vcl::TMemoryStream bits;
    EncodeBitmapToPnm(&bits, &color.Bitmap, color.Params, color.Progress);
    Bytes bitsExpected = ToBytes("P4 2 1\n");
    bitsExpected.push_back(0x80); // dark first pixel black, white second
    EXPECT_EQ(StreamBytes(bits), bitsExpected);
    EXPECT_FALSE(color.Failed());
}
