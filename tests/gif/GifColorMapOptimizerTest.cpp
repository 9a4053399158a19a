#include "GifTestUtil.h"
#include "gif/GifColorMapOptimizer.h"

#include <gtest/gtest.h>

#include <set>

using namespace gif;
using namespace giftest;

namespace {

TGifColor MergeRgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

TGifGraphicControlExtension* MergeTransparent(TGifFrame* frame, int index) {
    auto* control = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(control);
    control->SetTransparentIndex(index);
    control->SetTransparentFlag(true);
    return control;
}

TGifFrame* MergeLocalFrame(TGifDocument& doc, const std::vector<TGifColor>& colors, const Bytes& pixels) {
    TGifFrame* frame = AddFrame(doc, int(pixels.size()), 1, pixels);
    for (TGifColor c : colors)
        frame->GetLocalColorMap()->AppendColor(c);
    return frame;
}

// The colour each pixel of a frame shows, or -1 where it is transparent.
std::vector<int64_t> MergeShownColors(TGifFrame* frame) {
    std::vector<int64_t> shown;
    TGifColorMap* map = frame->EffectiveColorMap();
    TGifGraphicControlExtension* control = frame->GetControlExtension();
    for (int64_t i = 0; i < frame->GetPixelCount(); ++i) {
        uint8_t p = frame->GetPixels()[i];
        if (frame->GetTransparentFrame() && control && p == control->GetTransparentIndex())
            shown.push_back(-1);
        else
            shown.push_back(TGifColorMap::RGBToColor(map->Entry(p)));
    }
    return shown;
}

TEST(GifColorMapOptimizer, HistogramCountsPrunesAndRemaps) {
    TGifDocument doc;
    TGifFrame* frame = MergeLocalFrame(doc, {MergeRgb(1, 0, 0), MergeRgb(2, 0, 0), MergeRgb(3, 0, 0), 0},
                                       {2, 2, 2, 0, 3, 3});
    MergeTransparent(frame, 3);
    THistogram histogram(frame->GetLocalColorMap());
    EXPECT_TRUE(histogram.CountFrame(frame));
    EXPECT_EQ(histogram.Entry(0).UseCount, 1);
    EXPECT_EQ(histogram.Entry(2).UseCount, 3);
    EXPECT_EQ(histogram.Entry(3).UseCount, 0); // transparent pixels count nothing
    EXPECT_EQ(histogram.Prune(), 2);
    EXPECT_EQ(histogram.GetUsedEntries()[0]->OldIndex, 2);
    EXPECT_EQ(histogram.GetUsedEntries()[1]->OldIndex, 0);
    EXPECT_EQ(histogram.Entry(1).UseCount, -1);
    histogram.GetUsedEntries()[0]->NewIndex = 0;
    histogram.GetUsedEntries()[1]->NewIndex = 1;
    histogram.RemapFrames(true, 2);
    EXPECT_EQ(FramePixels(frame), (Bytes{0, 0, 0, 1, 2, 2}));
    EXPECT_EQ(frame->GetControlExtension()->GetTransparentIndex(), 2);

    TGifFrame empty(&doc);
    EXPECT_FALSE(histogram.CountFrame(&empty));
    EXPECT_EQ(histogram.GetCountedFrames().size(), 1u);
}

TEST(GifColorMapOptimizer, EqualColoursOfDifferentTablesBecomeOneEntry) {
    TGifDocument doc;
    const TGifColor red = MergeRgb(255, 0, 0);
    TGifFrame* a = MergeLocalFrame(doc, {MergeRgb(0, 9, 0), red}, {1, 1, 0});
    TGifFrame* b = MergeLocalFrame(doc, {red, MergeRgb(0, 0, 9), MergeRgb(1, 2, 3)}, {0, 1, 2, 0});
    doc.OptimizeToGlobalColorMap();
    EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), 4);
    EXPECT_TRUE(doc.GlobalColorMap()->GetSortedFlag());
    int redIndex = doc.GlobalColorMap()->FindColorIndex(red);
    EXPECT_EQ(redIndex, 0); // the most used colour comes first
    EXPECT_EQ(a->GetPixels()[0], redIndex);
    EXPECT_EQ(b->GetPixels()[0], redIndex);
    EXPECT_EQ(b->GetPixels()[3], redIndex);
    for (TGifFrame* f : {a, b})
        EXPECT_EQ(f->GetLocalColorMap()->GetEntryCount(), 0);
    EXPECT_EQ(MergeShownColors(b), (std::vector<int64_t>{red, MergeRgb(0, 0, 9), MergeRgb(1, 2, 3), red}));
}

