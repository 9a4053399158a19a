#include "swf/BMPReader.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using swf::TBMPReader;

namespace {

// A BMP file: 40-byte header, colour table, pixels.
std::vector<uint8_t> BmpFile(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                             const std::vector<uint32_t>& colors, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> f(54 + colors.size() * 4);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, uint32_t(f.size() + pixels.size()));
    put32(10, uint32_t(f.size()));
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, bits);
    put32(30, compression);
    put32(34, uint32_t(pixels.size()));
    put32(46, uint32_t(colors.size()));
    for (size_t i = 0; i < colors.size(); ++i)
        put32(54 + 4 * i, colors[i]);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

void Load(TBMPReader& reader, const std::vector<uint8_t>& file) {
    vcl::TReadOnlyMemoryStream s(file.data(), int64_t(file.size()));
    reader.LoadFromStream(&s);
}

std::vector<uint32_t> Gray(int n) {
    std::vector<uint32_t> c;
    for (int i = 0; i < n; ++i)
        c.push_back(uint32_t(i) * 0x010101u);
    return c;
}

} // namespace

TEST(BMPReader, CountColorsMovesUsedEntriesToTheFront) {
    TBMPReader reader;
    // 5 pixels wide: stride 8, padding 3; only entries 7 and 200 occur.
    std::vector<uint8_t> px = {200, 7, 7, 7, 200, 0xAA, 0xBB, 0xCC, 7, 7, 7, 7, 200, 0xAA, 0xBB, 0xCC};
    Load(reader, BmpFile(5, 2, 8, 0, Gray(256), px));
    EXPECT_EQ(reader.GetRowStride(), 8);
    EXPECT_EQ(reader.GetRowPadding(), 3);
    EXPECT_EQ(reader.CountColors(), 2);
    EXPECT_EQ(reader.GetColors()[0], 0x070707u);
    EXPECT_EQ(reader.GetColors()[1], 0xC8C8C8u);
    const uint8_t* row0 = reader.GetRow(0);
    EXPECT_EQ(std::vector<uint8_t>(row0, row0 + 8), (std::vector<uint8_t>{1, 0, 0, 0, 1, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(reader.GetRow(1)[4], 1);
}

TEST(BMPReader, CountColorsOneAndFourBits) {
    TBMPReader mono;
    Load(mono, BmpFile(8, 1, 1, 0, {0x000000, 0xFFFFFF}, {0xFF, 0, 0, 0}));
    EXPECT_EQ(mono.CountColors(), 1);
    EXPECT_EQ(mono.GetColors()[0], 0xFFFFFFu);
    EXPECT_EQ(mono.GetRow(0)[0], 0);

    TBMPReader nibbles;
    Load(nibbles, BmpFile(3, 1, 4, 0, Gray(16), {0x5F, 0x50, 0, 0}));
    EXPECT_EQ(nibbles.CountColors(), 2);
    EXPECT_EQ(nibbles.GetRow(0)[0], 0x01);
    EXPECT_EQ(nibbles.GetRow(0)[1] >> 4, 0);

    TBMPReader full;
    std::vector<uint8_t> all(16 * 16);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(i);
    Load(full, BmpFile(16, 16, 8, 0, Gray(256), all));
    EXPECT_EQ(full.CountColors(), 256);
}

TEST(BMPReader, CountColorsTrueColour) {
    TBMPReader rgb;
    // 3 pixels wide: stride 12 (9 bytes of pixels, 3 of padding).
    Load(rgb, BmpFile(3, 1, 24, 0, {}, {1, 2, 3, 1, 2, 3, 9, 9, 9, 0, 0, 0}));
    EXPECT_EQ(rgb.GetRowStride(), 12);
    EXPECT_EQ(rgb.GetRowPadding(), 3);
    EXPECT_EQ(rgb.CountColors(), 2);
    TBMPReader words;
    Load(words, BmpFile(2, 1, 16, 0, {}, {1, 0, 2, 0}));
    EXPECT_EQ(words.CountColors(), 2);
    EXPECT_EQ(words.GetRedBits(), 5);
    EXPECT_EQ(words.GetGreenBits(), 5);
}

TEST(BMPReader, TopDownFilesAreStoredBottomUp) {
    TBMPReader reader;
    Load(reader, BmpFile(1, -2, 8, 0, Gray(256), {1, 0, 0, 0, 2, 0, 0, 0}));
    // Row 0 in memory is the bottom row of the picture, the file's last row.
    EXPECT_EQ(reader.GetRow(0)[0], 2);
    EXPECT_EQ(reader.GetRow(1)[0], 1);
}

TEST(BMPReader, MalformedFilesRaise) {
    auto good = BmpFile(2, 2, 8, 0, Gray(256), std::vector<uint8_t>(8, 1));
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({good.begin(), good.begin() + 30});
    auto patch32 = [&](size_t at, uint32_t v) {
        auto f = good;
        std::memcpy(&f[at], &v, 4);
        bad.push_back(f);
    };
    patch32(18, 0);                                        // width 0
    patch32(22, 0);                                        // height 0
    patch32(28, 7);                                        // 7 bits per pixel
    patch32(10, 0x7FFFFFF0);                               // pixel offset past the end
    patch32(18, 0x40000000);                               // far too large
    patch32(14, 77);                                       // unknown header size
    bad.push_back(BmpFile(4, 1, 8, 1, Gray(256), {0, 9})); // RLE data that never ends a row
    for (size_t i = 0; i < bad.size(); ++i) {
        TBMPReader reader;
        EXPECT_THROW(Load(reader, bad[i]), vcl::Exception) << i;
    }
}

TEST(BMPReader, HandlesOfDibSectionsAndScreenBitmaps) {
    // An 8-bit DIB section keeps its depth and colour table.
    std::vector<uint8_t> block(sizeof(win::BITMAPINFOHEADER) + 256 * sizeof(win::RGBQUAD));
    auto* info = reinterpret_cast<win::BITMAPINFO*>(block.data());
    info->bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 3;
    info->bmiHeader.biHeight = 2;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 8;
    info->bmiColors[5].rgbRed = 0x55;
    void* bits = nullptr;
    win::HBITMAP dib = win::CreateDIBSection(nullptr, info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    static_cast<uint8_t*>(bits)[0] = 5;
    TBMPReader reader;
    reader.LoadFromHandle(dib);
    EXPECT_EQ(reader.GetBitCount(), 8);
    EXPECT_EQ(reader.GetWidth(), 3);
    EXPECT_EQ(reader.GetRow(0)[0], 5);
    EXPECT_EQ(reader.GetColors()[5], 0x550000u);
    win::DeleteObject(dib);

    // A 16-bit 5-6-5 DIB section keeps its masks.
    info->bmiHeader.biBitCount = 16;
    info->bmiHeader.biCompression = win::BI_BITFIELDS;
    uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(info->bmiColors, masks, sizeof masks);
    dib = win::CreateDIBSection(nullptr, info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    static_cast<uint16_t*>(bits)[0] = 0x07E0;
    reader.LoadFromHandle(dib);
    EXPECT_EQ(reader.GetBitCount(), 16);
    EXPECT_EQ(reader.GetFormat().GreenMask, 0x07E0u);
    EXPECT_EQ(reader.GetRow(0)[0] | (reader.GetRow(0)[1] << 8), 0x07E0);
    win::DeleteObject(dib);

    // A screen-compatible bitmap on a 16-bit screen is read in the screen's format.
    int oldDepth = win::GetScreenBitsPixel();
    win::SetScreenBitsPixel(16);
    win::HBITMAP ddb = win::CreateCompatibleBitmap(win::GetScreenDC(), 4, 4);
    reader.LoadFromHandle(ddb);
    EXPECT_EQ(reader.GetBitCount(), 16);
    EXPECT_EQ(reader.GetFormat().RedMask, 0xF800u);
    EXPECT_EQ(reader.GetFormat().GreenMask, 0x07E0u);
    EXPECT_EQ(reader.GetFormat().BlueMask, 0x001Fu);
    win::DeleteObject(ddb);
    win::SetScreenBitsPixel(oldDepth);
    EXPECT_THROW(reader.LoadFromHandle(nullptr), vcl::EInvalidGraphic);
}

TEST(BMPReader, RleRunsStopAtTheRightEdge) {
    TBMPReader reader;
    // A run of 10 pixels on a 4-pixel row, end of line, a run of 4, end of bitmap.
    Load(reader, BmpFile(4, 2, 8, 1, Gray(256), {10, 3, 0, 0, 4, 6, 0, 1}));
    EXPECT_EQ(std::vector<uint8_t>(reader.GetRow(0), reader.GetRow(0) + 4),
              (std::vector<uint8_t>{3, 3, 3, 3}));
    EXPECT_EQ(std::vector<uint8_t>(reader.GetRow(1), reader.GetRow(1) + 4),
              (std::vector<uint8_t>{6, 6, 6, 6}));
}

// The SWF writer reads BMP files through the class library's reader and its rule for run-length data: an
// end-of-bitmap code alone never makes a picture of 16384 x 16384.
TEST(BMPReader, HostileFixturesAreRefusedBeforeAllocating) {
    struct Case {
        const char* File;
        bool Reads;
        int64_t PeakLimit;
    };
    for (const Case& c : {Case{"bmp-rle8-16384sq-1080B.bmp", false, 64 * 1024},
                          Case{"bmp-32bit-alpha-mask.bmp", true, 64 * 1024}}) {
        SCOPED_TRACE(c.File);
        std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/hostile/" + c.File, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(bytes.empty());
        TBMPReader reader;
        testsupport::TAllocationCounter counter;
        bool read = true;
        try {
            Load(reader, bytes);
        } catch (const vcl::EInvalidGraphic&) {
            read = false;
        }
        EXPECT_EQ(read, c.Reads);
        EXPECT_EQ(reader.Empty(), !c.Reads);
        if (testsupport::TAllocationCounter::Available()) {
            EXPECT_LE(counter.PeakBytes(), c.PeakLimit);
        }
    }
}
