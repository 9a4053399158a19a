// Frame rendering: a frame's 8-bit pixels become a cached bitmap (plain, or dithered to the web palette)
// with a 1-bit mask of its transparent pixels; frame and document palettes; drawing a frame scaled,
// tiled and transparent; the document's screen-sized bitmap.
#include "gif/GifColorReduction.h"
#include "gif/GifDib.h"
#include "gif/GifDocument.h"
#include "gif/GifFrame.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gif {

namespace {

// Frames above this many pixels get a 1-bit format before they are sized, so that sizing does not
// allocate a full-colour image first.
constexpr int64_t RenderLargeFramePixels = TGifFrame::RenderLargeFramePixels;

// A large frame is sampled into strips of about this many bytes of 32-bit pixels: few enough copies into
// the target, and a buffer that stays in the processor's cache.
constexpr int32_t RenderStripBytes = 256 * 1024;

// dst[i] = table[src[i]] for n pixels. Four indices are read at once and looked up one by one: a
// compiler's vector form of the plain loop gathers the entries lane by lane and is slower.
void RenderMapRow(const uint8_t* src, uint32_t* dst, int32_t n, const uint32_t* table) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint32_t four;
        std::memcpy(&four, src + i, 4);
        const uint32_t a = table[four & 0xFF], b = table[(four >> 8) & 0xFF], c = table[(four >> 16) & 0xFF],
                       d = table[four >> 24];
        dst[i] = a;
        dst[i + 1] = b;
        dst[i + 2] = c;
        dst[i + 3] = d;
    }
    for (; i < n; ++i)
        dst[i] = table[src[i]];
}

// The web palette index nearest to a colour by its place in the 6 x 6 x 6 cube.
uint8_t RenderWebIndex(const TGifRGB& c) {
    return uint8_t(36 * (c.Red / 51) + 6 * (c.Green / 51) + c.Blue / 51);
}

// A memory DC released on every path.
struct RenderMemoryDC {
    win::HDC DC;
    explicit RenderMemoryDC(win::HDC compatible) : DC(CheckGDIResult(win::CreateCompatibleDC(compatible))) {}
    ~RenderMemoryDC() { win::DeleteDC(DC); }
    RenderMemoryDC(const RenderMemoryDC&) = delete;
    RenderMemoryDC& operator=(const RenderMemoryDC&) = delete;
};

// A bitmap handle deleted on every path (after it has been deselected).
struct RenderBitmapHandle {
    win::HBITMAP H;
    explicit RenderBitmapHandle(win::HBITMAP h) : H(CheckGDIResult(h)) {}
    ~RenderBitmapHandle() { win::DeleteObject(H); }
    RenderBitmapHandle(const RenderBitmapHandle&) = delete;
    RenderBitmapHandle& operator=(const RenderBitmapHandle&) = delete;
};

// The step between tiles: the screen's size, or the frame's far edge when the screen has none.
int32_t RenderTileStep(int32_t screen, int32_t frameEnd) {
    return std::max({screen, frameEnd, 1});
}

} // namespace

// ---- Frame bitmap ------------------------------------------------------------------------------------

int32_t TGifFrame::TransparentIndex() const {
    if (!FTransparentFrame || !FControlExtension || !FControlExtension->GetTransparentFlag())
        return -1;
    return FControlExtension->GetTransparentIndex();
}

void TGifFrame::ReportRenderProgress(int32_t row, const char* message) {
    if (FOwnerImage && FDescriptor.Height > 0)
        FOwnerImage->ReportProgress(this, vcl::psRunning, uint8_t(int64_t(row) * 100 / FDescriptor.Height),
                                    false, message);
}

