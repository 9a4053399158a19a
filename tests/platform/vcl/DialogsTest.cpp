#include "platform/vcl/Dialogs.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

class DialogsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        Application->ResetForTesting();
        Application->SetTitle("Quorvane Loomwick");
    }
    void TearDown() override {
        while (Screen->GetFormCount() > 0)
            Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        Application->ResetForTesting();
        Application->SetTitle("");
        win::ResetInputState();
    }
    // Reads the box shown now, then clicks one of its buttons with the mouse.
    void ScriptReadAndClick(TMessageBoxView* seen, const std::string& button) {
        FScreen.Script([this, seen, button] {
            ASSERT_TRUE(FindMessageBox(seen));
            FScreen.InjectClick(MessageBoxButtonCenter(button));
        });
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

TEST_F(DialogsFixture, TheScriptReadsCaptionTextAndButtonsAndClicksOne) {
    struct Case {
        uint32_t Flags;
        std::vector<std::string> Buttons;
        std::string Default;
        std::string Click;
        int32_t Result;
    } cases[] = {
        {MB_OK, {"OK"}, "OK", "OK", IDOK},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, {"OK", "Cancel"}, "OK", "Cancel", IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, {"Yes", "No"}, "Yes", "Yes", IDYES},
        {MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, {"Yes", "No"}, "No", "No", IDNO},
        {MB_YESNOCANCEL | MB_ICONQUESTION, {"Yes", "No", "Cancel"}, "Yes", "No", IDNO},
    };
    for (const auto& c : cases) {
        TMessageBoxView seen;
        ScriptReadAndClick(&seen, c.Click);
        EXPECT_EQ(MessageBox("Delete all frames?", "Confirm", c.Flags), c.Result) << c.Flags;
        EXPECT_EQ(seen.Caption, "Confirm");
        EXPECT_EQ(seen.Text, "Delete all frames?");
        EXPECT_EQ(seen.Buttons, c.Buttons);
        EXPECT_EQ(seen.DefaultButton, c.Default);
        EXPECT_EQ(seen.Icon, c.Flags & 0xF0);
    }
    EXPECT_FALSE(FindMessageBox(nullptr));
    EXPECT_EQ(Screen->GetFormCount(), 0); // each box freed itself
}

TEST_F(DialogsFixture, EnterEscapeAndTheCloseButtonAnswerAsTheButtonSetAllows) {
    struct Case {
        uint32_t Flags;
        int Key; // 0: the frame's close button
        int32_t Result;
    } cases[] = {
        {MB_OK, win::VK_ESCAPE, IDOK},
        {MB_OK, win::VK_RETURN, IDOK},
        {MB_OKCANCEL, win::VK_ESCAPE, IDCANCEL},
        {MB_OKCANCEL, 0, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, win::VK_RETURN, IDNO},
        {MB_YESNOCANCEL, win::VK_ESCAPE, IDCANCEL},
        {MB_OK, 0, IDOK},
    };
    for (const auto& c : cases) {
        if (c.Key)
            FScreen.ScriptKeyPress(c.Key);
        else
            FScreen.Script([] {
                TMessageBoxView v;
                ASSERT_TRUE(FindMessageBox(&v));
                win::PostMessage(v.Window, win::WM_CLOSE, 0, 0);
            });
        EXPECT_EQ(MessageBox("Text", "Caption", c.Flags), c.Result) << c.Flags << " key " << c.Key;
    }
    // Yes/No has no cancel: Escape and the close button leave the box up until a button is chosen.
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    FScreen.Script([] {
        TMessageBoxView v;
        ASSERT_TRUE(FindMessageBox(&v));
        win::PostMessage(v.Window, win::WM_CLOSE, 0, 0);
    });
    FScreen.Script([] { ASSERT_TRUE(FindMessageBox(nullptr)); });
    FScreen.ScriptKeyPress('N'); // not a mnemonic: nothing
    FScreen.Script([this] { FScreen.InjectClick(MessageBoxButtonCenter("Yes")); });
    EXPECT_EQ(MessageBox("Really?", "Confirm", MB_YESNO), IDYES);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(DialogsFixture, MessageDlgAndShowMessageTakeTheirCaptionsFromTheKindAndTheTitle) {
    TMessageBoxView seen;
    ScriptReadAndClick(&seen, "No");
    EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbCancel}, 0), mrNo);
    EXPECT_EQ(seen.Caption, "Confirm");
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_EQ(seen.Icon, MB_ICONQUESTION);

    ScriptReadAndClick(&seen, "OK");
    ShowMessage("Done");
    EXPECT_EQ(seen.Caption, "Quorvane Loomwick");
    EXPECT_EQ(seen.Icon, 0u);

    ScriptReadAndClick(&seen, "OK");
    EXPECT_EQ(MessageBox("File not found", "", MB_OK | MB_ICONSTOP), IDOK);
    EXPECT_EQ(seen.Caption, "Quorvane Loomwick"); // a plain box takes the title
    ASSERT_FALSE(FScreen.Beeps().empty());
    EXPECT_EQ(FScreen.Beeps().back(), MB_ICONSTOP);

    // A long text wraps: the box stays narrower than the screen and shows all of it.
    std::string longText(600, 'w');
    for (size_t i = 7; i < longText.size(); i += 8)
        longText[i] = ' ';
    FScreen.Script([&] {
        TMessageBoxView v;
        ASSERT_TRUE(FindMessageBox(&v));
        TRect r;
        win::GetWindowRect(v.Window, &r);
        EXPECT_LT(r.Width(), 600);
        EXPECT_EQ(v.Text, longText);
        FScreen.InjectKeyPress(win::VK_RETURN);
    });
    MessageBox(longText, "Long", MB_OK);
}

TEST_F(DialogsFixture, AnOwnedBoxStaysAboveItsOwnerAndShowsEveryLineOfItsText) {
    auto* owner = new TForm(nullptr);
    owner->Show();
    std::string text = "The following file could not be found:\r\n\r\n/tmp/missing.gif";
    FScreen.Script([&] {
        TMessageBoxView v;
        ASSERT_TRUE(FindMessageBox(&v));
        EXPECT_EQ(win::GetWindow(v.Window, win::GW_OWNER), owner->GetHandle());
        EXPECT_EQ(v.Text, text);
        TRect r;
        win::GetWindowRect(v.Window, &r);
        EXPECT_GT(r.Height(), 100); // three lines of text above the button row
        FScreen.InjectKeyPress(win::VK_RETURN);
    });
    EXPECT_EQ(MessageBox(owner->GetHandle(), text, "File Not Found", MB_OK | MB_ICONERROR), IDOK);
}

} // namespace
