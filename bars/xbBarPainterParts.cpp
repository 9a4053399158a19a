// The base painter's remaining parts: sub items, split-button arrow parts, combo buttons, edits, spin, text
// and ellipsis buttons, caption items, the floating caption, the status bar's size grip and border, and the
// menu window's content around its rows and its border.
#include "bars/xbBarDraw.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarUtils.h"
#include "bars/xbBars.h"
#include "lookandfeel/xbCommon.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>

namespace bars {

namespace {

win::COLORREF SysColor(int index) { return win::GetSysColor(index); }

// The extent of a text in a font (the screen's device context).
win::SIZE TextExtent(win::HFONT font, const std::string& text) {
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = font ? win::SelectObject(dc, font) : nullptr;
    win::SIZE size{0, 0};
    win::GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
    if (old)
        win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    return size;
}

int32_t FontHeight(win::HFONT font) {
    win::LOGFONT lf{};
    if (!font || !win::GetObject(font, sizeof(lf), &lf))
        return 8;
    return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

bool IsWhite(win::COLORREF c) { return (c & 0xFFFFFF) == 0xFFFFFF; }

} // namespace

void TxbBarItemControlPainter::DrawDownTriangle(win::HDC dc, int32_t x, int32_t y, int32_t size, bool enabled,
                                                win::COLORREF colour) {
    auto at = [&](int32_t d, win::COLORREF c) {
        const win::POINT pts[3] = {{x + d, y + d}, {x + d + size - 1, y + d}, {x + d + size / 2, y + d + size / 2}};
        FillTriangle(dc, pts, c);
    };
    if (enabled) {
        at(0, colour);
        return;
    }
    at(1, SysColor(win::COLOR_BTNHIGHLIGHT));
    at(0, SysColor(win::COLOR_BTNSHADOW));
}

void TxbBarItemControlPainter::FillTriangle(win::HDC dc, const win::POINT (&points)[3], win::COLORREF colour) {
    win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, colour);
    win::HBRUSH brush = win::CreateSolidBrush(colour);
    win::HGDIOBJ oldPen = win::SelectObject(dc, pen);
    win::HGDIOBJ oldBrush = win::SelectObject(dc, brush);
    win::Polygon(dc, points, 3);
    win::SelectObject(dc, oldBrush);
    win::SelectObject(dc, oldPen);
    win::DeleteObject(brush);
    win::DeleteObject(pen);
}

// ---- Sub items

int32_t TxbBarItemControlPainter::CalcSubItemHeightFor(const TxbPaintWindow& w, bool showsGlyph,
                                                       bool showsCaption) const {
    if (w.IsMenu)
        return w.MenuRowHeight;
    int32_t height = 0;
    if (showsGlyph)
        height = w.Rotated ? w.ButtonWidth : w.ButtonHeight;
    if (height == 0 || (showsCaption && height < w.TextRowHeight))
        height = w.TextRowHeight;
    return height;
}

int32_t TxbBarItemControlPainter::CalcSubItemWidthFor(const TxbPaintWindow& w, const std::string& caption,
                                                      bool showsGlyph, bool showsCaption, bool mainMenu) const {
    const int32_t captionWidth = TextExtent(w.Font, RemoveAccelChars(caption)).cx;
    if (w.IsMenu)
        return captionWidth + 2 * w.MenuRowHeight + 3;
    int32_t width = showsCaption ? captionWidth : 0;
    if (showsGlyph) {
        width += w.Rotated ? w.ButtonHeight : w.ButtonWidth;
        if (showsCaption)
            width += 4;
    } else {
        width += 2 * w.ArrowSize;
    }
    if (!mainMenu)
        width += w.TextRowHeight / 2;
    return width;
}

void TxbBarItemControlPainter::PaintSubItem(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                            const win::TRect& rect, const std::string& caption,
                                            const TxbGlyphSource& glyph, bool mainMenu, bool mainMenuBarItem) const {
    const int32_t fontHalf = FontHeight(w.Font) / 2;
    if (w.IsMenu) {
        PaintMenuButton(w, dc, s, rect, caption, glyph);
        const int32_t size = w.ArrowSize;
        const int32_t left = rect.Right + size - w.MenuRowHeight;
        DrawArrowGlyph(dc, {left, rect.Top, left + size, rect.Bottom}, size, false, s.Enabled, s.Selected);
        return;
    }
    PaintItemGlyph(w, dc, rect, s, s.CaptionOnly ? TxbGlyphSource{} : glyph);
    win::TRect text = rect;
    const int32_t glyphPart = s.CaptionOnly ? w.ArrowSize : (w.Vertical ? w.ButtonHeight : w.ButtonWidth);
    if (w.Vertical)
        text.Top += glyphPart;
    else
        text.Left += glyphPart;
    if ((s.Pressed || s.Down) && !mainMenuBarItem)
        win::OffsetRect(&text, 1, 1);
    PaintItemCaption(w, dc, s, mainMenuBarItem, 0, true, text, caption, w.Rotated);
    if (mainMenu)
        return;
    const int32_t size = w.ArrowSize - 1;
    if (w.Vertical) {
        const int32_t top = rect.Bottom - fontHalf - w.TextRowHeight / 2;
        DrawArrowGlyph(dc, {rect.Left, top, rect.Right, top + 2 * size - 1}, size, false, s.Enabled, s.Selected);
    } else {
        const int32_t left = rect.Right - fontHalf - w.TextRowHeight / 2;
        DrawArrowGlyph(dc, {left, rect.Top, left + 2 * size - 1, rect.Bottom}, size, true, s.Enabled, s.Selected);
    }
}

// ---- Combo buttons and edits

win::TRect TxbBarItemControlPainter::PaintComboButton(const TxbPaintWindow&, win::HDC, const TxbItemPaintState&, bool,
                                                      int32_t comboButtonWidth, vcl::TColor, win::HBRUSH,
                                                      const win::TRect& rect) const {
    return {rect.Right - comboButtonWidth, rect.Top, rect.Right, rect.Bottom};
}

void TxbBarItemControlPainter::PaintEditFrame(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                              bool active, win::TRect& rect) const {
    if (active)
        win::DrawEdge(dc, &rect, win::BDR_SUNKENOUTER, win::BF_RECT);
    else
        FrameItemBackground(w, dc, s.RarelyUsed, w.Brush, rect);
    win::InflateRect(&rect, -1, -1);
    win::HBRUSH inner = s.Enabled ? w.Brush : win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT);
    FrameItemBackground(w, dc, active || s.RarelyUsed || !s.Enabled, inner, rect);
    win::InflateRect(&rect, -1, -1);
}

