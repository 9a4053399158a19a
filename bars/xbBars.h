// Bars: the toolbars, status bars and main menu bar of a manager. A bar is an item of the manager's Bars
// collection holding its item links, its docked and floating placement, its options and its font; while
// it is visible it has one window, made from its link collection. The collection also makes the four edge
// dock sites of the owner form.
#pragma once

#include "bars/xbBarManager.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/GraphicsObjects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TFont;
} // namespace vcl

namespace bars {

class TCustomxbBarSubItem;
class TxbBarControl;
class TxbBarItemLinks;
class TxbBars;
class TxbDockControl;

enum TxbBarBorderStyle { bbsNone, bbsSingle };

class TxbBar : public vcl::TCollectionItem {
public:
    explicit TxbBar(vcl::TCollection* collection);
    ~TxbBar() override;
    void Assign(vcl::TPersistent* source) override;
    std::string GetDisplayName() override;

    TxbBars* GetBars() const;
    TxbBarManager* GetBarManager() const;
    // The bar's window, null while hidden.
    TxbBarControl* GetControl() const;
    // The placed dock holding the bar, or for a docked bar without one the edge dock of its style; null
    // when floating.
    TxbDockControl* GetDockSite() const;

    // ---- Tests
    bool CanClose() const;
    bool CanMove() const;
    bool CanReset() const { return FLoaded && FAllowReset; }
    bool IsStatusBar() const;
    bool IsSizeGripVisible() const;
    // Runs the item of the bar (or of a menu below it) with that shortcut; true when one ran.
    bool ExecuteShortCut(vcl::TShortCut shortCut);
    // The frame size of the bar's window for a docking style.
    int32_t GetNonClientWidth(TxbBarDockingStyle style) const;
    int32_t GetNonClientHeight(TxbBarDockingStyle style) const;
    // An edge dock counts as none; the same style, or another placed dock, sets DockControl, else the
    // style is set.
    void SetDockingStyleAndControl(TxbBarDockingStyle style, TxbDockControl* dock);

    // ---- The manager's Loaded applies what was read
    void SetLoaded() { FLoaded = true; }
    void ApplyPendingDocking();
    void ApplyPendingVisible();
    TxbBarDockingStyle GetPendingDockingStyle() const { return FPendingDockingStyle; }
    // The redraw lock of the manager, recorded per bar.
    void SetRedrawLocked(bool value) { FRedrawLocked = value; }
    // Hidden because no link was left to show (AutoHideEmptyBars).
    bool GetHiddenBecauseEmpty() const { return FHiddenBecauseEmpty; }
    void SetHiddenBecauseEmpty(bool value) { FHiddenBecauseEmpty = value; }
    // Sub items whose menu, torn off, becomes this bar.
    void AddDetachingSubItem(TCustomxbBarSubItem* item);
    void RemoveDetachingSubItem(TCustomxbBarSubItem* item);

