#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

class ControlsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        Application->ResetForTesting();
    }
    void TearDown() override {
        while (Screen->GetFormCount() > 0)
            Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        Application->ResetForTesting();
        win::ResetInputState();
    }
    // A shown form at a known place.
    TForm* MakeForm(TRect bounds = {100, 100, 500, 400}) {
        auto* f = new TForm(nullptr);
        f->SetBoundsRect(bounds);
        f->Show();
        Application->ProcessMessages();
        return f;
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

// A painted control that records what reaches it.
class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* owner) : TCustomControl(owner) {}
    std::vector<win::UINT> Messages;
    TColor Fill = 0x0000FF;
    int Paints = 0;
    void Dispatch(TMessage& m) override {
        if (m.Msg >= CM_BASE || m.Msg == win::WM_SIZE || m.Msg == win::WM_USER + 5)
            Messages.push_back(m.Msg);
        if (m.Msg == win::WM_USER + 5) {
            m.Result = 42;
            return;
        }
        TCustomControl::Dispatch(m);
    }
    bool Got(win::UINT msg) const { return std::count(Messages.begin(), Messages.end(), msg) > 0; }

protected:
    void Paint() override {
        ++Paints;
        GetCanvas()->GetBrush()->SetColor(Fill);
        GetCanvas()->FillRect(GetClientRect());
    }
};

class TGraphicProbe : public TGraphicControl {
public:
    explicit TGraphicProbe(TComponent* owner) : TGraphicControl(owner) {}
    TColor Fill = 0x00FF00;

protected:
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(Fill);
        GetCanvas()->FillRect({0, 0, GetWidth(), GetHeight()});
    }
};

TEST_F(ControlsFixture, WindowsAreMadeOnAClassPerControlClassAndMessagesReachWndProc) {
    TForm* form = MakeForm();
    auto* probe = new TProbe(form);
    probe->SetBounds(10, 10, 50, 40);
    probe->SetParent(form);
    ASSERT_TRUE(probe->HandleAllocated()); // the parent has its window: the child gets one at once
    EXPECT_EQ(win::GetClassNameString(probe->GetHandle()), "TProbe");
    EXPECT_EQ(TWinControl::FindControl(probe->GetHandle()), probe);
    EXPECT_EQ(win::GetParent(probe->GetHandle()), form->GetHandle());
    // Sent through the window system or performed directly, the message reaches the same Dispatch.
    EXPECT_EQ(win::SendMessage(probe->GetHandle(), win::WM_USER + 5, 0, 0), 42);
    EXPECT_EQ(probe->Perform(win::WM_USER + 5), 42);
    // Unknown messages go to the window procedure the class was built on.
    probe->SetText("hello");
    EXPECT_EQ(win::GetWindowTextString(probe->GetHandle()), "hello");
    EXPECT_TRUE(probe->Got(CM_TEXTCHANGED));

    // A new window after RecreateWnd keeps the control's state.
    win::HWND before = probe->GetHandle();
    probe->RecreateWnd();
    EXPECT_NE(probe->GetHandle(), before);
    EXPECT_FALSE(win::IsWindow(before));
    EXPECT_EQ(win::GetWindowTextString(probe->GetHandle()), "hello");
    TRect r;
    win::GetWindowRect(probe->GetHandle(), &r);
    EXPECT_EQ(r.Width(), 50);
}

TEST_F(ControlsFixture, ChildWithoutParentWindowIsRefusedAndFreeingAParentFreesItsChildren) {
    TProbe lonely(nullptr);
    EXPECT_THROW(lonely.HandleNeeded(), EInvalidOperation);

    TForm* form = MakeForm();
    auto* outer = new TProbe(nullptr); // not owned: the parent frees it
    outer->SetParent(form);
    auto* inner = new TProbe(nullptr);
    inner->SetParent(outer);
    win::HWND innerWindow = inner->GetHandle();
    EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
    form->Free();
    EXPECT_FALSE(win::IsWindow(innerWindow)); // and ASan sees nothing leak or dangle
}

