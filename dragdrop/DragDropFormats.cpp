#include "dragdrop/DragDropFormats.h"

#include "platform/vcl/Scope.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/ole/Clipboard.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

namespace dragdrop {

namespace {

// Registered ids, looked up once per name.
std::atomic<uint16_t> formatsFileContents{0}; // shared by both file-contents classes

// Releases a medium when the scope ends.
struct FormatsMediumGuard {
    win::STGMEDIUM& FMedium;
    ~FormatsMediumGuard() { win::ReleaseStgMedium(&FMedium); }
};

} // namespace

// ---- TStreamList -----------------------------------------------------------------------------------------

TStreamList::~TStreamList() {
    Clear();
}

void TStreamList::Changing() {
    if (OnChanging)
        OnChanging(this);
}

int32_t TStreamList::Add(vcl::TStream* stream, const std::string& name) {
    std::unique_ptr<vcl::TStream> owned(stream);
    Changing();
    FStreams.push_back(std::move(owned));
    FNames.push_back(name);
    return int32_t(FStreams.size()) - 1;
}

void TStreamList::Clear() {
    Changing();
    FStreams.clear();
    FNames.clear();
}

void TStreamList::Assign(TStreamList* source) {
    Clear();
    Changing();
    FStreams = std::move(source->FStreams);
    FNames = std::move(source->FNames);
    source->Changing();
    source->FStreams.clear();
    source->FNames.clear();
}

// ---- TFixedStreamAdapter -------------------------------------------------------------------------------------

win::HRESULT TFixedStreamAdapter::CopyTo(win::IStream* dest, win::ULONGLONG count, win::ULONGLONG* read,
                                         win::ULONGLONG* written) {
    uint64_t totalRead = 0, totalWritten = 0;
    auto report = [&](win::HRESULT hr) {
        if (read)
            *read = totalRead;
        if (written)
            *written = totalWritten;
        return hr;
    };
    try {
        if (!dest)
            return report(win::STG_E_INVALIDPOINTER);
        vcl::TStream* stream = GetStream();
        if (int32_t(count >> 32) < 0) {
            // "The rest": a stream left at its end (as a writer leaves it) is read from its start.
            if (stream->GetPosition() >= stream->GetSize())
                stream->SetPosition(0);
            count = uint64_t(std::max<int64_t>(stream->GetSize() - stream->GetPosition(), 0));
        }
        std::vector<uint8_t> buffer(size_t(std::min<uint64_t>(count, CopyBufferSize)));
        uint64_t remaining = count;
        while (remaining > 0) {
            int32_t n = stream->Read(buffer.data(), int32_t(std::min<uint64_t>(remaining, buffer.size())));
            if (n <= 0)
                break;
            totalRead += uint64_t(n);
            win::ULONG out = 0;
            win::HRESULT hr = dest->Write(buffer.data(), win::ULONG(n), &out);
            totalWritten += out;
            if (win::FAILED(hr))
                return report(hr);
            if (out < win::ULONG(n))
                return report(win::E_FAIL);
            remaining -= std::min<uint64_t>(remaining, out);
        }
        return report(win::S_OK);
    } catch (...) {
        return report(win::E_UNEXPECTED);
    }
}

// ---- TCustomSimpleClipboardFormat ---------------------------------------------------------------------------

bool TCustomSimpleClipboardFormat::DoGetData(win::IDataObject*, const win::STGMEDIUM& medium) {
    uint64_t size = 0;
    if (medium.tymed == win::TYMED_HGLOBAL) {
        size = win::GlobalSize(medium.hGlobal);
    } else if (medium.tymed == win::TYMED_ISTREAM && medium.pstm) {
        win::STATSTG stat;
        if (win::FAILED(medium.pstm->Stat(&stat, win::STATFLAG_NONAME)))
            return false;
        size = stat.cbSize;
        if (size > MaxDropBlockSize)
            return false;
    } else {
        return false;
    }
    return size > 0 && ReadDataFromMedium(medium, size_t(size));
}

bool TCustomSimpleClipboardFormat::ReadDataFromMedium(const win::STGMEDIUM& medium, size_t size) {
    if (medium.tymed == win::TYMED_HGLOBAL) {
        // The block holds what GlobalSize says; a smaller size reads its start.
        if (size > win::GlobalSize(medium.hGlobal))
            return false;
        const void* p = win::GlobalLock(medium.hGlobal);
        if (!p)
            return false;
        vcl::ScopeExit unlock([&]() noexcept { win::GlobalUnlock(medium.hGlobal); });
        return ReadData(p, size);
    }
    if (medium.tymed == win::TYMED_ISTREAM && medium.pstm && size <= MaxDropBlockSize) {
        std::vector<uint8_t> buffer(size);
        return CopyDataFromMedium(medium, size, buffer.data()) && ReadData(buffer.data(), size);
    }
    return false;
}

bool TCustomSimpleClipboardFormat::CopyDataFromMedium(const win::STGMEDIUM& medium, size_t size, void* buffer) {
    if (medium.tymed == win::TYMED_HGLOBAL) {
        if (size > win::GlobalSize(medium.hGlobal))
            return false;
        const void* p = win::GlobalLock(medium.hGlobal);
        if (!p)
            return false;
        std::memcpy(buffer, p, size);
        win::GlobalUnlock(medium.hGlobal);
        return true;
    }
    if (medium.tymed != win::TYMED_ISTREAM || !medium.pstm || size > std::numeric_limits<win::ULONG>::max())
        return false;
    // A writer leaves its stream at the end: the block starts at 0.
    if (win::FAILED(medium.pstm->Seek(0, win::STREAM_SEEK_SET, nullptr)))
        return false;
    win::ULONG got = 0;
    return medium.pstm->Read(buffer, win::ULONG(size), &got) == win::S_OK && got == size;
}

bool TCustomSimpleClipboardFormat::DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) {
    int64_t size = GetDataSize();
    if (size <= 0)
        return false;
    if (formatEtc.tymed & win::TYMED_ISTREAM) {
        TFixedStreamAdapter* adapter = nullptr;
        try {
            auto* stream = new vcl::TMemoryStream;
            adapter = new TFixedStreamAdapter(stream); // owns the stream from here on
            stream->SetSize(size);
            std::memset(stream->Memory(), 0, size_t(size));
            if (!WriteData(stream->Memory(), size_t(size))) {
                adapter->Release();
                return false;
            }
            stream->SetPosition(size);
        } catch (...) {
            if (adapter)
                adapter->Release();
            return false;
        }
        medium.tymed = win::TYMED_ISTREAM;
        medium.pstm = adapter;
        medium.pUnkForRelease = nullptr;
        return true;
    }
    if (formatEtc.tymed & win::TYMED_HGLOBAL) {
        win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT | win::GMEM_DDESHARE, size_t(size));
        if (!block)
            return false;
        void* p = win::GlobalLock(block);
        bool ok = false;
        try {
            ok = p && WriteData(p, size_t(size));
        } catch (...) {
            ok = false;
        }
        if (p)
            win::GlobalUnlock(block);
        if (!ok) {
            win::GlobalFree(block);
            return false;
        }
        medium.tymed = win::TYMED_HGLOBAL;
        medium.hGlobal = block;
        medium.pUnkForRelease = nullptr;
        return true;
    }
    return false;
}

