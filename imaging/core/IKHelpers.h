// Free helpers of the imaging library: bit and row arithmetic for packed pixel rows, byte-order swaps for
// big-endian file formats, the checked stream write of the encoders, directories and number parsing,
// CIE L*a*b* conversions, small geometry tests for the views and a few platform queries.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
class TCanvas;
class TComponent;
} // namespace vcl

namespace imaging {

// A pixel or palette colour: three bytes in the order blue, green, red.
struct TIKColorTriple {
    uint8_t B = 0;
    uint8_t G = 0;
    uint8_t R = 0;
    constexpr bool operator==(const TIKColorTriple&) const = default;
};
static_assert(sizeof(TIKColorTriple) == 3);

// The mask of pixel x within its byte is IKBitMask[x % 8]: pixel 0 sits in the most significant bit.
extern const uint8_t IKBitMask[8];
// Every byte mapped to the byte with its bits in reverse order.
extern const uint8_t IKReversedBits[256];

// Bits, rows and numbers.
// Length in bytes of a row of width pixels of bits each, padded to a multiple of 4 bytes. Computed in 64
// bits: callers check the result against their own limits before they allocate.
constexpr int64_t IKRowLength(int64_t width, int64_t bits) {
    return ((width * bits + 31) >> 5) << 2;
}
// Bits per pixel of a class-library pixel format value (pf1bit 1 ... pf32bit 32, anything else 0). The
// values follow the class library's enumeration: pfDevice 0, pf1bit 1, pf4bit 2, pf8bit 3, pf15bit 4,
// pf16bit 5, pf24bit 6, pf32bit 7, pfCustom 8.
int32_t IKPixelFormatBits(int32_t format);
int64_t IKTBitmapRowLength(int64_t width, int32_t format);
// Consecutive set bits from the lowest set bit of mask (0 for 0, at most 32).
int32_t IKBitFieldWidth(uint32_t mask);
// -1 for 0; the bit index when exactly one bit is set; otherwise the highest set bit's index plus 1.
int32_t IKCeilLog2(uint32_t n);
// (2^bits)^samples, 1 when samples <= 0; saturates at INT64_MAX instead of overflowing.
int64_t IKBitsToColorCount(int32_t bits, int32_t samples);
void IKReverseByteBits(uint8_t& b);
void IKReverseBits32(uint32_t& v);
constexpr uint16_t IKSwapWordBytes(uint16_t v) {
    return uint16_t((v >> 8) | (v << 8));
}
constexpr uint32_t IKSwapDWordBytes(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
// base^exponent: 1 for exponent 0, 0 for base 0 with a positive exponent, repeated squaring for an
// integral exponent (the reciprocal for a negative one), otherwise exp(exponent * ln base).
double IKPower(double base, double exponent);

// Streams and files.
// Writes count bytes; when the stream takes fewer, aborting becomes true (it is never cleared here).
void IKWriteStreamChecked(vcl::TStream* stream, bool& aborting, const void* buffer, int32_t count);
bool IKDirectoryExists(const std::string& path);
// Creates a folder with all its missing parents. An empty path raises "Cannot Create Directory".
void IKCreateDirectoryPath(const std::string& path);
// The value of text read with the class library's decimal separator; failing that, with the first ","
// turned into "." (or the first "." into ","); failing that, def.
double IKStrToFloatAnySeparator(const std::string& text, double def);

// Colour. L*a*b* as stored in 8-bit CIELab TIFF files: L = L* x 255 / 100, a* and b* as signed bytes.
struct TIKCIELab {
    uint8_t L = 0;
    int8_t a = 0;
    int8_t b = 0;
    constexpr bool operator==(const TIKCIELab&) const = default;
};
// color holds red in bits 16-23, green 8-15, blue 0-7 (a B, G, R triple packed as $00RRGGBB).
TIKCIELab IKRGBToCIELab(uint32_t color);
// lab holds L in bits 0-7, a in 8-15 and b in 16-23.
TIKColorTriple IKCIELabToRGB(uint32_t lab);
TIKColorTriple IKCIELabToRGB(TIKCIELab lab);

// Geometry, all coordinates inclusive.
bool IKPointInRect(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom);
int32_t IKRectsIntersect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t left, int32_t top,
                         int32_t right, int32_t bottom);
// 2 when the rectangle (x1, y1)-(x2, y2) lies wholly inside (left, top)-(right, bottom), 1 when partly, else
// 0.
int32_t IKRectVisibility(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x1, int32_t y1,
                         int32_t x2, int32_t y2);
double IKDistanceToLine(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by);
double IKDistanceToSegment(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by);
// Moves (x, y) onto the horizontal, vertical or diagonal line through the anchor.
void IKSnapPoint(int32_t anchorX, int32_t anchorY, int32_t& x, int32_t& y);

// Drawing on a class-library canvas with a solid one-pixel pen in copy mode; the canvas keeps its own pen.
// The gradient drop shadows along the right and bottom edge of an image (mode 2; other modes draw nothing).
void IKDrawShadowRight(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t mode);
void IKDrawShadowBottom(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t mode);
// Left and top edges in topLeftColor, bottom and right edges in bottomRightColor, line ends excluded.
void IKDraw3DFrame(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t topLeftColor, int32_t bottomRightColor);

// Fills a width x height canvas with a view background style around the image rectangle (left, top,
// right, bottom; right and bottom exclusive). style is a TIKBackgroundStyle value (ImageKitView.h), chessBrush
// a vcl::TBrushStyle for the chessboard's squares; color may be a system colour. The chessboard and the
// diagonals use the complement of color's RGB value. The cropped styles draw as solid while designing.
void IKDrawBackground(bool designing, vcl::TCanvas* canvas, int32_t style, int32_t chessBrush, int32_t chessSize,
                      int32_t imageBottom, int32_t imageRight, int32_t imageTop, int32_t imageLeft,
                      int32_t height, int32_t width, int32_t color);

// Platform queries.
bool IKIsWindowsXP();
bool IKHasMMX();
// Available physical memory in bytes (0 when unknown).
uint64_t IKAvailablePhysicalMemory();

} // namespace imaging
