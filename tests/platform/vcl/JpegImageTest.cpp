#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/JpegImage.h"
#include "platform/vcl/Streams.h"
#include "tests/support/JpegFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

using namespace vcl;

namespace {

TColor JpegPixel(TBitmap& b, int x, int y) {
    uint32_t rgb = DibPixelColor(b.GetDibFormat(), static_cast<const uint8_t*>(b.ScanLine(y)), x);
    return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16));
}

void JpegSetPixel(TBitmap& b, int x, int y, TColor c) {
    uint32_t rgb = uint32_t(c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
    SetDibPixelColor(b.GetDibFormat(), static_cast<uint8_t*>(b.ScanLine(y)), x, rgb);
}

int Distance(TColor a, TColor b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

// Solid blocks of 16 x 16 pixels (whole blocks of the subsampled colour planes), in colours every depth holds.
const std::vector<TColor> BlockColors = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};
TColor BlockColor(int x, int y, bool twoColors) {
    const int i = x / 16 + 3 * (y / 16);
    return twoColors ? (i % 2 ? clWhite : clBlack) : BlockColors[size_t(i) % BlockColors.size()];
}

void FillBlocks(TBitmap& b, TPixelFormat pf, int w, int h) {
    b.SetPixelFormat(pf);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            JpegSetPixel(b, x, y, BlockColor(x, y, pf == pf1bit));
}

std::vector<uint8_t> Bytes(TJPEGImage& jpeg) {
    TMemoryStream stream;
    jpeg.SaveToStream(&stream);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return {p, p + stream.GetSize()};
}

void Load(TJPEGImage& jpeg, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
    stream.SetPosition(0);
    jpeg.LoadFromStream(&stream);
}

// The marker segments before the scan: (marker, offset of its length field).
std::vector<std::pair<uint8_t, size_t>> Segments(const std::vector<uint8_t>& d) {
    std::vector<std::pair<uint8_t, size_t>> out;
    size_t i = 2;
    while (i + 4 <= d.size() && d[i] == 0xFF) {
        const uint8_t marker = d[i + 1];
        out.push_back({marker, i + 2});
        if (marker == 0xDA)
            break;
        i += 2 + (size_t(d[i + 2]) << 8 | d[i + 3]);
    }
    return out;
}

size_t Find(const std::vector<uint8_t>& d, uint8_t marker) {
    for (auto [m, at] : Segments(d))
        if (m == marker)
            return at;
    return 0;
}

// A JPEG of 48 x 32 pixels in the given format, quality 100.
std::vector<uint8_t> Encoded(TPixelFormat pf = pf24bit) {
    TBitmap b;
    FillBlocks(b, pf, 48, 32);
    TJPEGImage jpeg;
    jpeg.SetCompressionQuality(100);
    jpeg.Assign(&b);
    return Bytes(jpeg);
}

// A CMYK file of 16 x 16 pixels of one colour as libjpeg writes it: with the Adobe marker, whose samples
// are the inverted inks (255: none).
std::vector<uint8_t> CmykFile(const uint8_t inverted[4]) {
    uint8_t row[16 * 4];
    for (size_t i = 0; i < sizeof(row); ++i)
        row[i] = inverted[i % 4];
    return testsupport::JpegOfRows(16, 16, JCS_CMYK, 4, row, false, 100);
}

} // namespace

// Bitmaps of every depth (palettes expanded) come back from their JPEG data in their colours.
TEST(TJPEGImage, BitmapsOfEveryDepthComeBackFromTheirData) {
    for (TPixelFormat pf : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(int(pf));
        TJPEGImage read;
        Load(read, Encoded(pf));
        EXPECT_EQ(read.GetWidth(), 48);
        EXPECT_EQ(read.GetHeight(), 32);
        TBitmap* picture = read.GetBitmap();
        ASSERT_NE(picture, nullptr);
        // Block interiors: at the edges the upsampled colour planes blend neighbouring blocks.
        int worst = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x)
                if (x % 16 >= 3 && x % 16 < 13 && y % 16 >= 3 && y % 16 < 13)
                    worst = std::max(worst, Distance(JpegPixel(*picture, x, y), BlockColor(x, y, pf == pf1bit)));
        EXPECT_LE(worst, 6);
    }
}

