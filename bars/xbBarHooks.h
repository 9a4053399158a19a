// The bar library sees the thread's keys and mouse input before any window does, through three hooks of
// the GUI thread shared by every bar manager: the keyboard hook gives keys to an open menu or a toolbar in
// keyboard mode, runs item shortcuts and Alt-mnemonics, puts the main menu bar into keyboard mode on Alt or
// F10 and opens linked popup menus on the context-menu key; the mouse hook closes open menus when the user
// clicks elsewhere and opens linked popup menus on a right-button release; the call-window-procedure hook
// shows each manager every message its form receives. The hooks exist from the first manager to the last.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/win/WinTypes.h"

namespace bars {

class TxbBarManager;

// Called by the manager's constructor and destructor: the manager joins (leaves) the list of managers and
// the hooks are installed with the first (removed with the last).
void RegisterManager(TxbBarManager* manager);
void UnregisterManager(TxbBarManager* manager);
bool BarHooksInstalled();

win::LRESULT BarKeyboardHookProc(int code, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT BarMouseHookProc(int code, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT BarCallWndProcHookProc(int code, win::WPARAM wParam, win::LPARAM lParam);

// Shift, Alt and Ctrl as the keyboard has them now.
vcl::TShiftState GetKeyShiftState();
// Some key of the thread's keyboard state is down.
bool IsAnyKeyDown();

// A toolbar tracks its caption buttons: every key is swallowed meanwhile.
void SetInCaptionButtonLoop(bool value);
// An edit item passes its system keys through the keyboard hook procedure.
void SetInEditKeyForward(bool value);

} // namespace bars
