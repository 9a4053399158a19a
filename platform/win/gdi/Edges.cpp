// DrawEdge and DrawFrameControl in the classic look.
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/GdiObjects.h"
#include "platform/win/gdi/TextRender.h"

#include <algorithm>
#include <cmath>

namespace win {
namespace {

// The system colours the frames are built from.
enum EdgesColorIndex {
    EdgesWindow = COLOR_WINDOW,
    EdgesWindowFrame = COLOR_WINDOWFRAME,
    EdgesWindowText = COLOR_WINDOWTEXT,
    EdgesBtnFace = COLOR_BTNFACE,
    EdgesBtnShadow = COLOR_BTNSHADOW,
    EdgesBtnText = COLOR_BTNTEXT,
    EdgesBtnHighlight = COLOR_BTNHIGHLIGHT,
    EdgesDkShadow = COLOR_3DDKSHADOW,
    EdgesLight = COLOR_3DLIGHT,
};

COLORREF EdgesSysColor(int index) {
    return GetSysColor(index);
}

// Paints device pixels through the DC's clip.
class EdgesPainter {
public:
    explicit EdgesPainter(HDC dc) : FSink(text::MakeDcSink(dc, nullptr)) {
        if (FSink)
            FBounds = FSink->Bounds();
    }
    bool Ready() const { return FSink != nullptr; }
    TRect Bounds() const { return FBounds; }

    void Fill(int64_t l, int64_t t, int64_t r, int64_t b, COLORREF c) {
        if (!FSink)
            return;
        l = std::max<int64_t>(l, FBounds.Left);
        t = std::max<int64_t>(t, FBounds.Top);
        r = std::min<int64_t>(r, FBounds.Right);
        b = std::min<int64_t>(b, FBounds.Bottom);
        for (int64_t y = t; y < b && l < r; ++y)
            FSink->Fill(int(l), int(y), int(r - l), c);
    }
    void Pixel(int64_t x, int64_t y, COLORREF c) { Fill(x, y, x + 1, y + 1, c); }
    // Every other pixel in the two colours, anchored at the device origin.
    void Checker(int64_t l, int64_t t, int64_t r, int64_t b, COLORREF even, COLORREF odd) {
        l = std::max<int64_t>(l, FBounds.Left);
        t = std::max<int64_t>(t, FBounds.Top);
        r = std::min<int64_t>(r, FBounds.Right);
        b = std::min<int64_t>(b, FBounds.Bottom);
        for (int64_t y = t; y < b; ++y)
            for (int64_t x = l; x < r; ++x)
                Pixel(x, y, ((x + y) & 1) ? odd : even);
    }
    // Pixel art: '#' marks the pixels to paint, scaled by k.
    void Art(const char* const* rows, int h, int64_t x, int64_t y, int k, COLORREF c) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; rows[j][i]; ++i)
                if (rows[j][i] == '#')
                    Fill(x + int64_t(i) * k, y + int64_t(j) * k, x + int64_t(i + 1) * k,
                         y + int64_t(j + 1) * k, c);
    }

private:
    std::unique_ptr<text::TextSink> FSink;
    TRect FBounds{};
};

struct EdgesRing {
    COLORREF TopLeft;
    COLORREF BottomRight;
};

// One ring of an edge: the left and top lines first, then the right and bottom lines, so the top-right
// and bottom-left corners take the bottom-right colour.
void EdgesDrawRing(EdgesPainter& p, const TRect& r, UINT sides, const EdgesRing& ring) {
    if (r.IsEmpty())
        return;
    if (sides & BF_LEFT)
        p.Fill(r.Left, r.Top, r.Left + 1, r.Bottom, ring.TopLeft);
    if (sides & BF_TOP)
        p.Fill(r.Left, r.Top, r.Right, r.Top + 1, ring.TopLeft);
    if (sides & BF_RIGHT)
        p.Fill(r.Right - 1, r.Top, r.Right, r.Bottom, ring.BottomRight);
    if (sides & BF_BOTTOM)
        p.Fill(r.Left, r.Bottom - 1, r.Right, r.Bottom, ring.BottomRight);
}

