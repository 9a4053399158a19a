// TImageKitIO: the component that reads and writes image files for one working image. It loads and saves
// by file name extension, by format id and from streams (with content detection), reads a file's
// parameters without touching the image, and fetches images over HTTP. Failure is reported through
// Aborting, which describes the last operation only; OnFinishWork fires at the end of every load.
#pragma once

#include "imaging/io/IOParams.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

class TImageKitIO : public vcl::TComponent, private TIOParamsOwner {
public:
    explicit TImageKitIO(vcl::TComponent* owner = nullptr);
    ~TImageKitIO() override;

    // The image every operation reads or writes: the component's own until an outside one is attached.
    TIKBitmap* GetIKBitmap() const { return FBitmap; }
    // Makes bitmap the working image (not owned; the caller keeps it alive while attached). nullptr gives
    // the component a new empty image of its own and leaves the former one as it was.
    void AttachIKBitmap(TIKBitmap* bitmap);

    TIOParamsVals& GetParams() { return *FParams; }
    bool GetAborting() const { return FAborting.load(); }
    void SetAborting(bool value) { FAborting.store(value); }

    std::string ProxyAddress; // "host:port"; empty for a direct connection
    std::string ProxyUser;
    std::string ProxyPassword;
    TIKProgressEvent OnProgress;
    vcl::TNotifyEvent OnFinishWork;

    // OnProgress(this, 100), then OnFinishWork(this), each when assigned.
    virtual void DoFinishWork();

    void LoadFromFileByExtension(const std::string& fileName);
    void LoadFromFileOfFormat(const std::string& fileName, int32_t formatId);
    void LoadFromStreamDetected(vcl::TStream* stream);
    void LoadFromStreamOfFormat(vcl::TStream* stream, int32_t formatId);
    // Saves never leave a partial file behind: the target is replaced only by a complete new one.
    void SaveToFileByExtension(const std::string& fileName);
    void SaveToStreamOfFormat(vcl::TStream* stream, int32_t formatId);
    // Parameters-only reads: they never raise; a file or stream that cannot be read gives FileType 0.
    void ReadParamsFromFile(const std::string& fileName);
    void ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId);
    void ReadParamsFromStream(vcl::TStream* stream);
    void ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId);
    // One HTTP GET of an "http://" URL; the body is loaded with format detection. A transport failure or
    // a status outside 2xx sets Aborting and leaves the image as it was.
    void LoadFromUrl(const std::string& url);

    // The format id a file name extension selects ("name.JPG" gives JPEG), 0 when none.
    static int32_t FormatIdOfExtension(const std::string& fileName);

private:
    bool GetAttachedBitmapSize(int32_t& width, int32_t& height) const override;
    bool GetAttachedViewDpi(int32_t& dpiX, int32_t& dpiY) const override;
    TIKProgressContext MakeProgress();
    // Runs the read callback of formatId on the stream; fileName goes to Params.
    void ReadWithFormat(vcl::TStream* stream, int32_t formatId, const std::string& fileName);

    TIKBitmap* FBitmap = nullptr;
    std::unique_ptr<TIKBitmap> FOwnedBitmap;
    std::unique_ptr<TIOParamsVals> FParams;
    std::atomic<bool> FAborting{false};
};

} // namespace imaging
