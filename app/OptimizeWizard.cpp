// The optimisation wizard and the main window's command that runs it.
#include "app/OptimizeWizard.h"

#include "app/GifMainForm.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcListView.h"
#include "controls/FcRadioCheck.h"
#include "gif/GifDocument.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <cmath>
#include <vector>

namespace app {

float LineBitsPerSecond(int32_t index) {
    // Modems count in thousands of bits a second, the faster lines in bits.
    switch (index) {
    case 0:
        return 28.8f * 1000.0f;
    case 1:
        return 56.6f * 1000.0f;
    case 2:
        return 128000.2f;
    case 3:
        return 1000000.2f;
    default:
        return 0.0f;
    }
}

std::string DownloadTimeText(double size, int32_t index) {
    const float speed = LineBitsPerSecond(index);
    if (speed <= 0.0f)
        return std::string();
    const float seconds = std::fabs(float(size * 8.0) / speed);
    return vcl::Format("%4.5f secs with a", double(seconds));
}

std::string ByteSizeText(double size) { return vcl::Format("%.n bytes", size); }

std::string SavingText(double oldSize, double newSize) {
    if (newSize >= oldSize)
        return "None";
    return vcl::Format("%.n bytes (%4.1f%s)", oldSize - newSize, std::fabs(newSize / oldSize * 100.0 - 100.0), "%");
}

TfrmGifOptimize::TfrmGifOptimize(vcl::TComponent* owner) : vcl::TForm(owner) {
    MainForm = dynamic_cast<TfrmGifMain*>(owner);
    if (!MainForm)
        MainForm = frmGifMain;
    InitInheritedComponent(typeid(TfrmGifOptimize));
    FormCreate(this);
}

TfrmGifOptimize::~TfrmGifOptimize() = default;

void TfrmGifOptimize::FormCreate(vcl::TObject*) {
    for (vcl::TPanel* panel : {pnlOpt0, pnlOpt1, pnlOpt2, pnlOpt3}) {
        panel->SetBevelOuter(vcl::bvNone);
        panel->SetBevelInner(vcl::bvNone);
        panel->SetLeft(0);
        panel->SetTop(0);
    }
    ShowPage(1);
}

void TfrmGifOptimize::FormShow(vcl::TObject*) {
    gif::TGifDocument* document = MainForm ? MainForm->Document : nullptr;
    FOldSize = double(GifEncodedSize(document));
    lblCurrSize->SetCaption(ByteSizeText(FOldSize));
    FWorking = std::make_unique<gif::TGifDocument>();
    if (document && document->FrameCount() > 0) {
        chkOptAll->SetEnabled(document->GlobalColorMap()->GetEntryCount() > 0);
        bool locals = false;
        for (int32_t i = 0; i < document->FrameCount() && !locals; ++i) {
            gif::TGifColorMap* map = document->Frame(i)->GetLocalColorMap();
            locals = map && map->GetEntryCount() > 0;
        }
        chkRemoveLocal->SetEnabled(locals);
    }
    cbBps->SetItemIndex(1);
}

void TfrmGifOptimize::ShowPage(int32_t p) {
    switch (p) {
    case 1:
        pnlOpt1->SetVisible(true);
        pnlOpt2->SetVisible(false);
        pnlOpt3->SetVisible(false);
        btnBack->SetEnabled(false);
        break;
    case 2:
        pnlOpt2->SetVisible(true);
        pnlOpt1->SetVisible(false);
        pnlOpt3->SetVisible(false);
        btnNext->SetCaption("Next");
        btnBack->SetEnabled(true);
        break;
    case 3:
        ComputeResults();
        pnlOpt3->SetVisible(true);
        pnlOpt2->SetVisible(false);
        btnNext->SetCaption("Finish");
        break;
    case 4:
        if (MainForm && FWorking) {
            MainForm->Document->Assign(FWorking.get());
            MainForm->Modified = true;
        }
        SetModalResult(vcl::mrOk);
        break;
    default:
        return;
    }
    FPage = p;
}

void TfrmGifOptimize::ComputeResults() {
    gif::TGifDocument* document = MainForm ? MainForm->Document : nullptr;
    if (!document || document->GetEmpty())
        return;
    THourglass hourglass;
    // A fresh copy each time: going back and forward again starts from the document, not from the last
    // results.
    auto working = std::make_unique<gif::TGifDocument>();
    working->SetQuantizeBits(document->GetQuantizeBits());
    working->SetDitherMethod(document->GetDitherMethod());
    working->Assign(document);
    gif::TGifOptimizeOptions options = 0;
    if (chkTrim->GetChecked())
        options |= gif::opTrimTransparent;
    if (chkDupPixels->GetChecked())
        options |= gif::opBlankUnchanged;
    if (chkNonVisible->GetChecked())
        options |= gif::opCleanUp;
    if (chkPaletteSort->GetChecked())
        options |= gif::opSortColorTables;
    if (options != 0)
        working->Optimize(options, gif::rdNone, gif::dtClosestColor, 8);
    if (chkOptAll->GetChecked()) {
        working->GlobalColorMap()->SortAndPrune();
        for (int32_t i = 0; i < working->FrameCount(); ++i) {
            gif::TGifFrame* frame = working->Frame(i);
            gif::TGifColorMap* map = frame->GetLocalColorMap();
            if (!frame->IsEmpty() && map && map->GetEntryCount() > 0)
                map->SortAndPrune();
        }
    }
    if (chkRemoveLocal->GetChecked() && chkRemoveLocal->GetEnabled())
        working->OptimizeToGlobalColorMap();
    const double newSize = double(GifEncodedSize(working.get()));
    FWorking = std::move(working);
    lblOptimizedSize->SetCaption(ByteSizeText(newSize));
    lblTotal->SetCaption(SavingText(FOldSize, newSize));
    cbBpsChange(cbBps);
}

void TfrmGifOptimize::btnNextClick(vcl::TObject*) { ShowPage(FPage + 1); }

void TfrmGifOptimize::btnBackClick(vcl::TObject*) { ShowPage(FPage - 1); }

void TfrmGifOptimize::btnCancelClick(vcl::TObject*) { SetModalResult(vcl::mrCancel); }

void TfrmGifOptimize::cbBpsChange(vcl::TObject*) {
    // The estimate is for the file as it was before the optimisation.
    lblDLTime->SetCaption(DownloadTimeText(FOldSize, cbBps->GetItemIndex()));
}

namespace {

// After Finish the frames may be fewer or smaller: every row is made again from the document. With as
// many frames as rows each row keeps its file part and flag; otherwise the rows take the document's name.
void RebuildRowsAfterOptimize(TfrmGifMain* form) {
    vcl::TListItems* items = form->lvFiles->GetItems();
    const int32_t frames = form->Document->FrameCount();
    std::vector<std::string> names;
    std::vector<uint8_t> flags;
    if (items->Count() == frames) {
        for (int32_t i = 0; i < frames; ++i) {
            vcl::TListItem* item = items->GetItem(i);
            const std::string caption = item->GetCaption();
            const size_t at = caption.find(" - ");
            names.push_back(at == std::string::npos ? std::string() : caption.substr(at + 3));
            flags.push_back(TfrmGifMain::RowFlag(item));
        }
    }
    const std::string documentName = vcl::ExtractFileName(form->FileName);
    vcl::WithUpdate(items, [&] {
        form->ClearFrameRows();
        for (int32_t i = 0; i < frames; ++i) {
            vcl::TListItem* item = form->InsertFrameRow(-1, names.empty() ? documentName : names[size_t(i)]);
            TfrmGifMain::SetRowFlag(item, flags.empty() ? 0 : flags[size_t(i)]);
        }
    });
    // Cleaning up may have taken the loop block of a single frame.
    form->ShowLoopCount();
    if (frames > 0) {
        form->lvFiles->ClearSelection();
        vcl::TListItem* first = items->GetItem(0);
        first->SetSelected(true);
        first->MakeVisible(false);
    }
}

} // namespace

void TfrmGifMain::ShowOptimizeWizard() {
    const bool wasPlaying = Playing;
    if (wasPlaying)
        StopPreview(true);
    auto* wizard = new TfrmGifOptimize(this);
    int32_t result = vcl::mrCancel;
    vcl::TryFinally([&] { result = wizard->ShowModal(); }, [&] { wizard->Free(); });
    if (result == vcl::mrOk)
        RebuildRowsAfterOptimize(this);
    if (wasPlaying)
        PlayPreview();
}

void RegisterOptimizeWizardClass() {
    using F = TfrmGifOptimize;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("btnBack", &F::btnBack)
        .Field("btnNext", &F::btnNext)
        .Field("btnCancel", &F::btnCancel)
        .Field("pnlOpt0", &F::pnlOpt0)
        .Field("pnlOpt1", &F::pnlOpt1)
        .Field("pnlOpt2", &F::pnlOpt2)
        .Field("pnlOpt3", &F::pnlOpt3)
        .Field("chkOptAll", &F::chkOptAll)
        .Field("chkRemoveLocal", &F::chkRemoveLocal)
        .Field("chkPaletteSort", &F::chkPaletteSort)
        .Field("chkTrim", &F::chkTrim)
        .Field("chkDupPixels", &F::chkDupPixels)
        .Field("chkNonVisible", &F::chkNonVisible)
        .Field("lblCurrSize", &F::lblCurrSize)
        .Field("lblOptimizedSize", &F::lblOptimizedSize)
        .Field("lblTotal", &F::lblTotal)
        .Field("lblDLTime", &F::lblDLTime)
        .Field("cbBps", &F::cbBps)
        .Method("FormShow", &F::FormShow)
        .Method("btnNextClick", &F::btnNextClick)
        .Method("btnBackClick", &F::btnBackClick)
        .Method("btnCancelClick", &F::btnCancelClick)
        .Method("cbBpsChange", &F::cbBpsChange);
    vcl::RegisterClass<F>("TfrmGifOptimize");
}

} // namespace app
