#include "bars/xbBarButton.h"

#include "bars/xbBar.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBarToolbar.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/TypInfo.h"

namespace bars {

TxbBarButton::TxbBarButton(vcl::TComponent* owner) : TxbBarItem(owner) {
    FCloseSubMenuOnClick = true;
    FDropDownEnabled = true;
    FUnclickAfterDoing = true;
}

void TxbBarButton::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TxbBarItem::Notification(component, operation);
    if (operation == vcl::opRemove && component && component == FDropDownMenu)
        FDropDownMenu = nullptr;
}

// ---- Hooks --------------------------------------------------------------------------------------------------

namespace {
// Tells each link's button control (links whose control is of another kind are passed over).
template <class F> void ForEachButtonControl(TxbBarButton* button, F f) {
    for (int32_t i = 0; i < button->GetLinkCount(); ++i)
        if (auto* control = dynamic_cast<TxbBarButtonControl*>(button->GetLink(i)->GetControl()))
            f(button->GetLink(i), control);
}
} // namespace

void TxbBarButton::ButtonStyleChanged() {
    ForEachButtonControl(this, [](TxbBarItemLink*, TxbBarButtonControl* c) { c->ButtonStyleChanged(); });
}

void TxbBarButton::DownChanged() {
    ForEachButtonControl(this, [](TxbBarItemLink*, TxbBarButtonControl* c) { c->DownChanged(); });
}

void TxbBarButton::DropDownEnabledChanged() {
    ForEachButtonControl(this, [](TxbBarItemLink*, TxbBarButtonControl* c) { c->DropDownEnabledChanged(); });
}

void TxbBarButton::PaintStyleChanged() {
    ForEachButtonControl(this, [](TxbBarItemLink* link, TxbBarButtonControl* c) {
        if (!link->GetUserDefine().Contains(udPaintStyle))
            c->PaintStyleChanged();
    });
}

// ---- Down and groups ----------------------------------------------------------------------------------------

TxbBarButton* TxbBarButton::FindDownGroupMember() const {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return nullptr;
    for (int32_t i = 0; i < manager->GetItemCount(); ++i) {
        auto* other = dynamic_cast<TxbBarButton*>(manager->GetItem(i));
        if (other && other != this && other->FButtonStyle == bsChecked && other->FGroupIndex == FGroupIndex &&
            other->FDown)
            return other;
    }
    return nullptr;
}

void TxbBarButton::SetDown(bool value) {
    // Only check buttons go down; any button may be raised.
    if (value == FDown || (value && FButtonStyle != bsChecked))
        return;
    TxbBarButton* released = nullptr;
    if (!IsLoading() && FButtonStyle == bsChecked && FGroupIndex != 0) {
        if (value)
            released = FindDownGroupMember();
        else if (!FAllowAllUp && !FindDownGroupMember())
            return; // the last down button of a group without AllowAllUp stays down
    }
    FDown = value;
    if (IsLoading())
        return;
    DownChanged();
    if (released)
        released->SetDown(false);
}

void TxbBarButton::SetAllowAllUp(bool value) {
    if (value == FAllowAllUp)
        return;
    FAllowAllUp = value;
    if (FGroupIndex == 0 || !GetBarManager())
        return;
    TxbBarManager* manager = GetBarManager();
    for (int32_t i = 0; i < manager->GetItemCount(); ++i)
        if (auto* other = dynamic_cast<TxbBarButton*>(manager->GetItem(i)))
            if (other->FGroupIndex == FGroupIndex)
                other->FAllowAllUp = value;
}

void TxbBarButton::SetButtonStyle(TxbBarButtonStyle value) {
    if (value == FButtonStyle)
        return;
    FButtonStyle = value;
    SetDown(false);
    if (!IsLoading())
        ButtonStyleChanged();
}

void TxbBarButton::SetGroupIndex(int32_t value) {
    if (value == FGroupIndex)
        return;
    FGroupIndex = FButtonStyle == bsChecked ? value : 0;
    SetDown(false);
}

