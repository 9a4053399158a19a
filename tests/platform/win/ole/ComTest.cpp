#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/ObjIdl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace win;

namespace {

struct IColour : IUnknown {
    static constexpr IID Iid{0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    virtual int Red() = 0;
};
struct IShape : IUnknown {
    static constexpr IID Iid{0x12345678, 1, 3, {1, 2, 3, 4, 5, 6, 7, 8}};
    virtual int Corners() = 0;
};

int livingObjects = 0;

class Square final : public ComObject<IColour, IShape> {
public:
    Square() { ++livingObjects; }
    ~Square() override { --livingObjects; }
    int Red() override { return 255; }
    int Corners() override { return 4; }
};

std::vector<uint8_t> Bytes(const char* text) {
    return {text, text + std::strlen(text) + 1};
}

} // namespace

TEST(Com, ObjectsAnswerTheirInterfacesAndLiveWhileReferenced) {
    {
        auto square = ComPtr<IColour>::Attach(new Square);
        EXPECT_EQ(livingObjects, 1);
        ComPtr<IShape> shape = square.As<IShape>();
        ASSERT_TRUE(shape);
        EXPECT_EQ(shape->Corners(), 4);
        // Both interfaces give the same identity.
        ComPtr<IUnknown> a = square.As<IUnknown>(), b = shape.As<IUnknown>();
        EXPECT_EQ(a.Get(), b.Get());
        EXPECT_FALSE(square.As<IStream>());
        void* none = &a;
        EXPECT_EQ(square->QueryInterface(IStream::Iid, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        square.Reset();
        EXPECT_EQ(livingObjects, 1); // shape, a and b still hold it
    }
    EXPECT_EQ(livingObjects, 0);
}

TEST(Com, GuidsReadAndWriteTheirText) {
    GUID helper;
    ASSERT_TRUE(StringToGuid("{4657278A-411B-11D2-839A-00C04FD918D0}", &helper));
    EXPECT_EQ(helper.Data1, 0x4657278Au);
    EXPECT_EQ(helper.Data4[7], 0xD0);
    EXPECT_EQ(GuidToString(helper), "{4657278A-411B-11D2-839A-00C04FD918D0}");
    EXPECT_FALSE(StringToGuid("{4657278A-411B-11D2-839A-00C04FD918}", &helper));
    EXPECT_FALSE(StringToGuid("{4657278A-411B-11D2-839A-00C04FD918DX}", &helper));
    void* object = &helper;
    EXPECT_EQ(CoCreateInstance(helper, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_THROW(OleCheck(E_FAIL), OleError);
    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
}

TEST(Com, TaskAllocatorKnowsItsBlockSizes) {
    IMalloc* malloc = nullptr;
    ASSERT_EQ(CoGetMalloc(1, &malloc), S_OK);
    void* block = malloc->Alloc(40);
    EXPECT_EQ(malloc->GetSize(block), 40u);
    block = malloc->Realloc(block, 4000);
    EXPECT_EQ(malloc->GetSize(block), 4000u);
    malloc->Free(block);
    CoTaskMemFree(nullptr);
}

TEST(Streams, GlobalBlockStreamReadsWritesSeeksAndCopies) {
    IStream* raw = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &raw), S_OK);
    auto stream = ComPtr<IStream>::Attach(raw);
    ULONG n = 0;
    EXPECT_EQ(stream->Write("hello world", 11, &n), S_OK);
    EXPECT_EQ(n, 11u);
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize, 11u);
    ULONGLONG at = 0;
    EXPECT_EQ(stream->Seek(-5, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at, 6u);
    char buffer[16] = {};
    EXPECT_EQ(stream->Read(buffer, 16, &n), S_FALSE); // fewer than asked
    EXPECT_EQ(std::string(buffer, n), "world");
    EXPECT_NE(stream->Seek(-1, STREAM_SEEK_SET, nullptr), S_OK);

    // Writing past the end grows the stream with zeros in the gap.
    stream->Seek(13, STREAM_SEEK_SET, nullptr);
    stream->Write("!", 1, &n);
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize, 14u);

    IStream* copyRaw = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &copyRaw), S_OK);
    auto copy = ComPtr<IStream>::Attach(copyRaw);
    stream->Seek(6, STREAM_SEEK_SET, nullptr);
    ULONGLONG read = 0, written = 0;
    EXPECT_EQ(stream->CopyTo(copy.Get(), ~0ull, &read, &written), S_OK);
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(written, 8u);
    HGLOBAL block = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(copy.Get(), &block), S_OK);
    ASSERT_EQ(GlobalSize(block), 8u);
    EXPECT_EQ(std::memcmp(GlobalLock(block), "world\0\0!", 8), 0);
    GlobalUnlock(block);
}

