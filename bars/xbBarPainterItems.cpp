// The base painter's item drawing: the glyph pipeline, captions with accelerators, backgrounds, arrows,
// plain text and the progress bar.
#include "bars/xbBarDraw.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarUtils.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/kernel/MulDiv.h"

#include <algorithm>

namespace bars {

namespace {


// Selects a font for the scope (nothing for a null one).
class FontScope {
public:
    FontScope(win::HDC dc, win::HFONT font) : FDc(dc), FOld(font ? win::SelectObject(dc, font) : nullptr) {}
    ~FontScope() {
        if (FOld)
            win::SelectObject(FDc, FOld);
    }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;

private:
    win::HDC FDc;
    win::HGDIOBJ FOld;
};

// The position of the accelerator letter (after the last single "&"), or -1, in the text without marks.
int AccelPosition(const std::string& text) {
    int position = -1, out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            if (text[i + 1] != '&')
                position = out;
            ++i;
        }
        ++out;
    }
    return position;
}

} // namespace

void TxbBarItemControlPainter::DrawItemBackground(const TxbPaintWindow& w, win::HDC dc, bool useBrush,
                                                  win::HBRUSH brush, const win::TRect& rect) const {
    if (useBrush || !w.PaintBackground) {
        win::FillRect(dc, &rect, brush ? brush : w.Brush);
        return;
    }
    w.PaintBackground(dc, rect, brush);
}

void TxbBarItemControlPainter::FrameItemBackground(const TxbPaintWindow& w, win::HDC dc, bool useBrush,
                                                   win::HBRUSH brush, const win::TRect& rect) const {
    if (useBrush) {
        win::FrameRect(dc, &rect, brush ? brush : w.Brush);
        return;
    }
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::ExcludeClipRect(dc, rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1);
    DrawItemBackground(w, dc, false, brush, rect);
    RestoreDCClipRegion(dc, saved, had);
}

void TxbBarItemControlPainter::DrawSeparatorLine(win::HDC dc, const win::TRect& rect) const {
    win::FillRect(dc, &rect, win::GetSysColorBrush(win::COLOR_BTNSHADOW));
}

vcl::TColor TxbBarItemControlPainter::GetDisabledGlyphFadeColor(const TxbPaintWindow& w) const {
    if (!w.MakeDisabledImagesFaded)
        return vcl::clNone;
    win::COLORREF shadow = win::GetSysColor(win::COLOR_BTNSHADOW);
    auto mix = [](int c) { return (c * 70 + 255 * 30) / 100; };
    return vcl::TColor(mix(shadow & 0xFF) | (mix((shadow >> 8) & 0xFF) << 8) | (mix((shadow >> 16) & 0xFF) << 16));
}

void TxbBarItemControlPainter::GetCaptionTextColors(bool enabled, bool selected, bool keepColor,
                                                    win::COLORREF& top, win::COLORREF& under) const {
    if (enabled) {
        top = under = win::GetSysColor(selected && !keepColor ? win::COLOR_HIGHLIGHTTEXT : win::COLOR_BTNTEXT);
    } else if (selected || keepColor) {
        top = under = win::GetSysColor(win::COLOR_GRAYTEXT);
    } else {
        under = win::GetSysColor(win::COLOR_BTNHIGHLIGHT);
        top = win::GetSysColor(win::COLOR_BTNSHADOW);
    }
}

void TxbBarItemControlPainter::DrawArrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled,
                                         bool selected) const {
    DrawArrowInRect(dc, rect, down, IsFlatLike(), selected, enabled);
}

void TxbBarItemControlPainter::DrawArrowGlyph(win::HDC dc, const win::TRect& rect, int32_t size, bool down,
                                              bool enabled, bool selected) const {
    bars::DrawArrow(dc, rect, down, IsFlatLike(), enabled, selected, size);
}

void TxbBarItemControlPainter::DrawTriangle(win::HDC dc, int colorIndex, int32_t size, int32_t x, int32_t y) const {
    // Row by row, each one pixel shorter at both ends than the one above: a shape this small keeps every
    // inner pixel, which an outline and a fill sampled at pixel centres can miss.
    win::HBRUSH brush = win::CreateSolidBrush(win::GetSysColor(colorIndex));
    for (int32_t i = 0; i <= size / 2; ++i) {
        const win::TRect row{x + i, y + i, x + size - i, y + i + 1};
        win::FillRect(dc, &row, brush);
    }
    win::DeleteObject(brush);
}

