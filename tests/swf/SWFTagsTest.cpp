#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

using namespace swf;
using namespace swftest;

namespace {

// A tag whose body is a given number of bytes, to see the header switch.
class SizedTag : public TSWFObject {
public:
    SizedTag(uint16_t id, int size) : FSize(size) { FTagID = id; }
    void WriteTagBody(TBitsEngine* e) override {
        for (int i = 0; i < FSize; ++i)
            e->WriteByte(0xEE);
    }
    int FSize;
};

Bytes Head(const Bytes& b, size_t n) {
    return Bytes(b.begin(), b.begin() + std::min(n, b.size()));
}

// The body of one written tag, after its short or long header.
} // namespace

TEST(SWFTags, SimpleTags) {
    TSWFShowFrame show;
    EXPECT_EQ(Hex(WriteObject(show)), "40 00");
    TSWFEnd end;
    EXPECT_EQ(Hex(WriteObject(end)), "00 00");
    TSWFSetBackgroundColor bg;
    bg.GetColor().SetColor(0x996633);
    EXPECT_EQ(Hex(WriteObject(bg)), "43 02 33 66 99");
    TSWFFrameLabel label("a");
    EXPECT_EQ(Hex(WriteObject(label)), "C2 0A 61 00");
    EXPECT_EQ(label.MinVersion(), 3);
    label.SetNamedAnchor(true);
    EXPECT_EQ(Hex(WriteObject(label)), "C3 0A 61 00 01");
    EXPECT_EQ(label.MinVersion(), 6);
}

TEST(SWFTags, ShortAndLongHeaders) {
    SizedTag short62(tagDoAction, 62), long63(tagDoAction, 63), lossless(tagDefineBitsLossless, 10);
    Bytes b = WriteObject(short62);
    EXPECT_EQ(Hex(Head(b, 2)), "3E 03");
    EXPECT_EQ(b.size(), 64u);
    b = WriteObject(long63);
    EXPECT_EQ(Hex(Head(b, 6)), "3F 03 3F 00 00 00");
    EXPECT_EQ(b.size(), 69u);
    EXPECT_EQ(Hex(Head(WriteObject(lossless), 6)), "3F 05 0A 00 00 00");

    vcl::TMemoryStream body, out;
    body.WriteBuffer("abc", 3);
    WriteTag(&out, tagDefineBitsLossless2, &body);
    EXPECT_EQ(Hex(StreamBytes(out)), "3F 09 03 00 00 00 61 62 63");
}

TEST(SWFTags, ReadBackFrameLabelAnchor) {
    vcl::TMemoryStream s;
    s.WriteBuffer("ab\0\1", 4);
    s.SetPosition(0);
    TBitsEngine e(&s);
    TSWFFrameLabel label;
    label.SetBodySize(4);
    label.ReadFromStream(&e);
    EXPECT_EQ(label.GetName(), "ab");
    EXPECT_TRUE(label.GetNamedAnchor());
}

TEST(SWFBitmapTags, JpegBodies) {
    Bytes payload(100, 0x11);
    TSWFDefineBitsJPEG2 jpeg2;
    jpeg2.SetCharacterID(1);
    jpeg2.SetData(payload.data(), 100);
    Bytes b = WriteObject(jpeg2);
    EXPECT_EQ(Hex(Head(b, 10)), "7F 05 6A 00 00 00 01 00 FF D8");
    EXPECT_EQ(b.size(), 6u + 106u);
    EXPECT_EQ(Hex(Bytes(b.end() - 2, b.end())), "FF D9");
    EXPECT_EQ(jpeg2.MinVersion(), 2);

    TSWFDefineBitsJPEG3 jpeg3;
    jpeg3.SetCharacterID(1);
    jpeg3.SetData(payload.data(), 100);
    jpeg3.SetAlphaData("\x7\x8", 2);
    b = WriteObject(jpeg3);
    // The offset holds the JPEG part with both marker pairs; the alpha plane starts 110 bytes in.
    EXPECT_EQ(Hex(Bytes(b.begin() + 8, b.begin() + 12)), "68 00 00 00");
    EXPECT_EQ(Hex(Bytes(b.begin() + 6 + 110, b.end())), "07 08");

    // Reading gives back the payload and alpha.
    vcl::TMemoryStream s;
    s.WriteBuffer(b.data() + 6, static_cast<int32_t>(b.size() - 6));
    s.SetPosition(0);
    TBitsEngine e(&s);
    TSWFDefineBitsJPEG3 back;
    back.SetBodySize(static_cast<uint32_t>(b.size() - 6));
    back.ReadFromStream(&e);
    EXPECT_EQ(back.GetDataSize(), 100);
    EXPECT_EQ(back.GetAlphaSize(), 2);
}

