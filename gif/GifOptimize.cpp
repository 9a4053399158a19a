// The document's optimisation: sorting and pruning the colour tables, dropping transparency and disposals
// that change nothing on the screen, blanking pixels that repeat what the screen already shows, cropping
// transparent borders and removing blocks a viewer does not need. Every step keeps what the animation
// shows, frame by frame and over time.
#include "gif/GifOptimize.h"

#include "gif/GifColorMapOptimizer.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gif {

bool ContainsByte(const uint8_t* buffer, uint8_t value, int64_t count) {
    return buffer && count > 0 && std::memchr(buffer, value, size_t(count)) != nullptr;
}

namespace {

const char* const OptimizeText = "Optimizing...";

// Steps done out of a total fixed at the start, reported as a percentage.
class OptimizeProgress {
public:
    OptimizeProgress(TGifDocument* image, int64_t total)
        : FImage(image), FTotal(std::max<int64_t>(total, 1)) {}
    void Step(int64_t steps = 1) { FDone += steps; }
    void Report() {
        auto percent = uint8_t(std::min<int64_t>(FDone * 100 / FTotal, 100));
        FImage->ReportProgress(FImage, vcl::psRunning, percent, false, OptimizeText);
    }

private:
    TGifDocument* FImage;
    int64_t FTotal;
    int64_t FDone = 0;
};

uint8_t OptimizeDisposal(const TGifFrame* frame) {
    const TGifGraphicControlExtension* control = frame->GetControlExtension();
    return control ? control->GetDisposalMethod() : uint8_t(dpUnspecified);
}

bool OptimizeIsTransparent(const TGifFrame* frame) {
    return frame->GetTransparentFrame() && frame->GetControlExtension();
}

// The smallest rectangle (frame coordinates) holding every pixel other than transparent; empty when
// there is none.
vcl::TRect OptimizeOpaqueBounds(TGifFrame* frame, uint8_t transparent) {
    const int32_t width = frame->Descriptor().Width;
    const int32_t height = frame->Descriptor().Height;
    vcl::TRect bounds{width, height, 0, 0};
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = frame->RowAddress(y);
        int32_t left = 0;
        while (left < width && row[left] == transparent)
            ++left;
        if (left == width)
            continue;
        int32_t right = width - 1;
        while (row[right] == transparent)
            --right;
        bounds.Left = std::min(bounds.Left, left);
        bounds.Right = std::max(bounds.Right, right + 1);
        bounds.Top = std::min(bounds.Top, y);
        bounds.Bottom = y + 1;
    }
    return bounds;
}

