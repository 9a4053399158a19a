#include "platform/vcl/ComCtrls.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cctype>

namespace vcl {

namespace {

// Check box states of list view items are state images 1 (clear) and 2 (checked).
constexpr win::UINT ComCtrlsUnchecked = win::INDEXTOSTATEIMAGEMASK(1);
constexpr win::UINT ComCtrlsChecked = win::INDEXTOSTATEIMAGEMASK(2);

int ComCtrlsFormat(TAlignment a) {
    return a == taRightJustify ? win::LVCFMT_RIGHT : a == taCenter ? win::LVCFMT_CENTER : win::LVCFMT_LEFT;
}

struct ComCtrlsSortContext {
    const TLVCompare* Compare;
    int32_t Data;
};

int ComCtrlsSortProc(win::LPARAM a, win::LPARAM b, win::LPARAM context) {
    auto* c = reinterpret_cast<ComCtrlsSortContext*>(context);
    return (*c->Compare)(reinterpret_cast<TListItem*>(a), reinterpret_cast<TListItem*>(b), c->Data);
}

int32_t ComCtrlsCompareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(uint8_t(a[i])), cb = std::tolower(uint8_t(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return int32_t(a.size()) - int32_t(b.size());
}

// Makes a wrapper's window with its font.
template <class F> void ComCtrlsCreateWnd(TWinControl* control, F&& baseCreateWnd) {
    RegisterButtonClass();
    baseCreateWnd();
    win::HWND h = control->GetHandle();
    win::SendMessage(h, win::WM_SETFONT, reinterpret_cast<win::WPARAM>(control->GetFont()->GetHandle()), 0);
}

} // namespace

// ---- TListColumn ---------------------------------------------------------------------------------------

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

TCustomListView* TListColumn::ListView() const {
    auto* columns = dynamic_cast<TListColumns*>(GetCollection());
    return columns ? columns->GetOwnerView() : nullptr;
}

void TListColumn::SetCaption(const std::string& value) {
    if (SetIfChanged(FCaption, value))
        Changed(false);
}

int32_t TListColumn::GetWidth() const {
    TCustomListView* view = ListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0)
        return int32_t(
            win::SendMessage(view->GetHandle(), win::LVM_GETCOLUMNWIDTH, win::WPARAM(GetIndex()), 0));
    return FWidth;
}

void TListColumn::SetWidth(int32_t value) {
    FWidth = value;
    Changed(false);
}

void TListColumn::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        Changed(false);
}

void TListColumn::SetImageIndex(int32_t value) {
    if (SetIfChanged(FImageIndex, value))
        Changed(false);
}

void TListColumn::Assign(TPersistent* source) {
    auto* c = dynamic_cast<TListColumn*>(source);
    if (!c) {
        TCollectionItem::Assign(source);
        return;
    }
    FCaption = c->FCaption;
    FWidth = c->GetWidth();
    FAlignment = c->FAlignment;
    FImageIndex = c->FImageIndex;
    Changed(false);
}

TListColumns::TListColumns(TCustomListView* owner)
    : TCollection(CollectionItemClassOf<TListColumn>(), owner), FView(owner) {
    SetPropName("Columns");
}

void TListColumns::Update(TCollectionItem* item) {
    if (!FView)
        return;
    if (item)
        FView->UpdateColumn(item->GetIndex());
    else
        FView->UpdateColumns();
}

// ---- TListItem -----------------------------------------------------------------------------------------

TListItem::TListItem(TListItems* owner) : FOwner(owner), FSubItems(std::make_unique<TStringList>()) {
    FSubItems->SetOnChange([this](TObject*) { PushSubItems(); });
}

TListItem::~TListItem() {
    FSubItems->SetOnChange(nullptr);
}

TCustomListView* TListItem::GetListView() const {
    return FOwner ? FOwner->FOwner : nullptr;
}

int32_t TListItem::GetIndex() const {
    return FOwner ? FOwner->IndexOf(this) : -1;
}

bool TListItem::State(win::UINT mask) const {
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0)
        return win::SendMessage(view->GetHandle(), win::LVM_GETITEMSTATE, win::WPARAM(GetIndex()), mask) ==
               win::LRESULT(mask == win::LVIS_STATEIMAGEMASK ? ComCtrlsChecked : mask);
    if (mask == win::LVIS_STATEIMAGEMASK)
        return (FState & mask) == ComCtrlsChecked;
    return (FState & mask) != 0;
}

void TListItem::SetState(win::UINT mask, win::UINT value) {
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0) {
        win::LVITEM item;
        item.stateMask = mask;
        item.state = value;
        win::SendMessage(view->GetHandle(), win::LVM_SETITEMSTATE, win::WPARAM(GetIndex()),
                         reinterpret_cast<win::LPARAM>(&item));
        return;
    }
    FState = (FState & ~mask) | (value & mask);
}

bool TListItem::GetSelected() const {
    return State(win::LVIS_SELECTED);
}
void TListItem::SetSelected(bool value) {
    SetState(win::LVIS_SELECTED, value ? win::LVIS_SELECTED : 0);
}
bool TListItem::GetFocused() const {
    return State(win::LVIS_FOCUSED);
}
void TListItem::SetFocused(bool value) {
    SetState(win::LVIS_FOCUSED, value ? win::LVIS_FOCUSED : 0);
}
bool TListItem::GetChecked() const {
    return State(win::LVIS_STATEIMAGEMASK);
}
void TListItem::SetChecked(bool value) {
    SetState(win::LVIS_STATEIMAGEMASK, value ? ComCtrlsChecked : ComCtrlsUnchecked);
}

void TListItem::SetCaption(const std::string& value) {
    if (!SetIfChanged(FCaption, value))
        return;
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0) {
        win::LVITEM item;
        item.iSubItem = 0;
        std::string text = value;
        item.pszText = text.data();
        win::SendMessage(view->GetHandle(), win::LVM_SETITEMTEXT, win::WPARAM(GetIndex()),
                         reinterpret_cast<win::LPARAM>(&item));
    }
}

