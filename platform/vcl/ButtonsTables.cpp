// Property tables of the buttons with a glyph: the bit button and the speed button.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"

namespace vcl {

void RegisterButtonsTables() {
    DefineClassProperties<TBitBtn, TButton>()
        .Property("Glyph", &TBitBtn::GetGlyph, &TBitBtn::SetGlyph)
        .Property("Kind", &TBitBtn::GetKind, &TBitBtn::SetKind)
        .Property("Layout", &TBitBtn::GetLayout, &TBitBtn::SetLayout)
        .Property("Margin", &TBitBtn::GetMargin, &TBitBtn::SetMargin)
        .Property("NumGlyphs", &TBitBtn::GetNumGlyphs, &TBitBtn::SetNumGlyphs)
        .Property("Spacing", &TBitBtn::GetSpacing, &TBitBtn::SetSpacing);

    // The group before Down: a button is down only in a group, so a layout read in this order keeps it down.
    DefineClassProperties<TSpeedButton, TGraphicControl>()
        .Property("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp)
        .Property("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex)
        .Property("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown)
        .Property("Caption", &TSpeedButton::GetCaption, &TSpeedButton::SetCaption)
        .Property("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat)
        .Property("Glyph", &TSpeedButton::GetGlyph, &TSpeedButton::SetGlyph)
        .Property("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs);
}

} // namespace vcl
