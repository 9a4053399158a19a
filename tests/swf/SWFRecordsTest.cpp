#include "swf/SWFRecords.h"

#include <gtest/gtest.h>

using namespace swf;

TEST(SWFRecords, RectStaysNormalised) {
    TSWFRect r;
    r.SetFromTRect({10, 40, 0, 5});
    EXPECT_EQ(r.GetXMin(), 0);
    EXPECT_EQ(r.GetXMax(), 10);
    EXPECT_EQ(r.GetYMin(), 5);
    EXPECT_EQ(r.GetYMax(), 40);
    r.SetXMin(50);
    EXPECT_EQ(r.GetXMin(), 10);
    EXPECT_EQ(r.GetXMax(), 50);
    EXPECT_EQ(r.ToTRect(), (win::TRect{10, 5, 50, 40}));
}

TEST(SWFRecords, RGBAAlphaFlag) {
    TSWFRGBA c(false);
    EXPECT_EQ(c.GetA(), 255);
    c.SetA(255);
    EXPECT_FALSE(c.GetHasAlpha());
    c.SetA(128);
    EXPECT_TRUE(c.GetHasAlpha());
    c.SetHasAlpha(false);
    EXPECT_EQ(c.GetA(), 255);
    c.SetRGBA(MakeRGBA(1, 2, 3, 4));
    EXPECT_EQ(c.GetRGBA(), MakeRGBA(1, 2, 3, 4));
    TSWFRGB plain;
    plain.SetColor(0x332211);
    c.Assign(plain);
    EXPECT_EQ(c.GetRGBA(), MakeRGBA(0x11, 0x22, 0x33, 255));
}

TEST(SWFRecords, ColorTransformFlags) {
    TSWFColorTransform t;
    t.SetAlphaAdd(-128);
    EXPECT_TRUE(t.GetHasAdd());
    EXPECT_TRUE(t.GetHasAlpha());
    EXPECT_FALSE(t.GetHasMult());
    auto rec = t.ToRecord();
    EXPECT_EQ(rec.HasAdd, 1);
    EXPECT_EQ(rec.HasMult, 0);
    EXPECT_EQ(rec.AlphaAdd, -128);
    TSWFColorTransform back;
    back.FromRecord(rec);
    EXPECT_EQ(back.GetAlphaAdd(), -128);
    EXPECT_FALSE(back.GetHasMult());
}

TEST(SWFRecords, MatrixScale) {
    TSWFMatrix m;
    m.SetScale(1.5, -2.0);
    EXPECT_EQ(m.GetScaleX(), 98304);
    EXPECT_EQ(m.GetScaleY(), -131072);
    EXPECT_TRUE(m.GetHasScale());
    m.SetTranslate(-5, 7);
    TSWFMatrix copy;
    copy.FromRecord(m.ToRecord());
    EXPECT_EQ(copy.GetTranslateX(), -5);
    EXPECT_EQ(copy.GetScaleY(), -131072);
}