vcl::TBitmap* TGifFrame::FrameBitmap() {
    if (FCachedBitmap || IsEmpty())
        return FCachedBitmap.get();
    TGifDocument* image = FOwnerImage;
    auto progressEnd = [&](uint8_t percent) {
        if (image)
            image->ReportProgress(this, vcl::psEnding, percent, image->GetPaletteModified(), "Rendering...");
    };
    if (image)
        image->ReportProgress(this, vcl::psStarting, 0, false, "Rendering...");
    try {
        FCachedBitmap = Render(image && image->DitherActive());
        progressEnd(100);
    } catch (const vcl::EAbort&) {
        progressEnd(0);
    } catch (...) {
        progressEnd(0);
        throw;
    }
    if (image && image->GetPaletteModified())
        image->NotifyChanged(this);
    return FCachedBitmap.get();
}

std::unique_ptr<vcl::TBitmap> TGifFrame::RenderPlain() {
    return Render(false);
}

std::unique_ptr<vcl::TBitmap> TGifFrame::RenderDithered() {
    return Render(true);
}

std::unique_ptr<vcl::TBitmap> TGifFrame::Render(bool dithered) {
    const int32_t width = FDescriptor.Width, height = FDescriptor.Height;
    auto bitmap = std::make_unique<vcl::TBitmap>();
    if (int64_t(width) * height > RenderLargeFramePixels)
        bitmap->SetPixelFormat(vcl::pf1bit);
    if (IsEmpty()) {
        bitmap->SetSize(width, height);
        return bitmap;
    }
    win::HPALETTE palette = FramePaletteHandle();
    const bool masking = FMaskWanted && FTransparentFrame && TransparentIndex() >= 0;
    FMaskWanted = false;
    const int32_t transparent = masking ? TransparentIndex() : -1;
    const size_t maskStride = size_t((width + 15) / 16) * 2;
    std::vector<uint8_t> mask(masking ? maskStride * size_t(height) : 0, 0);
    bool anyTransparent = false;

    // Colours of the effective table; indices beyond it are black.
    const TGifColorMap* map = EffectiveColorMap();
    TGifRGB colors[256] = {};
    for (int32_t i = 0; i < std::min(map->GetEntryCount(), 256); ++i)
        colors[i] = map->Entry(i);

    {
        TDIBWriter writer(bitmap.get(), vcl::pf8bit, width, height, palette);
        TWebSafeColorLookup lookup;
        std::unique_ptr<TDitherEngine> ditherer;
        if (dithered)
            ditherer = std::make_unique<TFloydSteinbergDitherer>(width, &lookup);
        for (int32_t y = 0; y < height; ++y) {
            if (y % 32 == 0)
                ReportRenderProgress(y, "Rendering...");
            const uint8_t* src = RowAddress(y);
            uint8_t* dst = writer.RowPointer(y);
            uint8_t* maskRow = masking ? mask.data() + size_t(y) * maskStride : nullptr;
            if (!dithered) {
                std::copy(src, src + width, dst);
                if (masking)
                    for (int32_t x = 0; x < width; ++x)
                        if (src[x] == transparent) {
                            maskRow[x >> 3] |= uint8_t(0x80 >> (x & 7));
                            anyTransparent = true;
                        }
                continue;
            }
            // Transparent positions keep an index near the transparent colour; the mask hides them.
            if (masking)
                std::fill(dst, dst + width, RenderWebIndex(colors[transparent]));
            for (int32_t x = ditherer->GetScanColumn(); x >= 0 && x < width; x = ditherer->GetScanColumn()) {
                if (masking && src[x] == transparent) {
                    maskRow[x >> 3] |= uint8_t(0x80 >> (x & 7));
                    anyTransparent = true;
                    ditherer->SkipPixel();
                    continue;
                }
                const TGifRGB& c = colors[src[x]];
                uint8_t r, g, b;
                dst[x] = ditherer->MapPixel(c.Red, c.Green, c.Blue, r, g, b);
            }
            ditherer->StartNextRow();
        }
    }
    if (masking && anyTransparent) {
        if (FMask)
            win::DeleteObject(FMask);
        FMask = nullptr;
        FMask = CheckGDIResult(win::CreateBitmap(width, height, 1, 1, mask.data()));
    }
    return bitmap;
}

