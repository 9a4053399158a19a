// The menu window: every drop-down menu, cascading sub-menu and popup menu. It places itself in the work
// area of its monitor (on the other side of its opening item when there is more room there), lays its
// entries out in rows with group separators and a side strip, scrolls by arrow rows when it is taller than
// the work area, hides rarely used entries behind an expand arrow (personalized menus), offers a tear-off
// strip for detachable sub items, and shows itself through ShowSubMenu with its animations. The sub-item
// control opens and closes such windows for a sub item.
#pragma once

#include "bars/xbBarControl.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarPainter.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>

namespace bars {

class TCustomxbBarSubItem;
class TxbBarSubItemControl;

class TxbBarSubMenuControl : public TCustomxbBarControl {
public:
    explicit TxbBarSubMenuControl(TxbBarManager* owner);
    ~TxbBarSubMenuControl() override;

    bool IsMenu() const override { return true; }
    int32_t GetSeparatorSize() override;
    bool UsesFlatSelection() override { return false; }
    bool IsQuickControl() override { return true; }
    bool CanCustomize() override;
    bool IsCustomizing() override;
    win::HFONT GetFont() override;
    bool HasMark() override;
    void CalcMetrics() override;
    void SetMarkState(int32_t state) override;
    void RepaintItemControl(TxbBarItemControl* control) override;
    void SetSelectedItemControl(TxbBarItemControl* control) override;
    void DeactivateAll() override;
    void Rebuild() override;
    // The painter's menu brush, or while a row paints the brush of that row (the rarely used one).
    win::HBRUSH GetBackgroundBrush() override;
    // The menu's background: the SubMenu picture tiled, or the brush.
    void DrawBackground(win::HDC dc, const win::TRect& rect, bool withOrigin, int32_t color,
                        win::HBRUSH brush) override;
    bool HasOwnBackground() override;
    // A menu opened at a point (no owner size), or below such a menu: the right button acts as the left.
    virtual bool IsInMenuChain();

    // ---- What the opener sets before the window is made
    TxbBarItemControl* GetOwnerControl() const { return FOwnerControl; }
    void SetOwnerControl(TxbBarItemControl* value) { FOwnerControl = value; }
    TxbBarSubItemControl* GetSubItemControl() const { return FSubItemControl; }
    void SetSubItemControl(TxbBarSubItemControl* value) { FSubItemControl = value; }
    // Where the opener wants the menu (screen), and the size of the opening item (0 for a point).
    void SetRequestedPosition(int32_t left, int32_t top);
    win::TPoint GetRequestedPosition() const { return {FRequestedLeft, FRequestedTop}; }
    void SetOwnerSize(int32_t width, int32_t height) {
        FOwnerWidth = width;
        FOwnerHeight = height;
    }
    int32_t GetOwnerWidth() const { return FOwnerWidth; }
    int32_t GetOwnerHeight() const { return FOwnerHeight; }
    // The screen rectangle of the opening item (painters join menu and item), empty when none.
    void SetOwnerRect(const win::TRect& r) { FOwnerRect = r; }
    const win::TRect& GetOwnerRect() const { return FOwnerRect; }
    void SetParentHandle(win::HWND value) { FParentHandle = value; }
    bool GetHorizontalDirection() const { return FHorizontalDirection; }
    void SetHorizontalDirection(bool value) { FHorizontalDirection = value; }
    bool GetVerticalDirection() const { return FVerticalDirection; }
    void SetVerticalDirection(bool value) { FVerticalDirection = value; }
    bool GetAnimate() const { return FAnimate; }
    void SetAnimate(bool value) { FAnimate = value; }
    TxbBarMenuAnimations GetAnimationKind() const { return FAnimationKind; }
    void SetAnimationKind(TxbBarMenuAnimations value) { FAnimationKind = value; }
    // What placement did: opened on the other side of the item horizontally / vertically.
    bool GetFlippedHorizontally() const { return FFlippedH; }
    bool GetFlippedVertically() const { return FFlippedV; }
    vcl::TNotifyEvent OnCloseUp;
    vcl::TNotifyEvent OnPopup;

