// Drop-target registration, the modal drag loop and drags from other programs.
#include "platform/win/ole/Ole.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/User.h"

#include <map>
#include <mutex>

namespace win {

namespace {

int oleInitCount = 0;

struct DropRegistry {
    std::mutex FLock;
    std::map<HWND, ComPtr<IDropTarget>> FTargets;
};

DropRegistry& Registry() {
    static auto* registry = new DropRegistry;
    return *registry;
}

void ForgetDestroyedWindow(HWND hwnd) {
    ComPtr<IDropTarget> released;
    DropRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.FLock);
    auto it = r.FTargets.find(hwnd);
    if (it != r.FTargets.end()) {
        released = std::move(it->second);
        r.FTargets.erase(it);
    }
}

void EnsureDestroyListener() {
    static std::once_flag once;
    std::call_once(once, [] { AddWindowDestroyListener(ForgetDestroyedWindow); });
}

// The MK_ bits of the keyboard and mouse state the loop has taken so far.
DWORD DragKeyState() {
    DWORD keys = 0;
    auto down = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
    if (down(VK_LBUTTON))
        keys |= MK_LBUTTON;
    if (down(VK_RBUTTON))
        keys |= MK_RBUTTON;
    if (down(VK_MBUTTON))
        keys |= MK_MBUTTON;
    if (down(VK_SHIFT))
        keys |= MK_SHIFT;
    if (down(VK_CONTROL))
        keys |= MK_CONTROL;
    if (down(VK_MENU))
        keys |= MK_ALT;
    return keys;
}

// The hidden window that holds the mouse during a drag; losing the capture ends the drag.
thread_local bool dragCaptureLost = false;

LRESULT DragTrackerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lParam) != hwnd)
        dragCaptureLost = true;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

const char* const dragTrackerClass = "OleDragTracker";

HWND CreateDragTracker() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEX wc;
        wc.lpfnWndProc = DragTrackerProc;
        wc.lpszClassName = dragTrackerClass;
        RegisterClassEx(wc);
    });
    return CreateWindowEx(WS_EX_TOOLWINDOW, dragTrackerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          nullptr, nullptr);
}

// One drag in progress: the target under the pointer and the last effect it answered.
class DragLoop {
public:
    DragLoop(IDataObject* data, IDropSource* source, DWORD okEffects)
        : FData(data), FSource(source), FOkEffects(okEffects) {}
    ~DragLoop() { LeaveTarget(); }

    // Asks the source and follows the pointer. S_OK: the drag goes on; otherwise the loop's result.
    HRESULT Step(TPoint point, bool escape, DWORD* effect) {
        DWORD keys = DragKeyState();
        HRESULT hr = FSource->QueryContinueDrag(escape ? TRUE : FALSE, keys);
        if (hr == S_OK) {
            Track(point, keys);
            HRESULT feedback = FSource->GiveFeedback(FEffect);
            if (feedback == DRAGDROP_S_USEDEFAULTCURSORS)
                SetCursor(LoadCursor(nullptr, (FEffect & FOkEffects) ? IDC_ARROW : IDC_NO));
            return S_OK;
        }
        if (hr == DRAGDROP_S_DROP) {
            if (!FTarget || !(FEffect & FOkEffects)) {
                LeaveTarget();
                return DRAGDROP_S_CANCEL;
            }
            DWORD dropped = FOkEffects;
            ComPtr<IDropTarget> target = std::move(FTarget);
            FWindow = nullptr;
            if (FAILED(target->Drop(FData, keys, point, &dropped)))
                return DRAGDROP_S_CANCEL;
            *effect = dropped & FOkEffects;
            return DRAGDROP_S_DROP;
        }
        LeaveTarget();
        return hr;
    }

private:
    void Track(TPoint point, DWORD keys) {
        HWND owner = nullptr;
        ComPtr<IDropTarget> target = FindDropTarget(WindowFromPoint(point), &owner);
        if (owner != FWindow) {
            LeaveTarget();
            FWindow = owner;
            FTarget = target;
            FEffect = DROPEFFECT_NONE;
            if (FTarget) {
                DWORD e = FOkEffects;
                FEffect = SUCCEEDED(FTarget->DragEnter(FData, keys, point, &e)) ? e : DROPEFFECT_NONE;
            }
        } else if (FTarget) {
            DWORD e = FOkEffects;
            FEffect = SUCCEEDED(FTarget->DragOver(keys, point, &e)) ? e : DROPEFFECT_NONE;
        }
        // What the target answered, within what the source allows; the scroll flag passes.
        FEffect &= FOkEffects | DROPEFFECT_SCROLL;
    }
    void LeaveTarget() {
        if (FTarget)
            FTarget->DragLeave();
        FTarget = nullptr;
        FWindow = nullptr;
        FEffect = DROPEFFECT_NONE;
    }

    IDataObject* FData;
    IDropSource* FSource;
    DWORD FOkEffects;
    ComPtr<IDropTarget> FTarget;
    HWND FWindow = nullptr;
    DWORD FEffect = DROPEFFECT_NONE;
};

} // namespace

