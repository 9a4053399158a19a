// Shared by the visual-styles tests: a 32-bit memory canvas, theme calls bound by name as the look-and-feel
// code binds them, and a fixture that leaves no engine installed.
#pragma once

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/theme/UxTheme.h"

#include <gtest/gtest.h>

namespace themetest {

using namespace win;

// A DIB section of 32 bits selected into a memory DC, filled with a sentinel colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(1, 2, 3)) : FWidth(width), FHeight(height) {
        FDc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        FBitmap = CreateDIBSection(FDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        FOld = SelectObject(FDc, ToGdiObj(FBitmap));
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(FDc, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        TRect r{0, 0, FWidth, FHeight};
        FillRect(FDc, &r, b);
        DeleteObject(b);
    }
    HDC Dc() const { return FDc; }
    COLORREF Pixel(int x, int y) const { return GetPixel(FDc, x, y); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth, FHeight;
    HDC FDc = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
};

inline std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class ThemeTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetThemeEngine(nullptr);
        ResetModuleSwitches();
    }
};

} // namespace themetest
