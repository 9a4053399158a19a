// Rectangle helpers. Rectangles are half-open: right and bottom are outside.
#include "platform/win/gdi/GdiObjects.h"

namespace win {

namespace {
// Wrapping addition, as 32-bit rectangle arithmetic does, without signed overflow.
int32_t RectsAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}
} // namespace

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
    if (!r)
        return FALSE;
    *r = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(RECT* r) {
    return SetRect(r, 0, 0, 0, 0);
}

BOOL CopyRect(RECT* dst, const RECT* src) {
    if (!dst || !src)
        return FALSE;
    *dst = *src;
    return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->Left = RectsAdd(r->Left, -dx);
    r->Right = RectsAdd(r->Right, dx);
    r->Top = RectsAdd(r->Top, -dy);
    r->Bottom = RectsAdd(r->Bottom, dy);
    return TRUE;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->Left = RectsAdd(r->Left, dx);
    r->Right = RectsAdd(r->Right, dx);
    r->Top = RectsAdd(r->Top, dy);
    r->Bottom = RectsAdd(r->Bottom, dy);
    return TRUE;
}

BOOL IsRectEmpty(const RECT* r) {
    return !r || r->Right <= r->Left || r->Bottom <= r->Top;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b)
        return FALSE;
    RECT r{std::max(a->Left, b->Left), std::max(a->Top, b->Top), std::min(a->Right, b->Right),
           std::min(a->Bottom, b->Bottom)};
    if (IsRectEmpty(&r)) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b)
        return FALSE;
    bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
    if (ea && eb) {
        *dst = RECT{};
        return FALSE;
    }
    if (ea) {
        *dst = *b;
        return TRUE;
    }
    if (eb) {
        *dst = *a;
        return TRUE;
    }
    *dst = RECT{std::min(a->Left, b->Left), std::min(a->Top, b->Top), std::max(a->Right, b->Right),
                std::max(a->Bottom, b->Bottom)};
    return TRUE;
}

BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b)
        return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        // Only a cut along one whole side keeps the result a rectangle.
        if (i.Top == r.Top && i.Bottom == r.Bottom) {
            if (i.Left == r.Left)
                r.Left = i.Right;
            else if (i.Right == r.Right)
                r.Right = i.Left;
        } else if (i.Left == r.Left && i.Right == r.Right) {
            if (i.Top == r.Top)
                r.Top = i.Bottom;
            else if (i.Bottom == r.Bottom)
                r.Bottom = i.Top;
        }
    }
    if (IsRectEmpty(&r)) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && *a == *b;
}

BOOL PtInRect(const RECT* r, POINT p) {
    return r && p.X >= r->Left && p.X < r->Right && p.Y >= r->Top && p.Y < r->Bottom;
}

} // namespace win
