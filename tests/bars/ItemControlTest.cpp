// Item controls in a docked bar window: the click chain and its guards, pressed state while a command runs,
// selection by key and by hover, activation, what the window and the manager forget when a control goes,
// and the window's metrics and mouse activation.
#include "BarsTestSupport.h"

#include "platform/win/gdi/Text.h"
#include "platform/win/user/Messages.h"

using namespace bars;
using namespace barstest;

namespace {

// A button kind of the tests with a control that records what it is told.
class TTestButton : public TxbBarButton {
public:
    using TxbBarButton::TxbBarButton;
};

class TRecordingControl : public TxbBarItemControl {
public:
    explicit TRecordingControl(TxbBarItemLink* link) : TxbBarItemControl(link) {}
    void Enter(bool byMouse) override { Log().push_back("Enter"); }
    void Repaint() override {
        ++Repaints;
        TxbBarItemControl::Repaint();
    }
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    int Repaints = 0;
};

class ItemControlTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        RegisterItemClass<TTestButton, TRecordingControl>("TTestButton", false);
        TRecordingControl::Log().clear();
        Form->SetBounds(0, 0, 640, 480);
        Manager = MakeManager();
        Manager->SetStyle(bmsStandard);
        Manager->OnClickItem = [this](vcl::TObject*, TxbBarItem* item) {
            Log().push_back("OnClickItem " + item->GetCaption() + " used +" +
                            std::to_string(item->GetLink(0)->GetUseCount() - UseCountBefore) + " active " +
                            std::to_string(Window()->GetActive()));
        };
    }
    void TearDown() override {
        UnregisterItemClass(typeid(TTestButton));
        BarsFixture::TearDown();
    }
    static std::vector<std::string>& Log() { return TRecordingControl::Log(); }
    // A docked bar with buttons of the given captions, its window made.
    void MakeBar(std::initializer_list<const char*> captions) {
        ScopedTestWindows windows;
        Bar = Manager->GetBars()->Add();
        Bar->SetDockingStyle(dsTop);
        for (const char* caption : captions) {
            auto* button = new TTestButton(Form);
            button->SetCaption(caption);
            button->OnClick = [button](vcl::TObject*) { Log().push_back("OnClick " + button->GetCaption()); };
            Bar->GetItemLinks()->Add()->SetItem(button);
            Buttons.push_back(button);
        }
        Bar->SetVisible(true);
        ASSERT_NE(Window(), nullptr);
        Window()->HandleNeeded();
    }
    TxbBarControl* Window() const { return Bar ? Bar->GetControl() : nullptr; }
    TRecordingControl* Control(int index) const {
        return dynamic_cast<TRecordingControl*>(Bar->GetItemLinks()->GetItem(index)->GetControl());
    }

    TxbBarManager* Manager = nullptr;
    int32_t UseCountBefore = 0;
    TxbBar* Bar = nullptr;
    std::vector<TTestButton*> Buttons;
};

TEST_F(ItemControlTest, TheWindowMakesAControlPerVisibleLinkOfARegisteredKind) {
    MakeBar({"&Open", "&Save"});
    ASSERT_NE(Control(0), nullptr);
    ASSERT_NE(Control(1), nullptr);
    EXPECT_EQ(Control(0)->GetWindow(), Window());
    EXPECT_EQ(Control(0)->GetItem(), Buttons[0]);
    EXPECT_EQ(Control(0)->GetBarManager(), Manager);
    EXPECT_EQ(Control(0)->GetCaption(), "&Open");
    EXPECT_TRUE(Control(0)->GetEnabled());
    EXPECT_TRUE(Window()->OwnsItemControl(Control(1)));
    // A plain button gets the button control; an item kind without a control class gets none.
    auto* plain = new TxbBarButton(Form);
    Bar->GetItemLinks()->Add()->SetItem(plain);
    Bar->GetItemLinks()->GetItem(2)->CreateControl();
    EXPECT_NE(dynamic_cast<TxbBarButtonControl*>(Bar->GetItemLinks()->GetItem(2)->GetControl()), nullptr);
    auto* other = new TDerivedTestItem(Form);
    Bar->GetItemLinks()->Add()->SetItem(other);
    Bar->GetItemLinks()->GetItem(3)->CreateControl();
    EXPECT_EQ(Bar->GetItemLinks()->GetItem(3)->GetControl(), nullptr);
}

