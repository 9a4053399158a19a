// Curves of metafile records turned into device points: Bézier segments, elliptic arcs, and the outline of
// a wide stroke along a path (widening).
#include "platform/win/gdi/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace win::meta {

namespace {

constexpr double PathsPi = std::numbers::pi;
constexpr double Flatness = 0.25;  // device pixels a chord may stray from its curve
constexpr int MaxBezierDepth = 10; // at most 1024 chords per segment

double DistanceToChord(Pt p, Pt a, Pt b) {
    double dx = b.X - a.X, dy = b.Y - a.Y;
    double len = std::hypot(dx, dy);
    if (len == 0)
        return std::hypot(p.X - a.X, p.Y - a.Y);
    return std::fabs((p.X - a.X) * dy - (p.Y - a.Y) * dx) / len;
}

void Subdivide(Pt p0, Pt p1, Pt p2, Pt p3, int depth, std::vector<Pt>& out) {
    if (depth >= MaxBezierDepth ||
        std::max(DistanceToChord(p1, p0, p3), DistanceToChord(p2, p0, p3)) <= Flatness ||
        !std::isfinite(p1.X + p1.Y + p2.X + p2.Y)) {
        out.push_back(p3);
        return;
    }
    auto mid = [](Pt a, Pt b) { return Pt{(a.X + b.X) / 2, (a.Y + b.Y) / 2}; };
    Pt p01 = mid(p0, p1), p12 = mid(p1, p2), p23 = mid(p2, p3);
    Pt p012 = mid(p01, p12), p123 = mid(p12, p23);
    Pt m = mid(p012, p123);
    Subdivide(p0, p01, p012, m, depth + 1, out);
    Subdivide(m, p123, p23, p3, depth + 1, out);
}

} // namespace

void FlattenBezier(Pt p0, Pt p1, Pt p2, Pt p3, std::vector<Pt>& out) {
    Subdivide(p0, p1, p2, p3, 0, out);
}

void FlattenEllipseArc(Pt a, Pt b, double t0, double sweep, const Xform& map, std::vector<Pt>& out) {
    double l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), bo = std::max(a.Y, b.Y);
    double cx = (l + r) / 2, cy = (t + bo) / 2, rx = (r - l) / 2, ry = (bo - t) / 2;
    if (!std::isfinite(cx + cy + rx + ry + t0 + sweep))
        return;
    // Enough chords that none strays more than the flatness from the curve on the device.
    Pt vx = map.Vector(Pt{rx, 0}), vy = map.Vector(Pt{0, ry});
    double radius = std::max(std::hypot(vx.X, vx.Y), std::hypot(vy.X, vy.Y));
    double step = radius > Flatness ? 2 * std::acos(std::max(-1.0, 1 - Flatness / radius)) : PathsPi / 2;
    int n = int(std::clamp(std::ceil(std::fabs(sweep) / std::max(step, 1e-6)), 2.0, 4096.0));
    for (int i = 0; i <= n; ++i) {
        double a0 = t0 + sweep * i / n;
        out.push_back(map.Apply(Pt{cx + rx * std::cos(a0), cy + ry * std::sin(a0)}));
    }
}

std::vector<std::vector<Pt>> WidenFigures(const std::vector<PathFigure>& figures, double width,
                                          bool roundAllJoins) {
    std::vector<std::vector<Pt>> out;
    double h = width / 2;
    int discSides = int(std::clamp(std::ceil(width), 8.0, 64.0));
    auto disc = [&](Pt c) {
        std::vector<Pt> poly;
        for (int i = 0; i < discSides; ++i) {
            double a = 2 * PathsPi * i / discSides;
            poly.push_back(Pt{c.X + h * std::cos(a), c.Y + h * std::sin(a)});
        }
        out.push_back(std::move(poly));
    };
    for (const PathFigure& f : figures) {
        std::vector<Pt> pts = f.Points;
        if (f.Closed && pts.size() > 1)
            pts.push_back(pts.front());
        if (pts.size() == 1) {
            disc(pts[0]);
            continue;
        }
        for (size_t i = 0; i + 1 < pts.size(); ++i) {
            Pt a = pts[i], b = pts[i + 1];
            // Along a flattened curve the chords turn by little: a join needs its disc only where the
            // figure turns sharply (or at its start).
            bool join = roundAllJoins || i == 0;
            if (!join) {
                Pt p = pts[i - 1];
                double ux = a.X - p.X, uy = a.Y - p.Y, vx = b.X - a.X, vy = b.Y - a.Y;
                double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
                join = lu == 0 || lv == 0 || (ux * vx + uy * vy) / (lu * lv) < 0.97;
            }
            double len = std::hypot(b.X - a.X, b.Y - a.Y);
            if (len > 0) {
                // Quads wound one way, so that the winding rule unites them with the joins.
                double nx = -(b.Y - a.Y) / len * h, ny = (b.X - a.X) / len * h;
                std::vector<Pt> quad{
                    {a.X + nx, a.Y + ny}, {b.X + nx, b.Y + ny}, {b.X - nx, b.Y - ny}, {a.X - nx, a.Y - ny}};
                double area = 0;
                for (size_t k = 0; k < 4; ++k)
                    area += quad[k].X * quad[(k + 1) % 4].Y - quad[(k + 1) % 4].X * quad[k].Y;
                if (area < 0)
                    std::reverse(quad.begin(), quad.end());
                out.push_back(std::move(quad));
            }
            if (join)
                disc(a);
        }
        disc(pts.back());
    }
    return out;
}

} // namespace win::meta

namespace win::meta {

std::vector<Pt> ClipToBox(const std::vector<Pt>& poly, const RECT& box) {
    // One pass per side of the box (Sutherland-Hodgman): inside the box every point keeps its winding number,
    // so a fill of the clipped figures matches the fill of the whole ones there.
    std::vector<Pt> cur = poly, next;
    for (int side = 0; side < 4 && !cur.empty(); ++side) {
        auto value = [&](const Pt& p) {
            switch (side) {
            case 0:
                return p.X - box.Left;
            case 1:
                return box.Right - p.X;
            case 2:
                return p.Y - box.Top;
            default:
                return box.Bottom - p.Y;
            }
        };
        next.clear();
        for (size_t i = 0; i < cur.size(); ++i) {
            const Pt& a = cur[i];
            const Pt& b = cur[(i + 1) % cur.size()];
            double va = value(a), vb = value(b);
            if (va >= 0)
                next.push_back(a);
            if ((va >= 0) != (vb >= 0)) {
                double k = va / (va - vb);
                next.push_back(Pt{a.X + (b.X - a.X) * k, a.Y + (b.Y - a.Y) * k});
            }
        }
        cur.swap(next);
    }
    return cur;
}

} // namespace win::meta