// The frame header: three components, or one in gray scale; baseline (SOF0) unless progressive (SOF2).
// Quality 50 gives the example luminance table of the JPEG standard itself, quality 100 all ones.
TEST(TJPEGImage, SettingsShapeTheWrittenFile) {
    TBitmap b;
    FillBlocks(b, pf24bit, 48, 32);
    struct Case {
        bool Gray, Progressive;
        int Quality;
        uint8_t Frame;
        int Components;
        std::vector<uint8_t> TableStart; // the first luminance entries in zigzag order
    };
    for (const Case& c : {Case{false, false, 50, 0xC0, 3, {16, 11, 12, 14, 12, 10, 16, 14}},
                          Case{true, false, 100, 0xC0, 1, {1, 1, 1, 1, 1, 1, 1, 1}},
                          Case{false, true, 50, 0xC2, 3, {16, 11, 12, 14}},
                          Case{true, true, 1, 0xC2, 1, {255, 255, 255, 255}}}) {
        SCOPED_TRACE(std::to_string(c.Quality) + (c.Gray ? " gray" : "") + (c.Progressive ? " progressive" : ""));
        TJPEGImage jpeg;
        jpeg.SetGrayscale(c.Gray);
        jpeg.SetProgressiveEncoding(c.Progressive);
        jpeg.SetCompressionQuality(c.Quality);
        jpeg.Assign(&b);
        const std::vector<uint8_t> d = Bytes(jpeg);
        ASSERT_GE(d.size(), 4u);
        EXPECT_EQ(d[0], 0xFF);
        EXPECT_EQ(d[1], 0xD8);
        EXPECT_EQ(Find(d, c.Progressive ? 0xC0 : 0xC2), 0u);
        const size_t frame = Find(d, c.Frame);
        ASSERT_NE(frame, 0u);
        EXPECT_EQ(d[frame + 7], c.Components);
        const size_t table = Find(d, 0xDB);
        ASSERT_NE(table, 0u);
        EXPECT_EQ(d[table + 2], 0) << "8-bit table 0";
        EXPECT_EQ(std::vector<uint8_t>(d.begin() + long(table + 3), d.begin() + long(table + 3 + c.TableStart.size())),
                  c.TableStart);
    }
}

// Settings that shape the file make the data of an assigned picture again; data read is saved unchanged.
TEST(TJPEGImage, DataReadIsKeptAndAssignedPicturesFollowTheSettings) {
    TBitmap b;
    FillBlocks(b, pf24bit, 48, 32);
    TJPEGImage jpeg;
    jpeg.Assign(&b);
    EXPECT_EQ(jpeg.GetCompressionQuality(), 90);
    const size_t at90 = Bytes(jpeg).size();
    jpeg.SetCompressionQuality(5);
    EXPECT_LT(Bytes(jpeg).size(), at90);
    jpeg.SetCompressionQuality(0);
    EXPECT_EQ(jpeg.GetCompressionQuality(), 1);
    jpeg.SetCompressionQuality(1000);
    EXPECT_EQ(jpeg.GetCompressionQuality(), 100);

    const std::vector<uint8_t> original = Encoded();
    TJPEGImage read;
    Load(read, original);
    read.SetCompressionQuality(10);
    read.SetGrayscale(true);
    EXPECT_EQ(Bytes(read), original);
    // Gray scale shapes the decoded picture of data read.
    TBitmap* gray = read.GetBitmap();
    ASSERT_NE(gray, nullptr);
    const TColor red = JpegPixel(*gray, 40, 8);
    EXPECT_EQ(red & 0xFF, (red >> 8) & 0xFF);
    EXPECT_EQ(red & 0xFF, (red >> 16) & 0xFF);
    // Compress makes the data again from the picture, now in one component.
    read.Compress();
    const std::vector<uint8_t> again = Bytes(read);
    EXPECT_EQ(again[Find(again, 0xC0) + 7], 1);

    TJPEGImage copy;
    copy.Assign(&read);
    EXPECT_EQ(Bytes(copy), again);
    EXPECT_TRUE(copy.Equals(&read));
    EXPECT_THROW(copy.SetWidth(3), EInvalidGraphicOperation);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.GetEmpty());
    EXPECT_THROW(Bytes(copy), EJPEG);
}

// Drawn stretched through a canvas, as any graphic.
TEST(TJPEGImage, DrawsItsPicture) {
    TJPEGImage jpeg;
    Load(jpeg, Encoded());
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(96, 64);
    target.GetCanvas()->StretchDraw({0, 0, 96, 64}, &jpeg);
    EXPECT_LE(Distance(JpegPixel(target, 10, 10), clBlack), 6);
    EXPECT_LE(Distance(JpegPixel(target, 40, 10), clWhite), 6);
    EXPECT_LE(Distance(JpegPixel(target, 74, 10), clRed), 6);
    EXPECT_LE(Distance(JpegPixel(target, 10, 42), clLime), 6);
}

