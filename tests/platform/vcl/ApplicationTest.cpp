#include "platform/vcl/Application.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Thread.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

using namespace vcl;

namespace {

class ApplicationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        Application->ResetForTesting();
        Application->SetTitle("Quorvane Loomwick");
    }
    void TearDown() override {
        Application->OnException = nullptr;
        Application->OnIdle = nullptr;
        while (Screen->GetFormCount() > 0)
            Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        Application->ResetForTesting();
        Application->SetTitle("");
        Screen->SetCursor(crDefault);
        win::ResetInputState();
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* owner) : TForm(owner) {
        SetCaption("Quorvane Loomwick Version 7.5 - [UNTITLED]");
        Button = new TButton(this);
        Button->SetParent(this);
        Button->SetBounds(10, 10, 75, 25);
    }
    TButton* Button;
};

TEST_F(ApplicationFixture, AnExceptionInAHandlerIsShownInABoxAndTheLoopGoesOn) {
    TMainForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->GetMainForm(), main);
    int clicks = 0;
    main->Button->OnClick = [&](TObject*) {
        ++clicks;
        throw EConvertError("'abc' is not a valid integer value");
    };
    std::vector<TMessageBoxView> boxes;
    auto clickButton = [&] { FScreen.InjectClick(main->Button->ClientToScreen({5, 5})); };
    auto readAndOk = [&] {
        TMessageBoxView v;
        ASSERT_TRUE(FindMessageBox(&v));
        boxes.push_back(v);
        FScreen.InjectKeyPress(win::VK_RETURN);
    };
    FScreen.Script(clickButton);
    FScreen.Script(readAndOk);
    FScreen.Script(clickButton); // the program still answers
    FScreen.Script(readAndOk);
    FScreen.Script([&] { win::PostMessage(main->GetHandle(), win::WM_CLOSE, 0, 0); });
    Application->Run();
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(boxes[0].Caption, "Quorvane Loomwick");
    EXPECT_EQ(boxes[0].Icon, MB_ICONSTOP);
    EXPECT_TRUE(Application->GetTerminated());
}

TEST_F(ApplicationFixture, OnExceptionTakesTheErrorsAndEAbortIsSilent) {
    auto* form = new TMainForm(nullptr);
    form->Show();
    std::vector<std::string> seen;
    Application->OnException = [&](TObject* sender, const std::exception& e) {
        seen.push_back(e.what());
        EXPECT_EQ(sender, form); // the form's window procedure ran the button's click
    };
    bool abort = false;
    form->Button->OnClick = [&](TObject*) {
        if (abort)
            throw EAbort();
        throw std::runtime_error("disk full");
    };
    FScreen.InjectClick(form->Button->ClientToScreen({5, 5}));
    Application->ProcessMessages();
    abort = true;
    FScreen.InjectClick(form->Button->ClientToScreen({5, 5}));
    Application->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"disk full"}));
}

