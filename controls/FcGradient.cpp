// Bitmap and gradient painting: a bitmap cell drawn with one colour left out, colour gradients in ten
// layouts, and a control's parent painted under it.
#include "controls/FcGraphics.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace controls {

namespace {

constexpr win::DWORD GradientKeepDest = 0x00AA0029; // the raster operation that leaves the destination

// A memory DC with a bitmap of its own, freed however the painting ends.
class GradientWork {
public:
    // A 32-bit DIB section (bits reachable), or a monochrome bitmap.
    GradientWork(int32_t width, int32_t height, bool monochrome) {
        FDc = win::CreateCompatibleDC(nullptr);
        if (!FDc)
            return;
        if (monochrome) {
            FBitmap = win::CreateBitmap(width, height, 1, 1, nullptr);
        } else {
            win::BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
            info.bmiHeader.biWidth = width;
            info.bmiHeader.biHeight = -height; // top-down: row y starts at y * width
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            void* bits = nullptr;
            FBitmap = win::CreateDIBSection(FDc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
            FBits = static_cast<uint32_t*>(bits);
        }
        if (FBitmap)
            FOld = win::SelectObject(FDc, win::ToGdiObj(FBitmap));
    }
    ~GradientWork() {
        if (FDc && FBitmap)
            win::SelectObject(FDc, FOld);
        if (FBitmap)
            win::DeleteObject(FBitmap);
        if (FDc)
            win::DeleteDC(FDc);
    }
    GradientWork(const GradientWork&) = delete;
    GradientWork& operator=(const GradientWork&) = delete;

    bool Ok() const { return FDc && FBitmap; }
    win::HDC Dc() const { return FDc; }
    win::HBITMAP Bitmap() const { return FBitmap; }
    uint32_t* Bits() const { return FBits; }

private:
    win::HDC FDc = nullptr;
    win::HBITMAP FBitmap = nullptr;
    win::HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

// A solid brush that changes colour band by band.
class GradientBrush {
public:
    explicit GradientBrush(win::HDC dc) : FDc(dc) {}
    ~GradientBrush() {
        if (FBrush)
            win::DeleteObject(FBrush);
    }
    GradientBrush(const GradientBrush&) = delete;
    GradientBrush& operator=(const GradientBrush&) = delete;

    void Fill(const win::TRect& r, win::COLORREF color) {
        if (r.Right <= r.Left || r.Bottom <= r.Top)
            return;
        if (!FBrush || color != FColor) {
            if (FBrush)
                win::DeleteObject(FBrush);
            FBrush = win::CreateSolidBrush(color);
            FColor = color;
        }
        win::FillRect(FDc, &r, FBrush);
    }

private:
    win::HDC FDc;
    win::HBRUSH FBrush = nullptr;
    win::COLORREF FColor = 0;
};

// Per-channel 16.16 interpolation from one colour toward another over n pixel steps: the colour of step k
// is the start plus k increments, each increment (end - start) * 65536 / n truncated.
class GradientRamp {
public:
    GradientRamp(win::COLORREF start, win::COLORREF end, int32_t n) {
        for (int i = 0; i < 3; ++i) {
            int32_t a = (start >> (8 * i)) & 0xFF, b = (end >> (8 * i)) & 0xFF;
            FStart[i] = int64_t(a) << 16;
            FInc[i] = n > 0 ? (int64_t(b - a) << 16) / n : 0; // C++ division truncates toward zero
        }
    }
    win::COLORREF At(int64_t k) const {
        win::COLORREF c = 0;
        for (int i = 0; i < 3; ++i)
            c |= win::COLORREF(((FStart[i] + k * FInc[i]) >> 16) & 0xFF) << (8 * i);
        return c;
    }

private:
    int64_t FStart[3], FInc[3];
};

// The colours of n steps grouped into bands: a band starts at a step and takes its colour, and goes on
// while the colour stays or the band is still narrower than s. Calls band(first, last, colour).
template <class Band> void GradientBands(const GradientRamp& ramp, int32_t n, int32_t s, Band band) {
    if (n <= 0)
        return;
    int32_t first = 0;
    win::COLORREF color = ramp.At(0);
    for (int32_t k = 1; k < n; ++k) {
        win::COLORREF c = ramp.At(k);
        if (c != color && k - first >= s) {
            band(first, k - 1, color);
            first = k;
            color = c;
        }
    }
    band(first, n - 1, color);
}

win::COLORREF GradientResolve(TColor c) { return win::COLORREF(vcl::ColorToRGB(c)) & 0xFFFFFF; }

// Lays a linear pass: pixels from position far down to position near, the first in the start colour.
void GradientLinearPass(win::HDC dc, bool horizontal, int32_t farPos, int32_t nearPos, win::COLORREF start,
                        win::COLORREF end, int32_t s) {
    int32_t n = farPos - nearPos + 1;
    if (n <= 0)
        return;
    GradientRamp ramp(start, end, n);
    GradientBrush brush(dc);
    GradientBands(ramp, n, s, [&](int32_t first, int32_t last, win::COLORREF color) {
        int32_t hi = farPos - first, lo = farPos - last; // positions, lo <= hi
        brush.Fill(horizontal ? win::TRect{lo, 0, hi + 1, 8} : win::TRect{0, lo, 8, hi + 1}, color);
    });
}

} // namespace

int32_t GradientBandSize(uint8_t steps) {
    int32_t s = steps <= 8 ? steps : 255 / steps + 1;
    return std::max(s, 1);
}

void FillLinearGradient(win::HDC dc, int32_t x, int32_t y, int32_t length, TColor color1, TColor color2,
                        uint8_t steps) {
    if (length <= 0)
        return;
    const bool horizontal = x != 0;
    int32_t split = horizontal ? x : y;
    if (split >= length - 1)
        split = -1; // a split at the far end is the whole length
    const win::COLORREF c1 = GradientResolve(color1), c2 = GradientResolve(color2);
    const int32_t s = GradientBandSize(steps);
    if (split < 0) {
        GradientLinearPass(dc, horizontal, length - 1, 0, c2, c1, s);
        return;
    }
    // From the split back to the start, then from the far end back to just after the split, the colours
    // exchanged: Color2 in the middle, Color1 at both ends.
    GradientLinearPass(dc, horizontal, split, 0, c2, c1, s);
    GradientLinearPass(dc, horizontal, length - 1, split + 1, c1, c2, s);
}

void FillRectangularGradient(win::HDC dc, int32_t w, int32_t h, int32_t bandWidth, int32_t bandHeight,
                             TColor color1, TColor color2, uint8_t steps) {
    if (w <= 0 || h <= 0)
        return;
    const int32_t hw = (w - 1) / 2 + 1, hh = (h - 1) / 2 + 1;
    // Step k covers the pixels whose distance outward from the centre band is k, horizontally or vertically:
    // the region of steps up to k is the rectangle (ex - k, ey - k, hw, hh), clipped at the quarter's edge.
    // Step 0 is the centre band: the quarter's last column and row, and bandWidth columns and bandHeight rows
    // more.
    const int32_t ex = std::max(0, hw - 1 - std::max(0, bandWidth));
    const int32_t ey = std::max(0, hh - 1 - std::max(0, bandHeight));
    const int32_t n = std::max(ex, ey) + 1;
    GradientRamp ramp(GradientResolve(color2), GradientResolve(color1), n);
    GradientBrush brush(dc);
    GradientBands(ramp, n, GradientBandSize(steps), [&](int32_t first, int32_t last, win::COLORREF color) {
        const int32_t ox = std::max(0, ex - last), oy = std::max(0, ey - last);
        const int32_t ix = first > 0 ? std::max(0, ex - first + 1) : hw;
        const int32_t iy = first > 0 ? std::max(0, ey - first + 1) : hh;
        brush.Fill({ox, oy, hw, iy}, color); // the horizontal leg
        brush.Fill({ox, iy, ix, hh}, color); // the vertical leg
    });
}

void FillDiagonalGradient(win::HDC dc, int32_t w, int32_t h, TColor color1, TColor color2, uint8_t steps) {
    const bool fromRight = w < 0;
    w = std::abs(w);
    if (w <= 0 || h <= 0)
        return;
    const int32_t d = int32_t(std::sqrt(double(w) * w + double(h) * h)) + 1;
    // One colour per step along the diagonal, counted from the far corner, banded as the linear fill.
    std::vector<win::COLORREF> colors(size_t(d), 0);
    GradientRamp ramp(GradientResolve(color2), GradientResolve(color1), d);
    GradientBands(ramp, d, GradientBandSize(steps), [&](int32_t first, int32_t last, win::COLORREF color) {
        std::fill(colors.begin() + first, colors.begin() + last + 1, color);
    });
    // Row by row into a 32-bit row of pixels, handed to the DC in one call.
    std::vector<uint32_t> row(static_cast<size_t>(w));
    win::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    // A pixel's step is its distance from the far corner as a share of the way to the start corner, in
    // whole pixels along each axis (an axis of one pixel has no way to go): the far corner takes step 0,
    // the start corner the last step.
    const int64_t ax = w - 1, ay = h - 1;
    const int64_t denom = ax && ay ? 2 * ax * ay : std::max<int64_t>(ax + ay, 1);
    for (int32_t y = 0; y < h; ++y) {
        const int64_t up = ay ? (h - 1 - y) * (ax ? ax : 1) : 0;
        for (int32_t i = 0; i < w; ++i) {
            // From the top-left corner the far one is the bottom right, from the top-right the bottom left.
            const int64_t across = ax ? (fromRight ? i : w - 1 - i) * (ay ? ay : 1) : 0;
            const int64_t step = std::min<int64_t>((across + up) * d / denom, d - 1);
            const win::COLORREF c = colors[size_t(step)];
            row[size_t(i)] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); // B, G, R in memory
        }
        win::SetDIBitsToDevice(dc, 0, y, win::DWORD(w), 1, 0, 0, 0, 1, row.data(), &info, win::DIB_RGB_COLORS);
    }
}

void ReplicateBlit(win::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t w0, int32_t h0,
                   win::DWORD rop) {
    if (w0 <= 0 || h0 <= 0)
        return;
    int32_t cw = w0, ch = h0;
    while (ch < h) {
        int32_t n = std::min(ch, h - ch);
        win::BitBlt(dc, x, y + ch, cw, n, dc, x, y, rop);
        ch += n;
    }
    while (cw < w) {
        int32_t n = std::min(cw, w - cw);
        win::BitBlt(dc, x + cw, y, n, ch, dc, x, y, rop);
        cw += n;
    }
}

void MirrorQuarterBlit(win::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, win::DWORD rop) {
    const int32_t hw = (w - 1) / 2 + 1; // the filled quarter's width, its middle column included
    if (h / 2 > 0)
        win::StretchBlt(dc, x, y + h, hw, -(h / 2), dc, x, y, hw, h / 2, rop);
    if (w / 2 > 0)
        win::StretchBlt(dc, x + w, y, -(w / 2), h, dc, x, y, w / 2, h, rop);
}

void FillGradient(vcl::TCanvas* canvas, const win::TRect& rect, uint8_t direction, TColor color1, TColor color2,
                  uint8_t steps) {
    const int32_t w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (w <= 0 || h <= 0 || direction > gdRectangularBand)
        return;
    GradientWork work(w, h, false);
    if (!work.Ok())
        return;
    win::HDC dc = work.Dc();
    const win::COLORREF c1 = GradientResolve(color1), c2 = GradientResolve(color2);
    switch (direction) {
    case gdDiagonalFromTopLeft:
    case gdDiagonalFromTopRight:
        if (c1 == c2) {
            GradientBrush(dc).Fill({0, 0, w, h}, c1);
            break;
        }
        FillDiagonalGradient(dc, direction == gdDiagonalFromTopLeft ? w : -w, h, color1, color2, steps);
        break;
    case gdVertical:
    case gdVerticalFromMiddle:
        FillLinearGradient(dc, 0, direction == gdVertical || h / 2 == 0 ? -1 : h / 2, h, color1, color2, steps);
        ReplicateBlit(dc, 0, 0, w, h, 8, h, win::SRCCOPY);
        break;
    case gdHorizontal:
    case gdHorizontalFromMiddle:
        FillLinearGradient(dc, direction == gdHorizontal || w / 2 == 0 ? -1 : w / 2, 0, w, color1, color2, steps);
        ReplicateBlit(dc, 0, 0, w, h, w, 8, win::SRCCOPY);
        break;
    default: {
        const int32_t bandWidth = direction == gdRectangularWideBand || direction == gdRectangularBand ? w / 4 : 0;
        const int32_t bandHeight = direction == gdRectangularHighBand || direction == gdRectangularBand ? h / 4 : 0;
        FillRectangularGradient(dc, w, h, bandWidth, bandHeight, color1, color2, steps);
        MirrorQuarterBlit(dc, 0, 0, w, h, win::SRCCOPY);
        break;
    }
    }
    win::BitBlt(canvas->GetHandle(), rect.Left, rect.Top, w, h, dc, 0, 0, win::SRCCOPY);
}

void PaintTransparentBitmap(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, const win::TRect& destRect,
                            const win::TRect& sourceRect, TColor transparentColor) {
    const int32_t w = destRect.Right - destRect.Left, h = destRect.Bottom - destRect.Top;
    const int32_t sw = sourceRect.Right - sourceRect.Left, sh = sourceRect.Bottom - sourceRect.Top;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || !bitmap)
        return;
    GradientWork image(w, h, false);
    if (!image.Ok())
        return;
    win::StretchBlt(image.Dc(), 0, 0, w, h, bitmap->GetCanvas()->GetHandle(), sourceRect.Left, sourceRect.Top, sw,
                    sh, win::SRCCOPY);
    GradientWork mask(w, h, true);
    if (!mask.Ok())
        return;
    // Pixels of the background colour turn white in the mask: those are left out.
    win::SetBkColor(image.Dc(), GradientResolve(transparentColor));
    win::BitBlt(mask.Dc(), 0, 0, w, h, image.Dc(), 0, 0, win::SRCCOPY);
    // The work image is already of the destination's size: it goes through the mask one to one.
    win::MaskBlt(canvas->GetHandle(), 0, 0, w, h, image.Dc(), 0, 0, mask.Bitmap(), 0, 0,
                 win::MAKEROP4(GradientKeepDest, win::SRCCOPY));
}

