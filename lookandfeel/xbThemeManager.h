// The theme element manager: one theme handle per theme class ("element"), opened on first use and shared
// by every painter; whether themes may be used at all; and the notification of theme changes.
#pragma once

#include "lookandfeel/xbUxTheme.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lookandfeel {

using TxbThemeElement = int32_t;
constexpr TxbThemeElement teButton = 0, teClock = 1, teComboBox = 2, teEdit = 3, teExplorerBar = 4,
                          teHeader = 5, teListView = 6, teMenu = 7, tePage = 8, teProgress = 9, teRebar = 10,
                          teScrollBar = 11, teSpin = 12, teStartPanel = 13, teStatus = 14, teTab = 15,
                          teTaskBand = 16, teTaskBar = 17, teToolBar = 18, teToolTip = 19, teTrackBar = 20,
                          teTrayNotify = 21, teTreeView = 22, teWindow = 23;
constexpr int32_t ThemeElementCount = 24;

// A set of elements: bit i for element i (bits above 23 are ignored).
using TxbThemeElements = uint32_t;
constexpr TxbThemeElements ThemeElementBit(TxbThemeElement element) { return TxbThemeElements(1) << element; }
// The elements the bar manager needs for its XP style.
constexpr TxbThemeElements XPBarStyleElements =
    ThemeElementBit(teComboBox) | ThemeElementBit(teEdit) | ThemeElementBit(teProgress) |
    ThemeElementBit(teRebar) | ThemeElementBit(teScrollBar) | ThemeElementBit(teSpin) |
    ThemeElementBit(teStatus) | ThemeElementBit(teToolBar) | ThemeElementBit(teWindow);

// The default class name of an element ("Button" ... "Window"); empty outside 0-23.
std::u16string ThemeClassName(TxbThemeElement element);

// Visual styles on and the library there; with a mask, also every element of it opens (tried in index
// order, stopping at the first that does not).
bool AreThemesAvailable(TxbThemeElements elements);
bool IsElementThemeAvailable(TxbThemeElement element);
// The element's open handle, opened now when needed: with className, that class (letter case ignored when
// compared with the open one); without, the class the slot was last opened with, else the default one.
// Null when themes are not available, the class does not open, or the element is outside 0-23.
win::HTHEME OpenElementTheme(TxbThemeElement element, const char16_t* className = nullptr);
// 1 when themes are not available (or the element is outside 0-23), 0 when the slot is closed, else the
// result of closing it; the slot forgets its class name.
win::HRESULT CloseElementTheme(TxbThemeElement element);
// Closes every open slot; the slots keep their class names.
void CloseAllElementThemes();
// The handle a slot holds now, without opening it (null when closed).
win::HTHEME ElementThemeHandle(TxbThemeElement element);
// The class name a slot was opened with (empty when none).
std::u16string ElementThemeClassName(TxbThemeElement element);
// Whether visual styles are switched on (read at start-up and after each theme change).
bool GetThemesActive();

// Tells its owner about each theme change, after the element handles were closed and ThemesActive read
// again. Lives as long as its owner.
using TxbThemeChangedEvent = std::function<void()>;

class TxbThemeChangedNotificator {
public:
    TxbThemeChangedNotificator();
    virtual ~TxbThemeChangedNotificator();
    TxbThemeChangedNotificator(const TxbThemeChangedNotificator&) = delete;
    TxbThemeChangedNotificator& operator=(const TxbThemeChangedNotificator&) = delete;

    TxbThemeChangedEvent OnThemeChanged;
};

// The hidden window that receives WM_THEMECHANGED (null without the theme library).
win::HWND ThemeChangedReceiverWindow();

void InitThemeManagerModule();
void DoneThemeManagerModule();

} // namespace lookandfeel
