#include "controls/FcSpinEdit.h"

#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <cmath>
#include <cstring>

namespace controls {

namespace {

bool SpinThemesActive() { return GetThemeServices()->ThemesEnabled(); }

} // namespace

std::string FormatSpinValue(double value, uint8_t decimals) {
    return vcl::FloatToStrF(value, vcl::ffFixed, 18, decimals);
}

// ---- TFcSpinButtons -------------------------------------------------------------------------------------

TFcSpinButtons::TFcSpinButtons(vcl::TComponent* owner) : vcl::TWinControl(owner) {
    vcl::TControlStyle style = GetControlStyle();
    style.Exclude(vcl::csSetCaption);
    style.Exclude(vcl::csAcceptsControls);
    SetControlStyle(style);
    SetColor(vcl::clBtnFace);
    SetParentColor(true);
    SetTabStop(false);
    FUpButton = CreateButton();
    FDownButton = CreateButton();
    UpdateStyles();
    SetBounds(GetLeft(), GetTop(), 16, 25);
}

TFcSpinButtons::~TFcSpinButtons() = default;

TFcControlButton* TFcSpinButtons::CreateButton() {
    auto* b = new TFcControlButton(this);
    b->SetParent(this);
    b->SetVisible(true);
    b->SetEnabled(true);
    b->SetRepeatClicks(true);
    b->SetNumGlyphs(2);
    b->OnClick = [this](vcl::TObject* sender) { ButtonClick(sender); };
    b->OnMouseDown = [this](vcl::TObject* sender, vcl::TMouseButton button, vcl::TShiftState, int32_t, int32_t) {
        ButtonMouseDown(sender, button);
    };
    b->GetGlyph()->OnChange = [this, b](vcl::TObject*) { GlyphChanged(b); };
    return b;
}

void TFcSpinButtons::UpdateStyles() {
    FUpButton->SetStyle(FCustomUpRight ? cbsNone : FDirection == sdUpDown ? cbsUp : cbsRight);
    FDownButton->SetStyle(FCustomDownLeft ? cbsNone : FDirection == sdUpDown ? cbsDown : cbsLeft);
}

void TFcSpinButtons::GlyphChanged(vcl::TObject* sender) {
    auto* b = static_cast<TFcControlButton*>(sender);
    const bool custom = !b->GetGlyph()->GetEmpty();
    (b == FUpButton ? FCustomUpRight : FCustomDownLeft) = custom;
    // The strip's cells, as the button counts them itself.
    const int32_t w = b->GetGlyph()->GetWidth(), h = b->GetGlyph()->GetHeight();
    if (h != 0 && w % h == 0)
        b->SetNumGlyphs(w / h > 4 ? 1 : w / h);
    UpdateStyles();
    b->Invalidate();
}

void TFcSpinButtons::SetGlyphUpRight(vcl::TBitmap* value) {
    if (value)
        FUpButton->GetGlyph()->Assign(value);
    else
        FUpButton->GetGlyph()->SetSize(0, 0);
}

void TFcSpinButtons::SetGlyphDownLeft(vcl::TBitmap* value) {
    if (value)
        FDownButton->GetGlyph()->Assign(value);
    else
        FDownButton->GetGlyph()->SetSize(0, 0);
}

void TFcSpinButtons::SetDirection(TSpinDirection value) {
    if (!vcl::SetIfChanged(FDirection, value))
        return;
    // A new direction resets both glyphs to the arrows.
    SetGlyphUpRight(nullptr);
    SetGlyphDownLeft(nullptr);
    UpdateStyles();
}

void TFcSpinButtons::SetOrientation(TOrientation value) {
    if (!vcl::SetIfChanged(FOrientation, value))
        return;
    if (GetComponentState().Contains(vcl::csLoading))
        return;
    SetWidth(value == orVertical ? GetWidth() / 2 : GetWidth() * 2);
    int32_t w = GetWidth(), h = GetHeight();
    AdjustButtons(w, h);
}

void TFcSpinButtons::SetFlat(bool value) {
    FFlat = value;
    FUpButton->SetFlat(value);
    FDownButton->SetFlat(value);
}

void TFcSpinButtons::SetEnabled(bool value) {
    vcl::TWinControl::SetEnabled(value);
    FUpButton->SetEnabled(value);
    FDownButton->SetEnabled(value);
}

void TFcSpinButtons::AdjustButtons(int32_t& w, int32_t& h) {
    if (GetComponentState().Contains(vcl::csLoading) || !FUpButton || !FDownButton)
        return;
    if (FOrientation == orVertical) {
        FUpButton->SetBounds(0, 0, w, h / 2);
        FDownButton->SetBounds(0, h / 2, w, h - h / 2 - 1);
    } else {
        FDownButton->SetBounds(0, 0, w / 2, h - 1);
        FUpButton->SetBounds(w / 2, 0, w - w / 2, h - 1);
    }
}

void TFcSpinButtons::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    AdjustButtons(width, height);
    vcl::TWinControl::SetBounds(left, top, width, height);
}

