// The worker threads of the I/O component's asynchronous mode: each load, save, URL load or metafile import
// called from outside the component's workers becomes one TIKIOThread, which calls the same operation again
// on its own thread (where the operation, seeing that it runs on a worker, does the work).
#pragma once

#include "platform/vcl/Thread.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace imaging {

class TImageKitIO;

// What a worker runs, as the operation's argument shapes.
enum TIKIOJobKind : int32_t {
    ikjFileName = 0,       // loads and saves by a file name's extension
    ikjStream = 1,         // loads of a stream's detected format
    ikjFileNameFormat = 5, // loads and saves of a file in a given format (their count is dropped)
    ikjStreamFormat = 6,   // loads and saves of a stream in a given format
    ikjMetafile = 9,       // ImportMetafile
    ikjUrl = 10            // LoadFromUrl
};

class TIKIOThread : public vcl::TThread {
public:
    // Created suspended; the component lists it before it starts it.
    TIKIOThread(TImageKitIO* io, TIKIOJobKind kind, std::function<void()> job);
    ~TIKIOThread() override;

    TIKIOJobKind GetKind() const { return FKind; }
    // False once the job has ended (also through an exception); the thread may still be closing.
    bool GetRunning() const { return FRunning.load(); }

protected:
    void Execute() override;

private:
    TImageKitIO* FIO;
    TIKIOJobKind FKind;
    std::function<void()> FJob;
    std::atomic<bool> FRunning{true};
};

} // namespace imaging