void TListItem::SetImageIndex(int32_t value) {
    if (!SetIfChanged(FImageIndex, value))
        return;
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0) {
        win::LVITEM item;
        item.mask = win::LVIF_IMAGE;
        item.iItem = GetIndex();
        item.iImage = value;
        win::SendMessage(view->GetHandle(), win::LVM_SETITEM, 0, reinterpret_cast<win::LPARAM>(&item));
    }
}

void TListItem::PushSubItems() {
    TCustomListView* view = GetListView();
    if (!view || !view->HandleAllocated() || GetIndex() < 0)
        return;
    int32_t columns = std::max(view->GetColumns()->GetCount() - 1, FSubItems->GetCount());
    for (int32_t i = 0; i < columns; ++i) {
        std::string text = i < FSubItems->GetCount() ? FSubItems->Get(i) : std::string();
        win::LVITEM item;
        item.iSubItem = i + 1;
        item.pszText = text.data();
        win::SendMessage(view->GetHandle(), win::LVM_SETITEMTEXT, win::WPARAM(GetIndex()),
                         reinterpret_cast<win::LPARAM>(&item));
    }
}

TRect TListItem::DisplayRect(TDisplayCode code) const {
    TCustomListView* view = GetListView();
    TRect r{0, 0, 0, 0};
    if (!view || GetIndex() < 0)
        return r;
    r.Left = code == drIcon           ? win::LVIR_ICON
             : code == drLabel        ? win::LVIR_LABEL
             : code == drSelectBounds ? win::LVIR_SELECTBOUNDS
                                      : win::LVIR_BOUNDS;
    win::SendMessage(view->GetHandle(), win::LVM_GETITEMRECT, win::WPARAM(GetIndex()),
                     reinterpret_cast<win::LPARAM>(&r));
    return r;
}

void TListItem::MakeVisible(bool partialOk) {
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0)
        win::SendMessage(view->GetHandle(), win::LVM_ENSUREVISIBLE, win::WPARAM(GetIndex()), partialOk);
}

bool TListItem::EditCaption() {
    TCustomListView* view = GetListView();
    if (!view || GetIndex() < 0)
        return false;
    return win::SendMessage(view->GetHandle(), win::LVM_EDITLABEL, win::WPARAM(GetIndex()), 0) != 0;
}

void TListItem::Update() {
    TCustomListView* view = GetListView();
    if (view && view->HandleAllocated() && GetIndex() >= 0)
        win::SendMessage(view->GetHandle(), win::LVM_UPDATE, win::WPARAM(GetIndex()), 0);
}

void TListItem::Delete() {
    if (FOwner && !FDeleting)
        FOwner->Delete(GetIndex());
}

void TListItem::Assign(TPersistent* source) {
    auto* item = dynamic_cast<TListItem*>(source);
    if (!item) {
        TPersistent::Assign(source);
        return;
    }
    SetCaption(item->FCaption);
    SetImageIndex(item->FImageIndex);
    FData = item->FData;
    FSubItems->Assign(item->FSubItems.get());
}

// ---- TListItems ----------------------------------------------------------------------------------------

TListItems::~TListItems() {
    for (TListItem* item : FItems)
        delete item;
}

TListItem* TListItems::GetItem(int32_t index) const {
    if (index < 0 || index >= GetCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[size_t(index)];
}

int32_t TListItems::IndexOf(const TListItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

void TListItems::InsertNative(TListItem* item, int32_t index) {
    TCustomListView* view = FOwner;
    if (!view->HandleAllocated())
        return;
    win::LVITEM lv;
    lv.mask = win::LVIF_TEXT | win::LVIF_IMAGE | win::LVIF_PARAM | win::LVIF_STATE;
    lv.iItem = index;
    std::string text = item->FCaption;
    lv.pszText = text.data();
    lv.iImage = item->FImageIndex;
    lv.lParam = reinterpret_cast<win::LPARAM>(item);
    lv.stateMask = win::LVIS_STATEIMAGEMASK | win::LVIS_SELECTED | win::LVIS_FOCUSED;
    lv.state = item->FState;
    if (view->FCheckboxes && !(lv.state & win::LVIS_STATEIMAGEMASK))
        lv.state |= ComCtrlsUnchecked;
    win::SendMessage(view->GetHandle(), win::LVM_INSERTITEM, 0, reinterpret_cast<win::LPARAM>(&lv));
    item->PushSubItems();
}

TListItem* TListItems::Insert(int32_t index) {
    if (index < 0 || index > GetCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    auto* item = new TListItem(this);
    FItems.insert(FItems.begin() + index, item);
    InsertNative(item, index);
    return item;
}

TListItem* TListItems::Add() {
    return Insert(GetCount());
}

void TListItems::Delete(int32_t index) {
    TListItem* item = GetItem(index);
    item->FDeleting = true;
    FOwner->Delete(item);
    index = IndexOf(item); // a handler may have moved things
    if (index < 0)
        return;
    FItems.erase(FItems.begin() + index);
    if (FOwner->HandleAllocated())
        win::SendMessage(FOwner->GetHandle(), win::LVM_DELETEITEM, win::WPARAM(index), 0);
    delete item;
}

void TListItems::Clear() {
    BeginUpdate();
    std::vector<TListItem*> items = FItems;
    for (TListItem* item : items) {
        item->FDeleting = true;
        FOwner->Delete(item);
    }
    FItems.clear();
    if (FOwner->HandleAllocated())
        win::SendMessage(FOwner->GetHandle(), win::LVM_DELETEALLITEMS, 0, 0);
    for (TListItem* item : items)
        delete item;
    EndUpdate();
}

void TListItems::BeginUpdate() {
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated())
        win::SendMessage(FOwner->GetHandle(), win::WM_SETREDRAW, 0, 0);
}

void TListItems::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
        win::SendMessage(FOwner->GetHandle(), win::WM_SETREDRAW, 1, 0);
        FOwner->Invalidate();
    }
}

