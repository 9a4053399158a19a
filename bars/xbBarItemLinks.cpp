#include "bars/xbBarItemLinks.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBars.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarUtils.h"
#include "platform/vcl/Bitmap.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <utility>
#include <cctype>

namespace bars {

namespace {

bool OwnerIsLoading(vcl::TPersistent* owner) {
    auto* component = dynamic_cast<vcl::TComponent*>(owner);
    return component && component->GetComponentState().Contains(vcl::csLoading);
}

bool ManagerLoading(const TxbBarManager* manager) { return manager && manager->IsLoading(); }

int32_t IndexIn(const std::vector<TxbBarItemLink*>& list, const TxbBarItemLink* link) {
    auto it = std::find(list.begin(), list.end(), link);
    return it == list.end() ? -1 : int32_t(it - list.begin());
}

} // namespace

// ---- TxbBarItemLink -----------------------------------------------------------------------------------------

TxbBarItemLink::TxbBarItemLink(vcl::TCollection* collection)
    : vcl::TCollectionItem(nullptr), FUserGlyph(std::make_unique<vcl::TBitmap>()) {
    // Joins only now that the link is whole: the collection sets the link up as it arrives.
    if (collection)
        SetCollection(collection);
}

TxbBarItemLink::~TxbBarItemLink() {
    TxbBarManager* manager = GetBarManager();
    if (manager && !manager->IsDestroying() && manager->OnItemLinkDelete)
        manager->OnItemLinkDelete(manager, this);
    DestroyControl();
    if (FItem)
        FItem->RemoveLink(this);
    FItem = nullptr;
    if (TxbBarItemLinks* links = FLinks) {
        // Leave the collection now, while the link is whole; the lists drop it there.
        SetCollection(nullptr);
        if (!links->IsDestroying())
            links->RebuildLists();
    }
}

TxbBarManager* TxbBarItemLink::GetBarManager() const { return FLinks ? FLinks->GetBarManager() : nullptr; }

TxbBarItemLinks* TxbBarItemLink::GetLinks() const { return FLinks; }

bool TxbBarItemLink::HasLiveCollection() const { return FLinks && !FLinks->IsDestroying(); }

int32_t TxbBarItemLink::GetAvailableIndex() const {
    if (!FLinks)
        return -1;
    for (int32_t i = 0; i < FLinks->GetAvailableItemCount(); ++i)
        if (FLinks->GetAvailableItem(i) == this)
            return i;
    return -1;
}

int32_t TxbBarItemLink::GetVisibleIndex() const {
    if (!FLinks)
        return -1;
    for (int32_t i = 0; i < FLinks->GetVisibleItemCount(); ++i)
        if (FLinks->GetVisibleItem(i) == this)
            return i;
    return -1;
}

int32_t TxbBarItemLink::GetShownIndex() const {
    if (!FLinks)
        return -1;
    for (int32_t i = 0; i < FLinks->GetShownItemCount(); ++i)
        if (FLinks->GetShownItem(i) == this)
            return i;
    return -1;
}

int32_t TxbBarItemLink::GetRecentIndex() const { return FLinks ? FLinks->RecentIndexOf(this) : -1; }

bool TxbBarItemLink::GetBeginGroup() const {
    const int32_t shown = GetShownIndex();
    if (FBeginGroup && shown != 0)
        return true;
    if (shown <= 0)
        return false;
    const int32_t from = FLinks->GetShownItem(shown - 1)->GetAvailableIndex();
    const int32_t to = GetAvailableIndex();
    for (int32_t i = from + 1; i < to; ++i)
        if (FLinks->GetAvailableItem(i)->FBeginGroup)
            return true;
    return false;
}

void TxbBarItemLink::SetBeginGroup(bool value) {
    if (value == FBeginGroup)
        return;
    FBeginGroup = value;
    if (FControl)
        FControl->BeginGroupChanged();
    Changed();
}

std::string TxbBarItemLink::GetCaption() const {
    return FUserDefine.Contains(udCaption) || !FItem ? FUserCaption : FItem->GetCaption();
}

vcl::TBitmap* TxbBarItemLink::GetGlyph() const {
    return FUserDefine.Contains(udGlyph) || !FItem ? FUserGlyph.get() : FItem->GetGlyph();
}

TxbBarPaintStyle TxbBarItemLink::GetPaintStyle() const {
    if (FUserDefine.Contains(udPaintStyle) || !FItem)
        return FUserPaintStyle;
    if (auto* button = dynamic_cast<TxbBarButton*>(FItem))
        return button->GetPaintStyle();
    return psStandard;
}

int32_t TxbBarItemLink::GetWidth() const {
    // Edit items, which carry a width of their own, answer it here once they exist.
    return FUserDefine.Contains(udWidth) ? FUserWidth : 0;
}

bool TxbBarItemLink::IsAvailableAndVisible() const { return FItem && FItem->IsAvailable() && FVisible; }

bool TxbBarItemLink::IsOwnedBy(vcl::TPersistent* persistent) const {
    return FLinks && FLinks->GetLinksOwner() == persistent;
}

void TxbBarItemLink::SetItem(TxbBarItem* value) {
    if (value == FItem)
        return;
    if (FItem)
        FItem->RemoveLink(this);
    FItem = nullptr;
    if (!value) {
        // A link without an item has no use: it goes.
        delete this;
        return;
    }
    // A sub item may not appear in its own menu nor in one nested below it: the link stays without item.
    if (FLinks && !CanLinkItemTo(FLinks->GetLinksOwner(), value))
        throw vcl::Exception(lookandfeel::GetLocalizedString(sxbBarRecursiveSubItems));
    FItem = value;
    FItem->AddLink(this);
    if (FLinks) {
        FLinks->RebuildLists();
        if (dynamic_cast<vcl::TComponent*>(FLinks->GetLinksOwner()) && !OwnerIsLoading(FLinks->GetLinksOwner()))
            ResetUsage();
    }
    Changed();
}

void TxbBarItemLink::SetMostRecentlyUsed(bool value) {
    if (value == FMostRecentlyUsed)
        return;
    FMostRecentlyUsed = value;
    ResetUsage();
    Changed();
}

void TxbBarItemLink::SetUserCaption(const std::string& value) {
    if (value == FUserCaption)
        return;
    FUserCaption = value;
    FUserDefine.Include(udCaption);
    if (FControl)
        FControl->CaptionChanged();
    Changed();
}

void TxbBarItemLink::SetUserDefine(TxbBarUserDefines value) {
    if (value == FUserDefine)
        return;
    FUserDefine = value;
    if (!value.Contains(udCaption))
        FUserCaption.clear();
    if (!value.Contains(udGlyph))
        FUserGlyph = std::make_unique<vcl::TBitmap>();
    if (!value.Contains(udPaintStyle))
        FUserPaintStyle = psStandard;
    if (!value.Contains(udWidth))
        FUserWidth = 0;
    if (FControl) {
        FControl->CaptionChanged();
        FControl->GlyphChanged();
    }
    Changed();
}

void TxbBarItemLink::SetUserGlyph(vcl::TBitmap* value) {
    FUserGlyph->Assign(value);
    FUserDefine.Include(udGlyph);
    if (FControl)
        FControl->GlyphChanged();
    Changed();
}

void TxbBarItemLink::SetUserPaintStyle(TxbBarPaintStyle value) {
    if (value == GetPaintStyle())
        return;
    FUserPaintStyle = value;
    FUserDefine.Include(udPaintStyle);
    Changed();
}

void TxbBarItemLink::SetUserWidth(int32_t value) {
    CheckMinEditWidth(value);
    if (value == GetWidth())
        return;
    FUserWidth = value;
    FUserDefine.Include(udWidth);
    Changed();
}

void TxbBarItemLink::SetVisible(bool value) {
    if (ManagerLoading(GetBarManager()) || (FLinks && FLinks->IsAssigning())) {
        FPendingVisible = value;
        return;
    }
    if (value == FVisible)
        return;
    FVisible = value;
    FPendingVisible = value;
    TxbBarManager* manager = GetBarManager();
    if (FLinks && !(manager && manager->GetDesigning())) {
        FLinks->RebuildLists();
        if (FVisible) {
            MarkUsed(false);
            CreateControl();
        } else {
            MarkUnused();
            DestroyControl();
        }
    }
    Changed();
}

void TxbBarItemLink::Changed() {
    TxbBarManager* manager = GetBarManager();
    if (manager && !manager->IsLoading() && manager->OnItemLinkChange)
        manager->OnItemLinkChange(manager, this);
}

void TxbBarItemLink::MoveToRecentFront(bool countUse) {
    if (FLinks)
        FLinks->MoveInRecent(this, 0);
    if (countUse)
        ++FUseCount;
}

void TxbBarItemLink::MarkUsed(bool countUse) {
    if (!IsAvailableAndVisible())
        return;
    MoveToRecentFront(countUse);
    // The toolbar relayout and the climb to the parent menus' links join with the bar windows.
}

void TxbBarItemLink::MarkUnused() {
    if (FLinks)
        FLinks->MoveInRecent(this, FLinks->GetRecentCount() - 1);
}

void TxbBarItemLink::ResetUsage() {
    TxbBarManager* manager = GetBarManager();
    if (FMostRecentlyUsed) {
        FUseCount = manager ? manager->GetRecentItemMinCount() : 0;
        MarkUsed(false);
    } else {
        FUseCount = 0;
        MarkUnused();
    }
}

void TxbBarItemLink::SetRecentIndex(int32_t index) {
    if (!FLinks || index < 0)
        return;
    FLinks->MoveInRecent(this, std::min(index, FLinks->GetRecentCount() - 1));
    FLinks->RebuildLists();
}

void TxbBarItemLink::CopyUsage(TxbBarItemLink* other) {
    if (!other)
        return;
    FUseCount = other->FUseCount;
    SetRecentIndex(other->GetRecentIndex());
}

void TxbBarItemLink::CreateControl() {
    if (FControl || !FItem || !FLinks || !FLinks->GetWindow())
        return;
    if (TxbBarItemControlFactory make = FindItemControlClass(typeid(*FItem)))
        FControl = make(this);
}

void TxbBarItemLink::DestroyControl() {
    TxbBarItemControl* control = FControl;
    FControl = nullptr;
    delete control;
}

void TxbBarItemLink::Assign(vcl::TPersistent* source) {
    auto* other = dynamic_cast<TxbBarItemLink*>(source);
    if (!other) {
        vcl::TCollectionItem::Assign(source);
        return;
    }
    Data = other->Data;
    FUserCaption = other->FUserCaption;
    FUserGlyph->Assign(other->FUserGlyph.get());
    FUserPaintStyle = other->FUserPaintStyle;
    FUserWidth = other->FUserWidth;
    TxbBarItem* item = other->FItem;
    TxbBarManager* manager = GetBarManager();
    if (item && manager && manager->GetComponentState().Contains(vcl::csUpdating))
        item = manager->FindItemByName(item->GetName());
    SetItem(item);
    if (!item)
        return; // the link went with its item
    FUserDefine = other->FUserDefine;
    SetBeginGroup(other->GetBeginGroup());
    SetVisible(other->FVisible);
}

// ---- TxbBarItemLinks ----------------------------------------------------------------------------------------

TxbBarItemLinks::TxbBarItemLinks(TxbBarManager* manager, vcl::TPersistent* owner)
    : vcl::TCollection(vcl::CollectionItemClassOf<TxbBarItemLink>(), owner), FBarManager(manager), FOwner(owner) {}

TxbBarItemLinks::~TxbBarItemLinks() {
    FDestroying = true;
    DestroyBarControl();
    // An open menu of these links goes with them, unless it is being freed already. Its owner's destruction
    // (the form's) marks it destroying long before freeing it, and by then these links would be gone.
    if (TCustomxbBarControl* menu = std::exchange(FMenuWindow, nullptr)) {
        auto* subMenu = dynamic_cast<TxbBarSubMenuControl*>(menu);
        if (subMenu ? !subMenu->IsFreeing() : !menu->GetComponentState().Contains(vcl::csDestroying))
            delete menu;
    }
    // The links go here, while the collection is still whole.
    BeginUpdate();
    while (GetCount() > 0)
        delete GetItem(GetCount() - 1);
}

vcl::TPersistent* TxbBarItemLinks::GetOwner() {
    return FOwner ? FOwner : static_cast<vcl::TPersistent*>(FBarManager);
}

int32_t TxbBarItemLinks::IndexOf(const TxbBarItemLink* link) const {
    for (int32_t i = 0; i < GetCount(); ++i)
        if (GetItem(i) == link)
            return i;
    return -1;
}

void TxbBarItemLinks::Notify(vcl::TCollectionItem* item, vcl::TCollectionNotification action) {
    auto* link = static_cast<TxbBarItemLink*>(item);
    if (action == vcl::cnAdded) {
        link->FLinks = this;
        link->FUseCount = FBarManager ? FBarManager->GetRecentItemMinCount() : 0;
        FRecent.push_back(link);
        if (FBarManager && !FBarManager->IsLoading() && FBarManager->OnItemLinkAdd)
            FBarManager->OnItemLinkAdd(FBarManager, link);
    } else if (action == vcl::cnExtracting) {
        for (auto* list : {&FAvailable, &FVisible, &FShown, &FRecent})
            std::erase(*list, link);
        link->FLinks = nullptr;
        link->FInVisibleList = false;
    }
}

void TxbBarItemLinks::Assign(vcl::TPersistent* source) {
    FAssigning = true;
    try {
        vcl::TCollection::Assign(source);
    } catch (...) {
        FAssigning = false;
        throw;
    }
    FAssigning = false;
    for (int32_t i = 0; i < GetCount(); ++i)
        GetItem(i)->ApplyPendingVisible();
}

TxbBarControl* TxbBarItemLinks::CreateBarControl() {
    if (FBarControl)
        return FBarControl;
    // A bar's window is the toolbar window, unless another factory is installed (tests install their own).
    if (auto* bar = dynamic_cast<TxbBar*>(FOwner)) {
        const TxbBarControlFactory& factory = GetBarControlFactory();
        FBarControl = factory ? factory(bar) : MakeToolbarWindow(bar);
    }
    return FBarControl;
}

namespace {
bool IsSelectableLink(TxbBarItemLink* link) { return link->GetControl() && link->GetControl()->IsSelectable(); }
} // namespace

TxbBarItemLink* TxbBarItemLinks::GetNextSelectableLink(TxbBarItemLink* link) const {
    const int32_t count = GetShownItemCount();
    if (count == 0)
        return nullptr;
    int32_t start = -1;
    for (int32_t i = 0; link && i < count; ++i)
        if (GetShownItem(i) == link)
            start = i;
    for (int32_t step = 1; step <= count; ++step) {
        TxbBarItemLink* candidate = GetShownItem((start + step + count) % count);
        if (IsSelectableLink(candidate))
            return candidate;
    }
    return nullptr;
}

TxbBarItemLink* TxbBarItemLinks::GetPrevSelectableLink(TxbBarItemLink* link) const {
    const int32_t count = GetShownItemCount();
    if (count == 0)
        return nullptr;
    int32_t start = count;
    for (int32_t i = 0; link && i < count; ++i)
        if (GetShownItem(i) == link)
            start = i;
    for (int32_t step = 1; step <= count; ++step) {
        TxbBarItemLink* candidate = GetShownItem(((start - step) % count + count) % count);
        if (IsSelectableLink(candidate))
            return candidate;
    }
    return nullptr;
}

void TxbBarItemLinks::DestroyBarControl() {
    TxbBarControl* control = FBarControl;
    FBarControl = nullptr;
    // A window its owner is tearing down goes now too, while the bar and its manager are still whole (a
    // window being freed on its own has already left the collection).
    if (control)
        control->Free();
}

TCustomxbBarControl* TxbBarItemLinks::GetWindow() const {
    if (FBarControl)
        return FBarControl;
    return FMenuWindow;
}

void TxbBarItemLinks::BarControlGone(TxbBarControl* control) {
    if (control == FBarControl)
        FBarControl = nullptr;
}

void TxbBarItemLinks::Update(vcl::TCollectionItem* item) {
    if (FDestroying)
        return;
    if (auto* owner = dynamic_cast<vcl::TComponent*>(FOwner))
        if (owner->GetComponentState().Contains(vcl::csDestroying))
            return;
    // A library menu's links, and a sub item that does not report link changes, change nothing the user
    // would save.
    auto* sub = dynamic_cast<TCustomxbBarSubItem*>(FOwner);
    if (FBarManager && (!sub || sub->NotifiesLinkChanges()))
        FBarManager->Modified();
    vcl::TCollection::Update(item);
    RebuildLists();
    if (OnChange)
        OnChange(this);
}

bool TxbBarItemLinks::UsesRecentItems() const {
    if (!FBarManager || FBarManager->GetEffectiveStyle() == bmsStandard)
        return false;
    // A sub-menu follows the bar or popup menu it was opened from; without an open window the collection
    // answers for itself.
    return FUseRecentItems;
}

void TxbBarItemLinks::RebuildLists() {
    FAvailable.clear();
    FVisible.clear();
    FShown.clear();
    const bool designing = FBarManager && FBarManager->GetDesigning();
    for (int32_t i = 0; i < GetCount(); ++i) {
        TxbBarItemLink* link = GetItem(i);
        link->FInVisibleList = false;
        link->FChosen = false;
        if (!link->FItem || !(designing || link->FItem->IsAvailable()))
            continue;
        FAvailable.push_back(link);
        if (!(designing || link->FVisible))
            continue;
        FVisible.push_back(link);
        link->FInVisibleList = true;
        if (designing || FRecentItemCount == -1)
            FShown.push_back(link);
    }
    if (designing || FRecentItemCount < 1)
        return;
    // The front of the recent-use order, then shown in collection order (the visible list's order).
    int32_t chosen = 0;
    for (TxbBarItemLink* link : FRecent) {
        if (chosen >= FRecentItemCount)
            break;
        if (link->FInVisibleList) {
            link->FChosen = true;
            ++chosen;
        }
    }
    for (TxbBarItemLink* link : FVisible)
        if (link->FChosen)
            FShown.push_back(link);
}

int32_t TxbBarItemLinks::CalcRecentItemCount() const {
    if (!UsesRecentItems())
        return -1;
    const int32_t visible = GetVisibleItemCount();
    int32_t result = 0;
    if (visible > 0) {
        int32_t lo = FVisible[0]->FUseCount, hi = lo;
        for (TxbBarItemLink* link : FVisible) {
            lo = std::min(lo, link->FUseCount);
            hi = std::max(hi, link->FUseCount);
        }
        const int32_t offset = win::MulDiv(hi - lo, 100 - FBarManager->GetMostRecentItemsPercents(), 100);
        for (int32_t pos = std::min(visible, GetRecentCount()) - 1; pos >= 0; --pos)
            if (FRecent[size_t(pos)]->FUseCount >= lo + offset) {
                result = pos + 1;
                break;
            }
    }
    return result == visible ? -1 : result;
}

void TxbBarItemLinks::SetRecentItemCount(int32_t count) {
    FSavedRecentItemCount = FRecentItemCount;
    FRecentItemCount = UsesRecentItems() ? count : -1;
    RebuildLists();
}

void TxbBarItemLinks::RestoreRecentItemCount() {
    FRecentItemCount = FSavedRecentItemCount;
    RebuildLists();
}

bool TxbBarItemLinks::IsVisibleLink(const TxbBarItemLink* link) const {
    return link && link->FLinks == this && link->FInVisibleList;
}

int32_t TxbBarItemLinks::RecentIndexOf(const TxbBarItemLink* link) const { return IndexIn(FRecent, link); }

void TxbBarItemLinks::MoveInRecent(TxbBarItemLink* link, int32_t position) {
    const int32_t current = RecentIndexOf(link);
    if (current < 0)
        return;
    FRecent.erase(FRecent.begin() + current);
    position = std::clamp(position, 0, int32_t(FRecent.size()));
    FRecent.insert(FRecent.begin() + position, link);
}

void TxbBarItemLinks::RemoveFromRecent(TxbBarItemLink* link) { std::erase(FRecent, link); }

void TxbBarItemLinks::UpdateItemActions() {
    for (int32_t i = 0; i < GetCount(); ++i)
        if (TxbBarItem* item = GetItem(i)->FItem)
            if (TxbBarItemActionLink* actionLink = item->GetActionLink())
                actionLink->Update();
}

bool TxbBarItemLinks::ExecuteShortCut(vcl::TShortCut shortCut) {
    std::vector<const TxbBarItemLinks*> path;
    return ExecuteShortCut(shortCut, path);
}

bool TxbBarItemLinks::ExecuteShortCut(vcl::TShortCut shortCut, std::vector<const TxbBarItemLinks*>& path) {
    if (shortCut == 0)
        return false;
    // Menus may hold each other (a popup menu holding a drop-down button whose menu is that popup): the
    // search carries the collections on its path and enters none twice.
    if (std::find(path.begin(), path.end(), this) != path.end())
        return false;
    path.push_back(this);
    struct PathScope {
        std::vector<const TxbBarItemLinks*>& Path;
        ~PathScope() { Path.pop_back(); }
    } scope{path};
    UpdateItemActions();
    for (TxbBarItemLink* link : std::vector<TxbBarItemLink*>(FAvailable)) {
        TxbBarItem* item = link->FItem;
        if (!item || !item->GetEnabled())
            continue;
        // A sub item passes the search into its own menu.
        if (auto* sub = dynamic_cast<TCustomxbBarSubItem*>(item)) {
            if (sub->GetItemLinks() && sub->GetItemLinks()->ExecuteShortCut(shortCut, path))
                return true;
            continue;
        }
        if (!item->CanClick())
            continue;
        // A shortcut of an action of the owner form's own is left to the form's action list.
        bool leftToForm = false;
        if (TxbBarItemActionLink* actionLink = item->GetActionLink()) {
            vcl::TBasicAction* action = actionLink->GetAction();
            leftToForm = action && actionLink->IsShortCutLinked() && FBarManager &&
                         action->GetOwner() == static_cast<vcl::TComponent*>(FBarManager->GetOwnerForm());
        }
        if (!leftToForm && item->GetShortCut() == shortCut) {
            item->Click();
            return true;
        }
        // A drop-down button passes the search on to its menu.
        if (auto* button = dynamic_cast<TxbBarButton*>(item); button && button->GetButtonStyle() == bsDropDown)
            if (auto* popup = dynamic_cast<TxbBarPopupMenu*>(button->GetDropDownMenu()))
                if (popup->GetItemLinks() && popup->GetItemLinks()->ExecuteShortCut(shortCut, path))
                    return true;
    }
    return false;
}

bool TxbBarItemLinks::CaptionMatchesAccel(const std::string& caption, uint16_t key, vcl::TShiftState shift) {
    char accel = 0;
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i; // a literal ampersand
            continue;
        }
        accel = caption[i + 1];
    }
    if (!accel)
        return false;
    const char lower = char(std::tolower(static_cast<unsigned char>(accel)));
    if (lower != accel)
        shift.Exclude(vcl::ssShift);
    if (accel >= '0' && accel <= '9')
        return key == uint16_t(accel) && shift.Empty();
    const int16_t scan = win::VkKeyScan(lower);
    if (scan == -1)
        return false;
    vcl::TShiftState needed;
    if (scan & 0x100)
        needed.Include(vcl::ssShift);
    if (scan & 0x200)
        needed.Include(vcl::ssCtrl);
    return key == uint16_t(scan & 0xFF) && needed == shift;
}

