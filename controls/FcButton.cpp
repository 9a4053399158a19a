#include "controls/FcButton.h"

#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/User.h"

#include <array>

namespace controls {

namespace {

void ButtonLine(vcl::TCanvas* c, TColor color, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    c->GetPen()->SetColor(color);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}

// A frame whose edges stop one pixel short of each corner.
void ButtonCutCornerFrame(vcl::TCanvas* c, const TRect& r, TColor color) {
    ButtonLine(c, color, r.Left, r.Top + 1, r.Left, r.Bottom - 1);
    ButtonLine(c, color, r.Left + 1, r.Top, r.Right - 1, r.Top);
    ButtonLine(c, color, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    ButtonLine(c, color, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
}

void ButtonFill(vcl::TCanvas* c, const TRect& r, TColor color) {
    c->GetBrush()->SetStyle(vcl::bsSolid);
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
}

TRect ButtonShrink(const TRect& r, int32_t by) { return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

void ButtonText(vcl::TCanvas* c, const std::string& text, TRect r, uint32_t flags, TColor color) {
    win::HDC dc = c->GetHandle();
    win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));
    win::SetBkMode(dc, win::TRANSPARENT);
    win::DrawText(dc, text.c_str(), -1, &r, flags);
}

TRect ButtonMoved(const TRect& r, int32_t dx, int32_t dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

} // namespace

// ---- TFcCustomButton ----------------------------------------------------------------------------------

TFcCustomButton::TFcCustomButton(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
    SetControlStyle({vcl::csCaptureMouse, vcl::csSetCaption, vcl::csDoubleClicks, vcl::csReplicatable,
                     vcl::csReflector});
    SetBounds(GetLeft(), GetTop(), 115, 17);
    SetTabStop(true);
}

TFcCustomButton::~TFcCustomButton() { *FAliveToken = false; }

#define LOOMWICK_FC_INVALIDATING_SETTER(Class, Name, Type, Field)                                              \
    void Class::Set##Name(Type value) {                                                                        \
        if (vcl::SetIfChanged(Field, value))                                                                   \
            Invalidate();                                                                                      \
    }
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, AlignmentVertical, TAlignmentVertical, FAlignmentVertical)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, HotTrack, bool, FHotTrack)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, HighlightColor, TColor, FHighlightColor)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, LightTextStyle, bool, FLightTextStyle)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, TextStyle, TTextStyle, FTextStyle)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, TextHighlightColor, TColor, FTextHighlightColor)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, TextShadowColor, TColor, FTextShadowColor)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, TextShadowDepth, int32_t, FTextShadowDepth)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, ThemeAware, bool, FThemeAware)
LOOMWICK_FC_INVALIDATING_SETTER(TFcCustomButton, Transparent, bool, FTransparent)

bool TFcCustomButton::UsesThemes() const { return FThemeAware && GetThemeServices()->ThemesEnabled(); }

void TFcCustomButton::GetHotTrackRect(TRect& r) { r = GetClientRect(); }

bool TFcCustomButton::InsideClient(int32_t x, int32_t y) {
    return x >= 0 && x < GetClientWidth() && y >= 0 && y < GetClientHeight();
}

void TFcCustomButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseDown(button, shift, x, y);
    if (button != vcl::mbLeft || !GetEnabled())
        return;
    win::SetFocus(GetHandle());
    if (Focused()) {
        FPressedLook = true;
        FTracking = true;
        UpdateDisplay();
    }
}

void TFcCustomButton::MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseMove(shift, x, y);
    if (!FTracking)
        return;
    if (vcl::SetIfChanged(FPressedLook, InsideClient(x, y)))
        UpdateDisplay();
}

void TFcCustomButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    auto alive = FAliveToken;
    if (FTracking && button == vcl::mbLeft) {
        FTracking = false;
        FPressedLook = false;
        if (InsideClient(x, y))
            ChangeState();
        if (!*alive)
            return;
        UpdateDisplay();
    }
    vcl::TCustomControl::MouseUp(button, shift, x, y);
}

