// The animated GIF document: a logical screen with an optional global colour table, an ordered list of
// frames and the settings that steer drawing, playback and writing. This is the GIF library's chief
// header: it brings in the frame, header, colour-table and extension classes.
#pragma once

#include "gif/GifColorMap.h"
#include "gif/GifExtensions.h"
#include "gif/GifFrame.h"
#include "gif/GifHeader.h"
#include "gif/GifItems.h"
#include "gif/GifStreamUtils.h"
#include "gif/GifTypes.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/Lists.h"

#include <functional>
#include <memory>
#include <string>

namespace vcl {
class TBitmap;
}

namespace gif {

class TGifPainter;

// Module state, set when the library starts: the clipboard format "GIF Image", and whether the screen
// shows at most 256 colours (then frames are dithered when gpoDitherLowColor asks for it).
extern uint16_t GifClipboardFormat;
extern bool LowColorDisplay;
extern bool AutoDitherActive;
// Registers the document for ".gif" files and the "GIF Image" clipboard format and reads the screen's
// depth. Runs once when the program starts; tests call it again after changing the screen's depth.
void InitializeGifModule();

using TGifIssueEvent =
    std::function<void(vcl::TObject* Sender, int32_t Severity, const std::string& Message)>;

class TGifDocument : public vcl::TGraphic {
public:
    TGifDocument();
    ~TGifDocument() override;

    // Calls OnIssue when assigned.
    virtual void ReportIssue(vcl::TObject* sender, int32_t severity, const std::string& message);

    void Assign(vcl::TPersistent* source) override;
    // True only for this very object.
    bool Equals(vcl::TGraphic* graphic) override { return graphic == this; }
    bool GetEmpty() const override;
    int32_t GetWidth() const override;
    int32_t GetHeight() const override;
    // Values below a frame's right (bottom) edge raise; values outside 0..65535 raise too.
    void SetWidth(int32_t value) override;
    void SetHeight(int32_t value) override;
    // The screen bitmap's palette, else a cached one: the web palette when dithering, else the global
    // table's, else frame 0's. Raises "No global or local color table defined" without any table.
    win::HPALETTE GetPalette() const override;
    // Takes the palette over; a screen bitmap of another palette is dropped.
    void SetPalette(win::HPALETTE palette) override;
    // Draws frame 0, or starts (or keeps) an animation on the canvas as the paint options say.
    void Draw(vcl::TCanvas* canvas, const vcl::TRect& rect) override;
    // The clipboard format "GIF Image" (a whole GIF stream) or CF_BITMAP.
    void LoadFromClipboardFormat(uint16_t format, win::HANDLE data, win::HPALETTE palette) override;
    // Gives the screen bitmap as CF_BITMAP with its palette, and puts the GIF stream on the open clipboard
    // under "GIF Image" itself.
    void SaveToClipboardFormat(uint16_t& format, win::HANDLE& data, win::HPALETTE& palette) override;
    // Opens the clipboard, empties it and puts the bitmap, its palette and the GIF stream on it.
    void CopyToClipboard();

    void LoadFromStream(vcl::TStream* stream) override;
    // Reads the stream as LoadFromStream does, into a document of its own whose content this one then takes
    // over: the stream is read once, and a stream that does not read leaves this document as it was (the
    // error passes on). Issues and progress reach this document's handlers, from this document where the
    // read reports as the image.
    void ReplaceFromStream(vcl::TStream* stream);
    // Exchanges content with other: the header with its global table, the frames with their extensions and
    // the accounting of the last read. Settings, handlers and painters stay with each; both stop their
    // painters and drop what they had rendered. Like a read, this sends no change notification.
    void ExchangeContent(TGifDocument& other);
    void SaveToStream(vcl::TStream* stream) override;
    // Reads the whole file into memory first: the reader then works on a memory stream.
    void LoadFromFile(const std::string& fileName) override;

    // Stops playback, frees every frame, clears the global table and the screen size.
    void Reset();
    // Appends a TGifFrame itself (the list takes it) or a new frame made from a picture; returns the index.
    int32_t AppendFrame(vcl::TPersistent* item);

    uint8_t RequiredVersion() const;
    int32_t MaxColorResolution() const;
    int32_t MaxBitsPerPixel() const;
    TGifGlobalColorMap* GlobalColorMap() const;
    TGifColor ScreenBackgroundColor() const;
    bool AnyFrameTransparent() const;
    void ResetRendering();

    // Makes the document smaller in place with the steps of options (see TGifOptimizeOption).
    void Optimize(TGifOptimizeOptions options, TGifReductionMethod method, TGifDitherMethod dither,
                  int32_t bits);
    // Merges the global table and every local table into one global table of the most used colours.
    void OptimizeToGlobalColorMap();

    // The document as a screen-sized bitmap (frame 0 on the screen), cached; nullptr when empty.
    vcl::TBitmap* ScreenBitmap();
    // Makes the screen bitmap when missing, with the document's palette and size, without drawing.
    vcl::TBitmap* NewScreenBitmap();
    // Stops the Draw painter (without waiting) and frees the screen bitmap.
    void FreeScreenBitmap();
    vcl::TBitmap* GetCachedBitmap() const { return FCachedBitmap.get(); }

