// Rendering a TIKBitmap into a 24-bit display bitmap: the views' back buffers.
#include "imaging/core/IKBitmap.h"

#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKResample.h"
#include "imaging/core/IKScaleMask.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/WinTypes.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t RenderUnbounded = 2147483646;

// c moved toward target by a / 256, rounded down: ((target - c) x (a x 1024)) >> 18. A fully opaque pixel
// (a = 255) takes the target itself instead of stopping one level short of it.
inline uint8_t RenderBlend(int32_t c, int32_t target, int32_t a) {
    if (a >= 255)
        return uint8_t(target);
    return uint8_t(c + ((int64_t(target - c) * (a * 1024)) >> 18));
}

} // namespace

void TIKBitmap::RenderToTBitmap(vcl::TBitmap* dest, uint8_t* const* destRows, TResampleFilter filter,
                                int32_t transparency, bool reuseRows, bool useAlpha, int32_t srcX,
                                int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t destX,
                                int32_t destY, int32_t destWidth, int32_t destHeight, const win::TRect* clip,
                                const int32_t* rowIndex, const int32_t* columnIndex) {
    if (!dest || dest->GetPixelFormat() != vcl::pf24bit || destWidth <= 0 || destHeight <= 0 ||
        srcWidth <= 0 || srcHeight <= 0 || FPixelFormat == ikbfNone || FRowLength <= 0)
        return;
    transparency = std::clamp(transparency, 0, 255);
    const bool withAlpha = useAlpha && FAlphaChannel != nullptr;

    if (filter != rfNone && (srcWidth != destWidth || srcHeight != destHeight)) {
        TIKBitmap zoomed;
        zoomed.SetStorageKind(ikbsMemory);
        zoomed.Allocate(destWidth, destHeight, ikbf24Bit);
        if (srcWidth < destWidth || FPixelFormat != ikbf1Bit || withAlpha) {
            TIKBitmap part;
            part.SetStorageKind(ikbsMemory);
            part.Allocate(srcWidth, srcHeight, FPixelFormat);
            CopyRegionTo(&part, srcX, srcY, srcWidth, srcHeight, 0, 0);
            if (FPalette && part.FPalette)
                std::copy_n(FPalette.get(), std::min(FPaletteCount, part.FPaletteCount), part.FPalette.get());
            if (FPixelFormat == ikbf1Bit) {
                IKResampleBilevelToGray(&part, &zoomed, filter);
            } else {
                // Paletted and gray images are resampled in colour.
                part.SetPixelFormat(ikbf24Bit);
                IKResampleBitmap(&part, &zoomed, filter, nullptr, {});
            }
            if (withAlpha) {
                TIKBitmap* alpha = part.GetAlphaChannel();
                FAlphaChannel->CopyRegionTo(alpha, srcX, srcY, srcWidth, srcHeight, 0, 0);
                IKResampleAlpha(alpha, zoomed.GetAlphaChannel(), filter);
                zoomed.GetAlphaChannel()->SetFull(FAlphaChannel->GetFull());
            }
        } else {
            // A one-bit image shrunk horizontally: gray levels by box averaging.
            IKScaleBilevelBox(this, srcX, srcY, &zoomed, srcY + srcHeight - 1, srcX + srcWidth - 1);
        }
        zoomed.RenderToTBitmap(dest, destRows, rfNone, transparency, reuseRows, useAlpha, 0, 0, destWidth,
                               destHeight, destX, destY, destWidth, destHeight, clip, nullptr, nullptr);
        return;
    }
    if (FPixelFormat != ikbf1Bit && FPixelFormat != ikbf24Bit)
        return; // drawn only through the resampling path

    const int32_t dw = dest->GetWidth(), dh = dest->GetHeight();
    auto rowAt = [&](int32_t y) { return destRows ? destRows[y] : static_cast<uint8_t*>(dest->ScanLine(y)); };
    const int64_t rowStep = int64_t(double(srcHeight) / destHeight * 16384);
    const int64_t colStep = int64_t(double(srcWidth) / destWidth * 16384);
    const int32_t clipLeft = clip ? clip->Left : -RenderUnbounded,
                  clipTop = clip ? clip->Top : -RenderUnbounded;
    const int32_t clipRight = clip ? clip->Right : RenderUnbounded,
                  clipBottom = clip ? clip->Bottom : RenderUnbounded;
    const int32_t x0 = std::max({clipLeft, destX, 0});
    const int32_t x1 = int32_t(std::min<int64_t>({clipRight, int64_t(destX) + destWidth - 1, dw - 1}));
    const int32_t y0 = std::max({clipTop, destY, 0});
    const int32_t y1 = int32_t(std::min<int64_t>({clipBottom, int64_t(destY) + destHeight - 1, dh - 1}));
    if (x1 < x0 || y1 < y0)
        return;

    TIKBitmap* alpha = useAlpha && FAlphaChannel && !FAlphaChannel->GetFull() ? FAlphaChannel.get() : nullptr;
    const bool blend = transparency < 255 || alpha;
    const bool unzoomed = rowStep == 16384 && colStep == 16384;

    // Source column of each written column, source row of each written row; -1 outside the image.
    std::vector<int32_t> cols(size_t(x1 - x0 + 1));
    for (int32_t x = x0; x <= x1; ++x) {
        const int64_t sx =
            columnIndex ? columnIndex[x - destX] : srcX + ((int64_t(x - destX) * colStep) >> 14);
        cols[size_t(x - x0)] = sx >= 0 && sx < FWidth ? int32_t(sx) : -1;
    }
    auto sourceRow = [&](int32_t y) -> int32_t {
        const int64_t sy = rowIndex ? rowIndex[y - destY] : srcY + ((rowStep * (y - destY)) >> 14);
        return sy >= 0 && sy < FHeight ? int32_t(sy) : -1;
    };

    std::vector<uint8_t> line(static_cast<size_t>(FRowLength)),
        alphaLine(alpha ? size_t(alpha->RowLength()) : 0);
    int32_t previous = INT32_MIN;
    uint8_t* previousRow = nullptr;
    const size_t destRowBytes = size_t(IKRowLength(dw, 24));
    for (int32_t y = y0; y <= y1; ++y) {
        const int32_t sy = sourceRow(y);
        uint8_t* out = rowAt(y);
        if (reuseRows && sy == previous && previousRow) {
            std::memcpy(out, previousRow, destRowBytes);
            previousRow = out;
            continue;
        }
        previous = sy;
        previousRow = out;
        if (sy < 0)
            continue;
        std::memcpy(line.data(), ScanLine(sy), line.size());
        if (alpha)
            std::memcpy(alphaLine.data(), alpha->ScanLine(sy), alphaLine.size());
        if (FPixelFormat == ikbf24Bit && unzoomed && !blend && !columnIndex) {
            // One copy for the row: the source columns run alongside the written ones.
            const int64_t first = int64_t(x0) + srcX - destX;
            const int64_t from = std::max<int64_t>(first, 0),
                          to = std::min<int64_t>(first + (x1 - x0), FWidth - 1);
            if (from <= to)
                std::memcpy(out + 3 * size_t(x0 + (from - first)), line.data() + 3 * size_t(from),
                            size_t(to - from + 1) * 3);
            continue;
        }
        for (int32_t x = x0; x <= x1; ++x) {
            const int32_t sx = cols[size_t(x - x0)];
            if (sx < 0)
                continue;
            uint8_t* d = out + 3 * size_t(x);
            const int32_t a = alpha ? std::min<int32_t>(transparency, alphaLine[size_t(sx)]) : transparency;
            if (FPixelFormat == ikbf1Bit) {
                const int32_t target = IKTestBit(line.data(), sx) ? 255 : 0;
                if (!blend) {
                    d[0] = d[1] = d[2] = uint8_t(target);
                } else {
                    for (int32_t c = 0; c < 3; ++c)
                        d[c] = RenderBlend(d[c], target, a);
                }
            } else {
                const uint8_t* s = line.data() + 3 * size_t(sx);
                if (!blend) {
                    std::memcpy(d, s, 3);
                } else {
                    for (int32_t c = 0; c < 3; ++c)
                        d[c] = RenderBlend(d[c], s[c], a);
                }
            }
        }
    }
}

} // namespace imaging
