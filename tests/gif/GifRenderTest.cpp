// Frame rendering: bitmaps and masks, palettes, placement, tiling, transparent copies, the screen bitmap.
#include "GifTestUtil.h"

#include "gif/GifColorReduction.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <random>

using namespace gif;
using giftest::AddFrame;
using giftest::Blue;
using giftest::Bytes;
using giftest::Green;
using giftest::Red;
using giftest::White;

namespace {

constexpr vcl::TColor Gray = 0x808080;

// A document with a screen of w x h and a global table of the colours given.
std::unique_ptr<TGifDocument> MakeDoc(int w, int h, std::initializer_list<vcl::TColor> colors) {
    auto doc = std::make_unique<TGifDocument>();
    for (vcl::TColor c : colors)
        doc->GlobalColorMap()->AppendColor(c);
    doc->SetWidth(w);
    doc->SetHeight(h);
    return doc;
}

void MakeTransparent(TGifFrame* frame, int index) {
    auto* gce = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(index);
}

// A 32-bit canvas of w x h filled with one colour.
std::unique_ptr<vcl::TBitmap> Canvas(int w, int h, vcl::TColor fill) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf32bit);
    b->SetSize(w, h);
    b->GetCanvas()->GetBrush()->SetColor(fill);
    b->GetCanvas()->FillRect({0, 0, w, h});
    return b;
}

// Each row of the canvas as a string: one letter per pixel of a known colour, '?' for others.
std::vector<std::string> Rows(vcl::TBitmap* b) {
    std::vector<std::string> rows;
    for (int y = 0; y < b->GetHeight(); ++y) {
        std::string row;
        for (int x = 0; x < b->GetWidth(); ++x) {
            switch (b->GetCanvas()->GetPixel(x, y)) {
            case Red:
                row += 'R';
                break;
            case Green:
                row += 'G';
                break;
            case Blue:
                row += 'B';
                break;
            case White:
                row += 'W';
                break;
            case Gray:
                row += '.';
                break;
            case 0:
                row += 'K';
                break;
            default:
                row += '?';
                break;
            }
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(GifRender, PlainBitmapKeepsIndicesAndDrawsOutOfTableIndicesBlack) {
    auto doc = MakeDoc(4, 1, {Red, Green, Blue});
    TGifFrame* frame = AddFrame(*doc, 4, 1, {0, 1, 2, 200});
    vcl::TBitmap* bitmap = frame->FrameBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetPixelFormat(), vcl::pf8bit);
    const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(0));
    EXPECT_EQ(Bytes(row, row + 4), (Bytes{0, 1, 2, 200}));
    EXPECT_EQ(frame->FrameBitmap(), bitmap) << "the bitmap is cached";
    auto canvas = Canvas(4, 1, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 4, 1}, false, false);
    EXPECT_EQ(Rows(canvas.get())[0], "RGBK");
}

TEST(GifRender, MaskMarksTransparentPixelsWithRowsPaddedTo16Bits) {
    auto doc = MakeDoc(17, 1, {Red, Green});
    Bytes pixels(17, 0);
    pixels[0] = pixels[9] = pixels[16] = 1;
    TGifFrame* frame = AddFrame(*doc, 17, 1, pixels);
    MakeTransparent(frame, 1);
    ASSERT_TRUE(frame->MaskAvailable());
    win::BITMAP info{};
    ASSERT_NE(win::GetObject(frame->GetMask(), sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidthBytes, 4);
    EXPECT_EQ(info.bmBitsPixel, 1);
    uint8_t bits[4] = {};
    win::GetBitmapBits(frame->GetMask(), 4, bits);
    EXPECT_EQ(bits[0], 0x80);
    EXPECT_EQ(bits[1], 0x40);
    EXPECT_EQ(bits[2], 0x80);
    // Drawn with transparency the canvas shows through; without, the colour is drawn.
    auto canvas = Canvas(17, 1, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 17, 1}, true, false);
    EXPECT_EQ(Rows(canvas.get())[0], "WRRRRRRRRWRRRRRRW");
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 17, 1}, false, false);
    EXPECT_EQ(Rows(canvas.get())[0], "GRRRRRRRRGRRRRRRG");
}

TEST(GifRender, UnusedTransparentIndexGivesNoMaskAndDrawsOpaque) {
    auto doc = MakeDoc(2, 1, {Red, Green, Blue});
    TGifFrame* frame = AddFrame(*doc, 2, 1, {0, 1});
    MakeTransparent(frame, 2);
    EXPECT_FALSE(frame->MaskAvailable());
    auto canvas = Canvas(2, 1, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 2, 1}, true, false);
    EXPECT_EQ(Rows(canvas.get())[0], "RG");
}