void TGifFrame::SetBitmapBuilt(bool value) {
    if (value)
        FrameBitmap();
    else
        FreeFrameBitmap();
}

vcl::TBitmap* TGifFrame::NewFrameBitmap() {
    FCachedBitmap = std::make_unique<vcl::TBitmap>();
    return FCachedBitmap.get();
}

void TGifFrame::FreeFrameBitmap() {
    FCachedBitmap.reset();
}

void TGifFrame::FreeMaskHandle() {
    if (FMask)
        win::DeleteObject(FMask);
    FMask = nullptr;
    FMaskWanted = true;
}

bool TGifFrame::MaskAvailable() {
    if (FMaskWanted && FTransparentFrame) {
        FreeFrameBitmap();
        FrameBitmap();
    }
    return FMask != nullptr;
}

void TGifFrame::SetFrameBitmap(vcl::TBitmap* bitmap) {
    FreeFrameBitmap();
    if (bitmap)
        Assign(bitmap);
}

// ---- Palettes ----------------------------------------------------------------------------------------

win::HPALETTE TGifFrame::FramePaletteHandle() {
    if (FCachedBitmap)
        if (win::HPALETTE palette = FCachedBitmap->GetPalette())
            return palette;
    if (FFramePalette)
        return FFramePalette;
    if (FOwnerImage && FOwnerImage->DitherActive()) {
        FFramePalette = CreateWebSafePalette();
        return FFramePalette;
    }
    if (FLocalColorMap->GetEntryCount() > 0) {
        FFramePalette = CheckGDIResult(FLocalColorMap->MakePalette());
        return FFramePalette;
    }
    return FOwnerImage ? FOwnerImage->GetPalette() : nullptr;
}

void TGifFrame::ReplaceFramePalette(win::HPALETTE palette) {
    if (palette == FFramePalette)
        return;
    if (FFramePalette)
        win::DeleteObject(FFramePalette);
    FFramePalette = palette;
    if (FCachedBitmap && FCachedBitmap->GetPalette() != palette) {
        FreeFrameBitmap();
        if (FOwnerImage) {
            FOwnerImage->SetPaletteModified(true);
            FOwnerImage->NotifyChanged(this);
        }
    }
}

win::HPALETTE TGifDocument::GetPalette() const {
    return const_cast<TGifDocument*>(this)->DocumentPalette();
}

win::HPALETTE TGifDocument::DocumentPalette() {
    // A frame without a local table asks the document, which asks frame 0: without any table the two
    // would ask each other for ever.
    if (FPaletteGuard)
        RaiseGifError("No global or local color table defined");
    struct Guard {
        bool& Flag;
        explicit Guard(bool& flag) : Flag(flag) { Flag = true; }
        ~Guard() { Flag = false; }
    } guard(FPaletteGuard);
    if (FCachedBitmap)
        if (win::HPALETTE palette = FCachedBitmap->GetPalette())
            return palette;
    if (FCachedPalette)
        return FCachedPalette;
    if (DitherActive()) {
        FCachedPalette = CreateWebSafePalette();
        return FCachedPalette;
    }
    if (GlobalColorMap()->GetEntryCount() > 0) {
        FCachedPalette = CheckGDIResult(GlobalColorMap()->MakePalette());
        return FCachedPalette;
    }
    return FrameCount() > 0 ? Frame(0)->FramePaletteHandle() : nullptr;
}

void TGifDocument::SetPalette(win::HPALETTE palette) {
    if (palette == FCachedPalette)
        return;
    if (FCachedPalette)
        win::DeleteObject(FCachedPalette);
    FCachedPalette = palette;
    if (FCachedBitmap && FCachedBitmap->GetPalette() != palette) {
        FreeScreenBitmap();
        SetPaletteModified(true);
        Changed(this);
    }
}

win::HPALETTE TGifDocument::PaletteCopyOrNull() {
    try {
        return vcl::CopyPalette(GetPalette());
    } catch (const EGifError&) {
        // A document without any colour table draws its pixels black; a screen bitmap needs no palette.
        return nullptr;
    }
}

