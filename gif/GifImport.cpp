// Frame import: another frame is copied; bitmaps of every depth, icons, metafiles and pictures become the
// frame's pixels and colour table, with a transparent colour where the picture has a mask.
#include "gif/GifColorReduction.h"
#include "gif/GifDib.h"
#include "gif/GifDocument.h"
#include "gif/GifFrame.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace gif {

namespace {

// Size the bitmap like the graphic, 24 bits per pixel, and draw the graphic at (0, 0).
void ImportRasterizeGraphic(vcl::TBitmap* bitmap, vcl::TGraphic* graphic) {
    bitmap->SetHeight(graphic->GetHeight());
    bitmap->SetWidth(graphic->GetWidth());
    bitmap->SetPixelFormat(vcl::pf24bit);
    bitmap->GetCanvas()->Draw(0, 0, graphic);
}

// The metafile drawn on a background of one colour.
void ImportPaintMetafileOn(vcl::TBitmap* bitmap, vcl::TMetafile* metafile, vcl::TColor color) {
    bitmap->SetSize(metafile->GetWidth(), metafile->GetHeight());
    bitmap->SetPixelFormat(vcl::pf24bit);
    vcl::TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(color);
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    canvas->FillRect(canvas->GetClipRect());
    canvas->Draw(0, 0, metafile);
}

} // namespace

void TGifFrame::Assign(vcl::TPersistent* source) {
    if (source == this)
        return;
    if (!source) {
        ClearFrame();
        return;
    }
    if (auto* frame = dynamic_cast<TGifFrame*>(source)) {
        AssignFrame(frame);
    } else if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(source)) {
        ClearFrame();
        if (!bitmap->GetEmpty())
            ImportBitmap(bitmap);
    } else if (dynamic_cast<vcl::TGraphic*>(source)) {
        AssignGraphic(source);
    } else if (auto* picture = dynamic_cast<vcl::TPicture*>(source)) {
        Assign(picture->GetGraphic());
    } else {
        TGifItem::Assign(source);
    }
}

void TGifFrame::AssignTo(vcl::TPersistent* dest) {
    if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(dest)) {
        bitmap->Assign(FrameBitmap());
        return;
    }
    TGifItem::AssignTo(dest);
}

void TGifFrame::AssignFrame(TGifFrame* frame) {
    ClearFrame();
    if (!frame->IsEmpty()) {
        FDescriptor = frame->FDescriptor;
        FTransparentFrame = frame->FTransparentFrame;
        AllocatePixels();
        std::memcpy(FPixels.get(), frame->FPixels.get(),
                    static_cast<size_t>(std::min(FPixelCount, frame->FPixelCount)));
        FLocalColorMap->Assign(frame->FLocalColorMap.get());
    }
    // Extensions are copied through their bytes so that the copies are new objects and the first graphic
    // control extension becomes this frame's. A frame without pixels keeps its extensions too (a comment
    // standing after the last image).
    if (frame->FExtensionList->ItemCount() > 0) {
        vcl::TMemoryStream stream;
        frame->FExtensionList->WriteItems(&stream);
        stream.SetPosition(0);
        FExtensionList->ReadItems(&stream, this);
    }
    if (frame->FCachedBitmap && !IsEmpty())
        NewFrameBitmap()->Assign(frame->FrameBitmap());
}

void TGifFrame::AssignGraphic(vcl::TPersistent* source) {
    auto* graphic = static_cast<vcl::TGraphic*>(source);
    ClearFrame();
    if (graphic->GetEmpty())
        return;
    auto* icon = dynamic_cast<vcl::TIcon*>(graphic);
    auto* metafile = dynamic_cast<vcl::TMetafile*>(graphic);
    vcl::TBitmap bitmap;
    if (auto* document = dynamic_cast<TGifDocument*>(graphic)) {
        // Drawing a document could start its animation; its screen bitmap is the picture it shows.
        bitmap.Assign(document->ScreenBitmap());
    } else if (icon || metafile) {
        try {
            ImportRasterizeGraphic(&bitmap, graphic);
        } catch (const vcl::Exception&) {
            bitmap.Assign(graphic);
        }
    } else {
        try {
            bitmap.Assign(graphic);
        } catch (const vcl::Exception&) {
            ImportRasterizeGraphic(&bitmap, graphic);
        }
    }
    Assign(&bitmap);
    if (icon)
        ApplyIconMask(icon);
    else if (metafile)
        ApplyMetafileMask(metafile);
}

