// Layout-file tables of the control button, the framed edit and the spin edit: class names, enumeration
// names and published properties.
#include "controls/FcControlButton.h"
#include "controls/FcEdit.h"
#include "controls/FcFrameController.h"
#include "controls/FcSpinEdit.h"
#include "controls/FcTables.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

// The framed edit's properties, which its descendants publish.
void RegisterFramedEdit() {
    using C = TFcCustomEdit;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    auto table = vcl::DefineClassProperties<C, vcl::TCustomMaskEdit>();
    table
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("Alignment", &C::GetAlignment, &C::SetAlignment)
        .Property("Color", &C::GetColor, &C::SetColor, colors)
        .Stored(&C::IsColorStored)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons)
        .Stored(&C::IsFrameSettingStored)
        .Property("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor, colors);
    AddFramedControlRows(table, colors)
        .Property("TabOnEnter", &C::GetTabOnEnter, &C::SetTabOnEnter)
        .Property("Text", &C::GetText, &C::SetText);
}

void RegisterSpinEdit() {
    vcl::RegisterEnumNames<TSpinDirection>({"sdUpDown", "sdLeftRight"});
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    {
        using C = TFcSpinButtons;
        vcl::RegisterClass<C>("TFcSpinButtons");
        vcl::DefineClassProperties<C, vcl::TWinControl>()
            .Property("Direction", &C::GetDirection, &C::SetDirection)
            .Property("Flat", &C::GetFlat, &C::SetFlat)
            .Property("FocusControl", &C::GetFocusControl, &C::SetFocusControl)
            .Property("GlyphDownLeft", &C::GetGlyphDownLeft, &C::SetGlyphDownLeft)
            .Stored(&C::IsGlyphDownLeftStored)
            .Property("GlyphUpRight", &C::GetGlyphUpRight, &C::SetGlyphUpRight)
            .Stored(&C::IsGlyphUpRightStored)
            .Property("NumGlyphsDownLeft", &C::GetNumGlyphsDownLeft, &C::SetNumGlyphsDownLeft)
            .Property("NumGlyphsUpRight", &C::GetNumGlyphsUpRight, &C::SetNumGlyphsUpRight)
            .Property("Orientation", &C::GetOrientation, &C::SetOrientation)
            .Event("OnDownLeftClick", static_cast<vcl::TNotifyEvent C::*>(&C::OnDownLeftClick))
            .Event("OnUpRightClick", static_cast<vcl::TNotifyEvent C::*>(&C::OnUpRightClick));
    }
    using C = TFcSpinEdit;
    vcl::RegisterClass<C>("TFcSpinEdit");
    vcl::DefineClassProperties<C, TFcCustomEdit>()
        .Property("AllowBlank", &C::GetAllowBlank, &C::SetAllowBlank)
        .Property("AllowKeyEdit", &C::GetAllowKeyEdit, &C::SetAllowKeyEdit)
        .Property("BlankValue", &C::GetBlankValue, &C::SetBlankValue)
        .Stored(&C::IsBlankValueStored)
        .Property("ButtonDownGlyph", &C::GetButtonDownGlyph, &C::SetButtonDownGlyph)
        .Stored(&C::IsButtonDownGlyphStored)
        .Property("ButtonDownNumGlyphs", &C::GetButtonDownNumGlyphs, &C::SetButtonDownNumGlyphs)
        .Property("ButtonUpGlyph", &C::GetButtonUpGlyph, &C::SetButtonUpGlyph)
        .Stored(&C::IsButtonUpGlyphStored)
        .Property("ButtonUpNumGlyphs", &C::GetButtonUpNumGlyphs, &C::SetButtonUpNumGlyphs)
        .Property("ButtonWidth", &C::GetButtonWidth, &C::SetButtonWidth)
        .Property("CheckRange", &C::GetCheckRange, &C::SetCheckRange)
        .Property("Decimals", &C::GetDecimals, &C::SetDecimals)
        .Property("Direction", &C::GetDirection, &C::SetDirection)
        .Property("Increment", &C::GetIncrement, &C::SetIncrement)
        .Stored(&C::IsIncrementStored)
        .Property("IntegersOnly", &C::GetIntegersOnly, &C::SetIntegersOnly)
        .Property("Max", &C::GetMax, &C::SetMax)
        .Stored(&C::IsMaxStored)
        .Property("Min", &C::GetMin, &C::SetMin)
        .Stored(&C::IsMinStored)
        .Property("Orientation", &C::GetOrientation, &C::SetOrientation)
        .Property("PageSize", &C::GetPageSize, &C::SetPageSize)
        .Stored(&C::IsPageSizeStored)
        .Property("Value", &C::GetValue, &C::SetValue)
        .Stored(&C::IsValueStored)
        .Property("Text", &C::GetText, &C::SetText)
        .Stored(&TablesNever<C>)
        .Event("OnButtonClick", static_cast<TFcSpinButtonClickEvent C::*>(&C::OnButtonClick))
        .Event("OnChanging", static_cast<TFcSpinChangingEvent C::*>(&C::OnChanging));
    (void)colors;
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
    RegisterSpinEdit();
}

} // namespace controls
