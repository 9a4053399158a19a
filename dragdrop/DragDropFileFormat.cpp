#include "dragdrop/DragDropFileFormat.h"

#include "dragdrop/DragDropFile.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/ole/Clipboard.h"

#include <algorithm>
#include <cstring>

namespace dragdrop {

bool ReadNameList(const void* block, size_t size, bool wide, vcl::TStrings* list) {
    const auto* p = static_cast<const uint8_t*>(block);
    const size_t unit = wide ? 2 : 1;
    size_t left = wide ? size - size % 2 : size;
    bool taken = false;
    auto at = [&](size_t i) { return wide ? unsigned(p[2 * i] | (p[2 * i + 1] << 8)) : unsigned(p[i]); };
    while (p && left >= unit && at(0) != 0) {
        size_t units = left / unit, n = 0;
        while (n < units && at(n) != 0)
            ++n;
        if (wide) {
            std::u16string name(n, u'\0');
            for (size_t i = 0; i < n; ++i)
                name[i] = char16_t(at(i));
            list->Add(win::Utf16ToUtf8(name));
        } else {
            list->Add(std::string(reinterpret_cast<const char*>(p), n));
        }
        taken = true;
        size_t used = std::min(left, (n + 1) * unit);
        p += used;
        left -= used;
    }
    return taken;
}

void WriteNameList(void* block, size_t size, bool wide, vcl::TStrings* list) {
    const size_t unit = wide ? 2 : 1;
    if (!block || size < unit)
        return;
    auto* p = static_cast<uint8_t*>(block);
    size_t remaining = size - unit; // the final zero always fits
    for (int32_t i = 0; i < list->Count() && remaining >= unit; ++i) {
        size_t room = remaining / unit - 1; // characters of this name, before its zero
        if (wide) {
            std::u16string name = win::Utf8ToUtf16(list->Get(i));
            size_t n = std::min(name.size(), room);
            for (size_t c = 0; c < n; ++c) {
                p[2 * c] = uint8_t(name[c]);
                p[2 * c + 1] = uint8_t(name[c] >> 8);
            }
            p[2 * n] = p[2 * n + 1] = 0;
            p += 2 * (n + 1);
            remaining -= 2 * (n + 1);
        } else {
            std::string name = list->Get(i);
            size_t n = std::min(name.size(), room);
            std::memcpy(p, name.data(), n);
            p[n] = 0;
            p += n + 1;
            remaining -= n + 1;
        }
    }
    std::memset(p, 0, unit);
}

int64_t NameListSize(vcl::TStrings* list, bool wide) {
    int64_t units = 1;
    for (int32_t i = 0; i < list->Count(); ++i)
        units += int64_t(wide ? win::Utf8ToUtf16(list->Get(i)).size() : list->Get(i).size()) + 1;
    return wide ? 2 * units : units;
}

// ---- CF_HDROP ------------------------------------------------------------------------------------------------

DRAGDROP_DEFINE_CLIPBOARD_FORMAT(TFileClipboardFormat, TCustomSimpleClipboardFormat, NewClipboardFormat<TFileClipboardFormat>)

TFileClipboardFormat::TFileClipboardFormat() : FFiles(std::make_unique<vcl::TStringList>()) {}

TFileClipboardFormat::~TFileClipboardFormat() = default;

uint16_t TFileClipboardFormat::GetClipboardFormat() {
    return uint16_t(win::CF_HDROP);
}

bool TFileClipboardFormat::ReadData(const void* buffer, size_t size) {
    if (size < 21)
        return false;
    const auto* p = static_cast<const uint8_t*>(buffer);
    uint32_t offset = 0, wide = 0;
    std::memcpy(&offset, p, 4);
    std::memcpy(&wide, p + 16, 4);
    FFiles->Clear();
    if (offset >= size)
        return false;
    return ReadNameList(p + offset, size - offset, wide != 0, FFiles.get());
}

bool TFileClipboardFormat::WriteData(void* buffer, size_t size) {
    if (size <= 20)
        return false;
    auto* p = static_cast<uint8_t*>(buffer);
    std::memset(p, 0, 20);
    const uint32_t offset = 20;
    std::memcpy(p, &offset, 4);
    WriteNameList(p + 20, size - 20, false, FFiles.get());
    return true;
}

int64_t TFileClipboardFormat::GetDataSize() {
    return 20 + NameListSize(FFiles.get(), false);
}

bool TFileClipboardFormat::Assign(TCustomDataFormat* source) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(source)) {
        FFiles->Assign(files->GetFiles());
        return true;
    }
    return TCustomSimpleClipboardFormat::Assign(source);
}

bool TFileClipboardFormat::AssignTo(TCustomDataFormat* dest) {
    if (auto* files = dynamic_cast<TFileDataFormat*>(dest)) {
        files->GetFiles()->Assign(FFiles.get());
        return true;
    }
    return TCustomSimpleClipboardFormat::AssignTo(dest);
}

} // namespace dragdrop
