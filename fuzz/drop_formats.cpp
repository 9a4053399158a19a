// Feeds arbitrary blocks to the drag-and-drop formats, as another program's drop or clipboard would hand
// them over (text, the drop-effect values, descriptors, CF_HDROP, the name lists, "Shell IDList Array"):
// the first byte picks the format, the second the medium (a global block or a stream left at its
// end), the rest is the block. Every format that takes a block must write it back so that it reads the same.
// The same bytes also go, cut into a descriptor and streams, to the file-contents stream reader, and as
// every format at once to the text and feedback data formats through a data object.
#include "dragdrop/DragDropFile.h"
#include "dragdrop/DragDropFormats.h"
#include "dragdrop/DragDropPIDL.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace dragdrop;

class TFuzzWideTextFormat : public TCustomWideTextClipboardFormat {
public:
    uint16_t GetClipboardFormat() override { return uint16_t(win::CF_UNICODETEXT); }
};

std::unique_ptr<TCustomSimpleClipboardFormat> MakeFormat(unsigned which) {
    switch (which % 18) {
    case 0: return std::make_unique<TTextClipboardFormat>();
    case 1: return std::make_unique<TFileContentsClipboardFormat>();
    case 2: return std::make_unique<TFileGroupDescritorClipboardFormat>();
    case 3: return std::make_unique<TFileGroupDescritorWClipboardFormat>();
    case 4: return std::make_unique<TFuzzWideTextFormat>();
    case 5: return std::make_unique<TPreferredDropEffectClipboardFormat>();
    case 6: return std::make_unique<TPerformedDropEffectClipboardFormat>();
    case 7: return std::make_unique<TLogicalPerformedDropEffectClipboardFormat>();
    case 8: return std::make_unique<TPasteSuccededClipboardFormat>();
    case 9: return std::make_unique<TInShellDragLoopClipboardFormat>();
    case 10: return std::make_unique<TTargetCLSIDClipboardFormat>();
    case 11: return std::make_unique<TFileClipboardFormat>();
    case 12: return std::make_unique<TFilenameClipboardFormat>();
    case 13: return std::make_unique<TFilenameWClipboardFormat>();
    case 14: return std::make_unique<TFilenameMapClipboardFormat>();
    case 15: return std::make_unique<TFilenameMapWClipboardFormat>();
    case 16: return std::make_unique<TPIDLClipboardFormat>();
    default: return std::make_unique<TTextClipboardFormat>();
    }
}

win::STGMEDIUM Medium(bool stream, const std::vector<uint8_t>& bytes) {
    win::STGMEDIUM m;
    win::HGLOBAL block = win::GlobalFromBytes(bytes);
    if (!stream) {
        m.tymed = win::TYMED_HGLOBAL;
        m.hGlobal = block;
        return m;
    }
    win::IStream* s = nullptr;
    if (win::FAILED(win::CreateStreamOnHGlobal(block, win::TRUE, &s)))
        std::abort();
    s->Seek(0, win::STREAM_SEEK_END, nullptr);
    m.tymed = win::TYMED_ISTREAM;
    m.pstm = s;
    return m;
}

// What the format writes into a medium of the kind; empty when it writes nothing.
std::vector<uint8_t> Written(TClipboardFormat& format, bool stream) {
    win::FORMATETC f = format.GetFormatEtc();
    f.tymed = stream ? win::TYMED_ISTREAM : win::TYMED_HGLOBAL;
    win::STGMEDIUM m;
    std::vector<uint8_t> bytes;
    if (format.SetDataToMedium(f, m)) {
        if (!win::ReadMediumBytes(m, &bytes))
            std::abort();
        win::ReleaseStgMedium(&m);
    }
    return bytes;
}

std::vector<std::string> Lines(vcl::TStrings* list) {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < list->Count(); ++i)
        lines.push_back(list->Get(i));
    return lines;
}

