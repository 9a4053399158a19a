// Shell, file and string helpers: the program folder, opening targets through the launcher with the
// explanation boxes, file sizes, temporary names and the row-renumbering string routines.
#include "AppTestUtil.h"

#include "app/ShellUtils.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/shell/Shell.h"

#include <sys/stat.h>

using namespace app;
using apptest::AppTest;

namespace {

TEST(ShellUtils, StringRoutinesFollowTheirCases) {
    const std::string row = "Frame 3 - a.gif";
    struct PosCase {
        std::string Part;
        int32_t Start;
        int32_t Expected;
    } positions[] = {
        {" - ", 1, 8}, {"Frame", 1, 1}, {"a.gif", 1, 11}, {"x", 1, 0}, {"", 1, 0},
        // From position 7 on the remainder is "3 - a.gif": counted in it.
        {" - ", 7, 2}, {"Frame", 2, 0}, {"gif", 15, 0}, {"f", 15, 1}, {"f", 16, 0}, {"F", 0, 1},
    };
    for (const auto& c : positions)
        EXPECT_EQ(PosFrom(row, c.Part, c.Start), c.Expected) << c.Part << " from " << c.Start;

    struct RightCase {
        int32_t Count;
        std::string Expected;
    } rights[] = {{5, "a.gif"}, {0, ""}, {20, ""}, {-1, ""}, {15, row}, {1, "f"}};
    for (const auto& c : rights)
        EXPECT_EQ(RightPart(row, c.Count), c.Expected) << c.Count;

    EXPECT_EQ(WithTrailingBackslash("/data"), "/data/");
    EXPECT_EQ(WithTrailingBackslash("/data/"), "/data/");
    EXPECT_EQ(WithTrailingBackslash(""), "");
}

TEST(ShellUtils, TheProgramFolderIsTheFolderOfTheRunningProgram) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "test_app"));
}

TEST_F(AppTest, FileSizesAndTemporaryNames) {
    WriteFile("seven.bin", {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(FileSizeOf(Path("seven.bin")), 7);
    EXPECT_EQ(FileSizeOf(Path("missing.bin")), 0);
    EXPECT_EQ(FileSizeOf(Path("*.bin")), 0); // no wildcard search
    EXPECT_EQ(FileSizeOf(FDir.string()), 0); // a folder is no file

    std::string temp = TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '/');

    std::string folder = WithTrailingBackslash(FDir.string());
    std::string a = MakeTempFileName(folder, "~LWx");
    std::string b = MakeTempFileName(folder, "~LWx");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(vcl::ExtractFilePath(a), folder);
    EXPECT_EQ(vcl::ExtractFileName(a).substr(0, 3), "~LW");
    EXPECT_TRUE(std::filesystem::is_regular_file(a));
    EXPECT_EQ(std::filesystem::file_size(a), 0u);
    EXPECT_EQ(MakeTempFileName(Path("no-such-folder/"), "~LW"), "");
}

TEST_F(AppTest, EveryShellErrorCodeHasItsExplanation) {
    const std::pair<int, std::string> cases[] = {
        {0, "The operating system is out of memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied access to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not be completed because other DDE transactions were being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {1, "An unknown error occurred when trying to load file in associated application."},
        {12, "An unknown error occurred when trying to load file in associated application."},
    };
    for (const auto& [code, text] : cases) {
        AnswerBox();
        ShellErrorMessage(code, nullptr);
        ASSERT_EQ(FBoxes.size(), 1u) << code;
        EXPECT_EQ(FBoxes[0].Caption, "Error");
        EXPECT_EQ(FBoxes[0].Text, "Unable to execute file:\n\n" + text);
        EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONWARNING);
        EXPECT_EQ(FBoxes[0].Buttons, std::vector<std::string>{"OK"});
        FBoxes.clear();
    }
    ShellErrorMessage(33, nullptr); // success: no box (a box would stall the empty script)
    ShellErrorMessage(42, nullptr);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(AppTest, ShellOpenLaunchesThroughTheDesktopAndExplainsFailures) {
    std::vector<std::vector<std::string>> launched;
    int status = 0;
    win::SetShellLaunchSpy([&](const std::vector<std::string>& argv) {
        launched.push_back(argv);
        return status;
    });
    WriteFile("help.chm", {1});
    ShellOpen(Path("help.chm"), nullptr); // success: no box
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (std::vector<std::string>{"xdg-open", Path("help.chm")}));
    ShellOpen("http://www.example.com/", nullptr);
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[1][1], "http://www.example.com/");

    // The launcher finds no program for it: code 31.
    status = 3;
    AnswerBox();
    ShellOpen(Path("help.chm"), nullptr);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text,
              "Unable to execute file:\n\nThere is no application associated with the given filename extension.");

    // A missing file never reaches the launcher.
    FBoxes.clear();
    AnswerBox();
    ShellOpen(Path("missing.chm"), nullptr);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "Unable to execute file:\n\nThe specified file was not found.");
    EXPECT_EQ(launched.size(), 3u);

    // A path of 300 characters: the too-long box, then the box for code 2.
    FBoxes.clear();
    AnswerBox();
    AnswerBox();
    ShellOpen("/" + std::string(299, 'a'), nullptr);
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(FBoxes[0].Text,
              "The path to the file is too long, please ensure the path is less than 255 characters.");
    EXPECT_EQ(FBoxes[0].Icon, vcl::MB_ICONINFORMATION);
    EXPECT_EQ(FBoxes[1].Text, "Unable to execute file:\n\nThe specified file was not found.");
    EXPECT_EQ(launched.size(), 3u);
    win::SetShellLaunchSpy(nullptr);
}

} // namespace
