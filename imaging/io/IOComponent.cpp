// TImageKitIO: construction, the working image and its attachments (outside images, class-library bitmaps,
// TImage controls and views), settings, the refresh after a load, the resolution adjustment and the
// acquisition hooks. The load and save protocols live in IOComponentLoadSave.cpp, the URL loader in
// IOComponentUrl.cpp and the worker threads in IOThreads.cpp.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKResample.h"
#include "imaging/core/IKWorkBitmaps.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOThreads.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/Thread.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace imaging {

// ---- Scanner settings -------------------------------------------------------------------------------------

TIKTWainParams::TIKTWainParams(vcl::TObject* owner, bool multiPage)
    : AcquireMultiPage(multiPage), FeederEnabled(multiPage), AutoFeed(multiPage), FOwner(owner) {}

// ---- Construction -----------------------------------------------------------------------------------------

TImageKitIO::TImageKitIO(vcl::TComponent* owner)
    : vcl::TComponent(owner), FOwnedBitmap(std::make_unique<TIKBitmap>()),
      FTWainParams(std::make_unique<TIKTWainParams>(this, false)),
      FPreviewFont(std::make_unique<vcl::TFont>()) {
    FBitmap = FOwnedBitmap.get();
    FParams = std::make_unique<TIOParamsVals>(static_cast<TIOParamsOwner*>(this));
}

TImageKitIO::~TImageKitIO() {
    WaitForThreads(false);
    DetachView();
    DetachTImage();
    DetachLegacyOwner();
}

bool TImageKitIO::GetAttachedBitmapSize(int32_t& width, int32_t& height) const {
    if (!FLegacyBitmap)
        return false;
    width = FLegacyBitmap->GetWidth();
    height = FLegacyBitmap->GetHeight();
    return true;
}

bool TImageKitIO::GetAttachedViewDpi(int32_t& dpiX, int32_t& dpiY) const {
    if (!FView)
        return false;
    dpiX = FView->GetDpiX();
    dpiY = FView->GetDpiY();
    return true;
}

// ---- Attachments ------------------------------------------------------------------------------------------

void TImageKitIO::UseOwnImage() {
    FOwnedBitmap = std::make_unique<TIKBitmap>();
    FOwnedBitmap->SetBilevelMethod(FMonoConversion);
    FBitmap = FOwnedBitmap.get();
    FOutsideBitmap = false;
    FLegacyBitmap = nullptr;
}

void TImageKitIO::DetachView() {
    if (FView && FViewListener >= 0)
        FView->RemoveChangeListener(FViewListener);
    if (FViewComponent)
        RemoveFreeNotification(FViewComponent);
    FView = nullptr;
    FViewComponent = nullptr;
    FViewListener = -1;
}

void TImageKitIO::DetachTImage() {
    if (FTImage)
        RemoveFreeNotification(FTImage);
    FTImage = nullptr;
}

void TImageKitIO::DetachLegacyOwner() {
    if (FLegacyOwner && FLegacyOwner != FTImage && FLegacyOwner != FViewComponent)
        RemoveFreeNotification(FLegacyOwner);
    FLegacyOwner = nullptr;
}

void TImageKitIO::WrapLegacy(vcl::TBitmap* bitmap) {
    FOwnedBitmap = std::make_unique<TIKBitmap>();
    FOwnedBitmap->SetBilevelMethod(FMonoConversion);
    FBitmap = FOwnedBitmap.get();
    FOutsideBitmap = false;
    FLegacyBitmap = bitmap;
    RewrapLegacy();
}

namespace {

// The picture's bitmap. A picture holding another kind of graphic (an icon, say) is first turned into a
// bitmap of what it shows, so that taking the bitmap does not throw the picture away.
vcl::TBitmap* IOCompPictureBitmap(vcl::TPicture* picture) {
    vcl::TGraphic* graphic = picture->GetGraphic();
    if (graphic && !dynamic_cast<vcl::TBitmap*>(graphic) && !graphic->GetEmpty()) {
        vcl::TBitmap copy;
        copy.SetPixelFormat(vcl::pf24bit);
        copy.SetSize(graphic->GetWidth(), graphic->GetHeight());
        copy.GetCanvas()->Draw(0, 0, graphic);
        picture->SetGraphic(&copy);
    }
    return picture->GetBitmap();
}

} // namespace