TEST_F(ItemControlTest, AClickMarksUseClosesTheChainThenRunsTheCommandOnce) {
    MakeBar({"&Open"});
    Window()->SetActive(true);
    ASSERT_EQ(GetActiveBarControl(), Window());
    UseCountBefore = Bar->GetItemLinks()->GetItem(0)->GetUseCount();
    Control(0)->Click(false);
    EXPECT_EQ(Log(), (std::vector<std::string>{"OnClickItem &Open used +1 active 0", "OnClick &Open"}));
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(Buttons[0]->GetClickedItemLink(), nullptr);
    EXPECT_FALSE(Control(0)->GetPressed());
}

TEST_F(ItemControlTest, AButtonThatUnclicksAfterDoingIsPressedWhileItsCommandRuns) {
    for (bool unclick : {true, false}) {
        SCOPED_TRACE(unclick);
        Bar = nullptr;
        Buttons.clear();
        MakeBar({"Run"});
        Buttons[0]->SetUnclickAfterDoing(unclick);
        std::vector<bool> pressed;
        TxbBarItemLink* clicked = nullptr;
        Buttons[0]->OnClick = [&](vcl::TObject*) {
            pressed.push_back(Control(0)->GetPressed());
            clicked = Buttons[0]->GetClickedItemLink();
        };
        const int repaints = Control(0)->Repaints;
        Control(0)->Click(false);
        EXPECT_EQ(pressed, std::vector<bool>{unclick});
        EXPECT_EQ(clicked, Bar->GetItemLinks()->GetItem(0));
        EXPECT_FALSE(Control(0)->GetPressed());
        // Released: drawn again once.
        EXPECT_EQ(Control(0)->Repaints - repaints, unclick ? 1 : 0);
        Bar->SetVisible(false);
    }
}

TEST_F(ItemControlTest, CommandsThatFreeWhatTheClickStandsOnEndQuietly) {
    enum What { FreeItem, HideBar, FreeBar, FreeForm };
    for (What what : {FreeItem, HideBar, FreeBar, FreeForm}) {
        SCOPED_TRACE(int(what));
        Bar = nullptr;
        Buttons.clear();
        MakeBar({"Go", "Stay"});
        TTestButton* button = Buttons[0];
        int runs = 0;
        // The handler is freed with its item or form: it reads its captures before it frees anything.
        button->OnClick = [&, what](vcl::TObject*) {
            ++runs;
            const What w = what;
            TTestButton* item = button;
            TxbBar* bar = Bar;
            vcl::TForm** form = &Form;
            switch (w) {
            case FreeItem: delete item; break;
            case HideBar: bar->SetVisible(false); break;
            case FreeBar: delete bar; break;
            case FreeForm: {
                vcl::TForm* f = *form;
                *form = nullptr;
                delete f;
                break;
            }
            }
        };
        Window()->SetActive(true);
        Control(0)->Click(false);
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(GetActiveBarControl(), nullptr);
        if (Form) {
            EXPECT_EQ(Manager->GetCurrentItemControl(), nullptr);
            if (what == FreeItem) {
                ASSERT_NE(Window(), nullptr);
                EXPECT_EQ(Bar->GetItemLinks()->GetCount(), 1);
            }
            if (what != FreeBar)
                Bar->SetVisible(false);
        }
    }
}