void TxbBarItemControlPainter::DrawPlainText(win::HDC dc, const win::TRect& rect, bool opaque,
                                             const std::string& text, int32_t offset) const {
    win::SIZE extent{0, 0};
    win::GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &extent);
    win::COLORREF oldText = win::SetTextColor(dc, win::GetSysColor(win::COLOR_BTNTEXT));
    win::COLORREF oldBk = win::SetBkColor(dc, win::GetSysColor(win::COLOR_BTNFACE));
    int oldMode = win::SetBkMode(dc, opaque ? win::OPAQUE : win::TRANSPARENT);
    win::ExtTextOut(dc, rect.Left + (RectWidth(rect) - extent.cx) / 2 + offset,
                    rect.Top + (RectHeight(rect) - extent.cy) / 2 + offset, win::ETO_CLIPPED, &rect, text.c_str(),
                    win::UINT(text.size()), nullptr);
    win::SetBkMode(dc, oldMode);
    win::SetBkColor(dc, oldBk);
    win::SetTextColor(dc, oldText);
}

void TxbBarItemControlPainter::PaintItemCaption(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                               bool keepColor, int32_t alignment, bool clip, const win::TRect& rect,
                                               const std::string& text, bool rotated) const {
    if (text.empty())
        return;
    FontScope font(dc, w.Font);
    int oldMode = win::SetBkMode(dc, win::TRANSPARENT);
    win::COLORREF top, under;
    GetCaptionTextColors(s.Enabled, s.Selected, keepColor && HasSplitDropDownHotTrack(), top, under);
    win::COLORREF oldColour = win::GetTextColor(dc);
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    auto draw = [&](int dx, win::COLORREF colour) {
        win::SetTextColor(dc, colour);
        if (!rotated) {
            win::TRect r = rect;
            win::OffsetRect(&r, dx, dx);
            win::UINT align = alignment == 1 ? win::DT_CENTER : alignment == 2 ? win::DT_RIGHT : win::DT_LEFT;
            std::string copy = text;
            win::DrawText(dc, copy, &r, win::DT_SINGLELINE | win::DT_VCENTER | align | (clip ? 0 : win::DT_NOCLIP));
            return;
        }
        // Text turned by 270 degrees runs down the rect; the accelerator's underline is drawn by hand.
        std::string plain = RemoveAccelChars(text);
        win::SIZE extent{0, 0};
        win::GetTextExtentPoint32(dc, plain.c_str(), int(plain.size()), &extent);
        int x = (rect.Left + rect.Right + extent.cy) / 2;
        int y = alignment == 0 ? rect.Top : alignment == 1 ? rect.Top + (RectHeight(rect) - extent.cx) / 2
                                                            : rect.Bottom - extent.cx;
        win::ExtTextOut(dc, x + dx, y + dx, 0, nullptr, plain.c_str(), win::UINT(plain.size()), nullptr);
        int accel = AccelPosition(text);
        if (accel >= 0 && accel < int(plain.size())) {
            win::SIZE before{0, 0}, letter{0, 0};
            win::GetTextExtentPoint32(dc, plain.c_str(), accel, &before);
            win::GetTextExtentPoint32(dc, plain.c_str() + accel, 1, &letter);
            int lineX = (rect.Left + rect.Right) / 2 - 2 + dx;
            win::HBRUSH line = win::CreateSolidBrush(colour);
            win::TRect u{lineX, y + dx + before.cx, lineX + 1, y + dx + before.cx + letter.cx};
            win::FillRect(dc, &u, line);
            win::DeleteObject(line);
        }
    };
    if (rotated)
        win::IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (top != under)
        draw(1, under);
    draw(0, top);
    RestoreDCClipRegion(dc, saved, had);
    win::SetTextColor(dc, oldColour);
    win::SetBkMode(dc, oldMode);
}

