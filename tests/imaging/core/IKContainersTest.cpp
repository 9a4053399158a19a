#include "imaging/core/ikutils.h"

#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imaging;

TEST(IKContainers, ListItemSizesAndChanges) {
    TIKIntegerList ints;
    TIKDoubleList doubles;
    TIKRecordList records(12);
    EXPECT_EQ(ints.GetItemSize(), 4);
    EXPECT_EQ(doubles.GetItemSize(), 8);
    EXPECT_EQ(records.GetItemSize(), 12);

    for (int32_t v : {10, 20, 30, 40})
        ints.Add(v);
    EXPECT_EQ(ints.GetCount(), 4);
    EXPECT_EQ(ints.GetChanged() & 1, 1);
    ints.SetChanged(0);
    ints.Delete(-1);
    ints.Delete(4);
    EXPECT_EQ(ints.GetCount(), 4);
    EXPECT_EQ(ints.GetChanged(), 0);
    ints.Delete(1);
    EXPECT_EQ(ints.GetCount(), 3);
    EXPECT_EQ(ints.Get(0), 10);
    EXPECT_EQ(ints.Get(1), 30);
    EXPECT_EQ(ints.Get(2), 40);
    EXPECT_EQ(ints.GetChanged() & 1, 1);
    EXPECT_THROW(ints.Get(3), vcl::EListError);

    // Growing keeps the items and zeroes the new ones; shrinking keeps the first ones.
    ints.SetCount(5);
    EXPECT_EQ(ints.Get(2), 40);
    EXPECT_EQ(ints.Get(4), 0);
    ints.SetCount(1);
    EXPECT_EQ(ints.Get(0), 10);

    ints.RangeMin = 1;
    ints.RangeMax = 9;
    TIKIntegerList copy;
    copy.Assign(&ints);
    EXPECT_EQ(copy.GetCount(), 1);
    EXPECT_EQ(copy.Get(0), 10);
    EXPECT_EQ(copy.RangeMax, 9);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.GetCount(), 1);
    ints.Clear();
    EXPECT_EQ(ints.GetCount(), 0);
    EXPECT_EQ(ints.GetChanged(), 0);
    EXPECT_EQ(ints.RangeMax, 0);
    EXPECT_EQ(ints.GetItemSize(), 4);

    doubles.Add(2.5);
    doubles.RangeStep = 0.5;
    TIKDoubleList dcopy;
    dcopy.Assign(&doubles);
    EXPECT_DOUBLE_EQ(dcopy.Get(0), 2.5);
    EXPECT_DOUBLE_EQ(dcopy.RangeStep, 0.5);

    struct Rec {
        int32_t a, b, c;
    } r{1, 2, 3};
    EXPECT_EQ(records.Add(&r), 0);
    r.b = 7;
    EXPECT_EQ(records.Add(&r), 1);
    Rec out;
    std::memcpy(&out, records.ItemAddress(1), sizeof out);
    EXPECT_EQ(out.b, 7);
}

TEST(IKContainers, ByteArrayGrowsInSteps) {
    TIKByteArray bytes;
    EXPECT_EQ(bytes.GetCapacity(), 8192);
    const uint8_t* first = bytes.Data();
    for (int i = 0; i < 8192; ++i)
        bytes.AddByte(uint8_t(i));
    EXPECT_EQ(bytes.Data(), first);
    EXPECT_EQ(bytes.GetCapacity(), 8192);
    bytes.AddByte(0xAB);
    EXPECT_EQ(bytes.GetCapacity(), 16385);
    EXPECT_EQ(bytes.GetSize(), 8193);
    EXPECT_EQ(bytes.Data()[8191], uint8_t(8191));
    EXPECT_EQ(bytes.Data()[8192], 0xAB);
    // Shrinking within one growth step keeps the block; further shrinks it.
    bytes.SetSize(8200);
    EXPECT_EQ(bytes.GetCapacity(), 16385);
    bytes.SetSize(100);
    EXPECT_EQ(bytes.GetCapacity(), 8292);
    EXPECT_EQ(bytes.Data()[99], 99);
    EXPECT_THROW(bytes.SetSize(-1), vcl::ERangeError);
}

TEST(IKContainers, NulStreamCounts) {
    TNulStream s;
    uint8_t buf[100] = {};
    EXPECT_EQ(s.Write(buf, 100), 100);
    EXPECT_EQ(s.Seek(10, vcl::soBeginning), 10);
    EXPECT_EQ(s.Write(buf, 5), 5);
    EXPECT_EQ(s.Position(), 15);
    EXPECT_EQ(s.GetSize(), 100);
    EXPECT_EQ(s.Seek(0, vcl::soEnd), 100);
    // From the end, as every stream counts it.
    EXPECT_EQ(s.Seek(-10, vcl::soEnd), 90);
    EXPECT_EQ(s.Seek(20, vcl::soCurrent), 110);
    EXPECT_EQ(s.GetSize(), 110);
    // Reads hand out zeros and move like writes.
    uint8_t junk[4] = {1, 2, 3, 4};
    EXPECT_EQ(s.Read(junk, 4), 4);
    EXPECT_EQ(junk[0], 0);
    EXPECT_EQ(s.Position(), 114);
    // Through the class library's helpers.
    vcl::TStream& base = s;
    base.WriteBuffer(buf, 6);
    EXPECT_EQ(base.GetSize(), 120);
}

TEST(IKContainers, HashSetCollectsDistinctValues) {
    THash1 hash(4);
    EXPECT_EQ(hash.GetBucketCount(), 16);
    EXPECT_EQ(hash.Hash(17), 1u);
    EXPECT_TRUE(hash.Insert(1));
    EXPECT_TRUE(hash.Insert(17));
    EXPECT_TRUE(hash.Insert(33));
    EXPECT_FALSE(hash.Insert(1));
    EXPECT_FALSE(hash.Insert(33));
    EXPECT_EQ(hash.GetCount(), 3);
    THash1 big(12);
    int inserted = 0;
    for (uint32_t i = 0; i < 20000; ++i)
        inserted += big.Insert((i * 2654435761u) % 5000);
    EXPECT_EQ(inserted, 5000);
    EXPECT_EQ(big.GetCount(), 5000);
    EXPECT_THROW(THash1(-1), vcl::ERangeError);
}
