#include "controls/FcFrameController.h"

#include "controls/FcCommon.h"
#include "controls/FcGraphics.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>

namespace controls {

namespace {

// Writes an ordinal or colour value through the control's published property of that name, if it has one.
void ControllerSetOrd(vcl::TControl* control, const char* name, int64_t value) {
    const vcl::TPropInfo* p = vcl::GetPropInfo(control, name);
    if (p && p->Name == name && p->SetOrd)
        p->SetOrd(control, value);
}

// FrameSides goes by its textual form: the names of the controller's sides, taken up by the control's own
// set type.
void ControllerSetSides(vcl::TControl* control, const vcl::TPropInfo* own, TSides sides) {
    const vcl::TPropInfo* p = vcl::GetPropInfo(control, "FrameSides");
    if (!p || p->Name != "FrameSides" || !p->SetOrd || p->Kind != vcl::tkSet)
        return;
    if (!own || !own->EnumInfo || !p->EnumInfo) {
        p->SetOrd(control, int64_t(sides.ToBits()));
        return;
    }
    int64_t bits = 0;
    for (size_t i = 0; i < own->EnumInfo->Names.size(); ++i) {
        if (!sides.Contains(TSide(int(i) + own->EnumInfo->MinValue)))
            continue;
        const auto& names = p->EnumInfo->Names;
        auto it = std::find(names.begin(), names.end(), own->EnumInfo->Names[i]);
        if (it != names.end())
            bits |= int64_t(1) << (int(it - names.begin()) + p->EnumInfo->MinValue);
    }
    p->SetOrd(control, bits);
}

} // namespace

TFcFrameController::TFcFrameController(vcl::TComponent* owner) : vcl::TComponent(owner) {}

TFcFrameController::~TFcFrameController() {
    // The controls hear of the end through their free notification.
    FControls.reset();
}

void TFcFrameController::AddControl(vcl::TControl* control) {
    if (!control)
        return;
    if (!FControls)
        FControls = std::make_unique<std::vector<vcl::TControl*>>();
    if (std::find(FControls->begin(), FControls->end(), control) != FControls->end())
        return;
    FControls->push_back(control);
    PushSettingsToControl(control, fscAll);
}

void TFcFrameController::RemoveControl(vcl::TControl* control) {
    if (!FControls)
        return;
    auto it = std::find(FControls->begin(), FControls->end(), control);
    if (it != FControls->end())
        FControls->erase(it);
    if (FControls->empty())
        FControls.reset();
}

void LinkFrameController(vcl::TControl* control, TFcFrameController*& link, TFcFrameController* value) {
    if (value == link)
        return;
    if (link) {
        link->RemoveControl(control);
        link->RemoveFreeNotification(control);
    }
    link = value;
    if (value) {
        value->FreeNotification(control);
        value->AddControl(control);
    }
}

void TakeControllerBorder(const TFcFrameController& controller, vcl::TControl* control,
                          const TControllerBorderFields& fields) {
    fields.BorderOuter = controller.GetFrameStyle();
    fields.BorderSides = controller.GetFrameSides();
    fields.FlatColor = controller.GetFrameColor();
    fields.FlatColorAdjustment = 0;
    control->SetColor(controller.GetColor());
    control->SetParentColor(controller.GetParentColor());
    fields.BorderHighlight = LighterColor(control->GetColor(), 100);
    fields.BorderShadow = DarkerColor(control->GetColor(), 50);
}

void TFcFrameController::BeginUpdate() { ++FUpdateCount; }

void TFcFrameController::EndUpdate() {
    if (--FUpdateCount <= 0) {
        FUpdateCount = 0;
        PushSettingsToAll(fscAll);
    }
}

void TFcFrameController::UpdateControls() { PushSettingsToAll(fscAll); }

void TFcFrameController::PushSettingsToAll(int32_t code) {
    if (FUpdateCount > 0 || !FControls)
        return;
    // A control may leave while it takes a setting: the push walks a copy and skips those gone.
    const std::vector<vcl::TControl*> controls = *FControls;
    for (vcl::TControl* control : controls) {
        if (!FControls || std::find(FControls->begin(), FControls->end(), control) == FControls->end())
            continue;
        PushSettingsToControl(control, code);
    }
}

void TFcFrameController::PushSettingsToControl(vcl::TControl* control, int32_t code) {
    if (!control)
        return;
    if (auto* notify = dynamic_cast<IFrameControllerNotify*>(control)) {
        notify->ApplyFrameController();
        return;
    }
    auto wants = [code](int32_t c) { return code == fscAll || code == c; };
    if (wants(fscParentColor))
        ControllerSetOrd(control, "ParentColor", FParentColor);
    if (wants(fscColor) && !FParentColor)
        ControllerSetOrd(control, "Color", FColor);
    if (wants(fscDisabledColor))
        ControllerSetOrd(control, "DisabledColor", FDisabledColor);
    if (wants(fscFocusColor))
        ControllerSetOrd(control, "FocusColor", FFocusColor);
    if (wants(fscFlatButtonColor))
        ControllerSetOrd(control, "FlatButtonColor", FFlatButtonColor);
    if (wants(fscFlatButtons))
        ControllerSetOrd(control, "FlatButtons", FFlatButtons);
    if (wants(fscFrameColor))
        ControllerSetOrd(control, "FrameColor", FFrameColor);
    if (wants(fscFrameHotColor))
        ControllerSetOrd(control, "FrameHotColor", FFrameHotColor);
    if (wants(fscFrameHotTrack))
        ControllerSetOrd(control, "FrameHotTrack", FFrameHotTrack);
    if (wants(fscFrameHotStyle))
        ControllerSetOrd(control, "FrameHotStyle", FFrameHotStyle);
    if (wants(fscFrameSides))
        ControllerSetSides(control, vcl::GetPropInfo(this, "FrameSides"), FFrameSides);
    if (wants(fscFrameStyle))
        ControllerSetOrd(control, "FrameStyle", FFrameStyle);
    if (wants(fscFrameVisible))
        ControllerSetOrd(control, "FrameVisible", FFrameVisible);
    if (wants(fscFramingPreference))
        ControllerSetOrd(control, "FramingPreference", FFramingPreference);
}

void TFcFrameController::Assign(vcl::TPersistent* source) {
    auto* other = dynamic_cast<TFcFrameController*>(source);
    if (!other) {
        vcl::TComponent::Assign(source);
        return;
    }
    BeginUpdate();
    vcl::TryFinally(
        [&] {
            FColor = other->FColor;
            FDisabledColor = other->FDisabledColor;
            FFlatButtonColor = other->FFlatButtonColor;
            FFlatButtons = other->FFlatButtons;
            FFocusColor = other->FFocusColor;
            FFrameColor = other->FFrameColor;
            FFrameHotColor = other->FFrameHotColor;
            FFrameHotStyle = other->FFrameHotStyle;
            FFrameHotTrack = other->FFrameHotTrack;
            FFrameSides = other->FFrameSides;
            FFrameStyle = other->FFrameStyle;
            FFrameVisible = other->FFrameVisible;
            FFramingPreference = other->FFramingPreference;
            FParentColor = other->FParentColor;
        },
        [&] { EndUpdate(); });
}

void TFcFrameController::DefineProperties(vcl::TFiler* filer) {
    vcl::TComponent::DefineProperties(filer);
    DefineLegacyFrameProperties(filer, {[this](bool v) { SetFrameHotTrack(v); },
                                        [this](TFrameStyle v) { SetFrameStyle(v); },
                                        [this](TFrameStyle v) { SetFrameHotStyle(v); }});
}

void TFcFrameController::Loaded() {
    vcl::TComponent::Loaded();
    UpdateControls();
}

void TFcFrameController::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation == vcl::opRemove && component && component == FRegIniFile)
        FRegIniFile = nullptr;
}

