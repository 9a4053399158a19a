// The document routines: loop counts and their single block on frame 0, graphic control extensions,
// adding pictures as frames under the palette settings, frame moves and removals, size fitting, loading
// and saving with the user's messages, and reading image files into bitmaps.
#include "AppTestUtil.h"

#include "app/GifRoutines.h"
#include "imaging/core/ImageKit.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/Streams.h"

#include <cmath>

using namespace app;
using apptest::AppTest;
using apptest::MakeBitmap;
using gif::TGifDocument;
using gif::TGifFrame;

namespace {

// Colours of a picture with a few distinct colours per frame.
int32_t Stripes(int x, int y, int seed) {
    static const int32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFFFF, 0x000000};
    return colours[(x / 4 + y / 4 + seed) % 6];
}

// A frame made from a 24-bit picture through the document's reduction, appended.
TGifFrame* AppendPicture(TGifDocument& document, int w, int h, int seed = 0) {
    auto bitmap = MakeBitmap(w, h, [seed](int x, int y) { return Stripes(x, y, seed); });
    auto frame = std::make_unique<TGifFrame>(&document);
    frame->Assign(bitmap.get());
    TGifFrame* raw = frame.get();
    document.AppendFrame(frame.release());
    return raw;
}

std::vector<uint8_t> Encoded(TGifDocument& document) {
    vcl::TMemoryStream stream;
    document.SaveToStream(&stream);
    auto* p = static_cast<const uint8_t*>(stream.Memory());
    return {p, p + stream.GetSize()};
}

int CountLoops(TGifFrame* frame) {
    int n = 0;
    for (int i = 0; i < frame->GetExtensionList()->ItemCount(); ++i)
        n += dynamic_cast<gif::TGifLoopExtension*>(frame->GetExtensionList()->ExtensionAt(i)) != nullptr;
    return n;
}

int CountControls(TGifFrame* frame) {
    int n = 0;
    for (int i = 0; i < frame->GetExtensionList()->ItemCount(); ++i)
        n += dynamic_cast<gif::TGifGraphicControlExtension*>(frame->GetExtensionList()->ExtensionAt(i)) != nullptr;
    return n;
}

bool LoopFirst(TGifFrame* frame) {
    return frame->GetExtensionList()->ItemCount() > 0 &&
           dynamic_cast<gif::TGifLoopExtension*>(frame->GetExtensionList()->ExtensionAt(0)) != nullptr;
}

void StorePalette(int type, int colors, int dither, bool defaults) {
    vcl::TRegistry registry;
    ASSERT_TRUE(OpenSettingsKey(registry));
    WriteSettingInt(registry, SettingPaletteType, type);
    WriteSettingInt(registry, SettingMaxColorCount, colors);
    WriteSettingInt(registry, SettingDitherMethod, dither);
    WriteSettingFlag(registry, SettingPaletteDefaults, defaults);
}

TEST(GifRoutines, TheExtensionTable) {
    const std::pair<const char*, int32_t> cases[] = {
        {"a.gif", 0},  {"b.JPG", 1},    {"c.jpeg", 1},  {"d.bmp", 2},    {"e.jif", 3},    {"f.dcx", 4},
        {"g.ico", 5},  {"h.pbm", 6},    {"i.pcx", 7},   {"j.ljp", 8},    {"k.pgm", 9},    {"l.pic", 10},
        {"m.png", 11}, {"n.ppm", 12},   {"o.rle", 13},  {"p.tga", 14},   {"q.tif", 15},   {"r.TIFF", 15},
        {"s.wmf", 16}, {"t.emf", 16},   {"u.wpg", 17},  {"v.avi", 18},   {"w", 20},       {"x.txt", 20},
        {"y.*", 20},   {"/d.gif/z", 20}, {"a.tar.GIF", 0}, {".png", 11},
    };
    for (const auto& [name, index] : cases)
        EXPECT_EQ(ImageFileTypeIndex(name), index) << name;
}

