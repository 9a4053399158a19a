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

namespace gif {

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
    // Rendering comes with a later change: no palette is built yet and drawing paints nothing.
    win::HPALETTE GetPalette() const override { return nullptr; }
    void SetPalette(win::HPALETTE) override {}
    void Draw(vcl::TCanvas* canvas, const vcl::TRect& rect) override {}

    void LoadFromStream(vcl::TStream* stream) override;
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

    // Playback comes with a later change; these stop the painters there are (none yet).
    void StopAllPainters() {}
    void StopPlayback() {}

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
    void NotifyChanged() { Changed(this); }
    // While a stream is read: counts a frame's pixels against GifMaxDocumentPixels and raises beyond it.
    void ChargeLoadedPixels(int64_t count);

    TGifIssueEvent OnIssue;
    vcl::TNotifyEvent OnPlayStart;
    vcl::TNotifyEvent OnBeforeFrame;
    vcl::TNotifyEvent OnAfterFrame;
    vcl::TNotifyEvent OnLoopRestart;
    vcl::TNotifyEvent OnPlayEnd;

private:
    void LoadDocument(vcl::TStream* stream);
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
};

} // namespace gif
