// The new-animation wizard and the main window's road from its answers to a new animation.
#include "app/NewGifWizard.h"

#include "app/GifMainForm.h"
#include "app/ListBoxHrz.h"
#include "controls/FcButton.h"
#include "controls/FcControlButton.h"
#include "controls/FcListView.h"
#include "controls/FcPanel.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace app {

std::string StartImageFolder() {
    const std::string images = ProgramFolder() + "Images";
    return vcl::DirectoryExists(images) ? WithTrailingBackslash(images) : ProgramFolder();
}

// ---- The wizard -------------------------------------------------------------------------------------------

TfrmNewGifWizard::TfrmNewGifWizard(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmNewGifWizard));
    FormCreate(this);
}

controls::TFcPanel* TfrmNewGifWizard::Panel(int32_t page) const {
    switch (page) {
    case 3:
        return pnlLoop;
    case 4:
        return pnlImages;
    case 5:
        return pnlFinish;
    default:
        return nullptr;
    }
}

void TfrmNewGifWizard::FormCreate(vcl::TObject*) {
    for (int32_t page = FirstPage; page <= LastPage; ++page) {
        controls::TFcPanel* panel = Panel(page);
        panel->SetBevelOuter(vcl::bvNone);
        panel->SetBevelInner(vcl::bvNone);
        panel->SetLeft(0);
        panel->SetTop(0);
        panel->SetVisible(false);
    }
    ShowPage(FirstPage);
}

void TfrmNewGifWizard::FormShow(vcl::TObject*) {
    // The window was centred at its layout size: it keeps its centre.
    constexpr int32_t width = 369, height = 310;
    SetBounds(GetLeft() + (GetWidth() - width) / 2, GetTop() + (GetHeight() - height) / 2, width, height);
}

void TfrmNewGifWizard::ShowPage(int32_t page) {
    if (page > LastPage) {
        SetModalResult(vcl::mrOk);
        return;
    }
    FPage = std::max(page, FirstPage);
    for (int32_t p = FirstPage; p <= LastPage; ++p)
        Panel(p)->SetVisible(p == FPage);
    btnBack->SetEnabled(FPage > FirstPage);
    btnNext->SetEnabled(FPage != 4 || lbImages->GetItems()->GetCount() > 0);
    btnNext->SetCaption(FPage == LastPage ? "Finish" : "Next");
}

uint16_t TfrmNewGifWizard::Delay() {
    return SecondsToDelay(spinDelay->GetValue());
}

int32_t TfrmNewGifWizard::PlayCount() {
    return PlayCountFromValue(spinLoop->GetValue());
}

void TfrmNewGifWizard::btnNextClick(vcl::TObject*) {
    ShowPage(FPage + 1);
}

void TfrmNewGifWizard::btnBackClick(vcl::TObject*) {
    ShowPage(FPage - 1);
}

void TfrmNewGifWizard::btnCancelClick(vcl::TObject*) {
    SetModalResult(vcl::mrCancel);
}

void TfrmNewGifWizard::optLoopInfiniteClick(vcl::TObject*) {
    spinLoop->SetEnabled(optLoopPlay->GetChecked());
}

void TfrmNewGifWizard::btnImageAddClick(vcl::TObject*) {
    dlgOpen2->SetInitialDir(StartImageFolder());
    if (dlgOpen2->Execute()) {
        vcl::TStrings* items = lbImages->GetItems();
        vcl::TStrings* chosen = dlgOpen2->GetFiles();
        if (chosen->GetCount() == 0)
            items->Add(dlgOpen2->GetFileName());
        for (int32_t i = 0; i < chosen->GetCount(); ++i)
            items->Add(chosen->Get(i));
        if (lbImages->GetItemIndex() < 0 && items->GetCount() > 0)
            lbImages->SetItemIndex(0);
    }
    btnNext->SetEnabled(lbImages->GetItems()->GetCount() > 0);
    lbImagesClick(lbImages);
}

void TfrmNewGifWizard::btnImageRemoveClick(vcl::TObject*) {
    vcl::TStrings* items = lbImages->GetItems();
    const int32_t index = lbImages->GetItemIndex();
    if (index >= 0 && index < items->GetCount()) {
        items->Delete(index);
        if (items->GetCount() > 0)
            lbImages->SetItemIndex(std::max(index - 1, 0));
    }
    btnNext->SetEnabled(items->GetCount() > 0);
    // The buttons follow the new selection (a removed last item leaves nothing to move or remove).
    lbImagesClick(lbImages);
}

void TfrmNewGifWizard::lbImagesClick(vcl::TObject*) {
    const int32_t count = lbImages->GetItems()->GetCount();
    const int32_t index = lbImages->GetItemIndex();
    const bool selected = index >= 0 && index < count;
    btnMoveDown->SetEnabled(selected && count >= 2 && index != count - 1);
    btnMoveUp->SetEnabled(selected && count >= 2 && index != 0);
    btnImageRemove->SetEnabled(selected);
}

void TfrmNewGifWizard::MoveSelected(int32_t offset) {
    vcl::TStrings* items = lbImages->GetItems();
    const int32_t index = lbImages->GetItemIndex();
    const int32_t other = index + offset;
    if (index < 0 || other < 0 || other >= items->GetCount())
        return;
    const std::string text = items->Get(index);
    items->Put(index, items->Get(other));
    items->Put(other, text);
    lbImages->SetItemIndex(other);
    lbImagesClick(lbImages);
}

void TfrmNewGifWizard::btnMoveUpClick(vcl::TObject*) {
    MoveSelected(-1);
}

