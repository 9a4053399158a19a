#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vcl;

namespace {

// The colour of a pixel read straight from the bitmap's rows, as a TColor.
TColor PixelAt(TBitmap& b, int x, int y) {
    uint32_t rgb = DibPixelColor(b.GetDibFormat(), static_cast<const uint8_t*>(b.ScanLine(y)), x);
    return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16));
}

void SetAt(TBitmap& b, int x, int y, TColor c) {
    uint32_t rgb = uint32_t(c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
    SetDibPixelColor(b.GetDibFormat(), static_cast<uint8_t*>(b.ScanLine(y)), x, rgb);
}

// Colours every depth holds exactly (the 8-bit table is the halftone cube, channels in steps of 51).
const std::vector<TColor> Exact = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};

const char* Name(TPixelFormat pf) {
    static const char* names[] = {"pfDevice", "pf1bit",  "pf4bit",  "pf8bit",  "pf15bit",
                                  "pf16bit",  "pf24bit", "pf32bit", "pfCustom"};
    return names[pf];
}

} // namespace

TEST(TBitmap, ScanLineAddressesBottomUpRowsPaddedToFourBytes) {
    struct Case {
        TPixelFormat Format;
        int RowBytes; // for a width of 5
    };
    for (Case c : {Case{pf1bit, 4}, Case{pf4bit, 4}, Case{pf8bit, 8}, Case{pf15bit, 12}, Case{pf16bit, 12},
                   Case{pf24bit, 16}, Case{pf32bit, 20}}) {
        SCOPED_TRACE(Name(c.Format));
        TBitmap b;
        b.SetPixelFormat(c.Format);
        b.SetSize(5, 3);
        auto* row0 = static_cast<uint8_t*>(b.ScanLine(0));
        auto* row1 = static_cast<uint8_t*>(b.ScanLine(1));
        auto* row2 = static_cast<uint8_t*>(b.ScanLine(2));
        EXPECT_EQ(row0 - row1, c.RowBytes);
        EXPECT_EQ(row1 - row2, c.RowBytes);
        EXPECT_EQ(b.GetPixelFormat(), c.Format);
        // The last row is the start of the pixel block, as in the section itself.
        win::DIBSECTION ds{};
        ASSERT_EQ(win::GetObject(reinterpret_cast<win::HGDIOBJ>(b.GetHandle()), sizeof ds, &ds),
                  int(sizeof ds));
        EXPECT_EQ(row2, ds.dsBm.bmBits);
        for (int row : {-1, 3}) {
            try {
                b.ScanLine(row);
                ADD_FAILURE() << "row " << row << " accepted";
            } catch (const EInvalidGraphicOperation& e) {
                EXPECT_STREQ(e.what(), "Scan line index out of range");
            }
        }
    }
}

