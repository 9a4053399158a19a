// The window system's entry in the table of optional modules: "USER32" and the entry points that callers
// look up by name there.
#pragma once

namespace win {

// Registers "USER32" and "comctl32.dll" (idempotent). It runs when the window system starts; nothing else needs to call it.
void RegisterUserModule();

} // namespace win