    // ---- Layout, placement and scrolling
    // Lays the page out from the top index; with size, the window size the rows need.
    void CalcLayout(win::TSize* size = nullptr);
    // Places the window from the requested position (bounds set, flips recorded).
    void CalcPosition();
    int32_t GetTopIndex() const { return FTopIndex; }
    void SetTopIndex(int32_t value);
    int32_t GetPageLinkCount() const { return FPageLinkCount; }
    bool CanScrollUp() const { return FTopIndex > 0; }
    bool CanScrollDown() const;
    // The arrow rows of a scrolled menu (client coordinates; empty when that way cannot scroll).
    win::TRect GetUpArrowRect() const;
    win::TRect GetDownArrowRect() const;
    // The expand arrow row of a personalized menu with hidden entries.
    win::TRect GetExpandArrowRect();
    // Its height, as the painter gives it for the menu's row and text heights (measured again by CalcMetrics).
    int32_t GetExpandArrowHeight();
    // The rarely used entries' background (button face + 20 per channel) and, at 8 bits per pixel or less,
    // its one-entry palette.
    win::HBRUSH GetRarelyUsedBrush() const { return FRarelyUsedBrush; }
    win::HPALETTE GetRarelyUsedPalette() const { return FRarelyUsedPalette; }
    // Shows every entry of the whole chain from now on (personalized menus).
    void ExpandMenu();
    // The chain of this menu shows full menus.
    bool IsChainExpanded();
    bool GetDetachHot() const { return FDetachHot; }
    void SetDetachHot(bool value);
    // The tear-off strip in client coordinates (empty unless the sub item is detachable).
    win::TRect GetDetachRect();
    // Drags the tear-off strip: the menu becomes its sub item's floating bar.
    void DetachMenu();
    // Destroys the window once and frees the object.
    void FreeMenu();
    // The object is being freed (FreeMenu or its destructor runs).
    bool IsFreeing() const { return FFreeing; }
    // Fires the popup event (the menu is shown) / the close-up event (after the window is gone).
    virtual void DoPopup();
    virtual void DoCloseUp();
    // The side strip's width: the popup menu's or sub item's BarSize.
    int32_t GetBarSize();
    // The animation paints the whole menu into dc (the off-screen image).
    void PaintTo(win::HDC dc);
    // The window is re-made to expand it (no close-up side effects meanwhile).
    bool IsRecreating() const { return FRecreating; }
    // The menu has a tear-off strip (a detachable sub item with a bar to float).
    bool IsDetachable();

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(vcl::TMessage& message) override;
    void Paint() override;
    bool HandleNavigationKey(uint16_t& key) override;

private:
    void MenuKeyDown(vcl::TMessage& message);
    void MouseMove(vcl::TMessage& message);
    void LeftButtonDown(vcl::TMessage& message);
    void TimerTick(uintptr_t id);
    void StartFullMenusTimer(uintptr_t id, win::UINT ms);
    void StopFullMenusTimer();
    void CreateRarelyUsedBrush();
    void FreeRarelyUsedBrush();
    bool ShowsRarelyUsedItems();
    void ApplyRecentItemCount();
    int32_t GetRowHeight(TxbBarItemControl* control);
    void PaintContent(win::HDC dc);
    // Paints one row of the page: its separator, the band of rarely used rows, the entry.
    void PaintRow(TxbBarItemControl* control, win::HDC dc);
    // What the painters read from this menu.
    TxbPaintMenu MakePaintMenu();
    // The picture behind the rows: the popup menu's own, else the manager's SubMenu background.
    vcl::TBitmap* GetBackgroundBitmap();
    int32_t GetTextHeight(const char* text);
    // The tear-off strip's height (0 unless the menu is detachable).
    int32_t GetDetachBarHeight();
    void ScrollTick();
    bool IsCursorOnArrow(bool& up);
    bool IsOnArrowRow(const win::TPoint& clientPoint) const;

