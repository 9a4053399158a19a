// The clipboard through data objects.
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/ole/Ole.h"

#include <algorithm>
#include <mutex>

namespace win {

namespace {

struct OleClipboardState {
    std::mutex FLock;
    ComPtr<IDataObject> FCurrent;
    DWORD FSequence = 0; // the clipboard's change count once the object's data was put on it
};

OleClipboardState& OleClip() {
    static auto* state = new OleClipboardState;
    return *state;
}

// Formats whose blocks are not global memory stay out of snapshots.
bool IsBlockFormat(UINT format) {
    return format != CF_BITMAP && format != CF_PALETTE && format != 0;
}

// Puts every global-memory or stream format of the object on the open clipboard.
void RenderFormats(IDataObject* data) {
    ComPtr<IEnumFORMATETC> formats;
    if (FAILED(data->EnumFormatEtc(DATADIR_GET, formats.Put())) || !formats)
        return;
    formats->Reset();
    std::vector<CLIPFORMAT> done;
    FORMATETC f;
    ULONG fetched = 0;
    while (formats->Next(1, &f, &fetched) == S_OK && fetched == 1) {
        if (f.dwAspect != DVASPECT_CONTENT || !(f.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM)) ||
            !IsBlockFormat(f.cfFormat) || std::find(done.begin(), done.end(), f.cfFormat) != done.end())
            continue;
        f.tymed &= TYMED_HGLOBAL | TYMED_ISTREAM;
        STGMEDIUM medium;
        if (FAILED(data->GetData(&f, &medium)))
            continue;
        std::vector<uint8_t> bytes;
        bool ok = ReadMediumBytes(medium, &bytes);
        ReleaseStgMedium(&medium);
        if (!ok)
            continue;
        HGLOBAL block = GlobalFromBytes(bytes);
        if (block && !SetClipboardData(f.cfFormat, block))
            GlobalFree(block);
        done.push_back(f.cfFormat);
    }
}

} // namespace

HRESULT OleSetClipboard(IDataObject* data) {
    if (!OpenClipboard(nullptr))
        return CLIPBRD_E_CANT_OPEN;
    OleClipboardState& s = OleClip();
    ComPtr<IDataObject> previous;
    {
        std::lock_guard<std::mutex> guard(s.FLock);
        previous = std::move(s.FCurrent);
    }
    EmptyClipboard();
    if (data)
        RenderFormats(data);
    DWORD sequence = GetClipboardSequenceNumber();
    CloseClipboard();
    std::lock_guard<std::mutex> guard(s.FLock);
    s.FCurrent = ComPtr<IDataObject>(data);
    s.FSequence = sequence;
    return S_OK;
}

HRESULT OleGetClipboard(IDataObject** data) {
    if (!data)
        return E_INVALIDARG;
    *data = nullptr;
    OleClipboardState& s = OleClip();
    {
        std::lock_guard<std::mutex> guard(s.FLock);
        if (s.FCurrent && s.FSequence == GetClipboardSequenceNumber()) {
            *data = s.FCurrent.Get();
            (*data)->AddRef();
            return S_OK;
        }
        s.FCurrent = nullptr; // someone else changed the clipboard since
    }
    if (!OpenClipboard(nullptr))
        return CLIPBRD_E_CANT_OPEN;
    std::vector<MemoryDataEntry> entries;
    auto take = [&](UINT format) {
        if (!IsBlockFormat(format) || format > 0xFFFF)
            return;
        for (auto& e : entries)
            if (e.Format == format)
                return;
        HANDLE block = GetClipboardData(format);
        if (!block)
            return;
        STGMEDIUM medium;
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
        MemoryDataEntry entry;
        entry.Format = CLIPFORMAT(format);
        if (ReadMediumBytes(medium, &entry.Bytes))
            entries.push_back(std::move(entry));
    };
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
        take(f);
    // What a desktop holds comes through the bridge only when asked for by name.
    take(CF_TEXT);
    take(CF_HDROP);
    CloseClipboard();
    *data = CreateMemoryDataObject(std::move(entries)).Detach();
    return S_OK;
}

HRESULT OleFlushClipboard() {
    OleClipboardState& s = OleClip();
    ComPtr<IDataObject> released;
    std::lock_guard<std::mutex> guard(s.FLock);
    released = std::move(s.FCurrent); // its data is on the clipboard already
    return S_OK;
}

HRESULT OleIsCurrentClipboard(IDataObject* data) {
    OleClipboardState& s = OleClip();
    std::lock_guard<std::mutex> guard(s.FLock);
    return data && s.FCurrent.Get() == data && s.FSequence == GetClipboardSequenceNumber() ? S_OK : S_FALSE;
}

} // namespace win
