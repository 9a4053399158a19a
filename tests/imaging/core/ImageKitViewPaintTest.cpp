// The single-image view's painting: zoom tables, composing the back buffer, background styles, the pixel
// grid, the zoom filter, and the copy to the window.
#include "imaging/core/ImageKitView.h"

#include "platform/vcl/Canvas.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/gdi/Gdi.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <cstring>
#include <memory>
#include <stdexcept>

using namespace imaging;

namespace {

class ImageKitViewPaintTest : public iktest::ViewFixture {
protected:
    // A client-sized 24-bit bitmap the view renders into.
    std::unique_ptr<vcl::TBitmap> Render() {
        auto b = std::make_unique<vcl::TBitmap>();
        b->SetPixelFormat(vcl::pf24bit);
        b->SetSize(View->GetClientWidth(), View->GetClientHeight());
        View->RenderTo(b.get(), nullptr, nullptr);
        return b;
    }
    // A pixel as 0x00RRGGBB... as a COLORREF: red in the low byte.
    static uint32_t Pixel(vcl::TBitmap& b, int32_t x, int32_t y) {
        const uint8_t* p = static_cast<const uint8_t*>(b.ScanLine(y)) + 3 * x;
        return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
    }
    // The image pixel (x, y) of LoadGradient as a COLORREF.
    static uint32_t Gradient(int32_t x, int32_t y) { return 100u | uint32_t(y) << 8 | uint32_t(x) << 16; }
    static uint32_t SysColor(int index) { return uint32_t(win::GetSysColor(index)) & 0xFFFFFF; }
};

TEST_F(ImageKitViewPaintTest, ZoomTablesAtFiftyPerCent) {
    LoadGradient(40, 20);
    View->SetZoom(50);
    Render();
    const auto& s2b = View->ScreenToBitmapX();
    const auto& b2s = View->BitmapToScreenX();
    ASSERT_EQ(s2b.size(), 21u);
    for (size_t n = 0; n < s2b.size(); ++n)
        EXPECT_EQ(s2b[n], int32_t(2 * n));
    ASSERT_EQ(b2s.size(), 41u);
    // Shown columns map to their screen column, skipped ones to the next screen column.
    for (int32_t c = 0; c <= 40; ++c)
        EXPECT_EQ(b2s[size_t(c)], (c + 1) / 2) << c;
    EXPECT_EQ(View->XBmp2Scr(3), View->GetOffsetX() + 2);
    EXPECT_EQ(View->XScr2Bmp(View->GetOffsetX() + 5), 10);
}

TEST_F(ImageKitViewPaintTest, ZoomTablesAtThreeHundredPerCent) {
    LoadGradient(10, 10);
    View->SetZoom(300);
    Render();
    const auto& s2b = View->ScreenToBitmapY();
    const auto& b2s = View->BitmapToScreenY();
    ASSERT_EQ(s2b.size(), 31u);
    // The truncated 14-bit step (5461) gives a column three or four screen columns.
    std::vector<int> cover(10, 0);
    for (size_t n = 0; n < 30; ++n) {
        EXPECT_EQ(s2b[n], int32_t((5461 * int64_t(n)) >> 14));
        ++cover[size_t(s2b[n])];
    }
    for (int c = 0; c < 10; ++c) {
        // The last row shows only what the extent leaves of it.
        if (c < 9)
            EXPECT_TRUE(cover[size_t(c)] == 3 || cover[size_t(c)] == 4) << c;
        // Each bitmap row maps back to the first screen row that shows it.
        int32_t first = 0;
        while (s2b[size_t(first)] != c)
            ++first;
        EXPECT_EQ(b2s[size_t(c)], first) << c;
    }
}

TEST_F(ImageKitViewPaintTest, FarZoomKeepsTheTablesToTheClientArea) {
    LoadGradient(300, 200);
    // Far in, one bitmap pixel covers the whole client area; the zoomed size stays within 32 bits.
    for (double zoom : {1e7, 1e12}) {
        View->SetZoom(zoom);
        View->SetViewOrigin(View->GetZoomedWidth() / 2, View->GetZoomedHeight() / 2);
        auto b = Render();
        EXPECT_GE(View->GetZoomedWidth(), 0);
        EXPECT_LE(View->ScreenToBitmapX().size(), size_t(View->GetClientWidth()) + 1);
        EXPECT_LE(View->ScreenToBitmapY().size(), size_t(View->GetClientHeight()) + 1);
        const int32_t bx = View->XScr2Bmp(5), by = View->YScr2Bmp(5);
        ASSERT_GE(bx, 0);
        ASSERT_LT(bx, 300);
        ASSERT_GE(by, 0);
        ASSERT_LT(by, 200);
        EXPECT_EQ(Pixel(*b, 5, 5), Gradient(bx, by)) << zoom;
        EXPECT_EQ(Pixel(*b, View->GetClientWidth() - 1, View->GetClientHeight() - 1), Pixel(*b, 0, 0)) << zoom;
    }
}

TEST_F(ImageKitViewPaintTest, RenderCentredImageAtTwoHundredPerCent) {
    LoadGradient(4, 3);
    View->SetZoom(200);
    auto b = Render();
    const int32_t ox = (View->GetClientWidth() - 8) / 2, oy = (View->GetClientHeight() - 6) / 2;
    ASSERT_EQ(View->GetOffsetX(), ox);
    ASSERT_EQ(View->GetOffsetY(), oy);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(Pixel(*b, ox + x, oy + y), Gradient(x / 2, y / 2)) << x << "," << y;
    const uint32_t face = SysColor(win::COLOR_BTNFACE);
    for (auto [x, y] : {std::pair{ox - 1, oy}, {ox + 8, oy}, {ox, oy - 1}, {ox, oy + 6}, {0, 0}})
        EXPECT_EQ(Pixel(*b, x, y), face) << x << "," << y;

    // The window shows the same through its back buffer (its client area starts inside the 2-pixel edge).
    Pump();
    for (auto [x, y] : {std::pair{0, 0}, {7, 5}, {3, 2}})
        EXPECT_EQ(uint32_t(FScreen.WindowPixel(View->GetHandle(), 2 + ox + x, 2 + oy + y)), Gradient(x / 2, y / 2));
    EXPECT_EQ(uint32_t(FScreen.WindowPixel(View->GetHandle(), 2, 2)), face);
}

TEST_F(ImageKitViewPaintTest, BackgroundStyles) {
    LoadGradient(4, 3);
    const int32_t left = View->GetOffsetX(), top = View->GetOffsetY();
    const uint32_t face = SysColor(win::COLOR_BTNFACE);
    // The default background is the system colour clBtnFace: its complement is that of its RGB value.
    const uint32_t inverse = ~face & 0xFFFFFF;
    const uint32_t red = 0x0000FF;

    View->SetBackgroundStyle(ikbsSolid);
    EXPECT_EQ(Pixel(*Render(), 5, 9), face);

    View->SetBackground(red);
    View->SetBackgroundStyle(ikbsHorizontal);
    auto hatch = Render();
    // Lines of the colour every 8 rows, over its complement.
    int lines = 0;
    for (int32_t y = 0; y < 16; ++y) {
        const uint32_t p = Pixel(*hatch, 3, y);
        EXPECT_TRUE(p == red || p == (~red & 0xFFFFFF)) << y;
        lines += p == red;
        EXPECT_EQ(Pixel(*hatch, 40, y), p);
    }
    EXPECT_EQ(lines, 2);

    View->SetBackground(vcl::clBtnFace);
    View->SetBackgroundStyle(ikbsChessboard);
    auto chess = Render();
    for (auto [x, y, c] : {std::tuple{0, 0, inverse}, {15, 15, inverse}, {16, 0, face}, {0, 16, face},
                           {16, 16, inverse}, {40, 20, face}})
        EXPECT_EQ(Pixel(*chess, x, y), c) << x << "," << y;
    View->SetChessboardSize(5);
    EXPECT_EQ(Pixel(*Render(), 5, 0), face);

    View->SetBackgroundStyle(ikbsDiagonals);
    auto diag = Render();
    EXPECT_EQ(Pixel(*diag, 0, 0), inverse);
    EXPECT_EQ(Pixel(*diag, 20, 0), face);
    // The diagonal from the top-left corner crosses column 20 near row 20 * height / width.
    const int32_t row = 20 * View->GetClientHeight() / View->GetClientWidth();
    bool crossed = false;
    for (int32_t y = row - 1; y <= row + 1; ++y)
        crossed |= Pixel(*diag, 20, y) == inverse;
    EXPECT_TRUE(crossed);

    // Cropped: the button face with a sunken edge around the image, widened by the edge size.
    View->SetBackground(red);
    View->SetBackgroundStyle(ikbsCropped);
    auto cropped = Render();
    const int32_t ex = IKDisplay().EdgeWidth, ey = IKDisplay().EdgeHeight;
    EXPECT_EQ(Pixel(*cropped, 0, 0), face);
    EXPECT_EQ(Pixel(*cropped, left - ex, top - ey), SysColor(win::COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(*cropped, left + 4 + ex - 1, top + 3 + ey - 1), SysColor(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(*cropped, left, top), Gradient(0, 0));

    // The drop shadow right of and below the image, only for images of at least 2 x 2 pixels.
    View->SetBackgroundStyle(ikbsCropShadow);
    auto shadow = Render();
    EXPECT_EQ(Pixel(*shadow, 0, 0), face);
    EXPECT_NE(Pixel(*shadow, left + 4, top + 3 + 1), face);
    LoadGradient(1, 1);
    const int32_t l1 = View->GetOffsetX(), t1 = View->GetOffsetY();
    auto none = Render();
    for (int32_t d = 0; d < 6; ++d) {
        EXPECT_EQ(Pixel(*none, l1 + 1 + d, t1 + 1), face);
        EXPECT_EQ(Pixel(*none, l1 + 1, t1 + 1 + d), face);
    }
}

TEST_F(ImageKitViewPaintTest, PixelGridFromFourHundredPerCent) {
    LoadGradient(4, 3);
    View->SetDisplayGrid(true);
    for (double zoom : {400.0, 399.0}) {
        View->SetZoom(zoom);
        auto b = Render();
        // The line of row 1 runs at the first screen row of bitmap row 1.
        const int32_t x = View->GetOffsetX() + 1, y = View->YBmp2Scr(1);
        const uint32_t inverted = ~Gradient(0, 1) & 0xFFFFFF;
        EXPECT_EQ(Pixel(*b, x, y), zoom >= 400 ? inverted : Gradient(0, 1)) << zoom;
        EXPECT_EQ(Pixel(*b, x, y + 1), Gradient(0, 1)) << zoom;
    }
}

TEST_F(ImageKitViewPaintTest, ZoomFilterOnlyWhenZoomed) {
    // Black and white columns: nearest neighbour keeps them pure, a filter mixes them.
    TIKBitmap* image = View->GetIKBitmap();
    image->Allocate(6, 2, ikbf24Bit);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 6; ++x)
            std::memset(image->ScanLine(y) + 3 * x, x % 2 ? 255 : 0, 3);
    View->Update();
    auto mixed = [&](vcl::TBitmap& b) {
        int count = 0;
        for (int32_t x = 0; x < View->GetExtentX(); ++x) {
            const uint32_t p = Pixel(b, View->GetOffsetX() + x, View->GetOffsetY());
            count += p != 0 && p != 0xFFFFFF;
        }
        return count;
    };
    View->SetZoom(250);
    EXPECT_EQ(mixed(*Render()), 0);
    View->SetZoomFilter(rfTriangle);
    EXPECT_GT(mixed(*Render()), 0);
    View->SetZoom(100);
    EXPECT_EQ(mixed(*Render()), 0);
}

TEST_F(ImageKitViewPaintTest, OnPaintThatRaisesEscapesNowhere) {
    LoadGradient(4, 3);
    int paints = 0;
    View->OnPaint = [&](vcl::TObject*) {
        ++paints;
        throw std::runtime_error("painting failed");
    };
    View->Invalidate();
    EXPECT_NO_THROW(Pump());
    EXPECT_GT(paints, 0);
    // A locked view copies nothing but still reports its paint.
    View->LockPaint();
    paints = 0;
    View->Invalidate();
    EXPECT_NO_THROW(Pump());
    EXPECT_EQ(paints, 1);
    View->UnlockPaint();
}

} // namespace
