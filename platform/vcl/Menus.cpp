#include "platform/vcl/Menus.h"

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Messages.h"

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

bool ContextPopup(TControl* control, TPopupMenu* menu, const TContextPopupEvent& onContextPopup,
                  win::LPARAM at) {
    if (!control || control->GetComponentState().Contains(csDesigning))
        return false;
    TPoint screen{win::GET_X_LPARAM(at), win::GET_Y_LPARAM(at)};
    bool fromKeys = screen.X == -1 && screen.Y == -1;
    if (onContextPopup) {
        bool handled = false;
        onContextPopup(control, fromKeys ? screen : control->ScreenToClient(screen), handled);
        if (handled)
            return true;
    }
    if (!menu || !menu->GetAutoPopup())
        return false;
    // A drag or a pressed button of the focused control ends before the menu opens.
    if (TCustomForm* form = GetParentForm(control))
        form->SendCancelMode(nullptr);
    menu->SetPopupComponent(control);
    if (fromKeys)
        screen = control->ClientToScreen({0, 0});
    menu->Popup(screen.X, screen.Y);
    return true;
}

} // namespace vcl
