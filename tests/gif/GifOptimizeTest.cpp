#include "GifTestUtil.h"
#include "gif/GifOptimize.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Thread.h"
#include "platform/win/kernel/Kernel.h"

#include <gtest/gtest.h>

#include <random>

using namespace gif;
using namespace giftest;

namespace {

TGifColor OptRgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

TGifGraphicControlExtension* OptGce(TGifFrame* frame, int disposal, int delay, int transparent = -1) {
    auto* control = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(control);
    control->SetDisposalMethod(uint8_t(disposal));
    control->SetDelayTime(uint16_t(delay));
    if (transparent >= 0) {
        control->SetTransparentIndex(transparent);
        control->SetTransparentFlag(true);
    }
    return control;
}

void OptGlobalColors(TGifDocument& doc, int count) {
    for (int i = 0; i < count; ++i)
        doc.GlobalColorMap()->AppendColor(OptRgb(i * 40 % 256, i * 90 % 256, i * 17 % 256));
}

// What a viewer shows over time: every composed screen (RGBA, 0 where nothing was drawn, which is also
// what restoring the background leaves) with how long it stands; equal consecutive screens are merged.
struct OptShot {
    std::vector<uint32_t> Screen;
    int Delay = 0;
    bool operator==(const OptShot&) const = default;
};

std::vector<OptShot> OptCompose(TGifDocument& doc) {
    const int width = doc.GetWidth();
    const int height = doc.GetHeight();
    std::vector<uint32_t> screen(size_t(width * height), 0);
    std::vector<OptShot> shots;
    for (int i = 0; i < doc.FrameCount(); ++i) {
        TGifFrame* frame = doc.Frame(i);
        if (frame->IsEmpty())
            continue;
        TGifGraphicControlExtension* control = frame->GetControlExtension();
        int disposal = control ? control->GetDisposalMethod() : 0;
        int transparent = frame->GetTransparentFrame() && control ? control->GetTransparentIndex() : -1;
        std::vector<uint32_t> saved = screen;
        const TGifImageDescriptor& d = frame->Descriptor();
        TGifColorMap* map = frame->EffectiveColorMap();
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                uint8_t index = frame->PixelAt(x, y);
                if (index == transparent)
                    continue;
                EXPECT_LT(index, map->GetEntryCount()) << "frame " << i;
                uint32_t color = index < map->GetEntryCount()
                                     ? uint32_t(TGifColorMap::RGBToColor(map->Entry(index)))
                                     : 0x123456u;
                screen[size_t((d.Top + y) * width + d.Left + x)] = color | 0xFF000000u;
            }
        }
        int delay = control ? control->GetDelayTime() : 0;
        if (!shots.empty() && shots.back().Screen == screen)
            shots.back().Delay += delay;
        else
            shots.push_back({screen, delay});
        if (disposal == dpRestoreBackground) {
            for (int y = d.Top; y < d.Top + d.Height; ++y)
                for (int x = d.Left; x < d.Left + d.Width; ++x)
                    screen[size_t(y * width + x)] = 0;
        } else if (disposal == dpRestorePrevious) {
            screen = saved;
        }
    }
    return shots;
}

int64_t OptTotalDelay(TGifDocument& doc) {
    int64_t total = 0;
    for (int i = 0; i < doc.FrameCount(); ++i)
        if (TGifGraphicControlExtension* control = doc.Frame(i)->GetControlExtension())
            total += control->GetDelayTime();
    return total;
}

constexpr TGifOptimizeOptions OptAll = opTrimTransparent | opBlankUnchanged | opCleanUp | opSortColorTables;

