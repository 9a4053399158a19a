#include "gif/GifOctree.h"

#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gif;

namespace {

struct Px {
    uint8_t R, G, B;
    bool operator==(const Px&) const = default;
};

// A 24-bit bitmap with the given pixels, `width` to a row.
void Fill(vcl::TBitmap& bitmap, const std::vector<Px>& pixels, int width) {
    int height = int(pixels.size()) / width;
    TDIBWriter writer(&bitmap, vcl::pf24bit, width, height, nullptr);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = writer.RowPointer(y);
        for (int x = 0; x < width; ++x) {
            const Px& c = pixels[size_t(y * width + x)];
            row[x * 3] = c.B;
            row[x * 3 + 1] = c.G;
            row[x * 3 + 2] = c.R;
        }
    }
}

std::vector<Px> Entries(win::HPALETTE palette) {
    win::PALETTEENTRY e[256];
    win::UINT n = win::GetPaletteEntries(palette, 0, 256, e);
    std::vector<Px> out;
    for (win::UINT i = 0; i < n; ++i)
        out.push_back({e[i].peRed, e[i].peGreen, e[i].peBlue});
    return out;
}

} // namespace

TEST(GifOctree, FewColoursStayExactAndCornersComeInChildOrder) {
    vcl::TBitmap one;
    Fill(one, std::vector<Px>(12, Px{12, 200, 99}), 4);
    win::HPALETTE p = BuildOctreePaletteFromBitmap(&one, 16, 8, false);
    auto e = Entries(p);
    ASSERT_EQ(e.size(), 16u);
    EXPECT_EQ(e[0], (Px{12, 200, 99}));
    win::DeleteObject(p);

    // The eight corners of the colour cube with a limit of 8: black, blue, green, cyan, red, magenta,
    // yellow, white.
    std::vector<Px> corners = {{255, 255, 255}, {255, 0, 0}, {0, 0, 0}, {0, 255, 255},
                               {0, 0, 255},     {255, 255, 0}, {0, 255, 0}, {255, 0, 255}};
    vcl::TBitmap cube;
    Fill(cube, corners, 4);
    p = BuildOctreePaletteFromBitmap(&cube, 8, 8, false);
    EXPECT_EQ(Entries(p), (std::vector<Px>{{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 255, 255}, {255, 0, 0},
                                           {255, 0, 255}, {255, 255, 0}, {255, 255, 255}}));
    win::DeleteObject(p);
}

TEST(GifOctree, MergingKeepsTheLimitAndAveragesWhatItMerges) {
    TColorQuantizer q(4, 8);
    for (int i = 0; i < 256; ++i)
        q.AddPixel(uint8_t(i), uint8_t(i), uint8_t(i));
    EXPECT_LE(q.GetLeafTotal(), 4);
    std::vector<uint8_t> table(size_t(q.GetLeafTotal()) * 4);
    q.CollectColors(table.data());
    // Greys merged into greys: every entry stays grey, and they come in rising order.
    for (int i = 0; i < q.GetLeafTotal(); ++i) {
        EXPECT_EQ(table[size_t(i) * 4], table[size_t(i) * 4 + 2]);
        if (i) {
            EXPECT_GT(table[size_t(i) * 4], table[size_t(i - 1) * 4]);
        }
    }
}

TEST(GifOctree, SystemColoursFrameThePicturesColours) {
    vcl::TBitmap bitmap;
    Fill(bitmap, {{1, 2, 3}, {4, 5, 6}}, 2);
    win::HPALETTE p = BuildOctreePaletteFromBitmap(&bitmap, 256, 8, true);
    auto e = Entries(p);
    ASSERT_EQ(e.size(), 256u);
    win::PALETTEENTRY stock[20];
    win::GetPaletteEntries(win::AsPalette(win::GetStockObject(win::DEFAULT_PALETTE)), 0, 20, stock);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(e[size_t(i)], (Px{stock[i].peRed, stock[i].peGreen, stock[i].peBlue}));
        EXPECT_EQ(e[size_t(246 + i)], (Px{stock[10 + i].peRed, stock[10 + i].peGreen, stock[10 + i].peBlue}));
    }
    EXPECT_EQ(e[10], (Px{1, 2, 3}));
    EXPECT_EQ(e[11], (Px{4, 5, 6}));
    EXPECT_EQ(e[12], (Px{0, 0, 0})); // entries the picture does not fill stay black
    win::DeleteObject(p);
}