void TListItems::Assign(TPersistent* source) {
    auto* items = dynamic_cast<TListItems*>(source);
    if (!items) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    Clear();
    for (TListItem* item : items->FItems)
        Add()->Assign(item);
    EndUpdate();
}

// ---- TCustomListView -----------------------------------------------------------------------------------

TCustomListView::TCustomListView(TComponent* owner)
    : TWinControl(owner), FColumns(std::make_unique<TListColumns>(this)),
      FItems(std::make_unique<TListItems>(this)), FCanvas(std::make_unique<TControlCanvas>()),
      FImageLink(std::make_unique<TChangeLink>()) {
    FCanvas->SetControl(this);
    FControlStyle.Exclude(csCaptureMouse);
    FControlStyle.Include(csDisplayDragImage);
    FControlStyle.Include(csReflector);
    FImageLink->OnChange = [this](TObject*) { Invalidate(); };
    FWidth = 250;
    FHeight = 150;
    FTabStop = true;
    FColor = clWindow;
}

TCustomListView::~TCustomListView() {
    if (FSmallImages)
        FSmallImages->UnRegisterChanges(FImageLink.get());
    // The items go without telling anyone: the control is gone.
    FItems.reset();
}

void TCustomListView::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_LISTVIEW;
    static const win::DWORD styles[] = {win::LVS_ICON, win::LVS_SMALLICON, win::LVS_LIST, win::LVS_REPORT};
    p.Style |= styles[FViewStyle] | win::LVS_SHAREIMAGELISTS;
    if (!FMultiSelect)
        p.Style |= win::LVS_SINGLESEL;
    if (!FHideSelection)
        p.Style |= win::LVS_SHOWSELALWAYS;
    if (!FShowColumnHeaders)
        p.Style |= win::LVS_NOCOLUMNHEADER;
    if (!FColumnClick)
        p.Style |= win::LVS_NOSORTHEADER;
    if (!FReadOnly)
        p.Style |= win::LVS_EDITLABELS;
    p.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TCustomListView::SetReadOnly(bool value) {
    if (SetIfChanged(FReadOnly, value))
        RecreateWnd();
}