TEST_F(ItemControlTest, ADisabledControlIsHighlightedWhenSelectedByKeyNotByHover) {
    MakeBar({"A", "B"});
    Buttons[0]->SetEnabled(false);
    Window()->SelectItemControlByMouse(Control(0));
    EXPECT_EQ(Window()->GetSelectedControl(), Control(0));
    EXPECT_TRUE(Control(0)->GetSelectedByMouse());
    EXPECT_FALSE(Control(0)->IsSelected());
    EXPECT_FALSE(Control(0)->IsHighlighted());
    EXPECT_EQ(Manager->GetCurrentItemControl(), Control(0));
    Window()->SelectItemControl(nullptr);
    Window()->SelectItemControl(Control(0));
    EXPECT_FALSE(Control(0)->GetSelectedByMouse());
    EXPECT_TRUE(Control(0)->IsHighlighted());
    // Hovering an enabled one highlights it.
    Window()->SelectItemControlByMouse(Control(1));
    EXPECT_TRUE(Control(1)->IsHighlighted());
    EXPECT_FALSE(Control(0)->IsHighlighted());
}

TEST_F(ItemControlTest, DisablingTheSelectedControlDropsTheSelection) {
    MakeBar({"A"});
    Window()->SelectItemControl(Control(0));
    const int repaints = Control(0)->Repaints;
    Buttons[0]->SetEnabled(false);
    EXPECT_EQ(Window()->GetSelectedControl(), nullptr);
    EXPECT_GT(Control(0)->Repaints, repaints);
}

TEST_F(ItemControlTest, ActivateEntersThenClicksOnlyAnEnabledControl) {
    MakeBar({"A"});
    Buttons[0]->SetEnabled(false);
    Control(0)->Activate(true);
    EXPECT_TRUE(Log().empty());
    Buttons[0]->SetEnabled(true);
    UseCountBefore = Bar->GetItemLinks()->GetItem(0)->GetUseCount();
    Control(0)->Activate(true);
    EXPECT_EQ(Log(), (std::vector<std::string>{"Enter", "OnClickItem A used +1 active 0", "OnClick A"}));
}

TEST_F(ItemControlTest, AControlThatGoesLeavesNoSelectionOrCurrentControlBehind) {
    MakeBar({"A", "B"});
    Window()->SelectItemControlByMouse(Control(1));
    ASSERT_EQ(Manager->GetCurrentItemControl(), Control(1));
    Bar->GetItemLinks()->GetItem(1)->DestroyControl();
    EXPECT_EQ(Window()->GetSelectedControl(), nullptr);
    EXPECT_EQ(Manager->GetCurrentItemControl(), nullptr);
    // Freeing the item frees its links' controls the same way.
    Window()->SelectItemControl(Control(0));
    delete Buttons[0];
    EXPECT_EQ(Window()->GetSelectedControl(), nullptr);
    EXPECT_EQ(Manager->GetCurrentItemControl(), nullptr);
}

TEST_F(ItemControlTest, BaseAnswersOfAControl) {
    MakeBar({"A"});
    TxbBarItemControl* c = Control(0);
    EXPECT_TRUE(c->ClicksItem());
    EXPECT_TRUE(c->BelongsToManager());
    EXPECT_TRUE(c->IsSelectable());
    EXPECT_TRUE(c->IsHotTrackable());
    EXPECT_TRUE(c->IsUsable());
    EXPECT_TRUE(c->ClosesMenusOnClick());
    EXPECT_FALSE(c->OpensSubMenu());
    EXPECT_FALSE(c->IsClickEnabled());
    EXPECT_FALSE(c->WantsDblClick());
    EXPECT_EQ(c->GetWidth(), 0);
    EXPECT_EQ(c->GetHeight(), 0);
    EXPECT_EQ(c->GetClientAlignWidth(), 1);
    EXPECT_EQ(c->GetClientAlignHeight(), 1);
    EXPECT_FALSE(c->HasGlyph());
    // A toolbar control has a hint when its item has one.
    Buttons[0]->SetHint("");
    EXPECT_FALSE(c->HasHint());
    Buttons[0]->SetHint("Run|Runs the thing");
    EXPECT_TRUE(c->HasHint());
    c->DropDown(true);
    EXPECT_TRUE(c->GetDroppedDown());
    c->CloseUp(true);
    EXPECT_FALSE(c->GetDroppedDown());
    // The window's hint is the long part of the selected control's.
    Window()->SelectItemControl(c);
    EXPECT_EQ(Window()->GetHint(), "Runs the thing");
}

