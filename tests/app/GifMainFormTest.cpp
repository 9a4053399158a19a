// The main window: its layout's command items, the enabling rules (a table of states), the title, the
// question before unsaved changes are dropped, opening (missing, damaged and good files; loop counts;
// transparent frames left as they are), saving and Save As, and dropped files opened after 250 ms. Every
// test ends holding row i to frame i.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/AboutForm.h"
#include "app/NewGifWizard.h"
#include "bars/xbBar.h"
#include "bars/xbBarSubMenu.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcPageControl.h"
#include "controls/FcPanel.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/ole/Ole.h"
#include "platform/win/shell/Shell.h"

#include <filesystem>

using namespace app;
using apptest::EditorTest;
using apptest::FrameSpec;
using apptest::GifSpec;

namespace {

TEST_F(EditorTest, TheLayoutGivesEveryCommandItsTagCaptionAndShortcut) {
    struct Row {
        bars::TxbBarButton* Item;
        intptr_t Tag;
        const char* Caption;
        vcl::TShortCut Key;
    };
    const auto ctrl = [](char c) { return vcl::ShortCut(uint16_t(c), vcl::TShiftState{vcl::ssCtrl}); };
    const Row rows[] = {
        {Form->miNew, 101, "&New", ctrl('N')},
        {Form->miOpen, 102, "&Open...", ctrl('O')},
        {Form->miExit, 103, "E&xit", 0},
        {Form->miSave, 104, "&Save", ctrl('S')},
        {Form->miSaveAs, 105, "Save &As...", 0},
        {Form->miSaveAsFlash, 106, "Save As Macromedia Flash (*.swf)", 0},
        {Form->miImportAVI, 107, "&Import AVI...", 0},
        {Form->miExportImages, 108, "Save& Individual Frames...", 0},
        {Form->miFrameInsert, 201, "&Insert Frame...", ctrl('I')},
        {Form->miFrameRemove, 202, "&Remove Frame", vcl::ShortCut(win::VK_DELETE, {})},
        {Form->miSelectAll, 203, "Select &All Frames", ctrl('A')},
        {Form->miFrameUp, 204, "Move Frame &Up", ctrl('U')},
        {Form->miFrameDown, 205, "Move Frame Down", ctrl('D')},
        {Form->miViewPreviewWindow, 301, "&Toggle Preview Window", 0},
        {Form->miPlay, 302, "&Play Animation", ctrl('P')},
        {Form->miPause, 303, "&Pause Animation", ctrl('X')},
        {Form->miRewind, 304, "Goto &First Frame", 0},
        {Form->miPalDefaults, 401, "&Palette Defaults...", 0},
        {Form->miFrameSizeDialog, 402, "&Frame Size Defaults...", 0},
        {Form->miHTMLCode, 403, "Get HTML Code...", 0},
        {Form->miOptimize, 404, "Optimize my Animation...", 0},
        {Form->miHelpContents, 501, "Help Contents...", vcl::ShortCut(win::VK_F1, {})},
        {Form->miAbout, 502, "&About...", 0},
        {Form->miSupport, 504, "&Support...", 0},
    };
    for (const Row& row : rows) {
        ASSERT_NE(row.Item, nullptr) << row.Caption;
        EXPECT_EQ(row.Item->GetTag(), row.Tag) << row.Caption;
        EXPECT_EQ(row.Item->GetCaption(), row.Caption);
        EXPECT_EQ(row.Item->GetShortCut(), row.Key) << row.Caption;
    }
    EXPECT_EQ(Form->miExportImages->GetVisible(), bars::ivNever);
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - [UNTITLED]");
    EXPECT_EQ(vcl::Application->GetTitle(), "Quorvane Loomwick Version 7.5");
    EXPECT_FALSE(Form->HasDocument);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, TheEnablingRulesFollowTheDocumentRowsAndSelection) {
    // Five frames of their own sizes; the rows and states are set, then tag 999 (no command) runs the rules.
    GifSpec spec;
    for (int i = 0; i < 5; ++i)
        spec.Frames.push_back(FrameSpec{0, 0, i + 1, 2, 1});
    BuildGif(*Form->Document, spec);
    Form->FillFrameRows();
    struct State {
        bool Has, Playing;
        int Rows;                  // frames listed (the first ones)
        std::vector<int> Selected; // rows selected
        // play, pause, save, html, remove, insert, panel, delay, up, down
        bool Play, Pause, Save, Html, Remove, Insert, Panel, Delay, Up, Down;
    };
    const State states[] = {
        {false, false, 0, {}, false, false, false, false, false, true, false, false, false, false},
        {true, false, 1, {0}, false, false, true, true, true, true, true, true, false, false},
        {true, false, 2, {}, true, false, true, false, false, false, true, false, false, false},
        {true, false, 5, {0}, true, false, true, true, true, true, true, true, false, true},
        {true, false, 5, {4}, true, false, true, true, true, true, true, true, true, false},
        {true, false, 5, {2}, true, false, true, true, true, true, true, true, true, true},
        {true, false, 5, {1, 3}, true, false, true, true, true, true, true, true, false, false},
        {true, true, 5, {2}, false, true, true, true, true, true, true, true, true, true},
        {false, true, 5, {2}, false, false, false, false, true, true, false, true, true, true},
    };
    for (const State& s : states) {
        SCOPED_TRACE(testing::Message() << "rows " << s.Rows << " has " << s.Has << " playing " << s.Playing
                                        << " selected " << s.Selected.size());
        Form->FillFrameRows();
        while (Rows() > s.Rows)
            Form->lvFiles->GetItems()->Delete(Rows() - 1);
        for (int r : s.Selected)
            Row(r)->SetSelected(true);
        Form->HasDocument = s.Has;
        Form->Playing = s.Playing;
        Form->DispatchCommand(999);
        EXPECT_EQ(Form->miPlay->GetEnabled(), s.Play);
        EXPECT_EQ(Form->miPause->GetEnabled(), s.Pause);
        EXPECT_EQ(Form->miRewind->GetEnabled(), s.Pause);
        for (bars::TxbBarItem* item : {Form->miSave, Form->miSaveAs, Form->miSaveAsFlash, Form->miExportImages})
            EXPECT_EQ(item->GetEnabled(), s.Save) << item->GetName();
        EXPECT_EQ(Form->miHTMLCode->GetEnabled(), s.Html);
        EXPECT_EQ(Form->miOptimize->GetEnabled(), s.Html);
        EXPECT_EQ(Form->miFrameRemove->GetEnabled(), s.Remove);
        EXPECT_EQ(Form->miFrameInsert->GetEnabled(), s.Insert);
        for (vcl::TControl* c : std::initializer_list<vcl::TControl*>{
                 Form->pnlProperties, Form->pcPreview,
                 Form->tsPreview})
            EXPECT_EQ(c->GetEnabled(), s.Panel) << c->GetName();
        for (vcl::TControl* c : std::initializer_list<vcl::TControl*>{
                 Form->lblDelay1, Form->lblDelay2,
                 Form->spinDelay, Form->lblDisposal,
                 Form->cboDisposal})
            EXPECT_EQ(c->GetEnabled(), s.Delay) << c->GetName();
        EXPECT_EQ(Form->miFrameUp->GetEnabled(), s.Up);
        EXPECT_EQ(Form->miFrameDown->GetEnabled(), s.Down);
    }
    Form->Playing = false;
    Form->FillFrameRows();
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, NewOnAModifiedUntitledDocumentAsksAndACancelledSaveAsCancelsIt) {
    const std::string file = WriteGif("three.gif", apptest::ThreeFrames());
    ASSERT_TRUE(Form->OpenGifFile(file));
    Form->FileName.clear(); // untitled, with frames
    Form->Modified = true;
    AnswerWith("Yes");
    FScreen.CancelFileDialog();
    Form->DispatchCommand(101);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Caption, "Confirm");
    EXPECT_EQ(FBoxes[0].Text, "Would you like to save the changes to the UNTITLED Image ?");
    EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONQUESTION);
    EXPECT_EQ(FBoxes[0].Buttons, (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_EQ(FScreen.FileDialogRequests().size(), 1u);
    EXPECT_TRUE(Form->Modified);
    EXPECT_EQ(Rows(), 3);
    ExpectRowsAreFrames();

    // A titled document is named without its folder; No drops the changes and clears everything.
    Form->FileName = file;
    AnswerWith("No");
    // The new-animation wizard that follows is cancelled.
    FScreen.Script([] {
        if (auto* wizard = exporttest::FindForm<app::TfrmNewGifWizard>())
            wizard->btnCancel->Click();
    });
    Form->DispatchCommand(101);
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(FBoxes[1].Text, "Would you like to save the changes to three.gif ?");
    EXPECT_FALSE(Form->Modified);
    EXPECT_EQ(Form->FileName, "");
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - [UNTITLED]");
    EXPECT_EQ(Form->Document->FrameCount(), 0);
    EXPECT_FALSE(Form->HasDocument);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, OpeningShowsTheTitleLoopCountAndFrameZero) {
    struct Case {
        int Loop; // -1: no loop block
        bool Forever;
        int Times;
    };
    for (Case c : {Case{0, true, 0}, Case{-1, false, 1}, Case{3, false, 3}, Case{0, true, 0}}) {
        SCOPED_TRACE(c.Loop);
        GifSpec spec = apptest::ThreeFrames(10, c.Loop);
        spec.Frames[0].Width = 5;
        const std::string file = WriteGif("loop" + std::to_string(c.Loop) + ".gif", spec);
        FScreen.AnswerFiles({file});
        Form->DispatchCommand(102);
        EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - " + file);
        EXPECT_EQ(Form->FileName, file);
        EXPECT_TRUE(Form->HasDocument);
        EXPECT_FALSE(Form->Modified);
        EXPECT_EQ(Form->optLoopForever->GetChecked(), c.Forever);
        EXPECT_EQ(Form->optLoopSpecified->GetChecked(), !c.Forever);
        if (!c.Forever)
            EXPECT_EQ(Form->spinPlayTimes->GetIntValue(), c.Times);
        EXPECT_EQ(GetLoopCount(Form->Document), c.Loop < 0 ? 1 : c.Loop);
        EXPECT_EQ(HasLoopExtension(Form->Document), c.Loop >= 0);
        EXPECT_EQ(Row(0)->GetCaption(), "Frame 1 - " + vcl::ExtractFileName(file));
        EXPECT_TRUE(Row(0)->GetSelected());
        EXPECT_EQ(Form->ImageFolder, vcl::ExtractFilePath(file));
        ExpectRowsAreFrames();
    }
    EXPECT_EQ(Form->dlgOpen2->GetFilter(), "All (*.gif)|*.gif|GIF Image (*.gif)|*.gif");
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorTest, AFileThatCannotBeReadChangesNothing) {
    const std::string good = WriteGif("good.gif", apptest::ThreeFrames());
    ASSERT_TRUE(Form->OpenGifFile(good));
    Form->Modified = true;
    const std::vector<uint8_t> before = apptest::GifBytes(apptest::ThreeFrames());

    // A missing file: one box, and the document as it was.
    AnswerBox();
    EXPECT_FALSE(Form->OpenGifFile(Path("missing.gif")));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Caption, "File Not Found");
    EXPECT_EQ(FBoxes[0].Text, "The following file could not be found:\r\n\r\n" + Path("missing.gif"));
    EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONERROR);

    // A truncated file through the Open command: both messages; document, rows, title, name and the
    // unsaved changes stay.
    std::vector<uint8_t> cut = apptest::GifBytes(apptest::ThreeFrames());
    cut.resize(9); // inside the screen descriptor
    WriteFile("cut.gif", cut);
    FScreen.AnswerFiles({Path("cut.gif")});
    AnswerWith("No"); // the unsaved changes
    AnswerBox();
    AnswerBox();
    Form->DispatchCommand(102);
    ASSERT_EQ(FBoxes.size(), 4u);
    EXPECT_NE(FBoxes[2].Text.find("Error loading"), std::string::npos) << FBoxes[2].Text;
    EXPECT_EQ(FBoxes[3].Text, "Error Loading Image:\n\n" + Path("cut.gif"));
    EXPECT_EQ(Form->FileName, good);
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - " + good);
    EXPECT_TRUE(Form->Modified);
    EXPECT_EQ(Form->Document->FrameCount(), 3);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, OpeningAGifWithATransparentFrameKeepsEveryFrameAsRead) {
    GifSpec spec = apptest::ThreeFrames(10, 0);
    spec.Frames[1] = FrameSpec{2, 2, 3, 3, 2, 20, 1, 0};
    spec.Frames[2].Disposal = 3;
    const std::string file = WriteGif("trans.gif", spec);
    ASSERT_TRUE(Form->OpenGifFile(file));
    EXPECT_TRUE(Form->chkAnimationTrans->GetChecked());
    EXPECT_FALSE(Form->Modified);
    const int disposals[] = {1, 1, 3};
    for (int i = 0; i < 3; ++i) {
        gif::TGifGraphicControlExtension* gce = Form->Document->Frame(i)->GetControlExtension();
        ASSERT_NE(gce, nullptr);
        EXPECT_EQ(gce->GetDisposalMethod(), disposals[i]) << i;
        EXPECT_EQ(gce->GetTransparentFlag(), i == 1) << i;
    }
    EXPECT_EQ(Form->Document->Frame(1)->FrameRect(), vcl::TRect(2, 2, 5, 5));
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, SaveWritesAndSaveAsAdoptsTheNameOnlyAfterTheWrite) {
    const std::string file = WriteGif("orig.gif", apptest::ThreeFrames(10, 2));
    ASSERT_TRUE(Form->OpenGifFile(file));
    Form->Modified = true;
    Form->DispatchCommand(104);
    EXPECT_FALSE(Form->Modified);
    EXPECT_EQ(Form->FileName, file);
    gif::TGifDocument reread;
    reread.LoadFromFile(file);
    EXPECT_EQ(reread.FrameCount(), 3);
    EXPECT_EQ(GetLoopCount(&reread), 2);

    // A name in a folder that does not exist: the write fails, the name and the changes stay.
    Form->Modified = true;
    const std::string nowhere = Path("no such folder/copy.gif");
    FScreen.AnswerFiles({nowhere});
    AnswerBox();
    Form->DispatchCommand(105);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_NE(FBoxes[0].Text.find("Error saving file!"), std::string::npos);
    EXPECT_EQ(Form->FileName, file);
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - " + file);
    EXPECT_TRUE(Form->Modified);

    const std::string copy = Path("copy.gif");
    FScreen.AnswerFiles({copy});
    Form->DispatchCommand(105);
    EXPECT_EQ(Form->FileName, copy);
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - " + copy);
    EXPECT_FALSE(Form->Modified);
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(FScreen.FileDialogRequests().back().DefaultExt, "gif");
    EXPECT_EQ(Form->dlgSave->GetFilter(), "Gif Files (*.gif)|*.gif");
    EXPECT_TRUE(Row(0)->GetSelected());
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, ADroppedGifOpensAfterAQuarterSecond) {
    const std::string gif = WriteGif("b.GIF", apptest::ThreeFrames());
    const std::string bmp = Path("a.bmp");
    const win::TPoint at = Form->ClientToScreen({200, 200});
    struct Case {
        std::vector<std::string> Files;
        bool Opens;
    };
    for (const Case& c : {Case{{bmp}, false}, Case{{Path("c.txt"), bmp}, false}, Case{{bmp, gif}, true}}) {
        auto data = win::CreateFileDropDataObject(c.Files);
        win::ExternalDrag drag;
        drag.Move(data.Get(), at, win::MK_LBUTTON, win::DROPEFFECT_COPY);
        drag.Drop(data.Get(), at, 0, win::DROPEFFECT_COPY);
        EXPECT_EQ(Form->timerDelayedFileOpen->GetEnabled(), c.Opens);
        Wait(249);
        EXPECT_FALSE(Form->HasDocument);
        Wait(1);
        EXPECT_EQ(Form->HasDocument, c.Opens);
        EXPECT_FALSE(Form->timerDelayedFileOpen->GetEnabled());
    }
    EXPECT_EQ(Form->FileName, gif);
    EXPECT_EQ(Form->GetCaption(), "Quorvane Loomwick Version 7.5 - " + gif);
    EXPECT_FALSE(Form->Modified);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, ThePlacementIsRestoredOnceOnTheFirstActivation) {
    EXPECT_TRUE(Form->GetPlacementRestored());
    Form->SetBounds(40, 30, 600, 460);
    Form->FormActivate(Form);
    EXPECT_EQ(Form->GetLeft(), 40);
    EXPECT_EQ(Form->GetTop(), 30);
    vcl::TCloseAction action = vcl::caHide;
    Form->FormClose(Form, action);
    EXPECT_EQ(ReadIniInt(FormPlacementFileName(), "frmGifMainPosition", "Left", -1), 40);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, AboutShowsItsCaptionAndTitle) {
    FScreen.Script([this] {
        auto* box = dynamic_cast<TfrmAboutLoomwick*>(vcl::Screen->GetActiveForm());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->GetCaption(), "About Quorvane Loomwick");
        EXPECT_EQ(box->lblTitle->GetCaption(), "Quorvane Loomwick 7.5");
        box->btnOk->Click();
    });
    Form->DispatchCommand(502);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
    ExpectRowsAreFrames();
}

} // namespace

