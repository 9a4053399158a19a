#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ImageBudget.h"
#include "swf/FlashObjects.h"
#include "swf/SWFJpeg.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/JpegFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include <jpeglib.h>

using namespace swf;
using namespace swftest;

namespace {

Bytes MakeJpeg(int w, int h, bool progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = uint8_t(x * 20);
            row[size_t(x) * 3 + 1] = uint8_t(c.next_scanline * 30);
            row[size_t(x) * 3 + 2] = 90;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes result(out, out + size);
    free(out);
    return result;
}

struct TempJpeg {
    explicit TempJpeg(const Bytes& data, const char* tag) {
        Path = std::filesystem::temp_directory_path() /
               ("swf-" + std::string(tag) + "-" + std::to_string(::getpid()) + ".jpg");
        FILE* f = std::fopen(Path.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    ~TempJpeg() { std::filesystem::remove(Path); }
    std::filesystem::path Path;
};

} // namespace

TEST(FlashJpeg, BaselineFileIsEmbeddedAsItIs) {
    Bytes jpeg = MakeJpeg(9, 7, false);
    TempJpeg file(jpeg, "base");
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashImage* image = movie.AddImage(file.Path.string());
    EXPECT_TRUE(image->GetIsJPEG());
    EXPECT_EQ(image->GetWidth(), 9);
    EXPECT_EQ(image->GetHeight(), 7);
    EXPECT_EQ(image->GetDataKind(), dkJpegFile);
    Bytes tag = WriteObject(*image);
    EXPECT_EQ((tag[0] | (tag[1] << 8)) >> 6, tagDefineBitsJPEG2);
    // Long header, identifier, then FF D8 + the whole file + FF D9.
    Bytes inner(tag.begin() + 10, tag.end() - 2);
    EXPECT_EQ(Hex(Bytes(tag.begin() + 8, tag.begin() + 10)), "FF D8");
    EXPECT_EQ(inner, jpeg);
    EXPECT_EQ(image->MinVersion(), 2);

    // With alpha data the image becomes DefineBitsJPEG3 with the alpha plane deflated after the JPEG.
    vcl::TMemoryStream* alpha = image->GetAlphaData();
    ASSERT_NE(alpha, nullptr);
    Bytes plane(63, 0x80);
    alpha->WriteBuffer(plane.data(), 63);
    tag = WriteObject(*image);
    EXPECT_EQ((tag[0] | (tag[1] << 8)) >> 6, tagDefineBitsJPEG3);
    uint32_t offset = tag[8] | (tag[9] << 8) | (tag[10] << 16) | (uint32_t(tag[11]) << 24);
    EXPECT_EQ(offset, jpeg.size() + 4);
    size_t alphaAt = 12 + offset;
    EXPECT_EQ(Inflate(tag.data() + alphaAt, tag.size() - alphaAt), plane);
}

TEST(FlashJpeg, ProgressiveFiles) {
    Bytes jpeg = MakeJpeg(9, 7, true);
    ASSERT_TRUE(JpegIsProgressive(jpeg.data(), jpeg.size()));
    TempJpeg file(jpeg, "prog");
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    // Without conversion the file is embedded unchanged, its size unknown.
    TFlashImage* kept = movie.AddImage(file.Path.string());
    EXPECT_EQ(kept->GetDataKind(), dkJpegFile);
    EXPECT_EQ(kept->GetWidth(), 0);
    // With conversion it is decoded and written again as baseline JPEG.
    kept->SetConvertProgressive(true);
    EXPECT_EQ(kept->GetDataKind(), dkJpegMemory);
    EXPECT_EQ(kept->GetWidth(), 9);
    Bytes tag = WriteObject(*kept);
    Bytes inner(tag.begin() + 10, tag.end() - 2);
    EXPECT_EQ(Hex(Bytes(inner.begin(), inner.begin() + 2)), "FF D8");
    EXPECT_FALSE(JpegIsProgressive(inner.data(), inner.size()));

    TFlashImage converted(&movie);
    converted.SetConvertProgressive(true);
    converted.LoadFromFile(file.Path.string());
    EXPECT_EQ(converted.GetDataKind(), dkJpegMemory);
    EXPECT_EQ(converted.GetHeight(), 7);

    // A copy holds bytes of its own, not the open file.
    TFlashImage copy(&movie);
    TFlashImage* original = movie.AddImage(file.Path.string());
    copy.Assign(original);
    EXPECT_EQ(copy.GetDataKind(), dkJpegMemory);
    EXPECT_EQ(copy.GetData().GetSize(), int64_t(jpeg.size()));
}

TEST(FlashJpeg, SizeScan) {
    Bytes jpeg = MakeJpeg(300, 2, false);
    vcl::TReadOnlyMemoryStream s(jpeg.data(), int64_t(jpeg.size()));
    uint16_t w = 0, h = 0;
    EXPECT_TRUE(ReadJpegSize(&s, w, h));
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 2);
    const uint8_t notJpeg[] = {'B', 'M', 0, 0};
    vcl::TReadOnlyMemoryStream bad(notJpeg, 4);
    EXPECT_FALSE(ReadJpegSize(&bad, w, h));
    // Truncated inside a segment: no size, no overrun.
    vcl::TReadOnlyMemoryStream cut(jpeg.data(), 30);
    EXPECT_FALSE(ReadJpegSize(&cut, w, h));
    const Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC4, 0x00};
    vcl::TMemoryStream out;
    uint16_t a, b;
    EXPECT_THROW(JpegReencodeBaseline(garbage.data(), garbage.size(), &out, a, b), vcl::EInvalidGraphic);
}

