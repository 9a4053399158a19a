// Playback: the painter's events, passes, delays and disposals on a manual clock; the document's Draw,
// its painter registry and the waits that stop painters; the clipboard and the module's registrations.
#include "GifTestUtil.h"

#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Picture.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/ole/Clipboard.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace gif;
using giftest::AddFrame;
using giftest::Blue;
using giftest::Bytes;
using giftest::Green;
using giftest::Red;
using giftest::White;

namespace {

TGifGraphicControlExtension* Control(TGifFrame* frame, int delay, int disposal = 0, int transparent = -1) {
    auto* gce = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetDelayTime(uint16_t(delay));
    gce->SetDisposalMethod(uint8_t(disposal));
    if (transparent >= 0) {
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(transparent);
    }
    return gce;
}

void Loop(TGifFrame* frame, int count) {
    auto* loop = new TGifLoopExtension(frame);
    loop->SetLoopCount(uint16_t(count));
    frame->GetExtensionList()->InsertItem(0, loop);
}

// A 2 x 1 animation of `frames` frames; frame i is all colour i of red, green, blue.
std::unique_ptr<TGifDocument> Animation(int frames, int delay) {
    auto doc = std::make_unique<TGifDocument>();
    for (vcl::TColor c : {Red, Green, Blue})
        doc->GlobalColorMap()->AppendColor(c);
    for (int i = 0; i < frames; ++i)
        Control(AddFrame(*doc, 2, 1, Bytes(2, uint8_t(i % 3))), delay);
    return doc;
}

std::unique_ptr<vcl::TBitmap> Target(int w, int h) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf32bit);
    b->SetSize(w, h);
    return b;
}

// Records the events with the frame number and the manual clock's time.
struct Recorder {
    std::vector<std::string> Events;
    void Attach(TGifDocument& doc) {
        auto add = [this](const char* name) {
            return [this, name](vcl::TObject* sender) {
                auto* painter = static_cast<TGifPainter*>(sender);
                Events.push_back(std::string(name) + " " + std::to_string(painter->GetCurrentFrame()) + " @" +
                                 std::to_string(win::timeGetTime()));
            };
        };
        doc.OnPlayStart = add("start");
        doc.OnBeforeFrame = add("before");
        doc.OnAfterFrame = add("after");
        doc.OnLoopRestart = add("restart");
        doc.OnPlayEnd = add("end");
    }
};

TGifPaintOptions Options(std::initializer_list<TGifPaintOption> options) {
    TGifPaintOptions set;
    for (TGifPaintOption o : options)
        set.Include(o);
    return set;
}

int PainterCount(TGifDocument& doc) {
    int count = doc.GetPainters()->LockList()->GetCount();
    doc.GetPainters()->UnlockList();
    return count;
}

// Serves the painters' synchronised calls until done() or the painter waits on the clock.
template <typename F> void Serve(F done) {
    for (int i = 0; i < 200000 && !done(); ++i) {
        if (!vcl::CheckSynchronize(0))
            win::Sleep(0);
    }
}

} // namespace

TEST(GifPlayback, InlinePainterEventsPassesAndDelays) {
    win::ManualClock clock(1000);
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    auto doc = Animation(2, 50);
    Loop(doc->Frame(0), 2);
    Recorder rec;
    rec.Attach(*doc);
    auto target = Target(2, 1);
    TGifPainter* ref = reinterpret_cast<TGifPainter*>(1);
    EXPECT_EQ(doc->StartPainter(&ref, target->GetCanvas(), {0, 0, 2, 1}, Options({gpoStepFrames, gpoRepeat})),
              nullptr);
    EXPECT_EQ(ref, nullptr);
    // The first frame waits one unit; each later frame the 50 units (500 ms) of the frame before it.
    EXPECT_EQ(rec.Events,
              (std::vector<std::string>{"start 0 @1000", "before 0 @1010", "after 0 @1010", "before 1 @1510",
                                        "after 1 @1510", "restart 0 @1510", "before 0 @2010", "after 0 @2010",
                                        "before 1 @2510", "after 1 @2510", "end -1 @2510"}));
    EXPECT_EQ(PainterCount(*doc), 0);
}

