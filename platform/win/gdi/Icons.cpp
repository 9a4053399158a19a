// Icons and cursors as data: a monochrome AND mask plus an optional colour image.
#include "platform/win/gdi/GdiObjects.h"

#include <cstring>

namespace win {

namespace {

// An independent copy of a bitmap in the same format.
HBITMAP IconsCopy(HBITMAP src) {
    if (!gdi::Checked(src))
        return nullptr;
    HBITMAP b = gdi::NewBitmap(src->FWidth, src->FHeight, src->FBitsPixel, src->FTopDown);
    if (!b)
        return nullptr;
    std::memcpy(b->FBits, src->FBits, size_t(int64_t(src->FStride) * src->FHeight));
    b->FDibSection = src->FDibSection;
    b->FMono = src->FMono;
    b->FCompression = src->FCompression;
    b->SetMasks(src->FMasks[0], src->FMasks[1], src->FMasks[2]);
    b->FColors = src->FColors;
    return b;
}

bool IconsHasAlpha(const HBITMAP__* b) {
    if (!b || b->FBitsPixel != 32)
        return false;
    for (int y = 0; y < b->FHeight; ++y)
        for (int x = 0; x < b->FWidth; ++x)
            if (b->GetRaw(x, y) >> 24)
                return true;
    return false;
}

} // namespace

HICON__::~HICON__() {
    delete FMask;
    delete FColor;
}

HICON CreateIconIndirect(const ICONINFO* info) {
    if (!info || !gdi::Checked(info->hbmMask))
        return nullptr;
    if (info->hbmColor && !gdi::Checked(info->hbmColor))
        return nullptr;
    auto* icon = new HICON__;
    icon->FIcon = info->fIcon;
    icon->FHotX = info->xHotspot;
    icon->FHotY = info->yHotspot;
    icon->FMask = IconsCopy(info->hbmMask);
    icon->FColor = info->hbmColor ? IconsCopy(info->hbmColor) : nullptr;
    if (!icon->FMask || (info->hbmColor && !icon->FColor)) {
        delete icon;
        return nullptr;
    }
    // The copies belong to the icon; they are not counted as the caller's bitmaps.
    gdi::MakeStock(icon->FMask);
    if (icon->FColor)
        gdi::MakeStock(icon->FColor);
    return icon;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    if (!gdi::Checked(icon) || !info)
        return FALSE;
    info->fIcon = icon->FIcon;
    info->xHotspot = icon->FIcon ? DWORD(icon->FMask->FWidth / 2) : icon->FHotX;
    info->yHotspot = icon->FIcon ? DWORD((icon->FColor ? icon->FMask->FHeight : icon->FMask->FHeight / 2) / 2)
                                 : icon->FHotY;
    // New bitmaps the caller must delete.
    info->hbmMask = IconsCopy(icon->FMask);
    info->hbmColor = icon->FColor ? IconsCopy(icon->FColor) : nullptr;
    return info->hbmMask != nullptr;
}

HICON CopyIcon(HICON icon) {
    if (!gdi::Checked(icon))
        return nullptr;
    ICONINFO ii{icon->FIcon, icon->FHotX, icon->FHotY, icon->FMask, icon->FColor};
    return CreateIconIndirect(&ii);
}

BOOL DestroyIcon(HICON icon) {
    if (!gdi::Checked(icon))
        return FALSE;
    delete icon;
    return TRUE;
}

BOOL GetIconSize(HICON icon, SIZE* size) {
    if (!gdi::Checked(icon) || !size)
        return FALSE;
    size->cx = icon->FMask->FWidth;
    size->cy = icon->FColor ? icon->FMask->FHeight : icon->FMask->FHeight / 2;
    return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker, UINT flags) {
    if (!gdi::Checked(dc) || !gdi::Checked(icon) || !dc->FState.FBitmap)
        return FALSE;
    (void)step;
    int w = icon->FMask->FWidth;
    int h = icon->FColor ? icon->FMask->FHeight : icon->FMask->FHeight / 2;
    if (cx == 0)
        cx = w;
    if (cy == 0)
        cy = h;
    if ((flags & DI_NORMAL) == 0 || cx <= 0 || cy <= 0 || w <= 0 || h <= 0)
        return flags & DI_NORMAL ? TRUE : FALSE;
    HDC target = dc;
    HDC off = nullptr;
    HBITMAP offBmp = nullptr;
    HGDIOBJ offOld = nullptr;
    if (gdi::Checked(flicker)) {
        // Compose on a background-filled bitmap, then copy in one go.
        off = CreateCompatibleDC(dc);
        offBmp = gdi::NewBitmap(cx, cy, dc->FState.FBitmap->FBitsPixel, true);
        if (!offBmp) {
            DeleteDC(off);
            return FALSE;
        }
        offBmp->SetMasks(dc->FState.FBitmap->FMasks[0], dc->FState.FBitmap->FMasks[1],
                         dc->FState.FBitmap->FMasks[2]);
        offBmp->FColors = dc->FState.FBitmap->FColors;
        offOld = SelectObject(off, offBmp);
        RECT all{0, 0, cx, cy};
        FillRect(off, &all, flicker);
        target = off;
    }
    int tx = off ? 0 : x, ty = off ? 0 : y;

    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, icon->FMask);
    COLORREF text = SetTextColor(target, RGB(0, 0, 0));
    COLORREF bk = SetBkColor(target, RGB(255, 255, 255));
    int mode = SetStretchBltMode(target, COLORONCOLOR);
    bool both = (flags & DI_NORMAL) == DI_NORMAL;
    if (icon->FColor && (flags & DI_IMAGE) && IconsHasAlpha(icon->FColor)) {
        // A 32-bit image with alpha: blended over the destination, the mask unused.
        HBITMAP pre = IconsCopy(icon->FColor);
        for (int yy = 0; yy < pre->FHeight; ++yy)
            for (int xx = 0; xx < pre->FWidth; ++xx) {
                uint32_t v = pre->GetRaw(xx, yy), a = v >> 24;
                auto mul = [&](uint32_t c) { return (c * a + 127) / 255; };
                pre->SetRaw(xx, yy,
                            (a << 24) | (mul((v >> 16) & 0xFF) << 16) | (mul((v >> 8) & 0xFF) << 8) |
                                mul(v & 0xFF));
            }
        SelectObject(src, pre);
        AlphaBlend(target, tx, ty, cx, cy, src, 0, 0, w, h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
        SelectObject(src, icon->FMask);
        delete pre;
    } else {
        if (flags & DI_MASK)
            StretchBlt(target, tx, ty, cx, cy, src, 0, 0, w, h, both ? SRCAND : SRCCOPY);
        if (flags & DI_IMAGE) {
            if (icon->FColor) {
                SelectObject(src, icon->FColor);
                StretchBlt(target, tx, ty, cx, cy, src, 0, 0, w, h, both ? SRCINVERT : SRCCOPY);
            } else {
                // A monochrome icon keeps its XOR image below the AND mask.
                StretchBlt(target, tx, ty, cx, cy, src, 0, h, w, h, both ? SRCINVERT : SRCCOPY);
            }
        }
    }
    SetStretchBltMode(target, mode);
    SetTextColor(target, text);
    SetBkColor(target, bk);
    SelectObject(src, old);
    DeleteDC(src);
    if (off) {
        BitBlt(dc, x, y, cx, cy, off, 0, 0, SRCCOPY);
        SelectObject(off, offOld);
        DeleteDC(off);
        delete offBmp;
    }
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

} // namespace win