TEST(GifRender, ReplacingThePaletteRebuildsTheBitmap) {
    auto doc = MakeDoc(1, 1, {Red});
    TGifFrame* frame = AddFrame(*doc, 1, 1, {0});
    frame->GetLocalColorMap()->AppendColor(Green);
    vcl::TBitmap* before = frame->FrameBitmap();
    ASSERT_NE(before, nullptr);
    EXPECT_TRUE(frame->BitmapBuilt());
    frame->ReplaceFramePalette(CreateWebSafePalette());
    EXPECT_FALSE(frame->BitmapBuilt());
    EXPECT_TRUE(doc->GetPaletteModified());
    // A colour change of the local table drops the frame's palette and the next bitmap shows it.
    frame->GetLocalColorMap()->SetEntryColor(0, Blue);
    frame->FreeFrameBitmap();
    auto canvas = Canvas(1, 1, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 1, 1}, false, false);
    EXPECT_EQ(Rows(canvas.get())[0], "B");
}

TEST(GifRender, PaintFrameScalesTheFrameIntoTheScreenRectangle) {
    auto doc = MakeDoc(40, 40, {Red});
    TGifFrame* frame = AddFrame(*doc, 20, 20, Bytes(400, 0), 10, 10);
    EXPECT_EQ(frame->ScaleToTarget({0, 0, 80, 80}), (vcl::TRect{20, 20, 60, 60}));
    EXPECT_EQ(frame->ScaleToTarget({5, 5, 45, 25}), (vcl::TRect{15, 10, 35, 20}));
    auto canvas = Canvas(80, 80, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 80, 80}, false, false);
    auto rows = Rows(canvas.get());
    EXPECT_EQ(rows[19], std::string(80, 'W'));
    EXPECT_EQ(rows[20], std::string(20, 'W') + std::string(40, 'R') + std::string(20, 'W'));
    EXPECT_EQ(rows[59][59], 'R');
    EXPECT_EQ(rows[60][40], 'W');
}

TEST(GifRender, TilesStartAtTheFramePositionAndStepByTheScreen) {
    auto doc = MakeDoc(20, 20, {Red, Blue});
    Bytes pixels(100, 0);
    pixels[0] = 1; // top-left corner marks each tile
    TGifFrame* frame = AddFrame(*doc, 10, 10, pixels, 5, 5);
    for (bool transparent : {false, true}) {
        if (transparent)
            MakeTransparent(frame, 0);
        auto canvas = Canvas(50, 30, White);
        frame->PaintFrame(canvas->GetCanvas(), {0, 0, 50, 30}, transparent, true);
        auto rows = Rows(canvas.get());
        std::vector<std::pair<int, int>> corners;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 50; ++x)
                if (rows[size_t(y)][size_t(x)] == 'B')
                    corners.emplace_back(x, y);
        EXPECT_EQ(corners,
                  (std::vector<std::pair<int, int>>{{5, 5}, {25, 5}, {45, 5}, {5, 25}, {25, 25}, {45, 25}}))
            << "transparent " << transparent;
        EXPECT_EQ(rows[6][6], transparent ? 'W' : 'R');
    }
}

TEST(GifRender, ZeroSizedScreenNeitherDividesNorLoopsForever) {
    TGifDocument doc;
    doc.GlobalColorMap()->AppendColor(Red);
    TGifFrame* frame = AddFrame(doc, 2, 2, Bytes(4, 0));
    doc.GetHeader()->ScreenDescriptor().Width = 0; // a hostile descriptor
    doc.GetHeader()->ScreenDescriptor().Height = 0;
    auto canvas = Canvas(6, 6, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 6, 6}, false, true);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 6, 6}, false, false);
    EXPECT_EQ(Rows(canvas.get())[5], "RRRRRR");
}

