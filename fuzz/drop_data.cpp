// Feeds arbitrary bytes to the readers of data other programs hand over through the clipboard and drops:
// the CF_HDROP file list (8- and 16-bit), a text/uri-list, a packed DIB, and the UTF-8 and UTF-16
// conversions. A file list written back from what was read must read the same. Anything else (a crash, a
// sanitizer report, a hang, a failed check) is a finding.
#include "platform/win/gdi/Gdi.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> files = win::ReadHDrop(data, size);
    for (bool wide : {false, true}) {
        std::vector<std::string> kept;
        for (auto& f : files)
            if (!f.empty() && f.find('\0') == std::string::npos &&
                (!wide || win::Utf16ToUtf8(win::Utf8ToUtf16(f)) == f))
                kept.push_back(f);
        // Names that read cleanly survive a round trip (empty names would end the list early).
        if (kept.size() == files.size()) {
            std::vector<uint8_t> block = win::BuildHDrop(kept, wide);
            if (win::ReadHDrop(block.data(), block.size()) != kept)
                std::abort();
        }
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    for (auto& path : win::ParseUriList(text))
        if (path.empty() || path.find('\0') != std::string::npos)
            std::abort();
    win::Utf16ToUtf8(win::Utf8ToUtf16(text));
    if (win::HBITMAP bitmap = win::BitmapFromPackedDib(data, size))
        win::DeleteObject(bitmap);
    return 0;
}
