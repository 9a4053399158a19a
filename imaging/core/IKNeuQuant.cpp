#include "imaging/core/IKNeuQuant.h"

#include "imaging/core/IKBitmap.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace imaging {

namespace {

// Fixed-point scales of the network.
constexpr int32_t NeuQuantColorShift = 4;    // colours carried x 16 while learning
constexpr int32_t NeuQuantIntBiasShift = 16; // bias and frequency scale 65536
constexpr int32_t NeuQuantGammaShift = 10;   // gamma 1024
constexpr int32_t NeuQuantBetaShift = 10;    // beta 1/1024
constexpr int32_t NeuQuantBeta = (1 << NeuQuantIntBiasShift) >> NeuQuantBetaShift; // 64
constexpr int32_t NeuQuantBetaGamma = (1 << NeuQuantIntBiasShift) << (NeuQuantGammaShift - NeuQuantBetaShift);
constexpr int32_t NeuQuantInitAlpha = 1 << 10; // alpha 1.0 with 10 fraction bits
constexpr int32_t NeuQuantRadiusBiasShift = 6;
constexpr int32_t NeuQuantRadBiasShift = 8;   // radius-power scale 256
constexpr int32_t NeuQuantAlphaRadShift = 18; // neighbour divisor 262144
constexpr int32_t NeuQuantRadiusDec = 30;
constexpr int32_t NeuQuantCycles = 100;
constexpr int32_t NeuQuantPrimes[4] = {499, 491, 487, 503};

// The answer cache: a colour's 24 bits are mixed by an odd multiplier (a one-to-one map of 24-bit
// numbers); the top bits of the mix choose the slot, and the word keeps the others beside the index, so
// that a word names exactly one colour.
constexpr int32_t NeuQuantCacheBits = 16;
constexpr uint32_t NeuQuantCacheMix = 0x9E3779u | 1u;
constexpr uint32_t NeuQuantCacheValid = 0x80000000u;
constexpr int32_t NeuQuantCacheTagShift = 16; // tag bits above the index's 16 bits

// The cubes of the candidate lists: 8 x 8 x 8 colours each.
constexpr int32_t NeuQuantCellShift = 3;
constexpr int32_t NeuQuantCellSide = 256 >> NeuQuantCellShift;
constexpr size_t NeuQuantCellPoolBlock = 1 << 16; // list entries a pool block holds

} // namespace

int32_t NeuQuantSampleFactor(int64_t pixels) {
    if (pixels < 2000)
        return 1;
    const double f = std::nearbyint((double(pixels) * 13.0 - 26000.0) / 148000.0 + 2.0);
    return int32_t(std::clamp(f, 1.0, 30.0));
}

int32_t NeuQuantQualityFactor(int32_t quality, int64_t pixels) {
    if (quality == -1)
        return NeuQuantSampleFactor(pixels);
    quality = std::clamp(quality, 0, 100);
    return std::clamp(int32_t(std::trunc((100.0 - quality) / 100.0 * 29.0)) + 1, 1, 30);
}

NeuQuantNet::NeuQuantNet(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol,
                         int32_t sampleFac) {
    FNetSize = std::max<int32_t>(1, int32_t(std::min<int64_t>(nCol, int64_t(colorMap.size()))));
    FMaxNetPos = FNetSize - 1;
    FInitRad = FNetSize / 8;
    FInitRadius = FInitRad << NeuQuantRadiusBiasShift;
    FSampleFac = std::clamp(sampleFac, 1, 30);
    FNetwork.resize(size_t(FNetSize));
    FBias.assign(size_t(FNetSize), 0);
    FFreq.assign(size_t(FNetSize), (1 << NeuQuantIntBiasShift) / FNetSize);
    FRadPower.assign(size_t(std::max(FInitRad, 1)), 0);
    for (int32_t i = 0; i < FNetSize; ++i) {
        const int32_t v = int32_t((int64_t(i) << (NeuQuantColorShift + 8)) / FNetSize);
        FNetwork[size_t(i)] = {v, v, v, 0};
    }
    if (bitmap && bitmap->PixelFormat() == ikbf24Bit && bitmap->Width() > 0 && bitmap->Height() > 0)
        Learn(bitmap);
    for (int32_t i = 0; i < FNetSize; ++i) {
        Neuron& n = FNetwork[size_t(i)];
        n.B >>= NeuQuantColorShift;
        n.G >>= NeuQuantColorShift;
        n.R >>= NeuQuantColorShift;
        n.Index = i;
        if (!colorMap.empty())
            colorMap[size_t(i)] =
                TIKColorTriple{uint8_t(std::clamp(n.B, 0, 255)), uint8_t(std::clamp(n.G, 0, 255)),
                               uint8_t(std::clamp(n.R, 0, 255))};
    }
    BuildIndex();
    // The fast answers need every neuron inside the colour cube and indexes that fit their words.
    bool inside = FNetSize < 0x10000;
    for (const Neuron& n : FNetwork)
        inside = inside && ((n.B | n.G | n.R) & ~0xFF) == 0;
    if (inside) {
        FCache = std::make_unique<std::atomic<uint32_t>[]>(size_t(1) << NeuQuantCacheBits);
        FCells = std::make_unique<std::atomic<const uint16_t*>[]>(
            size_t(NeuQuantCellSide) * NeuQuantCellSide * NeuQuantCellSide);
        FPlanes.resize(3 * size_t(FNetSize));
        for (int32_t i = 0; i < FNetSize; ++i) {
            FPlanes[size_t(i)] = uint8_t(FNetwork[size_t(i)].B);
            FPlanes[size_t(FNetSize + i)] = uint8_t(FNetwork[size_t(i)].G);
            FPlanes[size_t(2 * FNetSize + i)] = uint8_t(FNetwork[size_t(i)].R);
        }
    }
}

