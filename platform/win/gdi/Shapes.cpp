// Lines and shapes drawn with the DC's pen, brush and binary raster operation: lines exclude their last
// pixel, rectangles their right and bottom edges, and a figure drawn without a pen shrinks by one pixel on
// the right and at the bottom.
#include "platform/win/gdi/GdiObjects.h"

#include <cmath>
#include <numbers>

namespace win {

namespace {

// Paints pixels of a target-coordinate region with one pixel value through a ternary operation.
void ShapesPaintValue(HDC dc, const gdi::Region& vis, const gdi::Region& rgn, uint32_t value, uint8_t rop) {
    HBITMAP bmp = dc->FState.FBitmap;
    gdi::Region clipped = gdi::Region::Combine(rgn, vis, RGN_AND);
    std::vector<uint32_t> pat, row;
    uint32_t mask = bmp->ValueMask();
    for (const TRect& r : clipped.FRects) {
        int n = r.Right - r.Left;
        pat.assign(size_t(n), value);
        row.resize(size_t(n));
        for (int y = r.Top; y < r.Bottom; ++y) {
            gdi::LoadRow(bmp, r.Left, y, n, row.data());
            gdi::RopRow(rop, pat.data(), nullptr, row.data(), n, mask);
            gdi::StoreRow(bmp, r.Left, y, n, row.data());
        }
    }
}

// Paints a target-coordinate region with the DC's brush through its binary raster operation.
void ShapesPaintBrush(HDC dc, const gdi::Region& vis, const gdi::Region& rgn) {
    HBRUSH brush = dc->FState.FBrush;
    if (!brush || brush->FStyle == BS_NULL)
        return;
    gdi::Region clipped = gdi::Region::Combine(rgn, vis, RGN_AND);
    uint8_t rop = gdi::Rop2ToRop3(dc->FState.FRop2);
    for (const TRect& r : clipped.FRects)
        gdi::PatRect(dc, brush, r, rop);
}

// The pen as it draws: colour, width in pixels, dash pattern and the position within it.
struct ShapesPen {
    HDC FDc;
    HBITMAP FBmp;
    gdi::Region FVis;
    uint32_t FPixel = 0, FBkPixel = 0;
    uint8_t FRop = 0xF0;
    int FWidth = 1;
    UINT FStyle = PS_SOLID;
    std::vector<int> FDashes; // on, off, on, off ... in pixels; empty = solid
    int FDashTotal = 0;
    bool FOpaqueGaps = false;

    explicit ShapesPen(HDC dc) : FDc(dc), FBmp(dc->FState.FBitmap), FVis(dc->Visible()) {
        HPEN pen = dc->FState.FPen;
        FStyle = pen ? pen->FStyle : PS_NULL;
        FPixel = gdi::DevicePixel(dc, pen ? pen->FColor : 0);
        FBkPixel = gdi::DevicePixel(dc, dc->FState.FBkColor);
        FRop = gdi::Rop2ToRop3(dc->FState.FRop2);
        int w = pen ? pen->FWidth : 1;
        FWidth = std::max(1, std::abs(dc->ScaleX(w)));
        if (w <= 1)
            FWidth = 1;
        FWidth = std::min(FWidth, 1 << 14);
        switch (FStyle) {
        case PS_DASH:
            FDashes = {18, 6};
            break;
        case PS_DOT:
            FDashes = {3, 3};
            break;
        case PS_DASHDOT:
            FDashes = {9, 6, 3, 6};
            break;
        case PS_DASHDOTDOT:
            FDashes = {9, 3, 3, 3, 3, 3};
            break;
        case PS_ALTERNATE:
            FDashes = {1, 1};
            break;
        case PS_USERSTYLE:
            for (DWORD d : pen->FUserDashes)
                FDashes.push_back(int(std::clamp<DWORD>(d, 1, 1 << 16)));
            if (FDashes.size() % 2)
                FDashes.push_back(FDashes.back());
            break;
        default:
            break;
        }
        for (int d : FDashes)
            FDashTotal += d;
        FOpaqueGaps = dc->FState.FBkMode == OPAQUE;
    }

