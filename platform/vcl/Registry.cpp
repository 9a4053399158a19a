#include "platform/vcl/Registry.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/PercentCoding.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace vcl {

namespace {

// ---- Encoding of names and values -------------------------------------------------------------------

const char RegHex[] = "0123456789ABCDEF";

// %XX for '%', control bytes, the bytes in special, and blanks at either end.
std::string RegEscape(std::string_view s, std::string_view special, std::string_view specialFirst = {}) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        bool edgeBlank = c == ' ' && (i == 0 || i + 1 == s.size());
        bool first = i == 0 && specialFirst.find(char(c)) != std::string_view::npos;
        if (c < 0x20 || c == 0x7F || c == '%' || edgeBlank || first ||
            special.find(char(c)) != std::string_view::npos) {
            out += '%';
            out += RegHex[c >> 4];
            out += RegHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string RegEncodeName(const std::string& name) {
    return name.empty() ? "@" : RegEscape(name, "=", ";#[@\"");
}
std::string RegDecodeName(const std::string& name) {
    return name == "@" ? std::string() : win::PercentDecode(name);
}
std::string RegEncodeKeyPart(const std::string& part) {
    return RegEscape(part, "[]");
}

constexpr std::string_view RegPrefixString = "sz:";
constexpr std::string_view RegPrefixExpand = "expand:";
constexpr std::string_view RegPrefixInteger = "dword:";
constexpr std::string_view RegPrefixBinary = "hex:";

bool RegStartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string RegEncodeString(const std::string& value) {
    bool plain = !value.empty() && RegEscape(value, "") == value && !RegStartsWith(value, RegPrefixString) &&
                 !RegStartsWith(value, RegPrefixExpand) && !RegStartsWith(value, RegPrefixInteger) &&
                 !RegStartsWith(value, RegPrefixBinary);
    return plain ? value : std::string(RegPrefixString) + RegEscape(value, "");
}

struct RegValue {
    TRegDataType Type = rdUnknown;
    std::string Data; // the string, the binary bytes, or the integer's four bytes
};

RegValue RegDecode(const std::string& stored) {
    RegValue v;
    std::string_view s = stored;
    if (RegStartsWith(s, RegPrefixString)) {
        v.Type = rdString;
        v.Data = win::PercentDecode(s.substr(RegPrefixString.size()));
    } else if (RegStartsWith(s, RegPrefixExpand)) {
        v.Type = rdExpandString;
        v.Data = win::PercentDecode(s.substr(RegPrefixExpand.size()));
    } else if (RegStartsWith(s, RegPrefixInteger)) {
        int64_t n;
        if (!TryStrToInt64(std::string(s.substr(RegPrefixInteger.size())), n) || n < INT32_MIN ||
            n > UINT32_MAX)
            return v; // damaged: unknown type
        uint32_t u = static_cast<uint32_t>(n);
        v.Type = rdInteger;
        v.Data.assign(reinterpret_cast<const char*>(&u), 4);
    } else if (RegStartsWith(s, RegPrefixBinary)) {
        s.remove_prefix(RegPrefixBinary.size());
        v.Type = rdBinary;
        for (size_t i = 0; i < s.size();) {
            if (s[i] == ',' || s[i] == ' ') {
                ++i;
                continue;
            }
            int hi = win::HexDigitValue(s[i]), lo = i + 1 < s.size() ? win::HexDigitValue(s[i + 1]) : -1;
            if (hi < 0 || lo < 0)
                return RegValue{};
            v.Data += char(hi * 16 + lo);
            i += 2;
        }
    } else {
        v.Type = rdString;
        v.Data = stored;
    }
    return v;
}

// ---- The process-wide store -------------------------------------------------------------------------

struct RegStamp {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    struct timespec Time {};
    bool operator==(const RegStamp& o) const {
        return Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size &&
               Time.tv_sec == o.Time.tv_sec && Time.tv_nsec == o.Time.tv_nsec;
    }
};

RegStamp RegStampOf(const std::string& path) {
    RegStamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        s.Exists = true;
        s.Device = st.st_dev;
        s.Inode = st.st_ino;
        s.Size = st.st_size;
        s.Time = st.st_mtim;
    }
    return s;
}

class RegStore {
public:
    // Brings the copy in line with the file named by the environment. Called with Lock held.
    void Sync() {
        std::string path = TRegistry::StoreFileName();
        if (Loaded && path == FPath && (Dirty || RegStampOf(path) == FStamp))
            return;
        if (Loaded && path != FPath && Dirty)
            Flush();
        FPath = path;
        FSaved = false;
        FStamp = RegStampOf(path);
        Doc.Clear();
        std::string text;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            char buffer[65536];
            for (;;) {
                ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                text.append(buffer, size_t(n));
            }
            ::close(fd);
        }
        Doc.Parse(text);
        Loaded = true;
        Dirty = false;
    }

