// Merging every colour table of a document into one global table of the most used colours.
#pragma once

#include "gif/GifColorMap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace gif {

// One entry of a colour table with how often its frames' pixels use it.
struct THistogramEntry {
    int32_t UseCount = 0; // -1 once pruned
    int32_t OldIndex = 0;
    int32_t NewIndex = 256; // 256 until the merge assigns one
    uint32_t Color = 0;     // R | G << 8 | B << 16
    // Set once the entry has been folded into an entry of the same colour.
    THistogramEntry* FoldedInto = nullptr;
};

// The usage of one colour table by the frames counted against it.
class THistogram {
public:
    explicit THistogram(TGifColorMap* colorMap);

    // Counts the frame's pixels; true when the frame is transparent and its transparent index occurs.
    bool CountFrame(TGifFrame* frame);
    // Counts one use of entry index that no pixel makes (the screen's background colour).
    void CountExtraUse(int32_t index);
    // Drops the unused entries from UsedEntries (most used first); returns how many are left.
    int32_t Prune();
    // Rewrites the counted frames' pixels and transparent indices to the entries' new indices.
    void RemapFrames(bool usesTransparency, uint8_t transparentIndex);

    TGifColorMap* GetColorMap() const { return FColorMap; }
    int32_t GetCount() const { return int32_t(FEntries.size()); }
    THistogramEntry& Entry(int32_t index) { return FEntries[size_t(index)]; }
    const std::vector<THistogramEntry*>& GetUsedEntries() const { return FUsedEntries; }
    const std::vector<TGifFrame*>& GetCountedFrames() const { return FCountedFrames; }

private:
    std::vector<THistogramEntry> FEntries;
    TGifColorMap* FColorMap;
    std::vector<THistogramEntry*> FUsedEntries;
    std::vector<TGifFrame*> FCountedFrames;
};

class TColorMapOptimizer {
public:
    explicit TColorMapOptimizer(TGifDocument* image);
    ~TColorMapOptimizer();

    // The whole merge: count, prune, fold equal colours, keep the most used, remap every frame.
    void Optimize();

    const std::vector<std::unique_ptr<THistogram>>& GetHistograms() const { return FHistograms; }
    int32_t GetNewCount() const { return FNewCount; }
    bool GetUsesTransparency() const { return FUsesTransparency; }
    uint8_t GetTransparentIndex() const { return FTransparentIndex; }

private:
    void CountColors();
    void FoldEqualColors();
    void BuildNewMap();
    void Install();

    TGifDocument* FImage;
    std::vector<std::unique_ptr<THistogram>> FHistograms;
    std::vector<THistogramEntry*> FMergedEntries;
    std::array<TGifRGB, 256> FNewMap{};
    int32_t FNewCount = 0;
    bool FUsesTransparency = false;
    uint8_t FTransparentIndex = 0;
    // The global table's histogram when it takes part, for the screen's background index.
    THistogram* FGlobalHistogram = nullptr;
};

} // namespace gif
