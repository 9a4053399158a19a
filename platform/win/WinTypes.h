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