// ---- String, text, wide text and 32-bit values --------------------------------------------------------------

bool TCustomStringClipboardFormat::ReadData(const void* buffer, size_t size) {
    const char* p = static_cast<const char*>(buffer);
    size_t n = size;
    if (FTrimZeroes)
        n = size_t(std::find(p, p + size, '\0') - p);
    FData.assign(p, n);
    return true;
}

bool TCustomStringClipboardFormat::WriteData(void* buffer, size_t size) {
    // The string's own terminating zero may be the last byte written.
    if (uint64_t(FData.size()) + 1 < size)
        return false;
    std::memcpy(buffer, FData.c_str(), size);
    return true;
}

int64_t TCustomStringClipboardFormat::GetDataSize() {
    return int64_t(FData.size());
}

int64_t TCustomTextClipboardFormat::GetDataSize() {
    int64_t n = int64_t(FData.size());
    return n > 0 && FData.back() != '\0' ? n + 1 : n;
}

bool TCustomWideTextClipboardFormat::ReadData(const void* buffer, size_t size) {
    FWideText.resize(size / 2);
    std::memcpy(FWideText.data(), buffer, FWideText.size() * 2);
    return true;
}

bool TCustomWideTextClipboardFormat::WriteData(void* buffer, size_t size) {
    if (2 * uint64_t(FWideText.size()) + 2 < size)
        return false;
    std::memcpy(buffer, FWideText.c_str(), size);
    return true;
}

