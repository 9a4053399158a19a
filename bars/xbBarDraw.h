// The drawing routines the bar painters and windows share: item glyphs in their normal, disabled (embossed,
// faded or grey), lightened and shadowed looks, arrows, the vertical gradient, background bitmaps tiled so
// that a part of a bar lines up with the rest, clip-region helpers, window alpha blending, the size grip drawn
// transparently or through the visual styles, themed edit and toolbar colours, and the non-client frame,
// close button and size grip of drop-down windows. Every routine leaves the device context as it found it.
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/WinTypes.h"
#include "platform/win/theme/UxTheme.h"

#include <cstdint>

namespace vcl {
class TBitmap;
class TCustomImageList;
} // namespace vcl

namespace bars {

inline int32_t RectWidth(const win::TRect& r) { return r.Right - r.Left; }
inline int32_t RectHeight(const win::TRect& r) { return r.Bottom - r.Top; }

// What DrawItemGlyph draws: the glyph is image ImageIndex of Images when Bitmap is null or empty, else
// Bitmap; it is stretched to GlyphRect. Selected is the hot state, Pressed the mouse-pressed one, Down the
// checked one. FadeColor clNone means no fade colour.
struct TxbGlyphDrawParams {
    win::HBRUSH BackgroundBrush = nullptr;
    win::TRect Area{};
    win::COLORREF ImageListBkColor = 0;
    vcl::TColor FadeColor = vcl::clNone;
    bool KeepBackground = false;
    bool Shadow = false;
    bool Pressed = false;
    bool Down = false;
    bool Selected = false;
    bool Flat = false;
    bool Gray = false;
    bool Enabled = true;
    int32_t ImageIndex = -1;
    vcl::TCustomImageList* Images = nullptr;
    vcl::TBitmap* Bitmap = nullptr;
    win::TRect GlyphRect{};
};

// Composes Area off screen (the destination's pixels or the brush, then the glyph) and copies it back.
void DrawItemGlyph(win::HDC dc, const TxbGlyphDrawParams& params);
// A disabled glyph's pixel faded toward the colour (0x00BBGGRR values).
win::COLORREF FadePixel(win::COLORREF pixel, win::COLORREF fadeColor);
// A component 30 % of the way to white.
uint8_t LightenComponent(uint8_t component);

// Shapes and fills.
// The size DrawArrowInRect gives a rect: from its width less 8 (down) or its height less 6 (right), at least 3.
int32_t CalcArrowSizeInRect(const win::TRect& rect, bool down);
// A filled triangle pointing down or right, centred in rect: 2 x size - 1 across and size deep.
void DrawArrow(win::HDC dc, const win::TRect& rect, bool down, bool flat, bool enabled, bool selected, int32_t size);
void DrawArrowInRect(win::HDC dc, const win::TRect& rect, bool down, bool flat, bool selected, bool enabled);
void FrameRectWithHighlight(win::HDC dc, const win::TRect& rect);
// 256 bands from start to end, colours 0x00BBGGRR.
void FillVerticalGradient(win::HDC dc, const win::TRect& rect, win::COLORREF startColor, win::COLORREF endColor);
// With a null or empty bitmap the rect is filled with the brush, or without one with the colour; otherwise
// the bitmap is tiled (TileBitmap).
void FillRectOrTileBitmap(win::HDC dc, const win::TRect& rect, const win::TRect& part, vcl::TBitmap* bitmap,
                          vcl::TColor color, win::HBRUSH brush);
// part is the rectangle of an endless tiling from (0, 0) that rect shows.
void TileBitmap(win::HDC dc, const win::TRect& rect, const win::TRect& part, vcl::TBitmap* bitmap);
// The classic size grip over the existing background: only its lines replace it.
void DrawTransparentSizeGrip(win::HDC dc, const win::TRect& rect);

// Clip regions.
void SaveDCClipRegion(win::HDC dc, win::HRGN& region, bool& hadRegion);
void RestoreDCClipRegion(win::HDC dc, win::HRGN region, bool hadRegion);
void IncludeClipRect(win::HDC dc, const win::TRect& rect);
void ExcludeRectFromRegion(win::HRGN region, const win::TRect& rect);

// Windows: below 255 the window becomes layered with that opacity; at 255 a layered window stops being one.
// Nothing without SetLayeredWindowAttributes.
void SetWindowAlphaBlend(win::HWND window, uint8_t value);

// Themes.
constexpr int EP_EDITTEXT = 1;
constexpr int ETS_NORMAL = 1, ETS_DISABLED = 4, ETS_READONLY = 6;
constexpr int WP_SMALLCLOSEBUTTON = 19;
constexpr int SBP_SIZEBOX = 10;
int GetEditThemeState(bool itemEnabled, bool readOnly);
win::COLORREF GetThemedEditBkColor(win::HTHEME theme, int state);
win::COLORREF GetThemedEditTextColor(win::HTHEME theme, int state);
win::COLORREF GetThemedToolbarFillColor();
win::TSize GetThemedCloseButtonSize(win::HDC dc);
// The close button (pressed, hot or normal) at the left of rect for corners 1 and 3, else at its right, its
// height centred; rect becomes the button's rect.
void DrawThemedCloseButton(win::HDC dc, win::TRect& rect, bool hot, int corner, bool pressed);
win::TSize GetThemedSizeGripSize(win::HDC dc);
void DrawThemedSizeGrip(win::HDC dc, const win::TRect& rect, int corner);

// Drop-down windows.
void DrawDropDownCloseButton(win::HDC dc, const win::TRect& rect, bool hot, int corner, bool flat, bool pressed);
void PaintDropDownNonClient(win::HWND window, bool hasGripBar, bool flat, int corner, win::TRect& closeRect,
                            win::TRect& gripRect, bool closeHot, bool closePressed);

} // namespace bars
