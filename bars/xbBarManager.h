// The bar manager: the non-visual component that owns every command bar of one form, its command items and
// their categories, the image lists and the bar font, and the choice of the painter family that draws them.
// A form holds at most one; every manager of the process is in the bar manager list.
#pragma once

#include "bars/xbBarItem.h"
#include "bars/xbBarPainter.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TChangeLink;
class TCustomForm;
class TCustomImageList;
class TStringList;
class TStrings;
class TFiler;
} // namespace vcl

namespace lookandfeel {
class TlkLookAndFeel;
class TxbThemeChangedNotificator;
} // namespace lookandfeel

namespace bars {

class TCustomxbBarControl;
class TxbBar;
class TxbBarControl;
class TxbBarItemControl;
class TxbBarGroup;
class TxbBarPopupMenu;
class TxbBarPopupMenuLinks;
class TxbBarItem;
class TxbBarItemLink;
class TxbBarItemLinks;
class TxbBarManager;
class TxbBarManagerCategories;
class TxbBars;
class TxbDockControl;

enum TxbBarManagerStyle { bmsStandard, bmsEnhanced, bmsFlat, bmsXP, bmsOffice11, bmsUseLookAndFeel };
enum TxbBarDockingStyle { dsNone, dsLeft, dsTop, dsRight, dsBottom };
using TxbBarDockingStyles = vcl::TSet<TxbBarDockingStyle>;
enum TxbBarMenuAnimations { maNone, maRandom, maUnfold, maSlide, maFade };

using TxbBarClickItemEvent = std::function<void(vcl::TObject* Sender, TxbBarItem* ClickedItem)>;
using TxbBarItemLinkEvent = std::function<void(vcl::TObject* Sender, TxbBarItemLink* AItemLink)>;
using TxbBarEvent = std::function<void(vcl::TObject* Sender, TxbBar* ABar)>;
using TxbBarVisibleChangeEvent = std::function<void(vcl::TObject* Sender, TxbBar* ABar)>;
using TxbBarCanDockingEvent = std::function<void(vcl::TObject* Sender, TxbBarDockingStyle Style,
                                                 TxbDockControl* DockControl, bool& CanDocking)>;
using TxbBarShowPopupEvent = std::function<void(vcl::TObject* Sender, TxbBarItemLinks* PopupItemLinks)>;

// The two background bitmaps: Bar behind toolbars and docks, SubMenu behind menus.
class TxbBarBackgrounds : public vcl::TPersistent {
public:
    explicit TxbBarBackgrounds(TxbBarManager* manager);
    ~TxbBarBackgrounds() override;
    void Assign(vcl::TPersistent* source) override;
    vcl::TPersistent* GetOwner() override;
    vcl::TBitmap* GetBar() const { return FBar.get(); }
    void SetBar(vcl::TBitmap* value);
    vcl::TBitmap* GetSubMenu() const { return FSubMenu.get(); }
    void SetSubMenu(vcl::TBitmap* value);

private:
    void BarChanged();
    TxbBarManager* FManager;
    std::unique_ptr<vcl::TBitmap> FBar;
    std::unique_ptr<vcl::TBitmap> FSubMenu;
};

// The texts of the two construction errors.
inline constexpr const char* sxbBarManagerBadOwner = "TxbBarManager should have as its Owner - TForm (TCustomForm)";
inline constexpr const char* sxbBarManagerMoreThanOne = "A Form should contain only a single TxbBarManager";
// The command of the toolbars popup that enters customizing mode.
inline constexpr const char* sxbBarCustomize = "&Customize...";

class TxbBarManager : public vcl::TComponent {
public:
    explicit TxbBarManager(vcl::TComponent* owner);
    ~TxbBarManager() override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void ReadState(vcl::TReader* reader) override;
    void SetName(const std::string& value) override;
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override;
    void DefineProperties(vcl::TFiler* filer) override;