void TFcFrameController::SetColor(vcl::TColor value) {
    if (value == FColor)
        return;
    if (FColor == FFocusColor)
        FFocusColor = value; // the focus colour follows, without a push of its own
    FColor = value;
    FParentColor = false;
    PushSettingsToAll(fscColor);
}

void TFcFrameController::SetParentColor(bool value) {
    if (!vcl::SetIfChanged(FParentColor, value))
        return;
    PushSettingsToAll(fscParentColor);
    if (!value)
        PushSettingsToAll(fscColor);
}

void TFcFrameController::SetFrameHotTrack(bool value) {
    if (!vcl::SetIfChanged(FFrameHotTrack, value))
        return;
    if (value) {
        SetFrameVisible(true);
        if (!Loading())
            FFrameSides = AllSides;
    }
    PushSettingsToAll(fscFrameHotTrack);
}

void TFcFrameController::SetRegIniFile(TFcRegIniFile* value) {
    if (value == FRegIniFile)
        return;
    if (FRegIniFile)
        FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = value;
    if (value)
        value->FreeNotification(this);
}

#define LOOMWICK_FC_PLAIN_SETTER(Name, Type, Field, Code)                                                       \
    void TFcFrameController::Set##Name(Type value) {                                                           \
        if (vcl::SetIfChanged(Field, value))                                                                   \
            PushSettingsToAll(Code);                                                                           \
    }
LOOMWICK_FC_PLAIN_SETTER(DisabledColor, vcl::TColor, FDisabledColor, fscDisabledColor)
LOOMWICK_FC_PLAIN_SETTER(FlatButtonColor, vcl::TColor, FFlatButtonColor, fscFlatButtonColor)
LOOMWICK_FC_PLAIN_SETTER(FlatButtons, bool, FFlatButtons, fscFlatButtons)
LOOMWICK_FC_PLAIN_SETTER(FocusColor, vcl::TColor, FFocusColor, fscFocusColor)
LOOMWICK_FC_PLAIN_SETTER(FrameColor, vcl::TColor, FFrameColor, fscFrameColor)
LOOMWICK_FC_PLAIN_SETTER(FrameHotColor, vcl::TColor, FFrameHotColor, fscFrameHotColor)
LOOMWICK_FC_PLAIN_SETTER(FrameHotStyle, TFrameStyle, FFrameHotStyle, fscFrameHotStyle)
LOOMWICK_FC_PLAIN_SETTER(FrameSides, TSides, FFrameSides, fscFrameSides)
LOOMWICK_FC_PLAIN_SETTER(FrameStyle, TFrameStyle, FFrameStyle, fscFrameStyle)
LOOMWICK_FC_PLAIN_SETTER(FrameVisible, bool, FFrameVisible, fscFrameVisible)
LOOMWICK_FC_PLAIN_SETTER(FramingPreference, TFramingPreference, FFramingPreference, fscFramingPreference)
#undef LOOMWICK_FC_PLAIN_SETTER

void TFcOldPropReader::ReadBoolean(vcl::TReader* reader) { reader->ReadBoolean(); }

void TFcOldPropReader::ReadIdent(vcl::TReader* reader) { reader->ReadIdent(); }

void TFcOldPropReader::ReadSet(vcl::TReader* reader) {
    if (reader->ReadValue() != vcl::vaSet)
        throw vcl::EReadError("Invalid property value");
    while (!reader->ReadStr().empty()) {
    }
}

} // namespace controls
