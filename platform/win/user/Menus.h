// The platform's menus, as far as the system menu of a window goes; the program's own menus are its
// command bars.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MFT_STRING = 0x0000;
constexpr UINT MFT_BITMAP = 0x0004;
constexpr UINT MFT_SEPARATOR = 0x0800;
constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = 0x0008;
constexpr UINT MFS_DEFAULT = 0x1000;

struct MENUITEMINFOA {
    UINT cbSize = 48;
    UINT fMask = 0;
    UINT fType = 0;
    UINT fState = 0;
    UINT wID = 0;
    HMENU hSubMenu = nullptr;
    HBITMAP hbmpChecked = nullptr;
    HBITMAP hbmpUnchecked = nullptr;
    uintptr_t dwItemData = 0;
    char* dwTypeData = nullptr;
    UINT cch = 0;
};

// The window's system menu: Restore, Move, Size, Minimize, Maximize, a separator and Close, enabled as the
// window's styles and state allow. `revert` puts back the standard menu.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
int GetMenuItemCount(HMENU menu);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info);
int GetMenuStringA(HMENU menu, UINT item, char* buffer, int maxCount, UINT flags);
// The item's MF_ state bits, or (UINT)-1 for no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);

} // namespace win
