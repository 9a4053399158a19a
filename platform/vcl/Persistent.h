// TPersistent: objects that can be copied into one another and stored in form resources.
#pragma once

#include "platform/vcl/Object.h"

namespace vcl {

class TFiler;

class TPersistent : public TObject {
public:
    // Copies source into this object. The default asks source to assign itself (AssignTo) and raises
    // EConvertError "Cannot assign a X to a Y" when neither side knows how.
    virtual void Assign(TPersistent* source);
    // The object that owns this one in a form resource, if any.
    virtual TPersistent* GetOwner() { return nullptr; }
    // The name under which this object is stored ("Form1.Button1.Font").
    virtual std::string GetNamePath();

protected:
    virtual void AssignTo(TPersistent* dest);
    // Declares properties that are stored in a form resource without being published ones.
    virtual void DefineProperties(TFiler* filer) {}

private:
    friend class TReader;
    friend class TWriter;
    [[noreturn]] void AssignError(TPersistent* source);
};

} // namespace vcl