struct AlignCase {
    TAlign Align;
    TRect Expected; // in a 400 x 300 client after a 50 px top bar
};

TEST_F(ControlsFixture, AlignedChildrenFillTheirSidesInOrderAndFollowResizes) {
    TForm* form = MakeForm();
    form->SetClientWidth(400);
    form->SetClientHeight(300);
    auto make = [&](TAlign a, int w, int h) {
        auto* c = new TProbe(form);
        c->SetBounds(0, 0, w, h);
        c->SetAlign(a);
        c->SetParent(form);
        return c;
    };
    TProbe* top = make(alTop, 10, 50);
    TProbe* bottom = make(alBottom, 10, 20);
    TProbe* left = make(alLeft, 60, 10);
    TProbe* right = make(alRight, 30, 10);
    TProbe* client = make(alClient, 1, 1);
    EXPECT_EQ(top->GetBoundsRect(), (TRect{0, 0, 400, 50}));
    EXPECT_EQ(bottom->GetBoundsRect(), (TRect{0, 280, 400, 300}));
    EXPECT_EQ(left->GetBoundsRect(), (TRect{0, 50, 60, 280}));
    EXPECT_EQ(right->GetBoundsRect(), (TRect{370, 50, 400, 280}));
    EXPECT_EQ(client->GetBoundsRect(), (TRect{60, 50, 370, 280}));

    // The user drags the frame: the window system resizes, the layout follows.
    TRect w;
    win::GetWindowRect(form->GetHandle(), &w);
    win::SetWindowPos(form->GetHandle(), nullptr, 0, 0, w.Width() + 100, w.Height() + 40,
                      win::SWP_NOMOVE | win::SWP_NOZORDER);
    EXPECT_EQ(form->GetClientWidth(), 500);
    EXPECT_EQ(bottom->GetBoundsRect(), (TRect{0, 320, 500, 340}));
    EXPECT_EQ(right->GetBoundsRect(), (TRect{470, 50, 500, 320}));
    EXPECT_EQ(client->GetBoundsRect(), (TRect{60, 50, 470, 320}));
    EXPECT_TRUE(client->Got(win::WM_SIZE));

    // A hidden aligned control gives its room back.
    left->SetVisible(false);
    EXPECT_EQ(client->GetBoundsRect(), (TRect{0, 50, 470, 320}));
    // A form too small for its bars never gives negative sizes.
    form->SetClientHeight(30);
    EXPECT_GE(client->GetHeight(), 0);
    EXPECT_GE(right->GetHeight(), 0);
}

TEST_F(ControlsFixture, ScalingMovesEveryEdgeByTheRatioAndReachesTheChildren) {
    TForm* form = MakeForm({100, 100, 500, 400});
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 101, 51);
    auto* inner = new TProbe(form);
    inner->SetParent(panel);
    inner->SetBounds(3, 5, 21, 11);
    auto* graphic = new TGraphicProbe(form);
    graphic->SetParent(form);
    graphic->SetBounds(120, 10, 20, 20);
    form->ScaleBy(3, 2);
    // Each edge scales with MulDiv's rounding: 10 * 1.5 = 15, 111 * 1.5 = 166.5 -> 167.
    EXPECT_EQ(panel->GetBoundsRect(), (TRect{15, 15, 167, 92}));
    EXPECT_EQ(inner->GetBoundsRect(), (TRect{5, 8, 36, 24}));
    EXPECT_EQ(graphic->GetBoundsRect(), (TRect{180, 15, 210, 45}));
    form->ScaleBy(1, 1); // nothing moves
    EXPECT_EQ(inner->GetBoundsRect(), (TRect{5, 8, 36, 24}));
}