void TFcCustomButton::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TFcCustomButton::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TFcCustomButton::DrawCaption(vcl::TCanvas* canvas, TRect r, uint32_t flags) {
    canvas->GetBrush()->SetStyle(vcl::bsClear);
    canvas->SetFont(GetFont());
    win::HDC dc = canvas->GetHandle();
    win::SelectObject(dc, win::ToGdiObj(canvas->GetFont()->GetHandle()));
    const std::string caption = GetCaption();
    TRect measure = r;
    win::DrawText(dc, caption.c_str(), -1, &measure,
                  win::DT_CALCRECT | win::DT_EXPANDTABS | win::DT_WORDBREAK | win::DT_VCENTER | win::DT_CENTER);
    const int32_t h = measure.Bottom - measure.Top;
    if (FAlignmentVertical == avCenter) {
        r.Top = (r.Top + r.Bottom - h) / 2;
        r.Bottom = r.Top + h;
    } else if (FAlignmentVertical == avBottom) {
        r.Top = r.Bottom - h - 1;
    }
    if (UseRightToLeftAlignment())
        flags |= win::DT_RIGHT | win::DT_RTLREADING;
    const bool right = (flags & win::DT_RIGHT) != 0;
    if (GetEnabled()) {
        if (FTextStyle == tsRaised || FTextStyle == tsRecessed) {
            const TColor downRight = FTextStyle == tsRaised ? FTextShadowColor : FTextHighlightColor;
            const TColor upLeft = FTextStyle == tsRaised ? FTextHighlightColor : FTextShadowColor;
            if (!(FTextStyle == tsRaised && FLightTextStyle))
                ButtonText(canvas, caption, ButtonMoved(r, 1, 1), flags, downRight);
            if (!(FTextStyle == tsRecessed && FLightTextStyle))
                ButtonText(canvas, caption, ButtonMoved(r, -1, -1), flags, upLeft);
        } else if (FTextStyle == tsShadow) {
            ButtonText(canvas, caption, ButtonMoved(r, right ? 0 : FTextShadowDepth, FTextShadowDepth), flags,
                       FTextShadowColor);
        }
        // A right-aligned caption keeps the shadow's depth from the right margin, whatever the style.
        ButtonText(canvas, caption, right ? ButtonMoved(r, -FTextShadowDepth, 0) : r, flags,
                   GetFont()->GetColor());
    } else {
        ButtonText(canvas, caption, ButtonMoved(r, 1, 1), flags, vcl::clBtnHighlight);
        ButtonText(canvas, caption, r, flags, vcl::clBtnShadow);
    }
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
}

void TFcCustomButton::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE: {
        vcl::TCustomControl::Dispatch(m);
        const bool enter = m.Msg == vcl::CM_MOUSEENTER;
        FMouseOver = enter;
        auto alive = FAliveToken;
        if (enter)
            MouseEnter();
        else
            MouseLeave();
        if (!*alive)
            return;
        if ((FHotTrack || UsesThemes()) && HandleAllocated()) {
            TRect r;
            GetHotTrackRect(r);
            win::InvalidateRect(GetHandle(), &r, win::FALSE);
        }
        return;
    }
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS: {
        vcl::TCustomControl::Dispatch(m);
        if (m.Msg == win::WM_KILLFOCUS && (FSpaceArmed || FPressedLook) && !FTracking) {
            // Focus gone: a Space held down here releases nothing later.
            FSpaceArmed = false;
            FPressedLook = false;
            UpdateDisplay();
        }
        UpdateFocusDisplay();
        return;
    }
    case vcl::CM_ENABLEDCHANGED:
        vcl::TCustomControl::Dispatch(m);
        if (HandleAllocated() && !GetComponentState().Contains(vcl::csDesigning))
            win::EnableWindow(GetHandle(), GetEnabled());
        Invalidate();
        return;
    case vcl::CM_TEXTCHANGED:
        vcl::TCustomControl::Dispatch(m);
        Repaint();
        return;
    case win::WM_ERASEBKGND:
        if (FTransparent) {
            PaintParentImage(this, reinterpret_cast<win::HDC>(m.WParam), false);
            m.Result = 1;
            return;
        }
        vcl::TCustomControl::Dispatch(m);
        return;
    default:
        vcl::TCustomControl::Dispatch(m);
    }
}

#undef LOOMWICK_FC_INVALIDATING_SETTER

// ---- TFcButton ------------------------------------------------------------------------------------------

TFcButton::TFcButton(vcl::TComponent* owner) : TFcCustomButton(owner) {
    SetBounds(GetLeft(), GetTop(), 75, 25);
    SetColor(vcl::clBtnFace);
}

TFcButton::~TFcButton() = default;

void TFcButton::SetAlignment(vcl::TAlignment value) {
    if (vcl::SetIfChanged(FAlignment, value))
        Invalidate();
}

