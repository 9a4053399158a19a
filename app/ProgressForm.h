// The AVI import's progress window: a small window without a title bar, centred on the screen, with the
// step being done, a bar and Cancel. Cancel only sets the window's modal result to mrCancel (2): the
// import, which shows the window modelessly, looks at it between steps.
#pragma once

#include "platform/vcl/Forms.h"

namespace vcl {
class TButton;
class TLabel;
class TProgressBar;
} // namespace vcl

namespace app {

class TfrmProgress : public vcl::TForm {
public:
    explicit TfrmProgress(vcl::TComponent* owner);

    vcl::TLabel* lblFileName = nullptr;
    vcl::TLabel* lblProgress = nullptr;
    vcl::TProgressBar* prgBar = nullptr;
    vcl::TButton* btnCancel = nullptr;

    // Shows text as the step being done and repaints the label at once.
    void ShowStep(const std::string& text);
    // Whether Cancel was pressed.
    bool Cancelled() const { return GetModalResult() == vcl::mrCancel; }

protected:
    // The dialog frame goes: the window has no title bar.
    void CreateParams(vcl::TCreateParams& params) override;
};

// Registers the window's class for its layout.
void RegisterProgressFormClass();

} // namespace app
