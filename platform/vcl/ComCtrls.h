// The common controls over the window system's classes: the report list view (TListView), the status bar,
// the progress bar, the track bar, the up-down control and the page control with its tab sheets.
#pragma once

#include "platform/vcl/Collection.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>
#include <vector>

namespace vcl {

// ---- List view ----

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TItemStateItem { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
using TItemStates = TSet<TItemStateItem>;
enum TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };
enum THitTestItem {
    htAbove,
    htBelow,
    htNowhere,
    htOnItem,
    htOnButton,
    htOnIcon,
    htOnIndent,
    htOnLabel,
    htOnRight,
    htOnStateIcon,
    htToLeft,
    htToRight
};
using THitTests = TSet<THitTestItem>;
enum TCustomDrawStateItem {
    cdsSelected,
    cdsGrayed,
    cdsDisabled,
    cdsChecked,
    cdsFocused,
    cdsDefault,
    cdsHot,
    cdsMarked,
    cdsIndeterminate
};
using TCustomDrawState = TSet<TCustomDrawStateItem>;

class TCustomListView;
class TListItems;

class TListColumn : public TCollectionItem {
public:
    explicit TListColumn(TCollection* collection);
    std::string GetCaption() const { return FCaption; }
    void SetCaption(const std::string& value);
    int32_t GetWidth() const;
    void SetWidth(int32_t value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t value);
    void Assign(TPersistent* source) override;
    std::string GetDisplayName() override { return FCaption; }

private:
    friend class TCustomListView;
    TCustomListView* ListView() const;
    std::string FCaption;
    int32_t FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    int32_t FImageIndex = -1;
};

class TListColumns : public TCollection {
public:
    explicit TListColumns(TCustomListView* owner);
    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TListColumn* GetItem(int32_t index) const {
        return static_cast<TListColumn*>(TCollection::GetItem(index));
    }
    TCustomListView* GetOwnerView() const { return FView; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TCustomListView* FView;
};

class TListItem : public TPersistent {
public:
    explicit TListItem(TListItems* owner);
    ~TListItem() override;

    std::string GetCaption() const { return FCaption; }
    void SetCaption(const std::string& value);
    // The texts of the other columns; changing them repaints the row.
    TStrings* GetSubItems() const { return FSubItems.get(); }
    void SetSubItems(TStrings* value) { FSubItems->Assign(value); }
    void* GetData() const { return FData; }
    void SetData(void* value) { FData = value; }
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t value);
    bool GetSelected() const;
    void SetSelected(bool value);
    bool GetFocused() const;
    void SetFocused(bool value);
    bool GetChecked() const;
    void SetChecked(bool value);
    int32_t GetIndex() const;
    TListItems* GetOwner() const { return FOwner; }
    TCustomListView* GetListView() const;
    TRect DisplayRect(TDisplayCode code) const;
    void MakeVisible(bool partialOk);
    // Starts editing the caption in place (the list view's CanEdit decides); false when it did not start.
    bool EditCaption();
    void Update();
    void Delete();
    void Assign(TPersistent* source) override;

private:
    friend class TListItems;
    friend class TCustomListView;
    bool State(win::UINT mask) const;
    void SetState(win::UINT mask, win::UINT value);
    void PushSubItems();
    TListItems* FOwner;
    std::string FCaption;
    std::unique_ptr<TStringList> FSubItems;
    void* FData = nullptr;
    int32_t FImageIndex = -1;
    win::UINT FState = 0; // kept while the list view has no window
    bool FDeleting = false;
};

class TListItems : public TPersistent {
public:
    explicit TListItems(TCustomListView* owner) : FOwner(owner) {}
    ~TListItems() override;
    TListItem* Add();
    TListItem* Insert(int32_t index);
    void Delete(int32_t index);
    void Clear();
    int32_t GetCount() const { return int32_t(FItems.size()); }
    int32_t Count() const { return GetCount(); }
    TListItem* GetItem(int32_t index) const;
    int32_t IndexOf(const TListItem* item) const;
    void BeginUpdate();
    void EndUpdate();
    TCustomListView* GetOwnerView() const { return FOwner; }
    void Assign(TPersistent* source) override;

private:
    friend class TListItem;
    friend class TCustomListView;
    void InsertNative(TListItem* item, int32_t index);
    TCustomListView* FOwner;
    std::vector<TListItem*> FItems;
    int32_t FUpdateCount = 0;
};

using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent =
    std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int32_t Data, int32_t& Compare)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
// The edited caption S, which the handler may change before the item takes it.
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVCompare = std::function<int32_t(TListItem* a, TListItem* b, int32_t data)>;

class TCustomListView : public TWinControl {
public:
    explicit TCustomListView(TComponent* owner);
    ~TCustomListView() override;

