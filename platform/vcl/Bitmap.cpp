#include "platform/vcl/Bitmap.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Resources.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>

namespace vcl {

namespace {

win::HGDIOBJ BitmapObj(void* handle) {
    return reinterpret_cast<win::HGDIOBJ>(handle);
}

const std::vector<uint32_t> BitmapMonoColors = {0x000000, 0xFFFFFF};
// The 16 colours of the standard VGA palette, as 0x00RRGGBB.
const std::vector<uint32_t> BitmapVgaColors = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::vector<uint32_t> BitmapPaletteColors(win::HPALETTE palette, size_t limit) {
    std::vector<uint32_t> colors;
    if (!palette)
        return colors;
    win::UINT count = win::GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0 || count == win::GDI_ERROR)
        return colors;
    std::vector<win::PALETTEENTRY> entries(count);
    count = win::GetPaletteEntries(palette, 0, count, entries.data());
    for (win::UINT i = 0; i < count && colors.size() < limit; ++i)
        colors.push_back(uint32_t(entries[i].peRed) << 16 | uint32_t(entries[i].peGreen) << 8 |
                         entries[i].peBlue);
    return colors;
}

std::vector<uint32_t> BitmapHalftoneColors() {
    win::HPALETTE halftone = win::CreateHalftonePalette(win::GetScreenDC());
    std::vector<uint32_t> colors = BitmapPaletteColors(halftone, 256);
    win::DeleteObject(BitmapObj(halftone));
    if (colors.empty())
        colors = BitmapVgaColors;
    return colors;
}

win::HPALETTE BitmapMakePalette(const std::vector<uint32_t>& colors) {
    if (colors.empty())
        return nullptr;
    std::vector<uint8_t> buffer(sizeof(win::LOGPALETTE) + colors.size() * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = win::WORD(colors.size());
    for (size_t i = 0; i < colors.size(); ++i)
        lp->palPalEntry[i] = {uint8_t(colors[i] >> 16), uint8_t(colors[i] >> 8), uint8_t(colors[i]), 0};
    return win::CreatePalette(lp);
}

// A BITMAPINFO for a layout: the 40-byte header and its colour table or bit-field masks.
std::vector<uint8_t> BitmapInfoFor(const TDibFormat& f, bool topDown = false) {
    size_t extra = f.BitCount <= 8 ? f.Colors.size() * 4 : (f.BitCount == 16 || f.BitCount == 32) ? 12 : 0;
    std::vector<uint8_t> buffer(sizeof(win::BITMAPINFOHEADER) + std::max<size_t>(extra, 4), 0);
    auto* info = reinterpret_cast<win::BITMAPINFO*>(buffer.data());
    win::BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(win::BITMAPINFOHEADER);
    h.biWidth = f.Width;
    h.biHeight = topDown ? -f.Height : f.Height;
    h.biPlanes = 1;
    h.biBitCount = f.BitCount;
    h.biCompression = f.BitCount == 16 || f.BitCount == 32 ? win::BI_BITFIELDS : win::BI_RGB;
    h.biClrUsed = f.BitCount <= 8 ? win::DWORD(f.Colors.size()) : 0;
    uint8_t* tail = buffer.data() + sizeof(win::BITMAPINFOHEADER);
    if (f.BitCount <= 8) {
        for (size_t i = 0; i < f.Colors.size(); ++i) {
            tail[4 * i] = uint8_t(f.Colors[i]);
            tail[4 * i + 1] = uint8_t(f.Colors[i] >> 8);
            tail[4 * i + 2] = uint8_t(f.Colors[i] >> 16);
        }
    } else if (h.biCompression == win::BI_BITFIELDS) {
        uint32_t masks[3] = {f.RedMask, f.GreenMask, f.BlueMask};
        std::memcpy(tail, masks, sizeof masks);
    }
    return buffer;
}

struct BitmapSection {
    win::HBITMAP Handle = nullptr;
    uint8_t* Bits = nullptr;
};

// A new section of the layout; with fillWhite every pixel is white (the nearest entry for indexed ones).
BitmapSection BitmapCreateSection(const TDibFormat& f, bool fillWhite) {
    if (f.ImageBytes() > BmpMaxImageBytes)
        throw EOutOfResources("Out of system resources");
    std::vector<uint8_t> info = BitmapInfoFor(f);
    void* bits = nullptr;
    win::HBITMAP handle = win::CreateDIBSection(nullptr, reinterpret_cast<win::BITMAPINFO*>(info.data()),
                                                win::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle || !bits) {
        if (handle)
            win::DeleteObject(BitmapObj(handle));
        throw EOutOfResources("Out of system resources");
    }
    auto* p = static_cast<uint8_t*>(bits);
    if (fillWhite) {
        size_t size = size_t(f.ImageBytes());
        if (f.BitCount <= 8) {
            int index = NearestColorIndex(f.Colors, 0xFFFFFF);
            uint8_t fill = f.BitCount == 8   ? uint8_t(index)
                           : f.BitCount == 4 ? uint8_t(index * 0x11)
                           : index           ? 0xFF
                                             : 0;
            std::memset(p, fill, size);
        } else if (f.BitCount == 16) {
            uint16_t white = uint16_t(f.RedMask | f.GreenMask | f.BlueMask);
            for (size_t i = 0; i + 1 < size; i += 2) {
                p[i] = uint8_t(white);
                p[i + 1] = uint8_t(white >> 8);
            }
        } else {
            std::memset(p, 0xFF, size);
        }
    }
    return {handle, p};
}

TColor BitmapToTColor(uint32_t rgb) {
    return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}
uint32_t BitmapFromTColor(TColor color) {
    uint32_t c = uint32_t(ColorToRGB(color));
    return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace

win::HPALETTE CopyPalette(win::HPALETTE palette) {
    if (!palette)
        return nullptr;
    return BitmapMakePalette(BitmapPaletteColors(palette, 65536));
}

win::HPALETTE SystemPalette16() {
    // The first and last eight of the 20 static colours.
    std::vector<uint32_t> statics =
        BitmapPaletteColors(reinterpret_cast<win::HPALETTE>(win::GetStockObject(win::DEFAULT_PALETTE)), 20);
    if (statics.size() != 20)
        return BitmapMakePalette(BitmapVgaColors);
    std::vector<uint32_t> colors(statics.begin(), statics.begin() + 8);
    colors.insert(colors.end(), statics.end() - 8, statics.end());
    return BitmapMakePalette(colors);
}

// The canvas of a bitmap: a memory device context holding the bitmap (and its palette).
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override { FreeContext(); }

    void FreeContext() {
        if (!FDC)
            return;
        win::HDC dc = FDC;
        FDC = nullptr;
        SetHandle(nullptr);
        if (FOldBitmap)
            win::SelectObject(dc, FOldBitmap);
        if (FOldPalette)
            win::SelectPalette(dc, FOldPalette, win::TRUE);
        win::DeleteDC(dc);
        FOldBitmap = nullptr;
        FOldPalette = nullptr;
    }

    void Changed() override {
        TCanvas::Changed();
        FBitmap->Changed(FBitmap);
    }

protected:
    void CreateHandle() override {
        win::HDC dc = win::CreateCompatibleDC(nullptr);
        if (!dc)
            throw EOutOfResources("Out of system resources");
        if (FBitmap->FHandle)
            FOldBitmap = win::SelectObject(dc, BitmapObj(FBitmap->FHandle));
        if (win::HPALETTE palette = FBitmap->GetPalette()) {
            FOldPalette = win::SelectPalette(dc, palette, win::TRUE);
            win::RealizePalette(dc);
        }
        FDC = dc;
        SetHandle(dc);
    }

private:
    TBitmap* FBitmap;
    win::HDC FDC = nullptr;
    win::HGDIOBJ FOldBitmap = nullptr;
    win::HPALETTE FOldPalette = nullptr;
};

TBitmap::TBitmap() {
    FFormat.BitCount = 32;
}

TBitmap::~TBitmap() {
    FCanvas.reset();
    FreeMask();
    FreePalette();
    DropAdopted();
    if (FHandle)
        win::DeleteObject(BitmapObj(FHandle));
}

void TBitmap::DropAdopted() {
    if (FAdoptedHandle && FAdoptedHandle != FHandle)
        win::DeleteObject(BitmapObj(FAdoptedHandle));
    FAdoptedHandle = nullptr;
}

void TBitmap::FreeContext() {
    if (FCanvas)
        FCanvas->FreeContext();
}

void TBitmap::FreeMask() {
    if (FMaskHandle)
        win::DeleteObject(BitmapObj(FMaskHandle));
    FMaskHandle = nullptr;
}

void TBitmap::FreePalette() const {
    if (FPalette)
        win::DeleteObject(BitmapObj(FPalette));
    FPalette = nullptr;
}

void TBitmap::Changed(TObject* sender) {
    FreeMask();
    TGraphic::Changed(sender);
}

TCanvas* TBitmap::GetCanvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

// ---- layouts -----------------------------------------------------------------------------------------

TPixelFormat TBitmap::PixelFormatOf(const TDibFormat& f) {
    switch (f.BitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        if (f.RedMask == 0x7C00 && f.GreenMask == 0x3E0 && f.BlueMask == 0x1F)
            return pf15bit;
        if (f.RedMask == 0xF800 && f.GreenMask == 0x7E0 && f.BlueMask == 0x1F)
            return pf16bit;
        return pfCustom;
    case 24:
        return pf24bit;
    case 32:
        return f.RedMask == 0xFF0000 && f.GreenMask == 0xFF00 && f.BlueMask == 0xFF ? pf32bit : pfCustom;
    }
    return pfCustom;
}

TDibFormat TBitmap::FormatFor(TPixelFormat pf, int32_t width, int32_t height) const {
    if (pf == pfDevice) {
        int bpp = win::GetScreenBitsPixel();
        pf = bpp <= 1    ? pf1bit
             : bpp <= 4  ? pf4bit
             : bpp <= 8  ? pf8bit
             : bpp == 15 ? pf15bit
             : bpp == 16 ? pf16bit
             : bpp == 24 ? pf24bit
                         : pf32bit;
    }
    TDibFormat f;
    f.Width = width;
    f.Height = height;
    f.XPelsPerMeter = FFormat.XPelsPerMeter;
    f.YPelsPerMeter = FFormat.YPelsPerMeter;
    switch (pf) {
    case pf1bit:
        f.BitCount = 1;
        break;
    case pf4bit:
        f.BitCount = 4;
        break;
    case pf8bit:
        f.BitCount = 8;
        break;
    case pf15bit:
        f.BitCount = 16, f.RedMask = 0x7C00, f.GreenMask = 0x3E0, f.BlueMask = 0x1F;
        break;
    case pf16bit:
        f.BitCount = 16, f.RedMask = 0xF800, f.GreenMask = 0x7E0, f.BlueMask = 0x1F;
        break;
    case pf24bit:
        f.BitCount = 24;
        break;
    default:
        f.BitCount = 32, f.RedMask = 0xFF0000, f.GreenMask = 0xFF00, f.BlueMask = 0xFF;
        f.HasAlpha = FFormat.HasAlpha && FFormat.BitCount == 32;
        break;
    }
    if (f.BitCount <= 8) {
        // The colour table: the palette given to the bitmap, else its current table when it fits, else the
        // standard table of the depth.
        size_t limit = size_t(1) << f.BitCount;
        if (FPalette && FFormat.BitCount > 8)
            f.Colors = BitmapPaletteColors(FPalette, limit);
        else if (FFormat.BitCount <= 8 && !FFormat.Colors.empty() && FFormat.Colors.size() <= limit)
            f.Colors = FFormat.Colors;
        if (f.Colors.empty())
            f.Colors = f.BitCount == 1   ? BitmapMonoColors
                       : f.BitCount == 4 ? BitmapVgaColors
                                         : BitmapHalftoneColors();
    }
    return f;
}

void TBitmap::ReplaceHandle(win::HBITMAP handle, uint8_t* bits, const TDibFormat& format) {
    FreeContext();
    FreeMask();
    // A handle handed in through SetHandle outlives conversions until ReleaseHandle gives it back.
    if (FHandle && FHandle != handle && FHandle != FAdoptedHandle)
        win::DeleteObject(BitmapObj(FHandle));
    bool tableChanged = format.BitCount <= 8 && (FFormat.BitCount > 8 || FFormat.Colors != format.Colors);
    if (tableChanged)
        FreePalette();
    FHandle = handle;
    FBits = bits;
    FFormat = format;
}

uint8_t* TBitmap::NewImage(const TDibFormat& format) {
    BitmapSection section = BitmapCreateSection(format, true);
    ReplaceHandle(section.Handle, section.Bits, format);
    return section.Bits;
}

void TBitmap::NeedDib() {
    if (!FHandle || FBits)
        return;
    // A device-dependent bitmap handed in: read it as a 1-bit black-and-white or a 32-bit section.
    TDibFormat f = FormatFor(FFormat.BitCount == 1 ? pf1bit : pf32bit, FFormat.Width, FFormat.Height);
    if (f.BitCount == 1)
        f.Colors = BitmapMonoColors;
    FreeContext();
    BitmapSection section = BitmapCreateSection(f, true);
    std::vector<uint8_t> info = BitmapInfoFor(f);
    win::GetDIBits(win::GetScreenDC(), FHandle, 0, win::UINT(f.Height), section.Bits,
                   reinterpret_cast<win::BITMAPINFO*>(info.data()), win::DIB_RGB_COLORS);
    ReplaceHandle(section.Handle, section.Bits, f);
}

// ---- size, format, palette ---------------------------------------------------------------------------

void TBitmap::SetSize(int32_t width, int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FFormat.Width && height == FFormat.Height)
        return;
    NeedDib();
    if (width == 0 || height == 0) {
        ReplaceHandle(nullptr, nullptr, FFormat);
        FFormat.Width = width;
        FFormat.Height = height;
        Changed(this);
        return;
    }
    TDibFormat f = FHandle ? FFormat : FormatFor(FPixelFormat, width, height);
    f.Width = width;
    f.Height = height;
    BitmapSection section = BitmapCreateSection(f, true);
    if (FHandle && FBits)
        ConvertDibPixels(FFormat, FBits, f, section.Bits);
    ReplaceHandle(section.Handle, section.Bits, f);
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pfCustom)
        throw EInvalidGraphic("Invalid pixel format");
    if (value == FPixelFormat)
        return;
    NeedDib();
    TDibFormat f = FormatFor(value, FFormat.Width, FFormat.Height);
    if (GetEmpty()) {
        FFormat.BitCount = f.BitCount;
        FFormat.RedMask = f.RedMask, FFormat.GreenMask = f.GreenMask, FFormat.BlueMask = f.BlueMask;
        FFormat.Colors = f.Colors;
        FPixelFormat = value;
        return;
    }
    BitmapSection section = BitmapCreateSection(f, true);
    ConvertDibPixels(FFormat, FBits, f, section.Bits);
    ReplaceHandle(section.Handle, section.Bits, f);
    FPixelFormat = value;
    Changed(this);
}

