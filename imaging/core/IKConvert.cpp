// Pixel-format conversion of TIKBitmap in place.
#include "imaging/core/IKBitmap.h"

#include "imaging/core/IKColorReduce.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKQuantizer.h"

#include <cstring>
#include <vector>

namespace imaging {

namespace {

// ((R x 256) x 212 + (G x 256) x 713 + (B x 256) x 75) div 1000: 0..65280.
uint16_t ConvertGray16(TIKColorTriple c) {
    return uint16_t((uint32_t(c.R) * 256u * 212u + uint32_t(c.G) * 256u * 713u + uint32_t(c.B) * 256u * 75u) /
                    1000u);
}

void ConvertPut16(uint8_t* row, int32_t x, uint32_t v) {
    row[2 * x] = uint8_t(v);
    row[2 * x + 1] = uint8_t(v >> 8);
}

void ConvertPutTriple(uint8_t* row, int32_t x, TIKColorTriple c) {
    std::memcpy(row + 3 * x, &c, 3);
}

void ConvertGrayRamp(TIKBitmap* bitmap) {
    for (int32_t i = 0; i < bitmap->PaletteCount() && i < 256; ++i)
        bitmap->Palette()[i] = TIKColorTriple{uint8_t(i), uint8_t(i), uint8_t(i)};
}

// Ordered dither of any source with gray levels to one bit.
void ConvertDither(TIKBitmap* source, TIKBitmap* dest) {
    const int32_t width = source->Width();
    std::vector<uint8_t> bits(size_t(dest->RowLength()));
    for (int32_t y = 0; y < source->Height(); ++y) {
        std::fill(bits.begin(), bits.end(), 0);
        const uint8_t* s = source->ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            bool set;
            switch (source->PixelFormat()) {
            case ikbf8Bit:
                set = IKDitherBit8(IKTripleGrayLevel(source->PaletteEntry(s[x])), x, y);
                break;
            case ikbf8BitGray:
                set = IKDitherBit8(s[x], x, y);
                break;
            case ikbf16BitGray:
                set = IKDitherBit16(s[2 * x] | s[2 * x + 1] << 8, x, y);
                break;
            default:
                set = IKDitherBit8(IKTripleGrayLevel(TIKColorTriple{s[3 * x], s[3 * x + 1], s[3 * x + 2]}), x,
                                   y);
                break;
            }
            if (set)
                bits[size_t(x >> 3)] |= IKBitMask[x & 7];
        }
        std::memcpy(dest->ScanLine(y), bits.data(), bits.size());
    }
}

// One row of old (in its format) into row d of the new format; the one-bit and paletted targets are
// handled by the caller.
void ConvertRow(TIKBitmap* old, const uint8_t* s, uint8_t* d, TIKBitmapFormat to, int32_t width) {
    const TIKBitmapFormat from = old->PixelFormat();
    for (int32_t x = 0; x < width; ++x) {
        // Every source pixel as a colour, a gray level and a 16-bit level.
        TIKColorTriple c;
        uint8_t gray;
        uint32_t gray16;
        switch (from) {
        case ikbf1Bit:
            gray = IKTestBit(s, x) ? 255 : 0;
            c = TIKColorTriple{gray, gray, gray};
            gray16 = gray ? 65535 : 0;
            break;
        case ikbf8Bit:
            c = old->PaletteEntry(s[x]);
            gray = uint8_t(IKTripleGrayLevel(c));
            gray16 = ConvertGray16(c);
            break;
        case ikbf8BitGray:
            gray = s[x];
            c = TIKColorTriple{gray, gray, gray};
            gray16 = uint32_t(gray) * 256u;
            break;
        case ikbf16BitGray:
            gray16 = uint32_t(s[2 * x]) | uint32_t(s[2 * x + 1]) << 8;
            gray = uint8_t(gray16 >> 8);
            c = TIKColorTriple{gray, gray, gray};
            break;
        default:
            c = TIKColorTriple{s[3 * x], s[3 * x + 1], s[3 * x + 2]};
            gray = uint8_t(IKTripleGrayLevel(c));
            gray16 = ConvertGray16(c);
            break;
        }
        switch (to) {
        case ikbf8BitGray:
            d[x] = gray;
            break;
        case ikbf16BitGray:
            ConvertPut16(d, x, gray16);
            break;
        case ikbf24Bit:
            ConvertPutTriple(d, x, c);
            break;
        default:
            break;
        }
    }
}

} // namespace