void NeuQuantNet::ComputeRadPower(int32_t rad, int32_t alpha) {
    const int32_t rad2 = rad * rad;
    for (int32_t m = 0; m < rad && m < int32_t(FRadPower.size()); ++m)
        FRadPower[size_t(m)] = alpha * (((rad2 - m * m) << NeuQuantRadBiasShift) / rad2);
}

void NeuQuantNet::Learn(TIKBitmap* bitmap) {
    const int32_t width = bitmap->Width();
    const int64_t pixels = int64_t(width) * bitmap->Height();
    FLengthCount = pixels * 3;
    FAlphaDec = 30 + (FSampleFac - 1) / 3;
    const int64_t samplePixels = FLengthCount / (3 * int64_t(FSampleFac));
    int64_t delta = samplePixels / NeuQuantCycles;
    if (delta == 0)
        delta = 1;
    int32_t alpha = NeuQuantInitAlpha;
    int32_t radius = FInitRadius;
    int32_t rad = radius >> NeuQuantRadiusBiasShift;
    if (rad <= 1)
        rad = 0;
    ComputeRadPower(rad, alpha);
    FStep = NeuQuantPrimes[3];
    for (int32_t k = 0; k < 3; ++k)
        if (FLengthCount % NeuQuantPrimes[k] != 0) {
            FStep = NeuQuantPrimes[k];
            break;
        }
    // Positions count pixels and wrap modulo the pixel count, so a stride longer than a small image still
    // lands inside it.
    const int64_t step = FStep % pixels;
    int64_t pos = 0;
    for (int64_t k = 1; k <= samplePixels; ++k) {
        const uint8_t* p = bitmap->ScanLine(int32_t(pos / width)) + 3 * (pos % width);
        const int32_t b = p[0] << NeuQuantColorShift, g = p[1] << NeuQuantColorShift,
                      r = p[2] << NeuQuantColorShift;
        const int32_t j = Contest(b, g, r);
        AlterSingle(alpha, j, b, g, r);
        if (rad != 0)
            AlterNeighbours(rad, j, b, g, r);
        pos += step;
        if (pos >= pixels)
            pos -= pixels;
        ++FSamplesRead;
        if (k % delta == 0) {
            alpha -= alpha / FAlphaDec;
            radius -= radius / NeuQuantRadiusDec;
            rad = radius >> NeuQuantRadiusBiasShift;
            if (rad <= 1)
                rad = 0;
            ComputeRadPower(rad, alpha);
        }
    }
}

int32_t NeuQuantNet::Contest(int32_t b, int32_t g, int32_t r) {
    int32_t bestd = INT32_MAX, bestbiasd = INT32_MAX;
    int32_t bestpos = -1, bestbiaspos = -1;
    for (int32_t i = 0; i < FNetSize; ++i) {
        const Neuron& n = FNetwork[size_t(i)];
        const int32_t dist = std::abs(n.B - b) + std::abs(n.G - g) + std::abs(n.R - r);
        if (dist < bestd) {
            bestd = dist;
            bestpos = i;
        }
        // The bias, scaled 65536, shifted to the colour scale with its sign (a floor division).
        const int32_t biasdist = dist - (FBias[size_t(i)] >> (NeuQuantIntBiasShift - NeuQuantColorShift));
        if (biasdist < bestbiasd) {
            bestbiasd = biasdist;
            bestbiaspos = i;
        }
        const int32_t betafreq = FFreq[size_t(i)] >> NeuQuantBetaShift;
        FFreq[size_t(i)] -= betafreq;
        FBias[size_t(i)] += betafreq << NeuQuantGammaShift;
    }
    FFreq[size_t(bestpos)] += NeuQuantBeta;
    FBias[size_t(bestpos)] -= NeuQuantBetaGamma;
    return bestbiaspos;
}