// 300 colours: the 256 most used stay; each other goes to the kept colour that looks nearest, channel by
// channel (a sum of channels would take (0, 0, 201) for (200, 0, 0)).
TEST(GifColorMapOptimizer, BeyondTheLimitColoursGoToTheNearestKeptColour) {
    TGifDocument doc;
    std::vector<TGifColor> kept;
    for (int i = 0; i < 254; ++i)
        kept.push_back(MergeRgb(10 + i % 200, 100 + i / 200 * 50, 60));
    kept.push_back(MergeRgb(200, 0, 0));
    kept.push_back(MergeRgb(0, 0, 210));
    for (size_t first = 0; first < kept.size(); first += 128) {
        std::vector<TGifColor> colors(kept.begin() + long(first),
                                      kept.begin() + long(std::min(first + 128, kept.size())));
        Bytes pixels;
        for (size_t c = 0; c < colors.size(); ++c)
            for (int k = 0; k < 3; ++k)
                pixels.push_back(uint8_t(c));
        MergeLocalFrame(doc, colors, pixels);
    }
    std::vector<TGifColor> rare;
    for (int i = 0; i < 43; ++i)
        rare.push_back(MergeRgb(i, 255, 255));
    rare.push_back(MergeRgb(0, 0, 201));
    Bytes rarePixels;
    for (size_t c = 0; c < rare.size(); ++c)
        rarePixels.push_back(uint8_t(c));
    TGifFrame* rareFrame = MergeLocalFrame(doc, rare, rarePixels);

    doc.OptimizeToGlobalColorMap();
    ASSERT_EQ(doc.GlobalColorMap()->GetEntryCount(), 256);
    std::set<TGifColor> global;
    for (int i = 0; i < 256; ++i)
        global.insert(TGifColorMap::RGBToColor(doc.GlobalColorMap()->Entry(i)));
    EXPECT_EQ(global, std::set<TGifColor>(kept.begin(), kept.end()));
    auto shown = MergeShownColors(rareFrame);
    EXPECT_EQ(shown.back(), MergeRgb(0, 0, 210));
}

TEST(GifColorMapOptimizer, TransparencyTakesOneBlackEntryAtTheEnd) {
    TGifDocument doc;
    doc.GlobalColorMap()->AppendColor(MergeRgb(5, 5, 5));
    doc.GlobalColorMap()->AppendColor(MergeRgb(6, 6, 6));
    TGifFrame* global = AddFrame(doc, 3, 1, {0, 1, 1});
    MergeTransparent(global, 0);
    TGifFrame* local = MergeLocalFrame(doc, {MergeRgb(7, 7, 7), MergeRgb(6, 6, 6), 0}, {0, 1, 2, 2});
    MergeTransparent(local, 2);
    TGifFrame* unusedTransparency = MergeLocalFrame(doc, {MergeRgb(8, 8, 8), MergeRgb(9, 9, 9)}, {0, 0});
    MergeTransparent(unusedTransparency, 1);
    auto shownGlobal = MergeShownColors(global);
    auto shownLocal = MergeShownColors(local);

    doc.OptimizeToGlobalColorMap();
    TGifGlobalColorMap* map = doc.GlobalColorMap();
    ASSERT_EQ(map->GetEntryCount(), 5); // 6, 8, then 7 and 5 (the background), black
    EXPECT_EQ(map->Entry(4), (TGifRGB{0, 0, 0}));
    for (TGifFrame* f : {global, local}) {
        EXPECT_TRUE(f->GetTransparentFrame());
        EXPECT_EQ(f->GetControlExtension()->GetTransparentIndex(), 4);
    }
    EXPECT_FALSE(unusedTransparency->GetTransparentFrame());
    EXPECT_EQ(unusedTransparency->GetControlExtension()->GetTransparentIndex(), 0);
    EXPECT_EQ(MergeShownColors(global), shownGlobal);
    EXPECT_EQ(MergeShownColors(local), shownLocal);
}

TEST(GifColorMapOptimizer, IndicesBeyondTheTableAreRepairedWithAnIssueEach) {
    TGifDocument doc;
    std::vector<std::string> issues;
    doc.OnIssue = [&](vcl::TObject*, int32_t severity, const std::string& m) {
        EXPECT_EQ(severity, 1);
        issues.push_back(m);
    };
    std::vector<TGifColor> colors;
    for (int i = 0; i < 10; ++i)
        colors.push_back(MergeRgb(i * 20, 0, 0));
    TGifFrame* frame = MergeLocalFrame(doc, colors, {12, 3, 12, 3, 3});
    doc.OptimizeToGlobalColorMap();
    EXPECT_EQ(issues, std::vector<std::string>(2, "Color not in color table"));
    EXPECT_EQ(MergeShownColors(frame),
              (std::vector<int64_t>{colors[0], colors[3], colors[0], colors[3], colors[3]}));
}

TEST(GifColorMapOptimizer, TheBackgroundIndexFollowsItsColour) {
    TGifDocument doc;
    for (int i = 0; i < 4; ++i)
        doc.GlobalColorMap()->AppendColor(MergeRgb(i, i, 100));
    doc.GetHeader()->ScreenDescriptor().BackgroundIndex = 3;
    AddFrame(doc, 4, 1, {1, 1, 2, 1});
    MergeLocalFrame(doc, {MergeRgb(0, 0, 100)}, {0, 0, 0, 0});
    doc.OptimizeToGlobalColorMap();
    EXPECT_EQ(doc.ScreenBackgroundColor(), MergeRgb(3, 3, 100));
    EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), 4);
}

TEST(GifColorMapOptimizer, AfterTheMergeOnlyTheGlobalTableRemains) {
    TGifDocument doc;
    MergeLocalFrame(doc, {MergeRgb(1, 2, 3), MergeRgb(4, 5, 6)}, {0, 1});
    auto* empty = new TGifFrame(&doc);
    doc.AppendFrame(empty);
    empty->GetLocalColorMap()->AppendColor(0);
    doc.OptimizeToGlobalColorMap();
    EXPECT_EQ(doc.Frame(0)->GetLocalColorMap()->GetEntryCount(), 0);
    EXPECT_EQ(empty->GetLocalColorMap()->GetEntryCount(), 0);
    EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), 2);
    Bytes saved = SaveBytes(doc);
    auto reread = LoadBytes(saved);
    EXPECT_EQ(MergeShownColors(reread->Doc->Frame(0)),
              (std::vector<int64_t>{MergeRgb(1, 2, 3), MergeRgb(4, 5, 6)}));
}

} // namespace
