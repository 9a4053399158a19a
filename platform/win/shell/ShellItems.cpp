// Item-id lists of file-system paths and the file drop formats.
#include "platform/win/kernel/Memory.h"
#include "platform/win/kernel/PercentCoding.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace win {

// ---- Item-id lists ------------------------------------------------------------------------------------

namespace {

LPITEMIDLIST ListFromComponents(const std::vector<std::string>& parts) {
    size_t size = 2;
    for (auto& part : parts) {
        if (part.size() + 3 > 0xFFFF)
            return nullptr;
        size += part.size() + 3;
    }
    auto* block = static_cast<uint8_t*>(CoTaskMemAlloc(size));
    if (!block)
        return nullptr;
    uint8_t* p = block;
    for (auto& part : parts) {
        USHORT cb = USHORT(part.size() + 3);
        std::memcpy(p, &cb, 2);
        p[2] = SHITEM_FILESYSTEM;
        std::memcpy(p + 3, part.data(), part.size());
        p += cb;
    }
    p[0] = p[1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(block);
}

// The path of a list; false when an item is not a file-system item.
bool PathOfList(LPCITEMIDLIST list, std::string* path) {
    path->clear();
    if (!list)
        return false;
    auto* p = reinterpret_cast<const uint8_t*>(list);
    for (;;) {
        USHORT cb;
        std::memcpy(&cb, p, 2);
        if (cb == 0)
            break;
        if (cb < 3 || p[2] != SHITEM_FILESYSTEM)
            return false;
        *path += '/';
        path->append(reinterpret_cast<const char*>(p + 3), cb - 3);
        p += cb;
    }
    if (path->empty())
        path->push_back('/');
    return true;
}

class DesktopFolder final : public ComObject<IShellFolder> {
public:
    HRESULT ParseDisplayName(HWND, IBindCtx*, const char* displayName, ULONG* eaten, LPITEMIDLIST* list,
                             ULONG*) override {
        if (list)
            *list = nullptr;
        if (!displayName || !list)
            return E_INVALIDARG;
        namespace fs = std::filesystem;
        fs::path path(displayName);
        if (!path.is_absolute())
            return E_INVALIDARG;
        std::error_code ec;
        if (!fs::exists(path, ec))
            return HRESULT(0x80070002); // the file was not found
        std::vector<std::string> parts;
        for (auto& part : path.lexically_normal())
            if (part != "/" && !part.empty())
                parts.push_back(part.string());
        *list = ListFromComponents(parts);
        if (!*list)
            return E_OUTOFMEMORY;
        if (eaten)
            *eaten = ULONG(std::strlen(displayName));
        return S_OK;
    }
};

} // namespace

UINT ILGetSize(LPCITEMIDLIST list) {
    if (!list)
        return 0;
    auto* p = reinterpret_cast<const uint8_t*>(list);
    UINT size = 0;
    for (;;) {
        USHORT cb;
        std::memcpy(&cb, p + size, 2);
        if (cb == 0)
            return size + 2;
        size += cb;
    }
}

void ILFree(LPITEMIDLIST list) {
    CoTaskMemFree(list);
}

LPITEMIDLIST ILClone(LPCITEMIDLIST list) {
    UINT size = ILGetSize(list);
    if (!size)
        return nullptr;
    void* copy = CoTaskMemAlloc(size);
    if (copy)
        std::memcpy(copy, list, size);
    return static_cast<LPITEMIDLIST>(copy);
}

LPITEMIDLIST ILCreateFromPath(const char* path) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put())))
        return nullptr;
    LPITEMIDLIST list = nullptr;
    desktop->ParseDisplayName(nullptr, nullptr, path, nullptr, &list, nullptr);
    return list;
}

HRESULT SHGetDesktopFolder(IShellFolder** folder) {
    if (!folder)
        return E_INVALIDARG;
    *folder = new DesktopFolder;
    return S_OK;
}

HRESULT SHGetMalloc(IMalloc** malloc) {
    return CoGetMalloc(1, malloc);
}

BOOL SHGetPathFromIDListEx(LPCITEMIDLIST list, char* path, DWORD size, int) {
    if (!path || size == 0)
        return FALSE;
    path[0] = '\0';
    std::string text;
    if (!PathOfList(list, &text) || text.size() >= size)
        return FALSE;
    std::memcpy(path, text.c_str(), text.size() + 1);
    return TRUE;
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST list, char* path) {
    return SHGetPathFromIDListEx(list, path, MAX_PATH + 1, 0);
}

// ---- File drop formats ----------------------------------------------------------------------------------