TEST(GifPlayback, LoopCountsAndRepeatOptions) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    struct Case {
        int LoopCount; // -1: no loop extension
        TGifPaintOptions Options;
        int Passes;
    };
    const TGifPaintOptions repeat = Options({gpoStepFrames, gpoRepeat});
    for (Case c : {Case{3, repeat, 3}, Case{0, repeat, 1}, Case{-1, repeat, 1},
                   Case{3, Options({gpoStepFrames}), 1}}) {
        auto doc = Animation(2, 2);
        if (c.LoopCount >= 0)
            Loop(doc->Frame(0), c.LoopCount);
        int starts = 0, restarts = 0, ends = 0;
        doc->OnPlayStart = [&](vcl::TObject*) { ++starts; };
        doc->OnLoopRestart = [&](vcl::TObject*) { ++restarts; };
        doc->OnPlayEnd = [&](vcl::TObject*) { ++ends; };
        auto target = Target(2, 1);
        doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1}, c.Options);
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(restarts, c.Passes - 1) << c.LoopCount;
        EXPECT_EQ(ends, 1);
    }
}

TEST(GifPlayback, DelayRulesAtSpeeds) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    struct Case {
        int Delay;
        int Speed;
        uint32_t Wait; // of the second frame
    };
    for (Case c : {Case{50, 100, 500}, Case{50, 200, 250}, Case{1, 100, 30}, Case{0, 100, 100},
                   Case{5000, 100, 10000}}) {
        auto doc = Animation(2, c.Delay);
        doc->SetPlaySpeed(c.Speed);
        std::vector<uint32_t> times;
        doc->OnBeforeFrame = [&](vcl::TObject*) { times.push_back(win::timeGetTime()); };
        auto target = Target(2, 1);
        doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1}, Options({gpoStepFrames}));
        ASSERT_EQ(times.size(), 2u);
        EXPECT_EQ(times[1] - times[0], c.Wait) << c.Delay << " at " << c.Speed;
    }
}

TEST(GifPlayback, ThreadedPainterWaitsOnTheClockAndStopsPromptly) {
    win::ManualClock clock(0);
    win::ScopedClock scoped(clock);
    auto doc = Animation(3, 50);
    Recorder rec;
    rec.Attach(*doc);
    auto target = Target(2, 1);
    TGifPainter* ref = nullptr;
    TGifPainter* painter =
        doc->StartPainter(&ref, target->GetCanvas(), {0, 0, 2, 1},
                          Options({gpoThreaded, gpoStepFrames, gpoRepeat, gpoRepeatForever}));
    ASSERT_NE(painter, nullptr);
    EXPECT_EQ(ref, painter);
    painter->Start();
    // Frame 0 is shown at once, then the painter waits 500 ms on the clock.
    Serve([&] { return rec.Events.size() >= 3 && win::GetBlockedWaitCount() > 0; });
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"start 0 @0", "before 0 @0", "after 0 @0"}));
    EXPECT_EQ(target->GetCanvas()->GetPixel(0, 0), Red);
    clock.Advance(499);
    Serve([&] { return win::GetBlockedWaitCount() > 0; });
    EXPECT_EQ(rec.Events.size(), 3u);
    clock.Advance(1);
    Serve([&] { return rec.Events.size() >= 5 && win::GetBlockedWaitCount() > 0; });
    EXPECT_EQ(rec.Events[3], "before 1 @500");
    EXPECT_EQ(target->GetCanvas()->GetPixel(0, 0), Green);
    // Stopping while it waits returns without the clock moving; no end event for a stopped painter.
    doc->StopAllPainters();
    EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(rec.Events.back(), "after 1 @500");
    EXPECT_EQ(PainterCount(*doc), 0);
}

