#include "gif/GifColorMapOptimizer.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Scope.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace gif {

namespace {

constexpr int32_t MergeMaxUseCount = std::numeric_limits<int32_t>::max();

int32_t MergeSaturatedAdd(int32_t a, int64_t b) {
    return int32_t(std::min<int64_t>(int64_t(a) + b, MergeMaxUseCount));
}

uint32_t MergeColorWord(const TGifRGB& rgb) {
    return uint32_t(rgb.Red) | uint32_t(rgb.Green) << 8 | uint32_t(rgb.Blue) << 16;
}

TGifRGB MergeWordToRGB(uint32_t word) {
    return {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)};
}

// How far apart two colours look, channel by channel.
int32_t MergeColorDistance(uint32_t a, uint32_t b) {
    return std::abs(int32_t(a & 0xFF) - int32_t(b & 0xFF)) +
           std::abs(int32_t((a >> 8) & 0xFF) - int32_t((b >> 8) & 0xFF)) +
           std::abs(int32_t((a >> 16) & 0xFF) - int32_t((b >> 16) & 0xFF));
}

} // namespace

THistogram::THistogram(TGifColorMap* colorMap) : FColorMap(colorMap) {
    int32_t count = colorMap ? colorMap->GetEntryCount() : 0;
    FEntries.resize(size_t(count));
    FUsedEntries.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        THistogramEntry& entry = FEntries[size_t(i)];
        entry.OldIndex = i;
        entry.Color = MergeColorWord(colorMap->Entry(i));
        FUsedEntries.push_back(&entry);
    }
}

bool THistogram::CountFrame(TGifFrame* frame) {
    if (frame->IsEmpty())
        return false;
    FCountedFrames.push_back(frame);
    TGifGraphicControlExtension* control = frame->GetControlExtension();
    bool transparent = frame->GetTransparentFrame() && control;
    int32_t transparentIndex = transparent ? control->GetTransparentIndex() : -1;

    // Count every byte value first: one pass over the pixels without branches.
    uint8_t* pixels = frame->GetPixels();
    int64_t pixelCount = frame->GetPixelCount();
    int64_t counts[256] = {};
    for (int64_t i = 0; i < pixelCount; ++i)
        ++counts[pixels[i]];

    bool used = transparent && counts[transparentIndex] > 0;
    if (transparent)
        counts[transparentIndex] = 0;
    // Indices beyond the table point at no colour: they become entry 0, one issue per pixel.
    int32_t entryCount = GetCount();
    int64_t repaired = 0;
    for (int32_t v = entryCount; v < 256; ++v)
        repaired += counts[v];
    if (repaired > 0) {
        const std::string issue = "Color not in color table";
        for (int64_t i = 0; i < pixelCount; ++i) {
            if (pixels[i] >= entryCount && pixels[i] != transparentIndex) {
                pixels[i] = 0;
                frame->ReportIssue(1, issue);
            }
        }
        counts[0] += repaired;
    }
    // Counts saturate; the rest of the frame is still looked at so that its transparency is seen.
    for (int32_t v = 0; v < entryCount; ++v)
        if (counts[v] > 0)
            FEntries[size_t(v)].UseCount = MergeSaturatedAdd(FEntries[size_t(v)].UseCount, counts[v]);

    if (transparent && !used) {
        control->SetTransparentIndex(0);
        control->SetTransparentFlag(false);
    }
    return used;
}

void THistogram::CountExtraUse(int32_t index) {
    if (index >= 0 && index < GetCount())
        FEntries[size_t(index)].UseCount = MergeSaturatedAdd(FEntries[size_t(index)].UseCount, 1);
}

int32_t THistogram::Prune() {
    std::stable_sort(
        FUsedEntries.begin(), FUsedEntries.end(),
        [](const THistogramEntry* a, const THistogramEntry* b) { return a->UseCount > b->UseCount; });
    auto firstUnused = std::find_if(FUsedEntries.begin(), FUsedEntries.end(),
                                    [](const THistogramEntry* e) { return e->UseCount == 0; });
    for (auto it = firstUnused; it != FUsedEntries.end(); ++it)
        (*it)->UseCount = -1;
    FUsedEntries.erase(firstUnused, FUsedEntries.end());
    return int32_t(FUsedEntries.size());
}

void THistogram::RemapFrames(bool usesTransparency, uint8_t transparentIndex) {
    uint8_t table[256] = {};
    for (const THistogramEntry* entry : FUsedEntries)
        if (entry->NewIndex >= 0 && entry->NewIndex < 256)
            table[entry->OldIndex] = uint8_t(entry->NewIndex);
    for (TGifFrame* frame : FCountedFrames) {
        uint8_t* pixels = frame->GetPixels();
        int64_t pixelCount = frame->GetPixelCount();
        TGifGraphicControlExtension* control = frame->GetControlExtension();
        if (frame->GetTransparentFrame() && control && usesTransparency) {
            uint8_t oldIndex = control->GetTransparentIndex();
            control->SetTransparentIndex(transparentIndex);
            // The transparent index takes the last entry; the other values go through the table.
            uint8_t frameTable[256];
            std::copy(std::begin(table), std::end(table), frameTable);
            frameTable[oldIndex] = transparentIndex;
            for (int64_t i = 0; i < pixelCount; ++i)
                pixels[i] = frameTable[pixels[i]];
        } else {
            for (int64_t i = 0; i < pixelCount; ++i)
                pixels[i] = table[pixels[i]];
        }
    }
}

