#include "platform/vcl/Menus.h"

namespace vcl {

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
    if (FPopupComponent)
        FPopupComponent->RemoveFreeNotification(this);
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
    if (value == FPopupComponent)
        return;
    if (FPopupComponent)
        FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = value;
    if (value)
        value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupComponent)
        FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int32_t x, int32_t y) {
    FPopupPoint = {x, y};
    DoPopup(this);
}

void TPopupMenu::DoPopup(TObject* sender) {
    if (OnPopup)
        OnPopup(sender);
}

bool TPopupMenu::IsShortCut(win::UINT, win::LPARAM) {
    return false;
}

} // namespace vcl
