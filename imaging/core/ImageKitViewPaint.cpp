// How the single-image view turns its layers into pixels: the client-sized back buffer, composed again only
// when something changed; the renderer that draws the visible part of every layer over the background
// style; the per-axis zoom tables; and the copy of the buffer to the window.
#include "imaging/core/ImageKitView.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKWorkBitmaps.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

int32_t PaintNearest(double x) {
    if (!std::isfinite(x))
        return 0;
    return int32_t(std::clamp(std::nearbyint(x), double(INT32_MIN), double(INT32_MAX)));
}

int32_t PaintTrunc(double x) {
    if (!std::isfinite(x))
        return 0;
    return int32_t(std::clamp(std::trunc(x), double(INT32_MIN), double(INT32_MAX)));
}


// Fills the rows of a 24-bit bitmap (within clip, inclusive) with one colour (red in the low byte).
void PaintSolidRows(vcl::TBitmap* bitmap, const win::TRect* clip, uint32_t rgb) {
    const int32_t w = bitmap->GetWidth(), h = bitmap->GetHeight();
    const int32_t x0 = clip ? std::max(clip->Left, 0) : 0, y0 = clip ? std::max(clip->Top, 0) : 0;
    const int32_t x1 = clip ? std::min(clip->Right, w - 1) : w - 1, y1 = clip ? std::min(clip->Bottom, h - 1) : h - 1;
    if (x1 < x0 || y1 < y0)
        return;
    const size_t bytes = size_t(x1 - x0 + 1) * 3;
    std::vector<uint8_t> line(bytes);
    for (size_t i = 0; i < bytes; i += 3) {
        line[i] = uint8_t(rgb >> 16);
        line[i + 1] = uint8_t(rgb >> 8);
        line[i + 2] = uint8_t(rgb);
    }
    for (int32_t y = y0; y <= y1; ++y)
        std::memcpy(static_cast<uint8_t*>(bitmap->ScanLine(y)) + 3 * size_t(x0), line.data(), bytes);
}

} // namespace

void TImageKitView::Paint() {
    // A paint that fails leaves the window showing what it showed before; nothing escapes to the caller.
    try {
        if (!HasParentWindow() || !HandleAllocated())
            return;
        const int32_t cw = GetClientWidth(), ch = GetClientHeight();
        if (cw == 0 || ch == 0)
            return;
        if (IsDesigning()) {
            IKDrawBackground(true, GetCanvas(), FBackgroundStyle, FChessBrushStyle, FChessSize, 0, 0, 0, 0, FHeight,
                             FWidth, FBackground);
            return;
        }
        if (FPaintLock == 0) {
            win::TRect r{0, 0, cw, ch};
            if (!FFullRepaint) {
                r = GetCanvas()->GetClipRect();
                if (r.Right == 0)
                    r.Right = cw;
                if (r.Bottom == 0)
                    r.Bottom = ch;
            }
            PaintRegion(r);
        }
        FFullRepaint = false;
        // A selection moved as a mask is drawn by the move itself.
        if (!(FMoveMarker >= 0 && !FRectMove))
            DrawOutline(false, true);
        if (OnPaint)
            OnPaint(this);
    } catch (...) {
    }
}

void TImageKitView::ResizeBackBuffer(int32_t width, int32_t height) {
    FBackBuffer->SetPixelFormat(vcl::pf24bit);
    FBackBuffer->SetSize(width, height);
    FBackRows.resize(size_t(std::max(height, 0)));
    for (int32_t y = 0; y < height; ++y)
        FBackRows[size_t(y)] = static_cast<uint8_t*>(FBackBuffer->ScanLine(y));
    FBackBufferDirty = true;
}

void TImageKitView::PaintRegion(const win::TRect& rect) {
    if (!FBackBuffer)
        return;
    const int32_t cw = GetClientWidth(), ch = GetClientHeight();
    if (FBackBuffer->GetWidth() != cw || FBackBuffer->GetHeight() != ch)
        ResizeBackBuffer(cw, ch);
    if (FBackBufferDirty) {
        RenderTo(FBackBuffer.get(), FBackRows.data(), &rect);
        FBackBufferDirty = false;
    }
    win::BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = cw;
    header.biHeight = ch;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = win::BI_RGB;
    const int32_t w = std::min(rect.Width(), cw), h = std::min(rect.Height(), ch);
    if (w <= 0 || h <= 0 || FBackRows.empty())
        return;
    // The buffer's memory starts at its bottom row.
    IKDrawDibDraw(FDrawDib, GetCanvas()->GetHandle(), rect.Left, rect.Top, w, h, &header, FBackRows.back(),
                  rect.Left, rect.Top, w, h, 0);
}