void TxbBarItemControlPainter::PaintEdit(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                         bool active, const win::TRect& rect, const std::string& caption) const {
    const int32_t captionWidth = CalcEditCaptionWidth(TextExtent(w.Font, RemoveAccelChars(caption)).cx);
    const win::TRect part{rect.Left, rect.Top, std::min(rect.Right, rect.Left + captionWidth + 2), rect.Bottom};
    const bool menuActive = w.IsMenu && active;
    DrawItemBackground(w, dc, menuActive || s.RarelyUsed, menuActive ? w.SelectionBrush : w.Brush, part);
    TxbItemPaintState caption2 = s;
    caption2.Selected = menuActive;
    PaintItemCaption(w, dc, caption2, false, 2, true, part, caption);
    const win::TRect gap{part.Right, rect.Top, std::min(rect.Right, part.Right + 4), rect.Bottom};
    DrawItemBackground(w, dc, w.IsMenu && s.RarelyUsed, w.Brush, gap);
}

void TxbBarItemControlPainter::GetEditColors(const TxbPaintWindow& w, bool enabled, win::COLORREF& text,
                                             win::COLORREF& background) const {
    if (enabled) {
        text = SysColor(win::COLOR_WINDOWTEXT);
        background = SysColor(win::COLOR_WINDOW);
        return;
    }
    text = SysColor(win::COLOR_GRAYTEXT);
    win::LOGBRUSH lb{};
    background = w.Brush && win::GetObject(w.Brush, sizeof(lb), &lb) ? lb.lbColor : SysColor(win::COLOR_BTNFACE);
}

void TxbBarItemControlPainter::DrawEditValue(win::HDC dc, win::TRect rect, win::HBRUSH brush,
                                             const std::string& text) const {
    win::FillRect(dc, &rect, brush);
    rect.Left += 2;
    rect.Right -= 2;
    AdjustMenuCaptionIndent(rect);
    const int oldMode = win::SetBkMode(dc, win::TRANSPARENT);
    std::string copy = text;
    win::DrawText(dc, copy, &rect, win::DT_NOPREFIX);
    win::SetBkMode(dc, oldMode);
}