    bool Null() const { return FStyle == PS_NULL || !FBmp; }
    bool Solid() const { return FDashes.empty(); }

    void PlotValue(int x, int y, uint32_t value) {
        if (!FVis.Contains(x, y))
            return;
        uint32_t d = FBmp->GetRaw(x, y);
        gdi::RopRow(FRop, &value, nullptr, &d, 1, FBmp->ValueMask());
        FBmp->SetRaw(x, y, d);
    }

    // One pixel of a one-pixel-wide line at position pos of the dash pattern.
    void Plot(int x, int y, int64_t pos) {
        if (FDashes.empty()) {
            PlotValue(x, y, FPixel);
            return;
        }
        int p = int(pos % FDashTotal), k = 0;
        while (p >= FDashes[size_t(k)]) {
            p -= FDashes[size_t(k)];
            ++k;
        }
        if (k % 2 == 0)
            PlotValue(x, y, FPixel);
        else if (FOpaqueGaps)
            PlotValue(x, y, FBkPixel);
    }
};

// Visits the pixels of a line from a to b, b excluded, that fall inside box (others are skipped without
// being visited, so the work is bounded by the box). plot gets each pixel and its step along the line.
template <class F> void ShapesWalkLine(POINT a, POINT b, const TRect& box, F&& plot) {
    int64_t dx = std::llabs(int64_t(b.X) - a.X), dy = std::llabs(int64_t(b.Y) - a.Y);
    int sx = b.X >= a.X ? 1 : -1, sy = b.Y >= a.Y ? 1 : -1;
    bool xMajor = dx >= dy;
    int64_t steps = xMajor ? dx : dy;
    if (steps == 0)
        return;
    // The range of steps whose major coordinate lies within the box.
    int64_t lo = xMajor ? box.Left : box.Top, hi = (xMajor ? box.Right : box.Bottom) - 1;
    int64_t start = xMajor ? a.X : a.Y;
    int s = xMajor ? sx : sy;
    int64_t i0 = s > 0 ? lo - start : start - hi, i1 = s > 0 ? hi - start : start - lo;
    i0 = std::max<int64_t>(i0, 0);
    i1 = std::min<int64_t>(i1, steps - 1);
    for (int64_t i = i0; i <= i1; ++i) {
        if (xMajor) {
            int64_t off = (2 * i * dy + dx - 1) / (2 * dx); // nearest, halves rounded down
            plot(int(a.X + sx * i), int(a.Y + sy * off), i);
        } else {
            int64_t off = (2 * i * dx + dy - 1) / (2 * dy);
            plot(int(a.X + sx * off), int(a.Y + sy * i), i);
        }
    }
}

gdi::Region ShapesDisc(double cx, double cy, int w, const TRect& box) {
    int l = int(std::floor(cx - w / 2.0 + 0.5)), t = int(std::floor(cy - w / 2.0 + 0.5));
    return gdi::EllipseRegion(l, t, l + w, t + w, box.Top, box.Bottom);
}

// The area a wide pen covers along a polyline (device points), with round joins and caps.
gdi::Region ShapesWideOutline(const std::vector<POINT>& pts, int w, bool squareCaps, const TRect& box) {
    gdi::Region out;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        double x0 = pts[i].X + 0.5, y0 = pts[i].Y + 0.5, x1 = pts[i + 1].X + 0.5, y1 = pts[i + 1].Y + 0.5;
        double len = std::hypot(x1 - x0, y1 - y0);
        if (len > 0) {
            double nx = -(y1 - y0) / len * w / 2, ny = (x1 - x0) / len * w / 2;
            double ex = 0, ey = 0;
            if (squareCaps) {
                ex = (x1 - x0) / len * w / 2;
                ey = (y1 - y0) / len * w / 2;
            }
            POINT q[4] = {{int(std::lround(x0 + nx - ex)), int(std::lround(y0 + ny - ey))},
                          {int(std::lround(x1 + nx + ex)), int(std::lround(y1 + ny + ey))},
                          {int(std::lround(x1 - nx + ex)), int(std::lround(y1 - ny + ey))},
                          {int(std::lround(x0 - nx - ex)), int(std::lround(y0 - ny - ey))}};
            int four = 4;
            out = gdi::Region::Combine(out, gdi::PolygonRegion(q, &four, 1, WINDING, box.Top, box.Bottom,
                                                                      gdi::PolygonCentres),
                                       RGN_OR);
        }
        if (!squareCaps) {
            out = gdi::Region::Combine(out, ShapesDisc(x0 - 0.5, y0 - 0.5, w, box), RGN_OR);
            out = gdi::Region::Combine(out, ShapesDisc(x1 - 0.5, y1 - 0.5, w, box), RGN_OR);
        }
    }
    return out;
}

// Draws a polyline given in device points with the DC's pen; closed adds the segment back to the start.
void ShapesStroke(HDC dc, std::vector<POINT> pts, bool closed, bool includeLast) {
    ShapesPen pen(dc);
    if (pen.Null() || pts.empty())
        return;
    if (closed && pts.size() > 1)
        pts.push_back(pts.front());
    if (pen.FWidth > 1) {
        HPEN p = dc->FState.FPen;
        bool square = p && (p->FEndCap == PS_ENDCAP_SQUARE || p->FEndCap == PS_ENDCAP_FLAT);
        TRect box = pen.FVis.FBox;
        gdi::Region area = pts.size() == 1 ? ShapesDisc(pts[0].X, pts[0].Y, pen.FWidth, box)
                                           : ShapesWideOutline(pts, pen.FWidth, square, box);
        ShapesPaintValue(dc, pen.FVis, area, pen.FPixel, pen.FRop);
        return;
    }
    // Each pixel once, so that XOR pens do not cancel themselves at the joins.
    std::vector<TRect> pixels;
    int64_t base = 0; // the dash pattern runs on through the joins and through pixels outside the box
    auto plot = [&](int x, int y, int64_t step) {
        if (pen.Solid())
            pixels.push_back(TRect{x, y, x + 1, y + 1});
        else
            pen.Plot(x, y, base + step);
    };
    const TRect& box = pen.FVis.FBox;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        ShapesWalkLine(pts[i], pts[i + 1], box, plot);
        base += std::max(std::llabs(int64_t(pts[i + 1].X) - pts[i].X),
                         std::llabs(int64_t(pts[i + 1].Y) - pts[i].Y));
        if (pen.FDashTotal > 0)
            base %= pen.FDashTotal;
    }
    if (includeLast && !closed)
        plot(pts.back().X, pts.back().Y, base);
    if (pen.Solid())
        ShapesPaintValue(dc, pen.FVis, gdi::RegionFromRects(pixels.data(), pixels.size()), pen.FPixel,
                         pen.FRop);
}

