#include "platform/win/ole/Clipboard.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>

namespace win {

namespace {

struct ClipboardStore {
    std::recursive_mutex FLock;
    bool FOpen = false;
    DWORD FOpenThread = 0;
    HWND FOpenWindow = nullptr;
    HWND FOwner = nullptr;
    std::vector<std::pair<UINT, HANDLE>> FData; // in the order they were set
    std::map<std::string, UINT> FNames;
    std::map<UINT, std::string> FNamesById;
    IClipboardBridge* FBridge = nullptr;
    DWORD FSequence = 1;
};

ClipboardStore& Store() {
    static auto* store = new ClipboardStore;
    return *store;
}

bool IsGdiFormat(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE;
}

void Release(UINT format, HANDLE data) {
    if (!data)
        return;
    if (IsGdiFormat(format))
        DeleteObject(static_cast<HGDIOBJ>(data));
    else
        GlobalFree(data);
}

bool HeldByCaller(ClipboardStore& s) {
    return s.FOpen && s.FOpenThread == GetCurrentThreadId();
}

std::vector<uint8_t> BlockBytes(HANDLE data) {
    std::vector<uint8_t> bytes(GlobalSize(data));
    if (void* p = GlobalLock(data)) {
        if (!bytes.empty())
            std::memcpy(bytes.data(), p, bytes.size());
        GlobalUnlock(data);
    }
    return bytes;
}

} // namespace

BOOL OpenClipboard(HWND owner) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (s.FOpen && s.FOpenThread != GetCurrentThreadId())
        return FALSE;
    if (s.FOpen && s.FOpenWindow != owner)
        return FALSE;
    s.FOpen = true;
    s.FOpenThread = GetCurrentThreadId();
    s.FOpenWindow = owner;
    return TRUE;
}

BOOL CloseClipboard() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (!HeldByCaller(s))
        return FALSE;
    s.FOpen = false;
    s.FOpenWindow = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (!HeldByCaller(s))
        return FALSE;
    for (auto& [format, data] : s.FData)
        Release(format, data);
    s.FData.clear();
    s.FOwner = s.FOpenWindow;
    ++s.FSequence;
    if (s.FBridge)
        s.FBridge->Emptied();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    // Delayed rendering (no data) is not offered: the caller keeps its block.
    if (!HeldByCaller(s) || !data || format == 0)
        return nullptr;
    if (!IsGdiFormat(format) && GlobalSize(data) == 0 && !GlobalLock(data))
        return nullptr;
    if (!IsGdiFormat(format))
        GlobalUnlock(data);
    auto it =
        std::find_if(s.FData.begin(), s.FData.end(), [format](const auto& e) { return e.first == format; });
    if (it != s.FData.end()) {
        if (it->second != data)
            Release(format, it->second);
        it->second = data;
    } else {
        s.FData.emplace_back(format, data);
    }
    ++s.FSequence;
    if (s.FBridge && !IsGdiFormat(format))
        s.FBridge->Published(format, BlockBytes(data));
    else if (s.FBridge && format == CF_BITMAP)
        s.FBridge->Published(CF_DIB, PackedDibFromBitmap(AsBitmap(static_cast<HGDIOBJ>(data))));
    return data;
}

HANDLE GetClipboardData(UINT format) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (!HeldByCaller(s))
        return nullptr;
    for (auto& [f, data] : s.FData)
        if (f == format)
            return data;
    std::vector<uint8_t> bytes;
    if (s.FBridge && format == CF_BITMAP && s.FBridge->Fetch(CF_DIB, &bytes)) {
        HBITMAP bitmap = BitmapFromPackedDib(bytes.data(), bytes.size());
        if (!bitmap)
            return nullptr;
        s.FData.emplace_back(format, ToGdiObj(bitmap));
        return ToGdiObj(bitmap);
    }
    if (s.FBridge && !IsGdiFormat(format) && s.FBridge->Fetch(format, &bytes)) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!block)
            return nullptr;
        if (void* p = GlobalLock(block)) {
            if (!bytes.empty())
                std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(block);
        }
        s.FData.emplace_back(format, block);
        return block;
    }
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    for (auto& [f, data] : s.FData)
        if (f == format)
            return TRUE;
    std::vector<uint8_t> bytes;
    if (s.FBridge && format == CF_BITMAP)
        return s.FBridge->Fetch(CF_DIB, &bytes) ? TRUE : FALSE;
    return s.FBridge && !IsGdiFormat(format) && s.FBridge->Fetch(format, &bytes) ? TRUE : FALSE;
}

