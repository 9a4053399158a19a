#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"
#include "tests/platform/win/gdi/MetafileWriter.h"

#include <gtest/gtest.h>

using namespace vcl;
using metatest::Bytes;
using metatest::EmfWriter;
using metatest::WmfWriter;

namespace {

void Load(TMetafile& m, const std::vector<uint8_t>& bytes) {
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    m.LoadFromStream(&stream);
}

} // namespace

TEST(TMetafilePlayback, SizesFromTheHeaders) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t width, height;
        bool enhanced;
    } cases[] = {
        {"placeable, 1440 per inch", WmfWriter(true, -3151, 432, -3151 + 2880, 432 + 720, 1440).Take(), 192,
         48, false},
        {"plain WMF sized by its window", WmfWriter(false).WindowOrg(-10, 5).WindowExt(300, -200).Take(), 300,
         200, false},
        {"EMF frame at 10 pixels per millimetre", EmfWriter(0, 0, 2540, 1270).Take(), 96, 48, true},
    };
    for (const Case& c : cases) {
        TMetafile m;
        Load(m, c.bytes);
        EXPECT_EQ(m.GetWidth(), c.width) << c.name;
        EXPECT_EQ(m.GetHeight(), c.height) << c.name;
        EXPECT_EQ(m.GetEnhanced(), c.enhanced) << c.name;
    }
}

TEST(TMetafilePlayback, RefusesWhatItCannotShow) {
    EmfWriter plus(0, 0, 1000, 1000);
    Bytes c;
    c.U32(32).U32(0x2B464D45).U16(0x4001).U16(0).U32(28).U32(16).U32(0xDBC01002).U32(0).U32(96).U32(96);
    plus.Rec(70, c);
    std::vector<std::vector<uint8_t>> refused = {
        WmfWriter(false).Rectangle(0, 0, 5, 5).Take(), // no window records: no size
        plus.Take(),                                   // EMF+ only
    };
    for (const auto& bytes : refused) {
        TMetafile m;
        try {
            Load(m, bytes);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Metafile is not valid");
        }
        EXPECT_TRUE(m.GetEmpty());
    }
}

TEST(TMetafilePlayback, DrawPlaysIntoTheRectangle) {
    WmfWriter w(false);
    w.WindowOrg(0, 0).WindowExt(40, 20).Brush(0, win::RGB(255, 0, 0)).Select(0).Pen(5, 0, 0).Select(1);
    w.Rectangle(0, 0, 21, 21).Brush(0, win::RGB(0, 0, 255)).Select(2).Rectangle(20, 0, 41, 21);
    TMetafile m;
    Load(m, w.Take());
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(100, 60);
    b.GetCanvas()->GetBrush()->SetColor(clWhite);
    b.GetCanvas()->FillRect(Rect(0, 0, 100, 60));
    b.GetCanvas()->Draw(10, 10, &m); // its own size, 40 x 20
    EXPECT_EQ(b.GetCanvas()->GetPixel(10, 10), clRed);
    EXPECT_EQ(b.GetCanvas()->GetPixel(29, 29), clRed);
    EXPECT_EQ(b.GetCanvas()->GetPixel(30, 10), clBlue);
    EXPECT_EQ(b.GetCanvas()->GetPixel(49, 29), clBlue);
    EXPECT_EQ(b.GetCanvas()->GetPixel(50, 10), clWhite);
    EXPECT_EQ(b.GetCanvas()->GetPixel(10, 30), clWhite);
    b.GetCanvas()->StretchDraw(Rect(0, 0, 100, 60), &m);
    EXPECT_EQ(b.GetCanvas()->GetPixel(49, 59), clRed);
    EXPECT_EQ(b.GetCanvas()->GetPixel(50, 0), clBlue);
    TMetafile copy;
    copy.Assign(&m);
    EXPECT_NE(copy.GetHandle(), nullptr);
    EXPECT_NE(copy.GetHandle(), m.GetHandle());
}
