#include "platform/vcl/Controls.h"

#include "platform/vcl/ActnList.h"

#include "platform/vcl/Scope.h"
#include "platform/win/user/Cursors.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

namespace vcl {

namespace {

constexpr const char* ControlsObjectProp = "LoomwickControl";

// The control whose window is being created: its first messages arrive before CreateWindowEx returns.
thread_local TWinControl* ControlsCreating = nullptr;

// The window procedure each registered class builds on, by class name.
std::map<std::string, win::WNDPROC>& ControlsDefProcs() {
    static std::map<std::string, win::WNDPROC> procs;
    return procs;
}

thread_local int32_t ControlsDepth = 0;
thread_local std::vector<TObject*>* ControlsPendingFrees = nullptr;

void ControlsFlushPendingFrees() {
    while (ControlsPendingFrees && !ControlsPendingFrees->empty()) {
        TObject* obj = ControlsPendingFrees->front();
        ControlsPendingFrees->erase(ControlsPendingFrees->begin());
        obj->Free();
    }
}

bool ControlsIsMouseMessage(win::UINT msg) {
    return msg >= win::WM_MOUSEFIRST && msg <= win::WM_MOUSELAST;
}

} // namespace

TShiftState MouseShiftState(win::WPARAM keys) {
    TShiftState s;
    if (keys & win::MK_SHIFT)
        s.Include(ssShift);
    if (keys & win::MK_CONTROL)
        s.Include(ssCtrl);
    if (keys & win::MK_LBUTTON)
        s.Include(ssLeft);
    if (keys & win::MK_RBUTTON)
        s.Include(ssRight);
    if (keys & win::MK_MBUTTON)
        s.Include(ssMiddle);
    if (win::GetKeyState(win::VK_MENU) < 0)
        s.Include(ssAlt);
    return s;
}

TShiftState KeyboardShiftState() {
    TShiftState s;
    if (win::GetKeyState(win::VK_SHIFT) < 0)
        s.Include(ssShift);
    if (win::GetKeyState(win::VK_CONTROL) < 0)
        s.Include(ssCtrl);
    if (win::GetKeyState(win::VK_MENU) < 0)
        s.Include(ssAlt);
    return s;
}

TCustomForm* GetParentForm(TControl* control) {
    while (control && control->GetParent())
        control = control->GetParent();
    return dynamic_cast<TCustomForm*>(control);
}

// ---- TSizeConstraints ----------------------------------------------------------------------------------

void TSizeConstraints::Set(int32_t& field, int32_t value) {
    value = std::max(0, value);
    if (!SetIfChanged(field, value))
        return;
    if (OnChange)
        OnChange(this);
}

void TSizeConstraints::Apply(int32_t& width, int32_t& height) const {
    if (FMaxWidth > 0)
        width = std::min(width, FMaxWidth);
    if (FMaxHeight > 0)
        height = std::min(height, FMaxHeight);
    width = std::max(width, FMinWidth);
    height = std::max(height, FMinHeight);
}

// ---- TControl ------------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner)
    : TComponent(owner), FFont(std::make_unique<TFont>()),
      FConstraints(std::make_unique<TSizeConstraints>()) {
    FFont->OnChange = [this](TObject* sender) { FontChanged(sender); };
    FConstraints->OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl() {
    FActionLink.reset();
    if (FHostDockSite && FHostDockSite != FParent)
        FHostDockSite->RemoveControl(this); // docked without being a child (cannot happen by ManualDock)
    FFont->OnChange = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
}

TComponent* TControl::GetParentComponent() const {
    return FParent;
}

void TControl::Loaded() {
    TComponent::Loaded();
    AdjustSize();
}

void TControl::SetParentComponent(TComponent* value) {
    if (auto* p = dynamic_cast<TWinControl*>(value))
        SetParent(p);
}

TCustomForm* TControl::ParentForm() const {
    return GetParentForm(const_cast<TControl*>(this));
}

void TControl::SetParent(TWinControl* value) {
    if (value == FParent)
        return;
    if (value == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (auto* self = dynamic_cast<TWinControl*>(this); self && value && self->ContainsControl(value))
        throw EInvalidOperation("A control cannot be the parent of one of its own parents");
    if (FParent)
        FParent->RemoveControl(this);
    if (value)
        value->InsertControl(this);
}

void TControl::UpdateAnchorRules() {
    if (!FParent)
        return;
    TRect r = FParent->GetClientRect();
    FAnchorRight = r.Width() - (FLeft + FWidth);
    FAnchorBottom = r.Height() - (FTop + FHeight);
}

void TControl::AnchorTo(TSize oldSize, TSize newSize) {
    if (FAlign != alNone || (oldSize.cx == newSize.cx && oldSize.cy == newSize.cy))
        return;
    int32_t l = FLeft, t = FTop, w = FWidth, h = FHeight;
    if (FAnchors.Contains(akRight)) {
        if (FAnchors.Contains(akLeft))
            w = std::max(0, newSize.cx - FAnchorRight - l);
        else
            l = newSize.cx - FAnchorRight - w;
    } else if (!FAnchors.Contains(akLeft)) {
        l += (newSize.cx - oldSize.cx) / 2; // neither side: keep the same place relative to the middle
    }
    if (FAnchors.Contains(akBottom)) {
        if (FAnchors.Contains(akTop))
            h = std::max(0, newSize.cy - FAnchorBottom - t);
        else
            t = newSize.cy - FAnchorBottom - h;
    } else if (!FAnchors.Contains(akTop)) {
        t += (newSize.cy - oldSize.cy) / 2;
    }
    FAligning = true;
    ScopeExit aligned([this]() noexcept { FAligning = false; });
    SetBounds(l, t, w, h);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    FConstraints->Apply(width, height);
    width = std::max(0, width);
    height = std::max(0, height);
    bool moved = left != FLeft || top != FTop;
    bool sized = width != FWidth || height != FHeight;
    if (!moved && !sized)
        return;
    InvalidateControl(FVisible);
    UpdateBoundsFields(left, top, width, height);
    BoundsChanged(moved, sized);
}

void TControl::UpdateBoundsFields(int32_t left, int32_t top, int32_t width, int32_t height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (!FAligning)
        UpdateAnchorRules();
}

void TControl::BoundsChanged(bool moved, bool sized) {
    InvalidateControl(FVisible);
    if (FParent && !FAligning && FAlign != alNone)
        FParent->Realign();
    if (sized)
        Resize();
    ParentAutoSize();
}

void TControl::SetAutoSize(bool value) {
    if (!SetIfChanged(FAutoSize, value))
        return;
    if (value)
        AdjustSize();
}

void TControl::AdjustSize() {
    if (!FAutoSize || FAutoSizing || GetComponentState().Contains(csLoading) ||
        GetComponentState().Contains(csDestroying))
        return;
    int32_t w = FWidth, h = FHeight;
    if (!CanAutoSize(w, h) || (w == FWidth && h == FHeight))
        return;
    FAutoSizing = true;
    ScopeExit sized([this]() noexcept { FAutoSizing = false; });
    SetBounds(FLeft, FTop, w, h);
}

void TControl::ParentAutoSize() {
    if (FParent && FParent->FAutoSize && !FParent->FAutoSizing)
        FParent->AdjustSize();
}

void TControl::SetClientSize(int32_t width, int32_t height) {
    TRect c = GetClientRect();
    SetBounds(FLeft, FTop, FWidth + width - c.Width(), FHeight + height - c.Height());
}

TRect TControl::GetClientRect() {
    return {0, 0, FWidth, FHeight};
}

TPoint TControl::ClientOrigin() {
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->FHandle) {
        TPoint p{0, 0};
        win::ClientToScreen(w->FHandle, &p);
        return p;
    }
    if (!FParent)
        return {FLeft, FTop};
    TPoint p = FParent->ClientOrigin();
    return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) {
    TPoint o = ClientOrigin();
    return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) {
    TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign value) {
    if (!SetIfChanged(FAlign, value))
        return;
    if (FParent) {
        if (value == alNone)
            UpdateAnchorRules();
        FParent->Realign();
    }
}

void TControl::SetAnchors(TAnchors value) {
    if (SetIfChanged(FAnchors, value))
        UpdateAnchorRules();
}

void TControl::SetVisible(bool value) {
    if (value == FVisible)
        return;
    InvalidateControl(true);
    FVisible = value;
    Perform(CM_VISIBLECHANGED, value);
    if (FParent && FAlign != alNone)
        FParent->Realign();
    if (FHostDockSite && FHostDockSite->FDockManager)
        FHostDockSite->FDockManager->ResetBounds(false);
    if (FHostDockSite)
        FHostDockSite->DockClientNotify(this, CM_VISIBLECHANGED);
    ParentAutoSize();
}

bool TControl::Showing() const {
    return FVisible && FParent && FParent->Showing();
}

void TControl::SetEnabled(bool value) {
    if (SetIfChanged(FEnabled, value))
        Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsEnabledChain() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FEnabled)
            return false;
    return true;
}

void TControl::SetColor(TColor value) {
    if (value == FColor && !FParentColor)
        return;
    FColor = value;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (!SetIfChanged(FParentColor, value))
        return;
    if (value && FParent)
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool value) {
    if (!SetIfChanged(FParentFont, value))
        return;
    if (value && FParent)
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*) {
    // A font set by the control's own code stops following the parent's.
    if (!(FControlState.Contains(csReadingState)))
        FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& value) {
    if (!SetIfChanged(FText, value))
        return;
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        win::SetWindowText(w->FHandle, value.c_str());
    Perform(CM_TEXTCHANGED);
    if (FHostDockSite)
        FHostDockSite->DockClientNotify(this, CM_TEXTCHANGED);
}

bool TControl::GetShowHint() const {
    if (FParentShowHint && FParent)
        return FParent->GetShowHint();
    return FShowHint;
}

void TControl::SetCursor(TCursor value) {
    if (SetIfChanged(FCursor, value))
        Perform(CM_CURSORCHANGED);
}

win::LRESULT TControl::Perform(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    DeliverMessage(m);
    return m.Result;
}

TWndMethod TControl::GetWindowProc() const {
    if (FWindowProc)
        return FWindowProc;
    auto* self = const_cast<TControl*>(this);
    return [self](TMessage& m) { self->WndProc(m); };
}

// ---- Reading order ----------------------------------------------------------------------------------

void TControl::SetBiDiMode(TBiDiMode value) {
    if (value == FBiDiMode && !FParentBiDiMode)
        return;
    FParentBiDiMode = false;
    if (SetIfChanged(FBiDiMode, value))
        Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool value) {
    if (!SetIfChanged(FParentBiDiMode, value))
        return;
    if (value && FParent)
        Perform(CM_PARENTBIDIMODECHANGED);
}

uint32_t TControl::DrawTextBiDiModeFlagsReadingOnly() const {
    return UseRightToLeftReading() ? win::DT_RTLREADING : 0;
}

uint32_t TControl::DrawTextBiDiModeFlags(uint32_t flags) const {
    if (UseRightToLeftAlignment()) {
        if (flags & win::DT_RIGHT)
            flags &= ~uint32_t(win::DT_RIGHT);
        else if (!(flags & win::DT_CENTER))
            flags |= win::DT_RIGHT;
    }
    return flags | DrawTextBiDiModeFlagsReadingOnly();
}

// ---- The wheel ----------------------------------------------------------------------------------------

bool TControl::DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled)
        return true;
    // One handler call per whole notch; what is left of a finer turn waits for the next message.
    FWheelAccumulator += wheelDelta;
    while (std::abs(FWheelAccumulator) >= win::WHEEL_DELTA) {
        if (FWheelAccumulator < 0) {
            FWheelAccumulator += win::WHEEL_DELTA;
            handled = DoMouseWheelDown(shift, mousePos) || handled;
        } else {
            FWheelAccumulator -= win::WHEEL_DELTA;
            handled = DoMouseWheelUp(shift, mousePos) || handled;
        }
    }
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelDown)
        OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelUp)
        OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::WMMouseWheel(TMessage& m) {
    TShiftState shift = MouseShiftState(win::LOWORD(m.WParam));
    TPoint pos{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
    if (DoMouseWheel(shift, win::GET_WHEEL_DELTA_WPARAM(m.WParam), pos)) {
        m.Result = 1;
        return;
    }
    // Unhandled: a window's default procedure hands the wheel to the parent window; a control without a
    // window hands it to its parent control.
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        DefaultHandler(m);
    else if (FParent)
        m.Result = FParent->Perform(m.Msg, m.WParam, m.LParam);
}

void TControl::WndProc(TMessage& message) {
    Dispatch(message);
}

void TControl::HandleMouse(TMessage& m) {
    TShiftState shift = MouseShiftState(m.WParam);
    int32_t x = win::GET_X_LPARAM(m.LParam), y = win::GET_Y_LPARAM(m.LParam);
    switch (m.Msg) {
    case win::WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        if (m.Msg == win::WM_LBUTTONDBLCLK && FControlStyle.Contains(csDoubleClicks)) {
            DblClick();
            shift.Include(ssDouble);
        }
        FControlState.Include(csLButtonDown);
        if (FControlStyle.Contains(csClickEvents))
            FControlState.Include(csClicked);
        MouseDown(mbLeft, shift, x, y);
        break;
    case win::WM_LBUTTONUP: {
        bool clicked = FControlState.Contains(csClicked);
        FControlState.Exclude(csLButtonDown).Exclude(csClicked);
        MouseUp(mbLeft, shift, x, y);
        if (clicked && win::Contains(GetClientRect(), TPoint{x, y}))
            Click();
        break;
    }
    case win::WM_RBUTTONDOWN:
        MouseDown(mbRight, shift, x, y);
        break;
    case win::WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        break;
    case win::WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case win::WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    default:
        break;
    }
}

void TControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case win::WM_MOUSEMOVE:
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONUP:
        HandleMouse(m);
        // A windowed control's own window still sees the message (focus, capture, the class's behaviour).
        DefaultHandler(m);
        // An automatic drag starts once the press has done what it does (a list selects the entry pressed).
        if ((m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_LBUTTONDBLCLK) && FDragMode == dmAutomatic &&
            !GetComponentState().Contains(csDestroying))
            BeginDrag(false);
        return;
    case win::WM_CONTEXTMENU:
        ContextMenu(m);
        return;
    case win::WM_MOUSEWHEEL:
        WMMouseWheel(m);
        return;
    case CM_BIDIMODECHANGED:
        if (auto* w = dynamic_cast<TWinControl*>(this))
            for (int32_t i = 0; i < w->GetControlCount(); ++i)
                w->GetControl(i)->Perform(CM_PARENTBIDIMODECHANGED);
        Invalidate();
        return;
    case CM_PARENTBIDIMODECHANGED:
        if (FParentBiDiMode && FParent && FParent->FBiDiMode != FBiDiMode) {
            FBiDiMode = FParent->FBiDiMode;
            Perform(CM_BIDIMODECHANGED);
        }
        return;
    case CM_MOUSEENTER:
        FMouseInControl = true;
        if (OnMouseEnter)
            OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        FMouseInControl = false;
        if (OnMouseLeave)
            OnMouseLeave(this);
        return;
    case CM_PARENTFONTCHANGED:
        if (FParentFont && FParent) {
            FControlState.Include(csReadingState);
            FFont->Assign(FParent->GetFont());
            FControlState.Exclude(csReadingState);
        }
        return;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor && FParent) {
            FColor = FParent->GetColor();
            Perform(CM_COLORCHANGED);
        }
        return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
        Invalidate();
        return;
    default:
        DefaultHandler(m);
    }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::Click() {
    // A handler of the control's own runs instead of the action; the action's own handler runs through
    // the action, so that its checks (enabled, update) apply.
    if (OnClick && (!FActionLink || !FActionLink->GetAction() ||
                    !SameEvent(OnClick, FActionLink->GetAction()->OnExecute))) {
        OnClick(this);
    } else if (FActionLink && FActionLink->GetAction()) {
        FActionLink->Execute(this);
    } else if (OnClick) {
        OnClick(this);
    }
}