TEST(GifPlayback, StopWhileThePainterWaitsInSynchronize) {
    win::ManualClock clock(0);
    win::ScopedClock scoped(clock);
    auto doc = Animation(2, 10);
    auto target = Target(2, 1);
    std::atomic<int> befores{0};
    doc->OnBeforeFrame = [&](vcl::TObject*) { ++befores; };
    TGifPainter* painter =
        doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1}, Options({gpoThreaded, gpoStepFrames}));
    ASSERT_NE(painter, nullptr);
    painter->Start();
    // Without serving its calls the painter blocks in its first synchronised call.
    for (int i = 0; i < 1000; ++i)
        win::Sleep(0);
    doc->StopAllPainters();
    EXPECT_EQ(befores.load(), 0) << "a call queued before the stop does not run after it";
    ReapEndedPainters();
}

TEST(GifPlayback, ExceptionsEndThePlayWithTheEndEventAndAnIssue) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    auto doc = Animation(2, 5);
    std::vector<std::string> issues;
    doc->OnIssue = [&](vcl::TObject*, int32_t, const std::string& m) { issues.push_back(m); };
    int ends = 0;
    doc->OnPlayEnd = [&](vcl::TObject*) { ++ends; };
    doc->OnAfterFrame = [](vcl::TObject*) { throw vcl::Exception("handler failed"); };
    auto target = Target(2, 1);
    EXPECT_THROW(doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1}, Options({gpoStepFrames})),
                 vcl::Exception);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(issues, (std::vector<std::string>{"handler failed"}));

    // Threaded: the same, and nothing leaves the thread.
    TGifPainter* painter =
        doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1}, Options({gpoThreaded, gpoStepFrames}));
    painter->Start();
    Serve([&] { return ends == 2; });
    EXPECT_EQ(ends, 2);
    doc->StopAllPainters();
}

TEST(GifPlayback, DisposalsComposeLikeOtherViewers) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    // Screen 3 x 1 of blue (frame 0); frame 1 paints red at x = 1 and disposes as given; frame 2 paints
    // green at x = 2, transparent elsewhere.
    for (int disposal : {0, 1, 2, 3}) {
        auto doc = std::make_unique<TGifDocument>();
        for (vcl::TColor c : {Red, Green, Blue})
            doc->GlobalColorMap()->AppendColor(c);
        doc->SetPlaybackBackground(White);
        Control(AddFrame(*doc, 3, 1, {2, 2, 2}), 1);
        Control(AddFrame(*doc, 1, 1, {0}, 1, 0), 1, disposal);
        Control(AddFrame(*doc, 3, 1, {1, 1, 1}), 1, 0, 1)->SetTransparentIndex(0);
        doc->Frame(2)->GetPixels()[2] = 1;
        doc->Frame(2)->GetPixels()[0] = doc->Frame(2)->GetPixels()[1] = 0;
        std::vector<std::string> shown;
        auto target = Target(3, 1);
        doc->OnAfterFrame = [&](vcl::TObject*) {
            std::string s;
            for (int x = 0; x < 3; ++x) {
                vcl::TColor c = target->GetCanvas()->GetPixel(x, 0);
                s += c == Red ? 'R' : c == Green ? 'G' : c == Blue ? 'B' : c == White ? 'W' : '?';
            }
            shown.push_back(s);
        };
        doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 3, 1},
                          Options({gpoStepFrames, gpoUseTransparency}));
        const char* last = disposal == 2 ? "BWG" : disposal == 3 ? "BBG" : "BRG";
        EXPECT_EQ(shown, (std::vector<std::string>{"BBB", "BRB", last})) << "disposal " << disposal;
    }
}

