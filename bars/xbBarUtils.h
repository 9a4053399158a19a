// Small routines the bar library's windows, hooks and painters share: window chains and the deepest window
// under a point, mouse-leave tracking (emulated with a 50 ms timer where TrackMouseEvent is missing),
// draining mouse and paint messages, menu sounds, the fonts of bars and menus, colours the screen can show,
// the screen's colour depth and the dither brush.
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace vcl {
class TControl;
}

namespace bars {

// Windows and chains.
// The class library's control of the window, or of its nearest ancestor that has one; null when none.
vcl::TControl* GetControlOfWindow(win::HWND window);
// Whether ancestor is reached by walking GetParent up from window (window itself excluded).
bool IsWindowDescendantOf(win::HWND window, win::HWND ancestor);
// WindowFromPoint, then the visible child at the point, and its child, until there is none or the same
// window comes back. Disabled children count.
win::HWND DeepestWindowFromPoint(win::TPoint screenPoint);
// The work area of the monitor nearest the point.
win::TRect GetWorkAreaAtPoint(win::TPoint point);
// The least width of an edit item's edit part.
constexpr int32_t MinEditWidth = 20;
void CheckMinEditWidth(int32_t& width);
// The text with each ampersand among its first length - 1 characters removed: a doubled one becomes one,
// a single one disappears, a last one stays.
std::string RemoveAccelChars(const std::string& text);

// Input.
bool IsMouseLeaveTracked(win::HWND window);
// Asks for WM_MOUSELEAVE when the mouse leaves the window: through TrackMouseEvent, or without it by a 50 ms
// timer that checks the deepest window under the cursor.
void StartMouseLeaveTracking(win::HWND window);
// Stops tracking and sends WM_MOUSELEAVE to the window (nothing when it was not tracked).
void CancelMouseLeaveTracking(win::HWND window);
constexpr win::UINT MouseLeaveTimerInterval = 50;
// The physical buttons, with swapped buttons honoured.
bool IsPrimaryButtonDown();
bool IsSecondaryButtonDown();
// Dispatches queued mouse (or paint) messages; a WM_QUIT met is posted again and ends the loop.
void DispatchMouseMessages();
void DispatchPaintMessages();
// Menu sounds: 0 "MenuPopup" (a menu opens), 1 "MenuCommand" (a menu command is clicked).
constexpr win::DWORD MenuSoundFlags = 0x12003; // SND_ALIAS | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT
void PlayMenuSound(int32_t index);

// Fonts and colours.
// The height a scaled bar font takes from the icon-title font's: at least 11 pixels (-10 and above: -11).
int32_t ScaledBarFontHeight(int32_t iconTitleHeight);
// Replaces handle (deleting the old one) with a copy of the font; scaled, with the icon-title font's
// height as ScaledBarFontHeight gives it.
void CreateBarFontHandle(vcl::TFont* font, win::HFONT& handle, bool scaled);
// The nearest colour the screen can show.
vcl::TColor GetRealColor(vcl::TColor color);
void RefreshDeviceConsts();
int32_t ScreenBitsPerPixel();
// The 8 x 8 pattern of button highlight with button face where x and y are both odd or both even, as a
// brush (replacing the previous one); the brush, null before the first refresh and after shut-down.
void RefreshDitherBrush();
win::HBRUSH DitherBrush();
void DeleteDitherBrush();
// The pattern's colour at (x, y) of its 8 x 8 cell.
vcl::TColor DitherPatternColor(int32_t x, int32_t y);

} // namespace bars