int64_t TCustomWideTextClipboardFormat::GetDataSize() {
    int64_t n = 2 * int64_t(FWideText.size());
    return n > 0 && FWideText.back() != 0 ? n + 2 : n;
}

bool TCustomDWORDClipboardFormat::ReadData(const void* buffer, size_t size) {
    if (size < 4)
        return false;
    std::memcpy(&FValue, buffer, 4);
    return true;
}

bool TCustomDWORDClipboardFormat::WriteData(void* buffer, size_t size) {
    if (size != 4)
        return false;
    std::memcpy(buffer, &FValue, 4);
    return true;
}

// ---- File group descriptors ------------------------------------------------------------------------------------

template <class Block, size_t ItemSize> uint32_t TFileGroupDescriptorFormat<Block, ItemSize>::Count() const {
    uint32_t count = 0;
    if (FBlock.size() >= 4)
        std::memcpy(&count, FBlock.data(), 4);
    return count;
}

template <class Block, size_t ItemSize>
bool TFileGroupDescriptorFormat<Block, ItemSize>::ReadData(const void* buffer, size_t size) {
    // The count first, then the size rule: the block holds exactly the items it counts (and any tail).
    if (size < 4)
        return false;
    uint32_t count = 0;
    std::memcpy(&count, buffer, 4);
    if ((uint64_t(size) - 4) / ItemSize != count)
        return false;
    const auto* p = static_cast<const uint8_t*>(buffer);
    FBlock.assign(p, p + uint64_t(count) * ItemSize + 4);
    return true;
}

template <class Block, size_t ItemSize>
bool TFileGroupDescriptorFormat<Block, ItemSize>::WriteData(void* buffer, size_t size) {
    if (FBlock.empty() || size < 4 || (uint64_t(size) - 4) / ItemSize != Count())
        return false;
    std::memcpy(buffer, FBlock.data(), std::min(size, FBlock.size()));
    return true;
}

template <class Block, size_t ItemSize> void TFileGroupDescriptorFormat<Block, ItemSize>::SetDescriptor(const Block* block) {
    FBlock.clear();
    if (!block)
        return;
    uint32_t count = 0;
    std::memcpy(&count, block, 4);
    const auto* p = reinterpret_cast<const uint8_t*>(block);
    FBlock.assign(p, p + uint64_t(count) * ItemSize + 4);
}

template class TFileGroupDescriptorFormat<win::FILEGROUPDESCRIPTORA, 332>;
template class TFileGroupDescriptorFormat<win::FILEGROUPDESCRIPTORW, 592>;

// ---- The formats and their ids ------------------------------------------------------------------------------

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TTextClipboardFormat, TCustomTextClipboardFormat, NewClipboardFormat<TTextClipboardFormat>)
uint16_t TTextClipboardFormat::GetClipboardFormat() {
    return uint16_t(win::CF_TEXT);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFileGroupDescritorClipboardFormat, TCustomSimpleClipboardFormat,
                                 NewClipboardFormat<TFileGroupDescritorClipboardFormat>)
uint16_t TFileGroupDescritorClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILEDESCRIPTORA);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFileGroupDescritorWClipboardFormat, TCustomSimpleClipboardFormat,
                                 NewClipboardFormat<TFileGroupDescritorWClipboardFormat>)