void TGifFrame::ImportBitmap(vcl::TBitmap* source) {
    if (source->GetWidth() > 65535 || source->GetHeight() > 65535)
        RaiseGifError("Image is too large");
    SetDescriptorValue(dvWidth, uint16_t(source->GetWidth()));
    SetDescriptorValue(dvHeight, uint16_t(source->GetHeight()));
    const vcl::TPixelFormat format = source->GetPixelFormat();
    if (format == vcl::pf1bit || format == vcl::pf4bit || format == vcl::pf8bit) {
        NewFrameBitmap()->Assign(source);
    } else {
        TGifDocument* image = FOwnerImage;
        // Reduction reads the picture as 24 bits, converting it in place: work on a copy so that the
        // caller's bitmap (perhaps with alpha) stays as it was.
        vcl::TBitmap copy;
        copy.Assign(source);
        FCachedBitmap =
            ReduceBitmapToPalette(&copy, image ? image->GetReductionMethod() : DefaultReductionMethod,
                                  image ? image->GetDitherMethod() : DefaultDitherMethod,
                                  image ? image->GetQuantizeBits() : DefaultQuantizeBits, nullptr);
        if (!FCachedBitmap || FCachedBitmap->GetEmpty()) {
            FCachedBitmap.reset();
            RaiseGifError("Invalid reduction method");
        }
    }
    AllocatePixels();
    TGifDocument* image = FOwnerImage;
    auto progress = [&](vcl::TProgressStage stage, uint8_t percent) {
        if (image)
            image->ReportProgress(this, stage, percent, stage == vcl::psEnding && image->GetPaletteModified(),
                                  "Converting...");
    };
    progress(vcl::psStarting, 0);
    try {
        vcl::TBitmap* bitmap = FCachedBitmap.get();
        switch (bitmap->GetPixelFormat()) {
        case vcl::pf1bit:
            ImportRowsIndexed(bitmap, 1);
            break;
        case vcl::pf4bit:
            ImportRowsIndexed(bitmap, 4);
            break;
        case vcl::pf8bit:
            ImportRowsIndexed(bitmap, 8);
            break;
        default:
            ImportRows24(bitmap);
            break;
        }
        if (source->GetTransparent())
            ApplyMaskHandle(source->GetMaskHandle());
    } catch (...) {
        progress(vcl::psEnding, 0);
        throw;
    }
    progress(vcl::psEnding, 100);
}

void TGifFrame::ImportRowsIndexed(vcl::TBitmap* bitmap, int32_t bits) {
    TDIBReader reader(bitmap, bits == 1 ? vcl::pf1bit : bits == 4 ? vcl::pf4bit : vcl::pf8bit);
    if (bits == 8 && bitmap->GetPixelFormat() != vcl::pfDevice)
        FLocalColorMap->CopyFromDeviceContext(bitmap->GetCanvas()->GetHandle());
    else
        FLocalColorMap->CopyFromPalette(bitmap->GetPalette());
    // Pixels of 1 or 4 bits stand leftmost first in the high bits of their byte.
    const int32_t perByte = 8 / bits;
    const uint8_t mask = uint8_t((1 << bits) - 1);
    const int32_t width = FDescriptor.Width;
    for (int32_t y = 0; y < FDescriptor.Height; ++y) {
        if (y % 32 == 0)
            ReportRenderProgress(y, "Converting...");
        const uint8_t* src = reader.RowPointer(y);
        uint8_t* dst = RowAddress(y);
        if (bits == 8) {
            std::copy(src, src + width, dst);
            continue;
        }
        for (int32_t x = 0; x < width; ++x)
            dst[x] = (src[x / perByte] >> ((perByte - 1 - x % perByte) * bits)) & mask;
    }
}

