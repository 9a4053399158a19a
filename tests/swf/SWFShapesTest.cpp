#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

using namespace swf;
using namespace swftest;

namespace {

Bytes WriteRecord(TSWFShapeRecord& r) {
    return Render([&](TBitsEngine& e) { r.WriteToStream(&e); });
}

Bytes WriteBody(TSWFDefineShape& shape) {
    return Render([&](TBitsEngine& e) { shape.WriteTagBody(&e); });
}

} // namespace

TEST(SWFShapeRecords, Edges) {
    TSWFStraightEdgeRecord horizontal(200, 0), vertical(0, -3), general(3, -3), none(0, 0);
    // 1 1, n - 2 = 7, 0 (not general), 0 (horizontal), 200 in 9 bits.
    EXPECT_EQ(Hex(WriteRecord(horizontal)), "DC 64 00");
    // 1 1, 1, 0 1, -3 in 3 bits.
    EXPECT_EQ(Hex(WriteRecord(vertical)), "C5 A0");
    EXPECT_EQ(Hex(WriteRecord(general)), "C6 E8");
    EXPECT_TRUE(WriteRecord(none).empty());
    TSWFCurvedEdgeRecord curve(1, 0, 0, -1), flat;
    EXPECT_EQ(Hex(WriteRecord(curve)), "81 0C");
    EXPECT_TRUE(WriteRecord(flat).empty());
    TSWFStraightEdgeRecord tooLong(70000, 0);
    EXPECT_THROW(WriteRecord(tooLong), vcl::ERangeError);
}

TEST(SWFShapeRecords, StyleChange) {
    TSWFStyleChangeRecord fill1;
    fill1.SetFillBits(1);
    fill1.SetFillStyle1(1);
    // 0 0 0 1 0 0 1, padded.
    EXPECT_EQ(Hex(WriteRecord(fill1)), "12");
    // Without a style index the record always moves, so it never reads as an end record.
    TSWFStyleChangeRecord bare;
    EXPECT_EQ(Hex(WriteRecord(bare)), "04 00");
    TSWFStyleChangeRecord move;
    move.SetMoveTo(100, 100);
    move.SetLineBits(1);
    move.SetLineStyle(1);
    Bytes b = WriteRecord(move);
    EXPECT_EQ(b[0] >> 2, 0b001001);
}

TEST(SWFDefineShape, Body) {
    TSWFDefineShape shape;
    shape.SetShapeID(5);
    shape.GetBounds().SetRect(0, 0, 20, 20);
    auto change = std::make_unique<TSWFStyleChangeRecord>();
    change->SetFillStyle1(1);
    change->SetLineStyle(1);
    shape.GetRecords().push_back(std::move(change));
    shape.GetRecords().push_back(std::make_unique<TSWFEndShapeRecord>());
    shape.GetRecords().push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 0));
    // No styles: the indices are dropped from the output (a bare move is written instead), the end record in
    // the middle is skipped, and 6 zero bits close the edge list.
    Bytes b = WriteBody(shape);
    EXPECT_EQ(Hex(b), "05 00 30 0A 00 A0 00 00 00 04 1A 0A 00");
    auto* rec = static_cast<TSWFStyleChangeRecord*>(shape.GetRecords()[0].get());
    EXPECT_TRUE(rec->StateFillStyle1);

    auto fill = std::make_unique<TSWFColorFill>();
    fill->GetColor().SetRGBA(MakeRGBA(1, 2, 3, 4));
    shape.GetFillStyles().push_back(std::move(fill));
    b = WriteBody(shape);
    // DefineShape writes RGB colours; the index in 1 bit follows.
    EXPECT_EQ(Hex(Bytes(b.begin() + 6, b.begin() + 12)), "01 00 01 02 03 00");
    shape.SetHasAlpha(true);
    b = WriteBody(shape);
    EXPECT_EQ(Hex(Bytes(b.begin() + 6, b.begin() + 13)), "01 00 01 02 03 04 00");
}