void TFcSpinButtons::Loaded() {
    vcl::TWinControl::Loaded();
    int32_t w = GetWidth(), h = GetHeight();
    AdjustButtons(w, h);
}

void TFcSpinButtons::ButtonClick(vcl::TObject* sender) {
    if (sender == FUpButton)
        DoUpRightClick();
    else
        DoDownLeftClick();
}

void TFcSpinButtons::DoUpRightClick() {
    if (OnUpRightClick)
        OnUpRightClick(this);
}

void TFcSpinButtons::DoDownLeftClick() {
    if (OnDownLeftClick)
        OnDownLeftClick(this);
}

void TFcSpinButtons::ButtonMouseDown(vcl::TObject*, vcl::TMouseButton button) {
    if (button != vcl::mbLeft)
        return;
    vcl::TWinControl* target = nullptr;
    if (FFocusControl && FFocusControl->GetTabStop() && FFocusControl->CanFocus() && !FFocusControl->Focused())
        target = FFocusControl;
    else if (!FFocusControl && GetTabStop() && CanFocus() && !Focused())
        target = this;
    if (!target)
        return;
    target->SetFocus();
    // A control that would not take the focus (its OnExit or OnEnter refused) leaves the press undone.
    if (!target->Focused())
        throw vcl::EAbort();
}

void TFcSpinButtons::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_UP)
        FUpButton->Click();
    else if (key == win::VK_DOWN)
        FDownButton->Click();
    vcl::TWinControl::KeyDown(key, shift);
}

void TFcSpinButtons::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_GETDLGCODE:
        m.Result = win::DLGC_WANTARROWS;
        return;
    case vcl::CM_COLORCHANGED:
        vcl::TWinControl::Dispatch(m);
        FUpButton->SetColor(GetColor());
        FDownButton->SetColor(GetColor());
        return;
    default:
        vcl::TWinControl::Dispatch(m);
    }
}

// ---- TFcSpinEdit ----------------------------------------------------------------------------------------

TFcSpinEdit::TFcSpinEdit(vcl::TComponent* owner) : TFcCustomEdit(owner) {
    FButtons = new TFcSpinButtons(this);
    FButtons->SetBounds(0, 0, 17, 17);
    FButtons->SetVisible(true);
    FButtons->SetFocusControl(this);
    FButtons->SetParent(this);
    FButtons->OnUpRightClick = [this](vcl::TObject*) { UpClick(); };
    FButtons->OnDownLeftClick = [this](vcl::TObject*) { DownClick(); };
    SetAlignment(vcl::taRightJustify);
    SetWidth(47);
    SetValue(0);
}

TFcSpinEdit::~TFcSpinEdit() = default;