uint16_t TFileGroupDescritorWClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_FILEDESCRIPTORW);
}

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFileContentsClipboardFormat, TCustomTextClipboardFormat,
                                 NewClipboardFormat<TFileContentsClipboardFormat>)
uint16_t TFileContentsClipboardFormat::GetClipboardFormat() {
    return CachedClipboardFormat(formatsFileContents, win::CFSTR_FILECONTENTS);
}

#define DRAGDROP_DWORD_FORMAT(Class, Name)                                                                   \
    DRAGDROP_DEFINE_CLIPBOARD_FORMAT(Class, TCustomDWORDClipboardFormat, NewClipboardFormat<Class>)          \
    uint16_t Class::GetClipboardFormat() {                                                                   \
        static std::atomic<uint16_t> id{0};                                                                              \
        return CachedClipboardFormat(id, Name);                                                                    \
    }

DRAGDROP_DWORD_FORMAT(TPreferredDropEffectClipboardFormat, win::CFSTR_PREFERREDDROPEFFECT)
DRAGDROP_DWORD_FORMAT(TPerformedDropEffectClipboardFormat, win::CFSTR_PERFORMEDDROPEFFECT)
DRAGDROP_DWORD_FORMAT(TLogicalPerformedDropEffectClipboardFormat, win::CFSTR_LOGICALPERFORMEDDROPEFFECT)
DRAGDROP_DWORD_FORMAT(TPasteSuccededClipboardFormat, win::CFSTR_PASTESUCCEEDED)
DRAGDROP_DWORD_FORMAT(TInShellDragLoopClipboardFormat, win::CFSTR_INDRAGLOOP)
#undef DRAGDROP_DWORD_FORMAT

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TTargetCLSIDClipboardFormat, TCustomSimpleClipboardFormat,
                                 NewClipboardFormat<TTargetCLSIDClipboardFormat>)
uint16_t TTargetCLSIDClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_TARGETCLSID);
}

bool TTargetCLSIDClipboardFormat::ReadData(const void* buffer, size_t size) {
    if (size != 16)
        return false;
    std::memcpy(&FCLSID, buffer, 16);
    return true;
}

bool TTargetCLSIDClipboardFormat::WriteData(void* buffer, size_t size) {
    if (size != 16)
        return false;
    std::memcpy(buffer, &FCLSID, 16);
    return true;
}

// ---- File contents as streams -----------------------------------------------------------------------------

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFileContentsStreamClipboardFormat, TClipboardFormat,
                                 NewClipboardFormat<TFileContentsStreamClipboardFormat>)

TFileContentsStreamClipboardFormat::TFileContentsStreamClipboardFormat()
    : FStreams(std::make_unique<TStreamList>()) {
    SetMedia(win::TYMED_ISTREAM);
}

TFileContentsStreamClipboardFormat::~TFileContentsStreamClipboardFormat() = default;

uint16_t TFileContentsStreamClipboardFormat::GetClipboardFormat() {
    return CachedClipboardFormat(formatsFileContents, win::CFSTR_FILECONTENTS);
}

