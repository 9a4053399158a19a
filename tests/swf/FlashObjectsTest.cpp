#include "SwfTestUtil.h"

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"
#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"
#include "swf/SWFZlib.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace swf;
using namespace swftest;

namespace {

// The uncompressed pixel data of a lossless bitmap tag written by an image.
Bytes LosslessPixels(TFlashImage& image, uint8_t* format = nullptr, uint16_t* tagID = nullptr) {
    Bytes tag = WriteObject(image);
    Bytes body = BodyOf(tag);
    if (tagID)
        *tagID = uint16_t((tag[0] | (tag[1] << 8)) >> 6);
    if (format)
        *format = body[2];
    size_t at = body[2] == 3 ? 8 : 7;
    return Inflate(body.data() + at, body.size() - at);
}

vcl::TDibFormat Dib(int32_t w, int32_t h, uint16_t bits) {
    vcl::TDibFormat f;
    f.Width = w;
    f.Height = h;
    f.BitCount = bits;
    if (bits <= 8) {
        f.Colors.resize(size_t(1) << bits);
        for (size_t i = 0; i < f.Colors.size(); ++i)
            f.Colors[i] = uint32_t(i) * 0x030201u & 0xFFFFFF;
    }
    return f;
}

} // namespace

TEST(FlashMovie, IdentifiersFramesAndEnd) {
    TFlashMovie movie(0, 0, 100, 100, 12, true);
    TFlashImage* image = movie.AddImage();
    TFlashShape* shape = movie.AddShape();
    EXPECT_EQ(image->GetCharacterID(), 1);
    EXPECT_EQ(shape->GetCharacterID(), 2);
    movie.ShowFrame(0);
    movie.ShowFrame(1);
    EXPECT_EQ(movie.GetObjects().size(), 4u);
    movie.ShowFrame(3);
    EXPECT_EQ(movie.GetObjects().size(), 7u);
    EXPECT_EQ(movie.GetCurrentFrame(), movie.GetFrameCount() - 1);
    EXPECT_EQ(movie.GetFrameCount(), 5);
}

TEST(FlashMovie, BodyEndsWithOneEndTag) {
    TFlashMovie empty(0, 0, 10, 10, 12, true);
    empty.MakeStream();
    EXPECT_EQ(Hex(StreamBytes(*empty.GetBody())), "00 00");

    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.SetPendingLabel("start");
    movie.ShowFrame(2);
    movie.AddObject(std::make_unique<TSWFEnd>());
    movie.GetBackgroundColor().SetColor(0x996633);
    movie.MakeStream();
    EXPECT_EQ(Hex(StreamBytes(*movie.GetBody())), "43 02 33 66 99 C6 0A 73 74 61 72 74 00 40 00 40 00 00 00");
    EXPECT_EQ(movie.GetFrameCount(), 2);
}

TEST(FlashMovie, VersionFollowsTheObjects) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.SetVersion(2);
    vcl::TDibFormat f = Dib(1, 1, 32);
    const uint8_t pixel[4] = {1, 2, 3, 128};
    movie.AddImage()->LoadFromDib(f, pixel);
    movie.MakeStream();
    EXPECT_EQ(movie.GetVersion(), 3);
    TFlashMovie six(0, 0, 10, 10, 12, true);
    six.SetVersion(6);
    six.AddImage()->LoadFromDib(f, pixel);
    six.MakeStream();
    EXPECT_EQ(six.GetVersion(), 6);
}

TEST(FlashMovie, RefusesMoreThan65535FramesBeforeWriting) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.MakeStream();
    movie.ShowFrame(65536);
    EXPECT_THROW(movie.MakeStream(), vcl::ERangeError);
    EXPECT_EQ(Hex(StreamBytes(*movie.GetBody())), "00 00");
}

