#include "platform/vcl/Thread.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/kernel/Sync.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace vcl {

std::atomic<win::DWORD> MainThreadID{win::GetCurrentThreadId()};

namespace {

struct ThreadSyncRequest {
    const TThreadMethod* Method = nullptr;
    std::exception_ptr Error;
    bool Done = false;
};

// The calls waiting for the main thread. Signal is set while calls are pending, so the main thread can wait
// for them together with other objects.
struct ThreadSyncQueue {
    std::mutex Mutex;
    std::condition_variable Done;
    std::deque<ThreadSyncRequest*> Pending;
    win::HANDLE Signal = win::CreateEvent(nullptr, win::TRUE, win::FALSE);
    std::function<void()> Wake;
};

ThreadSyncQueue& ThreadQueue() {
    static ThreadSyncQueue* queue = new ThreadSyncQueue; // lives to the very end: workers may outlive main
    return *queue;
}

bool ThreadIsMain() {
    return win::GetCurrentThreadId() == MainThreadID.load();
}

} // namespace

struct TThread::State {
    std::mutex Mutex; // guards Thread between the starting and the ending thread
    std::thread Thread;
    win::HANDLE Ended = win::CreateEvent(nullptr, win::TRUE, win::FALSE);
    ~State() { win::CloseHandle(Ended); }
};

void SetWakeMainThread(std::function<void()> wake) {
    ThreadSyncQueue& queue = ThreadQueue();
    std::lock_guard lock(queue.Mutex);
    queue.Wake = std::move(wake);
}

bool CheckSynchronize(int32_t timeoutMs) {
    if (!ThreadIsMain())
        throw EThread("CheckSynchronize called from thread " + std::to_string(win::GetCurrentThreadId()) +
                      ", which is not the main thread");
    ThreadSyncQueue& queue = ThreadQueue();
    if (timeoutMs > 0)
        win::WaitForSingleObject(queue.Signal, win::DWORD(timeoutMs));
    // Serve the calls queued so far, one at a time from the front, so that a call that serves calls
    // itself (a wait inside a synchronised method) keeps the order; calls queued meanwhile wait for the
    // next round, so a worker that synchronises in a loop cannot keep the main thread here forever.
    size_t budget;
    {
        std::lock_guard lock(queue.Mutex);
        budget = queue.Pending.size();
    }
    bool ran = false;
    for (; budget > 0; --budget) {
        ThreadSyncRequest* request;
        {
            std::lock_guard lock(queue.Mutex);
            if (queue.Pending.empty())
                break;
            request = queue.Pending.front();
            queue.Pending.pop_front();
        }
        std::exception_ptr error;
        try {
            (*request->Method)();
        } catch (...) {
            error = std::current_exception();
        }
        ran = true;
        std::lock_guard lock(queue.Mutex);
        request->Error = std::move(error); // the worker alone holds the exception now
        request->Done = true;
        queue.Done.notify_all();
    }
    {
        std::lock_guard lock(queue.Mutex);
        if (queue.Pending.empty())
            win::ResetEvent(queue.Signal);
    }
    return ran;
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
    if (ThreadIsMain()) {
        method();
        return;
    }
    ThreadSyncQueue& queue = ThreadQueue();
    ThreadSyncRequest request;
    request.Method = &method;
    std::function<void()> wake;
    {
        std::lock_guard lock(queue.Mutex);
        queue.Pending.push_back(&request);
        win::SetEvent(queue.Signal);
        wake = queue.Wake;
    }
    if (wake)
        wake();
    {
        std::unique_lock lock(queue.Mutex);
        queue.Done.wait(lock, [&] { return request.Done; });
    }
    if (request.Error)
        std::rethrow_exception(request.Error);
}

TThread::TThread(bool createSuspended)
    : FState(std::make_shared<State>()), FCreateSuspended(createSuspended) {
    FHandle = FState->Ended;
    FThreadID = win::AllocateThreadId();
}

TThread::~TThread() {
    const bool onItself = win::GetCurrentThreadId() == FThreadID;
    if (FStarted && !onItself) {
        Terminate();
        WaitUntilEnded();
    }
    std::lock_guard lock(FState->Mutex);
    if (FState->Thread.joinable()) {
        if (onItself)
            FState->Thread.detach();
        else
            FState->Thread.join();
    }
}

void TThread::AfterConstruction() {
    if (!FCreateSuspended)
        Resume();
}

void TThread::Resume() {
    if (FStarted.exchange(true))
        return;
    std::lock_guard lock(FState->Mutex);
    try {
        FState->Thread = std::thread(&TThread::Run, this, FState);
    } catch (const std::system_error& e) {
        FStarted = false;
        throw EThread(std::string("Thread creation error: ") + e.what());
    }
    FSuspended = false;
}

void TThread::SetSuspended(bool value) {
    if (!value) {
        Resume();
        return;
    }
    if (FStarted)
        throw EThread("A running thread cannot be suspended");
}

void TThread::Terminate() {
    FTerminated = true;
}

int32_t TThread::WaitFor() {
    if (!FStarted)
        throw EThread("Cannot wait for a thread that has not been started");
    if (win::GetCurrentThreadId() == FThreadID)
        throw EThread("A thread cannot wait for itself");
    // A thread that frees itself may be gone by the time the wait returns.
    if (FFreeOnTerminate)
        throw EThread("Cannot wait for a thread that frees itself on termination");
    WaitUntilEnded();
    return FReturnValue;
}

void TThread::WaitUntilEnded() {
    if (ThreadIsMain()) {
        // Keep serving the worker's synchronised calls, or a worker blocked in one would never end.
        win::HANDLE handles[2] = {FHandle, ThreadQueue().Signal};
        for (;;) {
            CheckSynchronize(0);
            if (win::WaitForMultipleObjects(2, handles, win::FALSE, win::INFINITE) == win::WAIT_OBJECT_0)
                break;
        }
    } else {
        win::WaitForSingleObject(FHandle, win::INFINITE);
    }
}

void TThread::DoTerminate() {
    if (FOnTerminate)
        Synchronize([this] { FOnTerminate(this); });
}

void TThread::Run(TThread* thread, std::shared_ptr<State> state) {
    win::BindCurrentThreadId(thread->FThreadID);
    try {
        if (!thread->FTerminated)
            thread->Execute();
    } catch (...) {
        thread->FFatalException = std::current_exception();
    }
    thread->FFinished = true;
    const bool freeIt = thread->FFreeOnTerminate;
    try {
        thread->DoTerminate();
    } catch (...) {
        if (!thread->FFatalException)
            thread->FFatalException = std::current_exception();
    }
    if (freeIt)
        delete thread;
    win::SetEvent(state->Ended);
}

} // namespace vcl
