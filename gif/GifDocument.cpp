#include "gif/GifDocument.h"

#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/ole/Clipboard.h"

#include <algorithm>
#include <utility>

namespace gif {

uint16_t GifClipboardFormat = 0;
bool LowColorDisplay = false;
bool AutoDitherActive = false;

void InitializeGifModule() {
    vcl::TPicture::RegisterFileFormat("GIF", "GIF Image", vcl::GraphicClass<TGifDocument>());
    GifClipboardFormat = uint16_t(win::RegisterClipboardFormat("GIF Image"));
    vcl::TPicture::RegisterClipboardFormat(GifClipboardFormat, vcl::GraphicClass<TGifDocument>());
    win::HDC screen = win::GetScreenDC();
    const int depth = win::GetDeviceCaps(screen, win::BITSPIXEL) * win::GetDeviceCaps(screen, win::PLANES);
    LowColorDisplay = depth <= 8;
    AutoDitherActive = LowColorDisplay;
}

namespace {

// While the program runs, pictures that open ".gif" files or paste "GIF Image" make a TGifDocument.
struct DocumentRegistration {
    DocumentRegistration() { InitializeGifModule(); }
    ~DocumentRegistration() { vcl::TPicture::UnregisterGraphicClass(vcl::GraphicClass<TGifDocument>()); }
} DocumentRegistrationInstance;

} // namespace

TGifDocument::TGifDocument()
    : FFrames(std::make_unique<TGifFrameList>(this)), FHeader(std::make_unique<TGifHeader>(this)),
      FPaintOptions(DefaultPaintOptions) {
    Reset();
}

TGifDocument::~TGifDocument() {
    *FAlive = false;
    try {
        StopAllPainters();
    } catch (...) {
        // A destructor cannot report; the painters below are detached all the same.
    }
    // Painters still registered (unthreaded ones further up the stack) no longer touch this document.
    {
        vcl::TThreadListLock painters(FPainters);
        for (int32_t i = 0; i < painters->GetCount(); ++i)
            static_cast<TGifPainter*>(painters->Get(i))->DetachImage();
        painters->Clear();
    }
    FDrawPainter = nullptr;
    OnIssue = nullptr;
    OnProgress = nullptr;
    OnChange = nullptr;
    Reset();
    FCachedBitmap.reset();
    if (FCachedPalette)
        win::DeleteObject(FCachedPalette);
    FCachedPalette = nullptr;
    FFrames.reset();
    FHeader.reset();
}

void TGifDocument::ReportIssue(vcl::TObject* sender, int32_t severity, const std::string& message) {
    if (OnIssue)
        OnIssue(sender, severity, message);
}

void TGifDocument::ReportProgress(vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percentDone,
                                  bool redrawNow, const std::string& message) {
    Progress(sender, stage, percentDone, redrawNow, vcl::TRect{}, message);
}

void TGifDocument::Reset() {
    StopAllPainters();
    FreeScreenBitmap();
    FFrames->FreeAll();
    FHeader->GetGlobalColorMap()->RemoveAll();
    FHeader->ScreenDescriptor().Width = 0;
    FHeader->ScreenDescriptor().Height = 0;
    FHeader->UpdatePackedFields();
    SetPalette(nullptr);
}

bool TGifDocument::GetEmpty() const {
    return FFrames->ItemCount() == 0;
}
int32_t TGifDocument::GetWidth() const {
    return FHeader->ScreenDescriptor().Width;
}
int32_t TGifDocument::GetHeight() const {
    return FHeader->ScreenDescriptor().Height;
}

void TGifDocument::StoreScreenSize(int32_t value, bool width) {
    if (value < 0 || value > 65535)
        RaiseGifError("Invalid image dimensions");
    for (int32_t i = 0; i < FrameCount(); ++i) {
        const TGifImageDescriptor& d = Frame(i)->Descriptor();
        if (d.Width == 0 || d.Height == 0)
            continue;
        // A frame reaching beyond the largest screen only has to reach its edge.
        int32_t edge = width ? d.Left + d.Width : d.Top + d.Height;
        if (std::min(edge, 65535) > value)
            RaiseGifError(width ? "Image width too small for contained frames"
                                : "Image height too small for contained frames");
    }
    uint16_t& field = width ? FHeader->ScreenDescriptor().Width : FHeader->ScreenDescriptor().Height;
    if (field == value)
        return;
    field = uint16_t(value);
    FreeScreenBitmap();
    Changed(this);
}

void TGifDocument::SetWidth(int32_t value) {
    StoreScreenSize(value, true);
}
void TGifDocument::SetHeight(int32_t value) {
    StoreScreenSize(value, false);
}

int32_t TGifDocument::AppendFrame(vcl::TPersistent* item) {
    TGifFrame* frame = dynamic_cast<TGifFrame*>(item);
    if (!frame) {
        if (!dynamic_cast<vcl::TGraphic*>(item))
            RaiseGifError("Object type not supported for operation");
        auto made = std::make_unique<TGifFrame>(this);
        made->Assign(item);
        frame = made.release();
    }
    int32_t index = FFrames->AppendItem(frame);
    FreeScreenBitmap();
    Changed(this);
    return index;
}

uint8_t TGifDocument::RequiredVersion() const {
    uint8_t version = 0;
    for (int32_t i = 0; i < FrameCount() && version < 2; ++i)
        version = std::max(version, Frame(i)->RequiredVersion());
    return version;
}

int32_t TGifDocument::MaxBitsPerPixel() const {
    int32_t bits = FHeader->GetGlobalColorMap()->TableBits();
    for (int32_t i = 0; i < FrameCount(); ++i)
        bits = std::max(bits, Frame(i)->GetLocalColorMap()->TableBits());
    return bits;
}

int32_t TGifDocument::MaxColorResolution() const {
    return MaxBitsPerPixel() - 1;
}

TGifGlobalColorMap* TGifDocument::GlobalColorMap() const {
    return FHeader->GetGlobalColorMap();
}

TGifColor TGifDocument::ScreenBackgroundColor() const {
    return FHeader->BackgroundColorValue();
}

bool TGifDocument::AnyFrameTransparent() const {
    for (int32_t i = 0; i < FrameCount(); ++i) {
        TGifGraphicControlExtension* gce = Frame(i)->GetControlExtension();
        if (gce && gce->GetTransparentFlag())
            return true;
    }
    return false;
}

void TGifDocument::SetPaintOptions(TGifPaintOptions value) {
    if (value == FPaintOptions)
        return;
    StopPlayback();
    FPaintOptions = value;
    ResetRendering();
    Changed(this);
}

void TGifDocument::SetQuantizeBits(int32_t value) {
    if (value < 3 || value > 8)
        RaiseGifError("Invalid Bits Per Pixel value");
    FQuantizeBits = value;
}

void TGifDocument::DropRendering() {
    FreeScreenBitmap();
    SetPalette(nullptr);
    for (int32_t i = 0; i < FrameCount(); ++i) {
        TGifFrame* frame = Frame(i);
        frame->FreeFrameBitmap();
        frame->ReplaceFramePalette(nullptr);
        // Masks follow the pixels, which the callers of this may have changed.
        frame->FreeMaskHandle();
    }
}

void TGifDocument::ResetRendering() {
    DropRendering();
    if (GlobalColorMap()->GetEntryCount() == 0 && FrameCount() == 1) {
        TGifLocalColorMap* local = Frame(0)->GetLocalColorMap();
        GlobalColorMap()->Assign(local);
        local->RemoveAll();
    }
}

void TGifDocument::Assign(vcl::TPersistent* source) {
    if (source == this)
        return;
    if (!source) {
        Reset();
        return;
    }
    if (auto* other = dynamic_cast<TGifDocument*>(source)) {
        Reset();
        OnProgress = other->OnProgress;
        OnIssue = other->OnIssue;
        try {
            ReportProgress(this, vcl::psStarting, 0, false, "Copying...");
            FHeader->Assign(other->FHeader.get());
            // Whether the picture is drawn transparent is the document's, as a bitmap's copy takes it.
            SetTransparent(other->GetTransparent());
            FPainterPriority = other->FPainterPriority;
            FPlaybackBackground = other->FPlaybackBackground;
            FPaintOptions = other->FPaintOptions;
            FReductionMethod = other->FReductionMethod;
            FDitherMethod = other->FDitherMethod;
            OnPlayStart = other->OnPlayStart;
            OnBeforeFrame = other->OnBeforeFrame;
            OnPlayEnd = other->OnPlayEnd;
            OnAfterFrame = other->OnAfterFrame;
            OnLoopRestart = other->OnLoopRestart;
            int32_t count = other->FrameCount();
            for (int32_t i = 0; i < count; ++i) {
                auto frame = std::make_unique<TGifFrame>(this);
                frame->Assign(other->Frame(i));
                AppendFrame(frame.release());
                ReportProgress(this, vcl::psRunning, uint8_t((i + 1) * 100 / count), false, "Copying...");
            }
            ReportProgress(this, vcl::psEnding, 100, false, "Copying...");
        } catch (...) {
            ReportProgress(this, vcl::psEnding, 0, false, "Copying...");
            OnIssue = nullptr;
            OnProgress = nullptr;
            throw;
        }
        OnIssue = nullptr;
        OnProgress = nullptr;
        return;
    }
    Reset();
    auto frame = std::make_unique<TGifFrame>(this);
    try {
        frame->Assign(source);
    } catch (const vcl::EConvertError&) {
        frame.reset();
        TGraphic::Assign(source);
        return;
    }
    AppendFrame(frame.release());
}

void TGifDocument::AssignTo(vcl::TPersistent* dest) {
    if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(dest)) {
        bitmap->Assign(ScreenBitmap());
        return;
    }
    TGraphic::AssignTo(dest);
}

