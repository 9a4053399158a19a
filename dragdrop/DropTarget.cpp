#include "dragdrop/DropTarget.h"

#include "dragdrop/DragDropFormats.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Thread.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace dragdrop {

int32_t AutoScrollDelay = 50;
int32_t AutoScrollInterval = 50;

namespace {
const char* const dropTargetAsyncMessage = "Can't clear data while async data transfer is in progress";
}

// ---- TControlList ---------------------------------------------------------------------------------------

int32_t TControlList::Add(vcl::TWinControl* control) {
    FItems.push_back(control);
    return int32_t(FItems.size()) - 1;
}

void TControlList::Insert(int32_t index, vcl::TWinControl* control) {
    FItems.insert(FItems.begin() + std::clamp<ptrdiff_t>(index, 0, ptrdiff_t(FItems.size())), control);
}

void TControlList::Delete(int32_t index) {
    FItems.erase(FItems.begin() + index);
}

int32_t TControlList::IndexOf(vcl::TWinControl* control) const {
    auto it = std::find(FItems.begin(), FItems.end(), control);
    return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

// ---- TWinControlProxy ----------------------------------------------------------------------------------------

TWinControlProxy::TWinControlProxy(TCustomDropTarget* owner) : TWinControl(owner), FDropTarget(owner) {}

void TWinControlProxy::CreateParams(vcl::TCreateParams& params) {
    TWinControl::CreateParams(params);
    // The proxy is never seen: its window only follows the parent's.
    params.Style &= ~win::WS_VISIBLE;
    params.Width = 0;
    params.Height = 0;
}

void TWinControlProxy::CreateWnd() {
    TWinControl::CreateWnd();
    OleCheck(win::RegisterDragDrop(GetParent()->GetHandle(), static_cast<win::IDropTarget*>(FDropTarget)));
}

void TWinControlProxy::DestroyWnd() {
    if (GetParent() && GetParent()->HandleAllocated())
        win::RevokeDragDrop(GetParent()->GetHandle());
    TWinControl::DestroyWnd();
}

// ---- The transfer thread ----------------------------------------------------------------------------------

// Reads the data of an asynchronous drop. The data object travels to the thread marshalled; the target's
// end-of-transfer handler runs on the GUI thread once the thread is done.
class TDropTargetTransferThread : public vcl::TThread {
public:
    TDropTargetTransferThread(TCustomDropTarget* target, int32_t effect, win::IDataObject* data)
        : TThread(true), FTarget(target), FEffect(effect) {
        SetFreeOnTerminate(true);
        SetOnTerminate([target](TObject* sender) { target->TransferEnded(sender); });
        win::IStream* stream = nullptr;
        OleCheck(win::CoMarshalInterThreadInterfaceInStream(win::IDataObject::Iid, data, &stream));
        FStream = win::ComPtr<win::IStream>::Attach(stream);
    }

protected:
    void Execute() override {
        win::CoInitialize(nullptr);
        win::HRESULT outcome = win::S_OK;
        win::ComPtr<win::IDataObject> data;
        void* object = nullptr;
        if (win::SUCCEEDED(win::CoGetInterfaceAndReleaseStream(FStream.Detach(), win::IDataObject::Iid, &object))) {
            data = win::ComPtr<win::IDataObject>::Attach(static_cast<win::IDataObject*>(object));
            // The target keeps the same object for the transfer and reads it through DoGetData.
            try {
                FTarget->DoGetData();
            } catch (...) {
                outcome = win::E_UNEXPECTED;
            }
        } else {
            outcome = win::E_UNEXPECTED;
        }
        if (data)
            if (auto operation = data.As<win::IAsyncOperation>())
                operation->EndOperation(outcome, nullptr, win::DWORD(FEffect));
        data = nullptr;
        win::CoUninitialize();
    }

private:
    TCustomDropTarget* FTarget;
    int32_t FEffect;
    win::ComPtr<win::IStream> FStream;
};

// ---- TCustomDropTarget ------------------------------------------------------------------------------------

TCustomDropTarget::TCustomDropTarget(vcl::TComponent* owner) : TDragDropComponent(owner) {
    FScrollTimer = new vcl::TTimer(this);
    FScrollTimer->SetEnabled(false);
    FScrollTimer->SetOnTimer([this](TObject* sender) { AutoScrollStep(sender); });
    // Image 0 of the drag-cursor list is fully transparent: it replaces the cursor part of a drag image.
    FDragCursorImages = new vcl::TImageList(this);
    vcl::TBitmap blank;
    blank.SetSize(32, 32);
    blank.GetCanvas()->GetBrush()->SetColor(vcl::clWindow);
    blank.GetCanvas()->FillRect({0, 0, 32, 32});
    FDragCursorImages->AddMasked(&blank, vcl::clWindow);
}

TCustomDropTarget::~TCustomDropTarget() {
    // A transfer still running reads this component: it ends first.
    while (FAsyncTransfer) {
        if (!vcl::CheckSynchronize(0))
            std::this_thread::yield();
    }
    FDataObject = nullptr;
    FDropTargetHelper = nullptr;
    Unregister(nullptr);
}

win::HRESULT TCustomDropTarget::QueryInterface(win::REFIID iid, void** object) {
    return TInterfacedComponent::QueryInterface(iid, object);
}

win::ULONG TCustomDropTarget::AddRef() {
    return TInterfacedComponent::AddRef();
}

win::ULONG TCustomDropTarget::Release() {
    return TInterfacedComponent::Release();
}

bool TCustomDropTarget::GetInterface(win::REFIID iid, void** object) {
    if (iid == win::IDropTarget::Iid) {
        *object = static_cast<win::IDropTarget*>(this);
        return true;
    }
    return TInterfacedComponent::GetInterface(iid, object);
}

// ---- Registration ------------------------------------------------------------------------------------------

void TCustomDropTarget::Register(vcl::TWinControl* control) {
    if (control && FTargets.IndexOf(control) >= 0)
        return;
    if (!FMultiTarget && !GetComponentState().Contains(vcl::csLoading))
        Unregister(nullptr);
    if (!control)
        return;
    // After the last registered control that contains it: a nested target is found before its container.
    int32_t at = FTargets.Count();
    for (int32_t i = FTargets.Count() - 1; i >= 0; --i)
        if (FTargets.Items(i)->ContainsControl(control)) {
            at = i + 1;
            break;
        }
    FTargets.Insert(at, control);
    control->FreeNotification(this);
    auto* proxy = new TWinControlProxy(this);
    try {
        proxy->SetParent(control);
    } catch (...) {
        FTargets.Delete(FTargets.IndexOf(control));
        proxy->Free();
        throw;
    }
}

void TCustomDropTarget::Unregister(vcl::TWinControl* control) {
    if (!control) {
        for (int32_t i = FTargets.Count() - 1; i >= 0; --i)
            Unregister(FTargets.Items(i));
        return;
    }
    int32_t index = FTargets.IndexOf(control);
    if (index < 0)
        return;
    if (FTarget == control)
        FTarget = nullptr;
    FTargets.Delete(index);
    if (!control->GetComponentState().Contains(vcl::csDestroying))
        control->RemoveFreeNotification(this);
    for (int32_t i = control->GetControlCount() - 1; i >= 0; --i) {
        auto* proxy = dynamic_cast<TWinControlProxy*>(control->GetControl(i));
        if (proxy && proxy->GetOwner() == this) {
            proxy->SetParent(nullptr); // revokes the registration
            proxy->Free();
            break;
        }
    }
}

void TCustomDropTarget::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TDragDropComponent::Notification(component, operation);
    if (operation != vcl::opRemove)
        return;
    if (GetComponentState().Contains(vcl::csDesigning) && static_cast<vcl::TComponent*>(FTarget) == component)
        FTarget = nullptr;
    for (int32_t i = 0; i < FTargets.Count(); ++i)
        if (static_cast<vcl::TComponent*>(FTargets.Items(i)) == component) {
            Unregister(FTargets.Items(i));
            break;
        }
}

