// Drag and drop between controls, and dock drags.
//
// A drag is a session on the GUI thread: a hidden window takes the mouse capture and follows the pointer
// through the ordinary message loop, a keyboard hook watches for Escape and Ctrl, and every path out of the
// session (drop, Escape, WM_CANCELMODE, lost capture, a freed control) goes through one clean-up that gives
// back the cursor, the capture and the drag image. Handlers called from the session may free the dragged
// control, the target or the drag object: the session hears of it (free notifications, the drag object's
// destructor) and ends quietly instead of touching them.
#include "platform/vcl/Controls.h"

#include "platform/vcl/Application.h"
#include "platform/win/kernel/Sync.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace vcl {

namespace {

constexpr const char* DragCaptureClass = "LoomwickDragCapture";

// The cursor shown for a drag cursor value: the system's "no" shape for crNoDrop, which the screen's own
// table has no shape of.
win::HCURSOR DragCursorHandle(TCursor cursor) {
    if (cursor == crNoDrop)
        return win::LoadCursor(nullptr, win::IDC_NO);
    return Screen ? Screen->GetCursors(cursor) : CursorHandle(cursor);
}

bool DragIsDescendant(TControl* control, TControl* ancestor) {
    for (TControl* c = control; c; c = c->GetParent())
        if (c == ancestor)
            return true;
    return false;
}

} // namespace

// One drag under way. Reached through a shared pointer that each handler of the session holds while it
// runs, so that an end reached inside a callback never frees the state the caller still reads.
struct TDragSession {
    class TWatcher : public TComponent {
    public:
        explicit TWatcher(TDragSession* session) : TComponent(nullptr), FSession(session) {}
        void Notification(TComponent* component, TOperation operation) override {
            TComponent::Notification(component, operation);
            if (operation == opRemove)
                FSession->Forget(component);
        }

    private:
        TDragSession* FSession;
    };

    TControl* Source = nullptr;          // null once freed
    TDragObject* Object = nullptr;       // null once freed
    std::unique_ptr<TDragObject> Owned;  // the object the session made itself
    TDragImageList* Images = nullptr;    // null once freed
    TDragKind Kind = dkDrag;
    bool Active = false; // past the threshold: the drag has started
    bool Ended = false;
    TPoint StartPos{0, 0};
    TPoint GrabOffset{0, 0}; // from the pointer to the dragged control's top-left corner (dock drags)
    int32_t Threshold = 5;
    TControl* Target = nullptr; // the control the pointer is over (that got dsDragEnter)
    bool Accepted = false;
    win::HCURSOR SavedCursor = nullptr;
    win::HWND CaptureWindow = nullptr;
    win::HHOOK KeyHook = nullptr;
    bool ImageShown = false;
    std::unique_ptr<TWatcher> Watcher;

    // Every component the drag refers to is watched until the session ends (the watcher's end unlinks
    // them all), so that one still referred to in another role is never unwatched by mistake.
    void Watch(TComponent* c) {
        if (c && Watcher)
            c->FreeNotification(Watcher.get());
    }
    void Forget(TComponent* c) {
        if (c == Source) {
            Source = nullptr;
            if (auto* o = dynamic_cast<TBaseDragControlObject*>(Object))
                o->FControl = nullptr;
        }
        if (c == Target)
            Target = nullptr;
        if (c == Images)
            Images = nullptr;
        if (auto* d = dynamic_cast<TDragDockObject*>(Object); d && d->FDropOnControl == c)
            d->FDropOnControl = nullptr;
        if (Object && Object->FDragTarget == c)
            Object->FDragTarget = nullptr;
    }

    // ---- The steps of a drag ----
    void Activate();
    void MoveTo(TPoint screen);
    void DragMoveTo(TPoint screen);
    void DockMoveTo(TPoint screen);
    // The button went up (release: the message, for a control whose drag had not started).
    void Drop(TPoint screen, win::UINT release = win::WM_LBUTTONUP);
    void Cancel();
    void Finish(TObject* target, TPoint at, bool accepted);
    void CleanUp();
    void SetTarget(TControl* target, TPoint screen);
};

