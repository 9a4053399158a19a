#include "gif/GifFrame.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace gif {

TGifFrame::TGifFrame(TGifDocument* image)
    : TGifItem(image), FLocalColorMap(std::make_unique<TGifLocalColorMap>(this)),
      FExtensionList(std::make_unique<TGifExtensionList>(image, this)) {}

TGifFrame::~TGifFrame() {
    if (FOwnerImage && FOwnerImage->GetFrames())
        FOwnerImage->GetFrames()->RemoveItem(this);
    ClearFrame();
    if (FFramePalette)
        win::DeleteObject(FFramePalette);
}

void TGifFrame::ClearFrame() {
    FExtensionList->FreeAll();
    FLocalColorMap->RemoveAll();
    ReleasePixels();
    FDescriptor.Width = 0;
    FDescriptor.Height = 0;
    FTransparentFrame = false;
    FControlExtension = nullptr;
    FreeFrameBitmap();
    FreeMaskHandle();
    // The palette belongs to the pixels that are gone; the next rendering makes the right one.
    if (FFramePalette)
        win::DeleteObject(FFramePalette);
    FFramePalette = nullptr;
}

bool TGifFrame::IsEmpty() const {
    return !FPixels || FPixelCount == 0 || FDescriptor.Width == 0 || FDescriptor.Height == 0;
}

uint16_t TGifFrame::DescriptorValue(int32_t index) const {
    switch (index) {
    case dvLeft:
        return FDescriptor.Left;
    case dvTop:
        return FDescriptor.Top;
    case dvWidth:
        return FDescriptor.Width;
    case dvHeight:
        return FDescriptor.Height;
    default:
        return 0;
    }
}

void TGifFrame::SetDescriptorValue(int32_t index, uint16_t value) {
    const TGifImageDescriptor& d = FDescriptor;
    switch (index) {
    case dvLeft:
        ChangeGeometry(value, d.Top, d.Width, d.Height);
        break;
    case dvTop:
        ChangeGeometry(d.Left, value, d.Width, d.Height);
        break;
    case dvWidth:
        ChangeGeometry(d.Left, d.Top, value, d.Height);
        break;
    case dvHeight:
        ChangeGeometry(d.Left, d.Top, d.Width, value);
        break;
    default:
        break;
    }
}

void TGifFrame::ChangeGeometry(int32_t left, int32_t top, int32_t width, int32_t height) {
    auto clamp16 = [](int32_t v) { return uint16_t(std::clamp(v, 0, 65535)); };
    bool sizeChanged = clamp16(width) != FDescriptor.Width || clamp16(height) != FDescriptor.Height;
    FDescriptor.Left = clamp16(left);
    FDescriptor.Top = clamp16(top);
    FDescriptor.Width = clamp16(width);
    FDescriptor.Height = clamp16(height);
    if (sizeChanged) {
        FreeFrameBitmap();
        FreeMaskHandle();
        ReleasePixels();
        AllocatePixels();
    }
    // An empty frame occupies nothing, so it never grows the screen.
    if (!FOwnerImage || FDescriptor.Width == 0 || FDescriptor.Height == 0)
        return;
    bool tooLarge = false;
    int32_t right = FDescriptor.Left + FDescriptor.Width;
    int32_t bottom = FDescriptor.Top + FDescriptor.Height;
    // The screen is 16-bit: a frame reaching beyond 65535 grows it to 65535 and sticks out.
    if (FOwnerImage->GetWidth() < right) {
        if (FOwnerImage->GetWidth() > 0) {
            ReportIssue(1, "Image width too small for contained frames");
            tooLarge = true;
        }
        FOwnerImage->SetWidth(std::min(right, 65535));
    }
    if (FOwnerImage->GetHeight() < bottom) {
        if (FOwnerImage->GetHeight() > 0) {
            ReportIssue(1, "Image height too small for contained frames");
            tooLarge = true;
        }
        FOwnerImage->SetHeight(std::min(bottom, 65535));
    }
    if (tooLarge || right > 65535 || bottom > 65535)
        ReportIssue(1, "Image exceeds Logical Screen size");
}

vcl::TRect TGifFrame::FrameRect() const {
    return {FDescriptor.Left, FDescriptor.Top, FDescriptor.Left + FDescriptor.Width,
            FDescriptor.Top + FDescriptor.Height};
}

uint8_t TGifFrame::PixelAt(int32_t x, int32_t y) {
    if (x < 0 || x >= FDescriptor.Width)
        RaiseGifError("Invalid pixel coordinates");
    return RowAddress(y)[x];
}

uint8_t* TGifFrame::RowAddress(int32_t y) {
    if (y < 0 || y >= FDescriptor.Height)
        RaiseGifError("Invalid pixel coordinates");
    EnsurePixels();
    // The descriptor may have been changed directly, without a new buffer.
    if (int64_t(y + 1) * FDescriptor.Width > FPixelCount)
        RaiseGifError("Invalid pixel coordinates");
    return FPixels.get() + int64_t(y) * FDescriptor.Width;
}

void TGifFrame::AllocatePixels() {
    ReleasePixels();
    int64_t count = int64_t(FDescriptor.Width) * FDescriptor.Height;
    if (count == 0)
        return;
    if (count > GifMaxFramePixels)
        RaiseGifError("Image is too large");
    uint8_t* p = new (std::nothrow) uint8_t[static_cast<size_t>(count)]();
    if (!p)
        throw vcl::EOutOfMemory("Out of memory");
    FPixels.reset(p);
    FPixelCount = count;
}

void TGifFrame::ReleasePixels() {
    FPixels.reset();
    FPixelCount = 0;
}

void TGifFrame::EnsurePixels() {
    if (FPixels)
        return;
    if (int64_t(FDescriptor.Width) * FDescriptor.Height == 0)
        RaiseGifError("Image is empty");
    AllocatePixels();
}

TGifColorMap* TGifFrame::EffectiveColorMap() const {
    if (FLocalColorMap->GetEntryCount() > 0)
        return FLocalColorMap.get();
    if (FOwnerImage && FOwnerImage->GlobalColorMap()->GetEntryCount() > 0)
        return FOwnerImage->GlobalColorMap();
    return FLocalColorMap.get();
}

int32_t TGifFrame::LocalBitsPerPixel() const {
    return FLocalColorMap->TableBits();
}

uint8_t TGifFrame::RequiredVersion() const {
    return FLocalColorMap->GetSortedFlag() || FExtensionList->ItemCount() > 0 ? 2 : 1;
}

} // namespace gif
