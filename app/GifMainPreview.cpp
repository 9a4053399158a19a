// The main window's preview page and the separate preview window. The page shows the selected frame as a
// still picture (imgPreview) or, while playing, its own copy of the document (ImageGIF), played by the GIF
// library's painter thread; the painter's events come back on the GUI thread.
#include "app/GifMainForm.h"

#include "app/PreviewForm.h"
#include "controls/FcListView.h"
#include "controls/FcPageControl.h"
#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"

#include <exception>
#include <string>

namespace app {

namespace {

// Threaded, with transparency, stepping through the frames, repeating by the loop count, dithered on
// screens of few colours: the options of the copy the page plays (0x060F).
gif::TGifPaintOptions PlayingOptions() {
    return gif::TGifPaintOptions{gif::gpoThreaded, gif::gpoUseTransparency, gif::gpoStepFrames, gif::gpoRepeat,
                                 gif::gpoDither, gif::gpoDitherLowColor};
}

gif::TGifDocument* PictureDocument(vcl::TImage* image) {
    return image ? dynamic_cast<gif::TGifDocument*>(image->GetPicture()->GetGraphic()) : nullptr;
}

} // namespace

void TfrmGifMain::PlayPreview() {
    ImageGIF->SetVisible(true);
    Playing = true;
    imgPreview->SetVisible(false);
    ImageGIF->GetPicture()->Assign(nullptr);
    ImageGIF->GetPicture()->Assign(Document);
    if (gif::TGifDocument* copy = PictureDocument(ImageGIF)) {
        NormalizeGifForSave(copy, true, 0);
        copy->StopPlayback();
        copy->SetPaintOptions(PlayingOptions());
        copy->OnBeforeFrame = [this](vcl::TObject* sender) { DocumentBeforeFrame(sender); };
        copy->OnPlayEnd = copy->OnBeforeFrame;
    }
    ImageGIF->Invalidate();
    UpdateCommandStates();
}

void TfrmGifMain::StopPreview(bool stopPainter) {
    if (!ImageGIF)
        return;
    ImageGIF->SetVisible(false);
    imgPreview->SetVisible(true);
    Playing = false;
    if (stopPainter) {
        if (gif::TGifDocument* copy = PictureDocument(ImageGIF)) {
            copy->StopPlayback();
            ImageGIF->GetPicture()->Assign(nullptr);
        }
    }
    if (vcl::TListItem* first = lvFiles->GetSelected())
        tsPreview->SetCaption("Preview - Frame " + std::to_string(first->GetIndex() + 1));
    UpdateCommandStates();
}

void TfrmGifMain::GotoFirstFrame() {
    StopPreview(true);
    if (lvFiles->GetItems()->Count() > 0)
        lvFiles->GetItems()->GetItem(0)->SetSelected(true);
}

void TfrmGifMain::DocumentBeforeFrame(vcl::TObject* sender) {
    auto* painter = dynamic_cast<gif::TGifPainter*>(sender);
    if (!painter)
        return;
    if (painter->GetCurrentFrame() < 0) {
        // The painter reports its own end: back to the still frame without waiting for it.
        StopPreview(false);
        return;
    }
    if (ImageGIF->GetVisible()) {
        gif::TGifDocument* image = painter->GetPlayedImage();
        const int32_t count = image ? image->FrameCount() : 0;
        tsPreview->SetCaption("Playing Frame " + std::to_string(painter->GetCurrentFrame() + 1) + " of " +
                              std::to_string(count));
    }
}

void TfrmGifMain::DocumentPlayEnd(vcl::TObject* sender) {
    if (dynamic_cast<gif::TGifPainter*>(sender))
        StopPreview(true);
}

void TfrmGifMain::TogglePreviewWindow() {
    if (FPreviewWindow) {
        const bool show = !FPreviewWindow->GetVisible();
        if (show) {
            FPreviewWindow->Show();
        } else {
            FPreviewWindow->Hide();
            // A hidden window holds no copy: nothing plays where nobody sees it.
            FPreviewWindow->ClearPicture();
            return;
        }
    } else {
        FPreviewWindow = new TfrmGifPreview(vcl::Application);
        FPreviewWindow->Show();
    }
    FPreviewWindow->imgPreview->GetPicture()->Assign(Document);
}

void TfrmGifMain::RefreshPreviewWindow() {
    if (!FPreviewWindow || !FPreviewWindow->GetVisible())
        return;
    try {
        FPreviewWindow->ClearPicture();
        FPreviewWindow->imgPreview->SetTop(0);
        FPreviewWindow->imgPreview->SetLeft(0);
        FPreviewWindow->imgPreview->GetPicture()->Assign(Document);
    } catch (const std::exception&) {
        // The preview window only shows; a document it cannot show leaves it empty.
    }
}

void TfrmGifMain::ReleasePreviewWindow() {
    TfrmGifPreview* window = FPreviewWindow;
    FPreviewWindow = nullptr;
    if (!window)
        return;
    window->ClearPicture();
    window->Free();
}

} // namespace app
