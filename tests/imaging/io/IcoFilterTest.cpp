#include "imaging/io/IcoFilter.h"

#include "Formats2TestUtil.h"
#include "imaging/io/PngFilter.h"

#include <gtest/gtest.h>

using namespace imaging;
using namespace formats2test;

namespace {

struct TIconImage {
    int width = 2, height = 1, bits = 1;
    int entryWidth = -1, entryHeight = -1, entryBits = -1, colorCount = 0;
    int hotX = 0, hotY = 0;
    std::vector<uint32_t> palette; // 0xRRGGBB
    std::vector<Bytes> rows;       // colour rows from the top, unpadded
    std::vector<Bytes> maskRows;   // mask rows from the top, unpadded
    Bytes raw;                     // used in place of header and rows when not empty
};

Bytes PadRow(const Bytes& row, size_t length) {
    Bytes r = row;
    r.resize(length, 0);
    return r;
}

Bytes IconData(const TIconImage& im) {
    if (!im.raw.empty())
        return im.raw;
    Bytes b;
    AppendDWord(b, 40);
    AppendDWord(b, uint32_t(im.width));
    AppendDWord(b, uint32_t(im.height * 2));
    AppendWord(b, 1);
    AppendWord(b, uint32_t(im.bits));
    AppendDWord(b, 0);
    AppendDWord(b, 0);
    AppendDWord(b, 3780); // 96 dpi
    AppendDWord(b, 3780);
    AppendDWord(b, uint32_t(im.palette.size()));
    AppendDWord(b, 0);
    for (uint32_t c : im.palette)
        Append(b, {int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255), 0});
    const size_t colorRow = size_t((im.width * im.bits + 31) / 32 * 4);
    const size_t maskRow = size_t((im.width + 31) / 32 * 4);
    for (int y = im.height - 1; y >= 0; --y) {
        const Bytes r = PadRow(im.rows[size_t(y)], colorRow);
        b.insert(b.end(), r.begin(), r.end());
    }
    for (int y = im.height - 1; y >= 0 && !im.maskRows.empty(); --y) {
        const Bytes r = PadRow(im.maskRows[size_t(y)], maskRow);
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

Bytes Directory(int type, const std::vector<TIconImage>& images) {
    Bytes b;
    AppendWord(b, 0);
    AppendWord(b, uint32_t(type));
    AppendWord(b, uint32_t(images.size()));
    std::vector<Bytes> data;
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const auto& im : images) {
        data.push_back(IconData(im));
        Append(b, {im.entryWidth >= 0 ? im.entryWidth : im.width,
                   im.entryHeight >= 0 ? im.entryHeight : im.height, im.colorCount, 0});
        AppendWord(b, uint32_t(type == 2 ? im.hotX : 1));
        AppendWord(b, uint32_t(type == 2 ? im.hotY : (im.entryBits >= 0 ? im.entryBits : im.bits)));
        AppendDWord(b, uint32_t(data.back().size()));
        AppendDWord(b, offset);
        offset += uint32_t(data.back().size());
    }
    for (const auto& d : data)
        b.insert(b.end(), d.begin(), d.end());
    return b;
}

void DecodeIcon(TRun& run, const Bytes& data, bool cursor = false, TIKAlphaMode alphaMode = ikamKeep) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    if (cursor)
        DecodeCurToBitmap(&stream, &run.Bitmap, run.Params, ikrmImage, run.Progress, run.Mask, alphaMode);
    else
        DecodeIcoToBitmap(&stream, &run.Bitmap, run.Params, ikrmImage, run.Progress, run.Mask, alphaMode);
}

// A monochrome 4 x 1 icon: colour bits 0 1 0 1, the last two pixels masked.
TIconImage MonoIcon() {
    TIconImage im;
    im.width = 4;
    im.palette = {0x000000, 0xFFFFFF};
    im.rows = {{0x50}};
    im.maskRows = {{0x30}};
    return im;
}

} // namespace

TEST(IcoFilter, ContentTests) {
    const Bytes icon = Directory(1, {MonoIcon()});
    const Bytes cursor = Directory(2, {MonoIcon()});
    Bytes early = icon;
    early[6 + 12] = 21; // the first entry's data would start inside the entry itself
    struct {
        const Bytes* data;
        bool ico, cur;
    } cases[] = {{&icon, true, false}, {&cursor, false, true}, {&early, false, false}};
    for (const auto& c : cases) {
        vcl::TReadOnlyMemoryStream stream(c.data->data(), int64_t(c.data->size()));
        EXPECT_EQ(IsIcoStream(&stream), c.ico);
        EXPECT_EQ(stream.GetPosition(), 0);
        EXPECT_EQ(IsCurStream(&stream), c.cur);
        EXPECT_EQ(stream.GetPosition(), 0);
    }
}