void TFcButton::SetShowDownPattern(bool value) {
    if (vcl::SetIfChanged(FShowDownPattern, value))
        Invalidate();
}

void TFcButton::SetShowFocusRect(bool value) {
    if (vcl::SetIfChanged(FShowFocusRect, value))
        Invalidate();
}

void TFcButton::SetHotTrack(bool value) {
    TFcCustomButton::SetHotTrack(value);
    // A hot-track button always paints over its parent's image.
    SetTransparent(value);
}

void TFcButton::SetActive(bool value) {
    if (vcl::SetIfChanged(FActive, value))
        Invalidate();
}

void TFcButton::SetDefault(bool value) {
    FDefault = value;
    if (!HandleAllocated())
        return;
    // Every button of the form decides again which one is the default now.
    if (vcl::TCustomForm* form = vcl::GetParentForm(this))
        form->Perform(vcl::CM_FOCUSCHANGED, 0, reinterpret_cast<win::LPARAM>(form->GetActiveControl()));
}

void TFcButton::BroadcastGroup() {
    vcl::TWinControl* parent = GetParent();
    if (!parent || FGroupIndex == 0)
        return;
    vcl::TMessage m{ButtonPressedMsg, win::WPARAM(FGroupIndex), reinterpret_cast<win::LPARAM>(this), 0};
    parent->Broadcast(m);
}

void TFcButton::SetDown(bool value) {
    if (FGroupIndex == 0)
        value = false;
    if (value == FDown)
        return;
    if (FDown && !FAllowAllUp && FGroupIndex != 0)
        return; // the last button down in its group stays down
    FDown = value;
    Invalidate();
    if (value)
        BroadcastGroup();
}

void TFcButton::SetGroupIndex(int32_t value) {
    if (!vcl::SetIfChanged(FGroupIndex, value))
        return;
    BroadcastGroup();
}

void TFcButton::SetAllowAllUp(bool value) {
    if (!vcl::SetIfChanged(FAllowAllUp, value))
        return;
    BroadcastGroup();
}

void TFcButton::ChangeState() {
    if (FGroupIndex != 0)
        SetDown(!FDown);
    else
        UpdateDisplay();
    auto alive = FAliveToken;
    FClicking = true;
    vcl::ScopeExit done([&]() noexcept {
        if (*alive)
            FClicking = false;
    });
    Click();
}

void TFcButton::Click() {
    auto alive = FAliveToken;
    if (vcl::TCustomForm* form = vcl::GetParentForm(this))
        form->SetModalResult(FModalResult);
    if (!*alive)
        return;
    TFcCustomButton::Click();
}

void TFcButton::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_SPACE && !shift.Contains(vcl::ssAlt)) {
        FSpaceArmed = true;
        FPressedLook = true;
        UpdateDisplay();
    } else if (key == win::VK_ESCAPE && FSpaceArmed) {
        // Esc while Space is held: the press is called off.
        FSpaceArmed = false;
        FPressedLook = false;
        UpdateDisplay();
        key = 0;
        return;
    }
    TFcCustomButton::KeyDown(key, shift);
}

void TFcButton::KeyUp(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_SPACE) {
        FPressedLook = false;
        const bool armed = std::exchange(FSpaceArmed, false);
        auto alive = FAliveToken;
        if (armed)
            ChangeState();
        if (!*alive) {
            key = 0;
            return;
        }
        UpdateDisplay();
    }
    TFcCustomButton::KeyUp(key, shift);
}

void TFcButton::DoExit() {
    FSpaceArmed = false;
    TFcCustomButton::DoExit();
}

void TFcButton::CreateWnd() {
    TFcCustomButton::CreateWnd();
    FActive = FDefault;
}

