#include "imaging/core/IKPixelUtils.h"

#include "imaging/core/IKBitmap.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

int32_t IKCeil(long double x) {
    long double t = std::trunc(x);
    return int32_t(t) + (x - t > 0 ? 1 : 0);
}

int32_t IKFloor(long double x) {
    long double t = std::trunc(x);
    return int32_t(t) - (x - t < 0 ? 1 : 0);
}

int32_t IKColorToRGB(int32_t color) {
    // System colours have the high bit set and their index in the low byte.
    if (color >= 0)
        return color;
    return int32_t(win::GetSysColor(int(uint32_t(color) & 0xFF)) & 0xFFFFFF);
}

TIKColorTriple IKColorToTriple(int32_t color) {
    uint32_t c = uint32_t(IKColorToRGB(color));
    return TIKColorTriple{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
}

void IKSortRectCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (x1 > x2)
        IKSwapInt(x1, x2);
    if (y1 > y2)
        IKSwapInt(y1, y2);
}

void IKSwapPaletteRedBlue(void* palette, int32_t count) {
    uint8_t* p = static_cast<uint8_t*>(palette);
    for (int32_t i = 0; i < count; ++i, p += 3)
        std::swap(p[0], p[2]);
}

void IKSwapRowRedBlue(void* row, int32_t count) {
    IKSwapPaletteRedBlue(row, count);
}

void IKCopyBitRange(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t srcBit, int32_t bitCount,
                    int32_t srcLength) {
    if (bitCount < 1 || destBit < 0 || srcBit < 0)
        return;
    auto srcByte = [&](int64_t i) -> uint8_t { return i < srcLength ? source[i] : 0; };
    auto srcBitAt = [&](int64_t bit) -> bool { return srcByte(bit >> 3) & IKBitMask[bit & 7]; };
    int64_t d = destBit, s = srcBit, n = bitCount;
    // A copy within one row that moves bits right must run from the end.
    if (dest == source && d > s) {
        for (int64_t i = n - 1; i >= 0; --i)
            IKPutBit(dest, int32_t(d + i), srcBitAt(s + i));
        return;
    }
    for (; n > 0 && (d & 7); ++d, ++s, --n)
        IKPutBit(dest, int32_t(d), srcBitAt(s));
    const int shift = int(s & 7);
    for (; n >= 8; d += 8, s += 8, n -= 8) {
        int64_t b = s >> 3;
        dest[d >> 3] = shift ? uint8_t((srcByte(b) << shift) | (srcByte(b + 1) >> (8 - shift))) : srcByte(b);
    }
    for (; n > 0; ++d, ++s, --n)
        IKPutBit(dest, int32_t(d), srcBitAt(s));
}

void IKInvertBitmap(TIKBitmap* bitmap) {
    if (!bitmap || bitmap->RowLength() <= 0)
        return;
    for (int32_t y = 0; y < bitmap->Height(); ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t i = 0; i < bitmap->RowLength(); ++i)
            row[i] = uint8_t(~row[i]);
    }
    bitmap->SetFull(false);
}

void IKFlipBitmap(TIKBitmap* bitmap, int32_t direction) {
    if (!bitmap || bitmap->RowLength() <= 0 ||
        (bitmap->PixelFormat() != ikbf24Bit && bitmap->PixelFormat() != ikbf1Bit))
        return;
    const int32_t w = bitmap->Width(), h = bitmap->Height(), len = bitmap->RowLength();
    // Rows go through buffers: a mapped bitmap hands out one row at a time.
    std::vector<uint8_t> a(static_cast<size_t>(len)), b(static_cast<size_t>(len));
    if (direction == 0) {
        const int32_t pad = (8 - w % 8) % 8;
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = bitmap->ScanLine(y);
            std::memcpy(a.data(), row, size_t(len));
            if (bitmap->PixelFormat() == ikbf24Bit) {
                for (int32_t x = 0; x < w; ++x)
                    std::memcpy(&b[size_t(x) * 3], &a[size_t(w - 1 - x) * 3], 3);
                std::memcpy(row, b.data(), size_t(w) * 3);
            } else {
                const int32_t bytes = (w + 7) / 8;
                for (int32_t i = 0; i < bytes; ++i)
                    b[size_t(i)] = IKReversedBits[a[size_t(bytes - 1 - i)]];
                // The reversed row starts with the pad bits that lay beyond the last pixel.
                std::fill(a.begin(), a.end(), 0);
                IKCopyBitRange(a.data(), b.data(), 0, pad, w, len);
                std::memcpy(row, a.data(), size_t(bytes));
            }
        }
    } else if (direction == 1) {
        const size_t n = bitmap->PixelFormat() == ikbf24Bit ? size_t(w) * 3 : size_t(len);
        for (int32_t y = 0; y < h / 2; ++y) {
            std::memcpy(a.data(), bitmap->ScanLine(y), n);
            std::memcpy(b.data(), bitmap->ScanLine(h - 1 - y), n);
            std::memcpy(bitmap->ScanLine(h - 1 - y), a.data(), n);
            std::memcpy(bitmap->ScanLine(y), b.data(), n);
        }
    }
}

} // namespace imaging
