#include "GdiTestUtil.h"
#include "MetafileWriter.h"

#include "platform/win/gdi/Metafile.h"
#include "platform/win/gdi/Text.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace win;
using namespace gditest;
using namespace metatest;

namespace {

// Plays bytes (WMF when wmf) into rect of the canvas.
bool Play(HDC dc, const std::vector<uint8_t>& bytes, bool wmf, RECT rect) {
    HENHMETAFILE mf = wmf ? SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr)
                          : SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    if (!mf)
        return false;
    BOOL ok = PlayEnhMetaFile(dc, mf, &rect);
    DeleteEnhMetaFile(mf);
    return ok != 0;
}

// The box of the pixels that are not white.
RECT InkBox(HDC dc, int w, int h) {
    RECT box{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (GetPixel(dc, x, y) != RGB(255, 255, 255)) {
                box.Left = std::min(box.Left, x), box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1), box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

std::string Diff(HDC a, HDC b, int w, int h) {
    int differing = 0;
    std::string first;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (GetPixel(a, x, y) != GetPixel(b, x, y)) {
                if (!differing++)
                    first = "first at " + std::to_string(x) + "," + std::to_string(y);
            }
    return differing ? std::to_string(differing) + " pixels differ, " + first : "";
}

// A plain canvas: white, no objects selected beyond the defaults.
struct Plain : DibDC {
    Plain(int w, int h) : DibDC(w, h, 32) { Fill(RGB(255, 255, 255)); }
};

constexpr int W = 64, H = 48;

} // namespace

// Each case records the same drawing in a WMF and in an EMF at identity mapping and makes the GDI calls
// directly: the pixels must agree.
TEST(Metafile, DrawingRecordsAtIdentityMatchDirectCalls) {
    struct Case {
        const char* name;
        std::function<void(WmfWriter&)> wmf;
        std::function<void(EmfWriter&)> emf;
        std::function<void(HDC)> direct;
    };
    auto wmfObjects = [](WmfWriter& w, int penStyle, int width) {
        w.Pen(uint16_t(penStyle), width, RGB(200, 0, 0)).Select(0).Brush(BS_SOLID, RGB(0, 0, 220)).Select(1);
    };
    auto emfObjects = [](EmfWriter& e, int penStyle, int width) {
        e.Pen(1, uint32_t(penStyle), width, RGB(200, 0, 0))
            .Select(1)
            .Brush(2, BS_SOLID, RGB(0, 0, 220))
            .Select(2);
    };
    auto directObjects = [](HDC dc, int penStyle, int width, std::function<void(HDC)> draw) {
        HPEN pen = CreatePen(penStyle, width, RGB(200, 0, 0));
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 220));
        HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
        draw(dc);
        SelectObject(dc, op);
        SelectObject(dc, ob);
        DeleteObject(pen);
        DeleteObject(brush);
    };
    std::vector<Case> cases = {
        {"rectangle",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 1);
             w.Rectangle(5, 6, 40, 30);
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 1);
             e.Rectangle(5, 6, 40, 30);
         },
         [&](HDC dc) { directObjects(dc, PS_SOLID, 1, [](HDC d) { Rectangle(d, 5, 6, 40, 30); }); }},
        {"thick ellipse",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 5);
             w.Ellipse(8, 4, 60, 44);
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 5);
             e.Ellipse(8, 4, 60, 44);
         },
         [&](HDC dc) { directObjects(dc, PS_SOLID, 5, [](HDC d) { Ellipse(d, 8, 4, 60, 44); }); }},
        {"round rectangle",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 1);
             w.Rec(0x061C, {12, 16, 40, 50, 3, 2});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 1);
             e.Ints(44, {2, 3, 50, 40, 16, 12});
         },
         [&](HDC dc) { directObjects(dc, PS_SOLID, 1, [](HDC d) { RoundRect(d, 2, 3, 50, 40, 16, 12); }); }},
        {"pie",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 1);
             w.Rec(0x081A, {0, 60, 5, 0, 44, 60, 4, 4});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 1);
             e.Ints(47, {4, 4, 60, 44, 0, 5, 60, 0});
         },
         [&](HDC dc) { directObjects(dc, PS_SOLID, 1, [](HDC d) { Pie(d, 4, 4, 60, 44, 0, 5, 60, 0); }); }},
        {"chord",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 1);
             w.Rec(0x0830, {40, 0, 0, 30, 44, 60, 4, 4});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 1);
             e.Ints(46, {4, 4, 60, 44, 30, 0, 0, 40});
         },
         [&](HDC dc) {
             directObjects(dc, PS_SOLID, 1, [](HDC d) { Chord(d, 4, 4, 60, 44, 30, 0, 0, 40); });
         }},
        {"dashed arc",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_DASH, 1);
             w.Rec(0x0817, {40, 0, 0, 30, 44, 60, 4, 4});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_DASH, 1);
             e.Ints(45, {4, 4, 60, 44, 30, 0, 0, 40});
         },
         [&](HDC dc) { directObjects(dc, PS_DASH, 1, [](HDC d) { Arc(d, 4, 4, 60, 44, 30, 0, 0, 40); }); }},
        {"polygon",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 1);
             w.Rec(0x0324, {4, 3, 3, 60, 10, 30, 45, 5, 40});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 1);
             e.Ints(3, {0, 0, 0, 0, 4, 3, 3, 60, 10, 30, 45, 5, 40});
         },
         [&](HDC dc) {
             directObjects(dc, PS_SOLID, 1, [](HDC d) {
                 POINT p[4] = {{3, 3}, {60, 10}, {30, 45}, {5, 40}};
                 Polygon(d, p, 4);
             });
         }},
        {"thick polyline and line",
         [&](WmfWriter& w) {
             wmfObjects(w, PS_SOLID, 3);
             w.Rec(0x0325, {3, 3, 40, 30, 5, 60, 40}).Rec(0x0214, {2, 2}).Rec(0x0213, {45, 60});
         },
         [&](EmfWriter& e) {
             emfObjects(e, PS_SOLID, 3);
             e.Ints(4, {0, 0, 0, 0, 3, 3, 40, 30, 5, 60, 40}).Ints(27, {2, 2}).Ints(54, {60, 45});
         },
         [&](HDC dc) {
             directObjects(dc, PS_SOLID, 3, [](HDC d) {
                 POINT p[3] = {{3, 40}, {30, 5}, {60, 40}};
                 Polyline(d, p, 3);
                 MoveToEx(d, 2, 2, nullptr);
                 LineTo(d, 60, 45);
             });
         }},
        {"hatched brush and pixels",
         [&](WmfWriter& w) {
             w.Brush(BS_HATCHED, RGB(0, 120, 0), HS_DIAGCROSS).Select(0).Rec(0x041B, {40, 50, 2, 2});
             w.RecBytes(0x041F, Bytes().U32(RGB(9, 8, 7)).I16(45).I16(60).D);
         },
         [&](EmfWriter& e) {
             e.Brush(1, BS_HATCHED, RGB(0, 120, 0), HS_DIAGCROSS).Select(1).Rectangle(2, 2, 50, 40);
             e.Ints(15, {60, 45, int32_t(RGB(9, 8, 7))});
         },
         [&](HDC dc) {
             HBRUSH b = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 120, 0));
             HGDIOBJ old = SelectObject(dc, b);
             Rectangle(dc, 2, 2, 50, 40);
             SelectObject(dc, old);
             DeleteObject(b);
             SetPixelV(dc, 60, 45, RGB(9, 8, 7));
         }},
        {"pattern operation",
         [&](WmfWriter& w) {
             w.Brush(BS_SOLID, RGB(250, 200, 0))
                 .Select(0)
                 .RecBytes(0x061D, Bytes().U32(PATCOPY).I16(20).I16(30).I16(7).I16(9).D);
         },
         [&](EmfWriter& e) {
             e.Brush(1, BS_SOLID, RGB(250, 200, 0)).Select(1);
             Bytes b;
             b.I32(0).I32(0).I32(0).I32(0).I32(9).I32(7).I32(30).I32(20).U32(PATCOPY).I32(0).I32(0);
             b.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Rec(76, b);
         },
         [&](HDC dc) {
             HBRUSH b = CreateSolidBrush(RGB(250, 200, 0));
             HGDIOBJ old = SelectObject(dc, b);
             PatBlt(dc, 9, 7, 30, 20, PATCOPY);
             SelectObject(dc, old);
             DeleteObject(b);
         }},
    };
    for (const Case& c : cases) {
        WmfWriter w(true, 0, 0, W, H);
        c.wmf(w);
        EmfWriter e(0, 0, W * 10, H * 10);
        c.emf(e);
        Plain viaWmf(W, H), viaEmf(W, H), direct(W, H);
        ASSERT_TRUE(Play(viaWmf.Dc, w.Take(), true, RECT{0, 0, W, H})) << c.name;
        ASSERT_TRUE(Play(viaEmf.Dc, e.Take(), false, RECT{0, 0, W, H})) << c.name;
        c.direct(direct.Dc);
        EXPECT_EQ(Diff(viaWmf.Dc, direct.Dc, W, H), "") << c.name << " (WMF)";
        EXPECT_EQ(Diff(viaEmf.Dc, direct.Dc, W, H), "") << c.name << " (EMF)";
    }
}