TColorMapOptimizer::TColorMapOptimizer(TGifDocument* image) : FImage(image) {}

TColorMapOptimizer::~TColorMapOptimizer() = default;

void TColorMapOptimizer::Optimize() {
    FImage->StopAllPainters();
    // No painter starts while the frames change.
    vcl::TThreadListLock painters(*FImage->GetPainters());
    CountColors();
    FMergedEntries.clear();
    for (const auto& histogram : FHistograms) {
        histogram->Prune();
        const auto& used = histogram->GetUsedEntries();
        FMergedEntries.insert(FMergedEntries.end(), used.begin(), used.end());
    }
    FoldEqualColors();
    BuildNewMap();
    Install();
}

void TColorMapOptimizer::CountColors() {
    FUsesTransparency = false;
    FHistograms.clear();
    FGlobalHistogram = nullptr;
    TGifGlobalColorMap* global = FImage->GlobalColorMap();
    if (global->GetEntryCount() > 0) {
        auto histogram = std::make_unique<THistogram>(global);
        for (int32_t i = 0; i < FImage->FrameCount(); ++i) {
            TGifFrame* frame = FImage->Frame(i);
            if (!frame->IsEmpty() && frame->GetLocalColorMap()->GetEntryCount() == 0)
                FUsesTransparency |= histogram->CountFrame(frame);
        }
        // The screen's background colour is a colour of the animation too: it keeps its entry.
        histogram->CountExtraUse(FImage->GetHeader()->ScreenDescriptor().BackgroundIndex);
        FGlobalHistogram = histogram.get();
        FHistograms.push_back(std::move(histogram));
    }
    for (int32_t i = 0; i < FImage->FrameCount(); ++i) {
        TGifFrame* frame = FImage->Frame(i);
        if (frame->IsEmpty() || frame->GetLocalColorMap()->GetEntryCount() == 0)
            continue;
        auto histogram = std::make_unique<THistogram>(frame->GetLocalColorMap());
        FUsesTransparency |= histogram->CountFrame(frame);
        FHistograms.push_back(std::move(histogram));
    }
}

void TColorMapOptimizer::FoldEqualColors() {
    if (FMergedEntries.empty())
        return;
    std::stable_sort(FMergedEntries.begin(), FMergedEntries.end(),
                     [](const THistogramEntry* a, const THistogramEntry* b) { return a->Color > b->Color; });
    THistogramEntry* representative = FMergedEntries[0];
    for (size_t i = 1; i < FMergedEntries.size(); ++i) {
        THistogramEntry* entry = FMergedEntries[i];
        if (entry->Color == representative->Color) {
            representative->UseCount = MergeSaturatedAdd(representative->UseCount, entry->UseCount);
            entry->UseCount = 0;
            entry->FoldedInto = representative;
        } else {
            representative = entry;
        }
    }
}

void TColorMapOptimizer::BuildNewMap() {
    std::stable_sort(
        FMergedEntries.begin(), FMergedEntries.end(),
        [](const THistogramEntry* a, const THistogramEntry* b) { return a->UseCount > b->UseCount; });
    const size_t limit = FUsesTransparency ? 255 : 256;
    size_t kept = 0;
    while (kept < FMergedEntries.size() && kept < limit && FMergedEntries[kept]->UseCount > 0) {
        THistogramEntry* entry = FMergedEntries[kept];
        entry->NewIndex = int32_t(kept);
        FNewMap[kept] = MergeWordToRGB(entry->Color);
        ++kept;
    }
    FNewCount = int32_t(kept);
    // Sorted by use, every representative comes before the duplicates folded into it.
    for (size_t i = kept; i < FMergedEntries.size(); ++i) {
        THistogramEntry* entry = FMergedEntries[i];
        if (entry->UseCount == 0 && entry->FoldedInto) {
            entry->NewIndex = entry->FoldedInto->NewIndex;
            continue;
        }
        int32_t best = 0;
        int32_t bestDistance = std::numeric_limits<int32_t>::max();
        for (size_t k = 0; k < kept; ++k) {
            int32_t distance = MergeColorDistance(entry->Color, FMergedEntries[k]->Color);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = int32_t(k);
            }
        }
        entry->NewIndex = best;
    }
    if (FUsesTransparency) {
        FTransparentIndex = uint8_t(FNewCount);
        FNewMap[size_t(FNewCount)] = TGifRGB{0, 0, 0};
        ++FNewCount;
    }
}

void TColorMapOptimizer::Install() {
    for (int32_t i = 0; i < FImage->FrameCount(); ++i)
        FImage->Frame(i)->GetLocalColorMap()->RemoveAll();
    TGifGlobalColorMap* global = FImage->GlobalColorMap();
    global->SetTriplets(FNewMap.data(), FNewCount);
    global->SetSortedFlag(FNewCount > 0);
    for (const auto& histogram : FHistograms)
        histogram->RemapFrames(FUsesTransparency, FTransparentIndex);

    uint8_t& background = FImage->GetHeader()->ScreenDescriptor().BackgroundIndex;
    if (FGlobalHistogram && background < FGlobalHistogram->GetCount())
        background = uint8_t(FGlobalHistogram->Entry(background).NewIndex);
    else if (background >= FNewCount)
        background = 0;
    // Bitmaps and palettes were built from the old tables.
    FImage->ResetRendering();
}

} // namespace gif