TEST(SWFBitmapTags, LosslessBodies) {
    TSWFDefineBitsLossless rgb;
    rgb.SetCharacterID(3);
    rgb.SetFormat(bfRGB24);
    rgb.SetWidth(2);
    rgb.SetHeight(1);
    rgb.SetData("\xAA", 1);
    EXPECT_EQ(Hex(WriteObject(rgb)), "3F 05 08 00 00 00 03 00 05 02 00 01 00 AA");
    TSWFDefineBitsLossless2 mapped;
    mapped.SetFormat(bfColorMapped8);
    mapped.SetColorTableSize(15);
    mapped.OnWriteData = [](TSWFDataObject*, TBitsEngine* e) { e->WriteByte(0x55); };
    EXPECT_EQ(Hex(WriteObject(mapped)), "3F 09 09 00 00 00 00 00 03 00 00 00 00 0F 55");
    EXPECT_EQ(mapped.MinVersion(), 3);
}

TEST(SWFPlaceObject2, FadePlacements) {
    TSWFPlaceObject2 p;
    p.SetDepth(2);
    p.SetCharacterID(2);
    EXPECT_EQ(Hex(WriteObject(p)), "85 06 02 02 00 02 00");
    p.GetColorTransform().SetAlphaAdd(-128);
    EXPECT_EQ(Hex(WriteObject(p)), "8B 06 0A 02 00 02 00 A4 00 00 00 60 00");
    p.SetMove(true);
    EXPECT_EQ(Hex(Head(WriteObject(p), 3)), "8B 06 0B");
    p.GetColorTransform().SetAlphaAdd(0);
    EXPECT_EQ(Hex(WriteObject(p)), "86 06 0B 02 00 02 00 80");
    EXPECT_EQ(p.MinVersion(), 3);
}

TEST(SWFPlaceObject2, FieldsAndClipActionsRoundTrip) {
    TSWFPlaceObject2 p;
    p.SetDepth(7);
    p.SetCharacterID(4);
    p.GetMatrix().SetTranslate(100, -40);
    p.SetRatio(9);
    p.SetName("clip");
    p.SetClipDepth(12);
    auto* rec = p.GetClipActions().AddRecord(ceEnterFrame);
    rec->Add<TSWFActionStop>();
    Bytes b = WriteObject(p);
    // Version 3 is raised to 5: 16-bit event flags and a 16-bit end marker.
    EXPECT_EQ(p.GetSWFVersion(), 5);
    EXPECT_EQ(Hex(Bytes(b.end() - 4, b.end())), "07 00 00 00");
    // A key-press handler needs the 32-bit flags of version 6, or it would read as the list's end.
    p.GetClipActions().AddRecord(0, 'k');
    EXPECT_EQ(p.MinVersion(), 6);
    b = WriteObject(p);
    EXPECT_EQ(p.GetSWFVersion(), 6);
    EXPECT_EQ(Hex(Bytes(b.end() - 4, b.end())), "00 00 00 00");

    Bytes body = BodyOf(b);
    vcl::TMemoryStream s;
    s.WriteBuffer(body.data(), static_cast<int32_t>(body.size()));
    s.SetPosition(0);
    TBitsEngine e(&s);
    TSWFPlaceObject2 back;
    back.SetSWFVersion(6);
    back.SetBodySize(static_cast<uint32_t>(body.size()));
    back.ReadFromStream(&e);
    EXPECT_EQ(back.GetDepth(), 7);
    EXPECT_EQ(back.GetCharacterID(), 4);
    EXPECT_EQ(back.GetMatrix().GetTranslateY(), -40);
    EXPECT_EQ(back.GetRatio(), 9);
    EXPECT_EQ(back.GetName(), "clip");
    EXPECT_EQ(back.GetClipDepth(), 12);
    ASSERT_EQ(back.GetClipActions().GetRecords().size(), 2u);
    auto* code = dynamic_cast<TSWFActionByteCode*>(back.GetClipActions().GetRecords()[0]->GetAction(0));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->GetData(), (Bytes{0x07, 0x00}));
    EXPECT_EQ(back.GetClipActions().GetRecords()[1]->GetKeyCode(), 'k');
    EXPECT_EQ(s.GetPosition(), s.GetSize());
}
