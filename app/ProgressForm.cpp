// The AVI import's progress window.
#include "app/ProgressForm.h"

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/WindowStyles.h"

namespace app {

TfrmProgress::TfrmProgress(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmProgress));
}

void TfrmProgress::CreateParams(vcl::TCreateParams& params) {
    vcl::TForm::CreateParams(params);
    params.Style &= ~win::WS_DLGFRAME;
}

void TfrmProgress::ShowStep(const std::string& text) {
    lblFileName->SetCaption(text);
    lblFileName->Repaint();
}

void RegisterProgressFormClass() {
    vcl::DefineFormClass<TfrmProgress, vcl::TForm>()
        .Field("lblFileName", &TfrmProgress::lblFileName)
        .Field("lblProgress", &TfrmProgress::lblProgress)
        .Field("prgBar", &TfrmProgress::prgBar)
        .Field("btnCancel", &TfrmProgress::btnCancel);
    vcl::RegisterClass<TfrmProgress>("TfrmProgress");
}

} // namespace app
