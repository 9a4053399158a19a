// The masked edit: an edit whose text an edit mask may constrain. Only the empty mask is supported: it
// accepts any text, so validation never fails; setting any other mask raises EInvalidOperation.
#pragma once

#include "platform/vcl/StdCtrls.h"

#include <string>

namespace vcl {

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

    const std::string& GetEditMask() const { return FEditMask; }
    void SetEditMask(const std::string& value);
    // Whether a mask constrains the text.
    bool IsMasked() const { return !FEditMask.empty(); }
    // Checks the text against the mask and calls ValidateError when it does not fit (never, without a mask).
    // Leaving the edit validates it.
    virtual void ValidateEdit();

protected:
    // Text that does not fit the mask: beeps and raises EDBEditError. Descendants may report otherwise.
    virtual void ValidateError();
    void DoExit() override;

private:
    std::string FEditMask;
};

class TMaskEdit : public TCustomMaskEdit {
public:
    explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};

} // namespace vcl
