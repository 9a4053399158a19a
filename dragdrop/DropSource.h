// Drop sources: a component that starts a drag from the program or puts its data on the clipboard. It is
// the drag's IDropSource, its IDataObject and its IAsyncOperation itself, shows a drag image from an image
// list, lets the application steer the drag through events and reports how it ended. The multi source
// serves its data object from its data formats, a feedback format and a raw format that keeps whatever a
// target writes back.
//
// No exception leaves an IDropSource, IDataObject or IAsyncOperation call: it goes to the application's
// exception handler and the call answers E_UNEXPECTED (QueryContinueDrag: DRAGDROP_S_CANCEL).
#pragma once

#include "dragdrop/DragDrop.h"
#include "dragdrop/DragDropFormats.h"

#include "platform/vcl/ImgList.h"
#include "platform/win/shell/Shell.h"

#include <functional>
#include <vector>

namespace dragdrop {

enum TDragResult { drrCopy, drrMove, drrLink, drrCancel, drrOutOfMemory, drrUnknown };
// NONE gives drrCancel, COPY drrCopy, MOVE drrMove, LINK drrLink, anything else drrUnknown.
TDragResult DropEffectToDragResult(int32_t effect);

using TDropEvent = std::function<void(TObject* Sender, TDragType DragType, bool& ContinueDrop)>;
using TAfterDropEvent = std::function<void(TObject* Sender, TDragResult DragResult, bool Optimized)>;
using TFeedbackEvent = std::function<void(TObject* Sender, int32_t Effect, bool& UseDefaultCursors)>;
// The medium comes by reference: a handler that sets Handled in OnGetData supplies what GetData answers.
using TDropDataEvent =
    std::function<void(TObject* Sender, const win::FORMATETC& FormatEtc, win::STGMEDIUM& Medium, bool& Handled)>;
using TPasteEvent = std::function<void(TObject* Sender, TDragResult Action, bool DeleteOnPaste)>;

class TCustomDropSource : public TDragDropComponent,
                          public win::IDropSource,
                          public win::IDataObject,
                          public win::IAsyncOperation {
public:
    explicit TCustomDropSource(vcl::TComponent* owner);
    ~TCustomDropSource() override;

    win::HRESULT QueryInterface(win::REFIID iid, void** object) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;

    // IDataObject.
    win::HRESULT GetData(const win::FORMATETC* format, win::STGMEDIUM* medium) override;
    win::HRESULT GetDataHere(const win::FORMATETC* format, win::STGMEDIUM* medium) override;
    win::HRESULT QueryGetData(const win::FORMATETC* format) override;
    win::HRESULT GetCanonicalFormatEtc(const win::FORMATETC* in, win::FORMATETC* out) override;
    // The medium is released once, and only when release is set; otherwise the caller keeps it.
    win::HRESULT SetData(const win::FORMATETC* format, win::STGMEDIUM* medium, win::BOOL release) override;
    win::HRESULT EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC** enumerator) override;
    win::HRESULT DAdvise(const win::FORMATETC*, win::DWORD, win::IAdviseSink*, win::DWORD*) override;
    win::HRESULT DUnadvise(win::DWORD) override;
    win::HRESULT EnumDAdvise(win::IEnumSTATDATA** enumerator) override;
    // IDropSource.
    win::HRESULT QueryContinueDrag(win::BOOL escapePressed, win::DWORD keyState) override;
    win::HRESULT GiveFeedback(win::DWORD effect) override;
    // IAsyncOperation.
    win::HRESULT SetAsyncMode(win::BOOL doOpAsync) override;
    win::HRESULT GetAsyncMode(win::BOOL* isOpAsync) override;
    win::HRESULT StartOperation(win::IBindCtx* context) override;
    win::HRESULT InOperation(win::BOOL* inAsyncOp) override;
    win::HRESULT EndOperation(win::HRESULT result, win::IBindCtx* context, win::DWORD effects) override;

