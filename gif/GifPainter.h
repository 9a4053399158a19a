// The playback painter: draws a document's frames on a canvas one after another with their delays,
// disposal methods and loop count, on a thread of its own or inline, and reports the play through five
// events. A document makes painters through TGifDocument::StartPainter and stops them before it changes.
#pragma once

#include "gif/GifTypes.h"
#include "platform/vcl/Thread.h"
#include "platform/win/WinTypes.h"

#include <atomic>
#include <exception>
#include <memory>
#include <string>

namespace vcl {
class TBitmap;
class TCanvas;
} // namespace vcl

namespace gif {

class TGifFrame;

// One delay unit of the GIF format: a hundredth of a second.
constexpr int32_t GifDelayUnitMs = 10;
// A frame without a delay waits this many units; shorter delays are raised to the minimum; an inline
// painter cuts longer ones to the maximum so that it never blocks its caller for long.
constexpr int32_t GifDefaultDelay = 10;
constexpr int32_t GifMinimumDelay = 3;
constexpr int32_t GifInlineMaximumDelay = 1000;

class TGifPainter : public vcl::TThread {
public:
    // A suspended painter with its buffers; painterRef (may be null) holds it while it lives.
    TGifPainter(TGifPainter** painterRef, TGifDocument* image, vcl::TCanvas* canvas, const vcl::TRect& rect,
                TGifPaintOptions options);
    ~TGifPainter() override;

    // Resumes a threaded painter; an unthreaded one is played through Play.
    void Start();
    // Ends the play: a waiting threaded painter wakes at once. The GUI thread may call it at any time.
    void Stop();
    // Plays the animation on the calling thread (the body of a threaded painter).
    void Play();
    // Takes the painter out of the document's list, clears the painter variable and frees the buffers.
    // Runs on the GUI thread, once.
    void Cleanup();
    // The document is going away: the painter never touches it again.
    void DetachImage();

    bool IsThreaded() const { return FPaintOptions.Contains(gpoThreaded); }
    TGifDocument* GetPlayedImage() const { return FPlayedImage.load(); }
    vcl::TCanvas* GetTargetCanvas() const { return FTargetCanvas; }
    const vcl::TRect& GetTargetRect() const { return FTargetRect; }
    TGifPaintOptions GetPaintOptions() const { return FPaintOptions; }
    int32_t GetPlaySpeed() const { return FPlaySpeed; }
    // The frame shown; -1 before the start and after the end. An event handler may set it to jump.
    int32_t GetCurrentFrame() const { return FCurrentFrame; }
    void SetCurrentFrame(int32_t value) { FCurrentFrame = value; }
    bool GetHasPainted() const { return FHasPainted.load(); }
    // True while the GUI thread runs one of this threaded painter's calls (an event handler, a drawing):
    // code called from there cannot wait for the painter, which waits for it.
    bool IsInMainCall() const { return FInMainCall.load(); }
    // The exception that ended the play, kept for the caller of an inline play.
    std::exception_ptr GetKeptException() const { return FKeptException; }

    vcl::TNotifyEvent OnPlayStart;
    vcl::TNotifyEvent OnBeforeFrame;
    vcl::TNotifyEvent OnAfterFrame;
    vcl::TNotifyEvent OnLoopRestart;
    vcl::TNotifyEvent OnPlayEnd;

protected:
    void Execute() override { Play(); }

private:
    void PlayFrames();
    void WaitForFrame(int32_t delay, uint32_t& lastTime, int32_t& lastWait);
    void WaitInline(int32_t waitMs);
    // Runs method on the GUI thread (directly when unthreaded); nothing once the painter is terminated.
    void RunOnMainThread(const std::function<void()>& method);
    void Fire(const vcl::TNotifyEvent& event);
    bool Stopped() const;
    void DrawFrameDirect();
    void DrawFrameComposed();
    void DrawInto(vcl::TCanvas* canvas, TGifFrame* frame);
    void RestoreFrameArea(TGifFrame* frame);
    void ReportEndByException(const std::string& message);

    std::atomic<TGifDocument*> FPlayedImage;
    vcl::TCanvas* FTargetCanvas;
    vcl::TRect FTargetRect;
    TGifPaintOptions FPaintOptions;
    int32_t FPlaySpeed;
    int32_t FCurrentFrame = -1;
    uint8_t FFrameDisposal = dpKeep;
    uint8_t FPreviousDisposal = dpKeep;
    TGifColor FBackgroundColor = 0;
    std::unique_ptr<vcl::TBitmap> FComposeBuffer;
    std::unique_ptr<vcl::TBitmap> FScratchBuffer;
    std::unique_ptr<vcl::TBitmap> FBackgroundSnapshot;
    win::HDC FRecordedDC = nullptr;
    std::atomic<bool> FHasPainted{false};
    std::atomic<bool> FInMainCall{false};
    win::HANDLE FWakeEvent = nullptr;
    TGifPainter** FOwnerVariable;
    std::exception_ptr FKeptException;
    bool FCleanedUp = false;
};

// Deletes the threaded painters whose threads have ended. The document calls it whenever it starts or
// stops painters; only the GUI thread calls it.
void ReapEndedPainters();

} // namespace gif
