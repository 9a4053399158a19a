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

// ---- Bitmaps, gradients and parent images ----------------------------------------------------------

// Draws sourceRect of bitmap, stretched to the size of destRect, with every pixel of transparentColor left
// out. Only destRect's size counts: the picture's top-left corner is the canvas origin (callers draw into a
// work bitmap of that size).
void PaintTransparentBitmap(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, const win::TRect& destRect,
                            const win::TRect& sourceRect, TColor transparentColor);

// The layouts of FillGradient.
enum TFcGradientDirection : uint8_t {
    gdDiagonalFromTopLeft,  // Color1 in the top-left corner, Color2 in the bottom-right
    gdDiagonalFromTopRight, // Color1 in the top-right corner, Color2 in the bottom-left
    gdVertical,             // Color1 at the top, Color2 at the bottom
    gdVerticalFromMiddle,   // Color2 on the middle line, Color1 at the top and bottom
    gdRectangularWideBand,  // Color2 in the centre, a band a quarter of the width wide, Color1 at the edges
    gdHorizontal,           // Color1 left, Color2 right
    gdHorizontalFromMiddle, // Color2 in the middle column, Color1 at both sides
    gdRectangularHighBand,  // as gdRectangularWideBand with the band a quarter of the height high
    gdRectangular,          // Color2 in the centre point, Color1 at the edges
    gdRectangularBand       // both bands
};

// Fills rect with a gradient. Each channel runs in 16.16 fixed point from Color2 toward Color1 and stops one
// increment short of it; steps sets the band width: steps when at most 8, else 255 div steps + 1.
void FillGradient(vcl::TCanvas* canvas, const win::TRect& rect, uint8_t direction, TColor color1, TColor color2,
                  uint8_t steps);
int32_t GradientBandSize(uint8_t steps);
// FillGradient's parts. The linear fill draws into an 8-pixel strip at the top (x given: horizontal, x the
// split point or -1) or at the left (y given: vertical), from the far end back to the start; with a split the
// far half runs the other way, so that Color2 lies at the split.
void FillLinearGradient(win::HDC dc, int32_t x, int32_t y, int32_t length, TColor color1, TColor color2,
                        uint8_t steps);
// The top-left quarter ((w-1) div 2 + 1 by (h-1) div 2 + 1) in L-shaped bands from Color2 at the centre band
// to Color1 at the edge.
void FillRectangularGradient(win::HDC dc, int32_t w, int32_t h, int32_t bandWidth, int32_t bandHeight,
                             TColor color1, TColor color2, uint8_t steps);
// Color1 at the top-left corner (top-right for a negative w), Color2 at the opposite one.
void FillDiagonalGradient(win::HDC dc, int32_t w, int32_t h, TColor color1, TColor color2, uint8_t steps);
// Doubles the filled w0 x h0 area at (x, y) downward, then rightward, until it covers w x h.
void ReplicateBlit(win::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t w0, int32_t h0,
                   win::DWORD rop);
// The top-left quarter mirrored into the bottom half, then the left half into the right half.
void MirrorQuarterBlit(win::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, win::DWORD rop);

// Paints the control's parent into dc (the control's own coordinates), so that a transparent control shows
// what lies under it; nothing without a parent. With invalidateParent a parent that is neither a custom-drawn
// control nor a form is invalidated afterwards.
void PaintParentImage(vcl::TControl* control, win::HDC dc, bool invalidateParent);
void PaintParentImageOnCanvas(vcl::TControl* control, vcl::TCanvas* canvas, bool invalidateParent);

inline int32_t IMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t IMax(int32_t a, int32_t b) { return a > b ? a : b; }

} // namespace controls
