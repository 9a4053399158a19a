// The document's side of drawing and playback: Draw, the painters it starts and registers, the waits
// that stop them, and the clipboard.
#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/ole/Clipboard.h"

#include <algorithm>
#include <cstring>

namespace gif {

namespace {

bool PlaybackOnMainThread() {
    return win::GetCurrentThreadId() == vcl::MainThreadID.load();
}

// One round of waiting for painters: serve their synchronised calls on the GUI thread, then yield.
void PlaybackYield() {
    if (PlaybackOnMainThread())
        while (vcl::CheckSynchronize(0)) {
        }
    win::Sleep(0);
}

} // namespace

bool TGifDocument::DitherActive() const {
    if (!FPaintOptions.Contains(gpoDither))
        return false;
    if (!FPaintOptions.Contains(gpoDitherLowColor))
        return true;
    return AutoDitherActive;
}

void TGifDocument::Draw(vcl::TCanvas* canvas, const vcl::TRect& rect) {
    if (FDrawGuard || GetEmpty() || !canvas)
        return;
    std::shared_ptr<bool> alive = FAlive;
    FDrawGuard = true;
    struct Guard {
        TGifDocument* Doc;
        std::shared_ptr<bool> Alive;
        ~Guard() {
            if (*Alive)
                Doc->FDrawGuard = false;
        }
    } guard{this, alive};

    if (FrameCount() == 1 || !FPaintOptions.Contains(gpoStepFrames)) {
        Frame(0)->PaintFrame(canvas, rect, FPaintOptions.Contains(gpoUseTransparency),
                             FPaintOptions.Contains(gpoTiled));
        return;
    }
    const bool onTarget = FPaintOptions.Contains(gpoPaintOnTarget);
    if (FCachedBitmap && !onTarget) {
        PaintScreenBitmap(canvas, rect, ScreenBitmap());
        return;
    }
    {
        bool running;
        {
            // The painters' lock keeps the draw painter from ending while it is looked at.
            vcl::TThreadListLock painters(FPainters);
            running = FDrawPainter && FDrawPainter->GetTargetCanvas() == canvas &&
                      FDrawPainter->GetTargetRect() == rect && !FDrawPainter->GetTerminated();
        }
        if (running)
            return;
    }
    StopPlayback();
    vcl::TCanvas* target = canvas;
    vcl::TRect targetRect = rect;
    if (!onTarget) {
        vcl::TBitmap* screen = NewScreenBitmap();
        target = screen->GetCanvas();
        targetRect = target->GetClipRect();
        target->CopyRect(targetRect, canvas, rect);
    }
    TGifPainter* painter = StartPainter(&FDrawPainter, target, targetRect, FPaintOptions);
    if (!*alive || !painter)
        return;
    painter->Start();
    if (onTarget)
        return;
    // Show the screen bitmap once the first frame is in it.
    while (FDrawPainter && !FDrawPainter->GetTerminated() && !FDrawPainter->GetHasPainted()) {
        if (!PlaybackOnMainThread() || !vcl::CheckSynchronize(0))
            win::Sleep(0);
        if (!*alive)
            return;
    }
    PaintScreenBitmap(canvas, rect, ScreenBitmap());
}

void TGifDocument::PaintScreenBitmap(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TBitmap* bitmap) {
    if (!bitmap)
        return;
    if (!FPaintOptions.Contains(gpoTiled)) {
        canvas->StretchDraw(rect, bitmap);
        return;
    }
    const int32_t w = std::max(GetWidth(), 1), h = std::max(GetHeight(), 1);
    for (int64_t x = rect.Left; x < rect.Right; x += w)
        for (int64_t y = rect.Top; y < rect.Bottom; y += h)
            canvas->StretchDraw({int32_t(x), int32_t(y), int32_t(x) + w, int32_t(y) + h}, bitmap);
}

TGifPainter* TGifDocument::StartPainter(TGifPainter** painterRef, vcl::TCanvas* canvas,
                                        const vcl::TRect& rect, TGifPaintOptions options) {
    if (PlaybackOnMainThread())
        ReapEndedPainters();
    if (GetEmpty() || !canvas || rect.Left >= rect.Right || rect.Top >= rect.Bottom) {
        if (painterRef)
            *painterRef = nullptr;
        return nullptr;
    }
    if (FrameCount() == 1) {
        options.Exclude(gpoThreaded);
        options.Exclude(gpoStepFrames);
    }
    auto* painter = new TGifPainter(painterRef, this, canvas, rect, options);
    FPainters.Add(painter);
    painter->OnPlayStart = OnPlayStart;
    painter->OnBeforeFrame = OnBeforeFrame;
    painter->OnAfterFrame = OnAfterFrame;
    painter->OnLoopRestart = OnLoopRestart;
    painter->OnPlayEnd = OnPlayEnd;
    if (options.Contains(gpoThreaded)) {
        painter->SetPriority(
            vcl::TThreadPriority(std::clamp<int32_t>(FPainterPriority, vcl::tpIdle, vcl::tpTimeCritical)));
        return painter;
    }
    // Inline: the whole animation plays now. A handler may free this document meanwhile; the painter
    // then lets go of it and nothing here touches it again.
    std::shared_ptr<bool> alive = FAlive;
    std::unique_ptr<TGifPainter> owned(painter);
    owned->Play();
    std::exception_ptr kept = owned->GetKeptException();
    owned->Cleanup();
    owned.reset();
    if (*alive && painterRef)
        *painterRef = nullptr;
    if (kept)
        std::rethrow_exception(kept);
    return nullptr;
}

void TGifDocument::StopPlayback() {
    for (;;) {
        bool threaded = false;
        {
            vcl::TThreadListLock painters(FPainters);
            if (TGifPainter* painter = FDrawPainter) {
                painter->Stop();
                // A painter whose handler called this cannot end before we return: it is stopped and will
                // not touch the document again, which is all the caller needs.
                threaded = painter->IsThreaded() && !(PlaybackOnMainThread() && painter->IsInMainCall());
            }
        }
        if (!threaded)
            break;
        PlaybackYield();
    }
    FreeScreenBitmap();
    if (PlaybackOnMainThread())
        ReapEndedPainters();
}

void TGifDocument::StopAllPainters() {
    vcl::TryFinally(
        [&] {
            for (;;) {
                int32_t threaded = 0;
                {
                    vcl::TThreadListLock painters(FPainters);
                    for (int32_t i = painters->GetCount() - 1; i >= 0; --i) {
                        auto* painter = static_cast<TGifPainter*>(painters->Get(i));
                        painter->Stop();
                        if (painter->IsThreaded() && !(PlaybackOnMainThread() && painter->IsInMainCall()))
                            ++threaded;
                    }
                }
                if (threaded == 0)
                    break;
                PlaybackYield();
            }
        },
        [this] { FreeScreenBitmap(); });
    if (PlaybackOnMainThread())
        ReapEndedPainters();
}

void TGifDocument::FreeScreenBitmap() {
    if (FDrawPainter)
        FDrawPainter->Stop();
    FCachedBitmap.reset();
}

// ---- Clipboard ---------------------------------------------------------------------------------------

void TGifDocument::LoadFromClipboardFormat(uint16_t format, win::HANDLE data, win::HPALETTE palette) {
    if (!data)
        data = win::GetClipboardData(format);
    if (data && format == GifClipboardFormat && GifClipboardFormat != 0) {
        auto block = static_cast<win::HGLOBAL>(data);
        const size_t size = win::GlobalSize(block);
        vcl::TMemoryStream stream;
        if (const void* p = win::GlobalLock(block)) {
            vcl::ScopeExit unlock([block]() noexcept { win::GlobalUnlock(block); });
            stream.WriteBuffer(p, int64_t(size));
        }
        stream.SetPosition(0);
        LoadFromStream(&stream);
        return;
    }
    if (data && format == win::CF_BITMAP) {
        // The clipboard keeps its bitmap: copy it, then give the handle back untouched.
        vcl::TBitmap clip;
        clip.SetHandle(reinterpret_cast<win::HBITMAP>(data));
        vcl::TBitmap copy;
        vcl::TryFinally([&] { copy.Assign(&clip); }, [&] { clip.ReleaseHandle(); });
        Assign(&copy);
        return;
    }
    RaiseGifError("Unsupported clipboard format");
}

void TGifDocument::SaveToClipboardFormat(uint16_t& format, win::HANDLE& data, win::HPALETTE& palette) {
    if (GetEmpty())
        return;
    vcl::TBitmap* screen = ScreenBitmap();
    vcl::TBitmap copy;
    copy.Assign(screen);
    win::HBITMAP bitmap = copy.ReleaseHandle();
    win::HPALETTE bitmapPalette = vcl::CopyPalette(screen->GetPalette());
    auto release = [&] {
        if (bitmap)
            win::DeleteObject(bitmap);
        if (bitmapPalette)
            win::DeleteObject(bitmapPalette);
    };
    {
        // The bitmap and its palette go back only when the file stream cannot be put on the clipboard.
        vcl::ScopeExit released([&]() noexcept { release(); });
        vcl::TMemoryStream stream;
        SaveToStream(&stream);
        win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, size_t(stream.GetSize()));
        if (block) {
            void* p = win::GlobalLock(block);
            std::memcpy(p, stream.Memory(), size_t(stream.GetSize()));
            win::GlobalUnlock(block);
            if (!win::SetClipboardData(GifClipboardFormat, block)) {
                win::GlobalFree(block);
                RaiseGifError("Failed to store GIF on clipboard");
            }
        }
        released.Dismiss();
    }
    format = uint16_t(win::CF_BITMAP);
    data = reinterpret_cast<win::HANDLE>(bitmap);
    palette = bitmapPalette;
}

void TGifDocument::CopyToClipboard() {
    vcl::TClipboard* clipboard = vcl::Clipboard();
    clipboard->Open();
    vcl::TryFinally(
        [&] {
            clipboard->Clear();
            uint16_t format = 0;
            win::HANDLE data = nullptr;
            win::HPALETTE palette = nullptr;
            SaveToClipboardFormat(format, data, palette);
            if (data && !win::SetClipboardData(format, data)) {
                win::DeleteObject(reinterpret_cast<win::HBITMAP>(data));
                if (palette)
                    win::DeleteObject(palette);
                RaiseGifError("Failed to store GIF on clipboard");
            }
            if (palette && !win::SetClipboardData(win::CF_PALETTE, reinterpret_cast<win::HANDLE>(palette)))
                win::DeleteObject(palette);
        },
        [&] { clipboard->Close(); });
}

} // namespace gif
