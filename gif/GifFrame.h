// One frame of a GIF document: image descriptor, local colour table, 8-bit pixels and extensions.
#pragma once

#include "gif/GifColorMap.h"
#include "gif/GifItems.h"

#include <memory>

namespace gif {

// The 10 bytes of the image descriptor, field by field.
struct TGifImageDescriptor {
    uint8_t Separator = 0x2C;
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t PackedFields = 0; // bit 7 local table, bit 6 interlace, bit 5 sorted, bits 0-2 size
};

class TGifFrame : public TGifItem {
public:
    // Descriptor value indices of DescriptorValue and SetDescriptorValue.
    enum { dvLeft = 1, dvTop = 2, dvWidth = 3, dvHeight = 4 };

    explicit TGifFrame(TGifDocument* image);
    ~TGifFrame() override;

    // Copies another frame (descriptor, pixels, local table, extensions as new objects). Pictures of the
    // class library are imported by a later change; until then they raise the conversion error.
    void Assign(vcl::TPersistent* source) override;
    uint8_t RequiredVersion() const override;
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;

    // Frees every extension, the local table and the pixels; width and height become 0 (left and top stay).
    void ClearFrame();
    bool IsEmpty() const;
    uint16_t DescriptorValue(int32_t index) const;
    void SetDescriptorValue(int32_t index, uint16_t value);
    void ChangeGeometry(int32_t left, int32_t top, int32_t width, int32_t height);
    vcl::TRect FrameRect() const;
    bool IsInterlaced() const { return (FDescriptor.PackedFields & 0x40) != 0; }

    uint8_t PixelAt(int32_t x, int32_t y);
    uint8_t* RowAddress(int32_t y);
    // A zero-filled buffer of width x height bytes (none when that is 0); sizes beyond GifMaxFramePixels
    // raise EGifError and a failed allocation raises EOutOfMemory.
    void AllocatePixels();
    void ReleasePixels();
    void EnsurePixels();

    // The local table when it has entries, else the global one when that has entries, else the local one.
    TGifColorMap* EffectiveColorMap() const;
    int32_t LocalBitsPerPixel() const;
    int32_t LocalColorResolution() const { return LocalBitsPerPixel() - 1; }
    void UpdatePackedFields();

    // Crops a transparent frame to the bounding box of its opaque pixels.
    void TrimTransparentBorder();
    // Makes the pixels that repeat previous's colour at the same screen position transparent.
    void BlankUnchangedPixels(TGifFrame* previous);

    void DecodeRaster(vcl::TStream* stream);
    void EncodeRaster(vcl::TStream* stream);

    TGifImageDescriptor& Descriptor() { return FDescriptor; }
    const TGifImageDescriptor& Descriptor() const { return FDescriptor; }
    uint8_t* GetPixels() const { return FPixels.get(); }
    int64_t GetPixelCount() const { return FPixelCount; }
    TGifLocalColorMap* GetLocalColorMap() const { return FLocalColorMap.get(); }
    TGifExtensionList* GetExtensionList() const { return FExtensionList.get(); }
    bool GetTransparentFrame() const { return FTransparentFrame; }
    void SetTransparentFrame(bool value) { FTransparentFrame = value; }
    TGifGraphicControlExtension* GetControlExtension() const { return FControlExtension; }
    void SetControlExtension(TGifGraphicControlExtension* value) { FControlExtension = value; }
    bool GetMaskWanted() const { return FMaskWanted; }
    void SetMaskWanted(bool value) { FMaskWanted = value; }

private:
    std::unique_ptr<uint8_t[]> FPixels;
    int64_t FPixelCount = 0;
    bool FMaskWanted = true;
    std::unique_ptr<TGifLocalColorMap> FLocalColorMap;
    TGifImageDescriptor FDescriptor;
    std::unique_ptr<TGifExtensionList> FExtensionList;
    bool FTransparentFrame = false;
    TGifGraphicControlExtension* FControlExtension = nullptr;
};

} // namespace gif