// A random little animation: frames over an 8 x 6 screen with global or local tables drawn from a few
// colours (so that tables share colours), any disposal, transparency, pixels that often repeat the frame
// before, and now and then a frame that is transparent throughout.
std::unique_ptr<TGifDocument> OptRandomAnimation(uint32_t seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };
    const TGifColor palette[] = {OptRgb(0, 0, 0),   OptRgb(255, 0, 0),   OptRgb(0, 255, 0),
                                 OptRgb(0, 0, 255), OptRgb(255, 255, 0), OptRgb(9, 9, 9)};
    auto doc = std::make_unique<TGifDocument>();
    for (int i = 0; i < 4; ++i)
        doc->GlobalColorMap()->AppendColor(palette[pick(6)]);
    int frames = 2 + pick(5);
    std::vector<uint8_t> last;
    for (int f = 0; f < frames; ++f) {
        int w = f == 0 ? 8 : 1 + pick(8);
        int h = f == 0 ? 6 : 1 + pick(6);
        TGifFrame* frame = AddFrame(*doc, w, h, {}, f == 0 ? 0 : pick(9 - w), f == 0 ? 0 : pick(7 - h));
        int colors = 4;
        if (pick(2)) {
            colors = 2 + pick(5);
            for (int c = 0; c < colors; ++c)
                frame->GetLocalColorMap()->AppendColor(palette[pick(6)]);
        }
        int transparent = pick(3) == 0 ? -1 : pick(colors);
        bool invisible = transparent >= 0 && pick(4) == 0;
        for (int64_t p = 0; p < frame->GetPixelCount(); ++p) {
            int v = pick(colors);
            if (invisible)
                v = transparent;
            else if (pick(3) > 0 && size_t(p) < last.size())
                v = last[size_t(p)] % colors;
            frame->GetPixels()[p] = uint8_t(v);
        }
        last = FramePixels(frame);
        if (pick(5) > 0 || transparent >= 0)
            OptGce(frame, pick(4), pick(3) * 5, transparent);
    }
    return doc;
}

TEST(GifOptimize, ContainsByteLooksAtTheFirstCountBytes) {
    const uint8_t bytes[] = {1, 2, 3, 4};
    EXPECT_TRUE(ContainsByte(bytes, 3, 4));
    EXPECT_FALSE(ContainsByte(bytes, 4, 3));
    EXPECT_FALSE(ContainsByte(bytes, 1, 0));
    EXPECT_FALSE(ContainsByte(nullptr, 0, 0));
}

TEST(GifOptimize, EmptyDocumentIsLeftAloneWithoutProgress) {
    TGifDocument doc;
    int reports = 0;
    doc.OnProgress = [&](vcl::TObject*, vcl::TProgressStage, uint8_t, bool, const vcl::TRect&,
                         const std::string&) { ++reports; };
    doc.Optimize(OptAll, rdNone, dtClosestColor, 8);
    EXPECT_EQ(reports, 0);
}

TEST(GifOptimize, ProgressRunsFromStartToOneHundred) {
    auto doc = OptRandomAnimation(3);
    std::vector<std::pair<vcl::TProgressStage, int>> reports;
    doc->OnProgress = [&](vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percent, bool redraw,
                          const vcl::TRect&, const std::string& text) {
        EXPECT_EQ(sender, doc.get());
        EXPECT_EQ(text, "Optimizing...");
        EXPECT_FALSE(redraw);
        reports.emplace_back(stage, percent);
    };
    doc->Optimize(OptAll, rdNone, dtClosestColor, 8);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), std::make_pair(vcl::psStarting, 0));
    EXPECT_EQ(reports.back(), std::make_pair(vcl::psEnding, 100));
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, vcl::psRunning);
        EXPECT_LE(reports[i].second, 100);
        EXPECT_GE(reports[i].second, reports[i - 1].second);
    }
}

TEST(GifOptimize, GivenPaletteReductionIsRefusedBeforeAnythingChanges) {
    struct Case {
        TGifOptimizeOptions options;
        TGifReductionMethod method;
        bool raises;
    } cases[] = {{0x10, rdGivenPalette, true},
                 {0x10 | opTrimTransparent | opBlankUnchanged | opSortColorTables, rdGivenPalette, true},
                 {0x14, rdGivenPalette, false},
                 {0x10, rdOctree, false},
                 {0x00, rdGivenPalette, false}};
    for (const Case& c : cases) {
        auto doc = OptRandomAnimation(11);
        Bytes before = SaveBytes(*doc);
        if (c.raises) {
            try {
                doc->Optimize(c.options, c.method, dtClosestColor, 8);
                ADD_FAILURE() << int(c.options);
            } catch (const EGifError& e) {
                EXPECT_STREQ(e.what(), "Invalid reduction method");
            }
            EXPECT_EQ(SaveBytes(*doc), before) << int(c.options);
        } else {
            EXPECT_NO_THROW(doc->Optimize(c.options, c.method, dtClosestColor, 8)) << int(c.options);
        }
    }
}

