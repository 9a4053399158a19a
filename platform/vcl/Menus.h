// TPopupMenu: the base of the program's popup menus. The menus themselves are drawn by the bar library,
// which derives from it; the base keeps what the other code asks of a popup menu.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <functional>

namespace vcl {

class TControl;

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

// A control's answer to a context-menu request: MousePos in client coordinates, (-1, -1) from the keyboard;
// setting Handled keeps the popup menu away.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// What a control does with the window system's request for its context menu (WM_CONTEXTMENU; at is its
// lParam: the screen point, or (-1, -1) from the keyboard). onContextPopup may take the request; otherwise
// an auto-popup menu gets the control as its PopupComponent and shows at the point (from the keyboard at
// the control's top-left corner). Returns false when nothing took it: the request then goes on to the
// control's parent.
bool ContextPopup(TControl* control, TPopupMenu* menu, const TContextPopupEvent& onContextPopup,
                  win::LPARAM at);

} // namespace vcl
