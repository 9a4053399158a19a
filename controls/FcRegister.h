// Registers the control set's classes, enumeration names and property tables for layout files, once,
// whoever calls first (the program's start-up, the tests).
#pragma once

namespace controls {

void RegisterControlClasses();

} // namespace controls