TEST(Metafile, WmfWindowMapsOntoTheDestination) {
    struct Case {
        const char* name;
        WmfWriter writer;
        std::function<void(WmfWriter&)> records;
        RECT dest;
        RECT ink;
    };
    std::vector<Case> cases = {
        {"100 x 100 window into 200 x 200",
         WmfWriter(false),
         [](WmfWriter& w) { w.WindowOrg(0, 0).WindowExt(100, 100).Rectangle(10, 10, 50, 30); },
         {0, 0, 200, 200},
         {20, 20, 100, 60}},
        {"negative extent flips",
         WmfWriter(false),
         [](WmfWriter& w) { w.WindowOrg(100, 0).WindowExt(-100, 100).Rectangle(10, 10, 30, 30); },
         {0, 0, 100, 100},
         {70, 10, 90, 30}},
        {"placeable box away from the origin",
         WmfWriter(true, -3151, 432, -3151 + 1000, 432 + 1000, 1000),
         [](WmfWriter& w) { w.Rectangle(-3151, 432, -3151 + 500, 432 + 250); },
         {0, 0, 96, 96},
         {0, 0, 48, 24}},
        {"viewport and map mode do not move it",
         WmfWriter(true, 0, 0, 100, 100),
         [](WmfWriter& w) {
             w.Rec(0x0103, {MM_ANISOTROPIC})
                 .Rec(0x020D, {50, 50})
                 .Rec(0x020E, {10, 10})
                 .Rectangle(10, 20, 30, 40);
         },
         {0, 0, 100, 100},
         {10, 20, 30, 40}},
        {"destination offset",
         WmfWriter(true, 0, 0, 50, 50),
         [](WmfWriter& w) { w.Rectangle(0, 0, 50, 50); },
         {30, 20, 80, 70},
         {30, 20, 80, 70}},
    };
    for (Case& c : cases) {
        c.records(c.writer);
        Canvas cv(200, 200);
        cv.Fill(RGB(255, 255, 255));
        SelectObject(cv.Dc, GetStockObject(WHITE_BRUSH));
        ASSERT_TRUE(Play(cv.Dc, c.writer.Take(), true, c.dest)) << c.name;
        EXPECT_EQ(InkBox(cv.Dc, 200, 200), c.ink) << c.name;
    }
}

TEST(Metafile, EmfMappingModesAndWorldTransform) {
    struct Case {
        const char* name;
        std::function<void(EmfWriter&)> records;
        RECT ink;
    };
    std::vector<Case> cases = {
        {"text", [](EmfWriter& e) { e.Rectangle(10, 10, 50, 30); }, {10, 10, 50, 30}},
        // 10 pixels per millimetre: a hundredth of a millimetre is a tenth of a pixel, y up.
        {"himetric",
         [](EmfWriter& e) { e.Ints(17, {MM_HIMETRIC}).Rectangle(100, -100, 500, -300); },
         {10, 10, 50, 30}},
        {"anisotropic",
         [](EmfWriter& e) {
             e.Ints(17, {MM_ANISOTROPIC}).Ints(9, {1000, 2000}).Ints(11, {100, 100}).Ints(10, {-100, 0});
             e.Rectangle(0, 200, 400, 600);
         },
         {10, 10, 50, 30}},
        {"isotropic takes the smaller scale",
         [](EmfWriter& e) {
             e.Ints(17, {MM_ISOTROPIC}).Ints(9, {1000, 2000}).Ints(11, {100, 100}).Rectangle(0, 0, 400, 400);
         },
         {0, 0, 20, 20}},
        // x' = 100 - y, y' = x: a quarter turn keeps the axes.
        {"quarter turn",
         [](EmfWriter& e) { e.World(0, 1, -1, 0, 100, 0).Rectangle(10, 20, 30, 60); },
         {40, 10, 80, 30}},
        {"modified transform",
         [](EmfWriter& e) {
             e.World(2, 0, 0, 2, 0, 0);
             Bytes b;
             b.F32(1).F32(0).F32(0).F32(1).F32(5).F32(5).U32(2); // left multiply: translate first
             e.Rec(36, b).Rectangle(0, 0, 10, 10);
         },
         {10, 10, 30, 30}},
    };
    for (const Case& c : cases) {
        EmfWriter e(0, 0, 1000, 1000);
        c.records(e);
        Canvas cv(100, 100);
        SelectObject(cv.Dc, GetStockObject(WHITE_BRUSH));
        ASSERT_TRUE(Play(cv.Dc, e.Take(), false, RECT{0, 0, 100, 100})) << c.name;
        EXPECT_EQ(InkBox(cv.Dc, 100, 100), c.ink) << c.name;
    }
}

