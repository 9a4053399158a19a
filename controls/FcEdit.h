// The edit base of the control set: the masked edit with the shared frame model, a background colour that
// follows the state (disabled, focused, normal), Enter as Tab, left, right or centred text, a hook for
// validation errors, and an optional drop-down button in the non-client area on the right.
#pragma once

#include "controls/FcFramedControl.h"
#include "controls/FcFrames.h"
#include "platform/vcl/Mask.h"

#include <functional>
#include <memory>
#include <string>

namespace controls {

// Called when the text does not validate: a message set by the handler beeps and is raised.
using TFcValidateErrorEvent = std::function<void(vcl::TObject* Sender, std::string& Msg)>;

class TFcCustomEdit : public vcl::TCustomMaskEdit, public TFcFramedControl {
public:
    explicit TFcCustomEdit(vcl::TComponent* owner);
    ~TFcCustomEdit() override;

    // Flat drop-down button settings (the rest of the frame settings: TFcFramedControl).
    using TFcFramedControl::GetFlatButtonColor;
    using TFcFramedControl::GetFlatButtons;
    using TFcFramedControl::SetFlatButtonColor;
    using TFcFramedControl::SetFlatButtons;

    // Left, right or centred text; a change re-creates the window.
    vcl::TAlignment GetAlignment() const { return FAlignment; }
    virtual void SetAlignment(vcl::TAlignment value);
    bool GetTabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool value) { FTabOnEnter = value; }
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // The Color the user set last (the control shows DisabledColor or FocusColor by state instead).
    TColor GetNormalColor() const { return FNormalColor; }
    // Run-time state.
    bool GetInControl() const { return FInControl; }
    bool GetMouseOver() const { return FMouseOver; }
    bool GetDropButtonVisible() const { return FDropButtonVisible; }
    bool GetDroppedDown() const { return FDroppedDown; }
    bool GetMouseOverButton() const { return FMouseOverButton; }
    int32_t GetButtonState() const { return FButtonState; }
    // FrameHotTrack with the pointer over the edit or the focus in it.
    bool IsFrameHot() const;
    using TFcFramedControl::UseThemes;

    TFcValidateErrorEvent OnValidateError;
    vcl::TNotifyEvent OnDropDown;
    vcl::TNotifyEvent OnCloseUp;

    void Dispatch(vcl::TMessage& message) override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

protected:
    void UpdateColors() override;
    void FrameVisibleChanged() override;
    void FrameLookChanged() override { InvalidateFrame(); }
    bool StateColorShown(TFrameSettingCode code) const override;
    TColor FocusColorStoredAgainst() const override { return GetColor(); }
    virtual void UpdateFrameState(bool isOver, bool value);
    // Redraws the non-client frame at once.
    virtual void InvalidateFrame();
    virtual void GetEditRect(TRect& r);
    virtual void GetDisplayText(std::string& s);
    virtual void DrawDropButton(TRect r);
    virtual void SetButtonState(int32_t state);
    virtual void SetDropButtonVisible(bool visible);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void DoCloseUp();
    virtual void DoDropDown();

    void CreateParams(vcl::TCreateParams& params) override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void DoExit() override;
    void ValidateError() override;

    // The window's device context while the frame or button paints, null otherwise.
    vcl::TCanvas* NonClientCanvas() const { return FCanvas.get(); }
    bool Loading() const { return GetComponentState().Contains(vcl::csLoading); }

    // False once the edit is destroyed: event handlers may free it.
    std::shared_ptr<bool> FAliveToken = std::make_shared<bool>(true);

private:
    void ColorChanged();
    void NCCalcSize(vcl::TMessage& m);
    void NCPaint(vcl::TMessage& m);
    void NCHitTest(vcl::TMessage& m);
    // The drop button pressed (by the mouse, or Alt+Down): dropped down, DoDropDown, DoCloseUp, up again.
    void PressDropButton(bool byMouse);
    // A press elsewhere, a release or the focus leaving puts the button up and gives the mouse back.
    void ReleaseDropButton();
    int32_t DropButtonWidth() const;
    vcl::TAlignment FAlignment = vcl::taLeftJustify;
    bool FTabOnEnter = false;
    TColor FNormalColor = vcl::clWindow;
    bool FChangingColor = false;
    bool FInControl = false;
    bool FMouseOver = false;
    bool FDropButtonVisible = false;
    bool FDroppedDown = false;
    bool FMouseOverButton = false;
    int32_t FButtonState = 0; // 0 up, 2 down
    std::unique_ptr<vcl::TCanvas> FCanvas;
};

} // namespace controls