TEST(GifRoutines, SecondsAndPlayCountsAreRoundedAndClamped) {
    const std::pair<double, uint16_t> delays[] = {{0.29, 29}, {0.1, 10}, {1.0, 100}, {0.005, 1}, {0.004, 0},
                                                  {-1.0, 0},  {655.35, 65535}, {1e9, 65535}, {2.5, 250}};
    for (const auto& [seconds, hundredths] : delays)
        EXPECT_EQ(SecondsToDelay(seconds), hundredths) << seconds;
    EXPECT_EQ(SecondsToDelay(std::nan("")), 0);
    const std::pair<int64_t, uint16_t> counts[] = {{-5, 0}, {0, 0}, {3, 3}, {65535, 65535}, {70000, 65535}};
    for (const auto& [count, expected] : counts)
        EXPECT_EQ(ClampPlayCount(count), expected) << count;
}

TEST(GifRoutines, TheCommandColorMapIgnoresItsHooks) {
    TCmdColorMap map;
    map.AppendColor(0x0000FF);
    map.AppendColor(0x00FF00);
    TCmdColorMap copy;
    copy.Assign(&map);
    EXPECT_EQ(copy.GetEntryCount(), 2);
    EXPECT_FALSE(copy.SortAndPrune());
    EXPECT_EQ(copy.EntryColor(0), 0x0000FF);
}

TEST_F(AppTest, LoopCountCases) {
    TGifDocument document;
    EXPECT_EQ(GetLoopCount(&document), 1); // no frames
    SetLoopCount(&document, 3);            // nothing without frames
    AppendPicture(document, 8, 8);
    AppendPicture(document, 8, 8, 1);
    EXPECT_EQ(GetLoopCount(&document), 1);
    EXPECT_FALSE(HasLoopExtension(&document));
    SetLoopCount(&document, 1); // without one: nothing
    EXPECT_FALSE(HasLoopExtension(&document));
    SetLoopCount(&document, 3); // creates
    EXPECT_EQ(GetLoopCount(&document), 3);
    EXPECT_TRUE(LoopFirst(document.Frame(0)));
    SetLoopCount(&document, 0); // changes
    EXPECT_EQ(GetLoopCount(&document), 0);
    EXPECT_EQ(CountLoops(document.Frame(0)), 1);
    SetLoopCount(&document, 70000); // clamped
    EXPECT_EQ(GetLoopCount(&document), 65535);
    SetLoopCount(&document, 1); // removes
    EXPECT_FALSE(HasLoopExtension(&document));
    EXPECT_EQ(GetLoopCount(&document), 1);
    AddLoopExtension(&document, 5, 2); // no such frame: nothing
    AddLoopExtension(&document, 0, 1); // count 1: nothing
    EXPECT_FALSE(HasLoopExtension(&document));
}

TEST_F(AppTest, MovingAndRemovingFrameZeroKeepsTheLoopCountOnFrameZero) {
    TGifDocument document;
    TGifFrame* a = AppendPicture(document, 8, 8, 0);
    TGifFrame* b = AppendPicture(document, 8, 8, 1);
    TGifFrame* c = AppendPicture(document, 8, 8, 2);
    SetFrameDelay(a, 7);
    SetLoopCount(&document, 4);
    MoveFrame(0, 1, &document);
    EXPECT_EQ(document.Frame(0), b);
    EXPECT_EQ(document.Frame(1), a);
    EXPECT_EQ(GetLoopCount(&document), 4);
    EXPECT_TRUE(LoopFirst(b));
    EXPECT_EQ(CountLoops(a), 0);
    EXPECT_EQ(a->GetControlExtension()->GetDelayTime(), 7); // the rest of the frame stays with it
    MoveFrame(1, 0, &document);
    EXPECT_EQ(document.Frame(0), a);
    EXPECT_EQ(GetLoopCount(&document), 4);
    EXPECT_EQ(CountLoops(b), 0);
    MoveFrame(2, 1, &document); // not frame 0: the loop stays
    EXPECT_EQ(document.Frame(1), c);
    EXPECT_EQ(CountLoops(a), 1);
    MoveFrame(-1, 0, &document);
    MoveFrame(0, 9, &document); // a bad index changes nothing
    EXPECT_EQ(document.Frame(0), a);
    EXPECT_EQ(GetLoopCount(&document), 4);

    FreeFrameAt(&document, 0);
    ASSERT_EQ(document.FrameCount(), 2);
    EXPECT_EQ(document.Frame(0), c);
    EXPECT_EQ(GetLoopCount(&document), 4);
    EXPECT_TRUE(LoopFirst(c));
    FreeFrameAt(&document, 1);
    EXPECT_EQ(document.FrameCount(), 1);
    EXPECT_EQ(GetLoopCount(&document), 4);
}

