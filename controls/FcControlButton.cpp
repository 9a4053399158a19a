#include "controls/FcControlButton.h"

#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

namespace controls {

namespace {

void CtlButtonFill(vcl::TCanvas* c, const TRect& r, TColor color) {
    c->GetBrush()->SetStyle(vcl::bsSolid);
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
}

TRect CtlButtonInflate(const TRect& r, int32_t by) { return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

// The detail code of a part whose four states run normal, hot, pressed, disabled from first.
int CtlButtonState(int first, bool down, bool hot, bool enabled) {
    if (down)
        return first + 2;
    if (hot)
        return first + 1;
    return enabled ? first : first + 3;
}

} // namespace

TFcControlButton::TFcControlButton(vcl::TComponent* owner)
    : vcl::TGraphicControl(owner), FGlyph(std::make_unique<vcl::TBitmap>()) {
    SetControlStyle({vcl::csCaptureMouse});
    SetBounds(GetLeft(), GetTop(), 17, 21);
    SetDragMode(vcl::dmManual);
    SetColor(vcl::clBtnFace);
    FGlyph->OnChange = [this](vcl::TObject*) { GlyphChanged(); };
}

TFcControlButton::~TFcControlButton() {
    *FAliveToken = false;
    // The repeat timer stops with the button: a tick must never reach a freed button.
    FRepeatTimer.reset();
    FGlyph->OnChange = nullptr;
}

bool TFcControlButton::ThemesActive() const { return GetThemeServices()->ThemesEnabled(); }

bool TFcControlButton::IsHot() const {
    return FDown || (FMouseOver && GetEnabled()) || GetComponentState().Contains(vcl::csDesigning);
}

void TFcControlButton::SetStyle(TFcControlButtonStyle value) {
    if (vcl::SetIfChanged(FStyle, value))
        Invalidate();
}

void TFcControlButton::SetFlat(bool value) {
    if (vcl::SetIfChanged(FFlat, value))
        Repaint();
}

void TFcControlButton::SetGlyph(vcl::TBitmap* value) { FGlyph->Assign(value); }

void TFcControlButton::SetNumGlyphs(int32_t value) {
    if (vcl::SetIfChanged(FNumGlyphs, value))
        Invalidate();
}

void TFcControlButton::GlyphChanged() {
    const int32_t w = FGlyph->GetWidth(), h = FGlyph->GetHeight();
    if (h != 0 && w % h == 0) {
        const int32_t n = w / h;
        FNumGlyphs = n > 4 ? 1 : n;
    }
    Invalidate();
}

void TFcControlButton::GetGlyphSize(win::TSize& size) {
    if (!FGlyph) {
        size = {0, 0};
        return;
    }
    size = {FGlyph->GetWidth() / (FNumGlyphs > 0 ? FNumGlyphs : 1), FGlyph->GetHeight()};
}

// ---- Input ----------------------------------------------------------------------------------------------

void TFcControlButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TGraphicControl::MouseDown(button, shift, x, y);
    if (button == vcl::mbLeft && GetEnabled()) {
        if (vcl::SetIfChanged(FDown, true))
            Invalidate();
        FTracking = true;
    }
    if (FRepeatClicks) {
        if (!FRepeatTimer) {
            FRepeatTimer = std::make_unique<vcl::TTimer>(nullptr);
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->SetOnTimer([this](vcl::TObject*) { RepeatTick(); });
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(FInitialDelay);
        FRepeatTimer->SetEnabled(true);
    }
}

void TFcControlButton::RepeatTick() {
    FRepeatTimer->SetInterval(FDelay);
    if (!FDown || vcl::GetCaptureControl() != this)
        return;
    auto alive = FAliveToken;
    try {
        Click();
    } catch (...) {
        if (*alive)
            StopRepeat();
        throw;
    }
}

void TFcControlButton::StopRepeat() {
    if (FRepeatTimer)
        FRepeatTimer->SetEnabled(false);
}

void TFcControlButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    auto alive = FAliveToken;
    vcl::TGraphicControl::MouseUp(button, shift, x, y);
    if (!*alive)
        return;
    if (FTracking) {
        FTracking = false;
        FDown = false;
        FMouseOver = false;
        Repaint();
        // The repeat ends with the release, before a click that may free the button.
        StopRepeat();
        if (x >= 0 && x < GetClientWidth() && y >= 0 && y < GetClientHeight())
            Click();
        if (!*alive)
            return;
        if ((FFlat || ThemesActive()) && GetEnabled()) {
            win::TPoint p{0, 0};
            win::GetCursorPos(&p);
            if (vcl::FindDragTarget(p, true) == this) {
                FMouseOver = false;
                Perform(vcl::CM_MOUSEENTER);
            } else {
                FMouseOver = true;
                Perform(vcl::CM_MOUSELEAVE);
            }
            if (!*alive)
                return;
        }
    }
    StopRepeat();
}

void TFcControlButton::Click() { vcl::TGraphicControl::Click(); }

void TFcControlButton::MouseEnter() {
    FMouseOver = true;
    FMouseInControl = true;
    auto alive = FAliveToken;
    if (OnMouseEnter)
        OnMouseEnter(this);
    if (*alive && (FFlat || ThemesActive()))
        Repaint();
}

void TFcControlButton::MouseLeave() {
    FMouseOver = false;
    FMouseInControl = false;
    auto alive = FAliveToken;
    if (OnMouseLeave)
        OnMouseLeave(this);
    if (*alive && (FFlat || ThemesActive()))
        Repaint();
}

void TFcControlButton::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case vcl::CM_MOUSEENTER:
        MouseEnter();
        return;
    case vcl::CM_MOUSELEAVE:
        MouseLeave();
        return;
    default:
        vcl::TGraphicControl::Dispatch(m);
    }
}

