// Composition: the screens the composer gives after each frame equal the ones the inline playback painter
// draws on a screen-sized canvas, and the ones the GIF format describes for every disposal method; sizes a
// hostile file may claim are refused before anything is allocated.
#include "GifTestUtil.h"

#include "gif/GifCompose.h"
#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/kernel/Kernel.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace gif;
using giftest::AddFrame;
using giftest::Blue;
using giftest::Bytes;
using giftest::Green;
using giftest::Red;
using giftest::White;

namespace {

constexpr vcl::TColor Magenta = 0xFF00FF;

void AddControl(TGifFrame* frame, int disposal, int transparent = -1) {
    auto* gce = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetDelayTime(1);
    gce->SetDisposalMethod(uint8_t(disposal));
    if (transparent >= 0) {
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(transparent);
        frame->SetTransparentFrame(true);
    }
}

using Screens = std::vector<std::vector<uint32_t>>;

// The screens the inline painter shows after each frame, on a screen-sized canvas that starts in the
// background colour, as 0x00RRGGBB.
Screens Painted(TGifDocument& doc, vcl::TColor background, bool useTransparency) {
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    vcl::TBitmap target;
    target.SetPixelFormat(vcl::pf32bit);
    target.SetSize(doc.GetWidth(), doc.GetHeight());
    target.GetCanvas()->GetBrush()->SetColor(background);
    target.GetCanvas()->FillRect({0, 0, doc.GetWidth(), doc.GetHeight()});
    doc.SetPlaybackBackground(background);
    Screens screens;
    doc.OnAfterFrame = [&](vcl::TObject*) {
        std::vector<uint32_t> screen;
        for (int y = 0; y < doc.GetHeight(); ++y) {
            const auto* row = static_cast<const uint32_t*>(target.ScanLine(y));
            for (int x = 0; x < doc.GetWidth(); ++x)
                screen.push_back(row[x] & 0xFFFFFF);
        }
        screens.push_back(screen);
    };
    TGifPaintOptions options;
    options.Include(gpoStepFrames);
    if (useTransparency)
        options.Include(gpoUseTransparency);
    doc.StartPainter(nullptr, target.GetCanvas(), {0, 0, doc.GetWidth(), doc.GetHeight()}, options);
    doc.OnAfterFrame = nullptr;
    return screens;
}

Screens Composed(TGifDocument& doc, vcl::TColor background, bool useTransparency) {
    TGifComposer composer(&doc, background, useTransparency);
    Screens screens;
    while (composer.Next())
        screens.push_back(composer.Screen());
    return screens;
}

// A screen as one letter per pixel (R, G, B, W, M for magenta, K for black), rows joined by '/'.
std::string Letters(const std::vector<uint32_t>& screen, int width) {
    std::string s;
    for (size_t i = 0; i < screen.size(); ++i) {
        if (i > 0 && i % size_t(width) == 0)
            s += '/';
        switch (screen[i]) {
        case 0xFF0000: s += 'R'; break;
        case 0x00FF00: s += 'G'; break;
        case 0x0000FF: s += 'B'; break;
        case 0xFFFFFF: s += 'W'; break;
        case 0xFF00FF: s += 'M'; break;
        case 0x000000: s += 'K'; break;
        default: s += '?';
        }
    }
    return s;
}

// The logical screen's size as a file may state it, smaller than its frames reach.
void SetScreen(TGifDocument& doc, int w, int h) {
    doc.GetHeader()->ScreenDescriptor().Width = uint16_t(w);
    doc.GetHeader()->ScreenDescriptor().Height = uint16_t(h);
}

// A screen of w x h with the global table red, green, blue, white.
std::unique_ptr<TGifDocument> Screen(int w, int h) {
    auto doc = std::make_unique<TGifDocument>();
    for (vcl::TColor c : {Red, Green, Blue, White})
        doc->GlobalColorMap()->AppendColor(c);
    SetScreen(*doc, w, h);
    return doc;
}

struct FrameSpec {
    int Left, Top, Width, Height;
    Bytes Pixels;
    int Disposal;
    int Transparent; // -1: none
};

struct ComposeCase {
    const char* Name;
    int Width, Height;
    std::vector<FrameSpec> Frames;
    bool UseTransparency;
    std::vector<std::string> Expected; // the screens by the format's rules, on magenta
};

} // namespace

