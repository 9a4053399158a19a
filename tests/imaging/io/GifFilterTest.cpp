#include "imaging/io/GifFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOParams.h"

#include "IOTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace imaging;

namespace {

struct TGifRead {
    TIKBitmap Bitmap;
    TIOParamsVals Params;
    std::unique_ptr<TIKMask> Mask;
    int32_t Count = -1;
    std::atomic<bool> Aborting{false};
    TIKProgressContext Progress{Aborting};
    std::vector<int32_t> Percents;

    void Read(const std::vector<uint8_t>& bytes, TIKReadMode mode = ikrmImage) {
        Progress.OnProgress = [this](vcl::TObject*, int32_t p) { Percents.push_back(p); };
        auto s = iotest::StreamOf(bytes);
        DecodeGifToBitmap(s.get(), &Bitmap, Count, Params, Progress, mode, Mask, ikamKeep);
    }
    TIKColorTriple Pixel(int32_t x, int32_t y) {
        if (Bitmap.PixelFormat() == ikbf1Bit)
            return IKTestBit(Bitmap.ScanLine(y), x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
        const uint8_t* p = Bitmap.ScanLine(y) + x * 3;
        return {p[0], p[1], p[2]};
    }
    int32_t Mismatches(const iotest::TPnm& ref) {
        EXPECT_EQ(Bitmap.Width(), ref.Width);
        EXPECT_EQ(Bitmap.Height(), ref.Height);
        int32_t n = 0;
        for (int32_t y = 0; y < std::min(ref.Height, Bitmap.Height()); ++y)
            for (int32_t x = 0; x < std::min(ref.Width, Bitmap.Width()); ++x) {
                const uint8_t* w = ref.At(x, y);
                n += Pixel(x, y) != TIKColorTriple{w[2], w[1], w[0]};
            }
        return n;
    }
};

std::vector<uint8_t> Write(TIKBitmap& bmp, TIOParamsVals& w, bool* aborted = nullptr) {
    vcl::TMemoryStream s;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EncodeBitmapToGif(&s, &bmp, w, progress);
    if (aborted)
        *aborted = aborting;
    else
        EXPECT_FALSE(aborting);
    return iotest::BytesOf(s);
}

} // namespace

TEST(GifFilter, DecodesLikeGiftopnm) {
    struct Case {
        const char* File;
        int32_t Index;
        const char* Reference;
        TIKBitmapFormat Format;
    };
    for (Case c : {Case{"gif-three.gif", 2, "gif-three-2.ppm", ikbf24Bit},
                   Case{"gif-interlaced.gif", 0, "gif-interlaced.ppm", ikbf24Bit},
                   Case{"gif-bw.gif", 0, "gif-bw.ppm", ikbf1Bit},
                   Case{"gif-transparent.gif", 0, "gif-transparent.ppm", ikbf24Bit}}) {
        SCOPED_TRACE(c.File);
        TGifRead r;
        r.Params.GifImageIndex = c.Index;
        r.Read(iotest::ReadFixture(c.File));
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(r.Mismatches(iotest::ParsePnm(iotest::ReadFixture(c.Reference))), 0);
        EXPECT_EQ(r.Percents, (std::vector<int32_t>{0, 30, 70, 100}));
    }
    TGifRead t;
    t.Read(iotest::ReadFixture("gif-transparent.gif"));
    auto alpha = iotest::ParsePnm(iotest::ReadFixture("gif-transparent-alpha.ppm"));
    EXPECT_TRUE(t.Params.GifTransparent);
    EXPECT_FALSE(t.Mask->GetFull());
    for (int32_t y = 0; y < alpha.Height; ++y)
        for (int32_t x = 0; x < alpha.Width; ++x)
            ASSERT_EQ(t.Mask->GetPixel(x, y), alpha.At(x, y)[0]);
}

TEST(GifFilter, ParamsOnlyReadOfTheSecondImage) {
    TGifRead r;
    r.Params.GifImageIndex = 1;
    r.Read(iotest::ReadFixture("gif-three.gif"), ikrmParamsOnly);
    EXPECT_FALSE(r.Aborting);
    EXPECT_EQ(r.Count, 3);
    EXPECT_EQ(r.Params.GifImageCount, 3);
    EXPECT_EQ(r.Params.GifDelay, 25);
    EXPECT_EQ(r.Params.Width, 17);
    EXPECT_EQ(r.Params.GifComments, (std::vector<std::string>{"second image"}));
    EXPECT_EQ(r.Params.GifVersion, std::string("GIF89a\0", 7));
    EXPECT_EQ(r.Bitmap.Width(), 0);
    // Image 2 has no control extension of its own: image 1's delay does not carry over.
    TGifRead third;
    third.Params.GifImageIndex = 2;
    third.Read(iotest::ReadFixture("gif-three.gif"), ikrmParamsOnly);
    EXPECT_EQ(third.Params.GifDelay, 0);
}

TEST(GifFilter, IndexBeyondTheFileFailsButCounts) {
    TGifRead r;
    r.Params.GifImageIndex = 3;
    r.Bitmap.Allocate(2, 2, ikbf24Bit);
    r.Read(iotest::ReadFixture("gif-three.gif"));
    EXPECT_TRUE(r.Aborting);
    EXPECT_EQ(r.Params.GifImageCount, 3);
    EXPECT_EQ(r.Bitmap.Width(), 2); // left as it was
}

TEST(GifFilter, WritesWhatReadsBack) {
    TIKBitmap bmp;
    bmp.Allocate(9, 6, ikbf24Bit);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = uint8_t(x * 30);
            p[1] = uint8_t(y * 40);
            p[2] = 99;
        }
    for (uint8_t interlaced : {0, 1}) {
        TIOParamsVals w;
        w.BitsPerSample = 8;
        w.GifInterlaced = interlaced;
        w.GifDelay = 300;
        w.GifTransparent = 1;
        w.GifTransparentColor = {0, 0, 99};
        w.GifComments = {"short", std::string(600, 'c'), ""};
        auto bytes = Write(bmp, w);
        TGifRead r;
        r.Read(bytes);
        ASSERT_FALSE(r.Aborting);
        EXPECT_EQ(r.Params.GifDelay, 300);
        EXPECT_EQ(r.Params.GifInterlaced, interlaced);
        // Long comments go in several sub-blocks and come back whole.
        EXPECT_EQ(r.Params.GifComments, (std::vector<std::string>{"short", std::string(600, 'c')}));
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 9; ++x) {
                ASSERT_EQ(r.Pixel(x, y), (TIKColorTriple{uint8_t(x * 30), uint8_t(y * 40), 99}));
                ASSERT_EQ(r.Mask->GetPixel(x, y), x == 0 && y == 0 ? 0 : 255);
            }
        // The control extension's packed byte: disposal 2 and the transparency flag.
        const uint8_t gce[] = {0x21, 0xF9, 4, 9};
        EXPECT_NE(std::search(bytes.begin(), bytes.end(), gce, gce + 4), bytes.end());
    }
}

