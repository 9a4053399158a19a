#include "platform/vcl/Resources.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace vcltest {
// Generated at build time from tests/data/vcl/resources.
void RegisterTestResources();
} // namespace vcltest

using namespace vcl;

namespace {

std::vector<uint8_t> ResourcesReadFixture(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/vcl/resources/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// pointer.cur: one black-and-white 32 x 32 image, hot spot (5, 7). Opaque inside x 2..11, y 3..18, white
// there where x + y is even, black elsewhere; (30, 30) is transparent but inverts what lies below.
bool PointerOpaque(int x, int y) {
    return x >= 2 && x < 12 && y >= 3 && y < 19;
}
bool PointerXor(int x, int y) {
    return (PointerOpaque(x, y) && (x + y) % 2 == 0) || (x == 30 && y == 30);
}

class ResourcesFixture : public ::testing::Test {
protected:
    void SetUp() override { vcltest::RegisterTestResources(); }
};

TEST_F(ResourcesFixture, FilesAreRegisteredUnderTheirUpperCaseNamesBitmapsAndCursorsApart) {
    auto bitmaps = ResourceNames(rtBitmapResource);
    auto cursors = ResourceNames(rtCursorResource);
    for (const char* name : {"PIXELS3X2", "CUTSHORT"})
        EXPECT_NE(std::find(bitmaps.begin(), bitmaps.end(), name), bitmaps.end()) << name;
    for (const char* name : {"POINTER", "CUTSHORT"})
        EXPECT_NE(std::find(cursors.begin(), cursors.end(), name), cursors.end()) << name;
    EXPECT_FALSE(ResourceExists(rtBitmapResource, "POINTER"));
    EXPECT_TRUE(ResourceExists(rtCursorResource, "pointer"));
    EXPECT_EQ(FindResourceData(rtBitmapResource, "Pixels3x2").size(), ResourcesReadFixture("pixels3x2.bmp").size());
}

TEST_F(ResourcesFixture, ABitmapLoadsWithItsPixels) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName("PIXELS3X2");
    ASSERT_EQ(bitmap.GetWidth(), 3);
    ASSERT_EQ(bitmap.GetHeight(), 2);
    EXPECT_EQ(bitmap.GetPixelFormat(), pf24bit);
    // The colours ImageMagick wrote from a PPM source (TColor: red in the low byte).
    const TColor want[2][3] = {{0x0000FF, 0x00FF00, 0xFF0000}, {0xFFFFFF, 0x000000, 0x563412}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bitmap.GetCanvas()->GetPixel(x, y), want[y][x]) << x << "," << y;
}

TEST_F(ResourcesFixture, ACursorKeepsItsHotSpotAndMask) {
    win::HCURSOR cursor = LoadCursorResource("pointer");
    ASSERT_NE(cursor, nullptr);
    win::ICONINFO info{};
    ASSERT_TRUE(win::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 5u);
    EXPECT_EQ(info.yHotspot, 7u);
    // Black and white: no colour bitmap, the AND mask above the XOR image in one bitmap 64 rows high.
    EXPECT_EQ(info.hbmColor, nullptr);
    TBitmap mask;
    mask.SetHandle(info.hbmMask);
    ASSERT_EQ(mask.GetWidth(), 32);
    ASSERT_EQ(mask.GetHeight(), 64);
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            wrong += (mask.GetCanvas()->GetPixel(x, y) == clWhite) != !PointerOpaque(x, y);
            wrong += (mask.GetCanvas()->GetPixel(x, 32 + y) == clWhite) != PointerXor(x, y);
        }
    EXPECT_EQ(wrong, 0);

    // Drawn on grey: the mask keeps the grey, the image paints black and white, and inverts at (30, 30).
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(32, 32);
    target.GetCanvas()->GetBrush()->SetColor(0x808080);
    target.GetCanvas()->FillRect({0, 0, 32, 32});
    win::DrawIconEx(target.GetCanvas()->GetHandle(), 0, 0, cursor, 0, 0, 0, nullptr, win::DI_NORMAL);
    wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            TColor want = !PointerOpaque(x, y) ? (PointerXor(x, y) ? 0x7F7F7F : 0x808080)
                                               : (PointerXor(x, y) ? clWhite : clBlack);
            wrong += target.GetCanvas()->GetPixel(x, y) != want;
        }
    EXPECT_EQ(wrong, 0);

    // Registered for the window system and the screen as the libraries register theirs.
    win::RegisterCursorResource("POINTER", cursor);
    EXPECT_EQ(win::LoadCursor(nullptr, "POINTER"), cursor);
    Screen->SetCursors(2200, cursor);
    EXPECT_EQ(Screen->GetCursors(2200), cursor);
}