// ---- Painting -------------------------------------------------------------------------------------------

void TFcControlButton::Paint() {
    TRect r = GetClientRect();
    switch (FStyle) {
    case cbsNone: {
        DrawButtonFace(r);
        if (FGlyph->GetEmpty())
            break;
        r = CtlButtonInflate(r, -1);
        win::TSize size{0, 0};
        GetGlyphSize(size);
        TRect g = CentredRect(r, size.cx, size.cy);
        if (FDown)
            g = {g.Left + 1, g.Top + (ThemesActive() ? 0 : 1), g.Right + 1, g.Bottom + (ThemesActive() ? 0 : 1)};
        DrawGlyph(g);
        break;
    }
    case cbsDropDown:
        DrawDropDownButton(r);
        break;
    default:
        DrawArrowButton(r);
        break;
    }
}

void TFcControlButton::DrawClassicFace(TRect& r, TColor face) {
    vcl::TCanvas* c = GetCanvas();
    if (FFlat) {
        if (IsHot())
            r = PaintStyleBorder(c, r, FDown ? fsStatus : fsPopup);
    } else if (FDown) {
        r = PaintBevel(c, r, vcl::clBtnShadow, vcl::clBtnShadow, 1);
    } else {
        r = PaintStyleBorder(c, r, fsButtonUp);
    }
    CtlButtonFill(c, r, face);
}

void TFcControlButton::DrawButtonFace(TRect& r) {
    vcl::TCanvas* c = GetCanvas();
    if (!ThemesActive()) {
        DrawClassicFace(r, FFlat ? GetColor() : vcl::clBtnFace);
        return;
    }
    TThemeServices* services = GetThemeServices();
    if (IsHot()) {
        // The part is drawn larger than the button, so that its outer edges fall outside it.
        const int32_t w = r.Width(), h = r.Height();
        vcl::TBitmap work;
        work.SetSize(w + 3, h + 4);
        CtlButtonFill(work.GetCanvas(), {0, 0, w + 3, h + 4}, GetColor());
        services->PaintElement(work.GetCanvas()->GetHandle(),
                               services->DetailsForToolBar(FDown ? ttbDropDownButtonPressed : ttbDropDownButtonHot),
                               {0, 0, w + 3, h + 4});
        win::BitBlt(c->GetHandle(), r.Left, r.Top, w, h, work.GetCanvas()->GetHandle(), 1, 2, win::SRCCOPY);
    } else if (FFlat) {
        CtlButtonFill(c, r, GetColor());
    } else {
        services->PaintElement(
            c->GetHandle(),
            services->DetailsForToolBar(GetEnabled() ? ttbDropDownButtonNormal : ttbDropDownButtonDisabled), r);
    }
    r = CtlButtonInflate(r, -2);
}

void TFcControlButton::DrawArrowButton(TRect& r) {
    vcl::TCanvas* c = GetCanvas();
    const uint8_t direction = FStyle == cbsLeft ? adLeft : FStyle == cbsUp ? adUp : FStyle == cbsRight ? adRight : adDown;
    if (!ThemesActive()) {
        DrawClassicFace(r, FFlat ? GetColor() : vcl::clBtnFace);
        PaintDirectionArrow(c, r, false, direction, FDown, GetEnabled());
        return;
    }
    TThemeServices* services = GetThemeServices();
    const int first = direction == adUp     ? tsUpNormal
                      : direction == adDown ? tsDownNormal
                      : direction == adLeft ? tsDownHorzNormal
                                            : tsUpHorzNormal;
    if (IsHot() || !FFlat) {
        services->PaintElement(c->GetHandle(),
                               services->DetailsForSpin(CtlButtonState(first, FDown, IsHot(), GetEnabled())), r);
    } else {
        CtlButtonFill(c, r, GetColor());
        PaintDirectionArrow(c, r, true, direction, false, GetEnabled());
    }
    r = CtlButtonInflate(r, -2);
}

void TFcControlButton::DrawDropDownButton(TRect& r) {
    vcl::TCanvas* c = GetCanvas();
    if (!ThemesActive()) {
        DrawClassicFace(r, FFlat ? GetColor() : vcl::clBtnFace);
        PaintDropDownArrow(c, r, false, FDown, GetEnabled());
        return;
    }
    TThemeServices* services = GetThemeServices();
    r = CtlButtonInflate(r, 1);
    if (IsHot() || !FFlat) {
        services->PaintElement(
            c->GetHandle(),
            services->DetailsForComboBox(CtlButtonState(tcDropDownButtonNormal, FDown, IsHot(), GetEnabled())), r);
    } else {
        CtlButtonFill(c, r, GetColor());
        PaintDropDownArrow(c, r, true, false, GetEnabled());
    }
    r = CtlButtonInflate(r, -2);
}

void TFcControlButton::DrawGlyph(const TRect& r) {
    const int32_t w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0 || FGlyph->GetEmpty())
        return;
    const TRect cell = FNumGlyphs < 2 || GetEnabled() ? TRect{0, 0, w, h} : TRect{w, 0, 2 * w, h};
    const TColor transparent = FGlyph->GetCanvas()->GetPixel(0, h - 1);
    vcl::TBitmap work;
    work.SetSize(w, h);
    vcl::TCanvas* c = GetCanvas();
    win::BitBlt(work.GetCanvas()->GetHandle(), 0, 0, w, h, c->GetHandle(), r.Left, r.Top, win::SRCCOPY);
    PaintTransparentBitmap(work.GetCanvas(), FGlyph.get(), {0, 0, w, h}, cell, transparent);
    c->Draw(r.Left, r.Top, &work);
}

} // namespace controls
