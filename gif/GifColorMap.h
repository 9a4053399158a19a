// GIF colour tables: up to 256 R,G,B entries with editing, file bytes and sort-and-prune by usage.
#pragma once

#include "gif/GifTypes.h"
#include "platform/vcl/Persistent.h"
#include "platform/win/WinTypes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace gif {

struct TGifRGB {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    bool operator==(const TGifRGB&) const = default;
};

// One record of a usage histogram: how many pixels use the entry Index.
struct TGifUsage {
    int64_t Count = 0; // a document's frames together can hold more than 2^31 pixels
    int32_t Index = 0;
};
using TGifUsageHistogram = std::array<TGifUsage, 256>;
// New index by old index.
using TGifRemapTable = std::array<uint8_t, 256>;

// A platform colour-table entry: blue, green, red, reserved.
struct TGifRGBQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
};

class TGifColorMap : public vcl::TPersistent {
public:
    static constexpr int32_t MaxEntries = 256;

    TGifColorMap() = default;
    ~TGifColorMap() override;

    // The descendants' hooks. The base has no owner: it reports nothing and counts no pixels.
    virtual void ReportIssue(int32_t severity, const std::string& message) {}
    virtual void CountUsage(TGifUsageHistogram& histogram);
    virtual void RemapPixels(const TGifRemapTable& map) {}
    virtual bool SortAndPrune() { return ReorderByUse(); }
    virtual void ColorsChanged() {}

    void Assign(vcl::TPersistent* source) override;

    void RemoveAll();
    void Reserve(int32_t count);
    void ReadTable(vcl::TStream* stream, int32_t count);
    void WriteTable(vcl::TStream* stream) const;
    int32_t TableBits() const;

    int32_t FindColorIndex(TGifColor color) const;
    int32_t AppendColor(TGifColor color);
    int32_t FindOrAppendColor(TGifColor color);
    void RemoveEntry(int32_t index);
    TGifColor EntryColor(int32_t index);
    void SetEntryColor(int32_t index, TGifColor color);

    // From a platform logical palette (up to 256 entries).
    void CopyFromPalette(win::HPALETTE palette);
    void CopyFromQuads(const TGifRGBQuad* quads, int32_t count);
    // From the colour table of the device-independent bitmap selected into a device context.
    void CopyFromDeviceContext(win::HDC dc);
    // A new platform palette of the entries (the caller owns it), or nullptr for an empty table.
    win::HPALETTE MakePalette() const;
    // The first count triplets of a 256-entry array (which may be this table's own entries).
    void SetTriplets(const TGifRGB* triplets, int32_t count);

    bool ReorderByUse();

    int32_t GetEntryCount() const { return FEntryCount; }
    int32_t GetCapacity() const { return FCapacity; }
    bool GetSortedFlag() const { return FSortedFlag; }
    void SetSortedFlag(bool value) { FSortedFlag = value; }
    // Entry i for i below the entry count.
    const TGifRGB& Entry(int32_t index) const { return FEntries[static_cast<size_t>(index)]; }
    const TGifRGB* Entries() const { return FEntries.empty() ? nullptr : FEntries.data(); }

    static TGifRGB ColorToRGB(TGifColor color);
    static TGifColor RGBToColor(const TGifRGB& rgb);

private:
    std::vector<TGifRGB> FEntries; // FCapacity triplets
    int32_t FEntryCount = 0;
    int32_t FCapacity = 0;
    bool FSortedFlag = false;
};

// The header's table: it works on every frame that uses it.
class TGifGlobalColorMap : public TGifColorMap {
public:
    explicit TGifGlobalColorMap(TGifHeader* header) : FHeader(header) {}
    void ReportIssue(int32_t severity, const std::string& message) override;
    void CountUsage(TGifUsageHistogram& histogram) override;
    void RemapPixels(const TGifRemapTable& map) override;
    bool SortAndPrune() override;
    void ColorsChanged() override;
    TGifHeader* GetHeader() const { return FHeader; }

private:
    TGifHeader* FHeader;
};

// A frame's own table.
class TGifLocalColorMap : public TGifColorMap {
public:
    explicit TGifLocalColorMap(TGifFrame* frame) : FFrame(frame) {}
    void ReportIssue(int32_t severity, const std::string& message) override;
    void CountUsage(TGifUsageHistogram& histogram) override;
    void RemapPixels(const TGifRemapTable& map) override;
    bool SortAndPrune() override;
    void ColorsChanged() override;
    TGifFrame* GetFrame() const { return FFrame; }

private:
    TGifFrame* FFrame;
};

} // namespace gif
