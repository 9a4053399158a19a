// TCollection: an owned, ordered list of items of one class, each a TCollectionItem.
#pragma once

#include "platform/vcl/Persistent.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vcl {

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Joins collection (when not null), at its end.
    explicit TCollectionItem(TCollection* collection = nullptr);
    // Leaves its collection.
    ~TCollectionItem() override;

    TCollection* GetCollection() const { return FCollection; }
    // Moves the item to another collection (or none).
    virtual void SetCollection(TCollection* value);
    // Unique within the collection and never reused by it.
    int32_t GetID() const { return FID; }
    // The position in the collection, -1 without one. Setting it moves the item.
    int32_t GetIndex() const;
    virtual void SetIndex(int32_t value);
    // The class name unless a derived item says otherwise.
    virtual std::string GetDisplayName();
    virtual void SetDisplayName(const std::string& value);
    TPersistent* GetOwner() override;
    std::string GetNamePath() override;

protected:
    // Tells the collection this item (or, with allItems, every item) changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int32_t FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// Makes one new item; it may join the collection it is given or be returned without one (Add puts it in).
using TCollectionItemClass = std::function<TCollectionItem*(TCollection* collection)>;
template <typename T> TCollectionItemClass CollectionItemClassOf() {
    return [](TCollection*) -> TCollectionItem* { return new T(nullptr); };
}

class TCollection : public TPersistent {
public:
    explicit TCollection(TCollectionItemClass itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int32_t index);
    void Delete(int32_t index);
    void Clear();
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    int32_t Count() const { return GetCount(); }
    // Raises EListError for a bad index.
    TCollectionItem* GetItem(int32_t index) const;
    // Assigns value to the item at index.
    void SetItem(int32_t index, TCollectionItem* value);
    TCollectionItem* FindItemID(int32_t id) const;

    // Item by item through the items' own Assign, as one change.
    void Assign(TPersistent* source) override;

    // Nested; one Update(nullptr) when the outermost EndUpdate runs.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int32_t GetUpdateCount() const { return FUpdateCount; }

    TPersistent* GetOwner() override { return FOwner; }
    std::string GetNamePath() override;
    // The property name of the collection in its owner ("Items" when not set).
    void SetPropName(const std::string& value) { FPropName = value; }
    const TCollectionItemClass& GetItemClass() const { return FItemClass; }

protected:
    // item changed, or (null) several items or the list did. Not called while updating.
    virtual void Update(TCollectionItem* item) {}
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item, int32_t index);
    void RemoveItem(TCollectionItem* item);
    void ItemChanged(TCollectionItem* item);
    TCollectionItemClass FItemClass;
    TPersistent* FOwner;
    std::vector<TCollectionItem*> FItems;
    int32_t FUpdateCount = 0;
    int32_t FNextID = 0;
    std::string FPropName = "Items";
};

} // namespace vcl
