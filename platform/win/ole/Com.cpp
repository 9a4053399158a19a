#include "platform/win/ole/Com.h"

#include "platform/win/ole/ObjIdl.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace win {

namespace {

thread_local int comInitCount = 0;

// Task-allocator blocks carry their size in front so that GetSize can answer.
constexpr size_t comTaskHeader = 16;

} // namespace

std::string GuidToString(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool StringToGuid(const std::string& text, GUID* guid) {
    std::string s = text;
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return false;
    std::string hex;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(s[i])))
            return false;
        hex += s[i];
    }
    auto part = [&](size_t at, size_t n) { return uint32_t(std::stoul(hex.substr(at, n), nullptr, 16)); };
    GUID g;
    g.Data1 = part(0, 8);
    g.Data2 = uint16_t(part(8, 4));
    g.Data3 = uint16_t(part(12, 4));
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = uint8_t(part(16 + size_t(i) * 2, 2));
    if (guid)
        *guid = g;
    return true;
}

std::string ResultText(HRESULT hr) {
    switch (hr) {
    case S_OK:
        return "The operation completed successfully";
    case E_UNEXPECTED:
        return "Catastrophic failure";
    case E_NOTIMPL:
        return "Not implemented";
    case E_OUTOFMEMORY:
        return "Not enough memory resources are available to complete this operation";
    case E_INVALIDARG:
        return "The parameter is incorrect";
    case E_NOINTERFACE:
        return "No such interface supported";
    case E_POINTER:
        return "Invalid pointer";
    case E_FAIL:
        return "Unspecified error";
    case E_ACCESSDENIED:
        return "Access is denied";
    case REGDB_E_CLASSNOTREG:
        return "Class not registered";
    case CO_E_NOTINITIALIZED:
        return "CoInitialize has not been called";
    default: {
        char text[48];
        std::snprintf(text, sizeof text, "OLE error %08X", unsigned(hr));
        return text;
    }
    }
}

OleError::OleError(HRESULT code) : std::runtime_error(ResultText(code)), FCode(code) {}

HRESULT OleCheck(HRESULT hr) {
    if (FAILED(hr))
        throw OleError(hr);
    return hr;
}

HRESULT CoInitialize(void*) {
    return comInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (comInitCount > 0)
        --comInitCount;
}

HRESULT CoCreateInstance(REFCLSID, IUnknown*, DWORD, REFIID, void** object) {
    if (object)
        *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

void* CoTaskMemAlloc(SIZE_T size) {
    auto* block = static_cast<uint8_t*>(std::malloc(comTaskHeader + size));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    return block + comTaskHeader;
}

void* CoTaskMemRealloc(void* p, SIZE_T size) {
    if (!p)
        return CoTaskMemAlloc(size);
    auto* block =
        static_cast<uint8_t*>(std::realloc(static_cast<uint8_t*>(p) - comTaskHeader, comTaskHeader + size));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    return block + comTaskHeader;
}

void CoTaskMemFree(void* p) {
    if (p)
        std::free(static_cast<uint8_t*>(p) - comTaskHeader);
}

namespace {

class TaskAllocator final : public IMalloc {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = iid == IUnknown::Iid || iid == IMalloc::Iid ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    // One allocator for the process: references are not counted.
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    void* Alloc(SIZE_T size) override { return CoTaskMemAlloc(size); }
    void* Realloc(void* block, SIZE_T size) override { return CoTaskMemRealloc(block, size); }
    void Free(void* block) override { CoTaskMemFree(block); }
    SIZE_T GetSize(void* block) override {
        if (!block)
            return SIZE_T(-1);
        SIZE_T size;
        std::memcpy(&size, static_cast<uint8_t*>(block) - comTaskHeader, sizeof size);
        return size;
    }
    int DidAlloc(void* block) override { return -1; }
    void HeapMinimize() override {}
};

} // namespace

HRESULT CoGetMalloc(DWORD memContext, IMalloc** malloc) {
    if (!malloc)
        return E_INVALIDARG;
    *malloc = nullptr;
    if (memContext != 1)
        return E_INVALIDARG;
    static TaskAllocator allocator;
    *malloc = &allocator;
    return S_OK;
}

namespace {

// What CoMarshalInterThreadInterfaceInStream hands out: a stream object that carries the interface pointer
// itself. Its stream methods do nothing; callers only pass it to the other thread and take it back.
struct IMarshalledInterface : IUnknown {
    static constexpr IID Iid{0x5B0E3E4C, 0x7D21, 0x4C39, {0x9A, 0x51, 0x2E, 0x6F, 0x1D, 0x83, 0xC4, 0x07}};
    // The held reference, once; null when it was taken before.
    virtual IUnknown* Take() = 0;
};

class MarshalStream final : public ComObject<IStream, IMarshalledInterface> {
public:
    explicit MarshalStream(IUnknown* held) : FHeld(held) {}
    ~MarshalStream() override {
        if (FHeld)
            FHeld->Release();
    }

    IUnknown* Take() override {
        std::lock_guard lock(FLock);
        return std::exchange(FHeld, nullptr);
    }

    HRESULT Read(void*, ULONG, ULONG* read) override {
        if (read)
            *read = 0;
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT Write(const void*, ULONG, ULONG* written) override {
        if (written)
            *written = 0;
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT Seek(LONGLONG, DWORD, ULONGLONG*) override { return STG_E_INVALIDFUNCTION; }
    HRESULT SetSize(ULONGLONG) override { return STG_E_INVALIDFUNCTION; }
    HRESULT CopyTo(IStream*, ULONGLONG, ULONGLONG* read, ULONGLONG* written) override {
        if (read)
            *read = 0;
        if (written)
            *written = 0;
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        return S_OK;
    }
    HRESULT Clone(IStream** stream) override {
        if (stream)
            *stream = nullptr;
        return STG_E_INVALIDFUNCTION;
    }

private:
    std::mutex FLock;
    IUnknown* FHeld;
};

} // namespace

HRESULT CoMarshalInterThreadInterfaceInStream(REFIID iid, IUnknown* object, IStream** stream) {
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    if (!object)
        return E_INVALIDARG;
    IUnknown* held = nullptr;
    HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&held));
    if (FAILED(hr))
        return hr;
    *stream = new MarshalStream(held);
    return S_OK;
}

HRESULT CoGetInterfaceAndReleaseStream(IStream* stream, REFIID iid, void** object) {
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (!stream)
        return E_INVALIDARG;
    IMarshalledInterface* marshalled = nullptr;
    IUnknown* held = nullptr;
    if (SUCCEEDED(stream->QueryInterface(IMarshalledInterface::Iid, reinterpret_cast<void**>(&marshalled)))) {
        held = marshalled->Take();
        marshalled->Release();
    }
    stream->Release();
    if (!held)
        return E_INVALIDARG;
    // The caller gets its own reference to the interface it asks for; the one the stream held goes.
    HRESULT hr = held->QueryInterface(iid, object);
    held->Release();
    return hr;
}

} // namespace win
