#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace win;

TEST(RectArithmetic, IntersectAndUnionAgreeWithTheirCalls) {
    struct Case {
        TRect A, B, Overlap, Both;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, {0, 0, 15, 15}},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}, {0, 0, 10, 10}}, // one inside the other
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {}, {0, 0, 20, 10}},        // touching edges do not overlap
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {}, {0, 0, 30, 30}},       // apart
        {{0, 0, 10, 10}, {5, 5, 5, 20}, {}, {0, 0, 10, 10}},          // an empty one adds nothing
        {{3, 3, 3, 3}, {7, 1, 2, 9}, {}, {}},                         // two empty ones
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Intersect(c.A, c.B).IsEmpty(), c.Overlap.IsEmpty());
        if (!c.Overlap.IsEmpty())
            EXPECT_EQ(Intersect(c.A, c.B), c.Overlap);
        EXPECT_EQ(Intersect(c.A, c.B), Intersect(c.B, c.A));
        EXPECT_EQ(Union(c.A, c.B), c.Both);
        EXPECT_EQ(Union(c.B, c.A), c.Both);
        RECT r{1, 1, 1, 1};
        EXPECT_EQ(IntersectRect(&r, &c.A, &c.B), !c.Overlap.IsEmpty());
        EXPECT_EQ(r, c.Overlap);
        EXPECT_EQ(UnionRect(&r, &c.A, &c.B), !c.Both.IsEmpty());
        EXPECT_EQ(r, c.Both);
    }
}

TEST(RectArithmetic, ContainsOffsetAndInflate) {
    constexpr TRect r{0, 0, 10, 10};
    static_assert(Contains(r, TPoint{0, 0}) && Contains(r, TPoint{9, 9}));
    static_assert(!Contains(r, TPoint{10, 0}) && !Contains(r, TPoint{0, 10}) && !Contains(r, TPoint{-1, 5}));
    static_assert(Contains(r, r) && Contains(r, TRect{2, 2, 10, 3}) && !Contains(r, TRect{2, 2, 11, 3}));
    static_assert(Offset(r, 3, -2) == TRect{3, -2, 13, 8});
    static_assert(Inflate(r, 2, -1) == TRect{-2, 1, 12, 9});
    // The arithmetic wraps as 32-bit values do, without undefined overflow.
    constexpr int32_t top = std::numeric_limits<int32_t>::max();
    constexpr int32_t bottom = std::numeric_limits<int32_t>::min();
    static_assert(Offset(TRect{0, 0, top, 1}, 1, 0).Right == bottom);
    static_assert(Inflate(TRect{bottom, 0, 0, 0}, 1, 0).Left == top);
    static_assert(Inflate(TRect{0, 0, 0, 0}, bottom, 0).Left == bottom);
    for (TPoint p : {TPoint{0, 0}, TPoint{9, 0}, TPoint{10, 0}, TPoint{5, -1}})
        EXPECT_EQ(bool(PtInRect(&r, p)), Contains(r, p));
}