bool TBitmap::GetMonochrome() const {
    return FFormat.BitCount == 1 && FFormat.Colors == BitmapMonoColors;
}

void TBitmap::SetMonochrome(bool value) {
    if (value == GetMonochrome())
        return;
    if (!value) {
        SetPixelFormat(pfDevice);
        return;
    }
    NeedDib();
    TDibFormat f = FFormat;
    f.BitCount = 1;
    f.Colors = BitmapMonoColors;
    f.HasAlpha = false;
    if (!GetEmpty()) {
        BitmapSection section = BitmapCreateSection(f, true);
        ConvertDibPixels(FFormat, FBits, f, section.Bits);
        ReplaceHandle(section.Handle, section.Bits, f);
    } else {
        FFormat = f;
    }
    FPixelFormat = pf1bit;
    Changed(this);
}

void TBitmap::SetAlphaFormat(TAlphaFormat value) {
    bool alpha = value == afDefined && FFormat.BitCount == 32;
    if (SetIfChanged(FFormat.HasAlpha, alpha))
        Changed(this);
}

win::HPALETTE TBitmap::GetPalette() const {
    if (!FPalette && FFormat.BitCount <= 8)
        FPalette = BitmapMakePalette(FFormat.Colors);
    return FPalette;
}

void TBitmap::SetPalette(win::HPALETTE value) {
    if (value == FPalette)
        return;
    FreeContext();
    FreePalette();
    FPalette = value;
    if (FFormat.BitCount <= 8 && value) {
        std::vector<uint32_t> colors = BitmapPaletteColors(value, size_t(1) << FFormat.BitCount);
        if (!colors.empty()) {
            FFormat.Colors = colors;
            if (FHandle && FBits) {
                std::vector<win::RGBQUAD> table(colors.size());
                for (size_t i = 0; i < colors.size(); ++i)
                    table[i] = {uint8_t(colors[i]), uint8_t(colors[i] >> 8), uint8_t(colors[i] >> 16), 0};
                win::HDC dc = win::CreateCompatibleDC(nullptr);
                win::HGDIOBJ old = win::SelectObject(dc, BitmapObj(FHandle));
                win::SetDIBColorTable(dc, 0, win::UINT(table.size()), table.data());
                win::SelectObject(dc, old);
                win::DeleteDC(dc);
            }
        }
    }
    Changed(this);
}