TRect EdgesShrink(TRect r, UINT sides, int by) {
    if (sides & BF_LEFT)
        r.Left += by;
    if (sides & BF_TOP)
        r.Top += by;
    if (sides & BF_RIGHT)
        r.Right -= by;
    if (sides & BF_BOTTOM)
        r.Bottom -= by;
    return r;
}

// Draws an edge on a device rectangle and returns the inside.
TRect EdgesPaint(EdgesPainter& p, TRect r, UINT edge, UINT flags) {
    const UINT sides = flags & BF_RECT;
    const bool hasOuter = edge & BDR_OUTER, hasInner = edge & BDR_INNER;
    const bool outerRaised = edge & BDR_RAISEDOUTER, innerRaised = edge & BDR_RAISEDINNER;
    EdgesRing outer, inner;
    if (flags & BF_MONO) {
        outer = {EdgesSysColor(EdgesWindowFrame), EdgesSysColor(EdgesWindowFrame)};
        inner = {EdgesSysColor(EdgesWindow), EdgesSysColor(EdgesWindow)};
    } else if (flags & BF_FLAT) {
        outer = {EdgesSysColor(EdgesBtnShadow), EdgesSysColor(EdgesBtnShadow)};
        inner = {EdgesSysColor(EdgesBtnFace), EdgesSysColor(EdgesBtnFace)};
    } else {
        outer = outerRaised ? EdgesRing{EdgesSysColor(EdgesLight), EdgesSysColor(EdgesDkShadow)}
                            : EdgesRing{EdgesSysColor(EdgesBtnShadow), EdgesSysColor(EdgesBtnHighlight)};
        inner = innerRaised ? EdgesRing{EdgesSysColor(EdgesBtnHighlight), EdgesSysColor(EdgesBtnShadow)}
                            : EdgesRing{EdgesSysColor(EdgesDkShadow), EdgesSysColor(EdgesLight)};
        if (flags & BF_SOFT) {
            // Soft edges put the stronger top-left line outside.
            std::swap(outer.TopLeft, inner.TopLeft);
        }
    }
    if (hasOuter) {
        EdgesDrawRing(p, r, sides, outer);
        r = EdgesShrink(r, sides, 1);
    }
    if (hasInner) {
        EdgesDrawRing(p, r, sides, inner);
        r = EdgesShrink(r, sides, 1);
    }
    if (flags & BF_MIDDLE)
        p.Fill(r.Left, r.Top, r.Right, r.Bottom,
               EdgesSysColor((flags & BF_MONO) ? EdgesWindow : EdgesBtnFace));
    return r;
}

// Device coordinates, kept within a range where sizes cannot overflow.
constexpr int32_t EdgesCoordLimit = 1 << 28;
// Glyphs never grow beyond this, however large the control.
constexpr int EdgesGlyphLimit = 4096;

TRect EdgesToDevice(HDC dc, const RECT& r) {
    const POINT a = dc->ToDevice(r.Left, r.Top), b = dc->ToDevice(r.Right, r.Bottom);
    auto c = [](int32_t v) { return std::clamp(v, -EdgesCoordLimit, EdgesCoordLimit); };
    return TRect{c(std::min(a.X, b.X)), c(std::min(a.Y, b.Y)), c(std::max(a.X, b.X)), c(std::max(a.Y, b.Y))};
}

// The logical rectangle of a device one (for the rect handed back to the caller).
RECT EdgesToLogical(HDC dc, const TRect& r) {
    const POINT a = dc->ToLogical(r.Left, r.Top), b = dc->ToLogical(r.Right, r.Bottom);
    return RECT{a.X, a.Y, b.X, b.Y};
}

// The largest square centred in r.
TRect EdgesSquare(const TRect& r) {
    const int side = std::max(0, std::min(r.Width(), r.Height()));
    const int l = r.Left + (r.Width() - side) / 2, t = r.Top + (r.Height() - side) / 2;
    return TRect{l, t, l + side, t + side};
}

// ---- Glyphs -----------------------------------------------------------------------------------------------

const char* const EdgesTick[] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};

void EdgesDrawTick(EdgesPainter& p, const TRect& area, COLORREF c) {
    const int k = std::clamp(std::min(area.Width(), area.Height()) / 9, 1, EdgesGlyphLimit / 7);
    const int size = 7 * k;
    p.Art(EdgesTick, 7, area.Left + (area.Width() - size) / 2, area.Top + (area.Height() - size) / 2, k, c);
}

