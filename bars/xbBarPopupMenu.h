// The popup menu: a component holding a collection of item links that it shows as a menu window at a screen
// point. Opened as a context menu it keeps its caller in a message loop of its own until the menu closes;
// opened as a button's drop-down it joins the bar's menu chain instead. Popup-menu links bind a popup menu
// to a control of the form: a right click, the context-menu key or Shift+F10 on the control opens it, and
// its shortcuts work while the control has the focus.
#pragma once

#include "bars/xbBarSubItem.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace vcl {
class TBitmap;
class TFont;
class TWinControl;
} // namespace vcl

namespace bars {

class TCustomxbBarControl;
class TxbBarItemLinks;
class TxbBarManager;
class TxbBarPopupMenuLink;
class TxbBarSubMenuControl;

inline constexpr const char* sxbBarNoManagers = "There are no TxbBarManagers available";

class TxbBarPopupMenu : public vcl::TComponent {
public:
    explicit TxbBarPopupMenu(vcl::TComponent* owner);
    ~TxbBarPopupMenu() override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

    vcl::TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    void SetBackgroundBitmap(vcl::TBitmap* value);
    TxbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TxbBarManager* value);
    int32_t GetBarSize() const { return FBarSize; }
    void SetBarSize(int32_t value) { FBarSize = value < 0 ? 0 : value; }
    vcl::TFont* GetFont() const { return FFont.get(); }
    void SetFont(vcl::TFont* value);
    TxbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    void SetItemLinks(TxbBarItemLinks* value);
    bool GetUseOwnFont() const { return FUseOwnFont; }
    void SetUseOwnFont(bool value);
    // The manager's font changed: a menu without a font of its own takes it.
    void ManagerFontChanged();
    bool GetUseRecentItems() const { return FUseRecentItems; }
    void SetUseRecentItems(bool value);
    // The font handle made from Font while UseOwnFont is set, else null.
    win::HFONT GetOwnFontHandle() const { return FFontHandle; }

    // The menu window while the menu is open, else null.
    TxbBarSubMenuControl* GetControl() const;
    bool IsOpen() const { return FIsOpen; }
    // A button opens the menu as its drop-down: no loop, and the menu joins parent's chain.
    bool IsDropDown() const { return FIsDropDown; }
    void SetDropDown(bool value, TCustomxbBarControl* parent);

    bool ExecuteShortCut(vcl::TShortCut shortCut);
    // Whether a key message (its character code and key data) is the shortcut of an item of the menu.
    bool IsShortCut(win::WPARAM charCode, win::LPARAM keyData);
    // Opens the menu at a screen point and returns once it closed (at once for a drop-down).
    void Popup(int32_t x, int32_t y);
    // The same, with the size of the item that opens the menu (so the menu may open on its other side) and
    // a screen rectangle the menu should not cover.
    void PopupEx(int32_t x, int32_t y, int32_t ownerWidth, int32_t ownerHeight, bool byMouse,
                 const win::TRect* excludeRect);
    void PopupAtCursor();
    // Paints the side strip (BarSize wide).
    virtual void DoPaintBar(vcl::TCanvas* canvas, const win::TRect& r);
    // At design time the form's designer hears that the menu changed.
    void Changed();

    vcl::TNotifyEvent OnCloseUp;
    vcl::TNotifyEvent OnPopup;
    TxbBarPaintSubMenuBarEvent OnPaintBar;

private:
    void FontChanged();
    void MakeFontHandle();
    void FreeFontHandle();
    std::unique_ptr<vcl::TBitmap> FBackgroundBitmap;
    TxbBarManager* FBarManager = nullptr;
    int32_t FBarSize = 0;
    std::unique_ptr<vcl::TFont> FFont;
    std::unique_ptr<TxbBarItemLinks> FItemLinks;
    bool FUseOwnFont = false;
    bool FUseRecentItems = false;
    bool FIsOpen = false;
    bool FIsDropDown = false;
    bool FInLoop = false;
    TCustomxbBarControl* FDropDownParent = nullptr;
    const win::TRect* FExcludeRect = nullptr;
    int32_t FOwnerWidth = 0;
    int32_t FOwnerHeight = 0;
    bool FByMouse = true;
    win::HFONT FFontHandle = nullptr;
    bool FSettingFont = false;
};

using TxbBarPopupMenuLinkActionEvent =
    std::function<void(TxbBarPopupMenuLink* Sender, int32_t& X, int32_t& Y, bool ClickedByMouse, bool& AllowPopup)>;

class TxbBarPopupMenuLink : public vcl::TCollectionItem {
public:
    explicit TxbBarPopupMenuLink(vcl::TCollection* collection);
    void Assign(vcl::TPersistent* source) override;
    TxbBarManager* GetBarManager() const;
    vcl::TWinControl* GetControl() const { return FControl; }
    void SetControl(vcl::TWinControl* value);
    TxbBarPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TxbBarPopupMenu* value);
    bool GetProcessChildren() const { return FProcessChildren; }
    void SetProcessChildren(bool value) { FProcessChildren = value; }
    TxbBarPopupMenuLinkActionEvent OnAction;

private:
    friend class TxbBarPopupMenuLinks;
    vcl::TWinControl* FControl = nullptr;
    TxbBarPopupMenu* FPopupMenu = nullptr;
    bool FProcessChildren = true;
};

class TxbBarPopupMenuLinks : public vcl::TCollection {
public:
    explicit TxbBarPopupMenuLinks(TxbBarManager* manager);
    vcl::TPersistent* GetOwner() override;
    TxbBarManager* GetBarManager() const { return FBarManager; }
    TxbBarPopupMenuLink* Add() { return static_cast<TxbBarPopupMenuLink*>(vcl::TCollection::Add()); }
    TxbBarPopupMenuLink* GetItem(int32_t index) const {
        return static_cast<TxbBarPopupMenuLink*>(vcl::TCollection::GetItem(index));
    }
    // The links of control, then those with ProcessChildren of each parent outward, try the shortcut.
    bool ExecuteShortCut(vcl::TWinControl* control, vcl::TShortCut shortCut);
    // The same links try to open their menu for control: point in screen coordinates, or (-1, -1) from the
    // keyboard; window is the window the input came to. True when one opened (or swallowed the request).
    bool PopupForControl(vcl::TWinControl* control, win::HWND window, win::TPoint point);
    // A freed control or popup menu leaves every link.
    void ComponentRemoved(vcl::TComponent* component);

private:
    // The candidate links for control in the order they are asked.
    std::vector<TxbBarPopupMenuLink*> Candidates(vcl::TWinControl* control) const;
    TxbBarManager* FBarManager;
};

// Whether any popup menu of any manager is open now.
bool IsAnyPopupMenuOpen();

// Registers the popup menu's and the links' property tables.
void RegisterBarPopupMenuTables();

} // namespace bars
