#include "dragdrop/DragDrop.h"

#include "dragdrop/DragDropFile.h"
#include "dragdrop/DragDropFormats.h"
#include "dragdrop/DragDropPIDL.h"
#include "dragdrop/DropSource.h"
#include "dragdrop/DropTarget.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace dragdrop {

// ---- Errors -----------------------------------------------------------------------------------------------

EOleSysError::EOleSysError(win::HRESULT code) : vcl::Exception(win::ResultText(code)), FErrorCode(code) {}

win::HRESULT OleCheck(win::HRESULT result) {
    if (win::FAILED(result))
        throw EOleSysError(result);
    return result;
}

// ---- Class records ----------------------------------------------------------------------------------------

bool TClipboardFormatClassRecord::InheritsFrom(const TClipboardFormatClassRecord* base) const {
    for (auto* c = this; c; c = c->Parent)
        if (c == base)
            return true;
    return false;
}

bool TDataFormatClassRecord::InheritsFrom(const TDataFormatClassRecord* base) const {
    for (auto* c = this; c; c = c->Parent)
        if (c == base)
            return true;
    return false;
}

// ---- TClipboardFormat ---------------------------------------------------------------------------------------

TClipboardFormatClass TClipboardFormat::StaticClass() {
    static const TClipboardFormatClassRecord record{"TClipboardFormat", nullptr, nullptr};
    return &record;
}

TClipboardFormatClass TClipboardFormat::ClassType() const {
    return StaticClass();
}

TClipboardFormat::TClipboardFormat() {
    FFormatEtc.dwAspect = win::DVASPECT_CONTENT;
    FFormatEtc.lindex = -1;
    FFormatEtc.tymed = win::TYMED_HGLOBAL;
}

void TClipboardFormat::CreateFormat(win::DWORD tymed) {
    FFormatEtc = win::FORMATETC{GetClipboardFormat(), nullptr, win::DVASPECT_CONTENT, -1, tymed};
    FFormatKnown = true;
}

void TClipboardFormat::CreateFormatEtc(const win::FORMATETC& formatEtc) {
    FFormatEtc = formatEtc;
    FFormatKnown = true;
}

const win::FORMATETC& TClipboardFormat::GetFormatEtc() {
    if (!FFormatKnown) {
        FFormatEtc.cfFormat = GetClipboardFormat();
        FFormatKnown = true;
    }
    return FFormatEtc;
}

bool TClipboardFormat::DoGetData(win::IDataObject*, const win::STGMEDIUM&) {
    return false;
}

bool TClipboardFormat::DoSetData(const win::FORMATETC&, win::STGMEDIUM&) {
    return false;
}

uint16_t CachedClipboardFormat(std::atomic<uint16_t>& cache, const char* name) {
    uint16_t id = cache.load(std::memory_order_relaxed);
    if (!id) {
        id = uint16_t(win::RegisterClipboardFormat(name));
        cache.store(id, std::memory_order_relaxed);
    }
    return id;
}

uint16_t TClipboardFormat::GetClipboardFormat() {
    throw vcl::Exception(vcl::Format("Internal error: %s.%s needs implementation", ClassName(),
                                     std::string("GetClipboardFormat")));
}

void TClipboardFormat::SetClipboardFormat(uint16_t value) {
    FFormatEtc.cfFormat = value;
    FFormatKnown = true;
}

std::string TClipboardFormat::GetClipboardFormatName() {
    return GetClipboardFormatNameStr(GetFormatEtc().cfFormat);
}

void TClipboardFormat::SetClipboardFormatName(const std::string&) {
    throw vcl::Exception(vcl::Format("%s.ClipboardFormat is read-only", ClassName()));
}

bool TClipboardFormat::HasValidFormats(win::IDataObject* dataObject) {
    win::FORMATETC f = GetFormatEtc();
    return dataObject && dataObject->QueryGetData(&f) == win::S_OK;
}

bool TClipboardFormat::AcceptFormat(const win::FORMATETC& formatEtc) {
    const win::FORMATETC& own = GetFormatEtc();
    return formatEtc.cfFormat == own.cfFormat && formatEtc.ptd == nullptr &&
           formatEtc.dwAspect == own.dwAspect && (formatEtc.tymed & own.tymed) != 0;
}

bool TClipboardFormat::GetData(win::IDataObject* dataObject) {
    Clear();
    if (!dataObject)
        return false;
    win::FORMATETC f = GetFormatEtc();
    win::STGMEDIUM medium;
    if (dataObject->GetData(&f, &medium) != win::S_OK)
        return false;
    return GetDataFromMedium(dataObject, medium);
}