void TImageKitIO::RewrapLegacy() {
    if (FTImage)
        FLegacyBitmap = IOCompPictureBitmap(FTImage->GetPicture());
    else if (FView && !FView->GetIKBitmap())
        FLegacyBitmap = FView->GetBitmap();
    if (!FLegacyBitmap)
        return;
    // The pixel store wraps only one-bit and 24-bit bitmaps; any other layout is converted first.
    if (FLegacyBitmap->GetPixelFormat() != vcl::pf1bit && FLegacyBitmap->GetPixelFormat() != vcl::pf24bit)
        FLegacyBitmap->SetPixelFormat(vcl::pf24bit);
    FBitmap->AttachTBitmap(FLegacyBitmap, false);
}

TIKBitmap* TImageKitIO::GetIKBitmap() {
    if (FTImage || FLegacyBitmap)
        RewrapLegacy();
    return FBitmap;
}

void TImageKitIO::AttachIKBitmap(TIKBitmap* bitmap) {
    if (!bitmap && (FView || FTImage))
        return;
    StopWorkers();
    DetachView();
    DetachTImage();
    DetachLegacyOwner();
    if (!bitmap) {
        UseOwnImage();
        return;
    }
    FOwnedBitmap.reset();
    FLegacyBitmap = nullptr;
    FBitmap = bitmap;
    FOutsideBitmap = true;
}

void TImageKitIO::AttachBitmap(vcl::TBitmap* bitmap, vcl::TComponent* bitmapOwner) {
    if (!bitmap && (FView || FTImage))
        return;
    StopWorkers();
    DetachView();
    DetachTImage();
    DetachLegacyOwner();
    if (!bitmap) {
        UseOwnImage();
        return;
    }
    WrapLegacy(bitmap);
    if (bitmapOwner) {
        FLegacyOwner = bitmapOwner;
        FreeNotification(bitmapOwner);
    }
}

void TImageKitIO::SetAttachedImageKit(TIKViewLink* view) {
    if (view == FView)
        return;
    StopWorkers();
    if (!view) {
        DetachView();
        UseOwnImage();
        return;
    }
    DetachView();
    DetachTImage();
    DetachLegacyOwner();
    FView = view;
    FViewComponent = view->GetViewComponent();
    if (FViewComponent)
        FreeNotification(FViewComponent);
    FViewListener = view->AddChangeListener(
        [this](TIKViewLink* sender, int32_t event) { AttachedViewChanged(sender, event); });
    AttachedViewChanged(view, ikvcImageChanged);
}

void TImageKitIO::SetAttachedTImage(vcl::TImage* image) {
    if (image == FTImage)
        return;
    StopWorkers();
    if (!image) {
        DetachTImage();
        UseOwnImage();
        return;
    }
    DetachView();
    DetachTImage();
    DetachLegacyOwner();
    FTImage = image;
    FreeNotification(image);
    WrapLegacy(IOCompPictureBitmap(image->GetPicture()));
}

void TImageKitIO::AttachedViewChanged(TIKViewLink* sender, int32_t event) {
    if (!FView || sender != FView)
        return;
    if (event == ikvcDestroying) {
        // The registration goes with the view.
        FViewListener = -1;
        ForgetAttachment();
        return;
    }
    if (TIKBitmap* image = FView->GetIKBitmap()) {
        FOwnedBitmap.reset();
        FLegacyBitmap = nullptr;
        FBitmap = image;
    } else {
        WrapLegacy(FView->GetBitmap());
    }
}

void TImageKitIO::ForgetAttachment() {
    // Workers writing into the image that goes away are stopped first.
    StopWorkers();
    if (FViewComponent)
        RemoveFreeNotification(FViewComponent);
    DetachTImage();
    DetachLegacyOwner();
    FView = nullptr;
    FViewComponent = nullptr;
    FViewListener = -1;
    UseOwnImage();
}

