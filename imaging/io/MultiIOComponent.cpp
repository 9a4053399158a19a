#include "imaging/io/MultiIOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKResample.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace imaging {

// ---- TImageKitMIO ----------------------------------------------------------------------------------------

TImageKitMIO::TImageKitMIO(vcl::TComponent* owner)
    : vcl::TComponent(owner), FTWainParams(std::make_unique<TIKTWainParams>(this, true)),
      FPreviewFont(std::make_unique<vcl::TFont>()) {}

TImageKitMIO::~TImageKitMIO() {
    DetachListener();
}

void TImageKitMIO::DetachListener() {
    if (FAttachedMView && FListenerHandle >= 0)
        FAttachedMView->RemoveChangeListener(FListenerHandle);
    FListenerHandle = -1;
    if (FAttachedComponent)
        RemoveFreeNotification(FAttachedComponent);
    FAttachedMView = nullptr;
    FAttachedComponent = nullptr;
}

void TImageKitMIO::SetAttachedMView(TIKMultiViewLink* view) {
    DetachListener();
    if (!view)
        return;
    FAttachedMView = view;
    FAttachedComponent = view->GetViewComponent();
    if (FAttachedComponent)
        FreeNotification(FAttachedComponent);
    FListenerHandle = view->AddChangeListener([this](TIKViewLink*, int32_t event) { MViewChanged(event); });
    const int32_t count = view->GetImageCount();
    while (ParamsCount() < count)
        InsertParams(ParamsCount());
}

void TImageKitMIO::MViewChanged(int32_t event) {
    if (!FAttachedMView)
        return;
    if (event == ikvcDestroying) {
        // The view is going away and has dropped our registration itself; its component is still whole.
        FListenerHandle = -1;
        FAttachedMView = nullptr;
        if (FAttachedComponent)
            RemoveFreeNotification(FAttachedComponent);
        FAttachedComponent = nullptr;
        return;
    }
    if (event != ikvcImageChanged)
        return;
    const int32_t change = FAttachedMView->TakeLastChange();
    const int32_t index = FAttachedMView->GetLastChangeIndex();
    if (change == TIKMultiViewLink::lcInsert)
        InsertParams(index);
    else if (change == TIKMultiViewLink::lcDelete)
        DeleteParams(index);
}

void TImageKitMIO::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove || !component || component != FAttachedComponent)
        return;
    // A view that is being destroyed drops its listeners itself and may be half gone: do not call it.
    // One that only leaves its owner is whole and still holds our listener.
    if (FAttachedMView && FListenerHandle >= 0 && !component->GetComponentState().Contains(vcl::csDestroying))
        FAttachedMView->RemoveChangeListener(FListenerHandle);
    FListenerHandle = -1;
    FAttachedMView = nullptr;
    FAttachedComponent = nullptr;
}

TIOParamsVals* TImageKitMIO::ParamsOfImage(int32_t index) const {
    if (index < 0 || index >= ParamsCount())
        return nullptr;
    return FParamsList[size_t(index)].get();
}

void TImageKitMIO::InsertParams(int32_t index) {
    if (index < 0)
        throw vcl::EListError(vcl::Format("Parameter record index out of bounds (%d)", index));
    auto record = std::make_unique<TIOParamsVals>(nullptr);
    const int32_t count = ParamsCount();
    if (count > 0)
        record->Assign(*FParamsList[size_t(std::min(index, count - 1))]);
    if (index >= count)
        FParamsList.push_back(std::move(record));
    else
        FParamsList.insert(FParamsList.begin() + index, std::move(record));
    Renumber();
}

void TImageKitMIO::DeleteParams(int32_t index) {
    if (index < 0 || index >= ParamsCount())
        throw vcl::EListError(vcl::Format("Parameter record index out of bounds (%d)", index));
    FParamsList.erase(FParamsList.begin() + index);
    Renumber();
}

void TImageKitMIO::Renumber() {
    for (size_t i = 0; i < FParamsList.size(); ++i) {
        FParamsList[i]->TiffImageIndex = int32_t(i);
        FParamsList[i]->GifImageIndex = int32_t(i);
    }
}

void TImageKitMIO::SetPreviewFont(vcl::TFont* font) {
    if (font)
        FPreviewFont->Assign(font);
}

bool TImageKitMIO::StoreAcquiredBitmap(TIKBitmap* bitmap, TIOParamsVals*& params) {
    if (!bitmap)
        return false;
    bool handled = false;
    if (OnAcquireBitmap)
        OnAcquireBitmap(this, bitmap, handled);
    if (handled || !FAttachedMView)
        return false;
    // Images deleted since the last acquisition may have left the position past the end.
    const int32_t index = std::min(FAcquireCount, FAttachedMView->GetImageCount());
    FAttachedMView->InsertImage(index);
    // The view's change listener has made the record; a view that did not notify gets one here.
    if (ParamsCount() < FAttachedMView->GetImageCount())
        InsertParams(index);
    params = ParamsOfImage(index);
    std::unique_ptr<TIKBitmap> equalized;
    if (FAutoAdjustDPI && params)
        equalized = EqualizeBitmapDpi(bitmap, *params, FFilteredAdjustDPI);
    FAttachedMView->SetImageBitmap(index, equalized ? equalized.get() : bitmap);
    FAttachedMView->SetImageDelay(index, 100);
    FAcquireCount = index + 1;
    return true;
}

// ---- Resolution equalisation -----------------------------------------------------------------------------

std::unique_ptr<TIKBitmap> EqualizeBitmapDpi(TIKBitmap* bitmap, TIOParamsVals& params, bool filtered) {
    if (!bitmap || params.DpiX == params.DpiY || params.DpiX <= 0 || params.DpiY <= 0)
        return nullptr;
    // The bitmap's own size: the record may still describe the image it was copied from.
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    if (w <= 0 || h <= 0 || bitmap->PixelFormat() == ikbfNone)
        return nullptr;
    double newW = w, newH = h;
    if (h < w)
        newH = std::trunc(double(h) / params.DpiY * params.DpiX);
    else
        newW = std::trunc(double(w) / params.DpiX * params.DpiY);
    // A side never shrinks to nothing; a size beyond what the readers accept is refused before allocating.
    newW = std::max(newW, 1.0);
    newH = std::max(newH, 1.0);
    if (newW > INT32_MAX || newH > INT32_MAX || newW * newH > double(IOMaxImagePixels))
        throw vcl::EInvalidGraphic(vcl::Format("Image of %.0f x %.0f pixels is too large", newW, newH));
    if (h < w)
        params.DpiY = params.DpiX;
    else
        params.DpiX = params.DpiY;
    params.Width = int32_t(newW);
    params.Height = int32_t(newH);

    auto result = std::make_unique<TIKBitmap>();
    if (filtered) {
        if (bitmap->PixelFormat() != ikbf24Bit)
            bitmap->SetPixelFormat(ikbf24Bit);
        result->Allocate(params.Width, params.Height, ikbf24Bit);
        IKResampleBitmap(bitmap, result.get(), rfFastLinear, nullptr, nullptr);
    } else {
        result->Allocate(params.Width, params.Height, bitmap->PixelFormat());
        IKStretchNearest(bitmap, result.get());
    }
    return result;
}

} // namespace imaging
