#include "platform/win/kernel/Sync.h"

#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Errors.h"

#include <algorithm>
#include <condition_variable>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace win {

namespace {

std::atomic<DWORD> SyncNextThreadId{1};
thread_local DWORD SyncThreadId = 0;

// One wait in progress: its condition variable is notified when one of its objects is signalled or the
// clock moves.
struct SyncWaitBlock {
    std::condition_variable Wake;
};

// Every kernel object's state is guarded by the one kernel lock; waits are short and few, so one lock
// keeps multi-object waits and clock moves simple and free of lock-order problems.
struct SyncObject : HandleObject {
    int32_t References = 1; // the handle, plus one per wait in progress
    std::vector<SyncWaitBlock*> Waiters;
    virtual bool IsSignalled() const = 0;
    virtual void Acquired() {} // a wait was satisfied by this object
};

struct SyncEvent final : SyncObject {
    bool ManualReset = false;
    bool Signalled = false;
    bool IsSignalled() const override { return Signalled; }
    void Acquired() override {
        if (!ManualReset)
            Signalled = false;
    }
};

struct SyncKernel {
    std::mutex Lock;
    std::unordered_map<HandleObject*, SyncObject*> Handles;
    std::vector<SyncWaitBlock*> TimedWaits;
    DWORD Blocked = 0;
};

// Never destroyed: threads that outlive main (detached, self-freeing) may still signal at exit.
SyncKernel& SyncState() {
    static SyncKernel* kernel = new SyncKernel;
    return *kernel;
}

// Wakes the timed waits whenever the clock jumps, so that a manual clock drives their time-outs.
void SyncListenToClock() {
    static const uint32_t listener = AddClockListener([](uint64_t) {
        SyncKernel& kernel = SyncState();
        std::lock_guard lock(kernel.Lock);
        for (SyncWaitBlock* wait : kernel.TimedWaits)
            wait->Wake.notify_all();
    });
    (void)listener;
}

SyncObject* SyncFind(SyncKernel& kernel, HANDLE handle) {
    auto it = kernel.Handles.find(handle);
    return it == kernel.Handles.end() ? nullptr : it->second;
}

void SyncRelease(SyncObject* object) {
    if (--object->References == 0)
        delete object;
}

void SyncWakeWaiters(SyncObject* object) {
    for (SyncWaitBlock* wait : object->Waiters)
        wait->Wake.notify_all();
}

SyncEvent* SyncFindEvent(SyncKernel& kernel, HANDLE handle) {
    SyncEvent* event = dynamic_cast<SyncEvent*>(SyncFind(kernel, handle));
    if (!event)
        SetLastError(ERROR_INVALID_HANDLE);
    return event;
}

} // namespace

DWORD GetCurrentThreadId() {
    if (SyncThreadId == 0)
        SyncThreadId = SyncNextThreadId.fetch_add(1);
    return SyncThreadId;
}

DWORD GetCurrentProcessId() {
    return DWORD(getpid());
}

DWORD AllocateThreadId() {
    return SyncNextThreadId.fetch_add(1);
}

void BindCurrentThreadId(DWORD id) {
    if (SyncThreadId == 0 && id != 0)
        SyncThreadId = id;
}

void InitializeCriticalSection(TRTLCriticalSection* section) {
    section->OwningThread = 0;
    section->RecursionCount = 0;
    section->Initialized = true;
}

void DeleteCriticalSection(TRTLCriticalSection* section) {
    section->Initialized = false;
}

void EnterCriticalSection(TRTLCriticalSection* section) {
    section->Mutex.lock();
    section->OwningThread = GetCurrentThreadId();
    ++section->RecursionCount;
}

BOOL TryEnterCriticalSection(TRTLCriticalSection* section) {
    if (!section->Mutex.try_lock())
        return FALSE;
    section->OwningThread = GetCurrentThreadId();
    ++section->RecursionCount;
    return TRUE;
}

