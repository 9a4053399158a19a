#include "platform/vcl/ActnList.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

// An action that can say it is being loaded from a form resource.
struct LoadingAction : TAction {
    using TAction::TAction;
    void SetLoading(bool value) { value ? IncludeState(csLoading) : ExcludeState(csLoading); }
};

void PlainHandler(TObject*) {}
void OtherHandler(TObject*) {}

class ActionsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        Application->ResetForTesting();
        FForm = new TForm(nullptr);
        FForm->SetBounds(0, 0, 300, 200);
        FButton = new TButton(FForm);
        FButton->SetParent(FForm);
        FButton->SetBounds(10, 10, 75, 25);
        FList = new TActionList(FForm);
        FAction = new TAction(FList);
        FAction->SetCaption("&Open...");
        FAction->SetHint("Open|Opens a file");
        FAction->OnExecute = [this](TObject*) { ++FRuns; };
    }
    void TearDown() override {
        FForm->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        Application->ResetForTesting();
        win::ResetInputState();
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    TForm* FForm = nullptr;
    TButton* FButton = nullptr;
    TActionList* FList = nullptr;
    TAction* FAction = nullptr;
    int FRuns = 0;
};

} // namespace

TEST(ShortCuts, KeysAndShiftBitsReadAndWriteAsText) {
    struct Case {
        TShortCut Value;
        const char* Text;
    } cases[] = {
        {TShortCut('N' | scCtrl), "Ctrl+N"},
        {TShortCut(0x2E), "Del"},
        {TShortCut(0x70), "F1"},
        {TShortCut('S' | scCtrl | scShift), "Shift+Ctrl+S"},
        {TShortCut(0x25 | scAlt), "Alt+Left"},
        {scNone, ""},
    };
    for (auto& c : cases) {
        EXPECT_EQ(ShortCutToText(c.Value), c.Text);
        EXPECT_EQ(TextToShortCut(c.Text), c.Value) << c.Text;
    }
    EXPECT_EQ(TextToShortCut("ctrl+shift+n"), TShortCut('N' | scCtrl | scShift));
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Hyper+X"), scNone);
    EXPECT_EQ(ShortCut('O', TShiftState{ssCtrl}), TShortCut('O' | scCtrl));
    uint16_t key = 0;
    TShiftState shift;
    ShortCutToKey(TShortCut('O' | scCtrl | scAlt), key, shift);
    EXPECT_EQ(key, 'O');
    EXPECT_TRUE(shift.Contains(ssCtrl) && shift.Contains(ssAlt) && !shift.Contains(ssShift));
}

TEST(ShortCuts, HandlersAreTheSameWhenTheyRunTheSameCode) {
    TNotifyEvent a = PlainHandler, b = PlainHandler, c = OtherHandler, none;
    int x = 0, y = 0;
    auto make = [](int* p) { return TNotifyEvent([p](TObject*) { ++*p; }); };
    EXPECT_TRUE(SameEvent(a, b));
    EXPECT_FALSE(SameEvent(a, c));
    EXPECT_TRUE(SameEvent(none, TNotifyEvent()));
    EXPECT_FALSE(SameEvent(a, none));
    EXPECT_TRUE(SameEvent(make(&x), make(&y))); // one lambda, made for two objects
    EXPECT_FALSE(SameEvent(make(&x), [](TObject*) {}));
}

