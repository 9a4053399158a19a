#include "dragdrop/DragDropFile.h"

#include "platform/vcl/TypInfo.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/ole/Clipboard.h"

namespace dragdrop {

// ---- One name --------------------------------------------------------------------------------------------

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFilenameClipboardFormat, TCustomTextClipboardFormat,
                                 NewClipboardFormat<TFilenameClipboardFormat>)

uint16_t TFilenameClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILENAMEA);
}

bool TFilenameClipboardFormat::Assign(TCustomDataFormat* source) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(source)) {
        if (files->GetFiles()->Count() == 0)
            return false;
        SetText(files->GetFiles()->Get(0));
        return true;
    }
    return TCustomTextClipboardFormat::Assign(source);
}

bool TFilenameClipboardFormat::AssignTo(TCustomDataFormat* dest) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(dest)) {
        files->GetFiles()->Add(GetText());
        return true;
    }
    return TCustomTextClipboardFormat::AssignTo(dest);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFilenameWClipboardFormat, TCustomWideTextClipboardFormat,
                                 NewClipboardFormat<TFilenameWClipboardFormat>)

uint16_t TFilenameWClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILENAMEW);
}

bool TFilenameWClipboardFormat::Assign(TCustomDataFormat* source) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(source)) {
        if (files->GetFiles()->Count() == 0)
            return false;
        SetWideText(win::Utf8ToUtf16(files->GetFiles()->Get(0)));
        return true;
    }
    return TCustomWideTextClipboardFormat::Assign(source);
}

bool TFilenameWClipboardFormat::AssignTo(TCustomDataFormat* dest) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(dest)) {
        // The block's characters up to its terminator.
        std::u16string name = GetWideText();
        name = name.substr(0, name.find(u'\0'));
        files->GetFiles()->Add(win::Utf16ToUtf8(name));
        return true;
    }
    return TCustomWideTextClipboardFormat::AssignTo(dest);
}

// ---- Name maps ----------------------------------------------------------------------------------------------

TFilenameMapFormat::TFilenameMapFormat(bool wide) : FFileMaps(std::make_unique<vcl::TStringList>()), FWide(wide) {}

TFilenameMapFormat::~TFilenameMapFormat() = default;

bool TFilenameMapFormat::ReadData(const void* buffer, size_t size) {
    FFileMaps->Clear();
    return ReadNameList(buffer, size, FWide, FFileMaps.get());
}

bool TFilenameMapFormat::WriteData(void* buffer, size_t size) {
    WriteNameList(buffer, size, FWide, FFileMaps.get());
    return true;
}

int64_t TFilenameMapFormat::GetDataSize() {
    return NameListSize(FFileMaps.get(), FWide);
}

bool TFilenameMapFormat::Assign(TCustomDataFormat* source) {
    if (auto* maps = dynamic_cast<TFileMapDataFormat*>(source)) {
        FFileMaps->Assign(maps->GetFileMaps());
        return true;
    }
    return TCustomSimpleClipboardFormat::Assign(source);
}

bool TFilenameMapFormat::AssignTo(TCustomDataFormat* dest) {
    if (auto* maps = dynamic_cast<TFileMapDataFormat*>(dest)) {
        maps->GetFileMaps()->Assign(FFileMaps.get());
        return true;
    }
    return TCustomSimpleClipboardFormat::AssignTo(dest);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFilenameMapClipboardFormat, TCustomSimpleClipboardFormat,
                                 NewClipboardFormat<TFilenameMapClipboardFormat>)

uint16_t TFilenameMapClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILENAMEMAPA);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFilenameMapWClipboardFormat, TCustomSimpleClipboardFormat,
                                 NewClipboardFormat<TFilenameMapWClipboardFormat>)

uint16_t TFilenameMapWClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILENAMEMAPW);
}

// ---- Data formats -----------------------------------------------------------------------------------------

DRAGDROP_DEFINE_DATA_FORMAT(TFileDataFormat, TCustomDataFormat)

TFileDataFormat::TFileDataFormat(TDragDropComponent* owner)
    : TCustomDataFormat(owner, StaticClass()), FFiles(std::make_unique<vcl::TStringList>()) {
    FFiles->SetOnChanging([this](vcl::TObject* sender) { ListChanging(sender); });
}

