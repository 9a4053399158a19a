#include "imaging/io/IOCodecUtil.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKQuantizer.h"

#include <algorithm>
#include <cstring>

namespace imaging {

std::unique_ptr<TIKBitmap> IOCopyTo24Bit(TIKBitmap* source) {
    auto dest = std::make_unique<TIKBitmap>();
    const int32_t w = source->Width(), h = source->Height();
    dest->Allocate(w, h, ikbf24Bit);
    std::vector<uint8_t> row(size_t(std::max(source->RowLength(), 0)));
    const TIKBitmapFormat format = source->PixelFormat();
    for (int32_t y = 0; y < h; ++y) {
        // One row of each bitmap at a time: the source row is copied out first.
        std::memcpy(row.data(), source->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            TIKColorTriple c{};
            switch (format) {
            case ikbf1Bit:
                c = IKTestBit(row.data(), x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
                break;
            case ikbf8Bit:
                c = source->PaletteEntry(row[size_t(x)]);
                break;
            case ikbf8BitGray:
                c = {row[size_t(x)], row[size_t(x)], row[size_t(x)]};
                break;
            case ikbf16BitGray:
                c = {row[size_t(x) * 2 + 1], row[size_t(x) * 2 + 1], row[size_t(x) * 2 + 1]};
                break;
            case ikbf24Bit:
                c = {row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]};
                break;
            default:
                break;
            }
            out[x * 3] = c.B;
            out[x * 3 + 1] = c.G;
            out[x * 3 + 2] = c.R;
        }
    }
    return dest;
}

std::unique_ptr<TIKBitmap> IOCopyToOneBit(TIKBitmap* source) {
    std::unique_ptr<TIKBitmap> color;
    TIKBitmap* src = source;
    if (source->PixelFormat() != ikbf24Bit) {
        color = IOCopyTo24Bit(source);
        src = color.get();
    }
    auto dest = std::make_unique<TIKBitmap>();
    const int32_t w = src->Width(), h = src->Height();
    dest->Allocate(w, h, ikbf1Bit);
    std::vector<uint8_t> row(size_t(std::max(src->RowLength(), 0)));
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), src->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const TIKColorTriple c{row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]};
            IKPutBit(out, x, IKTripleGrayLevel(c) >= 128);
        }
    }
    return dest;
}

std::unique_ptr<TIKBitmap> IOTwoColorBitmap(TIKBitmap* source24, TIKColorTriple& color0,
                                            TIKColorTriple& color1) {
    if (source24->PixelFormat() != ikbf24Bit)
        return nullptr;
    const int32_t w = source24->Width(), h = source24->Height();
    uint32_t colors[2] = {};
    int32_t found = 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = source24->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = IKPackTriple({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]});
            if ((found > 0 && c == colors[0]) || (found > 1 && c == colors[1]))
                continue;
            if (found == 2)
                return nullptr;
            colors[found++] = c;
        }
    }
    if (found != 2)
        return nullptr;
    // The darker colour takes the clear bits.
    if (IKTripleGrayLevel(colors[1]) < IKTripleGrayLevel(colors[0]))
        std::swap(colors[0], colors[1]);
    color0 = IKUnpackTriple(colors[0]);
    color1 = IKUnpackTriple(colors[1]);
    auto dest = std::make_unique<TIKBitmap>();
    dest->Allocate(w, h, ikbf1Bit);
    std::vector<uint8_t> row(size_t(source24->RowLength()));
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), source24->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x)
            IKPutBit(out, x,
                     IKPackTriple({row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]}) ==
                         colors[1]);
    }
    return dest;
}

int32_t IONearestIndex(const TIKColorTriple* palette, int32_t count, TIKColorTriple color) {
    int32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t dr = int32_t(palette[i].R) - color.R, dg = int32_t(palette[i].G) - color.G,
                      db = int32_t(palette[i].B) - color.B;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

// ---- Palette ---------------------------------------------------------------------------------------------

struct TIOPalette::TImpl {
    static constexpr int32_t CacheBits = 16;
    std::unique_ptr<TIKQuantizer> Quantizer;
    // Colours looked up lately, direct-mapped: the packed colour plus one (0 marks a free slot), its index.
    std::vector<uint32_t> CacheKeys = std::vector<uint32_t>(size_t(1) << CacheBits, 0);
    std::vector<uint8_t> CacheIndexes = std::vector<uint8_t>(size_t(1) << CacheBits, 0);
};

TIOPalette::TIOPalette(TIKBitmap* source24, int32_t maxColors) : FImpl(std::make_unique<TImpl>()) {
    maxColors = std::clamp(maxColors, 2, 256);
    FColors.assign(size_t(maxColors), TIKColorTriple{});
    FImpl->Quantizer =
        std::make_unique<TIKQuantizer>(source24, std::span<TIKColorTriple>(FColors), maxColors, -1, 0);
}

TIOPalette::~TIOPalette() = default;

int32_t TIOPalette::Index(TIKColorTriple color) const {
    const uint32_t key = IKPackTriple(color) + 1;
    const uint32_t slot = (key * 2654435761u) >> (32 - TImpl::CacheBits);
    if (FImpl->CacheKeys[slot] == key)
        return FImpl->CacheIndexes[slot];
    int32_t index = FImpl->Quantizer->RGBIndex(color);
    // A colour the quantizer does not know (not from its image) takes the nearest entry.
    if (index < 0 || index >= int32_t(FColors.size()))
        index = IONearestIndex(FColors.data(), int32_t(FColors.size()), color);
    FImpl->CacheKeys[slot] = key;
    FImpl->CacheIndexes[slot] = uint8_t(index);
    return index;
}

} // namespace imaging