TEST(FlashJpeg, ReencodingReportsTheLibraryMessage) {
    // A frame header that ends inside the file's data: the library's own text follows the prefix.
    const Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC4, 0x00};
    vcl::TMemoryStream out;
    uint16_t w = 0, h = 0;
    try {
        JpegReencodeBaseline(garbage.data(), garbage.size(), &out, w, h);
        FAIL();
    } catch (const vcl::EInvalidGraphic& e) {
        EXPECT_EQ(e.Message().rfind("JPEG error: ", 0), 0u) << e.Message();
        EXPECT_GT(e.Message().size(), std::string("JPEG error: ").size());
    }
    EXPECT_EQ(out.GetSize(), 0);
    EXPECT_FALSE(JpegIsProgressive(garbage.data(), garbage.size()));
}

// A progressive file of a few hundred bytes whose frame header claims 60000 x 60000 pixels would have the
// library keep 21 GB of coefficients and the conversion 10 GB of pixels: refused before either.
TEST(FlashJpeg, ReencodingRefusesHeadersItsDataCannotFill) {
    Bytes jpeg = MakeJpeg(9, 7, true);
    size_t sof = 2;
    while (sof + 8 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC2))
        sof += 2 + size_t(jpeg[sof + 2] << 8 | jpeg[sof + 3]);
    ASSERT_LT(sof + 8, jpeg.size());
    for (size_t at : {sof + 5, sof + 7}) {
        jpeg[at] = 60000 >> 8;
        jpeg[at + 1] = 60000 & 0xFF;
    }
    ASSERT_TRUE(JpegIsProgressive(jpeg.data(), jpeg.size()));
    vcl::TMemoryStream out;
    uint16_t w = 0, h = 0;
    testsupport::TAllocationCounter counter;
    EXPECT_THROW(JpegReencodeBaseline(jpeg.data(), jpeg.size(), &out, w, h), vcl::EInvalidGraphic);
    if (testsupport::TAllocationCounter::Available()) {
        EXPECT_LE(counter.PeakBytes(), 256 * 1024);
    }
}

// The picture reading budget holds for pictures the data could fill.
TEST(FlashJpeg, ReencodingKeepsToTheReadingBudget) {
    const Bytes jpeg = MakeJpeg(64, 64, true);
    vcl::TMemoryStream out;
    uint16_t w = 0, h = 0;
    {
        vcl::TImageReadBudgetScope budget(64 * 64 * 4);
        EXPECT_THROW(JpegReencodeBaseline(jpeg.data(), jpeg.size(), &out, w, h), vcl::EInvalidGraphic);
    }
    JpegReencodeBaseline(jpeg.data(), jpeg.size(), &out, w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    EXPECT_GT(out.GetSize(), 0);
}

// A progressive file may hold a scan in every ten bytes, each a pass over every block of the picture: the
// conversion to baseline refuses files of more than 500 scans instead of decoding them for minutes.
TEST(FlashJpeg, ReencodingRefusesFilesOfTooManyScans) {
    vcl::TMemoryStream out;
    uint16_t w = 0, h = 0;
    const Bytes most = testsupport::JpegOfManyScans(8, 8, 499);
    JpegReencodeBaseline(most.data(), most.size(), &out, w, h);
    EXPECT_EQ(w, 8);
    EXPECT_FALSE(JpegIsProgressive(static_cast<const uint8_t*>(out.Memory()), size_t(out.GetSize())));

    const Bytes many = testsupport::JpegOfManyScans(2048, 2048, 3000);
    try {
        JpegReencodeBaseline(many.data(), many.size(), &out, w, h);
        FAIL() << "3001 scans were decoded";
    } catch (const vcl::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "JPEG error: the image has more than 500 scans");
    }
}
