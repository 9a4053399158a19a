// Hostile and unusual files: the memory rule of the readers (a frame gets only the pixels its LZW data can
// produce, or a share of one budget), and files that open and must save as they show.
#include "GifTestUtil.h"

#include "gif/GifLzw.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/kernel/Kernel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTILE_COUNTS_ALLOCATIONS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define HOSTILE_COUNTS_ALLOCATIONS 1
#endif
#ifdef HOSTILE_COUNTS_ALLOCATIONS
// The address sanitizer's runtime calls these hooks on every allocation and release.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

using namespace gif;
using namespace giftest;

namespace {

Bytes HostileFile(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/gif/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Restores a limit when the test ends.
struct HostileLimit {
    int64_t& Limit;
    int64_t Saved;
    HostileLimit(int64_t& limit, int64_t value) : Limit(limit), Saved(limit) { Limit = value; }
    ~HostileLimit() { Limit = Saved; }
};

struct HostileRead {
    std::string Error;
    int32_t Frames = 0;
    int64_t LoadedPixels = 0;
    int64_t BudgetedPixels = 0;
};

HostileRead HostileLoad(const Bytes& bytes) {
    HostileRead r;
    TGifDocument doc;
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    try {
        doc.LoadFromStream(&stream);
    } catch (const EGifError& e) {
        r.Error = e.what();
    }
    r.Frames = doc.FrameCount();
    r.LoadedPixels = doc.GetLoadedPixels();
    r.BudgetedPixels = doc.GetBudgetedPixels();
    return r;
}

// The densest code stream there is: after code 0 every code is the next free one (the previous string
// and its first pixel, one pixel longer each time) until the table is full, then the longest string
// again and again.
Bytes HostileDensestCodes(int repeats) {
    std::vector<std::pair<int, int>> codes = {{4, 3}, {0, 3}};
    int width = 3, limit = 8;
    for (int next = 6; next < 4096; ++next) {
        codes.emplace_back(next, width);
        if (next + 1 >= limit && limit < 4096) {
            limit *= 2;
            ++width;
        }
    }
    for (int i = 0; i < repeats; ++i)
        codes.emplace_back(4095, 12);
    return PackCodes(codes);
}

int64_t HostileDecodedCount(const Bytes& data) {
    TGifLzwDecoder decoder(2, data.data(), data.size(), true);
    std::vector<uint8_t> out(size_t(GifLzwMaxPixels(int64_t(data.size()))) + 4096);
    return decoder.Decode(out.data(), int64_t(out.size()));
}

} // namespace

TEST(GifHostile, LzwDataBoundsThePixelsItCanProduce) {
    const Bytes ramp = HostileDensestCodes(0), repeated = HostileDensestCodes(2000);
    const int64_t rampPixels = HostileDecodedCount(ramp), repeatedPixels = HostileDecodedCount(repeated);
    EXPECT_EQ(rampPixels, 1 + (4095 - 6 + 1) * int64_t(2 + 4091) / 2);
    EXPECT_LE(rampPixels, GifLzwMaxPixels(int64_t(ramp.size())));
    EXPECT_LE(repeatedPixels, GifLzwMaxPixels(int64_t(repeated.size())));
    // The longest string at 12 bits comes within a few per mille of the bound: it is tight.
    const double perByte = double(repeatedPixels - rampPixels) / double(repeated.size() - ramp.size());
    EXPECT_GT(perByte, 2720.0);
    EXPECT_LE(perByte, double(GifLzwPixelsPerByte));
}

// Each file read by the document: refused before its frames are allocated, or read within the rule.
TEST(GifHostile, FramesGetOnlyWhatTheirDataCanFillOrTheBudget) {
    // 800 pixels of real data; 20000 pixels claimed by 3 bytes (which can make no more than 8196).
    GifBuilder backed, cut;
    backed.Header(40, 20, 2).Descriptor(0, 0, 40, 20).Add({2}).SubBlocks(ReferenceLzw(Bytes(800, 1), 2));
    cut.Header(200, 100, 2).Descriptor(0, 0, 200, 100).Add({2}).SubBlocks({0x44, 0x01, 0x00});
    struct Case {
        std::string name;
        Bytes bytes;
        int64_t budget;
        std::string error;
        int32_t frames;
        int64_t loaded;
        int64_t budgeted;
    } cases[] = {
        {"gif-frame-16384sq-43B.gif", HostileFile("gif-frame-16384sq-43B.gif"), GifPixelBudget,
         "Image is too large", 0, 0, 0},
        {"gif-16-frames-16384sq-388B.gif", HostileFile("gif-16-frames-16384sq-388B.gif"), GifPixelBudget,
         "Image is too large", 0, 0, 0},
        {"gif-index-beyond-table.gif", HostileFile("gif-index-beyond-table.gif"), GifPixelBudget, "", 1, 16,
         0},
        {"backed, no budget", backed.b, 0, "", 1, 800, 0},
        {"cut short, within the budget", cut.b, 20000, "", 1, 20000, 20000},
        {"cut short, beyond the budget", cut.b, 19999, "Image is too large", 0, 0, 0},
    };
    for (Case& c : cases) {
        HostileLimit budget(GifPixelBudget, c.budget);
        HostileRead r = HostileLoad(c.bytes);
        EXPECT_EQ(r.Error, c.error) << c.name;
        EXPECT_EQ(r.Frames, c.frames) << c.name;
        EXPECT_EQ(r.LoadedPixels, c.loaded) << c.name;
        EXPECT_EQ(r.BudgetedPixels, c.budgeted) << c.name;
    }
    // The budget is one per document: two frames cut short share it.
    GifBuilder two;
    two.Header(200, 100, 2);
    for (int i = 0; i < 2; ++i)
        two.Descriptor(0, 0, 200, 100).Add({2}).SubBlocks({0x44, 0x01, 0x00});
    HostileLimit budget(GifPixelBudget, 30000);
    HostileRead r = HostileLoad(two.b);
    EXPECT_EQ(r.Error, "Image is too large");
    EXPECT_EQ(r.Frames, 1);
    EXPECT_EQ(r.BudgetedPixels, 20000);
}

TEST(GifHostile, InterlacedFramesDecodeInPlace) {
    // Strings longer than a row cross from one row of the interlace order to the next.
    Bytes pixels(7 * 9);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i / 5 % 4);
    Bytes streamOrder;
    for (int start : {0, 4, 2, 1})
        for (int y = start; y < 9; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
            streamOrder.insert(streamOrder.end(), pixels.begin() + y * 7, pixels.begin() + y * 7 + 7);
    GifBuilder g;
    g.Header(7, 9, 2).Descriptor(0, 0, 7, 9, 0x40).Add({2}).SubBlocks(ReferenceLzw(streamOrder, 2)).Trailer();
    auto loaded = LoadBytes(g.b);
    EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), pixels);
    EXPECT_TRUE(loaded->Issues.empty());
}