TEST_F(ControlsFixture, AnchorsKeepDistancesToTheSidesTheyHold) {
    TForm* form = MakeForm();
    form->SetClientWidth(400);
    form->SetClientHeight(300);
    struct Case {
        TAnchors Anchors;
        TRect After; // placed at (300, 250, 80 x 30), then the client grows by (100, 50)
    } cases[] = {
        {{akLeft, akTop}, {300, 250, 380, 280}},
        {{akRight, akBottom}, {400, 300, 480, 330}},
        {{akLeft, akRight, akTop}, {300, 250, 480, 280}},
        {{akLeft, akTop, akBottom}, {300, 250, 380, 330}},
        {{akLeft, akRight, akTop, akBottom}, {300, 250, 480, 330}},
        {TAnchors{}, {350, 275, 430, 305}},
    };
    std::vector<TButton*> buttons;
    for (auto& c : cases) {
        auto* b = new TButton(form);
        b->SetParent(form);
        b->SetBounds(300, 250, 80, 30);
        b->SetAnchors(c.Anchors);
        buttons.push_back(b);
    }
    form->SetClientWidth(500);
    form->SetClientHeight(350);
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->GetBoundsRect(), cases[i].After) << "case " << i;
        TRect w;
        win::GetWindowRect(buttons[i]->GetHandle(), &w);
        TPoint tl{w.Left, w.Top};
        win::ScreenToClient(form->GetHandle(), &tl);
        EXPECT_EQ(tl.X, cases[i].After.Left) << "the window itself moved, case " << i;
    }
}

TEST_F(ControlsFixture, FontAndColourFollowTheParentUntilSetOnTheControl) {
    TForm* form = MakeForm();
    auto* follower = new TProbe(form);
    follower->SetParent(form);
    auto* own = new TProbe(form);
    own->SetParent(form);
    own->GetFont()->SetSize(20);
    EXPECT_FALSE(own->GetParentFont());
    own->SetParentColor(true);
    follower->Messages.clear();

    form->GetFont()->SetName("Arial");
    form->GetFont()->SetSize(14);
    EXPECT_TRUE(follower->Got(CM_FONTCHANGED));
    EXPECT_EQ(follower->GetFont()->GetSize(), 14);
    EXPECT_EQ(follower->GetFont()->GetName(), "Arial");
    EXPECT_TRUE(follower->GetParentFont());
    EXPECT_EQ(own->GetFont()->GetSize(), 20);

    form->SetColor(0x123456);
    EXPECT_EQ(own->GetColor(), 0x123456);
    EXPECT_TRUE(own->GetParentColor());
    EXPECT_NE(follower->GetColor(), 0x123456);
    own->SetColor(0x00FF00);
    EXPECT_FALSE(own->GetParentColor());
}

TEST_F(ControlsFixture, PaintDrawsTheControlAndItsGraphicChildrenAtTheirPlaces) {
    TForm* form = MakeForm();
    form->SetColor(0xFFFFFF);
    auto* probe = new TProbe(form);
    probe->SetBounds(20, 30, 100, 80);
    probe->SetParent(form);
    auto* dot = new TGraphicProbe(form);
    dot->SetBounds(10, 10, 20, 20);
    dot->SetParent(probe);
    probe->Repaint();
    Application->ProcessMessages();
    TPoint org = probe->ClientToScreen({0, 0});
    EXPECT_EQ(FScreen.ScreenPixel(org.X + 5, org.Y + 5), win::COLORREF(0x0000FF));
    EXPECT_EQ(FScreen.ScreenPixel(org.X + 15, org.Y + 15), win::COLORREF(0x00FF00));
    EXPECT_EQ(FScreen.ScreenPixel(org.X + 31, org.Y + 31), win::COLORREF(0x0000FF)); // clipped to the child
    TPoint formOrg = form->ClientToScreen({0, 0});
    EXPECT_EQ(FScreen.ScreenPixel(formOrg.X + 5, formOrg.Y + 5), win::COLORREF(0xFFFFFF));

    // A canvas outside a paint event draws straight to the window.
    TControlCanvas canvas;
    canvas.SetControl(dot);
    canvas.GetBrush()->SetColor(0xFF0000);
    canvas.FillRect({0, 0, 5, 5});
    canvas.FreeHandle();
    EXPECT_EQ(FScreen.ScreenPixel(org.X + 11, org.Y + 11), win::COLORREF(0xFF0000));
}

