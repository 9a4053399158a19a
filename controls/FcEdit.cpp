#include "controls/FcEdit.h"

#include "controls/FcFrameController.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"
#include "platform/win/user/controls/CommCtrl.h"

namespace controls {

namespace {

bool EditThemesActive() { return GetThemeServices()->ThemesEnabled(); }

void EditFill(vcl::TCanvas* c, const TRect& r, TColor color) {
    c->GetBrush()->SetStyle(vcl::bsSolid);
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
}

} // namespace

TFcCustomEdit::TFcCustomEdit(vcl::TComponent* owner) : vcl::TCustomMaskEdit(owner), TFcFramedControl(this) {
    vcl::TControlStyle style = GetControlStyle();
    style.Exclude(vcl::csSetCaption);
    style.Include(vcl::csCaptureMouse);
    SetControlStyle(style);
    SetColor(vcl::clWindow);
    FNormalColor = vcl::clWindow;
}

TFcCustomEdit::~TFcCustomEdit() {
    *FAliveToken = false;
    UnlinkFrameController();
    FCanvas.reset();
}

// ---- Settings -------------------------------------------------------------------------------------------

void TFcCustomEdit::FrameVisibleChanged() {
    // The custom frame is drawn over the sunken edge.
    SetCtl3D(true);
    RecreateWnd();
}

// FocusColor shows while the edit has the focus, DisabledColor while it is disabled.
bool TFcCustomEdit::StateColorShown(TFrameSettingCode code) const {
    return code == fscFocusColor ? FInControl : !GetEnabled();
}

void TFcCustomEdit::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomMaskEdit::Notification(component, operation);
    FrameControllerNotification(component, operation);
}

void TFcCustomEdit::SetAlignment(vcl::TAlignment value) {
    if (vcl::SetIfChanged(FAlignment, value))
        RecreateWnd();
}

void TFcCustomEdit::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomMaskEdit::DefineProperties(filer);
    DefineLegacyFrameReaders(filer);
}

void TFcCustomEdit::Loaded() {
    vcl::TCustomMaskEdit::Loaded();
    FNormalColor = GetColor();
    FInControl = false;
    FMouseOver = false;
    UpdateColors();
}

bool TFcCustomEdit::IsFrameHot() const { return FFrame.FrameHotTrack && (FMouseOver || FInControl); }

void TFcCustomEdit::GetEditRect(TRect& r) { r = GetClientRect(); }

void TFcCustomEdit::GetDisplayText(std::string& s) { s = GetText(); }

void TFcCustomEdit::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomMaskEdit::CreateParams(params);
    params.Style |= win::WS_CLIPCHILDREN;
    if (FAlignment == vcl::taLeftJustify)
        params.Style &= ~win::ES_MULTILINE;
    else if (FAlignment == vcl::taRightJustify)
        params.Style = (params.Style | win::ES_RIGHT) & ~win::ES_MULTILINE;
}

// ---- Colours and frame state ----------------------------------------------------------------------------

void TFcCustomEdit::UpdateColors() {
    if (Loading())
        return;
    const TColor color = StateColor(FInControl, FNormalColor);
    FChangingColor = true;
    vcl::ScopeExit done([this]() noexcept { FChangingColor = false; });
    SetColor(color);
}

void TFcCustomEdit::ColorChanged() {
    if (FChangingColor)
        return;
    // The user's colour: FocusColor follows when it was the normal colour.
    if (FFrame.FocusColor == FNormalColor)
        FFrame.FocusColor = GetColor();
    FNormalColor = GetColor();
    if (!Loading() && (FInControl || !GetEnabled()))
        UpdateColors();
}

void TFcCustomEdit::UpdateFrameState(bool isOver, bool value) {
    if (isOver)
        FMouseOver = value;
    else
        FInControl = value;
    if (HandleAllocated()) {
        if (FDropButtonVisible) {
            if ((FFrame.FlatButtons || FFrame.FrameHotTrack || EditThemesActive()) && FButtonState != 2) {
                TRect r = GetClientRect();
                if (!FFrame.FrameHotTrack) {
                    const int32_t w = win::GetSystemMetrics(win::SM_CXVSCROLL) + 2;
                    if (UseRightToLeftReading())
                        r = {r.Left - w, r.Top, r.Left, r.Bottom};
                    else
                        r = {r.Right, r.Top, r.Right + w, r.Bottom};
                }
                win::RedrawWindow(GetHandle(), &r, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_NOERASE);
            }
        } else if (FFrame.FrameHotTrack) {
            InvalidateFrame();
        }
    }
    UpdateColors();
}

void TFcCustomEdit::InvalidateFrame() {
    if (HandleAllocated())
        win::RedrawWindow(GetHandle(), nullptr, nullptr,
                          win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_NOERASE | win::RDW_UPDATENOW);
}

void TFcCustomEdit::MouseEnter() { UpdateFrameState(true, true); }
void TFcCustomEdit::MouseLeave() { UpdateFrameState(true, false); }

