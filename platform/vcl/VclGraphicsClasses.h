// Form-resource registration of what pictures, graphics and action lists add to the class library's
// property tables.
#pragma once

namespace vcl {

// Safe to call any number of times from the GUI thread.
void RegisterVclGraphicsClasses();

} // namespace vcl
