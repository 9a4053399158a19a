#include "TiffTestUtil.h"

#include "IOTestUtil.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOLzw.h"
#include "platform/vcl/ImageBudget.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <random>

using namespace imaging;
using namespace tifftest;

namespace {

// A 3 x 2 image of 8-bit RGB samples 0..17.
std::vector<uint8_t> RgbPixels() {
    std::vector<uint8_t> p(18);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = uint8_t(i * 10);
    return p;
}

// A one-page file with the usual tags and one strip (none when strip is empty); extra adds tags before the
// page ends.
template <typename Extra>
std::vector<uint8_t> OnePage(int32_t width, int32_t height, uint16_t bits, uint16_t samples,
                             uint16_t photometric, const std::vector<uint8_t>& strip, Extra extra,
                             bool big = false) {
    TiffBuilder b(big);
    if (!strip.empty())
        b.Strip(strip);
    b.Long(256, {uint32_t(width)});
    b.Long(257, {uint32_t(height)});
    b.Short(258, std::vector<uint16_t>(samples, bits));
    b.Short(262, {photometric});
    b.Short(277, {samples});
    extra(b);
    b.EndPage();
    return b.Bytes();
}

auto NoExtra = [](TiffBuilder&) {};

} // namespace

TEST(TiffRead, BilevelPagesAgreeWithLibtiffForEveryCoding) {
    // Made by ImageMagick and tiffcp from one drawing: a black rectangle at columns 2..9, a circle and a line
    // on white. Photometric BlackIsZero and WhiteIsZero, none, PackBits, G3 1-D and 2-D (with fill bits),
    // G4, fill order 2 and big-endian. fax2tiff re-labels the G3 data of the BlackIsZero page as WhiteIsZero,
    // so libtiff shows it inverted.
    TIOParamsVals params;
    TiffRead reference;
    ReadTiffFile("bilevel-none.tif", params, reference);
    ASSERT_FALSE(reference.Aborting);
    ASSERT_EQ(reference.Bitmap.PixelFormat(), ikbf1Bit);
    ASSERT_EQ(reference.Bitmap.Width(), 61);
    EXPECT_TRUE(IKTestBit(reference.Bitmap.ScanLine(0), 0));   // white corner
    EXPECT_FALSE(IKTestBit(reference.Bitmap.ScanLine(10), 5)); // inside the rectangle
    std::vector<uint8_t> expected = Pixels(reference.Bitmap);
    for (const char* name :
         {"bilevel-none-be.tif", "bilevel-packbits.tif", "bilevel-g3.tif", "bilevel-g3-2d.tif",
          "bilevel-g3-2d-fill.tif", "bilevel-g4.tif", "bilevel-g4-fill2.tif", "bilevel-white-none.tif",
          "bilevel-white-g3.tif", "bilevel-white-g4.tif"}) {
        TiffRead page;
        ReadTiffFile(name, params, page);
        EXPECT_FALSE(page.Aborting) << name;
        EXPECT_EQ(Pixels(page.Bitmap), expected) << name;
    }
    TiffRead fax;
    ReadTiffFile("fax2tiff-g3.tif", params, fax);
    std::vector<uint8_t> inverted = expected;
    for (auto& v : inverted)
        v ^= 1;
    EXPECT_EQ(Pixels(fax.Bitmap), inverted);
    EXPECT_EQ(params.TiffCompression, iktcG3Fax1D); // Group 3 one-dimensional
}

TEST(TiffRead, ColourPagesAgreeAcrossLayouts) {
    // One 13 x 7 picture stored uncompressed, as big-endian LZW with the predictor, in 16 x 16 LZW tiles, and
    // as separate PackBits planes of 3-row strips.
    TIOParamsVals params;
    TiffRead reference;
    ReadTiffFile("rgb-none.tif", params, reference);
    ASSERT_FALSE(reference.Aborting);
    ASSERT_EQ(reference.Bitmap.PixelFormat(), ikbf24Bit);
    std::vector<uint8_t> expected = Pixels(reference.Bitmap);
    for (const char* name : {"rgb-lzw-pred-be.tif", "rgb-lzw-tiled.tif", "rgb-packbits-planar.tif"}) {
        TiffRead page;
        ReadTiffFile(name, params, page);
        EXPECT_FALSE(page.Aborting) << name;
        EXPECT_EQ(page.Bitmap.Width(), 13) << name;
        EXPECT_EQ(Pixels(page.Bitmap), expected) << name;
    }
}