void TGifFrame::ImportRows24(vcl::TBitmap* bitmap) {
    TDIBReader reader(bitmap, vcl::pf24bit);
    // Recent colours and their indices: pictures repeat colours along a row, so most pixels hit here.
    struct Slot {
        TGifColor Color = 0;
        int32_t Index = -1;
    };
    std::array<Slot, 8> cache;
    int32_t last = 7; // the first colour goes to slot 0
    const int32_t width = FDescriptor.Width;
    for (int32_t y = 0; y < FDescriptor.Height; ++y) {
        if (y % 32 == 0)
            ReportRenderProgress(y, "Converting...");
        const uint8_t* src = reader.RowPointer(y);
        uint8_t* dst = RowAddress(y);
        for (int32_t x = 0; x < width; ++x, src += 3) {
            const TGifColor color = TGifColor(src[2]) | (TGifColor(src[1]) << 8) | (TGifColor(src[0]) << 16);
            int32_t found = -1;
            // From the last hit backwards, until back there or at an empty slot.
            for (int32_t k = 0, slot = last; k < 8; ++k, slot = (slot + 7) % 8) {
                if (cache[slot].Index < 0)
                    break;
                if (cache[slot].Color == color) {
                    found = cache[slot].Index;
                    last = slot;
                    break;
                }
            }
            if (found < 0) {
                found = FLocalColorMap->FindOrAppendColor(color);
                last = (last + 1) % 8;
                cache[last] = {color, found};
            }
            dst[x] = uint8_t(found);
        }
    }
}

void TGifFrame::ApplyMaskBitmap(vcl::TBitmap* mask) {
    FLocalColorMap->SortAndPrune();
    const int32_t count = FLocalColorMap->GetEntryCount();
    if (count < 1 || count >= 256)
        return;
    const int32_t index = FLocalColorMap->AppendColor(0);
    // Read as 24 bits: any pixel that is not black is transparent (a set mask bit, or a colour where two
    // renderings differ).
    TDIBReader reader(mask, vcl::pf24bit);
    const int32_t width = std::min<int32_t>(FDescriptor.Width, mask->GetWidth());
    const int32_t height = std::min<int32_t>(FDescriptor.Height, mask->GetHeight());
    bool any = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = reader.RowPointer(y);
        uint8_t* dst = RowAddress(y);
        for (int32_t x = 0; x < width; ++x)
            if (src[3 * x] | src[3 * x + 1] | src[3 * x + 2]) {
                dst[x] = uint8_t(index);
                any = true;
            }
    }
    if (!any) {
        FLocalColorMap->RemoveEntry(index);
        return;
    }
    auto* gce = new TGifGraphicControlExtension(this);
    FExtensionList->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(index);
    // The bitmap shows the picture without its transparency; the next rendering adds the mask.
    FreeFrameBitmap();
    FreeMaskHandle();
}

void TGifFrame::ApplyMaskHandle(win::HBITMAP mask) {
    if (!mask)
        return;
    vcl::TBitmap bitmap;
    bitmap.SetHandle(mask);
    vcl::TryFinally([&] { ApplyMaskBitmap(&bitmap); }, [&] { bitmap.ReleaseHandle(); });
}

void TGifFrame::ApplyIconMask(vcl::TIcon* icon) {
    win::ICONINFO info{};
    if (!win::GetIconInfo(icon->GetHandle(), &info))
        return;
    struct Release {
        win::ICONINFO& I;
        ~Release() {
            if (I.hbmMask)
                win::DeleteObject(I.hbmMask);
            if (I.hbmColor)
                win::DeleteObject(I.hbmColor);
        }
    } release{info};
    ApplyMaskHandle(info.hbmMask);
}

void TGifFrame::ApplyMetafileMask(vcl::TMetafile* metafile) {
    vcl::TBitmap white, black;
    ImportPaintMetafileOn(&white, metafile, 0xFFFFFF);
    ImportPaintMetafileOn(&black, metafile, 0);
    // Where the two differ the metafile left the background showing.
    white.GetCanvas()->SetCopyMode(vcl::cmSrcInvert);
    white.GetCanvas()->Draw(0, 0, &black);
    ApplyMaskBitmap(&white);
}

} // namespace gif
