// Property tables of popup menus.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/Menus.h"

namespace vcl {

void RegisterMenusTables() {
    DefineClassProperties<TPopupMenu, TComponent>()
        .Property("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment)
        .Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup)
        .Event("OnPopup", &TPopupMenu::OnPopup);
}

} // namespace vcl
