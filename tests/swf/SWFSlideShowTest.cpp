#include "SwfTestUtil.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"
#include "swf/SWFSlideShowCreator.h"
#include "swf/SWFZlib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <zlib.h>

using namespace swf;
using namespace swftest;

namespace {

vcl::TDibFormat Format8(int32_t width, int32_t height) {
    vcl::TDibFormat f;
    f.Width = width;
    f.Height = height;
    f.BitCount = 8;
    f.Colors.resize(256);
    for (int i = 0; i < 256; ++i)
        f.Colors[size_t(i)] = uint32_t(i) * 0x010203u & 0xFFFFFF;
    return f;
}

Bytes Deflate(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, data.data(), uLong(data.size()), SWFBitmapDeflateLevel), Z_OK);
    out.resize(size);
    return out;
}

Bytes SaveBytes(TSWFSlideShowCreator& creator) {
    vcl::TMemoryStream out;
    creator.GetMovie()->SaveToStream(&out);
    return StreamBytes(out);
}

} // namespace

TEST(SWFSlideShow, WorkedExample) {
    TSWFSlideShowCreator creator;
    creator.CreateMovie(1, 2, 10);
    vcl::TDibFormat f = Format8(2, 1);
    f.Colors[0] = 0x112233;
    f.Colors[1] = 0x445566;
    const uint8_t bits[4] = {0, 1, 0, 0};
    creator.AddImage(f, bits, 100);
    creator.MakeStream();
    Bytes file = SaveBytes(creator);

    Bytes zpixels = Deflate({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x00, 0x01, 0x00, 0x00});
    const uint32_t z = uint32_t(zpixels.size());
    Bytes expected;
    Append(expected, {0x38, 0x05, 0x00, 0x0A, 0x00, 0x00, 0x0A, 0x02, 0x00});
    Append(expected, {0x3F, 0x05, uint8_t(8 + z), 0, 0, 0, 0x01, 0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x01});
    Append(expected, zpixels);
    Append(expected,
           {0x9E, 0x05, 0x02, 0x00, 0x38, 0x05, 0x00, 0x0A, 0x00, 0x01, 0x40, 0x01, 0x00, 0xD9, 0x40, 0x00,
            0x05, 0x00, 0x00, 0x04, 0xBB, 0x00, 0x10, 0x13, 0xA8, 0xA3, 0x45, 0x4D, 0x4B, 0x1A, 0x36, 0x00});
    Append(expected, {0x8B, 0x06, 0x0A, 0x02, 0x00, 0x02, 0x00, 0xA4, 0x00, 0x00, 0x00, 0x60, 0x00});
    Append(expected, {0x40, 0x00});
    Append(expected, {0x86, 0x06, 0x0B, 0x02, 0x00, 0x02, 0x00, 0x80});
    Append(expected, {0x40, 0x00, 0x00, 0x00});

    ASSERT_GT(file.size(), 8u);
    EXPECT_EQ(Hex(Bytes(file.begin(), file.begin() + 4)), "43 57 53 06");
    uint32_t length = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t(file[7]) << 24);
    EXPECT_EQ(length, 90 + z);
    EXPECT_EQ(Hex(Inflate(file.data() + 8, file.size() - 8)), Hex(expected));
}

TEST(SWFSlideShow, FramesAndFades) {
    TSWFSlideShowCreator creator;
    creator.CreateMovie(10, 10, 10);
    EXPECT_EQ(creator.GetMsPerFrame(), 100);
    struct {
        int delay, frames;
    } cases[] = {{100, 1}, {250, 2}, {40, 1}, {0, 1}, {-5, 1}, {1000, 10}};
    for (auto c : cases)
        EXPECT_EQ(creator.FramesFor(c.delay), c.frames) << c.delay;

    creator.CreateMovie(1, 2, 3);
    EXPECT_EQ(creator.GetMsPerFrame(), 333);
    vcl::TDibFormat f = Format8(2, 1);
    const uint8_t bits[4] = {0, 1, 0, 0};
    creator.AddImage(f, bits, 1000);
    creator.AddImage(f, bits, 1);
    TFlashMovie* movie = creator.GetMovie();
    std::vector<int32_t> alphaAdds;
    std::vector<bool> moves;
    std::vector<uint16_t> characters;
    for (auto& o : movie->GetObjects())
        if (auto* p = dynamic_cast<TFlashPlaceObject*>(o.get())) {
            alphaAdds.push_back(p->GetColorTransform().GetAlphaAdd());
            moves.push_back(p->GetTag().GetMove());
            characters.push_back(p->GetCharacterID());
        }
    EXPECT_EQ(alphaAdds, (std::vector<int32_t>{-128, -85, -43, 0, -128, 0}));
    EXPECT_EQ(moves, (std::vector<bool>{false, true, true, true, false, true}));
    EXPECT_EQ(characters, (std::vector<uint16_t>{2, 2, 2, 2, 4, 4}));
    EXPECT_EQ(creator.GetImageCount(), 2);
    EXPECT_EQ(movie->GetImageList()[1]->GetCharacterID(), 3);
    creator.MakeStream();
    EXPECT_EQ(movie->GetFrameCount(), 6);
}

