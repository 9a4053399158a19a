#include "TiffTestUtil.h"

#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/TiffWrite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace imaging;
using namespace tifftest;

namespace {

// A 24-bit picture of at most `colors` colours (0 for a smooth one).
void Picture(TIKBitmap& b, int32_t w, int32_t h, int32_t colors) {
    b.SetStorageKind(ikbsMemory);
    b.Allocate(w, h, ikbf24Bit);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            int32_t k = colors ? (x / 3 + y) % colors : 0;
            row[3 * x] = uint8_t(colors ? k * 20 : x * 7);
            row[3 * x + 1] = uint8_t(colors ? 255 - k * 15 : y * 11);
            row[3 * x + 2] = uint8_t(colors ? k * 3 : (x + y) * 5);
        }
    }
}

void Bilevel(TIKBitmap& b, int32_t w, int32_t h) {
    b.SetStorageKind(ikbsMemory);
    b.Allocate(w, h, ikbf1Bit);
    std::mt19937 rng(7);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            IKPutBit(b.ScanLine(y), x, (x / 5 + y / 3) % 3 != 0 || rng() % 17 == 0);
}

std::vector<uint8_t> WriteTiff(TIKBitmap& bitmap, TIOParamsVals& params, bool* aborting = nullptr,
                               int64_t at = 0) {
    vcl::TMemoryStream stream;
    std::vector<uint8_t> lead(size_t(at), 0x55);
    if (at)
        stream.WriteBuffer(lead.data(), int32_t(at));
    std::atomic<bool> flag{false};
    TIKProgressContext progress(flag);
    EncodeBitmapToTiff(&stream, &bitmap, params, progress);
    if (aborting)
        *aborting = flag;
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p + at, p + stream.GetSize());
}

// The IFD of a written file.
TTiffIfdContext Ifd(const std::vector<uint8_t>& file, vcl::TReadOnlyMemoryStream& stream) {
    TTiffIfdContext ifd;
    ifd.Stream = &stream;
    ifd.StreamSize = int64_t(file.size());
    int32_t count = 0;
    EXPECT_TRUE(WalkTiffIfds(0, ifd.Get32(file.data() + 4), ifd, count));
    return ifd;
}

std::vector<uint16_t> Tags(const TTiffIfdContext& ifd) {
    std::vector<uint16_t> tags;
    for (const auto& e : ifd.Entries)
        tags.push_back(e.Tag);
    return tags;
}

// A stream that takes only its first Limit bytes.
class TiffShortStream : public vcl::TMemoryStream {
public:
    explicit TiffShortStream(int64_t limit) : FLimit(limit) {}
    int32_t Write(const void* buffer, int32_t count) override {
        int64_t room = std::max<int64_t>(0, FLimit - GetPosition());
        return TMemoryStream::Write(buffer, int32_t(std::min<int64_t>(count, room)));
    }

private:
    int64_t FLimit;
};

} // namespace

TEST(TiffWrite, DefaultPageLayout) {
    TIKBitmap bitmap;
    Picture(bitmap, 5, 3, 0);
    TIOParamsVals params;
    params.DpiX = params.DpiY = 96;
    std::vector<uint8_t> file = WriteTiff(bitmap, params);
    ASSERT_GE(file.size(), 8u);
    EXPECT_EQ(file[0], 'I');
    EXPECT_EQ(file[1], 'I');
    EXPECT_EQ(file[2], 42);
    vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
    TTiffIfdContext ifd = Ifd(file, stream);
    EXPECT_EQ(Tags(ifd),
              (std::vector<uint16_t>{256, 257, 258, 259, 262, 273, 277, 278, 279, 282, 283, 286, 287, 296}));
    EXPECT_EQ(ifd.TiffTagValue(259, 0), 1u);
    EXPECT_EQ(ifd.TiffTagValue(262, 0), 2u);
    EXPECT_EQ(ifd.TiffTagValue(277, 0), 3u);
    EXPECT_EQ(ifd.ReadTiffTagArray(258), (std::vector<uint32_t>{8, 8, 8}));
    EXPECT_EQ(ifd.TiffTagRational(282), 96);
    // Rows as R, G, B.
    uint32_t strip = ifd.TiffTagValue(273, 0);
    TIKColorTriple c = bitmap.PixelColor(1, 0);
    EXPECT_EQ(file[strip + 3], c.R);
    EXPECT_EQ(file[strip + 5], c.B);
    EXPECT_EQ(ifd.TiffTagValue(279, 0), 45u);
}

