// TImageKitIO: the component that reads and writes image files for one working image. The working image is
// its own, an outside TIKBitmap, a class-library TBitmap, the picture of a TImage or the image of an attached
// view. It loads and saves by file name extension, by format id, per format and from streams (with content
// detection and optional 12-byte block headers), reads a file's parameters without touching the image, and
// fetches images over HTTP. Failure is reported through Aborting, which describes the last operation only;
// OnFinishWork fires at the end of every load and save. In asynchronous mode each operation runs on a worker
// thread of its own (IOThreads.h) and the caller returns at once.
#pragma once

#include "imaging/core/IKCaptions.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vcl {
class TStream;
class TBitmap;
class TFont;
class TImage;
class TForm;
} // namespace vcl

namespace imaging {

class TIKBitmap;
class TIKMask;
class TIKIOThread;

// ---- Attached views ---------------------------------------------------------------------------------------

// The change events a view sends its listeners.
enum : int32_t { ikvcImageChanged = 0, ikvcDestroying = 1 };

// The message a worker posts to the attached view's window after loading into the view's image; the view
// answers it with Update on its own thread.
constexpr uint32_t IKM_REFRESHVIEW = 8024; // WM_USER + 7000

// What the I/O component needs of an image view it is attached to. The library's views implement it; the
// component registers a change listener and follows the view through it. A view sends ikvcDestroying while
// it and its image are still whole (from BeforeDestruction): the component then stops any worker that
// writes into that image before it lets go.
class TIKViewLink {
public:
    // event is ikvcImageChanged or ikvcDestroying; after ikvcDestroying the registration is gone.
    using TChangeListener = std::function<void(TIKViewLink* sender, int32_t event)>;

    virtual ~TIKViewLink() = default;
    // The component behind the view, for free notifications.
    virtual vcl::TComponent* GetViewComponent() = 0;
    // The view's class-library bitmap and its pixel store; either may be null.
    virtual vcl::TBitmap* GetBitmap() = 0;
    virtual TIKBitmap* GetIKBitmap() = 0;
    virtual int32_t GetDpiX() const = 0;
    virtual int32_t GetDpiY() const = 0;
    // A 0 leaves that direction as it was.
    virtual void SetDpi(int32_t dpiX, int32_t dpiY) = 0;
    virtual int32_t GetBackground() const = 0;
    virtual void ImageChanged() = 0;
    virtual void Update() = 0;
    // The window that answers IKM_REFRESHVIEW; null when the view has none (workers then synchronise).
    virtual win::HWND GetRefreshWindow() = 0;
    // The handle identifies the registration.
    virtual intptr_t AddChangeListener(TChangeListener listener) = 0;
    // Unknown and negative handles are ignored.
    virtual void RemoveChangeListener(intptr_t handle) = 0;
};

// ---- Scanner settings -------------------------------------------------------------------------------------

// Acquisition settings every I/O component owns. No scanner is reachable: they are kept as data only, and
// nothing here opens a source.
class TIKTWainParams {
public:
    explicit TIKTWainParams(vcl::TObject* owner, bool multiPage = false);

    vcl::TObject* GetOwner() const { return FOwner; }

    // Capability values offered by a source.
    std::vector<double> XResolution, YResolution, XScaling, YScaling, Brightness, Contrast;
    std::vector<int32_t> PixelType, BitDepth, Orientation;
    std::vector<std::vector<uint8_t>> CapabilityBuffers;
    double Gamma = 2.2;
    int32_t Threshold = 128;
    std::string SelectedSource, ProductName, Manufacturer, ProductFamily;
    // True exactly for the settings of a multi-image component.
    bool AcquireMultiPage = false;
    bool FeederEnabled = false;
    bool AutoFeed = false;

private:
    vcl::TObject* FOwner;
};

// ---- The component ----------------------------------------------------------------------------------------

enum TIOPreviewsParam : uint8_t { ioppDefaultLockPreview, ioppApplyButton };
using TIOPreviewsParams = vcl::TSet<TIOPreviewsParam>;
enum TIKDialogsMeasureUnit : uint8_t { ikduInches, ikduCm, ikduSelectableDefInches, ikduSelectableDefCm };

// Pages of the parameters dialog, one bit per format page.
using TPreviewParams = uint16_t;

using TIKAcquireBitmapEvent = std::function<void(vcl::TObject* sender, TIKBitmap* bitmap, bool& handled)>;
using TIKIOPreviewEvent = std::function<void(vcl::TObject* sender, vcl::TForm* previewForm)>;
using TIKDoPreviewsEvent = std::function<void(vcl::TObject* sender, bool& handled)>;

class TImageKitIO : public vcl::TComponent, private TIOParamsOwner {
public:
    explicit TImageKitIO(vcl::TComponent* owner = nullptr);
    // Waits for the component's workers first.
    ~TImageKitIO() override;

