// The component object base: result codes, interface ids, reference-counted interfaces with
// QueryInterface by id, a smart pointer for them, the task allocator, and the start-up calls. Everything
// lives in one process and one apartment: handing an interface to another thread passes the pointer
// itself, and there is no class registry.
#pragma once

#include "platform/win/WinTypes.h"

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

namespace win {

using HRESULT = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFF);
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000E);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002);
constexpr HRESULT E_POINTER = HRESULT(0x80004003);
constexpr HRESULT E_FAIL = HRESULT(0x80004005);
constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005);
constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = HRESULT(0x800401F0);
constexpr HRESULT STG_E_INVALIDFUNCTION = HRESULT(0x80030001);
constexpr HRESULT STG_E_INVALIDPOINTER = HRESULT(0x80030009);
constexpr HRESULT STG_E_MEDIUMFULL = HRESULT(0x80030070);
constexpr HRESULT STG_E_REVERTED = HRESULT(0x80030102);
constexpr HRESULT STG_E_CANTSAVE = HRESULT(0x80030103);

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
    constexpr bool operator==(const GUID& o) const {
        if (Data1 != o.Data1 || Data2 != o.Data2 || Data3 != o.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (Data4[i] != o.Data4[i])
                return false;
        return true;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
inline constexpr GUID GUID_NULL{};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GuidToString(const GUID& guid);
// Reads the form above (braces optional); false for anything else.
bool StringToGuid(const std::string& text, GUID* guid);

// Every interface derives from IUnknown and names its id as a static member `Iid`. A class that implements
// several interfaces overrides the three methods once; the override serves every base.
struct IUnknown {
    static constexpr IID Iid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default; // objects go through Release, never delete
};
inline constexpr IID IID_IUnknown = IUnknown::Iid;

// An owning reference to an interface: AddRef on copy, Release on reset.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own.
    explicit ComPtr(T* p) : FPtr(p) {
        if (FPtr)
            FPtr->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.FPtr) {}
    ComPtr(ComPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }
    // Adopts a reference the caller already holds (the result of a call with an out parameter).
    static ComPtr Attach(T* p) {
        ComPtr r;
        r.FPtr = p;
        return r;
    }
    T* Detach() { return std::exchange(FPtr, nullptr); }
    void Reset() {
        if (T* p = std::exchange(FPtr, nullptr))
            p->Release();
    }
    // For out parameters: releases what is held and gives the slot.
    T** Put() {
        Reset();
        return &FPtr;
    }
    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    void Swap(ComPtr& o) noexcept { std::swap(FPtr, o.FPtr); }
    // Asks the object for another interface; empty when it has none.
    template <typename U> ComPtr<U> As() const {
        U* p = nullptr;
        if (FPtr && SUCCEEDED(FPtr->QueryInterface(U::Iid, reinterpret_cast<void**>(&p))))
            return ComPtr<U>::Attach(p);
        return {};
    }

private:
    T* FPtr = nullptr;
};

// Implements IUnknown for a class deriving from the listed interfaces: a thread-safe count starting at 1
// (the creator's reference) and deletion at 0. QueryInterface answers IUnknown and each listed interface's
// Iid; a class with interfaces beyond these overrides QueryInterfaceExtra.
template <typename... Interfaces> class ComObject : public Interfaces... {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IUnknown::Iid)
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (void)((iid == Interfaces::Iid ? (*object = static_cast<Interfaces*>(this), true) : false) ||
                   ...);
        if (!*object && !QueryInterfaceExtra(iid, object))
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++FRefCount; }
    ULONG Release() override {
        ULONG n = --FRefCount;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // Sets *object (without AddRef) for further interfaces; false when there is none.
    virtual bool QueryInterfaceExtra(REFIID iid, void** object) { return false; }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
    std::atomic<ULONG> FRefCount{1};
};

// A failed call reported as an exception, with the call's result code.
class OleError : public std::runtime_error {
public:
    explicit OleError(HRESULT code);
    OleError(HRESULT code, const std::string& message) : std::runtime_error(message), FCode(code) {}
    HRESULT Code() const { return FCode; }

private:
    HRESULT FCode;
};
// Throws OleError for a failed result; returns the result otherwise.
HRESULT OleCheck(HRESULT hr);
// The usual text of a result code ("Unspecified error", "No such interface supported" ...).
std::string ResultText(HRESULT hr);

// Start-up and shut-down of the component library (counted per thread; calls beyond the first answer
// S_FALSE, as the platform does).
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;
// There is no class registry: no class can be made this way, and callers take their fallbacks.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

// The task allocator: blocks that cross an interface boundary (item-id lists, strings).
void* CoTaskMemAlloc(SIZE_T size);
void* CoTaskMemRealloc(void* block, SIZE_T size);
void CoTaskMemFree(void* block);

struct IMalloc : IUnknown {
    static constexpr IID Iid{0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual void* Alloc(SIZE_T size) = 0;
    virtual void* Realloc(void* block, SIZE_T size) = 0;
    virtual void Free(void* block) = 0;
    virtual SIZE_T GetSize(void* block) = 0;
    virtual int DidAlloc(void* block) = 0;
    virtual void HeapMinimize() = 0;
};
inline constexpr IID IID_IMalloc = IMalloc::Iid;
// The task allocator as an interface (memContext must be 1).
HRESULT CoGetMalloc(DWORD memContext, IMalloc** malloc);

struct IStream;
// Hands an interface to another thread. The stream holds one reference to the object's iid interface
// (E_NOINTERFACE when it has none, with *stream null); CoGetInterfaceAndReleaseStream gives that reference
// out once, as the interface asked for, and releases the stream whatever the outcome: a stream taken
// before, or one this call did not make, answers E_INVALIDARG. A stream released untaken releases its
// reference too.
HRESULT CoMarshalInterThreadInterfaceInStream(REFIID iid, IUnknown* object, IStream** stream);
HRESULT CoGetInterfaceAndReleaseStream(IStream* stream, REFIID iid, void** object);

} // namespace win