TEST(TiffWrite, PalettePageOfFourBits) {
    TIKBitmap bitmap;
    Picture(bitmap, 7, 4, 9);
    TIOParamsVals params;
    params.BitsPerSample = 4;
    params.SamplesPerPixel = 1;
    params.TiffCompression = iktcG4Fax; // a CCITT scheme is not for palette pages
    std::vector<uint8_t> file = WriteTiff(bitmap, params);
    EXPECT_EQ(params.TiffPhotometric, iktpPalette);
    EXPECT_EQ(params.TiffCompression, iktcNone);
    vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
    TTiffIfdContext ifd = Ifd(file, stream);
    EXPECT_EQ(ifd.TiffTagValue(258, 0), 4u);
    EXPECT_EQ(ifd.TiffTagValue(259, 0), 1u);
    EXPECT_EQ(ifd.ReadTiffTagArray(320).size(), 48u);
    EXPECT_EQ(ifd.TiffTagValue(279, 0), 16u); // 4 bytes a row: two pixels a byte
    TIOParamsVals back;
    TiffRead r;
    ReadTiffBytes(file, back, r);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(Pixels(r.Bitmap), Pixels(bitmap));
}

TEST(TiffWrite, BilevelPagesRoundTripInEveryCoding) {
    TIKBitmap bitmap;
    Bilevel(bitmap, 45, 21);
    for (uint8_t compression : {0, 1, 2, 3, 4, 5, 8}) {
        TIOParamsVals params;
        params.BitsPerSample = 1;
        params.SamplesPerPixel = 1;
        params.TiffCompression = compression;
        std::vector<uint8_t> file = WriteTiff(bitmap, params);
        TIOParamsVals back;
        TiffRead r;
        ReadTiffBytes(file, back, r);
        ASSERT_FALSE(r.Aborting) << int(compression);
        EXPECT_EQ(Pixels(r.Bitmap), Pixels(bitmap)) << int(compression);
        vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        TTiffIfdContext ifd = Ifd(file, stream);
        bool ccitt = compression >= 1 && compression <= 4;
        // CCITT pages are written inverted, 0 white.
        EXPECT_EQ(ifd.TiffTagValue(262, 9), ccitt ? 0u : 1u) << int(compression);
        if (compression == 4) {
            // The page ends with two EOLs, padded to a byte.
            uint32_t end = ifd.TiffTagValue(273, 0) + ifd.TiffTagValue(279, 0);
            uint32_t last = uint32_t(file[end - 4]) << 24 | uint32_t(file[end - 3]) << 16 |
                            uint32_t(file[end - 2]) << 8 | file[end - 1];
            while (!(last & 1))
                last >>= 1;
            EXPECT_EQ(last & 0xFFFFFF, 0x001001u);
        }
    }
}

TEST(TiffWrite, ColourPagesRoundTrip) {
    TIKBitmap bitmap;
    Picture(bitmap, 19, 6, 0);
    for (uint8_t compression : {0, 5, 8}) {
        TIOParamsVals params;
        params.TiffCompression = compression;
        std::vector<uint8_t> file = WriteTiff(bitmap, params);
        TIOParamsVals back;
        TiffRead r;
        ReadTiffBytes(file, back, r);
        ASSERT_FALSE(r.Aborting) << int(compression);
        EXPECT_EQ(Pixels(r.Bitmap), Pixels(bitmap)) << int(compression);
        vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        EXPECT_EQ(Ifd(file, stream).TiffTagValue(317, 1), compression == 5 ? 2u : 1u);
    }
    // A gray picture of 256 levels is a gray page.
    TIKBitmap gray;
    gray.SetStorageKind(ikbsMemory);
    gray.Allocate(256, 2, ikbf24Bit);
    for (int32_t x = 0; x < 256; ++x)
        for (int32_t y = 0; y < 2; ++y)
            std::fill_n(gray.ScanLine(y) + 3 * x, 3, uint8_t(x));
    TIOParamsVals params;
    params.SamplesPerPixel = 1;
    WriteTiff(gray, params);
    EXPECT_EQ(params.TiffPhotometric, iktpBlackIsZero);
}

