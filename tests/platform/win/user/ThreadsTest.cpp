// Windows used from several threads: workers that invalidate a window while its own thread pumps messages.
#include "UserTestSupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace usertest;

namespace {

// A hang in the window system ends the test program with a message instead of leaving it waiting forever.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit)
        : FThread([this, what, limit] {
              std::unique_lock<std::mutex> lock(FLock);
              if (!FCv.wait_for(lock, limit, [this] { return FDone; })) {
                  std::fprintf(stderr, "%s did not finish within %lld s: the window system hangs\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> guard(FLock);
            FDone = true;
        }
        FCv.notify_all();
        FThread.join();
    }

private:
    std::mutex FLock;
    std::condition_variable FCv;
    bool FDone = false;
    std::thread FThread; // last: starts once the members it waits on exist
};

} // namespace

TEST_F(UserTest, WorkerInvalidatingWhileTheWindowsThreadPumpsFinishes) {
    Watchdog watchdog("Invalidating from a worker while the window's thread pumps", std::chrono::seconds(120));
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {0, 0, 60, 60});
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {10, 10, 40, 40}, top);
    // Several workers, so that one of them holds the window system's locks whenever the pump looks for
    // pending invalidations.
    constexpr int Workers = 3;
    constexpr int Rounds = 40000;
    std::atomic<int> running{Workers};
    std::vector<std::thread> workers;
    for (int n = 0; n < Workers; ++n)
        workers.emplace_back([&] {
            for (int i = 0; i < Rounds; ++i) {
                TRect r{i % 50, i % 50, i % 50 + 8, i % 50 + 8};
                InvalidateRect(top, &r, TRUE);
                RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
            }
            --running;
        });
    MSG m;
    while (running.load() > 0)
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    for (auto& worker : workers)
        worker.join();
    Pump();
    // Every invalidation reached the window's thread and was painted.
    TRect r;
    EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
    EXPECT_FALSE(LogLines({WM_PAINT}).empty());
}
