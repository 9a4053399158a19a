// Synchronisation objects of the class library over the kernel's critical sections and events.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/win/WinTypes.h"
#include "platform/win/kernel/Sync.h"

namespace vcl {

class TSynchroObject : public TObject {
public:
    virtual void Acquire() {}
    virtual void Release() {}
};

// A recursive lock: the owning thread may enter again; each Enter needs its Leave.
class TCriticalSection : public TSynchroObject {
public:
    TCriticalSection();
    ~TCriticalSection() override;
    void Acquire() override;
    void Release() override;
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    bool TryEnter();

private:
    win::TRTLCriticalSection FSection;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// An event; waits are timed on the kernel's replaceable clock. The name is accepted and ignored.
class TEvent : public TSynchroObject {
public:
    explicit TEvent(bool manualReset = true, bool initialState = false, const char* name = nullptr);
    ~TEvent() override;
    TWaitResult WaitFor(win::DWORD timeoutMs = win::INFINITE);
    void SetEvent();
    void ResetEvent();
    void Acquire() override { WaitFor(); }
    void Release() override {}
    win::HANDLE GetHandle() const { return FHandle; }
    int GetLastError() const { return FLastError; }

private:
    win::HANDLE FHandle;
    int FLastError = 0;
};

// A manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(true, false) {}
};

} // namespace vcl
