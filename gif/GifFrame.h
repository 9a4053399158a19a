// One frame of a GIF document: image descriptor, local colour table, 8-bit pixels and extensions.
#pragma once

#include "gif/GifColorMap.h"
#include "gif/GifItems.h"

#include <memory>

namespace vcl {
class TBitmap;
class TCanvas;
class TIcon;
class TMetafile;
} // namespace vcl

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

    // Copies another frame (descriptor, pixels, local table, extensions as new objects, its bitmap), or
    // imports a picture: bitmaps of any depth (true colour through the document's colour reduction), icons
    // and metafiles with their transparent areas, any graphic a bitmap can take, a picture's graphic.
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

    // ---- Rendering: the frame as a cached 8-bit bitmap with a 1-bit mask of its transparent pixels.

    // Built when missing (dithered to the web palette when the document dithers); nullptr for an empty frame.
    vcl::TBitmap* FrameBitmap();
    // A new bitmap of the pixels through the frame palette, building the mask on the way.
    std::unique_ptr<vcl::TBitmap> RenderPlain();
    // The same dithered to the 216-colour web palette.
    std::unique_ptr<vcl::TBitmap> RenderDithered();
    bool BitmapBuilt() const { return FCachedBitmap != nullptr; }
    // true builds the bitmap, false frees it.
    void SetBitmapBuilt(bool value);
    // Replaces the bitmap by a new empty one and returns it.
    vcl::TBitmap* NewFrameBitmap();
    void FreeFrameBitmap();
    // Deletes the mask; the next rendering makes it again.
    void FreeMaskHandle();
    // Builds the bitmap again when the mask is still wanted; true when a mask exists.
    bool MaskAvailable();
    // A set bit marks a transparent pixel; rows padded to 16 bits. Owned by the frame.
    win::HBITMAP GetMask() const { return FMask; }
    // Frees the bitmap and imports bitmap (nullptr only frees).
    void SetFrameBitmap(vcl::TBitmap* bitmap);
    // The palette the frame draws with (owned by the frame, its bitmap or the document).
    win::HPALETTE FramePaletteHandle();
    // Takes palette over (nullptr drops the current one); a bitmap of another palette is rebuilt.
    void ReplaceFramePalette(win::HPALETTE palette);

    // The frame's bounds scaled from the logical screen into rect.
    vcl::TRect ScaleToTarget(const vcl::TRect& rect) const;
    // Draws the frame into rect, which stands for the logical screen (scaled unless tiled).
    void PaintFrame(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency, bool tiled);
    // Draws the frame into rect as given (or tiles it from rect's corner).
    void PaintFrameAt(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency, bool tiled);
    // The transparent index of the control extension when the frame is transparent, else -1.
    int32_t TransparentIndex() const;
    // A large frame (above RenderLargeFramePixels) is drawn without its bitmap: only the pixels that reach
    // the visible part of the target are sampled, so drawing needs no more memory than that part.
    static constexpr int64_t RenderLargeFramePixels = 500000;
    bool DrawsSampled() const;

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

protected:
    // A bitmap receives the frame bitmap.
    void AssignTo(vcl::TPersistent* dest) override;

private:
    void AssignFrame(TGifFrame* source);
    void AssignGraphic(vcl::TPersistent* source);
    void ImportBitmap(vcl::TBitmap* bitmap);
    void KeepImageWithoutArea();
    // Rows of 1, 4 or 8 bits per pixel with the bitmap's colour table.
    void ImportRowsIndexed(vcl::TBitmap* bitmap, int32_t bits);
    void ImportRows24(vcl::TBitmap* bitmap);
    void ApplyMaskBitmap(vcl::TBitmap* mask);
    void ApplyMaskHandle(win::HBITMAP mask);
    void ApplyIconMask(vcl::TIcon* icon);
    void ApplyMetafileMask(vcl::TMetafile* metafile);
    void ReportRenderProgress(int32_t row, const char* message);
    std::unique_ptr<vcl::TBitmap> Render(bool dithered);
    void PaintSampled(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency);

    std::unique_ptr<vcl::TBitmap> FCachedBitmap;
    win::HBITMAP FMask = nullptr;
    win::HPALETTE FFramePalette = nullptr;
    std::unique_ptr<uint8_t[]> FPixels;
    int64_t FPixelCount = 0;
    bool FMaskWanted = true;
    std::unique_ptr<TGifLocalColorMap> FLocalColorMap;
    TGifImageDescriptor FDescriptor;
    std::unique_ptr<TGifExtensionList> FExtensionList;
    bool FTransparentFrame = false;
    TGifGraphicControlExtension* FControlExtension = nullptr;
};

// Copies the source rectangle into the destination rectangle (stretching it) so that pixels whose bit
// is set in the monochrome bitmap selected into maskDC leave the destination unchanged.
void TransparentStretchCopy(win::HDC destDC, int32_t destX, int32_t destY, int32_t destW, int32_t destH,
                            win::HDC sourceDC, int32_t sourceX, int32_t sourceY, int32_t sourceW,
                            int32_t sourceH, win::HDC maskDC, int32_t maskX, int32_t maskY);

} // namespace gif
