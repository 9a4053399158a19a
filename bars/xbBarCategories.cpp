#include "bars/xbBarCategories.h"

#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBars.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>

namespace bars {

namespace {

// Every item of the manager whose category is from gets to.
void Recategorize(TxbBarManager* manager, int32_t from, int32_t to) {
    for (int32_t i = 0; i < manager->GetItemCount(); ++i)
        if (TxbBarItem* item = manager->GetItem(i); item->GetCategory() == from)
            item->SetCategoryIndex(to);
}

} // namespace

// ---- TxbBarManagerCategories --------------------------------------------------------------------------------

TxbBarManagerCategories::TxbBarManagerCategories(TxbBarManager* manager) : FManager(manager) {
    if (!manager->IsLoading())
        Add(lookandfeel::GetLocalizedString(sxbBarDefaultCategory));
    SetOnChange([this](vcl::TObject*) {
        if (FManager)
            FManager->Modified();
    });
}

TxbBarManagerCategories::~TxbBarManagerCategories() {
    SetOnChange(nullptr);
    for (int32_t i = 0; i < GetCount(); ++i)
        FreeData(i);
}

void TxbBarManagerCategories::FreeData(int32_t index) {
    delete GetObject(index);
    vcl::TStringList::PutObject(index, nullptr);
}

TxbBarCategoryData* TxbBarManagerCategories::GetData(int32_t index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return static_cast<TxbBarCategoryData*>(GetObject(index));
}

TxbBarCategoryData* TxbBarManagerCategories::NeedData(int32_t index) {
    if (index < 0 || index >= GetCount())
        return nullptr;
    if (!GetData(index))
        vcl::TStringList::PutObject(index, new TxbBarCategoryData);
    return GetData(index);
}

void TxbBarManagerCategories::Clear() {
    for (int32_t i = 0; i < GetCount(); ++i)
        FreeData(i);
    vcl::TStringList::Clear();
}

void TxbBarManagerCategories::Insert(int32_t index, const std::string& s) {
    if (!FMoving && index >= 0 && index < GetCount())
        for (int32_t i = GetCount() - 1; i >= index; --i)
            Recategorize(FManager, i, i + 1);
    vcl::TStringList::Insert(index, s);
}

void TxbBarManagerCategories::Delete(int32_t index) {
    if (FMoving) {
        vcl::TStringList::Delete(index);
        return;
    }
    if (index < 0 || index >= GetCount()) {
        vcl::TStringList::Delete(index);
        return;
    }
    // The category's items go with it; later categories move up one.
    std::vector<TxbBarItem*> items;
    FManager->GetCategoryItems(index, items);
    for (TxbBarItem* item : items)
        item->Free();
    for (int32_t i = index + 1; i < GetCount(); ++i)
        Recategorize(FManager, i, i - 1);
    FreeData(index);
    vcl::TStringList::Delete(index);
    if (GetCount() == 0)
        Add(lookandfeel::GetLocalizedString(sxbBarDefaultCategory));
}

void TxbBarManagerCategories::Exchange(int32_t index1, int32_t index2) {
    if (index1 >= 0 && index1 < GetCount() && index2 >= 0 && index2 < GetCount() && index1 != index2) {
        std::vector<TxbBarItem*> a, b;
        FManager->GetCategoryItems(index1, a);
        FManager->GetCategoryItems(index2, b);
        for (TxbBarItem* item : a)
            item->SetCategoryIndex(index2);
        for (TxbBarItem* item : b)
            item->SetCategoryIndex(index1);
    }
    vcl::TStringList::Exchange(index1, index2);
}

void TxbBarManagerCategories::Move(int32_t curIndex, int32_t newIndex) {
    if (curIndex < 0 || curIndex >= GetCount() || newIndex < 0 || newIndex >= GetCount() || curIndex == newIndex)
        return;
    constexpr int32_t Parked = -1000;
    Recategorize(FManager, curIndex, Parked);
    if (curIndex < newIndex)
        for (int32_t i = curIndex + 1; i <= newIndex; ++i)
            Recategorize(FManager, i, i - 1);
    else
        for (int32_t i = curIndex - 1; i >= newIndex; --i)
            Recategorize(FManager, i, i + 1);
    Recategorize(FManager, Parked, newIndex);
    FMoving = true;
    try {
        vcl::TStringList::Move(curIndex, newIndex);
    } catch (...) {
        FMoving = false;
        throw;
    }
    FMoving = false;
}

void TxbBarManagerCategories::SetItemsCategory(int32_t from, int32_t to) {
    if (from < 0 || from >= GetCount() || to < 0)
        return;
    Recategorize(FManager, from, to);
}

void TxbBarManagerCategories::DefineProperties(vcl::TFiler* filer) {
    vcl::TStringList::DefineProperties(filer);
    filer->DefineProperty(
        "ItemsVisibles",
        [this](vcl::TReader* reader) {
            BeginUpdate();
            try {
                reader->ReadListBegin();
                for (int32_t i = 0; !reader->EndOfList(); ++i) {
                    const int64_t value = reader->ReadInteger();
                    // An entry outside the three values leaves the category as it was.
                    if (value >= ivNever && value <= ivAlways)
                        FManager->SetCategoryItemsVisible(i, TxbBarItemVisible(value));
                }
                reader->ReadListEnd();
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        },
        [this](vcl::TWriter* writer) {
            writer->WriteListBegin();
            for (int32_t i = 0; i < GetCount(); ++i)
                writer->WriteInteger(FManager->GetCategoryItemsVisible(i));
            writer->WriteListEnd();
        },
        GetCount() > 0);
    filer->DefineProperty(
        "Visibles",
        [this](vcl::TReader* reader) {
            BeginUpdate();
            try {
                reader->ReadListBegin();
                for (int32_t i = 0; !reader->EndOfList(); ++i)
                    FManager->SetCategoryVisible(i, reader->ReadBoolean());
                reader->ReadListEnd();
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        },
        [this](vcl::TWriter* writer) {
            writer->WriteListBegin();
            for (int32_t i = 0; i < GetCount(); ++i)
                writer->WriteBoolean(FManager->GetCategoryVisible(i));
            writer->WriteListEnd();
        },
        GetCount() > 0);
}

// ---- The manager's category operations ----------------------------------------------------------------------

TxbBarItemVisible TxbBarManager::GetCategoryItemsVisible(int32_t index) const {
    if (index < 0 || index >= FCategories->GetCount())
        return ivNever;
    const TxbBarCategoryData* data = FCategories->GetData(index);
    return data ? data->ItemsVisible : ivAlways;
}

bool TxbBarManager::GetCategoryVisible(int32_t index) const {
    if (index < 0 || index >= FCategories->GetCount())
        return false;
    const TxbBarCategoryData* data = FCategories->GetData(index);
    return !data || data->Visible;
}

void TxbBarManager::SetCategoryVisible(int32_t index, bool value) {
    if (index < 0 || index >= FCategories->GetCount() || GetCategoryVisible(index) == value)
        return;
    FCategories->NeedData(index)->Visible = value;
    Modified();
}

void TxbBarManager::SetCategoryItemsVisible(int32_t index, TxbBarItemVisible value) {
    TxbBarCategoryData* data = FCategories->NeedData(index);
    if (!data)
        return;
    if (IsLoading()) {
        data->PendingItemsVisible = value;
        data->HasPending = true;
        return;
    }
    const TxbBarItemVisible old = data->ItemsVisible;
    data->ItemsVisible = value;
    const bool autoHide = !FDesigning && FAutoHideEmptyBars;
    // Bars that have no link to show before the change are left alone by it.
    std::vector<TxbBar*> emptyBefore;
    if (autoHide)
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            if (FBars->GetItem(i)->GetItemLinks()->GetAvailableItemCount() == 0)
                emptyBefore.push_back(FBars->GetItem(i));
    {
        TxbBarRedrawLock lock(this);
        std::vector<TxbBarItem*> items;
        GetCategoryItems(index, items);
        if (value == ivAlways)
            std::reverse(items.begin(), items.end());
        for (TxbBarItem* item : items)
            if (item->GetVisible() == old)
                item->SetVisible(value);
        if (autoHide) {
            for (int32_t i = 0; i < FBars->GetCount(); ++i) {
                TxbBar* bar = FBars->GetItem(i);
                const bool empty = bar->GetItemLinks()->GetAvailableItemCount() == 0;
                if (value == ivNever && empty &&
                    std::find(emptyBefore.begin(), emptyBefore.end(), bar) == emptyBefore.end()) {
                    bar->SetVisible(false);
                    bar->SetHiddenBecauseEmpty(true);
                } else if (value == ivAlways && !empty && bar->GetHiddenBecauseEmpty()) {
                    bar->SetVisible(true);
                    bar->SetHiddenBecauseEmpty(false);
                }
            }
        }
    }
    if (value != old)
        Modified();
}

int32_t TxbBarManager::GetVisibleCategoryIndex(int32_t n) const {
    if (FDesigning)
        return n >= 0 && n < FCategories->GetCount() ? n : -1;
    for (int32_t i = 0; i < FCategories->GetCount(); ++i)
        if (GetCategoryVisible(i) && n-- == 0)
            return i;
    return -1;
}

// ---- TxbBarGroup ----------------------------------------------------------------------------------------------

TxbBarGroup::TxbBarGroup(vcl::TComponent* owner) : vcl::TComponent(owner) {
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(owner))
        SetBarManager(GetBarManagerByForm(form));
}

TxbBarGroup::~TxbBarGroup() {
    Destroying();
    SetBarManager(nullptr);
    for (vcl::TComponent* member : FMembers)
        member->RemoveFreeNotification(this);
    FMembers.clear();
}

void TxbBarGroup::SetBarManager(TxbBarManager* value) {
    if (value == FBarManager)
        return;
    if (FBarManager)
        FBarManager->RemoveGroup(this);
    FBarManager = value;
    if (FBarManager)
        FBarManager->AddGroup(this);
}

vcl::TComponent* TxbBarGroup::GetParentComponent() const { return FBarManager; }

void TxbBarGroup::SetParentComponent(vcl::TComponent* value) {
    if (auto* manager = dynamic_cast<TxbBarManager*>(value))
        SetBarManager(manager);
}

vcl::TComponent* TxbBarGroup::GetItem(int32_t index) const {
    return index >= 0 && index < GetCount() ? FMembers[size_t(index)] : nullptr;
}

int32_t TxbBarGroup::IndexOf(const vcl::TComponent* component) const {
    auto it = std::find(FMembers.begin(), FMembers.end(), component);
    return it == FMembers.end() ? -1 : int32_t(it - FMembers.begin());
}

bool TxbBarGroup::Contains(const TxbBarGroup* group) const {
    // Groups cannot hold each other (Add refuses it), so the walk ends; a depth bound keeps it sure.
    std::vector<const TxbBarGroup*> pending{this};
    for (size_t seen = 0; !pending.empty() && seen < 100000; ++seen) {
        const TxbBarGroup* g = pending.back();
        pending.pop_back();
        if (g == group)
            return true;
        for (vcl::TComponent* m : g->FMembers)
            if (auto* nested = dynamic_cast<TxbBarGroup*>(m))
                pending.push_back(nested);
    }
    return false;
}

void TxbBarGroup::Add(vcl::TComponent* component) {
    if (!component || IndexOf(component) >= 0)
        return;
    auto* group = dynamic_cast<TxbBarGroup*>(component);
    if (!group && !dynamic_cast<TxbBarItem*>(component))
        return;
    // This group, or a group that holds this one, would contain itself.
    if (group && group->Contains(this))
        throw vcl::Exception(lookandfeel::GetLocalizedString(sxbBarRecursiveGroups));
    FMembers.push_back(component);
    component->FreeNotification(this);
}

void TxbBarGroup::Remove(vcl::TComponent* component) {
    const int32_t index = IndexOf(component);
    if (index < 0)
        return;
    FMembers.erase(FMembers.begin() + index);
}

void TxbBarGroup::Move(int32_t curIndex, int32_t newIndex) {
    if (curIndex < 0 || curIndex >= GetCount() || newIndex < 0 || newIndex >= GetCount())
        return;
    vcl::TComponent* member = FMembers[size_t(curIndex)];
    FMembers.erase(FMembers.begin() + curIndex);
    FMembers.insert(FMembers.begin() + newIndex, member);
}

int32_t TxbBarGroup::GetIndex() const { return FBarManager ? FBarManager->IndexOfGroup(this) : -1; }

void TxbBarGroup::SetIndex(int32_t value) {
    if (FBarManager)
        FBarManager->MoveGroup(GetIndex(), value);
}

void TxbBarGroup::SetEnabled(bool value) {
    FEnabled = value;
    std::unique_ptr<TxbBarRedrawLock> lock;
    if (FBarManager && !IsLoading() && !IsDestroying())
        lock = std::make_unique<TxbBarRedrawLock>(FBarManager);
    for (vcl::TComponent* member : std::vector<vcl::TComponent*>(FMembers)) {
        if (auto* item = dynamic_cast<TxbBarItem*>(member))
            item->SetEnabled(value);
        else if (auto* group = dynamic_cast<TxbBarGroup*>(member))
            group->SetEnabled(value);
    }
}

void TxbBarGroup::SetVisible(TxbBarItemVisible value) {
    FVisible = value;
    std::unique_ptr<TxbBarRedrawLock> lock;
    if (FBarManager && !IsLoading() && !IsDestroying())
        lock = std::make_unique<TxbBarRedrawLock>(FBarManager);
    for (vcl::TComponent* member : std::vector<vcl::TComponent*>(FMembers)) {
        if (auto* item = dynamic_cast<TxbBarItem*>(member))
            item->SetVisible(value);
        else if (auto* group = dynamic_cast<TxbBarGroup*>(member))
            group->SetVisible(value);
    }
}

void TxbBarGroup::Loaded() {
    vcl::TComponent::Loaded();
    vcl::TComponent* form = FBarManager ? static_cast<vcl::TComponent*>(FBarManager->GetOwnerForm()) : GetOwner();
    // Names that are no longer on the form are dropped.
    for (const std::string& name : FPendingNames)
        if (vcl::TComponent* member = form ? form->FindComponent(name) : nullptr) {
            try {
                Add(member);
            } catch (const vcl::Exception&) {
                // A stored loop of groups keeps the groups apart.
            }
        }
    FPendingNames.clear();
}

void TxbBarGroup::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation == vcl::opRemove && component != this)
        Remove(component);
}

