// The asynchronous mode of TImageKitIO: its worker threads, the hand-off that creates them, and the wait
// that stops and joins them.
#include "imaging/io/IOThreads.h"

#include "imaging/io/IOComponent.h"
#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Sync.h"

#include <chrono>
#include <thread>

namespace imaging {

TIKIOThread::TIKIOThread(TImageKitIO* io, TIKIOJobKind kind, std::function<void()> job)
    : vcl::TThread(true), FIO(io), FKind(kind), FJob(std::move(job)) {}

TIKIOThread::~TIKIOThread() {
    // Execute uses this object's members: the thread must be over before they go.
    if (!GetSuspended())
        WaitFor();
}

void TIKIOThread::Execute() {
    try {
        FJob();
    } catch (...) {
        win::OutputDebugString("Exception in TIKIOThread.Execute");
        FIO->SetAborting(true);
    }
    FRunning = false;
}

bool TImageKitIO::HandOff(int32_t kind, std::function<void()> job) {
    if (IsWorkerThread() || !FAsynchronous || GetOwnsWorkingImage())
        return false;
    ReapWorkers();
    auto worker = std::make_unique<TIKIOThread>(this, TIKIOJobKind(kind), std::move(job));
    TIKIOThread* started = worker.get();
    {
        std::lock_guard<std::recursive_mutex> lock(FWorkerLock);
        FWorkers.push_back(std::move(worker));
    }
    started->Start();
    return true;
}

void TImageKitIO::StopWorkers() {
    if (IsWorkerThread())
        return;
    bool any = false;
    {
        std::lock_guard<std::recursive_mutex> lock(FWorkerLock);
        any = !FWorkers.empty();
    }
    if (any)
        WaitForThreads(true);
}

void TImageKitIO::OnMainThread(const std::function<void()>& fn) {
    if (IsWorkerThread())
        vcl::TThread::Synchronize(nullptr, fn);
    else
        fn();
}

bool TImageKitIO::IsWorkerThread() const {
    const win::DWORD self = win::GetCurrentThreadId();
    std::lock_guard<std::recursive_mutex> lock(FWorkerLock);
    for (const auto& worker : FWorkers)
        if (worker->GetThreadID() == self)
            return true;
    return false;
}

void TImageKitIO::WaitForThreads(bool abort) {
    const win::DWORD self = win::GetCurrentThreadId();
    const bool onMain = self == vcl::MainThreadID.load();
    for (;;) {
        size_t running = 0;
        {
            std::lock_guard<std::recursive_mutex> lock(FWorkerLock);
            if (abort)
                FAborting = true;
            for (const auto& worker : FWorkers)
                if (worker->GetRunning() && worker->GetThreadID() != self)
                    ++running;
        }
        if (running == 0)
            break;
        // A worker may be waiting for the main thread (its finish event, its refresh): serve it.
        if (onMain)
            vcl::CheckSynchronize(0);
        // Real time, not the replaceable clock: a test's manual clock must not stall the wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ReapWorkers();
}

void TImageKitIO::ReapWorkers() {
    const win::DWORD self = win::GetCurrentThreadId();
    std::vector<std::unique_ptr<TIKIOThread>> done;
    {
        std::lock_guard<std::recursive_mutex> lock(FWorkerLock);
        for (auto it = FWorkers.begin(); it != FWorkers.end();) {
            if (!(*it)->GetRunning() && (*it)->GetThreadID() != self) {
                done.push_back(std::move(*it));
                it = FWorkers.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Joined outside the lock: a closing worker may still ask IsWorkerThread.
    done.clear();
}

} // namespace imaging
