#include "platform/vcl/Mask.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/user/User.h"

namespace vcl {

void TCustomMaskEdit::SetEditMask(const std::string& value) {
    if (value == FEditMask)
        return;
    // Masks are not interpreted: taking one would promise input checks that never happen.
    if (!value.empty())
        throw EInvalidOperation("Edit masks are not supported (mask '" + value + "')");
    FEditMask = value;
}

void TCustomMaskEdit::ValidateEdit() {
    // Without a mask every text fits; with one, nothing could have been set (see SetEditMask).
    if (IsMasked())
        ValidateError();
}

void TCustomMaskEdit::ValidateError() {
    win::MessageBeep(0);
    throw EDBEditError("Invalid input value");
}

void TCustomMaskEdit::DoExit() {
    ValidateEdit();
    TCustomEdit::DoExit();
}

} // namespace vcl