win::TRect TxbBarItemControlPainter::CalcGlyphArea(const TxbPaintWindow& w, const win::TRect& rect) const {
    win::TRect area = rect;
    if (!w.IsMenu) {
        if (w.Vertical)
            area.Bottom = area.Top + w.ButtonHeight;
        else
            area.Right = area.Left + w.ButtonWidth;
    }
    return area;
}

win::TSize TxbBarItemControlPainter::CalcGlyphSize(const TxbPaintWindow& w, const TxbGlyphSource& glyph) const {
    win::TSize size{0, 0};
    if (glyph.Bitmap && !glyph.Bitmap->GetEmpty())
        size = {glyph.Bitmap->GetWidth(), glyph.Bitmap->GetHeight()};
    else if (glyph.Images)
        size = {glyph.Images->GetWidth(), glyph.Images->GetHeight()};
    if (w.IsMenu && w.StretchGlyphs && w.MenuRowHeight > 0)
        size = {win::MulDiv(size.cx, w.MenuRowHeight, 19), win::MulDiv(size.cy, w.MenuRowHeight, 19)};
    else if (!w.IsMenu && w.LargeIcons && !(glyph.Images && !glyph.Bitmap && size.cx >= 32))
        size = {size.cx * 2, size.cy * 2};
    return size;
}

win::TRect TxbBarItemControlPainter::CalcGlyphRect(const TxbPaintWindow& w, const win::TRect& area,
                                                   const TxbItemPaintState& s, const TxbGlyphSource& glyph) const {
    win::TSize size = CalcGlyphSize(w, glyph);
    win::TRect r;
    r.Left = area.Left + (RectWidth(area) - size.cx) / 2;
    r.Top = area.Top + (RectHeight(area) - size.cy) / 2;
    r.Right = r.Left + size.cx;
    r.Bottom = r.Top + size.cy;
    int offset = 0;
    if (s.Pressed)
        offset += GetPressedGlyphOffset();
    if (s.Down)
        offset += GetDownGlyphOffset(s.Pressed);
    win::OffsetRect(&r, offset, offset);
    return r;
}

void TxbBarItemControlPainter::PaintItemGlyph(const TxbPaintWindow& w, win::HDC dc, const win::TRect& rect,
                                             const TxbItemPaintState& s, const TxbGlyphSource& glyph,
                                             const win::TRect* glyphRect) const {
    // A caption-only item has no glyph to place: its face is the whole item.
    win::TRect area = s.CaptionOnly ? rect : CalcGlyphArea(w, rect);
    win::TRect place = glyphRect ? *glyphRect : CalcGlyphRect(w, area, s, glyph);
    DrawGlyphArea(w, dc, area, place, s, glyph);
}

void TxbBarItemControlPainter::DrawGlyphArea(const TxbPaintWindow& w, win::HDC dc, const win::TRect& area,
                                             const win::TRect& glyphRect, const TxbItemPaintState& s,
                                             const TxbGlyphSource& glyph) const {
    win::HBRUSH brush = GetItemBackgroundBrush(w, s);
    bool hasGlyph = (glyph.Bitmap && !glyph.Bitmap->GetEmpty()) ||
                    (glyph.Images && glyph.ImageIndex >= 0 && glyph.ImageIndex < glyph.Images->GetCount());
    win::TSize size = hasGlyph ? win::TSize{RectWidth(glyphRect), RectHeight(glyphRect)} : win::TSize{w.GlyphSize, w.GlyphSize};
    bool room = RectWidth(area) >= size.cx + 2 && RectHeight(area) >= size.cy + 2;
    TxbItemPaintState state = s;
    state.HasGlyph = hasGlyph;
    if (HasThemedBackground())
        DrawButtonFace(w, dc, state, area, brush);
    win::TRect inner = area;
    if (room)
        win::InflateRect(&inner, -1, -1);
    if (hasGlyph)
        DrawGlyph(w, dc, state, glyph, inner, glyphRect, brush);
    else
        DrawGlyphPlaceholder(w, dc, state, state.Down && w.IsMenu, inner, brush);
    if (!HasThemedBackground())
        DrawButtonFace(w, dc, state, area, brush);
}