void TImageKitIO::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove || !component)
        return;
    if (component == FViewComponent) {
        // The view may already be partly destroyed: it is only forgotten, never called.
        FView = nullptr;
        FViewListener = -1;
        ForgetAttachment();
    } else if (component == FTImage || component == FLegacyOwner) {
        ForgetAttachment();
    }
}

void TImageKitIO::SetViewDpi() {
    OnMainThread([this] {
        if (FView)
            FView->SetDpi(FParams->DpiX, FParams->DpiY);
    });
}

void TImageKitIO::RefreshAttached() {
    const bool worker = IsWorkerThread();
    OnMainThread([this, worker] {
        if (FView) {
            // From a worker the view is told through its window, so that it updates in its own time.
            const win::HWND window = worker ? FView->GetRefreshWindow() : nullptr;
            if (window)
                win::PostMessage(window, IKM_REFRESHVIEW, 0, 0);
            else
                FView->Update();
            FView->ImageChanged();
        } else if (FLegacyBitmap) {
            FLegacyBitmap->SetModified(true);
        }
    });
}

// ---- Settings ---------------------------------------------------------------------------------------------

int32_t TImageKitIO::GetBackground() const {
    return FView ? FView->GetBackground() : FBackground;
}

void TImageKitIO::SetBackground(int32_t value) {
    if (!FView)
        FBackground = value;
}

void TImageKitIO::AssignParams(const TImageKitIO* source) {
    if (source && source != this)
        FParams->Assign(*source->FParams);
}

void TImageKitIO::AssignParams(const TIOParamsVals* source) {
    if (source && source != FParams.get())
        FParams->Assign(*source);
}

void TImageKitIO::SetPreviewFont(vcl::TFont* font) {
    if (font)
        FPreviewFont->Assign(font);
}

void TImageKitIO::SetMonoConversion(uint8_t method) {
    FMonoConversion = method;
    FBitmap->SetBilevelMethod(method);
}

// ---- Resolution -------------------------------------------------------------------------------------------

void TImageKitIO::AdjustDpi() {
    const int32_t dpiX = FParams->DpiX, dpiY = FParams->DpiY;
    if (dpiX == dpiY || dpiX <= 0 || dpiY <= 0)
        return;
    TIKBitmap* image = FBitmap;
    const int32_t w = image->Width(), h = image->Height();
    if (w <= 0 || h <= 0 || image->PixelFormat() == ikbfNone)
        return;
    // The lower resolution is raised along the shorter side.
    int64_t newW = w, newH = h;
    if (h < w)
        newH = int64_t(double(h) / dpiY * dpiX);
    else
        newW = int64_t(double(w) / dpiX * dpiY);
    newW = std::max<int64_t>(newW, 1);
    newH = std::max<int64_t>(newH, 1);
    // A file with a wild resolution ratio must not make the image explode.
    if (newW > INT32_MAX || newH > INT32_MAX || newW * newH > IOMaxImagePixels)
        return;
    if (h < w)
        FParams->DpiY = dpiX;
    else
        FParams->DpiX = dpiY;

    std::unique_ptr<TIKBitmap> alpha;
    if (image->HasAlphaChannel()) {
        alpha = std::make_unique<TIKBitmap>();
        alpha->SetStorageKind(ikbsMemory);
        alpha->CopyImage(image->GetAlphaChannel());
    }
    TIKBitmap resized;
    resized.SetStorageKind(ikbsMemory);
    if (FFilteredAdjustDPI) {
        image->SetPixelFormat(ikbf24Bit);
        resized.Allocate(int32_t(newW), int32_t(newH), ikbf24Bit);
        IKResampleFastLinear(image, &resized, this, nullptr);
    } else {
        resized.Allocate(int32_t(newW), int32_t(newH), image->PixelFormat());
        IKStretchNearest(image, &resized);
    }
    image->CopyImage(&resized);
    if (alpha)
        IKStretchNearest(alpha.get(), image->GetAlphaChannel());
    FParams->Width = int32_t(newW);
    FParams->Height = int32_t(newH);
}

// ---- Acquisition and the parameters dialog ----------------------------------------------------------------