    TxbBarItemControl* FOwnerControl = nullptr;
    TxbBarSubItemControl* FSubItemControl = nullptr;
    bool FRecreating = false;
    bool FDetachHot = false;
    bool FFullMenusTimer = false;
    uintptr_t FFullMenusTimerId = 0;
    win::HBRUSH FRarelyUsedBrush = nullptr;
    win::HPALETTE FRarelyUsedPalette = nullptr;
    int32_t FExpandArrowHeight = 0;
    TxbBarMenuAnimations FAnimationKind = maNone;
    int32_t FRequestedLeft = 0, FRequestedTop = 0;
    int32_t FOwnerWidth = 0, FOwnerHeight = 0;
    win::TRect FOwnerRect{};
    bool FScrollTimer = false;
    bool FAnimate = false;
    int32_t FTopIndex = 0;
    int32_t FPageLinkCount = 0;
    bool FHorizontalDirection = true;
    bool FVerticalDirection = true;
    bool FFlippedH = false, FFlippedV = false;
    win::HWND FParentHandle = nullptr;
    win::TPoint FLastMovePoint{-1, -1};
    bool FFreeing = false;
    bool FPopupFired = false;
    // The brush of the row being painted (GetBackgroundBrush answers it), null outside rows.
    win::HBRUSH FRowBrush = nullptr;
    // The menu paints whole (Paint, PaintTo): rows are drawn into its DC; outside it a row drawn on the
    // window's own DC is handed to the screen at once.
    bool FInPaint = false;
};

// The control of a sub item: opens and closes its menu, at once for clicks and keys, after a 400 ms hover
// inside menus. One hover timer serves the program.
class TxbBarSubItemControl : public TxbBarItemControl {
public:
    explicit TxbBarSubItemControl(TxbBarItemLink* link);
    ~TxbBarSubItemControl() override;

    void GlyphChanged() override { RebuildWindow(); }
    bool ClicksItem() override { return false; }
    void DropDown(bool byKey) override;
    void CloseUp(bool byKey) override;
    void Enter(bool byMouse) override;
    void KeyDown(uint16_t& key) override;
    bool HandlesKey(uint16_t key) override;
    int32_t GetHeight() override;
    int32_t GetWidth() override;
    TxbBarSubMenuControl* GetSubMenuWindow() override { return GetSubMenuControl(); }
    bool ClosesMenusOnClick() override { return false; }
    bool OpensSubMenu() override { return true; }
    bool WantsDblClick() override;
    void Draw(const win::TRect& rect, TxbPaintType paintType) override;

    virtual TxbBarSubMenuControl* GetSubMenuControl();
    virtual TxbBarSubMenuControl* CreateSubMenuWindow();
    virtual int32_t CalcHeight();
    virtual int32_t CalcWidth();
    virtual bool CanOpen() { return true; }

    // Set when the selection came from the mouse (the menu may animate then).
    bool GetOpenedByMouse() const { return FOpenedByMouse; }
    void SetOpenedByMouse(bool value) override { FOpenedByMouse = value; }
    TCustomxbBarSubItem* GetSubItem() const;

private:
    bool FOpenedByMouse = false;
};

// The control whose delayed open or close waits for the hover timer, null when none.
TxbBarSubItemControl* GetPendingSubItemControl();
// The hover delay of menus.
inline constexpr win::UINT SubItemHoverDelay = 400;

// Takes the next message for a modal loop of the menus (a popup menu's, the tear-off drag's): false on an
// error and on WM_QUIT, which is posted again for the loop outside.
bool GetModalLoopMessage(win::MSG& msg);

// ---- Menu animation (bars/xbBarMenuAnimation.cpp)
// Shows menu with the manager's MenuAnimations: fires DoPopup, chooses the kind, fades through the system's
// AnimateWindow or shows the window (an animated one is shown by the animation's timer).
void ShowSubMenu(TxbBarSubMenuControl* menu);
// Called by the menu's CreateWnd after placement when its animate flag is set: takes the image of the menu
// and starts the timer that draws one step per tick.
void PrepareMenuAnimation(TxbBarSubMenuControl* menu);
// Finishes a running animation of menu at once (nothing for other menus).
void WaitForAnimation(TxbBarSubMenuControl* menu);
// The menu being animated now, null when none.
TxbBarSubMenuControl* GetAnimatedMenu();
// The interval of the animation's steps.
inline constexpr win::UINT MenuAnimationTick = 16;

} // namespace bars
