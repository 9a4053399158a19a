// The Flash movie export.
#include "app/FlashExport.h"

#include "app/GifMainForm.h"
#include "app/GifRoutines.h"
#include "app/SwfHtmlForm.h"
#include "gif/GifCompose.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "swf/SWFSlideShowCreator.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace app {

namespace {

// The SWF writer's slide show, made without an owner and freed after saving.
class TSwfSlideShow final : public TFlashSlideShow {
public:
    void CreateMovie(int32_t height, int32_t width, int32_t rate) override { FCreator.CreateMovie(height, width, rate); }
    void AddImage(vcl::TBitmap* bitmap, int32_t delayMs) override { FCreator.AddImage(bitmap, delayMs); }
    void MakeStream() override { FCreator.MakeStream(); }
    void SaveToFile(const std::string& fileName) override { FCreator.SaveToFile(fileName); }

private:
    swf::TSWFSlideShowCreator FCreator{nullptr};
};

TFlashSlideShowFactory& FlashFactory() {
    static TFlashSlideShowFactory factory;
    return factory;
}

std::unique_ptr<TFlashSlideShow> NewFlashSlideShow() {
    if (FlashFactory())
        return FlashFactory()();
    return std::make_unique<TSwfSlideShow>();
}

// The graphic control extensions of a frame, in list order.
template <typename F> void ForEachControlExtension(gif::TGifFrame* frame, F visit) {
    gif::TGifExtensionList* list = frame->GetExtensionList();
    for (int32_t i = 0; i < list->ItemCount(); ++i)
        if (auto* gce = dynamic_cast<gif::TGifGraphicControlExtension*>(list->ExtensionAt(i)))
            visit(gce);
}

} // namespace

void SetFlashSlideShowFactory(TFlashSlideShowFactory factory) {
    FlashFactory() = std::move(factory);
}

int32_t FlashFrameRate(gif::TGifDocument* document) {
    std::optional<uint16_t> smallest;
    for (int32_t i = 0; i < document->FrameCount(); ++i)
        ForEachControlExtension(document->Frame(i), [&](gif::TGifGraphicControlExtension* gce) {
            smallest = std::min(smallest.value_or(UINT16_MAX), gce->GetDelayTime());
        });
    const int32_t delay = std::max<int32_t>(smallest.value_or(100), 1);
    // A smallest delay above 100 (a second) would give 0 frames a second, which the writer refuses.
    return std::max(1, 1000 / (delay * 10));
}

int32_t FlashImageDelayMs(gif::TGifFrame* frame) {
    int32_t delay = 0;
    ForEachControlExtension(frame, [&](gif::TGifGraphicControlExtension* gce) { delay = gce->GetDelayTime(); });
    return (delay == 0 ? 4 : delay) * 10;
}

void WriteFlashMovie(gif::TGifDocument* document, const std::string& fileName) {
    std::unique_ptr<TFlashSlideShow> show = NewFlashSlideShow();
    show->CreateMovie(document->GetHeight(), document->GetWidth(), FlashFrameRate(document));
    // Each image is the whole screen as the GIF shows it after the frame: an optimised animation's frames
    // are only the parts that change, drawn over what earlier frames left.
    gif::TGifComposer composer(document, gif::ComposeBackgroundColor(document));
    vcl::TBitmap screen;
    while (composer.Next()) {
        gif::TGifFrame* frame = document->Frame(composer.FrameIndex());
        if (frame->IsEmpty())
            continue;
        composer.AssignTo(&screen);
        show->AddImage(&screen, FlashImageDelayMs(frame));
    }
    show->MakeStream();
    show->SaveToFile(fileName);
}

bool ExportToFlash(vcl::TSaveDialog* dialog, gif::TGifDocument* document, const std::string& documentFileName,
                   const TFlashStatusProc& status) {
    const std::string oldFilter = dialog->GetFilter();
    const std::string oldExtension = dialog->GetDefaultExt();
    std::string movieFile;
    vcl::TryFinally(
        [&] {
            dialog->SetFilter("Macromedia Flash|*.swf");
            // A name typed without an extension becomes a movie file, never one named like a GIF file.
            dialog->SetDefaultExt("swf");
            dialog->SetFileName(vcl::ChangeFileExt(vcl::ExtractFileName(documentFileName), ".swf"));
            if (!dialog->Execute())
                return;
            THourglass hourglass;
            NormalizeGifForSave(document, false, 0);
            if (status)
                status("Initializing GIF for Flash Movie conversion, one moment please...", 2);
            if (vcl::Application)
                vcl::Application->ProcessMessages();
            WriteFlashMovie(document, dialog->GetFileName());
            movieFile = dialog->GetFileName();
        },
        [&] {
            dialog->SetFilter(oldFilter);
            dialog->SetDefaultExt(oldExtension);
            dialog->SetFileName("");
            if (status) {
                status(" ", 1);
                status("", 2);
            }
        });
    if (movieFile.empty())
        return false;
    ShowFlashHtml(document->GetWidth(), document->GetHeight(), vcl::ExtractFileName(movieFile),
                  GetLoopCount(document) != 1);
    return true;
}

void TfrmGifMain::ExportToFlash() {
    if (Playing)
        StopPreview(true);
    app::ExportToFlash(dlgSave, Document, FileName,
                       [this](const std::string& text, int32_t panel) { SetStatusText(text, panel); });
}

} // namespace app