bool TClipboardFormat::GetDataFromMedium(win::IDataObject* source, win::STGMEDIUM& medium) {
    struct Release {
        win::STGMEDIUM& FMedium;
        ~Release() { win::ReleaseStgMedium(&FMedium); }
    } release{medium};
    Clear();
    if ((medium.tymed & GetFormatEtc().tymed) == 0)
        return false;
    return DoGetData(source, medium);
}

bool TClipboardFormat::SetDataToMedium(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) {
    medium = win::STGMEDIUM{};
    const win::FORMATETC& own = GetFormatEtc();
    if (formatEtc.cfFormat != own.cfFormat || formatEtc.dwAspect != own.dwAspect ||
        (formatEtc.tymed & own.tymed) == 0)
        return false;
    return DoSetData(formatEtc, medium);
}

bool TClipboardFormat::SetData(win::IDataObject* dataObject, const win::FORMATETC& formatEtc,
                               win::STGMEDIUM& medium) {
    bool ok = SetDataToMedium(formatEtc, medium);
    if (ok && dataObject) {
        win::FORMATETC f = GetFormatEtc();
        // With release set the object takes the medium, also when it refuses it.
        ok = dataObject->SetData(&f, &medium, win::TRUE) == win::S_OK;
        if (!ok)
            medium = win::STGMEDIUM{};
        return ok;
    }
    win::ReleaseStgMedium(&medium);
    return false;
}

bool TClipboardFormat::Assign(TCustomDataFormat*) {
    return false;
}

bool TClipboardFormat::AssignTo(TCustomDataFormat*) {
    return false;
}

bool TClipboardFormat::HasData() {
    return true;
}

// ---- TClipboardFormats ---------------------------------------------------------------------------------------

TClipboardFormats::~TClipboardFormats() {
    Clear();
}

int32_t TClipboardFormats::Add(TClipboardFormat* format) {
    FList.push_back(format);
    return int32_t(FList.size()) - 1;
}

TClipboardFormat* TClipboardFormats::FindFormat(TClipboardFormatClass formatClass) const {
    for (TClipboardFormat* f : FList)
        if (f->ClassType()->InheritsFrom(formatClass))
            return f;
    return nullptr;
}

void TClipboardFormats::Clear() {
    std::vector<TClipboardFormat*> items;
    items.swap(FList);
    if (FOwnsObjects)
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            delete *it;
}

// ---- TCustomDataFormat -----------------------------------------------------------------------------------------

TDataFormatClass TCustomDataFormat::StaticClass() {
    static const TDataFormatClassRecord record{"TCustomDataFormat", nullptr};
    return &record;
}

TDataFormatClass TCustomDataFormat::ClassType() const {
    return StaticClass();
}

TCustomDataFormat::TCustomDataFormat(TDragDropComponent* owner, TDataFormatClass formatClass) : FOwner(owner) {
    TFormatScope scope = fsTarget;
    if (owner && !owner->GetFormatScope(scope))
        throw vcl::Exception(vcl::Format("%s is not a valid owner for %s. Owner must be derived from %s",
                                         owner->ClassName(), std::string(formatClass->Name),
                                         std::string("TCustomDropMultiSource or TCustomDropMultiTarget")));
    FCompatibleFormats = std::make_unique<TClipboardFormats>(true);
    DataFormatMap()->GetSupportedFormats(formatClass, scope, FCompatibleFormats.get());
    if (owner && owner->GetDataFormats())
        owner->GetDataFormats()->Add(this);
}

TCustomDataFormat::~TCustomDataFormat() {
    FCompatibleFormats.reset();
    if (FOwner && FOwner->GetDataFormats())
        FOwner->GetDataFormats()->Remove(this);
}

void TCustomDataFormat::Changing() {
    if (OnChanging)
        OnChanging(this);
}

bool TCustomDataFormat::Assign(TClipboardFormat* source) {
    return source->AssignTo(this);
}

bool TCustomDataFormat::AssignTo(TClipboardFormat* dest) {
    return dest->Assign(this);
}

bool TCustomDataFormat::GetData(win::IDataObject* dataObject) {
    bool result = false;
    for (int32_t i = 0; i < FCompatibleFormats->Count() && NeedsData(); ++i) {
        TClipboardFormat* format = FCompatibleFormats->Formats(i);
        format->Clear();
        if (format->GetData(dataObject) && format->HasData() && Assign(format)) {
            format->Clear();
            result = true;
        }
    }
    return result;
}