void TxbBarButton::SetDropDownEnabled(bool value) {
    if (value == FDropDownEnabled)
        return;
    FDropDownEnabled = value;
    if (!IsLoading())
        DropDownEnabledChanged();
}

void TxbBarButton::SetDropDownMenu(vcl::TComponent* value) {
    if (FDropDownMenu && FDropDownMenu != value)
        FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = value;
    if (value)
        value->FreeNotification(this);
}

void TxbBarButton::SetLowered(bool value) {
    if (value == FLowered)
        return;
    FLowered = value;
    if (!IsLoading())
        LayoutChanged();
}

void TxbBarButton::SetPaintStyle(TxbBarPaintStyle value) {
    if (value == FPaintStyle)
        return;
    FPaintStyle = value;
    if (!IsLoading())
        PaintStyleChanged();
}

// ---- Drop-down menu -----------------------------------------------------------------------------------------

void TxbBarButton::DropDown(TxbBarItemControl* control, int32_t x, int32_t y, bool byMouse) {
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    if (!FDropDownMenu || !window || !IsBarControlAlive(window))
        return;
    // A control left showing a drop-down that did not open (or closed before it could name its opener) would
    // ignore every later press: it hears that the drop-down closed, and the release of the press that opened
    // it runs no command.
    auto nothingOpened = [control, window]() {
        if (!IsBarControlAlive(window) || !window->OwnsItemControl(control) || !control->IsShowingDropDown())
            return;
        lookandfeel::TlkObjectLinkScope alive(control);
        control->CloseUp(true);
        if (alive.Alive() && IsBarControlAlive(window) && control->IsPressedNow())
            window->SetSkipNextButtonUp(true);
    };
    auto* popup = dynamic_cast<TxbBarPopupMenu*>(FDropDownMenu);
    if (!popup) {
        nothingOpened();
        return;
    }
    // A menu drawn attached to the button keeps clear of it.
    win::TRect exclude{};
    if (control->UsesFlatSelection())
        exclude = window->GetItemScreenRect(control);
    // Beside the button in a menu or an upright toolbar (it may flip to the other side of it), else below it
    // (it may flip above it).
    const win::TRect r = window->GetItemRect(control);
    auto* toolbar = dynamic_cast<TxbBarControl*>(window);
    const bool beside = window->IsMenu() || (toolbar && toolbar->IsVertical());
    // The popup's handlers may free the popup, the control or its window: each is checked before use.
    lookandfeel::TlkObjectLinkScope popupAlive(popup);
    lookandfeel::TlkObjectLinkScope controlAlive(control);
    popup->SetDropDown(true, window);
    vcl::TryFinally(
        [&] { popup->PopupEx(x, y, beside ? r.Width() : 0, beside ? 0 : r.Height(), byMouse, &exclude); },
        [&] {
            if (popupAlive.Alive())
                popup->SetDropDown(false, nullptr);
        });
    const bool popupLives = popupAlive.Alive();
    if (!controlAlive.Alive() || !IsBarControlAlive(window) || !window->OwnsItemControl(control))
        return;
    TxbBarSubMenuControl* menu = popupLives ? popup->GetControl() : nullptr;
    if (!menu || !IsBarControlAlive(menu)) {
        nothingOpened();
        return;
    }
    // The menu tells the button when it closes; from the keyboard the selection starts on its first entry.
    menu->SetOwnerControl(control);
    if (!byMouse && menu->GetItemLinks())
        if (TxbBarItemLink* first = menu->GetItemLinks()->GetFirstSelectableLink(); first && first->GetControl())
            menu->SelectItemControl(first->GetControl());
    // Below a menu it closes with the rest of the chain.
    if (IsBarControlAlive(menu) && IsBarControlAlive(window) && window->IsMenu())
        window->SetChildMenu(menu);
}

// ---- Click, accelerators, actions ---------------------------------------------------------------------------

void TxbBarButton::Click() {
    // Toggled through SetDown, so the group rules apply.
    if (GetEnabled() && FButtonStyle == bsChecked)
        SetDown(!FDown);
    TxbBarItem::Click();
}

