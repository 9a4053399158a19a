#include "GdiTestUtil.h"

#include <gtest/gtest.h>

using namespace win;
using namespace gditest;

TEST(GdiDc, NewMemoryDcHasAOneByOneMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObject(AsBitmap(GetCurrentObject(dc, OBJ_BITMAP)), sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    // Compatible with that bitmap: monochrome too.
    HBITMAP c = CreateCompatibleBitmap(dc, 8, 8);
    GetObject(c, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(c);
    // With the screen: 32 bits.
    c = CreateCompatibleBitmap(nullptr, 8, 8);
    GetObject(c, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    DeleteObject(c);
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
    DeleteDC(dc);
}

TEST(GdiDc, SelectObjectReturnsThePreviousAndObjectsAreCounted) {
    int bitmaps = GdiObjectCount(GdiKind::gkBitmap), dcs = GdiObjectCount(GdiKind::gkDC);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateCompatibleBitmap(nullptr, 2, 2);
    HBITMAP b = CreateCompatibleBitmap(nullptr, 2, 2);
    HGDIOBJ first = SelectObject(dc, a);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(SelectObject(dc, b), ToGdiObj(a));
    // A bitmap lives in one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, b), nullptr);
    DeleteDC(other);
    // Deleting a selected bitmap defers until it is deselected.
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps + 3);
    SelectObject(dc, first);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps + 2);
    EXPECT_EQ(GetObjectType(b), 0u); // the stale handle is refused, not followed
    EXPECT_EQ(SelectObject(dc, b), nullptr);
    DeleteObject(a);
    DeleteDC(dc);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkDC), dcs);
    // Stock objects are never freed.
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetObjectType(AsBrush(GetStockObject(WHITE_BRUSH))), OBJ_BRUSH);
}

TEST(GdiDc, SaveAndRestoreBringBackStateAndObjects) {
    DibDC d(4, 4, 32);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SetTextColor(d.Dc, RGB(1, 2, 3));
    int saved = SaveDC(d.Dc);
    EXPECT_EQ(saved, 1);
    HGDIOBJ oldBrush = SelectObject(d.Dc, red);
    SetTextColor(d.Dc, RGB(4, 5, 6));
    SetViewportOrgEx(d.Dc, 2, 2, nullptr);
    EXPECT_TRUE(RestoreDC(d.Dc, -1));
    EXPECT_EQ(GetTextColor(d.Dc), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(d.Dc, OBJ_BRUSH), oldBrush);
    POINT org{};
    GetViewportOrgEx(d.Dc, &org);
    EXPECT_EQ(org, (POINT{0, 0}));
    EXPECT_FALSE(RestoreDC(d.Dc, -1)); // nothing left to restore
    EXPECT_FALSE(RestoreDC(d.Dc, 3));
    DeleteObject(red);
}

