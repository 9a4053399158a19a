#include "GifTestUtil.h"
#include "platform/vcl/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace gif;
using namespace giftest;

namespace {

using Issues = std::vector<std::string>;

// A GIF of one w x h frame whose pixels are coded by the reference encoder with code size 2.
GifBuilder OneFrame(int w, int h, const Bytes& pixels, int packed = 0) {
    GifBuilder g;
    g.Header(w, h, 2).Descriptor(0, 0, w, h, packed).Add({2}).SubBlocks(ReferenceLzw(pixels, 2));
    return g;
}

std::string ErrorOf(const Bytes& bytes) {
    try {
        LoadBytes(bytes);
    } catch (const EGifError& e) {
        return e.what();
    }
    return "";
}

TEST(GifReader, SignatureIsFoundLeniently) {
    Bytes body = OneFrame(2, 1, {1, 2}).Trailer().b;
    struct Case {
        std::string prefix;
        bool loads;
    } cases[] = {{"", true}, {"ABCD", true}, {"AB", false}, {"ABCDEF", false}};
    for (const Case& c : cases) {
        Bytes bytes(c.prefix.begin(), c.prefix.end());
        bytes.insert(bytes.end(), body.begin(), body.end());
        if (c.loads)
            EXPECT_EQ(LoadBytes(bytes)->Doc->FrameCount(), 1) << c.prefix;
        else
            EXPECT_EQ(ErrorOf(bytes), "Invalid GIF signature") << c.prefix;
    }
    // Lower-case letters and any version bytes.
    Bytes lower = body;
    lower[0] = 'g';
    lower[2] = 'f';
    lower[3] = 'x';
    lower[5] = '?';
    EXPECT_EQ(FramePixels(LoadBytes(lower)->Doc->Frame(0)), (Bytes{1, 2}));
}

TEST(GifReader, BlockSequenceIsReadLeniently) {
    // No trailer: no issue.
    auto noTrailer = LoadBytes(OneFrame(2, 1, {3, 0}).b);
    EXPECT_TRUE(noTrailer->Issues.empty());
    EXPECT_EQ(FramePixels(noTrailer->Doc->Frame(0)), (Bytes{3, 0}));
    // Zero bytes between blocks are skipped, also between an extension and its image.
    GifBuilder fillers;
    fillers.Header(1, 1, 2).Add({0, 0}).Gce(0, 7, 0).Add({0}).Descriptor(0, 0, 1, 1).Add({2});
    fillers.SubBlocks(ReferenceLzw({2}, 2)).Add({0, 0}).Trailer();
    auto f = LoadBytes(fillers.b);
    ASSERT_EQ(f->Doc->FrameCount(), 1);
    EXPECT_EQ(f->Doc->Frame(0)->GetControlExtension()->GetDelayTime(), 7);
    EXPECT_TRUE(f->Issues.empty());
    // An unknown block stops reading; the frames so far stay.
    auto bad = LoadBytes(OneFrame(1, 1, {1}).Add({0x42}).Descriptor(0, 0, 1, 1).b);
    EXPECT_EQ(bad->Issues, (Issues{"Unknown GIF block type", "Invalid Image trailer"}));
    EXPECT_EQ(bad->Doc->FrameCount(), 1);
    // A comment after the last image becomes a frame without pixels.
    auto tail = LoadBytes(OneFrame(1, 1, {1}).Add({0x21, 0xFE, 2, 'h', 'i', 0}).Trailer().b);
    ASSERT_EQ(tail->Doc->FrameCount(), 2);
    EXPECT_TRUE(tail->Doc->Frame(1)->IsEmpty());
    EXPECT_EQ(tail->Doc->Frame(1)->GetExtensionList()->ItemCount(), 1);
    EXPECT_TRUE(tail->Issues.empty());
}

TEST(GifReader, ZeroSizedImagesAndScreens) {
    // A descriptor of width 0 takes the screen's size.
    GifBuilder zero;
    zero.Header(3, 2, 2)
        .Descriptor(0, 0, 0, 5)
        .Add({2})
        .SubBlocks(ReferenceLzw({1, 2, 3, 0, 1, 2}, 2))
        .Trailer();
    auto z = LoadBytes(zero.b);
    EXPECT_EQ(z->Issues, Issues{"Image exceeds Logical Screen size"});
    EXPECT_EQ(z->Doc->Frame(0)->Descriptor().Width, 3);
    EXPECT_EQ(z->Doc->Frame(0)->Descriptor().Height, 2);
    EXPECT_EQ(FramePixels(z->Doc->Frame(0)), (Bytes{1, 2, 3, 0, 1, 2}));
    // A 0 x 0 screen grows to hold its frames.
    GifBuilder screen;
    screen.Header(0, 0, 2).Descriptor(2, 1, 2, 2).Add({2}).SubBlocks(ReferenceLzw({1, 1, 1, 1}, 2)).Trailer();
    auto s = LoadBytes(screen.b);
    EXPECT_EQ(s->Doc->GetWidth(), 4);
    EXPECT_EQ(s->Doc->GetHeight(), 3);
    EXPECT_EQ(s->Issues, Issues{"Image exceeds Logical Screen size"});
}

TEST(GifReader, ImagesWithoutAreaStayFramesThatSaveAndReadBack) {
    // A screen of no height cannot size a 17 x 0 image: it stays a frame (its delay still counts) of one
    // transparent pixel, and the frames after it keep their own control blocks.
    struct Case {
        const char* name;
        int screenW, screenH, packed, transparent;
        bool withControl;
    } cases[] = {{"17x0 screen, opaque control", 17, 0, 0x04, 5, true},
                 {"17x0 screen, transparent 3", 17, 0, 0x01, 3, true},
                 {"17x0 screen, transparent beyond the table", 17, 0, 0x01, 9, true},
                 {"0x0 screen, no control", 0, 0, 0, 0, false}};
    for (const Case& c : cases) {
        GifBuilder g;
        g.Header(c.screenW, c.screenH, 2).Gce(0, 10, 0).Descriptor(0, 0, 2, 1).Add({2});
        g.SubBlocks(ReferenceLzw({1, 2}, 2));
        if (c.withControl)
            g.Gce(c.packed, 20, c.transparent);
        g.Descriptor(0, 0, 17, 0).Add({2}).SubBlocks(ReferenceLzw({}, 2));
        g.Gce(0, 30, 0).Descriptor(0, 0, 2, 1).Add({2}).SubBlocks(ReferenceLzw({2, 1}, 2)).Trailer();
        auto loaded = LoadBytes(g.b);
        auto back = LoadBytes(SaveBytes(*loaded->Doc));
        for (auto* doc : {loaded->Doc.get(), back->Doc.get()}) {
            ASSERT_EQ(doc->FrameCount(), 3) << c.name;
            TGifFrame* empty = doc->Frame(1);
            EXPECT_EQ(empty->Descriptor().Width, 1) << c.name;
            EXPECT_EQ(empty->Descriptor().Height, 1) << c.name;
            ASSERT_NE(empty->GetControlExtension(), nullptr) << c.name;
            EXPECT_TRUE(empty->GetControlExtension()->GetTransparentFlag()) << c.name;
            const int index = c.packed & 1 && c.transparent < 4 ? c.transparent : 0;
            EXPECT_EQ(FramePixels(empty), (Bytes{uint8_t(index)})) << c.name;
            EXPECT_EQ(empty->GetControlExtension()->GetTransparentIndex(), index) << c.name;
            EXPECT_EQ(empty->GetControlExtension()->GetDelayTime(), c.withControl ? 20 : 0) << c.name;
            if (c.withControl) {
                EXPECT_EQ(empty->GetControlExtension()->GetDisposalMethod(), (c.packed >> 2) & 7) << c.name;
            }
            EXPECT_EQ(doc->Frame(2)->GetControlExtension()->GetDelayTime(), 30) << c.name;
            EXPECT_EQ(FramePixels(doc->Frame(2)), (Bytes{2, 1})) << c.name;
        }
    }
}

TEST(GifReader, InterlacedRowsComeInPassOrder) {
    struct Case {
        int height;
        Bytes streamRows; // the row each decoded row lands in
    } cases[] = {
        {1, {0}}, {2, {0, 1}}, {3, {0, 2, 1}}, {5, {0, 4, 2, 1, 3}}, {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}}};
    for (const Case& c : cases) {
        Bytes coded;
        for (int i = 0; i < c.height; ++i)
            coded.push_back(uint8_t(i % 4));
        auto loaded = LoadBytes(OneFrame(1, c.height, coded, 0x40).Trailer().b);
        Bytes expected(size_t(c.height));
        for (int i = 0; i < c.height; ++i)
            expected[c.streamRows[i]] = coded[i];
        EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), expected) << c.height;
    }
}

