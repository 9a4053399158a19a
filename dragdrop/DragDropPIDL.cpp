#include "dragdrop/DragDropPIDL.h"

#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/ole/Clipboard.h"

#include <cstring>
#include <vector>

namespace dragdrop {

namespace {

uint16_t PidlSize16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t PidlRead32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The list that starts at offset, its terminator included; false when an item or the terminator would lie
// past the block.
bool PidlListAt(const uint8_t* block, size_t size, uint64_t offset, std::string& list) {
    uint64_t pos = offset;
    for (;;) {
        if (pos + 2 > size)
            return false;
        uint16_t cb = PidlSize16(block + pos);
        if (cb == 0)
            break;
        if (cb < 2 || pos + cb > size)
            return false;
        pos += cb;
    }
    list.assign(reinterpret_cast<const char*>(block + offset), size_t(pos + 2 - offset));
    return true;
}

// The number of bytes of a list held as a byte string, without its terminator (a malformed string counts as
// the empty list).
size_t PidlBody(const std::string& list) {
    return list.size() >= 2 ? list.size() - 2 : 0;
}

} // namespace

uint32_t PIDLLength(const win::ITEMIDLIST* list) {
    return list ? win::ILGetSize(list) : 0;
}

std::string PIDLToString(const win::ITEMIDLIST* list) {
    return std::string(reinterpret_cast<const char*>(list), PIDLLength(list));
}

win::LPITEMIDLIST PathToPIDL(const std::string& path) {
    win::IShellFolder* desktop = nullptr;
    if (win::FAILED(win::SHGetDesktopFolder(&desktop)) || !desktop)
        return nullptr;
    auto folder = win::ComPtr<win::IShellFolder>::Attach(desktop);
    win::LPITEMIDLIST list = nullptr;
    win::ULONG eaten = 0;
    if (win::FAILED(folder->ParseDisplayName(nullptr, nullptr, path.c_str(), &eaten, &list, nullptr)))
        return nullptr;
    return list;
}

std::string CombinePIDLs(const std::string& parent, const std::string& child) {
    return parent.substr(0, PidlBody(parent)) + child;
}

std::string CommonParentPIDL(vcl::TStrings* paths) {
    if (!paths || paths->Count() == 0)
        return {};
    win::IShellFolder* desktop = nullptr;
    if (win::FAILED(win::SHGetDesktopFolder(&desktop)) || !desktop)
        throw vcl::Exception("Failed to get interface to Desktop");
    auto folder = win::ComPtr<win::IShellFolder>::Attach(desktop);
    std::string result;
    for (int32_t i = 0; i < paths->Count(); ++i) {
        std::string path = paths->Get(i);
        size_t slash = path.rfind('/');
        std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        win::LPITEMIDLIST list = nullptr;
        win::ULONG eaten = 0;
        if (win::FAILED(folder->ParseDisplayName(nullptr, nullptr, dir.c_str(), &eaten, &list, nullptr)) || !list)
            throw vcl::Exception(vcl::Format("Invalid filename: %s", dir));
        std::string bytes = PIDLToString(list);
        win::CoTaskMemFree(list);
        if (i == 0) {
            result = bytes;
            continue;
        }
        // The items both lists share, from the start.
        size_t common = 0, limit = PidlBody(result);
        while (common < limit && common + 2 <= PidlBody(bytes)) {
            uint16_t cb = PidlSize16(reinterpret_cast<const uint8_t*>(result.data()) + common);
            if (cb < 2 || common + cb > limit || common + cb > PidlBody(bytes) ||
                result.compare(common, cb, bytes, common, cb) != 0)
                break;
            common += cb;
        }
        if (common < limit)
            result = result.substr(0, common) + std::string(2, '\0');
        if (common == 0)
            break;
    }
    return result;
}

bool PathsToPIDLs(vcl::TStrings* paths, vcl::TStrings* list) {
    list->Clear();
    if (!paths || paths->Count() == 0)
        return false;
    std::string parent = CommonParentPIDL(paths);
    if (parent.empty())
        return false;
    list->Add(parent);
    const size_t skip = PidlBody(parent);
    for (int32_t i = 0; i < paths->Count(); ++i) {
        win::LPITEMIDLIST absolute = PathToPIDL(paths->Get(i));
        if (!absolute) {
            list->Clear();
            return false;
        }
        std::string bytes = PIDLToString(absolute);
        win::CoTaskMemFree(absolute);
        list->Add(bytes.size() >= skip ? bytes.substr(skip) : std::string(2, '\0'));
    }
    return true;
}

// ---- The file-name view -------------------------------------------------------------------------------------

int32_t TPIDLsToFilenamesStrings::GetCount() const {
    return FPIDLs->Count() < 2 ? 0 : FPIDLs->Count() - 1;
}

std::string TPIDLsToFilenamesStrings::Get(int32_t index) const {
    if (index < 0 || index >= GetCount())
        throw vcl::Exception("Filename index out of range");
    std::string list = CombinePIDLs(FPIDLs->Get(0), FPIDLs->Get(index + 1));
    // Lists read from blocks end with their terminator; one that does not is no path.
    if (list.size() < 2 || list[list.size() - 1] != 0 || list[list.size() - 2] != 0)
        return {};
    // Room for the whole path, however long: no component is longer than its item.
    std::vector<char> path(list.size() + 2, '\0');
    if (!win::SHGetPathFromIDListEx(reinterpret_cast<const win::ITEMIDLIST*>(list.data()), path.data(),
                                    win::DWORD(path.size()), 0))
        return {};
    return std::string(path.data());
}

void TPIDLsToFilenamesStrings::Assign(vcl::TPersistent* source) {
    if (auto* strings = dynamic_cast<vcl::TStrings*>(source)) {
        vcl::WithUpdate(this, [&] { PathsToPIDLs(strings, FPIDLs); });
        return;
    }
    TStrings::Assign(source);
}

// ---- "Shell IDList Array" -----------------------------------------------------------------------------------

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TPIDLClipboardFormat, TCustomSimpleClipboardFormat, NewClipboardFormat<TPIDLClipboardFormat>)