namespace {

thread_local std::shared_ptr<TDragSession> DragActive;

// Ctrl may change the cursor (a copy instead of a move): the drag is shown again when it goes up or down.
win::LRESULT CALLBACK_DragKeyHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    std::shared_ptr<TDragSession> s = DragActive;
    if (code >= 0 && s && !s->Ended) {
        bool down = (uint32_t(lParam) & 0x80000000u) == 0;
        if (wParam == win::VK_ESCAPE) {
            if (down)
                s->Cancel();
            return 1;
        }
        if (wParam == win::VK_CONTROL && s->Active) {
            TPoint p;
            win::GetCursorPos(&p);
            s->MoveTo(p);
        }
    }
    return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

win::LRESULT CALLBACK_DragCapture(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    std::shared_ptr<TDragSession> s = DragActive;
    if (!s || s->Ended || s->CaptureWindow != hwnd)
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    TPoint p{win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)};
    switch (msg) {
    case win::WM_MOUSEMOVE:
        win::ClientToScreen(hwnd, &p);
        s->MoveTo(p);
        return 0;
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
        win::ClientToScreen(hwnd, &p);
        s->Drop(p, msg);
        return 0;
    case win::WM_KEYDOWN:
        if (wParam == win::VK_ESCAPE)
            s->Cancel();
        return 0;
    case win::WM_CANCELMODE:
    case win::WM_CAPTURECHANGED:
        s->Cancel();
        return 0;
    default:
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

win::HWND DragCaptureWindow() {
    static bool registered = false;
    if (!registered) {
        win::WNDCLASSEX wc;
        wc.lpfnWndProc = CALLBACK_DragCapture;
        wc.lpszClassName = DragCaptureClass;
        registered = win::RegisterClassEx(wc) != 0;
    }
    return win::CreateWindowEx(win::WS_EX_TOOLWINDOW, DragCaptureClass, "", win::WS_POPUP, 0, 0, 0, 0,
                               nullptr, nullptr, nullptr, nullptr);
}

// The point in a control's client coordinates.
TPoint DragClientPoint(TControl* c, TPoint screen) {
    return c->ScreenToClient(screen);
}

// What handlers see as the drag's source: the dragged control for a control's own drag.
TObject* DragSourceArgument(TDragObject* object) {
    if (auto* c = dynamic_cast<TDragControlObject*>(object); c && c->GetControl())
        return c->GetControl();
    return object;
}

// The dock site under the pointer that may take control: the nearest dock site at or above the control
// under the pointer, not the control itself nor inside it.
TWinControl* DragFindDockSite(TControl* control, TPoint screen) {
    TControl* at = FindDragTarget(screen, false);
    for (TControl* c = at; c; c = c->GetParent()) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->GetDockSite() && !DragIsDescendant(w, control))
            return w;
    }
    return nullptr;
}

} // namespace

// ---- The session ------------------------------------------------------------------------------------------

void TDragSession::Activate() {
    Active = true;
    auto keep = DragActive;
    if (Source)
        Source->FControlState.Exclude(csLButtonDown).Exclude(csClicked);
    if (Kind == dkDock) {
        TDragDockObject* dock = nullptr;
        if (Source)
            Source->DoStartDock(dock);
        if (Ended)
            return;
        if (!Source) {
            Cancel();
            return;
        }
        if (!dock) {
            Owned = std::make_unique<TDragDockObject>(Source);
            dock = static_cast<TDragDockObject*>(Owned.get());
        }
        Object = dock;
        TRect b = Source->GetBoundsRect();
        TPoint origin = Source->GetParent() ? Source->GetParent()->ClientToScreen({b.Left, b.Top})
                                            : TPoint{b.Left, b.Top};
        GrabOffset = {origin.X - StartPos.X, origin.Y - StartPos.Y};
        dock->FDockRect = {origin.X, origin.Y, origin.X + b.Width(), origin.Y + b.Height()};
    } else {
        TDragObject* object = nullptr;
        if (Source)
            Source->DoStartDrag(object);
        if (Ended)
            return;
        if (!Source) {
            Cancel();
            return;
        }
        if (!object) {
            Owned = std::make_unique<TDragControlObject>(Source);
            object = Owned.get();
        }
        Object = object;
        Images = Object->GetDragImages();
        Watch(Images);
        if (Images && Images->BeginDrag(nullptr, StartPos.X, StartPos.Y))
            ImageShown = true;
    }
}