// A filled triangle pointing in a direction (0 up, 1 down, 2 left, 3 right) centred in area; base = the
// odd number of pixels across.
void EdgesDrawArrow(EdgesPainter& p, const TRect& area, int direction, int base, COLORREF c) {
    const int tall = (base + 1) / 2;
    const bool vertical = direction <= 1;
    const int w = vertical ? base : tall, h = vertical ? tall : base;
    const int x0 = area.Left + (area.Width() - w) / 2, y0 = area.Top + (area.Height() - h) / 2;
    for (int i = 0; i < tall; ++i) {
        const int half = i; // row i from the tip spans 2i+1 pixels
        switch (direction) {
        case 0:
            p.Fill(x0 + tall - 1 - half, y0 + i, x0 + tall + half, y0 + i + 1, c);
            break;
        case 1:
            p.Fill(x0 + tall - 1 - half, y0 + tall - 1 - i, x0 + tall + half, y0 + tall - i, c);
            break;
        case 2:
            p.Fill(x0 + i, y0 + tall - 1 - half, x0 + i + 1, y0 + tall + half, c);
            break;
        default:
            p.Fill(x0 + tall - 1 - i, y0 + tall - 1 - half, x0 + tall - i, y0 + tall + half, c);
            break;
        }
    }
}

// Caption glyphs, drawn in a box whose size follows the button.
void EdgesDrawCaptionGlyph(EdgesPainter& p, const TRect& area, UINT kind, COLORREF c) {
    // 7 in a 12-pixel face.
    const int s = std::clamp(int(int64_t(std::min(area.Width(), area.Height())) * 4 / 7), 4, EdgesGlyphLimit);
    const int x0 = area.Left + (area.Width() - s) / 2, y0 = area.Top + (area.Height() - s) / 2;
    switch (kind) {
    case DFCS_CAPTIONCLOSE:
        // Two crossing strokes two pixels wide.
        for (int i = 0; i < s; ++i) {
            p.Fill(x0 + i, y0 + i, x0 + i + 2, y0 + i + 1, c);
            p.Fill(x0 + s - 1 - i, y0 + i, x0 + s + 1 - i, y0 + i + 1, c);
        }
        break;
    case DFCS_CAPTIONMIN:
        p.Fill(x0, y0 + s - 2, x0 + s - 1, y0 + s, c);
        break;
    case DFCS_CAPTIONMAX:
        p.Fill(x0, y0, x0 + s + 1, y0 + 2, c);         // thick top
        p.Fill(x0, y0, x0 + 1, y0 + s, c);             // left
        p.Fill(x0 + s, y0, x0 + s + 1, y0 + s, c);     // right
        p.Fill(x0, y0 + s - 1, x0 + s + 1, y0 + s, c); // bottom
        break;
    case DFCS_CAPTIONRESTORE: {
        const int b = std::max(3, s * 2 / 3);
        // Back window, top right.
        const int bx = x0 + s - b + 1, by = y0;
        p.Fill(bx, by, bx + b, by + 2, c);
        p.Fill(bx + b - 1, by, bx + b, by + b, c);
        p.Fill(bx + b - 3, by + b - 1, bx + b, by + b, c);
        // Front window, bottom left.
        const int fx = x0, fy = y0 + s - b;
        p.Fill(fx, fy, fx + b, fy + 2, c);
        p.Fill(fx, fy, fx + 1, fy + b, c);
        p.Fill(fx + b - 1, fy, fx + b, fy + b, c);
        p.Fill(fx, fy + b - 1, fx + b, fy + b, c);
        break;
    }
    case DFCS_CAPTIONHELP: {
        static const char* const question[] = {".####.", "##..##", "....##", "...##.", "..##..",
                                               "..##..", "......", "..##..", "..##.."};
        const int k = std::max(1, s / 8);
        p.Art(question, 9, area.Left + (area.Width() - 6 * k) / 2, area.Top + (area.Height() - 9 * k) / 2, k,
              c);
        break;
    }
    default:
        break;
    }
}

