// Internal to the built-in engine: the colour rows of the schemes, the table of the classes, parts and
// states it draws, and the shape of a part in a rectangle. Drawing, regions and transparency all come from
// one shape, so they cannot disagree.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/theme/ThemeEngine.h"

#include <string>
#include <vector>

namespace win {

struct BuiltinColors {
    COLORREF MenuBorder, BarLight, BarDark, HotFaceFrom, HotFaceTo, PressedFaceFrom, PressedFaceTo, CheckedFace,
        GripDark, GripLight, SeparatorDark, SeparatorLight, Text, DisabledText, MenuBackground;
};
const BuiltinColors& BuiltinSchemeColors(ThemeScheme scheme);

// The classes in the order the look-and-feel code numbers its elements.
enum BuiltinClass {
    bcButton, bcClock, bcComboBox, bcEdit, bcExplorerBar, bcHeader, bcListView, bcMenu, bcPage, bcProgress,
    bcRebar, bcScrollBar, bcSpin, bcStartPanel, bcStatus, bcTab, bcTaskBand, bcTaskBar, bcToolBar, bcToolTip,
    bcTrackBar, bcTrayNotify, bcTreeView, bcWindow, bcCount
};
const char* BuiltinClassName(int cls);

enum BuiltinLook {
    blFrame,      // border without its corner pixels, a bar face inside
    blContent,    // the same with a light content face (edits, lists, panes)
    blOutline,    // the border alone
    blFace,       // a face over the whole rect
    blGrip,       // a line or block of grip dots
    blSizeGrip,   // a triangle of grip dots in the bottom-right corner
    blSeparatorV, // a vertical separator line
    blSeparatorH, // a horizontal separator line
    blGlyph       // the glyph alone
};

enum BuiltinGlyph {
    bgNone, bgArrowUp, bgArrowDown, bgArrowLeft, bgArrowRight, bgDropArrow, bgCheck, bgMixed, bgRadio, bgPlus,
    bgMinus, bgChevronUp, bgChevronDown, bgClose, bgMinimise, bgRestore, bgGripLine, bgGripRow, bgGripBlock
};

enum BuiltinVisual { bvNormal, bvHot, bvPressed, bvDisabled, bvChecked, bvDefaulted };

struct BuiltinPart {
    BuiltinLook Look = blFrame;
    int MaxState = 1;
    TSize TrueSize;   // {0, 0}: the part stretches to any rect
    TSize MinSize;
    int Margin = 0;   // the content rect lies this far inside the part's rect
};

struct BuiltinState {
    BuiltinVisual Visual = bvNormal;
    BuiltinGlyph Glyph = bgNone;
};

// False for a part or state the class lacks. State 0 counts as the normal state of every part.
bool BuiltinFindPart(int cls, int part, BuiltinPart* info);
bool BuiltinFindState(int cls, int part, int state, BuiltinPart* info, BuiltinState* look);
bool BuiltinPartiallyTransparent(BuiltinLook look);

struct BuiltinPaint {
    TRect Rect;
    COLORREF Color;
};
struct BuiltinShape {
    std::vector<BuiltinPaint> Paint; // in painting order
    std::vector<TRect> Cover;        // every pixel the paint touches, as a union of rectangles
};
BuiltinShape BuiltinBuildShape(const BuiltinColors& colors, const BuiltinPart& part, const BuiltinState& state,
                               const TRect& rect);

// The colours a state paints with.
COLORREF BuiltinBorderColor(const BuiltinColors& colors, BuiltinVisual visual);
COLORREF BuiltinTextColor(const BuiltinColors& colors, BuiltinVisual visual);
void BuiltinFaceColors(const BuiltinColors& colors, BuiltinLook look, BuiltinVisual visual, COLORREF* from,
                       COLORREF* to);

} // namespace win