TEST_F(ControlsFixture, MouseEventsReachTheControlUnderTheMouseInItsCoordinates) {
    TForm* form = MakeForm();
    auto* probe = new TProbe(form);
    probe->SetBounds(20, 30, 100, 80);
    probe->SetParent(form);
    auto* dot = new TGraphicProbe(form);
    dot->SetBounds(50, 40, 30, 20);
    dot->SetParent(probe);
    std::vector<std::string> log;
    auto trace = [&log](const char* who) {
        return [&log, who](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y) {
            log.push_back(std::string(who) + " " + std::to_string(x) + "," + std::to_string(y));
        };
    };
    probe->OnMouseDown = trace("probe down");
    probe->OnMouseUp = trace("probe up");
    probe->OnClick = [&](TObject*) { log.push_back("probe click"); };
    probe->OnMouseEnter = [&](TObject*) { log.push_back("probe enter"); };
    probe->OnMouseLeave = [&](TObject*) { log.push_back("probe leave"); };
    dot->OnMouseDown = trace("dot down");
    dot->OnMouseUp = trace("dot up");
    dot->OnClick = [&](TObject*) { log.push_back("dot click"); };
    dot->OnMouseEnter = [&](TObject*) { log.push_back("dot enter"); };
    dot->OnMouseLeave = [&](TObject*) { log.push_back("dot leave"); };

    TPoint o = probe->ClientToScreen({0, 0});
    // One event at a time, as a person moves the mouse.
    auto mouse = [&](win::MouseAction a, int x, int y) {
        FScreen.InjectMouse(a, {o.X + x, o.Y + y});
        Application->ProcessMessages();
    };
    auto click = [&](int x, int y) {
        mouse(win::MouseAction::LeftDown, x, y);
        mouse(win::MouseAction::LeftUp, x, y);
    };
    mouse(win::MouseAction::Move, 5, 5);
    click(5, 6);
    mouse(win::MouseAction::Move, 55, 45);
    click(56, 45);
    // Pressed on the dot and released off it: no click, but the dot still gets the release.
    mouse(win::MouseAction::LeftDown, 60, 50);
    mouse(win::MouseAction::Move, 5, 5);
    mouse(win::MouseAction::LeftUp, 5, 5);
    mouse(win::MouseAction::Move, -15, -15);
    std::vector<std::string> expected{"probe enter",    "probe down 5,6", "probe up 5,6", "probe click",
                                      "dot enter",      "dot down 6,5",   "dot up 6,5",   "dot click",
                                      "dot down 10,10", "dot up -45,-35", "dot leave",    "probe leave"};
    EXPECT_EQ(log, expected);
}

TEST_F(ControlsFixture, KeysGoToTheFocusedControlAfterTheFormWhenItPreviews) {
    TForm* form = MakeForm();
    auto* probe = new TProbe(form);
    probe->SetParent(form);
    probe->SetTabStop(true);
    std::string log;
    probe->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState s) {
        log += "down" + std::to_string(key) + (s.Contains(ssShift) ? "S" : "") + " ";
    };
    probe->OnKeyPress = [&](TObject*, char& key) { log += std::string("press") + key + " "; };
    probe->OnKeyUp = [&](TObject*, uint16_t& key, TShiftState) { log += "up" + std::to_string(key) + " "; };
    probe->SetFocus();
    EXPECT_TRUE(probe->Focused());
    EXPECT_EQ(form->GetActiveControl(), probe);
    FScreen.InjectText("A");
    Application->ProcessMessages();
    EXPECT_EQ(log, "down16S down65S pressA up65 up16 ");

    log.clear();
    form->SetKeyPreview(true);
    form->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        log += "form" + std::to_string(key) + " ";
        if (key == 'X')
            key = 0; // the form eats it
    };
    FScreen.InjectKeyPress('X');
    FScreen.InjectKeyPress('Y');
    Application->ProcessMessages();
    EXPECT_EQ(log, "form88 pressx up88 form89 down89 pressy up89 ");
}

