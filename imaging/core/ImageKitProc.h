// TImageKitProc: the component that changes the pixels of an image kept elsewhere (an image view, the
// picture of a TImage, or a class-library bitmap): undo and redo lists of image copies and selection
// snapshots, gray conversion limited to a view's selection, reduction to N colours (the image stays 24-bit)
// or to one bit, and reduction to a palette handed to the caller.
//
// The component never takes over an image it did not make: leaving a view, a TImage or a bitmap by any road
// (setting another attachment or none, the view or TImage going away) drops the reference and gives the
// component a new empty image of its own; the image left behind keeps its pixels.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKCaptions.h"
#include "imaging/core/IKDefs.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TFont;
class TForm;
class TImage;
class TMemoryStream;
} // namespace vcl

namespace imaging {

class TIKBitmap;
class TIKMask;
class TIKView;
class TIKViewLink;

enum TPRPreviewsParam : uint8_t { prppDefaultLockPreview };
using TPRPreviewsParams = vcl::TSet<TPRPreviewsParam>;
using TIKPreviewEvent = std::function<void(vcl::TObject* sender, vcl::TForm* previewForm)>;

// Kinds of undo and redo entries.
enum : uint8_t { ikukImage = 1, ikukSelection = 2 };

class TImageKitProc : public vcl::TComponent {
public:
    explicit TImageKitProc(vcl::TComponent* owner = nullptr);
    ~TImageKitProc() override;

    // ---- Attachments ----
    TIKView* GetAttachedImageKit() const { return FView; }
    // The view's image becomes the one processed; nullptr leaves the view (its image as it is).
    void SetAttachedImageKit(TIKView* view);
    vcl::TImage* GetAttachedTImage() const { return FTImage; }
    // The picture's bitmap becomes the one processed; nullptr leaves the TImage.
    void SetAttachedTImage(vcl::TImage* image);
    // A class-library bitmap that stays the caller's (alive while attached). nullptr leaves it, unless a
    // view or TImage is attached (then nothing happens).
    void SetAttachedBitmap(vcl::TBitmap* bitmap);
    vcl::TBitmap* GetAttachedBitmap() const { return FLegacy; }
    // The image processed now (the attached bitmap wrapped afresh first).
    TIKBitmap* GetIKBitmap();
    // True while the image processed is the component's own (a fresh empty one or a wrapper it made).
    bool GetOwnsBitmap() const { return FOwned != nullptr; }

    // ---- Settings ----
    bool GetAutoUndo() const { return FAutoUndo; }
    void SetAutoUndo(bool value) { FAutoUndo = value; }
    // The attached view's background, else a colour of the component's own.
    int32_t GetBackground() const;
    void SetBackground(int32_t value);
    TMsgLanguage GetMsgLanguage() const { return FMsgLanguage; }
    void SetMsgLanguage(TMsgLanguage value) { FMsgLanguage = value; }
    TPRPreviewsParams GetPreviewsParams() const { return FPreviewsParams; }
    void SetPreviewsParams(TPRPreviewsParams value) { FPreviewsParams = value; }
    vcl::TFont* GetPreviewFont() const { return FPreviewFont.get(); }
    // Copies the font's settings into the component's own font.
    void SetPreviewFont(vcl::TFont* font);
    // The most entries kept in the undo list and in the redo list (at least 1).
    int32_t GetUndoLimit() const { return FUndoLimit; }
    void SetUndoLimit(int32_t value);
    TIKProgressEvent OnProgress;
    TIKPreviewEvent OnPreview;

