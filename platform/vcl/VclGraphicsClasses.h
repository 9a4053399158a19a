// Form-resource registration of what pictures, graphics and action lists add to the class library's
// property tables.
#pragma once

namespace vcl {

// Registers the class library's classes and tables (RegisterVclClasses), which include what pictures,
// graphics and action lists store. Safe to call any number of times, before or after RegisterVclClasses.
void RegisterVclGraphicsClasses();

} // namespace vcl