TEST(GifReader, RasterDataThatEndsEarlyOrRunsOver) {
    // Data that stops early keeps the transparent index in the pixels not decoded.
    Bytes codes = PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}});
    GifBuilder early;
    early.Header(6, 1, 2).Gce(1, 0, 2).Descriptor(0, 0, 6, 1).Add({2}).SubBlocks(codes).Trailer();
    auto e = LoadBytes(early.b);
    EXPECT_EQ(FramePixels(e->Doc->Frame(0)), (Bytes{1, 2, 3, 1, 2, 2}));
    EXPECT_EQ(e->Issues, Issues{"Decoder bit buffer under-run"});
    // A leading clear code decodes the same as none.
    Bytes withClear = PackCodes({{4, 3}, {1, 3}, {2, 3}, {5, 3}});
    Bytes without = PackCodes({{1, 3}, {2, 3}, {5, 3}});
    GifBuilder a, b;
    a.Header(2, 1, 2).Descriptor(0, 0, 2, 1).Add({2}).SubBlocks(withClear).Trailer();
    b.Header(2, 1, 2).Descriptor(0, 0, 2, 1).Add({2}).SubBlocks(without).Trailer();
    EXPECT_EQ(FramePixels(LoadBytes(a.b)->Doc->Frame(0)), (Bytes{1, 2}));
    EXPECT_EQ(FramePixels(LoadBytes(b.b)->Doc->Frame(0)), (Bytes{1, 2}));
    // A sub-block longer than the rest of the file: an issue, and what is there is decoded.
    GifBuilder over;
    over.Header(2, 1, 2).Descriptor(0, 0, 2, 1).Add({2, 40}).Add(PackCodes({{4, 3}, {1, 3}, {2, 3}}));
    auto o = LoadBytes(over.b);
    EXPECT_EQ(o->Issues, Issues{"Premature end of data"});
    EXPECT_EQ(FramePixels(o->Doc->Frame(0)), (Bytes{1, 2}));
    // A final code that ends exactly on the last bit of the data is still decoded (no end code follows).
    Bytes exact = PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {2, 4}, {3, 4}});
    ASSERT_EQ(exact.size(), 3u);
    GifBuilder x;
    x.Header(6, 1, 2).Descriptor(0, 0, 6, 1).Add({2}).SubBlocks(exact).Trailer();
    auto xl = LoadBytes(x.b);
    EXPECT_EQ(FramePixels(xl->Doc->Frame(0)), (Bytes{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(xl->Issues, Issues{"Decoder bit buffer under-run"});
}

TEST(GifReader, DataAfterTheLastPixelIsSkipped) {
    // The raster's code stream has pixels to spare and more sub-blocks after them; the next frame is read.
    Bytes codes = ReferenceLzw({1, 2, 3, 1, 2, 3, 1, 2}, 2);
    GifBuilder g;
    g.Header(2, 1, 2).Descriptor(0, 0, 2, 1).Add({2}).Add({uint8_t(codes.size())}).Add(codes);
    g.Add({3, 9, 9, 9, 2, 9, 9, 0});
    g.Descriptor(0, 0, 2, 1).Add({2}).SubBlocks(ReferenceLzw({3, 3}, 2)).Trailer();
    auto loaded = LoadBytes(g.b);
    ASSERT_EQ(loaded->Doc->FrameCount(), 2);
    EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), (Bytes{1, 2}));
    EXPECT_EQ(FramePixels(loaded->Doc->Frame(1)), (Bytes{3, 3}));
    EXPECT_TRUE(loaded->Issues.empty());
}