    // ---- Click dispatch and events
    // Fires OnClickItem (the manager's part of every command click).
    virtual void DoClickItem(TxbBarItem* item);
    virtual TxbBarItemControlPainterClass GetPainterClass();
    TxbBarClickItemEvent OnClickItem;
    TxbBarItemLinkEvent OnItemLinkAdd, OnItemLinkChange, OnItemLinkDelete;
    vcl::TNotifyEvent OnShowCustomizingForm, OnHideCustomizingForm;
    TxbBarEvent OnBarAdd, OnBarAfterReset, OnBarBeforeReset, OnBarClose, OnBarDelete, OnBarDockingStyleChange;
    TxbBarVisibleChangeEvent OnBarVisibleChange;
    TxbBarCanDockingEvent OnDocking;
    TxbBarShowPopupEvent OnShowCustomizingPopup, OnShowToolbarsPopup;
    // Whether bar may take style in dockControl (null or an edge dock: the manager's own rules).
    virtual bool CanDock(TxbBar* bar, TxbBarDockingStyle style, TxbDockControl* dockControl);
    // A bar's docking style changed (nothing while the bars are being read).
    virtual void DoBarDockingStyleChange(TxbBar* bar);
    virtual void DoShowToolbarsPopup(TxbBarItemLinks* links);
    // A bar was closed with its close button (fires OnBarClose).
    virtual void DoBarClose(TxbBar* bar);
    // Bar windows ask for a hint (Show) for the selected control or for text, or withdraw it.
    virtual void UpdateHint(bool show, const std::string& text = std::string());

    // ---- Bars and docks
    TxbBars* GetBars() const { return FBars.get(); }
    void SetBars(TxbBars* value);
    TxbBar* GetMainMenuBar() const { return FMainMenuBar; }
    void SetMainMenuBar(TxbBar* value) { FMainMenuBar = value; }
    // The bar of that caption or name (letter case counts), null when none.
    TxbBar* FindBarByCaption(const std::string& caption) const;
    TxbBar* FindBarByName(const std::string& name) const;
    int32_t GetDockControlCount() const { return int32_t(FDockControls.size()); }
    // Null outside the range.
    TxbDockControl* GetDockControl(int32_t index) const;
    void AddDockControl(TxbDockControl* dock);
    // Every bar held or remembered by the dock loses it (a bar shown there is hidden), and the dock leaves.
    void RemoveDockControl(TxbDockControl* dock);
    // The grip of a bar: the cached size when the bar can move, else the painter's fixed one.
    int32_t GetBarGripSize(const TxbBar* bar) const;
    // Fills links with a checked button per bar the user may close, then "&Customize..." when allowed.
    void FillToolbarsPopup(TxbBarItemLinks* links);
    // Bars are being restored from a layout store (rows are appended for them).
    bool IsRestoringBars() const { return FRestoringBars; }
    void SetRestoringBars(bool value) { FRestoringBars = value; }
    // The docks' layouts wait while set.
    bool GetDockUpdateLocked() const { return FDockUpdateLocked; }
    void SetDockUpdateLocked(bool value) { FDockUpdateLocked = value; }

    // ---- Groups
    int32_t GetGroupCount() const { return int32_t(FGroups.size()); }
    TxbBarGroup* GetGroup(int32_t index) const;
    void AddGroup(TxbBarGroup* group);
    void RemoveGroup(TxbBarGroup* group);
    int32_t IndexOfGroup(const TxbBarGroup* group) const;
    void MoveGroup(int32_t curIndex, int32_t newIndex);
    // A group owned by the owner form, registered here.
    TxbBarGroup* CreateGroup();

    // ---- Categories
    TxbBarManagerCategories* GetCategoryList() const { return FCategories.get(); }
    TxbBarItemVisible GetCategoryItemsVisible(int32_t index) const;
    void SetCategoryItemsVisible(int32_t index, TxbBarItemVisible value);
    bool GetCategoryVisible(int32_t index) const;
    void SetCategoryVisible(int32_t index, bool value);
    // The real index of the n-th visible category (at design time n itself); -1 when none.
    int32_t GetVisibleCategoryIndex(int32_t n) const;