// ---- Drawing a frame ---------------------------------------------------------------------------------

vcl::TRect TGifFrame::ScaleToTarget(const vcl::TRect& rect) const {
    const int32_t w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    const int32_t left = FDescriptor.Left, top = FDescriptor.Top;
    const int32_t right = left + FDescriptor.Width, bottom = top + FDescriptor.Height;
    int32_t sw = FOwnerImage ? FOwnerImage->GetWidth() : 0;
    int32_t sh = FOwnerImage ? FOwnerImage->GetHeight() : 0;
    // A screen of size 0 (frames were placed without one) scales as if it ended at the frame.
    if (sw <= 0)
        sw = std::max(right, 1);
    if (sh <= 0)
        sh = std::max(bottom, 1);
    return {rect.Left + win::MulDiv(left, w, sw), rect.Top + win::MulDiv(top, h, sh),
            rect.Left + win::MulDiv(right, w, sw), rect.Top + win::MulDiv(bottom, h, sh)};
}

void TGifFrame::PaintFrame(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency, bool tiled) {
    PaintFrameAt(canvas, tiled ? rect : ScaleToTarget(rect), useTransparency, tiled);
}

bool TGifFrame::DrawsSampled() const {
    return int64_t(FDescriptor.Width) * FDescriptor.Height > RenderLargeFramePixels;
}