bool TCustomDataFormat::NeedsData() {
    return !HasData();
}

bool TCustomDataFormat::HasValidFormats(win::IDataObject* dataObject) {
    for (int32_t i = 0; i < FCompatibleFormats->Count(); ++i)
        if (FCompatibleFormats->Formats(i)->HasValidFormats(dataObject))
            return true;
    return false;
}

bool TCustomDataFormat::AcceptFormat(const win::FORMATETC& formatEtc) {
    for (int32_t i = 0; i < FCompatibleFormats->Count(); ++i)
        if (FCompatibleFormats->Formats(i)->AcceptFormat(formatEtc))
            return true;
    return false;
}

// ---- Lists ----------------------------------------------------------------------------------------------------

TDataFormats::~TDataFormats() {
    while (!FList.empty())
        Remove(FList.back());
}

int32_t TDataFormats::Add(TCustomDataFormat* format) {
    auto it = std::find(FList.begin(), FList.end(), format);
    if (it != FList.end())
        return int32_t(it - FList.begin());
    FList.push_back(format);
    return int32_t(FList.size()) - 1;
}

void TDataFormats::Remove(TCustomDataFormat* format) {
    auto it = std::find(FList.begin(), FList.end(), format);
    if (it != FList.end())
        FList.erase(it);
}

void TDataFormatClasses::Add(TDataFormatClass formatClass) {
    if (std::find(FList.begin(), FList.end(), formatClass) == FList.end())
        FList.push_back(formatClass);
}

void TDataFormatClasses::Remove(TDataFormatClass formatClass) {
    FList.erase(std::remove(FList.begin(), FList.end(), formatClass), FList.end());
}

// ---- TDataFormatMap ----------------------------------------------------------------------------------------

int32_t TDataFormatMap::IndexOf(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat) const {
    for (size_t i = 0; i < FRecords.size(); ++i)
        if (FRecords[i].DataFormat->InheritsFrom(dataFormat) &&
            FRecords[i].ClipboardFormat->InheritsFrom(clipboardFormat))
            return int32_t(i);
    return -1;
}

void TDataFormatMap::Add(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat, int32_t priority,
                         TFormatDirections directions, TFormatScopes scopes) {
    TRecord record{dataFormat, clipboardFormat, priority, scopes, directions};
    int32_t index = IndexOf(dataFormat, clipboardFormat);
    if (index >= 0) {
        record = FRecords[size_t(index)];
        FRecords.erase(FRecords.begin() + index);
        record.Scopes += scopes;
        record.Directions += directions;
    }
    record.DataFormat = dataFormat;
    record.ClipboardFormat = clipboardFormat;
    record.Priority = priority;
    // Into its place among the records of its class: after the last one of a lower priority, before those
    // of its own; a class's records stay together.
    ptrdiff_t j = ptrdiff_t(FRecords.size()) - 1;
    while (j >= 0 && FRecords[size_t(j)].DataFormat != dataFormat)
        --j;
    if (j < 0) {
        FRecords.push_back(record);
        return;
    }
    while (j >= 0 && FRecords[size_t(j)].DataFormat == dataFormat && FRecords[size_t(j)].Priority >= priority)
        --j;
    FRecords.insert(FRecords.begin() + (j + 1), record);
}

void TDataFormatMap::DeleteByDataFormat(TDataFormatClass dataFormat) {
    FRecords.erase(std::remove_if(FRecords.begin(), FRecords.end(),
                                  [&](const TRecord& r) { return r.DataFormat->InheritsFrom(dataFormat); }),
                   FRecords.end());
}

void TDataFormatMap::DeleteByClipboardFormat(TClipboardFormatClass clipboardFormat) {
    FRecords.erase(std::remove_if(FRecords.begin(), FRecords.end(),
                                  [&](const TRecord& r) { return r.ClipboardFormat->InheritsFrom(clipboardFormat); }),
                   FRecords.end());
}

void TDataFormatMap::GetSupportedFormats(TDataFormatClass dataFormat, TFormatScope scope,
                                         TClipboardFormats* formats) const {
    formats->Clear();
    for (const TRecord& r : FRecords) {
        if (!r.Scopes.Contains(scope) || !r.DataFormat->InheritsFrom(dataFormat) || !r.ClipboardFormat->Create)
            continue;
        TClipboardFormat* format = r.ClipboardFormat->Create();
        format->SetDataDirections(r.Directions);
        formats->Add(format);
    }
}

