#include "platform/win/kernel/MulDiv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

struct MulDivCase {
    int32_t Number, Numerator, Denominator, Expected;
};

constexpr int32_t MulDivMax = std::numeric_limits<int32_t>::max();
constexpr int32_t MulDivMin = std::numeric_limits<int32_t>::min();

} // namespace

TEST(MulDiv, Table) {
    const MulDivCase cases[] = {
        {10, 10, 4, 25},                              // exact
        {5, 1, 2, 3},                                 // half rounds away from zero
        {-5, 1, 2, -3},                               // ... on both sides
        {5, -1, 2, -3},                               // a negative numerator
        {5, 1, -2, -3},                               // a negative denominator
        {-5, -1, -2, -3},                             // three negatives
        {7, 1, 3, 2},                                 // 2.33 rounds down
        {8, 1, 3, 3},                                 // 2.67 rounds up
        {-7, 1, 3, -2},                               // -2.33
        {-8, 1, 3, -3},                               // -2.67
        {0, 123, 7, 0},                               // zero
        {100, 200, 0, -1},                            // zero divisor
        {0, 0, 0, -1},                                // zero divisor wins over a zero product
        {65536, 65536, 1, -1},                        // 2^32 overflows
        {65536, 65536, 2, -1},                        // 2^31 overflows by one
        {MulDivMax, 2, 2, MulDivMax},                 // the largest result
        {65536, 32768, -1, MulDivMin},                // the smallest result
        {MulDivMax, MulDivMax, MulDivMax, MulDivMax}, // the intermediate needs 62 bits
        {MulDivMin, 1, 1, MulDivMin},
        {MulDivMin, -1, 1, -1}, // -(-2^31) does not fit
        {MulDivMin, MulDivMin, MulDivMin, MulDivMin},
        {1000000, 1000000, 1000000, 1000000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(win::MulDiv(c.Number, c.Numerator, c.Denominator), c.Expected)
            << c.Number << " * " << c.Numerator << " / " << c.Denominator;
    }
}