TEST(GifPlayback, DrawPaintsFrameZeroOrAnimatesInlineWithoutReentry) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    auto one = Animation(1, 10);
    auto target = Target(2, 1);
    one->Draw(target->GetCanvas(), {0, 0, 2, 1});
    EXPECT_EQ(target->GetCanvas()->GetPixel(1, 0), Red);
    EXPECT_EQ(one->GetDrawPainter(), nullptr);

    auto doc = Animation(3, 10);
    doc->SetPaintOptions(Options({gpoStepFrames, gpoPaintOnTarget}));
    int befores = 0, nested = 0;
    doc->OnBeforeFrame = [&](vcl::TObject*) {
        ++befores;
        doc->Draw(target->GetCanvas(), {0, 0, 2, 1}); // re-entry does nothing
        nested += doc->GetDrawPainter() != nullptr;
    };
    doc->Draw(target->GetCanvas(), {0, 0, 2, 1});
    EXPECT_EQ(befores, 3) << "Draw returns after the whole animation";
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(doc->GetDrawPainter(), nullptr);
    EXPECT_EQ(target->GetCanvas()->GetPixel(0, 0), Blue);

    doc->SetPaintOptions(Options({gpoPaintOnTarget}));
    befores = 0;
    doc->Draw(target->GetCanvas(), {0, 0, 2, 1});
    EXPECT_EQ(befores, 0) << "without stepping only frame 0 is painted";
    EXPECT_EQ(target->GetCanvas()->GetPixel(0, 0), Red);
    doc->StopPlayback(); // nothing runs: returns at once
}

TEST(GifPlayback, ThreadedDrawIntoTheScreenBitmap) {
    win::ManualClock clock;
    win::ScopedClock scoped(clock);
    auto doc = Animation(2, 20);
    doc->SetPaintOptions(Options({gpoThreaded, gpoStepFrames, gpoRepeat}));
    auto target = Target(4, 2);
    doc->Draw(target->GetCanvas(), {0, 0, 4, 2});
    ASSERT_NE(doc->GetDrawPainter(), nullptr);
    ASSERT_NE(doc->GetCachedBitmap(), nullptr);
    EXPECT_EQ(target->GetCanvas()->GetPixel(3, 1), Red) << "the first frame, stretched";
    TGifPainter* first = doc->GetDrawPainter();
    doc->Draw(target->GetCanvas(), {0, 0, 4, 2}); // shows the screen bitmap; the animation goes on
    EXPECT_EQ(doc->GetDrawPainter(), first);
    doc->StopPlayback();
    EXPECT_EQ(doc->GetDrawPainter(), nullptr);
    EXPECT_EQ(doc->GetCachedBitmap(), nullptr);
}

TEST(GifPlayback, DitheringFollowsTheScreenDepth) {
    TGifDocument doc;
    doc.SetPaintOptions(Options({gpoDither, gpoDitherLowColor}));
    EXPECT_FALSE(doc.DitherActive());
    win::SetScreenBitsPixel(8);
    InitializeGifModule();
    EXPECT_TRUE(LowColorDisplay);
    EXPECT_TRUE(doc.DitherActive());
    win::SetScreenBitsPixel(32);
    InitializeGifModule();
    EXPECT_FALSE(doc.DitherActive());
    doc.SetPaintOptions(Options({gpoDither}));
    EXPECT_TRUE(doc.DitherActive());
}

TEST(GifPlayback, ClipboardCarriesTheGifStreamAndABitmap) {
    // The document's own copy and the class library's clipboard object put the same two formats there.
    for (bool throughClipboardObject : {false, true}) {
        auto copied = Animation(3, 10);
        win::OpenClipboard(nullptr);
        win::EmptyClipboard();
        win::CloseClipboard();
        if (throughClipboardObject)
            vcl::Clipboard()->Assign(copied.get());
        else
            copied->CopyToClipboard();
        ASSERT_TRUE(win::OpenClipboard(nullptr));
        EXPECT_TRUE(win::IsClipboardFormatAvailable(win::CF_BITMAP)) << throughClipboardObject;
        TGifDocument pasted;
        pasted.LoadFromClipboardFormat(GifClipboardFormat, nullptr, nullptr);
        EXPECT_EQ(pasted.FrameCount(), 3) << throughClipboardObject;
        win::CloseClipboard();
    }
    auto doc = Animation(2, 10);
    doc->CopyToClipboard();
    ASSERT_NE(GifClipboardFormat, 0);
    EXPECT_TRUE(vcl::TPicture::SupportsClipboardFormat(GifClipboardFormat));
    ASSERT_TRUE(win::OpenClipboard(nullptr));
    EXPECT_TRUE(win::IsClipboardFormatAvailable(win::CF_BITMAP));
    TGifDocument pasted;
    pasted.LoadFromClipboardFormat(GifClipboardFormat, nullptr, nullptr);
    EXPECT_EQ(pasted.FrameCount(), 2);
    TGifDocument fromBitmap;
    fromBitmap.LoadFromClipboardFormat(uint16_t(win::CF_BITMAP), nullptr, nullptr);
    ASSERT_EQ(fromBitmap.FrameCount(), 1);
    EXPECT_EQ(fromBitmap.GetWidth(), 2);
    EXPECT_THROW(fromBitmap.LoadFromClipboardFormat(uint16_t(win::CF_TEXT), nullptr, nullptr), EGifError);
    win::CloseClipboard();
    auto graphic = vcl::TPicture::CreateForFileName("anim.GIF");
    EXPECT_NE(dynamic_cast<TGifDocument*>(graphic.get()), nullptr);
}

