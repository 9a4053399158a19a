// Keys and mouse input through the bar library's hooks: Alt and F10 put the main menu bar into keyboard
// mode, Alt+letter opens or selects entries, shortcuts run in shown bars, key-ups of keys that closed the
// menus stay away from the form, clicks outside close the menus, and right clicks open linked popup menus.
#include "MenusTestSupport.h"

using namespace bars;
using namespace barstest;

namespace {

class HooksTest : public MenusFixture {};

TEST_F(HooksTest, TheHooksLiveFromTheFirstManagerToTheLast) {
    EXPECT_TRUE(BarHooksInstalled());
    auto* other = new vcl::TForm(nullptr);
    new TxbBarManager(other);
    delete Form;
    Form = nullptr;
    EXPECT_TRUE(BarHooksInstalled());
    delete other;
    EXPECT_FALSE(BarHooksInstalled());
}

TEST_F(HooksTest, AltAloneEntersKeyboardModeOnTheFirstEntry) {
    MakeMenuBar();
    Press(win::VK_MENU);
    EXPECT_EQ(Manager->GetKeyboardModeBar(), MainWindow());
    EXPECT_EQ(GetActiveBarControl(), MainWindow());
    EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(0));
    // Down opens the entry's menu, Esc closes it again and keeps the keyboard mode.
    Press(win::VK_DOWN);
    ASSERT_NE(MenuOf(File), nullptr);
    Press(win::VK_ESCAPE);
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_EQ(GetActiveBarControl(), MainWindow());
    // Alt again leaves it, and its release does not reach the form.
    FormKeysUp.clear();
    Press(win::VK_MENU);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(Manager->GetKeyboardModeBar(), nullptr);
    EXPECT_TRUE(FormKeysUp.empty());
}

TEST_F(HooksTest, AltWithAnotherKeyBetweenDoesNotEnterKeyboardMode) {
    MakeMenuBar();
    Key(win::VK_MENU, true);
    Press('X');
    Key(win::VK_MENU, false);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
}

TEST_F(HooksTest, F10FollowsUseF10ForMenu) {
    MakeMenuBar();
    Manager->SetUseF10ForMenu(false);
    FormKeysUp.clear();
    Press(win::VK_F10);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(FormKeysUp, std::vector<uint16_t>{win::VK_F10});
    Manager->SetUseF10ForMenu(true);
    Press(win::VK_F10);
    EXPECT_EQ(GetActiveBarControl(), MainWindow());
}

TEST_F(HooksTest, AltLetterOpensTheEntrysMenuWithItsFirstEntrySelected) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* menu = MenuOf(File);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
    EXPECT_EQ(GetActiveBarControl(), menu);
    EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(0));
    ASSERT_NE(menu->GetSelectedControl(), nullptr);
    EXPECT_EQ(menu->GetSelectedControl()->GetItem(), Open);
    // Just below the entry, at its left edge.
    win::TRect r{};
    win::GetWindowRect(menu->GetHandle(), &r);
    const win::TRect entry = MainWindow()->GetItemScreenRect(MainControl(0));
    EXPECT_EQ(r.Left, entry.Left);
    EXPECT_EQ(r.Top, entry.Bottom);
    // Escape closes it; its release stays away from the form.
    FormKeysUp.clear();
    Press(win::VK_ESCAPE);
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_TRUE(FormKeysUp.empty());
}

TEST_F(HooksTest, TheReleaseOfAKeyThatClosedTheLastMenuNeverReachesTheForm) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    FormKeysUp.clear();
    // Enter on "Open" runs it and closes every bar window.
    Press(win::VK_RETURN);
    EXPECT_EQ(Clicks, std::vector<std::string>{"&Open"});
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_TRUE(FormKeysUp.empty());
    // The next key is the form's again.
    Press('A');
    EXPECT_EQ(FormKeysUp, std::vector<uint16_t>{'A'});
}

TEST_F(HooksTest, TwoEntriesSharingALetterAreSelectedWithoutRunning) {
    MakeMenuBar();
    Edit->SetCaption("&File too");
    Chord(win::VK_MENU, 'F');
    EXPECT_EQ(GetActiveBarControl(), MainWindow());
    EXPECT_EQ(MainWindow()->GetSelectedControl(), MainControl(0));
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_EQ(MenuOf(Edit), nullptr);
}

TEST_F(HooksTest, AShortcutRunsInAShownToolbarNotInAHiddenOne) {
    MakeMenuBar();
    TxbBar* tools = Manager->GetBars()->Add();
    tools->SetDockingStyle(dsTop);
    AddButton(tools->GetItemLinks(), "Print", vcl::ShortCut('P', vcl::TShiftState{vcl::ssCtrl}));
    tools->SetVisible(true);
    tools->GetControl()->HandleNeeded();
    Chord(win::VK_CONTROL, 'P');
    EXPECT_EQ(Clicks, std::vector<std::string>{"Print"});
    tools->SetVisible(false);
    Chord(win::VK_CONTROL, 'P');
    EXPECT_EQ(Clicks, std::vector<std::string>{"Print"});
    // A shortcut inside the main menu's menus runs with no menu open.
    Chord(win::VK_CONTROL, 'O');
    EXPECT_EQ(Clicks, (std::vector<std::string>{"Print", "&Open"}));
}

TEST_F(HooksTest, AClickOutsideClosesEveryMenuAndStillReachesItsWindow) {
    MakeMenuBar();
    auto* panel = new vcl::TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(300, 300, 100, 100);
    int downs = 0;
    panel->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int32_t, int32_t) { ++downs; };
    Chord(win::VK_MENU, 'F');
    MenuOf(File)->GetItemLinks()->GetItem(2)->GetControl()->Activate(false);
    ASSERT_NE(MenuOf(Recent), nullptr);
    const win::TPoint inside = panel->ClientToScreen(win::TPoint{10, 10});
    FScreen.InjectClick(inside);
    DrainMessages();
    EXPECT_EQ(MenuOf(Recent), nullptr);
    EXPECT_EQ(MenuOf(File), nullptr);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(downs, 1);
}

TEST_F(HooksTest, ARightReleaseOutsideTheChainIsSwallowedWhileAMenuIsOpen) {
    MakeMenuBar();
    auto* panel = new vcl::TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(300, 300, 100, 100);
    auto* popup = new TxbBarPopupMenu(Form);
    AddButton(popup->GetItemLinks(), "Cut");
    TxbBarPopupMenuLink* link = Manager->GetPopupMenuLinks()->Add();
    link->SetControl(panel);
    link->SetPopupMenu(popup);
    std::vector<bool> opened;
    popup->OnPopup = [&](vcl::TObject*) { opened.push_back(true); };
    const win::TPoint inside = panel->ClientToScreen(win::TPoint{10, 10});
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    FScreen.InjectMouse(headless::MouseAction::RightUp, inside);
    DrainMessages();
    EXPECT_TRUE(opened.empty());
    EXPECT_NE(MenuOf(File), nullptr);
    // With no menu open the release opens the control's linked popup.
    while (GetActiveBarControl())
        GetActiveBarControl()->DeactivateAll();
    FScreen.InjectMouse(headless::MouseAction::RightUp, inside);
    // The popup's own loop waits until the user closes it.
    FScreen.Script([&] {
        ASSERT_NE(popup->GetControl(), nullptr);
        EXPECT_EQ(popup->GetControl()->GetRequestedPosition().X, inside.X);
        popup->GetControl()->DeactivateAll();
    });
    DrainMessages();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_FALSE(popup->IsOpen());
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

} // namespace
