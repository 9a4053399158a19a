// The frame list and the property panel: row captions and renumbering, one row per frame with empty frames
// included, Select All, what selecting rows shows, delays and disposals of the selected frames, the loop
// count, the transparency of every frame, and Del in a text field.
#include "EditorTestUtil.h"

#include "bars/xbBar.h"
#include "controls/FcComboBox.h"
#include "controls/FcPageControl.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "platform/win/user/User.h"

using namespace app;
using apptest::EditorTest;
using apptest::FrameSpec;
using apptest::GifSpec;

namespace {

// Five frames of their own widths; frame 3 is transparent with index 0.
GifSpec FiveFrames() {
    GifSpec spec;
    spec.Loop = 0;
    for (int i = 0; i < 5; ++i)
        spec.Frames.push_back(FrameSpec{0, 0, i + 2, 3, 1 + i % 3, 10 * (i + 1), 1, i == 3 ? 0 : -1});
    return spec;
}

uint16_t DelayOf(gif::TGifDocument* doc, int i) { return doc->Frame(i)->GetControlExtension()->GetDelayTime(); }

TEST(FrameRows, CaptionsAreRenumberedKeepingTheirFilePart) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"Frame 3 - a.gif", 1, "Frame 1 - a.gif"},
        {"Frame 1 - a - b.gif", 12, "Frame 12 - a - b.gif"},
        {"Frame 2", 5, "Frame 5"},
        {"", 1, "Frame 1"},
        {"Frame 9 -x", 2, "Frame 2"},
    };
    for (const auto& [caption, n, expected] : cases)
        EXPECT_EQ(FrameRowCaption(caption, n), expected) << caption;
}

