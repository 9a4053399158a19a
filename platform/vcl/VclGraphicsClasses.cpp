#include "platform/vcl/VclGraphicsClasses.h"

#include "platform/vcl/TypInfo.h"

namespace vcl {

// Pictures and graphics store their data through DefineProperties ("Picture.Data", "Glyph.Data"), and the
// actions' Category is in their table (ActnListTables.cpp): all of it is registered with the class library.
void RegisterVclGraphicsClasses() {
    RegisterVclClasses();
}

} // namespace vcl
