// The About box.
#include "app/AboutForm.h"

#include "app/GifMainForm.h"
#include "controls/FcButton.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

#include <memory>

namespace app {

TfrmAboutLoomwick::TfrmAboutLoomwick(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmAboutLoomwick));
    SetCaption("About Quorvane Loomwick");
    lblTitle->SetCaption("Quorvane Loomwick 7.5");
}

void ShowAboutBox() {
    auto* box = new TfrmAboutLoomwick(vcl::Application);
    try {
        box->ShowModal();
    } catch (...) {
        box->Free();
        throw;
    }
    box->Free();
}

void RegisterAboutFormClass() {
    vcl::DefineFormClass<TfrmAboutLoomwick, vcl::TForm>()
        .Field("lblTitle", &TfrmAboutLoomwick::lblTitle)
        .Field("lblDescription", &TfrmAboutLoomwick::lblDescription)
        .Field("lblCopyright", &TfrmAboutLoomwick::lblCopyright)
        .Field("btnOk", &TfrmAboutLoomwick::btnOk);
    vcl::RegisterClass<TfrmAboutLoomwick>("TfrmAboutLoomwick");
}

} // namespace app
