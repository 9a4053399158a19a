#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vcl;

namespace {

// Builds BMP bytes by hand, independently of the writer under test.
struct BmpSpec {
    uint32_t HeaderSize = 40;
    int32_t Width = 3;
    int32_t Height = 2; // negative = top-down
    uint16_t Bits = 8;
    uint32_t Compression = 0;
    std::vector<uint32_t> Palette; // 0x00RRGGBB
    std::vector<uint32_t> Masks;   // written after a 40-byte header, or inside a V2+ header
    std::vector<uint8_t> Pixels;   // stored pixel data as it goes into the file
    uint32_t ClrUsed = 0;
    int32_t OffBitsDelta = 0; // added to the correct offset
    uint16_t Planes = 1;
};

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

std::vector<uint8_t> MakeBmp(const BmpSpec& s) {
    std::vector<uint8_t> h;
    Put32(h, s.HeaderSize);
    if (s.HeaderSize == 12) {
        Put16(h, uint32_t(s.Width));
        Put16(h, uint32_t(s.Height));
        Put16(h, s.Planes);
        Put16(h, s.Bits);
    } else {
        Put32(h, uint32_t(s.Width));
        Put32(h, uint32_t(s.Height));
        Put16(h, s.Planes);
        Put16(h, s.Bits);
        Put32(h, s.Compression);
        Put32(h, uint32_t(s.Pixels.size()));
        Put32(h, 2835);
        Put32(h, 2835);
        Put32(h, s.ClrUsed);
        Put32(h, 0);
        if (s.HeaderSize >= 52 && s.HeaderSize != 64)
            for (size_t i = 0; i < 4; ++i)
                Put32(h, i < s.Masks.size() ? s.Masks[i] : 0);
        h.resize(s.HeaderSize, 0);
        if (s.HeaderSize == 40)
            for (uint32_t m : s.Masks)
                Put32(h, m);
    }
    for (uint32_t c : s.Palette) {
        h.push_back(uint8_t(c));
        h.push_back(uint8_t(c >> 8));
        h.push_back(uint8_t(c >> 16));
        if (s.HeaderSize != 12)
            h.push_back(0);
    }
    std::vector<uint8_t> file = {'B', 'M'};
    Put32(file, uint32_t(14 + h.size() + s.Pixels.size()));
    Put32(file, 0);
    Put32(file, uint32_t(int32_t(14 + h.size()) + s.OffBitsDelta));
    file.insert(file.end(), h.begin(), h.end());
    file.insert(file.end(), s.Pixels.begin(), s.Pixels.end());
    return file;
}

TDibImage Decode(const std::vector<uint8_t>& bytes) {
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    return ReadBmp(&stream);
}

// The picture as rows of 0x00RRGGBB from the top.
std::vector<std::vector<uint32_t>> Colors(const TDibImage& image) {
    std::vector<std::vector<uint32_t>> rows;
    for (int32_t y = 0; y < image.Format.Height; ++y) {
        std::vector<uint32_t> row;
        for (int32_t x = 0; x < image.Format.Width; ++x)
            row.push_back(DibPixelColor(image.Format, image.TopRow(y), x));
        rows.push_back(row);
    }
    return rows;
}

const std::vector<uint32_t> Gray16 = [] {
    std::vector<uint32_t> p;
    for (uint32_t i = 0; i < 16; ++i)
        p.push_back(i * 0x111111);
    return p;
}();

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, gray 0x808080.
const std::vector<std::vector<uint32_t>> Expected = {{0xFF0000, 0x00FF00, 0x0000FF},
                                                     {0xFFFFFF, 0x000000, 0x808080}};
const std::vector<uint32_t> Palette8 = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};

