#include "GdiTestUtil.h"
#include "platform/win/gdi/GdiObjects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace win;
using namespace gditest;

TEST(GdiBlit, FastPathsAgreeWithTheGenericTruthTable) {
    std::mt19937 rng(42);
    const int n = 64;
    std::vector<uint32_t> p(n), s(n), d(n);
    for (int rop = 0; rop < 256; ++rop) {
        for (uint32_t mask : {0xFFFFFFu, 0xFFu, 0x1u, 0x7FFFu}) {
            for (int i = 0; i < n; ++i) {
                p[size_t(i)] = rng();
                s[size_t(i)] = rng();
                d[size_t(i)] = rng();
            }
            auto a = d, b = d;
            gdi::RopRow(uint8_t(rop), p.data(), s.data(), a.data(), n, mask);
            gdi::RopRowGeneric(uint8_t(rop), p.data(), s.data(), b.data(), n, mask);
            ASSERT_EQ(a, b) << "rop " << rop;
        }
    }
}

TEST(GdiBlit, NamedOperationsOnPixels) {
    // One 32-bit pixel: destination 0x0F0F0F, source 0x00FF33, brush 0x333333 (red in the low byte).
    struct Case {
        DWORD rop;
        COLORREF expect;
    } cases[] = {
        {SRCCOPY, RGB(0x33, 0xFF, 0x00)},    {SRCAND, RGB(0x03, 0x0F, 0x00)},
        {SRCPAINT, RGB(0x3F, 0xFF, 0x0F)},   {SRCINVERT, RGB(0x3C, 0xF0, 0x0F)},
        {NOTSRCCOPY, RGB(0xCC, 0x00, 0xFF)}, {DSTINVERT, RGB(0xF0, 0xF0, 0xF0)},
        {PATCOPY, RGB(0x33, 0x33, 0x33)},    {PATINVERT, RGB(0x3C, 0x3C, 0x3C)},
        {MERGECOPY, RGB(0x33, 0x33, 0x00)},  {BLACKNESS, RGB(0, 0, 0)},
        {WHITENESS, RGB(255, 255, 255)},     {SRCERASE, RGB(0x30, 0xF0, 0x00)},
        {MERGEPAINT, RGB(0xCF, 0x0F, 0xFF)}, {0x00AA0029, RGB(0x0F, 0x0F, 0x0F)},
    };
    DibDC src(1, 1, 32), dst(1, 1, 32);
    SetPixel(src.Dc, 0, 0, RGB(0x33, 0xFF, 0x00));
    HBRUSH br = CreateSolidBrush(RGB(0x33, 0x33, 0x33));
    HGDIOBJ old = SelectObject(dst.Dc, br);
    for (auto c : cases) {
        SetPixel(dst.Dc, 0, 0, RGB(0x0F, 0x0F, 0x0F));
        ASSERT_TRUE(BitBlt(dst.Dc, 0, 0, 1, 1, src.Dc, 0, 0, c.rop));
        EXPECT_EQ(GetPixel(dst.Dc, 0, 0), c.expect) << std::hex << c.rop;
    }
    SelectObject(dst.Dc, old);
    DeleteObject(br);
}

TEST(GdiBlit, MonoToColourUsesDestinationTextAndBackground) {
    const uint8_t bits[] = {0x40, 0}; // pixels: 0, 1
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, bits);
    DibDC m(mono);
    DibDC dst(2, 1, 24);
    SetTextColor(dst.Dc, RGB(200, 0, 0));
    SetBkColor(dst.Dc, RGB(0, 0, 200));
    SetTextColor(m.Dc, RGB(1, 1, 1)); // the source DC's colours play no part
    SetBkColor(m.Dc, RGB(2, 2, 2));
    BitBlt(dst.Dc, 0, 0, 2, 1, m.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(200, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(0, 0, 200));
}

TEST(GdiBlit, ColourToMonoMakesTheSourceBackgroundWhite) {
    DibDC src(3, 1, 32);
    SetPixel(src.Dc, 0, 0, RGB(10, 20, 30));
    SetPixel(src.Dc, 1, 0, RGB(255, 255, 255));
    SetPixel(src.Dc, 2, 0, RGB(10, 20, 31));
    SetBkColor(src.Dc, RGB(10, 20, 30));
    HBITMAP mono = CreateBitmap(3, 1, 1, 1, nullptr);
    DibDC m(mono);
    BitBlt(m.Dc, 0, 0, 3, 1, src.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(m.Dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.Dc, 1, 0), RGB(0, 0, 0)); // white that is not the background is 0
    EXPECT_EQ(GetPixel(m.Dc, 2, 0), RGB(0, 0, 0));
}

