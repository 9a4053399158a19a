// The single-image view's zoom and scroll model: zoom and origin, the fit and automatic zoom, coordinate
// conversions, the scroll-bar messages and the mouse wheel.
#include "imaging/core/ImageKitView.h"

#include "imaging/core/IKBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// x with its fraction dropped, kept within 32 bits.
int32_t ZoomTrunc(double x) {
    if (!std::isfinite(x))
        return 0;
    return int32_t(std::clamp(std::trunc(x), double(INT32_MIN), double(INT32_MAX)));
}

// The integer nearest to x, halves to the even neighbour, kept within 32 bits.
int32_t ZoomNearest(double x) {
    if (!std::isfinite(x))
        return 0;
    return int32_t(std::clamp(std::nearbyint(x), double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

// ---- Zoom -------------------------------------------------------------------------------------------------

void TImageKitView::SetZoomValue(double value) {
    FZoom = value;
    FScale = value / 100.0;
    FInvScale = 100.0 / value;
}

void TImageKitView::SetZoom(double value) {
    if (!(value > 0) || value == FZoom)
        return;
    PauseFilterAndOutline();
    LockPaint();
    // The bitmap point under the client centre stays there (as far as the new scroll range allows).
    const int32_t cx = ClientWidthOrDefault() / 2, cy = ClientHeightOrDefault() / 2;
    const int32_t bx = ZoomNearest((FViewX + cx - FOffsetX) * 100.0 / FZoom);
    const int32_t by = ZoomNearest((FViewY + cy - FOffsetY) * 100.0 / FZoom);
    SetZoomValue(value);
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    FViewX = std::clamp(ZoomTrunc(bx * value / 100.0 - cx), 0, maxX);
    FViewY = std::clamp(ZoomTrunc(by * value / 100.0 - cy), 0, maxY);
    Update();
    UnlockPaintNoUpdate();
    Paint();
    // The second Update settles the scroll bars after the first paint.
    LockPaint();
    Update();
    UnlockPaintNoUpdate();
    ViewChanged(ikvcZoomed);
}

void TImageKitView::ZoomAt(int32_t x, int32_t y, double zoom) {
    LockPaint();
    const int32_t bx = XScr2Bmp(x), by = YScr2Bmp(y);
    SetZoom(zoom);
    SetViewOrigin(ZoomTrunc(bx * FZoom / 100.0 - ClientWidthOrDefault() / 2),
                  ZoomTrunc(by * FZoom / 100.0 - ClientHeightOrDefault() / 2));
    UnlockPaint();
}

void TImageKitView::BackgroundInset(int32_t& ix, int32_t& iy) const {
    ix = iy = 0;
    if (FBackgroundStyle == ikbsCropped) {
        ix = IKDisplay().EdgeWidth;
        iy = IKDisplay().EdgeHeight;
    } else if (FBackgroundStyle == ikbsCropShadow) {
        ix = iy = 5;
    }
}

double TImageKitView::GetFitZoom() {
    // An empty image has no zoom that fits it: it shows at 100.
    if (FImageWidth <= 0 || FImageHeight <= 0)
        return 100.0;
    int32_t ix = 0, iy = 0;
    BackgroundInset(ix, iy);
    return std::min((FHeight - 2.0 * iy) / (FImageHeight / 100.0), (FWidth - 2.0 * ix) / (FImageWidth / 100.0));
}

void TImageKitView::ZoomToFit() {
    if (FImageWidth != 0 && FImageHeight != 0)
        SetZoom(GetFitZoom());
}

double TImageKitView::AutoZoom(int32_t availWidth, int32_t availHeight, bool shrink, bool stretch) {
    if (FImageWidth == 0 || FImageHeight == 0 || availWidth == 0 || availHeight == 0)
        return 100.0;
    if (availWidth < 0 || availHeight < 0)
        return 100.0;
    const double rx = double(FImageWidth) / availWidth, ry = double(FImageHeight) / availHeight;
    // The axis with the larger ratio decides (the vertical one on a tie); the zoom that fits is taken for
    // the area available.
    const bool larger = rx > ry ? FImageWidth > availWidth : FImageHeight > availHeight;
    const double fit = std::min(availHeight / (FImageHeight / 100.0), availWidth / (FImageWidth / 100.0));
    if (!std::isfinite(fit))
        return 100.0;
    if (larger)
        return shrink ? fit : 100.0;
    return stretch ? fit : 100.0;
}

// ---- Origin -----------------------------------------------------------------------------------------------

void TImageKitView::GetMaxViewXY(int32_t& maxX, int32_t& maxY) {
    const int32_t w = ZoomTrunc((FImageWidth + FHalfPixel) * FScale);
    const int32_t h = ZoomTrunc((FImageHeight + FHalfPixel) * FScale);
    maxX = maxY = 0;
    if (w <= 0 || h <= 0)
        return;
    maxX = w - ClientWidthOrDefault();
    maxY = h - ClientHeightOrDefault();
    if (maxX < 0 || XScr2Bmp(maxX) == 0)
        maxX = 0;
    if (maxY < 0 || YScr2Bmp(maxY) == 0)
        maxY = 0;
    if (FWidth >= w && FHeight >= h)
        maxX = maxY = 0;
}

bool TImageKitView::IsScrollable() {
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    return maxX > 0 || maxY > 0;
}

// The delayed zoom filter and the selection outline wait two ticks after a move or zoom.
void TImageKitView::PauseFilterAndOutline() {
    if (FDelayZoomFilter && FZoomFilter != rfNone && FZoom != 100)
        FDelayedFilterCountdown = 2;
    FOutlinePause = 2;
}

// After the origin moved: the view repaints, listeners hear of it and the scroll bars of the axes that moved
// follow.
void TImageKitView::OriginMoved(bool horizontal, bool vertical) {
    FBackBufferDirty = true;
    FFullRepaint = true;
    Paint();
    ViewChanged(ikvcScrolled);
    if (horizontal && (FScrollBars == vcl::ssHorizontal || FScrollBars == vcl::ssBoth))
        SetThumb(win::SB_HORZ, FViewX, FHThumbFactor);
    if (vertical && (FScrollBars == vcl::ssVertical || FScrollBars == vcl::ssBoth))
        SetThumb(win::SB_VERT, FViewY, FVThumbFactor);
}

void TImageKitView::SetViewX(int32_t value) {
    if (value == FViewX)
        return;
    PauseFilterAndOutline();
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    FViewX = std::clamp(value, 0, maxX);
    OriginMoved(true, false);
}

void TImageKitView::SetViewY(int32_t value) {
    if (value == FViewY)
        return;
    PauseFilterAndOutline();
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    FViewY = std::clamp(value, 0, maxY);
    OriginMoved(false, true);
}

void TImageKitView::SetViewOrigin(int32_t x, int32_t y) {
    if (x == FViewX && y == FViewY)
        return;
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    x = std::clamp(x, 0, maxX);
    y = std::clamp(y, 0, maxY);
    if (x == FViewX && y == FViewY)
        return;
    PauseFilterAndOutline();
    FViewX = x;
    FViewY = y;
    OriginMoved(true, true);
}

// ---- Coordinates ------------------------------------------------------------------------------------------

int32_t TImageKitView::XScr2Bmp(int32_t x) {
    const int64_t d = int64_t(x) - FOffsetX;
    if (d >= 0 && d < int64_t(FScr2BmpX.size()))
        return FScr2BmpX[size_t(d)];
    return ZoomTrunc(double(d) * 100.0 / FZoom + FSrcX);
}

int32_t TImageKitView::YScr2Bmp(int32_t y) {
    const int64_t d = int64_t(y) - FOffsetY;
    if (d >= 0 && d < int64_t(FScr2BmpY.size()))
        return FScr2BmpY[size_t(d)];
    return ZoomTrunc(double(d) * 100.0 / FZoom + FSrcY);
}

int32_t TImageKitView::XBmp2Scr(int32_t x) {
    const int64_t d = int64_t(x) - FSrcX;
    if (d >= 0 && d < int64_t(FBmp2ScrX.size()))
        return FBmp2ScrX[size_t(d)] + FOffsetX;
    return ZoomNearest((ZoomNearest(-FViewX * 100.0 / FZoom) + double(x)) * FScale + FOffsetX);
}

int32_t TImageKitView::YBmp2Scr(int32_t y) {
    const int64_t d = int64_t(y) - FSrcY;
    if (d >= 0 && d < int64_t(FBmp2ScrY.size()))
        return FBmp2ScrY[size_t(d)] + FOffsetY;
    return ZoomNearest((ZoomNearest(-FViewY * 100.0 / FZoom) + double(y)) * FScale + FOffsetY);
}

// ---- Scroll bars and the wheel ----------------------------------------------------------------------------

void TImageKitView::ScrollMessage(vcl::TMessage& m, bool horizontal) {
    const TIKScrollBarParams& params = horizontal ? *FHScrollParams : *FVScrollParams;
    const int32_t origin = horizontal ? FViewX : FViewY;
    const int32_t client = horizontal ? GetClientWidth() : GetClientHeight();
    const double factor = horizontal ? FHThumbFactor : FVThumbFactor;
    const int32_t unit = std::max(ZoomTrunc(FScale), 1);
    const int code = win::LOWORD(m.WParam);
    const int32_t thumb = int32_t(uint16_t(win::HIWORD(m.WParam)));
    int32_t maxX = 0, maxY = 0;
    int64_t next = origin;
    switch (code) {
    case win::SB_LINEUP:
        next = origin - int64_t(unit) * (params.LineStep == -1 ? 1 : params.LineStep);
        break;
    case win::SB_LINEDOWN:
        next = origin + int64_t(unit) * (params.LineStep == -1 ? 1 : params.LineStep);
        break;
    case win::SB_PAGEUP:
        next = origin - (params.PageStep == -1 ? int64_t(client) : int64_t(unit) * params.PageStep);
        break;
    case win::SB_PAGEDOWN:
        next = origin + (params.PageStep == -1 ? int64_t(client) : int64_t(unit) * params.PageStep);
        break;
    case win::SB_THUMBTRACK:
        if (!params.Tracking)
            return;
        [[fallthrough]];
    case win::SB_THUMBPOSITION:
        next = ZoomTrunc(thumb * factor);
        break;
    case win::SB_TOP:
        next = 0;
        break;
    case win::SB_BOTTOM:
        GetMaxViewXY(maxX, maxY);
        next = horizontal ? maxX : maxY;
        break;
    default:
        return;
    }
    const auto value = int32_t(std::clamp<int64_t>(next, INT32_MIN, INT32_MAX));
    if (horizontal)
        SetViewX(value);
    else
        SetViewY(value);
}

void TImageKitView::MouseWheelMessage(vcl::TMessage& m) {
    const TIKMouseWheelParams& p = *FWheelParams;
    if (p.Action == ikmwaNone) {
        TIKView::WndProc(m);
        return;
    }
    int32_t d = win::GET_WHEEL_DELTA_WPARAM(m.WParam) > 0 ? -1 : 1;
    if (p.InvertWheel)
        d = -d;
    if (p.Action == ikmwaScroll) {
        if (p.Variation == ikmwvAbsolute)
            SetViewY(FViewY + d * p.Value * std::max(ZoomTrunc(FScale), 1));
        else
            SetViewY(FViewY + d * std::max(ZoomNearest(ClientHeightOrDefault() * p.Value / 100.0), 1));
    } else if (p.Action == ikmwaZoom) {
        const double zoom = p.Variation == ikmwvAbsolute
                                ? FZoom + double(p.Value) * d
                                : FZoom + d * std::max(ZoomNearest(p.Value * FZoom / 100.0), 1);
        if (p.ZoomPosition) {
            // The message carries the pointer in screen coordinates; ZoomAt takes client coordinates.
            win::POINT pointer{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
            if (HandleAllocated())
                win::ScreenToClient(FHandle, &pointer);
            ZoomAt(pointer.X, pointer.Y, zoom);
        } else {
            SetZoom(zoom);
        }
    }
    m.Result = 0;
}

} // namespace imaging
