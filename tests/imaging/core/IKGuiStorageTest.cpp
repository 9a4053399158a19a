#include "imaging/core/ikutils.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace imaging;

namespace {

void FillRows(TIKBitmap& b) {
    for (int32_t y = 0; y < b.Height(); ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t i = 0; i < b.RowLength(); ++i)
            row[i] = uint8_t(y * 13 + i * 5 + 3);
    }
}

// Compares the bits of the first width pixels of each row.
bool RowsFilled(TIKBitmap& b, int32_t width, int32_t height) {
    const int64_t bits = int64_t(width) * b.BitsPerPixel();
    for (int32_t y = 0; y < height; ++y)
        for (int64_t k = 0; k < bits; ++k) {
            const uint8_t expected = uint8_t(y * 13 + int32_t(k / 8) * 5 + 3);
            if (((b.ScanLine(y)[k / 8] ^ expected) & IKBitMask[k % 8]) != 0)
                return false;
        }
    return true;
}

} // namespace

TEST(IKGuiStorage, ContentMovesIntoAndOutOfATBitmap) {
    for (TIKBitmapFormat f : {ikbf1Bit, ikbf8Bit, ikbf8BitGray, ikbf24Bit}) {
        TIKBitmap b;
        b.Allocate(13, 5, f);
        FillRows(b);
        if (f == ikbf8Bit)
            b.Palette()[3] = {30, 20, 10};
        b.GetAlphaChannel()->Fill(9);
        b.SetStorageKind(ikbsGuiBitmap);
        ASSERT_EQ(b.GetStorage(), ikbsGuiBitmap);
        ASSERT_NE(b.GetTBitmap(), nullptr);
        EXPECT_TRUE(RowsFilled(b, 13, 5)) << int(f);
        EXPECT_EQ(b.ScanLine(0), b.GetTBitmap()->ScanLine(0)); // the TBitmap's own rows
        EXPECT_TRUE(b.HasAlphaChannel());
        if (f == ikbf8Bit) {
            ASSERT_GE(b.GetTBitmap()->GetDibFormat().Colors.size(), 4u);
            EXPECT_EQ(b.GetTBitmap()->GetDibFormat().Colors[3], 0x0A141Eu);
        }
        if (f == ikbf8BitGray) {
            EXPECT_EQ(b.GetTBitmap()->GetDibFormat().Colors[200], 0xC8C8C8u); // shown as gray
        }
        // Resizing keeps the top-left corner.
        b.SetWidth(20);
        b.SetHeight(4);
        EXPECT_EQ(b.Width(), 20);
        EXPECT_EQ(b.GetTBitmap()->GetWidth(), 20);
        EXPECT_EQ(b.GetAlphaChannel()->Width(), 20);
        EXPECT_TRUE(RowsFilled(b, 13, 4)) << int(f);
        b.SetStorageKind(ikbsMemory);
        EXPECT_EQ(b.GetTBitmap(), nullptr);
        EXPECT_TRUE(RowsFilled(b, 13, 4)) << int(f);
        if (f == ikbf8Bit) {
            EXPECT_EQ(b.PaletteEntry(3), (TIKColorTriple{30, 20, 10}));
        }
    }
}

TEST(IKGuiStorage, SixteenBitGrayBecomesEightBit) {
    TIKBitmap b;
    b.SetStorageKind(ikbsGuiBitmap);
    b.Allocate(4, 2, ikbf16BitGray);
    EXPECT_EQ(b.PixelFormat(), ikbf8BitGray);
    EXPECT_EQ(b.BitsPerPixel(), 8);
    TIKBitmap gray16;
    gray16.Allocate(4, 2, ikbf16BitGray);
    gray16.Fill(0xAB12);
    b.Assign(&gray16);
    EXPECT_EQ(b.PixelFormat(), ikbf8BitGray);
    EXPECT_EQ(b.ScanLine(1)[3], 0xAB);
}

TEST(IKGuiStorage, CanvasDrawsIntoThePixels) {
    TIKBitmap b;
    b.Allocate(8, 8, ikbf24Bit);
    b.Fill(0xFFFFFF);
    b.GetAlphaChannel();
    vcl::TCanvas* canvas = b.Canvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(b.GetStorage(), ikbsGuiBitmap);
    EXPECT_TRUE(b.HasAlphaChannel());
    EXPECT_FALSE(b.GetFull());        // the canvas may change any pixel
    canvas->SetPixel(2, 3, 0x0000FF); // red
    EXPECT_EQ(b.PixelColor(2, 3), (TIKColorTriple{0, 0, 255}));
    EXPECT_EQ(b.PixelColor(3, 3), (TIKColorTriple{255, 255, 255}));
}

