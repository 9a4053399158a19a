#include "imaging/io/PcxFilter.h"

#include "Formats2TestUtil.h"

#include <gtest/gtest.h>

using namespace imaging;
using namespace formats2test;

namespace {

struct TPcxSpec {
    int version = 5, encoding = 1, bits = 8, planes = 1, width = 2, height = 1, bpl = 2;
    int dpiX = 72, dpiY = 72;
    std::vector<uint32_t> headerPalette = {}; // 0xRRGGBB
};

Bytes PcxHeader(const TPcxSpec& s) {
    Bytes b;
    Append(b, {10, s.version, s.encoding, s.bits});
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendWord(b, uint32_t(s.width - 1));
    AppendWord(b, uint32_t(s.height - 1));
    AppendWord(b, uint32_t(s.dpiX));
    AppendWord(b, uint32_t(s.dpiY));
    for (int i = 0; i < 16; ++i) {
        const uint32_t c = i < int(s.headerPalette.size()) ? s.headerPalette[size_t(i)] : 0;
        Append(b, {int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)});
    }
    Append(b, {0, s.planes});
    AppendWord(b, uint32_t(s.bpl));
    AppendWord(b, 1);
    b.resize(128, 0);
    return b;
}

void DecodePcx(TRun& run, const Bytes& data, int64_t position = 0, TIKReadMode mode = ikrmImage) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    stream.SetPosition(position);
    DecodePcxToBitmap(&stream, &run.Bitmap, run.Params, int64_t(data.size()) - position, run.Progress, mode);
}

Bytes Encode(TRun& run) {
    vcl::TMemoryStream out;
    EncodeBitmapToPcx(&out, &run.Bitmap, run.Params, run.Progress);
    return StreamBytes(out);
}

} // namespace

TEST(PcxFilter, RunLengthRows) {
    // A run byte C5 followed by 20 gives five bytes 20; a run crossing the end of a plane row fills the
    // start of the next one.
    const uint8_t data[] = {0xC5, 0x20, 0x07, 0xC4, 0x09};
    int64_t pos = 0;
    int32_t carry = 0;
    uint8_t value = 0;
    uint8_t row[6] = {};
    ASSERT_TRUE(DecodePcxRow(data, sizeof data, pos, row, 6, ikpcRle, carry, value));
    EXPECT_EQ(Bytes(row, row + 6), (Bytes{0x20, 0x20, 0x20, 0x20, 0x20, 0x07}));
    uint8_t next[2] = {};
    ASSERT_TRUE(DecodePcxRow(data, sizeof data, pos, next, 2, ikpcRle, carry, value));
    EXPECT_EQ(Bytes(next, next + 2), (Bytes{0x09, 0x09}));
    ASSERT_TRUE(DecodePcxRow(data, sizeof data, pos, next, 2, ikpcRle, carry, value));
    EXPECT_EQ(Bytes(next, next + 2), (Bytes{0x09, 0x09}));
    // The data runs out: reported, nothing read past it.
    EXPECT_FALSE(DecodePcxRow(data, sizeof data, pos, next, 2, ikpcRle, carry, value));

    // Coding: a literal C0 always becomes C1 C0, a run of 100 a run of 63 and one of 37, an odd count gets
    // a 0 byte so that the row has the even length.
    uint8_t out[300];
    const uint8_t literal[] = {0xC0, 0x01};
    EXPECT_EQ(EncodePcxRow(out, literal, 2, 1, 0), 3);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0xC1, 0xC0, 0x01}));
    const Bytes hundred(100, 0x33);
    EXPECT_EQ(EncodePcxRow(out, hundred.data(), 100, 1, 0), 4);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0xFF, 0x33, 0xE5, 0x33}));
    const uint8_t three[] = {1, 2, 3};
    EXPECT_EQ(EncodePcxRow(out, three, 3, 1, 0), 4);
    EXPECT_EQ(out[3], 0);
    // Stride and offset pick one plane of interleaved pixels.
    const uint8_t bgr[] = {1, 2, 3, 1, 2, 3};
    EXPECT_EQ(EncodePcxRow(out, bgr, 2, 3, 2), 2);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{0xC2, 3}));
}

