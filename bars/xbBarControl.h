// The window base of every bar window (toolbars, menus, popup menus): one link collection shown with one
// item control per visible link, selection, the active chain and the metrics of the window font.
#pragma once

#include "bars/xbBarManager.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace bars {

class TxbBar;
class TxbBarShadow;
class TxbBarItemControl;
class TxbBarItemLink;
class TxbBarItemLinks;
class TxbBarSubMenuControl;
class TxbDockControl;

// What every bar window shares (toolbars, menus, popup menus): one link collection shown with one item
// control per visible link, the selection by key and by hover, the chain of active windows (menu mode), the
// metrics of the window font. Owned by its bar manager.
class TCustomxbBarControl : public vcl::TCustomControl {
public:
    explicit TCustomxbBarControl(TxbBarManager* owner);
    ~TCustomxbBarControl() override;

    TxbBarManager* GetBarManager() const { return FBarManager; }
    const TxbBarItemControlPainter* GetPainter() const;
    TxbBarItemLinks* GetItemLinks() const { return FItemLinks; }
    void SetItemLinks(TxbBarItemLinks* value) { FItemLinks = value; }

    // ---- Item controls and metrics
    virtual void CreateItemControls();
    virtual void DestroyItemControls();
    virtual void CalcMetrics();
    virtual bool IsLastLink(TxbBarItemControl* control) { return false; }
    virtual bool AllowsSystemBorder() { return true; }
    virtual bool CanCustomize();
    virtual bool UsesFlatSelection();
    virtual int32_t GetSeparatorSize() = 0;
    virtual win::HFONT GetFont();
    virtual bool IsCustomizing();
    virtual bool IsShadowVisible();
    // The drop shadow, placed with the window's bounds and shown while IsShadowVisible holds.
    TxbBarShadow* GetShadow() const { return FShadow.get(); }
    virtual bool IsQuickControl() { return false; }
    // This window occurs in window's chain of parents.
    virtual bool IsParentOf(TCustomxbBarControl* window);
    virtual bool HasMark() { return false; }
    virtual bool IgnoresMouseMove(const win::TPoint& screenPoint);
    virtual void RepaintItemControl(TxbBarItemControl* control);
    virtual void SelectionChanged(TxbBarItemControl* oldControl);
    virtual void UpdateFont() {}
    virtual void UpdateAlphaBlend() {}
    // The links are those of a quick-customization sub item (TxbBarQuickSubItem).
    virtual bool IsQuickCustomizingMenu();
    virtual void Rebuild() {}
    // The window kinds: toolbars and menus answer for themselves.
    virtual bool IsToolbar() const { return false; }
    virtual bool IsMenu() const { return false; }
    // The window is the menu of a popup menu (not a button's drop-down): its selection's long hint is also
    // the application's hint while it roots the active chain.
    virtual bool ShowsApplicationHint() const { return false; }
    // The width of a split button's arrow part (menus answer their own).
    virtual int32_t GetArrowWidth() { return FBarManager ? FBarManager->GetArrowWidth() : 0; }
    int32_t GetTextRowHeight() const { return FTextRowHeight; }
    int32_t GetMenuRowHeight() const { return FMenuRowHeight; }
    int32_t GetMetricSeparatorSize() const { return FSeparatorSize; }
    int32_t GetComboButtonWidth() const { return FComboButtonWidth; }

    // ---- Brushes and backgrounds through the painter
    // The painter's background brush for this window, remembered for the item controls (GetBkBrush).
    virtual win::HBRUSH GetBackgroundBrush();
    virtual win::HBRUSH GetSecondaryBrush();
    virtual win::HBRUSH GetFaceBrush();
    virtual win::HBRUSH GetSelectionBrush();
    // The background brush the painter reported last.
    win::HBRUSH GetBkBrush() const { return FBackgroundBrush; }
    // Paints the window's background into rect of dc (withOrigin: rect is in client coordinates and the
    // background's origin applies); the docked or floating background of the painter.
    virtual void DrawBackground(win::HDC dc, const win::TRect& rect, bool withOrigin, int32_t color,
                                win::HBRUSH brush);
    // The background over the whole window rectangle, clipped to region (window coordinates).
    virtual void DrawNCBackground(win::HDC dc, win::HRGN region, int32_t color, win::HBRUSH brush);
    virtual bool HasBackgroundBitmap();
    virtual bool HasOwnBackground();
    virtual win::TPoint GetBackgroundOrigin() { return {0, 0}; }
    vcl::TBitmap* GetBackgroundCache() const { return FBackgroundCache.get(); }
    virtual void ClearBackgroundCache();
    virtual void UpdateDoubleBuffered();

    // ---- Docking: the dock site holding the window and its side (none while floating or for menus)
    TxbDockControl* GetDockControl() const { return FDockControl; }
    void SetDockControl(TxbDockControl* value);
    TxbBarDockingStyle GetDockingStyle() const { return FDockingStyle; }
    virtual void SetDockingStyle(TxbBarDockingStyle value);