    // ---- Lists
    int32_t GetItemCount() const { return int32_t(FItems.size()); }
    // Null outside the range.
    TxbBarItem* GetItem(int32_t index) const;
    void AddItem(TxbBarItem* item);
    void RemoveItem(TxbBarItem* item);
    int32_t IndexOfItem(const TxbBarItem* item) const;
    void MoveItem(int32_t curIndex, int32_t newIndex);
    void ExchangeItems(int32_t a, int32_t b);
    // The item of that name, letter case ignored; null when none.
    TxbBarItem* FindItemByName(const std::string& name) const;
    // The placed dock a path names: before the first "." a global component, after it the path of nested
    // components below it; without a "." the path is taken below the owner form. Null when the path names
    // nothing or names a component that is not a placed dock.
    vcl::TComponent* FindDockControlByPath(const std::string& path) const;
    // The items of a category in item-list order (none for an index out of range); the user items are those
    // the customizing form may show.
    void GetCategoryItems(int32_t category, std::vector<TxbBarItem*>& list) const;
    void GetCategoryUserItems(int32_t category, std::vector<TxbBarItem*>& list) const;
    vcl::TStrings* GetCategories() const;
    void SetCategories(vcl::TStrings* value);

    // ---- State
    vcl::TCustomForm* GetOwnerForm() const { return FOwnerForm; }
    bool GetDesigning() const { return FDesigning; }
    bool GetCustomizing() const { return FCustomizing; }
    // Run-time customizing mode (the customizing form, when it exists, sets it).
    void SetCustomizing(bool value) { FCustomizing = value; }
    bool IsCustomizing() const { return FDesigning || FCustomizing; }
    // The item control the user works with last (hovered or selected by key), null when none.
    TxbBarItemControl* GetCurrentItemControl() const { return FCurrentItemControl; }
    void SetCurrentItemControl(TxbBarItemControl* value) { FCurrentItemControl = value; }
    // A sub item's menu is being torn off into its floating bar.
    bool IsDetaching() const { return FDetaching; }
    void SetDetaching(bool value) { FDetaching = value; }

    // ---- Popup menus (bars/xbBarPopupMenu.h): the menus that joined this manager and the links that bind
    // them to controls of the form
    TxbBarPopupMenuLinks* GetPopupMenuLinks() const { return FPopupMenuLinks.get(); }
    int32_t GetPopupMenuCount() const { return int32_t(FPopupMenus.size()); }
    TxbBarPopupMenu* GetPopupMenu(int32_t index) const;
    void AddPopupMenu(TxbBarPopupMenu* menu);
    void RemovePopupMenu(TxbBarPopupMenu* menu);

    // ---- The owner form's messages (bars/xbBarOwnerForm.cpp), shown to the manager by the input hooks
    void HandleOwnerFormMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    // Shows or hides the floating bars with the form's activation; otherWindow gets the activation.
    void HandleActivation(bool active, bool hiding, win::HWND otherWindow);
    void KeepFloatingBarsInWorkArea();
    // The layout store: the owner form's destruction saves there when StoreInRegistry or StoreInIniFile is set.
    virtual void SaveToRegistry(const std::string& path) {}
    virtual void SaveToIniFile(const std::string& fileName) {}
    bool GetFormActive() const { return FFormActive; }
    // Bars made visible before the form had a window wait for its WM_CREATE.
    void AddPendingBar(TxbBar* bar);
    // Takes the waiting bars that take answers true for out of the list, in the order they came (a dock whose
    // window was made again takes back the bars parked there meanwhile).
    std::vector<TxbBar*> TakePendingBars(const std::function<bool(TxbBar*)>& take);
    bool IsShowingPendingBars() const { return FShowingPendingBars; }

    // While customizing: the selected item control (the customizing windows follow it).
    TxbBarItemControl* GetSelectedItemControl() const { return FSelectedItemControl; }
    void SetSelectedItemControl(TxbBarItemControl* value) { FSelectedItemControl = value; }
    // The toolbar window in keyboard mode (the main menu bar's menu mode), null when none.
    TCustomxbBarControl* GetKeyboardModeBar() const { return FKeyboardModeBar; }
    void SetKeyboardModeBar(TCustomxbBarControl* value) { FKeyboardModeBar = value; }
    // While customizing: the item and link a press may start dragging.
    TxbBarItem* GetDragItem() const { return FDragItem; }
    TxbBarItemLink* GetDragItemLink() const { return FDragItemLink; }
    void SetDragCandidates(TxbBarItem* item, TxbBarItemLink* link) {
        FDragItem = item;
        FDragItemLink = link;
    }
    // The customizing drag of an item and link begins (a press moved out of the drag box).
    virtual void RunCustomizingDrag(TxbBarItem* item, TxbBarItemLink* link) {}
    bool IsDestroying() const;
    bool IsLoading() const;
    bool IsFlatStyle() const { return FStyle == bmsFlat; }
    bool IsNonStandardStyle() const { return GetEffectiveStyle() != bmsStandard; }
    bool IsRecentItemsFirst() const { return IsNonStandardStyle() && FMenusShowRecentItemsFirst; }
    bool UsesLargeImages() const { return FUseLargeImagesForLargeIcons && FLargeImages != nullptr; }
    bool CanReset() const { return FAllowReset && FReadStateCount == 1; }
    bool GetChanged() const { return FChanged; }
    void SetChanged(bool value) { FChanged = value; }
    // Marks the form changed: nothing while loading, destroying or before construction is done; at design
    // time the form's designer hears of it unless one of the image lists is itself loading.
    void Modified();
    // The least number of recently used links a menu shows, from MostRecentItemsPercents.
    int32_t GetRecentItemMinCount() const { return FRecentItemMinCount; }
    static int32_t CalcRecentItemMinCount(int32_t percents);
    // Layout marks the dock controls set while they lay themselves out after loading.
    void SetLayingOutDocks(bool value) { FLayingOutDocks = value; }
    bool GetLayingOutDocks() const { return FLayingOutDocks; }

