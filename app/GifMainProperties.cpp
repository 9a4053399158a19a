// The main window's property panel: what selecting a row shows, and the handlers that change the selected
// frames' delay and disposal, the loop count and the transparency of every frame. Each change stops a
// playing preview first and plays it again afterwards.
#include "app/GifMainForm.h"

#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcListView.h"
#include "controls/FcPageControl.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"

#include <cmath>
#include <exception>
#include <vector>

namespace app {

namespace {

// A guard flag set for the duration of one control update.
class TGuard {
public:
    explicit TGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TGuard() { FFlag = FOld; }
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

} // namespace

template <typename F> void TfrmGifMain::WithPreviewStopped(F change) {
    const bool wasPlaying = Playing;
    if (wasPlaying)
        StopPreview(true);
    change();
    RefreshPreviewWindow();
    if (wasPlaying)
        PlayPreview();
}

std::vector<int32_t> TfrmGifMain::SelectedRows() const {
    std::vector<int32_t> rows;
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i)
        if (items->GetItem(i)->GetSelected())
            rows.push_back(i);
    return rows;
}

void TfrmGifMain::lvFilesSelectItem(vcl::TObject*, vcl::TListItem* item, bool selected) {
    {
        TGuard guard(SettingTransparency);
        chkAnimationTrans->SetChecked(Document->GetTransparent());
    }
    if (selected && item) {
        StopPreview(true);
        const int32_t row = item->GetIndex();
        tsPreview->SetCaption(lvFiles->GetSelCount() < 2 ? "Preview - Frame " + std::to_string(row + 1)
                                                         : std::string("Preview - Multi-Select"));
        gif::TGifFrame* frame = row < Document->FrameCount() ? Document->Frame(row) : nullptr;
        imgPreview->GetPicture()->Assign(frame ? frame->FrameBitmap() : nullptr);
        // What the frame's control extensions say (the last one decides); a frame without one plays with no
        // delay, no disposal and no transparent colour, and is shown so without being changed.
        double delay = 0;
        int32_t disposal = 0;
        vcl::TColor color = vcl::clNone;
        int32_t index = 0;
        if (frame) {
            gif::TGifExtensionList* list = frame->GetExtensionList();
            for (int32_t i = 0; i < list->ItemCount(); ++i) {
                auto* gce = dynamic_cast<gif::TGifGraphicControlExtension*>(list->ExtensionAt(i));
                if (!gce)
                    continue;
                delay = gce->GetDelayTime() / 100.0;
                if (gce->GetDisposalMethod() <= 3)
                    disposal = gce->GetDisposalMethod();
                color = vcl::TColor(gce->GetTransparentColorValue());
                index = gce->GetTransparentIndex();
            }
        }
        {
            TGuard guard(SettingDelay);
            spinDelay->SetValue(delay);
        }
        {
            TGuard guard(SettingDisposal);
            cboDisposal->SetItemIndex(disposal);
        }
        shpTransColor->GetBrush()->SetColor(color);
        shpTransColor->SetTag(index);
    }
    UpdateCommandStates();
}

void TfrmGifMain::spinDelayChange(vcl::TObject*) {
    if (SettingDelay)
        return;
    WithPreviewStopped([this] {
        Modified = true;
        const uint16_t delay = SecondsToDelay(spinDelay->GetValue());
        for (int32_t row : SelectedRows())
            if (gif::TGifFrame* frame = Document->Frame(row))
                SetFrameDelay(frame, delay);
    });
}

void TfrmGifMain::cboDisposalChange(vcl::TObject*) {
    if (SettingDisposal)
        return;
    const int32_t disposal = cboDisposal->GetItemIndex();
    if (disposal < 0 || disposal > 3)
        return;
    WithPreviewStopped([this, disposal] {
        Modified = true;
        for (int32_t row : SelectedRows())
            if (gif::TGifFrame* frame = Document->Frame(row))
                SetFrameDisposal(frame, disposal);
    });
}

void TfrmGifMain::ShowLoopCount() {
    const int32_t count = GetLoopCount(Document);
    {
        TGuard guard(FSettingLoop);
        if (count != 0) {
            spinPlayTimes->SetValue(count);
            optLoopSpecified->SetChecked(true);
        } else {
            optLoopForever->SetChecked(true);
        }
    }
    const bool specified = optLoopSpecified->GetChecked();
    lblPlayTimes->SetEnabled(specified);
    spinPlayTimes->SetEnabled(specified);
}

void TfrmGifMain::optLoopForeverClick(vcl::TObject*) {
    const bool specified = optLoopSpecified->GetChecked();
    lblPlayTimes->SetEnabled(specified);
    spinPlayTimes->SetEnabled(specified);
    if (FSettingLoop)
        return;
    // The loop count is no edit of the frames: it does not mark the document modified.
    WithPreviewStopped([this, specified] {
        SetLoopCount(Document, specified ? PlayCountFromValue(spinPlayTimes->GetValue()) : 0);
    });
}

void TfrmGifMain::spinPlayTimesChange(vcl::TObject* sender) { optLoopForeverClick(sender); }

void TfrmGifMain::chkAnimationTransClick(vcl::TObject*) {
    const bool checked = chkAnimationTrans->GetChecked();
    lblTransparent->SetEnabled(checked);
    shpTransColor->SetEnabled(checked);
    btnSelectTransColor->SetEnabled(checked);
    if (SettingTransparency || !HasDocument)
        return;
    WithPreviewStopped([this, checked] {
        for (int32_t i = 0; i < Document->FrameCount(); ++i) {
            try {
                gif::TGifFrame* frame = Document->Frame(i);
                if (!frame->GetControlExtension())
                    SetFrameDelay(frame, 100);
                gif::TGifGraphicControlExtension* gce = frame->GetControlExtension();
                if (!gce)
                    continue;
                gce->SetTransparentFlag(checked);
                gce->SetDisposalMethod(gif::dpRestoreBackground);
                Modified = true;
            } catch (const std::exception&) {
                // A frame that cannot take the change keeps what it had; the others go on.
            }
        }
        Document->SetTransparent(checked);
    });
}

} // namespace app
