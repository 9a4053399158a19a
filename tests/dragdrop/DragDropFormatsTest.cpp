// The standard formats through both media: their size rules, what they write, the file descriptors and
// file-contents streams, the fixed stream adapter's copy, and the data formats over them.
#include "dragdrop/DragDropFormats.h"
#include "tests/dragdrop/DragDropTestSupport.h"
#include "tests/support/AllocationCounter.h"

#include "platform/win/kernel/Utf16.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace dragdrop;
using namespace ddtest;

namespace {

class DragDropFormatsTest : public DragDropFixture {};

// Reads a block through a medium of the kind; true when the format took it.
bool Read(TClipboardFormat& format, Medium kind, const std::vector<uint8_t>& bytes) {
    win::STGMEDIUM m = MakeMedium(kind, bytes);
    return format.GetDataFromMedium(nullptr, m);
}

// What the format writes into a medium of the kind (empty when it writes nothing).
std::vector<uint8_t> Write(TClipboardFormat& format, Medium kind) {
    win::FORMATETC f = format.GetFormatEtc();
    f.tymed = Tymed(kind);
    win::STGMEDIUM m;
    if (!format.SetDataToMedium(f, m))
        return {};
    EXPECT_EQ(m.tymed, Tymed(kind));
    win::ULONGLONG at = 0;
    if (kind == Medium::Stream)
        m.pstm->Seek(0, win::STREAM_SEEK_CUR, &at);
    std::vector<uint8_t> bytes = MediumBytes(m);
    if (kind == Medium::Stream) {
        EXPECT_EQ(at, bytes.size()) << "a written stream is left at its end";
    }
    win::ReleaseStgMedium(&m);
    return bytes;
}

const Medium bothMedia[] = {Medium::HGlobal, Medium::Stream};

TEST_F(DragDropFormatsTest, TextStopsAtItsZeroAndIsWrittenWithOne) {
    for (Medium kind : bothMedia) {
        TTextClipboardFormat text;
        ASSERT_TRUE(Read(text, kind, Bytes(std::string("abc\0junk", 8))));
        EXPECT_EQ(text.GetText(), "abc");
        EXPECT_EQ(Write(text, kind), Bytes(std::string("abc\0", 4)));
        // UTF-8 passes as it is; an empty block gives no data.
        ASSERT_TRUE(Read(text, kind, Bytes("Grüße")));
        EXPECT_EQ(text.GetText(), "Grüße");
        EXPECT_FALSE(Read(text, kind, {}));
        EXPECT_FALSE(text.HasData());
        EXPECT_TRUE(Write(text, kind).empty());
    }
}

TEST_F(DragDropFormatsTest, WideTextAndItsTerminator) {
    for (Medium kind : bothMedia) {
        struct TWide : TCustomWideTextClipboardFormat {
            uint16_t GetClipboardFormat() override { return uint16_t(win::CF_UNICODETEXT); }
        } wide;
        wide.SetWideText(win::Utf8ToUtf16("hé"));
        std::vector<uint8_t> bytes = Write(wide, kind);
        ASSERT_EQ(bytes.size(), 6u);
        EXPECT_EQ(bytes[0], 'h');
        EXPECT_EQ(bytes[2], 0xE9);
        EXPECT_EQ(bytes[4], 0);
        EXPECT_EQ(bytes[5], 0);
        ASSERT_TRUE(Read(wide, kind, {'o', 0, 'k', 0}));
        EXPECT_EQ(win::Utf16ToUtf8(wide.GetWideText()), "ok");
    }
}

TEST_F(DragDropFormatsTest, ThirtyTwoBitValuesNeedFourBytes) {
    for (Medium kind : bothMedia) {
        TPreferredDropEffectClipboardFormat preferred;
        ASSERT_TRUE(Read(preferred, kind, {5, 0, 0, 0}));
        EXPECT_EQ(preferred.GetValue(), 5u);
        EXPECT_EQ(Write(preferred, kind), (std::vector<uint8_t>{5, 0, 0, 0}));
        uint8_t three[3] = {};
        EXPECT_FALSE(preferred.WriteData(three, 3));
        // A block too short for the value gives no data (the value is left cleared).
        EXPECT_FALSE(Read(preferred, kind, {7, 0, 0}));
        EXPECT_EQ(preferred.GetValue(), 0u);
        // A longer block reads its first four bytes.
        TInShellDragLoopClipboardFormat loop;
        ASSERT_TRUE(Read(loop, kind, {1, 0, 0, 0, 9, 9}));
        EXPECT_TRUE(loop.GetInShellDragLoop());
    }
    TTargetCLSIDClipboardFormat clsid;
    EXPECT_FALSE(Read(clsid, Medium::HGlobal, std::vector<uint8_t>(15, 1)));
    ASSERT_TRUE(Read(clsid, Medium::HGlobal, std::vector<uint8_t>(16, 1)));
    EXPECT_TRUE(clsid.HasData());
    EXPECT_EQ(clsid.GetCLSID().Data1, 0x01010101u);
}

// A descriptor block of count items named by names (the rest of each item zero).
template <class Item, size_t ItemSize> std::vector<uint8_t> Descriptor(uint32_t count, std::vector<std::string> names) {
    std::vector<uint8_t> block(4 + size_t(count) * ItemSize);
    std::memcpy(block.data(), &count, 4);
    for (size_t i = 0; i < names.size(); ++i)
        std::memcpy(block.data() + 4 + i * ItemSize + 72, names[i].c_str(), names[i].size());
    return block;
}

TEST_F(DragDropFormatsTest, DescriptorsReadOnlyBlocksOfTheirCount) {
    struct Case {
        const char* What;
        std::vector<uint8_t> Block;
        bool Taken;
    };
    std::vector<uint8_t> one = Descriptor<win::FILEDESCRIPTORA, 332>(1, {"a.gif"});
    std::vector<uint8_t> tail = one;
    tail.resize(one.size() + 331);
    std::vector<uint8_t> cut(one.begin(), one.end() - 1);
    std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    const std::vector<Case> cases = {
        {"one item", one, true},
        {"one item and a short tail", tail, true},
        {"an item cut short", cut, false},
        {"a count of four billion in eight bytes", huge, false},
        {"three bytes: no count", {1, 0, 0}, false},
        {"no items", {0, 0, 0, 0}, true},
    };
    for (Medium kind : bothMedia)
        for (const Case& c : cases) {
            TFileGroupDescritorClipboardFormat descriptor;
            EXPECT_EQ(Read(descriptor, kind, c.Block), c.Taken) << c.What;
            if (c.Taken && descriptor.Count() == 1) {
                EXPECT_STREQ(descriptor.GetDescriptor()->fgd[0].cFileName, "a.gif");
                EXPECT_EQ(descriptor.GetDataSize(), 336);
            }
        }
    TFileGroupDescritorWClipboardFormat wide;
    EXPECT_TRUE(Read(wide, Medium::Stream, Descriptor<win::FILEDESCRIPTORW, 592>(2, {})));
    EXPECT_EQ(wide.Count(), 2u);
    EXPECT_FALSE(Read(wide, Medium::Stream, Descriptor<win::FILEDESCRIPTORA, 332>(2, {})));
}

TEST_F(DragDropFormatsTest, TextOffersItselfAsATextScrapFile) {
    TTextDataFormat text(nullptr);
    text.SetText("some text");
    TFileGroupDescritorClipboardFormat narrow;
    TFileGroupDescritorWClipboardFormat wide;
    ASSERT_TRUE(text.AssignTo(&narrow));
    ASSERT_TRUE(text.AssignTo(&wide));
    for (Medium kind : bothMedia) {
        std::vector<uint8_t> a = Write(narrow, kind);
        ASSERT_EQ(a.size(), 336u);
        EXPECT_EQ(a[0], 1);
        EXPECT_STREQ(reinterpret_cast<const char*>(a.data() + 4 + 72), "Text scrap.txt");
        EXPECT_EQ(a[4], 0); // the other fields stay zero
        std::vector<uint8_t> w = Write(wide, kind);
        ASSERT_EQ(w.size(), 596u);
        std::u16string name;
        for (size_t i = 4 + 72; i + 1 < w.size() && (w[i] | w[i + 1]); i += 2)
            name += char16_t(w[i] | (w[i + 1] << 8));
        EXPECT_EQ(win::Utf16ToUtf8(name), "Text scrap.txt");
    }
    // The text travels into CF_TEXT and the file contents too.
    TTextClipboardFormat cf;
    ASSERT_TRUE(text.AssignTo(&cf));
    EXPECT_EQ(Write(cf, Medium::HGlobal), Bytes(std::string("some text\0", 10)));
}

// A data object of file contents: the descriptor (when given) and one stream per index.
class FileContentsObject final : public win::ComObject<win::IDataObject> {
public:
    win::HRESULT GetData(const win::FORMATETC* f, win::STGMEDIUM* m) override {
        *m = win::STGMEDIUM{};
        if (f->cfFormat == win::RegisterClipboardFormat(win::CFSTR_FILEDESCRIPTORA) && !FDescriptor.empty()) {
            m->tymed = win::TYMED_HGLOBAL;
            m->hGlobal = win::GlobalFromBytes(FDescriptor);
            return win::S_OK;
        }
        if (f->cfFormat != win::RegisterClipboardFormat(win::CFSTR_FILECONTENTS) || !(f->tymed & win::TYMED_ISTREAM))
            return win::DV_E_FORMATETC;
        Indexes.push_back(f->lindex);
        auto it = FStreams.find(f->lindex);
        if (it == FStreams.end())
            return win::DV_E_LINDEX;
        m->tymed = win::TYMED_ISTREAM;
        m->pstm = it->second.Get();
        m->pstm->AddRef();
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

    // A stream of the bytes, left at its end as a source leaves it.
    FakeStream* AddStream(win::LONG index, const std::string& bytes) {
        auto* stream = new FakeStream(Bytes(bytes));
        stream->Position = bytes.size();
        FStreams[index] = win::ComPtr<win::IStream>::Attach(stream);
        return stream;
    }
    std::vector<uint8_t> FDescriptor;
    std::map<win::LONG, win::ComPtr<win::IStream>> FStreams;
    std::vector<win::LONG> Indexes;
};

std::string Contents(vcl::TStream* stream) {
    std::string s(size_t(stream->GetSize()), '\0');
    stream->SetPosition(0);
    stream->ReadBuffer(s.data(), int32_t(s.size()));
    return s;
}

TEST_F(DragDropFormatsTest, FileContentsStreamsAreReadWholeAndNamed) {
    auto object = win::ComPtr<FileContentsObject>::Attach(new FileContentsObject);
    object->FDescriptor = Descriptor<win::FILEDESCRIPTORA, 332>(2, {"first.txt", "second.gif"});
    object->AddStream(0, "one");
    object->AddStream(1, "GIF89a...");
    TFileContentsStreamClipboardFormat format;
    ASSERT_TRUE(format.GetData(object.Get()));
    TStreamList* streams = format.GetStreams();
    ASSERT_EQ(streams->Count(), 2);
    EXPECT_EQ(streams->Names(0), "first.txt");
    EXPECT_EQ(Contents(streams->Streams(0)), "one");
    EXPECT_EQ(streams->Names(1), "second.gif");
    EXPECT_EQ(Contents(streams->Streams(1)), "GIF89a...");

    // Handed to a data stream format, the streams move and the format is left empty.
    TDataStreamDataFormat data(nullptr);
    ASSERT_TRUE(format.AssignTo(&data));
    EXPECT_EQ(data.GetStreams()->Count(), 2);
    EXPECT_EQ(streams->Count(), 0);
}

TEST_F(DragDropFormatsTest, FileContentsWithoutDescriptorAndStreamsThatFail) {
    auto object = win::ComPtr<FileContentsObject>::Attach(new FileContentsObject);
    object->AddStream(-1, "virtual file");
    TFileContentsStreamClipboardFormat format;
    ASSERT_TRUE(format.GetData(object.Get()));
    ASSERT_EQ(format.GetStreams()->Count(), 1);
    EXPECT_EQ(format.GetStreams()->Names(0), "");
    EXPECT_EQ(Contents(format.GetStreams()->Streams(0)), "virtual file");
    EXPECT_EQ(object->Indexes, (std::vector<win::LONG>{-1}));

    // Four files: a failing Stat, a failing read and a size past the limit are skipped; the last is kept.
    auto mixed = win::ComPtr<FileContentsObject>::Attach(new FileContentsObject);
    mixed->FDescriptor = Descriptor<win::FILEDESCRIPTORA, 332>(4, {"a", "b", "c", "d"});
    mixed->AddStream(0, "aaa")->FailStat = true;
    mixed->AddStream(1, "bbb")->FailRead = true;
    FakeStream* big = mixed->AddStream(2, "ccc");
    big->ClaimedSize = MaxDropBlockSize + 1;
    mixed->AddStream(3, "ddd");
    ASSERT_TRUE(format.GetData(mixed.Get()));
    ASSERT_EQ(format.GetStreams()->Count(), 1);
    EXPECT_EQ(format.GetStreams()->Names(0), "d");
    EXPECT_EQ(Contents(format.GetStreams()->Streams(0)), "ddd");
    EXPECT_EQ(big->Reads, 0);

    // A stream that claims more than it holds gives what it holds.
    auto shortObject = win::ComPtr<FileContentsObject>::Attach(new FileContentsObject);
    shortObject->AddStream(-1, "short")->ClaimedSize = 1000;
    ASSERT_TRUE(format.GetData(shortObject.Get()));
    EXPECT_EQ(Contents(format.GetStreams()->Streams(0)), "short");
}

TEST_F(DragDropFormatsTest, AStreamPastTheLimitIsRefusedBeforeAnythingIsAllocated) {
    auto stream = win::ComPtr<FakeStream>::Attach(new FakeStream(Bytes("tiny")));
    stream->ClaimedSize = (uint64_t(1) << 40);
    TTextClipboardFormat text;
    win::STGMEDIUM m;
    m.tymed = win::TYMED_ISTREAM;
    m.pstm = stream.Get();
    stream->AddRef();
    int64_t peak = 0;
    {
        testsupport::TAllocationCounter counter;
        EXPECT_FALSE(text.GetDataFromMedium(nullptr, m));
        peak = counter.PeakBytes();
    }
    EXPECT_EQ(stream->Reads, 0);
    if (testsupport::TAllocationCounter::Available()) {
        EXPECT_LT(peak, int64_t(64 * 1024));
    }
    // Just within the limit a stream is read (and its real length is what counts).
    stream->ClaimedSize = 4;
    m.tymed = win::TYMED_ISTREAM;
    m.pstm = stream.Get();
    stream->AddRef();
    ASSERT_TRUE(text.GetDataFromMedium(nullptr, m));
    EXPECT_EQ(text.GetText(), "tiny");
}

// A stream that records the sizes of the writes it is given and can take fewer bytes than it is offered.
class RecordingStream final : public win::ComObject<win::IStream> {
public:
    win::HRESULT Read(void*, win::ULONG, win::ULONG*) override { return win::E_NOTIMPL; }
    win::HRESULT Write(const void*, win::ULONG count, win::ULONG* written) override {
        Writes.push_back(count);
        win::ULONG n = count;
        if (TakeAtMost && Total + n > TakeAtMost)
            n = win::ULONG(TakeAtMost - Total);
        Total += n;
        if (written)
            *written = n;
        return win::S_OK;
    }
    win::HRESULT Seek(win::LONGLONG, win::DWORD, win::ULONGLONG*) override { return win::E_NOTIMPL; }
    win::HRESULT SetSize(win::ULONGLONG) override { return win::E_NOTIMPL; }
    win::HRESULT CopyTo(win::IStream*, win::ULONGLONG, win::ULONGLONG*, win::ULONGLONG*) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
    win::HRESULT Revert() override { return win::S_OK; }
    win::HRESULT LockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT UnlockRegion(win::ULONGLONG, win::ULONGLONG, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Stat(win::STATSTG*, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Clone(win::IStream**) override { return win::E_NOTIMPL; }
    std::vector<win::ULONG> Writes;
    uint64_t Total = 0;
    uint64_t TakeAtMost = 0;
};

TEST(DragDropStreamAdapterTest, CopyToGoesInMebibytePiecesAndRewindsForTheRest) {
    const int64_t size = 2 * 1024 * 1024 + 512 * 1024;
    auto* memory = new vcl::TMemoryStream;
    memory->SetSize(size);
    auto adapter = win::ComPtr<TFixedStreamAdapter>::Attach(new TFixedStreamAdapter(memory));
    memory->SetPosition(size); // where a writer leaves it

    auto dest = win::ComPtr<RecordingStream>::Attach(new RecordingStream);
    win::ULONGLONG read = 0, written = 0;
    ASSERT_EQ(adapter->CopyTo(dest.Get(), ~win::ULONGLONG(0), &read, &written), win::S_OK);
    EXPECT_EQ(dest->Writes, (std::vector<win::ULONG>{0x100000, 0x100000, 0x80000}));
    EXPECT_EQ(read, win::ULONGLONG(size));
    EXPECT_EQ(written, win::ULONGLONG(size));

    // A count that fits one buffer is copied in one piece; the end of the stream ends a longer one.
    memory->SetPosition(size - 100);
    auto small = win::ComPtr<RecordingStream>::Attach(new RecordingStream);
    ASSERT_EQ(adapter->CopyTo(small.Get(), 1000, &read, &written), win::S_OK);
    EXPECT_EQ(small->Writes, (std::vector<win::ULONG>{100}));
    EXPECT_EQ(read, 100u);

    // A destination that takes fewer bytes than it was given ends the copy with E_FAIL, the totals set.
    memory->SetPosition(0);
    auto full = win::ComPtr<RecordingStream>::Attach(new RecordingStream);
    full->TakeAtMost = 0x100000 + 10;
    ASSERT_EQ(adapter->CopyTo(full.Get(), win::ULONGLONG(size), &read, &written), win::E_FAIL);
    EXPECT_EQ(read, win::ULONGLONG(0x200000));
    EXPECT_EQ(written, win::ULONGLONG(0x100000 + 10));
}

TEST_F(DragDropFormatsTest, DataFormatsReadThroughTheirConversions) {
    auto object = win::CreateMemoryDataObject(
        {{uint16_t(win::CF_TEXT), Bytes(std::string("dropped\0", 8))},
         {uint16_t(win::RegisterClipboardFormat(win::CFSTR_PREFERREDDROPEFFECT)), {2, 0, 0, 0}},
         {uint16_t(win::RegisterClipboardFormat(win::CFSTR_INDRAGLOOP)), {1, 0, 0, 0}}});
    TTextDataFormat text(nullptr);
    int changes = 0;
    text.OnChanging = [&](TObject*) { ++changes; };
    EXPECT_TRUE(text.HasValidFormats(object.Get()));
    ASSERT_TRUE(text.GetData(object.Get()));
    EXPECT_EQ(text.GetText(), "dropped");
    EXPECT_GT(changes, 0);
    text.Clear();
    EXPECT_FALSE(text.HasData());

    TFeedbackDataFormat feedback(nullptr);
    ASSERT_TRUE(feedback.GetData(object.Get()));
    EXPECT_EQ(feedback.GetPreferredDropEffect(), 2);
    EXPECT_TRUE(feedback.GetInShellDragLoop());
    feedback.SetPasteSucceeded(1);
    feedback.Clear();
    EXPECT_EQ(feedback.GetPreferredDropEffect(), 0);
    EXPECT_FALSE(feedback.GetInShellDragLoop());
    EXPECT_EQ(feedback.GetPasteSucceeded(), 1); // kept by Clear
    EXPECT_TRUE(feedback.HasData());

    // A format the object lacks reads nothing.
    auto empty = win::CreateMemoryDataObject({{uint16_t(win::CF_UNICODETEXT), {'x', 0}}});
    TTextDataFormat none(nullptr);
    EXPECT_FALSE(none.HasValidFormats(empty.Get()));
    EXPECT_FALSE(none.GetData(empty.Get()));
}

TEST_F(DragDropFormatsTest, StreamListMovesItsStreams) {
    TStreamList a, b;
    int changes = 0;
    a.OnChanging = [&](TObject*) { ++changes; };
    a.Add(new vcl::TMemoryStream, "x");
    a.Add(new vcl::TMemoryStream, "y");
    EXPECT_EQ(changes, 2);
    b.Assign(&a);
    EXPECT_EQ(a.Count(), 0);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b.Names(1), "y");
    b.Clear();
    EXPECT_EQ(b.Count(), 0);
}

} // namespace