TEST_F(ItemControlTest, WindowMetricsComeFromTheHeightOfZero) {
    MakeBar({"A"});
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(Manager->GetFontHandle()));
    win::SIZE zero{};
    win::GetTextExtentPoint32(dc, "0", 1, &zero);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    ASSERT_GT(zero.cy, 0);
    EXPECT_EQ(Window()->GetTextRowHeight(), zero.cy + 6);
    EXPECT_EQ(Window()->GetMetricSeparatorSize(), std::max((zero.cy + 6) / 5, 4));
}

TEST_F(ItemControlTest, ABarWindowNeverTakesTheActivation) {
    MakeBar({"A"});
    EXPECT_EQ(win::SendMessage(Window()->GetHandle(), win::WM_MOUSEACTIVATE, 0, 0), 3);
    EXPECT_EQ(win::SendMessage(Window()->GetHandle(), win::WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(ItemControlTest, MouseInputForWindowsOutsideTheActiveChainIsDropped) {
    MakeBar({"A"});
    TxbBarControl* first = Window();
    MakeBar({"B"});
    TxbBarControl* second = Window();
    int moves = 0;
    second->OnMouseMove = [&](vcl::TObject*, vcl::TShiftState, int32_t, int32_t) { ++moves; };
    const win::LPARAM at = (5 << 16) | 5;
    win::SendMessage(second->GetHandle(), win::WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(moves, 1);
    first->SetActive(true);
    win::SendMessage(second->GetHandle(), win::WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(moves, 1);
    // Once in the chain the window hears the mouse again.
    second->SetActive(true);
    win::SendMessage(second->GetHandle(), win::WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(moves, 2);
    second->SetActive(false);
    first->SetActive(false);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
}

TEST_F(ItemControlTest, KeysWalkTheSelectableLinksOfTheActiveWindowWrapping) {
    MakeBar({"A", "B", "C"});
    auto key = [&](win::UINT vk) { win::SendMessage(Window()->GetHandle(), win::WM_KEYDOWN, vk, 0); };
    auto selected = [&]() { return Window()->GetSelectedControl(); };
    // With no active bar window keys do nothing.
    key(win::VK_HOME);
    EXPECT_EQ(selected(), nullptr);
    Window()->SetActive(true);
    struct Case {
        win::UINT Key;
        int Expected;
    };
    for (Case c : {Case{win::VK_HOME, 0}, Case{win::VK_LEFT, 2}, Case{win::VK_RIGHT, 0}, Case{win::VK_TAB, 1},
                   Case{win::VK_END, 2}, Case{win::VK_TAB, 0}, Case{win::VK_RIGHT, 1}}) {
        key(c.Key);
        EXPECT_EQ(selected(), Control(c.Expected)) << c.Key;
    }
    // A disabled control is still selectable by key.
    Buttons[1]->SetEnabled(false);
    key(win::VK_HOME);
    key(win::VK_RIGHT);
    EXPECT_EQ(selected(), Control(1));
    // Alt leaves the chain.
    key(win::VK_MENU);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    EXPECT_EQ(selected(), nullptr);
}

TEST_F(ItemControlTest, AVerticalToolbarTurnsTheArrows) {
    MakeBar({"A", "B", "C"});
    Window()->SetDockingStyle(dsLeft);
    Window()->SetActive(true);
    auto key = [&](win::UINT vk) { win::SendMessage(Window()->GetHandle(), win::WM_KEYDOWN, vk, 0); };
    key(win::VK_DOWN);
    EXPECT_EQ(Window()->GetSelectedControl(), Control(0));
    key(win::VK_DOWN);
    EXPECT_EQ(Window()->GetSelectedControl(), Control(1));
    key(win::VK_UP);
    EXPECT_EQ(Window()->GetSelectedControl(), Control(0));
    // Right and Left are the vertical bar's Down and Up, left to the toolbar's own handling.
    key(win::VK_RIGHT);
    EXPECT_EQ(Window()->GetSelectedControl(), Control(0));
    Window()->SetActive(false);
}

} // namespace
