#include "lookandfeel/lkGraphics.h"

#include "lookandfeel/xbOffice11.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <vector>

namespace lookandfeel {

namespace {

// Floor division: tiles keep their places left of and above the origin too.
int32_t GraphicsFloorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

bool GraphicsEmpty(const win::TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// Selects the canvas font and colours into its device context for one text call, and takes them out again.
class TlkTextScope {
public:
    TlkTextScope(vcl::TCanvas* canvas, TColor color) : FDc(canvas->GetHandle()) {
        FOldFont = win::SelectObject(FDc, win::HGDIOBJ(canvas->GetFont()->GetHandle()));
        FOldColor = win::SetTextColor(FDc, win::COLORREF(vcl::ColorToRGB(color)));
        vcl::TBrush* brush = canvas->GetBrush();
        if (brush->GetStyle() == vcl::bsClear) {
            FOldMode = win::SetBkMode(FDc, win::TRANSPARENT);
        } else {
            FOldMode = win::SetBkMode(FDc, win::OPAQUE);
            FOldBk = win::SetBkColor(FDc, win::COLORREF(vcl::ColorToRGB(brush->GetColor())));
            FBkSet = true;
        }
    }
    ~TlkTextScope() {
        win::SelectObject(FDc, FOldFont);
        win::SetTextColor(FDc, FOldColor);
        win::SetBkMode(FDc, FOldMode);
        if (FBkSet)
            win::SetBkColor(FDc, FOldBk);
    }
    TlkTextScope(const TlkTextScope&) = delete;
    TlkTextScope& operator=(const TlkTextScope&) = delete;
    win::HDC Dc() const { return FDc; }

private:
    win::HDC FDc;
    win::HGDIOBJ FOldFont;
    win::COLORREF FOldColor;
    int FOldMode;
    win::COLORREF FOldBk = 0;
    bool FBkSet = false;
};

} // namespace

win::UINT ConvertTextFlags(TlkTextFlags flags) {
    win::UINT result = win::DT_NOPREFIX;
    if (flags & lktfAlignRight)
        result |= win::DT_RIGHT;
    if (flags & lktfAlignHCenter)
        result |= win::DT_CENTER;
    if (flags & lktfAlignBottom)
        result |= win::DT_BOTTOM;
    if (flags & lktfAlignVCenter)
        result |= win::DT_VCENTER;
    if (flags & lktfSingleLine)
        result |= win::DT_SINGLELINE;
    if (flags & lktfDontClip)
        result |= win::DT_NOCLIP;
    if (flags & lktfExpandTabs)
        result |= win::DT_EXPANDTABS;
    if (flags & lktfShowPrefix)
        result &= ~win::DT_NOPREFIX;
    if (flags & lktfWordBreak)
        result |= win::DT_WORDBREAK | win::DT_EDITCONTROL;
    if (flags & lktfShowEndEllipsis)
        result |= win::DT_END_ELLIPSIS;
    if (flags & lktfCalcRect)
        result |= win::DT_CALCRECT;
    if (flags & lktfShowPathEllipsis)
        result |= win::DT_PATH_ELLIPSIS;
    return result;
}

win::TSize TlkCanvas::TextExtent(const std::string& text) {
    if (text.empty())
        return {0, 0};
    return FCanvas->TextExtent(text);
}

void TlkCanvas::ExcludeClipRect(const win::TRect& rect) {
    win::ExcludeClipRect(GetHandle(), rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TlkCanvas::IntersectClipRect(const win::TRect& rect) {
    win::IntersectClipRect(GetHandle(), rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TlkCanvas::SetBrushColor(TColor color) {
    if (GetBrush()->GetColor() != color)
        GetBrush()->SetColor(color);
}

void TlkCanvas::FillRectOrTile(const win::TRect& rect, vcl::TBitmap* bitmap) {
    if (GraphicsEmpty(rect))
        return;
    if (!bitmap || bitmap->GetEmpty()) {
        FCanvas->FillRect(rect);
        return;
    }
    const int32_t w = bitmap->GetWidth(), h = bitmap->GetHeight();
    win::HDC source = bitmap->GetCanvas()->GetHandle();
    win::HDC dc = GetHandle();
    for (int32_t j = GraphicsFloorDiv(rect.Top, h); j <= GraphicsFloorDiv(rect.Bottom - 1, h); ++j)
        for (int32_t i = GraphicsFloorDiv(rect.Left, w); i <= GraphicsFloorDiv(rect.Right - 1, w); ++i) {
            const win::TRect tile{i * w, j * h, (i + 1) * w, (j + 1) * h};
            const win::TRect part = win::Intersect(tile, rect);
            if (GraphicsEmpty(part))
                continue;
            win::BitBlt(dc, part.Left, part.Top, part.Right - part.Left, part.Bottom - part.Top, source,
                        part.Left - tile.Left, part.Top - tile.Top, win::SRCCOPY);
        }
}

void TlkCanvas::FillBand(const win::TRect& rect, TColor color) {
    if (GraphicsEmpty(rect))
        return;
    SetBrushColor(color);
    FCanvas->FillRect(rect);
}

void TlkCanvas::FillBorderBands(const win::TRect& rect, TColor color, TlkBorders sides, int32_t width) {
    if (GraphicsEmpty(rect) || width <= 0)
        return;
    if (color != vcl::clDefault)
        SetBrushColor(color);
    const TColor brush = GetBrush()->GetColor();
    if (sides & lkbLeft)
        FillBand({rect.Left, rect.Top, std::min(rect.Left + width, rect.Right), rect.Bottom}, brush);
    if (sides & lkbRight)
        FillBand({std::max(rect.Right - width, rect.Left), rect.Top, rect.Right, rect.Bottom}, brush);
    if (sides & lkbTop)
        FillBand({rect.Left, rect.Top, rect.Right, std::min(rect.Top + width, rect.Bottom)}, brush);
    if (sides & lkbBottom)
        FillBand({rect.Left, std::max(rect.Bottom - width, rect.Top), rect.Right, rect.Bottom}, brush);
}

void TlkCanvas::DrawFramedFill(const win::TRect& rect, vcl::TBitmap* fillBitmap, TColor fillColor, int32_t width,
                               TColor borderColor, TlkBorders sides) {
    FillBorderBands(rect, borderColor, sides, width);
    win::TRect inner = rect;
    if (sides & lkbLeft)
        inner.Left += width;
    if (sides & lkbTop)
        inner.Top += width;
    if (sides & lkbRight)
        inner.Right -= width;
    if (sides & lkbBottom)
        inner.Bottom -= width;
    SetBrushColor(fillColor);
    FillRectOrTile(inner, fillBitmap);
}

void TlkCanvas::DrawBorders(const win::TRect& rect, TColor topLeft, int32_t width, TlkBorders sides,
                            TColor bottomRight) {
    if (GraphicsEmpty(rect) || width <= 0)
        return;
    if (sides & lkbLeft)
        FillBand({rect.Left, rect.Top, std::min(rect.Left + width, rect.Right), rect.Bottom}, topLeft);
    if (sides & lkbTop)
        FillBand({rect.Left, rect.Top, rect.Right, std::min(rect.Top + width, rect.Bottom)}, topLeft);
    if (sides & lkbRight)
        FillBand({std::max(rect.Right - width, rect.Left), rect.Top, rect.Right, rect.Bottom}, bottomRight);
    if (sides & lkbBottom)
        FillBand({rect.Left, std::max(rect.Bottom - width, rect.Top), rect.Right, rect.Bottom}, bottomRight);
}

void TlkCanvas::DrawEdgeBand(const win::TRect& rect, bool sunken, TlkBorders sides, bool outer) {
    TColor topLeft, bottomRight;
    if (!sunken && outer) {
        topLeft = vcl::cl3DLight;
        bottomRight = vcl::cl3DDkShadow;
    } else if (!sunken) {
        topLeft = vcl::clBtnHighlight;
        bottomRight = vcl::clBtnShadow;
    } else if (outer) {
        topLeft = vcl::clBtnShadow;
        bottomRight = vcl::clBtnHighlight;
    } else {
        topLeft = vcl::cl3DDkShadow;
        bottomRight = vcl::cl3DLight;
    }
    DrawBorders(rect, topLeft, 1, sides, bottomRight);
}

void TlkCanvas::CalcTextRect(const std::string& text, win::TRect& rect, TlkTextFlags flags) {
    const win::TRect given = rect;
    win::UINT format = (ConvertTextFlags(flags) | win::DT_CALCRECT) & ~win::UINT(win::DT_VCENTER);
    {
        TlkTextScope scope(FCanvas, GetFont()->GetColor());
        win::DrawText(scope.Dc(), text.c_str(), int(text.size()), &rect, format);
    }
    const int32_t dw = (given.Right - given.Left) - (rect.Right - rect.Left);
    const int32_t dh = (given.Bottom - given.Top) - (rect.Bottom - rect.Top);
    if (format & win::DT_CENTER)
        rect = win::Offset(rect, dw / 2, 0);
    else if (format & win::DT_RIGHT)
        rect = win::Offset(rect, dw, 0);
    if (ConvertTextFlags(flags) & win::DT_VCENTER)
        rect = win::Offset(rect, 0, dh / 2);
    else if (format & win::DT_BOTTOM)
        rect = win::Offset(rect, 0, dh);
}

void TlkCanvas::DrawTextInRect(const std::string& text, const win::TRect& rect, TlkTextFlags flags, bool enabled) {
    if (text.empty())
        return;
    const int32_t d = enabled ? 0 : 1;
    win::UINT format = ConvertTextFlags(flags);
    const win::TSize extent = TextExtent(text);
    const int32_t w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (extent.cx < w && extent.cy < h)
        format |= win::DT_NOCLIP;
    const bool singleLine = (flags & lktfSingleLine) != 0;
    const bool useDrawText =
        !singleLine || (flags & (lktfShowPrefix | lktfShowEndEllipsis | lktfShowPathEllipsis)) != 0;

    // Where the text goes: a rect for DrawText, a point and a clip rect for ExtTextOut. The embossed copy of
    // disabled text lies one pixel right and down; the layout leaves that pixel inside the rect.
    win::TRect textRect = rect;
    int32_t x = rect.Left, y = rect.Top;
    if (useDrawText) {
        if (!singleLine && (flags & (lktfAlignBottom | lktfAlignVCenter))) {
            win::TRect measured{0, 0, w - d, 0};
            CalcTextRect(text, measured, flags);
            const int32_t textHeight = measured.Bottom - measured.Top;
            if (flags & lktfAlignBottom)
                textRect.Top = textRect.Bottom - textHeight - d;
            else
                textRect.Top = (textRect.Top + textRect.Bottom - textHeight) / 2;
        }
        textRect.Right -= d;
        textRect.Bottom -= d;
    } else {
        if (extent.cx < w) {
            if (flags & lktfAlignRight)
                x = rect.Right - extent.cx - d;
            else if (flags & lktfAlignHCenter)
                x = (rect.Left + rect.Right - extent.cx) / 2;
        }
        if (extent.cy < h) {
            if (flags & lktfAlignBottom)
                y = rect.Bottom - extent.cy - d;
            else if (flags & lktfAlignVCenter)
                y = (rect.Top + rect.Bottom - extent.cy) / 2;
        }
    }
    auto draw = [&](int32_t offset, TColor color) {
        TlkTextScope scope(FCanvas, color);
        if (useDrawText) {
            win::TRect r = win::Offset(textRect, offset, offset);
            win::DrawText(scope.Dc(), text.c_str(), int(text.size()), &r, format);
        } else {
            const win::UINT options = (format & win::DT_NOCLIP) ? 0 : win::ETO_CLIPPED;
            win::ExtTextOut(scope.Dc(), x + offset, y + offset, options, &rect, text.c_str(), win::UINT(text.size()),
                            nullptr);
        }
    };
    vcl::TBrush* brush = GetBrush();
    const vcl::TBrushStyle oldStyle = brush->GetStyle();
    if (enabled) {
        draw(0, GetFont()->GetColor());
    } else {
        brush->SetStyle(vcl::bsClear);
        draw(1, vcl::clBtnHighlight);
        draw(0, vcl::clBtnShadow);
        brush->SetStyle(oldStyle);
    }
}

void TlkCanvas::InvertRect(const win::TRect& rect) {
    const vcl::TCopyMode old = FCanvas->GetCopyMode();
    FCanvas->SetCopyMode(vcl::cmDstInvert);
    FCanvas->CopyRect(rect, FCanvas, rect);
    (void)old;
    FCanvas->SetCopyMode(vcl::cmSrcCopy);
}

// For a W by H bitmap the pixel at column x, row y goes to:
//   angle 0: (x, H-1-y) with flip; nothing without;
//   angle 1: (y, W-1-x), with flip (y, x); the bitmap becomes H by W;
//   angle 2: (H-1-y, x), with flip (H-1-y, W-1-x); the bitmap becomes H by W;
//   angle 3: (W-1-x, H-1-y), with flip (W-1-x, y).
void TlkCanvas::RotateBitmap(vcl::TBitmap* bitmap, int32_t angle, bool flip) {
    if (!bitmap || bitmap->GetEmpty() || angle < 0 || angle > 3 || (angle == 0 && !flip))
        return;
    const int32_t w = bitmap->GetWidth(), h = bitmap->GetHeight();
    win::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = win::BI_RGB;
    std::vector<uint32_t> source(size_t(w) * size_t(h));
    win::HDC screen = win::GetDC(nullptr);
    win::GetDIBits(screen, bitmap->GetHandle(), 0, win::UINT(h), source.data(), &info, win::DIB_RGB_COLORS);
    const bool turned = angle == 1 || angle == 2;
    const int32_t nw = turned ? h : w, nh = turned ? w : h;
    std::vector<uint32_t> target(source.size());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int32_t tx, ty;
            switch (angle) {
            case 0: tx = x, ty = h - 1 - y; break;
            case 1: tx = y, ty = flip ? x : w - 1 - x; break;
            case 2: tx = h - 1 - y, ty = flip ? w - 1 - x : x; break;
            default: tx = w - 1 - x, ty = flip ? y : h - 1 - y; break;
            }
            target[size_t(ty) * size_t(nw) + size_t(tx)] = source[size_t(y) * size_t(w) + size_t(x)];
        }
    bitmap->SetSize(nw, nh);
    info.bmiHeader.biWidth = nw;
    info.bmiHeader.biHeight = -nh;
    win::SetDIBits(screen, bitmap->GetHandle(), 0, win::UINT(nh), target.data(), &info, win::DIB_RGB_COLORS);
    win::ReleaseDC(nullptr, screen);
}

TColor HotFaceSystemColor() { return NearestScreenColor(GetBlendedSystemColor(-2, 30, 72)); }
TColor PressedFaceSystemColor() { return NearestScreenColor(GetBlendedSystemColor(14, 44, 40)); }

} // namespace lookandfeel
