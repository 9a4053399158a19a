// GUI-bitmap storage of TIKBitmap (the rows of a class-library TBitmap) and the exchange of pixels with
// TBitmap objects and DIB sections.
#include "imaging/core/IKBitmap.h"

#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMemoryMapped.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKWorkBitmaps.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

vcl::TPixelFormat GuiPixelFormatOf(TIKBitmapFormat format) {
    switch (format) {
    case ikbf1Bit:
        return vcl::pf1bit;
    case ikbf24Bit:
        return vcl::pf24bit;
    default:
        return vcl::pf8bit;
    }
}

// Gives bitmap a colour table of count entries from the colours 0x00RRGGBB.
void GuiSetColorTable(vcl::TBitmap* bitmap, const std::vector<uint32_t>& colors) {
    if (colors.empty())
        return;
    std::vector<uint8_t> block(sizeof(win::LOGPALETTE) + colors.size() * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = win::WORD(colors.size());
    for (size_t i = 0; i < colors.size(); ++i)
        lp->palPalEntry[i] = {uint8_t(colors[i] >> 16), uint8_t(colors[i] >> 8), uint8_t(colors[i]), 0};
    bitmap->SetPalette(win::CreatePalette(lp));
}

std::vector<uint32_t> GuiGrayRamp() {
    std::vector<uint32_t> ramp(256);
    for (uint32_t i = 0; i < 256; ++i)
        ramp[i] = i * 0x010101u;
    return ramp;
}

// 5- and 6-bit channels widened to 8 bits with their high bits repeated, so that full intensity stays 255.
uint8_t GuiWiden5(uint32_t v) {
    return uint8_t((v << 3) | (v >> 2));
}
uint8_t GuiWiden6(uint32_t v) {
    return uint8_t((v << 2) | (v >> 4));
}

} // namespace

void TIKBitmap::GuiSetup() {
    if (FWidth <= 0 || FHeight <= 0 || FPixelFormat == ikbfNone) {
        FRowTable.clear();
        return;
    }
    if (!FGuiBitmap) {
        FGuiBitmap = new vcl::TBitmap();
        FAttached = false;
    }
    // The pixel format changes on a 1 x 1 bitmap, before the real size.
    FGuiBitmap->SetSize(1, 1);
    FGuiBitmap->SetPixelFormat(GuiPixelFormatOf(FPixelFormat));
    if (FPixelFormat == ikbf8BitGray)
        GuiSetColorTable(FGuiBitmap, GuiGrayRamp());
    FGuiBitmap->SetSize(FWidth, FHeight);
    GuiRebuildRowTable();
}

void TIKBitmap::GuiRebuildRowTable() {
    FRowTable.clear();
    if (!FGuiBitmap)
        return;
    const int32_t h = FGuiBitmap->GetHeight();
    FRowTable.resize(size_t(std::max(h, 0)));
    for (int32_t y = 0; y < h; ++y)
        FRowTable[size_t(y)] = static_cast<uint8_t*>(FGuiBitmap->ScanLine(y));
}

void TIKBitmap::GuiRelease(bool keepBitmap) {
    FRowTable.clear();
    if (keepBitmap)
        return;
    if (!FAttached)
        delete FGuiBitmap;
    FGuiBitmap = nullptr;
}

