// The image-tag dialog.
#include "app/HtmlCodeForm.h"

#include "app/ShellUtils.h"
#include "controls/FcButton.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

namespace app {

std::string HtmlImageTag(const std::string& fileName, int32_t width, int32_t height, const std::string& hint,
                         const std::string& border, const std::string& link) {
    const std::string alt = hint.empty() ? std::string() : " alt=\"" + HtmlQuotedValue(hint) + "\"";
    const std::string frame = border.empty() ? std::string() : " border=\"" + HtmlQuotedValue(border) + "\"";
    std::string code = "<img src=\"" + HtmlQuotedValue(fileName) + "\" height=\"" + std::to_string(height) +
                       "\" width=\"" + std::to_string(width) + "\"" + alt + frame + ">";
    if (!link.empty())
        code = "<a href=\"" + HtmlQuotedValue(link) + "\">" + code + "</a>";
    return code;
}

TfrmGifHTMLCode::TfrmGifHTMLCode(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmGifHTMLCode));
}

void TfrmGifHTMLCode::FormShow(vcl::TObject* sender) {
    // The code is there from the start, not only after the first change.
    txtLinkChange(sender);
}

void TfrmGifHTMLCode::txtLinkChange(vcl::TObject*) {
    // The edits change while the layout is read, before every field is there.
    if (!txtHTML || !txtFileName || !txtLink || !txtHint || !txtBorder)
        return;
    txtHTML->SetText(HtmlImageTag(txtFileName->GetText(), ImageWidth, ImageHeight, txtHint->GetText(),
                                  txtBorder->GetText(), txtLink->GetText()));
}

void TfrmGifHTMLCode::btnCopyClick(vcl::TObject*) {
    const std::string code = txtHTML->GetText();
    if (code.empty())
        return;
    vcl::Clipboard()->SetAsText(code);
    vcl::MessageDlg("HTML Code successfully copied to clipboard.", vcl::mtInformation,
                    vcl::TMsgDlgButtons{vcl::mbOK}, 0);
}

void TfrmGifHTMLCode::btnCancelClick(vcl::TObject*) { SetModalResult(vcl::mrOk); }

void ShowHtmlCode(const std::string& fileName, int32_t width, int32_t height) {
    auto* form = new TfrmGifHTMLCode(vcl::Application);
    vcl::TryFinally(
        [&] {
            form->ImageWidth = width;
            form->ImageHeight = height;
            form->txtFileName->SetText(fileName);
            form->ShowModal();
        },
        [&] { form->Free(); });
}

void RegisterHtmlCodeFormClass() {
    using F = TfrmGifHTMLCode;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("lblExplain", &F::lblExplain)
        .Field("grpAttributes", &F::grpAttributes)
        .Field("lblFileName", &F::lblFileName)
        .Field("lblLink", &F::lblLink)
        .Field("lblHint", &F::lblHint)
        .Field("lblBorder", &F::lblBorder)
        .Field("lblHTML", &F::lblHTML)
        .Field("txtFileName", &F::txtFileName)
        .Field("txtLink", &F::txtLink)
        .Field("txtHint", &F::txtHint)
        .Field("txtBorder", &F::txtBorder)
        .Field("udBorder", &F::udBorder)
        .Field("txtHTML", &F::txtHTML)
        .Field("btnCopy", &F::btnCopy)
        .Field("btnCancel", &F::btnCancel)
        .Method("FormShow", &F::FormShow)
        .Method("txtLinkChange", &F::txtLinkChange)
        .Method("btnCopyClick", &F::btnCopyClick)
        .Method("btnCancelClick", &F::btnCancelClick);
    vcl::RegisterClass<F>("TfrmGifHTMLCode");
}

} // namespace app