TEST_F(AppTest, DelaysDisposalsAndComments) {
    TGifDocument document;
    TGifFrame* a = AppendPicture(document, 8, 8);
    TGifFrame* b = AppendPicture(document, 8, 8, 1);
    ASSERT_EQ(a->GetControlExtension(), nullptr);
    SetFrameDelay(a, 25);
    ASSERT_NE(a->GetControlExtension(), nullptr);
    EXPECT_EQ(a->GetControlExtension()->GetDelayTime(), 25);
    EXPECT_EQ(a->GetControlExtension()->GetDisposalMethod(), gif::dpRestoreBackground);
    SetFrameDisposal(b, gif::dpRestorePrevious);
    EXPECT_EQ(b->GetControlExtension()->GetDisposalMethod(), gif::dpRestorePrevious);
    EXPECT_EQ(b->GetControlExtension()->GetDelayTime(), 0);
    SetFrameDisposal(b, 9); // not a disposal
    EXPECT_EQ(b->GetControlExtension()->GetDisposalMethod(), gif::dpRestorePrevious);
    SetFrameDelay(b, 70000);
    EXPECT_EQ(b->GetControlExtension()->GetDelayTime(), 65535);
    EXPECT_EQ(CountControls(b), 1);
    AddCommentExtension(a, "made by\nLoomwick");
    auto* comment = dynamic_cast<gif::TGifCommentExtension*>(
        a->GetExtensionList()->ExtensionAt(a->GetExtensionList()->ItemCount() - 1));
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Lines().GetCount(), 2);
    EXPECT_EQ(comment->Lines().Get(1), "Loomwick");
}

TEST_F(AppTest, NormalisingLeavesOneControlExtensionAndOneLoopBlockOnFrameZero) {
    TGifDocument document;
    TGifFrame* a = AppendPicture(document, 8, 8, 0);
    TGifFrame* b = AppendPicture(document, 8, 8, 1);
    TGifFrame* c = AppendPicture(document, 8, 8, 2);
    // Three control extensions on frame 1: the last one stays.
    for (int delay : {10, 20, 30}) {
        auto* gce = new gif::TGifGraphicControlExtension(b);
        gce->SetDelayTime(uint16_t(delay));
        b->GetExtensionList()->AppendItem(gce);
    }
    // A loop block on frame 2 only.
    auto* loop = new gif::TGifLoopExtension(c);
    loop->SetLoopCount(5);
    c->GetExtensionList()->AppendItem(loop);
    document.GlobalColorMap()->RemoveAll();

    NormalizeGifForSave(&document, false, 0);
    EXPECT_EQ(CountControls(b), 1);
    EXPECT_EQ(b->GetControlExtension()->GetDelayTime(), 30);
    EXPECT_EQ(CountLoops(c), 0);
    EXPECT_EQ(CountLoops(a), 1);
    EXPECT_TRUE(LoopFirst(a));
    EXPECT_EQ(GetLoopCount(&document), 0);
    EXPECT_EQ(document.GlobalColorMap()->GetEntryCount(), 216); // the web-safe cube

    // Frame 0 has a block of its own and a later frame another: frame 0's count stays, no second block.
    SetLoopCount(&document, 3);
    auto* later = new gif::TGifLoopExtension(b);
    later->SetLoopCount(9);
    b->GetExtensionList()->AppendItem(later);
    NormalizeGifForSave(&document, false, 0);
    EXPECT_EQ(CountLoops(a), 1);
    EXPECT_EQ(CountLoops(b), 0);
    EXPECT_EQ(GetLoopCount(&document), 3);

    // Two blocks on frame 0: the first (the one playback follows) stays.
    auto* second = new gif::TGifLoopExtension(a);
    second->SetLoopCount(8);
    a->GetExtensionList()->AppendItem(second);
    EXPECT_EQ(GetLoopCount(&document), 3);
    NormalizeGifForSave(&document, false, 0);
    EXPECT_EQ(CountLoops(a), 1);
    EXPECT_EQ(GetLoopCount(&document), 3);
}