bool TCustomListView::IsEditing() {
    return HandleAllocated() && win::SendMessage(FHandle, win::LVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomListView::ApplyExtendedStyle() {
    if (!HandleAllocated())
        return;
    win::DWORD ex = (FCheckboxes ? win::LVS_EX_CHECKBOXES : 0) |
                    (FRowSelect ? win::LVS_EX_FULLROWSELECT : 0) | (FGridLines ? win::LVS_EX_GRIDLINES : 0);
    win::SendMessage(FHandle, win::LVM_SETEXTENDEDLISTVIEWSTYLE,
                     win::LVS_EX_CHECKBOXES | win::LVS_EX_FULLROWSELECT | win::LVS_EX_GRIDLINES, ex);
}

void TCustomListView::CreateWnd() {
    FRecreating = true;
    ComCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    win::SendMessage(FHandle, win::LVM_SETBKCOLOR, 0, win::LPARAM(ColorToRGB(FColor)));
    win::SendMessage(FHandle, win::LVM_SETTEXTBKCOLOR, 0, win::LPARAM(ColorToRGB(FColor)));
    win::SendMessage(FHandle, win::LVM_SETTEXTCOLOR, 0, win::LPARAM(ColorToRGB(FFont->GetColor())));
    ApplyExtendedStyle();
    if (FSmallImages)
        win::SendMessage(FHandle, win::LVM_SETIMAGELIST, win::LVSIL_SMALL,
                         reinterpret_cast<win::LPARAM>(FSmallImages->GetHandle()));
    UpdateColumns();
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        FItems->InsertNative(FItems->GetItem(i), i);
    FRecreating = false;
}

void TCustomListView::DestroyWnd() {
    if (FHandle) {
        // The window's states and column widths stay with the objects.
        for (int32_t i = 0; i < FColumns->GetCount(); ++i)
            Column(i)->FWidth = Column(i)->GetWidth();
        for (int32_t i = 0; i < FItems->GetCount(); ++i)
            FItems->GetItem(i)->FState = win::UINT(
                win::SendMessage(FHandle, win::LVM_GETITEMSTATE, win::WPARAM(i),
                                 win::LVIS_SELECTED | win::LVIS_FOCUSED | win::LVIS_STATEIMAGEMASK));
    }
    TWinControl::DestroyWnd();
}

void TCustomListView::UpdateColumn(int32_t index) {
    if (!HandleAllocated() || index < 0 || index >= FColumns->GetCount())
        return;
    TListColumn* c = Column(index);
    win::LVCOLUMN lc;
    lc.mask = win::LVCF_TEXT | win::LVCF_WIDTH | win::LVCF_FMT;
    std::string text = c->FCaption;
    lc.pszText = text.data();
    lc.cx = c->FWidth;
    lc.fmt = ComCtrlsFormat(c->FAlignment);
    if (c->FImageIndex >= 0) {
        lc.mask |= win::LVCF_IMAGE;
        lc.iImage = c->FImageIndex;
        lc.fmt |= win::LVCFMT_IMAGE;
    }
    win::SendMessage(FHandle, win::LVM_SETCOLUMN, win::WPARAM(index), reinterpret_cast<win::LPARAM>(&lc));
}

void TCustomListView::UpdateColumns() {
    if (!HandleAllocated())
        return;
    // Rebuilt from the collection: remove what the window has, then insert every column.
    while (win::SendMessage(FHandle, win::LVM_DELETECOLUMN, 0, 0)) {
    }
    for (int32_t i = 0; i < FColumns->GetCount(); ++i) {
        TListColumn* c = Column(i);
        win::LVCOLUMN lc;
        lc.mask = win::LVCF_TEXT | win::LVCF_WIDTH | win::LVCF_FMT;
        std::string text = c->FCaption;
        lc.pszText = text.data();
        lc.cx = c->FWidth;
        lc.fmt = ComCtrlsFormat(c->FAlignment);
        win::SendMessage(FHandle, win::LVM_INSERTCOLUMN, win::WPARAM(i), reinterpret_cast<win::LPARAM>(&lc));
    }
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        FItems->GetItem(i)->PushSubItems();
}

void TCustomListView::SetViewStyle(TViewStyle value) {
    if (SetIfChanged(FViewStyle, value))
        RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool value) {
    if (SetIfChanged(FMultiSelect, value))
        RecreateWnd();
}

void TCustomListView::SetRowSelect(bool value) {
    if (SetIfChanged(FRowSelect, value))
        ApplyExtendedStyle();
}

void TCustomListView::SetCheckboxes(bool value) {
    if (SetIfChanged(FCheckboxes, value))
        ApplyExtendedStyle();
}

void TCustomListView::SetGridLines(bool value) {
    if (SetIfChanged(FGridLines, value))
        ApplyExtendedStyle();
}

void TCustomListView::SetHideSelection(bool value) {
    if (SetIfChanged(FHideSelection, value))
        RecreateWnd();
}

void TCustomListView::SetShowColumnHeaders(bool value) {
    if (SetIfChanged(FShowColumnHeaders, value))
        RecreateWnd();
}

void TCustomListView::SetColumnClick(bool value) {
    if (SetIfChanged(FColumnClick, value))
        RecreateWnd();
}

void TCustomListView::SetSmallImages(TCustomImageList* value) {
    if (value == FSmallImages)
        return;
    if (FSmallImages) {
        FSmallImages->UnRegisterChanges(FImageLink.get());
        FSmallImages->RemoveFreeNotification(this);
    }
    FSmallImages = value;
    if (value) {
        value->RegisterChanges(FImageLink.get());
        value->FreeNotification(this);
    }
    if (HandleAllocated())
        win::SendMessage(FHandle, win::LVM_SETIMAGELIST, win::LVSIL_SMALL,
                         reinterpret_cast<win::LPARAM>(value ? value->GetHandle() : nullptr));
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FSmallImages) {
        FSmallImages = nullptr;
        if (HandleAllocated())
            win::SendMessage(FHandle, win::LVM_SETIMAGELIST, win::LVSIL_SMALL, 0);
    }
}

TListItem* TCustomListView::ItemOfNative(int32_t index) const {
    return index >= 0 && index < FItems->GetCount() ? FItems->GetItem(index) : nullptr;
}

TListItem* TCustomListView::GetSelected() const {
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        if (FItems->GetItem(i)->GetSelected())
            return FItems->GetItem(i);
    return nullptr;
}

void TCustomListView::SetSelected(TListItem* value) {
    for (int32_t i = 0; i < FItems->GetCount(); ++i) {
        TListItem* item = FItems->GetItem(i);
        if (item != value && item->GetSelected())
            item->SetSelected(false);
    }
    if (value) {
        value->SetSelected(true);
        value->SetFocused(true);
    }
}

TListItem* TCustomListView::GetItemFocused() const {
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        if (FItems->GetItem(i)->GetFocused())
            return FItems->GetItem(i);
    return nullptr;
}

void TCustomListView::SetItemFocused(TListItem* value) {
    if (value)
        value->SetFocused(true);
    else if (TListItem* f = GetItemFocused())
        f->SetFocused(false);
}

int32_t TCustomListView::GetSelCount() const {
    if (HandleAllocated())
        return int32_t(win::SendMessage(FHandle, win::LVM_GETSELECTEDCOUNT, 0, 0));
    int32_t n = 0;
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        n += FItems->GetItem(i)->GetSelected() ? 1 : 0;
    return n;
}

TListItem* TCustomListView::GetTopItem() {
    if (!HandleAllocated())
        return ItemOfNative(0);
    return ItemOfNative(int32_t(win::SendMessage(FHandle, win::LVM_GETTOPINDEX, 0, 0)));
}

int32_t TCustomListView::GetVisibleRowCount() {
    HandleNeeded();
    return int32_t(win::SendMessage(FHandle, win::LVM_GETCOUNTPERPAGE, 0, 0));
}

TListItem* TCustomListView::GetNextItem(TListItem* start, TSearchDirection direction, TItemStates states) {
    int32_t count = FItems->GetCount();
    int32_t from = start ? start->GetIndex() : -1;
    bool up = direction == sdAbove || direction == sdLeft;
    for (int32_t i = up ? from - 1 : from + 1; i >= 0 && i < count; i += up ? -1 : 1) {
        TListItem* item = FItems->GetItem(i);
        if (states.Contains(isSelected) && !item->GetSelected())
            continue;
        if (states.Contains(isFocused) && !item->GetFocused())
            continue;
        return item;
    }
    return nullptr;
}

TListItem* TCustomListView::GetItemAt(int32_t x, int32_t y) {
    HandleNeeded();
    win::LVHITTESTINFO info;
    info.pt = {x, y};
    win::SendMessage(FHandle, win::LVM_HITTEST, 0, reinterpret_cast<win::LPARAM>(&info));
    return ItemOfNative(info.iItem);
}

THitTests TCustomListView::GetHitTestInfoAt(int32_t x, int32_t y) {
    HandleNeeded();
    win::LVHITTESTINFO info;
    info.pt = {x, y};
    win::SendMessage(FHandle, win::LVM_HITTEST, 0, reinterpret_cast<win::LPARAM>(&info));
    THitTests r;
    if (info.flags & win::LVHT_NOWHERE)
        r.Include(htNowhere);
    if (info.flags & win::LVHT_ONITEMICON)
        r.Include(htOnIcon);
    if (info.flags & win::LVHT_ONITEMLABEL)
        r.Include(htOnLabel);
    if (info.flags & win::LVHT_ONITEMSTATEICON)
        r.Include(htOnStateIcon);
    if (info.flags & win::LVHT_ONITEM)
        r.Include(htOnItem);
    if (y < 0)
        r.Include(htAbove);
    if (info.flags & win::LVHT_BELOW)
        r.Include(htBelow);
    return r;
}

void TCustomListView::SelectAll() {
    if (!FMultiSelect)
        return;
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        FItems->GetItem(i)->SetSelected(true);
}

void TCustomListView::ClearSelection() {
    for (int32_t i = 0; i < FItems->GetCount(); ++i)
        if (FItems->GetItem(i)->GetSelected())
            FItems->GetItem(i)->SetSelected(false);
}

bool TCustomListView::CustomSort(TLVCompare compare, int32_t data) {
    if (!compare)
        compare = [this](TListItem* a, TListItem* b, int32_t d) {
            int32_t r = 0;
            if (OnCompare)
                OnCompare(this, a, b, d, r);
            else
                r = ComCtrlsCompareText(a->GetCaption(), b->GetCaption());
            return r;
        };
    if (!HandleAllocated()) {
        std::stable_sort(FItems->FItems.begin(), FItems->FItems.end(),
                         [&](TListItem* a, TListItem* b) { return compare(a, b, data) < 0; });
        return true;
    }
    ComCtrlsSortContext context{&compare, data};
    win::SendMessage(FHandle, win::LVM_SORTITEMS, reinterpret_cast<win::WPARAM>(&context),
                     reinterpret_cast<win::LPARAM>(&ComCtrlsSortProc));
    // The objects follow the window's new order.
    for (int32_t i = 0; i < FItems->GetCount(); ++i) {
        win::LVITEM item;
        item.mask = win::LVIF_PARAM;
        item.iItem = i;
        win::SendMessage(FHandle, win::LVM_GETITEM, 0, reinterpret_cast<win::LPARAM>(&item));
        FItems->FItems[size_t(i)] = reinterpret_cast<TListItem*>(item.lParam);
    }
    return true;
}

bool TCustomListView::AlphaSort() {
    return CustomSort(nullptr, 0);
}

void TCustomListView::Scroll(int32_t dx, int32_t dy) {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::LVM_SCROLL, win::WPARAM(intptr_t(dx)), dy);
}

