// Metafile pictures: enhanced metafiles (EMF) and Windows metafiles (WMF, with or without the placeable
// header) held in memory and played onto a device context by the layer's own record player.
//
// The bytes of a metafile are untrusted: every record is checked against its own size and the data before
// use, a record running past the data ends playback, and playback never fails halfway with the DC changed.
#pragma once

#include "platform/win/gdi/Gdi.h"

namespace win {

struct HENHMETAFILE__;
using HENHMETAFILE = HENHMETAFILE__*;

// The header of an enhanced metafile as stored in its first record. For a Windows metafile handle it
// describes the picture the same way: bounds in pixels, frame in hundredths of a millimetre, and a
// reference device of 96 pixels per inch.
struct ENHMETAHEADER {
    DWORD iType = 0;
    DWORD nSize = 0;
    RECT rclBounds{};
    RECT rclFrame{};
    DWORD dSignature = 0;
    DWORD nVersion = 0;
    DWORD nBytes = 0;
    DWORD nRecords = 0;
    WORD nHandles = 0;
    WORD sReserved = 0;
    DWORD nDescription = 0;
    DWORD offDescription = 0;
    DWORD nPalEntries = 0;
    SIZE szlDevice{};
    SIZE szlMillimeters{};
};
static_assert(sizeof(ENHMETAHEADER) == 88);

constexpr DWORD EMR_HEADER = 1;
constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520; // " EMF"

// A handle over a copy of EMF bytes; null when the bytes do not start with a valid header.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// A handle over a copy of WMF bytes (placeable header or not); null when no WMF header is found. The
// reference DC and picture description are not used: the placeable box or the first window records size
// the picture.
HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC reference, const void* picture);
// Copies up to size bytes of the header (all of it with size >= 88); with header null returns the size.
// Returns 0 for a bad handle.
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// Plays the records so that the picture's frame fills rect (logical units of dc). The DC's state is saved
// and restored; the metafile's clipping only narrows the DC's own.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// True for a WMF handle (SetWinMetaFileBits), false for an EMF one.
bool IsWinMetaFile(HENHMETAFILE metafile);
// True when the EMF carries only EMF+ drawing (an EMF+ header without the dual flag): its GDI records
// show nothing.
bool IsEmfPlusOnly(HENHMETAFILE metafile);

} // namespace win