// A glyph drawn normally, pushed (one pixel right and down) or embossed when inactive.
template <class F> void EdgesGlyphState(const TRect& area, UINT state, COLORREF normal, F&& draw) {
    TRect a = area;
    if (state & DFCS_PUSHED) {
        a.Left += 1;
        a.Top += 1;
        a.Right += 1;
        a.Bottom += 1;
    }
    if (state & DFCS_INACTIVE) {
        TRect shifted{a.Left + 1, a.Top + 1, a.Right + 1, a.Bottom + 1};
        draw(shifted, EdgesSysColor(EdgesBtnHighlight));
        draw(a, EdgesSysColor(EdgesBtnShadow));
    } else {
        draw(a, normal);
    }
}

// The button under a caption or scroll glyph; returns the face area.
TRect EdgesButtonFace(EdgesPainter& p, const TRect& r, UINT state) {
    UINT flags = BF_RECT | BF_MIDDLE;
    UINT edge = EDGE_RAISED;
    if (state & DFCS_MONO)
        flags |= BF_MONO;
    else if (state & DFCS_FLAT)
        flags |= BF_FLAT;
    if (state & (DFCS_PUSHED | DFCS_CHECKED))
        edge = EDGE_SUNKEN;
    else
        flags |= BF_SOFT;
    return EdgesPaint(p, r, edge, flags);
}

// ---- Buttons
// ------------------------------------------------------------------------------------------------

void EdgesPushButton(EdgesPainter& p, const TRect& r, UINT state) {
    if ((state & DFCS_CHECKED) && !(state & DFCS_PUSHED)) {
        const TRect in = EdgesPaint(p, r, EDGE_SUNKEN, BF_RECT | ((state & DFCS_FLAT) ? BF_FLAT : 0));
        p.Checker(in.Left, in.Top, in.Right, in.Bottom, EdgesSysColor(EdgesBtnHighlight),
                  EdgesSysColor(EdgesBtnFace));
        return;
    }
    if (state & DFCS_PUSHED) {
        if (state & (DFCS_FLAT | DFCS_MONO)) {
            EdgesButtonFace(p, r, state);
            return;
        }
        // A pressed push button: a dark frame, a shadow line inside it, then the face.
        const COLORREF dark = EdgesSysColor(EdgesDkShadow), shadow = EdgesSysColor(EdgesBtnShadow);
        EdgesDrawRing(p, r, BF_RECT, {dark, dark});
        const TRect inner = EdgesShrink(r, BF_RECT, 1);
        EdgesDrawRing(p, inner, BF_RECT, {shadow, shadow});
        const TRect face = EdgesShrink(inner, BF_RECT, 1);
        p.Fill(face.Left, face.Top, face.Right, face.Bottom, EdgesSysColor(EdgesBtnFace));
        return;
    }
    EdgesButtonFace(p, r, state);
}

void EdgesCheckBox(EdgesPainter& p, const TRect& rect, UINT state) {
    const TRect box = EdgesSquare(rect);
    if (box.IsEmpty())
        return;
    UINT flags = BF_RECT;
    if (state & DFCS_MONO)
        flags |= BF_MONO;
    else if (state & DFCS_FLAT)
        flags |= BF_FLAT;
    const TRect in = EdgesPaint(p, box, EDGE_SUNKEN, flags);
    const bool grayed = (state & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED);
    if (grayed)
        p.Checker(in.Left, in.Top, in.Right, in.Bottom, EdgesSysColor(EdgesBtnHighlight),
                  EdgesSysColor(EdgesBtnFace));
    else
        p.Fill(in.Left, in.Top, in.Right, in.Bottom,
               EdgesSysColor((state & (DFCS_PUSHED | DFCS_INACTIVE)) ? EdgesBtnFace : EdgesWindow));
    if (state & DFCS_CHECKED)
        EdgesDrawTick(p, in,
                      EdgesSysColor((grayed || (state & DFCS_INACTIVE)) ? EdgesBtnShadow : EdgesWindowText));
}

