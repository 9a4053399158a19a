// Message queues: sending, posting, retrieving and dispatching messages, timers and thread hooks.
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <unordered_map>

namespace win {

struct HHOOK__ {
    int FType = 0;
    HOOKPROC FProc = nullptr;
    DWORD FThreadId = 0;
    int FRunning = 0;      // calls of FProc under way
    bool FRemoved = false; // unhooked while running: leaves the chain when the last call returns
};

namespace user {

namespace {

struct Timer {
    HWND FHwnd = nullptr;
    uintptr_t FId = 0;
    UINT FInterval = 0;
    uint64_t FDue = 0;
    TIMERPROC FProc = nullptr;
};

struct ThreadQueue;

// A message sent from another thread, waiting for the receiving thread to handle it.
struct CrossThreadSend {
    MSG FMsg;
    ThreadQueue* FSender = nullptr; // whose thread waits for the answer; null for SendNotifyMessage
    LRESULT FResult = 0;            // written under the sender's queue lock, with FDone
    bool FDone = false;
};

// One thread's messages. FLock guards everything up to FHooks, whichever thread touches them: other threads
// post, send, set timers and hooks for this thread's windows. It is a leaf lock (see user::State): window
// procedures, timer procedures and hooks are called only after it is let go. FLast and FInSend belong to the
// queue's own thread alone.
struct ThreadQueue {
    DWORD FThreadId = 0;
    std::mutex FLock;
    // Wakes this thread while it waits in SendMessage for another thread's answer: the answer came, or
    // another thread sent this one something to handle meanwhile.
    std::condition_variable FCv;
    std::deque<MSG> FPosted;
    std::deque<std::shared_ptr<CrossThreadSend>> FSent;
    bool FQuit = false;
    int FQuitCode = 0;
    std::vector<Timer> FTimers;
    std::vector<HHOOK> FHooks; // most recent first
    MSG FLast;
    int FInSend = 0;
};

std::mutex& SentExceptionHandlerLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

SentMessageExceptionHandler& SentExceptionHandler() {
    static auto* handler = new SentMessageExceptionHandler;
    return *handler;
}

std::mutex& QueuesLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::unordered_map<DWORD, std::unique_ptr<ThreadQueue>>& Queues() {
    static auto* queues = new std::unordered_map<DWORD, std::unique_ptr<ThreadQueue>>;
    return *queues;
}

ThreadQueue& QueueOf(DWORD threadId) {
    std::lock_guard<std::mutex> guard(QueuesLock());
    auto& q = Queues()[threadId];
    if (!q) {
        q = std::make_unique<ThreadQueue>();
        q->FThreadId = threadId;
    }
    return *q;
}

// When a test moves a manual clock from another thread, a loop waiting for a timer must look again.
void WakeOnClockMoves() {
    static std::once_flag once;
    std::call_once(once, [] { AddClockListener([](uint64_t) { ScreenBackend().Wake(); }); });
}

ThreadQueue& CurrentQueue() {
    WakeOnClockMoves();
    thread_local ThreadQueue* queue = nullptr;
    if (!queue)
        queue = &QueueOf(GetCurrentThreadId());
    return *queue;
}

uint64_t NowMs() { return GetClock().Now(); }

bool MatchesFilter(HWND msgHwnd, HWND filter) {
    if (!filter)
        return true;
    if (filter == reinterpret_cast<HWND>(-1))
        return msgHwnd == nullptr;
    return msgHwnd == filter || (msgHwnd && IsDescendant(filter, msgHwnd));
}

bool InRange(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (HasHook(WH_CALLWNDPROC)) {
        CWPSTRUCT cwp;
        cwp.hwnd = hwnd;
        cwp.message = msg;
        cwp.wParam = wParam;
        cwp.lParam = lParam;
        RunHook(WH_CALLWNDPROC, HC_ACTION, 1, reinterpret_cast<LPARAM>(&cwp));
    }
    Window* w = Validate(hwnd);
    return w ? CallWindowProc(w->FProc, hwnd, msg, wParam, lParam) : 0;
}

// Gives a sender its answer and wakes it.
void Answer(CrossThreadSend& item, LRESULT result) {
    if (!item.FSender)
        return;
    std::lock_guard<std::mutex> guard(item.FSender->FLock);
    item.FResult = result;
    item.FDone = true;
    item.FSender->FCv.notify_all();
}

void Enqueue(ThreadQueue& target, std::shared_ptr<CrossThreadSend> item) {
    {
        std::lock_guard<std::mutex> guard(target.FLock);
        target.FSent.push_back(std::move(item));
        target.FCv.notify_all(); // the target may itself be waiting for an answer in SendMessage
    }
    ScreenBackend().Wake(); // or in its message loop
}

// Handles messages other threads sent to this one. The sender always gets an answer: 0 when the window is
// gone or its procedure threw. Such an exception goes to the installed handler or, without one, leaves
// through the caller (a test running out of input always does).
void ReceiveSent(ThreadQueue& q) {
    for (;;) {
        std::shared_ptr<CrossThreadSend> item;
        {
            std::lock_guard<std::mutex> guard(q.FLock);
            if (q.FSent.empty())
                return;
            item = q.FSent.front();
            q.FSent.pop_front();
        }
        LRESULT result = 0;
        std::exception_ptr error;
        if (Validate(item->FMsg.hwnd)) {
            ++q.FInSend;
            try {
                result = CallProc(item->FMsg.hwnd, item->FMsg.message, item->FMsg.wParam, item->FMsg.lParam);
            } catch (...) {
                error = std::current_exception();
            }
            --q.FInSend;
        }
        Answer(*item, error ? 0 : result);
        if (!error)
            continue;
        SentMessageExceptionHandler handler;
        {
            std::lock_guard<std::mutex> guard(SentExceptionHandlerLock());
            handler = SentExceptionHandler();
        }
        bool stall = false;
        try {
            std::rethrow_exception(error);
        } catch (const StallError&) {
            stall = true;
        } catch (...) {
        }
        if (!handler || stall)
            std::rethrow_exception(error);
        handler(error);
    }
}

bool TakeTimer(ThreadQueue& q, MSG* msg, HWND filter, UINT lo, UINT hi, bool remove) {
    if (!InRange(WM_TIMER, lo, hi))
        return false;
    uint64_t now = NowMs();
    std::lock_guard<std::mutex> guard(q.FLock);
    for (Timer& t : q.FTimers) {
        if (t.FDue > now || !MatchesFilter(t.FHwnd, filter))
            continue;
        msg->hwnd = t.FHwnd;
        msg->message = WM_TIMER;
        msg->wParam = t.FId;
        msg->lParam = reinterpret_cast<LPARAM>(t.FProc);
        msg->time = DWORD(now);
        if (remove)
            t.FDue = now + std::max<UINT>(t.FInterval, 1);
        return true;
    }
    return false;
}

uint64_t NextTimerDue(ThreadQueue& q) {
    uint64_t due = std::numeric_limits<uint64_t>::max();
    std::lock_guard<std::mutex> guard(q.FLock);
    for (const Timer& t : q.FTimers)
        due = std::min(due, t.FDue);
    return due;
}

// How long a loop may wait before its next timer is due: INFINITE without timers, 0 when one is due.
DWORD TimeUntilNextTimer(ThreadQueue& q) {
    uint64_t due = NextTimerDue(q);
    uint64_t now = NowMs();
    if (due == std::numeric_limits<uint64_t>::max())
        return INFINITE;
    return due <= now ? 0 : DWORD(std::min<uint64_t>(due - now, 0x7FFFFFFF));
}

bool PeekOnce(ThreadQueue& q, MSG* msg, HWND filter, UINT lo, UINT hi, UINT flags) {
    bool remove = flags & PM_REMOVE;
    ReceiveSent(q);
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        for (auto it = q.FPosted.begin(); it != q.FPosted.end(); ++it) {
            if (!MatchesFilter(it->hwnd, filter) || !InRange(it->message, lo, hi))
                continue;
            *msg = *it;
            if (remove)
                q.FPosted.erase(it);
            return true;
        }
    }
    for (;;) {
        bool swallowed = false;
        if (!PeekInput(msg, filter, lo, hi, remove, &swallowed))
            break;
        if (!swallowed)
            return true;
    }
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        if (q.FQuit) {
            msg->hwnd = nullptr;
            msg->message = WM_QUIT;
            msg->wParam = WPARAM(q.FQuitCode);
            msg->lParam = 0;
            if (remove)
                q.FQuit = false;
            return true;
        }
    }
    if (InRange(WM_PAINT, lo, hi)) {
        HWND hwnd = H(FindWindowToPaint(q.FThreadId, filter));
        if (hwnd) {
            msg->hwnd = hwnd;
            msg->message = WM_PAINT;
            msg->wParam = 0;
            msg->lParam = 0;
            return true;
        }
    }
    return TakeTimer(q, msg, filter, lo, hi, remove);
}

void FinishRetrieved(ThreadQueue& q, MSG* msg, bool remove) {
    if (msg->time == 0)
        msg->time = GetTickCount();
    if (msg->message != WM_MOUSEMOVE && (msg->pt.X == 0 && msg->pt.Y == 0))
        msg->pt = GetState().FCursor;
    q.FLast = *msg;
    if (remove && HasHook(WH_GETMESSAGE))
        RunHook(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(msg));
}

} // namespace

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return SendMessage(hwnd, msg, wParam, lParam); }

