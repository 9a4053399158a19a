#include "platform/vcl/CommonDialogs.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/StringList.h"
#include "platform/win/user/CommonDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vcl;

namespace {

class CommonDialogsFixture : public ::testing::Test {
protected:
    const win::FileDialogRequest& LastFileRequest() const { return FScreen.FileDialogRequests().back(); }
    // Answers the next file dialog with these files and this filter.
    void Answer(std::vector<std::string> files, int32_t filterIndex) {
        FScreen.AnswerFileDialog(
            [files, filterIndex](const win::FileDialogRequest&, win::FileDialogResult* r) {
                r->Files = files;
                r->FilterIndex = filterIndex;
                return true;
            });
    }
    headless::HeadlessScreen FScreen;
};

TEST_F(CommonDialogsFixture, FiltersWithOrWithoutTrailingBarAndFilterIndexRoundTrip) {
    struct Case {
        const char* Filter;
        int32_t IndexIn, IndexSent, IndexAnswered, IndexAfter;
    } cases[] = {
        {"GIF (*.gif)|*.gif|All|*.*", 2, 2, 1, 1},
        {"GIF (*.gif)|*.gif|All|*.*|", 1, 1, 2, 2},
        {"GIF (*.gif)|*.gif|All|*.*|", 7, 1, 2, 2}, // out of range starts on the first filter
        {"GIF (*.gif)|*.gif|", 1, 1, 5, 1},         // an impossible answer keeps the index
    };
    for (const Case& c : cases) {
        TOpenDialog dialog(nullptr);
        dialog.SetFilter(c.Filter);
        dialog.SetFilterIndex(c.IndexIn);
        Answer({"/tmp/a.gif"}, c.IndexAnswered);
        ASSERT_TRUE(dialog.Execute()) << c.Filter;
        const auto& request = LastFileRequest();
        EXPECT_EQ(request.Kind, win::FileDialogRequest::fdOpen);
        ASSERT_GE(request.Filters.size(), 1u);
        EXPECT_EQ(request.Filters[0].Description, "GIF (*.gif)");
        EXPECT_EQ(request.Filters[0].Patterns, "*.gif");
        EXPECT_EQ(request.Filters.size(), std::string(c.Filter).find("All") != std::string::npos ? 2u : 1u);
        EXPECT_EQ(request.FilterIndex, c.IndexSent) << c.Filter;
        EXPECT_EQ(dialog.GetFilterIndex(), c.IndexAfter) << c.Filter;
    }
}

TEST_F(CommonDialogsFixture, RequestCarriesTitleFolderNameAndOptions) {
    TSaveDialog dialog(nullptr);
    EXPECT_EQ(dialog.GetOptions(), (TOpenOptions{ofHideReadOnly, ofEnableSizing}));
    dialog.SetTitle("Save Animation");
    dialog.SetInitialDir("/tmp");
    dialog.SetFileName("old.gif");
    dialog.SetDefaultExt("gif");
    dialog.SetOptions({ofOverwritePrompt, ofPathMustExist, ofHideReadOnly, ofEnableSizing});
    Answer({"/tmp/new.gif"}, 1);
    ASSERT_TRUE(dialog.Execute());
    const auto& r = LastFileRequest();
    EXPECT_EQ(r.Kind, win::FileDialogRequest::fdSave);
    EXPECT_EQ(r.Title, "Save Animation");
    EXPECT_EQ(r.InitialDir, "/tmp");
    EXPECT_EQ(r.FileName, "old.gif");
    EXPECT_EQ(r.DefaultExt, "gif");
    EXPECT_EQ(r.Options, win::OFN_OVERWRITEPROMPT | win::OFN_PATHMUSTEXIST | win::OFN_HIDEREADONLY |
                             win::OFN_ENABLESIZING);
    EXPECT_EQ(dialog.GetFileName(), "/tmp/new.gif");

    TOpenDialog open(nullptr);
    open.SetOptions({ofAllowMultiSelect, ofFileMustExist, ofPathMustExist, ofHideReadOnly, ofEnableSizing});
    Answer({"/tmp/a.gif"}, 1);
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(LastFileRequest().Options, win::OFN_ALLOWMULTISELECT | win::OFN_FILEMUSTEXIST |
                                             win::OFN_PATHMUSTEXIST | win::OFN_HIDEREADONLY |
                                             win::OFN_ENABLESIZING);
}

TEST_F(CommonDialogsFixture, DefaultExtensionGoesOnTypedNamesWithoutOne) {
    struct Case {
        const char* Ext;
        const char* Typed;
        const char* Result;
    } cases[] = {
        {"gif", "/tmp/dir/anim", "/tmp/dir/anim.gif"},
        {".gif", "/tmp/dir/anim", "/tmp/dir/anim.gif"},
        {"gif", "/tmp/dir/anim.", "/tmp/dir/anim.gif"},
        {"gif", "/tmp/dir/anim.png", "/tmp/dir/anim.png"},
        {"gif", "/tmp/my.dir/anim", "/tmp/my.dir/anim.gif"},
        {"", "/tmp/dir/anim", "/tmp/dir/anim"},
    };
    for (const Case& c : cases) {
        TSaveDialog dialog(nullptr);
        dialog.SetDefaultExt(c.Ext);
        Answer({c.Typed}, 1);
        ASSERT_TRUE(dialog.Execute());
        EXPECT_EQ(dialog.GetFileName(), c.Result) << c.Ext << " " << c.Typed;
        ASSERT_EQ(dialog.GetFiles()->Count(), 1);
        EXPECT_EQ(dialog.GetFiles()->GetStrings(0), c.Result);
    }
    // Opening keeps the name of an existing file that has no extension.
    auto path =
        std::filesystem::temp_directory_path() /
        ("loomwick-dialogs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-noext");
    std::ofstream(path) << "x";
    TOpenDialog open(nullptr);
    open.SetDefaultExt("gif");
    Answer({path.string()}, 1);
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.GetFileName(), path.string());
    std::filesystem::remove(path);
}

