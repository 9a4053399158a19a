// Threads' identities and the synchronisation objects of the layer: critical sections, events and the
// waits on them. Waits measure their time-outs on the installed clock (Clock.h), so a manual clock drives
// them in tests.
#pragma once

#include "platform/win/WinTypes.h"

#include <atomic>
#include <mutex>

namespace win {

// A small number that names the calling thread for the rest of its life (1, 2, 3 ... in order of first
// use), unlike the pthread id.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
// For thread classes: reserve an id before the thread runs, and give it to the thread as its first act,
// so that the id is known from the moment the thread object exists. Ignored once the thread has an id.
DWORD AllocateThreadId();
void BindCurrentThreadId(DWORD id);

// A lock that the owning thread may enter again; each Enter needs its Leave.
struct TRTLCriticalSection {
    std::recursive_mutex Mutex;
    std::atomic<DWORD> OwningThread{0};
    int32_t RecursionCount = 0; // touched only by the owner
    bool Initialized = false;
};
using CRITICAL_SECTION = TRTLCriticalSection;

void InitializeCriticalSection(TRTLCriticalSection* section);
void DeleteCriticalSection(TRTLCriticalSection* section);
void EnterCriticalSection(TRTLCriticalSection* section);
// Ignored (nothing is unlocked) when the calling thread does not own the section.
void LeaveCriticalSection(TRTLCriticalSection* section);
BOOL TryEnterCriticalSection(TRTLCriticalSection* section);

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// An event: manual-reset events stay signalled until reset; auto-reset events release one waiter and
// reset themselves. Returns a handle to close with CloseHandle. The name is accepted and ignored.
HANDLE CreateEvent(void* securityAttributes, BOOL manualReset, BOOL initialState, const char* name = nullptr);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits until the object is signalled (WAIT_OBJECT_0) or timeoutMs of the installed clock have passed
// (WAIT_TIMEOUT); INFINITE waits without end. WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that is not
// an open waitable object of this layer.
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
// With waitAll false: WAIT_OBJECT_0 + the index of the first signalled object. With waitAll true: returns
// when every object is signalled at the same moment, and only then consumes the auto-reset ones.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs);

// How many threads are blocked in the waits above now, so that a test can move a manual clock only once a
// worker has reached its wait.
DWORD GetBlockedWaitCount();

// Atomic operations on a plain 32-bit variable; each returns the new value (Increment, Decrement) or the
// value before (Exchange, CompareExchange).
inline LONG InterlockedIncrement(LONG* target) {
    return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG* target) {
    return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchange(LONG* target, LONG value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG* target, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

// Closes a handle of this layer's kernel objects; an object being waited on lives until the waits end.
BOOL CloseHandle(HANDLE handle);

} // namespace win
