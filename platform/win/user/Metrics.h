// System metrics, parameters and colours of the window system, with overrides for tests.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"

namespace win {

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXMINTRACK = 34;
constexpr int SM_CYMINTRACK = 35;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXICONSPACING = 38;
constexpr int SM_CYICONSPACING = 39;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXSMSIZE = 52;
constexpr int SM_CYSMSIZE = 53;
constexpr int SM_CXMENUSIZE = 54;
constexpr int SM_CYMENUSIZE = 55;
constexpr int SM_CXMAXTRACK = 59;
constexpr int SM_CYMAXTRACK = 60;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_MOUSEWHEELPRESENT = 75;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_CMONITORS = 80;
constexpr int SM_CXFOCUSBORDER = 83;
constexpr int SM_CYFOCUSBORDER = 84;
constexpr int SM_COUNT = 100;

int GetSystemMetrics(int index);
// Tests and the desktop glue replace single metrics; -1 puts the classic value back.
void SetSystemMetricOverride(int index, int value);
void ResetSystemMetricOverrides();

constexpr UINT SPI_GETBEEP = 1;
constexpr UINT SPI_GETMOUSE = 3;
constexpr UINT SPI_GETBORDER = 5;
constexpr UINT SPI_GETKEYBOARDSPEED = 10;
constexpr UINT SPI_ICONHORIZONTALSPACING = 13;
constexpr UINT SPI_GETSCREENSAVETIMEOUT = 14;
constexpr UINT SPI_GETICONTITLELOGFONT = 31;
constexpr UINT SPI_SETDOUBLECLICKTIME = 32;
constexpr UINT SPI_GETNONCLIENTMETRICS = 41;
constexpr UINT SPI_SETNONCLIENTMETRICS = 42;
constexpr UINT SPI_SETWORKAREA = 47;
constexpr UINT SPI_GETWORKAREA = 48;
constexpr UINT SPI_GETHIGHCONTRAST = 66;
constexpr UINT SPI_GETKEYBOARDCUES = 0x100A;
constexpr UINT SPI_GETMENUANIMATION = 0x1002;
constexpr UINT SPI_GETCOMBOBOXANIMATION = 0x1004;
constexpr UINT SPI_GETLISTBOXSMOOTHSCROLLING = 0x1006;
constexpr UINT SPI_GETGRADIENTCAPTIONS = 0x1008;
constexpr UINT SPI_GETMENUUNDERLINES = 0x100A;
constexpr UINT SPI_GETHOTTRACKING = 0x100E;
constexpr UINT SPI_GETMENUFADE = 0x1012;
constexpr UINT SPI_GETSELECTIONFADE = 0x1014;
constexpr UINT SPI_GETTOOLTIPANIMATION = 0x1016;
constexpr UINT SPI_GETTOOLTIPFADE = 0x1018;
constexpr UINT SPI_GETCURSORSHADOW = 0x101A;
constexpr UINT SPI_GETFLATMENU = 0x1022;
constexpr UINT SPI_GETDROPSHADOW = 0x1024;
constexpr UINT SPI_GETWHEELSCROLLLINES = 104;
constexpr UINT SPI_GETMENUSHOWDELAY = 106;

// The fonts and sizes of window frames, captions, menus, status bars and message boxes.
struct NONCLIENTMETRICS {
    UINT cbSize = sizeof(NONCLIENTMETRICS);
    int iBorderWidth = 0;
    int iScrollWidth = 0;
    int iScrollHeight = 0;
    int iCaptionWidth = 0;
    int iCaptionHeight = 0;
    LOGFONTA lfCaptionFont{};
    int iSmCaptionWidth = 0;
    int iSmCaptionHeight = 0;
    LOGFONTA lfSmCaptionFont{};
    int iMenuWidth = 0;
    int iMenuHeight = 0;
    LOGFONTA lfMenuFont{};
    LOGFONTA lfStatusFont{};
    LOGFONTA lfMessageFont{};
};
static_assert(sizeof(NONCLIENTMETRICS) == 340, "the record has the platform's size");

// The last argument of SystemParametersInfo: keep the change in the user's profile, and announce it to every
// top-level window as WM_SETTINGCHANGE (wParam = the action).
constexpr UINT SPIF_UPDATEINIFILE = 0x1;
constexpr UINT SPIF_SENDCHANGE = 0x2;
constexpr UINT SPIF_SENDWININICHANGE = SPIF_SENDCHANGE;

// A value set by SystemParametersInfo-style calls: the flags and numbers windows read. Returns FALSE for an
// unknown action. SPI_GETNONCLIENTMETRICS and SPI_GETICONTITLELOGFONT fill the records of the font layer.
// SPI_SETNONCLIENTMETRICS (pvParam a NONCLIENTMETRICS of its own size) replaces the fonts and sizes: later
// SPI_GETNONCLIENTMETRICS calls return them, and the scroll-bar, caption and menu-button metrics of
// GetSystemMetrics follow the record; with SPIF_SENDCHANGE the top-level windows are told.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni);
// Overrides for the flag parameters (menu animation, fade, drop shadow, wheel lines ...).
void SetSystemParameterOverride(UINT action, UINT value);

// Monitors and work areas. The backend describes them; tests change them.
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;

struct MONITORINFO {
    DWORD cbSize = sizeof(MONITORINFO);
    TRect rcMonitor;
    TRect rcWork;
    DWORD dwFlags = 0;
};

HMONITOR MonitorFromPoint(TPoint point, DWORD flags);
HMONITOR MonitorFromRect(const TRect* rect, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

} // namespace win