TBasicAction* TControl::GetAction() const {
    return FActionLink ? FActionLink->GetAction() : nullptr;
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink() {
    return std::make_unique<TControlActionLink>(this);
}

void TControl::SetAction(TBasicAction* value) {
    if (value == GetAction())
        return;
    if (TBasicAction* old = GetAction())
        old->RemoveFreeNotification(this);
    if (!value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = CreateActionLink();
    FActionLink->SetAction(value);
    FActionLink->OnChange = [this](TObject* sender) {
        if (sender == GetAction())
            ActionChange(sender, false);
    };
    ActionChange(value, value->GetComponentState().Contains(csLoading));
    value->FreeNotification(this);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (!action)
        return;
    if (!checkDefaults || GetCaption().empty())
        SetCaption(action->GetCaption());
    if (!checkDefaults || GetEnabled())
        SetEnabled(action->GetEnabled());
    if (!checkDefaults || GetHint().empty())
        SetHint(action->GetHint());
    if (!checkDefaults || GetVisible())
        SetVisible(action->GetVisible());
    if (!checkDefaults || !OnClick)
        OnClick = action->OnExecute;
}

void TControl::InitiateAction() {
    if (FActionLink)
        FActionLink->Update();
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component && component == GetAction())
        FActionLink.reset();
    if (operation == opRemove && component && component == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::SetPopupMenu(TPopupMenu* value) {
    if (value == FPopupMenu)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = value;
    if (value)
        value->FreeNotification(this);
}

void TControl::ContextMenu(TMessage& m) {
    if (ContextPopup(this, FPopupMenu, OnContextPopup, m.LParam)) {
        m.Result = 1;
        return;
    }
    // Unanswered: a window's default procedure hands the request to the parent window; a graphic control
    // hands it to its parent control (wParam 0: the parent must not look for a graphic child again).
    if (dynamic_cast<TWinControl*>(this))
        DefaultHandler(m);
    else if (FParent)
        m.Result = FParent->Perform(win::WM_CONTEXTMENU, 0, m.LParam);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

void TControl::Changed() {
    if (FParent)
        FParent->Perform(CM_CHANGED, 0, reinterpret_cast<win::LPARAM>(this));
}

void TControl::InvalidateControl(bool isVisible) {
    if (!isVisible || !FParent || !FParent->HandleAllocated() || dynamic_cast<TWinControl*>(this))
        return;
    TRect r = GetBoundsRect();
    win::InvalidateRect(FParent->FHandle, &r, win::TRUE);
}

void TControl::Invalidate() {
    InvalidateControl(FVisible);
}

void TControl::Update() {
    if (FParent)
        FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!FParent)
        return;
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        win::SetWindowPos(w->FHandle, nullptr, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (!FParent)
        return;
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        win::SetWindowPos(w->FHandle, win::HWND_BOTTOM, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    Invalidate();
}

// ---- TWinControl ---------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    FControlStyle.Include(csAcceptsControls);
    FColor = clBtnFace;
}

void TWinControl::ReadState(TReader* reader) {
    DisableAlign();
    {
        // A failed read leaves the alignment as it was, without aligning what it read so far.
        ScopeExit undo([this]() noexcept { --FAlignLevel; });
        TControl::ReadState(reader);
        undo.Dismiss();
    }
    EnableAlign();
}

void TWinControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
    const std::vector<TControl*> children = FControls;
    for (TControl* c : children)
        if (c->GetOwner() == root)
            proc(c);
}

TWinControl::~TWinControl() {
    // Deleted outright (not freed), the control is marked as going before its children are freed, as
    // BeforeDestruction marks it: watchers told of a child's removal then see their owner leaving, not a
    // control that looks whole while its derived parts are already gone.
    Destroying();
    // Out of the parent's tab order while this is still a windowed control: ~TControl's removal from the
    // parent no longer sees one, and a tab order that kept a freed control would walk it on the next Tab.
    FDockManager.reset();
    for (TControl* c : FDockClients)
        c->FHostDockSite = nullptr;
    FDockClients.clear();
    // Parented children go with their parent.
    while (!FControls.empty()) {
        TControl* child = FControls.back();
        RemoveControl(child);
        child->Free();
    }
    if (FHandle) {
        // The derived parts are gone: the window is destroyed without reaching this object.
        win::HWND h = FHandle;
        win::RemoveProp(h, ControlsObjectProp);
        FHandle = nullptr;
        win::DestroyWindow(h);
    }
}

void TWinControl::BeforeDestruction() {
    TControl::BeforeDestruction();
    // The window goes while the object is whole, so its last messages reach every override.
    if (FHandle)
        DestroyHandle();
}

TWinControl* TWinControl::FindControl(win::HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return reinterpret_cast<TWinControl*>(win::GetProp(hwnd, ControlsObjectProp));
}

TControl* GetCaptureControl() {
    TWinControl* window = TWinControl::FindControl(win::GetCapture());
    if (!window)
        return nullptr;
    return window->FCaptureControl ? window->FCaptureControl : window;
}

int32_t TWinControl::DispatchDepth() {
    return ControlsDepth;
}

void TWinControl::FreeAfterHandlers(TObject* object) {
    if (ControlsDepth == 0) {
        object->Free();
        return;
    }
    if (!ControlsPendingFrees)
        ControlsPendingFrees = new std::vector<TObject*>();
    if (std::find(ControlsPendingFrees->begin(), ControlsPendingFrees->end(), object) ==
        ControlsPendingFrees->end())
        ControlsPendingFrees->push_back(object);
}

void TWinControl::CancelFreeAfterHandlers(TObject* object) {
    if (ControlsPendingFrees)
        ControlsPendingFrees->erase(
            std::remove(ControlsPendingFrees->begin(), ControlsPendingFrees->end(), object),
            ControlsPendingFrees->end());
}

win::HWND TWinControl::GetHandle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle)
        return;
    if (FParent)
        FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::CreateHandle() {
    if (FHandle)
        return;
    CreateWnd();
    CreateWndDone();
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->HandleNeeded();
    FLastClientSize = {GetClientRect().Width(), GetClientRect().Height()};
    AlignChildren();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = FText;
    p.Style = win::WS_CHILD | win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS;
    if (FVisible)
        p.Style |= win::WS_VISIBLE;
    if (!FEnabled)
        p.Style |= win::WS_DISABLED;
    if (FTabStop)
        p.Style |= win::WS_TABSTOP;
    p.X = FLeft;
    p.Y = FTop;
    p.Width = FWidth;
    p.Height = FHeight;
    p.WndParent = FParent ? FParent->FHandle : FParentWindow;
    p.WindowClassStyle = win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS;
    p.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    // Without Ctl3D a sunken client edge becomes a plain border.
    if (!FCtl3D && (p.ExStyle & win::WS_EX_CLIENTEDGE)) {
        p.ExStyle &= ~win::WS_EX_CLIENTEDGE;
        p.Style |= win::WS_BORDER;
    }
    if ((p.Style & win::WS_CHILD) && !p.WndParent)
        throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
    auto& procs = ControlsDefProcs();
    auto known = procs.find(p.WinClassName);
    if (known == procs.end()) {
        win::WNDCLASSEX wc;
        win::WNDPROC base = win::DefWindowProc;
        if (!p.SuperClassName.empty()) {
            win::WNDCLASSEX super;
            if (!win::GetClassInfoEx(nullptr, p.SuperClassName.c_str(), &super))
                throw EOutOfResources("Window class " + p.SuperClassName + " is not registered");
            base = super.lpfnWndProc;
            wc = super;
        }
        wc.style = p.WindowClassStyle | (p.SuperClassName.empty() ? 0 : wc.style);
        wc.lpfnWndProc = CALLBACK_WndProc;
        wc.lpszClassName = p.WinClassName;
        if (!win::RegisterClassEx(wc))
            throw EOutOfResources("Cannot register the window class " + p.WinClassName);
        known = procs.emplace(p.WinClassName, base).first;
    }
    FDefWndProc = known->second;
    CreateWindowHandle(p);
    if (!FHandle)
        throw EOutOfResources("Error creating window");
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
    win::HWND h;
    {
        // The window procedure meets this control through ControlsCreating while the window is made.
        TWinControl* previous = std::exchange(ControlsCreating, this);
        ScopeExit restore([previous]() noexcept { ControlsCreating = previous; });
        h = win::CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                                p.Width, p.Height, p.WndParent, nullptr, nullptr, p.Param);
    }
    if (h && !FHandle) {
        FHandle = h;
        win::SetProp(h, ControlsObjectProp, reinterpret_cast<win::HANDLE>(this));
    }
}

void TWinControl::DestroyHandle() {
    if (!FHandle)
        return;
    FDestroyingHandle = true;
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
    FDestroyingHandle = false;
}

void TWinControl::DestroyWnd() {
    // Keep the text the window may have been given by the user.
    if (FHandle)
        FText = win::GetWindowTextString(FHandle);
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    if (FHandle)
        win::DestroyWindow(FHandle);
    FHandle = nullptr;
}

void TWinControl::RecreateWnd() {
    if (!FHandle)
        return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::SetParentWindow(win::HWND value) {
    if (!SetIfChanged(FParentWindow, value))
        return;
    if (FHandle && !FParent) {
        if (value)
            win::SetParent(FHandle, value);
        else
            DestroyHandle();
    }
}

win::LRESULT TWinControl::CALLBACK_WndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                           win::LPARAM lParam) {
    auto* control = reinterpret_cast<TWinControl*>(win::GetProp(hwnd, ControlsObjectProp));
    if (!control && ControlsCreating && !ControlsCreating->FHandle) {
        control = ControlsCreating;
        control->FHandle = hwnd;
        win::SetProp(hwnd, ControlsObjectProp, reinterpret_cast<win::HANDLE>(control));
    }
    if (!control) {
        auto it = ControlsDefProcs().find(win::GetClassNameString(hwnd));
        win::WNDPROC proc = it == ControlsDefProcs().end() ? win::DefWindowProc : it->second;
        return win::CallWindowProc(proc, hwnd, msg, wParam, lParam);
    }
    TMessage m{msg, wParam, lParam, 0};
    struct DepthGuard {
        DepthGuard() { ++ControlsDepth; }
        ~DepthGuard() { --ControlsDepth; }
    };
    try {
        DepthGuard depth;
        control->DeliverMessage(m);
    } catch (const win::StallError&) {
        throw; // a test's input ran out: not the program's error
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (!Application)
            throw;
        Application->HandleException(control, e);
    }
    if (msg == win::WM_NCDESTROY) {
        // The window is gone; the control (if it still exists) makes a new one when needed.
        if (win::GetProp(hwnd, ControlsObjectProp) == reinterpret_cast<win::HANDLE>(control)) {
            win::RemoveProp(hwnd, ControlsObjectProp);
            control->FHandle = nullptr;
        }
    }
    if (ControlsDepth == 0 && ControlsPendingFrees && !ControlsPendingFrees->empty())
        ControlsFlushPendingFrees(); // the last handler returned: forms released meanwhile go now
    return m.Result;
}

void TWinControl::WndProc(TMessage& m) {
    if (ControlsIsMouseMessage(m.Msg) && m.Msg != win::WM_MOUSEWHEEL) {
        TPoint p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
        if (m.Msg == win::WM_MOUSEMOVE && !FMouseInControl) {
            win::TRACKMOUSEEVENT tme;
            tme.dwFlags = win::TME_LEAVE;
            tme.hwndTrack = FHandle;
            win::TrackMouseEvent(&tme);
            Perform(CM_MOUSEENTER);
        }
        // Graphic children take the mouse over their bounds; the one pressed keeps it until release.
        TControl* target = FCaptureControl;
        if (!target) {
            target = ControlAtPos(p, false, false);
            if (target && (!target->IsEnabledChain() || dynamic_cast<TWinControl*>(target)))
                target = nullptr;
        }
        if (Application) {
            if (m.Msg == win::WM_MOUSEMOVE)
                Application->HintMouseMove(target ? target : this);
            else
                Application->CancelHint();
        }
        if (m.Msg == win::WM_MOUSEMOVE && FMouseControl != target && !FCaptureControl) {
            TControl* old = FMouseControl;
            FMouseControl = target;
            if (old)
                old->Perform(CM_MOUSELEAVE);
            if (target)
                target->Perform(CM_MOUSEENTER);
        }
        if (target) {
            bool down = m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_RBUTTONDOWN ||
                        m.Msg == win::WM_MBUTTONDOWN || m.Msg == win::WM_LBUTTONDBLCLK;
            bool up = m.Msg == win::WM_LBUTTONUP || m.Msg == win::WM_RBUTTONUP || m.Msg == win::WM_MBUTTONUP;
            if (down && target->FControlStyle.Contains(csCaptureMouse)) {
                FCaptureControl = target;
                win::SetCapture(FHandle);
            }
            if (up && FCaptureControl == target) {
                FCaptureControl = nullptr;
                if (win::GetCapture() == FHandle)
                    win::ReleaseCapture();
            }
            TMessage child{m.Msg, m.WParam, win::MAKELPARAM(p.X - target->FLeft, p.Y - target->FTop), 0};
            target->DeliverMessage(child);
            // The window's default procedure turns a right-button release into the context-menu request,
            // which comes back here and goes to the graphic child under the pointer.
            if (m.Msg == win::WM_RBUTTONUP && FHandle && win::IsWindow(FHandle))
                DefaultHandler(m);
            m.Result = child.Result;
            return;
        }
    }
    switch (m.Msg) {
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN:
        if (Application)
            Application->CancelHint();
        break;
    case win::WM_MOUSELEAVE:
        if (Application)
            Application->HintMouseLeft(this);
        if (FMouseControl) {
            TControl* old = FMouseControl;
            FMouseControl = nullptr;
            old->Perform(CM_MOUSELEAVE);
        }
        if (FMouseInControl)
            Perform(CM_MOUSELEAVE);
        return;
    case win::WM_CAPTURECHANGED:
        FCaptureControl = nullptr;
        break;
    default:
        break;
    }
    Dispatch(m);
}

bool TWinControl::DoKeyDown(uint16_t& key, TShiftState shift) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->GetKeyPreview() && form->DoKeyDown(key, shift))
        return true;
    KeyDown(key, shift);
    return key == 0;
}

