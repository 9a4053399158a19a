#include "platform/vcl/ImageBudget.h"

#include <atomic>
#include <cstdint>
#include <limits>

namespace vcl {

namespace {

std::atomic<int64_t> ImageBudgetBytes{DefaultImageReadBudget};

} // namespace

int64_t GetImageReadBudget() {
    return ImageBudgetBytes.load(std::memory_order_relaxed);
}

void SetImageReadBudget(int64_t bytes) {
    ImageBudgetBytes.store(bytes < 0 ? 0 : bytes, std::memory_order_relaxed);
}

bool ImageReadFits(int64_t bytes) {
    return bytes >= 0 && bytes <= GetImageReadBudget();
}

int64_t ImageReadBytes(int64_t a, int64_t b, int64_t c) {
    if (a < 0 || b < 0 || c < 0)
        return std::numeric_limits<int64_t>::max();
    int64_t ab = 0, abc = 0;
    if (__builtin_mul_overflow(a, b, &ab) || __builtin_mul_overflow(ab, c, &abc))
        return std::numeric_limits<int64_t>::max();
    return abc;
}

TImageReadBudgetScope::TImageReadBudgetScope(int64_t bytes) : FSaved(GetImageReadBudget()) {
    SetImageReadBudget(bytes);
}

TImageReadBudgetScope::~TImageReadBudgetScope() {
    SetImageReadBudget(FSaved);
}

} // namespace vcl
