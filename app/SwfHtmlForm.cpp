// The HTML dialog of the Flash export.
#include "app/SwfHtmlForm.h"

#include "app/GifRoutines.h"
#include "app/ShellUtils.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

#include <iterator>

namespace app {

const char* const FlashMakerAddress = "https://www.example.com/loomwick/";
const char* const FlashPlayerHost = "https://download.example.com";
const char* const FlashPluginHost = "https://www.example.org";

std::string FlashHtml(int32_t width, int32_t height, const std::string& fileName, bool loop) {
    const std::string w = std::to_string(width), h = std::to_string(height), name = HtmlQuotedValue(fileName);
    const std::string lines[] = {
        std::string("<!-- Made with Quorvane Loomwick, ") + FlashMakerAddress + " -->",
        "",
        "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"",
        std::string("  codebase=\"") + FlashPlayerHost + "/flash2/cabs/swflash.cab#version=4,0,0,0\"",
        "  ID=Untitled WIDTH=" + w + " HEIGHT=" + h + ">",
        "<PARAM NAME=movie VALUE=\"" + name + "\">",
        "<PARAM NAME=quality VALUE=high>",
        std::string("<PARAM NAME=loop VALUE=") + (loop ? "true" : "false") + ">",
        "<EMBED src=\"" + name + "\" loop=false quality=high",
        "  WIDTH=" + w + " HEIGHT=" + h + " TYPE=\"application/x-shockwave-flash\"",
        std::string("  PLUGINSPAGE=\"") + FlashPluginHost +
            "/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\">",
        "</EMBED>",
        "</OBJECT>",
    };
    std::string html;
    for (size_t i = 0; i < std::size(lines); ++i)
        html += (i ? "\r\n" : "") + lines[i];
    return html;
}

TSWFHTMLFrm::TSWFHTMLFrm(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TSWFHTMLFrm));
}

void TSWFHTMLFrm::BitBtn1Click(vcl::TObject*) {
    vcl::Clipboard()->SetAsText(mmoFlash->GetText());
    vcl::ShowMessage("Copied HTML to the clipboard.");
}

void ShowFlashHtml(int32_t width, int32_t height, const std::string& fileName, bool loop) {
    THourglass hourglass;
    auto* form = new TSWFHTMLFrm(nullptr);
    vcl::TryFinally(
        [&] {
            form->mmoFlash->SetText(FlashHtml(width, height, fileName, loop));
            form->ShowModal();
        },
        [&] { form->Free(); });
}

void RegisterSwfHtmlFormClass() {
    vcl::DefineFormClass<TSWFHTMLFrm, vcl::TForm>()
        .Field("Label1", &TSWFHTMLFrm::Label1)
        .Field("mmoFlash", &TSWFHTMLFrm::mmoFlash)
        .Field("Button1", &TSWFHTMLFrm::Button1)
        .Field("BitBtn1", &TSWFHTMLFrm::BitBtn1)
        .Method("BitBtn1Click", &TSWFHTMLFrm::BitBtn1Click);
    vcl::RegisterClass<TSWFHTMLFrm>("TSWFHTMLFrm");
}

} // namespace app