void TxbBarItemControlPainter::PaintEditText(const TxbPaintWindow& w, win::HDC dc, bool enabled,
                                             const win::TRect& rect, const std::string& text) const {
    win::COLORREF textColour, background;
    GetEditColors(w, enabled, textColour, background);
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    win::HGDIOBJ oldFont = w.Font ? win::SelectObject(dc, w.Font) : nullptr;
    const win::COLORREF oldText = win::SetTextColor(dc, textColour);
    win::HBRUSH brush = win::CreateSolidBrush(background);
    DrawEditValue(dc, rect, brush, text);
    win::DeleteObject(brush);
    win::SetTextColor(dc, oldText);
    if (oldFont)
        win::SelectObject(dc, oldFont);
    RestoreDCClipRegion(dc, saved, had);
}

void TxbBarItemControlPainter::DrawComboListItem(win::HDC dc, const win::TRect& rect, const std::string& text) const {
    win::ExtTextOut(dc, rect.Left + 2, rect.Top, win::ETO_OPAQUE, &rect, text.c_str(), win::UINT(text.size()),
                    nullptr);
}

void TxbBarItemControlPainter::SelectEditText(win::HWND edit, bool) const {
    win::SendMessage(edit, win::EM_SETSEL, 0, -1);
}

// ---- Ellipsis, text, spin and caption parts

void TxbBarItemControlPainter::DrawEllipsisButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                                  win::TRect& inner, const win::TRect& rect) const {
    win::TRect r = rect;
    FrameItemBackground(w, dc, false, w.Brush, r);
    win::InflateRect(&r, -1, -1);
    win::TRect lower = r;
    win::OffsetRect(&lower, 0, 1);
    FrameItemBackground(w, dc, false, w.Brush, lower);
    inner = r;
    win::TRect frame = r;
    DrawGlyphFrame(w, dc, s, s.Pressed || s.Selected, frame);
    const int32_t width = RectWidth(inner), dot = std::max(1, width / 7);
    const int32_t top = inner.Bottom - 2 * dot - 1;
    const int32_t left = inner.Left + (width - 5 * dot) / 2;
    if (!s.Enabled) {
        for (int i = 0; i < 3; ++i)
            DrawSeparatorLine(dc, {left + 2 * i * dot, top, left + (2 * i + 1) * dot, top + dot});
        return;
    }
    const bool whiteFace = IsWhite(SysColor(win::COLOR_BTNFACE));
    win::HBRUSH ink = win::GetSysColorBrush(s.Selected && whiteFace ? win::COLOR_BTNFACE : win::COLOR_BTNTEXT);
    for (int i = 0; i < 3; ++i) {
        const win::TRect d{left + 2 * i * dot, top, left + (2 * i + 1) * dot, top + dot};
        win::FillRect(dc, &d, ink);
    }
}

void TxbBarItemControlPainter::DrawTextButton(win::HDC dc, bool pressed, const std::string& text,
                                              const win::TRect& rect) const {
    win::TRect r = rect;
    if (pressed) {
        win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONPUSH | win::DFCS_PUSHED);
    } else {
        auto fill = [dc](win::TRect line, int index) { win::FillRect(dc, &line, win::GetSysColorBrush(index)); };
        const int32_t l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
        fill({l, t, rr, t + 1}, win::COLOR_BTNFACE);
        fill({l, t, l + 1, b}, win::COLOR_BTNFACE);
        fill({l, b - 1, rr, b}, win::COLOR_BTNTEXT);
        fill({rr - 1, t, rr, b}, win::COLOR_BTNTEXT);
        fill({l + 1, t + 1, rr - 1, t + 2}, win::COLOR_BTNHIGHLIGHT);
        fill({l + 1, t + 1, l + 2, b - 1}, win::COLOR_BTNHIGHLIGHT);
        fill({l + 1, b - 2, rr - 1, b - 1}, win::COLOR_BTNSHADOW);
        fill({rr - 2, t + 1, rr - 1, b - 1}, win::COLOR_BTNSHADOW);
        fill({rr - 2, t + 1, rr - 1, t + 2}, win::COLOR_BTNFACE);
        fill({l + 2, t + 2, rr - 2, b - 2}, win::COLOR_BTNFACE);
    }
    DrawPlainText(dc, rect, false, text, pressed ? 1 : 0);
}