TEST(SWFSlideShow, CallsBeforeCreateMovieAndBadRates) {
    TSWFSlideShowCreator creator;
    vcl::TDibFormat f = Format8(2, 1);
    const uint8_t bits[4] = {};
    EXPECT_THROW(
        {
            try {
                creator.AddImage(f, bits, 10);
            } catch (const vcl::Exception& e) {
                EXPECT_EQ(e.Message(), "CreateMovie must be called before adding image!");
                throw;
            }
        },
        vcl::Exception);
    EXPECT_THROW(creator.MakeStream(), vcl::Exception);
    EXPECT_THROW(creator.SaveToFile("unused.swf"), vcl::Exception);
    creator.CreateMovie(5, 5, 12);
    creator.AddImage(f, bits, 10);
    // Rates the 8.8 field cannot hold are refused before anything changes.
    for (int rate : {0, -3, 256, 1001}) {
        EXPECT_THROW(creator.CreateMovie(5, 5, rate), vcl::ERangeError) << rate;
        EXPECT_EQ(creator.GetFrameRate(), 12);
        EXPECT_EQ(creator.GetImageCount(), 1);
    }
    creator.CreateMovie(5, 5, 255);
    EXPECT_EQ(creator.GetMsPerFrame(), 3);
    EXPECT_EQ(creator.GetImageCount(), 0);
}

TEST(SWFSlideShow, TooManyFramesAreRefusedBeforeAnythingIsAdded) {
    TSWFSlideShowCreator creator;
    creator.CreateMovie(5, 5, 250);
    vcl::TDibFormat f = Format8(2, 1);
    const uint8_t bits[4] = {};
    // 4 ms a frame: 300 seconds would need 75001 frames.
    EXPECT_THROW(creator.AddImage(f, bits, 300000), vcl::ERangeError);
    EXPECT_EQ(creator.GetImageCount(), 0);
    EXPECT_TRUE(creator.GetMovie()->GetObjects().empty());
}

TEST(SWFSlideShow, SaveRendersAStaleMovie) {
    auto path =
        std::filesystem::temp_directory_path() / ("swf-slides-" + std::to_string(::getpid()) + ".swf");
    TSWFSlideShowCreator creator;
    creator.CreateMovie(1, 2, 10);
    vcl::TDibFormat f = Format8(2, 1);
    const uint8_t bits[4] = {0, 1, 0, 0};
    creator.AddImage(f, bits, 100);
    // No MakeStream: the save renders the movie instead of writing an empty body.
    EXPECT_TRUE(creator.SaveToFile(path.string()));
    vcl::TMemoryStream saved;
    saved.LoadFromFile(path.string());
    Bytes first = StreamBytes(saved);
    Bytes body = Inflate(first.data() + 8, first.size() - 8);
    EXPECT_EQ(body[7], 2);
    // Adding after MakeStream makes the stream stale again.
    creator.MakeStream();
    creator.AddImage(f, bits, 100);
    creator.SaveToFile(path.string());
    saved.LoadFromFile(path.string());
    Bytes second = StreamBytes(saved);
    body = Inflate(second.data() + 8, second.size() - 8);
    EXPECT_EQ(body[7], 4);
    std::filesystem::remove(path);
}

TEST(SWFSlideShow, TakesTheEditorsBitmaps) {
    vcl::TBitmap bitmap;
    bitmap.SetPixelFormat(vcl::pf8bit);
    bitmap.SetSize(5, 3);
    static_cast<uint8_t*>(bitmap.ScanLine(0))[0] = 1;
    TSWFSlideShowCreator creator;
    creator.CreateMovie(3, 5, 20);
    creator.AddImage(&bitmap, 100);
    TFlashImage* image = creator.GetMovie()->GetImageList()[0];
    EXPECT_EQ(image->GetWidth(), 5);
    EXPECT_EQ(image->GetHeight(), 3);
    EXPECT_EQ(image->GetFormat(), ifColorMapped8);
    TFlashShape* shape = creator.GetMovie()->GetShapeList()[0];
    EXPECT_EQ(shape->GetBounds().ToTRect(), (win::TRect{0, 0, 100, 60}));
    // The bitmap stays the caller's and unchanged.
    EXPECT_EQ(static_cast<uint8_t*>(bitmap.ScanLine(0))[0], 1);
    vcl::TBitmap empty;
    EXPECT_THROW(creator.AddImage(&empty, 100), vcl::EInvalidGraphic);
}

TEST(SWFSlideShow, OwnedByAComponent) {
    vcl::TComponent owner(nullptr);
    auto* creator = new TSWFSlideShowCreator(&owner);
    creator->CreateMovie(2, 2, 10);
    EXPECT_EQ(owner.GetComponentCount(), 1);
    EXPECT_EQ(owner.GetComponent(0), creator);
    // The owner frees the creator and its movie.
}