TEST(TBitmap, PixelFormatConversionsKeepPixels) {
    for (TPixelFormat to : {pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        SCOPED_TRACE(Name(to));
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(int(Exact.size()), 2);
        for (int x = 0; x < int(Exact.size()); ++x) {
            SetAt(b, x, 0, Exact[x]);
            SetAt(b, x, 1, Exact[Exact.size() - 1 - x]);
        }
        b.SetPixelFormat(to);
        EXPECT_EQ(b.GetPixelFormat(), to);
        b.SetPixelFormat(pf24bit);
        for (int x = 0; x < int(Exact.size()); ++x) {
            EXPECT_EQ(PixelAt(b, x, 0), Exact[x]) << x;
            EXPECT_EQ(PixelAt(b, x, 1), Exact[Exact.size() - 1 - x]) << x;
        }
    }
    // One bit keeps black and white.
    TBitmap mono;
    mono.SetPixelFormat(pf24bit);
    mono.SetSize(3, 1);
    SetAt(mono, 0, 0, clBlack);
    SetAt(mono, 1, 0, clWhite);
    SetAt(mono, 2, 0, clBlack);
    mono.SetMonochrome(true);
    EXPECT_TRUE(mono.GetMonochrome());
    EXPECT_EQ(mono.GetPixelFormat(), pf1bit);
    EXPECT_EQ(PixelAt(mono, 0, 0), clBlack);
    EXPECT_EQ(PixelAt(mono, 1, 0), clWhite);
}

TEST(TBitmap, ResizingKeepsTheTopLeftAndFillsNewPixelsWhite) {
    for (TPixelFormat pf : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(Name(pf));
        TBitmap b;
        b.SetPixelFormat(pf);
        b.SetSize(3, 2);
        SetAt(b, 0, 0, clBlack);
        SetAt(b, 2, 0, clBlack);
        SetAt(b, 1, 1, clBlack);
        b.SetSize(11, 4);
        EXPECT_EQ(b.GetPixelFormat(), pf);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 11; ++x) {
                bool black = (y == 0 && (x == 0 || x == 2)) || (y == 1 && x == 1);
                EXPECT_EQ(PixelAt(b, x, y), black ? clBlack : clWhite) << x << "," << y;
            }
        b.SetWidth(2);
        b.SetHeight(1);
        EXPECT_EQ(PixelAt(b, 0, 0), clBlack);
        EXPECT_EQ(PixelAt(b, 1, 0), clWhite);
        // A size beyond what the layer allocates is refused and leaves the bitmap as it was.
        EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EOutOfResources);
        EXPECT_EQ(b.GetWidth(), 2);
        b.SetSize(0, 0);
        EXPECT_TRUE(b.GetEmpty());
        EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
    }
}

TEST(TBitmap, CanvasDrawingLandsInScanLineMemory) {
    for (TPixelFormat pf : {pf8bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(Name(pf));
        TBitmap b;
        b.SetPixelFormat(pf);
        b.SetSize(6, 4);
        TCanvas* c = b.GetCanvas();
        c->GetBrush()->SetColor(clRed);
        c->FillRect(Rect(1, 1, 4, 3)); // right and bottom edges are outside
        c->SetPixel(5, 0, clBlue);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                TColor want = (x >= 1 && x < 4 && y >= 1 && y < 3) ? clRed
                              : (x == 5 && y == 0)                 ? clBlue
                                                                   : clWhite;
                EXPECT_EQ(PixelAt(b, x, y), want) << x << "," << y;
                EXPECT_EQ(c->GetPixel(x, y), want) << x << "," << y;
            }
        // And memory written through ScanLine shows on the canvas.
        SetAt(b, 0, 3, clLime);
        EXPECT_EQ(c->GetPixel(0, 3), clLime);
    }
}

TEST(TBitmap, ChangesNotifyAndSetModified) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.SetSize(4, 4);
    EXPECT_EQ(changes, 1);
    b.SetSize(4, 4); // unchanged: nothing
    EXPECT_EQ(changes, 1);
    b.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(b.GetModified());
}