TEST(TiffRead, PagesOfAChain) {
    TIOParamsVals params;
    TiffRead first;
    ReadTiffFile("rgb-none.tif", params, first);
    params.TiffImageIndex = 2;
    TiffRead third;
    ReadTiffFile("pages3.tif", params, third);
    EXPECT_FALSE(third.Aborting);
    EXPECT_EQ(third.Pages, 3);
    EXPECT_EQ(params.TiffImageCount, 3);
    EXPECT_EQ(Pixels(third.Bitmap), Pixels(first.Bitmap));
    params.TiffImageIndex = 1;
    TiffRead second;
    ReadTiffFile("pages3.tif", params, second);
    EXPECT_EQ(second.Bitmap.PixelFormat(), ikbf1Bit);
    // A page beyond the chain: Aborting, the count still given, the parameters as they were.
    params.TiffImageIndex = 3;
    params.Width = 999;
    TiffRead missing;
    ReadTiffFile("pages3.tif", params, missing);
    EXPECT_TRUE(missing.Aborting);
    EXPECT_EQ(missing.Pages, 3);
    EXPECT_EQ(params.Width, 999);
}

TEST(TiffRead, ChainsThatLoopEnd) {
    // One IFD pointing at itself.
    TiffBuilder self;
    self.Long(256, {1});
    uint32_t at = self.EndPage(0);
    std::vector<uint8_t> bytes = self.Bytes();
    bytes[at + 2 + 12] = uint8_t(at); // next offset := own offset
    TIOParamsVals params;
    params.TiffImageIndex = 5;
    TiffRead r;
    ReadTiffBytes(bytes, params, r);
    EXPECT_EQ(r.Pages, 1);
    EXPECT_TRUE(r.Aborting);
    // Two IFDs pointing at each other.
    TiffBuilder pair;
    pair.Long(256, {1});
    uint32_t a = pair.EndPage(-1);
    pair.Long(256, {2});
    pair.EndPage(a);
    TiffRead r2;
    ReadTiffBytes(pair.Bytes(), params, r2);
    EXPECT_EQ(r2.Pages, 2);
}

TEST(TiffRead, BigAndLittleEndianTwinsGiveTheSameImageAndParameters) {
    auto page = [](bool big) {
        return OnePage(
            3, 2, 8, 3, 2, RgbPixels(),
            [](TiffBuilder& b) {
                b.Short(297, {2, 5});
                b.Rational(282, 118, 1);
                b.Short(296, {3});
                b.Ascii(269, "abc"); // three characters and the NUL held in the entry
                b.Ascii(285, "a longer page name");
            },
            big);
    };
    TIOParamsVals le, be;
    TiffRead a, b;
    ReadTiffBytes(page(false), le, a);
    ReadTiffBytes(page(true), be, b);
    ASSERT_FALSE(a.Aborting);
    ASSERT_FALSE(b.Aborting);
    EXPECT_EQ(Pixels(a.Bitmap), Pixels(b.Bitmap));
    for (TIOParamsVals* p : {&le, &be}) {
        EXPECT_EQ(p->TiffPageNumber, 2);
        EXPECT_EQ(p->TiffPageCount, 5);
        EXPECT_EQ(p->TiffPhotometric, 2);
        EXPECT_EQ(p->DpiX, 299); // Trunc(118 x 2.54)
        EXPECT_EQ(p->DpiY, IKDefaultDpiY);
        EXPECT_EQ(p->TiffDocumentName, "abc");
        EXPECT_EQ(p->TiffPageName, "a longer page name");
    }
    // R, G, B stored become B, G, R.
    EXPECT_EQ(a.Bitmap.PixelColor(1, 0), IKMakeRGBTriple(30, 40, 50));
}

