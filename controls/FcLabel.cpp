// The label and the URL label: settings, blinking, fly-by colour, the frame controller, sizing and the three
// ways of drawing text (straight, rotated flat, curved along an ellipse).
#include "controls/FcLabel.h"

#include "controls/FcCommon.h"
#include "controls/FcGraphics.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/kernel/Sync.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <cmath>

namespace controls {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Rounds a finite value half to even; nothing that is not finite reaches here.
int32_t RoundI(double v) { return int32_t(std::nearbyint(v)); }

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && uint8_t(s[b]) <= ' ')
        ++b;
    while (e > b && uint8_t(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

win::TSize TextSize(win::HDC dc, const std::string& s) {
    win::SIZE z{0, 0};
    win::GetTextExtentPoint32(dc, s.data(), int(s.size()), &z);
    return {z.cx, z.cy};
}

} // namespace

// ---- Construction --------------------------------------------------------------------------------------

TFcLabel::TFcLabel(vcl::TComponent* owner) : vcl::TCustomLabel(owner) {
    FSettingColor = true;
    SetColor(vcl::clBtnFace);
    SetParentColor(true);
    FSettingColor = false;
    FNormalColor = FCurrentColor = GetFont()->GetColor();
    NeedBlinkingControlsList()->Add(this);
}

TFcLabel::~TFcLabel() {
    if (TFcBlinkingControlsList* list = BlinkingControlsList())
        list->Remove(this);
    FreeBlinkingListIfEmpty();
    if (FFrameController)
        FFrameController->RemoveControl(this);
}

void TFcLabel::Changed() { Invalidate(); }

#define FC_LABEL_SETTER(Type, Name)                                                                            \
    void TFcLabel::Set##Name(Type value) {                                                                     \
        if (F##Name == value)                                                                                  \
            return;                                                                                            \
        F##Name = value;                                                                                       \
        Changed();                                                                                             \
    }
FC_LABEL_SETTER(TCenterPoint, CenterPoint)
FC_LABEL_SETTER(bool, LightTextStyle)
FC_LABEL_SETTER(TColor, HighlightColor)
FC_LABEL_SETTER(TColor, ShadowColor)
FC_LABEL_SETTER(TColor, BlinkColor)
FC_LABEL_SETTER(TColor, BorderColor)
FC_LABEL_SETTER(TColor, BorderHighlight)
FC_LABEL_SETTER(TColor, BorderShadow)
FC_LABEL_SETTER(TColor, FlatColor)
FC_LABEL_SETTER(int32_t, FlatColorAdjustment)
FC_LABEL_SETTER(TColor, FlyByColor)
#undef FC_LABEL_SETTER

// Settings that change the text's size: the label sizes itself again.
#define FC_LABEL_SIZE_SETTER(Type, Name)                                                                       \
    void TFcLabel::Set##Name(Type value) {                                                                     \
        if (F##Name == value)                                                                                  \
            return;                                                                                            \
        F##Name = value;                                                                                       \
        AdjustBounds();                                                                                        \
        Changed();                                                                                             \
    }
FC_LABEL_SIZE_SETTER(TTextStyle, TextStyle)
FC_LABEL_SIZE_SETTER(int32_t, ShadowDepth)
FC_LABEL_SIZE_SETTER(TFrameStyleEx, BorderOuter)
FC_LABEL_SIZE_SETTER(TFrameStyleEx, BorderInner)
FC_LABEL_SIZE_SETTER(TSides, BorderSides)
FC_LABEL_SIZE_SETTER(int32_t, BorderWidth)
FC_LABEL_SIZE_SETTER(int32_t, BevelWidth)
#undef FC_LABEL_SIZE_SETTER

bool TFcLabel::FontIsTrueType() { return IsTrueTypeFont(GetFont()); }

void TFcLabel::UseOutlineFont() {
    if (!FontIsTrueType())
        GetFont()->SetName("Verdana");
}

void TFcLabel::SetAngle(int32_t value) {
    // Any whole number of degrees lands in 0 to 359 (-450 is 270).
    value = ((value % 360) + 360) % 360;
    if (FAngle == value)
        return;
    FAngle = value;
    if (!Loading() && value != 0)
        UseOutlineFont();
    if (value != 0 && FRotation == roNone)
        FRotation = roFlat;
    AdjustBounds();
    Changed();
}

void TFcLabel::SetRotation(TRotation value) {
    if (FRotation == value)
        return;
    FRotation = value;
    // While a layout is read, the angle read with the rotation stays as it was written.
    if (!Loading()) {
        if (value != roNone)
            UseOutlineFont();
        if (value == roNone || value == roFlat)
            FAngle = 0;
        if (value == roFlat)
            FCenterPoint = cpCenter;
    }
    AdjustBounds();
    Changed();
}

void TFcLabel::SetBlinking(bool value) {
    if (FBlinking == value)
        return;
    FBlinking = value;
    if (!value) {
        FBlinkOn = false;
        FCurrentColor = FNormalColor;
    }
    Changed();
}

void TFcLabel::BlinkStateChanged(bool on) {
    FBlinkOn = on;
    FCurrentColor = on ? FBlinkColor : FNormalColor;
    Repaint();
}

uint16_t TFcLabel::GetBlinkIntervalOn() const { return NeedBlinkingControlsList()->GetBlinkIntervalOn(); }
void TFcLabel::SetBlinkIntervalOn(uint16_t value) { NeedBlinkingControlsList()->SetBlinkIntervalOn(value); }
uint16_t TFcLabel::GetBlinkIntervalOff() const { return NeedBlinkingControlsList()->GetBlinkIntervalOff(); }
void TFcLabel::SetBlinkIntervalOff(uint16_t value) { NeedBlinkingControlsList()->SetBlinkIntervalOff(value); }

void TFcLabel::SetFlyByEnabled(bool value) {
    if (FFlyByEnabled == value)
        return;
    FFlyByEnabled = value;
    if (!value && FFlyByActive) {
        FFlyByActive = false;
        GetFont()->SetColor(FFlyBySavedColor);
    }
}

void TFcLabel::SetCondenseCaption(TFcCondenseCaption value) {
    if (FCondenseCaption == value)
        return;
    FCondenseCaption = value;
    if (value != ccNone)
        SetAutoSize(false);
    Changed();
}

void TFcLabel::SetFrameController(TFcFrameController* value) {
    LinkFrameController(this, FFrameController, value);
}

void TFcLabel::ApplyFrameController() {
    TFcFrameController* c = FFrameController;
    if (!c || !c->GetFrameVisible())
        return;
    TakeControllerBorder(*c, this, {FBorderOuter, FBorderSides, FFlatColor, FFlatColorAdjustment, FBorderHighlight, FBorderShadow});
    Changed();
}

// ---- Messages, loading ---------------------------------------------------------------------------------

void TFcLabel::Loaded() {
    vcl::TCustomLabel::Loaded();
    if (FRotation == roNone && FAngle != 0)
        FRotation = roFlat;
    if (FRotation != roNone)
        UseOutlineFont();
    FNormalColor = FCurrentColor = GetFont()->GetColor();
    if (GetComponentState().Contains(vcl::csDesigning))
        Invalidate();
}

void TFcLabel::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomLabel::Notification(component, operation);
    if (operation == vcl::opRemove && component == FFrameController)
        FFrameController = nullptr;
}