void TIKBitmap::GuiResize(int32_t width, int32_t height) {
    FWidth = std::max(width, 0);
    FHeight = std::max(height, 0);
    if (FPixelFormat == ikbfNone)
        return;
    if (!FGuiBitmap) {
        GuiSetup();
    } else {
        // The rows are carried over here: the bitmap's own resize maps paletted pixels through their colours,
        // which changes indexes whenever the palette repeats a colour.
        const int32_t oldHeight = int32_t(FRowTable.size()), oldRowLength = FRowLength;
        std::vector<uint8_t> old(size_t(std::max(oldRowLength, 0)) * size_t(oldHeight));
        for (int32_t y = 0; y < oldHeight; ++y)
            std::memcpy(old.data() + size_t(y) * size_t(oldRowLength), FRowTable[size_t(y)],
                        size_t(oldRowLength));
        FGuiBitmap->SetSize(FWidth, FHeight);
        FWidth = FGuiBitmap->GetWidth();
        FHeight = FGuiBitmap->GetHeight();
        FRowLength = int32_t(IKRowLength(FWidth, IKFormatBits(FPixelFormat)));
        GuiRebuildRowTable();
        const size_t bytes = size_t(std::min(oldRowLength, FRowLength));
        for (int32_t y = 0; y < std::min(oldHeight, FHeight) && bytes > 0; ++y)
            std::memcpy(FRowTable[size_t(y)], old.data() + size_t(y) * size_t(oldRowLength), bytes);
    }
    FBitsPerPixel = IKFormatBits(FPixelFormat);
    FRowLength = int32_t(IKRowLength(FWidth, FBitsPerPixel));
    GuiRebuildRowTable();
    FFull = false;
}

void TIKBitmap::UpdateTBitmapPalette() {
    if (FStorage != ikbsGuiBitmap || !FGuiBitmap || FPaletteCount < 1 || !FPalette)
        return;
    std::vector<uint32_t> colors(static_cast<size_t>(FPaletteCount));
    for (int32_t i = 0; i < FPaletteCount; ++i)
        colors[size_t(i)] = uint32_t(FPalette[i].R) << 16 | uint32_t(FPalette[i].G) << 8 | FPalette[i].B;
    GuiSetColorTable(FGuiBitmap, colors);
    GuiRebuildRowTable();
}

vcl::TCanvas* TIKBitmap::Canvas() {
    SetStorageKind(ikbsGuiBitmap);
    if (!FGuiBitmap)
        throw vcl::EInvalidGraphicOperation("The image has no pixels to draw on");
    return FGuiBitmap->GetCanvas();
}

void TIKBitmap::AttachTBitmap(vcl::TBitmap* bitmap, bool freeFirst) {
    if (freeFirst)
        FreeImage();
    if (!bitmap)
        return;
    TIKBitmapFormat format = bitmap->GetPixelFormat() == vcl::pf1bit    ? ikbf1Bit
                             : bitmap->GetPixelFormat() == vcl::pf24bit ? ikbf24Bit
                                                                        : ikbfNone;
    if (format == ikbfNone)
        throw vcl::EInvalidGraphicOperation("Only 1-bit and 24-bit bitmaps can be attached");
    // The pixels of other storage go; the alpha channel and palette stay for a re-wrap of the same picture.
    ReleaseView();
    FMapping->Close();
    FMemory.reset();
    if (FGuiBitmap != bitmap)
        GuiRelease(false);
    FGuiBitmap = bitmap;
    FAttached = true;
    FStorage = ikbsGuiBitmap;
    FWidth = bitmap->GetWidth();
    FHeight = bitmap->GetHeight();
    FPixelFormat = format;
    FBitsPerPixel = IKFormatBits(format);
    FRowLength = int32_t(IKRowLength(FWidth, FBitsPerPixel));
    FFull = false;
    GuiRebuildRowTable();
}

void TIKBitmap::ReadTBitmapPalette(vcl::TBitmap* bitmap, int32_t count) {
    if (!FPalette || !bitmap)
        return;
    const std::vector<uint32_t>& colors = bitmap->GetDibFormat().Colors;
    const int32_t n = std::min({count, FPaletteCount, int32_t(colors.size())});
    for (int32_t i = 0; i < n; ++i)
        FPalette[i] = IKUnpackTriple(colors[size_t(i)]);
}

