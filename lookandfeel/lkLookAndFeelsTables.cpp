// Property tables of the look-and-feel settings: what form resources set on a look-and-feel (a bar
// manager's LookAndFeel, a control's) and on the controller component.
#include "lookandfeel/lkLookAndFeels.h"

#include "platform/vcl/TypInfo.h"

#include <mutex>

namespace lookandfeel {

void RegisterLookAndFeelsTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        vcl::RegisterEnumNames<TlkLookAndFeelKind>({"lfFlat", "lfStandard", "lfUltraFlat", "lfOffice11"});
        vcl::RegisterEnumNames<TlkLookAndFeelValue>({"lfvKind", "lfvNativeStyle"});
        vcl::DefineClassProperties<TlkLookAndFeel, vcl::TPersistent>()
            .Property("Kind", &TlkLookAndFeel::GetKind, &TlkLookAndFeel::SetKind)
            .Stored([](TlkLookAndFeel* lf) { return lf->GetAssignedValues().Contains(lfvKind); })
            .Property("NativeStyle", &TlkLookAndFeel::GetNativeStyle, &TlkLookAndFeel::SetNativeStyle)
            .Stored([](TlkLookAndFeel* lf) { return lf->GetAssignedValues().Contains(lfvNativeStyle); })
            .Property("AssignedValues", &TlkLookAndFeel::GetAssignedValues, &TlkLookAndFeel::SetAssignedValues)
            .Stored([](TlkLookAndFeel*) { return false; });
        vcl::DefineClassProperties<TlkLookAndFeelController, vcl::TComponent>()
            .Property("Kind", &TlkLookAndFeelController::GetKind, &TlkLookAndFeelController::SetKind)
            .Property("NativeStyle", &TlkLookAndFeelController::GetNativeStyle,
                      &TlkLookAndFeelController::SetNativeStyle);
        vcl::RegisterClass<TlkLookAndFeelController>("TlkLookAndFeelController");
    });
}

} // namespace lookandfeel
