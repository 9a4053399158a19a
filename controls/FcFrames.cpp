#include "controls/FcFrames.h"

#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Filer.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace controls {

using vcl::TCanvas;

namespace {

const char* const FramesStyleNames[] = {"fsNone",    "fsFlat",   "fsGroove", "fsBump",      "fsLowered",
                                        "fsButtonDown", "fsRaised", "fsButtonUp", "fsStatus", "fsPopup",
                                        "fsFlatBold", "fsFlatRounded"};

bool FramesEmpty(const TRect& r) { return r.Right - r.Left <= 0 || r.Bottom - r.Top <= 0; }

void FramesLine(TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
}

TRect FramesShrink(const TRect& r, TSides sides, int32_t by) {
    TRect inner = r;
    if (sides.Contains(sdLeft))
        inner.Left += by;
    if (sides.Contains(sdTop))
        inner.Top += by;
    if (sides.Contains(sdRight))
        inner.Right -= by;
    if (sides.Contains(sdBottom))
        inner.Bottom -= by;
    return inner;
}

// Groove and bump: two offset frames with their corner pixels set first.
TRect FramesEtched(TCanvas* canvas, const TRect& b, TColor ul, TColor lr, TSides sides) {
    if (FramesEmpty(b))
        return b;
    const bool l = sides.Contains(sdLeft), t = sides.Contains(sdTop), r = sides.Contains(sdRight),
               bt = sides.Contains(sdBottom);
    if (r)
        canvas->SetPixel(b.Right - 1, b.Top, lr);
    if (t && !r)
        canvas->SetPixel(b.Right - 1, b.Top, ul);
    if (bt)
        canvas->SetPixel(b.Left, b.Bottom - 1, lr);
    if (l && !bt)
        canvas->SetPixel(b.Left, b.Bottom - 1, ul);
    if (t && !l)
        canvas->SetPixel(b.Left, b.Top + 1, lr);
    if (!t && l)
        canvas->SetPixel(b.Left + 1, b.Top, lr);
    if (bt && !r)
        canvas->SetPixel(b.Right - 1, b.Bottom - 2, ul);
    if (!bt && r)
        canvas->SetPixel(b.Right - 2, b.Bottom - 1, ul);
    PaintSides(canvas, {b.Left + 1, b.Top + 1, b.Right, b.Bottom}, lr, lr, sides);
    PaintSides(canvas, {b.Left, b.Top, b.Right - 1, b.Bottom - 1}, ul, ul, sides);
    return FramesShrink(b, sides, 2);
}

TRect FramesRing2(TCanvas* canvas, const TRect& b, TColor outerUL, TColor outerLR, TColor innerUL, TColor innerLR,
                  TSides sides) {
    TRect r = PaintSides(canvas, b, outerUL, outerLR, sides);
    return PaintSides(canvas, r, innerUL, innerLR, sides);
}

} // namespace

std::string FrameStyleName(TFrameStyleEx style) {
    return style <= fsFlatRounded ? FramesStyleNames[style] : std::string();
}

std::optional<TFrameStyle> FrameStyleFromName(const std::string& name) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string key = lower(name);
    for (int i = fsNone; i <= FrameStyleLast; ++i)
        if (lower(FramesStyleNames[i]) == key)
            return TFrameStyle(i);
    return std::nullopt;
}

bool FrameColorStored(bool controllerLinked, bool enabled) { return !controllerLinked && enabled; }

bool FrameFocusColorStored(bool controllerLinked, TColor focusColor, TColor color) {
    return !controllerLinked && vcl::ColorToRGB(focusColor) != vcl::ColorToRGB(color);
}

bool FrameSettingStored(bool controllerLinked) { return !controllerLinked; }