    // ---- Undo and redo ----
    // Kind 1: a copy of the image; kind 2: the attached view's selection. Other kinds do nothing.
    virtual void SaveUndo(uint8_t kind);
    void Undo() { UndoAt(0); }
    // Restores entry Count - 1 - n (0 is the newest); the entry stays in the list.
    virtual void UndoAt(int32_t n);
    virtual void SaveRedo(uint8_t kind);
    virtual void DiscardLastRedo();
    void Redo() { RedoAt(0); }
    virtual void RedoAt(int32_t n);
    // SaveUndo, then the newest entry gets the caption; only for an image that is not empty.
    void SaveUndoCaptioned(const std::string& caption, uint8_t kind);
    int32_t UndoCount() const { return int32_t(FUndo.size()); }
    int32_t RedoCount() const { return int32_t(FRedo.size()); }
    // Index 0 is the oldest entry.
    const std::string& UndoCaption(int32_t index) const { return FUndo.at(size_t(index)).Caption; }
    const std::string& RedoCaption(int32_t index) const { return FRedo.at(size_t(index)).Caption; }
    // The kind (1 or 2) of an entry, index 0 the oldest.
    uint8_t UndoKind(int32_t index) const { return FUndo.at(size_t(index)).Bitmap ? ikukImage : ikukSelection; }

    // ---- Conversions ----
    // A 24-bit image turns gray, within the view's selection when there is one.
    void ConvertToGray();
    // A 24-bit image: below 3 colours it becomes one bit (by threshold at the mean gray, or ordered
    // dither); 3 to 1024 colours: every pixel takes its palette colour and the image stays 24-bit; above
    // 1024 the pixels stay as they are.
    void ConvertTo(int32_t nCol, bool threshold);
    // As ConvertTo, the palette handed back in palette (nCol 0 does nothing).
    void ConvertToPalette(int32_t nCol, std::span<TIKColorTriple> palette, bool threshold);

    // The rectangle (x2, y2 exclusive) to work on, the view's polygons and its selection mask; true when
    // the attached view has a selection.
    virtual bool GetSelectionArea(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const win::TPoint*& points,
                                  int32_t& count, TIKMask*& mask);
    // After any change of the pixels: the view updates and tells of it, or the bitmap is marked modified.
    void NotifyImageChanged();

    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

private:
    struct TEntry {
        std::unique_ptr<TIKBitmap> Bitmap;
        std::unique_ptr<vcl::TMemoryStream> Stream;
        std::string Caption;
    };
    using TEntries = std::vector<TEntry>;

    void ViewListener(TIKViewLink* sender, int32_t event);
    void DetachView(bool unregister);
    void DetachTImage();
    // A new empty image of the component's own, the former one left as it was.
    void UseOwnImage();
    // A new image of the component's own that keeps its pixels in bitmap.
    void WrapLegacy(vcl::TBitmap* bitmap);
    // Wraps the attached bitmap (or the TImage's picture) again, for changes made to it elsewhere.
    void Sync();
    bool MakeEntry(uint8_t kind, TEntry& entry);
    void Push(TEntries& list, TEntry entry);
    void RestoreEntry(TEntries& list, int32_t n);
    // Whether the image is a 24-bit one with pixels (after Sync).
    TIKBitmap* Convertible();
    void Reduce(TIKBitmap* bitmap, int32_t nCol, std::span<TIKColorTriple> palette, bool threshold);

    TIKView* FView = nullptr;
    intptr_t FListener = -1;
    TIKBitmap* FBitmap = nullptr;          // the image processed
    std::unique_ptr<TIKBitmap> FOwned;     // set when that image is the component's own
    vcl::TBitmap* FLegacy = nullptr;       // the class-library bitmap behind FBitmap, if any
    vcl::TImage* FTImage = nullptr;
    TEntries FUndo;
    TEntries FRedo;
    TIKBitmapStorage FUndoStorage = ikbsMappedFile;
    bool FAutoUndo = true;
    int32_t FBackground = 0;
    TMsgLanguage FMsgLanguage = msSystem;
    TPRPreviewsParams FPreviewsParams;
    std::unique_ptr<vcl::TFont> FPreviewFont;
    int32_t FUndoLimit = 1;
    uint64_t FUndoPushes = 0; // entries ever pushed on the undo list
};

} // namespace imaging