TEST_F(ActionsFixture, AControlTakesTheActionsPropertiesAndFollowsWhatItDidNotChange) {
    FButton->SetAction(FAction);
    EXPECT_EQ(FButton->GetCaption(), "&Open...");
    EXPECT_EQ(FButton->GetHint(), "Open|Opens a file");
    EXPECT_EQ(FAction->GetClientCount(), 1);
    auto* link = FButton->GetActionLink();
    EXPECT_TRUE(link->IsCaptionLinked());
    EXPECT_TRUE(link->IsOnExecuteLinked());

    FAction->SetEnabled(false);
    EXPECT_FALSE(FButton->GetEnabled());
    FAction->SetVisible(false);
    EXPECT_FALSE(FButton->GetVisible());
    FAction->SetVisible(true);
    FAction->SetEnabled(true);

    // A click runs the action's handler through the action: a disabled action runs nothing.
    FButton->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, 0);
    FButton->Perform(win::WM_LBUTTONUP, 0, 0);
    FButton->Click();
    EXPECT_GE(FRuns, 1);
    int before = FRuns;
    FAction->SetEnabled(false);
    FButton->SetEnabled(true); // the control is enabled, the action not
    FButton->Click();
    EXPECT_EQ(FRuns, before);

    // A handler of the control's own runs instead of the action.
    int own = 0;
    FButton->OnClick = [&](TObject*) { ++own; };
    EXPECT_FALSE(link->IsOnExecuteLinked());
    FButton->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(FRuns, before);

    // Freeing the action leaves the control without one.
    FAction->Free();
    FAction = nullptr;
    EXPECT_EQ(FButton->GetAction(), nullptr);
    FButton->Click();
    EXPECT_EQ(own, 2);
}

TEST_F(ActionsFixture, AssigningWhileLoadingKeepsWhatTheControlAlreadyHas) {
    FButton->SetCaption("Mine");
    auto* action = new LoadingAction(FList);
    action->SetCaption("Theirs");
    action->SetHint("Open|Opens a file");
    action->SetLoading(true);
    FButton->SetAction(action);
    action->SetLoading(false);
    EXPECT_EQ(FButton->GetCaption(), "Mine");
    EXPECT_EQ(FButton->GetHint(), "Open|Opens a file");
    EXPECT_FALSE(FButton->GetActionLink()->IsCaptionLinked());
}

TEST_F(ActionsFixture, ExecuteUpdatesFirstAndAutoCheckFlips) {
    int updates = 0;
    FAction->OnUpdate = [&](TObject*) {
        ++updates;
        FAction->SetEnabled(updates < 3);
    };
    FAction->SetAutoCheck(true);
    EXPECT_TRUE(FAction->Execute());
    EXPECT_TRUE(FAction->GetChecked());
    EXPECT_TRUE(FAction->Execute());
    EXPECT_FALSE(FAction->GetChecked());
    EXPECT_FALSE(FAction->Execute()); // the update disabled it
    EXPECT_EQ(FRuns, 2);
    EXPECT_EQ(updates, 3);
    std::string hint = "x";
    FAction->OnHint = [](std::string& h, bool& show) {
        h = "changed";
        show = false;
    };
    EXPECT_FALSE(FAction->DoHint(hint));
    EXPECT_EQ(hint, "changed");
}

TEST_F(ActionsFixture, TheFormRunsActionShortcutsAndTheIdlePassUpdatesActions) {
    FAction->SetShortCut(TShortCut('O' | scCtrl));
    int updates = 0;
    FAction->OnUpdate = [&](TObject*) { ++updates; };
    FForm->Show();
    FButton->SetFocus();
    win::QueueKeyInput(win::VK_CONTROL, true);
    win::QueueKeyInput('O', true);
    win::QueueKeyInput('O', false);
    win::QueueKeyInput(win::VK_CONTROL, false);
    Application->ProcessMessages();
    EXPECT_EQ(FRuns, 1);
    // A disabled action's shortcut does nothing.
    FAction->OnUpdate = [&](TObject*) { FAction->SetEnabled(false); };
    EXPECT_FALSE(FForm->IsShortCut('O', TShiftState{ssCtrl}));
    EXPECT_EQ(FRuns, 1);

    FAction->OnUpdate = [&](TObject*) { ++updates; };
    updates = 0;
    FScreen.Script([] { win::PostMessage(nullptr, win::WM_NULL, 0, 0); });
    Application->HandleMessage(); // nothing queued: the idle pass runs, then the script posts
    EXPECT_GE(updates, 1);
}