void NeuQuantNet::AlterSingle(int32_t alpha, int32_t i, int32_t b, int32_t g, int32_t r) {
    Neuron& n = FNetwork[size_t(i)];
    n.B -= int32_t(int64_t(alpha) * (n.B - b) / NeuQuantInitAlpha);
    n.G -= int32_t(int64_t(alpha) * (n.G - g) / NeuQuantInitAlpha);
    n.R -= int32_t(int64_t(alpha) * (n.R - r) / NeuQuantInitAlpha);
}

void NeuQuantNet::AlterNeighbours(int32_t rad, int32_t i, int32_t b, int32_t g, int32_t r) {
    const int32_t lo = std::max(i - rad, -1), hi = std::min(i + rad, FNetSize);
    int32_t j = i + 1, k = i - 1, m = 1;
    constexpr int64_t divisor = int64_t(1) << NeuQuantAlphaRadShift;
    auto move = [&](Neuron& n, int64_t a) {
        n.B -= int32_t(a * (n.B - b) / divisor);
        n.G -= int32_t(a * (n.G - g) / divisor);
        n.R -= int32_t(a * (n.R - r) / divisor);
    };
    while ((j < hi || k > lo) && m < int32_t(FRadPower.size())) {
        const int64_t a = FRadPower[size_t(m++)];
        if (j < hi)
            move(FNetwork[size_t(j++)], a);
        if (k > lo)
            move(FNetwork[size_t(k--)], a);
    }
}

void NeuQuantNet::BuildIndex() {
    int32_t previous = 0, start = 0;
    for (int32_t i = 0; i < FNetSize; ++i) {
        int32_t smallpos = i, smallval = FNetwork[size_t(i)].G;
        for (int32_t j = i + 1; j < FNetSize; ++j)
            if (FNetwork[size_t(j)].G < smallval) {
                smallpos = j;
                smallval = FNetwork[size_t(j)].G;
            }
        if (smallpos != i)
            std::swap(FNetwork[size_t(i)], FNetwork[size_t(smallpos)]);
        smallval = std::clamp(smallval, 0, 255);
        if (smallval != previous) {
            FNetIndex[previous] = (start + i) >> 1;
            for (int32_t j = previous + 1; j < smallval; ++j)
                FNetIndex[j] = i;
            previous = smallval;
            start = i;
        }
    }
    FNetIndex[previous] = (start + FMaxNetPos) >> 1;
    for (int32_t j = previous + 1; j < 256; ++j)
        FNetIndex[j] = FMaxNetPos;
}

int32_t NeuQuantNet::Search(int32_t b, int32_t g, int32_t r) const {
    if (!FCache || ((b | g | r) & ~0xFF) != 0)
        return SearchNearest(b, g, r);
    const uint32_t key = ((uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b)) * NeuQuantCacheMix) & 0xFFFFFFu;
    const uint32_t slot = key >> (24 - NeuQuantCacheBits);
    const uint32_t tag = NeuQuantCacheValid | (key & ((1u << (24 - NeuQuantCacheBits)) - 1))
                                                  << NeuQuantCacheTagShift;
    std::atomic<uint32_t>& word = FCache[slot];
    const uint32_t cached = word.load(std::memory_order_relaxed);
    if ((cached & ~0xFFFFu) == tag)
        return int32_t(cached & 0xFFFFu);
    const int32_t index = SearchCandidates(b, g, r);
    word.store(tag | uint32_t(index), std::memory_order_relaxed);
    return index;
}

