#include "GdiTestUtil.h"

#include <gtest/gtest.h>

using namespace win;
using namespace gditest;

TEST(GdiBitmaps, DibSectionRowsAreBottomUpUnlessHeightIsNegative) {
    {
        DibDC d(3, 2, 32);
        ASSERT_NE(d.Bmp, nullptr);
        SetPixel(d.Dc, 0, 0, RGB(1, 2, 3));
        auto* px = static_cast<uint32_t*>(d.Bits);
        EXPECT_EQ(px[3], 0x010203u); // the top row is the second row in memory (rows of 12 bytes)
    }
    {
        DibDC d(3, -2, 24);
        SetPixel(d.Dc, 1, 0, RGB(10, 20, 30));
        auto* b = static_cast<uint8_t*>(d.Bits);
        EXPECT_EQ(b[3], 30); // blue first
        EXPECT_EQ(b[4], 20);
        EXPECT_EQ(b[5], 10);
    }
}

TEST(GdiBitmaps, GetObjectGivesDibSectionOrBitmap) {
    DibDC d(5, 4, 8);
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(d.Bmp, sizeof ds, &ds), int(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBm.bmWidth, 5);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
    EXPECT_EQ(ds.dsBmih.biBitCount, 8);
    EXPECT_EQ(ds.dsBm.bmBits, d.Bits);

    HBITMAP mono = CreateBitmap(17, 1, 1, 1, nullptr);
    BITMAP bm{};
    EXPECT_EQ(GetObject(mono, sizeof(DIBSECTION), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidthBytes, 4); // rows padded to 16 bits
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(mono);
}

TEST(GdiBitmaps, RefusesBadHeadersAndHugeSizes) {
    struct Case {
        int w, h, bpp;
    } cases[] = {{0, 1, 32}, {1, 0, 32}, {-5, 1, 32}, {1, 1, 7}, {1 << 20, 1 << 20, 32}, {70000, 70000, 24}};
    for (auto c : cases) {
        DibInfo info = MakeInfo(c.w, c.h, c.bpp);
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr)
            << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);
}

TEST(GdiBitmaps, MonoMaskFromWordPaddedRows) {
    // 17 x 2: rows of 4 bytes; bit 0x80 is the leftmost pixel.
    const uint8_t bits[] = {0x80, 0x00, 0x80, 0x00, 0x00, 0x01, 0x00, 0x00};
    HBITMAP m = CreateBitmap(17, 2, 1, 1, bits);
    DibDC d(m);
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d.Dc, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(d.Dc, 16, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d.Dc, 15, 1), RGB(255, 255, 255));
    uint8_t back[8] = {};
    EXPECT_EQ(GetBitmapBits(m, sizeof back, back), 8);
    EXPECT_EQ(0, std::memcmp(back, bits, 8));
}

TEST(GdiBitmaps, GetDIBitsConvertsBetweenDepthsAndRowOrders) {
    DibDC src(4, 3, 32);
    src.Fill(RGB(255, 0, 0));
    SetPixel(src.Dc, 0, 0, RGB(0, 0, 255)); // top-left
    SetPixel(src.Dc, 3, 2, RGB(0, 255, 0)); // bottom-right
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (int sign : {1, -1}) {
            DibInfo info = MakeInfo(4, 3 * sign, bpp);
            std::vector<uint8_t> buf(size_t(DibStride(4, bpp) * 3));
            ASSERT_EQ(GetDIBits(src.Dc, src.Bmp, 0, 3, buf.data(), info.Get(), DIB_RGB_COLORS), 3);
            // Back through SetDIBits into a fresh 32-bit DIB.
            DibDC dst(4, 3, 32);
            ASSERT_EQ(SetDIBits(dst.Dc, dst.Bmp, 0, 3, buf.data(), info.Get(), DIB_RGB_COLORS), 3);
            COLORREF tl = GetPixel(dst.Dc, 0, 0), br = GetPixel(dst.Dc, 3, 2), mid = GetPixel(dst.Dc, 1, 1);
            if (bpp == 1) {
                EXPECT_EQ(tl, RGB(0, 0, 0)) << bpp; // nearest of black and white
                continue;
            }
            EXPECT_EQ(tl, RGB(0, 0, 255)) << bpp << " " << sign;
            EXPECT_EQ(br, RGB(0, 255, 0)) << bpp << " " << sign;
            EXPECT_EQ(mid, RGB(255, 0, 0)) << bpp << " " << sign;
        }
    }
}

