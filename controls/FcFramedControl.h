// What the framed controls (edit, combo box, list view) share of the frame model: the frame settings with
// their setters, the rules for storing them in a layout file, the readers of older layouts and the link to a
// frame controller. A setter ignores an unchanged value, stores the new one and then tells the control
// through the hooks below, which is where the controls differ.
#pragma once

#include "controls/FcFrameController.h"
#include "controls/FcFrames.h"

#include <memory>

namespace vcl {
class TComponent;
class TControl;
class TFiler;
} // namespace vcl

namespace controls {

class TFcFramedControl {
public:
    TFcFramedControl(const TFcFramedControl&) = delete;
    TFcFramedControl& operator=(const TFcFramedControl&) = delete;

    bool GetFrameVisible() const { return FFrame.FrameVisible; }
    virtual void SetFrameVisible(bool value);
    TFrameStyle GetFrameStyle() const { return FFrame.FrameStyle; }
    virtual void SetFrameStyle(TFrameStyle value);
    TColor GetFrameColor() const { return FFrame.FrameColor; }
    virtual void SetFrameColor(TColor value);
    // On, it shows the frame and (outside loading) puts it on every side.
    bool GetFrameHotTrack() const { return FFrame.FrameHotTrack; }
    virtual void SetFrameHotTrack(bool value);
    TFrameStyle GetFrameHotStyle() const { return FFrame.FrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle value);
    TColor GetFrameHotColor() const { return FFrame.FrameHotColor; }
    virtual void SetFrameHotColor(TColor value);
    TSides GetFrameSides() const { return FFrame.FrameSides; }
    virtual void SetFrameSides(TSides value);
    TFramingPreference GetFramingPreference() const { return FFrame.FramingPreference; }
    virtual void SetFramingPreference(TFramingPreference value);
    TColor GetFocusColor() const { return FFrame.FocusColor; }
    virtual void SetFocusColor(TColor value);
    TColor GetDisabledColor() const { return FFrame.DisabledColor; }
    virtual void SetDisabledColor(TColor value);
    TFcFrameController* GetFrameController() const { return FFrameController; }
    virtual void SetFrameController(TFcFrameController* value);

    // Layout-file storage rules of the frame settings.
    bool IsColorStored() const;
    bool IsFocusColorStored() const;
    bool IsFrameSettingStored() const;

protected:
    explicit TFcFramedControl(vcl::TControl* control) : FControl(control) {}
    virtual ~TFcFramedControl();

    // The flat drop-down button's settings, published by the controls that have such a button.
    bool GetFlatButtons() const { return FFrame.FlatButtons; }
    virtual void SetFlatButtons(bool value);
    TColor GetFlatButtonColor() const { return FFrame.FlatButtonColor; }
    virtual void SetFlatButtonColor(TColor value);

    // FramingPreference fpXPThemes while themes are enabled: the visual style frames the control.
    virtual bool UseThemes() const;

    // FrameVisible changed: the control makes room for the frame or gives it back.
    virtual void FrameVisibleChanged() = 0;
    // Another setting the frame is drawn with changed: the control redraws it.
    virtual void FrameLookChanged() = 0;
    // Whether the control shows the colour of fscFocusColor or fscDisabledColor now; a change to a colour
    // shown updates the colours.
    virtual bool StateColorShown(TFrameSettingCode) const { return true; }
    // The colour FocusColor is stored only when it differs from.
    virtual TColor FocusColorStoredAgainst() const = 0;
    virtual void UpdateColors() = 0;
    // The colour the control shows: DisabledColor while disabled, FocusColor while focused, normal otherwise.
    TColor StateColor(bool focused, TColor normal) const;

    // True while SetFrameController pushes the new controller's settings into the control.
    bool LinkingFrameController() const { return FLinking; }
    // From the control's Notification: a controller going away is forgotten.
    void FrameControllerNotification(vcl::TComponent* component, vcl::TOperation operation);
    // From the control's destructor: the controller forgets the control.
    void UnlinkFrameController();
    // From the control's DefineProperties: the readers of older layouts' frame properties.
    void DefineLegacyFrameReaders(vcl::TFiler* filer);

    TFrameSettings FFrame;

private:
    template <class T> void SetFrameLook(T& field, T value);
    void SetStateColor(TColor& field, TColor value, TFrameSettingCode code);

    vcl::TControl* FControl;
    TFcFrameController* FFrameController = nullptr;
    bool FLinking = false;
    // False once the control is gone: a controller's push may free it.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace controls
