#include "platform/vcl/Persistent.h"

#include "platform/vcl/Exceptions.h"

namespace vcl {

void TPersistent::Assign(TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) {
    dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* source) {
    std::string sourceName = source ? source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() {
    std::string result = ClassName();
    if (TPersistent* owner = GetOwner()) {
        std::string path = owner->GetNamePath();
        if (!path.empty())
            result = path + "." + result;
    }
    return result;
}

} // namespace vcl