TFileDataFormat::~TFileDataFormat() = default;

bool TFileDataFormat::Assign(TClipboardFormat* source) {
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(source)) {
        FFiles->Assign(files->GetFiles());
        return true;
    }
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(source)) {
        FFiles->Assign(pidl->GetFilenames());
        return true;
    }
    return TCustomDataFormat::Assign(source);
}

bool TFileDataFormat::AssignTo(TClipboardFormat* dest) {
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(dest)) {
        files->GetFiles()->Assign(FFiles.get());
        return true;
    }
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(dest)) {
        pidl->GetFilenames()->Assign(FFiles.get());
        return true;
    }
    return TCustomDataFormat::AssignTo(dest);
}

DRAGDROP_DEFINE_DATA_FORMAT(TFileMapDataFormat, TCustomDataFormat)

TFileMapDataFormat::TFileMapDataFormat(TDragDropComponent* owner)
    : TCustomDataFormat(owner, StaticClass()), FFileMaps(std::make_unique<vcl::TStringList>()) {
    FFileMaps->SetOnChanging([this](vcl::TObject* sender) { ListChanging(sender); });
}

TFileMapDataFormat::~TFileMapDataFormat() = default;

bool TFileMapDataFormat::Assign(TClipboardFormat* source) {
    if (auto* maps = dynamic_cast<TFilenameMapFormat*>(source)) {
        FFileMaps->Assign(maps->GetFileMaps());
        return true;
    }
    return TCustomDataFormat::Assign(source);
}

bool TFileMapDataFormat::AssignTo(TClipboardFormat* dest) {
    if (auto* maps = dynamic_cast<TFilenameMapFormat*>(dest)) {
        maps->GetFileMaps()->Assign(FFileMaps.get());
        return true;
    }
    return TCustomDataFormat::AssignTo(dest);
}

// ---- TFileDropTarget ---------------------------------------------------------------------------------------

TFileDropTarget::TFileDropTarget(vcl::TComponent* owner) : TCustomDropMultiTarget(owner) {
    FFileFormat = new TFileDataFormat(this);
    FFileMapFormat = new TFileMapDataFormat(this);
    SetOptimizedMove(true);
}

int32_t TFileDropTarget::GetPreferredDropEffect() {
    int32_t effect = TCustomDropMultiTarget::GetPreferredDropEffect();
    return effect ? effect : int32_t(win::DROPEFFECT_COPY);
}

void RegisterFileFormats() {
    const TFormatScopes both{fsSource, fsTarget};
    const TFormatDirections get{fdGet};
    TDataFormatClass files = TFileDataFormat::StaticClass();
    TDataFormatClass maps = TFileMapDataFormat::StaticClass();
    RegisterFormatConversion(files, TFileClipboardFormat::StaticClass(), 0, get, both);
    RegisterFormatConversion(files, TPIDLClipboardFormat::StaticClass(), 1, get, both);
    RegisterFormatConversion(files, TFilenameClipboardFormat::StaticClass(), 2, get, both);
    RegisterFormatConversion(files, TFilenameWClipboardFormat::StaticClass(), 2, get, both);
    RegisterFormatConversion(maps, TFilenameMapClipboardFormat::StaticClass(), 0, get, both);
    RegisterFormatConversion(maps, TFilenameMapWClipboardFormat::StaticClass(), 0, get, both);
    RegisterDataFormat(files);
    RegisterDataFormat(maps);
    vcl::DefineClassProperties<TFileDropTarget, TCustomDropMultiTarget>();
    vcl::RegisterClass<TFileDropTarget>("TFileDropTarget");
}

void UnregisterFileFormats() {
    UnregisterDataFormat(TFileDataFormat::StaticClass());
    UnregisterDataFormat(TFileMapDataFormat::StaticClass());
    for (TClipboardFormatClass c :
         {TFileClipboardFormat::StaticClass(), TFilenameClipboardFormat::StaticClass(),
          TFilenameWClipboardFormat::StaticClass(), TFilenameMapClipboardFormat::StaticClass(),
          TFilenameMapWClipboardFormat::StaticClass()})
        UnregisterClipboardFormat(c);
}

} // namespace dragdrop
