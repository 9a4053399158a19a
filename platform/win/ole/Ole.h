// OLE drag and drop and the OLE clipboard: drop targets registered per window, the modal drag loop,
// data objects on the clipboard, and the entry a desktop backend uses to hand a drop from another
// program to the window under the pointer.
#pragma once

#include "platform/win/ole/ObjIdl.h"

namespace win {

constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD DROPEFFECT_SCROLL = 0x80000000;

constexpr HRESULT DRAGDROP_S_DROP = HRESULT(0x00040100);
constexpr HRESULT DRAGDROP_S_CANCEL = HRESULT(0x00040101);
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = HRESULT(0x00040102);
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = HRESULT(0x80040100);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = HRESULT(0x80040101);
constexpr HRESULT DRAGDROP_E_INVALIDHWND = HRESULT(0x80040102);
constexpr HRESULT CLIPBRD_E_CANT_OPEN = HRESULT(0x800401D0);
constexpr HRESULT CLIPBRD_E_CANT_SET = HRESULT(0x800401D2);

// The key state passed to drop targets and sources is a set of MK_ bits (Messages.h), MK_ALT included.

struct IDropTarget : IUnknown {
    static constexpr IID Iid{0x00000122, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // Points are in screen coordinates; effect comes in as what the source allows and goes out as what
    // the target would do.
    virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, TPoint point, DWORD* effect) = 0;
    virtual HRESULT DragOver(DWORD keyState, TPoint point, DWORD* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, DWORD keyState, TPoint point, DWORD* effect) = 0;
};
inline constexpr IID IID_IDropTarget = IDropTarget::Iid;

struct IDropSource : IUnknown {
    static constexpr IID Iid{0x00000121, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // S_OK goes on, DRAGDROP_S_DROP drops, DRAGDROP_S_CANCEL ends without a drop.
    virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
    // DRAGDROP_S_USEDEFAULTCURSORS lets the loop show the cursor for the effect.
    virtual HRESULT GiveFeedback(DWORD effect) = 0;
};
inline constexpr IID IID_IDropSource = IDropSource::Iid;

// Start-up and shut-down of OLE (counted; the first call answers S_OK, later ones S_FALSE).
HRESULT OleInitialize(void* reserved);
void OleUninitialize();

// Makes target the drop target of a window of this process; the registration holds a reference to the
// target until it is revoked or the window is destroyed.
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target);
HRESULT RevokeDragDrop(HWND hwnd);
// The target registered for the window, or for the nearest of its parents that has one (with that
// window in *owner); null when none.
ComPtr<IDropTarget> FindDropTarget(HWND hwnd, HWND* owner = nullptr);

// The modal drag loop. It takes the mouse, and on each mouse move, button change or key asks the source
// whether to go on and tells the target under the pointer (enter, over, leave, drop). The loop ends when
// the source drops or cancels: DRAGDROP_S_DROP with the effect the target performed, DRAGDROP_S_CANCEL with
// DROPEFFECT_NONE (also when the target refused the drop), or a failure of the source.
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect);

// The clipboard through data objects. OleSetClipboard keeps the object and also puts every global-memory
// or stream format it offers on the plain clipboard, so that plain readers and the desktop see the same
// data; null empties the clipboard. OleFlushClipboard lets go of the object (its data stays). OleGetClipboard
// gives the current object, or a snapshot of the plain clipboard's blocks when no object is set.
HRESULT OleSetClipboard(IDataObject* data);
HRESULT OleGetClipboard(IDataObject** data);
HRESULT OleFlushClipboard();
HRESULT OleIsCurrentClipboard(IDataObject* data);

// A drag from another program over this one's windows, for desktop backends: each call finds the
// registered target under the screen point and keeps the enter, over and leave sequence as a drag loop
// would. The returned effect is the target's answer masked by the allowed effects.
class ExternalDrag {
public:
    ExternalDrag() = default;
    ~ExternalDrag(); // leaves a target still entered
    ExternalDrag(const ExternalDrag&) = delete;
    ExternalDrag& operator=(const ExternalDrag&) = delete;

    DWORD Move(IDataObject* data, TPoint screen, DWORD keyState, DWORD allowed);
    void Leave();
    // Drops on the target under the point; DROPEFFECT_NONE when there is none or it refused.
    DWORD Drop(IDataObject* data, TPoint screen, DWORD keyState, DWORD allowed);
    HWND CurrentWindow() const { return FWindow; }

private:
    ComPtr<IDropTarget> FTarget;
    HWND FWindow = nullptr;
    DWORD FLastEffect = DROPEFFECT_NONE;
};

} // namespace win