namespace {

// What drawing shows for each pixel of a frame: its table's colour, black beyond the table.
std::vector<TGifRGB> HostileShown(TGifFrame* frame) {
    const TGifColorMap* map = frame->EffectiveColorMap();
    std::vector<TGifRGB> shown;
    for (uint8_t index : FramePixels(frame))
        shown.push_back(index < map->GetEntryCount() ? map->Entry(index) : TGifRGB{});
    return shown;
}

} // namespace

TEST(GifHostile, PixelsBeyondTheirTableSaveAsTheyShow) {
    // Indices 300 and 1000 are kept as their low 8 bits (44 and 232).
    GifBuilder nine, eleven, local;
    nine.Header(3, 1, 1).Descriptor(0, 0, 3, 1).Add({9});
    nine.SubBlocks(PackCodes({{512, 10}, {1, 10}, {300, 10}, {5, 10}, {513, 10}})).Trailer();
    eleven.Header(3, 1, 1).Descriptor(0, 0, 3, 1).Add({11});
    eleven.SubBlocks(PackCodes({{2048, 12}, {1000, 12}, {0, 12}, {7, 12}, {2049, 12}})).Trailer();
    // A local table of 4 entries and index 5, beside a global table of 2.
    local.Header(2, 1, 1).Descriptor(0, 0, 2, 1, 0x81).Add({10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0});
    local.Add({3}).SubBlocks(ReferenceLzw({2, 5}, 3)).Trailer();
    struct Case {
        std::string name;
        Bytes bytes;
        int32_t entries; // of the table the frame uses, after saving
    } cases[] = {{"gif-index-beyond-table.gif", HostileFile("gif-index-beyond-table.gif"), 0},
                 {"minimum code size 9", nine.b, 64},
                 {"minimum code size 11", eleven.b, 256},
                 {"local table", local.b, 8}};
    for (Case& c : cases) {
        auto loaded = LoadBytes(c.bytes);
        TGifDocument& doc = *loaded->Doc;
        ASSERT_EQ(doc.FrameCount(), 1) << c.name;
        const Bytes pixels = FramePixels(doc.Frame(0));
        const std::vector<TGifRGB> shown = HostileShown(doc.Frame(0));
        const uint8_t highest = *std::max_element(pixels.begin(), pixels.end());
        ASSERT_GE(highest, doc.Frame(0)->EffectiveColorMap()->GetEntryCount()) << c.name;
        int32_t expected = c.entries;
        if (expected == 0)
            for (expected = 2; expected <= highest; expected *= 2) {
            }
        Bytes saved;
        ASSERT_NO_THROW(saved = SaveBytes(doc)) << c.name;
        auto back = LoadBytes(saved);
        ASSERT_EQ(back->Doc->FrameCount(), 1) << c.name;
        EXPECT_EQ(FramePixels(back->Doc->Frame(0)), pixels) << c.name;
        EXPECT_EQ(HostileShown(back->Doc->Frame(0)), shown) << c.name;
        EXPECT_EQ(back->Doc->Frame(0)->EffectiveColorMap()->GetEntryCount(), expected) << c.name;
        EXPECT_TRUE(back->Issues.empty()) << c.name;
    }
}