TEST(GifRender, TransparentStretchCopyKeepsTheDestinationAndItsColours) {
    auto doc = MakeDoc(2, 2, {Red, Green});
    TGifFrame* frame = AddFrame(*doc, 2, 2, {0, 1, 1, 0});
    MakeTransparent(frame, 1);
    ASSERT_TRUE(frame->MaskAvailable());
    for (int scale : {1, 3}) {
        auto canvas = Canvas(6, 6, Gray);
        win::HDC dc = canvas->GetCanvas()->GetHandle();
        win::SetTextColor(dc, 0x123456);
        win::SetBkColor(dc, 0x654321);
        win::HDC maskDC = win::CreateCompatibleDC(nullptr);
        win::HGDIOBJ old = win::SelectObject(maskDC, frame->GetMask());
        TransparentStretchCopy(dc, 0, 0, 2 * scale, 2 * scale, frame->FrameBitmap()->GetCanvas()->GetHandle(),
                               0, 0, 2, 2, maskDC, 0, 0);
        win::SelectObject(maskDC, old);
        win::DeleteDC(maskDC);
        EXPECT_EQ(win::GetTextColor(dc), 0x123456u);
        EXPECT_EQ(win::GetBkColor(dc), 0x654321u);
        auto rows = Rows(canvas.get());
        EXPECT_EQ(rows[0], scale == 1 ? "R....." : "RRR...") << scale;
        EXPECT_EQ(rows[2 * scale - 1], scale == 1 ? ".R...." : "...RRR") << scale;
    }
}

TEST(GifRender, LargeFramesSampledShowWhatTheirBitmapShows) {
    // A frame above the size drawn without a bitmap is sampled straight from its pixels (1:1 a run of each
    // row, opaque ones through plain memory in strips). The same frame's bitmap, drawn through the general
    // path (a stretched copy, or the masked copy when transparent), must show the same colours: tables of
    // 2, 16 and 256 entries (indices beyond a short table show black), with and without a transparent index,
    // at an odd width, hanging over every edge of the target, and twice as large. Only the alpha bytes may
    // differ: a sampled pixel carries 0 there, a copy from the bitmap keeps the target's.
    constexpr int fw = 1001, fh = 501, tw = 301, th = 201;
    std::mt19937 rng(5);
    struct Place {
        int X, Y, Scale;
    } places[] = {{-350, -150, 1}, {100, 50, 1}, {-900, -400, 1}, {-1, -1, 1}, {-350, -150, 2}, {37, 11, 2}};
    for (int entries : {2, 16, 256})
        for (bool transparent : {false, true}) {
            auto doc = std::make_unique<TGifDocument>();
            for (int i = 0; i < entries; ++i)
                doc->GlobalColorMap()->AppendColor(vcl::TColor(rng() & 0xFFFFFF));
            Bytes pixels(size_t(fw) * fh);
            for (auto& p : pixels)
                p = uint8_t(rng() % std::min(entries + 1, 256));
            TGifFrame* frame = AddFrame(*doc, fw, fh, pixels);
            if (transparent)
                MakeTransparent(frame, entries / 2);
            for (const Place& p : places) {
                SCOPED_TRACE(::testing::Message() << entries << " entries" << (transparent ? ", transparent" : "")
                                                  << " at " << p.X << "," << p.Y << " x" << p.Scale);
                const vcl::TRect rect{p.X, p.Y, p.X + fw * p.Scale, p.Y + fh * p.Scale};
                auto sampled = Canvas(tw, th, Gray), general = Canvas(tw, th, Gray);
                for (int y = 0; y < th; ++y)
                    for (int x = 0; x < tw; ++x) {
                        const uint32_t c = rng() & 0xFFFFFF;
                        static_cast<uint32_t*>(sampled->ScanLine(y))[x] = c;
                        static_cast<uint32_t*>(general->ScanLine(y))[x] = c;
                    }
                frame->PaintFrameAt(sampled->GetCanvas(), rect, transparent, false);
                EXPECT_FALSE(frame->BitmapBuilt());

                vcl::TBitmap* bitmap = frame->FrameBitmap();
                ASSERT_NE(bitmap, nullptr);
                if (transparent && frame->MaskAvailable()) {
                    win::HDC maskDC = win::CreateCompatibleDC(nullptr);
                    win::HGDIOBJ old = win::SelectObject(maskDC, frame->GetMask());
                    TransparentStretchCopy(general->GetCanvas()->GetHandle(), rect.Left, rect.Top,
                                           rect.Right - rect.Left, rect.Bottom - rect.Top,
                                           bitmap->GetCanvas()->GetHandle(), 0, 0, fw, fh, maskDC, 0, 0);
                    win::SelectObject(maskDC, old);
                    win::DeleteDC(maskDC);
                } else {
                    general->GetCanvas()->StretchDraw(rect, bitmap);
                }
                frame->FreeFrameBitmap();
                for (int y = 0; y < th; ++y) {
                    const auto* a = static_cast<const uint32_t*>(sampled->ScanLine(y));
                    const auto* b = static_cast<const uint32_t*>(general->ScanLine(y));
                    for (int x = 0; x < tw; ++x)
                        ASSERT_EQ(a[x] & 0xFFFFFF, b[x] & 0xFFFFFF) << x << "," << y;
                }
            }
        }
}

