// The frame commands on the main window: image files inserted as frames at the place the selection gives,
// the frame-size question on the way, animated GIF files appended or becoming the document, frames removed
// and moved with their rows. Every test ends with row i standing for frame i.
#include "EditorTestUtil.h"

#include "app/FrameSizeForm.h"
#include "app/PalettePromptForm.h"
#include "app/Settings.h"
#include "bars/xbBar.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "controls/FcButton.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/SysUtils.h"

using namespace app;
using apptest::EditorTest;
using apptest::Store;
using apptest::FrameSpec;
using apptest::GifSpec;

namespace {

int LoopExtensions(gif::TGifDocument* doc) {
    int count = 0;
    for (int32_t i = 0; i < doc->FrameCount(); ++i) {
        gif::TGifExtensionList* list = doc->Frame(i)->GetExtensionList();
        for (int32_t j = 0; j < list->ItemCount(); ++j)
            count += dynamic_cast<gif::TGifLoopExtension*>(list->ExtensionAt(j)) != nullptr;
    }
    return count;
}

class FrameCommands : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // New frames take local tables without the palette question.
        Store(SettingPaletteDefaults, "1");
    }
    void TearDown() override {
        EXPECT_EQ(FScreen.ScriptLeft(), 0u);
        ExpectRowsAreFrames();
        EditorTest::TearDown();
    }
    void Insert(const std::vector<std::string>& files) {
        FScreen.AnswerFiles(files);
        Form->DispatchCommand(201);
    }
    void Select(std::initializer_list<int32_t> rows) {
        Form->lvFiles->ClearSelection();
        for (int32_t row : rows)
            Row(row)->SetSelected(true);
    }
    // Opens a GIF of the given frame widths (8 high on a 16 x 8 screen) named name.
    void OpenWidths(const std::string& name, std::vector<int> widths, int loop = 0) {
        GifSpec spec;
        spec.Width = 16;
        spec.Loop = loop;
        for (int w : widths)
            spec.Frames.push_back(FrameSpec{0, 0, w, 8, 1, 10, 1, -1});
        ASSERT_TRUE(Form->OpenGifFile(WriteGif(name, spec)));
    }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int32_t i = 0; i < Form->Document->FrameCount(); ++i)
            widths.push_back(Form->Document->Frame(i)->FrameRect().Width());
        return widths;
    }
};

TEST_F(FrameCommands, AnImageIntoAnEmptyDocumentStartsTheAnimation) {
    Insert({WriteBmp("x.bmp", 6, 5)});
    ASSERT_EQ(Form->Document->FrameCount(), 1);
    EXPECT_EQ(Form->Document->Frame(0)->GetControlExtension()->GetDelayTime(), 100);
    EXPECT_TRUE(HasLoopExtension(Form->Document));
    EXPECT_EQ(GetLoopCount(Form->Document), 0);
    EXPECT_GT(Form->Document->GlobalColorMap()->GetEntryCount(), 0);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Frame 1 - x.bmp"});
    EXPECT_TRUE(Row(0)->GetSelected());
    EXPECT_TRUE(Form->HasDocument);
    EXPECT_TRUE(Form->Modified);
    EXPECT_EQ(Form->ImageFolder, vcl::ExtractFilePath(Path("x.bmp")));
    EXPECT_EQ(Form->dlgOpen2->GetFilter(),
              "All (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|GIF "
              "Image (*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps "
              "(*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|");
    EXPECT_TRUE(Form->dlgOpen2->GetOptions().Contains(vcl::ofAllowMultiSelect));
}

TEST_F(FrameCommands, WithoutStoredDefaultsThePaletteQuestionIsAskedAndCancelSkipsTheFile) {
    Store(SettingPaletteDefaults, "0");
    auto answer = [this](bool ok) {
        FScreen.Script([ok] {
            TfrmPalettePrompt* form = nullptr;
            for (int i = 0; i < vcl::Screen->GetFormCount() && !form; ++i)
                form = dynamic_cast<TfrmPalettePrompt*>(vcl::Screen->GetForm(i));
            ASSERT_NE(form, nullptr);
            (ok ? form->btnOk : form->btnCancel)->Click();
        });
    };
    answer(false);
    answer(true);
    Insert({WriteBmp("skipped.bmp", 4, 4), WriteBmp("kept.bmp", 5, 4)});
    EXPECT_EQ(Captions(), std::vector<std::string>{"Frame 1 - kept.bmp"});
    EXPECT_TRUE(Form->HasDocument);
}