std::vector<POINT> ShapesToDevice(HDC dc, const POINT* pts, int count) {
    std::vector<POINT> out;
    out.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        out.push_back(dc->ToDevice(pts[i].X, pts[i].Y));
    return out;
}

// The outer box of a figure's outline for a pen of width w, and whether a pen draws at all.
struct ShapesFrame {
    TRect Outer;
    int Width = 0; // 0 = no pen
};

ShapesFrame ShapesFrameFor(HDC dc, const TRect& box) {
    ShapesFrame f;
    HPEN pen = dc->FState.FPen;
    if (!pen || pen->FStyle == PS_NULL) {
        f.Outer = TRect{box.Left, box.Top, box.Right - 1, box.Bottom - 1};
        return f;
    }
    int w = pen->FWidth <= 1 ? 1 : std::max(1, std::abs(dc->ScaleX(pen->FWidth)));
    w = std::min(w, 1 << 14);
    f.Width = w;
    if (w == 1 || pen->FStyle == PS_INSIDEFRAME) {
        f.Outer = box;
        return f;
    }
    // A wide pen is centred on the figure's edge pixels.
    f.Outer = TRect{box.Left - w / 2, box.Top - w / 2, box.Right - 1 - w / 2 + w, box.Bottom - 1 - w / 2 + w};
    return f;
}

