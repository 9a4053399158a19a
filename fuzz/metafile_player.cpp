// Feeds arbitrary bytes to the metafile player: as an EMF and as a WMF (placeable header or not), each
// played into a 64 x 64 DIB. A refused handle is fine; anything else (a crash, a sanitizer report, a hang)
// is a finding.
#include "platform/win/gdi/Metafile.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Text records load fontconfig's configuration once per process; its parser keeps two small blocks it never
// frees, which the leak checker would report for whichever input first draws text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace win;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 64;
    info.bmiHeader.biHeight = 64;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT rect{0, 0, 64, 64};
    for (HENHMETAFILE mf :
         {SetEnhMetaFileBits(UINT(size), data), SetWinMetaFileBits(UINT(size), data, nullptr, nullptr)}) {
        if (!mf)
            continue;
        ENHMETAHEADER header{};
        GetEnhMetaFileHeader(mf, sizeof header, &header);
        PlayEnhMetaFile(dc, mf, &rect);
        DeleteEnhMetaFile(mf);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return 0;
}