TEST(GifReader, HostileCodeStreamsFailCleanly) {
    // A minimum code size beyond the table.
    GifBuilder big;
    big.Header(1, 1, 2).Descriptor(0, 0, 1, 1).Add({12}).SubBlocks({0xFF, 0xFF}).Trailer();
    EXPECT_EQ(ErrorOf(big.b), "Invalid LZW minimum code size");
    // A code beyond the table right after a clear makes entries 6 and 7 each other's prefix; walking
    // them is refused instead of looping forever.
    GifBuilder cyc;
    cyc.Header(50, 1, 2).Descriptor(0, 0, 50, 1).Add({2});
    cyc.SubBlocks(PackCodes({{4, 3}, {7, 3}, {6, 3}, {7, 3}, {6, 4}, {5, 4}}));
    EXPECT_EQ(ErrorOf(cyc.b), "Circular decoder table entry");
    // Truncated in the screen descriptor: raised, and the stream is back where it was.
    Bytes cut = {'G', 'I', 'F', '8', '9', 'a', 1, 0};
    vcl::TReadOnlyMemoryStream stream(cut.data(), int64_t(cut.size()));
    stream.SetPosition(2);
    TGifDocument doc;
    EXPECT_THROW(doc.LoadFromStream(&stream), EGifError);
    EXPECT_EQ(stream.GetPosition(), 2);
}

