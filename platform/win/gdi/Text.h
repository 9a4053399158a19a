// Text output and measurement on a device context.
//
// Text is UTF-8. Counts are in bytes; per-character arrays (the spacing of ExtTextOut, the partial
// extents of GetTextExtentExPoint) have one entry per byte: a character's advance is the sum of the
// entries of its bytes, and every byte of a character reports the extent at that character's end.
#pragma once

#include "platform/win/gdi/Fonts.h"

namespace win {

constexpr UINT TA_NOUPDATECP = 0, TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6;
constexpr UINT TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT TA_MASK = TA_BASELINE | TA_CENTER | TA_UPDATECP | TA_RTLREADING;

constexpr UINT ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004;

UINT SetTextAlign(HDC dc, UINT align); // returns the previous alignment, GDI_ERROR for a bad DC
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);

BOOL TextOut(HDC dc, int x, int y, const char* text, int count);
inline BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
    return TextOut(dc, x, y, text, count);
}
// ETO_OPAQUE fills rect with the background colour, ETO_CLIPPED clips the text to rect; dx (optional)
// gives the advance of each character.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx);
inline BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                        const int* dx) {
    return ExtTextOut(dc, x, y, options, rect, text, count, dx);
}

BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size);
inline BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentPoint32(dc, text, count, size);
}
inline BOOL GetTextExtentPoint(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentPoint32(dc, text, count, size);
}
// fit (optional) receives how many bytes fit in maxExtent (computed only when fit is given); dx (optional)
// the extent after each byte.
BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
inline BOOL GetTextMetricsA(HDC dc, TEXTMETRIC* metrics) {
    return GetTextMetrics(dc, metrics);
}
// Advance widths of the characters first..last (code points).
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths);
inline BOOL GetCharWidth(HDC dc, UINT first, UINT last, int* widths) {
    return GetCharWidth32(dc, first, last, widths);
}
// The face name of the selected font (as asked for; the mapped family when none was given). Returns the
// bytes copied including the terminator, or the length needed when name is null.
int GetTextFace(HDC dc, int count, char* name);

} // namespace win