TEST(PcxFilter, EightBitImageFindsItsPaletteAtItsOwnEnd) {
    // The image sits behind 5 bytes of other data: its palette is the last 768 bytes of its own data.
    TPcxSpec spec;
    Bytes file(5, 0xEE);
    const Bytes header = PcxHeader(spec);
    file.insert(file.end(), header.begin(), header.end());
    Append(file, {0xC2, 1}); // two pixels of index 1
    file.push_back(12);
    Bytes palette(768, 0);
    palette[3] = 0x11; // index 1: red 11, green 22, blue 33
    palette[4] = 0x22;
    palette[5] = 0x33;
    file.insert(file.end(), palette.begin(), palette.end());
    TRun run;
    run.Params.PcxCompression = ikpcNone;
    DecodePcx(run, file, 5);
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0x112233u);
    EXPECT_EQ(Rgb(run.Bitmap, 1, 0), 0x112233u);
    EXPECT_EQ(run.Params.ColorMapCount(), 256);
    EXPECT_EQ(run.Params.BitsPerSample, 8);
    EXPECT_EQ(run.Params.PcxVersion, 5);
    EXPECT_EQ(run.Params.DpiX, 72);
    EXPECT_EQ(run.Params.PcxCompression, ikpcNone); // reading leaves the writer's option alone
}

TEST(PcxFilter, FourPlanesOfSixteenColours) {
    TPcxSpec spec;
    spec.bits = 1;
    spec.planes = 4;
    spec.width = 2;
    spec.bpl = 2;
    spec.dpiY = 0; // one resolution missing: both take the library default
    spec.headerPalette.resize(16);
    spec.headerPalette[5] = 0x0000AA;
    spec.headerPalette[10] = 0x00AA00;
    Bytes file = PcxHeader(spec);
    // Pixel 0 has index 5 (planes 1 and 3), pixel 1 index 10 (planes 2 and 4).
    Append(file, {0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0});
    TRun run;
    DecodePcx(run, file);
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0x0000AAu);
    EXPECT_EQ(Rgb(run.Bitmap, 1, 0), 0x00AA00u);
    EXPECT_EQ(run.Params.BitsPerSample, 4);
    EXPECT_EQ(run.Params.SamplesPerPixel, 1);
    EXPECT_EQ(run.Params.ColorMapCount(), 16);
    EXPECT_EQ(run.Params.DpiX, IKDefaultDpiX);
    EXPECT_EQ(run.Params.DpiY, IKDefaultDpiY);
}

TEST(PcxFilter, TwoColourImagesKeepTheirColours) {
    struct {
        const char* name;
        std::vector<uint32_t> palette;
        TIKBitmapFormat format;
        uint32_t first, second; // pixel 0 has bit 1, pixel 1 bit 0
    } cases[] = {
        {"black and white", {0x000000, 0xFFFFFF}, ikbf1Bit, 0xFFFFFF, 0x000000},
        {"white and black", {0xFFFFFF, 0x000000}, ikbf1Bit, 0x000000, 0xFFFFFF},
        {"zero palette", {}, ikbf1Bit, 0xFFFFFF, 0x000000},
        {"red and blue", {0xFF0000, 0x0000FF}, ikbf24Bit, 0x0000FF, 0xFF0000},
    };
    for (const auto& c : cases) {
        TPcxSpec spec;
        spec.bits = 1;
        spec.bpl = 2;
        spec.headerPalette = c.palette;
        Bytes file = PcxHeader(spec);
        Append(file, {0x80, 0});
        TRun run;
        DecodePcx(run, file);
        ASSERT_FALSE(run.Failed()) << c.name;
        EXPECT_EQ(run.Bitmap.PixelFormat(), c.format) << c.name;
        EXPECT_EQ(Rgb(run.Bitmap, 0, 0), c.first) << c.name;
        EXPECT_EQ(Rgb(run.Bitmap, 1, 0), c.second) << c.name;
    }
}