// The same data read back from what was written.
bool SameData(TCustomSimpleClipboardFormat& a, TCustomSimpleClipboardFormat& b) {
    if (auto* t = dynamic_cast<TCustomTextClipboardFormat*>(&a))
        return t->GetText() == dynamic_cast<TCustomTextClipboardFormat&>(b).GetText();
    if (auto* w = dynamic_cast<TCustomWideTextClipboardFormat*>(&a)) {
        // Wide text keeps the characters of its block, its terminator too: compare without trailing zeros.
        auto trimmed = [](std::u16string s) {
            while (!s.empty() && s.back() == 0)
                s.pop_back();
            return s;
        };
        return trimmed(w->GetWideText()) == trimmed(dynamic_cast<TCustomWideTextClipboardFormat&>(b).GetWideText());
    }
    if (auto* d = dynamic_cast<TCustomDWORDClipboardFormat*>(&a))
        return d->GetValue() == dynamic_cast<TCustomDWORDClipboardFormat&>(b).GetValue();
    if (auto* f = dynamic_cast<TFileClipboardFormat*>(&a))
        return Lines(f->GetFiles()) == Lines(dynamic_cast<TFileClipboardFormat&>(b).GetFiles());
    if (auto* f = dynamic_cast<TFilenameMapFormat*>(&a))
        return Lines(f->GetFileMaps()) == Lines(dynamic_cast<TFilenameMapFormat&>(b).GetFileMaps());
    if (auto* f = dynamic_cast<TPIDLClipboardFormat*>(&a)) {
        // Every item as a path (most are no file-system objects: empty names).
        for (int32_t i = 0; i < f->GetFilenames()->Count(); ++i)
            f->GetFilenames()->Get(i);
        return Lines(f->GetPIDLs()) == Lines(dynamic_cast<TPIDLClipboardFormat&>(b).GetPIDLs());
    }
    if (auto* c = dynamic_cast<TTargetCLSIDClipboardFormat*>(&a))
        return c->GetCLSID() == dynamic_cast<TTargetCLSIDClipboardFormat&>(b).GetCLSID();
    return a.GetDataSize() == b.GetDataSize() &&
           Written(a, false) == Written(b, false);
}

