#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/ObjIdl.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace win {

// ---- Media ---------------------------------------------------------------------------------------------

void ReleaseStgMedium(STGMEDIUM* medium) {
    if (!medium)
        return;
    if (medium->pUnkForRelease) {
        medium->pUnkForRelease->Release();
    } else if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) {
        GlobalFree(medium->hGlobal);
    } else if (medium->tymed == TYMED_ISTREAM && medium->pstm) {
        medium->pstm->Release();
    }
    medium->tymed = TYMED_NULL;
    medium->data = nullptr;
    medium->pUnkForRelease = nullptr;
}

HGLOBAL GlobalFromBytes(const std::vector<uint8_t>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return nullptr;
    if (!bytes.empty()) {
        void* p = GlobalLock(block);
        if (!p) {
            GlobalFree(block);
            return nullptr;
        }
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

bool ReadMediumBytes(const STGMEDIUM& medium, std::vector<uint8_t>* bytes) {
    bytes->clear();
    if (medium.tymed == TYMED_HGLOBAL) {
        SIZE_T size = GlobalSize(medium.hGlobal);
        if (size == 0)
            return medium.hGlobal != nullptr;
        const void* p = GlobalLock(medium.hGlobal);
        if (!p)
            return false;
        bytes->assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
        GlobalUnlock(medium.hGlobal);
        return true;
    }
    if (medium.tymed == TYMED_ISTREAM && medium.pstm) {
        STATSTG stat;
        if (FAILED(medium.pstm->Stat(&stat, STATFLAG_NONAME)))
            return false;
        // A stream is read whole from its start; streams beyond what memory can hold are refused.
        if (stat.cbSize > ULONGLONG(std::numeric_limits<ULONG>::max()))
            return false;
        if (FAILED(medium.pstm->Seek(0, STREAM_SEEK_SET, nullptr)))
            return false;
        bytes->resize(size_t(stat.cbSize));
        ULONG read = 0;
        if (!bytes->empty() && medium.pstm->Read(bytes->data(), ULONG(bytes->size()), &read) != S_OK)
            return false;
        bytes->resize(read);
        return true;
    }
    return false;
}

HRESULT CopyStgMedium(const STGMEDIUM* source, STGMEDIUM* dest) {
    if (!source || !dest)
        return E_POINTER;
    STGMEDIUM copy;
    switch (source->tymed) {
    case TYMED_NULL:
        break;
    case TYMED_HGLOBAL: {
        std::vector<uint8_t> bytes;
        if (!ReadMediumBytes(*source, &bytes))
            return E_INVALIDARG;
        copy.hGlobal = GlobalFromBytes(bytes);
        if (!copy.hGlobal)
            return E_OUTOFMEMORY;
        break;
    }
    case TYMED_ISTREAM:
        if (!source->pstm)
            return E_INVALIDARG;
        copy.pstm = source->pstm;
        copy.pstm->AddRef();
        break;
    default:
        return DV_E_TYMED;
    }
    copy.tymed = source->tymed;
    *dest = copy;
    return S_OK;
}

// ---- A stream over a global block ----------------------------------------------------------------------

namespace {

class HGlobalStream final : public ComObject<IStream> {
public:
    HGlobalStream(HGLOBAL block, bool deleteOnRelease)
        : FBlock(block), FDeleteOnRelease(deleteOnRelease), FSize(GlobalSize(block)) {}
    HGlobalStream(HGLOBAL block, bool deleteOnRelease, ULONGLONG size, ULONGLONG position,
                  std::shared_ptr<int> keep)
        : FBlock(block), FDeleteOnRelease(deleteOnRelease), FSize(size), FPosition(position),
          FShared(std::move(keep)) {}
    ~HGlobalStream() override {
        // Clones share the block: the last one frees it.
        if (FDeleteOnRelease && FShared.use_count() == 1)
            GlobalFree(FBlock);
    }
    HGLOBAL Block() const { return FBlock; }

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
        if (read)
            *read = 0;
        if (!buffer && count)
            return STG_E_INVALIDPOINTER;
        ULONGLONG available = FPosition < FSize ? FSize - FPosition : 0;
        ULONG n = ULONG(std::min<ULONGLONG>(count, available));
        if (n) {
            auto* p = static_cast<const uint8_t*>(GlobalLock(FBlock));
            if (!p)
                return E_FAIL;
            std::memcpy(buffer, p + FPosition, n);
            GlobalUnlock(FBlock);
        }
        FPosition += n;
        if (read)
            *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
        if (written)
            *written = 0;
        if (!buffer && count)
            return STG_E_INVALIDPOINTER;
        if (count == 0)
            return S_OK;
        ULONGLONG end = FPosition + count;
        if (end > FSize && FAILED(SetSize(end)))
            return STG_E_MEDIUMFULL;
        auto* p = static_cast<uint8_t*>(GlobalLock(FBlock));
        if (!p)
            return E_FAIL;
        std::memcpy(p + FPosition, buffer, count);
        GlobalUnlock(FBlock);
        FPosition = end;
        if (written)
            *written = count;
        return S_OK;
    }
    HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) override {
        LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                        : origin == STREAM_SEEK_CUR ? LONGLONG(FPosition)
                        : origin == STREAM_SEEK_END ? LONGLONG(FSize)
                                                    : -1;
        if (base < 0)
            return STG_E_INVALIDFUNCTION;
        if ((move < 0 && base + move < 0) || (move > 0 && base > std::numeric_limits<LONGLONG>::max() - move))
            return STG_E_INVALIDFUNCTION;
        FPosition = ULONGLONG(base + move);
        if (newPosition)
            *newPosition = FPosition;
        return S_OK;
    }
    HRESULT SetSize(ULONGLONG size) override {
        // Blocks are kept in memory: sizes beyond a 32-bit count are refused.
        if (size > ULONGLONG(std::numeric_limits<ULONG>::max()))
            return STG_E_MEDIUMFULL;
        if (size != GlobalSize(FBlock) && !GlobalReAlloc(FBlock, SIZE_T(size), GMEM_MOVEABLE))
            return STG_E_MEDIUMFULL;
        if (size > FSize) {
            auto* p = static_cast<uint8_t*>(GlobalLock(FBlock));
            if (p) {
                std::memset(p + FSize, 0, size_t(size - FSize));
                GlobalUnlock(FBlock);
            }
        }
        FSize = size;
        return S_OK;
    }
    HRESULT CopyTo(IStream* dest, ULONGLONG count, ULONGLONG* read, ULONGLONG* written) override {
        if (read)
            *read = 0;
        if (written)
            *written = 0;
        if (!dest)
            return STG_E_INVALIDPOINTER;
        ULONGLONG available = FPosition < FSize ? FSize - FPosition : 0;
        ULONGLONG total = std::min(count, available);
        ULONGLONG done = 0, put = 0;
        std::vector<uint8_t> chunk(size_t(std::min<ULONGLONG>(total, 0x100000)));
        while (done < total) {
            ULONG n = ULONG(std::min<ULONGLONG>(chunk.size(), total - done));
            ULONG got = 0, out = 0;
            if (FAILED(Read(chunk.data(), n, &got)) || got == 0)
                break;
            done += got;
            HRESULT hr = dest->Write(chunk.data(), got, &out);
            put += out;
            if (FAILED(hr) || out < got) {
                if (read)
                    *read = done;
                if (written)
                    *written = put;
                return FAILED(hr) ? hr : E_FAIL;
            }
        }
        if (read)
            *read = done;
        if (written)
            *written = put;
        return S_OK;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->cbSize = FSize;
        return S_OK;
    }
    HRESULT Clone(IStream** stream) override {
        if (!stream)
            return STG_E_INVALIDPOINTER;
        *stream = new HGlobalStream(FBlock, FDeleteOnRelease, FSize, FPosition, FShared);
        return S_OK;
    }

private:
    HGLOBAL FBlock;
    bool FDeleteOnRelease;
    ULONGLONG FSize;
    ULONGLONG FPosition = 0;
    std::shared_ptr<int> FShared = std::make_shared<int>(0);
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream) {
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    if (!block) {
        block = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!block)
            return E_OUTOFMEMORY;
    } else if (!GlobalLock(block)) {
        return E_INVALIDARG;
    } else {
        GlobalUnlock(block);
    }
    *stream = new HGlobalStream(block, deleteOnRelease != FALSE);
    return S_OK;
}

HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block) {
    if (!block)
        return E_INVALIDARG;
    *block = nullptr;
    // Only streams of this file are global-block streams; others answer E_INVALIDARG.
    auto* own = dynamic_cast<HGlobalStream*>(stream);
    if (!own)
        return E_INVALIDARG;
    *block = own->Block();
    return S_OK;
}

// ---- Format enumerator -------------------------------------------------------------------------------

namespace {

class FormatEnumerator final : public ComObject<IEnumFORMATETC> {
public:
    FormatEnumerator(std::vector<FORMATETC> formats, size_t index)
        : FFormats(std::move(formats)), FIndex(index) {}
    HRESULT Next(ULONG count, FORMATETC* formats, ULONG* fetched) override {
        if (fetched)
            *fetched = 0;
        if (!formats || (count > 1 && !fetched))
            return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && FIndex < FFormats.size())
            formats[n++] = FFormats[FIndex++];
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        size_t left = FFormats.size() - FIndex;
        FIndex += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        FIndex = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC** clone) override {
        if (!clone)
            return E_INVALIDARG;
        *clone = new FormatEnumerator(FFormats, FIndex);
        return S_OK;
    }

private:
    std::vector<FORMATETC> FFormats;
    size_t FIndex;
};

} // namespace

HRESULT CreateFormatEnumerator(const std::vector<FORMATETC>& formats, IEnumFORMATETC** enumerator) {
    if (!enumerator)
        return E_INVALIDARG;
    *enumerator = new FormatEnumerator(formats, 0);
    return S_OK;
}