bool TWinControl::DoKeyPress(char& key) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->GetKeyPreview() && form->DoKeyPress(key))
        return true;
    KeyPress(key);
    return key == 0;
}

bool TWinControl::DoKeyUp(uint16_t& key, TShiftState shift) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->GetKeyPreview() && form->DoKeyUp(key, shift))
        return true;
    KeyUp(key, shift);
    return key == 0;
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TWinControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    // Painting and the window's place.
    case win::WM_PAINT:
        WMPaint(m);
        return;
    case win::WM_ERASEBKGND:
        WMEraseBkgnd(m);
        return;
    case win::WM_WINDOWPOSCHANGED:
        DefaultHandler(m);
        WMWindowPosChanged();
        return;
    case win::WM_WINDOWPOSCHANGING:
        WMWindowPosChanging(m);
        return;
    case win::WM_GETMINMAXINFO:
        WMGetMinMaxInfo(m);
        return;
    // Keys.
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN:
        WMKeyDown(m);
        return;
    case win::WM_SYSCHAR:
        WMSysChar(m);
        return;
    case win::WM_CHAR:
        WMChar(m);
        return;
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP:
        WMKeyUp(m);
        return;
    // Focus.
    case win::WM_SETFOCUS:
        WMSetFocus(m);
        return;
    case win::WM_KILLFOCUS:
        WMKillFocus(m);
        return;
    // The mouse.
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        WMLButtonDown(m);
        return;
    case win::WM_LBUTTONUP:
        WMLButtonUp(m);
        return;
    case win::WM_SETCURSOR:
        WMSetCursor(m);
        return;
    case win::WM_CONTEXTMENU:
        WMContextMenu(m);
        return;
    // Notifications from child windows.
    case win::WM_COMMAND:
    case win::WM_NOTIFY:
    case win::WM_DRAWITEM:
    case win::WM_DELETEITEM:
    case win::WM_MEASUREITEM:
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
    case win::WM_CTLCOLOREDIT:
    case win::WM_CTLCOLORLISTBOX:
    case win::WM_CTLCOLORBTN:
    case win::WM_CTLCOLORSTATIC:
    case win::WM_CTLCOLORSCROLLBAR:
        WMNotification(m);
        return;
    // Changes of the control's own properties.
    case CM_FONTCHANGED:
        CMFontChanged();
        return;
    case CM_COLORCHANGED:
        CMColorChanged();
        return;
    case CM_ENABLEDCHANGED:
        CMEnabledChanged();
        return;
    case CM_CTL3DCHANGED:
        CMCtl3DChanged();
        return;
    case CM_PARENTCTL3DCHANGED:
        CMParentCtl3DChanged(m);
        return;
    case CM_VISIBLECHANGED:
        UpdateShowing();
        return;
    case CM_CHANGED:
        Realign();
        return;
    default:
        TControl::Dispatch(m);
    }
}