void TFcButton::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_GETDLGCODE:
        // A push button leaves the arrows to the dialog, which walks them to the next control, and says
        // whether it is the default button of the moment.
        m.Result = win::DLGC_BUTTON | (FActive ? win::DLGC_DEFPUSHBUTTON : win::DLGC_UNDEFPUSHBUTTON);
        return;
    case vcl::CM_DIALOGKEY: {
        const auto key = uint16_t(m.WParam);
        const vcl::TShiftState shift = vcl::KeyboardShiftState();
        const bool modified = shift.Contains(vcl::ssShift) || shift.Contains(vcl::ssCtrl) || shift.Contains(vcl::ssAlt);
        if (((key == win::VK_RETURN && FActive) || (key == win::VK_ESCAPE && FCancel)) && !modified && CanFocus()) {
            auto alive = FAliveToken;
            const bool enterClick = key == win::VK_RETURN && !FDropDownOnEnter;
            FEnterClick = enterClick;
            vcl::ScopeExit done([&]() noexcept {
                if (*alive)
                    FEnterClick = false;
            });
            Click();
            m.Result = 1;
            return;
        }
        TFcCustomButton::Dispatch(m);
        return;
    }
    case vcl::CM_DIALOGCHAR:
        if (vcl::IsAccel(uint16_t(m.WParam), GetCaption()) && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        TFcCustomButton::Dispatch(m);
        return;
    case vcl::CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<vcl::TWinControl*>(m.LParam);
        if (dynamic_cast<TFcButton*>(focused) || dynamic_cast<vcl::TButton*>(focused))
            SetActive(focused == this);
        else
            SetActive(FDefault);
        TFcCustomButton::Dispatch(m);
        return;
    }
    case ButtonPressedMsg: {
        auto* sender = reinterpret_cast<TFcButton*>(m.LParam);
        if (int32_t(m.WParam) == FGroupIndex && sender && sender != this) {
            if (sender->GetDown() && FDown) {
                FDown = false;
                Invalidate();
            }
            FAllowAllUp = sender->GetAllowAllUp();
        }
        return;
    }
    default:
        TFcCustomButton::Dispatch(m);
    }
}

void TFcButton::DefineProperties(vcl::TFiler* filer) {
    TFcCustomButton::DefineProperties(filer);
    // Older layouts called hot tracking FrameFlat; it is read, never written.
    filer->DefineProperty(
        "FrameFlat", [this](vcl::TReader* r) { SetHotTrack(r->ReadBoolean()); }, nullptr, false);
}

void TFcButton::BuildDownPattern(vcl::TBitmap* bitmap) {
    bitmap->SetSize(8, 8);
    vcl::TCanvas* c = bitmap->GetCanvas();
    ButtonFill(c, {0, 0, 8, 8}, GetColor());
    const TColor dot = vcl::ColorToRGB(GetColor()) == vcl::clSilver ? TColor(0x808080) : vcl::clSilver;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            if (x % 2 == y % 2)
                c->SetPixel(x, y, dot);
}

void TFcButton::GetCaptionRect(TRect& r) {
    r = ButtonShrink(GetClientRect(), 5);
    if (!GetHotTrack() && !UsesThemes() && DrawnDown())
        r = ButtonMoved(r, 1, 1);
}

void TFcButton::DrawButtonCaption() {
    TRect r;
    GetCaptionRect(r);
    uint32_t align = FAlignment == vcl::taLeftJustify ? win::DT_LEFT
                     : FAlignment == vcl::taRightJustify ? win::DT_RIGHT
                                                          : win::DT_CENTER;
    DrawCaption(GetCanvas(), r, align | win::DT_EXPANDTABS | win::DT_WORDBREAK);
}

