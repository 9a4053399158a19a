#include "GifTestUtil.h"

#include <gtest/gtest.h>

using namespace gif;
using namespace giftest;

namespace {

// A one-pixel GIF whose only frame carries the given extension bytes in front of its image.
Bytes GifWithExtensions(const Bytes& extensions) {
    GifBuilder g;
    g.Header(1, 1).Add(extensions).Descriptor(0, 0, 1, 1).Add({2}).SubBlocks(ReferenceLzw({0}, 2)).Trailer();
    return g.b;
}

Bytes ExtensionBytes(TGifExtension* extension) {
    vcl::TMemoryStream stream;
    extension->SaveToStream(&stream);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(p, p + stream.GetSize());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Str(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(GifExtensions, LoopBlocksReadAndWriteBack) {
    struct Case {
        std::string id;
    } cases[] = {{"NETSCAPE2.0"}, {"ANIMEXTS1.0"}};
    for (const Case& c : cases) {
        Bytes block = Concat({{0x21, 0xFF, 11}, Str(c.id), {3, 1, 0, 0, 0}});
        auto loaded = LoadBytes(GifWithExtensions(block));
        TGifFrame* frame = loaded->Doc->Frame(0);
        ASSERT_EQ(frame->GetExtensionList()->ItemCount(), 1);
        auto* loop = dynamic_cast<TGifLoopExtension*>(frame->GetExtensionList()->ExtensionAt(0));
        ASSERT_NE(loop, nullptr) << c.id;
        EXPECT_EQ(loop->GetLoopCount(), 0);
        EXPECT_EQ(ExtensionBytes(loop), block) << c.id;
        EXPECT_TRUE(loaded->Issues.empty());
    }
    TGifDocument doc;
    TGifFrame frame(&doc);
    TGifLoopExtension fresh(&frame);
    fresh.SetLoopCount(0x1234);
    fresh.SetBufferSize(0x01020304);
    EXPECT_EQ(ExtensionBytes(&fresh),
              Concat({{0x21, 0xFF, 11}, Str("NETSCAPE2.0"), {3, 1, 0x34, 0x12, 5, 2, 4, 3, 2, 1, 0}}));
}

TEST(GifExtensions, LoopSubBlocksAreCheckedBySize) {
    // Id 9 reads as a loop count (low three bits); other ids are skipped; a short sub-block is bad data.
    auto loaded = LoadBytes(GifWithExtensions(
        Concat({{0x21, 0xFF, 11}, Str("NETSCAPE2.0"), {4, 9, 7, 0, 0xEE}, {2, 4, 0xAA}, {0}})));
    auto* loop = dynamic_cast<TGifLoopExtension*>(loaded->Doc->Frame(0)->GetExtensionList()->ExtensionAt(0));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->GetLoopCount(), 7);
    EXPECT_EQ(loaded->Doc->Frame(0)->GetPixelCount(), 1);
    try {
        LoadBytes(GifWithExtensions(Concat({{0x21, 0xFF, 11}, Str("NETSCAPE2.0"), {2, 1, 0, 0}})));
        FAIL();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Invalid GIF data");
    }
}

TEST(GifExtensions, UnknownApplicationBlocksRoundTripByteForByte) {
    struct Case {
        const char* name;
        Bytes block;
    } cases[] = {
        {"size 11", Concat({{0x21, 0xFF, 11}, Str("XMP DataXMP"), {3, 'a', 'b', 'c', 1, 0, 0}})},
        // 10-byte identifiers are not looked up and keep their size.
        {"size 10", Concat({{0x21, 0xFF, 10}, Str("0123456789"), {2, 7, 8, 0}})},
        // Longer headers keep their extra bytes.
        {"size 13", Concat({{0x21, 0xFF, 13}, Str("SOMEAPP1.0xyz"), {1, 5, 0}})},
    };
    for (const Case& c : cases) {
        auto loaded = LoadBytes(GifWithExtensions(c.block));
        auto* ext = loaded->Doc->Frame(0)->GetExtensionList()->ExtensionAt(0);
        EXPECT_NE(dynamic_cast<TGifUnknownAppExtension*>(ext), nullptr) << c.name;
        EXPECT_EQ(ExtensionBytes(ext), c.block) << c.name;
    }
    // A registered identifier behind a longer header still resolves to its class, never the abstract base.
    auto loaded =
        LoadBytes(GifWithExtensions(Concat({{0x21, 0xFF, 12}, Str("NETSCAPE2.0"), {'!'}, {3, 1, 5, 0, 0}})));
    auto* loop = dynamic_cast<TGifLoopExtension*>(loaded->Doc->Frame(0)->GetExtensionList()->ExtensionAt(0));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->GetLoopCount(), 5);
    try {
        LoadBytes(GifWithExtensions(Concat({{0x21, 0xFF, 9}, Str("SHORTID12"), {0}})));
        FAIL();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Unsupported Application Extension block size");
    }
}

TEST(GifExtensions, CommentsKeepRawBytesAndSplitLongLines) {
    TGifDocument doc;
    TGifFrame frame(&doc);
    TGifCommentExtension comment(&frame);
    EXPECT_EQ(ExtensionBytes(&comment), (Bytes{0x21, 0xFE, 0}));
    std::string line(300, 'x');
    line[10] = '\0';
    comment.Lines().Add(line);
    comment.Lines().Add("");
    Bytes bytes = ExtensionBytes(&comment);
    ASSERT_EQ(bytes.size(), 2u + 1 + 255 + 1 + 45 + 1);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[258], 45);
    auto loaded = LoadBytes(GifWithExtensions(bytes));
    auto* back =
        dynamic_cast<TGifCommentExtension*>(loaded->Doc->Frame(0)->GetExtensionList()->ExtensionAt(0));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Lines().Count(), 2);
    EXPECT_EQ(back->Lines()[0], line.substr(0, 255));
    EXPECT_EQ(back->Lines()[1], line.substr(255));
}