// Rows given top first; stored bottom-up unless topDown.
std::vector<uint8_t> Rows(std::vector<std::vector<uint8_t>> top, bool topDown) {
    if (!topDown)
        std::reverse(top.begin(), top.end());
    std::vector<uint8_t> out;
    for (auto& r : top) {
        r.resize((r.size() + 3) & ~size_t(3), 0);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

} // namespace

TEST(BmpReader, EveryHeaderVersionReadsTheSamePicture) {
    for (uint32_t headerSize : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        SCOPED_TRACE("header size " + std::to_string(headerSize));
        BmpSpec s;
        s.HeaderSize = headerSize;
        s.Palette = Palette8;
        s.ClrUsed = headerSize == 16 ? 0 : 6;
        if (headerSize == 12 || headerSize == 16) {
            s.Palette.resize(256, 0); // no colour count in these headers: the table is full
        }
        s.Pixels = Rows({{0, 1, 2}, {3, 4, 5}}, false);
        TDibImage image = Decode(MakeBmp(s));
        EXPECT_EQ(image.Format.BitCount, 8);
        EXPECT_EQ(Colors(image), Expected);
    }
}

TEST(BmpReader, DepthsAndRowOrders) {
    struct Case {
        const char* Name;
        uint16_t Bits;
        uint32_t Compression;
        std::vector<uint32_t> Masks;
        std::vector<uint32_t> Palette;
        std::vector<std::vector<uint8_t>> TopRows;
        uint16_t DecodedBits;
        uint32_t HeaderSize = 40;
    };
    auto le16 = [](uint32_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8)}; };
    auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> out;
        for (auto& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const std::vector<Case> cases = {
        {"1 bit", 1, 0, {}, {0xFFFFFF, 0x000000}, {{0b00100000}, {0b01000000}}, 1},
        {"4 bits", 4, 0, {}, Palette8, {{0x01, 0x20}, {0x34, 0x50}}, 4},
        {"8 bits", 8, 0, {}, Palette8, {{0, 1, 2}, {3, 4, 5}}, 8},
        {"16 bits 5-5-5",
         16,
         0,
         {},
         {},
         {cat({le16(0x7C00), le16(0x03E0), le16(0x001F)}), cat({le16(0x7FFF), le16(0), le16(0x4210)})},
         16},
        {"16 bits 5-6-5",
         16,
         3,
         {0xF800, 0x07E0, 0x001F},
         {},
         {cat({le16(0xF800), le16(0x07E0), le16(0x001F)}), cat({le16(0xFFFF), le16(0), le16(0x8410)})},
         16},
        {"16 bits 4-4-4 in a V3 header",
         16,
         3,
         {0x0F00, 0x00F0, 0x000F, 0xF000},
         {},
         {cat({le16(0xFF00), le16(0xF0F0), le16(0xF00F)}), cat({le16(0xFFFF), le16(0xF000), le16(0xF888)})},
         32,
         56},
        {"24 bits",
         24,
         0,
         {},
         {},
         {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 128, 128, 128}},
         24},
        {"32 bits",
         32,
         0,
         {},
         {},
         {{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, {255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128, 0}},
         32},
        {"32 bits R,G,B,X fields",
         32,
         3,
         {0xFF000000, 0xFF0000, 0xFF00},
         {},
         {{0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}, {0, 255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128}},
         32},
    };
    // 5-bit 16 (0x10) widens to 0x84 and 6-bit 32 (0x20) to 0x82: full scale stays full scale.
    auto expectedFor = [](const Case& c) {
        auto e = Expected;
        if (c.Bits == 1)
            return std::vector<std::vector<uint32_t>>{{0xFFFFFF, 0xFFFFFF, 0}, {0xFFFFFF, 0, 0xFFFFFF}};
        if (std::string(c.Name) == "16 bits 5-5-5" || std::string(c.Name) == "16 bits 5-6-5")
            e[1][2] = std::string(c.Name) == "16 bits 5-5-5" ? 0x848484 : 0x848284;
        if (std::string(c.Name).find("4-4-4") != std::string::npos)
            e[1][2] = 0x888888;
        return e;
    };
    for (const Case& c : cases) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (topDown ? " top-down" : " bottom-up"));
            BmpSpec s;
            s.HeaderSize = c.HeaderSize;
            s.Bits = c.Bits;
            s.Compression = c.Compression;
            s.Masks = c.Masks;
            s.Palette = c.Palette;
            s.ClrUsed = uint32_t(c.Palette.size());
            s.Height = topDown ? -2 : 2;
            s.Pixels = Rows(c.TopRows, topDown);
            TDibImage image = Decode(MakeBmp(s));
            EXPECT_EQ(image.Format.BitCount, c.DecodedBits);
            EXPECT_EQ(image.Format.Height, 2);
            EXPECT_EQ(Colors(image), expectedFor(c));
        }
    }
}