TEST_F(ResourcesFixture, UnknownNamesAndCutFilesAreRefusedNamingTheResource) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName("PIXELS3X2");
    struct Case {
        std::function<void()> load;
        std::string name;
    };
    auto expectNotFound = [](const std::function<void()>& load, const std::string& message) {
        try {
            load();
            ADD_FAILURE() << "no exception";
        } catch (const EResNotFound& e) {
            EXPECT_EQ(e.Message(), message);
        }
    };
    expectNotFound([&] { bitmap.LoadFromResourceName("NOSUCH"); }, "Resource NOSUCH not found");
    expectNotFound([] { LoadCursorResource("NoSuch"); }, "Resource NoSuch not found");
    // A cursor is not a bitmap of the same name.
    expectNotFound([&] { bitmap.LoadFromResourceName("POINTER"); }, "Resource POINTER not found");

    auto expectInvalid = [](const std::function<void()>& load, const std::string& start) {
        try {
            load();
            ADD_FAILURE() << "no exception for " << start;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind(start, 0), 0u) << e.Message();
        }
    };
    expectInvalid([&] { bitmap.LoadFromResourceName("CUTSHORT"); }, "Bitmap resource CUTSHORT: ");
    expectInvalid([] { LoadCursorResource("cutshort"); }, "Cursor resource cutshort: ");
    // A failed load leaves the picture as it was.
    EXPECT_EQ(bitmap.GetWidth(), 3);
    EXPECT_EQ(bitmap.GetCanvas()->GetPixel(2, 1), 0x563412);

    // Every shorter piece of both files, each in memory of exactly its size: the address sanitizer sees any
    // byte read past the end.
    for (const char* file : {"pixels3x2.bmp", "pointer.cur"}) {
        const std::vector<uint8_t> whole = ResourcesReadFixture(file);
        ASSERT_FALSE(whole.empty());
        const bool isCursor = std::string(file).ends_with(".cur");
        for (size_t n = 0; n < whole.size(); ++n) {
            std::unique_ptr<uint8_t[]> piece(new uint8_t[n ? n : 1]);
            std::copy(whole.begin(), whole.begin() + ptrdiff_t(n), piece.get());
            RegisterResource(isCursor ? rtCursorResource : rtBitmapResource, "PIECE", {piece.get(), n});
            if (isCursor)
                expectInvalid([] { LoadCursorResource("PIECE"); }, "Cursor resource PIECE: ");
            else
                expectInvalid([&] { bitmap.LoadFromResourceName("PIECE"); }, "Bitmap resource PIECE: ");
        }
        RegisterResource(isCursor ? rtCursorResource : rtBitmapResource, "PIECE", {});
    }
}

// tests/external/vcl_resources.sh compares the sizes loaded here with ImageMagick's: given a file name in
// LOOMWICK_RESOURCE_SIZES, this writes one line per fixture, "file width height".
TEST_F(ResourcesFixture, SizesLoadedForTheExternalCheck) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName("PIXELS3X2");
    win::HCURSOR cursor = LoadCursorResource("POINTER");
    win::SIZE cursorSize{};
    ASSERT_TRUE(win::GetIconSize(cursor, &cursorSize));
    EXPECT_EQ(cursorSize.cx, 32);
    EXPECT_EQ(cursorSize.cy, 32);
    win::DestroyCursor(cursor);
    if (const char* report = std::getenv("LOOMWICK_RESOURCE_SIZES")) {
        std::ofstream out(report);
        out << "pixels3x2.bmp " << bitmap.GetWidth() << " " << bitmap.GetHeight() << "\n";
        out << "pointer.cur " << cursorSize.cx << " " << cursorSize.cy << "\n";
    }
}

} // namespace