TEST(GifHostile, ADocumentWithoutFramesSavesAsScreenAndTrailer) {
    TGifDocument doc;
    EXPECT_EQ(SaveBytes(doc), (Bytes{'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0, 0, 0, 0, ';'}));
    // The screen and the global table stay; an aspect ratio asks for "89a".
    doc.SetWidth(5);
    doc.SetHeight(3);
    doc.GlobalColorMap()->AppendColor(0x0000FF);
    doc.GetHeader()->ScreenDescriptor().AspectRatio = 49;
    const Bytes bytes = SaveBytes(doc);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes.size(), 13u + 6u + 1u);
    auto back = LoadBytes(bytes);
    EXPECT_EQ(back->Doc->FrameCount(), 0);
    EXPECT_EQ(back->Doc->GetWidth(), 5);
    EXPECT_EQ(back->Doc->GetHeight(), 3);
    EXPECT_EQ(back->Doc->GlobalColorMap()->EntryColor(0), 0x0000FF);
    EXPECT_TRUE(back->Issues.empty());
}

namespace {

// An allocation counter over the address sanitizer's hooks: the highest number of bytes allocated at once
// since Start, on every thread.
struct HostileAllocations {
    static inline std::atomic<bool> Counting{false};
    static inline std::atomic<int64_t> Current{0};
    static inline std::atomic<int64_t> Peak{0};
#ifdef HOSTILE_COUNTS_ALLOCATIONS
    static void OnMalloc(const volatile void*, size_t size) {
        if (!Counting)
            return;
        const int64_t now = Current += int64_t(size);
        int64_t peak = Peak;
        while (now > peak && !Peak.compare_exchange_weak(peak, now)) {
        }
    }
    static void OnFree(const volatile void* p) {
        if (Counting)
            Current -= int64_t(__sanitizer_get_allocated_size(p));
    }
#endif
    static bool Start() {
#ifdef HOSTILE_COUNTS_ALLOCATIONS
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
        Current = 0;
        Peak = 0;
        Counting = installed;
        return installed;
#else
        return false;
#endif
    }
    static int64_t Stop() {
        Counting = false;
        return Peak;
    }
};

constexpr vcl::TColor HostileWhite = 0xFFFFFF, HostileRed = 0x0000FF, HostileBlue = 0xFF0000;

// A document of 4000 x 3000 pixels (far above the size drawn without a bitmap): columns of 20 pixels
// alternate between index 0 (red) and 1 (blue, transparent).
std::unique_ptr<TGifDocument> HostileLargeDocument(int frames) {
    auto doc = std::make_unique<TGifDocument>();
    doc->GlobalColorMap()->AppendColor(HostileRed);
    doc->GlobalColorMap()->AppendColor(HostileBlue);
    for (int i = 0; i < frames; ++i) {
        TGifFrame* frame = AddFrame(*doc, 4000, 3000, {});
        for (int y = 0; y < 3000; ++y)
            for (int x = 0; x < 4000; ++x)
                frame->RowAddress(y)[x] = uint8_t(x / 20 % 2);
        auto* gce = new TGifGraphicControlExtension(frame);
        frame->GetExtensionList()->AppendItem(gce);
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(1);
        gce->SetDisposalMethod(dpRestoreBackground);
    }
    return doc;
}

std::unique_ptr<vcl::TBitmap> HostileCanvas(int w, int h) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf32bit);
    b->SetSize(w, h);
    b->GetCanvas()->GetBrush()->SetColor(HostileWhite);
    b->GetCanvas()->FillRect({0, 0, w, h});
    return b;
}

// The colour a stretched nearest-pixel copy of the pattern shows at target column x: the source column
// whose centre lies nearest, (2x + 1) * 4000 / (2 * 200), is red in even stripes and transparent (white
// behind) in odd ones.
vcl::TColor HostileExpected(int x) {
    const int source = (2 * x + 1) * 4000 / (2 * 200);
    return source / 20 % 2 == 0 ? HostileRed : HostileWhite;
}

} // namespace

