// Counts the heap memory a piece of code takes at its peak, through the address sanitizer's allocation
// hooks: every malloc and new of the process is seen, those of the libraries it links too (OpenJPEG,
// libjpeg). Builds without the sanitizer cannot count; Available() says so and tests skip the measurement.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define LOOMWICK_COUNTS_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOOMWICK_COUNTS_ALLOCATIONS 1
#endif
#endif

#ifdef LOOMWICK_COUNTS_ALLOCATIONS
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

namespace testsupport {

class TAllocationCounter {
public:
    static bool Available() {
#ifdef LOOMWICK_COUNTS_ALLOCATIONS
        return true;
#else
        return false;
#endif
    }

    // Counting runs from construction to destruction; one counter at a time.
    TAllocationCounter() {
        Install();
        Current().store(0);
        Peak().store(0);
        Counting().store(true);
    }
    ~TAllocationCounter() {
        Counting().store(false);
    }
    TAllocationCounter(const TAllocationCounter&) = delete;
    TAllocationCounter& operator=(const TAllocationCounter&) = delete;

    // The most bytes held at once since construction, above what was held before.
    int64_t PeakBytes() const {
        return Peak().load();
    }

private:
    static std::atomic<int64_t>& Current() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static std::atomic<int64_t>& Peak() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static std::atomic<bool>& Counting() {
        static std::atomic<bool> value{false};
        return value;
    }
#ifdef LOOMWICK_COUNTS_ALLOCATIONS
    static void OnMalloc(const volatile void*, size_t size) {
        if (!Counting().load(std::memory_order_relaxed))
            return;
        const int64_t now = Current().fetch_add(int64_t(size)) + int64_t(size);
        int64_t peak = Peak().load();
        while (now > peak && !Peak().compare_exchange_weak(peak, now)) {
        }
    }
    static void OnFree(const volatile void* p) {
        if (p && Counting().load(std::memory_order_relaxed))
            Current().fetch_sub(int64_t(__sanitizer_get_allocated_size(p)));
    }
#endif
    static void Install() {
#ifdef LOOMWICK_COUNTS_ALLOCATIONS
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
        (void)installed;
#endif
    }
};

} // namespace testsupport