TEST_F(EditorTest, EveryFrameHasItsRowEmptyFramesIncluded) {
    GifSpec spec = FiveFrames();
    spec.Frames[1] = FrameSpec{0, 0, 0, 0, 1, 10, 1, -1};
    spec.Frames[2].Control = false;
    // GIF files keep no frame of no pixels: the document is made here.
    BuildGif(*Form->Document, spec);
    Form->FileName = Path("empty.gif");
    Form->HasDocument = true;
    Form->FillFrameRows();
    Row(0)->SetSelected(true);
    ASSERT_EQ(Form->Document->FrameCount(), 5);
    ASSERT_TRUE(Form->Document->Frame(1)->IsEmpty());
    EXPECT_EQ(Row(1)->GetCaption(), "Frame 2 - empty.gif");
    EXPECT_EQ(Row(1)->GetSubItems()->Get(0), "0 x 0");
    EXPECT_EQ(Row(4)->GetSubItems()->Get(0), "6 x 3");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(TfrmGifMain::RowFlag(Row(i)), 0) << i;
    // Selecting the empty frame shows nothing; selecting row 4 shows frame 4.
    Row(0)->SetSelected(false);
    Row(1)->SetSelected(true);
    EXPECT_EQ(Form->imgPreview->GetPicture()->GetGraphic(), nullptr);
    EXPECT_EQ(Form->tsPreview->GetCaption(), "Preview - Frame 2");
    Form->lvFiles->ClearSelection();
    Row(4)->SetSelected(true);
    ASSERT_NE(Form->imgPreview->GetPicture()->GetGraphic(), nullptr);
    EXPECT_EQ(Form->imgPreview->GetPicture()->GetWidth(), 6);
    EXPECT_EQ(Form->spinDelay->GetText(), "0.50");
    // A double click toggles the row's flag.
    Form->lvFilesDblClick(Form->lvFiles);
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(4)), 1);
    Form->lvFilesDblClick(Form->lvFiles);
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(4)), 0);
    // Select All (203).
    Form->DispatchCommand(203);
    EXPECT_EQ(Form->lvFiles->GetSelCount(), 5);
    EXPECT_EQ(Form->tsPreview->GetCaption(), "Preview - Multi-Select");
    EXPECT_FALSE(Form->miFrameUp->GetEnabled());
    EXPECT_FALSE(Form->Modified);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, ADelayTypedSetsTheSelectedFramesOnly) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("five.gif", FiveFrames())));
    Form->lvFiles->ClearSelection();
    Row(4)->SetSelected(true);
    Row(2)->SetSelected(true);
    EXPECT_EQ(Form->spinDelay->GetText(), "0.30");
    EXPECT_EQ(Form->tsPreview->GetCaption(), "Preview - Multi-Select");
    struct Case {
        double Seconds;
        uint16_t Stored;
    };
    for (Case c : {Case{0.5, 50}, Case{0.29, 29}, Case{1000, 65535}, Case{655.35, 65535}, Case{0.01, 1}}) {
        Form->spinDelay->SetValue(c.Seconds);
        EXPECT_EQ(DelayOf(Form->Document, 2), c.Stored) << c.Seconds;
        EXPECT_EQ(DelayOf(Form->Document, 4), c.Stored) << c.Seconds;
    }
    for (int i : {0, 1, 3})
        EXPECT_EQ(DelayOf(Form->Document, i), 10 * (i + 1)) << i;
    EXPECT_TRUE(Form->Modified);
    // The disposal box sets the selected frames' disposal.
    Form->cboDisposal->SetItemIndex(3);
    Form->cboDisposalChange(Form->cboDisposal);
    EXPECT_EQ(Form->Document->Frame(2)->GetControlExtension()->GetDisposalMethod(), 3);
    EXPECT_EQ(Form->Document->Frame(4)->GetControlExtension()->GetDisposalMethod(), 3);
    EXPECT_EQ(Form->Document->Frame(3)->GetControlExtension()->GetDisposalMethod(), 1);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, TheLoopControlsSetTheLoopCount) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("loop.gif", FiveFrames())));
    EXPECT_TRUE(Form->optLoopForever->GetChecked());
    EXPECT_FALSE(Form->spinPlayTimes->GetEnabled());
    Form->spinPlayTimes->SetValue(1);
    Form->optLoopSpecified->SetChecked(true);
    EXPECT_TRUE(Form->spinPlayTimes->GetEnabled());
    EXPECT_FALSE(HasLoopExtension(Form->Document));
    Form->spinPlayTimes->SetValue(4);
    EXPECT_EQ(GetLoopCount(Form->Document), 4);
    Form->spinPlayTimes->SetValue(70000); // the box's maximum
    EXPECT_EQ(GetLoopCount(Form->Document), 65535);
    Form->optLoopForever->SetChecked(true);
    EXPECT_EQ(GetLoopCount(Form->Document), 0);
    EXPECT_TRUE(HasLoopExtension(Form->Document));
    EXPECT_FALSE(Form->Modified);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, UntickingUseImageTransparencyGivesEveryFrameDisposalTwo) {
    GifSpec spec = FiveFrames();
    spec.Frames[0].Control = false;
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("trans.gif", spec)));
    EXPECT_TRUE(Form->chkAnimationTrans->GetChecked());
    EXPECT_FALSE(Form->Modified);
    Form->chkAnimationTrans->SetChecked(false);
    for (int i = 0; i < 5; ++i) {
        gif::TGifGraphicControlExtension* gce = Form->Document->Frame(i)->GetControlExtension();
        ASSERT_NE(gce, nullptr) << i;
        EXPECT_EQ(gce->GetDisposalMethod(), gif::dpRestoreBackground) << i;
        EXPECT_FALSE(gce->GetTransparentFlag()) << i;
    }
    EXPECT_EQ(DelayOf(Form->Document, 0), 100) << "the frame that had no extension";
    EXPECT_FALSE(Form->Document->GetTransparent());
    EXPECT_FALSE(Form->btnSelectTransColor->GetEnabled());
    EXPECT_TRUE(Form->Modified);
    Form->chkAnimationTrans->SetChecked(true);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Form->Document->Frame(i)->GetControlExtension()->GetTransparentFlag()) << i;
    EXPECT_TRUE(Form->btnSelectTransColor->GetEnabled());
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, SelectingAFrameWithoutAControlExtensionChangesNothing) {
    GifSpec spec = FiveFrames();
    spec.Frames[2].Control = false;
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("bare.gif", spec)));
    Row(3)->SetSelected(true); // delay 0.40, transparent index 0
    Row(0)->SetSelected(false);
    Row(3)->SetSelected(false);
    EXPECT_EQ(Form->shpTransColor->GetTag(), 0);
    Row(2)->SetSelected(true);
    EXPECT_EQ(Form->Document->Frame(2)->GetControlExtension(), nullptr);
    EXPECT_EQ(Form->Document->Frame(2)->GetExtensionList()->ItemCount(), 0);
    EXPECT_EQ(Form->spinDelay->GetText(), "0.00");
    EXPECT_EQ(Form->cboDisposal->GetItemIndex(), 0);
    EXPECT_EQ(Form->cboDisposal->GetText(), "None");
    EXPECT_EQ(Form->shpTransColor->GetBrush()->GetColor(), vcl::clNone);
    EXPECT_FALSE(Form->Modified);
    // Editing it gives it an extension.
    Form->spinDelay->SetValue(0.2);
    ASSERT_NE(Form->Document->Frame(2)->GetControlExtension(), nullptr);
    EXPECT_EQ(DelayOf(Form->Document, 2), 20);
    ExpectRowsAreFrames();
}

TEST_F(EditorTest, DelInTheDelayBoxEditsTheTextAndRemovesNoFrame) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("del.gif", FiveFrames())));
    Form->spinDelay->SetFocus();
    Pump();
    ASSERT_EQ(win::GetFocus(), Form->spinDelay->GetHandle());
    FScreen.InjectKeyPress(win::VK_HOME);
    FScreen.InjectKeyPress(win::VK_DELETE);
    Pump();
    EXPECT_EQ(Form->spinDelay->GetText(), ".10");
    // The remove command with the focus there deletes text too.
    Form->DispatchCommand(202);
    EXPECT_EQ(Form->spinDelay->GetText(), "10");
    EXPECT_EQ(Form->Document->FrameCount(), 5);
    EXPECT_EQ(DelayOf(Form->Document, 0), 1000);
    ExpectRowsAreFrames();
}

} // namespace
