// Drop targets: a non-visual component that makes windowed controls accept OLE drops and clipboard
// pastes. It registers itself as the drop target of each of its controls (through a hidden child window,
// so that the registration follows every re-creation of the control's window), turns the key state and the
// effects the source allows into the effect the application accepts, scrolls the control under the cursor
// near its edges, and reads the dropped data, at once or on a worker thread. The multi target reads the
// data through its list of data formats.
//
// Every method runs on the GUI thread, except the reading of the data during an asynchronous transfer.
// No exception leaves an IDropTarget call: it goes to the application's exception handler, and the call
// answers E_UNEXPECTED with no effect.
#pragma once

#include "dragdrop/DragDrop.h"

#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <functional>
#include <vector>

namespace dragdrop {

enum TScrolDirection { sdirUp, sdirDown, sdirLeft, sdirRight };
using TScrolDirections = vcl::TSet<TScrolDirection>;

// Point: client coordinates of the current target control; Effect: a DROPEFFECT value the handler may change.
using TDropTargetEvent = std::function<void(TObject* Sender, TShiftState ShiftState, TPoint Point, int32_t& Effect)>;
using TDropTargetScrollEvent =
    std::function<void(TObject* Sender, TPoint Point, TScrolDirections& Scroll, int32_t& Interval)>;
using TAcceptFormatEvent = std::function<void(TObject* Sender, TCustomDataFormat* DataFormat, bool& Accept)>;

// Milliseconds before the first auto-scroll step, and between steps.
extern int32_t AutoScrollDelay;
extern int32_t AutoScrollInterval;

// An ordered list of windowed controls.
class TControlList {
public:
    int32_t Add(vcl::TWinControl* control);
    void Insert(int32_t index, vcl::TWinControl* control);
    void Delete(int32_t index);
    int32_t IndexOf(vcl::TWinControl* control) const;
    int32_t Count() const { return int32_t(FItems.size()); }
    vcl::TWinControl* Items(int32_t index) const { return FItems.at(size_t(index)); }

private:
    std::vector<vcl::TWinControl*> FItems;
};

class TCustomDropTarget;

// The hidden child window a drop target puts on each of its controls: its window registers the target for
// the parent's window when it is made and revokes it when it goes.
class TWinControlProxy : public vcl::TWinControl {
public:
    explicit TWinControlProxy(TCustomDropTarget* owner);

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    TCustomDropTarget* FDropTarget;
};

class TDropTargetTransferThread;

class TCustomDropTarget : public TDragDropComponent, public win::IDropTarget {
public:
    explicit TCustomDropTarget(vcl::TComponent* owner);
    ~TCustomDropTarget() override;

    // IUnknown (for both bases) and IDropTarget. Points are in screen coordinates.
    win::HRESULT QueryInterface(win::REFIID iid, void** object) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;
    win::HRESULT DragEnter(win::IDataObject* data, win::DWORD keyState, TPoint point, win::DWORD* effect) override;
    win::HRESULT DragOver(win::DWORD keyState, TPoint point, win::DWORD* effect) override;
    win::HRESULT DragLeave() override;
    win::HRESULT Drop(win::IDataObject* data, win::DWORD keyState, TPoint point, win::DWORD* effect) override;

    // Makes the control a drop target (replacing the others unless MultiTarget is set); nil unregisters all.
    void Register(vcl::TWinControl* control);
    void Unregister(vcl::TWinControl* control = nullptr);
    int32_t GetTargetCount() const { return FTargets.Count(); }
    vcl::TWinControl* GetTargets(int32_t index) const { return FTargets.Items(index); }

    // Reads the clipboard as a drop; the effect performed.
    virtual int32_t PasteFromClipboard();
    // A TClipboard pastes; an object offering IDataObject is read as a copy.
    void Assign(vcl::TPersistent* source) override;

    virtual bool GetData(int32_t effect);
    virtual bool DoGetData() = 0;
    virtual void ClearData() = 0;
    virtual int32_t GetValidDropEffect(TShiftState shiftState, TPoint point, int32_t effect);
    virtual int32_t GetPreferredDropEffect();
    virtual bool SetPerformedDropEffect(int32_t effect);
    virtual bool SetPasteSucceeded(int32_t effect);
    virtual bool HasValidFormats(win::IDataObject* dataObject) = 0;

    // The data object of the drag or paste in progress.
    win::IDataObject* GetDataObject() const { return FDataObject.Get(); }
    bool GetAsyncTransfer() const { return FAsyncTransfer; }

