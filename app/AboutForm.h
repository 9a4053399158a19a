// The About box: the program's name and version, closed with OK.
#pragma once

#include "platform/vcl/Forms.h"

namespace vcl {
class TLabel;
}
namespace controls {
class TFcButton;
}

namespace app {

class TfrmAboutLoomwick : public vcl::TForm {
public:
    explicit TfrmAboutLoomwick(vcl::TComponent* owner);

    vcl::TLabel* lblTitle = nullptr;
    vcl::TLabel* lblDescription = nullptr;
    vcl::TLabel* lblCopyright = nullptr;
    controls::TFcButton* btnOk = nullptr;
};

// Registers the box's class for its layout.
void RegisterAboutFormClass();

} // namespace app