TEST(GdiDc, FillRectIsHalfOpenAndFollowsOrigins) {
    DibDC d(6, 6, 32);
    d.Fill(RGB(255, 255, 255));
    HBRUSH b = CreateSolidBrush(RGB(0, 0, 0));
    SetViewportOrgEx(d.Dc, 1, 0, nullptr);
    SetWindowOrgEx(d.Dc, 0, -1, nullptr);
    RECT r{1, 1, 3, 2};
    FillRect(d.Dc, &r, b);
    SetViewportOrgEx(d.Dc, 0, 0, nullptr);
    SetWindowOrgEx(d.Dc, 0, 0, nullptr);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            bool in = x >= 2 && x < 4 && y == 2;
            EXPECT_EQ(GetPixel(d.Dc, x, y), in ? RGB(0, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
        }
    DeleteObject(b);
}

TEST(GdiDc, DeviceCapsAndMapping) {
    HDC s = GetScreenDC();
    EXPECT_EQ(GetDeviceCaps(s, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(s, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(s, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(s, NUMCOLORS), -1);
    SetScreenBitsPixel(8);
    EXPECT_EQ(GetDeviceCaps(s, SIZEPALETTE), 256);
    EXPECT_NE(GetDeviceCaps(s, RASTERCAPS) & RC_PALETTE, 0);
    SetScreenBitsPixel(32);

    DibDC d(10, 10, 32);
    SetMapMode(d.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(d.Dc, 100, 100, nullptr);
    SetViewportExtEx(d.Dc, 10, -10, nullptr);
    SetViewportOrgEx(d.Dc, 0, 10, nullptr);
    POINT p[2] = {{50, 50}, {100, 0}};
    LPtoDP(d.Dc, p, 2);
    EXPECT_EQ(p[0], (POINT{5, 5}));
    EXPECT_EQ(p[1], (POINT{10, 10}));
    DPtoLP(d.Dc, p, 1);
    EXPECT_EQ(p[0], (POINT{50, 50}));
    SetMapMode(d.Dc, MM_ISOTROPIC);
    SetWindowExtEx(d.Dc, 100, 100, nullptr);
    SetViewportExtEx(d.Dc, 20, 10, nullptr);
    SIZE ext{};
    GetViewportExtEx(d.Dc, &ext);
    EXPECT_EQ(ext, (SIZE{10, 10})); // one unit is as wide as it is high
}

TEST(GdiDc, PalettesAndHalftone) {
    struct {
        WORD version, count;
        PALETTEENTRY e[3];
    } lp{0x300, 3, {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, PC_NOCOLLAPSE}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 3u);
    WORD n = 0;
    EXPECT_EQ(GetObject(pal, sizeof n, &n), 2);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(10, 10, 200)), 2u);
    PALETTEENTRY e[3];
    EXPECT_EQ(GetPaletteEntries(pal, 1, 5, e), 2u);
    EXPECT_EQ(e[1].peFlags, PC_NOCOLLAPSE);
    DeleteObject(pal);

    PALETTEENTRY sys[20];
    HPALETTE def = AsPalette(GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(GetPaletteEntries(def, 0, 20, sys), 20u);
    EXPECT_EQ(sys[7].peRed, 192);
    EXPECT_EQ(sys[8].peGreen, 220); // money green
    EXPECT_EQ(sys[19].peBlue, 255);

    HPALETTE ht = CreateHalftonePalette(nullptr);
    PALETTEENTRY h[256];
    EXPECT_EQ(GetPaletteEntries(ht, 0, 256, h), 256u);
    EXPECT_EQ(h[10 + 36 * 5 + 6 * 1 + 2].peRed, 255);
    EXPECT_EQ(h[10 + 36 * 5 + 6 * 1 + 2].peGreen, 51);
    EXPECT_EQ(h[10 + 36 * 5 + 6 * 1 + 2].peBlue, 102);
    EXPECT_EQ(h[255].peRed, 255);
    EXPECT_EQ(GetNearestColor(GetScreenDC(), RGB(1, 2, 3)), RGB(1, 2, 3));
    DeleteObject(ht);
}

TEST(GdiDc, SystemColoursAndTheirBrushes) {
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), RGB(0, 0, 0));
    HBRUSH face = GetSysColorBrush(COLOR_3DFACE);
    int before = GdiObjectCount(GdiKind::gkBrush);
    EXPECT_TRUE(DeleteObject(face)); // ignored: a stock brush
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBrush), before);
    INT el = COLOR_BTNFACE;
    COLORREF white = RGB(255, 255, 255);
    EXPECT_TRUE(SetSysColors(1, &el, &white));
    DibDC d(1, 1, 32);
    RECT r{0, 0, 1, 1};
    FillRect(d.Dc, &r, face);
    EXPECT_EQ(GetPixel(d.Dc, 0, 0), white);
    ResetSysColors();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST(GdiDc, PaletteSelectionOnPalettizedAndTrueColourTargets) {
    struct {
        WORD version, count;
        PALETTEENTRY e[2];
    } lp{0x300, 2, {{10, 20, 30, 0}, {200, 100, 50, 0}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));

    // An 8-bit screen: compatible bitmaps are palettized and take the logical palette when realised.
    SetScreenBitsPixel(8);
    HBITMAP ddb = CreateCompatibleBitmap(nullptr, 2, 1);
    SetScreenBitsPixel(32);
    {
        DibDC d(ddb);
        HPALETTE old = SelectPalette(d.Dc, pal, FALSE);
        EXPECT_EQ(old, AsPalette(GetStockObject(DEFAULT_PALETTE)));
        EXPECT_EQ(RealizePalette(d.Dc), 2u);
        EXPECT_TRUE(UpdateColors(d.Dc));
        HBRUSH b = CreateSolidBrush(PALETTEINDEX(1));
        RECT r{0, 0, 1, 1};
        FillRect(d.Dc, &r, b);
        DeleteObject(b);
        EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(200, 100, 50));
        EXPECT_EQ(GetNearestColor(d.Dc, RGB(12, 18, 33)), RGB(10, 20, 30));
        SelectPalette(d.Dc, old, FALSE);
    }
    // A true-colour target: selecting and realising change nothing; PALETTEINDEX still resolves.
    {
        DibDC d(1, 1, 32);
        HPALETTE old = SelectPalette(d.Dc, pal, TRUE);
        EXPECT_EQ(RealizePalette(d.Dc), 0u);
        SetPixel(d.Dc, 0, 0, PALETTEINDEX(0));
        EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(10, 20, 30));
        SetPixel(d.Dc, 0, 0, PALETTERGB(1, 2, 3));
        EXPECT_EQ(GetPixel(d.Dc, 0, 0), RGB(1, 2, 3));
        SelectPalette(d.Dc, old, FALSE);
    }
    // A palette selected into a DC outlives DeleteObject until it is deselected.
    int palettes = GdiObjectCount(GdiKind::gkPalette);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectPalette(dc, pal, FALSE);
    DeleteObject(pal);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkPalette), palettes);
    DeleteDC(dc);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkPalette), palettes - 1);

    SetScreenBitsPixel(16);
    EXPECT_EQ(GetNearestColor(GetScreenDC(), RGB(0, 100, 0)), RGB(0, 101, 0));
    SetScreenBitsPixel(32);
    EXPECT_EQ(GetNearestColor(GetScreenDC(), RGB(0, 100, 0)), RGB(0, 100, 0));
}