TEST_F(AppTest, NormalisingNeverChangesADisposal) {
    TGifDocument document;
    AppendPicture(document, 8, 8, 0);
    TGifFrame* b = AppendPicture(document, 8, 8, 1);
    // A full-size transparent frame that must show the frame under it.
    SetFrameDisposal(b, gif::dpKeep);
    b->GetControlExtension()->SetTransparentFlag(true);
    b->GetControlExtension()->SetTransparentIndex(0);
    b->SetTransparentFrame(true);
    ASSERT_EQ(document.GetWidth(), 8);
    NormalizeGifForSave(&document, false, 0);
    EXPECT_EQ(b->GetControlExtension()->GetDisposalMethod(), gif::dpKeep);
    NormalizeGifForSave(&document, true, 0);
    EXPECT_EQ(b->GetControlExtension()->GetDisposalMethod(), gif::dpKeep);
}

TEST_F(AppTest, NormalisingForDisplayTakesTheSwatchColourAsBackground) {
    TGifDocument document;
    TGifFrame* a = AppendPicture(document, 8, 8, 0);
    document.SetWidth(16);
    SetFrameDisposal(a, gif::dpKeep);
    a->GetControlExtension()->SetTransparentFlag(true);
    a->SetTransparentFrame(true);
    SetTransparentColorSource([] { return gif::TGifColor(0x00FF00); });
    NormalizeGifForSave(&document, false, 0); // saving: untouched
    int32_t before = document.GetHeader()->ScreenDescriptor().BackgroundIndex;
    NormalizeGifForSave(&document, true, 0);
    int32_t index = document.GetHeader()->ScreenDescriptor().BackgroundIndex;
    EXPECT_EQ(document.GlobalColorMap()->EntryColor(index), 0x00FF00);
    (void)before;
}

TEST_F(AppTest, AddingAPictureFollowsThePaletteSettings) {
    // No dialog yet: the prompt answers Cancel and nothing is added.
    {
        TGifDocument document;
        auto bitmap = MakeBitmap(8, 8, [](int x, int y) { return Stripes(x, y, 0); });
        EXPECT_EQ(AddBitmapFrame(&document, bitmap.get(), 0), -1);
        EXPECT_EQ(document.FrameCount(), 0);
    }
    // The prompt's answer is applied.
    {
        int prompts = 0;
        SetPaletteSettingsPrompt([&](int32_t& type, int32_t& dither, int32_t& colors) {
            ++prompts;
            EXPECT_EQ(type, 2); // the stored defaults come in
            type = 1;
            return true;
        });
        TGifDocument document;
        auto bitmap = MakeBitmap(8, 8, [](int x, int y) { return Stripes(x, y, 0); });
        EXPECT_EQ(AddBitmapFrame(&document, bitmap.get(), 0), 0);
        EXPECT_EQ(prompts, 1);
        EXPECT_EQ(document.GetReductionMethod(), gif::rdWebSafe216);
        SetPaletteSettingsPrompt(nullptr);
    }
    struct Case {
        int Type;
        bool OneGlobalTable;
    } cases[] = {{0, true}, {2, false}};
    for (const auto& c : cases) {
        StorePalette(c.Type, 16, 1, true);
        TGifDocument document;
        for (int seed = 0; seed < 2; ++seed) {
            auto bitmap = MakeBitmap(12, 10, [seed](int x, int y) { return Stripes(x, y, seed * 3); });
            EXPECT_EQ(AddBitmapFrame(&document, bitmap.get(), 5), seed);
        }
        ASSERT_EQ(document.FrameCount(), 2);
        EXPECT_EQ(document.GetReductionMethod(), gif::rdOctree);
        EXPECT_EQ(document.GetQuantizeBits(), 4);
        EXPECT_EQ(document.GetDitherMethod(), gif::dtFloydSteinberg);
        EXPECT_GT(document.GlobalColorMap()->GetEntryCount(), 0);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(document.Frame(i)->GetLocalColorMap()->GetEntryCount() == 0, c.OneGlobalTable)
                << "type " << c.Type << " frame " << i;
        // The first frame's defaults: endless loop, one second.
        EXPECT_EQ(GetLoopCount(&document), 0);
        EXPECT_EQ(document.Frame(0)->GetControlExtension()->GetDelayTime(), 100);
    }
}