// Fills a figure and draws its outline: make(rect, shrink, rowMin, rowMax) builds the figure's region for a
// box (the outer one with the pen, then the inner one shrunk by the pen on each side), limited to the rows
// that can be seen.
template <class Make> void ShapesFigure(HDC dc, const TRect& logical, Make&& make) {
    if (!dc->FState.FBitmap)
        return;
    TRect box = dc->ToDevice(logical);
    ShapesFrame f = ShapesFrameFor(dc, box);
    gdi::Region vis = dc->Visible();
    if (f.Width == 0) {
        ShapesPaintBrush(dc, vis, make(f.Outer, 0, vis.FBox.Top, vis.FBox.Bottom));
        return;
    }
    gdi::Region outer = make(f.Outer, 0, vis.FBox.Top, vis.FBox.Bottom);
    TRect in{f.Outer.Left + f.Width, f.Outer.Top + f.Width, f.Outer.Right - f.Width,
             f.Outer.Bottom - f.Width};
    gdi::Region inner = in.Left < in.Right && in.Top < in.Bottom
                            ? make(in, 2 * f.Width, vis.FBox.Top, vis.FBox.Bottom)
                            : gdi::Region{};
    ShapesPaintBrush(dc, vis, inner);
    ShapesPen pen(dc);
    ShapesPaintValue(dc, vis, gdi::Region::Combine(outer, inner, RGN_DIFF), pen.FPixel, pen.FRop);
}

double ShapesAngle(double dx, double dy) {
    double a = std::atan2(-dy, dx);
    return a < 0 ? a + 2 * std::numbers::pi : a;
}

// Pixels of the region whose direction from the centre lies on the arc from start to end.
gdi::Region ShapesSector(const gdi::Region& rgn, double cx, double cy, double start, double span) {
    std::vector<TRect> keep;
    for (const TRect& r : rgn.FRects)
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                double a = ShapesAngle(x + 0.5 - cx, y + 0.5 - cy) - start;
                if (a < 0)
                    a += 2 * std::numbers::pi;
                if (a <= span)
                    keep.push_back(TRect{x, y, x + 1, y + 1});
            }
    return gdi::RegionFromRects(keep.data(), keep.size());
}

enum ShapesArcKind { skArc, skPie, skChord };