TEST(TiffRead, ParametersOnlyReadOfAnLzwPageWithoutCoder) {
    TTiffLzwDecoderFunc saved = TiffLzwDecoderHook;
    TiffLzwDecoderHook = nullptr;
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(OnePage(3, 2, 8, 3, 2, {1, 2, 3}, [](TiffBuilder& b) { b.Short(259, {5}); }), params, r,
                  ikrmParamsOnly);
    TiffLzwDecoderHook = saved;
    EXPECT_TRUE(r.Aborting);
    EXPECT_EQ(params.Width, 3);
    EXPECT_EQ(params.TiffCompression, iktcLzw);
}

TEST(TiffRead, GrayLevelsAsLibtiffShowsThem) {
    // 4-bit gray, 5 pixels: 0, 1, 8, 15, 15 -> 0, 17, 136, 255 (each level times 255 / 15).
    for (uint16_t photometric : {1, 0}) {
        TIOParamsVals params;
        TiffRead r;
        ReadTiffBytes(OnePage(5, 1, 4, 1, photometric, {0x01, 0x8F, 0xF0}, NoExtra), params, r);
        ASSERT_FALSE(r.Aborting);
        const int32_t levels[] = {0, 17, 136, 255, 255};
        for (int32_t x = 0; x < 5; ++x) {
            int32_t v = photometric == 1 ? levels[x] : 255 - levels[x];
            EXPECT_EQ(r.Bitmap.PixelColor(x, 0).G, v) << x;
        }
    }
    // 2-bit gray, 5 pixels a row take 2 bytes; every row decodes from its own bytes.
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(OnePage(5, 2, 2, 1, 1, {0x1B, 0xC0, 0xE4, 0x40}, NoExtra), params, r);
    const int32_t row0[] = {0, 85, 170, 255, 255}, row1[] = {255, 170, 85, 0, 85};
    for (int32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(r.Bitmap.PixelColor(x, 0).R, row0[x]);
        EXPECT_EQ(r.Bitmap.PixelColor(x, 1).R, row1[x]);
    }
    // 16-bit gray: big- and little-endian twins agree; a Look@Vessa page keeps 12 significant bits.
    TIOParamsVals p16;
    TiffRead le, be, vessa;
    ReadTiffBytes(OnePage(1, 1, 16, 1, 1, {0x34, 0x12}, NoExtra), p16, le);
    ReadTiffBytes(OnePage(1, 1, 16, 1, 1, {0x12, 0x34}, NoExtra, true), p16, be);
    ReadTiffBytes(
        OnePage(1, 1, 16, 1, 1, {0x34, 0x02}, [](TiffBuilder& b) { b.Ascii(305, "Look@Vessa v1.1 x"); }), p16,
        vessa);
    EXPECT_EQ(le.Bitmap.PixelColor(0, 0).R, 0x12);
    EXPECT_EQ(be.Bitmap.PixelColor(0, 0).R, 0x12);
    EXPECT_EQ(vessa.Bitmap.PixelColor(0, 0).R, 0x23);
}

TEST(TiffRead, PalettePages) {
    // A one-bit palette page shows its two colours; indexes beyond a short map are black.
    auto map = [](TiffBuilder& b) { b.Short(320, {0xFF00, 0x1000, 0x00FF, 0x2000, 0x0000, 0x3000}); };
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(OnePage(2, 1, 1, 1, 3, {0x40}, map), params, r);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Bitmap.PixelFormat(), ikbf24Bit);
    EXPECT_EQ(r.Bitmap.PixelColor(0, 0), IKMakeRGBTriple(0xFF, 0x00, 0x00));
    EXPECT_EQ(r.Bitmap.PixelColor(1, 0), IKMakeRGBTriple(0x10, 0x20, 0x30));
    EXPECT_EQ(params.ColorMapCount(), 2);
    TiffRead beyond;
    ReadTiffBytes(OnePage(3, 1, 8, 1, 3, {1, 2, 200}, map), params, beyond);
    EXPECT_FALSE(beyond.Aborting);
    EXPECT_EQ(beyond.Bitmap.PixelColor(0, 0), IKMakeRGBTriple(0x10, 0x20, 0x30));
    EXPECT_EQ(beyond.Bitmap.PixelColor(2, 0), IKMakeRGBTriple(0, 0, 0));
}