    // ---- Styles, metrics, fonts (the manager's look)
    TxbBarManagerStyle GetEffectiveStyle() const;
    bool GetThemeActive() const { return FThemeActive; }
    TxbBarItemControlPainterClass GetPainter() const { return FPainterClass; }
    void ReapplyStyle();
    void UpdateSizeMetrics();
    int32_t GetGripIndent() const { return FGripIndent; }
    int32_t GetGripSize() const { return FGripSize; }
    int32_t GetMenuSeparatorIndent() const { return FMenuSeparatorIndent; }
    int32_t GetImageSize() const { return FImageSize; }
    int32_t GetButtonWidth() const { return FButtonWidth; }
    int32_t GetButtonHeight() const { return FButtonHeight; }
    int32_t GetArrowWidth() const { return FArrowWidth; }
    int32_t GetFloatFrameWidth() const { return FPainterClass->GetFloatingBorderWidth(); }
    int32_t GetFloatFrameHeight() const { return FPainterClass->GetFloatingBorderHeight(); }
    // The Flat brushes and the themed fill brush (null while the theme is off).
    win::HBRUSH GetFlatBorderBrush() const { return FFlatBorderBrush; }
    win::HBRUSH GetFlatFaceBrush() const { return FFlatFaceBrush; }
    win::HBRUSH GetFlatCheckedBrush() const { return FFlatCheckedBrush; }
    win::HBRUSH GetFlatPressedBrush() const { return FFlatPressedBrush; }
    win::HBRUSH GetFlatSelectedBrush() const { return FFlatSelectedBrush; }
    vcl::TColor GetFlatSelectedColor() const { return FFlatSelectedColor; }
    win::HBRUSH GetThemedBarBrush() const { return FThemedBarBrush; }
    // The colours the Flat brushes are made of, from the system colours now.
    static vcl::TColor FlatBorderColor();
    static vcl::TColor FlatFaceColor();
    static vcl::TColor FlatCheckedColor();
    static vcl::TColor FlatPressedColor();
    static vcl::TColor FlatSelectedColor();
    void RefreshGDIObjects();
    win::HFONT GetFontHandle() const { return FFontHandle; }
    void TakeSystemFont();
    bool GetRedrawLocked() const { return FRedrawLocked; }
    void SetRedrawLocked(bool value);