TEST(GdiBitmaps, GetDIBitsLineRangeCountsFromTheBottom) {
    DibDC src(1, 4, 32);
    for (int y = 0; y < 4; ++y)
        SetPixel(src.Dc, 0, y, RGB(y * 10, 0, 0));
    DibInfo info = MakeInfo(1, 4, 32);
    uint32_t out[2] = {};
    ASSERT_EQ(GetDIBits(src.Dc, src.Bmp, 1, 2, out, info.Get(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(out[0], 20u << 16); // scan line 1 from the bottom = row 2 from the top
    EXPECT_EQ(out[1], 10u << 16);
    EXPECT_EQ(GetDIBits(src.Dc, src.Bmp, 4, 1, out, info.Get(), DIB_RGB_COLORS), 0);
}

TEST(GdiBitmaps, GetDIBitsHeaderOnly) {
    DibDC src(7, 5, 16);
    DibInfo info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(src.Dc, src.Bmp, 0, 0, nullptr, info.Get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 7);
    EXPECT_EQ(info.bmiHeader.biHeight, 5);
    EXPECT_EQ(info.bmiHeader.biBitCount, 16);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 16u * 5);
}

TEST(GdiBitmaps, SixteenBitFormats) {
    // 5-5-5 by default, 5-6-5 through bit fields; a compatible 1x1 bitmap of a 16-bit screen is 5-6-5.
    DibDC d555(1, 1, 16);
    SetPixel(d555.Dc, 0, 0, RGB(0, 100, 0));
    EXPECT_EQ(*static_cast<uint16_t*>(d555.Bits), (100 >> 3) << 5);
    EXPECT_EQ(GetPixel(d555.Dc, 0, 0), RGB(0, 99, 0)); // 12 << 3 | 12 >> 2

    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } bf{};
    bf.h = MakeInfo(1, 1, 16).bmiHeader;
    bf.h.biCompression = BI_BITFIELDS;
    bf.masks[0] = 0xF800;
    bf.masks[1] = 0x07E0;
    bf.masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP b =
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bf), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(b, nullptr);
    DibDC d565(b);
    SetPixel(d565.Dc, 0, 0, RGB(0, 100, 0));
    EXPECT_EQ(*static_cast<uint16_t*>(bits), (100 >> 2) << 5);

    SetScreenBitsPixel(16);
    HBITMAP c = CreateCompatibleBitmap(nullptr, 1, 1);
    SetScreenBitsPixel(32);
    DibDC dc(c);
    SetPixel(dc.Dc, 0, 0, RGB(0, 100, 0));
    EXPECT_EQ(GetPixel(dc.Dc, 0, 0), RGB(0, 101, 0)); // 25 << 2 | 25 >> 4
}

TEST(GdiBitmaps, ColorTables) {
    DibDC d(2, 2, 8, {RGBQUAD{0, 0, 255, 0}, RGBQUAD{255, 0, 0, 0}});
    RGBQUAD t[256];
    EXPECT_EQ(GetDIBColorTable(d.Dc, 0, 256, t), 256u);
    EXPECT_EQ(t[0].rgbRed, 255);
    EXPECT_EQ(t[1].rgbBlue, 255);
    EXPECT_EQ(t[2].rgbRed, 0); // entries the header leaves out are black
    RGBQUAD green{0, 255, 0, 0};
    EXPECT_EQ(SetDIBColorTable(d.Dc, 255, 5, &green), 1u);
    SetPixel(d.Dc, 0, 0, RGB(0, 250, 0));
    EXPECT_EQ(static_cast<uint8_t*>(d.Bits)[4], 255); // nearest entry, bottom-up row
}

TEST(GdiBitmaps, CreateDIBitmapAndBitmapBits) {
    // A device bitmap made from a bottom-up 24-bit DIB: the first row in memory is the bottom one.
    DibInfo info = MakeInfo(2, 2, 24);
    const uint8_t bits[16] = {0, 0, 255, 0, 255, 0, 0, 0, /* bottom */ 255, 0, 0, 0, 0, 0, 0, 0 /* top */};
    HBITMAP b = CreateDIBitmap(nullptr, &info.bmiHeader, CBM_INIT, bits, info.Get(), DIB_RGB_COLORS);
    ASSERT_NE(b, nullptr);
    DibDC d(b);
    EXPECT_EQ(GetPixel(d.Dc, 0, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(d.Dc, 1, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(0, 0, 255));
    // Bitmap bits are top-down rows padded to 16 bits: 2 x 32-bit pixels = 8 bytes a row.
    EXPECT_EQ(GetBitmapBits(b, 0, nullptr), 16);
    uint32_t raw[4] = {};
    EXPECT_EQ(GetBitmapBits(b, sizeof raw, raw), 16);
    EXPECT_EQ(raw[0], 0x0000FFu);
    raw[0] = 0x123456;
    EXPECT_EQ(SetBitmapBits(b, sizeof raw, raw), 16);
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(0x12, 0x34, 0x56));
    // System colours that reach the layer unresolved are looked up.
    SetPixel(d.Dc, 1, 0, 0x80000000 | COLOR_BTNFACE);
    EXPECT_EQ(GetPixel(d.Dc, 1, 0), GetSysColor(COLOR_BTNFACE));
}
