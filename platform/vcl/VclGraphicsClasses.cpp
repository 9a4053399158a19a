#include "platform/vcl/VclGraphicsClasses.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

void RegisterVclGraphicsClasses() {
    static const bool registered = [] {
        RegisterVclClasses();
        // Pictures and graphics store their data through DefineProperties ("Picture.Data",
        // "Glyph.Data"); actions store the category they are shown under in their list.
        DefineClassProperties<TCustomAction, TBasicAction>().Property("Category", &TCustomAction::GetCategory,
                                                                      &TCustomAction::SetCategory);
        return true;
    }();
    (void)registered;
}

} // namespace vcl
