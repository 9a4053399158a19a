// Hints of real toolbar buttons on the manual clock: the mouse resting on a button brings the short part of its
// hint with the shortcut after a second, leaving takes it away, the next button within 400 ms shows at once, and
// a disabled button shows one only when the manager allows it.
#include "ToolbarTestSupport.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarHints.h"
#include "platform/vcl/ActnList.h"
#include "platform/win/user/Input.h"

using namespace bars;
using namespace barstest;

namespace {

class ToolbarHintsTest : public ToolbarFixture {
protected:
    void SetUp() override {
        ToolbarFixture::SetUp();
        delete Manager;
        Manager = new TTestPainterManager(Form);
        FScreen.SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 768}, true}});
        Form->Show();
    }
    void TearDown() override {
        FreeBarHintWindow();
        ToolbarFixture::TearDown();
    }
    // A docked toolbar of buttons (caption, hint, shortcut key with Ctrl), its window made and laid out.
    struct ButtonSpec {
        const char* Caption;
        const char* Hint;
        uint16_t Key;
    };
    TxbBar* ShowBar(std::initializer_list<ButtonSpec> buttons) {
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsTop);
        for (const ButtonSpec& spec : buttons) {
            auto* button = new TxbBarButton(Form);
            button->SetCaption(spec.Caption);
            button->SetHint(spec.Hint);
            if (spec.Key)
                button->SetShortCut(vcl::scCtrl | spec.Key);
            bar->GetItemLinks()->Add()->SetItem(button);
        }
        bar->SetVisible(true);
        EXPECT_NE(bar->GetControl(), nullptr);
        bar->GetControl()->HandleNeeded();
        DrainMessages();
        bar->GetControl()->ArrangeItemLinks();
        return bar;
    }
    static TxbBarItemControl* Control(TxbBar* bar, int index) {
        return bar->GetItemLinks()->GetItem(index)->GetControl();
    }
    static win::TPoint Centre(TxbBarItemControl* control) {
        const win::TRect r = control->GetWindow()->GetItemScreenRect(control);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    void MoveTo(const win::TPoint& screen) {
        FScreen.InjectMouse(win::MouseAction::Move, screen);
        DrainMessages();
    }
    void Wait(uint32_t ms) {
        FClock.Advance(ms);
        DrainMessages();
    }
    static bool Visible() {
        TxbBarHintWindow* w = BarHintWindow();
        return w && w->HandleAllocated() && win::IsWindowVisible(w->GetHandle());
    }
    static win::TPoint HintPlace() {
        win::TRect r{};
        win::GetWindowRect(BarHintWindow()->GetHandle(), &r);
        return {r.Left, r.Top};
    }
    // A point of the form below the bars, off every toolbar.
    static constexpr win::TPoint OffTheBars{300, 400};
};

TEST_F(ToolbarHintsTest, RestingOnAButtonShowsItsShortHintWithTheShortcutAndLeavingHidesIt) {
    Manager->SetShowShortCutInHint(true);
    TxbBar* bar = ShowBar({{"Open", "Open a file|Opens an image from the disk", 'O'},
                           {"Save", "Save|Writes the image back", 'S'}});
    const win::TPoint open = Centre(Control(bar, 0));
    MoveTo(open);
    ASSERT_EQ(bar->GetControl()->GetSelectedControl(), Control(bar, 0));
    // The bar window's own hint is the long part.
    EXPECT_EQ(bar->GetControl()->GetHint(), "Opens an image from the disk");
    Wait(999);
    EXPECT_FALSE(Visible());
    Wait(1);
    ASSERT_TRUE(Visible());
    EXPECT_EQ(BarHintWindow()->GetText(), "Open a file (Ctrl+O)");
    EXPECT_EQ(HintPlace(), (win::TPoint{open.X, open.Y + 20}));

    // Leaving the bar takes the hint away; the next button within 400 ms shows its own at once.
    MoveTo(OffTheBars);
    Wait(50); // the leave of a window the mouse left between two moves
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), nullptr);
    EXPECT_FALSE(Visible());
    MoveTo(Centre(Control(bar, 1)));
    ASSERT_TRUE(Visible());
    EXPECT_EQ(BarHintWindow()->GetText(), "Save (Ctrl+S)");
    // From one button straight to the next: replaced at once.
    MoveTo(open);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(BarHintWindow()->GetText(), "Open a file (Ctrl+O)");

    // Later than 400 ms after it went, the full second again.
    MoveTo(OffTheBars);
    Wait(450);
    EXPECT_FALSE(Visible());
    MoveTo(open);
    Wait(999);
    EXPECT_FALSE(Visible());
    Wait(1);
    EXPECT_TRUE(Visible());
    // It stays ten seconds at most.
    Wait(10000);
    EXPECT_FALSE(Visible());
}

TEST_F(ToolbarHintsTest, ADisabledButtonShowsItsHintOnlyWhenTheManagerAllows) {
    for (bool allow : {true, false}) {
        SCOPED_TRACE(testing::Message() << "ShowHintForDisabledItems " << allow);
        Manager->SetShowHintForDisabledItems(allow);
        TxbBar* bar = ShowBar({{"Cut", "Cut|Moves the selection to the clipboard", 'X'}});
        Control(bar, 0)->GetItem()->SetEnabled(false);
        MoveTo(Centre(Control(bar, 0)));
        EXPECT_EQ(bar->GetControl()->GetHint(), allow ? "Moves the selection to the clipboard" : "");
        Wait(1000);
        EXPECT_EQ(Visible(), allow);
        // The application's HintShortCuts adds the shortcut.
        if (allow)
            EXPECT_EQ(BarHintWindow()->GetText(), "Cut (Ctrl+X)");
        MoveTo(OffTheBars);
        Wait(500);
        EXPECT_FALSE(Visible());
        bar->SetVisible(false);
        DrainMessages();
    }
}

TEST_F(ToolbarHintsTest, NoHintWhileTheBarIsActiveOrWithHintsOff) {
    TxbBar* bar = ShowBar({{"Open", "Open", 0}, {"Save", "Save", 0}});
    MoveTo(Centre(Control(bar, 0)));
    Wait(1000);
    ASSERT_TRUE(Visible());
    // The bar joining the active chain (keyboard mode, an open menu) takes the hint away, and none comes
    // while it is active.
    bar->GetControl()->EnterKeyboardMode(Control(bar, 1));
    EXPECT_FALSE(Visible());
    Wait(2000);
    EXPECT_FALSE(Visible());
    bar->GetControl()->DeactivateAll();
    DrainMessages();
    MoveTo(OffTheBars);
    Wait(500);
    EXPECT_FALSE(Visible());

    // With hints off none comes; one already up when they were turned off still goes after ten seconds.
    MoveTo(Centre(Control(bar, 1)));
    Wait(1000);
    ASSERT_TRUE(Visible());
    Manager->SetShowHint(false);
    Wait(10000);
    EXPECT_FALSE(Visible());
    MoveTo(OffTheBars);
    MoveTo(Centre(Control(bar, 0)));
    Wait(2000);
    EXPECT_FALSE(Visible());
}

} // namespace
