// The AVI import: the video-file service decodes the frames, each becomes a frame of a temporary document
// through an in-memory BMP file, and the document reaches the main window through a temporary GIF file.
#include "app/AviImport.h"

#include "app/GifMainForm.h"
#include "app/GifRoutines.h"
#include "app/ProgressForm.h"
#include "gif/GifDocument.h"
#include "gif/GifExtensions.h"
#include "gif/GifFrame.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/media/Vfw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace app {

namespace {

constexpr int64_t AviMaxFrameDimension = 16384;
constexpr win::DWORD AviBiRgb = 0;
constexpr win::DWORD AviBiBitfields = 3;

TAviFrameHook& AviFrameHook() {
    static TAviFrameHook hook;
    return hook;
}

void AviFail(const char* message) {
    throw vcl::Exception(message);
}

// The video-file handles of one import, closed in reverse order however it ends.
struct AviSession {
    bool Initialised = false;
    win::PAVIFILE File = nullptr;
    win::PAVISTREAM Stream = nullptr;
    bool Streaming = false;
    win::PGETFRAME Getter = nullptr;

    ~AviSession() {
        if (Getter)
            win::AVIStreamGetFrameClose(Getter);
        if (Streaming)
            win::AVIStreamEndStreaming(Stream);
        if (Stream)
            win::AVIStreamRelease(Stream);
        if (File)
            win::AVIFileRelease(File);
        if (Initialised)
            win::AVIFileExit();
    }
};

// The application-starting cursor while it lives.
class AviBusyCursor {
public:
    AviBusyCursor() : FOld(vcl::Screen->GetCursor()) { vcl::Screen->SetCursor(vcl::crAppStart); }
    ~AviBusyCursor() { vcl::Screen->SetCursor(FOld); }
    AviBusyCursor(const AviBusyCursor&) = delete;
    AviBusyCursor& operator=(const AviBusyCursor&) = delete;

private:
    vcl::TCursor FOld;
};

void AppendControlExtension(gif::TGifFrame* frame, uint16_t delay) {
    auto* gce = new gif::TGifGraphicControlExtension(frame);
    gce->SetDelayTime(delay);
    frame->GetExtensionList()->AppendItem(gce);
    frame->SetControlExtension(gce);
}

} // namespace

void SetAviImportFrameHook(TAviFrameHook hook) {
    AviFrameHook() = std::move(hook);
}

uint16_t AviFrameDelay(uint32_t scale, uint32_t rate) {
    // 64 bits: scale x 100 overflows 32 for large scales, and a delay beyond 65535 does not fit the GIF.
    int64_t delay = rate == 0 ? int64_t(scale) / 100 : (int64_t(scale) * 100 + rate / 2) / int64_t(rate);
    return uint16_t(std::clamp<int64_t>(delay, 0, 65535));
}

bool AviFrameToBmp(const void* dib, const std::vector<uint8_t>& format, std::vector<uint8_t>& bmp) {
    win::BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    const int32_t bits = header.biBitCount;
    const int64_t width = header.biWidth;
    const int64_t height = std::llabs(int64_t(header.biHeight));
    if (header.biSize != sizeof header || width < 1 || width > AviMaxFrameDimension || height < 1 ||
        height > AviMaxFrameDimension)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (header.biCompression != AviBiRgb && !(header.biCompression == AviBiBitfields && (bits == 16 || bits == 32)))
        return false;
    // The colour table the DIB holds: its count, or the depth's when 0; the three masks of BI_BITFIELDS.
    int64_t colours = 0;
    if (bits <= 8) {
        const int64_t depthColours = int64_t(1) << bits;
        colours = header.biClrUsed ? int64_t(header.biClrUsed) : depthColours;
        if (colours > depthColours)
            return false;
    } else if (header.biClrUsed != 0) {
        return false;
    }
    const int64_t tableBytes = header.biCompression == AviBiBitfields ? 12 : 4 * colours;
    const int64_t stride = (width * bits + 31) / 32 * 4;
    const int64_t pixelBytes = stride * height;
    // A size of 0 is computed; a size that says the rows are not all there is refused.
    if (header.biSizeImage != 0 && int64_t(header.biSizeImage) < pixelBytes)
        return false;
    header.biSizeImage = win::DWORD(pixelBytes);

    const int64_t offset = int64_t(sizeof(win::BITMAPFILEHEADER)) + int64_t(sizeof header) + tableBytes;
    bmp.assign(size_t(offset + pixelBytes), 0);
    win::BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfSize = 0;
    file.bfOffBits = win::DWORD(offset);
    std::memcpy(bmp.data(), &file, sizeof file);
    std::memcpy(bmp.data() + sizeof file, &header, sizeof header);
    const auto* source = static_cast<const uint8_t*>(dib) + sizeof header;
    uint8_t* table = bmp.data() + sizeof file + sizeof header;
    std::memcpy(table, source, size_t(tableBytes));
    std::memcpy(table + tableBytes, source + tableBytes, size_t(pixelBytes));

    // The format's colours over the frame's: its count, within what both tables hold.
    if (colours > 0 && format.size() >= sizeof(win::BITMAPINFOHEADER)) {
        win::BITMAPINFOHEADER formatHeader;
        std::memcpy(&formatHeader, format.data(), sizeof formatHeader);
        if (formatHeader.biSize >= sizeof formatHeader && formatHeader.biSize <= format.size()) {
            const int64_t held = int64_t(format.size() - formatHeader.biSize) / 4;
            const int64_t count = std::min({int64_t(formatHeader.biClrUsed), int64_t(256), held, colours});
            std::memcpy(table, format.data() + formatHeader.biSize, size_t(4 * count));
        }
    }
    return true;
}