TEST(TiffRead, ByteRowsAgreeWithTheGeneralConversion) {
    // Pages of 8-bit samples whose rows are converted straight from their bytes, read again through the
    // general conversion of 16-bit samples: RGB, gray both ways round and palettes (a short map leaves
    // the indexes beyond it black), with and without the predictor, in strips and in tiles that overhang
    // the right and bottom edges, at odd widths.
    struct Case {
        const char* Name;
        uint16_t Photometric, Samples, Compression, Predictor;
        int32_t Width, Height, Tile; // Tile 0: strips of 3 rows
        size_t MapEntries;
    };
    const Case cases[] = {
        {"RGB, LZW, predictor", 2, 3, 5, 2, 13, 7, 0, 0},
        {"RGB, LZW", 2, 3, 5, 1, 1, 5, 0, 0},
        {"RGB, uncompressed", 2, 3, 1, 1, 13, 7, 0, 0},
        {"RGB tiles, LZW, predictor", 2, 3, 5, 2, 37, 21, 16, 0},
        {"gray, LZW, predictor", 1, 1, 5, 2, 13, 7, 0, 0},
        {"gray, white is zero", 0, 1, 1, 1, 31, 4, 0, 0},
        {"gray tiles, white is zero, predictor", 0, 1, 5, 2, 37, 21, 16, 0},
        {"palette of 256, LZW, predictor", 3, 1, 5, 2, 13, 7, 0, 256},
        {"palette of 16", 3, 1, 1, 1, 13, 7, 0, 16},
        {"palette of 2 tiles, LZW", 3, 1, 5, 1, 37, 21, 16, 2},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        const int32_t blockWidth = c.Tile ? c.Tile : c.Width;
        const int32_t blockRows = c.Tile ? c.Tile : 3;
        const int32_t across = (c.Width + blockWidth - 1) / blockWidth;
        const int32_t down = (c.Height + blockRows - 1) / blockRows;
        std::vector<std::vector<uint8_t>> blocks;
        for (int32_t by = 0; by < down; ++by)
            for (int32_t bx = 0; bx < across; ++bx) {
                const int32_t rows = c.Tile ? c.Tile : std::min(blockRows, c.Height - by * blockRows);
                vcl::TMemoryStream coded;
                void* state = nullptr;
                std::vector<uint8_t> block;
                for (int32_t r = 0; r < rows; ++r) {
                    std::vector<uint8_t> row(size_t(blockWidth) * c.Samples);
                    for (auto& v : row)
                        v = uint8_t(rng() % 3 == 0 ? rng() : 100 + r);
                    if (c.Predictor == 2)
                        for (size_t i = row.size() - 1; i >= c.Samples; --i)
                            row[i] = uint8_t(row[i] - row[i - c.Samples]);
                    if (c.Compression == 5) {
                        ASSERT_TRUE(IOTiffLzwEncode(row.data(), int32_t(row.size()), &coded, state));
                    }
                    block.insert(block.end(), row.begin(), row.end());
                }
                if (c.Compression == 5) {
                    ASSERT_TRUE(IOTiffLzwEncode(nullptr, 0, &coded, state));
                    block = iotest::BytesOf(coded);
                }
                blocks.push_back(block);
            }
        auto extra = [&](TiffBuilder& b) {
            b.Short(259, {c.Compression});
            if (c.Predictor == 2)
                b.Short(317, {2});
            if (c.Tile) {
                b.Long(322, {uint32_t(c.Tile)});
                b.Long(323, {uint32_t(c.Tile)});
                b.Blocks(324, 325, blocks);
            } else {
                b.Long(278, {uint32_t(blockRows)});
                b.Blocks(273, 279, blocks);
            }
            if (c.MapEntries) {
                std::vector<uint16_t> map(3 * c.MapEntries);
                for (auto& v : map)
                    v = uint16_t(rng());
                b.Short(320, map);
            }
        };
        const std::vector<uint8_t> file = OnePage(c.Width, c.Height, 8, c.Samples, c.Photometric, {}, extra);
        TIOParamsVals params;
        TiffRead fast, general;
        ReadTiffBytes(file, params, fast);
        SetTiffByteRowPath(false);
        ReadTiffBytes(file, params, general);
        SetTiffByteRowPath(true);
        EXPECT_FALSE(fast.Aborting) << c.Name;
        EXPECT_FALSE(general.Aborting) << c.Name;
        EXPECT_EQ(fast.Bitmap.Width(), c.Width) << c.Name;
        EXPECT_EQ(Pixels(fast.Bitmap), Pixels(general.Bitmap)) << c.Name;
    }
}