    // ---- Working image and attachments ----
    // The image every operation reads or writes. With a TImage or a class-library bitmap attached, it wraps
    // that bitmap afresh on each call, so a picture replaced since is seen.
    TIKBitmap* GetIKBitmap();
    // Makes bitmap the working image (not owned; the caller keeps it alive while attached). nullptr gives
    // the component a new empty image of its own and leaves the former one as it was.
    void AttachIKBitmap(TIKBitmap* bitmap);
    // Makes a class-library bitmap the working image. When bitmapOwner is given, the component forgets the
    // bitmap as soon as that component is destroyed; otherwise the caller keeps the bitmap alive while it is
    // attached. nullptr detaches the bitmap, unless a view or TImage is attached (then nothing happens).
    void AttachBitmap(vcl::TBitmap* bitmap, vcl::TComponent* bitmapOwner = nullptr);
    vcl::TBitmap* GetAttachedBitmap() const { return FLegacyBitmap; }
    TIKViewLink* GetAttachedImageKit() const { return FView; }
    // Attaches a view (its image becomes the working image); nullptr detaches it, leaving its image as it
    // was and giving the component a new empty image of its own. A destroyed view is forgotten.
    void SetAttachedImageKit(TIKViewLink* view);
    vcl::TImage* GetAttachedTImage() const { return FTImage; }
    // Attaches a TImage (the picture's bitmap becomes the working image); nullptr detaches it as above. A
    // destroyed TImage is forgotten.
    void SetAttachedTImage(vcl::TImage* image);
    // True while the working image is the component's own (no attachment of any kind).
    bool GetOwnsWorkingImage() const {
        return FView == nullptr && FTImage == nullptr && !FLegacyBitmap && !FOutsideBitmap;
    }

    // ---- Parameters and settings ----
    TIOParamsVals& GetParams() { return *FParams; }
    // Copies the parameters of another component or record (nothing for null).
    void AssignParams(const TImageKitIO* source);
    void AssignParams(const TIOParamsVals* source);
    TIKTWainParams& GetTWainParams() { return *FTWainParams; }
    bool GetAborting() const { return FAborting.load(); }
    void SetAborting(bool value) { FAborting.store(value); }
    bool GetAsynchronous() const { return FAsynchronous; }
    void SetAsynchronous(bool value) { FAsynchronous = value; }
    bool GetStreamHeaders() const { return FStreamHeaders; }
    void SetStreamHeaders(bool value) { FStreamHeaders = value; }
    // With a view attached, the view's background (writing changes nothing); else the component's own.
    int32_t GetBackground() const;
    void SetBackground(int32_t value);
    bool GetAutoAdjustDPI() const { return FAutoAdjustDPI; }
    void SetAutoAdjustDPI(bool value) { FAutoAdjustDPI = value; }
    bool GetFilteredAdjustDPI() const { return FFilteredAdjustDPI; }
    void SetFilteredAdjustDPI(bool value) { FFilteredAdjustDPI = value; }
    TIOPreviewsParams GetPreviewsParams() const { return FPreviewsParams; }
    void SetPreviewsParams(TIOPreviewsParams value) { FPreviewsParams = value; }
    vcl::TFont* GetPreviewFont() const { return FPreviewFont.get(); }
    void SetPreviewFont(vcl::TFont* font);
    bool GetSimplifiedParamsDialogs() const { return FSimplifiedParamsDialogs; }
    void SetSimplifiedParamsDialogs(bool value) { FSimplifiedParamsDialogs = value; }
    TMsgLanguage GetMsgLanguage() const { return FMsgLanguage; }
    void SetMsgLanguage(TMsgLanguage value) { FMsgLanguage = value; }
    TIKDialogsMeasureUnit GetDialogsMeasureUnit() const { return FDialogsMeasureUnit; }
    void SetDialogsMeasureUnit(TIKDialogsMeasureUnit value) { FDialogsMeasureUnit = value; }
    // How images are brought to one bit: 0 ordered dither, 1 threshold. Goes to the working image too.
    uint8_t GetMonoConversion() const { return FMonoConversion; }
    void SetMonoConversion(uint8_t method);
    int32_t GetAcquireCount() const { return FAcquireCount; }