TEST(GifCompose, DisposalsTransparencyAndClippingAsThePainterAndTheFormat) {
    // Frame 0 fills the 3 x 2 screen with blue; later frames are small and placed inside or across it.
    const FrameSpec blue{0, 0, 3, 2, Bytes(6, 2), 1, -1};
    const std::vector<ComposeCase> cases = {
        {"keep", 3, 2, {blue, {1, 0, 1, 2, {0, 0}, 1, -1}, {2, 1, 1, 1, {1}, 0, -1}}, true,
         {"BBB/BBB", "BRB/BRB", "BRB/BRG"}},
        {"unspecified is keep", 3, 2, {blue, {1, 0, 1, 2, {0, 0}, 0, -1}, {0, 0, 1, 1, {1}, 0, -1}}, true,
         {"BBB/BBB", "BRB/BRB", "GRB/BRB"}},
        {"restore to background", 3, 2, {blue, {1, 0, 1, 2, {0, 0}, 2, -1}, {2, 1, 1, 1, {1}, 0, -1}}, true,
         {"BBB/BBB", "BRB/BRB", "BMB/BMG"}},
        {"restore to previous", 3, 2, {blue, {1, 0, 1, 2, {0, 0}, 3, -1}, {2, 1, 1, 1, {1}, 0, -1}}, true,
         {"BBB/BBB", "BRB/BRB", "BBB/BBG"}},
        {"values 4 to 7 keep", 3, 2, {blue, {1, 0, 1, 2, {0, 0}, 5, -1}, {2, 1, 1, 1, {1}, 0, -1}}, true,
         {"BBB/BBB", "BRB/BRB", "BRB/BRG"}},
        {"previous after previous", 3, 2,
         {blue, {0, 0, 1, 1, {0}, 3, -1}, {1, 0, 1, 1, {1}, 3, -1}, {2, 0, 1, 1, {3}, 1, -1}}, true,
         {"BBB/BBB", "RBB/BBB", "BGB/BBB", "BBW/BBB"}},
        {"previous after background", 3, 2,
         {blue, {0, 0, 2, 1, {0, 0}, 2, -1}, {1, 0, 2, 1, {1, 1}, 3, -1}, {0, 1, 1, 1, {3}, 1, -1}}, true,
         {"BBB/BBB", "RRB/BBB", "MGG/BBB", "MMB/WBB"}},
        {"background after previous", 3, 2,
         {blue, {0, 0, 2, 1, {0, 0}, 3, -1}, {1, 0, 2, 1, {1, 1}, 2, -1}, {0, 1, 1, 1, {3}, 1, -1}}, true,
         {"BBB/BBB", "RRB/BBB", "BGG/BBB", "BMM/WBB"}},
        {"first frame restores to previous", 3, 2, {{1, 1, 1, 1, {0}, 3, -1}, {0, 0, 1, 1, {1}, 1, -1}}, true,
         {"MMM/MRM", "GMM/MMM"}},
        {"transparency on", 3, 2, {blue, {0, 0, 3, 1, {0, 1, 0}, 1, 0}, {0, 1, 3, 1, {3, 3, 1}, 2, 3},
          {0, 0, 1, 1, {3}, 1, -1}},
         true, {"BBB/BBB", "BGB/BBB", "BGB/BBG", "WGB/MMM"}},
        {"transparency off", 3, 2, {blue, {0, 0, 3, 1, {0, 1, 0}, 1, 0}, {0, 1, 3, 1, {3, 3, 1}, 2, 3},
          {0, 0, 1, 1, {3}, 1, -1}},
         false, {"BBB/BBB", "RGR/BBB", "RGR/WWG", "WGR/MMM"}},
        {"transparent first frame", 3, 2, {{0, 0, 3, 2, {0, 1, 1, 1, 1, 2}, 2, 1}, {1, 1, 1, 1, {3}, 0, -1}},
         true, {"RMM/MMB", "MMM/MWM"}},
        {"partly off the screen", 3, 2, {blue, {2, 1, 3, 2, {0, 1, 1, 3, 3, 3}, 2, -1}, {1, 0, 5, 5, Bytes(25, 1), 0, 1}},
         true, {"BBB/BBB", "BBB/BBR", "BBB/BBM"}},
        {"wholly off the screen", 3, 2, {blue, {7, 9, 2, 2, Bytes(4, 0), 2, -1}, {3, 0, 1, 2, {0, 0}, 3, -1}}, true,
         {"BBB/BBB", "BBB/BBB", "BBB/BBB"}},
        {"indices beyond the table are black", 3, 2, {{0, 0, 3, 2, {0, 9, 200, 1, 2, 3}, 1, -1}}, true,
         {"RKK/GBW"}},
    };
    for (const ComposeCase& c : cases) {
        for (int pass = 0; pass < 2; ++pass) {
            auto doc = Screen(c.Width, c.Height);
            for (const FrameSpec& f : c.Frames) {
                TGifFrame* frame = AddFrame(*doc, f.Width, f.Height, f.Pixels, f.Left, f.Top);
                AddControl(frame, f.Disposal, f.Transparent);
            }
            SetScreen(*doc, c.Width, c.Height);
            const Screens composed = Composed(*doc, Magenta, c.UseTransparency);
            // The painter's passes: one with its cached frame bitmaps built, one without.
            EXPECT_EQ(composed, Painted(*doc, Magenta, c.UseTransparency)) << c.Name << " pass " << pass;
            std::vector<std::string> letters;
            for (const auto& screen : composed)
                letters.push_back(Letters(screen, c.Width));
            EXPECT_EQ(letters, c.Expected) << c.Name;
        }
    }
}