TEST(GifRender, DitheredFramesUseTheWebPaletteAndKeepTheirMask) {
    auto doc = MakeDoc(5, 2, {0x336699, 0x000000});
    doc->SetPaintOptions(TGifPaintOptions{gpoDither});
    ASSERT_TRUE(doc->DitherActive());
    TGifFrame* frame = AddFrame(*doc, 5, 2, {0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    MakeTransparent(frame, 1);
    ASSERT_TRUE(frame->MaskAvailable());
    vcl::TBitmap* bitmap = frame->FrameBitmap();
    // 0x336699 is red 0x99, green 0x66, blue 0x33: cube place 3*36 + 2*6 + 1.
    for (int y = 0; y < 2; ++y) {
        const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(row[x], (x == 2 && y == 0) || (x == 4 && y == 1) ? 0 : 121) << x << "," << y;
    }
    auto canvas = Canvas(5, 2, White);
    frame->PaintFrame(canvas->GetCanvas(), {0, 0, 5, 2}, true, false);
    EXPECT_EQ(Rows(canvas.get())[0].substr(2, 1), "W");
}

TEST(GifRender, PalettesComeFromTheTablesAndFailWithoutAny) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 1, 1, {0});
    EXPECT_THROW(
        {
            try {
                doc.GetPalette();
            } catch (const EGifError& e) {
                EXPECT_STREQ(e.what(), "No global or local color table defined");
                throw;
            }
        },
        EGifError);
    frame->GetLocalColorMap()->AppendColor(Green);
    win::HPALETTE palette = doc.GetPalette();
    ASSERT_NE(palette, nullptr);
    win::PALETTEENTRY e{};
    win::GetPaletteEntries(palette, 0, 1, &e);
    EXPECT_EQ(e.peGreen, 255);
    doc.GlobalColorMap()->AppendColor(Blue);
    ASSERT_NE(doc.GetPalette(), nullptr);
    win::GetPaletteEntries(doc.GetPalette(), 0, 1, &e);
    EXPECT_EQ(e.peBlue, 255) << "the global table's colour change dropped the cached palette";
}

TEST(GifRender, ScreenBitmapShowsFrameZeroOnTheScreen) {
    auto doc = MakeDoc(3, 1, {Red, Green});
    AddFrame(*doc, 3, 1, {0, 1, 0});
    vcl::TBitmap* screen = doc->ScreenBitmap();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetPixelFormat(), vcl::pf8bit) << "a copy of frame 0's bitmap";
    EXPECT_EQ(Rows(screen)[0], "RGR");
    EXPECT_EQ(doc->ScreenBitmap(), screen);

    auto small = MakeDoc(4, 2, {Red, Green});
    AddFrame(*small, 2, 1, {1, 1}, 1, 1);
    vcl::TBitmap* painted = small->ScreenBitmap();
    ASSERT_NE(painted, nullptr);
    EXPECT_EQ(Rows(painted)[1], "WGGW");
    EXPECT_EQ(Rows(painted)[0], "WWWW");
    small->FreeScreenBitmap();
    EXPECT_EQ(small->GetCachedBitmap(), nullptr);
    vcl::TBitmap copy;
    copy.Assign(small.get());
    EXPECT_EQ(Rows(&copy)[1], "WGGW") << "a bitmap takes the screen bitmap";
}

TEST(GifRender, RenderingReportsProgressAndLargeFramesRender) {
    auto doc = MakeDoc(1000, 600, {Red, Green});
    TGifFrame* frame = AddFrame(*doc, 1000, 600, Bytes(600000, 1));
    std::vector<int> percents;
    doc->OnProgress = [&](vcl::TObject* sender, vcl::TProgressStage, uint8_t percent, bool, const vcl::TRect&,
                          const std::string& msg) {
        EXPECT_EQ(sender, frame);
        EXPECT_EQ(msg, "Rendering...");
        percents.push_back(percent);
    };
    vcl::TBitmap* bitmap = frame->FrameBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 1000);
    EXPECT_EQ(static_cast<const uint8_t*>(bitmap->ScanLine(599))[999], 1);
    ASSERT_EQ(percents.size(), 2u + 19u); // start, rows 0, 32, ..., 576, end
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
}