// A window's end: its timers and posted messages go, and threads still waiting for it to answer a sent
// message get 0 instead of waiting forever.
void ForgetWindowMessages(Window* window) {
    HWND hwnd = window->FHandle;
    ThreadQueue& q = QueueOf(window->FThreadId);
    std::vector<std::shared_ptr<CrossThreadSend>> unanswered;
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        q.FTimers.erase(std::remove_if(q.FTimers.begin(), q.FTimers.end(), [hwnd](const Timer& t) { return t.FHwnd == hwnd; }),
                        q.FTimers.end());
        q.FPosted.erase(std::remove_if(q.FPosted.begin(), q.FPosted.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                        q.FPosted.end());
        for (auto it = q.FSent.begin(); it != q.FSent.end();) {
            if ((*it)->FMsg.hwnd == hwnd) {
                unanswered.push_back(*it);
                it = q.FSent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& item : unanswered)
        Answer(*item, 0);
}

namespace {

// Hooks: the chain is read and changed under the queue's lock; a hook's procedure runs outside it. A hook
// unhooked while its procedure runs stays in the chain, marked removed (skipped by every search), so that
// a CallNextHookEx from that procedure still finds its place; the last call to return takes it out.
HHOOK StartHookCall(ThreadQueue& q, HHOOK from, int idHook) {
    std::lock_guard<std::mutex> guard(q.FLock);
    auto it = q.FHooks.begin();
    if (from) {
        it = std::find(q.FHooks.begin(), q.FHooks.end(), from);
        if (it == q.FHooks.end())
            return nullptr;
        ++it;
    }
    for (; it != q.FHooks.end(); ++it)
        if ((*it)->FType == idHook && !(*it)->FRemoved) {
            ++(*it)->FRunning;
            return *it;
        }
    return nullptr;
}

void EndHookCall(ThreadQueue& q, HHOOK hook) {
    std::lock_guard<std::mutex> guard(q.FLock);
    if (--hook->FRunning > 0 || !hook->FRemoved)
        return;
    q.FHooks.erase(std::find(q.FHooks.begin(), q.FHooks.end(), hook));
    delete hook;
}

LRESULT CallHook(ThreadQueue& q, HHOOK from, int idHook, int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = StartHookCall(q, from, idHook);
    if (!hook)
        return 0;
    struct End {
        ThreadQueue& q;
        HHOOK hook;
        ~End() { EndHookCall(q, hook); }
    } end{q, hook};
    return hook->FProc(code, wParam, lParam);
}

} // namespace

bool HasHook(int idHook) {
    ThreadQueue& q = CurrentQueue();
    std::lock_guard<std::mutex> guard(q.FLock);
    return std::any_of(q.FHooks.begin(), q.FHooks.end(), [idHook](HHOOK h) { return h->FType == idHook && !h->FRemoved; });
}

LRESULT RunHook(int idHook, int code, WPARAM wParam, LPARAM lParam) {
    return CallHook(CurrentQueue(), nullptr, idHook, code, wParam, lParam);
}

} // namespace user

using namespace user;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD owner = ThreadOf(hwnd);
    if (!owner)
        return 0;
    if (owner == GetCurrentThreadId() || hwnd == H(GetState().FDesktop)) {
        ThreadQueue& q = CurrentQueue();
        ++q.FInSend;
        struct Leave {
            ThreadQueue& q;
            ~Leave() { --q.FInSend; }
        } leave{q};
        return CallProc(hwnd, msg, wParam, lParam);
    }
    // Another thread's window: queue it there and wait, handling what is sent to this thread meanwhile
    // (two threads sending to each other would otherwise wait for ever). The answer comes from that thread,
    // or from the window's end (ForgetWindowMessages).
    ThreadQueue& own = CurrentQueue();
    auto item = std::make_shared<CrossThreadSend>();
    item->FMsg = {hwnd, msg, wParam, lParam, GetTickCount(), GetState().FCursor};
    item->FSender = &own;
    Enqueue(QueueOf(owner), item);
    for (;;) {
        ReceiveSent(own);
        std::unique_lock<std::mutex> lock(own.FLock);
        own.FCv.wait(lock, [&] { return item->FDone || !own.FSent.empty(); });
        if (item->FDone)
            return item->FResult;
    }
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD owner = ThreadOf(hwnd);
    if (!owner)
        return FALSE;
    if (owner == GetCurrentThreadId()) {
        SendMessage(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    auto item = std::make_shared<CrossThreadSend>(); // no sender: nobody waits for the answer
    item->FMsg = {hwnd, msg, wParam, lParam, GetTickCount(), GetState().FCursor};
    Enqueue(QueueOf(owner), std::move(item));
    return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD threadId;
    if (hwnd) {
        threadId = ThreadOf(hwnd);
        if (!threadId)
            return FALSE; // a stale handle: the message is dropped
    } else {
        threadId = GetCurrentThreadId();
    }
    ThreadQueue& q = QueueOf(threadId);
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        q.FPosted.push_back({hwnd, msg, wParam, lParam, GetTickCount(), GetState().FCursor});
    }
    if (threadId != GetCurrentThreadId())
        ScreenBackend().Wake();
    return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    ThreadQueue& q = QueueOf(threadId);
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        q.FPosted.push_back({nullptr, msg, wParam, lParam, GetTickCount(), GetState().FCursor});
    }
    ScreenBackend().Wake();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    ThreadQueue& q = CurrentQueue();
    std::lock_guard<std::mutex> guard(q.FLock);
    q.FQuit = true;
    q.FQuitCode = exitCode;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    ThreadQueue& q = CurrentQueue();
    MSG m;
    if (!PeekOnce(q, &m, hwnd, filterMin, filterMax, removeFlags))
        return FALSE;
    FinishRetrieved(q, &m, removeFlags & PM_REMOVE);
    if (msg)
        *msg = m;
    return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    ThreadQueue& q = CurrentQueue();
    MSG m;
    for (;;) {
        if (PeekOnce(q, &m, hwnd, filterMin, filterMax, PM_REMOVE))
            break;
        DWORD timeout = TimeUntilNextTimer(q);
        if (timeout != 0)
            ScreenBackend().WaitForEvents(timeout, WaitScope::Current());
    }
    FinishRetrieved(q, &m, true);
    if (msg)
        *msg = m;
    return m.message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
    ThreadQueue& q = CurrentQueue();
    MSG m;
    if (PeekOnce(q, &m, nullptr, 0, 0, PM_NOREMOVE))
        return TRUE;
    DWORD timeout = TimeUntilNextTimer(q);
    if (timeout != 0)
        ScreenBackend().WaitForEvents(timeout, WaitScope::Current());
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    HWND hwnd = msg->hwnd;
    Window* w = Validate(hwnd);
    if (!w)
        return 0; // its window is gone, or the handle never named one
    if (msg->message == WM_PAINT) {
        LRESULT r = CallWindowProc(w->FProc, hwnd, msg->message, msg->wParam, msg->lParam);
        // A window that answers WM_PAINT without painting would be asked again for ever.
        if (Validate(hwnd))
            ValidateRect(hwnd, nullptr);
        return r;
    }
    return CallWindowProc(w->FProc, hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT RegisterWindowMessage(const char* name) {
    static std::mutex lock;
    static std::map<std::string, UINT> ids;
    std::string key(name ? name : "");
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    std::lock_guard<std::mutex> guard(lock);
    auto it = ids.find(key);
    if (it != ids.end())
        return it->second;
    UINT id = 0xC000 + UINT(ids.size());
    ids[key] = id;
    return id;
}

DWORD GetMessageTime() { return CurrentQueue().FLast.time; }

DWORD GetMessagePos() {
    const MSG& m = CurrentQueue().FLast;
    return DWORD(MAKELPARAM(m.pt.X, m.pt.Y));
}

BOOL InSendMessage() { return CurrentQueue().FInSend > 0 ? TRUE : FALSE; }

void SetSentMessageExceptionHandler(SentMessageExceptionHandler handler) {
    std::lock_guard<std::mutex> guard(SentExceptionHandlerLock());
    SentExceptionHandler() = std::move(handler);
}

void BroadcastSystemMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    for (HWND w : TopLevelWindows())
        SendMessage(w, msg, wParam, lParam);
}

// ---- Timers ------------------------------------------------------------------------------------------

// A window's timers live in its thread's queue, under that queue's lock: any thread may set or kill them.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc) {
    DWORD threadId = hwnd ? ThreadOf(hwnd) : GetCurrentThreadId();
    if (!threadId)
        return 0;
    ThreadQueue& q = QueueOf(threadId);
    elapseMs = std::clamp<UINT>(elapseMs, 10, 0x7FFFFFFF);
    std::lock_guard<std::mutex> guard(q.FLock);
    if (!hwnd) {
        // Thread timers get an id of their own unless an existing one is being reset.
        bool existing = id && std::any_of(q.FTimers.begin(), q.FTimers.end(),
                                          [id](const Timer& t) { return !t.FHwnd && t.FId == id; });
        if (!existing) {
            static std::atomic<uintptr_t> next{0x7FFF}; // shared by every thread's queue
            id = ++next;
        }
    }
    for (Timer& t : q.FTimers)
        if (t.FHwnd == hwnd && t.FId == id) {
            t.FInterval = elapseMs;
            t.FDue = NowMs() + elapseMs;
            t.FProc = proc;
            return hwnd ? (id ? id : 1) : id;
        }
    Timer t;
    t.FHwnd = hwnd;
    t.FId = id;
    t.FInterval = elapseMs;
    t.FDue = NowMs() + elapseMs;
    t.FProc = proc;
    q.FTimers.push_back(t);
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, uintptr_t id) {
    DWORD threadId = hwnd ? ThreadOf(hwnd) : 0;
    if (!threadId)
        threadId = GetCurrentThreadId();
    ThreadQueue& q = QueueOf(threadId);
    std::lock_guard<std::mutex> guard(q.FLock);
    auto it = std::find_if(q.FTimers.begin(), q.FTimers.end(),
                           [hwnd, id](const Timer& t) { return t.FHwnd == hwnd && t.FId == id; });
    if (it == q.FTimers.end())
        return FALSE;
    q.FTimers.erase(it);
    // A WM_TIMER already posted for it must not arrive after it was killed.
    q.FPosted.erase(std::remove_if(q.FPosted.begin(), q.FPosted.end(),
                                   [hwnd, id](const MSG& m) {
                                       return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id;
                                   }),
                    q.FPosted.end());
    return TRUE;
}

