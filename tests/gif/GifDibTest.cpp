#include "gif/GifDib.h"
#include "gif/GifTypes.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace gif;

namespace {

uint32_t LE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

win::HPALETTE Palette(int count) {
    std::vector<uint8_t> block(sizeof(win::LOGPALETTE) + 256 * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = win::WORD(count);
    for (int i = 0; i < count; ++i)
        lp->palPalEntry[i] = {win::BYTE(i * 16), win::BYTE(255 - i), win::BYTE(i), 0};
    return win::CreatePalette(lp);
}

} // namespace

TEST(GifDib, RowSizesAndTheColourTableOfTheHeader) {
    vcl::TBitmap bitmap;
    struct Case {
        vcl::TPixelFormat Format;
        int32_t Width;
        int64_t RowBytes;
    } cases[] = {{vcl::pf24bit, 1, 4}, {vcl::pf8bit, 5, 8}, {vcl::pf8bit, 4, 4}, {vcl::pf24bit, 3, 12}};
    for (const Case& c : cases) {
        TDIBWriter writer(&bitmap, c.Format, c.Width, 2, nullptr);
        writer.RowPointer(0);
        EXPECT_EQ(writer.RowBytes(), c.RowBytes) << c.Width;
    }
    win::HPALETTE palette = Palette(16);
    {
        TDIBWriter writer(&bitmap, vcl::pf8bit, 5, 10, palette);
        uint8_t* first = writer.RowPointer(0);
        uint8_t* last = writer.RowPointer(9);
        EXPECT_EQ(first - last, 9 * 8); // row 0 is the last row of the stored block
        const auto& h = writer.HeaderBlock();
        ASSERT_EQ(h.size(), 1064u);
        EXPECT_EQ(LE32(&h[32]), 256u); // colours used
        EXPECT_EQ(LE32(&h[36]), 16u);  // colours important
        EXPECT_EQ(h[40 + 1 * 4 + 0], 1);   // entry 1 as B, G, R, 0
        EXPECT_EQ(h[40 + 1 * 4 + 1], 254);
        EXPECT_EQ(h[40 + 1 * 4 + 2], 16);
        for (size_t i = 40 + 16 * 4; i < h.size(); ++i)
            ASSERT_EQ(h[i], 0) << i;
        std::memset(first, 3, 5); // the top row gets colour 3
    }
    win::DeleteObject(palette);
    ASSERT_EQ(bitmap.GetWidth(), 5);
    ASSERT_EQ(bitmap.GetHeight(), 10);
    EXPECT_EQ(static_cast<uint8_t*>(bitmap.ScanLine(0))[4], 3);
    EXPECT_EQ(static_cast<uint8_t*>(bitmap.ScanLine(9))[0], 0);
}

TEST(GifDib, ErrorsAndAnUntouchedWriterLeavesTheBitmapAlone) {
    vcl::TBitmap bitmap;
    bitmap.SetPixelFormat(vcl::pf24bit);
    bitmap.SetWidth(7);
    bitmap.SetHeight(3);
    EXPECT_THROW(TDIBWriter(&bitmap, vcl::pf32bit, 1, 1, nullptr), EGifError);
    EXPECT_THROW(TDIBWriter(&bitmap, vcl::pf8bit, 0, 1, nullptr), EGifError);
    EXPECT_THROW(TDIBWriter(&bitmap, vcl::pf8bit, 1, 0, nullptr), EGifError);
    {
        TDIBWriter writer(&bitmap, vcl::pf8bit, 2, 2, nullptr);
        EXPECT_THROW(writer.RowPointer(2), vcl::EInvalidGraphicOperation);
        EXPECT_THROW(writer.RowPointer(-1), vcl::EInvalidGraphicOperation);
    }
    EXPECT_EQ(bitmap.GetWidth(), 2); // the writer touched its rows (the errors came after making them)
    {
        TDIBWriter untouched(&bitmap, vcl::pf24bit, 9, 9, nullptr);
    }
    EXPECT_EQ(bitmap.GetWidth(), 2);
    EXPECT_THROW(TDIBWriter(&bitmap, vcl::pf24bit, 1 << 20, 1 << 20, nullptr).RowPointer(0), vcl::EOutOfMemory);
}

TEST(GifDib, TheReaderConvertsTheBitmapAndReadsItsRowsFromTheTop) {
    vcl::TBitmap bitmap;
    {
        TDIBWriter writer(&bitmap, vcl::pf24bit, 2, 2, nullptr);
        uint8_t* top = writer.RowPointer(0);
        top[0] = 10; // B
        top[1] = 20; // G
        top[2] = 30; // R
    }
    bitmap.SetPixelFormat(vcl::pf32bit);
    TDIBReader reader(&bitmap, vcl::pf24bit);
    EXPECT_EQ(bitmap.GetPixelFormat(), vcl::pf24bit);
    const uint8_t* row = reader.RowPointer(0);
    EXPECT_EQ(row[0], 10);
    EXPECT_EQ(row[1], 20);
    EXPECT_EQ(row[2], 30);
    EXPECT_EQ(reader.RowPointer(1)[2], 0);
}
