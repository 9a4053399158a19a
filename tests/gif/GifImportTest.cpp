// Frame import: bitmaps of every depth, icons with masks, metafiles, pictures and copies of frames.
#include "GifTestUtil.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"
#include "tests/platform/win/gdi/MetafileWriter.h"

#include <gtest/gtest.h>

using namespace gif;
using giftest::Bytes;
using giftest::FramePixels;

namespace {

// A bitmap of the given format and size whose pixel (x, y) has the colour f(x, y).
template <typename F> std::unique_ptr<vcl::TBitmap> Picture(vcl::TPixelFormat format, int w, int h, F f) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->GetCanvas()->SetPixel(x, y, f(x, y));
    if (format != vcl::pf24bit)
        b->SetPixelFormat(format);
    return b;
}

vcl::TColor EntryOf(TGifFrame* frame, int x, int y) {
    return frame->EffectiveColorMap()->EntryColor(frame->PixelAt(x, y));
}

} // namespace

TEST(GifImport, BitmapsOfEveryDepthKeepTheirColours) {
    const vcl::TColor colors[4] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00};
    struct Case {
        vcl::TPixelFormat Format;
        int Colors; // colours used (web colours so that the reduction keeps them)
    };
    for (Case c : {Case{vcl::pf1bit, 2}, Case{vcl::pf4bit, 4}, Case{vcl::pf8bit, 4}, Case{vcl::pf16bit, 4},
                   Case{vcl::pf24bit, 4}, Case{vcl::pf32bit, 4}}) {
        auto bitmap = Picture(c.Format, 9, 3, [&](int x, int y) { return colors[(x + y) % c.Colors]; });
        TGifDocument doc;
        doc.AppendFrame(bitmap.get());
        ASSERT_EQ(doc.FrameCount(), 1);
        TGifFrame* frame = doc.Frame(0);
        EXPECT_EQ(frame->Descriptor().Width, 9);
        EXPECT_EQ(frame->Descriptor().Height, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(EntryOf(frame, x, y), colors[(x + y) % c.Colors])
                    << c.Format << " " << x << "," << y;
        EXPECT_EQ(bitmap->GetPixelFormat(), c.Format) << "the caller's bitmap is left as it was";
    }
}

TEST(GifImport, EightBitBitmapKeepsTableAndIndices) {
    auto bitmap = Picture(vcl::pf8bit, 3, 1, [](int x, int) { return x == 1 ? 0x0000FF : 0x00FF00; });
    const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(0));
    Bytes indices(row, row + 3);
    TGifDocument doc;
    doc.AppendFrame(bitmap.get());
    EXPECT_EQ(FramePixels(doc.Frame(0)), indices);
    EXPECT_GT(doc.Frame(0)->GetLocalColorMap()->GetEntryCount(), indices[1]);
}

TEST(GifImport, TrueColourIsReducedToTheWebPaletteByDefault) {
    auto bitmap = Picture(vcl::pf24bit, 4, 4,
                          [](int x, int y) { return vcl::TColor(x * 60 + (y * 70 << 8) + (0x30 << 16)); });
    TGifDocument doc;
    doc.AppendFrame(bitmap.get());
    TGifFrame* frame = doc.Frame(0);
    for (uint8_t p : FramePixels(frame)) {
        ASSERT_LT(p, 216);
        TGifRGB e = frame->GetLocalColorMap()->Entry(p);
        EXPECT_EQ(e, (TGifRGB{uint8_t(51 * (p / 36)), uint8_t(51 * (p / 6 % 6)), uint8_t(51 * (p % 6))}));
    }
}

TEST(GifImport, OneBitRowsReadMostSignificantBitFirst) {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetMonochrome(true);
    bitmap->SetSize(9, 1);
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(0));
    row[0] = 0xB0;
    row[1] = 0x80;
    TGifDocument doc;
    doc.AppendFrame(bitmap.get());
    EXPECT_EQ(FramePixels(doc.Frame(0)), (Bytes{1, 0, 1, 1, 0, 0, 0, 0, 1}));
}

