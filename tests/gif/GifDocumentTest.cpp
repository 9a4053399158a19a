#include "GifTestUtil.h"
#include "platform/vcl/Picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

using namespace gif;
using namespace giftest;

namespace {

struct IssueLog {
    std::vector<std::string> Messages;
    void Attach(TGifDocument& doc) {
        doc.OnIssue = [this](vcl::TObject*, int32_t, const std::string& m) { Messages.push_back(m); };
    }
};

TEST(GifDocument, NewDocumentHasTheDefaults) {
    TGifDocument doc;
    EXPECT_TRUE(doc.GetEmpty());
    EXPECT_EQ(doc.GetWidth(), 0);
    EXPECT_EQ(doc.GetHeight(), 0);
    EXPECT_EQ(doc.GetPaintOptions().ToBits(), 0x060Fu);
    EXPECT_EQ(doc.GetReductionMethod(), rdWebSafe216);
    EXPECT_EQ(doc.GetQuantizeBits(), 8);
    EXPECT_EQ(doc.GetDitherMethod(), dtClosestColor);
    EXPECT_EQ(doc.GetEncoderKind(), ekLzw);
    EXPECT_EQ(doc.GetPainterPriority(), 3);
    EXPECT_EQ(doc.GetPlaySpeed(), 100);
    EXPECT_EQ(doc.GetPlaybackBackground(), GifColorNone);
    EXPECT_EQ(doc.ClassName(), "TGifDocument");
}

TEST(GifDocument, FrameGeometryReallocatesOnlyWhenTheSizeChanges) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 2, 2, {1, 2, 3, 4});
    frame->SetDescriptorValue(TGifFrame::dvLeft, 0);
    frame->ChangeGeometry(0, 0, 2, 2);
    EXPECT_EQ(FramePixels(frame), (Bytes{1, 2, 3, 4}));
    frame->SetDescriptorValue(TGifFrame::dvWidth, 3);
    EXPECT_EQ(frame->GetPixelCount(), 6);
    EXPECT_EQ(FramePixels(frame), Bytes(6, 0));
    EXPECT_EQ(frame->DescriptorValue(TGifFrame::dvWidth), 3);
    EXPECT_EQ(frame->DescriptorValue(9), 0);
    EXPECT_EQ(frame->FrameRect(), (vcl::TRect{0, 0, 3, 2}));
}

TEST(GifDocument, FramesGrowTheScreen) {
    TGifDocument doc;
    IssueLog log;
    log.Attach(doc);
    AddFrame(doc, 10, 5, {}, 2, 3);
    EXPECT_EQ(doc.GetWidth(), 12);
    EXPECT_EQ(doc.GetHeight(), 8);
    EXPECT_TRUE(log.Messages.empty());
    AddFrame(doc, 20, 2, {}, 0, 0);
    EXPECT_EQ(doc.GetWidth(), 20);
    EXPECT_EQ(log.Messages, (std::vector<std::string>{"Image width too small for contained frames",
                                                      "Image exceeds Logical Screen size"}));
}

TEST(GifDocument, ScreenSizeCannotCutFrames) {
    TGifDocument doc;
    AddFrame(doc, 10, 10, {}, 5, 0);
    EXPECT_THROW(doc.SetWidth(14), EGifError);
    EXPECT_EQ(doc.GetWidth(), 15);
    EXPECT_THROW(doc.SetHeight(9), EGifError);
    EXPECT_THROW(doc.SetWidth(70000), EGifError);
    int changes = 0;
    doc.OnChange = [&](vcl::TObject*) { ++changes; };
    doc.SetWidth(40);
    doc.SetWidth(40);
    EXPECT_EQ(doc.GetWidth(), 40);
    EXPECT_EQ(changes, 1);
}

TEST(GifDocument, PixelAccessChecksCoordinates) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 3, 2, {0, 1, 2, 3, 4, 5});
    EXPECT_EQ(frame->PixelAt(2, 1), 5);
    EXPECT_EQ(frame->RowAddress(1)[0], 3);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {3, 0}, {0, -1}, {0, 2}})
        EXPECT_THROW(frame->PixelAt(x, y), EGifError) << x << "," << y;
    // A descriptor changed behind the buffer's back is caught, not read beyond the buffer.
    for (int i = 0; i < 8; ++i)
        doc.GlobalColorMap()->AppendColor(i);
    frame->Descriptor().Width = 30;
    EXPECT_THROW(frame->RowAddress(1), EGifError);
    try {
        SaveBytes(doc);
        FAIL();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Invalid image dimensions");
    }
    frame->Descriptor().Width = 3;
    TGifFrame empty(&doc);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_THROW(empty.EnsurePixels(), EGifError);
}