void ReadLegacyFrameFlat(vcl::TReader* reader, const TLegacyFrameTarget& target) {
    bool flat = reader->ReadBoolean();
    if (target.SetFrameHotTrack)
        target.SetFrameHotTrack(flat);
    if (flat) {
        if (target.SetFrameStyle)
            target.SetFrameStyle(fsStatus);
        if (target.SetFrameHotStyle)
            target.SetFrameHotStyle(fsLowered);
    }
}

void ReadLegacyFrameFocusStyle(vcl::TReader* reader, const TLegacyFrameTarget& target) {
    // A layout file is input: a name that is no frame style leaves FrameHotStyle as it is.
    std::optional<TFrameStyle> style = FrameStyleFromName(reader->ReadIdent());
    if (style && target.SetFrameHotStyle)
        target.SetFrameHotStyle(*style);
}

void ReadLegacyFrameFlatStyle(vcl::TReader* reader) { reader->ReadIdent(); }

void DefineLegacyFrameProperties(vcl::TFiler* filer, const TLegacyFrameTarget& target) {
    filer->DefineProperty(
        "FrameFlat", [target](vcl::TReader* r) { ReadLegacyFrameFlat(r, target); }, nullptr, false);
    filer->DefineProperty(
        "FrameFocusStyle", [target](vcl::TReader* r) { ReadLegacyFrameFocusStyle(r, target); }, nullptr, false);
    filer->DefineProperty(
        "FrameFlatStyle", [](vcl::TReader* r) { ReadLegacyFrameFlatStyle(r); }, nullptr, false);
}

TRect PaintSides(TCanvas* canvas, const TRect& b, TColor ulColor, TColor lrColor, TSides sides) {
    if (FramesEmpty(b))
        return b;
    canvas->GetPen()->SetWidth(1);
    if (ulColor != vcl::clNone) {
        canvas->GetPen()->SetColor(ulColor);
        if (sides.Contains(sdLeft))
            FramesLine(canvas, b.Left, b.Top, b.Left, b.Bottom);
        if (sides.Contains(sdTop))
            FramesLine(canvas, b.Left, b.Top, b.Right, b.Top);
    }
    if (lrColor != vcl::clNone) {
        canvas->GetPen()->SetColor(lrColor);
        if (sides.Contains(sdRight))
            FramesLine(canvas, b.Right - 1, b.Top, b.Right - 1, b.Bottom);
        if (sides.Contains(sdBottom))
            FramesLine(canvas, b.Left, b.Bottom - 1, b.Right, b.Bottom - 1);
    }
    return FramesShrink(b, sides, 1);
}

TRect PaintBevel(TCanvas* canvas, const TRect& bounds, TColor ulColor, TColor lrColor, int32_t count,
                 TSides sides) {
    TRect r = bounds;
    if (FramesEmpty(r))
        return r;
    canvas->GetPen()->SetWidth(1);
    for (int32_t i = 0; i < count && !FramesEmpty(r); ++i)
        r = PaintSides(canvas, r, ulColor, lrColor, sides);
    return r;
}

TRect Paint3DBorderSides(TCanvas* canvas, const TRect& bounds, bool lowered, TSides sides) {
    using namespace vcl;
    if (lowered)
        return FramesRing2(canvas, bounds, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, sides);
    return FramesRing2(canvas, bounds, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, sides);
}

TRect PaintButtonBorderSides(TCanvas* canvas, const TRect& bounds, bool lowered, TSides sides) {
    using namespace vcl;
    if (lowered)
        return FramesRing2(canvas, bounds, clBtnText, clBtnText, clBtnShadow, clBtnShadow, sides);
    return FramesRing2(canvas, bounds, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, sides);
}

TRect PaintButtonBorder(TCanvas* canvas, const TRect& bounds, bool lowered) {
    return PaintButtonBorderSides(canvas, bounds, lowered, AllSides);
}