void TxbBarItemControlPainter::DrawSpinArrow(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                             bool up, const win::TRect& rect, int32_t splitY, int32_t size,
                                             int32_t offset) const {
    win::TRect part = up ? win::TRect{rect.Left, rect.Top, rect.Right, splitY}
                         : win::TRect{rect.Left, splitY, rect.Right, rect.Bottom};
    win::TRect frame = part;
    DrawGlyphFrame(w, dc, s, s.Pressed || s.Selected, frame);
    const int32_t height = size / 2 + 1;
    int32_t x = part.Left + offset;
    int32_t y = part.Top + (RectHeight(part) - height) / 2;
    if (s.Pressed) {
        ++x;
        ++y;
    }
    auto draw = [&](int32_t dx, win::COLORREF colour) {
        const win::POINT downPts[3] = {{x + dx, y + dx}, {x + dx + size - 1, y + dx}, {x + dx + size / 2, y + dx + size / 2}};
        const win::POINT upPts[3] = {{x + dx, y + dx + size / 2}, {x + dx + size - 1, y + dx + size / 2},
                                     {x + dx + size / 2, y + dx}};
        FillTriangle(dc, up ? upPts : downPts, colour);
    };
    if (s.Enabled) {
        draw(0, SysColor(win::COLOR_BTNTEXT));
        return;
    }
    draw(1, SysColor(win::COLOR_BTNHIGHLIGHT));
    draw(0, SysColor(win::COLOR_BTNSHADOW));
}

void TxbBarItemControlPainter::DrawCaptionItem(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                               const win::TRect& rect, const std::string& caption,
                                               bool arrowDown) const {
    DrawItemBackground(w, dc, true, w.Brush, {rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom});
    const win::TRect body{rect.Left, rect.Top, rect.Right, rect.Bottom - 1};
    win::FillRect(dc, &body, s.Selected && w.SelectionBrush ? w.SelectionBrush : GetStaticBrush());
    win::TRect text = body;
    text.Left += 5;
    PaintItemCaption(w, dc, s, false, 0, true, text, caption);
    if (!s.Enabled)
        return;
    const int32_t size = std::max(3, RectHeight(body) / 4);
    const int32_t across = arrowDown ? 2 * size - 1 : size;
    DrawArrowGlyph(dc, {body.Right - across - 4, body.Top, body.Right - 4, body.Bottom}, size, arrowDown, s.Enabled,
                   s.Selected);
}

// ---- The floating caption and the status bar

void TxbBarItemControlPainter::PaintFloatingCaption(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                                    const win::TRect& rect) const {
    const win::TRect line{rect.Left, rect.Bottom, rect.Right, rect.Bottom + 1};
    win::FillRect(dc, &line, brush ? brush : bar.Window.Brush);
    if (HasThemedCaption())
        FillCaption(nullptr, dc, brush, rect);
    win::TRect r = rect;
    if (bar.ShowsCloseButton) {
        const win::TRect close{r.Right - GetSmallCaptionHeight(), r.Top, r.Right, r.Bottom};
        r.Right = close.Left;
        PaintCaptionCloseButton(bar, dc, close, bar.CloseButtonState == 2);
    }
    TxbPaintBar floating = bar;
    floating.DockingStyle = 0;
    floating.CaptionRect = rect;
    const win::TRect mark = bar.ShowsMark ? CalcBarMarkRect(floating) : win::TRect{};
    const int32_t textLeft = bar.ShowsMark ? PlaceCaptionText(floating, mark) : r.Left + 2;
    win::LOGFONT lf = GetFloatingCaptionFont(bar.UseSystemFont, bar.Window.Font);
    win::HFONT font = win::CreateFontIndirect(&lf);
    win::HGDIOBJ oldFont = win::SelectObject(dc, font);
    const win::COLORREF oldText =
        win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(GetCaptionTextColor(nullptr))));
    const win::COLORREF oldBk = win::SetBkColor(dc, win::COLORREF(vcl::ColorToRGB(GetCaptionColor(nullptr, bar.Active))));
    const int oldMode = win::SetBkMode(dc, HasThemedCaption() ? win::TRANSPARENT : win::OPAQUE);
    win::SIZE extent{0, 0};
    win::GetTextExtentPoint32(dc, bar.Caption.c_str(), int(bar.Caption.size()), &extent);
    const win::UINT options = win::ETO_CLIPPED | (HasThemedCaption() ? 0 : win::ETO_OPAQUE);
    win::ExtTextOut(dc, textLeft, r.Top + (RectHeight(r) - extent.cy) / 2, options, &r, bar.Caption.c_str(),
                    win::UINT(bar.Caption.size()), nullptr);
    win::SetBkMode(dc, oldMode);
    win::SetBkColor(dc, oldBk);
    win::SetTextColor(dc, oldText);
    win::SelectObject(dc, oldFont);
    win::DeleteObject(font);
    if (bar.ShowsMark) {
        PaintCaptionButton(bar.Window, dc, bar.MarkState, mark, bar.Active);
        DrawDropDownArrow(dc, mark, win::COLORREF(vcl::ColorToRGB(GetCaptionButtonColor(nullptr, bar.MarkState))));
    }
}

