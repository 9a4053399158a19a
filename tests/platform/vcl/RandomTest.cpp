#include "platform/vcl/SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace vcl;

namespace {

class RandomFixture : public ::testing::Test {
protected:
    void TearDown() override { SetRandomSource(nullptr); }
    static std::vector<int32_t> Draws(int count, int32_t range) {
        std::vector<int32_t> out;
        for (int i = 0; i < count; ++i)
            out.push_back(Random(range));
        return out;
    }
};

TEST_F(RandomFixture, ASeededSourceRepeatsItsSequence) {
    SetRandomSource(SeededRandomSource(1234));
    std::vector<int32_t> first = Draws(200, 1000000);
    SetRandomSource(SeededRandomSource(1234));
    EXPECT_EQ(Draws(200, 1000000), first);
    SetRandomSource(SeededRandomSource(1235));
    EXPECT_NE(Draws(200, 1000000), first);
    // Two sources of one seed are independent of each other and agree.
    TRandomSource a = SeededRandomSource(99), b = SeededRandomSource(99);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(a(), b());
}

TEST_F(RandomFixture, RangesAndFractionsStayInBounds) {
    SetRandomSource(SeededRandomSource(20260101));
    std::array<int, 10> counts{};
    for (int i = 0; i < 10000; ++i) {
        int32_t v = Random(10);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 9);
        ++counts[size_t(v)];
    }
    // Every value comes up about as often as the others (a 1000 expected each).
    for (int c : counts) {
        EXPECT_GT(c, 850);
        EXPECT_LT(c, 1150);
    }
    for (int32_t range : {0, -1, -100})
        EXPECT_EQ(Random(range), 0) << range;
    EXPECT_EQ(Random(1), 0);
    for (int i = 0; i < 1000; ++i) {
        double f = Random();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
    }
}

TEST_F(RandomFixture, EachResultComesFromOneDrawOfTheSource) {
    // A scripted source decides the results: the draw's share of 2^32 scaled to the range.
    std::vector<uint32_t> script{0, 0xFFFFFFFFu, 0x80000000u, 0x547AE148u, 0x547AE147u};
    size_t next = 0;
    SetRandomSource([&] { return script.at(next++); });
    EXPECT_EQ(Draws(5, 100), (std::vector<int32_t>{0, 99, 50, 33, 32}));
    next = 0;
    EXPECT_EQ(Random(), 0.0);
    EXPECT_LT(Random(), 1.0);
    EXPECT_EQ(Random(), 0.5);
    EXPECT_EQ(next, 3u);
}

TEST_F(RandomFixture, RandomizeSeedsTheProgramsOwnGenerator) {
    SetRandomSource(nullptr);
    Randomize();
    std::vector<int32_t> first = Draws(20, 1 << 30);
    Randomize();
    EXPECT_NE(Draws(20, 1 << 30), first);
}

} // namespace