void TFcLabel::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomLabel::DefineProperties(filer);
    // Older layouts hold a set of frame sides; it is read and dropped.
    filer->DefineProperty("FrameSides", [](vcl::TReader* r) { TFcOldPropReader::ReadSet(r); }, nullptr, false);
}

void TFcLabel::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case BlinkQueryMsg:
        m.Result = FBlinking ? 1 : 0;
        return;
    case BlinkStateMsg:
        if (FBlinking)
            BlinkStateChanged(m.WParam != 0);
        return;
    case vcl::CM_FONTCHANGED:
        if (!Loading()) {
            if (!FBlinking)
                FNormalColor = FCurrentColor = GetFont()->GetColor();
            else
                FNormalColor = GetFont()->GetColor();
            if (FAngle != 0 && !FontIsTrueType())
                FAngle = 0;
        }
        vcl::TCustomLabel::Dispatch(m);
        return;
    case vcl::CM_MOUSEENTER:
        if (FFlyByEnabled && !FFlyByActive) {
            FFlyBySavedColor = GetFont()->GetColor();
            FFlyByActive = true;
            GetFont()->SetColor(FFlyByColor);
        }
        vcl::TCustomLabel::Dispatch(m);
        return;
    case vcl::CM_MOUSELEAVE:
        if (FFlyByActive) {
            FFlyByActive = false;
            GetFont()->SetColor(FFlyBySavedColor);
        }
        vcl::TCustomLabel::Dispatch(m);
        return;
    case vcl::CM_PARENTCOLORCHANGED:
        if (FSettingColor)
            return;
        vcl::TCustomLabel::Dispatch(m);
        return;
    default:
        vcl::TCustomLabel::Dispatch(m);
    }
}

