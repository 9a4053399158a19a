#include "gif/GifPainter.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <mutex>
#include <vector>

namespace gif {

namespace {

// Threaded painters that have ended wait here until the GUI thread deletes them: the thread object is
// still finishing its last steps when its cleanup has run.
std::mutex PainterGraveMutex;
std::vector<TGifPainter*>& PainterGrave() {
    static auto* grave = new std::vector<TGifPainter*>; // reachable to the end: reaped painters only
    return *grave;
}

vcl::TRect PainterBufferRect(const vcl::TRect& target) {
    return {0, 0, std::max(target.Right - target.Left, 0), std::max(target.Bottom - target.Top, 0)};
}

std::unique_ptr<vcl::TBitmap> PainterNewBuffer(const vcl::TRect& size, vcl::TColor background) {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetPixelFormat(vcl::pf32bit);
    bitmap->SetSize(size.Right, size.Bottom);
    vcl::TCanvas* canvas = bitmap->GetCanvas();
    canvas->SetCopyMode(vcl::cmSrcCopy);
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    canvas->GetBrush()->SetColor(background);
    return bitmap;
}

} // namespace

void ReapEndedPainters() {
    std::vector<TGifPainter*> ended;
    {
        std::lock_guard lock(PainterGraveMutex);
        auto& grave = PainterGrave();
        for (auto it = grave.begin(); it != grave.end();) {
            if (win::WaitForSingleObject((*it)->GetHandle(), 0) == win::WAIT_OBJECT_0) {
                ended.push_back(*it);
                it = grave.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (TGifPainter* painter : ended)
        delete painter;
}

TGifPainter::TGifPainter(TGifPainter** painterRef, TGifDocument* image, vcl::TCanvas* canvas,
                         const vcl::TRect& rect, TGifPaintOptions options)
    : vcl::TThread(true), FPlayedImage(image), FTargetCanvas(canvas), FTargetRect(rect),
      FPaintOptions(options), FPlaySpeed(image->GetPlaySpeed()), FOwnerVariable(painterRef) {
    if (options.Contains(gpoThreaded) && options.Contains(gpoStepFrames) && image->FrameCount() > 1 &&
        FPlaySpeed >= 0)
        FWakeEvent = win::CreateEvent(nullptr, win::FALSE, win::FALSE);
    if (image->GetPlaybackBackground() != GifColorNone)
        FBackgroundColor = image->GetPlaybackBackground();
    else if (image->GlobalColorMap()->GetEntryCount() > 0)
        FBackgroundColor = image->ScreenBackgroundColor();
    else
        FBackgroundColor = vcl::clWindow;
    std::bitset<8> disposals;
    for (int32_t i = 0; i < image->FrameCount(); ++i)
        if (TGifGraphicControlExtension* gce = image->Frame(i)->GetControlExtension())
            disposals.set(gce->GetDisposalMethod() & 7);
    if (options.Contains(gpoClearEachPass))
        disposals.set(dpRestoreBackground);
    const vcl::TRect buffer = PainterBufferRect(rect);
    if (disposals.test(dpRestoreBackground) && options.Contains(gpoUseTransparency)) {
        FBackgroundSnapshot = PainterNewBuffer(buffer, FBackgroundColor);
        FBackgroundSnapshot->GetCanvas()->CopyRect(buffer, canvas, rect);
    }
    if (disposals.test(dpRestoreBackground) || disposals.test(dpRestorePrevious)) {
        FComposeBuffer = PainterNewBuffer(buffer, FBackgroundColor);
        FComposeBuffer->GetCanvas()->CopyRect(buffer, canvas, rect);
        FScratchBuffer = PainterNewBuffer(buffer, FBackgroundColor);
    }
    if (options.Contains(gpoThreaded))
        SetOnTerminate([this](vcl::TObject*) { Cleanup(); });
    if (painterRef)
        *painterRef = this;
}

TGifPainter::~TGifPainter() {
    try {
        Cleanup();
    } catch (...) {
        // Nothing can be reported from here; the buffers are gone either way.
    }
}

void TGifPainter::Start() {
    if (IsThreaded())
        Resume();
}

void TGifPainter::Stop() {
    Terminate();
    if (!IsThreaded())
        return;
    if (FWakeEvent)
        win::SetEvent(FWakeEvent);
    SetPriority(vcl::tpNormal);
    // A painter that never started runs only its cleanup.
    if (GetSuspended())
        Resume();
}

void TGifPainter::DetachImage() {
    FPlayedImage = nullptr;
}

bool TGifPainter::Stopped() const {
    return GetTerminated() || !FPlayedImage.load();
}

void TGifPainter::Cleanup() {
    if (FCleanedUp)
        return;
    FCleanedUp = true;
    if (TGifDocument* image = FPlayedImage.exchange(nullptr)) {
        vcl::TThreadListLock list(*image->GetPainters());
        if (FOwnerVariable && *FOwnerVariable == this)
            *FOwnerVariable = nullptr;
        list->Remove(this);
    }
    FComposeBuffer.reset();
    FScratchBuffer.reset();
    FBackgroundSnapshot.reset();
    if (FWakeEvent)
        win::CloseHandle(FWakeEvent);
    FWakeEvent = nullptr;
    if (IsThreaded() && GetFinished()) {
        std::lock_guard lock(PainterGraveMutex);
        PainterGrave().push_back(this);
    }
}

void TGifPainter::RunOnMainThread(const std::function<void()>& method) {
    if (Stopped())
        return;
    if (!IsThreaded()) {
        method();
        return;
    }
    // The GUI thread may have stopped the painter while the call waited for its turn.
    Synchronize([&] {
        if (Stopped())
            return;
        struct InCall {
            std::atomic<bool>& Flag;
            explicit InCall(std::atomic<bool>& flag) : Flag(flag) { Flag = true; }
            ~InCall() { Flag = false; }
        } inCall(FInMainCall);
        method();
    });
}

void TGifPainter::Fire(const vcl::TNotifyEvent& event) {
    if (event)
        RunOnMainThread([&] { event(this); });
}

void TGifPainter::Play() {
    try {
        PlayFrames();
    } catch (const std::exception& e) {
        Terminate();
        FKeptException = std::current_exception();
        ReportEndByException(e.what());
    }
}

void TGifPainter::ReportEndByException(const std::string& message) {
    // The play ended anyway: the document hears of it, so that a preview does not stay "playing".
    auto report = [&] {
        TGifDocument* image = FPlayedImage.load();
        if (!image)
            return;
        image->ReportIssue(this, 1, message);
        FCurrentFrame = -1;
        if (OnPlayEnd)
            OnPlayEnd(this);
    };
    try {
        if (IsThreaded())
            Synchronize(report);
        else
            report();
    } catch (...) {
        // A failing handler adds nothing to the exception already kept.
    }
}

void TGifPainter::PlayFrames() {
    const bool threaded = IsThreaded();
    const bool stepFrames = FPaintOptions.Contains(gpoStepFrames);
    if (FPaintOptions.Contains(gpoCheckDC))
        RunOnMainThread([&] { FRecordedDC = FTargetCanvas->GetHandle(); });
    FCurrentFrame = 0;
    Fire(OnPlayStart);
    FHasPainted = false;
    int32_t passesLeft = 1;
    int32_t loopStart = 0;
    bool loopSeen = false;
    int32_t pendingDelay = threaded ? 0 : 1;
    FPreviousDisposal = dpKeep;
    uint32_t lastTime = win::timeGetTime();
    int32_t lastWait = 0;
    while ((passesLeft != 0 || FPaintOptions.Contains(gpoRepeatForever)) && !Stopped()) {
        FCurrentFrame = loopStart;
        if (FHasPainted)
            Fire(OnLoopRestart);
        bool paintedThisPass = false;
        for (;;) {
            TGifDocument* image = FPlayedImage.load();
            if (Stopped() || !image || FCurrentFrame < 0 || FCurrentFrame >= image->FrameCount())
                break;
            TGifFrame* frame = image->Frame(FCurrentFrame);
            if (frame->IsEmpty())
                break;
            if (pendingDelay <= 0) {
                win::Sleep(0);
            } else {
                // The bitmap is made on the GUI thread before the wait is measured, so its cost shortens
                // the wait instead of lengthening the frame.
                RunOnMainThread([&] {
                    // A large frame draws without a bitmap of its own.
                    if (frame->DrawsSampled())
                        return;
                    frame->FrameBitmap();
                    if (FPaintOptions.Contains(gpoUseTransparency))
                        frame->MaskAvailable();
                });
                WaitForFrame(pendingDelay, lastTime, lastWait);
            }
            if (Stopped())
                break;
            Fire(OnBeforeFrame);
            image = FPlayedImage.load();
            if (Stopped() || !image || FCurrentFrame < 0 || FCurrentFrame >= image->FrameCount())
                break;
            frame = image->Frame(FCurrentFrame);
            FFrameDisposal = dpKeep;
            TGifExtensionList* extensions = frame->GetExtensionList();
            TGifGraphicControlExtension* delayExtension = nullptr;
            for (int32_t i = 0; i < extensions->ItemCount(); ++i) {
                TGifExtension* extension = extensions->ExtensionAt(i);
                if (auto* loop = dynamic_cast<TGifLoopExtension*>(extension)) {
                    if (loopSeen)
                        continue;
                    loopSeen = true;
                    passesLeft = loop->GetLoopCount();
                    if (threaded && (passesLeft == 0 || FPaintOptions.Contains(gpoRepeatForever)))
                        passesLeft = -1;
                    else if (passesLeft == 0)
                        passesLeft = 1;
                    loopStart = FCurrentFrame;
                } else if (auto* gce = dynamic_cast<TGifGraphicControlExtension*>(extension)) {
                    FFrameDisposal = gce->GetDisposalMethod();
                    delayExtension = gce;
                }
            }
            RunOnMainThread([&] {
                if (FComposeBuffer)
                    DrawFrameComposed();
                else
                    DrawFrameDirect();
            });
            FPreviousDisposal = FFrameDisposal;
            paintedThisPass = paintedThisPass || FHasPainted;
            if (Stopped())
                break;
            pendingDelay = GifDefaultDelay;
            if (TGifGraphicControlExtension* gce = frame->GetControlExtension())
                delayExtension = gce;
            if (delayExtension && delayExtension->GetDelayTime() > 0) {
                pendingDelay = std::max<int32_t>(delayExtension->GetDelayTime(), GifMinimumDelay);
                if (!threaded)
                    pendingDelay = std::min(pendingDelay, GifInlineMaximumDelay);
            }
            const int32_t shown = FCurrentFrame;
            Fire(OnAfterFrame);
            if (Stopped())
                break;
            if (FCurrentFrame == shown)
                ++FCurrentFrame;
            if (!stepFrames)
                break;
        }
        if (passesLeft > 0)
            --passesLeft;
        if (!(stepFrames && FPaintOptions.Contains(gpoRepeat)))
            break;
        // A pass that shows nothing (an empty first frame) would repeat without ever waiting.
        if (!paintedThisPass)
            break;
    }
    FCurrentFrame = -1;
    Fire(OnPlayEnd);
}

void TGifPainter::WaitForFrame(int32_t delay, uint32_t& lastTime, int32_t& lastWait) {
    const bool threaded = IsThreaded();
    const uint32_t now = win::timeGetTime();
    int32_t wait;
    if (FPlaySpeed > 0) {
        // Half of the time spent beyond the previous wait (drawing, preparing) comes off this one.
        const int64_t overhead = (int64_t(uint32_t(now - lastTime)) - lastWait) / 2;
        const int64_t wanted = std::clamp<int64_t>(int64_t(delay) * GifDelayUnitMs - overhead,
                                                   std::numeric_limits<int32_t>::min() / 2,
                                                   std::numeric_limits<int32_t>::max() / 2);
        wait = win::MulDiv(int32_t(wanted), 100, FPlaySpeed);
        lastWait = wait;
    } else {
        wait = threaded ? -1 : GifInlineMaximumDelay * GifDelayUnitMs;
    }
    lastTime = now;
    if (!threaded) {
        WaitInline(wait);
        return;
    }
    if (!(wait > 0 || FPlaySpeed == 0))
        return;
    if (!FWakeEvent) {
        if (wait > 0)
            win::Sleep(win::DWORD(wait));
        return;
    }
    if (win::WaitForSingleObject(FWakeEvent, wait < 0 ? win::INFINITE : win::DWORD(wait)) ==
        win::WAIT_OBJECT_0) {
        lastWait = 0;
        lastTime = win::timeGetTime();
    }
}

void TGifPainter::WaitInline(int32_t waitMs) {
    int32_t remaining = std::max(waitMs, 1);
    while (remaining > 0 && !Stopped()) {
        const uint32_t before = win::timeGetTime();
        win::Sleep(win::DWORD(std::min(remaining, 100)));
        remaining -= std::max<int32_t>(int32_t(win::timeGetTime() - before), 1);
        // Keep the user interface alive; every message may have stopped this painter or freed its
        // document, so the painter checks again after each one.
        win::MSG msg;
        while (!Stopped() && win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) {
                win::PostQuitMessage(int(msg.wParam));
                Terminate();
                break;
            }
            win::TranslateMessage(&msg);
            win::DispatchMessage(&msg);
        }
    }
}

void TGifPainter::DrawInto(vcl::TCanvas* canvas, TGifFrame* frame) {
    const vcl::TRect rect = canvas == FTargetCanvas ? FTargetRect : PainterBufferRect(FTargetRect);
    win::HPALETTE palette = nullptr;
    try {
        palette = frame->FramePaletteHandle();
    } catch (const EGifError&) {
        // No colour table anywhere: the pixels draw black without a palette.
    }
    win::HDC dc = canvas->GetHandle();
    win::HPALETTE old = palette ? win::SelectPalette(dc, palette, win::FALSE) : nullptr;
    if (palette)
        win::RealizePalette(dc);
    vcl::ScopeExit restore([&]() noexcept {
        if (palette)
            win::SelectPalette(dc, old, win::FALSE);
    });
    frame->PaintFrame(canvas, rect, FPaintOptions.Contains(gpoUseTransparency),
                      FPaintOptions.Contains(gpoTiled));
}

void TGifPainter::DrawFrameDirect() {
    TGifDocument* image = FPlayedImage.load();
    DrawInto(FTargetCanvas, image->Frame(FCurrentFrame));
    FHasPainted = true;
}

void TGifPainter::DrawFrameComposed() {
    if (FPaintOptions.Contains(gpoCheckDC) && win::GetObjectType(FRecordedDC) == 0) {
        Terminate();
        return;
    }
    TGifDocument* image = FPlayedImage.load();
    TGifFrame* frame = image->Frame(FCurrentFrame);
    const vcl::TRect buffer = PainterBufferRect(FTargetRect);
    vcl::TCanvas* compose = FComposeBuffer->GetCanvas();
    if (FPaintOptions.Contains(gpoClearEachPass) && FCurrentFrame == 0)
        RestoreFrameArea(frame);
    const vcl::TCopyMode oldMode = FTargetCanvas->GetCopyMode();
    FTargetCanvas->SetCopyMode(vcl::cmSrcCopy);
    if (FFrameDisposal == dpRestorePrevious) {
        if (FPreviousDisposal == dpRestoreBackground || FPreviousDisposal == dpRestorePrevious) {
            // The target still shows the previous frame: compose this one over the restored picture.
            vcl::TCanvas* scratch = FScratchBuffer->GetCanvas();
            scratch->CopyRect(buffer, compose, buffer);
            DrawInto(scratch, frame);
            FTargetCanvas->CopyRect(FTargetRect, scratch, buffer);
        } else {
            // The target equals the compose buffer, which keeps the picture without this frame.
            DrawInto(FTargetCanvas, frame);
        }
    } else {
        // Unspecified, keep and restore to background (and values 4 to 7, treated as unspecified).
        DrawInto(compose, frame);
        FTargetCanvas->CopyRect(FTargetRect, compose, buffer);
        if (FFrameDisposal == dpRestoreBackground)
            RestoreFrameArea(frame);
    }
    FTargetCanvas->SetCopyMode(oldMode);
    FHasPainted = true;
}

void TGifPainter::RestoreFrameArea(TGifFrame* frame) {
    const vcl::TRect buffer = PainterBufferRect(FTargetRect);
    vcl::TCanvas* compose = FComposeBuffer->GetCanvas();
    const bool fromSnapshot = FPaintOptions.Contains(gpoUseTransparency) && FBackgroundSnapshot;
    auto restore = [&](const vcl::TRect& area) {
        if (fromSnapshot) {
            compose->CopyRect(area, FBackgroundSnapshot->GetCanvas(), area);
        } else {
            compose->GetBrush()->SetColor(FBackgroundColor);
            compose->FillRect(area);
        }
    };
    if (!FPaintOptions.Contains(gpoTiled)) {
        restore(frame->ScaleToTarget(buffer));
        return;
    }
    // Every copy of the frame's area in the tiling, unscaled.
    TGifDocument* image = FPlayedImage.load();
    const TGifImageDescriptor& d = frame->Descriptor();
    const int32_t stepX = std::max({image ? image->GetWidth() : 0, d.Left + d.Width, 1});
    const int32_t stepY = std::max({image ? image->GetHeight() : 0, d.Top + d.Height, 1});
    for (int64_t x = d.Left; x < buffer.Right; x += stepX)
        for (int64_t y = d.Top; y < buffer.Bottom; y += stepY)
            restore({int32_t(x), int32_t(y), int32_t(x + d.Width), int32_t(y + d.Height)});
}

} // namespace gif
