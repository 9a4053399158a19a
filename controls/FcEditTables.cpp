// Layout-file tables of the control button, the framed edit and the spin edit: class names, enumeration
// names and published properties.
#include "controls/FcControlButton.h"
#include "controls/FcEdit.h"
#include "controls/FcFrameController.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

template <class T> bool EditTablesNever(T*) { return false; }

// The framed edit's properties, which its descendants publish.
void RegisterFramedEdit() {
    using C = TFcCustomEdit;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    vcl::DefineClassProperties<C, vcl::TCustomMaskEdit>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&EditTablesNever<C>)
        .Property("Alignment", &C::GetAlignment, &C::SetAlignment)
        .Property("Color", &C::GetColor, &C::SetColor, colors)
        .Stored(&C::IsColorStored)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons)
        .Stored(&C::IsFrameSettingStored)
        .Property("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor, colors)
        .Property("FocusColor", &C::GetFocusColor, &C::SetFocusColor, colors)
        .Stored(&C::IsFocusColorStored)
        .Property("FrameColor", &C::GetFrameColor, &C::SetFrameColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameController", &C::GetFrameController, &C::SetFrameController)
        .Property("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameSides", &C::GetFrameSides, &C::SetFrameSides)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible)
        .Stored(&C::IsFrameSettingStored)
        .Property("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference)
        .Property("TabOnEnter", &C::GetTabOnEnter, &C::SetTabOnEnter)
        .Property("Text", &C::GetText, &C::SetText);
}

} // namespace

void RegisterEditTables() {
    vcl::RegisterEnumNames<TFcControlButtonStyle>({"cbsNone", "cbsLeft", "cbsUp", "cbsRight", "cbsDown", "cbsDropDown"});

    vcl::RegisterClass<TFcControlButton>("TFcControlButton");
    {
        using C = TFcControlButton;
        vcl::DefineClassProperties<C, vcl::TGraphicControl>()
            .Property("Caption", &C::GetCaption, &C::SetCaption)
            .Property("Delay", &C::GetDelay, &C::SetDelay)
            .Property("Flat", &C::GetFlat, &C::SetFlat)
            .Property("Glyph", &C::GetGlyph, &C::SetGlyph)
            .Property("InitialDelay", &C::GetInitialDelay, &C::SetInitialDelay)
            .Property("NumGlyphs", &C::GetNumGlyphs, &C::SetNumGlyphs)
            .Property("RepeatClicks", &C::GetRepeatClicks, &C::SetRepeatClicks)
            .Property("Style", &C::GetStyle, &C::SetStyle)
            .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
            .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave));
    }
    RegisterFramedEdit();
}

} // namespace controls