TEST(TiffRead, AlphaAndCmyk) {
    // RGBA in two 2 x 1 tiles: each tile's alpha lies under its own pixels.
    TiffBuilder b;
    b.Blocks(324, 325, {{1, 2, 3, 10, 4, 5, 6, 20}, {7, 8, 9, 30, 0, 0, 0, 0}});
    b.Long(256, {3});
    b.Long(257, {1});
    b.Short(258, {8, 8, 8, 8});
    b.Short(262, {2});
    b.Short(277, {4});
    b.Short(338, {2});
    b.Long(322, {2});
    b.Long(323, {1});
    b.EndPage();
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(b.Bytes(), params, r);
    ASSERT_FALSE(r.Aborting);
    ASSERT_TRUE(r.Mask);
    EXPECT_EQ(r.Mask->GetPixel(0, 0), 10);
    EXPECT_EQ(r.Mask->GetPixel(1, 0), 20);
    EXPECT_EQ(r.Mask->GetPixel(2, 0), 30);
    EXPECT_EQ(r.Bitmap.PixelColor(2, 0), IKMakeRGBTriple(7, 8, 9));
    // CMYK inks to colour.
    TiffRead cmyk;
    ReadTiffBytes(OnePage(1, 1, 8, 4, 5, {0, 255, 51, 51}, NoExtra), params, cmyk);
    EXPECT_EQ(cmyk.Bitmap.PixelColor(0, 0), IKMakeRGBTriple(204, 0, 163));
}

TEST(TiffRead, OrientationTurnsImageAndAlpha) {
    // 3 x 2 RGBA: pixel (x, y) has red 10x + 100y and alpha 1 + x + 3y.
    std::vector<uint8_t> strip;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            strip.insert(strip.end(), {uint8_t(10 * x + 100 * y), 0, 0, uint8_t(1 + x + 3 * y)});
    // Where stored pixel (x, y) shows, for each orientation: width, height and the shown position.
    struct Case {
        uint16_t orientation;
        int32_t w, h;
        int32_t (*sx)(int32_t, int32_t);
        int32_t (*sy)(int32_t, int32_t);
    } cases[] = {
        {1, 3, 2, [](int32_t x, int32_t) { return x; }, [](int32_t, int32_t y) { return y; }},
        {2, 3, 2, [](int32_t x, int32_t) { return 2 - x; }, [](int32_t, int32_t y) { return y; }},
        {3, 3, 2, [](int32_t x, int32_t) { return 2 - x; }, [](int32_t, int32_t y) { return 1 - y; }},
        {4, 3, 2, [](int32_t x, int32_t) { return x; }, [](int32_t, int32_t y) { return 1 - y; }},
        {5, 2, 3, [](int32_t, int32_t y) { return y; }, [](int32_t x, int32_t) { return x; }},
        {6, 2, 3, [](int32_t, int32_t y) { return 1 - y; }, [](int32_t x, int32_t) { return x; }},
        {7, 2, 3, [](int32_t, int32_t y) { return 1 - y; }, [](int32_t x, int32_t) { return 2 - x; }},
        {8, 2, 3, [](int32_t, int32_t y) { return y; }, [](int32_t x, int32_t) { return 2 - x; }},
    };
    for (const Case& c : cases) {
        TIOParamsVals params;
        params.TiffApplyOrientation = 1;
        TiffRead r;
        ReadTiffBytes(OnePage(3, 2, 8, 4, 2, strip,
                              [&](TiffBuilder& b) {
                                  b.Short(274, {c.orientation});
                                  b.Short(338, {2});
                              }),
                      params, r);
        ASSERT_FALSE(r.Aborting);
        ASSERT_EQ(r.Bitmap.Width(), c.w) << c.orientation;
        ASSERT_EQ(r.Mask->GetWidth(), c.w) << c.orientation;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(r.Bitmap.PixelColor(c.sx(x, y), c.sy(x, y)).R, 10 * x + 100 * y) << c.orientation;
                EXPECT_EQ(r.Mask->GetPixel(c.sx(x, y), c.sy(x, y)), 1 + x + 3 * y) << c.orientation;
            }
    }
    // Without the flag the page stays as stored and the tag is reported.
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(OnePage(3, 2, 8, 4, 2, strip, [](TiffBuilder& b) { b.Short(274, {6}); }), params, r);
    EXPECT_EQ(r.Bitmap.Width(), 3);
    EXPECT_EQ(params.TiffOrientation, 6);
}