TEST(GifFilter, OneBitWritingAndTheEmptyComment) {
    TIKBitmap bmp;
    bmp.Allocate(5, 2, ikbf24Bit);
    for (int32_t x = 0; x < 5; ++x) {
        bmp.ScanLine(0)[x * 3] = x % 2 ? 255 : 0; // blue or red
        bmp.ScanLine(0)[x * 3 + 2] = x % 2 ? 0 : 255;
        bmp.ScanLine(1)[x * 3] = 255;
    }
    TIOParamsVals w;
    w.BitsPerSample = 1;
    auto bytes = Write(bmp, w);
    // Global table: the darker colour (blue) first.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 13, bytes.begin() + 19),
              (std::vector<uint8_t>{0, 0, 255, 255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()),
              (std::vector<uint8_t>{0x21, 0xFE, 0, 0x3B}));
    TGifRead r;
    r.Read(bytes);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.Bitmap.PixelFormat(), ikbf24Bit); // a blue, red palette is not black and white
    EXPECT_EQ(r.Pixel(0, 0), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(r.Pixel(1, 1), (TIKColorTriple{255, 0, 0}));
}

TEST(GifFilter, WithoutCodersReadingAndWritingFail) {
    TIKBitmap bmp;
    bmp.Allocate(3, 3, ikbf24Bit);
    TIOParamsVals w;
    w.GifLzwEncoder = nullptr;
    auto saved = GifLzwEncoderHook;
    GifLzwEncoderHook = nullptr;
    bool aborted = false;
    Write(bmp, w, &aborted);
    GifLzwEncoderHook = saved;
    EXPECT_TRUE(aborted);

    auto savedDecoder = GifLzwDecoderHook;
    GifLzwDecoderHook = nullptr;
    TGifRead r;
    r.Params.GifLzwDecoder = nullptr;
    r.Read(iotest::ReadFixture("gif-bw.gif"));
    EXPECT_TRUE(r.Aborting);
    TGifRead p; // a params-only read needs no coder
    p.Params.GifLzwDecoder = nullptr;
    p.Read(iotest::ReadFixture("gif-bw.gif"), ikrmParamsOnly);
    EXPECT_FALSE(p.Aborting);
    GifLzwDecoderHook = savedDecoder;
}

