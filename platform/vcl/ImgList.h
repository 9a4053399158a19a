// Image lists: equally sized images with masks over the window system's image lists, drawn enabled or
// greyed, and the change links through which controls hear of their changes.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <vector>

namespace vcl {

class TBitmap;
class TCanvas;
class TCustomImageList;

// A control's subscription to an image list's changes.
class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList* GetSender() const { return FSender; }
    void SetSender(TCustomImageList* value) { FSender = value; }
    virtual void Change();
    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner);
    TCustomImageList(TComponent* owner, int32_t width, int32_t height);
    ~TCustomImageList() override;

    // The size of every image; changing it removes the images.
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t value);
    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t value);
    int32_t GetCount() const;
    bool GetMasked() const { return FMasked; }
    void SetMasked(bool value);
    TColor GetBkColor() const { return FBkColor; }
    void SetBkColor(TColor value);
    int32_t GetAllocBy() const { return FAllocBy; }
    void SetAllocBy(int32_t value) { FAllocBy = value; }
    win::HIMAGELIST GetHandle() const { return FHandle; }

    // Adds the images of a bitmap strip (as many as fit its width); mask pixels that are white are
    // transparent. Returns the first new index.
    int32_t Add(TBitmap* image, TBitmap* mask);
    // The pixels of maskColor are transparent.
    int32_t AddMasked(TBitmap* image, TColor maskColor);
    void Replace(int32_t index, TBitmap* image, TBitmap* mask);
    void Delete(int32_t index);
    void Clear();
    // Enabled images keep their colours; disabled ones are drawn embossed in the button shadow and
    // highlight colours.
    void Draw(TCanvas* canvas, int32_t x, int32_t y, int32_t index, bool enabled = true);
    // The image on the list's background colour (clWindow when none), as a bitmap of the image's size.
    void GetBitmap(int32_t index, TBitmap* image);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

protected:
    virtual void Change();
    void CheckIndex(int32_t index) const;
    void Recreate();

private:
    win::HIMAGELIST FHandle = nullptr;
    int32_t FWidth = 16;
    int32_t FHeight = 16;
    bool FMasked = true;
    TColor FBkColor = clNone;
    int32_t FAllocBy = 4;
    std::vector<TChangeLink*> FLinks;
};

class TImageList : public TCustomImageList {
public:
    explicit TImageList(TComponent* owner) : TCustomImageList(owner) {}
    TImageList(TComponent* owner, int32_t width, int32_t height) : TCustomImageList(owner, width, height) {}
};

} // namespace vcl