namespace {

// The whole of a foreign stream from its start, at most its Stat size (within MaxDropBlockSize), into a
// memory stream that grows only with what was read; null when Stat, the seek or a read fails.
std::unique_ptr<vcl::TMemoryStream> FormatsReadStream(win::IStream* source) {
    win::STATSTG stat;
    if (win::FAILED(source->Stat(&stat, win::STATFLAG_NONAME)) || stat.cbSize > MaxDropBlockSize)
        return nullptr;
    if (win::FAILED(source->Seek(0, win::STREAM_SEEK_SET, nullptr)))
        return nullptr;
    auto stream = std::make_unique<vcl::TMemoryStream>();
    std::vector<uint8_t> chunk(size_t(std::min<uint64_t>(stat.cbSize, TFixedStreamAdapter::CopyBufferSize)));
    uint64_t remaining = stat.cbSize;
    while (remaining > 0) {
        win::ULONG got = 0;
        win::HRESULT hr = source->Read(chunk.data(), win::ULONG(std::min<uint64_t>(remaining, chunk.size())), &got);
        if (win::FAILED(hr))
            return nullptr;
        if (got == 0)
            break;
        got = win::ULONG(std::min<uint64_t>(got, remaining));
        stream->WriteBuffer(chunk.data(), int32_t(got));
        remaining -= got;
    }
    stream->SetPosition(0);
    return stream;
}

std::string FormatsDescriptorName(const win::FILEGROUPDESCRIPTORA* descriptor, int32_t item) {
    const char* name = reinterpret_cast<const char*>(descriptor) + 4 + size_t(item) * sizeof(win::FILEDESCRIPTORA) +
                       offsetof(win::FILEDESCRIPTORA, cFileName);
    return std::string(name, strnlen(name, win::MAX_PATH));
}

} // namespace

bool TFileContentsStreamClipboardFormat::GetData(win::IDataObject* dataObject) {
    Clear();
    if (!dataObject)
        return false;
    TFileGroupDescritorClipboardFormat descriptor;
    int32_t count = 0, index = -1;
    if (descriptor.GetData(dataObject)) {
        count = int32_t(std::min<uint32_t>(descriptor.Count(), uint32_t(std::numeric_limits<int32_t>::max())));
        index = 0;
    }
    bool result = false;
    while (index < count) {
        win::FORMATETC f = GetFormatEtc();
        f.lindex = index;
        win::STGMEDIUM medium;
        if (dataObject->GetData(&f, &medium) != win::S_OK)
            break;
        ++index;
        FormatsMediumGuard release{medium};
        if (medium.tymed != win::TYMED_ISTREAM || !medium.pstm)
            continue;
        std::unique_ptr<vcl::TMemoryStream> stream = FormatsReadStream(medium.pstm);
        if (!stream)
            continue;
        std::string name = index > 0 && descriptor.GetDescriptor()
                               ? FormatsDescriptorName(descriptor.GetDescriptor(), index - 1)
                               : std::string();
        FStreams->Add(stream.release(), name);
        result = true;
    }
    return result;
}

bool TFileContentsStreamClipboardFormat::AssignTo(TCustomDataFormat* dest) {
    if (auto* streams = dynamic_cast<TDataStreamDataFormat*>(dest)) {
        streams->GetStreams()->Assign(FStreams.get());
        return true;
    }
    return TClipboardFormat::AssignTo(dest);
}

// ---- TTextDataFormat ---------------------------------------------------------------------------------------

DRAGDROP_DEFINE_DATA_FORMAT(TTextDataFormat, TCustomDataFormat)

void TTextDataFormat::SetText(const std::string& value) {
    Changing();
    FText = value;
}

void TTextDataFormat::Clear() {
    Changing();
    FText.clear();
}

bool TTextDataFormat::Assign(TClipboardFormat* source) {
    if (auto* text = dynamic_cast<TTextClipboardFormat*>(source)) {
        SetText(text->GetText());
        return true;
    }
    if (auto* contents = dynamic_cast<TFileContentsClipboardFormat*>(source)) {
        SetText(contents->GetText());
        return true;
    }
    return TCustomDataFormat::Assign(source);
}

namespace {

template <class Item, class Char> void FormatsTextScrapItem(Item& item, const std::basic_string<Char>& name) {
    item = Item{};
    size_t n = std::min<size_t>(name.size(), win::MAX_PATH - 1);
    std::copy(name.begin(), name.begin() + ptrdiff_t(n), item.cFileName);
}

} // namespace

