#include "imaging/core/IKMedianCut.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// Rounds half to even, as every rounding of this quantizer does.
int32_t MedianCutRound(double v) {
    return int32_t(std::nearbyint(v));
}

} // namespace

uint8_t MedianCutQuantizer::LevelToByte(double meanLevel) {
    return uint8_t(std::clamp(MedianCutRound(meanLevel * 255.0 / 31.0), 0, 255));
}

MedianCutQuantizer::MedianCutQuantizer(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol)
    : FHistogram(new int64_t[CellCount]()), FBoxes(new MedianCutBox[MaxBoxes]()),
      FLookup(new uint8_t[CellCount]()) {
    FNCol = std::clamp<int64_t>(std::min<int64_t>(nCol, int64_t(colorMap.size())), 1, MaxBoxes);
    if (colorMap.empty())
        FNCol = 0;
    CountPixels(bitmap);
    if (FNCol == 0 || FTotalPixels == 0)
        return;
    Run();
    for (int32_t i = 0; i < FBoxCount; ++i) {
        const MedianCutBox& box = FBoxes[size_t(i)];
        colorMap[size_t(i)] =
            IKMakeRGBTriple(LevelToByte(box.Mean[0]), LevelToByte(box.Mean[1]), LevelToByte(box.Mean[2]));
        for (int32_t r = box.Lo[0]; r < box.Hi[0]; ++r)
            for (int32_t g = box.Lo[1]; g < box.Hi[1]; ++g)
                for (int32_t b = box.Lo[2]; b < box.Hi[2]; ++b)
                    FLookup[size_t(r * 1024 + g * 32 + b)] = uint8_t(i);
    }
}

void MedianCutQuantizer::CountPixels(TIKBitmap* bitmap) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit || bitmap->Width() <= 0 || bitmap->Height() <= 0)
        return;
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    MedianCutBox& box = FBoxes[0];
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const int32_t r5 = p[2] >> 3, g5 = p[1] >> 3, b5 = p[0] >> 3;
            ++box.Hist[0][r5];
            ++box.Hist[1][g5];
            ++box.Hist[2][b5];
            ++FHistogram[size_t(r5 * 1024 + g5 * 32 + b5)];
        }
    }
    FTotalPixels = int64_t(width) * height;
}

void MedianCutQuantizer::Statistics(MedianCutBox& box) const {
    box.Variance = 0;
    if (box.Count == 0)
        return;
    const double count = double(box.Count);
    for (int32_t c = 0; c < 3; ++c) {
        double s1 = 0, s2 = 0;
        for (int32_t v = box.Lo[c]; v < box.Hi[c]; ++v) {
            const double h = double(box.Hist[c][v]);
            s1 += v * h;
            s2 += double(v) * v * h;
        }
        box.Mean[c] = s1 / count;
        box.Variance += s2 - box.Mean[c] * box.Mean[c] * count;
    }
    box.Variance /= double(FTotalPixels);
}

bool MedianCutQuantizer::SplitBox(const MedianCutBox& box, int32_t c, MedianCutBox& first,
                                  MedianCutBox& second) const {
    const int32_t lo = box.Lo[c], hi = box.Hi[c];
    if (lo + 1 >= hi)
        return false;
    const int32_t start = MedianCutRound((lo + box.Mean[c]) * 0.5);
    const int32_t stop = MedianCutRound((hi + box.Mean[c]) * 0.5);
    int64_t cum = 0;
    for (int32_t v = lo; v < start && v < hi; ++v)
        cum += box.Hist[c][v];
    double partial = 0, best = -1;
    int32_t cut = start;
    int64_t cutCount = box.Count;
    // Levels from hi on hold no pixels of the box: the walk never needs them.
    for (int32_t v = std::max(start, lo); v <= stop && v < hi; ++v) {
        cum += box.Hist[c][v];
        if (cum == box.Count)
            break;
        partial += double(v) * double(box.Hist[c][v]) / double(box.Count);
        const double d = box.Mean[c] - partial;
        const double score = double(cum) / double(box.Count - cum) * d * d;
        if (score > best) {
            best = score;
            cut = v;
            cutCount = cum;
        }
    }
    ++cut;
    first = box;
    second = box;
    first.Count = cutCount;
    second.Count = box.Count - cutCount;
    if (first.Count == 0 || second.Count == 0)
        return false;
    first.Hi[c] = cut;
    second.Lo[c] = cut;
    // The first half's marginals from the histogram; the second half keeps the rest.
    for (auto& h : first.Hist)
        std::fill(std::begin(h), std::end(h), 0);
    for (int32_t r = first.Lo[0]; r < first.Hi[0]; ++r)
        for (int32_t g = first.Lo[1]; g < first.Hi[1]; ++g) {
            const int64_t* cells = FHistogram.get() + r * 1024 + g * 32;
            for (int32_t b = first.Lo[2]; b < first.Hi[2]; ++b) {
                const int64_t n = cells[b];
                if (n == 0)
                    continue;
                first.Hist[0][r] += n;
                first.Hist[1][g] += n;
                first.Hist[2][b] += n;
                second.Hist[0][r] -= n;
                second.Hist[1][g] -= n;
                second.Hist[2][b] -= n;
            }
        }
    for (MedianCutBox* half : {&first, &second}) {
        for (int32_t ch = 0; ch < 3; ++ch) {
            int32_t l = half->Lo[ch], h = half->Hi[ch];
            while (l < h && half->Hist[ch][l] == 0)
                ++l;
            while (h > l && half->Hist[ch][h - 1] == 0)
                --h;
            half->Lo[ch] = l;
            half->Hi[ch] = h;
        }
        Statistics(*half);
    }
    return true;
}

bool MedianCutQuantizer::SplitBest(MedianCutBox& box, MedianCutBox& second) const {
    if (box.Variance == 0 || box.Count == 0) {
        box.Variance = 0;
        return false;
    }
    MedianCutBox firsts[3], seconds[3];
    int32_t bestChannel = -1;
    double bestScore = 0;
    for (int32_t c = 0; c < 3; ++c) {
        if (!SplitBox(box, c, firsts[c], seconds[c]))
            continue;
        const double score = firsts[c].Variance + seconds[c].Variance;
        if (bestChannel < 0 || score < bestScore) {
            bestChannel = c;
            bestScore = score;
        }
    }
    if (bestChannel < 0) {
        box.Variance = 0; // never picked again
        return false;
    }
    box = firsts[bestChannel];
    second = seconds[bestChannel];
    return true;
}

void MedianCutQuantizer::Run() {
    MedianCutBox& whole = FBoxes[0];
    for (int32_t c = 0; c < 3; ++c) {
        whole.Lo[c] = 0;
        whole.Hi[c] = 32;
    }
    whole.Count = FTotalPixels;
    Statistics(whole);
    int32_t n = 1;
    while (n < FNCol) {
        int32_t pick = -1;
        double largest = 0;
        for (int32_t i = 0; i < n; ++i)
            if (FBoxes[size_t(i)].Variance > largest) {
                largest = FBoxes[size_t(i)].Variance;
                pick = i;
            }
        if (pick < 0)
            break;
        if (SplitBest(FBoxes[size_t(pick)], FBoxes[size_t(n)]))
            ++n;
    }
    FBoxCount = n;
}

} // namespace imaging