void TFcButton::PaintHotTrackLook(TRect& r) {
    vcl::TCanvas* c = GetCanvas();
    const TColor color = GetColor();
    if (!GetEnabled()) {
        r = ButtonShrink(r, 1);
        ButtonCutCornerFrame(c, r, color == vcl::clBtnFace ? LighterColor(vcl::clBtnShadow, 30) : DarkerColor(color, 80));
        r = ButtonShrink(r, 1);
        ButtonFill(c, r, color);
        return;
    }
    // The outer ring, its corners set apart.
    const TColor dark = DarkerColor(vcl::clBtnFace, 20), light = LighterColor(vcl::clBtnFace, 20);
    ButtonLine(c, dark, r.Left, r.Top + 2, r.Left, r.Bottom - 2);
    ButtonLine(c, dark, r.Left + 2, r.Top, r.Right - 2, r.Top);
    ButtonLine(c, light, r.Right - 1, r.Top + 2, r.Right - 1, r.Bottom - 2);
    ButtonLine(c, light, r.Left + 2, r.Bottom - 1, r.Right - 2, r.Bottom - 1);
    c->SetPixel(r.Left + 1, r.Top + 1, dark);
    c->SetPixel(r.Right - 2, r.Top + 1, dark);
    c->SetPixel(r.Left + 1, r.Bottom - 2, dark);
    c->SetPixel(r.Right - 2, r.Bottom - 2, light);
    r = ButtonShrink(r, 1);
    ButtonCutCornerFrame(c, r, color == vcl::clBtnFace ? vcl::cl3DDkShadow : DarkerColor(color, 150));
    r = ButtonShrink(r, 1);

    auto bevels = [&](TColor ul, TColor lr) {
        TRect inner = PaintSides(c, r, ul, lr, AllSides);
        inner = PaintSides(c, inner, DarkerColor(ul, 10), LighterColor(lr, 10), AllSides);
        ButtonFill(c, inner, color);
    };
    if (DrawnDown()) {
        ButtonFill(c, r, DarkerColor(color, 10));
    } else if (FMouseOver) {
        TColor ul, lr;
        if (GetHotTrackColorType() == htctActual) {
            ul = LighterColor(GetHotTrackColor(), 30);
            lr = DarkerColor(GetHotTrackColor(), 30);
        } else {
            int32_t hue = HueOfColor(GetHotTrackColor());
            hue = hue < 120 ? hue + 120 : hue - 120;
            ul = HSL240ToColor(uint8_t(hue), 220, 180);
            lr = DarkerColor(ul, 30);
        }
        bevels(ul, lr);
    } else if (FGroupIndex != 0 || !(FActive || Focused())) {
        ButtonLine(c, LighterColor(color, 20), r.Left, r.Top, r.Right, r.Top);
        ButtonLine(c, LighterColor(color, 15), r.Left, r.Top + 1, r.Right, r.Top + 1);
        ButtonLine(c, LighterColor(color, 10), r.Left, r.Top + 2, r.Right, r.Top + 2);
        c->GetPen()->SetColor(DarkerColor(color, 10));
        c->Polyline({{r.Left, r.Bottom - 3}, {r.Right - 2, r.Bottom - 3}, {r.Right - 2, r.Top + 2}});
        c->GetPen()->SetColor(DarkerColor(color, 20));
        c->Polyline({{r.Left, r.Bottom - 2}, {r.Right - 1, r.Bottom - 2}, {r.Right - 1, r.Top + 2}});
        ButtonLine(c, DarkerColor(color, 30), r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
        ButtonFill(c, {r.Left, r.Top + 3, r.Right - 2, r.Bottom - 3}, color);
    } else {
        const TColor ul = HSL240ToColor(HueOfColor(GetHighlightColor()), 220, 220);
        bevels(ul, DarkerColor(ul, 30));
    }
}

void TFcButton::Paint() {
    vcl::TCanvas* c = GetCanvas();
    const bool themed = UsesThemes();
    const TRect client = GetClientRect();
    TRect f = ButtonShrink(client, GetHotTrack() || themed ? 3 : 4);
    if (FGroupIndex != 0 && DrawnDown())
        f = ButtonMoved(f, 1, 1);
    TRect r = client;

    if (themed) {
        TThemeServices* services = GetThemeServices();
        TThemedButton code = tbPushButtonNormal;
        if (!GetEnabled())
            code = tbPushButtonDisabled;
        else if (DrawnDown())
            code = tbPushButtonPressed;
        else if (FMouseOver)
            code = tbPushButtonHot;
        else if (FGroupIndex != 0)
            code = tbPushButtonNormal;
        else if ((FActive || Focused()) && !FPressedLook)
            code = tbPushButtonDefaulted;
        TThemedElementDetails details = services->DetailsForButton(code);
        services->PaintParentBackground(GetHandle(), c->GetHandle(), &details, true, &r);
        services->PaintElement(c->GetHandle(), details, r);
    } else if (GetHotTrack()) {
        PaintHotTrackLook(r);
    } else {
        if (FGroupIndex == 0 && (((FActive || Focused()) && !FPressedLook) || FClicking)) {
            c->GetPen()->SetColor(vcl::clWindowFrame);
            c->GetBrush()->SetStyle(vcl::bsClear);
            c->Rectangle(r);
            c->GetBrush()->SetStyle(vcl::bsSolid);
            r = ButtonShrink(r, 1);
        }
        const TColor color = GetColor();
        if (color == vcl::clBtnFace) {
            if (FGroupIndex == 0)
                r = PaintButtonBorder(c, r, FPressedLook);
            else
                r = PaintStyleBorder(c, r, DrawnDown() ? fsLowered : fsButtonUp);
        } else {
            if (FGroupIndex == 0)
                r = PaintColorButtonBorder(c, r, color, FPressedLook);
            else if (DrawnDown())
                r = PaintColorStyleBorder(c, r, color, fsLowered);
            else
                r = PaintColorButtonBorder(c, r, color, false);
        }
    }

    if (FGroupIndex != 0 && FDown && FShowDownPattern) {
        vcl::TBitmap pattern;
        BuildDownPattern(&pattern);
        win::HBRUSH brush = win::CreatePatternBrush(pattern.GetHandle());
        win::FillRect(c->GetHandle(), &r, brush);
        win::DeleteObject(brush);
    }

    c->SetFont(GetFont());
    c->GetBrush()->SetColor(GetColor());
    DrawButtonCaption();

    if (Focused() && FShowFocusRect)
        PaintFocusBorder(c, f);
}

// ---- Stock glyphs ---------------------------------------------------------------------------------------

namespace {

struct TKindInfo {
    const char* Caption;
    vcl::TModalResult ModalResult;
    const char* Resource;
};

constexpr std::array<TKindInfo, 11> KindTable{{
    {"", vcl::mrNone, nullptr},
    {"OK", vcl::mrOk, "FCCOMMON_OK"},
    {"Cancel", vcl::mrCancel, "FCCOMMON_CANCEL"},
    {"&Help", vcl::mrNone, "FCCOMMON_HELP"},
    {"&Yes", vcl::mrYes, "FCCOMMON_YES"},
    {"&No", vcl::mrNo, "FCCOMMON_NO"},
    {"&Close", vcl::mrNone, "FCCOMMON_CLOSE"},
    {"Abort", vcl::mrAbort, "FCCOMMON_ABORT"},
    {"&Retry", vcl::mrRetry, "FCCOMMON_RETRY"},
    {"&Ignore", vcl::mrIgnore, "FCCOMMON_IGNORE"},
    {"&All", vcl::mrAll, "FCCOMMON_ALL"},
}};

const TKindInfo& KindInfo(vcl::TBitBtnKind kind) { return KindTable.at(size_t(kind)); }

std::array<std::unique_ptr<vcl::TBitmap>, 11>& StockGlyphCache() {
    static std::array<std::unique_ptr<vcl::TBitmap>, 11> cache;
    return cache;
}

bool KindIsDefault(vcl::TBitBtnKind kind) { return kind == vcl::bkOK || kind == vcl::bkYes; }
bool KindIsCancel(vcl::TBitBtnKind kind) { return kind == vcl::bkCancel || kind == vcl::bkNo; }

} // namespace

vcl::TBitmap* StockGlyph(vcl::TBitBtnKind kind) {
    const TKindInfo& info = KindInfo(kind);
    if (!info.Resource)
        return nullptr;
    auto& slot = StockGlyphCache().at(size_t(kind));
    if (!slot) {
        auto bitmap = std::make_unique<vcl::TBitmap>();
        bitmap->LoadFromResourceName(info.Resource);
        slot = std::move(bitmap);
    }
    return slot.get();
}

void FreeStockGlyphs() {
    for (auto& slot : StockGlyphCache())
        slot.reset();
}

// ---- TFcBitBtn ------------------------------------------------------------------------------------------

TFcBitBtn::TFcBitBtn(vcl::TComponent* owner)
    : TFcButton(owner), FGlyph(std::make_unique<vcl::TBitmap>()), FImageChangeLink(std::make_unique<vcl::TChangeLink>()) {
    FGlyph->OnChange = [this](vcl::TObject* sender) { GlyphChanged(sender); };
    FImageChangeLink->OnChange = [this](vcl::TObject* sender) { ImageListChanged(sender); };
}

TFcBitBtn::~TFcBitBtn() {
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
}

std::string TFcBitBtn::KindCaption(vcl::TBitBtnKind kind) { return KindInfo(kind).Caption; }

vcl::TModalResult TFcBitBtn::KindModalResult(vcl::TBitBtnKind kind) { return KindInfo(kind).ModalResult; }

void TFcBitBtn::SetGlyph(vcl::TBitmap* value) {
    FGlyph->Assign(value);
    FGlyphModified = true;
}

void TFcBitBtn::GlyphChanged(vcl::TObject*) {
    const int32_t w = FGlyph->GetWidth(), h = FGlyph->GetHeight();
    if (h != 0 && w % h == 0) {
        const int32_t cells = w / h;
        FNumGlyphs = cells > 4 ? 1 : cells;
    }
    Invalidate();
}

void TFcBitBtn::SetNumGlyphs(int32_t value) {
    if (value < 1 || value > 4)
        return;
    if (vcl::SetIfChanged(FNumGlyphs, value))
        Invalidate();
}

vcl::TBitBtnKind TFcBitBtn::GetKind() {
    if (FKind != vcl::bkCustom &&
        (GetDefault() != KindIsDefault(FKind) || GetCancel() != KindIsCancel(FKind) ||
         GetModalResult() != KindModalResult(FKind) || FGlyphModified))
        FKind = vcl::bkCustom;
    return FKind;
}

void TFcBitBtn::SetKind(vcl::TBitBtnKind value) {
    if (value == FKind)
        return;
    if (value != vcl::bkCustom) {
        SetDefault(KindIsDefault(value));
        SetCancel(KindIsCancel(value));
        // A layout being read keeps the caption it stored; an empty one takes the kind's.
        if (!GetComponentState().Contains(vcl::csLoading) || GetCaption().empty())
            SetCaption(KindCaption(value));
        SetModalResult(KindModalResult(value));
        FGlyph->Assign(StockGlyph(value));
        FNumGlyphs = 2;
        FGlyphModified = false;
    }
    FKind = value;
    Invalidate();
}

bool TFcBitBtn::IsCaptionStored() { return GetCaption() != KindCaption(GetKind()); }

void TFcBitBtn::SetLayout(vcl::TButtonLayout value) {
    if (vcl::SetIfChanged(FLayout, value))
        Invalidate();
}

void TFcBitBtn::SetMargin(int32_t value) {
    if (value < -1)
        return;
    if (vcl::SetIfChanged(FMargin, value))
        Invalidate();
}

void TFcBitBtn::SetSpacing(int32_t value) {
    if (vcl::SetIfChanged(FSpacing, value))
        Invalidate();
}

void TFcBitBtn::SetImageIndex(int32_t value) {
    if (vcl::SetIfChanged(FImageIndex, value))
        Invalidate();
}

void TFcBitBtn::SetDisabledIndex(int32_t value) {
    if (vcl::SetIfChanged(FDisabledIndex, value))
        Invalidate();
}

void TFcBitBtn::SetImages(vcl::TCustomImageList* value) {
    if (value == FImages)
        return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    Invalidate();
}

void TFcBitBtn::ImageListChanged(vcl::TObject* sender) {
    if (sender == FImages)
        Repaint();
}

void TFcBitBtn::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TFcButton::Notification(component, operation);
    if (operation == vcl::opRemove && component == FImages) {
        FImages = nullptr;
        Invalidate();
    }
}