// ---- Dispatch's handlers ------------------------------------------------------------------------------

bool TWinControl::HasClassWindowProc() const {
    return FDefWndProc && FDefWndProc != win::DefWindowProc;
}

void TWinControl::WMPaint(TMessage& m) {
    // A control over one of the window system's classes (an edit, a button) is painted by that class's own
    // procedure; only graphic child controls on top of it need the class library.
    if (!HasClassWindowProc()) {
        PaintHandler(m);
        return;
    }
    DefaultHandler(m);
    if (!FControls.empty() && FHandle) {
        auto given = reinterpret_cast<win::HDC>(m.WParam);
        win::HDC dc = given ? given : win::GetDC(FHandle);
        PaintControls(dc, nullptr);
        if (!given)
            win::ReleaseDC(FHandle, dc);
    }
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
    if (HasClassWindowProc()) {
        DefaultHandler(m);
        return;
    }
    auto dc = reinterpret_cast<win::HDC>(m.WParam);
    TRect r;
    win::GetClientRect(FHandle, &r);
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(ColorToRGB(FColor)));
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);
    m.Result = 1;
}

void TWinControl::WMWindowPosChanging(TMessage& m) {
    // Sizes from the window system (a frame dragged, a maximise) keep to the constraints too.
    auto* pos = reinterpret_cast<win::WINDOWPOS*>(m.LParam);
    if (pos && !(pos->flags & win::SWP_NOSIZE))
        FConstraints->Apply(pos->cx, pos->cy);
    DefaultHandler(m);
}