TEST(GdiBlit, MaskBltKeepsDestinationWhereTheMaskIsSet) {
    // The transparent-copy idiom: MAKEROP4(0x00AA0029, SRCCOPY) keeps the destination under set mask bits.
    const uint8_t maskBits[] = {0xA0, 0}; // 1 0 1 0
    HBITMAP mask = CreateBitmap(4, 1, 1, 1, maskBits);
    DibDC src(4, 1, 8, {RGBQUAD{0, 0, 255, 0}});
    src.Fill(RGB(255, 0, 0));
    DibDC dst(4, 1, 32);
    dst.Fill(RGB(0, 255, 0));
    COLORREF text = SetTextColor(dst.Dc, RGB(9, 9, 9));
    ASSERT_TRUE(MaskBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 2, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetTextColor(dst.Dc), RGB(9, 9, 9)); // the call leaves DC colours alone
    SetTextColor(dst.Dc, text);
    // A mask smaller than the area is refused.
    EXPECT_FALSE(MaskBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, mask, 1, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
    DeleteObject(mask);
}

TEST(GdiBlit, PaletteMappingOnAnEightBitDib) {
    // Copying colours into an 8-bit DIB stores the nearest entry of its colour table.
    std::vector<RGBQUAD> table = {
        {0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};
    DibDC dst(4, 1, 8, table);
    DibDC src(4, 1, 32);
    SetPixel(src.Dc, 0, 0, RGB(250, 10, 10));
    SetPixel(src.Dc, 1, 0, RGB(10, 200, 10));
    SetPixel(src.Dc, 2, 0, RGB(30, 30, 220));
    SetPixel(src.Dc, 3, 0, RGB(240, 240, 240));
    BitBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, SRCCOPY);
    auto* idx = static_cast<uint8_t*>(dst.Bits);
    EXPECT_EQ(idx[0], 1);
    EXPECT_EQ(idx[1], 2);
    EXPECT_EQ(idx[2], 3);
    EXPECT_EQ(idx[3], 4);
    // Raster operations on a palettized target work on the indices.
    BitBlt(dst.Dc, 0, 0, 4, 1, nullptr, 0, 0, DSTINVERT);
    EXPECT_EQ(idx[0], 0xFE);
    // Brushes and PALETTEINDEX colours map too.
    HBRUSH b = CreateSolidBrush(RGB(0, 0, 250));
    RECT r{0, 0, 2, 1};
    FillRect(dst.Dc, &r, b);
    DeleteObject(b);
    EXPECT_EQ(idx[0], 3);
    EXPECT_EQ(idx[1], 3);
}

TEST(GdiBlit, OverlappingCopyWithinOneBitmap) {
    DibDC d(4, 4, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixel(d.Dc, x, y, RGB(x, y, 0));
    BitBlt(d.Dc, 1, 1, 3, 3, d.Dc, 0, 0, SRCCOPY);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 4; ++x)
            EXPECT_EQ(GetPixel(d.Dc, x, y), RGB(x - 1, y - 1, 0)) << x << "," << y;
    BitBlt(d.Dc, 0, 0, 3, 3, d.Dc, 1, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(d.Dc, 2, 2), RGB(2, 2, 0));
}

TEST(GdiBlit, StretchNearestAndMirror) {
    DibDC src(2, 1, 32);
    SetPixel(src.Dc, 0, 0, RGB(255, 0, 0));
    SetPixel(src.Dc, 1, 0, RGB(0, 0, 255));
    DibDC dst(4, 1, 32);
    SetStretchBltMode(dst.Dc, COLORONCOLOR);
    StretchBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 2, 0), RGB(0, 0, 255));
    StretchBlt(dst.Dc, 4, 0, -4, 1, src.Dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 0), RGB(255, 0, 0));
    // Shrinking black-on-white keeps a one-pixel black line.
    DibDC line(4, 1, 32);
    line.Fill(RGB(255, 255, 255));
    SetPixel(line.Dc, 1, 0, RGB(0, 0, 0));
    DibDC one(1, 1, 32);
    SetStretchBltMode(one.Dc, BLACKONWHITE);
    StretchBlt(one.Dc, 0, 0, 1, 1, line.Dc, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(one.Dc, 0, 0), RGB(0, 0, 0));
    SetStretchBltMode(one.Dc, HALFTONE);
    StretchBlt(one.Dc, 0, 0, 1, 1, line.Dc, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(one.Dc, 0, 0), RGB(191, 191, 191));
}

