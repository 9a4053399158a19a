// Small pixel and colour routines shared by the imaging library: number utilities, colour packing, the
// gray level, bit access in one-bit rows, bit-range copies, and inverting and mirroring a TIKBitmap.
#pragma once

#include "imaging/core/IKHelpers.h"

#include <cstdint>
#include <memory>

namespace vcl {
class TBitmap;
}

namespace imaging {

class TIKBitmap;

// A packed triple holds blue in bits 0-7, green 8-15 and red 16-23. A colour (TColor) holds red in bits
// 0-7, green 8-15 and blue 16-23; system colours have the high bit set.

int32_t IKCeil(long double x);
int32_t IKFloor(long double x);
constexpr TIKColorTriple IKMakeRGBTriple(uint8_t r, uint8_t g, uint8_t b) {
    return TIKColorTriple{b, g, r};
}
constexpr uint32_t IKPackTriple(TIKColorTriple t) {
    return uint32_t(t.B) | uint32_t(t.G) << 8 | uint32_t(t.R) << 16;
}
constexpr TIKColorTriple IKUnpackTriple(uint32_t v) {
    return TIKColorTriple{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
}
// (R x 21 + G x 71 + B x 8) div 100: the gray level used throughout the library.
constexpr int32_t IKTripleGrayLevel(uint32_t packed) {
    return int32_t((((packed >> 16) & 0xFF) * 21 + ((packed >> 8) & 0xFF) * 71 + (packed & 0xFF) * 8) / 100);
}
constexpr int32_t IKTripleGrayLevel(TIKColorTriple t) {
    return IKTripleGrayLevel(IKPackTriple(t));
}
// Exchanges the red and blue bytes: a packed triple becomes a colour.
constexpr int32_t IKTripleToColor(uint32_t packed) {
    return int32_t(((packed & 0xFF) << 16) | (packed & 0xFF00) | ((packed >> 16) & 0xFF));
}
// A colour's RGB value; system colours are resolved to the current scheme's value.
int32_t IKColorToRGB(int32_t color);
TIKColorTriple IKColorToTriple(int32_t color);
constexpr double IKMinDouble(double a, double b) {
    return a < b ? a : b;
}
constexpr int32_t IKIntMax(int32_t a, int32_t b) {
    return a > b ? a : b;
}
constexpr int32_t IKIntMin(int32_t a, int32_t b) {
    return a < b ? a : b;
}
constexpr int32_t IKClamp(int32_t v, int32_t lo, int32_t hi) {
    return v <= lo ? lo : v >= hi ? hi : v;
}
constexpr uint8_t IKClampToByte(int32_t v) {
    return v < 0 ? 0 : v > 255 ? 255 : uint8_t(v);
}
inline void IKSwapInt(int32_t& a, int32_t& b) {
    int32_t t = a;
    a = b;
    b = t;
}
constexpr bool IKSameTriple(uint32_t a, uint32_t b) {
    return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}
inline void IKSwapByteVars(uint8_t& a, uint8_t& b) {
    uint8_t t = a;
    a = b;
    b = t;
}
void IKSortRectCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);
// Exchanges the first and third byte of count 3-byte entries.
void IKSwapPaletteRedBlue(void* palette, int32_t count);
void IKSwapRowRedBlue(void* row, int32_t count);

// One-bit rows: pixel x is bit 7 - x mod 8 of byte x div 8.
inline uint8_t IKTestBit(const uint8_t* row, int32_t x) {
    return row[x >> 3] & IKBitMask[x & 7];
}
inline void IKPutBit(uint8_t* row, int32_t x, bool value) {
    if (value)
        row[x >> 3] |= IKBitMask[x & 7];
    else
        row[x >> 3] &= uint8_t(~IKBitMask[x & 7]);
}
// Copies bitCount bits of source from bit srcBit into dest from bit destBit; dest bits outside the range
// keep their values. srcLength is the source row's length in bytes: nothing beyond it is read.
void IKCopyBitRange(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t srcBit, int32_t bitCount,
                    int32_t srcLength);

// Inverts every bit of every row.
void IKInvertBitmap(TIKBitmap* bitmap);
// Mirrors a 24-bit or one-bit bitmap: direction 0 left-right, 1 top-bottom. Other formats stay as they are.
void IKFlipBitmap(TIKBitmap* bitmap, int32_t direction);
// Makes dest a copy of source: pixel format, colour table, size and rows.
void IKCopyVclBitmap(vcl::TBitmap* source, vcl::TBitmap* dest);
std::unique_ptr<vcl::TBitmap> IKCreateVclBitmapCopy(vcl::TBitmap* source);

} // namespace imaging