bool TFcSpinEdit::ParseText(double& value) {
    double v = 0;
    if (!vcl::TextToFloat(GetText(), v) || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double TFcSpinEdit::CheckValue(double value) {
    // Nothing that is not a number reaches the range or the formatting.
    if (!std::isfinite(value))
        value = std::isfinite(FMin) ? FMin : 0;
    if (FMin != FMax || FCheckRange) {
        if (value < FMin)
            value = FMin;
        else if (value > FMax)
            value = FMax;
    }
    return value;
}

void TFcSpinEdit::SetValue(double value) {
    const std::string text = FormatSpinValue(CheckValue(value), FDecimals);
    if (text != GetText())
        SetText(text);
}

double TFcSpinEdit::GetValue() {
    if (!GetText().empty()) {
        double v = 0;
        return ParseText(v) ? v : FMin;
    }
    if (FAllowBlank)
        return FBlankValue;
    SetText(vcl::FloatToStr(FMin));
    double v = 0;
    return ParseText(v) ? v : FMin;
}

int32_t TFcSpinEdit::GetIntValue() {
    const double v = std::nearbyint(GetValue()); // the default rounding: halves to even
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        throw vcl::ERangeError("Range check error: " + vcl::FloatToStr(GetValue()) + " is no 32-bit integer");
    return int32_t(v);
}

// A bound that moves the other one along leaves Min = Max, which alone would clamp nothing: the value is
// put within the new bounds all the same.
void TFcSpinEdit::SetMin(double value) {
    if (!vcl::SetIfChanged(FMin, value))
        return;
    const bool moved = FMax < FMin;
    if (moved)
        FMax = FMin;
    SetValue(moved ? FMin : GetValue());
    Invalidate();
}

void TFcSpinEdit::SetMax(double value) {
    if (!vcl::SetIfChanged(FMax, value))
        return;
    const bool moved = FMin > FMax;
    if (moved)
        FMin = FMax;
    SetValue(moved ? FMax : GetValue());
    Invalidate();
}

void TFcSpinEdit::SetDecimals(uint8_t value) {
    if (!vcl::SetIfChanged(FDecimals, value))
        return;
    SetValue(GetValue());
}

void TFcSpinEdit::SetCheckRange(bool value) {
    if (!vcl::SetIfChanged(FCheckRange, value))
        return;
    SetValue(GetValue());
}

void TFcSpinEdit::SetIntegersOnly(bool value) {
    if (!vcl::SetIfChanged(FIntegersOnly, value) || !value)
        return;
    FDecimals = 0;
    SetValue(std::nearbyint(GetValue()));
}

void TFcSpinEdit::SetButtonWidth(int32_t value) {
    value = IMax(value, 0);
    if (!vcl::SetIfChanged(FButtonWidth, value))
        return;
    FButtons->SetWidth(GetOrientation() == orVertical ? value : value * 2);
    AdjustHeight();
}

void TFcSpinEdit::SetOrientation(TOrientation value) {
    FButtons->SetOrientation(value);
    AdjustHeight();
}

void TFcSpinEdit::SetFlatButtons(bool value) {
    TFcCustomEdit::SetFlatButtons(value);
    FButtons->SetFlat(value);
    ApplyFlatButtons();
    AdjustHeight();
}

void TFcSpinEdit::SetFrameVisible(bool value) {
    TFcCustomEdit::SetFrameVisible(value);
    AdjustHeight();
}

void TFcSpinEdit::SetFrameStyle(TFrameStyle value) {
    TFcCustomEdit::SetFrameStyle(value);
    AdjustHeight();
}

TFcControlButton* TFcSpinEdit::GetSpinButton(int32_t button) {
    return button == 0 ? FButtons->GetUpRightButton() : FButtons->GetDownLeftButton();
}

bool TFcSpinEdit::DoChanging() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TFcSpinEdit::DoButtonClick(int32_t button) {
    if (OnButtonClick)
        OnButtonClick(this, button);
}

void TFcSpinEdit::Step(double amount, int32_t button) {
    if (GetReadOnly()) {
        win::MessageBeep(0);
        return;
    }
    auto alive = FAliveToken;
    if (!DoChanging() || !*alive)
        return;
    SetValue(GetValue() + amount);
    DoButtonClick(button);
}

void TFcSpinEdit::IncValue(double amount) { Step(amount, 0); }
void TFcSpinEdit::DecValue(double amount) { Step(-amount, 1); }

bool TFcSpinEdit::IsValidChar(char key) {
    const auto k = static_cast<unsigned char>(key);
    const char separator = vcl::DecimalSeparator;
    bool valid = std::strchr("+-0123456789", key) != nullptr || (!FIntegersOnly && key == separator) ||
                 (k < 32 && k != 13);
    if (key == 0)
        valid = false;
    const std::string text = GetText();
    if (valid && key == separator && !FIntegersOnly) {
        const bool hasSeparator = text.find(separator) != std::string::npos;
        if (GetSelLength() > 0)
            valid = !hasSeparator || GetSelText().find(separator) != std::string::npos;
        else
            valid = !hasSeparator;
    }
    if (valid && (key == '+' || key == '-')) {
        const bool hasSign = text.find_first_of("+-") != std::string::npos;
        valid = (GetSelStart() == 0 && !hasSign) || (GetSelLength() == int32_t(text.size()) && !text.empty());
    }
    if (!FAllowKeyEdit && (k == 8 || k >= 32))
        valid = false;
    return valid;
}

// ---- Layout -------------------------------------------------------------------------------------------

void TFcSpinEdit::AdjustHeight() {
    if (Loading() || FAdjusting)
        return;
    const int32_t minHeight = FontLineHeight(GetFont());
    if (GetHeight() < minHeight) {
        SetHeight(minHeight); // lays out again
        return;
    }
    FAdjusting = true;
    vcl::ScopeExit done([this]() noexcept { FAdjusting = false; });
    const int32_t w = FButtons->GetWidth(), height = GetHeight(), width = GetWidth();
    if (UseRightToLeftReading())
        FButtons->SetBounds(0, 0, w, height - 3);
    else if (GetFrameVisible() || GetCtl3D()) {
        if (SpinThemesActive())
            FButtons->SetBounds(width - w - 3, -1, w, height - 1);
        else
            FButtons->SetBounds(width - w - 4, 0, w, height - 3);
    } else {
        FButtons->SetBounds(width - w - 1, 1, w, height - 3);
    }
    UpdateMargins();
}

void TFcSpinEdit::UpdateMargins() {
    if (!HandleAllocated())
        return;
    const int32_t margin = FButtons->GetWidth() + 2;
    const int32_t left = UseRightToLeftReading() ? margin : 0, right = UseRightToLeftReading() ? 0 : margin;
    win::SendMessage(GetHandle(), win::EM_SETMARGINS, win::EC_LEFTMARGIN | win::EC_RIGHTMARGIN,
                     win::MAKELPARAM(left, right));
}

void TFcSpinEdit::GetEditRect(TRect& r) {
    r = GetClientRect();
    r.Right -= FButtons->GetWidth() + 2;
}

void TFcSpinEdit::CreateWnd() {
    TFcCustomEdit::CreateWnd();
    UpdateMargins();
}

void TFcSpinEdit::BoundsChanged(bool moved, bool sized) {
    TFcCustomEdit::BoundsChanged(moved, sized);
    if (sized)
        AdjustHeight();
}

void TFcSpinEdit::WMWindowPosChanged() {
    const int32_t width = GetWidth(), height = GetHeight();
    TFcCustomEdit::WMWindowPosChanged();
    if (width != GetWidth() || height != GetHeight())
        AdjustHeight();
}

void TFcSpinEdit::Loaded() {
    TFcCustomEdit::Loaded();
    AdjustHeight();
}

void TFcSpinEdit::ApplyFlatButtons() {
    if (!GetFlatButtons())
        return;
    const bool hot = GetMouseOver() || GetInControl();
    if (SpinThemesActive()) {
        FButtons->SetFlat(!hot);
        FButtons->SetColor(GetColor());
    } else {
        FButtons->SetColor(hot ? GetFlatButtonColor() : GetColor());
    }
}

void TFcSpinEdit::UpdateFrameState(bool isOver, bool value) {
    TFcCustomEdit::UpdateFrameState(isOver, value);
    ApplyFlatButtons();
}

// ---- Input --------------------------------------------------------------------------------------------

void TFcSpinEdit::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    auto alive = FAliveToken;
    TFcCustomEdit::KeyDown(key, shift);
    if (!*alive)
        return;
    switch (key) {
    case win::VK_DELETE:
        if (!FAllowKeyEdit) {
            key = 0;
            win::MessageBeep(0);
        }
        break;
    case win::VK_PRIOR:
        IncValue(FPageSize);
        break;
    case win::VK_NEXT:
        DecValue(FPageSize);
        break;
    case win::VK_UP:
        IncValue(FIncrement);
        break;
    case win::VK_DOWN:
        DecValue(FIncrement);
        break;
    default:
        break;
    }
}

void TFcSpinEdit::KeyPress(char& key) {
    TFcCustomEdit::KeyPress(key);
    if (key != 0 && !IsValidChar(key)) {
        key = 0;
        win::MessageBeep(0);
    }
}

bool TFcSpinEdit::DoMouseWheelDown(vcl::TShiftState shift, win::TPoint mousePos) {
    TFcCustomEdit::DoMouseWheelDown(shift, mousePos);
    DecValue(shift.Contains(vcl::ssCtrl) ? FPageSize : FIncrement);
    return true;
}

bool TFcSpinEdit::DoMouseWheelUp(vcl::TShiftState shift, win::TPoint mousePos) {
    TFcCustomEdit::DoMouseWheelUp(shift, mousePos);
    IncValue(shift.Contains(vcl::ssCtrl) ? FPageSize : FIncrement);
    return true;
}

void TFcSpinEdit::DoEnter() {
    UpdateMargins();
    TFcCustomEdit::DoEnter();
    if (GetAutoSelect() && !FMouseFocus)
        SelectAll();
}

void TFcSpinEdit::DoExit() {
    auto alive = FAliveToken;
    TFcCustomEdit::DoExit();
    if (!*alive)
        return;
    if (FAllowBlank && GetText().empty())
        return;
    double v = FMin;
    if (!ParseText(v))
        v = FMin;
    SetValue(v);
}

void TFcSpinEdit::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_PASTE:
    case win::WM_CUT:
        if (FAllowKeyEdit && !GetReadOnly())
            TFcCustomEdit::Dispatch(m);
        return;
    case vcl::CM_BIDIMODECHANGED:
        TFcCustomEdit::Dispatch(m);
        AdjustHeight();
        return;
    case vcl::CM_ENABLEDCHANGED:
        TFcCustomEdit::Dispatch(m);
        UpdateMargins();
        FButtons->SetEnabled(GetEnabled());
        if (GetFlatButtons())
            FButtons->SetColor(GetColor());
        return;
    default:
        TFcCustomEdit::Dispatch(m);
    }
}

} // namespace controls