TEST(GifHostile, DrawingALargeFrameAllocatesOnlyForTheTarget) {
    auto doc = HostileLargeDocument(1);
    TGifFrame* frame = doc->Frame(0);
    auto canvas = HostileCanvas(200, 150);
    canvas->GetCanvas()->GetHandle();
    const bool counting = HostileAllocations::Start();
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 200, 150}, true, false);
    const int64_t peak = HostileAllocations::Stop();
    RecordProperty("peak_bytes", std::to_string(peak));
    // No bitmap or mask of the frame's own size was made.
    EXPECT_FALSE(frame->BitmapBuilt());
    EXPECT_EQ(frame->GetMask(), nullptr);
    for (int y : {0, 75, 149})
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(canvas->GetCanvas()->GetPixel(x, y), HostileExpected(x)) << x << "," << y;
    // One target-sized 32-bit buffer (120,000 bytes) and small change; the frame holds 12,000,000 pixels.
    if (counting) {
        EXPECT_LT(peak, 200 * 150 * 4 + 64 * 1024);
    }
    // A clipped target: only the visible part is sampled. The frame is drawn 1:1 at (-1000, -500).
    auto small = HostileCanvas(100, 100);
    HostileAllocations::Start();
    frame->PaintFrameAt(small->GetCanvas(), {-1000, -500, 3000, 2500}, false, false);
    const int64_t clippedPeak = HostileAllocations::Stop();
    RecordProperty("clipped_peak_bytes", std::to_string(clippedPeak));
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(small->GetCanvas()->GetPixel(x, 10), (x + 1000) / 20 % 2 == 0 ? HostileRed : HostileBlue)
            << x;
    if (counting) {
        EXPECT_LT(clippedPeak, 100 * 100 * 4 + 64 * 1024);
    }
    if (!counting)
        GTEST_SKIP() << "allocations are counted only under the address sanitizer";
}

TEST(GifHostile, PlayingLargeFramesAllocatesOnlyForTheTarget) {
    auto doc = HostileLargeDocument(2);
    auto canvas = HostileCanvas(200, 150);
    canvas->GetCanvas()->GetHandle();
    win::ManualClock clock(0);
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    int frames = 0;
    doc->OnAfterFrame = [&](vcl::TObject*) { ++frames; };
    TGifPaintOptions options;
    options.Include(gpoStepFrames);
    options.Include(gpoUseTransparency);
    const bool counting = HostileAllocations::Start();
    doc->StartPainter(nullptr, canvas->GetCanvas(), {0, 0, 200, 150}, options);
    const int64_t peak = HostileAllocations::Stop();
    RecordProperty("peak_bytes", std::to_string(peak));
    EXPECT_EQ(frames, 2);
    EXPECT_FALSE(doc->Frame(0)->BitmapBuilt());
    EXPECT_FALSE(doc->Frame(1)->BitmapBuilt());
    // The painter's compose, scratch and background buffers and the drawing buffer: four target-sized
    // 32-bit bitmaps at most.
    if (!counting)
        GTEST_SKIP() << "allocations are counted only under the address sanitizer";
    EXPECT_LT(peak, 4 * 200 * 150 * 4 + 256 * 1024);
}
