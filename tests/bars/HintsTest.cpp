// Toolbar hints on the manual clock: the delays, the re-show window, the text, the place and the size.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarHints.h"
#include "platform/vcl/ActnList.h"
#include "platform/win/user/Input.h"
#include "bars/xbBarUtils.h"
#include "platform/vcl/Application.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/User.h"

using namespace bars;
using namespace barstest;

namespace {

class HintsTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
    }
    void TearDown() override {
        SetBarControlFactory(nullptr);
        FreeBarHintWindow();
        BarsFixture::TearDown();
    }
    void Wait(uint32_t ms) {
        FClock.Advance(ms);
        DrainMessages();
    }
    bool Visible() {
        TxbBarHintWindow* w = BarHintWindow();
        return w && w->HandleAllocated() && win::IsWindowVisible(w->GetHandle());
    }
    win::TRect WindowRect() {
        win::TRect r{};
        win::GetWindowRect(BarHintWindow()->GetHandle(), &r);
        return r;
    }
    // The text's size in the manager's font, as DrawText measures it.
    win::TSize TextSize(const std::string& text) {
        win::HDC dc = win::GetDC(nullptr);
        win::HGDIOBJ old = win::SelectObject(dc, Manager->GetFont()->GetHandle());
        win::TRect r{0, 0, 10000, 0};
        std::string copy = text;
        win::DrawText(dc, copy, &r, win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_NOPREFIX);
        win::SelectObject(dc, old);
        win::ReleaseDC(nullptr, dc);
        return {r.Right - r.Left, r.Bottom - r.Top};
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(HintsTest, ShownAfterOneSecondGoneAfterTen) {
    win::SetCursorPos(100, 120);
    Manager->UpdateHint(true, "Open");
    Wait(999);
    EXPECT_FALSE(Visible());
    Wait(1);
    ASSERT_TRUE(Visible());
    EXPECT_TRUE(IsBarHintShown());
    // 20 pixels below the cursor, the text's size + 6.
    win::TSize text = TextSize("Open");
    EXPECT_EQ(WindowRect(), (win::TRect{100, 140, 100 + text.cx + 6, 140 + text.cy + 6}));
    EXPECT_EQ(BarHintWindow()->GetText(), "Open");
    Wait(9999);
    EXPECT_TRUE(Visible());
    Wait(1);
    EXPECT_FALSE(Visible());
}

TEST_F(HintsTest, ShownAtOnceWithin400msAfterTheLastWentAway) {
    win::SetCursorPos(100, 120);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    ASSERT_TRUE(Visible());
    // Resting on nothing: the hint goes, and the next one within 400 ms comes at once.
    Manager->UpdateHint(true, std::string());
    EXPECT_FALSE(Visible());
    Wait(399);
    Manager->UpdateHint(true, "Save");
    EXPECT_TRUE(Visible());
    EXPECT_EQ(BarHintWindow()->GetText(), "Save");
    // A visible hint is replaced at once too.
    Manager->UpdateHint(true, "Close");
    EXPECT_EQ(BarHintWindow()->GetText(), "Close");
    // After the window closed, the full delay again.
    Manager->UpdateHint(true, std::string());
    Wait(400);
    Manager->UpdateHint(true, "Open");
    EXPECT_FALSE(Visible());
    Wait(1000);
    EXPECT_TRUE(Visible());
    // A withdrawal hides it.
    Manager->UpdateHint(false);
    EXPECT_FALSE(Visible());
}

TEST_F(HintsTest, NearTheBottomItSitsAboveTheCursor) {
    win::TRect work = GetWorkAreaAtPoint({100, 100});
    int y = work.Bottom - 5, x = work.Right - 3;
    win::SetCursorPos(x, y);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    ASSERT_TRUE(Visible());
    win::TRect r = WindowRect();
    win::TSize text = TextSize("Open");
    EXPECT_EQ(r.Bottom, y);
    EXPECT_EQ(r.Right, work.Right);
    EXPECT_EQ(r.Bottom - r.Top, text.cy + 6);
}

TEST_F(HintsTest, NoneWhileCustomizingOrWithShowHintOff) {
    win::SetCursorPos(100, 120);
    Manager->SetCustomizing(true);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    EXPECT_FALSE(Visible());
    Manager->SetCustomizing(false);
    Manager->SetShowHint(false);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    EXPECT_FALSE(Visible());
}

TEST_F(HintsTest, WindowLooksAndDoesNotTakeTheMouse) {
    win::SetCursorPos(100, 120);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    ASSERT_TRUE(Visible());
    win::HWND hint = BarHintWindow()->GetHandle();
    auto style = win::DWORD(win::GetWindowLong(hint, win::GWL_STYLE));
    auto exStyle = win::DWORD(win::GetWindowLong(hint, win::GWL_EXSTYLE));
    EXPECT_EQ(style & ~win::WS_VISIBLE & 0xFF000000u, 0x88000000u); // WS_POPUP | WS_DISABLED
    EXPECT_EQ(exStyle & (win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW), win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW);
    EXPECT_EQ(win::SendMessage(hint, win::WM_NCHITTEST, 0, 0), win::HTTRANSPARENT);
    EXPECT_NE(win::GetActiveWindow(), hint);
}

TEST_F(HintsTest, PaintedWithARaisedOuterEdgeAndTheTextFromThreeThree) {
    win::SetCursorPos(100, 120);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    ASSERT_TRUE(Visible());
    win::HWND hint = BarHintWindow()->GetHandle();
    win::UpdateWindow(hint);
    win::TRect r = WindowRect();
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    // The same picture from its parts: the hint colour, the edge round the client, the text at (3, 3).
    Surface expected(w, h, win::COLORREF(vcl::ColorToRGB(vcl::Application->GetHintColor())));
    win::TRect edge{0, 0, w, h};
    win::DrawEdge(expected.Dc(), &edge, win::BDR_RAISEDOUTER, win::BF_RECT);
    win::HGDIOBJ old = win::SelectObject(expected.Dc(), Manager->GetFont()->GetHandle());
    win::SetBkMode(expected.Dc(), win::TRANSPARENT);
    win::SetTextColor(expected.Dc(), win::COLORREF(vcl::ColorToRGB(vcl::Screen->GetHintFont()->GetColor())));
    win::TRect text{3, 3, w - 1, h - 1};
    std::string open = "Open";
    win::DrawText(expected.Dc(), open, &text, win::DT_NOPREFIX | win::DT_NOCLIP | win::DT_WORDBREAK);
    win::SelectObject(expected.Dc(), old);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(FScreen.ScreenPixel(r.Left + x, r.Top + y) & 0xFFFFFF, expected.Pixel(x, y)) << x << "," << y;
}

TEST_F(HintsTest, TextBeforeTheBarWithTheShortcut) {
    struct Case {
        const char* Hint;
        bool ShowShortCut;
        const char* ShortCut;
        const char* Expected;
    } cases[] = {{"Open|Opens a file", false, "Ctrl+O", "Open"},
                 {"Open|Opens a file", true, "Ctrl+O", "Open (Ctrl+O)"},
                 {"Open", true, "", "Open"},
                 {"|Only long", true, "Ctrl+O", " (Ctrl+O)"},
                 {"A|B|C", false, "", "A"}};
    for (const Case& c : cases)
        EXPECT_EQ(ComposeBarHintText(c.Hint, c.ShowShortCut, c.ShortCut), c.Expected) << c.Hint;
}

TEST_F(HintsTest, AnActionsOnHintChangesTheTextOrWithdrawsIt) {
    SetBarControlFactory(MakeToolbarWindow);
    Form->SetBounds(0, 0, 400, 300);
    Form->Show();
    auto* action = new vcl::TAction(Form);
    action->SetHint("Open a file|Opens an image");
    auto* button = new TxbBarButton(Form);
    button->SetAction(action);
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockingStyle(dsTop);
    bar->GetItemLinks()->Add()->SetItem(button);
    bar->SetVisible(true);
    ASSERT_NE(bar->GetControl(), nullptr);
    bar->GetControl()->HandleNeeded();
    DrainMessages();
    bar->GetControl()->ArrangeItemLinks();
    TxbBarItemControl* control = bar->GetItemLinks()->GetItem(0)->GetControl();
    ASSERT_NE(control, nullptr);
    const win::TRect r = control->GetWindow()->GetItemScreenRect(control);
    struct Case {
        bool CanShow;
        const char* Rewritten;
    } cases[] = {{true, nullptr}, {true, "Load"}, {false, nullptr}};
    for (const Case& c : cases) {
        action->OnHint = [&c](std::string& text, bool& canShow) {
            if (c.Rewritten)
                text = c.Rewritten;
            canShow = c.CanShow;
        };
        FScreen.InjectMouse(win::MouseAction::Move, {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        DrainMessages();
        Wait(1000);
        EXPECT_EQ(Visible(), c.CanShow) << c.CanShow << (c.Rewritten ? c.Rewritten : "");
        if (c.CanShow)
            EXPECT_EQ(BarHintWindow()->GetText(), c.Rewritten ? c.Rewritten : "Open a file");
        FScreen.InjectMouse(win::MouseAction::Move, {300, 280});
        DrainMessages();
        Wait(500);
    }
}

TEST_F(HintsTest, TheManagerThatGoesTakesItsHintAlong) {
    win::SetCursorPos(100, 120);
    Manager->UpdateHint(true, "Open");
    Wait(1000);
    ASSERT_TRUE(Visible());
    delete Manager;
    Manager = nullptr;
    EXPECT_EQ(BarHintWindow(), nullptr);
    Wait(20000); // no timer left to fire on the freed manager
}

} // namespace