TEST(Metafile, RotatedFiguresBecomePolygons) {
    // An eighth of a turn around (50, 50): the square becomes a diamond whose corners lie on the axes.
    const double c = 0.70710678, s = 0.70710678;
    EmfWriter e(0, 0, 1000, 1000);
    e.World(float(c), float(s), float(-s), float(c), float(50 - 50 * c + 50 * s),
            float(50 - 50 * s - 50 * c));
    e.Brush(1, BS_SOLID, RGB(0, 0, 0)).Select(1).Rectangle(30, 30, 70, 70);
    Plain cv(100, 100);
    ASSERT_TRUE(Play(cv.Dc, e.Take(), false, RECT{0, 0, 100, 100}));
    EXPECT_EQ(GetPixel(cv.Dc, 50, 50), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 50, 25), RGB(0, 0, 0));       // near the top corner (50, 21.7)
    EXPECT_EQ(GetPixel(cv.Dc, 32, 32), RGB(255, 255, 255)); // a corner of the unturned square
    RECT ink = InkBox(cv.Dc, 100, 100);
    EXPECT_NEAR(ink.Left, 22, 1);
    EXPECT_NEAR(ink.Right, 79, 1);
}

TEST(Metafile, RestoreDcRelativeAndAbsolute) {
    // Brushes red (1), green (2), blue (3): save with red, save with green, select blue.
    auto build = [](int restore) {
        EmfWriter e(0, 0, 1000, 1000);
        e.Brush(1, BS_SOLID, RGB(255, 0, 0))
            .Brush(2, BS_SOLID, RGB(0, 255, 0))
            .Brush(3, BS_SOLID, RGB(0, 0, 255));
        e.Select(0x80000008); // the null pen
        e.Select(1).Ints(33, {}).Select(2).Ints(33, {}).Select(3);
        e.Ints(34, {restore}).Rectangle(0, 0, 10, 10);
        return e.Take();
    };
    struct Case {
        int restore;
        COLORREF colour;
    } cases[] = {{-1, RGB(0, 255, 0)}, {-2, RGB(255, 0, 0)}, {1, RGB(255, 0, 0)}, {2, RGB(0, 255, 0)},
                 {3, RGB(0, 0, 255)},  {-3, RGB(0, 0, 255)}, {0, RGB(0, 0, 255)}};
    for (const auto& c : cases) {
        Plain cv(20, 20);
        ASSERT_TRUE(Play(cv.Dc, build(c.restore), false, RECT{0, 0, 100, 100}));
        EXPECT_EQ(GetPixel(cv.Dc, 3, 3), c.colour) << c.restore;
    }
}

TEST(Metafile, ClippingNeverPassesTheCallers) {
    EmfWriter e(0, 0, 1000, 1000);
    Bytes rgn; // EXTSELECTCLIPRGN copy of (0, 0, 100, 100): wider than the caller's clip
    rgn.U32(48).U32(RGN_COPY).U32(32).U32(1).U32(1).U32(16).I32(0).I32(0).I32(100).I32(100);
    rgn.I32(0).I32(0).I32(100).I32(100);
    e.Rec(75, rgn).Brush(1, BS_SOLID, 0).Select(1).Select(0x80000008).Rectangle(0, 0, 101, 101);
    e.Ints(30, {0, 60, 100, 100}).Brush(2, BS_SOLID, RGB(0, 0, 255)).Select(2).Rectangle(0, 0, 101, 101);
    Plain cv(100, 100);
    IntersectClipRect(cv.Dc, 0, 0, 50, 100);
    ASSERT_TRUE(Play(cv.Dc, e.Take(), false, RECT{0, 0, 100, 100}));
    RECT box{};
    GetClipBox(cv.Dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 50, 100})) << "the caller's clip is back";
    SelectClipRgn(cv.Dc, nullptr);
    EXPECT_EQ(GetPixel(cv.Dc, 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 49, 59), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 49, 60), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(cv.Dc, 50, 10), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(cv.Dc, 80, 80), RGB(255, 255, 255));
}