    // Writes the copy to its file; false (the copy staying dirty) when that fails. Unless forced, a save
    // within a second of the last one is left pending: code that closes a key after every few values
    // (a toolbar layout has hundreds) would otherwise write the whole file hundreds of times. Pending
    // changes are saved by the next close after that second, when a TRegistry is freed, and at exit.
    // Called with Lock held.
    bool Flush(bool force = true) {
        if (!Dirty)
            return true;
        auto now = std::chrono::steady_clock::now();
        if (!force && FSaved && now - FLastSave < std::chrono::seconds(1))
            return true;
        try {
            ForceDirectories(ExtractFileDir(FPath));
            std::string text = Doc.Serialize();
            SaveFileSafely(FPath, [&](TStream& stream) {
                if (!text.empty())
                    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
            });
        } catch (const Exception&) {
            return false;
        }
        FStamp = RegStampOf(FPath);
        Dirty = false;
        FSaved = true;
        FLastSave = now;
        return true;
    }

    std::mutex Lock;
    TIniDocument Doc;
    bool Dirty = false;

private:
    std::string FPath;
    RegStamp FStamp;
    bool Loaded = false;
    bool FSaved = false;
    std::chrono::steady_clock::time_point FLastSave;
};

// The store is never destroyed, so that a TRegistry freed late in the program's exit (a static one, say)
// still finds it; pending changes are saved at exit.
RegStore& RegShared() {
    static RegStore* store = [] {
        auto* s = new RegStore;
        std::atexit([] {
            RegStore& st = RegShared();
            std::lock_guard<std::mutex> guard(st.Lock);
            st.Flush();
        });
        return s;
    }();
    return *store;
}

std::string RegRootName(win::HKEY root) {
    switch (reinterpret_cast<uintptr_t>(root)) {
    case 0x80000000:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001:
        return "HKEY_CURRENT_USER";
    case 0x80000002:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003:
        return "HKEY_USERS";
    case 0x80000005:
        return "HKEY_CURRENT_CONFIG";
    default:
        return "HKEY_" + IntToHex(int64_t(reinterpret_cast<uintptr_t>(root)), 8);
    }
}

// True when the section or any section below it exists. Called with the store locked.
bool RegKeyExists(const TIniDocument& doc, const std::string& section) {
    return doc.SectionExists(section) || doc.HasSectionStartingWith(section + "\\");
}

} // namespace

// ---- TRegistry --------------------------------------------------------------------------------------

std::string TRegistry::StoreFileName() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        std::string homeDir = home && home[0] ? home : "";
        if (homeDir.empty()) {
            struct passwd pw {};
            struct passwd* result = nullptr;
            char buffer[4096];
            if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
                homeDir = result->pw_dir;
        }
        base = ExcludeTrailingPathDelimiter(homeDir.empty() ? std::string("/tmp") : homeDir) + "/.config";
    }
    return ExcludeTrailingPathDelimiter(base) + "/loomwick/registry.ini";
}

TRegistry::TRegistry(uint32_t access) : FRootKey(HKEY_CURRENT_USER), FAccess(access) {}

TRegistry::~TRegistry() {
    Close(true);
}

void TRegistry::SetRootKey(win::HKEY value) {
    if (value == FRootKey)
        return;
    CloseKey();
    FRootKey = value;
}

std::string TRegistry::ResolvePath(const std::string& key, bool& valid) const {
    bool absolute = !key.empty() && key[0] == '\\';
    std::string path = absolute || !FOpen ? std::string() : FCurrentPath;
    valid = true;
    size_t start = absolute ? 1 : 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string::npos)
            end = key.size();
        std::string part = key.substr(start, end - start);
        // A trailing "\" is allowed; an empty name inside the path is not.
        if (part.empty() && end != key.size())
            valid = false;
        if (!part.empty())
            path += (path.empty() ? "" : "\\") + part;
        start = end + 1;
    }
    return path;
}