TEST(GdiBlit, TransparentBltSkipsTheKeyColour) {
    DibDC src(2, 2, 8, {RGBQUAD{255, 0, 255, 0}, RGBQUAD{0, 0, 255, 0}});
    SetPixel(src.Dc, 1, 1, RGB(255, 0, 0)); // the rest is index 0, magenta
    DibDC dst(4, 4, 32);
    dst.Fill(RGB(0, 255, 0));
    ASSERT_TRUE(TransparentBlt(dst.Dc, 0, 0, 4, 4, src.Dc, 0, 0, 2, 2, RGB(255, 0, 255)));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 3), RGB(255, 0, 0));
}

TEST(GdiBlit, AlphaBlendConstantAndPerPixel) {
    DibDC src(2, 1, 32), dst(2, 1, 32);
    auto* s = static_cast<uint32_t*>(src.Bits);
    s[0] = 0x80800000; // red 128 premultiplied at alpha 128
    s[1] = 0x00000000; // fully transparent
    dst.Fill(RGB(0, 0, 200));
    ASSERT_TRUE(
        AlphaBlend(dst.Dc, 0, 0, 2, 1, src.Dc, 0, 0, 2, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(128, 0, 100));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(0, 0, 200));
    // Constant alpha on an opaque source: a plain mix.
    DibDC white(1, 1, 24), d2(1, 1, 24);
    white.Fill(RGB(255, 255, 255));
    ASSERT_TRUE(AlphaBlend(d2.Dc, 0, 0, 1, 1, white.Dc, 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 51, 0}));
    EXPECT_EQ(GetPixel(d2.Dc, 0, 0), RGB(51, 51, 51));
    // Per-pixel alpha needs a 32-bit source; a source rectangle outside the bitmap is refused.
    EXPECT_FALSE(AlphaBlend(d2.Dc, 0, 0, 1, 1, white.Dc, 0, 0, 1, 1,
                            BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    EXPECT_FALSE(AlphaBlend(dst.Dc, 0, 0, 1, 1, src.Dc, 1, 0, 2, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, 0}));
}

TEST(GdiBlit, StretchDIBitsInvertsWithAOneBitSelection) {
    // A 1-bit DIB (black, white) XORed onto the target inverts where its bits are set.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } info{};
    info.h = MakeInfo(4, 2, 1).bmiHeader;
    info.c[1] = RGBQUAD{255, 255, 255, 0};
    const uint8_t bits[8] = {0x40, 0, 0, 0, 0x80, 0, 0, 0}; // bottom row: pixel 1; top row: pixel 0
    DibDC dst(4, 2, 32);
    dst.Fill(RGB(10, 20, 30));
    EXPECT_EQ(StretchDIBits(dst.Dc, 0, 0, 4, 2, 0, 0, 4, 2, bits, reinterpret_cast<BITMAPINFO*>(&info),
                            DIB_RGB_COLORS, SRCINVERT),
              2);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(245, 235, 225));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 1), RGB(245, 235, 225));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(10, 20, 30));
    // SetDIBitsToDevice copies rows counted from the bottom of the DIB.
    DibDC d2(4, 2, 32);
    EXPECT_EQ(SetDIBitsToDevice(d2.Dc, 0, 0, 4, 1, 0, 1, 0, 2, bits, reinterpret_cast<BITMAPINFO*>(&info),
                                DIB_RGB_COLORS),
              2);
    EXPECT_EQ(GetPixel(d2.Dc, 0, 0), RGB(255, 255, 255)); // scan line 1 = the top row
    EXPECT_EQ(GetPixel(d2.Dc, 1, 0), RGB(0, 0, 0));
    // A bad header is refused.
    info.h.biBitCount = 3;
    EXPECT_EQ(StretchDIBits(dst.Dc, 0, 0, 4, 2, 0, 0, 4, 2, bits, reinterpret_cast<BITMAPINFO*>(&info),
                            DIB_RGB_COLORS, SRCCOPY),
              0);
}