TEST(GifOptimize, CleanUpDropsTransparencyNoPixelUses) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    TGifFrame* unused = AddFrame(doc, 2, 2, {0, 1, 1, 0});
    OptGce(unused, 1, 10, 3);
    TGifFrame* used = AddFrame(doc, 2, 2, {0, 3, 1, 0});
    OptGce(used, 1, 10, 3);
    doc.Optimize(opCleanUp, rdNone, dtClosestColor, 8);
    EXPECT_FALSE(unused->GetTransparentFrame());
    EXPECT_FALSE(unused->GetControlExtension()->GetTransparentFlag());
    EXPECT_TRUE(used->GetTransparentFrame());
}

TEST(GifOptimize, RestoringDisposalBecomesUnspecifiedOnlyWhenTheNextFrameHidesItsEffect) {
    struct Case {
        const char* name;
        int disposal;
        int nextLeft, nextTop, nextSize;
        int nextDisposal;
        int nextTransparent;
        int expected;
    } cases[] = {
        {"same rectangle", 2, 0, 0, 4, 1, -1, 0},
        {"restore previous, covered", 3, 0, 0, 4, 0, -1, 0},
        {"smaller next frame", 2, 1, 1, 2, 1, -1, 2},
        {"next frame restores previous", 2, 0, 0, 4, 3, -1, 2},
        {"transparent next frame", 2, 0, 0, 4, 1, 1, 2},
        {"keep stays keep", 1, 0, 0, 4, 1, -1, 1},
    };
    for (const Case& c : cases) {
        TGifDocument doc;
        OptGlobalColors(doc, 4);
        TGifFrame* first = AddFrame(doc, 4, 4, Bytes(16, 2));
        OptGce(first, c.disposal, 10);
        TGifFrame* next = AddFrame(doc, c.nextSize, c.nextSize, Bytes(size_t(c.nextSize * c.nextSize), 1),
                                   c.nextLeft, c.nextTop);
        OptGce(next, c.nextDisposal, 10, c.nextTransparent);
        doc.Optimize(opCleanUp, rdNone, dtClosestColor, 8);
        EXPECT_EQ(first->GetControlExtension()->GetDisposalMethod(), c.expected) << c.name;
    }
}

TEST(GifOptimize, TrimCropsATransparentFrameToItsOpaquePixels) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    Bytes pixels(100, 0);
    for (int y = 2; y <= 4; ++y)
        for (int x = 3; x <= 5; ++x)
            pixels[size_t(y * 10 + x)] = uint8_t(1 + (x + y) % 3);
    TGifFrame* frame = AddFrame(doc, 10, 10, pixels);
    OptGce(frame, 1, 10, 0);
    ASSERT_NE(frame->FrameBitmap(), nullptr);
    frame->TrimTransparentBorder();
    EXPECT_FALSE(frame->BitmapBuilt());
    EXPECT_EQ(frame->FrameRect(), (vcl::TRect{3, 2, 6, 5}));
    EXPECT_EQ(FramePixels(frame), (Bytes{3, 1, 2, 1, 2, 3, 2, 3, 1}));
    EXPECT_EQ(doc.GetWidth(), 10);
    EXPECT_EQ(doc.GetHeight(), 10);
}

TEST(GifOptimize, TrimLeavesOpaqueAndBackgroundRestoringFramesUncropped) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    Bytes pixels(16, 0);
    pixels[5] = 2;
    TGifFrame* opaque = AddFrame(doc, 4, 4, pixels);
    OptGce(opaque, 1, 10);
    TGifFrame* restoring = AddFrame(doc, 4, 4, pixels);
    OptGce(restoring, 2, 10, 0);
    TGifFrame* frame = AddFrame(doc, 4, 4, pixels);
    frame->TrimTransparentBorder();
    doc.Optimize(opTrimTransparent, rdNone, dtClosestColor, 8);
    for (TGifFrame* f : {opaque, restoring, frame})
        EXPECT_EQ(f->FrameRect(), (vcl::TRect{0, 0, 4, 4}));
}