void TDragSession::SetTarget(TControl* target, TPoint screen) {
    if (target == Target)
        return;
    auto keep = DragActive;
    if (TControl* old = Target) {
        Target = nullptr;
        bool ignored = false;
        TPoint p = DragClientPoint(old, screen);
        if (Object && Kind == dkDock)
            static_cast<TWinControl*>(old)->DockOver(static_cast<TDragDockObject*>(Object), p.X, p.Y, dsDragLeave,
                                                     ignored);
        else if (Object)
            old->DragOver(DragSourceArgument(Object), p.X, p.Y, dsDragLeave, ignored);
        if (Ended)
            return;
    }
    Target = target;
    Watch(target);
}

void TDragSession::MoveTo(TPoint screen) {
    if (Ended)
        return;
    if (!Active) {
        if (std::abs(screen.X - StartPos.X) <= Threshold && std::abs(screen.Y - StartPos.Y) <= Threshold)
            return;
        Activate();
        if (Ended)
            return;
    }
    if (!Source || !Object) {
        Cancel();
        return;
    }
    Object->FDragPos = screen;
    if (Kind == dkDock)
        DockMoveTo(screen);
    else
        DragMoveTo(screen);
}

void TDragSession::DragMoveTo(TPoint screen) {
    auto keep = DragActive;
    TControl* under = FindDragTarget(screen, false);
    bool entering = under != Target;
    SetTarget(under, screen);
    if (Ended)
        return;
    bool accept = false;
    if (Target && Object) {
        TPoint p = DragClientPoint(Target, screen);
        Object->FDragTarget = Target;
        Object->FDragTargetPos = p;
        Target->DragOver(DragSourceArgument(Object), p.X, p.Y, entering ? dsDragEnter : dsDragMove, accept);
        if (Ended)
            return;
    } else if (Object) {
        Object->FDragTarget = nullptr;
    }
    Accepted = accept && Target;
    if (!Object || !Source) {
        Cancel();
        return;
    }
    win::SetCursor(DragCursorHandle(Object->GetDragCursor(Accepted, screen.X, screen.Y)));
    if (Ended)
        return;
    if (Images && ImageShown)
        Images->DragMove(screen.X, screen.Y);
}

void TDragSession::DockMoveTo(TPoint screen) {
    auto keep = DragActive;
    auto* dock = static_cast<TDragDockObject*>(Object);
    TWinControl* site = DragFindDockSite(Source, screen);
    bool entering = site != Target;
    SetTarget(site, screen);
    if (Ended)
        return;
    // Floating: the control's own size at the pointer, held where it was grabbed.
    TRect floating{screen.X + GrabOffset.X, screen.Y + GrabOffset.Y,
                   screen.X + GrabOffset.X + Source->GetWidth(), screen.Y + GrabOffset.Y + Source->GetHeight()};
    dock->FDockRect = floating;
    dock->FDropAlign = alNone;
    dock->FDropOnControl = nullptr;
    bool accept = false;
    if (site) {
        TPoint p = DragClientPoint(site, screen);
        dock->FDragTarget = site;
        dock->FDragTargetPos = p;
        site->DockOver(dock, p.X, p.Y, entering ? dsDragEnter : dsDragMove, accept);
        if (Ended)
            return;
        if (Object)
            Watch(dock->FDropOnControl);
    }
    if (!Object || !Source) {
        Cancel();
        return;
    }
    Accepted = accept && Target;
    dock->FFloating = !Accepted;
    if (!Accepted) {
        dock->FDockRect = floating;
        dock->FDragTarget = nullptr;
    }
    win::SetCursor(DragCursorHandle(Object->GetDragCursor(Accepted, screen.X, screen.Y)));
}