    // Makes a painter for the canvas (registered in the painter list) and returns it suspended when it is
    // threaded; an unthreaded one plays at once and nullptr is returned. painterRef (may be null) holds
    // the painter while it lives.
    TGifPainter* StartPainter(TGifPainter** painterRef, vcl::TCanvas* canvas, const vcl::TRect& rect,
                              TGifPaintOptions options);
    // Stops the Draw painter and waits until it has ended; then frees the screen bitmap.
    void StopPlayback();
    // Stops every registered painter and waits for the threaded ones; then frees the screen bitmap.
    void StopAllPainters();
    // Whether frame bitmaps are dithered to the web palette.
    bool DitherActive() const;
    TGifPainter* GetDrawPainter() const { return FDrawPainter; }

    int32_t FrameCount() const { return FFrames->ItemCount(); }
    TGifFrame* Frame(int32_t index) const { return FFrames->FrameAt(index); }
    TGifFrameList* GetFrames() const { return FFrames.get(); }
    TGifHeader* GetHeader() const { return FHeader.get(); }
    vcl::TThreadList* GetPainters() { return &FPainters; }

    TGifPaintOptions GetPaintOptions() const { return FPaintOptions; }
    void SetPaintOptions(TGifPaintOptions value);
    TGifReductionMethod GetReductionMethod() const { return FReductionMethod; }
    void SetReductionMethod(TGifReductionMethod value) { FReductionMethod = value; }
    int32_t GetQuantizeBits() const { return FQuantizeBits; }
    // Values outside 3..8 raise "Invalid Bits Per Pixel value".
    void SetQuantizeBits(int32_t value);
    TGifDitherMethod GetDitherMethod() const { return FDitherMethod; }
    void SetDitherMethod(TGifDitherMethod value) { FDitherMethod = value; }
    TGifEncoderKind GetEncoderKind() const { return FEncoderKind; }
    void SetEncoderKind(TGifEncoderKind value) { FEncoderKind = value; }
    TGifThreadPriority GetPainterPriority() const { return FPainterPriority; }
    void SetPainterPriority(TGifThreadPriority value) { FPainterPriority = value; }
    int32_t GetPlaySpeed() const { return FPlaySpeed; }
    void SetPlaySpeed(int32_t value) { FPlaySpeed = value; }
    TGifColor GetPlaybackBackground() const { return FPlaybackBackground; }
    void SetPlaybackBackground(TGifColor value) { FPlaybackBackground = value; }

    // The graphic's progress notification, for the parts of the document (rectangle always empty).
    void ReportProgress(vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const std::string& message);
    // The graphic's change notification, for the parts of the document.
    void NotifyChanged(vcl::TObject* sender = nullptr) { Changed(sender ? sender : this); }
    // While a stream is read, before a frame's pixels are allocated: applies the memory rule to a frame
    // whose LZW data holds dataBytes bytes (GifChargeFramePixels, against this read's share of
    // GifPixelBudget) and counts its pixels against GifMaxDocumentPixels; raises "Image is too large".
    void ChargeLoadedPixels(int64_t count, int64_t dataBytes);
    // The accounting of the last read: pixels allocated for its frames, and the part of them charged to
    // GifPixelBudget (frames their data could not fill).
    int64_t GetLoadedPixels() const { return FLoadedPixels; }
    int64_t GetBudgetedPixels() const { return FBudgetedPixels; }

    TGifIssueEvent OnIssue;
    vcl::TNotifyEvent OnPlayStart;
    vcl::TNotifyEvent OnBeforeFrame;
    vcl::TNotifyEvent OnAfterFrame;
    vcl::TNotifyEvent OnLoopRestart;
    vcl::TNotifyEvent OnPlayEnd;

protected:
    // A bitmap receives the screen bitmap.
    void AssignTo(vcl::TPersistent* dest) override;

private:
    win::HPALETTE DocumentPalette();
    win::HPALETTE PaletteCopyOrNull();
    void PaintScreenBitmap(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TBitmap* bitmap);
    void WaitForPainters(bool drawPainterOnly);
    void LoadDocument(vcl::TStream* stream);
    // The screen bitmap, the image palette and every frame's bitmap, palette and mask freed.
    void DropRendering();
    // The header, the frame list, the frames, their extension lists and extensions made this document's.
    void AdoptContent();
    // Before writing: a table that some frame's pixels index past grows to cover them (black entries).
    void CoverPixelIndices();
    void GrowEmptyScreen();
    void StoreScreenSize(int32_t value, bool width);

    std::unique_ptr<TGifFrameList> FFrames;
    std::unique_ptr<TGifHeader> FHeader;
    vcl::TThreadList FPainters;
    TGifPaintOptions FPaintOptions;
    TGifReductionMethod FReductionMethod = DefaultReductionMethod;
    int32_t FQuantizeBits = DefaultQuantizeBits;
    TGifDitherMethod FDitherMethod = DefaultDitherMethod;
    TGifEncoderKind FEncoderKind = DefaultEncoderKind;
    TGifThreadPriority FPainterPriority = DefaultPainterPriority;
    int32_t FPlaySpeed = DefaultPlaySpeed;
    TGifColor FPlaybackBackground = GifColorNone;
    int64_t FLoadedPixels = 0;
    int64_t FBudgetedPixels = 0;
    std::unique_ptr<vcl::TBitmap> FCachedBitmap;
    win::HPALETTE FCachedPalette = nullptr;
    bool FPaletteGuard = false;
    bool FDrawGuard = false;
    TGifPainter* FDrawPainter = nullptr;
    // Cleared by the destructor: code that played inline learns that a handler freed the document.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace gif
