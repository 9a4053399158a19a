// The new-animation wizard: the user chooses whether the animation loops, how long each frame shows and an
// ordered list of image files; TfrmGifMain::RunNewWizard then builds the animation from them, one frame per
// still image and every frame of an animated GIF. The wizard opens on its loop page; the two pages before
// it (dimensions and size) are not offered.
#pragma once

#include "platform/vcl/Forms.h"

#include <cstdint>
#include <string>

namespace vcl {
class TLabel;
class TOpenDialog;
} // namespace vcl
namespace controls {
class TFcButton;
class TFcControlButton;
class TFcPanel;
class TFcRadioButton;
class TFcSpinEdit;
} // namespace controls

namespace app {

class TListBoxHrz;

class TfrmNewGifWizard : public vcl::TForm {
public:
    explicit TfrmNewGifWizard(vcl::TComponent* owner);

    // The pages, in order: 3 loop and delay, 4 images, 5 finish.
    static constexpr int32_t FirstPage = 3, LastPage = 5;

    controls::TFcButton *btnBack = nullptr, *btnNext = nullptr, *btnCancel = nullptr;
    controls::TFcPanel *pnlLoop = nullptr, *pnlImages = nullptr, *pnlFinish = nullptr;
    // Page 3.
    vcl::TLabel *lblLoopTitle = nullptr, *lblLoopQuestion = nullptr, *lblTimes = nullptr, *lblDelay = nullptr,
                *lblSeconds = nullptr;
    controls::TFcRadioButton *optLoopInfinite = nullptr, *optLoopPlay = nullptr;
    controls::TFcSpinEdit *spinLoop = nullptr, *spinDelay = nullptr;
    // Page 4.
    vcl::TLabel *lblImagesTitle = nullptr, *lblImagesQuestion = nullptr;
    TListBoxHrz* lbImages = nullptr;
    controls::TFcButton *btnImageAdd = nullptr, *btnImageRemove = nullptr;
    controls::TFcControlButton *btnMoveUp = nullptr, *btnMoveDown = nullptr;
    vcl::TOpenDialog* dlgOpen2 = nullptr;
    // Page 5.
    vcl::TLabel *lblFinishTitle = nullptr, *lblFinishText = nullptr;

    int32_t GetPage() const { return FPage; }
    // Shows page p alone with its buttons' states; a page past the last closes the wizard with OK.
    void ShowPage(int32_t page);
    // The delay chosen, in hundredths of a second.
    uint16_t Delay();
    // The loop count chosen: 0 loops forever, else the number of times to play.
    int32_t PlayCount();

    void FormCreate(vcl::TObject* sender);
    void FormShow(vcl::TObject* sender);
    void btnNextClick(vcl::TObject* sender);
    void btnBackClick(vcl::TObject* sender);
    void btnCancelClick(vcl::TObject* sender);
    void optLoopInfiniteClick(vcl::TObject* sender);
    void btnImageAddClick(vcl::TObject* sender);
    void btnImageRemoveClick(vcl::TObject* sender);
    void lbImagesClick(vcl::TObject* sender);
    void btnMoveUpClick(vcl::TObject* sender);
    void btnMoveDownClick(vcl::TObject* sender);

private:
    // Swaps the selected item with its neighbour (offset -1 above, 1 below) and selects that one.
    void MoveSelected(int32_t offset);
    controls::TFcPanel* Panel(int32_t page) const;

    int32_t FPage = FirstPage;
};

// The folder the image dialogs first start in: the "Images" folder beside the program when there is one,
// else the program's folder.
std::string StartImageFolder();

// Registers the wizard's class and the list box it uses for layouts.
void RegisterNewGifWizardClass();

} // namespace app