void TFcBitBtn::ChangeScale(int32_t m, int32_t d) {
    TFcButton::ChangeScale(m, d);
    if (m == d)
        return;
    FMargin = win::MulDiv(FMargin, m, d);
    FSpacing = win::MulDiv(FSpacing, m, d);
}

void TFcBitBtn::ActionChange(vcl::TObject* sender, bool checkDefaults) {
    TFcButton::ActionChange(sender, checkDefaults);
    if (auto* action = dynamic_cast<vcl::TCustomAction*>(sender))
        if (!checkDefaults || FImageIndex == -1)
            SetImageIndex(action->GetImageIndex());
}

void TFcBitBtn::GetGlyphSize(win::TSize& size) {
    // The image list's size only where its image is drawn: a Kind draws its own bitmap.
    if (ImageListGlyph() && FKind == vcl::bkCustom) {
        size = {FImages->GetWidth(), FImages->GetHeight()};
        return;
    }
    size = {FGlyph->GetWidth() / FNumGlyphs, FGlyph->GetHeight()};
}

int32_t TFcBitBtn::MeasureCaptionHeight(const TRect& r) {
    vcl::TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    TRect measure = r;
    const std::string caption = GetCaption();
    win::DrawText(c->GetHandle(), caption.c_str(), -1, &measure,
                  win::DT_CALCRECT | win::DT_EXPANDTABS | win::DT_WORDBREAK | win::DT_VCENTER | win::DT_CENTER);
    return measure.Height();
}