// Keeps the part r (frame coordinates) of the frame's pixels; the frame moves on the screen by r's
// top-left corner. The screen stays as it is.
void OptimizeCrop(TGifFrame* frame, const vcl::TRect& r) {
    const int32_t width = r.Right - r.Left;
    const int32_t height = r.Bottom - r.Top;
    std::vector<uint8_t> kept(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(kept.data() + size_t(y) * size_t(width), frame->RowAddress(r.Top + y) + r.Left,
                    size_t(width));
    TGifImageDescriptor& d = frame->Descriptor();
    d.Left = uint16_t(d.Left + r.Left);
    d.Top = uint16_t(d.Top + r.Top);
    d.Width = uint16_t(width);
    d.Height = uint16_t(height);
    frame->AllocatePixels();
    std::memcpy(frame->GetPixels(), kept.data(), kept.size());
    frame->FreeFrameBitmap();
    frame->FreeMaskHandle();
}

// The frame's control extension, made and appended when it has none.
TGifGraphicControlExtension* OptimizeControlOf(TGifFrame* frame) {
    if (TGifGraphicControlExtension* control = frame->GetControlExtension())
        return control;
    auto control = std::make_unique<TGifGraphicControlExtension>(frame);
    frame->GetExtensionList()->AppendItem(control.get());
    return control.release();
}

// Copies the given extensions of one frame to the front of another frame's list, in their order.
void OptimizeCopyExtensionsToFront(const std::vector<TGifExtension*>& extensions, TGifFrame* to) {
    if (extensions.empty())
        return;
    vcl::TMemoryStream stream;
    for (TGifExtension* extension : extensions)
        extension->SaveToStream(&stream);
    stream.SetPosition(0);
    TGifExtensionList* list = to->GetExtensionList();
    int32_t before = list->ItemCount();
    list->ReadItems(&stream, to);
    for (int32_t i = 0; before + i < list->ItemCount(); ++i)
        list->MoveItem(before + i, i);
}

bool OptimizeCanAddTransparentIndex(TGifFrame* frame) {
    int32_t local = frame->GetLocalColorMap()->GetEntryCount();
    if (local > 0)
        return local < TGifColorMap::MaxEntries;
    TGifDocument* image = frame->GetOwnerImage();
    int32_t global = image ? image->GlobalColorMap()->GetEntryCount() : 0;
    return global >= 1 && global < TGifColorMap::MaxEntries;
}

// A colour index that frame can make transparent without hiding a colour it shows, or -1.
int32_t OptimizeAllocateTransparentIndex(TGifFrame* frame) {
    TGifLocalColorMap* local = frame->GetLocalColorMap();
    if (local->GetEntryCount() > 0)
        return local->GetEntryCount() < TGifColorMap::MaxEntries ? local->AppendColor(0) : -1;
    TGifDocument* image = frame->GetOwnerImage();
    if (!image)
        return -1;
    TGifGlobalColorMap* global = image->GlobalColorMap();
    // Share a transparent entry of the global table, unless this frame shows that entry's colour.
    for (int32_t i = 0; i < image->FrameCount(); ++i) {
        TGifFrame* other = image->Frame(i);
        if (other == frame || !OptimizeIsTransparent(other) || other->GetLocalColorMap()->GetEntryCount() > 0)
            continue;
        uint8_t index = other->GetControlExtension()->GetTransparentIndex();
        if (index < global->GetEntryCount() &&
            !ContainsByte(frame->GetPixels(), index, frame->GetPixelCount()))
            return index;
    }
    return global->GetEntryCount() < TGifColorMap::MaxEntries ? global->AppendColor(0) : -1;
}

bool OptimizeSameColor(TGifColorMap* mapA, uint8_t a, TGifColorMap* mapB, uint8_t b) {
    // An index beyond its table shows no defined colour: it never counts as equal.
    if (a >= mapA->GetEntryCount() || b >= mapB->GetEntryCount())
        return false;
    return (mapA == mapB && a == b) || mapA->Entry(a) == mapB->Entry(b);
}

// Each table sorted by use, most used first, without the entries no pixel uses (the global table counts the
// screen's background entry as used).
void OptimizeSortColorTables(TGifDocument* image, OptimizeProgress& progress) {
    image->GlobalColorMap()->ReorderByUse();
    for (int32_t i = 0; i < image->FrameCount(); ++i) {
        progress.Step();
        TGifLocalColorMap* local = image->Frame(i)->GetLocalColorMap();
        if (local->GetEntryCount() > 0) {
            local->ReorderByUse();
            progress.Report();
        }
    }
}

void OptimizeDropInvisibleSettings(TGifDocument* image, OptimizeProgress& progress) {
    // Transparency no pixel uses.
    for (int32_t i = 0; i < image->FrameCount(); ++i) {
        progress.Step();
        TGifFrame* frame = image->Frame(i);
        if (!OptimizeIsTransparent(frame))
            continue;
        TGifGraphicControlExtension* control = frame->GetControlExtension();
        if (!ContainsByte(frame->GetPixels(), control->GetTransparentIndex(), frame->GetPixelCount())) {
            control->SetTransparentFlag(false);
            progress.Report();
        }
    }
    // Restoring an area that the next frame covers with opaque pixels shows nothing, unless that next frame
    // restores what was there before it.
    for (int32_t i = 0; i + 1 < image->FrameCount(); ++i) {
        progress.Step();
        TGifFrame* frame = image->Frame(i);
        TGifFrame* next = image->Frame(i + 1);
        uint8_t disposal = OptimizeDisposal(frame);
        if ((disposal != dpRestoreBackground && disposal != dpRestorePrevious) || next->GetTransparentFrame())
            continue;
        vcl::TRect rect = frame->FrameRect();
        vcl::TRect nextRect = next->FrameRect();
        if (win::Intersect(rect, nextRect).IsEmpty())
            continue;
        if (win::Contains(nextRect, rect) && OptimizeDisposal(next) != dpRestorePrevious)
            frame->GetControlExtension()->SetDisposalMethod(dpUnspecified);
        progress.Report();
    }
}

void OptimizeBlankUnchanged(TGifDocument* image, OptimizeProgress& progress) {
    // Backwards, so that each frame is compared with a predecessor that has not been changed yet.
    for (int32_t k = image->FrameCount() - 1; k >= 1; --k) {
        progress.Step();
        // A frame that restores what was there before it leaves the screen of the frame before it.
        int32_t previous = k - 1;
        while (previous > 0 && OptimizeDisposal(image->Frame(previous)) == dpRestorePrevious)
            --previous;
        image->Frame(k)->BlankUnchangedPixels(image->Frame(previous));
        progress.Report();
    }
}

// A frame that shows nothing can go when the screen it leaves is the one before it: its time is added to
// the frame before it and its other blocks move to the frame after it.
bool OptimizeCanRemoveInvisibleFrame(TGifDocument* image, int32_t k) {
    if (k == 0 || k == image->FrameCount() - 1)
        return false;
    uint8_t before = OptimizeDisposal(image->Frame(k - 1));
    return (before == dpUnspecified || before == dpKeep) &&
           OptimizeDisposal(image->Frame(k)) != dpRestoreBackground;
}

void OptimizeRemoveInvisibleFrame(TGifDocument* image, int32_t k) {
    TGifFrame* frame = image->Frame(k);
    TGifGraphicControlExtension* control = frame->GetControlExtension();
    uint16_t delay = control ? control->GetDelayTime() : 0;
    if (delay > 0) {
        TGifGraphicControlExtension* before = OptimizeControlOf(image->Frame(k - 1));
        before->SetDelayTime(uint16_t(std::min<int32_t>(before->GetDelayTime() + delay, 65535)));
    }
    std::vector<TGifExtension*> others;
    TGifExtensionList* list = frame->GetExtensionList();
    for (int32_t i = 0; i < list->ItemCount(); ++i)
        if (!dynamic_cast<TGifGraphicControlExtension*>(list->ExtensionAt(i)))
            others.push_back(list->ExtensionAt(i));
    OptimizeCopyExtensionsToFront(others, image->Frame(k + 1));
    image->GetFrames()->FreeItemAt(k);
}

void OptimizeTrimTransparent(TGifDocument* image, OptimizeProgress& progress) {
    for (int32_t k = image->FrameCount() - 1; k >= 0; --k) {
        progress.Step();
        TGifFrame* frame = image->Frame(k);
        // Restoring the background clears the frame's whole rectangle: cropping would clear less.
        if (frame->IsEmpty() || !OptimizeIsTransparent(frame) ||
            OptimizeDisposal(frame) == dpRestoreBackground)
            continue;
        uint8_t transparent = frame->GetControlExtension()->GetTransparentIndex();
        if (!OptimizeOpaqueBounds(frame, transparent).IsEmpty()) {
            frame->TrimTransparentBorder();
        } else if (OptimizeCanRemoveInvisibleFrame(image, k)) {
            OptimizeRemoveInvisibleFrame(image, k);
        } else {
            // It has to stay for its time or its place in the sequence: one transparent pixel will do.
            OptimizeCrop(frame, {0, 0, 1, 1});
        }
        progress.Report();
    }
}

bool OptimizeIsLoopExtension(TGifExtension* extension) {
    return dynamic_cast<TGifLoopExtension*>(extension) != nullptr;
}

// Viewers take the loop count wherever it stands: one found only on a later frame moves to frame 0.
void OptimizeKeepLoopCountOnFirstFrame(TGifDocument* image) {
    TGifExtensionList* first = image->Frame(0)->GetExtensionList();
    for (int32_t i = 0; i < first->ItemCount(); ++i)
        if (OptimizeIsLoopExtension(first->ExtensionAt(i)))
            return;
    for (int32_t k = 1; k < image->FrameCount(); ++k) {
        TGifExtensionList* list = image->Frame(k)->GetExtensionList();
        for (int32_t i = 0; i < list->ItemCount(); ++i) {
            if (OptimizeIsLoopExtension(list->ExtensionAt(i))) {
                OptimizeCopyExtensionsToFront({list->ExtensionAt(i)}, image->Frame(0));
                return;
            }
        }
    }
}

void OptimizeRemoveUnneededBlocks(TGifDocument* image, OptimizeProgress& progress) {
    if (image->FrameCount() > 1)
        OptimizeKeepLoopCountOnFirstFrame(image);
    for (int32_t k = image->FrameCount() - 1; k >= 0; --k) {
        TGifFrame* frame = image->Frame(k);
        TGifExtensionList* list = frame->GetExtensionList();
        for (int32_t i = list->ItemCount() - 1; i >= 0; --i) {
            TGifExtension* extension = list->ExtensionAt(i);
            bool unneeded = dynamic_cast<TGifCommentExtension*>(extension) ||
                            dynamic_cast<TGifTextExtension*>(extension) ||
                            dynamic_cast<TGifUnknownAppExtension*>(extension) ||
                            (OptimizeIsLoopExtension(extension) && (k != 0 || image->FrameCount() == 1));
            if (unneeded)
                list->FreeItemAt(i);
        }
        bool single = image->FrameCount() == 1;
        TGifGraphicControlExtension* control = frame->GetControlExtension();
        if (control && (control->GetDelayTime() == 0 || single) && !control->GetTransparentFlag() &&
            !control->GetUserInputFlag() &&
            (control->GetDisposalMethod() == dpUnspecified || control->GetDisposalMethod() == dpKeep ||
             single))
            if (int32_t index = list->IndexOf(control); index >= 0)
                list->FreeItemAt(index);
        if (frame->IsEmpty() && list->ItemCount() == 0)
            image->GetFrames()->FreeItemAt(k);
    }
    progress.Report();
}

} // namespace