vcl::TWinControl* TCustomDropTarget::GetTarget() const {
    if (FTarget || GetComponentState().Contains(vcl::csDesigning))
        return FTarget;
    return FTargets.Count() > 0 ? FTargets.Items(0) : nullptr;
}

void TCustomDropTarget::SetTarget(vcl::TWinControl* value) {
    if (value == FTarget)
        return;
    if (GetComponentState().Contains(vcl::csDesigning)) {
        FTarget = value;
        return;
    }
    if (FMultiTarget && !GetComponentState().Contains(vcl::csLoading))
        Unregister(nullptr);
    Register(value);
}

void TCustomDropTarget::SetShowImage(bool value) {
    FShowImage = value;
    if (FDropTargetHelper)
        FDropTargetHelper->Show(value ? win::TRUE : win::FALSE);
    else if (FDataObject)
        win::ImageList_DragShowNolock(value ? win::TRUE : win::FALSE);
}

vcl::TWinControl* TCustomDropTarget::HitTest(TPoint screen) const {
    for (int32_t i = FTargets.Count() - 1; i >= 0; --i) {
        vcl::TWinControl* c = FTargets.Items(i);
        win::TRect r;
        if (c->HandleAllocated() && win::GetWindowRect(c->GetHandle(), &r) && win::Contains(r, screen))
            return c;
    }
    return nullptr;
}

