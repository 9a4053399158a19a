// TImageKitProc: attachments, undo and redo, and the colour conversions.
#include "imaging/core/ImageKitProc.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKColorReduce.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKView.h"
#include "imaging/core/ImageKitView.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Streams.h"

#include <algorithm>

namespace imaging {

namespace {

// The picture's bitmap, one a TIKBitmap can wrap. A picture of another kind of graphic is first turned into
// a bitmap of what it shows.
vcl::TBitmap* ProcPictureBitmap(vcl::TImage* image) {
    vcl::TPicture* picture = image->GetPicture();
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

TImageKitProc::TImageKitProc(vcl::TComponent* owner)
    : vcl::TComponent(owner), FPreviewFont(std::make_unique<vcl::TFont>()) {
    UseOwnImage();
}

TImageKitProc::~TImageKitProc() {
    DetachView(true);
    DetachTImage();
    FUndo.clear();
    FRedo.clear();
}

// ---- Attachments ------------------------------------------------------------------------------------------

void TImageKitProc::UseOwnImage() {
    FOwned = std::make_unique<TIKBitmap>();
    FBitmap = FOwned.get();
    FLegacy = nullptr;
}

void TImageKitProc::WrapLegacy(vcl::TBitmap* bitmap) {
    if (!bitmap) {
        UseOwnImage();
        return;
    }
    FOwned = std::make_unique<TIKBitmap>();
    FBitmap = FOwned.get();
    FLegacy = bitmap;
    Sync();
}

void TImageKitProc::DetachView(bool unregister) {
    if (FView) {
        if (unregister && FListener >= 0)
            FView->RemoveChangeListener(FListener);
        RemoveFreeNotification(FView);
    }
    FView = nullptr;
    FListener = -1;
}

void TImageKitProc::DetachTImage() {
    if (FTImage)
        RemoveFreeNotification(FTImage);
    FTImage = nullptr;
}

void TImageKitProc::SetAttachedImageKit(TIKView* view) {
    if (view == FView)
        return;
    DetachView(true);
    if (!view) {
        UseOwnImage();
        return;
    }
    DetachTImage();
    FView = view;
    if (TIKBitmap* image = view->GetIKBitmap()) {
        FOwned.reset();
        FLegacy = nullptr;
        FBitmap = image;
    } else {
        WrapLegacy(view->GetBitmap());
    }
    FreeNotification(view);
    FListener = view->AddChangeListener(
        [this](TIKViewLink* sender, int32_t event) { ViewListener(sender, event); });
}

void TImageKitProc::SetAttachedTImage(vcl::TImage* image) {
    if (image == FTImage)
        return;
    DetachView(true);
    DetachTImage();
    if (!image) {
        UseOwnImage();
        return;
    }
    FTImage = image;
    FreeNotification(image);
    WrapLegacy(ProcPictureBitmap(image));
}

void TImageKitProc::SetAttachedBitmap(vcl::TBitmap* bitmap) {
    if (!bitmap && (FView || FTImage))
        return;
    DetachView(true);
    DetachTImage();
    WrapLegacy(bitmap);
}

void TImageKitProc::ViewListener(TIKViewLink* sender, int32_t event) {
    if (!FView || sender != static_cast<TIKViewLink*>(FView))
        return;
    if (event == ikvcDestroying) {
        // The registration goes with the view; the view is still whole but is not called again.
        FListener = -1;
        DetachView(false);
        UseOwnImage();
        return;
    }
    if (TIKBitmap* image = FView->GetIKBitmap()) {
        FOwned.reset();
        FLegacy = nullptr;
        FBitmap = image;
    } else {
        WrapLegacy(FView->GetBitmap());
    }
}

void TImageKitProc::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove || !component)
        return;
    if (component == FView) {
        // The view may already be partly destroyed: it is only forgotten, never called.
        FView = nullptr;
        FListener = -1;
        UseOwnImage();
    } else if (component == FTImage) {
        FTImage = nullptr;
        UseOwnImage();
    }
}

void TImageKitProc::Sync() {
    if (FTImage)
        FLegacy = ProcPictureBitmap(FTImage);
    if (!FLegacy || !FOwned)
        return;
    // A TIKBitmap wraps only one-bit and 24-bit bitmaps: any other layout becomes 24 bits first.
    if (FLegacy->GetPixelFormat() != vcl::pf1bit && FLegacy->GetPixelFormat() != vcl::pf24bit)
        FLegacy->SetPixelFormat(vcl::pf24bit);
    FOwned->AttachTBitmap(FLegacy, false);
}

TIKBitmap* TImageKitProc::GetIKBitmap() {
    Sync();
    return FBitmap;
}

// ---- Settings ---------------------------------------------------------------------------------------------

int32_t TImageKitProc::GetBackground() const {
    return FView ? FView->GetBackground() : FBackground;
}

void TImageKitProc::SetBackground(int32_t value) {
    if (FView)
        FView->SetBackground(value);
    else
        FBackground = value;
}

void TImageKitProc::SetPreviewFont(vcl::TFont* font) {
    if (font)
        FPreviewFont->Assign(font);
}

void TImageKitProc::SetUndoLimit(int32_t value) {
    FUndoLimit = std::max(value, 1);
}

// ---- Undo and redo ----------------------------------------------------------------------------------------

bool TImageKitProc::MakeEntry(uint8_t kind, TEntry& entry) {
    Sync();
    if (kind == ikukImage) {
        if (!FBitmap || FBitmap->Width() <= 0 || FBitmap->Height() <= 0)
            return false;
        entry.Bitmap = std::make_unique<TIKBitmap>();
        entry.Bitmap->SetStorageKind(FUndoStorage);
        entry.Bitmap->Assign(FBitmap);
        return true;
    }
    if (kind == ikukSelection) {
        auto* view = dynamic_cast<TImageKitView*>(FView);
        if (!view)
            return false;
        entry.Stream = std::make_unique<vcl::TMemoryStream>();
        view->SaveSelectionToStream(entry.Stream.get());
        return true;
    }
    return false;
}

void TImageKitProc::Push(TEntries& list, TEntry entry) {
    while (!list.empty() && int32_t(list.size()) >= FUndoLimit)
        list.erase(list.begin());
    list.push_back(std::move(entry));
    if (&list == &FUndo)
        ++FUndoPushes;
}

void TImageKitProc::SaveUndo(uint8_t kind) {
    TEntry entry;
    if (MakeEntry(kind, entry))
        Push(FUndo, std::move(entry));
}

void TImageKitProc::SaveRedo(uint8_t kind) {
    TEntry entry;
    if (MakeEntry(kind, entry))
        Push(FRedo, std::move(entry));
}

void TImageKitProc::SaveUndoCaptioned(const std::string& caption, uint8_t kind) {
    Sync();
    if (!FBitmap || FBitmap->Width() <= 0 || FBitmap->Height() <= 0)
        return;
    const uint64_t before = FUndoPushes;
    SaveUndo(kind);
    // Only an entry this call made gets the caption.
    if (FUndoPushes != before && !FUndo.empty())
        FUndo.back().Caption = caption;
}

void TImageKitProc::RestoreEntry(TEntries& list, int32_t n) {
    Sync();
    if (n < 0 || n >= int32_t(list.size()))
        return;
    TEntry& entry = list[list.size() - 1 - size_t(n)];
    if (entry.Bitmap) {
        if (!FBitmap)
            return;
        FBitmap->Assign(entry.Bitmap.get());
        NotifyImageChanged();
    } else if (entry.Stream) {
        entry.Stream->SetPosition(0);
        if (auto* view = dynamic_cast<TImageKitView*>(FView))
            view->LoadSelectionFromStream(entry.Stream.get());
    }
}

void TImageKitProc::UndoAt(int32_t n) {
    RestoreEntry(FUndo, n);
}

void TImageKitProc::RedoAt(int32_t n) {
    RestoreEntry(FRedo, n);
}

void TImageKitProc::DiscardLastRedo() {
    if (!FRedo.empty())
        FRedo.pop_back();
}

// ---- Conversions ------------------------------------------------------------------------------------------

bool TImageKitProc::GetSelectionArea(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2,
                                     const win::TPoint*& points, int32_t& count, TIKMask*& mask) {
    Sync();
    x1 = y1 = 0;
    x2 = FBitmap ? FBitmap->Width() : 0;
    y2 = FBitmap ? FBitmap->Height() : 0;
    points = nullptr;
    count = 0;
    mask = nullptr;
    auto* view = dynamic_cast<TImageKitView*>(FView);
    if (!view)
        return false;
    mask = view->GetSelectionMask();
    if (!view->GetSelected())
        return false;
    if (!mask->IsEmpty()) {
        x1 = mask->X1();
        y1 = mask->Y1();
        x2 = mask->X2() + 1;
        y2 = mask->Y2() + 1;
    }
    points = view->PolySelPoints();
    count = view->PolySelCount();
    return true;
}

void TImageKitProc::NotifyImageChanged() {
    if (FView) {
        FView->Update();
        FView->ImageChanged();
    } else if (FLegacy) {
        FLegacy->SetModified(true);
    }
}

TIKBitmap* TImageKitProc::Convertible() {
    Sync();
    if (!FBitmap || FBitmap->PixelFormat() != ikbf24Bit || FBitmap->Width() <= 0 || FBitmap->Height() <= 0)
        return nullptr;
    return FBitmap;
}

void TImageKitProc::ConvertToGray() {
    TIKBitmap* bitmap = Convertible();
    if (!bitmap)
        return;
    if (FAutoUndo)
        SaveUndoCaptioned("ConvertToGray", ikukImage);
    int32_t x1, y1, x2, y2, count;
    const win::TPoint* points;
    TIKMask* mask;
    GetSelectionArea(x1, y1, x2, y2, points, count, mask);
    if (mask && !mask->IsEmpty()) {
        // The box of the selection turns gray in a copy, which goes back through the mask.
        const int32_t w = mask->X2() - mask->X1() + 1, h = mask->Y2() - mask->Y1() + 1;
        TIKBitmap box;
        box.SetStorageKind(ikbsMemory);
        box.Allocate(w, h, ikbf24Bit);
        bitmap->CopyRegionTo(&box, mask->X1(), mask->Y1(), w, h, 0, 0);
        IKConvertRectToGray(&box, 0, 0, w, h, OnProgress, this);
        mask->CopyWithMask(bitmap, &box, false, true);
    } else {
        IKConvertRectToGray(bitmap, x1, y1, x2, y2, OnProgress, this);
    }
    NotifyImageChanged();
}

void TImageKitProc::Reduce(TIKBitmap* bitmap, int32_t nCol, std::span<TIKColorTriple> palette, bool threshold) {
    if (nCol < 3) {
        TIKProgressContext progress;
        progress.OnProgress = OnProgress;
        progress.Sender = this;
        progress.PerRowStep = 100.0 / bitmap->Height();
        if (threshold)
            IKThresholdInPlace(bitmap, IKThresholdAverage, &progress);
        else
            IKDitherToBilevel(bitmap, &progress);
    } else if (nCol <= 1024) {
        IKQuantizeInPlace(bitmap, nCol, palette, this, OnProgress);
    }
}

void TImageKitProc::ConvertTo(int32_t nCol, bool threshold) {
    TIKBitmap* bitmap = Convertible();
    if (!bitmap)
        return;
    if (FAutoUndo)
        SaveUndoCaptioned("ConvertTo " + std::to_string(nCol), ikukImage);
    Reduce(bitmap, nCol, {}, threshold);
    NotifyImageChanged();
}

void TImageKitProc::ConvertToPalette(int32_t nCol, std::span<TIKColorTriple> palette, bool threshold) {
    if (nCol == 0)
        return;
    TIKBitmap* bitmap = Convertible();
    if (!bitmap)
        return;
    if (FAutoUndo)
        SaveUndoCaptioned("ConvertToPalette", ikukImage);
    if (nCol < 3) {
        if (palette.size() > 0)
            palette[0] = TIKColorTriple{0, 0, 0};
        if (palette.size() > 1)
            palette[1] = TIKColorTriple{255, 255, 255};
        Reduce(bitmap, nCol, {}, threshold);
    } else if (nCol <= 1024 && !palette.empty()) {
        // The palette given holds the colours; a smaller one limits how many there are.
        Reduce(bitmap, nCol, palette, threshold);
    } else {
        Reduce(bitmap, nCol, {}, threshold);
    }
    NotifyImageChanged();
}

} // namespace imaging
