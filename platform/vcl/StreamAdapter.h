// An OLE stream over a class-library stream, so that a TStream can travel where an IStream is asked for
// (a data object's medium, a stream another component reads).
#pragma once

#include "platform/vcl/Streams.h"
#include "platform/win/ole/ObjIdl.h"

namespace vcl {

// Whether the adapter frees its stream when its last reference goes.
enum TStreamOwnership { soReference, soOwned };

// Made with new and handed out with its first reference (ComPtr<IStream>::Attach). Failures of the stream
// (exceptions) become result codes: nothing is thrown through the interface.
class TStreamAdapter : public win::ComObject<win::IStream> {
public:
    explicit TStreamAdapter(TStream* stream, TStreamOwnership ownership = soReference);

    // Read: up to count bytes from the position, S_OK (S_FALSE when the stream failed). Write: S_OK with the
    // bytes the stream took, STG_E_CANTSAVE when it failed.
    win::HRESULT Read(void* buffer, win::ULONG count, win::ULONG* read) override;
    win::HRESULT Write(const void* buffer, win::ULONG count, win::ULONG* written) override;
    // A position before the start is refused (STG_E_INVALIDFUNCTION) and leaves the position as it was; one
    // past the end is kept: reading there gives nothing, writing there grows the stream.
    win::HRESULT Seek(win::LONGLONG move, win::DWORD origin, win::ULONGLONG* newPosition) override;
    // E_FAIL when the stream did not take the size.
    win::HRESULT SetSize(win::ULONGLONG size) override;
    // Copies up to count bytes from the position to dest's Write in pieces of at most CopyPieceSize bytes,
    // ending early at the end of the stream. read and written (when given) get the totals, also after a
    // failure: dest's own result, or STG_E_MEDIUMFULL when it took fewer bytes than it was given.
    win::HRESULT CopyTo(win::IStream* dest, win::ULONGLONG count, win::ULONGLONG* read,
                        win::ULONGLONG* written) override;
    win::HRESULT Commit(win::DWORD flags) override;
    win::HRESULT Revert() override;
    win::HRESULT LockRegion(win::ULONGLONG offset, win::ULONGLONG count, win::DWORD lockType) override;
    win::HRESULT UnlockRegion(win::ULONGLONG offset, win::ULONGLONG count, win::DWORD lockType) override;
    // The stream's size; the stream has no name.
    win::HRESULT Stat(win::STATSTG* stat, win::DWORD flags) override;
    win::HRESULT Clone(win::IStream** stream) override;

    TStream* GetStream() const { return FStream; }
    TStreamOwnership GetStreamOwnership() const { return FOwnership; }
    void SetStreamOwnership(TStreamOwnership value) { FOwnership = value; }

    static constexpr int32_t CopyPieceSize = 0x10000;

protected:
    ~TStreamAdapter() override;

private:
    TStream* FStream;
    TStreamOwnership FOwnership;
};

} // namespace vcl
