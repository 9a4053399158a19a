#include "dragdrop/DropSource.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>

namespace dragdrop {

TDragResult DropEffectToDragResult(int32_t effect) {
    switch (effect) {
    case int32_t(win::DROPEFFECT_NONE): return drrCancel;
    case int32_t(win::DROPEFFECT_COPY): return drrCopy;
    case int32_t(win::DROPEFFECT_MOVE): return drrMove;
    case int32_t(win::DROPEFFECT_LINK): return drrLink;
    default: return drrUnknown;
    }
}

// ---- TCustomDropSource ------------------------------------------------------------------------------------

TCustomDropSource::TCustomDropSource(vcl::TComponent* owner) : TDragDropComponent(owner) {}

TCustomDropSource::~TCustomDropSource() {
    // The clipboard must not keep an object that is gone.
    try {
        EmptyClipboard();
    } catch (...) {
    }
}

win::HRESULT TCustomDropSource::QueryInterface(win::REFIID iid, void** object) {
    return TInterfacedComponent::QueryInterface(iid, object);
}

win::ULONG TCustomDropSource::AddRef() {
    return TInterfacedComponent::AddRef();
}

win::ULONG TCustomDropSource::Release() {
    return TInterfacedComponent::Release();
}

bool TCustomDropSource::GetInterface(win::REFIID iid, void** object) {
    if (iid == win::IDropSource::Iid)
        *object = static_cast<win::IDropSource*>(this);
    else if (iid == win::IDataObject::Iid)
        *object = static_cast<win::IDataObject*>(this);
    else if (iid == win::IAsyncOperation::Iid)
        *object = static_cast<win::IAsyncOperation*>(this);
    else
        return TInterfacedComponent::GetInterface(iid, object);
    return true;
}

void TCustomDropSource::SourceHandleException() {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            if (vcl::Application)
                vcl::Application->HandleException(this, e);
        } catch (...) {
            if (vcl::Application)
                vcl::Application->HandleException(this, vcl::Exception("Unexpected exception in a drop source"));
        }
    } catch (...) {
        // The exception handler itself failed: nothing more may leave the OLE call.
    }
}

// ---- IDataObject ---------------------------------------------------------------------------------------------