win::HPALETTE TBitmap::ReleasePalette() {
    win::HPALETTE palette = GetPalette();
    FreeContext();
    FPalette = nullptr;
    return palette;
}

// ---- handles -----------------------------------------------------------------------------------------

win::HBITMAP TBitmap::GetHandle() {
    // The handle may be selected into another device context by the caller: let go of the canvas's.
    FreeContext();
    if (!FHandle && !GetEmpty())
        NewImage(FormatFor(FPixelFormat, FFormat.Width, FFormat.Height));
    return FHandle;
}

void TBitmap::SetHandle(win::HBITMAP value) {
    if (value == FHandle)
        return;
    DropAdopted();
    if (!value) {
        ReplaceHandle(nullptr, nullptr, FFormat);
        FFormat.Width = FFormat.Height = 0;
        Changed(this);
        return;
    }
    win::DIBSECTION ds{};
    int got = win::GetObject(BitmapObj(value), sizeof ds, &ds);
    TDibFormat f;
    uint8_t* bits = nullptr;
    if (got == int(sizeof ds) && ds.dsBm.bmBits && ds.dsBmih.biHeight > 0) {
        // A bottom-up section: its memory is used as it is.
        f.Width = ds.dsBmih.biWidth;
        f.Height = ds.dsBmih.biHeight;
        f.BitCount = ds.dsBmih.biBitCount;
        if (f.BitCount == 16) {
            bool fields = ds.dsBmih.biCompression == win::BI_BITFIELDS;
            f.RedMask = fields ? ds.dsBitfields[0] : 0x7C00;
            f.GreenMask = fields ? ds.dsBitfields[1] : 0x3E0;
            f.BlueMask = fields ? ds.dsBitfields[2] : 0x1F;
        } else if (f.BitCount == 32) {
            bool fields = ds.dsBmih.biCompression == win::BI_BITFIELDS;
            f.RedMask = fields ? ds.dsBitfields[0] : 0xFF0000;
            f.GreenMask = fields ? ds.dsBitfields[1] : 0xFF00;
            f.BlueMask = fields ? ds.dsBitfields[2] : 0xFF;
        } else if (f.BitCount <= 8) {
            std::vector<win::RGBQUAD> table(size_t(1) << f.BitCount);
            win::HDC dc = win::CreateCompatibleDC(nullptr);
            win::HGDIOBJ old = win::SelectObject(dc, BitmapObj(value));
            win::UINT n = win::GetDIBColorTable(dc, 0, win::UINT(table.size()), table.data());
            win::SelectObject(dc, old);
            win::DeleteDC(dc);
            for (win::UINT i = 0; i < n && i < table.size(); ++i)
                f.Colors.push_back(uint32_t(table[i].rgbRed) << 16 | uint32_t(table[i].rgbGreen) << 8 |
                                   table[i].rgbBlue);
        }
        bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    } else {
        win::BITMAP bm{};
        if (win::GetObject(BitmapObj(value), sizeof bm, &bm) <= 0)
            throw EInvalidGraphic("Bitmap image is not valid");
        f.Width = bm.bmWidth;
        f.Height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
        f.BitCount = bm.bmBitsPixel == 1 ? 1 : 32;
        if (f.BitCount == 1)
            f.Colors = BitmapMonoColors;
        else
            f.RedMask = 0xFF0000, f.GreenMask = 0xFF00, f.BlueMask = 0xFF;
    }
    ReplaceHandle(value, bits, f);
    FAdoptedHandle = value;
    FPixelFormat = bits ? PixelFormatOf(f) : f.BitCount == 1 ? pf1bit : pfDevice;
    Changed(this);
}

