// Property tables of the buttons with a glyph.
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
}

} // namespace vcl