TEST(GifFilter, HostileDataSetsAborting) {
    auto good = iotest::ReadFixture("gif-bw.gif");
    // No colour table at all; an index beyond a two-entry table; a bad signature; a header alone.
    auto noTable = good;
    noTable[10] &= 0x7F;
    noTable.erase(noTable.begin() + 13, noTable.begin() + 19);
    TIKBitmap four;
    four.Allocate(4, 1, ikbf24Bit);
    for (int32_t x = 0; x < 4; ++x)
        four.ScanLine(0)[x * 3] = uint8_t(x * 60);
    TIOParamsVals w;
    w.BitsPerSample = 2;
    auto beyond = Write(four, w);
    beyond[10] = 0x80; // the table shrinks to two entries; the data still holds indexes 2 and 3
    beyond.erase(beyond.begin() + 19, beyond.begin() + 25);
    for (const auto& bytes : {noTable, beyond, std::vector<uint8_t>{'G', 'I', 'X'},
                              std::vector<uint8_t>(good.begin(), good.begin() + 19)}) {
        TGifRead r;
        r.Read(bytes);
        EXPECT_TRUE(r.Aborting);
    }
    std::srand(13);
    for (int n = 0; n < 200; ++n) {
        auto bad = iotest::ReadFixture("gif-three.gif");
        for (int k = 0; k < 3; ++k)
            bad[size_t(std::rand()) % bad.size()] = uint8_t(std::rand());
        TGifRead r;
        r.Params.GifImageIndex = n % 3;
        r.Read(bad);
    }
}

TEST(GifFilter, FileRoundTripLeavesTheOldFileOnFailure) {
    const auto path =
        std::filesystem::temp_directory_path() / ("loomwick-gif-" + std::to_string(::getpid()) + ".gif");
    TIKBitmap bmp;
    bmp.Allocate(4, 4, ikbf24Bit);
    TIOParamsVals w;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EncodeBitmapToGifFile(path.string(), &bmp, w, progress);
    ASSERT_FALSE(aborting);
    const auto size = std::filesystem::file_size(path);
    w.GifLzwEncoder = nullptr;
    auto saved = GifLzwEncoderHook;
    GifLzwEncoderHook = nullptr;
    EncodeBitmapToGifFile(path.string(), &bmp, w, progress);
    GifLzwEncoderHook = saved;
    EXPECT_TRUE(aborting);
    EXPECT_EQ(std::filesystem::file_size(path), size);
    TIKBitmap back;
    TIOParamsVals p;
    std::unique_ptr<TIKMask> mask;
    int32_t count = 0;
    std::atomic<bool> readAborting{false};
    TIKProgressContext readProgress(readAborting);
    DecodeGifFileToBitmap(path.string(), &back, count, p, readProgress, mask, ikamKeep);
    EXPECT_FALSE(readAborting);
    EXPECT_EQ(back.Width(), 4);
    std::filesystem::remove(path);
}

TEST(GifFilter, FramesGetOnlyWhatTheirDataCanFill) {
    // The GIF codec's memory rule: these files claim 16384 x 16384 frames with a few bytes of data.
    auto fixture = [](const std::string& name) {
        std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/gif/" + name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    struct Case {
        std::string name;
        bool aborts;
        int32_t width;
    } cases[] = {{"gif-frame-16384sq-43B.gif", true, 0},
                 {"gif-16-frames-16384sq-388B.gif", true, 0},
                 {"gif-index-beyond-table.gif", true, 4}}; // read, but its indexes beyond the table abort
    for (const Case& c : cases) {
        TGifRead r;
        r.Read(fixture(c.name));
        EXPECT_EQ(bool(r.Aborting), c.aborts) << c.name;
        EXPECT_EQ(r.Bitmap.Width(), c.width) << c.name;
    }
}
