#include "lookandfeel/xbCommon.h"

#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Metrics.h"

#include <algorithm>

namespace lookandfeel {

namespace {

int CommonTextCount(const std::string& text, int count) {
    return count < 0 || size_t(count) > text.size() ? int(text.size()) : count;
}

} // namespace

int32_t GetDropDownGripBarHeight() {
    return std::max(win::GetSystemMetrics(win::SM_CYHSCROLL) + 3, win::GetSystemMetrics(win::SM_CYSIZE) + 1);
}

TxbSizeGripCorner GetSizeGripCorner(const win::TRect& editRect, const win::TRect& dropDownRect) {
    static const TxbSizeGripCorner corners[4] = {sgcTopLeft, sgcBottomLeft, sgcTopRight, sgcBottomRight};
    const int below = editRect.Bottom < dropDownRect.Bottom ? 1 : 0;
    const int right = editRect.Left < dropDownRect.Right ? 1 : 0;
    return corners[2 * right + below];
}

void PaintSizeGrip(win::HDC dc, win::TRect& rect, TxbSizeGripCorner corner) {
    const int32_t cx = win::GetSystemMetrics(win::SM_CXVSCROLL), cy = win::GetSystemMetrics(win::SM_CYHSCROLL);
    const bool right = corner == sgcTopRight || corner == sgcBottomRight;
    const bool top = corner == sgcTopLeft || corner == sgcTopRight;
    if (right)
        rect.Left = rect.Right - cx;
    else
        rect.Right = rect.Left + cx;
    if (top)
        rect.Bottom = rect.Top + cy;
    else
        rect.Top = rect.Bottom - cy;

    win::TRect inner = rect;
    win::HBRUSH face = win::GetSysColorBrush(win::COLOR_BTNFACE);
    if (right) {
        win::TRect band{inner.Right - 2, inner.Top, inner.Right, inner.Bottom};
        win::FillRect(dc, &band, face);
        inner.Right -= 2;
    } else {
        win::TRect band{inner.Left, inner.Top, inner.Left + 2, inner.Bottom};
        win::FillRect(dc, &band, face);
        inner.Left += 2;
    }
    if (top) {
        win::TRect band{inner.Left, inner.Top, inner.Right, inner.Top + 2};
        win::FillRect(dc, &band, face);
        inner.Top += 2;
    } else {
        win::TRect band{inner.Left, inner.Bottom - 2, inner.Right, inner.Bottom};
        win::FillRect(dc, &band, face);
        inner.Bottom -= 2;
    }
    const int32_t w = inner.Right - inner.Left, h = inner.Bottom - inner.Top;
    if (w <= 0 || h <= 0)
        return;
    win::HDC memory = win::CreateCompatibleDC(dc);
    win::HBITMAP bitmap = win::CreateCompatibleBitmap(dc, w, h);
    win::HGDIOBJ old = win::SelectObject(memory, bitmap);
    win::TRect glyph{0, 0, w, h};
    win::DrawFrameControl(memory, &glyph, win::DFC_SCROLL, win::DFCS_SCROLLSIZEGRIP);
    // The glyph points to the bottom right: mirrored into the other corners. A negative source extent runs
    // from the far corner of the source rectangle, which is width (height) itself: starting at width - 1
    // would leave the glyph's first column (row) out and the cell's last one unpainted.
    const int32_t sx = right ? 0 : w, sw = right ? w : -w;
    const int32_t sy = top ? h : 0, sh = top ? -h : h;
    win::StretchBlt(dc, inner.Left, inner.Top, w, h, memory, sx, sy, sw, sh, win::SRCCOPY);
    win::SelectObject(memory, old);
    win::DeleteObject(bitmap);
    win::DeleteDC(memory);
}

int DrawTextStr(win::HDC dc, const std::string& text, int count, win::TRect* rect, win::UINT format) {
    return win::DrawText(dc, text.c_str(), CommonTextCount(text, count), rect, format);
}

win::BOOL ExtTextOutStr(win::HDC dc, int x, int y, win::UINT options, const win::TRect* rect,
                        const std::string& text) {
    return win::ExtTextOut(dc, x, y, options, rect, text.c_str(), win::UINT(text.size()), nullptr);
}

win::BOOL GetTextExtentStr(win::HDC dc, const std::string& text, int count, win::SIZE* size) {
    return win::GetTextExtentPoint32(dc, text.c_str(), CommonTextCount(text, count), size);
}

} // namespace lookandfeel