TEST(GifExtensions, PlainTextBlocksRoundTrip) {
    Bytes block = {0x21, 0x01, 12, 1, 0, 2, 0, 30, 0, 10, 0, 8, 9, 1, 0, 3, 'a', 'b', 'c', 0};
    auto loaded = LoadBytes(GifWithExtensions(block));
    auto* text = dynamic_cast<TGifTextExtension*>(loaded->Doc->Frame(0)->GetExtensionList()->ExtensionAt(0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Block().GridWidth, 30);
    EXPECT_EQ(text->Block().CellHeight, 9);
    ASSERT_EQ(text->Lines().Count(), 1);
    EXPECT_EQ(text->Lines()[0], "abc");
    EXPECT_EQ(ExtensionBytes(text), block);
}

TEST(GifExtensions, GraphicControlFieldsAndLifecycle) {
    auto loaded = LoadBytes(GifWithExtensions({0x21, 0xF9, 4, 0x15, 10, 0, 1, 0}));
    TGifFrame* frame = loaded->Doc->Frame(0);
    TGifGraphicControlExtension* gce = frame->GetControlExtension();
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->GetDisposalMethod(), 5); // kept although no method has that number
    EXPECT_EQ(gce->GetDelayTime(), 10);
    EXPECT_TRUE(gce->GetTransparentFlag());
    EXPECT_TRUE(frame->GetTransparentFrame());
    EXPECT_EQ(ExtensionBytes(gce), (Bytes{0x21, 0xF9, 4, 0x15, 10, 0, 1, 0}));
    // The transparent pixels of an undecoded raster would hold index 1.
    gce->SetPackedFields(0x1D);
    gce->SetDisposalMethod(2);
    EXPECT_EQ(gce->GetPackedFields(), 0x09);
    // An index beyond the effective table is reported and 0 stored.
    gce->SetTransparentIndex(9);
    EXPECT_EQ(gce->GetTransparentIndex(), 0);
    EXPECT_EQ(loaded->Issues, std::vector<std::string>{"Invalid color index"});
    gce->SetTransparentColorValue(0x00ABCDEF);
    EXPECT_EQ(gce->GetTransparentIndex(), 2);
    EXPECT_EQ(gce->GetTransparentColorValue(), 0x00ABCDEF);
    // Destroying it clears the frame's transparency and control extension.
    delete gce;
    EXPECT_FALSE(frame->GetTransparentFrame());
    EXPECT_EQ(frame->GetControlExtension(), nullptr);
    EXPECT_EQ(frame->GetExtensionList()->ItemCount(), 0);
}

TEST(GifExtensions, DamagedAndUnknownBlocks) {
    // A graphic control block cut short by the end of the stream is an issue; an unknown label is skipped.
    auto cut = LoadBytes(Concat({GifBuilder().Header(1, 1).b, {0x21, 0xF9, 4, 1}}));
    EXPECT_EQ(cut->Issues, std::vector<std::string>{"Premature end of data"});
    auto unknown = LoadBytes(GifWithExtensions({0x21, 0x99, 2, 1, 2, 0, 0x21, 0xFE, 1, 'x', 0}));
    EXPECT_EQ(unknown->Issues, std::vector<std::string>{"Unknown extension type"});
    ASSERT_EQ(unknown->Doc->FrameCount(), 1);
    EXPECT_EQ(unknown->Doc->Frame(0)->GetExtensionList()->ItemCount(), 1);
    EXPECT_EQ(unknown->Doc->Frame(0)->GetPixelCount(), 1);
    // A graphic control block of another size keeps the reader on track.
    auto odd = LoadBytes(GifWithExtensions({0x21, 0xF9, 5, 0x08, 3, 0, 0, 0xEE, 0}));
    ASSERT_NE(odd->Doc->Frame(0)->GetControlExtension(), nullptr);
    EXPECT_EQ(odd->Doc->Frame(0)->GetControlExtension()->GetDelayTime(), 3);
    EXPECT_EQ(odd->Doc->Frame(0)->GetPixelCount(), 1);
    EXPECT_TRUE(odd->Issues.empty());
}

TEST(GifExtensions, RegistriesPreferTheLatestRegistration) {
    TExtensionList list;
    list.Register(0x42, TGifCommentExtension::ClassRef());
    list.Register(0x42, TGifTextExtension::ClassRef());
    EXPECT_EQ(list.ClassForLabel(0x42), TGifTextExtension::ClassRef());
    EXPECT_EQ(list.ClassForLabel(0x43), nullptr);
    EXPECT_EQ(AppExtensionRegistry().ClassForIdentifier(MakeAppIdentifier("netscape2.0")), nullptr);
    EXPECT_EQ(AppExtensionRegistry().ClassForIdentifier(MakeAppIdentifier("NETSCAPE2.0")),
              TGifLoopExtension::ClassRef());
}

} // namespace
