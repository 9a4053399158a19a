// The image-tag dialog: the HTML that shows the document's file on a web page, with the user's link,
// alternative text and border, copied to the clipboard on request.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>
#include <string>

namespace vcl {
class TEdit;
class TGroupBox;
class TLabel;
class TMemo;
class TUpDown;
} // namespace vcl
namespace controls {
class TFcButton;
}

namespace app {

// The image tag for fileName of width x height: alt and border only when their texts are not empty, the
// whole wrapped in a link when link is not empty. Attribute values keep what was typed, except that a
// double quote becomes "&quot;" so that no value ends its attribute early.
std::string HtmlImageTag(const std::string& fileName, int32_t width, int32_t height, const std::string& hint,
                         const std::string& border, const std::string& link);

class TfrmGifHTMLCode : public vcl::TForm {
public:
    explicit TfrmGifHTMLCode(vcl::TComponent* owner);

    vcl::TLabel* lblExplain = nullptr;
    vcl::TGroupBox* grpAttributes = nullptr;
    vcl::TLabel *lblFileName = nullptr, *lblLink = nullptr, *lblHint = nullptr, *lblBorder = nullptr,
                *lblHTML = nullptr;
    vcl::TEdit *txtFileName = nullptr, *txtLink = nullptr, *txtHint = nullptr, *txtBorder = nullptr;
    vcl::TUpDown* udBorder = nullptr;
    vcl::TMemo* txtHTML = nullptr;
    controls::TFcButton *btnCopy = nullptr, *btnCancel = nullptr;

    // The picture's size the tag gives.
    int32_t ImageWidth = 0, ImageHeight = 0;

    void FormShow(vcl::TObject* sender);
    // The OnChange of the link, hint and border edits: the memo shows the tag for what they hold now.
    void txtLinkChange(vcl::TObject* sender);
    // Puts the memo's text on the clipboard and says so; an empty memo copies nothing.
    void btnCopyClick(vcl::TObject* sender);
    void btnCancelClick(vcl::TObject* sender);
};

// Shows the dialog (owned by the application) modally for the file name (no folder; empty when untitled)
// and the picture's size, then releases it.
void ShowHtmlCode(const std::string& fileName, int32_t width, int32_t height);

// Registers the dialog's class for its layout.
void RegisterHtmlCodeFormClass();

} // namespace app