void TGifFrame::PaintSampled(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency) {
    const int64_t fw = FDescriptor.Width, fh = FDescriptor.Height;
    const int64_t dw = int64_t(rect.Right) - rect.Left, dh = int64_t(rect.Bottom) - rect.Top;
    if (dw <= 0 || dh <= 0 || !FPixels)
        return;
    const vcl::TRect clip = canvas->GetClipRect();
    const vcl::TRect visible = win::Intersect(rect, clip);
    if (visible.IsEmpty())
        return;
    const int32_t vw = visible.Right - visible.Left, vh = visible.Bottom - visible.Top;

    // The colours the frame's bitmap would show: its palette's entries, black beyond them.
    win::HPALETTE palette = nullptr;
    try {
        palette = FramePaletteHandle();
    } catch (const EGifError&) {
        // No colour table anywhere: every pixel is black.
    }
    win::PALETTEENTRY entries[256] = {};
    if (palette)
        win::GetPaletteEntries(palette, 0, 256, entries);
    uint32_t shown[256];
    for (int i = 0; i < 256; ++i)
        shown[i] = uint32_t(entries[i].peBlue) | uint32_t(entries[i].peGreen) << 8 |
                   uint32_t(entries[i].peRed) << 16;
    const bool dithered = FOwnerImage && FOwnerImage->DitherActive();
    const TGifColorMap* map = EffectiveColorMap();
    TGifRGB colors[256] = {};
    for (int32_t i = 0; i < std::min(map->GetEntryCount(), 256); ++i)
        colors[i] = map->Entry(i);
    const int32_t transparent = useTransparency && FTransparentFrame ? TransparentIndex() : -1;

    // Nearest-pixel sampling, the way a stretched copy picks its source pixels. Drawn at the frame's own
    // size, the visible columns are one run of the frame's row.
    const bool unscaled = dw == fw;
    const int64_t firstColumn = int64_t(visible.Left) - rect.Left;
    std::vector<int32_t> columns(unscaled ? 0 : size_t(vw), 0);
    if (!unscaled)
        for (int32_t x = 0; x < vw; ++x)
            columns[size_t(x)] = int32_t(((2 * (firstColumn + x) + 1) * fw) / (2 * dw));
    auto sourceRow = [&](int32_t y) {
        const auto sy = int32_t(((2 * (int64_t(visible.Top) + y - rect.Top) + 1) * fh) / (2 * dh));
        return FPixels.get() + sy * fw;
    };
    // One row of shown colours; transparent pixels keep what dst holds.
    auto sampleRow = [&](const uint8_t* src, uint32_t* dst) {
        if (unscaled) {
            src += firstColumn;
            if (transparent < 0)
                RenderMapRow(src, dst, vw, shown);
            else
                for (int32_t x = 0; x < vw; ++x)
                    dst[x] = src[x] == transparent ? dst[x] : shown[src[x]];
            return;
        }
        for (int32_t x = 0; x < vw; ++x) {
            const uint8_t index = src[columns[size_t(x)]];
            if (index != transparent)
                dst[x] = shown[index];
        }
    };
    win::HDC target = canvas->GetHandle();
    // The target is drawn in strips of rows that stay in the processor's cache; a target that maps its
    // coordinates takes one strip, so that its rounding is the same as for one copy of the whole.
    const bool plainMapping = win::GetMapMode(target) == win::MM_TEXT;
    const int32_t stripRows = plainMapping ? std::clamp<int32_t>(RenderStripBytes / (4 * vw), 1, vh) : vh;
    if (!dithered && transparent < 0 && plainMapping) {
        // Every visible pixel is drawn: sample into plain memory and copy it in, as the copy of a 32-bit
        // bitmap would.
        std::unique_ptr<uint32_t[]> pixels(new uint32_t[size_t(vw) * size_t(stripRows)]);
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
        info.bmiHeader.biWidth = vw;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = win::BI_RGB;
        for (int32_t top = 0; top < vh; top += stripRows) {
            const int32_t rows = std::min(stripRows, vh - top);
            for (int32_t y = 0; y < rows; ++y)
                sampleRow(sourceRow(top + y), pixels.get() + size_t(y) * size_t(vw));
            info.bmiHeader.biHeight = -rows; // top-down
            win::StretchDIBits(target, visible.Left, visible.Top + top, vw, rows, 0, 0, vw, rows, pixels.get(),
                               &info, win::DIB_RGB_COLORS, win::SRCCOPY);
        }
        canvas->Changed();
        return;
    }
    vcl::TBitmap buffer;
    buffer.SetPixelFormat(vcl::pf32bit);
    buffer.SetSize(vw, stripRows);
    win::HDC bufferDC = buffer.GetCanvas()->GetHandle();
    TWebSafeColorLookup lookup;
    std::unique_ptr<TDitherEngine> ditherer;
    if (dithered)
        ditherer = std::make_unique<TFloydSteinbergDitherer>(vw, &lookup);
    for (int32_t top = 0; top < vh; top += stripRows) {
        const int32_t rows = std::min(stripRows, vh - top);
        // Transparent pixels show what the target showed.
        if (transparent >= 0)
            win::BitBlt(bufferDC, 0, 0, vw, rows, target, visible.Left, visible.Top + top, win::SRCCOPY);
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* src = sourceRow(top + y);
            auto* dst = static_cast<uint32_t*>(buffer.ScanLine(y));
            if (!dithered) {
                sampleRow(src, dst);
                continue;
            }
            for (int32_t x = ditherer->GetScanColumn(); x >= 0 && x < vw; x = ditherer->GetScanColumn()) {
                const uint8_t index = src[unscaled ? firstColumn + x : columns[size_t(x)]];
                if (index == transparent) {
                    ditherer->SkipPixel();
                    continue;
                }
                uint8_t r, g, b;
                dst[x] = shown[ditherer->MapPixel(colors[index].Red, colors[index].Green, colors[index].Blue,
                                                  r, g, b)];
            }
            ditherer->StartNextRow();
        }
        win::BitBlt(target, visible.Left, visible.Top + top, vw, rows, bufferDC, 0, 0, win::SRCCOPY);
    }
    canvas->Changed();
}

