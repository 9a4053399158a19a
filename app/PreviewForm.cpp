// The separate preview window.
#include "app/PreviewForm.h"

#include "app/GifMainForm.h"
#include "gif/GifDocument.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/TypInfo.h"

namespace app {

TfrmGifPreview::TfrmGifPreview(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmGifPreview));
}

TfrmGifPreview::~TfrmGifPreview() {
    ClearPicture();
    if (frmGifMain && frmGifMain->FPreviewWindow == this)
        frmGifMain->FPreviewWindow = nullptr;
}

void TfrmGifPreview::ClearPicture() {
    if (!imgPreview)
        return;
    if (auto* copy = dynamic_cast<gif::TGifDocument*>(imgPreview->GetPicture()->GetGraphic()))
        copy->StopPlayback();
    imgPreview->GetPicture()->Assign(nullptr);
}

void TfrmGifPreview::FormClose(vcl::TObject*, vcl::TCloseAction& action) {
    ClearPicture();
    action = vcl::caFree;
    if (frmGifMain && frmGifMain->FPreviewWindow == this)
        frmGifMain->FPreviewWindow = nullptr;
}

void RegisterPreviewFormClass() {
    vcl::DefineFormClass<TfrmGifPreview, vcl::TForm>()
        .Field("imgPreview", &TfrmGifPreview::imgPreview)
        .Method("FormClose", &TfrmGifPreview::FormClose);
    vcl::RegisterClass<TfrmGifPreview>("TfrmGifPreview");
}

} // namespace app