// Damaged, cut and lying files: an exception of the class library, or what the data holds; never more memory
// than the data can fill.
TEST(TJPEGImage, HostileDataIsRefusedOrReadAsFarAsItGoes) {
    const std::vector<uint8_t> good = Encoded();
    TJPEGImage jpeg;
    EXPECT_THROW(Load(jpeg, {}), EJPEG);
    EXPECT_THROW(Load(jpeg, {'G', 'I', 'F', '8', '9', 'a', 0, 0}), EJPEG);
    EXPECT_THROW(Load(jpeg, std::vector<uint8_t>(good.begin(), good.begin() + 20)), EJPEG);
    EXPECT_TRUE(jpeg.GetEmpty());

    // Cut inside the scan: the header reads, the rest of the picture is filled by the library.
    const size_t scan = Find(good, 0xDA);
    Load(jpeg, std::vector<uint8_t>(good.begin(), good.begin() + long(scan + (good.size() - scan) / 2)));
    ASSERT_NE(jpeg.GetBitmap(), nullptr);
    EXPECT_EQ(jpeg.GetBitmap()->GetWidth(), 48);

    // A frame header that claims 60000 x 60000 pixels in a few hundred bytes.
    std::vector<uint8_t> huge = good;
    const size_t frame = Find(huge, 0xC0);
    for (size_t at : {frame + 3, frame + 5}) {
        huge[at] = 60000 >> 8;
        huge[at + 1] = 60000 & 0xFF;
    }
    try {
        Load(jpeg, huge);
        FAIL() << "a 60000 x 60000 picture read from " << huge.size() << " bytes";
    } catch (const EJPEG& e) {
        EXPECT_STREQ(e.what(), "JPEG image too large");
    }
    // Within what the data can fill, the reading budget still holds.
    {
        TImageReadBudgetScope budget(48 * 32 * 3 - 1);
        EXPECT_THROW(Load(jpeg, good), EJPEG);
    }
    // A damaged table inside the header: the library's own message.
    std::vector<uint8_t> damaged = good;
    damaged[Find(damaged, 0xDB) + 2] = 0x07; // table 7 does not exist
    try {
        Load(jpeg, damaged);
        FAIL() << "a table numbered 7 was read";
    } catch (const EJPEG& e) {
        EXPECT_EQ(std::string(e.what()).rfind("JPEG error: ", 0), 0u) << e.what();
    }
}

// CMYK files read in colour and, the setting on, in gray: the library makes no gray of CMYK itself, so the
// colours are made gray with its weights (0.299 red, 0.587 green, 0.114 blue).
TEST(TJPEGImage, CmykFilesReadInColourAndInGray) {
    const uint8_t magenta[4] = {255, 0, 255, 255}; // full magenta ink, nothing else
    TJPEGImage jpeg;
    Load(jpeg, CmykFile(magenta));
    ASSERT_NE(jpeg.GetBitmap(), nullptr);
    const TColor colour = JpegPixel(*jpeg.GetBitmap(), 5, 5);
    EXPECT_LE(Distance(colour, clFuchsia), 2);
    jpeg.SetGrayscale(true);
    TBitmap* gray = jpeg.GetBitmap();
    ASSERT_NE(gray, nullptr);
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    const int y = (19595 * r + 38470 * g + 7471 * b + 32768) >> 16; // 105 for pure fuchsia
    EXPECT_EQ(JpegPixel(*gray, 5, 5), TColor(y | y << 8 | y << 16));
}

// A progressive file may hold a scan in every ten bytes, and each scan is a pass over every block of the
// picture: beyond 500 scans the file is refused as it is decoded, before it costs minutes.
TEST(TJPEGImage, FilesOfTooManyScansAreRefused) {
    TJPEGImage jpeg;
    Load(jpeg, testsupport::JpegOfManyScans(8, 8, 499));
    ASSERT_NE(jpeg.GetBitmap(), nullptr);
    EXPECT_EQ(jpeg.GetBitmap()->GetWidth(), 8);

    // 4 million pixels (up to 16 million may be announced by any data) and 3,000 scans in 30 KB: djpeg takes
    // 2.4 s for these, 6.4 s at 4096 x 4096, and a megabyte of such scans would take minutes.
    Load(jpeg, testsupport::JpegOfManyScans(2048, 2048, 3000));
    EXPECT_EQ(jpeg.GetWidth(), 2048);
    try {
        jpeg.GetBitmap();
        FAIL() << "3001 scans were decoded";
    } catch (const EJPEG& e) {
        EXPECT_STREQ(e.what(), "JPEG error: the image has more than 500 scans");
    }
}

// For tests/external/jpeg_image.sh: with LOOMWICK_JPEG_EXTERNAL_DIR set, picture.bmp there is written at
// qualities 100, 75, 50, 25 and 1, in gray scale and progressively; the files cjpeg made of it (listed in
// decode.txt) are decoded into BMP files for comparison with djpeg's.
TEST(TJPEGImage, FilesForTheExternalCheck) {
    const char* dir = std::getenv("LOOMWICK_JPEG_EXTERNAL_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "LOOMWICK_JPEG_EXTERNAL_DIR is not set";
    const std::filesystem::path folder(dir);
    TBitmap picture;
    picture.LoadFromFile((folder / "picture.bmp").string());
    for (int quality : {100, 75, 50, 25, 1}) {
        TJPEGImage jpeg;
        jpeg.SetCompressionQuality(quality);
        jpeg.Assign(&picture);
        jpeg.SaveToFile((folder / ("q" + std::to_string(quality) + ".jpg")).string());
    }
    TJPEGImage gray;
    gray.SetGrayscale(true);
    gray.Assign(&picture);
    gray.SaveToFile((folder / "gray.jpg").string());
    TJPEGImage progressive;
    progressive.SetProgressiveEncoding(true);
    progressive.Assign(&picture);
    progressive.SaveToFile((folder / "progressive.jpg").string());

    std::ifstream list(folder / "decode.txt");
    std::string name;
    while (std::getline(list, name)) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile((folder / name).string());
        jpeg.GetBitmap()->SaveToFile((folder / (name + ".bmp")).string());
    }
}
