#include "platform/win/user/CommonDialogs.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace win;

TEST(CommonDialogs, FileDialogsTakeTheScriptsAnswersWithTheOwnerDisabledMeanwhile) {
    headless::HeadlessScreen screen;
    WNDCLASSEX wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "DialogOwnerTest";
    RegisterClassEx(wc);
    HWND owner = CreateWindowEx(0, "DialogOwnerTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    bool ownerEnabledDuring = true;
    screen.AnswerFileDialog([&](const FileDialogRequest& r, FileDialogResult* result) {
        ownerEnabledDuring = IsWindowEnabled(owner);
        result->Files = {"/tmp/a.gif", "/tmp/b.gif"};
        result->FilterIndex = 2;
        return true;
    });
    FileDialogRequest request;
    request.Owner = owner;
    request.Filters = ParseFileDialogFilter("GIF files|*.gif|All files|*.*|");
    request.Options = OFN_FILEMUSTEXIST;
    FileDialogResult result;
    ASSERT_TRUE(ShowFileDialog(request, &result));
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(result.Files, std::vector<std::string>{"/tmp/a.gif"}); // one file without multi-select
    EXPECT_EQ(result.FilterIndex, 2);
    ASSERT_EQ(screen.FileDialogRequests().size(), 1u);
    EXPECT_EQ(screen.FileDialogRequests()[0].Filters.size(), 2u);
    EXPECT_EQ(screen.FileDialogRequests()[0].Filters[1].Patterns, "*.*");

    request.Options |= OFN_ALLOWMULTISELECT;
    screen.AnswerFiles({"/tmp/a.gif", "/tmp/b.gif"});
    ASSERT_TRUE(ShowFileDialog(request, &result));
    EXPECT_EQ(result.Files.size(), 2u);

    screen.CancelFileDialog();
    result.Files = {"kept"};
    EXPECT_FALSE(ShowFileDialog(request, &result));
    EXPECT_EQ(result.Files, std::vector<std::string>{"kept"});
    // A dialog nobody answers fails at once, naming the dialog, and leaves the owner usable.
    request.Kind = FileDialogRequest::fdSave;
    try {
        ShowFileDialog(request, &result);
        ADD_FAILURE() << "no stall";
    } catch (const StallError& e) {
        EXPECT_NE(std::string(e.what()).find("save dialog"), std::string::npos);
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(CommonDialogs, TheWindowThatHadTheFocusGetsItBackAfterADialog) {
    headless::HeadlessScreen screen;
    WNDCLASSEX wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "DialogFocusTest";
    RegisterClassEx(wc);
    HWND owner = CreateWindowEx(0, "DialogFocusTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    HWND child = CreateWindowEx(0, "DialogFocusTest", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, owner, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    SetActiveWindow(owner);
    SetFocus(child);
    ASSERT_EQ(GetFocus(), child);
    FileDialogRequest request;
    request.Owner = owner;
    // Chosen and cancelled: the owner stays active and the child has the focus again either way.
    for (bool chosen : {true, false}) {
        SCOPED_TRACE(chosen);
        if (chosen)
            screen.AnswerFiles({"/tmp/a.gif"});
        else
            screen.CancelFileDialog();
        FileDialogResult result;
        EXPECT_EQ(ShowFileDialog(request, &result), chosen);
        EXPECT_EQ(GetActiveWindow(), owner);
        EXPECT_EQ(GetFocus(), child);
    }
    DestroyWindow(owner);
}

TEST(CommonDialogs, ColourDialogGivesTheChosenColour) {
    headless::HeadlessScreen screen;
    ColorDialogRequest request;
    request.Color = RGB(1, 2, 3);
    screen.AnswerColor(0xFF00FF00);
    ColorDialogResult result;
    ASSERT_TRUE(ShowColorDialog(request, &result));
    EXPECT_EQ(result.Color, 0x0000FF00u);
    screen.CancelColorDialog();
    EXPECT_FALSE(ShowColorDialog(request, &result));
    EXPECT_EQ(screen.ColorDialogRequests().back().Color, RGB(1, 2, 3));
}

TEST(CommonDialogs, FilterTextsSplitIntoPairs) {
    struct Case {
        const char* Text;
        size_t Count;
    } cases[] = {
        {"", 0}, {"GIF|*.gif", 1}, {"GIF|*.gif|", 1}, {"GIF|*.gif|Lonely", 1}, {"A|*.a|B|*.b;*.c", 2}};
    for (auto& c : cases)
        EXPECT_EQ(ParseFileDialogFilter(c.Text).size(), c.Count) << c.Text;
    EXPECT_EQ(ParseFileDialogFilter("A|*.a|B|*.b;*.c")[1].Patterns, "*.b;*.c");
}
