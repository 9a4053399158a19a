// Small images for the imaging tests: bitmaps filled from a function of the pixel position, and reads of
// single pixels.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace iktest {

using imaging::TIKBitmap;
using imaging::TIKColorTriple;

// A 24-bit image in memory, its pixels not set.
inline std::unique_ptr<TIKBitmap> Blank24(int32_t w, int32_t h) {
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, imaging::ikbf24Bit);
    return b;
}

// A 24-bit image in memory whose pixel (x, y) is color(x, y).
inline std::unique_ptr<TIKBitmap> Make24(int32_t w, int32_t h,
                                         const std::function<TIKColorTriple(int32_t, int32_t)>& color) {
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, imaging::ikbf24Bit);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const TIKColorTriple c = color(x, y);
            row[3 * x] = c.B;
            row[3 * x + 1] = c.G;
            row[3 * x + 2] = c.R;
        }
    }
    return b;
}

// An image of one byte per pixel (8-bit gray or paletted) whose pixel (x, y) is value(x, y).
inline std::unique_ptr<TIKBitmap> Make8(int32_t w, int32_t h, imaging::TIKBitmapFormat format,
                                        const std::function<uint8_t(int32_t, int32_t)>& value) {
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, format);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->ScanLine(y)[x] = value(x, y);
    return b;
}

inline std::unique_ptr<TIKBitmap> Make16(int32_t w, int32_t h,
                                         const std::function<uint16_t(int32_t, int32_t)>& value) {
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, imaging::ikbf16BitGray);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint16_t v = value(x, y);
            b->ScanLine(y)[2 * x] = uint8_t(v);
            b->ScanLine(y)[2 * x + 1] = uint8_t(v >> 8);
        }
    return b;
}

inline std::unique_ptr<TIKBitmap> Make1(int32_t w, int32_t h,
                                        const std::function<bool(int32_t, int32_t)>& bit) {
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, imaging::ikbf1Bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            imaging::IKPutBit(b->ScanLine(y), x, bit(x, y));
    return b;
}

inline TIKColorTriple Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return TIKColorTriple{b, g, r};
}

inline TIKColorTriple Pixel24(TIKBitmap& b, int32_t x, int32_t y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return TIKColorTriple{p[0], p[1], p[2]};
}

inline bool Bit(TIKBitmap& b, int32_t x, int32_t y) {
    return imaging::IKTestBit(b.ScanLine(y), x) != 0;
}

// A smooth colour picture with some texture, like a small photo.
inline TIKColorTriple PhotoLike(int32_t x, int32_t y) {
    const int32_t r = (x * 7 + y * 3) & 0xFF, g = (x * x / 5 + y * 11) & 0xFF,
                  b = (255 - x * 2 + (y * y) / 7) & 0xFF;
    return TIKColorTriple{uint8_t(b), uint8_t(g), uint8_t(r)};
}

} // namespace iktest