TEST_F(AppTest, AddingAtTheLastIndexAppendsAndAtZeroKeepsTheLoopCount) {
    StorePalette(2, 256, 0, true);
    TGifDocument document;
    auto picture = [](int seed) { return MakeBitmap(8, 8, [seed](int x, int y) { return Stripes(x, y, seed); }); };
    for (int seed = 0; seed < 3; ++seed)
        AddBitmapFrame(&document, picture(seed).get(), seed);
    ASSERT_EQ(document.FrameCount(), 3);
    TGifFrame* last = document.Frame(2);
    EXPECT_EQ(AddBitmapFrame(&document, picture(4).get(), 2), 3); // the last index appends
    EXPECT_EQ(document.Frame(2), last);
    EXPECT_EQ(AddBitmapFrame(&document, picture(4).get(), 1), 1); // below it inserts
    EXPECT_EQ(document.FrameCount(), 5);

    SetLoopCount(&document, 3);
    TGifFrame* old0 = document.Frame(0);
    EXPECT_EQ(AddBitmapFrame(&document, picture(5).get(), 0), 0);
    EXPECT_EQ(GetLoopCount(&document), 3);
    EXPECT_TRUE(LoopFirst(document.Frame(0)));
    EXPECT_EQ(CountLoops(old0), 0);
    auto bytes = Encoded(document);
    TGifDocument reread;
    vcl::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
    stream.SetPosition(0);
    reread.LoadFromStream(&stream);
    EXPECT_EQ(GetLoopCount(&reread), 3);
}

TEST_F(AppTest, FittingSizes) {
    TGifDocument document;
    AppendPicture(document, 20, 10);
    TGifFrame* b = AppendPicture(document, 20, 10, 1);
    // Wider but lower: the screen grows to 30 x 10 and no frame is cropped.
    auto wide = MakeBitmap(30, 6, [](int, int) { return 0; });
    FitFrameSize(&document, wide.get(), false);
    EXPECT_EQ(document.GetWidth(), 30);
    EXPECT_EQ(document.GetHeight(), 10);
    EXPECT_EQ(b->Descriptor().Height, 10);
    // Trimming crops the picture to the screen.
    auto big = MakeBitmap(40, 40, [](int x, int y) { return x == 0 && y == 0 ? 0xFFFFFF : 0; });
    FitFrameSize(&document, big.get(), true);
    EXPECT_EQ(big->GetWidth(), 30);
    EXPECT_EQ(big->GetHeight(), 10);
    EXPECT_EQ(static_cast<uint8_t*>(big->ScanLine(0))[0], 0xFF); // the top-left part stays

    // Trimming frames: cropped in place with their extensions; one wholly beyond the edge stays.
    TGifDocument trim;
    TGifFrame* f = AppendPicture(trim, 10, 10, 0);
    TGifFrame* g = AppendPicture(trim, 4, 4, 1);
    g->ChangeGeometry(8, 8, 4, 4);
    SetFrameDelay(f, 42);
    std::vector<uint8_t> row(f->GetPixels(), f->GetPixels() + 6);
    auto edge = MakeBitmap(6, 8, [](int, int) { return 0; });
    TrimFramesToSize(&trim, edge.get());
    EXPECT_EQ(f->Descriptor().Width, 6);
    EXPECT_EQ(f->Descriptor().Height, 8);
    EXPECT_EQ(f->GetControlExtension()->GetDelayTime(), 42);
    EXPECT_EQ(std::vector<uint8_t>(f->GetPixels(), f->GetPixels() + 6), row);
    EXPECT_EQ(g->Descriptor().Width, 4); // starts at 8, beyond the edge at 6
    EXPECT_EQ(g->Descriptor().Height, 4);
}