    // ---- Published settings
    bool GetAllowCallFromAnotherForm() const { return FAllowCallFromAnotherForm; }
    void SetAllowCallFromAnotherForm(bool value) { FAllowCallFromAnotherForm = value; }
    bool GetAllowReset() const { return FAllowReset; }
    void SetAllowReset(bool value) { FAllowReset = value; }
    bool GetAlwaysMerge() const { return FAlwaysMerge; }
    void SetAlwaysMerge(bool value) { FAlwaysMerge = value; }
    bool GetAlwaysSaveText() const { return FAlwaysSaveText; }
    void SetAlwaysSaveText(bool value) { FAlwaysSaveText = value; }
    bool GetAutoDockColor() const { return FAutoDockColor; }
    void SetAutoDockColor(bool value);
    bool GetAutoHideEmptyBars() const { return FAutoHideEmptyBars; }
    void SetAutoHideEmptyBars(bool value);
    TxbBarBackgrounds* GetBackgrounds() const { return FBackgrounds.get(); }
    void SetBackgrounds(TxbBarBackgrounds* value);
    int32_t GetButtonArrowWidth() const { return FButtonArrowWidth; }
    void SetButtonArrowWidth(int32_t value);
    bool GetCanCustomize() const { return FCanCustomize; }
    void SetCanCustomize(bool value) { FCanCustomize = value; }
    // The owner form's Color while AutoDockColor is on, else the stored colour.
    vcl::TColor GetDockColor() const;
    void SetDockColor(vcl::TColor value);
    bool GetFlatCloseButton() const { return FFlatCloseButton; }
    void SetFlatCloseButton(bool value);
    vcl::TFont* GetFont() const { return FFont.get(); }
    void SetFont(vcl::TFont* value);
    vcl::TBitmap* GetHelpButtonGlyph() const { return FHelpButtonGlyph.get(); }
    void SetHelpButtonGlyph(vcl::TBitmap* value);
    int32_t GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t value) { FHelpContext = value; }
    bool GetHideFloatingBarsWhenInactive() const { return FHideFloatingBarsWhenInactive; }
    void SetHideFloatingBarsWhenInactive(bool value) { FHideFloatingBarsWhenInactive = value; }
    vcl::TCustomImageList* GetImages() const { return FImages; }
    void SetImages(vcl::TCustomImageList* value);
    vcl::TCustomImageList* GetLargeImages() const { return FLargeImages; }
    void SetLargeImages(vcl::TCustomImageList* value);
    vcl::TCustomImageList* GetHotImages() const { return FHotImages; }
    void SetHotImages(vcl::TCustomImageList* value);
    vcl::TCustomImageList* GetDisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(vcl::TCustomImageList* value);
    vcl::TCustomImageList* GetDisabledLargeImages() const { return FDisabledLargeImages; }
    void SetDisabledLargeImages(vcl::TCustomImageList* value);
    vcl::TColor GetImageListBkColor() const { return FImageListBkColor; }
    void SetImageListBkColor(vcl::TColor value);
    std::string GetIniFileName() const { return FIniFileName; }
    void SetIniFileName(const std::string& value) { FIniFileName = value; }
    int32_t GetLargeButtonArrowWidth() const { return FLargeButtonArrowWidth; }
    void SetLargeButtonArrowWidth(int32_t value);
    bool GetLargeIcons() const { return FLargeIcons; }
    void SetLargeIcons(bool value);
    lookandfeel::TlkLookAndFeel* GetLookAndFeel() const { return FLookAndFeel; }
    void SetLookAndFeel(lookandfeel::TlkLookAndFeel* value);
    bool GetMakeDisabledImagesFaded() const { return FMakeDisabledImagesFaded; }
    void SetMakeDisabledImagesFaded(bool value);
    TxbBarMenuAnimations GetMenuAnimations() const { return FMenuAnimations; }
    void SetMenuAnimations(TxbBarMenuAnimations value);
    bool GetMenusShowRecentItemsFirst() const { return FMenusShowRecentItemsFirst; }
    void SetMenusShowRecentItemsFirst(bool value);
    uint8_t GetMostRecentItemsPercents() const { return FMostRecentItemsPercents; }
    void SetMostRecentItemsPercents(uint8_t value);
    TxbBarDockingStyles GetNotDocking() const { return FNotDocking; }
    void SetNotDocking(TxbBarDockingStyles value);
    std::string GetRegistryPath() const { return FRegistryPath; }
    void SetRegistryPath(const std::string& value) { FRegistryPath = value; }
    bool GetScaled() const { return FScaled; }
    void SetScaled(bool value);
    bool GetShowCloseButton() const { return FShowCloseButton; }
    void SetShowCloseButton(bool value);
    bool GetShowFullMenusAfterDelay() const { return FShowFullMenusAfterDelay; }
    void SetShowFullMenusAfterDelay(bool value);
    bool GetShowHelpButton() const { return FShowHelpButton; }
    void SetShowHelpButton(bool value) { FShowHelpButton = value; }
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool GetShowHintForDisabledItems() const { return FShowHintForDisabledItems; }
    void SetShowHintForDisabledItems(bool value) { FShowHintForDisabledItems = value; }
    bool GetShowShortCutInHint() const { return FShowShortCutInHint; }
    void SetShowShortCutInHint(bool value);
    bool GetStoreInIniFile() const { return FStoreInIniFile; }
    void SetStoreInIniFile(bool value) { FStoreInIniFile = value; }
    bool GetStoreInRegistry() const { return FStoreInRegistry; }
    void SetStoreInRegistry(bool value) { FStoreInRegistry = value; }
    bool GetStretchGlyphs() const { return FStretchGlyphs; }
    void SetStretchGlyphs(bool value) { FStretchGlyphs = value; }
    TxbBarManagerStyle GetStyle() const { return FStyle; }
    void SetStyle(TxbBarManagerStyle value);
    bool GetSunkenBorder() const { return FSunkenBorder; }
    void SetSunkenBorder(bool value);
    bool GetUseF10ForMenu() const { return FUseF10ForMenu; }
    void SetUseF10ForMenu(bool value) { FUseF10ForMenu = value; }
    bool GetUseFullReset() const { return FUseFullReset; }
    void SetUseFullReset(bool value) { FUseFullReset = value; }
    bool GetUseLargeImagesForLargeIcons() const { return FUseLargeImagesForLargeIcons; }
    void SetUseLargeImagesForLargeIcons(bool value);
    bool GetUseSystemFont() const { return FUseSystemFont; }
    void SetUseSystemFont(bool value);
    int32_t GetWaitForDockingTime() const { return FWaitForDockingTime; }
    void SetWaitForDockingTime(int32_t value);

private:
    void FontChanged(vcl::TObject* sender);
    void UpdateDockColors();
    // Every bar's window rebuilds (its dock lays it out again).
    void RebuildBarWindows();
    void ImageListChanged(vcl::TChangeLink* link);
    void SetImageList(vcl::TCustomImageList*& field, vcl::TChangeLink* link, vcl::TCustomImageList* value);
    bool AnyImageListLoading() const;
    void CreateBrushes();
    void ReleaseBrushes();
    void CreateThemeBrush();
    void ReleaseThemeBrush();
    void RefreshItemsUnderLock(const std::function<void(TxbBarItem*)>& refresh);