TEST(GdiBlit, ClippedAndOutOfRangeBlitsStayInside) {
    DibDC src(4, 4, 32), dst(4, 4, 32);
    src.Fill(RGB(255, 0, 0));
    dst.Fill(RGB(0, 0, 255));
    // Parts of the source or destination outside their bitmaps are simply skipped.
    EXPECT_TRUE(BitBlt(dst.Dc, -2, -2, 100, 100, src.Dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 2, 2), RGB(0, 0, 255));
    EXPECT_TRUE(BitBlt(dst.Dc, 0, 0, 4, 4, src.Dc, 3, 3, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dst.Dc, -1000000, -1000000, 2000000, 2000000, src.Dc, -5, -5, 10, 10, SRCCOPY));
    EXPECT_TRUE(PatBlt(dst.Dc, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, BLACKNESS));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 3), RGB(0, 0, 0));
    EXPECT_FALSE(PatBlt(dst.Dc, 0, 0, 1, 1, SRCCOPY)); // needs a source
}

TEST(GdiBlit, AlphaBytesOfThirtyTwoBitPixels) {
    DibDC src(2, 1, 32), dst(4, 1, 32);
    auto* s = static_cast<uint32_t*>(src.Bits);
    auto* d = static_cast<uint32_t*>(dst.Bits);
    s[0] = 0x80112233;
    s[1] = 0xFF445566;
    // Copies between 32-bit bitmaps keep alpha, plain or stretched.
    BitBlt(dst.Dc, 0, 0, 2, 1, src.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(d[0], 0x80112233u);
    SetStretchBltMode(dst.Dc, COLORONCOLOR);
    StretchBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(d[1], 0x80112233u);
    EXPECT_EQ(d[3], 0xFF445566u);
    // Other operations and fills leave the alpha byte as it was.
    BitBlt(dst.Dc, 0, 0, 1, 1, nullptr, 0, 0, DSTINVERT);
    EXPECT_EQ(d[0], 0x80EEDDCCu);
    dst.Fill(RGB(1, 2, 3));
    EXPECT_EQ(d[3], 0xFF010203u);
}

TEST(GdiBlit, MaskBltWithAMonochromeSourceUsesTheDestinationColours) {
    // Source bits 0 1 0 1, mask 1 1 0 0: the masked half keeps the destination, the rest maps 0 to the
    // destination's text colour and 1 to its background colour.
    const uint8_t srcBits[2] = {0x50, 0}, maskBits[2] = {0xC0, 0};
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, srcBits);
    HBITMAP mask = CreateBitmap(4, 1, 1, 1, maskBits);
    DibDC src(mono);
    DibDC dst(4, 1, 32);
    dst.Fill(RGB(9, 9, 9));
    SetTextColor(dst.Dc, RGB(255, 0, 0));
    SetBkColor(dst.Dc, RGB(0, 255, 0));
    ASSERT_TRUE(MaskBlt(dst.Dc, 0, 0, 4, 1, src.Dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(dst.Dc, 2, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 3, 0), RGB(0, 255, 0));
    DeleteObject(mask);
}

TEST(GdiBlit, AlphaBytesDoNotDisturbColourMatching) {
    // Colour-to-mono and transparent copies compare colours, not the alpha byte of 32-bit pixels.
    DibDC src(2, 1, 32);
    auto* s = static_cast<uint32_t*>(src.Bits);
    s[0] = 0xFF00FF00; // opaque green
    s[1] = 0x80FF0000; // half-transparent red
    SetBkColor(src.Dc, RGB(0, 255, 0));
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, nullptr);
    DibDC m(mono);
    BitBlt(m.Dc, 0, 0, 2, 1, src.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(m.Dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.Dc, 1, 0), RGB(0, 0, 0));
    DibDC dst(2, 1, 24);
    TransparentBlt(dst.Dc, 0, 0, 2, 1, src.Dc, 0, 0, 2, 1, RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(255, 0, 0));
}