TEST(GifOptimize, TrimKeepsAFrameWhoseCropWouldStartBeyondTheLargestScreen) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    Bytes pixels(20, 0);
    pixels[9] = pixels[19] = 1;
    TGifFrame* frame = AddFrame(doc, 10, 2, pixels, 65530, 0);
    OptGce(frame, 1, 10, 0);
    frame->TrimTransparentBorder();
    EXPECT_EQ(frame->Descriptor().Left, 65530);
    EXPECT_EQ(frame->Descriptor().Width, 10);
}

TEST(GifOptimize, TrimOnItsOwnClearsAFrameWithoutOpaquePixels) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    TGifFrame* frame = AddFrame(doc, 3, 3, Bytes(9, 2), 1, 1);
    OptGce(frame, 0, 10, 2);
    frame->TrimTransparentBorder();
    EXPECT_TRUE(frame->IsEmpty());
    EXPECT_EQ(frame->GetExtensionList()->ItemCount(), 0);
}

// A frame without opaque pixels goes only where the screen it leaves is the one before it; its time always
// goes to the frame before it.
TEST(GifOptimize, TrimRemovesInvisibleFramesWithoutChangingTheTiming) {
    struct Case {
        const char* name;
        int previousDisposal;
        bool previousTransparent;
        bool previousHasControl;
        int disposal;
        int previousDelay;
        bool removed;
        int expectedPreviousDelay;
    } cases[] = {
        {"opaque previous", 1, false, true, 1, 10, true, 30},
        {"transparent previous", 0, true, true, 0, 10, true, 30},
        {"previous without control block", 0, false, false, 3, 0, true, 20},
        {"delay saturates", 1, false, true, 1, 65530, true, 65535},
        {"previous restores background", 2, false, true, 1, 10, false, 10},
        {"previous restores previous", 3, false, true, 1, 10, false, 10},
        {"own disposal restores background", 1, false, true, 2, 10, false, 10},
    };
    for (const Case& c : cases) {
        TGifDocument doc;
        OptGlobalColors(doc, 4);
        TGifFrame* previous = AddFrame(doc, 4, 4, Bytes(16, 1));
        if (c.previousHasControl)
            OptGce(previous, c.previousDisposal, c.previousDelay, c.previousTransparent ? 3 : -1);
        TGifFrame* invisible = AddFrame(doc, 4, 4, Bytes(16, 2));
        OptGce(invisible, c.disposal, 20, 2);
        auto* comment = new TGifCommentExtension(invisible);
        comment->Lines().Add("kept");
        invisible->GetExtensionList()->AppendItem(comment);
        TGifFrame* last = AddFrame(doc, 4, 4, Bytes(16, 0));
        OptGce(last, 0, 5);
        auto before = OptCompose(doc);
        doc.Optimize(opTrimTransparent, rdNone, dtClosestColor, 8);
        EXPECT_EQ(doc.FrameCount(), c.removed ? 2 : 3) << c.name;
        ASSERT_NE(previous->GetControlExtension(), nullptr) << c.name;
        EXPECT_EQ(previous->GetControlExtension()->GetDelayTime(), c.expectedPreviousDelay) << c.name;
        if (c.removed) {
            // The comment moved to the next frame, in front of its own blocks.
            auto* moved = dynamic_cast<TGifCommentExtension*>(last->GetExtensionList()->ExtensionAt(0));
            ASSERT_NE(moved, nullptr) << c.name;
            EXPECT_EQ(moved->Lines()[0], "kept");
            EXPECT_EQ(last->GetControlExtension()->GetDelayTime(), 5);
        }
        if (c.expectedPreviousDelay < 65535) {
            EXPECT_EQ(OptCompose(doc), before) << c.name;
        }
    }
}

