// Pens and brushes, and how a brush paints a row of pixels.
#include "platform/win/gdi/GdiObjects.h"

#include <cstring>

namespace win {

namespace {

// 8x8 hatch patterns, one byte per row, most significant bit at the left.
constexpr uint8_t BrushHatches[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}, // HS_HORIZONTAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

int BrushMod(int64_t a, int m) {
    int64_t r = a % m;
    return int(r < 0 ? r + m : r);
}

} // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
    UINT st = UINT(style) & PS_STYLE_MASK;
    if (st > PS_ALTERNATE)
        return nullptr;
    auto* p = new HPEN__;
    p->FStyle = st;
    p->FWidth = std::max(width, 0);
    p->FColor = color;
    // Wide pens draw solid; styled lines exist only one pixel wide.
    if (p->FWidth > 1 && st >= PS_DASH && st <= PS_DASHDOTDOT)
        p->FStyle = PS_SOLID;
    return p;
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
    if (!lp)
        return nullptr;
    return CreatePen(int(lp->lopnStyle), lp->lopnWidth.X, lp->lopnColor);
}

// Extended pens: the cap and join are kept; the brush gives only the colour (a null brush makes a null
// pen), and wide styled pens draw solid.
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
    if (!brush || width > 0x7FFFFFFF)
        return nullptr;
    UINT st = style & PS_STYLE_MASK;
    bool geometric = (style & PS_GEOMETRIC) != 0;
    if (!geometric && width != 1)
        return nullptr; // cosmetic pens are one pixel wide
    if (st == PS_ALTERNATE && geometric)
        return nullptr;
    if (st == PS_USERSTYLE && (styleCount == 0 || styleCount > 16 || !styles))
        return nullptr;
    HPEN p = CreatePen(int(st), int(width), brush->lbColor);
    if (!p)
        return nullptr;
    if (brush->lbStyle == BS_NULL)
        p->FStyle = PS_NULL;
    p->FEndCap = style & PS_ENDCAP_MASK;
    p->FJoin = style & PS_JOIN_MASK;
    if (p->FStyle == PS_USERSTYLE)
        p->FUserDashes.assign(styles, styles + styleCount);
    return p;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* b = new HBRUSH__;
    b->FColor = color;
    return b;
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS)
        return nullptr;
    auto* b = new HBRUSH__;
    b->FStyle = BS_HATCHED;
    b->FHatch = hatch;
    b->FColor = color;
    return b;
}

HBRUSH CreatePatternBrush(HBITMAP bmp) {
    if (!gdi::Checked(bmp))
        return nullptr;
    auto* b = new HBRUSH__;
    b->FStyle = BS_PATTERN;
    b->FPatWidth = bmp->FWidth;
    b->FPatHeight = bmp->FHeight;
    b->FPatMono = bmp->FMono;
    b->FPattern.resize(size_t(bmp->FWidth) * size_t(bmp->FHeight));
    for (int y = 0; y < bmp->FHeight; ++y)
        for (int x = 0; x < bmp->FWidth; ++x) {
            uint32_t v = bmp->GetRaw(x, y);
            b->FPattern[size_t(y) * size_t(bmp->FWidth) + size_t(x)] = bmp->FMono ? v : bmp->ToRgb(v);
        }
    return b;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb)
        return nullptr;
    switch (lb->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
        auto* b = new HBRUSH__;
        b->FStyle = BS_NULL;
        return b;
    }
    case BS_HATCHED:
        return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: {
        auto* obj = gdi::Checked(reinterpret_cast<GdiObject*>(lb->lbHatch));
        if (!obj || obj->FKind != GdiKind::gkBitmap)
            return nullptr;
        return CreatePatternBrush(static_cast<HBITMAP>(obj));
    }
    default:
        return nullptr;
    }
}

