// Fonts: creating font handles from a LOGFONT (declared with the other GDI records in Gdi.h), the text
// metrics record and the font constants.
#pragma once

#include "platform/win/gdi/Gdi.h"

#include <string>

namespace win {

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    char32_t tmFirstChar = 0;
    char32_t tmLastChar = 0;
    char32_t tmDefaultChar = 0;
    char32_t tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
using TEXTMETRICA = TEXTMETRIC;

// Weights.
constexpr LONG FW_DONTCARE = 0, FW_THIN = 100, FW_EXTRALIGHT = 200, FW_LIGHT = 300, FW_NORMAL = 400,
               FW_MEDIUM = 500, FW_SEMIBOLD = 600, FW_BOLD = 700, FW_EXTRABOLD = 800, FW_HEAVY = 900;
// Character sets (kept, not interpreted: text is UTF-8).
constexpr BYTE ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255;
// Output and clip precision, quality.
constexpr BYTE OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, OUT_TT_ONLY_PRECIS = 7, CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0, DRAFT_QUALITY = 1, PROOF_QUALITY = 2, NONANTIALIASED_QUALITY = 3,
               ANTIALIASED_QUALITY = 4, CLEARTYPE_QUALITY = 5;
// Pitch (low 2 bits) and family (high 4 bits).
constexpr BYTE DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30, FF_SCRIPT = 0x40,
               FF_DECORATIVE = 0x50;
// tmPitchAndFamily bits. TMPF_FIXED_PITCH set means the font is NOT fixed-pitch.
constexpr BYTE TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04, TMPF_DEVICE = 0x08;

HFONT CreateFontIndirect(const LOGFONT* logFont);
inline HFONT CreateFontIndirectA(const LOGFONT* logFont) {
    return CreateFontIndirect(logFont);
}
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* faceName);

// The typeface name a font is drawn with (the Debian family the face name maps to).
std::string RealizedFamilyName(HFONT font);

} // namespace win