void TCustomListView::UpdateItems(int32_t first, int32_t last) {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::LVM_REDRAWITEMS, win::WPARAM(first), last);
}

void TCustomListView::ColClick(TListColumn* column) {
    if (OnColumnClick)
        OnColumnClick(this, column);
}

bool TCustomListView::CanEdit(TListItem* item) {
    bool allow = !FReadOnly;
    if (OnEditing)
        OnEditing(this, item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem* item, std::string& caption) {
    if (OnEdited)
        OnEdited(this, item, caption);
    item->SetCaption(caption);
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
    if (OnChange)
        OnChange(this, item, change);
}

void TCustomListView::Delete(TListItem* item) {
    if (OnDeletion && !GetComponentState().Contains(csDestroying))
        OnDeletion(this, item);
}

bool TCustomListView::CustomDrawItem(TListItem* item, TCustomDrawState state) {
    bool defaultDraw = true;
    if (OnCustomDrawItem)
        OnCustomDrawItem(this, item, state, defaultDraw);
    return defaultDraw;
}

win::LRESULT TCustomListView::HandleNotify(win::NMHDR* hdr) {
    switch (hdr->code) {
    case win::LVN_ITEMCHANGING: {
        auto* nm = reinterpret_cast<win::NMLISTVIEW*>(hdr);
        TListItem* item = ItemOfNative(nm->iItem);
        if (!item || FRecreating || !(nm->uChanged & win::LVIF_STATE) || !OnChanging)
            return 0;
        bool allow = true;
        OnChanging(this, item, ctState, allow);
        return allow ? 0 : 1;
    }
    case win::LVN_ITEMCHANGED: {
        auto* nm = reinterpret_cast<win::NMLISTVIEW*>(hdr);
        TListItem* item = ItemOfNative(nm->iItem);
        if (!item || FRecreating || !(nm->uChanged & win::LVIF_STATE))
            return 0;
        Change(item, ctState);
        if ((nm->uOldState ^ nm->uNewState) & win::LVIS_SELECTED)
            if (OnSelectItem)
                OnSelectItem(this, item, (nm->uNewState & win::LVIS_SELECTED) != 0);
        return 0;
    }
    case win::LVN_COLUMNCLICK: {
        auto* nm = reinterpret_cast<win::NMLISTVIEW*>(hdr);
        if (FColumnClick && nm->iSubItem >= 0 && nm->iSubItem < FColumns->GetCount())
            ColClick(Column(nm->iSubItem));
        return 0;
    }
    case win::LVN_BEGINLABELEDIT: {
        TListItem* item = ItemOfNative(reinterpret_cast<win::NMLVDISPINFO*>(hdr)->item.iItem);
        return item && CanEdit(item) ? 0 : 1;
    }
    case win::LVN_ENDLABELEDIT: {
        // The item takes the caption itself, so that OnEdited may change it first.
        auto* di = reinterpret_cast<win::NMLVDISPINFO*>(hdr);
        TListItem* item = ItemOfNative(di->item.iItem);
        if (item && di->item.pszText) {
            std::string caption = di->item.pszText;
            Edit(item, caption);
        }
        return 0;
    }
    case win::LVN_DELETEALLITEMS:
        return 1; // the items were told one by one already
    case win::NM_CUSTOMDRAW: {
        auto* cd = reinterpret_cast<win::NMLVCUSTOMDRAW*>(hdr);
        if (!OnCustomDrawItem)
            return win::CDRF_DODEFAULT;
        if (cd->nmcd.dwDrawStage == win::CDDS_PREPAINT)
            return win::CDRF_NOTIFYITEMDRAW;
        if (cd->nmcd.dwDrawStage != win::CDDS_ITEMPREPAINT)
            return win::CDRF_DODEFAULT;
        TListItem* item = ItemOfNative(int32_t(cd->nmcd.dwItemSpec));
        if (!item)
            return win::CDRF_DODEFAULT;
        TCustomDrawState state;
        if (cd->nmcd.uItemState & win::CDIS_SELECTED)
            state.Include(cdsSelected);
        if (cd->nmcd.uItemState & win::CDIS_FOCUS)
            state.Include(cdsFocused);
        TCanvasDCScope lent(FCanvas.get(), cd->nmcd.hdc);
        FCanvas->SetFont(FFont.get());
        FCanvas->GetBrush()->SetColor(FColor);
        bool defaultDraw = CustomDrawItem(item, state);
        // What the handler set on the canvas draws the row.
        cd->clrText = win::COLORREF(ColorToRGB(FCanvas->GetFont()->GetColor()));
        cd->clrTextBk = win::COLORREF(ColorToRGB(FCanvas->GetBrush()->GetColor()));
        win::SelectObject(cd->nmcd.hdc, FCanvas->GetFont()->GetHandle());
        return defaultDraw ? win::CDRF_NEWFONT : win::CDRF_SKIPDEFAULT;
    }
    default:
        return 0;
    }
}

void TCustomListView::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY:
        m.Result = HandleNotify(reinterpret_cast<win::NMHDR*>(m.LParam));
        return;
    case CM_COLORCHANGED:
        if (HandleAllocated()) {
            win::SendMessage(FHandle, win::LVM_SETBKCOLOR, 0, win::LPARAM(ColorToRGB(FColor)));
            win::SendMessage(FHandle, win::LVM_SETTEXTBKCOLOR, 0, win::LPARAM(ColorToRGB(FColor)));
        }
        TWinControl::Dispatch(m);
        return;
    case CM_FONTCHANGED:
        TWinControl::Dispatch(m);
        if (HandleAllocated())
            win::SendMessage(FHandle, win::LVM_SETTEXTCOLOR, 0, win::LPARAM(ColorToRGB(FFont->GetColor())));
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

// ---- TStatusBar ----------------------------------------------------------------------------------------

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::SetText(const std::string& value) {
    if (SetIfChanged(FText, value))
        Changed(false);
}

void TStatusPanel::SetWidth(int32_t value) {
    if (SetIfChanged(FWidth, value))
        Changed(true);
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
    if (SetIfChanged(FStyle, value))
        Changed(false);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (SetIfChanged(FBevel, value))
        Changed(false);
}

void TStatusPanel::Assign(TPersistent* source) {
    auto* p = dynamic_cast<TStatusPanel*>(source);
    if (!p) {
        TCollectionItem::Assign(source);
        return;
    }
    FText = p->FText;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FAlignment = p->FAlignment;
    FBevel = p->FBevel;
    Changed(true);
}

TStatusPanels::TStatusPanels(TStatusBar* owner)
    : TCollection(CollectionItemClassOf<TStatusPanel>(), owner), FBar(owner) {
    SetPropName("Panels");
}

void TStatusPanels::Update(TCollectionItem* item) {
    if (item)
        FBar->UpdatePanel(item->GetIndex());
    else
        FBar->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), FPanels(std::make_unique<TStatusPanels>(this)),
      FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
    FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque, csAcceptsControls};
    FColor = clBtnFace;
    FHeight = 19;
    FAlign = alBottom;
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::STATUSCLASSNAME;
    // The class library places the bar itself.
    p.Style |= win::CCS_NOPARENTALIGN | win::CCS_NORESIZE;
    if (FSizeGrip)
        p.Style |= win::SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    ComCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    UpdatePanels();
}