// ---- Geometry ------------------------------------------------------------------------------------------

int32_t TFcLabel::StyleThickness(TFrameStyleEx style) const {
    switch (style) {
    case fsFlat:
        return 1;
    case fsStatus:
    case fsPopup:
        return FBevelWidth;
    case fsGroove:
    case fsBump:
    case fsLowered:
    case fsButtonDown:
    case fsRaised:
    case fsButtonUp:
        return 2;
    default:
        return 0;
    }
}

void TFcLabel::AdjustBorderRect(TRect& r, bool includeBorderWidth) {
    const int32_t t = StyleThickness(FBorderOuter) + StyleThickness(FBorderInner);
    if (FBorderSides.Contains(sdLeft))
        r.Left += t;
    if (FBorderSides.Contains(sdTop))
        r.Top += t;
    if (FBorderSides.Contains(sdRight))
        r.Right -= t;
    if (FBorderSides.Contains(sdBottom))
        r.Bottom -= t;
    if (includeBorderWidth) {
        r.Left += FBorderWidth;
        r.Top += FBorderWidth;
        r.Right -= FBorderWidth;
        r.Bottom -= FBorderWidth;
    }
}

void TFcLabel::GetTextRect(TRect& r) {
    int32_t w = r.Width(), h = r.Height();
    const int32_t side = StyleThickness(FBorderOuter) + FBorderWidth + StyleThickness(FBorderInner);
    for (TSide s : {sdLeft, sdRight})
        if (FBorderSides.Contains(s))
            w += side;
    for (TSide s : {sdTop, sdBottom})
        if (FBorderSides.Contains(s))
            h += side;
    if (FTextStyle == tsShadow && FRotation == roNone) {
        w += FShadowDepth;
        h += FShadowDepth;
    }
    if (FRotation == roFlat && FAngle != 0 && FAngle != 180) {
        if (FTextStyle == tsShadow) {
            w += FShadowDepth / 2;
            h += FShadowDepth / 2;
        }
        double d = (FAngle % 90) * Pi / 180;
        if (FAngle == 90 || FAngle == 270)
            d += Pi / 2;
        const int32_t nw = RoundI(w * std::cos(d) + h * std::sin(d));
        const int32_t nh = RoundI(w * std::sin(d) + h * std::cos(d));
        w = nw;
        h = nh;
    }
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
}

uint32_t TFcLabel::StraightFlags() const {
    uint32_t flags = (FAlignment == vcl::taRightJustify ? win::DT_RIGHT
                      : FAlignment == vcl::taCenter     ? win::DT_CENTER
                                                        : win::DT_LEFT) |
                     win::DT_EXPANDTABS;
    flags = DrawTextBiDiModeFlags(flags);
    if (FWordWrap)
        flags |= win::DT_WORDBREAK;
    if (!FShowAccelChar)
        flags |= win::DT_NOPREFIX;
    if (FCondenseCaption == ccAtEnd)
        flags |= win::DT_END_ELLIPSIS;
    else if (FCondenseCaption == ccWithinPath)
        flags |= win::DT_PATH_ELLIPSIS;
    return flags;
}

