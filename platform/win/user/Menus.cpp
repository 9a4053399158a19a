// The system menu of a window.
#include "platform/win/user/Menus.h"

#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win {

struct HMENU__ {
    struct Item {
        UINT FId = 0;
        std::string FText;
        UINT FState = 0; // MF_GRAYED, MF_CHECKED, MF_DEFAULT
        bool FSeparator = false;
    };
    std::vector<Item> FItems;
};

namespace {

// Every window's system menu, made when first asked for. Windows of every thread come and go, so the map
// changes under its own lock (a leaf: nothing else is taken under it).
std::map<HWND, std::unique_ptr<HMENU__>>& SystemMenus() {
    static auto* menus = new std::map<HWND, std::unique_ptr<HMENU__>>;
    return *menus;
}

std::mutex& SystemMenuLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

void FillStandard(HMENU__& m, HWND hwnd) {
    DWORD style = DWORD(GetWindowLong(hwnd, GWL_STYLE));
    bool zoomed = IsZoomed(hwnd), iconic = IsIconic(hwnd);
    auto grayed = [](bool enabled) { return enabled ? 0u : MF_GRAYED; };
    m.FItems = {
        {UINT(SC_RESTORE), "&Restore", grayed(zoomed || iconic), false},
        {UINT(SC_MOVE), "&Move", grayed(!zoomed), false},
        {UINT(SC_SIZE), "&Size", grayed(!zoomed && !iconic && (style & WS_THICKFRAME)), false},
        {UINT(SC_MINIMIZE), "Mi&nimize", grayed(!iconic && (style & WS_MINIMIZEBOX)), false},
        {UINT(SC_MAXIMIZE), "Ma&ximize", grayed(!zoomed && (style & WS_MAXIMIZEBOX)), false},
        {0, "", 0, true},
        {UINT(SC_CLOSE), "&Close\tAlt+F4", MF_DEFAULT, false},
    };
}

HMENU__::Item* Find(HMENU menu, UINT item, bool byPosition) {
    if (!menu)
        return nullptr;
    if (byPosition)
        return item < menu->FItems.size() ? &menu->FItems[item] : nullptr;
    for (auto& i : menu->FItems)
        if (!i.FSeparator && i.FId == item)
            return &i;
    return nullptr;
}

} // namespace

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
    if (!IsWindow(hwnd))
        return nullptr;
    HMENU__* menu;
    bool fresh = false;
    {
        std::lock_guard<std::mutex> guard(SystemMenuLock());
        auto& slot = SystemMenus()[hwnd];
        if (!slot) {
            slot = std::make_unique<HMENU__>();
            fresh = true;
        }
        menu = slot.get();
    }
    // The menu lives until its window goes, which only the window's own thread does.
    if (fresh || revert) {
        FillStandard(*menu, hwnd);
        if (revert)
            return nullptr;
    }
    return menu;
}

int GetMenuItemCount(HMENU menu) { return menu ? int(menu->FItems.size()) : -1; }

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info) {
    auto* i = Find(menu, item, byPosition);
    if (!i || !info)
        return FALSE;
    if (info->fMask & MIIM_STATE)
        info->fState = ((i->FState & MF_GRAYED) ? MFS_GRAYED : 0) | ((i->FState & MF_CHECKED) ? MFS_CHECKED : 0) |
                       ((i->FState & MF_DEFAULT) ? MFS_DEFAULT : 0);
    if (info->fMask & MIIM_ID)
        info->wID = i->FId;
    if (info->fMask & MIIM_SUBMENU)
        info->hSubMenu = nullptr;
    if (info->fMask & MIIM_CHECKMARKS)
        info->hbmpChecked = info->hbmpUnchecked = nullptr;
    if (info->fMask & MIIM_TYPE) {
        info->fType = i->FSeparator ? MFT_SEPARATOR : MFT_STRING;
        if (info->dwTypeData && info->cch > 0) {
            size_t n = std::min<size_t>(i->FText.size(), info->cch - 1);
            std::memcpy(info->dwTypeData, i->FText.data(), n);
            info->dwTypeData[n] = '\0';
            info->cch = UINT(n);
        } else {
            info->cch = UINT(i->FText.size());
        }
    }
    return TRUE;
}

int GetMenuStringA(HMENU menu, UINT item, char* buffer, int maxCount, UINT flags) {
    auto* i = Find(menu, item, flags & MF_BYPOSITION);
    if (!i)
        return 0;
    if (!buffer || maxCount <= 0)
        return int(i->FText.size());
    int n = std::min<int>(int(i->FText.size()), maxCount - 1);
    std::memcpy(buffer, i->FText.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    auto* i = Find(menu, item, flags & MF_BYPOSITION);
    if (!i)
        return UINT(-1);
    return i->FState | (i->FSeparator ? MF_SEPARATOR : 0);
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT) {
    if (!menu)
        return UINT(-1);
    for (size_t p = 0; p < menu->FItems.size(); ++p)
        if (menu->FItems[p].FState & MF_DEFAULT)
            return byPosition ? UINT(p) : menu->FItems[p].FId;
    return UINT(-1);
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    auto* i = Find(menu, item, enable & MF_BYPOSITION);
    if (!i)
        return BOOL(-1);
    UINT old = i->FState & (MF_GRAYED | MF_DISABLED);
    i->FState = (i->FState & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return BOOL(old);
}

namespace user {

void ForgetSystemMenu(HWND hwnd) {
    std::unique_ptr<HMENU__> gone;
    std::lock_guard<std::mutex> guard(SystemMenuLock());
    auto it = SystemMenus().find(hwnd);
    if (it != SystemMenus().end()) {
        gone = std::move(it->second);
        SystemMenus().erase(it);
    }
}

} // namespace user

} // namespace win
