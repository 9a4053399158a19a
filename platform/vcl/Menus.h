// TPopupMenu: the base of the program's popup menus. The menus themselves are drawn by the bar library,
// which derives from it; the base keeps what the other code asks of a popup menu.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/win/WinTypes.h"

namespace vcl {

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Shows the menu at a screen point: tells OnPopup; a derived menu shows its items.
    virtual void Popup(int32_t x, int32_t y);
    // The component the menu was last shown for (set by whoever shows it).
    TComponent* GetPopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);
    // Whether a right click on a control that names this menu shows it.
    bool GetAutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    TPopupAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment value) { FAlignment = value; }
    // Whether a key message is one of the menu's shortcuts (and runs it); the base has none.
    virtual bool IsShortCut(win::UINT key, win::LPARAM keyData);
    // The window that receives the menu's messages.
    win::HWND GetWindowHandle() const { return FWindowHandle; }
    void SetWindowHandle(win::HWND value) { FWindowHandle = value; }
    // Where the menu was last shown.
    TPoint GetPopupPoint() const { return FPopupPoint; }

    TNotifyEvent OnPopup;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    virtual void DoPopup(TObject* sender);

private:
    TComponent* FPopupComponent = nullptr;
    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
    win::HWND FWindowHandle = nullptr;
    TPoint FPopupPoint{-1, -1};
};

} // namespace vcl
