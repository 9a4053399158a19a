// Colour reduction of TIKBitmap images and pixel rows: replacing pixels by their quantizer colour,
// ordered dithering and thresholding to one bit (with the gray histogram, the mean colour and the
// maximum-entropy threshold they use), two-colour detection for the writers, nearest-palette search, row
// conversion between bit depths, the expansion of one-bit GUI bitmaps to 24 bits and gray conversion of a
// rectangle.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace vcl {
class TBitmap;
class TObject;
} // namespace vcl

namespace imaging {

class TIKBitmap;
class TIKQuantizer;

// The 8 x 8 ordered-dither matrix, values 0..63, looked up as IKBayerMatrix[x % 8][y % 8].
extern const uint8_t IKBayerMatrix[8][8];
// The 8 pixels of the one-bit byte v as 24 bytes, white for a set bit and black for a clear one.
const uint8_t* IKBilevelExpandEntry(uint8_t v);

// The ordered-dither decision for pixel (x, y): white when the level exceeds the matrix threshold
// 4 x M + 2 (scaled by 257 for 16-bit levels), so that white stays white, black stays black and a mid gray
// is half set.
inline bool IKDitherBit8(int32_t gray, int32_t x, int32_t y) {
    return gray > 4 * IKBayerMatrix[x & 7][y & 7] + 2;
}
inline bool IKDitherBit16(int32_t gray16, int32_t x, int32_t y) {
    return gray16 > (4 * IKBayerMatrix[x & 7][y & 7] + 2) * 257;
}

// Threshold values of IKThresholdBitmap besides 0..255 (levels of gray at or above it become white).
constexpr int32_t IKThresholdAverage = -1;    // the gray of the average colour
constexpr int32_t IKThresholdMaxEntropy = -2; // the maximum-entropy threshold of the gray histogram

// A 24-bit image keeps its format; every pixel becomes its palette colour from a TIKQuantizer of nCol
// colours built on the unchanged image. palette receives the colours when given (nCol is limited to its
// size); otherwise a temporary one is used.
void IKQuantizeInPlace(TIKBitmap* bitmap, int32_t nCol, std::span<TIKColorTriple> palette,
                       vcl::TObject* sender, const TIKProgressEvent& onProgress);
// A 24-bit image becomes one bit by ordered dither.
void IKDitherToBilevel(TIKBitmap* bitmap, TIKProgressContext* progress);
// dest, a one-bit image of the source's size, receives the source thresholded: a bit is set where the gray
// level (for 16-bit gray its high byte) is at least the threshold. A one-bit source is copied.
void IKThresholdBitmap(TIKBitmap* source, TIKBitmap* dest, int32_t threshold, TIKProgressContext* progress);
// A 24-bit image becomes one bit through IKThresholdBitmap.
void IKThresholdInPlace(TIKBitmap* bitmap, int32_t threshold, TIKProgressContext* progress);
// The threshold IKThresholdBitmap uses for a threshold value (-1, -2 or the value itself).
int32_t IKResolveThreshold(TIKBitmap* source, int32_t threshold);
// Counts of gray levels (one-bit pixels count at 0 and 255, 16-bit gray at its high byte).
void IKImageHistogram(TIKBitmap* bitmap, std::array<int64_t, 256>& hist);
// The mean colour; 128, 128, 128 for an image without pixels.
void IKAverageColor(TIKBitmap* bitmap, int32_t& r, int32_t& g, int32_t& b);
// A one-bit copy of an image of exactly two colours, color0 (the darker, clear bits) and color1 (set bits);
// none for an image of one colour or more than two.
std::unique_ptr<TIKBitmap> IKExtractTwoColorBitmap(TIKBitmap* bitmap, TIKColorTriple& color0,
                                                   TIKColorTriple& color1);
// The palette entry nearest to color by the sum of absolute channel differences; the first of equals; 0 for
// an empty palette.
int32_t IKNearestPaletteIndex(const TIKColorTriple* palette, int32_t count, TIKColorTriple color);
// Converts one row of width pixels from srcBits to destBits (1, 4, 8, 24, 32 as listed in the code) and
// returns the bytes written to dest. Palette entries missing from palette read as black; pixels the
// quantizer cannot place get index 0. The conversions that OR bits into dest expect it zeroed.
int32_t IKConvertRowDepth(const uint8_t* source, uint8_t* dest, uint16_t srcBits, uint16_t destBits,
                          uint16_t width, std::span<const TIKColorTriple> palette,
                          const TIKQuantizer* quantizer);
// dest becomes the 24-bit image of a one-bit source: set bits white, clear bits black.
void IKExpandBilevelToRGB(vcl::TBitmap* source, vcl::TBitmap* dest, TIKProgressContext* progress);
// The inclusive-exclusive rectangle (x2 and y2 excluded) of a 24-bit image turns gray.
void IKConvertRectToGray(TIKBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         const TIKProgressEvent& onProgress, vcl::TObject* sender);

} // namespace imaging