// ---- Hooks -------------------------------------------------------------------------------------------

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    if (!proc)
        return nullptr;
    if (idHook != WH_KEYBOARD && idHook != WH_MOUSE && idHook != WH_CALLWNDPROC && idHook != WH_GETMESSAGE)
        return nullptr;
    ThreadQueue& q = threadId ? QueueOf(threadId) : CurrentQueue();
    auto* hook = new HHOOK__;
    hook->FType = idHook;
    hook->FProc = proc;
    hook->FThreadId = q.FThreadId;
    std::lock_guard<std::mutex> guard(q.FLock);
    q.FHooks.insert(q.FHooks.begin(), hook);
    return hook;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    if (!hook)
        return FALSE;
    // A handle that names no hook of any queue is refused without being read.
    std::vector<ThreadQueue*> queues; // queues live as long as the process
    {
        std::lock_guard<std::mutex> guard(QueuesLock());
        for (auto& entry : Queues())
            queues.push_back(entry.second.get());
    }
    for (ThreadQueue* q : queues) {
        std::lock_guard<std::mutex> guard(q->FLock);
        auto it = std::find(q->FHooks.begin(), q->FHooks.end(), hook);
        if (it == q->FHooks.end())
            continue;
        if (hook->FRemoved)
            return FALSE;
        if (hook->FRunning > 0) {
            hook->FRemoved = true; // its procedure is running: EndHookCall takes it out
            return TRUE;
        }
        q->FHooks.erase(it);
        delete hook;
        return TRUE;
    }
    return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    if (!hook)
        return 0;
    ThreadQueue& q = CurrentQueue();
    int type;
    {
        std::lock_guard<std::mutex> guard(q.FLock);
        if (std::find(q.FHooks.begin(), q.FHooks.end(), hook) == q.FHooks.end())
            return 0;
        type = hook->FType;
    }
    return CallHook(q, hook, type, code, wParam, lParam);
}

} // namespace win
