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

// The general form of the TIFF decoder: every table entry an explicit string, the whole stream at once.
// Stops where the data ends, breaks off or names a code the table does not hold.
std::vector<uint8_t> PlainTiffLzwDecode(const std::vector<uint8_t>& data) {
    const bool lsb = data.size() >= 2 && data[0] == 0 && (data[1] & 1) != 0;
    std::vector<std::vector<uint8_t>> table(4096);
    for (int32_t i = 0; i < 256; ++i)
        table[size_t(i)] = {uint8_t(i)};
    int32_t width = 9, next = 258;
    std::vector<uint8_t> out, previous;
    bool started = false;
    size_t bit = 0;
    for (;;) {
        if (bit + size_t(width) > data.size() * 8)
            break;
        int32_t code = 0;
        for (int32_t i = 0; i < width; ++i, ++bit) {
            const int32_t b = lsb ? (data[bit / 8] >> (bit % 8)) & 1 : (data[bit / 8] >> (7 - bit % 8)) & 1;
            code = lsb ? code | (b << i) : (code << 1) | b;
        }
        if (code == 257)
            break;
        if (code == 256) {
            width = 9;
            next = 258;
            started = false;
            continue;
        }
        std::vector<uint8_t> current;
        if (!started) {
            if (code >= 256)
                break;
            current = table[size_t(code)];
            started = true;
        } else {
            std::vector<uint8_t> entry = previous;
            if (code < next) {
                current = table[size_t(code)];
                entry.push_back(current[0]);
            } else if (code == next && next < 4096) {
                entry.push_back(previous[0]);
                current = entry;
            } else {
                break;
            }
            if (next < 4096) {
                table[size_t(next++)] = entry;
                if (next >= (lsb ? 1 << width : (1 << width) - 1) && width < 12)
                    ++width;
            }
        }
        out.insert(out.end(), current.begin(), current.end());
        previous = current;
    }
    return out;
}

} // namespace

TEST(IOLzw, TiffRowsAgreeWithThePlainDecoderAtEveryRowSize) {
    // The decoder writes strings into a window of its output, copies strings from where the window still
    // holds them, walks older ones along the prefix chain, and lets the last string of a row run on into
    // the next: all of that must give what the plain decoder gives, row size by row size.
    std::mt19937 rng(11);
    std::vector<uint8_t> noisy(40000);
    for (size_t i = 0; i < noisy.size(); ++i)
        noisy[i] = (i / 2500) % 2 ? uint8_t(rng() % 5) : uint8_t(rng());
    // A pattern, 300 KB of zeros (long strings, no table reset), then the pattern again: its strings were
    // made further back than the window reaches.
    std::vector<uint8_t> far(noisy.begin(), noisy.begin() + 2000);
    far.resize(far.size() + 300000, 0);
    far.insert(far.end(), noisy.begin(), noisy.begin() + 2000);
    const std::vector<uint8_t> noisyCoded = TiffEncodeRows(noisy, 40000);
    const std::vector<uint8_t> farCoded = TiffEncodeRows(far, int32_t(far.size()));
    std::vector<uint8_t> cut(noisyCoded.begin(), noisyCoded.begin() + 9000);
    std::vector<uint8_t> junk(3000);
    for (auto& b : junk)
        b = uint8_t(rng() % 4 == 0 ? rng() : 0x80 | (rng() & 0x0F));
    std::vector<uint8_t> oldStyle = {0x00, 0x83, 0x10, 0x48, 0x0C, 0x0A};
    for (int i = 0; i < 500; ++i)
        oldStyle.push_back(uint8_t(rng()));
    const struct {
        const char* Name;
        const std::vector<uint8_t>& Data;
    } streams[] = {{"noise and runs", noisyCoded}, {"strings older than the window", farCoded},
                   {"cut short", cut},             {"junk", junk},
                   {"old bit order", oldStyle}};
    for (const auto& stream : streams) {
        const std::vector<uint8_t> plain = PlainTiffLzwDecode(stream.Data);
        for (int32_t rowSize : {1, 5, 64, 300, 4099, 70000}) {
            const auto rows = int32_t(plain.size() / size_t(rowSize));
            std::vector<uint8_t> expected(plain.begin(), plain.begin() + ptrdiff_t(rows) * rowSize);
            EXPECT_EQ(TiffDecodeRows(stream.Data, rowSize, rows + 1), expected)
                << stream.Name << ", rows of " << rowSize;
        }
    }
    EXPECT_EQ(PlainTiffLzwDecode(farCoded), far);
}

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
