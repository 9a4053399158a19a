// Property tables of the masked edit.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/Mask.h"

namespace vcl {

void RegisterMaskTables() {
    DefineClassProperties<TCustomMaskEdit, TCustomEdit>().Property("EditMask", &TCustomMaskEdit::GetEditMask,
                                                                   &TCustomMaskEdit::SetEditMask);
    DefineClassProperties<TMaskEdit, TCustomMaskEdit>().Property("Text", &TMaskEdit::GetText,
                                                                 &TMaskEdit::SetText);
}

} // namespace vcl