void TWinControl::WMGetMinMaxInfo(TMessage& m) {
    DefaultHandler(m);
    auto* info = reinterpret_cast<win::MINMAXINFO*>(m.LParam);
    if (!info)
        return;
    TSizeConstraints* c = FConstraints.get();
    if (c->GetMinWidth() > 0)
        info->ptMinTrackSize.X = c->GetMinWidth();
    if (c->GetMinHeight() > 0)
        info->ptMinTrackSize.Y = c->GetMinHeight();
    if (c->GetMaxWidth() > 0)
        info->ptMaxTrackSize.X = c->GetMaxWidth();
    if (c->GetMaxHeight() > 0)
        info->ptMaxTrackSize.Y = c->GetMaxHeight();
}

void TWinControl::WMKeyDown(TMessage& m) {
    uint16_t key = uint16_t(m.WParam);
    if (DoKeyDown(key, KeyboardShiftState()))
        return;
    // Shortcuts of the form's actions come before the control's own handling.
    if (TCustomForm* form = ParentForm(); form && key && form->IsShortCut(key, KeyboardShiftState()))
        return;
    // Keys the control does not want are the dialog's: Tab, Enter, Escape.
    if (key == win::VK_TAB || key == win::VK_RETURN || key == win::VK_ESCAPE) {
        TMessage code{win::WM_GETDLGCODE, 0, 0, 0};
        DefaultHandler(code);
        bool wanted = (code.Result & win::DLGC_WANTALLKEYS) ||
                      (key == win::VK_TAB && (code.Result & win::DLGC_WANTTAB));
        TCustomForm* form = ParentForm();
        if (!wanted && form && form->Perform(CM_DIALOGKEY, key, 0) != 0)
            return;
    }
    // Arrows are the dialog's only when the control answers the dialog code without asking for them
    // (buttons, check boxes, radio buttons): a control that makes no answer at all keeps them, as every
    // owner-drawn view that walks its items with the arrows does.
    if (key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN) {
        win::LRESULT code = Perform(win::WM_GETDLGCODE, 0, 0);
        bool wanted = code == 0 || (code & (win::DLGC_WANTARROWS | win::DLGC_WANTALLKEYS)) ||
                      Perform(CM_WANTSPECIALKEY, key, 0) != 0;
        TCustomForm* form = ParentForm();
        if (!wanted && form && form->Perform(CM_DIALOGKEY, key, 0) != 0)
            return;
    }
    m.WParam = key;
    DefaultHandler(m);
}

void TWinControl::WMSysChar(TMessage& m) {
    // Alt+letter: the form offers it to its controls as an accelerator before the menu sees it.
    TCustomForm* form = ParentForm();
    if (form && form->GetEnabled() && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
        return;
    DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
    // WParam is a code point; the key events' character holds ASCII only, so other characters pass them by
    // unchanged instead of reaching the window cut to one byte.
    if (m.WParam >= 0x80) {
        DefaultHandler(m);
        return;
    }
    char key = char(m.WParam);
    if (DoKeyPress(key))
        return;
    m.WParam = win::WPARAM(uint8_t(key));
    DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
    uint16_t key = uint16_t(m.WParam);
    if (DoKeyUp(key, KeyboardShiftState()))
        return;
    DefaultHandler(m);
}

void TWinControl::WMSetFocus(TMessage& m) {
    DefaultHandler(m);
    if (TCustomForm* form = ParentForm())
        form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<win::LPARAM>(this));
    DoEnter();
}

void TWinControl::WMKillFocus(TMessage& m) {
    DefaultHandler(m);
    DoExit();
}

void TWinControl::WMLButtonDown(TMessage& m) {
    if (FDockManager && FDockManager->MouseDown({win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)}))
        return;
    if (FControlStyle.Contains(csCaptureMouse) && FHandle)
        win::SetCapture(FHandle);
    TControl::Dispatch(m);
}

void TWinControl::WMLButtonUp(TMessage& m) {
    if (FControlStyle.Contains(csCaptureMouse) && FHandle && win::GetCapture() == FHandle)
        win::ReleaseCapture();
    TControl::Dispatch(m);
}

void TWinControl::WMSetCursor(TMessage& m) {
    // Over the client area the screen's cursor wins, then that of the graphic child under the pointer, then
    // the control's own; crDefault everywhere leaves it to the window class.
    if (win::LOWORD(win::WPARAM(m.LParam)) == win::HTCLIENT &&
        reinterpret_cast<win::HWND>(m.WParam) == FHandle) {
        TCursor cursor = Screen ? Screen->GetCursor() : crDefault;
        if (cursor == crDefault) {
            TPoint p;
            win::GetCursorPos(&p);
            win::ScreenToClient(FHandle, &p);
            TControl* c = ControlAtPos(p, false, false);
            cursor = (c && !dynamic_cast<TWinControl*>(c)) ? c->FCursor : FCursor;
        }
        if (cursor != crDefault) {
            win::SetCursor(CursorHandle(cursor));
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TWinControl::WMContextMenu(TMessage& m) {
    // A right click on this window itself: a graphic child under the pointer answers first.
    if (FHandle && m.WParam == reinterpret_cast<win::WPARAM>(FHandle) &&
        m.LParam != win::MAKELPARAM(-1, -1)) {
        TPoint p = ScreenToClient({win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)});
        TControl* child = ControlAtPos(p, false, false);
        if (child && !dynamic_cast<TWinControl*>(child)) {
            m.Result = child->Perform(m.Msg, m.WParam, m.LParam);
            return;
        }
    }
    TControl::Dispatch(m);
}

void TWinControl::WMNotification(TMessage& m) {
    // Notifications go back to the control they came from, as CN_ messages.
    TWinControl* c = NotificationSource(m);
    if (c && c != this) {
        m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

void TWinControl::CMFontChanged() {
    if (FHandle)
        win::SendMessage(FHandle, win::WM_SETFONT, reinterpret_cast<win::WPARAM>(FFont->GetHandle()), 0);
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTFONTCHANGED);
    Invalidate();
}

void TWinControl::CMColorChanged() {
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTCOLORCHANGED);
    Invalidate();
}

void TWinControl::CMEnabledChanged() {
    if (FHandle)
        win::EnableWindow(FHandle, FEnabled);
    Invalidate();
}

void TWinControl::SetCtl3D(bool value) {
    if (value == FCtl3D && !FParentCtl3D)
        return;
    FParentCtl3D = false;
    if (SetIfChanged(FCtl3D, value))
        Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool value) {
    if (!SetIfChanged(FParentCtl3D, value))
        return;
    if (value && FParent)
        Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMCtl3DChanged() {
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTCTL3DCHANGED, 1);
    RecreateWnd();
}

void TWinControl::CMParentCtl3DChanged(TMessage& m) {
    if (!FParentCtl3D || !FParent || FParent->FCtl3D == FCtl3D)
        return;
    FCtl3D = FParent->FCtl3D;
    if (m.WParam == 0) {
        Perform(CM_CTL3DCHANGED);
        return;
    }
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTCTL3DCHANGED, 1);
}

TWinControl* TWinControl::NotificationSource(const TMessage& m) const {
    win::HWND from = nullptr;
    switch (m.Msg) {
    case win::WM_NOTIFY:
        from = m.LParam ? reinterpret_cast<win::NMHDR*>(m.LParam)->hwndFrom : nullptr;
        break;
    case win::WM_DRAWITEM: {
        auto* dis = reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam);
        from = dis && dis->CtlType != win::ODT_MENU ? dis->hwndItem : nullptr;
        break;
    }
    case win::WM_DELETEITEM:
        from = m.LParam ? reinterpret_cast<win::DELETEITEMSTRUCT*>(m.LParam)->hwndItem : nullptr;
        break;
    case win::WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<win::MEASUREITEMSTRUCT*>(m.LParam);
        if (!mis || mis->CtlType == win::ODT_MENU)
            return nullptr;
        if (mis->CtlID != 0 && FHandle)
            for (win::HWND child = win::GetWindow(FHandle, win::GW_CHILD); child && !from;
                 child = win::GetWindow(child, win::GW_HWNDNEXT))
                if (win::GetWindowLong(child, win::GWL_ID) == win::LONG_PTR(mis->CtlID))
                    from = child;
        // An owner-drawn list measures its items while its window is being made, before it has an id.
        if (!from && ControlsCreating && ControlsCreating->FParent == this)
            return ControlsCreating;
        break;
    }
    default:
        from = reinterpret_cast<win::HWND>(m.LParam);
        break;
    }
    return from ? FindControl(from) : nullptr;
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!FHandle) {
        m.Result = 0;
        return;
    }
    if (m.Msg >= CM_BASE) {
        m.Result = 0; // the class library's own messages mean nothing to the window system
        return;
    }
    m.Result = win::CallWindowProc(FDefWndProc ? FDefWndProc : win::DefWindowProc, FHandle, m.Msg, m.WParam,
                                   m.LParam);
}

