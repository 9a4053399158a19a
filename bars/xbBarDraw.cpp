#include "bars/xbBarDraw.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarUtils.h"
#include "lookandfeel/xbCommon.h"
#include "lookandfeel/xbThemeManager.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>

namespace bars {

namespace {

// Brush where the monochrome source is 0 (mapped to the white text colour), destination where it is 1.
constexpr win::DWORD RopBrushWhereBlack = 0x00E20746;

constexpr uint8_t R(win::COLORREF c) { return uint8_t(c & 0xFF); }
constexpr uint8_t G(win::COLORREF c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t B(win::COLORREF c) { return uint8_t((c >> 16) & 0xFF); }
constexpr win::COLORREF Rgb(int r, int g, int b) { return win::COLORREF(r | (g << 8) | (b << 16)); }

// A memory DC with a bitmap selected, freed with it.
class MemoryCanvas {
public:
    MemoryCanvas(win::HDC reference, int width, int height, bool mono = false) {
        Dc = win::CreateCompatibleDC(reference);
        Bitmap = mono ? win::CreateBitmap(std::max(width, 1), std::max(height, 1), 1, 1, nullptr)
                      : win::CreateCompatibleBitmap(reference, std::max(width, 1), std::max(height, 1));
        Old = win::SelectObject(Dc, Bitmap);
    }
    // A 32-bit top-down section whose pixels are reachable.
    MemoryCanvas(win::HDC reference, int width, int height, uint32_t** pixels) {
        Dc = win::CreateCompatibleDC(reference);
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = std::max(width, 1);
        info.bmiHeader.biHeight = -std::max(height, 1);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = win::BI_RGB;
        void* bits = nullptr;
        Bitmap = win::CreateDIBSection(Dc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
        *pixels = static_cast<uint32_t*>(bits);
        Old = win::SelectObject(Dc, Bitmap);
    }
    ~MemoryCanvas() {
        win::SelectObject(Dc, Old);
        win::DeleteObject(Bitmap);
        win::DeleteDC(Dc);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    win::HDC Dc;
    win::HBITMAP Bitmap;

private:
    win::HGDIOBJ Old;
};


// Copies src onto dst at rect, stretched, leaving dst where mask is 1: the mask first (MERGEPAINT makes the
// glyph's place white), the mask into the source (SRCPAINT makes its transparent place white), the source
// last (SRCAND). swapped exchanges the first and last operations (the inverted look of a black face).
void TransparentStretch(win::HDC dst, const win::TRect& rect, win::HDC src, win::HDC mask, int srcW, int srcH,
                        bool swapped) {
    win::COLORREF oldText = win::SetTextColor(dst, 0);
    win::COLORREF oldBk = win::SetBkColor(dst, 0xFFFFFF);
    win::COLORREF srcText = win::SetTextColor(src, 0);
    win::COLORREF srcBk = win::SetBkColor(src, 0xFFFFFF);
    win::StretchBlt(dst, rect.Left, rect.Top, RectWidth(rect), RectHeight(rect), mask, 0, 0, srcW, srcH,
                    swapped ? win::SRCAND : win::MERGEPAINT);
    win::BitBlt(src, 0, 0, srcW, srcH, mask, 0, 0, win::SRCPAINT);
    win::StretchBlt(dst, rect.Left, rect.Top, RectWidth(rect), RectHeight(rect), src, 0, 0, srcW, srcH,
                    swapped ? win::MERGEPAINT : win::SRCAND);
    win::SetTextColor(src, srcText);
    win::SetBkColor(src, srcBk);
    win::SetTextColor(dst, oldText);
    win::SetBkColor(dst, oldBk);
}

// Paints brush onto dst at rect wherever the monochrome image is 0.
void StretchBrushWhereBlack(win::HDC dst, const win::TRect& rect, win::HDC mono, int srcW, int srcH,
                            win::HBRUSH brush) {
    win::COLORREF oldText = win::SetTextColor(dst, 0xFFFFFF);
    win::COLORREF oldBk = win::SetBkColor(dst, 0);
    win::HGDIOBJ oldBrush = win::SelectObject(dst, brush);
    win::StretchBlt(dst, rect.Left, rect.Top, RectWidth(rect), RectHeight(rect), mono, 0, 0, srcW, srcH,
                    RopBrushWhereBlack);
    win::SelectObject(dst, oldBrush);
    win::SetTextColor(dst, oldText);
    win::SetBkColor(dst, oldBk);
}

// The glyph's own size.
win::TSize GlyphSize(const TxbGlyphDrawParams& p) {
    if (p.Bitmap && !p.Bitmap->GetEmpty())
        return {p.Bitmap->GetWidth(), p.Bitmap->GetHeight()};
    if (p.Images)
        return {p.Images->GetWidth(), p.Images->GetHeight()};
    return {0, 0};
}

bool UsesBitmap(const TxbGlyphDrawParams& p) { return p.Bitmap && !p.Bitmap->GetEmpty(); }

// Draws the glyph at (0, 0) of dc on a background of bkColor (image lists) or as it is (bitmaps).
void PutGlyph(win::HDC dc, const TxbGlyphDrawParams& p, win::TSize size, win::COLORREF bkColor) {
    if (UsesBitmap(p)) {
        win::BitBlt(dc, 0, 0, size.cx, size.cy, p.Bitmap->GetCanvas()->GetHandle(), 0, 0, win::SRCCOPY);
        return;
    }
    win::HBRUSH brush = win::CreateSolidBrush(bkColor);
    win::TRect all{0, 0, size.cx, size.cy};
    win::FillRect(dc, &all, brush);
    win::DeleteObject(brush);
    if (p.Images && p.ImageIndex >= 0 && p.ImageIndex < p.Images->GetCount())
        win::ImageList_Draw(p.Images->GetHandle(), p.ImageIndex, dc, 0, 0, win::ILD_NORMAL);
}

void DrawColouredGlyph(win::HDC mem, const TxbGlyphDrawParams& p, win::TRect glyphRect, win::TSize size) {
    uint32_t* pixels = nullptr;
    MemoryCanvas glyph(mem, size.cx, size.cy, &pixels);
    PutGlyph(glyph.Dc, p, size, p.ImageListBkColor);
    win::COLORREF transparent = win::GetPixel(glyph.Dc, 0, size.cy - 1);
    MemoryCanvas mask(mem, size.cx, size.cy, true);
    win::COLORREF oldBk = win::SetBkColor(glyph.Dc, transparent);
    win::BitBlt(mask.Dc, 0, 0, size.cx, size.cy, glyph.Dc, 0, 0, win::SRCCOPY);
    win::SetBkColor(glyph.Dc, oldBk);

    bool fade = p.FadeColor != vcl::clNone;
    bool lighten = (p.Enabled || !fade) && p.Flat && !p.Selected && !p.Down && !p.Gray && ScreenBitsPerPixel() > 8;
    win::COLORREF fadeTo = fade ? win::COLORREF(vcl::ColorToRGB(p.FadeColor)) : 0;
    if (pixels) {
        int count = size.cx * size.cy;
        for (int i = 0; i < count; ++i) {
            // The section's pixels are 0x00RRGGBB; COLORREFs are 0x00BBGGRR.
            uint32_t v = pixels[i];
            win::COLORREF c = Rgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
            if (fade && !p.Enabled)
                c = FadePixel(c, fadeTo);
            else if (p.Gray) {
                int avg = (R(c) + G(c) + B(c)) / 3;
                c = Rgb(avg, avg, avg);
            }
            if (lighten)
                c = Rgb(LightenComponent(R(c)), LightenComponent(G(c)), LightenComponent(B(c)));
            pixels[i] = (uint32_t(R(c)) << 16) | (uint32_t(G(c)) << 8) | B(c);
        }
    }
    if (p.Flat && p.Shadow && p.Selected && !p.Pressed) {
        win::TRect shadow = glyphRect;
        win::OffsetRect(&shadow, 2, 2);
        StretchBrushWhereBlack(mem, shadow, mask.Dc, size.cx, size.cy, win::GetSysColorBrush(win::COLOR_BTNSHADOW));
        win::OffsetRect(&glyphRect, -1, -1);
    }
    bool swapped = win::GetSysColor(win::COLOR_BTNFACE) == 0 && !p.Gray && !(p.Flat && p.Selected);
    TransparentStretch(mem, glyphRect, glyph.Dc, mask.Dc, size.cx, size.cy, swapped);
}

void DrawDisabledGlyph(win::HDC mem, const TxbGlyphDrawParams& p, const win::TRect& glyphRect, win::TSize size) {
    MemoryCanvas mono(mem, size.cx, size.cy, true);
    {
        MemoryCanvas colour(mem, size.cx, size.cy);
        PutGlyph(colour.Dc, p, size, 0xFFFFFF);
        // Pixels of the background colour become 1 (white), the glyph's 0 (black).
        win::COLORREF bk = UsesBitmap(p) ? win::GetPixel(colour.Dc, 0, size.cy - 1) : 0xFFFFFF;
        win::COLORREF oldBk = win::SetBkColor(colour.Dc, bk);
        win::BitBlt(mono.Dc, 0, 0, size.cx, size.cy, colour.Dc, 0, 0, win::SRCCOPY);
        win::SetBkColor(colour.Dc, oldBk);
    }
    if (!p.Flat) {
        win::TRect moved = glyphRect;
        win::OffsetRect(&moved, 1, 1);
        StretchBrushWhereBlack(mem, moved, mono.Dc, size.cx, size.cy, win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT));
    }
    StretchBrushWhereBlack(mem, glyphRect, mono.Dc, size.cx, size.cy, win::GetSysColorBrush(win::COLOR_BTNSHADOW));
}

} // namespace

win::COLORREF FadePixel(win::COLORREF pixel, win::COLORREF fadeColor) {
    int l = (77 * B(pixel) + 151 * G(pixel) + 28 * R(pixel)) >> 8;
    int u = (192 * (l - 255) + 65280) >> 8;
    auto mix = [u](int t) { return (192 * t + 64 * u) >> 8; };
    return Rgb(mix(R(fadeColor)), mix(G(fadeColor)), mix(B(fadeColor)));
}

uint8_t LightenComponent(uint8_t c) { return uint8_t(c + win::MulDiv(255 - c, 3, 10)); }

void DrawItemGlyph(win::HDC dc, const TxbGlyphDrawParams& p) {
    int w = RectWidth(p.Area), h = RectHeight(p.Area);
    if (w <= 0 || h <= 0)
        return;
    MemoryCanvas mem(dc, w, h);
    win::HPALETTE palette = win::AsPalette(win::GetCurrentObject(dc, win::OBJ_PAL));
    win::HPALETTE oldPalette = palette ? win::SelectPalette(mem.Dc, palette, true) : nullptr;
    if (p.KeepBackground)
        win::BitBlt(mem.Dc, 0, 0, w, h, dc, p.Area.Left, p.Area.Top, win::SRCCOPY);
    else {
        win::TRect all{0, 0, w, h};
        win::FillRect(mem.Dc, &all, p.BackgroundBrush ? p.BackgroundBrush : win::GetSysColorBrush(win::COLOR_BTNFACE));
    }
    win::TSize size = GlyphSize(p);
    if (size.cx > 0 && size.cy > 0 && (UsesBitmap(p) || p.Images)) {
        win::TRect glyphRect = p.GlyphRect;
        win::OffsetRect(&glyphRect, -p.Area.Left, -p.Area.Top);
        if (p.FadeColor != vcl::clNone || p.Enabled)
            DrawColouredGlyph(mem.Dc, p, glyphRect, size);
        else
            DrawDisabledGlyph(mem.Dc, p, glyphRect, size);
    }
    win::BitBlt(dc, p.Area.Left, p.Area.Top, w, h, mem.Dc, 0, 0, win::SRCCOPY);
    if (palette)
        win::SelectPalette(mem.Dc, oldPalette, true);
}

int32_t CalcArrowSizeInRect(const win::TRect& rect, bool down) {
    int32_t d = down ? RectWidth(rect) - 8 : RectHeight(rect) - 6;
    int32_t size = (d - 1) / 2 + ((d % 2 != 0) ? 1 : 0);
    return std::max(size, 3);
}

void DrawArrow(win::HDC dc, const win::TRect& rect, bool down, bool flat, bool enabled, bool selected, int32_t size) {
    if (size <= 0)
        return;
    int index = win::COLOR_BTNSHADOW;
    if (enabled) {
        index = win::COLOR_BTNTEXT;
        if (selected)
            index = win::GetSysColor(win::COLOR_BTNFACE) == 0xFFFFFF ? win::COLOR_BTNFACE : win::COLOR_HIGHLIGHTTEXT;
    }
    int across = 2 * size - 1;
    int x, y;
    win::POINT pts[3];
    if (down) {
        x = rect.Left + (RectWidth(rect) - across) / 2;
        y = rect.Top + (RectHeight(rect) - size) / 2;
        pts[0] = {x, y};
        pts[1] = {x + across - 1, y};
        pts[2] = {x + size - 1, y + size - 1};
    } else {
        x = rect.Left + (RectWidth(rect) - size) / 2;
        y = rect.Top + (RectHeight(rect) - across) / 2;
        pts[0] = {x, y};
        pts[1] = {x, y + across - 1};
        pts[2] = {x + size - 1, y + size - 1};
    }
    win::COLORREF colour = win::GetSysColor(index);
    win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, colour);
    win::HBRUSH brush = win::CreateSolidBrush(colour);
    win::HGDIOBJ oldPen = win::SelectObject(dc, pen);
    win::HGDIOBJ oldBrush = win::SelectObject(dc, brush);
    win::Polygon(dc, pts, 3);
    if (!enabled && !flat) {
        // The lower-right side again, one pixel outside, twice: the embossed look.
        win::HPEN light = win::CreatePen(win::PS_SOLID, 1, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
        win::SelectObject(dc, light);
        win::POINT from = down ? pts[1] : pts[2];
        win::POINT to = down ? pts[2] : pts[1];
        for (win::POINT offset : {win::POINT{1, 0}, win::POINT{0, 1}}) {
            win::MoveToEx(dc, from.X + offset.X, from.Y + offset.Y, nullptr);
            win::LineTo(dc, to.X + offset.X, to.Y + offset.Y);
            win::SetPixel(dc, to.X + offset.X, to.Y + offset.Y, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
        }
        win::SelectObject(dc, pen);
        win::DeleteObject(light);
    }
    win::SelectObject(dc, oldBrush);
    win::SelectObject(dc, oldPen);
    win::DeleteObject(brush);
    win::DeleteObject(pen);
}

void DrawArrowInRect(win::HDC dc, const win::TRect& rect, bool down, bool flat, bool selected, bool enabled) {
    DrawArrow(dc, rect, down, flat, enabled, selected, CalcArrowSizeInRect(rect, down));
}

void FrameRectWithHighlight(win::HDC dc, const win::TRect& rect) {
    win::FrameRect(dc, &rect, win::GetSysColorBrush(win::COLOR_HIGHLIGHT));
}

void FillVerticalGradient(win::HDC dc, const win::TRect& rect, win::COLORREF start, win::COLORREF end) {
    int h = RectHeight(rect);
    for (int i = 0; i < 256; ++i) {
        win::TRect band{rect.Left, rect.Top + win::MulDiv(i, h, 256), rect.Right, rect.Top + win::MulDiv(i + 1, h, 256)};
        if (band.Bottom <= band.Top)
            continue;
        auto at = [i](int s, int e) { return s + win::MulDiv(i, e - s, 255); };
        win::HBRUSH brush = win::CreateSolidBrush(Rgb(at(R(start), R(end)), at(G(start), G(end)), at(B(start), B(end))));
        win::FillRect(dc, &band, brush);
        win::DeleteObject(brush);
    }
}

void FillRectOrTileBitmap(win::HDC dc, const win::TRect& rect, const win::TRect& part, vcl::TBitmap* bitmap,
                          vcl::TColor color, win::HBRUSH brush) {
    if (bitmap && !bitmap->GetEmpty()) {
        TileBitmap(dc, rect, part, bitmap);
        return;
    }
    if (brush) {
        win::FillRect(dc, &rect, brush);
        return;
    }
    win::HBRUSH own = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(color)));
    win::FillRect(dc, &rect, own);
    win::DeleteObject(own);
}

void TileBitmap(win::HDC dc, const win::TRect& rect, const win::TRect& part, vcl::TBitmap* bitmap) {
    if (!bitmap)
        return;
    int bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
    if (bw <= 0 || bh <= 0 || part.Right <= part.Left || part.Bottom <= part.Top)
        return;
    // Floor division, so that parts left of or above the origin tile on.
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    win::HDC src = bitmap->GetCanvas()->GetHandle();
    for (int r = floorDiv(part.Top, bh); r <= floorDiv(part.Bottom - 1, bh); ++r)
        for (int c = floorDiv(part.Left, bw); c <= floorDiv(part.Right - 1, bw); ++c)
            win::BitBlt(dc, rect.Left + c * bw - part.Left, rect.Top + r * bh - part.Top, bw, bh, src, 0, 0,
                        win::SRCCOPY);
    RestoreDCClipRegion(dc, saved, had);
}

void DrawTransparentSizeGrip(win::HDC dc, const win::TRect& rect) {
    int w = RectWidth(rect), h = RectHeight(rect);
    if (w <= 0 || h <= 0)
        return;
    MemoryCanvas grip(dc, w, h);
    win::TRect all{0, 0, w, h};
    win::DrawFrameControl(grip.Dc, &all, win::DFC_SCROLL, win::DFCS_SCROLLSIZEGRIP);
    MemoryCanvas mask(dc, w, h, true);
    win::COLORREF oldBk = win::SetBkColor(grip.Dc, win::GetSysColor(win::COLOR_BTNFACE));
    win::BitBlt(mask.Dc, 0, 0, w, h, grip.Dc, 0, 0, win::SRCCOPY);
    win::SetBkColor(grip.Dc, oldBk);
    TransparentStretch(dc, rect, grip.Dc, mask.Dc, w, h, false);
}

void SaveDCClipRegion(win::HDC dc, win::HRGN& region, bool& hadRegion) {
    region = win::CreateRectRgn(0, 0, 0, 0);
    hadRegion = win::GetClipRgn(dc, region) == 1;
}

void RestoreDCClipRegion(win::HDC dc, win::HRGN region, bool hadRegion) {
    win::SelectClipRgn(dc, hadRegion ? region : nullptr);
    win::DeleteObject(region);
}

void IncludeClipRect(win::HDC dc, const win::TRect& rect) {
    win::HRGN r = win::CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom);
    win::ExtSelectClipRgn(dc, r, win::RGN_OR);
    win::DeleteObject(r);
}

void ExcludeRectFromRegion(win::HRGN region, const win::TRect& rect) {
    win::HRGN r = win::CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom);
    win::CombineRgn(region, region, r, win::RGN_DIFF);
    win::DeleteObject(r);
}

