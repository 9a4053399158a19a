#include "platform/vcl/StreamAdapter.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <vector>

namespace vcl {

TStreamAdapter::TStreamAdapter(TStream* stream, TStreamOwnership ownership)
    : FStream(stream), FOwnership(ownership) {}

TStreamAdapter::~TStreamAdapter() {
    if (FOwnership == soOwned)
        delete FStream;
}

win::HRESULT TStreamAdapter::Read(void* buffer, win::ULONG count, win::ULONG* read) {
    if (read)
        *read = 0;
    if (!buffer)
        return win::STG_E_INVALIDPOINTER;
    try {
        int32_t n = FStream->Read(buffer, int32_t(std::min<win::ULONG>(count, INT32_MAX)));
        if (read)
            *read = win::ULONG(std::max(n, 0));
        return win::S_OK;
    } catch (const std::exception&) {
        return win::S_FALSE;
    }
}

win::HRESULT TStreamAdapter::Write(const void* buffer, win::ULONG count, win::ULONG* written) {
    if (written)
        *written = 0;
    if (!buffer)
        return win::STG_E_INVALIDPOINTER;
    try {
        int32_t n = FStream->Write(buffer, int32_t(std::min<win::ULONG>(count, INT32_MAX)));
        if (written)
            *written = win::ULONG(std::max(n, 0));
        return win::S_OK;
    } catch (const std::exception&) {
        return win::STG_E_CANTSAVE;
    }
}

win::HRESULT TStreamAdapter::Seek(win::LONGLONG move, win::DWORD origin, win::ULONGLONG* newPosition) {
    try {
        int64_t base = 0;
        switch (origin) {
        case win::STREAM_SEEK_SET: break;
        case win::STREAM_SEEK_CUR: base = FStream->GetPosition(); break;
        case win::STREAM_SEEK_END: base = FStream->GetSize(); break;
        default: return win::STG_E_INVALIDFUNCTION;
        }
        if ((move > 0 && base > INT64_MAX - move) || base + move < 0)
            return win::STG_E_INVALIDFUNCTION;
        int64_t at = FStream->Seek(base + move, soBeginning);
        if (newPosition)
            *newPosition = win::ULONGLONG(at);
        return win::S_OK;
    } catch (const std::exception&) {
        return win::STG_E_INVALIDFUNCTION;
    }
}

win::HRESULT TStreamAdapter::SetSize(win::ULONGLONG size) {
    if (size > win::ULONGLONG(INT64_MAX))
        return win::E_FAIL;
    try {
        FStream->SetSize(int64_t(size));
        return FStream->GetSize() == int64_t(size) ? win::S_OK : win::E_FAIL;
    } catch (const std::exception&) {
        return win::E_FAIL;
    }
}

win::HRESULT TStreamAdapter::CopyTo(win::IStream* dest, win::ULONGLONG count, win::ULONGLONG* read, win::ULONGLONG* written) {
    win::ULONGLONG totalRead = 0, totalWritten = 0;
    auto report = [&](win::HRESULT hr) {
        if (read)
            *read = totalRead;
        if (written)
            *written = totalWritten;
        return hr;
    };
    if (!dest)
        return report(win::STG_E_INVALIDPOINTER);
    try {
        std::vector<uint8_t> piece(size_t(std::min<win::ULONGLONG>(count, CopyPieceSize)));
        while (count > 0) {
            int32_t want = int32_t(std::min<win::ULONGLONG>(count, piece.size()));
            int32_t got = FStream->Read(piece.data(), want);
            if (got <= 0)
                break; // the end of the stream
            totalRead += win::ULONGLONG(got);
            win::ULONG put = 0;
            win::HRESULT hr = dest->Write(piece.data(), win::ULONG(got), &put);
            totalWritten += put;
            if (win::FAILED(hr))
                return report(hr);
            if (put < win::ULONG(got))
                return report(win::STG_E_MEDIUMFULL);
            count -= win::ULONGLONG(got);
        }
        return report(win::S_OK);
    } catch (const std::exception&) {
        return report(win::E_UNEXPECTED);
    }
}

win::HRESULT TStreamAdapter::Commit(win::DWORD) { return win::S_OK; }

win::HRESULT TStreamAdapter::Revert() { return win::STG_E_REVERTED; }

win::HRESULT TStreamAdapter::LockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) { return win::STG_E_INVALIDFUNCTION; }

win::HRESULT TStreamAdapter::UnlockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) { return win::STG_E_INVALIDFUNCTION; }

win::HRESULT TStreamAdapter::Stat(win::STATSTG* stat, win::DWORD) {
    if (!stat)
        return win::STG_E_INVALIDPOINTER;
    try {
        *stat = win::STATSTG{};
        stat->type = win::STGTY_STREAM;
        stat->cbSize = win::ULONGLONG(std::max<int64_t>(FStream->GetSize(), 0));
        return win::S_OK;
    } catch (const std::exception&) {
        return win::E_UNEXPECTED;
    }
}

win::HRESULT TStreamAdapter::Clone(win::IStream** stream) {
    if (stream)
        *stream = nullptr;
    return win::E_NOTIMPL;
}

} // namespace vcl