    // ---- Selection
    TxbBarItemControl* GetSelectedControl() const { return FSelectedControl; }
    // Selection by key or click.
    virtual void SelectItemControl(TxbBarItemControl* control);
    // Selection by hovering.
    virtual void SelectItemControlByMouse(TxbBarItemControl* control);
    virtual void SetSelectedItemControl(TxbBarItemControl* control);
    // Drops the selection without telling anyone (the control goes).
    void ClearSelection() { FSelectedControl = nullptr; }
    TxbBarItemControl* GetPressedControl() const { return FPressedControl; }
    void ForgetPressedControl() { FPressedControl = nullptr; }
    // The cursor is over the pressed control.
    bool GetPressedControlHot() const { return FPressedControlHot; }
    bool GetPaintingItem() const { return FPaintingItem; }
    void SetPaintingItem(bool value) { FPaintingItem = value; }
    bool IsDestroyingControls() const { return FDestroyingControls; }
    int32_t GetMarkState() const { return FMarkState; }
    virtual void SetMarkState(int32_t state) { FMarkState = state; }
    // Passes key to the selected control when that control is enabled and handles it.
    bool PassKeyToSelected(uint16_t& key);
    // The next mouse button press and release reach nothing (code that consumed a press sets it).
    bool GetSkipNextButtonUp() const { return FSkipNextButtonUp; }
    void SetSkipNextButtonUp(bool value) { FSkipNextButtonUp = value; }
    // A double click on control: the designer opens the item; otherwise the control's DblClick, or a sub
    // item's open menu is expanded.
    virtual void DblClickItemControl(TxbBarItemControl* control);
    // The cursor point of the last hover selection (screen), (-1, -1) to make the next move count.
    void ResetLastCursorPoint() { FLastCursorPoint = {-1, -1}; }

    // ---- Item geometry
    win::TRect GetItemRect(TxbBarItemControl* control) const;
    win::TRect GetItemScreenRect(TxbBarItemControl* control);
    virtual void GetItemDrawRect(TxbBarItemControl* control, win::TRect& rect);
    virtual void GetItemRectEx(TxbBarItemControl* control, bool withSeparator, win::TRect& rect);
    // A region of the control's rectangle with its separator; the caller deletes it.
    virtual win::HRGN CreateItemRegion(TxbBarItemControl* control);
    TxbBarItemControl* GetItemControlAtPos(const win::TPoint& clientPoint) const;
    bool OwnsItemControl(TxbBarItemControl* control) const;
    // The deepest window under the cursor is this one.
    bool IsMouseOver();

    // ---- Owner rectangle: the item or end mark (screen) that opened this window, and its window
    const win::TRect& GetOwnerRect() const { return FOwnerRect; }
    void SetOwnerRect(const win::TRect& value) { FOwnerRect = value; }
    void SetOwnerControl(vcl::TWinControl* value) { FOwnerControl = value; }
    // The owner control; null when the owner rectangle is empty.
    virtual vcl::TWinControl* GetOwnerControl();
    // The window's bounds share an edge with the owner rectangle and overlap it along that edge.
    virtual bool TouchesOwnerRect();
    // The segment of the window's edge shared with the owner rectangle, one pixel thick (in window
    // coordinates, or in screen coordinates one pixel into the owner); empty when there is none.
    win::TRect GetOwnerJointRect(bool screen);

    // ---- Customizing
    // The control of this manager whose region (with its separator) holds point, with where the point lies
    // against it; null when none.
    virtual TxbBarItemControl* GetDropTarget(const win::TPoint& clientPoint, bool& inSeparator, bool& vertical,
                                             bool& before);
    // Outlines the selected control while customizing (the manager's current one, or the one dragged).
    void DrawCustomizingFrame(TxbBarItemControl* control);
    // A customizing press that may still turn into a drag.
    bool GetDragPending() const { return FDragPending; }

    // ---- The chain of active windows
    bool GetActive() const { return FActive; }
    virtual void SetActive(bool value);
    virtual void DeactivateAll();
    TCustomxbBarControl* GetParentBarControl() const { return FParentBarControl; }
    void SetParentBarControl(TCustomxbBarControl* value) { FParentBarControl = value; }
    // The menu window opened from this window, null when none.
    TCustomxbBarControl* GetChildMenu() const { return FChildMenu; }
    void SetChildMenu(TCustomxbBarControl* value) { FChildMenu = value; }
    // The window at the root of this window's chain of parents.
    TCustomxbBarControl* GetRootBarControl();