bool TTextDataFormat::AssignTo(TClipboardFormat* dest) {
    static const char* const scrapName = "Text scrap.txt";
    if (auto* text = dynamic_cast<TTextClipboardFormat*>(dest)) {
        text->SetText(FText);
        return true;
    }
    if (auto* contents = dynamic_cast<TFileContentsClipboardFormat*>(dest)) {
        contents->SetText(FText);
        return true;
    }
    if (auto* descriptor = dynamic_cast<TFileGroupDescritorClipboardFormat*>(dest)) {
        win::FILEGROUPDESCRIPTORA block{};
        block.cItems = 1;
        FormatsTextScrapItem(block.fgd[0], std::string(scrapName));
        descriptor->SetDescriptor(&block);
        return true;
    }
    if (auto* descriptor = dynamic_cast<TFileGroupDescritorWClipboardFormat*>(dest)) {
        win::FILEGROUPDESCRIPTORW block{};
        block.cItems = 1;
        FormatsTextScrapItem(block.fgd[0], win::Utf8ToUtf16(scrapName));
        descriptor->SetDescriptor(&block);
        return true;
    }
    return TCustomDataFormat::AssignTo(dest);
}

// ---- TDataStreamDataFormat --------------------------------------------------------------------------------------

DRAGDROP_DEFINE_DATA_FORMAT(TDataStreamDataFormat, TCustomDataFormat)

TDataStreamDataFormat::TDataStreamDataFormat(TDragDropComponent* owner)
    : TCustomDataFormat(owner, StaticClass()), FStreams(std::make_unique<TStreamList>()) {
    FStreams->OnChanging = [this](TObject* sender) { ListChanging(sender); };
}

TDataStreamDataFormat::~TDataStreamDataFormat() {
    Clear();
}

void TDataStreamDataFormat::Clear() {
    Changing();
    FStreams->Clear();
}

// ---- TFeedbackDataFormat ------------------------------------------------------------------------------------

DRAGDROP_DEFINE_DATA_FORMAT(TFeedbackDataFormat, TCustomDataFormat)

void TFeedbackDataFormat::SetPreferredDropEffect(int32_t value) {
    Changing();
    FPreferredDropEffect = value;
}

void TFeedbackDataFormat::SetPerformedDropEffect(int32_t value) {
    Changing();
    FPerformedDropEffect = value;
}

void TFeedbackDataFormat::SetInShellDragLoop(bool value) {
    Changing();
    FInShellDragLoop = value;
}

void TFeedbackDataFormat::Clear() {
    Changing();
    FPreferredDropEffect = 0;
    FPerformedDropEffect = 0;
    FInShellDragLoop = false;
    FGotInShellDragLoop = false;
}

bool TFeedbackDataFormat::HasData() {
    return FPreferredDropEffect != 0 || FPerformedDropEffect != 0 || FPasteSucceeded != 0 || FGotInShellDragLoop;
}

bool TFeedbackDataFormat::NeedsData() {
    return !(FPreferredDropEffect != 0 && FPerformedDropEffect != 0 && FPasteSucceeded != 0 && FGotInShellDragLoop);
}

bool TFeedbackDataFormat::Assign(TClipboardFormat* source) {
    if (auto* f = dynamic_cast<TPreferredDropEffectClipboardFormat*>(source))
        FPreferredDropEffect = int32_t(f->GetValue());
    else if (auto* f = dynamic_cast<TPerformedDropEffectClipboardFormat*>(source))
        FPerformedDropEffect = int32_t(f->GetValue());
    else if (auto* f = dynamic_cast<TLogicalPerformedDropEffectClipboardFormat*>(source))
        FLogicalPerformedDropEffect = int32_t(f->GetValue());
    else if (auto* f = dynamic_cast<TPasteSuccededClipboardFormat*>(source))
        FPasteSucceeded = int32_t(f->GetValue());
    else if (auto* f = dynamic_cast<TTargetCLSIDClipboardFormat*>(source))
        FTargetCLSID = f->GetCLSID();
    else if (auto* f = dynamic_cast<TInShellDragLoopClipboardFormat*>(source)) {
        FInShellDragLoop = f->GetInShellDragLoop();
        FGotInShellDragLoop = true;
    } else
        return TCustomDataFormat::Assign(source);
    return true;
}