void TWinControl::PaintHandler(TMessage& m) {
    win::PAINTSTRUCT ps;
    auto dc = reinterpret_cast<win::HDC>(m.WParam);
    bool own = dc == nullptr;
    if (own)
        dc = win::BeginPaint(FHandle, &ps);
    TryFinally(
        [&] {
            int saved = win::SaveDC(dc);
            PaintWindow(dc);
            win::RestoreDC(dc, saved);
            PaintControls(dc, nullptr);
            if (FDockManager) {
                saved = win::SaveDC(dc);
                FDockManager->PaintSite(dc);
                win::RestoreDC(dc, saved);
            }
        },
        [&] {
            if (own)
                win::EndPaint(FHandle, &ps);
        });
}

void TWinControl::PaintControls(win::HDC dc, TControl* first) {
    bool started = first == nullptr;
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (!started) {
            started = c == first;
            if (!started)
                continue;
        }
        if (dynamic_cast<TWinControl*>(c) || !c->FVisible || c->FWidth <= 0 || c->FHeight <= 0)
            continue;
        int saved = win::SaveDC(dc);
        win::POINT org;
        win::GetViewportOrgEx(dc, &org);
        win::IntersectClipRect(dc, c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight);
        win::SetViewportOrgEx(dc, org.X + c->FLeft, org.Y + c->FTop, nullptr);
        c->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(dc), 0);
        win::RestoreDC(dc, saved);
    }
}

void TWinControl::WMWindowPosChanged() {
    if (!FHandle)
        return;
    TRect r;
    win::GetWindowRect(FHandle, &r);
    win::HWND parent = win::GetParent(FHandle);
    if (parent && (win::GetWindowLong(FHandle, win::GWL_STYLE) & win::WS_CHILD)) {
        TPoint tl{r.Left, r.Top};
        win::ScreenToClient(parent, &tl);
        r = {tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()};
    }
    bool moved = r.Left != FLeft || r.Top != FTop;
    bool sized = r.Width() != FWidth || r.Height() != FHeight;
    TRect client = GetClientRect();
    bool clientSized = client.Width() != FLastClientSize.cx || client.Height() != FLastClientSize.cy;
    if (moved || sized) {
        FLeft = r.Left;
        FTop = r.Top;
        FWidth = r.Width();
        FHeight = r.Height();
        if (!FAligning)
            UpdateAnchorRules();
    }
    if (clientSized)
        AlignChildren();
    if (moved || sized) {
        if (FParent && !FAligning && FAlign != alNone)
            FParent->Realign();
        if (sized)
            Resize();
        ParentAutoSize();
    }
}

void TWinControl::BoundsChanged(bool moved, bool sized) {
    if (FHandle) {
        // The window reports its new place through WM_WINDOWPOSCHANGED, which lays out the children.
        int32_t l = FLeft, t = FTop, w = FWidth, h = FHeight;
        win::SetWindowPos(FHandle, nullptr, l, t, w, h, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
        return;
    }
    if (sized)
        AlignChildren();
    TControl::BoundsChanged(moved, sized);
}

void TWinControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    FConstraints->Apply(width, height);
    width = std::max(0, width);
    height = std::max(0, height);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    if (FHandle) {
        // Keep the anchor distances the code asked for, then let the window report the move.
        int32_t oldL = FLeft, oldT = FTop, oldW = FWidth, oldH = FHeight;
        FLeft = left, FTop = top, FWidth = width, FHeight = height;
        if (!FAligning)
            UpdateAnchorRules();
        FLeft = oldL, FTop = oldT, FWidth = oldW, FHeight = oldH;
        win::SetWindowPos(FHandle, nullptr, left, top, width, height,
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE);
        return;
    }
    TControl::SetBounds(left, top, width, height);
}

TRect TWinControl::GetClientRect() {
    if (!FHandle && IsTopLevel())
        HandleNeeded();
    if (FHandle) {
        TRect r;
        win::GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::GetClientRect();
}

void TWinControl::AlignChildren() {
    if (FAlignLevel > 0) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    TRect r = GetClientRect();
    FControlState.Exclude(csAlignmentNeeded);
    TSize now{r.Width(), r.Height()};
    TSize old = FLastClientSize;
    FLastClientSize = now;
    // Aligning the children asks for no alignment of this control.
    DisableAlign();
    ScopeExit aligned([this]() noexcept { --FAlignLevel; });
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->FAlign == alNone && (old.cx || old.cy))
            c->AnchorTo(old, now);
    AdjustClientRect(r);
    AlignControls(nullptr, r);
    if (FDockManager)
        FDockManager->ResetBounds(false);
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded))
        Realign();
}

void TControl::ChangeScale(int32_t m, int32_t d) {
    if (m == d)
        return;
    // Edges scale, so that neighbours that touched still touch.
    const int32_t left = win::MulDiv(FLeft, m, d), top = win::MulDiv(FTop, m, d);
    SetBounds(left, top, win::MulDiv(FLeft + FWidth, m, d) - left, win::MulDiv(FTop + FHeight, m, d) - top);
}

void TWinControl::ChangeScale(int32_t m, int32_t d) {
    if (m == d)
        return;
    DisableAlign();
    TryFinally(
        [&] {
            TControl::ChangeScale(m, d);
            for (TControl* c : std::vector<TControl*>(FControls))
                c->ChangeScale(m, d);
        },
        [&] { EnableAlign(); });
}

void TWinControl::ScaleBy(int32_t m, int32_t d) { ChangeScale(m, d); }

void TWinControl::Realign() {
    if (FAlignLevel > 0) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    TRect r = GetClientRect();
    AdjustClientRect(r);
    {
        DisableAlign();
        ScopeExit aligned([this]() noexcept { --FAlignLevel; });
        AlignControls(nullptr, r);
        if (FDockManager)
            FDockManager->ResetBounds(false);
    }
    FControlState.Exclude(csAlignmentNeeded);
}

void TWinControl::AlignControls(TControl*, TRect& rect) {
    static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign align : order) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->FAlign == align && c->FVisible)
                list.push_back(c);
        // Within one side the control nearest to that side goes first.
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case alTop:
                return a->FTop < b->FTop;
            case alBottom:
                return a->FTop + a->FHeight > b->FTop + b->FHeight;
            case alLeft:
                return a->FLeft < b->FLeft;
            case alRight:
                return a->FLeft + a->FWidth > b->FLeft + b->FWidth;
            default:
                return false;
            }
        });
        for (TControl* c : list) {
            int32_t w = c->FWidth, h = c->FHeight;
            int32_t rw = std::max(0, rect.Width()), rh = std::max(0, rect.Height());
            TRect b;
            switch (align) {
            case alTop:
                b = {rect.Left, rect.Top, rect.Left + rw, rect.Top + h};
                rect.Top += h;
                break;
            case alBottom:
                b = {rect.Left, rect.Bottom - h, rect.Left + rw, rect.Bottom};
                rect.Bottom -= h;
                break;
            case alLeft:
                b = {rect.Left, rect.Top, rect.Left + w, rect.Top + rh};
                rect.Left += w;
                break;
            case alRight:
                b = {rect.Right - w, rect.Top, rect.Right, rect.Top + rh};
                rect.Right -= w;
                break;
            default:
                b = {rect.Left, rect.Top, rect.Left + rw, rect.Top + rh};
                break;
            }
            c->FAligning = true;
            ScopeExit aligned([c]() noexcept { c->FAligning = false; });
            c->SetBounds(b.Left, b.Top, b.Width(), b.Height());
        }
    }
}