TEST_F(FrameCommands, TheSelectionGivesThePlace) {
    struct Case {
        const char* Name;
        std::vector<int32_t> Selected;
        int32_t Place;
    };
    const Case cases[] = {
        {"after the last row from row 3 of 0..4", {3}, 5},
        {"after row 1", {1}, 2},
        {"after the first of rows 1 and 3", {1, 3}, 2},
        {"no row: first", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenWidths("five.gif", {2, 3, 4, 5, 6}, 3);
        Form->lvFiles->ClearSelection();
        for (int32_t row : c.Selected)
            Row(row)->SetSelected(true);
        Insert({WriteBmp("n.bmp", 10, 8)});
        std::vector<int> widths = {2, 3, 4, 5, 6};
        widths.insert(widths.begin() + c.Place, 10);
        EXPECT_EQ(Widths(), widths);
        for (int32_t i = 0; i < Rows(); ++i)
            EXPECT_EQ(Row(i)->GetCaption(),
                      "Frame " + std::to_string(i + 1) + (i == c.Place ? " - n.bmp" : " - five.gif"));
        EXPECT_TRUE(Row(c.Place)->GetSelected());
        EXPECT_EQ(Form->Document->Frame(c.Place)->GetControlExtension()->GetDelayTime(), 100);
        // One loop extension, on frame 0, with the count the user gave.
        EXPECT_EQ(LoopExtensions(Form->Document), 1);
        EXPECT_EQ(GetLoopCount(Form->Document), 3);
        ExpectRowsAreFrames();
    }
}

TEST_F(FrameCommands, OnlyImagesTwoPixelsLargerAskAndCancelSkipsThatFile) {
    OpenWidths("anim.gif", {16, 16});
    Select({1});
    bool asked = false;
    FScreen.Script([&] {
        TfrmFrameSize* form = nullptr;
        for (int i = 0; i < vcl::Screen->GetFormCount() && !form; ++i)
            form = dynamic_cast<TfrmFrameSize*>(vcl::Screen->GetForm(i));
        ASSERT_NE(form, nullptr);
        asked = true;
        form->btnCancel->Click();
    });
    Insert({WriteBmp("wider2.bmp", 18, 8), WriteBmp("wider1.bmp", 17, 9), WriteBmp("fits.bmp", 5, 5)});
    EXPECT_TRUE(asked);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Frame 1 - anim.gif", "Frame 2 - anim.gif",
                                                    "Frame 3 - wider1.bmp", "Frame 4 - fits.bmp"}));
    EXPECT_EQ(Widths(), (std::vector<int>{16, 16, 17, 5}));

    // With a stored trim answer the next one is cut to the screen without a question.
    Store(SettingClipDefault, "1");
    Store(SettingClipFrame, "1");
    Insert({WriteBmp("large.bmp", 40, 30)});
    const int32_t w = Form->Document->GetWidth(), h = Form->Document->GetHeight();
    EXPECT_LT(w, 20);
    EXPECT_EQ(Form->Document->FrameCount(), 5);
    EXPECT_EQ(Form->Document->Frame(4)->FrameRect().Width(), w);
    EXPECT_EQ(Form->Document->Frame(4)->FrameRect().Height(), h);
    EXPECT_EQ(Row(4)->GetSubItems()->Get(0), std::to_string(w) + " x " + std::to_string(h));
}

TEST_F(FrameCommands, AnAnimatedGifIsAppendedOrBecomesTheDocument) {
    GifSpec spec = apptest::ThreeFrames(25, 4);
    spec.Frames[1].Delay = 7;
    const std::string anim = WriteGif("anim.gif", spec);

    // Into no document: the file's frames with their delays and loop count, untitled.
    Insert({anim});
    ASSERT_EQ(Form->Document->FrameCount(), 3);
    EXPECT_EQ(Form->Document->Frame(1)->GetControlExtension()->GetDelayTime(), 7);
    EXPECT_EQ(GetLoopCount(Form->Document), 4);
    EXPECT_EQ(Form->spinPlayTimes->GetIntValue(), 4);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Frame 1 - anim.gif", "Frame 2 - anim.gif",
                                                    "Frame 3 - anim.gif"}));
    EXPECT_EQ(Form->FileName, "");
    EXPECT_TRUE(Form->HasDocument);
    EXPECT_TRUE(Form->Modified);
    ExpectRowsAreFrames();

    // Into a document: appended after the last frame whatever row is selected, pictures only.
    OpenWidths("five.gif", {2, 3, 4});
    Select({0});
    Insert({anim});
    EXPECT_EQ(Widths(), (std::vector<int>{2, 3, 4, 8, 8, 8}));
    EXPECT_EQ(Row(3)->GetCaption(), "Frame 4 - anim.gif");
    EXPECT_EQ(Row(5)->GetCaption(), "Frame 6 - anim.gif");
    EXPECT_EQ(Form->Document->Frame(4)->GetControlExtension(), nullptr);
    EXPECT_EQ(LoopExtensions(Form->Document), 1);
}

