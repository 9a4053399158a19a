// Shared by the control set's tests: a 32-bit memory surface with a class-library canvas over it, and the
// count of GDI objects that every drawing test checks is back where it started.
#pragma once

#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <array>

namespace fctest {

// A DIB section of 32 bits selected into a memory DC, filled with a sentinel colour, and a canvas on it.
class Surface {
public:
    Surface(int width, int height, win::COLORREF fill = Sentinel) : FWidth(width), FHeight(height) {
        FDc = win::CreateCompatibleDC(nullptr);
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        FBitmap = win::CreateDIBSection(FDc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
        FOld = win::SelectObject(FDc, win::ToGdiObj(FBitmap));
        Fill(fill);
        FCanvas.SetHandle(FDc);
    }
    ~Surface() {
        FCanvas.SetHandle(nullptr);
        win::SelectObject(FDc, FOld);
        win::DeleteObject(FBitmap);
        win::DeleteDC(FDc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    static constexpr win::COLORREF Sentinel = 0x030201;

    void Fill(win::COLORREF c) {
        win::HBRUSH b = win::CreateSolidBrush(c);
        win::TRect r{0, 0, FWidth, FHeight};
        win::FillRect(FDc, &r, b);
        win::DeleteObject(b);
    }
    win::HDC Dc() const { return FDc; }
    vcl::TCanvas* Canvas() { return &FCanvas; }
    win::COLORREF Pixel(int x, int y) const { return win::GetPixel(FDc, x, y); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth, FHeight;
    win::HDC FDc = nullptr;
    win::HBITMAP FBitmap = nullptr;
    win::HGDIOBJ FOld = nullptr;
    vcl::TCanvas FCanvas;
};

// Counts of every kind of GDI object, to compare before and after a test.
inline std::array<int, int(win::GdiKind::gkCount)> GdiCounts() {
    std::array<int, int(win::GdiKind::gkCount)> counts{};
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        counts[k] = win::GdiObjectCount(win::GdiKind(k));
    return counts;
}

} // namespace fctest