TEST_F(AppTest, SavingAndLoadingWithTheUsersMessages) {
    StorePalette(2, 256, 0, true);
    TGifDocument document;
    for (int seed = 0; seed < 3; ++seed) {
        auto bitmap = MakeBitmap(16, 12, [seed](int x, int y) { return Stripes(x, y, seed); });
        AddBitmapFrame(&document, bitmap.get(), seed);
    }
    document.SetWidth(16);
    document.SetHeight(12);
    SetLoopCount(&document, 2);
    const std::string file = Path("saved.gif");
    EXPECT_TRUE(SaveGifFile(&document, file, true, true));
    EXPECT_EQ(GifEncodedSize(&document), int64_t(ReadFile(file).size()));
    EXPECT_EQ(ReadFile(file), Encoded(document));

    // Saving over a missing file without leave to create.
    AnswerBox();
    EXPECT_FALSE(SaveGifFile(&document, Path("absent.gif"), true, false));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "Error saving file! Unable to save " + Path("absent.gif") + " to disk.");
    EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONWARNING);
    EXPECT_FALSE(std::filesystem::exists(Path("absent.gif")));
    // A target that cannot be written: the message, and the folder that stands there stays.
    std::filesystem::create_directory(Path("folder.gif"));
    FBoxes.clear();
    AnswerBox();
    EXPECT_FALSE(SaveGifFile(&document, Path("folder.gif"), true, true));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(Path("folder.gif")));

    // A write that fails half-way (a frame whose size no longer fits its pixels): the old file as it was,
    // no temporary file left beside it.
    {
        const auto old = ReadFile(file);
        TGifDocument broken;
        AppendPicture(broken, 8, 8, 0);
        AppendPicture(broken, 8, 8, 1)->Descriptor().Width = 4;
        FBoxes.clear();
        AnswerBox();
        EXPECT_FALSE(SaveGifFile(&broken, file, true, true));
        ASSERT_EQ(FBoxes.size(), 1u);
        EXPECT_EQ(FBoxes[0].Text, "Error saving file! Unable to save " + file + " to disk.");
        EXPECT_EQ(ReadFile(file), old);
        int entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(FDir))
            ++entries;
        EXPECT_EQ(entries, 3); // config/, saved.gif and folder.gif/
    }

    TGifDocument loaded;
    EXPECT_TRUE(LoadGifFile(&loaded, file));
    EXPECT_EQ(loaded.FrameCount(), 3);
    EXPECT_EQ(GetLoopCount(&loaded), 2);

    // A file cut short, one that is no GIF, and a missing one: the message, the document as it was.
    const auto good = ReadFile(file);
    const auto before = Encoded(loaded);
    WriteFile("cut.gif", std::vector<uint8_t>(good.begin(), good.begin() + 20));
    WriteFile("text.gif", {'h', 'e', 'l', 'l', 'o', '\n'});
    for (const char* name : {"cut.gif", "text.gif", "missing.gif"}) {
        FBoxes.clear();
        size_t beeps = FScreen.Beeps().size();
        AnswerBox();
        EXPECT_FALSE(LoadGifFile(&loaded, Path(name))) << name;
        ASSERT_EQ(FBoxes.size(), 1u) << name;
        EXPECT_EQ(FBoxes[0].Text, "Error loading " + Path(name) +
                                      "! Loomwick does not support the file type or it is a corrupted file.");
        EXPECT_EQ(Encoded(loaded), before) << name;
        if (std::string(name) != "missing.gif")
            EXPECT_GT(FScreen.Beeps().size(), beeps) << name;
    }
}

TEST_F(AppTest, ReadingImageFilesIntoBitmaps) {
    StorePalette(2, 256, 0, true);
    // A GIF of one frame gives its picture; an animated one leaves the bitmap and succeeds.
    TGifDocument one;
    auto picture = MakeBitmap(9, 7, [](int x, int y) { return Stripes(x, y, 0); });
    AddBitmapFrame(&one, picture.get(), 0);
    ASSERT_TRUE(SaveGifFile(&one, Path("one.gif"), true, true));
    auto second = MakeBitmap(9, 7, [](int x, int y) { return Stripes(x, y, 2); });
    AddBitmapFrame(&one, second.get(), 1);
    ASSERT_TRUE(SaveGifFile(&one, Path("two.gif"), true, true));

    vcl::TBitmap bitmap;
    EXPECT_EQ(LoadImageFileToBitmap(Path("one.gif"), &bitmap, ImageFileTypeIndex("one.gif")), 0);
    EXPECT_EQ(bitmap.GetWidth(), 9);
    EXPECT_EQ(bitmap.GetHeight(), 7);
    vcl::TBitmap untouched;
    EXPECT_EQ(LoadImageFileToBitmap(Path("two.gif"), &untouched, 0), 0);
    EXPECT_TRUE(untouched.GetEmpty());

    picture->SaveToFile(Path("p.bmp"));
    vcl::TBitmap bmp;
    EXPECT_EQ(LoadImageFileToBitmap(Path("p.bmp"), &bmp, 2), 0);
    EXPECT_EQ(bmp.GetWidth(), 9);

    struct Case {
        std::string Name;
        std::vector<uint8_t> Bytes;
        std::string Text;
    } cases[] = {
        {"bad.bmp", {'B', 'M', 1, 2}, ""},
        {"x.jif", {0xFF, 0xD8, 0xFF}, ""},
        {"notes.txt", {'x'}, "notes.txt is an unrecognized file type!"},
        {"missing.png", {}, ""},
    };
    for (const auto& c : cases) {
        if (c.Name != "missing.png")
            WriteFile(c.Name, c.Bytes);
        FBoxes.clear();
        AnswerBox();
        vcl::TBitmap target;
        EXPECT_EQ(LoadImageFileToBitmap(Path(c.Name), &target, ImageFileTypeIndex(c.Name)), -1) << c.Name;
        ASSERT_EQ(FBoxes.size(), 1u) << c.Name;
        std::string expected = c.Text.empty() ? "Error loading " + Path(c.Name) +
                                                    "! Loomwick does not support the file type or it is a "
                                                    "corrupted file."
                                              : c.Text;
        EXPECT_EQ(FBoxes[0].Text, expected);
        EXPECT_TRUE(target.GetEmpty()) << c.Name;
    }
}

} // namespace

