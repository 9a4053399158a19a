// The frame export dialog.
#include "app/ExporterForm.h"

#include "app/GifMainForm.h"
#include "app/GifRoutines.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "controls/FcListView.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/JpegImage.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>

namespace app {

namespace {

enum TExportFormat { efGif = 0, efJpeg = 1, efBitmap = 2 };

struct TExportFormatInfo {
    const char* Filter;
    const char* Extension;
};
constexpr std::array<TExportFormatInfo, 3> ExportFormats = {{
    {"GIF Images|*.gif", "gif"},
    {"Jpg Images|*.jpg", "jpg"},
    {"Bitmap Images|*.bmp", "bmp"},
}};

// JPEG quality by the track bar's position, from "Excellent" at the top to "Poor".
constexpr std::array<int32_t, 5> ExportJpegQualities = {100, 75, 50, 25, 1};
// Octree colour bits by the colour count chosen: 256, 128, 64, 32, 16, 8.
constexpr std::array<int32_t, 6> ExportOctreeBits = {8, 7, 6, 5, 4, 3};

constexpr const char* ExportErrorText = "An error occurred exporting one or more images.";

// Stops or starts a window's redrawing; started again, the frame, the children and the background are drawn
// at once.
void ExportSetRedraw(vcl::TWinControl* control, bool redraw) {
    win::HWND hwnd = control->GetHandle();
    win::SendMessage(hwnd, win::WM_SETREDRAW, redraw ? 1 : 0, 0);
    if (redraw)
        win::RedrawWindow(hwnd, nullptr, nullptr,
                          win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN |
                              win::RDW_UPDATENOW);
}

} // namespace

std::string ExportFileName(const std::string& base, int32_t index) {
    const size_t folderEnd = base.find_last_of('/');
    const size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    const size_t dot = base.find_last_of('.');
    // A leading dot (".profile") starts a name, not an extension.
    const size_t at = dot == std::string::npos || dot <= nameStart ? base.size() : dot;
    return base.substr(0, at) + "LW1" + std::to_string(index) + base.substr(at);
}

TfrmExporter::TfrmExporter(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmExporter));
    FormCreate(this);
}

void TfrmExporter::SetSource(gif::TGifDocument* document, vcl::TSaveDialog* saveDialog) {
    FDocument = document;
    FSaveDialog = saveDialog;
}

void TfrmExporter::FormCreate(vcl::TObject*) {
    cbGIFColors->SetItemIndex(0);
}

void TfrmExporter::FormActivate(vcl::TObject*) {
    if (FActivated)
        return;
    FActivated = true;
    lbExportClick(lbExport);
}

void TfrmExporter::optGIFClick(vcl::TObject* sender) {
    const intptr_t tag = static_cast<vcl::TComponent*>(sender)->GetTag();
    pnlGIF->SetVisible(tag == efGif);
    pnlJPEG->SetVisible(tag == efJpeg);
    pnlBitmap->SetVisible(tag == efBitmap);
}

void TfrmExporter::optGIFNetscapeClick(vcl::TObject* sender) {
    FPaletteTag = int32_t(static_cast<vcl::TComponent*>(sender)->GetTag());
}

void TfrmExporter::chkJProgressClick(vcl::TObject*) {
    if (chkJProgress->GetChecked()) {
        chkJSmooth->SetEnabled(true);
    } else {
        chkJSmooth->SetChecked(false);
        chkJSmooth->SetEnabled(false);
    }
}

void TfrmExporter::lbExportClick(vcl::TObject*) {
    const int32_t index = lbExport->GetItemIndex();
    if (index < 0 || !FDocument)
        return;
    ExportSetRedraw(sbPreview, false);
    try {
        if (index < FDocument->FrameCount())
            imgPreview->GetPicture()->Assign(FDocument->Frame(index)->FrameBitmap());
    } catch (const std::exception&) {
        // A frame that cannot be shown leaves the preview as it was.
    }
    ExportSetRedraw(sbPreview, true);
    CenterImageInScrollBox();
}

void TfrmExporter::CenterImageInScrollBox() {
    vcl::TControlScrollBar* horz = sbPreview->GetHorzScrollBar();
    vcl::TControlScrollBar* vert = sbPreview->GetVertScrollBar();
    horz->SetPosition(0);
    vert->SetPosition(0);
    const int32_t width = imgPreview->GetPicture()->GetWidth(), height = imgPreview->GetPicture()->GetHeight();
    const int32_t clientWidth = sbPreview->GetClientWidth(), clientHeight = sbPreview->GetClientHeight();
    const int32_t left = clientWidth < width ? horz->GetMargin() : (clientWidth - width) / 2;
    const int32_t top = clientHeight < height ? vert->GetMargin() : (clientHeight - height) / 2;
    imgPreview->SetBounds(left, top, width, height);
}