void TFcCustomEdit::DoEnter() {
    if (vcl::Win32MajorVersion() == 4 && vcl::Win32MinorVersion() == 0 && GetAutoSelect() && !FMouseFocus)
        SelectAll();
    UpdateFrameState(false, true);
    vcl::TCustomMaskEdit::DoEnter();
}

void TFcCustomEdit::DoExit() {
    auto alive = FAliveToken;
    vcl::TCustomMaskEdit::DoExit();
    if (*alive)
        UpdateFrameState(false, false);
}

// ---- Keys and validation --------------------------------------------------------------------------------

void TFcCustomEdit::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_DOWN && shift.Contains(vcl::ssAlt) && FDropButtonVisible) {
        key = 0;
        PressDropButton(false);
        return;
    }
    vcl::TCustomMaskEdit::KeyDown(key, shift);
}

void TFcCustomEdit::KeyPress(char& key) {
    if (FTabOnEnter && key == '\r') {
        key = 0;
        if (HandleAllocated())
            win::PostMessage(GetHandle(), win::WM_KEYDOWN, win::VK_TAB, 0);
        return;
    }
    if (key == '\r' && FAlignment == vcl::taRightJustify && vcl::Win32MajorVersion() == 4 &&
        vcl::Win32MinorVersion() == 0) {
        key = 0;
        return;
    }
    vcl::TCustomMaskEdit::KeyPress(key);
}

void TFcCustomEdit::ValidateError() {
    if (OnValidateError) {
        std::string message;
        OnValidateError(this, message);
        if (!message.empty()) {
            win::MessageBeep(0);
            throw vcl::EDBEditError(message);
        }
    }
    vcl::TCustomMaskEdit::ValidateError();
}

// ---- Drop button ----------------------------------------------------------------------------------------

int32_t TFcCustomEdit::DropButtonWidth() const {
    return win::GetSystemMetrics(win::SM_CXVSCROLL) - (EditThemesActive() ? 1 : 0);
}

void TFcCustomEdit::SetDropButtonVisible(bool visible) {
    if (vcl::SetIfChanged(FDropButtonVisible, visible))
        RecreateWnd();
}

void TFcCustomEdit::SetButtonState(int32_t state) {
    if (!vcl::SetIfChanged(FButtonState, state))
        return;
    if (HandleAllocated())
        win::SendMessage(GetHandle(), win::WM_NCPAINT, 1, 0);
}

void TFcCustomEdit::DoDropDown() {
    if (OnDropDown)
        OnDropDown(this);
}

void TFcCustomEdit::DoCloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TFcCustomEdit::PressDropButton(bool byMouse) {
    auto alive = FAliveToken;
    if (!Focused() && CanFocus())
        SetFocus();
    if (!*alive)
        return;
    FDroppedDown = true;
    // Only a press of the mouse takes the mouse: after Alt+Down no release would give it back, and the next
    // click anywhere would count as a press of the button.
    if (byMouse)
        win::SetCapture(GetHandle());
    SetButtonState(2);
    DoDropDown();
    if (!*alive)
        return;
    DoCloseUp();
    if (!*alive)
        return;
    SetButtonState(0);
    FDroppedDown = false;
}

void TFcCustomEdit::ReleaseDropButton() {
    if (!FDroppedDown)
        SetButtonState(0);
    if (HandleAllocated() && win::GetCapture() == GetHandle())
        win::ReleaseCapture();
}

void TFcCustomEdit::NCCalcSize(vcl::TMessage& m) {
    DefaultHandler(m);
    if (!FDropButtonVisible || !m.LParam)
        return;
    auto* params = reinterpret_cast<win::NCCALCSIZE_PARAMS*>(m.LParam);
    TRect& r = params->rgrc[0];
    const int32_t w = DropButtonWidth();
    if (UseRightToLeftReading())
        r.Left = IMin(r.Left + w, r.Right);
    else
        r.Right = IMax(r.Right - w, r.Left);
}

void TFcCustomEdit::NCPaint(vcl::TMessage& m) {
    DefaultHandler(m);
    const bool frame = FFrame.FrameVisible && !UseThemes();
    if ((!frame && !FDropButtonVisible) || !HandleAllocated())
        return;
    win::HDC dc = win::GetWindowDC(GetHandle());
    if (!dc)
        return;
    FCanvas = std::make_unique<vcl::TCanvas>();
    FCanvas->SetHandle(dc);
    vcl::ScopeExit release([&]() noexcept {
        FCanvas->SetHandle(nullptr);
        FCanvas.reset();
        win::ReleaseDC(GetHandle(), dc);
    });
    TRect w;
    win::GetWindowRect(GetHandle(), &w);
    const int32_t width = w.Right - w.Left, height = w.Bottom - w.Top;
    if (frame) {
        const bool hot = IsFrameHot();
        PaintControlFrame(FCanvas.get(), width, height, hot ? FFrame.FrameHotStyle : FFrame.FrameStyle, GetColor(),
                          hot ? FFrame.FrameHotColor : FFrame.FrameColor, FFrame.FrameSides, false);
    }
    if (FDropButtonVisible) {
        TRect r{0, 0, width, height};
        if (GetBorderStyle() == vcl::bsSingle) {
            const int32_t by = EditThemesActive() ? 1 : 2;
            r = {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by};
            win::IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
        }
        const int32_t bw = win::GetSystemMetrics(win::SM_CXVSCROLL);
        if (UseRightToLeftReading())
            r.Right = r.Left + bw;
        else
            r.Left = r.Right - bw;
        DrawDropButton(r);
    }
}