namespace {

// The colour of a pixel of a 24-bit bitmap (red in the low byte).
int32_t PixelOf(vcl::TBitmap& bitmap, int x, int y) {
    const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    return row[x * 3 + 2] | row[x * 3 + 1] << 8 | row[x * 3] << 16;
}

TEST_F(AppTest, OtherFormatsGoThroughTheImageComponent) {
    // A 3 x 2 PPM of six colours.
    const int32_t colours[2][3] = {{0x0000FF, 0x00FF00, 0xFF0000}, {0xFFFFFF, 0x000000, 0x336699}};
    std::vector<uint8_t> ppm = {'P', '6', '\n', '3', ' ', '2', '\n', '2', '5', '5', '\n'};
    for (const auto& row : colours)
        for (int32_t c : row)
            ppm.insert(ppm.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    WriteFile("six.ppm", ppm);
    vcl::TBitmap bitmap;
    ASSERT_EQ(LoadImageFileToBitmap(Path("six.ppm"), &bitmap, ImageFileTypeIndex("six.ppm")), 0);
    ASSERT_EQ(bitmap.GetWidth(), 3);
    ASSERT_EQ(bitmap.GetHeight(), 2);
    ASSERT_EQ(bitmap.GetPixelFormat(), vcl::pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PixelOf(bitmap, x, y), colours[y][x]) << x << "," << y;

    // The component now holds that picture: a file it reads nothing from, one it cannot read and one
    // that is cut short are failures with the message, never that picture.
    std::vector<uint8_t> cut(ppm.begin(), ppm.begin() + 14);
    struct Case {
        std::string Name;
        std::vector<uint8_t> Bytes;
    } cases[] = {{"photo.jif", {0xFF, 0xD8, 0xFF, 0xE0}}, {"broken.png", {'n', 'o', 't'}}, {"cut.ppm", cut},
                 {"shape.wmf", {0xD7, 0xCD, 0xC6, 0x9A}}};
    for (const auto& c : cases) {
        WriteFile(c.Name, c.Bytes);
        FBoxes.clear();
        AnswerBox();
        vcl::TBitmap target;
        EXPECT_EQ(LoadImageFileToBitmap(Path(c.Name), &target, ImageFileTypeIndex(c.Name)), -1) << c.Name;
        ASSERT_EQ(FBoxes.size(), 1u) << c.Name;
        EXPECT_EQ(FBoxes[0].Text, "Error loading " + Path(c.Name) +
                                      "! Loomwick does not support the file type or it is a corrupted file.");
        EXPECT_TRUE(target.GetEmpty()) << c.Name;
    }

    // The main window's component is used while it lives; after it is freed, the routines' own again.
    auto* kit = new imaging::TImageKit(nullptr);
    SetRoutineImageKit(kit);
    vcl::TBitmap again;
    ASSERT_EQ(LoadImageFileToBitmap(Path("six.ppm"), &again, 12), 0);
    EXPECT_EQ(kit->GetBitmap()->GetWidth(), 3);
    kit->Free();
    vcl::TBitmap after;
    ASSERT_EQ(LoadImageFileToBitmap(Path("six.ppm"), &after, 12), 0);
    EXPECT_EQ(after.GetWidth(), 3);
    SetRoutineImageKit(nullptr);
}

} // namespace