TEST(GifDocument, HugeFramesAreRefusedBeforeAllocating) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 1, 1, {});
    int64_t saved = GifMaxFramePixels;
    GifMaxFramePixels = 1000;
    EXPECT_THROW(frame->ChangeGeometry(0, 0, 1000, 2), EGifError);
    GifMaxFramePixels = saved;
}

TEST(GifDocument, AppendFrameTakesFramesAndRefusesOtherObjects) {
    TGifDocument doc;
    auto* frame = new TGifFrame(&doc);
    EXPECT_EQ(doc.AppendFrame(frame), 0);
    EXPECT_EQ(doc.Frame(0), frame);
    TGifColorMap notAPicture;
    try {
        doc.AppendFrame(&notAPicture);
        FAIL();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Object type not supported for operation");
    }
    // Freeing a frame takes it out of the list.
    delete frame;
    EXPECT_EQ(doc.FrameCount(), 0);
}

TEST(GifDocument, AssignCopiesFramesAndDropsHandlers) {
    auto source = std::make_unique<TGifDocument>();
    source->GlobalColorMap()->AppendColor(0x0000FF);
    source->GlobalColorMap()->AppendColor(0x00FF00);
    TGifFrame* frame = AddFrame(*source, 2, 1, {1, 0});
    auto* comment = new TGifCommentExtension(frame);
    comment->Lines().Add("hello");
    frame->GetExtensionList()->AppendItem(comment);
    auto* gce = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(1);
    // A trailing frame that holds only a comment is copied with its comment.
    TGifFrame* tail = new TGifFrame(source.get());
    source->AppendFrame(tail);
    auto* tailComment = new TGifCommentExtension(tail);
    tailComment->Lines().Add("bye");
    tail->GetExtensionList()->AppendItem(tailComment);
    int played = 0;
    source->OnPlayStart = [&](vcl::TObject*) { ++played; };
    source->OnIssue = [](vcl::TObject*, int32_t, const std::string&) {};
    source->SetQuantizeBits(4);
    source->SetEncoderKind(ekRunLength);

    TGifDocument copy;
    copy.OnIssue = [](vcl::TObject*, int32_t, const std::string&) {};
    std::vector<std::string> progress;
    source->OnProgress = [&](vcl::TObject*, vcl::TProgressStage, uint8_t, bool, const vcl::TRect&,
                             const std::string& m) { progress.push_back(m); };
    copy.Assign(source.get());
    EXPECT_FALSE(copy.OnIssue);
    EXPECT_FALSE(copy.OnProgress);
    EXPECT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "Copying...");
    ASSERT_TRUE(copy.OnPlayStart);
    copy.OnPlayStart(nullptr);
    EXPECT_EQ(played, 1);
    EXPECT_EQ(copy.GetQuantizeBits(), 8);
    EXPECT_EQ(copy.GetEncoderKind(), ekLzw);

    source.reset();
    ASSERT_EQ(copy.FrameCount(), 2);
    TGifFrame* c = copy.Frame(0);
    EXPECT_EQ(FramePixels(c), (Bytes{1, 0}));
    EXPECT_EQ(copy.GlobalColorMap()->GetEntryCount(), 2);
    ASSERT_EQ(c->GetExtensionList()->ItemCount(), 2);
    EXPECT_EQ(static_cast<TGifCommentExtension*>(c->GetExtensionList()->ExtensionAt(0))->Lines().GetText(),
              "hello\n");
    ASSERT_NE(c->GetControlExtension(), nullptr);
    EXPECT_TRUE(c->GetTransparentFrame());
    EXPECT_EQ(c->GetControlExtension()->GetTransparentIndex(), 1);
    EXPECT_EQ(copy.Frame(1)->GetExtensionList()->ItemCount(), 1);
}