TRect PaintColorButtonBorderSides(TCanvas* canvas, const TRect& bounds, TColor face, bool lowered, TSides sides) {
    if (FramesEmpty(bounds))
        return bounds;
    if (lowered) {
        TColor outer = DarkerColor(face, 100), inner = DarkerColor(face, 50);
        return FramesRing2(canvas, bounds, outer, outer, inner, inner, sides);
    }
    return FramesRing2(canvas, bounds, LighterColor(face, 100), DarkerColor(face, 100), LighterColor(face, 40),
                       DarkerColor(face, 50), sides);
}

TRect PaintColorButtonBorder(TCanvas* canvas, const TRect& bounds, TColor faceColor, bool lowered) {
    return PaintColorButtonBorderSides(canvas, bounds, faceColor, lowered, AllSides);
}

TRect PaintStyleBorderSides(TCanvas* canvas, const TRect& bounds, TFrameStyleEx style, TSides sides) {
    using namespace vcl;
    if (FramesEmpty(bounds))
        return bounds;
    switch (style) {
    case fsNone:
        return bounds;
    case fsFlat:
        return PaintSides(canvas, bounds, cl3DDkShadow, cl3DDkShadow, sides);
    case fsGroove:
        return FramesEtched(canvas, bounds, clBtnShadow, clBtnHighlight, sides);
    case fsLowered:
        return Paint3DBorderSides(canvas, bounds, true, sides);
    case fsButtonDown:
        return PaintButtonBorderSides(canvas, bounds, true, sides);
    case fsRaised:
        return Paint3DBorderSides(canvas, bounds, false, sides);
    case fsButtonUp:
        return PaintButtonBorderSides(canvas, bounds, false, sides);
    case fsStatus:
        return PaintSides(canvas, bounds, clBtnShadow, clBtnHighlight, sides);
    case fsPopup:
        return PaintSides(canvas, bounds, clBtnHighlight, clBtnShadow, sides);
    case fsFlatBold:
        return PaintBevel(canvas, bounds, clBtnShadow, clBtnShadow, 2, sides);
    case fsBump:
    default: // no TFrameStyle: drawn as the shaded routine draws it
        return FramesEtched(canvas, bounds, clBtnHighlight, clBtnShadow, sides);
    }
}

TRect PaintStyleBorder(TCanvas* canvas, const TRect& bounds, TFrameStyleEx style) {
    return PaintStyleBorderSides(canvas, bounds, style, AllSides);
}

TRect PaintColorStyleBorderSides(TCanvas* canvas, const TRect& bounds, TColor face, TFrameStyleEx style,
                                 TSides sides) {
    if (FramesEmpty(bounds))
        return bounds;
    auto d = [face](uint8_t n) { return DarkerColor(face, n); };
    auto li = [face](uint8_t n) { return LighterColor(face, n); };
    switch (style) {
    case fsNone:
        return bounds;
    case fsFlat:
        return PaintSides(canvas, bounds, d(50), d(50), sides);
    case fsGroove:
        return FramesEtched(canvas, bounds, d(50), li(100), sides);
    case fsLowered:
        return FramesRing2(canvas, bounds, d(50), li(100), d(100), li(50), sides);
    case fsButtonDown:
        return PaintColorButtonBorderSides(canvas, bounds, face, true, sides);
    case fsRaised:
        return FramesRing2(canvas, bounds, li(50), d(100), li(100), d(50), sides);
    case fsButtonUp:
        return PaintColorButtonBorderSides(canvas, bounds, face, false, sides);
    case fsStatus:
        return PaintSides(canvas, bounds, d(50), li(100), sides);
    case fsPopup:
        return PaintSides(canvas, bounds, li(100), d(50), sides);
    case fsFlatBold:
        return FramesRing2(canvas, bounds, d(50), d(50), d(50), d(50), sides);
    case fsBump:
    default:
        return FramesEtched(canvas, bounds, li(100), d(50), sides);
    }
}

TRect PaintColorStyleBorder(TCanvas* canvas, const TRect& bounds, TColor faceColor, TFrameStyleEx style) {
    return PaintColorStyleBorderSides(canvas, bounds, faceColor, style, AllSides);
}

