// Rasterising shapes into regions: polygons (ALTERNATE and WINDING), ellipses and rounded rectangles.
// A pixel belongs to an ellipse or a rounded rectangle when its centre lies inside, to a polygon when its
// top-left corner does (PolygonSampling); either way a rectangle's right and bottom edges are out.
#include "platform/win/gdi/GdiObjects.h"

#include <cmath>

namespace win::gdi {

namespace {

// Rows handled by the rasterisers; coordinates beyond are clamped so hostile input stays bounded.
constexpr int ShapesMaxCoord = 1 << 22;

int ShapesClampRow(int64_t y) {
    return int(std::clamp<int64_t>(y, -ShapesMaxCoord, ShapesMaxCoord));
}

// Pixels whose sample point x + offset (0.5: the centre) lies in [a, b).
void ShapesSpanPixels(double a, double b, int& first, int& last, double offset = 0.5) {
    first = int(std::ceil(a - offset));
    last = int(std::ceil(b - offset));
    first = std::clamp(first, -ShapesMaxCoord, ShapesMaxCoord);
    last = std::clamp(last, -ShapesMaxCoord, ShapesMaxCoord);
}

void ShapesAddRow(std::vector<TRect>& out, int y, int x0, int x1) {
    if (x0 < x1)
        out.push_back(TRect{x0, y, x1, y + 1});
}

} // namespace

Region PolygonRegion(const POINT* pts, const int* counts, int polys, int fillMode, int rowMin, int rowMax,
                     PolygonSampling sampling) {
    const double offset = sampling == PolygonCentres ? 0.5 : 0.0;
    struct Edge {
        double X0, Y0, X1, Y1;
        int Dir;
    };
    std::vector<Edge> edges;
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    const POINT* p = pts;
    for (int k = 0; k < polys; ++k) {
        int n = counts[k];
        for (int i = 0; i < n; ++i) {
            const POINT& a = p[i];
            const POINT& b = p[(i + 1) % n];
            minY = std::min<int64_t>(minY, a.Y);
            maxY = std::max<int64_t>(maxY, a.Y);
            if (a.Y == b.Y)
                continue;
            edges.push_back(Edge{double(a.X), double(a.Y), double(b.X), double(b.Y), a.Y < b.Y ? 1 : -1});
        }
        p += n;
    }
    Region rgn;
    if (edges.empty())
        return rgn;
    int y0 = std::max(ShapesClampRow(minY), rowMin), y1 = std::min(ShapesClampRow(maxY), rowMax);
    std::vector<std::pair<double, int>> xs;
    for (int y = y0; y < y1; ++y) {
        double yc = y + offset;
        xs.clear();
        for (const Edge& e : edges) {
            double lo = std::min(e.Y0, e.Y1), hi = std::max(e.Y0, e.Y1);
            if (yc < lo || yc >= hi)
                continue;
            xs.emplace_back(e.X0 + (yc - e.Y0) * (e.X1 - e.X0) / (e.Y1 - e.Y0), e.Dir);
        }
        std::sort(xs.begin(), xs.end());
        int winding = 0;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            winding += xs[i].second;
            bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (!inside)
                continue;
            int a, b;
            ShapesSpanPixels(xs[i].first, xs[i + 1].first, a, b, offset);
            ShapesAddRow(rgn.FRects, y, a, b);
        }
    }
    rgn.FinishFromBands();
    return rgn;
}

Region RoundRectRegion(int left, int top, int right, int bottom, int ew, int eh, int rowMin, int rowMax) {
    Region rgn;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::clamp(left, -ShapesMaxCoord, ShapesMaxCoord);
    right = std::clamp(right, -ShapesMaxCoord, ShapesMaxCoord);
    top = std::clamp(top, -ShapesMaxCoord, ShapesMaxCoord);
    bottom = std::clamp(bottom, -ShapesMaxCoord, ShapesMaxCoord);
    if (right - left < 1 || bottom - top < 1)
        return rgn;
    double rx = std::min(std::abs(double(ew)), double(right - left)) / 2;
    double ry = std::min(std::abs(double(eh)), double(bottom - top)) / 2;
    for (int y = std::max(top, rowMin); y < std::min(bottom, rowMax); ++y) {
        double yc = y + 0.5;
        double inset = 0;
        if (rx > 0 && ry > 0) {
            double dy = 0;
            if (yc < top + ry)
                dy = top + ry - yc;
            else if (yc > bottom - ry)
                dy = yc - (bottom - ry);
            if (dy > 0) {
                double t = dy / ry;
                inset = t >= 1 ? rx : rx - rx * std::sqrt(1 - t * t);
            }
        }
        int a, b;
        ShapesSpanPixels(left + inset, right - inset, a, b);
        ShapesAddRow(rgn.FRects, y, a, b);
    }
    rgn.FinishFromBands();
    return rgn;
}

Region EllipseRegion(int left, int top, int right, int bottom, int rowMin, int rowMax) {
    return RoundRectRegion(left, top, right, bottom, int(std::min<int64_t>(int64_t(right) - left, INT32_MAX)),
                           int(std::min<int64_t>(int64_t(bottom) - top, INT32_MAX)), rowMin, rowMax);
}

// The union of arbitrary rectangles in banded form: a sweep over the distinct tops and bottoms keeping the
// rectangles that span the current band.
Region RegionFromRects(const TRect* rects, size_t count) {
    std::vector<int> ys;
    std::vector<TRect> valid;
    for (size_t i = 0; i < count; ++i) {
        const TRect& r = rects[i];
        if (r.Left < r.Right && r.Top < r.Bottom) {
            valid.push_back(r);
            ys.push_back(r.Top);
            ys.push_back(r.Bottom);
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::sort(valid.begin(), valid.end(), [](const TRect& a, const TRect& b) { return a.Top < b.Top; });
    Region rgn;
    std::vector<TRect> active;
    std::vector<std::pair<int, int>> spans;
    size_t next = 0;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        int y = ys[i];
        active.erase(
            std::remove_if(active.begin(), active.end(), [&](const TRect& r) { return r.Bottom <= y; }),
            active.end());
        while (next < valid.size() && valid[next].Top <= y)
            active.push_back(valid[next++]);
        spans.clear();
        for (const TRect& r : active)
            spans.emplace_back(r.Left, r.Right);
        std::sort(spans.begin(), spans.end());
        size_t start = rgn.FRects.size();
        for (auto& s : spans) {
            if (rgn.FRects.size() > start && rgn.FRects.back().Right >= s.first)
                rgn.FRects.back().Right = std::max(rgn.FRects.back().Right, s.second);
            else
                rgn.FRects.push_back(TRect{s.first, y, s.second, ys[i + 1]});
        }
    }
    rgn.FinishFromBands();
    return rgn;
}

} // namespace win::gdi