void ImportAviFile(gif::TGifDocument* image, const std::string& fileName, TfrmProgress* progress) {
    AviBusyCursor cursor;
    progress->prgBar->SetMin(0);
    progress->prgBar->SetPosition(0);
    const auto cancelled = [progress] { return progress->Cancelled(); };
    int32_t start = 0;
    int32_t length = 0;
    std::vector<uint8_t> format;
    uint16_t delay = 0;
    {
        AviSession avi;
        // 1. The file, as chosen: its name is not changed.
        win::AVIFileInit();
        avi.Initialised = true;
        progress->ShowStep("Opening AVI file...");
        if (win::AVIFileOpen(&avi.File, fileName.c_str(), win::OF_READ | win::OF_SHARE_DENY_WRITE, nullptr) !=
            win::AVIERR_OK)
            AviFail("Failed to open AVI file");
        // 2.
        if (cancelled())
            return;
        progress->ShowStep("Opening AVI data stream...");
        if (win::AVIFileGetStream(avi.File, &avi.Stream, win::streamtypeVIDEO, 0) != win::AVIERR_OK)
            AviFail("Failed to open AVI stream");
        // 3.
        if (cancelled())
            return;
        progress->ShowStep("Scanning AVI data stream info...");
        win::AVISTREAMINFOA info{};
        if (win::AVIStreamInfo(avi.Stream, &info, sizeof info) != win::AVIERR_OK)
            AviFail("Failed to get AVI stream info");
        delay = AviFrameDelay(info.dwScale, info.dwRate);
        win::LONG formatSize = 0;
        if (win::AVIStreamReadFormat(avi.Stream, 0, nullptr, &formatSize) != win::AVIERR_OK || formatSize < 0)
            AviFail("Failed to get AVI stream format size");
        format.resize(size_t(formatSize));
        // 4.
        if (cancelled())
            return;
        progress->ShowStep("Getting AVI data stream format...");
        if (win::AVIStreamReadFormat(avi.Stream, 0, format.data(), &formatSize) != win::AVIERR_OK ||
            size_t(formatSize) != format.size())
            AviFail("Failed to get AVI stream format");
        progress->ShowStep("Reading AVI start stream...");
        if (win::AVIStreamBeginStreaming(avi.Stream, 0, 0, 1000) != win::AVIERR_OK)
            AviFail("Failed to start AVI stream");
        avi.Streaming = true;
        // 5.
        if (cancelled())
            return;
        progress->ShowStep("Reading AVI frames...");
        avi.Getter = win::AVIStreamGetFrameOpen(avi.Stream, nullptr);
        if (!avi.Getter)
            AviFail("Failed to start AVI decompression");
        // 6.
        if (cancelled())
            return;
        image->SetReductionMethod(gif::rdWebSafe216);
        image->SetDitherMethod(gif::dtFloydSteinberg);
        start = win::AVIStreamStart(avi.Stream);
        length = std::max<win::LONG>(0, win::AVIStreamLength(avi.Stream));
        const int32_t maximum = std::max(0, length - 1);
        progress->prgBar->SetMax(maximum);
        progress->ShowStep(vcl::Format("Decompressing AVI frames (Total %d)...", maximum));
        // 7. Every frame of the stream, from its start.
        std::vector<uint8_t> bmp;
        for (int32_t i = 0; i < length && !cancelled(); ++i) {
            const int32_t position = start + i;
            const void* dib = win::AVIStreamGetFrame(avi.Getter, position);
            if (!dib)
                AviFail("Failed to decompress AVI frame");
            progress->ShowStep("Reading frame palette...");
            // A frame whose headers do not hold together is one that could not be decompressed.
            if (!AviFrameToBmp(dib, format, bmp))
                AviFail("Failed to decompress AVI frame");
            progress->ShowStep(vcl::Format("Creating GIF frame %d...", position));
            progress->prgBar->StepIt();
            vcl::Application->ProcessMessages();
            vcl::TMemoryStream stream;
            stream.Write(bmp.data(), int32_t(bmp.size()));
            stream.SetPosition(0);
            vcl::TBitmap bitmap;
            bitmap.LoadFromStream(&stream);
            const int32_t index = image->AppendFrame(&bitmap);
            gif::TGifFrame* frame = image->Frame(index);
            if (index == 0) {
                auto* loop = new gif::TGifLoopExtension(frame);
                loop->SetLoopCount(0);
                frame->GetExtensionList()->AppendItem(loop);
            }
            AppendControlExtension(frame, delay);
            if (AviFrameHook())
                AviFrameHook()(index);
        }
    }
    // 9.
    if (!cancelled() && image->FrameCount() > 0) {
        progress->ShowStep("Optimizing GIF color palette...");
        image->OptimizeToGlobalColorMap();
        AddCommentExtension(image->Frame(0), "");
    }
}