win::HRESULT TCustomDropSource::GetData(const win::FORMATETC* format, win::STGMEDIUM* medium) {
    if (!format || !medium)
        return win::E_INVALIDARG;
    try {
        *medium = win::STGMEDIUM{};
        bool handled = false;
        if (OnGetData)
            OnGetData(this, *format, *medium, handled);
        if (handled)
            return win::S_OK;
        if (!HasFormat(*format))
            return win::DV_E_FORMATETC;
        return DoGetData(*format, *medium);
    } catch (...) {
        SourceHandleException();
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TCustomDropSource::GetDataHere(const win::FORMATETC*, win::STGMEDIUM*) {
    return win::E_NOTIMPL;
}

win::HRESULT TCustomDropSource::QueryGetData(const win::FORMATETC* format) {
    if (!format)
        return win::E_INVALIDARG;
    try {
        return HasFormat(*format) ? win::S_OK : win::DV_E_FORMATETC;
    } catch (...) {
        SourceHandleException();
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TCustomDropSource::GetCanonicalFormatEtc(const win::FORMATETC*, win::FORMATETC*) {
    return win::DATA_S_SAMEFORMATETC;
}

win::HRESULT TCustomDropSource::SetData(const win::FORMATETC* format, win::STGMEDIUM* medium, win::BOOL release) {
    if (!format || !medium)
        return win::E_INVALIDARG;
    win::HRESULT hr;
    try {
        if (!HasFormat(*format))
            hr = win::DV_E_FORMATETC;
        else
            hr = DoSetData(*format, *medium);
    } catch (...) {
        SourceHandleException();
        hr = win::E_UNEXPECTED;
    }
    // The readers work on copies: the caller's medium is released here, once, when it was handed over.
    if (release)
        win::ReleaseStgMedium(medium);
    return hr;
}

win::HRESULT TCustomDropSource::EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC** enumerator) {
    if (!enumerator)
        return win::E_INVALIDARG;
    *enumerator = nullptr;
    try {
        *enumerator = GetEnumFormatEtc(direction);
        return *enumerator ? win::S_OK : win::E_NOTIMPL;
    } catch (...) {
        SourceHandleException();
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TCustomDropSource::DAdvise(const win::FORMATETC*, win::DWORD, win::IAdviseSink*, win::DWORD*) {
    return win::OLE_E_ADVISENOTSUPPORTED;
}

win::HRESULT TCustomDropSource::DUnadvise(win::DWORD) {
    return win::OLE_E_ADVISENOTSUPPORTED;
}

win::HRESULT TCustomDropSource::EnumDAdvise(win::IEnumSTATDATA** enumerator) {
    if (enumerator)
        *enumerator = nullptr;
    return win::OLE_E_ADVISENOTSUPPORTED;
}

win::HRESULT TCustomDropSource::DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) {
    bool handled = false;
    if (OnSetData)
        OnSetData(this, formatEtc, medium, handled);
    return handled ? win::S_OK : win::E_NOTIMPL;
}

// ---- IDropSource ----------------------------------------------------------------------------------------

win::HRESULT TCustomDropSource::QueryContinueDrag(win::BOOL escapePressed, win::DWORD keyState) {
    try {
        if (escapePressed)
            return win::DRAGDROP_S_CANCEL;
        if (keyState & (win::MK_LBUTTON | win::MK_RBUTTON))
            return win::S_OK;
        TDragType dragType = dtCopy;
        bool possible = DropEffectToDragType(FFeedbackEffect, dragType) && FDragTypes.Contains(dragType);
        SetInShellDragLoop(false);
        if (possible && OnDrop)
            OnDrop(this, dragType, possible);
        return possible ? win::DRAGDROP_S_DROP : win::DRAGDROP_S_CANCEL;
    } catch (...) {
        SourceHandleException();
        return win::DRAGDROP_S_CANCEL;
    }
}

win::HRESULT TCustomDropSource::GiveFeedback(win::DWORD effect) {
    try {
        FFeedbackEffect = int32_t(effect);
        bool useDefaultCursors = true;
        if (OnFeedback)
            OnFeedback(this, int32_t(effect), useDefaultCursors);
        return useDefaultCursors ? win::DRAGDROP_S_USEDEFAULTCURSORS : win::S_OK;
    } catch (...) {
        SourceHandleException();
        return win::E_UNEXPECTED;
    }
}

// ---- IAsyncOperation -------------------------------------------------------------------------------------

win::HRESULT TCustomDropSource::SetAsyncMode(win::BOOL doOpAsync) {
    if (!FAllowAsyncTransfer)
        return win::E_NOTIMPL;
    FAsyncMode = doOpAsync != win::FALSE;
    return win::S_OK;
}

win::HRESULT TCustomDropSource::GetAsyncMode(win::BOOL* isOpAsync) {
    if (!isOpAsync)
        return win::E_INVALIDARG;
    *isOpAsync = FAsyncMode ? win::BOOL(-1) : win::FALSE;
    return win::S_OK;
}

win::HRESULT TCustomDropSource::StartOperation(win::IBindCtx*) {
    if (!FAsyncMode)
        return win::E_NOTIMPL;
    FInOperation = true;
    return win::S_OK;
}

win::HRESULT TCustomDropSource::InOperation(win::BOOL* inAsyncOp) {
    if (!inAsyncOp)
        return win::E_INVALIDARG;
    *inAsyncOp = FInOperation ? win::TRUE : win::FALSE;
    return win::S_OK;
}

win::HRESULT TCustomDropSource::EndOperation(win::HRESULT result, win::IBindCtx*, win::DWORD effects) {
    if (!FInOperation)
        return win::E_FAIL;
    FInOperation = false;
    try {
        if (OnAfterDrop) {
            TDragResult dragResult = win::SUCCEEDED(result)
                                         ? DropEffectToDragResult(int32_t(effects) & DragTypesToDropEffect(FDragTypes))
                                         : drrUnknown;
            bool optimized = !(dragResult == drrMove && GetPerformedDropEffect() == int32_t(win::DROPEFFECT_MOVE));
            OnAfterDrop(this, dragResult, optimized);
        }
        return win::S_OK;
    } catch (...) {
        SourceHandleException();
        return win::E_UNEXPECTED;
    }
}

void TCustomDropSource::SetAllowAsyncTransfer(bool value) {
    FAllowAsyncTransfer = value;
    if (!value) {
        FAsyncMode = false;
        FInOperation = false;
    }
}

// ---- The drag ----------------------------------------------------------------------------------------------

TDragResult TCustomDropSource::Execute() {
    const int32_t allowed = DragTypesToDropEffect(FDragTypes);
    SetPerformedDropEffect(-1);
    bool imageListDrag = false;
    if (FShowImage && FImages) {
        void* helper = nullptr;
        if (win::SUCCEEDED(win::CoCreateInstance(CLSID_DragDropHelper, nullptr, win::CLSCTX_INPROC_SERVER,
                                                 IDragSourceHelper::Iid, &helper)) &&
            helper) {
            // The desktop shows its own drag image: the layer offers no helper object, so this stays unused.
            FDragSourceHelper = win::ComPtr<IDragSourceHelper>::Attach(static_cast<IDragSourceHelper*>(helper));
        } else {
            imageListDrag = win::ImageList_BeginDrag(FImages->GetHandle(), FImageIndex, FImageHotSpot.X,
                                                     FImageHotSpot.Y) != win::FALSE;
        }
    }
    if (FAllowAsyncTransfer)
        SetAsyncMode(win::TRUE);
    win::DWORD effect = win::DROPEFFECT_NONE;
    win::HRESULT hr;
    SetInShellDragLoop(true);
    {
        vcl::ScopeExit end([&]() noexcept {
            try {
                SetInShellDragLoop(false);
            } catch (...) {
            }
            FDragSourceHelper = nullptr;
            if (imageListDrag)
                win::ImageList_EndDrag();
        });
        hr = win::DoDragDrop(AsDataObject(), static_cast<win::IDropSource*>(this), win::DWORD(allowed), &effect);
    }
    const int32_t performed = GetPerformedDropEffect();
    TDragResult result;
    if (hr == win::E_OUTOFMEMORY)
        result = drrOutOfMemory;
    else if (hr == win::DRAGDROP_S_DROP) {
        if (GetLogicalPerformedDropEffect() == int32_t(win::DROPEFFECT_MOVE) ||
            (effect != win::DROPEFFECT_MOVE && performed == int32_t(win::DROPEFFECT_MOVE)))
            result = drrMove;
        else
            result = DropEffectToDragResult(int32_t(effect) & allowed);
    } else if (hr == win::DRAGDROP_S_CANCEL)
        result = drrCancel;
    else
        result = drrUnknown;
    if (performed == -1)
        SetPerformedDropEffect(0);
    if (!FInOperation && OnAfterDrop)
        OnAfterDrop(this, result,
                    result == drrMove && !(effect == win::DROPEFFECT_MOVE && performed == int32_t(win::DROPEFFECT_MOVE)));
    return result;
}

// ---- Clipboard ---------------------------------------------------------------------------------------------

bool TCustomDropSource::HoldsClipboard() {
    return win::OleIsCurrentClipboard(AsDataObject()) == win::S_OK;
}

bool TCustomDropSource::PutOnClipboard() {
    return win::OleSetClipboard(AsDataObject()) == win::S_OK;
}

bool TCustomDropSource::CutToClipboard() {
    SetPreferredDropEffect(win::DROPEFFECT_MOVE);
    return PutOnClipboard();
}

bool TCustomDropSource::CopyToClipboard() {
    SetPreferredDropEffect(win::DROPEFFECT_COPY);
    return PutOnClipboard();
}

void TCustomDropSource::FlushClipboard() {
    if (HoldsClipboard())
        OleCheck(win::OleFlushClipboard());
}

void TCustomDropSource::EmptyClipboard() {
    if (HoldsClipboard())
        OleCheck(win::OleSetClipboard(nullptr));
}

void TCustomDropSource::DataChanging(TObject*) {
    FlushClipboard();
}

void TCustomDropSource::DoPaste(TDragResult action, bool deleteOnPaste) {
    if (OnPaste)
        OnPaste(this, action, deleteOnPaste);
}

// ---- Image properties ---------------------------------------------------------------------------------------

void TCustomDropSource::SetImages(vcl::TCustomImageList* value) {
    if (value == FImages)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = value;
    if (FImages)
        FImages->FreeNotification(this);
    if (IsLoading())
        return;
    if (!FImages || FImageIndex >= FImages->GetCount())
        FImageIndex = 0;
    FShowImage = FShowImage && FImages && FImages->GetCount() > 0;
}

void TCustomDropSource::SetShowImage(bool value) {
    FShowImage = value;
    if (!IsLoading() && !FImages)
        FShowImage = false;
}

void TCustomDropSource::SetImageIndex(int32_t value) {
    if (IsLoading()) {
        FImageIndex = value;
        return;
    }
    if (value < 0 || !FImages || FImages->GetCount() == 0) {
        FImageIndex = 0;
        FShowImage = false;
        return;
    }
    if (value >= FImages->GetCount())
        return;
    FImageIndex = value;
}

void TCustomDropSource::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TDragDropComponent::Notification(component, operation);
    if (operation == vcl::opRemove && component == static_cast<vcl::TComponent*>(FImages))
        FImages = nullptr;
}

// ---- TSourceDataFormats and TEnumFormatEtc -----------------------------------------------------------------

int32_t TSourceDataFormats::Add(TCustomDataFormat* format) {
    int32_t index = TDataFormats::Add(format);
    TCustomDropSource* source = FSource;
    format->OnChanging = [source](TObject* sender) { source->DataChanging(sender); };
    return index;
}

win::HRESULT TEnumFormatEtc::Next(win::ULONG count, win::FORMATETC* formats, win::ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!formats || (count > 1 && !fetched))
        return win::E_INVALIDARG;
    win::ULONG n = 0;
    while (n < count && FIndex < FFormats.size())
        formats[n++] = FFormats[FIndex++];
    if (fetched)
        *fetched = n;
    return n == count ? win::S_OK : win::S_FALSE;
}

win::HRESULT TEnumFormatEtc::Skip(win::ULONG count) {
    size_t left = FFormats.size() - FIndex;
    FIndex += std::min<size_t>(count, left);
    return count <= left ? win::S_OK : win::S_FALSE;
}

win::HRESULT TEnumFormatEtc::Reset() {
    FIndex = 0;
    return win::S_OK;
}

win::HRESULT TEnumFormatEtc::Clone(win::IEnumFORMATETC** clone) {
    if (!clone)
        return win::E_INVALIDARG;
    *clone = new TEnumFormatEtc(FFormats, FIndex);
    return win::S_OK;
}

// ---- TCustomDropMultiSource ---------------------------------------------------------------------------------

TCustomDropMultiSource::TCustomDropMultiSource(vcl::TComponent* owner) : TCustomDropSource(owner) {
    FDataFormats = std::make_unique<TSourceDataFormats>(this);
    FFeedback = new TFeedbackDataFormat(this);
    FRaw = new TRawDataFormat(this);
}

TCustomDropMultiSource::~TCustomDropMultiSource() {
    try {
        EmptyClipboard();
    } catch (...) {
    }
    while (FDataFormats->Count() > 0)
        delete FDataFormats->Formats(FDataFormats->Count() - 1);
    FDataFormats.reset();
}

bool TCustomDropMultiSource::HasFormat(const win::FORMATETC& formatEtc) {
    for (int32_t i = 0; i < FDataFormats->Count(); ++i)
        if (FDataFormats->Formats(i)->AcceptFormat(formatEtc))
            return true;
    return false;
}

win::HRESULT TCustomDropMultiSource::DoGetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) {
    medium = win::STGMEDIUM{};
    for (int32_t i = 0; i < FDataFormats->Count(); ++i) {
        TCustomDataFormat* data = FDataFormats->Formats(i);
        if (!data->HasData())
            continue;
        TClipboardFormats* formats = data->GetCompatibleFormats();
        for (int32_t j = 0; j < formats->Count(); ++j) {
            TClipboardFormat* format = formats->Formats(j);
            if (!format->AcceptFormat(formatEtc))
                continue;
            if (data->AssignTo(format) && format->HasData() && format->SetDataToMedium(formatEtc, medium)) {
                format->Clear();
                return win::S_OK;
            }
        }
    }
    return win::DV_E_FORMATETC;
}

win::HRESULT TCustomDropMultiSource::DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) {
    // Each reader gets a copy of its own (which it releases); the caller's medium stays the caller's.
    auto readCopy = [&](TClipboardFormat* format) {
        win::STGMEDIUM copy;
        if (!CopyMedium(medium, copy))
            return false;
        return format->GetDataFromMedium(static_cast<win::IDataObject*>(this), copy);
    };
    for (int32_t i = 0; i < FDataFormats->Count(); ++i) {
        TCustomDataFormat* data = FDataFormats->Formats(i);
        TClipboardFormats* formats = data->GetCompatibleFormats();
        for (int32_t j = 0; j < formats->Count(); ++j) {
            TClipboardFormat* format = formats->Formats(j);
            if (!format->AcceptFormat(formatEtc) || !readCopy(format) || !data->Assign(format))
                continue;
            if (auto* pasted = dynamic_cast<TPasteSuccededClipboardFormat*>(format)) {
                const int32_t value = int32_t(pasted->GetValue());
                DoPaste(DropEffectToDragResult(value),
                        value == int32_t(win::DROPEFFECT_MOVE) &&
                            GetPerformedDropEffect() == int32_t(win::DROPEFFECT_MOVE));
            }
            format->Clear();
            return win::S_OK;
        }
    }
    // Nothing takes it: kept as it came, and offered in that form from now on.
    auto* raw = new TRawClipboardFormat(formatEtc);
    FRaw->GetCompatibleFormats()->Add(raw);
    if (readCopy(raw) && FRaw->Assign(raw))
        return win::S_OK;
    return win::E_NOTIMPL;
}