TEST(TBitmap, StreamsRoundTripEveryFormat) {
    for (TPixelFormat pf : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(Name(pf));
        TBitmap b;
        b.SetPixelFormat(pf);
        b.SetSize(7, 3);
        SetAt(b, 0, 0, clBlack);
        SetAt(b, 6, 2, clBlack);
        TMemoryStream stream;
        b.SaveToStream(&stream);
        stream.SetPosition(0);
        TBitmap c;
        c.LoadFromStream(&stream);
        EXPECT_EQ(c.GetPixelFormat(), pf);
        EXPECT_EQ(c.GetWidth(), 7);
        EXPECT_EQ(c.GetHeight(), 3);
        EXPECT_TRUE(c.Equals(&b));
        EXPECT_EQ(PixelAt(c, 6, 2), clBlack);
        EXPECT_EQ(PixelAt(c, 5, 2), clWhite);
    }
    // A refused stream leaves the bitmap as it was.
    TBitmap b;
    b.SetSize(2, 2);
    const uint8_t junk[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    TReadOnlyMemoryStream bad(junk, sizeof junk);
    EXPECT_THROW(b.LoadFromStream(&bad), EInvalidGraphic);
    EXPECT_EQ(b.GetWidth(), 2);
}

TEST(TBitmap, AssignCopiesPixelsPaletteAndTransparency) {
    TBitmap a;
    a.SetPixelFormat(pf8bit);
    a.SetSize(3, 2);
    SetAt(a, 1, 1, clRed);
    a.SetTransparentColor(clRed);
    a.SetTransparent(true);
    TBitmap b;
    b.Assign(&a);
    EXPECT_EQ(b.GetPixelFormat(), pf8bit);
    EXPECT_EQ(PixelAt(b, 1, 1), clRed);
    EXPECT_EQ(b.GetTransparentMode(), tmFixed);
    EXPECT_EQ(b.GetTransparentColor(), clRed);
    EXPECT_TRUE(b.GetTransparent());
    EXPECT_NE(b.GetPalette(), a.GetPalette());
    // The copy is independent.
    SetAt(a, 0, 0, clBlack);
    EXPECT_EQ(PixelAt(b, 0, 0), clWhite);
}

TEST(TBitmap, TransparentColorAndMask) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(17, 2);
    SetAt(b, 0, 1, clFuchsia); // bottom-left decides in tmAuto
    SetAt(b, 16, 0, clFuchsia);
    EXPECT_EQ(b.GetTransparentMode(), tmAuto);
    EXPECT_EQ(b.GetTransparentColor(), clFuchsia);
    // The mask is monochrome, rows padded to 16 bits, set where the transparent colour is.
    win::HBITMAP mask = b.GetMaskHandle();
    ASSERT_NE(mask, nullptr);
    win::BITMAP bm{};
    ASSERT_GT(win::GetObject(reinterpret_cast<win::HGDIOBJ>(mask), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidth, 17);
    TBitmap m;
    m.SetHandle(b.ReleaseMaskHandle());
    EXPECT_EQ(PixelAt(m, 16, 0), clWhite);
    EXPECT_EQ(PixelAt(m, 0, 1), clWhite);
    EXPECT_EQ(PixelAt(m, 1, 1), clBlack);
    b.SetTransparentColor(clBlue);
    EXPECT_EQ(b.GetTransparentMode(), tmFixed);
    b.SetTransparentMode(tmAuto);
    EXPECT_EQ(b.GetTransparentColor(), clFuchsia);
}

TEST(TBitmap, DrawStretchesAndHonoursTransparency) {
    TBitmap src;
    src.SetPixelFormat(pf24bit);
    src.SetSize(2, 1);
    SetAt(src, 0, 0, clRed);
    SetAt(src, 1, 0, clBlue);
    TBitmap dst;
    dst.SetPixelFormat(pf24bit);
    dst.SetSize(6, 2);
    dst.GetCanvas()->GetBrush()->SetColor(clLime);
    dst.GetCanvas()->FillRect(Rect(0, 0, 6, 2));
    dst.GetCanvas()->StretchDraw(Rect(0, 0, 4, 2), &src);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(PixelAt(dst, x, y), x < 2 ? clRed : x < 4 ? clBlue : clLime) << x << "," << y;
    // Transparent: the blue pixel leaves the destination alone.
    src.SetTransparentColor(clBlue);
    src.SetTransparent(true);
    dst.GetCanvas()->FillRect(Rect(0, 0, 6, 2));
    dst.GetCanvas()->Draw(3, 1, &src);
    EXPECT_EQ(PixelAt(dst, 3, 1), clRed);
    EXPECT_EQ(PixelAt(dst, 4, 1), clLime);
}

TEST(TBitmap, PaletteFollowsTheColourTable) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(2, 1);
    win::HPALETTE p = b.GetPalette();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(win::GetPaletteEntries(p, 0, 0, nullptr), b.GetDibFormat().Colors.size());
    // A new palette becomes the colour table: index 0 now shows the palette's first colour.
    std::vector<uint8_t> buffer(sizeof(win::LOGPALETTE) + 2 * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 2;
    lp->palPalEntry[0] = {0, 0, 255, 0};
    lp->palPalEntry[1] = {255, 255, 0, 0};
    static_cast<uint8_t*>(b.ScanLine(0))[0] = 0;
    static_cast<uint8_t*>(b.ScanLine(0))[1] = 1;
    b.SetPalette(win::CreatePalette(lp));
    EXPECT_EQ(b.GetCanvas()->GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetCanvas()->GetPixel(1, 0), clYellow);
}

TEST(TBitmap, AHandleHandedInComesBackUntouchedAfterAConversion) {
    int before = win::GdiObjectCount(win::GdiKind::gkBitmap);
    const uint8_t rows[] = {0x80, 0, 0x40, 0}; // 2 x 2 monochrome, rows padded to 16 bits
    win::HBITMAP mask = win::CreateBitmap(2, 2, 1, 1, rows);
    {
        TBitmap b;
        b.SetHandle(mask);
        b.SetPixelFormat(pf8bit); // reading it as 8 bits converts it
        EXPECT_EQ(PixelAt(b, 0, 0), clWhite);
        EXPECT_EQ(PixelAt(b, 1, 0), clBlack);
        EXPECT_EQ(PixelAt(b, 1, 1), clWhite);
        EXPECT_EQ(b.ReleaseHandle(), mask);
        EXPECT_EQ(PixelAt(b, 1, 1), clWhite); // the bitmap keeps its converted picture
    }
    win::BITMAP bm{};
    ASSERT_GT(win::GetObject(reinterpret_cast<win::HGDIOBJ>(mask), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(mask));
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), before);
    // Without ReleaseHandle the bitmap deletes what it was given, converted or not.
    {
        TBitmap b;
        b.SetHandle(win::CreateBitmap(2, 2, 1, 1, rows));
        b.SetPixelFormat(pf24bit);
    }
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), before);
}

