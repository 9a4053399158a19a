#include "imaging/core/ikutils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imaging;

namespace {

std::vector<uint8_t> ByteList(std::initializer_list<int> values) {
    std::vector<uint8_t> v;
    for (int b : values)
        v.push_back(uint8_t(b));
    return v;
}

} // namespace

TEST(IKMarkerList, AddFindReplaceAndAssign) {
    TIKMarkerList markers;
    const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0};
    markers.AddMarker(225, exif, sizeof exif);
    markers.AddMarker(237, "8BIM", 4);
    markers.AddMarker(225, "second", 6);
    EXPECT_EQ(markers.Count(), 3);
    EXPECT_EQ(markers.IndexOfType(225), 0);
    EXPECT_EQ(markers.IndexOfType(237), 1);
    EXPECT_EQ(markers.IndexOfType(254), -1);
    EXPECT_EQ(markers.MarkerLength(0), 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(markers.MarkerData(2)), 6), "second");
    markers.SetMarker(1, 254, "comment", 7);
    EXPECT_EQ(markers.MarkerType(1), 254);
    EXPECT_EQ(markers.MarkerLength(1), 7);
    EXPECT_THROW(markers.MarkerType(3), vcl::EListError);

    TIKMarkerList copy;
    copy.AddMarker(1, "x", 1);
    copy.Assign(&markers);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.MarkerType(1), 254);
    EXPECT_NE(copy.MarkerData(0), markers.MarkerData(0));
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Count(), 3);
    copy.Clear();
    EXPECT_EQ(copy.Count(), 0);
}

TEST(IKMarkerList, PayloadAboveTheJpegLimitIsRefused) {
    TIKMarkerList markers;
    std::vector<uint8_t> big(65536 + 10, 7);
    markers.AddMarker(225, big.data(), 65533);
    EXPECT_EQ(markers.MarkerLength(0), 65533);
    // Never truncated to its length modulo 65536.
    EXPECT_THROW(markers.AddMarker(225, big.data(), 65534), EIKMetadataError);
    EXPECT_THROW(markers.AddMarker(225, big.data(), 65536 + 10), EIKMetadataError);
    EXPECT_THROW(markers.AddMarker(225, big.data(), -1), EIKMetadataError);
    EXPECT_THROW(markers.SetMarker(0, 225, big.data(), 65536 + 10), EIKMetadataError);
    EXPECT_EQ(markers.Count(), 1);
    EXPECT_EQ(markers.MarkerLength(0), 65533);
}

TEST(IKIPTCInfoList, SavesTheBinaryForms) {
    TIKIPTCInfoList list;
    EXPECT_FALSE(list.GetUserChanged());
    list.AddData(2, 5, "Title", 5);
    EXPECT_TRUE(list.GetUserChanged());

    std::vector<uint8_t> plain = list.SaveToBuffer(false);
    std::vector<uint8_t> expected =
        ByteList({0x1C, 2, 0, 0, 2, 0, 2, 0x1C, 2, 5, 0, 5, 'T', 'i', 't', 'l', 'e', 0});
    EXPECT_EQ(plain, expected);

    std::vector<uint8_t> ps = list.SaveToBuffer(true);
    ASSERT_EQ(ps.size(), 36u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ps.data()), 13), "Photoshop 3.0");
    EXPECT_EQ(ps[13], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ps.data() + 14), 4), "8BIM");
    EXPECT_EQ(std::vector<uint8_t>(ps.begin() + 18, ps.begin() + 26), ByteList({4, 4, 0, 0, 0, 0, 0, 10}));
    EXPECT_EQ(std::vector<uint8_t>(ps.begin() + 26, ps.end()),
              ByteList({0x1C, 2, 5, 0, 5, 'T', 'i', 't', 'l', 'e'}));

    // Numbers that do not fit a byte are refused rather than written cut.
    EXPECT_THROW(list.AddData(256, 5, "x", 1), EIKMetadataError);
    EXPECT_THROW(list.AddData(2, -1, "x", 1), EIKMetadataError);
    EXPECT_EQ(list.Count(), 1);
    // A record version in the list is never written twice.
    list.AddData(2, 0, "\0\4", 2);
    EXPECT_EQ(list.SaveToBuffer(false), expected);
}

TEST(IKIPTCInfoList, ExtendedRecordsRoundTrip) {
    TIKIPTCInfoList list;
    std::vector<uint8_t> data(40000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7);
    list.AddData(2, 120, data.data(), int32_t(data.size()));
    std::vector<uint8_t> buffer = list.SaveToBuffer(false);
    ASSERT_GE(buffer.size(), 16u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 7, buffer.begin() + 16),
              ByteList({0x1C, 2, 120, 0x80, 0x04, 0x00, 0x00, 0x9C, 0x40}));

    TIKIPTCInfoList back;
    back.LoadFromBuffer(buffer.data(), int32_t(buffer.size()));
    EXPECT_FALSE(back.GetUserChanged());
    ASSERT_EQ(back.Count(), 2); // the record version, then the caption
    EXPECT_EQ(back.RecordNumber(0), 2);
    EXPECT_EQ(back.DatasetNumber(0), 0);
    EXPECT_EQ(back.DatasetNumber(1), 120);
    ASSERT_EQ(back.DataLength(1), 40000);
    EXPECT_EQ(std::vector<uint8_t>(back.Data(1), back.Data(1) + 40000), data);

    // With the Photoshop header the records parse the same way (the header is skipped).
    std::vector<uint8_t> ps = list.SaveToBuffer(true);
    back.LoadFromBuffer(ps.data(), int32_t(ps.size()));
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.DataLength(0), 40000);
}