TEST(DataObjects, BlocksComeAsGlobalMemoryOrStreamsAndTheFormatsEnumerate) {
    auto data = CreateMemoryDataObject({{1, Bytes("text")}, {0xC100, Bytes("gif")}});
    FORMATETC f{1, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium;
    ASSERT_EQ(data->GetData(&f, &medium), S_OK);
    EXPECT_EQ(medium.tymed, TYMED_HGLOBAL);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadMediumBytes(medium, &bytes));
    EXPECT_EQ(bytes, Bytes("text"));
    ReleaseStgMedium(&medium);
    EXPECT_EQ(medium.tymed, TYMED_NULL);

    f = {0xC100, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    ASSERT_EQ(data->GetData(&f, &medium), S_OK);
    EXPECT_EQ(medium.tymed, TYMED_ISTREAM);
    STGMEDIUM copy;
    ASSERT_EQ(CopyStgMedium(&medium, &copy), S_OK);
    ReleaseStgMedium(&medium);
    ASSERT_TRUE(ReadMediumBytes(copy, &bytes)); // the copy holds its own reference
    EXPECT_EQ(bytes, Bytes("gif"));
    ReleaseStgMedium(&copy);

    // Refused: unknown formats, other aspects, media it cannot give.
    struct Case {
        FORMATETC F;
    } refused[] = {{{2, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}},
                   {{1, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL}},
                   {{1, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI}}};
    for (auto& c : refused) {
        EXPECT_EQ(data->QueryGetData(&c.F), DV_E_FORMATETC);
        EXPECT_EQ(data->GetData(&c.F, &medium), DV_E_FORMATETC);
    }

    // A target writing back: the object takes the block and then offers the format.
    f = {0xC200, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalFromBytes({5, 0, 0, 0});
    EXPECT_EQ(data->SetData(&f, &medium, TRUE), S_OK);
    EXPECT_EQ(medium.tymed, TYMED_NULL);
    EXPECT_EQ(data->QueryGetData(&f), S_OK);

    IEnumFORMATETC* raw = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &raw), S_OK);
    auto formats = ComPtr<IEnumFORMATETC>::Attach(raw);
    FORMATETC got[4];
    ULONG fetched = 0;
    EXPECT_EQ(formats->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[0].cfFormat, 1);
    EXPECT_EQ(got[1].cfFormat, 0xC100);
    IEnumFORMATETC* cloneRaw = nullptr;
    ASSERT_EQ(formats->Clone(&cloneRaw), S_OK);
    auto clone = ComPtr<IEnumFORMATETC>::Attach(cloneRaw);
    EXPECT_EQ(formats->Next(4, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got[0].cfFormat, 0xC200);
    EXPECT_EQ(clone->Skip(1), S_OK); // the clone kept its own place
    EXPECT_EQ(clone->Skip(1), S_FALSE);
    formats->Reset();
    EXPECT_EQ(formats->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, 1);
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &raw), E_NOTIMPL);
}

TEST(DataObjects, AMediumWithAReleaseObjectIsReleasedThroughIt) {
    livingObjects = 0;
    STGMEDIUM medium;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 4);
    medium.pUnkForRelease = static_cast<IColour*>(new Square);
    HGLOBAL block = medium.hGlobal;
    ReleaseStgMedium(&medium);
    EXPECT_EQ(livingObjects, 0);
    EXPECT_EQ(GlobalSize(block), 4u); // the block belongs to the release object's owner
    GlobalFree(block);
}

namespace {

// The object's reference count, read without changing it.
ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

} // namespace

TEST(Com, AnInterfaceHandedToAnotherThreadIsTheSameObject) {
    auto square = ComPtr<IColour>::Attach(new Square);
    ComPtr<IUnknown> identity = square.As<IUnknown>();
    const ULONG start = References(square.Get());
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IShape::Iid, square.Get(), &stream), S_OK);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(References(square.Get()), start + 1); // the stream holds one
    stream->AddRef(); // kept to try a second take

    IUnknown* sameObject = nullptr;
    int corners = 0;
    HRESULT taken = E_FAIL;
    std::thread other([&] {
        CoInitialize(nullptr);
        IShape* shape = nullptr;
        taken = CoGetInterfaceAndReleaseStream(stream, IShape::Iid, reinterpret_cast<void**>(&shape));
        if (shape) {
            corners = shape->Corners();
            shape->QueryInterface(IUnknown::Iid, reinterpret_cast<void**>(&sameObject));
            sameObject->Release();
            shape->Release();
        }
        CoUninitialize();
    });
    other.join();
    EXPECT_EQ(taken, S_OK);
    EXPECT_EQ(corners, 4);
    EXPECT_EQ(sameObject, identity.Get());
    EXPECT_EQ(References(square.Get()), start);

    // The reference was handed back once: a second take fails and leaves the counts alone.
    void* again = &again;
    EXPECT_EQ(CoGetInterfaceAndReleaseStream(stream, IShape::Iid, &again), E_INVALIDARG);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(References(square.Get()), start);
    EXPECT_EQ(livingObjects, 1);
}

TEST(Com, MarshallingRefusesWhatItCannotCarry) {
    auto square = ComPtr<IColour>::Attach(new Square);
    const ULONG start = References(square.Get());
    IStream* stream = nullptr;
    EXPECT_EQ(CoMarshalInterThreadInterfaceInStream(IStream::Iid, square.Get(), &stream), E_NOINTERFACE);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(CoMarshalInterThreadInterfaceInStream(IShape::Iid, nullptr, &stream), E_INVALIDARG);

    // A stream released untaken gives its reference back.
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IShape::Iid, square.Get(), &stream), S_OK);
    stream->Release();
    EXPECT_EQ(References(square.Get()), start);

    // Taken as another interface of the object.
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IShape::Iid, square.Get(), &stream), S_OK);
    IColour* colour = nullptr;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(stream, IColour::Iid, reinterpret_cast<void**>(&colour)), S_OK);
    EXPECT_EQ(colour->Red(), 255);
    colour->Release();
    EXPECT_EQ(References(square.Get()), start);

    // A stream of another kind carries nothing.
    IStream* plain = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &plain), S_OK);
    void* none = &none;
    EXPECT_EQ(CoGetInterfaceAndReleaseStream(plain, IShape::Iid, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
}
