#include "imaging/io/Ccitt.h"

#include "imaging/core/IKHelpers.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace imaging;

namespace {

using Page = std::vector<std::vector<uint8_t>>; // encoder rows: a set bit is black

int32_t RowBytes(int32_t width) {
    return (width + 7) / 8;
}

// A page of runs (as scanned documents have) or of noise, with the padding bits of each row left clear.
Page RandomPage(std::mt19937& rng, int32_t width, int32_t height, bool noise) {
    Page page(size_t(height), std::vector<uint8_t>(size_t(RowBytes(width))));
    for (auto& row : page) {
        bool black = rng() % 4 == 0;
        int32_t x = 0;
        while (x < width) {
            int32_t run = noise ? 1 : int32_t(rng() % (rng() % 8 == 0 ? 3000 : 40)) + 1;
            for (int32_t i = x; i < std::min(width, x + run); ++i)
                if (noise ? rng() % 2 : black)
                    row[size_t(i / 8)] |= uint8_t(0x80 >> (i % 8));
            x += run;
            black = !black;
        }
    }
    return page;
}

enum Coding { MH, G3, G32D, G4 };

std::vector<uint8_t> EncodePage(const Page& page, int32_t width, Coding coding) {
    vcl::TMemoryStream stream;
    bool aborting = false;
    int32_t pendingBits = 0;
    uint8_t pendingByte = 0;
    std::vector<uint8_t> ref;
    for (const auto& row : page) {
        switch (coding) {
        case MH:
            EncodeCcittMhRow(row.data(), width, &stream, aborting);
            break;
        case G3:
            EncodeCcittG3Row(row.data(), width, &stream, aborting, pendingBits, pendingByte);
            break;
        case G32D:
            EncodeCcittG32dRow(row.data(), width, &stream, aborting, ref, pendingBits, pendingByte);
            break;
        case G4:
            EncodeCcittG4Row(row.data(), width, &stream, aborting, ref, pendingBits, pendingByte);
            break;
        }
    }
    if (coding == G3)
        EncodeCcittG3Row(nullptr, width, &stream, aborting, pendingBits, pendingByte);
    else if (coding == G32D)
        EncodeCcittG32dRow(nullptr, width, &stream, aborting, ref, pendingBits, pendingByte);
    else if (coding == G4)
        EncodeCcittG4Row(nullptr, width, &stream, aborting, ref, pendingBits, pendingByte);
    EXPECT_FALSE(aborting);
    EXPECT_EQ(pendingBits, 0);
    auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p, p + stream.GetSize());
}

// Decoded rows: a set bit is white.
Page DecodePage(const std::vector<uint8_t>& data, int32_t width, int32_t height, Coding coding,
                int32_t fillOrder = 1) {
    Page page(size_t(height), std::vector<uint8_t>(size_t(RowBytes(width))));
    std::vector<uint8_t> ref(size_t(RowBytes(width)), 0xFF);
    int64_t pos = 0;
    for (auto& row : page) {
        switch (coding) {
        case MH:
            pos +=
                DecodeCcittMhRow(row.data(), data.data() + pos, int64_t(data.size()) - pos, width, fillOrder);
            break;
        case G3:
            pos = DecodeCcittG3Row(row.data(), data.data(), int64_t(data.size()), width, fillOrder, pos);
            break;
        case G32D:
        case G4:
            pos = DecodeCcitt2dRow(row.data(), data.data(), int64_t(data.size()), false, fillOrder, pos,
                                   ref.data(), width);
            break;
        }
    }
    return page;
}

// The decoded page equals the coded one with white and black exchanged, padding bits aside.
void ExpectInverse(const Page& coded, const Page& decoded, int32_t width, const std::string& what) {
    for (size_t y = 0; y < coded.size(); ++y)
        for (int32_t x = 0; x < width; ++x) {
            bool black = coded[y][size_t(x / 8)] & (0x80 >> (x % 8));
            bool white = decoded[y][size_t(x / 8)] & (0x80 >> (x % 8));
            if (black == white) {
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " differs";
                return;
            }
        }
}

// Bits of a code sequence as a string of 0 and 1.
std::string Bits(const std::vector<TCcittCode>& codes) {
    std::string s;
    for (const auto& c : codes)
        for (int32_t i = c.Length - 1; i >= 0; --i)
            s += (c.Bits >> i) & 1 ? '1' : '0';
    return s;
}

} // namespace

TEST(Ccitt, CodeTablesAndRunVectors) {
    EXPECT_TRUE(CcittTablesConsistent());
    // A white row of 1728 pixels: the make-up code for 1728, then the terminating code for 0.
    EXPECT_EQ(Bits(CcittRunCodes(1728, false)), "010011011"
                                                "00110101");
    // A black run of 3000: 2560, then 384, then 56.
    EXPECT_EQ(Bits(CcittRunCodes(3000, true)), "000000011111"
                                               "000000110100"
                                               "000000101000");
    EXPECT_EQ(Bits(CcittRunCodes(0, true)), "0000110111");
    EXPECT_EQ(Bits(CcittRunCodes(64, false)), "11011"
                                              "00110101");
    EXPECT_EQ(Bits(CcittRunCodes(2561, false)), "000000011111"
                                                "000111");
}