std::string TRegistry::SectionOf(const std::string& path) const {
    std::string section = RegRootName(FRootKey);
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        section += "\\" + RegEncodeKeyPart(path.substr(start, end - start));
        start = end + 1;
    }
    return section;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    bool valid;
    std::string path = ResolvePath(key, valid);
    if (!valid)
        return false;
    std::string section = SectionOf(path);
    auto& store = RegShared();
    {
        std::lock_guard<std::mutex> guard(store.Lock);
        store.Sync();
        if (!path.empty() && !RegKeyExists(store.Doc, section)) {
            if (!canCreate || !(FAccess & KEY_CREATE_SUB_KEY))
                return false;
            store.Doc.AddSection(section);
            store.Dirty = true;
        }
    }
    // Switching keys saves nothing yet: the changes go to the file when the key is closed.
    FCurrentPath = path;
    FOpen = true;
    FReadOnly = !(FAccess & KEY_SET_VALUE);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    uint32_t access = FAccess;
    FAccess = KEY_READ;
    bool ok = OpenKey(key, false);
    FAccess = access;
    if (ok)
        FReadOnly = true;
    return ok;
}

void TRegistry::CloseKey() {
    Close(false);
}

void TRegistry::Close(bool force) {
    {
        auto& store = RegShared();
        std::lock_guard<std::mutex> guard(store.Lock);
        store.Flush(force);
    }
    FOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const std::string& key) {
    bool valid;
    std::string path = ResolvePath(key, valid);
    if (!valid || path.empty())
        throw ERegistryException(Format("Failed to create key %s", key));
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    std::string section = SectionOf(path);
    if (!RegKeyExists(store.Doc, section)) {
        store.Doc.AddSection(section);
        store.Dirty = true;
        if (!FLazyWrite && !store.Flush())
            throw ERegistryException(Format("Failed to create key %s", key));
    }
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    bool valid;
    std::string path = ResolvePath(key, valid);
    if (!valid || path.empty())
        return false;
    std::string section = SectionOf(path);
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    if (!RegKeyExists(store.Doc, section))
        return false;
    store.Doc.EraseSectionsStartingWith(section + "\\");
    store.Doc.EraseSection(section);
    store.Dirty = true;
    if (!FLazyWrite)
        store.Flush();
    return true;
}

bool TRegistry::KeyExists(const std::string& key) {
    bool valid;
    std::string path = ResolvePath(key, valid);
    if (!valid)
        return false;
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    return RegKeyExists(store.Doc, SectionOf(path));
}

void TRegistry::GetKeyNames(TStrings* strings) {
    std::vector<std::string> names;
    if (FOpen) {
        auto& store = RegShared();
        std::lock_guard<std::mutex> guard(store.Lock);
        store.Sync();
        std::string prefix = UpperCase(SectionOf(FCurrentPath)) + "\\";
        std::unordered_set<std::string> seen;
        for (const std::string& name : store.Doc.SectionNames()) {
            if (name.size() <= prefix.size() || UpperCase(name).compare(0, prefix.size(), prefix) != 0)
                continue;
            std::string rest = name.substr(prefix.size());
            std::string child = rest.substr(0, rest.find('\\'));
            if (!child.empty() && seen.insert(UpperCase(child)).second)
                names.push_back(win::PercentDecode(child));
        }
    }
    strings->BeginUpdate();
    strings->Clear();
    for (const std::string& n : names)
        strings->Add(n);
    strings->EndUpdate();
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(&names);
    return names.GetCount() > 0;
}

void TRegistry::GetValueNames(TStrings* strings) {
    std::vector<std::string> names;
    if (FOpen) {
        auto& store = RegShared();
        std::lock_guard<std::mutex> guard(store.Lock);
        store.Sync();
        for (const auto& entry : store.Doc.Entries(SectionOf(FCurrentPath)))
            names.push_back(RegDecodeName(entry.first));
    }
    strings->BeginUpdate();
    strings->Clear();
    for (const std::string& n : names)
        strings->Add(n);
    strings->EndUpdate();
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
    info = TRegDataInfo{};
    if (!FOpen)
        return false;
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    const std::string* stored = store.Doc.FindValue(SectionOf(FCurrentPath), RegEncodeName(name));
    if (!stored)
        return false;
    RegValue v = RegDecode(*stored);
    info.RegData = v.Type;
    info.DataSize =
        static_cast<int32_t>(v.Data.size()) + (v.Type == rdString || v.Type == rdExpandString ? 1 : 0);
    return true;
}

