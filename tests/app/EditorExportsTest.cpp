// The main window's commands 106 and 108 reach the Flash export and the frame export with the window's
// document, save dialog, file name, rows and status bar.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/ExporterForm.h"
#include "app/FlashExport.h"
#include "app/SwfHtmlForm.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/StdCtrls.h"

using apptest::EditorTest;
using exporttest::FindForm;

namespace {

struct TEditorMovie {
    int32_t Rate = 0, Images = 0;
    std::string SavedTo;
};

class TEditorRecordingShow final : public app::TFlashSlideShow {
public:
    explicit TEditorRecordingShow(TEditorMovie* movie) : FMovie(movie) {}
    void CreateMovie(int32_t, int32_t, int32_t rate) override { FMovie->Rate = rate; }
    void AddImage(vcl::TBitmap*, int32_t) override { ++FMovie->Images; }
    void MakeStream() override {}
    void SaveToFile(const std::string& fileName) override { FMovie->SavedTo = fileName; }

private:
    TEditorMovie* FMovie;
};

class EditorExports : public EditorTest {
protected:
    void TearDown() override {
        app::SetFlashSlideShowFactory(nullptr);
        EditorTest::TearDown();
    }
    void Click(vcl::TControl* control) { exporttest::ClickControl(FScreen, control); }
};

} // namespace

TEST_F(EditorExports, FlashCommandWritesTheOpenDocumentsMovie) {
    TEditorMovie movie;
    app::SetFlashSlideShowFactory([&movie] { return std::make_unique<TEditorRecordingShow>(&movie); });
    FScreen.AnswerFiles({WriteGif("anim.gif", apptest::ThreeFrames(25, 0))});
    Form->DispatchCommand(102);
    FScreen.AnswerFiles({Path("movie.swf")});
    std::string html;
    FScreen.Script([&] {
        auto* dialog = FindForm<app::TSWFHTMLFrm>();
        ASSERT_NE(dialog, nullptr);
        html = dialog->mmoFlash->GetText();
        Click(dialog->Button1);
    });
    Form->DispatchCommand(106);
    EXPECT_EQ(FScreen.FileDialogRequests().back().FileName, "anim.swf");
    EXPECT_EQ(movie.SavedTo, Path("movie.swf"));
    EXPECT_EQ(movie.Rate, 4);
    EXPECT_EQ(movie.Images, 3);
    EXPECT_EQ(html, app::FlashHtml(8, 8, "movie.swf", true));
    EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(1)->GetText(), " ");
    EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(2)->GetText(), "");
    EXPECT_EQ(Form->dlgSave->GetFilter(), "Gif Files (*.gif)|*.gif");
    EXPECT_EQ(Form->dlgSave->GetDefaultExt(), "gif");
}

TEST_F(EditorExports, FrameExportListsTheRowsWithTheirSelection) {
    FScreen.AnswerFiles({WriteGif("anim.gif", apptest::ThreeFrames())});
    Form->DispatchCommand(102);
    Row(0)->SetSelected(false);
    Row(1)->SetSelected(true);
    Row(2)->SetSelected(true);
    std::vector<std::string> items;
    std::vector<bool> selected;
    FScreen.Script([&] {
        auto* dialog = FindForm<app::TfrmExporter>();
        ASSERT_NE(dialog, nullptr);
        for (int32_t i = 0; i < dialog->lbExport->GetItems()->Count(); ++i) {
            items.push_back(dialog->lbExport->GetItems()->Get(i));
            selected.push_back(dialog->lbExport->GetSelected(i));
        }
        Click(dialog->btnCancel);
    });
    Form->DispatchCommand(108);
    ASSERT_EQ(items.size(), 3u);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(items[size_t(i)], Row(i)->GetCaption());
    EXPECT_EQ(selected, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(FindForm<app::TfrmExporter>(), nullptr);
}