    std::string ProxyAddress; // "host:port"; empty for a direct connection
    std::string ProxyUser;
    std::string ProxyPassword;
    TIKProgressEvent OnProgress;
    vcl::TNotifyEvent OnFinishWork;
    TIKAcquireBitmapEvent OnAcquireBitmap;
    TIKIOPreviewEvent OnIOPreview;
    TIKDoPreviewsEvent OnDoPreviews;

    // OnProgress(this, 100), then OnFinishWork(this), each when assigned. On a worker thread both reach
    // the main thread through Synchronize.
    virtual void DoFinishWork();
    // Hands out an acquired image: OnAcquireBitmap first; unless a handler took it, params are copied, the
    // bitmap becomes the working image (AdjustDpi under AutoAdjustDPI) and the attachment is refreshed.
    virtual void StoreAcquiredBitmap(TIKBitmap* bitmap, TIOParamsVals& params);
    virtual void ResetAcquireCount() { FAcquireCount = 0; }
    // The parameters dialog: true when an OnDoPreviews handler handled it. The dialog itself is not
    // available here, so without a handler the result is false and nothing is shown.
    virtual bool DoPreviews(TPreviewParams pages);
    bool DoAcquireBitmap(TIKBitmap* bitmap);

    // ---- Loading and saving by name, id and content ----
    virtual void LoadFromFileByExtension(const std::string& fileName);
    // Saves never leave a partial file behind: the target is replaced only by a complete new one.
    virtual void SaveToFileByExtension(const std::string& fileName);
    virtual void LoadFromFileOfFormat(const std::string& fileName, int32_t formatId);
    // Parameters-only reads: they never raise and never run on a worker; a file or stream that cannot be
    // read gives FileType 0.
    virtual void ReadParamsFromFile(const std::string& fileName);
    virtual void ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId);
    virtual void ReadParamsFromStream(vcl::TStream* stream);
    virtual void ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId);
    virtual void LoadFromStreamDetected(vcl::TStream* stream);
    virtual void LoadFromStreamOfFormat(vcl::TStream* stream, int32_t formatId);
    virtual void SaveToStreamOfFormat(vcl::TStream* stream, int32_t formatId);

    // ---- One road for every format (IOComponentLoadSave.cpp) ----
    // Loads and saves a format of the registry, built-in or added, by its id: the entry's reader or writer
    // under the component's protocol, with its block header on streams. Loads return the image or page
    // count of the formats that count them (else 0), -1 when handed to a worker.
    int32_t LoadFormat(int32_t formatId, const std::string& fileName);
    int32_t LoadFormat(int32_t formatId, vcl::TStream* stream);
    void SaveFormat(int32_t formatId, const std::string& fileName);
    void SaveFormat(int32_t formatId, vcl::TStream* stream);

    // ---- Per-format loads and saves ----
    // GIF and TIFF loads return the image or page count, -1 when handed to a worker.
    int32_t LoadFromTiffFile(const std::string& fileName) { return LoadFormat(ikfTiff, fileName); }
    int32_t LoadFromTiffStream(vcl::TStream* stream) { return LoadFormat(ikfTiff, stream); }
    int32_t LoadFromGifFile(const std::string& fileName) { return LoadFormat(ikfGif, fileName); }
    int32_t LoadFromGifStream(vcl::TStream* stream) { return LoadFormat(ikfGif, stream); }
    void LoadFromJpegFile(const std::string& fileName) { LoadFormat(ikfJpeg, fileName); }
    void LoadFromJpegStream(vcl::TStream* stream) { LoadFormat(ikfJpeg, stream); }
    void LoadFromPcxFile(const std::string& fileName) { LoadFormat(ikfPcx, fileName); }
    void LoadFromPcxStream(vcl::TStream* stream) { LoadFormat(ikfPcx, stream); }
    void LoadFromBmpFile(const std::string& fileName) { LoadFormat(ikfBmp, fileName); }
    void LoadFromBmpStream(vcl::TStream* stream) { LoadFormat(ikfBmp, stream); }
    void LoadFromIcoFile(const std::string& fileName) { LoadFormat(ikfIco, fileName); }
    void LoadFromIcoStream(vcl::TStream* stream) { LoadFormat(ikfIco, stream); }
    void LoadFromCurFile(const std::string& fileName) { LoadFormat(ikfCur, fileName); }
    void LoadFromCurStream(vcl::TStream* stream) { LoadFormat(ikfCur, stream); }
    void LoadFromPngFile(const std::string& fileName) { LoadFormat(ikfPng, fileName); }
    void LoadFromPngStream(vcl::TStream* stream) { LoadFormat(ikfPng, stream); }
    void LoadFromTgaFile(const std::string& fileName) { LoadFormat(ikfTga, fileName); }
    void LoadFromTgaStream(vcl::TStream* stream) { LoadFormat(ikfTga, stream); }
    void LoadFromPnmFile(const std::string& fileName) { LoadFormat(ikfPnm, fileName); }
    void LoadFromPnmStream(vcl::TStream* stream) { LoadFormat(ikfPnm, stream); }
    void LoadFromJp2File(const std::string& fileName) { LoadFormat(ikfJp2, fileName); }
    void LoadFromJp2Stream(vcl::TStream* stream) { LoadFormat(ikfJp2, stream); }
    void LoadFromJ2kFile(const std::string& fileName) { LoadFormat(ikfJ2k, fileName); }
    void LoadFromJ2kStream(vcl::TStream* stream) { LoadFormat(ikfJ2k, stream); }
    void SaveToTiffFile(const std::string& fileName) { SaveFormat(ikfTiff, fileName); }
    void SaveToTiffStream(vcl::TStream* stream) { SaveFormat(ikfTiff, stream); }
    void SaveToGifFile(const std::string& fileName) { SaveFormat(ikfGif, fileName); }
    void SaveToGifStream(vcl::TStream* stream) { SaveFormat(ikfGif, stream); }
    void SaveToJpegFile(const std::string& fileName) { SaveFormat(ikfJpeg, fileName); }
    void SaveToJpegStream(vcl::TStream* stream) { SaveFormat(ikfJpeg, stream); }
    void SaveToPcxFile(const std::string& fileName) { SaveFormat(ikfPcx, fileName); }
    void SaveToPcxStream(vcl::TStream* stream) { SaveFormat(ikfPcx, stream); }
    void SaveToBmpFile(const std::string& fileName) { SaveFormat(ikfBmp, fileName); }
    void SaveToBmpStream(vcl::TStream* stream) { SaveFormat(ikfBmp, stream); }
    void SaveToPngFile(const std::string& fileName) { SaveFormat(ikfPng, fileName); }
    void SaveToPngStream(vcl::TStream* stream) { SaveFormat(ikfPng, stream); }
    void SaveToTgaFile(const std::string& fileName) { SaveFormat(ikfTga, fileName); }
    void SaveToTgaStream(vcl::TStream* stream) { SaveFormat(ikfTga, stream); }
    void SaveToPnmFile(const std::string& fileName) { SaveFormat(ikfPnm, fileName); }
    void SaveToPnmStream(vcl::TStream* stream) { SaveFormat(ikfPnm, stream); }
    void SaveToJp2File(const std::string& fileName) { SaveFormat(ikfJp2, fileName); }
    void SaveToJp2Stream(vcl::TStream* stream) { SaveFormat(ikfJp2, stream); }
    void SaveToJ2kFile(const std::string& fileName) { SaveFormat(ikfJ2k, fileName); }
    void SaveToJ2kStream(vcl::TStream* stream) { SaveFormat(ikfJ2k, stream); }

    // Windows metafiles cannot be rendered yet: the import sets Aborting and finishes.
    void ImportMetafile(const std::string& fileName, int32_t width, int32_t height);
    // One HTTP GET of an "http://" URL; the body is loaded with format detection. A transport failure or
    // a status outside 2xx sets Aborting and leaves the image as it was.
    void LoadFromUrl(const std::string& url);

    // ---- Resolution, refresh, workers ----
    // Resamples the working image so that horizontal and vertical resolution agree (the lower resolution
    // is raised to the higher one along the shorter side); nothing when they agree or either is not set.
    void AdjustDpi();
    // Shows the result of a load: the view updates (from a worker through its window or the main thread),
    // a TImage or class-library bitmap hears that its picture changed.
    void RefreshAttached();
    // True when the calling thread is one of this component's workers.
    bool IsWorkerThread() const;
    // Returns when no worker of the component is left; with abort the running ones are asked to stop
    // through Aborting. On the main thread it serves the workers' synchronised calls while it waits.
    void WaitForThreads(bool abort);

    // The format id a file name extension selects ("name.JPG" gives JPEG), 0 when none.
    static int32_t FormatIdOfExtension(const std::string& fileName);

    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