TEST(FlashMovie, InsertMode) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.ShowFrame(3);
    movie.SetInsertMode(true);
    movie.SetInsertIndex(1);
    movie.AddObject(std::make_unique<TSWFEnd>());
    movie.AddObject(std::make_unique<TSWFEnd>());
    EXPECT_NE(dynamic_cast<TSWFEnd*>(movie.GetObjects()[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TSWFEnd*>(movie.GetObjects()[2].get()), nullptr);
    EXPECT_EQ(movie.GetInsertIndex(), 3);
}

TEST(FlashShape, RectangleAndEdges) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = movie.AddRectangle(0, 0, 100, 50);
    EXPECT_EQ(shape->GetBounds().ToTRect(), (win::TRect{0, 0, 2000, 1000}));
    auto& records = shape->GetShape().GetRecords();
    ASSERT_EQ(records.size(), 6u);
    std::vector<std::pair<int32_t, int32_t>> deltas;
    for (auto& r : records)
        if (auto* e = dynamic_cast<TSWFStraightEdgeRecord*>(r.get());
            e && r->GetRecordType() == rtStraightEdge)
            deltas.push_back({e->GetDeltaX(), e->GetDeltaY()});
    EXPECT_EQ(deltas,
              (std::vector<std::pair<int32_t, int32_t>>{{2000, 0}, {0, 1000}, {-2000, 0}, {0, -1000}}));
    EXPECT_EQ(shape->GetWidth(false), 100);
    EXPECT_EQ(shape->GetHeight(true), 1000);
}

TEST(FlashShape, LongLinesAreSplit) {
    TSWFShapeRecords records;
    TFlashEdges edges(&records, nullptr);
    edges.LineDelta(70000, 0);
    edges.LineDelta(131071, 1);
    ASSERT_EQ(records.size(), 6u);
    auto edge = [&](size_t i) { return static_cast<TSWFStraightEdgeRecord*>(records[i].get()); };
    EXPECT_EQ(edge(1)->GetDeltaX(), 35000);
    EXPECT_EQ(edge(2)->GetDeltaX(), 35000);
    int32_t sx = 0, sy = 0;
    for (size_t i = 3; i < 6; ++i) {
        EXPECT_LE(std::abs(edge(i)->GetDeltaX()), 65535);
        sx += edge(i)->GetDeltaX();
        sy += edge(i)->GetDeltaY();
    }
    EXPECT_EQ(sx, 131071);
    EXPECT_EQ(sy, 1);
    EXPECT_EQ(edges.GetCurrentX(), 201071);
}

TEST(FlashShape, MovesInMovieUnits) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = movie.AddShape();
    auto& records = shape->GetShape().GetRecords();
    auto* first = static_cast<TSWFStyleChangeRecord*>(records[0].get());
    shape->GetEdges().MoveTo(0, 0);
    EXPECT_FALSE(first->StateMoveTo);
    shape->GetEdges().MoveTo(5, 5);
    EXPECT_TRUE(first->StateMoveTo);
    EXPECT_EQ(first->GetMoveDeltaX(), 100);
    EXPECT_EQ(first->GetMoveDeltaY(), 100);
}

TEST(FlashShape, ImageFillAndBounds) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = movie.AddRectangle(0, 0, 2, 1);
    TFlashImage* image = movie.AddImage();
    // The bitmap moves before the shape that uses it.
    TSWFImageFill* fill = shape->AddImageFill(image, 2, 1.0, 1.0);
    EXPECT_EQ(movie.IndexOfObject(image), 0);
    EXPECT_EQ(movie.IndexOfObject(shape), 1);
    EXPECT_EQ(fill->GetFillType(), fillRepeatingBitmap);
    EXPECT_EQ(fill->GetMatrix().GetScaleX(), 1310720);
    EXPECT_EQ(fill->GetMatrix().GetScaleY(), 1310720);
    EXPECT_EQ(fill->GetMatrix().GetTranslateX(), -5);
    EXPECT_EQ(fill->GetMatrix().GetTranslateY(), -5);
    EXPECT_EQ(shape->GetFillStyle1(), 1);
    // An image of no size cannot be stretched over the shape.
    EXPECT_THROW(shape->AddImageFill(image, 1), vcl::EInvalidGraphic);

    Bytes plain = WriteObject(*shape);
    EXPECT_EQ((plain[0] | (plain[1] << 8)) >> 6, tagDefineShape2);
    auto line = std::make_unique<TSWFLineStyle>();
    line->SetWidth(40);
    shape->GetShape().GetLineStyles().push_back(std::move(line));
    shape->SetHasAlpha(true);
    Bytes withLine = WriteObject(*shape);
    EXPECT_EQ((withLine[0] | (withLine[1] << 8)) >> 6, tagDefineShape3);
    EXPECT_EQ(shape->GetShape().GetBounds().ToTRect(), (win::TRect{-20, -20, 60, 40}));
    EXPECT_EQ(shape->GetBounds().ToTRect(), (win::TRect{0, 0, 40, 20}));
    EXPECT_EQ(shape->MinVersion(), 3);
}

