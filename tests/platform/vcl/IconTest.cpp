#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace vcl;

namespace {

void IconPut16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void IconPut32(std::vector<uint8_t>& v, uint32_t x) {
    IconPut16(v, x & 0xFFFF);
    IconPut16(v, x >> 16);
}

// One icon image: a 40-byte header counting both halves, the colour table, XOR rows and AND rows (bottom-up).
std::vector<uint8_t> IconImage(int w, int h, int bits, const std::vector<uint32_t>& palette,
                               const std::vector<uint8_t>& xorRows, const std::vector<uint8_t>& andRows) {
    std::vector<uint8_t> v;
    IconPut32(v, 40);
    IconPut32(v, uint32_t(w));
    IconPut32(v, uint32_t(2 * h));
    IconPut16(v, 1);
    IconPut16(v, uint32_t(bits));
    for (int i = 0; i < 6; ++i)
        IconPut32(v, i == 4 ? uint32_t(palette.size()) : 0);
    for (uint32_t c : palette)
        IconPut32(v, c);
    v.insert(v.end(), xorRows.begin(), xorRows.end());
    v.insert(v.end(), andRows.begin(), andRows.end());
    return v;
}

std::vector<uint8_t>
IconFile(const std::vector<std::pair<std::vector<uint8_t>, std::array<int, 3>>>& images) {
    std::vector<uint8_t> v;
    IconPut16(v, 0);
    IconPut16(v, 1);
    IconPut16(v, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (auto& [data, whb] : images) {
        v.push_back(uint8_t(whb[0]));
        v.push_back(uint8_t(whb[1]));
        v.push_back(0);
        v.push_back(0);
        IconPut16(v, 1);
        IconPut16(v, uint32_t(whb[2]));
        IconPut32(v, uint32_t(data.size()));
        IconPut32(v, offset);
        offset += uint32_t(data.size());
    }
    for (auto& image : images)
        v.insert(v.end(), image.first.begin(), image.first.end());
    return v;
}

// A 2 x 2 8-bit image and a 4 x 4 24-bit one (nearer to 32 x 32, so it is shown). In the 24-bit image the
// top-left pixel is masked out; the rest is red, the bottom row blue.
std::vector<uint8_t> TwoImageIcon() {
    auto small = IconImage(2, 2, 8, {0x00FF00, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0});
    std::vector<uint8_t> xorRows;
    for (int row = 0; row < 4; ++row) // bottom-up: row 0 is the bottom
        for (int x = 0; x < 4; ++x) {
            xorRows.push_back(row == 0 ? 255 : 0);
            xorRows.push_back(0);
            xorRows.push_back(row == 0 ? 0 : 255);
        }
    std::vector<uint8_t> andRows(16, 0);
    andRows[12] = 0x80; // top row (stored last), first pixel
    auto large = IconImage(4, 4, 24, {}, xorRows, andRows);
    return IconFile({{small, {2, 2, 8}}, {large, {4, 4, 24}}});
}

} // namespace

TEST(TIcon, ReadsTheImageNearestToStandardSizeWithItsMask) {
    auto bytes = TwoImageIcon();
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TIcon icon;
    icon.LoadFromStream(&stream);
    EXPECT_EQ(icon.GetImageCount(), 2);
    ASSERT_EQ(icon.GetWidth(), 4);
    ASSERT_EQ(icon.GetHeight(), 4);
    uint8_t alpha = 0;
    const TDibImage& image = icon.GetImage();
    EXPECT_EQ(DibPixelColor(image.Format, image.TopRow(0), 1, &alpha), 0xFF0000u);
    EXPECT_EQ(alpha, 255);
    DibPixelColor(image.Format, image.TopRow(0), 0, &alpha);
    EXPECT_EQ(alpha, 0);
    EXPECT_EQ(DibPixelColor(image.Format, image.TopRow(3), 2, &alpha), 0x0000FFu);

    // Drawn, the masked pixel leaves the background; saving gives the same bytes back.
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(4, 4);
    target.GetCanvas()->GetBrush()->SetColor(clLime);
    target.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    target.GetCanvas()->Draw(0, 0, &icon);
    EXPECT_EQ(target.GetCanvas()->GetPixel(0, 0), clLime);
    EXPECT_EQ(target.GetCanvas()->GetPixel(1, 0), clRed);
    EXPECT_EQ(target.GetCanvas()->GetPixel(1, 3), clBlue);
    TMemoryStream saved;
    icon.SaveToStream(&saved);
    ASSERT_EQ(saved.GetSize(), int64_t(bytes.size()));
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(saved.Memory()),
                                   static_cast<uint8_t*>(saved.Memory()) + saved.GetSize()),
              bytes);
}