// ---- Data object of byte blocks --------------------------------------------------------------------------

namespace {

class MemoryDataObject final : public ComObject<IDataObject> {
public:
    explicit MemoryDataObject(std::vector<MemoryDataEntry> entries) : FEntries(std::move(entries)) {}

    HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium)
            return E_INVALIDARG;
        *medium = STGMEDIUM{};
        std::lock_guard<std::mutex> guard(FLock);
        const MemoryDataEntry* entry = Find(*format);
        if (!entry)
            return DV_E_FORMATETC;
        if (format->tymed & TYMED_HGLOBAL) {
            medium->hGlobal = GlobalFromBytes(entry->Bytes);
            if (!medium->hGlobal)
                return E_OUTOFMEMORY;
            medium->tymed = TYMED_HGLOBAL;
            return S_OK;
        }
        IStream* stream = nullptr;
        HGLOBAL block = GlobalFromBytes(entry->Bytes);
        if (!block || FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
            GlobalFree(block);
            return E_OUTOFMEMORY;
        }
        medium->tymed = TYMED_ISTREAM;
        medium->pstm = stream;
        return S_OK;
    }
    HRESULT GetDataHere(const FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC* format) override {
        if (!format)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(FLock);
        return Find(*format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC* in, FORMATETC* out) override {
        if (out && in) {
            *out = *in;
            out->ptd = nullptr;
        }
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT SetData(const FORMATETC* format, STGMEDIUM* medium, BOOL release) override {
        if (!format || !medium)
            return E_INVALIDARG;
        if (format->dwAspect != DVASPECT_CONTENT || format->ptd)
            return DV_E_FORMATETC;
        std::vector<uint8_t> bytes;
        bool ok = ReadMediumBytes(*medium, &bytes);
        if (release)
            ReleaseStgMedium(medium);
        if (!ok)
            return DV_E_TYMED;
        std::lock_guard<std::mutex> guard(FLock);
        for (auto& e : FEntries)
            if (e.Format == format->cfFormat) {
                e.Bytes = std::move(bytes);
                return S_OK;
            }
        FEntries.push_back({format->cfFormat, std::move(bytes)});
        return S_OK;
    }
    HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override {
        if (!enumerator)
            return E_INVALIDARG;
        *enumerator = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        {
            std::lock_guard<std::mutex> guard(FLock);
            for (auto& e : FEntries)
                formats.push_back({e.Format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM});
        }
        return CreateFormatEnumerator(formats, enumerator);
    }
    HRESULT DAdvise(const FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** enumerator) override {
        if (enumerator)
            *enumerator = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    const MemoryDataEntry* Find(const FORMATETC& f) const {
        if (f.dwAspect != DVASPECT_CONTENT || f.ptd || !(f.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM)))
            return nullptr;
        if (f.lindex != -1 && f.lindex != 0)
            return nullptr;
        for (auto& e : FEntries)
            if (e.Format == f.cfFormat)
                return &e;
        return nullptr;
    }

    std::mutex FLock;
    std::vector<MemoryDataEntry> FEntries;
};

} // namespace

ComPtr<IDataObject> CreateMemoryDataObject(std::vector<MemoryDataEntry> entries) {
    return ComPtr<IDataObject>::Attach(new MemoryDataObject(std::move(entries)));
}

} // namespace win
