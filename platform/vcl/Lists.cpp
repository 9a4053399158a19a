#include "platform/vcl/Lists.h"

#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <string>

namespace vcl {

TList::~TList() {
    // Derived lists free their items in their own destructors; here the vector just goes.
}

void TList::Error(const char* message, int32_t data) {
    std::string text(message);
    auto at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(data));
    throw EListError(text);
}

void TList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= GetCount())
        Error("List index out of bounds (%d)", index);
}

int32_t TList::Add(Pointer item) {
    FItems.push_back(item);
    if (item)
        Notify(item, lnAdded);
    return GetCount() - 1;
}

void TList::Insert(int32_t index, Pointer item) {
    if (index < 0 || index > GetCount())
        Error("List index out of bounds (%d)", index);
    FItems.insert(FItems.begin() + index, item);
    if (item)
        Notify(item, lnAdded);
}

void TList::Delete(int32_t index) {
    CheckIndex(index);
    Pointer item = FItems[index];
    FItems.erase(FItems.begin() + index);
    if (item)
        Notify(item, lnDeleted);
}

int32_t TList::Remove(Pointer item) {
    int32_t index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

Pointer TList::Extract(Pointer item) {
    int32_t index = IndexOf(item);
    if (index < 0)
        return nullptr;
    FItems.erase(FItems.begin() + index);
    Notify(item, lnExtracted);
    return item;
}

void TList::Clear() {
    // Delete from the end so that notifications see a consistent list.
    while (!FItems.empty())
        Delete(GetCount() - 1);
    FItems.shrink_to_fit();
}

void TList::Exchange(int32_t index1, int32_t index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FItems[index1], FItems[index2]);
}

void TList::Move(int32_t curIndex, int32_t newIndex) {
    if (curIndex == newIndex)
        return;
    CheckIndex(newIndex);
    CheckIndex(curIndex);
    Pointer item = FItems[curIndex];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
}

int32_t TList::IndexOf(Pointer item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

Pointer TList::First() const { return Get(0); }
Pointer TList::Last() const { return Get(GetCount() - 1); }

void TList::Pack() { FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end()); }

void TList::Sort(const std::function<int(Pointer, Pointer)>& compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](Pointer a, Pointer b) { return compare(a, b) < 0; });
}

Pointer TList::Get(int32_t index) const {
    CheckIndex(index);
    return FItems[index];
}

void TList::Put(int32_t index, Pointer item) {
    CheckIndex(index);
    Pointer old = FItems[index];
    if (old == item)
        return;
    FItems[index] = item;
    if (old)
        Notify(old, lnDeleted);
    if (item)
        Notify(item, lnAdded);
}

void TList::SetCount(int32_t count) {
    if (count < 0)
        Error("List count out of bounds (%d)", count);
    while (GetCount() > count)
        Delete(GetCount() - 1);
    FItems.resize(count, nullptr);
}

void TList::SetCapacity(int32_t capacity) {
    if (capacity < GetCount())
        Error("List capacity out of bounds (%d)", capacity);
    FItems.reserve(capacity);
}

void TObjectList::Notify(Pointer item, TListNotification action) {
    if (FOwnsObjects && action == lnDeleted)
        delete static_cast<TObject*>(item);
}

TList* TThreadList::LockList() {
    FLock.lock();
    return &FList;
}

void TThreadList::UnlockList() { FLock.unlock(); }

void TThreadList::Add(Pointer item) {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    if (FList.IndexOf(item) < 0)
        FList.Add(item);
}

void TThreadList::Remove(Pointer item) {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    FList.Remove(item);
}

void TThreadList::Clear() {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    FList.Clear();
}

} // namespace vcl
