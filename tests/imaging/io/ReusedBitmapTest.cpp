// Decoders that write every row of a bitmap that did not start zeroed (a kept block of the same size and
// format, or fresh memory): whatever the block held before, complete, cut and damaged files end exactly
// as they do in a bitmap that starts zeroed, padding bytes and the rows a file never reaches included.
#include "IOTestUtil.h"
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOLzw.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PngFilter.h"
#include "imaging/io/TiffRead.h"
#include "imaging/io/TiffWrite.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

using namespace imaging;

namespace {

enum TReuseFormat { rfJpeg, rfPng, rfTiff };

// A picture with something in every row; widths that leave padding at the end of each row.
void ReusePicture(TIKBitmap& b, int32_t width, int32_t height, TIKBitmapFormat format) {
    b.SetStorageKind(ikbsMemory);
    b.Allocate(width, height, format);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = b.ScanLine(y);
        const int32_t bytes = format == ikbf1Bit ? (width + 7) / 8 : width * 3;
        for (int32_t i = 0; i < bytes; ++i)
            row[i] = uint8_t((i * 13 + y * 29) ^ (i * y));
    }
}

std::vector<uint8_t> ReuseEncode(TReuseFormat format, TIKBitmap& picture, bool variant) {
    vcl::TMemoryStream s;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    switch (format) {
    case rfJpeg:
        params.JpegQuality = 80;
        params.JpegProgressive = variant;
        EncodeBitmapToJpeg(&s, &picture, params, progress);
        break;
    case rfPng:
        params.PngInterlaced = variant ? 1 : 0;
        EncodeBitmapToPng(&s, &picture, params, progress, nullptr);
        break;
    case rfTiff:
        params.TiffCompression = variant ? iktcNone : iktcLzw;
        params.TiffLzwEncoder = IOTiffLzwEncode;
        EncodeBitmapToTiff(&s, &picture, params, progress);
        break;
    }
    return iotest::BytesOf(s);
}

// Decodes bytes into bitmap; the rows as stored (padding included) and whether the decoder gave up.
std::vector<uint8_t> ReuseDecode(TReuseFormat format, const std::vector<uint8_t>& bytes, TIKBitmap& bitmap,
                                 bool& aborted) {
    vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    std::unique_ptr<TIKMask> mask;
    int32_t pages = 0;
    try {
        switch (format) {
        case rfJpeg:
            DecodeJpegToBitmap(&s, nullptr, &bitmap, params, progress, ikrmImage, ikjoConverted);
            break;
        case rfPng:
            DecodePngToBitmap(&s, &bitmap, params, progress, ikrmImage, mask, ikamKeep);
            break;
        case rfTiff:
            params.TiffLzwDecoder = IOTiffLzwDecode;
            DecodeTiffToBitmap(&bitmap, &s, pages, params, progress, ikrmImage, nullptr, ikamIgnore);
            break;
        }
    } catch (const vcl::Exception&) {
        aborting = true;
    }
    aborted = aborting;
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        rows.insert(rows.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + bitmap.RowLength());
    return rows;
}

} // namespace

TEST(ReusedBitmap, DecodesAsIntoANewBitmap) {
    struct Case {
        const char* Name;
        TReuseFormat Format;
        TIKBitmapFormat Pixels;
        bool Variant; // progressive JPEG, interlaced PNG, uncompressed TIFF
        int32_t Width, Height;
    };
    const Case cases[] = {
        {"JPEG", rfJpeg, ikbf24Bit, false, 37, 21},
        {"progressive JPEG", rfJpeg, ikbf24Bit, true, 37, 21},
        {"PNG", rfPng, ikbf24Bit, false, 37, 21},
        {"interlaced PNG", rfPng, ikbf24Bit, true, 37, 21},
        {"1-bit PNG", rfPng, ikbf1Bit, false, 45, 9},
        {"LZW TIFF", rfTiff, ikbf24Bit, false, 37, 21},
        {"uncompressed TIFF", rfTiff, ikbf24Bit, true, 37, 21},
        {"1-bit TIFF", rfTiff, ikbf1Bit, true, 45, 9},
    };
    for (const Case& c : cases) {
        TIKBitmap picture;
        ReusePicture(picture, c.Width, c.Height, c.Pixels);
        const std::vector<uint8_t> whole = ReuseEncode(c.Format, picture, c.Variant);
        ASSERT_GT(whole.size(), 100u) << c.Name;
        // The whole file, cut at a third and at two thirds, and with bytes damaged in the middle.
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        files.emplace_back("whole", whole);
        for (size_t cut : {whole.size() / 3, whole.size() * 2 / 3})
            files.emplace_back("cut at " + std::to_string(cut),
                               std::vector<uint8_t>(whole.begin(), whole.begin() + ptrdiff_t(cut)));
        std::vector<uint8_t> damaged = whole;
        for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 24; ++i)
            damaged[i] = uint8_t(damaged[i] * 7 + 91);
        files.emplace_back("damaged", damaged);
        for (const auto& [what, bytes] : files) {
            // The general road: a bitmap in a mapped file starts zeroed and is never left uncleared.
            TIKBitmap fresh;
            fresh.SetMemoryThreshold(0);
            fresh.SetStorageKind(ikbsMappedFile);
            bool freshAborted = false;
            const std::vector<uint8_t> expected = ReuseDecode(c.Format, bytes, fresh, freshAborted);
            ASSERT_TRUE(fresh.Height() == 0 || fresh.GetStorage() == ikbsMappedFile) << c.Name;
            // A bitmap that held the picture, then every byte of its rows overwritten.
            TIKBitmap reused;
            reused.SetStorageKind(ikbsMemory);
            bool ignored = false;
            ReuseDecode(c.Format, whole, reused, ignored);
            ASSERT_EQ(reused.Width(), c.Width) << c.Name;
            for (int32_t y = 0; y < reused.Height(); ++y)
                std::memset(reused.ScanLine(y), 0xA5, size_t(reused.RowLength()));
            bool reusedAborted = false;
            const std::vector<uint8_t> got = ReuseDecode(c.Format, bytes, reused, reusedAborted);
            EXPECT_EQ(reusedAborted, freshAborted) << c.Name << ", " << what;
            // A file refused before its picture is allocated leaves any bitmap as it was.
            if (fresh.Height() > 0) {
                EXPECT_EQ(got, expected) << c.Name << ", " << what;
            }
        }
    }
}
