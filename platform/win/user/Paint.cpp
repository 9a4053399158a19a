// Invalidation and painting: update regions, WM_PAINT, window DCs clipped to what is visible, back
// buffers of top-level windows, window regions and layered windows.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

namespace win {

namespace user {

void ForgetWindowMessages(Window* hwnd);
void ForgetSystemMenu(HWND hwnd);

namespace {

// A region handle owned by the scope.
struct Rgn {
    HRGN H;
    explicit Rgn(HRGN h = nullptr) : H(h ? h : CreateRectRgn(0, 0, 0, 0)) {}
    explicit Rgn(const TRect& r) : H(CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom)) {}
    ~Rgn() { DeleteObject(H); }
    Rgn(const Rgn&) = delete;
    Rgn& operator=(const Rgn&) = delete;
    HRGN Release() {
        HRGN h = H;
        H = nullptr;
        return h;
    }
};

TRect ClientRectOf(Window* w) {
    return {0, 0, w->FClient.Width(), w->FClient.Height()};
}

// Screen position of a window's top-left corner and of its client area's.
TRect ScreenWindowRect(Window* w) {
    TPoint o = WindowOrigin(w);
    return {o.X, o.Y, o.X + w->FRect.Width(), o.Y + w->FRect.Height()};
}

TRect ScreenClientRect(Window* w) {
    TPoint o = ClientOrigin(w);
    return {o.X, o.Y, o.X + w->FClient.Width(), o.Y + w->FClient.Height()};
}

TRect Shift(TRect r, int dx, int dy) {
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// The area of a window (its region when it has one) in screen coordinates.
void AddWindowShape(HRGN into, Window* w, int mode) {
    TRect r = ScreenWindowRect(w);
    if (w->FRegion) {
        Rgn shape;
        CombineRgn(shape.H, w->FRegion, nullptr, RGN_COPY);
        OffsetRgn(shape.H, r.Left, r.Top);
        CombineRgn(into, into, shape.H, mode);
    } else {
        Rgn box(r);
        CombineRgn(into, into, box.H, mode);
    }
}

// Where a window can draw, in screen coordinates: its client area (or whole window), within its
// ancestors' client areas and shapes, less the siblings above it that clip it, less its children when
// asked. Empty for a window that is not really visible.
HRGN VisibleScreenRegion(Window* hwnd, bool wholeWindow, bool clipChildren) {
    if (!ReallyVisible(hwnd) || !hwnd->FRedraw)
        return CreateRectRgn(0, 0, 0, 0);
    HRGN vis = CreateRectRgn(0, 0, 0, 0);
    TRect area = wholeWindow ? ScreenWindowRect(hwnd) : ScreenClientRect(hwnd);
    SetRectRgn(vis, area.Left, area.Top, area.Right, area.Bottom);
    if (hwnd->FRegion)
        AddWindowShape(vis, hwnd, RGN_AND);
    Window* desktop = GetState().FDesktop;
    for (Window* w = hwnd; w->FParent && w->FParent != desktop; w = w->FParent) {
        Window* parent = w->FParent;
        Rgn client(ScreenClientRect(parent));
        CombineRgn(vis, vis, client.H, RGN_AND);
        if (parent->FRegion)
            AddWindowShape(vis, parent, RGN_AND);
        if (w->FStyle & WS_CLIPSIBLINGS)
            for (Window* sibling : parent->FChildren) {
                if (sibling == w)
                    break;
                if (sibling->IsVisibleFlag())
                    AddWindowShape(vis, sibling, RGN_DIFF);
            }
    }
    if (clipChildren)
        for (Window* child : hwnd->FChildren)
            if (child->IsVisibleFlag())
                AddWindowShape(vis, child, RGN_DIFF);
    return vis;
}

std::mutex& DcMapLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<HDC, HWND>& DcWindows() {
    static auto* map = new std::map<HDC, HWND>;
    return *map;
}

void EnsureBackBuffer(Window* top) {
    int w = std::max(1, top->FRect.Width()), h = std::max(1, top->FRect.Height());
    if (top->FBackBuffer) {
        BITMAP bm{};
        GetObject(top->FBackBuffer, sizeof bm, &bm);
        if (bm.bmWidth == w && bm.bmHeight == h)
            return;
        DeleteObject(top->FBackBuffer);
        top->FBackBuffer = nullptr;
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    top->FBackBuffer = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// A DC that draws into the top-level window's back buffer at the window's (or client's) origin, clipped to
// `clip` (screen coordinates) when given, else to what is visible.
HDC MakeDC(Window* hwnd, bool wholeWindow, bool clipChildren, HRGN screenClip) {
    Window* top = TopLevelOf(hwnd);
    EnsureBackBuffer(top);
    if (!top->FBackBuffer)
        return nullptr;
    TRect topRect = ScreenWindowRect(top);
    TRect area = wholeWindow ? ScreenWindowRect(hwnd) : ScreenClientRect(hwnd);
    HDC dc = CreateTargetDC(top->FBackBuffer, area.Left - topRect.Left, area.Top - topRect.Top);
    if (!dc)
        return nullptr;
    SetDCOrg(dc, area.Left, area.Top);
    Rgn vis(VisibleScreenRegion(hwnd, wholeWindow, clipChildren));
    if (screenClip)
        CombineRgn(vis.H, vis.H, screenClip, RGN_AND);
    OffsetRgn(vis.H, -area.Left, -area.Top);
    SetMetaClipRgn(dc, vis.H);
    std::lock_guard<std::mutex> guard(DcMapLock());
    DcWindows()[dc] = hwnd->FHandle;
    return dc;
}

void Present(Window* hwnd, const TRect& screen) {
    Window* top = TopLevelOf(hwnd);
    TRect topRect = ScreenWindowRect(top);
    TRect dirty = Shift(screen, -topRect.Left, -topRect.Top);
    dirty.Left = std::max(dirty.Left, 0);
    dirty.Top = std::max(dirty.Top, 0);
    dirty.Right = std::min(dirty.Right, topRect.Width());
    dirty.Bottom = std::min(dirty.Bottom, topRect.Height());
    if (!dirty.IsEmpty())
        ScreenBackend().Present(top->FHandle, dirty);
}

bool HasPending(Window* w) {
    if (w->FFrameNeeded || w->FInternalPaint)
        return true;
    if (!w->FUpdate)
        return false;
    TRect box;
    return GetRgnBox(w->FUpdate, &box) != NULLREGION;
}

// Invalidations asked for by other threads wait here for the window's own thread. The pending lock is a
// leaf: nothing that takes another lock of the window system (the state lock behind Validate, a queue's lock,
// the backend's) runs while it is held, so it cannot take part in a cycle whichever lock its caller holds.
struct PendingInvalidation {
    HWND FHwnd;
    DWORD FThreadId; // the window's thread, fixed when it was made: no lookup under the pending lock
    bool FWhole;
    TRect FRect;
    UINT FFlags;
};
std::mutex& PendingLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}
std::deque<PendingInvalidation>& Pending() {
    static auto* pending = new std::deque<PendingInvalidation>;
    return *pending;
}

// Applies invalidation flags to a window; rgn is in the window's client coordinates (null: all of it).
void Invalidate(Window* w, HRGN rgn, UINT flags) {
    bool visible = w->IsVisibleFlag() && w->FRedraw;
    if (flags & RDW_INVALIDATE) {
        if (!visible)
            return;
        Rgn area(ClientRectOf(w));
        if (rgn)
            CombineRgn(area.H, area.H, rgn, RGN_AND);
        if (!w->FUpdate)
            w->FUpdate = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(w->FUpdate, w->FUpdate, area.H, RGN_OR);
        if (flags & RDW_ERASE)
            w->FEraseNeeded = true;
        if (flags & RDW_FRAME)
            w->FFrameNeeded = true;
        if (flags & RDW_INTERNALPAINT)
            w->FInternalPaint = true;
        bool children =
            (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->FStyle & WS_CLIPCHILDREN));
        if (!children)
            return;
        for (Window* child : w->FChildren) {
            if (!child->IsVisibleFlag())
                continue;
            // The part of the area over the child, in the child's client coordinates.
            Rgn over(child->FRect);
            CombineRgn(over.H, over.H, area.H, RGN_AND);
            TRect box;
            if (GetRgnBox(over.H, &box) == NULLREGION)
                continue;
            bool touchesFrame = box.Left < child->FClient.Left || box.Top < child->FClient.Top ||
                                box.Right > child->FClient.Right || box.Bottom > child->FClient.Bottom;
            OffsetRgn(over.H, -child->FClient.Left, -child->FClient.Top);
            Invalidate(child, over.H, (flags & ~RDW_FRAME) | (touchesFrame ? RDW_FRAME : 0));
        }
        return;
    }
    if (flags & RDW_VALIDATE) {
        if (w->FUpdate) {
            if (rgn)
                CombineRgn(w->FUpdate, w->FUpdate, rgn, RGN_DIFF);
            else
                SetRectRgn(w->FUpdate, 0, 0, 0, 0);
        }
        if (!rgn) {
            w->FInternalPaint = false;
            if (flags & RDW_NOFRAME)
                w->FFrameNeeded = false;
            if (flags & RDW_NOERASE)
                w->FEraseNeeded = false;
        }
        if (flags & RDW_ALLCHILDREN)
            for (Window* child : w->FChildren) {
                if (!rgn) {
                    Invalidate(child, nullptr, flags);
                    continue;
                }
                Rgn over(ClientRectOf(child));
                OffsetRgn(over.H, child->FClient.Left, child->FClient.Top);
                CombineRgn(over.H, over.H, rgn, RGN_AND);
                OffsetRgn(over.H, -child->FClient.Left, -child->FClient.Top);
                Invalidate(child, over.H, flags);
            }
    }
}

void UpdateNow(HWND handle, bool children) {
    Window* w = Validate(handle);
    if (w && w->IsVisibleFlag() && HasPending(w))
        SendMessage(handle, WM_PAINT, 0, 0);
    w = Validate(handle);
    if (!children || !w)
        return;
    std::vector<HWND> list;
    for (Window* child : w->FChildren)
        list.push_back(child->FHandle);
    for (HWND child : list)
        UpdateNow(child, true);
}

// Under the state lock, which guards the child lists. Only this thread's windows are looked into: another
// thread changes its windows' styles without the lock.
Window* FindPaint(Window* w, DWORD threadId) {
    if (w->FThreadId == threadId) {
        if (!w->IsVisibleFlag() || !w->FRedraw)
            return nullptr;
        if (HasPending(w))
            return w;
    }
    for (Window* child : w->FChildren)
        if (Window* found = FindPaint(child, threadId))
            return found;
    return nullptr;
}

// Takes the invalidations other threads queued for windows of this thread. Windows that went meanwhile are
// dropped when they are applied, outside the pending lock.
void TakePendingInvalidations(DWORD threadId) {
    std::deque<PendingInvalidation> mine;
    {
        std::lock_guard<std::mutex> guard(PendingLock());
        auto& all = Pending();
        for (auto it = all.begin(); it != all.end();) {
            if (it->FThreadId == threadId) {
                mine.push_back(*it);
                it = all.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& p : mine)
        if (Validate(p.FHwnd))
            RedrawWindow(p.FHwnd, p.FWhole ? nullptr : &p.FRect, nullptr, p.FFlags);
}

// The window's frame in the classic look: borders, caption and scroll bars.
void PaintDefaultFrame(Window* hwnd) {
    HDC dc = GetWindowDC(hwnd->FHandle);
    if (!dc)
        return;
    TRect r{0, 0, hwnd->FRect.Width(), hwnd->FRect.Height()};
    TRect client = Shift(hwnd->FClient, -hwnd->FRect.Left, -hwnd->FRect.Top);
    ExcludeClipRect(dc, client.Left, client.Top, client.Right, client.Bottom);
    DWORD style = hwnd->FStyle, ex = hwnd->FExStyle;
    if (style & WS_THICKFRAME) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        int rest = GetSystemMetrics(SM_CXFRAME) - 2;
        for (int i = 0; i < rest; ++i) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            InflateRect(&r, -1, -1);
        }
    } else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        InflateRect(&r, -1, -1);
    } else if (style & WS_BORDER) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int h = (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
        TRect caption{r.Left, r.Top, r.Right, r.Top + h - 1};
        bool active = CurrentThreadInput().FActive == H(TopLevelOf(hwnd));
        FillRect(dc, &caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        TRect line{r.Left, caption.Bottom, r.Right, caption.Bottom + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
        if (style & WS_SYSMENU) {
            int bw = GetSystemMetrics((ex & WS_EX_TOOLWINDOW) ? SM_CXSMSIZE : SM_CXSIZE);
            TRect button{caption.Right - bw - 2, caption.Top + 2, caption.Right - 2, caption.Bottom - 2};
            DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE);
            caption.Right = button.Left;
        }
        caption.Left += 3;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc, hwnd->FText.c_str(), int(hwnd->FText.size()), &caption,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        r.Top += h;
    }
    if (ex & WS_EX_CLIENTEDGE)
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (ex & WS_EX_STATICEDGE)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    auto paintBar = [&](int bar) {
        bool vert = bar == SB_VERT;
        TPoint probe = vert ? TPoint{client.Right, client.Top} : TPoint{client.Left, client.Bottom};
        TPoint o = WindowOrigin(hwnd);
        ScrollHit hit = ScrollBarHit(hwnd->FHandle, bar, {o.X + probe.X, o.Y + probe.Y});
        TRect b = Shift(hit.FBar, -o.X, -o.Y);
        const ScrollState& s = vert ? hwnd->FVScroll : hwnd->FHScroll;
        bool disabled = s.FDisabled == ESB_DISABLE_BOTH;
        int arrow = vert ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL);
        arrow = std::min(arrow, (vert ? b.Height() : b.Width()) / 2);
        TRect a1 = vert ? TRect{b.Left, b.Top, b.Right, b.Top + arrow}
                        : TRect{b.Left, b.Top, b.Left + arrow, b.Bottom};
        TRect a2 = vert ? TRect{b.Left, b.Bottom - arrow, b.Right, b.Bottom}
                        : TRect{b.Right - arrow, b.Top, b.Right, b.Bottom};
        UINT inactive = disabled ? DFCS_INACTIVE : 0;
        DrawFrameControl(dc, &a1, DFC_SCROLL, (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
        DrawFrameControl(dc, &a2, DFC_SCROLL, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
        TRect track =
            vert ? TRect{b.Left, a1.Bottom, b.Right, a2.Top} : TRect{a1.Right, b.Top, a2.Left, b.Bottom};
        FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
        if (!disabled && hit.FTrackLength >= 0 && (vert ? track.Height() : track.Width()) > 8) {
            int thumbLen = (vert ? track.Height() : track.Width()) - hit.FTrackLength;
            int start = hit.FThumbStart - (vert ? o.Y : o.X);
            TRect thumb = vert ? TRect{b.Left, start, b.Right, start + thumbLen}
                               : TRect{start, b.Top, start + thumbLen, b.Bottom};
            DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        }
    };
    if (style & WS_VSCROLL)
        paintBar(SB_VERT);
    if (style & WS_HSCROLL)
        paintBar(SB_HORZ);
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL)) {
        TRect corner{client.Right, client.Bottom, client.Right + GetSystemMetrics(SM_CXVSCROLL),
                     client.Bottom + GetSystemMetrics(SM_CYHSCROLL)};
        FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
    }
    ReleaseDC(hwnd->FHandle, dc);
}

} // namespace

Window* FindWindowToPaint(DWORD threadId, HWND filterHandle) {
    TakePendingInvalidations(threadId);
    Window* desktop = Validate(GetDesktopWindow());
    // Under the state lock, so no other thread links or unlinks a window during the walk.
    std::lock_guard<std::recursive_mutex> guard(GetState().FLock);
    if (filterHandle) {
        Window* filter = Validate(filterHandle);
        return filter ? FindPaint(filter, threadId) : nullptr;
    }
    for (Window* top : desktop->FChildren)
        if (Window* found = FindPaint(top, threadId))
            return found;
    return nullptr;
}

bool WindowRegionContains(Window* w, TPoint parentPoint) {
    if (!w->FRegion)
        return true;
    return PtInRegion(w->FRegion, parentPoint.X - w->FRect.Left, parentPoint.Y - w->FRect.Top) != FALSE;
}

void OnWindowDestroyed(Window* hwnd) {
    ForgetWindowMessages(hwnd);
    {
        std::lock_guard<std::mutex> guard(PendingLock());
        auto& all = Pending();
        all.erase(std::remove_if(all.begin(), all.end(), [hwnd](const PendingInvalidation& p) { return p.FHwnd == hwnd->FHandle; }),
                  all.end());
    }
    ForgetSystemMenu(hwnd->FHandle);
    State& s = GetState();
    HWND handle = hwnd->FHandle;
    if (s.FCapture == handle)
        s.FCapture = nullptr;
    ThreadInput& input = CurrentThreadInput(); // a window is freed on its own thread
    if (input.FFocus == handle)
        input.FFocus = nullptr;
    if (input.FActive == handle)
        input.FActive = nullptr;
    if (s.FTracked == handle)
        s.FTracked = nullptr;
    if (hwnd->FUpdate)
        DeleteObject(hwnd->FUpdate);
    if (hwnd->FRegion)
        DeleteObject(hwnd->FRegion);
    if (hwnd->FBackBuffer)
        DeleteObject(hwnd->FBackBuffer);
    hwnd->FUpdate = hwnd->FRegion = nullptr;
    hwnd->FBackBuffer = nullptr;
}

// Moving, sizing, showing or hiding a window repaints what it uncovered and what it now shows.
void OnWindowGeometryChanged(Window* hwnd, const TRect& oldScreen, bool shownOrHidden) {
    if (!hwnd->IsChild()) {
        if (hwnd->IsVisibleFlag()) {
            EnsureBackBuffer(hwnd);
            BITMAP bm{};
            GetObject(hwnd->FBackBuffer, sizeof bm, &bm);
            if (shownOrHidden || oldScreen.Width() != hwnd->FRect.Width() ||
                oldScreen.Height() != hwnd->FRect.Height())
                RedrawWindow(hwnd->FHandle, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        return;
    }
    Window* parent = hwnd->FParent;
    TRect now = ScreenWindowRect(hwnd);
    bool moved = !(now == oldScreen);
    if (!moved && !shownOrHidden)
        return;
    if (parent && ReallyVisible(parent)) {
        TPoint po = ClientOrigin(parent);
        TRect old = Shift(oldScreen, -po.X, -po.Y);
        RedrawWindow(parent->FHandle, &old, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    if (hwnd->IsVisibleFlag())
        RedrawWindow(hwnd->FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void RedrawNonClient(Window* hwnd) {
    if (hwnd)
        RedrawWindow(hwnd->FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

void PaintFrame(Window* hwnd) {
    PaintDefaultFrame(hwnd);
}

} // namespace user

using namespace user;

BOOL RedrawWindow(HWND handle, const TRect* rect, HRGN rgn, UINT flags) {
    if (!handle) {
        for (HWND top : TopLevelWindows())
            RedrawWindow(top, nullptr, nullptr, flags | RDW_FRAME | RDW_ALLCHILDREN);
        return TRUE;
    }
    Window* hwnd;
    DWORD owner;
    {
        // The state lock keeps the window alive while its thread is read; it is let go before the pending
        // lock is taken (see PendingLock).
        State& s = GetState();
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        hwnd = Validate(handle);
        if (!hwnd)
            return FALSE;
        owner = hwnd->FThreadId;
    }
    if (owner != GetCurrentThreadId()) {
        // From another thread: the window's own thread applies it when it next looks for work.
        {
            std::lock_guard<std::mutex> pending(PendingLock());
            Pending().push_back({handle, owner, rect == nullptr, rect ? *rect : TRect{},
                                 flags & ~(RDW_UPDATENOW | RDW_ERASENOW)});
        }
        ScreenBackend().Wake();
        return TRUE;
    }
    if (flags & (RDW_INVALIDATE | RDW_VALIDATE)) {
        if (rgn) {
            Invalidate(hwnd, rgn, flags);
        } else if (rect) {
            Rgn r(*rect);
            Invalidate(hwnd, r.H, flags);
        } else {
            Invalidate(hwnd, nullptr, flags);
        }
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
        UpdateNow(handle, flags & RDW_ALLCHILDREN);
    return TRUE;
}

BOOL InvalidateRect(HWND handle, const TRect* rect, BOOL erase) {
    return RedrawWindow(handle, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND handle, HRGN rgn, BOOL erase) {
    return RedrawWindow(handle, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND handle, const TRect* rect) {
    return RedrawWindow(handle, rect, nullptr, RDW_VALIDATE | (rect ? 0 : RDW_NOFRAME | RDW_NOERASE));
}

BOOL ValidateRgn(HWND handle, HRGN rgn) {
    return RedrawWindow(handle, nullptr, rgn, RDW_VALIDATE | (rgn ? 0 : RDW_NOFRAME | RDW_NOERASE));
}

BOOL UpdateWindow(HWND handle) {
    if (!Validate(handle))
        return FALSE;
    UpdateNow(handle, true);
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, TRect* rect, BOOL erase) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return FALSE;
    TRect box{};
    bool any = hwnd->FUpdate && GetRgnBox(hwnd->FUpdate, &box) != NULLREGION;
    if (rect)
        *rect = any ? box : TRect{};
    if (any && erase && hwnd->FEraseNeeded) {
        HDC dc = GetDC(handle);
        LRESULT erased = SendMessage(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        if (Validate(handle))
            hwnd->FEraseNeeded = !erased;
        ReleaseDC(handle, dc);
    }
    return any ? TRUE : FALSE;
}

int GetUpdateRgn(HWND handle, HRGN rgn, BOOL erase) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !rgn)
        return ERROR;
    if (!hwnd->FUpdate) {
        SetRectRgn(rgn, 0, 0, 0, 0);
        return NULLREGION;
    }
    TRect box;
    GetUpdateRect(handle, &box, erase);
    hwnd = Validate(handle);
    if (!hwnd || !hwnd->FUpdate) {
        SetRectRgn(rgn, 0, 0, 0, 0);
        return hwnd ? NULLREGION : ERROR;
    }
    return CombineRgn(rgn, hwnd->FUpdate, nullptr, RGN_COPY);
}

HDC BeginPaint(HWND handle, PAINTSTRUCT* ps) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !ps)
        return nullptr;
    CaretOffForPaint(hwnd);
    bool erase = hwnd->FEraseNeeded;
    bool frame = hwnd->FFrameNeeded;
    Rgn update(hwnd->FUpdate);
    hwnd->FUpdate = nullptr;
    hwnd->FEraseNeeded = hwnd->FFrameNeeded = hwnd->FInternalPaint = false;
    if (frame) {
        SendMessage(handle, WM_NCPAINT, 1, 0);
        if (!Validate(handle))
            return nullptr;
    }
    TPoint o = ClientOrigin(hwnd);
    OffsetRgn(update.H, o.X, o.Y);
    HDC dc = MakeDC(hwnd, false, hwnd->FStyle & WS_CLIPCHILDREN, update.H);
    ps->hdc = dc;
    ps->fRestore = FALSE;
    ps->fIncUpdate = FALSE;
    if (!dc) {
        ps->rcPaint = {};
        ps->fErase = FALSE;
        return nullptr;
    }
    GetClipBox(dc, &ps->rcPaint);
    ps->fErase =
        erase ? (SendMessage(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE) : FALSE;
    return dc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* ps) {
    if (!ps || !ps->hdc)
        return FALSE;
    ReleaseDC(handle, ps->hdc);
    return TRUE;
}

HDC GetDCEx(HWND handle, HRGN clip, DWORD flags) {
    if (!handle)
        return CreateScreenDC();
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return nullptr;
    if (hwnd == GetState().FDesktop)
        return CreateScreenDC();
    bool whole = flags & DCX_WINDOW;
    bool clipChildren = (flags & DCX_CLIPCHILDREN) || (!whole && (hwnd->FStyle & WS_CLIPCHILDREN));
    Rgn screenClip;
    HRGN useClip = nullptr;
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        // The clip region comes in window or client coordinates of the DC.
        TRect area = whole ? ScreenWindowRect(hwnd) : ScreenClientRect(hwnd);
        CombineRgn(screenClip.H, clip, nullptr, RGN_COPY);
        OffsetRgn(screenClip.H, area.Left, area.Top);
        if (flags & DCX_EXCLUDERGN) {
            Rgn all(area);
            CombineRgn(screenClip.H, all.H, screenClip.H, RGN_DIFF);
        }
        useClip = screenClip.H;
    }
    return MakeDC(hwnd, whole, clipChildren, useClip);
}

HDC GetDC(HWND handle) {
    return GetDCEx(handle, nullptr, 0);
}

HDC GetWindowDC(HWND handle) {
    return GetDCEx(handle, nullptr, DCX_WINDOW);
}

// The DC knows its window: the handle given is not needed.
int ReleaseDC(HWND, HDC dc) {
    if (!dc)
        return 0;
    HWND ownerHandle = nullptr;
    {
        std::lock_guard<std::mutex> guard(DcMapLock());
        auto it = DcWindows().find(dc);
        if (it != DcWindows().end()) {
            ownerHandle = it->second;
            DcWindows().erase(it);
        }
    }
    if (Window* owner = Validate(ownerHandle)) {
        TRect box;
        POINT org;
        GetDCOrgEx(dc, &org);
        if (GetClipBox(dc, &box) != NULLREGION) {
            // The clip box is in logical units; the window system never changes the mapping, so at most
            // the painter moved the origins: present the whole DC area then.
            TRect area = Shift(box, org.X, org.Y);
            POINT vp, wo;
            GetViewportOrgEx(dc, &vp);
            GetWindowOrgEx(dc, &wo);
            if (vp.X != 0 || vp.Y != 0 || wo.X != 0 || wo.Y != 0)
                area = ScreenWindowRect(owner);
            Present(owner, area);
        }
    }
    DeleteDC(dc);
    return 1;
}

HWND WindowFromDC(HDC dc) {
    std::lock_guard<std::mutex> guard(DcMapLock());
    auto it = DcWindows().find(dc);
    return it == DcWindows().end() ? nullptr : it->second;
}

int SetWindowRgn(HWND handle, HRGN rgn, BOOL redraw) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return 0;
    TRect before = ScreenWindowRect(hwnd);
    if (hwnd->FRegion)
        DeleteObject(hwnd->FRegion);
    hwnd->FRegion = rgn;
    if (redraw) {
        OnWindowGeometryChanged(hwnd, before, true);
        if (!hwnd->IsChild())
            ScreenBackend().TopLevelChanged(handle);
    }
    return 1;
}

int GetWindowRgn(HWND handle, HRGN rgn) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !hwnd->FRegion || !rgn)
        return ERROR;
    return CombineRgn(rgn, hwnd->FRegion, nullptr, RGN_COPY);
}

BOOL ScrollWindow(HWND handle, int dx, int dy, const TRect* scroll, const TRect* clip) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return FALSE;
    // Moves the children with the contents and repaints the whole area: correct, if not the cheapest.
    if (!scroll) {
        std::vector<HWND> children;
        for (Window* child : hwnd->FChildren)
            children.push_back(child->FHandle);
        for (HWND childHandle : children)
            if (Window* child = Validate(childHandle))
                SetWindowPos(childHandle, nullptr, child->FRect.Left + dx, child->FRect.Top + dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const TRect* area = clip ? clip : scroll;
    InvalidateRect(handle, area, TRUE);
    return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND handle, COLORREF, BYTE alpha, DWORD flags) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !(hwnd->FExStyle & WS_EX_LAYERED))
        return FALSE;
    if (flags & LWA_ALPHA) {
        hwnd->FAlpha = alpha;
        hwnd->FLayeredAlpha = true;
    }
    hwnd->FPerPixelAlpha = false;
    ScreenBackend().Present(handle, {0, 0, hwnd->FRect.Width(), hwnd->FRect.Height()});
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND handle, HDC, const TPoint* pos, const TSize* size, HDC src, const TPoint* srcPos,
                         COLORREF, const BLENDFUNCTION* blend, DWORD flags) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !(hwnd->FExStyle & WS_EX_LAYERED) || hwnd->IsChild())
        return FALSE;
    if (pos || size) {
        int x = pos ? pos->X : hwnd->FRect.Left, y = pos ? pos->Y : hwnd->FRect.Top;
        int w = size ? size->cx : hwnd->FRect.Width(), h = size ? size->cy : hwnd->FRect.Height();
        SetWindowPos(handle, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        hwnd = Validate(handle);
        if (!hwnd)
            return FALSE;
    }
    EnsureBackBuffer(hwnd);
    if (src && hwnd->FBackBuffer) {
        HDC dst = CreateTargetDC(hwnd->FBackBuffer, 0, 0);
        TPoint sp = srcPos ? *srcPos : TPoint{};
        BitBlt(dst, 0, 0, hwnd->FRect.Width(), hwnd->FRect.Height(), src, sp.X, sp.Y, SRCCOPY);
        DeleteDC(dst);
    }
    hwnd->FPerPixelAlpha = (flags & ULW_ALPHA) && blend && blend->AlphaFormat == AC_SRC_ALPHA;
    hwnd->FAlpha = blend ? blend->SourceConstantAlpha : 255;
    hwnd->FLayeredAlpha = true;
    ScreenBackend().Present(handle, {0, 0, hwnd->FRect.Width(), hwnd->FRect.Height()});
    return TRUE;
}

BOOL LayeredWindowsTranslucent() {
    return ScreenBackend().Composited() ? TRUE : FALSE;
}

BOOL AnimateWindow(HWND handle, DWORD, DWORD flags) {
    if (!Validate(handle))
        return FALSE;
    if (flags & AW_HIDE)
        return ShowWindow(handle, SW_HIDE), TRUE;
    ShowWindow(handle, (flags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNA);
    UpdateWindow(handle);
    return TRUE;
}

BOOL GetWindowSurface(HWND handle, WindowSurface* surface) {
    Window* hwnd = Validate(handle);
    if (!hwnd || hwnd->IsChild() || !surface)
        return FALSE;
    EnsureBackBuffer(hwnd);
    DIBSECTION ds{};
    if (!hwnd->FBackBuffer || GetObject(hwnd->FBackBuffer, sizeof ds, &ds) != sizeof ds)
        return FALSE;
    surface->Bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    surface->Width = ds.dsBm.bmWidth;
    surface->Height = ds.dsBm.bmHeight;
    surface->Stride = ds.dsBm.bmWidthBytes;
    surface->Alpha = hwnd->FLayeredAlpha ? hwnd->FAlpha : 255;
    surface->PerPixelAlpha = hwnd->FPerPixelAlpha;
    surface->Region = hwnd->FRegion;
    return TRUE;
}

} // namespace win