HRESULT OleInitialize(void*) {
    return oleInitCount++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize() {
    if (oleInitCount > 0)
        --oleInitCount;
}

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target) {
    if (!target)
        return E_INVALIDARG;
    if (!IsWindow(hwnd))
        return DRAGDROP_E_INVALIDHWND;
    EnsureDestroyListener();
    DropRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.FLock);
    if (r.FTargets.count(hwnd))
        return DRAGDROP_E_ALREADYREGISTERED;
    r.FTargets[hwnd] = ComPtr<IDropTarget>(target);
    return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
    if (!IsWindow(hwnd))
        return DRAGDROP_E_INVALIDHWND;
    ComPtr<IDropTarget> released; // released after the lock is let go
    DropRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.FLock);
    auto it = r.FTargets.find(hwnd);
    if (it == r.FTargets.end())
        return DRAGDROP_E_NOTREGISTERED;
    released = std::move(it->second);
    r.FTargets.erase(it);
    return S_OK;
}

ComPtr<IDropTarget> FindDropTarget(HWND hwnd, HWND* owner) {
    if (owner)
        *owner = nullptr;
    DropRegistry& r = Registry();
    for (HWND w = hwnd; w && IsWindow(w); w = GetParent(w)) {
        std::lock_guard<std::mutex> guard(r.FLock);
        auto it = r.FTargets.find(w);
        if (it != r.FTargets.end()) {
            if (owner)
                *owner = w;
            return it->second;
        }
    }
    return {};
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect) {
    if (!data || !source || !effect)
        return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    WaitScope scope("DoDragDrop");
    HWND tracker = CreateDragTracker();
    if (!tracker)
        return E_OUTOFMEMORY;
    HCURSOR oldCursor = GetCursor();
    struct Cleanup {
        HWND FTracker;
        HCURSOR FCursor;
        ~Cleanup() {
            if (GetCapture() == FTracker)
                ReleaseCapture();
            DestroyWindow(FTracker);
            SetCursor(FCursor);
        }
    } cleanup{tracker, oldCursor};
    SetCapture(tracker);
    dragCaptureLost = false;

    DragLoop loop(data, source, okEffects);
    // The drag starts where the message that started it happened (the pointer may have moved on since).
    DWORD pos = GetMessagePos();
    TPoint point{int16_t(pos & 0xFFFF), int16_t(pos >> 16)};
    HRESULT result = loop.Step(point, false, effect);
    while (result == S_OK) {
        if (dragCaptureLost) {
            result = loop.Step(point, true, effect);
            if (result == S_OK)
                result = DRAGDROP_S_CANCEL;
            break;
        }
        MSG msg;
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            // A quit ends the drag and is passed on to the loop outside.
            PostQuitMessage(int(msg.wParam));
            result = DRAGDROP_S_CANCEL;
            break;
        }
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
            point = msg.pt;
            result = loop.Step(point, false, effect);
        } else if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
            bool escape = msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE);
            result = loop.Step(point, escape, effect);
        } else {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    if (result != DRAGDROP_S_DROP)
        *effect = DROPEFFECT_NONE;
    return result;
}

// ---- Drags from other programs -----------------------------------------------------------------------

ExternalDrag::~ExternalDrag() {
    Leave();
}

DWORD ExternalDrag::Move(IDataObject* data, TPoint screen, DWORD keyState, DWORD allowed) {
    HWND owner = nullptr;
    ComPtr<IDropTarget> target = FindDropTarget(WindowFromPoint(screen), &owner);
    DWORD e = allowed;
    if (owner != FWindow) {
        Leave();
        FWindow = owner;
        FTarget = target;
        if (FTarget && FAILED(FTarget->DragEnter(data, keyState, screen, &e)))
            e = DROPEFFECT_NONE;
    } else if (FTarget) {
        if (FAILED(FTarget->DragOver(keyState, screen, &e)))
            e = DROPEFFECT_NONE;
    }
    FLastEffect = FTarget ? (e & allowed) : DROPEFFECT_NONE;
    return FLastEffect;
}

void ExternalDrag::Leave() {
    if (FTarget)
        FTarget->DragLeave();
    FTarget = nullptr;
    FWindow = nullptr;
    FLastEffect = DROPEFFECT_NONE;
}

DWORD ExternalDrag::Drop(IDataObject* data, TPoint screen, DWORD keyState, DWORD allowed) {
    // A drop without a move before it (or over another window) enters first, as a drag loop would.
    HWND owner = nullptr;
    FindDropTarget(WindowFromPoint(screen), &owner);
    if (!FTarget || owner != FWindow)
        Move(data, screen, keyState, allowed);
    if (!FTarget)
        return DROPEFFECT_NONE;
    if (!FLastEffect) {
        Leave();
        return DROPEFFECT_NONE;
    }
    ComPtr<IDropTarget> target = std::move(FTarget);
    FWindow = nullptr;
    FLastEffect = DROPEFFECT_NONE;
    DWORD e = allowed;
    if (FAILED(target->Drop(data, keyState, screen, &e)))
        return DROPEFFECT_NONE;
    return e & allowed;
}

} // namespace win