TEST_F(ApplicationFixture, AWorkersSynchronizeWakesTheLoopAndRunsOnTheMainThread) {
    Application->Initialize();
    std::atomic<bool> ran{false};
    std::thread::id mainId = std::this_thread::get_id();
    std::thread::id ranOn;
    std::thread worker([&] {
        TThread::Synchronize(nullptr, [&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    FScreen.SetStallGraceMs(5000); // the worker's wake ends the wait long before this
    try {
        while (!ran)
            Application->HandleMessage();
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    worker.join();
    EXPECT_EQ(ranOn, mainId);
}

TEST_F(ApplicationFixture, OnIdleRunsWhenTheQueueIsEmptyAndTerminateEndsRun) {
    TMainForm* main = nullptr;
    Application->CreateForm(main);
    bool created = false;
    int idles = 0;
    Application->OnIdle = [&](TObject*, bool& done) {
        if (++idles == 3)
            Application->Terminate();
        done = idles >= 3;
    };
    Application->Run();
    EXPECT_EQ(idles, 3);
    EXPECT_TRUE(main->GetVisible());
    (void)created;
}

TEST_F(ApplicationFixture, TimerFiresEveryIntervalWhileEnabled) {
    auto* form = new TForm(nullptr);
    auto* timer = new TTimer(form);
    int ticks = 0;
    timer->SetInterval(100);
    timer->SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, timer);
        if (++ticks == 3)
            timer->SetEnabled(false);
    });
    FScreen.SetStallGraceMs(0);
    for (int i = 0; i < 5; ++i) {
        FClock.Advance(100);
        Application->ProcessMessages();
    }
    EXPECT_EQ(ticks, 3);
    timer->SetEnabled(true);
    form->Free(); // the owner stops its timer
    FClock.Advance(100);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 3);
}

TEST_F(ApplicationFixture, ATimerHandlerThatStopsOrFreesItsTimerAndRaisesIsReported) {
    // Stopping or freeing the timer takes it out of the table of running timers while its handler runs.
    std::vector<TObject*> senders;
    Application->OnException = [&](TObject* sender, const std::exception&) { senders.push_back(sender); };
    auto* stops = new TTimer(nullptr);
    stops->SetInterval(100);
    stops->SetOnTimer([&](TObject*) {
        stops->SetEnabled(false);
        throw Exception("stopped");
    });
    auto* frees = new TTimer(nullptr);
    frees->SetInterval(100);
    frees->SetOnTimer([&](TObject*) {
        delete std::exchange(frees, nullptr);
        throw Exception("freed");
    });
    FScreen.SetStallGraceMs(0);
    FClock.Advance(100);
    Application->ProcessMessages();
    FClock.Advance(100);
    Application->ProcessMessages();
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(std::count(senders.begin(), senders.end(), stops), 1); // a stopped timer is still the sender
    EXPECT_EQ(std::count(senders.begin(), senders.end(), nullptr), 1); // a freed one is not
    EXPECT_EQ(frees, nullptr);
    delete stops;
    Application->OnException = nullptr;
}

TEST_F(ApplicationFixture, ScreenCursorMonitorsAndForms) {
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(win::StandardCursorId(win::GetCursor()), win::IDC_WAIT);
    EXPECT_EQ(win::StandardCursorId(CursorHandle(crHandPoint)), win::IDC_HAND);
    EXPECT_EQ(win::StandardCursorId(CursorHandle(crAppStart)), win::IDC_APPSTARTING);
    Screen->SetCursor(crDefault);

    FScreen.SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true},
                         {{1024, 0, 2304, 1024}, {1024, 0, 2304, 1024}, false}});
    EXPECT_EQ(Screen->GetMonitorCount(), 2);
    EXPECT_EQ(Screen->GetWidth(), 1024);
    EXPECT_EQ(Screen->GetHeight(), 768);
    EXPECT_EQ(Screen->GetWorkAreaRect(), (TRect{0, 0, 1024, 738}));
    EXPECT_EQ(Screen->MonitorFromPoint({1500, 10}).MonitorNum, 1);
    EXPECT_EQ(Screen->MonitorFromPoint({5000, 10}).MonitorNum, 1); // nearest
    EXPECT_EQ(Screen->MonitorFromPoint({5000, 10}, mdPrimary).MonitorNum, 0);

    auto* a = new TForm(nullptr);
    auto* b = new TForm(nullptr);
    EXPECT_EQ(Screen->GetFormCount(), 2);
    b->Show();
    a->Show();
    EXPECT_EQ(Screen->GetActiveForm(), a);
    EXPECT_EQ(Screen->GetForm(0), a);
    a->Free();
    EXPECT_EQ(Screen->GetFormCount(), 1);
    EXPECT_EQ(Screen->GetActiveForm() == a, false);
    EXPECT_FALSE(Application->GetExeName().empty());
}

TEST_F(ApplicationFixture, TheHintShowsAfterThePauseAndGoesAwayAgain) {
    auto* form = new TMainForm(nullptr);
    auto* plain = new TButton(form);
    plain->SetParent(form);
    plain->SetBounds(10, 60, 75, 25);
    form->Button->SetHint("Open an animation");
    form->SetShowHint(true); // the buttons follow their form
    form->Show();
    Application->ProcessMessages();
    auto moveTo = [&](TControl* c) {
        FScreen.InjectMouse(win::MouseAction::Move, c->ClientToScreen({5, 5}));
        Application->ProcessMessages();
    };
    auto wait = [&](uint64_t ms) {
        FClock.Advance(ms);
        Application->ProcessMessages();
    };
    moveTo(form->Button);
    wait(499);
    EXPECT_EQ(Application->GetHint(), "");
    wait(1);
    EXPECT_EQ(Application->GetHint(), "Open an animation");
    THintWindow* hint = Application->GetHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(win::IsWindowVisible(hint->GetHandle()));
    EXPECT_EQ(win::GetWindowTextString(hint->GetHandle()), "Open an animation");
    EXPECT_EQ(win::GetActiveWindow(), form->GetHandle()); // the hint never takes the activation
    TRect r;
    win::GetWindowRect(hint->GetHandle(), &r);
    EXPECT_GT(r.Top, form->Button->ClientToScreen({5, 5}).Y);
    wait(2500);
    EXPECT_EQ(Application->GetHint(), "");

    // Moving to a control without a hint, or clicking, before the pause: no hint.
    moveTo(plain);
    moveTo(form->Button);
    FScreen.InjectClick(form->Button->ClientToScreen({5, 5}));
    Application->ProcessMessages();
    wait(600);
    EXPECT_EQ(Application->GetHint(), "");
    moveTo(plain);
    moveTo(form->Button);
    wait(500);
    EXPECT_EQ(Application->GetHint(), "Open an animation");
    moveTo(plain);
    EXPECT_EQ(Application->GetHint(), "");
    EXPECT_FALSE(win::IsWindowVisible(hint->GetHandle()));
}

} // namespace

TEST(ScreenFonts, ListsTheInstalledFamiliesOnceInOrder) {
    TStrings* fonts = Screen->GetFonts();
    ASSERT_GT(fonts->GetCount(), 0);
    // The families the GDI draws the Windows faces with are installed by setup.
    EXPECT_GE(fonts->IndexOf("DejaVu Sans"), 0);
    for (int32_t i = 1; i < fonts->GetCount(); ++i)
        EXPECT_LT(CompareText(fonts->Get(i - 1), fonts->Get(i)), 0);
    EXPECT_EQ(Screen->GetFonts(), fonts);
}
