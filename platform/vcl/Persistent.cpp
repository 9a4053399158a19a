#include "platform/vcl/Persistent.h"

#include "platform/vcl/Exceptions.h"

namespace vcl {

void TPersistent::Assign(TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
    std::string sourceName = source ? source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() { return ClassName(); }

} // namespace vcl