    TViewStyle GetViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle value);
    TListColumns* GetColumns() const { return FColumns.get(); }
    TListColumn* Column(int32_t index) const { return FColumns->GetItem(index); }
    TListItems* GetItems() const { return FItems.get(); }
    // The first selected item; setting one selects only it (null clears the selection).
    TListItem* GetSelected() const;
    void SetSelected(TListItem* value);
    TListItem* GetItemFocused() const;
    void SetItemFocused(TListItem* value);
    int32_t GetSelCount() const;
    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    // A read-only list never edits its captions in place.
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // Whether a caption is being edited in place.
    bool IsEditing();
    bool GetRowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);
    bool GetCheckboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool value);
    bool GetGridLines() const { return FGridLines; }
    void SetGridLines(bool value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    bool GetShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool value);
    bool GetColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool value);
    TCustomImageList* GetSmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* value);
    TCanvas* GetCanvas() const { return FCanvas.get(); }
    TListItem* GetTopItem();
    int32_t GetVisibleRowCount();

    // The next item from start (null: from the first) in a direction with all the states.
    TListItem* GetNextItem(TListItem* start, TSearchDirection direction, TItemStates states);
    TListItem* GetItemAt(int32_t x, int32_t y);
    THitTests GetHitTestInfoAt(int32_t x, int32_t y);
    void SelectAll();
    void ClearSelection();
    // Sorts by caption (OnCompare when assigned).
    bool AlphaSort();
    bool CustomSort(TLVCompare compare, int32_t data);
    void Scroll(int32_t dx, int32_t dy);
    void Clear() { FItems->Clear(); }
    void UpdateItems(int32_t first, int32_t last);

    TLVSelectItemEvent OnSelectItem;
    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVColumnClickEvent OnColumnClick;
    TLVDeletedEvent OnDeletion;
    TLVCompareEvent OnCompare;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;

    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TListItem;
    friend class TListItems;
    friend class TListColumn;
    friend class TListColumns;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void ColClick(TListColumn* column);
    virtual bool CanEdit(TListItem* item);
    // The caption edited in place: OnEdited may change it, then the item takes it.
    virtual void Edit(TListItem* item, std::string& caption);
    virtual void Change(TListItem* item, TItemChange change);
    virtual void Delete(TListItem* item);
    virtual bool CustomDrawItem(TListItem* item, TCustomDrawState state);
    void UpdateColumn(int32_t index);
    void UpdateColumns();
    void ApplyExtendedStyle();
    TListItem* ItemOfNative(int32_t index) const;
    win::LRESULT HandleNotify(win::NMHDR* hdr);

    std::unique_ptr<TListColumns> FColumns;
    std::unique_ptr<TListItems> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    std::unique_ptr<TChangeLink> FImageLink;
    TViewStyle FViewStyle = vsIcon;
    bool FMultiSelect = false;
    bool FReadOnly = false;
    bool FRowSelect = false;
    bool FCheckboxes = false;
    bool FGridLines = false;
    bool FHideSelection = true;
    bool FShowColumnHeaders = true;
    bool FColumnClick = true;
    TCustomImageList* FSmallImages = nullptr;
    bool FRecreating = false;
};

class TListView : public TCustomListView {
public:
    explicit TListView(TComponent* owner) : TCustomListView(owner) {}
};

// ---- Status bar ----

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
class TStatusBar;

class TStatusPanel : public TCollectionItem {
public:
    explicit TStatusPanel(TCollection* collection);
    std::string GetText() const { return FText; }
    void SetText(const std::string& value);
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t value);
    TStatusPanelStyle GetStyle() const { return FStyle; }
    void SetStyle(TStatusPanelStyle value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel GetBevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel value);
    void Assign(TPersistent* source) override;

private:
    std::string FText;
    int32_t FWidth = 50;
    TStatusPanelStyle FStyle = psText;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels : public TCollection {
public:
    explicit TStatusPanels(TStatusBar* owner);
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* GetItem(int32_t index) const {
        return static_cast<TStatusPanel*>(TCollection::GetItem(index));
    }

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* FBar;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;
    TStatusPanels* GetPanels() const { return FPanels.get(); }
    bool GetSimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool value);
    std::string GetSimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& value);
    bool GetSizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool value);
    TCanvas* GetCanvas() const { return FCanvas.get(); }
    // Puts every panel's width, text and style into the window.
    void UpdatePanels();
    void UpdatePanel(int32_t index);
    TDrawPanelEvent OnDrawPanel;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);

private:
    std::unique_ptr<TStatusPanels> FPanels;
    std::unique_ptr<TControlCanvas> FCanvas;
    bool FSimplePanel = false;
    std::string FSimpleText;
    bool FSizeGrip = true;
};

// ---- Progress bar ----

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t value);
    int32_t GetPosition() const;
    void SetPosition(int32_t value);
    int32_t GetStep() const { return FStep; }
    void SetStep(int32_t value);
    bool GetSmooth() const { return FSmooth; }
    void SetSmooth(bool value);
    TProgressBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation value);
    void StepIt();
    void StepBy(int32_t delta);
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int32_t FMin = 0;
    int32_t FMax = 100;
    int32_t FPosition = 0;
    int32_t FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};