TEST(GifReader, ClaimedSizesAreCheckedBeforeAllocating) {
    // Two bytes of data claim a frame of 65535 x 65535 pixels.
    GifBuilder huge;
    huge.Header(1, 1, 2).Descriptor(0, 0, 65535, 65535).Add({2}).SubBlocks({0x44}).Trailer();
    EXPECT_EQ(ErrorOf(huge.b), "Image is too large");
    // Many frames that each pass are stopped by the document's budget; the frames before it stay.
    int64_t saved = GifMaxDocumentPixels;
    GifMaxDocumentPixels = 2000;
    GifBuilder many;
    many.Header(40, 40, 2);
    for (int i = 0; i < 3; ++i)
        many.Descriptor(0, 0, 40, 20).Add({2}).SubBlocks(ReferenceLzw(Bytes(800, 1), 2));
    vcl::TReadOnlyMemoryStream stream(many.b.data(), int64_t(many.b.size()));
    TGifDocument doc;
    EXPECT_THROW(doc.LoadFromStream(&stream), EGifError);
    EXPECT_EQ(doc.FrameCount(), 3 - 1);
    GifMaxDocumentPixels = saved;
}

TEST(GifReader, RandomBytesNeverCrash) {
    std::mt19937 rng(1234);
    Bytes valid = OneFrame(8, 8, Bytes(64, 1)).Trailer().b;
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = valid;
        int flips = 1 + int(rng() % 8);
        for (int i = 0; i < flips; ++i)
            bytes[rng() % bytes.size()] = uint8_t(rng());
        if (round % 3 == 0)
            bytes.resize(rng() % bytes.size());
        try {
            LoadBytes(bytes);
        } catch (const vcl::Exception&) {
        }
    }
}

// What a document's handlers hear during a read, each sender named by what it is.
struct ReadLog {
    std::vector<std::string> Lines;
    void Attach(TGifDocument& doc) {
        auto who = [this, &doc](vcl::TObject* sender) -> std::string {
            if (sender == &doc)
                return "image";
            // The list being read, which becomes the document's.
            if (dynamic_cast<TGifFrameList*>(sender))
                return "frames";
            for (int32_t i = 0; i < doc.FrameCount(); ++i)
                if (sender == doc.Frame(i))
                    return "frame " + std::to_string(i);
            return "other";
        };
        doc.OnIssue = [this, who](vcl::TObject* sender, int32_t, const std::string& m) {
            Lines.push_back(who(sender) + ": " + m);
        };
        doc.OnProgress = [this, who](vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percent, bool,
                                     const vcl::TRect&, const std::string& m) {
            Lines.push_back(who(sender) + ": " + m + " " + std::to_string(int(stage)) + " " +
                            std::to_string(percent));
        };
    }
};

