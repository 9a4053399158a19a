// One set of frame and colour settings imposed on every control linked to it, so that the edits, combo
// boxes, list views, check boxes, labels and panels of a window share one look. Settings reach a control by
// published property name; a control that implements IFrameControllerNotify fetches them itself instead.
#pragma once

#include "controls/FcFrames.h"
#include "platform/vcl/Component.h"

#include <memory>
#include <vector>

namespace vcl {
class TControl;
class TReader;
} // namespace vcl

namespace controls {

class TFcRegIniFile;

// A control that takes the controller's settings itself (through its own FrameController property)
// instead of property by property.
class IFrameControllerNotify {
public:
    virtual ~IFrameControllerNotify() = default;
    virtual void ApplyFrameController() = 0;
};

// Which setting changed; 0 stands for all of them.
enum TFrameSettingCode : int32_t {
    fscAll = 0,
    fscColor = 1,
    fscFocusColor = 2,
    fscDisabledColor = 3,
    fscParentColor = 4,
    fscFlatButtonColor = 5,
    fscFlatButtons = 6,
    fscFrameColor = 7,
    fscFrameHotColor = 8,
    fscFrameHotTrack = 9,
    fscFrameHotStyle = 10,
    fscFrameSides = 11,
    fscFrameStyle = 12,
    fscFrameVisible = 13,
    fscFramingPreference = 14
};

class TFcFrameController : public vcl::TComponent {
public:
    explicit TFcFrameController(vcl::TComponent* owner);
    ~TFcFrameController() override;

    // Links a control and pushes every setting into it at once; linking again does nothing.
    void AddControl(vcl::TControl* control);
    void RemoveControl(vcl::TControl* control);
    int32_t ControlCount() const { return FControls ? int32_t(FControls->size()) : 0; }
    void BeginUpdate();
    // At 0 (never below) every setting goes to every control.
    void EndUpdate();
    void UpdateControls();

    virtual void PushSettingsToControl(vcl::TControl* control, int32_t code);
    virtual void PushSettingsToAll(int32_t code);

    void Assign(vcl::TPersistent* source) override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}
    vcl::TColor GetColor() const { return FColor; }
    virtual void SetColor(vcl::TColor value);
    vcl::TColor GetDisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(vcl::TColor value);
    vcl::TColor GetFlatButtonColor() const { return FFlatButtonColor; }
    virtual void SetFlatButtonColor(vcl::TColor value);
    bool GetFlatButtons() const { return FFlatButtons; }
    virtual void SetFlatButtons(bool value);
    vcl::TColor GetFocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(vcl::TColor value);
    vcl::TColor GetFrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(vcl::TColor value);
    vcl::TColor GetFrameHotColor() const { return FFrameHotColor; }
    virtual void SetFrameHotColor(vcl::TColor value);
    TFrameStyle GetFrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle value);
    bool GetFrameHotTrack() const { return FFrameHotTrack; }
    virtual void SetFrameHotTrack(bool value);
    TSides GetFrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides value);
    TFrameStyle GetFrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle value);
    bool GetFrameVisible() const { return FFrameVisible; }
    virtual void SetFrameVisible(bool value);
    TFramingPreference GetFramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference value);
    bool GetParentColor() const { return FParentColor; }
    virtual void SetParentColor(bool value);
    TFcRegIniFile* GetRegIniFile() const { return FRegIniFile; }
    virtual void SetRegIniFile(TFcRegIniFile* value);

    // Color is stored only while ParentColor is off.
    bool IsColorStored() const { return !FParentColor; }

private:
    bool Loading() const { return GetComponentState().Contains(vcl::csLoading); }

    vcl::TColor FColor = vcl::clWindow;
    vcl::TColor FDisabledColor = vcl::clBtnFace;
    vcl::TColor FFlatButtonColor = vcl::clBtnFace;
    bool FFlatButtons = true;
    vcl::TColor FFocusColor = vcl::clWindow;
    vcl::TColor FFrameColor = vcl::clBtnShadow;
    vcl::TColor FFrameHotColor = vcl::clBtnShadow;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    bool FFrameHotTrack = false;
    TSides FFrameSides = AllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    bool FParentColor = false;
    TFcRegIniFile* FRegIniFile = nullptr;
    // The linked controls in linking order; made with the first link, freed with the last.
    std::unique_ptr<std::vector<vcl::TControl*>> FControls;
    int32_t FUpdateCount = 0;
};

// A framed control's FrameController setter: the controller in link forgets control, and value (when not nil)
// is told of its end and takes control, pushing every setting into it. Nothing happens when value is linked.
void LinkFrameController(vcl::TControl* control, TFcFrameController*& link, TFcFrameController* value);

// The fields of a label's or panel's two-frame border that a frame controller sets.
struct TControllerBorderFields {
    TFrameStyleEx& BorderOuter;
    TSides& BorderSides;
    vcl::TColor& FlatColor;
    int32_t& FlatColorAdjustment;
    vcl::TColor& BorderHighlight;
    vcl::TColor& BorderShadow;
};
// A label or panel takes a controller's look: the frame style as the outer border on the frame's sides, the
// frame colour unshaded as the flat colour, the controller's Color and ParentColor, and bevel colours made
// from the colour the control ends with.
void TakeControllerBorder(const TFcFrameController& controller, vcl::TControl* control,
                          const TControllerBorderFields& fields);

// Readers that drop the values of properties older layouts may still hold: a Boolean, an identifier, a set.
class TFcOldPropReader {
public:
    static void ReadBoolean(vcl::TReader* reader);
    static void ReadIdent(vcl::TReader* reader);
    static void ReadSet(vcl::TReader* reader);
};

} // namespace controls
