// The look-and-feel side's module start-ups, run once from one explicit call, in dependency order: canvas
// routines, object links, theme binding, theme element manager, Office-2003 colours, look-and-feel settings,
// look-and-feel painters, owner-drawn scroll bar, custom controls, drop-down routines. The bar library's
// start-up follows them. Shut-downs run in reverse.
#pragma once

namespace lookandfeel {

// Runs every start-up that has not run; later calls only count. Needs the window system (hidden windows).
void InitializeLookAndFeel();
// Undoes one InitializeLookAndFeel; the last one runs the shut-downs, last module first. A later
// InitializeLookAndFeel starts everything again (tests change the system in between).
void FinalizeLookAndFeel();
bool LookAndFeelInitialized();

} // namespace lookandfeel