TEST(GifOptimize, TrimKeepsTheFirstAndTheLastFrameEvenWhenInvisible) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    TGifFrame* first = AddFrame(doc, 4, 4, Bytes(16, 2));
    OptGce(first, 0, 7, 2);
    AddFrame(doc, 4, 4, Bytes(16, 1));
    TGifFrame* last = AddFrame(doc, 4, 4, Bytes(16, 3), 0, 0);
    OptGce(last, 1, 9, 3);
    doc.Optimize(opTrimTransparent, rdNone, dtClosestColor, 8);
    ASSERT_EQ(doc.FrameCount(), 3);
    for (TGifFrame* f : {first, last}) {
        EXPECT_EQ(f->GetPixelCount(), 1);
        EXPECT_TRUE(f->GetTransparentFrame());
    }
    EXPECT_EQ(first->GetControlExtension()->GetDelayTime(), 7);
    EXPECT_EQ(last->GetControlExtension()->GetDelayTime(), 9);
}

TEST(GifOptimize, BlankUnchangedMakesRepeatedPixelsTransparent) {
    TGifDocument doc;
    Bytes pixels;
    for (int i = 0; i < 16; ++i)
        pixels.push_back(uint8_t(i % 10));
    TGifFrame* frames[2];
    for (auto& frame : frames) {
        frame = AddFrame(doc, 4, 4, pixels);
        for (int c = 0; c < 10; ++c)
            frame->GetLocalColorMap()->AppendColor(OptRgb(c * 20, 5, 7));
    }
    auto before = OptCompose(doc);
    // A bitmap made from the old pixels goes with them.
    ASSERT_NE(frames[1]->FrameBitmap(), nullptr);
    doc.Optimize(opBlankUnchanged, rdNone, dtClosestColor, 8);
    EXPECT_FALSE(frames[1]->BitmapBuilt());
    EXPECT_EQ(FramePixels(frames[0]), pixels);
    EXPECT_EQ(FramePixels(frames[1]), Bytes(16, 10));
    ASSERT_EQ(frames[1]->GetLocalColorMap()->GetEntryCount(), 11);
    EXPECT_EQ(frames[1]->GetLocalColorMap()->Entry(10), (TGifRGB{0, 0, 0}));
    ASSERT_NE(frames[1]->GetControlExtension(), nullptr);
    EXPECT_TRUE(frames[1]->GetTransparentFrame());
    EXPECT_EQ(frames[1]->GetControlExtension()->GetTransparentIndex(), 10);
    EXPECT_EQ(OptCompose(doc), before);
}

TEST(GifOptimize, BlankUnchangedComparesColoursAcrossTables) {
    TGifDocument doc;
    OptGlobalColors(doc, 3); // 0 black, 1 (40,90,17), 2 (80,180,34)
    TGifFrame* previous = AddFrame(doc, 3, 1, {1, 2, 0});
    OptGce(previous, 1, 10, 0);
    TGifFrame* frame = AddFrame(doc, 3, 1, {0, 0, 1}, 0, 0);
    frame->GetLocalColorMap()->AppendColor(OptRgb(40, 90, 17));
    frame->GetLocalColorMap()->AppendColor(OptRgb(80, 180, 34));
    // Same colour as the previous frame's pixel; different colour; above a transparent pixel.
    frame->BlankUnchangedPixels(previous);
    EXPECT_EQ(FramePixels(frame), (Bytes{2, 0, 1}));
    EXPECT_EQ(frame->GetControlExtension()->GetTransparentIndex(), 2);
    EXPECT_EQ(frame->GetLocalColorMap()->GetEntryCount(), 3);
}

