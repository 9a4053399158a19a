// Drawing of the imaging library on class-library canvases: the views' drop shadows and 3-D frames, and a
// selection mask shown inverted, as a marching-ants outline or by dimming what lies outside it.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace imaging {

namespace {

// Draws lines on a canvas's device context with a solid one-pixel pen in copy mode, and leaves the device
// context as it found it.
class DrawingPen {
public:
    explicit DrawingPen(vcl::TCanvas* canvas) : FCanvas(canvas), FDC(canvas->GetHandle()) {
        FCanvas->Changing();
        FOldMode = win::SetROP2(FDC, win::R2_COPYPEN);
        win::POINT p{};
        win::MoveToEx(FDC, 0, 0, &p);
        FOldPosition = p;
        win::MoveToEx(FDC, p.X, p.Y, nullptr);
    }
    ~DrawingPen() {
        Release();
        win::SetROP2(FDC, FOldMode);
        win::MoveToEx(FDC, FOldPosition.X, FOldPosition.Y, nullptr);
        FCanvas->Changed();
    }
    void Color(int32_t color) {
        Release();
        FPen = win::CreatePen(win::PS_SOLID, 1, win::COLORREF(IKColorToRGB(color)));
        FOldPen = win::SelectObject(FDC, FPen);
    }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        win::MoveToEx(FDC, x1, y1, nullptr);
        win::LineTo(FDC, x2, y2);
    }
    void LineTo(int32_t x, int32_t y) { win::LineTo(FDC, x, y); }

private:
    void Release() {
        if (!FPen)
            return;
        win::SelectObject(FDC, FOldPen);
        win::DeleteObject(FPen);
        FPen = nullptr;
    }
    vcl::TCanvas* FCanvas;
    win::HDC FDC;
    win::HPEN FPen = nullptr;
    win::HGDIOBJ FOldPen = nullptr;
    int FOldMode = 0;
    win::POINT FOldPosition{};
};

int32_t DrawingShadowGray(int32_t k, int32_t size) {
    const int32_t g = int32_t(std::trunc(std::exp(double(k) / size - 1) * 255));
    return g | g << 8 | g << 16;
}

} // namespace

void IKDrawShadowRight(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t mode) {
    const int32_t w = x2 - x1 + 1;
    if (!canvas || mode != 2 || w <= 0)
        return;
    DrawingPen pen(canvas);
    for (int32_t k = 0; k < w; ++k) {
        pen.Color(DrawingShadowGray(k, w));
        pen.Line(x1 + k, y1 + w, x1 + k, y2 - w + k + 3);
    }
}

void IKDrawShadowBottom(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t mode) {
    const int32_t h = y2 - y1 + 1;
    if (!canvas || mode != 2 || h <= 0)
        return;
    DrawingPen pen(canvas);
    for (int32_t k = 0; k < h; ++k) {
        pen.Color(DrawingShadowGray(k, h));
        pen.Line(x1 + h, y1 + k, x2 - h + k + 3, y1 + k);
    }
}

void IKDraw3DFrame(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t topLeftColor, int32_t bottomRightColor) {
    if (!canvas)
        return;
    DrawingPen pen(canvas);
    pen.Color(topLeftColor);
    pen.Line(left, bottom, left, top);
    pen.LineTo(right, top);
    pen.Color(bottomRightColor);
    pen.Line(left, bottom, right, bottom);
    pen.LineTo(right, top);
}

void TIKMask::DrawInverted(vcl::TCanvas* canvas, int32_t destX, int32_t destY, int32_t destWidth,
                           int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                           int32_t srcHeight) {
    if (!canvas || FBitsPerPixel != 1 || IsEmpty() || FData.empty())
        return;
    // A one-bit header with black and white: exclusive-or with white inverts the selected pixels.
    std::vector<uint8_t> info(sizeof(win::BITMAPINFOHEADER) + 2 * sizeof(win::RGBQUAD), 0);
    auto* header = reinterpret_cast<win::BITMAPINFOHEADER*>(info.data());
    header->biSize = sizeof(win::BITMAPINFOHEADER);
    header->biWidth = FWidth;
    header->biHeight = FHeight;
    header->biPlanes = 1;
    header->biBitCount = 1;
    header->biCompression = win::BI_RGB;
    header->biSizeImage = win::DWORD(FData.size());
    auto* colors = reinterpret_cast<win::RGBQUAD*>(info.data() + sizeof(win::BITMAPINFOHEADER));
    colors[1] = {255, 255, 255, 0};
    // srcY counts from the top; the platform counts rows of a bottom-up bitmap from its bottom.
    win::StretchDIBits(canvas->GetHandle(), destX, destY, destWidth, destHeight, srcX,
                       FHeight - srcY - srcHeight, srcWidth, srcHeight, FData.data(),
                       reinterpret_cast<const win::BITMAPINFO*>(info.data()), win::DIB_RGB_COLORS,
                       win::SRCINVERT);
}

void TIKMask::DrawOutline(vcl::TCanvas* canvas, int32_t destX, int32_t destY, int32_t destWidth,
                          int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                          uint8_t phase, int32_t colorB, int32_t colorA) {
    if (!canvas)
        return;
    TraceOutline(destX, destY, destWidth, destHeight, srcX, srcY, srcWidth, srcHeight, phase, colorB, colorA,
                 [canvas](int32_t x, int32_t y, int32_t color) { canvas->SetPixel(x, y, color); });
}

