#include "imaging/core/IKQuantizer.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMedianCut.h"
#include "imaging/core/IKNeuQuant.h"

#include <algorithm>

namespace imaging {

namespace {

constexpr int32_t QuantizerMedianCutLimit = 128; // below this many colours median cut, else NeuQuant

uint32_t QuantizerHash(uint32_t packed, size_t mask) {
    return uint32_t((packed * 2654435761u) >> 8) & uint32_t(mask);
}

} // namespace

bool IKIsGrayBitmap(TIKBitmap* bitmap) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit)
        return false;
    const int32_t width = bitmap->Width();
    for (int32_t y = 0; y < bitmap->Height() && width > 0; ++y) {
        const uint8_t* p = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x, p += 3)
            if (p[0] != p[1] || p[1] != p[2])
                return false;
    }
    return true;
}

TIKQuantizer::TIKQuantizer(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol,
                           int32_t quality, int32_t /*method*/) {
    FNCol = int32_t(std::clamp<int64_t>(nCol, 0, int64_t(colorMap.size())));
    if (FNCol == 256 && IKIsGrayBitmap(bitmap)) {
        FGrayRamp = true;
        for (int32_t i = 0; i < 256; ++i)
            colorMap[size_t(i)] = IKMakeRGBTriple(uint8_t(i), uint8_t(i), uint8_t(i));
        return;
    }
    if (CollectExactPalette(bitmap)) {
        FExact = true;
        std::copy(FExactColors.begin(), FExactColors.end(), colorMap.begin());
        return;
    }
    if (FNCol < 1)
        return; // nothing to choose: every colour maps to 0 through the median cut's empty table
    if (FNCol >= QuantizerMedianCutLimit) {
        FEngine = qeNeuQuant;
        const int64_t pixels = int64_t(bitmap->Width()) * bitmap->Height();
        FNeuQuant =
            std::make_unique<NeuQuantNet>(bitmap, colorMap, FNCol, NeuQuantQualityFactor(quality, pixels));
    } else {
        FEngine = qeMedianCut;
        FMedianCut = std::make_unique<MedianCutQuantizer>(bitmap, colorMap, FNCol);
    }
}

TIKQuantizer::~TIKQuantizer() = default;

bool TIKQuantizer::CollectExactPalette(TIKBitmap* bitmap) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit)
        return false;
    size_t slots = 16;
    while (slots < size_t(std::max(FNCol, 1)) * 2)
        slots <<= 1;
    FExactKeys.assign(slots, 0);
    FExactIndexes.assign(slots, 0);
    FExactColors.clear();
    FExactColors.reserve(size_t(std::max(FNCol, 0)));
    const int32_t width = bitmap->Width();
    for (int32_t y = 0; y < bitmap->Height() && width > 0; ++y) {
        const uint8_t* p = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const uint32_t packed = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            size_t slot = QuantizerHash(packed, slots - 1);
            while (FExactKeys[slot] != 0 && FExactKeys[slot] != packed + 1)
                slot = (slot + 1) & (slots - 1);
            if (FExactKeys[slot] != 0)
                continue;
            if (int32_t(FExactColors.size()) >= FNCol) {
                FExactColors.clear();
                FExactKeys.clear();
                FExactIndexes.clear();
                return false;
            }
            FExactKeys[slot] = packed + 1;
            FExactIndexes[slot] = int32_t(FExactColors.size());
            FExactColors.push_back(TIKColorTriple{p[0], p[1], p[2]});
        }
    }
    return true;
}

int32_t TIKQuantizer::ExactIndex(uint32_t packed) const {
    const size_t mask = FExactKeys.size() - 1;
    for (size_t slot = QuantizerHash(packed, mask);; slot = (slot + 1) & mask) {
        if (FExactKeys[slot] == 0)
            return -1;
        if (FExactKeys[slot] == packed + 1)
            return FExactIndexes[slot];
    }
}

int32_t TIKQuantizer::RGBIndex(TIKColorTriple color) const {
    if (FExact)
        return ExactIndex(IKPackTriple(color));
    if (FGrayRamp)
        return color.R;
    if (FNeuQuant)
        return FNeuQuant->Search(color);
    if (FMedianCut)
        return FMedianCut->Lookup(color);
    return 0;
}

} // namespace imaging