TEST(TIcon, ThirtyTwoBitImagesCarryTheirAlpha) {
    std::vector<uint8_t> xorRows = {10, 20, 30, 128, 1, 2, 3, 0};
    auto image = IconImage(2, 1, 32, {}, xorRows, {0, 0, 0, 0});
    auto bytes = IconFile({{image, {2, 1, 32}}});
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TIcon icon;
    icon.LoadFromStream(&stream);
    uint8_t alpha = 0;
    EXPECT_EQ(DibPixelColor(icon.GetImage().Format, icon.GetImage().TopRow(0), 0, &alpha), 0x1E140Au);
    EXPECT_EQ(alpha, 128);
    DibPixelColor(icon.GetImage().Format, icon.GetImage().TopRow(0), 1, &alpha);
    EXPECT_EQ(alpha, 0);
}

TEST(TIcon, MalformedStreamsAreRefused) {
    auto good = TwoImageIcon();
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    cases.push_back({"empty", {}});
    auto b = good;
    b[2] = 3;
    cases.push_back({"not an icon directory", b});
    b = good;
    b[4] = 40;
    cases.push_back({"directory longer than the stream", b});
    b = good;
    b[6 + 16 + 12] = 0xF0;
    cases.push_back({"image offset past the end", b});
    b = good;
    b.resize(b.size() - 20);
    cases.push_back({"image cut", b});
    auto png = IconFile({{{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0}, {32, 32, 32}}});
    cases.push_back({"PNG image", png});
    for (auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
        TIcon icon;
        EXPECT_THROW(icon.LoadFromStream(&stream), EInvalidGraphic);
        EXPECT_TRUE(icon.GetEmpty());
    }
}

TEST(TIcon, HandlesRoundTripThroughTheIconLayer) {
    auto bytes = TwoImageIcon();
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TIcon icon;
    icon.LoadFromStream(&stream);
    win::HICON handle = icon.GetHandle();
    ASSERT_NE(handle, nullptr);
    win::ICONINFO info{};
    ASSERT_TRUE(win::GetIconInfo(handle, &info));
    TBitmap mask;
    mask.SetHandle(info.hbmMask);
    EXPECT_EQ(mask.GetCanvas()->GetPixel(0, 0), clWhite); // the transparent corner
    EXPECT_EQ(mask.GetCanvas()->GetPixel(1, 0), clBlack);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(info.hbmColor));

    // Another icon takes a copy of the handle: same picture, and a stream that reads back.
    TIcon copy;
    copy.SetHandle(win::CopyIcon(handle));
    ASSERT_EQ(copy.GetWidth(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t a1 = 0, a2 = 0;
            EXPECT_EQ(DibPixelColor(copy.GetImage().Format, copy.GetImage().TopRow(y), x, &a1),
                      DibPixelColor(icon.GetImage().Format, icon.GetImage().TopRow(y), x, &a2));
            EXPECT_EQ(a1, a2);
        }
    TMemoryStream saved;
    copy.SaveToStream(&saved);
    saved.SetPosition(0);
    TIcon back;
    back.LoadFromStream(&saved);
    EXPECT_EQ(back.GetWidth(), 4);
    EXPECT_EQ(back.GetImageCount(), 1);
}

TEST(TIcon, ABitmapTakesAnIconByDrawingItOnWhite) {
    auto bytes = TwoImageIcon();
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TIcon icon;
    icon.LoadFromStream(&stream);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.Assign(&icon);
    ASSERT_EQ(b.GetWidth(), 4);
    EXPECT_EQ(b.GetPixelFormat(), pf24bit);
    EXPECT_EQ(b.GetCanvas()->GetPixel(0, 0), clWhite); // transparent: the white background
    EXPECT_EQ(b.GetCanvas()->GetPixel(1, 0), clRed);
    EXPECT_EQ(b.GetCanvas()->GetPixel(0, 3), clBlue);
    // An icon cannot be resized, and an empty one assigns an empty bitmap.
    EXPECT_THROW(icon.SetWidth(8), EInvalidGraphicOperation);
    TIcon empty;
    b.Assign(&empty);
    EXPECT_TRUE(b.GetEmpty());
}