TEST(IKGuiStorage, AttachedBitmapsStayTheCallers) {
    vcl::TBitmap picture;
    picture.SetPixelFormat(vcl::pf24bit);
    picture.SetSize(5, 3);
    std::memset(picture.ScanLine(1), 0x42, 15);
    {
        TIKBitmap b;
        b.AttachTBitmap(&picture, true);
        EXPECT_TRUE(b.GetAttached());
        EXPECT_EQ(b.PixelFormat(), ikbf24Bit);
        EXPECT_EQ(b.Width(), 5);
        EXPECT_EQ(b.ScanLine(1)[14], 0x42);
        b.ScanLine(2)[0] = 7;
        // Allocation reuses the wrapped bitmap.
        b.Allocate(6, 6, ikbf24Bit);
        EXPECT_EQ(b.GetTBitmap(), &picture);
        EXPECT_EQ(picture.GetWidth(), 6);
        // A size change made outside is picked up by wrapping again.
        picture.SetSize(9, 2);
        b.AttachTBitmap(&picture, false);
        EXPECT_EQ(b.Width(), 9);
        EXPECT_EQ(b.Height(), 2);
        b.FreeImage();
        EXPECT_EQ(b.GetTBitmap(), nullptr);
    }
    EXPECT_EQ(picture.GetWidth(), 9); // still alive and whole
    vcl::TBitmap paletted;
    paletted.SetPixelFormat(vcl::pf8bit);
    paletted.SetSize(2, 2);
    TIKBitmap c;
    EXPECT_THROW(c.AttachTBitmap(&paletted, true), vcl::EInvalidGraphicOperation);
    vcl::TBitmap mono;
    mono.SetPixelFormat(vcl::pf1bit);
    mono.SetSize(10, 1);
    c.AttachTBitmap(&mono, true);
    EXPECT_EQ(c.PixelFormat(), ikbf1Bit);
    EXPECT_EQ(c.RowLength(), 4);
}