TEST(TiffRead, PackBitsRunsStopAtTheRowEnd) {
    // 4-pixel gray rows: a repeat of 6 is cut at the row's end; the next row starts with the next code.
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(
        OnePage(4, 2, 8, 1, 1, {0xFB, 7, 0x03, 1, 2, 3, 4}, [](TiffBuilder& b) { b.Short(259, {32773}); }),
        params, r);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Bitmap.PixelColor(3, 0).R, 7);
    EXPECT_EQ(r.Bitmap.PixelColor(0, 1).R, 1);
    EXPECT_EQ(r.Bitmap.PixelColor(3, 1).R, 4);
}

TEST(TiffRead, FailuresAreReported) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"byte order", {'X', 'X', 42, 0, 8, 0, 0, 0}});
    cases.push_back({"no first IFD", {'I', 'I', 42, 0, 0, 0, 0, 0}});
    cases.push_back({"truncated header", {'I', 'I', 42}});
    cases.push_back({"unknown compression",
                     OnePage(3, 2, 8, 3, 2, RgbPixels(), [](TiffBuilder& b) { b.Short(259, {34676}); })});
    cases.push_back({"palette without map", OnePage(3, 1, 8, 1, 3, {0, 1, 2}, NoExtra)});
    cases.push_back({"bits 0", OnePage(3, 1, 0, 1, 1, {0, 1, 2}, NoExtra)});
    cases.push_back({"bits 33", OnePage(3, 1, 33, 1, 1, {0, 1, 2}, NoExtra)});
    TiffBuilder mixed;
    mixed.Strip({0, 1, 2, 3});
    mixed.Long(256, {1});
    mixed.Long(257, {1});
    mixed.Short(258, {8, 8, 16});
    mixed.Short(277, {3});
    mixed.EndPage();
    cases.push_back({"bits differ", mixed.Bytes()});
    cases.push_back({"transparency mask", OnePage(3, 1, 8, 1, 4, {0, 1, 2}, NoExtra)});
    cases.push_back({"width 0", OnePage(0, 1, 8, 1, 1, {0}, NoExtra)});
    cases.push_back({"huge image", OnePage(1 << 20, 1 << 20, 8, 1, 1, {0}, NoExtra)});
    cases.push_back(
        {"strip beyond the file", OnePage(3, 1, 8, 1, 1, {}, [](TiffBuilder& b) { b.Long(273, {100000}); })});
    cases.push_back({"offsets beyond the file", OnePage(3, 4, 8, 1, 1, {}, [](TiffBuilder& b) {
                         b.Raw(273, 4, 1000000, {0xF0, 0xFF, 0xFF, 0x0F});
                     })});
    cases.push_back({"short uncompressed strip", OnePage(3, 2, 8, 3, 2, {1, 2, 3}, NoExtra)});
    cases.push_back({"zero tile size", OnePage(3, 2, 8, 3, 2, RgbPixels(), [](TiffBuilder& b) {
                         b.Long(322, {0});
                         b.Long(323, {16});
                     })});
    cases.push_back({"floating-point samples",
                     OnePage(1, 1, 16, 1, 1, {0, 60}, [](TiffBuilder& b) { b.Short(339, {3}); })});
    cases.push_back({"tile out of proportion", OnePage(3, 2, 8, 3, 2, RgbPixels(), [](TiffBuilder& b) {
                         b.Long(322, {1 << 22});
                         b.Long(323, {16});
                     })});
    for (const Case& c : cases) {
        TIOParamsVals params;
        TiffRead r;
        ReadTiffBytes(c.bytes, params, r);
        EXPECT_TRUE(r.Aborting) << c.what;
    }
}