TRect PaintRoundedFlatBorder(TCanvas* canvas, const TRect& b, TColor color, TSides sides) {
    if (FramesEmpty(b))
        return b;
    const bool l = sides.Contains(sdLeft), t = sides.Contains(sdTop), r = sides.Contains(sdRight),
               bt = sides.Contains(sdBottom);
    const int32_t y0 = t ? b.Top + 2 : b.Top, y1 = bt ? b.Bottom - 2 : b.Bottom;
    const int32_t x0 = l ? b.Left + 2 : b.Left, x1 = r ? b.Right - 2 : b.Right;
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetColor(color);
    if (l)
        FramesLine(canvas, b.Left, y0, b.Left, y1);
    if (t)
        FramesLine(canvas, x0, b.Top, x1, b.Top);
    if (r)
        FramesLine(canvas, b.Right - 1, y0, b.Right - 1, y1);
    if (bt)
        FramesLine(canvas, x0, b.Bottom - 1, x1, b.Bottom - 1);
    if (l && t)
        canvas->SetPixel(b.Left + 1, b.Top + 1, color);
    if (t && r)
        canvas->SetPixel(b.Right - 2, b.Top + 1, color);
    if (r && bt)
        canvas->SetPixel(b.Right - 2, b.Bottom - 2, color);
    if (l && bt)
        canvas->SetPixel(b.Left + 1, b.Bottom - 2, color);
    return {x0, y0, x1, y1};
}