TEST(GifImport, WithoutReductionAt256ColoursAndOverflowBeyond) {
    for (int n : {256, 257}) {
        auto bitmap =
            Picture(vcl::pf24bit, n, 1, [](int x, int) { return vcl::TColor(x * 3 + (x / 85 << 16)); });
        TGifDocument doc;
        doc.SetReductionMethod(rdNone);
        if (n == 256) {
            doc.AppendFrame(bitmap.get());
            EXPECT_EQ(doc.Frame(0)->GetLocalColorMap()->GetEntryCount(), 256);
            EXPECT_EQ(EntryOf(doc.Frame(0), 100, 0), vcl::TColor(300 + (1 << 16)));
        } else {
            try {
                doc.AppendFrame(bitmap.get());
                ADD_FAILURE() << "257 colours imported";
            } catch (const EGifError& e) {
                EXPECT_STREQ(e.what(), "Color table overflow");
            }
            EXPECT_EQ(doc.FrameCount(), 0);
        }
    }
}

TEST(GifImport, TransparentBitmapAndIconMaskBecomeATransparentBlackEntry) {
    // A bitmap whose transparent colour is its bottom-left pixel's.
    auto bitmap =
        Picture(vcl::pf24bit, 3, 2, [](int x, int y) { return x == 0 && y == 1 ? 0xFFFFFF : 0x0000FF; });
    bitmap->SetTransparent(true);
    TGifDocument doc;
    doc.AppendFrame(bitmap.get());
    TGifFrame* frame = doc.Frame(0);
    ASSERT_NE(frame->GetControlExtension(), nullptr);
    EXPECT_TRUE(frame->GetTransparentFrame());
    const int t = frame->TransparentIndex();
    EXPECT_EQ(t, frame->GetLocalColorMap()->GetEntryCount() - 1)
        << "a new entry at the end of the pruned table";
    EXPECT_EQ(frame->GetLocalColorMap()->EntryColor(t), 0);
    EXPECT_EQ(frame->PixelAt(0, 1), t);
    EXPECT_NE(frame->PixelAt(1, 1), t);

    // An icon made from a colour image and a mask whose set bits are transparent.
    auto color = Picture(vcl::pf24bit, 4, 4, [](int, int) { return 0x00FF00; });
    uint16_t maskRows[4] = {0x00F0, 0x0090, 0x0090,
                            0x00F0}; // rows of 16 bits, first byte first: 1111, 1001 ...
    win::HBITMAP mask = win::CreateBitmap(4, 4, 1, 1, maskRows);
    win::ICONINFO info{win::TRUE, 0, 0, mask, color->GetHandle()};
    vcl::TIcon icon;
    icon.SetHandle(win::CreateIconIndirect(&info));
    win::DeleteObject(mask);
    TGifDocument iconDoc;
    iconDoc.AppendFrame(&icon);
    TGifFrame* iconFrame = iconDoc.Frame(0);
    const int it = iconFrame->TransparentIndex();
    ASSERT_GE(it, 0);
    EXPECT_EQ(iconFrame->GetLocalColorMap()->EntryColor(it), 0);
    EXPECT_EQ(FramePixels(iconFrame)[0], it);
    EXPECT_EQ(EntryOf(iconFrame, 1, 1), 0x00FF00);
    EXPECT_EQ(iconFrame->PixelAt(0, 1), it);
}

TEST(GifImport, MetafilesAndPicturesAndUnsupportedSources) {
    vcl::TMetafile empty;
    TGifDocument doc;
    TGifFrame frame(&doc);
    frame.Assign(&empty);
    EXPECT_TRUE(frame.IsEmpty()) << "an empty metafile gives an empty frame";

    vcl::TPicture picture;
    auto bitmap = Picture(vcl::pf24bit, 2, 2, [](int, int) { return 0xFF0000; });
    picture.SetGraphic(bitmap.get());
    frame.Assign(&picture);
    EXPECT_EQ(frame.Descriptor().Width, 2);
    EXPECT_EQ(EntryOf(&frame, 1, 1), 0xFF0000);

    vcl::TStringList strings;
    EXPECT_THROW(frame.Assign(&strings), vcl::EConvertError);
    EXPECT_THROW(doc.AppendFrame(&strings), EGifError);
}

