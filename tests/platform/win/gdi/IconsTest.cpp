#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <thread>

using namespace win;
using namespace gditest;

TEST(GdiIcons, MaskAndThenColourXor) {
    // 2 x 1 icon: pixel 0 transparent (mask 1, colour black), pixel 1 opaque red (mask 0).
    const uint8_t maskBits[2] = {0x80, 0};
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskBits);
    DibDC colour(2, 1, 32);
    SetPixel(colour.Dc, 1, 0, RGB(255, 0, 0));
    int icons = GdiObjectCount(GdiKind::gkIcon);
    ICONINFO ii{TRUE, 0, 0, mask, colour.Bmp};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, nullptr);
    DeleteObject(mask); // the icon keeps its own copies
    EXPECT_EQ(GdiObjectCount(GdiKind::gkIcon), icons + 1);

    DibDC dst(2, 1, 32);
    dst.Fill(RGB(0, 0, 255));
    SetTextColor(dst.Dc, RGB(1, 2, 3));
    EXPECT_TRUE(DrawIconEx(dst.Dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetTextColor(dst.Dc), RGB(1, 2, 3));
    // The mask alone, copied: transparent pixels white, opaque black.
    EXPECT_TRUE(DrawIconEx(dst.Dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK));
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dst.Dc, 1, 0), RGB(0, 0, 0));

    ICONINFO back{};
    int bitmaps = GdiObjectCount(GdiKind::gkBitmap);
    ASSERT_TRUE(GetIconInfo(icon, &back));
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps + 2); // new copies for the caller
    BITMAP bm{};
    GetObject(back.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_NE(back.hbmColor, nullptr);
    DeleteObject(back.hbmMask);
    DeleteObject(back.hbmColor);
    HICON copy = CopyIcon(icon);
    EXPECT_TRUE(DestroyIcon(copy));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon)); // a stale handle is refused
    EXPECT_EQ(GdiObjectCount(GdiKind::gkIcon), icons);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps);
}

TEST(GdiIcons, MonochromeIconAndAlphaIcon) {
    // Monochrome: a 1 x 2 mask, AND on top, XOR below. AND 1 + XOR 1 inverts the screen.
    const uint8_t bits[4] = {0x80, 0, 0x80, 0};
    HBITMAP mask = CreateBitmap(1, 2, 1, 1, bits);
    ICONINFO ii{TRUE, 0, 0, mask, nullptr};
    HICON mono = CreateIconIndirect(&ii);
    DeleteObject(mask);
    DibDC dst(1, 1, 32);
    dst.Fill(RGB(10, 20, 30));
    DrawIconEx(dst.Dc, 0, 0, mono, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(245, 235, 225));
    DestroyIcon(mono);

    // A 32-bit image with straight alpha is blended.
    DibDC colour(1, 1, 32);
    *static_cast<uint32_t*>(colour.Bits) = 0x80FF0000; // red at half opacity
    HBITMAP m2 = CreateBitmap(1, 1, 1, 1, nullptr);
    ICONINFO ai{TRUE, 0, 0, m2, colour.Bmp};
    HICON alpha = CreateIconIndirect(&ai);
    DeleteObject(m2);
    dst.Fill(RGB(0, 0, 0));
    DrawIconEx(dst.Dc, 0, 0, alpha, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(GetPixel(dst.Dc, 0, 0), RGB(128, 0, 0));
    DestroyIcon(alpha);
}

TEST(GdiIcons, DrawingTwiceAndFromTwoThreads) {
    DibDC colour(4, 4, 32);
    colour.Fill(RGB(255, 0, 0));
    HBITMAP mask = CreateBitmap(4, 4, 1, 1, nullptr);
    ICONINFO ii{TRUE, 0, 0, mask, colour.Bmp};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(mask);
    auto draw = [&] {
        for (int i = 0; i < 200; ++i) {
            DibDC dst(4, 4, 32);
            ASSERT_TRUE(DrawIconEx(dst.Dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
            ASSERT_EQ(GetPixel(dst.Dc, 3, 3), RGB(255, 0, 0));
        }
    };
    std::thread other(draw);
    draw();
    other.join();
    DestroyIcon(icon);
}
