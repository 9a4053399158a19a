// DrawText: formatted text in a rectangle (lines, word breaks, tabs, "&" mnemonics, ellipses).
#pragma once

#include "platform/win/gdi/Text.h"

#include <string>

namespace win {

constexpr UINT DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
               DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
               DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400,
               DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000, DT_PATH_ELLIPSIS = 0x4000,
               DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000, DT_RTLREADING = 0x20000,
               DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000, DT_HIDEPREFIX = 0x100000,
               DT_PREFIXONLY = 0x200000;

struct DRAWTEXTPARAMS {
    UINT cbSize = sizeof(DRAWTEXTPARAMS);
    int iTabLength = 0; // tab stops in average character widths (0 = 8)
    int iLeftMargin = 0;
    int iRightMargin = 0;
    UINT uiLengthDrawn = 0; // out: bytes of the text that were processed
};

// Draws (or with DT_CALCRECT measures) count bytes of UTF-8 text (-1: up to the terminator) in rect.
// Returns the height of the text, or with DT_VCENTER or DT_BOTTOM the offset from rect->top to the bottom
// of the drawn text; 0 on failure. DT_MODIFYSTRING has no effect here: the text is read-only.
int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format);
inline int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    return DrawText(dc, text, count, rect, format);
}
// As above; with DT_MODIFYSTRING and an ellipsis the text is replaced by what was shown.
int DrawText(HDC dc, std::string& text, RECT* rect, UINT format);
int DrawTextEx(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
inline int DrawTextExA(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextEx(dc, text, count, rect, format, params);
}

} // namespace win
