// TIcon: an icon read from an ICO (or CUR) stream. Each image of the stream is a colour (XOR) bitmap of
// 1 to 32 bits with a 1-bit AND mask; the icon shows the image nearest to 32 x 32 with the most colours,
// keeps the stream's bytes for saving, and draws with the mask or the 32-bit image's alpha.
#pragma once

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Graphic.h"

#include <string>
#include <vector>

namespace vcl {

class TIcon : public TGraphic {
public:
    void Assign(TPersistent* source) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;
    // Images stored as PNG (as in many 256 x 256 icons) are refused with EInvalidGraphic when chosen.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;

    bool GetEmpty() const override { return FData.empty(); }
    int32_t GetWidth() const override { return FImage.Format.Width; }
    int32_t GetHeight() const override { return FImage.Format.Height; }
    // An icon's size comes from its images: setting it raises EInvalidGraphicOperation.
    void SetWidth(int32_t value) override;
    void SetHeight(int32_t value) override;
    bool GetTransparent() const override { return true; }

    // The icon handle, made from the shown image on first use and owned by the icon.
    win::HICON GetHandle();
    // Takes over an icon handle: its image becomes the icon's (saved as a one-image ICO stream).
    void SetHandle(win::HICON value);
    // Gives up the handle: the caller owns the handle returned.
    win::HICON ReleaseHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    // The shown image as 32-bit pixels with alpha (0 where the mask makes it transparent).
    const TDibImage& GetImage() const { return FImage; }
    // The number of images in the stream.
    int32_t GetImageCount() const { return FImageCount; }

    ~TIcon() override;

private:
    void FreeHandle();
    std::vector<uint8_t> FData;
    win::HICON FHandle = nullptr;
    TDibImage FImage;
    int32_t FImageCount = 0;
};

// A cursor made from a CUR file held in memory: the image nearest to 32 x 32 with its hot spot and mask
// (black-and-white images stay monochrome, with no colour bitmap). EInvalidGraphic when the bytes are not
// a whole cursor; nothing past size is read. The caller owns the handle (DestroyCursor).
win::HCURSOR CreateCursorFromData(const uint8_t* data, size_t size);
// The same for the CUR file embedded under name (Resources.h): EResNotFound when there is none,
// EInvalidGraphic naming it when its bytes are not a whole cursor.
win::HCURSOR LoadCursorResource(const std::string& name);

} // namespace vcl
