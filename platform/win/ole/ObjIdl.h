// Data transfer interfaces: formats and storage media, streams, format enumerators and data objects,
// with the media helpers and two ready-made objects (a stream over a global memory block, and a data
// object holding blocks by format).
#pragma once

#include "platform/win/ole/Com.h"

#include <memory>
#include <vector>

namespace win {

using CLIPFORMAT = WORD;

constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_FILE = 2;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD TYMED_ISTORAGE = 8;
constexpr DWORD TYMED_GDI = 16;

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

constexpr HRESULT DV_E_FORMATETC = HRESULT(0x80040064);
constexpr HRESULT DV_E_LINDEX = HRESULT(0x80040068);
constexpr HRESULT DV_E_TYMED = HRESULT(0x80040069);
constexpr HRESULT DV_E_CLIPFORMAT = HRESULT(0x8004006A);
constexpr HRESULT DV_E_DVASPECT = HRESULT(0x8004006B);
constexpr HRESULT DATA_S_SAMEFORMATETC = HRESULT(0x00040130);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = HRESULT(0x80040003);

struct DVTARGETDEVICE; // never used: target devices are always null

struct FORMATETC {
    CLIPFORMAT cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = TYMED_NULL;
};
using tagFORMATETC = FORMATETC;

struct IStream;

struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    union {
        HGLOBAL hGlobal;
        IStream* pstm;
        HBITMAP hBitmap;
        void* data;
    };
    IUnknown* pUnkForRelease = nullptr;
    STGMEDIUM() : data(nullptr) {}
};
using tagSTGMEDIUM = STGMEDIUM;

// Frees what a medium holds (through pUnkForRelease when it has one) and empties it.
void ReleaseStgMedium(STGMEDIUM* medium);
// A deep copy: a new global block with the same bytes, or the same stream with a reference of its own.
HRESULT CopyStgMedium(const STGMEDIUM* source, STGMEDIUM* dest);

// ---- Streams ------------------------------------------------------------------------------------------

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STGTY_STREAM = 2;

struct STATSTG {
    char* pwcsName = nullptr; // CoTaskMemAlloc'd; null with STATFLAG_NONAME
    DWORD type = STGTY_STREAM;
    ULONGLONG cbSize = 0;
    DWORD grfMode = 0;
};

struct ISequentialStream : IUnknown {
    static constexpr IID Iid{0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
    virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
    static constexpr IID Iid{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) = 0;
    virtual HRESULT SetSize(ULONGLONG size) = 0;
    virtual HRESULT CopyTo(IStream* dest, ULONGLONG count, ULONGLONG* read, ULONGLONG* written) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULONGLONG offset, ULONGLONG count, DWORD lockType) = 0;
    virtual HRESULT UnlockRegion(ULONGLONG offset, ULONGLONG count, DWORD lockType) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
    virtual HRESULT Clone(IStream** stream) = 0;
};
inline constexpr IID IID_IStream = IStream::Iid;

// A stream over a global memory block (a new empty one when block is null), growing it as it is
// written. With deleteOnRelease the stream frees the block when its last reference goes.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream);
// The block under a stream made by CreateStreamOnHGlobal.
HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block);

// ---- Format enumerators and data objects -------------------------------------------------------------

struct IEnumFORMATETC : IUnknown {
    static constexpr IID Iid{0x00000103, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // Copies up to count formats from the current place on; S_OK when all count came, else S_FALSE.
    virtual HRESULT Next(ULONG count, FORMATETC* formats, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** clone) = 0;
};
inline constexpr IID IID_IEnumFORMATETC = IEnumFORMATETC::Iid;

// An enumerator over a copy of the given formats.
HRESULT CreateFormatEnumerator(const std::vector<FORMATETC>& formats, IEnumFORMATETC** enumerator);

struct IAdviseSink;
struct IEnumSTATDATA;

struct IDataObject : IUnknown {
    static constexpr IID Iid{0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(const FORMATETC* format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC* in, FORMATETC* out) = 0;
    // With release set the object takes the medium; otherwise it copies what it keeps.
    virtual HRESULT SetData(const FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) = 0;
    virtual HRESULT DAdvise(const FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** enumerator) = 0;
};
inline constexpr IID IID_IDataObject = IDataObject::Iid;

// A data object holding blocks of bytes by clipboard format, offered as global memory or as a stream.
// SetData adds or replaces a format (from a global block or a stream). Desktop drops and clipboard
// snapshots arrive as one of these.
struct MemoryDataEntry {
    CLIPFORMAT Format = 0;
    std::vector<uint8_t> Bytes;
};
ComPtr<IDataObject> CreateMemoryDataObject(std::vector<MemoryDataEntry> entries = {});

// The bytes of a global-memory or stream medium; false for other media or a failed read.
bool ReadMediumBytes(const STGMEDIUM& medium, std::vector<uint8_t>* bytes);
// A global block holding the bytes (null when it cannot be had).
HGLOBAL GlobalFromBytes(const std::vector<uint8_t>& bytes);

} // namespace win