void TStatusBar::UpdatePanel(int32_t index) {
    if (!HandleAllocated())
        return;
    if (FSimplePanel || index < 0 || index >= FPanels->GetCount()) {
        if (FSimplePanel)
            win::SendMessage(FHandle, win::SB_SETTEXT, win::SB_SIMPLEID,
                             reinterpret_cast<win::LPARAM>(FSimpleText.c_str()));
        return;
    }
    TStatusPanel* panel = FPanels->GetItem(index);
    win::WPARAM flags = win::WPARAM(index);
    if (panel->GetBevel() == pbNone)
        flags |= win::SBT_NOBORDERS;
    else if (panel->GetBevel() == pbRaised)
        flags |= win::SBT_POPOUT;
    if (panel->GetStyle() == psOwnerDraw) {
        win::SendMessage(FHandle, win::SB_SETTEXT, flags | win::SBT_OWNERDRAW,
                         reinterpret_cast<win::LPARAM>(panel));
        return;
    }
    // A tab before the text centres it, two put it on the right.
    std::string text = panel->GetAlignment() == taCenter         ? "\t" + panel->GetText()
                       : panel->GetAlignment() == taRightJustify ? "\t\t" + panel->GetText()
                                                                 : panel->GetText();
    win::SendMessage(FHandle, win::SB_SETTEXT, flags, reinterpret_cast<win::LPARAM>(text.c_str()));
}

void TStatusBar::UpdatePanels() {
    if (!HandleAllocated())
        return;
    int32_t count = FPanels->GetCount();
    std::vector<int> rights(size_t(std::max(1, count)), -1);
    int edge = 0;
    for (int32_t i = 0; i + 1 < count; ++i) {
        edge += FPanels->GetItem(i)->GetWidth();
        rights[size_t(i)] = edge;
    }
    win::SendMessage(FHandle, win::SB_SETPARTS, win::WPARAM(rights.size()),
                     reinterpret_cast<win::LPARAM>(rights.data()));
    win::SendMessage(FHandle, win::SB_SIMPLE, FSimplePanel, 0);
    if (count == 0 && !FSimplePanel)
        win::SendMessage(FHandle, win::SB_SETTEXT, 0, reinterpret_cast<win::LPARAM>(""));
    for (int32_t i = 0; i < count; ++i)
        UpdatePanel(i);
    UpdatePanel(-1);
}

void TStatusBar::SetSimplePanel(bool value) {
    if (SetIfChanged(FSimplePanel, value))
        UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& value) {
    if (SetIfChanged(FSimpleText, value))
        UpdatePanel(-1);
}

void TStatusBar::SetSizeGrip(bool value) {
    if (SetIfChanged(FSizeGrip, value))
        RecreateWnd();
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) {
    if (OnDrawPanel)
        OnDrawPanel(this, panel, rect);
    else
        FCanvas->FillRect(rect);
}

