// Small value types shared by the whole class library: sets, points, rectangles, events.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>

namespace vcl {

class TObject;

// A set of values of an unscoped enumeration whose values lie in 0..255, as the class library's sets.
template <typename E> class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values) {
        for (E v : values)
            Include(v);
    }
    constexpr bool Contains(E v) const { return (FBits[Word(v)] >> Bit(v)) & 1u; }
    constexpr TSet& Include(E v) {
        FBits[Word(v)] |= uint64_t(1) << Bit(v);
        return *this;
    }
    constexpr TSet& Exclude(E v) {
        FBits[Word(v)] &= ~(uint64_t(1) << Bit(v));
        return *this;
    }
    constexpr bool Empty() const { return !(FBits[0] | FBits[1] | FBits[2] | FBits[3]); }
    constexpr TSet operator+(TSet o) const {
        TSet r;
        for (int i = 0; i < 4; ++i)
            r.FBits[i] = FBits[i] | o.FBits[i];
        return r;
    }
    constexpr TSet operator-(TSet o) const {
        TSet r;
        for (int i = 0; i < 4; ++i)
            r.FBits[i] = FBits[i] & ~o.FBits[i];
        return r;
    }
    constexpr TSet operator*(TSet o) const {
        TSet r;
        for (int i = 0; i < 4; ++i)
            r.FBits[i] = FBits[i] & o.FBits[i];
        return r;
    }
    constexpr TSet& operator+=(TSet o) { return *this = *this + o; }
    constexpr TSet& operator-=(TSet o) { return *this = *this - o; }
    constexpr TSet& operator*=(TSet o) { return *this = *this * o; }
    constexpr bool operator==(const TSet&) const = default;
    // The low 64 members as bits, for sets stored as integers (a 16-bit option set, say).
    constexpr uint64_t ToBits() const { return FBits[0]; }
    static constexpr TSet FromBits(uint64_t bits) {
        TSet r;
        r.FBits[0] = bits;
        return r;
    }

private:
    static constexpr unsigned Word(E v) { return (unsigned(v) & 255u) >> 6; }
    static constexpr unsigned Bit(E v) { return unsigned(v) & 63u; }
    uint64_t FBits[4] = {0, 0, 0, 0};
};

using win::TPoint;
using win::TRect;
using win::TSize;

constexpr TPoint Point(int32_t x, int32_t y) { return {x, y}; }
constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return {l, t, r, b}; }
constexpr TRect Bounds(int32_t l, int32_t t, int32_t w, int32_t h) { return {l, t, l + w, t + h}; }

using TNotifyEvent = std::function<void(TObject* Sender)>;

} // namespace vcl
