// Small containers of the imaging library: growable arrays of fixed-size items, a growable byte array,
// a stream that only counts, and a set of 32-bit values.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/vcl/Streams.h"

#include <cstdint>
#include <vector>

namespace imaging {

// A growable array of items of ItemSize bytes each. Bit 0 of Changed is set by every change of the items.
class TIKList : public vcl::TObject {
public:
    TIKList() = default;

    virtual void SetCount(int32_t n);
    virtual void Delete(int32_t index);
    virtual void Clear();
    virtual void Assign(const TIKList* source);
    // Appends a copy of the ItemSize bytes at item; returns the new item's index.
    int32_t Add(const void* item);
    uint8_t* ItemAddress(int32_t index) { return FData.data() + size_t(index) * size_t(FItemSize); }
    const uint8_t* ItemAddress(int32_t index) const {
        return FData.data() + size_t(index) * size_t(FItemSize);
    }

    int32_t GetCount() const { return FCount; }
    int32_t GetItemSize() const { return FItemSize; }
    uint8_t GetChanged() const { return FChanged; }
    void SetChanged(uint8_t value) { FChanged = value; }

protected:
    void SetItemSize(int32_t size) { FItemSize = size; }

private:
    int32_t FCount = 0;
    int32_t FItemSize = 0;
    std::vector<uint8_t> FData;
    uint8_t FChanged = 0;
};

// Items of type T (double or int32_t); a range and a current value go with them.
template <class T> class TIKValueList : public TIKList {
public:
    TIKValueList() { TIKValueList::Clear(); }
    void Clear() override;
    void Assign(const TIKList* source) override;
    int32_t Add(T value) { return TIKList::Add(&value); }
    T Get(int32_t index) const;
    void Put(int32_t index, T value);

    T RangeMin = 0;
    T RangeMax = 0;
    T RangeStep = 0;
    T CurrentValue = 0;
};
extern template class TIKValueList<double>;
extern template class TIKValueList<int32_t>;

class TIKDoubleList : public TIKValueList<double> {};
class TIKIntegerList : public TIKValueList<int32_t> {};

// Items of a size given at construction.
class TIKRecordList : public TIKList {
public:
    explicit TIKRecordList(int32_t itemSize);
};

// A growable byte array; its capacity grows and shrinks in steps of Growth bytes.
class TIKByteArray : public vcl::TObject {
public:
    TIKByteArray();
    void SetSize(int32_t n);
    void AddByte(uint8_t b);

    int32_t GetSize() const { return FSize; }
    int32_t GetCapacity() const { return FCapacity; }
    uint8_t* Data() { return FData.data(); }
    const uint8_t* Data() const { return FData.data(); }

private:
    int32_t FSize = 0;
    int32_t FCapacity = 0;
    int32_t FGrowth = 8192;
    std::vector<uint8_t> FData;
};

// A stream that stores nothing: it counts what is written, so that an encoder writing into it measures the
// encoded size.
class TNulStream : public vcl::TStream {
public:
    // Reads give zero bytes (the stream holds nothing) and move the position like writes.
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;
    int64_t GetSize() override { return FSize; }
    void SetSize(int64_t newSize) override;
    int64_t Position() const { return FPosition; }

private:
    int64_t FPosition = 0;
    int64_t FSize = 0;
};

// A set of 32-bit values hashed on their low Bits bits.
class THash1 : public vcl::TObject {
public:
    explicit THash1(int32_t bits);
    uint32_t Hash(uint32_t value) const { return value & (FBucketCount - 1); }
    // True when value was not yet present.
    bool Insert(uint32_t value);
    int32_t GetCount() const { return FCount; }
    int32_t GetBucketCount() const { return int32_t(FBucketCount); }

private:
    enum : uint8_t { hsEmpty = 0, hsSingle = 1, hsChain = 2 };
    std::vector<uint32_t> FSlots; // hsSingle: the value; hsChain: the index of its chain
    std::vector<uint8_t> FStates;
    std::vector<std::vector<uint32_t>> FChains;
    int32_t FBits = 0;
    uint32_t FBucketCount = 1;
    int32_t FCount = 0;
};

} // namespace imaging