TEST(FlashImage, LosslessFormats) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    // 8 bits, 5 wide: rows padded to 8 with zeros; only the used entries are written.
    TFlashImage* mapped = movie.AddImage();
    vcl::TDibFormat f8 = Dib(5, 2, 8);
    const uint8_t bits8[16] = {7, 200, 7, 7, 200, 0xEE, 0xEE, 0xEE, 200, 200, 200, 200, 7, 0xEE, 0xEE, 0xEE};
    mapped->LoadFromDib(f8, bits8);
    EXPECT_EQ(mapped->GetColorCount(), 2);
    EXPECT_EQ(mapped->GetRowWidth(), 8);
    uint8_t format = 0;
    Bytes px = LosslessPixels(*mapped, &format);
    EXPECT_EQ(format, 3);
    uint32_t c7 = f8.Colors[7], c200 = f8.Colors[200];
    Bytes expected = {uint8_t(c7 >> 16),   uint8_t(c7 >> 8),   uint8_t(c7),
                      uint8_t(c200 >> 16), uint8_t(c200 >> 8), uint8_t(c200)};
    // The top row first: memory row 1, then row 0.
    Bytes rows = {1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0};
    expected.insert(expected.end(), rows.begin(), rows.end());
    EXPECT_EQ(Hex(px), Hex(expected));

    // 24 bits: 0xFF, R, G, B per pixel in DefineBitsLossless format 5.
    TFlashImage* rgb = movie.AddImage();
    vcl::TDibFormat f24 = Dib(1, 1, 24);
    const uint8_t bits24[4] = {0x30, 0x20, 0x10, 0};
    rgb->LoadFromDib(f24, bits24);
    uint16_t tag = 0;
    EXPECT_EQ(Hex(LosslessPixels(*rgb, &format, &tag)), "FF 10 20 30");
    EXPECT_EQ(format, 5);
    EXPECT_EQ(tag, tagDefineBitsLossless);
    EXPECT_EQ(rgb->MinVersion(), 2);

    // 32 bits with alpha: DefineBitsLossless2 format 5, premultiplied, version 3.
    TFlashImage* alpha = movie.AddImage();
    vcl::TDibFormat f32 = Dib(2, 1, 32);
    const uint8_t bits32[8] = {0x30, 0x20, 0x10, 128, 0xFF, 0xFF, 0xFF, 0};
    alpha->LoadFromDib(f32, bits32);
    EXPECT_EQ(Hex(LosslessPixels(*alpha, &format, &tag)), "80 08 10 18 00 00 00 00");
    EXPECT_EQ(format, 5);
    EXPECT_EQ(tag, tagDefineBitsLossless2);
    EXPECT_EQ(alpha->MinVersion(), 3);

    // 32 bits whose alpha bytes are all 0 are opaque, written like 24 bits.
    TFlashImage* opaque = movie.AddImage();
    const uint8_t bits32z[8] = {0x30, 0x20, 0x10, 0, 1, 2, 3, 0};
    opaque->LoadFromDib(f32, bits32z);
    EXPECT_EQ(Hex(LosslessPixels(*opaque, &format, &tag)), "FF 10 20 30 FF 03 02 01");
    EXPECT_EQ(tag, tagDefineBitsLossless);
    EXPECT_FALSE(opaque->GetHasAlpha());
}