void TfrmNewGifWizard::btnMoveDownClick(vcl::TObject*) {
    MoveSelected(1);
}

// ---- Building the animation -------------------------------------------------------------------------------

void TfrmGifMain::RunNewWizard() {
    auto* wizard = new TfrmNewGifWizard(vcl::Application);
    vcl::TListItems* rows = lvFiles->GetItems();
    std::unique_ptr<THourglass> hourglass;
    vcl::TryFinally(
        [&] {
            if (wizard->ShowModal() != vcl::mrOk)
                return;
            hourglass = std::make_unique<THourglass>();
            StopPreview(true);
            vcl::TStrings* paths = wizard->lbImages->GetItems();
            for (int32_t i = 0; i < paths->GetCount(); ++i) {
                const std::string path = paths->Get(i);
                // An animated GIF into a document without frames becomes the document; after frames it is
                // appended to them.
                HasDocument = Document->FrameCount() > 0;
                const int32_t type = ImageFileTypeIndex(path);
                if (type == 0) {
                    Scratch->SetPaintOptions(gif::TGifPaintOptions{});
                    // A GIF that does not read is skipped after its message, like any other picture.
                    if (!LoadGifFile(Scratch, path))
                        continue;
                    if (IsAnimatedGif(Scratch)) {
                        InsertAnimatedGif(path);
                        Modified = true;
                        continue;
                    }
                }
                auto bitmap = std::make_unique<vcl::TBitmap>();
                if (LoadImageFileToBitmap(path, bitmap.get(), type) == -1)
                    continue;
                const int32_t index = AddCheckedFrame(bitmap.get(), Document->FrameCount());
                if (index == -1)
                    continue;
                Modified = true;
                InsertFrameRow(index, vcl::ExtractFileName(path));
            }
            if (Document->FrameCount() > 0) {
                // The loop controls first show the document's own count, so that setting the wizard's
                // choice runs their handlers exactly when it differs.
                ShowLoopCount();
                // A count of 0 is a GIF's endless loop: "Play it 0 times" is shown, and stored, as Loop
                // Forever, since the main window's play count starts at 1.
                if (wizard->optLoopInfinite->GetChecked() || wizard->PlayCount() == 0) {
                    optLoopForever->SetChecked(true);
                } else {
                    optLoopSpecified->SetChecked(true);
                    spinPlayTimes->SetValue(wizard->PlayCount());
                }
            }
            const uint16_t delay = wizard->Delay();
            for (int32_t i = 0; i < Document->FrameCount(); ++i)
                SetFrameDelay(Document->Frame(i), delay);
            // A frame-size fit may have changed the frames' sizes.
            RefreshFrameSizeTexts();
        },
        [&] {
            hourglass.reset();
            // Finished or cancelled, there is a document exactly when there are frames to show.
            HasDocument = rows->Count() > 0;
            // Every frame of the new animation gets the transparency flag and its background restored.
            if (chkAnimationTrans->GetChecked())
                chkAnimationTransClick(chkAnimationTrans);
            else
                chkAnimationTrans->SetChecked(true);
            if (rows->Count() > 0) {
                lvFiles->ClearSelection();
                rows->GetItem(0)->SetSelected(true);
            }
            wizard->Free();
        });
}

void RegisterNewGifWizardClass() {
    RegisterListBoxHrzClass();
    using F = TfrmNewGifWizard;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("btnBack", &F::btnBack)
        .Field("btnNext", &F::btnNext)
        .Field("btnCancel", &F::btnCancel)
        .Field("pnlLoop", &F::pnlLoop)
        .Field("pnlImages", &F::pnlImages)
        .Field("pnlFinish", &F::pnlFinish)
        .Field("lblLoopTitle", &F::lblLoopTitle)
        .Field("lblLoopQuestion", &F::lblLoopQuestion)
        .Field("lblTimes", &F::lblTimes)
        .Field("lblDelay", &F::lblDelay)
        .Field("lblSeconds", &F::lblSeconds)
        .Field("optLoopInfinite", &F::optLoopInfinite)
        .Field("optLoopPlay", &F::optLoopPlay)
        .Field("spinLoop", &F::spinLoop)
        .Field("spinDelay", &F::spinDelay)
        .Field("lblImagesTitle", &F::lblImagesTitle)
        .Field("lblImagesQuestion", &F::lblImagesQuestion)
        .Field("lbImages", &F::lbImages)
        .Field("btnImageAdd", &F::btnImageAdd)
        .Field("btnImageRemove", &F::btnImageRemove)
        .Field("btnMoveUp", &F::btnMoveUp)
        .Field("btnMoveDown", &F::btnMoveDown)
        .Field("dlgOpen2", &F::dlgOpen2)
        .Field("lblFinishTitle", &F::lblFinishTitle)
        .Field("lblFinishText", &F::lblFinishText)
        .Method("FormCreate", &F::FormCreate)
        .Method("FormShow", &F::FormShow)
        .Method("btnNextClick", &F::btnNextClick)
        .Method("btnBackClick", &F::btnBackClick)
        .Method("btnCancelClick", &F::btnCancelClick)
        .Method("optLoopInfiniteClick", &F::optLoopInfiniteClick)
        .Method("btnImageAddClick", &F::btnImageAddClick)
        .Method("btnImageRemoveClick", &F::btnImageRemoveClick)
        .Method("lbImagesClick", &F::lbImagesClick)
        .Method("btnMoveUpClick", &F::btnMoveUpClick)
        .Method("btnMoveDownClick", &F::btnMoveDownClick);
    vcl::RegisterClass<F>("TfrmNewGifWizard");
}

} // namespace app