TEST(PcxFilter, DamagedFilesFail) {
    struct {
        const char* name;
        TPcxSpec spec;
        int manufacturer;
        Bytes data;
    } cases[] = {
        {"manufacturer", {}, 11, {0xC2, 0}},
        {"encoding 2", {.encoding = 2}, 10, {0xC2, 0}},
        {"bits above 8", {.bits = 9}, 10, {0xC2, 0}},
        {"two planes", {.planes = 2}, 10, {0xC4, 0}},
        {"row longer than bytes per line", {.width = 9, .bpl = 2}, 10, {0xC2, 0}},
        {"palette missing", {}, 10, {0xC2, 0}},
        {"data ends early", {.bits = 8, .planes = 3, .height = 2}, 10, {0xC6, 0}},
        {"huge window over a few bytes",
         {.bits = 8, .planes = 3, .width = 65535, .height = 65535, .bpl = 65535},
         10,
         {0xC6, 0}},
    };
    for (auto& c : cases) {
        Bytes file = PcxHeader(c.spec);
        file[0] = uint8_t(c.manufacturer);
        file.insert(file.end(), c.data.begin(), c.data.end());
        TRun run;
        DecodePcx(run, file);
        EXPECT_TRUE(run.Failed()) << c.name;
    }
}

TEST(PcxFilter, WritesAndReadsBackEachDepth) {
    const std::vector<uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00, 0x0000FF};
    struct {
        int bits, samples, compression;
        int headerBits, planes, bpl;
        bool trailingPalette;
    } cases[] = {
        {8, 3, 1, 8, 3, 4, false}, {8, 1, 1, 8, 1, 4, true}, {4, 1, 1, 4, 1, 2, false},
        {8, 3, 0, 8, 3, 4, false}, {8, 1, 0, 8, 1, 4, true},
    };
    for (const auto& c : cases) {
        TRun run;
        Fill24(run.Bitmap, 3, 2, pixels);
        run.Params.BitsPerSample = c.bits;
        run.Params.SamplesPerPixel = c.samples;
        run.Params.PcxCompression = uint8_t(c.compression);
        run.Params.DpiX = 300;
        run.Params.DpiY = 150;
        const Bytes file = Encode(run);
        const std::string name = std::to_string(c.bits) + "x" + std::to_string(c.samples) + " rle " +
                                 std::to_string(c.compression);
        ASSERT_GE(file.size(), 128u) << name;
        EXPECT_EQ(file[2], c.compression) << name;
        EXPECT_EQ(file[3], c.headerBits) << name;
        EXPECT_EQ(file[65], c.planes) << name;
        EXPECT_EQ(file[66], c.bpl) << name;
        const size_t rows = size_t(c.bpl) * c.planes * 2;
        if (c.compression == 0) {
            EXPECT_EQ(file.size(), 128 + rows + (c.trailingPalette ? 769 : 0)) << name;
        }
        if (c.trailingPalette) {
            EXPECT_EQ(file[file.size() - 769], 12) << name;
        }
        TRun back;
        DecodePcx(back, file);
        ASSERT_FALSE(back.Failed()) << name;
        EXPECT_EQ(back.Params.DpiX, 300);
        EXPECT_EQ(back.Params.DpiY, 150);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x)
                EXPECT_EQ(Rgb(back.Bitmap, x, y), pixels[size_t(y * 3 + x)]) << name << " " << x << "," << y;
    }
}

TEST(PcxFilter, WritesTwoColourImagesAsOneBit) {
    // Two colours keep their palette (darker first); more colours are thresholded to black and white.
    TRun run;
    Fill24(run.Bitmap, 2, 1, {0x102030, 0xF0E0D0});
    run.Params.BitsPerSample = 1;
    const Bytes file = Encode(run);
    EXPECT_EQ(file[3], 1);
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 22), (Bytes{0x10, 0x20, 0x30, 0xF0, 0xE0, 0xD0}));
    TRun back;
    DecodePcx(back, file);
    ASSERT_FALSE(back.Failed());
    EXPECT_EQ(Rgb(back.Bitmap, 0, 0), 0x102030u);
    EXPECT_EQ(Rgb(back.Bitmap, 1, 0), 0xF0E0D0u);

    TRun mono;
    mono.Bitmap.Allocate(10, 1, ikbf1Bit);
    mono.Bitmap.ScanLine(0)[0] = 0xF0;
    mono.Params.BitsPerSample = 1;
    const Bytes monoFile = Encode(mono);
    TRun monoBack;
    DecodePcx(monoBack, monoFile);
    ASSERT_FALSE(monoBack.Failed());
    EXPECT_EQ(monoBack.Bitmap.PixelFormat(), ikbf1Bit);
    EXPECT_EQ(monoBack.Bitmap.ScanLine(0)[0], 0xF0);
    EXPECT_EQ(monoBack.Bitmap.ScanLine(0)[1] & 0xC0, 0);
}