    // Published properties.
    TDragTypes GetDragtypes() const { return FDragTypes; }
    void SetDragtypes(TDragTypes value) { FDragTypes = value; }
    bool GetGetDataOnEnter() const { return FGetDataOnEnter; }
    void SetGetDataOnEnter(bool value) { FGetDataOnEnter = value; }
    bool GetShowImage() const { return FShowImage; }
    void SetShowImage(bool value);
    // The control under the cursor during a drag; else the first registered control.
    vcl::TWinControl* GetTarget() const;
    void SetTarget(vcl::TWinControl* value);
    bool GetMultiTarget() const { return FMultiTarget; }
    void SetMultiTarget(bool value) { FMultiTarget = value; }
    bool GetAutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value) { FAutoScroll = value; }
    bool GetOptimizedMove() const { return FOptimizedMove; }
    void SetOptimizedMove(bool value) { FOptimizedMove = value; }
    bool GetAllowAsyncTransfer() const { return FAllowAsyncTransfer; }
    void SetAllowAsyncTransfer(bool value) { FAllowAsyncTransfer = value; }

    TDropTargetEvent OnEnter;
    TDropTargetEvent OnDragOver;
    vcl::TNotifyEvent OnLeave;
    TDropTargetEvent OnDrop;
    TDropTargetEvent OnGetDropEffect;
    TDropTargetScrollEvent OnScroll;
    vcl::TNotifyEvent OnStartAsyncTransfer;
    vcl::TNotifyEvent OnEndAsyncTransfer;

protected:
    virtual void DoEnter(TShiftState shiftState, TPoint point, int32_t& effect);
    virtual void DoDragOver(TShiftState shiftState, TPoint point, int32_t& effect);
    virtual void DoDrop(TShiftState shiftState, TPoint point, int32_t& effect);
    virtual void DoLeave();
    virtual void DoPaste(int32_t& effect);
    virtual void DoScroll(TPoint point, TScrolDirections& scroll, int32_t& interval);
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    bool GetInterface(win::REFIID iid, void** object) override;

private:
    friend class TDropTargetTransferThread;
    win::HRESULT DropTargetEnter(win::IDataObject* data, win::DWORD keyState, TPoint point, int32_t& effect);
    win::HRESULT DropTargetOver(win::DWORD keyState, TPoint point, int32_t& effect);
    void DropTargetLeave();
    win::HRESULT DropTargetDrop(win::DWORD keyState, TPoint point, int32_t& effect);
    // The end of a drop: the data, the data object, the helper and the current target go (the data stays
    // while an asynchronous transfer runs; its end clears it).
    void DropTargetEndDrop();
    void DropTargetHandleException();
    vcl::TWinControl* HitTest(TPoint screen) const;
    TPoint TargetClientPoint(TPoint screen) const;
    void StopScrollTimer();
    void AutoScrollStep(TObject* sender);
    void TransferEnded(TObject* sender);
    // ShowImage and AutoScroll as the drag in progress has them.
    bool DragShowsImage() const { return FShowImage && !FDragWithoutTarget; }
    bool DragScrolls() const { return FAutoScroll && !FDragWithoutTarget; }

    win::ComPtr<win::IDataObject> FDataObject;
    TDragTypes FDragTypes;
    bool FGetDataOnEnter = false;
    TControlList FTargets;
    bool FMultiTarget = false;
    bool FOptimizedMove = false;
    vcl::TWinControl* FTarget = nullptr;
    vcl::TImageList* FDragCursorImages = nullptr;
    win::HIMAGELIST FDragImageHandle = nullptr;
    bool FShowImage = true;
    TPoint FImageHotSpot{0, 0};
    win::ComPtr<IDropTargetHelper> FDropTargetHelper;
    TPoint FLastPoint{0, 0};
    bool FScrollHorizontal = false;
    bool FScrollVertical = false;
    vcl::TTimer* FScrollTimer = nullptr;
    bool FAutoScroll = true;
    win::TRect FNoScrollZone{0, 0, 0, 0};
    bool FAsyncTransfer = false;
    bool FAllowAsyncTransfer = false;
    // A drag entered without a target under the cursor: no image and no scrolling until it ends.
    bool FDragWithoutTarget = false;
};

// A drop target that reads the data through its data formats (made with it as owner, in its list in the
// order they were made).
class TCustomDropMultiTarget : public TCustomDropTarget {
public:
    explicit TCustomDropMultiTarget(vcl::TComponent* owner);
    ~TCustomDropMultiTarget() override;

    bool GetFormatScope(TFormatScope& scope) const override {
        scope = fsTarget;
        return true;
    }
    // Each data format the object offers and OnAcceptFormat accepts reads its data; true when any did.
    bool DoGetData() override;
    // Raises "Can't clear data while async data transfer is in progress" during a transfer.
    void ClearData() override;
    bool HasValidFormats(win::IDataObject* dataObject) override;

    TAcceptFormatEvent OnAcceptFormat;

protected:
    virtual void DoAcceptFormat(TCustomDataFormat* dataFormat, bool& accept);
};

// The property tables of the drop targets (run by InitializeDragDrop).
void RegisterDropTargetTables();

} // namespace dragdrop
