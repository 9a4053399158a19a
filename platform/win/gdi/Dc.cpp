// Device contexts: memory and screen DCs, selection, saved states, attributes, coordinate mapping.
#include "platform/win/gdi/GdiObjects.h"

#include <cmath>
#include <cstdlib>

namespace win {

namespace {

struct DcScreen {
    int FWidth = 1024;
    int FHeight = 768;
    int FBitsPixel = 32;
    int FLogPixels = 96;
    HBITMAP FBitmap = nullptr;
    HDC FDc = nullptr;
};

DcScreen& DcTheScreen() {
    static DcScreen screen;
    return screen;
}

void DcInitState(HDC dc) {
    auto& s = dc->FState;
    s.FPen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    s.FBrush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    s.FFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    s.FPalette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
}

void DcAddRefs(const gdi::DcState& s) {
    gdi::AddSelect(s.FBitmap);
    gdi::AddSelect(s.FPen);
    gdi::AddSelect(s.FBrush);
    gdi::AddSelect(s.FFont);
    gdi::AddSelect(s.FPalette);
}

void DcReleaseRefs(const gdi::DcState& s) {
    gdi::ReleaseSelect(s.FBitmap);
    gdi::ReleaseSelect(s.FPen);
    gdi::ReleaseSelect(s.FBrush);
    gdi::ReleaseSelect(s.FFont);
    gdi::ReleaseSelect(s.FPalette);
}

int32_t DcClamp(__int128 v) {
    return int32_t(std::clamp<__int128>(v, -gdi::MaxCoord, gdi::MaxCoord));
}

// Rounded a * b / c (c != 0), clamped to the coordinate range.
int32_t DcMulDiv(int64_t a, int64_t b, int64_t c) {
    __int128 n = __int128(a) * b;
    __int128 an = n < 0 ? -n : n, ac = c < 0 ? -__int128(c) : __int128(c);
    __int128 q = (an * 2 + ac) / (ac * 2);
    return DcClamp((n < 0) != (c < 0) ? -q : q);
}

// Adjusts the viewport extent of an isotropic mapping so one logical unit has the same size on both axes.
void DcFixIsotropic(HDC dc) {
    auto& s = dc->FState;
    if (s.FMapMode != MM_ISOTROPIC || s.FWindowExt.cx == 0 || s.FWindowExt.cy == 0)
        return;
    double sx = std::fabs(double(s.FViewportExt.cx) / s.FWindowExt.cx);
    double sy = std::fabs(double(s.FViewportExt.cy) / s.FWindowExt.cy);
    if (sx < sy) {
        int v = int(std::lround(sx * std::abs(s.FWindowExt.cy)));
        s.FViewportExt.cy = s.FViewportExt.cy < 0 ? -v : v;
    } else if (sy < sx) {
        int v = int(std::lround(sy * std::abs(s.FWindowExt.cx)));
        s.FViewportExt.cx = s.FViewportExt.cx < 0 ? -v : v;
    }
}

} // namespace

HDC__::~HDC__() {
    DcReleaseRefs(FState);
    for (auto& s : FSaved)
        DcReleaseRefs(s);
    if (FDefaultBitmap) {
        gdi::Object* b = FDefaultBitmap;
        if (b->FSelectCount == 0)
            delete b;
        else
            b->FDeletePending = true;
    }
}

const gdi::Region& HDC__::Visible() const {
    HBITMAP b = FState.FBitmap;
    int32_t w = b ? b->FWidth : 0, h = b ? b->FHeight : 0;
    if (FVisVersion == FClipVersion && FVisBitmap == b && FVisWidth == w && FVisHeight == h)
        return FVisCache;
    gdi::Region vis;
    if (b) {
        vis.SetRect(TRect{0, 0, w, h});
        if (FHasMetaClip)
            vis = gdi::Region::Combine(vis, FMetaClip, RGN_AND);
        if (FState.FHasClip)
            vis = gdi::Region::Combine(vis, FState.FClip, RGN_AND);
    }
    FVisCache = std::move(vis);
    FVisVersion = FClipVersion;
    FVisBitmap = b;
    FVisWidth = w;
    FVisHeight = h;
    return FVisCache;
}

bool HDC__::IsIdentityMapping() const {
    return FState.FMapMode == MM_TEXT ||
           (FState.FWindowExt.cx == FState.FViewportExt.cx && FState.FWindowExt.cy == FState.FViewportExt.cy);
}

POINT HDC__::ToDevice(int64_t x, int64_t y) const {
    const auto& s = FState;
    int64_t ox = int64_t(s.FViewportOrg.X) + FSurfaceOrg.X, oy = int64_t(s.FViewportOrg.Y) + FSurfaceOrg.Y;
    if (IsIdentityMapping())
        return POINT{DcClamp(__int128(x) - s.FWindowOrg.X + ox), DcClamp(__int128(y) - s.FWindowOrg.Y + oy)};
    return POINT{DcClamp(__int128(DcMulDiv(x - s.FWindowOrg.X, s.FViewportExt.cx, s.FWindowExt.cx)) + ox),
                 DcClamp(__int128(DcMulDiv(y - s.FWindowOrg.Y, s.FViewportExt.cy, s.FWindowExt.cy)) + oy)};
}

POINT HDC__::ToLogical(int64_t x, int64_t y) const {
    const auto& s = FState;
    x -= FSurfaceOrg.X;
    y -= FSurfaceOrg.Y;
    if (IsIdentityMapping())
        return POINT{DcClamp(__int128(x) - s.FViewportOrg.X + s.FWindowOrg.X),
                     DcClamp(__int128(y) - s.FViewportOrg.Y + s.FWindowOrg.Y)};
    return POINT{DcClamp(__int128(DcMulDiv(x - s.FViewportOrg.X, s.FWindowExt.cx, s.FViewportExt.cx)) +
                         s.FWindowOrg.X),
                 DcClamp(__int128(DcMulDiv(y - s.FViewportOrg.Y, s.FWindowExt.cy, s.FViewportExt.cy)) +
                         s.FWindowOrg.Y)};
}

TRect HDC__::ToDevice(const TRect& r) const {
    POINT a = ToDevice(r.Left, r.Top), b = ToDevice(r.Right, r.Bottom);
    return TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

int HDC__::ScaleX(int64_t v) const {
    if (IsIdentityMapping())
        return DcClamp(v);
    return DcMulDiv(v, FState.FViewportExt.cx, FState.FWindowExt.cx);
}

int HDC__::ScaleY(int64_t v) const {
    if (IsIdentityMapping())
        return DcClamp(v);
    return DcMulDiv(v, FState.FViewportExt.cy, FState.FWindowExt.cy);
}

// ---------------------------------------------------------------------------------------------------------
// The screen.

HBITMAP GetScreenBitmap() {
    auto& sc = DcTheScreen();
    if (!sc.FBitmap) {
        sc.FBitmap = gdi::NewBitmap(sc.FWidth, sc.FHeight, 32, true);
        gdi::MakeStock(sc.FBitmap);
    }
    return sc.FBitmap;
}

HDC CreateScreenDC() {
    auto* dc = new HDC__;
    dc->FScreen = true;
    DcInitState(dc);
    dc->FState.FBitmap = GetScreenBitmap();
    DcAddRefs(dc->FState);
    return dc;
}

HDC CreateTargetDC(HBITMAP target, int x, int y) {
    if (!gdi::Checked(target))
        return nullptr;
    auto* dc = new HDC__;
    dc->FScreen = true; // draws on a surface; bitmaps cannot be selected into it
    DcInitState(dc);
    dc->FState.FBitmap = target;
    dc->FSurfaceOrg = POINT{x, y};
    DcAddRefs(dc->FState);
    return dc;
}

HDC GetScreenDC() {
    auto& sc = DcTheScreen();
    if (!sc.FDc) {
        sc.FDc = CreateScreenDC();
        gdi::MakeStock(sc.FDc);
    }
    return sc.FDc;
}

void SetScreenSize(int width, int height) {
    auto& sc = DcTheScreen();
    if (width <= 0 || height <= 0 || width > gdi::MaxBitmapSide || height > gdi::MaxBitmapSide)
        return;
    sc.FWidth = width;
    sc.FHeight = height;
    if (sc.FBitmap) {
        // Resize the screen bitmap in place so that screen DCs keep pointing at it.
        HBITMAP fresh = gdi::NewBitmap(width, height, 32, true);
        if (!fresh)
            return;
        std::swap(sc.FBitmap->FBits, fresh->FBits);
        std::swap(sc.FBitmap->FWidth, fresh->FWidth);
        std::swap(sc.FBitmap->FHeight, fresh->FHeight);
        std::swap(sc.FBitmap->FStride, fresh->FStride);
        delete fresh;
    }
}

void SetScreenBitsPixel(int bpp) {
    if (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)
        DcTheScreen().FBitsPixel = bpp;
}

int GetScreenBitsPixel() {
    return DcTheScreen().FBitsPixel;
}

void SetScreenLogPixels(int dpi) {
    if (dpi > 0)
        DcTheScreen().FLogPixels = dpi;
}

// ---------------------------------------------------------------------------------------------------------
// Creation and selection.

HDC CreateCompatibleDC(HDC) {
    auto* dc = new HDC__;
    DcInitState(dc);
    dc->FDefaultBitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    dc->FState.FBitmap = dc->FDefaultBitmap;
    dc->FDefaultBitmap->FSelectedIn = dc;
    DcAddRefs(dc->FState);
    return dc;
}

BOOL DeleteDC(HDC dc) {
    if (!gdi::Checked(dc))
        return FALSE;
    if (dc->FStock)
        return TRUE;
    delete dc;
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
    auto* obj = gdi::Checked(handle);
    if (!dc || !obj || obj->FDeletePending)
        return nullptr;
    auto& s = dc->FState;
    auto swap = [&](auto& slot, auto* value) -> HGDIOBJ {
        auto* old = slot;
        if (old == value)
            return old;
        gdi::AddSelect(value);
        slot = value;
        // The caller receives the old object; it may be freed here only when a delete is pending.
        HGDIOBJ result = old;
        gdi::ReleaseSelect(old);
        return result;
    };
    switch (obj->FKind) {
    case GdiKind::gkBitmap: {
        auto* b = static_cast<HBITMAP__*>(obj);
        if (dc->FScreen)
            return nullptr;
        // A bitmap lives in one DC at a time (the layer's own shared bitmaps, such as an icon's images,
        // are not tracked).
        if (!b->FStock) {
            if (b->FSelectedIn && b->FSelectedIn != dc)
                return nullptr;
            b->FSelectedIn = dc;
        }
        return swap(s.FBitmap, b);
    }
    case GdiKind::gkPen:
        return swap(s.FPen, static_cast<HPEN__*>(obj));
    case GdiKind::gkBrush:
        return swap(s.FBrush, static_cast<HBRUSH__*>(obj));
    case GdiKind::gkFont:
        return swap(s.FFont, static_cast<HFONT__*>(obj));
    case GdiKind::gkRegion:
        // Selecting a region sets the clip region (a copy); the region itself answers success.
        return SelectClipRgn(dc, static_cast<HRGN__*>(obj)) == ERROR ? nullptr : obj;
    default:
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN:
        return dc->FState.FPen;
    case OBJ_BRUSH:
        return dc->FState.FBrush;
    case OBJ_FONT:
        return dc->FState.FFont;
    case OBJ_PAL:
        return dc->FState.FPalette;
    case OBJ_BITMAP:
        return dc->FState.FBitmap;
    default:
        return nullptr;
    }
}

int SaveDC(HDC dc) {
    if (!dc)
        return 0;
    dc->FSaved.push_back(dc->FState);
    DcAddRefs(dc->FState);
    return int(dc->FSaved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
    if (!dc)
        return FALSE;
    int depth = int(dc->FSaved.size());
    int target = saved < 0 ? depth + 1 + saved : saved;
    if (target < 1 || target > depth)
        return FALSE;
    while (int(dc->FSaved.size()) > target) {
        DcReleaseRefs(dc->FSaved.back());
        dc->FSaved.pop_back();
    }
    gdi::DcState restored = std::move(dc->FSaved.back());
    dc->FSaved.pop_back();
    // The restored state already holds its references; drop the ones of the state it replaces.
    gdi::DcState current = std::move(dc->FState);
    dc->FState = std::move(restored);
    if (dc->FState.FBitmap && !dc->FState.FBitmap->FStock)
        dc->FState.FBitmap->FSelectedIn = dc;
    DcReleaseRefs(current);
    ++dc->FClipVersion;
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
    auto& sc = DcTheScreen();
    int bpp = sc.FBitsPixel;
    switch (index) {
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZRES:
        return sc.FWidth;
    case VERTRES:
        return sc.FHeight;
    case HORZSIZE:
        return int(std::lround(sc.FWidth * 25.4 / sc.FLogPixels));
    case VERTSIZE:
        return int(std::lround(sc.FHeight * 25.4 / sc.FLogPixels));
    case BITSPIXEL:
        return bpp;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return bpp > 8 ? -1 : (bpp == 8 ? 20 : 1 << bpp);
    case NUMBRUSHES:
    case NUMPENS:
        return -1;
    case NUMFONTS:
        return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_FLOODFILL |
               RC_STRETCHDIB | (bpp <= 8 ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY:
        return sc.FLogPixels;
    case SIZEPALETTE:
        return bpp <= 8 ? 1 << bpp : 0;
    case NUMRESERVED:
        return bpp <= 8 ? 20 : 0;
    case COLORRES:
        return bpp <= 8 ? 18 : 24;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Attributes.

COLORREF SetBkColor(HDC dc, COLORREF c) {
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->FState.FBkColor;
    dc->FState.FBkColor = c;
    return old;
}
COLORREF GetBkColor(HDC dc) {
    return dc ? dc->FState.FBkColor : CLR_INVALID;
}
COLORREF SetTextColor(HDC dc, COLORREF c) {
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->FState.FTextColor;
    dc->FState.FTextColor = c;
    return old;
}
COLORREF GetTextColor(HDC dc) {
    return dc ? dc->FState.FTextColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    int old = dc->FState.FBkMode;
    dc->FState.FBkMode = mode;
    return old;
}
int GetBkMode(HDC dc) {
    return dc ? dc->FState.FBkMode : 0;
}

int SetROP2(HDC dc, int rop2) {
    if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE)
        return 0;
    int old = dc->FState.FRop2;
    dc->FState.FRop2 = rop2;
    return old;
}
int GetROP2(HDC dc) {
    return dc ? dc->FState.FRop2 : 0;
}

int SetStretchBltMode(HDC dc, int mode) {
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    int old = dc->FState.FStretchMode;
    dc->FState.FStretchMode = mode;
    return old;
}
int GetStretchBltMode(HDC dc) {
    return dc ? dc->FState.FStretchMode : 0;
}

int SetPolyFillMode(HDC dc, int mode) {
    if (!dc || (mode != ALTERNATE && mode != WINDING))
        return 0;
    int old = dc->FState.FPolyFillMode;
    dc->FState.FPolyFillMode = mode;
    return old;
}
int GetPolyFillMode(HDC dc) {
    return dc ? dc->FState.FPolyFillMode : 0;
}

int SetArcDirection(HDC dc, int dir) {
    if (!dc || (dir != AD_CLOCKWISE && dir != AD_COUNTERCLOCKWISE))
        return 0;
    int old = dc->FState.FArcDirection;
    dc->FState.FArcDirection = dir;
    return old;
}
int GetArcDirection(HDC dc) {
    return dc ? dc->FState.FArcDirection : 0;
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.FBrushOrg;
    dc->FState.FBrushOrg = POINT{x, y};
    return TRUE;
}
BOOL GetBrushOrgEx(HDC dc, POINT* org) {
    if (!dc || !org)
        return FALSE;
    *org = dc->FState.FBrushOrg;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------
// Mapping.

int SetMapMode(HDC dc, int mode) {
    if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    auto& s = dc->FState;
    int old = s.FMapMode;
    s.FMapMode = mode;
    // Fixed modes: logical units of 0.1 mm, 0.01 mm, 0.01 in, 0.001 in, 1/1440 in with y growing upwards.
    int dpi = DcTheScreen().FLogPixels;
    switch (mode) {
    case MM_TEXT:
        s.FWindowExt = SIZE{1, 1};
        s.FViewportExt = SIZE{1, 1};
        break;
    case MM_LOMETRIC:
        s.FWindowExt = SIZE{254, 254};
        s.FViewportExt = SIZE{dpi, -dpi};
        break;
    case MM_HIMETRIC:
        s.FWindowExt = SIZE{2540, 2540};
        s.FViewportExt = SIZE{dpi, -dpi};
        break;
    case MM_LOENGLISH:
        s.FWindowExt = SIZE{100, 100};
        s.FViewportExt = SIZE{dpi, -dpi};
        break;
    case MM_HIENGLISH:
        s.FWindowExt = SIZE{1000, 1000};
        s.FViewportExt = SIZE{dpi, -dpi};
        break;
    case MM_TWIPS:
        s.FWindowExt = SIZE{1440, 1440};
        s.FViewportExt = SIZE{dpi, -dpi};
        break;
    case MM_ISOTROPIC:
        if (old != MM_ANISOTROPIC) {
            s.FWindowExt = SIZE{10, 10};
            s.FViewportExt = SIZE{1, 1};
        }
        DcFixIsotropic(dc);
        break;
    default:
        break;
    }
    return old;
}
int GetMapMode(HDC dc) {
    return dc ? dc->FState.FMapMode : 0;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.FViewportOrg;
    dc->FState.FViewportOrg = POINT{x, y};
    return TRUE;
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
    if (!dc || !org)
        return FALSE;
    *org = dc->FState.FViewportOrg;
    return TRUE;
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
    if (!dc)
        return FALSE;
    POINT o = dc->FState.FViewportOrg;
    return SetViewportOrgEx(dc, DcClamp(__int128(o.X) + dx), DcClamp(__int128(o.Y) + dy), old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.FWindowOrg;
    dc->FState.FWindowOrg = POINT{x, y};
    return TRUE;
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) {
    if (!dc || !org)
        return FALSE;
    *org = dc->FState.FWindowOrg;
    return TRUE;
}
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
    if (!dc)
        return FALSE;
    POINT o = dc->FState.FWindowOrg;
    return SetWindowOrgEx(dc, DcClamp(__int128(o.X) + dx), DcClamp(__int128(o.Y) + dy), old);
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.FViewportExt;
    // Extents only change in the two scalable modes.
    if (dc->FState.FMapMode != MM_ISOTROPIC && dc->FState.FMapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    dc->FState.FViewportExt = SIZE{x, y};
    DcFixIsotropic(dc);
    return TRUE;
}
BOOL GetViewportExtEx(HDC dc, SIZE* ext) {
    if (!dc || !ext)
        return FALSE;
    *ext = dc->FState.FViewportExt;
    return TRUE;
}
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.FWindowExt;
    if (dc->FState.FMapMode != MM_ISOTROPIC && dc->FState.FMapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    dc->FState.FWindowExt = SIZE{x, y};
    DcFixIsotropic(dc);
    return TRUE;
}
BOOL GetWindowExtEx(HDC dc, SIZE* ext) {
    if (!dc || !ext)
        return FALSE;
    *ext = dc->FState.FWindowExt;
    return TRUE;
}

BOOL LPtoDP(HDC dc, POINT* pts, int count) {
    if (!dc || (!pts && count > 0) || count < 0)
        return FALSE;
    for (int i = 0; i < count; ++i) {
        POINT p = dc->ToDevice(pts[i].X, pts[i].Y);
        pts[i] =
            POINT{DcClamp(__int128(p.X) - dc->FSurfaceOrg.X), DcClamp(__int128(p.Y) - dc->FSurfaceOrg.Y)};
    }
    return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* pts, int count) {
    if (!dc || (!pts && count > 0) || count < 0)
        return FALSE;
    for (int i = 0; i < count; ++i)
        pts[i] = dc->ToLogical(int64_t(pts[i].X) + dc->FSurfaceOrg.X, int64_t(pts[i].Y) + dc->FSurfaceOrg.Y);
    return TRUE;
}

BOOL GetDCOrgEx(HDC dc, POINT* org) {
    if (!dc || !org)
        return FALSE;
    *org = dc->FDcOrg;
    return TRUE;
}

void SetDCOrg(HDC dc, int x, int y) {
    if (dc)
        dc->FDcOrg = POINT{x, y};
}

} // namespace win