void TDragSession::Drop(TPoint screen, win::UINT release) {
    auto keep = DragActive;
    if (!Active) {
        // Released before the drag started: the press and release were the control's own.
        TControl* source = Source;
        CleanUp();
        if (source) {
            TPoint p = DragClientPoint(source, screen);
            source->Perform(release, 0, win::MAKELPARAM(p.X, p.Y));
        }
        return;
    }
    MoveTo(screen); // the release point decides
    if (Ended)
        return;
    TControl* target = Accepted ? Target : nullptr;
    TPoint at = target ? DragClientPoint(target, screen) : TPoint{0, 0};
    if (Object)
        Object->FDropped = target != nullptr;
    if (Kind == dkDock) {
        auto* dock = static_cast<TDragDockObject*>(Object);
        if (auto* site = dynamic_cast<TWinControl*>(target)) {
            dock->FPlaced = true;
            site->DockDrop(dock, at.X, at.Y);
        } else if (Source) {
            // Floating needs the leave of the site it is docked in (OnUnDock may keep it there).
            dock->FPlaced = Source->ManualFloat(dock->FDockRect);
        }
    } else if (target) {
        target->DragDrop(DragSourceArgument(Object), at.X, at.Y);
    }
    if (Ended)
        return;
    // A handler may have freed the target meanwhile: the drag then ended over nothing.
    Finish(target && Target == target ? target : nullptr, at, target != nullptr);
}

void TDragSession::Cancel() {
    if (Ended)
        return;
    auto keep = DragActive;
    if (!Active) {
        CleanUp();
        return;
    }
    if (Object)
        Object->FCancelling = true;
    SetTarget(nullptr, Object ? Object->FDragPos : StartPos);
    if (Ended)
        return;
    Finish(nullptr, {0, 0}, false);
}

void TDragSession::Finish(TObject* target, TPoint at, bool accepted) {
    // The session ends before the object hears of it: Finished may free the object, start another drag or
    // free the control.
    TDragObject* object = Object;
    CleanUp();
    if (object) {
        std::unique_ptr<TDragObject> owned = std::move(Owned);
        if (!accepted)
            object->FDragTarget = nullptr;
        object->Finished(target, at.X, at.Y, accepted);
    }
}

void TDragSession::CleanUp() {
    if (Ended)
        return;
    Ended = true;
    auto keep = DragActive;
    if (DragActive.get() == this)
        DragActive.reset();
    if (KeyHook)
        win::UnhookWindowsHookEx(KeyHook);
    KeyHook = nullptr;
    if (ImageShown) {
        ImageShown = false;
        if (Images)
            Images->EndDrag();
        else
            win::ImageList_EndDrag();
    }
    win::SetCursor(SavedCursor);
    if (win::HWND w = CaptureWindow) {
        CaptureWindow = nullptr;
        if (win::GetCapture() == w)
            win::ReleaseCapture();
        win::DestroyWindow(w);
    }
    Target = nullptr;
    Watcher.reset();
    if (Object && Owned.get() != Object)
        Object = nullptr; // the caller's own object: theirs to free
}

// ---- TControl's drag ---------------------------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, int32_t threshold) {
    if (DragActive)
        return; // one drag at a time
    auto s = std::make_shared<TDragSession>();
    s->Watcher = std::make_unique<TDragSession::TWatcher>(s.get());
    s->Source = this;
    s->Watch(this);
    s->Kind = FDragKind;
    s->Threshold = threshold >= 0 ? threshold : (Mouse ? Mouse->GetDragThreshold() : 5);
    win::GetCursorPos(&s->StartPos);
    s->SavedCursor = win::GetCursor();
    s->CaptureWindow = DragCaptureWindow();
    DragActive = s;
    if (!s->CaptureWindow) {
        s->CleanUp();
        return;
    }
    win::SetCapture(s->CaptureWindow);
    s->KeyHook = win::SetWindowsHookEx(win::WH_KEYBOARD, CALLBACK_DragKeyHook, nullptr, win::GetCurrentThreadId());
    if (immediate) {
        s->Activate();
        if (!s->Ended)
            s->MoveTo(s->StartPos);
    }
}

void TControl::EndDrag(bool drop) {
    std::shared_ptr<TDragSession> s = DragActive;
    if (!s || s->Source != this)
        return;
    if (drop && s->Active) {
        TPoint p;
        win::GetCursorPos(&p);
        s->Drop(p);
    } else {
        s->Cancel();
    }
}

bool TControl::Dragging() const {
    return DragActive && DragActive->Source == this && DragActive->Active;
}

