// Global memory blocks: the movable, lockable blocks that clipboard and drag-and-drop data travel in.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstddef>

namespace win {

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_SHARE = GMEM_DDESHARE;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A block of exactly size bytes (zero-filled with GMEM_ZEROINIT; blocks never move here, so every flag
// gives the same kind of block). Null with ERROR_NOT_ENOUGH_MEMORY when it cannot be had.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T size);
// Changes the size keeping the content; the handle stays the same. Null on failure (the block is kept).
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T size, UINT flags);
// The block's memory; null for a handle that is not a live block (ERROR_INVALID_HANDLE).
void* GlobalLock(HGLOBAL block);
// TRUE while the block is still locked after this call; FALSE (last error ERROR_SUCCESS) when it is not.
BOOL GlobalUnlock(HGLOBAL block);
// The size asked for at allocation, 0 for a bad handle.
SIZE_T GlobalSize(HGLOBAL block);
// Null on success; the handle itself when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL block);

} // namespace win
