#include "platform/win/kernel/MulDiv.h"

#include <limits>

namespace win {

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
    if (denominator == 0)
        return -1;
    // |number * numerator| <= 2^62, so the product and the doubled remainder below cannot overflow.
    const int64_t product = int64_t(number) * int64_t(numerator);
    int64_t quotient = product / denominator;
    const int64_t remainder = product % denominator;
    const int64_t absRemainder = remainder < 0 ? -remainder : remainder;
    const int64_t absDenominator = denominator < 0 ? -int64_t(denominator) : int64_t(denominator);
    if (2 * absRemainder >= absDenominator)
        quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int32_t>::max() || quotient < std::numeric_limits<int32_t>::min())
        return -1;
    return int32_t(quotient);
}

} // namespace win