void TxbBarItemControlPainter::DrawSizeGripGlyph(const TxbPaintWindow& w, win::HDC dc, win::HBRUSH brush,
                                                 const win::TRect& rect) const {
    DrawItemBackground(w, dc, false, brush, rect);
    DrawTransparentSizeGrip(dc, rect);
}

void TxbBarItemControlPainter::PaintSizeGrip(const TxbPaintWindow& w, win::HDC dc, win::HBRUSH brush,
                                             const win::TRect& rect) const {
    const int32_t gripHeight = GetSizeGripSize(w.Manager).cy;
    const int32_t top = std::max(rect.Top, rect.Bottom - gripHeight);
    if (top > rect.Top)
        DrawItemBackground(w, dc, false, brush, {rect.Left, rect.Top, rect.Right, top});
    DrawSizeGripGlyph(w, dc, brush, {rect.Left, top, rect.Right, rect.Bottom});
}

// ---- Menus

void TxbBarItemControlPainter::PaintMenuContent(const TxbPaintMenu& menu, win::HDC dc,
                                                const TxbMenuContent& content) const {
    const TxbPaintWindow& w = menu.Window;
    const bool scrolls = content.HiddenAbove || content.HiddenBelow;
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    auto resetClip = [&] {
        RestoreDCClipRegion(dc, saved, had);
        SaveDCClipRegion(dc, saved, had);
    };
    if (content.HiddenAbove) {
        DrawMenuScrollArrow(menu, dc, true, content.FirstRect);
        DrawItemBackground(w, dc, false, nullptr, content.FirstRect);
        resetClip();
    }
    const win::TRect last = content.LastRect;
    if (content.HiddenBelow) {
        DrawMenuScrollArrow(menu, dc, false, last);
        win::TRect below = last;
        if (content.LastStartsRun) {
            win::HBRUSH line = win::GetSysColorBrush(content.LastRarelyUsed ? win::COLOR_BTNSHADOW : win::COLOR_BTNHIGHLIGHT);
            DrawItemBackground(w, dc, true, line, {last.Left - 1, last.Top, last.Right + 1, last.Top + 1});
            below.Top += 1;
        }
        DrawItemBackground(w, dc, false, nullptr, below);
    }
    const int32_t left = menu.SideBarWidth + 2, right = menu.ClientWidth - 2;
    int32_t bottom = menu.ClientHeight - GetMenuFrameWidth();
    if (menu.ShowsExpandButton)
        bottom -= w.MenuRowHeight;
    if (last.Bottom < bottom)
        DrawItemBackground(w, dc, false, nullptr, {left, last.Bottom, right, bottom});
    if (scrolls)
        resetClip();
    if (menu.ShowsExpandButton) {
        const int32_t m = GetMenuScrollArrowHeight();
        const win::TRect expand{menu.SideBarWidth + m, menu.ClientHeight - m - menu.ExpandRowHeight,
                                menu.ClientWidth - m, menu.ClientHeight - m};
        if (bottom < expand.Top)
            DrawItemBackground(w, dc, false, nullptr, {left, bottom, right, expand.Top});
        win::TRect row = expand;
        if (menu.ExpandHot) {
            win::DrawEdge(dc, &row, win::BDR_RAISEDINNER, win::BF_RECT);
            win::InflateRect(&row, -1, -1);
            win::HPALETTE oldPalette = nullptr;
            if (menu.LightPalette) {
                oldPalette = win::SelectPalette(dc, menu.LightPalette, false);
                win::RealizePalette(dc);
            }
            DrawItemBackground(w, dc, menu.LightBrush != nullptr, menu.LightBrush, row);
            if (oldPalette)
                win::SelectPalette(dc, oldPalette, false);
        } else {
            DrawItemBackground(w, dc, false, nullptr, row);
        }
        DrawMenuExpandArrow(menu, dc, menu.ExpandHot, expand);
    }
    RestoreDCClipRegion(dc, saved, had);
}