void TFcLabel::AdjustBounds() {
    if (!FAutoSize || GetComponentState().Contains(vcl::csReading) || Loading() || !FParent)
        return;
    win::HDC dc = win::GetDC(nullptr);
    if (!dc)
        return;
    TRect area{0, 0, FWidth, FHeight};
    AdjustBorderRect(area, true);
    std::string text = GetLabelText();
    if (text.empty())
        text = " ";
    win::HGDIOBJ old = win::SelectObject(dc, GetFont()->GetHandle());
    uint32_t flags = win::DT_CALCRECT | win::DT_EXPANDTABS | (FWordWrap ? win::DT_WORDBREAK : 0) |
                     (FShowAccelChar ? 0 : win::DT_NOPREFIX);
    if (FCondenseCaption == ccAtEnd)
        flags |= win::DT_END_ELLIPSIS;
    else if (FCondenseCaption == ccWithinPath)
        flags |= win::DT_PATH_ELLIPSIS;
    TRect calc{0, 0, FWordWrap ? std::max(0, area.Width()) : 0, 0};
    win::DrawText(dc, text.c_str(), -1, &calc, flags);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    TRect size{0, 0, calc.Width(), calc.Height()};
    GetTextRect(size);
    vcl::TAlignment alignment = FAlignment;
    if (UseRightToLeftAlignment() && alignment != vcl::taCenter)
        alignment = alignment == vcl::taLeftJustify ? vcl::taRightJustify : vcl::taLeftJustify;
    int32_t left = FLeft;
    if (alignment == vcl::taRightJustify)
        left = FLeft + FWidth - size.Width();
    SetBounds(left, FTop, size.Width(), size.Height());
}

TPoint TFcLabel::CenterPointAt() const {
    const int32_t b = FBorderWidth, w = FWidth, h = FHeight;
    switch (FRotation == roFlat ? cpCenter : FCenterPoint) {
    case cpUpperLeft:
        return {b, b};
    case cpUpperCenter:
        return {w / 2, b};
    case cpUpperRight:
        return {w - b, b};
    case cpLeftCenter:
        return {b, h / 2};
    case cpRightCenter:
        return {w - b, h / 2};
    case cpLowerLeft:
        return {b, h - b};
    case cpLowerCenter:
        return {w / 2, h - b};
    case cpLowerRight:
        return {w - b, h - b};
    default:
        return {w / 2, h / 2};
    }
}

// ---- Painting ------------------------------------------------------------------------------------------

template <class F> void TFcLabel::Passes(int32_t shadowOffset, F fn) {
    if (!GetEnabled()) {
        fn(1, 1, vcl::clBtnHighlight);
        fn(0, 0, vcl::clBtnShadow);
        return;
    }
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            fn(1, 1, FShadowColor);
        fn(-1, -1, FHighlightColor);
        break;
    case tsRecessed:
        fn(1, 1, FHighlightColor);
        if (!FLightTextStyle)
            fn(-1, -1, FShadowColor);
        break;
    case tsShadow:
        fn(shadowOffset, shadowOffset, FShadowColor);
        break;
    default:
        break;
    }
    fn(0, 0, FCurrentColor);
}

void TFcLabel::Paint() {
    vcl::TCanvas* c = GetCanvas();
    TControl* parent = GetParent();
    const TRect all{0, 0, GetWidth(), GetHeight()};
    TRect inside = PaintInnerOuterBorders(c, all, FBorderOuter, FBorderInner, FBorderWidth, FBorderSides, FBevelWidth,
                                          FBorderColor, FBorderHighlight, FBorderShadow, FFlatColor,
                                          FFlatColorAdjustment, GetColor(),
                                          parent ? parent->GetColor() : GetColor(), FTransparent, false);
    if (!FTransparent) {
        c->GetBrush()->SetColor(GetColor());
        c->FillRect(inside);
    }
    c->GetBrush()->SetStyle(vcl::bsClear);
    c->SetFont(GetFont());
    if (FRotation == roCurve) {
        DrawCurvedText(c);
        return;
    }
    TRect area = all;
    AdjustBorderRect(area, true);
    if (FRotation == roFlat)
        DrawFlatText(c, area);
    else
        DrawStraightText(c, area);
}

void TFcLabel::DrawStraightText(vcl::TCanvas* c, const TRect& area) {
    const uint32_t flags = StraightFlags();
    const std::string text = GetLabelText();
    win::HDC dc = c->GetHandle();
    win::SelectObject(dc, GetFont()->GetHandle());
    win::SetBkMode(dc, win::TRANSPARENT);
    Passes(FShadowDepth, [&](int32_t dx, int32_t dy, TColor color) {
        TRect r = area;
        if (FLayout != vcl::tlTop) {
            TRect calc = r;
            win::DrawText(dc, text.c_str(), -1, &calc, flags | win::DT_CALCRECT);
            int32_t shift = GetHeight() - FBorderWidth - calc.Bottom;
            if (FLayout == vcl::tlCenter)
                shift /= 2;
            r.Top += shift;
            r.Bottom += shift;
        }
        if (FTextStyle == tsShadow) {
            if (flags & win::DT_RIGHT) {
                r.Left -= FShadowDepth;
                r.Right -= FShadowDepth;
            }
            if (FLayout == vcl::tlBottom) {
                r.Top -= FShadowDepth;
                r.Bottom -= FShadowDepth;
            }
        }
        r.Left += dx;
        r.Right += dx;
        r.Top += dy;
        r.Bottom += dy;
        win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));
        win::DrawText(dc, text.c_str(), -1, &r, flags);
    });
}

