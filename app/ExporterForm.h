// The frame export dialog (command 108): chosen frames saved as separate GIF, JPEG or BMP files.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {
class TButton;
class TCheckBox;
class TComboBox;
class TGroupBox;
class TImage;
class TLabel;
class TListBox;
class TPanel;
class TProgressBar;
class TRadioButton;
class TSaveDialog;
class TScrollBox;
class TTrackBar;
} // namespace vcl
namespace gif {
class TGifDocument;
}

namespace app {

// The name of the file for frame index: base with "LW1" and the index put before the dot of its extension
// (the last dot of the name after its folder), or at the end of a name without one.
std::string ExportFileName(const std::string& base, int32_t index);

class TfrmExporter : public vcl::TForm {
public:
    explicit TfrmExporter(vcl::TComponent* owner);

    vcl::TLabel* lblExplain = nullptr;
    vcl::TListBox* lbExport = nullptr;
    vcl::TScrollBox* sbPreview = nullptr;
    vcl::TImage* imgPreview = nullptr;
    vcl::TGroupBox* grpFormat = nullptr;
    vcl::TRadioButton *optGIF = nullptr, *optJpeg = nullptr, *optBitmap = nullptr;
    vcl::TPanel* pnlGIF = nullptr;
    vcl::TGroupBox* grpPalette = nullptr;
    vcl::TRadioButton *optGIFNetscape = nullptr, *optGIFGray = nullptr, *optGIFMonochrome = nullptr,
                      *optGIFWindows = nullptr, *optGIFWinSys20 = nullptr;
    vcl::TComboBox* cbGIFColors = nullptr;
    vcl::TLabel* lblColors = nullptr;
    vcl::TCheckBox* chkGIFOptimized = nullptr;
    vcl::TPanel* pnlJPEG = nullptr;
    vcl::TGroupBox* grpQuality = nullptr;
    vcl::TTrackBar* trackbar = nullptr;
    vcl::TLabel *lblExcellent = nullptr, *lblPoor = nullptr;
    vcl::TCheckBox *chkJProgress = nullptr, *chkJSmooth = nullptr, *chkJGrayscale = nullptr;
    vcl::TGroupBox* grpPerformance = nullptr;
    vcl::TRadioButton *optJBestQuality = nullptr, *optJSpdQuality = nullptr;
    vcl::TPanel* pnlBitmap = nullptr;
    vcl::TCheckBox* chkBMono = nullptr;
    vcl::TProgressBar* Progress = nullptr;
    vcl::TButton *btnOk = nullptr, *btnCancel = nullptr;

    // Where the frames come from and the dialog that asks for the base file name (the main window's).
    void SetSource(gif::TGifDocument* document, vcl::TSaveDialog* saveDialog);
    int32_t GetPaletteTag() const { return FPaletteTag; }

    void FormCreate(vcl::TObject* sender);
    void FormActivate(vcl::TObject* sender);
    void FormCloseQuery(vcl::TObject* sender, bool& canClose);
    void optGIFClick(vcl::TObject* sender);
    void optGIFNetscapeClick(vcl::TObject* sender);
    void chkJProgressClick(vcl::TObject* sender);
    void lbExportClick(vcl::TObject* sender);

private:
    // Asks for the base name and writes the selected frames; false when the user cancelled the file dialog.
    bool ExportSelected();
    void CenterImageInScrollBox();

    gif::TGifDocument* FDocument = nullptr;
    vcl::TSaveDialog* FSaveDialog = nullptr;
    int32_t FPaletteTag = 0;
    bool FActivated = false;
};

// Shows the dialog for document: one item per row caption, the selected rows selected.
void ShowExporter(vcl::TComponent* owner, gif::TGifDocument* document, vcl::TSaveDialog* saveDialog,
                  const std::vector<std::string>& captions, const std::vector<int32_t>& selected);

// Registers the dialog's class for its layout.
void RegisterExporterFormClass();

} // namespace app
