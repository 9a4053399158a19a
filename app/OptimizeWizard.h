// The optimisation wizard: the user picks palette and frame optimisations, sees the old and new encoded
// sizes, the saving and an estimated download time, and on Finish the document takes the optimised copy.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TLabel;
class TPanel;
} // namespace vcl
namespace controls {
class TFcButton;
class TFcCheckBox;
class TFcComboBox;
} // namespace controls
namespace gif {
class TGifDocument;
}

namespace app {

class TfrmGifMain;

// The line speeds of the download estimate in bits per second, by item of the speed list ("28.8", "56.6",
// "DSL", "T-1"); 0 for an index outside the list.
float LineBitsPerSecond(int32_t index);
// The estimate's text for a file of size bytes on that line: "%4.5f secs with a".
std::string DownloadTimeText(double size, int32_t index);
// A size in bytes with thousands separators and no decimals: "10,000 bytes".
std::string ByteSizeText(double size);
// The saving from oldSize to newSize: "None" when nothing is saved, else the difference in bytes and in
// percent of the old size, "2,000 bytes (20.0%)".
std::string SavingText(double oldSize, double newSize);

class TfrmGifOptimize : public vcl::TForm {
public:
    explicit TfrmGifOptimize(vcl::TComponent* owner);
    ~TfrmGifOptimize() override;

    controls::TFcButton *btnBack = nullptr, *btnNext = nullptr, *btnCancel = nullptr;
    vcl::TPanel *pnlOpt0 = nullptr, *pnlOpt1 = nullptr, *pnlOpt2 = nullptr, *pnlOpt3 = nullptr;
    controls::TFcCheckBox *chkOptAll = nullptr, *chkRemoveLocal = nullptr, *chkPaletteSort = nullptr;
    controls::TFcCheckBox *chkTrim = nullptr, *chkDupPixels = nullptr, *chkNonVisible = nullptr;
    vcl::TLabel *lblCurrSize = nullptr, *lblOptimizedSize = nullptr, *lblTotal = nullptr, *lblDLTime = nullptr;
    controls::TFcComboBox* cbBps = nullptr;

    // The window whose document the wizard reads and, on Finish, replaces.
    TfrmGifMain* MainForm = nullptr;

    void FormCreate(vcl::TObject* sender);
    void FormShow(vcl::TObject* sender);
    void btnNextClick(vcl::TObject* sender);
    void btnBackClick(vcl::TObject* sender);
    void btnCancelClick(vcl::TObject* sender);
    void cbBpsChange(vcl::TObject* sender);

    int32_t GetPage() const { return FPage; }
    // The optimised copy of the last results (empty before them).
    gif::TGifDocument* GetWorkingCopy() const { return FWorking.get(); }

private:
    // Shows page p (4 is Finish); the page changes only once its work has succeeded.
    void ShowPage(int32_t p);
    // Optimises a fresh copy of the document with the ticked steps and shows the sizes.
    void ComputeResults();

    int32_t FPage = 1;
    double FOldSize = 0;
    std::unique_ptr<gif::TGifDocument> FWorking;
};

// Registers the wizard's class for its layout.
void RegisterOptimizeWizardClass();

} // namespace app