void EdgesRadio(EdgesPainter& p, const TRect& rect, UINT state) {
    const TRect box = EdgesSquare(rect);
    const int d = box.Width();
    if (d <= 0)
        return;
    const double radius = d / 2.0;
    auto inside = [&](int x, int y, double rr) {
        const double dx = x + 0.5 - radius, dy = y + 0.5 - radius;
        return rr > 0 && dx * dx + dy * dy <= rr * rr;
    };
    // Only the visible part of the square is walked.
    const TRect bounds = p.Bounds();
    const int yFrom = std::clamp(bounds.Top - box.Top, 0, d), yTo = std::clamp(bounds.Bottom - box.Top, 0, d);
    const int xFrom = std::clamp(bounds.Left - box.Left, 0, d),
              xTo = std::clamp(bounds.Right - box.Left, 0, d);
    const UINT kind = state & 0x1F;
    if (kind == DFCS_BUTTONRADIOMASK) {
        // White square, black disc.
        for (int y = yFrom; y < yTo; ++y)
            for (int x = xFrom; x < xTo; ++x)
                p.Pixel(box.Left + x, box.Top + y, inside(x, y, radius) ? RGB(0, 0, 0) : RGB(255, 255, 255));
        return;
    }
    const bool mono = state & DFCS_MONO, flat = (state & DFCS_FLAT) || mono;
    const COLORREF interior =
        EdgesSysColor((state & (DFCS_PUSHED | DFCS_INACTIVE)) ? EdgesBtnFace : EdgesWindow);
    const COLORREF flatOuter = EdgesSysColor(mono ? EdgesWindowFrame : EdgesBtnShadow);
    const double dot = std::max(1.0, d / 6.0);
    const COLORREF dotColour = EdgesSysColor((state & DFCS_INACTIVE) ? EdgesBtnShadow : EdgesWindowText);
    for (int y = yFrom; y < yTo; ++y) {
        for (int x = xFrom; x < xTo; ++x) {
            const bool upperLeft = x + y < d - 1;
            COLORREF c;
            if (!inside(x, y, radius)) {
                if (state & DFCS_TRANSPARENT)
                    continue;
                c = EdgesSysColor(EdgesBtnFace);
            } else if (!inside(x, y, radius - 1)) {
                c = flat ? flatOuter : EdgesSysColor(upperLeft ? EdgesBtnShadow : EdgesBtnHighlight);
            } else if (!inside(x, y, radius - 2)) {
                c = flat ? interior : EdgesSysColor(upperLeft ? EdgesDkShadow : EdgesLight);
            } else {
                c = interior;
            }
            if ((state & DFCS_CHECKED) && inside(x, y, dot))
                c = dotColour;
            p.Pixel(box.Left + x, box.Top + y, c);
        }
    }
}

// ---- Scroll bar parts -------------------------------------------------------------------------------------

void EdgesSizeGrip(EdgesPainter& p, const TRect& r, UINT state) {
    if (!(state & DFCS_TRANSPARENT))
        p.Fill(r.Left, r.Top, r.Right, r.Bottom, EdgesSysColor(EdgesBtnFace));
    // Three ridges along the anti-diagonal of the corner: two shadow lines and a highlight line each.
    const bool left = state & DFCS_SCROLLSIZEGRIPRIGHT;
    const int size = std::min({r.Width(), r.Height(), 13});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int dist = x + y; // from the grip's corner
            if (dist == 0 || dist >= size)
                continue;
            const int phase = (dist - 1) % 4;
            if (phase == 3)
                continue;
            const COLORREF c = EdgesSysColor(phase == 2 ? EdgesBtnHighlight : EdgesBtnShadow);
            const int px = left ? r.Left + x : r.Right - 1 - x;
            p.Pixel(px, r.Bottom - 1 - y, c);
        }
    }
}

void EdgesScrollArrow(EdgesPainter& p, const TRect& r, UINT state, int direction) {
    TRect face = EdgesButtonFace(p, r, state);
    int base = ((std::min(r.Width(), r.Height()) - 2) / 2) | 1;
    base = std::clamp(base, 1, EdgesGlyphLimit - 1);
    EdgesGlyphState(face, state, EdgesSysColor(EdgesBtnText),
                    [&](const TRect& a, COLORREF c) { EdgesDrawArrow(p, a, direction, base, c); });
}

// ---- Menu glyphs (black on white, for use as masks)
// -----------------------------------------------------------