void TWinControl::InsertControl(TControl* control) {
    control->FParent = this;
    FControls.push_back(control);
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        FTabList.push_back(w);
        if (w->FHandle) {
            if (FHandle)
                win::SetParent(w->FHandle, FHandle);
            else
                w->DestroyHandle();
        }
        if (FHandle && !w->FHandle)
            w->HandleNeeded();
    }
    control->Perform(CM_PARENTFONTCHANGED);
    control->Perform(CM_PARENTCOLORCHANGED);
    control->Perform(CM_PARENTBIDIMODECHANGED);
    control->Perform(CM_PARENTCTL3DCHANGED);
    control->UpdateAnchorRules();
    if (control->FAlign != alNone)
        Realign();
    control->InvalidateControl(control->FVisible);
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<win::WPARAM>(control), 1);
    AdjustSize();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it == FControls.end())
        return;
    control->InvalidateControl(control->FVisible);
    FControls.erase(it);
    // Out of the tab order by address: a windowed control that leaves from ~TControl is no longer one to
    // dynamic_cast, and a tab order that kept it would walk a freed control on the next Tab.
    FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                  [control](TWinControl* w) { return static_cast<TControl*>(w) == control; }),
                   FTabList.end());
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->FHandle && !FDestroyingHandle && !control->GetComponentState().Contains(csDestroying))
            w->DestroyHandle();
    }
    if (FMouseControl == control)
        FMouseControl = nullptr;
    if (FCaptureControl == control) {
        FCaptureControl = nullptr;
        if (FHandle && win::GetCapture() == FHandle)
            win::ReleaseCapture();
    }
    control->FParent = nullptr;
    // Leaving its parent, a docked control leaves its dock site (which may be the parent's parent).
    if (TWinControl* host = control->FHostDockSite) {
        control->FHostDockSite = nullptr;
        host->FDockClients.erase(std::remove(host->FDockClients.begin(), host->FDockClients.end(), control),
                                 host->FDockClients.end());
        if (host->FDockManager)
            host->FDockManager->RemoveControl(control);
    }
    if (control->FAlign != alNone && !GetComponentState().Contains(csDestroying))
        Realign();
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<win::WPARAM>(control), 0);
    AdjustSize();
}

bool TWinControl::ContainsControl(TControl* control) const {
    for (TControl* c = control; c; c = c->FParent)
        if (c == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c))
            continue;
        if (!c->FVisible || (!allowDisabled && !c->FEnabled))
            continue;
        if (win::Contains(c->GetBoundsRect(), pos))
            return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
        c->DeliverMessage(message);
        if (message.Result != 0)
            return;
    }
}

void TWinControl::SetTabStop(bool value) {
    if (!SetIfChanged(FTabStop, value))
        return;
    if (FHandle) {
        auto style = win::GetWindowLong(FHandle, win::GWL_STYLE);
        win::SetWindowLong(FHandle, win::GWL_STYLE,
                           value ? (style | win::WS_TABSTOP) : (style & ~win::WS_TABSTOP));
    }
}

int32_t TWinControl::GetTabOrder() const {
    if (!FParent)
        return -1;
    auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int32_t(it - list.begin());
}

void TWinControl::SetTabOrder(int32_t value) {
    if (!FParent)
        return;
    auto& list = FParent->FTabList;
    list.erase(std::find(list.begin(), list.end(), this));
    value = std::clamp<int32_t>(value, 0, int32_t(list.size()));
    list.insert(list.begin() + value, this);
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible || !c->FEnabled)
            return false;
    return true;
}

bool TWinControl::Focused() const {
    return FHandle && win::GetFocus() == FHandle;
}

void TWinControl::SetFocus() {
    if (!CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    win::SetFocus(GetHandle());
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
    // Every windowed descendant in tab order, depth first (a container before what it holds), so that the
    // walk starts at current even when current itself would not qualify.
    std::vector<TWinControl*> order;
    std::function<void(TWinControl*)> collect = [&](TWinControl* parent) {
        for (TWinControl* w : parent->FTabList) {
            order.push_back(w);
            collect(w);
        }
    };
    collect(this);
    auto qualifies = [&](TWinControl* w) {
        if ((checkTabStop && !w->FTabStop) || (checkParent && w->FParent != this))
            return false;
        // Shown and enabled, and so is every container between it and here.
        for (TControl* c = w; c && c != this; c = c->FParent)
            if (!c->FVisible || !c->FEnabled)
                return false;
        return true;
    };
    const size_t n = order.size();
    auto it = std::find(order.begin(), order.end(), current);
    // From current the walk wraps round and ends at current itself; without it, it starts at an end.
    size_t at = it == order.end() ? (goForward ? n - 1 : 0) : size_t(it - order.begin());
    for (size_t step = 1; step <= n; ++step) {
        TWinControl* w = order[goForward ? (at + step) % n : (at + n - step) % n];
        if (qualifies(w))
            return w;
    }
    return nullptr;
}

void TWinControl::SelectFirst() {
    if (TWinControl* c = FindNextControl(nullptr, true, true, false))
        c->SetFocus();
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* c = FindNextControl(current, goForward, checkTabStop, false); c && c != current)
        c->SetFocus();
}

void TWinControl::SetVisible(bool value) {
    if (!SetIfChanged(FVisible, value))
        return;
    Perform(CM_VISIBLECHANGED, value);
    if (FParent && FAlign != alNone)
        FParent->Realign();
    if (FHostDockSite && FHostDockSite->FDockManager)
        FHostDockSite->FDockManager->ResetBounds(false);
    ParentAutoSize();
    if (FHostDockSite)
        FHostDockSite->DockClientNotify(this, CM_VISIBLECHANGED);
}

bool TWinControl::CanAutoSize(int32_t& newWidth, int32_t& newHeight) {
    // The extent of the visible children placed by code; aligned ones follow the size instead.
    int32_t right = 0, bottom = 0;
    bool any = false;
    for (TControl* c : FControls) {
        if (!c->FVisible || (c->FAlign != alNone && c->FAlign != alCustom))
            continue;
        right = std::max(right, c->FLeft + c->FWidth);
        bottom = std::max(bottom, c->FTop + c->FHeight);
        any = true;
    }
    if (!any)
        return false;
    TRect client = GetClientRect();
    newWidth = right + (FWidth - client.Width());
    newHeight = bottom + (FHeight - client.Height());
    return true;
}

void TWinControl::UpdateShowing() {
    if (!FHandle) {
        if (FVisible && FParent && FParent->FHandle)
            HandleNeeded();
        return;
    }
    win::ShowWindow(FHandle, FVisible ? win::SW_SHOWNA : win::SW_HIDE);
}

void TWinControl::SetEnabled(bool value) {
    if (SetIfChanged(FEnabled, value))
        Perform(CM_ENABLEDCHANGED);
}

bool TWinControl::Showing() const {
    if (FHandle)
        return win::IsWindowVisible(FHandle);
    return FVisible && (!FParent || FParent->Showing());
}

void TWinControl::Invalidate() {
    if (FHandle)
        win::InvalidateRect(FHandle, nullptr, win::TRUE);
}

void TWinControl::Update() {
    if (FHandle)
        win::UpdateWindow(FHandle);
}

// ---- TControlCanvas ------------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::SetControl(TControl* value) {
    if (value == FControl)
        return;
    FreeHandle();
    FControl = value;
}

void TControlCanvas::FreeHandle() {
    if (!FDeviceContext)
        return;
    Lock();
    win::HDC dc = FDeviceContext;
    FDeviceContext = nullptr;
    SetHandle(nullptr);
    win::ReleaseDC(FWindowHandle, dc);
    FWindowHandle = nullptr;
    Unlock();
}

void TControlCanvas::CreateHandle() {
    if (!FControl)
        throw EInvalidOperation("Canvas does not allow drawing");
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
        FWindowHandle = w->GetHandle();
        FDeviceContext = win::GetDC(FWindowHandle);
    } else {
        TWinControl* parent = FControl->GetParent();
        if (!parent)
            throw EInvalidOperation("Control '" + FControl->GetName() + "' has no parent window");
        FWindowHandle = parent->GetHandle();
        FDeviceContext = win::GetDC(FWindowHandle);
        TRect b = FControl->GetBoundsRect();
        win::IntersectClipRect(FDeviceContext, b.Left, b.Top, b.Right, b.Bottom);
        win::SetViewportOrgEx(FDeviceContext, b.Left, b.Top, nullptr);
    }
    if (!FDeviceContext)
        throw EOutOfResources("Out of system resources");
    SetHandle(FDeviceContext);
}

// ---- TCustomControl and TGraphicControl -------------------------------------------------------------