// Every layout is taken in both storages; in GUI storage the image's rows are its bitmap's, and a layout the
// storage cannot wrap is converted, never read at a row length it does not have.
TEST(IKGuiStorage, TakingTBitmapsOfEveryLayout) {
    for (TIKBitmapStorage kind : {ikbsMemory, ikbsGuiBitmap}) {
        SCOPED_TRACE(kind == ikbsMemory ? "memory" : "GUI bitmap");
        auto take = [kind](TIKBitmap& b, vcl::TBitmap& picture) {
            b.SetStorageKind(kind);
            b.Assign(&picture);
            EXPECT_EQ(b.GetStorage(), kind);
            EXPECT_EQ(b.RowLength(), int32_t(IKRowLength(b.Width(), b.BitsPerPixel())));
            if (kind == ikbsGuiBitmap) {
                ASSERT_NE(b.GetTBitmap(), nullptr);
                EXPECT_EQ(b.ScanLine(b.Height() - 1), b.GetTBitmap()->ScanLine(b.Height() - 1));
            }
        };
        struct {
            vcl::TPixelFormat pf;
            std::vector<uint8_t> row; // the first pixels of row 0
            TIKBitmapFormat format;
            TIKColorTriple first;
        } cases[] = {
            {vcl::pf16bit, {0xFF, 0xFF}, ikbf24Bit, {255, 255, 255}},
            {vcl::pf16bit, {0x00, 0xF8}, ikbf24Bit, {0, 0, 255}},
            {vcl::pf15bit, {0xFF, 0x7F}, ikbf24Bit, {255, 255, 255}},
            {vcl::pf15bit, {0x1F, 0x00}, ikbf24Bit, {255, 0, 0}},
            {vcl::pf32bit, {1, 2, 3, 4}, ikbf24Bit, {1, 2, 3}},
            {vcl::pf24bit, {9, 8, 7}, ikbf24Bit, {9, 8, 7}},
        };
        for (auto& c : cases) {
            vcl::TBitmap picture;
            picture.SetPixelFormat(c.pf);
            picture.SetSize(3, 2);
            std::memcpy(picture.ScanLine(0), c.row.data(), c.row.size());
            TIKBitmap b;
            take(b, picture);
            EXPECT_EQ(b.PixelFormat(), c.format) << int(c.pf);
            EXPECT_EQ(b.Width(), 3);
            EXPECT_EQ(b.PixelColor(0, 0), c.first) << int(c.pf);
        }
        // Paletted layouts keep their colour tables.
        vcl::TBitmap p8;
        p8.SetPixelFormat(vcl::pf8bit);
        p8.SetSize(2, 1);
        static_cast<uint8_t*>(p8.ScanLine(0))[1] = 5;
        TIKBitmap b;
        take(b, p8);
        EXPECT_EQ(b.PixelFormat(), ikbf8Bit);
        const uint32_t c5 = p8.GetDibFormat().Colors[5];
        EXPECT_EQ(b.PixelColor(1, 0), IKUnpackTriple(c5));
        vcl::TBitmap p4;
        p4.SetPixelFormat(vcl::pf4bit);
        p4.SetSize(3, 1);
        static_cast<uint8_t*>(p4.ScanLine(0))[0] = 0x3A;
        take(b, p4);
        EXPECT_EQ(b.ScanLine(0)[0], 3);
        EXPECT_EQ(b.ScanLine(0)[1], 10);
        vcl::TBitmap mono;
        mono.SetPixelFormat(vcl::pf1bit);
        mono.SetSize(9, 1);
        static_cast<uint8_t*>(mono.ScanLine(0))[1] = 0x80;
        take(b, mono);
        EXPECT_EQ(b.PixelFormat(), mono.GetMonochrome() ? ikbf1Bit : ikbf8Bit);
        EXPECT_EQ(b.PixelColor(8, 0), (TIKColorTriple{255, 255, 255}));
        // A 1-bit bitmap whose two colours are not black and white keeps them.
        vcl::TBitmap twoColours;
        twoColours.SetPixelFormat(vcl::pf1bit);
        twoColours.SetSize(9, 1);
        std::vector<win::PALETTEENTRY> entries = {{200, 0, 0, 0}, {0, 0, 150, 0}};
        std::vector<uint8_t> block(sizeof(win::LOGPALETTE) + 2 * sizeof(win::PALETTEENTRY));
        auto* lp = reinterpret_cast<win::LOGPALETTE*>(block.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = 2;
        std::memcpy(lp->palPalEntry, entries.data(), 2 * sizeof(win::PALETTEENTRY));
        twoColours.SetPalette(win::CreatePalette(lp));
        ASSERT_FALSE(twoColours.GetMonochrome());
        static_cast<uint8_t*>(twoColours.ScanLine(0))[0] = 0x00;
        static_cast<uint8_t*>(twoColours.ScanLine(0))[1] = 0x80;
        take(b, twoColours);
        EXPECT_EQ(b.PixelFormat(), ikbf8Bit);
        EXPECT_EQ(b.PixelColor(8, 0), (TIKColorTriple{150, 0, 0}));
        EXPECT_EQ(b.PixelColor(7, 0), (TIKColorTriple{0, 0, 200}));
        if (kind == ikbsGuiBitmap) {
            EXPECT_EQ(b.GetTBitmap()->GetDibFormat().Colors[1], 0x000096u); // the bitmap shows them too
        }
    }
}

TEST(IKGuiStorage, WritingIntoTBitmaps) {
    struct {
        TIKBitmapFormat format;
        vcl::TPixelFormat pf;
    } cases[] = {{ikbf1Bit, vcl::pf1bit},
                 {ikbf8Bit, vcl::pf8bit},
                 {ikbf8BitGray, vcl::pf8bit},
                 {ikbf16BitGray, vcl::pf8bit},
                 {ikbf24Bit, vcl::pf24bit}};
    for (auto c : cases) {
        TIKBitmap b;
        b.Allocate(7, 3, c.format);
        b.FillRect(1, 1, 1, 1, c.format == ikbf24Bit ? 0x102030 : c.format == ikbf16BitGray ? 0x8000 : 200);
        if (c.format == ikbf8Bit)
            b.Palette()[200] = {1, 2, 3};
        vcl::TBitmap picture;
        b.CopyToTBitmap(&picture);
        EXPECT_EQ(picture.GetPixelFormat(), c.pf) << int(c.format);
        EXPECT_EQ(picture.GetWidth(), 7);
        EXPECT_EQ(picture.GetHeight(), 3);
        TIKBitmap back;
        back.Assign(&picture);
        EXPECT_EQ(back.PixelColor(1, 1), b.PixelColor(1, 1)) << int(c.format);
        EXPECT_EQ(back.PixelColor(0, 0), b.PixelColor(0, 0)) << int(c.format);
    }
    TIKBitmap empty;
    vcl::TBitmap picture;
    picture.SetSize(4, 4);
    empty.CopyToTBitmap(&picture);
    EXPECT_TRUE(picture.GetEmpty());
}

TEST(IKDibbitmap, SectionsGdiCanDrawInto) {
    TIKDibbitmap d;
    EXPECT_EQ(d.PixelFormat(), ikbfNone);
    d.Allocate(10, 10, ikbf8BitGray);
    EXPECT_EQ(d.PixelFormat(), ikbfNone);
    d.AllocateBits(0, 5, 24);
    EXPECT_EQ(d.Width(), 0);
    d.AllocateBits(10, 6, 24);
    EXPECT_EQ(d.PixelFormat(), ikbf24Bit);
    EXPECT_EQ(d.RowLength(), 32);
    ASSERT_NE(d.GetDC(), nullptr);
    win::RECT r{2, 1, 4, 2};
    win::HBRUSH brush = win::CreateSolidBrush(win::RGB(255, 0, 0));
    win::FillRect(d.GetDC(), &r, brush);
    win::DeleteObject(brush);
    EXPECT_EQ(d.ScanLine(1)[2 * 3 + 2], 255); // red at (2, 1), B, G, R
    EXPECT_EQ(d.ScanLine(1)[2 * 3 + 0], 0);
    EXPECT_EQ(d.ScanLine(2)[2 * 3 + 2], d.ScanLine(5)[0 + 2]);

    TIKDibbitmap copy;
    TIKBitmap plain;
    copy.Assign(&plain);
    EXPECT_EQ(copy.Width(), 0);
    copy.Assign(&d);
    EXPECT_EQ(copy.Width(), 10);
    EXPECT_EQ(copy.ScanLine(1)[2 * 3 + 2], 255);
    // A TIKBitmap reads it like any base bitmap.
    TIKBitmap b;
    b.AssignDibbitmap(&copy);
    EXPECT_EQ(b.PixelColor(2, 1), (TIKColorTriple{0, 0, 255}));
    TIKDibbitmap mono;
    mono.Allocate(9, 2, ikbf1Bit);
    EXPECT_EQ(mono.BitsPerPixel(), 1);
    EXPECT_EQ(mono.RowLength(), 4);
    mono.FreeBits();
    EXPECT_EQ(mono.GetDC(), nullptr);
}

TEST(IKDibbitmap, DrawDibCopiesAndStretches) {
    TIKDibbitmap source, target;
    source.AllocateBits(4, 4, 24);
    std::memset(source.ScanLine(0), 0xFF, 12); // the top row white, the rest black
    target.AllocateBits(8, 8, 24);
    TIKDrawDibContext* context = IKDrawDibOpen();
    const auto* header = &source.GetBitmapInfo()->bmiHeader;
    EXPECT_TRUE(
        IKDrawDibDraw(context, target.GetDC(), 0, 0, 8, 8, header, source.GetBits(), 0, 0, -1, -1, 0));
    EXPECT_EQ(target.ScanLine(0)[0], 255);
    EXPECT_EQ(target.ScanLine(1)[21], 255);
    EXPECT_EQ(target.ScanLine(2)[0], 0);
    // A source rectangle counted from the top: row 0 of the source lands at row 5 of the target.
    std::memset(target.GetBits(), 0, size_t(target.RowLength()) * 8);
    EXPECT_TRUE(IKDrawDibDraw(context, target.GetDC(), 0, 5, 4, 2, header, source.GetBits(), 0, 0, 4, 2, 0));
    EXPECT_EQ(target.ScanLine(5)[0], 255);
    EXPECT_EQ(target.ScanLine(6)[0], 0);
    EXPECT_EQ(target.ScanLine(4)[0], 0);
    EXPECT_FALSE(IKDrawDibDraw(context, target.GetDC(), 0, 0, 0, 8, header, source.GetBits(), 0, 0, 4, 4, 0));
    IKDrawDibRealize(context, target.GetDC(), false);
    IKDrawDibClose(context);
}

TEST(IKWorkBitmap, KeepsItsBlockForTheSameShape) {
    TIKWorkBitmap w(5, 3, 24);
    EXPECT_EQ(w.RowLength(), 16);
    w.ScanLine(2)[0] = 77;
    uint8_t* block = w.Bits();
    w.Allocate(5, 3, 24);
    EXPECT_EQ(w.Bits(), block);
    EXPECT_EQ(w.ScanLine(2)[0], 77);
    EXPECT_EQ(w.ScanLine(2), w.Bits()); // bottom-up
    w.Allocate(5, 3, 8);
    EXPECT_EQ(w.RowLength(), 8);
    EXPECT_EQ(w.ScanLine(2)[0], 0);
    w.Free();
    EXPECT_EQ(w.Width(), 0);
    TIKWorkBitmap none(0, 4, 8);
    EXPECT_EQ(none.Height(), 0);
}