void TGifDocument::Optimize(TGifOptimizeOptions options, TGifReductionMethod method, TGifDitherMethod dither,
                            int32_t bits) {
    (void)dither;
    (void)bits;
    if (FrameCount() == 0)
        return;
    // Refused before anything changes. No colours are reduced in any case.
    if (!(options & opCleanUp) && (options & opReduceColors) && method == rdGivenPalette)
        RaiseGifError("Invalid reduction method");
    StopAllPainters();
    // No painter starts while the frames change.
    vcl::TThreadListLock painters(FPainters);
    ReportProgress(this, vcl::psStarting, 0, false, OptimizeText);
    try {
        const int64_t frames = FrameCount();
        OptimizeProgress progress(this, 6 * frames);
        if (options & opSortColorTables)
            OptimizeSortColorTables(this, progress);
        else
            progress.Step(frames);
        if (options & opCleanUp)
            OptimizeDropInvisibleSettings(this, progress);
        else
            progress.Step(2 * frames);
        if (options & opBlankUnchanged)
            OptimizeBlankUnchanged(this, progress);
        else
            progress.Step(frames);
        if (options & opTrimTransparent)
            OptimizeTrimTransparent(this, progress);
        else
            progress.Step(frames);
        progress.Step(frames);
        if (options & opCleanUp)
            OptimizeRemoveUnneededBlocks(this, progress);
        // Bitmaps and palettes were built from the old pixels and tables.
        ResetRendering();
    } catch (...) {
        ReportProgress(this, vcl::psEnding, 0, false, OptimizeText);
        throw;
    }
    ReportProgress(this, vcl::psEnding, 100, false, OptimizeText);
}

