#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/SWFTools.h"

#include <gtest/gtest.h>

using namespace swftest;
using swf::TBitsEngine;

TEST(SWFBitsEngine, PacksBitsMostSignificantFirst) {
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteBits(5, 3);
                  e.WriteBits(1, 5);
              })),
              "A1");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteBits(0x1FF, 9); })), "FF 80");
    // 32-bit fields across a partial byte keep every bit.
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteBits(1, 1);
                  e.WriteBits(0x80000001u, 32);
              })),
              "C0 00 00 00 80");
}

TEST(SWFBitsEngine, BytesInsideAndOutsideTheBitStream) {
    // A byte after pending bits stays in the bit stream; a word pads first.
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteBits(7, 3);
                  e.WriteByte(0xAB);
              })),
              "F5 60");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteBits(7, 3);
                  e.WriteWord(0x1234);
              })),
              "E0 34 12");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteDWord(0x01020304); })), "04 03 02 01");
    // Flushing without padding drops the pending bits.
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteBits(7, 3);
                  e.FlushBits(false);
                  e.WriteByte(1);
              })),
              "01");
}

TEST(SWFBitsEngine, Records) {
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteRect({0, 20, 0, 20}); })), "30 0A 00 A0");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteRect({}); })), "00");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) {
                  e.WriteTRect({10, 40, 0, 5});
              })),
              Hex(Render([](TBitsEngine& e) {
                  e.WriteRect({0, 10, 5, 40});
              })));
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteMatrix({}); })), "00");
    // Translation (-5, -5): 0, 0, 5 bits n = 4, then 1011 1011.
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteMatrix(swf::MakeMatrix(0, 0, 0, 0, 0, 0, -5, -5)); })),
              "09 76");
    // Skew0 is written before skew1.
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteMatrix(swf::MakeMatrix(0, 1, 0, 0, 1, -1, 0, 0)); })),
              "45 A0");
    swf::TSWFColorTransformRec alphaAdd;
    alphaAdd.HasAdd = 1;
    alphaAdd.HasAlpha = 1;
    alphaAdd.AlphaAdd = -128;
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { e.WriteColorTransform(alphaAdd); })), "A4 00 00 00 60 00");
    alphaAdd.AlphaAdd = 0;
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { e.WriteColorTransform(alphaAdd); })), "80");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteString("ab"); })), "61 62 00");
    EXPECT_EQ(Hex(Render([](TBitsEngine& e) { e.WriteRGBA(swf::MakeRGBA(1, 2, 3, 4)); })), "01 02 03 04");
}

TEST(SWFBitsEngine, BitWidths) {
    struct Case {
        int32_t value;
        int expected;
    } cases[] = {{0, 0}, {1, 2}, {-1, 2}, {-4, 4}, {255, 9}, {-128, 9}, {INT32_MAX, 32}};
    for (auto c : cases)
        EXPECT_EQ(swf::GetSBitsCount(c.value, 1), c.expected) << c.value;
    EXPECT_EQ(swf::GetBitsCount(0), 0);
    EXPECT_EQ(swf::GetBitsCount(1), 1);
    EXPECT_EQ(swf::GetBitsCount(255), 8);
    EXPECT_EQ(swf::MaxAbs4(3, -9, 2, 0), 9);
    EXPECT_TRUE(swf::IsBitSet(0x8000, 16));
    EXPECT_FALSE(swf::IsBitSet(0x8000, 15));
}

TEST(SWFBitsEngine, FixedPoint) {
    EXPECT_EQ(swf::FloatToFixed8(20.0), 0x1400);
    EXPECT_EQ(swf::FloatToFixed8(12.5), 0x0C80);
    EXPECT_EQ(swf::FloatToFixed8(29.97), 0x1DF8);
    EXPECT_EQ(swf::FloatToFixed8(12.0), 0x0C00);
    EXPECT_FLOAT_EQ(swf::Fixed8ToFloat(0x1400), 20.0f);
    for (int i = 0; i < 1000; ++i) {
        double x = 1.0 + i * 0.2503;
        EXPECT_NEAR(swf::Fixed8ToFloat(swf::FloatToFixed8(x)), x, 1.0 / 512 + 1e-9) << x;
    }
    EXPECT_EQ(swf::FloatToFixed16(1.0), 65536);
    EXPECT_EQ(swf::FloatToFixed16(20.0), 1310720);
    EXPECT_EQ(swf::FloatToFixed16(-2.0), -131072);
    EXPECT_THROW(swf::FloatToFixed16(1e10), vcl::Exception);
    EXPECT_EQ(swf::RoundToEven(2.5), 2);
    EXPECT_EQ(swf::RoundToEven(-0.5), 0);
    EXPECT_EQ(swf::RoundToEven(85.3333), 85);
}

TEST(SWFBitsEngine, ReadsWhatItWrites) {
    vcl::TMemoryStream stream;
    TBitsEngine writer(&stream);
    writer.WriteBits(0b1011, 4);
    writer.FlushBits(true);
    writer.WriteRect({-100, 300, 7, 40});
    writer.WriteMatrix(swf::MakeMatrix(1, 1, 98304, -131072, 3, -4, -5, 6));
    swf::TSWFColorTransformRec t;
    t.HasAdd = t.HasMult = t.HasAlpha = 1;
    t.RedAdd = -3;
    t.AlphaMult = 256;
    writer.WriteColorTransform(t);
    writer.WriteString("name");
    stream.SetPosition(0);
    TBitsEngine reader(&stream);
    EXPECT_EQ(reader.ReadSBits(4), -5);
    reader.FlushBits(false);
    EXPECT_EQ(reader.ReadRect(), (win::TRect{-100, 7, 300, 40}));
    auto m = reader.ReadMatrix();
    EXPECT_EQ(m.ScaleX, 98304);
    EXPECT_EQ(m.ScaleY, -131072);
    EXPECT_EQ(m.RotateSkew1, 3);
    EXPECT_EQ(m.RotateSkew0, -4);
    EXPECT_EQ(m.TranslateX, -5);
    EXPECT_EQ(m.TranslateY, 6);
    auto r = reader.ReadColorTransform(true);
    EXPECT_EQ(r.RedAdd, -3);
    EXPECT_EQ(r.AlphaMult, 256);
    EXPECT_EQ(reader.ReadString(), "name");
    EXPECT_THROW(reader.ReadByte(), vcl::EReadError);
}
