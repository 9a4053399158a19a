// Routines of the drop-down windows and owner-drawn lists: the grip strip's height, the corner of the size
// grip and its painting, and text calls that take a string.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"

#include <cstdint>
#include <string>

namespace lookandfeel {

// The corner of a size grip: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
using TxbSizeGripCorner = uint8_t;
constexpr TxbSizeGripCorner sgcTopLeft = 0, sgcTopRight = 1, sgcBottomLeft = 2, sgcBottomRight = 3;

// The larger of SM_CYHSCROLL + 3 and SM_CYSIZE + 1.
int32_t GetDropDownGripBarHeight();
// The grip's corner for a drop-down beside its edit (both rects in the same coordinates): bottom right below
// the edit, top right above it; the left corners only for a drop-down that ends left of the edit.
TxbSizeGripCorner GetSizeGripCorner(const win::TRect& editRect, const win::TRect& dropDownRect);
// Draws the size grip in the rect's corner, its lines pointing into the corner, with button-face bands
// along the cell's outer edges; rect becomes the grip's cell.
void PaintSizeGrip(win::HDC dc, win::TRect& rect, TxbSizeGripCorner corner);

// DrawText on the first count bytes of text (a negative count, or one past the end, means all of it).
int DrawTextStr(win::HDC dc, const std::string& text, int count, win::TRect* rect, win::UINT format);
win::BOOL ExtTextOutStr(win::HDC dc, int x, int y, win::UINT options, const win::TRect* rect,
                        const std::string& text);
// The extent of the first count bytes (clamped as above).
win::BOOL GetTextExtentStr(win::HDC dc, const std::string& text, int count, win::SIZE* size);

} // namespace lookandfeel
