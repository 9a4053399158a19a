// TImageKitMIO: the multi-image I/O component. It keeps one parameter record for every image of the
// multi-image view it follows, inserting and deleting records in step with the view's images, so that the
// options set for one image (a JPEG quality, a TIFF compression) stay with it. It also stores acquired
// bitmaps into the view as new images.
#pragma once

#include "imaging/core/IKCaptions.h"
#include "imaging/io/IOComponent.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TFont;
}

namespace imaging {

class TIKBitmap;

// What the multi-image component needs of a multi-image view, beyond what every view offers: its image list.
// The view notifies its change listeners with ikvcImageChanged after every insert and delete, and
// TakeLastChange then tells which it was. The view link is a virtual base, so that a view control that is
// already a TIKViewLink through its base class can be a multi-image view link too.
class TIKMultiViewLink : public virtual TIKViewLink {
public:
    // Kinds of list change reported by TakeLastChange.
    enum : int32_t { lcNone = 0, lcInsert = 1, lcDelete = 2 };

    virtual int32_t GetImageCount() const = 0;
    // The kind of the last list change, reset to lcNone by reading it, and the index it happened at.
    virtual int32_t TakeLastChange() = 0;
    virtual int32_t GetLastChangeIndex() const = 0;
    // Inserts an empty image at index (0..count), notifying the listeners.
    virtual void InsertImage(int32_t index) = 0;
    // Stores a copy of bitmap as the image at index.
    virtual void SetImageBitmap(int32_t index, TIKBitmap* bitmap) = 0;
    // How long the image stays on screen when the view plays its images, in milliseconds.
    virtual void SetImageDelay(int32_t index, int32_t milliseconds) = 0;
};

class TImageKitMIO : public vcl::TComponent {
public:
    explicit TImageKitMIO(vcl::TComponent* owner = nullptr);
    ~TImageKitMIO() override;

    TIKMultiViewLink* GetAttachedMView() const { return FAttachedMView; }
    // Follows view (null detaches; the records stay). Records are appended until there is one for each of
    // the view's images; surplus records are kept.
    void SetAttachedMView(TIKMultiViewLink* view);

    // The record of image index, or null when there is none.
    TIOParamsVals* ParamsOfImage(int32_t index) const;
    int32_t ParamsCount() const { return int32_t(FParamsList.size()); }
    // Inserts a copy of the record at index (of the last one when index is the count; defaults when the
    // list is empty), appending when index is the count or more. EListError for a negative index.
    void InsertParams(int32_t index);
    // EListError when index names no record.
    void DeleteParams(int32_t index);

    TIKTWainParams& GetTWainParams() { return *FTWainParams; }
    TIOPreviewsParams GetPreviewsParams() const { return FPreviewsParams; }
    void SetPreviewsParams(TIOPreviewsParams value) { FPreviewsParams = value; }
    vcl::TFont* GetPreviewFont() const { return FPreviewFont.get(); }
    // Copies the font's properties into the component's own font.
    void SetPreviewFont(vcl::TFont* font);
    TMsgLanguage GetMsgLanguage() const { return FMsgLanguage; }
    void SetMsgLanguage(TMsgLanguage value) { FMsgLanguage = value; }
    bool GetSimplifiedParamsDialogs() const { return FSimplifiedParamsDialogs; }
    void SetSimplifiedParamsDialogs(bool value) { FSimplifiedParamsDialogs = value; }
    bool GetAutoAdjustDPI() const { return FAutoAdjustDPI; }
    void SetAutoAdjustDPI(bool value) { FAutoAdjustDPI = value; }
    bool GetFilteredAdjustDPI() const { return FFilteredAdjustDPI; }
    void SetFilteredAdjustDPI(bool value) { FFilteredAdjustDPI = value; }
    int32_t GetAcquireCount() const { return FAcquireCount; }

    TIKProgressEvent OnProgress;
    TIKAcquireBitmapEvent OnAcquireBitmap;

    // Stores bitmap as a new image of the view at the acquisition position and points params at its
    // record. False (params untouched) when a handler took the bitmap, no view is attached or bitmap is
    // null.
    virtual bool StoreAcquiredBitmap(TIKBitmap* bitmap, TIOParamsVals*& params);
    // Resets the acquisition state; the acquisition position stays.
    virtual void ResetAcquireState() { FAcquireState = 0; }

protected:
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

private:
    void MViewChanged(int32_t event);
    void Renumber();
    void DetachListener();

    TIKMultiViewLink* FAttachedMView = nullptr;
    // The view's component as it was when attached. A free notification is matched against it by address
    // alone: it may arrive when the view is already half destroyed.
    vcl::TComponent* FAttachedComponent = nullptr;
    intptr_t FListenerHandle = -1;
    std::vector<std::unique_ptr<TIOParamsVals>> FParamsList;
    std::unique_ptr<TIKTWainParams> FTWainParams;
    TIOPreviewsParams FPreviewsParams;
    std::unique_ptr<vcl::TFont> FPreviewFont;
    TMsgLanguage FMsgLanguage = msSystem;
    bool FSimplifiedParamsDialogs = true;
    bool FAutoAdjustDPI = false;
    bool FFilteredAdjustDPI = false;
    int32_t FAcquireCount = 0;
    int32_t FAcquireState = 0;
};

// Resamples bitmap so that its horizontal and vertical resolutions (params.DpiX, params.DpiY) agree: the
// longer side keeps its pixels and the shorter one is stretched or shrunk; params gets the new size and
// resolution. Filtered converts bitmap to 24 bits in place and resamples linearly; otherwise the pixels
// are stretched by nearest neighbour in bitmap's own format. The alpha channel is not carried over. Null
// when nothing needs to change (equal resolutions, an unknown one or an empty bitmap); EInvalidGraphic
// when the result would be too large.
std::unique_ptr<TIKBitmap> EqualizeBitmapDpi(TIKBitmap* bitmap, TIOParamsVals& params, bool filtered);

} // namespace imaging
