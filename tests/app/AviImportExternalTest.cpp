// The half of tests/external/avi_ffmpeg.sh that runs inside the editor: with LOOMWICK_APP_AVI_DIR set, the
// main window imports web.avi (made there by ffmpeg) and saves it through its Save command as web.gif,
// which the script reads with gifsicle and ImageMagick. Without the variable the test is skipped.
#include "EditorTestUtil.h"

#include <cstdlib>
#include <filesystem>

namespace {

class AviImportExternal : public apptest::EditorTest {};

TEST_F(AviImportExternal, ImportedVideoSavedAsGif) {
    const char* dir = std::getenv("LOOMWICK_APP_AVI_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "LOOMWICK_APP_AVI_DIR is not set";
    const std::filesystem::path folder = dir;
    FScreen.AnswerFiles({(folder / "web.avi").string()});
    Form->DispatchCommand(107);
    ASSERT_GT(Form->Document->FrameCount(), 0);
    ASSERT_TRUE(Form->Modified);
    // Save asks for a name: the document is untitled.
    FScreen.AnswerFiles({(folder / "web.gif").string()});
    Form->DispatchCommand(104);
    EXPECT_EQ(FScreen.FileDialogRequests().size(), 2u);
    EXPECT_FALSE(Form->Modified);
    EXPECT_TRUE(std::filesystem::exists(folder / "web.gif"));
}

} // namespace