void TxbBarItemControlPainter::PaintMenuBorder(const TxbPaintMenu& menu, win::HDC dc, win::TRect rect,
                                               const win::TRect& detachRect) const {
    win::HBRUSH face = win::GetSysColorBrush(win::COLOR_BTNFACE);
    const win::TRect column{rect.Left, rect.Top, rect.Left + 1, rect.Bottom - 1};
    const win::TRect top{rect.Left, rect.Top, rect.Right, rect.Top + 1};
    win::FillRect(dc, &column, face);
    win::FillRect(dc, &top, face);
    win::TRect edge = rect;
    win::DrawEdge(dc, &edge, win::BDR_RAISEDOUTER, win::BF_RIGHT | win::BF_BOTTOM);
    if (!menu.Detachable)
        return;
    win::InflateRect(&rect, -1, -1);
    edge = rect;
    win::DrawEdge(dc, &edge, win::BDR_RAISEDINNER, win::BF_LEFT | win::BF_TOP | win::BF_RIGHT);
    win::InflateRect(&rect, -1, -1);
    rect.Bottom = rect.Top + GetDetachBarHeight(menu) - 1;
    win::FrameRect(dc, &rect, face);
    win::TRect bar = detachRect;
    if (bar.Right <= bar.Left || bar.Bottom <= bar.Top) {
        bar = rect;
        win::InflateRect(&bar, -1, -1);
    }
    DrawDetachBar(menu, dc, bar);
}

// ---- Borders, menus' client rects and backgrounds, drop-down windows

void TxbBarItemControlPainter::DrawBorderEdge(win::HDC dc, int32_t style, int32_t width, win::TRect& rect) const {
    win::UINT edge = 0;
    switch (style) {
    case 1: edge = win::BDR_SUNKENOUTER; break;
    case 2: edge = win::BDR_RAISEDINNER; break;
    case 3: edge = win::EDGE_ETCHED; break;
    case 4: {
        win::TRect r = rect;
        win::DrawEdge(dc, &r, win::BDR_RAISEDINNER, win::BF_RECT);
        win::InflateRect(&rect, -1, -1);
        r = rect;
        win::DrawEdge(dc, &r, win::BDR_SUNKENOUTER, win::BF_RECT);
        win::InflateRect(&rect, -1, -1);
        return;
    }
    default: return;
    }
    win::TRect r = rect;
    win::DrawEdge(dc, &r, edge, win::BF_RECT);
    win::InflateRect(&rect, -width, -width);
}

TxbBarItemControlPainter::TxbMenuClientRect TxbBarItemControlPainter::CalcMenuClientRect(const TxbPaintMenu& menu,
                                                                                          bool forLayout) const {
    TxbMenuClientRect result;
    const int32_t margin = menu.Detachable ? 0 : 2;
    result.Rect = {menu.SideBarWidth + 2, margin, menu.ClientWidth - 2, menu.ClientHeight - margin};
    if (forLayout) {
        result.Limit = menu.ClientHeight - 2;
        if (menu.ShowsExpandButton)
            result.Limit -= menu.Window.MenuRowHeight;
    }
    return result;
}

void TxbBarItemControlPainter::DrawMenuBackground(const TxbPaintMenu&, win::HDC dc, vcl::TColor color,
                                                  win::HBRUSH brush, const win::TRect& rect,
                                                  vcl::TBitmap* bitmap) const {
    FillRectOrTileBitmap(dc, rect, rect, bitmap, color, brush);
}

int32_t TxbBarItemControlPainter::GetGripStripHeight() const { return lookandfeel::GetDropDownGripBarHeight(); }

int32_t TxbBarItemControlPainter::CalcDropDownNCRect(win::TRect& rect, bool sizeGrip, const win::TRect& controlRect,
                                                     const win::TRect& dropDownRect) const {
    win::InflateRect(&rect, -1, -1);
    if (!sizeGrip)
        return 0;
    const int32_t corner = (controlRect.Bottom < dropDownRect.Bottom ? 2 : 0) + (controlRect.Left < dropDownRect.Right ? 1 : 0);
    const int32_t strip = GetGripStripHeight();
    if (corner >= 2)
        rect.Bottom -= strip;
    else
        rect.Top += strip;
    return corner;
}

