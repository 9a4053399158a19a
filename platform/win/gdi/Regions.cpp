// Region objects and clipping.
#include "platform/win/gdi/GdiObjects.h"

#include <cstring>

namespace win {

namespace {

HRGN RegionsNew(gdi::Region r) {
    auto* h = new HRGN__;
    h->FRgn = std::move(r);
    return h;
}

// A region given in logical coordinates, in the DC's target coordinates.
gdi::Region RegionsToTarget(HDC dc, const gdi::Region& r) {
    if (dc->IsIdentityMapping()) {
        gdi::Region out = r;
        POINT o = dc->ToDevice(0, 0);
        out.Offset(o.X, o.Y);
        return out;
    }
    std::vector<TRect> rects;
    rects.reserve(r.FRects.size());
    for (const TRect& q : r.FRects)
        rects.push_back(dc->ToDevice(q));
    return gdi::RegionFromRects(rects.data(), rects.size());
}

gdi::Region RegionsSurface(HDC dc) {
    gdi::Region r;
    if (HBITMAP b = dc->FState.FBitmap)
        r.SetRect(TRect{0, 0, b->FWidth, b->FHeight});
    return r;
}

int RegionsClipResult(HDC dc) {
    return dc->Visible().Complexity();
}

// Replaces the user clip by combining it (or the whole surface when there is none) with r.
int RegionsCombineClip(HDC dc, const gdi::Region& r, int mode) {
    auto& s = dc->FState;
    ++dc->FClipVersion;
    if (mode == RGN_COPY) {
        s.FClip = r;
        s.FHasClip = true;
        return RegionsClipResult(dc);
    }
    gdi::Region base = s.FHasClip ? s.FClip : RegionsSurface(dc);
    s.FClip = gdi::Region::Combine(base, r, mode);
    s.FHasClip = true;
    return RegionsClipResult(dc);
}

void RegionsPaint(HDC dc, const gdi::Region& logical, HBRUSH brush, uint8_t rop) {
    gdi::Region target = RegionsToTarget(dc, logical);
    for (const TRect& r : target.FRects)
        gdi::ForEachVisible(dc, r, [&](const TRect& c) { gdi::PatRect(dc, brush, c, rop); });
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return RegionsNew(gdi::Region::FromRect(TRect{left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
    return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    return RegionsNew(gdi::EllipseRegion(left, top, right, bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
    return r ? CreateEllipticRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh) {
    return RegionsNew(gdi::RoundRectRegion(left, top, right, bottom, ew, eh));
}

HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode) {
    if (!pts || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING))
        return nullptr;
    // Fewer than three points enclose nothing: an empty region, not a failure.
    if (count < 3)
        return RegionsNew(gdi::Region{});
    return RegionsNew(gdi::PolygonRegion(pts, &count, 1, fillMode));
}

HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int fillMode) {
    if (!pts || !counts || polys < 0 || (fillMode != ALTERNATE && fillMode != WINDING))
        return nullptr;
    for (int i = 0; i < polys; ++i)
        if (counts[i] < 0)
            return nullptr;
    return RegionsNew(gdi::PolygonRegion(pts, counts, polys, fillMode));
}

HRGN ExtCreateRegion(const void* xform, DWORD count, const RGNDATA* data) {
    if (!data || count < sizeof(RGNDATAHEADER) || data->rdh.dwSize < sizeof(RGNDATAHEADER) ||
        data->rdh.iType != RDH_RECTANGLES)
        return nullptr;
    // The rectangles must fit inside the count bytes the caller vouches for.
    uint64_t need = uint64_t(data->rdh.dwSize) + uint64_t(data->rdh.nCount) * sizeof(RECT);
    if (need > count)
        return nullptr;
    (void)xform;
    const auto* rects =
        reinterpret_cast<const RECT*>(reinterpret_cast<const uint8_t*>(data) + data->rdh.dwSize);
    return RegionsNew(gdi::RegionFromRects(rects, data->rdh.nCount));
}

DWORD GetRegionData(HRGN rgn, DWORD count, RGNDATA* data) {
    if (!gdi::Checked(rgn))
        return 0;
    const auto& r = rgn->FRgn;
    DWORD need = DWORD(sizeof(RGNDATAHEADER) + r.FRects.size() * sizeof(RECT));
    if (!data)
        return need;
    if (count < need)
        return 0;
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = DWORD(r.FRects.size());
    data->rdh.nRgnSize = DWORD(r.FRects.size() * sizeof(RECT));
    data->rdh.rcBound = r.FBox;
    std::memcpy(data->Buffer, r.FRects.data(), r.FRects.size() * sizeof(RECT));
    return need;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
    if (!gdi::Checked(dst) || !gdi::Checked(a) || mode < RGN_AND || mode > RGN_COPY)
        return ERROR;
    if (mode != RGN_COPY && !gdi::Checked(b))
        return ERROR;
    dst->FRgn = mode == RGN_COPY ? a->FRgn : gdi::Region::Combine(a->FRgn, b->FRgn, mode);
    return dst->FRgn.Complexity();
}

BOOL EqualRgn(HRGN a, HRGN b) {
    if (!gdi::Checked(a) || !gdi::Checked(b))
        return ERROR;
    return a->FRgn == b->FRgn;
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
    if (!gdi::Checked(rgn))
        return ERROR;
    rgn->FRgn.Offset(dx, dy);
    return rgn->FRgn.Complexity();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
    return gdi::Checked(rgn) && rgn->FRgn.Contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const RECT* r) {
    if (!gdi::Checked(rgn) || !r)
        return FALSE;
    TRect n{std::min(r->Left, r->Right), std::min(r->Top, r->Bottom), std::max(r->Left, r->Right),
            std::max(r->Top, r->Bottom)};
    return rgn->FRgn.Intersects(n);
}

int GetRgnBox(HRGN rgn, RECT* box) {
    if (!gdi::Checked(rgn) || !box)
        return ERROR;
    *box = rgn->FRgn.FBox;
    return rgn->FRgn.Complexity();
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
    if (!gdi::Checked(rgn))
        return FALSE;
    rgn->FRgn = gdi::Region::FromRect(TRect{left, top, right, bottom});
    return TRUE;
}

BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush) {
    if (!gdi::Checked(dc) || !gdi::Checked(rgn) || !gdi::Checked(brush))
        return FALSE;
    RegionsPaint(dc, rgn->FRgn, brush, 0xF0);
    return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN rgn) {
    if (!gdi::Checked(dc) || !gdi::Checked(rgn))
        return FALSE;
    RegionsPaint(dc, rgn->FRgn, dc->FState.FBrush, gdi::Rop2ToRop3(dc->FState.FRop2));
    return TRUE;
}

BOOL InvertRgn(HDC dc, HRGN rgn) {
    if (!gdi::Checked(dc) || !gdi::Checked(rgn))
        return FALSE;
    RegionsPaint(dc, rgn->FRgn, nullptr, 0x55);
    return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int w, int h) {
    if (!gdi::Checked(dc) || !gdi::Checked(rgn) || !gdi::Checked(brush) || w <= 0 || h <= 0)
        return FALSE;
    w = std::min(w, 1 << 12);
    h = std::min(h, 1 << 12);
    // The frame is the region less the region shrunk by w horizontally and h vertically.
    const gdi::Region& r = rgn->FRgn;
    gdi::Region inner = r;
    for (int k = 1; k <= w; ++k)
        for (int sign : {-1, 1}) {
            gdi::Region moved = r;
            moved.Offset(sign * k, 0);
            inner = gdi::Region::Combine(inner, moved, RGN_AND);
        }
    for (int k = 1; k <= h; ++k)
        for (int sign : {-1, 1}) {
            gdi::Region moved = r;
            moved.Offset(0, sign * k);
            inner = gdi::Region::Combine(inner, moved, RGN_AND);
        }
    RegionsPaint(dc, gdi::Region::Combine(r, inner, RGN_DIFF), brush, 0xF0);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------
// Clipping. Clip regions are given and returned in device coordinates.

int SelectClipRgn(HDC dc, HRGN rgn) {
    return ExtSelectClipRgn(dc, rgn, RGN_COPY);
}

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
    if (!gdi::Checked(dc) || mode < RGN_AND || mode > RGN_COPY)
        return ERROR;
    if (!rgn) {
        if (mode != RGN_COPY)
            return ERROR;
        dc->FState.FHasClip = false;
        dc->FState.FClip = gdi::Region{};
        ++dc->FClipVersion;
        return RegionsClipResult(dc);
    }
    if (!gdi::Checked(rgn))
        return ERROR;
    gdi::Region r = rgn->FRgn;
    r.Offset(dc->FSurfaceOrg.X, dc->FSurfaceOrg.Y);
    return RegionsCombineClip(dc, r, mode);
}

int GetClipRgn(HDC dc, HRGN rgn) {
    if (!gdi::Checked(dc) || !gdi::Checked(rgn))
        return -1;
    if (!dc->FState.FHasClip)
        return 0;
    rgn->FRgn = dc->FState.FClip;
    rgn->FRgn.Offset(-dc->FSurfaceOrg.X, -dc->FSurfaceOrg.Y);
    return 1;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!gdi::Checked(dc))
        return ERROR;
    return RegionsCombineClip(dc, gdi::Region::FromRect(dc->ToDevice(TRect{left, top, right, bottom})),
                              RGN_AND);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!gdi::Checked(dc))
        return ERROR;
    return RegionsCombineClip(dc, gdi::Region::FromRect(dc->ToDevice(TRect{left, top, right, bottom})),
                              RGN_DIFF);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
    if (!gdi::Checked(dc))
        return ERROR;
    if (dc->FState.FHasClip)
        dc->FState.FClip.Offset(dc->ScaleX(dx), dc->ScaleY(dy));
    ++dc->FClipVersion;
    return RegionsClipResult(dc);
}

int GetClipBox(HDC dc, RECT* box) {
    if (!gdi::Checked(dc) || !box)
        return ERROR;
    gdi::Region vis = dc->Visible();
    if (vis.Empty()) {
        *box = RECT{};
        return NULLREGION;
    }
    POINT a = dc->ToLogical(vis.FBox.Left, vis.FBox.Top), b = dc->ToLogical(vis.FBox.Right, vis.FBox.Bottom);
    *box = RECT{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
    return vis.Complexity();
}

BOOL PtVisible(HDC dc, int x, int y) {
    if (!gdi::Checked(dc))
        return FALSE;
    POINT p = dc->ToDevice(x, y);
    return dc->Visible().Contains(p.X, p.Y);
}

BOOL RectVisible(HDC dc, const RECT* r) {
    if (!gdi::Checked(dc) || !r)
        return FALSE;
    return dc->Visible().Intersects(dc->ToDevice(*r));
}

void SetMetaClipRgn(HDC dc, HRGN rgn) {
    if (!gdi::Checked(dc))
        return;
    ++dc->FClipVersion;
    if (!gdi::Checked(rgn)) {
        dc->FHasMetaClip = false;
        dc->FMetaClip = gdi::Region{};
        return;
    }
    dc->FHasMetaClip = true;
    dc->FMetaClip = rgn->FRgn;
    dc->FMetaClip.Offset(dc->FSurfaceOrg.X, dc->FSurfaceOrg.Y);
}

} // namespace win