void TFcLabel::DrawFlatText(vcl::TCanvas* c, const TRect& area) {
    win::HDC dc = c->GetHandle();
    win::HFONT font = CreateRotatedFont(GetFont(), FAngle);
    win::HGDIOBJ oldFont = win::SelectObject(dc, win::ToGdiObj(font));
    const std::string text = GetLabelText();
    const int32_t h = TextSize(dc, "Pp").cy;
    const int32_t t = TextSize(dc, text).cx;
    const int32_t s = FTextStyle == tsShadow ? FShadowDepth / 2 : 0;
    TPoint p = CenterPointAt();
    const TRect& r = area;
    const bool centred = FAlignment == vcl::taCenter, right = FAlignment == vcl::taRightJustify;
    win::UINT align = win::TA_LEFT | win::TA_TOP;
    switch (FAngle) {
    case 0:
        if (centred)
            align = win::TA_CENTER | win::TA_TOP;
        else
            p.X = right ? r.Right - t - 2 * s : r.Left + s;
        p.Y -= (h + s) / 2;
        break;
    case 90:
        p.X += RoundI(h / 4.0);
        p.Y = centred ? r.Bottom - (r.Bottom - (t + s)) / 2 : right ? r.Top + t + 2 * s : r.Bottom - s;
        align = win::TA_LEFT | win::TA_BASELINE;
        break;
    case 180:
        p.X = centred ? r.Right - (r.Right - (t + s)) / 2 : right ? r.Left + t + s : r.Right - s;
        p.Y -= (h + s) / 4;
        align = win::TA_LEFT | win::TA_BASELINE;
        break;
    case 270:
        p.X -= RoundI(h / 4.0);
        p.Y = centred ? (r.Bottom - (t + s)) / 2 : right ? r.Bottom - (t + s) - s : r.Top + s;
        align = win::TA_LEFT | win::TA_BASELINE;
        break;
    default: {
        const double a = (FAngle + 90) * Pi / 180;
        p.X -= RoundI(std::cos(a) * h / 4);
        p.Y += RoundI(std::sin(a) * h / 4);
        align = win::TA_CENTER | win::TA_BASELINE;
        break;
    }
    }
    const win::UINT oldAlign = win::SetTextAlign(dc, align);
    win::SetBkMode(dc, win::TRANSPARENT);
    Passes(s, [&](int32_t dx, int32_t dy, TColor color) {
        // The shadow style draws its shadow below right of the point and the text above left of it.
        if (FTextStyle == tsShadow && GetEnabled() && dx == 0 && dy == 0) {
            dx = -s;
            dy = -s;
        }
        win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));
        win::ExtTextOut(dc, p.X + dx, p.Y + dy, win::ETO_CLIPPED, &r, text.data(), int(text.size()), nullptr);
    });
    win::SetTextAlign(dc, oldAlign);
    win::SelectObject(dc, oldFont);
    win::DeleteObject(win::ToGdiObj(font));
}

