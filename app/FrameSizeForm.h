// The frame-size question: what to do with an image larger than the animation (trim the image, or grow the
// animation), with the answer kept as the default when the user says so.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>

namespace vcl {
class TLabel;
}
namespace controls {
class TFcButton;
class TFcCheckBox;
class TFcRadioButton;
} // namespace controls

namespace app {

class TfrmFrameSize : public vcl::TForm {
public:
    explicit TfrmFrameSize(vcl::TComponent* owner);

    vcl::TLabel* lblQuestion = nullptr;
    controls::TFcRadioButton *optTrim = nullptr, *optChange = nullptr;
    controls::TFcCheckBox* chkDefault = nullptr;
    controls::TFcButton *btnOk = nullptr, *btnCancel = nullptr;

    void btnOkClick(vcl::TObject* sender);
    void btnCancelClick(vcl::TObject* sender);
};

// Asks whether an image larger than the animation is trimmed (trim true) or makes the animation grow.
// With a stored default and force false the stored answer is given without a question. Returns 1 (OK) or
// 2 (Cancel). OK stores the answer and whether it is the default; Cancel stores nothing, so a cancelled
// question neither installs nor changes a default.
int32_t AskFrameSizeAction(bool& trim, bool force);

// Registers the dialog's class for its layout.
void RegisterFrameSizeFormClass();

} // namespace app