bool TxbBarButton::CanSelectByAccel(TxbBarItemLink* link) const {
    if (!GetEnabled())
        return false;
    TxbBarItemLinks* links = link ? link->GetLinks() : nullptr;
    // In a menu or popup menu the caption is always drawn.
    if (!links || !dynamic_cast<TxbBar*>(links->GetLinksOwner()))
        return true;
    // On a toolbar only a drawn caption has an accelerator: the link's paint style says so, or else the
    // control's effective one.
    const TxbBarPaintStyle style = link->GetPaintStyle();
    if (style == psCaption || style == psCaptionGlyph)
        return true;
    if (!link->GetControl())
        return false;
    const TxbBarPaintStyle shown = link->GetControl()->GetPaintStyle();
    return shown == psCaption || shown == psCaptionGlyph;
}

void TxbBarButton::ActionChange(vcl::TObject* sender, bool checkDefaults) {
    TxbBarItem::ActionChange(sender, checkDefaults);
    if (auto* action = dynamic_cast<vcl::TCustomAction*>(sender))
        if (!checkDefaults || !FDown)
            SetDown(action->GetChecked());
}

void TxbBarButton::AssignTo(vcl::TPersistent* dest) {
    TxbBarItem::AssignTo(dest);
    if (auto* action = dynamic_cast<vcl::TCustomAction*>(dest))
        action->SetChecked(FDown);
}

// ---- Property table -----------------------------------------------------------------------------------------

void RegisterBarButtonTables() {
    vcl::RegisterEnumNames<TxbBarButtonStyle>({"bsDefault", "bsChecked", "bsDropDown"});
    vcl::RegisterEnumNames<TxbBarPaintStyle>({"psStandard", "psCaption", "psCaptionInMenu", "psCaptionGlyph"});
    using T = TxbBarButton;
    using L = TxbBarItemActionLink;
    vcl::DefineClassProperties<T, TxbBarItem>()
        .Property("AllowAllUp", &T::GetAllowAllUp, &T::SetAllowAllUp)
        .Default(false)
        .Property("ButtonStyle", &T::GetButtonStyle, &T::SetButtonStyle)
        .Default(bsDefault)
        .Property("CloseSubMenuOnClick", &T::GetCloseSubMenuOnClick, &T::SetCloseSubMenuOnClick)
        .Default(true)
        .Property("DropDownEnabled", &T::GetDropDownEnabled, &T::SetDropDownEnabled)
        .Default(true)
        .Property("GroupIndex", &T::GetGroupIndex, &T::SetGroupIndex)
        .Default(0)
        .Property("Down", &T::GetDown, &T::SetDown)
        .Stored([](T* b) { return b->GetDown() && b->IsStoredByAction(&L::IsCheckedLinked); })
        .Property("Glyph", &T::GetGlyph, &T::SetGlyph)
        .Stored([](T* b) { return !b->GetGlyph()->GetEmpty(); })
        .Property("ImageIndex", &T::GetImageIndex, &T::AssignImageIndex)
        .Stored([](T* b) { return b->GetImageIndex() != -1 && b->IsStoredByAction(&L::IsImageIndexLinked); })
        .Property("Lowered", &T::GetLowered, &T::SetLowered)
        .Default(false)
        .Property("PaintStyle", &T::GetPaintStyle, &T::SetPaintStyle)
        .Default(psStandard)
        .Property("ShortCut", &T::GetShortCut, &T::SetShortCut)
        .Stored([](T* b) { return b->GetShortCut() != 0 && b->IsStoredByAction(&L::IsShortCutLinked); })
        .Property("UnclickAfterDoing", &T::GetUnclickAfterDoing, &T::SetUnclickAfterDoing)
        .Default(true)
        .Event("OnClick", static_cast<vcl::TNotifyEvent T::*>(&T::OnClick));
    RegisterItemClass(
        "TxbBarButton", typeid(T), [](vcl::TComponent* owner) -> vcl::TPersistent* { return new T(owner); },
        &MakeItemControl<TxbBarButtonControl>, true);
}

} // namespace bars
