// Flood fills and gradient fills.
#include "platform/win/gdi/GdiObjects.h"

#include <cmath>

namespace win {

BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE))
        return FALSE;
    HBITMAP bmp = dc->FState.FBitmap;
    gdi::Region vis = dc->Visible();
    POINT p = dc->ToDevice(x, y);
    if (!vis.Contains(p.X, p.Y))
        return FALSE;
    uint32_t key = gdi::DevicePixel(dc, color);
    uint32_t colourBits = bmp->ValueMask();
    bool border = type == FLOODFILLBORDER;
    int w = bmp->FWidth, h = bmp->FHeight;
    std::vector<uint8_t> seen(size_t(w) * size_t(h));
    auto fillable = [&](int px, int py) {
        if (seen[size_t(py) * size_t(w) + size_t(px)] || !vis.Contains(px, py))
            return false;
        bool same = (bmp->GetRaw(px, py) & colourBits) == key; // alpha bytes play no part
        return border ? !same : same;
    };
    if (!fillable(p.X, p.Y))
        return FALSE;
    // Scanline seed fill with an explicit stack: each pixel is marked once, so the work is bounded by
    // the bitmap's size.
    std::vector<TRect> spans;
    std::vector<POINT> stack{p};
    while (!stack.empty()) {
        POINT s = stack.back();
        stack.pop_back();
        if (!fillable(s.X, s.Y))
            continue;
        int l = s.X, r = s.X;
        while (l > 0 && fillable(l - 1, s.Y))
            --l;
        while (r + 1 < w && fillable(r + 1, s.Y))
            ++r;
        for (int i = l; i <= r; ++i)
            seen[size_t(s.Y) * size_t(w) + size_t(i)] = 1;
        spans.push_back(TRect{l, s.Y, r + 1, s.Y + 1});
        for (int ny : {s.Y - 1, s.Y + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            bool run = false;
            for (int i = l; i <= r; ++i) {
                bool f = fillable(i, ny);
                if (f && !run)
                    stack.push_back(POINT{i, ny});
                run = f;
            }
        }
    }
    HBRUSH brush = dc->FState.FBrush;
    gdi::Region area = gdi::RegionFromRects(spans.data(), spans.size());
    for (const TRect& r : area.FRects)
        gdi::PatRect(dc, brush, r, 0xF0);
    return TRUE;
}

BOOL FloodFill(HDC dc, int x, int y, COLORREF border) {
    return ExtFloodFill(dc, x, y, border, FLOODFILLBORDER);
}

namespace {

struct FillsColor {
    double R, G, B, A;
};

FillsColor FillsOf(const TRIVERTEX& v) {
    return FillsColor{double(v.Red), double(v.Green), double(v.Blue), double(v.Alpha)};
}

void FillsPut(HDC dc, const gdi::Region& vis, int x, int y, const FillsColor& c) {
    if (!vis.Contains(x, y))
        return;
    HBITMAP b = dc->FState.FBitmap;
    auto ch = [](double v) { return uint8_t(std::clamp(int(v) >> 8, 0, 255)); };
    uint32_t v = b->FromRgb(RGB(ch(c.R), ch(c.G), ch(c.B)));
    if (b->IsNative32())
        v |= uint32_t(ch(c.A)) << 24;
    b->SetRaw(x, y, v);
}

FillsColor FillsMix(const FillsColor& a, const FillsColor& b, double t) {
    return FillsColor{a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t,
                      a.A + (b.A - a.A) * t};
}

} // namespace

BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG nVertices, const void* mesh, ULONG nMesh,
                  ULONG mode) {
    if (!gdi::Checked(dc) || !vertices || !mesh || mode > GRADIENT_FILL_TRIANGLE)
        return FALSE;
    if (!dc->FState.FBitmap)
        return TRUE;
    gdi::Region vis = dc->Visible();
    if (mode == GRADIENT_FILL_TRIANGLE) {
        const auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
        for (ULONG k = 0; k < nMesh; ++k) {
            ULONG i[3] = {tris[k].Vertex1, tris[k].Vertex2, tris[k].Vertex3};
            if (i[0] >= nVertices || i[1] >= nVertices || i[2] >= nVertices)
                return FALSE;
            POINT p[3];
            FillsColor c[3];
            for (int j = 0; j < 3; ++j) {
                p[j] = dc->ToDevice(vertices[i[j]].x, vertices[i[j]].y);
                c[j] = FillsOf(vertices[i[j]]);
            }
            double den =
                double(p[1].Y - p[2].Y) * (p[0].X - p[2].X) + double(p[2].X - p[1].X) * (p[0].Y - p[2].Y);
            if (den == 0)
                continue;
            // Coverage by the polygon rule (pixel centres, right and bottom edges out), colours by weights.
            int three = 3;
            gdi::Region area =
                gdi::Region::Combine(
                    gdi::PolygonRegion(p, &three, 1, ALTERNATE, INT32_MIN, INT32_MAX, gdi::PolygonCentres), vis,
                    RGN_AND);
            for (const TRect& q : area.FRects)
                for (int y = q.Top; y < q.Bottom; ++y)
                    for (int x = q.Left; x < q.Right; ++x) {
                        double px = x + 0.5, py = y + 0.5;
                        double a =
                            ((p[1].Y - p[2].Y) * (px - p[2].X) + (p[2].X - p[1].X) * (py - p[2].Y)) / den;
                        double b =
                            ((p[2].Y - p[0].Y) * (px - p[2].X) + (p[0].X - p[2].X) * (py - p[2].Y)) / den;
                        double g = 1 - a - b;
                        FillsPut(dc, vis, x, y,
                                 FillsColor{a * c[0].R + b * c[1].R + g * c[2].R,
                                            a * c[0].G + b * c[1].G + g * c[2].G,
                                            a * c[0].B + b * c[1].B + g * c[2].B,
                                            a * c[0].A + b * c[1].A + g * c[2].A});
                    }
        }
        return TRUE;
    }
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG k = 0; k < nMesh; ++k) {
        if (rects[k].UpperLeft >= nVertices || rects[k].LowerRight >= nVertices)
            return FALSE;
        const TRIVERTEX& va = vertices[rects[k].UpperLeft];
        const TRIVERTEX& vb = vertices[rects[k].LowerRight];
        POINT a = dc->ToDevice(va.x, va.y), b = dc->ToDevice(vb.x, vb.y);
        FillsColor ca = FillsOf(va), cb = FillsOf(vb);
        // The colour runs from the first vertex's side to the second's.
        bool horizontal = mode == GRADIENT_FILL_RECT_H;
        if ((horizontal && a.X > b.X) || (!horizontal && a.Y > b.Y)) {
            std::swap(ca, cb);
        }
        TRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        int span = horizontal ? r.Right - r.Left : r.Bottom - r.Top;
        if (span <= 0)
            continue;
        gdi::ForEachVisible(dc, r, [&](const TRect& c) {
            for (int y = c.Top; y < c.Bottom; ++y)
                for (int x = c.Left; x < c.Right; ++x) {
                    double t = horizontal ? double(x - r.Left) / span : double(y - r.Top) / span;
                    FillsPut(dc, vis, x, y, FillsMix(ca, cb, t));
                }
        });
    }
    return TRUE;
}

} // namespace win
