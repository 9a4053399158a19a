// The GIF header: signature, logical screen descriptor and the global colour table.
#pragma once

#include "gif/GifColorMap.h"
#include "gif/GifItems.h"

#include <memory>

namespace gif {

// The 7 bytes of the logical screen descriptor, field by field.
struct TGifScreenDescriptor {
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t PackedFields = 0; // bit 7 global table, bits 4-6 colour resolution, bit 3 sorted, bits 0-2 size
    uint8_t BackgroundIndex = 0;
    uint8_t AspectRatio = 0;
};

class TGifHeader : public TGifItem {
public:
    explicit TGifHeader(TGifDocument* image);
    ~TGifHeader() override;

    void Assign(vcl::TPersistent* source) override;
    uint8_t RequiredVersion() const override;
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;

    // Clears the global table and zeroes the descriptor.
    void ResetScreen();
    TGifColor BackgroundColorValue();
    // An index at or beyond a non-empty global table is reported and 0 is stored instead.
    void SetBackgroundIndex(int32_t index);
    void SetBackgroundByColor(TGifColor color);
    int32_t GlobalBitsPerPixel() const;
    int32_t GlobalColorResolution() const { return GlobalBitsPerPixel() - 1; }
    void UpdatePackedFields();

    TGifScreenDescriptor& ScreenDescriptor() { return FScreenDescriptor; }
    const TGifScreenDescriptor& ScreenDescriptor() const { return FScreenDescriptor; }
    TGifGlobalColorMap* GetGlobalColorMap() const { return FGlobalColorMap.get(); }

private:
    TGifScreenDescriptor FScreenDescriptor;
    std::unique_ptr<TGifGlobalColorMap> FGlobalColorMap;
};

} // namespace gif