// A metafile that draws only a filled circle: its corners keep the background and become transparent.
TEST(GifImport, MetafileCircleHasTransparentCorners) {
    for (bool wmf : {true, false}) {
        std::vector<uint8_t> bytes;
        if (wmf) {
            metatest::WmfWriter w(false);
            w.WindowOrg(0, 0).WindowExt(32, 32).Brush(0, win::RGB(204, 0, 0)).Select(0).Pen(5, 0, 0).Select(1);
            bytes = w.Ellipse(0, 0, 33, 33).Take();
        } else {
            metatest::EmfWriter e(0, 0, 847, 847, 960, 960, 254, 254); // 32 pixels at 96 per inch
            bytes = e.Brush(1, 0, win::RGB(204, 0, 0)).Select(1).Select(0x80000008).Ellipse(0, 0, 33, 33).Take();
        }
        vcl::TMetafile metafile;
        vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
        metafile.LoadFromStream(&stream);
        TGifDocument doc;
        TGifFrame frame(&doc);
        frame.Assign(&metafile);
        ASSERT_EQ(frame.Descriptor().Width, 32);
        ASSERT_EQ(frame.Descriptor().Height, 32);
        int32_t t = frame.TransparentIndex();
        ASSERT_GE(t, 0) << (wmf ? "WMF" : "EMF");
        for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
            EXPECT_EQ(frame.PixelAt(x, y), t) << x << "," << y;
        EXPECT_NE(frame.PixelAt(16, 16), t);
        EXPECT_EQ(EntryOf(&frame, 16, 16), vcl::TColor(0x0000CC));
    }
}

TEST(GifImport, CopiedFramesOwnTheirExtensionsAndBitmap) {
    TGifDocument doc;
    doc.GlobalColorMap()->AppendColor(0x0000FF);
    auto* source = giftest::AddFrame(doc, 2, 1, {0, 0});
    auto* comment = new TGifCommentExtension(source);
    comment->Lines().Add("hello");
    source->GetExtensionList()->AppendItem(comment);
    ASSERT_NE(source->FrameBitmap(), nullptr);
    TGifFrame copy(&doc);
    copy.Assign(source);
    EXPECT_TRUE(copy.BitmapBuilt());
    EXPECT_NE(copy.FrameBitmap(), source->FrameBitmap());
    delete source;
    ASSERT_EQ(copy.GetExtensionList()->ItemCount(), 1);
    EXPECT_EQ(static_cast<TGifCommentExtension*>(copy.GetExtensionList()->ExtensionAt(0))->Lines()[0],
              "hello");
    vcl::TBitmap out;
    out.Assign(&copy);
    EXPECT_EQ(out.GetCanvas()->GetPixel(1, 0), 0x0000FF);
}

TEST(GifImport, ConvertingReportsProgressFromStartToEnd) {
    auto bitmap = Picture(vcl::pf24bit, 5, 70, [](int, int y) { return y < 35 ? 0x000000 : 0xFFFFFF; });
    TGifDocument doc;
    std::vector<std::pair<vcl::TProgressStage, int>> reports;
    doc.OnProgress = [&](vcl::TObject*, vcl::TProgressStage stage, uint8_t percent, bool, const vcl::TRect&,
                         const std::string& msg) {
        if (msg == "Converting...")
            reports.emplace_back(stage, percent);
    };
    doc.AppendFrame(bitmap.get());
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[0], std::make_pair(vcl::psStarting, 0));
    EXPECT_EQ(reports[2], std::make_pair(vcl::psRunning, 45)); // row 32 of 70
    EXPECT_EQ(reports[4], std::make_pair(vcl::psEnding, 100));
}
