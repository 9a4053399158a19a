// The view cursors: 18 two-colour 32 x 32 cursors drawn here (black shapes with a white outline, so that
// they show on any background), registered under their resource names unless the program has its own.
#include "imaging/core/IKView.h"

#include "platform/vcl/Application.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace imaging {

const char* const IKCursorNames[IKCursorCount] = {
    "ZOOMOUT", "ZOOMIN", "CROSS", "ERASER", "HAND",    "PEN",     "CROSS1", "CROSS3",  "MOVE2",
    "MOVEY",   "MOVE1",  "MOVEX", "MOVE",   "CROSS3+", "CROSS3-", "CROSS2", "CROSS2+", "CROSS2-"};

namespace {

constexpr int CursorSize = 32;

// A cursor picture: 0 shows the screen, 1 black, 2 white.
class TCursorPicture {
public:
    void Set(int x, int y, uint8_t v = 1) {
        if (x >= 0 && y >= 0 && x < CursorSize && y < CursorSize)
            FCells[size_t(y * CursorSize + x)] = v;
    }
    uint8_t At(int x, int y) const {
        return x >= 0 && y >= 0 && x < CursorSize && y < CursorSize ? FCells[size_t(y * CursorSize + x)] : 0;
    }
    void Line(int x0, int y0, int x1, int y1) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        // At most dx - dy + 1 points.
        for (int n = 0; n <= dx - dy; ++n) {
            Set(x0, y0);
            if (x0 == x1 && y0 == y1)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy)
                err += dy, x0 += sx;
            if (e2 <= dx)
                err += dx, y0 += sy;
        }
    }
    void Fill(int x0, int y0, int x1, int y1) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                Set(x, y);
    }
    void Ring(int cx, int cy, int r) {
        for (int y = cy - r - 1; y <= cy + r + 1; ++y)
            for (int x = cx - r - 1; x <= cx + r + 1; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                if (d >= r - 0.5 && d < r + 0.5)
                    Set(x, y);
            }
    }
    // A double-headed arrow from (x0, y0) to (x1, y1), along an axis or a diagonal.
    void Arrow(int x0, int y0, int x1, int y1) {
        Line(x0, y0, x1, y1);
        const int ux = (x1 > x0) - (x1 < x0), uy = (y1 > y0) - (y1 < y0);
        Head(x1, y1, ux, uy);
        Head(x0, y0, -ux, -uy);
    }
    // White where a transparent cell touches a black one.
    void Outline() {
        std::array<uint8_t, CursorSize * CursorSize> out = FCells;
        for (int y = 0; y < CursorSize; ++y)
            for (int x = 0; x < CursorSize; ++x) {
                if (At(x, y) != 0)
                    continue;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (At(x + dx, y + dy) == 1)
                            out[size_t(y * CursorSize + x)] = 2;
            }
        FCells = out;
    }
    const std::array<uint8_t, CursorSize * CursorSize>& Cells() const { return FCells; }

private:
    // An arrow head at (x, y) pointing along (ux, uy): two strokes of 4 cells back from the tip.
    void Head(int x, int y, int ux, int uy) {
        // The barbs point back along the shaft turned by 45 degrees either way.
        const int bx = -ux, by = -uy;
        const int ax1 = bx - by, ay1 = by + bx; // turned one way
        const int ax2 = bx + by, ay2 = by - bx; // and the other
        auto norm = [](int v) { return (v > 0) - (v < 0); };
        for (int k = 1; k <= 4; ++k) {
            Set(x + norm(ax1) * k, y + norm(ay1) * k);
            Set(x + norm(ax2) * k, y + norm(ay2) * k);
        }
    }
    std::array<uint8_t, CursorSize * CursorSize> FCells{};
};

struct TCursorDrawing {
    TCursorPicture Picture;
    int HotX = 15;
    int HotY = 15;
};

void CursorMagnifier(TCursorPicture& p, bool plus) {
    p.Ring(10, 10, 7);
    p.Ring(10, 10, 8);
    for (int k = 0; k < 9; ++k)
        p.Fill(15 + k, 15 + k, 17 + k, 17 + k);
    p.Fill(7, 10, 13, 10);
    if (plus)
        p.Fill(10, 7, 10, 13);
}

// A small cross of arms of the given length around the hot spot, the centre left open.
void CursorSmallCross(TCursorPicture& p, int arm, int gap) {
    p.Line(15 - arm, 15, 15 - gap, 15);
    p.Line(15 + gap, 15, 15 + arm, 15);
    p.Line(15, 15 - arm, 15, 15 - gap);
    p.Line(15, 15 + gap, 15, 15 + arm);
}

// The sign that marks the Shift variants: a plus, a minus or none, below right of the hot spot.
void CursorSign(TCursorPicture& p, int sign) {
    if (sign == 0)
        return;
    p.Fill(22, 25, 28, 25);
    if (sign > 0)
        p.Fill(25, 22, 25, 28);
}

