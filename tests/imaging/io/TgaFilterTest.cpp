#include "imaging/io/TgaFilter.h"

#include "Formats2TestUtil.h"
#include "platform/vcl/SysUtils.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imaging;
using namespace formats2test;

namespace {

struct TTgaSpec {
    int idLength = 0, mapType = 0, type = 2;
    int mapFirst = 0, mapLength = 0, mapEntry = 0;
    int width = 2, height = 1, bits = 24, descriptor = 0;
};

Bytes TgaHeader(const TTgaSpec& s) {
    Bytes b;
    Append(b, {s.idLength, s.mapType, s.type});
    AppendWord(b, uint32_t(s.mapFirst));
    AppendWord(b, uint32_t(s.mapLength));
    Append(b, {s.mapEntry});
    AppendWord(b, 0);
    AppendWord(b, 0);
    AppendWord(b, uint32_t(s.width));
    AppendWord(b, uint32_t(s.height));
    Append(b, {s.bits, s.descriptor});
    return b;
}

Bytes Tga(const TTgaSpec& spec, std::initializer_list<int> rest) {
    Bytes b = TgaHeader(spec);
    Append(b, rest);
    return b;
}

void DecodeTga(TRun& run, const Bytes& data, TIKAlphaMode alphaMode = ikamKeep,
               TIKReadMode mode = ikrmImage) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    DecodeTgaToBitmap(&stream, &run.Bitmap, run.Params, run.Progress, mode, run.Mask, alphaMode);
}

Bytes EncodeTga(TRun& run, TIKMask* mask = nullptr) {
    vcl::TMemoryStream out;
    EncodeBitmapToTga(&out, &run.Bitmap, run.Params, run.Progress, mask);
    return StreamBytes(out);
}

} // namespace

TEST(TgaFilter, ContentTest) {
    struct {
        TTgaSpec spec;
        bool tga;
    } cases[] = {{{}, true},
                 {{.type = 10, .bits = 32}, true},
                 {{.type = 3, .bits = 1}, true},
                 {{.type = 4}, false},
                 {{.bits = 15}, false},
                 {{.mapType = 2}, false}};
    for (const auto& c : cases) {
        const Bytes data = TgaHeader(c.spec);
        vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
        EXPECT_EQ(IsTgaStream(&stream), c.tga) << c.spec.type << " " << c.spec.bits;
        EXPECT_EQ(stream.GetPosition(), 0);
    }
}