TRect PaintInnerOuterBorders(TCanvas* canvas, const TRect& rect, TFrameStyleEx borderOuter,
                             TFrameStyleEx borderInner, int32_t borderWidth, TSides sides, int32_t bevelWidth,
                             TColor borderColor, TColor borderHighlight, TColor borderShadow, TColor flatColor,
                             int32_t flatColorAdjustment, TColor color, TColor parentColor, bool transparent,
                             bool cutCorners) {
    if (FramesEmpty(rect))
        return rect;
    const TColor f = ShadeColor(flatColor, flatColorAdjustment);
    const bool framedInside = borderWidth > 0 || borderInner != fsNone;
    TRect r = rect;

    // The styles the outer and inner frames draw alike.
    auto paintFrame = [&](TFrameStyleEx style) {
        switch (style) {
        case fsFlat:
            return PaintBevel(canvas, r, f, f, 1, sides);
        case fsFlatBold:
            return PaintBevel(canvas, r, f, f, 2, sides);
        case fsPopup:
            return PaintBevel(canvas, r, borderHighlight, borderShadow, bevelWidth, sides);
        case fsStatus:
            return PaintBevel(canvas, r, borderShadow, borderHighlight, bevelWidth, sides);
        default:
            return PaintStyleBorderSides(canvas, r, style, sides);
        }
    };

    // The outer frame.
    if (borderOuter == fsFlatRounded) {
        if (!transparent) {
            TRect inside = PaintBevel(canvas, r, parentColor, parentColor, 1, sides);
            TColor ring = framedInside ? borderColor : color;
            PaintBevel(canvas, inside, ring, ring, 1, sides);
        } else if (framedInside) {
            PaintBevel(canvas, FramesShrink(r, AllSides, 1), borderColor, borderColor, 1, sides);
        }
        r = PaintRoundedFlatBorder(canvas, r, f, sides);
    } else {
        r = paintFrame(borderOuter);
    }

    if (borderWidth > 0)
        r = PaintBevel(canvas, r, borderColor, borderColor, borderWidth, sides);

    // The inner frame.
    if (borderInner == fsFlat && cutCorners) {
        if (!FramesEmpty(r)) {
            canvas->GetPen()->SetWidth(1);
            canvas->GetPen()->SetColor(f);
            FramesLine(canvas, r.Left, r.Top + 1, r.Left, r.Bottom - 1);
            FramesLine(canvas, r.Left + 1, r.Top, r.Right - 1, r.Top);
            FramesLine(canvas, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
            FramesLine(canvas, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
            r = FramesShrink(r, AllSides, 1);
        }
    } else if (borderInner == fsFlatRounded) {
        if (!transparent) {
            TRect inside = PaintBevel(canvas, r, borderColor, borderColor, 1, sides);
            PaintBevel(canvas, inside, color, color, 1, sides);
        } else {
            PaintBevel(canvas, r, borderColor, borderColor, 1, sides);
        }
        r = PaintRoundedFlatBorder(canvas, r, f, sides);
    } else {
        r = paintFrame(borderInner);
    }
    return r;
}

void PaintControlFrame(TCanvas* canvas, int32_t width, int32_t height, TFrameStyleEx style, TColor color,
                       TColor frameColor, TSides sides, bool skipClear) {
    const TRect bounds{0, 0, width, height};
    if (FramesEmpty(bounds))
        return;
    if (!skipClear)
        PaintBevel(canvas, bounds, color, color, 2, AllSides);
    switch (style) {
    case fsFlat:
        PaintSides(canvas, bounds, frameColor, frameColor, sides);
        break;
    case fsFlatBold:
        PaintBevel(canvas, bounds, frameColor, frameColor, 2, sides);
        break;
    default:
        if (color == vcl::clWindow)
            PaintStyleBorderSides(canvas, bounds, style, sides);
        else
            PaintColorStyleBorderSides(canvas, bounds, color, style, sides);
        break;
    }
}

TRect PaintFocusBorder(TCanvas* canvas, const TRect& b) {
    if (FramesEmpty(b))
        return b;
    for (int32_t y = b.Top + 1; y < b.Bottom; y += 2) {
        canvas->SetPixel(b.Left, y, vcl::clBlack);
        canvas->SetPixel(b.Right - 1, y, vcl::clBlack);
    }
    for (int32_t x = b.Left + 1; x < b.Right; x += 2) {
        canvas->SetPixel(x, b.Top, vcl::clBlack);
        canvas->SetPixel(x, b.Bottom - 1, vcl::clBlack);
    }
    return {b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1};
}

TRect CentredRect(const TRect& rect, int32_t width, int32_t height) {
    int32_t left = (rect.Left + rect.Right - width) / 2;
    int32_t top = (rect.Top + rect.Bottom - height) / 2;
    return {left, top, left + width, top + height};
}

TColor XPArrowColor() {
    TThemeServices* services = GetThemeServices();
    win::HDC dc = win::CreateCompatibleDC(nullptr);
    win::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 17;
    info.bmiHeader.biHeight = -21;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::HBITMAP bitmap = win::CreateDIBSection(dc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(bitmap));
    services->PaintElement(dc, services->DetailsForComboBox(tcDropDownButtonNormal), {0, 0, 16, 20});
    TColor color = TColor(win::GetPixel(dc, 8, 10));
    win::SelectObject(dc, old);
    win::DeleteObject(bitmap);
    win::DeleteDC(dc);
    if (ColorsAreClose(color, vcl::clWindow))
        color = vcl::cl3DDkShadow;
    return color;
}

namespace {

void FramesArrow(TCanvas* canvas, const std::vector<win::TPoint>& points, TColor color) {
    vcl::TBrush* brush = canvas->GetBrush();
    const TColor oldColor = brush->GetColor();
    const vcl::TBrushStyle oldStyle = brush->GetStyle();
    brush->SetColor(color);
    brush->SetStyle(vcl::bsSolid);
    canvas->GetPen()->SetStyle(vcl::psClear);
    canvas->Polygon(points);
    brush->SetColor(oldColor);
    brush->SetStyle(oldStyle);
    canvas->GetPen()->SetStyle(vcl::psSolid);
}

// xpLook counts only while themes are enabled.
bool FramesXPLook(bool xpLook) { return xpLook && GetThemeServices()->ThemesEnabled(); }

TColor FramesArrowColor(bool xp, bool enabled) {
    if (!enabled)
        return vcl::clBtnShadow;
    return xp ? XPArrowColor() : vcl::clBlack;
}

void FramesCentre(const TRect& r, int32_t& cx, int32_t& cy) {
    cx = r.Left + (r.Right - r.Left) / 2;
    cy = r.Top + (r.Bottom - r.Top) / 2;
    if ((r.Bottom - r.Top) % 2 == 0)
        --cy;
}

} // namespace

void PaintDropDownArrow(TCanvas* canvas, const TRect& rect, bool xpLook, bool pushed, bool enabled) {
    if (FramesEmpty(rect))
        return;
    const bool xp = FramesXPLook(xpLook);
    int32_t cx, cy;
    FramesCentre(rect, cx, cy);
    cy += xp ? 4 : 2;
    if (pushed) {
        ++cx;
        ++cy;
    }
    std::vector<win::TPoint> points;
    if (xp)
        points = {{cx, cy}, {cx - 4, cy - 5}, {cx - 3, cy - 7}, {cx, cy - 3}, {cx + 3, cy - 7}, {cx + 5, cy - 5}};
    else
        points = {{cx, cy}, {cx - 3, cy - 4}, {cx + 4, cy - 4}};
    FramesArrow(canvas, points, FramesArrowColor(xp, enabled));
}

void PaintDirectionArrow(TCanvas* canvas, const TRect& rect, bool xpLook, uint8_t direction, bool pushed,
                         bool enabled) {
    if (FramesEmpty(rect) || direction > adRight)
        return;
    const bool xp = FramesXPLook(xpLook);
    int32_t cx, cy;
    FramesCentre(rect, cx, cy);
    if (xp) {
        static const int32_t dx[] = {0, 0, -1, -3}, dy[] = {4, 2, 0, 0};
        cx += dx[direction];
        cy += dy[direction];
    } else if (direction == adUp || direction == adDown) {
        cy += 2;
    } else {
        cx -= 2;
    }
    if (pushed && enabled) {
        ++cx;
        ++cy;
    }
    std::vector<win::TPoint> points;
    switch (direction) {
    case adUp:
        points = xp ? std::vector<win::TPoint>{{cx, cy - 5}, {cx + 4, cy}, {cx + 1, cy}, {cx, cy - 2}, {cx - 1, cy},
                                               {cx - 4, cy}}
                    : std::vector<win::TPoint>{{cx, cy - 5}, {cx + 4, cy}, {cx - 4, cy}};
        break;
    case adDown:
        points = xp ? std::vector<win::TPoint>{{cx, cy}, {cx - 3, cy - 4}, {cx, cy - 4}, {cx, cy - 3},
                                               {cx + 1, cy - 4}, {cx + 4, cy - 4}}
                    : std::vector<win::TPoint>{{cx, cy + 1}, {cx - 3, cy - 3}, {cx + 4, cy - 3}};
        break;
    case adLeft:
        points = xp ? std::vector<win::TPoint>{{cx, cy}, {cx + 4, cy - 4}, {cx + 4, cy - 1}, {cx + 3, cy},
                                               {cx + 4, cy + 1}, {cx + 4, cy + 4}}
                    : std::vector<win::TPoint>{{cx, cy}, {cx + 4, cy - 4}, {cx + 4, cy + 4}};
        break;
    default:
        points = xp ? std::vector<win::TPoint>{{cx + 4, cy}, {cx, cy + 4}, {cx, cy + 1}, {cx + 1, cy},
                                               {cx, cy - 1}, {cx, cy - 4}}
                    : std::vector<win::TPoint>{{cx + 4, cy}, {cx, cy + 4}, {cx, cy - 4}};
        break;
    }
    FramesArrow(canvas, points, FramesArrowColor(xp, enabled));
}

} // namespace controls