TEST(GdiBlit, PaletteFastPathsAgreeWithTheGeneralPath) {
    // Copies from sources of 1, 4 and 8 bits (colour tables of 2, 16 and 256 entries, and pixel values
    // beyond a short table) into 32-, 24- and 8-bit targets: plain, under a transparency mask, stretched,
    // shrunk and mirrored, at odd widths, hanging over every edge of the source and of the target and
    // inside a clip region. Each result must match the general path's bit for bit, alpha bytes included.
    std::mt19937 rng(7);
    auto table = [&](int entries) {
        std::vector<RGBQUAD> t(static_cast<size_t>(entries));
        for (auto& q : t)
            q = RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        return t;
    };
    struct Source {
        int Bits, Entries;
    } sources[] = {{8, 256}, {8, 16}, {8, 2}, {4, 16}, {4, 5}, {1, 2}};
    struct Place {
        int X, Y, W, H, Sx, Sy, Sw, Sh;
    } places[] = {
        {2, 1, 13, 7, 0, 0, 13, 7},     // whole source, inside
        {-3, 2, 13, 7, 0, 0, 13, 7},    // over the left edge
        {9, -2, 13, 7, 0, 0, 13, 7},    // over the top and right edges
        {4, 6, 13, 7, 0, 0, 13, 7},     // over the bottom edge
        {1, 1, 11, 5, 3, 4, 11, 5},     // source rectangle past the source's right and bottom
        {1, 1, 9, 5, -2, -1, 9, 5},     // source rectangle before its left and top
        {0, 0, 26, 14, 0, 0, 13, 7},    // stretched twice
        {-5, -3, 27, 15, 1, 0, 11, 7},  // stretched by an odd factor over two edges
        {3, 2, 6, 3, 0, 0, 13, 7},      // shrunk
        {15, 1, -13, 7, 0, 0, 13, 7},   // mirrored
        {1, 9, 13, -7, 0, 0, 13, 7},    // upside down
    };
    const DWORD copy = SRCCOPY, masked = MAKEROP4(0x00AA0029, SRCCOPY);
    for (const Source& s : sources)
        for (int dstBits : {32, 24, 8})
            for (const Place& p : places)
                for (DWORD rop : {copy, masked})
                    for (int mode : {COLORONCOLOR, HALFTONE})
                        for (bool clip : {false, true}) {
                            SCOPED_TRACE(::testing::Message()
                                         << s.Bits << "-bit source, " << s.Entries << " entries, into " << dstBits
                                         << " bits, at " << p.X << "," << p.Y << " " << p.W << "x" << p.H
                                         << (rop == masked ? ", masked" : "") << (clip ? ", clipped" : "")
                                         << " mode " << mode);
                            const std::vector<RGBQUAD> colors = table(s.Entries);
                            const std::vector<RGBQUAD> dstColors = table(dstBits == 8 ? 256 : 0);
                            DibDC src(13, 7, s.Bits, colors);
                            const size_t srcBytes = size_t(DibStride(13, s.Bits) * 7);
                            for (size_t i = 0; i < srcBytes; ++i)
                                static_cast<uint8_t*>(src.Bits)[i] = uint8_t(rng());
                            HBITMAP mask = CreateBitmap(27, 15, 1, 1, nullptr);
                            {
                                DibDC m(mask, false);
                                for (int y = 0; y < 15; ++y)
                                    for (int x = 0; x < 27; ++x)
                                        SetPixel(m.Dc, x, y, rng() % 3 ? RGB(255, 255, 255) : RGB(0, 0, 0));
                            }
                            DibDC fast(19, 11, dstBits, dstColors), general(19, 11, dstBits, dstColors);
                            const size_t dstBytes = size_t(DibStride(19, dstBits) * 11);
                            for (size_t i = 0; i < dstBytes; ++i)
                                static_cast<uint8_t*>(fast.Bits)[i] = static_cast<uint8_t*>(general.Bits)[i] =
                                    uint8_t(rng());
                            for (bool on : {true, false}) {
                                DibDC& d = on ? fast : general;
                                gdi::SetBlitFastPaths(on);
                                SetStretchBltMode(d.Dc, mode);
                                HRGN region = CreateRectRgn(1, 2, 17, 9);
                                if (clip)
                                    SelectClipRgn(d.Dc, region);
                                // A mask goes with copies of equal size only.
                                if (rop == copy)
                                    StretchBlt(d.Dc, p.X, p.Y, p.W, p.H, src.Dc, p.Sx, p.Sy, p.Sw, p.Sh, rop);
                                else if (p.W == p.Sw && p.H == p.Sh)
                                    MaskBlt(d.Dc, p.X, p.Y, p.W, p.H, src.Dc, p.Sx, p.Sy, mask, 0, 0, rop);
                                SelectClipRgn(d.Dc, nullptr);
                                DeleteObject(region);
                            }
                            gdi::SetBlitFastPaths(true);
                            DeleteObject(mask);
                            ASSERT_EQ(0, std::memcmp(fast.Bits, general.Bits, dstBytes));
                        }
}
