// Free routines of the control set: colours derived from one another (HSL on the 0-240 scale of the
// system's colour dialog, lighter, darker and blended shades), rotated and measured fonts, questions about
// the running system, and the painting of bitmaps, gradients and a control's parent.
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/WinTypes.h"

#include <cstdint>

namespace vcl {
class TBitmap;
class TCanvas;
class TControl;
} // namespace vcl

namespace controls {

using vcl::TColor;

// ---- Colours ------------------------------------------------------------------------------------------
// Every routine that reads channels resolves a system colour to its RGB value first.

// Hue, saturation and luminance, each 0-240 (240 = 100 %).
struct THSL240 {
    uint8_t H = 0;
    uint8_t S = 0;
    uint8_t L = 0;
    bool operator==(const THSL240&) const = default;
};

THSL240 ColorToHSL240(TColor color);
uint8_t HueOfColor(TColor color);
// H counts 239 to the full turn; an L above 240 is full luminance.
TColor HSL240ToColor(uint8_t h, uint8_t s, uint8_t l);
// L lowered by n (not below 0) / raised by n (not above 255), hue and saturation kept.
TColor DarkerColor(TColor color, uint8_t n);
TColor LighterColor(TColor color, uint8_t n);
// Lighter for n > 0, darker by -n for n < 0; n = 0 gives the colour itself, unresolved.
TColor ShadeColor(TColor color, int32_t n);
// weight/255 of color1 and the rest of color2.
TColor BlendColors(TColor color1, TColor color2, uint8_t weight);
// Hues less than 20 apart and luminances less than 60 apart.
bool ColorsAreClose(TColor color1, TColor color2);

// ---- Fonts and the system ---------------------------------------------------------------------------

// The screen has no palette.
bool DisplayHasFullColor();
// A new font like font, turned by angle degrees (counter-clockwise); the caller deletes it.
win::HFONT CreateRotatedFont(vcl::TFont* font, int32_t angle);
bool IsTrueTypeFont(vcl::TFont* font);
// The font's text height plus 2.
int32_t FontLineHeight(vcl::TFont* font);

enum TWindowsVersion : uint8_t { wvWin95, wvWinNT, wvWin98, wvWinMe, wvWin2000, wvWinXP, wvWin2003 };
// Whether the running system is that version (from the class library's version globals); other kinds
// give false.
bool IsWindowsVersion(uint8_t kind);

// Tells the form designer that the form changed: only for a control being designed that is not being
// loaded, read, written, destroyed or updated, on a form with a designer.
void NotifyDesignerModified(vcl::TControl* control);

inline int32_t IMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t IMax(int32_t a, int32_t b) { return a > b ? a : b; }

} // namespace controls
