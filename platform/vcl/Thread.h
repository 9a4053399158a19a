// Threads of the class library. The GUI thread (MainThreadID) owns every window; a worker reaches it
// through Synchronize, whose calls the main thread runs in CheckSynchronize, called from its message loop
// and from every wait that a worker could otherwise deadlock.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

namespace vcl {

// Advisory only: every thread runs at the normal priority of the process.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

// The thread that started the program; a test may declare its own thread the main one.
extern std::atomic<win::DWORD> MainThreadID;

// Set by the window system so that a call queued by Synchronize wakes the main thread's message loop.
void SetWakeMainThread(std::function<void()> wake);

// Runs the calls queued by Synchronize, waiting up to timeoutMs of the installed clock for the first one.
// True when it ran something. Only the main thread may call it (EThread otherwise).
bool CheckSynchronize(int32_t timeoutMs = 0);

class TThread : public TObject {
public:
    // A suspended thread starts with Resume or Start; a thread destroyed before it started never runs.
    // A thread created not suspended starts once it is fully constructed: through NewThread, or by a call
    // of AfterConstruction at the end of the most derived constructor (starting it from this constructor
    // would let Execute run before the derived class exists).
    explicit TThread(bool createSuspended);
    // Terminates a running thread and waits for it (running the main thread's synchronised calls
    // meanwhile). A derived class whose Execute uses its own members should stop the thread in its own
    // destructor, since they are gone by the time this one runs.
    ~TThread() override;

    void AfterConstruction();
    void Resume();
    void Start() { Resume(); }
    void Terminate();
    // Waits for the thread to end, including its OnTerminate, and returns ReturnValue. On the main thread
    // it runs synchronised calls while it waits. EThread when called on the thread itself or on a thread
    // that was never started.
    int32_t WaitFor();

    bool GetTerminated() const { return FTerminated.load(); }
    bool GetSuspended() const { return FSuspended.load(); }
    // false starts a suspended thread; true is only accepted before the thread has started (a running
    // thread cannot be suspended on this platform).
    void SetSuspended(bool value);
    bool GetFinished() const { return FFinished.load(); }
    bool GetFreeOnTerminate() const { return FFreeOnTerminate.load(); }
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    TThreadPriority GetPriority() const { return FPriority.load(); }
    void SetPriority(TThreadPriority value) { FPriority = value; }
    const TNotifyEvent& GetOnTerminate() const { return FOnTerminate; }
    void SetOnTerminate(TNotifyEvent value) { FOnTerminate = std::move(value); }
    win::DWORD GetThreadID() const { return FThreadID; }
    // Signalled when the thread has ended; for WaitForSingleObject. Owned by the thread object.
    win::HANDLE GetHandle() const { return FHandle; }
    int32_t GetReturnValue() const { return FReturnValue.load(); }
    // The exception that escaped Execute (or OnTerminate), kept instead of lost; null when none.
    std::exception_ptr GetFatalException() const { return FFatalException; }

    // Runs method on the main thread and waits for it; on the main thread it runs at once. An exception
    // raised by method is raised again in the caller. thread may be null.
    static void Synchronize(TThread* thread, const TThreadMethod& method);

protected:
    virtual void Execute() = 0;
    // Runs OnTerminate on the main thread; called on the thread after Execute.
    virtual void DoTerminate();
    void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
    void SetReturnValue(int32_t value) { FReturnValue = value; }

private:
    struct State;
    static void Run(TThread* thread, std::shared_ptr<State> state);
    void WaitUntilEnded();

    std::shared_ptr<State> FState;
    win::HANDLE FHandle = nullptr;
    win::DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FSuspended{true};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FFreeOnTerminate{false};
    bool FCreateSuspended;
    std::atomic<TThreadPriority> FPriority{tpNormal};
    std::atomic<int32_t> FReturnValue{0};
    std::exception_ptr FFatalException;
    TNotifyEvent FOnTerminate;
};

// Creates a thread object and starts it when it was not created suspended.
template <typename T, typename... Args> T* NewThread(Args&&... args) {
    T* thread = new T(std::forward<Args>(args)...);
    thread->AfterConstruction();
    return thread;
}

} // namespace vcl