    // Run-time state.
    vcl::TCustomForm* FOwnerForm = nullptr;
    bool FConstructionRefused = false;
    bool FConstructionDone = false;
    bool FDesigning = false;
    bool FCustomizing = false;
    TxbBarItemControl* FCurrentItemControl = nullptr;
    TCustomxbBarControl* FKeyboardModeBar = nullptr;
    TxbBarItem* FDragItem = nullptr;
    TxbBarItemLink* FDragItemLink = nullptr;
    TxbBarItemControl* FSelectedItemControl = nullptr;
    bool FDetaching = false;
    std::unique_ptr<TxbBarPopupMenuLinks> FPopupMenuLinks;
    std::vector<TxbBarPopupMenu*> FPopupMenus;
    bool FFormActive = false;
    bool FInActivation = false;
    bool FShowingPendingBars = false;
    std::vector<TxbBar*> FPendingBars;
    bool FChanged = false;
    bool FRedrawLocked = false;
    bool FStyleChanging = false;
    bool FThemeActive = false;
    bool FTakingSystemFont = false;
    bool FLayingOutDocks = false;
    bool FRegistered = false;
    int32_t FReadStateCount = 0;
    int32_t FRecentItemMinCount = 0;
    TxbBarItemControlPainterClass FPainterClass = nullptr;
    std::vector<TxbBarItem*> FItems;
    std::unique_ptr<TxbBarManagerCategories> FCategories;
    std::unique_ptr<TxbBars> FBars;
    std::vector<TxbDockControl*> FDockControls;
    std::vector<TxbBarGroup*> FGroups;
    TxbBar* FMainMenuBar = nullptr;
    bool FRestoringBars = false;
    bool FDockUpdateLocked = false;