TEST(GifPlayback, SpeedZeroWaitsForTheWakeAndNegativeSpeedDoesNotWait) {
    win::ManualClock clock(0);
    win::ScopedClock scoped(clock);
    for (int speed : {0, -1}) {
        auto doc = Animation(3, 50);
        doc->SetPlaySpeed(speed);
        std::atomic<int> befores{0}, ends{0};
        doc->OnBeforeFrame = [&](vcl::TObject*) { ++befores; };
        doc->OnPlayEnd = [&](vcl::TObject*) { ++ends; };
        auto target = Target(2, 1);
        TGifPainter* painter = doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1},
                                                 Options({gpoThreaded, gpoStepFrames}));
        ASSERT_NE(painter, nullptr);
        painter->Start();
        if (speed == 0) {
            Serve([&] { return befores == 1 && win::GetBlockedWaitCount() > 0; });
            clock.Advance(100000);
            Serve([&] { return false; }); // time alone does not move it on
            EXPECT_EQ(befores.load(), 1);
        } else {
            Serve([&] { return ends == 1; });
            EXPECT_EQ(befores.load(), 3) << "all frames without the clock moving";
        }
        doc->StopAllPainters();
        EXPECT_EQ(ends.load(), speed == 0 ? 0 : 1);
    }
}

TEST(GifPlayback, AHandlerThatFreesTheDocumentEndsTheInlinePlay) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    auto doc = Animation(3, 10);
    doc->SetPaintOptions(Options({gpoStepFrames, gpoPaintOnTarget}));
    TGifDocument* raw = doc.get();
    int afters = 0;
    doc->OnAfterFrame = [&](vcl::TObject* sender) {
        ++afters;
        EXPECT_EQ(static_cast<TGifPainter*>(sender)->GetPlayedImage(), raw);
        doc.reset();
    };
    auto target = Target(2, 1);
    raw->Draw(target->GetCanvas(), {0, 0, 2, 1});
    EXPECT_EQ(afters, 1);
    EXPECT_EQ(doc, nullptr);
}

TEST(GifPlayback, HandlersOfAThreadedPainterMayStopItOrFreeTheDocument) {
    win::ManualClock clock;
    win::ScopedClock scoped(clock);
    for (bool freeIt : {false, true}) {
        auto doc = Animation(3, 10);
        int befores = 0;
        doc->OnBeforeFrame = [&](vcl::TObject*) {
            ++befores;
            if (freeIt)
                doc.reset();
            else
                doc->StopAllPainters(); // as the editor's end-of-play handler stops the preview
        };
        auto target = Target(2, 1);
        TGifPainter* painter = doc->StartPainter(nullptr, target->GetCanvas(), {0, 0, 2, 1},
                                                 Options({gpoThreaded, gpoStepFrames}));
        painter->Start();
        Serve([&] { return befores == 1 && (freeIt || PainterCount(*doc) == 0); });
        EXPECT_EQ(befores, 1);
        EXPECT_EQ(doc == nullptr, freeIt);
        if (doc)
            doc->StopAllPainters();
        for (int i = 0; i < 1000; ++i) {
            vcl::CheckSynchronize(0);
            win::Sleep(0);
        }
        ReapEndedPainters();
    }
}