void TFcBitBtn::GetCaptionRect(TRect& r) {
    TFcButton::GetCaptionRect(r);
    if (!ImageListGlyph() && FGlyph->GetEmpty())
        return;
    win::TSize g{};
    GetGlyphSize(g);
    const int32_t across = FMargin + g.cx + FSpacing, down = FMargin + g.cy + FSpacing;
    if (FMargin >= 0 || FLayout == vcl::blGlyphLeft || FLayout == vcl::blGlyphRight) {
        switch (FLayout) {
        case vcl::blGlyphLeft: r.Left += across; break;
        case vcl::blGlyphRight: r.Right -= across; break;
        case vcl::blGlyphTop: r.Top += down; break;
        case vcl::blGlyphBottom: r.Bottom -= down; break;
        }
        return;
    }
    // Glyph and caption centred together, one above the other.
    const int32_t t = MeasureCaptionHeight(r);
    const int32_t b = (GetHeight() - (g.cy + t + FSpacing)) / 2;
    r.Top += FLayout == vcl::blGlyphTop ? b + g.cy : b;
    r.Bottom = r.Top + t;
}

void TFcBitBtn::GetGlyphRect(TRect& r) {
    TFcButton::GetCaptionRect(r);
    const bool themed = UsesThemes();
    if (FPressedLook)
        r = themed ? ButtonMoved(r, -1, 0) : ButtonMoved(r, -1, -1);
    win::TSize g{};
    GetGlyphSize(g);
    if (FMargin >= 0) {
        switch (FLayout) {
        case vcl::blGlyphLeft: r.Left += FMargin; break;
        case vcl::blGlyphRight: r.Left = r.Right - FMargin - g.cx; break;
        case vcl::blGlyphTop: r.Top += FMargin; break;
        case vcl::blGlyphBottom: r.Top = r.Bottom - FMargin - g.cy; break;
        }
    } else {
        const int32_t t = MeasureCaptionHeight(r);
        const int32_t b = (GetHeight() - (g.cy + t + FSpacing)) / 2;
        switch (FLayout) {
        case vcl::blGlyphLeft: break;
        case vcl::blGlyphRight: r.Left = r.Right - g.cx; break;
        case vcl::blGlyphTop: r.Top = b; break;
        case vcl::blGlyphBottom: r.Top += t + b; break;
        }
    }
    if (FLayout == vcl::blGlyphTop || FLayout == vcl::blGlyphBottom)
        r.Left += (r.Width() - g.cx + 1) / 2;
    else
        r.Top += (r.Height() - g.cy + 1) / 2;
    r.Right = r.Left + g.cx;
    r.Bottom = r.Top + g.cy;
    if (FPressedLook)
        r = themed ? ButtonMoved(r, 2, 0) : ButtonMoved(r, 1, 1);
}

