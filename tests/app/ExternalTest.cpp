// The halves of tests/external/editor_routines.sh that run inside the routines: with
// LOOMWICK_APP_EXTERNAL_DIR set, they read the files the script made there with other programs and write
// what the script then checks with them. Without it they are skipped.
#include "AppTestUtil.h"

#include "app/GifRoutines.h"
#include "platform/vcl/Registry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace app;
using apptest::AppTest;
using apptest::MakeBitmap;
using gif::TGifDocument;

namespace {

class External : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        const char* dir = std::getenv("LOOMWICK_APP_EXTERNAL_DIR");
        if (!dir || !*dir)
            GTEST_SKIP() << "LOOMWICK_APP_EXTERNAL_DIR is not set";
        FExternal = dir;
        // New frames take local tables of up to 256 colours, without a question.
        vcl::TRegistry registry;
        ASSERT_TRUE(OpenSettingsKey(registry));
        WriteSettingInt(registry, SettingPaletteType, 2);
        WriteSettingInt(registry, SettingMaxColorCount, 256);
        WriteSettingInt(registry, SettingDitherMethod, 0);
        WriteSettingFlag(registry, SettingPaletteDefaults, true);
    }
    std::string In(const std::string& name) const { return (FExternal / name).string(); }
    std::filesystem::path FExternal;
};

int32_t Quadrants(int x, int y, int seed) {
    static const int32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFFFF, 0x000000, 0x808080};
    return colours[((x / 5) + 2 * (y / 5) + seed) % 7];
}

// Three frames with delays 0.10, 0.25 and 0.29 s, disposals none, background and previous, frame 1
// transparent at its colour index of black, loop count 3; frame 2 carries a stray loop block of its own,
// and frame 1 two control extensions (the last one counts).
TEST_F(External, SavedAnimation) {
    TGifDocument document;
    for (int seed = 0; seed < 3; ++seed) {
        auto bitmap = MakeBitmap(20, 15, [seed](int x, int y) { return Quadrants(x, y, seed); });
        ASSERT_EQ(AddBitmapFrame(&document, bitmap.get(), seed), seed);
    }
    FitFrameSize(&document, MakeBitmap(20, 15, [](int, int) { return 0; }).get(), false);
    SetLoopCount(&document, 3);
    const double seconds[] = {0.10, 0.25, 0.29};
    const int disposals[] = {gif::dpKeep, gif::dpRestoreBackground, gif::dpRestorePrevious};
    for (int i = 0; i < 3; ++i) {
        SetFrameDelay(document.Frame(i), SecondsToDelay(seconds[i]));
        SetFrameDisposal(document.Frame(i), disposals[i]);
    }
    gif::TGifFrame* one = document.Frame(1);
    auto* stale = new gif::TGifGraphicControlExtension(one);
    stale->SetDelayTime(999);
    one->GetExtensionList()->InsertItem(0, stale);
    int32_t black = one->GetLocalColorMap()->FindColorIndex(0x000000);
    ASSERT_GE(black, 0);
    gif::TGifGraphicControlExtension* gce = nullptr;
    for (int i = 0; i < one->GetExtensionList()->ItemCount(); ++i)
        if (auto* g = dynamic_cast<gif::TGifGraphicControlExtension*>(one->GetExtensionList()->ExtensionAt(i)))
            gce = g; // the last one
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(black);
    auto* loop = new gif::TGifLoopExtension(document.Frame(2));
    loop->SetLoopCount(7);
    document.Frame(2)->GetExtensionList()->AppendItem(loop);
    ASSERT_TRUE(SaveGifFile(&document, In("saved.gif"), true, true));
    std::ofstream(In("saved.transparent")) << black << "\n";

    // A loop block on frame 2 only ends as an endless one on frame 0.
    TGifDocument moved;
    for (int seed = 0; seed < 3; ++seed) {
        auto bitmap = MakeBitmap(8, 8, [seed](int x, int y) { return Quadrants(x, y, seed); });
        AddBitmapFrame(&moved, bitmap.get(), seed);
    }
    SetLoopCount(&moved, 1);
    auto* late = new gif::TGifLoopExtension(moved.Frame(2));
    late->SetLoopCount(4);
    moved.Frame(2)->GetExtensionList()->AppendItem(late);
    ASSERT_TRUE(SaveGifFile(&moved, In("moved.gif"), true, true));

    // Inserting a frame at 0 keeps the user's count.
    TGifDocument inserted;
    for (int seed = 0; seed < 2; ++seed) {
        auto bitmap = MakeBitmap(8, 8, [seed](int x, int y) { return Quadrants(x, y, seed); });
        AddBitmapFrame(&inserted, bitmap.get(), seed);
    }
    SetLoopCount(&inserted, 5);
    auto first = MakeBitmap(8, 8, [](int x, int y) { return Quadrants(x, y, 4); });
    ASSERT_EQ(AddBitmapFrame(&inserted, first.get(), 0), 0);
    ASSERT_TRUE(SaveGifFile(&inserted, In("inserted.gif"), true, true));
}

// An optimised file (made by gifsicle -O3) read, normalised and saved again.
TEST_F(External, OptimisedFileSavedAgain) {
    if (!std::filesystem::exists(In("optimised.gif")))
        GTEST_SKIP() << "no optimised.gif";
    TGifDocument document;
    ASSERT_TRUE(LoadGifFile(&document, In("optimised.gif")));
    ASSERT_TRUE(SaveGifFile(&document, In("optimised-saved.gif"), true, true));
}

// Image files made by ImageMagick (the script lists them in images.txt) read into bitmaps and added as
// frames, one document each; the size of each picture read goes to its own line of images.out.
TEST_F(External, ImageFilesBecomeFrames) {
    std::ifstream list(In("images.txt"));
    ASSERT_TRUE(list) << "no images.txt";
    std::ofstream out(In("images.out"));
    std::string name;
    while (std::getline(list, name)) {
        if (name.empty())
            continue;
        vcl::TBitmap bitmap;
        int32_t type = ImageFileTypeIndex(name);
        ASSERT_EQ(LoadImageFileToBitmap(In(name), &bitmap, type), 0) << name;
        TGifDocument document;
        ASSERT_EQ(AddBitmapFrame(&document, &bitmap, 0), 0) << name;
        FitFrameSize(&document, &bitmap, false);
        ASSERT_TRUE(SaveGifFile(&document, In(name + ".gif"), true, true)) << name;
        out << name << " " << bitmap.GetWidth() << "x" << bitmap.GetHeight() << "\n";
    }
}

// The main window's placement, maximised, for Python's configparser.
TEST_F(External, PlacementFile) {
    vcl::TForm* form = nullptr;
    vcl::Application->CreateForm(form);
    form->SetName("frmGifMain");
    form->SetBounds(-40, 30, 700, 500);
    form->Show();
    form->SetWindowState(vcl::wsMaximized);
    SaveFormPlacement(form, "frmGifMain");
    std::filesystem::copy_file(FormPlacementFileName(), In("forminfo.ini"),
                               std::filesystem::copy_options::overwrite_existing);
}

} // namespace