TxbBarItemLink* TxbBarItemLinks::FindAccelLink(uint16_t key, vcl::TShiftState shift, TxbBarItemLink* afterLink) {
    shift.Exclude(vcl::ssAlt);
    const int32_t count = GetVisibleItemCount();
    if (count == 0)
        return nullptr;
    // Without a start link (or with one that is not shown) the search begins at the first link itself, so
    // that the first link's accelerator is not passed over for a later one.
    const int32_t start = afterLink ? IndexIn(FVisible, afterLink) : -1;
    for (int32_t k = 1; k <= count; ++k) {
        TxbBarItemLink* link = FVisible[size_t((start + k + count) % count)];
        if (link->FItem && link->FItem->CanSelectByAccel(link) && CaptionMatchesAccel(link->GetCaption(), key, shift))
            return link;
    }
    return nullptr;
}

bool TxbBarItemLinks::ContainsOwnedBy(vcl::TPersistent* persistent) const {
    for (int32_t i = 0; i < GetCount(); ++i)
        if (GetItem(i)->IsOwnedBy(persistent))
            return true;
    return false;
}

void TxbBarItemLinks::ApplyLoadedState(bool restoreVisible) {
    for (int32_t i = GetCount() - 1; i >= 0; --i)
        if (GetItem(i)->FItem)
            GetItem(i)->ResetUsage();
    if (restoreVisible)
        for (int32_t i = GetCount() - 1; i >= 0; --i)
            GetItem(i)->ApplyPendingVisible();
    for (int32_t position = 0; position < GetCount(); ++position)
        for (int32_t i = 0; i < GetCount(); ++i) {
            TxbBarItemLink* link = GetItem(i);
            if (link->FPendingRecentIndex != position)
                continue;
            link->FUseCount = link->FPendingUseCount;
            MoveInRecent(link, position);
            link->FPendingRecentIndex = -1;
        }
    RebuildLists();
}

