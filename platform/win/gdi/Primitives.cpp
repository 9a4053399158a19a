// Filled and framed rectangles, inversion and single pixels.
#include "platform/win/gdi/GdiObjects.h"

namespace win {

namespace {

// Paints a logical rectangle with a brush and a ternary operation, clipped.
void PrimPatLogical(HDC dc, const RECT& r, HBRUSH brush, uint8_t rop) {
    TRect d = dc->ToDevice(r);
    gdi::ForEachVisible(dc, d, [&](const TRect& c) { gdi::PatRect(dc, brush, c, rop); });
}

} // namespace

int FillRect(HDC dc, const RECT* rc, HBRUSH brush) {
    if (!gdi::Checked(dc) || !rc || !gdi::Checked(brush))
        return 0;
    if (rc->Right <= rc->Left || rc->Bottom <= rc->Top)
        return 1;
    PrimPatLogical(dc, *rc, brush, 0xF0);
    return 1;
}

int FrameRect(HDC dc, const RECT* rc, HBRUSH brush) {
    if (!gdi::Checked(dc) || !rc || !gdi::Checked(brush))
        return 0;
    const RECT& r = *rc;
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return 1;
    // One-pixel border inside the rectangle; each side painted once.
    PrimPatLogical(dc, RECT{r.Left, r.Top, r.Right, r.Top + 1}, brush, 0xF0);
    if (r.Bottom - r.Top > 1)
        PrimPatLogical(dc, RECT{r.Left, r.Bottom - 1, r.Right, r.Bottom}, brush, 0xF0);
    if (r.Bottom - r.Top > 2) {
        PrimPatLogical(dc, RECT{r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, brush, 0xF0);
        if (r.Right - r.Left > 1)
            PrimPatLogical(dc, RECT{r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, brush, 0xF0);
    }
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rc) {
    if (!gdi::Checked(dc) || !rc)
        return FALSE;
    if (rc->Right > rc->Left && rc->Bottom > rc->Top)
        PrimPatLogical(dc, *rc, nullptr, 0x55);
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF c) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap)
        return CLR_INVALID;
    POINT p = dc->ToDevice(x, y);
    HBITMAP b = dc->FState.FBitmap;
    if (!dc->Visible().Contains(p.X, p.Y))
        return CLR_INVALID;
    uint32_t v = gdi::DevicePixel(dc, c);
    b->SetRaw(p.X, p.Y, v);
    return b->ToRgb(v);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF c) {
    return SetPixel(dc, x, y, c) != CLR_INVALID;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap)
        return CLR_INVALID;
    POINT p = dc->ToDevice(x, y);
    if (!dc->Visible().Contains(p.X, p.Y))
        return CLR_INVALID;
    HBITMAP b = dc->FState.FBitmap;
    uint32_t v = b->GetRaw(p.X, p.Y);
    // A monochrome bitmap reads as black and white.
    return b->ToRgb(v);
}

} // namespace win
