#include "platform/vcl/StreamAdapter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

using namespace vcl;
using win::ComPtr;
using win::IStream;

namespace {

// A memory stream that says when it is freed.
class WatchedStream : public TMemoryStream {
public:
    explicit WatchedStream(bool* freed) : FFreed(freed) {}
    ~WatchedStream() override { *FFreed = true; }

private:
    bool* FFreed;
};

// A destination that records the size of every write and takes at most Limit bytes of each.
class PieceSink final : public win::ComObject<IStream> {
public:
    std::vector<uint8_t> Bytes;
    std::vector<win::ULONG> Writes;
    win::ULONG Limit = ~0u;
    win::HRESULT Result = win::S_OK;

    win::HRESULT Read(void*, win::ULONG, win::ULONG*) override { return win::E_NOTIMPL; }
    win::HRESULT Write(const void* buffer, win::ULONG count, win::ULONG* written) override {
        Writes.push_back(count);
        win::ULONG n = std::min(count, Limit);
        auto* p = static_cast<const uint8_t*>(buffer);
        Bytes.insert(Bytes.end(), p, p + n);
        if (written)
            *written = n;
        return Result;
    }
    win::HRESULT Seek(win::LONGLONG, win::DWORD, win::ULONGLONG*) override { return win::E_NOTIMPL; }
    win::HRESULT SetSize(win::ULONGLONG) override { return win::E_NOTIMPL; }
    win::HRESULT CopyTo(IStream*, win::ULONGLONG, win::ULONGLONG*, win::ULONGLONG*) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
    win::HRESULT Revert() override { return win::E_NOTIMPL; }
    win::HRESULT LockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT UnlockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Stat(win::STATSTG*, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Clone(IStream**) override { return win::E_NOTIMPL; }
};

win::ULONGLONG Position(IStream* s) {
    win::ULONGLONG at = ~0ull;
    EXPECT_EQ(s->Seek(0, win::STREAM_SEEK_CUR, &at), win::S_OK);
    return at;
}

} // namespace

TEST(StreamAdapter, ReadsWritesSeeksAndStats) {
    TMemoryStream memory;
    auto adapter = ComPtr<IStream>::Attach(new TStreamAdapter(&memory));
    win::ULONG n = 0;
    ASSERT_EQ(adapter->Write("hello world", 11, &n), win::S_OK);
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(memory.GetSize(), 11);

    win::ULONGLONG at = 0;
    ASSERT_EQ(adapter->Seek(-5, win::STREAM_SEEK_END, &at), win::S_OK);
    EXPECT_EQ(at, 6u);
    char text[16] = {};
    ASSERT_EQ(adapter->Read(text, sizeof text, &n), win::S_OK);
    EXPECT_EQ(n, 5u);
    EXPECT_STREQ(text, "world");

    // Past the end: nothing to read there; a write there grows the stream with a zero-filled gap.
    ASSERT_EQ(adapter->Seek(4, win::STREAM_SEEK_CUR, &at), win::S_OK);
    EXPECT_EQ(at, 15u);
    ASSERT_EQ(adapter->Read(text, 4, &n), win::S_OK);
    EXPECT_EQ(n, 0u);
    ASSERT_EQ(adapter->Write("!", 1, nullptr), win::S_OK);
    EXPECT_EQ(memory.GetSize(), 16);
    EXPECT_EQ(static_cast<const char*>(memory.Memory())[12], '\0');

    // A position before the start is refused and the position stays.
    EXPECT_EQ(adapter->Seek(-17, win::STREAM_SEEK_END, &at), win::STG_E_INVALIDFUNCTION);
    EXPECT_EQ(adapter->Seek(0, 7, nullptr), win::STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Position(adapter.Get()), 16u);

    win::STATSTG stat;
    ASSERT_EQ(adapter->Stat(&stat, win::STATFLAG_NONAME), win::S_OK);
    EXPECT_EQ(stat.cbSize, 16u);
    EXPECT_EQ(stat.type, win::STGTY_STREAM);
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_EQ(adapter->Stat(nullptr, 0), win::STG_E_INVALIDPOINTER);
    EXPECT_EQ(adapter->Read(nullptr, 1, &n), win::STG_E_INVALIDPOINTER);
}

TEST(StreamAdapter, SetSizeCutsAndGrows) {
    TMemoryStream memory;
    memory.WriteBuffer("0123456789", 10);
    auto adapter = ComPtr<IStream>::Attach(new TStreamAdapter(&memory));
    ASSERT_EQ(adapter->SetSize(4), win::S_OK);
    EXPECT_EQ(memory.GetSize(), 4);
    EXPECT_EQ(Position(adapter.Get()), 4u); // a position past the new end comes back to it
    ASSERT_EQ(adapter->SetSize(64), win::S_OK);
    win::STATSTG stat;
    ASSERT_EQ(adapter->Stat(&stat, 0), win::S_OK);
    EXPECT_EQ(stat.cbSize, 64u);
    EXPECT_EQ(adapter->SetSize(~0ull), win::E_FAIL);
    EXPECT_EQ(memory.GetSize(), 64);

    // A stream that cannot change its size says so as a result, not an exception.
    const char fixed[] = "abc";
    TReadOnlyMemoryStream readOnly(fixed, 3);
    auto adapted = ComPtr<IStream>::Attach(new TStreamAdapter(&readOnly));
    EXPECT_EQ(adapted->SetSize(10), win::E_FAIL);
    win::ULONG n = 9;
    EXPECT_EQ(adapted->Write("x", 1, &n), win::STG_E_CANTSAVE);
    EXPECT_EQ(n, 0u);
}

TEST(StreamAdapter, CopyToGoesInPiecesAndReportsTotals) {
    const int size = 3 * TStreamAdapter::CopyPieceSize + 100;
    std::vector<uint8_t> data(size);
    std::iota(data.begin(), data.end(), uint8_t(0));
    TMemoryStream memory;
    memory.WriteBuffer(data.data(), size);
    auto adapter = ComPtr<IStream>::Attach(new TStreamAdapter(&memory));

    struct Case {
        const char* Name;
        int64_t From;
        win::ULONGLONG Count;
        win::ULONG Limit;
        win::HRESULT SinkResult;
        win::HRESULT Result;
        win::ULONGLONG Read, Written;
    } cases[] = {
        {"all of it", 0, ~0ull, ~0u, win::S_OK, win::S_OK, win::ULONGLONG(size), win::ULONGLONG(size)},
        {"a count", 10, 70000, ~0u, win::S_OK, win::S_OK, 70000, 70000},
        {"the rest", size - 5, 1000, ~0u, win::S_OK, win::S_OK, 5, 5},
        {"at the end", size, 1000, ~0u, win::S_OK, win::S_OK, 0, 0},
        {"a full sink", 0, ~0ull, 1000, win::S_OK, win::STG_E_MEDIUMFULL, win::ULONGLONG(TStreamAdapter::CopyPieceSize), 1000},
        {"a failing sink", 0, 10, ~0u, win::STG_E_CANTSAVE, win::STG_E_CANTSAVE, 10, 10},
    };
    for (const Case& c : cases) {
        PieceSink* sink = new PieceSink;
        auto owner = ComPtr<IStream>::Attach(sink);
        sink->Limit = c.Limit;
        sink->Result = c.SinkResult;
        memory.SetPosition(c.From);
        win::ULONGLONG read = 1, written = 1;
        EXPECT_EQ(adapter->CopyTo(sink, c.Count, &read, &written), c.Result) << c.Name;
        EXPECT_EQ(read, c.Read) << c.Name;
        EXPECT_EQ(written, c.Written) << c.Name;
        for (win::ULONG w : sink->Writes)
            EXPECT_LE(w, win::ULONG(TStreamAdapter::CopyPieceSize)) << c.Name;
        ASSERT_EQ(sink->Bytes.size(), c.Written) << c.Name;
        EXPECT_TRUE(std::equal(sink->Bytes.begin(), sink->Bytes.end(), data.begin() + c.From)) << c.Name;
    }
    EXPECT_EQ(adapter->CopyTo(nullptr, 10, nullptr, nullptr), win::STG_E_INVALIDPOINTER);
}

TEST(StreamAdapter, AnOwnedStreamGoesWithTheAdapterABorrowedOneStays) {
    bool ownedFreed = false, borrowedFreed = false;
    {
        auto owned = ComPtr<IStream>::Attach(new TStreamAdapter(new WatchedStream(&ownedFreed), soOwned));
        ComPtr<IStream> second = owned; // the stream lives while any reference does
        owned.Reset();
        EXPECT_FALSE(ownedFreed);
    }
    EXPECT_TRUE(ownedFreed);
    WatchedStream borrowed(&borrowedFreed);
    {
        auto adapter = ComPtr<IStream>::Attach(new TStreamAdapter(&borrowed));
        ASSERT_EQ(adapter->Write("x", 1, nullptr), win::S_OK);
    }
    EXPECT_FALSE(borrowedFreed);
    EXPECT_EQ(borrowed.GetSize(), 1);
}