namespace gdi {

COLORREF ResolveColor(HDC dc, COLORREF c) {
    uint32_t kind = c >> 24;
    if (kind == 1) {
        HPALETTE pal = dc ? dc->FState.FPalette : nullptr;
        if (!pal)
            pal = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
        uint32_t i = c & 0xFFFF;
        if (i >= pal->FEntries.size())
            i = 0;
        const auto& e = pal->FEntries[i];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    if (kind == 0x80)
        return GetSysColor(int(c & 0xFF));
    return c & 0x00FFFFFF;
}

uint32_t DevicePixel(HDC dc, COLORREF c) {
    HBITMAP b = dc->FState.FBitmap;
    return b ? b->FromRgb(ResolveColor(dc, c)) : 0;
}

bool BrushRow(HDC dc, HBRUSH brush, int x0, int y, int n, uint32_t* out, uint8_t* transparent) {
    if (!brush || brush->FStyle == BS_NULL)
        return false;
    if (transparent)
        std::memset(transparent, 0, size_t(n));
    const POINT org{dc->FState.FBrushOrg.X + dc->FSurfaceOrg.X, dc->FState.FBrushOrg.Y + dc->FSurfaceOrg.Y};
    switch (brush->FStyle) {
    case BS_HATCHED: {
        uint32_t fg = DevicePixel(dc, brush->FColor), bg = DevicePixel(dc, dc->FState.FBkColor);
        bool clear = dc->FState.FBkMode == TRANSPARENT;
        uint8_t bits = BrushHatches[brush->FHatch][BrushMod(int64_t(y) - org.Y, 8)];
        // One period of the row, then tiled.
        uint32_t period[8];
        uint8_t gap[8];
        int phase = BrushMod(int64_t(x0) - org.X, 8);
        for (int k = 0; k < 8; ++k) {
            bool on = (bits >> (7 - (phase + k) % 8)) & 1;
            period[k] = on ? fg : bg;
            gap[k] = !on && clear;
        }
        for (int i = 0; i < n; ++i)
            out[i] = period[i & 7];
        if (transparent)
            for (int i = 0; i < n; ++i)
                transparent[i] = gap[i & 7];
        return true;
    }
    case BS_PATTERN: {
        int py = BrushMod(int64_t(y) - org.Y, brush->FPatHeight);
        const uint32_t* row = brush->FPattern.data() + size_t(py) * size_t(brush->FPatWidth);
        if (brush->FPatMono) {
            uint32_t zero = DevicePixel(dc, dc->FState.FTextColor),
                     one = DevicePixel(dc, dc->FState.FBkColor);
            for (int i = 0; i < n; ++i)
                out[i] = row[BrushMod(int64_t(x0) + i - org.X, brush->FPatWidth)] ? one : zero;
        } else {
            HBITMAP t = dc->FState.FBitmap;
            for (int i = 0; i < n; ++i)
                out[i] = t->FromRgb(row[BrushMod(int64_t(x0) + i - org.X, brush->FPatWidth)]);
        }
        return true;
    }
    default: {
        uint32_t v = DevicePixel(dc, brush->FColor);
        std::fill(out, out + n, v);
        return true;
    }
    }
}

void PatRect(HDC dc, HBRUSH brush, const TRect& r, uint8_t rop) {
    HBITMAP t = dc->FState.FBitmap;
    int n = r.Right - r.Left;
    if (!t || n <= 0 || r.Bottom <= r.Top)
        return;
    bool usesPat = RopUsesPattern(rop);
    uint32_t mask = t->ValueMask();
    // The common case: a solid colour copied onto 32-bit pixels.
    if (rop == 0xF0 && brush && brush->FStyle == BS_SOLID && t->FBitsPixel == 32) {
        uint32_t v = DevicePixel(dc, brush->FColor);
        for (int y = r.Top; y < r.Bottom; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(t->Row(y)) + r.Left;
            for (int i = 0; i < n; ++i)
                row[i] = (row[i] & ~mask) | v;
        }
        return;
    }
    std::vector<uint32_t> pat(static_cast<size_t>(n)), dst(static_cast<size_t>(n)), keep;
    std::vector<uint8_t> clear(static_cast<size_t>(n));
    for (int y = r.Top; y < r.Bottom; ++y) {
        if (usesPat && !BrushRow(dc, brush, r.Left, y, n, pat.data(), clear.data()))
            return; // a null brush paints nothing
        LoadRow(t, r.Left, y, n, dst.data());
        bool anyClear = usesPat && std::find(clear.begin(), clear.end(), 1) != clear.end();
        if (anyClear)
            keep = dst;
        RopRow(rop, usesPat ? pat.data() : nullptr, nullptr, dst.data(), n, mask);
        if (anyClear)
            for (int i = 0; i < n; ++i)
                if (clear[size_t(i)])
                    dst[size_t(i)] = keep[size_t(i)];
        StoreRow(t, r.Left, y, n, dst.data());
    }
}

} // namespace gdi
} // namespace win