void PaintParentImage(vcl::TControl* control, win::HDC dc, bool invalidateParent) {
    if (!control || !dc)
        return;
    vcl::TWinControl* parent = control->GetParent();
    if (!parent)
        return;
    const bool designing = control->GetComponentState().Contains(vcl::csDesigning);
    {
        int saved = win::SaveDC(dc);
        vcl::ScopeExit restore([dc, saved]() noexcept { win::RestoreDC(dc, saved); });
        win::POINT origin{};
        win::GetViewportOrgEx(dc, &origin);
        win::SetViewportOrgEx(dc, origin.X - control->GetLeft(), origin.Y - control->GetTop(), nullptr);
        win::IntersectClipRect(dc, 0, 0, parent->GetClientWidth(), parent->GetClientHeight());
        try {
            parent->Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(dc), 0);
            parent->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(dc), 0);
        } catch (...) {
            if (!designing)
                throw;
        }
    }
    if (invalidateParent && !designing && !dynamic_cast<vcl::TCustomControl*>(parent) &&
        !dynamic_cast<vcl::TCustomForm*>(parent))
        parent->Invalidate();
}

void PaintParentImageOnCanvas(vcl::TControl* control, vcl::TCanvas* canvas, bool invalidateParent) {
    PaintParentImage(control, canvas->GetHandle(), invalidateParent);
}

} // namespace controls