    // ---- Properties
    bool GetAllowClose() const { return FAllowClose; }
    void SetAllowClose(bool value);
    bool GetAllowCustomizing() const { return FAllowCustomizing; }
    void SetAllowCustomizing(bool value) { FAllowCustomizing = value; }
    bool GetAllowQuickCustomizing() const { return FAllowQuickCustomizing; }
    void SetAllowQuickCustomizing(bool value);
    bool GetAllowReset() const { return FAllowReset; }
    void SetAllowReset(bool value) { FAllowReset = value; }
    uint8_t GetAlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(uint8_t value) { FAlphaBlendValue = value; }
    vcl::TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    void SetBackgroundBitmap(vcl::TBitmap* value);
    TxbBarBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TxbBarBorderStyle value);
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& value);
    vcl::TColor GetColor() const { return FColor; }
    void SetColor(vcl::TColor value);
    TxbDockControl* GetDockControl() const { return FDockControl; }
    void SetDockControl(TxbDockControl* value);
    TxbDockControl* GetDockedDockControl() const { return FDockedDockControl; }
    void SetDockedDockControl(TxbDockControl* value);
    TxbBarDockingStyle GetDockedDockingStyle() const;
    void SetDockedDockingStyle(TxbBarDockingStyle value);
    int32_t GetDockedLeft() const { return FDockedLeft; }
    void SetDockedLeft(int32_t value);
    int32_t GetDockedTop() const { return FDockedTop; }
    void SetDockedTop(int32_t value);
    TxbBarDockingStyle GetDockingStyle() const;
    void SetDockingStyle(TxbBarDockingStyle value);
    int32_t GetFloatLeft() const { return FFloatLeft; }
    void SetFloatLeft(int32_t value);
    int32_t GetFloatTop() const { return FFloatTop; }
    void SetFloatTop(int32_t value);
    int32_t GetFloatClientWidth() const { return FFloatClientWidth; }
    void SetFloatClientWidth(int32_t value);
    int32_t GetFloatClientHeight() const { return FFloatClientHeight; }
    void SetFloatClientHeight(int32_t value);
    vcl::TFont* GetFont() const { return FFont.get(); }
    void SetFont(vcl::TFont* value);
    bool GetHidden() const { return FHidden; }
    void SetHidden(bool value);
    bool GetIsMainMenu() const { return FIsMainMenu; }
    void SetIsMainMenu(bool value);
    TxbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    void SetItemLinks(TxbBarItemLinks* value);
    bool GetMultiLine() const { return FMultiLine; }
    void SetMultiLine(bool value);
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& value);
    TxbBarDockingStyles GetNotDocking() const { return FNotDocking; }
    void SetNotDocking(TxbBarDockingStyles value);
    // The bar's window has recorded a docked position (a floating bar that never docked has none).
    bool GetHasDockedPosition() const { return FHasDockedPosition; }
    void SetHasDockedPosition(bool value) { FHasDockedPosition = value; }
    bool GetOneOnRow() const { return FOneOnRow; }
    void SetOneOnRow(bool value) { FOneOnRow = value; }
    bool GetRotateWhenVertical() const { return FRotateWhenVertical; }
    void SetRotateWhenVertical(bool value);
    int32_t GetRow() const { return FRow; }
    void SetRow(int32_t value) { FRow = value < 0 ? 0 : value; }
    bool GetShowMark() const { return FShowMark; }
    void SetShowMark(bool value);
    bool GetSizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool value);
    bool GetUseOwnFont() const { return FUseOwnFont; }
    void SetUseOwnFont(bool value);
    bool GetUseRecentItems() const { return FUseRecentItems; }
    void SetUseRecentItems(bool value);
    bool GetUseRestSpace() const { return FUseRestSpace; }
    void SetUseRestSpace(bool value);
    // The stored (or, while loading, the pending) visibility.
    bool GetVisible() const;
    void SetVisible(bool value);
    bool GetWholeRow() const { return FWholeRow; }
    void SetWholeRow(bool value);
    win::HFONT GetFontHandle() const { return FFontHandle; }
    // The window rebuilds: its dock lays it out again.
    void RebuildWindow() { Rebuild(); }
    // The manager's font changed: a bar without a font of its own takes it, one with its own rebuilds that.
    void ManagerFontChanged();

