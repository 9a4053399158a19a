#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

using namespace vcl;
namespace fs = std::filesystem;

namespace {

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("loomwick-picture-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(FDir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return (FDir / name).string();
    }
    fs::path FDir;
};

std::vector<uint8_t> BitmapBytes(int w, int h) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    TMemoryStream s;
    b.SaveToStream(&s);
    auto* p = static_cast<uint8_t*>(s.Memory());
    return {p, p + s.GetSize()};
}

// A placeable WMF of 2 x 1 inches (1440 units per inch), followed by a standard header and the end record.
std::vector<uint8_t> PlaceableWmf() {
    std::vector<uint8_t> v = {0xD7, 0xCD, 0xC6, 0x9A, 0,    0, 0, 0, 0, 0, 0x40,
                              0x0B, 0xA0, 0x05, 0xA0, 0x05, 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> header = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    std::vector<uint8_t> end = {3, 0, 0, 0, 0, 0};
    v.insert(v.end(), header.begin(), header.end());
    v.insert(v.end(), end.begin(), end.end());
    return v;
}

// An EMF header record whose frame is 5080 x 2540 hundredths of a millimetre (192 x 96 pixels at 96 dpi).
std::vector<uint8_t> MinimalEmf() {
    std::vector<uint8_t> v(88, 0);
    auto put = [&](size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v[at + i] = uint8_t(x >> (8 * i));
    };
    put(0, 1);
    put(4, 88);
    put(32, 5080);
    put(36, 2540);
    put(40, 0x464D4520);
    return v;
}

} // namespace

TEST_F(PictureFiles, LoadsByExtension) {
    struct Case {
        const char* Name;
        std::vector<uint8_t> Bytes;
        std::function<bool(TGraphic*)> IsExpectedClass;
        int Width, Height;
    };
    const std::vector<Case> cases = {
        {"a.bmp", BitmapBytes(3, 2), [](TGraphic* g) { return dynamic_cast<TBitmap*>(g) != nullptr; }, 3, 2},
        {"UPPER.BMP", BitmapBytes(1, 4), [](TGraphic* g) { return dynamic_cast<TBitmap*>(g) != nullptr; }, 1,
         4},
        {"p.wmf", PlaceableWmf(), [](TGraphic* g) { return dynamic_cast<TMetafile*>(g) != nullptr; }, 192,
         96},
        {"e.emf", MinimalEmf(), [](TGraphic* g) { return dynamic_cast<TMetafile*>(g) != nullptr; }, 192, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TPicture picture;
        int changes = 0;
        picture.OnChange = [&](TObject*) { ++changes; };
        picture.LoadFromFile(Write(c.Name, c.Bytes));
        ASSERT_NE(picture.GetGraphic(), nullptr);
        EXPECT_TRUE(c.IsExpectedClass(picture.GetGraphic()));
        EXPECT_EQ(picture.GetWidth(), c.Width);
        EXPECT_EQ(picture.GetHeight(), c.Height);
        EXPECT_GE(changes, 1);
    }
    TPicture picture;
    picture.LoadFromFile(Write("e.emf", MinimalEmf()));
    EXPECT_TRUE(picture.GetMetafile()->GetEnhanced());
    EXPECT_EQ(picture.GetMetafile()->GetMMWidth(), 5080);
    // An unknown extension, and a known one holding something else, are refused.
    EXPECT_THROW(picture.LoadFromFile(Write("x.xyz", BitmapBytes(1, 1))), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(Write("bad.bmp", PlaceableWmf())), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(Write("bad.wmf", BitmapBytes(1, 1))), EInvalidGraphic);
    EXPECT_TRUE(picture.GetMetafile()->GetEnhanced()); // the failed loads left the picture alone
}

TEST(TPicture, FilterFollowsTheRegistry) {
    EXPECT_EQ(TPicture::GraphicFilter(),
              "All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|Bitmaps (*.bmp)|*.bmp|"
              "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
    TGraphicClass metafiles = GraphicClass<TMetafile>();
    EXPECT_EQ(TPicture::GraphicFilter(&metafiles),
              "All (*.emf;*.wmf)|*.emf;*.wmf|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
    EXPECT_EQ(TPicture::GraphicExtension(GraphicClass<TIcon>()), "ico");

    class TOwnBitmap : public TBitmap {};
    TPicture::RegisterFileFormat("OWN", "Own bitmaps", GraphicClass<TOwnBitmap>());
    TGraphicClass bitmaps = GraphicClass<TBitmap>();
    EXPECT_EQ(TPicture::GraphicFileMask(&bitmaps), "*.bmp;*.own");
    EXPECT_NE(dynamic_cast<TOwnBitmap*>(TPicture::CreateForFileName("x.own").get()), nullptr);
    TPicture::UnregisterGraphicClass(GraphicClass<TOwnBitmap>());
    EXPECT_EQ(TPicture::CreateForFileName("x.own"), nullptr);
    EXPECT_EQ(TPicture::GraphicFileMask(), "*.bmp;*.ico;*.emf;*.wmf");
}

TEST(TPicture, AccessorsAndCopies) {
    TPicture picture;
    TBitmap* b = picture.GetBitmap();
    b->SetSize(5, 6);
    EXPECT_EQ(picture.GetWidth(), 5);
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    b->SetSize(7, 6); // the graphic's changes reach the picture
    EXPECT_EQ(changes, 1);
    // Setting a graphic stores a copy of the same class.
    TBitmap other;
    other.SetSize(2, 2);
    picture.SetGraphic(&other);
    EXPECT_NE(picture.GetGraphic(), &other);
    EXPECT_EQ(picture.GetWidth(), 2);
    // Asking for an icon replaces the bitmap with an empty icon.
    EXPECT_TRUE(picture.GetIcon()->GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 0);
    // A picture assigns its graphic to a bitmap.
    picture.SetGraphic(&other);
    TBitmap copy;
    copy.Assign(&picture);
    EXPECT_EQ(copy.GetWidth(), 2);
}

TEST(TMetafile, SizeKindAndDrawing) {
    auto bytes = MinimalEmf();
    TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TMetafile m;
    m.LoadFromStream(&stream);
    EXPECT_TRUE(m.GetEnhanced());
    EXPECT_EQ(m.GetWidth(), 192);
    EXPECT_THROW(m.SetEnhanced(false), EInvalidGraphicOperation); // the bytes cannot change kind
    m.SetWidth(50);
    EXPECT_EQ(m.GetWidth(), 50);
    EXPECT_EQ(m.GetMMWidth(), 1323);
    // A metafile of only its header draws nothing, and neither does an empty one.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 4);
    b.GetCanvas()->StretchDraw(Rect(0, 0, 4, 4), &m);
    TMetafile empty;
    b.GetCanvas()->Draw(0, 0, &empty);
    EXPECT_EQ(b.GetCanvas()->GetPixel(2, 2), clWhite);
    TMemoryStream saved;
    m.SaveToStream(&saved);
    EXPECT_EQ(saved.GetSize(), int64_t(bytes.size()));
    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    TReadOnlyMemoryStream bad(junk, sizeof junk);
    EXPECT_THROW(m.LoadFromStream(&bad), EInvalidGraphic);
    EXPECT_EQ(m.GetWidth(), 50);
}