bool TRegistry::ValueExists(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info);
}

int32_t TRegistry::GetDataSize(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    TRegDataInfo info;
    GetDataInfo(name, info);
    return info.RegData;
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!FOpen || FReadOnly)
        return false;
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    if (!store.Doc.DeleteKey(SectionOf(FCurrentPath), RegEncodeName(name)))
        return false;
    store.Dirty = true;
    if (!FLazyWrite)
        store.Flush();
    return true;
}

std::string TRegistry::ReadValue(const std::string& name, TRegDataType expected) {
    RegValue v;
    if (FOpen) {
        auto& store = RegShared();
        std::lock_guard<std::mutex> guard(store.Lock);
        store.Sync();
        if (const std::string* stored = store.Doc.FindValue(SectionOf(FCurrentPath), RegEncodeName(name)))
            v = RegDecode(*stored);
    }
    bool ok = v.Type == expected || (expected == rdString && v.Type == rdExpandString);
    if (!ok)
        throw ERegistryException(Format("Invalid data type for '%s'", name));
    return v.Data;
}

std::string TRegistry::ReadString(const std::string& name) {
    return ReadValue(name, rdString);
}

int32_t TRegistry::ReadInteger(const std::string& name) {
    std::string data = ReadValue(name, rdInteger);
    uint32_t u = 0;
    std::memcpy(&u, data.data(), 4);
    return static_cast<int32_t>(u);
}

bool TRegistry::ReadBool(const std::string& name) {
    return ReadInteger(name) != 0;
}

int32_t TRegistry::ReadBinaryData(const std::string& name, void* buffer, int32_t bufSize) {
    std::string data = ReadValue(name, rdBinary);
    if (bufSize < 0 || data.size() > size_t(bufSize))
        throw ERegistryException(Format("Invalid data type for '%s'", name));
    if (!data.empty())
        std::memcpy(buffer, data.data(), data.size());
    return static_cast<int32_t>(data.size());
}

void TRegistry::WriteValue(const std::string& name, const std::string& encoded) {
    auto fail = [&] { throw ERegistryException(Format("Failed to set data for '%s'", name)); };
    if (!FOpen || FReadOnly)
        fail();
    auto& store = RegShared();
    std::lock_guard<std::mutex> guard(store.Lock);
    store.Sync();
    std::string section = SectionOf(FCurrentPath);
    // The key may have been deleted through another TRegistry since it was opened.
    if (!FCurrentPath.empty() && !RegKeyExists(store.Doc, section))
        fail();
    std::string encodedName = RegEncodeName(name);
    const std::string* previous = store.Doc.FindValue(section, encodedName);
    bool hadValue = previous != nullptr, wasDirty = store.Dirty;
    std::string oldValue = hadValue ? *previous : std::string();
    store.Doc.SetValue(section, encodedName, encoded);
    store.Dirty = true;
    if (!FLazyWrite && !store.Flush()) {
        // A write reported as failed must not reach the file later.
        if (hadValue)
            store.Doc.SetValue(section, encodedName, oldValue);
        else
            store.Doc.DeleteKey(section, encodedName);
        store.Dirty = wasDirty;
        fail();
    }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteValue(name, RegEncodeString(value));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    WriteValue(name, std::string(RegPrefixExpand) + RegEscape(value, ""));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    WriteValue(name, std::string(RegPrefixInteger) + IntToStr(value));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int32_t bufSize) {
    if (bufSize < 0)
        throw ERegistryException(Format("Failed to set data for '%s'", name));
    std::string encoded(RegPrefixBinary);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    for (int32_t i = 0; i < bufSize; ++i) {
        if (i)
            encoded += ',';
        encoded += "0123456789abcdef"[bytes[i] >> 4];
        encoded += "0123456789abcdef"[bytes[i] & 15];
    }
    WriteValue(name, encoded);
}

} // namespace vcl