void TGifFrame::PaintFrameAt(vcl::TCanvas* canvas, const vcl::TRect& rect, bool useTransparency, bool tiled) {
    if (!canvas || IsEmpty())
        return;
    if (DrawsSampled()) {
        const int32_t fw = FDescriptor.Width, fh = FDescriptor.Height;
        if (!tiled) {
            PaintSampled(canvas, rect, useTransparency);
            return;
        }
        const int32_t stepX =
            RenderTileStep(FOwnerImage ? FOwnerImage->GetWidth() : 0, FDescriptor.Left + fw);
        const int32_t stepY =
            RenderTileStep(FOwnerImage ? FOwnerImage->GetHeight() : 0, FDescriptor.Top + fh);
        for (int64_t x = int64_t(rect.Left) + FDescriptor.Left; x < rect.Right; x += stepX)
            for (int64_t y = int64_t(rect.Top) + FDescriptor.Top; y < rect.Bottom; y += stepY)
                PaintSampled(canvas, {int32_t(x), int32_t(y), int32_t(x + fw), int32_t(y + fh)},
                             useTransparency);
        return;
    }
    const bool transparent = useTransparency && FTransparentFrame && MaskAvailable();
    vcl::TBitmap* bitmap = FrameBitmap();
    if (!bitmap)
        return;
    const int32_t fw = FDescriptor.Width, fh = FDescriptor.Height;
    const int32_t stepX = RenderTileStep(FOwnerImage ? FOwnerImage->GetWidth() : 0, FDescriptor.Left + fw);
    const int32_t stepY = RenderTileStep(FOwnerImage ? FOwnerImage->GetHeight() : 0, FDescriptor.Top + fh);
    auto forEachTile = [&](auto&& paint) {
        for (int64_t x = int64_t(rect.Left) + FDescriptor.Left; x < rect.Right; x += stepX)
            for (int64_t y = int64_t(rect.Top) + FDescriptor.Top; y < rect.Bottom; y += stepY)
                paint(int32_t(x), int32_t(y));
    };
    if (!transparent) {
        if (tiled)
            forEachTile([&](int32_t x, int32_t y) { canvas->StretchDraw({x, y, x + fw, y + fh}, bitmap); });
        else
            canvas->StretchDraw(rect, bitmap);
        return;
    }
    win::HDC dest = canvas->GetHandle();
    win::HDC source = bitmap->GetCanvas()->GetHandle();
    RenderMemoryDC maskDC(nullptr);
    {
        win::HGDIOBJ old = win::SelectObject(maskDC.DC, FMask);
        vcl::ScopeExit restore([&]() noexcept { win::SelectObject(maskDC.DC, old); });
        if (tiled)
            forEachTile([&](int32_t x, int32_t y) {
                TransparentStretchCopy(dest, x, y, fw, fh, source, 0, 0, fw, fh, maskDC.DC, 0, 0);
            });
        else
            TransparentStretchCopy(dest, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top,
                                   source, 0, 0, fw, fh, maskDC.DC, 0, 0);
    }
    canvas->Changed();
}

