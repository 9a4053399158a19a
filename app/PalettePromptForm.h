// The palette question: how the colours of a new frame are reduced (a global table made for the
// animation, the web-safe cube or a table per frame, the most colours, the dither method) and the colours
// chosen for 24-bit images. OK stores the answers; "Make this the Default" applies them from then on
// without asking.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>

namespace vcl {
class TLabel;
}
namespace controls {
class TFcButton;
class TFcCheckBox;
class TFcComboBox;
class TFcPageControl;
class TFcRadioButton;
class TFcTabSheet;
} // namespace controls

namespace app {

class TfrmPalettePrompt : public vcl::TForm {
public:
    explicit TfrmPalettePrompt(vcl::TComponent* owner);

    controls::TFcPageControl* pcPalette = nullptr;
    controls::TFcTabSheet *tsAnimation = nullptr, *tsImporting = nullptr;
    controls::TFcRadioButton *optAnimationSelf = nullptr, *optAnimationNS = nullptr, *optAnimationLocal = nullptr;
    vcl::TLabel *lblMaxColorsAnimation = nullptr, *lblMaxColorsDither = nullptr, *lblDitherMethod = nullptr;
    controls::TFcComboBox *cboMaxColorsAnimation = nullptr, *cboMaxColorsDither = nullptr;
    controls::TFcRadioButton *optDitherNearest = nullptr, *optDitherFloyd = nullptr;
    controls::TFcCheckBox* chkDefault = nullptr;
    controls::TFcButton *btnOk = nullptr, *btnCancel = nullptr;

    // The answers after OK: palette type 0 (global), 1 (web-safe) or 2 (local), the most colours of a
    // reduced frame, dither 0 (nearest) or 1 (Floyd-Steinberg), the most colours for 24-bit images.
    int32_t PaletteType = 2;
    int32_t MaxColors = 256;
    int32_t DitherMethod = 0;
    int32_t ImportColors = 256;

    // Shows the stored values; a store that cannot be opened leaves the layout's choices.
    void FormCreate(vcl::TObject* sender);
    // Takes the answers, stores them and closes with OK.
    void btnOkClick(vcl::TObject* sender);
    // Closes with Cancel; nothing is stored.
    void btnCancelClick(vcl::TObject* sender);
};

// Shows the dialog modally (owned by the application); on OK the chosen palette type, dither method and
// most colours are returned through the arguments and true. Cancel answers false and changes nothing.
bool ShowPalettePrompt(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors);

// Registers the dialog's class for its layout.
void RegisterPalettePromptFormClass();

} // namespace app