    // Cached metrics, brushes and the menu font.
    int32_t FGripIndent = 0, FGripSize = 0, FMenuSeparatorIndent = 0;
    int32_t FImageSize = 16, FButtonWidth = 0, FButtonHeight = 0, FArrowWidth = 0;
    win::HBRUSH FFlatBorderBrush = nullptr, FFlatFaceBrush = nullptr, FFlatCheckedBrush = nullptr,
                FFlatPressedBrush = nullptr, FFlatSelectedBrush = nullptr, FThemedBarBrush = nullptr;
    vcl::TColor FFlatSelectedColor = 0;
    win::HFONT FFontHandle = nullptr;
    bool FOffice11ColorsAcquired = false;
    std::unique_ptr<lookandfeel::TxbThemeChangedNotificator> FThemeNotificator;

    // Published settings.
    bool FAllowCallFromAnotherForm = false;
    bool FAllowReset = true;
    bool FAlwaysMerge = false;
    bool FAlwaysSaveText = false;
    bool FAutoDockColor = true;
    bool FAutoHideEmptyBars = false;
    std::unique_ptr<TxbBarBackgrounds> FBackgrounds;
    int32_t FButtonArrowWidth = 11;
    bool FCanCustomize = true;
    vcl::TColor FDockColor = vcl::clBtnFace;
    bool FFlatCloseButton = false;
    std::unique_ptr<vcl::TFont> FFont;
    std::unique_ptr<vcl::TBitmap> FHelpButtonGlyph;
    int32_t FHelpContext = 0;
    bool FHideFloatingBarsWhenInactive = true;
    vcl::TCustomImageList* FImages = nullptr;
    vcl::TCustomImageList* FLargeImages = nullptr;
    vcl::TCustomImageList* FHotImages = nullptr;
    vcl::TCustomImageList* FDisabledImages = nullptr;
    vcl::TCustomImageList* FDisabledLargeImages = nullptr;
    std::unique_ptr<vcl::TChangeLink> FImagesLink, FLargeImagesLink, FHotImagesLink, FDisabledImagesLink,
        FDisabledLargeImagesLink;
    vcl::TColor FImageListBkColor = vcl::clFuchsia;
    std::string FIniFileName;
    int32_t FLargeButtonArrowWidth = 13;
    bool FLargeIcons = false;
    lookandfeel::TlkLookAndFeel* FLookAndFeel = nullptr;
    bool FMakeDisabledImagesFaded = false;
    TxbBarMenuAnimations FMenuAnimations = maNone;
    bool FMenusShowRecentItemsFirst = true;
    uint8_t FMostRecentItemsPercents = 95;
    TxbBarDockingStyles FNotDocking;
    std::string FRegistryPath;
    bool FScaled = true;
    bool FShowCloseButton = false;
    bool FShowFullMenusAfterDelay = true;
    bool FShowHelpButton = false;
    bool FShowHint = true;
    bool FShowHintForDisabledItems = true;
    bool FShowShortCutInHint = false;
    bool FStoreInIniFile = false;
    bool FStoreInRegistry = false;
    bool FStretchGlyphs = true;
    TxbBarManagerStyle FStyle = bmsEnhanced;
    bool FSunkenBorder = false;
    bool FUseF10ForMenu = true;
    bool FUseFullReset = false;
    bool FUseLargeImagesForLargeIcons = false;
    bool FUseSystemFont = false;
    int32_t FWaitForDockingTime = 21;
};

// Holds the manager's redraw lock for one scope and then restores what it found, so an inner user's end
// does not release an outer lock.
class TxbBarRedrawLock {
public:
    explicit TxbBarRedrawLock(TxbBarManager* manager) : FManager(manager), FWas(manager->GetRedrawLocked()) {
        FManager->SetRedrawLocked(true);
    }
    ~TxbBarRedrawLock() { FManager->SetRedrawLocked(FWas); }
    TxbBarRedrawLock(const TxbBarRedrawLock&) = delete;
    TxbBarRedrawLock& operator=(const TxbBarRedrawLock&) = delete;

private:
    TxbBarManager* FManager;
    bool FWas;
};

// The manager registered for a form, or null.
TxbBarManager* GetBarManagerByForm(const vcl::TCustomForm* form);
// The manager's Modified, when there is a manager.
void NotifyManagerModified(TxbBarManager* manager);
// The class name without its first letter, followed by 1, 2, 3 ... until no item of the manager has that
// name (letter case ignored).
std::string MakeUniqueItemName(const TxbBarManager* manager, const std::string& itemClassName);
// Registers the manager's property table and its class for form resources.
void RegisterBarManagerTables();

} // namespace bars
