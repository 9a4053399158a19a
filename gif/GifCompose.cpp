#include "gif/GifCompose.h"

#include "gif/GifColorReduction.h"
#include "gif/GifDocument.h"
#include "gif/GifStreamUtils.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace gif {

namespace {

uint32_t ComposeRgb(vcl::TColor color) {
    const auto c = uint32_t(vcl::ColorToRGB(color));
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// The disposal the painter applies to a frame: its last graphic control extension's, else "keep".
uint8_t ComposeDisposal(TGifFrame* frame) {
    uint8_t disposal = dpKeep;
    TGifExtensionList* extensions = frame->GetExtensionList();
    for (int32_t i = 0; i < extensions->ItemCount(); ++i)
        if (auto* gce = dynamic_cast<TGifGraphicControlExtension*>(extensions->ExtensionAt(i)))
            disposal = gce->GetDisposalMethod();
    return disposal;
}

// The part of a frame on the screen, in screen coordinates; empty when none is.
struct ComposeArea {
    int32_t Left, Top, Right, Bottom;
    bool Empty() const { return Left >= Right || Top >= Bottom; }
};

ComposeArea ComposeClip(TGifFrame* frame, int32_t width, int32_t height) {
    const TGifImageDescriptor& d = frame->Descriptor();
    return {std::min<int32_t>(d.Left, width), std::min<int32_t>(d.Top, height),
            std::min<int32_t>(int32_t(d.Left) + d.Width, width),
            std::min<int32_t>(int32_t(d.Top) + d.Height, height)};
}

// The web palette index a dithered frame keeps at its transparent positions.
uint8_t ComposeWebIndex(const TGifRGB& c) {
    return uint8_t(36 * (c.Red / 51) + 6 * (c.Green / 51) + c.Blue / 51);
}

} // namespace

vcl::TColor ComposeBackgroundColor(TGifDocument* image) {
    if (image->GetPlaybackBackground() != GifColorNone)
        return vcl::ColorToRGB(image->GetPlaybackBackground());
    if (image->GlobalColorMap()->GetEntryCount() > 0)
        return vcl::ColorToRGB(image->ScreenBackgroundColor());
    return vcl::ColorToRGB(vcl::clWindow);
}

TGifComposer::TGifComposer(TGifDocument* image, vcl::TColor background, bool useTransparency)
    : FImage(image), FWidth(std::max(image->GetWidth(), 0)), FHeight(std::max(image->GetHeight(), 0)),
      FBackground(ComposeRgb(background)), FUseTransparency(useTransparency) {
    if (int64_t(FWidth) * FHeight > GifMaxFramePixels)
        RaiseGifError("Image is too large");
    FScreen.assign(size_t(FWidth) * size_t(FHeight), FBackground);
    FKept = FScreen;
}

bool TGifComposer::Next() {
    if (FFrameIndex + 1 >= FImage->FrameCount())
        return false;
    ++FFrameIndex;
    TGifFrame* frame = FImage->Frame(FFrameIndex);
    const uint8_t disposal = ComposeDisposal(frame);
    // The frame is drawn over the kept picture. Restoring to the previous picture leaves that picture as
    // it was; restoring to the background clears the frame's area in it after the frame was shown; any
    // other value keeps the frame.
    FScreen = FKept;
    DrawFrame(frame, FScreen);
    if (disposal != dpRestorePrevious) {
        FKept = FScreen;
        if (disposal == dpRestoreBackground)
            FillFrameArea(frame, FKept, FBackground);
    }
    return true;
}

void TGifComposer::FillFrameArea(TGifFrame* frame, std::vector<uint32_t>& into, uint32_t color) {
    const ComposeArea area = ComposeClip(frame, FWidth, FHeight);
    if (area.Empty())
        return;
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        uint32_t* row = into.data() + size_t(y) * size_t(FWidth);
        std::fill(row + area.Left, row + area.Right, color);
    }
}

void TGifComposer::DrawFrame(TGifFrame* frame, std::vector<uint32_t>& into) {
    if (frame->IsEmpty())
        return;
    const ComposeArea area = ComposeClip(frame, FWidth, FHeight);
    if (area.Empty())
        return;
    const TGifImageDescriptor& d = frame->Descriptor();
    const int32_t frameWidth = d.Width;

    // The colours the frame's bitmap shows: its palette's entries, black beyond them and without any.
    win::HPALETTE palette = nullptr;
    try {
        palette = frame->FramePaletteHandle();
    } catch (const EGifError&) {
        // No colour table anywhere.
    }
    win::PALETTEENTRY entries[256] = {};
    if (palette)
        win::GetPaletteEntries(palette, 0, 256, entries);
    uint32_t shown[256];
    for (int i = 0; i < 256; ++i)
        shown[i] = uint32_t(entries[i].peRed) << 16 | uint32_t(entries[i].peGreen) << 8 | entries[i].peBlue;
    // A frame with a transparent index marks it whether drawn transparent or not: a dithered bitmap keeps
    // the transparent colour's web index there instead of diffusing it.
    const int32_t marked = frame->TransparentIndex();
    const int32_t transparent = FUseTransparency ? marked : -1;

    const bool dithered = FImage->DitherActive();
    std::unique_ptr<TWebSafeColorLookup> lookup;
    std::unique_ptr<TDitherEngine> ditherer;
    TGifRGB colors[256] = {};
    std::vector<uint8_t> dither;
    if (dithered) {
        // The whole frame is dithered row by row as its bitmap is, then clipped.
        const TGifColorMap* map = frame->EffectiveColorMap();
        for (int32_t i = 0; i < std::min(map->GetEntryCount(), 256); ++i)
            colors[i] = map->Entry(i);
        lookup = std::make_unique<TWebSafeColorLookup>();
        ditherer = std::make_unique<TFloydSteinbergDitherer>(frameWidth, lookup.get());
        dither.resize(size_t(frameWidth));
    }
    for (int32_t row = 0; row < d.Height; ++row) {
        const int32_t y = d.Top + row;
        if (y >= area.Bottom && !dithered)
            break;
        const uint8_t* src = frame->GetPixels() + size_t(row) * size_t(frameWidth);
        const uint8_t* indices = src;
        if (dithered) {
            if (marked >= 0)
                std::fill(dither.begin(), dither.end(), ComposeWebIndex(colors[marked]));
            for (int32_t x = ditherer->GetScanColumn(); x >= 0 && x < frameWidth; x = ditherer->GetScanColumn()) {
                if (src[x] == marked) {
                    ditherer->SkipPixel();
                    continue;
                }
                const TGifRGB& c = colors[src[x]];
                uint8_t r, g, b;
                dither[size_t(x)] = ditherer->MapPixel(c.Red, c.Green, c.Blue, r, g, b);
            }
            ditherer->StartNextRow();
            indices = dither.data();
        }
        if (y >= area.Bottom)
            break;
        uint32_t* dst = into.data() + size_t(y) * size_t(FWidth);
        for (int32_t x = area.Left; x < area.Right; ++x) {
            const int32_t at = x - d.Left;
            if (src[at] != transparent)
                dst[x] = shown[indices[at]];
        }
    }
}

void TGifComposer::AssignTo(vcl::TBitmap* bitmap) const {
    bitmap->SetPixelFormat(vcl::pf32bit);
    bitmap->SetSize(FWidth, FHeight);
    for (int32_t y = 0; y < FHeight; ++y)
        std::memcpy(bitmap->ScanLine(y), FScreen.data() + size_t(y) * size_t(FWidth), size_t(FWidth) * 4);
}

} // namespace gif