TEST(GifOptimize, BlankUnchangedLeavesFramesThatCannotGetATransparentEntry) {
    struct Case {
        const char* name;
        int localEntries;
        int globalEntries;
        int previousDisposal;
    } cases[] = {
        {"full local table", 256, 4, 1},
        {"full global table", 0, 256, 1},
        {"previous restores background", 4, 4, 2},
        {"previous restores previous", 4, 4, 3},
    };
    for (const Case& c : cases) {
        TGifDocument doc;
        OptGlobalColors(doc, c.globalEntries);
        TGifFrame* previous = AddFrame(doc, 2, 2, Bytes(4, 1));
        OptGce(previous, c.previousDisposal, 10);
        TGifFrame* frame = AddFrame(doc, 2, 2, Bytes(4, 1));
        for (int i = 0; i < c.localEntries; ++i)
            frame->GetLocalColorMap()->AppendColor(
                i == 1 ? TGifColorMap::RGBToColor(doc.GlobalColorMap()->Entry(1)) : OptRgb(i, 255 - i, 3));
        frame->BlankUnchangedPixels(previous);
        EXPECT_EQ(FramePixels(frame), Bytes(4, 1)) << c.name;
        EXPECT_EQ(frame->GetControlExtension(), nullptr) << c.name;
        EXPECT_EQ(frame->GetLocalColorMap()->GetEntryCount(), c.localEntries) << c.name;
    }
}

// The transparent entry of another frame is shared only when this frame does not show that entry's colour.
TEST(GifOptimize, BlankUnchangedSharesAnotherFramesTransparentEntryOnlyWhenUnused) {
    for (bool usesIt : {false, true}) {
        TGifDocument doc;
        OptGlobalColors(doc, 4);
        TGifFrame* holder = AddFrame(doc, 2, 1, {3, 0});
        OptGce(holder, 1, 10, 3);
        TGifFrame* previous = AddFrame(doc, 2, 1, {1, 2});
        TGifFrame* frame = AddFrame(doc, 2, 1, {1, uint8_t(usesIt ? 3 : 0)});
        auto before = OptCompose(doc);
        frame->BlankUnchangedPixels(previous);
        int expected = usesIt ? 4 : 3;
        EXPECT_EQ(frame->GetControlExtension()->GetTransparentIndex(), expected) << usesIt;
        EXPECT_EQ(FramePixels(frame), (Bytes{uint8_t(expected), uint8_t(usesIt ? 3 : 0)})) << usesIt;
        EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), usesIt ? 5 : 4);
        EXPECT_EQ(OptCompose(doc), before) << usesIt;
    }
}

TEST(GifOptimize, BlankUnchangedSkipsFramesRestoringThePreviousScreen) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    TGifFrame* base = AddFrame(doc, 2, 1, {1, 2});
    OptGce(base, 1, 10);
    TGifFrame* passing = AddFrame(doc, 2, 1, {3, 3});
    OptGce(passing, 3, 10);
    TGifFrame* frame = AddFrame(doc, 2, 1, {1, 3});
    auto before = OptCompose(doc);
    doc.Optimize(opBlankUnchanged, rdNone, dtClosestColor, 8);
    // Compared with the first frame: the passing frame's pixels are gone from the screen by then.
    EXPECT_EQ(FramePixels(frame), (Bytes{4, 3}));
    EXPECT_EQ(OptCompose(doc), before);
}

TEST(GifOptimize, CleanUpRemovesBlocksViewersDoNotNeed) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    TGifFrame* first = AddFrame(doc, 2, 2, Bytes(4, 1));
    auto* loop = new TGifLoopExtension(first);
    first->GetExtensionList()->AppendItem(loop);
    auto* comment = new TGifCommentExtension(first);
    first->GetExtensionList()->AppendItem(comment);
    auto* app = new TGifUnknownAppExtension(first);
    first->GetExtensionList()->AppendItem(app);
    OptGce(first, 1, 0); // nothing to say: goes
    TGifFrame* second = AddFrame(doc, 2, 2, Bytes(4, 2));
    second->GetExtensionList()->AppendItem(new TGifLoopExtension(second));
    second->GetExtensionList()->AppendItem(new TGifTextExtension(second));
    OptGce(second, 1, 10); // a delay: stays
    TGifFrame* trailing = new TGifFrame(&doc);
    doc.AppendFrame(trailing);
    trailing->GetExtensionList()->AppendItem(new TGifCommentExtension(trailing));

    doc.Optimize(opCleanUp, rdNone, dtClosestColor, 8);
    ASSERT_EQ(doc.FrameCount(), 2);
    ASSERT_EQ(first->GetExtensionList()->ItemCount(), 1);
    EXPECT_EQ(first->GetExtensionList()->ExtensionAt(0), loop);
    EXPECT_EQ(first->GetControlExtension(), nullptr);
    ASSERT_EQ(second->GetExtensionList()->ItemCount(), 1);
    EXPECT_EQ(second->GetControlExtension()->GetDelayTime(), 10);
}