TEST(Ccitt, RandomPagesRoundTripInEveryCoding) {
    std::mt19937 rng(1234);
    const struct {
        int32_t width, height;
        bool noise;
    } pages[] = {{1728, 40, false}, {37, 25, true}, {1, 9, true}, {5000, 6, false}, {64, 30, true}};
    for (const auto& p : pages) {
        Page page = RandomPage(rng, p.width, p.height, p.noise);
        for (Coding coding : {MH, G3, G32D, G4}) {
            std::vector<uint8_t> data = EncodePage(page, p.width, coding);
            std::string what = "coding " + std::to_string(coding) + " width " + std::to_string(p.width);
            ExpectInverse(page, DecodePage(data, p.width, p.height, coding), p.width, what);
            // Fill order 2 holds the same bits in reverse order within each byte.
            std::vector<uint8_t> reversed(data);
            for (auto& b : reversed)
                b = IKReversedBits[b];
            ExpectInverse(page, DecodePage(reversed, p.width, p.height, coding, 2), p.width,
                          what + " fill 2");
        }
    }
}

TEST(Ccitt, PageStructure) {
    // An all-white row of 8 pixels: white run 8 = 10011.
    Page page(1, std::vector<uint8_t>(1, 0));
    // Modified Huffman pads each row to a byte.
    EXPECT_EQ(EncodePage(page, 8, MH), (std::vector<uint8_t>{0x98}));
    // Group 3: EOL + row, then the partial byte zero-filled.
    EXPECT_EQ(EncodePage(page, 8, G3), (std::vector<uint8_t>{0x00, 0x19, 0x80}));
    // Group 3 2-D: EOL, tag 1, row, then the closing EOL.
    EXPECT_EQ(EncodePage(page, 8, G32D), (std::vector<uint8_t>{0x00, 0x1C, 0xC0, 0x04}));
    // Group 4: V0 for the white row, then EOFB, padded.
    EXPECT_EQ(EncodePage(page, 8, G4), (std::vector<uint8_t>{0x80, 0x08, 0x00, 0x80}));
}

TEST(Ccitt, EolsAndFillBits) {
    const int32_t width = 16;
    std::vector<uint8_t> row(2);
    // White 3 (1000), black 13 (00000100): then nothing.
    const std::string plain = "1000"
                              "00000100";
    // With EOL preceded by fill bits the row decodes the same.
    const std::string withEol = "0000000"
                                "000000000001" +
                                plain;
    auto pack = [](const std::string& bits) {
        std::vector<uint8_t> out((bits.size() + 7) / 8);
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i] == '1')
                out[i / 8] |= uint8_t(0x80 >> (i % 8));
        return out;
    };
    for (const std::string& bits : {plain, withEol}) {
        std::vector<uint8_t> data = pack(bits);
        int64_t end = DecodeCcittG3Row(row.data(), data.data(), int64_t(data.size()), width, 1, 0);
        EXPECT_EQ(row[0], 0xE0);
        EXPECT_EQ(row[1], 0x00);
        EXPECT_EQ(end, int64_t(bits.size()));
    }
    // An EOL inside a black run ends the row with black to its end.
    std::vector<uint8_t> data = pack("1000"           // white 3
                                     "000000000001"); // EOL where a black run is due
    DecodeCcittG3Row(row.data(), data.data(), int64_t(data.size()), width, 1, 0);
    EXPECT_EQ(row[0], 0xE0);
    EXPECT_EQ(row[1], 0x00);
    // Data that ends inside a row leaves the rest white.
    data = pack("0111"
                "10"); // white 2, black 3, then the end
    DecodeCcittG3Row(row.data(), data.data(), 1, width, 1, 0);
    EXPECT_EQ(row[0], 0xC7);
    EXPECT_EQ(row[1], 0xFF);
}

TEST(Ccitt, HostileDataStaysInsideItsBuffers) {
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        int32_t width = int32_t(rng() % 300) + 1;
        std::vector<uint8_t> data(rng() % 64);
        for (auto& b : data)
            b = uint8_t(rng() % 4 == 0 ? 0 : rng());
        // Exact-size heap buffers, so that the sanitizer sees any access beyond them.
        std::vector<uint8_t> row(size_t(RowBytes(width))), ref(size_t(RowBytes(width)), 0xFF);
        const uint8_t* p = data.empty() ? nullptr : data.data();
        int64_t pos = 0;
        for (int y = 0; y < 20; ++y) {
            int64_t before = pos;
            pos = DecodeCcitt2dRow(row.data(), p, int64_t(data.size()), y % 2, 1 + y % 2, pos, ref.data(),
                                   width);
            ASSERT_GE(pos, before);
            ASSERT_LE(pos, int64_t(data.size()) * 8);
        }
        pos = 0;
        for (int y = 0; y < 20; ++y) {
            pos = DecodeCcittG3Row(row.data(), p, int64_t(data.size()), width, 1, pos);
            ASSERT_LE(pos, int64_t(data.size()) * 8);
        }
        EXPECT_LE(DecodeCcittMhRow(row.data(), p, int64_t(data.size()), width, 2), int32_t(data.size()));
    }
}