    // ---- Keyboard mode of a toolbar (the main menu bar's menu mode): the window takes the keys with
    // control selected (null: the first selectable link), remembering the focused window, which it gives
    // back when it leaves.
    virtual void EnterKeyboardMode(TxbBarItemControl* control);
    virtual void LeaveKeyboardMode();
    // Ctrl+Tab: the next (previous) toolbar of the manager with a selectable link takes keyboard mode.
    void SwitchToolbar(bool forward);

protected:
    void CreateWnd() override;
    void CreateWindowHandle(const vcl::TCreateParams& params) override;
    void DestroyWindowHandle() override;
    void WndProc(vcl::TMessage& message) override;
    void SetPressedControl(TxbBarItemControl* value) { FPressedControl = value; }
    // A window whose brush changes while it paints (a menu's rarely used rows) reports it here.
    void SetBkBrush(win::HBRUSH value) { FBackgroundBrush = value; }
    // The window leaves its manager for good (its links and selection go too): what remains of it asks the
    // manager nothing more, even while the manager frees it.
    void DetachFromManager();
    // WM_KEYDOWN while a bar window is active: navigation, mnemonics, then the selected control's keys and
    // a toolbar's Enter and Esc. key becomes 0 when it was used up.
    virtual void HandleKeyDown(uint16_t& key);
    // Navigation among the links; true when the key was used.
    virtual bool HandleNavigationKey(uint16_t& key);
    // Letters and digits select the links whose caption carries them (cycling when several do).
    bool HandleMnemonicKey(uint16_t key);
    // This window is the head of the active chain or one of its parents.
    bool IsInActiveChain() const;
    // While a chain of bar windows is active, mouse messages (client and non-client) for windows outside it
    // go nowhere.
    bool DropsMouseMessage(win::UINT msg) const;
    // The mouse messages of the base; each may free the window.
    void WMLButtonDown(vcl::TMessage& message);
    void WMLButtonUp(vcl::TMessage& message);
    void WMLButtonDblClk(vcl::TMessage& message);
    void WMMouseMove(vcl::TMessage& message);
    void WMMouseLeave(vcl::TMessage& message);
    void WMRButtonDown(vcl::TMessage& message);
    // Starts (or stops) telling the window when the mouse leaves it.
    void TrackMouseLeave(bool start);
    bool GetTrackingMouseLeave() const { return FTrackingMouseLeave; }
    // The result of WM_NCHITTEST lies outside the client area (mouse-leave tracking then stops).
    virtual bool IsNonClientHit(int32_t hitTest);
    // The dock fields, kept here for every window kind.
    TxbBarDockingStyle FDockingStyle = dsNone;
    TxbDockControl* FDockControl = nullptr;

private:
    void WMSetFocus(vcl::TMessage& message);

    std::unique_ptr<vcl::TBitmap> FBackgroundCache;
    std::unique_ptr<TxbBarShadow> FShadow;
    // Places the shadow at the window's bounds (with the opening item when the window touches it).
    void UpdateShadow(bool placed);
    TxbBarManager* FBarManager;
    TxbBarItemLinks* FItemLinks = nullptr;
    win::HBRUSH FBackgroundBrush = nullptr;
    TCustomxbBarControl* FChildMenu = nullptr;
    TxbBarItemControl* FPressedControl = nullptr;
    TxbBarItemControl* FSelectedControl = nullptr;
    TCustomxbBarControl* FParentBarControl = nullptr;
    TCustomxbBarControl* FPrevActive = nullptr;
    vcl::TWinControl* FOwnerControl = nullptr;
    win::TRect FOwnerRect{};
    win::HWND FSavedFocus = nullptr;
    win::TPoint FPressPoint{0, 0};
    bool FDestroyingControls = false;
    bool FDragPending = false;
    bool FSkipNextButtonUp = false;
    bool FPaintingItem = false;
    bool FActive = false;
    bool FPressedControlHot = false;
    bool FTrackingMouseLeave = false;
    int32_t FMarkState = 0;
    int32_t FTextRowHeight = 0;
    int32_t FMenuRowHeight = 0;
    int32_t FSeparatorSize = 0;
    int32_t FComboButtonWidth = 0;
    win::TPoint FLastCursorPoint{-1, -1};
};

// Entry points of the customizing windows, which the look-and-feel library fills in: the customizing popup
// for a link (or none) of a window's links at a screen point, and the toolbars popup of a manager.
void ShowCustomizingPopup(TxbBarManager* manager, TxbBarItemLink* link, TxbBarItemLinks* links,
                          const win::TPoint& screenPoint);
// The toolbars popup of a manager at a screen point, asked for by a control (a dock or a toolbar window):
// the routine the customizing windows installed, nothing while none is.
void ShowToolbarsPopup(vcl::TControl* control, TxbBarManager* manager, const win::TPoint& screenPoint);
using TxbShowToolbarsPopupProc =
    std::function<void(vcl::TControl* control, TxbBarManager* manager, const win::TPoint& screenPoint)>;
// Installs the routine behind ShowToolbarsPopup (an empty one takes it away); answers the one it replaces.
TxbShowToolbarsPopupProc SetShowToolbarsPopupProc(TxbShowToolbarsPopupProc proc);

// The head of the chain of active bar windows (the innermost open menu, or the toolbar in keyboard mode).
TCustomxbBarControl* GetActiveBarControl();

} // namespace bars