void TxbBarItemControlPainter::DrawDropDownNC(win::HWND window, bool hasGripBar, int32_t corner, win::TRect& closeRect,
                                              win::TRect& gripRect, bool closeHot, bool closePressed) const {
    PaintDropDownNonClient(window, hasGripBar, IsFlatLike(), corner, closeRect, gripRect, closeHot, closePressed);
}

void TxbBarItemControlPainter::DrawMarkArrow(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const {
    const int32_t state = window ? window->GetMarkState() : 0;
    DrawDropDownArrow(dc, rect, win::COLORREF(vcl::ColorToRGB(GetCaptionButtonColor(window, state))));
}

void TxbBarItemControlPainter::InvalidateMark(TxbBarControl* window) const {
    if (!window || !window->HandleAllocated())
        return;
    if (window->GetDockingStyle() != dsNone) {
        const win::TRect mark = CalcMarkRect(window);
        win::InvalidateRect(window->GetHandle(), &mark, win::FALSE);
        return;
    }
    win::SendMessage(window->GetHandle(), win::WM_NCPAINT, 1, 0);
}

// ---- The windows' and item controls' requests

void TxbBarItemControlPainter::DrawDropDownButtonPart(TxbBarItemControl* control, win::HDC dc,
                                                      TxbItemDrawStates states, const win::TRect& rect) const {
    TxbPaintWindow w = MakePaintWindow(control ? control->GetWindow() : nullptr);
    w.IsMenu = states.Contains(idsInMenu) || w.IsMenu;
    PaintDropDownButtonPart(w, dc, MakePaintState(states, control && control->GetRarelyUsed()), rect);
}

void TxbBarItemControlPainter::PaintDropDownButtonPart(const TxbPaintWindow&, win::HDC, const TxbItemPaintState&,
                                                       const win::TRect&) const {}

namespace {

bool SubItemShowsCaption(TxbBarItemControl* control) {
    auto* sub = dynamic_cast<TCustomxbBarSubItem*>(control->GetItem());
    return !sub || sub->GetShowCaption() || control->GetPaintStyle() != psStandard;
}

bool SubItemShowsGlyph(TxbBarItemControl* control) {
    return control->GetPaintStyle() != psCaption && control->HasGlyph();
}

bool IsOnMainMenu(TxbBarItemControl* control) {
    auto* toolbar = dynamic_cast<TxbBarControl*>(control->GetWindow());
    return toolbar && toolbar->GetBar() && toolbar->GetBar()->GetIsMainMenu();
}

} // namespace

int32_t TxbBarItemControlPainter::GetSubItemArrowSize(TxbBarItemControl* control) const {
    return GetSubItemArrowSizeFor(control && control->GetWindow() ? control->GetWindow()->GetFont() : nullptr);
}

int32_t TxbBarItemControlPainter::CalcSubItemHeight(TxbBarItemControl* control) const {
    if (!control || !control->GetWindow())
        return 0;
    return CalcSubItemHeightFor(MakePaintWindow(control->GetWindow()), SubItemShowsGlyph(control),
                                SubItemShowsCaption(control));
}

int32_t TxbBarItemControlPainter::CalcSubItemWidth(TxbBarItemControl* control) const {
    if (!control || !control->GetWindow())
        return 0;
    return CalcSubItemWidthFor(MakePaintWindow(control->GetWindow()), control->GetCaption(),
                               SubItemShowsGlyph(control), SubItemShowsCaption(control), IsOnMainMenu(control));
}

void TxbBarItemControlPainter::DrawSubItem(TxbBarItemControl* control, win::HDC dc, TxbPaintType paintType, bool open,
                                           bool highlighted, const win::TRect& rect) const {
    if (!control || !control->GetWindow())
        return;
    TxbPaintWindow w = MakePaintWindow(control->GetWindow());
    w.IsMenu = paintType == ptMenu;
    TxbItemPaintState s;
    s.Enabled = control->GetEnabled();
    s.Selected = highlighted;
    s.Down = open;
    s.OpensMenu = true;
    s.HasGlyph = SubItemShowsGlyph(control);
    s.CaptionOnly = !s.HasGlyph;
    s.RarelyUsed = control->GetRarelyUsed();
    const std::string caption = SubItemShowsCaption(control) ? control->GetCaption() : std::string();
    PaintSubItem(w, dc, s, rect, caption, MakeGlyphSource(control, !w.IsMenu && w.LargeIcons), IsOnMainMenu(control),
                 IsMainMenuBarItem(control));
}

void TxbBarItemControlPainter::DrawComboButton(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                               const win::TRect& rect, win::TRect& buttonRect) const {
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    const TxbPaintWindow w = MakePaintWindow(window);
    int32_t textColor = 0;
    win::HBRUSH brush = nullptr;
    GetComboColors(control, states, textColor, brush);
    buttonRect = PaintComboButton(w, dc, MakePaintState(states, control && control->GetRarelyUsed()),
                                  states.Contains(idsDown), window ? window->GetComboButtonWidth() : 0,
                                  vcl::TColor(textColor), brush, rect);
}

void TxbBarItemControlPainter::DrawFloatingCaption(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                                   const win::TRect& rect) const {
    PaintFloatingCaption(MakePaintBar(window), dc, brush, rect);
}

void TxbBarItemControlPainter::DrawSizeGrip(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                            const win::TRect& rect) const {
    PaintSizeGrip(MakePaintWindow(window), dc, brush, rect);
}

void TxbBarItemControlPainter::DrawStatusBarBorder(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                                   const win::TRect& rect) const {
    DrawItemBackground(MakePaintWindow(window), dc, false, brush, rect);
}

TxbPaintMenu TxbBarItemControlPainter::MakePaintMenu(TxbBarSubMenuControl* menu) const {
    TxbPaintMenu m;
    m.Window = MakePaintWindow(menu);
    if (!menu)
        return m;
    m.Window.IsMenu = true;
    const win::TRect client = menu->GetClientRect();
    m.ClientWidth = RectWidth(client);
    m.ClientHeight = RectHeight(client);
    m.SideBarWidth = menu->GetBarSize();
    m.TextHeight = TextExtent(m.Window.Font, "0").cy;
    m.QqTextHeight = TextExtent(m.Window.Font, "Qq").cy;
    m.Detachable = menu->IsDetachable();
    m.DetachBarHot = menu->GetDetachHot();
    m.ShowsExpandButton = menu->HasMark();
    m.ExpandHot = menu->GetMarkState() != 0;
    m.ExpandRowHeight = menu->GetExpandArrowHeight();
    m.LightBrush = menu->GetRarelyUsedBrush();
    m.LightPalette = menu->GetRarelyUsedPalette();
    return m;
}

void TxbBarItemControlPainter::DrawMenuContent(TxbBarSubMenuControl* menu, win::HDC dc) const {
    TxbBarItemLinks* links = menu ? menu->GetItemLinks() : nullptr;
    if (!links || links->GetShownItemCount() == 0)
        return;
    TxbMenuContent content;
    const int32_t first = std::clamp(menu->GetTopIndex(), 0, links->GetShownItemCount() - 1);
    const int32_t last = std::clamp(first + std::max(menu->GetPageLinkCount(), 1) - 1, first,
                                    links->GetShownItemCount() - 1);
    content.FirstRect = links->GetShownItem(first)->ItemRect;
    content.LastRect = links->GetShownItem(last)->ItemRect;
    content.HiddenAbove = menu->CanScrollUp();
    content.HiddenBelow = menu->CanScrollDown();
    auto rarely = [&](int32_t i) {
        TxbBarItemControl* control = links->GetShownItem(i)->GetControl();
        return control && control->GetRarelyUsed();
    };
    content.LastRarelyUsed = rarely(last);
    content.LastStartsRun = last > 0 && rarely(last) != rarely(last - 1);
    PaintMenuContent(MakePaintMenu(menu), dc, content);
}

void TxbBarItemControlPainter::DrawRarelyUsedItemFrame(TxbBarSubMenuControl* menu, const TxbRarelyUsedRow& row,
                                                       win::HDC dc) const {
    PaintRarelyUsedItemFrame(MakePaintMenu(menu), dc, row);
}

void TxbBarItemControlPainter::DrawMenuBorder(TxbBarSubMenuControl* menu, win::HDC dc, const win::TRect& rect) const {
    const TxbPaintMenu m = MakePaintMenu(menu);
    // The tear-off strip: the window rectangle shrunk by the family's margins, half a text line high.
    win::TRect detach{};
    if (m.Detachable) {
        const win::TPoint shrink = GetDetachBarShrink();
        detach = {rect.Left + shrink.X, rect.Top + shrink.Y, rect.Right - shrink.X,
                  rect.Top + shrink.Y + GetMenuHalfTextHeight(m)};
    }
    PaintMenuBorder(m, dc, rect, detach);
}

} // namespace bars
