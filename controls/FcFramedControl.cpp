#include "controls/FcFramedControl.h"

#include "controls/FcThemeServices.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Scope.h"

namespace controls {

TFcFramedControl::~TFcFramedControl() { *FAlive = false; }

template <class T> void TFcFramedControl::SetFrameLook(T& field, T value) {
    if (vcl::SetIfChanged(field, value))
        FrameLookChanged();
}

void TFcFramedControl::SetStateColor(TColor& field, TColor value, TFrameSettingCode code) {
    if (vcl::SetIfChanged(field, value) && StateColorShown(code))
        UpdateColors();
}

void TFcFramedControl::SetFrameVisible(bool value) {
    if (vcl::SetIfChanged(FFrame.FrameVisible, value))
        FrameVisibleChanged();
}

void TFcFramedControl::SetFrameHotTrack(bool value) {
    if (!vcl::SetIfChanged(FFrame.FrameHotTrack, value))
        return;
    if (value) {
        SetFrameVisible(true);
        if (!FControl->GetComponentState().Contains(vcl::csLoading))
            FFrame.FrameSides = AllSides;
    }
    FrameLookChanged();
}

void TFcFramedControl::SetFrameStyle(TFrameStyle value) { SetFrameLook(FFrame.FrameStyle, value); }
void TFcFramedControl::SetFrameColor(TColor value) { SetFrameLook(FFrame.FrameColor, value); }
void TFcFramedControl::SetFrameHotStyle(TFrameStyle value) { SetFrameLook(FFrame.FrameHotStyle, value); }
void TFcFramedControl::SetFrameHotColor(TColor value) { SetFrameLook(FFrame.FrameHotColor, value); }
void TFcFramedControl::SetFrameSides(TSides value) { SetFrameLook(FFrame.FrameSides, value); }
void TFcFramedControl::SetFramingPreference(TFramingPreference value) {
    SetFrameLook(FFrame.FramingPreference, value);
}
void TFcFramedControl::SetFlatButtons(bool value) { SetFrameLook(FFrame.FlatButtons, value); }
void TFcFramedControl::SetFlatButtonColor(TColor value) { SetFrameLook(FFrame.FlatButtonColor, value); }

void TFcFramedControl::SetFocusColor(TColor value) { SetStateColor(FFrame.FocusColor, value, fscFocusColor); }
void TFcFramedControl::SetDisabledColor(TColor value) {
    SetStateColor(FFrame.DisabledColor, value, fscDisabledColor);
}

void TFcFramedControl::SetFrameController(TFcFrameController* value) {
    if (value == FFrameController)
        return;
    // Linking pushes every setting at once; the control may take them as one change.
    FLinking = true;
    auto alive = FAlive;
    vcl::ScopeExit linked([this, alive]() noexcept {
        if (*alive)
            FLinking = false;
    });
    LinkFrameController(FControl, FFrameController, value);
}

void TFcFramedControl::FrameControllerNotification(vcl::TComponent* component, vcl::TOperation operation) {
    if (operation == vcl::opRemove && component == FFrameController)
        FFrameController = nullptr;
}

void TFcFramedControl::UnlinkFrameController() {
    if (!FFrameController)
        return;
    FFrameController->RemoveControl(FControl);
    FFrameController->RemoveFreeNotification(FControl);
    FFrameController = nullptr;
}

void TFcFramedControl::DefineLegacyFrameReaders(vcl::TFiler* filer) {
    DefineLegacyFrameProperties(filer, {[this](bool v) { SetFrameHotTrack(v); },
                                        [this](TFrameStyle v) { SetFrameStyle(v); },
                                        [this](TFrameStyle v) { SetFrameHotStyle(v); }});
}

bool TFcFramedControl::UseThemes() const {
    return FFrame.FramingPreference == fpXPThemes && GetThemeServices()->ThemesEnabled();
}

TColor TFcFramedControl::StateColor(bool focused, TColor normal) const {
    if (!FControl->GetEnabled())
        return FFrame.DisabledColor;
    return focused ? FFrame.FocusColor : normal;
}

bool TFcFramedControl::IsColorStored() const {
    return FrameColorStored(FFrameController != nullptr, FControl->GetEnabled());
}
bool TFcFramedControl::IsFocusColorStored() const {
    return FrameFocusColorStored(FFrameController != nullptr, FFrame.FocusColor, FocusColorStoredAgainst());
}
bool TFcFramedControl::IsFrameSettingStored() const { return FrameSettingStored(FFrameController != nullptr); }

} // namespace controls