win::HBITMAP TBitmap::ReleaseHandle() {
    FreeContext();
    if (FAdoptedHandle && FAdoptedHandle != FHandle) {
        // The handle handed in was converted: give it back untouched and keep the converted picture.
        win::HBITMAP released = FAdoptedHandle;
        FAdoptedHandle = nullptr;
        return released;
    }
    FAdoptedHandle = nullptr;
    if (!FHandle)
        return nullptr;
    win::HBITMAP released = FHandle;
    if (!FBits) {
        // Keep a section of our own made from the released device-dependent bitmap.
        FHandle = nullptr;
        FFormat.Width = FFormat.Height = 0;
        return released;
    }
    BitmapSection copy = BitmapCreateSection(FFormat, false);
    std::memcpy(copy.Bits, FBits, size_t(FFormat.ImageBytes()));
    FHandle = copy.Handle;
    FBits = copy.Bits;
    return released;
}

TBitmapHandleType TBitmap::GetHandleType() const {
    return FPixelFormat == pfDevice ? bmDDB : bmDIB;
}

void TBitmap::SetHandleType(TBitmapHandleType value) {
    if (value == GetHandleType())
        return;
    if (value == bmDDB) {
        SetPixelFormat(pfDevice);
    } else {
        // The device format is already a section of the screen's depth: only the label changes.
        TPixelFormat pf = PixelFormatOf(FormatFor(pfDevice, 0, 0));
        FPixelFormat = pf == pfCustom ? pf32bit : pf;
        Changed(this);
    }
}