std::vector<uint8_t> BuildHDrop(const std::vector<std::string>& files, bool wide) {
    DROPFILES header;
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide ? TRUE : FALSE;
    std::vector<uint8_t> block(sizeof header);
    std::memcpy(block.data(), &header, sizeof header);
    for (auto& f : files) {
        if (wide) {
            std::u16string w = Utf8ToUtf16(f);
            for (char16_t c : w) {
                block.push_back(uint8_t(c));
                block.push_back(uint8_t(c >> 8));
            }
            block.push_back(0);
            block.push_back(0);
        } else {
            block.insert(block.end(), f.begin(), f.end());
            block.push_back(0);
        }
    }
    block.push_back(0);
    if (wide)
        block.push_back(0);
    return block;
}

std::vector<std::string> ReadHDrop(const uint8_t* block, size_t size) {
    std::vector<std::string> files;
    if (!block || size < sizeof(DROPFILES))
        return files;
    DROPFILES header;
    std::memcpy(&header, block, sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size)
        return files;
    size_t i = header.pFiles;
    if (header.fWide) {
        while (i + 1 < size) {
            std::u16string name;
            while (i + 1 < size) {
                char16_t c = char16_t(block[i] | (block[i + 1] << 8));
                i += 2;
                if (c == 0)
                    break;
                name += c;
            }
            if (name.empty())
                break;
            files.push_back(Utf16ToUtf8(name));
        }
    } else {
        while (i < size && block[i]) {
            size_t start = i;
            while (i < size && block[i])
                ++i;
            files.emplace_back(reinterpret_cast<const char*>(block + start), i - start);
            ++i;
        }
    }
    return files;
}

UINT DragQueryFile(HGLOBAL drop, UINT index, char* buffer, UINT size) {
    auto* p = static_cast<const uint8_t*>(GlobalLock(drop));
    if (!p)
        return 0;
    std::vector<std::string> files = ReadHDrop(p, GlobalSize(drop));
    GlobalUnlock(drop);
    if (index == 0xFFFFFFFF)
        return UINT(files.size());
    if (index >= files.size())
        return 0;
    const std::string& name = files[index];
    if (!buffer)
        return UINT(name.size());
    if (size == 0)
        return 0;
    UINT n = std::min<UINT>(UINT(name.size()), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return n;
}

// ---- Desktop drops ------------------------------------------------------------------------------------

std::vector<std::string> ParseUriList(const std::string& uriList) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start <= uriList.size()) {
        size_t end = uriList.find('\n', start);
        std::string line = uriList.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? uriList.size() + 1 : end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t lead = line.find_first_not_of(" \t");
        if (lead == std::string::npos || line[lead] == '#')
            continue;
        line = line.substr(lead);
        if (line.size() < 7 || !(line.compare(0, 5, "file:") == 0 || line.compare(0, 5, "FILE:") == 0))
            continue;
        std::string rest = line.substr(5);
        std::string path;
        if (rest.compare(0, 2, "//") == 0) {
            size_t slash = rest.find('/', 2);
            if (slash == std::string::npos)
                continue;
            std::string host = rest.substr(2, slash - 2);
            if (!host.empty() && host != "localhost")
                continue; // a file on another machine
            path = rest.substr(slash);
        } else if (!rest.empty() && rest[0] == '/') {
            path = rest;
        } else {
            continue;
        }
        size_t cut = path.find_first_of("?#");
        if (cut != std::string::npos)
            path.resize(cut);
        path = PercentDecode(path);
        // A decoded zero byte cannot be part of a path.
        if (path.empty() || path.find('\0') != std::string::npos)
            continue;
        paths.push_back(path);
    }
    return paths;
}

std::string FileUrlFromPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~')
            url += char(c);
        else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

ComPtr<IDataObject> CreateFileDropDataObject(const std::vector<std::string>& files, const std::string& text) {
    std::vector<MemoryDataEntry> entries;
    if (!files.empty()) {
        entries.push_back({CLIPFORMAT(CF_HDROP), BuildHDrop(files)});
        std::u16string wide = Utf8ToUtf16(files.front());
        std::vector<uint8_t> w;
        for (char16_t c : wide) {
            w.push_back(uint8_t(c));
            w.push_back(uint8_t(c >> 8));
        }
        w.push_back(0);
        w.push_back(0);
        entries.push_back({CLIPFORMAT(RegisterClipboardFormat(CFSTR_FILENAMEW)), w});
        std::vector<uint8_t> a(files.front().begin(), files.front().end());
        a.push_back(0);
        entries.push_back({CLIPFORMAT(RegisterClipboardFormat(CFSTR_FILENAMEA)), a});
    }
    if (!text.empty()) {
        std::vector<uint8_t> t(text.begin(), text.end());
        t.push_back(0);
        entries.push_back({CLIPFORMAT(CF_TEXT), t});
    }
    return CreateMemoryDataObject(std::move(entries));
}

} // namespace win