void TIKMask::DimOutside(vcl::TBitmap* bitmap, int32_t destX, int32_t destY, int32_t destWidth,
                         int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                         int32_t srcHeight) {
    if (!bitmap || bitmap->GetPixelFormat() != vcl::pf24bit)
        return;
    DimOutside([bitmap](int32_t y) { return static_cast<uint8_t*>(bitmap->ScanLine(y)); }, bitmap->GetWidth(),
               bitmap->GetHeight(), destX, destY, destWidth, destHeight, srcX, srcY, srcWidth, srcHeight);
}

// ---- View backgrounds -------------------------------------------------------------------------------------

namespace {

// Fills a rectangle of dc with rgb in a brush style. A hatch is drawn over the complement of rgb, opaque:
// a view's back buffer keeps what an earlier render left, which must not show between the lines.
void DrawingFillStyled(win::HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t rgb,
                       int32_t brushStyle) {
    if (brushStyle == vcl::bsClear || right <= left || bottom <= top)
        return;
    win::RECT r{left, top, right, bottom};
    win::HBRUSH brush = nullptr;
    if (brushStyle >= vcl::bsHorizontal && brushStyle <= vcl::bsDiagCross) {
        brush = win::CreateHatchBrush(win::HS_HORIZONTAL + (brushStyle - vcl::bsHorizontal), win::COLORREF(rgb));
        win::SetBkColor(dc, win::COLORREF(~rgb & 0xFFFFFF));
        win::SetBkMode(dc, win::OPAQUE);
    } else {
        brush = win::CreateSolidBrush(win::COLORREF(rgb));
    }
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);
}

} // namespace

void IKDrawBackground(bool designing, vcl::TCanvas* canvas, int32_t style, int32_t chessBrush, int32_t chessSize,
                      int32_t imageBottom, int32_t imageRight, int32_t imageTop, int32_t imageLeft,
                      int32_t height, int32_t width, int32_t color) {
    if (!canvas || width <= 0 || height <= 0 || style < 0 || style > 10)
        return;
    // The cropped styles show the image as a sheet on the button face, outside the designer.
    if (designing && style >= 9)
        style = 0;
    win::HDC dc = canvas->GetHandle();
    canvas->Changing();
    const int saved = win::SaveDC(dc);
    const uint32_t rgb = uint32_t(IKColorToRGB(color)) & 0xFFFFFF;
    // The complement of the resolved colour: that of a system colour's own value would be no colour at all.
    const uint32_t inverse = ~rgb & 0xFFFFFF;
    switch (style) {
    case 7: { // chessboard: squares from the top-left corner, each row starting where the previous did not
        const int32_t size = std::max(chessSize, 1);
        bool rowStartsInverse = true;
        for (int32_t y = 0; y < height; y += size) {
            bool inv = rowStartsInverse;
            for (int32_t x = 0; x < width; x += size) {
                DrawingFillStyled(dc, x, y, x + size, y + size, inv ? inverse : rgb, chessBrush);
                inv = !inv;
            }
            rowStartsInverse = !rowStartsInverse;
        }
        break;
    }
    case 8: { // diagonals
        DrawingFillStyled(dc, 0, 0, width, height, rgb, vcl::bsSolid);
        win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, win::COLORREF(inverse));
        win::HGDIOBJ old = win::SelectObject(dc, pen);
        win::SetROP2(dc, win::R2_COPYPEN);
        win::MoveToEx(dc, 0, 0, nullptr);
        win::LineTo(dc, width, height);
        win::MoveToEx(dc, width, 0, nullptr);
        win::LineTo(dc, 0, height);
        win::SelectObject(dc, old);
        win::DeleteObject(pen);
        break;
    }
    case 9:
    case 10: {
        DrawingFillStyled(dc, 0, 0, width, height, uint32_t(win::GetSysColor(win::COLOR_BTNFACE)) & 0xFFFFFF,
                          vcl::bsSolid);
        if (imageRight - imageLeft < 2 || imageBottom - imageTop < 2)
            break;
        if (style == 9) {
            win::RECT r{imageLeft - win::GetSystemMetrics(win::SM_CXEDGE),
                        imageTop - win::GetSystemMetrics(win::SM_CYEDGE),
                        imageRight + win::GetSystemMetrics(win::SM_CXEDGE),
                        imageBottom + win::GetSystemMetrics(win::SM_CYEDGE)};
            win::DrawEdge(dc, &r, win::EDGE_SUNKEN, win::BF_RECT);
        } else {
            win::RestoreDC(dc, saved);
            canvas->Changed();
            IKDrawShadowRight(canvas, imageRight, imageTop, imageRight + 5, imageBottom + 3, 2);
            IKDrawShadowBottom(canvas, imageLeft, imageBottom, imageRight + 4, imageBottom + 5, 2);
            return;
        }
        break;
    }
    default: // solid and the six hatches
        DrawingFillStyled(dc, 0, 0, width, height, rgb, style == 0 ? vcl::bsSolid : vcl::bsHorizontal + (style - 1));
        break;
    }
    win::RestoreDC(dc, saved);
    canvas->Changed();
}

} // namespace imaging