TPoint TCustomDropTarget::TargetClientPoint(TPoint screen) const {
    return FTarget ? FTarget->ScreenToClient(screen) : screen;
}

// ---- IDropTarget ------------------------------------------------------------------------------------------

void TCustomDropTarget::DropTargetHandleException() {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            if (vcl::Application)
                vcl::Application->HandleException(this, e);
        } catch (...) {
            if (vcl::Application)
                vcl::Application->HandleException(this, vcl::Exception("Unexpected exception in a drop target"));
        }
    } catch (...) {
        // The exception handler itself failed: nothing more may leave the OLE call.
    }
}

win::HRESULT TCustomDropTarget::DragEnter(win::IDataObject* data, win::DWORD keyState, TPoint point,
                                          win::DWORD* effect) {
    if (!effect)
        return win::E_INVALIDARG;
    int32_t e = int32_t(*effect);
    try {
        win::HRESULT hr = DropTargetEnter(data, keyState, point, e);
        *effect = win::DWORD(e);
        return hr;
    } catch (...) {
        DropTargetHandleException();
        if (!FAsyncTransfer)
            FDataObject = nullptr;
        *effect = win::DROPEFFECT_NONE;
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TCustomDropTarget::DragOver(win::DWORD keyState, TPoint point, win::DWORD* effect) {
    if (!effect)
        return win::E_INVALIDARG;
    int32_t e = int32_t(*effect);
    try {
        win::HRESULT hr = DropTargetOver(keyState, point, e);
        *effect = win::DWORD(e);
        return hr;
    } catch (...) {
        DropTargetHandleException();
        *effect = win::DROPEFFECT_NONE;
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TCustomDropTarget::DragLeave() {
    win::HRESULT hr = win::S_OK;
    try {
        DropTargetLeave();
    } catch (...) {
        DropTargetHandleException();
        hr = win::E_UNEXPECTED;
    }
    FTarget = nullptr;
    FDropTargetHelper = nullptr;
    FDragImageHandle = nullptr;
    FDragWithoutTarget = false;
    return hr;
}

win::HRESULT TCustomDropTarget::Drop(win::IDataObject* data, win::DWORD keyState, TPoint point, win::DWORD* effect) {
    win::HRESULT hr;
    int32_t e = effect ? int32_t(*effect) : 0;
    try {
        hr = DropTargetDrop(keyState, point, e);
        // The helper, or the image-list drag image, ends with the drop.
        if (FDropTargetHelper) {
            TPoint screen = point;
            FDropTargetHelper->Drop(data, &screen, win::DWORD(e));
        } else if (FDragImageHandle && FTarget) {
            win::ImageList_DragLeave(FTarget->GetHandle());
        }
    } catch (...) {
        DropTargetHandleException();
        hr = win::E_UNEXPECTED;
        e = 0;
    }
    try {
        DropTargetEndDrop();
    } catch (...) {
        DropTargetHandleException();
        hr = win::E_UNEXPECTED;
        e = 0;
    }
    if (effect)
        *effect = win::DWORD(e);
    return effect ? hr : win::E_INVALIDARG;
}

win::HRESULT TCustomDropTarget::DropTargetEnter(win::IDataObject* data, win::DWORD keyState, TPoint point,
                                                int32_t& effect) {
    // The last drop's data is still being read on its thread: no new drag until the transfer has ended.
    if (FAsyncTransfer) {
        effect = win::DROPEFFECT_NONE;
        return win::S_OK;
    }
    ClearData();
    FDataObject = win::ComPtr<win::IDataObject>(data);
    const TPoint screen = point;
    FDragWithoutTarget = false;
    FTarget = HitTest(screen);
    if (FTarget) {
        point = TargetClientPoint(screen);
        FLastPoint = point;
    } else {
        // Without a control under the cursor this drag shows no image and never scrolls (ShowImage and
        // AutoScroll keep their values for the next one).
        FDragWithoutTarget = true;
    }
    if (data && HasValidFormats(data)) {
        FScrollHorizontal = FScrollVertical = false;
        if (DragScrolls() && FTarget && FTarget->HandleAllocated()) {
            auto style = win::DWORD(win::GetWindowLong(FTarget->GetHandle(), win::GWL_STYLE));
            FScrollHorizontal = (style & win::WS_HSCROLL) != 0;
            FScrollVertical = (style & win::WS_VSCROLL) != 0;
            if (FScrollHorizontal || FScrollVertical) {
                FNoScrollZone = FTarget->GetClientRect();
                int32_t inset = std::abs(FTarget->GetFont()->GetHeight());
                if (FScrollVertical) {
                    FNoScrollZone.Top += inset;
                    FNoScrollZone.Bottom -= inset;
                }
                if (FScrollHorizontal) {
                    FNoScrollZone.Left += inset;
                    FNoScrollZone.Right -= inset;
                }
            }
        }
        if (FGetDataOnEnter && !GetData(effect)) {
            FDataObject = nullptr;
            effect = win::DROPEFFECT_NONE;
            return win::DV_E_CLIPFORMAT;
        }
        TShiftState shiftState = KeysToShiftState(uint16_t(keyState));
        effect = GetValidDropEffect(shiftState, point, effect);
        DoEnter(shiftState, point, effect);
        if (effect == 0)
            FDataObject = nullptr;
    } else {
        FDataObject = nullptr;
        effect = win::DROPEFFECT_NONE;
    }
    // The drag image: the shell's helper when there is one, else the image list's drag image.
    FDragImageHandle = nullptr;
    if (!DragShowsImage())
        return win::S_OK;
    void* helper = nullptr;
    if (win::SUCCEEDED(win::CoCreateInstance(CLSID_DragDropHelper, nullptr, win::CLSCTX_INPROC_SERVER,
                                             IDropTargetHelper::Iid, &helper)) &&
        helper) {
        FDropTargetHelper = win::ComPtr<IDropTargetHelper>::Attach(static_cast<IDropTargetHelper*>(helper));
        TPoint at = screen;
        if (win::FAILED(FDropTargetHelper->DragEnter(FTarget ? FTarget->GetHandle() : nullptr, data, &at,
                                                     win::DWORD(effect))))
            FDropTargetHelper = nullptr;
    }
    if (!FDropTargetHelper) {
        FDragImageHandle = win::ImageList_GetDragImage(nullptr, &FImageHotSpot);
        if (FDragImageHandle) {
            win::ImageList_SetDragCursorImage(FDragCursorImages->GetHandle(), 0, FImageHotSpot.X, FImageHotSpot.Y);
            if (FTarget) {
                TPoint p = ClientToWindowPoint(FTarget->GetHandle(), point);
                win::ImageList_DragEnter(FTarget->GetHandle(), p.X, p.Y);
            }
        }
    }
    return win::S_OK;
}

win::HRESULT TCustomDropTarget::DropTargetOver(win::DWORD keyState, TPoint point, int32_t& effect) {
    if (!FTarget) {
        effect = win::DROPEFFECT_NONE;
        return win::E_UNEXPECTED;
    }
    const TPoint screen = point;
    point = TargetClientPoint(screen);
    TShiftState shiftState = KeysToShiftState(uint16_t(keyState));
    win::HRESULT hr = win::S_OK;
    bool scrolling = false;
    if (FDataObject) {
        effect = GetValidDropEffect(shiftState, point, effect);
        DoDragOver(shiftState, point, effect);
        scrolling = (uint32_t(effect) & win::DROPEFFECT_SCROLL) != 0;
        if (scrolling && !FScrollTimer->GetEnabled()) {
            FScrollTimer->SetInterval(uint32_t(std::max(AutoScrollDelay, 1)));
            FScrollTimer->SetEnabled(true);
        }
    } else {
        // Refused on entry: the effect is still told, with the refusal.
        effect = GetValidDropEffect(shiftState, point, effect);
        hr = win::DV_E_CLIPFORMAT;
    }
    if (FDropTargetHelper) {
        TPoint at = screen;
        FDropTargetHelper->DragOver(&at, win::DWORD(effect));
    } else if (FDragImageHandle && !scrolling && (point.X != FLastPoint.X || point.Y != FLastPoint.Y)) {
        TPoint p = ClientToWindowPoint(FTarget->GetHandle(), point);
        win::ImageList_DragMove(p.X, p.Y);
    }
    FLastPoint = point;
    return hr;
}

void TCustomDropTarget::DropTargetLeave() {
    if (!FAsyncTransfer) {
        win::ComPtr<win::IDataObject> data = std::move(FDataObject);
        ClearData();
    }
    StopScrollTimer();
    if (FDropTargetHelper)
        FDropTargetHelper->DragLeave();
    else if (FDragImageHandle && FTarget)
        win::ImageList_DragLeave(FTarget->GetHandle());
    DoLeave();
}

win::HRESULT TCustomDropTarget::DropTargetDrop(win::DWORD keyState, TPoint point, int32_t& effect) {
    StopScrollTimer();
    if (!FDataObject || FAsyncTransfer) {
        effect = win::DROPEFFECT_NONE;
        return win::E_UNEXPECTED;
    }
    TShiftState shiftState = KeysToShiftState(uint16_t(keyState));
    point = TargetClientPoint(point);
    effect = GetValidDropEffect(shiftState, point, effect);
    if (FGetDataOnEnter || GetData(effect))
        DoDrop(shiftState, point, effect);
    else
        effect = win::DROPEFFECT_NONE;
    return win::S_OK;
}

void TCustomDropTarget::DropTargetEndDrop() {
    FDropTargetHelper = nullptr;
    FTarget = nullptr;
    FDragImageHandle = nullptr;
    FDragWithoutTarget = false;
    // During an asynchronous transfer the data and the data object stay until the transfer has ended.
    if (FAsyncTransfer)
        return;
    win::ComPtr<win::IDataObject> data = std::move(FDataObject);
    ClearData();
}

// ---- Effects, data and feedback ----------------------------------------------------------------------------

int32_t TCustomDropTarget::GetValidDropEffect(TShiftState shiftState, TPoint point, int32_t effect) {
    int32_t allowed = effect & DragTypesToDropEffect(FDragTypes);
    int32_t result = ShiftStateToDropEffect(shiftState, allowed, true);
    if (DragScrolls() && (FScrollHorizontal || FScrollVertical)) {
        if (win::Contains(FNoScrollZone, point))
            result = int32_t(uint32_t(result) & ~win::DROPEFFECT_SCROLL);
        else
            result = int32_t(uint32_t(result) | win::DROPEFFECT_SCROLL);
    }
    if (OnGetDropEffect)
        OnGetDropEffect(this, shiftState, point, result);
    return result;
}

bool TCustomDropTarget::GetData(int32_t effect) {
    ClearData();
    win::ComPtr<win::IAsyncOperation> operation;
    if (FAllowAsyncTransfer && FDataObject) {
        operation = FDataObject.As<win::IAsyncOperation>();
        win::BOOL async = win::FALSE;
        if (operation && (win::FAILED(operation->GetAsyncMode(&async)) || !async))
            operation = nullptr;
    }
    if (!operation)
        return DoGetData();
    if (OnStartAsyncTransfer)
        OnStartAsyncTransfer(this);
    FAsyncTransfer = true;
    TDropTargetTransferThread* thread = nullptr;
    try {
        operation->StartOperation(nullptr);
        thread = new TDropTargetTransferThread(this, effect, FDataObject.Get());
    } catch (...) {
        FAsyncTransfer = false;
        throw;
    }
    thread->Start();
    return true;
}

void TCustomDropTarget::TransferEnded(TObject*) {
    FAsyncTransfer = false;
    // The data was read for OnEndAsyncTransfer; afterwards it goes, as after a drop.
    vcl::TryFinally(
        [&] {
            if (OnEndAsyncTransfer)
                OnEndAsyncTransfer(this);
        },
        [&] {
            win::ComPtr<win::IDataObject> data = std::move(FDataObject);
            ClearData();
        });
}

int32_t TCustomDropTarget::GetPreferredDropEffect() {
    TPreferredDropEffectClipboardFormat format;
    return format.GetData(FDataObject.Get()) ? int32_t(format.GetValue()) : 0;
}

bool TCustomDropTarget::SetPerformedDropEffect(int32_t effect) {
    TPerformedDropEffectClipboardFormat format;
    format.SetValue(uint32_t(effect));
    win::STGMEDIUM medium;
    return format.SetData(FDataObject.Get(), format.GetFormatEtc(), medium);
}

bool TCustomDropTarget::SetPasteSucceeded(int32_t effect) {
    TPasteSuccededClipboardFormat format;
    format.SetValue(uint32_t(effect));
    win::STGMEDIUM medium;
    return format.SetData(FDataObject.Get(), format.GetFormatEtc(), medium);
}

int32_t TCustomDropTarget::PasteFromClipboard() {
    if (FAsyncTransfer)
        throw vcl::Exception(dropTargetAsyncMessage);
    win::IDataObject* clipboard = nullptr;
    OleCheck(win::OleGetClipboard(&clipboard));
    FDataObject = win::ComPtr<win::IDataObject>::Attach(clipboard);
    // Released in every case, unless a transfer reads it on: then its end releases it.
    vcl::ScopeExit release([this]() noexcept {
        if (!FAsyncTransfer)
            FDataObject = nullptr;
    });
    int32_t effect = GetPreferredDropEffect();
    int32_t result = GetData(effect) ? effect : 0;
    DoPaste(result);
    return result;
}

void TCustomDropTarget::Assign(vcl::TPersistent* source) {
    if (dynamic_cast<vcl::TClipboard*>(source)) {
        PasteFromClipboard();
        return;
    }
    if (auto* object = dynamic_cast<win::IDataObject*>(source)) {
        if (FAsyncTransfer)
            throw vcl::Exception(dropTargetAsyncMessage);
        FDataObject = win::ComPtr<win::IDataObject>(object);
        vcl::ScopeExit release([this]() noexcept {
            if (!FAsyncTransfer)
                FDataObject = nullptr;
        });
        if (GetData(win::DROPEFFECT_COPY))
            return;
    }
    TDragDropComponent::Assign(source);
}

// ---- Events --------------------------------------------------------------------------------------------------

void TCustomDropTarget::DoEnter(TShiftState shiftState, TPoint point, int32_t& effect) {
    if (OnEnter)
        OnEnter(this, shiftState, point, effect);
}

void TCustomDropTarget::DoDragOver(TShiftState shiftState, TPoint point, int32_t& effect) {
    if (OnDragOver)
        OnDragOver(this, shiftState, point, effect);
}

void TCustomDropTarget::DoDrop(TShiftState shiftState, TPoint point, int32_t& effect) {
    if (OnDrop)
        OnDrop(this, shiftState, point, effect);
    if (effect == 0)
        return;
    // A move the source does itself would delete what the target only copied: tell it a copy was made.
    if (FOptimizedMove && (effect & win::DROPEFFECT_MOVE))
        effect = (effect & ~int32_t(win::DROPEFFECT_MOVE)) | int32_t(win::DROPEFFECT_COPY);
    SetPerformedDropEffect(effect);
}

void TCustomDropTarget::DoLeave() {
    if (OnLeave)
        OnLeave(this);
}

void TCustomDropTarget::DoPaste(int32_t& effect) {
    DoDrop(TShiftState(), TPoint{0, 0}, effect);
    if (effect != 0)
        SetPasteSucceeded(effect);
}

void TCustomDropTarget::DoScroll(TPoint point, TScrolDirections& scroll, int32_t& interval) {
    if (OnScroll)
        OnScroll(this, point, scroll, interval);
}

// ---- Auto-scroll -------------------------------------------------------------------------------------------

void TCustomDropTarget::StopScrollTimer() {
    FScrollTimer->SetEnabled(false);
}

void TCustomDropTarget::AutoScrollStep(TObject*) {
    StopScrollTimer();
    int32_t interval = AutoScrollInterval;
    TScrolDirections scroll;
    if (!win::Contains(FNoScrollZone, FLastPoint)) {
        if (FLastPoint.Y < FNoScrollZone.Top)
            scroll.Include(sdirUp);
        else if (FLastPoint.Y >= FNoScrollZone.Bottom)
            scroll.Include(sdirDown);
        if (FLastPoint.X < FNoScrollZone.Left)
            scroll.Include(sdirLeft);
        else if (FLastPoint.X >= FNoScrollZone.Right)
            scroll.Include(sdirRight);
    }
    DoScroll(FLastPoint, scroll, interval);
    if (scroll.Empty() || !FTarget)
        return;
    if (FDragImageHandle)
        win::ImageList_DragLeave(FTarget->GetHandle());
    vcl::TryFinally(
        [&] {
            if (scroll.Contains(sdirUp))
                FTarget->Perform(win::WM_VSCROLL, win::SB_LINEUP, 0);
            else if (scroll.Contains(sdirDown))
                FTarget->Perform(win::WM_VSCROLL, win::SB_LINEDOWN, 0);
            if (FTarget && scroll.Contains(sdirLeft))
                FTarget->Perform(win::WM_HSCROLL, win::SB_LINEUP, 0);
            else if (FTarget && scroll.Contains(sdirRight))
                FTarget->Perform(win::WM_HSCROLL, win::SB_LINEDOWN, 0);
        },
        [&] {
            if (FDragImageHandle && FTarget) {
                TPoint p = ClientToWindowPoint(FTarget->GetHandle(), FLastPoint);
                win::ImageList_DragEnter(FTarget->GetHandle(), p.X, p.Y);
            }
            FScrollTimer->SetInterval(uint32_t(std::max(interval, 1)));
            FScrollTimer->SetEnabled(true);
        });
}

// ---- TCustomDropMultiTarget ----------------------------------------------------------------------------------

TCustomDropMultiTarget::TCustomDropMultiTarget(vcl::TComponent* owner) : TCustomDropTarget(owner) {
    SetDragtypes({dtCopy, dtLink});
    SetGetDataOnEnter(false);
    FDataFormats = std::make_unique<TDataFormats>();
}

TCustomDropMultiTarget::~TCustomDropMultiTarget() {
    // Each data format leaves the list as it goes.
    while (FDataFormats->Count() > 0)
        delete FDataFormats->Formats(FDataFormats->Count() - 1);
    FDataFormats.reset();
}

bool TCustomDropMultiTarget::DoGetData() {
    win::IDataObject* data = GetDataObject();
    bool result = false;
    for (int32_t i = 0; i < FDataFormats->Count(); ++i) {
        TCustomDataFormat* format = FDataFormats->Formats(i);
        if (!format->HasValidFormats(data))
            continue;
        bool accept = true;
        DoAcceptFormat(format, accept);
        if (accept && format->GetData(data))
            result = true;
    }
    return result;
}

void TCustomDropMultiTarget::ClearData() {
    if (GetAsyncTransfer())
        throw vcl::Exception(dropTargetAsyncMessage);
    for (int32_t i = 0; i < FDataFormats->Count(); ++i)
        FDataFormats->Formats(i)->Clear();
}

bool TCustomDropMultiTarget::HasValidFormats(win::IDataObject* dataObject) {
    if (!dataObject)
        return false;
    win::IEnumFORMATETC* enumerator = nullptr;
    if (win::FAILED(dataObject->EnumFormatEtc(win::DATADIR_GET, &enumerator)) || !enumerator)
        return false;
    auto formats = win::ComPtr<win::IEnumFORMATETC>::Attach(enumerator);
    if (win::FAILED(formats->Reset()))
        return false;
    win::FORMATETC formatEtc;
    win::ULONG fetched = 0;
    while (win::SUCCEEDED(formats->Next(1, &formatEtc, &fetched)) && fetched == 1) {
        for (int32_t i = 0; i < FDataFormats->Count(); ++i) {
            TCustomDataFormat* format = FDataFormats->Formats(i);
            if (!format->AcceptFormat(formatEtc) || !format->HasValidFormats(dataObject))
                continue;
            bool accept = true;
            DoAcceptFormat(format, accept);
            if (accept)
                return true;
        }
        fetched = 0;
    }
    return false;
}

void TCustomDropMultiTarget::DoAcceptFormat(TCustomDataFormat* dataFormat, bool& accept) {
    if (OnAcceptFormat)
        OnAcceptFormat(this, dataFormat, accept);
}

// ---- Property tables ----------------------------------------------------------------------------------------

void RegisterDropTargetTables() {
    vcl::RegisterEnumNames<TDragType>({"dtCopy", "dtMove", "dtLink"});
    using T = TCustomDropTarget;
    // Declared defaults: the properties without one are always stored, so a layout keeps the values it states
    // even where a fresh target has them.
    vcl::DefineClassProperties<T, vcl::TComponent>()
        .Property("Dragtypes", &T::GetDragtypes, &T::SetDragtypes)
        .NoDefault()
        .Property("GetDataOnEnter", &T::GetGetDataOnEnter, &T::SetGetDataOnEnter)
        .NoDefault()
        .Event("OnEnter", &T::OnEnter)
        .Event("OnDragOver", &T::OnDragOver)
        .Event("OnLeave", &T::OnLeave)
        .Event("OnDrop", &T::OnDrop)
        .Event("OnGetDropEffect", &T::OnGetDropEffect)
        .Event("OnScroll", &T::OnScroll)
        .Event("OnStartAsyncTransfer", &T::OnStartAsyncTransfer)
        .Event("OnEndAsyncTransfer", &T::OnEndAsyncTransfer)
        .Property("ShowImage", &T::GetShowImage, &T::SetShowImage)
        .NoDefault()
        .Property("Target", &T::GetTarget, &T::SetTarget)
        .Property("MultiTarget", &T::GetMultiTarget, &T::SetMultiTarget)
        .Default(false)
        .Property("AutoScroll", &T::GetAutoScroll, &T::SetAutoScroll)
        .Default(true)
        .Property("OptimizedMove", &T::GetOptimizedMove, &T::SetOptimizedMove)
        .Default(false)
        .Property("AllowAsyncTransfer", &T::GetAllowAsyncTransfer, &T::SetAllowAsyncTransfer)
        .NoDefault();
    vcl::LinkPropertyTable(typeid(TCustomDropMultiTarget), typeid(TCustomDropTarget));
}

} // namespace dragdrop