void LeaveCriticalSection(TRTLCriticalSection* section) {
    // Unlocking a mutex the thread does not hold is undefined: a stray Leave is ignored instead.
    if (section->OwningThread != GetCurrentThreadId() || section->RecursionCount <= 0)
        return;
    if (--section->RecursionCount == 0)
        section->OwningThread = 0;
    section->Mutex.unlock();
}

HANDLE CreateEvent(void* securityAttributes, BOOL manualReset, BOOL initialState, const char* name) {
    auto* event = new SyncEvent;
    event->ManualReset = manualReset != FALSE;
    event->Signalled = initialState != FALSE;
    SyncKernel& kernel = SyncState();
    std::lock_guard lock(kernel.Lock);
    kernel.Handles.emplace(event, event);
    return event;
}

BOOL SetEvent(HANDLE handle) {
    SyncKernel& kernel = SyncState();
    std::lock_guard lock(kernel.Lock);
    SyncEvent* event = SyncFindEvent(kernel, handle);
    if (!event)
        return FALSE;
    event->Signalled = true;
    SyncWakeWaiters(event);
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    SyncKernel& kernel = SyncState();
    std::lock_guard lock(kernel.Lock);
    SyncEvent* event = SyncFindEvent(kernel, handle);
    if (!event)
        return FALSE;
    event->Signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    return WaitForMultipleObjects(1, &handle, FALSE, timeoutMs);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    SyncListenToClock();
    SyncKernel& kernel = SyncState();
    IClock& clock = GetClock();
    // Kept in microseconds so that a wait never ends before its full time-out has passed.
    const uint64_t deadlineUs =
        timeoutMs == INFINITE ? 0 : clock.NowMicroseconds() + uint64_t(timeoutMs) * 1000;

    std::unique_lock lock(kernel.Lock);
    std::vector<SyncObject*> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        SyncObject* object = SyncFind(kernel, handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(object);
    }

    auto ready = [&]() -> DWORD {
        if (waitAll) {
            for (SyncObject* object : objects)
                if (!object->IsSignalled())
                    return WAIT_TIMEOUT;
            for (SyncObject* object : objects)
                object->Acquired();
            return WAIT_OBJECT_0;
        }
        for (DWORD i = 0; i < count; ++i)
            if (objects[i]->IsSignalled()) {
                objects[i]->Acquired();
                return WAIT_OBJECT_0 + i;
            }
        return WAIT_TIMEOUT;
    };

    DWORD result = ready();
    if (result != WAIT_TIMEOUT || timeoutMs == 0)
        return result;

    // Register the wait; the objects stay alive while it lasts even when their handles are closed.
    SyncWaitBlock wait;
    for (SyncObject* object : objects) {
        ++object->References;
        object->Waiters.push_back(&wait);
    }
    if (timeoutMs != INFINITE)
        kernel.TimedWaits.push_back(&wait);
    ++kernel.Blocked;
    for (;;) {
        result = ready();
        if (result != WAIT_TIMEOUT)
            break;
        if (timeoutMs == INFINITE) {
            wait.Wake.wait(lock);
            continue;
        }
        if (clock.NowMicroseconds() >= deadlineUs)
            break;
        clock.WaitUntil(wait.Wake, lock, (deadlineUs + 999) / 1000);
    }
    --kernel.Blocked;
    if (timeoutMs != INFINITE)
        std::erase(kernel.TimedWaits, &wait);
    for (SyncObject* object : objects) {
        std::erase(object->Waiters, &wait);
        SyncRelease(object);
    }
    return result;
}

DWORD GetBlockedWaitCount() {
    SyncKernel& kernel = SyncState();
    std::lock_guard lock(kernel.Lock);
    return kernel.Blocked;
}

BOOL CloseHandle(HANDLE handle) {
    SyncKernel& kernel = SyncState();
    std::lock_guard lock(kernel.Lock);
    auto it = kernel.Handles.find(handle);
    if (it == kernel.Handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SyncObject* object = it->second;
    kernel.Handles.erase(it);
    SyncRelease(object);
    return TRUE;
}

} // namespace win