namespace {

TEST_F(EditorTest, ExitAsksAboutUnsavedChangesAndSavesThePlacement) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("exit.gif", apptest::ThreeFrames())));
    Form->Modified = true;
    AnswerWith("Cancel");
    Form->DispatchCommand(103);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "Would you like to save the changes to exit.gif ?");
    EXPECT_FALSE(vcl::Application->GetTerminated());
    EXPECT_FALSE(std::filesystem::exists(FormPlacementFileName()));
    Form->SetBounds(50, 60, 640, 480);
    AnswerWith("No");
    Form->DispatchCommand(103);
    Pump();
    EXPECT_TRUE(vcl::Application->GetTerminated()) << "closing the main window ends the program";
    EXPECT_EQ(ReadIniInt(FormPlacementFileName(), "frmGifMainPosition", "Left", -1), 50);
    EXPECT_EQ(ReadIniInt(FormPlacementFileName(), "frmGifMainPosition", "Top", -1), 60);
    ExpectRowsAreFrames();
}

} // namespace

namespace {

TEST_F(EditorTest, HelpAndSupportGoThroughTheDesktop) {
    std::vector<std::vector<std::string>> launched;
    win::SetShellLaunchSpy([&](const std::vector<std::string>& argv) {
        launched.push_back(argv);
        return 0;
    });
    Form->DispatchCommand(504);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (std::vector<std::string>{"xdg-open", SupportAddress}));
    EXPECT_NE(std::string(SupportAddress).find("example.com"), std::string::npos);
    // The help file beside the program: opened when it is there, explained when it is not.
    const std::string help = ProgramFolder() + "loomwick.chm";
    if (std::filesystem::exists(help)) {
        Form->DispatchCommand(501);
        ASSERT_EQ(launched.size(), 2u);
        EXPECT_EQ(launched[1][1], help);
    } else {
        AnswerBox();
        Form->DispatchCommand(501);
        ASSERT_EQ(FBoxes.size(), 1u);
        EXPECT_EQ(FBoxes[0].Text, "Unable to execute file:\n\nThe specified file was not found.");
        EXPECT_EQ(launched.size(), 1u);
    }
    win::SetShellLaunchSpy(nullptr);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, AfterTheOpenDialogTheFocusIsBackAndTheMenuKeysReachTheFlashExport) {
    Form->lvFiles->SetFocus();
    FScreen.AnswerFiles({WriteGif("k.gif", apptest::ThreeFrames())});
    Form->DispatchCommand(102);
    ASSERT_TRUE(Form->HasDocument);
    EXPECT_EQ(win::GetFocus(), Form->lvFiles->GetHandle());
    // Alt+F opens the File menu on New; four times Down goes past Open, Save and Save As to the movie.
    FScreen.InjectKey(win::VK_MENU, true);
    FScreen.InjectKeyPress('F');
    FScreen.InjectKey(win::VK_MENU, false);
    for (int i = 0; i < 4; ++i)
        FScreen.InjectKeyPress(win::VK_DOWN);
    Pump();
    auto* menu = dynamic_cast<bars::TxbBarSubMenuControl*>(bars::GetActiveBarControl());
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->GetSelectedControl(), nullptr);
    EXPECT_EQ(menu->GetSelectedControl()->GetLink()->GetItem(), Form->miSaveAsFlash);
    menu->DeactivateAll();
    ExpectRowsAreFrames();
}

} // namespace
