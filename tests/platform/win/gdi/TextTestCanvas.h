// A 32-bit top-down DIB selected into a memory DC, for the text and frame tests.
#pragma once

#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace texttest {

struct DibCanvas {
    win::HDC Dc = nullptr;
    win::HBITMAP Bitmap = nullptr;
    win::HGDIOBJ OldBitmap = nullptr;
    uint32_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;

    DibCanvas(int w, int h, win::COLORREF fill = win::RGB(255, 255, 255)) : Width(w), Height(h) {
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = win::BI_RGB;
        void* bits = nullptr;
        Bitmap = win::CreateDIBSection(nullptr, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
        Bits = static_cast<uint32_t*>(bits);
        Dc = win::CreateCompatibleDC(nullptr);
        OldBitmap = win::SelectObject(Dc, Bitmap);
        Clear(fill);
    }
    ~DibCanvas() {
        win::SelectObject(Dc, OldBitmap);
        win::DeleteDC(Dc);
        win::DeleteObject(Bitmap);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    void Clear(win::COLORREF c) {
        const uint32_t v =
            (uint32_t(win::GetRValue(c)) << 16) | (uint32_t(win::GetGValue(c)) << 8) | win::GetBValue(c);
        for (int i = 0; i < Width * Height; ++i)
            Bits[i] = v;
    }
    win::COLORREF At(int x, int y) const {
        const uint32_t v = Bits[y * Width + x];
        return win::RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    }
    // Bounding box of the pixels that differ from the background; empty when none.
    win::TRect Ink(win::COLORREF background = win::RGB(255, 255, 255)) const {
        win::TRect box{Width, Height, 0, 0};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (At(x, y) != background) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1);
                    box.Bottom = std::max(box.Bottom, y + 1);
                }
        return box.IsEmpty() ? win::TRect{} : box;
    }
    int Count(win::COLORREF c, const win::TRect& area) const {
        int n = 0;
        for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, Height); ++y)
            for (int x = std::max(area.Left, 0); x < std::min(area.Right, Width); ++x)
                n += At(x, y) == c;
        return n;
    }
};

} // namespace texttest
