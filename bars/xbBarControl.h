// The window of one toolbar as the bars and the docks see it: where it is docked, and the size questions the
// dock layout asks (minimum and maximum length, the size for a given length, the end mark). The toolbar
// window answers them from its item controls; until it exists, a factory makes the windows (tests install
// windows of fixed sizes).
#pragma once

#include "bars/xbBarManager.h"
#include "platform/vcl/Controls.h"

#include <cstdint>
#include <functional>

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

class TxbBarControl : public TCustomxbBarControl {
public:
    // The window of bar, owned by the bar's manager.
    explicit TxbBarControl(TxbBar* bar);
    ~TxbBarControl() override;
    TxbBar* GetBar() const { return FBar; }
    bool IsToolbar() const override { return true; }
    int32_t GetSeparatorSize() override;

    // ---- Size questions of the dock layout (lengths without the non-client frame)
    virtual int32_t GetMinWidth(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMinHeight(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMaxWidth(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMaxHeight(TxbBarDockingStyle style) = 0;
    virtual win::TSize CalcSizeByWidth(TxbBarDockingStyle style, int32_t width) = 0;
    virtual win::TSize CalcSizeByHeight(TxbBarDockingStyle style, int32_t height) = 0;
    // The end mark is shown.
    bool HasMark() override = 0;
    // The items wrap into several rows (a docked multi-line bar).
    virtual bool AllowsMultipleRows();
    // Where the cursor sits within the window when the dragged bar takes style.
    virtual win::TPoint GetDragCursorOffset(TxbBarDockingStyle style) { return {0, 0}; }
    // Lays out the item links inside the window.
    virtual void ArrangeItemLinks() {}
    // The frame is computed again.
    virtual void FrameChanged();
    // Records the window's place in its bar.
    virtual void StorePosition();
    // The window is told it is about to be hidden (it leaves keyboard mode and its selection).
    virtual void HideNotification() {}

    // ---- Docking state
    TxbBarDockingStyle GetDockingStyle() const { return FDockingStyle; }
    virtual void SetDockingStyle(TxbBarDockingStyle value);
    TxbDockControl* GetDockControl() const { return FDockControl; }
    void SetDockControl(TxbDockControl* value) { FDockControl = value; }
    bool IsVertical() const { return FDockingStyle == dsLeft || FDockingStyle == dsRight; }
    // A programmatic docking change (restoring a layout, showing a bar) is in progress.
    bool IsDockingChanging() const { return FDockingChanging > 0; }
    void BeginDockingChange() { ++FDockingChanging; }
    void EndDockingChange() { --FDockingChanging; }
    // The bar is being dragged by the user.
    bool GetMoving() const { return FMoving; }
    void SetMoving(bool value) { FMoving = value; }
    // The dock layout gave a single-row bar less length than it needs.
    bool GetTruncated() const { return FTruncated; }
    void SetTruncated(bool value) { FTruncated = value; }
    // The dock row and col holding the window (0 when floating or not found).
    int32_t GetDockRowIndex() const;
    int32_t GetDockColIndex() const;

private:
    TxbBar* FBar;
    TxbBarDockingStyle FDockingStyle = dsNone;
    TxbDockControl* FDockControl = nullptr;
    int32_t FDockingChanging = 0;
    bool FMoving = false;
    bool FTruncated = false;
};

// Makes the window of a bar; null when none is installed (bars are then shown without windows).
using TxbBarControlFactory = std::function<TxbBarControl*(TxbBar* bar)>;
const TxbBarControlFactory& GetBarControlFactory();
void SetBarControlFactory(TxbBarControlFactory factory);

} // namespace bars
