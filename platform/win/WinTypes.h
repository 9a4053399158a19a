// Scalar types, handles and the point and rectangle records of the Win32-like layer.
// Handles are opaque pointers to the layer's own objects; each subsystem defines the objects it owns.
#pragma once

#include <cstdint>

namespace win {

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t;
using ATOM = uint16_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using ULONG = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using SIZE_T = uintptr_t;
using DWORD_PTR = uintptr_t;
using LPVOID = void*;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD INFINITE = 0xFFFFFFFF;
// The classic path buffer size; the layer's own calls never write past the buffer they are given.
constexpr DWORD MAX_PATH = 260;

// A 64-bit value passed by address, as the performance counter uses it.
struct LARGE_INTEGER {
    int64_t QuadPart = 0;
};

// Every handle points at an object derived from HandleObject; the type names keep call sites honest.
struct HandleObject {
    virtual ~HandleObject() = default;
};
struct GdiObject : HandleObject {};

struct HWND__;
struct HDC__;
struct HBITMAP__;
struct HPALETTE__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HRGN__;
struct HICON__;
struct HMENU__;
struct HINSTANCE__;
struct HKEY__;

using HANDLE = HandleObject*;
using HGDIOBJ = GdiObject*;
using HWND = HWND__*;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HPALETTE = HPALETTE__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HRGN = HRGN__*;
using HICON = HICON__*;
using HCURSOR = HICON__*;
using HMENU = HMENU__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;
using HKEY = HKEY__*;
using HGLOBAL = HandleObject*;

// The "no handle" value of calls that report failure with -1 rather than a null handle.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t(-1));

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    constexpr int32_t Width() const { return Right - Left; }
    constexpr int32_t Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool operator==(const TRect&) const = default;
};

// Rectangle arithmetic. Right and bottom edges lie outside a rectangle; one whose right or bottom edge does
// not lie beyond its left or top edge is empty.

// The overlap of a and b, empty when they do not overlap.
constexpr TRect Intersect(const TRect& a, const TRect& b) {
    return {a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
            a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}

// The smallest rectangle holding a and b; an empty one adds nothing, and two empty ones make {}.
constexpr TRect Union(const TRect& a, const TRect& b) {
    if (a.IsEmpty())
        return b.IsEmpty() ? TRect{} : b;
    if (b.IsEmpty())
        return a;
    return {a.Left < b.Left ? a.Left : b.Left, a.Top < b.Top ? a.Top : b.Top,
            a.Right > b.Right ? a.Right : b.Right, a.Bottom > b.Bottom ? a.Bottom : b.Bottom};
}

// Whether p lies in r.
constexpr bool Contains(const TRect& r, TPoint p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

// Whether every edge of inner lies on or within outer's.
constexpr bool Contains(const TRect& outer, const TRect& inner) {
    return outer.Left <= inner.Left && outer.Top <= inner.Top && outer.Right >= inner.Right &&
           outer.Bottom >= inner.Bottom;
}

namespace detail {
// Wrapping 32-bit arithmetic, as rectangle arithmetic of the system does, without signed overflow.
constexpr int32_t RectAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}
constexpr int32_t RectSub(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) - uint32_t(b));
}
} // namespace detail

// r moved by dx to the right and dy down.
constexpr TRect Offset(const TRect& r, int32_t dx, int32_t dy) {
    return {detail::RectAdd(r.Left, dx), detail::RectAdd(r.Top, dy), detail::RectAdd(r.Right, dx),
            detail::RectAdd(r.Bottom, dy)};
}

// r grown by dx on the left and right and by dy on the top and bottom (shrunk for negative values).
constexpr TRect Inflate(const TRect& r, int32_t dx, int32_t dy) {
    return {detail::RectSub(r.Left, dx), detail::RectSub(r.Top, dy), detail::RectAdd(r.Right, dx),
            detail::RectAdd(r.Bottom, dy)};
}

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

using POINT = TPoint;
using RECT = TRect;
using SIZE = TSize;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t(c >> 16); }

} // namespace win