void TFcLabel::DrawCurvedText(vcl::TCanvas* c) {
    const int32_t b = FBorderWidth, w = FWidth, h = FHeight;
    int32_t rx, ry;
    switch (FCenterPoint) {
    case cpUpperCenter:
    case cpLowerCenter:
        rx = w / 2 - 2 * b;
        ry = h - 2 * b;
        break;
    case cpLeftCenter:
    case cpRightCenter:
        rx = w - 2 * b;
        ry = h / 2 - 2 * b;
        break;
    case cpCenter:
        rx = w / 2 - 2 * b;
        ry = h / 2 - 2 * b;
        break;
    default:
        rx = w - 2 * b;
        ry = h - 2 * b;
        break;
    }
    // No ellipse to follow: the borders stand alone.
    if (rx <= 0 || ry <= 0)
        return;
    win::HDC dc = c->GetHandle();
    win::HGDIOBJ oldFont = win::SelectObject(dc, GetFont()->GetHandle());
    const int32_t th = TextSize(dc, "Yy").cy;
    const double step = double(TextSize(dc, "w").cx + 2) / rx;
    win::LOGFONT lf{};
    win::GetObject(GetFont()->GetHandle(), sizeof(lf), &lf);
    const win::UINT oldAlign = win::SetTextAlign(dc, win::TA_CENTER | win::TA_BASELINE);
    win::SetBkMode(dc, win::TRANSPARENT);
    const TPoint centre = CenterPointAt();
    const int32_t shadow = FTextStyle == tsShadow ? FShadowDepth : 1;
    double a = FAngle * Pi / 180;
    const std::string text = GetLabelText();
    for (size_t i = 0; i < text.size(); ++i) {
        // One character (a whole UTF-8 sequence) at a time.
        size_t n = 1;
        while (i + n < text.size() && (uint8_t(text[i + n]) & 0xC0) == 0x80)
            ++n;
        const std::string ch = text.substr(i, n);
        i += n - 1;
        const int32_t x = centre.X - RoundI(std::sin(a) * (rx - th));
        const int32_t y = centre.Y - RoundI(std::cos(a) * (ry - th));
        lf.lfEscapement = lf.lfOrientation = RoundI(a * 1800 / Pi);
        win::HFONT f = win::CreateFontIndirect(&lf);
        win::HGDIOBJ prev = win::SelectObject(dc, win::ToGdiObj(f));
        Passes(shadow, [&](int32_t dx, int32_t dy, TColor color) {
            win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));
            win::TextOut(dc, x + dx, y + dy, ch.data(), int(ch.size()));
        });
        win::SelectObject(dc, prev);
        win::DeleteObject(win::ToGdiObj(f));
        a -= step;
    }
    win::SetTextAlign(dc, oldAlign);
    win::SelectObject(dc, oldFont);
}

// ---- URL label -----------------------------------------------------------------------------------------

void RegisterHandCursor() {
    if (vcl::Screen)
        vcl::Screen->SetCursors(crFcHandPoint, win::LoadCursor(nullptr, win::IDC_HAND));
}

TFcURLLabel::TFcURLLabel(vcl::TComponent* owner) : TFcLabel(owner) {
    RegisterHandCursor();
    SetCursor(crFcHandPoint);
    vcl::TFontStyles style = GetFont()->GetStyle();
    style.Include(vcl::fsUnderline);
    GetFont()->SetStyle(style);
    GetFont()->SetColor(vcl::clHighlight);
}

void TFcURLLabel::UpdateLinkColor() { GetFont()->SetColor(FVisited ? FVisitedColor : FUnvisitedColor); }

void TFcURLLabel::SetVisited(bool value) {
    if (FVisited == value)
        return;
    FVisited = value;
    UpdateLinkColor();
    Invalidate();
}

void TFcURLLabel::SetVisitedColor(TColor value) {
    if (FVisitedColor == value)
        return;
    FVisitedColor = value;
    UpdateLinkColor();
    Invalidate();
}

void TFcURLLabel::SetUnvisitedColor(TColor value) {
    if (FUnvisitedColor == value)
        return;
    FUnvisitedColor = value;
    UpdateLinkColor();
    Invalidate();
}

void TFcURLLabel::Click() {
    TFcLabel::Click();
    std::string target = Trimmed(FURL);
    if (target.empty())
        target = GetCaption();
    if (target.empty())
        return;
    win::SHELLEXECUTEINFO info;
    info.fMask = win::SEE_MASK_FLAG_DDEWAIT | win::SEE_MASK_FLAG_NO_UI | win::SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "Open";
    info.lpFile = target.c_str();
    info.nShow = win::SW_SHOWNORMAL;
    if (win::ShellExecuteEx(&info)) {
        if (info.hProcess)
            win::CloseHandle(info.hProcess);
        SetVisited(true);
        return;
    }
    // The open-with dialog for a page nothing opens; the system offers none here and nothing else opens.
    const size_t dot = target.rfind('.');
    if (dot != std::string::npos && vcl::UpperCase(target.substr(dot)) == ".HTM")
        win::WinExec("RunDLL32.exe Shell32.dll,OpenAs_RunDLL *.htm", win::SW_SHOWNORMAL);
}

} // namespace controls