TEST_F(FrameCommands, RemovingKeepsTheOthersInOrderAndAtLeastOneFrame) {
    Insert({WriteBmp("a.bmp", 4, 4), WriteBmp("b.bmp", 5, 4), WriteBmp("c.bmp", 6, 4), WriteBmp("d.bmp", 7, 4),
            WriteBmp("e.bmp", 8, 4)});
    ASSERT_EQ(Widths(), (std::vector<int>{4, 5, 6, 7, 8}));
    TfrmGifMain::SetRowFlag(Row(4), 1);
    Form->lvFiles->SetFocus();
    Select({1, 3});
    Form->DispatchCommand(202);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Frame 1 - a.bmp", "Frame 2 - c.bmp", "Frame 3 - e.bmp"}));
    EXPECT_EQ(Widths(), (std::vector<int>{4, 6, 8}));
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(2)), 1);
    EXPECT_TRUE(Row(0)->GetSelected());
    EXPECT_EQ(Form->lvFiles->GetSelCount(), 1);
    EXPECT_TRUE(Form->Modified);
    ExpectRowsAreFrames();

    // Every row selected, or only one row: the message, nothing deleted.
    Form->DispatchCommand(203);
    AnswerWith("OK");
    Form->DispatchCommand(202);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "The image must have at least one frame.");
    EXPECT_EQ(FBoxes[0].Caption, "Can't Delete Frame");
    EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONWARNING);
    EXPECT_EQ(Form->Document->FrameCount(), 3);

    // Removing frame 0 keeps the loop extension on the new frame 0 with its count.
    SetLoopCount(Form->Document, 5);
    Select({0});
    Form->DispatchCommand(202);
    EXPECT_EQ(Widths(), (std::vector<int>{6, 8}));
    EXPECT_EQ(LoopExtensions(Form->Document), 1);
    EXPECT_EQ(GetLoopCount(Form->Document), 5);
    EXPECT_TRUE(Row(0)->GetSelected());
    Select({0});
    Form->DispatchCommand(202);
    EXPECT_EQ(Widths(), (std::vector<int>{8}));
    AnswerWith("OK");
    Form->DispatchCommand(202);
    EXPECT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(Form->Document->FrameCount(), 1);
}

TEST_F(FrameCommands, MovingSwapsFramesAndRowsKeepingTheLoopCount) {
    OpenWidths("m.gif", {2, 3, 4}, 7);
    Row(0)->SetCaption("Frame 1 - first.gif");
    TfrmGifMain::SetRowFlag(Row(0), 1);
    Select({0});
    EXPECT_TRUE(Form->miFrameDown->GetEnabled());
    EXPECT_FALSE(Form->miFrameUp->GetEnabled());
    Form->Modified = false;
    Form->DispatchCommand(205);
    EXPECT_EQ(Widths(), (std::vector<int>{3, 2, 4}));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Frame 1 - m.gif", "Frame 2 - first.gif", "Frame 3 - m.gif"}));
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(0)), 0);
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(1)), 1);
    EXPECT_TRUE(Row(1)->GetSelected());
    EXPECT_EQ(Form->lvFiles->GetSelCount(), 1);
    EXPECT_EQ(GetLoopCount(Form->Document), 7);
    EXPECT_EQ(LoopExtensions(Form->Document), 1);
    EXPECT_TRUE(Form->Modified);
    ExpectRowsAreFrames();
    Form->DispatchCommand(205);
    Form->DispatchCommand(204);
    Form->DispatchCommand(204);
    EXPECT_EQ(Widths(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Row(0)->GetCaption(), "Frame 1 - first.gif");
    EXPECT_TRUE(Row(0)->GetSelected());
    EXPECT_EQ(GetLoopCount(Form->Document), 7);
}