    virtual win::HRESULT DoGetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) = 0;
    // A target writing back; the base asks OnSetData.
    virtual win::HRESULT DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium);
    virtual bool HasFormat(const win::FORMATETC& formatEtc) = 0;
    // A new enumerator (one reference), or null for a direction without formats.
    virtual win::IEnumFORMATETC* GetEnumFormatEtc(win::DWORD direction) = 0;
    // Flushes the clipboard when it holds this source, so that it keeps the data as it was.
    virtual void DataChanging(TObject* sender);
    virtual bool PutOnClipboard();
    virtual void DoPaste(TDragResult action, bool deleteOnPaste);
    virtual int32_t GetPerformedDropEffect() { return 0; }
    virtual int32_t GetLogicalPerformedDropEffect() { return 0; }
    virtual void SetPerformedDropEffect(int32_t value) {}
    virtual int32_t GetPreferredDropEffect() { return 0; }
    virtual void SetPreferredDropEffect(int32_t value) {}
    virtual bool GetInShellDragLoop() { return false; }
    virtual win::CLSID GetTargetCLSID() { return win::GUID_NULL; }
    virtual void SetInShellDragLoop(bool value) {}
    // Starts a drag and runs it to its end.
    virtual TDragResult Execute();
    virtual bool CutToClipboard();
    virtual bool CopyToClipboard();
    virtual void FlushClipboard();
    virtual void EmptyClipboard();

    TDragTypes GetDragTypes() const { return FDragTypes; }
    void SetDragTypes(TDragTypes value) { FDragTypes = value; }
    vcl::TCustomImageList* GetImages() const { return FImages; }
    void SetImages(vcl::TCustomImageList* value);
    bool GetShowImage() const { return FShowImage; }
    void SetShowImage(bool value);
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t value);
    int32_t GetImageHotSpotX() const { return FImageHotSpot.X; }
    void SetImageHotSpotX(int32_t value) { FImageHotSpot.X = value; }
    int32_t GetImageHotSpotY() const { return FImageHotSpot.Y; }
    void SetImageHotSpotY(int32_t value) { FImageHotSpot.Y = value; }
    bool GetAllowAsyncTransfer() const { return FAllowAsyncTransfer; }
    void SetAllowAsyncTransfer(bool value);

    TDropEvent OnDrop;
    TAfterDropEvent OnAfterDrop;
    TFeedbackEvent OnFeedback;
    TDropDataEvent OnGetData;
    TDropDataEvent OnSetData;
    TPasteEvent OnPaste;

protected:
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    bool GetInterface(win::REFIID iid, void** object) override;
    bool IsLoading() const { return GetComponentState().Contains(vcl::csLoading); }

private:
    win::IDataObject* AsDataObject() { return static_cast<win::IDataObject*>(this); }
    void SourceHandleException();
    bool HoldsClipboard();

    TDragTypes FDragTypes{dtCopy};
    int32_t FFeedbackEffect = 0;
    vcl::TCustomImageList* FImages = nullptr;
    bool FShowImage = false;
    int32_t FImageIndex = 0;
    TPoint FImageHotSpot{16, 16};
    win::ComPtr<IDragSourceHelper> FDragSourceHelper;
    bool FAllowAsyncTransfer = false;
    bool FAsyncMode = false;
    bool FInOperation = false;
};

// A data format list that tells the source before any of its data formats changes.
class TSourceDataFormats : public TDataFormats {
public:
    explicit TSourceDataFormats(TCustomDropSource* source) : FSource(source) {}
    int32_t Add(TCustomDataFormat* format) override;

private:
    TCustomDropSource* FSource;
};

// An enumerator over the FORMATETCs it was given.
class TEnumFormatEtc : public win::ComObject<win::IEnumFORMATETC> {
public:
    explicit TEnumFormatEtc(std::vector<win::FORMATETC> formats, size_t index = 0)
        : FFormats(std::move(formats)), FIndex(index) {}
    win::HRESULT Next(win::ULONG count, win::FORMATETC* formats, win::ULONG* fetched) override;
    win::HRESULT Skip(win::ULONG count) override;
    win::HRESULT Reset() override;
    win::HRESULT Clone(win::IEnumFORMATETC** clone) override;

private:
    std::vector<win::FORMATETC> FFormats;
    size_t FIndex;
};

class TCustomDropMultiSource : public TCustomDropSource {
public:
    explicit TCustomDropMultiSource(vcl::TComponent* owner);
    ~TCustomDropMultiSource() override;

    bool GetFormatScope(TFormatScope& scope) const override {
        scope = fsSource;
        return true;
    }
    win::HRESULT DoGetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) override;
    // Each data format's formats that accept the FORMATETC try the medium; none: kept as a raw medium.
    win::HRESULT DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) override;
    bool HasFormat(const win::FORMATETC& formatEtc) override;
    win::IEnumFORMATETC* GetEnumFormatEtc(win::DWORD direction) override;

    int32_t GetPerformedDropEffect() override { return FFeedback->GetPerformedDropEffect(); }
    int32_t GetLogicalPerformedDropEffect() override { return FFeedback->GetLogicalPerformedDropEffect(); }
    void SetPerformedDropEffect(int32_t value) override { FFeedback->SetPerformedDropEffect(value); }
    int32_t GetPreferredDropEffect() override { return FFeedback->GetPreferredDropEffect(); }
    void SetPreferredDropEffect(int32_t value) override { FFeedback->SetPreferredDropEffect(value); }
    bool GetInShellDragLoop() override { return FFeedback->GetInShellDragLoop(); }
    win::CLSID GetTargetCLSID() override { return FFeedback->GetTargetCLSID(); }
    void SetInShellDragLoop(bool value) override { FFeedback->SetInShellDragLoop(value); }

    TFeedbackDataFormat* GetFeedbackDataFormat() const { return FFeedback; }
    TRawDataFormat* GetRawDataFormat() const { return FRaw; }

private:
    TFeedbackDataFormat* FFeedback;
    TRawDataFormat* FRaw;
};

// The property tables of the drop sources (run by InitializeDragDrop).
void RegisterDropSourceTables();

} // namespace dragdrop