void TransparentStretchCopy(win::HDC destDC, int32_t destX, int32_t destY, int32_t destW, int32_t destH,
                            win::HDC sourceDC, int32_t sourceX, int32_t sourceY, int32_t sourceW,
                            int32_t sourceH, win::HDC maskDC, int32_t maskX, int32_t maskY) {
    if (destW == sourceW && destH == sourceH) {
        // Equal sizes: one masked blit keeps the destination where the mask is set.
        RenderBitmapHandle stand(win::CreateCompatibleBitmap(destDC, 1, 1));
        win::HBITMAP mask = win::AsBitmap(win::SelectObject(maskDC, stand.H));
        CheckGDIResult(mask);
        win::MaskBlt(destDC, destX, destY, destW, destH, sourceDC, sourceX, sourceY, mask, maskX, maskY,
                     win::MAKEROP4(0x00AA0029, win::SRCCOPY));
        win::SelectObject(maskDC, mask);
        return;
    }
    if (sourceW <= 0 || sourceH <= 0)
        return;
    // Stretched: black out the transparent pixels of a copy of the source, clear the opaque ones on the
    // destination through the mask, then OR the copy onto it.
    RenderMemoryDC colorDC(destDC);
    RenderBitmapHandle colorBitmap(win::CreateCompatibleBitmap(destDC, sourceW, sourceH));
    win::HGDIOBJ oldColor = win::SelectObject(colorDC.DC, colorBitmap.H);
    win::HPALETTE sourcePalette = nullptr;
    {
        RenderMemoryDC monoDC(destDC);
        RenderBitmapHandle monoBitmap(win::CreateBitmap(sourceW, sourceH, 1, 1, nullptr));
        win::HGDIOBJ oldMono = win::SelectObject(monoDC.DC, monoBitmap.H);
        win::BitBlt(monoDC.DC, 0, 0, sourceW, sourceH, maskDC, maskX, maskY, win::NOTSRCCOPY);
        win::HPALETTE system = vcl::SystemPalette16();
        sourcePalette = win::SelectPalette(sourceDC, system, win::FALSE);
        win::SelectPalette(sourceDC, sourcePalette, win::FALSE);
        win::HPALETTE oldPalette =
            win::SelectPalette(colorDC.DC, sourcePalette ? sourcePalette : system, win::FALSE);
        win::RealizePalette(colorDC.DC);
        win::BitBlt(colorDC.DC, 0, 0, sourceW, sourceH, monoDC.DC, 0, 0, win::SRCCOPY);
        win::BitBlt(colorDC.DC, 0, 0, sourceW, sourceH, sourceDC, sourceX, sourceY, win::SRCAND);
        win::SelectPalette(colorDC.DC, oldPalette, win::FALSE);
        win::DeleteObject(system);
        win::SelectObject(monoDC.DC, oldMono);
    }
    win::COLORREF oldText = win::SetTextColor(destDC, 0x000000);
    win::COLORREF oldBack = win::SetBkColor(destDC, 0xFFFFFF);
    win::StretchBlt(destDC, destX, destY, destW, destH, maskDC, maskX, maskY, sourceW, sourceH, win::SRCAND);
    win::StretchBlt(destDC, destX, destY, destW, destH, colorDC.DC, 0, 0, sourceW, sourceH, win::SRCPAINT);
    win::SetTextColor(destDC, oldText);
    win::SetBkColor(destDC, oldBack);
    win::SelectObject(colorDC.DC, oldColor);
}

// ---- Screen bitmap -----------------------------------------------------------------------------------

vcl::TBitmap* TGifDocument::ScreenBitmap() {
    if (GetEmpty())
        return nullptr;
    if (FCachedBitmap)
        return FCachedBitmap.get();
    auto bitmap = std::make_unique<vcl::TBitmap>();
    TGifFrame* first = Frame(0);
    vcl::TBitmap* firstBitmap =
        first->Descriptor().Width == GetWidth() && first->Descriptor().Height == GetHeight()
            ? first->FrameBitmap()
            : nullptr;
    if (firstBitmap) {
        bitmap->Assign(firstBitmap);
    } else {
        if (win::HPALETTE palette = PaletteCopyOrNull())
            bitmap->SetPalette(palette);
        bitmap->SetSize(GetWidth(), GetHeight());
        first->PaintFrame(bitmap->GetCanvas(), bitmap->GetCanvas()->GetClipRect(), false, false);
    }
    bitmap->OnChange = [this](vcl::TObject*) { Changed(this); };
    FCachedBitmap = std::move(bitmap);
    return FCachedBitmap.get();
}

vcl::TBitmap* TGifDocument::NewScreenBitmap() {
    if (!FCachedBitmap) {
        auto bitmap = std::make_unique<vcl::TBitmap>();
        if (win::HPALETTE palette = PaletteCopyOrNull())
            bitmap->SetPalette(palette);
        bitmap->SetSize(GetWidth(), GetHeight());
        bitmap->OnChange = [this](vcl::TObject*) { Changed(this); };
        FCachedBitmap = std::move(bitmap);
    }
    return FCachedBitmap.get();
}

} // namespace gif