// A data object serving the descriptor and one stream per index, each left at its end.
class FuzzContentsObject final : public win::ComObject<win::IDataObject> {
public:
    win::HRESULT GetData(const win::FORMATETC* f, win::STGMEDIUM* m) override {
        *m = win::STGMEDIUM{};
        if (f->cfFormat == win::RegisterClipboardFormat(win::CFSTR_FILEDESCRIPTORA) && HasDescriptor) {
            *m = Medium(false, Descriptor);
            return win::S_OK;
        }
        if (f->cfFormat != win::RegisterClipboardFormat(win::CFSTR_FILECONTENTS))
            return win::DV_E_FORMATETC;
        auto it = Streams.find(f->lindex);
        if (it == Streams.end())
            return win::DV_E_LINDEX;
        *m = Medium(true, it->second);
        return win::S_OK;
    }
    win::HRESULT GetDataHere(const win::FORMATETC*, win::STGMEDIUM*) override { return win::E_NOTIMPL; }
    win::HRESULT QueryGetData(const win::FORMATETC*) override { return win::S_OK; }
    win::HRESULT GetCanonicalFormatEtc(const win::FORMATETC*, win::FORMATETC*) override { return win::E_NOTIMPL; }
    win::HRESULT SetData(const win::FORMATETC*, win::STGMEDIUM*, win::BOOL) override { return win::E_NOTIMPL; }
    win::HRESULT EnumFormatEtc(win::DWORD, win::IEnumFORMATETC**) override { return win::E_NOTIMPL; }
    win::HRESULT DAdvise(const win::FORMATETC*, win::DWORD, win::IAdviseSink*, win::DWORD*) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT DUnadvise(win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT EnumDAdvise(win::IEnumSTATDATA**) override { return win::E_NOTIMPL; }

    bool HasDescriptor = false;
    std::vector<uint8_t> Descriptor;
    std::map<win::LONG, std::vector<uint8_t>> Streams;
};

void ReadOneFormat(const uint8_t* data, size_t size) {
    unsigned which = data[0];
    bool stream = data[1] & 1;
    std::vector<uint8_t> block(data + 2, data + size);
    auto format = MakeFormat(which);
    win::STGMEDIUM m = Medium(stream, block);
    if (!format->GetDataFromMedium(nullptr, m) || !format->HasData())
        return;
    std::vector<uint8_t> written = Written(*format, stream);
    if (written.empty())
        std::abort(); // data that was read could not be written
    auto again = MakeFormat(which);
    win::STGMEDIUM back = Medium(!stream, written);
    if (!again->GetDataFromMedium(nullptr, back) || !SameData(*format, *again))
        std::abort();
}

void ReadFileContents(const uint8_t* data, size_t size) {
    // Byte 2 says whether there is a descriptor; blocks follow, each a 2-byte length and its bytes.
    auto object = win::ComPtr<FuzzContentsObject>::Attach(new FuzzContentsObject);
    object->HasDescriptor = data[1] & 2;
    size_t at = 2;
    std::vector<std::vector<uint8_t>> blocks;
    while (at + 2 <= size && blocks.size() < 8) {
        size_t n = std::min<size_t>(size_t(data[at]) | (size_t(data[at + 1]) << 8), size - at - 2);
        blocks.emplace_back(data + at + 2, data + at + 2 + n);
        at += 2 + n;
    }
    size_t first = 0;
    if (object->HasDescriptor && !blocks.empty())
        object->Descriptor = blocks[first++];
    for (size_t i = first; i < blocks.size(); ++i)
        object->Streams[win::LONG(i - first) - (object->HasDescriptor ? 0 : 1)] = blocks[i];
    TFileContentsStreamClipboardFormat format;
    format.GetData(object.Get());
    TStreamList* streams = format.GetStreams();
    for (int32_t i = 0; i < streams->Count(); ++i)
        if (streams->Streams(i)->GetSize() > int64_t(size))
            std::abort(); // more than the input could fill
    TDataStreamDataFormat target(nullptr);
    format.AssignTo(&target);
}

void ReadThroughDataObject(const uint8_t* data, size_t size) {
    // The whole input as each of the formats at once.
    std::vector<uint8_t> block(data + 2, data + size);
    std::vector<win::MemoryDataEntry> entries;
    for (const char* name : {win::CFSTR_PREFERREDDROPEFFECT, win::CFSTR_PERFORMEDDROPEFFECT,
                             win::CFSTR_LOGICALPERFORMEDDROPEFFECT, win::CFSTR_PASTESUCCEEDED, win::CFSTR_INDRAGLOOP,
                             win::CFSTR_TARGETCLSID, win::CFSTR_FILECONTENTS})
        entries.push_back({uint16_t(win::RegisterClipboardFormat(name)), block});
    for (const char* name : {win::CFSTR_SHELLIDLIST, win::CFSTR_FILENAMEW, win::CFSTR_FILENAMEA,
                             win::CFSTR_FILENAMEMAPA, win::CFSTR_FILENAMEMAPW})
        entries.push_back({uint16_t(win::RegisterClipboardFormat(name)), block});
    entries.push_back({uint16_t(win::CF_TEXT), block});
    entries.push_back({uint16_t(win::CF_HDROP), block});
    auto object = win::CreateMemoryDataObject(entries);
    TFileDataFormat files(nullptr);
    files.GetData(object.Get());
    TFileMapDataFormat maps(nullptr);
    maps.GetData(object.Get());
    TPIDLDataFormat pidls(nullptr);
    try {
        // Item-id lists made from the names of a CF_HDROP need their folders to exist: a name whose folder
        // does not raises "Invalid filename".
        pidls.GetData(object.Get());
    } catch (const vcl::Exception&) {
    }
    TTextDataFormat text(nullptr);
    text.GetData(object.Get());
    TFeedbackDataFormat feedback(nullptr);
    feedback.GetData(object.Get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (dragdrop::InitializeDragDrop(), true);
    (void)started;
    if (size < 2)
        return 0;
    switch (data[1] >> 6) {
    case 0:
    case 1: ReadOneFormat(data, size); break;
    case 2: ReadFileContents(data, size); break;
    default: ReadThroughDataObject(data, size); break;
    }
    return 0;
}