private:
    friend class TIKIOThread;
    using TIOSaveBody = std::function<void(vcl::TStream* stream, TIKProgressContext& progress)>;

    bool GetAttachedBitmapSize(int32_t& width, int32_t& height) const override;
    bool GetAttachedViewDpi(int32_t& dpiX, int32_t& dpiY) const override;

    // Attachments (IOComponent.cpp).
    void DetachView();
    void DetachTImage();
    void DetachLegacyOwner();
    // Gives the component a new empty image of its own; the former working image stays as it was.
    void UseOwnImage();
    // Forgets an attachment whose view, TImage or bitmap owner is going away.
    void ForgetAttachment();
    void WrapLegacy(vcl::TBitmap* bitmap);
    // Wraps the attached TImage's or class-library bitmap again, so that changes made to it are seen.
    void RewrapLegacy();
    void AttachedViewChanged(TIKViewLink* sender, int32_t event);
    void SetViewDpi();

    // Protocol pieces (IOComponentLoadSave.cpp).
    TIKProgressContext MakeProgress();
    void FinishWork();
    // Hands the operation to a new worker when the asynchronous mode applies; true when it did.
    bool HandOff(int32_t kind, std::function<void()> job);
    // The end of a load that found no reader for its format: the parameters lose the former file's, Aborting.
    void FailWithoutReader();
    // The block header a stream load of the format starts with, when it takes one: sets the data length and
    // end (where the block ends); false when the load must end here.
    bool ReadBlockHeader(const TIKFormatEntry& entry, TIKFormatReadArgs& args, int64_t& end);
    // A load from the point where the source is open; the image or page count.
    int32_t LoadBody(const TIKFormatEntry& entry, vcl::TStream* stream, TIKReadOrigin origin,
                     const std::string& fileName);
    bool PrepareSave();
    void SaveFileCore(const std::string& fileName, const TIOSaveBody& body);
    void SaveStreamCore(vcl::TStream* stream, const char* headerTag, bool patchOnFailure,
                        const TIOSaveBody& body);
    void ReadParamsCore(vcl::TStream* stream, int32_t formatId, TIKReadOrigin origin);

    // The working image: FBitmap points at FOwnedBitmap, at an outside TIKBitmap or at the view's image.
    TIKBitmap* FBitmap = nullptr;
    std::unique_ptr<TIKBitmap> FOwnedBitmap;
    bool FOutsideBitmap = false;
    vcl::TBitmap* FLegacyBitmap = nullptr;   // the class-library bitmap behind the working image
    vcl::TComponent* FLegacyOwner = nullptr; // watched for destruction when given
    TIKViewLink* FView = nullptr;
    vcl::TComponent* FViewComponent = nullptr; // watched for destruction
    intptr_t FViewListener = -1;
    vcl::TImage* FTImage = nullptr;

    std::unique_ptr<TIOParamsVals> FParams;
    std::unique_ptr<TIKTWainParams> FTWainParams;
    std::unique_ptr<vcl::TFont> FPreviewFont;
    std::atomic<bool> FAborting{false};
    bool FAsynchronous = false;
    bool FStreamHeaders = false;
    int32_t FBackground = 0;
    bool FAutoAdjustDPI = false;
    bool FFilteredAdjustDPI = false;
    TIOPreviewsParams FPreviewsParams;
    bool FSimplifiedParamsDialogs = true;
    TMsgLanguage FMsgLanguage = msSystem;
    TIKDialogsMeasureUnit FDialogsMeasureUnit = ikduInches;
    uint8_t FMonoConversion = 1;
    int32_t FAcquireCount = 0;

    // Workers (IOThreads.cpp). The lock guards the list; finished workers are joined and freed by the next
    // hand-off or wait.
    mutable std::recursive_mutex FWorkerLock;
    std::vector<std::unique_ptr<TIKIOThread>> FWorkers;
    // Joins and frees the workers whose job has ended.
    void ReapWorkers();
    // Aborts and joins running workers before an attachment changes under them.
    void StopWorkers();
    // Runs fn on the main thread when called on a worker, else at once.
    void OnMainThread(const std::function<void()>& fn);
};

} // namespace imaging