void TGifDocument::AdoptContent() {
    FHeader->FOwnerImage = this;
    FFrames->FImage = this;
    for (int32_t i = 0; i < FrameCount(); ++i) {
        TGifFrame* frame = Frame(i);
        frame->FOwnerImage = this;
        TGifExtensionList* extensions = frame->GetExtensionList();
        extensions->FImage = this;
        for (int32_t j = 0; j < extensions->ItemCount(); ++j)
            extensions->ItemAt(j)->FOwnerImage = this;
    }
}

void TGifDocument::ExchangeContent(TGifDocument& other) {
    if (&other == this)
        return;
    StopAllPainters();
    other.StopAllPainters();
    // Frame bitmaps and palettes were made with the old owner's tables and settings.
    DropRendering();
    other.DropRendering();
    std::swap(FHeader, other.FHeader);
    std::swap(FFrames, other.FFrames);
    std::swap(FLoadedPixels, other.FLoadedPixels);
    std::swap(FBudgetedPixels, other.FBudgetedPixels);
    AdoptContent();
    other.AdoptContent();
}

void TGifDocument::ReplaceFromStream(vcl::TStream* stream) {
    TGifDocument read;
    read.OnIssue = [this, &read](vcl::TObject* sender, int32_t severity, const std::string& message) {
        ReportIssue(sender == &read ? this : sender, severity, message);
    };
    read.OnProgress = [this, &read](vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percentDone,
                                    bool redrawNow, const vcl::TRect&, const std::string& message) {
        ReportProgress(sender == &read ? this : sender, stage, percentDone, redrawNow, message);
    };
    read.LoadFromStream(stream);
    ExchangeContent(read);
}

void TGifDocument::LoadFromFile(const std::string& fileName) {
    vcl::TMemoryStream stream;
    stream.LoadFromFile(fileName);
    LoadFromStream(&stream);
}

} // namespace gif
