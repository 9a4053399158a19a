#include "imaging/core/IKContainers.h"

#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace imaging {

void TIKList::SetCount(int32_t n) {
    if (n < 0)
        throw vcl::EListError("List count out of bounds (" + std::to_string(n) + ")");
    // New items start zeroed rather than undefined.
    FData.resize(size_t(n) * size_t(FItemSize));
    FCount = n;
    FChanged |= 1;
}

void TIKList::Delete(int32_t index) {
    if (index < 0 || index >= FCount)
        return;
    auto first = FData.begin() + ptrdiff_t(index) * FItemSize;
    FData.erase(first, first + FItemSize);
    --FCount;
    FChanged |= 1;
}

void TIKList::Clear() {
    FCount = 0;
    FData.clear();
    FData.shrink_to_fit();
    FChanged = 0;
}

void TIKList::Assign(const TIKList* source) {
    if (!source || source == this)
        return;
    FCount = source->FCount;
    FItemSize = source->FItemSize;
    FChanged = source->FChanged;
    FData = source->FData;
}

int32_t TIKList::Add(const void* item) {
    SetCount(FCount + 1);
    if (FItemSize > 0)
        std::memcpy(ItemAddress(FCount - 1), item, size_t(FItemSize));
    FChanged |= 1;
    return FCount - 1;
}

namespace {

void ContainersCheckIndex(const TIKList& list, int32_t index) {
    if (index < 0 || index >= list.GetCount())
        throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

template <class T> void TIKValueList<T>::Clear() {
    TIKList::Clear();
    SetItemSize(sizeof(T));
    RangeMin = RangeMax = RangeStep = CurrentValue = 0;
}

template <class T> void TIKValueList<T>::Assign(const TIKList* source) {
    TIKList::Assign(source);
    if (auto* s = dynamic_cast<const TIKValueList<T>*>(source)) {
        RangeMin = s->RangeMin;
        RangeMax = s->RangeMax;
        RangeStep = s->RangeStep;
        CurrentValue = s->CurrentValue;
    }
}

template <class T> T TIKValueList<T>::Get(int32_t index) const {
    ContainersCheckIndex(*this, index);
    T v;
    std::memcpy(&v, ItemAddress(index), sizeof v);
    return v;
}

template <class T> void TIKValueList<T>::Put(int32_t index, T value) {
    ContainersCheckIndex(*this, index);
    std::memcpy(ItemAddress(index), &value, sizeof value);
    SetChanged(GetChanged() | 1);
}

template class TIKValueList<double>;
template class TIKValueList<int32_t>;

TIKRecordList::TIKRecordList(int32_t itemSize) {
    if (itemSize < 0)
        throw vcl::EListError("Invalid item size");
    SetItemSize(itemSize);
}

TIKByteArray::TIKByteArray() : FCapacity(8192), FData(8192) {}

void TIKByteArray::SetSize(int32_t n) {
    if (n < 0)
        throw vcl::ERangeError("Byte array size out of range");
    if (n > INT32_MAX - FGrowth)
        throw vcl::EOutOfMemory("Byte array too large");
    int32_t capacity = FCapacity;
    if (n > FSize) {
        if (n > FCapacity)
            capacity = n + FGrowth;
    } else if (n < FCapacity - FGrowth) {
        capacity = n + FGrowth;
    }
    if (capacity != FCapacity) {
        std::vector<uint8_t> block(size_t(capacity), 0);
        std::memcpy(block.data(), FData.data(), size_t(std::min(FSize, n)));
        FData.swap(block);
        FCapacity = capacity;
    }
    FSize = n;
}

void TIKByteArray::AddByte(uint8_t b) {
    SetSize(FSize + 1);
    FData[size_t(FSize - 1)] = b;
}

int32_t TNulStream::Read(void* buffer, int32_t count) {
    if (count <= 0)
        return 0;
    std::memset(buffer, 0, size_t(count));
    FPosition += count;
    FSize = std::max(FSize, FPosition);
    return count;
}

int32_t TNulStream::Write(const void*, int32_t count) {
    if (count <= 0)
        return 0;
    FPosition += count;
    FSize = std::max(FSize, FPosition);
    return count;
}

int64_t TNulStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
    switch (origin) {
    case vcl::soBeginning:
        FPosition = offset;
        break;
    case vcl::soCurrent:
        FPosition += offset;
        break;
    // Counted from the end like every other stream (a negative offset lies before the end).
    case vcl::soEnd:
        FPosition = FSize + offset;
        break;
    default:
        return FPosition;
    }
    FPosition = std::max<int64_t>(FPosition, 0);
    FSize = std::max(FSize, FPosition);
    return FPosition;
}

void TNulStream::SetSize(int64_t newSize) {
    FSize = std::max<int64_t>(newSize, 0);
    FPosition = std::min(FPosition, FSize);
}

THash1::THash1(int32_t bits) {
    if (bits < 0 || bits > 30)
        throw vcl::ERangeError("Hash table size out of range");
    FBits = bits;
    FBucketCount = uint32_t(1) << bits;
    FSlots.assign(FBucketCount, 0);
    FStates.assign(FBucketCount, hsEmpty);
}

bool THash1::Insert(uint32_t value) {
    uint32_t b = Hash(value);
    switch (FStates[b]) {
    case hsEmpty:
        FSlots[b] = value;
        FStates[b] = hsSingle;
        break;
    case hsSingle:
        if (FSlots[b] == value)
            return false;
        FChains.push_back({FSlots[b], value});
        FSlots[b] = uint32_t(FChains.size() - 1);
        FStates[b] = hsChain;
        break;
    default: {
        auto& chain = FChains[FSlots[b]];
        if (std::find(chain.begin(), chain.end(), value) != chain.end())
            return false;
        chain.push_back(value);
    }
    }
    ++FCount;
    return true;
}

} // namespace imaging