void TStatusBar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_DRAWITEM: {
        auto* dis = reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam);
        int32_t index = int32_t(dis->itemID);
        if (index < 0 || index >= FPanels->GetCount())
            return;
        {
            TCanvasDCScope lent(FCanvas.get(), dis->hDC);
            FCanvas->SetFont(FFont.get());
            FCanvas->GetBrush()->SetColor(clBtnFace);
            DrawPanel(FPanels->GetItem(index), dis->rcItem);
        }
        m.Result = 1;
        return;
    }
    default:
        TWinControl::Dispatch(m);
    }
}

// ---- TProgressBar --------------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    FWidth = 150;
    FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::PROGRESS_CLASS;
    if (FSmooth)
        p.Style |= win::PBS_SMOOTH;
    if (FOrientation == pbVertical)
        p.Style |= win::PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
    ComCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    win::SendMessage(FHandle, win::PBM_SETRANGE32, win::WPARAM(FMin), FMax);
    win::SendMessage(FHandle, win::PBM_SETSTEP, win::WPARAM(FStep), 0);
    win::SendMessage(FHandle, win::PBM_SETPOS, win::WPARAM(FPosition), 0);
}

void TProgressBar::SetMin(int32_t value) {
    if (!SetIfChanged(FMin, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::PBM_SETRANGE32, win::WPARAM(FMin), FMax);
}

void TProgressBar::SetMax(int32_t value) {
    if (!SetIfChanged(FMax, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::PBM_SETRANGE32, win::WPARAM(FMin), FMax);
}

int32_t TProgressBar::GetPosition() const {
    return HandleAllocated() ? int32_t(win::SendMessage(FHandle, win::PBM_GETPOS, 0, 0)) : FPosition;
}

void TProgressBar::SetPosition(int32_t value) {
    FPosition = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
    if (HandleAllocated())
        win::SendMessage(FHandle, win::PBM_SETPOS, win::WPARAM(value), 0);
}

void TProgressBar::SetStep(int32_t value) {
    if (!SetIfChanged(FStep, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::PBM_SETSTEP, win::WPARAM(value), 0);
}

void TProgressBar::SetSmooth(bool value) {
    if (SetIfChanged(FSmooth, value))
        RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    if (SetIfChanged(FOrientation, value))
        RecreateWnd();
}

void TProgressBar::StepIt() {
    if (HandleAllocated()) {
        win::SendMessage(FHandle, win::PBM_STEPIT, 0, 0);
        FPosition = GetPosition();
        return;
    }
    int64_t next = int64_t(FPosition) + FStep;
    if (next > FMax)
        next = FMin + (next - FMax);
    FPosition = int32_t(std::clamp<int64_t>(next, FMin, FMax));
}

void TProgressBar::StepBy(int32_t delta) {
    SetPosition(int32_t(std::clamp<int64_t>(int64_t(GetPosition()) + delta, INT32_MIN, INT32_MAX)));
}

void TProgressBar::Dispatch(TMessage& m) {
    TWinControl::Dispatch(m);
}

// ---- TTrackBar -----------------------------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
    FWidth = 150;
    FHeight = 45;
    FTabStop = true;
}

void TTrackBar::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::TRACKBAR_CLASS;
    if (FOrientation == trVertical)
        p.Style |= win::TBS_VERT;
    if (FTickStyle == tsAuto)
        p.Style |= win::TBS_AUTOTICKS;
    else if (FTickStyle == tsNone)
        p.Style |= win::TBS_NOTICKS;
    p.Style |= win::TBS_FIXEDLENGTH;
}

void TTrackBar::CreateWnd() {
    ComCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    win::SendMessage(FHandle, win::TBM_SETRANGEMIN, 0, FMin);
    win::SendMessage(FHandle, win::TBM_SETRANGEMAX, 0, FMax);
    win::SendMessage(FHandle, win::TBM_SETTICFREQ, win::WPARAM(FFrequency), 0);
    win::SendMessage(FHandle, win::TBM_SETPAGESIZE, 0, FPageSize);
    win::SendMessage(FHandle, win::TBM_SETLINESIZE, 0, FLineSize);
    win::SendMessage(FHandle, win::TBM_SETTHUMBLENGTH, win::WPARAM(FThumbLength), 0);
    win::SendMessage(FHandle, win::TBM_SETPOS, 1, FPosition);
}

void TTrackBar::SetMin(int32_t value) {
    if (!SetIfChanged(FMin, value))
        return;
    FPosition = std::max(FPosition, FMin);
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETRANGEMIN, 1, value);
}

void TTrackBar::SetMax(int32_t value) {
    if (!SetIfChanged(FMax, value))
        return;
    FPosition = std::min(FPosition, std::max(FMin, FMax));
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETRANGEMAX, 1, value);
}

int32_t TTrackBar::GetPosition() const {
    return HandleAllocated() ? int32_t(win::SendMessage(FHandle, win::TBM_GETPOS, 0, 0)) : FPosition;
}

void TTrackBar::SetPosition(int32_t value) {
    FPosition = std::clamp(value, FMin, std::max(FMin, FMax));
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETPOS, 1, FPosition);
}

void TTrackBar::SetFrequency(int32_t value) {
    if (!SetIfChanged(FFrequency, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETTICFREQ, win::WPARAM(value), 0);
}

void TTrackBar::SetPageSize(int32_t value) {
    FPageSize = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETPAGESIZE, 0, value);
}

void TTrackBar::SetLineSize(int32_t value) {
    FLineSize = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETLINESIZE, 0, value);
}

void TTrackBar::SetThumbLength(int32_t value) {
    if (!SetIfChanged(FThumbLength, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TBM_SETTHUMBLENGTH, win::WPARAM(value), 0);
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (!SetIfChanged(FOrientation, value))
        return;
    // The control turns on the spot: width and height swap.
    if (!GetComponentState().Contains(csLoading))
        SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
    if (SetIfChanged(FTickStyle, value))
        RecreateWnd();
}

void TTrackBar::Changed() {
    if (OnChange)
        OnChange(this);
}

void TTrackBar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
        int32_t pos = GetPosition();
        if (pos != FPosition) {
            FPosition = pos;
            Changed();
        }
        return;
    }
    default:
        TWinControl::Dispatch(m);
    }
}