BOOL ShapesArc(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye, ShapesArcKind kind) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap)
        return FALSE;
    TRect box = dc->ToDevice(TRect{l, t, r, b});
    POINT s = dc->ToDevice(xs, ys), e = dc->ToDevice(xe, ye);
    double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
    double a0 = ShapesAngle(s.X - cx, s.Y - cy), a1 = ShapesAngle(e.X - cx, e.Y - cy);
    // Device y grows downwards; a mapping that flips y flips the direction too.
    bool ccw = dc->FState.FArcDirection == AD_COUNTERCLOCKWISE;
    if (dc->ScaleY(1000) < 0)
        ccw = !ccw;
    if (!ccw)
        std::swap(a0, a1);
    double span = a1 - a0;
    if (span <= 0)
        span += 2 * std::numbers::pi;
    ShapesFrame f = ShapesFrameFor(dc, box);
    gdi::Region vis = dc->Visible();
    int r0 = vis.FBox.Top, r1 = vis.FBox.Bottom;
    gdi::Region outer = gdi::Region::Combine(
        gdi::EllipseRegion(f.Outer.Left, f.Outer.Top, f.Outer.Right, f.Outer.Bottom, r0, r1), vis, RGN_AND);
    int w = std::max(f.Width, 1);
    TRect in{f.Outer.Left + w, f.Outer.Top + w, f.Outer.Right - w, f.Outer.Bottom - w};
    gdi::Region inner = in.Left < in.Right && in.Top < in.Bottom
                            ? gdi::EllipseRegion(in.Left, in.Top, in.Right, in.Bottom, r0, r1)
                            : gdi::Region{};
    inner =
        gdi::Region::Combine(inner, vis, RGN_AND); // sectors are filtered pixel by pixel: visible ones only
    double rx = (box.Right - box.Left) / 2.0, ry = (box.Bottom - box.Top) / 2.0;
    auto onEllipse = [&](double ang) {
        return POINT{int(std::lround(cx + rx * std::cos(ang) - 0.5)),
                     int(std::lround(cy - ry * std::sin(ang) - 0.5))};
    };
    POINT p0 = onEllipse(a0), p1 = onEllipse(a1);
    POINT centre{int(std::floor(cx)), int(std::floor(cy))};
    if (kind != skArc) {
        gdi::Region fill = kind == skPie || f.Width == 0 ? outer : inner;
        if (f.Width == 0)
            fill = outer;
        if (kind == skPie) {
            fill = ShapesSector(f.Width ? inner : fill, cx, cy, a0, span);
        } else {
            // The part of the ellipse on the arc's side of the chord.
            double mid = a0 + span / 2;
            double mx = cx + std::cos(mid), my = cy - std::sin(mid);
            double ex = p1.X + 0.5 - (p0.X + 0.5), ey = p1.Y + 0.5 - (p0.Y + 0.5);
            double side = ex * (my - (p0.Y + 0.5)) - ey * (mx - (p0.X + 0.5));
            std::vector<TRect> keep;
            gdi::Region base = f.Width ? inner : fill;
            for (const TRect& q : base.FRects)
                for (int y = q.Top; y < q.Bottom; ++y)
                    for (int x = q.Left; x < q.Right; ++x) {
                        double c = ex * (y + 0.5 - (p0.Y + 0.5)) - ey * (x + 0.5 - (p0.X + 0.5));
                        if (c * side >= 0)
                            keep.push_back(TRect{x, y, x + 1, y + 1});
                    }
            fill = gdi::RegionFromRects(keep.data(), keep.size());
        }
        ShapesPaintBrush(dc, vis, fill);
    }
    if (f.Width == 0)
        return TRUE;
    ShapesPen pen(dc);
    gdi::Region ring = ShapesSector(gdi::Region::Combine(outer, inner, RGN_DIFF), cx, cy, a0, span);
    ShapesPaintValue(dc, vis, ring, pen.FPixel, pen.FRop);
    if (kind == skPie)
        ShapesStroke(dc, {p1, centre, p0}, false, false);
    else if (kind == skChord)
        ShapesStroke(dc, {p1, p0}, false, false);
    return TRUE;
}

} // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
    if (!gdi::Checked(dc))
        return FALSE;
    if (old)
        *old = dc->FState.FCurPos;
    dc->FState.FCurPos = POINT{x, y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* pos) {
    if (!gdi::Checked(dc) || !pos)
        return FALSE;
    *pos = dc->FState.FCurPos;
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    if (!gdi::Checked(dc))
        return FALSE;
    POINT from = dc->FState.FCurPos;
    dc->FState.FCurPos = POINT{x, y};
    if (dc->FState.FBitmap)
        ShapesStroke(dc, {dc->ToDevice(from.X, from.Y), dc->ToDevice(x, y)}, false, false);
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT* pts, int count) {
    if (!gdi::Checked(dc) || !pts || count < 2)
        return FALSE;
    if (dc->FState.FBitmap)
        ShapesStroke(dc, ShapesToDevice(dc, pts, count), false, false);
    return TRUE;
}

BOOL PolylineTo(HDC dc, const POINT* pts, DWORD count) {
    if (!gdi::Checked(dc) || !pts || count == 0 || count > (1u << 24))
        return FALSE;
    std::vector<POINT> dev;
    dev.push_back(dc->ToDevice(dc->FState.FCurPos.X, dc->FState.FCurPos.Y));
    auto rest = ShapesToDevice(dc, pts, int(count));
    dev.insert(dev.end(), rest.begin(), rest.end());
    if (dc->FState.FBitmap)
        ShapesStroke(dc, dev, false, false);
    dc->FState.FCurPos = pts[count - 1];
    return TRUE;
}