TEST_F(ControlsFixture, DisabledControlsGetNoInputAndTabMovesTheFocusInTabOrder) {
    TForm* form = MakeForm();
    auto* a = new TButton(form);
    a->SetParent(form);
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetTop(40);
    auto* c = new TButton(form);
    c->SetParent(form);
    c->SetTop(80);
    c->SetTabOrder(0);
    EXPECT_EQ(a->GetTabOrder(), 1);
    b->SetEnabled(false);
    EXPECT_FALSE(win::IsWindowEnabled(b->GetHandle()));
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    FScreen.InjectClick(b->ClientToScreen({5, 5}));
    Application->ProcessMessages();
    EXPECT_EQ(clicks, 0);

    c->SetFocus();
    FScreen.InjectKeyPress(win::VK_TAB);
    Application->ProcessMessages();
    EXPECT_TRUE(a->Focused());
    FScreen.InjectKeyPress(win::VK_TAB); // b is disabled: back to c
    Application->ProcessMessages();
    EXPECT_TRUE(c->Focused());
}

TEST_F(ControlsFixture, AFreedWindowedControlLeavesTheTabOrder) {
    TForm* form = MakeForm();
    auto* a = new TButton(form);
    a->SetParent(form);
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetTop(40);
    auto* c = new TButton(form);
    c->SetParent(form);
    c->SetTop(80);
    b->SetFocus();
    Application->ProcessMessages();
    delete b; // focused, freed without Free
    a->Free();
    EXPECT_EQ(c->GetTabOrder(), 0);
    c->SetFocus();
    FScreen.InjectKeyPress(win::VK_TAB); // walks the tab order: only c is left
    Application->ProcessMessages();
    EXPECT_TRUE(c->Focused());
}

TEST_F(ControlsFixture, TheCursorIsTheControlsOwnUnlessTheScreenSetsOne) {
    TForm* form = MakeForm();
    auto* probe = new TProbe(form);
    probe->SetBounds(10, 10, 100, 100);
    probe->SetParent(form);
    probe->SetCursor(crHandPoint);
    auto* dot = new TGraphicProbe(form);
    dot->SetBounds(50, 50, 20, 20);
    dot->SetCursor(crCross);
    dot->SetParent(probe);
    auto cursorAt = [&](int x, int y) {
        FScreen.InjectMouse(win::MouseAction::Move, probe->ClientToScreen({x, y}));
        Application->ProcessMessages();
        return win::StandardCursorId(win::GetCursor());
    };
    EXPECT_EQ(cursorAt(5, 5), win::IDC_HAND);
    EXPECT_EQ(cursorAt(55, 55), win::IDC_CROSS);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(cursorAt(5, 6), win::IDC_WAIT);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(cursorAt(5, 7), win::IDC_HAND);
}

} // namespace