namespace {

// Paints through a control's canvas on the DC of a paint message. The DC the canvas took for itself is
// dropped first, under the same (recursive) lock the scope then holds, so no painter thread slips in.
template <class F> void ControlsPaintOnDC(TControlCanvas* canvas, win::HDC dc, const F& paint) {
    canvas->Lock();
    {
        ScopeExit unlocked([canvas]() noexcept { canvas->Unlock(); });
        canvas->FreeHandle();
        unlocked.Dismiss();
    }
    TCanvasDCScope scope(canvas, dc);
    canvas->Unlock();
    paint();
}

} // namespace

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() {
    FCanvas->FreeHandle();
}

void TCustomControl::PaintWindow(win::HDC dc) {
    ControlsPaintOnDC(FCanvas.get(), dc, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() {
    FCanvas->FreeHandle();
}

void TGraphicControl::Dispatch(TMessage& m) {
    if (m.Msg == win::WM_PAINT && m.WParam) {
        ControlsPaintOnDC(FCanvas.get(), reinterpret_cast<win::HDC>(m.WParam), [this] { Paint(); });
        return;
    }
    TControl::Dispatch(m);
}

// ---- Docking ---------------------------------------------------------------------------------------------

bool TControl::ManualDock(TWinControl* newDockSite, TControl* dropControl, TAlign align) {
    if (!newDockSite)
        return ManualFloat(GetBoundsRect());
    if (!newDockSite->FDockSite || newDockSite == this)
        return false;
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->ContainsControl(newDockSite))
        return false; // a control cannot dock into its own child
    if (FHostDockSite && FHostDockSite != newDockSite && !FHostDockSite->DoUnDock(newDockSite, this))
        return false;
    if (FHostDockSite != newDockSite) {
        TWinControl* oldSite = FHostDockSite;
        if (FParent)
            FParent->RemoveControl(this);
        if (oldSite)
            oldSite->DoRemoveDockClient(this);
        newDockSite->DoAddDockClient(this);
        FHostDockSite = newDockSite;
        newDockSite->FDockClients.push_back(this);
        if (newDockSite->FDockManager) {
            if (dropControl && dropControl->FHostDockSite != newDockSite)
                dropControl = nullptr;
            newDockSite->FDockManager->InsertControl(this, align, dropControl);
        } else if (align != alNone) {
            SetAlign(align);
        }
    }
    if (OnEndDock)
        OnEndDock(this, newDockSite, FLeft, FTop);
    return true;
}

bool TControl::ManualFloat(const TRect& screenRect) {
    TWinControl* site = FHostDockSite;
    if (site && !site->DoUnDock(nullptr, this))
        return false;
    if (FParent)
        FParent->RemoveControl(this); // leaves the site (and its dock manager) with its parent
    if (site)
        site->DoRemoveDockClient(this);
    SetBoundsRect(screenRect);
    if (OnEndDock)
        OnEndDock(this, nullptr, FLeft, FTop);
    return true;
}

void TWinControl::DoAddDockClient(TControl* client) {
    InsertControl(client);
}

void TWinControl::SetDockSite(bool value) {
    if (SetIfChanged(FDockSite, value))
        UpdateDockManager();
}

void TWinControl::SetUseDockManager(bool value) {
    if (SetIfChanged(FUseDockManager, value))
        UpdateDockManager();
}

std::unique_ptr<TDockTree> TWinControl::CreateDockManager() {
    return std::make_unique<TDockTree>(this);
}

void TWinControl::UpdateDockManager() {
    bool wanted = FDockSite && FUseDockManager;
    if (wanted && !FDockManager) {
        FDockManager = CreateDockManager();
        for (TControl* c : FDockClients)
            FDockManager->InsertControl(c, alNone, nullptr);
    } else if (!wanted && FDockManager) {
        FDockManager.reset();
    }
    Invalidate();
}

TDockTree::TDockTree(TWinControl* dockSite) : FDockSite(dockSite) {}

TDockTree::~TDockTree() = default;

void TDockTree::SetGrabberSize(int32_t value) {
    value = std::max(0, value);
    if (SetIfChanged(FGrabberSize, value))
        ResetBounds(true);
}

bool TDockTree::GrabberOnLeft() const {
    return FDockSite->GetAlign() == alTop || FDockSite->GetAlign() == alBottom;
}

void TDockTree::InsertControl(TControl* control, TAlign insertAt, TControl* dropControl) {
    if (std::find(FClients.begin(), FClients.end(), control) != FClients.end())
        return;
    auto at = std::find(FClients.begin(), FClients.end(), dropControl);
    if (at == FClients.end())
        FClients.push_back(control);
    else if (insertAt == alLeft || insertAt == alTop)
        FClients.insert(at, control);
    else
        FClients.insert(at + 1, control);
    ResetBounds(true);
}

void TDockTree::RemoveControl(TControl* control) {
    auto it = std::find(FClients.begin(), FClients.end(), control);
    if (it == FClients.end())
        return;
    FClients.erase(it);
    ResetBounds(true);
}

TRect TDockTree::GetControlBounds(TControl* control) {
    std::vector<TControl*> shown;
    for (TControl* c : FClients)
        if (c->GetVisible())
            shown.push_back(c);
    auto it = std::find(shown.begin(), shown.end(), control);
    if (it == shown.end())
        return {};
    TRect area = FDockSite->GetClientRect();
    auto n = int32_t(shown.size()), i = int32_t(it - shown.begin());
    // Zones share the area evenly; the last takes what the division leaves.
    if (GrabberOnLeft()) {
        int32_t w = area.Width() / n;
        int32_t left = area.Left + i * w;
        return {left, area.Top, i == n - 1 ? area.Right : left + w, area.Bottom};
    }
    int32_t h = area.Height() / n;
    int32_t top = area.Top + i * h;
    return {area.Left, top, area.Right, i == n - 1 ? area.Bottom : top + h};
}

void TDockTree::AdjustDockRect(TControl*, TRect& rect) {
    if (GrabberOnLeft())
        rect.Left = std::min(rect.Right, rect.Left + FGrabberSize);
    else
        rect.Top = std::min(rect.Bottom, rect.Top + FGrabberSize);
}

void TDockTree::ResetBounds(bool) {
    for (TControl* c : std::vector<TControl*>(FClients)) {
        if (!c->GetVisible())
            continue;
        TRect r = GetControlBounds(c);
        AdjustDockRect(c, r);
        c->SetBoundsRect(r);
    }
    FDockSite->Invalidate();
}

TRect TDockTree::CloseButtonRect(const TRect& zone) const {
    int32_t size = std::max(0, FGrabberSize - 2);
    if (GrabberOnLeft())
        return {zone.Left + 1, zone.Top + 1, zone.Left + 1 + size, zone.Top + 1 + size};
    return {zone.Right - 1 - size, zone.Top + 1, zone.Right - 1, zone.Top + 1 + size};
}

void TDockTree::PaintDockFrame(TCanvas* canvas, TControl*, const TRect& zone) {
    win::HDC dc = canvas->GetHandle();
    TRect close = CloseButtonRect(zone);
    win::DrawFrameControl(dc, &close, win::DFC_CAPTION, win::DFCS_CAPTIONCLOSE);
    // Two raised grip lines along the strip, beside the close button.
    for (int32_t k = 0; k < 2; ++k) {
        TRect grip;
        int32_t offset = 3 + k * 3;
        if (GrabberOnLeft())
            grip = {zone.Left + offset, close.Bottom + 2, zone.Left + offset + 3, zone.Bottom - 2};
        else
            grip = {zone.Left + 2, zone.Top + offset, close.Left - 2, zone.Top + offset + 3};
        if (!grip.IsEmpty())
            win::DrawEdge(dc, &grip, win::BDR_RAISEDINNER, win::BF_RECT);
    }
}

void TDockTree::PaintSite(win::HDC dc) {
    TCanvas canvas;
    canvas.SetHandle(dc);
    for (TControl* c : std::vector<TControl*>(FClients))
        if (c->GetVisible())
            PaintDockFrame(&canvas, c, GetControlBounds(c));
    canvas.SetHandle(nullptr);
}

bool TDockTree::MouseDown(TPoint p) {
    for (TControl* c : std::vector<TControl*>(FClients)) {
        if (!c->GetVisible())
            continue;
        TRect zone = GetControlBounds(c);
        TRect inner = zone;
        AdjustDockRect(c, inner);
        if (!win::Contains(zone, p) || win::Contains(inner, p))
            continue;
        if (win::Contains(CloseButtonRect(zone), p)) {
            c->Hide();
            ResetBounds(true);
        }
        return true;
    }
    return false;
}

} // namespace vcl