TEST_F(FrameCommands, ANewFirstFrameTakesTheTransparentColourOnlyOfAFrameThatHasOne) {
    // A GIF87a file: no control extensions at all.
    GifSpec spec;
    spec.Frames = {FrameSpec{0, 0, 8, 8, 1, 10, 1, -1, false}, FrameSpec{0, 0, 8, 8, 2, 10, 1, -1, false}};
    const std::vector<uint8_t> bytes = apptest::GifBytes(spec);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    WriteFile("old.gif", bytes);
    ASSERT_TRUE(Form->OpenGifFile(Path("old.gif")));
    Form->lvFiles->ClearSelection();
    Insert({WriteBmp("first.bmp", 8, 8, 0x00FF00)});
    ASSERT_EQ(Form->Document->FrameCount(), 3);
    EXPECT_FALSE(Form->Document->Frame(0)->GetControlExtension()->GetTransparentFlag());
    EXPECT_EQ(Form->Document->Frame(1)->GetControlExtension(), nullptr);

    // Frame 1 transparent (blue, index 3 of the global table): the new frame 0 takes blue. A new frame 0
    // whose table has no room for the colour stays opaque.
    GifSpec transparent = apptest::ThreeFrames();
    transparent.Frames[0].Transparent = 3;
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("t.gif", transparent)));
    Form->lvFiles->ClearSelection();
    // The new picture is red and blue: blue is in its table.
    apptest::MakeBitmap(8, 8, [](int x, int) { return x < 4 ? 0x0000FF : 0xFF0000; })->SaveToFile(Path("rb.bmp"));
    Insert({Path("rb.bmp")});
    gif::TGifGraphicControlExtension* gce = Form->Document->Frame(0)->GetControlExtension();
    EXPECT_TRUE(gce->GetTransparentFlag());
    EXPECT_EQ(gce->GetTransparentColorValue(), gif::TGifColor(0xFF0000));

    // An all-green picture: its table has no room for blue, and the frame is added opaque.
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("t.gif", transparent)));
    Form->lvFiles->ClearSelection();
    Insert({WriteBmp("green.bmp", 8, 8, 0x00FF00)});
    ASSERT_EQ(Form->Document->FrameCount(), 4);
    EXPECT_EQ(Row(0)->GetCaption(), "Frame 1 - green.bmp");
    EXPECT_EQ(Form->Document->Frame(0)->GetLocalColorMap()->GetEntryCount(), 256);
    EXPECT_FALSE(Form->Document->Frame(0)->GetControlExtension()->GetTransparentFlag());
}

TEST_F(FrameCommands, ARightClickPopsUpTheFrameMenuWhoseEntriesRunTheirCommands) {
    // The menu holds the frame commands themselves, in their groups.
    ASSERT_NE(Form->pumFrames, nullptr);
    bars::TxbBarItemLinks* links = Form->pumFrames->GetItemLinks();
    const struct {
        bars::TxbBarButton* Item;
        bool BeginGroup;
    } entries[] = {{Form->miSelectAll, false}, {Form->miFrameInsert, true}, {Form->miFrameRemove, false},
                   {Form->miFrameUp, true}, {Form->miFrameDown, false}};
    ASSERT_EQ(links->Count(), 5);
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(links->GetItem(i)->GetItem(), entries[i].Item) << i;
        EXPECT_EQ(links->GetItem(i)->GetBeginGroup(), entries[i].BeginGroup) << i;
    }

    OpenWidths("p.gif", {2, 3, 4});
    Select({0});
    const vcl::TRect r = Row(1)->DisplayRect(vcl::drBounds);
    const win::TPoint at = Form->lvFiles->ClientToScreen({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    // A left press opens nothing (an open menu would wait for input the script does not give).
    const win::TPoint row0 = Form->lvFiles->ClientToScreen({at.X - Form->lvFiles->ClientToScreen({0, 0}).X,
                                                            Row(0)->DisplayRect(vcl::drBounds).Top + 2});
    FScreen.InjectMouse(win::MouseAction::LeftDown, row0);
    FScreen.InjectMouse(win::MouseAction::LeftUp, row0);
    Pump();
    EXPECT_FALSE(Form->pumFrames->IsOpen());
    EXPECT_TRUE(Row(0)->GetSelected());
    EXPECT_EQ(Form->lvFiles->GetSelCount(), 1);

    // A right press on row 1 selects it alone and then opens the menu at the cursor: its "Move Frame Down"
    // entry moves frame 1, the row pressed, down.
    bool opened = false;
    FScreen.Script([&] {
        bars::TxbBarSubMenuControl* menu = Form->pumFrames->GetControl();
        ASSERT_NE(menu, nullptr);
        opened = true;
        EXPECT_EQ(menu->GetRequestedPosition().X, at.X);
        EXPECT_EQ(menu->GetRequestedPosition().Y, at.Y);
        const win::TRect entry = menu->GetItemScreenRect(links->GetItem(4)->GetControl());
        FScreen.InjectClick({(entry.Left + entry.Right) / 2, (entry.Top + entry.Bottom) / 2});
    });
    FScreen.InjectMouse(win::MouseAction::Move, at);
    FScreen.InjectMouse(win::MouseAction::RightDown, at);
    FScreen.InjectMouse(win::MouseAction::RightUp, at);
    Pump();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(Form->pumFrames->IsOpen());
    EXPECT_EQ(Widths(), (std::vector<int>{2, 4, 3}));
    EXPECT_TRUE(Row(2)->GetSelected());
    EXPECT_TRUE(Form->Modified);
    // The enabling rules ran after the command: the last row cannot move down.
    EXPECT_FALSE(Form->miFrameDown->GetEnabled());
    EXPECT_TRUE(Form->miFrameUp->GetEnabled());
}

} // namespace