TEST(SWFDefineShape, ExtendedStyleCount) {
    TSWFDefineShape shape;
    for (int i = 0; i < 255; ++i)
        shape.GetFillStyles().push_back(std::make_unique<TSWFColorFill>());
    Bytes b = WriteBody(shape);
    EXPECT_EQ(Hex(Bytes(b.begin() + 3, b.begin() + 6)), "FF FF 00");
}

TEST(SWFDefineShape, ReadsWhatItWrites) {
    TSWFDefineShape3 shape;
    shape.SetShapeID(9);
    shape.GetBounds().SetRect(-10, -20, 400, 300);
    auto image = std::make_unique<TSWFImageFill>();
    image->SetBitmapID(3);
    image->GetMatrix().SetScale(20, 20);
    shape.GetFillStyles().push_back(std::move(image));
    auto gradient = std::make_unique<TSWFGradientFill>();
    gradient->SetCount(2);
    gradient->SetRatio(2, 255);
    gradient->GetGradientColor(2).SetRGBA(MakeRGBA(9, 8, 7, 6));
    shape.GetFillStyles().push_back(std::move(gradient));
    auto line = std::make_unique<TSWFLineStyle>();
    line->SetWidth(40);
    shape.GetLineStyles().push_back(std::move(line));
    auto change = std::make_unique<TSWFStyleChangeRecord>();
    change->SetMoveTo(-10, -20);
    change->SetFillStyle1(2);
    change->SetLineStyle(1);
    change->GetNewFillStyles().push_back(std::make_unique<TSWFColorFill>());
    shape.GetRecords().push_back(std::move(change));
    shape.GetRecords().push_back(std::make_unique<TSWFStraightEdgeRecord>(410, 0));
    shape.GetRecords().push_back(std::make_unique<TSWFCurvedEdgeRecord>(5, 100, -5, 220));
    shape.GetRecords().push_back(std::make_unique<TSWFEndShapeRecord>());
    Bytes body = WriteBody(shape);

    vcl::TMemoryStream s;
    s.WriteBuffer(body.data(), static_cast<int32_t>(body.size()));
    s.SetPosition(0);
    TBitsEngine e(&s);
    TSWFDefineShape3 back;
    back.SetBodySize(static_cast<uint32_t>(body.size()));
    back.ReadFromStream(&e);
    EXPECT_EQ(back.GetShapeID(), 9);
    EXPECT_EQ(back.GetBounds().ToTRect(), (win::TRect{-10, -20, 400, 300}));
    ASSERT_EQ(back.GetFillStyles().size(), 2u);
    EXPECT_EQ(back.GetFillStyles()[1]->GetFillType(), fillLinearGradient);
    ASSERT_EQ(back.GetRecords().size(), 4u);
    auto* rc = dynamic_cast<TSWFStyleChangeRecord*>(back.GetRecords()[0].get());
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(rc->GetMoveDeltaY(), -20);
    EXPECT_EQ(rc->GetFillStyle1(), 2);
    EXPECT_EQ(rc->GetNewFillStyles().size(), 1u);
    auto* curve = dynamic_cast<TSWFCurvedEdgeRecord*>(back.GetRecords()[2].get());
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->GetAnchorDeltaY(), 220);
    // Written again, the copy gives the same bytes.
    EXPECT_EQ(Hex(WriteBody(back)), Hex(body));
}

TEST(SWFDefineShape, UnknownFillTypeRaises) {
    const uint8_t body[] = {1, 0, 0x00, 1, 0x33};
    vcl::TMemoryStream s;
    s.WriteBuffer(body, sizeof body);
    s.SetPosition(0);
    TBitsEngine e(&s);
    TSWFDefineShape shape;
    shape.SetBodySize(sizeof body);
    EXPECT_THROW(shape.ReadFromStream(&e), vcl::EReadError);
}
