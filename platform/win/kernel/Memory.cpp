#include "platform/win/kernel/Memory.h"

#include "platform/win/kernel/Errors.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>

namespace win {

namespace {

struct MemoryBlock final : HandleObject {
    std::unique_ptr<unsigned char[]> Data;
    size_t Size = 0;
    int32_t Locks = 0;
};

struct MemoryRegistry {
    std::mutex Mutex;
    std::unordered_set<HandleObject*> Blocks;
};

MemoryRegistry& MemoryBlocks() {
    static MemoryRegistry* registry = new MemoryRegistry; // outlives every static object that frees blocks
    return *registry;
}

// The live block behind handle, or null with ERROR_INVALID_HANDLE; the registry's lock is held by the caller.
MemoryBlock* MemoryFind(MemoryRegistry& registry, HGLOBAL handle) {
    if (!registry.Blocks.count(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<MemoryBlock*>(handle);
}

std::unique_ptr<unsigned char[]> MemoryNew(size_t size, bool zero) {
    // At least one byte, so that a locked empty block still has an address.
    auto data = std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[size ? size : 1]);
    if (data && zero)
        std::memset(data.get(), 0, size ? size : 1);
    return data;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T size) {
    auto block = std::make_unique<MemoryBlock>();
    block->Data = MemoryNew(size, flags & GMEM_ZEROINIT);
    if (!block->Data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    block->Size = size;
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    registry.Blocks.insert(block.get());
    return block.release();
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T size, UINT flags) {
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    MemoryBlock* block = MemoryFind(registry, handle);
    if (!block)
        return nullptr;
    auto data = MemoryNew(size, flags & GMEM_ZEROINIT);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(data.get(), block->Data.get(), std::min(size, block->Size));
    block->Data = std::move(data);
    block->Size = size;
    return handle;
}

void* GlobalLock(HGLOBAL handle) {
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    MemoryBlock* block = MemoryFind(registry, handle);
    if (!block)
        return nullptr;
    ++block->Locks;
    return block->Data.get();
}

BOOL GlobalUnlock(HGLOBAL handle) {
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    MemoryBlock* block = MemoryFind(registry, handle);
    if (!block)
        return FALSE;
    if (block->Locks > 0)
        --block->Locks;
    SetLastError(ERROR_SUCCESS);
    return block->Locks > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL handle) {
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    MemoryBlock* block = MemoryFind(registry, handle);
    return block ? block->Size : 0;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    MemoryRegistry& registry = MemoryBlocks();
    std::lock_guard lock(registry.Mutex);
    MemoryBlock* block = MemoryFind(registry, handle);
    if (!block)
        return handle;
    registry.Blocks.erase(handle);
    delete block;
    return nullptr;
}

} // namespace win