TCursorDrawing DrawViewCursor(int index) {
    TCursorDrawing d;
    TCursorPicture& p = d.Picture;
    switch (index) {
    case 0: // ZOOMOUT
    case 1: // ZOOMIN
        CursorMagnifier(p, index == 1);
        d.HotX = d.HotY = 10;
        break;
    case 2: // CROSS: a thin cross over the whole cursor
        p.Line(0, 15, 30, 15);
        p.Line(15, 0, 15, 30);
        break;
    case 3: // ERASER: a slanted block with its lower edge rubbing
        for (int k = 0; k < 10; ++k)
            p.Line(6 + k, 26 - k, 16 + k, 16 - k);
        p.Line(4, 28, 14, 28);
        d.HotX = 5, d.HotY = 27;
        break;
    case 4: // HAND: palm and fingers
        p.Fill(9, 14, 22, 25);
        for (int f = 0; f < 4; ++f)
            p.Fill(9 + 4 * f, 5 + (f == 0 || f == 3 ? 3 : 0), 11 + 4 * f, 14);
        p.Fill(5, 16, 8, 19);
        d.HotX = 15, d.HotY = 15;
        break;
    case 5: // PEN: a slanted stroke ending in a point at the hot spot
        for (int k = 0; k < 3; ++k)
            p.Line(4 + k, 24, 24 + k, 4);
        p.Line(1, 30, 4, 26);
        p.Line(1, 30, 6, 27);
        d.HotX = 1, d.HotY = 30;
        break;
    case 6: // CROSS1: a cross with an open centre
        CursorSmallCross(p, 15, 3);
        break;
    case 7:  // CROSS3
    case 13: // CROSS3+
    case 14: // CROSS3-
        CursorSmallCross(p, 8, 2);
        p.Set(15, 15);
        CursorSign(p, index == 13 ? 1 : index == 14 ? -1 : 0);
        break;
    case 8: // MOVE2: north-west to south-east
        p.Arrow(6, 6, 24, 24);
        break;
    case 9: // MOVEY
        p.Arrow(15, 3, 15, 27);
        break;
    case 10: // MOVE1: north-east to south-west
        p.Arrow(24, 6, 6, 24);
        break;
    case 11: // MOVEX
        p.Arrow(3, 15, 27, 15);
        break;
    case 12: // MOVE: both axes
        p.Arrow(15, 3, 15, 27);
        p.Arrow(3, 15, 27, 15);
        break;
    case 15: // CROSS2
    case 16: // CROSS2+
    case 17: // CROSS2-
        CursorSmallCross(p, 8, 0);
        p.Ring(15, 15, 4);
        CursorSign(p, index == 16 ? 1 : index == 17 ? -1 : 0);
        break;
    default:
        break;
    }
    p.Outline();
    return d;
}

// A monochrome cursor: the AND mask above the XOR image in one bitmap twice as high.
win::HCURSOR MakeViewCursor(const TCursorDrawing& d) {
    constexpr int stride = CursorSize / 8; // 4 bytes: rows stay word-aligned
    std::array<uint8_t, stride * CursorSize * 2> bits{};
    for (int y = 0; y < CursorSize; ++y)
        for (int x = 0; x < CursorSize; ++x) {
            const uint8_t v = d.Picture.At(x, y);
            const uint8_t bit = uint8_t(0x80 >> (x % 8));
            if (v == 0)
                bits[size_t(y * stride + x / 8)] |= bit; // the screen shows through
            if (v == 2)
                bits[size_t((CursorSize + y) * stride + x / 8)] |= bit; // white
        }
    win::HBITMAP mask = win::CreateBitmap(CursorSize, 2 * CursorSize, 1, 1, bits.data());
    win::ICONINFO info{win::FALSE, win::DWORD(d.HotX), win::DWORD(d.HotY), mask, nullptr};
    win::HCURSOR cursor = win::CreateIconIndirect(&info);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(mask));
    return cursor;
}

} // namespace

void IKRegisterViewCursorResources() {
    for (int i = 0; i < IKCursorCount; ++i) {
        if (win::LoadCursor(nullptr, IKCursorNames[i]))
            continue;
        if (win::HCURSOR cursor = MakeViewCursor(DrawViewCursor(i)))
            win::RegisterCursorResource(IKCursorNames[i], cursor);
    }
}

void IKInstallViewCursors() {
    if (!vcl::Screen)
        return;
    for (int i = 0; i < IKCursorCount; ++i)
        if (win::HCURSOR cursor = win::LoadCursor(nullptr, IKCursorNames[i]))
            vcl::Screen->SetCursors(vcl::TCursor(IKCursorFirst + i), cursor);
}

} // namespace imaging