void TGifDocument::OptimizeToGlobalColorMap() {
    TColorMapOptimizer optimizer(this);
    optimizer.Optimize();
}

void TGifFrame::TrimTransparentBorder() {
    if (IsEmpty() || !FTransparentFrame || !FControlExtension)
        return;
    vcl::TRect bounds = OptimizeOpaqueBounds(this, FControlExtension->GetTransparentIndex());
    if (bounds.IsEmpty()) {
        ClearFrame();
        return;
    }
    if (bounds.Left == 0 && bounds.Top == 0 && bounds.Right == FDescriptor.Width &&
        bounds.Bottom == FDescriptor.Height)
        return;
    // A frame reaching beyond the largest screen keeps its place: a position past 65535 cannot be stored.
    if (FDescriptor.Left + bounds.Left > 65535 || FDescriptor.Top + bounds.Top > 65535)
        return;
    OptimizeCrop(this, bounds);
}

void TGifFrame::BlankUnchangedPixels(TGifFrame* previous) {
    if (IsEmpty() || !previous || previous->IsEmpty())
        return;
    uint8_t previousDisposal = OptimizeDisposal(previous);
    if (previousDisposal == dpRestoreBackground || previousDisposal == dpRestorePrevious)
        return;
    const vcl::TRect rect = FrameRect();
    const vcl::TRect previousRect = previous->FrameRect();
    const vcl::TRect overlap = win::Intersect(rect, previousRect);
    if (overlap.IsEmpty())
        return;
    TGifColorMap* map = EffectiveColorMap();
    TGifColorMap* previousMap = previous->EffectiveColorMap();
    const bool wasTransparent = OptimizeIsTransparent(this);
    int32_t blank = -1;
    if (wasTransparent) {
        blank = FControlExtension->GetTransparentIndex();
        // An index beyond the table could not be written back: leave such a frame as it is.
        if (blank >= map->GetEntryCount())
            return;
    } else if (!OptimizeCanAddTransparentIndex(this)) {
        return;
    }
    const int32_t previousTransparent =
        OptimizeIsTransparent(previous) ? previous->GetControlExtension()->GetTransparentIndex() : -1;
    for (int32_t y = overlap.Top; y < overlap.Bottom; ++y) {
        uint8_t* row = RowAddress(y - rect.Top) + (overlap.Left - rect.Left);
        const uint8_t* previousRow =
            previous->RowAddress(y - previousRect.Top) + (overlap.Left - previousRect.Left);
        for (int32_t x = 0; x < overlap.Right - overlap.Left; ++x) {
            uint8_t f = row[x];
            uint8_t p = previousRow[x];
            if (f == blank || p == previousTransparent || !OptimizeSameColor(map, f, previousMap, p))
                continue;
            if (blank < 0) {
                blank = OptimizeAllocateTransparentIndex(this);
                if (blank < 0)
                    return;
            }
            row[x] = uint8_t(blank);
        }
    }
    if (!wasTransparent && blank >= 0) {
        TGifGraphicControlExtension* control = OptimizeControlOf(this);
        control->SetTransparentFlag(true);
        control->SetTransparentIndex(blank);
    }
    FreeFrameBitmap();
    FreeMaskHandle();
}

} // namespace gif
