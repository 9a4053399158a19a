// TRegistry: the per-user settings store, kept in $XDG_CONFIG_HOME/loomwick/registry.ini (by default
// ~/.config/loomwick/registry.ini), one ini section per key ("[HKEY_CURRENT_USER\Software\Quorvane]").
//
// All TRegistry objects of the process share one copy of the store, loaded once (and again when the file
// changed on disk while nothing was pending) and guarded by a mutex, so each sees the others' writes at
// once. Changes reach the file, through a temporary file renamed into place, when a key is closed (see
// CloseKey) or its TRegistry freed, and at once after every write with LazyWrite off.
//
// In the file, strings are written as they are unless they need protection, then as "sz:" with %XX
// escapes; integers as "dword:<decimal>", binary data as "hex:01,ff". The default value's name is "@".
#pragma once

#include "platform/vcl/Object.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace vcl {

class TStrings;

inline const win::HKEY HKEY_CLASSES_ROOT = reinterpret_cast<win::HKEY>(uintptr_t(0x80000000));
inline const win::HKEY HKEY_CURRENT_USER = reinterpret_cast<win::HKEY>(uintptr_t(0x80000001));
inline const win::HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<win::HKEY>(uintptr_t(0x80000002));
inline const win::HKEY HKEY_USERS = reinterpret_cast<win::HKEY>(uintptr_t(0x80000003));
inline const win::HKEY HKEY_CURRENT_CONFIG = reinterpret_cast<win::HKEY>(uintptr_t(0x80000005));

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr uint32_t KEY_NOTIFY = 0x0010;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int32_t DataSize = 0;
};

class TRegistry : public TObject {
public:
    TRegistry() : TRegistry(KEY_ALL_ACCESS) {}
    explicit TRegistry(uint32_t access);
    // Closes the key, saving pending changes.
    ~TRegistry() override;

    win::HKEY GetRootKey() const { return FRootKey; }
    // Closes the current key. Roots other than HKEY_CURRENT_USER are kept under their own names.
    void SetRootKey(win::HKEY value);
    // The root key while a key is open, otherwise null.
    win::HKEY GetCurrentKey() const { return FOpen ? FRootKey : nullptr; }
    // The open key's path below the root, without a leading "\" ("Software\Quorvane Software").
    const std::string& GetCurrentPath() const { return FCurrentPath; }
    uint32_t GetAccess() const { return FAccess; }
    void SetAccess(uint32_t value) { FAccess = value; }
    bool GetLazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool value) { FLazyWrite = value; }

    // key is relative to the open key, or to the root with a leading "\". False when the key does not
    // exist and canCreate is false, or cannot be created.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    // Saves pending changes (a failed save is kept pending and tried again at the next close). Within a
    // second of the last save the changes stay pending until the next close, the object's end or exit.
    void CloseKey();
    bool CreateKey(const std::string& key);
    // Deletes the key with all its sub-keys.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);
    bool HasSubKeys();
    void GetKeyNames(TStrings* strings);
    void GetValueNames(TStrings* strings);

    bool ValueExists(const std::string& name);
    bool DeleteValue(const std::string& name);
    // -1 for a missing value; a string counts its terminating zero.
    int32_t GetDataSize(const std::string& name);
    TRegDataType GetDataType(const std::string& name);
    bool GetDataInfo(const std::string& name, TRegDataInfo& info);

    // A missing value or one of another type raises ERegistryException "Invalid data type for '%s'".
    std::string ReadString(const std::string& name);
    int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);
    // Copies the value into buffer and returns its size; a buffer too small raises as above.
    int32_t ReadBinaryData(const std::string& name, void* buffer, int32_t bufSize);

    // Without an open key, on a key opened read-only, or on a key deleted meanwhile these raise
    // ERegistryException "Failed to set data for '%s'".
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinaryData(const std::string& name, const void* buffer, int32_t bufSize);

    // The file the store lives in, from the environment.
    static std::string StoreFileName();

private:
    void Close(bool force);
    std::string ResolvePath(const std::string& key, bool& valid) const;
    std::string SectionOf(const std::string& path) const;
    void WriteValue(const std::string& name, const std::string& encoded);
    std::string ReadValue(const std::string& name, TRegDataType expected);

    win::HKEY FRootKey;
    uint32_t FAccess;
    bool FLazyWrite = true;
    bool FOpen = false;
    bool FReadOnly = false;
    std::string FCurrentPath;
};

} // namespace vcl