namespace {

std::unique_ptr<TDataFormatMap> dragDropMap;
std::unique_ptr<TDataFormatClasses> dragDropClasses;
int dragDropInitCount = 0;
win::ComPtr<win::IMalloc> dragDropShellMalloc;

} // namespace

TDataFormatMap* DataFormatMap() {
    if (!dragDropMap)
        dragDropMap = std::make_unique<TDataFormatMap>();
    return dragDropMap.get();
}

TDataFormatClasses* DataFormatClasses() {
    if (!dragDropClasses)
        dragDropClasses = std::make_unique<TDataFormatClasses>();
    return dragDropClasses.get();
}

void RegisterDataFormat(TDataFormatClass formatClass) {
    DataFormatClasses()->Add(formatClass);
}

// The unregistering routines leave lists that finalization has freed alone.
void UnregisterDataFormat(TDataFormatClass formatClass) {
    if (dragDropMap)
        dragDropMap->DeleteByDataFormat(formatClass);
    if (dragDropClasses)
        dragDropClasses->Remove(formatClass);
}

void RegisterFormatConversion(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat,
                              int32_t priority, TFormatDirections directions, TFormatScopes scopes) {
    DataFormatMap()->Add(dataFormat, clipboardFormat, priority, directions, scopes);
}

void UnregisterClipboardFormat(TClipboardFormatClass formatClass) {
    if (dragDropMap)
        dragDropMap->DeleteByClipboardFormat(formatClass);
}

// ---- Raw formats ---------------------------------------------------------------------------------------------

namespace {
TClipboardFormat* RawFormatWithoutFormatEtc() {
    throw vcl::Exception(vcl::Format("The %s class can not be instantiated with the default constructor",
                                     std::string("TRawClipboardFormat")));
}
} // namespace

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TRawClipboardFormat, TClipboardFormat, RawFormatWithoutFormatEtc)

TRawClipboardFormat::TRawClipboardFormat(const win::FORMATETC& formatEtc) {
    CreateFormatEtc(formatEtc);
}

TRawClipboardFormat::~TRawClipboardFormat() {
    ClearData();
}

void TRawClipboardFormat::ClearData() {
    win::ReleaseStgMedium(&FMedium);
    FMedium = win::STGMEDIUM{};
}

bool TRawClipboardFormat::DoGetData(win::IDataObject*, const win::STGMEDIUM& medium) {
    ClearData();
    return CopyMedium(medium, FMedium);
}

bool TRawClipboardFormat::DoSetData(const win::FORMATETC&, win::STGMEDIUM& medium) {
    return CopyMedium(FMedium, medium);
}

uint16_t TRawClipboardFormat::GetClipboardFormat() {
    return GetFormatEtc().cfFormat;
}

void TRawClipboardFormat::SetClipboardFormatName(const std::string& value) {
    SetClipboardFormat(uint16_t(win::RegisterClipboardFormat(value.c_str())));
}

bool TRawClipboardFormat::Assign(TCustomDataFormat* source) {
    return dynamic_cast<TRawDataFormat*>(source) != nullptr;
}

bool TRawClipboardFormat::AssignTo(TCustomDataFormat* dest) {
    return dynamic_cast<TRawDataFormat*>(dest) != nullptr;
}

bool TRawClipboardFormat::HasData() {
    return FMedium.tymed != win::TYMED_NULL;
}

DRAGDROP_DEFINE_DATA_FORMAT(TRawDataFormat, TCustomDataFormat)

void TRawDataFormat::Clear() {
    Changing();
    for (int32_t i = 0; i < GetCompatibleFormats()->Count(); ++i)
        if (auto* raw = dynamic_cast<TRawClipboardFormat*>(GetCompatibleFormats()->Formats(i)))
            raw->ClearData();
}

bool TRawDataFormat::HasData() {
    for (int32_t i = 0; i < GetCompatibleFormats()->Count(); ++i)
        if (auto* raw = dynamic_cast<TRawClipboardFormat*>(GetCompatibleFormats()->Formats(i)); raw && raw->HasData())
            return true;
    return false;
}

bool TRawDataFormat::NeedsData() {
    for (int32_t i = 0; i < GetCompatibleFormats()->Count(); ++i)
        if (auto* raw = dynamic_cast<TRawClipboardFormat*>(GetCompatibleFormats()->Formats(i)); raw && !raw->HasData())
            return true;
    return false;
}

// ---- Components ----------------------------------------------------------------------------------------------

