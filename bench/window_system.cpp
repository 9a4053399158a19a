// The window system's per-message and per-window costs: a message sent to a window of another thread and
// answered there (the round trip a worker pays to ask the GUI thread something), and checking a handle
// while many windows live (every call of the window system checks the handle it is given).
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace win;

constexpr UINT WmBenchQuit = WM_USER + 1;

LRESULT BenchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER)
        return LRESULT(wParam + 1);
    if (msg == WmBenchQuit) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

void RegisterBenchClass() {
    static bool registered = [] {
        WNDCLASSEX wc;
        wc.lpfnWndProc = BenchProc;
        wc.lpszClassName = "LoomwickBenchWindow";
        RegisterClassEx(wc);
        return true;
    }();
    (void)registered;
}

// A thread that owns one window and pumps its messages until told to quit.
class ReceiverThread {
public:
    ReceiverThread() {
        FThread = std::thread([this] {
            HWND w = CreateWindowEx(0, "LoomwickBenchWindow", "receiver", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
            FWindow.store(w);
            MSG m;
            for (;;) {
                try {
                    if (!GetMessage(&m, nullptr, 0, 0))
                        break;
                    DispatchMessage(&m);
                } catch (const StallError&) {
                    // Nothing came within the screenless wait: wait again.
                }
            }
            DestroyWindow(w);
        });
        while (!FWindow.load())
            std::this_thread::yield();
    }
    ~ReceiverThread() {
        SendMessage(FWindow.load(), WmBenchQuit, 0, 0);
        FThread.join();
    }
    HWND Window() const { return FWindow.load(); }

private:
    std::atomic<HWND> FWindow{nullptr};
    std::thread FThread;
};

void BM_CrossThreadSendRoundTrip(benchmark::State& state) {
    RegisterBenchClass();
    ReceiverThread receiver;
    HWND w = receiver.Window();
    WPARAM n = 0;
    for (auto _ : state) {
        LRESULT r = SendMessage(w, WM_USER, n, 0);
        if (r != LRESULT(n + 1))
            state.SkipWithError("wrong answer");
        ++n;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_CrossThreadSendRoundTrip)->UseRealTime();

// IsWindow on handles of a top-level window's children, with Arg(0) children alive.
void BM_ValidateHandle(benchmark::State& state) {
    RegisterBenchClass();
    HWND top = CreateWindowEx(0, "LoomwickBenchWindow", "top", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                              nullptr);
    std::vector<HWND> children;
    for (int64_t i = 0; i < state.range(0); ++i)
        children.push_back(CreateWindowEx(0, "LoomwickBenchWindow", "", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr,
                                          nullptr));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsWindow(children[i]));
        i = i + 1 == children.size() ? 0 : i + 1;
    }
    DestroyWindow(top);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ValidateHandle)->Arg(200)->Arg(1600);

} // namespace