void* TBitmap::ScanLine(int32_t row) {
    NeedDib();
    if (!FBits || row < 0 || row >= FFormat.Height)
        throw EInvalidGraphicOperation("Scan line index out of range");
    win::GdiFlush();
    return FBits + size_t(FFormat.Height - 1 - row) * size_t(FFormat.RowBytes());
}

// ---- transparency ------------------------------------------------------------------------------------

TColor TBitmap::GetTransparentColor() {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (GetEmpty())
        return clDefault;
    if (GetMonochrome() && FTransparentColor == clDefault && FTransparentMode == tmFixed)
        return clWhite;
    NeedDib();
    const uint8_t* bottom = FBits; // the bottom row comes first
    return BitmapToTColor(DibPixelColor(FFormat, bottom, 0));
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == FTransparentColor && FTransparentMode == (value == clDefault ? tmAuto : tmFixed))
        return;
    FTransparentColor = value;
    FTransparentMode = value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == FTransparentMode)
        return;
    if (value == tmAuto)
        FTransparentColor = clDefault;
    else
        FTransparentColor = GetTransparentColor();
    FTransparentMode = value;
    Changed(this);
}

win::HBITMAP TBitmap::GetMaskHandle() {
    if (FMaskHandle || GetEmpty())
        return FMaskHandle;
    NeedDib();
    uint32_t key = BitmapFromTColor(GetTransparentColor());
    const int32_t w = FFormat.Width, h = FFormat.Height;
    const size_t stride = size_t((w + 15) / 16) * 2; // monochrome rows are padded to 16 bits
    std::vector<uint8_t> bits(stride * size_t(h), 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = FBits + size_t(h - 1 - y) * size_t(FFormat.RowBytes());
        uint8_t* out = bits.data() + size_t(y) * stride;
        for (int32_t x = 0; x < w; ++x)
            if (DibPixelColor(FFormat, row, x) == key)
                out[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    FMaskHandle = win::CreateBitmap(w, h, 1, 1, bits.data());
    if (!FMaskHandle)
        throw EOutOfResources("Out of system resources");
    return FMaskHandle;
}

void TBitmap::SetMaskHandle(win::HBITMAP value) {
    if (value == FMaskHandle)
        return;
    FreeMask();
    FMaskHandle = value;
}

win::HBITMAP TBitmap::ReleaseMaskHandle() {
    win::HBITMAP mask = GetMaskHandle();
    FMaskHandle = nullptr;
    return mask;
}

void TBitmap::Dormant() {
    FreeContext();
    FreeMask();
    if (FFormat.BitCount > 8)
        return; // a palette handed in cannot be made again
    FreePalette();
}

void TBitmap::FreeImage() {
    FreeMask();
}

// ---- copying, drawing, streaming ---------------------------------------------------------------------

void TBitmap::Assign(TPersistent* source) {
    if (source == this)
        return;
    if (!source) {
        SetHandle(nullptr);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        b->NeedDib();
        DropAdopted();
        FreeContext();
        FreeMask();
        FreePalette();
        if (b->FPalette && b->FFormat.BitCount > 8)
            FPalette = BitmapMakePalette(BitmapPaletteColors(b->FPalette, 256));
        if (b->GetEmpty() || !b->FBits) {
            ReplaceHandle(nullptr, nullptr, b->FFormat);
        } else {
            BitmapSection copy = BitmapCreateSection(b->FFormat, false);
            std::memcpy(copy.Bits, b->FBits, size_t(b->FFormat.ImageBytes()));
            ReplaceHandle(copy.Handle, copy.Bits, b->FFormat);
        }
        FPixelFormat = b->FPixelFormat;
        FTransparentColor = b->FTransparentColor;
        FTransparentMode = b->FTransparentMode;
        FIgnorePalette = b->FIgnorePalette;
        SetTransparent(b->GetTransparent());
        Changed(this);
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(source)) {
        // Any other picture is drawn onto a white bitmap of its size.
        if (g->GetEmpty()) {
            SetSize(0, 0);
            return;
        }
        NewImage(FormatFor(FPixelFormat, g->GetWidth(), g->GetHeight()));
        GetCanvas()->Draw(0, 0, g);
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
    if (GetEmpty() || !canvas)
        return;
    NeedDib();
    win::HBITMAP mask = GetTransparent() ? GetMaskHandle() : nullptr;
    win::HDC source = GetCanvas()->GetHandle();
    win::HDC dest = canvas->GetHandle();
    win::HPALETTE oldPalette = nullptr;
    win::HPALETTE palette = FIgnorePalette ? nullptr : GetPalette();
    if (palette) {
        oldPalette = win::SelectPalette(dest, palette, win::TRUE);
        win::RealizePalette(dest);
    }
    const int32_t w = FFormat.Width, h = FFormat.Height;
    if (!GetTransparent()) {
        win::StretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), source, 0, 0, w, h,
                        canvas->GetCopyMode());
    } else {
        // Transparent pixels keep the destination: AND the mask (transparent = white) onto it, then OR a
        // copy of the picture whose transparent pixels are black.
        TDibFormat f = FormatFor(pf32bit, w, h);
        f.HasAlpha = false;
        BitmapSection work = BitmapCreateSection(f, false);
        uint32_t key = BitmapFromTColor(GetTransparentColor());
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = FBits + size_t(h - 1 - y) * size_t(FFormat.RowBytes());
            auto* d = reinterpret_cast<uint32_t*>(work.Bits + size_t(h - 1 - y) * size_t(f.RowBytes()));
            for (int32_t x = 0; x < w; ++x) {
                uint32_t c = DibPixelColor(FFormat, s, x);
                d[x] = c == key ? 0 : c;
            }
        }
        win::HDC maskDC = win::CreateCompatibleDC(nullptr);
        win::HGDIOBJ oldMask = win::SelectObject(maskDC, BitmapObj(mask));
        win::HDC workDC = win::CreateCompatibleDC(nullptr);
        win::HGDIOBJ oldWork = win::SelectObject(workDC, BitmapObj(work.Handle));
        win::COLORREF oldText = win::SetTextColor(dest, 0x000000);
        win::COLORREF oldBack = win::SetBkColor(dest, 0xFFFFFF);
        win::StretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), maskDC, 0, 0, w, h,
                        win::SRCAND);
        win::StretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), workDC, 0, 0, w, h,
                        win::SRCPAINT);
        win::SetTextColor(dest, oldText);
        win::SetBkColor(dest, oldBack);
        win::SelectObject(workDC, oldWork);
        win::DeleteDC(workDC);
        win::SelectObject(maskDC, oldMask);
        win::DeleteDC(maskDC);
        win::DeleteObject(BitmapObj(work.Handle));
    }
    if (palette)
        win::SelectPalette(dest, oldPalette, win::TRUE);
}

