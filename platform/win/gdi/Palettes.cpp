// Logical palettes, nearest-colour matching, the halftone palette and palette selection.
#include "platform/win/gdi/GdiObjects.h"

#include <cstring>

namespace win {

namespace {

constexpr PALETTEENTRY PalettesStatic20[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

std::vector<PALETTEENTRY> PalettesMakeHalftone() {
    std::vector<PALETTEENTRY> e(256, PALETTEENTRY{0, 0, 0, 0});
    for (int i = 0; i < 10; ++i) {
        e[size_t(i)] = PalettesStatic20[i];
        e[size_t(246 + i)] = PalettesStatic20[10 + i];
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                e[size_t(10 + 36 * r + 6 * g + b)] =
                    PALETTEENTRY{BYTE(51 * r), BYTE(51 * g), BYTE(51 * b), 0};
    // Grays between the cube's levels: 8, 16, ... skipping multiples of 51, twenty of them.
    int idx = 226;
    for (int v = 8; idx < 246 && v < 256; v += 12) {
        if (v % 51 == 0)
            continue;
        e[size_t(idx++)] = PALETTEENTRY{BYTE(v), BYTE(v), BYTE(v), 0};
    }
    return e;
}

UINT PalettesNearest(const std::vector<PALETTEENTRY>& entries, COLORREF c) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    UINT best = 0;
    int bestDist = 1 << 30;
    for (size_t i = 0; i < entries.size(); ++i) {
        int dr = entries[i].peRed - r, dg = entries[i].peGreen - g, db = entries[i].peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = UINT(i);
            if (!d)
                break;
        }
    }
    return best;
}

} // namespace

namespace gdi {

const PALETTEENTRY* StaticColors20() {
    return PalettesStatic20;
}

const std::vector<PALETTEENTRY>& HalftoneEntries() {
    static const std::vector<PALETTEENTRY> entries = PalettesMakeHalftone();
    return entries;
}

} // namespace gdi

HPALETTE CreatePalette(const LOGPALETTE* lp) {
    if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0)
        return nullptr;
    auto* p = new HPALETTE__;
    p->FEntries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
    return p;
}

UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* entries) {
    if (!gdi::Checked(pal))
        return 0;
    UINT size = UINT(pal->FEntries.size());
    if (!entries)
        return size;
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(pal->FEntries.begin() + start, n, entries);
    return n;
}

UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!gdi::Checked(pal) || !entries || pal->FStock)
        return 0;
    UINT size = UINT(pal->FEntries.size());
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(entries, n, pal->FEntries.begin() + start);
    return n;
}

BOOL ResizePalette(HPALETTE pal, UINT count) {
    if (!gdi::Checked(pal) || pal->FStock || count == 0 || count > 1024)
        return FALSE;
    pal->FEntries.resize(count, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF c) {
    if (!gdi::Checked(pal) || pal->FEntries.empty())
        return CLR_INVALID;
    if ((c >> 24) == 1) {
        UINT i = c & 0xFFFF;
        return i < pal->FEntries.size() ? i : 0;
    }
    return PalettesNearest(pal->FEntries, c & 0xFFFFFF);
}

COLORREF GetNearestColor(HDC dc, COLORREF c) {
    if (!gdi::Checked(dc))
        return CLR_INVALID;
    COLORREF rgb = gdi::ResolveColor(dc, c);
    // A screen DC answers for the screen's depth; a memory DC for its bitmap.
    if (dc->FScreen) {
        int bpp = GetScreenBitsPixel();
        if (bpp > 8) {
            if (bpp == 16) {
                HBITMAP probe = CreateBitmap(1, 1, 1, 16, nullptr);
                COLORREF out = probe->ToRgb(probe->FromRgb(rgb));
                DeleteObject(probe);
                return out;
            }
            return rgb;
        }
        auto table = gdi::DefaultColorTable(bpp);
        std::vector<PALETTEENTRY> entries;
        for (auto& q : table)
            entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
        const auto& e = entries[PalettesNearest(entries, rgb)];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    HBITMAP b = dc->FState.FBitmap;
    return b ? b->ToRgb(b->FromRgb(rgb)) : rgb;
}

HPALETTE CreateHalftonePalette(HDC) {
    auto* p = new HPALETTE__;
    p->FEntries = gdi::HalftoneEntries();
    return p;
}

UINT GetSystemPaletteEntries(HDC, UINT start, UINT count, PALETTEENTRY* entries) {
    // The system palette: the static colours at both ends of a 256-entry table, the halftone cube between.
    const auto& sys = gdi::HalftoneEntries();
    if (!entries)
        return GetScreenBitsPixel() <= 8 ? 256 : 0;
    if (start >= 256)
        return 0;
    UINT n = std::min<UINT>(count, 256 - start);
    std::copy_n(sys.begin() + start, n, entries);
    return n;
}

HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL) {
    if (!gdi::Checked(dc) || !gdi::Checked(pal))
        return nullptr;
    HPALETTE old = dc->FState.FPalette;
    if (old == pal)
        return old;
    gdi::AddSelect(pal);
    dc->FState.FPalette = pal;
    gdi::ReleaseSelect(old);
    return old;
}

UINT RealizePalette(HDC dc) {
    if (!gdi::Checked(dc))
        return GDI_ERROR;
    HBITMAP b = dc->FState.FBitmap;
    HPALETTE pal = dc->FState.FPalette;
    // Only palettized device bitmaps (an 8-bit screen) take on the logical palette's colours.
    if (!b || !b->Palettized() || b->FDibSection || b->FMono || !pal)
        return 0;
    UINT n = std::min<UINT>(UINT(pal->FEntries.size()), UINT(b->FColors.size()));
    UINT changed = 0;
    for (UINT i = 0; i < n; ++i) {
        const auto& e = pal->FEntries[i];
        RGBQUAD q{e.peBlue, e.peGreen, e.peRed, 0};
        if (!(b->FColors[i] == q)) {
            b->FColors[i] = q;
            ++changed;
        }
    }
    return changed;
}

BOOL UpdateColors(HDC dc) {
    return gdi::Checked(dc) ? TRUE : FALSE;
}

} // namespace win