void TIKBitmap::SetPixelFormat(TIKBitmapFormat format) {
    if (format != FPixelFormat)
        ConvertTo(format);
}

void TIKBitmap::ConvertTo(TIKBitmapFormat format) {
    if (format > ikbf24Bit || format == FPixelFormat)
        return; // an unchanged format keeps its pixels (and the alpha channel)
    if (FStorage == ikbsGuiBitmap) {
        // A GUI bitmap is converted through memory storage and takes the result back, so that the wrapped
        // bitmap's layout always matches the reported format (GUI bitmaps hold 16-bit gray as 8 bits).
        TIKBitmap work;
        work.FStorage = ikbsMemory;
        work.FMemoryThreshold = FMemoryThreshold;
        work.FBilevelMethod = FBilevelMethod;
        work.CopyImage(this);
        work.ConvertTo(format);
        CopyImage(&work);
        return;
    }
    TIKBitmap old;
    old.FMemoryThreshold = FMemoryThreshold;
    MoveContentTo(&old);
    FIsAlphaChannel = old.FIsAlphaChannel;
    Allocate(old.FWidth, old.FHeight, format);
    old.FAlphaChannel.reset();
    const int32_t width = FWidth, height = FHeight;
    if (old.FPixelFormat != ikbfNone && FRowLength > 0 && width > 0) {
        switch (format) {
        case ikbf1Bit:
            if (FBilevelMethod == 0)
                ConvertDither(&old, this);
            else
                IKThresholdBitmap(&old, this, IKThresholdAverage, nullptr);
            break;
        case ikbf8Bit:
            if (old.FPixelFormat == ikbf1Bit) {
                FPalette[0] = TIKColorTriple{0, 0, 0};
                FPalette[1] = TIKColorTriple{255, 255, 255};
                for (int32_t y = 0; y < height; ++y) {
                    const uint8_t* s = old.ScanLine(y);
                    uint8_t* d = ScanLine(y);
                    for (int32_t x = 0; x < width; ++x)
                        d[x] = IKTestBit(s, x) ? 1 : 0;
                }
            } else if (old.FPixelFormat == ikbf8BitGray || old.FPixelFormat == ikbf16BitGray) {
                ConvertGrayRamp(this);
                for (int32_t y = 0; y < height; ++y) {
                    const uint8_t* s = old.ScanLine(y);
                    uint8_t* d = ScanLine(y);
                    if (old.FPixelFormat == ikbf8BitGray)
                        std::memcpy(d, s, size_t(width));
                    else
                        for (int32_t x = 0; x < width; ++x)
                            d[x] = s[2 * x + 1];
                }
            } else {
                std::vector<TIKColorTriple> map(256);
                TIKQuantizer quantizer(&old, map, 256, -1, 0);
                std::copy(map.begin(), map.end(), FPalette.get());
                for (int32_t y = 0; y < height; ++y) {
                    const uint8_t* s = old.ScanLine(y);
                    uint8_t* d = ScanLine(y);
                    for (int32_t x = 0; x < width; ++x) {
                        const int32_t i =
                            quantizer.RGBIndex(TIKColorTriple{s[3 * x], s[3 * x + 1], s[3 * x + 2]});
                        d[x] = uint8_t(i < 0 ? 0 : i);
                    }
                }
            }
            break;
        default:
            for (int32_t y = 0; y < height; ++y) {
                const uint8_t* s = old.ScanLine(y);
                ConvertRow(&old, s, ScanLine(y), format, width);
            }
            break;
        }
    }
    UpdateTBitmapPalette();
}

} // namespace imaging
