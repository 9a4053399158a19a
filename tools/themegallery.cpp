// Draws every class, part and state of the built-in visual styles into one labelled picture and writes it
// as a 24-bit BMP file: one row per class and part, one cell per state.
//   themegallery OUT.bmp [--scheme blue|olive|silver] [--cells FILE] [--window]
// --cells writes where things are: "grid X Y CELLW CELLH COLUMNS ROWS", one "row CLASS PART STATES" per row,
// and "button X Y W H", the push button's rect in its normal state. --window then shows the picture at the
// screen's top-left corner through the Qt screen until the window is closed.
#include "platform/backend/qt/QtScreen.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/theme/UxTheme.h"
#include "platform/win/user/User.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace win;

namespace {

constexpr int GalleryLabelWidth = 110;
constexpr int GalleryTop = 4;
constexpr int GalleryCellWidth = 40;
constexpr int GalleryCellHeight = 30;
constexpr int GalleryColumns = 16;
constexpr COLORREF GalleryBackground = RGB(255, 255, 255);

struct Gallery {
    int Width = 0, Height = 0;
    HDC Dc = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Old = nullptr;
    uint8_t* Bits = nullptr; // 32-bit, top row first
    ~Gallery() {
        if (Dc) {
            SelectObject(Dc, Old);
            DeleteDC(Dc);
        }
        if (Bitmap)
            DeleteObject(Bitmap);
    }
};

void GalleryDraw(Gallery& g, const std::vector<ThemePartRange>& parts, std::string* cells) {
    g.Width = GalleryLabelWidth + GalleryColumns * GalleryCellWidth + 4;
    g.Height = GalleryTop + int(parts.size()) * GalleryCellHeight + 4;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = g.Width;
    info.bmiHeader.biHeight = -g.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    g.Dc = CreateCompatibleDC(nullptr);
    g.Bitmap = CreateDIBSection(g.Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    g.Bits = static_cast<uint8_t*>(bits);
    g.Old = SelectObject(g.Dc, ToGdiObj(g.Bitmap));
    TRect all{0, 0, g.Width, g.Height};
    HBRUSH background = CreateSolidBrush(GalleryBackground);
    FillRect(g.Dc, &all, background);
    DeleteObject(background);
    SetBkMode(g.Dc, TRANSPARENT);
    SetTextColor(g.Dc, RGB(0, 0, 0));
    *cells = "grid " + std::to_string(GalleryLabelWidth) + " " + std::to_string(GalleryTop) + " " +
             std::to_string(GalleryCellWidth) + " " + std::to_string(GalleryCellHeight) + " " +
             std::to_string(GalleryColumns) + " " + std::to_string(parts.size()) + "\n";
    int y = GalleryTop;
    for (const ThemePartRange& p : parts) {
        std::string label = p.Class + " " + std::to_string(p.Part);
        TRect labelRect{4, y, GalleryLabelWidth - 4, y + GalleryCellHeight};
        DrawText(g.Dc, label.c_str(), -1, &labelRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        std::u16string wide(p.Class.begin(), p.Class.end());
        HTHEME theme = OpenThemeData(nullptr, wide.c_str());
        for (int state = 1; state <= p.LastState; ++state) {
            int x = GalleryLabelWidth + (state - 1) * GalleryCellWidth;
            TRect r{x + 2, y + 2, x + GalleryCellWidth - 2, y + GalleryCellHeight - 2};
            SIZE size{};
            if (p.FixedSize && SUCCEEDED(GetThemePartSize(theme, nullptr, p.Part, state, nullptr, TS_TRUE, &size))) {
                int left = x + (GalleryCellWidth - size.cx) / 2, top = y + (GalleryCellHeight - size.cy) / 2;
                r = {left, top, left + size.cx, top + size.cy};
            }
            DrawThemeBackground(theme, g.Dc, p.Part, state, &r, nullptr);
            if (p.Class == "Button" && p.Part == 1 && state == 1)
                *cells += "button " + std::to_string(r.Left) + " " + std::to_string(r.Top) + " " +
                          std::to_string(r.Width()) + " " + std::to_string(r.Height()) + "\n";
        }
        CloseThemeData(theme);
        *cells += "row " + p.Class + " " + std::to_string(p.Part) + " " + std::to_string(p.LastState) + "\n";
        y += GalleryCellHeight;
    }
}

bool GalleryWriteBmp(const Gallery& g, const std::string& path) {
    int stride = (g.Width * 3 + 3) & ~3;
    std::vector<uint8_t> file(54 + size_t(stride) * size_t(g.Height), 0);
    auto put32 = [&file](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(g.Width));
    put32(22, uint32_t(g.Height));
    file[26] = 1;
    file[28] = 24;
    put32(34, uint32_t(file.size() - 54));
    // Rows bottom-up, pixels as blue, green, red.
    for (int row = 0; row < g.Height; ++row) {
        const uint8_t* src = g.Bits + size_t(row) * size_t(g.Width) * 4;
        uint8_t* dst = file.data() + 54 + size_t(g.Height - 1 - row) * size_t(stride);
        for (int x = 0; x < g.Width; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
    }
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        if (!out.good())
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

Gallery* GalleryShown = nullptr;

LRESULT GalleryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        BitBlt(dc, 0, 0, GalleryShown->Width, GalleryShown->Height, GalleryShown->Dc, 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

int GalleryShow(Gallery& g) {
    GalleryShown = &g;
    WNDCLASSEX wc;
    wc.lpfnWndProc = GalleryProc;
    wc.lpszClassName = "LoomwickThemeGallery";
    RegisterClassEx(wc);
    HWND hwnd = CreateWindowEx(0, wc.lpszClassName.c_str(), "Theme gallery", WS_POPUP | WS_VISIBLE, 0, 0, g.Width,
                               g.Height, nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
    if (!hwnd)
        return 1;
    std::printf("shown %dx%d\n", g.Width, g.Height);
    std::fflush(stdout);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return 0;
}

int GalleryUsage() {
    std::fprintf(stderr, "usage: themegallery OUT.bmp [--scheme blue|olive|silver] [--cells FILE] [--window]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string out, cellsPath;
    ThemeScheme scheme = tsBlue;
    bool window = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--scheme" && i + 1 < argc) {
            if (!ParseThemeScheme(argv[++i], &scheme) || scheme == tsClassic) {
                std::fprintf(stderr, "themegallery: unknown scheme \"%s\"\n", argv[i]);
                return 2;
            }
        } else if (a == "--cells" && i + 1 < argc) {
            cellsPath = argv[++i];
        } else if (a == "--window") {
            window = true;
        } else if (!a.empty() && a[0] != '-' && out.empty()) {
            out = a;
        } else {
            return GalleryUsage();
        }
    }
    if (out.empty())
        return GalleryUsage();
    try {
        std::unique_ptr<qtbackend::QtScreen> screen;
        if (window)
            screen = std::make_unique<qtbackend::QtScreen>(argc, argv);
        SetThemeScheme(scheme);
        Gallery gallery;
        std::string cells;
        GalleryDraw(gallery, BuiltinThemeParts(), &cells);
        if (!GalleryWriteBmp(gallery, out)) {
            std::fprintf(stderr, "themegallery: cannot write %s\n", out.c_str());
            return 1;
        }
        if (!cellsPath.empty()) {
            std::ofstream c(cellsPath);
            c << cells;
        }
        int result = window ? GalleryShow(gallery) : 0;
        SetThemeScheme(tsClassic);
        return result;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "themegallery: %s\n", e.what());
        return 1;
    }
}