void TxbBarItemLinks::CopyUsageFrom(TxbBarItemLinks* other) {
    if (!other)
        return;
    for (int32_t i = 0; i < std::min(GetCount(), other->GetCount()); ++i)
        GetItem(i)->FMostRecentlyUsed = other->GetItem(i)->FMostRecentlyUsed;
    ApplyLoadedState(false);
    PackRecentOrder();
}

void TxbBarItemLinks::PackRecentOrder() {
    auto firstHidden = std::find_if(FRecent.begin(), FRecent.end(),
                                    [this](TxbBarItemLink* l) { return !IsVisibleLink(l); });
    std::stable_partition(firstHidden, FRecent.end(), [this](TxbBarItemLink* l) { return IsVisibleLink(l); });
}

// ---- Property table -----------------------------------------------------------------------------------------

void RegisterItemLinkTables() {
    vcl::RegisterEnumNames<TxbBarUserDefine>({"udCaption", "udGlyph", "udPaintStyle", "udWidth"});
    using T = TxbBarItemLink;
    vcl::DefineClassProperties<T, vcl::TCollectionItem>()
        .Property("BeginGroup", &T::GetStoredBeginGroup, &T::SetBeginGroup)
        .Default(false)
        .Property("Item", &T::GetItem, &T::SetItem)
        .Property("MostRecentlyUsed", &T::GetMostRecentlyUsed, &T::SetMostRecentlyUsed)
        .Default(true)
        .Property("UserCaption", [](T* l) { return l->GetUserCaption(); }, &T::SetUserCaption)
        .Stored([](T* l) { return l->GetUserDefine().Contains(udCaption); })
        .Property("UserDefine", &T::GetUserDefine, &T::SetUserDefine)
        .Default(TxbBarUserDefines())
        .Property("UserGlyph", &T::GetUserGlyph, &T::SetUserGlyph)
        .Stored([](T* l) { return l->GetUserDefine().Contains(udGlyph) && !l->GetUserGlyph()->GetEmpty(); })
        .Property("UserPaintStyle", &T::GetUserPaintStyle, &T::SetUserPaintStyle)
        .Stored([](T* l) { return l->GetUserDefine().Contains(udPaintStyle); })
        .Property("UserWidth", &T::GetUserWidth, &T::SetUserWidth)
        .Stored([](T* l) { return l->GetUserDefine().Contains(udWidth); })
        .Property("Visible", &T::GetVisible, &T::SetVisible)
        .Default(true);
}

} // namespace bars