void TIKBitmap::CopyFromTBitmap(vcl::TBitmap* bitmap) {
    if (!bitmap)
        return;
    const vcl::TPixelFormat pf = bitmap->GetPixelFormat();
    const int32_t w = bitmap->GetWidth(), h = bitmap->GetHeight();
    // This storage wraps black-and-white 1-bit and 24-bit bitmaps as they are; other layouts are converted
    // below into rows of the image's own format, or their rows would be read at a length or in colours they
    // do not have.
    const bool wrap = (pf == vcl::pf1bit && bitmap->GetMonochrome()) || pf == vcl::pf24bit;
    if (FStorage == ikbsGuiBitmap && !wrap && FGuiBitmap == bitmap) {
        vcl::TBitmap copy; // our own rows are about to be replaced
        copy.Assign(bitmap);
        CopyFromTBitmap(&copy);
        return;
    }
    if (FStorage == ikbsGuiBitmap && wrap) {
        if (!FGuiBitmap) {
            FGuiBitmap = new vcl::TBitmap();
            FAttached = false;
        }
        if (FGuiBitmap != bitmap)
            FGuiBitmap->Assign(bitmap);
        FWidth = FGuiBitmap->GetWidth();
        FHeight = FGuiBitmap->GetHeight();
        FPixelFormat = pf == vcl::pf1bit ? ikbf1Bit : ikbf24Bit;
        FBitsPerPixel = IKFormatBits(FPixelFormat);
        FRowLength = int32_t(IKRowLength(FWidth, FBitsPerPixel));
        FFull = false;
        GuiRebuildRowTable();
        return;
    }
    switch (pf) {
    case vcl::pf1bit:
        if (bitmap->GetMonochrome()) {
            Allocate(w, h, ikbf1Bit);
            for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y)
                std::memcpy(ScanLine(y), bitmap->ScanLine(y), size_t(FRowLength));
        } else {
            Allocate(w, h, ikbf8Bit);
            ReadTBitmapPalette(bitmap, 2);
            for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y) {
                const uint8_t* s = static_cast<const uint8_t*>(bitmap->ScanLine(y));
                uint8_t* d = ScanLine(y);
                for (int32_t x = 0; x < w; ++x)
                    d[x] = IKTestBit(s, x) ? 1 : 0;
            }
        }
        break;
    case vcl::pf4bit:
        Allocate(w, h, ikbf8Bit);
        ReadTBitmapPalette(bitmap, 16);
        for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y) {
            const uint8_t* s = static_cast<const uint8_t*>(bitmap->ScanLine(y));
            uint8_t* d = ScanLine(y);
            for (int32_t x = 0; x < w; ++x)
                d[x] = (x & 1) ? s[x / 2] & 0x0F : s[x / 2] >> 4;
        }
        break;
    case vcl::pf8bit:
        Allocate(w, h, ikbf8Bit);
        ReadTBitmapPalette(bitmap, 256);
        for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y)
            std::memcpy(ScanLine(y), bitmap->ScanLine(y), size_t(FRowLength));
        break;
    case vcl::pf15bit:
    case vcl::pf16bit:
    case vcl::pf24bit:
    case vcl::pf32bit:
        Allocate(w, h, ikbf24Bit);
        for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y) {
            const uint8_t* s = static_cast<const uint8_t*>(bitmap->ScanLine(y));
            uint8_t* d = ScanLine(y);
            if (pf == vcl::pf24bit) {
                std::memcpy(d, s, size_t(FRowLength));
                continue;
            }
            for (int32_t x = 0; x < w; ++x, d += 3) {
                if (pf == vcl::pf32bit) {
                    std::memcpy(d, s + 4 * x, 3);
                    continue;
                }
                const uint32_t v = uint32_t(s[2 * x]) | uint32_t(s[2 * x + 1]) << 8;
                if (pf == vcl::pf15bit) {
                    d[2] = GuiWiden5((v >> 10) & 31);
                    d[1] = GuiWiden5((v >> 5) & 31);
                } else {
                    d[2] = GuiWiden5(v >> 11);
                    d[1] = GuiWiden6((v >> 5) & 63);
                }
                d[0] = GuiWiden5(v & 31);
            }
        }
        break;
    default:
        return; // device-dependent and custom layouts carry no pixels to take
    }
    FFull = false;
    UpdateTBitmapPalette(); // in GUI storage the bitmap shows the colours just read
}

