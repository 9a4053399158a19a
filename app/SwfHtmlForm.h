// The dialog that shows the HTML embedding a Flash movie, and the HTML itself.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>
#include <string>

namespace vcl {
class TBitBtn;
class TButton;
class TLabel;
class TMemo;
} // namespace vcl

namespace app {

// The example addresses the HTML names: the program's maker (in the comment), the host of the Flash player's
// download and the host of the plug-in page.
extern const char* const FlashMakerAddress;
extern const char* const FlashPlayerHost;
extern const char* const FlashPluginHost;

// The HTML that embeds the movie fileName (a name without folder) of width x height, looping or not; lines
// separated by CR LF. A double quote in the name is written "&quot;", so it cannot end the attribute.
std::string FlashHtml(int32_t width, int32_t height, const std::string& fileName, bool loop);

class TSWFHTMLFrm : public vcl::TForm {
public:
    explicit TSWFHTMLFrm(vcl::TComponent* owner);

    vcl::TLabel* Label1 = nullptr;
    vcl::TMemo* mmoFlash = nullptr;
    vcl::TButton* Button1 = nullptr;
    vcl::TBitBtn* BitBtn1 = nullptr;

    // Puts the memo's text on the clipboard and says so.
    void BitBtn1Click(vcl::TObject* sender);
};

// Fills the HTML in, shows the dialog (no owner) modally under the hourglass and frees it.
void ShowFlashHtml(int32_t width, int32_t height, const std::string& fileName, bool loop);

// Registers the dialog's class for its layout.
void RegisterSwfHtmlFormClass();

} // namespace app