UINT EnumClipboardFormats(UINT format) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (!HeldByCaller(s))
        return 0;
    if (format == 0)
        return s.FData.empty() ? 0 : s.FData.front().first;
    for (size_t i = 0; i + 1 < s.FData.size(); ++i)
        if (s.FData[i].first == format)
            return s.FData[i + 1].first;
    return 0;
}

int CountClipboardFormats() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    return int(s.FData.size());
}

UINT RegisterClipboardFormat(const char* name) {
    if (!name || !*name)
        return 0;
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    std::string key(name);
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    auto it = s.FNames.find(key);
    if (it != s.FNames.end())
        return it->second;
    UINT id = 0xC000 + UINT(s.FNames.size());
    s.FNames[key] = id;
    s.FNamesById[id] = name;
    return id;
}

int GetClipboardFormatName(UINT format, char* buffer, int maxCount) {
    if (!buffer || maxCount <= 0)
        return 0;
    buffer[0] = '\0';
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    auto it = s.FNamesById.find(format);
    if (it == s.FNamesById.end())
        return 0;
    int n = std::min<int>(int(it->second.size()), maxCount - 1);
    std::memcpy(buffer, it->second.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

HWND GetClipboardOwner() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    return IsWindow(s.FOwner) ? s.FOwner : nullptr;
}

DWORD GetClipboardSequenceNumber() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    return s.FSequence;
}

HWND GetOpenClipboardWindow() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    return s.FOpen ? s.FOpenWindow : nullptr;
}

void SetClipboardBridge(IClipboardBridge* bridge) {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    s.FBridge = bridge;
}

void DesktopClipboardChanged() {
    ClipboardStore& s = Store();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (s.FOpen)
        return;
    for (auto& [format, data] : s.FData)
        Release(format, data);
    s.FData.clear();
    s.FOwner = nullptr;
    ++s.FSequence;
}

namespace {

// Desktop images beyond this many pixels are refused rather than allocated.
constexpr uint64_t clipboardMaxDibPixels = uint64_t(1) << 28;

} // namespace

std::vector<uint8_t> PackedDibFromBitmap(HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || !GetObject(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return {};
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = info.bmWidth;
    bmi.bmiHeader.biHeight = info.bmHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    size_t rowBytes = size_t(info.bmWidth) * 4;
    std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + rowBytes * size_t(info.bmHeight));
    HDC dc = CreateCompatibleDC(nullptr);
    int lines = GetDIBits(dc, bitmap, 0, UINT(info.bmHeight), block.data() + sizeof(BITMAPINFOHEADER), &bmi,
                          DIB_RGB_COLORS);
    DeleteDC(dc);
    if (lines != info.bmHeight)
        return {};
    bmi.bmiHeader.biSizeImage = DWORD(rowBytes * size_t(info.bmHeight));
    std::memcpy(block.data(), &bmi.bmiHeader, sizeof(BITMAPINFOHEADER));
    return block;
}

HBITMAP BitmapFromPackedDib(const uint8_t* block, size_t size) {
    BITMAPINFOHEADER h;
    if (!block || size < sizeof h)
        return nullptr;
    std::memcpy(&h, block, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == INT32_MIN || (h.biBitCount != 24 && h.biBitCount != 32))
        return nullptr;
    size_t offset = h.biSize;
    if (h.biCompression == BI_BITFIELDS && h.biBitCount == 32 && h.biSize == sizeof h)
        offset += 12; // the three masks; a 32-bit desktop image uses the usual ones
    else if (h.biCompression != BI_RGB)
        return nullptr;
    uint64_t width = uint64_t(h.biWidth),
             height = uint64_t(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
    if (width * height > clipboardMaxDibPixels)
        return nullptr;
    uint64_t stride = ((width * h.biBitCount + 31) / 32) * 4;
    if (offset > size || stride * height > size - offset)
        return nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader = h;
    bmi.bmiHeader.biSize = sizeof h;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biClrUsed = 0;
    void* bits = nullptr;
    BITMAPINFO target{};
    target.bmiHeader = bmi.bmiHeader;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biSizeImage = 0;
    HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    int lines = SetDIBits(dc, bitmap, 0, UINT(height), block + offset, &bmi, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (lines != int(height)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

} // namespace win