void TxbBarItemControlPainter::DrawGlyphPlaceholder(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                                    bool check, win::TRect rect, win::HBRUSH brush) const {
    if (!HasThemedBackground()) {
        bool fill = (!KeepsWindowBackgroundPressed() && (s.Pressed || s.Down || s.Selected)) || s.RarelyUsed;
        DrawItemBackground(w, dc, fill, brush, rect);
    }
    if (check) {
        int t = w.SmallFont ? 1 : 2;
        int bw = w.SmallFont ? 9 : 18, bh = w.SmallFont ? 7 : 14;
        DrawCheckMark(dc, s.Enabled, t, (rect.Left + rect.Right - bw) / 2, (rect.Top + rect.Bottom - bh) / 2);
    }
}

void TxbBarItemControlPainter::DrawGlyph(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                         const TxbGlyphSource& glyph, win::TRect area, win::TRect glyphRect,
                                         win::HBRUSH brush) const {
    bool ownBackground = !s.RarelyUsed && w.HasOwnBackground;
    if (ownBackground) {
        bool fill = (!KeepsWindowBackgroundPressed() && (s.Pressed || s.Down || s.Selected)) || s.RarelyUsed;
        DrawItemBackground(w, dc, fill, brush, area);
    }
    TxbGlyphDrawParams p;
    p.BackgroundBrush = brush;
    p.Area = area;
    p.KeepBackground = ownBackground;
    p.FadeColor = GetDisabledGlyphFadeColor(w);
    p.Pressed = s.Pressed;
    p.Down = s.Down;
    p.Selected = s.Selected;
    p.Flat = IsFlatLike();
    p.Enabled = s.Enabled;
    p.Images = glyph.Images;
    p.ImageIndex = glyph.ImageIndex;
    p.Bitmap = glyph.Bitmap;
    p.GlyphRect = glyphRect;
    // Image lists are drawn onto a colour no glyph uses, which the copy then leaves out.
    p.ImageListBkColor = 0x00FF00FE;
    bars::DrawItemGlyph(dc, p);
}

int32_t TxbBarItemControlPainter::CalcProgressEnd(int32_t start, int32_t length, int32_t minimum, int32_t maximum,
                                                  int32_t position) {
    if (maximum <= minimum)
        return start;
    position = std::clamp(position, minimum, maximum);
    return start + win::MulDiv(length, position - minimum, maximum - minimum);
}

void TxbBarItemControlPainter::DrawProgressFrame(const TxbPaintWindow& w, win::HDC dc, win::TRect& rect) const {
    DrawItemBackground(w, dc, false, w.Brush, {rect.Left, rect.Top, rect.Left + 1, rect.Bottom});
    DrawItemBackground(w, dc, false, w.Brush, {rect.Right - 1, rect.Top, rect.Right, rect.Bottom});
    rect.Left += 1;
    rect.Right -= 1;
}

void TxbBarItemControlPainter::DrawProgressBar(const TxbPaintWindow& w, win::HDC dc, int32_t minimum,
                                               int32_t maximum, int32_t position, bool solid, bool vertical,
                                               vcl::TColor color, const win::TRect& rect) const {
    int start = vertical ? rect.Top : rect.Left;
    int length = vertical ? RectHeight(rect) : RectWidth(rect);
    int thickness = vertical ? RectWidth(rect) : RectHeight(rect);
    int end = CalcProgressEnd(start, length, minimum, maximum, position);
    auto part = [&](int from, int to) {
        return vertical ? win::TRect{rect.Left, from, rect.Right, to} : win::TRect{from, rect.Top, to, rect.Bottom};
    };
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(color)));
    if (solid) {
        win::TRect filled = part(start, end);
        win::FillRect(dc, &filled, brush);
    } else {
        int chunk = std::max(1, thickness * 2 / 3);
        for (int at = start; at < end; at += chunk + 2) {
            win::TRect c = part(at, std::min(at + chunk, end));
            win::FillRect(dc, &c, brush);
            int gapEnd = std::min(at + chunk + 2, end);
            if (at + chunk < gapEnd)
                DrawItemBackground(w, dc, false, w.Brush, part(at + chunk, gapEnd));
        }
    }
    win::DeleteObject(brush);
    if (end < start + length)
        DrawItemBackground(w, dc, false, w.Brush, part(end, start + length));
}

} // namespace bars