win::HRESULT TInterfacedComponent::QueryInterface(win::REFIID iid, void** object) {
    if (!object)
        return win::E_POINTER;
    *object = nullptr;
    if (!GetInterface(iid, object))
        return win::E_NOINTERFACE; // the class library attaches no COM companion object
    AddRef();
    return win::S_OK;
}

bool TInterfacedComponent::GetInterface(win::REFIID iid, void** object) {
    if (iid == win::IUnknown::Iid) {
        *object = static_cast<win::IUnknown*>(this);
        return true;
    }
    return false;
}

win::ULONG TInterfacedComponent::AddRef() {
    if (auto* owner = dynamic_cast<win::IUnknown*>(GetOwner()))
        return owner->AddRef();
    return win::ULONG(-1);
}

win::ULONG TInterfacedComponent::Release() {
    if (auto* owner = dynamic_cast<win::IUnknown*>(GetOwner()))
        return owner->Release();
    return win::ULONG(-1);
}

TDragDropComponent::~TDragDropComponent() = default;

// ---- Routines --------------------------------------------------------------------------------------------------

TShiftState KeysToShiftState(uint16_t keyState) {
    TShiftState s;
    if (keyState & win::MK_SHIFT)
        s.Include(vcl::ssShift);
    if (keyState & win::MK_CONTROL)
        s.Include(vcl::ssCtrl);
    if (keyState & win::MK_LBUTTON)
        s.Include(vcl::ssLeft);
    if (keyState & win::MK_RBUTTON)
        s.Include(vcl::ssRight);
    if (keyState & win::MK_MBUTTON)
        s.Include(vcl::ssMiddle);
    if (keyState & win::MK_ALT)
        s.Include(vcl::ssAlt);
    return s;
}

int32_t ShiftStateToDropEffect(TShiftState shiftState, int32_t allowedEffects, bool fallback) {
    int32_t asked;
    if (shiftState.Contains(vcl::ssShift) && shiftState.Contains(vcl::ssCtrl))
        asked = win::DROPEFFECT_LINK;
    else if (shiftState.Contains(vcl::ssCtrl))
        asked = win::DROPEFFECT_COPY;
    else
        asked = win::DROPEFFECT_MOVE;
    if (allowedEffects & asked)
        return asked;
    if (!fallback)
        return 0;
    for (int32_t e : {win::DROPEFFECT_COPY, win::DROPEFFECT_MOVE, win::DROPEFFECT_LINK})
        if (allowedEffects & e)
            return e;
    return 0;
}

bool DropEffectToDragType(int32_t effect, TDragType& dragType) {
    dragType = dtCopy;
    if (effect & win::DROPEFFECT_COPY)
        return true;
    if (effect & win::DROPEFFECT_MOVE) {
        dragType = dtMove;
        return true;
    }
    if (effect & win::DROPEFFECT_LINK) {
        dragType = dtLink;
        return true;
    }
    return false;
}

int32_t DragTypesToDropEffect(TDragTypes dragTypes) {
    return int32_t(dragTypes.ToBits() & 7);
}

TPoint ClientToWindowPoint(win::HWND window, TPoint point) {
    win::ClientToScreen(window, &point);
    win::TRect r;
    win::GetWindowRect(window, &r);
    return {point.X - r.Left, point.Y - r.Top};
}

bool CopyMedium(const win::STGMEDIUM& source, win::STGMEDIUM& dest) {
    return win::CopyStgMedium(&source, &dest) == win::S_OK;
}

std::string GetClipboardFormatNameStr(uint16_t format) {
    char buffer[256] = {};
    int n = win::GetClipboardFormatName(format, buffer, 255);
    return std::string(buffer, size_t(std::max(n, 0)));
}

// ---- Start-up -----------------------------------------------------------------------------------------------

void InitializeDragDrop() {
    if (dragDropInitCount++ > 0)
        return;
    RegisterStandardFormats();
    win::OleInitialize(nullptr);
    win::SHGetMalloc(dragDropShellMalloc.Put());
    RegisterPIDLFormats();
    RegisterDropTargetTables();
    RegisterFileFormats();
    RegisterDropSourceTables();
}

void FinalizeDragDrop() {
    if (dragDropInitCount == 0 || --dragDropInitCount > 0)
        return;
    UnregisterFileFormats();
    UnregisterPIDLFormats();
    dragDropMap.reset();
    dragDropClasses.reset();
    dragDropShellMalloc = nullptr;
    win::OleUninitialize();
    UnregisterStandardFormats();
}

} // namespace dragdrop