void TfrmExporter::FormCloseQuery(vcl::TObject*, bool& canClose) {
    if (GetModalResult() != vcl::mrOk || lbExport->GetSelCount() == 0)
        return;
    canClose = ExportSelected();
}

bool TfrmExporter::ExportSelected() {
    const TExportFormat format = optJpeg->GetChecked() ? efJpeg : optBitmap->GetChecked() ? efBitmap : efGif;
    // The main window's dialog gets its filter and default extension back: its own saves stay GIF files.
    const std::string oldFilter = FSaveDialog->GetFilter(), oldExtension = FSaveDialog->GetDefaultExt();
    std::string base;
    vcl::TryFinally(
        [&] {
            FSaveDialog->SetFilter(ExportFormats[format].Filter);
            // A name typed without an extension gets the one of the format written, never "gif" for JPEG data.
            FSaveDialog->SetDefaultExt(ExportFormats[format].Extension);
            FSaveDialog->SetFileName("");
            if (FSaveDialog->Execute())
                base = FSaveDialog->GetFileName();
        },
        [&] {
            FSaveDialog->SetFilter(oldFilter);
            FSaveDialog->SetDefaultExt(oldExtension);
        });
    if (base.empty())
        return false;

    bool failed = false;
    {
        THourglass hourglass;
        Progress->SetPosition(0);
        Progress->SetMax(lbExport->GetSelCount());
        Progress->SetVisible(true);

        std::unique_ptr<gif::TGifDocument> gifImage;
        std::unique_ptr<vcl::TJPEGImage> jpegImage;
        std::unique_ptr<vcl::TBitmap> bitmapImage;
        vcl::TGraphic* output = nullptr;
        if (format == efGif) {
            static constexpr gif::TGifReductionMethod reductions[] = {gif::rdWebSafe216, gif::rdGray256,
                                                                     gif::rdBlackWhite, gif::rdOctree, gif::rdSystem20};
            gifImage = std::make_unique<gif::TGifDocument>();
            gifImage->SetReductionMethod(reductions[FPaletteTag]);
            if (FPaletteTag == 3)
                gifImage->SetQuantizeBits(ExportOctreeBits[size_t(std::clamp(cbGIFColors->GetItemIndex(), 0, 5))]);
            output = gifImage.get();
        } else if (format == efJpeg) {
            jpegImage = std::make_unique<vcl::TJPEGImage>();
            jpegImage->SetProgressiveDisplay(chkJProgress->GetChecked());
            jpegImage->SetSmoothing(chkJProgress->GetChecked());
            jpegImage->SetGrayscale(chkJGrayscale->GetChecked());
            jpegImage->SetPerformance(optJBestQuality->GetChecked() ? vcl::jpBestQuality : vcl::jpBestSpeed);
            jpegImage->SetCompressionQuality(
                ExportJpegQualities[size_t(std::clamp(trackbar->GetPosition(), 0, 4))]);
            output = jpegImage.get();
        } else {
            bitmapImage = std::make_unique<vcl::TBitmap>();
            output = bitmapImage.get();
        }

        vcl::TBitmap work;
        for (int32_t i = 0; i < lbExport->GetItems()->GetCount(); ++i) {
            if (!lbExport->GetSelected(i))
                continue;
            Progress->StepBy(1);
            try {
                work.Assign(i < FDocument->FrameCount() ? FDocument->Frame(i)->FrameBitmap() : nullptr);
            } catch (const std::exception&) {
                // Saving what is left fails below and counts as this frame's failure.
            }
            try {
                // The palette chosen applies to every frame: a frame's own table of 256 colours or fewer
                // would otherwise pass through the reduction unchanged.
                if (gifImage && !work.GetEmpty())
                    work.SetPixelFormat(vcl::pf24bit);
                output->Assign(&work);
                // Assigning takes the working bitmap's depth; black and white is made afterwards.
                if (bitmapImage && chkBMono->GetChecked())
                    bitmapImage->SetMonochrome(true);
                if (gifImage && chkGIFOptimized->GetChecked())
                    gifImage->OptimizeToGlobalColorMap();
                output->SaveToFile(ExportFileName(base, i));
            } catch (const std::exception&) {
                failed = true;
            }
            if (gifImage)
                gifImage->Reset();
        }
    }
    if (failed)
        vcl::MessageDlg(ExportErrorText, vcl::mtInformation, vcl::TMsgDlgButtons{vcl::mbOK}, 0);
    return true;
}