win::IEnumFORMATETC* TCustomDropMultiSource::GetEnumFormatEtc(win::DWORD direction) {
    TFormatDirection wanted;
    if (direction == win::DATADIR_GET)
        wanted = fdGet;
    else if (direction == win::DATADIR_SET)
        wanted = fdSet;
    else
        return nullptr;
    std::vector<TClipboardFormat*> listed;
    std::vector<win::FORMATETC> formats;
    for (int32_t i = 0; i < FDataFormats->Count(); ++i) {
        TClipboardFormats* compatible = FDataFormats->Formats(i)->GetCompatibleFormats();
        for (int32_t j = 0; j < compatible->Count(); ++j) {
            TClipboardFormat* format = compatible->Formats(j);
            if (!format->GetDataDirections().Contains(wanted))
                continue;
            bool seen = std::any_of(listed.begin(), listed.end(), [&](TClipboardFormat* f) {
                return format->ClassType()->InheritsFrom(f->ClassType());
            });
            if (seen)
                continue;
            listed.push_back(format);
            formats.push_back(format->GetFormatEtc());
        }
    }
    return new TEnumFormatEtc(std::move(formats));
}

// ---- Property tables -----------------------------------------------------------------------------------------

void RegisterDropSourceTables() {
    using T = TCustomDropSource;
    vcl::DefineClassProperties<T, vcl::TComponent>()
        .Property("DragTypes", &T::GetDragTypes, &T::SetDragTypes)
        .Event("OnDrop", &T::OnDrop)
        .Event("OnAfterDrop", &T::OnAfterDrop)
        .Event("OnFeedback", &T::OnFeedback)
        .Event("OnGetData", &T::OnGetData)
        .Event("OnSetData", &T::OnSetData)
        .Event("OnPaste", &T::OnPaste)
        .Property("Images", &T::GetImages, &T::SetImages)
        .Property("ShowImage", &T::GetShowImage, &T::SetShowImage)
        .Property("ImageIndex", &T::GetImageIndex, &T::SetImageIndex)
        .Property("ImageHotSpotX", &T::GetImageHotSpotX, &T::SetImageHotSpotX)
        .Property("ImageHotSpotY", &T::GetImageHotSpotY, &T::SetImageHotSpotY)
        .Property("AllowAsyncTransfer", &T::GetAllowAsyncTransfer, &T::SetAllowAsyncTransfer);
    vcl::LinkPropertyTable(typeid(TCustomDropMultiSource), typeid(TCustomDropSource));
}

} // namespace dragdrop