BOOL PolyPolygon(HDC dc, const POINT* pts, const INT* counts, int polys) {
    if (!gdi::Checked(dc) || !pts || !counts || polys <= 0)
        return FALSE;
    int64_t total = 0;
    for (int i = 0; i < polys; ++i) {
        if (counts[i] < 2)
            return FALSE;
        total += counts[i];
    }
    if (total > (1 << 24) || !dc->FState.FBitmap)
        return total <= (1 << 24);
    auto dev = ShapesToDevice(dc, pts, int(total));
    gdi::Region vis = dc->Visible();
    ShapesPaintBrush(dc, vis,
                     gdi::PolygonRegion(dev.data(), counts, polys, dc->FState.FPolyFillMode, vis.FBox.Top,
                                        vis.FBox.Bottom));
    size_t at = 0;
    for (int i = 0; i < polys; ++i) {
        std::vector<POINT> one(dev.begin() + long(at), dev.begin() + long(at) + counts[i]);
        ShapesStroke(dc, one, true, false);
        at += size_t(counts[i]);
    }
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* pts, int count) {
    INT c = count;
    return PolyPolygon(dc, pts, &c, 1);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    if (!gdi::Checked(dc))
        return FALSE;
    HPEN pen = dc->FState.FPen;
    bool styled = pen && pen->FStyle != PS_SOLID && pen->FStyle != PS_INSIDEFRAME && pen->FStyle != PS_NULL;
    if (styled && pen->FWidth <= 1 && dc->FState.FBitmap) {
        // Dashed outlines follow the pattern around the rectangle; the brush fills the inside.
        TRect box = dc->ToDevice(TRect{left, top, right, bottom});
        if (box.Right - box.Left < 1 || box.Bottom - box.Top < 1)
            return TRUE;
        gdi::Region vis = dc->Visible();
        ShapesPaintBrush(
            dc, vis, gdi::Region::FromRect(TRect{box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1}));
        ShapesStroke(dc,
                     {POINT{box.Left, box.Top}, POINT{box.Right - 1, box.Top},
                      POINT{box.Right - 1, box.Bottom - 1}, POINT{box.Left, box.Bottom - 1}},
                     true, false);
        return TRUE;
    }
    ShapesFigure(dc, TRect{left, top, right, bottom},
                 [](const TRect& r, int, int, int) { return gdi::Region::FromRect(r); });
    return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh) {
    if (!gdi::Checked(dc))
        return FALSE;
    int dew = std::abs(dc->ScaleX(ew)), deh = std::abs(dc->ScaleY(eh));
    ShapesFigure(dc, TRect{left, top, right, bottom}, [&](const TRect& r, int shrink, int r0, int r1) {
        return gdi::RoundRectRegion(r.Left, r.Top, r.Right, r.Bottom, std::max(dew - shrink, 0),
                                    std::max(deh - shrink, 0), r0, r1);
    });
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    if (!gdi::Checked(dc))
        return FALSE;
    ShapesFigure(dc, TRect{left, top, right, bottom}, [](const TRect& r, int, int r0, int r1) {
        return gdi::EllipseRegion(r.Left, r.Top, r.Right, r.Bottom, r0, r1);
    });
    return TRUE;
}

BOOL Arc(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return ShapesArc(dc, l, t, r, b, xs, ys, xe, ye, skArc);
}
BOOL Pie(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return ShapesArc(dc, l, t, r, b, xs, ys, xe, ye, skPie);
}
BOOL Chord(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return ShapesArc(dc, l, t, r, b, xs, ys, xe, ye, skChord);
}

BOOL DrawFocusRect(HDC dc, const RECT* rc) {
    if (!gdi::Checked(dc) || !rc)
        return FALSE;
    HBITMAP bmp = dc->FState.FBitmap;
    if (!bmp)
        return FALSE;
    TRect r = dc->ToDevice(*rc);
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return TRUE;
    // Every other pixel of the one-pixel border, by device parity, inverted: drawing twice erases it.
    std::vector<TRect> dots;
    auto dot = [&](int x, int y) {
        if (((x - dc->FSurfaceOrg.X) + (y - dc->FSurfaceOrg.Y)) % 2 == 0)
            dots.push_back(TRect{x, y, x + 1, y + 1});
    };
    for (int x = r.Left; x < r.Right; ++x) {
        dot(x, r.Top);
        if (r.Bottom - 1 > r.Top)
            dot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Right - 1 > r.Left)
            dot(r.Right - 1, y);
    }
    ShapesPaintValue(dc, dc->Visible(), gdi::RegionFromRects(dots.data(), dots.size()), 0, 0x55);
    return TRUE;
}

} // namespace win
