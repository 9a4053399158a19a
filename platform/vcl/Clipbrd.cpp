#include "platform/vcl/Clipbrd.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"

#include <cstring>

namespace vcl {

TClipboard* Clipboard() {
    static TClipboard* clipboard = new TClipboard();
    return clipboard;
}

void TClipboard::Open() {
    if (FOpenRefCount == 0) {
        win::HWND owner = Application ? Application->GetHandle() : nullptr;
        if (!win::OpenClipboard(owner))
            throw Exception("Cannot open clipboard");
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0)
        return;
    if (--FOpenRefCount == 0)
        win::CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    TryFinally(
        [&] {
            win::EmptyClipboard();
            FEmptied = true;
        },
        [this] { Close(); });
}

// The first format added in an open series replaces what the clipboard held.
void TClipboard::Adding() {
    if (FOpenRefCount > 0 && !FEmptied) {
        win::EmptyClipboard();
        FEmptied = true;
    }
}

bool TClipboard::HasFormat(uint16_t format) const {
    return win::IsClipboardFormatAvailable(format);
}

int32_t TClipboard::GetFormatCount() const {
    return win::CountClipboardFormats();
}

uint16_t TClipboard::GetFormat(int32_t index) const {
    win::UINT f = 0;
    for (int32_t i = 0; i <= index; ++i) {
        f = win::EnumClipboardFormats(f);
        if (!f)
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return uint16_t(f);
}

std::string TClipboard::GetAsText() const {
    auto* self = const_cast<TClipboard*>(this);
    self->Open();
    std::string text;
    auto data = static_cast<win::HGLOBAL>(win::GetClipboardData(win::CF_TEXT));
    if (data) {
        size_t size = win::GlobalSize(data);
        if (const auto* p = static_cast<const char*>(win::GlobalLock(data))) {
            // The text ends at its terminator or at the end of the block, whichever comes first.
            text.assign(p, strnlen(p, size));
            win::GlobalUnlock(data);
        }
    }
    self->Close();
    return text;
}

void TClipboard::SetAsText(const std::string& value) {
    win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, value.size() + 1);
    if (!block)
        throw EOutOfMemory("Out of memory");
    auto* p = static_cast<char*>(win::GlobalLock(block));
    std::memcpy(p, value.c_str(), value.size() + 1);
    win::GlobalUnlock(block);
    SetAsHandle(win::CF_TEXT, block);
}

win::HANDLE TClipboard::GetAsHandle(uint16_t format) const {
    auto* self = const_cast<TClipboard*>(this);
    self->Open();
    win::HANDLE h = win::GetClipboardData(format);
    self->Close();
    return h;
}

void TClipboard::SetAsHandle(uint16_t format, win::HANDLE value) {
    Open();
    TryFinally(
        [&] {
            Adding();
            if (!win::SetClipboardData(format, value)) {
                win::GlobalFree(static_cast<win::HGLOBAL>(value));
                throw Exception("Cannot put the data on the clipboard");
            }
        },
        [this] { Close(); });
}

void TClipboard::Assign(TPersistent* source) {
    auto* graphic = dynamic_cast<TGraphic*>(source);
    if (!graphic) {
        TPersistent::Assign(source);
        return;
    }
    // The clipboard is opened and emptied before the graphic renders: a graphic may put formats of its own
    // on it beside the one it returns (a GIF document adds its file stream to its bitmap).
    Open();
    TryFinally(
        [&] {
            Adding();
            uint16_t format = 0;
            win::HANDLE data = nullptr;
            win::HPALETTE palette = nullptr;
            graphic->SaveToClipboardFormat(format, data, palette);
            if (data && !win::SetClipboardData(format, data)) {
                if (format == win::CF_BITMAP)
                    win::DeleteObject(reinterpret_cast<win::HBITMAP>(data));
                if (palette)
                    win::DeleteObject(palette);
                throw Exception("Cannot put the picture on the clipboard");
            }
            if (palette && !win::SetClipboardData(win::CF_PALETTE, reinterpret_cast<win::HANDLE>(palette)))
                win::DeleteObject(palette);
        },
        [this] { Close(); });
}

} // namespace vcl