void SetWindowAlphaBlend(win::HWND window, uint8_t value) {
    if (!SetLayeredWindowAttributesProc)
        return;
    auto style = win::DWORD(win::GetWindowLong(window, win::GWL_EXSTYLE));
    if (value < 255) {
        if (!(style & win::WS_EX_LAYERED))
            win::SetWindowLong(window, win::GWL_EXSTYLE, style | win::WS_EX_LAYERED);
        win::SetLayeredWindowAttributes(window, 0, value, win::LWA_ALPHA);
    } else if (style & win::WS_EX_LAYERED) {
        win::SetWindowLong(window, win::GWL_EXSTYLE, style & ~win::WS_EX_LAYERED);
        win::RedrawWindow(window, nullptr, nullptr,
                          win::RDW_FRAME | win::RDW_ALLCHILDREN | win::RDW_ERASE | win::RDW_INVALIDATE);
    }
}

int GetEditThemeState(bool itemEnabled, bool readOnly) {
    if (!itemEnabled)
        return ETS_DISABLED;
    return readOnly ? ETS_READONLY : ETS_NORMAL;
}

win::COLORREF GetThemedEditBkColor(win::HTHEME theme, int state) {
    win::COLORREF colour = win::GetSysColor(win::COLOR_WINDOW);
    if (state == ETS_DISABLED) {
        win::COLORREF themed;
        if (lookandfeel::GetThemeColor(theme, EP_EDITTEXT, state, win::TMT_FILLCOLOR, &themed) == win::S_OK)
            colour = themed;
    }
    return colour;
}

