// Pointer lists of the class library: TList, TObjectList and the locked TThreadList.
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace vcl {

using Pointer = void*;

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
    ~TList() override;

    int32_t Add(Pointer item);
    void Insert(int32_t index, Pointer item);
    void Delete(int32_t index);
    int32_t Remove(Pointer item);
    Pointer Extract(Pointer item);
    void Clear();
    void Exchange(int32_t index1, int32_t index2);
    void Move(int32_t curIndex, int32_t newIndex);
    int32_t IndexOf(Pointer item) const;
    Pointer First() const;
    Pointer Last() const;
    void Pack();
    void Sort(const std::function<int(Pointer, Pointer)>& compare);

    Pointer Get(int32_t index) const;
    void Put(int32_t index, Pointer item);
    Pointer operator[](int32_t index) const { return Get(index); }
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    int32_t Count() const { return GetCount(); }
    void SetCount(int32_t count);
    int32_t GetCapacity() const { return static_cast<int32_t>(FItems.capacity()); }
    void SetCapacity(int32_t capacity);

    // Raises EListError with the class library's text for a bad index.
    [[noreturn]] static void Error(const char* message, int32_t data);

protected:
    virtual void Notify(Pointer item, TListNotification action) {}

private:
    void CheckIndex(int32_t index) const;
    std::vector<Pointer> FItems;
};

// A list that frees the objects it holds when they are deleted, unless OwnsObjects is false.
class TObjectList : public TList {
public:
    explicit TObjectList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
    ~TObjectList() override { Clear(); }

    int32_t Add(TObject* obj) { return TList::Add(obj); }
    TObject* Get(int32_t index) const { return static_cast<TObject*>(TList::Get(index)); }
    TObject* operator[](int32_t index) const { return Get(index); }
    bool GetOwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

protected:
    void Notify(Pointer item, TListNotification action) override;

private:
    bool FOwnsObjects;
};

// A list behind a recursive lock: handlers that run while the list is locked may lock it again.
class TThreadList : public TObject {
public:
    TList* LockList();
    void UnlockList();
    void Add(Pointer item);
    void Remove(Pointer item);
    void Clear();

private:
    std::recursive_mutex FLock;
    TList FList;
};

} // namespace vcl