TPIDLClipboardFormat::TPIDLClipboardFormat()
    : FPIDLs(std::make_unique<vcl::TStringList>()), FFilenames(std::make_unique<TPIDLsToFilenamesStrings>(FPIDLs.get())) {}

TPIDLClipboardFormat::~TPIDLClipboardFormat() = default;

uint16_t TPIDLClipboardFormat::GetClipboardFormat() {
    static std::atomic<uint16_t> id{0};
    return CachedClipboardFormat(id, win::CFSTR_SHELLIDLIST);
}

bool TPIDLClipboardFormat::ReadData(const void* buffer, size_t size) {
    FPIDLs->Clear();
    const auto* block = static_cast<const uint8_t*>(buffer);
    if (!block || size < 4)
        return false;
    const uint64_t count = PidlRead32(block);
    // The count and count + 1 offsets first.
    if (4 * count + 8 > size)
        return false;
    std::vector<std::string> lists;
    lists.reserve(size_t(count + 1));
    uint64_t total = 0;
    for (uint64_t i = 0; i <= count; ++i) {
        std::string list;
        if (!PidlListAt(block, size, PidlRead32(block + 4 + 4 * i), list))
            return false;
        // Lists that share their bytes could make a small block take memory by its square.
        total += list.size();
        if (total > size)
            return false;
        lists.push_back(std::move(list));
    }
    for (auto& list : lists)
        FPIDLs->Add(list);
    return FPIDLs->Count() > 1;
}

int64_t TPIDLClipboardFormat::GetDataSize() {
    if (FPIDLs->Count() == 0)
        return 0;
    int64_t size = (int64_t(FPIDLs->Count()) + 1) * 4;
    for (int32_t i = 0; i < FPIDLs->Count(); ++i)
        size += int64_t(FPIDLs->Get(i).size());
    return size;
}

bool TPIDLClipboardFormat::WriteData(void* buffer, size_t size) {
    const int32_t lists = FPIDLs->Count();
    if (lists == 0 || int64_t(size) < GetDataSize())
        return false;
    auto* block = static_cast<uint8_t*>(buffer);
    const uint32_t count = uint32_t(lists - 1);
    std::memcpy(block, &count, 4);
    uint32_t offset = uint32_t(lists + 1) * 4;
    for (int32_t i = 0; i < lists; ++i) {
        std::string list = FPIDLs->Get(i);
        std::memcpy(block + 4 + 4 * size_t(i), &offset, 4);
        std::memcpy(block + offset, list.data(), list.size());
        offset += uint32_t(list.size());
    }
    return true;
}

// ---- TPIDLDataFormat -----------------------------------------------------------------------------------------

DRAGDROP_DEFINE_DATA_FORMAT(TPIDLDataFormat, TCustomDataFormat)

TPIDLDataFormat::TPIDLDataFormat(TDragDropComponent* owner)
    : TCustomDataFormat(owner, StaticClass()), FPIDLs(std::make_unique<vcl::TStringList>()),
      FFilenames(std::make_unique<TPIDLsToFilenamesStrings>(FPIDLs.get())) {
    FPIDLs->SetOnChanging([this](vcl::TObject* sender) { ListChanging(sender); });
}

TPIDLDataFormat::~TPIDLDataFormat() = default;

bool TPIDLDataFormat::Assign(TClipboardFormat* source) {
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(source)) {
        FPIDLs->Assign(pidl->GetPIDLs());
        return true;
    }
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(source)) {
        PathsToPIDLs(files->GetFiles(), FPIDLs.get());
        return true;
    }
    return TCustomDataFormat::Assign(source);
}

bool TPIDLDataFormat::AssignTo(TClipboardFormat* dest) {
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(dest)) {
        pidl->GetPIDLs()->Assign(FPIDLs.get());
        return true;
    }
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(dest)) {
        files->GetFiles()->Assign(FFilenames.get());
        return true;
    }
    return TCustomDataFormat::AssignTo(dest);
}

void RegisterPIDLFormats() {
    const TFormatScopes both{fsSource, fsTarget};
    RegisterFormatConversion(TPIDLDataFormat::StaticClass(), TPIDLClipboardFormat::StaticClass(), 0, {fdGet}, both);
    RegisterFormatConversion(TPIDLDataFormat::StaticClass(), TFileClipboardFormat::StaticClass(), 1, {fdGet}, both);
    RegisterDataFormat(TPIDLDataFormat::StaticClass());
}

void UnregisterPIDLFormats() {
    UnregisterDataFormat(TPIDLDataFormat::StaticClass());
}

} // namespace dragdrop
