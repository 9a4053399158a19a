#include "imaging/io/IOLzw.h"

#include "IOTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace imaging;

namespace {

std::vector<uint8_t> TiffDecodeRows(const std::vector<uint8_t>& data, int32_t rowSize, int32_t rows) {
    std::vector<uint8_t> out;
    void* state = nullptr;
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* row = IOTiffLzwDecode(data.data(), int64_t(data.size()), rowSize, state);
        if (!row)
            break;
        out.insert(out.end(), row, row + rowSize);
    }
    IOTiffLzwDecode(nullptr, 0, 0, state);
    EXPECT_EQ(state, nullptr);
    return out;
}

std::vector<uint8_t> TiffEncodeRows(const std::vector<uint8_t>& pixels, int32_t rowSize) {
    vcl::TMemoryStream s;
    void* state = nullptr;
    for (size_t at = 0; at < pixels.size(); at += size_t(rowSize))
        EXPECT_TRUE(IOTiffLzwEncode(pixels.data() + at, rowSize, &s, state));
    EXPECT_TRUE(IOTiffLzwEncode(nullptr, 0, &s, state));
    EXPECT_EQ(state, nullptr);
    return iotest::BytesOf(s);
}

} // namespace

TEST(IOLzw, TiffStripWrittenByLibtiffDecodes) {
    auto strip = iotest::ReadFixture("tiff-lzw-strip.bin");
    auto expected = iotest::ReadFixture("tiff-lzw-strip.raw");
    ASSERT_EQ(expected.size(), 512u);
    EXPECT_EQ(TiffDecodeRows(strip, 64, 8), expected);
}

TEST(IOLzw, TiffRoundTripsThroughTableResets) {
    std::mt19937 rng(7);
    // Noise fills the table several times over; runs give long strings.
    std::vector<uint8_t> pixels(300 * 200);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i / 3000) % 2 ? uint8_t(rng() % 7) : uint8_t(rng());
    auto coded = TiffEncodeRows(pixels, 300);
    EXPECT_EQ(coded[0], 0x80); // a clear code, most significant bit first
    EXPECT_EQ(TiffDecodeRows(coded, 300, 200), pixels);
}

TEST(IOLzw, TiffOldStyleBitOrderDecodes) {
    // Least significant bit first, 9-bit codes: clear, 'A', 'B', 258 ("AB"), end.
    const int32_t codes[] = {256, 'A', 'B', 258, 257};
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int32_t count = 0;
    for (int32_t c : codes) {
        bits |= uint32_t(c) << count;
        count += 9;
        while (count >= 8) {
            data.push_back(uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        data.push_back(uint8_t(bits));
    EXPECT_EQ(TiffDecodeRows(data, 4, 1), (std::vector<uint8_t>{'A', 'B', 'A', 'B'}));
}

TEST(IOLzw, TiffDamagedDataFailsWithoutReadingOutside) {
    auto strip = iotest::ReadFixture("tiff-lzw-strip.bin");
    // Truncated: the rows the data holds decode, then the decoder fails.
    std::vector<uint8_t> cut(strip.begin(), strip.begin() + 100);
    auto rows = TiffDecodeRows(cut, 64, 8);
    EXPECT_LT(rows.size(), 512u);
    // A code beyond the table, and garbage of every kind, never crashes.
    std::mt19937 rng(3);
    for (int n = 0; n < 200; ++n) {
        std::vector<uint8_t> junk(1 + rng() % 64);
        for (auto& b : junk)
            b = uint8_t(rng());
        TiffDecodeRows(junk, 16, 8);
    }
}

TEST(IOLzw, GifRoundTripKeepsRowsInOrderWhenInterlaced) {
    const int32_t w = 13, h = 11;
    std::vector<uint8_t> pixels(w * h);
    for (int32_t i = 0; i < w * h; ++i)
        pixels[size_t(i)] = uint8_t((i * 7 / 5) % 16);
    for (bool interlaced : {false, true}) {
        vcl::TMemoryStream s;
        ASSERT_TRUE(IOGifLzwEncode(&s, h, w, interlaced, pixels.data(), 4));
        s.SetPosition(0);
        std::vector<uint8_t> back(pixels.size(), 0xEE);
        ASSERT_TRUE(IOGifLzwDecode(&s, h, w, interlaced, back.data()));
        EXPECT_EQ(back, pixels) << interlaced;
        EXPECT_EQ(s.GetPosition(), s.GetSize()); // the terminator was read
    }
}

TEST(IOLzw, GifRefusesBadInput) {
    std::vector<uint8_t> px(4, 9);
    vcl::TMemoryStream s;
    EXPECT_FALSE(IOGifLzwEncode(&s, 2, 2, false, px.data(), 3)); // index 9 outside 8 colours
    auto bad = iotest::StreamOf({12, 1, 0xFF, 0});               // code size beyond the table
    EXPECT_FALSE(IOGifLzwDecode(bad.get(), 2, 2, false, px.data()));
    auto empty = iotest::StreamOf({});
    EXPECT_FALSE(IOGifLzwDecode(empty.get(), 2, 2, false, px.data()));
}