void TImageKitView::ComputeVisibleRegion() {
    FSrcX = FSrcY = FSrcWidth = FSrcHeight = 0;
    if (FZoomedWidth != 0) {
        const double r = double(FImageWidth) / FZoomedWidth;
        FSrcX = PaintNearest(FViewX * r);
        FSrcWidth = PaintNearest(r * FExtentX);
        if (int64_t(FSrcX) + FSrcWidth > FImageWidth)
            --FSrcWidth;
    }
    if (FZoomedHeight != 0) {
        const double r = double(FImageHeight) / FZoomedHeight;
        FSrcY = PaintNearest(FViewY * r);
        FSrcHeight = PaintNearest(r * FExtentY);
        if (int64_t(FSrcY) + FSrcHeight > FImageHeight)
            --FSrcHeight;
    }
    if (FZoom > 100) {
        FDestWidth = PaintTrunc(FSrcWidth * FScale);
        if (FDestWidth < FExtentX && int64_t(FSrcX) + FSrcWidth + 1 <= FImageWidth) {
            ++FSrcWidth;
            FDestWidth = PaintTrunc(FSrcWidth * FScale);
        }
        FDestHeight = PaintTrunc(FSrcHeight * FScale);
        if (FDestHeight < FExtentY && int64_t(FSrcY) + FSrcHeight + 1 <= FImageHeight) {
            ++FSrcHeight;
            FDestHeight = PaintTrunc(FSrcHeight * FScale);
        }
    } else {
        FDestWidth = FExtentX;
        FDestHeight = FExtentY;
    }
    BuildZoomTables();
}

namespace {

// One axis of the zoom tables. Screen column n shows bitmap column e(n) = (step * n shr 14) + first, for n
// from 0 to dest; the screen-to-bitmap table holds e(n) for the columns that can be on the screen (at most
// shown + 1 of them: the rest lie beyond the client area, where the conversions compute instead). The
// bitmap-to-screen table maps every bitmap column c from first to e(dest) to the first screen column that
// shows it, and a column skipped when zoomed out to the next screen column that shows a later one: both are
// the smallest n with e(n) >= c. Neither table grows with the zoom itself, however far in it goes.
void PaintBuildAxis(int32_t first, int32_t count, int32_t dest, int32_t shown, std::vector<int32_t>& scr2bmp,
                    std::vector<int32_t>& bmp2scr) {
    const int64_t step = int64_t(double(count) / dest * 16384);
    const int32_t entries = std::min(dest, std::max(shown, 0));
    scr2bmp.resize(size_t(entries) + 1);
    for (int32_t n = 0; n <= entries; ++n)
        scr2bmp[size_t(n)] = int32_t((step * n) >> 14) + first;
    const int64_t last = (step * dest) >> 14;
    bmp2scr.assign(size_t(last + 1), 0);
    for (int64_t c = 1; c <= last; ++c)
        bmp2scr[size_t(c)] = int32_t(std::min<int64_t>((c * 16384 + step - 1) / step, dest));
}

} // namespace

void TImageKitView::BuildZoomTables() {
    FScr2BmpX.clear();
    FScr2BmpY.clear();
    FBmp2ScrX.clear();
    FBmp2ScrY.clear();
    if (FDestWidth <= 0 || FDestHeight <= 0 || FSrcWidth <= 0 || FSrcHeight <= 0)
        return;
    PaintBuildAxis(FSrcX, FSrcWidth, FDestWidth, FExtentX, FScr2BmpX, FBmp2ScrX);
    PaintBuildAxis(FSrcY, FSrcHeight, FDestHeight, FExtentY, FScr2BmpY, FBmp2ScrY);
}