bool TFeedbackDataFormat::AssignTo(TClipboardFormat* dest) {
    if (auto* f = dynamic_cast<TPreferredDropEffectClipboardFormat*>(dest))
        f->SetValue(uint32_t(FPreferredDropEffect));
    else if (auto* f = dynamic_cast<TPerformedDropEffectClipboardFormat*>(dest))
        f->SetValue(uint32_t(FPerformedDropEffect));
    else if (auto* f = dynamic_cast<TLogicalPerformedDropEffectClipboardFormat*>(dest))
        f->SetValue(uint32_t(FLogicalPerformedDropEffect));
    else if (auto* f = dynamic_cast<TPasteSuccededClipboardFormat*>(dest))
        f->SetValue(uint32_t(FPasteSucceeded));
    else if (auto* f = dynamic_cast<TTargetCLSIDClipboardFormat*>(dest))
        f->SetCLSID(FTargetCLSID);
    else if (auto* f = dynamic_cast<TInShellDragLoopClipboardFormat*>(dest))
        f->SetInShellDragLoop(FInShellDragLoop);
    else
        return TCustomDataFormat::AssignTo(dest);
    return true;
}

// ---- Registrations ------------------------------------------------------------------------------------------

void RegisterStandardFormats() {
    const TFormatScopes both{fsSource, fsTarget};
    const TFormatDirections get{fdGet}, set{fdSet};
    TDataFormatClass text = TTextDataFormat::StaticClass();
    TDataFormatClass feedback = TFeedbackDataFormat::StaticClass();
    RegisterFormatConversion(text, TTextClipboardFormat::StaticClass(), 0, get, both);
    RegisterFormatConversion(text, TFileContentsClipboardFormat::StaticClass(), 1, get, both);
    RegisterFormatConversion(text, TFileGroupDescritorClipboardFormat::StaticClass(), 1, get, {fsSource});
    RegisterFormatConversion(text, TFileGroupDescritorWClipboardFormat::StaticClass(), 1, get, {fsSource});
    RegisterFormatConversion(feedback, TPreferredDropEffectClipboardFormat::StaticClass(), 0, get, both);
    RegisterFormatConversion(feedback, TPerformedDropEffectClipboardFormat::StaticClass(), 0, set, both);
    RegisterFormatConversion(feedback, TPasteSuccededClipboardFormat::StaticClass(), 0, set, both);
    RegisterFormatConversion(feedback, TInShellDragLoopClipboardFormat::StaticClass(), 0, get, both);
    RegisterFormatConversion(feedback, TTargetCLSIDClipboardFormat::StaticClass(), 0, set, both);
    RegisterFormatConversion(feedback, TLogicalPerformedDropEffectClipboardFormat::StaticClass(), 0, set, both);
    RegisterFormatConversion(TDataStreamDataFormat::StaticClass(), TFileContentsStreamClipboardFormat::StaticClass(),
                             0, get, {fsTarget});
    RegisterDataFormat(text);
    RegisterDataFormat(TDataStreamDataFormat::StaticClass());
}

void UnregisterStandardFormats() {
    UnregisterDataFormat(TTextDataFormat::StaticClass());
    UnregisterDataFormat(TDataStreamDataFormat::StaticClass());
    UnregisterDataFormat(TFeedbackDataFormat::StaticClass());
    for (TClipboardFormatClass c :
         {TTextClipboardFormat::StaticClass(), TFileGroupDescritorClipboardFormat::StaticClass(),
          TFileGroupDescritorWClipboardFormat::StaticClass(), TFileContentsClipboardFormat::StaticClass(),
          TFileContentsStreamClipboardFormat::StaticClass(), TPreferredDropEffectClipboardFormat::StaticClass(),
          TPerformedDropEffectClipboardFormat::StaticClass(), TLogicalPerformedDropEffectClipboardFormat::StaticClass(),
          TPasteSuccededClipboardFormat::StaticClass(), TInShellDragLoopClipboardFormat::StaticClass(),
          TTargetCLSIDClipboardFormat::StaticClass()})
        UnregisterClipboardFormat(c);
}

} // namespace dragdrop
