// The frame vocabulary every control of the set shares (a frame style out of twelve, a set of sides, the
// choice between the visual style's frame and the set's own) and the routines that paint it: side and bevel
// lines, style borders in system colours or in shades of a face colour, the two-frame borders of labels and
// panels, the non-client frame of edit-like controls, the rounded flat border, the dotted focus border and
// the arrow glyphs of drop-down and spin buttons.
//
// Every routine takes a canvas and a rectangle (right and bottom exclusive) and returns what is left inside
// what it drew. A rectangle without width or height gets nothing drawn and comes back unchanged.
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vcl {
class TCanvas;
class TFiler;
class TReader;
} // namespace vcl

namespace controls {

using vcl::TColor;
using win::TRect;

enum TFrameStyleEx : uint8_t {
    fsNone,
    fsFlat,
    fsGroove,
    fsBump,
    fsLowered,
    fsButtonDown,
    fsRaised,
    fsButtonUp,
    fsStatus,
    fsPopup,
    fsFlatBold,
    fsFlatRounded
};
// The styles of every FrameStyle and FrameHotStyle property: fsNone to fsFlatBold. fsFlatRounded belongs to
// the outer and inner borders of labels and panels only.
using TFrameStyle = TFrameStyleEx;
constexpr TFrameStyleEx FrameStyleLast = fsFlatBold;

// "fsNone" ...; empty for a value out of range.
std::string FrameStyleName(TFrameStyleEx style);
// The TFrameStyle named (fsNone to fsFlatBold, letter case ignored), or nothing.
std::optional<TFrameStyle> FrameStyleFromName(const std::string& name);

enum TSide : uint8_t { sdLeft, sdTop, sdRight, sdBottom };
using TSides = vcl::TSet<TSide>; // stored as left 1, top 2, right 4, bottom 8
constexpr TSides AllSides{sdLeft, sdTop, sdRight, sdBottom};

enum TFramingPreference : uint8_t { fpCustomFraming, fpXPThemes };
enum TTextStyle : uint8_t { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TAlignmentVertical : uint8_t { avTop, avCenter, avBottom };
enum TOrientation : uint8_t { orHorizontal, orVertical };
enum TFcHotTrackColorType : uint8_t { htctComplement, htctActual };
// The type of the design-time About property; it stores nothing.
enum TFcAboutInfo : uint8_t { fcAbout };

// The frame settings of a framed control (edit, spin edit, combo box, list view) with their defaults; the
// frame controller carries the same set, with FlatButtons on.
struct TFrameSettings {
    bool FrameVisible = false;
    TFrameStyle FrameStyle = fsFlat;
    TColor FrameColor = vcl::clBtnShadow;
    bool FrameHotTrack = false;
    TFrameStyle FrameHotStyle = fsFlatBold;
    TColor FrameHotColor = vcl::clBtnShadow;
    TSides FrameSides = AllSides;
    TFramingPreference FramingPreference = fpXPThemes;
    TColor FocusColor = vcl::clWindow;
    TColor DisabledColor = vcl::clBtnFace;
    bool FlatButtons = false;
    TColor FlatButtonColor = vcl::clBtnFace;
};

// What a framed control writes to a layout file. Color: only without a frame controller and while enabled.
bool FrameColorStored(bool controllerLinked, bool enabled);
// FocusColor: only without a controller and when it differs from Color (as RGB values).
bool FrameFocusColorStored(bool controllerLinked, TColor focusColor, TColor color);
// DisabledColor, FlatButtons, FlatButtonColor, FrameColor, FrameHotColor, FrameHotTrack, FrameHotStyle,
// FrameSides, FrameStyle, FrameVisible: only without a controller. FramingPreference is always stored.
bool FrameSettingStored(bool controllerLinked);

// Where the readers of older layouts put what they read: the control's (or controller's) own setters.
struct TLegacyFrameTarget {
    std::function<void(bool)> SetFrameHotTrack;
    std::function<void(TFrameStyle)> SetFrameStyle;
    std::function<void(TFrameStyle)> SetFrameHotStyle;
};
// Registers the readers of FrameFlat (to FrameHotTrack; True also makes FrameStyle fsStatus and
// FrameHotStyle fsLowered), FrameFocusStyle (to FrameHotStyle; a name that is no TFrameStyle is ignored) and
// FrameFlatStyle (read and dropped). Nothing is ever written under these names.
void DefineLegacyFrameProperties(vcl::TFiler* filer, const TLegacyFrameTarget& target);
void ReadLegacyFrameFlat(vcl::TReader* reader, const TLegacyFrameTarget& target);
void ReadLegacyFrameFocusStyle(vcl::TReader* reader, const TLegacyFrameTarget& target);
void ReadLegacyFrameFlatStyle(vcl::TReader* reader);

// ---- Painting ---------------------------------------------------------------------------------------
// Lines are drawn with the canvas pen (width 1) from point to point, so the end point of a line is not
// painted. clNone as a colour leaves those lines out.

// Left and top in ulColor, right and bottom in lrColor, only the sides in sides; Inner is bounds moved in by
// one on each side in sides.
TRect PaintSides(vcl::TCanvas* canvas, const TRect& bounds, TColor ulColor, TColor lrColor,
                 TSides sides = AllSides);
// PaintSides count times, each inside the last.
TRect PaintBevel(vcl::TCanvas* canvas, const TRect& bounds, TColor ulColor, TColor lrColor, int32_t count,
                 TSides sides = AllSides);
TRect Paint3DBorderSides(vcl::TCanvas* canvas, const TRect& bounds, bool lowered, TSides sides);
TRect PaintButtonBorderSides(vcl::TCanvas* canvas, const TRect& bounds, bool lowered, TSides sides);
TRect PaintButtonBorder(vcl::TCanvas* canvas, const TRect& bounds, bool lowered);
TRect PaintColorButtonBorderSides(vcl::TCanvas* canvas, const TRect& bounds, TColor faceColor, bool lowered,
                                  TSides sides);
TRect PaintColorButtonBorder(vcl::TCanvas* canvas, const TRect& bounds, TColor faceColor, bool lowered);
// A frame style in system colours; a style above fsFlatBold draws as fsBump.
TRect PaintStyleBorderSides(vcl::TCanvas* canvas, const TRect& bounds, TFrameStyleEx style, TSides sides);
TRect PaintStyleBorder(vcl::TCanvas* canvas, const TRect& bounds, TFrameStyleEx style);
// A frame style in shades of faceColor; a style above fsFlatBold draws as fsBump.
TRect PaintColorStyleBorderSides(vcl::TCanvas* canvas, const TRect& bounds, TColor faceColor, TFrameStyleEx style,
                                 TSides sides);
TRect PaintColorStyleBorder(vcl::TCanvas* canvas, const TRect& bounds, TColor faceColor, TFrameStyleEx style);
TRect PaintRoundedFlatBorder(vcl::TCanvas* canvas, const TRect& bounds, TColor color, TSides sides);
// The two-frame border of labels and panels.
TRect PaintInnerOuterBorders(vcl::TCanvas* canvas, const TRect& rect, TFrameStyleEx borderOuter,
                             TFrameStyleEx borderInner, int32_t borderWidth, TSides borderSides,
                             int32_t bevelWidth, TColor borderColor, TColor borderHighlight, TColor borderShadow,
                             TColor flatColor, int32_t flatColorAdjustment, TColor color, TColor parentColor,
                             bool transparent, bool cutCorners);
// The non-client frame of an edit-like control on (0, 0, width, height).
void PaintControlFrame(vcl::TCanvas* canvas, int32_t width, int32_t height, TFrameStyleEx style, TColor color,
                       TColor frameColor, TSides sides, bool skipClear);
// Every second pixel of the rectangle's edges set to black; returns bounds shrunk by 1.
TRect PaintFocusBorder(vcl::TCanvas* canvas, const TRect& bounds);
TRect CentredRect(const TRect& rect, int32_t width, int32_t height);

enum TArrowDirection : uint8_t { adUp, adDown, adLeft, adRight };
// Filled arrows in the brush colour: clBtnShadow when disabled, the visual style's drop-down button colour
// with xpLook (which counts only while themes are enabled), otherwise black. The brush colour and a solid
// pen are put back afterwards.
void PaintDropDownArrow(vcl::TCanvas* canvas, const TRect& rect, bool xpLook, bool pushed, bool enabled);
void PaintDirectionArrow(vcl::TCanvas* canvas, const TRect& rect, bool xpLook, uint8_t direction, bool pushed,
                         bool enabled);
// The colour the arrows take with xpLook: the combo box's drop-down button sampled from the theme,
// cl3DDkShadow when that is close to clWindow.
TColor XPArrowColor();

} // namespace controls
