#include "platform/vcl/Collection.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"

#include <algorithm>

namespace vcl {

namespace {

[[noreturn]] void CollIndexError(int32_t index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

// ---- TCollectionItem --------------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) {
    if (collection)
        collection->InsertItem(this, collection->GetCount());
}

TCollectionItem::~TCollectionItem() {
    if (FCollection)
        FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
    if (value == FCollection)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (value)
        value->InsertItem(this, value->GetCount());
}

int32_t TCollectionItem::GetIndex() const {
    if (!FCollection)
        return -1;
    auto& items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

void TCollectionItem::SetIndex(int32_t value) {
    int32_t current = GetIndex();
    if (current < 0 || current == value)
        return;
    auto& items = FCollection->FItems;
    if (value < 0 || value >= static_cast<int32_t>(items.size()))
        CollIndexError(value);
    items.erase(items.begin() + current);
    items.insert(items.begin() + value, this);
    Changed(true);
}

std::string TCollectionItem::GetDisplayName() {
    return ClassName();
}

void TCollectionItem::SetDisplayName(const std::string&) {
    Changed(false);
}

TPersistent* TCollectionItem::GetOwner() {
    return FCollection;
}

std::string TCollectionItem::GetNamePath() {
    if (!FCollection)
        return ClassName();
    return FCollection->GetNamePath() + "[" + std::to_string(GetIndex()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
    if (FCollection)
        FCollection->ItemChanged(allItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass, TPersistent* owner)
    : FItemClass(std::move(itemClass)), FOwner(owner) {}

TCollection::~TCollection() {
    // No change reports from a collection that is going away.
    FUpdateCount = 1;
    while (!FItems.empty())
        delete FItems.back();
}

void TCollection::InsertItem(TCollectionItem* item, int32_t index) {
    FItems.insert(FItems.begin() + index, item);
    item->FCollection = this;
    item->FID = FNextID++;
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return;
    Notify(item, cnExtracting);
    FItems.erase(std::find(FItems.begin(), FItems.end(), item));
    item->FCollection = nullptr;
    Changed();
}

void TCollection::ItemChanged(TCollectionItem* item) {
    if (FUpdateCount == 0)
        Update(item);
}

void TCollection::Changed() {
    if (FUpdateCount == 0)
        Update(nullptr);
}

TCollectionItem* TCollection::Add() {
    if (!FItemClass)
        throw EInvalidOperation("The collection has no item class");
    TCollectionItem* item = FItemClass(this);
    if (!item)
        throw EInvalidOperation("The collection's item class made no item");
    if (item->FCollection != this)
        item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int32_t index) {
    if (index < 0 || index > GetCount())
        CollIndexError(index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int32_t index) {
    TCollectionItem* item = GetItem(index);
    Notify(item, cnDeleting);
    // Leave the collection while the item is still whole, then destroy it.
    RemoveItem(item);
    delete item;
}

void TCollection::Clear() {
    if (FItems.empty())
        return;
    WithUpdate(this, [&] {
        while (!FItems.empty())
            Delete(GetCount() - 1);
    });
}

TCollectionItem* TCollection::GetItem(int32_t index) const {
    if (index < 0 || index >= GetCount())
        CollIndexError(index);
    return FItems[size_t(index)];
}

void TCollection::SetItem(int32_t index, TCollectionItem* value) {
    GetItem(index)->Assign(value);
}

TCollectionItem* TCollection::FindItemID(int32_t id) const {
    for (TCollectionItem* item : FItems)
        if (item->FID == id)
            return item;
    return nullptr;
}

void TCollection::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    WithUpdate(this, [&] {
        Clear();
        for (TCollectionItem* item : other->FItems)
            Add()->Assign(item);
    });
}

void TCollection::BeginUpdate() {
    ++FUpdateCount;
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

std::string TCollection::GetNamePath() {
    if (FOwner) {
        std::string path = FOwner->GetNamePath();
        if (!path.empty())
            return path + "." + FPropName;
    }
    return ClassName();
}

} // namespace vcl