private:
    bool ManagerLoading() const;
    void Rebuild();
    void ShowWindow();
    void FontChanged();
    void UpdateWindowFont();
    // Takes the manager's font into the bar's without firing FontChanged.
    void AssignManagerFont(TxbBarManager* manager);

    bool FAllowClose = true;
    bool FAllowCustomizing = true;
    bool FAllowQuickCustomizing = true;
    bool FAllowReset = true;
    uint8_t FAlphaBlendValue = 255;
    std::unique_ptr<vcl::TBitmap> FBackgroundBitmap;
    TxbBarBorderStyle FBorderStyle = bbsSingle;
    std::string FCaption;
    vcl::TColor FColor = vcl::clDefault;
    TxbDockControl* FDockControl = nullptr;
    TxbDockControl* FDockedDockControl = nullptr;
    TxbBarDockingStyle FDockedDockingStyle = dsTop;
    int32_t FDockedLeft = 0, FDockedTop = 0;
    TxbBarDockingStyle FDockingStyle = dsNone;
    int32_t FFloatLeft = 0, FFloatTop = 0, FFloatClientWidth = 0, FFloatClientHeight = 0;
    std::unique_ptr<vcl::TFont> FFont;
    win::HFONT FFontHandle = nullptr;
    bool FHidden = false;
    bool FIsMainMenu = false;
    std::unique_ptr<TxbBarItemLinks> FItemLinks;
    bool FMultiLine = false;
    std::string FName;
    TxbBarDockingStyles FNotDocking;
    bool FOneOnRow = false;
    bool FHasDockedPosition = false;
    bool FRotateWhenVertical = true;
    int32_t FRow = 0;
    bool FShowMark = true;
    bool FSizeGrip = true;
    bool FUseOwnFont = false;
    bool FUseRecentItems = true;
    bool FUseRestSpace = false;
    bool FVisible = false;
    bool FWholeRow = false;

    // Read from a form resource, applied by the manager's Loaded.
    TxbDockControl* FPendingDockControl = nullptr;
    TxbBarDockingStyle FPendingDockingStyle = dsNone;
    bool FPendingVisible = false;
    bool FLoaded = false;
    bool FRedrawLocked = false;
    bool FHiddenBecauseEmpty = false;
    bool FSettingFont = false;
    bool FBeingHidden = false;
    bool FInDockingChange = false;
    std::vector<TCustomxbBarSubItem*> FDetachingSubItems;
};

class TxbBars : public vcl::TCollection {
public:
    explicit TxbBars(TxbBarManager* manager);
    ~TxbBars() override;
    TxbBarManager* GetBarManager() const { return FBarManager; }
    TxbBar* Add() { return static_cast<TxbBar*>(vcl::TCollection::Add()); }
    TxbBar* GetItem(int32_t index) const { return static_cast<TxbBar*>(vcl::TCollection::GetItem(index)); }
    // baseName followed by 1, 2, 3 ... until no bar has that name.
    std::string MakeUniqueName(const std::string& baseName) const;
    // The edge dock of a style (null for dsNone).
    TxbDockControl* GetDockControl(TxbBarDockingStyle style) const;
    // The manager's RemoveDockControl clears an edge dock's slot.
    void ClearDockControl(TxbDockControl* dock);
    // Docks a bar window into dock, or, when dock is null, into the edge dock of style (nothing for
    // dsNone), at a screen point; UndockBar removes it the same way.
    void DockBarAt(TxbBarDockingStyle style, TxbDockControl* dock, win::TPoint point, TxbBarControl* window);
    void UndockBar(TxbBarDockingStyle style, TxbDockControl* dock, TxbBarControl* window);
    // The modal drag of a bar window by its grip or caption, started at a press with the move code.
    void DragBar(TxbBarControl* window, win::TPoint cursor) {}
    bool GetLoading() const { return FLoading; }
    void SetLoading(bool value) { FLoading = value; }
    // The bar window being dragged by the user, and the drag's offset (set by the bar drag).
    TxbBarControl* GetMovingBarControl() const { return FMovingBarControl; }
    void SetMovingBarControl(TxbBarControl* value) { FMovingBarControl = value; }
    win::TPoint GetDragOffset() const { return FDragOffset; }
    void SetDragOffset(win::TPoint value) { FDragOffset = value; }
    // The width of the zone around a dock row in which a dragged bar docks.
    int32_t GetZoneSize() const { return FZoneSize; }
    vcl::TPersistent* GetOwner() override;

protected:
    void Update(vcl::TCollectionItem* item) override {}

private:
    TxbBarManager* FBarManager;
    TxbDockControl* FDocks[4] = {};
    bool FLoading = false;
    TxbBarControl* FMovingBarControl = nullptr;
    win::TPoint FDragOffset{0, 0};
    int32_t FZoneSize = 23;
};

// Registers the property tables of bars.
void RegisterBarsTables();

} // namespace bars
