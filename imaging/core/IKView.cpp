// The view base control, its listeners, and the view module's start.
#include "imaging/core/IKView.h"

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <mutex>

namespace imaging {

namespace {

TIKDisplayMetrics& ViewDisplayMetrics() {
    static TIKDisplayMetrics metrics;
    return metrics;
}

} // namespace

void IKViewModuleStart() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIKDisplayMetrics& m = ViewDisplayMetrics();
        if (win::HDC dc = win::GetDC(nullptr)) {
            m.BitsPerPixel = win::GetDeviceCaps(dc, win::BITSPIXEL);
            m.DpiX = win::GetDeviceCaps(dc, win::LOGPIXELSX);
            m.DpiY = win::GetDeviceCaps(dc, win::LOGPIXELSY);
            win::ReleaseDC(nullptr, dc);
        }
        m.HasMMX = IKHasMMX();
        m.EdgeWidth = win::GetSystemMetrics(win::SM_CXEDGE);
        m.EdgeHeight = win::GetSystemMetrics(win::SM_CYEDGE);
        m.VScrollWidth = win::GetSystemMetrics(win::SM_CXVSCROLL);
        m.HScrollHeight = win::GetSystemMetrics(win::SM_CYHSCROLL);
        if (m.DpiX > 0)
            IKDefaultDpiX = m.DpiX;
        if (m.DpiY > 0)
            IKDefaultDpiY = m.DpiY;
        IKRegisterViewCursorResources();
    });
}

TIKDisplayMetrics& IKDisplay() {
    IKViewModuleStart();
    return ViewDisplayMetrics();
}

// ---- TIKView ----------------------------------------------------------------------------------------------

TIKView::TIKView(vcl::TComponent* owner) : vcl::TCustomControl(owner), FBackground(vcl::clBtnFace) {
    IKViewModuleStart();
    FControlStyle.Include(vcl::csAcceptsControls);
    FControlStyle.Include(vcl::csOpaque);
    FControlStyle.Include(vcl::csReplicatable);
    FCtl3D = true;
}

TIKView::~TIKView() {
    // A view deleted without Free still lets its listeners go.
    TellDestroying();
}

void TIKView::BeforeDestruction() {
    TellDestroying();
    vcl::TCustomControl::BeforeDestruction();
}

void TIKView::TellDestroying() {
    // Each registration is taken out of the list before its listener hears about it, so a listener that
    // removes its handle in answer finds nothing to remove.
    while (!FListeners.empty()) {
        std::unique_ptr<TListener> listener = std::move(FListeners.front());
        FListeners.pop_front();
        if (listener->Callback)
            listener->Callback(this, ikvcDestroying);
    }
}

void TIKView::SetBackground(int32_t value) {
    FBackground = value;
}

void TIKView::SetBorderStyle(vcl::TBorderStyle value) {
    if (vcl::SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

void TIKView::SetDpiX(int32_t value) {
    if (value != 0)
        FDpiX = value;
}

void TIKView::SetDpiY(int32_t value) {
    if (value != 0)
        FDpiY = value;
}

void TIKView::SetDpi(int32_t x, int32_t y) {
    SetDpiX(x);
    SetDpiY(y);
}

win::HWND TIKView::GetRefreshWindow() {
    return HandleAllocated() ? FHandle : nullptr;
}

intptr_t TIKView::AddChangeListener(TChangeListener listener) {
    auto record = std::make_unique<TListener>();
    record->Callback = std::move(listener);
    const auto handle = reinterpret_cast<intptr_t>(record.get());
    FListeners.push_back(std::move(record));
    return handle;
}

void TIKView::RemoveChangeListener(intptr_t handle) {
    if (handle < 0)
        return;
    FListeners.remove_if([handle](const std::unique_ptr<TListener>& l) {
        return reinterpret_cast<intptr_t>(l.get()) == handle;
    });
}

void TIKView::NotifyListeners() {
    // A listener may remove itself or others while it is told: each handle is looked up again before its call.
    std::vector<intptr_t> handles;
    for (const auto& l : FListeners)
        handles.push_back(reinterpret_cast<intptr_t>(l.get()));
    for (intptr_t handle : handles) {
        for (const auto& l : FListeners) {
            if (reinterpret_cast<intptr_t>(l.get()) != handle)
                continue;
            TChangeListener callback = l->Callback;
            if (callback)
                callback(this, ikvcImageChanged);
            break;
        }
    }
}

void TIKView::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    if (FBorderStyle == vcl::bsSingle) {
        if (GetCtl3D())
            params.ExStyle |= win::WS_EX_CLIENTEDGE;
        else
            params.Style |= win::WS_BORDER;
    }
    params.WindowClassStyle &= ~(win::CS_HREDRAW | win::CS_VREDRAW);
}

} // namespace imaging
