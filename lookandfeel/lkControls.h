// Routines of the custom-control module that menus and floating bars need: the work area of the monitor
// nearest a point, and the state of the Ctrl key.
#pragma once

#include "platform/win/WinTypes.h"

namespace lookandfeel {

// The work area of the monitor nearest the screen point, through "USER32"'s MonitorFromPoint and
// GetMonitorInfoA; the primary work area (SPI_GETWORKAREA) when either entry point is missing.
void GetMonitorWorkArea(const win::TPoint& point, win::TRect& rect);
bool IsCtrlPressed();

void InitControlsModule();
void DoneControlsModule();

} // namespace lookandfeel