win::COLORREF GetThemedEditTextColor(win::HTHEME theme, int state) {
    win::COLORREF themed;
    if (lookandfeel::GetThemeColor(theme, EP_EDITTEXT, state, win::TMT_TEXTCOLOR, &themed) == win::S_OK)
        return themed;
    return win::GetSysColor(state == ETS_DISABLED ? win::COLOR_GRAYTEXT : win::COLOR_WINDOWTEXT);
}

win::COLORREF GetThemedToolbarFillColor() {
    win::COLORREF themed;
    win::HTHEME theme = lookandfeel::OpenElementTheme(lookandfeel::teToolBar);
    if (theme && lookandfeel::GetThemeColor(theme, 0, 0, win::TMT_FILLCOLOR, &themed) == win::S_OK)
        return themed;
    return win::GetSysColor(win::COLOR_BTNFACE);
}

win::TSize GetThemedCloseButtonSize(win::HDC dc) {
    win::SIZE size{0, 0};
    win::HTHEME theme = lookandfeel::OpenElementTheme(lookandfeel::teWindow);
    if (theme)
        lookandfeel::GetThemePartSize(theme, dc, WP_SMALLCLOSEBUTTON, 1, win::TS_TRUE, &size);
    return {size.cx, size.cy};
}

void DrawThemedCloseButton(win::HDC dc, win::TRect& rect, bool hot, int corner, bool pressed) {
    win::TSize size = GetThemedCloseButtonSize(dc);
    win::TRect button = rect;
    if (RectHeight(rect) > size.cy) {
        button.Top = rect.Top + (RectHeight(rect) - size.cy) / 2;
        button.Bottom = button.Top + size.cy;
    }
    if (corner == 1 || corner == 3)
        button.Right = button.Left + size.cx;
    else
        button.Left = button.Right - size.cx;
    rect = button;
    win::FillRect(dc, &button, win::GetSysColorBrush(win::COLOR_BTNFACE));
    int state = pressed ? 3 : hot ? 2 : 1;
    if (win::HTHEME theme = lookandfeel::OpenElementTheme(lookandfeel::teWindow))
        lookandfeel::DrawThemeBackground(theme, dc, WP_SMALLCLOSEBUTTON, state, &button, nullptr);
}

