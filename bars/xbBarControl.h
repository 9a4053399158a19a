// The window base of every bar window (toolbars, menus, popup menus): one link collection shown with one
// item control per visible link, selection, the active chain and the metrics of the window font.
#pragma once

#include "bars/xbBarManager.h"
#include "platform/vcl/Controls.h"

#include <cstdint>

namespace bars {

class TxbBar;
class TxbBarItemControl;
class TxbBarItemLinks;
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
    virtual bool CanCustomize();
    virtual bool UsesFlatSelection();
    virtual int32_t GetSeparatorSize() = 0;
    virtual win::HFONT GetFont();
    virtual bool IsCustomizing();
    virtual bool IsQuickControl() { return false; }
    // This window occurs in window's chain of parents.
    virtual bool IsParentOf(TCustomxbBarControl* window);
    virtual bool HasMark() { return false; }
    virtual bool IgnoresMouseMove(const win::TPoint& screenPoint);
    virtual void RepaintItemControl(TxbBarItemControl* control);
    virtual void SelectionChanged(TxbBarItemControl* oldControl);
    virtual void UpdateFont() {}
    virtual void Rebuild() {}
    // The window kinds: toolbars and menus answer for themselves.
    virtual bool IsToolbar() const { return false; }
    virtual bool IsMenu() const { return false; }
    // ---- Brushes and backgrounds through the painter
    // The painter's background brush for this window, remembered for the item controls (GetBkBrush).
    virtual win::HBRUSH GetBackgroundBrush();
    virtual win::HBRUSH GetSecondaryBrush();
    virtual win::HBRUSH GetFaceBrush();
    virtual win::HBRUSH GetSelectionBrush();
    // The background brush the painter reported last.
    win::HBRUSH GetBkBrush() const { return FBackgroundBrush; }
    int32_t GetTextRowHeight() const { return FTextRowHeight; }
    int32_t GetMenuRowHeight() const { return FMenuRowHeight; }
    int32_t GetMetricSeparatorSize() const { return FSeparatorSize; }
    int32_t GetComboButtonWidth() const { return FComboButtonWidth; }

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
    bool GetPaintingItem() const { return FPaintingItem; }
    void SetPaintingItem(bool value) { FPaintingItem = value; }
    bool IsDestroyingControls() const { return FDestroyingControls; }
    int32_t GetMarkState() const { return FMarkState; }
    virtual void SetMarkState(int32_t state) { FMarkState = state; }
    // Passes key to the selected control when that control is enabled and handles it.
    bool PassKeyToSelected(uint16_t& key);

    // ---- Item geometry
    win::TRect GetItemRect(TxbBarItemControl* control) const;
    win::TRect GetItemScreenRect(TxbBarItemControl* control);
    TxbBarItemControl* GetItemControlAtPos(const win::TPoint& clientPoint) const;
    bool OwnsItemControl(TxbBarItemControl* control) const;

    // ---- The chain of active windows
    bool GetActive() const { return FActive; }
    virtual void SetActive(bool value);
    virtual void DeactivateAll();
    TCustomxbBarControl* GetParentBarControl() const { return FParentBarControl; }
    void SetParentBarControl(TCustomxbBarControl* value) { FParentBarControl = value; }

protected:
    void CreateWnd() override;
    void CreateWindowHandle(const vcl::TCreateParams& params) override;
    void DestroyWindowHandle() override;
    void WndProc(vcl::TMessage& message) override;
    void SetPressedControl(TxbBarItemControl* value) { FPressedControl = value; }
    // WM_KEYDOWN: navigation among the links while a bar window is active; true when the key was used.
    virtual bool HandleNavigationKey(uint16_t& key);
    // This window is the head of the active chain or one of its parents.
    bool IsInActiveChain() const;

private:
    TxbBarManager* FBarManager;
    TxbBarItemLinks* FItemLinks = nullptr;
    win::HBRUSH FBackgroundBrush = nullptr;
    TxbBarItemControl* FPressedControl = nullptr;
    TxbBarItemControl* FSelectedControl = nullptr;
    TCustomxbBarControl* FParentBarControl = nullptr;
    TCustomxbBarControl* FPrevActive = nullptr;
    bool FDestroyingControls = false;
    bool FPaintingItem = false;
    bool FActive = false;
    int32_t FMarkState = 0;
    int32_t FTextRowHeight = 0;
    int32_t FMenuRowHeight = 0;
    int32_t FSeparatorSize = 0;
    int32_t FComboButtonWidth = 0;
    win::TPoint FLastCursorPoint{-1, -1};
};

// The head of the chain of active bar windows (the innermost open menu, or the toolbar in keyboard mode).
TCustomxbBarControl* GetActiveBarControl();

} // namespace bars