// ---- TUpDown -------------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) {
    FControlStyle.Exclude(csCaptureMouse);
    FWidth = 16;
    FHeight = 24;
}

TUpDown::~TUpDown() {
    if (FAssociate)
        FAssociate->RemoveFreeNotification(this);
}

void TUpDown::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::UPDOWN_CLASS;
    p.Style |= win::UDS_SETBUDDYINT;
    p.Style |= FAlignButton == udRight ? win::UDS_ALIGNRIGHT : win::UDS_ALIGNLEFT;
    if (FWrap)
        p.Style |= win::UDS_WRAP;
    if (FArrowKeys)
        p.Style |= win::UDS_ARROWKEYS;
    if (!FThousands)
        p.Style |= win::UDS_NOTHOUSANDS;
    if (FOrientation == udHorizontal)
        p.Style |= win::UDS_HORZ;
}

void TUpDown::CreateWnd() {
    ComCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    win::SendMessage(FHandle, win::UDM_SETRANGE32, win::WPARAM(FMin), FMax);
    win::SendMessage(FHandle, win::UDM_SETPOS32, 0, FPosition);
    if (FAssociate && FAssociate->GetParent() == FParent) {
        // Attaching makes the associate give up the up-down's room. When it stands beside the up-down
        // already (a layout saved after attaching), it gets that room back first, so that every new
        // window and every load of the layout leaves both where they were.
        TRect a = FAssociate->GetBoundsRect();
        if (a.Top == FTop && FAlignButton == udRight && a.Right == FLeft)
            FAssociate->SetBounds(a.Left, a.Top, a.Width() + FWidth, a.Height());
        else if (a.Top == FTop && FAlignButton == udLeft && a.Left == FLeft + FWidth)
            FAssociate->SetBounds(FLeft, a.Top, a.Width() + FWidth, a.Height());
        win::SendMessage(FHandle, win::UDM_SETBUDDY, reinterpret_cast<win::WPARAM>(FAssociate->GetHandle()),
                         0);
        // The window system moved both controls: the class library takes their new bounds.
        TRect r;
        win::GetWindowRect(FHandle, &r);
        TPoint tl = FParent->ScreenToClient({r.Left, r.Top});
        UpdateBoundsFields(tl.X, tl.Y, r.Width(), r.Height());
        win::GetWindowRect(FAssociate->GetHandle(), &r);
        tl = FParent->ScreenToClient({r.Left, r.Top});
        FAssociate->SetBounds(tl.X, tl.Y, r.Width(), r.Height());
    }
}

void TUpDown::SetAssociate(TWinControl* value) {
    if (value == FAssociate)
        return;
    if (FAssociate)
        FAssociate->RemoveFreeNotification(this);
    FAssociate = value;
    if (value)
        value->FreeNotification(this);
    if (HandleAllocated()) {
        RecreateWnd();
    }
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FAssociate) {
        FAssociate = nullptr;
        if (HandleAllocated() && !GetComponentState().Contains(csDestroying))
            win::SendMessage(FHandle, win::UDM_SETBUDDY, 0, 0);
    }
}

void TUpDown::SetMin(int32_t value) {
    if (!SetIfChanged(FMin, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::UDM_SETRANGE32, win::WPARAM(FMin), FMax);
}

void TUpDown::SetMax(int32_t value) {
    if (!SetIfChanged(FMax, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::UDM_SETRANGE32, win::WPARAM(FMin), FMax);
}

int32_t TUpDown::GetPosition() {
    if (HandleAllocated())
        FPosition = int32_t(win::SendMessage(FHandle, win::UDM_GETPOS32, 0, 0));
    return FPosition;
}

void TUpDown::SetPosition(int32_t value) {
    FPosition = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
    if (HandleAllocated())
        win::SendMessage(FHandle, win::UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetWrap(bool value) {
    if (SetIfChanged(FWrap, value))
        RecreateWnd();
}

void TUpDown::SetThousands(bool value) {
    if (SetIfChanged(FThousands, value))
        RecreateWnd();
}

void TUpDown::SetArrowKeys(bool value) {
    if (SetIfChanged(FArrowKeys, value))
        RecreateWnd();
}

void TUpDown::SetAlignButton(TUDAlignButton value) {
    if (SetIfChanged(FAlignButton, value))
        RecreateWnd();
}

void TUpDown::SetOrientation(TUDOrientation value) {
    if (SetIfChanged(FOrientation, value))
        RecreateWnd();
}

void TUpDown::Click(TUDBtnType button) {
    if (OnClick)
        OnClick(this, button);
}

bool TUpDown::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TUpDown::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<win::NMHDR*>(m.LParam);
        if (hdr->code == win::UDN_DELTAPOS) {
            auto* nm = reinterpret_cast<win::NMUPDOWN*>(hdr);
            nm->iDelta *= FIncrement;
            m.Result = CanChange() ? 0 : 1;
        }
        return;
    }
    case win::UDM_BUDDYDESTROYED:
        // The associate made a new window of its own: hand it over, keeping both controls where they are
        // (they made room for each other already).
        if (FAssociate && FAssociate->GetParent() == FParent && HandleAllocated()) {
            TRect assocBounds = FAssociate->GetBoundsRect(), mine = GetBoundsRect();
            win::SendMessage(FHandle, win::UDM_SETBUDDY,
                             reinterpret_cast<win::WPARAM>(FAssociate->GetHandle()), 0);
            FAssociate->SetBoundsRect(assocBounds);
            SetBoundsRect(mine);
        }
        return;
    case CN_HSCROLL:
    case CN_VSCROLL:
        if (win::LOWORD(m.WParam) == win::SB_THUMBPOSITION) {
            int32_t old = FPosition;
            int32_t pos = GetPosition();
            if (pos != old)
                Click(pos > old ? btNext : btPrev);
        }
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

} // namespace vcl