void TImageKitView::PaintBackground(vcl::TBitmap* bitmap, const win::TRect* clip, bool partial) {
    const int32_t bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
    if (partial && FOffsetX < 1 && FOffsetY < 1 && FDestWidth >= bw && FDestHeight >= bh) {
        // Nothing of the background can show when the first drawn layer is opaque and covers everything.
        const TIKLayer* first = nullptr;
        for (const auto& l : FLayers)
            if (l->Visible) {
                first = l.get();
                break;
            }
        const bool opaque = first && first->Transparency > 254;
        const bool alphaShows = FEnableAlphaChannel && FCurrent->HasAlphaChannel() &&
                                !FCurrent->GetAlphaChannel()->GetFull();
        if (opaque && !alphaShows)
            return;
    }
    if (FBackgroundStyle == ikbsSolid && bitmap->GetPixelFormat() == vcl::pf24bit) {
        // The plain background, the default, is written straight into the rows.
        PaintSolidRows(bitmap, clip, uint32_t(vcl::ColorToRGB(FBackground)));
        return;
    }
    vcl::TCanvas* canvas = bitmap->GetCanvas();
    win::HDC dc = canvas->GetHandle();
    const int saved = win::SaveDC(dc);
    if (clip)
        win::IntersectClipRect(dc, clip->Left, clip->Top, clip->Right + 1, clip->Bottom + 1);
    IKDrawBackground(IsDesigning(), canvas, FBackgroundStyle, FChessBrushStyle, FChessSize, FOffsetY + FDestHeight,
                     FOffsetX + FDestWidth, FOffsetY, FOffsetX, bh, bw, FBackground);
    win::RestoreDC(dc, saved);
}

void TImageKitView::PaintSelectionFill(vcl::TBitmap* bitmap) {
    if (!FSelected || !FSelRecords.front()->Visible || FSelMask->IsEmpty())
        return;
    if (FSelectionOptions.Contains(iksoFilled))
        FSelMask->DrawInverted(bitmap->GetCanvas(), FOffsetX, FOffsetY, FDestWidth, FDestHeight, FSrcX, FSrcY,
                               FSrcWidth, FSrcHeight);
    if (FSelectionOptions.Contains(iksoMarkOuter))
        FSelMask->DimOutside(bitmap, FOffsetX, FOffsetY, FDestWidth, FDestHeight, FSrcX, FSrcY, FSrcWidth,
                             FSrcHeight);
}

void TImageKitView::RenderTo(vcl::TBitmap* bitmap, uint8_t* const* rows, const win::TRect* clip) {
    if (!bitmap)
        return;
    SyncLayers();
    ComputeVisibleRegion();
    if (IsDesigning() || FCurrent->Width() == 0 || FCurrent->Height() == 0)
        return;
    if (FCurrent->HasAlphaChannel()) {
        TIKBitmap* alpha = FCurrent->GetAlphaChannel();
        if (alpha->Width() != FCurrent->Width() || alpha->Height() != FCurrent->Height())
            return;
    }
    bool drawn = false;
    const TResampleFilter filter = FDelayedFilterCountdown <= 0 && FZoom != 100 ? FZoomFilter : rfNone;
    for (const auto& layer : FLayers) {
        if (!layer->Visible || FDestWidth == 0 || FDestHeight == 0)
            continue;
        if (!drawn)
            PaintBackground(bitmap, clip, true);
        layer->Bitmap->RenderToTBitmap(bitmap, rows, filter, layer->Transparency,
                                       !drawn && FBackgroundStyle == ikbsSolid, FEnableAlphaChannel, FSrcX, FSrcY,
                                       FSrcWidth, FSrcHeight, FOffsetX, FOffsetY, FDestWidth, FDestHeight, clip,
                                       FScr2BmpY.empty() ? nullptr : FScr2BmpY.data(),
                                       FScr2BmpX.empty() ? nullptr : FScr2BmpX.data());
        drawn = true;
    }
    if (!drawn)
        PaintBackground(bitmap, clip, false);
    PaintSelectionFill(bitmap);

    if (FDisplayGrid && FZoom >= 400) {
        // A one-pixel grid that inverts what lies under it.
        vcl::TCanvas* canvas = bitmap->GetCanvas();
        canvas->GetPen()->SetStyle(vcl::psSolid);
        canvas->GetPen()->SetWidth(1);
        canvas->GetPen()->SetMode(vcl::pmNot);
        const int32_t left = XBmp2Scr(FSrcX), right = XBmp2Scr(FSrcX + FSrcWidth);
        const int32_t top = YBmp2Scr(FSrcY), bottom = YBmp2Scr(FSrcY + FSrcHeight);
        for (int32_t row = FSrcY; row <= FSrcY + FSrcHeight; ++row) {
            const int32_t y = YBmp2Scr(row);
            canvas->MoveTo(left, y);
            canvas->LineTo(right, y);
        }
        for (int32_t col = FSrcX; col <= FSrcX + FSrcWidth; ++col) {
            const int32_t x = XBmp2Scr(col);
            canvas->MoveTo(x, top);
            canvas->LineTo(x, bottom);
        }
        canvas->GetPen()->SetMode(vcl::pmCopy);
    }
}

} // namespace imaging
