// The separate preview window: a modeless window that plays its own copy of the main window's document,
// centred in its picture. The main window keeps the one instance (TfrmGifMain::PreviewWindow) from its
// first toggle until the user closes it or the main window closes.
#pragma once

#include "platform/vcl/Forms.h"

namespace vcl {
class TImage;
}

namespace app {

class TfrmGifPreview : public vcl::TForm {
public:
    explicit TfrmGifPreview(vcl::TComponent* owner);
    ~TfrmGifPreview() override;

    vcl::TImage* imgPreview = nullptr;

    // Empties the picture (its painter stopped), frees the window once closed and makes the main window
    // forget it.
    void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
    // Stops the copy's playback and empties the picture.
    void ClearPicture();
};

// Registers the window's class for its layout.
void RegisterPreviewFormClass();

} // namespace app