TEST(TgaFilter, PixelLayouts) {
    struct {
        const char* name;
        Bytes data;
        uint32_t expected[4]; // 2 x 2, rows from the top
    } cases[] = {
        // Bottom-up by default: the first stored row is the bottom one.
        {"24-bit bottom-up",
         Tga({.height = 2}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         {0x090807, 0x0C0B0A, 0x030201, 0x060504}},
        {"24-bit top-down",
         Tga({.height = 2, .descriptor = 0x20}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         {0x030201, 0x060504, 0x090807, 0x0C0B0A}},
        {"24-bit right to left",
         Tga({.height = 2, .descriptor = 0x10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         {0x0C0B0A, 0x090807, 0x060504, 0x030201}},
        // Five-bit fields widen by repeating their bits: 31 reads as 255, 16 as 132.
        {"16-bit white and pure channels",
         Tga({.height = 2, .bits = 16, .descriptor = 0x20}, {0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C}),
         {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}},
        {"16-bit right to left",
         Tga({.height = 2, .bits = 16, .descriptor = 0x30}, {0x10, 0x42, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C}),
         {0x0000FF, 0x848484, 0xFF0000, 0x00FF00}},
        {"8-bit gray",
         Tga({.type = 3, .height = 2, .bits = 8, .descriptor = 0x20}, {0, 255, 16, 128}),
         {0, 0xFFFFFF, 0x101010, 0x808080}},
        {"8-bit mapped from entry 1, 16-bit entries",
         Tga({.mapType = 1,
              .type = 1,
              .mapFirst = 1,
              .mapLength = 2,
              .mapEntry = 16,
              .height = 2,
              .bits = 8,
              .descriptor = 0x20},
             {0x1F, 0x00, 0x00, 0x7C, 1, 2, 2, 1}),
         {0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF}},
        {"4-bit mapped, high nibble first",
         Tga({.mapType = 1,
              .type = 1,
              .mapLength = 3,
              .mapEntry = 24,
              .height = 2,
              .bits = 4,
              .descriptor = 0x20},
             {0, 0, 0, 255, 0, 0, 0, 0, 255, 0x12, 0x20}),
         {0x0000FF, 0xFF0000, 0xFF0000, 0}},
        // Run-length packets, one of them crossing the end of a row.
        {"24-bit run-length, packets across rows",
         Tga({.type = 10, .height = 2, .descriptor = 0x20}, {0x82, 1, 2, 3, 0x00, 7, 8, 9}),
         {0x030201, 0x030201, 0x030201, 0x090807}},
        {"8-bit gray run-length",
         Tga({.type = 11, .height = 2, .bits = 8, .descriptor = 0x20}, {0x81, 9, 0x01, 1, 2}),
         {0x090909, 0x090909, 0x010101, 0x020202}},
    };
    for (auto& c : cases) {
        TRun run;
        DecodeTga(run, c.data);
        ASSERT_FALSE(run.Failed()) << c.name;
        ASSERT_EQ(run.Bitmap.Width(), 2) << c.name;
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(Rgb(run.Bitmap, i % 2, i / 2), c.expected[i]) << c.name << " pixel " << i;
    }
}

TEST(TgaFilter, ThirtyTwoBitAlpha) {
    const Bytes stored = {1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30, 10, 11, 12, 40};
    TRun run;
    Bytes file = TgaHeader({.height = 2, .bits = 32, .descriptor = 8});
    file.insert(file.end(), stored.begin(), stored.end());
    DecodeTga(run, file);
    ASSERT_FALSE(run.Failed());
    ASSERT_TRUE(run.Mask);
    EXPECT_FALSE(run.Mask->GetFull());
    // The bottom stored row goes into image row 1.
    EXPECT_EQ(run.Mask->GetPixel(0, 1), 10);
    EXPECT_EQ(run.Mask->GetPixel(1, 0), 40);
    EXPECT_EQ(Rgb(run.Bitmap, 0, 1), 0x030201u);
    EXPECT_EQ(run.Params.SamplesPerPixel, 4);

    // Without alpha bits in the descriptor the alpha is dropped.
    TRun plain;
    file[17] = 0;
    DecodeTga(plain, file);
    EXPECT_FALSE(plain.Failed());
    EXPECT_FALSE(plain.Mask);
    EXPECT_EQ(plain.Params.SamplesPerPixel, 4);
}

TEST(TgaFilter, DamagedFilesFail) {
    struct {
        const char* name;
        Bytes data;
    } cases[] = {
        {"unknown type", Tga({.type = 5}, {1, 2, 3, 4, 5, 6})},
        {"unknown depth", Tga({.bits = 12}, {1, 2, 3, 4, 5, 6})},
        {"data ends early", Tga({.height = 2}, {1, 2, 3, 4, 5, 6, 7})},
        {"run-length data ends early", Tga({.type = 10, .height = 2}, {0x82, 1, 2, 3})},
        {"raw packet ends early", Tga({.type = 10}, {0x01, 1, 2, 3})},
        {"empty image", Tga({.width = 0}, {})},
        {"unknown map entry size",
         Tga({.mapType = 1, .type = 1, .mapLength = 1, .mapEntry = 8, .bits = 8}, {1, 0, 0})},
        {"colour map cut short",
         Tga({.mapType = 1, .type = 1, .mapLength = 300, .mapEntry = 24, .bits = 8}, {1, 2})},
        {"run-length one-bit image", Tga({.type = 11, .bits = 1}, {0x81, 0xFF})},
        {"huge image over a few bytes", Tga({.type = 10, .width = 65535, .height = 65535}, {0xFF, 1, 2, 3})},
    };
    for (auto& c : cases) {
        TRun run;
        DecodeTga(run, c.data);
        EXPECT_TRUE(run.Failed()) << c.name;
    }
}

TEST(TgaFilter, ColourMapEntriesPastTheTableAreSkipped) {
    // 258 entries from index 0: the last two cannot be reached and are skipped, the pixels after them read.
    Bytes file =
        TgaHeader({.mapType = 1, .type = 1, .mapLength = 258, .mapEntry = 24, .width = 1, .bits = 8});
    for (int i = 0; i < 258; ++i)
        Append(file, {i % 256, 0, 0});
    file.push_back(5);
    TRun run;
    DecodeTga(run, file);
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0x000005u);
    EXPECT_EQ(run.Params.ColorMapCount(), 256);
}

TEST(TgaFilter, FooterAndExtensionArea) {
    // Without a footer: the defaults.
    TRun plain;
    DecodeTga(plain, Tga({}, {1, 2, 3, 4, 5, 6}));
    ASSERT_FALSE(plain.Failed());
    EXPECT_EQ(plain.Params.TgaAuthor, "");
    EXPECT_DOUBLE_EQ(plain.Params.TgaGamma, 2.2);
    EXPECT_DOUBLE_EQ(plain.Params.TgaAspectRatio, 1.0);
    EXPECT_DOUBLE_EQ(plain.Params.TgaDate, vcl::Date());

    // What the writer puts there reads back.
    TRun run;
    Fill24(run.Bitmap, 2, 1, {0x102030, 0x405060});
    run.Params.TgaAuthor = "An author whose name is longer than forty characters";
    run.Params.TgaName = "job";
    run.Params.TgaDescription = "desc";
    run.Params.TgaBackground = IKMakeRGBTriple(1, 2, 3);
    run.Params.TgaGamma = 2.2;
    run.Params.TgaAspectRatio = 1.0;
    run.Params.TgaDate = vcl::EncodeDate(2024, 2, 29) + vcl::EncodeTime(13, 14, 15, 0);
    run.Params.TgaXPosition = 7;
    const Bytes file = EncodeTga(run);
    ASSERT_FALSE(run.Failed());
    const size_t footer = file.size() - 26;
    EXPECT_EQ(std::string(file.begin() + long(footer) + 8, file.end()),
              std::string("TRUEVISION-XFILE.\0", 18));
    const size_t ext = file[footer] | file[footer + 1] << 8;
    EXPECT_EQ(file[ext + 478] | file[ext + 479] << 8, 22000); // gamma 22000 over 10000
    EXPECT_EQ(file[ext + 480] | file[ext + 481] << 8, 10000);
    TRun back;
    DecodeTga(back, file);
    ASSERT_FALSE(back.Failed());
    EXPECT_EQ(back.Params.TgaAuthor, std::string("An author whose name is longer than forty characters", 40));
    EXPECT_EQ(back.Params.TgaName, "job");
    EXPECT_EQ(back.Params.TgaDescription, std::string("desc\0", 5));
    EXPECT_EQ(back.Params.TgaBackground, IKMakeRGBTriple(1, 2, 3));
    EXPECT_DOUBLE_EQ(back.Params.TgaGamma, 2.2);
    EXPECT_DOUBLE_EQ(back.Params.TgaAspectRatio, 1.0);
    EXPECT_NEAR(back.Params.TgaDate, run.Params.TgaDate, 1e-6);
    EXPECT_EQ(back.Params.TgaXPosition, 7);
    EXPECT_EQ(Rgb(back.Bitmap, 1, 0), 0x405060u);

    // A gamma too large for ten thousandths is stored with a coarser denominator.
    run.Params.TgaGamma = 7.5;
    TRun again;
    const Bytes large = EncodeTga(run);
    DecodeTga(again, large);
    EXPECT_DOUBLE_EQ(again.Params.TgaGamma, 7.5);
}

TEST(TgaFilter, WritesEachDepth) {
    const std::vector<uint32_t> pixels = {0x070707, 0x070707, 0x070707, 0x090909};
    struct {
        const char* name;
        int bits, samples, compressed, gray;
        int type, depth, mapType;
    } cases[] = {
        {"24-bit run-length", 8, 3, 1, 0, 10, 24, 0},
        {"24-bit raw", 8, 3, 0, 0, 2, 24, 0},
        {"8-bit mapped run-length", 8, 1, 1, 0, 9, 8, 1},
        {"8-bit gray", 8, 1, 0, 1, 3, 8, 0},
        {"8-bit gray run-length", 8, 1, 1, 1, 11, 8, 0},
        {"4-bit mapped", 4, 1, 1, 0, 1, 4, 1},
        {"one-bit", 1, 1, 1, 0, 3, 1, 0},
    };
    for (const auto& c : cases) {
        TRun run;
        Fill24(run.Bitmap, 4, 1, pixels);
        run.Params.BitsPerSample = c.bits;
        run.Params.SamplesPerPixel = c.samples;
        run.Params.TgaCompressed = uint8_t(c.compressed);
        run.Params.TgaGrayLevel = uint8_t(c.gray);
        const Bytes file = EncodeTga(run);
        ASSERT_GT(file.size(), 18u) << c.name;
        EXPECT_EQ(file[1], c.mapType) << c.name;
        EXPECT_EQ(file[2], c.type) << c.name;
        EXPECT_EQ(file[16], c.depth) << c.name;
        EXPECT_EQ(file[17], 0x20) << c.name;
        if (c.depth == 8 || c.depth == 4) {
            EXPECT_EQ(file[5] | file[6] << 8, 1 << c.depth) << c.name;
        }
        TRun back;
        DecodeTga(back, file);
        ASSERT_FALSE(back.Failed()) << c.name;
        for (int32_t x = 0; x < 4; ++x) {
            const uint32_t expected = c.depth == 1 ? (x == 3 ? 0xFFFFFF : 0) : pixels[size_t(x)];
            EXPECT_EQ(Rgb(back.Bitmap, x, 0), expected) << c.name << " pixel " << x;
        }
    }
    // The row 7 7 7 9 at 8 bits codes as the packets (130, 7) and (0, 9).
    TRun gray;
    Fill24(gray.Bitmap, 4, 1, pixels);
    gray.Params.BitsPerSample = 8;
    gray.Params.SamplesPerPixel = 1;
    gray.Params.TgaGrayLevel = 1;
    const Bytes file = EncodeTga(gray);
    EXPECT_EQ(Bytes(file.begin() + 19, file.begin() + 23), (Bytes{130, 7, 0, 9}));
}

TEST(TgaFilter, WritesAlphaFromAMaskThatIsNotFull) {
    TRun run;
    Fill24(run.Bitmap, 2, 1, {0x112233, 0x445566});
    TIKMask mask;
    mask.Allocate(2, 1, 8);
    mask.Fill(255);
    mask.SetPixel(1, 0, 0);
    const Bytes file = EncodeTga(run, &mask);
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 0x28);
    EXPECT_EQ(run.Params.TgaCompressed, 0);
    TRun back;
    DecodeTga(back, file);
    ASSERT_FALSE(back.Failed());
    ASSERT_TRUE(back.Mask);
    EXPECT_EQ(back.Mask->GetPixel(0, 0), 255);
    EXPECT_EQ(back.Mask->GetPixel(1, 0), 0);
    EXPECT_EQ(Rgb(back.Bitmap, 1, 0), 0x445566u);

    // A one-bit image written with three samples is a 24-bit file of black and white pixels.
    TRun mono;
    mono.Bitmap.Allocate(2, 1, ikbf1Bit);
    mono.Bitmap.ScanLine(0)[0] = 0x40;
    const Bytes monoFile = EncodeTga(mono);
    EXPECT_EQ(monoFile[16], 24);
    TRun monoBack;
    DecodeTga(monoBack, monoFile);
    EXPECT_EQ(Rgb(monoBack.Bitmap, 0, 0), 0u);
    EXPECT_EQ(Rgb(monoBack.Bitmap, 1, 0), 0xFFFFFFu);
}

TEST(TgaFilter, SampleLayoutFollowsTheBitsPerPixel) {
    struct {
        int type, bits, bitsPerSample, samples;
    } cases[] = {{3, 1, 1, 1}, {3, 4, 4, 1}, {3, 8, 8, 1}, {2, 16, 5, 3}, {2, 24, 8, 3}, {2, 32, 8, 4}};
    for (const auto& c : cases) {
        TRun run;
        DecodeTga(run, TgaHeader({.type = c.type, .bits = c.bits}), ikamKeep, ikrmParamsOnly);
        EXPECT_FALSE(run.Failed()) << c.bits;
        EXPECT_EQ(run.Params.BitsPerSample, c.bitsPerSample) << c.bits;
        EXPECT_EQ(run.Params.SamplesPerPixel, c.samples) << c.bits;
    }
}
