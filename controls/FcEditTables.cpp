// Layout-file tables of the control button, the framed edit and the spin edit: class names, enumeration
// names and published properties.
#include "controls/FcControlButton.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

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
}

} // namespace controls
