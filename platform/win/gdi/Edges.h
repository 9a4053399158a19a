// 3D edges and the system's frame controls (buttons, caption buttons, scroll arrows, size grip, menu
// glyphs) in the classic look, built from the system colours.
#pragma once

#include "platform/win/gdi/Gdi.h"

namespace win {

// Borders.
constexpr UINT BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8;
constexpr UINT BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER, BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr UINT BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
               EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
               EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// Sides and options.
constexpr UINT BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT, BF_TOPRIGHT = BF_TOP | BF_RIGHT,
               BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT, BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
               BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x10;
constexpr UINT BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000;

// Draws the edge on the flagged sides of rect; with BF_ADJUST rect shrinks to the inside of the edge.
// Diagonal edges (BF_DIAGONAL) are not drawn.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

// Frame controls.
constexpr UINT DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4, DFC_POPUPMENU = 5;

constexpr UINT DFCS_CAPTIONCLOSE = 0x0, DFCS_CAPTIONMIN = 0x1, DFCS_CAPTIONMAX = 0x2,
               DFCS_CAPTIONRESTORE = 0x3, DFCS_CAPTIONHELP = 0x4;
constexpr UINT DFCS_MENUARROW = 0x0, DFCS_MENUCHECK = 0x1, DFCS_MENUBULLET = 0x2, DFCS_MENUARROWRIGHT = 0x4;
constexpr UINT DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
               DFCS_SCROLLCOMBOBOX = 0x5, DFCS_SCROLLSIZEGRIP = 0x8, DFCS_SCROLLSIZEGRIPRIGHT = 0x10;
constexpr UINT DFCS_BUTTONCHECK = 0x0, DFCS_BUTTONRADIOIMAGE = 0x1, DFCS_BUTTONRADIOMASK = 0x2,
               DFCS_BUTTONRADIO = 0x4, DFCS_BUTTON3STATE = 0x8, DFCS_BUTTONPUSH = 0x10;
constexpr UINT DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_TRANSPARENT = 0x800,
               DFCS_HOT = 0x1000, DFCS_ADJUSTRECT = 0x2000, DFCS_FLAT = 0x4000, DFCS_MONO = 0x8000;

// Draws the control of the type and state into rect. Check boxes and radio buttons take the largest
// square centred in rect; DFCS_ADJUSTRECT shrinks rect to the inside of a button's edge.
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// The system's check-box strip (what LoadBitmap gives for OBM_CHECKBOXES): 4 columns and 3 rows of
// 13 x 13 cells on a screen-compatible bitmap. Rows: check boxes, radio buttons, three-state check boxes;
// columns: clear, checked, pushed, pushed and checked. The caller owns the bitmap.
HBITMAP CreateCheckBoxesBitmap();

} // namespace win
