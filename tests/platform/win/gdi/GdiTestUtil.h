// Helpers for the GDI tests: memory DCs over DIB sections of any depth.
#pragma once

#include "platform/win/gdi/Gdi.h"

#include <cstring>
#include <string>
#include <vector>

namespace gditest {

using namespace win;

// A BITMAPINFO with room for 256 colours.
struct DibInfo {
    BITMAPINFOHEADER bmiHeader{};
    RGBQUAD bmiColors[256]{};
    BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

inline DibInfo MakeInfo(int w, int h, int bpp, std::vector<RGBQUAD> colors = {}) {
    DibInfo info;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bpp);
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biClrUsed = DWORD(colors.size());
    for (size_t i = 0; i < colors.size() && i < 256; ++i)
        info.bmiColors[i] = colors[i];
    return info;
}

// A memory DC holding a fresh DIB section; frees both.
struct DibDC {
    HDC Dc = nullptr;
    HBITMAP Bmp = nullptr;
    HGDIOBJ Old = nullptr;
    void* Bits = nullptr;
    DibDC(int w, int h, int bpp, std::vector<RGBQUAD> colors = {}) {
        DibInfo info = MakeInfo(w, h, bpp, std::move(colors));
        Dc = CreateCompatibleDC(nullptr);
        Bmp = CreateDIBSection(Dc, info.Get(), DIB_RGB_COLORS, &Bits, nullptr, 0);
        Old = SelectObject(Dc, Bmp);
    }
    // Wraps an existing bitmap (not owned).
    explicit DibDC(HBITMAP bmp, bool own = true) : Bmp(bmp) {
        Dc = CreateCompatibleDC(nullptr);
        Old = SelectObject(Dc, Bmp);
        Own = own;
    }
    ~DibDC() {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        if (Own)
            DeleteObject(Bmp);
    }
    DibDC(const DibDC&) = delete;
    DibDC& operator=(const DibDC&) = delete;
    void Fill(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        RECT r{-100000, -100000, 100000, 100000};
        FillRect(Dc, &r, b);
        DeleteObject(b);
    }
    bool Own = true;
};

// The pixels of a small area as text, one row per line: '#' for `ink`, '.' for anything else.
inline std::string Grid(HDC dc, int w, int h, COLORREF ink = RGB(0, 0, 0)) {
    std::string out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            out += GetPixel(dc, x, y) == ink ? '#' : '.';
        out += '\n';
    }
    return out;
}

// A white 32-bit canvas with a black pen and a black brush selected.
struct Canvas : DibDC {
    Canvas(int w, int h) : DibDC(w, h, 32) {
        Fill(RGB(255, 255, 255));
        OldPen = SelectObject(Dc, GetStockObject(BLACK_PEN));
        OldBrush = SelectObject(Dc, GetStockObject(BLACK_BRUSH));
    }
    ~Canvas() {
        SelectObject(Dc, OldPen);
        SelectObject(Dc, OldBrush);
    }
    HGDIOBJ OldPen, OldBrush;
};

} // namespace gditest