TEST(GifCompose, RandomAnimationsAsThePainterShowsThem) {
    // Sub-rectangles across the edges, every disposal, transparency on and off, local tables of other
    // sizes, dithering to the web palette: the composer agrees with the painter pixel for pixel.
    std::mt19937 random(49);
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };
    for (int round = 0; round < 120; ++round) {
        const int w = 1 + pick(9), h = 1 + pick(7);
        auto doc = std::make_unique<TGifDocument>();
        const int globalColors = pick(4) == 0 ? 0 : 2 + pick(20);
        for (int i = 0; i < globalColors; ++i)
            doc->GlobalColorMap()->AppendColor(vcl::TColor(random() & 0xFFFFFF));
        doc->GetHeader()->ScreenDescriptor().BackgroundIndex = uint8_t(pick(4));
        const int frames = 1 + pick(6);
        for (int i = 0; i < frames; ++i) {
            const int fw = 1 + pick(w + 2), fh = 1 + pick(h + 2);
            Bytes pixels(size_t(fw * fh));
            for (uint8_t& p : pixels)
                p = uint8_t(pick(globalColors + 3));
            TGifFrame* frame = AddFrame(*doc, fw, fh, pixels, pick(w + 1), pick(h + 1));
            if (globalColors == 0 || pick(4) == 0)
                for (int k = 0, n = 1 + pick(12); k < n; ++k)
                    frame->GetLocalColorMap()->AppendColor(vcl::TColor(random() & 0xFFFFFF));
            if (pick(6) > 0)
                AddControl(frame, pick(8), pick(2) ? pick(globalColors + 2) : -1);
        }
        SetScreen(*doc, w, h);
        if (pick(5) == 0) {
            TGifPaintOptions options = doc->GetPaintOptions();
            options.Include(gpoDither);
            options.Exclude(gpoDitherLowColor);
            doc->SetPaintOptions(options);
        }
        const bool useTransparency = pick(3) > 0;
        const vcl::TColor background = pick(2) ? Magenta : vcl::TColor(random() & 0xFFFFFF);
        const Screens composed = Composed(*doc, background, useTransparency);
        ASSERT_EQ(composed.size(), size_t(frames)) << "round " << round;
        ASSERT_EQ(composed, Painted(*doc, background, useTransparency)) << "round " << round;
    }
}

