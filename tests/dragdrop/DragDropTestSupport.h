// Shared by the drag-and-drop tests: the library started for each test, media made from bytes, and a stream
// whose size, reads and failures a test chooses.
#pragma once

#include "dragdrop/DragDrop.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/ObjIdl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace ddtest {

inline std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

class DragDropFixture : public ::testing::Test {
protected:
    void SetUp() override { dragdrop::InitializeDragDrop(); }
    void TearDown() override { dragdrop::FinalizeDragDrop(); }
};

enum class Medium { HGlobal, Stream };

// A medium holding the bytes; a stream is left at its end, as a writer leaves it.
inline win::STGMEDIUM MakeMedium(Medium kind, const std::vector<uint8_t>& bytes) {
    win::STGMEDIUM m;
    win::HGLOBAL block = win::GlobalFromBytes(bytes);
    if (kind == Medium::HGlobal) {
        m.tymed = win::TYMED_HGLOBAL;
        m.hGlobal = block;
        return m;
    }
    win::IStream* stream = nullptr;
    win::CreateStreamOnHGlobal(block, win::TRUE, &stream);
    stream->Seek(0, win::STREAM_SEEK_END, nullptr);
    m.tymed = win::TYMED_ISTREAM;
    m.pstm = stream;
    return m;
}

inline std::vector<uint8_t> MediumBytes(win::STGMEDIUM& m) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(win::ReadMediumBytes(m, &bytes));
    return bytes;
}

inline win::DWORD Tymed(Medium kind) {
    return kind == Medium::HGlobal ? win::TYMED_HGLOBAL : win::TYMED_ISTREAM;
}

// A stream over bytes that can claim another size, fail its Stat or its reads, and counts what it is asked.
class FakeStream final : public win::ComObject<win::IStream> {
public:
    explicit FakeStream(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)), ClaimedSize(FBytes.size()) {}
    win::HRESULT Read(void* buffer, win::ULONG count, win::ULONG* read) override {
        ++Reads;
        if (read)
            *read = 0;
        if (FailRead)
            return win::E_FAIL;
        size_t n = Position < FBytes.size() ? std::min<size_t>(count, FBytes.size() - Position) : 0;
        std::memcpy(buffer, FBytes.data() + Position, n);
        Position += n;
        if (read)
            *read = win::ULONG(n);
        return n == count ? win::S_OK : win::S_FALSE;
    }
    win::HRESULT Write(const void*, win::ULONG, win::ULONG*) override { return win::STG_E_CANTSAVE; }
    win::HRESULT Seek(win::LONGLONG move, win::DWORD origin, win::ULONGLONG* position) override {
        if (origin == win::STREAM_SEEK_SET)
            Position = size_t(move);
        else if (origin == win::STREAM_SEEK_END)
            Position = size_t(int64_t(FBytes.size()) + move);
        else
            Position = size_t(int64_t(Position) + move);
        if (position)
            *position = Position;
        return win::S_OK;
    }
    win::HRESULT SetSize(win::ULONGLONG) override { return win::E_NOTIMPL; }
    win::HRESULT CopyTo(win::IStream*, win::ULONGLONG, win::ULONGLONG*, win::ULONGLONG*) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
    win::HRESULT Revert() override { return win::S_OK; }
    win::HRESULT LockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT UnlockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Stat(win::STATSTG* stat, win::DWORD) override {
        if (FailStat)
            return win::E_FAIL;
        *stat = win::STATSTG{};
        stat->cbSize = ClaimedSize;
        return win::S_OK;
    }
    win::HRESULT Clone(win::IStream**) override { return win::E_NOTIMPL; }

    std::vector<uint8_t> FBytes;
    win::ULONGLONG ClaimedSize;
    size_t Position = 0;
    bool FailStat = false;
    bool FailRead = false;
    int Reads = 0;
};

} // namespace ddtest
