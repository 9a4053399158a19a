// Scaling of 32-bit integers through a 64-bit intermediate.
#pragma once

#include <cstdint>

namespace win {

// number * numerator / denominator, computed in 64 bits and rounded to the nearest integer with halves
// away from zero. Returns -1 when denominator is 0 or the result does not fit in 32 bits; callers rely
// on that value for degenerate sizes.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

} // namespace win
