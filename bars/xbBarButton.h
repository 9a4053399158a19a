// The button item: the command button the editor's menus and toolbars are made of. It adds to the item a
// style (plain, check button with radio groups, or split button with a drop-down menu), the pressed state
// Down, a paint style and a few behaviour flags.
#pragma once

#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"

#include <cstdint>

namespace bars {

enum TxbBarButtonStyle { bsDefault, bsChecked, bsDropDown };

class TxbBarButton : public TxbBarItem {
public:
    explicit TxbBarButton(vcl::TComponent* owner);
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    bool CanSelectByAccel(TxbBarItemLink* link) const override;
    void Click() override;
    void ActionChange(vcl::TObject* sender, bool checkDefaults) override;
    void AssignTo(vcl::TPersistent* dest) override;

    // ---- Hooks the button controls hear through
    virtual void ButtonStyleChanged();
    virtual bool PaintStyleAllowed() const { return true; }
    virtual void DownChanged();
    virtual void DropDownEnabledChanged();
    virtual void PaintStyleChanged();
    // Opens DropDownMenu (a popup menu) for an item control at a screen point: the menu joins the control's
    // window's chain and stays open after the call. Nothing without a drop-down menu.
    virtual void DropDown(TxbBarItemControl* control, int32_t x, int32_t y, bool byMouse);

    bool GetAllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    TxbBarButtonStyle GetButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TxbBarButtonStyle value);
    bool GetCloseSubMenuOnClick() const { return FCloseSubMenuOnClick; }
    void SetCloseSubMenuOnClick(bool value) { FCloseSubMenuOnClick = value; }
    bool GetDown() const { return FDown; }
    void SetDown(bool value);
    bool GetDropDownEnabled() const { return FDropDownEnabled; }
    void SetDropDownEnabled(bool value);
    // The popup menu a drop-down button opens (not owned; it leaves when freed).
    vcl::TComponent* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(vcl::TComponent* value);
    int32_t GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int32_t value);
    bool GetLowered() const { return FLowered; }
    void SetLowered(bool value);
    TxbBarPaintStyle GetPaintStyle() const { return FPaintStyle; }
    void SetPaintStyle(TxbBarPaintStyle value);

private:
    // The first other check button of the manager in the same group that is down, or null.
    TxbBarButton* FindDownGroupMember() const;
    bool FAllowAllUp = false;
    TxbBarButtonStyle FButtonStyle = bsDefault;
    bool FCloseSubMenuOnClick = true;
    bool FDown = false;
    bool FDropDownEnabled = true;
    vcl::TComponent* FDropDownMenu = nullptr;
    int32_t FGroupIndex = 0;
    bool FLowered = false;
    TxbBarPaintStyle FPaintStyle = psStandard;
};

// Registers the button's property table and the kind.
void RegisterBarButtonTables();

} // namespace bars