void ShowExporter(vcl::TComponent* owner, gif::TGifDocument* document, vcl::TSaveDialog* saveDialog,
                  const std::vector<std::string>& captions, const std::vector<int32_t>& selected) {
    auto* form = new TfrmExporter(owner);
    vcl::TryFinally(
        [&] {
            form->SetSource(document, saveDialog);
            for (const std::string& caption : captions)
                form->lbExport->GetItems()->Add(caption);
            for (int32_t row : selected)
                if (row >= 0 && row < int32_t(captions.size()))
                    form->lbExport->SetSelected(row, true);
            form->ShowModal();
        },
        [&] { form->Free(); });
}

void RegisterExporterFormClass() {
    vcl::DefineFormClass<TfrmExporter, vcl::TForm>()
        .Field("lblExplain", &TfrmExporter::lblExplain)
        .Field("lbExport", &TfrmExporter::lbExport)
        .Field("sbPreview", &TfrmExporter::sbPreview)
        .Field("imgPreview", &TfrmExporter::imgPreview)
        .Field("grpFormat", &TfrmExporter::grpFormat)
        .Field("optGIF", &TfrmExporter::optGIF)
        .Field("optJpeg", &TfrmExporter::optJpeg)
        .Field("optBitmap", &TfrmExporter::optBitmap)
        .Field("pnlGIF", &TfrmExporter::pnlGIF)
        .Field("grpPalette", &TfrmExporter::grpPalette)
        .Field("optGIFNetscape", &TfrmExporter::optGIFNetscape)
        .Field("optGIFGray", &TfrmExporter::optGIFGray)
        .Field("optGIFMonochrome", &TfrmExporter::optGIFMonochrome)
        .Field("optGIFWindows", &TfrmExporter::optGIFWindows)
        .Field("optGIFWinSys20", &TfrmExporter::optGIFWinSys20)
        .Field("cbGIFColors", &TfrmExporter::cbGIFColors)
        .Field("lblColors", &TfrmExporter::lblColors)
        .Field("chkGIFOptimized", &TfrmExporter::chkGIFOptimized)
        .Field("pnlJPEG", &TfrmExporter::pnlJPEG)
        .Field("grpQuality", &TfrmExporter::grpQuality)
        .Field("trackbar", &TfrmExporter::trackbar)
        .Field("lblExcellent", &TfrmExporter::lblExcellent)
        .Field("lblPoor", &TfrmExporter::lblPoor)
        .Field("chkJProgress", &TfrmExporter::chkJProgress)
        .Field("chkJSmooth", &TfrmExporter::chkJSmooth)
        .Field("chkJGrayscale", &TfrmExporter::chkJGrayscale)
        .Field("grpPerformance", &TfrmExporter::grpPerformance)
        .Field("optJBestQuality", &TfrmExporter::optJBestQuality)
        .Field("optJSpdQuality", &TfrmExporter::optJSpdQuality)
        .Field("pnlBitmap", &TfrmExporter::pnlBitmap)
        .Field("chkBMono", &TfrmExporter::chkBMono)
        .Field("Progress", &TfrmExporter::Progress)
        .Field("btnOk", &TfrmExporter::btnOk)
        .Field("btnCancel", &TfrmExporter::btnCancel)
        .Method("FormActivate", &TfrmExporter::FormActivate)
        .Method("FormCloseQuery", &TfrmExporter::FormCloseQuery)
        .Method("optGIFClick", &TfrmExporter::optGIFClick)
        .Method("optGIFNetscapeClick", &TfrmExporter::optGIFNetscapeClick)
        .Method("chkJProgressClick", &TfrmExporter::chkJProgressClick)
        .Method("lbExportClick", &TfrmExporter::lbExportClick);
    vcl::RegisterClass<TfrmExporter>("TfrmExporter");
}

void TfrmGifMain::ShowExporter() {
    if (Playing)
        StopPreview(true);
    std::vector<std::string> captions;
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i)
        captions.push_back(items->GetItem(i)->GetCaption());
    app::ShowExporter(this, Document, dlgSave, captions, SelectedRows());
}

} // namespace app