win::TSize GetThemedSizeGripSize(win::HDC dc) {
    win::SIZE size{0, 0};
    win::HTHEME theme = lookandfeel::OpenElementTheme(lookandfeel::teScrollBar);
    if (theme)
        lookandfeel::GetThemePartSize(theme, dc, SBP_SIZEBOX, 1, win::TS_TRUE, &size);
    return {size.cx + 2, size.cy + 2};
}

void DrawThemedSizeGrip(win::HDC dc, const win::TRect& rect, int corner) {
    win::TSize size = GetThemedSizeGripSize(dc);
    bool right = corner == 1 || corner == 3;
    bool bottom = corner == 2 || corner == 3;
    win::TRect grip;
    grip.Left = right ? rect.Right - 1 - size.cx : rect.Left;
    grip.Right = grip.Left + size.cx;
    grip.Top = bottom ? rect.Bottom - size.cy : rect.Top;
    grip.Bottom = grip.Top + size.cy;
    win::FillRect(dc, &grip, win::GetSysColorBrush(win::COLOR_BTNFACE));
    int w = size.cx - 2, h = size.cy - 2;
    if (w <= 0 || h <= 0)
        return;
    MemoryCanvas box(dc, w, h);
    win::TRect all{0, 0, w, h};
    win::FillRect(box.Dc, &all, win::GetSysColorBrush(win::COLOR_BTNFACE));
    if (win::HTHEME theme = lookandfeel::OpenElementTheme(lookandfeel::teScrollBar))
        lookandfeel::DrawThemeBackground(theme, box.Dc, SBP_SIZEBOX, 1, &all, nullptr);
    // The box sits on the grip's outer sides; its inner sides keep 2 pixels of face.
    int x = right ? grip.Right - w : grip.Left;
    int y = bottom ? grip.Bottom - h : grip.Top;
    bool mirrorX = corner == 0 || corner == 2;
    bool mirrorY = corner == 0 || corner == 1;
    win::StretchBlt(dc, mirrorX ? x + w : x, mirrorY ? y + h : y, mirrorX ? -w : w, mirrorY ? -h : h, box.Dc,
                    0, 0, w, h, win::SRCCOPY);
}