TEST(TiffWrite, LzwWithoutCoderIsWrittenUncompressed) {
    TTiffLzwEncoderProc saved = TiffLzwEncoderHook;
    TiffLzwEncoderHook = nullptr;
    TIKBitmap bitmap;
    Picture(bitmap, 4, 2, 0);
    TIOParamsVals params;
    params.TiffCompression = iktcLzw;
    std::vector<uint8_t> file = WriteTiff(bitmap, params);
    TiffLzwEncoderHook = saved;
    vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
    TTiffIfdContext ifd = Ifd(file, stream);
    EXPECT_EQ(ifd.TiffTagValue(259, 0), 1u);
    EXPECT_EQ(ifd.FindTiffTag(317), -1);
}

TEST(TiffWrite, PackBitsRow) {
    const uint8_t row[] = {0x41, 0x41, 0x41, 0x41, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46};
    vcl::TMemoryStream stream;
    bool aborting = false;
    EncodePackBitsRow(row, 10, &stream, aborting);
    const uint8_t expected[] = {0xFC, 0x41, 0x04, 0x42, 0x43, 0x44, 0x45, 0x46};
    ASSERT_EQ(stream.GetSize(), 8);
    EXPECT_EQ(std::memcmp(stream.Memory(), expected, 8), 0);
    // Long rows: literal runs of at most 128, repeats of at most 128.
    std::vector<uint8_t> longRow(300);
    for (size_t i = 0; i < 150; ++i)
        longRow[i] = uint8_t(i);
    vcl::TMemoryStream s2;
    EncodePackBitsRow(longRow.data(), 300, &s2, aborting);
    const uint8_t* p = static_cast<const uint8_t*>(s2.Memory());
    EXPECT_EQ(p[0], 127);
    EXPECT_EQ(p[129], 21);
}

TEST(TiffWrite, PageTagsAndPositionInTheStream) {
    TIKBitmap bitmap;
    Picture(bitmap, 6, 2, 0);
    TIOParamsVals params;
    params.TiffPageNumber = 2;
    params.TiffPageCount = 5;
    params.TiffDocumentName = "doc";
    params.TiffImageDescription = "a description";
    params.IptcRecords.AddData(2, 5, "title", 5);
    // Written 13 bytes into a stream, the file is valid on its own.
    std::vector<uint8_t> file = WriteTiff(bitmap, params, nullptr, 13);
    TIOParamsVals back;
    TiffRead r;
    ReadTiffBytes(file, back, r);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(back.TiffPageNumber, 2);
    EXPECT_EQ(back.TiffPageCount, 5);
    EXPECT_EQ(back.TiffDocumentName, "doc");
    EXPECT_EQ(back.TiffImageDescription, "a description");
    // The record-version dataset the IPTC list writes comes back with the record.
    ASSERT_GE(back.IptcRecords.Count(), 1);
    EXPECT_EQ(back.IptcRecords.DatasetNumber(back.IptcRecords.Count() - 1), 5);
    EXPECT_EQ(Pixels(r.Bitmap), Pixels(bitmap));
}

TEST(TiffWrite, ShortWritesAreReported) {
    TIKBitmap bitmap;
    Picture(bitmap, 40, 30, 0);
    for (int64_t limit : {4, 20, 2000, 3650}) {
        TiffShortStream stream(limit);
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        TIOParamsVals params;
        EncodeBitmapToTiff(&stream, &bitmap, params, progress);
        EXPECT_TRUE(aborting) << limit;
    }
}