// A copy loses nothing the document holds: saved with the same encoder it gives the source's bytes, from a
// file with every block the reader keeps (aspect ratio, sorted tables, background, interlace, loop, plain
// text, application and comment blocks, a comment after the last image), and it takes the transparency flag.
TEST(GifDocument, ACopySavesTheSourcesBytes) {
    GifBuilder g;
    g.Text("GIF89a").LE16(4).LE16(3).Add({0x80 | 0x08 | 0x10 | 1, 2, 49});
    for (int i = 0; i < 4; ++i)
        g.Add({i * 60, 255 - i * 60, i * 20});
    g.Add({0x21, 0xFF, 11}).Text("NETSCAPE2.0").Add({3, 1, 5, 0, 0});
    g.Add({0x21, 0xFF, 11}).Text("LOOMWICK1.0").SubBlocks({1, 2, 3});
    g.Add({0x21, 0xFE}).SubBlocks({'a', 'b'});
    g.Gce(0x09, 7, 1).Descriptor(0, 0, 4, 3, 0x40).Add({2}).SubBlocks(ReferenceLzw(Bytes(12, 3), 2));
    g.Add({0x21, 0x01, 12}).LE16(0).LE16(0).LE16(4).LE16(3).Add({4, 3, 1, 0}).SubBlocks({'h', 'i'});
    g.Gce(0x04, 9, 0).Descriptor(1, 1, 2, 2, 0x80 | 0x20 | 0x40).Add({0, 0, 0, 9, 9, 9});
    g.Add({2}).SubBlocks(ReferenceLzw({0, 1, 1, 0}, 2));
    g.Add({0x21, 0xFE}).SubBlocks({'e', 'n', 'd'}).Trailer();
    for (TGifEncoderKind encoder : {ekLzw, ekRunLength}) {
        auto source = LoadBytes(g.b);
        ASSERT_TRUE(source->Issues.empty());
        source->Doc->SetEncoderKind(encoder);
        source->Doc->SetTransparent(true);
        TGifDocument copy;
        copy.SetEncoderKind(encoder);
        copy.Assign(source->Doc.get());
        const Bytes want = SaveBytes(*source->Doc);
        source.reset();
        EXPECT_EQ(SaveBytes(copy), want) << int(encoder);
        EXPECT_TRUE(copy.GetTransparent());
    }
}

TEST(GifDocument, QuantizeBitsMustLieIn3To8) {
    TGifDocument doc;
    for (int bits : {2, 9, 0, -1})
        EXPECT_THROW(doc.SetQuantizeBits(bits), EGifError) << bits;
    for (int bits : {3, 8}) {
        doc.SetQuantizeBits(bits);
        EXPECT_EQ(doc.GetQuantizeBits(), bits);
    }
}

TEST(GifDocument, ResetRenderingMovesALoneFramesTableToTheGlobalOne) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 1, 1, {0});
    frame->GetLocalColorMap()->AppendColor(0x123456);
    doc.ResetRendering();
    EXPECT_EQ(frame->GetLocalColorMap()->GetEntryCount(), 0);
    ASSERT_EQ(doc.GlobalColorMap()->GetEntryCount(), 1);
    EXPECT_EQ(doc.GlobalColorMap()->EntryColor(0), 0x123456);
    EXPECT_EQ(frame->EffectiveColorMap(), doc.GlobalColorMap());
}

TEST(GifDocument, VersionsAndColorResolution) {
    TGifDocument doc;
    EXPECT_EQ(doc.RequiredVersion(), 0);
    TGifFrame* frame = AddFrame(doc, 1, 1, {0});
    EXPECT_EQ(doc.RequiredVersion(), 1);
    for (int i = 0; i < 5; ++i)
        frame->GetLocalColorMap()->AppendColor(i);
    doc.GlobalColorMap()->AppendColor(0);
    EXPECT_EQ(doc.MaxBitsPerPixel(), 3);
    EXPECT_EQ(doc.MaxColorResolution(), 2);
    frame->GetExtensionList()->AppendItem(new TGifCommentExtension(frame));
    EXPECT_EQ(doc.RequiredVersion(), 2);
}