TEST(TiffRead, OffsetsCountFromTheHeader) {
    // The same file after 37 bytes of something else reads the same.
    std::vector<uint8_t> file = OnePage(3, 2, 8, 3, 2, RgbPixels(), NoExtra);
    std::vector<uint8_t> embedded(37, 0xAA);
    embedded.insert(embedded.end(), file.begin(), file.end());
    vcl::TReadOnlyMemoryStream stream(embedded.data(), int64_t(embedded.size()));
    stream.SetPosition(37);
    TIOParamsVals params;
    TiffRead r;
    ReadTiff(&stream, params, r);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Bitmap.PixelColor(2, 1), IKMakeRGBTriple(150, 160, 170));
}

namespace {

// A page that codes every row in a few bits: Group 4 bilevel rows that repeat the white row above (one
// vertical-mode bit each), or PackBits RGB rows of runs of 128 bytes (two bytes each).
std::vector<uint8_t> CompressionBomb(uint16_t compression, uint32_t width, uint32_t height) {
    std::vector<uint8_t> strip;
    if (compression == 4) {
        strip.assign((height + 7) / 8, 0xFF);
        return OnePage(int32_t(width), int32_t(height), 1, 1, 0, strip, [](TiffBuilder& b) {
            b.Short(259, {4});
            b.Long(278, {0xFFFFFFFFu});
        });
    }
    const uint32_t runs = (width * 3 + 127) / 128;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t r = 0; r < runs; ++r)
            strip.insert(strip.end(), {uint8_t(0x81), uint8_t(0x60)}); // 128 bytes of 0x60
    return OnePage(int32_t(width), int32_t(height), 8, 3, 2, strip,
                   [](TiffBuilder& b) { b.Short(259, {32773}); });
}

} // namespace

// Pages that describe more than their data can fill, or more than the reading budget holds, are refused
// before the bitmap is allocated; valid pages that decode to much more than their file stay within the
// budget or are refused.
TEST(TiffRead, BudgetAndCompressionBombs) {
    struct Case {
        const char* Name;
        std::vector<uint8_t> File;
        int64_t Budget;
        bool Aborts;
        int64_t PeakLimit;
    };
    const int64_t kib = 1024, mib = 1024 * kib;
    std::vector<Case> cases;
    cases.push_back({"32768 x 32768 RGB in 308 bytes", iotest::ReadHostile("tiff-32768sq-rgb-308B.tif"),
                     vcl::DefaultImageReadBudget, true, 64 * kib});
    cases.push_back({"uncompressed page longer than its file",
                     OnePage(4096, 4096, 8, 3, 2, RgbPixels(), NoExtra), vcl::DefaultImageReadBudget, true,
                     64 * kib});
    // 16384 x 16384 bilevel pixels (32 MiB) from 2 KiB.
    cases.push_back({"Group 4 bomb above a budget of 16 MiB", CompressionBomb(4, 16384, 16384), 16 * mib,
                     true, 64 * kib});
    cases.push_back({"Group 4 bomb within a budget of 40 MiB", CompressionBomb(4, 16384, 16384), 40 * mib,
                     false, 40 * mib});
    // 2048 x 2048 RGB (12 MiB) from 192 KiB.
    cases.push_back({"PackBits bomb above a budget of 8 MiB", CompressionBomb(32773, 2048, 2048), 8 * mib,
                     true, 64 * kib});
    cases.push_back({"PackBits bomb within a budget of 16 MiB", CompressionBomb(32773, 2048, 2048), 16 * mib,
                     false, 16 * mib});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.File.empty());
        vcl::TImageReadBudgetScope budget(c.Budget);
        TIOParamsVals params;
        TiffRead r;
        vcl::TReadOnlyMemoryStream stream(c.File.data(), int64_t(c.File.size()));
        testsupport::TAllocationCounter counter;
        ReadTiff(&stream, params, r);
        EXPECT_EQ(r.Aborting, c.Aborts);
        EXPECT_EQ(r.Bitmap.Width(), c.Aborts ? 0 : params.Width);
        if (testsupport::TAllocationCounter::Available()) {
            EXPECT_LE(counter.PeakBytes(), c.PeakLimit);
        }
        if (!c.Aborts) {
            const TIKColorTriple last = r.Bitmap.PixelColor(params.Width - 1, params.Height - 1);
            EXPECT_EQ(last.R, r.Bitmap.PixelFormat() == ikbf1Bit ? 255 : 0x60);
        }
    }
}

