// The classic three-dimensional look (Standard) and the Enhanced look built on it: raised and sunken edges in
// the system button colours, the grips, the end mark, the check mark, menu rows and caption buttons.
#include "bars/xbBarDraw.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarPainter.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

namespace bars {

namespace {


void Line(win::HDC dc, int x0, int y0, int x1, int y1) {
    win::MoveToEx(dc, x0, y0, nullptr);
    win::LineTo(dc, x1, y1);
}

// A pen of a colour for the scope.
class PenScope {
public:
    PenScope(win::HDC dc, win::COLORREF colour)
        : FDc(dc), FPen(win::CreatePen(win::PS_SOLID, 1, colour)), FOld(win::SelectObject(dc, FPen)) {}
    ~PenScope() {
        win::SelectObject(FDc, FOld);
        win::DeleteObject(FPen);
    }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    win::HDC FDc;
    win::HPEN FPen;
    win::HGDIOBJ FOld;
};

// A line whose end point is drawn too.
void LineIncl(win::HDC dc, int x0, int y0, int x1, int y1, win::COLORREF colour) {
    PenScope pen(dc, colour);
    Line(dc, x0, y0, x1, y1);
    win::SetPixel(dc, x1, y1, colour);
}

} // namespace

// ---- Standard

void TxbBarItemControlStandardPainter::DrawButtonFace(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                                      win::TRect rect, win::HBRUSH brush) const {
    bool glyphlessInMenu = w.IsMenu && !s.HasGlyph;
    if (s.Down || (s.Selected && !glyphlessInMenu)) {
        win::DrawEdge(dc, &rect, (s.Down || s.Pressed) ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
        return;
    }
    bool room = rect.Right - rect.Left >= w.GlyphSize + 2 && RectHeight(rect) >= w.GlyphSize + 2;
    if (room)
        FrameItemBackground(w, dc, s.Down || s.Pressed || s.Selected || s.RarelyUsed, brush, rect);
}

void TxbBarItemControlStandardPainter::DrawCheckMark(win::HDC dc, bool enabled, int32_t t, int32_t x,
                                                     int32_t y) const {
    auto stroke = [&](int k, win::COLORREF colour) {
        PenScope pen(dc, colour);
        win::POINT pts[3] = {{x + t, y + 2 * t + k}, {x + 3 * t, y + 4 * t + k}, {x + 8 * t, y - t + k}};
        win::Polyline(dc, pts, 3);
    };
    if (enabled) {
        bool blackFace = win::GetSysColor(win::COLOR_BTNFACE) == 0;
        win::COLORREF body = blackFace ? 0xFFFFFF : 0, light = blackFace ? 0 : 0xFFFFFF;
        int k = 0;
        stroke(k++, 0xC0C0C0);
        for (int i = 0; i < 2 * t; ++i)
            stroke(k++, body);
        stroke(k++, light);
        PenScope pen(dc, light);
        Line(dc, x + t - 1, y + 2 * t + 1, x + t - 1, y + 6 * t - 1);
        Line(dc, x + 8 * t, y - t + 2, x + 8 * t, y + 3 * t);
        return;
    }
    for (int k = 1; k <= 2 * t; ++k)
        stroke(k, win::GetSysColor(win::COLOR_BTNSHADOW));
    PenScope pen(dc, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    for (int k = 0; k < t; ++k) {
        Line(dc, x + 3 * t + 1, y + 7 * t - k - 1, x + 9 * t, y + t - k);
        Line(dc, x + 4 * t, y + 7 * t - k, x + 9 * t, y + 2 * t - k);
    }
}

void TxbBarItemControlStandardPainter::DrawSeparatorLine(win::HDC dc, const win::TRect& rect) const {
    win::TRect light = rect;
    win::OffsetRect(&light, 1, 1);
    win::FillRect(dc, &light, win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT));
    TxbBarItemControlPainter::DrawSeparatorLine(dc, rect);
}

void TxbBarItemControlStandardPainter::PaintMenuButton(const TxbPaintWindow& w, win::HDC dc,
                                                      const TxbItemPaintState& s, const win::TRect& rect,
                                                      const std::string& caption, const TxbGlyphSource& glyph) const {
    int h = RectHeight(rect);
    win::TRect column{rect.Left, rect.Top, rect.Left + h, rect.Bottom};
    PaintItemGlyph(w, dc, column, s, glyph);
    bool hasImage = (glyph.Bitmap != nullptr) || (glyph.Images && glyph.ImageIndex >= 0);
    bool showsGlyph = !s.CaptionOnly && hasImage;
    bool fill = s.Selected || s.RarelyUsed;
    win::HBRUSH selection = w.SelectionBrush ? w.SelectionBrush : win::GetSysColorBrush(win::COLOR_HIGHLIGHT);
    win::HBRUSH gapBrush = (s.Selected && !s.Down && !showsGlyph) ? selection : w.Brush;
    DrawItemBackground(w, dc, fill, gapBrush, {column.Right, rect.Top, column.Right + 1, rect.Bottom});
    win::TRect text{column.Right + 1, rect.Top, rect.Right, rect.Bottom};
    DrawItemBackground(w, dc, fill, s.Selected ? selection : w.Brush, text);
    text.Left += 2;
    PaintItemCaption(w, dc, s, false, 0, false, text, caption);
}

void TxbBarItemControlStandardPainter::PaintLoweredFrame(win::HDC dc, win::TRect& rect) const {
    win::DrawEdge(dc, &rect, win::BDR_SUNKENOUTER, win::BF_RECT);
    win::InflateRect(&rect, -1, -1);
}

void TxbBarItemControlStandardPainter::DrawGlyphFrame(const TxbPaintWindow& w, win::HDC dc,
                                                      const TxbItemPaintState& s, bool framed,
                                                      win::TRect& rect) const {
    if (framed)
        win::DrawEdge(dc, &rect, (s.Down || s.Pressed) ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
    else
        win::FrameRect(dc, &rect, w.Brush);
    win::InflateRect(&rect, -1, -1);
    win::FillRect(dc, &rect, w.Brush);
}

win::HBRUSH TxbBarItemControlStandardPainter::GetItemBackgroundBrush(const TxbPaintWindow& w,
                                                                    const TxbItemPaintState& s) const {
    if (s.Down && s.Enabled)
        return s.Selected ? w.FaceBrush : w.SecondaryBrush;
    if (s.Selected && !s.Down && !s.HasGlyph && w.IsMenu)
        return w.SelectionBrush;
    return w.Brush;
}

void TxbBarItemControlStandardPainter::DrawMarkChevron(const TxbPaintBar& bar, win::HDC dc, int32_t position,
                                                       const win::TRect& rect) const {
    win::COLORREF light = win::GetSysColor(win::COLOR_BTNHIGHLIGHT), shadow = win::GetSysColor(win::COLOR_BTNSHADOW);
    if (!bar.IsVertical()) {
        int x = position, t = rect.Top;
        LineIncl(dc, x - 1, t + 1, x + 2, t + 4, light);
        LineIncl(dc, x + 3, t + 4, x - 1, t + 8, light);
        LineIncl(dc, x, t + 1, x + 2, t + 3, shadow);
        LineIncl(dc, x + 2, t + 4, x - 1, t + 7, shadow);
        return;
    }
    // The same shape turned to point down, near the right edge.
    int y = position, r = rect.Right - 1;
    LineIncl(dc, r - 1, y, r - 3, y + 2, shadow);
    LineIncl(dc, r - 4, y + 2, r - 7, y - 1, shadow);
    LineIncl(dc, r - 1, y - 1, r - 4, y + 2, light);
    LineIncl(dc, r - 4, y + 3, r - 8, y - 1, light);
}

void TxbBarItemControlStandardPainter::PaintMarkBackground(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                                          const win::TRect& rect) const {
    DrawItemBackground(bar.Window, dc, false, brush, rect);
}

win::TRect TxbBarItemControlStandardPainter::CalcBarMarkRect(const TxbPaintBar& bar) const {
    int w = bar.ClientWidth, h = bar.ClientHeight;
    if (bar.DockingStyle == 0)
        return {bar.CaptionRect.Left, bar.CaptionRect.Top, bar.CaptionRect.Left + 13, bar.CaptionRect.Bottom};
    if (bar.IsVertical())
        return {w - 9, h - 11, w, h};
    return {w - 11, 0, w, 9};
}

void TxbBarItemControlStandardPainter::PaintCaptionCloseButton(const TxbPaintBar& bar, win::HDC dc, win::TRect rect,
                                                              bool pressed) const {
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(GetCaptionColor(nullptr, true))));
    win::FrameRect(dc, &rect, brush);
    win::DeleteObject(brush);
    win::InflateRect(&rect, -1, -1);
    win::DrawFrameControl(dc, &rect, win::DFC_CAPTION, win::DFCS_CAPTIONCLOSE | (pressed ? win::DFCS_PUSHED : 0));
}

void TxbBarItemControlStandardPainter::DrawGripBar(win::HDC dc, const win::TRect& rect, bool vertical) const {
    win::TRect r = rect;
    win::DrawEdge(dc, &r, win::BDR_RAISEDINNER, win::BF_RECT);
    win::TRect inside = rect;
    win::InflateRect(&inside, -1, -1);
    win::FillRect(dc, &inside, win::GetSysColorBrush(win::COLOR_BTNFACE));
    if (vertical)
        win::SetPixel(dc, rect.Right - 1, rect.Top, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    else
        win::SetPixel(dc, rect.Left, rect.Bottom - 1, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    win::ExcludeClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TxbBarItemControlStandardPainter::PaintDockedFrame(const TxbPaintBar& bar, win::HDC dc, win::TRect rect) const {
    win::DrawEdge(dc, &rect, win::BDR_RAISEDINNER, win::BF_RECT);
    win::InflateRect(&rect, -2, -2);
    if (!bar.CanMove)
        return;
    int indent = GetGripIndent(), width = GetGripBarWidth();
    bool vertical = bar.IsVertical();
    for (int i = 0; i < 2; ++i) {
        int at = indent + i * width;
        win::TRect grip = vertical ? win::TRect{rect.Left, rect.Top + at, rect.Right, rect.Top + at + width}
                                   : win::TRect{rect.Left + at, rect.Top, rect.Left + at + width, rect.Bottom};
        DrawGripBar(dc, grip, vertical);
    }
}

void TxbBarItemControlStandardPainter::PaintFloatingFrame(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                                         int32_t borderWidth, win::TRect rect) const {
    win::DrawEdge(dc, &rect, win::EDGE_RAISED, win::BF_RECT);
    win::InflateRect(&rect, -2, -2);
    win::HBRUSH face = win::GetSysColorBrush(win::COLOR_BTNFACE);
    for (int i = 0; i < 2; ++i) {
        win::FrameRect(dc, &rect, face);
        win::InflateRect(&rect, -1, -1);
    }
}

void TxbBarItemControlStandardPainter::PaintMenuBarCaptionButton(win::HDC dc, int32_t kind, const win::TRect& rect,
                                                                bool selected, bool pressed, bool inactive,
                                                                bool flat) const {
    win::UINT state = kind == 0 ? win::DFCS_CAPTIONMIN : kind == 1 ? win::DFCS_CAPTIONRESTORE : win::DFCS_CAPTIONCLOSE;
    if (inactive)
        state |= win::DFCS_INACTIVE;
    else if (selected && pressed && !flat)
        state |= win::DFCS_PUSHED;
    win::TRect r = rect;
    if (!flat || kind != 2) {
        win::DrawFrameControl(dc, &r, win::DFC_CAPTION, state);
        return;
    }
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::IntersectClipRect(dc, rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1);
    win::DrawFrameControl(dc, &r, win::DFC_CAPTION, state | win::DFCS_FLAT);
    RestoreDCClipRegion(dc, saved, had);
    r = rect;
    win::DrawEdge(dc, &r, (selected && pressed) ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
}

void TxbBarItemControlStandardPainter::PaintDropDownButtonPart(const TxbPaintWindow& w, win::HDC dc,
                                                               const TxbItemPaintState& s,
                                                               const win::TRect& rect) const {
    DrawItemBackground(w, dc, !KeepsWindowBackgroundPressed() || s.RarelyUsed, GetItemBackgroundBrush(w, s), rect);
    // The part is active while the button is hot or its menu is open, pressed while the menu is open.
    const bool pressed = s.Down || s.Pressed;
    if (s.Selected || pressed) {
        win::TRect edge = rect;
        win::DrawEdge(dc, &edge, pressed ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
    } else if (w.IsMenu) {
        win::TRect divider{rect.Left - 1, rect.Top, rect.Left + 1, rect.Bottom};
        win::DrawEdge(dc, &divider, win::EDGE_ETCHED, win::BF_LEFT | win::BF_RIGHT);
    }
    win::TRect arrow = rect;
    if (w.IsMenu) {
        if (pressed)
            win::OffsetRect(&arrow, 1, 1);
        DrawArrowGlyph(dc, arrow, w.ArrowSize, false, s.Enabled, s.Selected);
        return;
    }
    if (pressed && RectWidth(rect) > 9)
        win::OffsetRect(&arrow, 1, 1);
    // On toolbars the arrow keeps the button text colour while hot: the face stays the button face.
    DrawArrow(dc, arrow, true, s.Enabled, false);
}

win::TRect TxbBarItemControlStandardPainter::PaintComboButton(const TxbPaintWindow& w, win::HDC dc,
                                                              const TxbItemPaintState& s, bool droppedDown,
                                                              int32_t comboButtonWidth, vcl::TColor textColor,
                                                              win::HBRUSH brush, const win::TRect& rect) const {
    const win::TRect button{rect.Right - comboButtonWidth, rect.Top, rect.Right, rect.Bottom};
    win::TRect r = button;
    win::HBRUSH border;
    if (s.Selected && s.Enabled) {
        win::DrawEdge(dc, &r, droppedDown ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
        border = w.Brush;
    } else {
        border = s.Enabled ? win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT) : w.Brush;
        win::FrameRect(dc, &r, border);
    }
    const win::TRect column{button.Left - 1, button.Top, button.Left, button.Bottom};
    win::FillRect(dc, &column, border);
    win::InflateRect(&r, -1, -1);
    win::FillRect(dc, &r, brush ? brush : w.Brush);
    int32_t size = comboButtonWidth / 2;
    if (size % 2 == 0)
        ++size;
    const int32_t shift = droppedDown ? 1 : 0;
    const int32_t x = button.Left + (comboButtonWidth - size) / 2 + shift;
    const int32_t y = button.Top + (RectHeight(button) - (size / 2 + 1)) / 2 + shift;
    DrawDownTriangle(dc, x, y, size, s.Enabled, win::COLORREF(vcl::ColorToRGB(textColor)));
    return button;
}

void TxbBarItemControlStandardPainter::PaintRarelyUsedItemFrame(const TxbPaintMenu& menu, win::HDC dc,
                                                                const TxbRarelyUsedRow& row) const {
    const win::TRect& r = row.Rect;
    win::HBRUSH band = menu.Window.Brush ? menu.Window.Brush : win::GetSysColorBrush(win::COLOR_BTNFACE);
    auto fill = [dc](win::TRect area, win::HBRUSH brush) { win::FillRect(dc, &area, brush); };
    const win::COLORREF highlight = win::GetSysColor(win::COLOR_BTNHIGHLIGHT);
    if (row.StartsRun) {
        const bool aboveSeparator = !row.RarelyUsed && row.SeparatorRect.Bottom > row.SeparatorRect.Top;
        const int32_t y = (aboveSeparator ? row.SeparatorRect.Top : r.Top) - 1;
        fill({r.Left - row.Indent, y, r.Right + 1, y + 1},
             win::GetSysColorBrush(row.RarelyUsed ? win::COLOR_BTNSHADOW : win::COLOR_BTNHIGHLIGHT));
    }
    if (!row.RarelyUsed)
        return;
    if (row.First && !menu.Detachable) {
        fill({r.Left - row.Indent, r.Top - 1, r.Right + 2, r.Top}, band);
        win::SetPixel(dc, r.Right + 1, r.Top - 2, highlight);
    }
    fill({r.Left - row.Indent, r.Top, r.Left, r.Bottom}, band);
    fill({r.Right, r.Top, r.Right + 2, r.Bottom}, band);
    if (row.Last) {
        fill({r.Left - row.Indent, r.Bottom, r.Right + 2, menu.ClientHeight}, band);
        if (row.Indent > 0)
            win::SetPixel(dc, r.Left - 2, menu.ClientHeight - 1, highlight);
    }
}

void TxbBarItemControlStandardPainter::SetEditMargins(win::HWND edit) const {
    win::SendMessage(edit, win::EM_SETMARGINS, win::EC_LEFTMARGIN | win::EC_RIGHTMARGIN, win::MAKELPARAM(2, 2));
}

void TxbBarItemControlStandardPainter::DrawDropDownListBorder(win::HDC dc, const win::TRect& rect) const {
    win::TRect r = rect;
    win::DrawEdge(dc, &r, win::EDGE_RAISED, win::BF_RECT);
}

void TxbBarItemControlStandardPainter::OffsetPressedGlyph(TxbBarItemControl* control, bool pressed,
                                                          win::TRect& rect) const {
    auto* button = dynamic_cast<TxbBarButtonControl*>(control);
    int32_t offset = button && button->GetDown() ? 1 : 0;
    if (pressed)
        ++offset;
    win::OffsetRect(&rect, offset, offset);
}

void TxbBarItemControlStandardPainter::OffsetPressedCaption(bool pressed, win::TRect& rect) const {
    if (pressed)
        win::OffsetRect(&rect, 1, 1);
}

// ---- Enhanced

void TxbBarItemControlEnhancedPainter::DrawMarkChevron(const TxbPaintBar& bar, win::HDC dc, int32_t position,
                                                       const win::TRect& rect) const {
    win::COLORREF text = win::GetSysColor(win::COLOR_BTNTEXT);
    int small = IsSmallButton(rect) ? 1 : 0;
    // A two-pixel ">" (or "v") six pixels long.
    for (int i = 0; i < 6; ++i) {
        int d = i < 3 ? i : 5 - i;
        if (!bar.IsVertical()) {
            int y = rect.Top + 4 - small + i;
            win::SetPixel(dc, position + d, y, text);
            win::SetPixel(dc, position + d + 1, y, text);
        } else {
            int x = rect.Right - 8 + i;
            win::SetPixel(dc, x, position + d, text);
            win::SetPixel(dc, x, position + d + 1, text);
        }
    }
}

void TxbBarItemControlEnhancedPainter::PaintMarkBackground(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                                          const win::TRect& rect) const {
    win::TRect r = rect;
    if (bar.MarkState == 1)
        win::DrawEdge(dc, &r, win::BDR_RAISEDINNER, win::BF_RECT);
    else if (bar.MarkState == 2)
        win::DrawEdge(dc, &r, win::BDR_SUNKENOUTER, win::BF_RECT);
    else
        win::FrameRect(dc, &r, brush ? brush : bar.Window.Brush);
    win::InflateRect(&r, -1, -1);
    DrawItemBackground(bar.Window, dc, false, brush, r);
}

void TxbBarItemControlEnhancedPainter::PaintMarkChevrons(const TxbPaintBar& bar, win::HDC dc,
                                                        const win::TRect& rect) const {
    int colour = GetMarkArrowColorIndex();
    if (!bar.IsVertical())
        DrawTriangle(dc, colour, 5, rect.Left + 3, rect.Bottom - 7 + (IsSmallButton(rect) ? 1 : 0));
    else {
        // A right-pointing triangle 3 wide and 5 high.
        win::COLORREF c = win::GetSysColor(colour);
        int x = rect.Left + 5, y = rect.Top + 3;
        for (int i = 0; i < 3; ++i)
            for (int j = i; j < 5 - i; ++j)
                win::SetPixel(dc, x + i, y + j, c);
    }
    TxbBarItemControlPainter::PaintMarkChevrons(bar, dc, rect);
}

win::TRect TxbBarItemControlEnhancedPainter::CalcBarMarkRect(const TxbPaintBar& bar) const {
    int w = bar.ClientWidth, h = bar.ClientHeight;
    if (bar.DockingStyle == 0)
        return TxbBarItemControlStandardPainter::CalcBarMarkRect(bar);
    if (bar.IsVertical())
        return {0, h - 11, w, h};
    return {w - 11, 0, w, h};
}

void TxbBarItemControlEnhancedPainter::PaintDockedFrame(const TxbPaintBar& bar, win::HDC dc, win::TRect rect) const {
    win::DrawEdge(dc, &rect, win::BDR_RAISEDINNER, win::BF_RECT);
    win::InflateRect(&rect, -2, -2);
    if (!bar.CanMove)
        return;
    int indent = GetGripIndent(), width = GetGripBarWidth();
    win::TRect grip = bar.IsVertical()
                          ? win::TRect{rect.Left + 1, rect.Top + indent, rect.Right - 1, rect.Top + indent + width}
                          : win::TRect{rect.Left + indent, rect.Top + 1, rect.Left + indent + width, rect.Bottom - 1};
    DrawGripBar(dc, grip, bar.IsVertical());
}

} // namespace bars