// SearchNearest visits the network (sorted by green) outwards from FNetIndex[g], up first, and keeps a
// neuron only when it is strictly nearer: its answer is the nearest neuron and, among equally near ones,
// the first in that order. Neurons it leaves unvisited are no nearer than one it visited. So the answer
// can be found among any set of neurons that holds every neuron as near as the nearest: the cube's list.
int32_t NeuQuantNet::SearchCandidates(int32_t b, int32_t g, int32_t r) const {
    const uint32_t cell = (uint32_t(r >> NeuQuantCellShift) * NeuQuantCellSide + uint32_t(g >> NeuQuantCellShift)) *
                              NeuQuantCellSide +
                          uint32_t(b >> NeuQuantCellShift);
    const uint16_t* list = FCells[cell].load(std::memory_order_acquire);
    if (!list)
        list = BuildCell(cell);
    const uint8_t* planeB = FPlanes.data();
    const uint8_t* planeG = planeB + FNetSize;
    const uint8_t* planeR = planeG + FNetSize;
    const int32_t start = FNetIndex[g];
    // The order of the visit: up from start at even steps, down from start - 1 at odd ones.
    uint32_t best = UINT32_MAX;
    const uint32_t count = list[0];
    for (uint32_t k = 1; k <= count; ++k) {
        const int32_t pos = list[k];
        const int32_t dist = std::abs(planeB[pos] - b) + std::abs(planeG[pos] - g) + std::abs(planeR[pos] - r);
        const int32_t rank = pos >= start ? 2 * (pos - start) : 2 * (start - pos) - 1;
        best = std::min(best, uint32_t(dist) << 18 | uint32_t(rank));
    }
    const int32_t rank = int32_t(best & ((1u << 18) - 1));
    const int32_t pos = (rank & 1) ? start - (rank + 1) / 2 : start + rank / 2;
    return FNetwork[size_t(pos)].Index;
}

// The neurons that can be nearest to a colour of the cube: the nearest lies within the smallest of the
// neurons' farthest distances from the cube, so only neurons whose nearest distance to the cube is within
// that can be it, or tie with it.
const uint16_t* NeuQuantNet::BuildCell(uint32_t cell) const {
    std::lock_guard<std::mutex> lock(FCellLock);
    if (const uint16_t* made = FCells[cell].load(std::memory_order_acquire))
        return made;
    constexpr int32_t side = 1 << NeuQuantCellShift;
    const int32_t lo[3] = {int32_t(cell % NeuQuantCellSide) * side,
                           int32_t(cell / NeuQuantCellSide % NeuQuantCellSide) * side,
                           int32_t(cell / NeuQuantCellSide / NeuQuantCellSide) * side};
    std::vector<int32_t> nearest(size_t(FNetSize), 0);
    int32_t bound = INT32_MAX;
    for (int32_t i = 0; i < FNetSize; ++i) {
        int32_t farthest = 0;
        for (int32_t c = 0; c < 3; ++c) {
            const int32_t v = FPlanes[size_t(c * FNetSize + i)], a = lo[c], z = lo[c] + side - 1;
            farthest += std::max(std::abs(v - a), std::abs(v - z));
            nearest[size_t(i)] += v < a ? a - v : v > z ? v - z : 0;
        }
        bound = std::min(bound, farthest);
    }
    size_t count = 0;
    for (int32_t i = 0; i < FNetSize; ++i)
        count += nearest[size_t(i)] <= bound;
    if (FCellPool.empty() || FCellPoolFree + count + 1 > NeuQuantCellPoolBlock) {
        FCellPool.push_back(std::make_unique<uint16_t[]>(std::max(NeuQuantCellPoolBlock, count + 1)));
        FCellPoolFree = 0;
    }
    uint16_t* list = FCellPool.back().get() + FCellPoolFree;
    FCellPoolFree += count + 1;
    list[0] = uint16_t(count);
    size_t k = 1;
    for (int32_t i = 0; i < FNetSize; ++i)
        if (nearest[size_t(i)] <= bound)
            list[k++] = uint16_t(i);
    FCells[cell].store(list, std::memory_order_release);
    return list;
}

int32_t NeuQuantNet::SearchNearest(int32_t b, int32_t g, int32_t r) const {
    g &= 0xFF;
    int32_t bestd = 1000, best = -1;
    int32_t i = FNetIndex[g], j = i - 1;
    auto consider = [&](const Neuron& n, int32_t d) {
        d = std::abs(d) + std::abs(n.B - b);
        if (d < bestd) {
            d += std::abs(n.R - r);
            if (d < bestd) {
                bestd = d;
                best = n.Index;
            }
        }
    };
    while (i < FNetSize || j >= 0) {
        if (i < FNetSize) {
            const Neuron& n = FNetwork[size_t(i)];
            const int32_t d = n.G - g;
            if (d >= bestd) {
                i = FNetSize;
            } else {
                ++i;
                consider(n, d);
            }
        }
        if (j >= 0) {
            const Neuron& n = FNetwork[size_t(j)];
            const int32_t d = g - n.G;
            if (d >= bestd) {
                j = -1;
            } else {
                --j;
                consider(n, d);
            }
        }
    }
    return best;
}

} // namespace imaging