TEST(IcoFilter, MonochromeMaskOverWhiteAndBlack) {
    // Over white, masked pixels of colour 0 show white and those of colour 1 invert to black; over black
    // they keep their colour bits.
    struct {
        TIKColorTriple background;
        uint32_t expected[4];
    } cases[] = {{{255, 255, 255}, {0, 0xFFFFFF, 0xFFFFFF, 0}}, {{0, 0, 0}, {0, 0xFFFFFF, 0, 0xFFFFFF}}};
    for (const auto& c : cases) {
        TRun run;
        run.Params.IcoBackground = c.background;
        DecodeIcon(run, Directory(1, {MonoIcon()}));
        ASSERT_FALSE(run.Failed());
        EXPECT_EQ(run.Bitmap.PixelFormat(), ikbf1Bit);
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(Rgb(run.Bitmap, x, 0), c.expected[x]) << x;
        ASSERT_TRUE(run.Mask);
        EXPECT_EQ(run.Mask->GetPixel(1, 0), 255);
        EXPECT_EQ(run.Mask->GetPixel(2, 0), 0);
        EXPECT_EQ(run.Mask->GetPixel(3, 0), 0);
        EXPECT_EQ(run.Params.DpiX, 96);
        EXPECT_EQ(run.Params.ColorMapCount(), 2);
    }
}

TEST(IcoFilter, PalettedAndTrueColourImages) {
    TIconImage sixteen; // odd width: the last pixel comes from a high nibble
    sixteen.width = 3;
    sixteen.height = 2;
    sixteen.bits = 4;
    sixteen.palette.assign(16, 0);
    sixteen.palette[1] = 0x112233;
    sixteen.palette[2] = 0x445566;
    sixteen.rows = {{0x12, 0x1F}, {0x21, 0x20}};
    sixteen.maskRows = {{0x20}, {0x00}};

    TIconImage eight;
    eight.bits = 8;
    eight.palette.assign(256, 0);
    eight.palette[200] = 0xABCDEF;
    eight.rows = {{200, 0}};
    eight.maskRows = {{0x40}};

    TIconImage twoColour = MonoIcon(); // a two-colour palette that is not black and white
    twoColour.palette = {0xFF0000, 0x0000FF};

    TIconImage truecolour; // 24 bits: the mask applies as at the paletted depths
    truecolour.bits = 24;
    truecolour.rows = {{1, 2, 3, 4, 5, 6}};
    truecolour.maskRows = {{0x40}};

    TIconImage alpha; // 32 bits with alpha bytes
    alpha.bits = 32;
    alpha.rows = {{1, 2, 3, 0, 4, 5, 6, 200}};
    alpha.maskRows = {{0x80}};

    TIconImage noAlpha; // 32 bits whose alpha bytes are all zero: the AND mask gives the transparency
    noAlpha.bits = 32;
    noAlpha.rows = {{1, 2, 3, 0, 4, 5, 6, 0}};
    noAlpha.maskRows = {{0x80}};

    const uint32_t white = 0xFFFFFF;
    struct {
        const char* name;
        TIconImage image;
        int bitsPerSample, samples;
        std::vector<uint32_t> pixels;
        std::vector<int> alphaValues;
    } cases[] = {
        {"16 colours, odd width",
         sixteen,
         4,
         1,
         {0x112233, 0x445566, white, 0x445566, 0x112233, 0x445566},
         {255, 255, 0, 255, 255, 255}},
        {"256 colours", eight, 8, 1, {0xABCDEF, white}, {255, 0}},
        {"two colours", twoColour, 1, 1, {0xFF0000, 0x0000FF, white, white}, {255, 255, 0, 0}},
        {"24 bits", truecolour, 8, 3, {0x030201, white}, {255, 0}},
        {"32 bits", alpha, 8, 3, {0x030201, 0x060504}, {0, 200}},
        {"32 bits without alpha", noAlpha, 8, 3, {0x030201, 0x060504}, {0, 255}},
    };
    for (auto& c : cases) {
        TRun run;
        DecodeIcon(run, Directory(1, {c.image}));
        ASSERT_FALSE(run.Failed()) << c.name;
        EXPECT_EQ(run.Params.BitsPerSample, c.bitsPerSample) << c.name;
        EXPECT_EQ(run.Params.SamplesPerPixel, c.samples) << c.name;
        const int32_t w = run.Bitmap.Width();
        ASSERT_EQ(size_t(w * run.Bitmap.Height()), c.pixels.size()) << c.name;
        for (size_t i = 0; i < c.pixels.size(); ++i) {
            EXPECT_EQ(Rgb(run.Bitmap, int32_t(i) % w, int32_t(i) / w), c.pixels[i])
                << c.name << " pixel " << i;
            EXPECT_EQ(run.Mask->GetPixel(int32_t(i) % w, int32_t(i) / w), c.alphaValues[i])
                << c.name << " " << i;
        }
    }
}