void TControl::DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int32_t x, int32_t y) {
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag(TDragObject*& dragObject) {
    if (OnStartDrag)
        OnStartDrag(this, dragObject);
}

void TControl::DoEndDrag(TObject* target, int32_t x, int32_t y) {
    if (OnEndDrag)
        OnEndDrag(this, target, x, y);
}

void TControl::DoStartDock(TDragDockObject*& dragObject) {
    if (OnStartDock)
        OnStartDock(this, dragObject);
}

void TControl::DoEndDock(TObject* target, int32_t x, int32_t y) {
    if (OnEndDock)
        OnEndDock(this, target, x, y);
}

TDragObject* CurrentDragObject() {
    return DragActive && DragActive->Active ? DragActive->Object : nullptr;
}

void CancelDrag() {
    if (std::shared_ptr<TDragSession> s = DragActive)
        s->Cancel();
}

TControl* FindDragTarget(TPoint screen, bool allowDisabled) {
    win::HWND h = win::WindowFromPoint(screen);
    TWinControl* window = nullptr;
    while (h && !(window = TWinControl::FindControl(h)))
        h = win::GetParent(h); // a window inside a control (a combo box's edit field) is the control's
    if (!window)
        return nullptr;
    // Down through the children: windowed ones lie above graphic ones, the last in z-order on top.
    TControl* result = window;
    for (TWinControl* parent = window; parent;) {
        TPoint p = parent->ScreenToClient(screen);
        TControl* found = nullptr;
        for (int pass = 0; pass < 2 && !found; ++pass) {
            for (int32_t i = parent->GetControlCount() - 1; i >= 0; --i) {
                TControl* c = parent->GetControl(i);
                bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
                if (windowed != (pass == 0) || !c->GetVisible() || (!allowDisabled && !c->GetEnabled()))
                    continue;
                if (win::Contains(c->GetBoundsRect(), p)) {
                    found = c;
                    break;
                }
            }
        }
        if (!found)
            break;
        result = found;
        parent = dynamic_cast<TWinControl*>(found);
    }
    return result;
}

// ---- Dock sites ------------------------------------------------------------------------------------------

void TWinControl::DockOver(TDragDockObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
    accept = true;
    // The zone the control would take: beside the docked control under the pointer (the half towards it),
    // else the whole client area.
    TRect area = GetClientRect();
    TControl* on = nullptr;
    for (TControl* c : FDockClients)
        if (c != source->GetControl() && c->GetVisible() && win::Contains(c->GetBoundsRect(), TPoint{x, y}))
            on = c;
    TAlign align = alClient;
    if (on) {
        TRect b = on->GetBoundsRect();
        bool horizontal = FDockManager ? (GetAlign() == alTop || GetAlign() == alBottom) : b.Width() >= b.Height();
        if (horizontal) {
            align = x < (b.Left + b.Right) / 2 ? alLeft : alRight;
            area = align == alLeft ? TRect{b.Left, b.Top, (b.Left + b.Right) / 2, b.Bottom}
                                   : TRect{(b.Left + b.Right) / 2, b.Top, b.Right, b.Bottom};
        } else {
            align = y < (b.Top + b.Bottom) / 2 ? alTop : alBottom;
            area = align == alTop ? TRect{b.Left, b.Top, b.Right, (b.Top + b.Bottom) / 2}
                                  : TRect{b.Left, (b.Top + b.Bottom) / 2, b.Right, b.Bottom};
        }
    }
    TPoint tl = ClientToScreen({area.Left, area.Top});
    source->FDockRect = {tl.X, tl.Y, tl.X + area.Width(), tl.Y + area.Height()};
    source->FDropAlign = align;
    source->FDropOnControl = on;
    if (OnDockOver)
        OnDockOver(this, source, x, y, state, accept);
}

void TWinControl::DockDrop(TDragDockObject* source, int32_t x, int32_t y) {
    TControl* control = source->GetControl();
    if (!control)
        return;
    TAlign align = source->GetDropAlign() == alClient ? alNone : source->GetDropAlign();
    if (!control->ManualDock(this, source->GetDropOnControl(), align)) {
        source->FPlaced = false; // the old site kept it: the drag ends as cancelled
        return;
    }
    if (OnDockDrop)
        OnDockDrop(this, source, x, y);
}

bool TWinControl::DoUnDock(TWinControl* newTarget, TControl* client) {
    bool allow = true;
    if (OnUnDock)
        OnUnDock(this, client, newTarget, allow);
    return allow;
}

// ---- Drag objects ------------------------------------------------------------------------------------------

TDragObject::~TDragObject() {
    std::shared_ptr<TDragSession> s = DragActive;
    if (s && s->Object == this) {
        s->Object = nullptr;
        if (s->Owned.get() == this)
            (void)s->Owned.release(); // freed by a handler: the session must not free it again
    }
}

TCursor TDragObject::GetDragCursor(bool accepted, int32_t, int32_t) {
    return accepted ? crDrag : crNoDrop;
}

void TDragObject::HideDragImage() {
    if (TDragImageList* images = GetDragImages())
        images->HideDragImage();
}

void TDragObject::ShowDragImage() {
    if (TDragImageList* images = GetDragImages())
        images->ShowDragImage();
}

void TBaseDragControlObject::Finished(TObject* target, int32_t x, int32_t y, bool accepted) {
    if (FControl)
        EndDrag(accepted ? target : nullptr, x, y);
}

void TBaseDragControlObject::EndDrag(TObject* target, int32_t x, int32_t y) {
    FControl->DoEndDrag(target, x, y);
}

TCursor TDragControlObject::GetDragCursor(bool accepted, int32_t x, int32_t y) {
    if (accepted && FControl)
        return FControl->GetDragCursor();
    return TBaseDragControlObject::GetDragCursor(accepted, x, y);
}

TDragImageList* TDragControlObject::GetDragImages() {
    return FControl ? FControl->GetDragImages() : nullptr;
}

void TDragControlObject::HideDragImage() {
    if (TDragImageList* images = GetDragImages())
        images->HideDragImage();
}

void TDragControlObject::ShowDragImage() {
    if (TDragImageList* images = GetDragImages())
        images->ShowDragImage();
}

TDragDockObject::TDragDockObject(TControl* control) : TBaseDragControlObject(control) {
    if (control) {
        TRect b = control->GetBoundsRect();
        TPoint tl = control->GetParent() ? control->GetParent()->ClientToScreen({b.Left, b.Top})
                                         : TPoint{b.Left, b.Top};
        FDockRect = {tl.X, tl.Y, tl.X + b.Width(), tl.Y + b.Height()};
    }
}

void TDragDockObject::EndDrag(TObject* target, int32_t x, int32_t y) {
    // A drop that docked or floated the control told it already (ManualDock and ManualFloat do).
    if (!FPlaced)
        FControl->DoEndDock(target, x, y);
}

// ---- TDragImageList -------------------------------------------------------------------------------------

TDragImageList::~TDragImageList() {
    if (FDragging)
        EndDrag();
}

bool TDragImageList::SetDragImage(int32_t index, int32_t hotSpotX, int32_t hotSpotY) {
    if (index < 0 || index >= GetCount())
        return false;
    FDragIndex = index;
    FDragHotspot = {hotSpotX, hotSpotY};
    if (FDragging)
        return win::ImageList_SetDragCursorImage(GetHandle(), index, hotSpotX, hotSpotY) != 0;
    return true;
}

bool TDragImageList::BeginDrag(win::HWND window, int32_t x, int32_t y) {
    if (FDragging || FDragIndex < 0 || FDragIndex >= GetCount())
        return false;
    if (!win::ImageList_BeginDrag(GetHandle(), FDragIndex, FDragHotspot.X, FDragHotspot.Y))
        return false;
    FDragging = true;
    win::ImageList_DragEnter(window, x, y);
    return true;
}

bool TDragImageList::DragMove(int32_t x, int32_t y) {
    return FDragging && win::ImageList_DragMove(x, y);
}

bool TDragImageList::EndDrag() {
    if (!FDragging)
        return false;
    FDragging = false;
    win::ImageList_DragLeave(nullptr);
    win::ImageList_EndDrag();
    return true;
}

void TDragImageList::HideDragImage() {
    if (FDragging)
        win::ImageList_DragShowNolock(win::FALSE);
}

void TDragImageList::ShowDragImage() {
    if (FDragging)
        win::ImageList_DragShowNolock(win::TRUE);
}

} // namespace vcl