TEST(GifCompose, LargeFramesAsThePainterSamplesThem) {
    // Frames above half a million pixels draw without a bitmap of their own; across the screen's edge,
    // transparent and restored to the background.
    auto doc = Screen(700, 600);
    Bytes pixels(size_t(800) * 700);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 7 / 5 % 4);
    AddControl(AddFrame(*doc, 800, 700, pixels, 0, 0), 2, 3);
    AddControl(AddFrame(*doc, 800, 700, Bytes(pixels.rbegin(), pixels.rend()), 100, 50), 0, 1);
    SetScreen(*doc, 700, 600);
    ASSERT_TRUE(doc->Frame(0)->DrawsSampled());
    for (bool useTransparency : {true, false})
        EXPECT_TRUE(Composed(*doc, Magenta, useTransparency) == Painted(*doc, Magenta, useTransparency))
            << useTransparency;
}

TEST(GifCompose, EmptyFramesSizesAndTheBitmap) {
    // An empty frame draws nothing: the screen shows what the previous disposal left.
    auto doc = Screen(2, 1);
    AddControl(AddFrame(*doc, 2, 1, {0, 1}), 2);
    AddControl(AddFrame(*doc, 0, 0, {}), 0);
    AddControl(AddFrame(*doc, 1, 1, {2}, 1, 0), 0);
    SetScreen(*doc, 2, 1);
    TGifComposer composer(doc.get(), White);
    std::vector<std::string> letters;
    while (composer.Next())
        letters.push_back(Letters(composer.Screen(), 2));
    EXPECT_EQ(letters, (std::vector<std::string>{"RG", "WW", "WB"}));
    EXPECT_EQ(composer.FrameIndex(), 2);
    vcl::TBitmap bitmap;
    composer.AssignTo(&bitmap);
    EXPECT_EQ(bitmap.GetWidth(), 2);
    EXPECT_EQ(bitmap.GetCanvas()->GetPixel(1, 0), Blue);
    EXPECT_EQ(bitmap.GetCanvas()->GetPixel(0, 0), White);

    // A screen of no size composes every frame into nothing.
    auto none = std::make_unique<TGifDocument>();
    AddFrame(*none, 2, 2, {0, 0, 0, 0});
    SetScreen(*none, 0, 0);
    TGifComposer empty(none.get(), White);
    EXPECT_TRUE(empty.Next());
    EXPECT_TRUE(empty.Screen().empty());
    EXPECT_FALSE(empty.Next());

    // The largest screen a header can claim needs 16 GB of pixels: refused before allocating.
    auto huge = Screen(65535, 65535);
    EXPECT_THROW(TGifComposer(huge.get(), White), EGifError);
}

TEST(GifCompose, BackgroundColourAsThePainterChoosesIt) {
    auto doc = Screen(1, 1);
    doc->GetHeader()->ScreenDescriptor().BackgroundIndex = 2;
    EXPECT_EQ(ComposeBackgroundColor(doc.get()), Blue);
    doc->SetPlaybackBackground(Green);
    EXPECT_EQ(ComposeBackgroundColor(doc.get()), Green);
    auto bare = std::make_unique<TGifDocument>();
    EXPECT_EQ(ComposeBackgroundColor(bare.get()), vcl::ColorToRGB(vcl::clWindow));
}