void TIKBitmap::CopyToTBitmap(vcl::TBitmap* bitmap) {
    if (!bitmap)
        return;
    bitmap->SetSize(1, 1);
    switch (FPixelFormat) {
    case ikbf1Bit:
        bitmap->SetPixelFormat(vcl::pf1bit);
        GuiSetColorTable(bitmap, {0x000000, 0xFFFFFF});
        break;
    case ikbf8Bit: {
        bitmap->SetPixelFormat(vcl::pf8bit);
        std::vector<uint32_t> colors(256, 0);
        for (int32_t i = 0; i < std::min(FPaletteCount, 256) && FPalette; ++i)
            colors[size_t(i)] = uint32_t(FPalette[i].R) << 16 | uint32_t(FPalette[i].G) << 8 | FPalette[i].B;
        GuiSetColorTable(bitmap, colors);
        break;
    }
    case ikbf8BitGray:
    case ikbf16BitGray:
        bitmap->SetPixelFormat(vcl::pf8bit);
        GuiSetColorTable(bitmap, GuiGrayRamp());
        break;
    case ikbf24Bit:
        bitmap->SetPixelFormat(vcl::pf24bit);
        break;
    default:
        bitmap->SetSize(0, 0);
        return;
    }
    bitmap->SetSize(FWidth, FHeight);
    if (FRowLength <= 0)
        return;
    for (int32_t y = 0; y < FHeight; ++y) {
        uint8_t* d = static_cast<uint8_t*>(bitmap->ScanLine(y));
        const uint8_t* s = ScanLine(y);
        if (FPixelFormat == ikbf16BitGray) {
            for (int32_t x = 0; x < FWidth; ++x)
                d[x] = s[2 * x + 1];
        } else {
            std::memcpy(d, s, size_t(FRowLength));
        }
    }
}

void TIKBitmap::AssignDibbitmap(TIKDibbitmap* dib) {
    if (!dib)
        return;
    const TIKBitmapFormat format = dib->PixelFormat();
    if (format == ikbfNone) {
        Allocate(0, 0, ikbfNone);
        return;
    }
    Allocate(dib->Width(), dib->Height(), format);
    const size_t bytes = size_t(std::min(FRowLength, dib->RowLength()));
    for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y)
        std::memcpy(ScanLine(y), dib->ScanLine(y), bytes);
}

void IKCopyVclBitmap(vcl::TBitmap* source, vcl::TBitmap* dest) {
    if (!source || !dest || source == dest)
        return;
    dest->SetSize(1, 1);
    dest->SetPixelFormat(source->GetPixelFormat() == vcl::pfCustom ? vcl::pf24bit : source->GetPixelFormat());
    if (source->GetWidth() == 0 || source->GetHeight() == 0)
        return;
    // Paletted pixels keep their meaning only with their colours.
    GuiSetColorTable(dest, source->GetDibFormat().Colors);
    dest->SetSize(source->GetWidth(), source->GetHeight());
    const int64_t bytes = std::min(source->GetDibFormat().RowBytes(), dest->GetDibFormat().RowBytes());
    for (int32_t y = 0; y < source->GetHeight(); ++y)
        std::memcpy(dest->ScanLine(y), source->ScanLine(y), size_t(bytes));
}

std::unique_ptr<vcl::TBitmap> IKCreateVclBitmapCopy(vcl::TBitmap* source) {
    auto copy = std::make_unique<vcl::TBitmap>();
    IKCopyVclBitmap(source, copy.get());
    return copy;
}

} // namespace imaging