TEST(FlashImage, SixteenBitMasksBecomeFifteenBitPixels) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    // 5-6-5: pure red, full green, pure blue; 15-bit output is 0RRRRRGGGGGBBBBB, high byte first.
    vcl::TDibFormat f = Dib(3, 1, 16);
    f.RedMask = 0xF800;
    f.GreenMask = 0x07E0;
    f.BlueMask = 0x001F;
    const uint8_t bits[8] = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
    TFlashImage* image = movie.AddImage();
    image->LoadFromDib(f, bits);
    uint8_t format = 0;
    EXPECT_EQ(Hex(LosslessPixels(*image, &format)), "7C 00 03 E0 00 1F 00 00");
    EXPECT_EQ(format, 4);
    // 5-5-5 passes through; the row pads to an even width.
    vcl::TDibFormat g = Dib(1, 1, 16);
    const uint8_t one[4] = {0x34, 0x12, 0, 0};
    image->LoadFromDib(g, one);
    EXPECT_EQ(Hex(LosslessPixels(*image)), "12 34 00 00");
}

TEST(FlashImage, RowsStreamedIntoTheCompressorGiveTheWholePicturesData) {
    // The lossless data is converted row by row straight into the compressor: its bytes must be the
    // whole converted picture deflated in one go at the bitmaps' level, for every depth and width (odd
    // widths pad mapped and 15-bit rows), over several of the compressor's blocks. A packed twin holds
    // the same data and no pixels.
    struct Case {
        const char* Name;
        int32_t Width, Height;
        uint16_t Bits;
        uint32_t RedMask; // 16 bits: 0x7C00 5-5-5, 0xF800 5-6-5
        bool Alpha;       // 32 bits: alpha bytes set
    };
    const Case cases[] = {
        {"1 bit", 37, 23, 1, 0, false},       {"4 bits", 301, 200, 4, 0, false},
        {"8 bits", 301, 200, 8, 0, false},    {"15 bits", 37, 23, 16, 0x7C00, false},
        {"16 bits", 301, 200, 16, 0xF800, false}, {"24 bits", 301, 200, 24, 0, false},
        {"32 bits, alpha", 37, 23, 32, 0, true},  {"32 bits, opaque", 301, 200, 32, 0, false},
    };
    uint32_t seed = 5;
    for (const Case& c : cases) {
        TFlashMovie movie(0, 0, 10, 10, 12, true);
        vcl::TDibFormat f = Dib(c.Width, c.Height, c.Bits);
        if (c.Bits == 16) {
            f.RedMask = c.RedMask;
            f.GreenMask = c.RedMask == 0x7C00 ? 0x03E0 : 0x07E0;
            f.BlueMask = 0x001F;
        }
        Bytes bits(size_t(f.ImageBytes()));
        for (size_t i = 0; i < bits.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            bits[i] = uint8_t((i / 5) % 3 ? seed >> 24 : i);
            if (c.Bits == 32 && i % 4 == 3)
                bits[i] = c.Alpha ? uint8_t(seed >> 20) : 0;
        }
        TFlashImage* image = movie.AddImage();
        image->LoadFromDib(f, bits.data());
        const Bytes pixels = LosslessPixels(*image);
        vcl::TStream& data = image->GetData();
        Bytes stored(size_t(data.GetSize()));
        data.SetPosition(0);
        data.ReadBuffer(stored.data(), int32_t(stored.size()));
        uLongf size = compressBound(uLong(pixels.size()));
        Bytes whole(size);
        ASSERT_EQ(compress2(whole.data(), &size, pixels.data(), uLong(pixels.size()), SWFBitmapDeflateLevel), Z_OK);
        whole.resize(size);
        EXPECT_EQ(stored, whole) << c.Name;

        TFlashImage* twin = movie.AddImage();
        twin->LoadFromDib(f, bits.data());
        twin->Pack();
        EXPECT_EQ(twin->GetDataKind(), dkLossless) << c.Name;
        EXPECT_EQ(LosslessPixels(*twin), pixels) << c.Name;
        EXPECT_TRUE(twin->GetReader().Empty()) << c.Name;
    }
}