TEST(GifOptimize, CleanUpOfControlBlocks) {
    struct Case {
        const char* name;
        int frames;
        int disposal;
        int delay;
        bool userInput;
        int transparent;
        bool kept;
    } cases[] = {
        {"delay 0, keep", 2, 1, 0, false, -1, false},
        {"delay 10", 2, 0, 10, false, -1, true},
        {"user input", 2, 0, 0, true, -1, true},
        {"transparency", 2, 0, 0, false, 1, true},
        {"restore background", 2, 2, 0, false, -1, true},
        {"single frame with delay and disposal", 1, 2, 50, false, -1, false},
    };
    for (const Case& c : cases) {
        TGifDocument doc;
        OptGlobalColors(doc, 4);
        TGifFrame* frame = AddFrame(doc, 2, 2, {0, 1, 2, 3});
        TGifGraphicControlExtension* control = OptGce(frame, c.disposal, c.delay, c.transparent);
        control->SetUserInputFlag(c.userInput);
        if (c.frames == 2)
            OptGce(AddFrame(doc, 1, 1, {3}), 0, 10);
        doc.Optimize(opCleanUp, rdNone, dtClosestColor, 8);
        EXPECT_EQ(frame->GetControlExtension() != nullptr, c.kept) << c.name;
    }
}

TEST(GifOptimize, CleanUpLoopBlocks) {
    struct Case {
        const char* name;
        bool onFirst;
        bool onSecond;
        int frames;
        bool firstHasOne;
        bool secondHasOne;
    } cases[] = {
        {"on frame 0 of two", true, false, 2, true, false},
        {"on frame 0 of one", true, false, 1, false, false},
        {"on frames 0 and 1", true, true, 2, true, false},
        {"only on frame 1 moves to frame 0", false, true, 2, true, false},
    };
    for (const Case& c : cases) {
        TGifDocument doc;
        OptGlobalColors(doc, 4);
        TGifFrame* first = AddFrame(doc, 2, 2, Bytes(4, 1));
        if (c.onFirst) {
            auto* loop = new TGifLoopExtension(first);
            loop->SetLoopCount(3);
            first->GetExtensionList()->AppendItem(loop);
        }
        TGifFrame* second = nullptr;
        if (c.frames == 2) {
            second = AddFrame(doc, 2, 2, Bytes(4, 2));
            if (c.onSecond) {
                auto* loop = new TGifLoopExtension(second);
                loop->SetLoopCount(3);
                second->GetExtensionList()->AppendItem(loop);
            }
        }
        doc.Optimize(opCleanUp, rdNone, dtClosestColor, 8);
        auto loops = [](TGifFrame* f) {
            int n = 0;
            for (int i = 0; f && i < f->GetExtensionList()->ItemCount(); ++i)
                if (auto* loop = dynamic_cast<TGifLoopExtension*>(f->GetExtensionList()->ExtensionAt(i))) {
                    EXPECT_EQ(loop->GetLoopCount(), 3);
                    ++n;
                }
            return n;
        };
        EXPECT_EQ(loops(first), c.firstHasOne ? 1 : 0) << c.name;
        EXPECT_EQ(loops(second), c.secondHasOne ? 1 : 0) << c.name;
    }
}

TEST(GifOptimize, SortingTheGlobalTableKeepsTheBackgroundColour) {
    TGifDocument doc;
    OptGlobalColors(doc, 4);
    doc.GetHeader()->ScreenDescriptor().BackgroundIndex = 2;
    TGifColor background = doc.ScreenBackgroundColor();
    AddFrame(doc, 2, 2, {3, 3, 3, 1});
    doc.Optimize(opSortColorTables, rdNone, dtClosestColor, 8);
    EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), 3);
    EXPECT_TRUE(doc.GlobalColorMap()->GetSortedFlag());
    EXPECT_EQ(FramePixels(doc.Frame(0)), (Bytes{0, 0, 0, 1}));
    EXPECT_EQ(doc.ScreenBackgroundColor(), background);
}