TEST(BmpReader, AlphaIsKeptFromAlphaMasks) {
    BmpSpec s;
    s.HeaderSize = 108;
    s.Bits = 32;
    s.Compression = 3;
    s.Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    s.Width = 2;
    s.Height = 1;
    s.Pixels = {1, 2, 3, 0x40, 4, 5, 6, 0xFF};
    TDibImage image = Decode(MakeBmp(s));
    ASSERT_TRUE(image.Format.HasAlpha);
    uint8_t alpha = 0;
    EXPECT_EQ(DibPixelColor(image.Format, image.TopRow(0), 0, &alpha), 0x030201u);
    EXPECT_EQ(alpha, 0x40);
    // Alpha that is 0 everywhere is an opaque picture (writers that set the mask but not the alpha).
    auto zero = s;
    zero.Pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_FALSE(Decode(MakeBmp(zero)).Format.HasAlpha);
    // A 40-byte header with alpha bit fields has four masks after it.
    s.HeaderSize = 40;
    s.Compression = 6;
    image = Decode(MakeBmp(s));
    ASSERT_TRUE(image.Format.HasAlpha);
    DibPixelColor(image.Format, image.TopRow(0), 0, &alpha);
    EXPECT_EQ(alpha, 0x40);
}

TEST(BmpReader, Rle8RunsLiteralsDeltaAndEndCodes) {
    // 6 x 4: bottom row run of 4 x index 1 then EOL; row 1 literal 2,3,4 (padded) then EOL;
    // row 2: delta (2, 1) lands at x=2 row 3; run 2 x index 5; end of bitmap.
    BmpSpec s;
    s.Width = 6;
    s.Height = 4;
    s.Compression = 1;
    s.Palette = {0, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555};
    s.ClrUsed = 6;
    s.Pixels = {4, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1};
    TDibImage image = Decode(MakeBmp(s));
    ASSERT_EQ(image.Format.BitCount, 8);
    auto row = [&](int top) { return std::vector<uint8_t>(image.TopRow(top), image.TopRow(top) + 6); };
    EXPECT_EQ(row(3), (std::vector<uint8_t>{1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(row(2), (std::vector<uint8_t>{2, 3, 4, 0, 0, 0}));
    EXPECT_EQ(row(1), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(row(0), (std::vector<uint8_t>{0, 0, 5, 5, 0, 0}));
}

TEST(BmpReader, Rle4AlternatesNibblesAndCutsRunsAtTheRightEdge) {
    // 5 x 2: run of 6 pixels 0x12 (alternating 1,2; the sixth falls off the edge); EOL;
    // literal of 5 nibbles 3,4,5,6,7 (3 bytes, padded to 4); no end code: the data ends with the picture.
    BmpSpec s;
    s.Width = 5;
    s.Height = 2;
    s.Bits = 4;
    s.Compression = 2;
    s.Palette = Gray16;
    s.ClrUsed = 16;
    s.Pixels = {6, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0};
    TDibImage image = Decode(MakeBmp(s));
    ASSERT_EQ(image.Format.BitCount, 4);
    auto nibbles = [&](int top) {
        std::vector<int> v;
        for (int x = 0; x < 5; ++x)
            v.push_back(int(DibPixelColor(image.Format, image.TopRow(top), x) & 0xF));
        return v;
    };
    EXPECT_EQ(nibbles(1), (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(nibbles(0), (std::vector<int>{3, 4, 5, 6, 7}));
}

TEST(BmpReader, MalformedFilesAreRefused) {
    auto base = [] {
        BmpSpec s;
        s.Palette = Palette8;
        s.ClrUsed = 6;
        s.Pixels = Rows({{0, 1, 2}, {3, 4, 5}}, false);
        return s;
    };
    auto rle = [](std::vector<uint8_t> data) {
        BmpSpec s;
        s.Width = 4;
        s.Height = 2;
        s.Compression = 1;
        s.Palette = Palette8;
        s.ClrUsed = 6;
        s.Pixels = std::move(data);
        return s;
    };
    struct Case {
        const char* Name;
        std::function<std::vector<uint8_t>()> Make;
    };
    auto spec = [](BmpSpec s) { return [s] { return MakeBmp(s); }; };
    auto with = [&](std::function<void(BmpSpec&)> change) {
        BmpSpec s = base();
        change(s);
        return spec(s);
    };
    const std::vector<Case> cases = {
        {"empty", [] { return std::vector<uint8_t>{}; }},
        {"not BM",
         [&] {
             auto b = MakeBmp(base());
             b[1] = 'A';
             return b;
         }},
        {"header cut",
         [&] {
             auto b = MakeBmp(base());
             b.resize(30);
             return b;
         }},
        {"pixels cut",
         [&] {
             auto b = MakeBmp(base());
             b.pop_back();
             return b;
         }},
        {"unknown header size", with([](BmpSpec& s) { s.HeaderSize = 100; })},
        {"two planes", with([](BmpSpec& s) { s.Planes = 2; })},
        {"zero width", with([](BmpSpec& s) { s.Width = 0; })},
        {"negative width", with([](BmpSpec& s) { s.Width = -3; })},
        {"zero height", with([](BmpSpec& s) { s.Height = 0; })},
        {"most negative height", with([](BmpSpec& s) { s.Height = INT32_MIN; })},
        {"huge", with([](BmpSpec& s) {
             s.Width = 1 << 20;
             s.Height = 1 << 20;
         })},
        {"7 bits", with([](BmpSpec& s) { s.Bits = 7; })},
        {"RLE8 at 4 bits", with([](BmpSpec& s) {
             s.Compression = 1;
             s.Bits = 4;
         })},
        {"JPEG inside", with([](BmpSpec& s) { s.Compression = 4; })},
        {"unknown compression", with([](BmpSpec& s) { s.Compression = 9; })},
        {"offset past the end", with([](BmpSpec& s) { s.OffBitsDelta = 1000; })},
        {"offset inside the header", with([](BmpSpec& s) { s.OffBitsDelta = -40; })},
        {"16-bit core header", with([](BmpSpec& s) {
             s.HeaderSize = 12;
             s.Bits = 16;
         })},
        {"bit fields at 8 bits", with([](BmpSpec& s) {
             s.Compression = 3;
             s.Masks = {0xE0, 0x1C, 3};
         })},
        {"mask with a hole", with([](BmpSpec& s) {
             s.Bits = 16;
             s.Compression = 3;
             s.Masks = {0x7A00, 0x3E0, 0x1F};
             s.Palette = {};
             s.ClrUsed = 0;
             s.Pixels.assign(16, 0);
         })},
        {"masks overlap", with([](BmpSpec& s) {
             s.Bits = 16;
             s.Compression = 3;
             s.Masks = {0xFC00, 0x7E0, 0x1F};
             s.Palette = {};
             s.ClrUsed = 0;
             s.Pixels.assign(16, 0);
         })},
        {"RLE top-down",
         [&] {
             auto s = rle({0, 1});
             s.Height = -2;
             return MakeBmp(s);
         }},
        {"RLE run above the top row", spec(rle({0, 0, 0, 0, 2, 1}))},
        {"RLE delta out of the image", spec(rle({0, 2, 1, 5, 2, 1}))},
        {"RLE data ends early", spec(rle({4, 1, 0, 0}))},
        {"RLE literal cut", spec(rle({0, 4, 1, 2}))},
        {"RLE huge image from few bytes",
         [&] {
             auto s = rle({0, 1});
             s.Width = 1 << 16;
             s.Height = 1 << 16;
             return MakeBmp(s);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> bytes = c.Make();
        EXPECT_THROW(Decode(bytes), EInvalidGraphic);
    }
}

TEST(BmpReader, OddButValidFilesAreRead) {
    // A zero offset: pixels follow the colour table. A colour count above the depth's is cut to 2^bits.
    BmpSpec s;
    s.Palette = Palette8;
    s.ClrUsed = 6;
    s.Pixels = Rows({{0, 1, 2}, {3, 4, 5}}, false);
    auto bytes = MakeBmp(s);
    std::memset(bytes.data() + 10, 0, 4);
    EXPECT_EQ(Colors(Decode(bytes)), Expected);

    BmpSpec mono;
    mono.Bits = 1;
    mono.Width = 2;
    mono.Height = 1;
    mono.Palette = {0x000000, 0xFFFFFF};
    mono.ClrUsed = 200;
    mono.Pixels = {0x40, 0, 0, 0};
    TDibImage image = Decode(MakeBmp(mono));
    EXPECT_EQ(image.Format.Colors.size(), 2u);
    EXPECT_EQ(Colors(image), (std::vector<std::vector<uint32_t>>{{0x000000, 0xFFFFFF}}));
}

TEST(BmpReader, LeavesTheStreamAfterTheImage) {
    BmpSpec s;
    s.Palette = Palette8;
    s.ClrUsed = 6;
    s.Pixels = Rows({{0, 1, 2}, {3, 4, 5}}, false);
    auto bytes = MakeBmp(s);
    size_t size = bytes.size();
    bytes.insert(bytes.end(), {'t', 'a', 'i', 'l'});
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    ReadBmp(&stream);
    EXPECT_EQ(stream.GetPosition(), int64_t(size));
    // Files are read through a copy: the same position afterwards.
    auto path =
        std::filesystem::temp_directory_path() / ("loomwick-bmp-" + std::to_string(::getpid()) + ".bmp");
    {
        TFileStream out(path.string(), fmCreate);
        out.WriteBuffer(bytes.data(), int32_t(bytes.size()));
    }
    {
        TFileStream in(path.string(), fmOpenRead);
        EXPECT_EQ(Colors(ReadBmp(&in)), Expected);
        EXPECT_EQ(in.GetPosition(), int64_t(size));
    }
    std::filesystem::remove(path);
}

TEST(BmpWriter, RoundTripsEveryDepth) {
    struct Case {
        uint16_t Bits;
        uint32_t RedMask, GreenMask, BlueMask;
        bool Alpha;
    };
    for (const Case& c : {Case{1, 0, 0, 0, false}, Case{4, 0, 0, 0, false}, Case{8, 0, 0, 0, false},
                          Case{16, 0x7C00, 0x3E0, 0x1F, false}, Case{16, 0xF800, 0x7E0, 0x1F, false},
                          Case{24, 0, 0, 0, false}, Case{32, 0xFF0000, 0xFF00, 0xFF, false},
                          Case{32, 0xFF0000, 0xFF00, 0xFF, true}}) {
        SCOPED_TRACE("bits " + std::to_string(c.Bits) + (c.Alpha ? " alpha" : ""));
        TDibImage image;
        TDibFormat& f = image.Format;
        f.Width = 5;
        f.Height = 3;
        f.BitCount = c.Bits;
        f.RedMask = c.RedMask, f.GreenMask = c.GreenMask, f.BlueMask = c.BlueMask;
        f.HasAlpha = c.Alpha;
        if (c.Bits <= 8)
            f.Colors = c.Bits == 1 ? std::vector<uint32_t>{0, 0xFFFFFF} : Gray16;
        image.Bits.resize(size_t(f.ImageBytes()));
        for (size_t i = 0; i < image.Bits.size(); ++i)
            image.Bits[i] = uint8_t(i * 37 + 11);
        TMemoryStream stream;
        WriteBmp(&stream, f, image.Bits.data());
        stream.SetPosition(0);
        TDibImage back = ReadBmp(&stream);
        EXPECT_EQ(back.Format.BitCount, c.Bits);
        EXPECT_EQ(back.Format.HasAlpha, c.Alpha);
        EXPECT_EQ(back.Format.GreenMask, f.GreenMask);
        EXPECT_EQ(back.Format.Colors, f.Colors);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                uint8_t a1 = 0, a2 = 0;
                EXPECT_EQ(DibPixelColor(back.Format, back.TopRow(y), x, &a1),
                          DibPixelColor(f, image.TopRow(y), x, &a2));
                EXPECT_EQ(a1, a2);
            }
    }
}

TEST(BmpPixels, ConversionKeepsColoursAndMatchesPalettes) {
    TDibImage source;
    source.Format.Width = 3;
    source.Format.Height = 1;
    source.Format.BitCount = 24;
    source.Bits = {0, 0, 255, 0, 255, 0, 0x10, 0x10, 0x10, 0};
    TDibFormat to8;
    to8.Width = 3;
    to8.Height = 1;
    to8.BitCount = 8;
    to8.Colors = {0x000000, 0x00FF00, 0xFF0000};
    std::vector<uint8_t> bits8(size_t(to8.ImageBytes()));
    ConvertDibPixels(source.Format, source.Bits.data(), to8, bits8.data());
    EXPECT_EQ(bits8[0], 2);
    EXPECT_EQ(bits8[1], 1);
    EXPECT_EQ(bits8[2], 0);

    TDibFormat to565 = to8;
    to565.BitCount = 16;
    to565.Colors.clear();
    to565.RedMask = 0xF800, to565.GreenMask = 0x7E0, to565.BlueMask = 0x1F;
    std::vector<uint8_t> bits16(size_t(to565.ImageBytes()));
    ConvertDibPixels(source.Format, source.Bits.data(), to565, bits16.data());
    EXPECT_EQ(DibPixelColor(to565, bits16.data(), 0), 0xFF0000u);
    EXPECT_EQ(DibPixelColor(to565, bits16.data(), 1), 0x00FF00u);
}
