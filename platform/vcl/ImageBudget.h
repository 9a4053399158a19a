// The memory budget of picture reading: one number of bytes that every reader of untrusted picture data
// checks before it allocates for a picture its file describes. Readers commit memory only in proportion to
// the data that can fill it, or within this budget; above it they refuse the file with their usual error.
// The budget holds for every thread; a caller that means to open a larger picture raises it.
#pragma once

#include <cstdint>

namespace vcl {

// 1 GiB: a 16384 x 16384 picture in 24-bit colour (768 MB) fits, a 32768 x 32768 one (3 GB) does not.
constexpr int64_t DefaultImageReadBudget = int64_t(1) << 30;

int64_t GetImageReadBudget();
// Negative values count as 0 (every picture is refused).
void SetImageReadBudget(int64_t bytes);
// True when one read may commit this many bytes.
bool ImageReadFits(int64_t bytes);
// The product of the factors (rows x row bytes, pixels x bytes a pixel ...), saturated at INT64_MAX so
// that sizes from a file never overflow; a negative factor gives INT64_MAX as well.
int64_t ImageReadBytes(int64_t a, int64_t b, int64_t c = 1);

// Sets the budget for a scope and restores the previous one at its end.
class TImageReadBudgetScope {
public:
    explicit TImageReadBudgetScope(int64_t bytes);
    ~TImageReadBudgetScope();
    TImageReadBudgetScope(const TImageReadBudgetScope&) = delete;
    TImageReadBudgetScope& operator=(const TImageReadBudgetScope&) = delete;

private:
    int64_t FSaved;
};

} // namespace vcl