// Frames change under no painter: both operations stop the running ones first.
TEST(GifOptimize, RunningPaintersAreStoppedFirst) {
    win::ManualClock clock(0);
    win::ScopedClock scoped(clock);
    for (bool merge : {false, true}) {
        auto doc = OptRandomAnimation(5);
        auto target = std::make_unique<vcl::TBitmap>();
        target->SetPixelFormat(vcl::pf32bit);
        target->SetSize(doc->GetWidth(), doc->GetHeight());
        TGifPaintOptions options;
        for (TGifPaintOption o : {gpoThreaded, gpoStepFrames, gpoRepeat, gpoRepeatForever})
            options.Include(o);
        TGifPainter* painter = nullptr;
        ASSERT_NE(doc->StartPainter(&painter, target->GetCanvas(), {0, 0, doc->GetWidth(), doc->GetHeight()},
                                    options),
                  nullptr);
        painter->Start();
        for (int i = 0; i < 200000 && win::GetBlockedWaitCount() == 0; ++i)
            if (!vcl::CheckSynchronize(0))
                win::Sleep(0);
        if (merge)
            doc->OptimizeToGlobalColorMap();
        else
            doc->Optimize(OptAll, rdNone, dtClosestColor, 8);
        EXPECT_EQ(painter, nullptr) << merge;
        EXPECT_EQ(doc->GetPainters()->LockList()->GetCount(), 0) << merge;
        doc->GetPainters()->UnlockList();
    }
    ReapEndedPainters();
}

// Some encoders give a frame a transparent index just beyond its table, which no pixel can use.
TEST(GifOptimize, ATransparentIndexBeyondTheTableHidesNoColour) {
    GifBuilder gif;
    gif.Header(4, 1, 2).Descriptor(0, 0, 4, 1).Add({2}).SubBlocks(ReferenceLzw({1, 1, 2, 0}, 2));
    gif.Gce(1, 10, 4).Descriptor(0, 0, 4, 1).Add({2}).SubBlocks(ReferenceLzw({0, 3, 3, 3}, 2)).Trailer();
    for (TGifOptimizeOptions options : {TGifOptimizeOptions(opSortColorTables), OptAll}) {
        auto loaded = LoadBytes(gif.b);
        TGifDocument& doc = *loaded->Doc;
        auto before = OptCompose(doc);
        doc.Optimize(options, rdNone, dtClosestColor, 8);
        EXPECT_EQ(OptCompose(doc), before) << int(options);
        EXPECT_EQ(OptCompose(*LoadBytes(SaveBytes(doc))->Doc), before) << int(options);
    }
}

// Every step together, on random animations: the viewer sees the same screens for the same time, and the
// result can be written and read back.
TEST(GifOptimize, EveryOptionKeepsWhatTheAnimationShows) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        auto doc = OptRandomAnimation(seed);
        auto before = OptCompose(*doc);
        int64_t delay = OptTotalDelay(*doc);
        doc->Optimize(OptAll, rdNone, dtClosestColor, 8);
        ASSERT_EQ(OptCompose(*doc), before) << "seed " << seed;
        EXPECT_EQ(OptTotalDelay(*doc), delay) << "seed " << seed;
        auto reread = LoadBytes(SaveBytes(*doc));
        ASSERT_EQ(OptCompose(*reread->Doc), before) << "seed " << seed;
        // Merging the tables afterwards: the colours fit, so nothing changes on the screen either.
        reread->Doc->OptimizeToGlobalColorMap();
        ASSERT_EQ(OptCompose(*reread->Doc), before) << "seed " << seed;
        EXPECT_NO_THROW(LoadBytes(SaveBytes(*reread->Doc))) << "seed " << seed;
    }
}

} // namespace