void TFcCustomEdit::NCHitTest(vcl::TMessage& m) {
    DefaultHandler(m);
    if (FDropButtonVisible && m.Result == win::HTNOWHERE) {
        FMouseOverButton = true;
        m.Result = win::HTCLIENT;
    } else {
        FMouseOverButton = false;
    }
}

void TFcCustomEdit::DrawDropButton(TRect r) {
    vcl::TCanvas* c = FCanvas.get();
    if (!c)
        return;
    const bool down = FButtonState == 2;
    const bool hot = FInControl || FMouseOver;
    if (EditThemesActive()) {
        if (!FFrame.FlatButtons || hot) {
            const int code = !GetEnabled() ? tcDropDownButtonDisabled
                             : down        ? tcDropDownButtonPressed
                             : hot         ? tcDropDownButtonHot
                                           : tcDropDownButtonNormal;
            TThemeServices* services = GetThemeServices();
            services->PaintElement(c->GetHandle(), services->DetailsForComboBox(code), r);
        } else {
            EditFill(c, r, GetColor());
            PaintDropDownArrow(c, r, true, false, GetEnabled());
        }
        return;
    }
    if (!FFrame.FlatButtons) {
        EditFill(c, r, vcl::clBtnFace);
        win::UINT state = win::DFCS_SCROLLCOMBOBOX;
        if (down)
            state |= win::DFCS_PUSHED | win::DFCS_FLAT;
        if (!GetEnabled())
            state |= win::DFCS_INACTIVE;
        win::DrawFrameControl(c->GetHandle(), &r, win::DFC_SCROLL, state);
        return;
    }
    if (hot) {
        const TColor face = FFrame.FlatButtonColor;
        if (face == vcl::clBtnFace)
            r = down ? PaintBevel(c, r, vcl::clBtnShadow, vcl::clBtnHighlight, 1)
                     : PaintBevel(c, r, vcl::clBtnHighlight, vcl::clBtnShadow, 1);
        else
            r = PaintColorStyleBorder(c, r, face, down ? fsStatus : fsPopup);
        EditFill(c, r, face);
        PaintDropDownArrow(c, r, false, down, GetEnabled());
    } else {
        EditFill(c, r, FInControl ? FFrame.FocusColor : FNormalColor);
        PaintDropDownArrow(c, r, false, false, GetEnabled());
    }
}

// ---- Messages -------------------------------------------------------------------------------------------

void TFcCustomEdit::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_NCCALCSIZE:
        NCCalcSize(m);
        return;
    case win::WM_NCPAINT:
        NCPaint(m);
        return;
    case win::WM_NCHITTEST:
        NCHitTest(m);
        return;
    case win::WM_SETCURSOR:
        if (FDropButtonVisible && FMouseOverButton) {
            win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
            m.Result = 1;
            return;
        }
        vcl::TCustomMaskEdit::Dispatch(m);
        return;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        if (FDropButtonVisible && FMouseOverButton) {
            PressDropButton(true);
            return;
        }
        ReleaseDropButton();
        vcl::TCustomMaskEdit::Dispatch(m);
        return;
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONDBLCLK:
        if (FDropButtonVisible && FMouseOverButton)
            return;
        vcl::TCustomMaskEdit::Dispatch(m);
        return;
    case win::WM_LBUTTONUP: {
        auto alive = FAliveToken;
        ReleaseDropButton();
        vcl::TCustomMaskEdit::Dispatch(m);
        return;
    }
    case win::WM_KILLFOCUS: {
        auto alive = FAliveToken;
        vcl::TCustomMaskEdit::Dispatch(m);
        if (*alive)
            ReleaseDropButton();
        return;
    }
    case vcl::CM_MOUSEENTER: {
        auto alive = FAliveToken;
        vcl::TCustomMaskEdit::Dispatch(m);
        if (*alive)
            MouseEnter();
        return;
    }
    case vcl::CM_MOUSELEAVE: {
        auto alive = FAliveToken;
        vcl::TCustomMaskEdit::Dispatch(m);
        if (*alive)
            MouseLeave();
        return;
    }
    case vcl::CM_COLORCHANGED:
        vcl::TCustomMaskEdit::Dispatch(m);
        ColorChanged();
        if (FFrame.FrameVisible)
            InvalidateFrame();
        return;
    case vcl::CM_ENABLEDCHANGED:
        vcl::TCustomMaskEdit::Dispatch(m);
        UpdateColors();
        return;
    default:
        vcl::TCustomMaskEdit::Dispatch(m);
    }
}

} // namespace controls