TEST_F(CommonDialogsFixture, MultiSelectFillsFilesAndCancelKeepsEverything) {
    TOpenDialog dialog(nullptr);
    dialog.SetOptions(dialog.GetOptions() + TOpenOptions{ofAllowMultiSelect});
    Answer({"/tmp/a.gif", "/tmp/b.jpg", "/tmp/c.bmp"}, 1);
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(dialog.GetFiles()->Count(), 3);
    EXPECT_EQ(dialog.GetFiles()->GetStrings(1), "/tmp/b.jpg");
    EXPECT_EQ(dialog.GetFileName(), "/tmp/a.gif");

    // Without multi-select only the first file comes back.
    dialog.SetOptions({ofFileMustExist});
    Answer({"/tmp/d.gif", "/tmp/e.gif"}, 1);
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(dialog.GetFiles()->Count(), 1);
    EXPECT_EQ(dialog.GetFileName(), "/tmp/d.gif");

    dialog.SetFilter("A|*.a|B|*.b");
    dialog.SetFilterIndex(2);
    FScreen.CancelFileDialog();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.GetFileName(), "/tmp/d.gif");
    EXPECT_EQ(dialog.GetFiles()->Count(), 1);
    EXPECT_EQ(dialog.GetFilterIndex(), 2);
    // An answer with no file counts as a cancel.
    Answer({}, 1);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.GetFileName(), "/tmp/d.gif");
}

TEST_F(CommonDialogsFixture, ColourGoesInAndComesBack) {
    TColorDialog dialog(nullptr);
    dialog.SetTitle("Background");
    dialog.SetColor(clNavy);
    FScreen.AnswerColor(0xFF332211);
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(FScreen.ColorDialogRequests().back().Color, static_cast<win::COLORREF>(clNavy));
    EXPECT_EQ(FScreen.ColorDialogRequests().back().Title, "Background");
    EXPECT_EQ(dialog.GetColor(), 0x332211);

    // A system colour is shown as its RGB value; cancelling keeps the colour.
    dialog.SetColor(clBtnFace);
    FScreen.CancelColorDialog();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(FScreen.ColorDialogRequests().back().Color, static_cast<win::COLORREF>(ColorToRGB(clBtnFace)));
    EXPECT_EQ(dialog.GetColor(), clBtnFace);
}

} // namespace