TEST(GifDocument, BackgroundIndexIsCheckedAgainstTheGlobalTable) {
    TGifDocument doc;
    IssueLog log;
    log.Attach(doc);
    doc.GetHeader()->SetBackgroundIndex(7); // empty table: anything goes
    EXPECT_EQ(doc.GetHeader()->ScreenDescriptor().BackgroundIndex, 7);
    doc.GetHeader()->SetBackgroundByColor(0x00FF00);
    doc.GetHeader()->SetBackgroundByColor(0x0000FF);
    EXPECT_EQ(doc.GetHeader()->ScreenDescriptor().BackgroundIndex, 1);
    EXPECT_EQ(doc.ScreenBackgroundColor(), 0x0000FF);
    doc.GetHeader()->SetBackgroundIndex(2);
    EXPECT_EQ(doc.GetHeader()->ScreenDescriptor().BackgroundIndex, 0);
    EXPECT_EQ(log.Messages, std::vector<std::string>{"Invalid color index"});
}

TEST(GifDocument, SaveToFileKeepsTheOldFileWhenWritingFails) {
    auto path =
        std::filesystem::temp_directory_path() / ("loomwick-gif-safe-" + std::to_string(::getpid()) + ".gif");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("old contents", f);
        std::fclose(f);
    }
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 2, 1, {0, 5});
    frame->GetLocalColorMap()->AppendColor(0);
    frame->GetLocalColorMap()->AppendColor(1);
    // A descriptor changed without a new pixel buffer cannot be written.
    frame->Descriptor().Width = 3;
    try {
        doc.SaveToFile(path.string());
        FAIL();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Invalid image dimensions");
    }
    vcl::TMemoryStream back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(std::string(static_cast<const char*>(back.Memory()), size_t(back.GetSize())), "old contents");
    // A good save replaces it and reads back.
    frame->Descriptor().Width = 2;
    frame->RowAddress(0)[1] = 1;
    doc.SaveToFile(path.string());
    TGifDocument loaded;
    loaded.LoadFromFile(path.string());
    ASSERT_EQ(loaded.FrameCount(), 1);
    EXPECT_EQ(FramePixels(loaded.Frame(0)), (Bytes{0, 1}));
    std::filesystem::remove(path);
}

} // namespace

namespace {

TEST(GifDocument, PicturesOpenGifFilesAsDocuments) {
    std::unique_ptr<vcl::TGraphic> graphic = vcl::TPicture::CreateForFileName("Anim.GIF");
    EXPECT_NE(dynamic_cast<TGifDocument*>(graphic.get()), nullptr);
    EXPECT_NE(vcl::TPicture::GraphicFilter().find("GIF Image"), std::string::npos);
}

TEST(GifDocument, LoadAndSaveReportProgress) {
    TGifDocument doc;
    doc.GlobalColorMap()->AppendColor(0);
    doc.GlobalColorMap()->AppendColor(1);
    AddFrame(doc, 2, 1, {1, 0});
    AddFrame(doc, 2, 1, {0, 1});
    std::vector<std::pair<vcl::TProgressStage, int>> stages;
    std::vector<std::string> texts;
    auto record = [&](vcl::TObject*, vcl::TProgressStage stage, uint8_t percent, bool, const vcl::TRect&,
                      const std::string& text) {
        stages.emplace_back(stage, percent);
        texts.push_back(text);
    };
    doc.OnProgress = record;
    Bytes bytes = SaveBytes(doc);
    using S = std::vector<std::pair<vcl::TProgressStage, int>>;
    EXPECT_EQ(stages,
              (S{{vcl::psStarting, 0}, {vcl::psRunning, 50}, {vcl::psRunning, 100}, {vcl::psEnding, 100}}));
    EXPECT_EQ(texts.front(), "Saving...");
    stages.clear();
    texts.clear();
    TGifDocument loaded;
    loaded.OnProgress = record;
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    loaded.LoadFromStream(&stream);
    ASSERT_EQ(stages.size(), 4u);
    EXPECT_EQ(stages.front(), std::make_pair(vcl::psStarting, 0));
    EXPECT_EQ(stages.back(), std::make_pair(vcl::psEnding, 100));
    EXPECT_EQ(texts.back(), "Loading...");
    // A failed load ends at 0 %.
    Bytes bad = {'G', 'I', 'F'};
    vcl::TReadOnlyMemoryStream badStream(bad.data(), int64_t(bad.size()));
    EXPECT_THROW(loaded.LoadFromStream(&badStream), EGifError);
    EXPECT_EQ(stages.back(), std::make_pair(vcl::psEnding, 0));
}

} // namespace