void TFcBitBtn::DrawButtonCaption() {
    TFcButton::DrawButtonCaption();
    TRect r;
    GetGlyphRect(r);
    if (GetKind() != vcl::bkCustom || !ImageListGlyph()) {
        if (!FGlyph->GetEmpty())
            DrawBitmapGlyph(r);
    } else {
        DrawImageListGlyph(r);
    }
}

void TFcBitBtn::DrawImageListGlyph(const TRect& r) {
    if (!FImages)
        return;
    const bool enabled = GetEnabled();
    if (FDisabledIndex == -1) {
        if (FImageIndex != -1)
            FImages->Draw(GetCanvas(), r.Left, r.Top, FImageIndex, enabled);
        return;
    }
    const int32_t index = enabled ? FImageIndex : FDisabledIndex;
    if (index != -1)
        FImages->Draw(GetCanvas(), r.Left, r.Top, index, true);
}

void TFcBitBtn::DrawBitmapGlyph(const TRect& r) {
    const int32_t w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0)
        return;
    // Cells 3 and 4 are never drawn: a disabled button shows the second cell when there is one.
    const TRect cell = FNumGlyphs < 2 || GetEnabled() ? TRect{0, 0, w, h} : TRect{w, 0, 2 * w, h};
    const TColor transparent = FGlyph->GetCanvas()->GetPixel(0, h - 1);
    vcl::TCanvas* c = GetCanvas();
    vcl::TBitmap work;
    work.SetSize(w, h);
    vcl::TCanvas* wc = work.GetCanvas();
    wc->GetBrush()->SetColor(GetColor());
    // The face under the glyph shows through its transparent pixels.
    wc->CopyRect({0, 0, w, h}, c, r);
    PaintTransparentBitmap(wc, FGlyph.get(), {0, 0, w, h}, cell, transparent);
    c->Draw(r.Left, r.Top, &work);
}

} // namespace controls