TEST(FlashImage, DataIsBuiltOnceAndUnknownExtensionsRaise) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashImage* image = movie.AddImage();
    vcl::TDibFormat f = Dib(2, 2, 8);
    const uint8_t bits[8] = {1, 2, 0, 0, 3, 4, 0, 0};
    image->LoadFromDib(f, bits);
    Bytes first = WriteObject(*image);
    EXPECT_EQ(image->GetDataKind(), dkLossless);
    const void* data = &image->GetData();
    Bytes second = WriteObject(*image);
    EXPECT_EQ(&image->GetData(), data);
    EXPECT_EQ(first, second);
    try {
        image->LoadFromFile("picture.gif");
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Image format \"GIF\" not supported!");
    }
}

TEST(FlashImage, TooLargeForTheFormat) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    vcl::TDibFormat f = Dib(70000, 1, 8);
    std::vector<uint8_t> bits(size_t(f.ImageBytes()));
    EXPECT_THROW(movie.AddImage()->LoadFromDib(f, bits.data()), vcl::EInvalidGraphic);
}

TEST(FlashPlaceObject, Flags) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashShape* shape = movie.AddShape();
    movie.AddShape();
    TFlashPlaceObject* place = movie.PlaceObject(movie.GetShapeList()[1], 2);
    EXPECT_EQ(Hex(WriteObject(*place)), "85 06 02 02 00 02 00");
    place->GetColorTransform();
    EXPECT_EQ(BodyOf(WriteObject(*place))[0], 0x0A);
    EXPECT_EQ(place->MinVersion(), 3);
    place->GetTag().GetClipActions().AddRecord(ceLoad);
    EXPECT_EQ(place->MinVersion(), 5);
    place->GetTag().GetClipActions().AddRecord(ceDragOut);
    EXPECT_EQ(place->MinVersion(), 6);
    (void)shape;
}

TEST(FlashMovie, ReportsProgressWhileRendering) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.ShowFrame(4);
    std::vector<int32_t> percents;
    movie.OnProgress = [&](TBasedSWFStream* sender, int32_t percent, int32_t stage) {
        EXPECT_EQ(sender, &movie);
        EXPECT_EQ(stage, 1);
        percents.push_back(percent);
    };
    movie.MakeStream();
    EXPECT_EQ(percents, (std::vector<int32_t>{25, 50, 75, 100}));
}

TEST(FlashMovie, ChangesAfterRenderingAreSaved) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashImage* image = movie.AddImage();
    vcl::TDibFormat f = Dib(1, 1, 24);
    uint8_t pixel[4] = {0x30, 0x20, 0x10, 0};
    image->LoadFromDib(f, pixel);
    TFlashPlaceObject* place = movie.PlaceObject(image, 1);
    movie.ShowFrame();
    movie.MakeStream();
    // A change through the tag, and one to the pixels, reach the saved movie without a new MakeStream.
    place->GetTag().SetRatio(7);
    image->GetReader().GetRow(0)[0] = 0x99;
    vcl::TMemoryStream out;
    movie.SaveToStream(&out);
    Bytes saved = StreamBytes(out);
    vcl::TMemoryStream body;
    body.WriteBuffer(saved.data() + movie.HeaderSize(), int32_t(saved.size()) - movie.HeaderSize());
    Bytes b = StreamBytes(body);
    // DefineBitsLossless (6 + 7 + zlib), then PlaceObject2 with the ratio flag.
    size_t lossless = 6 + (b[2] | (b[3] << 8));
    EXPECT_EQ(Hex(Inflate(b.data() + 13, lossless - 13)), "FF 10 20 99");
    EXPECT_EQ(b[lossless + 2], 0x12);
}