// Replacing reads the stream once into a document of its own and takes its content over: the result, the
// issues and the progress are those of a plain read, the document keeps its settings, and a stream that does
// not read leaves the document as it was.
TEST(GifReader, ReplacingTakesOverAReadAndKeepsTheDocumentWhenItFails) {
    // A 0 x 0 screen (grown, with an issue from the image), a frame of width 0 (an issue from the frame), a
    // comment after the last image.
    GifBuilder g;
    g.Header(0, 0, 2).Gce(0x05, 12, 3).Descriptor(1, 0, 2, 2).Add({2}).SubBlocks(ReferenceLzw({1, 2, 3, 0}, 2));
    g.Descriptor(0, 0, 0, 1).Add({2}).SubBlocks(ReferenceLzw({2, 2, 2}, 2));
    g.Add({0x21, 0xFE, 2, 'h', 'i', 0}).Trailer();
    const Bytes bytes = g.b;

    TGifDocument plain;
    ReadLog plainLog;
    plainLog.Attach(plain);
    vcl::TReadOnlyMemoryStream plainStream(bytes.data(), int64_t(bytes.size()));
    plain.LoadFromStream(&plainStream);

    TGifDocument doc;
    AddFrame(doc, 3, 1, {1, 1, 1});
    doc.GlobalColorMap()->AppendColor(0x102030);
    doc.SetPaintOptions(TGifPaintOptions{});
    doc.SetQuantizeBits(4);
    doc.SetPlaySpeed(50);
    ReadLog log;
    log.Attach(doc);
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    doc.ReplaceFromStream(&stream);
    EXPECT_EQ(log.Lines, plainLog.Lines);
    EXPECT_NE(std::find(log.Lines.begin(), log.Lines.end(), "image: Image exceeds Logical Screen size"),
              log.Lines.end());
    EXPECT_EQ(SaveBytes(doc), SaveBytes(plain));
    EXPECT_EQ(doc.GetWidth(), 3);
    EXPECT_EQ(doc.GetLoadedPixels(), plain.GetLoadedPixels());
    EXPECT_EQ(doc.GetPaintOptions().ToBits(), 0u);
    EXPECT_EQ(doc.GetQuantizeBits(), 4);
    EXPECT_EQ(doc.GetPlaySpeed(), 50);
    // Every item now belongs to the document: it renders with the document's table and reports to it.
    ASSERT_EQ(doc.FrameCount(), 3);
    EXPECT_EQ(doc.GetHeader()->GetOwnerImage(), &doc);
    EXPECT_EQ(doc.GetFrames()->GetOwnerImage(), &doc);
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        TGifFrame* frame = doc.Frame(i);
        EXPECT_EQ(frame->GetOwnerImage(), &doc) << i;
        EXPECT_EQ(frame->GetExtensionList()->GetOwnerImage(), &doc) << i;
        for (int32_t j = 0; j < frame->GetExtensionList()->ItemCount(); ++j)
            EXPECT_EQ(frame->GetExtensionList()->ExtensionAt(j)->GetOwnerImage(), &doc) << i;
    }
    EXPECT_EQ(doc.Frame(0)->EffectiveColorMap(), doc.GlobalColorMap());
    EXPECT_EQ(doc.Frame(0)->FrameBitmap()->GetCanvas()->GetPixel(1, 0), 0x202020);
    log.Lines.clear();
    doc.Frame(0)->ReportIssue(1, "hello");
    EXPECT_EQ(log.Lines, std::vector<std::string>{"frame 0: hello"});

    // Streams that fail at the start and after a frame was read: the error passes, the document stays.
    const Bytes before = SaveBytes(doc);
    TGifFrame* first = doc.Frame(0);
    GifBuilder late;
    late.Header(2, 1, 2).Descriptor(0, 0, 2, 1).Add({2}).SubBlocks(ReferenceLzw({1, 2}, 2));
    late.Descriptor(0, 0, 1, 1).Add({12}).SubBlocks({0xFF}).Trailer();
    for (const Bytes& bad : {Bytes{'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, late.b}) {
        vcl::TReadOnlyMemoryStream badStream(bad.data(), int64_t(bad.size()));
        EXPECT_THROW(doc.ReplaceFromStream(&badStream), EGifError);
        EXPECT_EQ(doc.Frame(0), first);
        EXPECT_EQ(SaveBytes(doc), before);
    }
}

TEST(GifReader, LargeImagesDecodeWithLongStrings) {
    // A big frame of one colour makes strings up to thousands of pixels and many table resets.
    const int w = 700, h = 500;
    Bytes pixels(size_t(w) * h);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i / 5000) % 4 == 0 ? (i * 7) % 256 : 9);
    GifBuilder g;
    g.Header(w, h, 8).Descriptor(0, 0, w, h).Add({8}).SubBlocks(ReferenceLzw(pixels, 8)).Trailer();
    auto loaded = LoadBytes(g.b);
    EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), pixels);
    EXPECT_TRUE(loaded->Issues.empty());
}

} // namespace