void TBitmap::LoadFromStream(TStream* stream) {
    std::vector<uint8_t> storage;
    TBmpReader reader = ReadBmpHeader(stream, storage);
    TDibFormat f = reader.Format();
    BitmapSection section = BitmapCreateSection(f, false);
    {
        // The new section goes again when its pixels cannot be read.
        ScopeExit dropped([&]() noexcept { win::DeleteObject(BitmapObj(section.Handle)); });
        reader.Decode(section.Bits);
        dropped.Dismiss();
    }
    f.HasAlpha = DibAlphaUsed(f, section.Bits);
    DropAdopted();
    FreePalette();
    ReplaceHandle(section.Handle, section.Bits, f);
    FPixelFormat = PixelFormatOf(f);
    Changed(this);
}

void TBitmap::LoadFromResourceName(const std::string& name) {
    std::span<const uint8_t> data = FindResourceData(rtBitmapResource, name);
    // Read where it lies: the reader stays inside the stream's bounds, which are the resource's.
    TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    try {
        LoadFromStream(&stream);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic("Bitmap resource " + name + ": " + e.Message());
    } catch (const EReadError& e) {
        throw EInvalidGraphic("Bitmap resource " + name + ": " + e.Message());
    }
}

void TBitmap::SaveToStream(TStream* stream) {
    if (GetEmpty())
        return;
    NeedDib();
    WriteBmp(stream, FFormat, FBits);
}