TEST(IcoFilter, SelectedImageAndSizeFromTheHeader) {
    // Entry width and height 0 stand for the header's size (a 256-pixel icon).
    TIconImage big;
    big.width = 256;
    big.height = 256;
    big.entryWidth = 0;
    big.entryHeight = 0;
    big.palette = {0, 0xFFFFFF};
    big.rows.assign(256, Bytes(32, 0xFF));
    big.maskRows.assign(256, Bytes(32, 0));
    TRun run;
    run.Params.IcoImageIndex = 1;
    DecodeIcon(run, Directory(1, {MonoIcon(), big}));
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(run.Params.Width, 256);
    EXPECT_EQ(run.Params.Height, 256);
    EXPECT_EQ(Rgb(run.Bitmap, 255, 255), 0xFFFFFFu);

    // An index outside the directory fails and changes nothing.
    TRun outside;
    outside.Params.IcoImageIndex = 3;
    outside.Params.Width = 77;
    DecodeIcon(outside, Directory(1, {MonoIcon(), big}));
    EXPECT_TRUE(outside.Failed());
    EXPECT_EQ(outside.Params.Width, 77);
    EXPECT_EQ(outside.Bitmap.Width(), 0);
}

TEST(IcoFilter, CursorsGiveTheirHotSpotAndBackground) {
    TIconImage im;
    im.width = 2;
    im.bits = 4;
    im.hotX = 5;
    im.hotY = 9;
    im.colorCount = 16;
    im.palette.assign(16, 0);
    im.palette[3] = 0x010203;
    im.rows = {{0x33}};
    im.maskRows = {{0xC0}};
    TRun run;
    run.Params.CurBackground = IKMakeRGBTriple(9, 8, 7);
    DecodeIcon(run, Directory(2, {im}), true);
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(run.Params.CurXHotSpot, 5);
    EXPECT_EQ(run.Params.CurYHotSpot, 9);
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0x090807u);
    EXPECT_EQ(Rgb(run.Bitmap, 1, 0), 0x090807u);
    EXPECT_EQ(run.Mask->GetPixel(1, 0), 0);

    // Without alpha no mask is made.
    TRun ignore;
    DecodeIcon(ignore, Directory(2, {im}), true, ikamIgnore);
    EXPECT_FALSE(ignore.Failed());
    EXPECT_FALSE(ignore.Mask);
}

TEST(IcoFilter, BitmapFilesAndPngEntries) {
    // A bitmap file named as an icon reads through the BMP reader.
    Bytes bmp = ToBytes("BM");
    AppendDWord(bmp, 58);
    AppendDWord(bmp, 0);
    AppendDWord(bmp, 54);
    AppendDWord(bmp, 40);
    AppendDWord(bmp, 1);
    AppendDWord(bmp, 1);
    AppendWord(bmp, 1);
    AppendWord(bmp, 24);
    for (int i = 0; i < 6; ++i)
        AppendDWord(bmp, 0);
    Append(bmp, {0x30, 0x20, 0x10, 0});
    TRun fromBmp;
    DecodeIcon(fromBmp, bmp);
    ASSERT_FALSE(fromBmp.Failed());
    EXPECT_EQ(Rgb(fromBmp.Bitmap, 0, 0), 0x102030u);

    // An entry holding a PNG file reads through the PNG reader.
    TRun source;
    source.Bitmap.Allocate(2, 1, ikbf24Bit);
    uint8_t* p = source.Bitmap.ScanLine(0);
    p[0] = 0x33, p[1] = 0x22, p[2] = 0x11, p[3] = 0x66, p[4] = 0x55, p[5] = 0x44;
    vcl::TMemoryStream png;
    EncodeBitmapToPng(&png, &source.Bitmap, source.Params, source.Progress, nullptr);
    TIconImage entry;
    entry.raw = StreamBytes(png);
    entry.bits = 32;
    TRun fromPng;
    DecodeIcon(fromPng, Directory(1, {entry}));
    ASSERT_FALSE(fromPng.Failed());
    EXPECT_EQ(Rgb(fromPng.Bitmap, 0, 0), 0x112233u);
    EXPECT_EQ(Rgb(fromPng.Bitmap, 1, 0), 0x445566u);
}

TEST(IcoFilter, DamagedFilesFail) {
    const Bytes good = Directory(1, {MonoIcon()});
    Bytes outside = good;
    outside[6 + 12] = 0xF0; // data offset beyond the file
    outside[6 + 13] = 0xFF;
    const Bytes shortData(good.begin(), good.end() - 3);
    TIconImage sixteenBits = MonoIcon();
    sixteenBits.bits = 16;
    sixteenBits.palette.clear();
    sixteenBits.rows = {{0, 0, 0, 0, 0, 0, 0, 0}};
    TIconImage noDepth = MonoIcon();
    noDepth.bits = 0;
    noDepth.entryBits = 0;
    noDepth.palette.clear();
    TIconImage huge; // a header of 30000 x 30000 pixels over no data at all
    huge.entryWidth = 0;
    huge.entryHeight = 0;
    AppendDWord(huge.raw, 40);
    AppendDWord(huge.raw, 30000);
    AppendDWord(huge.raw, 60000);
    AppendWord(huge.raw, 1);
    AppendWord(huge.raw, 24);
    huge.raw.resize(40, 0);
    const Bytes cases[] = {outside,
                           shortData,
                           Directory(1, {sixteenBits}),
                           Directory(1, {noDepth}),
                           Directory(1, {huge}),
                           Bytes(good.begin(), good.begin() + 10)};
    for (const Bytes& data : cases) {
        TRun run;
        DecodeIcon(run, data);
        EXPECT_TRUE(run.Failed());
    }
}