TEST_F(ControlsFixture, AnAutoSizingControlFitsItsChildrenAsTheyChange) {
    TForm* form = MakeForm();
    auto* box = new TProbe(form);
    box->SetParent(form);
    box->SetBounds(10, 10, 300, 200);
    auto* a = new TProbe(form);
    a->SetParent(box);
    a->SetBounds(5, 5, 40, 30);
    auto* b = new TGraphicProbe(form);
    b->SetParent(box);
    b->SetBounds(60, 10, 20, 50);
    auto* filler = new TProbe(form);
    filler->SetParent(box);
    filler->SetAlign(alBottom); // aligned children follow the size, they do not set it
    filler->SetHeight(10);

    box->SetAutoSize(true);
    EXPECT_EQ(box->GetWidth(), 80);
    EXPECT_EQ(box->GetHeight(), 60);
    b->SetBounds(60, 10, 20, 90); // a graphic child grows
    EXPECT_EQ(box->GetHeight(), 100);
    a->SetBounds(5, 5, 140, 30); // a windowed child grows
    EXPECT_EQ(box->GetWidth(), 145);
    b->Hide();
    EXPECT_EQ(box->GetHeight(), 35);
    EXPECT_EQ(filler->GetTop(), 25); // the aligned child followed the new size
    // Limits still hold; without children nothing changes.
    box->GetConstraints()->SetMaxWidth(100);
    a->SetWidth(400);
    EXPECT_EQ(box->GetWidth(), 100);
    a->Free();
    EXPECT_EQ(box->GetWidth(), 100);
    box->SetAutoSize(false);
    b->Show();
    EXPECT_EQ(box->GetHeight(), 35);
}

TEST_F(ControlsFixture, DockedControlsShareTheSiteWithGrabbersAndCloseButtons) {
    TForm* form = MakeForm({100, 100, 500, 400});
    auto* site = new TProbe(form);
    site->SetParent(form);
    site->SetBounds(0, 0, 300, 200);
    auto* a = new TProbe(form);
    a->SetParent(form);
    auto* b = new TProbe(form);
    b->SetParent(form);
    EXPECT_FALSE(a->ManualDock(site)); // not a dock site yet
    site->SetDockSite(true);
    site->SetUseDockManager(true);
    ASSERT_NE(site->GetDockManager(), nullptr);
    TWinControl* endedIn = nullptr;
    a->OnEndDock = [&](TObject*, TObject* target, int32_t, int32_t) {
        endedIn = dynamic_cast<TWinControl*>(target);
    };
    ASSERT_TRUE(a->ManualDock(site));
    EXPECT_EQ(endedIn, site);
    ASSERT_TRUE(b->ManualDock(site, a, alTop)); // before a
    EXPECT_EQ(a->GetHostDockSite(), site);
    EXPECT_EQ(a->GetParent(), site);
    EXPECT_EQ(site->GetDockClientCount(), 2);
    // One above the other, each under a 12-pixel grabber.
    TRect client = site->GetClientRect();
    EXPECT_EQ(b->GetBoundsRect(), (TRect{0, 12, client.Right, client.Bottom / 2}));
    EXPECT_EQ(a->GetTop(), client.Bottom / 2 + 12);
    EXPECT_EQ(a->GetHeight(), client.Bottom - client.Bottom / 2 - 12);
    // Aligned to the top of its parent, the site puts them side by side with grabbers on the left.
    site->SetAlign(alTop);
    client = site->GetClientRect();
    EXPECT_EQ(b->GetBoundsRect(), (TRect{12, 0, client.Right / 2, client.Bottom}));
    EXPECT_EQ(a->GetLeft(), client.Right / 2 + 12);

    // The close button of b's grabber hides b; a takes the whole site.
    TRect close = site->GetDockManager()->CloseButtonRect(site->GetDockManager()->GetControlBounds(b));
    TPoint p = site->ClientToScreen({close.Left + 2, close.Top + 2});
    FScreen.InjectClick(p);
    Application->ProcessMessages();
    EXPECT_FALSE(b->GetVisible());
    EXPECT_EQ(a->GetBoundsRect(), (TRect{12, 0, client.Right, client.Bottom}));

    // Floating takes a control out of the site; freeing a docked control leaves it too.
    ASSERT_TRUE(a->ManualFloat({0, 0, 50, 50}));
    EXPECT_EQ(a->GetHostDockSite(), nullptr);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(site->GetDockClientCount(), 1);
    b->Free();
    EXPECT_EQ(site->GetDockClientCount(), 0);
    a->Free();
}
