// Pixel checks of the bar drawing: a 32-bit surface to paint on, colours and the integer rounding the
// expected values are computed with.
#pragma once

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/gdi/Gdi.h"

#include <cstdint>
#include <functional>

namespace barstest {

constexpr win::COLORREF Rgb(int r, int g, int b) { return win::COLORREF(r | (g << 8) | (b << 16)); }
constexpr int RedOf(win::COLORREF c) { return int(c & 0xFF); }
constexpr int GreenOf(win::COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int BlueOf(win::COLORREF c) { return int((c >> 16) & 0xFF); }
inline win::COLORREF Sys(int index) { return win::GetSysColor(index); }
// a x b / c rounded half away from zero, as the system's MulDiv rounds.
inline int32_t RoundedMulDiv(int32_t a, int32_t b, int32_t c) {
    int64_t n = int64_t(a) * b;
    bool negative = (n < 0) != (c < 0);
    int64_t an = n < 0 ? -n : n, ac = c < 0 ? -c : c;
    int64_t q = (an + ac / 2) / ac;
    return int32_t(negative ? -q : q);
}

struct Surface {
    Surface(int w, int h, win::COLORREF paper = Rgb(1, 2, 3)) : Width(w), Height(h) {
        Bitmap.SetPixelFormat(vcl::pf32bit);
        Bitmap.SetSize(w, h);
        Fill(paper);
    }
    void Fill(win::COLORREF colour) {
        win::HBRUSH brush = win::CreateSolidBrush(colour);
        win::TRect all{0, 0, Width, Height};
        win::FillRect(Dc(), &all, brush);
        win::DeleteObject(brush);
    }
    win::HDC Dc() { return Bitmap.GetCanvas()->GetHandle(); }
    win::COLORREF Pixel(int x, int y) { return win::GetPixel(Dc(), x, y); }
    // The smallest rect holding every pixel the predicate accepts (empty when none).
    win::TRect Bounds(const std::function<bool(win::COLORREF)>& accept) {
        win::TRect r{Width, Height, 0, 0};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (accept(Pixel(x, y))) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.Right > r.Left ? r : win::TRect{};
    }
    win::TRect Bounds(win::COLORREF colour) {
        return Bounds([colour](win::COLORREF c) { return c == colour; });
    }
    int Width, Height;
    vcl::TBitmap Bitmap;
};

} // namespace barstest