TEST(GdiDc, AttributeSettersAnswerTheOldValueAndRefuseValuesOutOfRange) {
    struct Case {
        const char* name;
        int (*set)(HDC, int);
        int (*get)(HDC);
        int initial, valid, invalid;
    } cases[] = {{"bk mode", SetBkMode, GetBkMode, OPAQUE, TRANSPARENT, 3},
                 {"rop2", SetROP2, GetROP2, R2_COPYPEN, R2_XORPEN, R2_WHITE + 1},
                 {"stretch", SetStretchBltMode, GetStretchBltMode, BLACKONWHITE, HALFTONE, HALFTONE + 1},
                 {"poly fill", SetPolyFillMode, GetPolyFillMode, ALTERNATE, WINDING, 0},
                 {"arc", SetArcDirection, GetArcDirection, AD_COUNTERCLOCKWISE, AD_CLOCKWISE, 3},
                 {"map mode", SetMapMode, GetMapMode, MM_TEXT, MM_ANISOTROPIC, MM_ANISOTROPIC + 1}};
    for (const Case& c : cases) {
        DibDC d(4, 4, 32);
        EXPECT_EQ(c.get(d.Dc), c.initial) << c.name;
        EXPECT_EQ(c.set(d.Dc, c.valid), c.initial) << c.name;
        EXPECT_EQ(c.set(d.Dc, c.invalid), 0) << c.name;
        EXPECT_EQ(c.get(d.Dc), c.valid) << c.name << ": a refused value changes nothing";
        EXPECT_EQ(c.set(nullptr, c.valid), 0) << c.name;
        EXPECT_EQ(c.get(nullptr), 0) << c.name;
    }
    DibDC d(4, 4, 32);
    EXPECT_EQ(SetTextColor(d.Dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(d.Dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(d.Dc), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(d.Dc), RGB(4, 5, 6));
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(GetBkColor(nullptr), CLR_INVALID);
}

TEST(GdiDc, OriginsAndExtentsHandBackTheOldValue) {
    DibDC d(4, 4, 32);
    POINT old{};
    ASSERT_TRUE(SetBrushOrgEx(d.Dc, 3, 4, &old));
    EXPECT_EQ(old, (POINT{0, 0}));
    ASSERT_TRUE(GetBrushOrgEx(d.Dc, &old));
    EXPECT_EQ(old, (POINT{3, 4}));
    ASSERT_TRUE(SetWindowOrgEx(d.Dc, 5, 6, nullptr));
    ASSERT_TRUE(OffsetWindowOrgEx(d.Dc, -1, 2, &old));
    EXPECT_EQ(old, (POINT{5, 6}));
    ASSERT_TRUE(OffsetViewportOrgEx(d.Dc, 7, 8, &old));
    EXPECT_EQ(old, (POINT{0, 0}));
    ASSERT_TRUE(GetWindowOrgEx(d.Dc, &old));
    EXPECT_EQ(old, (POINT{4, 8}));
    ASSERT_TRUE(GetViewportOrgEx(d.Dc, &old));
    EXPECT_EQ(old, (POINT{7, 8}));
    EXPECT_FALSE(GetWindowOrgEx(d.Dc, nullptr));
    EXPECT_FALSE(SetViewportOrgEx(nullptr, 0, 0, nullptr));
    // An offset past the end of the int range stops inside it, in both directions.
    ASSERT_TRUE(SetViewportOrgEx(d.Dc, 0x7FFFFFF0, -0x7FFFFFF0, nullptr));
    ASSERT_TRUE(OffsetViewportOrgEx(d.Dc, 0x7FFFFFF0, -0x7FFFFFF0, nullptr));
    ASSERT_TRUE(GetViewportOrgEx(d.Dc, &old));
    EXPECT_GT(old.X, 0);
    EXPECT_LT(old.Y, 0);
    EXPECT_EQ(old.X, -old.Y);

    // Extents change only in the scalable modes, never to zero, and the fixed modes set their own.
    SIZE ext{};
    EXPECT_TRUE(SetWindowExtEx(d.Dc, 50, 50, &ext));
    EXPECT_EQ(ext, (SIZE{1, 1}));
    ASSERT_TRUE(GetWindowExtEx(d.Dc, &ext));
    EXPECT_EQ(ext, (SIZE{1, 1})) << "MM_TEXT keeps its extents";
    SetMapMode(d.Dc, MM_ANISOTROPIC);
    EXPECT_TRUE(SetWindowExtEx(d.Dc, 50, 40, nullptr));
    EXPECT_FALSE(SetViewportExtEx(d.Dc, 0, 10, &ext));
    EXPECT_EQ(ext, (SIZE{1, 1}));
    ASSERT_TRUE(GetWindowExtEx(d.Dc, &ext));
    EXPECT_EQ(ext, (SIZE{50, 40}));
    struct {
        int mode, units;
    } fixed[] = {
        {MM_LOMETRIC, 254}, {MM_HIMETRIC, 2540}, {MM_LOENGLISH, 100}, {MM_HIENGLISH, 1000}, {MM_TWIPS, 1440}};
    for (const auto& f : fixed) {
        SetMapMode(d.Dc, f.mode);
        GetWindowExtEx(d.Dc, &ext);
        EXPECT_EQ(ext, (SIZE{f.units, f.units})) << f.mode;
        GetViewportExtEx(d.Dc, &ext);
        EXPECT_EQ(ext, (SIZE{96, -96})) << f.mode;
    }
}
