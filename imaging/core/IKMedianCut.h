// The median-cut quantizer: colours reduced to 5 bits per channel are counted in a 32 x 32 x 32 histogram,
// the colour cube is split into at most NCol boxes (each time the box of largest variance, along the
// channel and at the cut that leave the smallest variance), and the box means become the palette.
#pragma once

#include "imaging/core/IKHelpers.h"

#include <cstdint>
#include <memory>
#include <span>

namespace imaging {

class TIKBitmap;

// One box of the colour cube; channel 0 is red, 1 green, 2 blue, levels 0..31.
struct MedianCutBox {
    double Variance = 0; // squared error of the box divided by the image's pixel count
    double Mean[3] = {0, 0, 0};
    int64_t Count = 0;         // pixels in the box
    int64_t Hist[3][32] = {};  // marginal counts per channel and level
    int32_t Lo[3] = {0, 0, 0}; // the box covers levels Lo[c]..Hi[c]-1
    int32_t Hi[3] = {0, 0, 0};
};

class MedianCutQuantizer {
public:
    static constexpr int32_t MaxBoxes = 256;
    static constexpr int32_t CellCount = 32768;

    // Builds the palette of a 24-bit image: colorMap[0..BoxCount-1] are written, the other entries are left
    // as they are. nCol is limited to 1..256 and to the size of colorMap.
    MedianCutQuantizer(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol);

    // The box of the colour's 5-bit cell; 0 for a cell that lies in no box (a colour not in the image).
    int32_t Lookup(TIKColorTriple color) const { return FLookup[CellOf(color)]; }
    int32_t GetBoxCount() const { return FBoxCount; }
    const MedianCutBox& GetBox(int32_t index) const { return FBoxes[size_t(index)]; }
    int64_t GetTotalPixels() const { return FTotalPixels; }

    static constexpr int32_t CellOf(TIKColorTriple c) {
        return (c.R >> 3) * 1024 + (c.G >> 3) * 32 + (c.B >> 3);
    }
    // The 8-bit value of a mean 5-bit level: full intensity (31) gives 255.
    static uint8_t LevelToByte(double meanLevel);

private:
    void CountPixels(TIKBitmap* bitmap);
    void Run();
    void Statistics(MedianCutBox& box) const;
    bool SplitBox(const MedianCutBox& box, int32_t channel, MedianCutBox& first, MedianCutBox& second) const;
    bool SplitBest(MedianCutBox& box, MedianCutBox& second) const;

    std::unique_ptr<int64_t[]> FHistogram;
    std::unique_ptr<MedianCutBox[]> FBoxes;
    std::unique_ptr<uint8_t[]> FLookup;
    int64_t FTotalPixels = 0;
    int32_t FNCol = 0;
    int32_t FBoxCount = 0;
};

} // namespace imaging
