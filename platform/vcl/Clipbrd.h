// TClipboard: the clipboard as the class library offers it: text, graphics through their clipboard
// formats, and raw blocks by format.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/win/WinTypes.h"

#include <string>

namespace vcl {

class TClipboard : public TPersistent {
public:
    // Opens the clipboard for a series of changes (nests; the last Close closes it).
    void Open();
    void Close();
    // Empties the clipboard (opening it for the call when needed).
    void Clear();
    bool HasFormat(uint16_t format) const;
    int32_t GetFormatCount() const;
    uint16_t GetFormat(int32_t index) const;

    // The text (CF_TEXT, UTF-8); empty when the clipboard holds none.
    std::string GetAsText() const;
    void SetAsText(const std::string& value);
    // Puts a graphic on the clipboard in the format it chooses (SaveToClipboardFormat); other persistent
    // objects are refused.
    void Assign(TPersistent* source) override;
    // Raw blocks: the clipboard takes ownership of the block given to SetAsHandle.
    win::HANDLE GetAsHandle(uint16_t format) const;
    void SetAsHandle(uint16_t format, win::HANDLE value);

private:
    void Adding();
    int32_t FOpenRefCount = 0;
    bool FEmptied = false;
};

// The program's clipboard object.
TClipboard* Clipboard();

} // namespace vcl