// ---- The main window's side ---------------------------------------------------------------------------

void TfrmGifMain::ImportAvi() {
    // A modified document is offered for saving first: the import replaces it.
    if (!ConfirmSaveChanges())
        return;
    if (!dlgOpenAVI->Execute())
        return;
    ImportAviDocument(dlgOpenAVI->GetFileName());
}

bool TfrmGifMain::ImportAviDocument(const std::string& file) {
    StopPreview(true);
    if (FileSizeOf(file) >= AviImportMaxFileSize) {
        vcl::MessageBox(GetHandle(), "AVI File Import is limited to files that are less than 500KB.", "Information",
                        vcl::MB_OK | vcl::MB_ICONINFORMATION);
        return false;
    }
    const std::string text = vcl::Format("Preparing %s for AVI to GIF import...", vcl::ExtractFileName(file));
    SetStatusText(text, 2);
    const vcl::TCursor oldCursor = vcl::Screen->GetCursor();
    vcl::Screen->SetCursor(vcl::crAppStart);

    auto* progress = new TfrmProgress(vcl::Application);
    bool cancelled = false;
    bool opened = false;
    std::unique_ptr<gif::TGifDocument> image;
    vcl::TryFinally(
        [&] {
            progress->prgBar->SetPosition(0);
            progress->prgBar->SetMin(0);
            progress->lblFileName->SetCaption(text);
            progress->Show();
            progress->Update();
            SetEnabled(false);

            image = std::make_unique<gif::TGifDocument>();
            image->OnProgress = [this](vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percent, bool,
                                       const vcl::TRect&, const std::string&) { AviProgress(sender, stage, percent); };
            ImportAviFile(image.get(), file, progress);
            vcl::Application->ProcessMessages();
            cancelled = progress->Cancelled();
            if (cancelled)
                return;
            if (image->FrameCount() == 0) {
                vcl::MessageBox(GetHandle(), vcl::Format("Error importing %s to GIF.", file), "Error",
                                vcl::MB_OK | vcl::MB_ICONERROR);
                return;
            }
            // Making the name makes the file, which the save then replaces; it goes once opened, or not.
            const std::string temp = MakeTempFileName(TempFolder(), "~LW");
            vcl::ScopeExit removeTemp([&temp]() noexcept {
                if (!temp.empty())
                    vcl::DeleteFile(temp);
            });
            SetStatusText("Reading and updating GIF animation window, one moment please...", 2);
            if (SaveGifFile(image.get(), temp, false, false) && OpenGifFile(temp)) {
                // The rows name the video the frames came from, not the temporary file that carried them.
                NameFrameRows(vcl::ExtractFileName(file));
                FileName.clear();
                UpdateTitle();
                Modified = true;
                opened = true;
            }
        },
        [&] {
            image.reset();
            SetEnabled(true);
            progress->Free();
            vcl::Screen->SetCursor(oldCursor);
            SetStatusText("", 2);
        });
    if (cancelled)
        vcl::MessageBox(GetHandle(), "AVI import was cancelled by the user.", "Information",
                        vcl::MB_OK | vcl::MB_ICONINFORMATION);
    else
        SetStatusText("", 1);
    return opened;
}

void TfrmGifMain::AviProgress(vcl::TObject*, vcl::TProgressStage stage, uint8_t percent) {
    if (!prgBar || !StatusBar)
        return;
    switch (stage) {
    case vcl::psStarting:
        prgBar->SetParent(StatusBar);
        prgBar->SetVisible(true);
        prgBar->SetPosition(0);
        break;
    case vcl::psRunning:
        prgBar->SetPosition(percent);
        break;
    case vcl::psEnding:
        prgBar->SetPosition(0);
        prgBar->SetVisible(false);
        break;
    }
    prgBar->Repaint();
    StatusBar->Repaint();
}

} // namespace app