void TBitmap::ReadData(TStream* stream) {
    uint8_t sizeBytes[4];
    stream->ReadBuffer(sizeBytes, 4);
    const int64_t size = int64_t(sizeBytes[0]) | int64_t(sizeBytes[1]) << 8 | int64_t(sizeBytes[2]) << 16 |
                         int64_t(sizeBytes[3]) << 24;
    const int64_t available = stream->GetSize() - stream->GetPosition();
    if (size > INT32_MAX || size > available)
        throw EReadError("Bitmap data is shorter than its size says");
    if (size == 0) {
        SetSize(0, 0);
        return;
    }
    std::vector<uint8_t> bmp(static_cast<size_t>(size));
    stream->ReadBuffer(bmp.data(), static_cast<int32_t>(size));
    TReadOnlyMemoryStream bounded(bmp.data(), size);
    LoadFromStream(&bounded);
}

void TBitmap::WriteData(TStream* stream) {
    TMemoryStream bmp;
    SaveToStream(&bmp);
    const int64_t size = bmp.GetSize();
    if (size > INT32_MAX)
        throw EWriteError("Bitmap too large to store in a form");
    const uint8_t sizeBytes[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                                  uint8_t(size >> 24)};
    stream->WriteBuffer(sizeBytes, 4);
    stream->WriteBuffer(bmp.Memory(), static_cast<int32_t>(size));
}

} // namespace vcl
