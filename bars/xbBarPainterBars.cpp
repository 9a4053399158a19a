// The base painter around the items: toolbar separators, caption buttons, the end mark, dock backgrounds and
// the menu window's metrics, separators, arrows, frame and detach bar.
#include "bars/xbBarDraw.h"
#include "bars/xbBarPainter.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"

#include <cstring>

namespace bars {

namespace {


void FillSolid(win::HDC dc, const win::TRect& rect, win::COLORREF colour) {
    win::HBRUSH brush = win::CreateSolidBrush(colour);
    win::FillRect(dc, &rect, brush);
    win::DeleteObject(brush);
}


} // namespace

void TxbBarItemControlPainter::PaintToolbarSeparator(const TxbPaintWindow& w, win::HDC dc, bool across,
                                                    win::HBRUSH brush, const win::TRect& rect) const {
    int offset = GetSeparatorLineOffset();
    win::TRect line = rect;
    // The window background under the whole area (the window leaves it out of its own fill), then the line
    // in its middle.
    DrawItemBackground(w, dc, false, brush, rect);
    if (across) {
        // A horizontal line, short of the left and right ends.
        line = {rect.Left + offset, rect.Top + offset, rect.Right - offset, rect.Bottom};
        win::DrawEdge(dc, &line, win::EDGE_ETCHED, win::BF_TOP);
    } else {
        line = {rect.Left + offset, rect.Top + offset, rect.Right, rect.Bottom - offset};
        win::DrawEdge(dc, &line, win::EDGE_ETCHED, win::BF_LEFT);
    }
}

void TxbBarItemControlPainter::PaintCaptionButton(const TxbPaintWindow& w, win::HDC dc, int32_t state,
                                                 const win::TRect& rect, bool active) const {
    if (state == 0) {
        FillSolid(dc, rect, win::COLORREF(vcl::ColorToRGB(GetCaptionColor(nullptr, active))));
        return;
    }
    win::FrameRect(dc, &rect, win::GetSysColorBrush(win::COLOR_HIGHLIGHT));
    win::TRect inner = rect;
    win::InflateRect(&inner, -1, -1);
    win::HBRUSH brush = state == 1 ? w.SelectionBrush : w.FaceBrush;
    win::FillRect(dc, &inner, brush ? brush : win::GetSysColorBrush(state == 1 ? win::COLOR_HIGHLIGHT : win::COLOR_BTNFACE));
}

void TxbBarItemControlPainter::DrawDropDownArrow(win::HDC dc, const win::TRect& rect, win::COLORREF color) const {
    int x = (rect.Left + rect.Right - 7) / 2, y = (rect.Top + rect.Bottom - 4) / 2;
    win::POINT pts[3] = {{x, y}, {x + 6, y}, {x + 3, y + 3}};
    FillTriangle(dc, pts, color);
}

int32_t TxbBarItemControlPainter::GetMarkArrowColorIndex() const { return win::COLOR_BTNTEXT; }

void TxbBarItemControlPainter::PaintMarkChevrons(const TxbPaintBar& bar, win::HDC dc, const win::TRect& rect) const {
    if (!bar.Truncated)
        return;
    // Along the bar: from the mark's top on vertical bars, from its right end on horizontal ones.
    if (bar.IsVertical()) {
        DrawMarkChevron(bar, dc, rect.Top + 2, rect);
        DrawMarkChevron(bar, dc, rect.Top + 6, rect);
    } else {
        DrawMarkChevron(bar, dc, rect.Right - 9, rect);
        DrawMarkChevron(bar, dc, rect.Right - 5, rect);
    }
}

void TxbBarItemControlPainter::PaintMark(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                        const win::TRect& rect) const {
    PaintMarkBackground(bar, dc, brush, rect);
    PaintMarkChevrons(bar, dc, rect);
}

win::LOGFONT TxbBarItemControlPainter::GetFloatingCaptionFont(bool useSystemFont, win::HFONT barFont) {
    win::NONCLIENTMETRICS metrics;
    win::LOGFONT font{};
    if (win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = metrics.lfSmCaptionFont;
    return AdjustFloatingCaptionFont(font, useSystemFont, barFont);
}

win::LOGFONT TxbBarItemControlPainter::AdjustFloatingCaptionFont(win::LOGFONT font, bool useSystemFont,
                                                                 win::HFONT barFont) {
    if (!useSystemFont) {
        win::LOGFONT bar{};
        if (barFont && win::GetObject(barFont, sizeof(bar), &bar))
            std::memcpy(font.lfFaceName, bar.lfFaceName, sizeof(font.lfFaceName));
        if (font.lfHeight >= -10)
            font.lfHeight = -11;
    }
    return font;
}

TxbMenuMetrics TxbBarItemControlPainter::CalcMenuMetrics(int32_t rowHeight, int32_t textHeight) const {
    TxbMenuMetrics m;
    m.ArrowWidth = (rowHeight / 4) * 3 + 1;
    m.ExpandRowHeight = textHeight + 1;
    int32_t a = GetMenuArrowSize(m.ExpandRowHeight);
    if (a % 2 != 0)
        m.ExpandRowHeight = 2 * a + 4;
    m.GlyphStretchReference = 19;
    return m;
}

int32_t TxbBarItemControlPainter::GetMenuHalfTextHeight(const TxbPaintMenu& menu) {
    const int32_t half = menu.QqTextHeight / 2;
    return half % 2 == 0 ? half + 1 : half;
}

int32_t TxbBarItemControlPainter::GetDetachBarHeight(const TxbPaintMenu& menu) const {
    return GetMenuHalfTextHeight(menu) + 3;
}

win::TSize TxbBarItemControlPainter::CalcMenuSize(const TxbPaintMenu& menu, win::TSize content,
                                                  int32_t rowHeight) const {
    win::TSize size;
    size.cx = content.cx == 0 ? 100 : content.cx + menu.SideBarWidth + 6;
    int32_t height = content.cy;
    if (height < 3 || menu.ShowsExpandButton)
        height += rowHeight;
    size.cy = height + 4 + (menu.Detachable ? GetDetachBarHeight(menu) : 0);
    return size;
}

void TxbBarItemControlPainter::DrawMenuSeparator(const TxbPaintMenu& menu, win::HDC dc, bool rarelyUsedRunStart,
                                                 int32_t indent, const win::TRect& itemRect,
                                                 win::TRect& separatorRect) const {
    const TxbPaintWindow& w = menu.Window;
    win::TRect area{itemRect.Left, itemRect.Top - GetMenuSeparatorHeight(), itemRect.Right, itemRect.Top};
    win::HBRUSH brush = w.Brush;
    if (rarelyUsedRunStart) {
        area.Top -= 1;
        brush = w.SecondaryBrush ? w.SecondaryBrush : w.Brush;
    }
    separatorRect = area;
    int32_t sideIndent = GetMenuSeparatorIndent();
    int32_t left = area.Left - (rarelyUsedRunStart ? indent : 0);
    DrawItemBackground(w, dc, rarelyUsedRunStart, brush, {left, area.Top, area.Right, area.Top + 4});
    DrawItemBackground(w, dc, rarelyUsedRunStart, brush, {left, area.Bottom - 4, area.Right, area.Bottom});
    DrawItemBackground(w, dc, rarelyUsedRunStart, brush, {left, area.Top + 4, area.Left + sideIndent, area.Bottom - 4});
    DrawItemBackground(w, dc, rarelyUsedRunStart, brush,
                       {area.Right - sideIndent, area.Top + 4, area.Right, area.Bottom - 4});
    win::TRect line{area.Left + sideIndent, area.Top + 4, area.Right - sideIndent, area.Bottom - 4};
    win::DrawEdge(dc, &line, win::EDGE_ETCHED, win::BF_TOP);
}

void TxbBarItemControlPainter::DrawMenuScrollArrow(const TxbPaintMenu& menu, win::HDC dc, bool up,
                                                   const win::TRect& rect) const {
    int r = menu.Window.MenuRowHeight;
    int c = r / 3 - 1, b = r / 3 - 2;
    int x = (menu.ClientWidth - menu.SideBarWidth) / 2;
    int y;
    if (up)
        y = (r - c) / 2 + c - 1;
    else
        y = (menu.ShowsExpandButton ? rect.Bottom : menu.ClientHeight) - (r - c) / 2 - c;
    win::POINT pts[3] = {{x - b, y}, {x + b, y}, {x, up ? y - b : y + b}};
    FillTriangle(dc, pts, win::GetSysColor(win::COLOR_BTNTEXT));
    // Keep the arrow out of the background painted next.
    win::POINT grown[3] = {{x - b - 1, up ? y + 1 : y - 1}, {x + b + 2, up ? y + 1 : y - 1},
                           {x, up ? y - b - 1 : y + b + 2}};
    win::HRGN triangle = win::CreatePolygonRgn(grown, 3, win::ALTERNATE);
    win::ExtSelectClipRgn(dc, triangle, win::RGN_DIFF);
    win::DeleteObject(triangle);
}

void TxbBarItemControlPainter::DrawMenuExpandArrow(const TxbPaintMenu& menu, win::HDC dc, bool hot,
                                                   const win::TRect& rect) const {
    int n = GetMenuArrowSize(menu.ExpandRowHeight);
    if (n <= 0)
        return;
    bool whiteFace = win::GetSysColor(win::COLOR_BTNFACE) == 0xFFFFFF;
    win::HPEN pen = win::CreatePen(win::PS_SOLID, 1,
                                   win::GetSysColor(hot && whiteFace ? win::COLOR_BTNFACE : win::COLOR_BTNTEXT));
    win::HGDIOBJ old = win::SelectObject(dc, pen);
    int x = (rect.Left + rect.Right - n - 1) / 2;
    int y0 = rect.Top + (menu.ExpandRowHeight - 2 * n) / 2;
    for (int i = 0; i < n; ++i) {
        int y = y0 + i + (i >= n / 2 ? n / 2 : 0);
        win::POINT pts[3] = {{x, y}, {x + n / 2, y + n / 2}, {x + n + 1, y - 1}};
        win::Polyline(dc, pts, 3);
    }
    win::SelectObject(dc, old);
    win::DeleteObject(pen);
}

void TxbBarItemControlPainter::DrawMenuFrame(const TxbPaintMenu& menu, win::HDC dc, win::HBRUSH brush,
                                             win::TRect rect) const {
    if (menu.Detachable)
        rect.Top -= 2;
    win::DrawEdge(dc, &rect, win::BDR_RAISEDINNER, win::BF_RECT);
    win::InflateRect(&rect, -1, -1);
    win::FrameRect(dc, &rect, brush ? brush : menu.Window.Brush);
}

void TxbBarItemControlPainter::DrawDetachBar(const TxbPaintMenu& menu, win::HDC dc, const win::TRect& rect) const {
    win::FillRect(dc, &rect,
                  win::GetSysColorBrush(menu.DetachBarHot ? win::COLOR_ACTIVECAPTION : win::COLOR_INACTIVECAPTION));
}

} // namespace bars
