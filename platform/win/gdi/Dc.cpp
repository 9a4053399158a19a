// Device contexts: memory and screen DCs, selection, saved states, attributes, coordinate mapping.
#include "platform/win/gdi/GdiObjects.h"

#include <cmath>
#include <cstdlib>
#include <utility>

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

// The attribute setters' common shape: store value in the current state and answer the old one, or failure
// when there is no DC or the attribute does not take the value.
template <class T> T DcExchange(HDC dc, T gdi::DcState::*field, T value, bool valid, T failure) {
    if (!dc || !valid)
        return failure;
    return std::exchange(dc->FState.*field, value);
}

template <class T> T DcRead(HDC dc, T gdi::DcState::*field, T failure) {
    return dc ? dc->FState.*field : failure;
}

// The ...Ex pairs of points and sizes: the setter hands back the old value when asked.
template <class T> BOOL DcSetEx(HDC dc, T gdi::DcState::*field, T value, T* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.*field;
    dc->FState.*field = value;
    return TRUE;
}

template <class T> BOOL DcGetEx(HDC dc, T gdi::DcState::*field, T* value) {
    if (!dc || !value)
        return FALSE;
    *value = dc->FState.*field;
    return TRUE;
}

BOOL DcOffsetOrg(HDC dc, POINT gdi::DcState::*origin, int dx, int dy, POINT* old) {
    if (!dc)
        return FALSE;
    POINT o = dc->FState.*origin;
    return DcSetEx(dc, origin, POINT{DcClamp(__int128(o.X) + dx), DcClamp(__int128(o.Y) + dy)}, old);
}

// Extents only change in the two scalable modes (elsewhere the call succeeds and changes nothing), and
// never to zero.
BOOL DcSetExtent(HDC dc, SIZE gdi::DcState::*extent, int x, int y, SIZE* old) {
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->FState.*extent;
    if (dc->FState.FMapMode != MM_ISOTROPIC && dc->FState.FMapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    dc->FState.*extent = SIZE{x, y};
    DcFixIsotropic(dc);
    return TRUE;
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

bool ScreenBitsPixelSupported(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

void SetScreenBitsPixel(int bpp) {
    if (ScreenBitsPixelSupported(bpp))
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
    return DcExchange(dc, &gdi::DcState::FBkColor, c, true, CLR_INVALID);
}
COLORREF GetBkColor(HDC dc) {
    return DcRead(dc, &gdi::DcState::FBkColor, CLR_INVALID);
}
COLORREF SetTextColor(HDC dc, COLORREF c) {
    return DcExchange(dc, &gdi::DcState::FTextColor, c, true, CLR_INVALID);
}
COLORREF GetTextColor(HDC dc) {
    return DcRead(dc, &gdi::DcState::FTextColor, CLR_INVALID);
}

int SetBkMode(HDC dc, int mode) {
    return DcExchange(dc, &gdi::DcState::FBkMode, mode, mode == TRANSPARENT || mode == OPAQUE, 0);
}
int GetBkMode(HDC dc) {
    return DcRead(dc, &gdi::DcState::FBkMode, 0);
}

int SetROP2(HDC dc, int rop2) {
    return DcExchange(dc, &gdi::DcState::FRop2, rop2, rop2 >= R2_BLACK && rop2 <= R2_WHITE, 0);
}
int GetROP2(HDC dc) {
    return DcRead(dc, &gdi::DcState::FRop2, 0);
}

int SetStretchBltMode(HDC dc, int mode) {
    return DcExchange(dc, &gdi::DcState::FStretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE, 0);
}
int GetStretchBltMode(HDC dc) {
    return DcRead(dc, &gdi::DcState::FStretchMode, 0);
}

int SetPolyFillMode(HDC dc, int mode) {
    return DcExchange(dc, &gdi::DcState::FPolyFillMode, mode, mode == ALTERNATE || mode == WINDING, 0);
}
int GetPolyFillMode(HDC dc) {
    return DcRead(dc, &gdi::DcState::FPolyFillMode, 0);
}

int SetArcDirection(HDC dc, int dir) {
    return DcExchange(dc, &gdi::DcState::FArcDirection, dir,
                      dir == AD_CLOCKWISE || dir == AD_COUNTERCLOCKWISE, 0);
}
int GetArcDirection(HDC dc) {
    return DcRead(dc, &gdi::DcState::FArcDirection, 0);
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
    return DcSetEx(dc, &gdi::DcState::FBrushOrg, POINT{x, y}, old);
}
BOOL GetBrushOrgEx(HDC dc, POINT* org) {
    return DcGetEx(dc, &gdi::DcState::FBrushOrg, org);
}

// ---------------------------------------------------------------------------------------------------------
// Mapping.

int SetMapMode(HDC dc, int mode) {
    if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    auto& s = dc->FState;
    int old = s.FMapMode;
    s.FMapMode = mode;
    // Fixed modes: logical units of 0.1 mm, 0.01 mm, 0.01 in, 0.001 in, 1/1440 in with y growing upwards,
    // so an inch of them spans the screen's pixels per inch.
    static constexpr int unitsPerInch[] = {254, 2540, 100, 1000, 1440};
    int dpi = DcTheScreen().FLogPixels;
    if (mode == MM_TEXT) {
        s.FWindowExt = SIZE{1, 1};
        s.FViewportExt = SIZE{1, 1};
    } else if (mode >= MM_LOMETRIC && mode <= MM_TWIPS) {
        int units = unitsPerInch[mode - MM_LOMETRIC];
        s.FWindowExt = SIZE{units, units};
        s.FViewportExt = SIZE{dpi, -dpi};
    } else if (mode == MM_ISOTROPIC) {
        if (old != MM_ANISOTROPIC) {
            s.FWindowExt = SIZE{10, 10};
            s.FViewportExt = SIZE{1, 1};
        }
        DcFixIsotropic(dc);
    }
    return old;
}
int GetMapMode(HDC dc) {
    return DcRead(dc, &gdi::DcState::FMapMode, 0);
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
    return DcSetEx(dc, &gdi::DcState::FViewportOrg, POINT{x, y}, old);
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
    return DcGetEx(dc, &gdi::DcState::FViewportOrg, org);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
    return DcOffsetOrg(dc, &gdi::DcState::FViewportOrg, dx, dy, old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
    return DcSetEx(dc, &gdi::DcState::FWindowOrg, POINT{x, y}, old);
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) {
    return DcGetEx(dc, &gdi::DcState::FWindowOrg, org);
}
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
    return DcOffsetOrg(dc, &gdi::DcState::FWindowOrg, dx, dy, old);
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old) {
    return DcSetExtent(dc, &gdi::DcState::FViewportExt, x, y, old);
}
BOOL GetViewportExtEx(HDC dc, SIZE* ext) {
    return DcGetEx(dc, &gdi::DcState::FViewportExt, ext);
}
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old) {
    return DcSetExtent(dc, &gdi::DcState::FWindowExt, x, y, old);
}
BOOL GetWindowExtEx(HDC dc, SIZE* ext) {
    return DcGetEx(dc, &gdi::DcState::FWindowExt, ext);
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
