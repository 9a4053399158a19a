// Banded rectangle lists: the region representation behind HRGN and clipping.
#include "platform/win/gdi/GdiObjects.h"

#include <algorithm>

namespace win::gdi {

namespace {

using RgnSpans = std::vector<std::pair<int, int>>; // [left, right) within one band

// Collects bands from top to bottom and merges a band into the previous one when they touch and have
// the same spans.
struct RgnBandBuilder {
    std::vector<TRect> FOut;
    size_t FLastStart = 0;
    size_t FLastCount = 0;

    void Add(int top, int bottom, const RgnSpans& spans) {
        if (spans.empty() || top >= bottom)
            return;
        if (FLastCount == spans.size() && FOut[FLastStart].Bottom == top) {
            bool same = true;
            for (size_t i = 0; i < spans.size() && same; ++i)
                same = FOut[FLastStart + i].Left == spans[i].first &&
                       FOut[FLastStart + i].Right == spans[i].second;
            if (same) {
                for (size_t i = 0; i < spans.size(); ++i)
                    FOut[FLastStart + i].Bottom = bottom;
                return;
            }
        }
        FLastStart = FOut.size();
        FLastCount = spans.size();
        for (auto& s : spans)
            FOut.push_back(TRect{s.first, top, s.second, bottom});
    }
};

TRect RgnBoxOf(const std::vector<TRect>& rects) {
    if (rects.empty())
        return TRect{};
    TRect box = rects.front();
    for (const TRect& r : rects) {
        box.Left = std::min(box.Left, r.Left);
        box.Right = std::max(box.Right, r.Right);
        box.Bottom = std::max(box.Bottom, r.Bottom);
    }
    return box;
}

// The spans of the band that covers y, advancing idx monotonically through the banded rectangles.
void RgnSpansAt(const Region& rgn, int y, size_t& idx, RgnSpans& out) {
    out.clear();
    const auto& r = rgn.FRects;
    while (idx < r.size() && r[idx].Bottom <= y)
        ++idx;
    size_t i = idx;
    while (i < r.size() && r[i].Top <= y && r[i].Bottom > y) {
        out.emplace_back(r[i].Left, r[i].Right);
        ++i;
    }
}

bool RgnOp(int mode, bool a, bool b) {
    switch (mode) {
    case RGN_AND:
        return a && b;
    case RGN_OR:
        return a || b;
    case RGN_XOR:
        return a != b;
    case RGN_DIFF:
        return a && !b;
    default:
        return a;
    }
}

void RgnCombineSpans(const RgnSpans& a, const RgnSpans& b, int mode, RgnSpans& out) {
    out.clear();
    std::vector<int> xs;
    xs.reserve((a.size() + b.size()) * 2);
    for (auto& s : a) {
        xs.push_back(s.first);
        xs.push_back(s.second);
    }
    for (auto& s : b) {
        xs.push_back(s.first);
        xs.push_back(s.second);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    size_t ia = 0, ib = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
        int x0 = xs[i], x1 = xs[i + 1];
        while (ia < a.size() && a[ia].second <= x0)
            ++ia;
        while (ib < b.size() && b[ib].second <= x0)
            ++ib;
        bool inA = ia < a.size() && a[ia].first <= x0;
        bool inB = ib < b.size() && b[ib].first <= x0;
        if (!RgnOp(mode, inA, inB))
            continue;
        if (!out.empty() && out.back().second == x0)
            out.back().second = x1;
        else
            out.emplace_back(x0, x1);
    }
}

} // namespace

int Region::Complexity() const {
    if (FRects.empty())
        return NULLREGION;
    return FRects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void Region::SetRect(const TRect& r) {
    FRects.clear();
    if (r.Left < r.Right && r.Top < r.Bottom)
        FRects.push_back(r);
    FBox = FRects.empty() ? TRect{} : r;
}

Region Region::FromRect(const TRect& r) {
    Region g;
    TRect n{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
    g.SetRect(n);
    return g;
}

void Region::Offset(int dx, int dy) {
    for (TRect& r : FRects) {
        r.Left += dx;
        r.Right += dx;
        r.Top += dy;
        r.Bottom += dy;
    }
    if (!FRects.empty()) {
        FBox.Left += dx;
        FBox.Right += dx;
        FBox.Top += dy;
        FBox.Bottom += dy;
    }
}

bool Region::Contains(int x, int y) const {
    if (FRects.empty() || x < FBox.Left || x >= FBox.Right || y < FBox.Top || y >= FBox.Bottom)
        return false;
    for (const TRect& r : FRects) {
        if (r.Top > y)
            break;
        if (y < r.Bottom && x >= r.Left && x < r.Right)
            return true;
    }
    return false;
}

bool Region::Intersects(const TRect& q) const {
    for (const TRect& r : FRects) {
        if (r.Top >= q.Bottom)
            break;
        if (r.Bottom > q.Top && r.Left < q.Right && r.Right > q.Left)
            return true;
    }
    return false;
}

void Region::FinishFromBands() {
    // Rectangles arrive sorted by band; rebuild to merge equal neighbouring bands.
    std::vector<TRect> in = std::move(FRects);
    std::stable_sort(in.begin(), in.end(), [](const TRect& a, const TRect& b) {
        return a.Top != b.Top ? a.Top < b.Top : a.Left < b.Left;
    });
    RgnBandBuilder bb;
    RgnSpans spans;
    size_t i = 0;
    while (i < in.size()) {
        int top = in[i].Top, bottom = in[i].Bottom;
        spans.clear();
        while (i < in.size() && in[i].Top == top) {
            if (in[i].Left < in[i].Right) {
                if (!spans.empty() && spans.back().second >= in[i].Left)
                    spans.back().second = std::max(spans.back().second, in[i].Right);
                else
                    spans.emplace_back(in[i].Left, in[i].Right);
            }
            ++i;
        }
        bb.Add(top, bottom, spans);
    }
    FRects = std::move(bb.FOut);
    FBox = RgnBoxOf(FRects);
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
    Region out;
    if (mode == RGN_COPY) {
        out = a;
        return out;
    }
    std::vector<int> ys;
    ys.reserve((a.FRects.size() + b.FRects.size()) * 2);
    for (const TRect& r : a.FRects) {
        ys.push_back(r.Top);
        ys.push_back(r.Bottom);
    }
    for (const TRect& r : b.FRects) {
        ys.push_back(r.Top);
        ys.push_back(r.Bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    RgnBandBuilder bb;
    RgnSpans sa, sb, sr;
    size_t ia = 0, ib = 0;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        RgnSpansAt(a, ys[i], ia, sa);
        RgnSpansAt(b, ys[i], ib, sb);
        RgnCombineSpans(sa, sb, mode, sr);
        bb.Add(ys[i], ys[i + 1], sr);
    }
    out.FRects = std::move(bb.FOut);
    out.FBox = RgnBoxOf(out.FRects);
    return out;
}

} // namespace win::gdi