TEST(Metafile, PlaybackRestoresTheDc) {
    Canvas cv(50, 50);
    SetMapMode(cv.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(cv.Dc, 10, 10, nullptr);
    SetViewportExtEx(cv.Dc, 50, 50, nullptr);
    SetTextColor(cv.Dc, RGB(1, 2, 3));
    HGDIOBJ pen = GetCurrentObject(cv.Dc, OBJ_PEN);
    WmfWriter w(true, 0, 0, 10, 10);
    w.Pen(PS_SOLID, 1, RGB(255, 0, 0)).Select(0).Rec(0x0209, {0, 0}).Rectangle(0, 0, 10, 10);
    // The rectangle is in the DC's logical units: (0, 0, 10, 10) is the whole 50 x 50 canvas.
    ASSERT_TRUE(Play(cv.Dc, w.Take(), true, RECT{0, 0, 10, 10}));
    EXPECT_EQ(GetPixel(cv.Dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetMapMode(cv.Dc), MM_ANISOTROPIC);
    EXPECT_EQ(GetTextColor(cv.Dc), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(cv.Dc, OBJ_PEN), pen);
}

TEST(Metafile, WmfObjectsTakeTheLowestFreeSlot) {
    WmfWriter w(true, 0, 0, 10, 10);
    w.Brush(BS_SOLID, RGB(255, 0, 0)).Brush(BS_SOLID, RGB(0, 255, 0)).Brush(BS_SOLID, RGB(0, 0, 255));
    w.Delete(1).Brush(BS_SOLID, RGB(255, 255, 0)); // slot 1 again
    w.Pen(PS_NULL, 0, 0);                          // slot 3
    w.Select(3).Select(1).Rectangle(0, 0, 6, 6).Select(2).Rectangle(5, 5, 11, 11);
    w.Select(65535).Rectangle(0, 5, 3, 11); // a bad index changes nothing: still blue
    Plain cv(10, 10);
    ASSERT_TRUE(Play(cv.Dc, w.Take(), true, RECT{0, 0, 10, 10}));
    EXPECT_EQ(GetPixel(cv.Dc, 2, 2), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(cv.Dc, 8, 8), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(cv.Dc, 1, 8), RGB(0, 0, 255));
}

TEST(Metafile, EmfStockObjects) {
    struct Case {
        uint32_t brush, pen;
        COLORREF inside, edge;
    } cases[] = {{BLACK_BRUSH, WHITE_PEN, RGB(0, 0, 0), RGB(255, 255, 255)},
                 {GRAY_BRUSH, BLACK_PEN, RGB(128, 128, 128), RGB(0, 0, 0)},
                 {NULL_BRUSH, BLACK_PEN, RGB(200, 200, 200), RGB(0, 0, 0)},
                 {LTGRAY_BRUSH, NULL_PEN, RGB(192, 192, 192), RGB(192, 192, 192)}};
    for (const auto& c : cases) {
        EmfWriter e(0, 0, 200, 200);
        e.Select(0x80000000u | c.brush).Select(0x80000000u | c.pen).Rectangle(2, 2, 15, 15);
        DibDC cv(20, 20, 32);
        cv.Fill(RGB(200, 200, 200));
        ASSERT_TRUE(Play(cv.Dc, e.Take(), false, RECT{0, 0, 20, 20}));
        EXPECT_EQ(GetPixel(cv.Dc, 8, 8), c.inside) << c.brush;
        EXPECT_EQ(GetPixel(cv.Dc, 2, 8), c.edge) << c.brush;
    }
}

TEST(Metafile, ObjectsAreReleased) {
    int before[int(GdiKind::gkCount)];
    for (int k = 0; k < int(GdiKind::gkCount); ++k)
        before[k] = GdiObjectCount(GdiKind(k));
    {
        EmfWriter e(0, 0, 1000, 1000);
        e.Pen(1, PS_SOLID, 3, RGB(1, 2, 3)).Brush(2, BS_HATCHED, 0, HS_CROSS).Select(1).Select(2);
        Bytes font;
        font.U32(3).I32(-12).I32(0).I32(0).I32(0).I32(400).U32(0).U32(0);
        for (char16_t ch : std::u16string(u"Arial"))
            font.U16(ch);
        for (int i = 5; i < 32; ++i)
            font.U16(0);
        e.Rec(82, font).Select(3).TextW(5, 5, u"Hi");
        e.Ints(30, {0, 0, 50, 50}).Ellipse(0, 0, 40, 40).Ints(33, {}).World(0.8f, 0.6f, -0.6f, 0.8f, 0, 0);
        e.Rectangle(0, 0, 30, 30).Ints(59, {}).Rectangle(1, 1, 9, 9).Ints(60, {}).Ints(67, {RGN_AND});
        e.Ints(34, {-1}).Pen(1, PS_DASH, 1, 0).Select(1); // replaces the selected pen
        Plain cv(100, 100);
        ASSERT_TRUE(Play(cv.Dc, e.Take(), false, RECT{0, 0, 100, 100}));
        WmfWriter w(true);
        w.Pen(PS_SOLID, 2, 0).Select(0).Brush(BS_SOLID, 5).Select(1).Rectangle(1, 1, 50, 50);
        w.RecBytes(0x02FB, Bytes().I16(-14).I16(0).I16(900).I16(0).I16(700).U32(0).U32(0).D);
        w.Select(2).RecBytes(0x0521, Bytes().U16(2).U8('o').U8('k').I16(20).I16(20).D);
        ASSERT_TRUE(Play(cv.Dc, w.Take(), true, RECT{0, 0, 100, 100}));
    }
    for (int k = 0; k < int(GdiKind::gkCount); ++k)
        EXPECT_EQ(GdiObjectCount(GdiKind(k)), before[k]) << "kind " << k;
}

TEST(Metafile, TextInksTheBoxOfADirectCall) {
    EmfWriter e(0, 0, 1000, 1000);
    Bytes font;
    font.U32(1).I32(-20).I32(0).I32(0).I32(0).I32(400).U32(0).U32(0);
    for (char16_t ch : std::u16string(u"Arial"))
        font.U16(ch);
    for (int i = 5; i < 32; ++i)
        font.U16(0);
    e.Rec(82, font).Select(1).Ints(18, {TRANSPARENT}).TextW(10, 10, u"Abc");
    Plain viaEmf(100, 50), direct(100, 50);
    ASSERT_TRUE(Play(viaEmf.Dc, e.Take(), false, RECT{0, 0, 100, 100}));
    HFONT f = CreateFont(-20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(direct.Dc, f);
    SetBkMode(direct.Dc, TRANSPARENT);
    ExtTextOut(direct.Dc, 10, 10, 0, nullptr, "Abc", 3, nullptr);
    SelectObject(direct.Dc, old);
    DeleteObject(f);
    RECT box = InkBox(direct.Dc, 100, 50);
    ASSERT_LT(box.Left, box.Right) << "the direct call inks";
    EXPECT_EQ(InkBox(viaEmf.Dc, 100, 50), box);
    EXPECT_EQ(Diff(viaEmf.Dc, direct.Dc, 100, 50), "");
}

TEST(Metafile, TextAdvancesAnsiAndScale) {
    // WMF text at twice the size: the font and the advances scale, the code page gives the characters.
    WmfWriter w(true, 0, 0, 100, 50);
    w.RecBytes(0x02FB, Bytes().I16(-10).I16(0).I16(0).I16(0).I16(400).U32(0).U32(0).D).Select(0);
    w.Rec(0x0102, {TRANSPARENT});
    Bytes t; // EXTTEXTOUT "I\xC9I" with advances 30 and 10 at (5, 5)
    t.I16(5).I16(5).U16(3).U16(0).U8('I').U8(0xC9).U8('I').U8(0).I16(30).I16(10).I16(10);
    w.RecBytes(0x0A32, t.D);
    Plain viaWmf(200, 100), direct(200, 100);
    ASSERT_TRUE(Play(viaWmf.Dc, w.Take(), true, RECT{0, 0, 200, 100}));
    HFONT f = CreateFont(-20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "");
    HGDIOBJ old = SelectObject(direct.Dc, f);
    SetBkMode(direct.Dc, TRANSPARENT);
    const char* text = "I\xC3\x89I"; // the same characters in UTF-8
    int dx[4] = {60, 20, 0, 20};
    ExtTextOut(direct.Dc, 10, 10, 0, nullptr, text, 4, dx);
    SelectObject(direct.Dc, old);
    DeleteObject(f);
    EXPECT_EQ(Diff(viaWmf.Dc, direct.Dc, 200, 100), "");
}

TEST(Metafile, DibPixelsStretchIntoBlocks) {
    std::vector<uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000,
                                0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
    auto packed = PackedDib32(4, 2, px);
    EmfWriter e(0, 0, 1000, 1000);
    e.StretchDib(2, 3, 8, 4, 4, 2, packed);
    WmfWriter w(true, 0, 0, 100, 100);
    Bytes s; // STRETCHDIB: rop, usage, source h, w, y, x, destination h, w, y, x, DIB
    s.U32(SRCCOPY).U16(0).I16(2).I16(4).I16(0).I16(0).I16(4).I16(8).I16(3).I16(2).Raw(packed);
    w.RecBytes(0x0F43, s.D);
    for (bool wmf : {false, true}) {
        Plain cv(100, 100);
        ASSERT_TRUE(Play(cv.Dc, wmf ? w.Take() : e.Take(), wmf, RECT{0, 0, 100, 100}));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                uint32_t v = px[size_t((y / 2) * 4 + x / 2)];
                EXPECT_EQ(GetPixel(cv.Dc, 2 + x, 3 + y), RGB(v >> 16, (v >> 8) & 0xFF, v & 0xFF))
                    << (wmf ? "WMF " : "EMF ") << x << "," << y;
            }
        EXPECT_EQ(InkBox(cv.Dc, 100, 100), (RECT{2, 3, 10, 7}));
    }
}

TEST(Metafile, PathsFillStrokeAndClip) {
    // A triangle path filled black, then used as the clip of a blue rectangle over everything.
    EmfWriter e(0, 0, 1000, 1000);
    e.Brush(1, BS_SOLID, 0).Select(1).Select(0x80000008);
    e.Ints(59, {}).Ints(27, {10, 10}).Ints(54, {90, 10}).Ints(54, {50, 90}).Ints(61, {}).Ints(60, {});
    e.Ints(62, {0, 0, 0, 0});
    Plain filled(100, 100);
    std::vector<uint8_t> fill = e.Take();
    ASSERT_TRUE(Play(filled.Dc, fill, false, RECT{0, 0, 100, 100}));
    EXPECT_EQ(GetPixel(filled.Dc, 50, 30), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(filled.Dc, 20, 60), RGB(255, 255, 255));

    EmfWriter c(0, 0, 1000, 1000);
    c.Brush(1, BS_SOLID, RGB(0, 0, 255)).Select(1).Select(0x80000008);
    c.Ints(59, {}).Ellipse(20, 20, 80, 80).Ints(60, {}).Ints(67, {RGN_COPY}).Rectangle(0, 0, 101, 101);
    Plain clipped(100, 100);
    ASSERT_TRUE(Play(clipped.Dc, c.Take(), false, RECT{0, 0, 100, 100}));
    EXPECT_EQ(GetPixel(clipped.Dc, 50, 50), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(clipped.Dc, 22, 22), RGB(255, 255, 255));

    // A Bézier stroked through a path, widened and filled.
    EmfWriter b(0, 0, 1000, 1000);
    b.Pen(1, PS_SOLID, 9, 0).Select(1).Brush(2, BS_SOLID, RGB(255, 0, 0)).Select(2);
    b.Ints(59, {}).Ints(27, {10, 50}).Ints(5, {0, 0, 0, 0, 3, 30, 10, 70, 90, 90, 50}).Ints(60, {});
    b.Ints(66, {}).Ints(62, {0, 0, 0, 0});
    Plain widened(100, 100);
    ASSERT_TRUE(Play(widened.Dc, b.Take(), false, RECT{0, 0, 100, 100}));
    EXPECT_EQ(GetPixel(widened.Dc, 10, 52), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(widened.Dc, 90, 48), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(widened.Dc, 50, 50), RGB(255, 0, 0)); // the curve's middle
    EXPECT_EQ(GetPixel(widened.Dc, 50, 80), RGB(255, 255, 255));
}

TEST(Metafile, HeadersAndSizes) {
    std::vector<uint8_t> wmf = WmfWriter(true, -3151, 432, -3151 + 1440, 432 + 720, 1440).Take();
    HENHMETAFILE m = SetWinMetaFileBits(UINT(wmf.size()), wmf.data(), nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    ENHMETAHEADER h{};
    EXPECT_EQ(GetEnhMetaFileHeader(m, sizeof h, &h), sizeof h);
    EXPECT_EQ(h.rclFrame, (RECT{0, 0, 2540, 1270}));
    EXPECT_EQ(h.rclBounds, (RECT{0, 0, 95, 47}));
    EXPECT_TRUE(IsWinMetaFile(m));
    EXPECT_EQ(DeleteEnhMetaFile(m), TRUE);
    EXPECT_EQ(DeleteEnhMetaFile(m), FALSE) << "a freed handle is refused";
    EXPECT_EQ(GetEnhMetaFileHeader(m, sizeof h, &h), 0u);

    std::vector<uint8_t> plain = WmfWriter(false).WindowOrg(5, 5).WindowExt(300, 200).Take();
    m = SetWinMetaFileBits(UINT(plain.size()), plain.data(), nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    GetEnhMetaFileHeader(m, sizeof h, &h);
    EXPECT_EQ(h.rclBounds, (RECT{0, 0, 299, 199}));
    DeleteEnhMetaFile(m);

    std::vector<uint8_t> emf = EmfWriter(0, 0, 2000, 1000).Take();
    m = SetEnhMetaFileBits(UINT(emf.size()), emf.data());
    ASSERT_NE(m, nullptr);
    GetEnhMetaFileHeader(m, sizeof h, &h);
    EXPECT_EQ(h.rclFrame, (RECT{0, 0, 2000, 1000}));
    EXPECT_FALSE(IsWinMetaFile(m));
    EXPECT_FALSE(IsEmfPlusOnly(m));
    DeleteEnhMetaFile(m);

    // An EMF+ header comment without the dual flag: nothing for GDI to draw.
    for (uint16_t flags : {0, 1}) {
        EmfWriter plus(0, 0, 1000, 1000);
        Bytes c;
        c.U32(32)
            .U32(0x2B464D45)
            .U16(0x4001)
            .U16(flags)
            .U32(28)
            .U32(16)
            .U32(0xDBC01002)
            .U32(0)
            .U32(96)
            .U32(96);
        plus.Rec(70, c);
        std::vector<uint8_t> bytes = plus.Take();
        m = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
        EXPECT_EQ(IsEmfPlusOnly(m), flags == 0);
        DeleteEnhMetaFile(m);
    }

    std::vector<uint8_t> junk(100, 0x41);
    EXPECT_EQ(SetEnhMetaFileBits(UINT(junk.size()), junk.data()), nullptr);
    EXPECT_EQ(SetWinMetaFileBits(UINT(junk.size()), junk.data(), nullptr, nullptr), nullptr);
}

// Hostile bytes end playback or are ignored; nothing crashes, hangs or leaks.
TEST(Metafile, HostileRecords) {
    std::vector<std::vector<uint8_t>> wmfs, emfs;
    {
        WmfWriter w(true, 0, 0, 100, 100, 0); // a placeable inch of 0
        w.Rectangle(0, 0, 50, 50);
        wmfs.push_back(w.Take());
    }
    {
        WmfWriter w(true);
        w.Rec(0x0325, {30000, 1, 1}).Rec(0x0538, {2, 30000, 1}).Rec(0x0A32, {1, 1, 30000, 6, 0});
        w.Rec(0x0F43, {0x20, 0xCC, 0, 10, 10, 0, 0, 10, 10, 0, 0}).Select(65535).Delete(65535);
        w.Rec(0x06FF, {0, 6, 0, 0, 0, 30000, 0, 0, 0, 10, 10});
        w.Rec(0x0127, {-30000}).Rec(0x0127, {30000});
        wmfs.push_back(w.Take());
    }
    {
        WmfWriter w(true);
        for (int i = 0; i < 1000000; ++i)
            w.Rec(0x001E, {});
        wmfs.push_back(w.Take());
    }
    {
        std::vector<uint8_t> b = WmfWriter(true).Rectangle(0, 0, 5, 5).Take();
        b[22 + 18] = 0; // record size 0
        b[22 + 19] = 0;
        wmfs.push_back(b);
        b = WmfWriter(true).Rectangle(0, 0, 5, 5).Take();
        b[22 + 18] = 0xFF; // past the end
        wmfs.push_back(b);
    }
    {
        EmfWriter e(0, 0, 1000, 1000);
        e.Ints(4, {0, 0, 0, 0, 0x7FFFFFFF, 1, 1}).Ints(8, {0, 0, 0, 0, 0x40000000, 3, 1, 1, 1, 1, 2, 2});
        e.Ints(8, {0, 0, 0, 0, 1, 1, 1000, 1, 1});
        Bytes sd; // STRETCHDIBITS whose offsets run past the record
        sd.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(4).I32(4).U32(80).U32(40).U32(
            0xFFFFFFF0u);
        sd.U32(64).U32(0).U32(SRCCOPY).I32(4).I32(4).U32(40).I32(4).I32(4);
        e.Rec(81, sd)
            .Select(65535)
            .Select(0xFFFFFFFF)
            .Ints(37, {})
            .Ints(34, {INT32_MIN})
            .Ints(41, {0, 0, -1, 0, 0});
        e.World(1e30f, 0, 0, 1e30f, 0, 0).Rectangle(0, 0, 10, 10).World(0, 0, 0, 0, 0, 0);
        e.Ints(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 0x7FFFFFFF, 76, 0, 0, 0, 0, 0, 900});
        e.Ints(75, {0x7FFFFFFF, RGN_COPY}).Ints(118, {0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0});
        // Figures and clip rectangles far larger than the surface, turned so that they become polygons.
        e.World(0.6f, 0.8f, -0.8f, 0.6f, 0, 0)
            .Ints(59, {})
            .Ints(3, {0, 0, 0, 0, 3, -2000000000, -2000000000, 2000000000, 0, 0, 2000000000});
        e.Ints(60, {}).Ints(62, {0, 0, 0, 0}).Ints(30, {-2000000000, -2000000000, 2000000000, 2000000000});
        e.Pen(9, PS_SOLID, 100000, 0)
            .Select(9)
            .Ints(5, {0, 0, 0, 0, 3, 1 << 30, 5, -(1 << 30), 9, 1 << 29, 1 << 29});
        for (int i = 0; i < 1000000; ++i)
            e.Ints(33, {});
        emfs.push_back(e.Take());
        std::vector<uint8_t> b = emfs.back();
        b[88 + 4] = 0; // a record size of 0
        emfs.push_back(b);
        b = emfs[0];
        b.resize(b.size() / 2); // truncated
        emfs.push_back(b);
    }
    int before =
        GdiObjectCount(GdiKind::gkRegion) + GdiObjectCount(GdiKind::gkBrush) + GdiObjectCount(GdiKind::gkPen);
    for (auto& b : wmfs) {
        Plain cv(64, 64);
        Play(cv.Dc, b, true, RECT{0, 0, 64, 64});
    }
    for (auto& b : emfs) {
        Plain cv(64, 64);
        Play(cv.Dc, b, false, RECT{0, 0, 64, 64});
    }
    // Mutated copies of real-looking pictures.
    std::mt19937 rng(53);
    EmfWriter e(0, 0, 1000, 1000);
    e.Pen(1, PS_SOLID, 3, 0).Select(1).Brush(2, BS_HATCHED, 255, 2).Select(2).Ellipse(5, 5, 60, 60);
    e.StretchDib(1, 1, 20, 20, 4, 2, PackedDib32(4, 2, std::vector<uint32_t>(8, 0x123456)))
        .TextW(3, 3, u"x", {5});
    e.Ints(59, {})
        .Ints(27, {1, 1})
        .Ints(5, {0, 0, 0, 0, 3, 5, 9, 30, 2, 40, 40})
        .Ints(60, {})
        .Ints(64, {0, 0, 0, 0});
    std::vector<uint8_t> baseEmf = e.Take();
    WmfWriter w(true);
    w.Pen(PS_DASH, 1, 0)
        .Select(0)
        .Brush(BS_SOLID, 3)
        .Select(1)
        .Ellipse(1, 1, 50, 50)
        .Rec(0x0817, {1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<uint8_t> baseWmf = w.Take();
    for (int i = 0; i < 3000; ++i) {
        bool wmf = i % 2;
        std::vector<uint8_t> b = wmf ? baseWmf : baseEmf;
        int edits = 1 + int(rng() % 4);
        for (int k = 0; k < edits; ++k)
            b[rng() % b.size()] = uint8_t(rng());
        Plain cv(32, 32);
        Play(cv.Dc, b, wmf, RECT{0, 0, 32, 32});
    }
    EXPECT_EQ(GdiObjectCount(GdiKind::gkRegion) + GdiObjectCount(GdiKind::gkBrush) +
                  GdiObjectCount(GdiKind::gkPen),
              before);
}

TEST(Metafile, MirroredMappingsKeepTextReadable) {
    // A window mirrored left to right, and HIMETRIC (y up): the reference point moves, the text does not
    // turn.
    WmfWriter w(false);
    w.WindowOrg(100, 0).WindowExt(-100, 100);
    w.RecBytes(0x02FB, Bytes().I16(-16).I16(0).I16(0).I16(0).I16(400).U32(0).U32(0).D).Select(0);
    w.Rec(0x0102, {TRANSPARENT})
        .RecBytes(0x0521, Bytes().U16(3).U8('A').U8('b').U8('c').U8(0).I16(10).I16(90).D);
    EmfWriter e(0, 0, 1000, 1000);
    Bytes font;
    font.U32(1).I32(-16).I32(0).I32(0).I32(0).I32(400).U32(0).U32(0);
    for (int i = 0; i < 32; ++i)
        font.U16(0);
    e.Ints(17, {MM_LOMETRIC})
        .Rec(82, font)
        .Select(1)
        .Ints(18, {TRANSPARENT})
        .TextW(10, -10, u"Abc"); // a tenth of a millimetre is a pixel
    for (bool wmf : {true, false}) {
        Plain played(100, 60), direct(100, 60);
        ASSERT_TRUE(Play(played.Dc, wmf ? w.Take() : e.Take(), wmf, RECT{0, 0, 100, 100}));
        HFONT f = CreateFont(-16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "");
        HGDIOBJ old = SelectObject(direct.Dc, f);
        SetBkMode(direct.Dc, TRANSPARENT);
        ExtTextOut(direct.Dc, 10, 10, 0, nullptr, "Abc", 3, nullptr);
        SelectObject(direct.Dc, old);
        DeleteObject(f);
        RECT a = InkBox(played.Dc, 100, 60), b = InkBox(direct.Dc, 100, 60);
        EXPECT_EQ(Diff(played.Dc, direct.Dc, 100, 60), "")
            << (wmf ? "WMF " : "EMF ") << a.Left << "," << a.Top << "," << a.Right << "," << a.Bottom
            << " vs " << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom;
    }
}

namespace {

// The fields of a BITBLT-shaped record (STRETCHBLT, MASKBLT, TRANSPARENTBLT, ALPHABLEND) with a packed DIB.
Bytes BlitFields(int x, int y, int w, int h, uint32_t rop, int sw, int sh, const std::vector<uint8_t>& dib,
                 const std::vector<uint8_t>& tail = {}) {
    Bytes b;
    b.I32(0).I32(0).I32(-1).I32(-1).I32(x).I32(y).I32(w).I32(h).U32(rop).I32(0).I32(0);
    b.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0);
    uint32_t fixed = 8 + 92 + (tail.empty() ? 8 : uint32_t(tail.size()));
    b.U32(fixed).U32(40).U32(fixed + 40).U32(uint32_t(dib.size() - 40)).Raw(tail);
    if (tail.empty())
        b.I32(sw).I32(sh);
    b.Raw(dib);
    return b;
}

COLORREF Px(HDC dc, int x, int y) {
    return GetPixel(dc, x, y);
}

} // namespace

TEST(Metafile, TransparentAlphaMaskAndGradientRecords) {
    const COLORREF blue = RGB(0, 0, 255);
    auto onBlue = [&](std::function<void(EmfWriter&)> records) {
        EmfWriter e(0, 0, 1000, 1000);
        e.Brush(1, BS_SOLID, blue).Select(1).Select(0x80000008).Rectangle(0, 0, 101, 101);
        records(e);
        auto cv = std::make_unique<Plain>(40, 40);
        EXPECT_TRUE(Play(cv->Dc, e.Take(), false, RECT{0, 0, 100, 100}));
        return cv;
    };
    auto pair = PackedDib32(2, 1, {0xFF0000, 0x00FF00});
    // TRANSPARENTBLT: green is the key, stretched 2 x 1 to 8 x 4.
    auto t = onBlue([&](EmfWriter& e) { e.Rec(116, BlitFields(2, 2, 8, 4, RGB(0, 255, 0), 2, 1, pair)); });
    EXPECT_EQ(Px(t->Dc, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(Px(t->Dc, 8, 3), blue);
    // ALPHABLEND of a premultiplied half-transparent red over blue.
    auto half = PackedDib32(1, 1, {0x80800000});
    auto a = onBlue([&](EmfWriter& e) { e.Rec(114, BlitFields(2, 2, 4, 4, 0x01FF0000, 1, 1, half)); });
    COLORREF blended = Px(a->Dc, 3, 3);
    EXPECT_NEAR(GetRValue(blended), 128, 2);
    EXPECT_NEAR(GetBValue(blended), 127, 2);
    // MASKBLT: the source where the mask is set, the destination kept elsewhere.
    Bytes mask;
    mask.U32(40).I32(2).I32(1).U16(1).U16(1).U32(0).U32(4).I32(0).I32(0).U32(2).U32(0);
    mask.U32(0x000000).U32(0xFFFFFF).U8(0x80).U8(0).U8(0).U8(0);
    Bytes maskTail;
    uint32_t maskAt = 128 + uint32_t(pair.size()); // after the fields and the source
    maskTail.I32(0).I32(0).U32(0).U32(maskAt).U32(48).U32(maskAt + 48).U32(4);
    Bytes mb = BlitFields(2, 2, 2, 1, MAKEROP4(SRCCOPY, 0x00AA0029), 0, 0, pair, maskTail.D);
    mb.Raw(mask.D);
    auto m = onBlue([&](EmfWriter& e) { e.Rec(78, mb); });
    EXPECT_EQ(Px(m->Dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(Px(m->Dc, 3, 2), blue);
    // GRADIENTFILL of a horizontal rectangle: as the direct call.
    Bytes g;
    g.I32(0).I32(0).I32(-1).I32(-1).U32(2).U32(1).U32(GRADIENT_FILL_RECT_H);
    g.I32(4)
        .I32(4)
        .U16(0)
        .U16(0)
        .U16(0)
        .U16(0)
        .I32(36)
        .I32(20)
        .U16(0xFF00)
        .U16(0x8000)
        .U16(0)
        .U16(0)
        .U32(0)
        .U32(1);
    auto gr = onBlue([&](EmfWriter& e) { e.Rec(118, g); });
    Plain direct(40, 40);
    direct.Fill(blue);
    TRIVERTEX v[2] = {{4, 4, 0, 0, 0, 0}, {36, 20, 0xFF00, 0x8000, 0, 0}};
    GRADIENT_RECT r{0, 1};
    GradientFill(direct.Dc, v, 2, &r, 1, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(Diff(gr->Dc, direct.Dc, 40, 40), "");
}

TEST(Metafile, TurnedBitmapsAndPatternBrushes) {
    // A quarter turn (x' = 50 - y, y' = x): the 2 x 1 bitmap on (10, 10)-(30, 20) stands upright at x 30..40.
    EmfWriter e(0, 0, 1000, 1000);
    e.World(0, 1, -1, 0, 50, 0).StretchDib(10, 10, 20, 10, 2, 1, PackedDib32(2, 1, {0xFF0000, 0x00FF00}));
    Plain turned(60, 60);
    ASSERT_TRUE(Play(turned.Dc, e.Take(), false, RECT{0, 0, 100, 100}));
    EXPECT_EQ(GetPixel(turned.Dc, 35, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(turned.Dc, 35, 25), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(turned.Dc, 25, 15), RGB(255, 255, 255));
    EXPECT_EQ(InkBox(turned.Dc, 60, 60), (RECT{30, 10, 40, 30}));

    // A DIB pattern brush tiles its pixels from the destination's origin.
    WmfWriter w(true, 0, 0, 20, 20);
    Bytes brush;
    brush.U16(BS_DIBPATTERNPT)
        .U16(DIB_RGB_COLORS)
        .Raw(PackedDib32(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    w.RecBytes(0x0142, brush.D).Select(0).Pen(PS_NULL, 0, 0).Select(1).Rectangle(0, 0, 11, 11);
    Plain tiled(20, 20);
    ASSERT_TRUE(Play(tiled.Dc, w.Take(), true, RECT{0, 0, 20, 20}));
    EXPECT_EQ(GetPixel(tiled.Dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(tiled.Dc, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(tiled.Dc, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(tiled.Dc, 3, 3), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(tiled.Dc, 12, 3), RGB(255, 255, 255)) << "outside the rectangle";
}

// A palette made, selected and changed by records colours a DIB whose table indexes it.
TEST(Metafile, PaletteRecordsColourPaletteIndexedDibs) {
    Bytes dib; // 2 x 1, 8 bits, a table of two palette indices (0, 1), pixels 0 and 1
    dib.U32(40).I32(2).I32(1).U16(1).U16(8).U32(0).U32(4).I32(0).I32(0).U32(2).U32(0);
    dib.U16(0).U16(1).U8(0).U8(1).U8(0).U8(0);
    Bytes entries; // red, green; then entry 1 becomes blue
    entries.U8(255).U8(0).U8(0).U8(0).U8(0).U8(255).U8(0).U8(0);

    WmfWriter w(true, 0, 0, 100, 100);
    Bytes create;
    create.U16(0x300).U16(2).Raw(entries.D);
    w.RecBytes(0x00F7, create.D).Rec(0x0234, {0}); // CREATEPALETTE into slot 0, SELECTPALETTE 0
    Bytes set;
    set.U16(1).U16(1).U8(0).U8(0).U8(255).U8(0);
    w.RecBytes(0x0037, set.D); // SETPALENTRIES: start 1, one entry
    Bytes s;                   // STRETCHDIB with DIB_PAL_COLORS
    s.U32(SRCCOPY).U16(DIB_PAL_COLORS).I16(1).I16(2).I16(0).I16(0).I16(2).I16(4).I16(3).I16(2).Raw(dib.D);
    w.RecBytes(0x0F43, s.D);

    EmfWriter e(0, 0, 1000, 1000);
    Bytes ecreate;
    ecreate.U32(1).U16(0x300).U16(2).Raw(entries.D);
    e.Rec(49, ecreate).Ints(48, {1}); // CREATEPALETTE into slot 1, SELECTPALETTE 1
    Bytes eset;
    eset.U32(1).U32(1).U32(1).U8(0).U8(0).U8(255).U8(0);
    e.Rec(50, eset); // SETPALETTEENTRIES: start 1, one entry
    Bytes sd;        // STRETCHDIBITS with DIB_PAL_COLORS: the header block holds the index table
    sd.I32(0).I32(0).I32(-1).I32(-1).I32(2).I32(3).I32(0).I32(0).I32(2).I32(1);
    sd.U32(80).U32(44).U32(124).U32(4).U32(DIB_PAL_COLORS).U32(SRCCOPY).I32(4).I32(2).Raw(dib.D);
    e.Rec(81, sd);

    for (bool wmf : {false, true}) {
        Plain cv(100, 100);
        ASSERT_TRUE(Play(cv.Dc, wmf ? w.Take() : e.Take(), wmf, RECT{0, 0, 100, 100}));
        const char* kind = wmf ? "WMF" : "EMF";
        EXPECT_EQ(GetPixel(cv.Dc, 2, 3), RGB(255, 0, 0)) << kind;
        EXPECT_EQ(GetPixel(cv.Dc, 5, 4), RGB(0, 0, 255)) << kind;
        EXPECT_EQ(InkBox(cv.Dc, 100, 100), (RECT{2, 3, 6, 5})) << kind;
    }
}
