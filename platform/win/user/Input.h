// Input from the screen: backends queue raw mouse and keyboard events here; the window system turns them
// into messages when a message loop takes them, as the real system does.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>

namespace win {

enum class MouseAction { Move, LeftDown, LeftUp, RightDown, RightUp, MiddleDown, MiddleUp, Wheel };

// A mouse event at a screen position; wheelDelta in multiples of WHEEL_DELTA for Wheel.
void QueueMouseInput(MouseAction action, TPoint screen, int wheelDelta = 0);
// A key going down or up. `character` is what the key types with the current modifiers (a Unicode code
// point), or 0 to let the built-in US layout decide.
void QueueKeyInput(int vk, bool down, uint32_t character = 0);
// Discards queued input and resets the key and button state (tests start from a clean slate).
void ResetInputState();

} // namespace win
