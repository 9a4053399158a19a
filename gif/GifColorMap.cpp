#include "gif/GifColorMap.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>

namespace gif {

TGifColorMap::~TGifColorMap() = default;

TGifRGB TGifColorMap::ColorToRGB(TGifColor color) {
    auto c = static_cast<uint32_t>(color);
    return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
}

TGifColor TGifColorMap::RGBToColor(const TGifRGB& rgb) {
    return TGifColor(rgb.Red) | (TGifColor(rgb.Green) << 8) | (TGifColor(rgb.Blue) << 16);
}

void TGifColorMap::CountUsage(TGifUsageHistogram& histogram) {
    for (int32_t i = 0; i < MaxEntries; ++i)
        histogram[i] = {0, i};
}

void TGifColorMap::Assign(vcl::TPersistent* source) {
    if (auto* map = dynamic_cast<TGifColorMap*>(source)) {
        if (map == this)
            return;
        RemoveAll();
        FCapacity = map->FCapacity;
        FEntryCount = map->FEntryCount;
        FSortedFlag = map->FSortedFlag;
        FEntries.assign(static_cast<size_t>(FCapacity), TGifRGB{});
        std::copy_n(map->FEntries.begin(), FEntryCount, FEntries.begin());
        ColorsChanged();
        return;
    }
    TPersistent::Assign(source);
}

void TGifColorMap::RemoveAll() {
    FEntries.clear();
    FEntries.shrink_to_fit();
    FCapacity = 0;
    FEntryCount = 0;
    FSortedFlag = false;
}

void TGifColorMap::Reserve(int32_t count) {
    if (count < FCapacity)
        return;
    int32_t capacity = count <= 16 ? 16 : std::min(MaxEntries, (count + 31) / 32 * 32);
    if (capacity == FCapacity)
        return;
    FCapacity = capacity;
    FEntries.resize(static_cast<size_t>(capacity));
}

void TGifColorMap::ReadTable(vcl::TStream* stream, int32_t count) {
    RemoveAll();
    count = std::clamp(count, 0, MaxEntries);
    Reserve(count);
    uint8_t bytes[3 * MaxEntries];
    ReadExact(stream, bytes, 3 * count);
    for (int32_t i = 0; i < count; ++i)
        FEntries[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    FEntryCount = count;
}

void TGifColorMap::WriteTable(vcl::TStream* stream) const {
    if (FEntryCount == 0)
        return;
    uint8_t bytes[3 * MaxEntries] = {};
    for (int32_t i = 0; i < FEntryCount; ++i) {
        bytes[3 * i] = FEntries[i].Red;
        bytes[3 * i + 1] = FEntries[i].Green;
        bytes[3 * i + 2] = FEntries[i].Blue;
    }
    stream->WriteBuffer(bytes, 3 * (1 << TableBits()));
}

int32_t TGifColorMap::TableBits() const {
    return BitsForColorCount(FEntryCount);
}

int32_t TGifColorMap::FindColorIndex(TGifColor color) const {
    TGifRGB rgb = ColorToRGB(color);
    if (FSortedFlag) {
        for (int32_t i = 0; i < FEntryCount; ++i)
            if (FEntries[i] == rgb)
                return i;
    } else {
        for (int32_t i = FEntryCount - 1; i >= 0; --i)
            if (FEntries[i] == rgb)
                return i;
    }
    return -1;
}

int32_t TGifColorMap::AppendColor(TGifColor color) {
    if (FEntryCount >= MaxEntries)
        RaiseGifError("Color table overflow");
    if (FEntryCount >= FCapacity)
        Reserve(FEntryCount + 1);
    FEntries[FEntryCount] = ColorToRGB(color);
    int32_t index = FEntryCount++;
    FSortedFlag = false;
    ColorsChanged();
    return index;
}

int32_t TGifColorMap::FindOrAppendColor(TGifColor color) {
    int32_t index = FindColorIndex(color);
    return index >= 0 ? index : AppendColor(color);
}

void TGifColorMap::RemoveEntry(int32_t index) {
    if (index < 0 || index >= FEntryCount)
        RaiseGifError("Invalid color index");
    std::copy(FEntries.begin() + index + 1, FEntries.begin() + FEntryCount, FEntries.begin() + index);
    --FEntryCount;
    FSortedFlag = false;
    ColorsChanged();
}

TGifColor TGifColorMap::EntryColor(int32_t index) {
    if (index < 0 || index >= FEntryCount) {
        ReportIssue(1, "Invalid color index");
        if (FEntryCount == 0)
            RaiseGifError("Color table is empty");
        index = 0;
    }
    return RGBToColor(FEntries[index]);
}

void TGifColorMap::SetEntryColor(int32_t index, TGifColor color) {
    if (index < 0 || index >= FEntryCount)
        RaiseGifError("Invalid color index");
    FEntries[index] = ColorToRGB(color);
    ColorsChanged();
}

void TGifColorMap::CopyFromQuads(const TGifRGBQuad* quads, int32_t count) {
    RemoveAll();
    count = std::clamp(count, 0, MaxEntries);
    if (count == 0)
        return;
    Reserve(count);
    for (int32_t i = 0; i < count; ++i)
        FEntries[i] = {quads[i].Red, quads[i].Green, quads[i].Blue};
    FEntryCount = count;
    ColorsChanged();
}

namespace {

// A logical palette with room for 256 entries.
struct ColorMapLogPalette {
    win::WORD Version = 0x300;
    win::WORD Count = 0;
    win::PALETTEENTRY Entries[256] = {};
};

} // namespace

void TGifColorMap::CopyFromPalette(win::HPALETTE palette) {
    RemoveAll();
    win::PALETTEENTRY entries[MaxEntries];
    auto count = int32_t(palette ? win::GetPaletteEntries(palette, 0, MaxEntries, entries) : 0);
    if (count <= 0)
        return;
    Reserve(count);
    for (int32_t i = 0; i < count; ++i)
        FEntries[i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    FEntryCount = count;
    ColorsChanged();
}

void TGifColorMap::CopyFromDeviceContext(win::HDC dc) {
    RemoveAll();
    std::vector<win::RGBQUAD> table(MaxEntries);
    auto count = int32_t(win::GetDIBColorTable(dc, 0, MaxEntries, table.data()));
    std::vector<TGifRGBQuad> quads(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i)
        quads[i] = {table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed, 0};
    CopyFromQuads(quads.data(), count);
    ColorsChanged();
}

win::HPALETTE TGifColorMap::MakePalette() const {
    if (FEntryCount == 0)
        return nullptr;
    ColorMapLogPalette log;
    log.Count = win::WORD(FEntryCount);
    for (int32_t i = 0; i < FEntryCount; ++i)
        log.Entries[i] = {FEntries[i].Red, FEntries[i].Green, FEntries[i].Blue, win::PC_NOCOLLAPSE};
    return win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(&log));
}

void TGifColorMap::SetTriplets(const TGifRGB* triplets, int32_t count) {
    // Copy first: the source may be this table's own buffer.
    TGifRGB copy[MaxEntries];
    count = std::clamp(count, 0, MaxEntries);
    std::copy_n(triplets, count, copy);
    RemoveAll();
    if (count == 0)
        return;
    Reserve(count);
    FEntryCount = count;
    std::copy_n(copy, count, FEntries.begin());
    ColorsChanged();
}

bool TGifColorMap::ReorderByUse() {
    if (FEntryCount <= 1)
        return false;
    FSortedFlag = true;
    TGifUsageHistogram histogram;
    CountUsage(histogram);
    // Highest count first; a stable order keeps equally used entries where they are.
    std::stable_sort(histogram.begin(), histogram.begin() + FEntryCount,
                     [](const TGifUsage& a, const TGifUsage& b) { return a.Count > b.Count; });
    bool inOrder = true;
    for (int32_t k = 0; k < FEntryCount && inOrder; ++k)
        inOrder = histogram[k].Index == k;
    if (inOrder)
        return true;
    // Values at or beyond the table keep their value: they stay outside the (smaller) table.
    TGifRemapTable remap;
    for (int32_t i = 0; i < MaxEntries; ++i)
        remap[i] = uint8_t(i);
    for (int32_t k = 0; k < FEntryCount; ++k)
        remap[histogram[k].Index] = uint8_t(k);
    RemapPixels(remap);
    std::vector<TGifRGB> old(FEntries.begin(), FEntries.begin() + FEntryCount);
    for (int32_t i = 0; i < FEntryCount; ++i)
        FEntries[remap[i]] = old[i];
    for (int32_t k = 0; k < FEntryCount; ++k)
        if (histogram[k].Count == 0) {
            FEntryCount = k;
            break;
        }
    ColorsChanged();
    return true;
}

// The global table: every frame whose effective table it is.

namespace {

template <typename F> void ColorMapForFramesUsing(TGifDocument* image, const TGifColorMap* map, F&& f) {
    if (!image)
        return;
    for (int32_t i = 0; i < image->FrameCount(); ++i) {
        TGifFrame* frame = image->Frame(i);
        if (frame->EffectiveColorMap() == map)
            f(frame);
    }
}

void ColorMapCountFrame(const TGifFrame* frame, TGifUsageHistogram& histogram) {
    const uint8_t* p = frame->GetPixels();
    if (!p)
        return;
    int64_t n = frame->GetPixelCount();
    for (int64_t i = 0; i < n; ++i)
        ++histogram[p[i]].Count;
}

void ColorMapRemapFrame(TGifFrame* frame, const TGifRemapTable& map) {
    if (uint8_t* p = frame->GetPixels()) {
        int64_t n = frame->GetPixelCount();
        for (int64_t i = 0; i < n; ++i)
            p[i] = map[p[i]];
    }
    // An index beyond the table maps to itself and is kept as it is: setting it again would be refused
    // and turn colour 0 transparent.
    if (frame->GetTransparentFrame() && frame->GetControlExtension()) {
        TGifGraphicControlExtension* gce = frame->GetControlExtension();
        uint8_t index = gce->GetTransparentIndex();
        if (map[index] != index)
            gce->SetTransparentIndex(map[index]);
    }
}

} // namespace

void TGifGlobalColorMap::ReportIssue(int32_t severity, const std::string& message) {
    if (FHeader && FHeader->GetOwnerImage())
        FHeader->GetOwnerImage()->ReportIssue(this, severity, message);
}

void TGifGlobalColorMap::CountUsage(TGifUsageHistogram& histogram) {
    TGifColorMap::CountUsage(histogram);
    ColorMapForFramesUsing(FHeader ? FHeader->GetOwnerImage() : nullptr, this,
                           [&](TGifFrame* frame) { ColorMapCountFrame(frame, histogram); });
    // The screen's background colour is a use too: pruning it would change what viewers clear to.
    if (FHeader)
        ++histogram[FHeader->ScreenDescriptor().BackgroundIndex].Count;
}

void TGifGlobalColorMap::RemapPixels(const TGifRemapTable& map) {
    ColorMapForFramesUsing(FHeader ? FHeader->GetOwnerImage() : nullptr, this,
                           [&](TGifFrame* frame) { ColorMapRemapFrame(frame, map); });
    if (FHeader) {
        uint8_t& background = FHeader->ScreenDescriptor().BackgroundIndex;
        background = map[background];
    }
}

bool TGifGlobalColorMap::SortAndPrune() {
    TGifDocument* image = FHeader ? FHeader->GetOwnerImage() : nullptr;
    if (!image || image->FrameCount() == 0)
        return false;
    return ReorderByUse();
}

void TGifGlobalColorMap::ColorsChanged() {
    if (FHeader && FHeader->GetOwnerImage())
        FHeader->GetOwnerImage()->SetPalette(nullptr);
}

void TGifLocalColorMap::ReportIssue(int32_t severity, const std::string& message) {
    if (FFrame && FFrame->GetOwnerImage())
        FFrame->GetOwnerImage()->ReportIssue(this, severity, message);
}

void TGifLocalColorMap::CountUsage(TGifUsageHistogram& histogram) {
    TGifColorMap::CountUsage(histogram);
    if (FFrame)
        ColorMapCountFrame(FFrame, histogram);
}

void TGifLocalColorMap::RemapPixels(const TGifRemapTable& map) {
    if (FFrame)
        ColorMapRemapFrame(FFrame, map);
}

bool TGifLocalColorMap::SortAndPrune() {
    return ReorderByUse();
}

void TGifLocalColorMap::ColorsChanged() {
    if (FFrame)
        FFrame->ReplaceFramePalette(nullptr);
}

} // namespace gif