TEST(IKIPTCInfoList, MalformedBuffersEndTheParse) {
    struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t records;
    } cases[] = {
        {"no tag marker", ByteList({1, 2, 3, 4, 5, 6, 7}), 0},
        {"empty", {}, 0},
        {"header only", ByteList({0x1C, 2, 5, 0}), 0},
        {"length past the end", ByteList({0x1C, 2, 5, 0, 9, 'a', 'b'}), 0},
        {"good then truncated", ByteList({0x1C, 2, 5, 0, 1, 'a', 0x1C, 2, 6, 0, 4, 'b'}), 1},
        {"zero length at the end", ByteList({0x1C, 2, 5, 0, 1, 'a', 0x1C, 2, 6, 0, 0}), 2},
        {"junk between records", ByteList({0x1C, 2, 5, 0, 1, 'a', 0x55, 0x1C, 2, 6, 0, 1, 'b'}), 1},
        {"extended, top bit set", ByteList({0x1C, 2, 5, 0x80, 4, 0x80, 0, 0, 1, 'a'}), 0},
        {"extended, huge", ByteList({0x1C, 2, 5, 0x80, 4, 0x7F, 0xFF, 0xFF, 0xFF, 'a'}), 0},
        {"extended, length bytes cut", ByteList({0x1C, 2, 5, 0x80, 4, 0, 0}), 0},
        {"extended, two length bytes", ByteList({0x1C, 2, 5, 0x80, 2, 0, 1, 'z'}), 1},
        {"extended, no length bytes", ByteList({0x1C, 2, 5, 0x80, 0, 'z'}), 0},
        {"leading bytes skipped", ByteList({0, 0, 0x1C, 2, 25, 0, 2, 'o', 'k'}), 1},
    };
    for (auto& c : cases) {
        TIKIPTCInfoList list;
        list.AddData(9, 9, "old", 3);
        list.LoadFromBuffer(c.bytes.data(), int32_t(c.bytes.size()));
        EXPECT_EQ(list.Count(), c.records) << c.name;
        EXPECT_FALSE(list.GetUserChanged()) << c.name;
    }
    TIKIPTCInfoList list;
    list.LoadFromBuffer(nullptr, 10);
    EXPECT_EQ(list.Count(), 0);
    // The version dataset of a plain buffer is kept as a record.
    auto v = ByteList({0x1C, 2, 0, 0, 2, 0, 2});
    list.LoadFromBuffer(v.data(), int32_t(v.size()));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.DatasetNumber(0), 0);
}

TEST(IKIPTCInfoList, ClearAndAssignMarkTheListChanged) {
    TIKIPTCInfoList a, b;
    a.AddData(2, 80, "Me", 2);
    auto buf = a.SaveToBuffer(false);
    b.LoadFromBuffer(buf.data(), int32_t(buf.size()));
    EXPECT_FALSE(b.GetUserChanged());
    b.Assign(&a);
    EXPECT_TRUE(b.GetUserChanged());
    EXPECT_EQ(b.Count(), 1);
    b.LoadFromBuffer(buf.data(), int32_t(buf.size()));
    b.Clear();
    EXPECT_TRUE(b.GetUserChanged());
    EXPECT_EQ(b.Count(), 0);
}

TEST(IKIPTCInfoList, PhotoshopBlocksReadOnlyTheirIptcResource) {
    // A resolution resource whose bytes include tag markers, then the IPTC resource with an odd-length name.
    std::vector<uint8_t> block =
        ByteList({'P',  'h',  'o',  't', 'o', 's', 'h', 'o', 'p',  ' ',  '3',  '.',  '0', 0,   '8', 'B', 'I',
                  'M',  0x03, 0xED, 0,   0,   0,   0,   0,   3,    0x1C, 0x1C, 0x1C, 0,   '8', 'B', 'I', 'M',
                  0x04, 0x04, 1,    'n', 0,   0,   0,   7,   0x1C, 2,    5,    0,    2,   'h', 'i', 0});
    TIKIPTCInfoList list;
    list.LoadFromBuffer(block.data(), int32_t(block.size()));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.DatasetNumber(0), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(list.Data(0)), 2), "hi");
    // A size field that happens to hold the tag marker byte does not start a record.
    TIKIPTCInfoList big;
    std::vector<uint8_t> data(0x1C - 5, 'x');
    big.AddData(2, 105, data.data(), int32_t(data.size()));
    auto buffer = big.SaveToBuffer(true);
    ASSERT_EQ(buffer[25], 0x1C);
    list.LoadFromBuffer(buffer.data(), int32_t(buffer.size()));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.DatasetNumber(0), 105);
    // A block without an IPTC resource has no records.
    std::vector<uint8_t> none(block.begin(), block.begin() + 30);
    list.LoadFromBuffer(none.data(), int32_t(none.size()));
    EXPECT_EQ(list.Count(), 0);
}
