// Popup menus: made only with a manager, opened at a point with a loop of their own that drops commands
// and gives back a quit, linked to controls (right click, context-menu key, Shift+F10, OnAction), a right
// click running an entry, shortcuts through menus that hold each other, and drop-down buttons that forget a
// freed menu.
#include "MenusTestSupport.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/user/Cursors.h"

using namespace bars;
using namespace barstest;

namespace {

// A control that counts the commands it receives.
class TCommandCounter : public vcl::TCustomControl {
public:
    using vcl::TCustomControl::TCustomControl;
    int Commands = 0;

protected:
    void WndProc(vcl::TMessage& message) override {
        if (message.Msg == win::WM_COMMAND)
            ++Commands;
        vcl::TCustomControl::WndProc(message);
    }
};

class PopupMenuTest : public MenusFixture {
protected:
    void SetUp() override {
        MenusFixture::SetUp();
        ShowForm();
        Popup = new TxbBarPopupMenu(Form);
        Cut = AddButton(Popup->GetItemLinks(), "Cu&t");
        AddButton(Popup->GetItemLinks(), "&Copy");
        Panel = new vcl::TPanel(Form);
        Panel->SetParent(Form);
        Panel->SetBounds(200, 150, 120, 80);
        Panel->HandleNeeded();
    }
    // Closes the open popup from inside its loop.
    void ScriptClose() {
        FScreen.Script([this] {
            if (Popup->GetControl())
                Popup->GetControl()->DeactivateAll();
        });
    }
    TxbBarPopupMenuLink* Link(TxbBarPopupMenu* menu) {
        TxbBarPopupMenuLink* link = Manager->GetPopupMenuLinks()->Add();
        link->SetControl(Panel);
        link->SetPopupMenu(menu);
        return link;
    }
    TxbBarPopupMenu* Popup = nullptr;
    TMenuButton* Cut = nullptr;
    vcl::TPanel* Panel = nullptr;
};

TEST_F(PopupMenuTest, APopupMenuNeedsAManager) {
    delete Form;
    Form = nullptr;
    try {
        TxbBarPopupMenu menu(nullptr);
        FAIL() << "made without a manager";
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "There are no TxbBarManagers available");
    }
}

TEST_F(PopupMenuTest, PopupWaitsForTheMenuToCloseAndDropsCommandsPostedMeanwhile) {
    auto* counter = new TCommandCounter(Form);
    counter->SetParent(Form);
    counter->HandleNeeded();
    std::vector<std::string> events;
    Popup->OnPopup = [&](vcl::TObject*) { events.push_back("popup"); };
    Popup->OnCloseUp = [&](vcl::TObject*) {
        // The window is gone by then.
        TxbBarSubMenuControl* menu = Popup->GetControl();
        events.push_back(menu && menu->HandleAllocated() ? "closeup with a window" : "closeup");
    };
    FScreen.Script([&] {
        EXPECT_TRUE(Popup->IsOpen());
        EXPECT_TRUE(IsAnyPopupMenuOpen());
        win::PostMessage(counter->GetHandle(), win::WM_COMMAND, 1, 0);
        // Popup on an open menu returns at once.
        Popup->Popup(10, 10);
    });
    ScriptClose();
    Popup->Popup(300, 200);
    EXPECT_EQ(events, (std::vector<std::string>{"popup", "closeup"}));
    EXPECT_FALSE(Popup->IsOpen());
    EXPECT_FALSE(IsAnyPopupMenuOpen());
    EXPECT_EQ(Popup->GetControl(), nullptr);
    DrainMessages();
    EXPECT_EQ(counter->Commands, 0);
}

TEST_F(PopupMenuTest, AQuitTakenByTheLoopIsPostedAgain) {
    FScreen.Script([] { win::PostQuitMessage(7); });
    Popup->Popup(300, 200);
    win::MSG msg{};
    ASSERT_TRUE(win::PeekMessage(&msg, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_NE(Popup->GetControl(), nullptr);
    Popup->GetControl()->DeactivateAll();
    EXPECT_FALSE(Popup->IsOpen());
}

TEST_F(PopupMenuTest, ARightClickRunsAnEntryOfAContextPopupInsideItsLoop) {
    FScreen.Script([this] {
        TxbBarSubMenuControl* menu = Popup->GetControl();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->IsInMenuChain());
        const win::TRect r = menu->GetItemScreenRect(Cut->GetLink(0)->GetControl());
        const win::TPoint centre{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
        FScreen.InjectMouse(headless::MouseAction::Move, centre);
        FScreen.InjectMouse(headless::MouseAction::RightDown, centre);
        FScreen.InjectMouse(headless::MouseAction::RightUp, centre);
    });
    Popup->Popup(300, 200);
    EXPECT_EQ(Clicks, std::vector<std::string>{"Cu&t"});
    EXPECT_EQ(Popup->GetControl(), nullptr);
}

TEST_F(PopupMenuTest, LinkActionsDecideWhetherAndWhereTheMenuOpens) {
    struct Case {
        const char* name;
        bool withMenu;
        int allow; // what OnAction sets: -1 nothing, 0 false, 1 true
        int32_t moveX;
        bool answer;
        bool opens;
    };
    const Case cases[] = {
        {"no menu, left alone", false, -1, 0, false, false},
        {"no menu, allowed: the click is swallowed", false, 1, 0, true, false},
        {"menu refused", true, 0, 0, false, false},
        {"menu left alone", true, -1, 0, true, true},
        {"menu moved", true, -1, 15, true, true},
    };
    const win::TPoint click = Panel->ClientToScreen(win::TPoint{30, 40});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Manager->GetPopupMenuLinks()->Clear();
        TxbBarPopupMenuLink* link = Link(c.withMenu ? Popup : nullptr);
        std::vector<win::TPoint> seen;
        link->OnAction = [&](TxbBarPopupMenuLink*, int32_t& x, int32_t& y, bool byMouse, bool& allow) {
            EXPECT_TRUE(byMouse);
            seen.push_back(win::TPoint{x, y});
            x += c.moveX;
            if (c.allow >= 0)
                allow = c.allow == 1;
        };
        win::TPoint opened{-1, -1};
        Popup->OnPopup = [&](vcl::TObject*) { opened = Popup->GetControl()->GetRequestedPosition(); };
        if (c.opens)
            ScriptClose();
        EXPECT_EQ(Manager->GetPopupMenuLinks()->PopupForControl(Panel, Panel->GetHandle(), click), c.answer);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].X, 30);
        EXPECT_EQ(seen[0].Y, 40);
        if (c.opens) {
            EXPECT_EQ(opened.X, click.X + c.moveX);
            EXPECT_EQ(opened.Y, click.Y);
        } else {
            EXPECT_EQ(opened.X, -1);
        }
    }
}

