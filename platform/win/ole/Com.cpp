#include "platform/win/ole/Com.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

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

} // namespace win