void EdgesMenuGlyph(EdgesPainter& p, const TRect& r, UINT state) {
    p.Fill(r.Left, r.Top, r.Right, r.Bottom, RGB(255, 255, 255));
    const COLORREF black = RGB(0, 0, 0);
    switch (state & 0xFF) {
    case DFCS_MENUCHECK:
        EdgesDrawTick(p, r, black);
        break;
    case DFCS_MENUBULLET: {
        const int d = std::clamp(std::min(r.Width(), r.Height()) / 3, 2, EdgesGlyphLimit);
        const double rad = d / 2.0;
        const int x0 = r.Left + (r.Width() - d) / 2, y0 = r.Top + (r.Height() - d) / 2;
        for (int y = 0; y < d; ++y)
            for (int x = 0; x < d; ++x) {
                const double dx = x + 0.5 - rad, dy = y + 0.5 - rad;
                if (dx * dx + dy * dy <= rad * rad + 0.25)
                    p.Pixel(x0 + x, y0 + y, black);
            }
        break;
    }
    case DFCS_MENUARROWRIGHT:
        EdgesDrawArrow(p, r, 2, (std::min(r.Width(), r.Height()) / 2) | 1, black);
        break;
    default:
        EdgesDrawArrow(p, r, 3, (std::min(r.Width(), r.Height()) / 2) | 1, black);
        break;
    }
}

} // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    if (!dc || !rect)
        return FALSE;
    EdgesPainter p(dc);
    const TRect inside = EdgesPaint(p, EdgesToDevice(dc, *rect), edge, flags);
    if (flags & BF_ADJUST)
        *rect = EdgesToLogical(dc, inside);
    return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
    if (!dc || !rect)
        return FALSE;
    EdgesPainter p(dc);
    const TRect r = EdgesToDevice(dc, *rect);
    bool adjustable = false;
    switch (type) {
    case DFC_BUTTON:
        if (state & DFCS_BUTTONPUSH) {
            EdgesPushButton(p, r, state);
            adjustable = true;
        } else if (state & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
            EdgesRadio(p, r, state);
        } else {
            EdgesCheckBox(p, r, state);
        }
        break;
    case DFC_CAPTION: {
        const TRect face = EdgesButtonFace(p, r, state);
        EdgesGlyphState(face, state, EdgesSysColor(EdgesBtnText),
                        [&](const TRect& a, COLORREF c) { EdgesDrawCaptionGlyph(p, a, state & 0xFF, c); });
        adjustable = true;
        break;
    }
    case DFC_SCROLL:
        switch (state & 0xFF) {
        case DFCS_SCROLLUP:
            EdgesScrollArrow(p, r, state, 0);
            break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX:
            EdgesScrollArrow(p, r, state, 1);
            break;
        case DFCS_SCROLLLEFT:
            EdgesScrollArrow(p, r, state, 2);
            break;
        case DFCS_SCROLLRIGHT:
            EdgesScrollArrow(p, r, state, 3);
            break;
        case DFCS_SCROLLSIZEGRIP:
        case DFCS_SCROLLSIZEGRIPRIGHT:
            EdgesSizeGrip(p, r, state);
            break;
        default:
            return FALSE;
        }
        adjustable = (state & 0xFF) < DFCS_SCROLLSIZEGRIP;
        break;
    case DFC_MENU:
    case DFC_POPUPMENU:
        EdgesMenuGlyph(p, r, state);
        break;
    default:
        return FALSE;
    }
    if (adjustable && (state & DFCS_ADJUSTRECT)) {
        rect->Left += 2;
        rect->Top += 2;
        rect->Right -= 2;
        rect->Bottom -= 2;
    }
    return TRUE;
}

HBITMAP CreateCheckBoxesBitmap() {
    constexpr int cell = 13;
    HBITMAP bitmap = CreateCompatibleBitmap(GetScreenDC(), 4 * cell, 3 * cell);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc) {
        if (dc)
            DeleteDC(dc);
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 4 * cell, 3 * cell};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const UINT kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    const UINT states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            RECT r{col * cell, row * cell, (col + 1) * cell, (row + 1) * cell};
            DrawFrameControl(dc, &r, DFC_BUTTON, kinds[row] | states[col]);
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

} // namespace win