bool TImageKitIO::DoAcquireBitmap(TIKBitmap* bitmap) {
    bool handled = false;
    if (OnAcquireBitmap)
        OnAcquireBitmap(this, bitmap, handled);
    return handled;
}

void TImageKitIO::StoreAcquiredBitmap(TIKBitmap* bitmap, TIOParamsVals& params) {
    if (DoAcquireBitmap(bitmap) || !bitmap)
        return;
    FParams->Assign(params);
    GetIKBitmap()->Assign(bitmap);
    if (FAutoAdjustDPI)
        AdjustDpi();
    RefreshAttached();
}

bool TImageKitIO::DoPreviews(TPreviewParams) {
    bool handled = false;
    if (OnDoPreviews)
        OnDoPreviews(this, handled);
    return handled;
}

namespace {

// The size a metafile of size (w, h) is rendered at for the requested (width, height): -1 keeps the
// metafile's side or follows the other side's ratio; the longer side is cut to 2800. False when no size
// results (the metafile or the request has a side of 0).
bool IOCompMetafileSize(int64_t w, int64_t h, int64_t& width, int64_t& height) {
    if (w <= 0 || h <= 0)
        return false; // checked before any division by the metafile's size
    if (width == -1 && height == -1) {
        width = w;
        height = h;
    } else if (width == -1) {
        width = height * w / h;
    } else if (height == -1) {
        height = width * h / w;
    }
    if (width <= 0 || height <= 0)
        return false;
    constexpr int64_t limit = 2800;
    if (width > limit || height > limit) {
        if (width < height) {
            width = width * limit / height;
            height = limit;
        } else {
            height = height * limit / width;
            width = limit;
        }
    }
    return width > 0 && height > 0;
}

} // namespace

void TImageKitIO::ImportMetafile(const std::string& fileName, int32_t width, int32_t height) {
    if (HandOff(ikjMetafile, [this, fileName, width, height] { ImportMetafile(fileName, width, height); }))
        return;
    FAborting = false;
    // Every road out, refusals included, finishes the work once.
    struct Finish {
        TImageKitIO* Io;
        ~Finish() { Io->FinishWork(); }
    } finish{this};
    if (width == 0 || height == 0 || !FBitmap)
        return;
    RewrapLegacy();
    FParams->ClearAll();
    vcl::TMetafile metafile;
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        metafile.LoadFromStream(&file);
    } catch (const vcl::Exception&) {
        FAborting = true; // no file, or no metafile in it
        return;
    }
    int64_t w = width, h = height;
    if (!IOCompMetafileSize(metafile.GetWidth(), metafile.GetHeight(), w, h)) {
        FAborting = true;
        return;
    }
    // The whole picture, stretched to the final size, on the background colour.
    TIKDibbitmap dib;
    dib.AllocateBits(int32_t(w), int32_t(h), 24);
    if (!dib.GetDC()) {
        FAborting = true;
        return;
    }
    win::HBRUSH background = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(GetBackground())));
    const win::RECT all{0, 0, int32_t(w), int32_t(h)};
    win::FillRect(dib.GetDC(), &all, background);
    win::DeleteObject(background);
    win::PlayEnhMetaFile(dib.GetDC(), metafile.GetHandle(), &all);
    FParams->FileName = fileName;
    FParams->FileType = metafile.GetEnhanced() ? 10 : 9;
    FParams->BitsPerSample = 8;
    FParams->SamplesPerPixel = 3;
    FParams->Width = int32_t(w);
    FParams->Height = int32_t(h);
    FParams->DpiX = IKDefaultDpiX;
    FParams->DpiY = IKDefaultDpiY;
    FParams->FreeColorMap();
    SetViewDpi();
    TIKBitmap* image = GetIKBitmap();
    image->AssignDibbitmap(&dib);
    image->RemoveAlphaChannel();
    RefreshAttached();
}

int32_t TImageKitIO::FormatIdOfExtension(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == fileName.size())
        return 0;
    const TIKFormatEntry* entry = FindFormatEntryByExtension(fileName.substr(dot + 1));
    return entry ? entry->FormatId : 0;
}

} // namespace imaging