// ---- Track bar ----

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);
    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t value);
    int32_t GetPosition() const;
    // Set by code: no OnChange.
    void SetPosition(int32_t value);
    int32_t GetFrequency() const { return FFrequency; }
    void SetFrequency(int32_t value);
    int32_t GetPageSize() const { return FPageSize; }
    void SetPageSize(int32_t value);
    int32_t GetLineSize() const { return FLineSize; }
    void SetLineSize(int32_t value);
    int32_t GetThumbLength() const { return FThumbLength; }
    void SetThumbLength(int32_t value);
    TTrackBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation value);
    TTickStyle GetTickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle value);
    TNotifyEvent OnChange;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Changed();

private:
    int32_t FMin = 0;
    int32_t FMax = 10;
    int32_t FPosition = 0;
    int32_t FFrequency = 1;
    int32_t FPageSize = 2;
    int32_t FLineSize = 1;
    int32_t FThumbLength = 20;
    TTrackBarOrientation FOrientation = trHorizontal;
    TTickStyle FTickStyle = tsAuto;
};

// ---- Up-down ----

enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TWinControl {
public:
    explicit TUpDown(TComponent* owner);
    ~TUpDown() override;
    // The control (an edit) that shows the position and that the up-down sits beside.
    TWinControl* GetAssociate() const { return FAssociate; }
    void SetAssociate(TWinControl* value);
    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t value);
    int32_t GetPosition();
    void SetPosition(int32_t value);
    int32_t GetIncrement() const { return FIncrement; }
    void SetIncrement(int32_t value) { FIncrement = value == 0 ? 1 : value; }
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool value);
    bool GetThousands() const { return FThousands; }
    void SetThousands(bool value);
    bool GetArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool value);
    TUDAlignButton GetAlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton value);
    TUDOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation value);
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Click(TUDBtnType button);
    virtual bool CanChange();

private:
    TWinControl* FAssociate = nullptr;
    int32_t FMin = 0;
    int32_t FMax = 100;
    int32_t FPosition = 0;
    int32_t FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
    bool FArrowKeys = true;
    TUDAlignButton FAlignButton = udRight;
    TUDOrientation FOrientation = udVertical;
};

// The version of the common controls, major in the high 16 bits and minor in the low (0x00060000 for 6.0),
// from the file version of "comctl32.dll"'s version resource; 0 when it has none.
int32_t GetComCtlVersion();

// ---- Page control ----

enum TTabPosition { tpTop, tpBottom };
using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
class TPageControl;

// One page of a page control: a container shown while it is the active page. Its caption is its tab's text;
// a page whose TabVisible is false has no tab but stays a page (Ctrl+Tab passes it by).
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* GetPageControl() const { return FPageControl; }
    // Makes the page the last of value's pages (its parent too); null takes it out of its page control.
    void SetPageControl(TPageControl* value);
    // The position among all the page control's pages, hidden tabs included; -1 without a page control.
    int32_t GetPageIndex() const;
    // Moves the page; raises EListError outside 0 .. the last index.
    void SetPageIndex(int32_t value);
    // The position of its tab among the visible tabs; -1 when its tab is hidden.
    int32_t GetTabIndex() const;
    bool GetTabVisible() const { return FTabVisible; }
    void SetTabVisible(bool value);

    // A page placed on a page control joins its pages (so a page read from a layout joins its parent).
    void SetParent(TWinControl* value) override;
    void Dispatch(TMessage& message) override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

// Pages on a tab control: the tab of every page whose TabVisible is set, and the active page shown in the
// display area. A click on a tab, Left/Right on the focused tabs, Ctrl+Tab and Ctrl+Shift+Tab (while the
// focus is inside) ask OnChanging, then show the page and fire OnChange; ActivePage set by code fires
// neither, nor does loading a layout.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int32_t GetPageCount() const { return int32_t(FPages.size()); }
    TTabSheet* GetPage(int32_t index) const { return FPages.at(size_t(index)); }
    TTabSheet* GetActivePage() const { return FActivePage; }
    // Shows the page (one of this control's, or null for none) and hides the one shown before.
    void SetActivePage(TTabSheet* value);
    int32_t GetActivePageIndex() const;
    void SetActivePageIndex(int32_t value);
    TTabPosition GetTabPosition() const { return FTabPosition; }
    void SetTabPosition(TTabPosition value);
    // The selected tab among the visible ones; -1 when the active page has no tab (or there is none).
    int32_t GetTabIndex() const;
    // The page after (or before) current, going round, whose tab is visible when checkTabVisible; current
    // itself comes last. Null when no page qualifies.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    // Moves to the next (or previous) page with a visible tab, asking OnChanging and firing OnChange.
    void SelectNextPage(bool goForward);

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void AdjustClientRect(TRect& rect) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void Loaded() override;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual bool CanChange();
    virtual void Change();

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    // Puts the visible pages' tabs into the window and selects the active page's.
    void UpdateTabs();
    void ShowPage(TTabSheet* page);
    TTabSheet* PageOfTab(int32_t tabIndex) const;
    // A choice of the user's: OnChanging may refuse it; OnChange follows.
    void ChangeByUser(TTabSheet* page);

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    TTabPosition FTabPosition = tpTop;
};

} // namespace vcl