TEST(TBitmap, IndexedPixelsKeepTheirIndicesWhenResized) {
    // A table that holds white twice: resizing must not move pixels to the first white entry.
    std::vector<uint8_t> buffer(sizeof(win::LOGPALETTE) + 3 * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 3;
    lp->palPalEntry[0] = {255, 255, 255, 0};
    lp->palPalEntry[1] = {0, 0, 0, 0};
    lp->palPalEntry[2] = {255, 255, 255, 0};
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(3, 1);
    b.SetPalette(win::CreatePalette(lp));
    static_cast<uint8_t*>(b.ScanLine(0))[1] = 2;
    b.SetSize(5, 2);
    EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[1], 2);
    TBitmap c;
    c.Assign(&b);
    c.SetPixelFormat(pf4bit);
    c.SetPixelFormat(pf8bit);
    EXPECT_EQ(PixelAt(c, 1, 0), clWhite);
}

TEST(TBitmap, PaletteRoutinesAndPatternBrushes) {
    win::HPALETTE sys = SystemPalette16();
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(win::GetPaletteEntries(sys, 0, 0, nullptr), 16u);
    win::HPALETTE copy = CopyPalette(sys);
    win::PALETTEENTRY a[16], c[16];
    win::GetPaletteEntries(sys, 0, 16, a);
    win::GetPaletteEntries(copy, 0, 16, c);
    EXPECT_NE(copy, sys);
    EXPECT_EQ(std::memcmp(a, c, sizeof a), 0);
    EXPECT_EQ(CopyPalette(nullptr), nullptr);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(sys));
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(copy));

    // A brush with a bitmap tiles it.
    TBitmap pattern;
    pattern.SetPixelFormat(pf24bit);
    pattern.SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            SetAt(pattern, x, y, (x + y) % 2 ? clBlack : clWhite);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(10, 2);
    target.GetCanvas()->GetBrush()->SetBitmap(&pattern);
    target.GetCanvas()->FillRect(Rect(0, 0, 10, 2));
    EXPECT_EQ(PixelAt(target, 8, 0), clWhite);
    EXPECT_EQ(PixelAt(target, 9, 0), clBlack);
    EXPECT_EQ(PixelAt(target, 9, 1), clWhite);
    target.GetCanvas()->GetBrush()->SetBitmap(nullptr);
}