void TxbBarGroup::SetName(const std::string& value) {
    vcl::TComponent::SetName(value);
    // The customizing form's group list refreshes here once it exists.
}

void TxbBarGroup::DefineProperties(vcl::TFiler* filer) {
    vcl::TComponent::DefineProperties(filer);
    filer->DefineProperty(
        "Items",
        [this](vcl::TReader* reader) {
            FPendingNames.clear();
            reader->ReadListBegin();
            while (!reader->EndOfList())
                FPendingNames.push_back(reader->ReadString());
            reader->ReadListEnd();
        },
        [this](vcl::TWriter* writer) {
            writer->WriteListBegin();
            for (vcl::TComponent* member : FMembers)
                writer->WriteString(member->GetName());
            writer->WriteListEnd();
        },
        !FMembers.empty());
}

void RegisterBarGroupTables() {
    using T = TxbBarGroup;
    vcl::DefineClassProperties<T, vcl::TComponent>()
        .Property("Enabled", &T::GetEnabled, &T::SetEnabled)
        .Default(true)
        .Property("Visible", &T::GetVisible, &T::SetVisible)
        .Default(ivAlways);
    vcl::RegisterClass(
        "TxbBarGroup", [](vcl::TComponent* owner) -> vcl::TPersistent* { return new T(owner); }, typeid(T));
}

} // namespace bars