void DrawDropDownCloseButton(win::HDC dc, const win::TRect& rect, bool hot, int corner, bool flat, bool pressed) {
    int side = win::GetSystemMetrics(win::SM_CXSIZE);
    win::TRect r;
    r.Left = (corner == 1 || corner == 3) ? rect.Left : rect.Right - side;
    r.Right = r.Left + side;
    r.Top = rect.Top + (RectHeight(rect) - side) / 2 + ((corner == 2 || corner == 3) ? 1 : 0);
    r.Bottom = r.Top + side;
    win::InflateRect(&r, -1, -2);
    if (!hot || flat)
        win::FrameRect(dc, &r, win::GetSysColorBrush(win::COLOR_BTNFACE));
    else {
        win::TRect e = r;
        win::DrawEdge(dc, &e, pressed ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
    }
    win::InflateRect(&r, -1, -1);
    win::FrameRect(dc, &r, win::GetSysColorBrush(win::COLOR_BTNFACE));
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::InflateRect(&r, -1, -1);
    win::IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
    win::TRect glyph = r;
    if (side != 22)
        win::OffsetRect(&glyph, 0, 1);
    win::DrawFrameControl(dc, &glyph, win::DFC_CAPTION,
                          win::DFCS_CAPTIONCLOSE | win::DFCS_FLAT | ((pressed && !flat) ? win::DFCS_PUSHED : 0));
    RestoreDCClipRegion(dc, saved, had);
}

void PaintDropDownNonClient(win::HWND window, bool hasGripBar, bool flat, int corner, win::TRect& closeRect,
                            win::TRect& gripRect, bool closeHot, bool closePressed) {
    win::HDC dc = win::GetWindowDC(window);
    win::TRect windowRect;
    win::GetWindowRect(window, &windowRect);
    win::TRect r{0, 0, RectWidth(windowRect), RectHeight(windowRect)};
    win::HRGN saved;
    bool had;
    SaveDCClipRegion(dc, saved, had);
    win::HBRUSH frame = win::GetSysColorBrush(flat ? win::COLOR_BTNSHADOW : win::COLOR_WINDOWFRAME);
    win::FrameRect(dc, &r, frame);
    win::InflateRect(&r, -1, -1);
    closeRect = {};
    gripRect = {};
    if (hasGripBar) {
        int height = lookandfeel::GetDropDownGripBarHeight();
        bool top = corner == 0 || corner == 1;
        win::TRect bar = r, line = r;
        if (top) {
            bar.Bottom = bar.Top + height;
            line.Top = bar.Bottom;
            line.Bottom = line.Top + 1;
        } else {
            bar.Top = bar.Bottom - height;
            line.Bottom = bar.Top;
            line.Top = line.Bottom - 1;
        }
        win::FillRect(dc, &line, frame);
        gripRect = bar;
        lookandfeel::PaintSizeGrip(dc, gripRect, lookandfeel::TxbSizeGripCorner(corner));
        win::ExcludeClipRect(dc, gripRect.Left, gripRect.Top, gripRect.Right, gripRect.Bottom);
        win::TRect closeArea = bar;
        bool gripRight = corner == 1 || corner == 3;
        if (gripRight)
            closeArea.Right = gripRect.Left;
        else
            closeArea.Left = gripRect.Right;
        int side = win::GetSystemMetrics(win::SM_CXSIZE);
        closeRect = closeArea;
        if (gripRight)
            closeRect.Right = closeRect.Left + side;
        else
            closeRect.Left = closeRect.Right - side;
        DrawDropDownCloseButton(dc, closeArea, closeHot, corner, flat, closePressed);
        win::ExcludeClipRect(dc, closeRect.Left, closeRect.Top, closeRect.Right, closeRect.Bottom);
        win::FillRect(dc, &bar, win::GetSysColorBrush(win::COLOR_BTNFACE));
        auto style = win::DWORD(win::GetWindowLong(window, win::GWL_STYLE));
        if (!top && (style & win::WS_HSCROLL) && (style & win::WS_VSCROLL)) {
            int sw = win::GetSystemMetrics(win::SM_CXVSCROLL), sh = win::GetSystemMetrics(win::SM_CYHSCROLL);
            win::TRect square{r.Right - sw, bar.Top - 1 - sh, r.Right, bar.Top - 1};
            win::FillRect(dc, &square, win::GetSysColorBrush(win::COLOR_BTNFACE));
        }
    }
    RestoreDCClipRegion(dc, saved, had);
    win::ReleaseDC(window, dc);
}

} // namespace bars
