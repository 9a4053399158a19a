// The Office-2003 colour set: the colours, brushes and glyph bitmaps that every Office11 painter of the bars
// and of the look-and-feel shares. Under the standard visual style in its blue, olive or silver scheme the
// colours come from a built-in table; otherwise they are derived from the system colours. The brushes and
// bitmaps exist while the set has users (AcquireOffice11Colors / FreeOffice11Colors).
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/WinTypes.h"

#include <cstdint>

namespace vcl {
class TBitmap;
}

namespace lookandfeel {

using vcl::TColor;

// The states of the toolbar end mark's colours.
enum TxbOffice11MarkState { omsNormal, omsHot, omsPressed };

// The table colours, #0 to #35 in table order (Office11Color reads them by number).
extern TColor BarLight, BarDark, DockLight, DockDark;
extern TColor MarkTo[3], MarkFrom[3];
extern TColor BarBorder, BarShadow, GripDark, GripLight, SeparatorDark, SeparatorLight, FloatingBorder,
    FloatingInnerBorder, MenuBorder, MenuBackground, SelectedFace, HighlightFrame, HotFaceFrom, HotFaceTo,
    PressedFaceFrom, PressedFaceTo, CheckedFace, PressedFace, DownFace, DetachBarFace, Office11TextColor,
    Office11DisabledTextColor, PainterFaceColor, PainterSelectionColor, PainterBackgroundColor,
    PainterFrameColor;
constexpr int Office11ColorCount = 36;
// The colour of table row index (0-35), 0 outside.
TColor Office11Color(int index);

// Colours derived from the table ones.
extern TColor MarkEdge[3], MarkShadow[3];
extern TColor ChevronDark, ChevronLight, FloatingCaption, FloatingCaptionColor, CaptionTextColor,
    CaptionButtonHotColor, CaptionButtonPressedColor, ItemFaceFrom, ItemFaceTo, MenuColumnFrom, MenuColumnTo,
    MenuColumnRareFrom, MenuColumnRareTo, DropDownColor, CaptionTextAltColor, LookAndFeelFrameColor;

// The break of the two-stage gradient: 41, 125, 40 for the blue, olive and silver schemes, 75 otherwise.
extern int32_t Office11GradientPercent;

// Brushes and bitmaps, while the set has users (null otherwise).
extern win::HBRUSH GripDarkBrush, GripLightBrush, SeparatorDarkBrush, SeparatorLightBrush, MenuBorderBrush,
    MenuBackgroundBrush, HighlightFrameBrush, CheckedFaceBrush, PressedFaceBrush, DownFaceBrush, DetachBarBrush,
    SelectedFaceBrush, MarkShadowBrush;
extern vcl::TBitmap* SubMenuExpandBitmap;
extern vcl::TBitmap* ExpandButtonMinusBitmap;
extern vcl::TBitmap* ExpandButtonPlusBitmap;
constexpr TColor ExpandButtonCornerLight = 158 | (174 << 8) | (191 << 16);
constexpr TColor ExpandButtonCornerDark = 46 | (70 << 8) | (95 << 16);

// Colour routines. MixColors: P percent of A and the rest of B, per channel, then the nearest screen
// colour. GetBlendedSystemColor: F, H and W percent of the button face, highlight and window colours (the
// highlight colour itself when the face is black or white).
TColor MixColors(TColor a, TColor b, int32_t p);
TColor GetBlendedSystemColor(int32_t f, int32_t h, int32_t w);
TColor NearestScreenColor(TColor c);

void AcquireOffice11Colors();
void UpdateOffice11Colors();
void FreeOffice11Colors();
int32_t Office11ColorsUseCount();
// 0 none, 1 blue ("NORMALCOLOR"), 2 olive ("HOMESTEAD"), 3 silver ("METALLIC").
int32_t GetOffice11Scheme();
bool IsOffice11ThemedScheme();

bool IsButtonFaceBlack();
bool IsButtonFaceWhite();
bool IsBlackFaceWithNonWhiteText();

// Recolours the expand glyph in shades from from (its lightest pixels) to to (its darkest); the pixel at
// (0, 0) is the background, which stays, as do black pixels. Equal colours make to white (from black) or
// black.
void RecolorOffice11Glyph(vcl::TBitmap* bitmap, TColor from, TColor to);

void FillRectColor(win::HDC dc, const win::TRect& rect, TColor color);
void FrameRectColor(win::HDC dc, const win::TRect& rect, TColor color);
// Bands from one colour to the other along the rect's width (horizontal) or height, at most 256.
void FillGradientRect(win::HDC dc, const win::TRect& rect, TColor from, bool horizontal, TColor to);
// One-pixel bands: a ramp to the colour Office11GradientPercent / 2 percent of the way over the first half,
// and on to the second colour over the second half.
void FillTwoStageGradientRect(win::HDC dc, const win::TRect& rect, TColor from, bool horizontal, TColor to);
// The colour FillGradientRect gives the band at coordinate.
TColor InterpolateGradientColor(const win::TRect& rect, int32_t coordinate, TColor from, bool horizontal,
                                TColor to);
// The colour of one band of the two-stage gradient (band i of length bands), per channel as drawn.
TColor TwoStageGradientColor(int32_t i, int32_t length, TColor from, TColor to, int32_t percent);
void FrameOffice11Highlight(win::HDC dc, const win::TRect& rect);
void DrawOffice11GripDots(win::HDC dc, const win::TRect& rect, bool vertical);
void DrawOffice11DropDownArrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled, bool highlighted);
void DrawOffice11Arrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled, bool highlighted,
                       int32_t size);

void InitOffice11Module();
void DoneOffice11Module();

} // namespace lookandfeel