TEST_F(PopupMenuTest, TheContextMenuKeyAndShiftF10OpenAtTheCaretOrTheTopLeftCorner) {
    Link(Popup);
    win::SetFocus(Panel->GetHandle());
    win::TPoint opened{-1, -1};
    Popup->OnPopup = [&](vcl::TObject*) { opened = Popup->GetControl()->GetRequestedPosition(); };
    ScriptClose();
    Press(win::VK_APPS);
    EXPECT_EQ(opened.X, Panel->ClientToScreen(win::TPoint{0, 0}).X);
    EXPECT_EQ(opened.Y, Panel->ClientToScreen(win::TPoint{0, 0}).Y);

    win::SetFocus(Panel->GetHandle());
    win::CreateCaret(Panel->GetHandle(), nullptr, 1, 12);
    win::SetCaretPos(17, 9);
    opened = win::TPoint{-1, -1};
    ScriptClose();
    Chord(win::VK_SHIFT, win::VK_F10);
    EXPECT_EQ(opened.X, Panel->ClientToScreen(win::TPoint{17, 9}).X);
    EXPECT_EQ(opened.Y, Panel->ClientToScreen(win::TPoint{17, 9}).Y);
    win::DestroyCaret();
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(PopupMenuTest, ShortcutsOfALinkedMenuWorkWhileItsControlHasTheFocus) {
    Cut->SetShortCut(vcl::ShortCut('X', vcl::TShiftState{vcl::ssCtrl}));
    Link(Popup);
    Chord(win::VK_CONTROL, 'X');
    EXPECT_TRUE(Clicks.empty());
    win::SetFocus(Panel->GetHandle());
    Chord(win::VK_CONTROL, 'X');
    EXPECT_EQ(Clicks, std::vector<std::string>{"Cu&t"});
}

TEST_F(PopupMenuTest, TheShortcutSearchEntersNoMenuTwice) {
    // A popup holding a drop-down button whose menu is that popup, and a cycle of three popups.
    auto dropDown = [this](TxbBarPopupMenu* into, TxbBarPopupMenu* menu) {
        auto* button = new TMenuButton(Form);
        button->SetButtonStyle(bsDropDown);
        button->SetDropDownMenu(menu);
        into->GetItemLinks()->Add()->SetItem(button);
    };
    dropDown(Popup, Popup);
    const vcl::TShortCut missing = vcl::ShortCut('Q', vcl::TShiftState{vcl::ssCtrl});
    EXPECT_FALSE(Popup->ExecuteShortCut(missing));

    auto* second = new TxbBarPopupMenu(Form);
    auto* third = new TxbBarPopupMenu(Form);
    dropDown(Popup, second);
    dropDown(second, third);
    dropDown(third, Popup);
    AddButton(third->GetItemLinks(), "Deep", vcl::ShortCut('D', vcl::TShiftState{vcl::ssCtrl}));
    EXPECT_FALSE(second->ExecuteShortCut(missing));
    EXPECT_TRUE(Popup->ExecuteShortCut(vcl::ShortCut('D', vcl::TShiftState{vcl::ssCtrl})));
    EXPECT_EQ(Clicks, std::vector<std::string>{"Deep"});
}

TEST_F(PopupMenuTest, AFreedPopupMenuLeavesItsButtonAndItsLinks) {
    auto* button = new TMenuButton(Form);
    button->SetButtonStyle(bsDropDown);
    button->SetDropDownMenu(Popup);
    TxbBarPopupMenuLink* link = Link(Popup);
    delete Popup;
    Popup = nullptr;
    EXPECT_EQ(button->GetDropDownMenu(), nullptr);
    EXPECT_EQ(link->GetPopupMenu(), nullptr);
    EXPECT_EQ(Manager->GetPopupMenuCount(), 0);
}

} // namespace
