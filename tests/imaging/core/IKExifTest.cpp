#include "imaging/core/IKExif.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"

#include "../io/TiffTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imaging;

namespace {

// The payload of the first APP1 marker of a JPEG file.
std::vector<uint8_t> ExifPayload(const std::string& name) {
    vcl::TMemoryStream file;
    file.LoadFromFile(std::string(LOOMWICK_TEST_DATA) + "/imaging/tiff/" + name);
    const uint8_t* p = static_cast<const uint8_t*>(file.Memory());
    size_t size = size_t(file.GetSize()), i = 2;
    while (i + 4 <= size && p[i] == 0xFF) {
        size_t length = size_t(p[i + 2]) << 8 | p[i + 3];
        if (p[i + 1] == 0xE1)
            return std::vector<uint8_t>(p + i + 4, p + std::min(size, i + 2 + length));
        i += 2 + length;
    }
    return {};
}

std::vector<uint8_t> WithExifHeader(const std::vector<uint8_t>& tiff) {
    std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

} // namespace

TEST(IKExif, FieldsAndThumbnailOfAnExiftoolBlock) {
    // exif.jpg: a red 16 x 16 JPEG whose EXIF block exiftool wrote, with an 8 x 6 blue JPEG thumbnail.
    std::vector<uint8_t> block = ExifPayload("exif.jpg");
    ASSERT_FALSE(block.empty());
    TIOParamsVals params;
    ASSERT_TRUE(IKParseExifBlock(block.data(), int32_t(block.size()), params));
    EXPECT_EQ(params.ExifPresent, 1);
    EXPECT_EQ(params.ExifImageDescription, "a test");
    EXPECT_EQ(params.ExifMake, "Quorvane");
    EXPECT_EQ(params.ExifModel, "LW-1");
    EXPECT_EQ(params.ExifOrientation, 6);
    EXPECT_DOUBLE_EQ(params.ExifExposureTime, 1.0 / 125);
    EXPECT_EQ(params.ExifIsoSpeedRatings[0], 200);
    EXPECT_EQ(params.ExifVersion, "0232");
    EXPECT_EQ(params.ExifFlashPixVersion, "0100");
    EXPECT_EQ(params.ExifDateTimeOriginal, "2024:05:06 07:08:09");
    EXPECT_DOUBLE_EQ(params.ExifExposureBiasValue, -0.5);
    EXPECT_DOUBLE_EQ(params.ExifFocalLength, 35);
    EXPECT_EQ(params.ExifUserCommentCode, std::string("ASCII\0\0\0", 8));
    EXPECT_EQ(params.ExifUserComment, "hello there");
    ASSERT_TRUE(params.HasExifThumbnail());
    TIKBitmap* thumb = params.GetExifThumbnail();
    EXPECT_EQ(thumb->Width(), 8);
    EXPECT_EQ(thumb->Height(), 6);
    TIKColorTriple c = thumb->PixelColor(3, 3);
    EXPECT_GT(c.B, 200);
    EXPECT_LT(c.R, 40);
}

TEST(IKExif, BlocksWithoutExifAndTiffHeadersAreRefused) {
    TIOParamsVals params;
    const std::vector<std::vector<uint8_t>> bad = {
        {'E', 'x', 'i', 'f', 1, 0, 'I', 'I', 42, 0, 8, 0, 0,
         0}, // the text before the first zero is not "Exif"
        {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 42, 0, 8, 0, 0, 0}, // no TIFF header
        {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 43, 0, 8, 0, 0, 0},
        {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'}, // cut short
    };
    for (const auto& b : bad)
        EXPECT_FALSE(IKParseExifBlock(b.data(), int32_t(b.size()), params));
    EXPECT_FALSE(IKParseExifBlock(nullptr, 0, params));
    EXPECT_EQ(params.ExifPresent, 0);
}

TEST(IKExif, DirectoryWithoutImageDataStillParses) {
    // IFD 0 holds only fields; IFD 1 an uncompressed 2 x 1 gray thumbnail.
    tifftest::TiffBuilder b(true);
    b.Ascii(271, "Maker");
    b.Short(274, {3});
    b.EndPage(-1);
    b.Strip({0, 255});
    b.Long(256, {2});
    b.Long(257, {1});
    b.Short(258, {8});
    b.Short(262, {1});
    b.EndPage();
    std::vector<uint8_t> block = WithExifHeader(b.Bytes());
    TIOParamsVals params;
    ASSERT_TRUE(IKParseExifBlock(block.data(), int32_t(block.size()), params));
    EXPECT_EQ(params.ExifMake, "Maker");
    EXPECT_EQ(params.ExifOrientation, 3);
    ASSERT_TRUE(params.HasExifThumbnail());
    EXPECT_EQ(params.GetExifThumbnail()->PixelColor(1, 0), (TIKColorTriple{255, 255, 255}));
    // Damaged directories after a valid header leave the defaults and still count as EXIF.
    std::vector<uint8_t> broken = WithExifHeader({'I', 'I', 42, 0, 0xF0, 0xFF, 0, 0});
    TIOParamsVals p2;
    EXPECT_TRUE(IKParseExifBlock(broken.data(), int32_t(broken.size()), p2));
    EXPECT_EQ(p2.ExifPresent, 1);
    EXPECT_FALSE(p2.HasExifThumbnail());
}
