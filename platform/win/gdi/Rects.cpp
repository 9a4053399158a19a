// Rectangle helpers. Rectangles are half-open: right and bottom are outside.
#include "platform/win/gdi/GdiObjects.h"

namespace win {

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
    *r = Inflate(*r, dx, dy);
    return TRUE;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
    if (!r)
        return FALSE;
    *r = Offset(*r, dx, dy);
    return TRUE;
}

BOOL IsRectEmpty(const RECT* r) {
    return !r || r->Right <= r->Left || r->Bottom <= r->Top;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b)
        return FALSE;
    RECT r = Intersect(*a, *b);
    if (r.IsEmpty()) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b)
        return FALSE;
    *dst = Union(*a, *b);
    return !dst->IsEmpty();
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
    return r && Contains(*r, p);
}

} // namespace win