// A JPEG-compressed RGB page whose datastream names its components R, G, B: orange at the top-left, as
// libtiff's tiff2rgba and ImageMagick show it.
TEST(TiffRead, JpegCompressedRgbPageKeepsItsColours) {
    TIOParamsVals params;
    TiffRead r;
    ReadTiffBytes(iotest::ReadHostile("jpeg-compressed-rgb.tif"), params, r);
    ASSERT_FALSE(r.Aborting);
    ASSERT_EQ(r.Bitmap.Width(), 24);
    EXPECT_EQ(r.Bitmap.PixelColor(0, 0), IKMakeRGBTriple(255, 165, 0));
}

// Associated alpha (ExtraSamples 1) stores colours multiplied by alpha: they are divided back, rounded,
// and 0 stays 0. Unassociated alpha (2) leaves the colours as stored.
TEST(TiffRead, AssociatedAlphaIsDividedOut) {
    {
        TIOParamsVals params;
        TiffRead r;
        ReadTiffBytes(iotest::ReadHostile("tiff-assoc-alpha.tif"), params, r);
        ASSERT_FALSE(r.Aborting);
        ASSERT_TRUE(r.Mask);
        EXPECT_EQ(r.Bitmap.PixelColor(0, 0), IKMakeRGBTriple(255, 255, 255));
        EXPECT_EQ(r.Mask->GetPixel(0, 0), 128);
        EXPECT_EQ(r.Bitmap.PixelColor(1, 0), IKMakeRGBTriple(255, 0, 0));
        EXPECT_EQ(r.Mask->GetPixel(1, 0), 255);
    }
    struct Case {
        const char* Name;
        uint16_t Extra, Bits, Samples, Photometric;
        std::vector<uint8_t> Strip;
        TIKColorTriple Colour;
        int32_t Alpha;
    };
    const Case cases[] = {
        {"rounded", 1, 8, 4, 2, {100, 50, 1, 200}, IKMakeRGBTriple(128, 64, 1), 200},
        {"at most full scale", 1, 8, 4, 2, {200, 0, 0, 100}, IKMakeRGBTriple(255, 0, 0), 100},
        {"alpha 0", 1, 8, 4, 2, {0, 0, 0, 0}, IKMakeRGBTriple(0, 0, 0), 0},
        {"unassociated", 2, 8, 4, 2, {100, 50, 1, 200}, IKMakeRGBTriple(100, 50, 1), 200},
        {"gray", 1, 8, 2, 1, {64, 128}, IKMakeRGBTriple(128, 128, 128), 128},
        // 16-bit samples little-endian: 0x4000 at alpha 0x8000 is 0x8000, shown as 128.
        {"16 bits", 1, 16, 4, 2, {0, 0x40, 0, 0x40, 0, 0x40, 0, 0x80}, IKMakeRGBTriple(128, 128, 128), 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TIOParamsVals params;
        TiffRead r;
        ReadTiffBytes(OnePage(1, 1, c.Bits, c.Samples, c.Photometric, c.Strip,
                              [&](TiffBuilder& b) { b.Short(338, {c.Extra}); }),
                      params, r);
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Bitmap.PixelColor(0, 0), c.Colour);
        ASSERT_TRUE(r.Mask);
        EXPECT_EQ(r.Mask->GetPixel(0, 0), c.Alpha);
    }
}
